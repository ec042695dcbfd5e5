// Keeps the view in the page address, readable and shareable: "#z=2&x=140&y=85" is the
// zoom and the world position (in the save's units) at the centre of the map. The hash
// follows the map as it moves, and a page opened with such a hash starts on that view.
'use strict';
(() => {
  const tlmaper = (window.tlmaper ??= {});
  const map = tlmaper.findMap?.();
  if (!map) return;
  const mapElement = document.getElementById('map');

  const worldPoint = (x, y) => tlmaper.worldPoint?.(x, y) ?? map.unproject([x, y], 0);
  const worldPosition = (latLng) => tlmaper.worldPosition?.(latLng) ?? map.project(latLng, 0);

  // The view a hash names, or null when it names none (missing or unreadable values).
  function viewFromHash(hash) {
    const values = new URLSearchParams(hash.replace(/^#/, ''));
    const number = (name) => {
      const text = values.get(name);
      return text !== null && /^\s*-?\d+(\.\d+)?\s*$/.test(text) ? Number(text) : null;
    };
    const [zoom, x, y] = [number('z'), number('x'), number('y')];
    if (zoom === null || x === null || y === null) return null;
    const fittedZoom = Math.min(Math.max(zoom, map.getMinZoom()), map.getMaxZoom());
    return { center: worldPoint(x, y), zoom: fittedZoom };
  }

  function hashOfView() {
    const centre = worldPosition(map.getCenter());
    const zoom = Math.round(map.getZoom() * 100) / 100;
    const drawnMap = tlmaper.drawnMap?.AddressPart ?? '';  // "&map=drawn" stays in the address
    return `#z=${zoom}&x=${Math.round(centre.x)}&y=${Math.round(centre.y)}${drawnMap}`;
  }

  // Read now: the map moves (and the hash with it) before the first view is chosen.
  const openingHash = location.hash;
  tlmaper.initialView = () => viewFromHash(openingHash);

  // The address with the view, as the copy-link button gives it.
  tlmaper.viewLink = () => location.href.replace(/#.*$/, '') + hashOfView();

  let writtenHash = null;
  function followView() {
    if (mapElement?.dataset.state === 'loading') return;
    const hash = hashOfView();
    if (hash === location.hash) return;
    writtenHash = hash;
    try {
      history.replaceState(history.state, '', hash);
    } catch {
      location.replace(hash);  // no history entry either way
    }
  }
  // A map moved on every frame ends a move on every frame; the address, which the
  // browser rate-limits, follows once the map has rested for a moment.
  const RestMilliseconds = 200;
  let followTimer = 0;
  map.on('moveend', () => {
    clearTimeout(followTimer);
    followTimer = setTimeout(followView, RestMilliseconds);
  });
  // Once the first view is on the map, the address shows it.
  new MutationObserver(followView).observe(mapElement, { attributeFilter: ['data-state'] });

  // A hash typed into the address bar moves the map there.
  window.addEventListener('hashchange', () => {
    if (location.hash === writtenHash) return;
    const view = viewFromHash(location.hash);
    if (view) map.setView(view.center, view.zoom);
  });
})();
