// Opens pages made by the built tool in headless Chromium, straight from disk, and checks
// the map's markers: on a sparse world every marker of every layer shows on its square
// and the layer control shows and hides each layer; on a dense world no two labels
// overlap, zooming in hides none and panning changes none; every label can be reached
// at the highest zoom; save-file text shows as text and never runs; a page without its
// bitmap or with a damaged marker list says so; a custom template of the older kind,
// which runs the marker lists as script, still works.
//
// Usage: node browser.test.mjs   with TLMAPER_BINARY and TLMAPER_SCRATCH in the
// environment (see page-harness.mjs). Nothing is fetched: the page carries Leaflet.
import { test } from 'node:test';
import assert from 'node:assert/strict';
import { mkdirSync, readFileSync, rmSync, writeFileSync } from 'node:fs';
import { pathToFileURL } from 'node:url';
import { dirname, join } from 'node:path';
import { readBitmap } from './bitmap.mjs';
import {
  difficultyText, gridWorld, hostileWorld, emptyWorld, HostileNames,
} from './worlds.mjs';
import {
  browserForTests, scratch, webDirectory, makePage, makeExamplePage, openPage as openPageIn,
} from './page-harness.mjs';

const screenshotPath = join(scratch, 'saltmere.png');

const LayerNames = [
  'Island difficulty', 'Island names', 'Towns', 'Explored islands', 'Ship difficulty',
];

const tests = browserForTests();

const openPage = (pagePath, options) => openPageIn(tests.browser, pagePath, options);

// The layer switch: its name is the layer's, followed by its marker count.
function layerCheckbox(page, name) {
  return page.getByRole('checkbox', { name: new RegExp(`^${name} \\(`) });
}

// The markers on the map: each with its classes, its text, the screen point of its
// anchor (the point it marks) and its box.
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
      box: [box.left, box.top, box.right, box.bottom],
    };
  }));
}

const withoutPlayer = (markers) => markers.filter((m) => !m.classes.includes('player-marker'));
const isLabel = (m) => m.classes.includes('difficulty') || m.classes.includes('islandname');

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

// The screen point of the centre of the square the bitmap draws for world position
// (x, y): the pixel (2x, 2y).
const squareCentre = (record, bitmap) => ({
  x: bitmap.left + (2 * record.x + 0.5) * bitmap.pixel,
  y: bitmap.top + (2 * record.y + 0.5) * bitmap.pixel,
});
const offsetFrom = (marker, record, bitmap) => {
  const centre = squareCentre(record, bitmap);
  return Math.max(Math.abs(marker.x - centre.x), Math.abs(marker.y - centre.y));
};

// The marker must lie within one bitmap pixel of its square's centre.
function assertOnSquare(marker, record, bitmap, what) {
  const offset = offsetFrom(marker, record, bitmap);
  assert.ok(offset <= bitmap.pixel,
    `${what} at (${record.x}, ${record.y}) is ${offset.toFixed(2)} screen pixels off its ` +
    `square (one bitmap pixel is ${bitmap.pixel})`);
}

// A label's identity: its class, text and the world position its anchor marks.
function labelKey(marker, bitmap) {
  const x = Math.round(((marker.x - bitmap.left) / bitmap.pixel - 0.5) / 2);
  const y = Math.round(((marker.y - bitmap.top) / bitmap.pixel - 0.5) / 2);
  return `${marker.classes.includes('islandname') ? 'name' : 'difficulty'}|${marker.text}|${x},${y}`;
}

// Labels come back a moment after the zoom stops changing.
async function labelsSettled(page) {
  await page.waitForSelector('#map[data-labels="shown"]', { timeout: 5000 });
}

async function setZoom(page, zoom) {
  await page.evaluate((z) => map.setZoom(z, { animate: false }), zoom);
  await labelsSettled(page);
}

async function centreOn(page, record, zoom) {
  await page.evaluate(([x, y, z]) => map.setView(tlmaper.worldPoint(x, y), z, { animate: false }),
    [record.x, record.y, zoom]);
  await labelsSettled(page);
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

// A name's anchor is the middle of one side of its island's square, 4.5 bitmap pixels
// from the square's centre; every other marker's anchor is the centre itself.
const reachOf = (className, bitmap) =>
  (className === 'islandname' ? 5.5 : 1) * bitmap.pixel;

// The one marker of `className` on (or, for a name, beside) the record's square.
function markerOf(markers, record, className, bitmap) {
  return markers.find((m) => m.classes.includes(className) &&
                             offsetFrom(m, record, bitmap) <= reachOf(className, bitmap));
}

// Shows one layer at a time through the layer control and checks its markers: count,
// look, text and position at each zoom level. The world is sparse enough for every
// marker to show at these zooms.
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
      assert.equal(markers.length, records.length, `${name}: marker count at zoom ${zoom}`);
      records.forEach((record, i) => {
        const marker = markerOf(markers, record, className, bitmap);
        // markerOf looks only on the square (beside it, for a name): finding it is the
        // alignment check.
        assert.ok(marker, `${name} ${i} at zoom ${zoom}: no marker on its square`);
        if (text) assert.equal(marker.text, text(record), `${name} ${i}: label`);
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

  // Large enough for the whole world at zoom 3.
  const { page, problems, close } =
    await openPage(pagePath, { viewport: { width: 1600, height: 1150 } });
  try {
    const bitmap = await bitmapOnScreen(page);
    assert.deepEqual([bitmap.naturalWidth, bitmap.naturalHeight], [bmp.width, bmp.height]);
    assert.equal(await page.$eval('img.map-image', (i) => getComputedStyle(i).imageRendering),
      'pixelated');
    assert.equal(await page.title(), 'Grid Sea');
    assert.equal(await page.textContent('h1'), 'Grid Sea');
    // Every layer's switch gives its count.
    const counts = Object.values(expectedLayers(world)).map((layer) => layer.records.length);
    for (const [i, name] of LayerNames.entries()) {
      assert.match(await layerCheckbox(page, name).evaluate((box) => box.parentElement.textContent),
        new RegExp(`${name} \\(${counts[i]}\\)`));
    }

    await checkLayersOneByOne(page, world, [2, 3]);

    for (const zoom of [2, 3]) {
      await setZoom(page, zoom);
      const player = (await visibleMarkers(page)).filter((m) => m.classes.includes('player-marker'));
      assert.equal(player.length, 1, 'one player marker');
      assertOnSquare(player[0], world.player, await bitmapOnScreen(page), `player at zoom ${zoom}`);
    }
    // Markers are not in the tab order, and labels let the mouse through to the map.
    assert.equal(await page.$$eval('.leaflet-marker-pane [tabindex]', (e) => e.length), 0);
    assert.deepEqual(await page.$$eval('.difficulty, .islandname', (labels) =>
      [...new Set(labels.map((label) => getComputedStyle(label).pointerEvents))]), ['none']);
    assert.deepEqual(problems, []);
  } finally {
    await close();
  }
});

test('save-file text shows as text and runs nothing, and every label shows up close', async () => {
  const world = hostileWorld();
  const pagePath = makePage('hostile', world, `saves/it's "odd" & <b>#1 [SIZE] 50%.xml`);
  const { page, problems, close } = await openPage(pagePath);
  try {
    await page.mouse.move(60, 20);
    assert.equal(await page.evaluate(() => window.pwned), undefined);
    assert.equal(await page.textContent('title'), world.player.worldName);
    assert.equal(await page.textContent('h1'), world.player.worldName);
    assert.equal(await page.$$eval('.leaflet-marker-pane > * *, h1 *', (e) => e.length), 0);

    // Long names crowd each other out from afar; centred at the highest zoom, every
    // island shows its name and difficulty and every ship its difficulty.
    const names = [];
    for (const [i, island] of world.islands.entries()) {
      await centreOn(page, island, 5);
      const bitmap = await bitmapOnScreen(page);
      const markers = await visibleMarkers(page);
      const name = markerOf(markers, island, 'islandname', bitmap);
      assert.ok(name, `island ${i}: name label`);
      names.push(name.text);
      assert.equal(markerOf(markers, island, 'difficulty', bitmap)?.text, difficultyText(island));
    }
    assert.deepEqual(names, HostileNames);
    for (const ship of world.ships) {
      await centreOn(page, ship, 5);
      const markers = await visibleMarkers(page);
      assert.equal(markerOf(markers, ship, 'difficulty', await bitmapOnScreen(page))?.text,
        difficultyText(ship));
    }
    assert.equal(await page.evaluate(() => window.pwned), undefined);
    assert.deepEqual(problems, []);
  } finally {
    await close();
  }
});

// A few thousand islands, far too many for all their labels at the first view.
function denseWorld() {
  let state = 7;
  const next = (n) => {
    state = (state * 1103515245 + 12345) % 2147483648;
    return Math.floor(state / 65536) % n;
  };
  const islands = [];
  for (let i = 0; i < 3000; i++) {
    islands.push({ name: `Isle ${i}`, x: next(600), y: next(400), difficulty: next(20),
      town: i % 7 === 0, explored: i % 3 === 0 });
  }
  const ships = [];
  for (let j = 0; j < 300; j++) ships.push({ x: next(600), y: next(400), difficulty: next(30) });
  return { player: { x: 300, y: 200, worldName: 'Dense Sea' }, islands, ships };
}

function assertNoOverlap(labels, what) {
  for (let i = 0; i < labels.length; i++) {
    for (let j = i + 1; j < labels.length; j++) {
      const [a, b] = [labels[i].box, labels[j].box];
      const across = Math.min(a[2], b[2]) - Math.max(a[0], b[0]);
      const down = Math.min(a[3], b[3]) - Math.max(a[1], b[1]);
      assert.ok(across <= 0.5 || down <= 0.5,
        `${what}: "${labels[i].text}" and "${labels[j].text}" overlap`);
    }
  }
}

// The labels whose anchors lie inside the map's visible area, by key.
async function labelsInView(page) {
  const bitmap = await bitmapOnScreen(page);
  const area = await page.$eval('#map', (element) => element.getBoundingClientRect().toJSON());
  const labels = (await visibleMarkers(page)).filter(isLabel);
  const inView = labels.filter((m) => m.x >= area.left && m.x <= area.right &&
                                      m.y >= area.top && m.y <= area.bottom);
  return { bitmap, area, labels, inView, keys: new Set(inView.map((m) => labelKey(m, bitmap))) };
}

test('on a dense world labels never overlap, zooming in hides none and panning changes none',
  async () => {
    const world = denseWorld();
    const points = new Set([...world.islands, ...world.ships].map((r) => `${r.x},${r.y}`));
    const { page, problems, close } = await openPage(makePage('dense', world, 'dense.xml'));
    try {
      const firstZoom = await page.evaluate(() => map.getZoom());
      let before = null;
      for (let step = 0; step <= 3; step++) {
        const zoom = firstZoom + step;
        await setZoom(page, zoom);
        const view = await labelsInView(page);
        assertNoOverlap(view.labels, `zoom ${zoom}`);
        assert.ok(view.labels.length < 2000, `${view.labels.length} labels in the document`);
        for (const label of view.labels) {
          const key = labelKey(label, view.bitmap);
          if (label.classes.includes('islandname')) {
            assert.ok(world.islands.some((island) => island.name === label.text &&
              offsetFrom(label, island, view.bitmap) <= reachOf('islandname', view.bitmap)),
            `${key} lies beside no island of its name`);
          } else {
            assert.ok(points.has(key.split('|')[2]), `${key} marks no island or ship`);
          }
        }
        // Every label shown at the zoom before whose point is still in view shows again.
        for (const key of before ?? []) {
          const [x, y] = key.split('|')[2].split(',').map(Number);
          const at = squareCentre({ x, y }, view.bitmap);
          const inside = at.x > view.area.left && at.x < view.area.right &&
                         at.y > view.area.top && at.y < view.area.bottom;
          if (inside) assert.ok(view.keys.has(key), `${key} vanished at zoom ${zoom}`);
        }
        before = view.keys;
      }
      assert.ok(before.size > 20, `${before.size} labels at the last zoom`);

      // A pan at one zoom shows the same labels where the two views meet.
      const start = await labelsInView(page);
      await page.evaluate(() => map.panBy([350, 220], { animate: false }));
      const moved = await labelsInView(page);
      const inBothViews = (view) => [...view.keys].filter((key) => {
        const [x, y] = key.split('|')[2].split(',').map(Number);
        return [start, moved].every(({ bitmap, area }) => {
          const at = squareCentre({ x, y }, bitmap);
          return at.x > area.left && at.x < area.right && at.y > area.top && at.y < area.bottom;
        });
      }).sort();
      assert.ok(inBothViews(start).length > 10);
      assert.deepEqual(inBothViews(moved), inBothViews(start));

      // A revealed island shows its label even where another would hide it.
      const nameOf = (view, island) => markerOf(view.inView, island, 'islandname', view.bitmap);
      const hidden = world.islands.findIndex((island) => {
        const at = squareCentre(island, moved.bitmap);
        return at.x > moved.area.left + 100 && at.x < moved.area.right - 100 &&
               at.y > moved.area.top + 100 && at.y < moved.area.bottom - 100 &&
               nameOf(moved, island)?.text !== island.name;
      });
      assert.ok(hidden >= 0, 'an island without its label in view');
      await page.evaluate((i) => tlmaper.revealIsland(i), hidden);
      await labelsSettled(page);
      const revealed = await labelsInView(page);
      const island = world.islands[hidden];
      assert.equal(nameOf(revealed, island)?.text, island.name, 'revealed');
      assert.equal(markerOf(revealed.inView, island, 'difficulty', revealed.bitmap)?.text,
        difficultyText(island), 'revealed difficulty');
      assertNoOverlap(revealed.labels, 'after a reveal');
      assert.deepEqual(problems, []);
    } finally {
      await close();
    }
  });

test('a custom template that runs the marker lists as script still works', async () => {
  // The older kind of template: Leaflet from outside the page, every marker created at
  // once by running the lists. Leaflet's files are read from disk here.
  const leaflet = pathToFileURL(join(webDirectory, 'node_modules', 'leaflet', 'dist')).href;
  const template = readFileSync(join(webDirectory, 'tests', 'fixtures', 'script-template.html'), 'utf8')
    .replaceAll('LEAFLET', leaflet);
  mkdirSync(join(scratch, 'custom'), { recursive: true });
  writeFileSync(join(scratch, 'custom', 'template.html'), template);
  const world = hostileWorld();
  const { page, problems, close } = await openPage(makePage('custom', world, 'custom.xml'));
  try {
    const markers = withoutPlayer(await visibleMarkers(page));
    const names = markers.filter((m) => m.classes.includes('islandname')).map((m) => m.text);
    assert.deepEqual(names, HostileNames);
    const towns = world.islands.filter((i) => i.town).length;
    const explored = world.islands.filter((i) => i.explored).length;
    assert.equal(markers.length,
      2 * world.islands.length + towns + explored + world.ships.length);
    assert.equal(await page.evaluate(() => window.pwned), undefined);
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

test('without its bitmap, or with a damaged list, the page says so and shows what it can',
  async () => {
    const world = gridWorld();
    const pagePath = makePage('missing', world, 'missing.xml');
    rmSync(join(dirname(pagePath), 'missing.bmp'));
    const bare = await openPage(pagePath, { state: 'no-image' });
    try {
      assert.match(await bare.page.textContent('#notice'), /missing\.bmp" could not be loaded/);
      // The view takes in the markers instead of the image.
      const names = (await visibleMarkers(bare.page)).filter((m) => m.classes.includes('islandname'));
      assert.ok(names.length > 0, 'island names show without the image');
      // The browser's own report of the missing file is all that goes wrong.
      assert.ok(bare.problems.every((problem) => /missing\.bmp|ERR_FILE_NOT_FOUND/.test(problem)),
        bare.problems.join('; '));
    } finally {
      await bare.close();
    }

    const damagedPath = makePage('damaged', world, 'damaged.xml');
    const html = readFileSync(damagedPath, 'utf8');
    writeFileSync(damagedPath, html.replace(/(<script type="text\/plain" id="town-list">)L/, '$1alert(1);L'));
    const damaged = await openPage(damagedPath);
    try {
      assert.match(await damaged.page.textContent('#notice'),
        /markers of this page could not be read \(town list: expected/);
      assert.equal(await damaged.page.evaluate(() => window.tlmaper.world.islands.count), 0);
      assert.deepEqual(damaged.problems.map((p) => p.slice(0, 19)), ['console: town list:']);
    } finally {
      await damaged.close();
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
