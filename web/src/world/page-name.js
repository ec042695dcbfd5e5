// Names the page after the world: the heading, the title and the map image's text
// alternative show the world's name from the save; when the save gives none, the save's
// file name; failing that, "Tidelorn map" in the page's language.
import { t } from '../i18n/i18n.js';

// Names the page; `worldName` is the save's (decoded), `imageName` the bitmap's file
// name. Gives the name.
export function nameThePage(map, worldName, imageName) {
  // The stem of the bitmap's file name: the save's name, as the tool names its outputs.
  const saveFileName = imageName.replace(/\.bmp$/i, '');
  const pageName = worldName.trim() !== '' ? worldName : saveFileName.trim() || t('page.defaultName');
  document.title = pageName;
  const heading = document.getElementById('world-name');
  if (heading) {
    heading.textContent = pageName;
    heading.title = pageName;  // the whole name, where the bar cuts it short
  }

  // The map image, however and whenever it is added, is described by the world's name.
  const describeImages = () => {
    for (const image of document.querySelectorAll('#map img.leaflet-image-layer')) {
      if (!image.alt) image.alt = pageName;
    }
  };
  describeImages();
  map.on('layeradd', describeImages);
  return pageName;
}
