// The veil over the squares of islands a filter leaves out: the sea's blue, mostly
// opaque, laid over each such square where it shows on the map, so that those islands
// sink back into the sea while the matching ones keep their colour. Drawn on tiles like
// the drawn map, so it lies over the bitmap, the drawn map and the difficulty colours
// alike (the bitmap itself cannot be changed).
import { makeTileLayer, squaresOf } from '../drawn/drawn-map.js';

// Colours as the tiles store them (bytes R, G, B, A in memory). The veil lets a quarter
// of the square's colour through; "clear" paints a pixel transparent again, where a
// matching island or a ship lies over a veiled square.
const VeilOpacity = 0.75;
export const VeilColour =
  ((Math.round(VeilOpacity * 255) << 24) | (255 << 16) | (50 << 8) | 50) >>> 0;
const Clear = 1;  // red 1, fully transparent: a colour the tiles paint, unlike 0

// The veil of `world` for `matches` (one byte per island, 1 where it passes the filter).
export function makeVeil(world, matches) {
  const squares = squaresOf(world);
  return makeTileLayer(squares.size, {
    sea: false,
    passes: [
      { index: squares.islands, colourOf: (i) => (matches[i] ? Clear : VeilColour), ordered: true },
      { index: squares.ships, colourOf: () => Clear },
    ],
  }, { pane: 'veilPane', className: 'filter-veil' });
}
