// The page's catalogues in node alone: every language has every English key with the
// same placeholders and every plural form its language needs; the browser's languages
// pick ours as they should; t() fills, counts and writes numbers per language.
import assert from 'node:assert/strict';
import { test } from 'node:test';
import {
  Catalogues, languageOfTag, languageOfTags, setLanguage, t, tParts,
} from '../src/i18n/i18n.js';

const en = Catalogues.en;
const placeholders = (text) => [...text.matchAll(/\{(\w+)\}/g)].map((m) => m[1]).sort();
const forms = (value) => (typeof value === 'string' ? [value] : Object.values(value));
const englishPlaceholders = (key) => [...new Set(forms(en[key]).flatMap(placeholders))].sort();

test('every catalogue has every English key, its placeholders and its plural forms', () => {
  for (const [language, catalogue] of Object.entries(Catalogues)) {
    const needed = new Intl.PluralRules(language).resolvedOptions().pluralCategories;
    assert.deepEqual(Object.keys(catalogue).filter((key) => !(key in en)), [],
      `${language} has keys English does not`);
    for (const key of Object.keys(en)) {
      const value = catalogue[key];
      assert.ok(value !== undefined, `${language} lacks ${key}`);
      assert.equal(typeof value, typeof en[key], `${language} ${key}: text or plural forms as English`);
      if (typeof value === 'object') {
        if (language !== 'en') {
          assert.deepEqual(Object.keys(value).sort(), [...needed].sort(), `${language} ${key}: plural forms`);
        }
        assert.ok('other' in value, `${language} ${key}: the form for other`);
      }
      for (const text of forms(value)) {
        assert.equal(typeof text, 'string', `${language} ${key}`);
        assert.ok(text.trim() !== '', `${language} ${key} is empty`);
        assert.deepEqual([...new Set(placeholders(text))].sort(), englishPlaceholders(key),
          `${language} ${key}: placeholders of "${text}"`);
      }
    }
  }
});

test('the browser\'s languages choose ours: the first we have, else English', () => {
  const cases = [
    [['de-DE', 'en'], 'de'], [['pt-PT'], 'pt-BR'], [['pt'], 'pt-BR'], [['pt-BR'], 'pt-BR'],
    [['zh'], 'zh-CN'], [['zh-CN'], 'zh-CN'], [['zh-Hans-SG'], 'zh-CN'], [['zh-TW', 'ja'], 'ja'],
    [['zh-Hant'], 'en'], [['nl', 'fr-CA'], 'fr'], [['it'], 'en'], [[], 'en'],
    [['RU'], 'ru'], [['es_419'], 'es'], [['', 'pl-PL'], 'pl'],
  ];
  for (const [tags, expected] of cases) assert.equal(languageOfTags(tags), expected, tags.join());
  assert.equal(languageOfTag('xx'), null);
  assert.equal(languageOfTag(null), null);
});

test('t() fills placeholders, takes the plural form and writes numbers per language', () => {
  try {
    const cases = [
      ['en', 'search.found', { count: 1 }, '1 island'],
      ['en', 'search.found', { count: 12345 }, '12,345 islands'],
      ['en', 'filter.match', { matching: 1, count: 1 }, '1 of 1 islands match'],
      ['de', 'search.found', { count: 12345 }, '12.345 Inseln'],
      ['ru', 'search.found', { count: 1 }, '1 остров'],
      ['ru', 'search.found', { count: 3 }, '3 острова'],
      ['ru', 'search.found', { count: 5 }, '5 островов'],
      ['ru', 'search.found', { count: 21 }, '21 остров'],
      ['pl', 'search.found', { count: 22 }, '22 wyspy'],
      ['pl', 'search.found', { count: 25 }, '25 wysp'],
      ['fr', 'search.found', { count: 0 }, '0 île'],
      ['ja', 'search.found', { count: 2 }, '2 島'],
      // A coordinate passed as text keeps its digits; a missing value leaves its name.
      ['de', 'card.where', { x: '12345', y: '-7', offset: 'hier' }, 'x 12345, y -7 · hier'],
      ['en', 'card.more', {}, 'and {count} more'],
    ];
    for (const [language, key, params, expected] of cases) {
      setLanguage(language);
      assert.equal(t(key, params), expected, `${language} ${key}`);
    }
    // An element given for a placeholder stays an element, where the language puts it.
    const link = { element: 'the island\'s link' };
    setLanguage('en');
    assert.deepEqual(tParts('changes.explored', { name: link }), [link, ' explored']);
    setLanguage('ja');
    assert.deepEqual(tParts('changes.difficulty', { name: link, now: 5, was: '3' }),
      [link, '：難易度が ', '5', ' に（以前は ', '3', '）']);
    setLanguage('xx');
    assert.equal(t('card.close'), 'Close', 'an unknown language falls back to English');
  } finally {
    setLanguage('en');
  }
});
