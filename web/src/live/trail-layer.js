// The path sailed on the map: canvas tiles in a pane of their own, over the map and
// the difficulty colours and under the voyage (500) and the labels, drawn at the
// screen's pixel ratio. The layer is the "Path sailed" switch of the layer control.
import { canvasTiles, drawingPane, TileSize } from '../shared/canvas-tiles.js';
import { drawTrail } from './trail-drawing.js';

// The layer on `map`; trail() gives the points [{ x, y }], oldest first. Gives { layer,
// redraw() }.
export function trailLayer(map, trail) {
  const pane = drawingPane(map, 'trailPane', 480);
  let byZoom = new Map();  // zoom -> the points in pixels of that zoom
  const pointsAt = (zoom) => {
    let points = byZoom.get(zoom);
    if (points) return points;
    const scale = 2 ** zoom;
    const path = trail();
    points = new Float64Array(2 * path.length);
    path.forEach(({ x, y }, k) => {
      points[2 * k] = Math.round(x * scale);
      points[2 * k + 1] = Math.round(y * scale);
    });
    byZoom.set(zoom, points);
    return points;
  };
  const tiles = canvasTiles(map,
    (context, { x, y, z }) => drawTrail(context, pointsAt(z), x * TileSize, y * TileSize, TileSize),
    () => trail().length < 2, { pane, className: 'trail-tiles' });
  return {
    layer: tiles.layer,
    redraw() {
      byZoom = new Map();
      tiles.redraw();
    },
  };
}
