// Finds islands by name as the player types: case and accents ignored, anywhere in the
// name. Choosing a result (click, or Enter) moves the map to the island and shows its
// label. Works from the keyboard alone: arrows move through the results, Enter chooses,
// Escape closes the list. Names are compared and shown as text, never as markup.
// Results say how far each island is from the player, and may be ordered by that.
import { offsetBetween, offsetText } from '../shared/compass.js';

// Adds the search to the page, over the islands of `onMap` (the world on the map);
// onChoose(index) is called with each island chosen, once the map shows it.
export function addSearch(onMap, onChoose = () => {}) {
  const panel = document.getElementById('search-panel');
  const input = document.getElementById('search');
  const popup = document.getElementById('search-popup');
  const list = document.getElementById('search-results');
  const note = document.getElementById('search-note');
  if (!panel || !input || !popup || !list || !note) return;

  const MostResults = 10;      // a screenful
  const FoldingSlice = 10000;  // names folded at a time while the page starts
  const Separator = '\0';    // between the names in the folded text (a space in a name)

  // Case folded fully and accents taken off: "Ærø Ísland" → "ærø island", "Straße" →
  // "strasse", "IŞIK" and "Işık" → "isik". Upper case first, then lower, folds what
  // lower case alone keeps apart: "ß" becomes "ss", "ﬁ" "fi", the dotless "ı" "i" (and
  // the dotted "İ" an "i" whose dot goes with the accents). What is left is made plain
  // by hand: the capital "ẞ" comes back as "ß", and lower case brings back the final
  // sigma "ς". Plain ASCII, most text, skips the costly part.
  const fold = (text) => {
    if (!/[^\0-\x7f]/.test(text)) return text.toLowerCase();
    return text.toUpperCase().toLowerCase().normalize('NFD').replace(/\p{M}/gu, '')
      .replaceAll('ß', 'ss').replaceAll('ς', 'σ');
  };

  let islands = null;  // the world's islands, once read
  let player = null;

  // "Nearest first": the results ordered by distance from the player instead of by name.
  const nearestFirst = document.createElement('input');
  nearestFirst.type = 'checkbox';
  nearestFirst.id = 'search-nearest';
  const nearestLabel = document.createElement('label');
  nearestLabel.className = 'search-order';
  nearestLabel.append(nearestFirst, 'nearest first');
  // Keeps the focus in the search box while the mouse ticks it.
  nearestLabel.addEventListener('mousedown', (event) => event.preventDefault());
  nearestFirst.addEventListener('change', () => showResults());
  popup.prepend(nearestLabel);
  // All names folded into one text, joined by the separator, and where each starts in it:
  // one search of a long text is much faster than one per name.
  let folded = null;
  let starts = null;
  // The names folded so far, while the page is still folding them.
  let foldedParts = [];

  // Folds the next `count` names; once all are folded, joins them.
  function foldNames(count = Infinity) {
    if (folded !== null) return;
    const names = islands.names;
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

  // Folds the names a slice at a time between the page's other work, so the first
  // keystroke usually finds them ready; a keystroke before that folds the rest itself.
  function foldInSlices() {
    foldNames(FoldingSlice);
    if (folded === null) setTimeout(foldInSlices, 0);
  }

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

  onMap.onWorld((world) => {
    islands = world.islands;
    player = world.player;
    folded = null;
    starts = null;
    foldedParts = [];
    setTimeout(foldInSlices, 0);
    if (input.value) showResults();
  });

  // The squared distance of island `i` from the player.
  const farness = (i) => (islands.x[i] - player.x) ** 2 + (islands.y[i] - player.y) ** 2;

  // Keeps `island` among the MostResults nearest in `nearest`, nearest first.
  function keepNearest(nearest, island) {
    const far = farness(island);
    if (nearest.length === MostResults && farness(nearest[MostResults - 1]) <= far) return;
    let at = nearest.length;
    while (at > 0 && farness(nearest[at - 1]) > far) at--;
    nearest.splice(at, 0, island);
    if (nearest.length > MostResults) nearest.pop();
  }

  // The islands whose names hold `query`, those starting with it first (or the nearest
  // first, when asked), at most MostResults of them; and how many there are in all.
  function find(query) {
    foldNames();
    const wanted = fold(query.replaceAll(Separator, ''));
    const beginning = [];
    const inside = [];
    let total = 0;
    for (let at = folded.indexOf(wanted); at >= 0 && wanted !== '';) {
      const island = islandAt(at);
      total++;
      if (nearestFirst.checked) {
        keepNearest(beginning, island);
      } else if (at === starts[island]) {
        if (beginning.length < MostResults) beginning.push(island);
      } else if (inside.length < MostResults) {
        inside.push(island);
      }
      at = folded.indexOf(wanted, starts[island + 1]);
    }
    return { found: beginning.concat(inside).slice(0, MostResults), total };
  }

  function marksOf(index) {
    const marks = [`difficulty ${islands.difficulty[index]}`];
    if (islands.isTown[index]) marks.push('town');
    if (islands.isExplored[index]) marks.push('explored');
    marks.push(offsetText(offsetBetween(player, { x: islands.x[index], y: islands.y[index] })));
    return marks.join(' · ');
  }

  let shown = [];   // island indices of the listed results
  let active = -1;  // position of the highlighted result in `shown`

  function setOpen(open) {
    popup.hidden = !open;
    input.setAttribute('aria-expanded', String(open && shown.length > 0));
  }

  function highlight(position) {
    active = position;
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

  function option(index, position) {
    const item = document.createElement('li');
    item.id = `search-result-${position}`;
    item.setAttribute('role', 'option');
    item.setAttribute('aria-selected', 'false');
    const name = document.createElement('span');
    name.className = 'result-name';
    name.textContent = islands.names[index] || '(no name)';
    const marks = document.createElement('span');
    marks.className = 'result-marks';
    marks.textContent = marksOf(index);
    item.append(name, marks);
    // Keeps the focus in the search box while the mouse chooses.
    item.addEventListener('mousedown', (event) => event.preventDefault());
    item.addEventListener('click', () => choose(position));
    return item;
  }

  function showResults() {
    const query = input.value;
    highlight(-1);
    if (query.trim() === '') {
      shown = [];
      list.replaceChildren();
      note.textContent = '';
      setOpen(false);
      return;
    }
    if (!islands) {
      shown = [];
      list.replaceChildren();
      note.textContent = 'Reading the islands…';
      setOpen(true);
      return;
    }
    const { found, total } = find(query);
    shown = found;
    list.replaceChildren(...found.map(option));
    if (total === 0) {
      note.textContent = 'No island has that in its name.';
    } else if (total > found.length) {
      note.textContent = `${found.length} of ${total} islands; type more to narrow.`;
    } else {
      note.textContent = total === 1 ? '1 island' : `${total} islands`;
    }
    setOpen(true);
  }

  function choose(position) {
    const index = shown[position];
    if (index === undefined) return;
    highlight(position);
    setOpen(false);
    if (narrowScreen.matches) panel.open = false;  // leave the map free to see
    onMap.revealIsland(index);
    onChoose(index);
  }

  input.addEventListener('input', showResults);
  input.addEventListener('focus', () => { if (input.value.trim()) showResults(); });
  input.addEventListener('keydown', (event) => {
    const count = shown.length;
    if (event.key === 'ArrowDown' || event.key === 'ArrowUp') {
      event.preventDefault();
      if (popup.hidden) showResults();
      if (count === 0) return;
      const step = event.key === 'ArrowDown' ? 1 : -1;
      highlight(active < 0 ? (step > 0 ? 0 : count - 1) : (active + step + count) % count);
    } else if (event.key === 'Enter') {
      event.preventDefault();
      if (popup.hidden) showResults();
      choose(active >= 0 ? active : 0);
    } else if (event.key === 'Escape' && !popup.hidden) {
      event.preventDefault();  // the first Escape closes the list, the next clears the box
      setOpen(false);
    }
  });
  panel.addEventListener('focusout', (event) => {
    if (!panel.contains(event.relatedTarget)) setOpen(false);
  });

  // On a phone-sized screen the search folds away behind its button.
  const narrowScreen = window.matchMedia('(max-width: 640px)');
  const fitToScreen = () => { panel.open = !narrowScreen.matches; };
  fitToScreen();
  narrowScreen.addEventListener('change', fitToScreen);
  panel.addEventListener('toggle', () => {
    if (panel.open && narrowScreen.matches) input.focus();
  });
}
