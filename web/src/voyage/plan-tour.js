// A short tour of many nodes: the local search from a first tour, then an iterated local
// search while the time lasts: a random double bridge kick (two neighbouring blocks of
// the tour swapped), the local search again around it, and the result kept when it is
// no longer than the best so far, put back otherwise.

import { localSearch } from './local-search.js';
import { arrayTour, restoreTour, swapBlocks } from './tour-array.js';
import { distanceIn, tiedIn, tourLength } from './tour-nodes.js';

const NodesPerSettle = 32;
const MostKickBlock = 50;
const FewestKicked = 8;     // smaller tours are left as the local search ends them
const KickTries = 8;
const Rounding = 1e-9;

// Improves the tour `first` (an Int32Array of all the nodes) of `nodes` (see
// tour-nodes.js), with `neighbours` (see neighbours.js): kicks go on until
// `workedMs()` reaches `budgetMs`, or `patience` kicks in a row find nothing shorter.
// `seed` chooses the kicks. A generator: it pauses after every kick (and now and then in
// the first descent), and returns the best tour found.
export function* improveTour(nodes, neighbours, first, {
  budgetMs, patience, seed = 1, workedMs, orOpt = true,
}) {
  const tour = arrayTour(first);
  const search = localSearch(nodes, neighbours, tour, { orOpt });
  for (let a = 0; a < nodes.count; a++) search.wake(a);
  while (search.waiting() > 0) {
    search.settle(NodesPerSettle);
    yield;
  }
  const best = Int32Array.from(tour.node);
  if (nodes.count < FewestKicked) return best;
  let length = tourLength(nodes, best);
  const random = seededRandom(seed);
  const kick = doubleBridge(nodes, tour, search, random);
  let stale = 0;
  while (stale < patience && workedMs() < budgetMs) {
    let trial = length + kick();
    while (search.waiting() > 0) trial -= search.settle(Infinity);
    // The length is kept up to date by adding up changes, so differences within
    // rounding count as none: otherwise they could keep up the search for ever.
    if (trial <= length + length * Rounding) {
      stale = trial < length - length * Rounding ? 0 : stale + 1;
      length = trial;
      best.set(tour.node);
    } else {
      stale++;
      restoreTour(tour, best);
    }
    yield;
  }
  return best;
}

// A kick for `tour`: swaps two neighbouring blocks of up to MostKickBlock nodes each,
// leaving the free end's edge alone, and wakes the six nodes at the changed edges. Gives
// how much longer the tour became.
function doubleBridge(nodes, tour, search, random) {
  const distance = distanceIn(nodes), tied = tiedIn(nodes);
  const { size, node } = tour;
  const most = Math.min(MostKickBlock, (size - 1) >> 1);
  return () => {
    for (let tries = 0; tries < KickTries; tries++) {
      const from = Math.floor(random() * size);
      const first = 1 + Math.floor(random() * most), second = 1 + Math.floor(random() * most);
      const a1 = node[from], a2 = node[(from + 1) % size];
      const b1 = node[(from + first) % size], b2 = node[(from + first + 1) % size];
      const c1 = node[(from + first + second) % size];
      const c2 = node[(from + first + second + 1) % size];
      if (tied(a1, a2) || tied(b1, b2) || tied(c1, c2)) continue;
      const removed = distance(a1, a2) + distance(b1, b2) + distance(c1, c2);
      const added = distance(a1, b2) + distance(c1, a2) + distance(b1, c2);
      swapBlocks(tour, (from + 1) % size, first, second);
      search.wake(a1);
      search.wake(a2);
      search.wake(b1);
      search.wake(b2);
      search.wake(c1);
      search.wake(c2);
      return added - removed;
    }
    return 0;
  };
}

// Numbers in [0, 1) from a seed, the same every time: a 32-bit xorshift, plenty for
// choosing kicks.
function seededRandom(seed) {
  let state = (seed >>> 0) || 1;
  return () => {
    state ^= state << 13;
    state ^= state >>> 17;
    state ^= state << 5;
    return (state >>> 0) / 4294967296;
  };
}
