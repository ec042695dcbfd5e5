// The layer control of one world: a switch for each layer with how many it shows, "(34)",
// or with a filter on "(12 of 34)", the islands it lets through of all.
import { t } from '../i18n/i18n.js';

// What each layer of the world counts, by layer name; `matches` holds a byte per island
// (1 for those a filter lets through), or is null for all.
export function layerCounts(world, matches) {
  const { islands } = world;
  // Of all islands, towns and explored islands: how many there are, how many pass.
  const all = [islands.count, 0, 0];
  const through = [0, 0, 0];
  for (let i = 0; i < islands.count; i++) {
    const town = islands.isTown[i], explored = islands.isExplored[i];
    all[1] += town;
    all[2] += explored;
    if (!matches || matches[i]) {
      through[0]++;
      through[1] += town;
      through[2] += explored;
    }
  }
  const count = (k) => (matches
    ? t('layers.countOf', { matching: through[k], count: all[k] })
    : t('layers.count', { count: all[k] }));
  const islandCount = count(0);
  return {
    'Island difficulty': islandCount,
    'Island names': islandCount,
    'Towns': count(1),
    'Explored islands': count(2),
    'Ship difficulty': t('layers.count', { count: world.ships.count }),
    'Difficulty colours': islandCount,
  };
}

// The words each layer's switch shows, by the layer's name (which the page's parts and
// the counts know it by, in every language).
const LayerWords = {
  'Island difficulty': 'layers.islandDifficulty',
  'Island names': 'layers.islandNames',
  'Towns': 'layers.towns',
  'Explored islands': 'layers.explored',
  'Ship difficulty': 'layers.shipDifficulty',
  'Difficulty colours': 'layers.colours',
  'Voyage': 'layers.voyage',
  'My notes': 'layers.notes',
  'Path sailed': 'layers.trail',
};
const escapeHtml = (text) => text.replace(/[&<>"]/g, (c) => `&#${c.charCodeAt(0)};`);

// A switch's name in the control: the layer's name in the page's language and its
// count, which showLayerCounts() finds again by the layer's name.
export const switchName = (name, count) =>
  `${escapeHtml(LayerWords[name] ? t(LayerWords[name]) : name)} ` +
  `<span class="layer-count" data-layer="${name}">${count}</span>`;

// The control of `overlays` (layers by name) with `counts` beside them. On a phone-sized
// screen the switches start folded to their button, to leave the map free: a tap opens
// them and a tap on the map folds them again.
export function makeLayerControl(overlays, counts) {
  const controlNames = {};
  for (const [name, layer] of Object.entries(overlays)) {
    controlNames[switchName(name, counts[name])] = layer;
  }
  const narrowScreen = window.matchMedia('(max-width: 640px)').matches;
  const control = L.control.layers(null, controlNames, { collapsed: narrowScreen });
  // The button that opens the folded switches, named in the page's language.
  const onAdd = control.onAdd;
  control.onAdd = function (map) {
    const container = onAdd.call(this, map);
    container.querySelector('.leaflet-control-layers-toggle')?.setAttribute('title', t('layers.toggle'));
    return container;
  };
  return control;
}

// Puts `counts` (by layer name) into the control's switches, where they changed.
export function showLayerCounts(layerControl, counts) {
  for (const span of layerControl.getContainer().querySelectorAll('.layer-count[data-layer]')) {
    const text = counts[span.dataset.layer];
    if (text && span.textContent !== text) span.textContent = text;
  }
}
