// Measures the built-in page in headless Chromium at four world sizes, beside two
// yardsticks measured in the same run: the 2-island page (for frame rates) and the read
// floor, a page whose marker lists sit in inert blocks and are never used (the least any
// page can cost to load).
//
// For each world (2, 3,000, 30,000 and 200,000 islands plus a tenth as many ships, all on
// a 4064 x 4064 canvas) it reports: the time from navigation until #map is "ready";
// frames per second while panning and while zooming in and out, two seconds each, moving
// the map on every animation frame; the most marker elements in the document while doing
// so; the longest task while panning; the JS heap after garbage collection once the
// page is ready; and how long after the end of a single animated zoom step in the page
// shows that zoom's labels (pages that say where their labels are). Frame rates are taken
// once the page has gone idle after becoming ready.
//
// A world may also be given as ISLANDS@SPAN, on a (2 x SPAN + 64)-pixel canvas (200@10000
// is a 20064 x 20064 map, a 1.2 GB bitmap, which the page draws itself), and with
// +colours, measured with the "Difficulty colours" layer on, and +filter, opened with
// the island filter on (difficulty 5 to 8, unexplored only), +voyage, opened with a
// voyage of 200 stops spread over the world (its link), and +notes, with 10,000 of the
// player's notes on islands spread over the world, kept in the browser. Frame rates are compared with
// the first world's page.
//
// On each page it also measures asking the map: the script time of a click on an island
// until its card is open (15 islands in view, the first one also building the index),
// and the time from changing the filter until the new labels are on screen.
//
// Each figure is the median of several rounds, the pages measured in turn, each in a
// fresh browser; the old page is measured once.
//
// Usage: node bench/page.bench.mjs [--binary PATH] [--old] [--only 2,3000,...] [--rounds N]
//   --binary  the built tool (default build/src/driver/tlmaper)
//   --template  a template file to measure in place of the tool's built-in one
//   --before  a template file to measure as well, as "before" (say, an earlier build's
//             build/src/page/template.html)
//   --before-name  the name that page goes by in the table (default "before")
//   --hash    text added to each page's address (say, "#map=drawn")
//   --viewport  the window's size, WIDTHxHEIGHT (default 1100x760)
//   --old     also measure the page as it was before it read its lists as data
//             (the template of commit a5f130b, which runs the lists as script)
// Also reports the median time the drawn map takes for one tile, on pages that drew any.
// Works in a scratch directory that it removes.
import { execFileSync } from 'node:child_process';
import { mkdtempSync, readFileSync, rmSync, writeFileSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { dirname, join, resolve } from 'node:path';
import { fileURLToPath, pathToFileURL } from 'node:url';
import { parseArgs } from 'node:util';

const root = resolve(dirname(fileURLToPath(import.meta.url)), '..');

const { values: options } = parseArgs({
  options: {
    binary: { type: 'string', default: join(root, 'build', 'src', 'driver', 'tlmaper') },
    template: { type: 'string' },
    before: { type: 'string' },
    'before-name': { type: 'string', default: 'before' },
    hash: { type: 'string', default: '' },
    old: { type: 'boolean', default: false },
    only: { type: 'string', default: '2,3000,30000,200000' },
    rounds: { type: 'string', default: '3' },
    viewport: { type: 'string', default: '1100x760' },
  },
});
process.env.TLMAPER_BINARY = resolve(options.binary);
process.env.TLMAPER_SCRATCH = mkdtempSync(join(tmpdir(), 'page-bench-'));
const { scratch, launchBrowser } = await import('../web/tests/page-harness.mjs');
const { saveXml, uniformWorld } = await import('../web/tests/worlds.mjs');
const Span = 2000;                 // world units: a (2 x 2000 + 64)-pixel square canvas
// Each world: { islands, span, colours, filter, voyage, label }.
const Worlds = options.only.split(',').map((entry) => {
  const [, islands, span, colours, filter, voyage, notes] =
    /^(\d+)(?:@(\d+))?(\+colours)?(\+filter)?(\+voyage)?(\+notes)?$/.exec(entry) ??
    (() => { throw new Error(`--only: cannot read ${entry}`); })();
  return {
    islands: Number(islands), span: Number(span ?? Span), colours: Boolean(colours),
    filter: Boolean(filter), voyage: Boolean(voyage), notes: Boolean(notes), label: entry,
  };
});
const FilterAddress = '&difficulty=5-8&unexplored=1';
const VoyageStops = 200;
const Notes = 10000;
const NoteMarks = ['', 'planned', 'danger', 'treasure', 'done'];
// The browser's notes of `world`: Notes notes on islands spread over its list, as the page
// keeps them (its storage key and text).
function notesKept(world) {
  const step = Math.max(1, Math.floor(world.islands.length / Notes));
  const notes = world.islands.filter((_, i) => i % step === 0).slice(0, Notes).map((island, k) => ({
    name: island.name, x: island.x, y: island.y, text: `Note ${k}: come back with a bigger ship`,
    mark: NoteMarks[k % NoteMarks.length], updated: 1765400000000 + k,
  }));
  const name = world.player.worldName;
  return [`tlmaper-notes:${name}`,
    JSON.stringify({ format: 'tlmaper-notes', version: 1, world: name, notes })];
}
// The address of a voyage through VoyageStops islands of `world`, spread over its list
// (so over the whole world, its legs crossing it).
function voyageAddress(world) {
  const step = Math.max(1, Math.floor(world.islands.length / VoyageStops));
  const stops = world.islands.filter((_, i) => i % step === 0).slice(0, VoyageStops);
  return `&voyage=${stops.map(({ x, y }) => `${x},${y}`).join('~')}`;
}
const MoveSeconds = 2;
const MoveTimeout = 30000;
const ReadyTimeout = 120000;       // the page before this change never opens at 200,000
const [ViewportWidth, ViewportHeight] = options.viewport.split('x').map(Number);
const Viewport = { width: ViewportWidth, height: ViewportHeight };
const leafletDirectory = join(root, 'web', 'node_modules', 'leaflet', 'dist');
const OldTemplateCommit = 'a5f130b';

// The read floor: Leaflet and the bitmap, with the five lists in inert blocks, unread.
const FloorTemplate = `<!DOCTYPE html>
<html lang="en"><head><meta charset="utf-8"><title>floor</title>
<link rel="stylesheet" href="LEAFLET/leaflet.css"><script src="LEAFLET/leaflet.js"></script>
<style>html, body, #map { height: 100%; margin: 0; }</style></head>
<body><div id="map" data-image="[MAPFILENAME]" data-state="loading"></div>
<script type="text/plain">[ISLANDDIFFICULTYLAYER]</script>
<script type="text/plain">[ISLANDNAMELAYER]</script>
<script type="text/plain">[TOWNLAYER]</script>
<script type="text/plain">[VISITEDLAYER]</script>
<script type="text/plain">[SHIPDIFFICULTYLAYER]</script>
<script>
const map = L.map('map', { crs: L.CRS.Simple, minZoom: -4, maxZoom: 5 });
map.setView([0, 0], 0);
const element = document.getElementById('map');
const image = L.imageOverlay(element.dataset.image.split('/').pop(), [[0, 0], [0, 0]]);
image.on('load', () => {
  const { naturalWidth: w, naturalHeight: h } = image.getElement();
  const bounds = L.latLngBounds(map.unproject([-0.25, -0.25], 0),
                                map.unproject([(w - 0.5) / 2, (h - 0.5) / 2], 0));
  image.setBounds(bounds);
  map.fitBounds(bounds, { animate: false });
  element.dataset.state = 'ready';
});
image.addTo(map);
</script></body></html>
`;

// The page before this change loads Leaflet from a CDN; here it takes the npm copy.
function oldTemplate() {
  const template = execFileSync('git', ['show', `${OldTemplateCommit}:web/template.html`],
    { cwd: root, encoding: 'utf8' });
  return template
    .replace(/<link rel="stylesheet"[^>]*>/, '<link rel="stylesheet" href="LEAFLET/leaflet.css">')
    .replace(/<script src="https:[^>]*><\/script>/, '<script src="LEAFLET/leaflet.js"></script>');
}

const Pages = [
  { name: 'page', template: options.template ? readFileSync(options.template, 'utf8') : null },
  ...(options.before
    ? [{ name: options['before-name'], template: readFileSync(options.before, 'utf8') }] : []),
  { name: 'floor', template: FloorTemplate },
  ...(options.old ? [{ name: 'old page', template: oldTemplate() }] : []),
];

// Writes the save of `islands` islands and makes its page with each template.
function makePages(scratch, world) {
  const { islands, span, label } = world;
  const directory = join(scratch, label.replace(/\W/g, '-'));
  execFileSync('mkdir', ['-p', directory]);
  const save = join(directory, 'world.xml');
  const generated = uniformWorld(islands, Math.floor(islands / 10), span);
  if (world.voyage) world.voyageAddress = voyageAddress(generated);
  if (world.notes) world.notesKept = notesKept(generated);
  writeFileSync(save, saveXml(generated));
  const made = {};
  for (const { name, template } of Pages) {
    const pageDirectory = join(directory, name.replace(' ', '-'));
    execFileSync('mkdir', ['-p', pageDirectory]);
    if (template !== null) {
      const leaflet = pathToFileURL(leafletDirectory).href;
      writeFileSync(join(pageDirectory, 'template.html'), template.replaceAll('LEAFLET', leaflet));
    }
    execFileSync('cp', [save, join(pageDirectory, 'world.xml')]);
    execFileSync(resolve(options.binary), ['world.xml'], { cwd: pageDirectory });
    made[name] = join(pageDirectory, 'world.html');
  }
  return made;
}

// Notes when #map first says "ready", from the first moment of the page.
function noteReady() {
  const observer = new MutationObserver(() => {
    if (document.getElementById('map')?.dataset.state === 'ready' && !window.benchReadyAt) {
      window.benchReadyAt = performance.now();
      observer.disconnect();
    }
  });
  observer.observe(document, { subtree: true, attributes: true, attributeFilter: ['data-state'] });
}

// Waits until the page has nothing left to do after becoming ready (its scripts may
// finish work in the background), so that frame rates measure moving the map alone.
function idle() {
  return new Promise((done) => {
    const start = performance.now();
    let quiet = 0;
    const check = (deadline) => {
      quiet = deadline.timeRemaining() >= 40 ? quiet + 1 : 0;
      if (quiet >= 3 || performance.now() - start > 15000) done();
      else requestIdleCallback(check);
    };
    requestIdleCallback(check);
  });
}

// Moves the map on every animation frame for `seconds`; gives frames per second, the most
// marker elements seen in the document and the longest task meanwhile (0 when none took
// more than 50 ms).
function moveEveryFrame([how, seconds]) {
  const pane = document.querySelector('.leaflet-marker-pane');
  const startZoom = map.getZoom();
  return new Promise((done) => {
    let frames = 0;
    let most = pane.childElementCount;
    let longest = 0;
    const tasks = new PerformanceObserver((list) => {
      for (const task of list.getEntries()) longest = Math.max(longest, task.duration);
    });
    tasks.observe({ type: 'longtask' });
    const start = performance.now();
    const frame = (now) => {
      frames++;
      most = Math.max(most, pane.childElementCount);
      if (now - start >= seconds * 1000) {
        map.setZoom(startZoom, { animate: false });
        tasks.disconnect();
        done({ fps: frames / ((now - start) / 1000), elements: most, longest });
        return;
      }
      if (how === 'pan') {
        // Back and forth across half the view, 12 pixels a frame.
        const leg = Math.floor(frames / 40) % 2 === 0 ? 1 : -1;
        map.panBy([12 * leg, 6 * leg], { animate: false });
      } else {
        map.setZoom(startZoom + (frames % 2), { animate: false });
      }
      requestAnimationFrame(frame);
    };
    requestAnimationFrame(frame);
  });
}

// Milliseconds from the end of one animated zoom step in to the first frame that shows
// the new zoom's labels; null on a page that does not say where its labels are.
function labelsAfterZoomStep() {
  if (!window.tlmaper?.labelsInView) return null;
  const mapElement = document.getElementById('map');
  return new Promise((done) => {
    map.once('zoomend', () => {
      const ended = performance.now();
      const check = () => {
        if (mapElement.dataset.labels === 'shown' && tlmaper.labelsInView().length > 0) {
          done(performance.now() - ended);
        } else {
          requestAnimationFrame(check);
        }
      };
      requestAnimationFrame(check);
    });
    map.zoomIn(1, { animate: true });
  });
}

// A promise's value, or null once `ms` have passed without it.
const withinTime = (promise, ms) =>
  Promise.race([promise, new Promise((resolve) => setTimeout(() => resolve(null), ms))]);

// Measures one page in a browser of its own, which is closed afterwards even when the
// page no longer answers.
async function measure(pagePath, world) {
  const browser = await launchBrowser();
  try {
    return await withinTime(measureIn(browser, pagePath, world), ReadyTimeout + 4 * MoveTimeout) ??
      { failed: 'no answer', errors: [] };
  } finally {
    await withinTime(browser.close(), 15000);
  }
}

// Turns on the "Difficulty colours" layer where the page has it; gives whether it did.
function showColours() {
  const box = [...document.querySelectorAll('.leaflet-control-layers-overlays label')]
    .find((label) => label.textContent.trim().startsWith('Difficulty colours'))
    ?.querySelector('input');
  if (box && !box.checked) box.click();
  return Boolean(box);
}

// The milliseconds it takes to make one tile of the drawn map and of the difficulty
// colours (none where the page has neither), on average over every tile of the view
// around the map's centre at each zoom from -2 to 4, each drawn afresh.
function tileCost() {
  const { drawnMap, difficultyColours, world, map } = window.tlmaper ?? {};
  if (!drawnMap) return null;
  drawnMap.squaresOf(world);
  const layers = { map: drawnMap.makeDrawnMap(world), colours: difficultyColours?.makeTiles() };
  const cost = {};
  for (const [name, layer] of Object.entries(layers)) {
    if (!layer) continue;
    let tiles = 0;
    const start = performance.now();
    for (let zoom = -2; zoom <= 4; zoom++) {
      const bounds = map.getPixelBounds(map.getCenter(), zoom);
      for (let y = Math.floor(bounds.min.y / 256); y <= Math.floor(bounds.max.y / 256); y++) {
        for (let x = Math.floor(bounds.min.x / 256); x <= Math.floor(bounds.max.x / 256); x++) {
          layer.createTile({ x, y, z: zoom });
          tiles++;
        }
      }
    }
    cost[name] = (performance.now() - start) / tiles;
  }
  return cost;
}

// Clicks 15 islands in view, one after another, and gives the script time of each
// click until its card is open; then changes the filter and gives the time until the
// frame after the new labels (0 where the page has neither).
async function askTheMap() {
  const card = document.getElementById('card');
  const low = document.getElementById('filter-low');
  if (!card || !low) return { clicks: [], filterChange: 0 };
  const { map, world, worldPoint } = window.tlmaper;
  const container = map.getContainer();
  const box = container.getBoundingClientRect();
  const view = map.getBounds();
  const clicks = [];
  const { islands } = world;
  const step = Math.max(1, Math.floor(islands.count / 4000));
  for (let i = 0; i < islands.count && clicks.length < 15; i += step) {
    const at = worldPoint(islands.x[i], islands.y[i]);
    if (!view.contains(at)) continue;
    const point = map.latLngToContainerPoint(at);
    const start = performance.now();
    container.dispatchEvent(new MouseEvent('click', {
      bubbles: true, clientX: box.left + point.x, clientY: box.top + point.y,
    }));
    if (card.hidden) continue;
    clicks.push(performance.now() - start);
    await new Promise((done) => requestAnimationFrame(() => setTimeout(done, 50)));
  }
  const frame = () => new Promise((done) => requestAnimationFrame(done));
  await frame();
  const start = performance.now();
  low.value = String(Number(low.value) + 1);
  low.dispatchEvent(new Event('change'));
  await frame();
  await frame();
  return { clicks, filterChange: performance.now() - start };
}

async function measureIn(browser, pagePath, {
  colours, filter, voyageAddress: voyage = '', notesKept: notes = null,
}) {
  const context = await browser.newContext({ viewport: Viewport });
  await context.route(() => true, (route) =>
    (route.request().url().startsWith('file:') ? route.continue() : route.abort()));
  const page = await context.newPage();
  await page.addInitScript(noteReady);
  if (notes) await page.addInitScript(([key, text]) => localStorage.setItem(key, text), notes);
  const errors = [];
  page.on('pageerror', (error) => errors.push(error.message));
  try {
    const started = Date.now();
    const extra = (filter ? FilterAddress : '') + voyage;
    const hash = extra ? `${options.hash || '#'}${extra}` : options.hash;
    await page.goto(pathToFileURL(pagePath).href + hash,
      { waitUntil: 'commit', timeout: ReadyTimeout });
    await page.waitForFunction(() => window.benchReadyAt, null,
      { timeout: ReadyTimeout - (Date.now() - started), polling: 100 });
    const ready = await page.evaluate(() => window.benchReadyAt / 1000);
    const elements = await page.evaluate(() =>
      document.querySelector('.leaflet-marker-pane').childElementCount);
    const cdp = await context.newCDPSession(page);
    await cdp.send('HeapProfiler.collectGarbage');
    const { usedSize } = await cdp.send('Runtime.getHeapUsage');
    if (colours) await page.evaluate(showColours);
    await withinTime(page.evaluate(idle), MoveTimeout);
    // A page that takes longer than this for one frame counts as standing still.
    const pan = await withinTime(page.evaluate(moveEveryFrame, ['pan', MoveSeconds]), MoveTimeout);
    const zoom = pan &&
      await withinTime(page.evaluate(moveEveryFrame, ['zoom', MoveSeconds]), MoveTimeout);
    const tiles = await page.evaluate(tileCost);
    await withinTime(page.evaluate(idle), MoveTimeout);
    const zoomStep = await withinTime(page.evaluate(labelsAfterZoomStep), MoveTimeout);
    const asked = await withinTime(page.evaluate(askTheMap), MoveTimeout);
    return {
      clickFirst: asked?.clicks[0], clickMedian: asked && median(asked.clicks.slice(1)),
      clickMost: asked && Math.max(...asked.clicks), filterChange: asked?.filterChange,
      ready, panFps: pan?.fps ?? 0, zoomFps: zoom?.fps ?? 0, panLongest: pan?.longest ?? 0,
      zoomStep: zoomStep ?? NaN,
      elements: Math.max(elements, pan?.elements ?? 0, zoom?.elements ?? 0),
      heap: usedSize / 2 ** 20, tileMap: tiles?.map, tileColours: tiles?.colours, errors,
    };
  } catch (error) {
    return { failed: error.message.split('\n')[0], errors };
  }
}

function median(values) {
  const sorted = [...values].sort((a, b) => a - b);
  return sorted[Math.floor(sorted.length / 2)];
}

// One result from the rounds: the median of each figure, the most elements seen.
function combine(rounds) {
  const good = rounds.filter((r) => !r.failed);
  if (good.length === 0) return rounds[0];
  return {
    ready: median(good.map((r) => r.ready)),
    panFps: median(good.map((r) => r.panFps)),
    zoomFps: median(good.map((r) => r.zoomFps)),
    panLongest: Math.max(...good.map((r) => r.panLongest)),
    elements: Math.max(...good.map((r) => r.elements)),
    heap: median(good.map((r) => r.heap)),
    zoomStep: median(good.map((r) => r.zoomStep ?? NaN)),
    tileMap: median(good.map((r) => r.tileMap ?? NaN)),
    tileColours: median(good.map((r) => r.tileColours ?? NaN)),
    clickFirst: median(good.map((r) => r.clickFirst ?? NaN)),
    clickMedian: median(good.map((r) => r.clickMedian ?? NaN)),
    clickMost: Math.max(...good.map((r) => r.clickMost ?? NaN)),
    filterChange: median(good.map((r) => r.filterChange ?? NaN)),
    errors: rounds.flatMap((r) => r.errors),
  };
}

const fixed = (value, digits = 1) =>
  (value === undefined || Number.isNaN(value) ? '-' : value.toFixed(digits));
const ratio = (value, base) => (value === undefined || !base ? '' : ` (${(value / base).toFixed(2)}x)`);

async function main() {
  const results = [];
  try {
    for (const world of Worlds) {
      const pages = makePages(scratch, world);
      const rounds = Object.fromEntries(Pages.map(({ name }) => [name, []]));
      for (let round = 0; round < Number(options.rounds); round++) {
        for (const { name } of Pages) {
          if (name === 'old page' && round > 0) continue;
          const result = await measure(pages[name], world);
          rounds[name].push(result);
          process.stderr.write(`${world.label} ${name}: ${JSON.stringify(result)}\n`);
        }
      }
      for (const { name } of Pages) results.push({ world: world.label, name, ...combine(rounds[name]) });
      rmSync(join(scratch, world.label.replace(/\W/g, '-')), { recursive: true, force: true });
    }
  } finally {
    rmSync(scratch, { recursive: true, force: true });
  }

  const base = results.find((r) => r.world === Worlds[0].label && r.name === 'page');
  console.log(`| world | page | ready s (x floor, x ${base?.world ?? '-'}) | pan fps (x ${base?.world}) | ` +
              `zoom fps (x ${base?.world}) | longest task panning ms | marker elements | ` +
              'JS heap MB | ms a tile (map, colours) | labels after a zoom step ms |');
  console.log('|---|---|---|---|---|---|---|---|---|---|');
  for (const r of results) {
    const floor = results.find((f) => f.world === r.world && f.name === 'floor');
    if (r.failed) {
      console.log(`| ${r.world} | ${r.name} | not ready within ${ReadyTimeout / 1000} s ` +
        `(${r.failed}) | | | | | | | |`);
      continue;
    }
    const readyRatios = r.name === 'floor' ? '' :
      `${ratio(r.ready, floor?.ready)}${ratio(r.ready, base?.ready)}`;
    const tiles = Number.isNaN(r.tileMap) ? '-' : `${fixed(r.tileMap, 2)}, ${fixed(r.tileColours, 2)}`;
    console.log(`| ${r.world} | ${r.name} | ${fixed(r.ready, 2)}${readyRatios} | ` +
      `${fixed(r.panFps)}${ratio(r.panFps, base?.panFps)} | ` +
      `${fixed(r.zoomFps)}${ratio(r.zoomFps, base?.zoomFps)} | ${fixed(r.panLongest, 0)} | ` +
      `${r.elements} | ${fixed(r.heap)} | ${tiles} | ${fixed(r.zoomStep, 0)} |`);
  }
  console.log('\n| world | click to card, script ms (first, median, most) | filter change to labels ms |');
  console.log('|---|---|---|');
  for (const r of results.filter((result) => result.name === 'page' && !result.failed)) {
    console.log(`| ${r.world} | ${fixed(r.clickFirst)}, ${fixed(r.clickMedian)}, ${fixed(r.clickMost)} | ` +
      `${fixed(r.filterChange, 0)} |`);
  }
  const errors = results.filter((r) => r.errors?.length);
  for (const r of errors) console.log(`errors on ${r.world} ${r.name}: ${r.errors.join('; ')}`);
}

await main();
