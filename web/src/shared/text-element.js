// An element of `tag` with the class `className` holding `text`: the piece that cards and
// lists are built from.
export function textElement(tag, className, text) {
  const element = document.createElement(tag);
  element.className = className;
  element.textContent = text;
  return element;
}

// A button showing `text`, of the class `className`, named `label` for screen readers
// when given (a button that shows a symbol), calling onClick when pressed.
export function buttonElement(text, className, { label = null, onClick = null } = {}) {
  const element = document.createElement('button');
  element.type = 'button';
  element.className = className;
  element.textContent = text;
  if (label) element.setAttribute('aria-label', label);
  if (onClick) element.addEventListener('click', onClick);
  return element;
}

// The foot of a top-bar panel: a row of `buttons`, a status line (`statusId`) that screen
// readers announce, and a hint in small print.
export function panelFoot(buttons, statusId, hintText) {
  const tools = document.createElement('div');
  tools.className = 'panel-tools';
  tools.append(...buttons);
  const status = textElement('p', 'panel-status', '');
  status.id = statusId;
  status.setAttribute('role', 'status');
  return { tools, status, hint: textElement('p', 'panel-hint', hintText) };
}
