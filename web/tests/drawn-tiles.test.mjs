// The drawn map's tiles against the bitmap the tool writes, pixel for pixel, run in node
// without a browser: at zoom 1 one map pixel is one bitmap pixel, so every tile must
// hold exactly the bitmap's pixels. Worlds whose squares the bitmap clips at every edge,
// ships over islands, an empty world and one whose size wraps around 32 bits.
//
// Usage: node drawn-tiles.test.mjs   with TLMAPER_BINARY and TLMAPER_SCRATCH in the
// environment (see page-harness.mjs).
import { test, before } from 'node:test';
import assert from 'node:assert/strict';
import * as drawnMap from '../src/drawn/drawn-map.js';
import { readBitmap } from './bitmap.mjs';
import { emptyWorld } from './worlds.mjs';
import { freshScratch, makePage } from './page-harness.mjs';

before(freshScratch);

const island = (x, y) => ({ name: `Isle ${x} ${y}`, x, y, difficulty: 1, town: false, explored: false });
const ship = (x, y) => ({ x, y, difficulty: 2 });

// Islands from 3 to 127 across and 3 to 128 down (a 312 x 314 bitmap), ships wholly and
// partly off every edge of it (those above and below fold onto its first and last row),
// and ships over islands.
function edgeWorld() {
  return {
    player: { x: 0, y: 0, worldName: 'Edges' },
    islands: [island(3, 3), island(60, 40), island(100, 100), island(127, 60), island(64, 128)],
    ships: [
      ship(-10, 30), ship(-1, 50), ship(128, 20), ship(140, 20), ship(50, -20), ship(70, 200),
      ship(60, 41), ship(101, 99), ship(130, 130), ship(-1, -1),
    ],
  };
}

// Two islands at the 32-bit limits: the width wraps around to 62 pixels.
function wrappingWorld() {
  return {
    player: { x: 0, y: 0, worldName: 'Wrap' },
    islands: [island(-2147483648, 5), island(2147483647, 20), island(10, 12)],
    ships: [ship(12, 14)],
  };
}

// Every pixel of the drawn map at zoom 1, as the bitmap's [red, green, blue] would be.
function drawnPixels(world, width, height) {
  const squares = drawnMap.squaresOf(world);
  assert.deepEqual({ ...squares.size }, { width, height }, 'the size the page works out');
  const { IslandColour, ShipColour } = drawnMap;
  const options = {
    sea: true,
    passes: [
      { index: squares.islands, colourOf: () => IslandColour },
      { index: squares.ships, colourOf: () => ShipColour },
    ],
  };
  const tiles = new Map();
  return (column, row) => {
    const key = `${Math.floor(column / 256)},${Math.floor(row / 256)}`;
    if (!tiles.has(key)) {
      const pixels = new Uint32Array(256 * 256);
      drawnMap.drawTile(pixels, squares.size, 1, Math.floor(column / 256), Math.floor(row / 256), options);
      tiles.set(key, pixels);
    }
    const value = tiles.get(key)[(row % 256) * 256 + (column % 256)];
    return [value & 255, (value >>> 8) & 255, (value >>> 16) & 255];
  };
}

// The page reads its worlds as typed arrays.
function pageWorld({ islands, ships }) {
  const records = (list) => ({
    count: list.length, x: Int32Array.from(list, (r) => r.x), y: Int32Array.from(list, (r) => r.y),
  });
  return { islands: records(islands), ships: records(ships) };
}

test('the drawn tiles hold the bitmap pixel for pixel, clipped at its edges as it is', () => {
  const cases = { edges: edgeWorld(), empty: emptyWorld(), wrapping: wrappingWorld() };
  for (const [name, world] of Object.entries(cases)) {
    const bitmap = readBitmap(makePage(name, world, `${name}.xml`).replace(/\.html$/, '.bmp'));
    const drawn = drawnPixels(pageWorld(world), bitmap.width, bitmap.height);
    let differing = 0;
    let first = null;
    for (let row = 0; row < bitmap.height; row++) {
      for (let column = 0; column < bitmap.width; column++) {
        const { red, green, blue } = bitmap.pixel(column, row);
        const [r, g, b] = drawn(column, row);
        if (r !== red || g !== green || b !== blue) {
          differing++;
          first ??= `(${column}, ${row}) drawn ${[r, g, b]}, bitmap ${[red, green, blue]}`;
        }
      }
    }
    assert.equal(differing, 0, `${name}: ${differing} pixels differ, first ${first}`);
  }
});

test('beyond the bitmap the tiles are left empty; a size the tool cannot hold is 1 x 1', () => {
  const world = pageWorld(edgeWorld());
  const squares = drawnMap.squaresOf(world);
  const pixels = new Uint32Array(256 * 256);
  const options = { sea: true, passes: [{ index: squares.islands, colourOf: () => 1 }] };
  assert.equal(drawnMap.drawTile(pixels, squares.size, 1, 1, 1, options), true);
  // The bitmap is 312 x 314: the tile at its bottom right shows 56 columns and 58 rows.
  assert.deepEqual({ ...squares.size }, { width: 312, height: 314 });
  assert.deepEqual([pixels[55], pixels[56]], [drawnMap.Sea, 0]);
  assert.deepEqual([pixels[57 * 256], pixels[58 * 256]], [drawnMap.Sea, 0]);
  assert.equal(drawnMap.drawTile(pixels.fill(0), squares.size, 1, 2, 0, options), false);
  assert.equal(pixels.every((value) => value === 0), true);
  const far = pageWorld({ islands: [island(0, 0), island(1000000000, 1000000000)], ships: [] });
  assert.deepEqual({ ...drawnMap.mapSize(far) }, { width: 1, height: 1 });
});
