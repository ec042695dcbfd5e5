// How wide and high label texts are in the page's own label styles.

// Text widths from a table per font: each character measured once on a canvas with
// the font the page's stylesheet gives the label class, in place of laying out every
// label in the document. Labels keep to one line and fold every run of blank space,
// tabs and line breaks included, into one space, dropping it at either end; the
// measure does the same in one pass, so a name full of tabs or line breaks costs no
// more than one of letters.
function textMeasure(container, className) {
  const probe = document.createElement('div');
  probe.className = `leaflet-marker-icon ${className}`;
  probe.style.cssText = 'visibility:hidden;position:absolute;left:0;top:0';
  probe.textContent = 'x';
  container.appendChild(probe);
  const style = getComputedStyle(probe);
  const pixels = (value) => parseFloat(value) || 0;
  const extraWidth = pixels(style.paddingLeft) + pixels(style.paddingRight) +
                     pixels(style.borderLeftWidth) + pixels(style.borderRightWidth);
  const extraHeight = pixels(style.paddingTop) + pixels(style.paddingBottom) +
                      pixels(style.borderTopWidth) + pixels(style.borderBottomWidth);
  const lineHeight = style.lineHeight === 'normal'
    ? probe.getBoundingClientRect().height - extraHeight
    : pixels(style.lineHeight);
  const letterSpacing = pixels(style.letterSpacing);
  const context = document.createElement('canvas').getContext('2d');
  context.font = `${style.fontStyle} ${style.fontWeight} ${style.fontSize} ${style.fontFamily}`;
  const ascii = new Float64Array(128);
  for (let code = 32; code < 127; code++) {
    ascii[code] = context.measureText(String.fromCharCode(code)).width + letterSpacing;
  }
  // The characters the stylesheet's white-space rule folds: space, tab, line feed,
  // form feed and carriage return.
  const isBlank = (code) =>
    code === 32 || code === 9 || code === 10 || code === 12 || code === 13;
  const folded = (text) => text.replace(/[ \t\n\f\r]+/g, ' ').trim();

  const size = (text) => {
    let width = 0;
    let blankBefore = false;
    for (let k = 0; k < text.length; k++) {
      const code = text.charCodeAt(k);
      if (isBlank(code)) {
        blankBefore = width > 0;
        continue;
      }
      if (code >= 127 || code < 32) {
        const line = folded(text);
        width = context.measureText(line).width + letterSpacing * line.length;
        break;
      }
      if (blankBefore) width += ascii[32];
      blankBefore = false;
      width += ascii[code];
    }
    return { width: width + extraWidth, height: lineHeight + extraHeight };
  };
  return { size, lineHeight: lineHeight + extraHeight, remove: () => probe.remove() };
}

// The metrics the placement needs, from the page's own label styles.
export function labelMetrics(container) {
  const difficulty = textMeasure(container, 'difficulty');
  const name = textMeasure(container, 'islandname');
  return {
    difficultyWidth: (text) => difficulty.size(text).width,
    nameSize: name.size,
    lineHeight: difficulty.lineHeight,
    done() {
      difficulty.remove();
      name.remove();
    },
  };
}
