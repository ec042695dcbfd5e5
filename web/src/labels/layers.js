// The five layers over one world and its placement, by the names the layer control
// shows: the three kinds of label and the town and explored marks, all drawn on one
// canvas layer, each switched on and off as a layer of its own.

import { labelCanvas } from './label-canvas.js';
import { zoomSettler } from './zoom-settler.js';

// A layer that switches one kind of drawn label or mark on and off.
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

// Gives { overlays, labels, refresh(), switchOn(names), remove() }: the layers by name,
// the drawn labels (which say where they are), a refresh for when the placement changes,
// the layers `names` put on the map at once (the tiles drawn once for all of them), and
// the end of the world's layers.
export function makeLayers(map, world, placement, metrics, mapElement) {
  const settler = zoomSettler(mapElement, () => [labels]);
  const labels = labelCanvas(map, world, placement, metrics, settler);
  const switchFor = (kind) => new LabelSwitch(labels, kind);
  const overlays = {
    'Island difficulty': switchFor('difficulty'),
    'Island names': switchFor('name'),
    'Towns': switchFor('town'),
    'Explored islands': switchFor('explored'),
    'Ship difficulty': switchFor('shipDifficulty'),
  };
  return {
    overlays,
    labels,
    refresh: () => labels.refresh(),
    switchOn(names) {
      labels.together(() => {
        for (const name of names) overlays[name]?.addTo(map);
      });
    },
    remove() {
      for (const layer of Object.values(overlays)) layer.remove();
      labels.remove();
    },
  };
}
