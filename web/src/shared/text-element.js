// An element of `tag` with the class `className` holding `text`: the piece that cards and
// lists are built from.
export function textElement(tag, className, text) {
  const element = document.createElement(tag);
  element.className = className;
  element.textContent = text;
  return element;
}
