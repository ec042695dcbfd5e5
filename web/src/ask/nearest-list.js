// The "Nearest" list: a button in the page's top bar that opens the ten islands nearest
// the player that the filter lets through, each with its distance, direction and
// difficulty. Choosing one (click, or Enter on it) shows it on the map and opens its card.
import { fromPlayerText, offsetBetween, offsetText } from '../shared/compass.js';
import { nearestIslands } from './nearest.js';
import { islandGridOf } from './squares-at.js';
import { textElement } from '../shared/text-element.js';
import { makeTopPanel } from '../shared/top-panel.js';
import { t } from '../i18n/i18n.js';

const MostNearest = 10;

// The list, not yet in the document. onChoose(index) is called with the island chosen,
// onAdd(index) (when given) with one the player adds to the voyage; show(items,
// filtered) lists { index, name, difficulty, offset } nearest first.
export function makeNearestList(document, onChoose, onAdd = null) {
  const { panel, popup } = makeTopPanel(document, 'nearest-panel', t('nearest.button'), 'div');
  const heading = document.createElement('h2');
  heading.id = 'nearest-heading';
  const list = document.createElement('ol');
  list.id = 'nearest-list';
  list.setAttribute('aria-labelledby', 'nearest-heading');
  popup.append(heading, list);

  function item({ index, name, difficulty, offset }) {
    const line = document.createElement('li');
    const button = document.createElement('button');
    button.type = 'button';
    button.dataset.island = String(index);
    const nameText =
      textElement('span', 'nearest-name', name.replace(/\s+/g, ' ').trim() || t('card.noName'));
    const offsetPart = textElement('span', 'nearest-offset', offsetText(offset));
    const difficultyPart = textElement('span', 'nearest-difficulty', String(difficulty));
    difficultyPart.title = t('nearest.difficulty');
    // Read out as one sentence, "Name, 46 E of you, difficulty 11", in place of the
    // pieces shown.
    const spoken = textElement('span', 'visually-hidden', t('nearest.spoken', {
      name: nameText.textContent, offset: fromPlayerText(offset), difficulty: String(difficulty),
    }));
    for (const shownPart of [nameText, offsetPart, difficultyPart]) shownPart.setAttribute('aria-hidden', 'true');
    button.append(spoken, nameText, offsetPart, difficultyPart);
    button.addEventListener('click', () => onChoose(index));
    line.append(button);
    if (onAdd) {
      const add = document.createElement('button');
      add.type = 'button';
      add.className = 'nearest-add';
      add.textContent = '+';
      add.title = t('nearest.add');
      add.setAttribute('aria-label', t('nearest.addNamed', { name: nameText.textContent }));
      add.addEventListener('click', () => onAdd(index));
      line.append(add);
    }
    return line;
  }

  function show(items, filtered) {
    heading.textContent = items.length === 0
      ? t(filtered ? 'nearest.noneMatch' : 'nearest.none')
      : t(filtered ? 'nearest.headingMatching' : 'nearest.heading');
    list.replaceChildren(...items.map(item));
  }

  return { element: panel, show };
}

// Adds the list to `bar` before `before`, over the world `shown` shows and the islands
// `filtering` lets through; choosing an island reveals it and calls onChoose(index), its
// "+" calls onAdd(index).
export function addNearestList(shown, filtering, { bar, before, onChoose, onAdd }) {
  const narrowScreen = window.matchMedia('(max-width: 640px)');
  const nearest = makeNearestList(document, (index) => {
    if (narrowScreen.matches) nearest.element.open = false;  // leave the map free to see
    shown.revealIsland(index);
    onChoose(index);
  }, onAdd);
  bar.insertBefore(nearest.element, before ?? null);

  let world = null;
  let stale = true;
  // Kept up to date while folded too (a few cells of the grid): the list is there as
  // soon as it opens. A new world's list is made while the page is idle after the first
  // view (the grid of its islands takes a while in a large world), or when the list
  // opens before that.
  function refresh() {
    if (!world) return;
    stale = false;
    const { islands, player } = world;
    const matches = filtering.matches();
    const accepts = matches ? (i) => matches[i] === 1 : () => true;
    const found = nearestIslands(islandGridOf(world), islands.x, islands.y, player, accepts, MostNearest);
    nearest.show(found.map((index) => ({
      index,
      name: islands.names[index],
      difficulty: islands.difficulty[index],
      offset: offsetBetween(player, { x: islands.x[index], y: islands.y[index] }),
    })), matches !== null);
  }
  shown.onWorld((newWorld) => {
    world = newWorld;
    stale = true;
    shown.afterFirstView(() => { if (stale) refresh(); });
  });
  nearest.element.addEventListener('toggle', () => {
    if (nearest.element.open && stale) refresh();
  });
  filtering.onChange(refresh);
}
