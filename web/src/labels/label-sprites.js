// Each label's look, drawn once: its text in the page's label style inside a dark halo,
// on a small canvas of its own at the screen's pixel ratio, which the label layer then
// copies wherever the label shows. Copying a drawn label costs far less than drawing
// its text and halo again.

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
    clear: () => sprites.clear(),
  };
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
