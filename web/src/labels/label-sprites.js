// Each label's look, drawn once: its text in the page's label style inside a dark halo,
// on a small canvas of its own at the screen's pixel ratio, which the label layer then
// copies wherever the label shows. Copying a drawn label costs far less than drawing
// its text and halo again. The same for the marks of towns and explored islands.

// How far the halo reaches beyond the text's box, in CSS pixels: one pixel of outline
// and a soft shadow that fades out within two more. Nothing of a label is drawn
// further out.
export const HaloReach = 3;
const Outline = [[-1, -1], [1, -1], [-1, 1], [1, 1], [0, -1], [0, 1], [-1, 0], [1, 0]];
const HaloColour = '#000';
const ShadowBlur = 2;
// Drawn labels kept for reuse; past this many, the longest unused go.
const MostSprites = 6000;
// The widest sprite drawn, in device pixels: a canvas has a largest size, and a name
// wider than any screen shows no more of itself than this, nor more characters than
// fit into it.
const WidestSprite = 8192;
const MostCharacters = WidestSprite / 2;

// Sprites of label texts. `drawing` gives, per kind ('difficulty' or 'name'), the font,
// colour, letter spacing and the text's place in its box (left, baseline).
export function labelSprites(drawing) {
  const sprites = new Map();  // `${kind}|${ratio}|${width}|${height}|${text}` -> canvas
  return {
    // The canvas of `text` in a box of `width` x `height` CSS pixels (whole numbers),
    // the halo's reach added on every side, at `ratio` device pixels to a CSS pixel.
    sprite(kind, fullText, width, height, ratio) {
      const text = fullText.length > MostCharacters ? fullText.slice(0, MostCharacters) : fullText;
      const key = `${kind}|${ratio}|${width}|${height}|${text}`;
      let canvas = sprites.get(key);
      if (canvas) {
        sprites.delete(key);  // to the end: the most recently used
      } else {
        canvas = drawSprite(drawing[kind], text, width, height, ratio);
        if (sprites.size >= MostSprites) sprites.delete(sprites.keys().next().value);
      }
      sprites.set(key, canvas);
      return canvas;
    },
    // The canvas of a town's or an explored island's mark (`kind` 'town' or 'explored'),
    // centred on its island; gives { canvas, reach }, reach in CSS pixels from the centre.
    mark(kind, ratio) {
      const key = `${kind}|${ratio}`;
      let canvas = sprites.get(key);
      if (!canvas) {
        canvas = drawMark(kind, ratio);
        sprites.set(key, canvas);
      }
      return { canvas, reach: Marks[kind].size / 2 + MarkOutline };
    },
    clear: () => sprites.clear(),
  };
}

// The marks: a town ringed in white, an explored island framed by a dashed green
// square, each in a thin dark outline. Sizes in CSS pixels, across.
const Marks = {
  town: { size: 20, colour: '#ffffff', radius: 10 },
  explored: { size: 28, colour: '#4cff7a', radius: 3, dash: [6, 4] },
};
const MarkBorder = 2;
const MarkOutline = 1;

function drawMark(kind, ratio) {
  const { size, colour, radius, dash } = Marks[kind];
  const canvas = document.createElement('canvas');
  const side = size + 2 * MarkOutline;
  canvas.width = canvas.height = Math.round(side * ratio);
  const context = canvas.getContext('2d');
  context.scale(ratio, ratio);
  // A rounded square (a circle when the radius is half the side), `inset` in from the
  // sprite's edge.
  const outline = (inset) => {
    context.beginPath();
    context.roundRect(inset, inset, side - 2 * inset, side - 2 * inset,
      Math.max(radius + MarkOutline - inset, 0));
  };
  context.lineWidth = MarkOutline;
  context.strokeStyle = HaloColour;
  outline(MarkOutline / 2);
  context.stroke();
  context.lineWidth = MarkBorder;
  context.strokeStyle = colour;
  if (dash) context.setLineDash(dash);
  outline(MarkOutline + MarkBorder / 2);
  context.stroke();
  return canvas;
}

function drawSprite(style, text, width, height, ratio) {
  const canvas = document.createElement('canvas');
  canvas.width = Math.min(Math.round((width + 2 * HaloReach) * ratio), WidestSprite);
  canvas.height = Math.round((height + 2 * HaloReach) * ratio);
  const context = canvas.getContext('2d');
  context.scale(ratio, ratio);
  context.font = style.font;
  context.letterSpacing = style.letterSpacing;
  context.textBaseline = 'alphabetic';
  const x = HaloReach + style.left, y = HaloReach + style.baseline;
  // The soft shadow under everything, then the outline, then the text.
  context.fillStyle = HaloColour;
  context.shadowColor = HaloColour;
  context.shadowBlur = ShadowBlur * ratio;
  context.fillText(text, x, y);
  context.shadowColor = 'transparent';
  context.shadowBlur = 0;
  for (const [dx, dy] of Outline) context.fillText(text, x + dx, y + dy);
  context.fillStyle = style.color;
  context.fillText(text, x, y);
  return canvas;
}
