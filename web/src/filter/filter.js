// Which islands suit the player: a difficulty from `low` to `high` (both included, within
// the world's own lowest and highest), and optionally only unexplored islands and only
// towns, and only islands with the player's notes ('any', or one mark). A filter is a
// plain record { low, high, unexplored, towns, notes }; the address keeps it beside the
// view as "difficulty=A-B", "unexplored=1", "towns=1" and "notes=any" (or the mark),
// each written only when it narrows the world, so that a link without them shows every
// island.

// What "notes" may ask for: '' (every island), 'any' note, or one mark.
export const NoteChoices = ['', 'any', 'planned', 'danger', 'treasure', 'done'];
const noteChoice = (value) => (NoteChoices.includes(value) ? value : '');

// The lowest and highest difficulty of the world's islands, or null when it has none.
// An island whose save gives no difficulty has -1, which the page shows as such, so it
// counts here as a difficulty like any other.
export function difficultySpan(islands) {
  if (islands.count === 0) return null;
  let low = Infinity;
  let high = -Infinity;
  for (let i = 0; i < islands.count; i++) {
    const difficulty = islands.difficulty[i];
    if (difficulty < low) low = difficulty;
    if (difficulty > high) high = difficulty;
  }
  return { low, high };
}

// The filter that lets every island through.
export function openFilter(span) {
  return { low: span?.low ?? 0, high: span?.high ?? 0, unexplored: false, towns: false, notes: '' };
}

// `filter` made to fit the world: its ends inside the world's span and in order.
export function fitFilter(filter, span) {
  const flags = {
    unexplored: Boolean(filter.unexplored), towns: Boolean(filter.towns), notes: noteChoice(filter.notes),
  };
  if (!span) return { ...openFilter(span), ...flags };
  const fit = (value, fallback) =>
    Number.isFinite(value) ? Math.min(Math.max(Math.round(value), span.low), span.high) : fallback;
  let low = fit(filter.low, span.low);
  let high = fit(filter.high, span.high);
  if (low > high) [low, high] = [high, low];
  return { low, high, ...flags };
}

// `filter` carried over to a new world (a live page's next save): a difficulty end that
// stood at the old world's own end moves to the new world's, so that a filter open at
// an end stays open; the rest is kept and fitted.
export function carryFilter(filter, oldSpan, newSpan) {
  const carried = { ...filter };
  if (oldSpan === null || filter.low <= oldSpan.low) carried.low = -Infinity;
  if (oldSpan === null || filter.high >= oldSpan.high) carried.high = Infinity;
  return fitFilter(carried, newSpan);
}

// Whether `filter` leaves out any island a world of `span` could have.
export function narrows(filter, span) {
  return filter.unexplored || filter.towns || filter.notes !== '' ||
    (span !== null && (filter.low > span.low || filter.high < span.high));
}

// One byte per island: 1 where it passes `filter`, and how many do. `noted` gives the
// mark of each island with a note (a Map island -> mark), for a filter on notes.
export function matchIslands(islands, filter, noted = new Map()) {
  if (filter.notes) return matchNoted(islands, filter, noted);
  const matches = new Uint8Array(islands.count);
  let count = 0;
  const { low, high, unexplored, towns } = filter;
  for (let i = 0; i < islands.count; i++) {
    const difficulty = islands.difficulty[i];
    if (difficulty < low || difficulty > high) continue;
    if (unexplored && islands.isExplored[i]) continue;
    if (towns && !islands.isTown[i]) continue;
    matches[i] = 1;
    count++;
  }
  return { matches, count };
}

// matchIslands for a filter on notes: only the noted islands are looked at.
function matchNoted(islands, { low, high, unexplored, towns, notes }, noted) {
  const matches = new Uint8Array(islands.count);
  let count = 0;
  for (const [i, mark] of noted) {
    if (notes !== 'any' && mark !== notes) continue;
    const difficulty = islands.difficulty[i];
    if (difficulty < low || difficulty > high) continue;
    if (unexplored && islands.isExplored[i]) continue;
    if (towns && !islands.isTown[i]) continue;
    matches[i] = 1;
    count++;
  }
  return { matches, count };
}

const Whole = /^-?\d{1,10}$/;

// The filter an address hash asks for, fitted to the world; parts that cannot be read
// are ignored, so a damaged link still opens with the rest of what it says.
export function filterFromHash(hash, span) {
  const values = new URLSearchParams(hash.replace(/^#/, ''));
  const filter = openFilter(span);
  const range = /^\s*(-?\d{1,10})\s*-\s*(-?\d{1,10})\s*$/.exec(values.get('difficulty') ?? '');
  if (range) {
    filter.low = Number(range[1]);
    filter.high = Number(range[2]);
  } else if (Whole.test(values.get('difficulty') ?? '')) {
    filter.low = filter.high = Number(values.get('difficulty'));
  }
  filter.unexplored = values.get('unexplored') === '1';
  filter.towns = values.get('towns') === '1';
  filter.notes = noteChoice(values.get('notes') ?? '');
  return fitFilter(filter, span);
}

// The part of the address that keeps `filter`: "&difficulty=5-8&unexplored=1", or ''
// when it lets every island through.
export function filterAddressPart(filter, span) {
  let part = '';
  if (span !== null && (filter.low > span.low || filter.high < span.high)) {
    part += `&difficulty=${filter.low}-${filter.high}`;
  }
  if (filter.unexplored) part += '&unexplored=1';
  if (filter.towns) part += '&towns=1';
  if (filter.notes) part += `&notes=${filter.notes}`;
  return part;
}
