// A generated world as large as asked for, the same on every run: for the README's
// picture of a large world and the search benchmark.

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
