// Opens pages made by the built tool in headless Chromium, straight from disk, and checks
// that the map works: no errors, every marker in its layer and on its square at two zoom
// levels, the layer control, and save-file text that shows as text and never runs.
//
// Usage: node browser.test.mjs   with TLMAPER_BINARY (the built tool) and
// TLMAPER_SCRATCH (a directory this test may empty and fill) in the environment.
// The Leaflet files come from node_modules in place of the CDN; nothing is fetched.
import { test, before, after } from 'node:test';
import assert from 'node:assert/strict';
import { execFileSync } from 'node:child_process';
import { existsSync, mkdirSync, readFileSync, rmSync, writeFileSync, copyFileSync } from 'node:fs';
import { dirname, extname, join } from 'node:path';
import { fileURLToPath, pathToFileURL } from 'node:url';
import { chromium } from 'playwright-core';
import { readBitmap } from './bitmap.mjs';
import {
  saveXml, difficultyText, gridWorld, hostileWorld, emptyWorld, HostileNames,
} from './test-saves.mjs';

const webDirectory = dirname(fileURLToPath(import.meta.url));
const leafletDirectory = join(webDirectory, 'node_modules', 'leaflet', 'dist');
const CdnPrefix = 'https://unpkg.com/leaflet@1.9.4/dist/';
const binary = requiredEnvironment('TLMAPER_BINARY');
const scratch = requiredEnvironment('TLMAPER_SCRATCH');
const screenshotPath = join(scratch, 'saltmere.png');

const LayerNames = [
  'Island difficulty', 'Island names', 'Towns', 'Explored islands', 'Ship difficulty',
];

function requiredEnvironment(name) {
  const value = process.env[name];
  if (!value) throw new Error(`${name} must be set`);
  return value;
}

// Runs the tool on a save in `directory` and expects a clean run.
function runTool(directory, saveArgument) {
  const output = execFileSync(binary, [saveArgument], { cwd: directory, encoding: 'utf8' });
  assert.equal(output, '', `the tool printed for ${saveArgument}`);
}

// Writes `world` as a save at `directory/saveArgument`, runs the tool there and gives
// the path of the page.
function makePage(name, world, saveArgument) {
  const directory = join(scratch, name);
  mkdirSync(dirname(join(directory, saveArgument)), { recursive: true });
  writeFileSync(join(directory, saveArgument), saveXml(world));
  runTool(directory, saveArgument);
  return join(directory, saveArgument.replace(/\.xml$/, '.html'));
}

const ContentTypes = { '.js': 'text/javascript', '.css': 'text/css', '.png': 'image/png' };

let browser;

before(async () => {
  assert.ok(existsSync(leafletDirectory), `${leafletDirectory} is missing: run npm ci in web/`);
  rmSync(scratch, { recursive: true, force: true });
  mkdirSync(scratch, { recursive: true });
  browser = await chromium.launch({
    executablePath: '/usr/bin/chromium',
    headless: true,
    args: ['--headless', '--no-sandbox', '--disable-gpu', '--no-first-run',
      '--disable-background-networking', '--disable-component-update', '--disable-sync'],
  });
});

after(async () => {
  await browser?.close();
});

// Serves the CDN's Leaflet files from npm and lets nothing else leave the machine.
async function routeRequests(context, problems) {
  await context.route(() => true, async (route) => {
    const url = route.request().url();
    if (url.startsWith('file:')) return route.continue();
    const file = url.startsWith(CdnPrefix) && join(leafletDirectory, url.slice(CdnPrefix.length));
    if (file && existsSync(file)) {
      return route.fulfill({
        status: 200,
        contentType: ContentTypes[extname(file)] ?? 'application/octet-stream',
        headers: { 'Access-Control-Allow-Origin': '*' },
        body: readFileSync(file),
      });
    }
    problems.push(`unexpected request: ${url}`);
    return route.abort();
  });
}

// Opens the page from disk and waits until the bitmap is on the map. `problems` gathers
// console errors, page errors and failed or unexpected requests.
async function openPage(pagePath) {
  const context = await browser.newContext({ viewport: { width: 1100, height: 760 } });
  const problems = [];
  await routeRequests(context, problems);
  const page = await context.newPage();
  page.on('console', (message) => {
    if (message.type() === 'error') problems.push(`console: ${message.text()}`);
  });
  page.on('pageerror', (error) => problems.push(`page error: ${error.message}`));
  page.on('requestfailed', (request) => problems.push(`failed: ${request.url()}`));
  await page.goto(pathToFileURL(pagePath).href);
  await page.waitForSelector('#map[data-state="ready"]', { timeout: 20000 });
  return { page, problems, close: () => context.close() };
}

function layerCheckbox(page, name) {
  return page.getByRole('checkbox', { name, exact: true });
}

// The markers on the map, in the order the page added them: each with its classes, its
// text and the screen point of its anchor, the point it marks.
async function visibleMarkers(page) {
  return page.$$eval('.leaflet-marker-pane > *', (elements) => elements.map((element) => {
    const box = element.getBoundingClientRect();
    const style = getComputedStyle(element);
    return {
      classes: [...element.classList],
      text: element.textContent,
      html: element.innerHTML,
      x: box.left - parseFloat(style.marginLeft),
      y: box.top - parseFloat(style.marginTop),
    };
  }));
}

const withoutPlayer = (markers) => markers.filter((m) => !m.classes.includes('player-marker'));

// The screen geometry of the bitmap: where its top-left corner is and how large one of
// its pixels is, in screen pixels.
async function bitmapOnScreen(page) {
  return page.$eval('img.map-image', (image) => {
    const box = image.getBoundingClientRect();
    return {
      left: box.left, top: box.top,
      pixel: box.width / image.naturalWidth,
      naturalWidth: image.naturalWidth, naturalHeight: image.naturalHeight,
    };
  });
}

// The marker must lie within one bitmap pixel of the centre of the square the bitmap
// draws for world position (x, y): the pixel (2x, 2y).
function assertOnSquare(marker, record, bitmap, what) {
  const centreX = bitmap.left + (2 * record.x + 0.5) * bitmap.pixel;
  const centreY = bitmap.top + (2 * record.y + 0.5) * bitmap.pixel;
  const offset = Math.max(Math.abs(marker.x - centreX), Math.abs(marker.y - centreY));
  assert.ok(offset <= bitmap.pixel,
    `${what} at (${record.x}, ${record.y}) is ${offset.toFixed(2)} screen pixels off its ` +
    `square (one bitmap pixel is ${bitmap.pixel})`);
}

async function setZoom(page, zoom) {
  await page.evaluate((z) => map.setZoom(z, { animate: false }), zoom);
}

// Per layer: the records it must show, the class of its markers and the label text.
function expectedLayers(world) {
  const islands = world.islands;
  return {
    'Island difficulty': { records: islands, className: 'difficulty', text: difficultyText },
    'Island names': { records: islands, className: 'islandname', text: (i) => i.name },
    'Towns': { records: islands.filter((i) => i.town), className: 'town-marker' },
    'Explored islands': { records: islands.filter((i) => i.explored), className: 'explored-marker' },
    'Ship difficulty': { records: world.ships, className: 'difficulty', text: difficultyText },
  };
}

// Shows one layer at a time through the layer control and checks its markers: count,
// order, look, text and position at each zoom level.
async function checkLayersOneByOne(page, world, zoomLevels) {
  const expected = expectedLayers(world);
  for (const name of LayerNames) await layerCheckbox(page, name).uncheck();
  assert.deepEqual(withoutPlayer(await visibleMarkers(page)), [], 'all layers hidden');
  for (const name of LayerNames) {
    const { records, className, text } = expected[name];
    await layerCheckbox(page, name).check();
    for (const zoom of zoomLevels) {
      await setZoom(page, zoom);
      const bitmap = await bitmapOnScreen(page);
      const markers = withoutPlayer(await visibleMarkers(page));
      assert.equal(markers.length, records.length, `${name}: marker count`);
      markers.forEach((marker, i) => {
        assert.ok(marker.classes.includes(className), `${name} ${i}: ${marker.classes}`);
        if (text) assert.equal(marker.text, text(records[i]), `${name} ${i}: label`);
        assertOnSquare(marker, records[i], bitmap, `${name} ${i} at zoom ${zoom}`);
      });
    }
    await layerCheckbox(page, name).uncheck();
    assert.deepEqual(withoutPlayer(await visibleMarkers(page)), [], `${name} hidden again`);
  }
  for (const name of LayerNames) await layerCheckbox(page, name).check();
  const total = Object.values(expected).reduce((sum, layer) => sum + layer.records.length, 0);
  assert.equal(withoutPlayer(await visibleMarkers(page)).length, total, 'all layers shown');
}

test('markers of every layer lie on their squares and the layer control works', async () => {
  const world = gridWorld();
  // Given as saves/world.xml: the page in saves/ must find its bitmap beside it.
  const pagePath = makePage('grid', world, 'saves/world.xml');

  // The bitmap itself draws each record at twice its world position.
  const bmp = readBitmap(join(dirname(pagePath), 'world.bmp'));
  for (const island of world.islands) {
    assert.deepEqual(bmp.pixel(2 * island.x, 2 * island.y), { red: 255, green: 255, blue: 0 });
  }
  for (const ship of world.ships) {
    assert.deepEqual(bmp.pixel(2 * ship.x, 2 * ship.y), { red: 255, green: 0, blue: 0 });
  }

  const { page, problems, close } = await openPage(pagePath);
  try {
    const bitmap = await bitmapOnScreen(page);
    assert.deepEqual([bitmap.naturalWidth, bitmap.naturalHeight], [bmp.width, bmp.height]);
    assert.equal(await page.$eval('img.map-image', (i) => getComputedStyle(i).imageRendering),
      'pixelated');
    assert.equal(await page.title(), 'Grid Sea');
    assert.equal(await page.textContent('h1'), 'Grid Sea');

    await checkLayersOneByOne(page, world, [1, 3]);

    for (const zoom of [1, 3]) {
      await setZoom(page, zoom);
      const player = (await visibleMarkers(page)).filter((m) => m.classes.includes('player-marker'));
      assert.equal(player.length, 1, 'one player marker');
      assertOnSquare(player[0], world.player, await bitmapOnScreen(page), `player at zoom ${zoom}`);
    }
    assert.deepEqual(problems, []);
  } finally {
    await close();
  }
});

test('save-file text shows as text and runs nothing', async () => {
  const world = hostileWorld();
  const pagePath = makePage('hostile', world, `saves/it's "odd" & <b>#1 [SIZE] 50%.xml`);
  const { page, problems, close } = await openPage(pagePath);
  try {
    await page.mouse.move(60, 20);
    assert.equal(await page.evaluate(() => window.pwned), undefined);
    assert.equal(await page.textContent('title'), world.player.worldName);
    assert.equal(await page.textContent('h1'), world.player.worldName);
    assert.equal(await page.$$eval('.leaflet-marker-pane img, h1 *', (e) => e.length), 0);

    const markers = withoutPlayer(await visibleMarkers(page));
    const names = markers.filter((m) => m.classes.includes('islandname')).map((m) => m.text);
    assert.deepEqual(names, HostileNames);
    const difficulties = markers.filter((m) => m.classes.includes('difficulty'));
    assert.equal(difficulties.length, world.islands.length + world.ships.length);
    assert.equal(markers.filter((m) => m.classes.includes('town-marker')).length, 1);
    assert.equal(markers.filter((m) => m.classes.includes('explored-marker')).length, 1);
    assert.deepEqual(problems, []);
  } finally {
    await close();
  }
});

test('a world without islands or ships gives a working page', async () => {
  const { page, problems, close } = await openPage(makePage('empty', emptyWorld(), 'empty.xml'));
  try {
    assert.equal((await visibleMarkers(page)).length, 1, 'only the player marker');
    assert.deepEqual(problems, []);
  } finally {
    await close();
  }
});

test('the example map opens cleanly and is photographed', async () => {
  const directory = join(scratch, 'example');
  mkdirSync(directory, { recursive: true });
  copyFileSync(join(webDirectory, '..', 'examples', 'saltmere.xml'), join(directory, 'saltmere.xml'));
  runTool(directory, 'saltmere.xml');
  const { page, problems, close } = await openPage(join(directory, 'saltmere.html'));
  try {
    assert.equal(await page.title(), 'The Saltmere Reach');
    await page.screenshot({ path: screenshotPath });
    assert.deepEqual(problems, []);
  } finally {
    await close();
  }
});
