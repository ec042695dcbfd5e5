// How far a place is from the player, and which way: in whole world units and as one of
// the eight compass points. The map shows world y growing downwards (y is the bitmap's
// row), so north, up on the map, is the way y gets smaller.
import { t } from '../i18n/i18n.js';

export const CompassPoints = ['N', 'NE', 'E', 'SE', 'S', 'SW', 'W', 'NW'];

// The distance from `from` to `to` ({ x, y } in world units), rounded to a whole unit,
// and the compass point nearest the bearing ('' when the two are at one place). A
// bearing halfway between two points takes the one clockwise of it.
export function offsetBetween(from, to) {
  const east = to.x - from.x;
  const north = from.y - to.y;
  const length = Math.hypot(east, north);
  if (length === 0) return { distance: 0, direction: '' };
  // Clockwise from north, in eighths of a turn.
  const eighths = Math.atan2(east, north) / (Math.PI / 4);
  const point = ((Math.round(eighths) % 8) + 8) % 8;
  return { distance: Math.round(length), direction: CompassPoints[point] };
}

// "140 NE" or, at the player's own place, "here", in the page's language.
export function offsetText({ distance, direction }) {
  return direction === '' ? t('offset.here')
    : t('offset.away', { distance, direction: t(`compass.${direction}`) });
}

// "140 NE of you", or "where you are".
export function fromPlayerText({ distance, direction }) {
  return direction === '' ? t('offset.whereYouAre')
    : t('offset.fromYou', { distance, direction: t(`compass.${direction}`) });
}
