// Measures the player's notes on a page of 200,000 islands holding 10,000 notes, in
// headless Chromium with software rendering, median of 3 rounds (a fresh browser each):
// the script time of saving a note as its field is left (kept in the browser, its mark
// drawn again), the time from "Export" until the file is ready to download, and the time
// from choosing a file of 10,000 notes to import until the page says how many came in
// (into a fresh browser that holds none). Ready time and frame rates with and without
// the notes are in page.bench.mjs (+notes).
//
// Usage: node bench/notes.bench.mjs [--binary PATH] [--islands N] [--notes N] [--rounds N]
import { mkdtempSync, rmSync, writeFileSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { dirname, join, resolve } from 'node:path';
import { fileURLToPath, pathToFileURL } from 'node:url';
import { parseArgs } from 'node:util';

const root = resolve(dirname(fileURLToPath(import.meta.url)), '..');
const { values: options } = parseArgs({
  options: {
    binary: { type: 'string', default: join(root, 'build', 'src', 'driver', 'tlmaper') },
    islands: { type: 'string', default: '200000' },
    notes: { type: 'string', default: '10000' },
    rounds: { type: 'string', default: '3' },
  },
});
process.env.TLMAPER_BINARY = resolve(options.binary);
process.env.TLMAPER_SCRATCH = mkdtempSync(join(tmpdir(), 'notes-bench-'));
const { scratch, launchBrowser, makePage } = await import('../web/tests/page-harness.mjs');
const { uniformWorld } = await import('../web/tests/worlds.mjs');

const world = uniformWorld(Number(options.islands), 0, 2000);
const pagePath = makePage('notes', world, 'world.xml');
const name = world.player.worldName;
const step = Math.max(1, Math.floor(world.islands.length / Number(options.notes)));
const notes = world.islands.filter((_, i) => i % step === 0).slice(0, Number(options.notes))
  .map((island, k) => ({ name: island.name, x: island.x, y: island.y,
    text: `Note ${k}: come back with a bigger ship`, mark: ['', 'danger', 'done'][k % 3],
    updated: 1765400000000 + k }));
const file = { format: 'tlmaper-notes', version: 1, world: name, notes };
const notesFile = join(scratch, 'notes.json');
writeFileSync(notesFile, JSON.stringify(file));

async function openWith(browser, kept) {
  const context = await browser.newContext({ viewport: { width: 1100, height: 760 } });
  if (kept) {
    await context.addInitScript(([key, text]) => {
      if (!localStorage.getItem(key)) localStorage.setItem(key, text);
    }, [`tlmaper-notes:${name}`, JSON.stringify(file)]);
  }
  const page = await context.newPage();
  await page.goto(pathToFileURL(pagePath).href);
  await page.waitForSelector('#map[data-state="ready"]', { timeout: 120000 });
  await page.waitForTimeout(1500);  // the idle work after ready
  return { page, context };
}

// Script time of leaving a note's field after typing: the note kept and drawn.
async function saveTime(page) {
  await page.evaluate(() => {
    const i = 12345 % tlmaper.world.islands.count;
    const { x, y } = tlmaper.world.islands;
    tlmaper.map.fire('click', { latlng: tlmaper.worldPoint(x[i], y[i]) });
  });
  await page.waitForSelector('#card:not([hidden]) textarea');
  await page.fill('#card textarea', 'Sunken wreck off the east shore');
  return page.evaluate(() => {
    const field = document.querySelector('#card textarea');
    const start = performance.now();
    field.dispatchEvent(new Event('blur'));
    return performance.now() - start;
  });
}

async function exportTime(page) {
  await page.click('#notes-panel summary');
  const start = Date.now();
  const [download] = await Promise.all([page.waitForEvent('download'), page.click('.notes-export')]);
  const took = Date.now() - start;
  await download.delete();
  return took;
}

async function importTime(page) {
  await page.click('#notes-panel summary');
  const start = Date.now();
  await page.setInputFiles('#notes-panel input[type=file]', notesFile);
  await page.waitForFunction(() => /came in/.test(document.getElementById('notes-status').textContent),
    null, { timeout: 60000 });
  return Date.now() - start;
}

const median = (values) => [...values].sort((a, b) => a - b)[Math.floor(values.length / 2)];
const rounds = { save: [], export: [], import: [] };
try {
  for (let round = 0; round < Number(options.rounds); round++) {
    const browser = await launchBrowser();
    try {
      const kept = await openWith(browser, true);
      rounds.save.push(await saveTime(kept.page));
      rounds.export.push(await exportTime(kept.page));
      await kept.context.close();
      const fresh = await openWith(browser, false);
      rounds.import.push(await importTime(fresh.page));
      await fresh.context.close();
    } finally {
      await browser.close();
    }
    process.stderr.write(`round ${round + 1}: ${JSON.stringify(Object.fromEntries(
      Object.entries(rounds).map(([k, v]) => [k, v.at(-1)])))}\n`);
  }
} finally {
  rmSync(scratch, { recursive: true, force: true });
}
console.log(`| ${notes.length.toLocaleString('en')} notes on ${world.islands.length.toLocaleString('en')} ` +
  'islands | save a note, script ms | export ms | import ms |');
console.log('|---|---|---|---|');
console.log(`| median of ${options.rounds} | ${median(rounds.save).toFixed(1)} | ${median(rounds.export)} | ` +
  `${median(rounds.import)} |`);
