// An element's box painted on a canvas as its computed style draws it: the shadows
// around it, its background, the shadows inside it and its border, all with its rounded
// corners. The page's markers (the player's dot, the selection ring) are such boxes,
// empty and with one border width and colour all round.

// How far away a blurred shape is drawn, in CSS pixels, so that only its shadow, moved
// back by the shadow's offset, falls on the canvas.
const Away = 100000;

// A rectangle with round corners: { left, top, width, height, radius }.
const grown = ({ left, top, width, height, radius }, by) => ({
  left: left - by, top: top - by, width: width + 2 * by, height: height + 2 * by,
  radius: radius > 0 ? Math.max(radius + by, 0) : 0,
});
const moved = (shape, x, y) => ({ ...shape, left: shape.left + x, top: shape.top + y });

function addShape(path, { left, top, width, height, radius }) {
  if (width <= 0 || height <= 0) return;
  path.roundRect(left, top, width, height, Math.min(radius, width / 2, height / 2));
}

// The shadows of a computed box-shadow ("rgb(0, 0, 0) 0px 0px 4px 0px, rgb(...) ...
// inset"), each { colour, x, y, blur, spread, inset }; the first lies on top.
function readShadows(boxShadow) {
  if (!boxShadow || boxShadow === 'none') return [];
  return boxShadow.split(/,(?![^(]*\))/).map((text) => {
    const [x = 0, y = 0, blur = 0, spread = 0] =
      (text.replace(/\w+\([^)]*\)/g, '').match(/-?[\d.]+(?=px)/g) ?? []).map(Number);
    const colour = /\w+\([^)]*\)|#[\da-f]+/i.exec(text)?.[0] ?? 'black';
    return { colour, x, y, blur, spread, inset: /\binset\b/.test(text) };
  });
}

// A corner radius of the computed style ("4px", "50%") for a box of this size.
function cornerRadius(value, width, height) {
  const amount = Number.parseFloat(value) || 0;
  return value.endsWith('%') ? (amount / 100) * Math.min(width, height) : amount;
}

// Paints the box of `style` at `place` (CSS pixels: left, top, width, height) on
// `context`, whose pixels are `ratio` to a CSS pixel, at the context's global alpha.
export function paintBox(context, style, place, ratio) {
  const borderWidth = style.borderTopStyle === 'none' ? 0
    : Number.parseFloat(style.borderTopWidth) || 0;
  const radius = cornerRadius(style.borderTopLeftRadius, place.width, place.height);
  const borderBox = { ...place, radius };
  const paddingBox = grown(borderBox, -borderWidth);
  const shadows = readShadows(style.boxShadow);

  // Fills the region between the outline of `outer` and that of `inner` (or all of
  // `outer`), in `colour`, blurred as a shadow of `blur` pixels is.
  const fill = (colour, outer, inner = null, blur = 0) => {
    const path = new Path2D();
    const shift = blur > 0 ? Away : 0;
    addShape(path, moved(outer, -shift, 0));
    if (inner) addShape(path, moved(inner, -shift, 0));
    context.save();
    if (blur > 0) {
      // Canvas shadows are in device pixels and unaffected by the transform; CSS and the
      // canvas both blur with a standard deviation of half the blur given.
      context.shadowColor = colour;
      context.shadowBlur = blur * ratio;
      context.shadowOffsetX = shift * ratio;
    }
    context.fillStyle = colour;
    context.fill(path, 'evenodd');
    context.restore();
  };
  // Limits drawing to inside `shape`, or to outside it.
  const clipTo = (shape, outside) => {
    const path = new Path2D();
    if (outside) path.rect(-Away, -Away, 2 * Away, 2 * Away);
    addShape(path, shape);
    context.clip(path, 'evenodd');
  };
  // A rectangle far larger than the box, around it.
  const around = (shape) => grown({ ...shape, radius: 0 }, Away / 2);

  context.save();
  context.setTransform(ratio, 0, 0, ratio, 0, 0);
  // Shadows around the box show outside it, the last given lowest. They reach a device
  // pixel in under its edge, as the browser's do: the edge's soft pixels show them.
  for (const { colour, x, y, blur, spread } of shadows.filter((s) => !s.inset).reverse()) {
    context.save();
    clipTo(grown(borderBox, -1 / ratio), true);
    fill(colour, moved(grown(borderBox, spread), x, y), null, blur);
    context.restore();
  }
  const background = style.backgroundColor;
  if (background && background !== 'transparent' && background !== 'rgba(0, 0, 0, 0)') {
    // Under an opaque border the background reaches only half way into it, as the
    // browser paints it: its own soft edge would show around the border's.
    const opaqueBorder = borderWidth > 0 && !style.borderTopColor.startsWith('rgba');
    fill(background, opaqueBorder ? grown(borderBox, -borderWidth / 2) : borderBox);
  }
  // Shadows inside the box fall on its padding box, from everything around a shape the
  // size of the padding box less the spread.
  for (const { colour, x, y, blur, spread } of shadows.filter((s) => s.inset).reverse()) {
    context.save();
    clipTo(paddingBox, false);
    fill(colour, around(paddingBox), moved(grown(paddingBox, -spread), x, y), blur);
    context.restore();
  }
  if (borderWidth > 0) fill(style.borderTopColor, borderBox, paddingBox);
  context.restore();
}
