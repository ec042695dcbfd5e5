// The player's notes at work on the page: kept per world (in the browser, and in the
// notes file beside the save that the page brings), shown on the map (the "My notes"
// switch), in the card of their island, in the "Notes" panel, found by the search, and
// exported to and imported from a file. Notes hold across a live page's new worlds.
import { switchName } from '../world/layer-control.js';
import { fold } from '../search/fold.js';
import { isRemoval, noteKey, notesFile, readNotesFile } from './note-format.js';
import { noteEditor } from './note-editor.js';
import { noteSymbolImage } from './note-symbols.js';
import { notesOnIslands } from './note-islands.js';
import { notesLayer } from './notes-layer.js';
import { makeNotesPanel } from './notes-panel.js';
import { notesStore } from './notes-store.js';
import { t } from '../i18n/i18n.js';

const LayerName = 'My notes';
// The largest file an import reads.
const MostImportBytes = 32 * 2 ** 20;

// The notes the page brought (the notes file's, put into the page by the tool): [] when
// it brought none or they cannot be read.
function broughtNotes(text, worldName) {
  if (!text || text.trim() === '') return [];
  try {
    return readNotesFile(JSON.parse(text), worldName).notes ?? [];
  } catch {
    return [];
  }
}

// Adds the notes over the world `shown` shows on `map`, for the world named `worldName`;
// the panel goes into `bar` before `before`; onChoose(index) opens an island's card.
// `pageNotes` is the text of the notes the page brought.
export function addNotes(map, shown, { bar, before, onChoose, worldName, pageNotes }) {
  const store = notesStore(worldName, broughtNotes(pageNotes, worldName));
  // The legend's keys: each mark's symbol, as the map draws it.
  for (const key of document.querySelectorAll('#legend .key-note[data-mark]')) {
    key.append(noteSymbolImage(document, key.dataset.mark, 16));
  }
  let world = null;
  let onIsland = new Map();  // note key -> island index, or -1
  let ofIsland = new Map();  // island index -> note
  const marks = new Map();    // island index -> mark, for the map
  const listeners = [];
  const layer = notesLayer(map, () => ({ islands: world.islands, marks }));
  const panel = makeNotesPanel(document, {
    choose: (index) => { shown.revealIsland(index); onChoose(index); },
    exportNotes, importFile,
  });
  if (bar) bar.insertBefore(panel.element, before ?? null);
  panel.element.addEventListener('toggle', showPanel);

  // Finds every note's island in the world shown.
  function attach() {
    const notes = [...store.all()].filter((note) => !isRemoval(note));
    onIsland = notesOnIslands(world.islands, notes);
    ofIsland = new Map();
    marks.clear();
    for (const note of notes) {
      const index = onIsland.get(noteKey(note));
      if (index < 0) continue;
      ofIsland.set(index, note);
      marks.set(index, note.mark);
    }
  }
  function showPanel() {
    const found = [...ofIsland].map(([index, note]) => ({ index, note }));
    const missing = [...onIsland].filter(([, index]) => index < 0).map(([key]) => store.get(key));
    panel.show(found, missing);
    shown.setLayerCount(LayerName, t('layers.count', { count: ofIsland.size }));
  }
  // What shows the notes, after a change (of island `index` alone, when given).
  function changed(index = -1) {
    if (index >= 0) layer.redrawIsland(index);
    else layer.redraw();
    showPanel();
    for (const listener of listeners) listener();
  }

  shown.onWorld((newWorld) => {
    world = newWorld;
    shown.layerControl().addOverlay(layer.layer, switchName(LayerName, t('layers.count', { count: 0 })));
    if (!map.hasLayer(layer.layer)) layer.layer.addTo(map);
    attach();
    changed();
  });
  // A note saved in a card changes only its island; notes from elsewhere (an import, the
  // live file) are found on their islands anew.
  let saving = -1;
  store.onChange(() => {
    if (saving < 0) attach();
    changed(saving);
  });

  // Keeps the player's note for island `index`: under the island's name and position now
  // (a note found on a moved or renamed island moves to it, its old place removed).
  function save(index, { text, mark }) {
    const { names, x, y } = world.islands;
    const old = ofIsland.get(index);
    saving = index;
    try {
      if (old) onIsland.delete(noteKey(old));
      const note = { name: names[index], x: x[index], y: y[index], text, mark };
      if (isRemoval(note)) {
        ofIsland.delete(index);
        marks.delete(index);
      } else {
        onIsland.set(noteKey(note), index);
        ofIsland.set(index, note);
        marks.set(index, mark);
      }
      const kept = store.set(note);
      if (!isRemoval(note)) ofIsland.set(index, kept);
      if (old && noteKey(old) !== noteKey(kept)) store.set({ ...old, text: '', mark: '' });
      return kept;
    } finally {
      saving = -1;
    }
  }

  function exportNotes() {
    const file = notesFile(worldName, [...store.all()]);
    const blob = new Blob([JSON.stringify(file, null, 1)], { type: 'application/json' });
    const link = document.createElement('a');
    link.href = URL.createObjectURL(blob);
    link.download = `${worldName.replace(/[\\/:*?"<>|\p{Cc}]/gu, '_').trim() || 'world'} notes.json`;
    document.body.append(link);
    link.click();
    link.remove();
    setTimeout(() => URL.revokeObjectURL(link.href), 0);
    panel.say(t('notes.exported', { count: ofIsland.size }));
  }

  // Reads a notes file and merges it; a file that is not this world's notes is refused
  // whole, and nothing kept changes.
  async function importFile(file) {
    const refuse = (why) => panel.say(t('notes.refused', { reason: why }));
    if (file.size > MostImportBytes) return refuse(t('notes.tooLarge'));
    let data;
    try {
      data = JSON.parse(await file.text());
    } catch {
      return refuse(t('notes.notJson'));
    }
    const read = readNotesFile(data, worldName);
    if (read.problem) return refuse(read.problem);
    const came = store.merge(read.notes).length;
    panel.say(t('notes.came', { count: came }));
  }

  const folded = new WeakMap();  // note -> its text folded, for the search
  return {
    store,
    // The note editor for a card's entry (islands only).
    editorFor(entry) {
      if (entry.kind !== 'island') return null;
      const note = ofIsland.get(entry.index) ?? null;
      return noteEditor(document, note, (change) => save(entry.index, change)).element;
    },
    noteOf: (index) => ofIsland.get(index) ?? null,
    // The marks of the islands with notes: a Map island -> mark ('' for none).
    marks: () => marks,
    // The islands whose notes hold `query` (case and accents ignored).
    islandsNoted(query) {
      const wanted = fold(query.trim());
      if (wanted === '') return [];
      const found = [];
      for (const [index, note] of ofIsland) {
        if (!folded.has(note)) folded.set(note, fold(note.text));
        if (folded.get(note).includes(wanted)) found.push(index);
      }
      return found;
    },
    onChange: (listener) => listeners.push(listener),
    list: () => [...onIsland].map(([key, index]) => {
      const note = store.get(key);
      return { index: index >= 0 ? index : null, text: note.text, mark: note.mark };
    }),
    marksInView: () => layer.marksInView(),
  };
}
