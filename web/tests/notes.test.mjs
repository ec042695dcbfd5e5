// A player's notes, in headless Chromium on pages the tool makes: written in a card, seen
// on the map, found by the search, kept across a reload, a new run of the tool and a new
// save of the same world, never shown on another world's page; exported and imported in a
// fresh browser; a broken or foreign import refused with nothing lost; a note that looks
// like markup stays text everywhere; notes the page brings from the notes file.
//
// Usage: node notes.test.mjs   with TLMAPER_BINARY and TLMAPER_SCRATCH in the
// environment (see page-harness.mjs).
import { test, before } from 'node:test';
import assert from 'node:assert/strict';
import { writeFileSync } from 'node:fs';
import { dirname, join } from 'node:path';
import { pathToFileURL } from 'node:url';
import { browserForTests, makePage, openPage, runTool } from './page-harness.mjs';
import { gridWorld } from './worlds.mjs';

const tests = browserForTests();
const Markup = '</textarea><img src=x onerror="window.injected=1"><b>bold</b> & more';
let world, pagePath;
before(() => {
  world = gridWorld();
  world.player.worldName = 'Noted Reach';
  pagePath = makePage('noted', world, 'noted.xml');
});

// Opens the card of island `index` with a click on its square.
async function openCard(page, index) {
  await page.evaluate((i) => {
    const { x, y } = tlmaper.world.islands;
    tlmaper.map.setView(tlmaper.worldPoint(x[i], y[i]), 2, { animate: false });
    tlmaper.map.fire('click', { latlng: tlmaper.worldPoint(x[i], y[i]) });
  }, index);
  await page.waitForSelector('#card:not([hidden]) .note-editor textarea');
}

// Writes `text` with `mark` into the card of island `index`, and leaves the field.
async function writeNote(page, index, text, mark) {
  await openCard(page, index);
  await page.fill('#card textarea', text);
  await page.check(`#card input[type=radio][value="${mark}"]`);
  await page.waitForFunction(() => document.querySelector('#card .note-status').textContent === 'Saved');
}

const notesOf = (page) => page.evaluate(() => tlmaper.notes.list()
  .map(({ index, text, mark }) => ({ name: index === null ? null : tlmaper.world.islands.names[index], text, mark }))
  .sort((a, b) => String(a.name).localeCompare(String(b.name))));

test('a note written in a card shows its mark, is found by search, and outlives reloads and new runs', async () => {
  const opened = await openPage(tests.browser, pagePath);
  const { page, context } = opened;
  try {
    await writeNote(page, 3, 'Treasure under the\nleaning rock', 'treasure');
    await writeNote(page, 7, Markup, 'danger');
    const expected = [
      { name: 'Isle 3', text: 'Treasure under the\nleaning rock', mark: 'treasure' },
      { name: 'Isle 7', text: Markup, mark: 'danger' },
    ];
    assert.deepEqual(await notesOf(page), expected);
    // On the map, as a mark of kind 'note' beside its island.
    await page.keyboard.press('Escape');
    const marks = await page.evaluate(() => tlmaper.marksInView().filter((m) => m.kind === 'note'));
    assert.deepEqual(marks.map((m) => m.index).sort(), [3, 7]);
    // The search finds it by its words, and shows them as text.
    await page.fill('#search', 'LEANING');
    assert.deepEqual(await page.$$eval('#search-results .result-name', (all) => all.map((n) => n.textContent)),
      ['Isle 3']);
    await page.fill('#search', 'onerror');
    assert.match(await page.textContent('#search-results .result-marks'), /note: <\/textarea><img/);
    // The panel lists both, as text; the layer control counts them.
    await page.click('#notes-panel summary');
    assert.deepEqual(await page.$$eval('#notes-list-shown .note-name', (all) => all.map((n) => n.textContent)),
      ['Isle 3', 'Isle 7']);
    assert.equal(await page.textContent('.layer-count[data-layer="My notes"]'), '(2)');
    assert.equal(await page.evaluate(() => window.injected ?? document.querySelectorAll('#notes-panel img, #card img, #search-results img').length), 0);
    // The filter keeps the noted islands, or those of one mark, and says so in the address.
    await page.click('#filter-panel summary');
    await page.selectOption('#filter-notes', 'any');
    await page.waitForFunction(() => /&notes=any$/.test(location.hash));
    assert.equal(await page.textContent('#filter-count'), '2 of 24 islands match');
    await page.selectOption('#filter-notes', 'treasure');
    assert.equal(await page.textContent('#filter-count'), '1 of 24 islands match');
    assert.equal(await page.textContent('#filter-panel summary'), 'Filter: treasure');
    await page.selectOption('#filter-notes', '');

    // A reload, and the tool run again over the same save (the page written anew).
    await page.reload();
    await page.waitForSelector('#map[data-state="ready"]');
    assert.deepEqual(await notesOf(page), expected);
    runTool(dirname(pagePath), 'noted.xml');
    await page.reload();
    await page.waitForSelector('#map[data-state="ready"]');
    assert.deepEqual(await notesOf(page), expected);
    await openCard(page, 7);
    assert.equal(await page.inputValue('#card textarea'), Markup);

    // A new save of the same world: Isle 3 moved a little, Isle 7 renamed, Isle 9 gone.
    const next = structuredClone(world);
    next.islands[3].x += 5;
    next.islands[7].name = 'Isle Seven';
    const nextPage = makePage('noted-next', next, 'noted.xml');
    await page.goto(pathToFileURL(nextPage).href);
    await page.waitForSelector('#map[data-state="ready"]');
    assert.deepEqual((await notesOf(page)).map((n) => n.name), ['Isle 3', 'Isle Seven']);

    // Another world's page shows none of them.
    const other = structuredClone(world);
    other.player.worldName = 'Another Reach';
    await page.goto(pathToFileURL(makePage('other', other, 'noted.xml')).href);
    await page.waitForSelector('#map[data-state="ready"]');
    assert.deepEqual(await notesOf(page), []);
    assert.equal(await page.textContent('#notes-panel summary'), 'Notes');
    assert.deepEqual(opened.problems, []);
  } finally {
    await context.close();
  }
});

test('notes exported go into a fresh browser; a broken, foreign or large file is refused', async () => {
  const first = await openPage(tests.browser, pagePath);
  let exported;
  try {
    await writeNote(first.page, 2, 'Good anchorage', 'planned');
    await writeNote(first.page, 5, 'Reef: keep off', '');
    await first.page.keyboard.press('Escape');
    await first.page.click('#notes-panel summary');
    const [download] = await Promise.all([first.page.waitForEvent('download'), first.page.click('.notes-export')]);
    assert.equal(download.suggestedFilename(), 'Noted Reach notes.json');
    exported = join(dirname(pagePath), 'exported.json');
    await download.saveAs(exported);
  } finally {
    await first.close();
  }

  const fresh = await openPage(tests.browser, pagePath);
  const { page } = fresh;
  try {
    assert.deepEqual(await notesOf(page), []);
    await page.click('#notes-panel summary');
    const importFile = async (path) => {
      await page.setInputFiles('#notes-panel input[type=file]', path);
      await page.waitForFunction(() => document.getElementById('notes-status').textContent !== '');
      const said = await page.textContent('#notes-status');
      await page.evaluate(() => { document.getElementById('notes-status').textContent = ''; });
      return said;
    };
    assert.equal(await importFile(exported), '2 notes came in.');
    const kept = await notesOf(page);
    assert.deepEqual(kept.map((n) => [n.name, n.text, n.mark]),
      [['Isle 2', 'Good anchorage', 'planned'], ['Isle 5', 'Reef: keep off', '']]);

    const scratch = dirname(pagePath);
    const file = (name, text) => {
      writeFileSync(join(scratch, name), text);
      return join(scratch, name);
    };
    const note = { name: 'Isle 1', x: 40, y: 8, text: 'x', mark: '', updated: 1 };
    const cases = [
      ['broken.json', '{"format": "tlmaper-notes", "version": 1, "notes": [', /not a notes file/],
      ['foreign.json', JSON.stringify({ format: 'tlmaper-notes', version: 1, world: 'Elsewhere', notes: [note] }),
        /of the world "Elsewhere"/],
      ['future.json', JSON.stringify({ format: 'tlmaper-notes', version: 9, world: 'Noted Reach', notes: [] }),
        /version 9/],
      ['long.json', JSON.stringify({ format: 'tlmaper-notes', version: 1, world: 'Noted Reach',
        notes: [{ ...note, text: 'y'.repeat(2001) }] }), /longer than 2000/],
      ['mark.json', JSON.stringify({ format: 'tlmaper-notes', version: 1, world: 'Noted Reach',
        notes: [{ ...note, mark: '<script>' }] }), /unknown mark/],
      ['other.json', '{"islands": []}', /not a file of notes/],
    ];
    for (const [name, text, reason] of cases) {
      const said = await importFile(file(name, text));
      assert.match(said, /^This file could not be imported: .*Nothing was changed\.$/, name);
      assert.match(said, reason, name);
    }
    assert.deepEqual(await notesOf(page), kept, 'nothing kept was lost');
    assert.deepEqual(fresh.problems, []);
  } finally {
    await fresh.close();
  }
});
