// The labels of a world and their boxes: every island has its difficulty, centred on
// its point, and its name, at one of twelve candidate places around the island; every
// ship has its difficulty. A box is a fixed rectangle of screen pixels around an anchor,
// a point of the world, so on zooming in the anchors spread while the boxes keep their
// size.

// Room kept around each label, in screen pixels: it absorbs the rounding of marker
// positions to whole pixels, so that labels computed apart never touch on screen.
export const Slack = 0.5;
// Space between a name and its island's difficulty, in screen pixels: at least the
// slack of both, so that the two never stand in each other's way.
export const NameGap = 2 * Slack;
// Half the side of an island's square, in world units: the bitmap draws a record at
// world (x, y) as the 9 x 9 pixels around pixel (2x, 2y).
export const HalfSquare = 2.25;
// Half the side of the room the player's marker takes, in screen pixels: the marker (16
// pixels across) and the halo of a label beside it.
export const PlayerHalfSide = 8 + 3;

// The candidate places of a name, in the order they are tried: the side of the island
// its anchor lies on, and whether the name is centred on that side or leans to one end
// (right or down for Start below and above, up for Start at the sides).
const Below = 0, Right = 1, Left = 2, Above = 3;
const Centre = 0, Start = 1, End = 2;
export const NameCandidates = [
  { side: Below, align: Centre },
  { side: Right, align: Centre },
  { side: Left, align: Centre },
  { side: Above, align: Centre },
  { side: Below, align: Start },
  { side: Below, align: End },
  { side: Above, align: Start },
  { side: Above, align: End },
  { side: Right, align: Start },
  { side: Right, align: End },
  { side: Left, align: Start },
  { side: Left, align: End },
];
const CandidateSide = Int8Array.from(NameCandidates, (c) => c.side);
const CandidateAlign = Int8Array.from(NameCandidates, (c) => c.align);
export const SideDirection = [[0, 1], [1, 0], [-1, 0], [0, -1]];

// The labels of a world, measured: label ids 0 .. islands - 1 are the islands'
// difficulties, then one per ship for theirs, then one per island for its name.
// `metrics` measures text: difficultyWidth(text), nameSize(text) -> { width, height },
// and lineHeight. Each difficulty is `difficultyWidth` wide and `lineHeight` high. Also
// gives the extremes: the widest and narrowest difficulty's half width, the widest
// and highest name.
export function measureLabels(world, metrics) {
  const { islands, ships } = world;
  const count = 2 * islands.count + ships.count;
  const halfWidth = new Float32Array(islands.count + ships.count);
  // A world has few distinct difficulties: each is measured once.
  const halfWidths = new Map();
  const halfWidthOf = (d) => {
    let half = halfWidths.get(d);
    if (half === undefined) {
      half = Math.fround(metrics.difficultyWidth(String(d)) / 2);  // as the array holds it
      halfWidths.set(d, half);
    }
    return half;
  };
  for (let i = 0; i < islands.count; i++) halfWidth[i] = halfWidthOf(islands.difficulty[i]);
  for (let j = 0; j < ships.count; j++) halfWidth[islands.count + j] = halfWidthOf(ships.difficulty[j]);
  const nameWidth = new Float32Array(islands.count);
  const nameHeight = new Float32Array(islands.count);
  let widestName = 0, highestName = 0;
  for (let i = 0; i < islands.count; i++) {
    const size = metrics.nameSize(islands.names[i]);
    nameWidth[i] = size.width;
    nameHeight[i] = size.height;
    if (nameWidth[i] > widestName) widestName = nameWidth[i];
    if (nameHeight[i] > highestName) highestName = nameHeight[i];
  }
  const halves = [...halfWidths.values()];
  return {
    count, islands: islands.count, ships: ships.count, firstName: islands.count + ships.count,
    halfWidth, halfHeight: metrics.lineHeight / 2, nameWidth, nameHeight,
    widestDifficulty: Math.max(0, ...halves), narrowestDifficulty: Math.min(...halves),
    widestName, highestName,
  };
}

// The box of name `i` at candidate `c`, relative to its anchor, without the slack:
// writes [left, top, right, bottom] into `out` and gives the anchor's side.
export function nameBox(labels, i, c, out) {
  const side = CandidateSide[c], align = CandidateAlign[c];
  const w = labels.nameWidth[i], h = labels.nameHeight[i];
  const dw = labels.halfWidth[i], dh = labels.halfHeight;
  if (side === Right || side === Left) {
    out[0] = side === Right ? dw + NameGap : -dw - NameGap - w;
    out[1] = align === Centre ? -h / 2 : align === Start ? -h : 0;
  } else {
    out[0] = align === Centre ? -w / 2 : align === Start ? -dw : dw - w;
    out[1] = side === Below ? dh + NameGap : -dh - NameGap - h;
  }
  out[2] = out[0] + w;
  out[3] = out[1] + h;
  return side;
}

// How far any label's box reaches from its anchor, in screen pixels: at most the
// widest difficulty beside the widest name, or the highest name below a difficulty.
export function measureReach(labels) {
  const { widestName, highestName, widestDifficulty } = labels;
  const across = widestDifficulty + NameGap + widestName + Slack;
  const down = labels.halfHeight + NameGap + Math.max(highestName, labels.halfHeight) + Slack;
  return { minLeft: -across, minTop: -down, maxRight: across, maxBottom: down };
}
