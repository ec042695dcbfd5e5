// The filter's control: a button in the page's top bar that opens a small form, with
// the difficulty from A to B (within the world's lowest and highest), "unexplored only"
// and "towns only", how many islands match, and a button that clears it. The button
// says what the filter keeps while one is on.
import { openFilter, fitFilter, narrows, NoteChoices } from './filter.js';
import { makeTopPanel } from '../shared/top-panel.js';
import { t } from '../i18n/i18n.js';

// Typing a difficulty waits this long for the next key before the map follows.
const TypingPause = 250;

function labelled(document, text, input) {
  const label = document.createElement('label');
  label.append(input, text);
  return label;
}

// The control, not yet in the document. onChange(filter) is called when the player
// changes it; set(filter, span, matching, total) shows a filter and its count.
export function makeFilterControl(document, onChange) {
  const { panel, summary, popup: form } = makeTopPanel(document, 'filter-panel', t('filter.button'), 'form');
  form.setAttribute('aria-label', t('filter.form'));

  const number = (id, name) => {
    const input = document.createElement('input');
    input.type = 'number';
    input.id = id;
    input.step = '1';
    input.inputMode = 'numeric';
    input.setAttribute('aria-label', name);
    return input;
  };
  const low = number('filter-low', t('filter.low'));
  const high = number('filter-high', t('filter.high'));
  const range = document.createElement('fieldset');
  const legend = document.createElement('legend');
  legend.textContent = t('filter.difficulty');
  const to = document.createElement('span');
  to.textContent = t('filter.to');
  range.append(legend, low, to, high);

  const checkbox = (id) => {
    const input = document.createElement('input');
    input.type = 'checkbox';
    input.id = id;
    return input;
  };
  const unexplored = checkbox('filter-unexplored');
  const towns = checkbox('filter-towns');
  // Only the islands with the player's notes: any, or those of one mark.
  const notes = document.createElement('select');
  notes.id = 'filter-notes';
  const NoteNames = ['filter.notesAll', 'filter.notesAny', 'marks.planned', 'marks.danger',
    'marks.treasure', 'marks.done'];
  notes.append(...NoteChoices.map((value, k) => new Option(t(NoteNames[k]), value)));
  const notesLabel = document.createElement('label');
  notesLabel.append(t('filter.notes'), notes);
  const count = document.createElement('p');
  count.id = 'filter-count';
  count.setAttribute('role', 'status');
  const clear = document.createElement('button');
  clear.type = 'button';
  clear.id = 'filter-clear';
  clear.textContent = t('filter.showAll');
  const footer = document.createElement('div');
  footer.className = 'filter-footer';
  footer.append(count, clear);
  form.append(range, labelled(document, t('filter.unexploredOnly'), unexplored),
    labelled(document, t('filter.townsOnly'), towns), notesLabel, footer);

  let span = null;
  let shown = openFilter(null);

  // The filter the form holds; a box left empty or unreadable keeps its last value.
  const read = () => fitFilter({
    low: low.value === '' ? shown.low : Number(low.value),
    high: high.value === '' ? shown.high : Number(high.value),
    unexplored: unexplored.checked,
    towns: towns.checked,
    notes: notes.value,
  }, span);

  let typingTimer = 0;
  const changed = (wait) => {
    clearTimeout(typingTimer);
    const send = () => onChange(read());
    if (wait) typingTimer = setTimeout(send, TypingPause);
    else send();
  };
  // Typing waits for a pause; arrows, Enter and leaving the box apply at once.
  for (const input of [low, high]) {
    input.addEventListener('input', () => changed(true));
    input.addEventListener('change', () => changed(false));
    input.addEventListener('blur', () => { input.value = String(shown[input === low ? 'low' : 'high']); });
  }
  unexplored.addEventListener('change', () => changed(false));
  towns.addEventListener('change', () => changed(false));
  notes.addEventListener('change', () => changed(false));
  clear.addEventListener('click', () => {
    clearTimeout(typingTimer);
    onChange(openFilter(span));
  });
  form.addEventListener('submit', (event) => {
    event.preventDefault();
    changed(false);
  });

  function summaryText(filter) {
    if (!narrows(filter, span)) return t('filter.button');
    const parts = [];
    if (span && (filter.low > span.low || filter.high < span.high)) {
      parts.push(filter.low === filter.high ? `${filter.low}` : `${filter.low}–${filter.high}`);
    }
    if (filter.unexplored) parts.push(t('filter.partUnexplored'));
    if (filter.towns) parts.push(t('filter.partTowns'));
    if (filter.notes) parts.push(t(filter.notes === 'any' ? 'filter.partNoted' : `marks.${filter.notes}`));
    return t('filter.buttonOn', { parts: parts.join(t('list.separator')) });
  }

  // Shows `filter` for a world of difficulties `worldSpan`, of whose `total` islands
  // `matching` pass it.
  function set(filter, worldSpan, matching, total) {
    span = worldSpan;
    shown = filter;
    for (const input of [low, high]) {
      input.min = String(span?.low ?? 0);
      input.max = String(span?.high ?? 0);
      input.disabled = span === null;
    }
    // A box being typed into keeps what the player typed.
    if (document.activeElement !== low) low.value = String(filter.low);
    if (document.activeElement !== high) high.value = String(filter.high);
    unexplored.checked = filter.unexplored;
    towns.checked = filter.towns;
    notes.value = filter.notes;
    const on = narrows(filter, span);
    summary.textContent = summaryText(filter);
    panel.classList.toggle('filter-on', on);
    count.textContent = on
      ? t('filter.match', { matching, count: total })
      : t('filter.all', { count: total });
    clear.disabled = !on;
  }

  return { element: panel, set };
}
