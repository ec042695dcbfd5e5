// Collision geometry: whether a label meets another label, or an island's square, at
// some zoom from a level up to the highest.

import { HalfSquare } from './label-boxes.js';
import { PointGrid } from './point-grid.js';

const CollisionCell = 64;     // pixels
const MostCollisionCells = 1 << 20;

// Whether some f in [fmin, 1] satisfies c[k] < f * k[k] for all four constraints,
// given as c0, k0, c1, k1, ... in `terms`. A label shown at scale t, seen at the scale s
// of a level, has its box shrunk by f = s / t towards its anchor; two labels (or a
// label and a square, which grows with the map) meet at some zoom from the level up to
// the highest exactly when such an f exists.
export function meetsOnTheWayIn(terms, fmin) {
  if (fmin >= 1) {
    return terms[0] < terms[1] && terms[2] < terms[3] && terms[4] < terms[5] && terms[6] < terms[7];
  }
  let lo = fmin, hi = 1;
  for (let t = 0; t < 8; t += 2) {
    const c = terms[t], k = terms[t + 1];
    if (k > 0) {
      if (c / k > lo) lo = c / k;
    } else if (k < 0) {
      if (c / k < hi) hi = c / k;
    } else if (c >= 0) {
      return false;
    }
  }
  return lo < hi;
}

// The labels placed so far at one level, in cells of the level's pixels, each listed
// in every cell its reach touches: its box and its anchor, which the box shrinks
// towards on zooming in.
export class CollisionGrid {
  constructor(placement, scale, fmin) {
    const { worldBox, reach } = placement;
    this.placement = placement;
    this.scale = scale;
    this.fmin = fmin;
    this.terms = new Float64Array(8);
    this.range = new Int32Array(4);
    const minX = worldBox.minX * scale + Math.min(0, reach.minLeft);
    const minY = worldBox.minY * scale + Math.min(0, reach.minTop);
    const maxX = worldBox.maxX * scale + Math.max(0, reach.maxRight);
    const maxY = worldBox.maxY * scale + Math.max(0, reach.maxBottom);
    let cell = CollisionCell;
    const cellsFor = (size) =>
      (Math.floor((maxX - minX) / size) + 1) * (Math.floor((maxY - minY) / size) + 1);
    while (cellsFor(cell) > MostCollisionCells) cell *= 2;
    this.cell = cell;
    this.minX = minX;
    this.minY = minY;
    this.columns = Math.floor((maxX - minX) / cell) + 1;
    this.rows = Math.floor((maxY - minY) / cell) + 1;
    this.head = new Int32Array(this.columns * this.rows).fill(-1);
    this.next = new Int32Array(1024);
    this.item = new Int32Array(1024);
    this.entries = 0;
  }

  // The cells that the reach of label `id` touches, clamped: into this.range as
  // [c0, r0, c1, r1].
  cellRange(id) {
    const { anchorX, anchorY, boxes } = this.placement;
    const x = anchorX[id] * this.scale - this.minX, y = anchorY[id] * this.scale - this.minY;
    const b = id * 4, cell = this.cell, range = this.range;
    range[0] = Math.floor((x + Math.min(0, boxes[b])) / cell);
    range[1] = Math.floor((y + Math.min(0, boxes[b + 1])) / cell);
    range[2] = Math.floor((x + Math.max(0, boxes[b + 2])) / cell);
    range[3] = Math.floor((y + Math.max(0, boxes[b + 3])) / cell);
    range[0] = Math.max(0, Math.min(this.columns - 1, range[0]));
    range[2] = Math.max(0, Math.min(this.columns - 1, range[2]));
    range[1] = Math.max(0, Math.min(this.rows - 1, range[1]));
    range[3] = Math.max(0, Math.min(this.rows - 1, range[3]));
    return range;
  }

  // Whether label `id` meets a placed label at some zoom from this level up.
  meets(id) {
    const { anchorX, anchorY, boxes } = this.placement;
    const s = this.scale, terms = this.terms, rows = this.rows, fmin = this.fmin;
    const head = this.head, next = this.next, item = this.item;
    const ax = anchorX[id] * s, ay = anchorY[id] * s, a = id * 4;
    // This label's reach: its box and its anchor, in the level's pixels.
    const aLeft = ax + Math.min(0, boxes[a]), aTop = ay + Math.min(0, boxes[a + 1]);
    const aRight = ax + Math.max(0, boxes[a + 2]), aBottom = ay + Math.max(0, boxes[a + 3]);
    const range = this.cellRange(id);
    const c0 = range[0], r0 = range[1], c1 = range[2], r1 = range[3];
    for (let c = c0; c <= c1; c++) {
      for (let r = r0; r <= r1; r++) {
        for (let e = head[c * rows + r]; e >= 0; e = next[e]) {
          const other = item[e];
          const bx = anchorX[other] * s, by = anchorY[other] * s, b = other * 4;
          // Labels whose reaches do not meet never meet.
          if (aRight <= bx + Math.min(0, boxes[b]) || bx + Math.max(0, boxes[b + 2]) <= aLeft ||
              aBottom <= by + Math.min(0, boxes[b + 1]) ||
              by + Math.max(0, boxes[b + 3]) <= aTop) continue;
          terms[0] = ax - bx; terms[1] = boxes[b + 2] - boxes[a];
          terms[2] = bx - ax; terms[3] = boxes[a + 2] - boxes[b];
          terms[4] = ay - by; terms[5] = boxes[b + 3] - boxes[a + 1];
          terms[6] = by - ay; terms[7] = boxes[a + 3] - boxes[b + 1];
          if (meetsOnTheWayIn(terms, fmin)) return true;
        }
      }
    }
    return false;
  }

  insert(id) {
    const range = this.cellRange(id);
    const c0 = range[0], r0 = range[1], c1 = range[2], r1 = range[3];
    for (let c = c0; c <= c1; c++) {
      for (let r = r0; r <= r1; r++) {
        if (this.entries === this.next.length) {
          const next = new Int32Array(this.entries * 2), item = new Int32Array(this.entries * 2);
          next.set(this.next);
          item.set(this.item);
          this.next = next;
          this.item = item;
        }
        const cell = c * this.rows + r;
        this.item[this.entries] = id;
        this.next[this.entries] = this.head[cell];
        this.head[cell] = this.entries++;
      }
    }
  }
}

// Whether island `i`'s name, where it is put, covers another island's square at some
// zoom from the level at `scale` up.
export function coversAnIsland(placement, i, scale, fmin) {
  const { anchorX, anchorY, boxes, terms } = placement;
  const { islands } = placement.world;
  const id = placement.labels.firstName + i, a = id * 4;
  const ax = anchorX[id] * scale, ay = anchorY[id] * scale;
  const reach = (v) => v / scale;
  let covers = false;
  islandGridFor(placement, scale).forEachIn(
    anchorX[id] + reach(Math.min(0, boxes[a])) - HalfSquare,
    anchorY[id] + reach(Math.min(0, boxes[a + 1])) - HalfSquare,
    anchorX[id] + reach(Math.max(0, boxes[a + 2])) + HalfSquare,
    anchorY[id] + reach(Math.max(0, boxes[a + 3])) + HalfSquare, (k) => {
      if (k === i) return false;
      const x0 = (islands.x[k] - HalfSquare) * scale, x1 = (islands.x[k] + HalfSquare) * scale;
      const y0 = (islands.y[k] - HalfSquare) * scale, y1 = (islands.y[k] + HalfSquare) * scale;
      terms[0] = ax - x1; terms[1] = -boxes[a];
      terms[2] = x0 - ax; terms[3] = boxes[a + 2];
      terms[4] = ay - y1; terms[5] = -boxes[a + 1];
      terms[6] = y0 - ay; terms[7] = boxes[a + 3];
      covers = meetsOnTheWayIn(terms, fmin);
      return covers;
    });
  return covers;
}

// The islands in cells of about a collision cell at `scale`: few to look through for
// a label's reach at any level.
function islandGridFor(placement, scale) {
  const { islands } = placement.world;
  const cell = Math.max(4, CollisionCell / scale);
  let grid = placement.islandGrids.get(cell);
  if (!grid) {
    const all = Int32Array.from({ length: islands.count }, (_, i) => i);
    grid = new PointGrid(islands.x, islands.y, all, cell, MostCollisionCells);
    placement.islandGrids.set(cell, grid);
  }
  return grid;
}
