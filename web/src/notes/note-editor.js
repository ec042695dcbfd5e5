// The note of an island in its card: a text of several lines and a mark chosen from a
// few, saved as the player types (after a short pause) and when the field is left, and
// a button that removes the note. The text is shown and kept as text, never as markup.
import { noteSymbolImage } from './note-symbols.js';
import { Marks, MostCharacters } from './note-format.js';
import { t } from '../i18n/i18n.js';

const TypingPause = 300;
const markName = (mark) => t(mark === '' ? 'marks.none' : `marks.${mark}`);
let editors = 0;  // for ids that are unique on the page

// The editor of the note `note` ({ text, mark } or null); save({ text, mark }) keeps a
// change (both empty: the note is removed).
export function noteEditor(document, note, save) {
  const id = `note-${++editors}`;
  const element = document.createElement('div');
  element.className = 'note-editor';
  const label = document.createElement('label');
  label.htmlFor = `${id}-text`;
  label.textContent = t('notes.yours');
  const text = document.createElement('textarea');
  text.id = `${id}-text`;
  text.rows = 3;
  text.maxLength = MostCharacters;
  text.value = note?.text ?? '';
  const marks = document.createElement('fieldset');
  marks.className = 'note-marks';
  const legend = document.createElement('legend');
  legend.textContent = t('notes.mark');
  marks.append(legend);
  const choices = ['', ...Marks].map((mark) => {
    const choice = document.createElement('input');
    choice.type = 'radio';
    choice.name = `${id}-mark`;
    choice.value = mark;
    choice.checked = (note?.mark ?? '') === mark;
    const option = document.createElement('label');
    option.title = markName(mark);
    option.append(choice, noteSymbolImage(document, mark, 16), markName(mark));
    marks.append(option);
    return choice;
  });
  const status = document.createElement('span');
  status.className = 'note-status';
  status.setAttribute('role', 'status');
  const remove = document.createElement('button');
  remove.type = 'button';
  remove.className = 'note-remove';
  remove.textContent = t('notes.removeNote');
  const footer = document.createElement('div');
  footer.className = 'note-footer';
  footer.append(status, remove);
  element.append(label, text, marks, footer);

  const current = () => ({ text: text.value, mark: choices.find((c) => c.checked)?.value ?? '' });
  let saved = JSON.stringify(current());
  let timer = 0;
  function keep() {
    clearTimeout(timer);
    const now = current();
    if (JSON.stringify(now) === saved) return;
    saved = JSON.stringify(now);
    save(now);
    status.textContent = t(now.text === '' && now.mark === '' ? 'notes.removed' : 'notes.saved');
    remove.disabled = now.text === '' && now.mark === '';
  }
  remove.disabled = saved === JSON.stringify({ text: '', mark: '' });
  text.addEventListener('input', () => {
    status.textContent = '';
    clearTimeout(timer);
    timer = setTimeout(keep, TypingPause);
  });
  text.addEventListener('blur', keep);
  for (const choice of choices) choice.addEventListener('change', keep);
  remove.addEventListener('click', () => {
    text.value = '';
    choices[0].checked = true;
    keep();
  });
  // A note typed into a card that closes is kept all the same.
  return { element, flush: keep };
}
