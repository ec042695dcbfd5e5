// The notes of a live page kept in the notes file beside the save, through the live
// server: the file's notes come in when the page opens, and every change the player
// makes here goes to the file, a batch at a time. Opened from disk it does nothing (the
// tool puts the file's notes into the page it writes).
import { Format, noteKey, noteProblem, Version } from './note-format.js';
import { t } from '../i18n/i18n.js';

// The largest body sent at once; the server takes up to 1 MiB.
const MostBatchBytes = 512 * 1024;

// Splits `notes` into request bodies of at most MostBatchBytes each.
function batches(notes) {
  const bodies = [];
  let batch = [];
  let size = 0;
  for (const note of notes) {
    const length = JSON.stringify(note).length * 3;  // UTF-8 of the worst kind
    if (batch.length > 0 && size + length > MostBatchBytes) {
      bodies.push(batch);
      batch = [];
      size = 0;
    }
    batch.push(note);
    size += length;
  }
  if (batch.length > 0) bodies.push(batch);
  return bodies.map((notesOfBatch) => JSON.stringify({ format: Format, version: Version, notes: notesOfBatch }));
}

// Follows the notes file for `store` (see notes-store.js); say(text) tells the player
// when the file could not take a change.
export function keepNotesLive(store, say) {
  if (!/^https?:$/.test(location.protocol)) return;
  let fromServer = false;
  let sending = Promise.resolve();
  store.onChange((keys) => {
    if (fromServer) return;
    const notes = keys.map((key) => store.get(key)).filter(Boolean);
    sending = sending.then(() => send(notes));
  });
  async function send(notes) {
    for (const body of batches(notes)) {
      try {
        const response = await fetch('notes', {
          method: 'POST', headers: { 'Content-Type': 'application/json' }, body,
        });
        if (!response.ok) throw new Error(`${response.status} ${await response.text()}`.trim());
      } catch (error) {
        say(t('notes.notKept', { reason: error.message }));
        return;
      }
    }
  }
  fetch('notes', { cache: 'no-store' }).then((response) => (response.ok ? response.json() : null))
    .then((data) => {
      if (!data || !Array.isArray(data.notes)) return;
      const notes = data.notes.filter((note) => noteProblem(note) === '');
      fromServer = true;
      try {
        store.merge(notes);
      } finally {
        fromServer = false;
      }
      // What this browser has that the file lacks, or has older, goes to the file.
      const inFile = new Map(notes.map((note) => [noteKey(note), note.updated]));
      const missing = [...store.all()]
        .filter((note) => !(inFile.get(noteKey(note)) >= note.updated));
      if (missing.length > 0) sending = sending.then(() => send(missing));
    })
    .catch(() => {});
}
