// Opens pages made by the built tool in headless Chromium, straight from disk, and checks
// that the map works: no errors, every marker in its layer and on its square at two zoom
// levels, the layer control, and save-file text that shows as text and never runs.
//
// Usage: node browser.test.mjs   with TLMAPER_BINARY and TLMAPER_SCRATCH in the
// environment (see page-harness.mjs). Nothing is fetched: the page carries Leaflet.
import { test, before, after } from 'node:test';
import assert from 'node:assert/strict';
import { dirname, join } from 'node:path';
import { readBitmap } from './bitmap.mjs';
import {
  difficultyText, gridWorld, hostileWorld, emptyWorld, HostileNames,
} from './test-saves.mjs';
import {
  scratch, freshScratch, makePage, makeExamplePage, launchBrowser, openPage as openPageIn,
} from './page-harness.mjs';

const screenshotPath = join(scratch, 'saltmere.png');

const LayerNames = [
  'Island difficulty', 'Island names', 'Towns', 'Explored islands', 'Ship difficulty',
];

let browser;

before(async () => {
  freshScratch();
  browser = await launchBrowser();
});

after(async () => {
  await browser?.close();
});

const openPage = (pagePath) => openPageIn(browser, pagePath);

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
  const { page, problems, close } = await openPage(makeExamplePage());
  try {
    assert.equal(await page.title(), 'The Saltmere Reach');
    await page.screenshot({ path: screenshotPath });
    assert.deepEqual(problems, []);
  } finally {
    await close();
  }
});
