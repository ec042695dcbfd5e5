// What a new save changed in the world: the islands newly explored, newly towns, with
// another difficulty, that appeared and that are gone. An island is the same in both
// worlds when its name and position are (several alike are paired in their order).
// The old world's islands are found through a hash table of their positions in typed
// arrays, one pass over each world: 200,000 islands are compared in a few tens of ms,
// where a Map of text keys takes most of a second.

// The kinds of change, in the order the page names them.
export const ChangeKinds = ['explored', 'town', 'difficulty', 'new', 'gone'];

const Empty = -1;

const slotOf = (x, y, mask) =>
  ((Math.imul(x, 0x9e3779b1) ^ Math.imul(y ^ 0x7f4a7c15, 0x85ebca77)) >>> 7) & mask;

// The islands of `was` by name and position: find(x, y, name) gives the first one alike
// not yet taken, and takes it, or -1.
function islandTable(was) {
  let size = 2;
  while (size < 2 * was.count) size *= 2;
  const mask = size - 1;
  const first = new Int32Array(size).fill(Empty);  // the first island of a slot's kind
  const next = new Int32Array(size).fill(Empty);   // the next one of its kind not taken
  const after = new Int32Array(was.count).fill(Empty);  // the next island alike
  const same = (j, x, y, name) => was.x[j] === x && was.y[j] === y && was.names[j] === name;
  // The slot of the kind of (x, y, name): its own, or the empty one where it would go.
  const slotFor = (x, y, name) => {
    let slot = slotOf(x, y, mask);
    while (first[slot] !== Empty && !same(first[slot], x, y, name)) slot = (slot + 1) & mask;
    return slot;
  };
  // From the last island to the first, so each kind's list runs in the islands' order.
  for (let j = was.count - 1; j >= 0; j--) {
    const slot = slotFor(was.x[j], was.y[j], was.names[j]);
    after[j] = next[slot];
    first[slot] = j;
    next[slot] = j;
  }
  return (x, y, name) => {
    const slot = slotFor(x, y, name);
    const j = next[slot];
    if (j !== Empty) next[slot] = after[j];
    return j;
  };
}

// The changes from world `before` to world `after`: [{ index, what }], `what` one of
// ChangeKinds, `index` into after's islands (into before's for 'gone'); a change of
// difficulty also gives the one it `was`. An island can have several. Ships and the
// player are not compared.
export function worldChanges(before, after) {
  const was = before.islands, now = after.islands;
  const take = islandTable(was);
  const paired = new Uint8Array(was.count);
  const changes = [];
  for (let i = 0; i < now.count; i++) {
    const old = take(now.x[i], now.y[i], now.names[i]);
    if (old === Empty) {
      changes.push({ index: i, what: 'new' });
      continue;
    }
    paired[old] = 1;
    if (now.isExplored[i] && !was.isExplored[old]) changes.push({ index: i, what: 'explored' });
    if (now.isTown[i] && !was.isTown[old]) changes.push({ index: i, what: 'town' });
    if (now.difficulty[i] !== was.difficulty[old]) changes.push({ index: i, what: 'difficulty', was: was.difficulty[old] });
  }
  for (let old = 0; old < was.count; old++) {
    if (!paired[old]) changes.push({ index: old, what: 'gone' });
  }
  return changes;
}
