// The map the page draws from its own data, in headless Chromium from disk: it agrees
// with the bitmap pixel for pixel but for a few edges; a page without its bitmap, or
// with one too large to pan smoothly, draws every island's and ship's square where the
// bitmap has it (and never asks for the large one); "Difficulty colours" tints the
// islands over the bitmap and over the drawn map, and its legend shows the scale.
//
// Usage: node drawn-map.test.mjs   with TLMAPER_BINARY and TLMAPER_SCRATCH in the
// environment (see page-harness.mjs).
import { test } from 'node:test';
import assert from 'node:assert/strict';
import { spawnSync } from 'node:child_process';
import { mkdirSync, rmSync, writeFileSync } from 'node:fs';
import { dirname, join } from 'node:path';
import { pathToFileURL } from 'node:url';
import { readBitmap } from './bitmap.mjs';
import { gridWorld, saveXml } from './worlds.mjs';
import {
  binary, browserForTests, makePage, makeExamplePage, openPage, readShots, scratch,
} from './page-harness.mjs';

const tests = browserForTests();

async function withPage(pagePath, options, check) {
  const opened = await openPage(tests.browser, pagePath, options);
  try {
    await check(opened.page, opened.problems);
  } finally {
    await opened.close();
  }
}

// Hides everything over the map (markers, labels, controls) so that screenshots show
// the map.
const MapOnly = '.leaflet-marker-pane, .leaflet-label-pane, .leaflet-control-container ' +
  '{ visibility: hidden; }';

// Waits for the map to settle (tiles fade in), then gives a PNG screenshot in base 64.
async function mapShot(page) {
  await page.waitForTimeout(400);
  return (await page.screenshot()).toString('base64');
}

// The screen point of world position (x, y): the centre of the bitmap's pixel (2x, 2y).
function screenPoints(page, records) {
  return page.evaluate((list) => {
    const box = document.getElementById('map').getBoundingClientRect();
    return list.map(({ x, y }) => {
      const point = tlmaper.map.latLngToContainerPoint(tlmaper.worldPoint(x, y));
      return { x: box.left + point.x, y: box.top + point.y };
    });
  }, records);
}

const Yellow = [255, 255, 0];
const Red = [255, 0, 0];

// Checks that the screenshot shows each record's square in `colour` (a colour, or a
// function of the record).
async function assertSquares(page, shot, records, colour, what) {
  const points = await screenPoints(page, records);
  const seen = await readShots(page, [shot], { points });
  records.forEach((record, i) => {
    const expected = typeof colour === 'function' ? colour(record) : colour;
    assert.deepEqual(seen[i], expected, `${what} at (${record.x}, ${record.y})`);
  });
}

test('the drawn map and the bitmap agree at zoom -1, 0, 1 and 3; map=drawn stays in the address',
  async (t) => {
    const examplePage = makeExamplePage();
    // The view as the page opens it, and zoomed in on the islands south-west of it.
    for (const hash of ['#z=0&x=150&y=100', '#z=-1&x=150&y=100', '', '#z=3&x=60&y=150']) {
      const shots = [];
      let box = null;
      for (const drawn of [false, true]) {
        const address = drawn ? `${hash || '#'}${hash ? '&' : ''}map=drawn` : hash;
        await withPage(examplePage, { hash: address }, async (page, problems) => {
          await page.addStyleTag({ content: MapOnly });
          const images = await page.$$eval('img.map-image', (found) => found.length);
          assert.equal(images, drawn ? 0 : 1, `bitmap on the map with "${address}"`);
          if (!drawn) {
            box = await page.evaluate(() => {
              const image = document.querySelector('img.map-image').getBoundingClientRect();
              const area = document.getElementById('map').getBoundingClientRect();
              const left = Math.ceil(Math.max(image.left, area.left));
              const top = Math.ceil(Math.max(image.top, area.top));
              return {
                left, top,
                width: Math.floor(Math.min(image.right, area.right)) - left,
                height: Math.floor(Math.min(image.bottom, area.bottom)) - top,
              };
            });
          }
          shots.push(await mapShot(page));
          if (drawn) {
            const before = await page.evaluate(() => location.hash);
            await page.evaluate(() => tlmaper.map.panBy([40, 30], { animate: false }));
            await page.waitForFunction((old) => location.hash !== old, before);
            assert.match(await page.evaluate(() => location.hash), /^#z=.*&y=.*&map=drawn$/);
            assert.match(await page.evaluate(() => tlmaper.viewLink()), /&map=drawn$/);
          }
          assert.deepEqual(problems, []);
        });
      }
      assert.ok(box.width > 100 && box.height > 100, `the map shows: ${JSON.stringify(box)}`);
      const opened = await openPage(tests.browser, examplePage);
      try {
        const { differing, total } = await readShots(opened.page, shots, { box });
        t.diagnostic(`"${hash}": ${differing} of ${total} pixels differ`);
        assert.ok(differing <= total * 0.005,
          `${differing} of ${total} pixels differ with "${hash}"`);
      } finally {
        await opened.close();
      }
    }
  });

test('without its bitmap the page draws every island and ship where the bitmap has them',
  async () => {
    const world = gridWorld();
    const pagePath = makePage('missing', world, 'missing.xml');
    const bitmapPath = join(dirname(pagePath), 'missing.bmp');
    const bitmap = readBitmap(bitmapPath);
    rmSync(bitmapPath);
    const bitmapColour = ({ x, y }) => {
      const { red, green, blue } = bitmap.pixel(2 * x, 2 * y);
      return [red, green, blue];
    };
    await withPage(pagePath, { state: 'no-image' }, async (page) => {
      assert.match(await page.textContent('#notice'),
        /missing\.bmp" could not be loaded.*drawn from the page's own data/);
      await page.addStyleTag({ content: MapOnly });
      for (const zoom of [await page.evaluate(() => tlmaper.map.getZoom()), 3]) {
        await page.evaluate((z) => tlmaper.map.setView(tlmaper.worldPoint(60, 40), z,
          { animate: false }), zoom);
        const shot = await mapShot(page);
        const inView = await page.evaluate((records) => records.filter(({ x, y }) =>
          tlmaper.map.getBounds().pad(-0.02).contains(tlmaper.worldPoint(x, y))), world.islands);
        assert.ok(inView.length >= 6, `islands in view at zoom ${zoom}`);
        await assertSquares(page, shot, inView, bitmapColour, `island at zoom ${zoom}`);
        assert.deepEqual(inView.map(bitmapColour)[0], Yellow);
        await assertSquares(page, shot, world.ships.slice(0, 2), Red, `ship at zoom ${zoom}`);
        // Between the squares lies the sea.
        await assertSquares(page, shot, [{ x: 20, y: 16 }], [50, 50, 255], 'sea');
      }
    });
  });

// A world whose bitmap is just too large to pan smoothly: 8244 x 8248 pixels (more than
// 2^26), which would take 204 MB.
function wideWorld() {
  const world = gridWorld();
  world.islands.push({ name: 'Far Isle', x: 4100, y: 4100, difficulty: 2, town: false, explored: false });
  world.ships.push({ x: 4090, y: 4095, difficulty: 1 });
  return world;
}

// The page of `world` alone, without writing its bitmap: a folder stands where the tool
// would write it, so the run says it cannot write the map and writes the page.
function makePageWithoutBitmap(name, world) {
  const directory = join(scratch, name);
  mkdirSync(join(directory, `${name}.bmp`), { recursive: true });
  writeFileSync(join(directory, `${name}.xml`), saveXml(world));
  const run = spawnSync(binary, [`${name}.xml`], { cwd: directory, encoding: 'utf8' });
  assert.equal(run.stdout, `Picture Error: Cannot open file ${name}.bmp for output.\n`);
  assert.equal(run.stderr, '');
  return join(directory, `${name}.html`);
}

test('a bitmap too large to pan smoothly is never loaded: the page draws the map', async () => {
  const world = wideWorld();
  const pagePath = makePageWithoutBitmap('wide', world);
  const context = await tests.browser.newContext({ viewport: { width: 1100, height: 760 } });
  try {
    const page = await context.newPage();
    const requests = [];
    const problems = [];
    page.on('request', (request) => requests.push(request.url()));
    page.on('pageerror', (error) => problems.push(error.message));
    await page.goto(pathToFileURL(pagePath).href);
    await page.waitForSelector('#map[data-state="ready"]');
    assert.equal(await page.$$eval('img.map-image', (found) => found.length), 0);
    await page.addStyleTag({ content: MapOnly });
    const expected = [
      [world.islands[0], Yellow], [world.islands.at(-1), Yellow], [world.ships.at(-1), Red],
    ];
    for (const [record, colour] of expected) {
      await page.evaluate(({ x, y }) => tlmaper.map.setView(tlmaper.worldPoint(x, y), 2,
        { animate: false }), record);
      await assertSquares(page, await mapShot(page), [record], colour, 'square of the wide world');
    }
    // The whole world is the whole drawn map: the bitmap's size from the islands.
    const corners = await page.evaluate(() => {
      const bounds = tlmaper.worldBounds();
      return [tlmaper.worldPosition(bounds.getNorthWest()),
        tlmaper.worldPosition(bounds.getSouthEast())];
    });
    const side = (min, max) => 2 * (max - min) + 64;
    assert.deepEqual(corners, [{ x: -0.25, y: -0.25 },
      { x: (side(10, 4100) - 0.5) / 2, y: (side(8, 4100) - 0.5) / 2 }]);
    assert.deepEqual(requests.filter((url) => !url.endsWith('.html')), []);
    assert.deepEqual(problems, []);
  } finally {
    await context.close();
    rmSync(dirname(pagePath), { recursive: true, force: true });
  }
});

test('Difficulty colours tint the islands over the bitmap and the drawn map, with a legend',
  async () => {
    const world = gridWorld();
    const pagePath = makePage('colours', world, 'colours.xml');
    // Difficulties run from -3 to 150 in this world; null reads as -1, unknown.
    const expected = (island) => {
      if (island.difficulty === null) return [160, 160, 160];
      return { '-3': [68, 1, 84], 150: [253, 231, 37] }[island.difficulty];
    };
    const ends = world.islands.filter((island) => expected(island) !== undefined);
    for (const hash of ['#z=2&x=60&y=40', '#z=2&x=60&y=40&map=drawn']) {
      await withPage(pagePath, { hash }, async (page, problems) => {
        await page.addStyleTag({
          content: '.leaflet-marker-pane, .leaflet-label-pane { visibility: hidden; }',
        });
        const box = page.getByRole('checkbox', { name: /^Difficulty colours \(24\)$/ });
        assert.equal(await box.isChecked(), false, 'off when the page opens');
        assert.equal(await page.locator('#legend .difficulty-scale').count(), 0);
        await box.check();
        assert.deepEqual(await page.locator('#legend .scale-end').allTextContents(), ['-3', '150']);
        assert.match(await page.textContent('#legend'), /difficulty unknown/);
        await page.addStyleTag({ content: '.leaflet-control-container { visibility: hidden; }' });
        let shot = await mapShot(page);
        await assertSquares(page, shot, ends, expected, `tinted island with "${hash}"`);
        await assertSquares(page, shot, world.ships.slice(0, 2), Red, 'ship');
        await page.addStyleTag({ content: '.leaflet-control-container { visibility: visible; }' });
        await box.uncheck();
        assert.equal(await page.locator('#legend .difficulty-scale').count(), 0);
        await page.addStyleTag({ content: '.leaflet-control-container { visibility: hidden; }' });
        shot = await mapShot(page);
        await assertSquares(page, shot, ends, Yellow, 'island with the colours off');
        assert.deepEqual(problems, []);
      });
    }
  });
