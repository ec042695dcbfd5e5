// A voyage as a closed tour of nodes, the form the tour heuristics work on: node 0 is the
// player and nodes 1 .. n the stops. A voyage that may end anywhere gets one node more,
// its free end, at no distance from any node and tied to the player for good: the tour
// player, stops ..., free end, back to the player is then exactly the open voyage.

// The nodes of a voyage from `start` ({ x, y }) through the stops (xs[i], ys[i]):
// { count, stops, x, y, freeEnd }, `freeEnd` being -1 on a round trip.
export function tourNodes(start, xs, ys, returnHome) {
  const stops = xs.length;
  const count = stops + (returnHome ? 1 : 2);
  const x = new Float64Array(count), y = new Float64Array(count);
  x[0] = start.x;
  y[0] = start.y;
  for (let i = 0; i < stops; i++) {
    x[i + 1] = xs[i];
    y[i + 1] = ys[i];
  }
  return { count, stops, x, y, freeEnd: returnHome ? -1 : stops + 1 };
}

// The distance between two nodes, as a function for the hot loops.
export function distanceIn(nodes) {
  const { x, y, freeEnd } = nodes;
  return (a, b) => {
    if (a === freeEnd || b === freeEnd) return 0;
    const dx = x[a] - x[b], dy = y[a] - y[b];
    return Math.sqrt(dx * dx + dy * dy);
  };
}

// Whether the edge between nodes a and b must stay: the one from the free end back to
// the player, as a function for the hot loops.
export function tiedIn(nodes) {
  const { freeEnd } = nodes;
  return (a, b) => (a === 0 && b === freeEnd) || (a === freeEnd && b === 0);
}

// The stops in the order a tour of these nodes visits them (their indices in the
// voyage's own arrays), read from the player away from the free end.
export function stopsInOrder(nodes, tour) {
  const { count, stops, freeEnd } = nodes;
  const home = tour.indexOf(0);
  const step = tour[(home + 1) % count] === freeEnd ? count - 1 : 1;
  const order = new Int32Array(stops);
  for (let i = 1, k = 0, at = home; i < count; i++) {
    at = (at + step) % count;
    if (tour[at] !== freeEnd) order[k++] = tour[at] - 1;
  }
  return order;
}

// The length of a tour of these nodes (an array of them in order).
export function tourLength(nodes, tour) {
  const distance = distanceIn(nodes);
  let length = 0;
  for (let i = 0; i < tour.length; i++) length += distance(tour[i], tour[(i + 1) % tour.length]);
  return length;
}
