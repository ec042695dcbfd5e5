// A player's notes as data: the record of one note, the file that carries a world's notes
// (export, import and the live map's notes file share it), checking such a file, and
// merging two sets. No browser needed.
//
// A note is { name, x, y, text, mark, updated }: the island's name and position (its
// key), up to MostCharacters of plain text, one of Marks (or ''), and when it was last
// changed (milliseconds since 1970). A note with neither text nor mark is a removal, kept
// with its time so that it wins over older copies of the note elsewhere.
import { t } from '../i18n/i18n.js';

export const Format = 'tlmaper-notes';
export const Version = 1;
export const Marks = ['planned', 'danger', 'treasure', 'done'];
export const MostCharacters = 2000;
export const MostNotes = 20000;

export const noteKey = ({ name, x, y }) => `${x},${y},${name}`;
export const isRemoval = (note) => note.text === '' && note.mark === '';
const characters = (text) => [...text].length;

// Why `note` is not a note, in the page's language, or '' when it is one.
export function noteProblem(note) {
  if (note === null || typeof note !== 'object' || Array.isArray(note)) return t('noteFile.notObject');
  if (typeof note.name !== 'string') return t('noteFile.noName');
  for (const axis of ['x', 'y']) {
    // A world position is a 32-bit whole number.
    const position = note[axis];
    if (!Number.isInteger(position) || position < -(2 ** 31) || position >= 2 ** 31) {
      return t('noteFile.noPosition');
    }
  }
  if (typeof note.text !== 'string') return t('noteFile.noText');
  if (characters(note.text) > MostCharacters) return t('noteFile.tooLong', { most: String(MostCharacters) });
  if (note.mark !== '' && !Marks.includes(note.mark)) {
    return t('noteFile.unknownMark', { mark: String(note.mark).slice(0, 20) });
  }
  if (!Number.isSafeInteger(note.updated) || note.updated < 0) return t('noteFile.noTime');
  return '';
}

// Only the fields of a note, as a fresh record.
const cleanNote = ({ name, x, y, text, mark, updated }) => ({ name, x, y, text, mark, updated });

// The notes of a notes file's parsed `data`: { notes, world } or { problem }. `world`, when
// given, is the world the notes must be of.
export function readNotesFile(data, world = null) {
  if (data === null || typeof data !== 'object' || data.format !== Format) {
    return { problem: t('noteFile.notNotes') };
  }
  if (data.version !== Version) {
    return { problem: t('noteFile.version', { version: String(data.version).slice(0, 10) }) };
  }
  if (world !== null && data.world !== undefined && data.world !== world) {
    return { problem: t('noteFile.otherWorld', { world: String(data.world).slice(0, 80) }) };
  }
  if (!Array.isArray(data.notes)) return { problem: t('noteFile.noList') };
  if (data.notes.length > MostNotes) return { problem: t('noteFile.tooMany', { most: MostNotes }) };
  for (const note of data.notes) {
    const problem = noteProblem(note);
    if (problem) return { problem };
  }
  return { notes: data.notes.map(cleanNote), world: typeof data.world === 'string' ? data.world : null };
}

// A notes file of `notes` for `world`.
export const notesFile = (world, notes) => ({ format: Format, version: Version, world, notes });

// `incoming` merged into `kept` (a Map by key): the newer of two notes of an island wins,
// the one kept on a tie. Gives the keys that changed.
export function mergeNotes(kept, incoming) {
  const changed = [];
  for (const note of incoming) {
    const key = noteKey(note);
    const old = kept.get(key);
    if (old && old.updated >= note.updated) continue;
    kept.set(key, cleanNote(note));
    changed.push(key);
  }
  return changed;
}
