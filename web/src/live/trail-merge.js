// The path sailed as points { x, y, t } (world position, and the time in ms at which the
// map holding it was made): two paths merged into one by time, each point once, a point
// only where the player moved, at most the latest MostTrailPoints.

export const MostTrailPoints = 10000;

// The points of `paths` after `clearedAt` (ms; 0 for all), merged: ordered by time (of
// two at one time, in the order given), without a point that repeats another's time and
// place, nor one where the player stayed.
export function mergeTrails(paths, clearedAt = 0) {
  const all = [];
  for (const path of paths) {
    for (const point of path) if (point.t > clearedAt) all.push(point);
  }
  // A stable sort: points of one time keep their order.
  all.sort((a, b) => a.t - b.t);
  const merged = [];
  const seen = new Set();
  for (const point of all) {
    const key = `${point.t},${point.x},${point.y}`;
    const last = merged[merged.length - 1];
    if (seen.has(key) || (last && last.x === point.x && last.y === point.y)) continue;
    seen.add(key);
    merged.push(point);
  }
  return merged.length > MostTrailPoints ? merged.slice(merged.length - MostTrailPoints) : merged;
}

const isInt32 = (value) => Number.isInteger(value) && value >= -2147483648 && value <= 2147483647;

// Points from their JSON form [[x, y, t], ...]; anything else in the list is left out.
export function pointsFromJson(list) {
  if (!Array.isArray(list)) return [];
  const points = [];
  for (const entry of list) {
    if (!Array.isArray(entry) || entry.length !== 3) continue;
    const [x, y, t] = entry;
    if (isInt32(x) && isInt32(y) && Number.isSafeInteger(t) && t >= 0) points.push({ x, y, t });
  }
  return points;
}

export const pointsToJson = (points) => points.map(({ x, y, t }) => [x, y, t]);
