// The five marker layers over one world and its placement, by the names the layer
// control shows.

import { difficultySource, markSource, nameSource, viewQuery } from './sources.js';
import { ViewLayer } from './view-layer.js';
import { zoomSettler } from './zoom-settler.js';

export function makeLayers(world, placement, mapElement) {
  const query = viewQuery(placement);
  const { islands } = world;
  const settler = zoomSettler(mapElement, () => Object.values(layers));
  const layer = (source) => new ViewLayer(source, settler);
  const layers = {
    'Island difficulty': layer(difficultySource(world, placement, query, false)),
    'Island names': layer(nameSource(world, placement, query)),
    'Towns': layer(markSource(world, placement, query, islands.isTown, 'town-marker', 20)),
    'Explored islands':
      layer(markSource(world, placement, query, islands.isExplored, 'explored-marker', 28)),
    'Ship difficulty': layer(difficultySource(world, placement, query, true)),
  };
  return layers;
}
