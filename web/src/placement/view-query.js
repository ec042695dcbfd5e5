// The view query: the labels shown at a zoom whose boxes reach into a rectangle of the
// screen, found through a grid of the level's anchors.

import { PointGrid } from './point-grid.js';

const ViewCell = 256;         // pixels
const MostViewCells = 1 << 16;

// The grid of a level's placed labels, by their anchors, for the view query at `scale`.
export function viewGrid(placement, placed, scale) {
  return new PointGrid(placement.anchorX, placement.anchorY, placed, ViewCell / scale, MostViewCells);
}

// The labels shown at `zoom` whose boxes reach into the rectangle of screen pixels
// (x0, y0)-(x1, y1), measured from the world's origin at that zoom's scale.
export function labelsInRect(placement, zoom, x0, y0, x1, y1) {
  const { anchorX, anchorY, boxes, reach } = placement;
  const scale = 2 ** zoom;
  const found = [];
  placement.level(placement.levelOf(zoom)).grid.forEachIn(
    (x0 - reach.maxRight) / scale, (y0 - reach.maxBottom) / scale,
    (x1 - reach.minLeft) / scale, (y1 - reach.minTop) / scale, (id) => {
      const x = anchorX[id] * scale, y = anchorY[id] * scale, b = id * 4;
      if (x + boxes[b] < x1 && x + boxes[b + 2] > x0 &&
          y + boxes[b + 1] < y1 && y + boxes[b + 3] > y0) {
        found.push(id);
      }
    });
  return found;
}
