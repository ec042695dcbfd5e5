// Placing ahead: the levels the view has not needed yet are placed while the page is
// idle, a slice of a level at a time, so that zooming into one for the first time is
// as quick as returning to it.

// Placing ahead stops this many milliseconds before the end of its idle time.
const SliceMargin = 2;

// Places the lowest level not placed yet, in slices of work while `deadline` (an idle
// deadline) leaves time, so that placing ahead never holds up a pan or a zoom for
// long; the next call goes on where this one stopped. False when every level is
// placed.
export function placeNextLevel(placement, deadline) {
  let zoom = placement.minZoom;
  while (zoom <= placement.maxZoom && placement.levels.has(zoom)) zoom++;
  if (zoom > placement.maxZoom) return false;
  if (placement.pending?.zoom !== zoom) placement.pending = { zoom, work: placement.levelWork(zoom) };
  do {
    const step = placement.pending.work.next();
    if (step.done) {
      placement.levels.set(zoom, step.value);
      placement.pending = null;
      break;
    }
  } while (deadline.timeRemaining() > SliceMargin);
  return true;
}

// Places every level ahead while the page is idle; `placement()` gives the placement of
// the world shown, which a live page replaces. Calling it again while it works changes
// nothing.
export function placeAheadWhenIdle() {
  let working = false;
  const whenIdle = window.requestIdleCallback ??
    ((work) => setTimeout(() => work({ timeRemaining: () => 0 }), 200));
  return (placement) => {
    if (working) return;
    working = true;
    const placeSome = (deadline) => {
      working = placeNextLevel(placement(), deadline);
      if (working) whenIdle(placeSome);
    };
    whenIdle(placeSome);
  };
}
