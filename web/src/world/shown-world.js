// The world on the map: the base map (bitmap or drawn), the label placement and the five
// marker layers, the layer control with each layer's count, and the player. Sets
// data-state on #map: "loading", then "ready" once the image (or the drawn map) and the
// first view's labels are shown, or "no-image" when the bitmap cannot be loaded. A live
// page puts new worlds in place of the shown one.

import { mapSize, tooLargeForBitmap } from '../drawn/drawn-map.js';
import { makeLayers } from '../labels/layers.js';
import { labelMetrics } from '../labels/text-measure.js';
import { placeAheadWhenIdle } from '../placement/place-ahead.js';
import { measureLabels } from '../placement/label-boxes.js';
import { Placement } from '../placement/placement.js';
import { showBaseMap } from './base-map.js';
import { layerCounts, makeLayerControl, showLayerCounts } from './layer-control.js';
import { MaxZoom, MinZoom, worldPoint } from './map.js';
import { makePlayerMarker } from './player-marker.js';

// How far in a revealed island is shown at least.
const RevealZoom = MaxZoom - 2;

// The placement and the layers of one world, on `map`; `matches` (a byte per island, or
// null for all) lets only some islands take room for labels; `counts` are the layers'
// counts for the layer control.
function buildLayers(map, mapElement, world, matches, counts) {
  const metrics = labelMetrics(map.getPane('markerPane'));
  const labels = measureLabels(world, metrics);
  metrics.done();
  const placement = new Placement(world, labels, MinZoom, MaxZoom);
  if (matches) placement.include(matches);
  const layers = makeLayers(map, world, placement, metrics, mapElement);
  const layerControl = makeLayerControl(layers.overlays, counts).addTo(map);
  const playerMarker = makePlayerMarker(world.player).addTo(map);
  return { placement, layers, overlays: layers.overlays, layerControl, playerMarker };
}

// The island of `old` (an index into `oldWorld`) found again in `newWorld` by its name and
// position, or -1.
function sameIsland(oldWorld, old, newWorld) {
  if (!(old >= 0 && old < oldWorld.islands.count)) return -1;
  const { names, x, y, count } = newWorld.islands;
  const was = oldWorld.islands;
  for (let i = 0; i < count; i++) {
    if (names[i] === was.names[old] && x[i] === was.x[old] && y[i] === was.y[old]) return i;
  }
  return -1;
}

// Shows `firstWorld` on `map`. `imageName` is the bitmap's file name beside the page;
// `drawnAsked` whether the address asks for the drawn map. Call start(initialView) once
// every feature is on the map.
export function showWorld(map, mapElement, firstWorld, { imageName, drawnAsked }) {
  let world = firstWorld;
  // The islands a filter lets through, for a world: one byte per island, or null for all.
  let matchesOf = () => null;
  let matches = null;
  // The counts of the world's own layers, worked out once for each world and filter.
  let counted = null;
  const ownCounts = () => {
    if (counted?.world !== world || counted.matches !== matches) {
      counted = { world, matches, counts: layerCounts(world, matches) };
    }
    return counted.counts;
  };
  let built = buildLayers(map, mapElement, world, matches, ownCounts());
  // The counts of layers that other parts of the page add to the control, by name.
  const addedCounts = {};
  const counts = () => ({ ...ownCounts(), ...addedCounts });
  // The layer control draws its list anew from the names it was given; the counts of a
  // filter, and those that changed since, go back in each time.
  const keepCounts = new MutationObserver(() => {
    if (matches || Object.keys(addedCounts).length > 0) showLayerCounts(built.layerControl, counts());
  });
  const watchControl = () => {
    keepCounts.disconnect();
    keepCounts.observe(built.layerControl.getContainer(), { childList: true, subtree: true });
  };
  watchControl();

  const worldCallbacks = [];
  // What waits for the first view to be shown.
  let firstViewShown = false;
  const shownCallbacks = [];
  const placeAhead = placeAheadWhenIdle();
  const placeAheadOfView = () => placeAhead(() => built.placement);

  // The first view: the one the address asks for when it gives one, else `bounds`. The
  // layers go onto the map once it is set, so the first labels are those of that view.
  let initialView = () => null;
  const base = showBaseMap(map, () => world, {
    imageName,
    // The map is drawn instead of loading a bitmap too large to pan smoothly, or when
    // the address asks for it; the bitmap's size follows from the islands.
    drawInstead: drawnAsked || tooLargeForBitmap(mapSize(world)),
    onFirst(bounds, state) {
      const asked = initialView();
      const fit = bounds ?? base.worldBounds();
      if (asked) map.setView(asked.center, asked.zoom, { animate: false });
      else if (fit?.isValid()) map.fitBounds(fit, { animate: false });
      built.layers.switchOn(Object.keys(built.overlays));
      mapElement.dataset.state = state;
      placeAheadOfView();
      firstViewShown = true;
      for (const callback of shownCallbacks.splice(0)) callback();
    },
  });

  const refreshLabels = () => {
    built.layers.refresh();
    placeAheadOfView();
  };

  return {
    map,
    world: () => world,
    overlays: () => built.overlays,
    layerControl: () => built.layerControl,
    pinnedIsland: () => built.placement.pinned,
    labelsInView: () => built.layers.labels.labelsInView(),
    marksInView: () => built.layers.labels.marksInView(),
    drawsMap: base.drawsMap,
    // The bounds of all of the world: the bitmap's, or the view's until it is known.
    worldBounds: () => base.worldBounds() ?? map.getBounds(),

    // Calls `callback` with the world now and with each new one.
    onWorld(callback) {
      worldCallbacks.push(callback);
      callback(world);
    },

    // Calls `callback` when the page is idle once the first view is shown: for work the
    // first view does not need, which would only hold it up.
    afterFirstView(callback) {
      const later = () => (window.requestIdleCallback ?? setTimeout)(() => callback());
      if (firstViewShown) later();
      else shownCallbacks.push(later);
    },

    // Shows the first view, once the features are on the map: `view()` gives the one
    // the address asks for ({ center, zoom }) or null.
    start(view) {
      initialView = view;
      base.start();
    },

    // Pinning an island makes its labels show at every zoom until another is pinned.
    pinIsland(index) {
      if (!(index >= 0 && index < world.islands.count) || index === built.placement.pinned) return;
      built.placement.pin(index);
      refreshLabels();
    },

    // Revealing an island pins its label and moves the map to it.
    revealIsland(index) {
      if (!(index >= 0 && index < world.islands.count)) return;
      built.placement.pin(index);
      const zoom = Math.max(map.getZoom(), RevealZoom);
      map.setView(worldPoint(world.islands.x[index], world.islands.y[index]), zoom,
        { animate: false });
      refreshLabels();
    },

    // Shows labels and marks only for the islands `islandsOf(world)` lets through (one
    // byte per island, or null for all), for this world and each new one, and counts
    // them in the layer control.
    filterIslands(islandsOf) {
      matchesOf = islandsOf;
      matches = matchesOf(world);
      built.placement.include(matches);
      refreshLabels();
      showLayerCounts(built.layerControl, counts());
    },
    showLayerCounts: () => showLayerCounts(built.layerControl, counts()),
    // Shows `text` as the count of the layer `name` that another part of the page added.
    setLayerCount(name, text) {
      addedCounts[name] = text;
      showLayerCounts(built.layerControl, counts());
    },

    // A new world and bitmap in place of the shown ones, keeping the view, the layers
    // switched on and the pinned island (found again by its name and position).
    replaceWorld(newWorld, imageUrl) {
      const { overlays } = built;
      const switchedOn =
        new Set(Object.keys(overlays).filter((name) => map.hasLayer(overlays[name])));
      const pinned = sameIsland(world, built.placement.pinned, newWorld);
      built.layers.remove();
      built.layerControl.remove();
      built.playerMarker.remove();
      world = newWorld;
      matches = matchesOf(world);
      built = buildLayers(map, mapElement, world, matches, ownCounts());
      watchControl();
      if (pinned >= 0) built.placement.pin(pinned);
      built.layers.switchOn([...switchedOn]);
      base.replace(imageUrl);
      for (const callback of worldCallbacks) callback(world);
      placeAheadOfView();
    },
  };
}
