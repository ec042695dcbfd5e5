// The islands nearest the player that a filter lets through, found by looking in ever
// larger squares of a grid of cells around the player: the few cells nearby answer in a
// populated sea, and no list of every island is ever sorted.

// The `k` islands nearest `from` ({ x, y } in world units) for which accepts(i) holds,
// nearest first (ties in island order). `grid` is a PointGrid of the islands (see
// squares-at.js); `xs`, `ys` are their coordinates.
export function nearestIslands(grid, xs, ys, from, accepts, k) {
  if (k <= 0) return [];
  const span = searchSpan(grid, from);
  const best = [];  // { index, squared } kept sorted, at most k
  const add = (index) => {
    if (!accepts(index)) return;
    const dx = xs[index] - from.x;
    const dy = ys[index] - from.y;
    const squared = dx * dx + dy * dy;
    if (best.length === k) {
      const last = best[k - 1];
      if (squared > last.squared || (squared === last.squared && index > last.index)) return;
    }
    let at = best.length;
    while (at > 0 && (best[at - 1].squared > squared ||
                      (best[at - 1].squared === squared && best[at - 1].index > index))) at--;
    best.splice(at, 0, { index, squared });
    if (best.length > k) best.pop();
  };
  // Each round looks at the ring between the last square and one twice as wide. Once k
  // islands lie within the inner radius of the square looked through, none outside it
  // can be nearer.
  let inner = -1;
  for (let radius = grid.cell; ; radius *= 2) {
    grid.forEachIn(from.x - radius, from.y - radius, from.x + radius, from.y + radius, (i) => {
      const dx = Math.abs(xs[i] - from.x);
      const dy = Math.abs(ys[i] - from.y);
      if (Math.max(dx, dy) > inner) add(i);
    });
    inner = radius;
    const done = best.length === k && best[k - 1].squared <= radius * radius;
    if (done || radius > span) break;
  }
  return best.map(({ index }) => index);
}

// How far any island of `grid` can lie from `from`, along an axis, plus one cell: the
// search need not look beyond it.
function searchSpan(grid, from) {
  const reach = (min, size, at) => Math.max(Math.abs(at - min), Math.abs(min + size - at));
  return Math.max(reach(grid.minX, grid.columns * grid.cell, from.x),
                  reach(grid.minY, grid.rows * grid.cell, from.y)) + grid.cell;
}
