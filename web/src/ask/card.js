// The card that says what lies at a place of the map: each island's name in full, its
// difficulty, whether it is a town or explored, its position, and how far it is from the
// player and which way; ships likewise, without a name. A dialog that screen readers
// announce (focus moves into it); Escape or its close button closes it and gives the
// focus back to where it was.
import { fromPlayerText, offsetBetween } from '../shared/compass.js';
import { textElement } from '../shared/text-element.js';
import { t } from '../i18n/i18n.js';

// The most entries a card lists; past them it says "and N more".
export const MostEntries = 5;

// What the card shows for `hits` ({ kind, index } as the square finder gives them,
// topmost first): at most MostEntries of them, and how many more there are.
export function cardContent(world, hits) {
  const entries = hits.slice(0, MostEntries).map(({ kind, index }) => {
    const records = kind === 'ship' ? world.ships : world.islands;
    const position = { x: records.x[index], y: records.y[index] };
    return {
      kind, index, ...position,
      name: kind === 'ship' ? t('card.ship') : world.islands.names[index],
      difficulty: records.difficulty[index],
      town: kind === 'island' && world.islands.isTown[index] === 1,
      explored: kind === 'island' && world.islands.isExplored[index] === 1,
      offset: offsetBetween(world.player, position),
    };
  });
  return { entries, more: hits.length - entries.length };
}

// The marks of an entry, as one line: "difficulty 7 · town · explored".
export function marksText(entry) {
  const marks = [t('card.difficulty', { difficulty: String(entry.difficulty) })];
  if (entry.town) marks.push(t('card.town'));
  if (entry.kind === 'island') marks.push(t(entry.explored ? 'card.explored' : 'card.unexplored'));
  return marks.join(' · ');
}

// "x 296, y 82 · 178 E of you" (or "· where you are").
export function whereText(entry) {
  return t('card.where', { x: String(entry.x), y: String(entry.y), offset: fromPlayerText(entry.offset) });
}

// What the dialog is called: its one name, or the first and how many more.
function cardLabel({ entries, more }) {
  const name = (entry) => entry.name.replace(/\s+/g, ' ').trim() || t('card.noName');
  const others = entries.length - 1 + more;
  return others === 0 ? name(entries[0]) : t('card.label', { name: name(entries[0]), count: others });
}

// The card, not yet in the document: put `element` where it should show. `onClose` is
// called whenever it closes; `actionsFor(entry)` gives an element of buttons for an
// entry (or null), shown under it.
export function makeCard(document, onClose = () => {}, actionsFor = () => null) {
  const element = document.createElement('section');
  element.id = 'card';
  element.className = 'panel';
  element.setAttribute('role', 'dialog');
  element.tabIndex = -1;
  element.hidden = true;
  const close = document.createElement('button');
  close.type = 'button';
  close.className = 'card-close';
  close.setAttribute('aria-label', t('card.close'));
  close.textContent = '×';
  const list = document.createElement('ul');
  list.className = 'card-entries';
  const moreLine = document.createElement('p');
  moreLine.className = 'card-more';
  element.append(close, list, moreLine);

  let returnFocus = null;

  function entryItem(entry) {
    const item = document.createElement('li');
    item.className = `card-entry card-${entry.kind}`;
    item.append(textElement('h2', 'card-name', entry.name || t('card.noName')),
      textElement('p', 'card-marks', marksText(entry)),
      textElement('p', 'card-where', whereText(entry)));
    const actions = actionsFor(entry);
    if (actions) item.append(actions);
    return item;
  }

  // Shows `content` (from cardContent) and moves the focus into the card, to come back
  // to the element that had it once the card closes.
  function open(content) {
    if (element.hidden) returnFocus = document.activeElement;
    list.replaceChildren(...content.entries.map(entryItem));
    moreLine.textContent = content.more > 0 ? t('card.more', { count: content.more }) : '';
    element.setAttribute('aria-label', cardLabel(content));
    element.hidden = false;
    element.focus({ preventScroll: true });
  }

  function hide() {
    if (element.hidden) return;
    element.hidden = true;
    const focusBack = returnFocus;
    returnFocus = null;
    // Only when the focus was in the card: a click on the map has moved it already.
    if (element.contains(document.activeElement) || document.activeElement === document.body) {
      focusBack?.focus?.({ preventScroll: true });
    }
    onClose();
  }

  close.addEventListener('click', hide);
  element.addEventListener('keydown', (event) => {
    if (event.key === 'Escape') {
      event.preventDefault();
      event.stopPropagation();
      hide();
    }
  });

  return { element, open, close: hide, isOpen: () => !element.hidden };
}
