// What a new save changed, told on a live page: a short notice at the bottom left
// ("Since the last save: Stormcrag explored; Iron Reef is now a town; and 3 more"), each
// island's name a link that goes there and opens its card, and rings around the changed
// islands on the map, until the next save or until the notice is dismissed. A save that
// changed nothing but where the player is says nothing.
import { changeRings } from './change-rings.js';
import { ChangeKinds, worldChanges } from './world-changes.js';
import { t, tParts } from '../i18n/i18n.js';

// The islands named in the notice; the others are counted.
const MostNamed = 4;

// The changes by island, the islands in the order of their first kind of change:
// [{ index, gone, whats, was }], `was` the difficulty before a change of it.
function byIsland(changes) {
  const islands = new Map();
  for (const { index, what, was } of changes) {
    const key = what === 'gone' ? -1 - index : index;
    if (!islands.has(key)) islands.set(key, { index, gone: what === 'gone', whats: [], was });
    const island = islands.get(key);
    island.whats.push(what);
    island.was ??= was;
  }
  const rank = (island) => ChangeKinds.indexOf(island.whats[0]);
  return [...islands.values()].sort((a, b) => rank(a) - rank(b) || a.index - b.index);
}

const difficultyText = (value) => (value < 0 ? t('changes.unknown') : String(value));

// What the notice says of one island, its name (an element) in it: one whole phrase for
// each combination of changes, so that each language words it as a whole.
function saidOf({ index, whats, was }, after, name) {
  if (whats.includes('new')) return tParts('changes.appeared', { name });
  if (whats.includes('gone')) return tParts('changes.gone', { name });
  const key = ['explored', 'town', 'difficulty'].filter((what) => whats.includes(what))
    .map((what, k) => (k === 0 ? what : what[0].toUpperCase() + what.slice(1))).join('');
  return tParts(`changes.${key}`, {
    name, now: difficultyText(after.islands.difficulty[index]), was: difficultyText(was),
  });
}

// Adds the notice and the rings to `map`, over the world `shown` shows; onChoose(index)
// opens an island's card. Gives { show(before, after), changes() }: show() tells what
// changed from world `before` to `after` (shown now), and changes() gives the last
// update's changes as [{ index, what }].
export function noticeChanges(map, shown, { onChoose }) {
  const rings = changeRings(map);
  const notice = L.DomUtil.create('div', 'panel live-changes');
  notice.hidden = true;
  const text = L.DomUtil.create('p', 'live-changes-text', notice);
  text.setAttribute('role', 'status');
  const close = L.DomUtil.create('button', 'live-changes-close', notice);
  close.type = 'button';
  close.textContent = '×';
  close.setAttribute('aria-label', t('changes.dismiss'));
  L.DomEvent.disableClickPropagation(notice);
  L.DomEvent.disableScrollPropagation(notice);
  const NoticeControl = L.Control.extend({ onAdd: () => notice });
  new NoticeControl({ position: 'bottomleft' }).addTo(map);
  let last = [];

  function dismiss() {
    notice.hidden = true;
    text.replaceChildren();
    rings.show(null);
  }
  close.addEventListener('click', dismiss);

  // The name of island `index` of `world`: a link to it, or plain text for one gone.
  function nameOf(world, index, gone) {
    const name = world.islands.names[index] || t('changes.unnamed');
    if (gone) return name;
    const link = document.createElement('button');
    link.type = 'button';
    link.className = 'link-button';
    link.textContent = name;
    link.addEventListener('click', () => {
      shown.revealIsland(index);
      onChoose(index);
    });
    return link;
  }

  return {
    show(before, after) {
      const start = performance.now();
      last = worldChanges(before, after);
      // For the benchmarks, and the browser's own profiler.
      performance.measure('tlmaper: changes since the last save', { start });
      if (last.length === 0) return dismiss();
      const islands = byIsland(last);
      const said = [];
      islands.slice(0, MostNamed).forEach((island, k) => {
        if (k > 0) said.push(t('changes.separator'));
        const world = island.gone ? before : after;
        said.push(...saidOf(island, after, nameOf(world, island.index, island.gone)));
      });
      const changes = document.createDocumentFragment();
      changes.append(...said);
      const more = islands.length - MostNamed;
      text.replaceChildren(...(more > 0
        ? tParts('changes.noticeMore', { changes, count: more })
        : tParts('changes.notice', { changes })));
      notice.hidden = false;
      const x = new Int32Array(islands.length), y = new Int32Array(islands.length);
      const gone = new Uint8Array(islands.length);
      islands.forEach(({ index, gone: isGone }, k) => {
        const world = isGone ? before : after;
        x[k] = world.islands.x[index];
        y[k] = world.islands.y[index];
        gone[k] = isGone ? 1 : 0;
      });
      rings.show({ x, y, gone });
    },
    changes: () => last.map(({ index, what }) => ({ index, what })),
  };
}
