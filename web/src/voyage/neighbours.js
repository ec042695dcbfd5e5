// Each node's candidate neighbours, the only nodes the local search tries to join it to:
// its nearest few, and the nearest two in each quadrant around it, so that a node at
// the edge of an archipelago also has candidates in the next one. They are found in a
// grid of cells, looking through ever wider rings of cells around the node until no
// nearer node can remain outside them.

import { PointGrid } from '../placement/point-grid.js';

const Nearest = 8;
const PerQuadrant = 2;
const Width = Nearest + 4 * PerQuadrant;
const NodesPerCell = 2;
const NodesBetweenPauses = 32;

// For each node of `nodes` (see tour-nodes.js), its candidate neighbours, nearest
// first; on an open voyage the free end comes first in every list, as it is at no
// distance from any node. Gives { list, length, width }: node a's neighbours are
// list[a * width] .. list[a * width + length[a] - 1]. A generator: it pauses now and
// then, and returns the lists.
export function* candidateNeighbours(nodes) {
  const { count, stops, x, y, freeEnd } = nodes;
  const placed = stops + 1;  // the player and the stops; the free end has no place
  const width = Width + (freeEnd >= 0 ? 1 : 0);
  const list = new Int32Array(count * width);
  const length = new Int32Array(count);
  const grid = gridOf(x, y, placed);
  const lists = [nearestList(Nearest), ...Array.from({ length: 4 }, () => nearestList(PerQuadrant))];
  const merged = nearestList(Width);
  for (let a = 0; a < placed; a++) {
    nearestTo(grid, a, lists);
    merged.count = 0;
    for (const found of lists) {
      for (let k = 0; k < found.count; k++) {
        if (!listed(merged, found.node[k])) offer(merged, found.node[k], found.squared[k]);
      }
    }
    let at = a * width;
    if (freeEnd >= 0) list[at++] = freeEnd;
    list.set(merged.node.subarray(0, merged.count), at);
    length[a] = at - a * width + merged.count;
    if (a % NodesBetweenPauses === NodesBetweenPauses - 1) yield;
  }
  return { list, length, width };
}

// The nearest `most` nodes found so far, nearest first.
function nearestList(most) {
  return { most, count: 0, node: new Int32Array(most), squared: new Float64Array(most) };
}

function listed(found, b) {
  for (let k = 0; k < found.count; k++) if (found.node[k] === b) return true;
  return false;
}

// Keeps node b if it is among the nearest so far.
function offer(found, b, squared) {
  const { most, node, squared: kept } = found;
  if (found.count === most && squared >= kept[most - 1]) return;
  let at = found.count < most ? found.count++ : most - 1;
  while (at > 0 && kept[at - 1] > squared) {
    node[at] = node[at - 1];
    kept[at] = kept[at - 1];
    at--;
  }
  node[at] = b;
  kept[at] = squared;
}

function gridOf(x, y, placed) {
  const all = new Int32Array(placed);
  let minX = Infinity, minY = Infinity, maxX = -Infinity, maxY = -Infinity;
  for (let i = 0; i < placed; i++) {
    all[i] = i;
    minX = Math.min(minX, x[i]);
    maxX = Math.max(maxX, x[i]);
    minY = Math.min(minY, y[i]);
    maxY = Math.max(maxY, y[i]);
  }
  const side = Math.ceil(Math.sqrt(placed / NodesPerCell));
  const cell = Math.max(maxX - minX, maxY - minY, 1) / side;
  return new PointGrid(x, y, all, cell, 4 * side * side);
}

// Fills lists[0] with the nodes nearest node `a`, and lists[1 + q] with those nearest
// it in quadrant q (1 for those to its left, 2 for those above it, 3 for both).
function nearestTo(grid, a, lists) {
  const column = Math.floor((grid.xs[a] - grid.minX) / grid.cell);
  const row = Math.floor((grid.ys[a] - grid.minY) / grid.cell);
  for (const found of lists) found.count = 0;
  // How many rings hold all the cells of each quadrant, and of all four.
  const right = grid.columns - 1 - column, below = grid.rows - 1 - row;
  const q0 = Math.max(right, below), q1 = Math.max(column, below);
  const q2 = Math.max(right, row), q3 = Math.max(column, row);
  const all = Math.max(q0, q1, q2, q3);
  for (let ring = 0; ; ring++) {
    let full = lookAt(grid, a, lists, column - ring, row - ring, row + ring);
    if (!full && ring > 0) full = lookAt(grid, a, lists, column + ring, row - ring, row + ring);
    for (let c = column - ring + 1; c < column + ring && !full; c++) {
      full = lookAt(grid, a, lists, c, row - ring, row - ring) ||
        lookAt(grid, a, lists, c, row + ring, row + ring);
    }
    // A node outside these rings lies more than `ring` cells away.
    const reach = ring * grid.cell;
    if (full || (settled(lists[0], ring >= all, reach) &&
        settled(lists[1], ring >= q0, reach) && settled(lists[2], ring >= q1, reach) &&
        settled(lists[3], ring >= q2, reach) && settled(lists[4], ring >= q3, reach))) return;
  }
}

// Whether no node outside `reach` can join the nearest `found`.
function settled(found, lookedEverywhere, reach) {
  return lookedEverywhere ||
    (found.count === found.most && found.squared[found.most - 1] <= reach * reach);
}

// Offers node a the nodes in the cells of column c from row r0 to r1; true once its
// nearest are all at no distance, which no others can beat.
function lookAt(grid, a, lists, c, r0, r1) {
  const { xs, ys, rows, columns, starts, items } = grid;
  if (c < 0 || c >= columns) return false;
  r0 = Math.max(r0, 0);
  r1 = Math.min(r1, rows - 1);
  if (r0 > r1) return false;
  const ax = xs[a], ay = ys[a], nearest = lists[0];
  const end = starts[c * rows + r1 + 1];
  for (let k = starts[c * rows + r0]; k < end; k++) {
    const b = items[k];
    if (b === a) continue;
    const dx = xs[b] - ax, dy = ys[b] - ay, squared = dx * dx + dy * dy;
    offer(nearest, b, squared);
    offer(lists[1 + (dx < 0 ? 1 : 0) + (dy < 0 ? 2 : 0)], b, squared);
    if (nearest.count === nearest.most && nearest.squared[nearest.most - 1] === 0) return true;
  }
  return false;
}
