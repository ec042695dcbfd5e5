// Finds islands by name as the player types: case and accents ignored, anywhere in the
// name. Choosing a result (click, or Enter) moves the map to the island and shows its
// label. Works from the keyboard alone: arrows move through the results, Enter chooses,
// Shift+Enter adds the highlighted island to the voyage, Escape closes the list. Names
// are compared and shown as text, never as markup. Results say how far each island is
// from the player, and may be ordered by that.
import { offsetBetween, offsetText } from '../shared/compass.js';
import { findIslands, nameIndex } from './name-index.js';
import { t } from '../i18n/i18n.js';

const MostResults = 10;  // a screenful

// "difficulty 7 · town · explored · 140 NE": what a result says beside the name.
function marksOf(islands, player, index) {
  const marks = [t('card.difficulty', { difficulty: String(islands.difficulty[index]) })];
  if (islands.isTown[index]) marks.push(t('card.town'));
  if (islands.isExplored[index]) marks.push(t('card.explored'));
  marks.push(offsetText(offsetBetween(player, { x: islands.x[index], y: islands.y[index] })));
  return marks.join(' · ');
}

// " · note: first words" for an island with a note, or ''.
function noteSnippet(note) {
  if (!note || note.text.trim() === '') return '';
  const words = note.text.replace(/\s+/g, ' ').trim();
  return ` · ${t('search.note', { words: words.length > 40 ? `${words.slice(0, 39)}…` : words })}`;
}

// "3 of 40 islands; type more to narrow.", "1 island", or that none was found.
function noteFor(total, listed) {
  if (total === 0) return t('search.nothing');
  if (total > listed) return t('search.narrow', { listed, count: total });
  return t('search.found', { count: total });
}

// The tick box "nearest first", at the top of `popup`; onChange() when it is ticked.
function addOrderToggle(popup, onChange) {
  const nearestFirst = document.createElement('input');
  nearestFirst.type = 'checkbox';
  nearestFirst.id = 'search-nearest';
  const label = document.createElement('label');
  label.className = 'search-order';
  label.append(nearestFirst, t('search.nearestFirst'));
  // Keeps the focus in the search box while the mouse ticks it.
  label.addEventListener('mousedown', (event) => event.preventDefault());
  nearestFirst.addEventListener('change', onChange);
  popup.prepend(label);
  return nearestFirst;
}

// One result, the `position`th of the list: the name, what it is and where; a "+" that
// the mouse uses to add it to the voyage (the keyboard has Shift+Enter).
function resultOption(text, position, { onChoose, onAdd }) {
  const item = document.createElement('li');
  item.id = `search-result-${position}`;
  item.setAttribute('role', 'option');
  item.setAttribute('aria-selected', 'false');
  const name = document.createElement('span');
  name.className = 'result-name';
  name.textContent = text.name;
  const marks = document.createElement('span');
  marks.className = 'result-marks';
  marks.textContent = text.marks;
  item.append(name, marks);
  if (onAdd) {
    const add = document.createElement('span');
    add.className = 'result-add';
    add.title = t('search.add');
    add.textContent = '+';
    add.addEventListener('click', (event) => {
      event.stopPropagation();
      onAdd(position);
    });
    item.append(add);
  }
  // Keeps the focus in the search box while the mouse chooses.
  item.addEventListener('mousedown', (event) => event.preventDefault());
  item.addEventListener('click', () => onChoose(position));
  return item;
}

// Marks the `position`th option of `list` as the one the keys are on (none for -1), and
// tells screen readers through the search box `input`.
function highlightOption(list, input, position) {
  list.querySelectorAll('[role="option"]').forEach((option, i) => {
    option.setAttribute('aria-selected', String(i === position));
  });
  const option = position >= 0 ? list.children[position] : null;
  if (option) {
    input.setAttribute('aria-activedescendant', option.id);
    option.scrollIntoView({ block: 'nearest' });
  } else {
    input.removeAttribute('aria-activedescendant');
  }
}

// Adds the search to the page, over the islands of `onMap` (the world on the map);
// onChoose(index) is called with each island chosen, once the map shows it, and
// onAdd(index) with each island the player adds to the voyage from the results.
// noted(query) gives the islands whose notes hold the query, found after those whose
// names do; noteOf(index) an island's note ({ text } or null).
export function addSearch(onMap, {
  onChoose = () => {}, onAdd = null, noted = () => [], noteOf = () => null,
} = {}) {
  const panel = document.getElementById('search-panel');
  const input = document.getElementById('search');
  const popup = document.getElementById('search-popup');
  const list = document.getElementById('search-results');
  const note = document.getElementById('search-note');
  if (!panel || !input || !popup || !list || !note) return;

  let islands = null;  // the world's islands, once read
  let player = null;
  let index = null;
  const nearestFirst = addOrderToggle(popup, () => showResults());
  onMap.onWorld((world) => {
    ({ islands, player } = world);
    index = nameIndex(islands.names);
    const folding = index;
    onMap.afterFirstView(() => folding.foldWhenIdle());
    if (input.value) showResults();
  });
  // The squared distance of island `i` from the player.
  const farness = (i) => (islands.x[i] - player.x) ** 2 + (islands.y[i] - player.y) ** 2;

  let shown = [];   // island indices of the listed results
  let active = -1;  // position of the highlighted result in `shown`
  const setOpen = (open) => {
    popup.hidden = !open;
    input.setAttribute('aria-expanded', String(open && shown.length > 0));
  };
  const highlight = (position) => {
    active = position;
    highlightOption(list, input, position);
  };
  // Lists `found` with `noteText` under it; the list opens unless there is nothing to say.
  function showList(found, noteText) {
    shown = found;
    list.replaceChildren(...found.map((island, position) => resultOption({
      name: islands.names[island] || t('card.noName'),
      marks: marksOf(islands, player, island) + noteSnippet(noteOf(island)),
    }, position, { onChoose: choose, onAdd: onAdd && add })));
    note.textContent = noteText;
    setOpen(noteText !== '');
  }
  function showResults() {
    const query = input.value;
    highlight(-1);
    if (query.trim() === '') showList([], '');
    else if (!islands) showList([], t('search.reading'));
    else {
      const { found, total } = findIslands(index, query, MostResults,
        nearestFirst.checked ? farness : null);
      // Then the islands whose notes hold it, past those already found by name.
      const byName = new Set(found);
      const byNote = noted(query).filter((island) => !byName.has(island));
      const all = found.concat(byNote).slice(0, MostResults);
      showList(all, noteFor(total + byNote.length, all.length));
    }
  }

  function choose(position) {
    const island = shown[position];
    if (island === undefined) return;
    highlight(position);
    setOpen(false);
    if (narrowScreen.matches) panel.open = false;  // leave the map free to see
    onMap.revealIsland(island);
    onChoose(island);
  }
  function add(position) {
    const island = shown[position];
    if (island !== undefined) onAdd(island);
  }

  input.addEventListener('input', showResults);
  input.addEventListener('focus', () => { if (input.value.trim()) showResults(); });
  input.addEventListener('keydown', (event) => {
    if (popup.hidden && ['ArrowDown', 'ArrowUp', 'Enter'].includes(event.key)) showResults();
    const count = shown.length;
    if (event.key === 'ArrowDown' || event.key === 'ArrowUp') {
      event.preventDefault();
      if (count === 0) return;
      const step = event.key === 'ArrowDown' ? 1 : -1;
      highlight(active < 0 ? (step > 0 ? 0 : count - 1) : (active + step + count) % count);
    } else if (event.key === 'Enter') {
      event.preventDefault();
      if (event.shiftKey && onAdd) add(active >= 0 ? active : 0);
      else choose(active >= 0 ? active : 0);
    } else if (event.key === 'Escape' && !popup.hidden) {
      event.preventDefault();  // the first Escape closes the list, the next clears the box
      setOpen(false);
    }
  });
  panel.addEventListener('focusout', (event) => {
    if (!panel.contains(event.relatedTarget)) setOpen(false);
  });
  const narrowScreen = foldOnPhone(panel, input);
}

// On a phone-sized screen the search folds away behind its button; opened, it puts the
// focus in the box. Gives the query that tells a phone-sized screen.
function foldOnPhone(panel, input) {
  const narrowScreen = window.matchMedia('(max-width: 640px)');
  const fitToScreen = () => { panel.open = !narrowScreen.matches; };
  fitToScreen();
  narrowScreen.addEventListener('change', fitToScreen);
  panel.addEventListener('toggle', () => {
    if (panel.open && narrowScreen.matches) input.focus();
  });
  return narrowScreen;
}
