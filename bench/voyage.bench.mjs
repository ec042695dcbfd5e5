// Measures the voyage planner (web/src/voyage/planner.js) in headless Chromium, bundled
// alone into a blank page, on random voyages in a 4000 x 4000 world, the stops spread
// evenly ("uniform") or in archipelagos ("clustered"), the player somewhere inside:
//   (a) 10 stops: the tour heuristic's mean gap to the optimum (the page plans these
//       exactly) on 100 voyages, and the exact plan's time at 12 and 13 stops;
//   (b) 60 and 200 stops: the gap to a long iterated local search (the best of several
//       restarts of several seconds each), open and round trip, for the planner and for
//       the variants it was chosen over (a nearest-neighbour first tour; 2-opt alone),
//       in a page that has planned before;
//   (c) the time from asking until the plan is there, at 200 and 1,000 stops, each in a
//       fresh page (the first plan pays for compiling the planner);
//   (d) the longest slice of work between two of the planner's yields, and the tasks
//       the browser saw as long (over 50 ms) meanwhile.
// Medians of the rounds (3 unless asked otherwise), each round in a fresh page. On a
// shared machine, run it with a raised priority (nice -n -10) so that the slices and
// times measured are the planner's own.
//
// Usage: node bench/voyage.bench.mjs [--rounds N] [--voyages N] [--reference-seconds S]
//                                     [--parts abc]
//   --voyages  voyages of each kind and way in (b) (default 3: 12 at each size)
//   --reference-seconds  each restart of the long search (default 3; 3 restarts)
//   --parts  which of (a), (b) and (c, d) to measure (default all: abc)
import { mkdtempSync, rmSync } from 'node:fs';
import { createRequire } from 'node:module';
import { tmpdir } from 'node:os';
import { dirname, join, resolve } from 'node:path';
import { fileURLToPath } from 'node:url';
import { parseArgs } from 'node:util';

const root = resolve(dirname(fileURLToPath(import.meta.url)), '..');
const { values: options } = parseArgs({
  options: {
    rounds: { type: 'string', default: '3' },
    voyages: { type: 'string', default: '3' },
    'reference-seconds': { type: 'string', default: '3' },
    parts: { type: 'string', default: 'abc' },
  },
});
// The harness wants a tool and a scratch directory; this benchmark uses neither.
process.env.TLMAPER_BINARY ??= join(root, 'build', 'src', 'driver', 'tlmaper');
process.env.TLMAPER_SCRATCH = mkdtempSync(join(tmpdir(), 'voyage-bench-'));
const { scratch, launchBrowser } = await import('../web/tests/page-harness.mjs');
const { randomVoyage, seededNumbers } = await import('../web/tests/voyages.mjs');
const { buildSync } = createRequire(join(root, 'web', 'package.json'))('esbuild');

const Rounds = Number(options.rounds);
const Parts = options.parts;
const VoyagesOfEach = Number(options.voyages);
const ReferenceMs = 1000 * Number(options['reference-seconds']);
const Restarts = 3;
const Variants = [
  { name: 'greedy tour, 2-opt and or-opt (the planner)', options: {} },
  { name: 'nearest-neighbour tour, 2-opt and or-opt', options: { startTour: 'nearest' } },
  { name: 'greedy tour, 2-opt alone', options: { orOpt: false } },
];

const planner = buildSync({
  entryPoints: [join(root, 'web', 'src', 'voyage', 'planner.js')], bundle: true,
  format: 'iife', globalName: 'voyagePlanner', write: false, logLevel: 'silent',
}).outputFiles[0].text;

// Voyages of each kind (uniform, clustered) and way (open, round trip).
function voyageSet(seed, stops, each) {
  const random = seededNumbers(seed), set = [];
  for (const clustered of [false, true]) {
    for (const returnHome of [false, true]) {
      for (let k = 0; k < each; k++) {
        set.push({ ...randomVoyage(random, stops, { clustered }), clustered, returnHome });
      }
    }
  }
  return set;
}

async function freshPage(browser) {
  const context = await browser.newContext();
  const page = await context.newPage();
  await page.addScriptTag({ content: planner });
  return { page, close: () => context.close() };
}

// A fresh page that has planned a voyage already, so that the code is compiled.
async function warmPage(browser) {
  const opened = await freshPage(browser);
  await planAtOnce(opened.page, voyageSet(1, 300, 1), {});
  return opened;
}

// In the page: each voyage planned at once with `options`: its distance.
function planAtOnce(page, voyages, options) {
  return page.evaluate(([list, extra]) => list.map((v) => voyagePlanner.planVoyage(v.start,
    v.xs, v.ys, { returnHome: v.returnHome, ...extra }).distance), [voyages, options]);
}

// In the page: each voyage planned exactly, timed: [{ distance, ms }].
function planExactly(page, voyages) {
  return page.evaluate((list) => list.map((v) => {
    const began = performance.now();
    const plan = voyagePlanner.planVoyage(v.start, v.xs, v.ys,
      { returnHome: v.returnHome, exactUpTo: 13 });
    return { distance: plan.distance, ms: performance.now() - began };
  }), voyages);
}

// In the page: the voyage planned in slices, as the page plans it: its distance, the
// time until it was there, the longest slice between the planner's yields, and the long
// tasks the browser saw.
function planInSlices(page, voyage, options = {}) {
  return page.evaluate(async ([v, extra]) => {
    const longTasks = [];
    const observer = new PerformanceObserver((list) => {
      for (const entry of list.getEntries()) longTasks.push(entry.duration);
    });
    observer.observe({ type: 'longtask' });
    const slices = [];
    const yieldAsGiven = scheduler.yield;
    let resumed = performance.now();
    scheduler.yield = () => {
      slices.push(performance.now() - resumed);
      return yieldAsGiven.call(scheduler).then(() => { resumed = performance.now(); });
    };
    const began = performance.now();
    const plan = await voyagePlanner.planVoyageInSlices(v.start, v.xs, v.ys,
      { returnHome: v.returnHome, ...extra });
    const ms = performance.now() - began;
    slices.push(performance.now() - resumed);
    scheduler.yield = yieldAsGiven;
    await new Promise((done) => setTimeout(done, 100));
    observer.disconnect();
    const longestSlice = Math.max(...slices);
    return { distance: plan.distance, ms, longestSlice, slices: slices.length, longTasks,
      longestAt: slices.indexOf(longestSlice) };
  }, [voyage, options]);
}

const median = (values) => [...values].sort((a, b) => a - b)[Math.floor(values.length / 2)];
const mean = (values) => values.reduce((a, b) => a + b, 0) / values.length;
const percent = (v) => `${(100 * v).toFixed(2)}%`;
const kindOf = (v) => `${v.clustered ? 'clustered' : 'uniform'}, ${v.returnHome ? 'round trip' : 'open'}`;

const browser = await launchBrowser();
try {
  if (Parts.includes('a')) await measureSmall(browser);
  if (Parts.includes('b')) {
    for (const stops of [60, 200]) await measureGaps(browser, stops);
  }
  if (Parts.includes('c')) {
    for (const stops of [200, 1000]) {
      for (const clustered of [false, true]) await measureTimes(browser, stops, clustered);
    }
  }
} finally {
  await browser.close();
  rmSync(scratch, { recursive: true, force: true });
}

// (a) The heuristic at 10 stops against the optimum, and the exact plan's time.
async function measureSmall(browser) {
  const tenStops = voyageSet(10, 10, 25);
  const twelve = voyageSet(12, 12, 5), thirteen = voyageSet(13, 13, 5);
  const small = { gap: [], optimal: [], ms12: [], ms13: [] };
  for (let round = 0; round < Rounds; round++) {
    const { page, close } = await freshPage(browser);
    const exact = await planExactly(page, tenStops);
    const found = await planAtOnce(page, tenStops, { exactUpTo: 0 });
    const gaps = found.map((d, k) => d / exact[k].distance - 1);
    small.gap.push(mean(gaps));
    small.optimal.push(gaps.filter((g) => g < 1e-9).length);
    small.ms12.push(median((await planExactly(page, twelve)).map((p) => p.ms)));
    small.ms13.push(median((await planExactly(page, thirteen)).map((p) => p.ms)));
    await close();
  }
  console.log(`(a) 10 stops, ${tenStops.length} voyages: the heuristic's mean gap to the ` +
    `optimum ${percent(median(small.gap))}, optimal in ${median(small.optimal)}; the exact ` +
    `plan takes ${median(small.ms12).toFixed(1)} ms at 12 stops, ` +
    `${median(small.ms13).toFixed(1)} ms at 13 (medians)`);
}

// (b) The gap to a long search at `stops` stops, for each variant.
async function measureGaps(browser, stops) {
  const voyages = voyageSet(stops, stops, VoyagesOfEach);
  const reference = await longSearch(browser, voyages);
  const results = Variants.map(() => voyages.map(() => []));  // [variant][voyage][round]
  const times = [];
  for (let round = 0; round < Rounds; round++) {
    const { page, close } = await warmPage(browser);
    for (const [variant, { options: extra }] of Variants.entries()) {
      for (const [k, voyage] of voyages.entries()) {
        const plan = await planInSlices(page, voyage, extra);
        results[variant][k].push(plan.distance);
        if (variant === 0) times.push(plan.ms);
      }
    }
    await close();
  }
  console.log(`(b) ${stops} stops, ${voyages.length} voyages, against the best of ` +
    `${Restarts} searches of ${ReferenceMs / 1000} s (median of ${Rounds} rounds per voyage;` +
    ` the planner took ${median(times).toFixed(0)} ms, median):`);
  for (const [variant, { name }] of Variants.entries()) {
    const gaps = voyages.map((_, k) => median(results[variant][k]) / reference[k] - 1);
    const byKind = {};
    voyages.forEach((v, k) => (byKind[kindOf(v)] ??= []).push(gaps[k]));
    console.log(`  ${name}: mean gap ${percent(mean(gaps))}, largest ` +
      `${percent(Math.max(...gaps))}; ` + Object.entries(byKind).map(([kind, g]) =>
      `${kind} ${percent(mean(g))}`).join(', '));
  }
}

// The best length of each voyage over several long searches.
async function longSearch(browser, voyages) {
  const { page, close } = await freshPage(browser);
  let best = voyages.map(() => Infinity);
  for (let restart = 0; restart < Restarts; restart++) {
    const found = await planAtOnce(page, voyages,
      { budgetMs: ReferenceMs, patience: Infinity, seed: 1001 + restart });
    best = best.map((b, k) => Math.min(b, found[k]));
  }
  await close();
  return best;
}

// (c), (d) Planning time and the longest slice at `stops` stops, each plan in a fresh
// page.
async function measureTimes(browser, stops, clustered) {
  const random = seededNumbers(stops + (clustered ? 1 : 0));
  const voyage = { ...randomVoyage(random, stops, { clustered }), returnHome: true };
  const runs = [];
  for (let round = 0; round < Rounds; round++) {
    const { page, close } = await freshPage(browser);
    runs.push(await planInSlices(page, voyage));
    await close();
  }
  const longTasks = runs.flatMap((r) => r.longTasks);
  const longest = runs.reduce((a, b) => (b.longestSlice > a.longestSlice ? b : a));
  console.log(`(c, d) ${stops} stops, ${clustered ? 'clustered' : 'uniform'}, round ` +
    `trip: planned in ${median(runs.map((r) => r.ms)).toFixed(0)} ms (median; ` +
    `${runs.map((r) => r.ms.toFixed(0)).join(', ')}), ${median(runs.map((r) => r.slices))}` +
    ` slices, the longest ${longest.longestSlice.toFixed(1)} ms (slice ${longest.longestAt} ` +
    `of ${longest.slices}); ` +
    `${longTasks.length} long tasks${longTasks.length ? ` (longest ` +
    `${Math.max(...longTasks).toFixed(0)} ms)` : ''}`);
}
