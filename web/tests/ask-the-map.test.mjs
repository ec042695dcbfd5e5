// Asking the map, in node without a browser: what lies under a point, which islands a
// filter lets through and how the address keeps it, the islands nearest the player, and
// distances and compass directions. The indexes are checked against a plain look at
// every island of generated worlds.
//
// Usage: node --test ask-the-map.test.mjs
import { test } from 'node:test';
import assert from 'node:assert/strict';
import { offsetBetween, offsetText } from '../src/shared/compass.js';
import {
  difficultySpan, openFilter, fitFilter, carryFilter, narrows, matchIslands, filterFromHash,
  filterAddressPart,
} from '../src/filter/filter.js';
import { squareFinder, recordGrid } from '../src/ask/squares-at.js';
import { HalfSquare } from '../src/placement/label-boxes.js';
import { nearestIslands } from '../src/ask/nearest.js';

// A repeatable stream of numbers in [0, 1).
function randomNumbers(seed) {
  let state = seed >>> 0;
  return () => {
    state = (state * 1664525 + 1013904223) >>> 0;
    return state / 4294967296;
  };
}

// Islands bunched around a few centres (many squares overlap) and ships among them.
function world(islandCount, seed, span = 400) {
  const random = randomNumbers(seed);
  const centres = Array.from({ length: 6 }, () => [random() * span, random() * span]);
  const islands = {
    count: islandCount, x: new Int32Array(islandCount), y: new Int32Array(islandCount),
    difficulty: new Int32Array(islandCount), isTown: new Uint8Array(islandCount),
    isExplored: new Uint8Array(islandCount), names: [],
  };
  for (let i = 0; i < islandCount; i++) {
    const [cx, cy] = centres[i % centres.length];
    islands.x[i] = Math.round(cx + (random() - 0.5) * span / 4);
    islands.y[i] = Math.round(cy + (random() - 0.5) * span / 4);
    islands.difficulty[i] = Math.floor(random() * 14) - 1;
    islands.isTown[i] = random() < 0.1 ? 1 : 0;
    islands.isExplored[i] = random() < 0.4 ? 1 : 0;
    islands.names.push(`Isle ${i}`);
  }
  const shipCount = Math.floor(islandCount / 10);
  const ships = {
    count: shipCount, x: new Int32Array(shipCount), y: new Int32Array(shipCount),
    difficulty: new Int32Array(shipCount),
  };
  for (let j = 0; j < shipCount; j++) {
    ships.x[j] = islands.x[j * 7 % islandCount] + Math.round((random() - 0.5) * 8);
    ships.y[j] = islands.y[j * 7 % islandCount] + Math.round((random() - 0.5) * 8);
  }
  return { islands, ships, player: { x: span / 2, y: span / 2 } };
}

test('distance is whole world units and the direction one of eight, north up the map', () => {
  // [to.x - from.x, to.y - from.y] -> text. World y grows down the map.
  const cases = [
    [[0, -10], '10 N'], [[10, -10], '14 NE'], [[10, 0], '10 E'], [[7, 7], '10 SE'],
    [[0, 3], '3 S'], [[-5, 5], '7 SW'], [[-2, 0], '2 W'], [[-40, -41], '57 NW'],
    // Just either side of the line between N and NE, and between S and SW.
    [[41, -100], '108 N'], [[42, -100], '108 NE'], [[-41, 100], '108 S'], [[-42, 100], '108 SW'],
    // Halfway between two points: the one clockwise of it.
    [[5, -5], '7 NE'], [[-5, -5], '7 NW'],
    [[0, 0], 'here'], [[1500000, 0], '1,500,000 E'],
  ];
  for (const [[dx, dy], text] of cases) {
    const from = { x: 118, y: 92 };
    assert.equal(offsetText(offsetBetween(from, { x: from.x + dx, y: from.y + dy })), text,
      `${dx}, ${dy}`);
  }
  // Halfway between two points (22.5 degrees off north either side).
  const tan = Math.tan(Math.PI / 8);
  assert.equal(offsetBetween({ x: 0, y: 0 }, { x: 100 * tan, y: -100 }).direction, 'NE');
  assert.equal(offsetBetween({ x: 0, y: 0 }, { x: -100 * tan, y: -100 }).direction, 'N');
});

test('a filter is read from the address, fitted to the world, and written back only when it narrows',
  () => {
    const span = { low: -1, high: 12 };
    // hash -> [low, high, unexplored, towns, notes], address part written back
    const cases = [
      ['#notes=any', [-1, 12, false, false, 'any'], '&notes=any'],
      ['#towns=1&notes=treasure', [-1, 12, false, true, 'treasure'], '&towns=1&notes=treasure'],
      ['#notes=<b>&notes=done', [-1, 12, false, false, ''], ''],
      ['#z=1&x=140&y=85', [-1, 12, false, false], ''],
      ['#z=1&x=140&y=85&difficulty=5-8&unexplored=1', [5, 8, true, false],
        '&difficulty=5-8&unexplored=1'],
      ['#difficulty=8-5&towns=1', [5, 8, false, true], '&difficulty=5-8&towns=1'],
      ['#difficulty=-1-3', [-1, 3, false, false], '&difficulty=-1-3'],
      ['#difficulty=-5--2', [-1, -1, false, false], '&difficulty=-1--1'],
      ['#difficulty=7', [7, 7, false, false], '&difficulty=7-7'],
      ['#difficulty=0-99', [0, 12, false, false], '&difficulty=0-12'],
      ['#difficulty=-1-12&unexplored=0&towns=yes', [-1, 12, false, false], ''],
      ['#difficulty=5-&unexplored=1', [-1, 12, true, false], '&unexplored=1'],
      ['#difficulty=1e3-2&towns=1', [-1, 12, false, true], '&towns=1'],
      ['#difficulty=99999999999-3', [-1, 12, false, false], ''],
    ];
    for (const [hash, [low, high, unexplored, towns, notes = ''], part] of cases) {
      const filter = filterFromHash(hash, span);
      assert.deepEqual(filter, { low, high, unexplored, towns, notes }, hash);
      assert.equal(filterAddressPart(filter, span), part, hash);
      assert.equal(narrows(filter, span), part !== '', hash);
      assert.deepEqual(filterFromHash(part, span), filter, `${hash} read back`);
    }
    // A world without islands has nothing to narrow.
    assert.deepEqual(filterFromHash('#difficulty=3-4', null),
      { low: 0, high: 0, unexplored: false, towns: false, notes: '' });
    assert.equal(filterAddressPart(filterFromHash('#difficulty=3-4&towns=1', null), null), '&towns=1');
  });

test('a filter carried to a new world keeps its ends, and an end open at the world\'s stays open', () => {
  const old = { low: 0, high: 12 };
  const cases = [
    // filter, new span -> carried
    [{ low: 5, high: 8 }, { low: 0, high: 15 }, [5, 8]],
    [{ low: 0, high: 8 }, { low: -1, high: 15 }, [-1, 8]],
    [{ low: 5, high: 12 }, { low: 0, high: 15 }, [5, 15]],
    [{ low: 5, high: 8 }, { low: 6, high: 7 }, [6, 7]],
    [{ low: 5, high: 8 }, { low: 9, high: 20 }, [9, 9]],
  ];
  for (const [{ low, high }, span, [newLow, newHigh]] of cases) {
    const carried = carryFilter({ low, high, unexplored: true, towns: false, notes: 'danger' }, old, span);
    assert.deepEqual(carried, { low: newLow, high: newHigh, unexplored: true, towns: false, notes: 'danger' });
  }
  assert.deepEqual(fitFilter({ low: NaN, high: 3.6 }, old),
    { low: 0, high: 4, unexplored: false, towns: false, notes: '' });
});

test('the islands a filter lets through are those whose marks and difficulty fit it', () => {
  const { islands } = world(3000, 5);
  const span = difficultySpan(islands);
  assert.deepEqual(span, { low: -1, high: 12 });
  const filters = [
    openFilter(span),
    { low: 5, high: 8, unexplored: true, towns: false, notes: '' },
    { low: -1, high: -1, unexplored: false, towns: true, notes: '' },
    { low: 3, high: 3, unexplored: true, towns: true, notes: '' },
    { low: -1, high: 12, unexplored: false, towns: false, notes: 'any' },
    { low: 2, high: 9, unexplored: true, towns: false, notes: 'danger' },
  ];
  // Every seventh island noted, its mark in turn.
  const noted = new Map();
  for (let i = 0; i < islands.count; i += 7) noted.set(i, ['', 'danger', 'done'][i % 3]);
  for (const filter of filters) {
    const { matches, count } = matchIslands(islands, filter, noted);
    let expected = 0;
    for (let i = 0; i < islands.count; i++) {
      const fits = islands.difficulty[i] >= filter.low && islands.difficulty[i] <= filter.high &&
        !(filter.unexplored && islands.isExplored[i]) && !(filter.towns && !islands.isTown[i]) &&
        (filter.notes === '' || (noted.has(i) && (filter.notes === 'any' || noted.get(i) === filter.notes)));
      assert.equal(matches[i], fits ? 1 : 0, `island ${i}, ${JSON.stringify(filter)}`);
      if (fits) expected++;
    }
    assert.equal(count, expected);
  }
  assert.equal(matchIslands(islands, filters[0]).count, islands.count);
});

test('what lies under a point: every square there, nearest and topmost first', () => {
  const generated = world(4000, 11);
  const { islands, ships } = generated;
  const finder = squareFinder(generated);
  const random = randomNumbers(3);
  // Every square within `reach` of (x, y), by a look at every record.
  const everySquare = (x, y, reach) => {
    const found = [];
    for (const [kind, records] of [['ship', ships], ['island', islands]]) {
      for (let index = 0; index < records.count; index++) {
        const dx = Math.max(Math.abs(x - records.x[index]) - HalfSquare, 0);
        const dy = Math.max(Math.abs(y - records.y[index]) - HalfSquare, 0);
        if (Math.hypot(dx, dy) <= reach) found.push(`${kind} ${index}`);
      }
    }
    return found.sort();
  };
  let overlapping = 0;
  for (let n = 0; n < 400; n++) {
    // Points on squares (their centres and edges) and anywhere in the sea around them.
    const island = Math.floor(random() * islands.count);
    const onSquare = n % 2 === 0;
    const x = onSquare ? islands.x[island] + (random() - 0.5) * 2 * HalfSquare : random() * 500 - 50;
    const y = onSquare ? islands.y[island] + (random() - 0.5) * 2 * HalfSquare : random() * 500 - 50;
    const reach = [0, 0.5, 4, 30][n % 4];
    const found = finder.at(x, y, reach);
    assert.deepEqual(found.map((hit) => `${hit.kind} ${hit.index}`).sort(), everySquare(x, y, reach));
    if (onSquare && reach === 0) {
      assert.ok(found.some((hit) => hit.kind === 'island' && hit.index === island));
      if (found.length > 1) overlapping++;
    }
    for (let k = 1; k < found.length; k++) {
      const [a, b] = [found[k - 1], found[k]];
      assert.ok(a.gap < b.gap || (a.gap === b.gap && (a.kind === 'ship' || b.kind === 'island') &&
        (a.kind !== b.kind || a.index > b.index)), 'nearest, then topmost, first');
    }
  }
  assert.ok(overlapping > 10, 'the world has overlapping squares to tell apart');
  // A square's edges belong to it; just beyond them is the sea.
  const only = squareFinder(world(1, 1));
  const [ix, iy] = [world(1, 1).islands.x[0], world(1, 1).islands.y[0]];
  assert.equal(only.at(ix + HalfSquare, iy - HalfSquare).length, 1);
  assert.equal(only.at(ix + HalfSquare + 0.01, iy).length, 0);
  assert.deepEqual(squareFinder(world(0, 1)).at(0, 0, 100), []);
});

test('the nearest islands a filter lets through, from anywhere, are those a full sort finds', () => {
  const generated = world(6000, 23, 2000);
  const { islands } = generated;
  const grid = recordGrid(islands);
  const sorted = (from, accepts, k) => {
    const all = [];
    for (let i = 0; i < islands.count; i++) if (accepts(i)) all.push(i);
    const squared = (i) => (islands.x[i] - from.x) ** 2 + (islands.y[i] - from.y) ** 2;
    return all.sort((a, b) => squared(a) - squared(b) || a - b).slice(0, k);
  };
  const filters = [
    () => true,
    (i) => islands.difficulty[i] >= 5 && islands.difficulty[i] <= 8 && !islands.isExplored[i],
    (i) => islands.isTown[i] && islands.difficulty[i] === 11,
    (i) => i === 4321,
    () => false,
  ];
  const places = [
    generated.player, { x: islands.x[17], y: islands.y[17] }, { x: -5000, y: 300 },
    { x: 2000, y: 2000 }, { x: 1e9, y: -1e9 },
  ];
  for (const from of places) {
    for (const [f, accepts] of filters.entries()) {
      for (const k of [1, 10, 40]) {
        assert.deepEqual(nearestIslands(grid, islands.x, islands.y, from, accepts, k),
          sorted(from, accepts, k), `from ${from.x}, ${from.y}, filter ${f}, ${k} nearest`);
      }
    }
  }
  // Islands at one place: in island order.
  const stacked = world(5, 1);
  stacked.islands.x.fill(10);
  stacked.islands.y.fill(10);
  assert.deepEqual(nearestIslands(recordGrid(stacked.islands), stacked.islands.x, stacked.islands.y,
    { x: 0, y: 0 }, () => true, 3), [0, 1, 2]);
});
