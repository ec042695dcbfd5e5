// The island filter at work on the page: the control in the top bar, the labels and
// marks of only the islands it lets through (placed over them alone), a veil over the
// squares of the others, the counts in the layer control and the legend, and the filter
// kept in the address beside the view. It holds across a live page's new worlds.
import {
  carryFilter, difficultySpan, filterAddressPart, filterFromHash, fitFilter, matchIslands,
  narrows,
} from './filter.js';
import { makeFilterControl } from './filter-control.js';
import { squaresOf } from '../drawn/drawn-map.js';
import { makeVeil } from './veil.js';
import { t } from '../i18n/i18n.js';

// Adds the filter over the world `shown` shows on `map`; its control goes into `bar`
// before `before`. `followAddress()` writes the address anew; noted() gives the marks of
// the islands with notes (a Map island -> mark). Gives what the page's other parts use:
// addressPart(), matches() (one byte per island, or null for all), onChange(callback),
// notesChanged() (to call when the notes change).
export function addFilter(map, shown, { bar, before, legendList, followAddress, noted = () => new Map() }) {
  const pane = map.createPane('veilPane');
  pane.style.zIndex = 455;  // over the difficulty colours (450), under the markers (600)
  pane.style.pointerEvents = 'none';

  let world = null;
  let span = null;
  let filter = null;
  let matching = { matches: null, count: 0 };
  let veil = null;
  const listeners = [];

  // The filter as it stands for `newWorld`: carried over from the world before.
  function adopt(newWorld) {
    if (newWorld === world) return;
    const newSpan = difficultySpan(newWorld.islands);
    filter = filter === null
      ? filterFromHash(location.hash, newSpan)
      : carryFilter(filter, span, newSpan);
    world = newWorld;
    span = newSpan;
    matching = matchingOf(filter);
  }
  const matchingOf = (someFilter) => (narrows(someFilter, span)
    ? matchIslands(world.islands, someFilter, noted())
    : { matches: null, count: world.islands.count });

  const control = makeFilterControl(document, (asked) => apply(asked));
  if (bar) bar.insertBefore(control.element, before ?? null);
  const legendLine = document.createElement('li');
  legendLine.className = 'legend-filter';

  // Shows what the filter is now: veil, control, legend, address, and tells listeners.
  function showFilter() {
    veil?.remove();
    veil = matching.matches ? makeVeil(world, matching.matches).addTo(map) : null;
    control.set(filter, span, matching.count, world.islands.count);
    if (matching.matches) {
      const key = document.createElement('span');
      key.className = 'key key-veiled';
      legendLine.replaceChildren(key,
        t('legend.filter', { matching: matching.count, count: world.islands.count }));
      legendList?.append(legendLine);
    } else {
      legendLine.remove();
    }
    shown.showLayerCounts();
    followAddress();
    for (const listener of listeners) listener();
  }

  // Puts `asked` in place, fitted to the world, unless it is the filter shown.
  function apply(asked) {
    const next = fitFilter(asked, span);
    if (filter !== null && filterAddressPart(next, span) === filterAddressPart(filter, span)) {
      control.set(filter, span, matching.count, world.islands.count);
      return;
    }
    filter = next;
    matching = matchingOf(filter);
    shown.filterIslands(matchesOf);
    showFilter();
  }

  const matchesOf = (someWorld) => {
    adopt(someWorld);
    return matching.matches;
  };
  // The placement of this world and each new one lets through what the filter does.
  shown.filterIslands(matchesOf);
  shown.onWorld((newWorld) => {
    adopt(newWorld);
    showFilter();
    // The squares the veil draws, worked out while the page is idle after the first
    // view, so that the first filter does not wait for them.
    shown.afterFirstView(() => squaresOf(newWorld));
  });

  // An address typed in, or reached with Back and Forward, brings its filter.
  window.addEventListener('hashchange', () => apply(filterFromHash(location.hash, span)));

  return {
    // A filter on notes follows them: a note added, changed or removed.
    notesChanged() {
      if (!filter?.notes) return;
      matching = matchingOf(filter);
      shown.filterIslands(matchesOf);
      showFilter();
    },
    addressPart: () => (filter === null ? '' : filterAddressPart(filter, span)),
    matches: () => matching.matches,
    onChange: (callback) => listeners.push(callback),
  };
}
