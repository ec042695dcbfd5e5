// The map's own controls: buttons that bring the whole world back into view, centre on
// the player and copy a link to the current view, and the legend that says what the
// marks on the map mean.
import { worldPoint } from '../world/map.js';
import { t } from '../i18n/i18n.js';

const PlayerZoom = 1;  // near enough to see the islands around the player

// Adds the buttons and the legend to the map of `shown` (the world on the map);
// `viewLink()` gives the address of the view. Gives { addButton(name, icon, action),
// say(text, shownFor) }: another button in the bar, and a message in the status line
// beside it for `shownFor` milliseconds.
export function addControls(map, shown, viewLink) {
  const narrowScreen = window.matchMedia('(max-width: 640px)');
  let bar = null, status = null, clearStatus = 0;
  const say = (text, shownFor) => {
    status.textContent = text;
    clearTimeout(clearStatus);
    clearStatus = setTimeout(() => { status.textContent = ''; }, shownFor);
  };

  // Puts `link` on the clipboard; true when it got there.
  async function copyText(link) {
    try {
      await navigator.clipboard.writeText(link);
      return true;
    } catch {
      // Without clipboard access (some browsers refuse it to pages opened from disk), a
      // selected text copied the old way.
      const field = document.createElement('textarea');
      field.value = link;
      field.setAttribute('readonly', '');
      field.className = 'visually-hidden';
      document.body.append(field);
      field.select();
      let copied;
      try {
        copied = document.execCommand('copy');
      } catch {
        copied = false;
      }
      field.remove();
      return copied;
    }
  }

  // Line drawings on a 24 x 24 grid, in the text's colour.
  const Stroke = 'fill="none" stroke="currentColor" stroke-width="2" stroke-linecap="round"';
  const Icons = {
    world: `<path d="M3 8V3h5M16 3h5v5M21 16v5h-5M8 21H3v-5" ${Stroke}/>`,
    player: `<circle cx="12" cy="12" r="7" ${Stroke}/>` +
      '<circle cx="12" cy="12" r="3" fill="currentColor"/>',
    link: '<path d="M10 14a4 4 0 0 0 5.7 0l3-3a4 4 0 0 0-5.7-5.7l-1 1' +
      `M14 10a4 4 0 0 0-5.7 0l-3 3a4 4 0 0 0 5.7 5.7l1-1" ${Stroke}/>`,
  };

  function addButton(container, name, icon, action) {
    const button = L.DomUtil.create('button', '', container);
    button.type = 'button';
    button.title = name;
    button.setAttribute('aria-label', name);
    button.innerHTML =
      `<svg viewBox="0 0 24 24" aria-hidden="true" focusable="false">${icon}</svg>`;
    button.addEventListener('click', action);
    return button;
  }

  const buttons = L.control({ position: 'topleft' });
  buttons.onAdd = () => {
    const container = L.DomUtil.create('div', 'leaflet-control');
    bar = L.DomUtil.create('div', 'leaflet-bar view-buttons', container);
    status = L.DomUtil.create('p', 'copy-status panel', container);
    status.setAttribute('role', 'status');
    addButton(bar, t('controls.wholeWorld'), Icons.world, () => {
      const bounds = shown.worldBounds();
      if (bounds?.isValid()) map.fitBounds(bounds);
    });
    addButton(bar, t('controls.centre'), Icons.player, () => {
      const { player } = shown.world();
      map.setView(worldPoint(player.x, player.y), Math.max(map.getZoom(), PlayerZoom));
    });
    addButton(bar, t('controls.copyLink'), Icons.link, async () => {
      const link = viewLink();
      const copied = await copyText(link);
      say(copied ? t('controls.copied') : t('controls.copyThis', { link }), copied ? 3000 : 15000);
    });
    L.DomEvent.disableClickPropagation(container);
    return container;
  };
  buttons.addTo(map);

  const legend = document.getElementById('legend');
  if (legend) {
    const legendControl = L.control({ position: 'bottomright' });
    legendControl.onAdd = () => {
      L.DomEvent.disableClickPropagation(legend);
      L.DomEvent.disableScrollPropagation(legend);
      return legend;
    };
    legendControl.addTo(map);
    // On a phone-sized screen the legend starts folded, to leave the map free.
    legend.open = !narrowScreen.matches;
  }
  return { addButton: (name, icon, action) => addButton(bar, name, icon, action), say };
}
