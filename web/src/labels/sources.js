// What each marker layer shows: the islands' and ships' difficulties, the islands'
// names, towns and explored islands, found for a view and made into elements. A source
// gives find(map, zoom, rect) -> indices; create(index) -> element, for a new one;
// fill(element, index); point(index) -> [x, y] in world units; shows(index, zoom) ->
// whether it stays when the map zooms to `zoom`; and `below` when its markers go under
// the labels.

import { NameCandidates, nameBox } from '../placement/label-boxes.js';
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

// The labels shown in a view, asked once per view for every label layer.
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

// The difficulties of the islands (`ships` false) or of the ships, each centred on its
// point.
export function difficultySource(world, placement, query, ships) {
  const { labels } = placement;
  const records = ships ? world.ships : world.islands;
  const offset = ships ? labels.islands : 0;
  const end = ships ? labels.firstName : labels.islands;
  return {
    find: (map, zoom, rect) => query(zoom, rect)
      .filter((id) => id >= offset && id < end)
      .map((id) => id - offset),
    create: () => labelElement('difficulty', 0, labels.halfHeight),
    fill(element, i) {
      element.textContent = String(records.difficulty[i]);
      element.style.marginLeft = `${-labels.halfWidth[i + offset]}px`;
    },
    point: (i) => [records.x[i], records.y[i]],
    shows: (i, zoom) => placement.shows(i + offset, zoom),
  };
}

// The islands' names. A name is known by its island and its place: key = island *
// candidates + place.
export function nameSource(world, placement, query) {
  const { labels } = placement;
  const Places = NameCandidates.length;
  const box = new Float64Array(4);
  return {
    find: (map, zoom, rect) => query(zoom, rect)
      .filter((id) => id >= labels.firstName)
      .map((id) => {
        const i = id - labels.firstName;
        return i * Places + placement.candidate[i];
      }),
    create: () => labelElement('islandname', 0, 0),
    fill(element, key) {
      const i = Math.floor(key / Places);
      element.textContent = world.islands.names[i];
      nameBox(labels, i, key % Places, box);
      element.style.marginLeft = `${box[0]}px`;
      element.style.marginTop = `${box[1]}px`;
    },
    point: (key) => placement.nameAnchor(Math.floor(key / Places), key % Places),
    shows(key, zoom) {
      const i = Math.floor(key / Places);
      return placement.shows(labels.firstName + i, zoom) &&
             placement.candidate[i] === key % Places;
    },
  };
}

// The islands that `marks` marks (towns or explored islands), as squares of `size`
// pixels: every one in view near the highest zoom, else those whose labels show.
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
          (rect[2] + reach) / scale, (rect[3] + reach) / scale, (i) => found.push(i));
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
    shows: (i, zoom) => zoom >= maxLevel || placement.shows(i, zoom),
  };
}
