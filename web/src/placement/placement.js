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
// highest. The player's marker is in the way of every label at every level, as a label
// placed before all others.
import {
  NameCandidates, SideDirection, Slack, HalfSquare, PlayerHalfSide, nameBox, measureReach,
} from './label-boxes.js';
import { islandOrder } from './priority.js';
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
    // Each island's place in that order.
    this.rank = new Int32Array(islands.count);
    for (let k = 0; k < islands.count; k++) this.rank[this.order[k]] = k;
    this.pinned = -1;
    this.included = null;  // one byte per island that may take room, or null for all
    // Every label's anchor (world units) and box (screen pixels around the anchor,
    // slack included). A name's are those of its candidate place, once placed. One more
    // after the labels: the player's marker.
    this.anchorX = new Float64Array(labels.count + 1);
    this.anchorY = new Float64Array(labels.count + 1);
    this.boxes = new Float32Array((labels.count + 1) * 4);
    this.candidate = new Int8Array(islands.count);
    // The difficulties' anchors and boxes, in one pass that also finds the world's
    // bounds.
    const { anchorX, anchorY, boxes } = this;
    const { halfWidth } = labels;
    const h = labels.halfHeight + Slack;
    let minX = Infinity, minY = Infinity, maxX = -Infinity, maxY = -Infinity;
    for (const [records, first] of [[islands, 0], [ships, islands.count]]) {
      const { x: xs, y: ys } = records;
      for (let k = 0; k < records.count; k++) {
        const id = first + k, x = xs[k], y = ys[k], w = halfWidth[id] + Slack;
        anchorX[id] = x;
        anchorY[id] = y;
        boxes[id * 4] = -w;
        boxes[id * 4 + 1] = -h;
        boxes[id * 4 + 2] = w;
        boxes[id * 4 + 3] = h;
        if (x < minX) minX = x;
        if (x > maxX) maxX = x;
        if (y < minY) minY = y;
        if (y > maxY) maxY = y;
      }
    }
    this.player = labels.count;
    this.anchorX[this.player] = world.player.x;
    this.anchorY[this.player] = world.player.y;
    this.boxes.set([-PlayerHalfSide, -PlayerHalfSide, PlayerHalfSide, PlayerHalfSide],
      this.player * 4);
    this.reach = measureReach(labels);
    // The narrowest difficulty's box, around its anchor: every difficulty's holds it.
    this.narrowest = { halfWidth: labels.narrowestDifficulty + Slack, halfHeight: h };
    this.worldBox = labels.firstName === 0 ? { minX: 0, minY: 0, maxX: 0, maxY: 0 } : {
      minX: minX - HalfSquare, minY: minY - HalfSquare,
      maxX: maxX + HalfSquare, maxY: maxY + HalfSquare,
    };
    this.islandGrids = new Map();  // cell size -> PointGrid of the islands
    this.islandGridQuestions = new Map();  // cell size wanted -> questions asked
    this.terms = new Float64Array(8);
    this.nameScratch = new Float64Array(4);
    // Per name and candidate: 0 not known yet, 1 free of squares at the highest zoom,
    // 2 covering one there.
    this.topVerdict = new Uint8Array(islands.count * NameCandidates.length);
    // Per label: a placed label it met when last found in the way at some level, or -1.
    // At the next level, or after a filter change, that one is asked first: it is
    // usually still placed and still in the way, which spares a look through the cells.
    this.lastBlocker = new Int32Array(labels.count).fill(-1);
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

  // Whether island `i`'s name at candidate `c` is known to cover an island's square at
  // the highest zoom (false when not yet asked).
  knownBlockedAtTop(i, c) {
    return this.topVerdict[i * NameCandidates.length + c] === 2;
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

  // Lets only the islands that `matches` marks (one byte per island; null for all) take
  // room for their labels: the islands a filter lets through get the room the others'
  // labels leave. Names still keep off every island's square, as the others' squares
  // stay on the map, dimmed. The pinned island shows either way.
  include(matches) {
    this.included = matches;
    this.reset();
  }

  // Whether island `i` may show its labels and marks.
  includes(i) {
    return this.included === null || this.included[i] === 1 || i === this.pinned;
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
    const pass = new LevelPass(this, zoom);
    const below = this.levels.get(zoom - 1);
    if (below) {
      for (let from = 0; from < below.placed.length; from += SliceLabels) {
        pass.keep(below.placed, from, Math.min(below.placed.length, from + SliceLabels));
        yield;
      }
    } else if (this.pinned >= 0) {
      pass.placePinned(this.pinned);
    }
    const { order, labels } = this;
    for (let from = 0; from < order.length; from += SliceLabels) {
      pass.difficulties(from, Math.min(order.length, from + SliceLabels));
      yield;
    }
    for (let from = labels.islands; from < labels.firstName; from += SliceLabels) {
      pass.ships(from, Math.min(labels.firstName, from + SliceLabels));
      yield;
    }
    const named = pass.shownIslands();
    for (let from = 0; from < named.length; from += SliceLabels) {
      pass.names(named, from, Math.min(named.length, from + SliceLabels));
      yield;
    }
    return pass.level();
  }
}

// The work of placing one level: the labels kept from the level below, then, in their
// order, every label that still finds room. Each step takes a range of labels, so that
// the work can pause between them.
class LevelPass {
  constructor(placement, zoom) {
    this.placement = placement;
    this.zoom = zoom;
    this.scale = 2 ** zoom;
    this.fmin = this.scale / 2 ** placement.maxZoom;
    this.grid = new CollisionGrid(placement, this.scale, this.fmin, true);
    // The ships that find no room yet keep theirs from names: placed at this level, a
    // name would stay at every higher zoom, where the ship's number would have fitted.
    this.shipsWaiting = new CollisionGrid(placement, this.scale, this.fmin);
    this.placed = [];
    this.grid.insert(placement.player);
  }

  place(id) {
    this.grid.insert(id);
    this.placed.push(id);
    const { placedZoom } = this.placement;
    if (placedZoom[id] > this.zoom) placedZoom[id] = this.zoom;
  }

  waiting(id) {
    return this.placement.placedZoom[id] > this.zoom;
  }

  // Whether label `id` meets a label placed at this level, at some zoom from it up.
  meets(id) {
    const { grid, placement } = this;
    if (grid.coveredAt(id)) return true;
    const known = placement.lastBlocker[id];
    if (known >= 0 && (known === placement.player || placement.placedZoom[known] <= this.zoom) &&
        grid.pairMeets(id, known)) {
      return true;
    }
    const blocker = grid.blocker(id);
    if (blocker < 0) return false;
    placement.lastBlocker[id] = blocker;
    return true;
  }

  keep(ids, from, to) {
    for (let k = from; k < to; k++) this.place(ids[k]);
  }

  // The pinned island's labels, before all others: its name at the first place that
  // covers no island (or below it, when every place does).
  placePinned(i) {
    const { placement } = this;
    this.place(i);
    let c = 0;
    while (c < NameCandidates.length) {
      placement.setName(i, c);
      if (!coversAnIsland(placement, i, this.scale, this.fmin)) break;
      c++;
    }
    if (c === NameCandidates.length) placement.setName(i, 0);
    this.place(placement.labels.firstName + i);
  }

  // The islands' difficulties, order[from] .. order[to - 1].
  difficulties(from, to) {
    const { order } = this.placement;
    for (let k = from; k < to; k++) {
      const i = order[k];
      if (this.waiting(i) && this.placement.includes(i) && !this.meets(i)) this.place(i);
    }
  }

  // The ships' difficulties, labels from .. to - 1.
  ships(from, to) {
    for (let id = from; id < to; id++) {
      if (!this.waiting(id)) continue;
      if (!this.meets(id)) this.place(id);
      else this.shipsWaiting.insert(id);
    }
  }

  // The islands whose difficulty shows at this level, in their order: those whose names
  // may take room.
  shownIslands() {
    const { placement } = this;
    const shown = Int32Array.from(this.placed.filter((id) => id < placement.labels.islands));
    const { rank } = placement;
    return shown.sort((i, j) => rank[i] - rank[j]);
  }

  // The names of the islands shown[from] .. shown[to - 1] that wait for room.
  names(shown, from, to) {
    const { placement, scale, fmin } = this;
    const { labels } = placement;
    for (let k = from; k < to; k++) {
      const i = shown[k];
      const id = labels.firstName + i;
      if (!this.waiting(id)) continue;
      // A place is asked whether it covers an island at the highest zoom only when the
      // raster of covered pixels leaves it room: at the low levels it rarely does.
      for (let c = 0; c < NameCandidates.length; c++) {
        if (placement.knownBlockedAtTop(i, c)) continue;
        placement.setName(i, c);
        if (this.grid.coveredAt(id) || placement.blockedAtTop(i, c)) continue;
        if (!this.meets(id) && !this.shipsWaiting.meets(id) &&
            !coversAnIsland(placement, i, scale, fmin)) {
          this.place(id);
          break;
        }
      }
    }
  }

  level() {
    const { placement, placed, scale } = this;
    return { placed: Int32Array.from(placed), grid: viewGrid(placement, placed, scale) };
  }
}
