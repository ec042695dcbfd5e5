// A Leaflet layer of 256-pixel canvas tiles drawn at the screen's pixel ratio, each ready
// as soon as it is made (no fading in), kept in a cache of recent tiles so that zooming
// back and forth draws nothing again. For what the page draws over the map itself: the
// voyage's route and the notes' marks.
import { tileCache } from './tile-cache.js';

export const TileSize = 256;
const CachedTiles = 64;

const Tiles = L.GridLayer.extend({
  initialize(tileFor, options) {
    L.GridLayer.prototype.initialize.call(this, options);
    this._tileFor = tileFor;
  },
  createTile(coords) {
    return this._tileFor(coords);
  },
  _addTile(coords, container) {
    L.GridLayer.prototype._addTile.call(this, coords, container);
    const tile = this._tiles[this._tileCoordsToKey(coords)];
    if (tile && !tile.active) {
      tile.loaded = Date.now();
      tile.active = true;
      L.DomUtil.addClass(tile.el, 'leaflet-tile-loaded');
    }
  },
});

// The pane `name` at `zIndex`, made once, letting the pointer through.
export function drawingPane(map, name, zIndex) {
  if (!map.getPane(name)) {
    const pane = map.createPane(name);
    pane.style.zIndex = zIndex;
    pane.style.pointerEvents = 'none';
  }
  return name;
}

// The layer on `map`: paint(context, coords) draws a tile, its context scaled to CSS
// pixels with the tile's top-left corner at (coords.x, coords.y) x TileSize of the zoom;
// `empty(coords)` says when there is nothing to draw there (or, ignoring `coords`, at
// all). An empty tile gets no drawing context, so it costs next to nothing to make or
// show, and is not kept: the cache holds the tiles that cost something to draw again.
// Gives { layer, redraw() }.
export function canvasTiles(map, paint, empty, options) {
  const cache = tileCache(CachedTiles);
  const ratio = () => window.devicePixelRatio || 1;
  let drewNothing = false;  // of the tile drawn last
  // Draws the tile at `coords` into `canvas`, anew.
  const drawInto = (canvas, coords) => {
    const r = ratio();
    canvas.width = canvas.height = TileSize * r;
    drewNothing = empty(coords);
    if (drewNothing) return canvas;
    const context = canvas.getContext('2d');
    context.scale(r, r);
    context.translate(-coords.x * TileSize, -coords.y * TileSize);
    paint(context, coords);
    return canvas;
  };
  const draw = (coords) => drawInto(document.createElement('canvas'), coords);
  const layer = new Tiles((coords) => cache.take(coords, draw, () => !drewNothing), {
    tileSize: TileSize, minZoom: -Infinity, updateWhenZooming: false, ...options,
  });
  const redraw = () => {
    cache.clear();
    if (map.hasLayer(layer)) layer.redraw();
  };
  // A page zoomed in the browser changes the screen's pixel ratio: drawn again, as sharp.
  let drawnRatio = ratio();
  window.addEventListener('resize', () => {
    if (ratio() === drawnRatio) return;
    drawnRatio = ratio();
    redraw();
  });
  // Draws again only the tiles on the map within `reach` pixels of world point (x, y):
  // a change there leaves the others as they are. Kept tiles of other views are dropped.
  const redrawAround = (x, y, reach) => {
    cache.clear();
    if (!map.hasLayer(layer)) return;
    for (const { el, coords } of Object.values(layer._tiles ?? {})) {
      const scale = 2 ** coords.z;
      const px = x * scale - coords.x * TileSize, py = y * scale - coords.y * TileSize;
      if (px > -reach && py > -reach && px < TileSize + reach && py < TileSize + reach) {
        drawInto(el, coords);
      }
    }
  };
  return { layer, redraw, redrawAround };
}
