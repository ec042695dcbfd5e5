// What the live page works out for itself: what a new save changed (the islands paired
// by name and position), and the path sailed merged from the tool's and the browser's.
//
// Usage: node --test live-remembers.test.mjs
import { test } from 'node:test';
import assert from 'node:assert/strict';
import { worldChanges } from '../src/live/world-changes.js';
import { mergeTrails, MostTrailPoints, pointsFromJson } from '../src/live/trail-merge.js';

// A world of islands given as [name, x, y, difficulty, town, explored].
function world(islands) {
  const column = (k, Type) => Type.from(islands.map((island) => Number(island[k])));
  return {
    islands: {
      count: islands.length, names: islands.map(([name]) => name), x: column(1, Int32Array),
      y: column(2, Int32Array), difficulty: column(3, Int32Array), isTown: column(4, Uint8Array),
      isExplored: column(5, Uint8Array),
    },
    player: { x: 0, y: 0 },
  };
}

const reef = ['Iron Reef', 10, 20, 3, false, false];
const crag = ['Stormcrag', 296, 82, 7, false, false];
const cove = ['Cove', 5, 5, 1, true, true];

test('the changes of a save, the islands paired by name and position', () => {
  const cases = [
    ['nothing changed', [reef, crag], [reef, crag], []],
    ['explored, a town, another difficulty', [reef, crag, cove],
      [[...reef.slice(0, 5), true], [...crag.slice(0, 4), true, false], ['Cove', 5, 5, -1, true, true]],
      [{ index: 0, what: 'explored' }, { index: 1, what: 'town' },
        { index: 2, what: 'difficulty', was: 1 }]],
    ['no longer a town or explored is no news', [cove], [['Cove', 5, 5, 1, false, false]], []],
    ['one appeared before the others', [reef, crag], [cove, reef, crag], [{ index: 0, what: 'new' }]],
    ['one gone', [reef, cove, crag], [reef, crag], [{ index: 1, what: 'gone' }]],
    ['one moved is another island', [reef], [['Iron Reef', 11, 20, 3, false, false]],
      [{ index: 0, what: 'new' }, { index: 0, what: 'gone' }]],
    ['one renamed is another island', [reef], [['Iron Reefs', 10, 20, 3, false, false]],
      [{ index: 0, what: 'new' }, { index: 0, what: 'gone' }]],
    ['islands alike are paired in their order', [cove, crag, ['Cove', 5, 5, 9, false, false]],
      [['Cove', 5, 5, 1, true, true], cove, crag],
      [{ index: 1, what: 'explored' }, { index: 1, what: 'town' }, { index: 1, what: 'difficulty', was: 9 }]],
    ['one appeared and one gone between islands that stayed', [reef, crag, cove, reef],
      [reef, ['Skerry', 1, 2, 3, false, true], cove, ['Iron Reef', 10, 20, 4, false, false]],
      [{ index: 1, what: 'new' }, { index: 3, what: 'difficulty', was: 3 }, { index: 1, what: 'gone' }]],
    ['islands at one place with other names', [['A', 1, 1, 1, 0, 0], ['B', 1, 1, 1, 0, 0]],
      [['B', 1, 1, 1, 0, 1], ['A', 1, 1, 1, 0, 0]], [{ index: 0, what: 'explored' }]],
  ];
  const byWhat = (changes) => [...changes].sort((a, b) => a.what.localeCompare(b.what) || a.index - b.index);
  for (const [what, before, after, expected] of cases) {
    assert.deepEqual(byWhat(worldChanges(world(before), world(after))), byWhat(expected), what);
  }
});

test('a world of 200,000 islands, many at one place, gives exactly its changes', () => {
  const islands = [];
  for (let i = 0; i < 200000; i++) {
    // A tenth of them crowd 100 places, so that the table's slots collide.
    const crowded = i % 10 === 0;
    islands.push([`Isle ${i}`, crowded ? i % 100 : i % 2000, crowded ? 0 : Math.floor(i / 2000), i % 13,
      i % 7 === 0, i % 3 === 0]);
  }
  const after = islands.map((island) => [...island]);
  after[50][5] = true;         // explored (50 is not a multiple of 3)
  after[130][4] = true;        // a town
  after.splice(70000, 1);      // gone
  after.push(['Newfound', 7, 7, 1, false, false]);
  const changes = worldChanges(world(islands), world(after));
  assert.deepEqual(changes, [{ index: 50, what: 'explored' }, { index: 130, what: 'town' },
    { index: 199999, what: 'new' }, { index: 70000, what: 'gone' }]);
});

test('paths merge by time, each point once, where the player moved, after a clear', () => {
  const p = (x, y, t) => ({ x, y, t });
  const cases = [
    ['by time', [[p(1, 1, 10), p(3, 3, 30)], [p(2, 2, 20), p(4, 4, 40)]], 0,
      [p(1, 1, 10), p(2, 2, 20), p(3, 3, 30), p(4, 4, 40)]],
    ['a point in both once', [[p(1, 1, 10), p(2, 2, 20)], [p(2, 2, 20), p(3, 3, 30)]], 0,
      [p(1, 1, 10), p(2, 2, 20), p(3, 3, 30)]],
    ['a restart where the player stayed', [[p(1, 1, 10), p(2, 2, 20)], [p(2, 2, 90), p(3, 3, 95)]], 0,
      [p(1, 1, 10), p(2, 2, 20), p(3, 3, 95)]],
    ['back to an earlier place is a move', [[p(1, 1, 10), p(2, 2, 20), p(1, 1, 30)]], 0,
      [p(1, 1, 10), p(2, 2, 20), p(1, 1, 30)]],
    ['only what came after a clear', [[p(1, 1, 10), p(2, 2, 20)], [p(3, 3, 30)]], 20, [p(3, 3, 30)]],
  ];
  for (const [what, paths, cleared, expected] of cases) {
    assert.deepEqual(mergeTrails(paths, cleared), expected, what);
  }
  const long = Array.from({ length: MostTrailPoints + 5 }, (_, k) => p(k, 0, k + 1));
  const kept = mergeTrails([long.slice(0, 6000), long.slice(4000)]);
  assert.equal(kept.length, MostTrailPoints);
  assert.deepEqual([kept[0], kept.at(-1)], [long[5], long.at(-1)]);
});

test('points read from JSON leave out what is not a point', () => {
  assert.deepEqual(pointsFromJson([[1, 2, 3], [1.5, 2, 3], ['1', 2, 3], [1, 2], [1, 2, -1],
    [2147483648, 0, 1], null, [-2147483648, 2147483647, 2 ** 53 - 1]]),
  [{ x: 1, y: 2, t: 3 }, { x: -2147483648, y: 2147483647, t: 2 ** 53 - 1 }]);
  assert.deepEqual(pointsFromJson({ points: [] }), []);
});
