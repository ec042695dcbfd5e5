// What a player uses on the page beyond the markers, in headless Chromium from disk with
// every network request refused: search, the coordinates under the cursor, views shared
// through the address, the page's accessibility and its HTML validity.
//
// Usage: node features.test.mjs   with TLMAPER_BINARY and TLMAPER_SCRATCH in the
// environment (see page-harness.mjs).
import { test, before } from 'node:test';
import assert from 'node:assert/strict';
import { readFileSync, rmSync } from 'node:fs';
import { join } from 'node:path';
import { pathToFileURL } from 'node:url';
import { HtmlValidate } from 'html-validate';
import { gridWorld, hostileWorld } from './worlds.mjs';
import {
  browserForTests, webDirectory, makePage, makeExamplePage, openPage,
} from './page-harness.mjs';

const tests = browserForTests();
let examplePage;
before(() => {
  examplePage = makeExamplePage();
});

const { withPage } = tests;

// The map's zoom and the world position at its centre.
function mapView(page) {
  return page.evaluate(() => {
    const centre = tlmaper.worldPosition(tlmaper.map.getCenter());
    return { zoom: tlmaper.map.getZoom(), x: centre.x, y: centre.y };
  });
}

// The screen point at the centre of the bitmap's square for world position (x, y):
// the bitmap draws it as the pixel (2x, 2y).
async function squareCentre(page, { x, y }) {
  return page.$eval('img.map-image', (image, [wx, wy]) => {
    const box = image.getBoundingClientRect();
    const pixel = box.width / image.naturalWidth;
    return { x: box.left + (2 * wx + 0.5) * pixel, y: box.top + (2 * wy + 0.5) * pixel };
  }, [x, y]);
}

test('the example page works offline, is named and described, passes axe-core with colours on', async () => {
  await withPage(examplePage, {}, async (page) => {
    assert.equal(await page.title(), 'The Saltmere Reach');
    assert.equal(await page.$eval('img.map-image', (image) => image.alt), 'The Saltmere Reach');
    assert.equal(await page.$$eval('main #map', (maps) => maps.length), 1);
    // Leaflet and everything else came with the page: no element points off the machine.
    assert.equal(await page.$$eval('[src^="http"], [href^="http"]', (found) => found.length), 0);

    // Checked with the difficulty colours on (their legend too) and the search's results
    // open, so that they are checked too.
    await page.getByRole('checkbox', { name: /^Difficulty colours \(/ }).check();
    await page.fill('#search', 'salt');
    await page.keyboard.press('ArrowDown');
    await page.addScriptTag({ path: join(webDirectory, 'node_modules/axe-core/axe.min.js') });
    const violations = await page.evaluate(async () => {
      const results = await axe.run(document);
      return results.violations
        .filter((violation) => ['serious', 'critical'].includes(violation.impact))
        .map((violation) => `${violation.id}: ${violation.nodes.map((n) => n.target).join(' ')}`);
    });
    assert.deepEqual(violations, []);
    // Markers are not in the keyboard's way.
    assert.equal(await page.$$eval('.leaflet-marker-pane [tabindex]:not([tabindex="-1"])',
      (found) => found.length), 0);
  });
});

test('search finds a hostile name typed as it is, moves to it and runs nothing', async () => {
  const world = hostileWorld();
  world.islands.push(
    { name: 'Île Crème', x: 200, y: 70, difficulty: 4, town: true, explored: true },
    { name: 'Işık', x: 200, y: 100, difficulty: 5, town: false, explored: false },
    { name: 'Große Straße', x: 230, y: 100, difficulty: 6, town: false, explored: false });
  const target = world.islands.findIndex((island) => island.name.startsWith('<img'));
  await withPage(makePage('search', world, 'hostile.xml'), {}, async (page) => {
    await page.setViewportSize({ width: 1100, height: 760 });
    await page.evaluate(() => tlmaper.map.setZoom(tlmaper.map.getMinZoom(), { animate: false }));
    await page.fill('#search', world.islands[target].name);
    const options = page.locator('#search-results').getByRole('option');
    assert.equal(await options.count(), 1);
    assert.equal(await options.first().locator('.result-name').textContent(),
      world.islands[target].name);
    await page.keyboard.press('ArrowDown');
    await page.keyboard.press('Enter');

    // The map moves to the island, and its name label shows.
    const { x, y } = world.islands[target];
    await page.waitForFunction(([ix, iy]) => {
      const centre = tlmaper.worldPosition(tlmaper.map.getCenter());
      return Math.abs(centre.x - ix) < 1 && Math.abs(centre.y - iy) < 1;
    }, [x, y], { timeout: 5000 });
    const shownName = world.islands[target].name.replace(/\s+/g, ' ');
    await page.waitForFunction((name) => tlmaper.labelsInView()
      .some((label) => label.kind === 'name' && label.text === name), shownName, { timeout: 5000 });
    assert.equal(await page.evaluate((i) => tlmaper.labelsInView()
      .filter((label) => label.kind === 'name' && label.index === i).length, target), 1,
    'its name label shows');
    assert.equal(await page.evaluate(() => window.pwned), undefined);
    assert.equal(await page.$$eval('img:not(.map-image)', (images) => images.length), 0);

    // Accents and case do not matter, case folded fully (the dotted and dotless i both
    // an i, "ß" and "ss" alike); the marks come with the name.
    const queries = [
      ['ile CREME', 'Île Crème'], ['isik', 'Işık'], ['IŞIK', 'Işık'], ['İşik', 'Işık'],
      ['strasse', 'Große Straße'], ['GROSSE STRAẞE', 'Große Straße'],
      ['ÆRØ', world.islands[7].name],
    ];
    for (const [query, name] of queries) {
      await page.fill('#search', query);
      assert.deepEqual(await options.locator('.result-name').allTextContents(), [name], query);
    }
    assert.equal(await options.locator('.result-marks').textContent(), 'difficulty 7 · 180 E');
    await page.fill('#search', 'ile CREME');
    assert.equal(await options.locator('.result-marks').textContent(),
      'difficulty 4 · town · explored · 208 E');
    // Escape closes the list.
    await page.keyboard.press('Escape');
    assert.equal(await page.locator('#search-popup').isHidden(), true);
  });
});

test('the coordinates under the cursor are those of the square under it', async () => {
  const world = gridWorld();
  await withPage(makePage('coordinates', world, 'grid.xml'), {}, async (page) => {
    for (const zoom of [1, 3]) {
      await page.evaluate((z) => tlmaper.map.setZoom(z, { animate: false }), zoom);
      for (const island of [world.islands[7], world.islands[14]]) {
        await page.evaluate(([x, y]) => tlmaper.map.panTo(tlmaper.worldPoint(x, y),
          { animate: false }), [island.x, island.y]);
        const point = await squareCentre(page, island);
        await page.mouse.move(point.x, point.y);
        assert.match(await page.textContent('#coordinates'), new RegExp(`^x ${island.x}, y ${island.y} · `),
          `zoom ${zoom}`);
      }
    }
  });
});

test('the view follows the address hash and a page opened with one shows that view', async () => {
  const page_ = makePage('hash', gridWorld(), 'grid.xml');
  await withPage(page_, { hash: '#z=3&x=40&y=38' }, async (page) => {
    const view = await mapView(page);
    assert.equal(view.zoom, 3);
    assert.ok(Math.abs(view.x - 40) < 0.5 && Math.abs(view.y - 38) < 0.5, JSON.stringify(view));

    await page.evaluate(() => tlmaper.map.setView(tlmaper.worldPoint(100, 70), 2,
      { animate: false }));
    await page.waitForFunction(() => location.hash === '#z=2&x=100&y=70');

    await page.context().grantPermissions(['clipboard-read', 'clipboard-write']);
    await page.getByRole('button', { name: 'Copy a link to this view' }).click();
    await page.waitForFunction(() => document.querySelector('.copy-status').textContent !== '');
    assert.equal(await page.textContent('.copy-status'), 'Link copied');
    assert.equal(await page.evaluate(() => navigator.clipboard.readText()),
      `${pathToFileURL(page_).href}#z=2&x=100&y=70`);

    await page.getByRole('button', { name: 'Show the whole world' }).click();
    await page.waitForFunction(() => location.hash !== '#z=2&x=100&y=70');
  });
  // A hash that names no view leaves the page on the whole world.
  await withPage(page_, { hash: '#z=zz&x=1' }, async (page) => {
    assert.equal(await page.evaluate(
      () => tlmaper.map.getBounds().contains(tlmaper.worldBounds())), true);
  });
});

test('Back and Forward move the map to the view their address names', async () => {
  await withPage(makePage('history', gridWorld(), 'grid.xml'), {}, async (page) => {
    await page.waitForFunction(() => location.hash !== '');
    // The address the page wrote for its first view is taken in the same step as the
    // new one is typed, so that it is the one the history keeps, however late the page
    // last wrote it.
    const firstHash = await page.evaluate(() => {
      const hash = location.hash;
      location.hash = '#z=3&x=33&y=133';
      return hash;
    });
    const named = new URLSearchParams(firstHash.slice(1));
    const first = { zoom: Number(named.get('z')), x: Number(named.get('x')), y: Number(named.get('y')) };
    const near = (view, { zoom, x, y }) =>
      view.zoom === zoom && Math.abs(view.x - x) < 0.5 && Math.abs(view.y - y) < 0.5;

    await page.waitForFunction(() => tlmaper.map.getZoom() === 3);
    assert.ok(near(await mapView(page), { zoom: 3, x: 33, y: 133 }));
    for (const [step, hash, view] of [
      ['back', firstHash, first], ['forward', '#z=3&x=33&y=133', { zoom: 3, x: 33, y: 133 }],
      ['back', firstHash, first]]) {
      await (step === 'back' ? page.goBack() : page.goForward());
      await page.waitForFunction((h) => location.hash === h, hash);
      await page.waitForFunction(({ zoom, x, y }) => {
        const centre = tlmaper.worldPosition(tlmaper.map.getCenter());
        return tlmaper.map.getZoom() === zoom && Math.abs(centre.x - x) < 0.5 &&
          Math.abs(centre.y - y) < 0.5;
      }, view, { timeout: 5000 });
    }
  });
});

test('an address with numbers beyond the world names no view and is written back readable',
  async () => {
    const page_ = makePage('hash-range', gridWorld(), 'grid.xml');
    const readable = /^#z=-?\d+(\.\d+)?&x=-?\d+&y=-?\d+$/;
    for (const hash of [
      `#z=2&x=${'9'.repeat(400)}&y=5`, `#z=2&x=1${'0'.repeat(300)}&y=5`,
      `#z=2&x=5&y=-3000000000`, `#z=${'9'.repeat(400)}&x=5&y=5`]) {
      await withPage(page_, { hash }, async (page) => {
        assert.equal(await page.evaluate(
          () => tlmaper.map.getBounds().contains(tlmaper.worldBounds())), true, hash);
        await page.waitForFunction((h) => location.hash !== h, hash);
        assert.match(await page.evaluate(() => location.hash), readable, hash);
        // Typed into the address of an open page, such a hash leaves the map where it is.
        const before = await mapView(page);
        await page.evaluate((h) => { location.hash = h; }, hash);
        await page.evaluate(() => new Promise((done) => setTimeout(done, 300)));
        assert.deepEqual(await mapView(page), before, hash);
      });
    }
  });

test('without its bitmap, "Show the whole world" shows every island and ship', async () => {
  const world = gridWorld();
  const page_ = makePage('no-bitmap', world, 'grid.xml');
  rmSync(page_.replace(/\.html$/, '.bmp'));
  const opened = await openPage(tests.browser, page_, { state: 'no-image' });
  try {
    const { page } = opened;
    await page.evaluate(() => tlmaper.map.setView(tlmaper.worldPoint(10, 8), 5,
      { animate: false }));
    await page.getByRole('button', { name: 'Show the whole world' }).click();
    const everyone = [...world.islands, ...world.ships].map(({ x, y }) => [x, y]);
    await page.waitForFunction((points) => points.every(([x, y]) =>
      tlmaper.map.getBounds().contains(tlmaper.worldPoint(x, y))), everyone, { timeout: 5000 });
    // The browser's own report of the missing file is all that goes wrong.
    assert.ok(opened.problems.every((problem) => /grid\.bmp|ERR_FILE_NOT_FOUND/.test(problem)),
      opened.problems.join('; '));
  } finally {
    await opened.close();
  }
});

test('a bitmap whose name holds a backslash is found beside its page', async () => {
  const world = gridWorld();
  world.player.worldName = '';
  await withPage(makePage('backslash', world, 'back\\slash.xml'), {}, async (page) => {
    assert.equal(await page.$eval('img.map-image', (image) => image.naturalWidth > 0), true);
    assert.equal(await page.title(), 'back\\slash');
  });
});

test('on a phone-sized screen the search and legend fold away and the map stays free', async () => {
  const phone = { viewport: { width: 390, height: 700 }, contextOptions: { hasTouch: true } };
  await withPage(examplePage, phone, async (page) => {
    assert.equal(await page.$eval('#search-panel', (panel) => panel.open), false);
    assert.equal(await page.$eval('#legend', (legend) => legend.open), false);
    const covered = await page.evaluate(() => {
      const area = (element) => {
        const box = element.getBoundingClientRect();
        return box.width * box.height;
      };
      const controls = [...document.querySelectorAll('.leaflet-control')];
      return controls.reduce((sum, control) => sum + area(control), 0) /
        area(document.getElementById('map'));
    });
    assert.ok(covered < 0.2, `controls cover ${(covered * 100).toFixed(0)}% of the map`);
    // The layer switches too, once every layer is in: their button opens them, and a tap
    // on the map folds them again.
    const layersOpen = () => page.$eval('.leaflet-control-layers',
      (control) => control.classList.contains('leaflet-control-layers-expanded'));
    assert.equal(await layersOpen(), false);
    await page.tap('.leaflet-control-layers-toggle');
    assert.equal(await layersOpen(), true);
    await page.touchscreen.tap(195, 600);
    assert.equal(await layersOpen(), false);
    await page.click('#search-panel summary');
    await page.waitForFunction(() => document.activeElement?.id === 'search');
    await page.keyboard.type('port');
    assert.ok(await page.getByRole('option').count() >= 1);
  });
});

test('the page is valid HTML: example, no world name, control characters, hostile names', async () => {
  const unnamed = gridWorld();
  unnamed.player.worldName = '';
  const controls = gridWorld();
  controls.player.worldName = 'Bell\u0007 Sea\u0001';
  controls.islands[0].name = 'Tab\there\u0001\u001b\u007f';
  const pages = {
    example: examplePage,
    unnamed: makePage('unnamed', unnamed, 'Nameless.xml'),
    controls: makePage('controls', controls, 'controls.xml'),
    hostile: makePage('hostile-valid', hostileWorld(), 'hostile.xml'),
  };
  const validator = new HtmlValidate({
    extends: ['html-validate:recommended'],
    // The search's results list: a <select> cannot hold a live list of results, each
    // with its marks, under a search box.
    rules: { 'prefer-native-element': ['error', { exclude: ['listbox'] }] },
  });
  for (const [what, pagePath] of Object.entries(pages)) {
    const report = await validator.validateString(readFileSync(pagePath, 'utf8'), pagePath);
    const errors = report.results.flatMap((result) => result.messages)
      .map((message) => `${message.line}:${message.column} ${message.ruleId} ${message.message}`);
    assert.deepEqual(errors, [], what);
  }
  await withPage(pages.unnamed, {}, async (page) => {
    assert.equal(await page.title(), 'Nameless');
    assert.equal(await page.textContent('h1'), 'Nameless');
  });
});
