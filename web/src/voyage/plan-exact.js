// The shortest voyage through a few stops, found for certain: dynamic programming over
// the sets of stops visited, in time n^2 2^n, which stays within a few milliseconds up
// to 13 stops.

import { legLength, voyageLength } from './voyage-length.js';

export const MostExactStops = 13;

// The shortest voyage from `start` ({ x, y }) through every stop (xs[i], ys[i]): ending
// at any stop, or back at `start` when `returnHome` is true. Gives { order, distance },
// `order` an Int32Array of the stops' indices in the order visited.
export function planExact(start, xs, ys, returnHome) {
  const n = xs.length;
  if (n > MostExactStops) {
    throw new RangeError(`${n} stops is more than ${MostExactStops} for the exact plan`);
  }
  if (n === 0) return { order: new Int32Array(0), distance: 0 };
  const between = new Float64Array(n * n);
  for (let a = 0; a < n; a++) {
    for (let b = 0; b < n; b++) between[a * n + b] = legLength(xs[a], ys[a], xs[b], ys[b]);
  }
  // shortest[set * n + last]: the shortest way from the start through the stops in `set`
  // (a bit per stop), ending at `last`; came[...] is the stop before `last` on it.
  const sets = 1 << n, all = sets - 1;
  const shortest = new Float64Array(sets * n).fill(Infinity);
  const came = new Int8Array(sets * n).fill(-1);
  for (let stop = 0; stop < n; stop++) {
    shortest[(1 << stop) * n + stop] = legLength(start.x, start.y, xs[stop], ys[stop]);
  }
  for (let set = 1; set < all; set++) {
    for (let last = 0; last < n; last++) {
      if ((set & (1 << last)) === 0) continue;
      const sofar = shortest[set * n + last];
      for (let next = 0; next < n; next++) {
        if ((set & (1 << next)) !== 0) continue;
        const at = (set | (1 << next)) * n + next;
        const through = sofar + between[last * n + next];
        if (through < shortest[at]) {
          shortest[at] = through;
          came[at] = last;
        }
      }
    }
  }
  let last = 0, best = Infinity;
  for (let stop = 0; stop < n; stop++) {
    const home = returnHome ? legLength(xs[stop], ys[stop], start.x, start.y) : 0;
    if (shortest[all * n + stop] + home < best) {
      best = shortest[all * n + stop] + home;
      last = stop;
    }
  }
  const order = new Int32Array(n);
  for (let set = all, at = n - 1; at >= 0; at--) {
    order[at] = last;
    const before = came[set * n + last];
    set &= ~(1 << last);
    last = before;
  }
  return { order, distance: voyageLength(start, xs, ys, order, returnHome) };
}
