// The map: the bitmap as a zoomable image (or the map drawn from the lists in its place),
// the five marker layers read from the page's lists, the layer control with each layer's
// count, and the player. Sets data-state on #map: "loading", then "ready" once the image
// (or the drawn map) and the first view's labels are shown, or "no-image" when the bitmap
// cannot be loaded.
//
// What the page's other scripts may use, on window.tlmaper: map, onWorld(callback)
// (called with the world now and with each new one), revealIsland(index), worldBounds(),
// worldPoint(x, y), worldPosition(latLng), overlays, layerControl, pinnedIsland() (its
// index or -1), drawsMap() (whether the map is drawn in place of the bitmap),
// replaceWorld(world, imageUrl), and initialView, which they may set to a
// function giving { center, zoom } or null.
'use strict';
// The map is also the page's global `map`, as it always was.
// eslint-disable-next-line no-var
var map = (() => {
  const tlmaper = (window.tlmaper ??= {});
  const MinZoom = -4;
  const MaxZoom = 5;
  // How far in a revealed island is shown at least.
  const RevealZoom = MaxZoom - 2;

  const mapElement = document.getElementById('map');
  const map = L.map(mapElement, {
    crs: L.CRS.Simple,
    minZoom: MinZoom,
    maxZoom: MaxZoom,
    attributionControl: false,
  });
  tlmaper.map = map;

  // World position (x, y) is map point (x, y) at zoom 0, where one world unit is one
  // map unit; the bitmap draws it as the pixel (2x, 2y).
  const worldPoint = (x, y) => map.unproject([x, y], 0);
  tlmaper.worldPoint = worldPoint;
  tlmaper.worldPosition = (latLng) => {
    const point = map.project(latLng, 0);
    return { x: point.x, y: point.y };
  };
  map.setView([0, 0], 0);

  function showNotice(text) {
    const notice = document.getElementById('notice');
    if (notice) {
      notice.textContent = text;
      notice.hidden = false;
      map.invalidateSize();
    }
  }

  function readPlayer() {
    const [x, y] = (document.getElementById('player-position')?.textContent ?? '')
      .split(',').map((part) => Number(part.trim()));
    return { x: Number.isFinite(x) ? x : 0, y: Number.isFinite(y) ? y : 0 };
  }

  function emptyWorld(player) {
    const none = new Int32Array(0);
    return {
      islands: {
        count: 0, x: none, y: none, difficulty: none,
        isTown: new Uint8Array(0), isExplored: new Uint8Array(0), names: [],
      },
      ships: { count: 0, x: none, y: none, difficulty: none },
      player,
    };
  }

  // The lists are read once, as data. A list not in the tool's form leaves the map
  // without markers and says so.
  function readWorld() {
    const player = readPlayer();
    try {
      const { readWorld, readListBlocks } = tlmaper.markers;
      return readWorld(readListBlocks(document), player);
    } catch (error) {
      if (!(error instanceof tlmaper.markers.ListError)) throw error;
      console.error(error.message);
      showNotice(`The markers of this page could not be read (${error.message}); ` +
                 'the map shows without them.');
      return emptyWorld(player);
    }
  }

  // The bitmap lies beside this page, named by its file name alone (which may hold any
  // character, a backslash too), relative to the page.
  const imageName = mapElement.dataset.image ?? '';
  // The bitmap draws world position (x, y) as the pixel (2x, 2y), whose centre lies at
  // image coordinates (2x + 0.5, 2y + 0.5). So image coordinate u is world (u - 0.5) / 2,
  // and the image spans world -0.25 to (size - 0.5) / 2 on each axis.
  const imageBounds = (width, height) =>
    L.latLngBounds(worldPoint(-0.25, -0.25), worldPoint((width - 0.5) / 2, (height - 0.5) / 2));
  let worldBounds = null;
  tlmaper.worldBounds = () => worldBounds ?? map.getBounds();

  const mapImage = L.imageOverlay(encodeURIComponent(imageName), [[0, 0], [0, 0]], {
    className: 'map-image',
  });

  // The world shown and what is built over it; a live page replaces them all.
  let world, placement, overlays, layerControl, playerMarker;
  function buildWorld(newWorld) {
    world = newWorld;
    const metrics = tlmaper.labels.labelMetrics(map.getPane('markerPane'));
    const labels = tlmaper.placement.measureLabels(world, metrics);
    metrics.done();
    placement = new tlmaper.placement.Placement(world, labels, MinZoom, MaxZoom);
    overlays = tlmaper.labels.makeLayers(world, placement, mapElement);
    tlmaper.overlays = overlays;
    tlmaper.world = world;
    layerControl = makeLayerControl().addTo(map);
    tlmaper.layerControl = layerControl;
    playerMarker = makePlayerMarker().addTo(map);
  }

  function makeLayerControl() {
    const counts = {
      'Island difficulty': world.islands.count,
      'Island names': world.islands.count,
      'Towns': world.islands.isTown.reduce((sum, mark) => sum + mark, 0),
      'Explored islands': world.islands.isExplored.reduce((sum, mark) => sum + mark, 0),
      'Ship difficulty': world.ships.count,
    };
    const controlNames = {};
    for (const [name, layer] of Object.entries(overlays)) {
      const count = counts[name].toLocaleString('en');
      controlNames[`${name} <span class="layer-count">(${count})</span>`] = layer;
    }
    return L.control.layers(null, controlNames, { collapsed: false });
  }

  function makePlayerMarker() {
    return L.marker(worldPoint(world.player.x, world.player.y), {
      icon: L.divIcon({ className: 'player-marker', iconSize: [16, 16], iconAnchor: [8, 8] }),
      keyboard: false,
      zIndexOffset: 1000,
    }).bindTooltip('You are here');
  }

  buildWorld(readWorld());

  // The map is drawn from the lists instead of loading a bitmap too large to pan
  // smoothly, or when the address asks for it; the bitmap's size follows from the islands.
  const drawn = tlmaper.drawnMap;
  const drawInstead = drawn &&
    (drawn.askedInAddress() || drawn.tooLargeForBitmap(drawn.mapSize(world)));
  if (!drawInstead) mapImage.addTo(map);
  // Shows the drawn map of the world shown, in place of any drawn before; gives the
  // bounds of the bitmap it stands for.
  let drawnLayer = null;
  function showDrawnMap() {
    const { width, height } = drawn.squaresOf(world).size;
    drawnLayer?.remove();
    drawnLayer = drawn.makeDrawnMap(world).addTo(map);
    return imageBounds(width, height);
  }

  // The lists are read by the time any other script runs.
  const worldCallbacks = [];
  tlmaper.onWorld = (callback) => {
    worldCallbacks.push(callback);
    callback(world);
  };

  // The levels the view has not needed yet are placed while the page is idle, a slice
  // of a level at a time, so that zooming into one for the first time is as quick as
  // returning to it.
  let placingAhead = false;
  function placeAheadWhenIdle() {
    if (placingAhead) return;
    placingAhead = true;
    const whenIdle = window.requestIdleCallback ??
      ((work) => setTimeout(() => work({ timeRemaining: () => 0 }), 200));
    const placeSome = (deadline) => {
      placingAhead = placement.placeNextLevel(deadline);
      if (placingAhead) whenIdle(placeSome);
    };
    whenIdle(placeSome);
  }

  // Revealing an island pins its label, so it shows at every zoom until another island
  // is revealed, and moves the map to it.
  tlmaper.revealIsland = (index) => {
    if (!(index >= 0 && index < world.islands.count)) return;
    placement.pin(index);
    const zoom = Math.max(map.getZoom(), RevealZoom);
    map.setView(worldPoint(world.islands.x[index], world.islands.y[index]), zoom,
      { animate: false });
    for (const layer of Object.values(overlays)) layer.refresh();
    placeAheadWhenIdle();
  };

  // The first view: the one another script asks for, else the whole world. The layers
  // go onto the map once it is set, so the first labels are those of that view.
  function showFirstView(bounds) {
    const asked = tlmaper.initialView?.() ?? null;
    if (asked) map.setView(asked.center, asked.zoom, { animate: false });
    else if (bounds?.isValid()) map.fitBounds(bounds, { animate: false });
    for (const layer of Object.values(overlays)) layer.addTo(map);
  }

  let firstViewShown = false;
  mapImage.on('load', () => {
    const image = mapImage.getElement();
    worldBounds = imageBounds(image.naturalWidth, image.naturalHeight);
    mapImage.setBounds(worldBounds);
    mapImage.bringToBack();
    if (firstViewShown) return;
    firstViewShown = true;
    showFirstView(worldBounds);
    mapElement.dataset.state = 'ready';
    placeAheadWhenIdle();
  });
  // Without the image, the view takes in every island and ship instead.
  function markerBounds() {
    const bounds = L.latLngBounds([]);
    for (const { count, x, y } of [world.islands, world.ships]) {
      for (let i = 0; i < count; i++) bounds.extend(worldPoint(x[i], y[i]));
    }
    return bounds;
  }

  mapImage.on('error', () => {
    if (firstViewShown) return;
    firstViewShown = true;
    showNotice(`The map image "${imageName}" could not be loaded; it should lie beside ` +
               'this page. The map is drawn from the page\'s own data.');
    // The drawn map stands in for the bitmap; the first view takes in the islands and
    // ships, and without a drawn map they are the whole world too.
    const bounds = markerBounds();
    if (drawn) worldBounds = showDrawnMap();
    else if (bounds.isValid()) worldBounds = bounds;
    showFirstView(bounds);
    mapElement.dataset.state = 'no-image';
    placeAheadWhenIdle();
  });

  if (drawInstead) {
    // Once every script of the page has run, as the bitmap's load would be.
    const show = () => {
      firstViewShown = true;
      worldBounds = showDrawnMap();
      showFirstView(worldBounds);
      mapElement.dataset.state = 'ready';
      placeAheadWhenIdle();
    };
    if (document.readyState === 'loading') document.addEventListener('DOMContentLoaded', show);
    else show();
  }

  tlmaper.pinnedIsland = () => placement.pinned;
  tlmaper.drawsMap = () => drawnLayer !== null;

  // A new world and bitmap in place of the shown ones, keeping the view, the layers
  // switched on and the pinned island (found again by its name and position).
  tlmaper.replaceWorld = (newWorld, imageUrl) => {
    const switchedOn = new Set(Object.keys(overlays).filter((name) => map.hasLayer(overlays[name])));
    const pinned = placement.pinned;
    const pinnedIsland = pinned >= 0 && pinned < world.islands.count
      ? { name: world.islands.names[pinned], x: world.islands.x[pinned], y: world.islands.y[pinned] }
      : null;
    for (const layer of Object.values(overlays)) layer.remove();
    layerControl.remove();
    playerMarker.remove();
    buildWorld(newWorld);
    if (pinnedIsland) {
      const { names, x, y, count } = world.islands;
      for (let i = 0; i < count; i++) {
        if (names[i] === pinnedIsland.name && x[i] === pinnedIsland.x && y[i] === pinnedIsland.y) {
          placement.pin(i);
          break;
        }
      }
    }
    for (const name of switchedOn) overlays[name]?.addTo(map);
    // A drawn map is drawn again from the new world; a bitmap is loaded anew.
    if (drawnLayer) worldBounds = showDrawnMap();
    else if (imageUrl) mapImage.setUrl(imageUrl);
    for (const callback of worldCallbacks) callback(world);
    placeAheadWhenIdle();
  };

  return map;
})();
