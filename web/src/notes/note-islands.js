// Which island of a world each note is on. A note stays on its island across saves of
// the world: found by its name and position; else an island of the same name that moved
// (the nearest such, within a reach), else one at the same position that was renamed;
// else the note's island is not in this save. Each island carries one note at most.
import { noteKey } from './note-format.js';

// How far an island may have moved, in world units, and still carry its note.
const MovedReach = 64;

// The islands at the notes' positions and of the notes' names, in one pass over the
// islands: { at(x, y) -> [i], named: Map name -> [i] }. Positions are looked up by x, then
// y, so the pass makes no key for the islands that carry no note.
function islandsNear(islands, notes) {
  const byX = new Map();
  for (const { x, y } of notes) {
    if (!byX.has(x)) byX.set(x, new Map());
    byX.get(x).set(y, []);
  }
  const named = new Map(notes.map((note) => [note.name, []]));
  for (let i = 0; i < islands.count; i++) {
    byX.get(islands.x[i])?.get(islands.y[i])?.push(i);
    named.get(islands.names[i])?.push(i);
  }
  return { at: (x, y) => byX.get(x).get(y), named };
}

// Gives a Map note key -> island index (or -1) for `notes` (an array of notes) in
// `islands`.
export function notesOnIslands(islands, notes) {
  const { at, named } = islandsNear(islands, notes);
  const taken = new Set();
  const found = new Map();
  const take = (note, i) => {
    found.set(noteKey(note), i);
    if (i >= 0) taken.add(i);
  };
  // Exact first, so a moved or renamed island never takes the note of one that is there.
  const left = [];
  for (const note of notes) {
    const exact = at(note.x, note.y)
      .find((i) => !taken.has(i) && islands.names[i] === note.name);
    if (exact !== undefined) take(note, exact);
    else left.push(note);
  }
  const moved = (note) => {
    let best = -1, bestFar = MovedReach ** 2;
    for (const i of named.get(note.name)) {
      const far = (islands.x[i] - note.x) ** 2 + (islands.y[i] - note.y) ** 2;
      if (!taken.has(i) && far <= bestFar) [best, bestFar] = [i, far];
    }
    return best;
  };
  for (const note of left) {
    let i = moved(note);
    if (i < 0) i = at(note.x, note.y).find((k) => !taken.has(k)) ?? -1;
    take(note, i);
  }
  return found;
}
