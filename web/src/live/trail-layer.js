// The path sailed on the map: canvas tiles in a pane of their own, over the map and
// the difficulty colours and under the voyage (500) and the labels, drawn at the
// screen's pixel ratio. The layer is the "Path sailed" switch of the layer control.
import { canvasTiles, drawingPane, TileSize } from '../shared/canvas-tiles.js';
import { drawTrail, TrailReach } from './trail-drawing.js';

// The path at `zoom`: its points in pixels of the zoom, and its legs by the tiles they
// reach into (leg k from point k to point k + 1), found once for the zoom.
function trailAt(path, zoom) {
  const scale = 2 ** zoom;
  const points = new Float64Array(2 * path.length);
  path.forEach(({ x, y }, k) => {
    points[2 * k] = Math.round(x * scale);
    points[2 * k + 1] = Math.round(y * scale);
  });
  const legsOf = new Map();  // `${x},${y}` of a tile -> its legs
  const tile = (value) => Math.floor(value / TileSize);
  for (let k = 0; k + 1 < path.length; k++) {
    const ax = points[2 * k], ay = points[2 * k + 1], bx = points[2 * k + 2], by = points[2 * k + 3];
    const x0 = tile(Math.min(ax, bx) - TrailReach), x1 = tile(Math.max(ax, bx) + TrailReach);
    const y0 = tile(Math.min(ay, by) - TrailReach), y1 = tile(Math.max(ay, by) + TrailReach);
    for (let x = x0; x <= x1; x++) {
      for (let y = y0; y <= y1; y++) {
        const key = `${x},${y}`;
        if (!legsOf.has(key)) legsOf.set(key, []);
        legsOf.get(key).push(k);
      }
    }
  }
  return { points, count: Math.max(path.length - 1, 1), legsOf };
}

// The layer on `map`; trail() gives the points [{ x, y }], oldest first. Gives { layer,
// redraw() }.
export function trailLayer(map, trail) {
  const pane = drawingPane(map, 'trailPane', 480);
  let byZoom = new Map();  // zoom -> the path at that zoom
  const at = (zoom) => {
    if (!byZoom.has(zoom)) byZoom.set(zoom, trailAt(trail(), zoom));
    return byZoom.get(zoom);
  };
  const tiles = canvasTiles(map, (context, { x, y, z }) => {
    const { points, count, legsOf } = at(z);
    context.setTransform(1, 0, 0, 1, 0, 0);
    drawTrail(context, points, count, legsOf.get(`${x},${y}`), x * TileSize, y * TileSize, TileSize);
  }, (coords) => trail().length < 2 || !at(coords.z).legsOf.has(`${coords.x},${coords.y}`),
  { pane, className: 'trail-tiles' });
  return {
    layer: tiles.layer,
    redraw() {
      byZoom = new Map();
      tiles.redraw();
    },
  };
}
