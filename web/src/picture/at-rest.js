// Waiting for the map to rest before it is pictured: no pan or zoom under way, no
// transition of its panes still running (a zoom's may outlast its end on a busy
// machine), the labels not held back by fast zooming (#map[data-labels="settling"]),
// every tile layer done and no tile still fading in. A picture taken mid-way would hold
// two zooms at once, a view part way through its scaling, or labels missing.

// The longest wait, in milliseconds: a map that never rests is pictured as it is.
const LongestWait = 3000;

// The next frame, or a moment later where frames do not come (a page out of sight).
const nextFrame = () => new Promise((done) => {
  requestAnimationFrame(done);
  setTimeout(done, 50);
});

// Follows `map` from now on; gives untilAtRest(), a Promise that settles once it rests.
export function restWatcher(map, mapElement) {
  let moving = false;
  map.on('movestart zoomstart', () => { moving = true; });
  // A zoom ends with moveend too, after zoomend.
  map.on('moveend', () => { moving = false; });

  const busyLayers = () => {
    let busy = false;
    map.eachLayer((layer) => { if (layer.isLoading?.()) busy = true; });
    return busy;
  };
  const fadingTiles = () => Array.from(mapElement.querySelectorAll('.leaflet-tile'))
    .some((tile) => tile.style.opacity !== '' && Number(tile.style.opacity) < 1);
  // Transitions and animations under way that will end; an endless one is part of the
  // view.
  const transitions = () => mapElement.getAnimations({ subtree: true })
    .some((animation) => (animation.playState === 'running' || animation.pending) &&
      animation.effect?.getComputedTiming().endTime !== Infinity);
  const resting = () => !moving && mapElement.dataset.labels !== 'settling' &&
    !busyLayers() && !fadingTiles() && !transitions();

  return async function untilAtRest() {
    const since = performance.now();
    while (!resting() && performance.now() - since < LongestWait) await nextFrame();
  };
}
