// The test worlds of the page's tests and of the benchmarks, and the save files they
// are written as: every island, ship and the player as plain objects, so that a test
// knows what the tool must show for them. Every generated world is the same on every
// run.
//
// Also a command that writes a generated world as a save, for the benchmarks:
//   node web/tests/worlds.mjs uniform ISLANDS SHIPS SPAN OUTPUT
//   node web/tests/worlds.mjs archipelago ISLANDS OUTPUT
import { writeFileSync } from 'node:fs';
import { pathToFileURL } from 'node:url';

function attribute(value) {
  return String(value)
    .replaceAll('&', '&amp;').replaceAll('<', '&lt;').replaceAll('>', '&gt;')
    .replaceAll('"', '&quot;').replaceAll("'", '&apos;')
    .replaceAll('\n', '&#10;').replaceAll('\r', '&#13;').replaceAll('\t', '&#9;');
}

// A difficulty of null leaves the attribute out, so the island reads as -1.
function islandXml({ name, x, y, difficulty, town, explored }) {
  const difficultyAttribute = difficulty === null ? '' : ` Difficulty="${difficulty}"`;
  return `    <IslandData Name="${attribute(name)}" X="${x}" Y="${y}"${difficultyAttribute}` +
    ` Explored="${explored ? 'True' : 'False'}" IslandType="${town ? 'Town' : 'Wild'}" />`;
}

function shipXml({ x, y, difficulty }) {
  return `    <MapShip location="(${x}, ${y})" dificulty="${difficulty}" />`;
}

export function saveXml({ player, islands, ships }) {
  return [
    '<?xml version="1.0" encoding="utf-8"?>',
    '<TidelornSaveFile>',
    `  <PlayerData X="${player.x}" Y="${player.y}" WorldName="${attribute(player.worldName)}" />`,
    '  <Islands>', ...islands.map(islandXml), '  </Islands>',
    '  <MapShips>', ...ships.map(shipXml), '  </MapShips>',
    '</TidelornSaveFile>',
    '',
  ].join('\n');
}

// The difficulty a page label shows for an island or ship.
export function difficultyText(record) {
  return String(record.difficulty === null ? -1 : record.difficulty);
}

// Islands on a grid 30 world units apart with every mix of town and explored and
// difficulties of one, two and more characters; ships between them, so that no two
// squares of the bitmap touch.
export function gridWorld() {
  const difficulties = [0, 3, 9, 10, 12, null, -3, 150];
  const islands = [];
  for (let i = 0; i < 24; i++) {
    islands.push({
      name: `Isle ${i}`,
      x: 10 + (i % 6) * 30,
      y: 8 + Math.floor(i / 6) * 30,
      difficulty: difficulties[i % difficulties.length],
      town: i % 3 === 0,
      explored: i % 2 === 0,
    });
  }
  const ships = [];
  for (let j = 0; j < 7; j++) {
    ships.push({ x: 25 + (j % 5) * 30, y: 23 + Math.floor(j / 5) * 30, difficulty: j * 4 - 2 });
  }
  return { player: { x: 101, y: 47, worldName: 'Grid Sea' }, islands, ships };
}

export const HostileNames = [
  "Pirate's Cove",
  '"Quoted"',
  'back\\slash',
  '<img src=x onerror=window.pwned=1>',
  '[SHIPDIFFICULTYLAYER]',
  'Line\nBreak',
  '</script><script>window.pwned=2</script>',
  "`${window.pwned=3}` & [WORLDNAME] Ærø",
];

// Islands and a world name that try to break out of the page's markup and script.
export function hostileWorld() {
  const islands = HostileNames.map((name, i) => ({
    name, x: 12 + i * 24, y: 14 + (i % 3) * 20, difficulty: i, town: i === 1, explored: i === 2,
  }));
  return {
    player: { x: 3, y: 4, worldName: "<b onmouseover=window.pwned=4>Sea</b> of 'Q' [SIZE]\nNorth" },
    islands,
    ships: [{ x: 30, y: 60, difficulty: 11 }],
  };
}

export function emptyWorld() {
  return { player: { x: 0, y: 0, worldName: '' }, islands: [], ships: [] };
}

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
// waters, with towns here and there and the islands near home explored: a world that
// looks like one a player has (the README's pictures, the search benchmark).
export function largeWorld(islandCount) {
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

// A repeatable stream of whole numbers below 2^31: a 64-bit linear congruential
// generator, its high bits.
function congruentialNumbers(seed) {
  let state = BigInt(seed);
  return () => {
    state = (state * 6364136223846793005n + 1442695040888963407n) & 0xffffffffffffffffn;
    return Number(state >> 33n);
  };
}

// `islandCount` islands spread evenly over 0..span on both axes, two of them pinned at
// (0, 0) and (span, span) so that the bitmap is always (2 x span + 64) pixels square,
// and `shipCount` ships, every tenth outside the islands' extent on each side in turn
// (the bitmap clamps them). Towns, explored islands, names with a line break, and now
// and then one with quotes and an ampersand. The worlds of the benchmarks.
export function uniformWorld(islandCount, shipCount, span) {
  const next = congruentialNumbers(20261210);
  const positions = [[0, 0], [span, span]];
  for (let i = 2; i < islandCount; i++) positions.push([next() % (span + 1), next() % (span + 1)]);
  const islands = positions.slice(0, Math.max(islandCount, 0)).map(([x, y], i) => ({
    name: `${i % 50 ? `Isle ${i}` : `Pirate's Cove & "${i}"`}\r\n`,
    x, y,
    difficulty: next() % 15,
    town: i % 7 === 0,
    explored: i % 3 === 0,
  }));
  const half = Math.floor(span / 2);
  const ships = [];
  for (let i = 0; i < shipCount; i++) {
    let x, y;
    if (i % 10 === 0) {
      const side = Math.floor(i / 10) % 4;
      x = [-40, span + 40, Math.floor(span / 3), half][side];
      y = [Math.floor(span / 4), Math.floor(span / 5), -30, span + 30][side];
    } else {
      x = next() % (span + 1);
      y = next() % (span + 1);
    }
    ships.push({ x, y, difficulty: next() % 20 });
  }
  return { player: { x: half, y: half, worldName: `Bench Reach ${islandCount}` }, islands, ships };
}

// `islandCount` islands on a lattice over 400 x 400 world units, named after `tag`: a
// world that takes the tool a moment to map.
export function latticeWorld(islandCount, tag) {
  const islands = [];
  for (let i = 0; i < islandCount; i++) {
    islands.push({ name: `Isle ${tag}-${i}`, x: (i * 37) % 400, y: (i * 53) % 400,
      difficulty: i % 20, town: i % 7 === 0, explored: i % 3 === 0 });
  }
  return { player: { x: 5, y: 5, worldName: 'Large' }, islands, ships: [] };
}

const commands = {
  uniform: (islands, ships, span, output) =>
    writeFileSync(output, saveXml(uniformWorld(Number(islands), Number(ships), Number(span)))),
  archipelago: (islands, output) => writeFileSync(output, saveXml(largeWorld(Number(islands)))),
};
if (import.meta.url === pathToFileURL(process.argv[1] ?? '').href) {
  const [name, ...args] = process.argv.slice(2);
  const command = commands[name];
  if (!command || args.length !== command.length) {
    process.stderr.write('Usage: node worlds.mjs uniform ISLANDS SHIPS SPAN OUTPUT\n' +
                         '       node worlds.mjs archipelago ISLANDS OUTPUT\n');
    process.exit(2);
  }
  command(...args);
}
