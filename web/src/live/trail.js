// The path sailed on a live page: the tool's path (GET /trail, fetched whenever its
// event stream says the path grew) merged with the one kept in the browser for this
// world, drawn on the map (the "Path sailed" switch) and kept again. "Clear path" in the
// live bar forgets it, here and in the browser: the tool's points from before it are
// not taken back.
import { switchName } from '../world/layer-control.js';
import { mergeTrails, pointsFromJson } from './trail-merge.js';
import { trailLayer } from './trail-layer.js';
import { trailStore } from './trail-store.js';
import { t } from '../i18n/i18n.js';

const LayerName = 'Path sailed';
const RetryMs = 2000;

// The path over the world `shown` shows on `map`, kept for the world named `worldName`;
// the "Clear path" button goes into `bar`. Gives { heard(state), trail() }: heard() takes
// each state of the event stream ({ run, trail }).
export function keepTrail(map, shown, { worldName, bar }) {
  const store = trailStore(worldName);
  let { points, cleared } = store.read();
  const layer = trailLayer(map, () => points);
  const clear = document.createElement('button');
  clear.type = 'button';
  clear.className = 'live-clear';
  clear.textContent = t('live.clearPath');
  clear.title = t('live.clearPathTitle');
  bar.append(clear);

  function count() {
    shown.setLayerCount(LayerName, t('layers.count', { count: points.length }));
    clear.disabled = points.length === 0;
  }
  function show() {
    layer.redraw();
    count();
  }
  // Merges `paths` in; the path is kept and drawn again only when that changed it (the
  // merge keeps the points it had as they were).
  function take(paths) {
    const merged = mergeTrails([points, ...paths], cleared);
    if (merged.length === points.length && merged.every((point, k) => point === points[k])) return;
    points = merged;
    store.write(points, cleared);
    show();
  }

  let firstWorld = true;
  shown.onWorld(() => {
    shown.layerControl().addOverlay(layer.layer, switchName(LayerName, '(0)'));
    if (firstWorld) {
      firstWorld = false;
      layer.layer.addTo(map);
    }
    count();
  });
  clear.addEventListener('click', () => {
    cleared = Math.max(Date.now(), points.at(-1)?.t ?? 0);
    points = [];
    store.write(points, cleared);
    show();
  });
  // Another page of this world in this browser kept a path, or cleared it.
  window.addEventListener('storage', (event) => {
    if (event.key !== store.key) return;
    const kept = store.read();
    if (kept.cleared > cleared) {
      cleared = kept.cleared;
      points = [];
    }
    points = mergeTrails([points, kept.points], cleared);
    show();
  });

  // The tool's path, fetched when the stream names one not yet fetched; one fetch at a
  // time, and again when the path grew meanwhile.
  let wanted = '';
  let fetched = '';
  let fetching = false;
  async function fetchTrail() {
    if (fetching) return;
    fetching = true;
    try {
      while (fetched !== wanted) {
        const asked = wanted;
        const response = await fetch('trail', { cache: 'no-store' });
        if (!response.ok) throw new Error(`the path answered ${response.status}`);
        take([pointsFromJson((await response.json())?.points)]);
        fetched = asked;
      }
    } catch (error) {
      console.warn(`The path sailed could not be fetched: ${error.message}`);
      setTimeout(fetchTrail, RetryMs);
    } finally {
      fetching = false;
    }
  }

  return {
    heard({ run, trail }) {
      if (run === undefined || trail === undefined) return;
      wanted = `${run}:${trail}`;
      fetchTrail();
    },
    trail: () => points.map(({ x, y }) => ({ x, y })),
  };
}
