// The labels a player reads, in a 1280 x 900 window: how many island difficulties,
// names and ship difficulties show on the bundled example and on worlds of the page
// benchmark's generator, that no two labels overlap and no name hides an island at the
// first view and three zoom steps in, and that zooming in keeps every label in its
// place. Also: a name full of tabs costs no more to measure than one of letters.
//
// Usage: node label-layout.test.mjs   with TLMAPER_BINARY and TLMAPER_SCRATCH in the
// environment (see page-harness.mjs).
import { test } from 'node:test';
import assert from 'node:assert/strict';
import { mkdirSync, readFileSync, writeFileSync } from 'node:fs';
import { join } from 'node:path';
import {
  browserForTests, scratch, webDirectory, makePage, makeExamplePage, runTool, openPage,
} from './page-harness.mjs';
import { readSaveRecords, surveyLabels } from './label-survey.mjs';
import { saveXml, uniformWorld } from './worlds.mjs';

const Viewport = { width: 1280, height: 900 };
const ZoomSteps = 3;

const tests = browserForTests();

async function setZoom(page, zoom) {
  await page.evaluate((z) => map.setZoom(z, { animate: false }), zoom);
  await page.waitForSelector('#map[data-labels="shown"]', { timeout: 5000 });
}

// Every label shown at one zoom whose anchor stays well inside the view at the next
// shows there too, with the same text at the same world position (within the rounding
// of marker positions to whole screen pixels at the coarser zoom).
function assertKept(earlier, later, what) {
  const { area } = later;
  const inside = (label) => {
    const x = later.origin[0] + (2 * label.worldX + 0.5) * later.pixel;
    const y = later.origin[1] + (2 * label.worldY + 0.5) * later.pixel;
    return x > area[0] + 40 && x < area[2] - 40 && y > area[1] + 40 && y < area[3] - 40;
  };
  const near = 1.2 / (2 * earlier.pixel) + 0.3;
  for (const label of earlier.labels.filter(inside)) {
    const again = later.labels.find((other) => other.name === label.name &&
      other.text === label.text && Math.abs(other.worldX - label.worldX) <= near &&
      Math.abs(other.worldY - label.worldY) <= near);
    assert.ok(again, `${what}: "${label.text}" at ${label.worldX.toFixed(1)}, ` +
      `${label.worldY.toFixed(1)} vanished or moved`);
  }
}

// Opens the page at the first view and at each of three zoom steps in; checks that no
// labels overlap, no name hides an island and zooming in keeps every label; gives the
// survey of each view, the first view's first.
async function surveyZoomingIn(pagePath, records, what) {
  const { page, problems, close } = await openPage(tests.browser, pagePath, { viewport: Viewport });
  try {
    const firstZoom = await page.evaluate(() => map.getZoom());
    const surveys = [];
    for (let step = 0; step <= ZoomSteps; step++) {
      if (step > 0) await setZoom(page, firstZoom + step);
      const survey = await surveyLabels(page, records);
      const where = `${what}, zoom ${firstZoom + step}`;
      assert.deepEqual(survey.overlaps, [], `${where}: overlapping labels`);
      assert.deepEqual(survey.hidden, [], `${where}: islands hidden under names`);
      if (step > 0) assertKept(surveys[step - 1], survey, where);
      surveys.push(survey);
    }
    assert.deepEqual(problems, []);
    return surveys;
  } finally {
    await close();
  }
}

test('the example shows every difficulty and nearly every name at once, and all one step in',
  async () => {
    const records = readSaveRecords(
      readFileSync(join(webDirectory, '..', 'examples', 'saltmere.xml'), 'utf8'));
    const [first, closer] = await surveyZoomingIn(makeExamplePage(), records, 'the example');
    assert.equal(first.islandsInView, 34);
    assert.equal(first.islandDifficulties, 34, 'island difficulties at the first view');
    assert.ok(first.names >= 32, `${first.names} of 34 names at the first view`);
    assert.ok(first.shipDifficulties >= 10, `${first.shipDifficulties} of 12 ships at the first view`);
    assert.deepEqual(
      [closer.islandDifficulties, closer.names, closer.shipDifficulties],
      [closer.islandsInView, closer.islandsInView, closer.shipsInView], 'one step in');
  });

// Islands spread evenly over 2000 x 2000 world units: at the first view the world is
// about 500 pixels wide.
for (const [islands, least] of [
  [300, { islandDifficulties: 200, names: 110 }],
  [3000, { islandDifficulties: 600 }],
]) {
  test(`${islands} generated islands: enough labels at the first view, and sound ones`, async () => {
    const directory = join(scratch, `generated-${islands}`);
    mkdirSync(directory, { recursive: true });
    const records = uniformWorld(islands, islands / 10, 2000);
    writeFileSync(join(directory, 'world.xml'), saveXml(records));
    runTool(directory, 'world.xml');
    const [first] = await surveyZoomingIn(join(directory, 'world.html'), records,
      `${islands} islands`);
    assert.equal(first.islandsInView, islands);
    for (const [what, count] of Object.entries(least)) {
      assert.ok(first[what] >= count, `${first[what]} ${what} at the first view`);
    }
  });
}

test('a name full of tabs costs no more to measure than one of letters', async () => {
  // Two megabytes of "a" and a tab; laid out in the document to measure it, this took
  // half a minute.
  const island = (name, x) => ({ name, x, y: 20, difficulty: 3, town: false, explored: false });
  const world = {
    player: { x: 0, y: 0, worldName: 'Tabs' },
    islands: [island('a\t'.repeat(1 << 20), 10), island('Plain', 60)],
    ships: [],
  };
  const { page, problems, close } =
    await openPage(tests.browser, makePage('tabs', world, 'tabs.xml'), { timeout: 10000 });
  try {
    // The tabs fold into spaces, on one line.
    const height = await page.evaluate(() => {
      const label = [...document.querySelectorAll('.islandname')]
        .find((element) => element.textContent.startsWith('a\t'));
      return label?.getBoundingClientRect().height;
    });
    if (height !== undefined) assert.ok(height < 20, `the name is ${height} pixels high`);
    assert.deepEqual(problems, []);
  } finally {
    await close();
  }
});
