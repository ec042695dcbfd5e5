// The world on the map: the bitmap as a zoomable image (or the map drawn from the lists
// in its place), the label placement and the five marker layers, the layer control with
// each layer's count, and the player. Sets data-state on #map: "loading", then "ready"
// once the image (or the drawn map) and the first view's labels are shown, or
// "no-image" when the bitmap cannot be loaded. A live page puts new worlds in place of
// the shown one.

import { makeLayers } from '../labels/layers.js';
import { labelMetrics } from '../labels/text-measure.js';
import { imageBounds, MaxZoom, MinZoom, showNotice, worldPoint } from './map.js';
import {
  makeDrawnMap, mapSize, squaresOf, tooLargeForBitmap,
} from '../drawn/drawn-map.js';
import { placeAheadWhenIdle } from '../placement/place-ahead.js';
import { measureLabels } from '../placement/label-boxes.js';
import { Placement } from '../placement/placement.js';

// How far in a revealed island is shown at least.
const RevealZoom = MaxZoom - 2;

// Shows `firstWorld` on `map`. `imageName` is the bitmap's file name beside the page
// (which may hold any character, a backslash too); `drawnAsked` whether the address asks
// for the drawn map. Call start(initialView) once every feature is on the map.
export function showWorld(map, mapElement, firstWorld, { imageName, drawnAsked }) {
  let worldBounds = null;
  const mapImage = L.imageOverlay(encodeURIComponent(imageName), [[0, 0], [0, 0]], {
    className: 'map-image',
  });

  // The world shown and what is built over it; a live page replaces them all.
  let world, placement, layers, overlays, layerControl, playerMarker;
  // The islands a filter lets through, for a world: one byte per island, or null for all.
  let matchesOf = () => null;
  let matches = null;
  // The layer control draws its list anew from the names it was given; the counts of a
  // filter go back in each time.
  const keepCounts = new MutationObserver(() => { if (matches) showLayerCounts(); });
  function buildWorld(newWorld) {
    world = newWorld;
    const metrics = labelMetrics(map.getPane('markerPane'));
    const labels = measureLabels(world, metrics);
    metrics.done();
    placement = new Placement(world, labels, MinZoom, MaxZoom);
    matches = matchesOf(world);
    if (matches) placement.include(matches);
    layers = makeLayers(map, world, placement, metrics, mapElement);
    overlays = layers.overlays;
    layerControl = makeLayerControl().addTo(map);
    keepCounts.disconnect();
    keepCounts.observe(layerControl.getContainer(), { childList: true, subtree: true });
    playerMarker = makePlayerMarker().addTo(map);
  }

  // What each layer counts: "(34)", or with a filter on "(12 of 34)", the islands it
  // lets through of all.
  function layerCounts() {
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

  function makeLayerControl() {
    const counts = layerCounts();
    const controlNames = {};
    for (const [name, layer] of Object.entries(overlays)) {
      controlNames[`${name} <span class="layer-count" data-layer="${name}">${counts[name]}</span>`] = layer;
    }
    // On a phone-sized screen the switches start folded to their button, to leave the
    // map free: a tap opens them and a tap on the map folds them again.
    const narrowScreen = window.matchMedia('(max-width: 640px)').matches;
    return L.control.layers(null, controlNames, { collapsed: narrowScreen });
  }

  // Puts the counts of the shown world and filter into the layer control.
  function showLayerCounts() {
    const counts = layerCounts();
    for (const span of layerControl.getContainer().querySelectorAll('.layer-count[data-layer]')) {
      const text = counts[span.dataset.layer];
      if (text && span.textContent !== text) span.textContent = text;
    }
  }

  function makePlayerMarker() {
    return L.marker(worldPoint(world.player.x, world.player.y), {
      icon: L.divIcon({ className: 'player-marker', iconSize: [16, 16], iconAnchor: [8, 8] }),
      keyboard: false,
      zIndexOffset: 1000,
      // A click on the player goes on to the map, to what lies under the marker.
      bubblingMouseEvents: true,
    }).bindTooltip('You are here');
  }

  buildWorld(firstWorld);

  // The map is drawn from the lists instead of loading a bitmap too large to pan
  // smoothly, or when the address asks for it; the bitmap's size follows from the islands.
  const drawInstead = drawnAsked || tooLargeForBitmap(mapSize(world));
  if (!drawInstead) mapImage.addTo(map);
  // Shows the drawn map of the world shown, in place of any drawn before; gives the
  // bounds of the bitmap it stands for.
  let drawnLayer = null;
  function showDrawnMap() {
    const { width, height } = squaresOf(world).size;
    drawnLayer?.remove();
    drawnLayer = makeDrawnMap(world).addTo(map);
    return imageBounds(width, height);
  }

  const worldCallbacks = [];
  const placeAhead = placeAheadWhenIdle();
  const placeAheadOfView = () => placeAhead(() => placement);

  // The first view: `initialView()` when it gives one, else the whole world. The layers
  // go onto the map once it is set, so the first labels are those of that view.
  let initialView = () => null;
  function showFirstView(bounds) {
    const asked = initialView();
    if (asked) map.setView(asked.center, asked.zoom, { animate: false });
    else if (bounds?.isValid()) map.fitBounds(bounds, { animate: false });
    for (const layer of Object.values(overlays)) layer.addTo(map);
  }

  let firstViewShown = false;
  mapImage.on('load', () => {
    const image = mapImage.getElement();
    worldBounds = imageBounds(image.naturalWidth, image.naturalHeight);
    mapImage.setBounds(worldBounds);
    mapImage.bringToBack();
    if (firstViewShown) return;
    firstViewShown = true;
    showFirstView(worldBounds);
    mapElement.dataset.state = 'ready';
    placeAheadOfView();
  });
  // Without the image, the view takes in every island and ship instead.
  function markerBounds() {
    const bounds = L.latLngBounds([]);
    for (const { count, x, y } of [world.islands, world.ships]) {
      for (let i = 0; i < count; i++) bounds.extend(worldPoint(x[i], y[i]));
    }
    return bounds;
  }

  mapImage.on('error', () => {
    if (firstViewShown) return;
    firstViewShown = true;
    showNotice(map, `The map image "${imageName}" could not be loaded; it should lie beside ` +
                    'this page. The map is drawn from the page\'s own data.');
    // The drawn map stands in for the bitmap; the first view takes in the islands and
    // ships.
    const bounds = markerBounds();
    worldBounds = showDrawnMap();
    showFirstView(bounds);
    mapElement.dataset.state = 'no-image';
    placeAheadOfView();
  });

  return {
    map,
    world: () => world,
    overlays: () => overlays,
    layerControl: () => layerControl,
    pinnedIsland: () => placement.pinned,
    labelsInView: () => layers.labels.labelsInView(),
    marksInView: () => layers.labels.marksInView(),
    drawsMap: () => drawnLayer !== null,
    // The bounds of all of the world: the bitmap's, or the view's until it is known.
    worldBounds: () => worldBounds ?? map.getBounds(),

    // Calls `callback` with the world now and with each new one.
    onWorld(callback) {
      worldCallbacks.push(callback);
      callback(world);
    },

    // Shows the first view, once the features are on the map: `view()` gives the one
    // the address asks for ({ center, zoom }) or null.
    start(view) {
      initialView = view;
      if (!drawInstead) return;  // the bitmap's load shows it
      firstViewShown = true;
      worldBounds = showDrawnMap();
      showFirstView(worldBounds);
      mapElement.dataset.state = 'ready';
      placeAheadOfView();
    },

    // Pinning an island makes its labels show at every zoom until another is pinned.
    pinIsland(index) {
      if (!(index >= 0 && index < world.islands.count) || index === placement.pinned) return;
      placement.pin(index);
      layers.refresh();
      placeAheadOfView();
    },

    // Revealing an island pins its label and moves the map to it.
    revealIsland(index) {
      if (!(index >= 0 && index < world.islands.count)) return;
      placement.pin(index);
      const zoom = Math.max(map.getZoom(), RevealZoom);
      map.setView(worldPoint(world.islands.x[index], world.islands.y[index]), zoom,
        { animate: false });
      layers.refresh();
      placeAheadOfView();
    },

    // Shows labels and marks only for the islands `islandsOf(world)` lets through (one
    // byte per island, or null for all), for this world and each new one, and counts
    // them in the layer control.
    filterIslands(islandsOf) {
      matchesOf = islandsOf;
      matches = matchesOf(world);
      placement.include(matches);
      layers.refresh();
      showLayerCounts();
      placeAheadOfView();
    },
    showLayerCounts,

    // A new world and bitmap in place of the shown ones, keeping the view, the layers
    // switched on and the pinned island (found again by its name and position).
    replaceWorld(newWorld, imageUrl) {
      const switchedOn =
        new Set(Object.keys(overlays).filter((name) => map.hasLayer(overlays[name])));
      const pinned = placement.pinned;
      const pinnedIsland = pinned >= 0 && pinned < world.islands.count
        ? { name: world.islands.names[pinned], x: world.islands.x[pinned], y: world.islands.y[pinned] }
        : null;
      layers.remove();
      layerControl.remove();
      playerMarker.remove();
      buildWorld(newWorld);
      if (pinnedIsland) {
        const { names, x, y, count } = world.islands;
        for (let i = 0; i < count; i++) {
          if (names[i] === pinnedIsland.name && x[i] === pinnedIsland.x && y[i] === pinnedIsland.y) {
            placement.pin(i);
            break;
          }
        }
      }
      for (const name of switchedOn) overlays[name]?.addTo(map);
      // A drawn map is drawn again from the new world; a bitmap is loaded anew.
      if (drawnLayer) worldBounds = showDrawnMap();
      else if (imageUrl) mapImage.setUrl(imageUrl);
      for (const callback of worldCallbacks) callback(world);
      placeAheadOfView();
    },
  };
}
