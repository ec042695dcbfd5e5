// Measures "Save picture" in headless Chromium: for each world, with the map element of
// the given size (the window made larger by the bar above it) and at the pixel ratio,
// the time from a press of the button until the browser reports the download; in the
// page, the time tlmaper.picture.save() takes (compose, encode, start the download),
// and apart, the time to compose the view on a canvas and to encode it as a PNG (as the
// page does). The page is opened from disk with its bitmap, so the drawn map stands in
// for it; labels on, and with +colours the difficulty colours too. Each figure is the
// median of several pictures of the same view.
//
// Usage: node bench/picture.bench.mjs [--binary PATH] [--only example,3000,200000+colours]
//          [--view 1280x900] [--ratio 2] [--rounds 5]
// Works in a scratch directory that it removes.
import { mkdirSync, mkdtempSync, rmSync, writeFileSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { dirname, join, resolve } from 'node:path';
import { fileURLToPath } from 'node:url';
import { parseArgs } from 'node:util';

const root = resolve(dirname(fileURLToPath(import.meta.url)), '..');
const { values: options } = parseArgs({
  options: {
    binary: { type: 'string', default: join(root, 'build', 'src', 'driver', 'tlmaper') },
    only: { type: 'string', default: 'example,3000,200000+colours' },
    view: { type: 'string', default: '1280x900' },
    ratio: { type: 'string', default: '2' },
    rounds: { type: 'string', default: '5' },
  },
});
process.env.TLMAPER_BINARY = resolve(options.binary);
process.env.TLMAPER_SCRATCH = mkdtempSync(join(tmpdir(), 'picture-bench-'));
const { launchBrowser, makeExamplePage, openPage, runTool, scratch } =
  await import('../web/tests/page-harness.mjs');
const { saveXml, uniformWorld } = await import('../web/tests/worlds.mjs');

const [width, height] = options.view.split('x').map(Number);
const ratio = Number(options.ratio);
const rounds = Number(options.rounds);
const median = (values) => [...values].sort((a, b) => a - b)[Math.floor(values.length / 2)];

// The page of a world named in --only: "example", or ISLANDS (with a tenth as many
// ships, on 2,000 x 2,000 units), either with "+colours".
function pageOf(entry) {
  const [name] = entry.split('+');
  if (name === 'example') return makeExamplePage();
  const islands = Number(name);
  const directory = join(scratch, name);
  mkdirSync(directory, { recursive: true });
  writeFileSync(join(directory, 'world.xml'),
    saveXml(uniformWorld(islands, Math.floor(islands / 10), 2000)));
  runTool(directory, 'world.xml');
  return join(directory, 'world.html');
}

const browser = await launchBrowser();
try {
  console.log(`${width} x ${height} at pixel ratio ${ratio}, medians of ${rounds}`);
  console.log('| world | press to download ms | save() ms | compose ms | encode ms | ' +
    'picture | PNG |');
  console.log('|---|---|---|---|---|---|---|');
  for (const entry of options.only.split(',')) {
    const { page, close } = await openPage(browser, pageOf(entry), {
      viewport: { width, height }, contextOptions: { deviceScaleFactor: ratio }, timeout: 120000,
    });
    try {
      // The window grows by what lies above and beside the map, the bar above it given a
      // whole number of pixels.
      await page.addStyleTag({ content: '#top { height: 40px; box-sizing: border-box; }' });
      const map = await page.$eval('#map', (element) => element.getBoundingClientRect().toJSON());
      await page.setViewportSize({
        width: Math.round(2 * width - map.width), height: Math.round(2 * height - map.height),
      });
      if (entry.endsWith('+colours')) {
        await page.getByRole('checkbox', { name: /^Difficulty colours \(/ }).check();
      }
      await page.waitForTimeout(1000);
      const pressed = [], saved = [], composed = [], encoded = [];
      let picture = null;
      for (let round = 0; round < rounds; round++) {
        // The button pressed in the page, until the browser reports the download.
        const start = Date.now();
        const press = () =>
          document.querySelector('button[aria-label="Save picture"]').click();
        const [download] = await Promise.all([page.waitForEvent('download'), page.evaluate(press)]);
        pressed.push(Date.now() - start);
        await download.path();
        await page.waitForFunction(() =>
          !document.querySelector('button[aria-label="Save picture"]').hasAttribute('aria-busy'));
        const parts = await page.evaluate(async () => {
          const t0 = performance.now();
          await tlmaper.picture.save();
          const t1 = performance.now();
          const canvas = await tlmaper.picture.canvas();
          const t2 = performance.now();
          // Encoded as the page does, at once.
          const png = canvas.toDataURL('image/png');
          return {
            save: t1 - t0, compose: t2 - t1, encode: performance.now() - t2,
            size: [canvas.width, canvas.height], bytes: (png.length - 22) * 0.75,
          };
        });
        saved.push(parts.save);
        composed.push(parts.compose);
        encoded.push(parts.encode);
        picture = parts;
      }
      const ms = (values) => median(values).toFixed(0);
      console.log(`| ${entry} | ${ms(pressed)} | ${ms(saved)} | ${ms(composed)} | ` +
        `${ms(encoded)} | ${picture.size.join(' x ')} | ${(picture.bytes / 1e6).toFixed(2)} MB |`);
    } finally {
      await close();
    }
  }
} finally {
  await browser.close();
  rmSync(process.env.TLMAPER_SCRATCH, { recursive: true, force: true });
}
