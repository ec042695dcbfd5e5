// The drawn labels against what the page says of them: a screenshot of the map with the
// label layers on and one with them off differ only inside the boxes
// tlmaper.labelsInView() reports, and every reported label wholly in view has drawn
// pixels in its box; on the example at three zooms and at pixel ratios 1 and 2, and on
// a dense world. No label lies under the player's marker.
//
// Usage: node drawn-labels.test.mjs   with TLMAPER_BINARY and TLMAPER_SCRATCH in the
// environment (see page-harness.mjs).
import { test } from 'node:test';
import assert from 'node:assert/strict';
import { browserForTests, makeExamplePage, makePage, openPage } from './page-harness.mjs';
import { uniformWorld } from './worlds.mjs';

const tests = browserForTests();
const LabelLayers = ['Island difficulty', 'Island names', 'Ship difficulty'];
// Everything over the map but the labels and marks stays as it is between the two
// screenshots; the controls (whose switches change) are hidden.
const NoControls = '.leaflet-control-container { visibility: hidden; }';

async function switchLabels(page, on) {
  await page.evaluate(([names, wanted]) => {
    for (const label of document.querySelectorAll('.leaflet-control-layers-overlays label')) {
      const box = label.querySelector('input');
      const name = label.textContent.trim().replace(/ \(.*$/, '');
      if (names.includes(name) && box.checked !== wanted) box.click();
    }
  }, [LabelLayers, on]);
  await page.waitForSelector('#map[data-labels="shown"]');
  // Two frames: the tiles drawn and shown.
  await page.evaluate(() => new Promise((done) =>
    requestAnimationFrame(() => requestAnimationFrame(done))));
}

async function mapShot(page) {
  const box = await page.$eval('#map', (element) => element.getBoundingClientRect().toJSON());
  const png = await page.screenshot({ clip: box });
  return png.toString('base64');
}

// Compares the two screenshots in the page: the differing pixels outside every reported
// box, and the reported labels wholly in view without a differing pixel in their box.
function compareShots([on, off, labels, ratio]) {
  const decode = async (base64) => {
    const bitmap = await createImageBitmap(
      await (await fetch(`data:image/png;base64,${base64}`)).blob());
    const canvas = new OffscreenCanvas(bitmap.width, bitmap.height);
    const context = canvas.getContext('2d');
    context.drawImage(bitmap, 0, 0);
    return context.getImageData(0, 0, bitmap.width, bitmap.height);
  };
  return Promise.all([decode(on), decode(off)]).then(([a, b]) => {
    const { width, height } = a;
    const differs = new Uint8Array(width * height);
    for (let p = 0; p < width * height; p++) {
      const i = p * 4;
      differs[p] = a.data[i] !== b.data[i] || a.data[i + 1] !== b.data[i + 1] ||
                   a.data[i + 2] !== b.data[i + 2] ? 1 : 0;
    }
    const covered = new Uint8Array(width * height);
    const blank = [];
    for (const label of labels) {
      const x0 = Math.max(0, Math.floor(label.left * ratio));
      const y0 = Math.max(0, Math.floor(label.top * ratio));
      const x1 = Math.min(width, Math.ceil(label.right * ratio));
      const y1 = Math.min(height, Math.ceil(label.bottom * ratio));
      let drawn = 0;
      for (let y = y0; y < y1; y++) {
        for (let x = x0; x < x1; x++) {
          covered[y * width + x] = 1;
          drawn += differs[y * width + x];
        }
      }
      const whole = label.left >= 0 && label.top >= 0 &&
                    label.right * ratio <= width && label.bottom * ratio <= height;
      if (whole && drawn === 0) blank.push(`${label.kind} ${label.index} "${label.text}"`);
    }
    let outside = 0, changed = 0;
    for (let p = 0; p < width * height; p++) {
      changed += differs[p];
      if (differs[p] && !covered[p]) outside++;
    }
    return { outside, changed, blank };
  });
}

// Checks the labels of the view shown against the pixels and the player's marker.
async function checkView(page, what, ratio) {
  await switchLabels(page, true);
  const labels = await page.evaluate(() => tlmaper.labelsInView());
  const on = await mapShot(page);
  await switchLabels(page, false);
  assert.deepEqual(await page.evaluate(() => tlmaper.labelsInView()), [], `${what}: labels off`);
  const off = await mapShot(page);
  await switchLabels(page, true);
  const seen = await page.evaluate(compareShots, [on, off, labels, ratio]);
  assert.ok(labels.length > 0, `${what}: labels in view`);
  assert.ok(seen.changed > 0, `${what}: the labels change the picture`);
  assert.equal(seen.outside, 0, `${what}: pixels drawn outside every reported box`);
  assert.deepEqual(seen.blank, [], `${what}: reported labels without a drawn pixel`);

  const player = await page.evaluate(() => {
    const area = document.getElementById('map').getBoundingClientRect();
    const marker = document.querySelector('.player-marker').getBoundingClientRect();
    return [marker.left - area.left, marker.top - area.top,
      marker.right - area.left, marker.bottom - area.top];
  });
  for (const label of labels) {
    const apart = label.right <= player[0] || player[2] <= label.left ||
                  label.bottom <= player[1] || player[3] <= label.top;
    assert.ok(apart, `${what}: ${label.kind} "${label.text}" under the player's marker`);
  }
  return labels;
}

for (const ratio of [1, 2]) {
  test(`the example's labels are where the page says, at pixel ratio ${ratio}`, async () => {
    const { page, problems, close } = await openPage(tests.browser, makeExamplePage(`example-${ratio}`),
      { contextOptions: { deviceScaleFactor: ratio } });
    try {
      await page.addStyleTag({ content: NoControls });
      const firstZoom = await page.evaluate(() => map.getZoom());
      for (const step of [0, 1, 2]) {
        await page.evaluate((z) => map.setZoom(z, { animate: false }), firstZoom + step);
        await checkView(page, `zoom ${firstZoom + step}`, ratio);
      }
      assert.deepEqual(problems, []);
    } finally {
      await close();
    }
  });
}

test('a dense world\'s labels are where the page says', async () => {
  const world = uniformWorld(3000, 300, 2000);
  world.player = { x: 1000, y: 1000, worldName: 'Dense' };
  const { page, problems, close } = await openPage(tests.browser,
    makePage('dense', world, 'dense.xml'), { viewport: { width: 1280, height: 900 } });
  try {
    await page.addStyleTag({ content: NoControls });
    const labels = await checkView(page, 'first view', 1);
    assert.ok(labels.length > 700, `${labels.length} labels`);
    assert.deepEqual(problems, []);
  } finally {
    await close();
  }
});
