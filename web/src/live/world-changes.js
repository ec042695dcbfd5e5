// What a new save changed in the world: the islands newly explored, newly towns, with
// another difficulty, that appeared and that are gone. An island is the same in both
// worlds when its name and position are (several alike are paired in their order).
// A save mostly lists its islands as the one before did: the islands both worlds hold in
// the same places from the first on, and from the last back, are paired in one walk. The
// others, between, are found through
// a hash table of the old islands' positions in typed arrays (open addressing), the
// probing written out in the loops, as the comparison runs once a save, before the
// engine has made it fast: 200,000 islands are compared in tens of ms, where a Map of
// text keys takes most of a second.

// The kinds of change, in the order the page names them.
export const ChangeKinds = ['explored', 'town', 'difficulty', 'new', 'gone'];

const Empty = -1;

// The changes from world `before` to world `after`: [{ index, what }], `what` one of
// ChangeKinds, `index` into after's islands (into before's for 'gone'); a change of
// difficulty also gives the one it `was`. An island can have several. Ships and the
// player are not compared.
export function worldChanges(before, after) {
  const was = before.islands, now = after.islands;
  const wx = was.x, wy = was.y, wNames = was.names, wCount = was.count;
  const nx = now.x, ny = now.y, nNames = now.names;
  const changes = [];
  const compare = (i, old) => {
    if (now.isExplored[i] && !was.isExplored[old]) changes.push({ index: i, what: 'explored' });
    if (now.isTown[i] && !was.isTown[old]) changes.push({ index: i, what: 'town' });
    if (now.difficulty[i] !== was.difficulty[old]) {
      changes.push({ index: i, what: 'difficulty', was: was.difficulty[old] });
    }
  };
  const common = Math.min(wCount, now.count);
  let same = 0;
  while (same < common && wx[same] === nx[same] && wy[same] === ny[same] &&
         wNames[same] === nNames[same]) {
    compare(same, same);
    same++;
  }
  // From the last islands back, as far as the two lists still agree; compared after
  // those between, so that the changes come in the islands' order.
  let end = wCount, newEnd = now.count;
  while (end > same && newEnd > same && wx[end - 1] === nx[newEnd - 1] &&
         wy[end - 1] === ny[newEnd - 1] && wNames[end - 1] === nNames[newEnd - 1]) {
    end--;
    newEnd--;
  }
  let size = 2;
  while (size < 2 * (end - same)) size *= 2;
  const mask = size - 1;
  // Each slot holds one kind (name and position) of the old islands: `kind` one island of
  // it, to compare with, and `next` the first of its islands not yet paired; `later`
  // gives, after each island, the next one alike.
  const kind = new Int32Array(size).fill(Empty);
  const next = new Int32Array(size).fill(Empty);
  const later = new Int32Array(end);
  // From the last island to the first, so that each kind's islands run in their order.
  for (let j = end - 1; j >= same; j--) {
    const x = wx[j], y = wy[j], name = wNames[j];
    let slot = ((Math.imul(x, 0x9e3779b1) ^ Math.imul(y ^ 0x7f4a7c15, 0x85ebca77)) >>> 7) & mask;
    for (let k = kind[slot]; k !== Empty && !(wx[k] === x && wy[k] === y && wNames[k] === name);
      k = kind[slot]) {
      slot = (slot + 1) & mask;
    }
    later[j] = next[slot];
    kind[slot] = j;
    next[slot] = j;
  }
  const paired = new Uint8Array(end);
  for (let i = same; i < newEnd; i++) {
    const x = nx[i], y = ny[i], name = nNames[i];
    let slot = ((Math.imul(x, 0x9e3779b1) ^ Math.imul(y ^ 0x7f4a7c15, 0x85ebca77)) >>> 7) & mask;
    for (let k = kind[slot]; k !== Empty && !(wx[k] === x && wy[k] === y && wNames[k] === name);
      k = kind[slot]) {
      slot = (slot + 1) & mask;
    }
    const old = kind[slot] === Empty ? Empty : next[slot];
    if (old === Empty) {
      changes.push({ index: i, what: 'new' });
      continue;
    }
    next[slot] = later[old];
    paired[old] = 1;
    compare(i, old);
  }
  for (let k = 0; newEnd + k < now.count; k++) compare(newEnd + k, end + k);
  for (let old = same; old < end; old++) {
    if (!paired[old]) changes.push({ index: old, what: 'gone' });
  }
  return changes;
}
