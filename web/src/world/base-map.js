// The map under everything: the bitmap as a zoomable image, or the map drawn from the
// lists in its place (for a bitmap too large to pan smoothly, one that cannot be loaded,
// or when the address asks for it). Knows the bounds of all of the world once either is
// shown.
import { makeDrawnMap, squaresOf } from '../drawn/drawn-map.js';
import { imageBounds, showNotice, worldPoint } from './map.js';
import { t } from '../i18n/i18n.js';

// Puts the base of `world()` on `map`. `imageName` is the bitmap's file name beside the
// page (which may hold any character, a backslash too); with `drawInstead` no bitmap is
// loaded. `onFirst(bounds, state)` is called once, when the first base is shown: with
// the bounds for the first view (null for the drawn map's own) and the page's state.
export function showBaseMap(map, world, { imageName, drawInstead, onFirst }) {
  let worldBounds = null;
  let drawnLayer = null;
  let firstShown = false;
  const mapImage = L.imageOverlay(encodeURIComponent(imageName), [[0, 0], [0, 0]], {
    className: 'map-image',
  });
  let preload = null;
  if (!drawInstead) {
    preload = preloadImage(encodeURIComponent(imageName));
    mapImage.addTo(map);
  }
  const preloaded = () => {
    preload?.remove();
    preload = null;
  };

  // Shows the drawn map of the world shown, in place of any drawn before.
  function showDrawnMap() {
    const { width, height } = squaresOf(world()).size;
    drawnLayer?.remove();
    drawnLayer = makeDrawnMap(world()).addTo(map);
    worldBounds = imageBounds(width, height);
  }
  function first(bounds, state) {
    if (firstShown) return;
    firstShown = true;
    onFirst(bounds, state);
  }

  mapImage.on('load', () => {
    preloaded();
    const image = mapImage.getElement();
    worldBounds = imageBounds(image.naturalWidth, image.naturalHeight);
    mapImage.setBounds(worldBounds);
    mapImage.bringToBack();
    first(worldBounds, 'ready');
  });
  mapImage.on('error', () => {
    preloaded();
    if (firstShown) return;
    showNotice(map, t('notice.image', { name: imageName }));
    // The drawn map stands in for the bitmap; the first view takes in the islands and
    // ships.
    const bounds = markerBounds(world());
    showDrawnMap();
    first(bounds, 'no-image');
  });

  return {
    // Shows the drawn map at the start, when no bitmap is loaded.
    start() {
      if (!drawInstead) return;  // the bitmap's load shows the first view
      showDrawnMap();
      first(worldBounds, 'ready');
    },
    // The base of a new world: the drawn map drawn again, or the bitmap loaded anew.
    replace(imageUrl) {
      if (drawnLayer) showDrawnMap();
      else if (imageUrl) mapImage.setUrl(imageUrl);
    },
    drawsMap: () => drawnLayer !== null,
    // The bounds of all of the world, or null until they are known.
    worldBounds: () => worldBounds,
  };
}

// Starts loading the image at `url` at once. An image's own request waits until the
// script that made it ends; while the page's scripts set up the rest of the page, the
// bitmap comes in. Gives the hint, to be taken out once the image is there.
function preloadImage(url) {
  const hint = document.createElement('link');
  hint.rel = 'preload';
  hint.as = 'image';
  hint.href = url;
  hint.fetchPriority = 'high';
  document.head.append(hint);
  return hint;
}

// The bounds that take in every island and ship.
function markerBounds(world) {
  const bounds = L.latLngBounds([]);
  for (const { count, x, y } of [world.islands, world.ships]) {
    for (let i = 0; i < count; i++) bounds.extend(worldPoint(x[i], y[i]));
  }
  return bounds;
}
