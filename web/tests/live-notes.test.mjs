// The live page keeps what the player puts on it: a note written there goes to the notes
// file beside the save, reaches a page opened later in another browser, and is in the page
// the tool writes from disk afterwards; notes and a voyage stay on their islands through
// a new save in which one of them moved.
//
// Usage: node --test live-notes.test.mjs   with TLMAPER_BINARY (the tool, or the Windows
// exe run through wine) and TLMAPER_SCRATCH in the environment.
import { test, after } from 'node:test';
import assert from 'node:assert/strict';
import { execFileSync } from 'node:child_process';
import { existsSync, readFileSync } from 'node:fs';
import { join } from 'node:path';
import { pathToFileURL } from 'node:url';
import { binary, freshScratch, launchBrowser } from './page-harness.mjs';
import {
  folderWith, openLivePageIn, replaceSave, startLive, stopAllLive, stopLive,
} from './live-harness.mjs';
import { gridWorld, saveXml } from './worlds.mjs';

freshScratch();
let browser;
after(async () => {
  await browser?.close();
  stopAllLive();
});

// Writes `text` as the note of island `index` in its card, and leaves the field.
async function writeNote(page, index, text, mark) {
  await page.evaluate((i) => {
    const { x, y } = tlmaper.world.islands;
    tlmaper.map.fire('click', { latlng: tlmaper.worldPoint(x[i], y[i]) });
  }, index);
  await page.fill('#card textarea', text);
  await page.check(`#card input[type=radio][value="${mark}"]`);
  await page.waitForFunction(() => document.querySelector('#card .note-status').textContent === 'Saved');
}

const notesOf = (page) => page.evaluate(() => tlmaper.notes.list()
  .map(({ index, text, mark }) => [tlmaper.world.islands.names[index], text, mark]).sort());

test('a note written on the live page is in the file, in another browser and on the page from disk', async () => {
  browser ??= await launchBrowser();
  const directory = folderWith('noted');
  const live = await startLive(directory, 'world.xml');
  const first = await openLivePageIn(browser, live);
  await writeNote(first.page, 4, 'Wreck on the north reef', 'treasure');
  await writeNote(first.page, 9, 'Harbour master: <ask> about "maps"', '');
  const file = join(directory, 'world.notes.json');
  const deadline = Date.now() + 10000;
  while (!(existsSync(file) && readFileSync(file, 'utf8').includes('Harbour master')) && Date.now() < deadline) {
    await new Promise((resolve) => setTimeout(resolve, 100));
  }
  const kept = JSON.parse(readFileSync(file, 'utf8'));
  assert.deepEqual(kept.notes.map((n) => [n.name, n.text, n.mark]).sort(), [
    ['Isle 4', 'Wreck on the north reef', 'treasure'],
    ['Isle 9', 'Harbour master: <ask> about "maps"', ''],
  ]);
  const expected = [['Isle 4', 'Wreck on the north reef', 'treasure'],
    ['Isle 9', 'Harbour master: <ask> about "maps"', '']];
  assert.deepEqual(first.problems, []);
  await first.context.close();

  // Another browser (a fresh context keeps nothing) gets them from the server.
  const second = await openLivePageIn(browser, live);
  await second.page.waitForFunction(() => tlmaper.notes.list().length === 2);
  assert.deepEqual(await notesOf(second.page), expected);
  await second.context.close();
  assert.equal((await stopLive(live)).code, 0);

  // The tool run on the save afterwards puts them into the page it writes.
  execFileSync(binary, ['world.xml'], { cwd: directory });
  const context = await browser.newContext();
  const page = await context.newPage();
  await page.goto(pathToFileURL(join(directory, 'world.html')).href);
  await page.waitForSelector('#map[data-state="ready"]');
  assert.deepEqual(await notesOf(page), expected);
  await context.close();
});

test('notes and a voyage stay on their islands through a save in which one moved', async () => {
  browser ??= await launchBrowser();
  const world = gridWorld();
  const directory = folderWith('moving', world);
  const live = await startLive(directory, 'world.xml');
  const { x, y } = world.islands[7];
  const opened = await openLivePageIn(browser, live, `#z=0&x=80&y=50&voyage=${x},${y}`);
  const { page } = opened;
  await writeNote(page, 7, 'Fresh water', 'planned');
  assert.deepEqual(await page.evaluate(() => tlmaper.voyage.stops()), [7]);

  // Isle 7 moves a little (the note follows it); another island appears before it.
  const next = structuredClone(world);
  next.islands[7].x += 3;
  next.islands.unshift({ name: 'New Rock', x: 200, y: 200, difficulty: 1, town: false, explored: false });
  const version = await page.evaluate(() => document.getElementById('map').dataset.liveVersion);
  replaceSave(directory, saveXml(next));
  await page.waitForFunction((old) => document.getElementById('map').dataset.liveVersion !== old &&
    document.getElementById('map').dataset.live === 'current', version, { timeout: 20000 });
  assert.deepEqual(await notesOf(page), [['Isle 7', 'Fresh water', 'planned']]);
  // The voyage's stop is kept by its old position, which no island holds now: it is kept
  // and listed as not in this save, never dropped.
  assert.deepEqual(await page.evaluate(() => tlmaper.voyage.stops()), []);
  assert.match(await page.evaluate(() => location.hash), new RegExp(`voyage=${x},${y}`));
  assert.deepEqual(opened.problems, []);
  await opened.context.close();
  assert.equal((await stopLive(live)).code, 0);
});
