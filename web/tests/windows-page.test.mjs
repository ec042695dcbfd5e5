// The page that the Windows build makes, in the browser: the save lies in a folder with a
// name outside every single-byte code page and is given as a full Windows path, as when
// it is dropped onto the exe. The page must find its map beside it.
//
// Usage: node windows-page.test.mjs   with TLMAPER_BINARY (the exe through wine)
// and TLMAPER_SCRATCH in the environment.
import { test, after } from 'node:test';
import assert from 'node:assert/strict';
import { mkdirSync, writeFileSync } from 'node:fs';
import { join } from 'node:path';
import { gridWorld, saveXml } from './worlds.mjs';
import { freshScratch, launchBrowser, openPage, runTool, scratch } from './page-harness.mjs';

let browser;
after(async () => {
  await browser?.close();
});

test('a save in a non-ASCII folder, given as a drive-letter path, gives a page that loads its map', async () => {
  freshScratch();
  const folder = join(scratch, '世界');
  mkdirSync(folder);
  writeFileSync(join(folder, 'Ærø.xml'), saveXml(gridWorld()));
  runTool(scratch, 'Z:' + join(folder, 'Ærø.xml').replaceAll('/', '\\'));

  browser = await launchBrowser();
  const opened = await openPage(browser, join(folder, 'Ærø.html'));
  try {
    const image = await opened.page.$eval('img.map-image', (img) => img.naturalWidth > 0);
    assert.equal(image, true, 'the map image is shown');
    assert.deepEqual(opened.problems, [], 'errors, or requests that left the machine');
  } finally {
    await opened.close();
  }
});
