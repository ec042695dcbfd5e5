// The name a saved picture of the view gets: the world's name and the view as the
// address writes it, "The Saltmere Reach z2 x140 y85.png".

// The longest world name kept, in characters: the view and the extension follow it,
// and file systems allow about 255 to a name.
const LongestName = 100;

// Characters no file name may hold on Windows, control characters, and the separators
// of lines and paragraphs: each run becomes one space.
const Unsafe = /[\\/:*?"<>|\p{Cc}\p{Zl}\p{Zp}]+/gu;
// Invisible formatting characters (among them those that turn text right to left, which
// could make the name seem to end in another extension) and unpaired surrogate halves:
// left out.
const Invisible = /[\p{Cf}\p{Cs}]/gu;

// `text` made fit to stand in a file name on any system, or '' when nothing of it is.
// Leading dots go too (they hide a file on some systems), and so do spaces at either end.
export function fileNamePart(text) {
  const cleaned = text.replace(Invisible, '').replace(Unsafe, ' ').replace(/\s+/g, ' ')
    .replace(/^[\s.]+/, '').trim();
  return Array.from(cleaned).slice(0, LongestName).join('').trim();
}

// The picture's file name for the world named `worldName` (the save's), whose bitmap is
// `imageName`, seen at `zoom` around world position (x, y). Without a usable world name,
// the bitmap's stem (the save's file name) names it, or else "map".
export function pictureFileName({ worldName, imageName, zoom, x, y }) {
  const stem = imageName.slice(imageName.lastIndexOf('/') + 1).replace(/\.bmp$/i, '');
  const name = fileNamePart(worldName) || fileNamePart(stem) || 'map';
  const view = `z${Math.round(zoom * 100) / 100} x${Math.round(x)} y${Math.round(y)}`;
  return `${name} ${view}.png`;
}
