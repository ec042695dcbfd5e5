// A map layer that puts into the document only the markers that lie in view (with a
// margin) and show at the current zoom, reuses the elements it takes off, and costs
// nothing while it is switched off.

// Screen pixels around the view whose markers are kept in the document, so that a
// short pan shows them at once.
const ViewMargin = 64;
// Elements a layer keeps off the document for markers that may come back.
const KeptElements = 4000;

// A map layer that shows the markers `source` finds for the current view.
// source: find(map, zoom, rect) -> indices; create(index) -> element, for a new one;
//         fill(element, index); point(index) -> [x, y] in world units;
//         shows(index, zoom) -> whether it stays when the map zooms to `zoom`.
// Elements taken off the map are kept for a while by index: zooming back and forth
// brings the same markers back, and an element that still holds its text is cheaper
// to show again than one filled anew.
export const ViewLayer = L.Layer.extend({
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
