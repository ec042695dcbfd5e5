// The page in the player's language, in headless Chromium from disk: a browser in each
// language gets the page in it, the address's "lang=" and the choice in the legend
// override that (the choice kept in the browser), no English page word is left on a
// German page with its panels and card open, every language fits its top bar on a
// phone, and axe-core passes in two languages.
//
// Usage: node i18n.test.mjs   with TLMAPER_BINARY and TLMAPER_SCRATCH in the
// environment (see page-harness.mjs).
import { test, before } from 'node:test';
import assert from 'node:assert/strict';
import {
  browserForTests, makeExamplePage, openPage, seriousAxeViolations,
} from './page-harness.mjs';
import { Catalogues } from '../src/i18n/i18n.js';

const tests = browserForTests();
let examplePage;
before(() => {
  examplePage = makeExamplePage();
});

const phone = { width: 390, height: 760 };

// Opens the example in a browser whose language is `locale`; check(page) runs on it.
async function inLocale(locale, options, check) {
  await tests.withPage(examplePage, { ...options, contextOptions: { locale, ...options.contextOptions } }, check);
}

test('a browser in each language gets the page in it; English where we have none', async () => {
  const cases = [
    ['en-US', 'en'], ['de-DE', 'de'], ['fr-FR', 'fr'], ['es-ES', 'es'], ['pt-BR', 'pt-BR'],
    ['pt-PT', 'pt-BR'], ['ru-RU', 'ru'], ['pl-PL', 'pl'], ['ja-JP', 'ja'], ['zh-CN', 'zh-CN'],
    ['zh-TW', 'en'], ['it-IT', 'en'],
  ];
  for (const [locale, language] of cases) {
    await inLocale(locale, {}, async (page) => {
      const catalogue = Catalogues[language];
      assert.equal(await page.getAttribute('html', 'lang'), language, locale);
      assert.equal(await page.textContent('#filter-panel summary'), catalogue['filter.button'], locale);
      assert.equal(await page.textContent('#legend summary'), catalogue['page.legend'], locale);
      assert.equal(await page.getAttribute('#search', 'placeholder'), catalogue['page.searchPlaceholder']);
      assert.equal(await page.inputValue('#language-choice'), language, locale);
      // Counts are written as the language writes numbers.
      const count = await page.textContent('.layer-count[data-layer="Island names"]');
      assert.equal(count, `(${new Intl.NumberFormat(language).format(34)})`);
    });
  }
});

test('lang= in the address overrides the browser and stays; the choice in the legend is kept', async () => {
  await inLocale('de-DE', { hash: '#z=1&x=100&y=80&lang=fr' }, async (page) => {
    assert.equal(await page.getAttribute('html', 'lang'), 'fr');
    assert.equal(await page.textContent('#nearest-panel summary'), Catalogues.fr['nearest.button']);
    await page.evaluate(() => tlmaper.map.panBy([40, 20], { animate: false }));
    await page.waitForFunction(() => !location.hash.includes('x=100&'));
    assert.match(await page.evaluate(() => location.hash), /&lang=fr$/);
    // An unknown language in the address is passed over.
    await page.evaluate(() => { location.hash = '#z=1&x=100&y=80&lang=xx'; });
    assert.equal(await page.getAttribute('html', 'lang'), 'fr');
  });

  const opened = await openPage(tests.browser, examplePage, { contextOptions: { locale: 'en-US' } });
  try {
    const { page, context } = opened;
    await Promise.all([page.waitForEvent('load'), page.selectOption('#language-choice', 'pl')]);
    await page.waitForSelector('#map[data-state="ready"]');
    assert.equal(await page.getAttribute('html', 'lang'), 'pl');
    assert.match(await page.evaluate(() => location.hash), /lang=pl/);
    assert.equal(await page.textContent('#voyage-panel summary'), Catalogues.pl['voyage.button']);
    // Another page of this browser, without lang= in its address, keeps the choice.
    const again = await context.newPage();
    await again.goto(page.url().replace(/#.*$/, ''));
    await again.waitForSelector('#map[data-state="ready"]');
    assert.equal(await again.getAttribute('html', 'lang'), 'pl');
    assert.doesNotMatch(await again.evaluate(() => location.hash), /lang=/);
    assert.deepEqual(opened.problems, []);
  } finally {
    await opened.close();
  }
});

// Opens what the page can show at once: the card (from the nearest list) with the
// island in the voyage and a note written, the voyage, notes and filter panels, the
// search's results, the difficulty colours and a filter.
async function openEverything(page) {
  await page.click('#nearest-panel summary');
  await page.click('#nearest-list li:first-child button');
  await page.click('#card .card-voyage');
  await page.fill('#card textarea', 'Fresh water here');
  await page.click('#card .note-marks input[value="treasure"]');
  await page.waitForSelector('#card .note-status:not(:empty)');
  await page.evaluate(() => tlmaper.voyage.add(3));
  for (const panel of ['#voyage-panel', '#notes-panel', '#filter-panel']) {
    await page.evaluate((id) => { document.querySelector(id).open = true; }, panel);
  }
  await page.check('#filter-towns');
  await page.locator('.leaflet-control-layers-selector').last().check();
  await page.fill('#search', 'a');
  await page.waitForSelector('#search-results li');
}

// Every text the page shows or says: visible text, and the aria-labels, titles and
// placeholders of visible elements.
function pageTexts(page) {
  return page.evaluate(() => {
    const texts = [];
    const walker = document.createTreeWalker(document.body, NodeFilter.SHOW_TEXT);
    for (let node = walker.nextNode(); node; node = walker.nextNode()) {
      const parent = node.parentElement;
      if (node.textContent.trim() === '' || parent.closest('script, style')) continue;
      if (parent.checkVisibility({ visibilityProperty: true }) ||
          parent.closest('.visually-hidden, .leaflet-control-layers')) {
        texts.push(node.textContent);
      }
    }
    for (const element of document.body.querySelectorAll('[aria-label], [title], [placeholder]')) {
      if (!element.checkVisibility() && !element.closest('.leaflet-control-layers')) continue;
      for (const name of ['aria-label', 'title', 'placeholder']) {
        if (element.hasAttribute(name)) texts.push(element.getAttribute(name));
      }
    }
    return texts;
  });
}

const wordsOf = (text) => (text.toLowerCase().match(/\p{L}{3,}/gu) ?? []);
const catalogueWords = (catalogue) => new Set(Object.values(catalogue)
  .flatMap((value) => (typeof value === 'string' ? [value] : Object.values(value)))
  .flatMap((text) => wordsOf(text.replace(/\{\w+\}/g, ' '))));

test('a German page with everything open shows no English page word', async () => {
  const english = catalogueWords(Catalogues.en);
  const german = catalogueWords(Catalogues.de);
  await inLocale('de-DE', {}, async (page) => {
    await openEverything(page);
    const names = await page.evaluate(() => [document.title, ...tlmaper.world.islands.names]);
    const allowed = new Set([...german, ...names.flatMap(wordsOf), 'fresh', 'water', 'here']);
    const texts = await pageTexts(page);
    assert.ok(texts.length > 100, `${texts.length} texts looked at`);
    const left = [...new Set(texts.filter((text) =>
      wordsOf(text).some((word) => english.has(word) && !allowed.has(word))))];
    assert.deepEqual(left, [], 'English page words on the German page');
  });
});

test('every language fits its top bar and legend on a 390 px phone', async () => {
  const faults = {};
  for (const language of Object.keys(Catalogues)) {
    await inLocale('en-US', { hash: `#lang=${language}`, viewport: phone }, async (page) => {
      // A voyage of a dozen stops: its count widens its button.
      await page.evaluate(() => { for (let i = 0; i < 12; i++) tlmaper.voyage.add(i); });
      await page.click('#legend summary');
      faults[language] = await page.evaluate((width) => {
        const found = [];
        const check = (element, what) => {
          const box = element.getBoundingClientRect();
          if (box.left < 0 || box.right > width) found.push(`${what} out of the screen`);
          if (element.scrollWidth > element.clientWidth + 1) found.push(`${what} cut short`);
        };
        for (const element of document.querySelectorAll('#top > details > summary, #top > *')) {
          if (element.tagName !== 'H1') check(element, element.textContent.trim() || element.id);
        }
        check(document.getElementById('language-choice'), 'the language choice');
        check(document.getElementById('legend'), 'the legend');
        if (document.documentElement.scrollWidth > width) found.push('the page scrolls sideways');
        return found;
      }, phone.width);
    });
  }
  assert.deepEqual(Object.entries(faults).filter(([, found]) => found.length > 0), []);
});

test('axe-core finds nothing serious in German and in Japanese', async () => {
  for (const locale of ['de-DE', 'ja-JP']) {
    await inLocale(locale, {}, async (page) => {
      await openEverything(page);
      assert.deepEqual(await seriousAxeViolations(page), [], locale);
    });
  }
});
