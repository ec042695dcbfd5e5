// Which language the page speaks, and the player's choice of it: the address's
// "lang=xx" first, then the choice kept in this browser, then the first of the browser's
// languages that the page has, else English. The page's own static texts (those of the
// built-in template, or of a custom one, found by id and class) are put into it at the
// start; `<html lang>` follows. Choosing another language in the legend keeps it in
// the browser and opens the page again in it, on the same view.
import { Catalogues, Fallback, languageOfTag, languageOfTags, setLanguage, t } from './i18n.js';

export const StorageKey = 'tlmaper-language';

// The language `hash` asks for, or null.
export function languageInHash(hash) {
  const asked = new URLSearchParams(hash.replace(/^#/, '')).get('lang');
  return asked === null ? null : languageOfTag(asked);
}

function storedLanguage() {
  try {
    return languageOfTag(localStorage.getItem(StorageKey));
  } catch {
    return null;  // storage refused (a page opened from disk in some browsers)
  }
}

// Sets the page's language from the address, the stored choice and the browser's
// languages, and gives it.
export function choosePageLanguage() {
  const language = languageInHash(location.hash) ?? storedLanguage() ??
    languageOfTags(navigator.languages?.length ? navigator.languages : [navigator.language]);
  setLanguage(language);
  document.documentElement.lang = language;
  return language;
}

// The address's part for the language: "&lang=xx" once the address gave one, so that
// it stays while the view moves.
export function languageAddressPart(language) {
  return languageInHash(location.hash) === null ? () => '' : () => `&lang=${language}`;
}

// The template's own words, put into the page's language where their elements are
// found; an element a custom template does not have is passed over. English leaves the
// template as written.
const LegendKeys = [
  ['.key-island', 'legend.island'], ['.key-ship', 'legend.ship'],
  ['.key-number', 'legend.difficulty'], ['.key-name', 'legend.islandName'],
  ['.key-town', 'legend.town'], ['.key-explored', 'legend.explored'],
  ['.key-player', 'legend.you'], ['.key-voyage', 'legend.voyage'],
  ['.key-note[data-mark=""]', 'legend.note'], ['.key-note[data-mark="planned"]', 'marks.planned'],
  ['.key-note[data-mark="danger"]', 'marks.danger'],
  ['.key-note[data-mark="treasure"]', 'marks.treasure'], ['.key-note[data-mark="done"]', 'marks.done'],
];

export function translateTemplate(language) {
  if (language === Fallback) return;
  const byId = (id) => document.getElementById(id);
  const setText = (element, key) => { if (element) element.textContent = t(key); };
  const setAttribute = (element, name, key) => { if (element) element.setAttribute(name, t(key)); };
  setText(byId('search-panel')?.querySelector('summary'), 'page.search');
  setText(document.querySelector('label[for="search"]'), 'page.findIsland');
  setAttribute(byId('search'), 'placeholder', 'page.searchPlaceholder');
  setAttribute(byId('search-results'), 'aria-label', 'page.islandsFound');
  const legend = byId('legend');
  setText(legend?.querySelector('summary'), 'page.legend');
  for (const [selector, key] of LegendKeys) {
    const keyElement = legend?.querySelector(selector);
    // The words are the text after the key, in the line or span that holds it.
    const words = keyElement?.nextSibling;
    if (words?.nodeType === Node.TEXT_NODE && words.textContent.trim() !== '') words.textContent = t(key);
  }
  setText(legend?.querySelector('.key-name'), 'legend.nameKey');
  const coordinates = byId('coordinates');
  setAttribute(coordinates, 'title', 'coordinates.title');
  setText(coordinates, 'coordinates.none');
}

// The language choice: a small select at the foot of the legend, each language by its
// own name. Choosing one keeps it in this browser and in the address when that names a
// language, and opens the page again in it.
export function addLanguageChoice(language) {
  const legend = document.getElementById('legend');
  if (!legend) return;
  const label = document.createElement('label');
  label.className = 'language-choice';
  const select = document.createElement('select');
  select.id = 'language-choice';
  for (const [code, catalogue] of Object.entries(Catalogues)) {
    const option = new Option(catalogue['language.name'], code, false, code === language);
    option.lang = code;
    select.append(option);
  }
  label.append(`${t('language.choose')} `, select);
  legend.append(label);
  select.addEventListener('change', () => {
    try {
      localStorage.setItem(StorageKey, select.value);
    } catch {
      // not kept: the address still carries it below
    }
    const parts = location.hash.replace(/^#/, '').split('&')
      .filter((part) => part !== '' && !part.startsWith('lang='));
    history.replaceState(history.state, '', `#${[...parts, `lang=${select.value}`].join('&')}`);
    location.reload();
  });
  // A language typed into the address, or reached with Back and Forward, opens the page
  // in it.
  window.addEventListener('hashchange', () => {
    const asked = languageInHash(location.hash);
    if (asked !== null && asked !== language) location.reload();
  });
}
