// The "Voyage" panel of the top bar: the stops in order, each leg with its island,
// distance, direction and running total, and buttons to move a stop up or down or
// remove it (from the keyboard too: Alt+Up and Alt+Down move the stop whose name has the
// focus, Delete removes it); the total and the stops' difficulty range; "back to where I
// am", "Shortest order", adding the islands the filter shows, and clearing the voyage.
import { buttonElement as button, panelFoot, textElement } from '../shared/text-element.js';
import { makeTopPanel } from '../shared/top-panel.js';
import { MostStops } from './voyage-stops.js';
import { offsetText } from '../shared/compass.js';
import { t } from '../i18n/i18n.js';

const plainName = (name) => (name ?? '').replace(/\s+/g, ' ').trim() || t('card.noName');


// The line of one leg: its number and island (a button that goes there), the leg's
// distance and direction and the total so far, and the stop's own buttons.
function legLine(leg, count, actions) {
  const line = document.createElement('li');
  const name = plainName(leg.name);
  const go = button('', 'voyage-go');
  go.dataset.stop = String(leg.stop);
  go.append(textElement('span', 'voyage-number', leg.stop < 0 ? '↩' : `${leg.stop + 1}`),
    textElement('span', 'voyage-name', leg.stop < 0 ? t('voyage.back') : name),
    // "140 NE · 300 in all", or "here · ..." for a stop where the last one was.
    textElement('span', 'voyage-leg', t('voyage.leg', { offset: offsetText(leg), total: leg.total })));
  line.append(go);
  if (leg.stop < 0) {
    go.disabled = true;
    return line;
  }
  go.addEventListener('click', () => actions.choose(leg.index));
  go.addEventListener('keydown', (event) => {
    const step = { ArrowUp: -1, ArrowDown: 1 }[event.key];
    if (event.altKey && step) actions.move(leg.stop, step);
    else if (event.key === 'Delete') actions.remove(leg.stop);
    else return;
    event.preventDefault();
  });
  const up = button('↑', 'voyage-up', { label: t('voyage.moveUp', { name }) });
  up.disabled = leg.stop === 0;
  up.addEventListener('click', () => actions.move(leg.stop, -1));
  const down = button('↓', 'voyage-down', { label: t('voyage.moveDown', { name }) });
  down.disabled = leg.stop === count - 1;
  down.addEventListener('click', () => actions.move(leg.stop, 1));
  const remove = button('×', 'voyage-remove', { label: t('voyage.remove', { name }) });
  remove.addEventListener('click', () => actions.remove(leg.stop));
  line.append(up, down, remove);
  return line;
}

// The panel, not yet in the document. `actions`: choose(index), move(stop, step),
// remove(stop), removeMissing(k), plan(), addFiltered(), clear(), setReturnHome(on).
export function makeVoyagePanel(document, actions) {
  const { panel, summary, popup } = makeTopPanel(document, 'voyage-panel', t('voyage.button'), 'div');
  popup.setAttribute('aria-label', t('voyage.heading'));
  const heading = textElement('h2', 'voyage-heading', t('voyage.heading'));
  heading.id = 'voyage-heading';
  const totals = textElement('p', 'voyage-totals', '');
  totals.id = 'voyage-totals';
  const list = document.createElement('ol');
  list.id = 'voyage-legs';
  list.setAttribute('aria-labelledby', 'voyage-heading');
  const missing = document.createElement('ul');
  missing.id = 'voyage-missing';
  const home = document.createElement('input');
  home.type = 'checkbox';
  home.id = 'voyage-home';
  home.addEventListener('change', () => actions.setReturnHome(home.checked));
  const homeLabel = document.createElement('label');
  homeLabel.className = 'voyage-home';
  homeLabel.append(home, t('voyage.home'));
  const plan = button(t('voyage.plan'), 'voyage-plan');
  plan.addEventListener('click', () => actions.plan());
  const addFiltered = button(t('voyage.addFiltered'), 'voyage-add-filtered');
  addFiltered.addEventListener('click', () => actions.addFiltered());
  const clear = button(t('voyage.clear'), 'voyage-clear');
  clear.addEventListener('click', () => actions.clear());
  const { tools, status, hint } = panelFoot([plan, addFiltered, clear], 'voyage-status',
    t('voyage.hint', { most: MostStops }));
  popup.append(heading, totals, homeLabel, tools, status, list, missing, hint);

  // Shows a voyage: `view` from voyageLegs, the stops not in this save, the count the
  // filter would add (0 when no filter is on) and whether a plan is under way.
  function show(view, lost, { returnHome, filtered, planning }) {
    const count = view.legs.filter((leg) => leg.stop >= 0).length;
    const stops = count + lost.length;
    summary.textContent = stops === 0 ? t('voyage.button') : t('voyage.buttonCount', { count: stops });
    panel.classList.toggle('filter-on', stops > 0);
    home.checked = returnHome;
    plan.disabled = planning || count < 2;
    clear.disabled = stops === 0;
    addFiltered.disabled = filtered === 0 || stops >= MostStops;
    addFiltered.textContent = filtered > 0
      ? t('voyage.addFilteredCount', { count: filtered }) : t('voyage.addFiltered');
    const low = String(view.difficulty?.low), high = String(view.difficulty?.high);
    const range = view.difficulty
      ? ` · ${t(low === high ? 'voyage.rangeOne' : 'voyage.range', { low, high })}` : '';
    totals.textContent = count === 0 ? t('voyage.noStops')
      : t('voyage.totals', { count, total: view.total }) + range;
    if (!panel.open) return;
    list.replaceChildren(...view.legs.map((leg) => legLine(leg, count, actions)));
    missing.replaceChildren(...lost.map((stop, k) => {
      const place = { x: String(stop.x), y: String(stop.y) };
      const line = textElement('li', 'voyage-lost', `${t('voyage.lost', place)} `);
      const remove = button('×', 'voyage-remove', { label: t('voyage.removeLost', place) });
      remove.addEventListener('click', () => actions.removeMissing(k));
      line.append(remove);
      return line;
    }));
  }

  // Puts the focus back on stop `stop`'s name after the list was drawn anew.
  const focusStop = (stop) => list.querySelector(`.voyage-go[data-stop="${stop}"]`)?.focus();
  const say = (text) => { status.textContent = text; };
  return { element: panel, show, focusStop, say };
}
