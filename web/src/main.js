// The page's one entry: reads what the tool wrote into the page once, builds the map and
// the world on it, and hands each feature what it needs.
//
// window.tlmaper is what the page shows of itself for inspection and for its tests:
// map, world, worldPoint(x, y), worldPosition(latLng), worldBounds(), revealIsland(index),
// pinnedIsland(), labelsInView(), marksInView(), drawsMap(), viewLink(), the tiles of
// the drawn map and the difficulty colours for measuring them, and on a live page the
// path sailed, trail(), and the last update's changes, changes(). The map is also the page's
// global `map`.

import { addControls } from './controls/controls.js';
import { showCoordinates } from './ask/coordinates.js';
import { addDifficultyColours } from './drawn/difficulty-colours.js';
import { askedInAddress, DrawnAddressPart, makeDrawnMap, squaresOf } from './drawn/drawn-map.js';
import { addFilter } from './filter/filtering.js';
import { addIdentify } from './ask/identify.js';
import {
  emptyWorld, ListError, readImageName, readNotesText, readPageWorld, readPlayer, readWorldName,
} from './world/lists.js';
import { followLive } from './live/live.js';
import { createMap, showNotice, worldPoint, worldPosition } from './world/map.js';
import { addNearestList } from './ask/nearest-list.js';
import { addSavePicture } from './picture/save-picture.js';
import { nameThePage } from './world/page-name.js';
import { addSearch } from './search/search.js';
import { showWorld } from './world/shown-world.js';
import { followViewInAddress } from './address/view-hash.js';
import { addVoyage } from './voyage/voyage.js';
import { addNotes } from './notes/notes.js';
import { keepNotesLive } from './notes/notes-live.js';
import { t } from './i18n/i18n.js';
import {
  addLanguageChoice, choosePageLanguage, languageAddressPart, translateTemplate,
} from './i18n/page-language.js';

// The page speaks the player's language from its first word on.
const language = choosePageLanguage();
translateTemplate(language);

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
    showNotice(map, t('notice.markers', { reason: error.message }));
    return emptyWorld(readPlayer(document));
  }
}

const drawnAsked = askedInAddress(location.hash);
const shown = showWorld(map, mapElement, readWorld(), { imageName, drawnAsked });
// The address keeps the view, then "&map=drawn" once asked for, then the filter, the
// voyage and the language once asked for.
let filterPart = () => '';
let voyagePart = () => '';
const languagePart = languageAddressPart(language);
const address = followViewInAddress(map, mapElement,
  () => (drawnAsked ? DrawnAddressPart : '') + filterPart() + voyagePart() + languagePart());
const coordinates = document.getElementById('coordinates');
if (coordinates) showCoordinates(map, coordinates, () => shown.world().player);
const controls = addControls(map, shown, address.viewLink);
addLanguageChoice(language);
const picture = addSavePicture(map, mapElement, shown, controls);
const colours = addDifficultyColours(map, shown);
// The filter and the nearest list go into the top bar, before the search.
const bar = document.getElementById('top');
const searchPanel = document.getElementById('search-panel');
// The notes are made after the filter (their panel follows it in the bar); the filter
// asks for them once they are there.
let notes = null;
const filtering = addFilter(map, shown, {
  bar, before: searchPanel, legendList: document.querySelector('#legend ul'),
  followAddress: address.follow, noted: () => notes?.marks() ?? new Map(),
});
filterPart = filtering.addressPart;
// The voyage's panel goes into the top bar after the filter; choosing a stop opens its card.
let openIsland = () => {};
const voyage = addVoyage(map, shown, filtering, {
  bar, before: searchPanel, onChoose: (index) => openIsland(index), followAddress: address.follow,
});
voyagePart = voyage.addressPart;
notes = addNotes(map, shown, {
  bar, before: searchPanel, onChoose: (index) => openIsland(index),
  worldName: readWorldName(document), pageNotes: readNotesText(document),
});
keepNotesLive(notes.store, (text) => showNotice(map, text));
notes.onChange(filtering.notesChanged);
filtering.notesChanged();
// The card of an island has its voyage button and the player's note.
const identify = addIdentify(map, shown, {
  actionsFor(entry) {
    const parts = [voyage.cardActions(entry), notes.editorFor(entry)].filter(Boolean);
    if (parts.length === 0) return null;
    const tools = document.createElement('div');
    tools.className = 'card-tools';
    tools.append(...parts);
    return tools;
  },
});
openIsland = identify.openIsland;
if (bar) {
  addNearestList(shown, filtering, {
    bar, before: searchPanel, onChoose: identify.openIsland, onAdd: voyage.add,
  });
}
addSearch(shown, {
  onChoose: identify.openIsland, onAdd: voyage.add, noted: notes.islandsNoted,
  noteOf: notes.noteOf,
});
const live = followLive(map, mapElement, shown, {
  worldName: readWorldName(document), onChoose: identify.openIsland,
});

window.map = map;
window.tlmaper = {
  map,
  get world() { return shown.world(); },
  worldPoint,
  worldPosition,
  worldBounds: shown.worldBounds,
  revealIsland: shown.revealIsland,
  pinnedIsland: shown.pinnedIsland,
  labelsInView: shown.labelsInView,
  marksInView: () => [...shown.marksInView(), ...notes.marksInView()],
  drawsMap: shown.drawsMap,
  viewLink: address.viewLink,
  drawnMap: { squaresOf, makeDrawnMap },
  difficultyColours: colours,
  picture,
  notes: { list: notes.list },
  voyage: { plan: voyage.plan, stops: voyage.stops, add: voyage.add, stopsInView: voyage.stopsInView },
  trail: live.trail,
  changes: live.changes,
};

shown.start(address.initialView);
