// The page's marker reading and label placement, run in node without a browser: the
// lists scanned as data in the tool's form (and refused in any other), names decoded to
// plain text, and placement that never overlaps, never hides a label on zooming in and
// lets a pinned label outrank all others.
//
// Usage: node --test labels.test.mjs
import { test } from 'node:test';
import assert from 'node:assert/strict';
import * as markers from '../src/world/lists.js';
import * as boxes from '../src/placement/label-boxes.js';
import { Placement } from '../src/placement/placement.js';
import { placeNextLevel } from '../src/placement/place-ahead.js';
import { labelsInRect } from '../src/placement/view-query.js';
import { CollisionGrid } from '../src/placement/collision.js';

const placement = { ...boxes, Placement };

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
    ['islandDifficulty', good.islandDifficulty.replace('4,7.5', '4,7.5555555555555555'),
      /island difficulty list: expected "\]"/],
    ['islandName', good.islandName.replace("html:'A'", "html:'A"), /island name list: expected "'"/],
    ['town', plain(1, 2) + plain(1, 2), /town list: expected ",\\n" at character 44/],
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

// Text metrics like the page's: 7 pixels a difficulty character on 13-pixel lines, 6 a
// name character on 13-pixel lines.
const metrics = {
  difficultyWidth: (text) => 7 * text.length,
  nameSize: (text) => ({ width: 6 * text.length + 2, height: 13 }),
  lineHeight: 13,
};

const layoutOf = (world) => {
  const labels = placement.measureLabels(world, metrics);
  return { labels, layout: new placement.Placement(world, labels, -4, 5) };
};

// A shown label's box in screen pixels at `zoom`, slack included.
const boxAt = (layout, id, zoom) => {
  const scale = 2 ** zoom, b = id * 4;
  const x = layout.anchorX[id] * scale, y = layout.anchorY[id] * scale;
  return [x + layout.boxes[b], y + layout.boxes[b + 1], x + layout.boxes[b + 2], y + layout.boxes[b + 3]];
};
const overlap = (a, b) => a[0] < b[2] && b[0] < a[2] && a[1] < b[3] && b[1] < a[3];
// An island's square at `zoom`: 9 x 9 bitmap pixels, 4.5 world units.
const squareAt = (islands, i, zoom) => {
  const scale = 2 ** zoom, half = placement.HalfSquare;
  return [(islands.x[i] - half) * scale, (islands.y[i] - half) * scale,
    (islands.x[i] + half) * scale, (islands.y[i] + half) * scale];
};

// Every pair of boxes, checked through a sort on the left edge; gives the overlapping
// pairs of items as [a, b].
function overlappingPairs(items) {
  const sorted = [...items].sort((a, b) => a.box[0] - b.box[0]);
  const pairs = [];
  for (let k = 0; k < sorted.length; k++) {
    for (let m = k + 1; m < sorted.length && sorted[m].box[0] < sorted[k].box[2]; m++) {
      if (overlap(sorted[k].box, sorted[m].box)) pairs.push([sorted[k].id, sorted[m].id]);
    }
  }
  return pairs;
}

function shownAt(layout, count, zoom) {
  const shown = [];
  for (let id = 0; id < count; id++) if (layout.shows(id, zoom)) shown.push(id);
  return shown;
}

test('placement: no overlap, no name over an island, and zooming in keeps every label in place', () => {
  const world = crowdedWorld(3000, 800);
  const { labels, layout } = layoutOf(world);
  const { islands } = world;
  let before = new Map();
  for (let zoom = -4; zoom <= 5; zoom++) {
    const shown = shownAt(layout, labels.count, zoom);
    assert.deepEqual(overlappingPairs(shown.map((id) => ({ id, box: boxAt(layout, id, zoom) }))), [],
      `overlaps at zoom ${zoom}`);
    // A difficulty sits on its own point; a name sits beside its island's shown
    // difficulty and covers no island's square.
    const names = shown.filter((id) => id >= labels.firstName);
    for (const id of shown.filter((id) => id < labels.firstName)) {
      const [x0, y0, x1, y1] = boxAt(layout, id, zoom), scale = 2 ** zoom;
      const x = (id < islands.count ? islands.x[id] : world.ships.x[id - islands.count]) * scale;
      const y = (id < islands.count ? islands.y[id] : world.ships.y[id - islands.count]) * scale;
      assert.ok(x0 < x && x < x1 && y0 < y && y < y1, `difficulty ${id} off its point`);
    }
    for (const id of names) assert.ok(layout.shows(id - labels.firstName, zoom), `name ${id} alone`);
    const squares = Array.from({ length: islands.count }, (_, i) => ({ id: -1 - i, box: squareAt(islands, i, zoom) }));
    const covered = overlappingPairs([...squares, ...names.map((id) => ({ id, box: boxAt(layout, id, zoom) }))])
      .filter(([a, b]) => (a < 0) !== (b < 0));
    assert.deepEqual(covered, [], `names over islands at zoom ${zoom}`);
    // Every label shown one level down shows here, in the same place.
    for (const [id, anchor] of before) {
      assert.ok(layout.shows(id, zoom), `label ${id} vanished at ${zoom}`);
      assert.deepEqual([layout.anchorX[id], layout.anchorY[id]], anchor, `label ${id} moved at ${zoom}`);
    }
    before = new Map(shown.map((id) => [id, [layout.anchorX[id], layout.anchorY[id]]]));
  }
  // Crowded at the lowest zoom, nearly every difficulty and most names at the highest.
  assert.ok(shownAt(layout, labels.count, -4).length < 100);
  const top = shownAt(layout, labels.count, 5);
  assert.ok(top.filter((id) => id < islands.count).length > islands.count * 0.9);
  assert.ok(top.filter((id) => id >= labels.firstName).length > islands.count * 0.5);

  // What shows depends on the zoom alone: a second placement computed in another order
  // of zooms agrees, and the view query finds exactly the shown labels in a rectangle.
  const again = new placement.Placement(world, labels, -4, 5);
  assert.deepEqual(shownAt(again, labels.count, 2), shownAt(layout, labels.count, 2));
  const found = [...labelsInRect(layout, 2, 400, 300, 1500, 1060)].sort((a, b) => a - b);
  const expected = shownAt(layout, labels.count, 2)
    .filter((id) => overlap(boxAt(layout, id, 2), [400, 300, 1500, 1060]));
  assert.deepEqual(found, expected);
});

test('placement: a label on a pixel wholly covered by a placed box meets a placed label', () => {
  // The covered-pixel shortcut of the collision grid answers only what the look through
  // its cells answers, for every difficulty and every place of every name left out.
  const world = crowdedWorld(3000, 800);
  const { labels, layout } = layoutOf(world);
  for (let zoom = -4; zoom <= 0; zoom++) layout.level(zoom);
  for (let zoom = -4; zoom <= 0; zoom++) {
    const scale = 2 ** zoom;
    const grid = new CollisionGrid(layout, scale, scale / 2 ** layout.maxZoom, true);
    grid.insert(layout.player);
    const placed = new Set(layout.level(zoom).placed);
    for (const id of placed) grid.insert(id);
    let covered = 0;
    const check = (id) => {
      if (!grid.coveredAt(id)) return;
      covered++;
      assert.ok(grid.blocker(id) >= 0, `label ${id} at zoom ${zoom}`);
    };
    for (let id = 0; id < labels.firstName; id++) check(id);
    for (let i = 0; i < world.islands.count; i++) {
      if (placed.has(labels.firstName + i)) continue;
      for (let c = 0; c < placement.NameCandidates.length; c++) {
        layout.setName(i, c);
        check(labels.firstName + i);
      }
    }
    assert.ok(covered > labels.firstName / 2, `the shortcut answers most at zoom ${zoom}`);
  }
});

test('collision: the rasters of covered pixels never answer for a label that only comes near', () => {
  // One placed label, and difficulties (two widths) and a name-like box around it at
  // every eighth of a pixel: at the level itself (fmin 1) a label meets the placed one
  // exactly where the boxes overlap, and the rasters may only ever say so there.
  const Step = 0.125, Span = 24, Placed = [20.3, 19.7, 6.5, 7.5];
  const probes = [];
  for (let dx = -Span; dx <= Span; dx += Step) {
    for (let dy = -Span; dy <= Span; dy += Step) {
      probes.push([Placed[0] + dx, Placed[1] + dy, 4.5, 7.5], [Placed[0] + dx, Placed[1] + dy, 8.5, 7.5]);
    }
  }
  const count = probes.length + 2;
  const anchorX = new Float64Array(count), anchorY = new Float64Array(count);
  const boxes = new Float32Array(count * 4);
  [Placed, ...probes].forEach(([x, y, w, h], id) => {
    anchorX[id] = x;
    anchorY[id] = y;
    boxes.set([-w, -h, w, h], id * 4);
  });
  // The last label stands for a name: its box lies beside its anchor.
  boxes.set([3, -2, 40, 11], (count - 1) * 4);
  const fake = {
    worldBox: { minX: 0, minY: 0, maxX: 40, maxY: 40 },
    reach: { minLeft: -41, minTop: -41, maxRight: 41, maxBottom: 41 },
    anchorX, anchorY, boxes, labels: { firstName: count - 1 }, narrowest: { halfWidth: 4.5, halfHeight: 7.5 },
  };
  const grid = new CollisionGrid(fake, 1, 1, true);
  grid.insert(0);
  let answered = 0;
  for (let id = 1; id < count; id++) {
    if (id === count - 1) {
      for (const [x, y] of [[14.1, 22.9], [20.3, 19.7], [-12.05, 30.6]]) {
        anchorX[id] = x;
        anchorY[id] = y;
        assert.ok(!grid.coveredAt(id) || grid.blocker(id) === 0, `name at ${x}, ${y}`);
      }
      continue;
    }
    if (!grid.coveredAt(id)) continue;
    answered++;
    assert.equal(grid.blocker(id), 0, `${anchorX[id] - Placed[0]}, ${anchorY[id] - Placed[1]}`);
  }
  assert.ok(answered > probes.length / 4, 'the rasters answer for most labels over the placed one');
});

// A world of the given islands ({ x, y, town, explored }) and ships ({ x, y }).
// The player lies far off unless given.
function smallWorld(islands, ships = [], player = { x: -5000, y: -5000 }) {
  return markers.readWorld(listsOf(
    islands.map((island, i) => ({ d: i + 1, name: `Isle ${i}`, town: false, explored: false, ...island })),
    ships.map((ship) => ({ d: 9, ...ship }))), player);
}

test('placement: a name takes the first free place around its island', () => {
  const { Below, Right, Left, Above } = { Below: 0, Right: 1, Left: 2, Above: 3 };
  // An island alone, then with neighbours that block one side after another at zoom 2.
  const cases = [
    [[], Below],
    [[{ x: 100, y: 104 }], Right],
    [[{ x: 100, y: 104 }, { x: 105, y: 100 }], Left],
    [[{ x: 100, y: 104 }, { x: 105, y: 100 }, { x: 95, y: 100 }], Above],
  ];
  for (const [neighbours, place] of cases) {
    const world = smallWorld([{ x: 100, y: 100 }, ...neighbours]);
    const { labels, layout } = layoutOf(world);
    assert.ok(layout.shows(labels.firstName, 2), `${neighbours.length} neighbours: name shown`);
    assert.equal(placement.NameCandidates[layout.candidate[0]].side, place,
      `${neighbours.length} neighbours`);
  }
});

test('placement: difficulties first (towns, explored islands, the rest), then ships, then names', () => {
  // Three islands and a ship too close to share room at the lowest zoom: only the first
  // difficulty in priority order shows there.
  const crowd = (islands) => {
    const { labels, layout } = layoutOf(smallWorld(islands, [{ x: 11, y: 11 }]));
    return shownAt(layout, labels.firstName, -4);
  };
  const plain = { x: 10, y: 10 }, explored = { x: 10, y: 11, explored: true };
  const town = { x: 11, y: 10, town: true };
  assert.deepEqual(crowd([plain, explored, town]), [2]);
  assert.deepEqual(crowd([plain, explored]), [1]);
  assert.deepEqual(crowd([plain]), [0]);

  // A ship's difficulty outranks a name, even one that would take its room a level
  // before the ship's number fits: the island's name would go below it, where the ship is.
  const { labels, layout } = layoutOf(smallWorld([{ x: 100, y: 100 }], [{ x: 100, y: 104 }]));
  assert.ok(!layout.shows(1, 1) && layout.shows(1, 2), 'the ship shows from zoom 2');
  assert.ok(layout.shows(labels.firstName, 1), 'the name shows from zoom 1');
  assert.notEqual(layout.candidate[0], 0, 'the name went elsewhere');
});

test('placement: a pinned island shows its labels at every zoom and still overlaps nothing', () => {
  const world = crowdedWorld(2000, 400);
  const { labels, layout } = layoutOf(world);
  const hidden = [...Array(world.islands.count).keys()].find((i) => !layout.shows(i, 3));
  assert.ok(hidden !== undefined, 'some island gives way at zoom 3');
  layout.pin(hidden);
  for (let zoom = -4; zoom <= 5; zoom++) {
    assert.ok(layout.shows(hidden, zoom), `pinned difficulty at zoom ${zoom}`);
    assert.ok(layout.shows(labels.firstName + hidden, zoom), `pinned name at zoom ${zoom}`);
    const shown = shownAt(layout, labels.count, zoom);
    assert.deepEqual(overlappingPairs(shown.map((id) => ({ id, box: boxAt(layout, id, zoom) }))), []);
  }
  layout.pin(-1);
  assert.ok(!layout.shows(hidden, 3), 'unpinned, it gives way again');
});

test('placement: placing ahead in slices gives the levels placing at once gives', () => {
  const world = crowdedWorld(3000, 800);
  const { labels, layout } = layoutOf(world);
  const sliced = new placement.Placement(world, labels, -4, 5);
  const noTimeLeft = { timeRemaining: () => 0 };
  let calls = 0;
  // Half-way through a level, a view may need it (or a higher one) at once.
  while (placeNextLevel(sliced, noTimeLeft)) {
    if (++calls === 200) assert.ok(sliced.shows(0, 1) === layout.shows(0, 1));
  }
  assert.ok(calls > 20, `${calls} slices`);
  for (let zoom = -4; zoom <= 5; zoom++) {
    assert.deepEqual(shownAt(sliced, labels.count, zoom), shownAt(layout, labels.count, zoom));
  }
});

test('placement: labels keep off the player\'s marker at every zoom', () => {
  // Islands all around the player, one of them where the player is.
  const islands = [];
  for (let x = 96; x <= 104; x += 2) {
    for (let y = 96; y <= 104; y += 2) islands.push({ x, y });
  }
  const world = smallWorld(islands, [{ x: 101, y: 99 }], { x: 100, y: 100 });
  const { labels, layout } = layoutOf(world);
  const player = [100, 100, 100, 100];
  for (let zoom = -4; zoom <= 5; zoom++) {
    const scale = 2 ** zoom, reach = placement.PlayerHalfSide;
    const marker = player.map((v, k) => v * scale + (k < 2 ? -reach : reach));
    const shown = shownAt(layout, labels.count, zoom);
    for (const id of shown) {
      assert.ok(!overlap(boxAt(layout, id, zoom), marker), `label ${id} on the player at zoom ${zoom}`);
    }
    if (zoom === 5) assert.ok(shown.length > islands.length, `${shown.length} labels at zoom 5`);
  }
  // A revealed island keeps its labels even under the player.
  const home = islands.findIndex((island) => island.x === 100 && island.y === 100);
  layout.pin(home);
  assert.ok(layout.shows(home, 0) && layout.shows(labels.firstName + home, 0));
});

test('placement with a filter: labels only for matching islands, sound, and the room of the others',
  () => {
    const world = crowdedWorld(3000, 800);
    const { islands } = world;
    const { labels, layout: unfiltered } = layoutOf(world);
    const filtered = new placement.Placement(world, labels, -4, 5);
    // About a third of the islands: difficulties 5 to 14 that are not explored.
    const matches = Uint8Array.from({ length: islands.count },
      (_, i) => (islands.difficulty[i] >= 5 && islands.difficulty[i] <= 14 && !islands.isExplored[i] ? 1 : 0));
    filtered.include(matches);
    const islandOf = (id) => (id < labels.islands ? id : id >= labels.firstName ? id - labels.firstName : -1);
    let before = new Map();
    for (let zoom = -4; zoom <= 5; zoom++) {
      const shown = shownAt(filtered, labels.count, zoom);
      assert.deepEqual(overlappingPairs(shown.map((id) => ({ id, box: boxAt(filtered, id, zoom) }))), [],
        `overlaps at zoom ${zoom}`);
      const strays = shown.filter((id) => islandOf(id) >= 0 && !matches[islandOf(id)]);
      assert.deepEqual(strays, [], `labels of islands the filter leaves out at zoom ${zoom}`);
      // Names keep off every island's square, those the filter leaves out too.
      const names = shown.filter((id) => id >= labels.firstName);
      const squares = Array.from({ length: islands.count }, (_, i) => ({ id: -1 - i, box: squareAt(islands, i, zoom) }));
      const covered = overlappingPairs([...squares, ...names.map((id) => ({ id, box: boxAt(filtered, id, zoom) }))])
        .filter(([a, b]) => (a < 0) !== (b < 0));
      assert.deepEqual(covered, [], `names over islands at zoom ${zoom}`);
      for (const [id, anchor] of before) {
        assert.ok(filtered.shows(id, zoom), `label ${id} vanished at ${zoom}`);
        assert.deepEqual([filtered.anchorX[id], filtered.anchorY[id]], anchor, `label ${id} moved at ${zoom}`);
      }
      before = new Map(shown.map((id) => [id, [filtered.anchorX[id], filtered.anchorY[id]]]));
      // The matching islands show at least as many labels as they do without the filter.
      const matchingShown = (layout) => shownAt(layout, labels.count, zoom)
        .filter((id) => islandOf(id) >= 0 && matches[islandOf(id)]).length;
      assert.ok(matchingShown(filtered) >= matchingShown(unfiltered), `fewer labels at zoom ${zoom}`);
      if (zoom === 0) assert.ok(matchingShown(filtered) > matchingShown(unfiltered) * 1.2, 'no room freed');
    }
    // A pinned island the filter leaves out still shows; no filter gives the whole placement back.
    const outside = matches.indexOf(0);
    filtered.pin(outside);
    assert.ok(filtered.shows(outside, -4) && filtered.shows(labels.firstName + outside, -4));
    filtered.pin(-1);
    filtered.include(null);
    assert.deepEqual(shownAt(filtered, labels.count, 1), shownAt(unfiltered, labels.count, 1));
  });
