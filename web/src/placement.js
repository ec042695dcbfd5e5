// Decides which labels show at each zoom level, and where, so that no two shown labels
// overlap and no name covers an island.
//
// Every island has two labels: its difficulty, centred on its point, and its name, which
// takes the first of twelve candidate places around the island that has room (below,
// right, left, above, then the same sides with the name leaning to either end). Every
// ship has its difficulty. Zoom levels are computed from the lowest up, each starting
// with the labels kept from the level below, in the same places, and adding in a fixed
// priority order every label that still has room: the islands' difficulties (towns,
// then explored islands, then the rest, each in save order), then the ships'
// difficulties, then the names of the islands whose difficulty shows, in the islands'
// order. A name also keeps off the numbers of the ships still waiting for room, so that
// it never holds one back at a higher zoom. A label shown at one zoom therefore shows,
// in the same place, at every higher zoom, and what shows depends on the zoom only,
// never on the view. Levels are computed when first needed.
//
// A label's box is a fixed rectangle of screen pixels around its anchor, a point of the
// world, so on zooming in the anchors spread while the boxes keep their size. A name's
// anchor is the middle of the island square's edge on its side, and the square (9 x 9
// bitmap pixels) grows with the zoom. A name that leans off its anchor could come to
// meet a label beside it on zooming in; so a label takes room at a level only where it
// meets no label kept there and no island square at any zoom from that level up to the
// highest.
'use strict';
(() => {
  const tlmaper = (window.tlmaper ??= {});

  const NeverPlaced = 127;
  // Room kept around each label, in screen pixels: it absorbs the rounding of marker
  // positions to whole pixels, so that labels computed apart never touch on screen.
  const Slack = 0.5;
  // Space between a name and its island's difficulty, in screen pixels: at least the
  // slack of both, so that the two never stand in each other's way.
  const NameGap = 2 * Slack;
  // Half the side of an island's square, in world units: the bitmap draws a record at
  // world (x, y) as the 9 x 9 pixels around pixel (2x, 2y).
  const HalfSquare = 2.25;
  const CollisionCell = 64;     // pixels
  const ViewCell = 256;         // pixels
  const MostCollisionCells = 1 << 20;
  const MostViewCells = 1 << 16;
  // Placing ahead pauses after this many labels to see whether its idle time is up, and
  // stops this many milliseconds before the end of it.
  const SliceLabels = 256;
  const SliceMargin = 2;

  // The candidate places of a name, in the order they are tried: the side of the island
  // its anchor lies on, and whether the name is centred on that side or leans to one end
  // (right or down for Start below and above, up for Start at the sides).
  const Below = 0, Right = 1, Left = 2, Above = 3;
  const Centre = 0, Start = 1, End = 2;
  const NameCandidates = [
    { side: Below, align: Centre },
    { side: Right, align: Centre },
    { side: Left, align: Centre },
    { side: Above, align: Centre },
    { side: Below, align: Start },
    { side: Below, align: End },
    { side: Above, align: Start },
    { side: Above, align: End },
    { side: Right, align: Start },
    { side: Right, align: End },
    { side: Left, align: Start },
    { side: Left, align: End },
  ];
  const CandidateSide = Int8Array.from(NameCandidates, (c) => c.side);
  const CandidateAlign = Int8Array.from(NameCandidates, (c) => c.align);
  const SideDirection = [[0, 1], [1, 0], [-1, 0], [0, -1]];

  // The labels of a world, measured: label ids 0 .. islands - 1 are the islands'
  // difficulties, then one per ship for theirs, then one per island for its name.
  // `metrics` measures text: difficultyWidth(text), nameSize(text) -> { width, height },
  // and lineHeight. Each difficulty is `difficultyWidth` wide and `lineHeight` high.
  function measureLabels(world, metrics) {
    const { islands, ships } = world;
    const count = 2 * islands.count + ships.count;
    const halfWidth = new Float32Array(islands.count + ships.count);
    islands.difficulty.forEach((d, i) => { halfWidth[i] = metrics.difficultyWidth(String(d)) / 2; });
    ships.difficulty.forEach((d, j) => {
      halfWidth[islands.count + j] = metrics.difficultyWidth(String(d)) / 2;
    });
    const nameWidth = new Float32Array(islands.count);
    const nameHeight = new Float32Array(islands.count);
    for (let i = 0; i < islands.count; i++) {
      const size = metrics.nameSize(islands.names[i]);
      nameWidth[i] = size.width;
      nameHeight[i] = size.height;
    }
    return {
      count, islands: islands.count, ships: ships.count, firstName: islands.count + ships.count,
      halfWidth, halfHeight: metrics.lineHeight / 2, nameWidth, nameHeight,
    };
  }

  // The box of name `i` at candidate `c`, relative to its anchor, without the slack:
  // writes [left, top, right, bottom] into `out` and gives the anchor's side.
  function nameBox(labels, i, c, out) {
    const side = CandidateSide[c], align = CandidateAlign[c];
    const w = labels.nameWidth[i], h = labels.nameHeight[i];
    const dw = labels.halfWidth[i], dh = labels.halfHeight;
    if (side === Right || side === Left) {
      out[0] = side === Right ? dw + NameGap : -dw - NameGap - w;
      out[1] = align === Centre ? -h / 2 : align === Start ? -h : 0;
    } else {
      out[0] = align === Centre ? -w / 2 : align === Start ? -dw : dw - w;
      out[1] = side === Below ? dh + NameGap : -dh - NameGap - h;
    }
    out[2] = out[0] + w;
    out[3] = out[1] + h;
    return side;
  }

  // The fixed order in which islands claim room: towns, then explored islands, then the
  // others, each in save order.
  function islandOrder(islands) {
    const order = new Int32Array(islands.count);
    let k = 0;
    for (let i = 0; i < islands.count; i++) if (islands.isTown[i]) order[k++] = i;
    for (let i = 0; i < islands.count; i++) {
      if (!islands.isTown[i] && islands.isExplored[i]) order[k++] = i;
    }
    for (let i = 0; i < islands.count; i++) {
      if (!islands.isTown[i] && !islands.isExplored[i]) order[k++] = i;
    }
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

  // Whether some f in [fmin, 1] satisfies c[k] < f * k[k] for all four constraints,
  // given as c0, k0, c1, k1, ... in `terms`. A label shown at scale t, seen at the scale s
  // of a level, has its box shrunk by f = s / t towards its anchor; two labels (or a
  // label and a square, which grows with the map) meet at some zoom from the level up to
  // the highest exactly when such an f exists.
  function meetsOnTheWayIn(terms, fmin) {
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
  class CollisionGrid {
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
      const range = this.cellRange(id);
      const c0 = range[0], r0 = range[1], c1 = range[2], r1 = range[3];
      for (let c = c0; c <= c1; c++) {
        for (let r = r0; r <= r1; r++) {
          for (let e = head[c * rows + r]; e >= 0; e = next[e]) {
            const other = item[e];
            const bx = anchorX[other] * s, by = anchorY[other] * s, b = other * 4;
            // Labels whose reaches do not meet never meet.
            if (ax + Math.max(0, boxes[a + 2]) <= bx + Math.min(0, boxes[b]) ||
                bx + Math.max(0, boxes[b + 2]) <= ax + Math.min(0, boxes[a]) ||
                ay + Math.max(0, boxes[a + 3]) <= by + Math.min(0, boxes[b + 1]) ||
                by + Math.max(0, boxes[b + 3]) <= ay + Math.min(0, boxes[a + 1])) continue;
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

  class Placement {
    constructor(world, labels, minZoom, maxZoom) {
      const { islands, ships } = world;
      this.world = world;
      this.labels = labels;
      this.minZoom = minZoom;
      this.maxZoom = maxZoom;
      this.order = islandOrder(islands);
      this.pinned = -1;
      // Every label's anchor (world units) and box (screen pixels around the anchor,
      // slack included). A name's are those of its candidate place, once placed.
      this.anchorX = new Float64Array(labels.count);
      this.anchorY = new Float64Array(labels.count);
      this.boxes = new Float32Array(labels.count * 4);
      this.candidate = new Int8Array(islands.count);
      const setDifficulty = (id, x, y) => {
        const w = labels.halfWidth[id] + Slack, h = labels.halfHeight + Slack;
        this.anchorX[id] = x;
        this.anchorY[id] = y;
        this.boxes.set([-w, -h, w, h], id * 4);
      };
      for (let i = 0; i < islands.count; i++) setDifficulty(i, islands.x[i], islands.y[i]);
      for (let j = 0; j < ships.count; j++) {
        setDifficulty(islands.count + j, ships.x[j], ships.y[j]);
      }
      this.reach = this.measureReach();
      const all = (count) => Int32Array.from({ length: count }, (_, i) => i);
      const islandBounds = pointBounds(islands.x, islands.y, all(islands.count));
      const shipBounds = pointBounds(ships.x, ships.y, all(ships.count));
      const bounds = [islandBounds, shipBounds].filter(Boolean);
      this.worldBox = bounds.length === 0 ? { minX: 0, minY: 0, maxX: 0, maxY: 0 } : {
        minX: Math.min(...bounds.map((b) => b.minX)) - HalfSquare,
        minY: Math.min(...bounds.map((b) => b.minY)) - HalfSquare,
        maxX: Math.max(...bounds.map((b) => b.maxX)) + HalfSquare,
        maxY: Math.max(...bounds.map((b) => b.maxY)) + HalfSquare,
      };
      this.islandGrids = new Map();  // cell size -> PointGrid of the islands
      this.terms = new Float64Array(8);
      this.nameScratch = new Float64Array(4);
      // Per name and candidate: 0 not known yet, 1 free of squares at the highest zoom,
      // 2 covering one there.
      this.topVerdict = new Uint8Array(islands.count * NameCandidates.length);
      this.reset();
    }

    // How far any label's box reaches from its anchor, in screen pixels: at most the
    // widest difficulty beside the widest name, or the highest name below a difficulty.
    measureReach() {
      const { labels } = this;
      let widestName = 0, highestName = 0, widestDifficulty = 0;
      for (let i = 0; i < labels.islands; i++) {
        widestName = Math.max(widestName, labels.nameWidth[i]);
        highestName = Math.max(highestName, labels.nameHeight[i]);
      }
      for (let id = 0; id < labels.firstName; id++) {
        widestDifficulty = Math.max(widestDifficulty, labels.halfWidth[id]);
      }
      const across = widestDifficulty + NameGap + widestName + Slack;
      const down = labels.halfHeight + NameGap + Math.max(highestName, labels.halfHeight) + Slack;
      return { minLeft: -across, minTop: -down, maxRight: across, maxBottom: down };
    }

    // The anchor of island `i`'s name at candidate `c`, in world units.
    nameAnchor(i, c) {
      const [dx, dy] = SideDirection[NameCandidates[c].side];
      const { islands } = this.world;
      return [islands.x[i] + dx * HalfSquare, islands.y[i] + dy * HalfSquare];
    }

    // Puts island `i`'s name at candidate `c`.
    setName(i, c) {
      const id = this.labels.firstName + i, b = id * 4, box = this.nameScratch;
      const side = nameBox(this.labels, i, c, box);
      this.boxes[b] = box[0] - Slack;
      this.boxes[b + 1] = box[1] - Slack;
      this.boxes[b + 2] = box[2] + Slack;
      this.boxes[b + 3] = box[3] + Slack;
      const { islands } = this.world;
      this.anchorX[id] = islands.x[i] + SideDirection[side][0] * HalfSquare;
      this.anchorY[id] = islands.y[i] + SideDirection[side][1] * HalfSquare;
      this.candidate[i] = c;
    }

    // Whether island `i`'s name, put at candidate `c`, covers another island's square at
    // the highest zoom, where the squares are largest. Known for good once asked: in a
    // crowded sea most places fail this way at every level, and cheaply found so.
    blockedAtTop(i, c) {
      const k = i * NameCandidates.length + c;
      if (this.topVerdict[k] === 0) {
        this.setName(i, c);
        this.topVerdict[k] = this.coversAnIsland(i, 2 ** this.maxZoom, 1) ? 2 : 1;
      }
      return this.topVerdict[k] === 2;
    }

    // Whether island `i`'s name, where it is put, covers another island's square at some
    // zoom from the level at `scale` up.
    coversAnIsland(i, scale, fmin) {
      const { anchorX, anchorY, boxes, terms } = this;
      const { islands } = this.world;
      const id = this.labels.firstName + i, a = id * 4;
      const ax = anchorX[id] * scale, ay = anchorY[id] * scale;
      const reach = (v) => v / scale;
      let covers = false;
      this.islandGridFor(scale).forEachIn(
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
    islandGridFor(scale) {
      const { islands } = this.world;
      const cell = Math.max(4, CollisionCell / scale);
      let grid = this.islandGrids.get(cell);
      if (!grid) {
        const all = Int32Array.from({ length: islands.count }, (_, i) => i);
        grid = new PointGrid(islands.x, islands.y, all, cell, MostCollisionCells);
        this.islandGrids.set(cell, grid);
      }
      return grid;
    }

    reset() {
      this.generation = (this.generation ?? 0) + 1;
      this.pending = null;      // a level placed in part: { zoom, work }
      this.placedZoom = new Int8Array(this.labels.count).fill(NeverPlaced);
      this.levels = new Map();  // zoom -> { placed: Int32Array, grid: PointGrid }
    }

    // Makes island `index`'s labels outrank every other label at every zoom, until
    // another is pinned; -1 pins none. The levels are computed anew as they are needed.
    pin(index) {
      if (index === this.pinned) return;
      this.pinned = index;
      this.reset();
    }

    // The whole zoom level at or below `zoom` that placement works at.
    levelOf(zoom) {
      return Math.max(this.minZoom, Math.min(this.maxZoom, Math.floor(zoom)));
    }

    // Whether label `id` shows at `zoom`.
    shows(id, zoom) {
      const level = this.levelOf(zoom);
      this.level(level);
      return this.placedZoom[id] <= level;
    }

    // Places the lowest level not placed yet, in slices of work while `deadline` (an idle
    // deadline) leaves time, so that placing ahead never holds up a pan or a zoom for
    // long; the next call goes on where this one stopped. False when every level is
    // placed.
    placeNextLevel(deadline) {
      let zoom = this.minZoom;
      while (zoom <= this.maxZoom && this.levels.has(zoom)) zoom++;
      if (zoom > this.maxZoom) return false;
      if (this.pending?.zoom !== zoom) this.pending = { zoom, work: this.levelWork(zoom) };
      do {
        const step = this.pending.work.next();
        if (step.done) {
          this.levels.set(zoom, step.value);
          this.pending = null;
          break;
        }
      } while (deadline.timeRemaining() > SliceMargin);
      return true;
    }

    level(zoom) {
      let level = this.levels.get(zoom);
      if (!level) {
        if (zoom > this.minZoom) this.level(zoom - 1);
        const work = this.pending?.zoom === zoom ? this.pending.work : this.levelWork(zoom);
        let step = work.next();
        while (!step.done) step = work.next();
        level = step.value;
        this.pending = null;
        this.levels.set(zoom, level);
      }
      return level;
    }

    // Computes level `zoom` (the one below it placed), pausing every few hundred labels;
    // gives the level when done.
    *levelWork(zoom) {
      const { labels, placedZoom } = this;
      const scale = 2 ** zoom, fmin = scale / 2 ** this.maxZoom;
      const grid = new CollisionGrid(this, scale, fmin);
      const placed = [];
      const place = (id) => {
        grid.insert(id);
        placed.push(id);
        if (placedZoom[id] > zoom) placedZoom[id] = zoom;
      };
      const waiting = (id) => placedZoom[id] > zoom;
      let done = 0;
      const below = this.levels.get(zoom - 1);
      if (below) {
        for (const id of below.placed) {
          place(id);
          if (++done % SliceLabels === 0) yield;
        }
      } else if (this.pinned >= 0) {
        const i = this.pinned;
        place(i);
        let c = 0;
        while (c < NameCandidates.length) {
          this.setName(i, c);
          if (!this.coversAnIsland(i, scale, fmin)) break;
          c++;
        }
        if (c === NameCandidates.length) this.setName(i, 0);
        place(labels.firstName + i);
      }
      for (const i of this.order) {
        if (waiting(i) && !grid.meets(i)) place(i);
        if (++done % SliceLabels === 0) yield;
      }
      // The ships that find no room yet keep theirs from names: placed at this level, a
      // name would stay at every higher zoom, where the ship's number would have fitted.
      const shipsWaiting = new CollisionGrid(this, scale, fmin);
      for (let id = labels.islands; id < labels.firstName; id++) {
        if (!waiting(id)) continue;
        if (!grid.meets(id)) place(id);
        else shipsWaiting.insert(id);
        if (++done % SliceLabels === 0) yield;
      }
      for (const i of this.order) {
        const id = labels.firstName + i;
        if (!waiting(id) || waiting(i)) continue;
        if (++done % SliceLabels === 0) yield;
        for (let c = 0; c < NameCandidates.length; c++) {
          if (this.blockedAtTop(i, c)) continue;
          this.setName(i, c);
          if (!grid.meets(id) && !shipsWaiting.meets(id) && !this.coversAnIsland(i, scale, fmin)) {
            place(id);
            break;
          }
        }
      }
      const cell = ViewCell / scale;
      return {
        placed: Int32Array.from(placed),
        grid: new PointGrid(this.anchorX, this.anchorY, placed, cell, MostViewCells),
      };
    }

    // The labels shown at `zoom` whose boxes reach into the rectangle of screen pixels
    // (x0, y0)-(x1, y1), measured from the world's origin at that zoom's scale.
    inView(zoom, x0, y0, x1, y1) {
      const { anchorX, anchorY, boxes, reach } = this;
      const scale = 2 ** zoom;
      const found = [];
      this.level(this.levelOf(zoom)).grid.forEachIn(
        (x0 - reach.maxRight) / scale, (y0 - reach.maxBottom) / scale,
        (x1 - reach.minLeft) / scale, (y1 - reach.minTop) / scale, (id) => {
          const x = anchorX[id] * scale, y = anchorY[id] * scale, b = id * 4;
          if (x + boxes[b] < x1 && x + boxes[b + 2] > x0 &&
              y + boxes[b + 1] < y1 && y + boxes[b + 3] > y0) {
            found.push(id);
          }
        });
      return found;
    }
  }

  tlmaper.placement = {
    measureLabels, nameBox, islandOrder, Placement, PointGrid, NameCandidates, HalfSquare, Slack,
  };
})();
