// "Save picture": the view as the map shows it, without the buttons and panels,
// downloaded as a PNG at the screen's pixel ratio and named after the world and the
// view. A button in the map's bar makes it; the status line beside the bar says what
// came of it, failures too.

import { readImageName, readWorldName } from '../world/lists.js';
import { worldPosition } from '../world/map.js';
import { restWatcher } from './at-rest.js';
import { drawBitmapOf } from './bitmap-stand-in.js';
import { composeView } from './compose.js';
import { pictureFileName } from './file-name.js';
import { t } from '../i18n/i18n.js';

// How long the picture's blob: address outlives the download's start, in milliseconds:
// the browser reads the picture from it once the download has begun.
const KeepAddress = 10000;
const SavedShownFor = 4000;
const FailureShownFor = 15000;

// A frame with the sea and a square island in it, in the text's colour on 24 x 24.
const Icon = '<rect x="3" y="5" width="18" height="14" rx="2" fill="none" ' +
  'stroke="currentColor" stroke-width="2"/><path d="M3 16l5-4 3 2 4-4 6 5" fill="none" ' +
  'stroke="currentColor" stroke-width="2" stroke-linejoin="round"/>' +
  '<rect x="7" y="8" width="3" height="3" fill="currentColor"/>';

// The canvas as PNG data; fails when the browser cannot or may not encode it. Encoded at
// once: the browser's asynchronous encoder waits for idle moments, which on a busy page
// made it take up to five times as long.
function pngOf(canvas) {
  const address = canvas.toDataURL('image/png');
  const start = 'data:image/png;base64,';
  if (!address.startsWith(start)) throw new Error('the browser could not encode it');
  const text = atob(address.slice(start.length));
  const bytes = new Uint8Array(text.length);
  for (let i = 0; i < text.length; i++) bytes[i] = text.charCodeAt(i);
  return new Blob([bytes], { type: 'image/png' });
}

function download(blob, fileName) {
  const address = URL.createObjectURL(blob);
  const link = document.createElement('a');
  link.href = address;
  link.download = fileName;
  link.hidden = true;
  document.body.append(link);
  link.click();
  link.remove();
  setTimeout(() => URL.revokeObjectURL(address), KeepAddress);
}

// Adds the button to the bar of `controls` (addControls'), for `map` shown in
// `mapElement` with the world of `shown`. Gives { canvas(), fileName(), save() }: a
// Promise of the view composed on a canvas once the map rests, the picture's file name
// for the view, and the download itself (a Promise of the file name).
export function addSavePicture(map, mapElement, shown, controls) {
  const untilAtRest = restWatcher(map, mapElement);

  async function canvas() {
    await untilAtRest();
    const ratio = window.devicePixelRatio || 1;
    return composeView(mapElement, {
      ratio,
      drawBitmap: (context, place) => drawBitmapOf(context, map, shown.world(), ratio, place),
    });
  }

  function fileName() {
    const { x, y } = worldPosition(map.getCenter());
    return pictureFileName({
      worldName: readWorldName(document), imageName: readImageName(document),
      zoom: map.getZoom(), x, y,
    });
  }

  async function save() {
    const picture = await canvas();
    const name = fileName();  // of the view pictured, before the map moves on
    download(pngOf(picture), name);
    return name;
  }

  // While busy the button stays focusable (a disabled one would drop the keyboard's
  // focus) and ignores further presses.
  const setBusy = (busy) => {
    for (const name of ['aria-busy', 'aria-disabled']) {
      if (busy) button.setAttribute(name, 'true');
      else button.removeAttribute(name);
    }
    button.style.cursor = busy ? 'progress' : '';
  };
  const button = controls.addButton(t('picture.save'), Icon, async () => {
    if (button.hasAttribute('aria-busy')) return;
    setBusy(true);
    try {
      controls.say(t('picture.downloading', { name: await save() }), SavedShownFor);
    } catch (error) {
      controls.say(t('picture.failed', { reason: error.message }), FailureShownFor);
    } finally {
      setBusy(false);
    }
  });

  return { canvas, fileName, save };
}
