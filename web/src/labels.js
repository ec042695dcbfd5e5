// The marker layers of the map. Each puts into the document only the markers that lie
// in view (with a margin) and show at the current zoom, reuses the elements it takes
// off, and costs nothing while it is switched off.
'use strict';
(() => {
  const tlmaper = (window.tlmaper ??= {});

  // Screen pixels around the view whose markers are kept in the document, so that a
  // short pan shows them at once.
  const ViewMargin = 64;
  // From this many zoom levels below the highest on, every town and explored marker in
  // view shows; below it, only those of islands whose labels show.
  const ExactMarkerLevels = 1;
  // More town or explored markers than this in view show only where labels show.
  const MostMarkersInView = 1000;
  // Elements a layer keeps off the document for markers that may come back.
  const KeptElements = 4000;
  // Zoom changes that follow each other within this many milliseconds take the labels
  // off the map until the zoom rests this long: showing a full set of labels for every
  // passing zoom level would make fast zooming stutter.
  const SettleTime = 150;

  // Tells the layers whether to hold their labels back while the zoom changes fast,
  // and brings them back once it rests. #map's data-labels says "settling" meanwhile,
  // "shown" otherwise.
  function zoomSettler(mapElement, layers) {
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

  // Text widths from a table per font: each character measured once on a canvas with
  // the font the page's stylesheet gives the label class, in place of laying out every
  // label in the document. Labels keep to one line and fold every run of blank space,
  // tabs and line breaks included, into one space, dropping it at either end; the
  // measure does the same in one pass, so a name full of tabs or line breaks costs no
  // more than one of letters.
  function textMeasure(container, className) {
    const probe = document.createElement('div');
    probe.className = `leaflet-marker-icon ${className}`;
    probe.style.cssText = 'visibility:hidden;position:absolute;left:0;top:0';
    probe.textContent = 'x';
    container.appendChild(probe);
    const style = getComputedStyle(probe);
    const pixels = (value) => parseFloat(value) || 0;
    const extraWidth = pixels(style.paddingLeft) + pixels(style.paddingRight) +
                       pixels(style.borderLeftWidth) + pixels(style.borderRightWidth);
    const extraHeight = pixels(style.paddingTop) + pixels(style.paddingBottom) +
                        pixels(style.borderTopWidth) + pixels(style.borderBottomWidth);
    const lineHeight = style.lineHeight === 'normal'
      ? probe.getBoundingClientRect().height - extraHeight
      : pixels(style.lineHeight);
    const letterSpacing = pixels(style.letterSpacing);
    const context = document.createElement('canvas').getContext('2d');
    context.font = `${style.fontStyle} ${style.fontWeight} ${style.fontSize} ${style.fontFamily}`;
    const ascii = new Float64Array(128);
    for (let code = 32; code < 127; code++) {
      ascii[code] = context.measureText(String.fromCharCode(code)).width + letterSpacing;
    }
    // The characters the stylesheet's white-space rule folds: space, tab, line feed,
    // form feed and carriage return.
    const isBlank = (code) =>
      code === 32 || code === 9 || code === 10 || code === 12 || code === 13;
    const folded = (text) => text.replace(/[ \t\n\f\r]+/g, ' ').trim();

    const size = (text) => {
      let width = 0;
      let blankBefore = false;
      for (let k = 0; k < text.length; k++) {
        const code = text.charCodeAt(k);
        if (isBlank(code)) {
          blankBefore = width > 0;
          continue;
        }
        if (code >= 127 || code < 32) {
          const line = folded(text);
          width = context.measureText(line).width + letterSpacing * line.length;
          break;
        }
        if (blankBefore) width += ascii[32];
        blankBefore = false;
        width += ascii[code];
      }
      return { width: width + extraWidth, height: lineHeight + extraHeight };
    };
    return { size, lineHeight: lineHeight + extraHeight, remove: () => probe.remove() };
  }

  // The metrics the placement needs, from the page's own label styles.
  function labelMetrics(container) {
    const difficulty = textMeasure(container, 'difficulty');
    const name = textMeasure(container, 'islandname');
    return {
      difficultyWidth: (text) => difficulty.size(text).width,
      nameSize: name.size,
      lineHeight: difficulty.lineHeight,
      done() {
        difficulty.remove();
        name.remove();
      },
    };
  }

  // A map layer that shows the markers `source` finds for the current view.
  // source: find(map, zoom, rect) -> indices; create(index) -> element, for a new one;
  //         fill(element, index); point(index) -> [x, y] in world units;
  //         shows(index, zoom) -> whether it stays when the map zooms to `zoom`.
  // Elements taken off the map are kept for a while by index: zooming back and forth
  // brings the same markers back, and an element that still holds its text is cheaper
  // to show again than one filled anew.
  const ViewLayer = L.Layer.extend({
    options: { pane: 'markerPane' },

    initialize(source, settler) {
      this._source = source;
      this._settler = settler;
      this._shown = new Map();  // index -> element, in the document
      this._kept = new Map();   // index -> element, off the document, oldest first
      this._placedAt = null;    // the zoom and pixel origin the positions belong to
      this._covered = null;     // the pixel rectangle whose markers are in the document
    },

    getEvents() {
      return { moveend: this._update, zoomanim: this._animateZoom };
    },

    onAdd() {
      this._update();
    },

    onRemove() {
      for (const element of this._shown.values()) element.remove();
      this._shown.clear();
      this._kept.clear();
      this._placedAt = null;
      this._covered = null;
    },

    // Makes the layer look again at the current view, even if it has not moved.
    refresh() {
      this._covered = null;
      this._update();
    },

    _position(element, index, scale, origin) {
      const [x, y] = this._source.point(index);
      const left = Math.round(x * scale - origin.x), top = Math.round(y * scale - origin.y);
      element.style.transform = `translate(${left}px,${top}px)`;
    },

    _take(index) {
      const kept = this._kept.get(index);
      if (kept) {
        this._kept.delete(index);
        return kept;
      }
      let element;
      if (this._kept.size > KeptElements) {
        const [oldest, spare] = this._kept.entries().next().value;
        this._kept.delete(oldest);
        element = spare;
      } else {
        element = this._source.create(index);
      }
      this._source.fill(element, index);
      return element;
    },

    _takeAllOff() {
      for (const [index, element] of this._shown) this._putAway(index, element);
      this._shown.clear();
      this._placedAt = null;
      this._covered = null;
    },

    _putAway(index, element) {
      element.remove();
      this._kept.set(index, element);
    },

    // Swaps the markers in the document for those of the current view and zoom. A pan
    // that stays within the margin changes nothing.
    _update() {
      const map = this._map;
      if (!map) return;
      const zoom = map.getZoom();
      if (this._settler.holding(zoom)) {
        this._takeAllOff();
        return;
      }
      const view = map.getPixelBounds();
      const covered = this._covered;
      if (covered && covered.zoom === zoom && view.min.x >= covered.x0 &&
          view.min.y >= covered.y0 && view.max.x <= covered.x1 && view.max.y <= covered.y1) {
        return;
      }
      const scale = map.getZoomScale(zoom, 0);
      const origin = map.getPixelOrigin();
      const rect = [view.min.x - ViewMargin, view.min.y - ViewMargin,
        view.max.x + ViewMargin, view.max.y + ViewMargin];
      const zoomed = this._placedAt?.zoom !== zoom;
      const moved = zoomed || !this._placedAt.origin.equals(origin);
      const shown = new Map();
      const added = document.createDocumentFragment();
      for (const index of this._source.find(map, zoom, rect)) {
        let element = this._shown.get(index);
        if (element) {
          this._shown.delete(index);
          if (moved) this._position(element, index, scale, origin);
        } else {
          element = this._take(index);
          this._position(element, index, scale, origin);
          added.appendChild(element);
        }
        shown.set(index, element);
      }
      for (const [index, element] of this._shown) this._putAway(index, element);
      this._shown = shown;
      this._placedAt = { zoom, origin };
      this._covered = { zoom, x0: rect[0], y0: rect[1], x1: rect[2], y1: rect[3] };
      const pane = this.getPane();
      if (this._source.below) pane.insertBefore(added, pane.firstChild);
      else pane.appendChild(added);
      if (zoomed) this._settler.shown();
    },

    // Moves the markers with a zoom animation; on zooming out the ones that will not
    // show at the new zoom leave first, so that none overlap while the map moves.
    _animateZoom(event) {
      const map = this._map;
      const scale = map.getZoomScale(event.zoom, 0);
      const origin = map._getNewPixelOrigin(event.center, event.zoom);
      for (const [index, element] of this._shown) {
        if (this._source.shows(index, event.zoom)) {
          this._position(element, index, scale, origin);
        } else {
          this._putAway(index, element);
          this._shown.delete(index);
        }
      }
      this._placedAt = null;
      this._covered = null;
    },
  });

  function labelElement(className, marginLeft, marginTop) {
    const element = document.createElement('div');
    element.className = `leaflet-marker-icon ${className} leaflet-zoom-animated`;
    element.style.marginLeft = `${-marginLeft}px`;
    element.style.marginTop = `${-marginTop}px`;
    return element;
  }

  // The five layers over one world and its placement.
  function makeLayers(world, placement, mapElement) {
    const { islands, ships } = world;
    const islandCount = islands.count;
    const maxLevel = placement.maxZoom - ExactMarkerLevels;

    // One query per view serves every label layer.
    let lastQuery = null;
    const labelsInView = (zoom, rect) => {
      const key = `${placement.generation}:${zoom}:${rect.join(',')}`;
      if (lastQuery?.key !== key) {
        lastQuery = { key, found: placement.inView(zoom, ...rect) };
      }
      return lastQuery.found;
    };
    const islandPoint = (i) => [islands.x[i], islands.y[i]];
    const { labels } = placement;
    const { nameBox, NameCandidates } = tlmaper.placement;

    // A difficulty is centred on its point.
    const difficultySource = (values, offset, point) => ({
      find: (map, zoom, rect) => labelsInView(zoom, rect)
        .filter((id) => (offset === 0
          ? id < islandCount
          : id >= islandCount && id < labels.firstName))
        .map((id) => id - offset),
      create: () => labelElement('difficulty', 0, labels.halfHeight),
      fill(element, i) {
        element.textContent = String(values[i]);
        element.style.marginLeft = `${-labels.halfWidth[i + offset]}px`;
      },
      point,
      shows: (i, zoom) => placement.shows(i + offset, zoom),
    });

    // A name is known by its island and its place: key = island * candidates + place.
    const Places = NameCandidates.length;
    const box = new Float64Array(4);
    const names = {
      find: (map, zoom, rect) => labelsInView(zoom, rect)
        .filter((id) => id >= labels.firstName)
        .map((id) => {
          const i = id - labels.firstName;
          return i * Places + placement.candidate[i];
        }),
      create: () => labelElement('islandname', 0, 0),
      fill(element, key) {
        const i = Math.floor(key / Places);
        element.textContent = islands.names[i];
        nameBox(labels, i, key % Places, box);
        element.style.marginLeft = `${box[0]}px`;
        element.style.marginTop = `${box[1]}px`;
      },
      point: (key) => placement.nameAnchor(Math.floor(key / Places), key % Places),
      shows(key, zoom) {
        const i = Math.floor(key / Places);
        return placement.shows(labels.firstName + i, zoom) &&
               placement.candidate[i] === key % Places;
      },
    };

    // Towns and explored islands: exact near the highest zoom, else where labels show.
    const markerSource = (marks, className, size) => {
      const members = [];
      for (let i = 0; i < islandCount; i++) if (marks[i]) members.push(i);
      let grid = null;
      return {
        below: true,
        find(map, zoom, rect) {
          if (zoom >= maxLevel) {
            grid ??= new tlmaper.placement.PointGrid(islands.x, islands.y, members, 16, 1 << 16);
            const scale = 2 ** zoom, reach = size / 2;
            const found = [];
            grid.forEachIn((rect[0] - reach) / scale, (rect[1] - reach) / scale,
              (rect[2] + reach) / scale, (rect[3] + reach) / scale, (i) => found.push(i));
            if (found.length <= MostMarkersInView) return found;
          }
          return labelsInView(zoom, rect).filter((i) => i < islandCount && marks[i]);
        },
        create() {
          const element = labelElement(className, size / 2, size / 2);
          element.style.width = element.style.height = `${size}px`;
          return element;
        },
        fill() {},
        point: islandPoint,
        shows: (i, zoom) => zoom >= maxLevel || placement.shows(i, zoom),
      };
    };

    const settler = zoomSettler(mapElement, () => Object.values(layers));
    const layers = {
      'Island difficulty':
        new ViewLayer(difficultySource(islands.difficulty, 0, islandPoint), settler),
      'Island names': new ViewLayer(names, settler),
      'Towns': new ViewLayer(markerSource(islands.isTown, 'town-marker', 20), settler),
      'Explored islands':
        new ViewLayer(markerSource(islands.isExplored, 'explored-marker', 28), settler),
      'Ship difficulty': new ViewLayer(difficultySource(ships.difficulty, islandCount,
        (j) => [ships.x[j], ships.y[j]]), settler),
    };
    return layers;
  }

  tlmaper.labels = { labelMetrics, makeLayers, ViewLayer };
})();
