// How the path sailed looks on a tile: a pink line with a dark casing, its legs fading
// from faint (the oldest) to full (the latest, which ends at the player), so that its
// age and the way sailed read at a glance. The page draws it into the tile's pixels
// itself, each leg a band with rounded ends and a soft edge, each pixel as covered as
// the most any leg covers it: where a long path is seen whole, a thousand legs cross one
// tile, which the canvas's own stroking takes tens of milliseconds to draw.

const Line = [255, 92, 225];
const Casing = [24, 0, 40];
const CasingOpacity = 0.85;
// Half the widths, in CSS pixels.
const LineHalf = 1.5;
const CasingHalf = 2.75;
const OldestAlpha = 0.3;
export const TrailReach = CasingHalf + 1;

// Covers the pixels of a square of n x n near the leg from (ax, ay) to (bx, by), in
// pixels of the square, up to `alpha`: in `line` those within `lineHalf` of it, in
// `casing` those within `casingHalf`, each with a soft edge a pixel wide. The pixels
// looked at are those of the rows (or, for a leg nearer level, the columns) it crosses,
// around where it crosses them.
function coverLeg({ line, casing, n }, ax, ay, bx, by, lineHalf, casingHalf, alpha) {
  const dx = bx - ax, dy = by - ay;
  const lengthSquared = dx * dx + dy * dy;
  const reach = casingHalf + 1;
  const steep = Math.abs(dy) >= Math.abs(dx);
  // Rows of a steep leg, columns of another: `a` runs along it, `b` across.
  const [a0, a1] = steep ? [ay, by] : [ax, bx];
  const [b0, b1] = steep ? [ax, bx] : [ay, by];
  const da = a1 - a0, db = b1 - b0;
  const across = da === 0 ? Infinity : (reach * Math.sqrt(lengthSquared)) / Math.abs(da);
  const first = Math.max(0, Math.floor(Math.min(a0, a1) - reach));
  const last = Math.min(n - 1, Math.ceil(Math.max(a0, a1) + reach));
  const low = Math.max(0, Math.floor(Math.min(b0, b1) - reach));
  const high = Math.min(n - 1, Math.ceil(Math.max(b0, b1) + reach));
  for (let s = first; s <= last; s++) {
    const ps = s + 0.5;
    const crossing = da === 0 ? b0 : b0 + ((ps - a0) * db) / da;
    const from = Math.max(low, Math.floor(crossing - across));
    const to = Math.min(high, Math.ceil(crossing + across));
    for (let r = from; r <= to; r++) {
      const px = steep ? r + 0.5 : ps, py = steep ? ps : r + 0.5;
      const along = lengthSquared > 0
        ? Math.min(1, Math.max(0, ((px - ax) * dx + (py - ay) * dy) / lengthSquared)) : 0;
      const ex = px - ax - along * dx, ey = py - ay - along * dy;
      const distance = Math.sqrt(ex * ex + ey * ey);
      const i = steep ? s * n + r : r * n + s;
      const cased = Math.min(1, casingHalf + 0.5 - distance) * alpha;
      if (cased > casing[i]) casing[i] = cased;
      const lined = Math.min(1, lineHalf + 0.5 - distance) * alpha;
      if (lined > line[i]) line[i] = lined;
    }
  }
}

// Draws the legs `legs` (leg k runs from point k to point k + 1; `count` legs in all) of
// `points` ([x0, y0, x1, y1, ...] in CSS pixels of the zoom) onto the tile of `size` CSS
// pixels whose context is `context` and whose top-left corner is (x0, y0).
export function drawTrail(context, points, count, legs, x0, y0, size) {
  const n = context.canvas.width;
  const ratio = n / size;
  const cover = { line: new Float32Array(n * n), casing: new Float32Array(n * n), n };
  for (const k of legs) {
    const alpha = OldestAlpha + ((1 - OldestAlpha) * (k + 1)) / count;
    coverLeg(cover, (points[2 * k] - x0) * ratio, (points[2 * k + 1] - y0) * ratio,
      (points[2 * k + 2] - x0) * ratio, (points[2 * k + 3] - y0) * ratio,
      LineHalf * ratio, CasingHalf * ratio, alpha);
  }
  const { line, casing } = cover;
  const image = context.createImageData(n, n);
  const data = image.data;
  for (let i = 0; i < n * n; i++) {
    const a = line[i], c = casing[i] * CasingOpacity * (1 - a);
    const opacity = a + c;
    if (opacity <= 0) continue;
    for (let channel = 0; channel < 3; channel++) {
      data[4 * i + channel] = (Line[channel] * a + Casing[channel] * c) / opacity;
    }
    data[4 * i + 3] = opacity * 255;
  }
  context.putImageData(image, 0, 0);
}
