// The notes on the map: each noted island's symbol up and to the right of its square
// (the voyage's badge takes the left), drawn on canvas tiles at the screen's pixel ratio
// in a pane over the town and explored marks and under the labels. The layer is the "My
// notes" switch of the layer control.
import { PointGrid } from '../placement/point-grid.js';
import { canvasTiles, drawingPane, TileSize } from '../shared/canvas-tiles.js';
import { drawNoteSymbol, SymbolRadius } from './note-symbols.js';

const HalfSquare = 2.25;
// The symbol's centre from its island's point at `zoom`, in CSS pixels right and up.
const symbolOffset = (zoom) => Math.round(Math.min(Math.max(HalfSquare * 2 ** zoom + 9, 13), 22));
const Reach = SymbolRadius + 22 + 4;

// The layer on `map`; noted() gives { islands, marks: Map island -> mark } of the world
// shown. Gives { layer, redraw(), marksInView() }.
export function notesLayer(map, noted) {
  const pane = drawingPane(map, 'notePane', 610);
  let grid = null;
  const gridOf = () => {
    if (grid) return grid;
    const { islands, marks } = noted();
    grid = new PointGrid(islands.x, islands.y, [...marks.keys()], 16, 1 << 16);
    return grid;
  };
  // Calls visit(island, x, y, mark) for each symbol reaching into the rectangle of the
  // zoom's pixels (x0, y0)-(x1, y1), (x, y) its centre.
  const forEachSymbol = (zoom, x0, y0, x1, y1, visit) => {
    const scale = 2 ** zoom, offset = symbolOffset(zoom);
    const { islands, marks } = noted();
    gridOf().forEachIn((x0 - Reach) / scale, (y0 - Reach) / scale, (x1 + Reach) / scale,
      (y1 + Reach) / scale, (i) => {
        visit(i, Math.round(islands.x[i] * scale) + offset, Math.round(islands.y[i] * scale) - offset,
          marks.get(i));
      });
  };
  const tiles = canvasTiles(map, (context, { x, y, z }) => {
    forEachSymbol(z, x * TileSize, y * TileSize, (x + 1) * TileSize, (y + 1) * TileSize,
      (i, cx, cy, mark) => drawNoteSymbol(context, mark, cx, cy));
  }, () => noted().marks.size === 0, { pane, className: 'note-tiles' });

  return {
    layer: tiles.layer,
    redraw() {
      grid = null;
      tiles.redraw();
    },
    // Draws again the tiles around island `index` of the world shown, after its note
    // changed.
    redrawIsland(index) {
      grid = null;
      const { islands } = noted();
      tiles.redrawAround(islands.x[index], islands.y[index], Reach);
    },
    // Every symbol at least partly inside the map's element: { kind: 'note', index, left,
    // top, right, bottom } in CSS pixels from its top-left corner.
    marksInView() {
      if (!map.hasLayer(tiles.layer) || noted().marks.size === 0) return [];
      const zoom = map.getZoom();
      const corner = map.containerPointToLayerPoint([0, 0]).add(map.getPixelOrigin());
      const size = map.getSize();
      const found = [];
      forEachSymbol(zoom, corner.x, corner.y, corner.x + size.x, corner.y + size.y, (index, x, y) => {
        const box = { kind: 'note', index, left: x - SymbolRadius - corner.x, top: y - SymbolRadius - corner.y,
          right: x + SymbolRadius - corner.x, bottom: y + SymbolRadius - corner.y };
        if (box.right > 0 && box.bottom > 0 && box.left < size.x && box.top < size.y) found.push(box);
      });
      return found;
    },
  };
}
