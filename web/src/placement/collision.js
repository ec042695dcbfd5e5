// Collision geometry: whether a label meets another label, or an island's square, at
// some zoom from a level up to the highest.

import { HalfSquare } from './label-boxes.js';
import { PointGrid } from './point-grid.js';

const CollisionCell = 64;     // pixels
const MostCollisionCells = 1 << 20;
// The cells of the island grids that names are checked against, in world units: two
// grids serve every level.
const SmallestIslandCell = 4;
const LargestIslandCell = 16;
const SmallCellsAfter = 4096;  // questions
// The largest raster of covered pixels a level keeps (a byte a pixel): the world's pixels
// at the levels up to zoom 0 of a world 2,000 units wide.
const MostRasterPixels = 1 << 23;
// How far in from a box's edges a pixel must lie to count as wholly inside it.
const RasterMargin = 1e-6;
// How far in from its box's edges a label is looked at on the raster: far enough that
// rounding never puts a point on the edge or outside.
const SampleInset = 0.25;

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
//
// With `covering`, the grid also keeps a raster of the level's pixels over the world
// (where it is small enough) marking the pixels that lie wholly inside a placed box. A
// label whose box reaches over such a pixel overlaps that box at the level itself, so it
// meets it without a look through the cells: at the lowest levels, where a few hundred
// labels cover the whole world, that answers most questions. A second raster marks the
// pixels on which the anchor of the narrowest difficulty (every difficulty's box is
// centred on its anchor and at least as large) would reach over a covered pixel, so a
// difficulty is answered there with one look.
export class CollisionGrid {
  constructor(placement, scale, fmin, covering = false) {
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
    this.covered = null;
    this.near = null;
    if (covering) {
      const left = Math.floor(worldBox.minX * scale), top = Math.floor(worldBox.minY * scale);
      const width = Math.ceil(worldBox.maxX * scale) - left + 1;
      const height = Math.ceil(worldBox.maxY * scale) - top + 1;
      if (width * height <= MostRasterPixels) {
        this.covered = new Uint8Array(width * height);
        this.rasterLeft = left;
        this.rasterTop = top;
        this.rasterWidth = width;
        this.rasterHeight = height;
        const { halfWidth, halfHeight } = placement.narrowest;
        if (halfWidth < Infinity) {
          this.near = new Uint8Array(width * height);
          // Anchored anywhere in pixel a, that box reaches over every pixel from
          // a + nearLow to a + nearHigh, on each axis.
          this.nearLowX = Math.ceil(-halfWidth + RasterMargin);
          this.nearHighX = Math.ceil(halfWidth - RasterMargin) - 1;
          this.nearLowY = Math.ceil(-halfHeight + RasterMargin);
          this.nearHighY = Math.ceil(halfHeight - RasterMargin) - 1;
        }
      }
    }
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
    return this.coveredAt(id) || this.blocker(id) >= 0;
  }

  // Whether label `id`'s box reaches over a pixel of the raster that a placed box covers
  // wholly (then the two boxes overlap at this level): for a difficulty, whether its
  // anchor lies on a pixel of the second raster; for any label, whether one of nine
  // points spread over its box (its corners a little way in, the middles of its sides
  // and its centre) lies on a covered pixel.
  coveredAt(id) {
    if (this.covered === null) return false;
    const { anchorX, anchorY, boxes, labels } = this.placement;
    const b = id * 4, s = this.scale;
    const x = anchorX[id] * s - this.rasterLeft, y = anchorY[id] * s - this.rasterTop;
    if (this.near !== null && id < labels.firstName) {
      const column = Math.floor(x), row = Math.floor(y);
      if (column >= 0 && row >= 0 && column < this.rasterWidth && row < this.rasterHeight &&
          this.near[row * this.rasterWidth + column] === 1) return true;
    }
    const left = x + boxes[b] + SampleInset, right = x + boxes[b + 2] - SampleInset;
    const top = y + boxes[b + 1] + SampleInset, bottom = y + boxes[b + 3] - SampleInset;
    const middleX = (left + right) / 2, middleY = (top + bottom) / 2;
    return this.coveredPixel(middleX, middleY) ||
      this.coveredPixel(left, top) || this.coveredPixel(right, top) ||
      this.coveredPixel(left, bottom) || this.coveredPixel(right, bottom) ||
      this.coveredPixel(middleX, top) || this.coveredPixel(middleX, bottom) ||
      this.coveredPixel(left, middleY) || this.coveredPixel(right, middleY);
  }

  // Whether the raster's pixel at (x, y), from its top-left corner, is covered.
  coveredPixel(x, y) {
    const column = Math.floor(x), row = Math.floor(y);
    return column >= 0 && row >= 0 && column < this.rasterWidth && row < this.rasterHeight &&
      this.covered[row * this.rasterWidth + column] === 1;
  }

  // Whether labels `id` and `other` meet at some zoom from this level up.
  pairMeets(id, other) {
    const { anchorX, anchorY, boxes } = this.placement;
    const s = this.scale, terms = this.terms;
    const ax = anchorX[id] * s, ay = anchorY[id] * s, a = id * 4;
    const bx = anchorX[other] * s, by = anchorY[other] * s, b = other * 4;
    terms[0] = ax - bx; terms[1] = boxes[b + 2] - boxes[a];
    terms[2] = bx - ax; terms[3] = boxes[a + 2] - boxes[b];
    terms[4] = ay - by; terms[5] = boxes[b + 3] - boxes[a + 1];
    terms[6] = by - ay; terms[7] = boxes[a + 3] - boxes[b + 1];
    return meetsOnTheWayIn(terms, this.fmin);
  }

  // A placed label that label `id` meets at some zoom from this level up, or -1.
  blocker(id) {
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
          if (meetsOnTheWayIn(terms, fmin)) return other;
        }
      }
    }
    return -1;
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
    if (this.covered !== null) this.cover(id);
  }

  // Marks the raster's pixels that lie wholly inside label `id`'s box, kept a little
  // way in from its edges so that rounding never marks one the box only touches.
  cover(id) {
    const { anchorX, anchorY, boxes } = this.placement;
    const b = id * 4, s = this.scale;
    const x = anchorX[id] * s - this.rasterLeft, y = anchorY[id] * s - this.rasterTop;
    const x0 = Math.max(0, Math.floor(x + boxes[b] + RasterMargin) + 1);
    const x1 = Math.min(this.rasterWidth - 1, Math.ceil(x + boxes[b + 2] - RasterMargin) - 2);
    const y0 = Math.max(0, Math.floor(y + boxes[b + 1] + RasterMargin) + 1);
    const y1 = Math.min(this.rasterHeight - 1, Math.ceil(y + boxes[b + 3] - RasterMargin) - 2);
    for (let row = y0; row <= y1; row++) {
      this.covered.fill(1, row * this.rasterWidth + x0, row * this.rasterWidth + x1 + 1);
    }
    if (this.near === null || x0 > x1 || y0 > y1) return;
    const near0 = Math.max(0, x0 - this.nearHighX);
    const near1 = Math.min(this.rasterWidth - 1, x1 - this.nearLowX);
    const nearTop = Math.max(0, y0 - this.nearHighY);
    const nearBottom = Math.min(this.rasterHeight - 1, y1 - this.nearLowY);
    for (let row = nearTop; row <= nearBottom; row++) {
      this.near.fill(1, row * this.rasterWidth + near0, row * this.rasterWidth + near1 + 1);
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

// The islands in cells of about a collision cell at `scale`, but never larger than a
// few squares: few to look through for a label's reach at the high levels, and at the
// low ones, where a name's reach spans much of the world, a look that goes through the
// islands near its box first and stops at the first one it covers. A grid of small
// cells pays for its making only over many questions (the first view asks a few hundred
// at the highest zoom): until then, the grid of the largest cells answers them.
function islandGridFor(placement, scale) {
  const { islands } = placement.world;
  const wanted = Math.min(LargestIslandCell, Math.max(SmallestIslandCell, CollisionCell / scale));
  const asked = (placement.islandGridQuestions.get(wanted) ?? 0) + 1;
  placement.islandGridQuestions.set(wanted, asked);
  const cell = asked > SmallCellsAfter ? wanted : LargestIslandCell;
  let grid = placement.islandGrids.get(cell);
  if (!grid) {
    grid = new PointGrid(islands.x, islands.y, null, cell, MostCollisionCells);
    placement.islandGrids.set(cell, grid);
  }
  return grid;
}
