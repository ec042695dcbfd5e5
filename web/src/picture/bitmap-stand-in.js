// The map's bitmap as the page draws it itself. A page opened from disk may not read
// back the pixels of an image it loaded, so a canvas the bitmap was drawn on could not
// be saved; the drawn map shows the same sea and squares pixel for pixel, so its tiles
// take the bitmap's place. They are drawn for the screen's device pixels (at the zoom
// whose map pixels are those), as sharp as the browser shows the bitmap.

import { drawTile, IslandColour, ShipColour, squaresOf } from '../drawn/drawn-map.js';

const TileSize = 256;

// Draws the bitmap of `world`, as `map` shows it now, on `context`: a canvas over the
// map's element at `ratio` device pixels to a CSS pixel. `place` is where the bitmap's
// image lies, in CSS pixels from the element's top-left corner.
export function drawBitmapOf(context, map, world, ratio, place) {
  const { size, islands, ships } = squaresOf(world);
  const options = {
    sea: true,
    passes: [
      { index: islands, colourOf: () => IslandColour },
      { index: ships, colourOf: () => ShipColour },
    ],
  };
  // The map's pixels at `zoom` are the screen's device pixels. The tiles put the
  // bitmap's top-left edge at map pixel `edge`, and the image's lies at `place`, so the
  // element's top-left corner is map pixel `origin`. (Leaflet places the image at whole
  // CSS pixels, the tiles at whole map pixels: placed by the image, they agree with it.)
  const zoom = map.getZoom() + Math.log2(ratio);
  const edge = Math.round(-0.25 * 2 ** zoom);
  const origin = L.point(edge - place.left * ratio, edge - place.top * ratio);
  const image = new ImageData(TileSize, TileSize);
  const pixels = new Uint32Array(image.data.buffer);
  const tile = document.createElement('canvas');
  tile.width = tile.height = TileSize;
  const tileContext = tile.getContext('2d');
  const { width, height } = context.canvas;
  const first = (from) => Math.floor(from / TileSize);
  for (let y = first(origin.y); y <= first(origin.y + height - 1); y++) {
    for (let x = first(origin.x); x <= first(origin.x + width - 1); x++) {
      pixels.fill(0);
      if (!drawTile(pixels, size, zoom, x, y, options)) continue;
      tileContext.putImageData(image, 0, 0);
      context.drawImage(tile, x * TileSize - origin.x, y * TileSize - origin.y);
    }
  }
}
