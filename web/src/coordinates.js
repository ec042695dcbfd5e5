// Shows the world position under the cursor in a corner of the map, in the save's own
// units: the same whole numbers as in the save file.

import { worldPosition } from './map.js';

const Nothing = 'x –, y –';

// Puts `readout` (the page's coordinates panel) on the map and keeps it up to date.
export function showCoordinates(map, readout) {
  const control = L.control({ position: 'bottomleft' });
  control.onAdd = () => readout;
  control.addTo(map);

  map.on('mousemove', (event) => {
    const position = worldPosition(event.latlng);
    // "+ 0" turns a rounded -0 into 0.
    readout.textContent = `x ${Math.round(position.x) + 0}, y ${Math.round(position.y) + 0}`;
  });
  map.on('mouseout', () => { readout.textContent = Nothing; });
}
