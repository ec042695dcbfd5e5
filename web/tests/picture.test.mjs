// "Save picture" in headless Chromium, on pages opened from disk: the picture against a
// screenshot of the map with everything over it hidden, pixel by pixel, at pixel ratios
// 1 and 2, over the bitmap (which the page may not read back from disk, so the drawn map
// stands in for it), with labels, the difficulty colours, the selection ring and a layer
// of canvas tiles in a pane of its own, in light and dark mode, also when asked for
// mid-zoom; the downloaded file's name and size; the button from the keyboard, busy
// while it works, and a failure said in its status line. The file names in node alone.
//
// Usage: node picture.test.mjs   with TLMAPER_BINARY and TLMAPER_SCRATCH in the
// environment (see page-harness.mjs).
import { test } from 'node:test';
import assert from 'node:assert/strict';
import { readFileSync } from 'node:fs';
import { pictureFileName } from '../src/picture/file-name.js';
import { browserForTests, makeExamplePage } from './page-harness.mjs';

const tests = browserForTests();
const Viewport = { width: 1280, height: 900 };
// What is not the map is hidden from the screenshots; the top bar is given a whole
// number of pixels, so the map's pixels lie on the screen's.
const MapOnly = '.leaflet-control-container, #card { visibility: hidden; } ' +
  '#top { height: 40px; box-sizing: border-box; overflow: hidden; }';
// A channel differing by more than this counts as a differing pixel; this many pixels
// per CSS pixel may differ (the soft edges of the selection ring's corners, and the
// edges of squares smaller than a CSS pixel, which the browser samples a little
// differently): under 0.01 % of the map, and less than a missing player's dot.
const Tolerance = 8;
const DifferingPixels = 100;

let examplePage = null;
const theExample = () => (examplePage ??= makeExamplePage());

const opened = (ratio, { hash = '', colorScheme = 'light' } = {}) => ({
  hash, viewport: Viewport, contextOptions: { deviceScaleFactor: ratio, colorScheme },
});

// Turns on "Difficulty colours", opens the card of the island nearest the centre (so
// its ring shows) and adds a layer of canvas tiles at the screen's pixel ratio in a pane
// of its own, half transparent, over the map and under the labels.
async function dressTheMap(page) {
  await page.getByRole('checkbox', { name: /^Difficulty colours \(/ }).check();
  const island = await page.evaluate(() => {
    const { islands } = tlmaper.world;
    const centre = tlmaper.worldPosition(tlmaper.map.getCenter());
    let best = 0;
    const away = (i) => Math.hypot(islands.x[i] - centre.x, islands.y[i] - centre.y);
    for (let i = 1; i < islands.count; i++) if (away(i) < away(best)) best = i;
    const point = tlmaper.map.latLngToContainerPoint(
      tlmaper.worldPoint(islands.x[best], islands.y[best]));
    const area = document.getElementById('map').getBoundingClientRect();
    return { x: area.left + point.x, y: area.top + point.y };
  });
  await page.mouse.click(island.x, island.y);
  await page.waitForSelector('.selection-ring');
  await page.evaluate(() => {
    const pane = tlmaper.map.createPane('picturedPane');
    pane.style.zIndex = 500;
    const Lines = L.GridLayer.extend({
      createTile(coords) {
        const ratio = window.devicePixelRatio;
        const tile = document.createElement('canvas');
        tile.width = tile.height = 256 * ratio;
        const context = tile.getContext('2d');
        context.scale(ratio, ratio);
        context.strokeStyle = '#ff8800';
        context.lineWidth = 3;
        context.beginPath();
        context.moveTo(0, 40 + coords.x * 7);
        context.lineTo(256, 200 - coords.y * 5);
        context.stroke();
        return tile;
      },
    });
    new Lines({ pane: 'picturedPane', opacity: 0.5 }).addTo(tlmaper.map);
  });
}

// The picture's pixels against a screenshot's where the map lies: how many differ by more
// than the tolerance, the largest difference, and the picture (a data: address).
async function pictureAgainstScreen(page, picture) {
  const shot = (await page.screenshot()).toString('base64');
  return page.evaluate(async ([pictureAddress, png, tolerance]) => {
    const pixels = async (address) => {
      const image = new Image();
      image.src = address;
      await image.decode();
      const canvas = new OffscreenCanvas(image.width, image.height);
      const context = canvas.getContext('2d');
      context.drawImage(image, 0, 0);
      return context.getImageData(0, 0, image.width, image.height);
    };
    const [mine, screen] =
      await Promise.all([pictureAddress, `data:image/png;base64,${png}`].map(pixels));
    const area = document.getElementById('map').getBoundingClientRect();
    const ratio = window.devicePixelRatio;
    const left = Math.round(area.left * ratio), top = Math.round(area.top * ratio);
    let differing = 0, largest = 0;
    for (let y = 0; y < mine.height; y++) {
      for (let x = 0; x < mine.width; x++) {
        const a = (y * mine.width + x) * 4, b = ((top + y) * screen.width + left + x) * 4;
        let most = 0;
        for (let c = 0; c < 3; c++) {
          most = Math.max(most, Math.abs(mine.data[a + c] - screen.data[b + c]));
        }
        if (most > tolerance) differing++;
        largest = Math.max(largest, most);
      }
    }
    return {
      size: [mine.width, mine.height],
      expected: [Math.round(area.width * ratio), Math.round(area.height * ratio)],
      differing, total: mine.width * mine.height, largest,
    };
  }, [picture, shot, Tolerance]);
}

// The picture of the view, once the map rests, as a data: address (which a canvas that
// took in the bitmap from disk could not give).
const takePicture = (page) =>
  page.evaluate(async () => (await tlmaper.picture.canvas()).toDataURL());

// What must show for the comparison to mean something: the bitmap (not the drawn map),
// labels, the colours and the ring.
async function assertDressed(page, what) {
  const shown = await page.evaluate(() => ({
    bitmap: document.querySelector('img.map-image')?.complete === true && !tlmaper.drawsMap(),
    labels: tlmaper.labelsInView().length,
    colours: document.querySelectorAll('.difficulty-colours canvas').length > 0,
    ring: document.querySelectorAll('.selection-ring').length,
  }));
  assert.ok(shown.bitmap && shown.labels > 10 && shown.colours && shown.ring === 1,
    `${what}: ${JSON.stringify(shown)}`);
}

test('the picture is the map as the screen shows it, without what lies over the map',
  async (t) => {
    // The first view (zoom 1), and zoom -1, where a bitmap pixel is smaller than a CSS
    // pixel but not than a device pixel at ratio 2.
    const cases = [
      { ratio: 1 }, { ratio: 2 }, { ratio: 2, colorScheme: 'dark' },
      { ratio: 1, hash: '#z=-1&x=150&y=90' }, { ratio: 2, hash: '#z=-1&x=150&y=90' },
    ];
    const pictures = {};
    for (const { ratio, hash = '', colorScheme = 'light' } of cases) {
      const what = `ratio ${ratio}, ${colorScheme}${hash ? `, ${hash}` : ''}`;
      await tests.withPage(theExample(), opened(ratio, { hash, colorScheme }), async (page) => {
        await dressTheMap(page);
        await page.addStyleTag({ content: MapOnly });
        const picture = await takePicture(page);
        await assertDressed(page, what);
        const seen = await pictureAgainstScreen(page, picture);
        t.diagnostic(`${what}: ${seen.differing} of ${seen.total} pixels differ by more than ` +
          `${Tolerance}, at most by ${seen.largest}`);
        assert.deepEqual(seen.size, seen.expected, `${what}: the picture's size`);
        assert.ok(seen.differing <= DifferingPixels * ratio ** 2,
          `${what}: ${seen.differing} pixels differ`);
        pictures[`${ratio} ${hash} ${colorScheme}`] = picture;
      });
    }
    assert.equal(pictures['2  dark'], pictures['2  light'], 'dark mode changes the picture');
  });

test('a picture asked for mid-zoom, or while the labels settle, waits for the map to rest',
  async () => {
    await tests.withPage(theExample(), opened(1), async (page) => {
      await page.addStyleTag({ content: MapOnly });
      const zoom = await page.evaluate(() => tlmaper.map.getZoom());
      const devTools = await page.context().newCDPSession(page);
      // An animated zoom step; then two steps in quick succession, which hold the labels
      // back until the zoom rests.
      for (const [step, expectedZoom] of [['animated', zoom + 1], ['fast', zoom - 1]]) {
        // A slow machine, on which a zoom's transitions may outlast the zoom's end.
        if (step === 'animated') await devTools.send('Emulation.setCPUThrottlingRate', { rate: 6 });
        const taken = await page.evaluate(async (how) => {
          const { map } = tlmaper;
          if (how === 'animated') {
            map.zoomIn();
            await new Promise((done) => setTimeout(done, 50));
          } else {
            map.zoomOut(1, { animate: false });
            map.zoomOut(1, { animate: false });
          }
          const labels = document.getElementById('map').dataset.labels;
          const picture = (await tlmaper.picture.canvas()).toDataURL();
          return { labels, zoom: map.getZoom(), picture };
        }, step);
        assert.equal(taken.zoom, expectedZoom, `${step}: the zoom pictured`);
        if (step === 'fast') assert.equal(taken.labels, 'settling', 'asked while labels settle');
        assert.ok(await page.evaluate(() => tlmaper.labelsInView().length > 5), `${step}: labels`);
        await devTools.send('Emulation.setCPUThrottlingRate', { rate: 1 });
        const seen = await pictureAgainstScreen(page, taken.picture);
        assert.ok(seen.differing <= DifferingPixels, `${step}: ${seen.differing} pixels differ`);
      }
    });
  });

// The width and height a PNG file says it has.
function pngSize(path) {
  const bytes = readFileSync(path);
  assert.deepEqual([...bytes.subarray(0, 8)], [137, 80, 78, 71, 13, 10, 26, 10], 'a PNG file');
  return [bytes.readUInt32BE(16), bytes.readUInt32BE(20)];
}

test('the button downloads the view as a PNG named after the world and the view, ' +
  'from the mouse and the keyboard', async () => {
  await tests.withPage(theExample(), opened(2, { hash: '#z=2&x=140&y=85' }), async (page) => {
    const button = page.getByRole('button', { name: 'Save picture' });
    for (const press of [
      () => button.click(),
      // From the button before it, one Tab on.
      async () => {
        await page.getByRole('button', { name: 'Copy a link to this view' }).focus();
        await page.keyboard.press('Tab');
        assert.equal(await page.evaluate(() => document.activeElement.title), 'Save picture');
        await page.keyboard.press('Enter');
      },
    ]) {
      const [download] = await Promise.all([page.waitForEvent('download'), press()]);
      assert.equal(download.suggestedFilename(), 'The Saltmere Reach z2 x140 y85.png');
      const expected = await page.$eval('#map', (element) => {
        const { width, height } = element.getBoundingClientRect();
        return [Math.round(width * 2), Math.round(height * 2)];
      });
      assert.deepEqual(pngSize(await download.path()), expected);
      await page.waitForFunction(() => document.querySelector('.copy-status').textContent ===
        'Downloading "The Saltmere Reach z2 x140 y85.png"');
      assert.equal(await button.getAttribute('aria-busy'), null);
    }
    assert.equal(await page.evaluate(() => document.activeElement.title), 'Save picture',
      'the focus stays on the button');
  });
});

test('while the picture is made the button is busy; a failure says so', async () => {
  await tests.withPage(theExample(), opened(1), async (page) => {
    // The map seems to move until the test ends it, so the picture waits for it; then
    // the browser cannot encode the picture, as with a canvas too large for it.
    await page.evaluate(() => {
      window.encodings = 0;
      HTMLCanvasElement.prototype.toDataURL = () => {
        window.encodings++;
        return 'data:,';
      };
      tlmaper.map.fire('movestart');
    });
    const downloads = [];
    page.on('download', (download) => downloads.push(download));
    const button = page.getByRole('button', { name: 'Save picture' });
    await button.click();
    assert.equal(await button.getAttribute('aria-busy'), 'true');
    assert.equal(await button.getAttribute('aria-disabled'), 'true');
    await button.click({ force: true });  // ignored while busy
    await page.evaluate(() => tlmaper.map.fire('moveend'));
    await page.waitForFunction(() => /could not be saved/.test(
      document.querySelector('.copy-status').textContent));
    assert.equal(await page.textContent('.copy-status'),
      'The picture could not be saved: the browser could not encode it');
    assert.equal(await button.getAttribute('aria-busy'), null);
    assert.equal(await page.evaluate(() => window.encodings), 1);
    assert.equal(downloads.length, 0);
  });
});

test('the file name keeps the world\'s name readable and safe on every system', () => {
  const view = { zoom: 2, x: 140.4, y: 84.6 };
  const cases = [
    ['The Saltmere Reach', 'saltmere.bmp', 'The Saltmere Reach z2 x140 y85.png'],
    ['Port: North/South? <"Isles"> | A*B\\C', 'a.bmp',
      'Port North South Isles A B C z2 x140 y85.png'],
    ['Line\r\nbreak\ttab\u0000nul\u007f\u2028end', 'a.bmp',
      'Line break tab nul end z2 x140 y85.png'],
    // Right-to-left and invisible characters could make the name seem to end otherwise.
    ['evil\u202egnp.exe\u200b', 'a.bmp', 'evilgnp.exe z2 x140 y85.png'],
    ['...hidden. ', 'a.bmp', 'hidden. z2 x140 y85.png'],
    ['Île d\u2019Été 島', 'a.bmp', 'Île d\u2019Été 島 z2 x140 y85.png'],
    // Without a usable world name: the save's file name, else "map".
    ['  ', 'my <save>.bmp', 'my save z2 x140 y85.png'],
    ['/?*', '', 'map z2 x140 y85.png'],
    ['\ud800', '...', 'map z2 x140 y85.png'],
  ];
  for (const [worldName, imageName, expected] of cases) {
    assert.equal(pictureFileName({ worldName, imageName, ...view }), expected,
      JSON.stringify(worldName));
  }
  const long = pictureFileName({ worldName: 'ä'.repeat(300), imageName: '', ...view });
  assert.equal(long, `${'ä'.repeat(100)} z2 x140 y85.png`);
  assert.equal(pictureFileName({ worldName: 'W', imageName: '', zoom: -1.5, x: -0.2, y: -3.6 }),
    'W z-1.5 x0 y-4.png');
});
