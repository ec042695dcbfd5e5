// What lies under a world position: the islands' and ships' squares there, found through
// a grid of cells (a click looks at a few cells, never at every island).
//
// A record's square spans world x - HalfSquare to x + HalfSquare on each axis. Ships are
// drawn over islands, and a later record over an earlier one.
import { HalfSquare } from '../placement/label-boxes.js';
import { PointGrid } from '../placement/point-grid.js';

const Cell = 8;              // world units: a square touches at most four cells
const MostCells = 1 << 18;

// A grid of the points of `records` ({ count, x, y }), in cells of a few squares.
export const recordGrid = ({ x, y }) =>
  new PointGrid(x, y, null, Cell, MostCells);

// The grid of a world's islands, made once for each world: the square finder and the
// nearest islands share it.
const islandGrids = new WeakMap();
export function islandGridOf(world) {
  let grid = islandGrids.get(world);
  if (!grid) {
    grid = recordGrid(world.islands);
    islandGrids.set(world, grid);
  }
  return grid;
}

// A finder over `world`'s islands and ships (`islandGrid` may be given, if made already).
export function squareFinder(world, islandGrid = recordGrid(world.islands)) {
  const layers = [
    { kind: 'ship', records: world.ships, grid: recordGrid(world.ships) },
    { kind: 'island', records: world.islands, grid: islandGrid },
  ];

  // Every square within `reach` world units of (x, y) (0: only those the point lies
  // on), as { kind, index, gap }, gap being the distance from the point to the square.
  // Those nearest the point come first and, among those the point lies on, the one
  // drawn on top: ships before islands, later records before earlier ones.
  function at(x, y, reach = 0) {
    const found = [];
    const extent = HalfSquare + reach;
    for (const { kind, records, grid } of layers) {
      grid.forEachIn(x - extent, y - extent, x + extent, y + extent, (index) => {
        const dx = Math.max(Math.abs(x - records.x[index]) - HalfSquare, 0);
        const dy = Math.max(Math.abs(y - records.y[index]) - HalfSquare, 0);
        const gap = Math.hypot(dx, dy);
        if (gap <= reach) found.push({ kind, index, gap });
      });
    }
    const layerRank = (hit) => (hit.kind === 'ship' ? 0 : 1);
    return found.sort((a, b) =>
      a.gap - b.gap || layerRank(a) - layerRank(b) || b.index - a.index);
  }

  return { at };
}
