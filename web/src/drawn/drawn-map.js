// The map drawn from the page's own data: the sea and the 9 x 9 squares of islands and
// ships on canvas tiles, pixel for pixel where the bitmap has them. Used when the bitmap
// would be too large to pan smoothly, when it cannot be loaded, and when the address asks
// for it ("map=drawn").

import { tileCache } from '../shared/tile-cache.js';

// Colours as the canvas stores them in a Uint32Array (bytes R, G, B, A in memory).
export const rgba = (red, green, blue) => ((255 << 24) | (blue << 16) | (green << 8) | red) >>> 0;
export const Sea = rgba(50, 50, 255);
export const IslandColour = rgba(255, 255, 0);
export const ShipColour = rgba(255, 0, 0);
// A 1 x 1 bitmap (a size it could not hold) stays white, unpainted.
const Unpainted = rgba(255, 255, 255);
const TileSize = 256;
// The most pixels a bitmap may have for the page to load it: 2^26 (8192 x 8192). Larger
// ones load slowly, and from about 2^27 the browser zooms them at a frame every few
// seconds; the page draws those instead (measured in headless Chromium, see the README).
const MaxBitmapPixels = 2 ** 26;
// The largest bitmap the tool can hold; a larger canvas leaves it 1 x 1.
const MaxPixelCount = 2 ** 30;
// How far (in bitmap pixels) a screen pixel's centre is taken to lie before its place.
const EdgeBias = 1e-3;
// The squares reach this far right of and below their top-left corner.
const SquareReach = 8;

// The bitmap's size for these islands: twice the islands' extent plus 64 on each axis,
// in wrapping 32-bit arithmetic, or 1 x 1 when the tool could not make such a bitmap.
export function mapSize(world) {
  const { count, x, y } = world.islands;
  let minX = 2147483647, maxX = -2147483648, minY = 2147483647, maxY = -2147483648;
  for (let i = 0; i < count; i++) {
    if (x[i] < minX) minX = x[i];
    if (x[i] > maxX) maxX = x[i];
    if (y[i] < minY) minY = y[i];
    if (y[i] > maxY) maxY = y[i];
  }
  const side = (min, max) => (Math.imul((max - min) | 0, 2) + 64) | 0;
  const width = side(minX, maxX);
  const height = side(minY, maxY);
  if (width <= 0 || height <= 0 || width * height > MaxPixelCount) return { width: 1, height: 1 };
  return { width, height };
}

const clamp = (value, last) => Math.max(0, Math.min(value, last));

// The records' squares as the bitmap clamps them into its edges (columns left..right,
// rows top..bottom; a square whose columns meet is not drawn), kept in a grid of cells
// by their top-left corner, so that a tile finds its squares without looking at the
// others. `records` is a list of { count, x, y }; squares are numbered as the records.
export class SquareIndex {
  constructor(size, { count: total, x, y }) {
    this.size = size;
    this.left = new Int32Array(total);
    this.right = new Int32Array(total);
    this.top = new Int32Array(total);
    this.bottom = new Int32Array(total);
    const drawn = new Uint8Array(total);
    for (let n = 0; n < total; n++) {
      this.left[n] = clamp(2 * x[n] - 4, size.width - 1);
      this.right[n] = clamp(2 * x[n] + 4, size.width - 1);
      this.top[n] = clamp(2 * y[n] - 4, size.height - 1);
      this.bottom[n] = clamp(2 * y[n] + 4, size.height - 1);
      drawn[n] = this.left[n] !== this.right[n] ? 1 : 0;
    }
    // About four squares to a cell where they are spread evenly.
    this.columns = Math.ceil(Math.sqrt(total) / 2) + 1;
    this.rows = this.columns;
    this.cellWidth = Math.ceil(size.width / this.columns);
    this.cellHeight = Math.ceil(size.height / this.rows);
    const cellOf = (k) => Math.floor(this.top[k] / this.cellHeight) * this.columns +
                          Math.floor(this.left[k] / this.cellWidth);
    this.start = new Int32Array(this.columns * this.rows + 1);
    for (let k = 0; k < total; k++) if (drawn[k]) this.start[cellOf(k) + 1]++;
    for (let c = 0; c < this.columns * this.rows; c++) this.start[c + 1] += this.start[c];
    this.squares = new Int32Array(this.start[this.columns * this.rows]);
    const next = this.start.slice(0, -1);
    for (let k = 0; k < total; k++) if (drawn[k]) this.squares[next[cellOf(k)]++] = k;
  }

  // Calls visit(k) for every square that may reach into the bitmap's columns
  // fromColumn..toColumn and rows fromRow..toRow, cell by cell: in drawing order
  // within a cell, not across cells.
  forEachNear(fromColumn, toColumn, fromRow, toRow, visit) {
    const cell = (value, size, count) => clamp(Math.floor(value / size), count - 1);
    const firstColumn = cell(fromColumn - SquareReach, this.cellWidth, this.columns);
    const lastColumn = cell(toColumn, this.cellWidth, this.columns);
    const firstRow = cell(fromRow - SquareReach, this.cellHeight, this.rows);
    const lastRow = cell(toRow, this.cellHeight, this.rows);
    for (let row = firstRow; row <= lastRow; row++) {
      for (let column = firstColumn; column <= lastColumn; column++) {
        const c = row * this.columns + column;
        for (let i = this.start[c]; i < this.start[c + 1]; i++) visit(this.squares[i]);
      }
    }
  }
}

// Where the bitmap's pixels fall on a tile at `zoom`: Leaflet places the image between
// the rounded map points of its corners (world -0.25 and (size - 0.5) / 2), so pixel u
// spans from first + u * pixel to first + (u + 1) * pixel in map pixels. The screen
// shows each pixel's colour where the pixel's centre falls, as the bitmap's pixelated
// scaling does.
function tileGeometry(size, zoom, tileX, tileY) {
  const scale = 2 ** zoom;
  const axis = (side, origin) => {
    const first = Math.round(-0.25 * scale);
    const last = Math.round(((side - 0.5) / 2) * scale);
    const pixel = (last - first) / side;
    // The tile columns (or rows) that show bitmap pixels from..to, as [begin, end).
    // A screen pixel whose centre falls on the edge between two bitmap pixels shows the
    // first of them, as the browser scales the bitmap.
    const span = (from, to) => [
      clamp(Math.ceil(first + (from + EdgeBias) * pixel - 0.5) - origin, TileSize),
      clamp(Math.ceil(first + (to + 1 + EdgeBias) * pixel - 0.5) - origin, TileSize),
    ];
    const pixelAt = (offset) => Math.floor((origin + offset + 0.5 - first) / pixel - EdgeBias);
    return { span, from: pixelAt(0), to: pixelAt(TileSize - 1) };
  };
  return { x: axis(size.width, tileX * TileSize), y: axis(size.height, tileY * TileSize) };
}

// Draws one tile into `pixels` (TileSize x TileSize, row by row, zero where nothing
// is drawn): the sea of a map of `size` if `sea`, then each of `passes` in turn: the
// squares of its index, each in colourOf(k) (0 leaves it out), in their order if
// `ordered` (where squares of different colours overlap, the later one shows). Gives
// false when the tile lies off the map.
export function drawTile(pixels, size, zoom, tileX, tileY, { sea, passes }) {
  const geometry = tileGeometry(size, zoom, tileX, tileY);
  const fromColumn = Math.max(geometry.x.from, 0);
  const toColumn = Math.min(geometry.x.to, size.width - 1);
  const fromRow = Math.max(geometry.y.from, 0);
  const toRow = Math.min(geometry.y.to, size.height - 1);
  if (fromColumn > toColumn || fromRow > toRow) return false;
  const fill = (left, right, top, bottom, colour) => {
    const [x0, x1] = geometry.x.span(left, right);
    const [y0, y1] = geometry.y.span(top, bottom);
    for (let row = y0; row < y1; row++) pixels.fill(colour, row * TileSize + x0, row * TileSize + x1);
  };
  if (sea) fill(0, size.width - 1, 0, size.height - 1, size.width > 1 ? Sea : Unpainted);
  for (const { index, colourOf, ordered } of passes) {
    const draw = (k) => {
      const colour = colourOf(k);
      if (colour) fill(index.left[k], index.right[k], index.top[k], index.bottom[k], colour);
    };
    if (!ordered) {
      index.forEachNear(fromColumn, toColumn, fromRow, toRow, draw);
      continue;
    }
    const found = [];
    index.forEachNear(fromColumn, toColumn, fromRow, toRow, (k) => found.push(k));
    Int32Array.from(found).sort().forEach(draw);
  }
  return true;
}

// A Leaflet layer of canvas tiles drawn by drawTile with `options`. Each tile is drawn
// once per zoom level and position: tiles come back from a cache of recent ones when
// the map returns to them, as Leaflet drops its tiles whenever the zoom changes.
export function makeTileLayer(size, options, layerOptions = {}) {
  const cache = tileCache(100);  // 25 MB of canvas at most
  const draw = (coords) => {
    const canvas = document.createElement('canvas');
    canvas.width = canvas.height = TileSize;
    const image = new ImageData(TileSize, TileSize);
    const pixels = new Uint32Array(image.data.buffer);
    if (drawTile(pixels, size, coords.z, coords.x, coords.y, options)) {
      canvas.getContext('2d').putImageData(image, 0, 0);
    }
    return canvas;
  };
  const Layer = L.GridLayer.extend({
    createTile: (coords) => cache.take(coords, draw),
  });
  // No tiles beyond the bitmap's edges (world -0.25 to (size - 0.5) / 2).
  const corner = (x, y) => L.CRS.Simple.pointToLatLng(L.point(x, y), 0);
  const bounds = L.latLngBounds(corner(-0.25, -0.25),
    corner((size.width - 0.5) / 2, (size.height - 0.5) / 2));
  return new Layer({
    tileSize: TileSize, minZoom: -Infinity, updateWhenZooming: false, bounds, ...layerOptions,
  });
}

// Whether the bitmap is too large for the browser to pan smoothly.
export const tooLargeForBitmap = (size) => size.width * size.height > MaxBitmapPixels;

// Whether a page address's hash asks for the drawn map ("#...&map=drawn").
export const askedInAddress = (hash) =>
  new URLSearchParams(hash.replace(/^#/, '')).get('map') === 'drawn';
// What the address keeps of that request as it follows the view.
export const DrawnAddressPart = '&map=drawn';

// The squares of the world's islands and ships, for the layers that draw them: worked
// out once for each world.
const squaresByWorld = new WeakMap();
export function squaresOf(world) {
  let squares = squaresByWorld.get(world);
  if (!squares) {
    const size = mapSize(world);
    squares = {
      size,
      islands: new SquareIndex(size, world.islands),
      ships: new SquareIndex(size, world.ships),
    };
    squaresByWorld.set(world, squares);
  }
  return squares;
}

// The whole drawn map, as the bitmap has it: the sea, then the islands, then the ships.
export function makeDrawnMap(world) {
  const indexed = squaresOf(world);
  return makeTileLayer(indexed.size, {
    sea: true,
    passes: [
      { index: indexed.islands, colourOf: () => IslandColour },
      { index: indexed.ships, colourOf: () => ShipColour },
    ],
  }, { className: 'drawn-map' });
}
