// Keeps the view in the page address, readable and shareable: "#z=2&x=140&y=85" is the
// zoom and the world position (in the save's units) at the centre of the map. The hash
// follows the map as it moves, and a page opened with such a hash starts on that view.

import { worldPoint, worldPosition } from '../world/map.js';

// World positions are 32-bit whole numbers. A centre far beyond them is no place in
// the world, and one beyond about 1e21 could not even be written back as digits.
const PositionLimit = 2 ** 31;
const inWorld = (value) => Number.isFinite(value) && Math.abs(value) <= PositionLimit;

// What a hash says beside the view, in a fixed order: two hashes that say the same
// thing beside it give the same text.
function partsBesideView(hash) {
  const values = new URLSearchParams(hash.replace(/^#/, ''));
  for (const name of ['z', 'x', 'y']) values.delete(name);
  values.sort();
  return values.toString();
}

// Keeps the address following the view of `map`; addressPart() gives what the address
// keeps after the view ("&map=drawn" once given, the filter).
export function followViewInAddress(map, mapElement, addressPart) {
  // The view a hash names, or null when it names none (missing, unreadable, infinite or
  // out-of-range values).
  function viewFromHash(hash) {
    const values = new URLSearchParams(hash.replace(/^#/, ''));
    const number = (name) => {
      const text = values.get(name);
      return text !== null && /^\s*-?\d+(\.\d+)?\s*$/.test(text) ? Number(text) : null;
    };
    const [zoom, x, y] = [number('z'), number('x'), number('y')];
    if (!Number.isFinite(zoom) || !inWorld(x) || !inWorld(y)) return null;
    const fittedZoom = Math.min(Math.max(zoom, map.getMinZoom()), map.getMaxZoom());
    return { center: worldPoint(x, y), zoom: fittedZoom, x, y, writtenZoom: zoom };
  }

  const hashOf = ({ zoom, x, y }) =>
    `#z=${Math.round(zoom * 100) / 100}&x=${Math.round(x)}&y=${Math.round(y)}` +
    addressPart();

  // Whether a hash names the view shown, to the whole units and hundredths of a zoom it
  // is written in. The map's centre is kept in whole screen pixels, so a view reached
  // from a hash may lie a fraction of a unit away from it: such a hash is not written
  // over (that would replace the history entry Back and Forward return to).
  function namesShownView(hash) {
    const view = viewFromHash(hash);
    if (!view) return false;
    const centre = worldPosition(map.getCenter());
    return Math.abs(view.writtenZoom - map.getZoom()) < 0.01 &&
      Math.abs(view.x - centre.x) <= 0.5 && Math.abs(view.y - centre.y) <= 0.5;
  }

  // The hash of the view shown, or null when its centre is no place the hash can name.
  function hashOfView() {
    const centre = worldPosition(map.getCenter());
    if (!inWorld(centre.x) || !inWorld(centre.y)) return null;
    return hashOf({ zoom: map.getZoom(), x: centre.x, y: centre.y });
  }

  // Read now: the map moves (and the hash with it) before the first view is chosen.
  const openingHash = location.hash;

  // The hash this page put in the address itself, when the browser took it as a change
  // of address (see below); that change is not followed.
  let ownHash = null;
  function followView() {
    if (mapElement.dataset.state === 'loading') return;
    const hash = hashOfView();
    if (hash === null || hash === location.hash) return;
    if (namesShownView(location.hash) && partsBesideView(location.hash) === partsBesideView(hash)) {
      return;
    }
    try {
      history.replaceState(history.state, '', hash);
    } catch {
      ownHash = hash;
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

  function followAddress() {
    const view = viewFromHash(location.hash);
    if (view && !namesShownView(location.hash)) map.setView(view.center, view.zoom);
  }
  // A zoom under way ignores a new view, so a new address waits for it to end.
  let zooming = false;
  map.on('zoomanim', () => { zooming = true; });
  map.on('zoomend', () => { zooming = false; });
  // A hash typed into the address bar, or reached with Back and Forward, moves the map
  // there whenever it names another view than the one shown. The view left behind is
  // not written over the new address.
  window.addEventListener('hashchange', () => {
    const isOwn = location.hash === ownHash;
    ownHash = null;
    if (isOwn) return;
    clearTimeout(followTimer);
    if (zooming) map.once('zoomend', followAddress);
    else followAddress();
  });

  return {
    // The view the address asked for when the page opened, or null.
    initialView: () => viewFromHash(openingHash),
    // Writes the address anew now, after a change of what it keeps beside the view.
    follow: () => {
      clearTimeout(followTimer);
      followView();
    },
    // The address with the view, as the copy-link button gives it.
    viewLink: () => location.href.replace(/#.*$/, '') + (hashOfView() ?? ''),
  };
}
