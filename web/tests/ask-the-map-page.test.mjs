// Asking the map, in headless Chromium on the example's page: a click on any square opens
// its card, the filter keeps only its islands labelled, marked and counted (and veils
// the others), the nearest list and search order by distance, the coordinates box gives
// distance and direction, and all of it works from the keyboard and on a phone. What the
// page shows is checked against a reading of the save itself.
//
// Usage: node ask-the-map-page.test.mjs   with TLMAPER_BINARY and TLMAPER_SCRATCH in the
// environment (see page-harness.mjs).
import { test, before } from 'node:test';
import assert from 'node:assert/strict';
import { readFileSync } from 'node:fs';
import { join } from 'node:path';
import {
  browserForTests, makeExamplePage, makePage, readShots, webDirectory,
} from './page-harness.mjs';

const tests = browserForTests();
let examplePage;
before(() => {
  examplePage = makeExamplePage();
});

// The example save, read here on its own: islands, ships and the player.
function readSave() {
  const xml = readFileSync(join(webDirectory, '..', 'examples', 'saltmere.xml'), 'utf8');
  const decode = (text) => text.replace(/&#x([0-9a-f]+);/gi, (_, hex) => String.fromCodePoint(parseInt(hex, 16)))
    .replace(/&apos;/g, "'").replace(/&quot;/g, '"').replace(/&lt;/g, '<').replace(/&gt;/g, '>')
    .replace(/&amp;/g, '&');
  const attributes = (element) => Object.fromEntries(
    [...element.matchAll(/(\w+)="([^"]*)"/g)].map(([, name, value]) => [name, decode(value)]));
  const islands = [...xml.matchAll(/<IslandData [^>]*>/g)].map(([element]) => {
    const a = attributes(element);
    return {
      name: a.Name, x: Number(a.X), y: Number(a.Y), difficulty: Number(a.Difficulty ?? -1),
      town: a.IslandType === 'Town', explored: a.Explored === 'True',
    };
  });
  const ships = [...xml.matchAll(/<MapShip [^>]*>/g)].map(([element]) => {
    const a = attributes(element);
    const [x, y] = a.location.replace(/[()]/g, '').split(',').map(Number);
    return { x, y, difficulty: Number(a.dificulty ?? -1) };
  });
  const player = attributes(/<PlayerData [^>]*>/.exec(xml)[0]);
  return { islands, ships, player: { x: Number(player.X), y: Number(player.Y) } };
}
const save = readSave();
const oneLine = (name) => name.replace(/\s+/g, ' ').trim();

// Distance and compass direction from the player, worked out from the save: the map
// shows north up, where y gets smaller.
function fromPlayer({ x, y }) {
  const dx = x - save.player.x;
  const dy = y - save.player.y;
  if (dx === 0 && dy === 0) return 'where you are';
  const bearing = (Math.atan2(dx, -dy) * 180) / Math.PI;
  const point = ['N', 'NE', 'E', 'SE', 'S', 'SW', 'W', 'NW'][(Math.round(bearing / 45) + 8) % 8];
  return `${Math.round(Math.hypot(dx, dy)).toLocaleString('en')} ${point} of you`;
}

const { withPage } = tests;

// The page point of world position (x, y).
function screenPoint(page, { x, y }) {
  return page.evaluate(([wx, wy]) => {
    const point = tlmaper.map.latLngToContainerPoint(tlmaper.worldPoint(wx, wy));
    const box = tlmaper.map.getContainer().getBoundingClientRect();
    return { x: box.left + point.x, y: box.top + point.y };
  }, [x, y]);
}

// The card's entries as text, or null while it is closed.
function cardShown(page) {
  return page.evaluate(() => {
    const card = document.getElementById('card');
    if (card.hidden) return null;
    return {
      label: card.getAttribute('aria-label'),
      entries: [...card.querySelectorAll('.card-entry')].map((entry) => ({
        name: entry.querySelector('.card-name').textContent.replace(/\s+/g, ' ').trim(),
        marks: entry.querySelector('.card-marks').textContent,
        where: entry.querySelector('.card-where').textContent,
      })),
      more: card.querySelector('.card-more').textContent,
    };
  });
}

// Waits until the island named `name` (on one line) is the pinned one.
function pinnedIs(page, name) {
  return page.waitForFunction((wanted) =>
    (tlmaper.world.islands.names[tlmaper.pinnedIsland()] ?? '').replace(/\s+/g, ' ').trim() === wanted,
  name, { timeout: 5000 });
}

// What the card says of an island or ship of the save.
function expectedEntry(record, kind) {
  const marks = [`difficulty ${record.difficulty}`];
  if (record.town) marks.push('town');
  if (kind === 'island') marks.push(record.explored ? 'explored' : 'unexplored');
  return {
    name: kind === 'island' ? oneLine(record.name) : 'Roaming ship',
    marks: marks.join(' · '),
    where: `x ${record.x}, y ${record.y} · ${fromPlayer(record)}`,
  };
}

// The labels on the map as { kind, index }, as the page says where they are.
function labelsShown(page) {
  return page.evaluate(() => tlmaper.labelsInView().map(({ kind, index }) => ({ kind, index })));
}

test('a click on every square opens its card, at the first view and three steps in', async () => {
  await withPage(examplePage, {}, async (page) => {
    const firstZoom = await page.evaluate(() => tlmaper.map.getZoom());
    const records = [
      ...save.islands.map((record, index) => ({ record, index, kind: 'island' })),
      ...save.ships.map((record, index) => ({ record, index, kind: 'ship' })),
    ];
    assert.equal(records.length, 34 + 12);
    for (const zoom of [firstZoom, firstZoom + 3]) {
      for (const { record, index, kind } of records) {
        if (zoom !== firstZoom) {
          await page.evaluate(([x, y, z]) => tlmaper.map.setView(tlmaper.worldPoint(x, y), z, { animate: false }),
            [record.x, record.y, zoom]);
        }
        const point = await screenPoint(page, record);
        await page.mouse.click(point.x, point.y);
        const card = await cardShown(page);
        const what = `${kind} ${index} at zoom ${zoom}`;
        assert.ok(card, `${what}: no card`);
        const expected = expectedEntry(record, kind);
        const entry = card.entries.find((shown) => shown.where === expected.where && shown.marks === expected.marks);
        assert.ok(entry, `${what}: not on its card (${JSON.stringify(card.entries)})`);
        assert.equal(entry.name, expected.name, what);
        // The first island on the card is the one pinned, and the card is named after
        // what it lists first.
        const firstIsland = card.entries.findIndex((shown) => shown.name !== 'Roaming ship');
        if (firstIsland >= 0) await pinnedIs(page, card.entries[firstIsland].name);
        assert.ok(card.label.startsWith(card.entries[0].name), what);
      }
    }

    // Closing: Escape, the close button, and a click on the open sea.
    await page.evaluate(([x, y]) => tlmaper.map.setView(tlmaper.worldPoint(x, y), 1, { animate: false }),
      [save.islands[0].x, save.islands[0].y]);
    const sea = await screenPoint(page, { x: save.islands[0].x + 12, y: save.islands[0].y + 12 });
    for (const close of [
      () => page.keyboard.press('Escape'),
      () => page.click('#card .card-close'),
      () => page.mouse.click(sea.x, sea.y),
    ]) {
      const point = await screenPoint(page, save.islands[0]);
      await page.mouse.click(point.x, point.y);
      assert.ok(await cardShown(page));
      await close();
      assert.equal(await cardShown(page), null);
      assert.equal(await page.locator('.selection-ring').count(), 0, 'the ring goes with the card');
    }
  });
});

test('squares on top of each other: the card lists a handful, then "and N more"', async () => {
  const stacked = Array.from({ length: 8 }, (_, i) => ({
    name: `Stack ${i}`, x: 50 + (i % 2), y: 50, difficulty: i, town: false, explored: false,
  }));
  const world = {
    player: { x: 50, y: 50, worldName: 'Stacked Sea' },
    islands: [...stacked, { name: 'Alone', x: 90, y: 20, difficulty: 1, town: true, explored: true }],
    ships: [{ x: 50, y: 51, difficulty: 3 }],
  };
  await withPage(makePage('stacked', world, 'stacked.xml'), {}, async (page) => {
    await page.evaluate(() => tlmaper.map.setView(tlmaper.worldPoint(50, 50), 3, { animate: false }));
    const point = await screenPoint(page, { x: 50.5, y: 50 });
    await page.mouse.click(point.x, point.y);
    const card = await cardShown(page);
    // The ship is drawn on top, then the later islands over the earlier ones.
    assert.deepEqual(card.entries.map((entry) => entry.name),
      ['Roaming ship', 'Stack 7', 'Stack 6', 'Stack 5', 'Stack 4']);
    assert.equal(card.more, 'and 4 more');
    assert.equal(card.label, 'Roaming ship and 8 more');
    assert.match(card.entries[1].where, /^x 51, y 50 · 1 E of you$/);
    await pinnedIs(page, 'Stack 7');
  });
});

// Cases of the filter: the address that asks for it, and which islands of the save pass.
const FilterCases = [
  ['#difficulty=5-8&unexplored=1', (i) => i.difficulty >= 5 && i.difficulty <= 8 && !i.explored],
  ['#difficulty=0-1&towns=1', (i) => i.difficulty <= 1 && i.town],
  ['#unexplored=1', (i) => !i.explored],
];

test('a filter leaves exactly its islands labelled and marked, counts them and stays in the address',
  async () => {
    for (const [hash, passes] of FilterCases) {
      const matching = new Set(save.islands.flatMap((island, i) => (passes(island) ? [i] : [])));
      const count = (mark) => save.islands.filter((island) => mark(island)).length;
      await withPage(examplePage, { hash }, async (page) => {
        // Counted in the layer control and the legend, from the save.
        const counts = await page.$$eval('.layer-count[data-layer]',
          (spans) => Object.fromEntries(spans.map((span) => [span.dataset.layer, span.textContent])));
        const towns = count((i) => i.town && passes(i));
        const explored = count((i) => i.explored && passes(i));
        assert.deepEqual(counts, {
          'Island difficulty': `(${matching.size} of 34)`, 'Island names': `(${matching.size} of 34)`,
          'Towns': `(${towns} of ${count((i) => i.town)})`,
          'Explored islands': `(${explored} of ${count((i) => i.explored)})`,
          'Ship difficulty': '(12)', 'Difficulty colours': `(${matching.size} of 34)`,
          'Voyage': '(0)', 'My notes': '(0)',
        }, hash);
        assert.equal(await page.textContent('.legend-filter'), `${matching.size} of 34 islands match the filter`);
        // The address keeps the filter beside the view.
        await page.waitForFunction((part) => location.hash.endsWith(part) && location.hash.startsWith('#z='),
          hash.slice(1));

        // At the first view, every matching island shows both labels and nothing else does.
        const labels = await labelsShown(page);
        const islandsWith = (kind) => new Set(labels.filter((l) => l.kind === kind).map((l) => l.index));
        assert.deepEqual([...islandsWith('difficulty')].sort((a, b) => a - b), [...matching], `${hash} difficulties`);
        assert.deepEqual([...islandsWith('name')].sort((a, b) => a - b), [...matching], `${hash} names`);
        assert.ok(islandsWith('shipDifficulty').size >= 10, 'ships keep their labels');
        const marks = await page.evaluate(() => tlmaper.marksInView());
        const marked = (kind) => marks.filter((mark) => mark.kind === kind).map((mark) => mark.index).sort((a, b) => a - b);
        const expectedMarks = (mark) => [...matching].filter((i) => mark(save.islands[i]));
        assert.deepEqual(marked('town'), expectedMarks((i) => i.town), `${hash} towns`);
        assert.deepEqual(marked('explored'), expectedMarks((i) => i.explored), `${hash} explored`);
        // Close in, where every mark in view shows, still only those of matching islands.
        const town = save.islands.findIndex((island) => island.town && island.explored);
        await page.evaluate(([x, y]) => tlmaper.map.setView(tlmaper.worldPoint(x, y),
          tlmaper.map.getMaxZoom(), { animate: false }), [save.islands[town].x, save.islands[town].y]);
        const close = (await page.evaluate(() => tlmaper.marksInView())).filter((mark) => mark.index === town);
        assert.equal(close.length, matching.has(town) ? 2 : 0, `${hash} marks close in`);
      });
    }
  });

// Reads the colour ([red, green, blue]) of the page's screenshot at each point.
async function coloursAt(page, points) {
  return readShots(page, [(await page.screenshot()).toString('base64')], { points });
}

test('the veil dims only the squares the filter leaves out, over the bitmap and the colours', async () => {
  const [hash, passes] = FilterCases[0];
  const inside = save.islands.find(passes);
  const outside = save.islands.find((island) => !passes(island));
  const Sea = [50, 50, 255];
  // The veil lets a quarter of the square's colour through.
  const veiled = (colour) => colour.map((value, k) => Math.round(value / 4 + (Sea[k] * 3) / 4));
  const near = (a, b) => a.every((value, k) => Math.abs(value - b[k]) <= 8);
  for (const colours of [false, true]) {
    await withPage(examplePage, { hash }, async (page) => {
      for (const layer of ['Island difficulty', 'Island names', 'Ship difficulty']) {
        await page.getByRole('checkbox', { name: new RegExp(`^${layer} \\(`) }).uncheck();
      }
      await page.addStyleTag({ content: '.leaflet-marker-pane, .leaflet-control-container { display: none; }' });
      if (colours) await page.evaluate(() => tlmaper.map.addLayer(tlmaper.difficultyColours.layer()));
      await page.evaluate(([x, y]) => tlmaper.map.setView(tlmaper.worldPoint(x, y), 1, { animate: false }),
        [(inside.x + outside.x) / 2, (inside.y + outside.y) / 2]);
      const points = [await screenPoint(page, inside), await screenPoint(page, outside)];
      await page.waitForTimeout(400);
      const filtered = await coloursAt(page, points);
      await page.evaluate(() => { location.hash = '#z=1'; });
      await page.waitForFunction(() => !document.querySelector('.legend-filter'));
      await page.waitForTimeout(400);
      const plain = await coloursAt(page, points);
      if (!colours) assert.deepEqual(plain, [[255, 255, 0], [255, 255, 0]]);
      assert.ok(near(filtered[0], plain[0]), `colours ${colours}: a matching square keeps ${plain[0]}`);
      assert.ok(near(filtered[1], veiled(plain[1])),
        `colours ${colours}: a square left out shows ${filtered[1]} for ${veiled(plain[1])}`);
    });
  }
});

// The islands of the save that `passes`, nearest the player first (ties in save order).
function nearestInSave(passes, count) {
  const far = (island) => (island.x - save.player.x) ** 2 + (island.y - save.player.y) ** 2;
  return save.islands.map((island, index) => ({ island, index })).filter(({ island }) => passes(island))
    .sort((a, b) => far(a.island) - far(b.island) || a.index - b.index).slice(0, count);
}

test('the nearest list gives the ten nearest matching islands; choosing one shows it and its card',
  async () => {
    for (const [hash, passes] of [['', () => true], FilterCases[0]]) {
      await withPage(examplePage, { hash }, async (page) => {
        await page.click('#nearest-panel summary');
        const items = await page.$$eval('#nearest-list li > button:first-child', (buttons) => buttons.map((button) => ({
          name: button.querySelector('.nearest-name').textContent,
          offset: button.querySelector('.nearest-offset').firstChild.textContent,
          difficulty: button.querySelector('.nearest-difficulty').textContent,
        })));
        const expected = nearestInSave(passes, 10).map(({ island }) => ({
          name: oneLine(island.name),
          offset: fromPlayer(island).replace(/ of you$/, ''),
          difficulty: String(island.difficulty),
        }));
        assert.deepEqual(items, expected, hash);
        await page.click('#nearest-list li:nth-child(3) button');
        const chosen = nearestInSave(passes, 3)[2].island;
        const card = await cardShown(page);
        assert.deepEqual(card.entries, [expectedEntry(chosen, 'island')]);
        assert.equal(oneLine(await page.evaluate(() => tlmaper.world.islands.names[tlmaper.pinnedIsland()])),
          oneLine(chosen.name));
        const centre = await page.evaluate(() => tlmaper.worldPosition(tlmaper.map.getCenter()));
        assert.ok(Math.abs(centre.x - chosen.x) < 1 && Math.abs(centre.y - chosen.y) < 1, 'the map moves to it');
      });
    }
  });

test('search results in order of distance, and the distance under the pointer', async () => {
  await withPage(examplePage, {}, async (page) => {
    await page.fill('#search', 'a');
    await page.check('#search-nearest');
    const names = await page.$$eval('#search-results .result-name', (found) => found.map((n) => n.textContent.trim()));
    const expected = nearestInSave((island) => island.name.toLowerCase().includes('a'), 10);
    assert.deepEqual(names, expected.map(({ island }) => oneLine(island.name)));
    assert.equal(await page.textContent('#search-results .result-marks'),
      expectedEntry(expected[0].island, 'island').marks.replace(/ · (un)?explored$/, (m) => (m.includes('un') ? '' : ' · explored')) +
      ` · ${fromPlayer(expected[0].island).replace(/ of you$/, '')}`);
    // Choosing a result opens its card.
    await page.keyboard.press('ArrowDown');
    await page.keyboard.press('Enter');
    assert.equal((await cardShown(page)).entries[0].name, oneLine(expected[0].island.name));
    await page.keyboard.press('Escape');
    await page.keyboard.press('Escape');  // the results, open again with the focus back

    // Under the pointer: the island's place, and how far it is from the player.
    await page.evaluate(([x, y]) => tlmaper.map.setView(tlmaper.worldPoint(x, y), 1, { animate: false }),
      [save.player.x, save.player.y]);
    for (const island of [save.islands[3], save.islands[20]]) {
      const point = await screenPoint(page, island);
      await page.mouse.move(point.x, point.y);
      assert.equal(await page.textContent('#coordinates'), `x ${island.x}, y ${island.y} · ${fromPlayer(island)}`);
    }
    const player = await screenPoint(page, save.player);
    await page.mouse.move(player.x, player.y);
    assert.equal(await page.textContent('#coordinates'), `x ${save.player.x}, y ${save.player.y} · where you are`);
  });
});

test('the filter, the nearest list and the card work from the keyboard; axe-core finds nothing', async () => {
  await withPage(examplePage, {}, async (page) => {
    // The filter: reached with Tab, opened with Enter, set by typing.
    await page.keyboard.press('Tab');
    assert.equal(await page.evaluate(() => document.activeElement.closest('details')?.id), 'filter-panel');
    assert.notEqual(await page.evaluate(() => getComputedStyle(document.activeElement).outlineStyle), 'none',
      'the focus shows');
    await page.keyboard.press('Enter');
    await page.keyboard.press('Tab');
    await page.keyboard.press('Control+A');
    await page.keyboard.type('5');
    await page.keyboard.press('Tab');
    await page.keyboard.press('Control+A');
    await page.keyboard.type('8');
    await page.keyboard.press('Tab');
    await page.keyboard.press('Space');
    await page.waitForFunction(() => location.hash.endsWith('&difficulty=5-8&unexplored=1'));
    assert.equal(await page.textContent('#filter-panel summary'), 'Filter: 5–8, unexplored');
    assert.equal(await page.textContent('#filter-count'), '10 of 34 islands match');

    // The nearest list: opened, an island chosen with Enter; the card takes the focus and
    // gives it back when Escape closes it.
    await page.focus('#nearest-panel summary');
    await page.keyboard.press('Enter');
    await page.keyboard.press('Tab');
    await page.keyboard.press('Enter');
    assert.equal(await page.evaluate(() => document.activeElement.id), 'card');
    assert.equal(await page.getAttribute('#card', 'role'), 'dialog');

    await page.addScriptTag({ path: join(webDirectory, 'node_modules/axe-core/axe.min.js') });
    await page.click('#filter-panel summary');
    const violations = await page.evaluate(async () => {
      const results = await axe.run(document);
      return results.violations.map((violation) =>
        `${violation.id} (${violation.impact}): ${violation.nodes.map((n) => n.target).join(' ')}`);
    });
    assert.deepEqual(violations, []);

    await page.focus('#card');
    await page.keyboard.press('Escape');
    assert.equal(await cardShown(page), null);
    assert.equal(await page.evaluate(() => document.activeElement.closest('#nearest-list') !== null), true);
  });
});

test('on a phone the filter and the list fold to buttons, and the card fits the screen', async () => {
  const viewport = { width: 390, height: 700 };
  await withPage(examplePage, { viewport, hash: '#difficulty=5-8' }, async (page) => {
    for (const id of ['filter-panel', 'nearest-panel']) {
      assert.equal(await page.$eval(`#${id}`, (panel) => panel.open), false);
      const box = await page.locator(`#${id} summary`).boundingBox();
      assert.ok(box.y + box.height < 60, `${id} sits in the top bar`);
    }
    await page.click('#nearest-panel summary');
    const list = await page.locator('#nearest-panel .top-popup').boundingBox();
    assert.ok(list.x >= 0 && list.x + list.width <= viewport.width, 'the list fits across');
    await page.click('#nearest-list li:first-child button');
    assert.equal(await page.$eval('#nearest-panel', (panel) => panel.open), false, 'folded to show the map');
    const card = await page.locator('#card').boundingBox();
    assert.ok(card.x >= 0 && card.y >= 0 && card.x + card.width <= viewport.width &&
      card.y + card.height <= viewport.height, `the card fits: ${JSON.stringify(card)}`);
  });
});
