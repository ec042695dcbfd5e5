// The live page remembers: the path the player sailed through several saves, on a page
// opened later, through a reload and a restart of the tool, and cleared; and what each
// new save changed, named in a notice whose names lead to the islands, with rings on the
// map, and nothing said when only the player moved.
//
// Usage: node --test live-trail.test.mjs   with TLMAPER_BINARY and TLMAPER_SCRATCH set.
import { test } from 'node:test';
import assert from 'node:assert/strict';
import { join } from 'node:path';
import { pathToFileURL } from 'node:url';
import { freshScratch } from './page-harness.mjs';
import {
  browserForLiveTests, folderWith, openLivePageIn, replaceSave, startLive, stopLive,
} from './live-harness.mjs';
import { gridWorld, saveXml } from './worlds.mjs';

freshScratch();
const liveBrowser = browserForLiveTests();

// Writes `world` as the save and waits until `page` shows it (its player where the
// world's is, its version past the one shown before).
async function saveAndWait(page, directory, world) {
  const version = await page.evaluate(() => document.getElementById('map').dataset.liveVersion ?? '');
  replaceSave(directory, saveXml(world));
  await page.waitForFunction(({ old, x, y }) => {
    const element = document.getElementById('map');
    return element.dataset.live === 'current' && (element.dataset.liveVersion ?? '') !== old &&
      tlmaper.world.player.x === x && tlmaper.world.player.y === y;
  }, { old: version, ...world.player }, { timeout: 20000 });
}

const withPlayer = (world, x, y) => ({ ...structuredClone(world), player: { ...world.player, x, y } });
const trailOf = (page) => page.evaluate(() => tlmaper.trail());
const waitForTrail = (page, length) =>
  page.waitForFunction((n) => tlmaper.trail().length === n, length, { timeout: 20000 });

// The colour of the pixel of the trail's or the rings' tiles (`selector`) at world
// point (x, y) moved by (dx, dy) CSS pixels, or null where no tile is.
function tilePixel(page, selector, x, y, dx = 0, dy = 0) {
  return page.evaluate(({ selector, x, y, dx, dy }) => {
    const point = tlmaper.map.latLngToContainerPoint(tlmaper.worldPoint(x, y));
    const box = document.getElementById('map').getBoundingClientRect();
    const [px, py] = [box.left + point.x + dx, box.top + point.y + dy];
    for (const canvas of document.querySelectorAll(`${selector} canvas`)) {
      const tile = canvas.getBoundingClientRect();
      if (px < tile.left || px >= tile.right || py < tile.top || py >= tile.bottom) continue;
      const u = Math.floor((px - tile.left) * canvas.width / tile.width);
      const v = Math.floor((py - tile.top) * canvas.height / tile.height);
      return [...canvas.getContext('2d').getImageData(u, v, 1, 1).data];
    }
    return null;
  }, { selector, x, y, dx, dy });
}

// The pixel of the rings' tiles on the right of the ring round `island` at the zoom shown.
async function ringPixel(page, island) {
  await page.waitForTimeout(300);  // the tiles of a new view
  const radius = await page.evaluate(() =>
    Math.max(2.25 * 2 ** tlmaper.map.getZoom() * Math.SQRT2 + 8, 20));
  return tilePixel(page, '.change-rings', island.x, island.y, radius, 0);
}
const isClear = (pixel) => !pixel || pixel[3] === 0;

test('the path sailed reaches a page opened later, and holds through a reload and a restart', async () => {
  const browser = await liveBrowser();
  const world = gridWorld();  // the player at 101, 47
  const directory = folderWith('trail', world);
  let live = await startLive(directory, 'world.xml');
  const first = await openLivePageIn(browser, live, '#z=1&x=120&y=60');
  const steps = [[121, 67], [151, 97], [161, 37]];
  for (const [x, y] of steps) await saveAndWait(first.page, directory, withPlayer(world, x, y));
  // A ship moved, the player did not: no new point.
  const still = withPlayer(world, 161, 37);
  still.ships[0].x += 5;
  await saveAndWait(first.page, directory, still);
  const sailed = [{ x: 101, y: 47 }, ...steps.map(([x, y]) => ({ x, y }))];
  await waitForTrail(first.page, 4);
  assert.deepEqual(await trailOf(first.page), sailed);
  assert.equal(await first.page.textContent('.layer-count[data-layer="Path sailed"]'), '(4)');
  // Drawn: the middle of the latest leg is the path's pink.
  await first.page.waitForTimeout(300);
  const [r, g, b, a] = await tilePixel(first.page, '.trail-tiles', 156, 67);
  assert.ok(a > 200 && r > 200 && g < 150 && b > 180, `the path's colour, not [${[r, g, b, a]}]`);
  assert.deepEqual(first.problems, []);
  await first.context.close();

  // A page opened afterwards, in a browser that kept nothing, gets the whole path.
  const later = await openLivePageIn(browser, live);
  await waitForTrail(later.page, 4);
  assert.deepEqual(await trailOf(later.page), sailed);
  await later.page.reload();
  await later.page.waitForSelector('#map[data-state="ready"][data-live="current"]');
  await waitForTrail(later.page, 4);

  // The tool started again on the same port: the browser's path and the new run's are
  // one, the player's place not counted twice, and the path goes on.
  assert.equal((await stopLive(live)).code, 0);
  live = await startLive(directory, 'world.xml', 60000, live.port);
  await later.page.reload();
  await later.page.waitForSelector('#map[data-state="ready"][data-live="current"]');
  await later.page.waitForTimeout(500);
  assert.deepEqual(await trailOf(later.page), sailed);
  await saveAndWait(later.page, directory, withPlayer(world, 131, 37));
  await waitForTrail(later.page, 5);
  assert.deepEqual((await trailOf(later.page)).at(-1), { x: 131, y: 37 });

  // Clear path forgets it, here and through a reload; the next move starts a new one.
  await later.page.click('.live-bar button:text("Clear path")');
  assert.deepEqual(await trailOf(later.page), []);
  await later.page.reload();
  await later.page.waitForSelector('#map[data-state="ready"][data-live="current"]');
  await later.page.waitForTimeout(500);
  assert.deepEqual(await trailOf(later.page), []);
  assert.ok(await later.page.isDisabled('.live-clear'));
  await saveAndWait(later.page, directory, withPlayer(world, 11, 7));
  await waitForTrail(later.page, 1);
  assert.deepEqual(await trailOf(later.page), [{ x: 11, y: 7 }]);
  // The event stream that the restart cut, and its reconnections while the tool was
  // down, are the browser's to report.
  const restart = /ERR_INCOMPLETE_CHUNKED_ENCODING|ERR_CONNECTION_REFUSED/;
  assert.deepEqual(later.problems.filter((problem) => !restart.test(problem)), []);
  await later.context.close();
  assert.equal((await stopLive(live)).code, 0);

  // The page from disk shows neither a path nor the live bar.
  const disk = await browser.newContext();
  const page = await disk.newPage();
  await page.goto(pathToFileURL(join(directory, 'world.html')).href);
  await page.waitForSelector('#map[data-state="ready"]');
  assert.deepEqual(await trailOf(page), []);
  assert.equal(await page.locator('.live-bar, .live-changes, .trail-tiles').count(), 0);
  await disk.close();
});

test('what a save changed is named, its names lead to the islands, and ringed', async () => {
  const browser = await liveBrowser();
  const world = gridWorld();
  const directory = folderWith('changes', world);
  const live = await startLive(directory, 'world.xml');
  const { page, problems, context } = await openLivePageIn(browser, live, '#z=1&x=60&y=30');
  try {
    // Isle 1 explored, Isle 2 founded as a town; the player moves too.
    const next = withPlayer(world, 90, 50);
    next.islands[1].explored = true;
    next.islands[2].town = true;
    await saveAndWait(page, directory, next);
    assert.deepEqual(await page.evaluate(() => tlmaper.changes()),
      [{ index: 1, what: 'explored' }, { index: 2, what: 'town' }]);
    const notice = page.locator('.live-changes');
    assert.equal(await notice.isVisible(), true);
    assert.equal(await page.textContent('.live-changes-text'),
      'Since the last save: Isle 1 explored; Isle 2 is now a town.');
    // Ringed: a pixel on the ring round Isle 2 is the ring's orange.
    const isOrange = ([r, g, b, a]) => r > 200 && g > 120 && g < 200 && b < 80 && a > 200;
    assert.ok(isOrange(await ringPixel(page, world.islands[2])), 'a ring round Isle 2');

    // A name takes the map there and opens the island's card.
    await page.click('.live-changes-text button:text("Isle 2")');
    assert.equal(await page.evaluate(() => tlmaper.pinnedIsland()), 2);
    assert.match(await page.textContent('#card'), /Isle 2/);
    // Dismissed, the notice and its rings go.
    await page.click('.live-changes-close');
    assert.equal(await notice.isVisible(), false);
    assert.ok(isClear(await ringPixel(page, world.islands[2])), 'no ring round Isle 2');

    // Many changes: a few named, the rest counted.
    await page.evaluate(() => tlmaper.map.setView(tlmaper.worldPoint(100, 60), 1, { animate: false }));
    const many = withPlayer(next, 91, 50);
    for (let i = 10; i < 17; i++) many.islands[i].difficulty = 77;
    await saveAndWait(page, directory, many);
    assert.equal((await page.evaluate(() => tlmaper.changes())).length, 7);
    assert.match(await page.textContent('.live-changes-text'),
      /^Since the last save: Isle 10: difficulty now 77 \(was 9\); .*; and 3 more\.$/);
    assert.ok(isOrange(await ringPixel(page, world.islands[16])), 'a ring round Isle 16');

    // Only the player moved: nothing is said, and the rings are gone.
    await saveAndWait(page, directory, withPlayer(many, 30, 20));
    assert.deepEqual(await page.evaluate(() => tlmaper.changes()), []);
    assert.equal(await notice.isVisible(), false);
    assert.ok(isClear(await ringPixel(page, world.islands[16])), 'no ring round Isle 16');
    assert.deepEqual(problems, []);
  } finally {
    await context.close();
    await stopLive(live);
  }
});
