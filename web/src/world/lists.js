// Reads what the tool writes into the page's inert text blocks: the world's name, the
// player's position and the five marker lists, which it turns into compact arrays. This
// is the page's one reader of them; a live page reads each new page through it too.
//
// The lists The lists are never run as script: they are
// scanned as data in the one fixed form the tool writes, entries joined by ",\n":
//   L.marker(map.unproject([X,Y],map.getZoom()))                               (plain)
//   L.marker(map.unproject([X,Y],map.getZoom()),{clickable:false,icon:L.divIcon(
//     {iconAnchor:[A,B],html:'TEXT',className:"CLASS"})})                       (label)
// Names arrive with character references in place of quotes, backslashes, brackets,
// markup characters and control characters; they are decoded here into plain text.
const EntryStart = 'L.marker(map.unproject([';
const PointEnd = '],map.getZoom())';
const LabelStart = ',{clickable:false,icon:L.divIcon({iconAnchor:[';
const TextStart = "],html:'";
const ClassStart = '\',className:"';
const LabelEnd = '"})})';
const Separator = ',\n';
// The anchor numbers ("4,7.5" or "7,7.5" or "4,-15") are short; anything longer
// than this between the anchor's bracket and the text is not the tool's form.
const LongestAnchor = 16;

export class ListError extends Error {}

// The fewest characters an entry of a list can take, separator included: with
// one-digit numbers, an empty anchor and an empty text.
function shortestEntry(className) {
  const point = EntryStart.length + '0,0'.length + PointEnd.length;
  if (className === null) return point + ')'.length + Separator.length;
  return point + LabelStart.length + ']'.length + TextStart.length + ClassStart.length +
    className.length + LabelEnd.length + Separator.length;
}

// A pattern that matches `text` literally.
const literally = (text) => text.replace(/[.*+?^${}()|[\]\\/]/g, '\\$&');

// The pattern of one entry in the tool's form, after `before` (nothing for the first
// entry, the separator for the others). It accepts exactly what the step-by-step reading
// below accepts, but for the numbers' range.
function entryPattern(before, className) {
  const number = '-?\\d{1,10}';
  const point = literally(before + EntryStart) + number + ',' + number + literally(PointEnd);
  if (className === null) return new RegExp(point + literally(')'), 'y');
  const value = className === 'islandname' ? "[^']*" : number;
  return new RegExp(point + literally(LabelStart) + `[^\\]]{0,${LongestAnchor}}` +
    literally(TextStart) + value + literally(ClassStart + className + LabelEnd), 'y');
}

const isInt32 = (value) => value <= 2147483647 && value >= -2147483648;

// The whole number written at `at` of `text`, where the entry's pattern found one, or
// NaN when it lies outside 32 bits.
function numberAt(text, at) {
  const negative = text.charCodeAt(at) === 45;
  let i = negative ? at + 1 : at;
  let value = 0;
  for (let digit = text.charCodeAt(i) - 48; digit >= 0 && digit <= 9;
       digit = text.charCodeAt(++i) - 48) {
    value = value * 10 + digit;
  }
  if (negative) value = -value;
  return isInt32(value) ? value : NaN;
}

// Scans one list. `className` is null for plain markers, else the class every label
// of the list carries: "difficulty" labels give `values` (their numbers), "islandname"
// labels give `texts` (their html, undecoded). Gives { count, x, y, values, texts }.
// The lists run to tens of megabytes and the first view waits for them: each entry is
// matched by one pattern (the regular expression engine compares the fixed text far
// faster than a loop of comparisons), and its numbers are read where the pattern found
// them, so that a list leaves no garbage behind but its names. Where the pattern
// fails, the list is read step by step to say where it leaves the tool's form.
export function scanList(text, listName, className) {
  const length = text.length;
  const capacity = Math.floor((length + Separator.length) / shortestEntry(className)) + 1;
  let x = new Int32Array(capacity);
  let y = new Int32Array(capacity);
  let values = new Int32Array(className === 'difficulty' ? capacity : 0);
  const texts = className === 'islandname' ? [] : null;
  const patterns = [entryPattern('', className), entryPattern(Separator, className)];
  // The fixed text after an entry's value.
  const valueEnd = className === null ? 0 : (ClassStart + className + LabelEnd).length;
  let count = 0;
  let pos = 0;
  while (pos < length) {
    const pattern = patterns[count === 0 ? 0 : 1];
    pattern.lastIndex = pos;
    let entryX = NaN, entryY = NaN, value = 0;
    if (pattern.test(text)) {
      const xAt = pos + (count === 0 ? 0 : Separator.length) + EntryStart.length;
      entryX = numberAt(text, xAt);
      entryY = numberAt(text, text.indexOf(',', xAt) + 1);
      if (className !== null) {
        // The value lies between the last quote before its end and its end.
        const end = pattern.lastIndex - valueEnd;
        const start = text.lastIndexOf("'", end - 1) + 1;
        if (texts) texts.push(text.slice(start, end));
        else value = numberAt(text, start);
      }
    }
    if (Number.isNaN(entryX) || Number.isNaN(entryY) || Number.isNaN(value)) {
      failWhereLeft(text, pos, count, listName, className);
    }
    x[count] = entryX;
    y[count] = entryY;
    if (values.length > 0) values[count] = value;
    pos = pattern.lastIndex;
    count++;
  }
  x = x.slice(0, count);
  y = y.slice(0, count);
  if (values.length > 0) values = values.slice(0, count);
  return { count, x, y, values, texts };
}

// Reads entry `count` of a list step by step from `pos`, where it is not in the tool's
// form, and throws a ListError that says what was expected and where.
function failWhereLeft(text, pos, count, listName, className) {
  const fail = (what) => {
    const excerpt = JSON.stringify(text.slice(pos, pos + 40));
    throw new ListError(`${listName}: ${what} at character ${pos} (${excerpt})`);
  };
  const expect = (fragment) => {
    if (!text.startsWith(fragment, pos)) fail(`expected ${JSON.stringify(fragment)}`);
    pos += fragment.length;
  };
  // A decimal 32-bit integer with an optional minus sign, as the tool writes it.
  const int = () => {
    let i = pos;
    const negative = text.charCodeAt(i) === 45;
    if (negative) i++;
    const digitsStart = i;
    let value = 0;
    for (let digit = text.charCodeAt(i) - 48; digit >= 0 && digit <= 9;
         digit = text.charCodeAt(++i) - 48) {
      value = value * 10 + digit;
    }
    if (i === digitsStart || i - digitsStart > 10) fail('expected a whole number');
    if (negative) value = -value;
    if (!isInt32(value)) fail('number out of range');
    pos = i;
  };
  // The position of the next `stop` character, which must come within `limit`.
  const find = (stop, limit) => {
    const end = text.indexOf(stop, pos);
    if (end < 0 || end - pos > limit) fail(`expected ${JSON.stringify(stop)}`);
    return end;
  };
  if (count > 0) expect(Separator);
  expect(EntryStart);
  int();
  expect(',');
  int();
  expect(PointEnd);
  if (className === null) {
    expect(')');
  } else {
    expect(LabelStart);
    pos = find(']', LongestAnchor);
    expect(TextStart);
    if (className === 'islandname') pos = find("'", Infinity);
    else int();
    expect(ClassStart);
    expect(className);
    expect(LabelEnd);
  }
  fail('unexpected text');
}

const NamedReferences = { amp: '&', lt: '<', gt: '>', quot: '"' };
const MostDecimalDigits = 7;

// The character reference at `at` of `raw` (which holds '&' there), decoded, and where it
// ends; null for anything the tool does not write.
function readReference(raw, at) {
  if (raw.charCodeAt(at + 1) === 35) {  // '#'
    let point = 0;
    let i = at + 2;
    for (let digit = raw.charCodeAt(i) - 48; digit >= 0 && digit <= 9 && i - at - 2 < MostDecimalDigits;
         digit = raw.charCodeAt(++i) - 48) {
      point = point * 10 + digit;
    }
    if (i === at + 2 || raw.charCodeAt(i) !== 59) return null;  // ';'
    return point > 0 && point <= 0x10ffff ? { text: String.fromCodePoint(point), end: i + 1 } : null;
  }
  const close = raw.indexOf(';', at);
  if (close < 0 || close - at > 5) return null;
  const name = raw.slice(at + 1, close);
  return Object.hasOwn(NamedReferences, name) ? { text: NamedReferences[name], end: close + 1 } : null;
}

// Text as the tool wrote it into the page, with the character references it writes
// (&amp; &lt; &gt; &quot; and &#N;) decoded. Anything else is kept as it is. Read in
// one pass rather than by a pattern, as every name of a large world passes through it.
export function decodeText(raw) {
  let amp = raw.indexOf('&');
  if (amp < 0) return raw;
  let decoded = '';
  let copied = 0;
  while (amp >= 0) {
    const reference = readReference(raw, amp);
    if (reference === null) {
      amp = raw.indexOf('&', amp + 1);
      continue;
    }
    decoded += raw.slice(copied, amp) + reference.text;
    copied = reference.end;
    amp = raw.indexOf('&', copied);
  }
  return decoded + raw.slice(copied);
}

// Marks the islands that a town or explored list names. The tool writes those lists
// in island order, so each entry is the next island at its position.
function markIslands(islands, list, listName) {
  const marks = new Uint8Array(islands.count);
  let island = 0;
  for (let entry = 0; entry < list.count; entry++) {
    while (island < islands.count &&
           (islands.x[island] !== list.x[entry] || islands.y[island] !== list.y[entry])) {
      island++;
    }
    if (island === islands.count) {
      throw new ListError(`${listName}: entry ${entry} is at no island's position`);
    }
    marks[island++] = 1;
  }
  return marks;
}

// Builds the world from the five list texts. Throws a ListError naming the list and
// place when a list is not in the tool's form.
export function readWorld(lists, player) {
  const difficultyList = scanList(lists.islandDifficulty, 'island difficulty list', 'difficulty');
  const nameList = scanList(lists.islandName, 'island name list', 'islandname');
  if (nameList.count !== difficultyList.count) {
    throw new ListError(`the island lists differ in length (${difficultyList.count} ` +
                        `difficulties, ${nameList.count} names)`);
  }
  for (let i = 0; i < nameList.count; i++) {
    if (nameList.x[i] !== difficultyList.x[i] || nameList.y[i] !== difficultyList.y[i]) {
      throw new ListError(`island ${i} lies at different places in the two island lists`);
    }
  }
  const islands = {
    count: difficultyList.count,
    x: difficultyList.x,
    y: difficultyList.y,
    difficulty: difficultyList.values,
    names: nameList.texts.map(decodeText),
  };
  islands.isTown = markIslands(islands, scanList(lists.town, 'town list', null), 'town list');
  islands.isExplored =
      markIslands(islands, scanList(lists.visited, 'explored list', null), 'explored list');
  const shipList = scanList(lists.shipDifficulty, 'ship difficulty list', 'difficulty');
  const ships = {
    count: shipList.count,
    x: shipList.x,
    y: shipList.y,
    difficulty: shipList.values,
  };
  return { islands, ships, player };
}

// The ids of the page's inert blocks that hold the lists.
export const ListBlocks = {
  islandDifficulty: 'island-difficulty-list',
  islandName: 'island-name-list',
  town: 'town-list',
  visited: 'explored-list',
  shipDifficulty: 'ship-difficulty-list',
};

// Reads the lists out of the page's blocks; a missing block reads as an empty list.
// Blank space around a list is not part of it.
export function readListBlocks(document) {
  const lists = {};
  for (const [list, id] of Object.entries(ListBlocks)) {
    lists[list] = (document.getElementById(id)?.textContent ?? '').trim();
  }
  return lists;
}


// The player's position, "X,Y"; a part that is not a number reads as 0.
export function readPlayer(document) {
  const [x, y] = (document.getElementById('player-position')?.textContent ?? '')
    .split(',').map((part) => Number(part.trim()));
  return { x: Number.isFinite(x) ? x : 0, y: Number.isFinite(y) ? y : 0 };
}

// The world's name as the save gives it, or '' when it gives none.
export function readWorldName(document) {
  return decodeText(document.getElementById('world-name-text')?.textContent ?? '');
}

// The text of the notes the tool put into the page (JSON, or '' for none).
export function readNotesText(document) {
  return document.getElementById('notes-list')?.textContent ?? '';
}

// The bitmap's file name as the page names it (relative to the page).
export function readImageName(document) {
  return document.getElementById('map')?.dataset.image ?? '';
}

// A world without islands or ships: what a page whose lists cannot be read shows.
export function emptyWorld(player) {
  const none = new Int32Array(0);
  return {
    islands: {
      count: 0, x: none, y: none, difficulty: none,
      isTown: new Uint8Array(0), isExplored: new Uint8Array(0), names: [],
    },
    ships: { count: 0, x: none, y: none, difficulty: none },
    player,
  };
}

// The world of a page (this one, or one a live page fetched). Throws a ListError when a
// list is not in the tool's form.
export function readPageWorld(document) {
  return readWorld(readListBlocks(document), readPlayer(document));
}
