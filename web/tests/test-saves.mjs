// Save files for the browser test, written together with what the tool must show for
// them: every island, ship and the player as plain objects.

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
