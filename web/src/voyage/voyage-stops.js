// The voyage: the islands a player means to visit, in order, starting where the player
// is, and whether it goes back there. Stops are kept by their world positions, so they
// are found again in a new save of the same world; a stop whose island is not in the save
// shown stays in the voyage (and in its address) and is listed as missing, never dropped.

// The most stops a voyage holds: the panel says so.
export const MostStops = 1000;

// The island of `islands` at (x, y) that `taken` has not yet (a byte per island), or -1.
function islandAt(islands, { x, y }, taken, byPosition) {
  for (const i of byPosition.get(`${x},${y}`) ?? []) if (!taken[i]) return i;
  return -1;
}

// Islands by their position, "x,y", for finding stops again.
function positionIndex(islands) {
  const byPosition = new Map();
  for (let i = 0; i < islands.count; i++) {
    const key = `${islands.x[i]},${islands.y[i]}`;
    const list = byPosition.get(key);
    if (list) list.push(i);
    else byPosition.set(key, [i]);
  }
  return byPosition;
}

// A voyage over the world `world()`. Every change calls the listeners.
export function voyageStops(world) {
  let stops = [];  // { x, y, index } in order; index -1 for a stop not in this save
  let returnHome = false;
  let taken = new Uint8Array(0);
  let byPosition = null;
  const listeners = [];
  const changed = () => { for (const listener of listeners) listener(); };

  // Finds each stop's island in the world shown.
  function resolve() {
    const { islands } = world();
    byPosition = positionIndex(islands);
    taken = new Uint8Array(islands.count);
    for (const stop of stops) {
      stop.index = islandAt(islands, stop, taken, byPosition);
      if (stop.index >= 0) taken[stop.index] = 1;
    }
    // The stops not in this save go last: the others keep their order, and a stop's
    // place among the stops is its place on the route.
    stops = [...stops.filter((stop) => stop.index >= 0), ...stops.filter((stop) => stop.index < 0)];
  }
  const positionOf = (index) => ({ x: world().islands.x[index], y: world().islands.y[index], index });

  return {
    stops: () => stops,
    found: () => stops.filter((stop) => stop.index >= 0),
    missing: () => stops.filter((stop) => stop.index < 0),
    returnHome: () => returnHome,
    has: (index) => taken[index] === 1,
    room: () => MostStops - stops.length,
    onChange: (listener) => listeners.push(listener),

    // The stops found again in a new world.
    worldChanged() {
      resolve();
      changed();
    },
    // Puts `positions` ({ x, y }) in place of the stops, as an address asks.
    setPositions(positions, home) {
      stops = positions.slice(0, MostStops).map(({ x, y }) => ({ x, y, index: -1 }));
      returnHome = home;
      resolve();
      changed();
    },
    // Adds island `index` at place `at` of the stops (the end if not given); false when
    // it is a stop already or the voyage is full.
    add(index, at = stops.length) {
      if (taken[index] || stops.length >= MostStops) return false;
      stops.splice(at, 0, positionOf(index));
      taken[index] = 1;
      changed();
      return true;
    },
    // Adds many islands at the end, as many as there is room for; gives how many.
    addAll(indices) {
      let added = 0;
      for (const index of indices) {
        if (stops.length >= MostStops) break;
        if (taken[index]) continue;
        stops.push(positionOf(index));
        taken[index] = 1;
        added++;
      }
      if (added > 0) changed();
      return added;
    },
    remove(at) {
      const [stop] = stops.splice(at, 1);
      if (!stop) return;
      if (stop.index >= 0) taken[stop.index] = 0;
      changed();
    },
    // Moves the stop at `at` by `step` places (-1 up, 1 down); false when it cannot.
    move(at, step) {
      const to = at + step;
      if (at < 0 || at >= stops.length || to < 0 || to >= stops.length) return false;
      [stops[at], stops[to]] = [stops[to], stops[at]];
      changed();
      return true;
    },
    // The found stops in a new order (`order` lists their places among the found stops,
    // which come first); the stops not in this save stay last.
    reorder(order) {
      const found = stops.filter((stop) => stop.index >= 0);
      stops = [...Array.from(order, (k) => found[k]), ...stops.filter((stop) => stop.index < 0)];
      changed();
    },
    setReturnHome(home) {
      if (home === returnHome) return;
      returnHome = home;
      changed();
    },
    clear() {
      if (stops.length === 0) return;
      stops = [];
      taken.fill(0);
      changed();
    },
  };
}
