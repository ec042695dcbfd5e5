// Takes the README's pictures of the page: docs/map.png (the bundled example),
// docs/large-world.png (a generated world of 20,000 islands, with the search in use) and
// docs/difficulty-colours.png (a generated world of 200,000 islands, its islands tinted
// by difficulty).
//
// Usage: node scripts/screenshots.mjs [path of the built tool]   (default build/src/driver/tlmaper)
import { mkdtempSync, rmSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { dirname, join, resolve } from 'node:path';
import { fileURLToPath } from 'node:url';

const root = resolve(dirname(fileURLToPath(import.meta.url)), '..');
process.env.TLMAPER_BINARY = resolve(process.argv[2] ?? join(root, 'build/src/driver/tlmaper'));
process.env.TLMAPER_SCRATCH = mkdtempSync(join(tmpdir(), 'tlmaper-screenshots-'));
const { scratch, makePage, makeExamplePage, launchBrowser, openPage } =
  await import('../web/tests/page-harness.mjs');
const { largeWorld } = await import('../web/tests/worlds.mjs');

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
  console.log('wrote docs/map.png, docs/large-world.png and docs/difficulty-colours.png');
} finally {
  await browser.close();
  rmSync(scratch, { recursive: true, force: true });
}
