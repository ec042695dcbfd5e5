// The player's marker: a magenta dot at the player's position, over the other markers.
import { worldPoint } from './map.js';

export function makePlayerMarker(player) {
  return L.marker(worldPoint(player.x, player.y), {
    icon: L.divIcon({ className: 'player-marker', iconSize: [16, 16], iconAnchor: [8, 8] }),
    keyboard: false,
    zIndexOffset: 1000,
    // A click on the player goes on to the map, to what lies under the marker.
    bubblingMouseEvents: true,
  }).bindTooltip('You are here');
}
