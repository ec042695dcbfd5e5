// Measures the path sailed on the live page: a page served by `tlmaper --live` (3,000
// islands and 300 ships on a 4064 x 4064 canvas) panned and zoomed with a kept path of
// 10,000 points over the whole world (a random walk, put in the browser's storage before
// the page opens), beside the same page without one. For each: frames per second while
// panning and while zooming in and out, two seconds each, moving the map on every
// animation frame from the view of the whole world, where every leg of the path is in
// view; and the longest task meanwhile. Each figure is the median of the rounds, the two
// pages measured in turn, each in a fresh browser context.
//
// Usage: node bench/trail.bench.mjs [--binary PATH] [--rounds N]
// Works in a scratch directory that it removes; stops the tool it starts.
import { mkdtempSync, rmSync, writeFileSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { dirname, join, resolve } from 'node:path';
import { fileURLToPath } from 'node:url';
import { parseArgs } from 'node:util';

const root = resolve(dirname(fileURLToPath(import.meta.url)), '..');
const { values: options } = parseArgs({
  options: {
    binary: { type: 'string', default: join(root, 'build/src/driver/tlmaper') },
    rounds: { type: 'string', default: '5' },
  },
});
const { chromium } = await import(join(root, 'web/node_modules/playwright-core/index.mjs'));
const scratch = mkdtempSync(join(tmpdir(), 'tlmaper-trail-bench-'));
process.env.TLMAPER_BINARY = resolve(options.binary);
process.env.TLMAPER_SCRATCH = scratch;
const { saveXml, uniformWorld } = await import('../web/tests/worlds.mjs');
const { startLive, stopAllLive, stopLive } = await import('../web/tests/live-harness.mjs');

const Points = 10000;
const Span = 2000;
process.on('exit', () => {
  stopAllLive();
  rmSync(scratch, { recursive: true, force: true });
});

// A walk of Points steps of up to 40 units over the world, as the page keeps a path.
function keptPath(worldName) {
  let seed = 20261211;
  const next = () => (seed = (seed * 1103515245 + 12345) % 2147483648) / 2147483648;
  let x = Span / 2, y = Span / 2;
  const points = [];
  for (let k = 0; k < Points; k++) {
    x = Math.min(Span, Math.max(0, Math.round(x + (next() - 0.5) * 80)));
    y = Math.min(Span, Math.max(0, Math.round(y + (next() - 0.5) * 80)));
    points.push([x, y, 1765400000000 + k * 60000]);
  }
  return [`tlmaper-trail:${worldName}`,
    JSON.stringify({ format: 'tlmaper-trail', version: 1, cleared: 0, points })];
}

// Moves the map every animation frame for two seconds, by `how`: gives frames per second
// and the longest task (0 when none took more than 50 ms).
function moveTheMap(how) {
  return new Promise((done) => {
    const zoom = map.getZoom();
    let longest = 0;
    const observer = new PerformanceObserver((list) => {
      for (const entry of list.getEntries()) longest = Math.max(longest, entry.duration);
    });
    observer.observe({ type: 'longtask' });
    let count = 0;
    const began = performance.now();
    const step = (now) => {
      count++;
      if (now - began >= 2000) {
        observer.disconnect();
        map.setZoom(zoom, { animate: false });
        done({ fps: count / ((now - began) / 1000), longest });
      } else {
        if (how === 'zoom') map.setZoom(zoom + (count % 2), { animate: false });
        else map.panBy(Math.floor(count / 40) % 2 ? [-12, -6] : [12, 6], { animate: false });
        requestAnimationFrame(step);
      }
    };
    requestAnimationFrame(step);
  });
}

async function measure(browser, url, kept) {
  const context = await browser.newContext({ viewport: { width: 1100, height: 760 } });
  try {
    const page = await context.newPage();
    if (kept) await page.addInitScript(([key, text]) => localStorage.setItem(key, text), kept);
    await page.goto(url);
    await page.waitForSelector('#map[data-state="ready"][data-live="current"]', { timeout: 120000 });
    // (A few steps of the walk stay in place at the world's edge, and are no points.)
    if (kept) await page.waitForFunction((n) => tlmaper.trail().length >= n, Points * 0.99);
    await page.waitForTimeout(1500);  // the first view's tiles and labels
    const pan = await page.evaluate(moveTheMap, 'pan');
    const zoom = await page.evaluate(moveTheMap, 'zoom');
    return { pan: pan.fps, zoom: zoom.fps, longest: Math.max(pan.longest, zoom.longest) };
  } finally {
    await context.close();
  }
}

const median = (values) => [...values].sort((a, b) => a - b)[Math.floor(values.length / 2)];

const world = uniformWorld(3000, 300, Span);
writeFileSync(join(scratch, 'world.xml'), saveXml(world));
const live = await startLive(scratch, 'world.xml');
const { url } = live;
const kept = keptPath(world.player.worldName);
const browser = await chromium.launch({ executablePath: '/usr/bin/chromium', headless: true,
  args: ['--no-sandbox', '--disable-gpu'] });
const rounds = { without: [], with: [] };
try {
  for (let round = 0; round < Number(options.rounds); round++) {
    rounds.without.push(await measure(browser, url, null));
    rounds.with.push(await measure(browser, url, kept));
  }
} finally {
  await browser.close();
  await stopLive(live);
}
const figures = Object.fromEntries(Object.entries(rounds).map(([name, results]) => [name, {
  pan: median(results.map((r) => r.pan)), zoom: median(results.map((r) => r.zoom)),
  longest: Math.max(...results.map((r) => r.longest)),
}]));
console.log('| page | pan fps | zoom fps | longest task ms |');
console.log('|---|---|---|---|');
for (const [name, { pan, zoom, longest }] of Object.entries(figures)) {
  const ratio = (value, base) => (name === 'without' ? '' : ` (${(value / base).toFixed(2)}x)`);
  console.log(`| ${name} a path of ${Points.toLocaleString('en')} points | ${pan.toFixed(1)}` +
    `${ratio(pan, figures.without.pan)} | ${zoom.toFixed(1)}${ratio(zoom, figures.without.zoom)} | ` +
    `${longest.toFixed(0)} |`);
}
