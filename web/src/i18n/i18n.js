// The page's words in the player's language. Every text the page shows comes from one
// catalogue per language (catalogues/*.js) through t(key, params): whole sentences with
// named placeholders, the form of a count chosen by the language's plural rules, numbers
// written as the language writes them. English is the fallback for anything missing.
import en from './catalogues/en.js';
import de from './catalogues/de.js';
import fr from './catalogues/fr.js';
import es from './catalogues/es.js';
import ptBR from './catalogues/pt-BR.js';
import ru from './catalogues/ru.js';
import pl from './catalogues/pl.js';
import ja from './catalogues/ja.js';
import zhCN from './catalogues/zh-CN.js';

// The languages by the tag the page and the address use, in the order the choice lists them.
export const Catalogues = {
  en, de, fr, es, 'pt-BR': ptBR, ru, pl, ja, 'zh-CN': zhCN,
};
export const Fallback = 'en';

// The language of ours a browser's language tag asks for, or null: any Portuguese is
// Brazilian Portuguese, Chinese is Simplified Chinese unless it asks for the
// traditional script or a region that writes it.
export function languageOfTag(tag) {
  if (typeof tag !== 'string') return null;
  const parts = tag.trim().toLowerCase().replace(/_/g, '-').split('-');
  const [base] = parts;
  if (base === 'pt') return 'pt-BR';
  if (base === 'zh') {
    const traditional = parts.includes('hant') ||
      (!parts.includes('hans') && ['tw', 'hk', 'mo'].some((region) => parts.includes(region)));
    return traditional ? null : 'zh-CN';
  }
  return Object.hasOwn(Catalogues, base) ? base : null;
}

// The first of `tags` (the browser's languages, most wanted first) that we have, else
// English.
export function languageOfTags(tags) {
  for (const tag of tags ?? []) {
    const language = languageOfTag(tag);
    if (language) return language;
  }
  return Fallback;
}

let language = Fallback;
let catalogue = en;
let plurals = new Intl.PluralRules(Fallback);
let numbers = new Intl.NumberFormat(Fallback);

// Makes `code` (one of Catalogues' tags) the language of every later t().
export function setLanguage(code) {
  language = Object.hasOwn(Catalogues, code) ? code : Fallback;
  catalogue = Catalogues[language];
  plurals = new Intl.PluralRules(language);
  numbers = new Intl.NumberFormat(language);
  return language;
}

export const currentLanguage = () => language;

// A number as the language writes it: "12,345" in English, "12.345" in German.
export const formatNumber = (value) => numbers.format(value);

// The text of `key`, in the form for params.count when it has forms by count.
function textOf(key, params) {
  const text = catalogue[key] ?? en[key];
  if (typeof text !== 'object') return text;
  return text[plurals.select(params.count ?? 0)] ?? text.other;
}

const fill = (value) => (typeof value === 'number' ? numbers.format(value) : String(value));

// The text of `key` with its placeholders filled from `params`: numbers written as the
// language writes them, anything else as given (so a coordinate passed as a string
// keeps its plain digits). A text with forms by count takes the form of params.count.
export function t(key, params = {}) {
  const text = textOf(key, params);
  if (text === undefined) return key;
  return text.replace(/\{(\w+)\}/g, (whole, name) =>
    (params[name] === undefined ? whole : fill(params[name])));
}

// The same as pieces for an element's children: a placeholder given an element (a link,
// say) stays that element, wherever the language puts it in the sentence.
export function tParts(key, params = {}) {
  const text = textOf(key, params) ?? key;
  return text.split(/(\{\w+\})/).filter((piece) => piece !== '').map((piece) => {
    const value = /^\{\w+\}$/.test(piece) ? params[piece.slice(1, -1)] : undefined;
    if (value === undefined) return piece;
    return typeof value === 'object' ? value : fill(value);
  });
}
