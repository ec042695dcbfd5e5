// What the mark layers show: towns and explored islands, found for a view and made
// into elements. A source gives find(map, zoom, rect) -> indices; create(index) -> element, for a new one;
// fill(element, index); point(index) -> [x, y] in world units; shows(index, zoom) ->
// whether it stays when the map zooms to `zoom`; and `below` when its markers go under
// the labels.

import { PointGrid } from '../placement/point-grid.js';
import { labelsInRect } from '../placement/view-query.js';

// From this many zoom levels below the highest on, every town and explored marker in
// view shows; below it, only those of islands whose labels show.
const ExactMarkerLevels = 1;
// More town or explored markers than this in view show only where labels show.
const MostMarkersInView = 1000;

function labelElement(className, marginLeft, marginTop) {
  const element = document.createElement('div');
  element.className = `leaflet-marker-icon ${className} leaflet-zoom-animated`;
  element.style.marginLeft = `${-marginLeft}px`;
  element.style.marginTop = `${-marginTop}px`;
  return element;
}

// The labels shown in a view, asked once per view for every mark layer.
export function viewQuery(placement) {
  let lastQuery = null;
  return (zoom, rect) => {
    const key = `${placement.generation}:${zoom}:${rect.join(',')}`;
    if (lastQuery?.key !== key) {
      lastQuery = { key, found: labelsInRect(placement, zoom, ...rect) };
    }
    return lastQuery.found;
  };
}

// The islands that `marks` marks (towns or explored islands), as squares of `size`
// pixels: every one in view near the highest zoom (of the islands the placement
// includes), else those whose labels show.
export function markSource(world, placement, query, marks, className, size) {
  const { islands } = world;
  const maxLevel = placement.maxZoom - ExactMarkerLevels;
  const members = [];
  for (let i = 0; i < islands.count; i++) if (marks[i]) members.push(i);
  let grid = null;
  return {
    below: true,
    find(map, zoom, rect) {
      if (zoom >= maxLevel) {
        grid ??= new PointGrid(islands.x, islands.y, members, 16, 1 << 16);
        const scale = 2 ** zoom, reach = size / 2;
        const found = [];
        grid.forEachIn((rect[0] - reach) / scale, (rect[1] - reach) / scale,
          (rect[2] + reach) / scale, (rect[3] + reach) / scale, (i) => {
            if (placement.includes(i)) found.push(i);
          });
        if (found.length <= MostMarkersInView) return found;
      }
      return query(zoom, rect).filter((i) => i < islands.count && marks[i]);
    },
    create() {
      const element = labelElement(className, size / 2, size / 2);
      element.style.width = element.style.height = `${size}px`;
      return element;
    },
    fill() {},
    point: (i) => [islands.x[i], islands.y[i]],
    shows: (i, zoom) => (zoom >= maxLevel ? placement.includes(i) : placement.shows(i, zoom)),
  };
}
