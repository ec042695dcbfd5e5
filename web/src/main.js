// The page's one entry: reads what the tool wrote into the page once, builds the map and
// the world on it, and hands each feature what it needs.
//
// window.tlmaper is what the page shows of itself for inspection and for its tests:
// map, world, worldPoint(x, y), worldPosition(latLng), worldBounds(), revealIsland(index),
// pinnedIsland(), drawsMap(), viewLink(), and the tiles of the drawn map and the
// difficulty colours for measuring them. The map is also the page's global `map`.

import { addControls } from './controls.js';
import { showCoordinates } from './coordinates.js';
import { addDifficultyColours } from './difficulty-colours.js';
import { askedInAddress, DrawnAddressPart, makeDrawnMap, squaresOf } from './drawn-map.js';
import {
  emptyWorld, ListError, readImageName, readPageWorld, readPlayer, readWorldName,
} from './lists.js';
import { followLive } from './live.js';
import { createMap, showNotice, worldPoint, worldPosition } from './map.js';
import { nameThePage } from './page-name.js';
import { addSearch } from './search.js';
import { showWorld } from './shown-world.js';
import { followViewInAddress } from './view-hash.js';

const mapElement = document.getElementById('map');
const map = createMap(mapElement);
const imageName = readImageName(document);
nameThePage(map, readWorldName(document), imageName);

// The lists are read once, as data. A list not in the tool's form leaves the map without
// markers and says so.
function readWorld() {
  try {
    return readPageWorld(document);
  } catch (error) {
    if (!(error instanceof ListError)) throw error;
    console.error(error.message);
    showNotice(map, `The markers of this page could not be read (${error.message}); ` +
                    'the map shows without them.');
    return emptyWorld(readPlayer(document));
  }
}

const drawnAsked = askedInAddress(location.hash);
const shown = showWorld(map, mapElement, readWorld(), { imageName, drawnAsked });
const address = followViewInAddress(map, mapElement, drawnAsked ? DrawnAddressPart : '');
const coordinates = document.getElementById('coordinates');
if (coordinates) showCoordinates(map, coordinates);
addControls(map, shown, address.viewLink);
const colours = addDifficultyColours(map, shown);
addSearch(shown);
followLive(map, mapElement, shown);

window.map = map;
window.tlmaper = {
  map,
  get world() { return shown.world(); },
  worldPoint,
  worldPosition,
  worldBounds: shown.worldBounds,
  revealIsland: shown.revealIsland,
  pinnedIsland: shown.pinnedIsland,
  drawsMap: shown.drawsMap,
  viewLink: address.viewLink,
  drawnMap: { squaresOf, makeDrawnMap },
  difficultyColours: colours,
};

shown.start(address.initialView);
