// The voyage planner in node alone: the exact plan against every order of the stops,
// the tour heuristic against the exact plan, inputs that have tripped tour heuristics
// (no stops, stops on one spot or on a line, the largest world positions), the plan in
// slices, and where a stop added by hand goes.
//
// Usage: node --test voyage-plan.test.mjs
import { test } from 'node:test';
import assert from 'node:assert/strict';
import { planExact } from '../src/voyage/plan-exact.js';
import { cheapestInsertion, planVoyage, planVoyageInSlices } from '../src/voyage/planner.js';
import { randomVoyage, seededNumbers as seeded } from './voyages.mjs';

// The voyage's length computed here, apart from the planner's own code.
function lengthOf({ start, xs, ys }, order, returnHome) {
  const points = [start, ...Array.from(order, (i) => ({ x: xs[i], y: ys[i] }))];
  if (returnHome) points.push(start);
  let length = 0;
  for (let k = 1; k < points.length; k++) {
    length += Math.hypot(points[k].x - points[k - 1].x, points[k].y - points[k - 1].y);
  }
  return length;
}

function shortestByTryingAll(voyage, returnHome) {
  let best = Infinity;
  const visit = (order, left) => {
    if (left.length === 0) best = Math.min(best, lengthOf(voyage, order, returnHome));
    left.forEach((stop, k) => visit([...order, stop], left.filter((_, j) => j !== k)));
  };
  visit([], voyage.xs.map((_, i) => i));
  return best;
}

// Checks that `plan` visits every stop once and that its distance is its length.
function assertSound(voyage, plan, returnHome) {
  const sorted = Array.from(plan.order).sort((a, b) => a - b);
  assert.deepEqual(sorted, voyage.xs.map((_, i) => i), 'every stop once');
  assert.ok(Number.isFinite(plan.distance), `distance ${plan.distance}`);
  const length = lengthOf(voyage, plan.order, returnHome);
  assert.ok(Math.abs(plan.distance - length) <= 1e-9 * Math.max(1, length),
    `distance ${plan.distance} against its length ${length}`);
}

const close = (a, b) => Math.abs(a - b) <= 1e-9 * Math.max(1, Math.abs(b));
const Modes = [{ returnHome: false }, { returnHome: true }];

test('the exact plan is the shortest of every order of the stops', () => {
  const random = seeded(7);
  for (const { returnHome } of Modes) {
    for (let stops = 0; stops <= 7; stops++) {
      for (let round = 0; round < 3; round++) {
        const voyage = randomVoyage(random, stops);
        const plan = planExact(voyage.start, voyage.xs, voyage.ys, returnHome);
        assertSound(voyage, plan, returnHome);
        const best = shortestByTryingAll(voyage, returnHome);
        assert.ok(close(plan.distance, best), `${stops} stops, round trip ${returnHome}: ` +
          `${plan.distance} against ${best}`);
      }
    }
  }
});

test('the tour heuristic comes within a hair of the exact plan on 8 to 12 stops', () => {
  const random = seeded(11);
  for (const { returnHome } of Modes) {
    const gaps = [];
    for (let round = 0; round < 30; round++) {
      const voyage = randomVoyage(random, 8 + (round % 5), { clustered: round % 2 === 1 });
      const exact = planExact(voyage.start, voyage.xs, voyage.ys, returnHome);
      const plan = planVoyage(voyage.start, voyage.xs, voyage.ys,
        { returnHome, exactUpTo: 0, budgetMs: 2000 });
      assertSound(voyage, plan, returnHome);
      gaps.push(plan.distance / exact.distance - 1);
    }
    const mean = gaps.reduce((a, b) => a + b) / gaps.length;
    const optimal = gaps.filter((gap) => gap < 1e-9).length;
    assert.ok(Math.min(...gaps) > -1e-9, 'never shorter than the exact plan');
    assert.ok(mean < 0.001, `mean gap ${mean}, round trip ${returnHome}`);
    assert.ok(optimal >= 27, `${optimal} of 30 optimal, round trip ${returnHome}`);
  }
});

// Voyages whose shortest length is known, each planned exactly (few stops) and by the
// heuristic (many).
const Extreme = 2 ** 31;
const Degenerate = [
  { name: 'no stops', start: { x: 5, y: 5 }, stops: [], open: 0, round: 0 },
  { name: 'one stop', start: { x: 0, y: 0 }, stops: [[3, 4]], open: 5, round: 10 },
  { name: 'all stops on one spot', start: { x: 0, y: 0 }, stops: Array(40).fill([30, 40]),
    open: 50, round: 100 },
  { name: 'all stops on the player', start: { x: -7, y: 9 }, stops: Array(30).fill([-7, 9]),
    open: 0, round: 0 },
  { name: 'some stops on the player', start: { x: 0, y: 0 },
    stops: Array.from({ length: 30 }, (_, i) => (i % 3 ? [0, 0] : [i, 0])), open: 27, round: 54 },
  { name: 'stops on a line beyond the player', start: { x: 0, y: 0 },
    stops: Array.from({ length: 50 }, (_, i) => [(i * 37) % 50 * 3, (i * 37) % 50 * 4]),
    open: 245, round: 490 },
  { name: 'stops on a line either side of the player', start: { x: 0, y: 0 },
    stops: Array.from({ length: 41 }, (_, i) => [i - 10, 0]), open: 50, round: 80 },
  { name: 'the far corners of the world', start: { x: -Extreme, y: -Extreme },
    stops: Array.from({ length: 24 }, (_, i) => [[-Extreme, Extreme - 1][i % 2],
      [-Extreme, Extreme - 1][(i >> 1) % 2]]),
    open: 3 * (2 ** 32 - 1), round: 4 * (2 ** 32 - 1) },
];

test('degenerate voyages are planned soundly, exactly and by the heuristic', () => {
  for (const { name, start, stops, open, round } of Degenerate) {
    for (const { returnHome } of Modes) {
      for (const exactUpTo of [12, 0]) {
        const voyage = { start, xs: stops.map((s) => s[0]), ys: stops.map((s) => s[1]) };
        const plan = planVoyage(start, voyage.xs, voyage.ys,
          { returnHome, exactUpTo, budgetMs: 200 });
        assertSound(voyage, plan, returnHome);
        const expected = returnHome ? round : open;
        assert.ok(close(plan.distance, expected),
          `${name}, round trip ${returnHome}, exact up to ${exactUpTo}: ${plan.distance}`);
      }
    }
  }
});

test('a few of the degenerate voyages, as few stops as the exact plan takes', () => {
  for (const { name, start, stops } of Degenerate) {
    const few = stops.slice(0, 9);
    const voyage = { start, xs: few.map((s) => s[0]), ys: few.map((s) => s[1]) };
    for (const { returnHome } of Modes) {
      const exact = planExact(start, voyage.xs, voyage.ys, returnHome);
      const plan = planVoyage(start, voyage.xs, voyage.ys, { returnHome, exactUpTo: 0 });
      assertSound(voyage, plan, returnHome);
      assert.ok(close(plan.distance, exact.distance), `${name}: ${plan.distance}`);
    }
  }
});

test('positions that are not numbers, or lists of unequal length, are refused', () => {
  const refused = [
    [{ x: 0, y: 0 }, [1, 2], [1]],
    [{ x: NaN, y: 0 }, [1], [1]],
    [{ x: 0, y: 0 }, [1, Infinity], [1, 2]],
    [{ x: 0, y: 0 }, [1, '2'], [1, 2]],
    [{ x: 0 }, [1], [1]],
  ];
  for (const [start, xs, ys] of refused) {
    assert.throws(() => planVoyage(start, xs, ys), /position/, JSON.stringify([start, xs]));
  }
});

test('the plan in slices gives the same voyage while the event loop keeps turning', async () => {
  const random = seeded(23);
  const voyage = randomVoyage(random, 300);
  const xs = Int32Array.from(voyage.xs), ys = Int32Array.from(voyage.ys);
  // Ended by patience, not by time, the plan is the same however the work is cut up.
  const options = { returnHome: true, budgetMs: 60000, patience: 3000 };
  const whole = planVoyage(voyage.start, xs, ys, options);
  let turns = 0;
  const ticker = setInterval(() => turns++, 0);
  const sliced = await planVoyageInSlices(voyage.start, xs, ys, options);
  clearInterval(ticker);
  assert.deepEqual(sliced, whole);
  assertSound(voyage, sliced, true);
  assert.ok(turns > 0, 'other tasks ran while planning');
});

test('the plan in slices stops when asked to, and rejects bad input', async () => {
  const random = seeded(29);
  const voyage = randomVoyage(random, 500);
  const stop = new AbortController();
  const planning = planVoyageInSlices(voyage.start, voyage.xs, voyage.ys,
    { budgetMs: 60000, patience: Infinity, signal: stop.signal });
  setTimeout(() => stop.abort(new Error('stops changed')), 50);
  await assert.rejects(planning, /stops changed/);
  await assert.rejects(planVoyageInSlices({ x: 0, y: 0 }, [1], []), RangeError);
});

test('a stop added by hand goes where it lengthens the voyage least', () => {
  const random = seeded(31);
  for (const { returnHome } of Modes) {
    for (let round = 0; round < 40; round++) {
      const voyage = randomVoyage(random, 1 + (round % 9));
      const added = voyage.xs.length - 1;
      const order = voyage.xs.slice(0, -1).map((_, i) => i);
      const at = cheapestInsertion(voyage.start, voyage.xs, voyage.ys, order, added,
        { returnHome });
      const lengths = order.concat([0]).map((_, k) =>
        lengthOf(voyage, [...order.slice(0, k), added, ...order.slice(k)], returnHome));
      assert.ok(close(lengths[at], Math.min(...lengths)),
        `${order.length} stops, round trip ${returnHome}: position ${at} of ${lengths}`);
    }
  }
});
