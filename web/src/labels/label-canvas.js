// The labels drawn on canvas tiles over the map: the islands' difficulties and names and
// the ships' difficulties, and under them the marks of towns and explored islands, each
// copied from its drawn sprite, no element per label. A tile draws every label whose
// halo reaches into it, so a label across a tile edge is drawn whole, half on either
// side. Tiles are drawn at the screen's pixel ratio and at
// whole CSS pixels, so the text is as sharp as the page's own. During a zoom animation
// the tiles scale with the map; the new zoom's tiles take their place at its end.

import { Slack } from '../placement/label-boxes.js';
import { PointGrid } from '../placement/point-grid.js';
import { labelsInRect } from '../placement/view-query.js';
import { tileCache } from '../shared/tile-cache.js';
import { HaloReach, labelSprites } from './label-sprites.js';

const TileSize = 256;
// Tiles kept once off the map, so that zooming back and forth draws nothing again.
const CachedTiles = 64;

// From this many zoom levels below the highest on, every town and explored mark shows;
// below it, only those of islands whose difficulty shows.
const ExactMarkLevels = 1;

// A grid of canvas tiles, each made by `tileFor(coords)` and ready as soon as it is
// made: the tiles of a new zoom replace the old ones in the same frame, without the
// fading in that would show two zooms' labels at once. `paint(canvas, coords)` draws a
// tile again.
const LabelTiles = L.GridLayer.extend({
  initialize(tileFor, paint, options) {
    L.GridLayer.prototype.initialize.call(this, options);
    this._tileFor = tileFor;
    this._paint = paint;
  },

  createTile(coords) {
    return this._tileFor(coords);
  },

  _addTile(coords, container) {
    L.GridLayer.prototype._addTile.call(this, coords, container);
    this._tileReady(coords);
  },

  _tileReady(coords) {
    const tile = this._tiles[this._tileCoordsToKey(coords)];
    if (!tile || tile.active) return;
    tile.loaded = Date.now();
    tile.active = true;
    L.DomUtil.addClass(tile.el, 'leaflet-tile-loaded');
    if (this._noTilesToLoad()) {
      this._loading = false;
      this._pruneTiles();
    }
  },

  // Draws every tile on the map again, in place.
  repaint() {
    for (const tile of Object.values(this._tiles ?? {})) this._paint(tile.el, tile.coords);
  },
});

// The drawn labels of one world and its placement. `drawing` and `shownText` come from
// the label metrics; `settler` holds labels back while the zoom changes fast.
export function labelCanvas(map, world, placement, { drawing, shownText }, settler) {
  const { labels } = placement;
  const sprites = labelSprites(drawing);
  const kindsShown = new Set();
  const box = new Int32Array(4);
  let ratio = window.devicePixelRatio || 1;
  const cache = tileCache(CachedTiles);

  const shownNames = new Array(world.islands.count);
  const { islands } = world;
  const marked = { town: islands.isTown, explored: islands.isExplored };
  const markGrids = {};  // kind -> PointGrid of the marked islands, made when first needed
  const kindOf = (id) =>
    (id < labels.islands ? 'difficulty' : id < labels.firstName ? 'shipDifficulty' : 'name');
  const textOf = (id) => {
    if (id < labels.islands) return String(world.islands.difficulty[id]);
    if (id < labels.firstName) return String(world.ships.difficulty[id - labels.islands]);
    const i = id - labels.firstName;
    shownNames[i] ??= shownText(world.islands.names[i]);
    return shownNames[i];
  };
  // The box of label `id`'s text at `scale`, in whole CSS pixels of the map at that
  // scale: [left, top, width, height]. Its anchor's point is rounded first, as a
  // marker's is; a top between two pixels goes up, where the browser shows such text.
  const textBox = (id, scale) => {
    const b = id * 4;
    const x = Math.round(placement.anchorX[id] * scale);
    const y = Math.round(placement.anchorY[id] * scale);
    box[0] = Math.round(x + placement.boxes[b] + Slack);
    box[1] = Math.floor(y + placement.boxes[b + 1] + Slack);
    box[2] = Math.ceil(placement.boxes[b + 2] - placement.boxes[b] - 2 * Slack - 1e-6);
    box[3] = Math.ceil(placement.boxes[b + 3] - placement.boxes[b + 1] - 2 * Slack - 1e-6);
    return box;
  };
  // The labels shown at `zoom` whose drawing reaches into the rectangle (x0, y0)-(x1, y1)
  // of the map's pixels at that zoom; calls visit(id, box) for each.
  const forEachDrawn = (zoom, x0, y0, x1, y1, visit) => {
    const scale = 2 ** zoom;
    for (const id of labelsInRect(placement, zoom, x0 - HaloReach, y0 - HaloReach,
      x1 + HaloReach, y1 + HaloReach)) {
      if (kindsShown.has(kindOf(id))) visit(id, textBox(id, scale));
    }
  };

  // The marks of `kind` that show at `zoom` and reach into the rectangle (x0, y0)-(x1,
  // y1) of the map's pixels at that zoom; calls visit(island, x, y) for each, (x, y) its
  // point in whole pixels.
  const forEachMark = (kind, zoom, x0, y0, x1, y1, visit) => {
    if (!kindsShown.has(kind)) return;
    const scale = 2 ** zoom, reach = sprites.mark(kind, ratio).reach;
    const marks = marked[kind];
    const at = (i) => visit(i, Math.round(islands.x[i] * scale), Math.round(islands.y[i] * scale));
    if (zoom >= placement.maxZoom - ExactMarkLevels) {
      if (!markGrids[kind]) {
        const members = [];
        for (let i = 0; i < islands.count; i++) if (marks[i]) members.push(i);
        markGrids[kind] = new PointGrid(islands.x, islands.y, members, 16, 1 << 16);
      }
      // Only the marks of islands the placement includes (a filter's islands).
      markGrids[kind].forEachIn((x0 - reach - 1) / scale, (y0 - reach - 1) / scale,
        (x1 + reach + 1) / scale, (y1 + reach + 1) / scale, (i) => {
          if (placement.includes(i)) at(i);
        });
      return;
    }
    // Where the difficulty shows, its box lies within the mark.
    for (const id of labelsInRect(placement, zoom, x0 - reach, y0 - reach, x1 + reach,
      y1 + reach)) {
      if (id < labels.islands && marks[id]) at(id);
    }
  };

  const paint = (canvas, coords) => {
    canvas.width = canvas.height = TileSize * ratio;
    if (kindsShown.size === 0 || settler.holding(coords.z)) return;
    // A tile of open sea stays without a drawing context: making one costs time.
    let context = null;
    const x0 = coords.x * TileSize, y0 = coords.y * TileSize;
    const put = (image, left, top) => {
      context ??= canvas.getContext('2d');
      context.drawImage(image, (left - x0) * ratio, (top - y0) * ratio);
    };
    for (const kind of ['explored', 'town']) {
      const { canvas: mark, reach } = sprites.mark(kind, ratio);
      forEachMark(kind, coords.z, x0, y0, x0 + TileSize, y0 + TileSize,
        (i, x, y) => put(mark, x - reach, y - reach));
    }
    forEachDrawn(coords.z, x0, y0, x0 + TileSize, y0 + TileSize, (id, [left, top, w, h]) => {
      const sprite = sprites.sprite(id < labels.firstName ? 'difficulty' : 'name', textOf(id),
        w, h, ratio);
      put(sprite, left - HaloReach, top - HaloReach);
    });
  };
  // While the zoom settles the tiles stay blank, and are not kept.
  const draw = (coords) => {
    const canvas = document.createElement('canvas');
    paint(canvas, coords);
    return canvas;
  };
  const tileFor = (coords) => (settler.holding(coords.z) ? draw(coords)
    : cache.take(coords, draw, () => kindsShown.size > 0));

  if (!map.getPane('labelPane')) {
    // Over the markers, so that the town and explored marks lie under the labels, and
    // under the tooltips.
    const pane = map.createPane('labelPane');
    pane.style.zIndex = 620;
    pane.style.pointerEvents = 'none';
  }
  const tiles = new LabelTiles(tileFor, paint, {
    pane: 'labelPane', tileSize: TileSize, minZoom: -Infinity, updateWhenZooming: false,
    className: 'label-tiles',
  });
  tiles.on('add', () => map.on('zoomend', settled));
  tiles.on('remove', () => map.off('zoomend', settled));
  function settled() {
    if (!settler.holding(map.getZoom())) settler.shown();
  }

  // Draws everything again: the labels or their places changed.
  const refresh = () => {
    cache.clear();
    tiles.repaint();
  };
  // A page zoomed in the browser changes the screen's pixel ratio: the labels are drawn
  // again, as sharp as before.
  let ratioQuery = null;
  const followRatio = () => {
    ratioQuery?.removeEventListener('change', followRatio);
    if (ratio !== (window.devicePixelRatio || 1)) {
      ratio = window.devicePixelRatio || 1;
      sprites.clear();
      refresh();
    }
    ratioQuery = window.matchMedia?.(`(resolution: ${ratio}dppx)`) ?? null;
    ratioQuery?.addEventListener('change', followRatio);
  };
  followRatio();

  // The map's element as a rectangle of the map's pixels at its zoom, while anything is
  // drawn: { zoom, x0, y0, width, height }; else null.
  const drawnView = () => {
    const zoom = map.getZoom();
    if (!map.hasLayer(tiles) || settler.holding(zoom)) return null;
    const origin = map.getPixelOrigin();
    const corner = map.containerPointToLayerPoint([0, 0]);
    const size = map.getSize();
    return { zoom, x0: origin.x + corner.x, y0: origin.y + corner.y, width: size.x, height: size.y };
  };
  const inElement = (view) => (item) =>
    item.right > 0 && item.bottom > 0 && item.left < view.width && item.top < view.height;

  // Puts the tiles on the map, or off it, for the kinds shown, or draws them again.
  let changing = false;
  let changed = false;
  const showKinds = () => {
    if (changing) {
      changed = true;
      return;
    }
    if (kindsShown.size > 0 && !map.hasLayer(tiles)) tiles.addTo(map);
    else if (kindsShown.size === 0) tiles.remove();
    else refresh();
  };

  return {
    refresh,
    // Shows or hides a kind of label.
    show(kind, on) {
      if (on) kindsShown.add(kind);
      else kindsShown.delete(kind);
      showKinds();
    },
    // Calls change(), which shows or hides kinds, and draws the tiles once at its end
    // rather than once for each kind.
    together(change) {
      changing = true;
      try {
        change();
      } finally {
        changing = false;
        if (changed) {
          changed = false;
          showKinds();
        }
      }
    },
    remove() {
      tiles.remove();
      ratioQuery?.removeEventListener('change', followRatio);
    },

    // Every label drawn at least partly inside the map's element: its kind, the index
    // of its island or ship in the page's lists, its text, and its box, halo included,
    // in CSS pixels from the element's top-left corner.
    labelsInView() {
      const view = drawnView();
      if (!view) return [];
      const { zoom, x0, y0 } = view;
      const found = [];
      forEachDrawn(zoom, x0, y0, x0 + view.width, y0 + view.height, (id, [left, top, w, h]) => {
        const kind = kindOf(id);
        found.push({
          kind,
          index: kind === 'difficulty' ? id
            : kind === 'shipDifficulty' ? id - labels.islands : id - labels.firstName,
          text: textOf(id),
          left: left - HaloReach - x0,
          top: top - HaloReach - y0,
          right: left + w + HaloReach - x0,
          bottom: top + h + HaloReach - y0,
        });
      });
      return found.filter(inElement(view));
    },

    // Every town and explored mark drawn at least partly inside the map's element: its
    // kind ('town' or 'explored'), its island's index and its box, as for labels.
    marksInView() {
      const view = drawnView();
      if (!view) return [];
      const { zoom, x0, y0 } = view;
      const found = [];
      for (const kind of ['explored', 'town']) {
        const { reach } = sprites.mark(kind, ratio);
        forEachMark(kind, zoom, x0, y0, x0 + view.width, y0 + view.height, (index, x, y) => {
          found.push({ kind, index, left: x - reach - x0, top: y - reach - y0,
            right: x + reach - x0, bottom: y + reach - y0 });
        });
      }
      return found.filter(inElement(view));
    },
  };
}
