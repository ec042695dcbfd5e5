// The voyage on the map: canvas tiles in a pane of their own, over the map, its colours
// and the filter's veil and under the labels, drawn at the screen's pixel ratio as the
// labels are. The layer is the "Voyage" switch of the layer control.
import { canvasTiles, drawingPane, TileSize } from '../shared/canvas-tiles.js';
import { badgeOffset, BadgeRadius, badgesAt, drawRoute } from './route-drawing.js';

const Font = 'bold 11px system-ui, sans-serif';

// The route layer on `map`. route() gives { player: { x, y }, stops: [{ x, y }], home }.
// Gives the layer, redraw() for a changed route and stopsInView() for tests.
export function routeLayer(map, route) {
  // Over the veil (455), under the markers (600) and labels.
  const pane = drawingPane(map, 'voyagePane', 500);
  let byZoom = new Map();  // zoom -> { points, badges, home, font }

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

  const tiles = canvasTiles(map,
    (context, coords) => drawRoute(context, drawingAt(coords.z), coords.x * TileSize,
      coords.y * TileSize, TileSize),
    () => route().stops.length === 0, { pane, className: 'voyage-tiles' });
  const { layer } = tiles;

  return {
    layer,
    // Draws the route again, after a change of it or of the screen's pixel ratio.
    redraw() {
      byZoom = new Map();
      tiles.redraw();
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
