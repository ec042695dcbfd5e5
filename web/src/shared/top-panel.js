// A panel of the page's top bar: a button (`title`) that opens a popup of the given
// element type under it, folded away until asked for.
export function makeTopPanel(document, id, title, popupTag) {
  const panel = document.createElement('details');
  panel.id = id;
  panel.className = 'top-panel';
  const summary = document.createElement('summary');
  summary.textContent = title;
  const popup = document.createElement(popupTag);
  popup.className = 'panel top-popup';
  panel.append(summary, popup);
  return { panel, summary, popup };
}
