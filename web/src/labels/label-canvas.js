// The labels drawn on canvas tiles over the map: the islands' difficulties and names and
// the ships' difficulties, each copied from its drawn sprite, no element per label. A
// tile draws every label whose halo reaches into it, so a label across a tile edge is
// drawn whole, half on either side. Tiles are drawn at the screen's pixel ratio and at
// whole CSS pixels, so the text is as sharp as the page's own. During a zoom animation
// the tiles scale with the map; the new zoom's tiles take their place at its end.

import { Slack } from '../placement/label-boxes.js';
import { labelsInRect } from '../placement/view-query.js';
import { tileCache } from '../tile-cache.js';
import { HaloReach, labelSprites } from './label-sprites.js';

const TileSize = 256;
// Tiles kept once off the map, so that zooming back and forth draws nothing again.
const CachedTiles = 64;

// The kinds of label, as the page names them.
export const LabelKinds = ['difficulty', 'name', 'shipDifficulty'];

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
  // marker's is.
  const textBox = (id, scale) => {
    const b = id * 4;
    const x = Math.round(placement.anchorX[id] * scale);
    const y = Math.round(placement.anchorY[id] * scale);
    box[0] = Math.round(x + placement.boxes[b] + Slack);
    box[1] = Math.round(y + placement.boxes[b + 1] + Slack);
    box[2] = Math.round(x + placement.boxes[b + 2] - Slack) - box[0];
    box[3] = Math.round(y + placement.boxes[b + 3] - Slack) - box[1];
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

  const paint = (canvas, coords) => {
    canvas.width = canvas.height = TileSize * ratio;
    if (kindsShown.size === 0 || settler.holding(coords.z)) return;
    const context = canvas.getContext('2d');
    const x0 = coords.x * TileSize, y0 = coords.y * TileSize;
    forEachDrawn(coords.z, x0, y0, x0 + TileSize, y0 + TileSize, (id, [left, top, w, h]) => {
      const sprite = sprites.sprite(id < labels.firstName ? 'difficulty' : 'name', textOf(id),
        w, h, ratio);
      context.drawImage(sprite, (left - HaloReach - x0) * ratio, (top - HaloReach - y0) * ratio);
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

  return {
    refresh,
    // Shows or hides a kind of label.
    show(kind, on) {
      if (on) kindsShown.add(kind);
      else kindsShown.delete(kind);
      if (kindsShown.size > 0 && !map.hasLayer(tiles)) tiles.addTo(map);
      else if (kindsShown.size === 0) tiles.remove();
      else refresh();
    },
    remove() {
      tiles.remove();
      ratioQuery?.removeEventListener('change', followRatio);
    },

    // Every label drawn at least partly inside the map's element: its kind, the index
    // of its island or ship in the page's lists, its text, and its box, halo included,
    // in CSS pixels from the element's top-left corner.
    labelsInView() {
      const zoom = map.getZoom();
      if (!map.hasLayer(tiles) || settler.holding(zoom)) return [];
      const origin = map.getPixelOrigin();
      const corner = map.containerPointToLayerPoint([0, 0]);
      const size = map.getSize();
      const x0 = origin.x + corner.x, y0 = origin.y + corner.y;
      const found = [];
      forEachDrawn(zoom, x0, y0, x0 + size.x, y0 + size.y, (id, [left, top, w, h]) => {
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
      return found.filter((label) => label.right > 0 && label.bottom > 0 &&
                                     label.left < size.x && label.top < size.y);
    },
  };
}
