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
// and closed after them; the tests read it as `.browser`.
export function browserForTests() {
  const tests = { browser: null };
  before(async () => {
    freshScratch();
    tests.browser = await launchBrowser();
  });
  after(async () => {
    await tests.browser?.close();
  });
  return tests;
}
