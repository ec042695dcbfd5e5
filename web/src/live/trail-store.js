// The path sailed kept in the browser (localStorage) for one world, so that a reload of
// the live page, and a restart of the tool, keep it: { points, cleared }, the points
// [{ x, y, t }] oldest first and `cleared` the time of the last "Clear path" (0 for
// never). What cannot be read is taken as no path; what cannot be written (the browser
// refuses the room) is kept on the page alone.
import { mergeTrails, pointsFromJson, pointsToJson } from './trail-merge.js';

const KeyPrefix = 'tlmaper-trail:';
const Format = 'tlmaper-trail';

export function trailStore(worldName) {
  const key = KeyPrefix + worldName;
  return {
    key,
    read() {
      try {
        const kept = JSON.parse(localStorage.getItem(key) ?? 'null');
        if (kept?.format !== Format || kept.version !== 1) return { points: [], cleared: 0 };
        const cleared = Number.isSafeInteger(kept.cleared) && kept.cleared > 0 ? kept.cleared : 0;
        return { points: mergeTrails([pointsFromJson(kept.points)], cleared), cleared };
      } catch {
        return { points: [], cleared: 0 };
      }
    },
    write(points, cleared) {
      try {
        localStorage.setItem(key, JSON.stringify({
          format: Format, version: 1, cleared, points: pointsToJson(points),
        }));
      } catch {
        // No room, or no storage: the path stays on this page.
      }
    },
  };
}
