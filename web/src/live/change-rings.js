// The islands a new save changed, ringed on the map: an orange ring with a dark casing
// around each (dashed where the island is gone), on canvas tiles in a pane over the
// markers and under the notes and labels, clear over the sea, the islands and their
// difficulty colours alike.
import { PointGrid } from '../placement/point-grid.js';
import { canvasTiles, drawingPane, TileSize } from '../shared/canvas-tiles.js';

const HalfSquare = 2.25;
const Ring = '#ff9f1c';
const Casing = 'rgba(20, 8, 0, 0.9)';
const RingWidth = 3;
const CasingWidth = 6;
// The ring's radius at `zoom`, in CSS pixels: outside the square and the town and
// explored marks around it.
const radiusAt = (zoom) => Math.max(HalfSquare * 2 ** zoom * Math.SQRT2 + 8, 20);

// The layer on `map`. Gives { layer, show(rings) }, `rings` being { x, y, gone } (a byte
// per ring) of typed arrays, or null for none.
export function changeRings(map) {
  const pane = drawingPane(map, 'changePane', 605);
  let rings = null;
  let grid = null;
  const paint = (context, { x, y, z }) => {
    const scale = 2 ** z, radius = radiusAt(z);
    const reach = (radius + CasingWidth) / scale;
    const found = [];
    grid.forEachIn(x * TileSize / scale - reach, y * TileSize / scale - reach,
      (x + 1) * TileSize / scale + reach, (y + 1) * TileSize / scale + reach, (i) => { found.push(i); });
    for (const [style, width] of [[Casing, CasingWidth], [Ring, RingWidth]]) {
      context.strokeStyle = style;
      context.lineWidth = width;
      for (const dashed of [false, true]) {
        context.setLineDash(dashed ? [6, 5] : []);
        context.beginPath();
        for (const i of found) {
          if (Boolean(rings.gone[i]) !== dashed) continue;
          const cx = Math.round(rings.x[i] * scale), cy = Math.round(rings.y[i] * scale);
          context.moveTo(cx + radius, cy);
          context.arc(cx, cy, radius, 0, 2 * Math.PI);
        }
        context.stroke();
      }
    }
  };
  const tiles = canvasTiles(map, paint, () => rings === null, { pane, className: 'change-rings' });
  tiles.layer.addTo(map);
  return {
    layer: tiles.layer,
    show(next) {
      rings = next && next.x.length > 0 ? next : null;
      grid = rings ? new PointGrid(rings.x, rings.y, null, 16, 1 << 16) : null;
      tiles.redraw();
    },
  };
}
