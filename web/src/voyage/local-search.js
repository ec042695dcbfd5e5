// The local search: 2-opt moves (two edges swapped for two others, a path reversed) and
// or-opt moves (a segment of one to three nodes taken out and put back elsewhere, either
// way round), each tried only towards a node's nearest neighbours. Nodes wait in a queue
// to be looked at; a node is looked at again only once an edge at it has changed.

import { moveSegment, nextOf, previousOf, reversePath } from './tour-array.js';
import { distanceIn, tiedIn } from './tour-nodes.js';

const MostMoved = 3;
// A move must shorten the tour by more than this share of the edges it removes, so that
// rounding never lets two moves undo each other for ever.
const Tolerance = 1e-12;

// The local search of `tour` (see tour-array.js) over the lists of `neighbours` (see
// neighbours.js). `orOpt` false leaves the or-opt moves out. Gives { wake(a), waiting(),
// settle(most) }: wake puts node a in the queue; settle looks at up to `most` nodes
// from the queue, making each improving move it finds, and gives how much shorter the
// tour became.
export function localSearch(nodes, neighbours, tour, { orOpt = true } = {}) {
  const { count } = nodes;
  const { list, length, width } = neighbours;
  const distance = distanceIn(nodes), tied = tiedIn(nodes);
  const next = (a) => nextOf(tour, a), previous = (a) => previousOf(tour, a);
  const queue = new Int32Array(count), queued = new Uint8Array(count);
  let head = 0, waiting = 0;
  const wake = (a) => {
    if (queued[a]) return;
    queued[a] = 1;
    queue[(head + waiting++) % count] = a;
  };
  const improves = (removed, added) => removed - added > removed * Tolerance;

  // Removes the edge from t1 to t2 (either side of t1) and one from a neighbour t3 of t2,
  // joining t2 to t3.
  function twoOpt(t1) {
    for (let side = 0; side < 2; side++) {
      const t2 = side === 0 ? next(t1) : previous(t1);
      if (tied(t1, t2)) continue;
      const d12 = distance(t1, t2);
      for (let k = t2 * width, end = k + length[t2]; k < end; k++) {
        const t3 = list[k];
        const d23 = distance(t2, t3);
        if (d23 >= d12) break;
        const t4 = side === 0 ? previous(t3) : next(t3);
        if (t4 === t2 || tied(t3, t4)) continue;
        const removed = d12 + distance(t3, t4), added = d23 + distance(t4, t1);
        if (!improves(removed, added)) continue;
        if (side === 0) reversePath(tour, t2, t4);
        else reversePath(tour, t4, t2);
        wake(t1);
        wake(t2);
        wake(t3);
        wake(t4);
        return removed - added;
      }
    }
    return 0;
  }

  // Takes out the segment of one to three nodes that starts at t1 (going either way) and
  // puts it between a neighbour of one of its ends and that neighbour's next or previous
  // node.
  function moveOr(t1) {
    if (count < MostMoved + 4) return 0;
    for (let side = 0; side < 2; side++) {
      const step = side === 0 ? next : previous;
      const before = side === 0 ? previous(t1) : next(t1);
      let last = t1, middle = -1;
      for (let moved = 1; moved <= MostMoved; moved++) {
        if (moved > 1) {
          if (moved === 3) middle = last;
          last = step(last);
        }
        const after = step(last);
        if (tied(before, t1) || tied(last, after)) continue;
        const outer = distance(before, t1) + distance(last, after);
        const closed = distance(before, after);
        const saved = outer - closed;
        if (!improves(outer, closed)) continue;
        for (let tipSide = 0; tipSide < (moved === 1 ? 1 : 2); tipSide++) {
          const tip = tipSide === 0 ? t1 : last, tail = tipSide === 0 ? last : t1;
          for (let k = tip * width, end = k + length[tip]; k < end; k++) {
            const c = list[k];
            const joined = distance(tip, c);
            if (joined >= saved) break;
            if (c === t1 || c === last || c === middle) continue;
            for (let cSide = 0; cSide < 2; cSide++) {
              const e = cSide === 0 ? next(c) : previous(c);
              if (e === t1 || e === last || e === middle || tied(c, e)) continue;
              const removed = outer + distance(c, e);
              const added = closed + joined + distance(tail, e);
              if (!improves(removed, added)) continue;
              // The segment's first node going forward, now and once moved.
              const first = side === 0 ? t1 : last;
              const placedFirst = cSide === 0 ? tip : tail;
              moveSegment(tour, first, moved, cSide === 0 ? c : e, placedFirst !== first);
              wake(before);
              wake(after);
              wake(t1);
              wake(last);
              wake(c);
              wake(e);
              return removed - added;
            }
          }
        }
      }
    }
    return 0;
  }

  function settle(most) {
    let gained = 0;
    for (let looked = 0; waiting > 0 && looked < most; looked++) {
      const a = queue[head];
      head = head + 1 === count ? 0 : head + 1;
      waiting--;
      queued[a] = 0;
      const gain = twoOpt(a);
      gained += gain > 0 || !orOpt ? gain : moveOr(a);
    }
    return gained;
  }

  return { wake, waiting: () => waiting, settle };
}
