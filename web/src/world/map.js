// The Leaflet map of the page and how world positions lie on it.
//
// World position (x, y) is map point (x, y) at zoom 0, where one world unit is one map
// unit; the bitmap draws it as the pixel (2x, 2y).
import { t } from '../i18n/i18n.js';

export const MinZoom = -4;
export const MaxZoom = 5;

export const worldPoint = (x, y) => L.CRS.Simple.pointToLatLng(L.point(x, y), 0);

export function worldPosition(latLng) {
  const point = L.CRS.Simple.latLngToPoint(L.latLng(latLng), 0);
  return { x: point.x, y: point.y };
}

// The bitmap draws world position (x, y) as the pixel (2x, 2y), whose centre lies at
// image coordinates (2x + 0.5, 2y + 0.5). So image coordinate u is world (u - 0.5) / 2,
// and the image spans world -0.25 to (size - 0.5) / 2 on each axis.
export const imageBounds = (width, height) =>
  L.latLngBounds(worldPoint(-0.25, -0.25), worldPoint((width - 0.5) / 2, (height - 0.5) / 2));

export function createMap(mapElement) {
  const map = L.map(mapElement, {
    crs: L.CRS.Simple,
    minZoom: MinZoom,
    maxZoom: MaxZoom,
    attributionControl: false,
  });
  map.setView([0, 0], 0);
  // Leaflet's zoom buttons, named in the page's language.
  for (const [selector, key] of [['.leaflet-control-zoom-in', 'controls.zoomIn'],
    ['.leaflet-control-zoom-out', 'controls.zoomOut']]) {
    const button = mapElement.querySelector(selector);
    button?.setAttribute('title', t(key));
    button?.setAttribute('aria-label', t(key));
  }
  return map;
}

// Shows `text` above the map, for what the player should know about this page.
export function showNotice(map, text) {
  const notice = document.getElementById('notice');
  if (notice) {
    notice.textContent = text;
    notice.hidden = false;
    map.invalidateSize();
  }
}
