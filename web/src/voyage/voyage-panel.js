// The "Voyage" panel of the top bar: the stops in order, each leg with its island,
// distance, direction and running total, and buttons to move a stop up or down or
// remove it (from the keyboard too: Alt+Up and Alt+Down move the stop whose name has the
// focus, Delete removes it); the total and the stops' difficulty range; "back to where I
// am", "Shortest order", adding the islands the filter shows, and clearing the voyage.
import { buttonElement as button, panelFoot, textElement } from '../shared/text-element.js';
import { makeTopPanel } from '../shared/top-panel.js';
import { MostStops } from './voyage-stops.js';

const plainName = (name) => (name ?? '').replace(/\s+/g, ' ').trim() || '(no name)';
const whole = (value) => value.toLocaleString('en');

// "140 NE", or "here" for a stop where the last one was.
const legText = ({ distance, direction }) =>
  (direction === '' ? 'here' : `${whole(distance)} ${direction}`);


// The line of one leg: its number and island (a button that goes there), the leg's
// distance and direction and the total so far, and the stop's own buttons.
function legLine(leg, count, actions) {
  const line = document.createElement('li');
  const name = plainName(leg.name);
  const go = button('', 'voyage-go');
  go.dataset.stop = String(leg.stop);
  go.append(textElement('span', 'voyage-number', leg.stop < 0 ? '↩' : `${leg.stop + 1}`),
    textElement('span', 'voyage-name', leg.stop < 0 ? 'back to where you are' : name),
    textElement('span', 'voyage-leg',
      `${legText(leg)} · ${whole(leg.total)} in all`));
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
  const up = button('↑', 'voyage-up', { label: `Move ${name} up` });
  up.disabled = leg.stop === 0;
  up.addEventListener('click', () => actions.move(leg.stop, -1));
  const down = button('↓', 'voyage-down', { label: `Move ${name} down` });
  down.disabled = leg.stop === count - 1;
  down.addEventListener('click', () => actions.move(leg.stop, 1));
  const remove = button('×', 'voyage-remove', { label: `Remove ${name} from the voyage` });
  remove.addEventListener('click', () => actions.remove(leg.stop));
  line.append(up, down, remove);
  return line;
}

// The panel, not yet in the document. `actions`: choose(index), move(stop, step),
// remove(stop), removeMissing(k), plan(), addFiltered(), clear(), setReturnHome(on).
export function makeVoyagePanel(document, actions) {
  const { panel, summary, popup } = makeTopPanel(document, 'voyage-panel', 'Voyage', 'div');
  popup.setAttribute('aria-label', 'Voyage');
  const heading = textElement('h2', 'voyage-heading', 'Voyage');
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
  homeLabel.append(home, 'back to where I am');
  const plan = button('Shortest order', 'voyage-plan');
  plan.addEventListener('click', () => actions.plan());
  const addFiltered = button('Add filtered islands', 'voyage-add-filtered');
  addFiltered.addEventListener('click', () => actions.addFiltered());
  const clear = button('Clear', 'voyage-clear');
  clear.addEventListener('click', () => actions.clear());
  const { tools, status, hint } = panelFoot([plan, addFiltered, clear], 'voyage-status',
    `Add islands from their card, the nearest list or the search (+): up to ${whole(MostStops)} stops.`);
  popup.append(heading, totals, homeLabel, tools, status, list, missing, hint);

  // Shows a voyage: `view` from voyageLegs, the stops not in this save, the count the
  // filter would add (0 when no filter is on) and whether a plan is under way.
  function show(view, lost, { returnHome, filtered, planning }) {
    const count = view.legs.filter((leg) => leg.stop >= 0).length;
    const stops = count + lost.length;
    summary.textContent = stops === 0 ? 'Voyage' : `Voyage (${whole(stops)})`;
    panel.classList.toggle('filter-on', stops > 0);
    home.checked = returnHome;
    plan.disabled = planning || count < 2;
    clear.disabled = stops === 0;
    addFiltered.disabled = filtered === 0 || stops >= MostStops;
    addFiltered.textContent = filtered > 0
      ? `Add the ${whole(filtered)} filtered islands` : 'Add filtered islands';
    const range = view.difficulty
      ? view.difficulty.low === view.difficulty.high ? ` · difficulty ${view.difficulty.low}`
        : ` · difficulty ${view.difficulty.low}–${view.difficulty.high}` : '';
    totals.textContent = count === 0 ? 'No stops yet.'
      : `${whole(count)} ${count === 1 ? 'stop' : 'stops'} · ${whole(view.total)} in all${range}`;
    if (!panel.open) return;
    list.replaceChildren(...view.legs.map((leg) => legLine(leg, count, actions)));
    missing.replaceChildren(...lost.map((stop, k) => {
      const line = textElement('li', 'voyage-lost', `x ${stop.x}, y ${stop.y}: not in this save `);
      const remove = button('×', 'voyage-remove', { label: `Remove the stop at x ${stop.x}, y ${stop.y}` });
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
