// A spatial index of fixed points: which of them lie inside a rectangle.

// The bounds of a set of points (`indices` into xs, ys, or null for all of them), or null
// when it is empty.
export function pointBounds(xs, ys, indices) {
  const count = indices === null ? xs.length : indices.length;
  if (count === 0) return null;
  let minX = Infinity, minY = Infinity, maxX = -Infinity, maxY = -Infinity;
  for (let k = 0; k < count; k++) {
    const i = indices === null ? k : indices[k];
    const x = xs[i], y = ys[i];
    if (x < minX) minX = x;
    if (x > maxX) maxX = x;
    if (y < minY) minY = y;
    if (y > maxY) maxY = y;
  }
  return { minX, minY, maxX, maxY };
}

// A fixed set of points in cells, for finding the points inside a rectangle. Cells
// hold the points' indices in one array, cell after cell. `indices` lists the points of
// xs, ys to hold, or is null for all of them. Built in plain loops: a grid of a few
// hundred thousand points is made while the first view waits.
export class PointGrid {
  constructor(xs, ys, indices, cellSize, mostCells) {
    this.xs = xs;
    this.ys = ys;
    const bounds = pointBounds(xs, ys, indices) ?? { minX: 0, minY: 0, maxX: 0, maxY: 0 };
    const spanX = bounds.maxX - bounds.minX, spanY = bounds.maxY - bounds.minY;
    let cell = cellSize;
    while ((Math.floor(spanX / cell) + 1) * (Math.floor(spanY / cell) + 1) > mostCells) cell *= 2;
    this.cell = cell;
    this.minX = bounds.minX;
    this.minY = bounds.minY;
    const columns = Math.floor(spanX / cell) + 1, rows = Math.floor(spanY / cell) + 1;
    this.columns = columns;
    this.rows = rows;
    const count = indices === null ? xs.length : indices.length;
    const cellOf = new Int32Array(count);
    const starts = new Int32Array(columns * rows + 1);
    const { minX, minY } = bounds;
    for (let k = 0; k < count; k++) {
      const i = indices === null ? k : indices[k];
      const c = Math.floor((xs[i] - minX) / cell) * rows + Math.floor((ys[i] - minY) / cell);
      cellOf[k] = c;
      starts[c + 1]++;
    }
    for (let c = 0; c < columns * rows; c++) starts[c + 1] += starts[c];
    const filled = starts.slice(0, -1);
    const items = new Int32Array(count);
    for (let k = 0; k < count; k++) items[filled[cellOf[k]]++] = indices === null ? k : indices[k];
    this.items = items;
    this.starts = starts;
  }

  // Calls visit(i) for every point with x0 <= x <= x1 and y0 <= y <= y1, until a call
  // returns true.
  forEachIn(x0, y0, x1, y1, visit) {
    const clampColumn = (v) => Math.min(this.columns - 1, Math.max(0, v));
    const clampRow = (v) => Math.min(this.rows - 1, Math.max(0, v));
    const c0 = clampColumn(Math.floor((x0 - this.minX) / this.cell));
    const c1 = clampColumn(Math.floor((x1 - this.minX) / this.cell));
    const r0 = clampRow(Math.floor((y0 - this.minY) / this.cell));
    const r1 = clampRow(Math.floor((y1 - this.minY) / this.cell));
    if (x1 < this.minX || y1 < this.minY) return;
    for (let c = c0; c <= c1; c++) {
      const end = this.starts[c * this.rows + r1 + 1];
      for (let k = this.starts[c * this.rows + r0]; k < end; k++) {
        const i = this.items[k];
        const x = this.xs[i], y = this.ys[i];
        if (x >= x0 && x <= x1 && y >= y0 && y <= y1 && visit(i) === true) return;
      }
    }
  }
}
