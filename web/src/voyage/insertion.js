// Where a stop the player adds by hand goes in a planned voyage: at the place that
// lengthens it least, the rest of the order kept as it is.

import { legLength } from './voyage-length.js';

// The position in `order` (0 .. order.length) at which inserting stop `newIndex` makes
// the voyage from `start` the shortest; ties go to the earliest position. Without
// `returnHome` the voyage ends at its last stop, so adding a stop after it costs only the
// leg to it.
export function cheapestInsertion(start, xs, ys, order, newIndex, { returnHome = false } = {}) {
  const nx = xs[newIndex], ny = ys[newIndex];
  const count = order.length;
  let bestPosition = 0, bestCost = Infinity;
  let px = start.x, py = start.y;
  for (let position = 0; position <= count; position++) {
    let cost = legLength(px, py, nx, ny);
    if (position < count) {
      const qx = xs[order[position]], qy = ys[order[position]];
      cost += legLength(nx, ny, qx, qy) - legLength(px, py, qx, qy);
      px = qx;
      py = qy;
    } else if (returnHome) {
      cost += legLength(nx, ny, start.x, start.y) - legLength(px, py, start.x, start.y);
    }
    if (cost < bestCost) {
      bestCost = cost;
      bestPosition = position;
    }
  }
  return bestPosition;
}
