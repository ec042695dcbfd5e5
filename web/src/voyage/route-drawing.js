// How a voyage looks on a tile: a white line with a dark casing from the player through
// the stops (the leg back home dashed), an arrowhead halfway along each leg long enough
// to hold one, and at each stop a numbered badge up and to the left of its square, clear
// of the island's own difficulty. Where badges would overlap at a zoom, the earlier stop
// keeps its number and the later one shows a dot.

export const BadgeRadius = 8;
// Half an island's square, in world units.
const HalfSquare = 2.25;

// The badge's centre from the stop's point at `zoom`, in CSS pixels up and to the left:
// clear of the square and the town and explored marks around it while they are small,
// and no further out than the square's corner once it is large.
export const badgeOffset = (zoom) =>
  -Math.round(Math.min(Math.max(HalfSquare * 2 ** zoom + 10, 14), 24));
const DotRadius = 3;
const CasingWidth = 5;
const LineWidth = 2.5;
const ArrowLength = 7;
// A leg shorter than this on screen has no arrowhead.
const ShortestArrowedLeg = 48;
const Casing = 'rgba(16, 16, 40, 0.8)';
const Line = '#ffffff';
const BadgeFill = '#10102a';
// How far a drawing reaches from the line or a point, for finding what meets a tile.
export const RouteReach = Math.max(CasingWidth, BadgeRadius * 2 + 24) + 2;

// Which stops show their number at a zoom: `points` is [x0, y0, x1, y1, ...] in pixels of
// that zoom (the player first, then the stops); gives a byte per stop, 1 for a badge.
export function badgesAt(points) {
  const count = points.length / 2 - 1;
  const badge = new Uint8Array(count);
  const cell = BadgeRadius * 2 + 1;
  const taken = new Set();
  const key = (cx, cy) => `${cx},${cy}`;
  for (let k = 0; k < count; k++) {
    const x = points[2 * k + 2], y = points[2 * k + 3];
    const cx = Math.floor(x / cell), cy = Math.floor(y / cell);
    let free = true;
    for (let dx = -1; dx <= 1; dx++) {
      for (let dy = -1; dy <= 1; dy++) if (taken.has(key(cx + dx, cy + dy))) free = false;
    }
    if (!free) continue;
    badge[k] = 1;
    taken.add(key(cx, cy));
  }
  return badge;
}

// Strokes the legs of `points` (pixels, the player first) that `legNear(k)` lets through:
// the casing under the line; `home` adds the dashed leg back to the player.
function strokeLegs(context, points, home, legNear) {
  const count = points.length / 2;
  const legs = (from, to, dashed) => {
    context.setLineDash(dashed ? [8, 6] : []);
    context.beginPath();
    for (let k = from; k < to; k++) {
      if (!legNear(k)) continue;
      context.moveTo(points[2 * k], points[2 * k + 1]);
      const next = (k + 1) % count;
      context.lineTo(points[2 * next], points[2 * next + 1]);
    }
    context.stroke();
  };
  for (const [style, width] of [[Casing, CasingWidth], [Line, LineWidth]]) {
    context.strokeStyle = style;
    context.lineWidth = width;
    legs(0, count - 1, false);
    if (home && count > 1) legs(count - 1, count, true);
  }
  context.setLineDash([]);
}

// An arrowhead halfway along each leg that is long enough, pointing the way sailed.
function drawArrows(context, points, home, legNear) {
  const count = points.length / 2;
  context.fillStyle = Line;
  context.strokeStyle = Casing;
  context.lineWidth = 1.5;
  const last = home ? count : count - 1;
  for (let k = 0; k < last; k++) {
    if (!legNear(k)) continue;
    const next = (k + 1) % count;
    const x0 = points[2 * k], y0 = points[2 * k + 1];
    const dx = points[2 * next] - x0, dy = points[2 * next + 1] - y0;
    const length = Math.hypot(dx, dy);
    if (length < ShortestArrowedLeg) continue;
    const ux = dx / length, uy = dy / length;
    const tipX = x0 + dx / 2 + ux * ArrowLength / 2, tipY = y0 + dy / 2 + uy * ArrowLength / 2;
    context.beginPath();
    context.moveTo(tipX, tipY);
    context.lineTo(tipX - ux * ArrowLength - uy * ArrowLength * 0.6,
      tipY - uy * ArrowLength + ux * ArrowLength * 0.6);
    context.lineTo(tipX - ux * ArrowLength + uy * ArrowLength * 0.6,
      tipY - uy * ArrowLength - ux * ArrowLength * 0.6);
    context.closePath();
    context.stroke();
    context.fill();
  }
}

// The stops' badges (numbered where `badges` says, else a dot), for those `pointNear(k)`
// lets through; later stops under earlier ones, so the first numbers stay whole.
function drawBadges(context, { points, badges, offset, font }, pointNear) {
  context.font = font;
  context.textAlign = 'center';
  context.textBaseline = 'middle';
  context.lineWidth = 1.5;
  for (let k = badges.length - 1; k >= 0; k--) {
    if (!pointNear(k)) continue;
    const x = points[2 * k + 2], y = points[2 * k + 3];
    context.strokeStyle = Line;
    context.fillStyle = BadgeFill;
    context.beginPath();
    if (!badges[k]) {
      context.arc(x, y, DotRadius, 0, 2 * Math.PI);
    } else {
      // A number too wide for the circle gets a pill as wide as it needs.
      const half = Math.max(BadgeRadius, context.measureText(String(k + 1)).width / 2 + 3.5);
      context.roundRect(x + offset - half, y + offset - BadgeRadius, 2 * half, 2 * BadgeRadius,
        BadgeRadius);
    }
    context.fill();
    context.stroke();
    if (badges[k]) {
      context.fillStyle = Line;
      context.fillText(String(k + 1), x + offset, y + offset + 0.5);
    }
  }
}

// Draws the route onto `context`, in pixels of the zoom, for the square of `size` pixels
// from (x0, y0): only the legs and badges that reach into it.
export function drawRoute(context, drawing, x0, y0, size) {
  const { points, home } = drawing;
  const near = (x, y) => x > x0 - RouteReach && y > y0 - RouteReach &&
    x < x0 + size + RouteReach && y < y0 + size + RouteReach;
  const count = points.length / 2;
  const legNear = (k) => {
    const next = (k + 1) % count;
    const ax = points[2 * k], ay = points[2 * k + 1], bx = points[2 * next], by = points[2 * next + 1];
    return Math.max(ax, bx) > x0 - RouteReach && Math.max(ay, by) > y0 - RouteReach &&
      Math.min(ax, bx) < x0 + size + RouteReach && Math.min(ay, by) < y0 + size + RouteReach;
  };
  context.save();
  context.lineJoin = 'round';
  context.lineCap = 'round';
  strokeLegs(context, points, home, legNear);
  drawArrows(context, points, home, legNear);
  drawBadges(context, drawing, (k) => near(points[2 * k + 2], points[2 * k + 3]));
  context.restore();
}
