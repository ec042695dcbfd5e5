// The order in which labels claim room at every zoom level.

// The fixed order in which islands claim room: towns, then explored islands, then the
// others, each in save order.
export function islandOrder(islands) {
  const { count, isTown, isExplored } = islands;
  let towns = 0, explored = 0;
  for (let i = 0; i < count; i++) {
    if (isTown[i]) towns++;
    else if (isExplored[i]) explored++;
  }
  // Where the next town, explored island and other island go.
  const next = [0, towns, towns + explored];
  const order = new Int32Array(count);
  for (let i = 0; i < count; i++) order[next[isTown[i] ? 0 : isExplored[i] ? 1 : 2]++] = i;
  return order;
}
