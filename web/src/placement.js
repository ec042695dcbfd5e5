// Decides which labels show at each zoom level, so that no two shown labels overlap.
//
// Every island gets one box holding both its labels (the difficulty centred on the
// island's point, the name below it), every ship a box around its difficulty. Each box
// contains its own point, so two boxes apart at one zoom stay apart at every higher
// zoom: the points spread while the boxes keep their size on screen. Zoom levels are
// computed from the lowest up, each starting with the boxes kept at the level below
// and adding, in a fixed priority order, every box that still has room. A label shown
// at one zoom therefore shows at every higher zoom, and what shows depends on the zoom
// only, never on the view. Levels are computed when first needed.
//
// A ship's label takes room only where no island's box lies, placed or not: kept at
// every higher zoom, it could otherwise hold back an island label that would have fit
// there, and islands outrank ships.
'use strict';
(() => {
  const tlmaper = (window.tlmaper ??= {});

  const NeverPlaced = 127;
  // Room kept around each box, in screen pixels: it absorbs the rounding of marker
  // positions to whole pixels and the outline drawn around label text, and keeps
  // labels far enough apart to be read one by one.
  const Slack = 4;
  // Where the tool's label forms anchor their text: a difficulty is centred on its
  // point (4 or 7 pixels in, half a line up); a name hangs 4 pixels left, 15 below.
  const NameAnchor = { x: 4, y: -15 };
  const DifficultyAnchorY = 7.5;
  const CollisionCell = 64;     // pixels
  const ViewCell = 256;         // pixels
  const MostCollisionCells = 1 << 20;
  const MostViewCells = 1 << 16;

  function difficultyAnchorX(text) {
    return text.length === 1 ? 4 : 7;
  }

  // The boxes of all labels, islands first, then ships, in screen pixels relative to
  // each label's point. `metrics` measures text: difficultyWidth(text),
  // nameSize(text) -> { width, height }, and lineHeight.
  function makeLabelBoxes(world, metrics) {
    const { islands, ships } = world;
    const count = islands.count + ships.count;
    const boxes = {
      count,
      islandCount: islands.count,
      x: new Float64Array(count),
      y: new Float64Array(count),
      left: new Float32Array(count),
      top: new Float32Array(count),
      right: new Float32Array(count),
      bottom: new Float32Array(count),
    };
    const difficultyBottom = metrics.lineHeight - DifficultyAnchorY;
    const setDifficultyBox = (i, x, y, difficulty) => {
      const text = String(difficulty);
      const anchorX = difficultyAnchorX(text);
      boxes.x[i] = x;
      boxes.y[i] = y;
      boxes.left[i] = -anchorX - Slack;
      boxes.top[i] = -DifficultyAnchorY - Slack;
      boxes.right[i] = metrics.difficultyWidth(text) - anchorX + Slack;
      boxes.bottom[i] = difficultyBottom + Slack;
    };
    for (let i = 0; i < islands.count; i++) {
      setDifficultyBox(i, islands.x[i], islands.y[i], islands.difficulty[i]);
      const name = metrics.nameSize(islands.names[i]);
      boxes.left[i] = Math.min(boxes.left[i], -NameAnchor.x - Slack);
      boxes.right[i] = Math.max(boxes.right[i], name.width - NameAnchor.x + Slack);
      boxes.bottom[i] = Math.max(boxes.bottom[i], name.height - NameAnchor.y + Slack);
    }
    for (let j = 0; j < ships.count; j++) {
      setDifficultyBox(islands.count + j, ships.x[j], ships.y[j], ships.difficulty[j]);
    }
    return boxes;
  }

  // The fixed order in which labels claim room: towns, then explored islands, then the
  // other islands, each in save order, then the ships.
  function priorityOrder(world) {
    const { islands, ships } = world;
    const order = new Int32Array(islands.count + ships.count);
    let k = 0;
    for (let i = 0; i < islands.count; i++) if (islands.isTown[i]) order[k++] = i;
    for (let i = 0; i < islands.count; i++) {
      if (!islands.isTown[i] && islands.isExplored[i]) order[k++] = i;
    }
    for (let i = 0; i < islands.count; i++) {
      if (!islands.isTown[i] && !islands.isExplored[i]) order[k++] = i;
    }
    for (let j = 0; j < ships.count; j++) order[k++] = islands.count + j;
    return order;
  }

  // The bounds of a set of points, or null when it is empty.
  function pointBounds(xs, ys, indices) {
    if (indices.length === 0) return null;
    let minX = Infinity, minY = Infinity, maxX = -Infinity, maxY = -Infinity;
    for (const i of indices) {
      const x = xs[i], y = ys[i];
      if (x < minX) minX = x;
      if (x > maxX) maxX = x;
      if (y < minY) minY = y;
      if (y > maxY) maxY = y;
    }
    return { minX, minY, maxX, maxY };
  }

  // A fixed set of points in cells, for finding the points inside a rectangle. Cells
  // hold the points' indices in one array, cell after cell.
  class PointGrid {
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
      this.columns = Math.floor(spanX / cell) + 1;
      this.rows = Math.floor(spanY / cell) + 1;
      const cellOf = new Int32Array(indices.length);
      const starts = new Int32Array(this.columns * this.rows + 1);
      indices.forEach((i, k) => {
        const c = Math.floor((xs[i] - this.minX) / cell) * this.rows +
                  Math.floor((ys[i] - this.minY) / cell);
        cellOf[k] = c;
        starts[c + 1]++;
      });
      for (let c = 0; c < this.columns * this.rows; c++) starts[c + 1] += starts[c];
      const filled = starts.slice(0, -1);
      this.items = new Int32Array(indices.length);
      indices.forEach((i, k) => { this.items[filled[cellOf[k]]++] = i; });
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

  // The boxes placed so far at one zoom, in cells of screen pixels, each box listed in
  // every cell it touches.
  class CollisionGrid {
    constructor(boxes, scale) {
      let minX = Infinity, minY = Infinity, maxX = -Infinity, maxY = -Infinity;
      for (let i = 0; i < boxes.count; i++) {
        minX = Math.min(minX, boxes.x[i] * scale + boxes.left[i]);
        maxX = Math.max(maxX, boxes.x[i] * scale + boxes.right[i]);
        minY = Math.min(minY, boxes.y[i] * scale + boxes.top[i]);
        maxY = Math.max(maxY, boxes.y[i] * scale + boxes.bottom[i]);
      }
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
      this.placedBox = new Float64Array(boxes.count * 4);
    }

    cellRange(x0, y0, x1, y1) {
      return [
        Math.floor((x0 - this.minX) / this.cell), Math.floor((y0 - this.minY) / this.cell),
        Math.floor((x1 - this.minX) / this.cell), Math.floor((y1 - this.minY) / this.cell),
      ];
    }

    // Whether the box overlaps a placed one. Boxes that only touch do not overlap.
    overlaps(x0, y0, x1, y1) {
      const [c0, r0, c1, r1] = this.cellRange(x0, y0, x1, y1);
      const placed = this.placedBox;
      for (let c = c0; c <= c1; c++) {
        for (let r = r0; r <= r1; r++) {
          for (let e = this.head[c * this.rows + r]; e >= 0; e = this.next[e]) {
            const b = this.item[e] * 4;
            if (x0 < placed[b + 2] && placed[b] < x1 && y0 < placed[b + 3] && placed[b + 1] < y1) {
              return true;
            }
          }
        }
      }
      return false;
    }

    insert(i, x0, y0, x1, y1) {
      const b = i * 4;
      this.placedBox[b] = x0;
      this.placedBox[b + 1] = y0;
      this.placedBox[b + 2] = x1;
      this.placedBox[b + 3] = y1;
      const [c0, r0, c1, r1] = this.cellRange(x0, y0, x1, y1);
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
          this.item[this.entries] = i;
          this.next[this.entries] = this.head[cell];
          this.head[cell] = this.entries++;
        }
      }
    }
  }

  class Placement {
    constructor(world, boxes, minZoom, maxZoom) {
      this.boxes = boxes;
      this.order = priorityOrder(world);
      this.minZoom = minZoom;
      this.maxZoom = maxZoom;
      this.pinned = -1;
      this.reset();
      let minLeft = 0, minTop = 0, maxRight = 0, maxBottom = 0;
      for (let i = 0; i < boxes.count; i++) {
        minLeft = Math.min(minLeft, boxes.left[i]);
        minTop = Math.min(minTop, boxes.top[i]);
        maxRight = Math.max(maxRight, boxes.right[i]);
        maxBottom = Math.max(maxBottom, boxes.bottom[i]);
      }
      this.reach = { minLeft, minTop, maxRight, maxBottom };
      const islands = Int32Array.from({ length: boxes.islandCount }, (_, i) => i);
      this.islandGrid = new PointGrid(boxes.x, boxes.y, islands, CollisionCell, MostCollisionCells);
    }

    // Whether the box (x0, y0)-(x1, y1), in screen pixels at `scale`, overlaps the box of
    // any island, shown or not.
    meetsAnIsland(scale, x0, y0, x1, y1) {
      const { boxes, reach } = this;
      let met = false;
      this.islandGrid.forEachIn(
        (x0 - reach.maxRight) / scale, (y0 - reach.maxBottom) / scale,
        (x1 - reach.minLeft) / scale, (y1 - reach.minTop) / scale, (i) => {
          const x = boxes.x[i] * scale, y = boxes.y[i] * scale;
          met = x + boxes.left[i] < x1 && x + boxes.right[i] > x0 &&
                y + boxes.top[i] < y1 && y + boxes.bottom[i] > y0;
          return met;
        });
      return met;
    }

    reset() {
      this.generation = (this.generation ?? 0) + 1;
      this.placedZoom = new Int8Array(this.boxes.count).fill(NeverPlaced);
      this.levels = new Map();  // zoom -> { placed: Int32Array, grid: PointGrid }
    }

    // Makes `index` outrank every other label at every zoom, until another is pinned;
    // -1 pins none. The levels are computed anew as they are needed.
    pin(index) {
      if (index === this.pinned) return;
      this.pinned = index;
      this.reset();
    }

    // The whole zoom level at or below `zoom` that placement works at.
    levelOf(zoom) {
      return Math.max(this.minZoom, Math.min(this.maxZoom, Math.floor(zoom)));
    }

    // Whether label `i` shows at `zoom`.
    shows(i, zoom) {
      const level = this.levelOf(zoom);
      this.level(level);
      return this.placedZoom[i] <= level;
    }

    // Places the lowest level not placed yet; false when every level is placed.
    placeNextLevel() {
      for (let zoom = this.minZoom; zoom <= this.maxZoom; zoom++) {
        if (!this.levels.has(zoom)) {
          this.level(zoom);
          return true;
        }
      }
      return false;
    }

    level(zoom) {
      let level = this.levels.get(zoom);
      if (!level) {
        if (zoom > this.minZoom) this.level(zoom - 1);
        level = this.computeLevel(zoom);
        this.levels.set(zoom, level);
      }
      return level;
    }

    computeLevel(zoom) {
      const { boxes, placedZoom } = this;
      const scale = 2 ** zoom;
      const grid = new CollisionGrid(boxes, scale);
      const placed = [];
      const tryPlace = (i, always) => {
        const x = boxes.x[i] * scale, y = boxes.y[i] * scale;
        const x0 = x + boxes.left[i], y0 = y + boxes.top[i];
        const x1 = x + boxes.right[i], y1 = y + boxes.bottom[i];
        if (!always && grid.overlaps(x0, y0, x1, y1)) return;
        if (!always && i >= boxes.islandCount && this.meetsAnIsland(scale, x0, y0, x1, y1)) return;
        grid.insert(i, x0, y0, x1, y1);
        placed.push(i);
        if (placedZoom[i] > zoom) placedZoom[i] = zoom;
      };
      const below = this.levels.get(zoom - 1);
      if (below) {
        for (const i of below.placed) tryPlace(i, true);
      } else if (this.pinned >= 0) {
        tryPlace(this.pinned, true);
      }
      for (const i of this.order) if (placedZoom[i] > zoom) tryPlace(i, false);
      const cell = ViewCell / scale;
      return {
        placed: Int32Array.from(placed),
        grid: new PointGrid(boxes.x, boxes.y, placed, cell, MostViewCells),
      };
    }

    // The labels shown at `zoom` whose boxes reach into the rectangle of screen pixels
    // (x0, y0)-(x1, y1), measured from the world's origin at that zoom's scale.
    inView(zoom, x0, y0, x1, y1) {
      const { boxes, reach } = this;
      const scale = 2 ** zoom;
      const found = [];
      this.level(this.levelOf(zoom)).grid.forEachIn(
        (x0 - reach.maxRight) / scale, (y0 - reach.maxBottom) / scale,
        (x1 - reach.minLeft) / scale, (y1 - reach.minTop) / scale, (i) => {
          const x = boxes.x[i] * scale, y = boxes.y[i] * scale;
          if (x + boxes.left[i] < x1 && x + boxes.right[i] > x0 &&
              y + boxes.top[i] < y1 && y + boxes.bottom[i] > y0) {
            found.push(i);
          }
        });
      return found;
    }
  }

  tlmaper.placement = { makeLabelBoxes, priorityOrder, Placement, PointGrid, difficultyAnchorX };
})();
