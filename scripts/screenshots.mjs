// Takes the README's pictures of the page: docs/map.png (the bundled example),
// docs/large-world.png (a generated world of 20,000 islands, with the search in use) and
// docs/difficulty-colours.png (a generated world of 200,000 islands, its islands tinted
// by difficulty) and docs/ask-the-map.png (the 20,000 islands filtered, the nearest list
// open and the card of a clicked island) and docs/voyage.png (a voyage planned through
// the example's islands, its panel open, in the light scheme) and docs/live-path.png (the
// live map after a few saves of the example: the path sailed, and what the last save
// changed; TLMAPER_SCHEME=light takes it in the light scheme).
//
// Usage: node scripts/screenshots.mjs [path of the built tool]   (default build/src/driver/tlmaper)
import { copyFileSync, mkdirSync, mkdtempSync, readFileSync, rmSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { dirname, join, resolve } from 'node:path';
import { fileURLToPath } from 'node:url';

const root = resolve(dirname(fileURLToPath(import.meta.url)), '..');
process.env.TLMAPER_BINARY = resolve(process.argv[2] ?? join(root, 'build/src/driver/tlmaper'));
process.env.TLMAPER_SCRATCH = mkdtempSync(join(tmpdir(), 'tlmaper-screenshots-'));
const { scratch, makePage, makeExamplePage, launchBrowser, openPage } =
  await import('../web/tests/page-harness.mjs');
const { largeWorld } = await import('../web/tests/worlds.mjs');
const { openLivePageIn, replaceSave, startLive, stopLive } = await import('../web/tests/live-harness.mjs');

// Islands of difficulty 5 to 8 not yet explored, around the player: the card of the
// nearest and the nearest list.
async function askTheMap(browser, path) {
  const asked = await openPage(browser, makePage('asked', largeWorld(20000), 'archipelago.xml'),
    { hash: '#z=1&x=660&y=540&difficulty=5-8&unexplored=1', contextOptions: { colorScheme: 'dark' } });
  await asked.page.click('#nearest-panel summary');
  await asked.page.click('#nearest-list li:first-child button');
  await asked.page.evaluate(() => tlmaper.map.setZoom(1, { animate: false }));
  await asked.page.click('#nearest-panel summary');
  await asked.page.waitForTimeout(600);
  await asked.page.screenshot({ path });
  await asked.close();
}

// A round trip through a dozen of the example's islands, in the shortest order.
async function planAVoyage(browser, path) {
  const voyage = await openPage(browser, makeExamplePage('voyage'), {
    hash: '#z=1.5&x=190&y=110&voyage=151,37~169,42~189,80~296,82~226,111~224,144~149,187~' +
      '43,199~34,162~35,151~51,73~41,34&home=1',
    viewport: { width: 1280, height: 900 }, contextOptions: { colorScheme: 'light' },
  });
  await voyage.page.click('#voyage-panel summary');
  await voyage.page.click('.voyage-plan');
  await voyage.page.waitForFunction(() =>
    /Shortest order/.test(document.getElementById('voyage-status').textContent));
  await voyage.page.waitForTimeout(400);
  await voyage.page.screenshot({ path });
  await voyage.close();
}

// The example followed live through a few saves: the player sails east, and the last
// save explores Stormcrag and Gannet Rock and makes Brinewatch a town.
async function sailLive(browser, path) {
  const directory = join(scratch, 'live');
  mkdirSync(directory, { recursive: true });
  const example = readFileSync(join(root, 'examples/saltmere.xml'), 'utf8');
  copyFileSync(join(root, 'examples/saltmere.xml'), join(directory, 'world.xml'));
  const at = (text, x, y) => text.replace(/<PlayerData X="\d+" Y="\d+"/, `<PlayerData X="${x}" Y="${y}"`);
  const live = await startLive(directory, 'world.xml');
  const { page, context } = await openLivePageIn(browser, live, '#z=1.5&x=200&y=100');
  await page.emulateMedia({ colorScheme: process.env.TLMAPER_SCHEME ?? 'dark' });
  const course = [[140, 101], [166, 104], [196, 96], [226, 93], [250, 97], [280, 87]];
  for (const [k, [x, y]] of course.entries()) {
    let text = at(example, x, y);
    if (k === course.length - 1) {
      text = text.replace(/(Stormcrag[^>]*Explored=")False/, '$1True')
        .replace(/(Gannet Rock[^>]*Explored=")False/, '$1True')
        .replace(/(Brinewatch[^>]*IslandType=")Wild/, '$1Town');
    }
    replaceSave(directory, text);
    await page.waitForFunction((px) => tlmaper.world.player.x === px &&
      document.getElementById('map').dataset.live === 'current', x, { timeout: 20000 });
  }
  await page.waitForFunction((n) => tlmaper.trail().length === n, course.length + 1);
  await page.waitForTimeout(600);
  await page.screenshot({ path });
  await context.close();
  await stopLive(live);
}

const browser = await launchBrowser();
try {
  // One picture in each colour scheme the panels follow.
  const example = await openPage(browser, makeExamplePage(),
    { contextOptions: { colorScheme: 'dark' } });
  await example.page.screenshot({ path: join(root, 'docs/map.png') });
  await example.close();

  const large = await openPage(browser, makePage('large', largeWorld(20000), 'archipelago.xml'),
    { hash: '#z=3&x=640&y=560', contextOptions: { colorScheme: 'light' } });
  await large.page.fill('#search', 'saltm');
  await large.page.keyboard.press('ArrowDown');
  await large.page.waitForTimeout(300);
  await large.page.screenshot({ path: join(root, 'docs/large-world.png') });
  await large.close();

  const tinted = await openPage(browser, makePage('tinted', largeWorld(200000), 'archipelago.xml'),
    { hash: '#z=-2&x=1000&y=1000', contextOptions: { colorScheme: 'dark' } });
  await tinted.page.getByRole('checkbox', { name: /^Difficulty colours \(/ }).check();
  // The colours say what the numbers would; the names would hide them at this zoom.
  for (const layer of ['Island difficulty', 'Island names', 'Ship difficulty']) {
    await tinted.page.getByRole('checkbox', { name: new RegExp(`^${layer} \\(`) }).uncheck();
  }
  await tinted.page.waitForTimeout(600);
  await tinted.page.screenshot({ path: join(root, 'docs/difficulty-colours.png') });
  await tinted.close();
  await askTheMap(browser, join(root, 'docs/ask-the-map.png'));
  await planAVoyage(browser, join(root, 'docs/voyage.png'));
  await sailLive(browser, join(root, 'docs/live-path.png'));
  console.log('wrote docs/map.png, docs/large-world.png, docs/difficulty-colours.png, ' +
              'docs/ask-the-map.png, docs/voyage.png and docs/live-path.png');
} finally {
  await browser.close();
  rmSync(scratch, { recursive: true, force: true });
}
