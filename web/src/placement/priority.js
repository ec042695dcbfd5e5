// The order in which labels claim room at every zoom level.

// The fixed order in which islands claim room: towns, then explored islands, then the
// others, each in save order.
export function islandOrder(islands) {
  const order = new Int32Array(islands.count);
  let k = 0;
  for (let i = 0; i < islands.count; i++) if (islands.isTown[i]) order[k++] = i;
  for (let i = 0; i < islands.count; i++) {
    if (!islands.isTown[i] && islands.isExplored[i]) order[k++] = i;
  }
  for (let i = 0; i < islands.count; i++) {
    if (!islands.isTown[i] && !islands.isExplored[i]) order[k++] = i;
  }
  return order;
}
