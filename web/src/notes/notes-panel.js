// The "Notes" panel of the top bar: every note of this world, by island name, with its
// mark and first line (choose one to go there and open its card); the notes whose island
// is not in this save; export to a file and import from one.
import { buttonElement as button, panelFoot, textElement } from '../shared/text-element.js';
import { makeTopPanel } from '../shared/top-panel.js';
import { noteSymbolImage } from './note-symbols.js';

// Past this many, the list shows the first ones and says how many more there are.
const MostListed = 500;
const firstLine = (text) => text.split('\n').find((line) => line.trim() !== '')?.trim() ?? '';
const plainName = (name) => name.replace(/\s+/g, ' ').trim() || '(no name)';


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
  const { panel, summary, popup } = makeTopPanel(document, 'notes-panel', 'Notes', 'div');
  const heading = textElement('h2', 'notes-heading', 'Your notes');
  heading.id = 'notes-heading';
  const list = document.createElement('ul');
  list.id = 'notes-list-shown';
  list.className = 'notes-list';
  list.setAttribute('aria-labelledby', 'notes-heading');
  const lostHeading = textElement('h2', 'notes-heading', 'Not in this save');
  const lost = document.createElement('ul');
  lost.id = 'notes-lost';
  lost.className = 'notes-list';
  const exportButton = button('Export', 'notes-export');
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
  const importButton = button('Import…', 'notes-import');
  importButton.addEventListener('click', () => chooser.click());
  const { tools, status, hint } = panelFoot([exportButton, importButton, chooser], 'notes-status',
    'Write a note in an island\'s card. Notes stay in this browser, and beside the save on the live map.');
  popup.append(heading, list, lostHeading, lost, tools, status, hint);

  // Shows `found` ([{ note, index }], index the island's) and `missing` (notes whose
  // island is not in this save).
  function show(found, missing) {
    summary.textContent = found.length + missing.length === 0 ? 'Notes'
      : `Notes (${(found.length + missing.length).toLocaleString('en')})`;
    exportButton.disabled = found.length + missing.length === 0;
    lostHeading.hidden = missing.length === 0;
    if (!panel.open) return;
    const sorted = [...found].sort((a, b) => a.note.name.localeCompare(b.note.name));
    const lines = sorted.slice(0, MostListed)
      .map(({ note, index }) => noteLine(note, () => actions.choose(index)));
    if (found.length === 0) lines.push(textElement('li', 'notes-empty', 'No notes yet.'));
    if (sorted.length > MostListed) {
      lines.push(textElement('li', 'notes-empty',
        `and ${(sorted.length - MostListed).toLocaleString('en')} more: the search finds them by their words`));
    }
    list.replaceChildren(...lines);
    lost.replaceChildren(...missing.slice(0, MostListed).map((note) => noteLine(note, null)));
  }
  return { element: panel, show, say: (text) => { status.textContent = text; } };
}
