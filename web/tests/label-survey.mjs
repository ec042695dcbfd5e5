// What a player sees of the labels in the map's visible area: how many island
// difficulties, ship difficulties and names show, which labels overlap and which island
// squares a name hides. Shared by the label browser test and by anyone measuring.

// The islands' and ships' positions of a save, in its order.
export function readSaveRecords(xml) {
  const islands = [...xml.matchAll(/<IslandData [^>]*?X="(-?\d+)" Y="(-?\d+)"/g)]
    .map((m) => ({ x: Number(m[1]), y: Number(m[2]) }));
  const ships = [...xml.matchAll(/<MapShip location="\((-?\d+), (-?\d+)\)"/g)]
    .map((m) => ({ x: Number(m[1]), y: Number(m[2]) }));
  return { islands, ships };
}

// Every label in the document with its box and the world position its anchor marks,
// and the geometry of the bitmap and the map on screen.
async function labelsOnScreen(page) {
  return page.evaluate(() => {
    const image = document.querySelector('img.map-image');
    const imageBox = image.getBoundingClientRect();
    const pixel = imageBox.width / image.naturalWidth;
    const area = document.getElementById('map').getBoundingClientRect();
    const labels = [...document.querySelectorAll('.leaflet-marker-pane > .difficulty, ' +
                                                '.leaflet-marker-pane > .islandname')]
      .map((element) => {
        const box = element.getBoundingClientRect();
        const style = getComputedStyle(element);
        const anchorX = box.left - parseFloat(style.marginLeft);
        const anchorY = box.top - parseFloat(style.marginTop);
        return {
          name: element.classList.contains('islandname'),
          text: element.textContent,
          box: [box.left, box.top, box.right, box.bottom],
          // World position of the anchor: the bitmap draws world x at pixel 2x.
          worldX: ((anchorX - imageBox.left) / pixel - 0.5) / 2,
          worldY: ((anchorY - imageBox.top) / pixel - 0.5) / 2,
        };
      });
    return {
      labels, pixel, area: [area.left, area.top, area.right, area.bottom],
      origin: [imageBox.left, imageBox.top],
    };
  });
}

const inside = ([x, y], area) => x > area[0] && x < area[2] && y > area[1] && y < area[3];
const centre = (box) => [(box[0] + box[2]) / 2, (box[1] + box[3]) / 2];
const intersection = (a, b) =>
  Math.max(0, Math.min(a[2], b[2]) - Math.max(a[0], b[0])) *
  Math.max(0, Math.min(a[3], b[3]) - Math.max(a[1], b[1]));

// Counts what shows in view and finds the faults: `records` are the world's islands and
// ships ({ islands: [{x, y}], ships: [{x, y}] }).
export async function surveyLabels(page, records) {
  const { labels, pixel, area, origin } = await labelsOnScreen(page);
  // Marker positions are rounded to whole screen pixels: a label marks the record whose
  // point lies within a pixel of its anchor.
  const near = 0.6 + 1 / (2 * pixel);
  const bucket = (v) => Math.floor(v / near);
  const byPlace = (list) => {
    const places = new Map();
    for (const r of list) {
      const key = `${bucket(r.x)},${bucket(r.y)}`;
      places.set(key, [...(places.get(key) ?? []), r]);
    }
    // The record within `reach` world units of (x, y), or undefined.
    return (x, y, reach = near) => {
      const cells = Math.ceil(reach / near);
      for (let dx = -cells; dx <= cells; dx++) {
        for (let dy = -cells; dy <= cells; dy++) {
          const found = (places.get(`${bucket(x) + dx},${bucket(y) + dy}`) ?? [])
            .find((r) => Math.abs(r.x - x) <= reach && Math.abs(r.y - y) <= reach);
          if (found) return found;
        }
      }
      return undefined;
    };
  };
  const islandAt = byPlace(records.islands);
  const shipAt = byPlace(records.ships);
  // The screen box of a record's 9 x 9 pixel square.
  const square = (r) => {
    const left = origin[0] + (2 * r.x - 4) * pixel, top = origin[1] + (2 * r.y - 4) * pixel;
    return [left, top, left + 9 * pixel, top + 9 * pixel];
  };
  const inView = (r) => inside(centre(square(r)), area);
  const difficulties = labels.filter((label) => !label.name && inside(centre(label.box), area));
  const onIsland = (label) => islandAt(label.worldX, label.worldY) !== undefined;
  const onShip = (label) => shipAt(label.worldX, label.worldY) !== undefined;
  // A name's anchor lies on its island's square, at most half a square from its point.
  const namedIslands = new Set(labels.filter((label) => label.name)
    .map((label) => islandAt(label.worldX, label.worldY, near + 2.25)).filter(Boolean));

  const overlaps = [];
  const sorted = [...labels].sort((a, b) => a.box[0] - b.box[0]);
  for (let k = 0; k < sorted.length; k++) {
    for (let m = k + 1; m < sorted.length && sorted[m].box[0] < sorted[k].box[2] - 0.5; m++) {
      const [a, b] = [sorted[k].box, sorted[m].box];
      const across = Math.min(a[2], b[2]) - Math.max(a[0], b[0]);
      const down = Math.min(a[3], b[3]) - Math.max(a[1], b[1]);
      if (across > 0.5 && down > 0.5) overlaps.push(`"${sorted[k].text}" / "${sorted[m].text}"`);
    }
  }

  const names = labels.filter((label) => label.name);
  const hidden = [];
  for (const island of records.islands) {
    const box = square(island);
    if (!inView(island)) continue;
    const size = (box[2] - box[0]) * (box[3] - box[1]);
    const covered = names.find((name) => intersection(name.box, box) > size / 2);
    if (covered) hidden.push(`${island.x},${island.y} under "${covered.text}"`);
  }
  return {
    islandDifficulties: difficulties.filter(onIsland).length,
    shipDifficulties: difficulties.filter((label) => !onIsland(label) && onShip(label)).length,
    names: [...namedIslands].filter(inView).length,
    islandsInView: records.islands.filter(inView).length,
    shipsInView: records.ships.filter(inView).length,
    overlaps,
    hidden,
    // For comparing views: every label, and the screen geometry.
    labels, pixel, area, origin,
  };
}
