// The five layers over one world and its placement, by the names the layer control
// shows: the three kinds of label drawn on canvas, switched on and off as layers, and
// the town and explored marks.

import { labelCanvas } from './label-canvas.js';
import { markSource, viewQuery } from './sources.js';
import { ViewLayer } from './view-layer.js';
import { zoomSettler } from './zoom-settler.js';

// A layer that switches one kind of drawn label on and off.
const LabelSwitch = L.Layer.extend({
  initialize(drawn, kind) {
    this._drawn = drawn;
    this._kind = kind;
  },
  onAdd() {
    this._drawn.show(this._kind, true);
  },
  onRemove() {
    this._drawn.show(this._kind, false);
  },
});

// Gives { overlays, labels, refresh(), remove() }: the layers by name, the drawn labels
// (which say where they are), a refresh for when the placement changes, and the end of
// the world's layers.
export function makeLayers(map, world, placement, metrics, mapElement) {
  const query = viewQuery(placement);
  const { islands } = world;
  const settler = zoomSettler(mapElement, () => refreshed);
  const labels = labelCanvas(map, world, placement, metrics, settler);
  const marks = (marked, className, size) =>
    new ViewLayer(markSource(world, placement, query, marked, className, size), settler);
  const overlays = {
    'Island difficulty': new LabelSwitch(labels, 'difficulty'),
    'Island names': new LabelSwitch(labels, 'name'),
    'Towns': marks(islands.isTown, 'town-marker', 20),
    'Explored islands': marks(islands.isExplored, 'explored-marker', 28),
    'Ship difficulty': new LabelSwitch(labels, 'shipDifficulty'),
  };
  const refreshed = [labels, overlays.Towns, overlays['Explored islands']];
  return {
    overlays,
    labels,
    refresh() {
      for (const layer of refreshed) layer.refresh();
    },
    remove() {
      for (const layer of Object.values(overlays)) layer.remove();
      labels.remove();
    },
  };
}
