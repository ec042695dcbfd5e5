// The "Nearest" list: a button in the page's top bar that opens the ten islands nearest
// the player that the filter lets through, each with its distance, direction and
// difficulty. Choosing one (click, or Enter on it) shows it on the map and opens its card.
import { offsetText } from './compass.js';

// The list, not yet in the document. onChoose(index) is called with the island chosen;
// show(items, filtered) lists { index, name, difficulty, offset } nearest first.
export function makeNearestList(document, onChoose) {
  const panel = document.createElement('details');
  panel.id = 'nearest-panel';
  panel.className = 'top-panel';
  const summary = document.createElement('summary');
  summary.textContent = 'Nearest';
  const popup = document.createElement('div');
  popup.className = 'panel top-popup';
  const heading = document.createElement('h2');
  heading.id = 'nearest-heading';
  const list = document.createElement('ol');
  list.id = 'nearest-list';
  list.setAttribute('aria-labelledby', 'nearest-heading');
  popup.append(heading, list);
  panel.append(summary, popup);

  function item({ index, name, difficulty, offset }) {
    const line = document.createElement('li');
    const button = document.createElement('button');
    button.type = 'button';
    button.dataset.island = String(index);
    const nameText = document.createElement('span');
    nameText.className = 'nearest-name';
    nameText.textContent = name.replace(/\s+/g, ' ').trim() || '(no name)';
    const offsetPart = document.createElement('span');
    offsetPart.className = 'nearest-offset';
    offsetPart.textContent = offsetText(offset);
    const difficultyPart = document.createElement('span');
    difficultyPart.className = 'nearest-difficulty';
    difficultyPart.textContent = String(difficulty);
    difficultyPart.title = 'difficulty';
    button.append(nameText, offsetPart, difficultyPart);
    button.setAttribute('aria-label', `${nameText.textContent}, ${offsetPart.textContent}` +
      `${offset.direction === '' ? '' : ' of you'}, difficulty ${difficulty}`);
    button.addEventListener('click', () => onChoose(index));
    line.append(button);
    return line;
  }

  function show(items, filtered) {
    heading.textContent = items.length === 0
      ? (filtered ? 'No island matches the filter' : 'No islands')
      : (filtered ? 'Nearest matching islands' : 'Nearest islands');
    list.replaceChildren(...items.map(item));
  }

  return { element: panel, show, isOpen: () => panel.open };
}
