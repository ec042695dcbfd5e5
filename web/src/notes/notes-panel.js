// The "Notes" panel of the top bar: every note of this world, by island name, with its
// mark and first line (choose one to go there and open its card); the notes whose island
// is not in this save; export to a file and import from one.
import { buttonElement as button, panelFoot, textElement } from '../shared/text-element.js';
import { makeTopPanel } from '../shared/top-panel.js';
import { noteSymbolImage } from './note-symbols.js';
import { t } from '../i18n/i18n.js';

// Past this many, the list shows the first ones and says how many more there are.
const MostListed = 500;
const firstLine = (text) => text.split('\n').find((line) => line.trim() !== '')?.trim() ?? '';
const plainName = (name) => name.replace(/\s+/g, ' ').trim() || t('card.noName');


// One line of the list: the symbol, the island's name and the note's first line.
function noteLine(note, onChoose) {
  const line = document.createElement('li');
  const go = button('', 'note-go');
  go.append(noteSymbolImage(document, note.mark, 16),
    textElement('span', 'note-name', plainName(note.name)),
    textElement('span', 'note-first-line', firstLine(note.text)));
  if (onChoose) go.addEventListener('click', onChoose);
  else go.disabled = true;
  line.append(go);
  return line;
}

// The panel, not yet in the document. `actions`: choose(index), exportNotes(),
// importFile(file).
export function makeNotesPanel(document, actions) {
  const { panel, summary, popup } = makeTopPanel(document, 'notes-panel', t('notes.button'), 'div');
  const heading = textElement('h2', 'notes-heading', t('notes.heading'));
  heading.id = 'notes-heading';
  const list = document.createElement('ul');
  list.id = 'notes-list-shown';
  list.className = 'notes-list';
  list.setAttribute('aria-labelledby', 'notes-heading');
  const lostHeading = textElement('h2', 'notes-heading', t('notes.lost'));
  const lost = document.createElement('ul');
  lost.id = 'notes-lost';
  lost.className = 'notes-list';
  const exportButton = button(t('notes.export'), 'notes-export');
  exportButton.addEventListener('click', () => actions.exportNotes());
  const chooser = document.createElement('input');
  chooser.type = 'file';
  chooser.accept = '.json,application/json';
  chooser.className = 'visually-hidden';
  chooser.tabIndex = -1;
  chooser.setAttribute('aria-hidden', 'true');
  chooser.addEventListener('change', () => {
    if (chooser.files[0]) actions.importFile(chooser.files[0]);
    chooser.value = '';
  });
  const importButton = button(t('notes.import'), 'notes-import');
  importButton.addEventListener('click', () => chooser.click());
  const { tools, status, hint } = panelFoot([exportButton, importButton, chooser], 'notes-status',
    t('notes.hint'));
  popup.append(heading, list, lostHeading, lost, tools, status, hint);

  // Shows `found` ([{ note, index }], index the island's) and `missing` (notes whose
  // island is not in this save).
  function show(found, missing) {
    summary.textContent = found.length + missing.length === 0 ? t('notes.button')
      : t('notes.buttonCount', { count: found.length + missing.length });
    exportButton.disabled = found.length + missing.length === 0;
    lostHeading.hidden = missing.length === 0;
    if (!panel.open) return;
    const sorted = [...found].sort((a, b) => a.note.name.localeCompare(b.note.name));
    const lines = sorted.slice(0, MostListed)
      .map(({ note, index }) => noteLine(note, () => actions.choose(index)));
    if (found.length === 0) lines.push(textElement('li', 'notes-empty', t('notes.none')));
    if (sorted.length > MostListed) {
      lines.push(textElement('li', 'notes-empty',
        t('notes.more', { count: sorted.length - MostListed })));
    }
    list.replaceChildren(...lines);
    lost.replaceChildren(...missing.slice(0, MostListed).map((note) => noteLine(note, null)));
  }
  return { element: panel, show, say: (text) => { status.textContent = text; } };
}
