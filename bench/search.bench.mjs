// Measures the page's island search in headless Chromium: how long each keystroke takes
// to answer on a generated world (200,000 islands unless asked otherwise): the search's
// own work (finding and listing the results), and the time until the next frame shows
// them (which also waits for any other work the page is doing). Typing starts the moment
// the page is ready, so the first keystrokes also pay for whatever preparation of the
// names is not done yet; then three words are typed again a few seconds later.
//
// Usage: node bench/search.bench.mjs [--binary PATH] [--islands N]
//   --binary   the built tool (default build/src/driver/tlmaper)
import { mkdtempSync, rmSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { dirname, join, resolve } from 'node:path';
import { fileURLToPath } from 'node:url';
import { parseArgs } from 'node:util';

const root = resolve(dirname(fileURLToPath(import.meta.url)), '..');
const { values: options } = parseArgs({
  options: {
    binary: { type: 'string', default: join(root, 'build', 'src', 'driver', 'tlmaper') },
    islands: { type: 'string', default: '200000' },
  },
});
process.env.TLMAPER_BINARY = resolve(options.binary);
process.env.TLMAPER_SCRATCH = mkdtempSync(join(tmpdir(), 'tlmaper-search-bench-'));
const { scratch, makePage, launchBrowser, openPage } = await import('../web/tests/page-harness.mjs');
const { largeWorld } = await import('../web/tests/worlds.mjs');

const Words = ['saltmere island', 'e', 'ébène'];
const PauseSeconds = 5;

// Types each word into the search box one character at a time; gives per keystroke the
// text so far, the milliseconds of the search's work and until the next frame, and the
// number of results listed.
function typeWords(page, words) {
  return page.evaluate(async (list) => {
    const input = document.getElementById('search');
    const nextFrame = () => new Promise((done) => requestAnimationFrame(() => setTimeout(done, 0)));
    const keystrokes = [];
    for (const word of list) {
      for (let length = 1; length <= word.length; length++) {
        const start = performance.now();
        input.value = word.slice(0, length);
        input.dispatchEvent(new Event('input'));
        const answered = performance.now() - start;
        await nextFrame();
        keystrokes.push({
          typed: input.value,
          answered,
          shown: performance.now() - start,
          results: document.querySelectorAll('#search-results [role="option"]').length,
        });
      }
    }
    return keystrokes;
  }, words);
}

function report(title, keystrokes) {
  const summary = (name) => {
    const times = keystrokes.map((k) => k[name]).sort((a, b) => a - b);
    return `median ${times[Math.floor(times.length / 2)].toFixed(1)} ms, ` +
      `slowest ${times.at(-1).toFixed(1)} ms`;
  };
  console.log(`${title}: ${keystrokes.length} keystrokes; search's work ${summary('answered')}; ` +
    `until shown ${summary('shown')}`);
  for (const k of keystrokes) {
    console.log(`  ${JSON.stringify(k.typed).padEnd(20)} ${k.answered.toFixed(1).padStart(7)} ms` +
      ` ${k.shown.toFixed(1).padStart(7)} ms  ${k.results} listed`);
  }
}

const islandCount = Number(options.islands);
const browser = await launchBrowser();
try {
  const pagePath = makePage('world', largeWorld(islandCount), 'world.xml');
  const started = Date.now();
  const { page, problems, close } = await openPage(browser, pagePath, {});
  console.log(`${islandCount} islands: page ready after ${Date.now() - started} ms`);
  report('typed at once', await typeWords(page, Words));
  await page.waitForTimeout(PauseSeconds * 1000);
  report(`typed ${PauseSeconds} s later`, await typeWords(page, Words));
  if (problems.length) console.log('problems:', problems);
  await close();
} finally {
  await browser.close();
  rmSync(scratch, { recursive: true, force: true });
}
