// Takes the README's pictures of the page: docs/map.png (the bundled example) and
// docs/large-world.png (a generated world of 20,000 islands, with the search in use).
//
// Usage: node web/screenshots.mjs [path of the built tool]   (default build/src/driver/tlmaper)
import { mkdtempSync, rmSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { dirname, join, resolve } from 'node:path';
import { fileURLToPath } from 'node:url';

const root = resolve(dirname(fileURLToPath(import.meta.url)), '..');
process.env.TLMAPER_BINARY = resolve(process.argv[2] ?? join(root, 'build/src/driver/tlmaper'));
process.env.TLMAPER_SCRATCH = mkdtempSync(join(tmpdir(), 'tlmaper-screenshots-'));
const { scratch, makePage, makeExamplePage, launchBrowser, openPage } =
  await import('./page-harness.mjs');

// A repeatable stream of numbers in [0, 1) (mulberry32).
function randomNumbers(seed) {
  let state = seed >>> 0;
  return () => {
    state = (state + 0x6d2b79f5) >>> 0;
    let t = state;
    t = Math.imul(t ^ (t >>> 15), t | 1);
    t ^= t + Math.imul(t ^ (t >>> 7), t | 61);
    return ((t ^ (t >>> 14)) >>> 0) / 4294967296;
  };
}

// Islands in archipelagos over a 2,000 x 2,000 sea, harder away from the player's home
// waters, with towns here and there and the islands near home explored.
function largeWorld(islandCount) {
  const random = randomNumbers(7);
  const pick = (list) => list[Math.floor(random() * list.length)];
  const starts = ['Salt', 'Brine', 'Gull', 'Kelp', 'Storm', 'Coral', 'Amber', 'Drift', 'Mist',
    'Raven', 'Thorn', 'Whale', 'Cinder', 'Oyster', 'Lantern', 'Ébène', 'Skær', 'Tide'];
  const ends = ['mere', 'rock', 'watch', 'hollow', 'crag', 'spire', 'fall', 'wood', 'key',
    'skerry', 'bank', 'point', 'cay', 'holm', 'ness', 'rest'];
  const kinds = ['Isle', 'Atoll', 'Reef', 'Cay', 'Rock', 'Island', ''];
  const player = { x: 620, y: 540, worldName: 'The Long Archipelago' };
  const centres = Array.from({ length: 60 }, () => ({ x: random() * 2000, y: random() * 2000 }));
  const islands = [];
  for (let i = 0; i < islandCount; i++) {
    const centre = pick(centres);
    const spread = 60 + random() * 140;
    const x = Math.round(Math.min(2000, Math.max(0, centre.x + (random() - 0.5) * 2 * spread)));
    const y = Math.round(Math.min(2000, Math.max(0, centre.y + (random() - 0.5) * 2 * spread)));
    const distance = Math.hypot(x - player.x, y - player.y);
    const kind = pick(kinds);
    islands.push({
      name: `${pick(starts)}${pick(ends)}${kind ? ` ${kind}` : ''}`,
      x, y,
      difficulty: Math.min(15, Math.floor(distance / 130 + random() * 3)),
      town: random() < 0.03,
      explored: distance < 260 && random() < 0.7,
    });
  }
  const ships = Array.from({ length: islandCount / 10 }, () => ({
    x: Math.round(random() * 2000), y: Math.round(random() * 2000),
    difficulty: Math.floor(random() * 15),
  }));
  return { player, islands, ships };
}

const browser = await launchBrowser();
try {
  // One picture in each colour scheme the panels follow.
  const example = await openPage(browser, makeExamplePage(),
    { contextOptions: { colorScheme: 'dark' } });
  await example.page.screenshot({ path: join(root, 'docs/map.png') });
  await example.close();

  const large = await openPage(browser, makePage('large', largeWorld(20000), 'archipelago.xml'),
    { hash: '#z=1&x=640&y=560', contextOptions: { colorScheme: 'light' } });
  await large.page.fill('#search', 'saltm');
  await large.page.keyboard.press('ArrowDown');
  await large.page.waitForTimeout(300);
  await large.page.screenshot({ path: join(root, 'docs/large-world.png') });
  await large.close();
  console.log('wrote docs/map.png and docs/large-world.png');
} finally {
  await browser.close();
  rmSync(scratch, { recursive: true, force: true });
}
