// Click or tap to identify: a click on any island's or ship's square, at any zoom, opens
// the card of what lies there (every square under the pointer, topmost first) and pins
// the first island's labels; a click on the open sea closes it. A ring marks what the
// card is about while it is open.
import { cardContent, makeCard } from './card.js';
import { worldPoint, worldPosition } from '../world/map.js';
import { HalfSquare } from '../placement/label-boxes.js';
import { islandGridOf, squareFinder } from './squares-at.js';

// How far from a square a pointer still hits it, in screen pixels: a square smaller
// than a fingertip (or a few pixels, for a mouse) is still found where the player aims.
const MouseReach = 3;
const TouchReach = 10;
// The ring stands this many pixels outside the square, and is never smaller than
// SmallestRing across.
const RingMargin = 5;
const SmallestRing = 18;

// Adds identifying to the world `shown` shows on `map`; the card goes into the map's
// container. Gives openIsland(index), which opens an island's card (for search and
// the nearest list), and the card.
export function addIdentify(map, shown, { actionsFor } = {}) {
  let world = null;
  let finder = null;
  const finderOf = () => (finder ??= squareFinder(world, islandGridOf(world)));

  let ring = null;
  let ringAt = null;
  const ringSize = () =>
    Math.max(SmallestRing, 2 * HalfSquare * 2 ** map.getZoom() + 2 * RingMargin);
  function showRing(x, y) {
    ringAt = { x, y };
    const size = ringSize();
    const icon = L.divIcon({ className: 'selection-ring', iconSize: [size, size] });
    if (ring) ring.setLatLng(worldPoint(x, y)).setIcon(icon);
    else ring = L.marker(worldPoint(x, y), { icon, interactive: false, keyboard: false }).addTo(map);
  }
  map.on('zoomend', () => { if (ring && ringAt) showRing(ringAt.x, ringAt.y); });

  const card = makeCard(document, () => {
    ring?.remove();
    ring = null;
  }, actionsFor);
  const container = map.getContainer();
  container.append(card.element);
  L.DomEvent.disableClickPropagation(card.element);
  L.DomEvent.disableScrollPropagation(card.element);

  shown.onWorld((newWorld) => {
    world = newWorld;
    finder = null;
    card.close();
    // The grids are made while the page is idle after the first view, so that the first
    // click is as quick.
    shown.afterFirstView(() => { if (world === newWorld) finderOf(); });
  });

  // Opens the card of `hits` at once; the first island's labels are pinned once the
  // card is on screen (in a large world, placing the labels again takes a while).
  let pinning = 0;
  function open(hits) {
    const content = cardContent(world, hits);
    card.open(content);
    const first = content.entries[0];
    showRing(first.x, first.y);
    const island = hits.find((hit) => hit.kind === 'island');
    cancelAnimationFrame(pinning);
    if (island) {
      const pinnedWorld = world;
      pinning = requestAnimationFrame(() => setTimeout(() => {
        if (world === pinnedWorld) shown.pinIsland(island.index);
      }, 0));
    }
  }

  map.on('click', (event) => {
    if (!world) return;
    const { x, y } = worldPosition(event.latlng);
    const touch = event.originalEvent?.pointerType === 'touch';
    const reach = (touch ? TouchReach : MouseReach) / 2 ** map.getZoom();
    const hits = finderOf().at(x, y, reach);
    if (hits.length === 0) card.close();
    else open(hits);
  });
  // Escape closes the card from anywhere a key of its own does not claim it.
  document.addEventListener('keydown', (event) => {
    if (event.key === 'Escape' && card.isOpen() && !event.defaultPrevented) card.close();
  });

  return {
    card,
    openIsland(index) {
      if (world && index >= 0 && index < world.islands.count) open([{ kind: 'island', index }]);
    },
  };
}
