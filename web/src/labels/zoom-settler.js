// Holds the labels back while the zoom changes fast.

// Zoom changes that follow each other within this many milliseconds take the labels
// off the map until the zoom rests this long: showing a full set of labels for every
// passing zoom level would make fast zooming stutter.
const SettleTime = 150;

// Tells the layers whether to hold their labels back while the zoom changes fast,
// and brings them back once it rests. #map's data-labels says "settling" meanwhile,
// "shown" otherwise.
export function zoomSettler(mapElement, layers) {
  let lastZoom = null;
  let changedAt = -Infinity;
  let timer = null;
  mapElement.dataset.labels = 'shown';
  const settled = () => {
    timer = null;
    for (const layer of layers()) layer.refresh();
    mapElement.dataset.labels = 'shown';
  };
  return {
    holding(zoom) {
      if (zoom !== lastZoom) {
        const now = performance.now();
        if (now - changedAt < SettleTime) {
          clearTimeout(timer);
          timer = setTimeout(settled, SettleTime);
          mapElement.dataset.labels = 'settling';
        }
        lastZoom = zoom;
        changedAt = now;
      }
      return timer !== null;
    },
    // A layer has put up the labels of a new zoom. Drawing many labels may take longer
    // than the settle time; a change that comes as soon as they are drawn, in the next
    // frame, still counts as fast zooming.
    shown() {
      changedAt = performance.now();
      requestAnimationFrame(() => { changedAt = performance.now(); });
    },
  };
}
