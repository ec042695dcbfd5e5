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
import { NameCandidates, SideDirection, Slack, HalfSquare, nameBox, measureReach } from './label-boxes.js';
import { islandOrder } from './priority.js';
import { pointBounds } from './point-grid.js';
import { CollisionGrid, coversAnIsland } from './collision.js';
import { viewGrid } from './view-query.js';

const NeverPlaced = 127;
// Computing a level pauses after this many labels, so that placing ahead can stop when
// its idle time is up.
const SliceLabels = 256;

export class Placement {
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
    this.reach = measureReach(labels);
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
      this.topVerdict[k] = coversAnIsland(this, i, 2 ** this.maxZoom, 1) ? 2 : 1;
    }
    return this.topVerdict[k] === 2;
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
        if (!coversAnIsland(this, i, scale, fmin)) break;
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
        if (!grid.meets(id) && !shipsWaiting.meets(id) && !coversAnIsland(this, i, scale, fmin)) {
          place(id);
          break;
        }
      }
    }
    return { placed: Int32Array.from(placed), grid: viewGrid(this, placed, scale) };
  }
}
