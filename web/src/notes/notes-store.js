// A world's notes kept in the browser (its local storage, one entry per world), merged
// with those the page brought (the notes file beside the save) and, on a live page, kept
// in that file too. Every note ever written stays, removals included, so that merging
// with an older copy never brings a removed note back.
import { mergeNotes, noteKey, readNotesFile } from './note-format.js';

const StorageKey = (world) => `tlmaper-notes:${world}`;
// The notes changed since the world's entry was last written whole: a small entry
// written at once, so that saving a note does not wait for thousands of others.
const RecentKey = (world) => `${StorageKey(world)}:recent`;

// The notes of `world` kept in this browser under `key`, or [] (none, or not readable).
function storedNotes(world, key) {
  try {
    const text = localStorage.getItem(key);
    if (!text) return [];
    const read = readNotesFile(JSON.parse(text), world);
    return read.notes ?? [];
  } catch {
    return [];
  }
}
const notesText = (world, notes) =>
  JSON.stringify({ format: 'tlmaper-notes', version: 1, world, notes });

// The notes of `world`: those kept in this browser merged with `brought` (the page's
// own). Gives { all(), get(key), set(note), merge(notes), onChange(listener), problem() }.
export function notesStore(world, brought) {
  const notes = new Map();
  mergeNotes(notes, storedNotes(world, StorageKey(world)));
  mergeNotes(notes, storedNotes(world, RecentKey(world)));
  const fromPage = mergeNotes(notes, brought);
  const listeners = [];
  let problem = '';

  // Keeps the notes in the browser: the changed ones at once, all of them when the page
  // is idle. A browser out of room says so (the notes stay on the page until it closes,
  // and the file and export still take them).
  let recent = new Map();
  let writeAll = 0;
  const store = (write) => {
    try {
      write();
      problem = '';
    } catch (error) {
      problem = `This browser could not keep your notes (${error.name}); export them to keep them.`;
    }
  };
  const keepAll = () => {
    writeAll = 0;
    store(() => {
      localStorage.setItem(StorageKey(world), notesText(world, [...notes.values()]));
      localStorage.removeItem(RecentKey(world));
      recent = new Map();
    });
  };
  function keep(keys) {
    if (keys.length > 100) return keepAll();  // an import: all at once
    for (const key of keys) recent.set(key, notes.get(key));
    store(() => localStorage.setItem(RecentKey(world), notesText(world, [...recent.values()])));
    if (!writeAll) writeAll = (window.requestIdleCallback ?? setTimeout)(keepAll, { timeout: 2000 });
  }
  // A page closing writes what waits.
  window.addEventListener('pagehide', () => { if (writeAll) keepAll(); });
  if (fromPage.length > 0) keep(fromPage);
  const changed = (keys) => {
    if (keys.length === 0) return;
    keep(keys);
    for (const listener of listeners) listener(keys);
  };

  return {
    all: () => notes.values(),
    get: (key) => notes.get(key) ?? null,
    // Puts a note in place (the player's own change: now is its time).
    set(note) {
      const stamped = { ...note, updated: Math.max(Date.now(), (notes.get(noteKey(note))?.updated ?? 0) + 1) };
      notes.set(noteKey(stamped), stamped);
      changed([noteKey(stamped)]);
      return stamped;
    },
    // Merges notes from elsewhere (import, the live server); gives the keys that changed.
    merge(incoming) {
      const keys = mergeNotes(notes, incoming);
      changed(keys);
      return keys;
    },
    onChange: (listener) => listeners.push(listener),
    problem: () => problem,
  };
}
