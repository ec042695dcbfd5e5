// What the voyage panel says of a voyage: each leg with its island, its distance in whole
// units and 8-point direction and the running total; the total; the range of the stops'
// difficulties. Pure: the panel and the tests use it.
import { offsetBetween } from '../shared/compass.js';

// The legs of `stops` ({ x, y, index }, found in `islands`) from `player`, and the leg
// home with `home`: { legs: [{ stop, index, name, difficulty, distance, direction,
// total }], total, difficulty: { low, high } or null }. Totals add the exact lengths and
// are rounded as they are shown.
export function voyageLegs(islands, player, stops, home) {
  const legs = [];
  let from = player;
  let sum = 0;
  let low = Infinity, high = -Infinity;
  const leg = (to, stop, index) => {
    sum += Math.hypot(to.x - from.x, to.y - from.y);
    const { distance, direction } = offsetBetween(from, to);
    legs.push({
      stop, index, distance, direction, total: Math.round(sum),
      name: index >= 0 ? islands.names[index] : null,
      difficulty: index >= 0 ? islands.difficulty[index] : null,
    });
    from = to;
  };
  stops.forEach((to, stop) => {
    leg(to, stop, to.index);
    const difficulty = islands.difficulty[to.index];
    if (difficulty >= 0) {
      low = Math.min(low, difficulty);
      high = Math.max(high, difficulty);
    }
  });
  if (home && stops.length > 0) leg(player, -1, -1);
  return { legs, total: Math.round(sum), difficulty: low <= high ? { low, high } : null };
}
