// First tours for the local search to improve: the greedy tour (the shortest candidate
// edges first, as long as no node gets three and no cycle closes early) and, to compare
// it with, the nearest-neighbour tour. Both keep the free end of an open voyage beside
// the player, and both give the tour as an Int32Array of its nodes in order.

import { nearestIslands } from '../ask/nearest.js';
import { PointGrid, pointBounds } from '../placement/point-grid.js';
import { distanceIn } from './tour-nodes.js';

const StepsBetweenPauses = 1024;
const PiecesBetweenPauses = 16;

// The greedy tour over the neighbour lists' edges, its pieces then joined end to nearest
// end, starting from the player. On an open voyage the player takes one edge only, so
// that it ends a piece. A generator: it pauses now and then, and returns the tour.
export function* greedyTour(nodes, neighbours) {
  const { stops, freeEnd } = nodes;
  const placed = stops + 1;
  const distance = distanceIn(nodes);
  const { from, to } = candidateEdges(nodes, neighbours);
  yield;
  const byLength = shortestFirst(Float32Array.from(from, (a, k) => distance(a, to[k])));
  yield;
  const links = new Int32Array(2 * placed).fill(-1);
  const degree = new Uint8Array(placed);
  const piece = Int32Array.from({ length: placed }, (_, a) => a);
  const pieceOf = (a) => {
    while (piece[a] !== a) a = piece[a] = piece[piece[a]];
    return a;
  };
  const most = (a) => (a === 0 && freeEnd >= 0 ? 1 : 2);
  for (let k = 0; k < byLength.length; k++) {
    if (k % StepsBetweenPauses === StepsBetweenPauses - 1) yield;
    const a = from[byLength[k]], b = to[byLength[k]];
    if (degree[a] >= most(a) || degree[b] >= most(b)) continue;
    const pa = pieceOf(a), pb = pieceOf(b);
    if (pa === pb) continue;
    piece[pa] = pb;
    links[2 * a + degree[a]++] = b;
    links[2 * b + degree[b]++] = a;
  }
  const first = freeEnd >= 0 ? 0 : Math.max(0, degree.indexOf(1));
  return yield* joinPieces(nodes, neighbours, links, degree, first);
}

// The nearest-neighbour tour: from the player, always on to the nearest node not yet
// visited. A generator, as greedyTour.
export function* nearestNeighbourTour(nodes, neighbours) {
  const placed = nodes.stops + 1;
  return yield* joinPieces(nodes, neighbours, new Int32Array(2 * placed).fill(-1),
    new Uint8Array(placed), 0);
}

// The indices of `lengths` (a Float32Array), shortest first. The bits of a float that is
// not negative order as the float does, so each index rides below its length's bits in
// one double, and the doubles sort natively, far faster than through a comparison.
function shortestFirst(lengths) {
  const count = lengths.length, IndexRange = 2 ** 22;
  const bits = new Uint32Array(lengths.buffer);
  if (count > IndexRange) {
    return Int32Array.from(lengths, (_, k) => k).sort((p, q) => lengths[p] - lengths[q]);
  }
  const keys = Float64Array.from(bits, (b, k) => b * IndexRange + k).sort();
  return Int32Array.from(keys, (key) => key % IndexRange);
}

// The edges of the neighbour lists between placed nodes, each pair once.
function candidateEdges(nodes, neighbours) {
  const { list, length, width } = neighbours;
  const placed = nodes.stops + 1;
  const listed = (a, b) => {
    for (let k = a * width; k < a * width + length[a]; k++) if (list[k] === b) return true;
    return false;
  };
  const from = [], to = [];
  for (let a = 0; a < placed; a++) {
    for (let k = a * width; k < a * width + length[a]; k++) {
      const b = list[k];
      if (b < placed && (a < b || !listed(b, a))) {
        from.push(a);
        to.push(b);
      }
    }
  }
  return { from: Int32Array.from(from), to: Int32Array.from(to) };
}

// Walks the pieces that `links` (two per node, -1 for none) make of the placed nodes,
// from node `first` (an end of its piece), on from each piece's far end to the nearest
// end of a piece not yet walked. Gives the tour, the free end last.
function* joinPieces(nodes, neighbours, links, degree, first) {
  const { count, stops, freeEnd, x, y } = nodes;
  const { list, length, width } = neighbours;
  const placed = stops + 1;
  const visited = new Uint8Array(placed);
  const ends = Int32Array.from({ length: placed }, (_, a) => a).filter((a) => degree[a] < 2);
  const endGrid = new PointGrid(x, y, ends, endCell(x, y, ends), 4 * ends.length + 4);
  const unvisited = (a) => !visited[a];
  const tour = new Int32Array(count);
  let walked = 0, joined = 0, at = first;
  while (at >= 0) {
    for (let before = -1; at >= 0 && !visited[at];) {
      tour[walked++] = at;
      visited[at] = 1;
      const next = links[2 * at] === before ? links[2 * at + 1] : links[2 * at];
      before = at;
      at = next;
    }
    const last = tour[walked - 1];
    at = -1;
    for (let k = last * width; k < last * width + length[last] && at < 0; k++) {
      const b = list[k];
      if (b < placed && !visited[b] && degree[b] < 2) at = b;
    }
    if (at < 0) {
      const [nearest] = nearestIslands(endGrid, x, y, { x: x[last], y: y[last] }, unvisited, 1);
      at = nearest ?? -1;
    }
    if (++joined % PiecesBetweenPauses === 0) yield;
  }
  if (freeEnd >= 0) tour[walked] = freeEnd;
  return tour;
}

// A cell size that puts about two of the points `ends` in a cell.
function endCell(x, y, ends) {
  const box = pointBounds(x, y, ends) ?? { minX: 0, minY: 0, maxX: 0, maxY: 0 };
  const side = Math.ceil(Math.sqrt(ends.length / 2));
  return Math.max(box.maxX - box.minX, box.maxY - box.minY, 1) / Math.max(side, 1);
}
