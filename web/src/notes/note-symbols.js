// The symbol of each kind of note, drawn on a canvas around a point: a shape of its own
// and a colour of its own for each mark, in a white rim and a dark outline, so that each
// reads on the blue sea, on yellow and red squares and over the difficulty colours, and
// tells itself apart by shape as well as colour. A note without a mark is a small page.

export const SymbolRadius = 7;
const Rim = '#ffffff';
const Outline = '#10102a';

// Traces the path of a mark's shape around (x, y).
const Shapes = {
  // A page with its corner turned.
  '': (c, x, y) => {
    c.moveTo(x - 5, y - 7); c.lineTo(x + 2, y - 7); c.lineTo(x + 5, y - 4);
    c.lineTo(x + 5, y + 7); c.lineTo(x - 5, y + 7); c.closePath();
  },
  // A flag on its pole.
  planned: (c, x, y) => {
    c.moveTo(x - 5, y + 7); c.lineTo(x - 5, y - 7); c.lineTo(x + 6, y - 3.5);
    c.lineTo(x - 3, y); c.lineTo(x - 3, y + 7); c.closePath();
  },
  // A warning triangle.
  danger: (c, x, y) => {
    c.moveTo(x, y - 7); c.lineTo(x + 7.5, y + 6); c.lineTo(x - 7.5, y + 6); c.closePath();
  },
  // A cut gem.
  treasure: (c, x, y) => {
    c.moveTo(x - 4, y - 6); c.lineTo(x + 4, y - 6); c.lineTo(x + 7, y - 2);
    c.lineTo(x, y + 7); c.lineTo(x - 7, y - 2); c.closePath();
  },
  // A disc that carries a tick.
  done: (c, x, y) => { c.arc(x, y, 7, 0, 2 * Math.PI); },
};
export const MarkColours = {
  '': '#fff4c2', planned: '#38d4ff', danger: '#ff4d2e', treasure: '#ffb000', done: '#2fd06a',
};
// What is drawn inside the shape, in the outline's colour.
const Details = {
  '': (c, x, y) => { c.moveTo(x - 2.5, y - 1); c.lineTo(x + 2.5, y - 1); c.moveTo(x - 2.5, y + 2.5); c.lineTo(x + 2.5, y + 2.5); },
  danger: (c, x, y) => { c.moveTo(x, y - 2.5); c.lineTo(x, y + 1.5); c.moveTo(x, y + 3.6); c.lineTo(x, y + 4); },
  done: (c, x, y) => { c.moveTo(x - 3.5, y); c.lineTo(x - 1, y + 3); c.lineTo(x + 4, y - 3); },
};

// Draws the symbol of `mark` centred on (x, y) of `context` (in CSS pixels).
export function drawNoteSymbol(context, mark, x, y) {
  const shape = Shapes[mark] ?? Shapes[''];
  context.save();
  context.lineJoin = 'round';
  context.lineCap = 'round';
  context.beginPath();
  shape(context, x, y);
  context.lineWidth = 4;
  context.strokeStyle = Rim;
  context.stroke();
  context.fillStyle = MarkColours[mark] ?? MarkColours[''];
  context.fill();
  context.lineWidth = 1.5;
  context.strokeStyle = Outline;
  context.stroke();
  const detail = Details[mark];
  if (detail) {
    context.beginPath();
    detail(context, x, y);
    context.lineWidth = 1.8;
    context.stroke();
  }
  context.restore();
}

// The pictures of the symbols, by mark, size and pixel ratio: drawn once each.
const pictures = new Map();
function symbolPicture(mark, size, ratio) {
  const key = `${mark}/${size}/${ratio}`;
  if (!pictures.has(key)) {
    const canvas = document.createElement('canvas');
    canvas.width = canvas.height = Math.ceil(size * ratio);
    const context = canvas.getContext('2d');
    context.scale(ratio, ratio);
    drawNoteSymbol(context, mark, size / 2, size / 2);
    pictures.set(key, canvas.toDataURL());
  }
  return pictures.get(key);
}

// The symbol of `mark` as a small element of `size` CSS pixels, for the card, the panel
// and the legend (a long list of notes draws each symbol once).
export function noteSymbolImage(document, mark, size = 18) {
  const element = document.createElement('span');
  element.className = 'note-symbol';
  element.setAttribute('aria-hidden', 'true');
  element.style.width = element.style.height = `${size}px`;
  element.style.backgroundImage =
    `url("${symbolPicture(mark, size, window.devicePixelRatio || 1)}")`;
  return element;
}
