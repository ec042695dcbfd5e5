// The voyage, in headless Chromium on pages the tool makes: the planner against an exact
// search on random voyages; a player's path (a card's button, the nearest list, the
// search, the panel's legs and total, the address, the link opened again, the route on
// screen); stops a save does not hold; Back and Forward; the keyboard; a phone; axe-core.
//
// Usage: node voyage.test.mjs   with TLMAPER_BINARY and TLMAPER_SCRATCH in the
// environment (see page-harness.mjs).
import { test, before } from 'node:test';
import assert from 'node:assert/strict';
import { join } from 'node:path';
import {
  browserForTests, makeExamplePage, makePage, readShots, webDirectory,
} from './page-harness.mjs';
import { uniformWorld } from './worlds.mjs';

const tests = browserForTests();
const { withPage } = tests;
let examplePage, widePage, wideWorld;
before(() => {
  examplePage = makeExamplePage();
  wideWorld = uniformWorld(400, 0, 2000);
  widePage = makePage('wide', wideWorld, 'wide.xml');
});

// Numbers from a fixed seed, so a failure can be repeated.
function randomNumbers(seed) {
  let state = seed;
  return () => {
    state = (Math.imul(state, 1103515245) + 12345) >>> 0;
    return state / 2 ** 32;
  };
}

// The shortest voyage from `start` through `points` by trying every order: its length.
function shortestByTrying(start, points, home) {
  const length = (a, b) => Math.hypot(a.x - b.x, a.y - b.y);
  let best = Infinity;
  const used = new Array(points.length).fill(false);
  const extend = (from, sum, left) => {
    if (sum >= best) return;
    if (left === 0) {
      best = Math.min(best, sum + (home ? length(from, start) : 0));
      return;
    }
    points.forEach((point, k) => {
      if (used[k]) return;
      used[k] = true;
      extend(point, sum + length(from, point), left - 1);
      used[k] = false;
    });
  };
  extend(start, 0, points.length);
  return best;
}

test('the planner finds the shortest voyage, open and round, on random voyages', async () => {
  await withPage(widePage, {}, async (page) => {
    const random = randomNumbers(29);
    const { player, islands } = wideWorld;
    for (let round = 0; round < 12; round++) {
      const count = 3 + (round % 6);  // 3 to 8 stops
      const indices = new Set();
      while (indices.size < count) indices.add(Math.floor(random() * islands.length));
      const home = round % 2 === 1;
      const plan = await page.evaluate(([list, returnHome]) =>
        tlmaper.voyage.plan(list, { returnHome }), [[...indices], home]);
      assert.deepEqual([...plan.order].sort((a, b) => a - b), [...indices].sort((a, b) => a - b),
        'the order holds the same islands');
      const points = [...indices].map((i) => islands[i]);
      const best = shortestByTrying(player, points, home);
      assert.ok(Math.abs(plan.distance - best) < 1e-6,
        `round ${round}: ${plan.distance} against the shortest ${best}`);
      // The distance is the length of the order given.
      let sum = 0, from = player;
      for (const i of plan.order) {
        sum += Math.hypot(islands[i].x - from.x, islands[i].y - from.y);
        from = islands[i];
      }
      if (home) sum += Math.hypot(player.x - from.x, player.y - from.y);
      assert.ok(Math.abs(plan.distance - sum) < 1e-6);
    }
    // Nothing to plan, and one stop.
    assert.deepEqual(await page.evaluate(() => tlmaper.voyage.plan([], {})), { order: [], distance: 0 });
    const one = await page.evaluate(() => tlmaper.voyage.plan([5], { returnHome: true }));
    assert.deepEqual(one.order, [5]);
  });
});

// The panel's legs as the page shows them.
function panelLegs(page) {
  return page.$$eval('#voyage-legs li', (lines) => lines.map((line) => ({
    number: line.querySelector('.voyage-number').textContent,
    name: line.querySelector('.voyage-name').textContent,
    leg: line.querySelector('.voyage-leg').textContent,
  })));
}

test('a player plans a voyage: card, nearest, search, panel, address, link, route', async () => {
  let link;
  await withPage(examplePage, { viewport: { width: 1280, height: 900 } }, async (page) => {
    // From a card: the island under a click.
    const stormcrag = await page.evaluate(() => tlmaper.world.islands.names.indexOf('Stormcrag'));
    await page.evaluate((i) => tlmaper.revealIsland(i), stormcrag);
    await page.evaluate((i) => {
      const { x, y } = tlmaper.world.islands;
      tlmaper.map.fire('click', { latlng: tlmaper.worldPoint(x[i], y[i]) });
    }, stormcrag);
    await page.click('#card .card-voyage');
    assert.equal(await page.textContent('#card .card-voyage'), 'Stop 1: remove from voyage');
    // From the nearest list, and from the search with Shift+Enter.
    await page.click('#nearest-panel summary');
    const nearestName = await page.textContent('#nearest-list li:first-child .nearest-name');
    await page.click('#nearest-list li:first-child .nearest-add');
    await page.click('#nearest-panel summary');
    await page.fill('#search', 'copperbay');
    await page.press('#search', 'Shift+Enter');
    assert.equal(await page.evaluate(() => tlmaper.voyage.stops().length), 3);

    // The panel: each leg with its island, distance, direction and running total.
    await page.click('#voyage-panel summary');
    const legs = await panelLegs(page);
    assert.deepEqual(legs.map((leg) => leg.number), ['1', '2', '3']);
    assert.ok(legs.some((leg) => leg.name === 'Stormcrag') && legs.some((leg) => leg.name === nearestName) &&
      legs.some((leg) => leg.name === 'Copperbay'));
    const expected = await page.evaluate(() => {
      const { islands, player } = tlmaper.world;
      let from = player, sum = 0;
      return tlmaper.voyage.stops().map((i) => {
        const leg = Math.hypot(islands.x[i] - from.x, islands.y[i] - from.y);
        sum += leg;
        from = { x: islands.x[i], y: islands.y[i] };
        return { leg: Math.round(leg), total: Math.round(sum) };
      });
    });
    legs.forEach((leg, k) => {
      assert.match(leg.leg, new RegExp(`^${expected[k].leg} (N|NE|E|SE|S|SW|W|NW) · ${expected[k].total} in all$`));
    });
    assert.match(await page.textContent('#voyage-totals'),
      new RegExp(`^3 stops · ${expected[2].total} in all · difficulty \\d+–\\d+$`));
    assert.equal(await page.textContent('#voyage-panel summary'), 'Voyage (3)');

    // The shortest order is no longer than the one built by hand, and a round trip.
    await page.check('#voyage-home');
    await page.click('.voyage-plan');
    await page.waitForFunction(() => /Shortest order/.test(document.getElementById('voyage-status').textContent));
    await page.waitForFunction(() => /voyage=[-\d,~]+&home=1/.test(location.hash));
    assert.equal((await panelLegs(page)).at(-1).name, 'back to where you are');
    link = await page.evaluate(() => location.href);
    const stops = await page.evaluate(() => tlmaper.voyage.stops());

    // The route on screen: its badges are drawn where the page says, numbered in order.
    await page.click('#voyage-panel summary');
    await page.evaluate(() => tlmaper.map.fitBounds(tlmaper.worldBounds(), { animate: false }));
    await page.waitForTimeout(300);
    const badges = await page.evaluate(() => tlmaper.voyage.stopsInView());
    assert.deepEqual(badges.map((badge) => badge.number).filter(Boolean), [1, 2, 3]);
    const withRoute = (await page.screenshot()).toString('base64');
    await page.evaluate(() => document.querySelector('.voyage-tiles').style.visibility = 'hidden');
    const without = (await page.screenshot()).toString('base64');
    const mapBox = await page.locator('#map').boundingBox();
    for (const badge of badges.filter((b) => b.number)) {
      const box = { left: Math.round(mapBox.x + badge.left), top: Math.round(mapBox.y + badge.top),
        width: 16, height: 16 };
      const { differing } = await readShots(page, [withRoute, without], { box });
      assert.ok(differing > 60, `badge ${badge.number} is drawn (${differing} pixels)`);
    }
    // Reopened, the link shows the same voyage.
    await page.goto('about:blank');
    await page.goto(link);
    await page.waitForSelector('#map[data-state="ready"]');
    assert.deepEqual(await page.evaluate(() => tlmaper.voyage.stops()), stops);
    assert.equal(await page.isChecked('#voyage-home'), true);
  });
});

test('stops a save does not hold are named and kept; Back and Forward bring voyages back', async () => {
  await withPage(examplePage, {}, async (page) => {
    // Stormcrag is at 296, 82; nothing lies at 1, 2; "x" is no position.
    await page.evaluate(() => { location.hash = '#z=0&x=150&y=110&voyage=296,82~1,2~x'; });
    await page.waitForFunction(() => tlmaper.voyage.stops().length === 1);
    const notice = await page.textContent('#notice');
    assert.match(notice, /1 stop of this link's voyage is not in this save \(x 1, y 2\)/);
    assert.match(notice, /1 part of its voyage could not be read/);
    await page.click('#voyage-panel summary');
    assert.match(await page.textContent('#voyage-missing'), /x 1, y 2: not in this save/);
    assert.equal(await page.textContent('#voyage-panel summary'), 'Voyage (2)');
    await page.waitForFunction(() => location.hash.includes('voyage=296,82~1,2'), null, { timeout: 2000 });

    // A second voyage by address, then Back to the first and Forward again.
    await page.evaluate(() => { location.hash = '#z=0&x=150&y=110&voyage=189,80'; });
    await page.waitForFunction(() => tlmaper.voyage.stops().length === 1 &&
      tlmaper.world.islands.x[tlmaper.voyage.stops()[0]] === 189);
    await page.goBack();
    await page.waitForFunction(() => tlmaper.world.islands.x[tlmaper.voyage.stops()[0]] === 296);
    await page.goForward();
    await page.waitForFunction(() => tlmaper.world.islands.x[tlmaper.voyage.stops()[0]] === 189);
  });
});

test('the panel works from the keyboard; on a phone it fits; axe-core finds nothing', async () => {
  const hash = '#z=0&x=150&y=110&voyage=296,82~189,80~151,37';
  await withPage(examplePage, { hash }, async (page) => {
    await page.focus('#voyage-panel summary');
    await page.keyboard.press('Enter');
    const names = () => page.$$eval('#voyage-legs .voyage-name', (all) => all.map((n) => n.textContent));
    const [first, second, third] = await names();
    await page.focus('#voyage-legs li:first-child .voyage-go');
    await page.keyboard.press('Alt+ArrowDown');
    assert.deepEqual(await names(), [second, first, third]);
    assert.equal(await page.evaluate(() => document.activeElement.dataset.stop), '1', 'the focus follows');
    await page.keyboard.press('Delete');
    assert.deepEqual(await names(), [second, third]);
    await page.waitForFunction(() => (location.hash.match(/~/g) ?? []).length === 1);
    // Enter on a leg goes there and opens its card.
    await page.focus('#voyage-legs li:first-child .voyage-go');
    await page.keyboard.press('Enter');
    assert.equal(await page.evaluate(() => document.activeElement.id), 'card');
    assert.equal(await page.getAttribute('#card', 'aria-label'), second);

    await page.click('#voyage-panel summary');
    await page.addScriptTag({ path: join(webDirectory, 'node_modules/axe-core/axe.min.js') });
    const violations = await page.evaluate(async () => {
      const results = await axe.run(document);
      return results.violations.map((violation) =>
        `${violation.id} (${violation.impact}): ${violation.nodes.map((n) => n.target).join(' ')}`);
    });
    assert.deepEqual(violations, []);
  });

  const viewport = { width: 390, height: 700 };
  await withPage(examplePage, { viewport, hash }, async (page) => {
    for (const id of ['filter-panel', 'voyage-panel', 'nearest-panel', 'search-panel']) {
      const box = await page.locator(`#${id} summary`).boundingBox();
      assert.ok(box.y + box.height < 60 && box.x >= 0 && box.x + box.width <= viewport.width,
        `${id} sits in the top bar, within the screen: ${JSON.stringify(box)}`);
    }
    assert.equal(await page.$eval('#voyage-panel', (panel) => panel.open), false);
    await page.click('#voyage-panel summary');
    const panel = await page.locator('#voyage-panel .top-popup').boundingBox();
    assert.ok(panel.x >= 0 && panel.x + panel.width <= viewport.width, 'the panel fits across');
    await page.click('#voyage-legs li:first-child .voyage-go');
    assert.equal(await page.$eval('#voyage-panel', (p) => p.open), false, 'folded to show the map');
  });
});

test('the islands the filter shows join the voyage, nearest first up to the room left', async () => {
  await withPage(widePage, { hash: '#difficulty=3-3' }, async (page) => {
    await page.click('#voyage-panel summary');
    const count = await page.evaluate(() => tlmaper.world.islands.difficulty.filter((d) => d === 3).length);
    assert.equal(await page.textContent('.voyage-add-filtered'), `Add the ${count} filtered islands`);
    await page.click('.voyage-add-filtered');
    await page.waitForFunction(() => /Shortest order/.test(document.getElementById('voyage-status').textContent));
    const stops = await page.evaluate(() => tlmaper.voyage.stops());
    assert.equal(stops.length, count);
    assert.ok(await page.evaluate((list) => list.every((i) => tlmaper.world.islands.difficulty[i] === 3), stops));
  });
});
