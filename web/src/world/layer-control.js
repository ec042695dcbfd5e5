// The layer control of one world: a switch for each layer with how many it shows, "(34)",
// or with a filter on "(12 of 34)", the islands it lets through of all.

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
    ? `(${through[k].toLocaleString('en')} of ${all[k].toLocaleString('en')})`
    : `(${all[k].toLocaleString('en')})`);
  const islandCount = count(0);
  return {
    'Island difficulty': islandCount,
    'Island names': islandCount,
    'Towns': count(1),
    'Explored islands': count(2),
    'Ship difficulty': `(${world.ships.count.toLocaleString('en')})`,
    'Difficulty colours': islandCount,
  };
}

// A switch's name in the control: the layer's name and its count, which
// showLayerCounts() finds again by the name.
export const switchName = (name, count) =>
  `${name} <span class="layer-count" data-layer="${name}">${count}</span>`;

// The control of `overlays` (layers by name) with `counts` beside them. On a phone-sized
// screen the switches start folded to their button, to leave the map free: a tap opens
// them and a tap on the map folds them again.
export function makeLayerControl(overlays, counts) {
  const controlNames = {};
  for (const [name, layer] of Object.entries(overlays)) {
    controlNames[switchName(name, counts[name])] = layer;
  }
  const narrowScreen = window.matchMedia('(max-width: 640px)').matches;
  return L.control.layers(null, controlNames, { collapsed: narrowScreen });
}

// Puts `counts` (by layer name) into the control's switches, where they changed.
export function showLayerCounts(layerControl, counts) {
  for (const span of layerControl.getContainer().querySelectorAll('.layer-count[data-layer]')) {
    const text = counts[span.dataset.layer];
    if (text && span.textContent !== text) span.textContent = text;
  }
}
