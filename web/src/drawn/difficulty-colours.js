// The "Difficulty colours" layer: every island's square tinted by its difficulty on the
// viridis scale (dark purple for the world's easiest islands, through blue and green, to
// yellow for its hardest), which readers with any common colour-vision deficiency can
// follow, as its lightness rises steadily. Islands without a difficulty (-1) are grey.
// Ships keep their red squares, drawn again over the tints as the map has them above
// the islands. The layer draws only squares, on tiles over the map, so it works over the
// bitmap and over the drawn map alike; the legend shows the scale while it is on.
import { makeTileLayer, rgba, ShipColour, squaresOf } from './drawn-map.js';
import { switchName } from '../world/layer-control.js';
import { t } from '../i18n/i18n.js';

const LayerName = 'Difficulty colours';
const Missing = -1;
const UnknownColour = [160, 160, 160];
// Viridis at nine evenly spaced points.
const Viridis = [
  [68, 1, 84], [72, 40, 120], [62, 73, 137], [49, 104, 142], [38, 130, 142],
  [31, 158, 137], [53, 183, 121], [110, 206, 88], [253, 231, 37],
];

// The scale's colour at t in [0, 1], as [red, green, blue].
export function scaleColour(t) {
  const at = Math.min(Math.max(t, 0), 1) * (Viridis.length - 1);
  const low = Math.min(Math.floor(at), Viridis.length - 2);
  const part = at - low;
  return Viridis[low].map((value, i) => Math.round(value + (Viridis[low + 1][i] - value) * part));
}

// The lowest and highest known difficulty, or null when no island has one.
export function difficultyRange(islands) {
  let low = Infinity;
  let high = -Infinity;
  for (let i = 0; i < islands.count; i++) {
    const difficulty = islands.difficulty[i];
    if (difficulty === Missing) continue;
    if (difficulty < low) low = difficulty;
    if (difficulty > high) high = difficulty;
  }
  return low <= high ? { low, high } : null;
}

// Each island's tint, as the tiles store colours.
function islandTints(islands, range) {
  const tints = new Uint32Array(islands.count);
  const unknown = rgba(...UnknownColour);
  const spread = range ? range.high - range.low : 0;
  const cache = new Map();
  for (let i = 0; i < islands.count; i++) {
    const difficulty = islands.difficulty[i];
    if (difficulty === Missing) {
      tints[i] = unknown;
      continue;
    }
    let tint = cache.get(difficulty);
    if (tint === undefined) {
      tint = rgba(...scaleColour(spread > 0 ? (difficulty - range.low) / spread : 1));
      cache.set(difficulty, tint);
    }
    tints[i] = tint;
  }
  return tints;
}

// The legend's lines for the scale: its two end values around the colours, and the
// grey of unknown difficulties when the world has any.
function legendLines(range, hasUnknown) {
  const lines = [];
  if (range) {
    const line = document.createElement('li');
    line.className = 'difficulty-scale';
    const end = (value) => {
      const text = document.createElement('span');
      text.className = 'scale-end';
      text.textContent = String(value);
      return text;
    };
    const bar = document.createElement('span');
    bar.className = 'scale-bar';
    const stops = Viridis.map(([r, g, b]) => `rgb(${r}, ${g}, ${b})`).join(', ');
    bar.style.background = `linear-gradient(to right, ${stops})`;
    line.append(end(range.low), bar, end(range.high));
    line.setAttribute('aria-label',
      t('legend.scale', { low: String(range.low), high: String(range.high) }));
    lines.push(line);
  }
  if (hasUnknown) {
    const line = document.createElement('li');
    const key = document.createElement('span');
    key.className = 'key key-unknown';
    line.append(key, t('legend.unknown'));
    lines.push(line);
  }
  return lines;
}

// Adds the layer to the layer control of `shown` (the world on the map), for each world.
export function addDifficultyColours(map, shown) {
  const pane = map.createPane('difficultyPane');
  pane.style.zIndex = 450;  // over the bitmap (400), under the markers (600)
  pane.style.pointerEvents = 'none';
  const legendList = document.querySelector('#legend ul');

  // The layer of one world, in that world's layer control; its scale, tints and squares
  // are worked out when it is first shown.
  function makeLayer(world) {
    let range;
    const scale = () => (range ??= difficultyRange(world.islands));
    let tints = null;
    const makeTiles = () => {
      const squares = squaresOf(world);
      tints ??= islandTints(world.islands, scale());
      // The tinted squares, with the ships over them.
      return makeTileLayer(squares.size, {
        sea: false,
        passes: [
          { index: squares.islands, colourOf: (i) => tints[i], ordered: true },
          { index: squares.ships, colourOf: () => ShipColour },
        ],
      }, { pane: 'difficultyPane', className: 'difficulty-colours' });
    };
    const layer = L.layerGroup();
    let lines = [];
    layer.on('add', () => {
      if (layer.getLayers().length === 0) layer.addLayer(makeTiles());
      if (legendList && lines.length === 0) {
        lines = legendLines(scale(), world.islands.difficulty.includes(Missing));
      }
      legendList?.append(...lines);
    });
    layer.on('remove', () => {
      for (const line of lines) line.remove();
    });
    shown.layerControl().addOverlay(layer,
      switchName(LayerName, t('layers.count', { count: world.islands.count })));
    return { layer, makeTiles };
  }

  // A new world (on a live page) gets a new layer, shown if the old one was.
  let current = null;
  shown.onWorld((world) => {
    const wasOn = current !== null && map.hasLayer(current.layer);
    current?.layer.remove();
    current = makeLayer(world);
    if (wasOn) current.layer.addTo(map);
  });
  // The layer of the world shown, and its tiles made afresh (for measuring them).
  return { layer: () => current.layer, makeTiles: () => current.makeTiles() };
}
