// What the browser tests share: the built tool making pages in a scratch directory, and
// headless Chromium opening them straight from disk with every request that is not for a
// local file refused and reported, so a page that reaches for the network fails its test.
//
// The tests run with TLMAPER_BINARY (the built tool) and TLMAPER_SCRATCH (a directory the
// test file may empty and fill) in the environment.
import assert from 'node:assert/strict';
import { execFileSync } from 'node:child_process';
import { copyFileSync, mkdirSync, rmSync, writeFileSync } from 'node:fs';
import { dirname, join, resolve } from 'node:path';
import { fileURLToPath, pathToFileURL } from 'node:url';
import { after, before } from 'node:test';
import { chromium } from 'playwright-core';
import { saveXml } from './worlds.mjs';

// The page's folder (web/), with its node_modules; this harness lives in web/tests/.
export const webDirectory = resolve(dirname(fileURLToPath(import.meta.url)), '..');
export const binary = resolve(requiredEnvironment('TLMAPER_BINARY'));
export const scratch = requiredEnvironment('TLMAPER_SCRATCH');

function requiredEnvironment(name) {
  const value = process.env[name];
  if (!value) throw new Error(`${name} must be set`);
  return value;
}

// Empties the scratch directory; call once before the tests of a file.
export function freshScratch() {
  rmSync(scratch, { recursive: true, force: true });
  mkdirSync(scratch, { recursive: true });
}

// Runs the tool on a save in `directory` and expects a clean run.
export function runTool(directory, saveArgument) {
  const output = execFileSync(binary, [saveArgument], { cwd: directory, encoding: 'utf8' });
  assert.equal(output, '', `the tool printed for ${saveArgument}`);
}

// Writes `world` as a save at `scratch/name/saveArgument`, runs the tool there and gives
// the path of the page.
export function makePage(name, world, saveArgument) {
  const directory = join(scratch, name);
  mkdirSync(dirname(join(directory, saveArgument)), { recursive: true });
  writeFileSync(join(directory, saveArgument), saveXml(world));
  runTool(directory, saveArgument);
  return join(directory, saveArgument.replace(/\.xml$/, '.html'));
}

// The page of the bundled example save, made in `scratch/name`.
export function makeExamplePage(name = 'example') {
  const directory = join(scratch, name);
  mkdirSync(directory, { recursive: true });
  copyFileSync(join(webDirectory, '..', 'examples', 'saltmere.xml'),
    join(directory, 'saltmere.xml'));
  runTool(directory, 'saltmere.xml');
  return join(directory, 'saltmere.html');
}

export function launchBrowser() {
  return chromium.launch({
    executablePath: '/usr/bin/chromium',
    headless: true,
    args: ['--headless', '--no-sandbox', '--disable-gpu', '--no-first-run',
      '--disable-background-networking', '--disable-component-update', '--disable-sync'],
  });
}

// Refuses every request that is not for a local file (or data the page holds itself)
// and notes it in `problems`.
async function refuseNetwork(context, problems) {
  await context.route(() => true, (route) => {
    const url = route.request().url();
    if (url.startsWith('file:') || url.startsWith('data:') || url.startsWith('blob:')) {
      return route.continue();
    }
    problems.push(`network request: ${url}`);
    return route.abort();
  });
}

// Opens the page from disk (with `hash` after its address, if given) and waits until
// `#map` reaches `state`, for `timeout` milliseconds at most. `problems` gathers console
// errors, page errors, refused and failed requests; a clean page leaves it empty.
export async function openPage(browser, pagePath, {
  hash = '', viewport = { width: 1100, height: 760 }, state = 'ready', contextOptions = {},
  timeout = 20000,
} = {}) {
  const context = await browser.newContext({ viewport, ...contextOptions });
  const problems = [];
  await refuseNetwork(context, problems);
  const page = await context.newPage();
  page.on('console', (message) => {
    if (message.type() === 'error') problems.push(`console: ${message.text()}`);
  });
  page.on('pageerror', (error) => problems.push(`page error: ${error.message}`));
  page.on('requestfailed', (request) => problems.push(`failed: ${request.url()}`));
  await page.goto(pathToFileURL(pagePath).href + hash);
  await page.waitForSelector(`#map[data-state="${state}"]`, { timeout });
  return { page, problems, context, close: () => context.close() };
}

// One browser for the tests of a file, launched in a fresh scratch directory before them
// and closed after them; the tests read it as `.browser`, and open pages in it with
// `.withPage`.
export function browserForTests() {
  const tests = { browser: null };
  // Opens a page in that browser, runs check(page), and expects no problems of the page.
  tests.withPage = async (pagePath, options, check) => {
    const opened = await openPage(tests.browser, pagePath, options);
    try {
      await check(opened.page);
      assert.deepEqual(opened.problems, [], 'errors, or requests that left the machine');
    } finally {
      await opened.close();
    }
  };
  before(async () => {
    freshScratch();
    tests.browser = await launchBrowser();
  });
  after(async () => {
    await tests.browser?.close();
  });
  return tests;
}

// Reads PNG screenshots (in base 64) in the page: gives the colours ([red, green, blue])
// of the first at `points` ({ x, y }), or with a `box`, how many of its pixels differ
// between the first two and how many it has.
export function readShots(page, shots, { points, box }) {
  return page.evaluate(async ([pngs, at, area]) => {
    const decoded = await Promise.all(pngs.map(async (png) => {
      const image = new Image();
      image.src = `data:image/png;base64,${png}`;
      await image.decode();
      const canvas = document.createElement('canvas');
      canvas.width = image.width;
      canvas.height = image.height;
      const context = canvas.getContext('2d');
      context.drawImage(image, 0, 0);
      return context;
    }));
    if (at) {
      return at.map(({ x, y }) =>
        [...decoded[0].getImageData(Math.floor(x), Math.floor(y), 1, 1).data.slice(0, 3)]);
    }
    const { left, top, width, height } = area;
    const [first, second] = decoded.map((context) => context.getImageData(left, top, width, height).data);
    let differing = 0;
    for (let i = 0; i < first.length; i += 4) {
      if ([0, 1, 2].some((c) => Math.abs(first[i + c] - second[i + c]) > 8)) differing++;
    }
    return { differing, total: width * height };
  }, [shots, points ?? null, box ?? null]);
}

// The serious and critical findings of axe-core on `page` as it is now, each as
// "rule: the elements".
export async function seriousAxeViolations(page) {
  await page.addScriptTag({ path: join(webDirectory, 'node_modules/axe-core/axe.min.js') });
  return page.evaluate(async () => {
    const results = await axe.run(document);
    return results.violations
      .filter((violation) => ['serious', 'critical'].includes(violation.impact))
      .map((violation) => `${violation.id}: ${violation.nodes.map((n) => n.target).join(' ')}`);
  });
}
