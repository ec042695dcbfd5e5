// The voyage at work on the page: the stops, their route on the map (the "Voyage"
// switch), the panel in the top bar, the voyage kept in the address, and the planner
// that puts the stops in their shortest order. It holds across a live page's new worlds:
// the stops are found again by their positions.
import { nearestIslands } from '../ask/nearest.js';
import { islandGridOf } from '../ask/squares-at.js';
import { switchName } from '../world/layer-control.js';
import { showNotice } from '../world/map.js';
import { cheapestInsertion } from './insertion.js';
import { planVoyageInSlices } from './planner.js';
import { routeLayer } from './route-layer.js';
import { MostStopsInAddress, voyageAddressPart, voyageFromHash } from './voyage-address.js';
import { voyageLegs } from './voyage-legs.js';
import { makeVoyagePanel } from './voyage-panel.js';
import { voyageStops } from './voyage-stops.js';
import { t } from '../i18n/i18n.js';

const LayerName = 'Voyage';

// A pure plan from the player of `world` through the islands `indices`: { order (the
// same indices, in the voyage's order), distance }.
export async function planThrough(world, indices, { returnHome = false } = {}) {
  const list = Array.from(indices);
  const xs = Float64Array.from(list, (i) => world.islands.x[i]);
  const ys = Float64Array.from(list, (i) => world.islands.y[i]);
  const { order, distance } = await planVoyageInSlices(world.player, xs, ys, { returnHome });
  return { order: Array.from(order, (k) => list[k]), distance };
}

// What the notice says of a link's voyage that does not wholly fit this save.
function lostNotice(lost, unread) {
  const parts = [];
  if (lost.length > 0) {
    const shown = lost.slice(0, 5)
      .map(({ x, y }) => t('voyage.lostPlace', { x: String(x), y: String(y) })).join('; ');
    const places = lost.length > 5
      ? t('voyage.lostMore', { places: shown, count: lost.length - 5 }) : shown;
    parts.push(t('voyage.lostNotice', { count: lost.length, places }));
  }
  if (unread > 0) {
    parts.push(t('voyage.unread', { count: unread, most: MostStopsInAddress }));
  }
  return parts.length > 0 ? `${parts.join('; ')}.` : '';
}

// Adds the voyage over the world `shown` shows on `map`; its panel goes into `bar` before
// `before`. onChoose(index) opens an island's card; followAddress() writes the address
// anew; filtering.matches() gives the islands the filter shows.
export function addVoyage(map, shown, filtering, { bar, before, onChoose, followAddress }) {
  let world = null;
  const voyage = voyageStops(() => world);
  const route = routeLayer(map, () => ({
    player: world.player, stops: voyage.found(), home: voyage.returnHome(),
  }));
  let planning = false;
  const narrowScreen = window.matchMedia('(max-width: 640px)');
  const panel = makeVoyagePanel(document, panelActions());
  if (bar) bar.insertBefore(panel.element, before ?? null);
  panel.element.addEventListener('toggle', showVoyage);

  // Puts the voyage a hash asks for in place, unless it is the one shown; says what of
  // it is not in this save.
  function takeFromHash(hash) {
    const asked = voyageFromHash(hash);
    if (voyageAddressPart(asked.stops, asked.returnHome) ===
        voyageAddressPart(voyage.stops(), voyage.returnHome()) && asked.unread === 0) return;
    voyage.setPositions(asked.stops, asked.returnHome);
    const notice = lostNotice(voyage.missing(), asked.unread);
    if (notice) showNotice(map, notice);
  }

  function showVoyage() {
    const found = voyage.found();
    const view = voyageLegs(world.islands, world.player, found, voyage.returnHome());
    const matches = filtering.matches();
    const filtered = matches ? matches.reduce((sum, m) => sum + m, 0) : 0;
    panel.show(view, voyage.missing(), {
      returnHome: voyage.returnHome(), filtered, planning,
    });
    shown.setLayerCount(LayerName, t('layers.count', { count: voyage.stops().length }));
  }

  voyage.onChange(() => {
    route.redraw();
    showVoyage();
    followAddress();
  });
  let firstWorld = true;
  shown.onWorld((newWorld) => {
    world = newWorld;
    shown.layerControl().addOverlay(route.layer, switchName(LayerName, t('layers.count', { count: 0 })));
    if (firstWorld) {
      firstWorld = false;
      route.layer.addTo(map);
      takeFromHash(location.hash);
    }
    voyage.worldChanged();
  });
  filtering.onChange(showVoyage);
  // An address typed in, or reached with Back and Forward, brings its voyage.
  window.addEventListener('hashchange', () => takeFromHash(location.hash));

  function panelActions() {
    return {
      choose: (index) => {
        if (narrowScreen.matches) panel.element.open = false;  // leave the map free to see
        shown.revealIsland(index);
        onChoose(index);
      },
      move: (stop, step) => { if (voyage.move(stop, step)) panel.focusStop(stop + step); },
      remove: (stop) => {
        voyage.remove(stop);
        panel.focusStop(Math.min(stop, voyage.found().length - 1));
      },
      removeMissing: (k) => voyage.remove(voyage.found().length + k),
      setReturnHome: (on) => voyage.setReturnHome(on),
      clear: () => { voyage.clear(); panel.say(t('voyage.cleared')); },
      plan: () => planStops(),
      addFiltered: () => addFiltered(),
    };
  }

  // Puts the found stops in their shortest order, a slice at a time.
  async function planStops() {
    const found = voyage.found();
    if (planning || found.length < 2) return;
    planning = true;
    showVoyage();
    panel.say(t('voyage.planning'));
    const before = voyageLegs(world.islands, world.player, found, voyage.returnHome()).total;
    const planned = world;
    const indices = found.map((stop) => stop.index);
    const { order } = await planThrough(world, indices, { returnHome: voyage.returnHome() });
    planning = false;
    // Stops added, removed or moved meanwhile: the plan is of another voyage.
    const sameStops = (stops) => stops.length === indices.length &&
      [...stops.map((stop) => stop.index)].sort().join() === [...indices].sort().join();
    if (world !== planned || !sameStops(voyage.found())) return showVoyage();
    const place = new Map(indices.map((index, k) => [index, k]));
    voyage.reorder(order.map((index) => place.get(index)));
    const after = voyageLegs(world.islands, world.player, voyage.found(), voyage.returnHome()).total;
    panel.say(t('voyage.planned', { after, before }));
  }

  // Adds the islands the filter shows, the nearest first while there is room; then plans.
  async function addFiltered() {
    const matches = filtering.matches();
    if (!matches) return;
    const room = voyage.room();
    const accepts = (i) => matches[i] === 1 && !voyage.has(i);
    const { islands, player } = world;
    const nearest = nearestIslands(islandGridOf(world), islands.x, islands.y, player, accepts, room);
    const added = voyage.addAll(nearest);
    panel.say(t('voyage.added', { count: added }));
    await planStops();
  }

  return {
    addressPart: () => voyageAddressPart(voyage.stops(), voyage.returnHome()),
    has: (index) => voyage.has(index),
    // Adds island `index` where it lengthens the voyage least; false when it could not.
    add(index) {
      if (!world || !(index >= 0 && index < world.islands.count) || voyage.has(index)) return false;
      const found = voyage.found();
      const at = cheapestInsertion(world.player, world.islands.x, world.islands.y,
        found.map((stop) => stop.index), index, { returnHome: voyage.returnHome() });
      const added = voyage.add(index, at);
      panel.say(added ? t('voyage.addedAs', { number: at + 1 }) : t('voyage.full'));
      return added;
    },
    remove(index) {
      const stop = voyage.found().findIndex((s) => s.index === index);
      if (stop >= 0) voyage.remove(stop);
    },
    // Where island `index` is in the voyage (0 for the first stop), or -1.
    stopOf: (index) => voyage.found().findIndex((s) => s.index === index),
    onChange: (listener) => voyage.onChange(listener),
    stops: () => voyage.found().map((stop) => stop.index),
    // The card's button for an island entry: add it to the voyage, or take it out.
    cardActions(entry) {
      if (entry.kind !== 'island') return null;
      const actions = document.createElement('div');
      actions.className = 'card-actions';
      const toggle = document.createElement('button');
      toggle.type = 'button';
      toggle.className = 'card-voyage';
      const label = () => {
        const stop = this.stopOf(entry.index);
        toggle.textContent = stop >= 0 ? t('voyage.cardStop', { number: stop + 1 }) : t('voyage.cardAdd');
      };
      toggle.addEventListener('click', () => {
        if (this.stopOf(entry.index) >= 0) this.remove(entry.index);
        else this.add(entry.index);
        label();
      });
      label();
      actions.append(toggle);
      return actions;
    },
    plan: (indices, options) => planThrough(world, indices, options),
    stopsInView: () => route.stopsInView(),
  };
}
