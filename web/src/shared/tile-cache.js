// Recently drawn canvas tiles by zoom and position: a tile layer that returns to them
// draws nothing again, as Leaflet drops its tiles whenever the zoom changes.

// Keeps at most `most` tiles, the most recently used.
export function tileCache(most) {
  let tiles = new Map();  // `${z}/${x}/${y}` -> canvas
  return {
    // The tile at `coords`: the one kept, else make(coords), which is kept unless
    // `keep()` says no.
    take(coords, make, keep = () => true) {
      const key = `${coords.z}/${coords.x}/${coords.y}`;
      let canvas = tiles.get(key);
      if (canvas) {
        tiles.delete(key);
      } else {
        canvas = make(coords);
        if (!keep()) return canvas;
      }
      tiles.set(key, canvas);
      if (tiles.size > most) tiles.delete(tiles.keys().next().value);
      return canvas;
    },
    clear() {
      tiles = new Map();
    },
  };
}
