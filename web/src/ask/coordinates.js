// Shows the world position under the cursor in a corner of the map, in the save's own
// units: the same whole numbers as in the save file; and how far that place is from the
// player, and which way.

import { fromPlayerText, offsetBetween } from '../shared/compass.js';
import { worldPosition } from '../world/map.js';
import { t } from '../i18n/i18n.js';

// Puts `readout` (the page's coordinates panel) on the map and keeps it up to date;
// player() gives the player's position.
export function showCoordinates(map, readout, player) {
  const control = L.control({ position: 'bottomleft' });
  control.onAdd = () => readout;
  control.addTo(map);

  map.on('mousemove', (event) => {
    const position = worldPosition(event.latlng);
    // "+ 0" turns a rounded -0 into 0. The distance is that of the place shown.
    const place = { x: Math.round(position.x) + 0, y: Math.round(position.y) + 0 };
    const fromPlayer = fromPlayerText(offsetBetween(player(), place));
    readout.textContent = t('card.where', { x: String(place.x), y: String(place.y), offset: fromPlayer });
  });
  map.on('mouseout', () => { readout.textContent = t('coordinates.none'); });
}
