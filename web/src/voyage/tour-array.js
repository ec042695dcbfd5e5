// A closed tour kept as an array of its nodes with each node's position in it: the next
// and previous node in constant time, and the changes the local search makes (reversing
// a path, moving a short segment, swapping two blocks) in time proportional to the
// shorter way round.

// A tour visiting `order` (an array of the nodes 0 .. n - 1) in turn.
export function arrayTour(order) {
  const size = order.length;
  const node = Int32Array.from(order);
  const at = new Int32Array(size);
  for (let i = 0; i < size; i++) at[node[i]] = i;
  return { size, node, at, held: new Int32Array(size) };
}

export function nextOf(tour, a) {
  const i = tour.at[a] + 1;
  return tour.node[i === tour.size ? 0 : i];
}

export function previousOf(tour, a) {
  const i = tour.at[a];
  return tour.node[i === 0 ? tour.size - 1 : i - 1];
}

// Puts the tour back as `order` had it.
export function restoreTour(tour, order) {
  tour.node.set(order);
  for (let i = 0; i < tour.size; i++) tour.at[tour.node[i]] = i;
}

// Reverses the path from `from` forward to `to`. Reversing the rest of the tour instead
// gives the same cycle, so the shorter of the two is reversed.
export function reversePath(tour, from, to) {
  const { node, at, size } = tour;
  let i = at[from], j = at[to];
  let inside = j - i + 1;
  if (inside <= 0) inside += size;
  if (2 * inside > size) {
    const outsideFirst = j + 1 === size ? 0 : j + 1;
    j = i === 0 ? size - 1 : i - 1;
    i = outsideFirst;
    inside = size - inside;
  }
  for (let swaps = inside >> 1; swaps > 0; swaps--) {
    const a = node[i], b = node[j];
    node[i] = b;
    at[b] = i;
    node[j] = a;
    at[a] = j;
    if (++i === size) i = 0;
    if (--j < 0) j = size - 1;
  }
}

// Moves the `length` nodes from `first` forward to between `after` and the node that
// follows it, in reverse order when `reversed` is true. `after` must lie outside the
// segment. The nodes on the shorter side between the segment's old and new places
// shift over to make room.
export function moveSegment(tour, first, length, after, reversed) {
  const { node, at, size, held } = tour;
  const start = at[first];
  for (let k = 0, i = start; k < length; k++, i = i + 1 === size ? 0 : i + 1) held[k] = node[i];
  let between = at[after] - start - length + 1;  // the nodes from the segment on to `after`
  if (between <= 0) between += size;
  const rest = size - length - between;
  let to;
  if (between <= rest) {
    to = start;
    for (let k = 0, from = (start + length) % size; k < between; k++) {
      const moved = node[from];
      node[to] = moved;
      at[moved] = to;
      if (++from === size) from = 0;
      if (++to === size) to = 0;
    }
  } else {
    let back = (start + length - 1) % size;
    for (let k = 0, from = start === 0 ? size - 1 : start - 1; k < rest; k++) {
      const moved = node[from];
      node[back] = moved;
      at[moved] = back;
      if (--from < 0) from = size - 1;
      if (--back < 0) back = size - 1;
    }
    to = (back - length + 1 + size) % size;
  }
  for (let k = 0; k < length; k++, to = to + 1 === size ? 0 : to + 1) {
    const placed = held[reversed ? length - 1 - k : k];
    node[to] = placed;
    at[placed] = to;
  }
}

// Swaps the block of `first` nodes from position `from` on with the `second` nodes that
// follow it.
export function swapBlocks(tour, from, first, second) {
  const { node, at, size, held } = tour;
  const total = first + second;
  for (let k = 0; k < total; k++) held[k] = node[(from + k) % size];
  for (let k = 0; k < total; k++) {
    const placed = held[k < second ? first + k : k - second];
    const i = (from + k) % size;
    node[i] = placed;
    at[placed] = i;
  }
}
