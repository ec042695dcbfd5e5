// Names the page after the world: the heading, the title and the map image's text
// alternative show the world's name from the save; when the save gives none, the save's
// file name; failing that, "Tidelorn map". Also finds the map for the scripts after it.
'use strict';
(() => {
  const tlmaper = (window.tlmaper ??= {});
  const FallbackName = 'Tidelorn map';
  const NamedReferences = { amp: '&', lt: '<', gt: '>', quot: '"', apos: "'" };

  // The tool writes save text with character references in place of markup characters,
  // quotes, brackets and control characters; this gives back the characters.
  function decodeReferences(text) {
    return text.replace(/&(?:#(\d{1,8})|#[xX]([0-9a-fA-F]{1,6})|(amp|lt|gt|quot|apos));/g,
      (reference, decimal, hex, named) => {
        if (named) return NamedReferences[named];
        const code = decimal ? Number(decimal) : parseInt(hex, 16);
        const isCharacter = code > 0 && code <= 0x10ffff && (code < 0xd800 || code > 0xdfff);
        return isCharacter ? String.fromCodePoint(code) : '\ufffd';
      });
  }

  // The Leaflet map the page made: the shared one, else the global `map` of a page
  // made the older way (which the element with id "map" must not stand in for).
  function findMap() {
    if (tlmaper.map) return tlmaper.map;
    return typeof map !== 'undefined' && window.L && map instanceof L.Map ? map : null;
  }

  // The stem of the bitmap's file name: the save's name, as the tool names its outputs.
  function saveFileName() {
    const fileName = document.getElementById('map')?.dataset.image ?? '';
    return fileName.replace(/\.bmp$/i, '');
  }

  const block = document.getElementById('world-name-text');
  const worldName = block ? decodeReferences(block.textContent) : '';
  const pageName = worldName.trim() !== '' ? worldName : saveFileName().trim() || FallbackName;

  tlmaper.findMap = findMap;
  tlmaper.pageName = pageName;
  document.title = pageName;
  const heading = document.getElementById('world-name');
  if (heading) heading.textContent = pageName;

  // The map image, however and whenever it is added, is described by the world's name.
  const describeImages = () => {
    for (const image of document.querySelectorAll('#map img.leaflet-image-layer')) {
      if (!image.alt) image.alt = pageName;
    }
  };
  describeImages();
  findMap()?.on('layeradd', describeImages);
})();
