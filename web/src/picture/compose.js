// The view composed on one canvas as the screen shows it. Everything the map shows lies
// in the panes of Leaflet's map pane: the canvases of every tile layer (the drawn map,
// the difficulty colours, the filter's veil, the labels and marks, any other), the
// bitmap, and the markers. Each is drawn where it lies on the screen, in the order the
// browser paints them, with the opacity of it and of everything it lies in. The
// controls, panels, card and notices lie outside the map pane and are left out.

import { paintBox } from './css-box.js';

// The order in which the browser paints `elements`, siblings in Leaflet's map pane:
// by z-index, then as they come. Every pane, layer, tile level and marker there is
// positioned with a z-index or a transform of its own, so each paints as one piece.
function inPaintOrder(elements) {
  const zIndex = (element) => Number.parseInt(getComputedStyle(element).zIndex, 10) || 0;
  return Array.from(elements, (element) => ({ element, z: zIndex(element) }))
    .sort((a, b) => a.z - b.z)
    .map(({ element }) => element);
}

// A canvas the size of `mapElement` at `ratio` device pixels to a CSS pixel, holding
// what the map shows. `drawBitmap(context, place)` draws the map's bitmap image (whose
// pixels a page opened from disk may not read), which lies at `place` (CSS pixels from
// the element's top-left corner), onto the whole canvas.
export function composeView(mapElement, { ratio, drawBitmap }) {
  const frame = mapElement.getBoundingClientRect();
  const canvas = document.createElement('canvas');
  canvas.width = Math.round(frame.width * ratio);
  canvas.height = Math.round(frame.height * ratio);
  const context = canvas.getContext('2d');
  if (!context) throw new Error('the view is too large for the browser to draw at once');
  // The map's own background shows wherever nothing lies over it.
  context.fillStyle = getComputedStyle(mapElement).backgroundColor;
  context.fillRect(0, 0, canvas.width, canvas.height);

  // Where `element` lies on the map, in CSS pixels from its top-left corner.
  const placeOf = (element) => {
    const box = element.getBoundingClientRect();
    const { width, height } = box;
    return { left: box.left - frame.left, top: box.top - frame.top, width, height };
  };

  const draw = (element, style, alpha) => {
    context.globalAlpha = alpha;
    if (element instanceof HTMLCanvasElement) {
      if (element.width === 0 || element.height === 0) return;
      const { left, top, width, height } = placeOf(element);
      // Canvases shown with sharp pixels are scaled so here too.
      context.imageSmoothingEnabled =
        style.imageRendering !== 'pixelated' && style.imageRendering !== 'crisp-edges';
      context.drawImage(element, left * ratio, top * ratio, width * ratio, height * ratio);
    } else if (element.classList.contains('map-image')) {
      const place = placeOf(element);
      if (element.complete && element.naturalWidth > 0 && place.width > 0 && place.height > 0) {
        context.imageSmoothingEnabled = false;
        drawBitmap(context, place);
      }
    } else {
      // The browser shows a marker placed at a fraction of a pixel at the nearest whole
      // CSS pixel, at any pixel ratio.
      const place = placeOf(element);
      paintBox(context, style,
        { ...place, left: Math.round(place.left), top: Math.round(place.top) }, ratio);
    }
  };

  const visit = (element, opacity) => {
    const style = getComputedStyle(element);
    if (style.display === 'none') return;
    const alpha = opacity * Number(style.opacity);
    if (alpha === 0) return;
    // Markers drawn by their style (the player's dot, the selection ring) are boxes
    // without content; other images than the bitmap are not drawn.
    const isMarkerBox = element.classList.contains('leaflet-marker-icon') &&
      !(element instanceof HTMLImageElement);
    if (element instanceof HTMLCanvasElement || element.classList.contains('map-image') ||
        isMarkerBox) {
      if (style.visibility === 'visible') draw(element, style, alpha);
      return;
    }
    for (const child of inPaintOrder(element.children)) visit(child, alpha);
  };
  const mapPane = mapElement.querySelector('.leaflet-map-pane');
  if (mapPane) visit(mapPane, 1);
  context.globalAlpha = 1;
  return canvas;
}
