// The page's marker reading and label placement, run in node without a browser: the
// lists scanned as data in the tool's form (and refused in any other), names decoded to
// plain text, and placement that never overlaps, never hides a label on zooming in and
// lets a pinned label outrank all others.
//
// Usage: node --test labels.test.mjs
import { test } from 'node:test';
import assert from 'node:assert/strict';
import { readFileSync } from 'node:fs';
import vm from 'node:vm';

// The page scripts are classic scripts that share window.tlmaper; load them the same way.
const context = vm.createContext({});
context.window = context;
for (const file of ['src/markers.js', 'src/placement.js']) {
  vm.runInContext(readFileSync(new URL(`../${file}`, import.meta.url), 'utf8'), context, { filename: file });
}
const { markers, placement } = context.tlmaper;

// Entries exactly as the tool's layer builder writes them.
const plain = (x, y) => `L.marker(map.unproject([${x},${y}],map.getZoom()))`;
const label = (x, y, html, className) => {
  const anchor = className === 'islandname' ? '4,-15' : html.length === 1 ? '4,7.5' : '7,7.5';
  return `L.marker(map.unproject([${x},${y}],map.getZoom()),{clickable:false,icon:L.divIcon(` +
    `{iconAnchor:[${anchor}],html:'${html}',className:"${className}"})})`;
};
const list = (...entries) => entries.join(',\n');

function listsOf(islands, ships) {
  return {
    islandDifficulty: list(...islands.map((i) => label(i.x, i.y, String(i.d), 'difficulty'))),
    islandName: list(...islands.map((i) => label(i.x, i.y, i.name, 'islandname'))),
    town: list(...islands.filter((i) => i.town).map((i) => plain(i.x, i.y))),
    visited: list(...islands.filter((i) => i.explored).map((i) => plain(i.x, i.y))),
    shipDifficulty: list(...ships.map((s) => label(s.x, s.y, String(s.d), 'difficulty'))),
  };
}

test('the lists are read as data into the world', () => {
  const islands = [
    { x: 12, y: 40, d: 3, name: 'Port', town: true, explored: false },
    { x: -2147483648, y: 2147483647, d: -1, name: '', town: false, explored: true },
    // Two islands on one spot: the plain-marker lists give positions only, so a town
    // mark there goes to one of them.
    { x: 5, y: 5, d: 10, name: 'First', town: false, explored: true },
    { x: 5, y: 5, d: 12, name: 'Second', town: true, explored: true },
  ];
  const world = markers.readWorld(listsOf(islands, [{ x: -40, y: 7, d: 19 }]), { x: 1, y: 2 });
  assert.equal(world.islands.count, 4);
  assert.deepEqual([...world.islands.x], [12, -2147483648, 5, 5]);
  assert.deepEqual([...world.islands.y], [40, 2147483647, 5, 5]);
  assert.deepEqual([...world.islands.difficulty], [3, -1, 10, 12]);
  assert.deepEqual([...world.islands.names], ['Port', '', 'First', 'Second']);
  assert.deepEqual([...world.islands.isTown].slice(0, 2), [1, 0]);
  assert.equal(world.islands.isTown[2] + world.islands.isTown[3], 1);
  assert.deepEqual([...world.islands.isExplored], [0, 1, 1, 1]);
  assert.deepEqual([world.ships.count, world.ships.x[0], world.ships.y[0], world.ships.difficulty[0]],
    [1, -40, 7, 19]);
  assert.deepEqual(world.player, { x: 1, y: 2 });

  const empty = markers.readWorld(listsOf([], []), { x: 0, y: 0 });
  assert.deepEqual([empty.islands.count, empty.ships.count], [0, 0]);
});

test('names are decoded from the references the tool writes, and nothing else', () => {
  const cases = [
    ['Pirate&#39;s Cove', "Pirate's Cove"],
    ['&lt;img src=x onerror=alert(1)&gt;', '<img src=x onerror=alert(1)>'],
    ['&quot;Q&quot; &amp; back&#92;slash &#91;SIZE&#93; &#96;', '"Q" & back\\slash [SIZE] `'],
    ['Line&#10;Break&#9;Tab&#13;', 'Line\nBreak\tTab\r'],
    ['&amp;lt;', '&lt;'],
    ['Ærø', 'Ærø'],
    ['&nbsp; &#0; &#99999999;', '&nbsp; &#0; &#99999999;'],
  ];
  for (const [raw, text] of cases) assert.equal(markers.decodeText(raw), text, raw);
});

test('text that is not in the tool\'s form is refused with where it went wrong', () => {
  const good = listsOf([{ x: 1, y: 2, d: 3, name: 'A', town: true, explored: false }], []);
  const cases = [
    ['islandDifficulty', 'alert(1)', /island difficulty list: expected "L\.marker/],
    ['islandDifficulty', `${good.islandDifficulty},\nalert(1)`, /island difficulty list/],
    ['islandDifficulty', good.islandDifficulty.replace("'3'", "'x'"), /whole number/],
    ['islandDifficulty', good.islandDifficulty.replace('[1,', '[99999999999,'), /whole number/],
    ['islandDifficulty', good.islandDifficulty.replace('[1,', '[2147483648,'), /out of range/],
    ['islandName', good.islandName.replace('islandname', 'difficulty'), /island name list/],
    ['islandName', good.islandName.replace('[1,2]', '[1,3]'), /different places/],
    ['islandName', `${good.islandName},\n${good.islandName}`, /differ in length/],
    ['town', plain(7, 7), /town list: entry 0 is at no island/],
    ['visited', `${plain(1, 2)};`, /explored list/],
    ['shipDifficulty', label(1, 2, '5', 'difficulty') + ')', /ship difficulty list/],
  ];
  for (const [name, text, message] of cases) {
    assert.throws(() => markers.readWorld({ ...good, [name]: text }, { x: 0, y: 0 }),
      (error) => error instanceof markers.ListError && message.test(error.message),
      `${name}: ${text.slice(0, 60)}`);
  }
});

// A deterministic world of `count` islands and `count / 10` ships, crowded enough that
// most labels must give way at the low zooms.
function crowdedWorld(count, span) {
  let state = 12345;
  const next = (n) => {
    state = (state * 1103515245 + 12345) % 2147483648;
    return Math.floor(state / 65536) % n;
  };
  const islands = [];
  for (let i = 0; i < count; i++) {
    islands.push({ x: next(span), y: next(span), d: next(30) - 2, name: `Isle ${'n'.repeat(next(20))}${i}`,
      town: i % 7 === 0, explored: i % 3 === 0 });
  }
  const ships = [];
  for (let j = 0; j < count / 10; j++) ships.push({ x: next(span), y: next(span), d: next(200) });
  return markers.readWorld(listsOf(islands, ships), { x: 0, y: 0 });
}

// Text metrics like the page's: 8 pixels a difficulty character, 7 a name character,
// 15-pixel lines.
const metrics = {
  difficultyWidth: (text) => 8 * text.length,
  nameSize: (text) => ({ width: 7 * text.length + 6, height: 15 }),
  lineHeight: 15,
};

const boxAt = (boxes, i, scale) => {
  const x = boxes.x[i] * scale, y = boxes.y[i] * scale;
  return [x + boxes.left[i], y + boxes.top[i], x + boxes.right[i], y + boxes.bottom[i]];
};
const overlap = (a, b) => a[0] < b[2] && b[0] < a[2] && a[1] < b[3] && b[1] < a[3];

// Every pair of labels shown at `zoom`, checked through a sort on the left edge.
function assertNoOverlap(boxes, shown, zoom) {
  const scale = 2 ** zoom;
  const placed = shown.map((i) => ({ i, box: boxAt(boxes, i, scale) }))
    .sort((a, b) => a.box[0] - b.box[0]);
  for (let k = 0; k < placed.length; k++) {
    for (let m = k + 1; m < placed.length && placed[m].box[0] < placed[k].box[2]; m++) {
      assert.ok(!overlap(placed[k].box, placed[m].box),
        `labels ${placed[k].i} and ${placed[m].i} overlap at zoom ${zoom}`);
    }
  }
}

function shownAt(layout, count, zoom) {
  const shown = [];
  for (let i = 0; i < count; i++) if (layout.shows(i, zoom)) shown.push(i);
  return shown;
}

test('placement: no overlap at any zoom, and a label shown stays shown when zooming in', () => {
  const world = crowdedWorld(3000, 800);
  const boxes = placement.makeLabelBoxes(world, metrics);
  // Each box holds its own point, which is what keeps labels apart on zooming in.
  for (let i = 0; i < boxes.count; i++) {
    assert.ok(boxes.left[i] < 0 && boxes.top[i] < 0 && boxes.right[i] > 0 && boxes.bottom[i] > 0);
  }
  const layout = new placement.Placement(world, boxes, -4, 5);
  let before = new Set();
  for (let zoom = -4; zoom <= 5; zoom++) {
    const shown = shownAt(layout, boxes.count, zoom);
    assertNoOverlap(boxes, shown, zoom);
    for (const i of before) assert.ok(layout.shows(i, zoom), `label ${i} vanished at ${zoom}`);
    before = new Set(shown);
  }
  // Crowded at the lowest zoom, nearly everything at the highest.
  assert.ok(shownAt(layout, boxes.count, -4).length < 100);
  assert.ok(before.size > boxes.count * 0.9, `${before.size} of ${boxes.count} at zoom 5`);

  // What shows depends on the zoom alone: a second placement computed in another order
  // of zooms agrees, and the view query finds exactly the shown labels in a rectangle.
  const again = new placement.Placement(world, boxes, -4, 5);
  assert.deepEqual(shownAt(again, boxes.count, 2), shownAt(layout, boxes.count, 2));
  const found = [...layout.inView(2, 400, 300, 1500, 1060)].sort((a, b) => a - b);
  const expected = shownAt(layout, boxes.count, 2)
    .filter((i) => overlap(boxAt(boxes, i, 4), [400, 300, 1500, 1060]));
  assert.deepEqual(found, expected);
});

test('placement: towns, then explored islands, then the rest, then ships claim room first', () => {
  // Four labels too close to share room at any zoom: only the first in priority order
  // shows.
  const world = markers.readWorld(listsOf([
    { x: 10, y: 10, d: 1, name: 'Plain', town: false, explored: false },
    { x: 10, y: 11, d: 2, name: 'Explored', town: false, explored: true },
    { x: 11, y: 10, d: 3, name: 'Town', town: true, explored: false },
  ], [{ x: 11, y: 11, d: 4 }]), { x: 0, y: 0 });
  const boxes = placement.makeLabelBoxes(world, metrics);
  const layout = new placement.Placement(world, boxes, -4, 5);
  assert.deepEqual(shownAt(layout, 4, 5), [2]);
  const withoutTown = markers.readWorld(listsOf([
    { x: 10, y: 10, d: 1, name: 'Plain', town: false, explored: false },
    { x: 10, y: 11, d: 2, name: 'Explored', town: false, explored: true },
  ], [{ x: 11, y: 11, d: 4 }]), { x: 0, y: 0 });
  const second = new placement.Placement(withoutTown,
    placement.makeLabelBoxes(withoutTown, metrics), -4, 5);
  assert.deepEqual(shownAt(second, 3, 5), [1]);
});

test('placement: ships never hold back an island label, at any zoom', () => {
  const world = crowdedWorld(3000, 800);
  const islandsOnly = { ...world, ships: { ...world.ships, count: 0 } };
  const withShips = new placement.Placement(world, placement.makeLabelBoxes(world, metrics), -4, 5);
  const alone = new placement.Placement(islandsOnly,
    placement.makeLabelBoxes(islandsOnly, metrics), -4, 5);
  const islands = world.islands.count;
  for (let zoom = -4; zoom <= 5; zoom++) {
    assert.deepEqual(shownAt(withShips, islands, zoom), shownAt(alone, islands, zoom), `zoom ${zoom}`);
  }
  const shipsShown = shownAt(withShips, islands + world.ships.count, 5).length -
    shownAt(withShips, islands, 5).length;
  assert.ok(shipsShown > world.ships.count / 2, `${shipsShown} ships labelled at zoom 5`);
});

test('placement: a pinned label shows at every zoom and still overlaps nothing', () => {
  const world = crowdedWorld(2000, 400);
  const boxes = placement.makeLabelBoxes(world, metrics);
  const layout = new placement.Placement(world, boxes, -4, 5);
  const hidden = [...Array(world.islands.count).keys()].find((i) => !layout.shows(i, 5));
  assert.ok(hidden !== undefined, 'some island label gives way at zoom 5');
  layout.pin(hidden);
  for (let zoom = -4; zoom <= 5; zoom++) {
    assert.ok(layout.shows(hidden, zoom), `pinned label at zoom ${zoom}`);
    assertNoOverlap(boxes, shownAt(layout, boxes.count, zoom), zoom);
  }
  layout.pin(-1);
  assert.ok(!layout.shows(hidden, 5), 'unpinned, it gives way again');
});
