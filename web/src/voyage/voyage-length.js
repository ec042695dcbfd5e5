// The length of a voyage: from the player through the stops in a given order, and back
// to the player on a round trip. Distances are straight lines in world units.

// The distance between two points. World positions are 32-bit integers, so the squares
// stay far inside a double's range.
export function legLength(ax, ay, bx, by) {
  const dx = bx - ax, dy = by - ay;
  return Math.sqrt(dx * dx + dy * dy);
}

// The length of the voyage from `start` ({ x, y }) through stops order[0], order[1], ...
// (indices into xs, ys), with the leg back to `start` when `returnHome` is true.
export function voyageLength(start, xs, ys, order, returnHome) {
  let length = 0, x = start.x, y = start.y;
  for (const stop of order) {
    length += legLength(x, y, xs[stop], ys[stop]);
    x = xs[stop];
    y = ys[stop];
  }
  if (returnHome) length += legLength(x, y, start.x, start.y);
  return length;
}
