// The voyage in the page's address: "&voyage=140,85~200,90&home=1", the stops by their
// world positions in order, and whether the voyage goes back to where the player is. A
// position names an island in any save of the same world, so a shared link, or one kept
// from before the last save, still finds its stops.

// The most stops an address is read for; past it the rest of a damaged or hostile link
// is ignored, and said to be.
export const MostStopsInAddress = 1000;
const Whole = /^-?\d{1,10}$/;

// The part of the address that keeps `stops` ({ x, y } in order) and `returnHome`; ''
// for no voyage.
export function voyageAddressPart(stops, returnHome) {
  if (stops.length === 0) return '';
  const positions = stops.map(({ x, y }) => `${x},${y}`).join('~');
  return `&voyage=${positions}${returnHome ? '&home=1' : ''}`;
}

// The voyage an address hash asks for: { stops: [{ x, y }], returnHome, unread }, unread
// counting the parts that could not be read as positions (and those past the most read).
export function voyageFromHash(hash) {
  const values = new URLSearchParams(hash.replace(/^#/, ''));
  const text = values.get('voyage') ?? '';
  const stops = [];
  let unread = 0;
  for (const part of text === '' ? [] : text.split('~')) {
    const [x, y, extra] = part.split(',');
    const fits = (value) => Whole.test(value ?? '') && Math.abs(Number(value)) <= 2 ** 31;
    if (extra === undefined && fits(x) && fits(y) && stops.length < MostStopsInAddress) {
      stops.push({ x: Number(x), y: Number(y) });
    } else {
      unread++;
    }
  }
  return { stops, returnHome: values.get('home') === '1', unread };
}
