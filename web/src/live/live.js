// The live map: served by `tlmaper --live`, the page hears of each new map on the
// server's event stream (/events) and puts it in place of the shown one, keeping the
// view, the address, the search, the layers and a pinned island. It shows when the map
// was last updated, and says so while the latest save could not be read. It draws the
// path sailed (trail.js) and tells what each new save changed (changes-notice.js).
// Opened from disk it does none of this.
//
// #map's data-live says "current" once the page shows the latest map the server has
// announced, "updating" while it fetches one; data-live-version names the map shown.
import { ListBlocks, readImageName, readPageWorld } from '../world/lists.js';
import { currentLanguage, t } from '../i18n/i18n.js';
import { noticeChanges } from './changes-notice.js';
import { keepTrail } from './trail.js';

// Follows the server's maps on `shown` (the world on the map), when served live; the
// path is kept for the world named `worldName`, and onChoose(index) opens an island's
// card. Gives { trail(), changes() }: the path [{ x, y }] oldest first, and the last
// update's changes [{ index, what }] (both empty when not live).
export function followLive(map, mapElement, shown, { worldName, onChoose }) {
  const notLive = { trail: () => [], changes: () => [] };
  if (!/^https?:$/.test(location.protocol) || typeof EventSource !== 'function') return notLive;
  const RetryMs = 2000;

  // The map this page was served with, as the server named it.
  function servedVersion(serverTiming) {
    const entry = serverTiming?.find?.((timing) => timing.name === 'map');
    return entry ? Number(entry.description) : null;
  }
  let shownVersion = servedVersion(performance.getEntriesByType?.('navigation')?.[0]?.serverTiming);
  let latest = null;  // the server's last word: { version, updated, unreadable, failed }
  let fetching = false;

  // The page names its bitmap by its file name alone; a backslash is part of a name
  // where the file system allows it.
  const nameOfImage = (path) => path.slice(path.lastIndexOf('/') + 1);
  let currentImageName = nameOfImage(readImageName(document));
  const imageUrl = (name, version) => `${encodeURIComponent(name)}?map=${version}`;

  // The bar at the bottom left: when the map was updated, and the path's "Clear path".
  const bar = L.DomUtil.create('div', 'panel live-bar');
  const status = L.DomUtil.create('span', 'live-status', bar);
  status.setAttribute('role', 'status');
  L.DomEvent.disableClickPropagation(bar);
  const StatusControl = L.Control.extend({ onAdd: () => bar });
  new StatusControl({ position: 'bottomleft' }).addTo(map);
  const trail = keepTrail(map, shown, { worldName, bar });
  const changes = noticeChanges(map, shown, { onChoose });

  // What the page says when the latest save could not be mapped, by what failed.
  const Failures = {
    read: 'live.failedRead',
    draw: 'live.failedDraw',
    write: 'live.failedWrite',
  };

  function showStatus(connected) {
    const time = latest ? new Date(latest.updated).toLocaleTimeString(currentLanguage()) : '';
    let text = connected ? t('live.updated', { time }) : t('live.reconnecting');
    const failureKey = Failures[latest?.failed] ?? (latest?.unreadable ? Failures.read : '');
    const failure = failureKey ? t(failureKey) : '';
    if (connected && failure) text = t('live.withFailure', { status: text, failure });
    status.textContent = text;
    bar.classList.toggle('live-problem', !connected || Boolean(failure));
  }

  // The served page's marker lists, player and bitmap name, taken from its text where
  // each stands once in the tool's own form: a full parse of a large world's page costs
  // a second. Null for a page in any other form, which is then parsed whole.
  function pageInToolForm(html) {
    const texts = {};
    for (const id of [...Object.values(ListBlocks), 'player-position']) {
      // (\x3c is "<": the page's own script element must not hold script tags.)
      const tag = `\x3cscript type="text/plain" id="${id}">`;
      const start = html.indexOf(tag);
      if (start < 0 || html.indexOf(tag, start + 1) >= 0) return null;
      const end = html.indexOf('\x3c/script>', start + tag.length);
      if (end < 0) return null;
      texts[id] = html.slice(start + tag.length, end);
    }
    const image = imageNameInToolForm(html);
    if (image === null) return null;
    return {
      getElementById: (id) => (id === 'map' ? { dataset: { image } }
        : id in texts ? { textContent: texts[id] } : null),
    };
  }

  // The bitmap name of the page's map element, decoded as the browser decodes the
  // attribute (the tool writes it escaped, so it holds no quote). Null unless the
  // element stands once in the text. (The element's id is taken from this page, so that
  // this script, inlined in the page, does not hold the element's text itself.)
  function imageNameInToolForm(html) {
    const tag = `\x3cdiv id="${mapElement.id}" data-image="`;
    const start = html.indexOf(tag);
    if (start < 0 || html.indexOf(tag, start + 1) >= 0) return null;
    const end = html.indexOf('"', start + tag.length);
    if (end < 0) return null;
    const element = new DOMParser()
      .parseFromString(`\x3cdiv data-image="${html.slice(start + tag.length, end)}">`, 'text/html')
      .body.firstElementChild;
    return element?.dataset.image ?? null;
  }

  // Fetches the latest page and shows its world and bitmap; once more if a newer map
  // was announced meanwhile.
  async function update() {
    if (fetching) return;
    fetching = true;
    mapElement.dataset.live = 'updating';
    try {
      while (latest && latest.version !== shownVersion) {
        // The bitmap keeps its name from map to map: it starts loading at once, beside
        // the page, and is shown from the browser's memory once the markers are ready.
        // A page that draws its map itself never loads the bitmap.
        const preload = shown.drawsMap() ? null : new Image();
        if (preload) preload.src = imageUrl(currentImageName, latest.version);
        const response = await fetch('./', { cache: 'no-store' });
        if (!response.ok) throw new Error(`the page answered ${response.status}`);
        const version = servedVersion([{
          name: 'map',
          description: /desc="?(\d+)/.exec(response.headers.get('Server-Timing') ?? '')?.[1],
        }]);
        const html = await response.text();
        const page = pageInToolForm(html) ?? new DOMParser().parseFromString(html, 'text/html');
        const imageName = nameOfImage(readImageName(page));
        const world = readPageWorld(page);
        // A bitmap that did not arrive whole is fetched again, before anything changes.
        if (preload && imageName === currentImageName && preload.src.endsWith(`=${version}`)) {
          await preload.decode();
        }
        currentImageName = imageName;
        const before = shown.world();
        shown.replaceWorld(world, imageUrl(imageName, version));
        changes.show(before, world);
        shownVersion = version;
        mapElement.dataset.liveVersion = String(version);
      }
      mapElement.dataset.live = 'current';
    } catch (error) {
      console.warn(`The new map could not be shown: ${error.message}`);
      setTimeout(update, RetryMs);
    } finally {
      fetching = false;
    }
  }

  // The browser reconnects a dropped stream by itself; a stream it gave up on (the tool
  // was stopped and started again, say) is opened anew.
  function connect() {
    const events = new EventSource('events');
    events.addEventListener('map', (event) => {
      latest = JSON.parse(event.data);
      shownVersion ??= latest.version;
      showStatus(true);
      trail.heard(latest);
      if (latest.version !== shownVersion) update();
      else if (!fetching) mapElement.dataset.live = 'current';
    });
    events.addEventListener('error', () => {
      showStatus(false);
      if (events.readyState === EventSource.CLOSED) setTimeout(connect, RetryMs);
    });
  }
  showStatus(true);
  connect();
  return { trail: trail.trail, changes: changes.changes };
}
