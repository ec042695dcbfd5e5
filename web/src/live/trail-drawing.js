// How the path sailed looks on a tile: a pink line with a dark casing, the legs fading
// from faint (the oldest) to full (the latest, which ends at the player), so that its
// age and the way sailed read at a glance.

const Line = '#ff5ce1';
const Casing = 'rgba(24, 0, 40, 0.85)';
const LineWidth = 3;
const CasingWidth = 5.5;
// The legs are drawn in this many steps of age, each one stroke.
const AgeSteps = 8;
const OldestAlpha = 0.3;
export const TrailReach = CasingWidth;

// The legs in the rectangle from (x0, y0) of `size` pixels, by age step: for each step
// the legs k (from point k to point k + 1) that reach into it. `points` are [x0, y0, x1,
// y1, ...] in pixels of the zoom.
function legsNear(points, x0, y0, size) {
  const legs = points.length / 2 - 1;
  const steps = Array.from({ length: AgeSteps }, () => []);
  const low = -TrailReach, high = size + TrailReach;
  for (let k = 0; k < legs; k++) {
    const ax = points[2 * k] - x0, ay = points[2 * k + 1] - y0;
    const bx = points[2 * k + 2] - x0, by = points[2 * k + 3] - y0;
    if (Math.max(ax, bx) < low || Math.max(ay, by) < low ||
        Math.min(ax, bx) > high || Math.min(ay, by) > high) continue;
    steps[Math.min(AgeSteps - 1, Math.floor((k * AgeSteps) / legs))].push(k);
  }
  return steps;
}

function strokeLegs(context, points, legs) {
  context.beginPath();
  for (const k of legs) {
    context.moveTo(points[2 * k], points[2 * k + 1]);
    context.lineTo(points[2 * k + 2], points[2 * k + 3]);
  }
  context.stroke();
}

// Draws the path onto `context`, in pixels of the zoom, for the square of `size` pixels
// from (x0, y0): the casing of every leg first, then the lines, the oldest first.
export function drawTrail(context, points, x0, y0, size) {
  if (points.length < 4) return;
  const steps = legsNear(points, x0, y0, size);
  context.save();
  context.lineJoin = 'round';
  context.lineCap = 'round';
  for (const [style, width] of [[Casing, CasingWidth], [Line, LineWidth]]) {
    context.strokeStyle = style;
    context.lineWidth = width;
    steps.forEach((legs, step) => {
      if (legs.length === 0) return;
      context.globalAlpha = OldestAlpha + ((1 - OldestAlpha) * (step + 1)) / AgeSteps;
      strokeLegs(context, points, legs);
    });
  }
  context.restore();
}
