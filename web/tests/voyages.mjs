// Random voyages for the voyage planner's tests and benchmark, the same on every run:
// stops spread evenly over a square world, or in archipelagos of about 25 islands each
// (spread about 120 units around their centres), the player somewhere inside.

// Numbers in [0, 1) from a seed.
export function seededNumbers(seed) {
  let state = seed;
  return () => {
    state = (Math.imul(state, 1103515245) + 12345) >>> 0;
    return state / 2 ** 32;
  };
}

// A voyage of `stops` stops, { start, xs, ys }, in a `side` x `side` world, drawing on
// `random` (a seededNumbers stream).
export function randomVoyage(random, stops, { clustered = false, side = 4000 } = {}) {
  const inside = (v) => Math.round(Math.min(side - 1, Math.max(0, v)));
  const centres = Array.from({ length: 3 + Math.floor(stops / 25) },
    () => [random() * side, random() * side]);
  const gauss = () => Math.sqrt(-2 * Math.log(random() + 1e-12)) * Math.cos(2 * Math.PI * random());
  const xs = [], ys = [];
  for (let i = 0; i < stops; i++) {
    if (clustered) {
      const [cx, cy] = centres[Math.floor(random() * centres.length)];
      xs.push(inside(cx + 120 * gauss()));
      ys.push(inside(cy + 120 * gauss()));
    } else {
      xs.push(inside(random() * side));
      ys.push(inside(random() * side));
    }
  }
  return { start: { x: inside(random() * side), y: inside(random() * side) }, xs, ys };
}
