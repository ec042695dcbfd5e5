// The islands' names folded into one text, joined by a separator, and where each starts
// in it: one search of a long text is much faster than one per name. The names are folded
// a slice at a time while the page is idle, once asked to (after the first view is
// shown), so the first keystroke usually finds them ready; a search before that folds
// the rest itself.
import { fold } from './fold.js';

const FoldingSlice = 1000;   // names folded at a time, between looks at the idle time left
const SliceMargin = 2;       // milliseconds of idle time left unused
const Separator = '\0';      // between the names in the folded text (a space in a name)

// The index of `names`; foldWhenIdle() starts folding them in slices.
export function nameIndex(names) {
  let folded = null;
  let starts = null;
  let foldedParts = [];  // the names folded so far, while they are being folded

  // Folds the next `count` names; once all are folded, joins them.
  function foldNames(count = Infinity) {
    if (folded !== null) return;
    const end = Math.min(names.length, foldedParts.length + count);
    for (let i = foldedParts.length; i < end; i++) {
      const name = fold(names[i] ?? '');
      foldedParts.push(name.includes(Separator) ? name.replaceAll(Separator, ' ') : name);
    }
    if (foldedParts.length < names.length) return;
    starts = new Int32Array(names.length + 1);
    for (let i = 0; i < names.length; i++) starts[i + 1] = starts[i] + foldedParts[i].length + 1;
    folded = foldedParts.join(Separator);
    foldedParts = null;
  }
  const whenIdle = globalThis.requestIdleCallback ??
    ((work) => setTimeout(() => work({ timeRemaining: () => 0 }), 0));
  const foldInSlices = (deadline) => {
    do foldNames(FoldingSlice);
    while (folded === null && deadline.timeRemaining() > SliceMargin);
    if (folded === null) whenIdle(foldInSlices);
  };

  // The island whose name holds the character at `position` of the folded text.
  function islandAt(position) {
    let low = 0;
    let high = starts.length - 2;
    while (low < high) {
      const middle = (low + high + 1) >> 1;
      if (starts[middle] <= position) low = middle;
      else high = middle - 1;
    }
    return low;
  }

  // Calls visit(island, atStart) for each island whose name holds `query`, in the order
  // of the lists; atStart says whether the name starts with it.
  function forEachMatch(query, visit) {
    foldNames();
    const wanted = fold(query.replaceAll(Separator, ''));
    if (wanted === '') return;
    for (let at = folded.indexOf(wanted); at >= 0;) {
      const island = islandAt(at);
      visit(island, at === starts[island]);
      at = folded.indexOf(wanted, starts[island + 1]);
    }
  }

  return { forEachMatch, foldWhenIdle: () => whenIdle(foldInSlices) };
}

// The islands of `index` whose names hold `query`: those starting with it first, at most
// `most` of them, or with `farness(island)` the `most` nearest first; and how many there
// are in all.
export function findIslands(index, query, most, farness = null) {
  const beginning = [];
  const inside = [];
  let total = 0;
  index.forEachMatch(query, (island, atStart) => {
    total++;
    if (farness) keepNearest(beginning, island, most, farness);
    else if (atStart && beginning.length < most) beginning.push(island);
    else if (!atStart && inside.length < most) inside.push(island);
  });
  return { found: beginning.concat(inside).slice(0, most), total };
}

// Keeps `island` among the `most` nearest in `nearest`, nearest first.
function keepNearest(nearest, island, most, farness) {
  const far = farness(island);
  if (nearest.length === most && farness(nearest[most - 1]) <= far) return;
  let at = nearest.length;
  while (at > 0 && farness(nearest[at - 1]) > far) at--;
  nearest.splice(at, 0, island);
  if (nearest.length > most) nearest.pop();
}
