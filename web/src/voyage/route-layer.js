// The voyage on the map: canvas tiles in a pane of their own, over the map, its colours
// and the filter's veil and under the labels, drawn at the screen's pixel ratio as the
// labels are. The layer is the "Voyage" switch of the layer control.
import { tileCache } from '../shared/tile-cache.js';
import { badgeOffset, BadgeRadius, badgesAt, drawRoute } from './route-drawing.js';

const TileSize = 256;
const CachedTiles = 64;
const Font = 'bold 11px system-ui, sans-serif';

const RouteTiles = L.GridLayer.extend({
  initialize(tileFor, options) {
    L.GridLayer.prototype.initialize.call(this, options);
    this._tileFor = tileFor;
  },
  createTile(coords) {
    return this._tileFor(coords);
  },
  // Tiles are ready as soon as they are made, without fading in.
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

// The route layer on `map`. route() gives { player: { x, y }, stops: [{ x, y }], home }.
// Gives the layer, redraw() for a changed route and stopsInView() for tests.
export function routeLayer(map, route) {
  if (!map.getPane('voyagePane')) {
    const pane = map.createPane('voyagePane');
    pane.style.zIndex = 500;  // over the veil (455), under the markers (600) and labels
    pane.style.pointerEvents = 'none';
  }
  const cache = tileCache(CachedTiles);
  let byZoom = new Map();  // zoom -> { points, badges, home, font }
  const ratio = () => window.devicePixelRatio || 1;

  // The route in pixels of `zoom`, and which stops have badges there.
  function drawingAt(zoom) {
    let drawing = byZoom.get(zoom);
    if (drawing) return drawing;
    const { player, stops, home } = route();
    const scale = 2 ** zoom;
    const points = new Float64Array(2 * stops.length + 2);
    points[0] = Math.round(player.x * scale);
    points[1] = Math.round(player.y * scale);
    stops.forEach(({ x, y }, k) => {
      points[2 * k + 2] = Math.round(x * scale);
      points[2 * k + 3] = Math.round(y * scale);
    });
    drawing = { points, badges: badgesAt(points), home, font: Font, offset: badgeOffset(zoom) };
    byZoom.set(zoom, drawing);
    return drawing;
  }

  const draw = (coords) => {
    const canvas = document.createElement('canvas');
    const r = ratio();
    canvas.width = canvas.height = TileSize * r;
    if (route().stops.length === 0) return canvas;
    const context = canvas.getContext('2d');
    context.scale(r, r);
    drawRoute(context, drawingAt(coords.z), coords.x * TileSize, coords.y * TileSize, TileSize);
    return canvas;
  };
  const layer = new RouteTiles((coords) => cache.take(coords, draw), {
    pane: 'voyagePane', tileSize: TileSize, minZoom: -Infinity, updateWhenZooming: false,
    className: 'voyage-tiles',
  });

  // A page zoomed in the browser changes the screen's pixel ratio: the route is drawn
  // again, as sharp as before.
  let drawnRatio = ratio();
  window.addEventListener('resize', () => {
    if (ratio() === drawnRatio) return;
    drawnRatio = ratio();
    cache.clear();
    if (map.hasLayer(layer)) layer.redraw();
  });

  return {
    layer,
    // Draws the route again, after a change of it or of the screen's pixel ratio.
    redraw() {
      byZoom = new Map();
      cache.clear();
      if (map.hasLayer(layer)) layer.redraw();
    },
    // The badges drawn at least partly inside the map's element: { number, stop, left,
    // top, right, bottom } in CSS pixels from its top-left corner (stop is the place in
    // the route's stops); dots have no number.
    stopsInView() {
      if (!map.hasLayer(layer)) return [];
      const { points, badges, offset } = drawingAt(map.getZoom());
      const corner = map.containerPointToLayerPoint([0, 0]).add(map.getPixelOrigin());
      const size = map.getSize();
      const found = [];
      for (let k = 0; k < badges.length; k++) {
        const x = points[2 * k + 2] - corner.x + (badges[k] ? offset : 0);
        const y = points[2 * k + 3] - corner.y + (badges[k] ? offset : 0);
        const reach = badges[k] ? BadgeRadius : 3;
        if (x + reach <= 0 || y + reach <= 0 || x - reach >= size.x || y - reach >= size.y) continue;
        found.push({ number: badges[k] ? k + 1 : null, stop: k,
          left: x - reach, top: y - reach, right: x + reach, bottom: y + reach });
      }
      return found;
    },
  };
}
