// The voyage planner the page uses: the shortest voyage from the player through the
// stops the player picked, exact for a few stops and by a tour heuristic for more,
// planned in one go or in slices between which the browser draws its frames.

import { MostExactStops, planExact } from './plan-exact.js';
import { candidateNeighbours } from './neighbours.js';
import { improveTour } from './plan-tour.js';
import { greedyTour, nearestNeighbourTour } from './start-tour.js';
import { stopsInOrder, tourNodes } from './tour-nodes.js';
import { voyageLength } from './voyage-length.js';

export { cheapestInsertion } from './insertion.js';

export const ExactStops = 12;
// The kicks cost about the same whatever the number of stops, and a tour needs a number
// of them in proportion to its stops: 70 ms at 200 stops, 350 ms at 1,000, which leaves
// room within 100 ms and 1 s for the setup and for a first run that compiles the code.
const BudgetMsPerStop = 0.35;
const FewestBudgetMs = 10;
const MostBudgetMs = 2000;
const KicksPerStop = 40;
const SliceMs = 20;

// How long the heuristic may improve a voyage of `stops` stops, in milliseconds of work.
export function defaultBudgetMs(stops) {
  return Math.min(MostBudgetMs, Math.max(FewestBudgetMs, BudgetMsPerStop * stops));
}

// The shortest voyage from `start` ({ x, y }) through the stops (xs[i], ys[i]), arrays
// or typed arrays of equal length, back to `start` when `returnHome` is true. Gives
// { order, distance }: an Int32Array of the stops' indices in the order visited, and the
// voyage's length. Exact up to `exactUpTo` stops (ExactStops unless given, at most
// MostExactStops); above, the better the longer `budgetMs` allows (by default
// defaultBudgetMs(stops)). `seed`, `patience` (kicks in a row without a shorter voyage
// before giving up), `startTour` ('greedy' or 'nearest') and `orOpt` are there to test
// and measure the heuristic. Runs at once, however long it takes.
export function planVoyage(start, xs, ys, options = {}) {
  const began = performance.now();
  const steps = planningSteps(start, xs, ys, options, () => performance.now() - began);
  for (;;) {
    const { done, value } = steps.next();
    if (done) return value;
  }
}

// planVoyage in slices of about SliceMs of work, each its own task, so that the page
// keeps drawing and answering: a Promise of the same { order, distance }. The time budget
// counts the work only. An AbortSignal as `signal` stops the planning, rejecting with
// its reason.
export async function planVoyageInSlices(start, xs, ys, options = {}) {
  const { signal } = options;
  let worked = 0, sliceStart = 0;
  const steps = planningSteps(start, xs, ys, options,
    () => worked + performance.now() - sliceStart);
  for (;;) {
    await nextTask();
    signal?.throwIfAborted();
    sliceStart = performance.now();
    for (;;) {
      const { done, value } = steps.next();
      if (done) return value;
      if (performance.now() - sliceStart >= SliceMs) break;
    }
    worked += performance.now() - sliceStart;
  }
}

// Lets the browser draw and handle input before going on. Where the scheduler can yield,
// the planning goes on ahead of other script; a timer otherwise (some browsers make it
// wait 4 ms once timers nest).
function nextTask() {
  const { scheduler } = globalThis;
  if (scheduler?.yield) return scheduler.yield();
  return new Promise((resume) => setTimeout(resume, 0));
}

function* planningSteps(start, xs, ys, options, workedMs) {
  checkInput(start, xs, ys);
  const stops = xs.length;
  const {
    returnHome = false, budgetMs = defaultBudgetMs(stops), seed = 1,
    patience = KicksPerStop * stops, startTour = 'greedy', orOpt = true, exactUpTo = ExactStops,
  } = options;
  if (stops <= Math.min(exactUpTo, MostExactStops)) return planExact(start, xs, ys, returnHome);
  const nodes = tourNodes(start, xs, ys, returnHome);
  const neighbours = yield* candidateNeighbours(nodes);
  const firstTour = startTour === 'nearest' ? nearestNeighbourTour : greedyTour;
  const first = yield* firstTour(nodes, neighbours);
  const tour = yield* improveTour(nodes, neighbours, first,
    { budgetMs, patience, seed, workedMs, orOpt });
  const order = stopsInOrder(nodes, tour);
  return { order, distance: voyageLength(start, xs, ys, order, returnHome) };
}

// Refuses positions that are not finite numbers, or lists of unequal length: either
// would leave the voyage's length meaningless.
function checkInput(start, xs, ys) {
  if (xs.length !== ys.length) {
    throw new RangeError(`${xs.length} x positions but ${ys.length} y positions`);
  }
  const finite = (v) => typeof v === 'number' && Number.isFinite(v);
  if (!finite(start.x) || !finite(start.y)) throw new TypeError('the start is not a position');
  for (let i = 0; i < xs.length; i++) {
    if (!finite(xs[i]) || !finite(ys[i])) throw new TypeError(`stop ${i} is not a position`);
  }
}
