// Shows the world position under the cursor in a corner of the map, in the save's own
// units: the same whole numbers as in the save file.
'use strict';
(() => {
  const tlmaper = (window.tlmaper ??= {});
  const map = tlmaper.findMap?.();
  const readout = document.getElementById('coordinates');
  if (!map || !readout) return;

  const worldPosition = (latLng) => tlmaper.worldPosition?.(latLng) ?? map.project(latLng, 0);
  const Nothing = 'x –, y –';

  const control = L.control({ position: 'bottomleft' });
  control.onAdd = () => readout;
  control.addTo(map);

  map.on('mousemove', (event) => {
    const position = worldPosition(event.latlng);
    // "+ 0" turns a rounded -0 into 0.
    readout.textContent = `x ${Math.round(position.x) + 0}, y ${Math.round(position.y) + 0}`;
  });
  map.on('mouseout', () => { readout.textContent = Nothing; });
})();
