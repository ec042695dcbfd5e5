// Measures `tlmaper --live`:
//  - latency: from the moment a new save is renamed into place until the open page (in
//    headless Chromium) shows its markers and bitmap, at 3,000 and 200,000 islands
//    (plus a tenth as many ships, on a 4064 x 4064 canvas, and 3,000 also on a
//    1064 x 1064 one), beside one normal run of the
//    tool on the same save and the page's ready time (navigation until #map is ready);
//  - many pages: 50 clients that behave as pages (each holds /events and, on each new
//    map, fetches the page and the bitmap, and the path sailed when it grew) through 100
//    updates at 3,000 islands on a
//    1064 x 1064 canvas: whether
//    every one ends on the last map, and the tool's peak resident memory (VmHWM), also
//    after the first 10 updates, to show it stays flat;
//  - idle: the tool's CPU seconds over a minute with a page connected and nothing
//    changing.
//
// Each latency also gives how long the page took to compare the new world with the one
// before it, for the notice of what changed.
//
// Usage: node bench/live.bench.mjs [--binary PATH] [--only latency,pages,idle]
//   With PROFILE=1 in the environment, each latency also shows when (in ms after the
//   rename) the page heard of the new map and when it showed it.
// Works in a scratch directory that it removes; stops every process it starts.
import { execFileSync, spawn } from 'node:child_process';
import { mkdtempSync, readFileSync, renameSync, rmSync, writeFileSync } from 'node:fs';
import http from 'node:http';
import { tmpdir } from 'node:os';
import { dirname, join, resolve } from 'node:path';
import { fileURLToPath } from 'node:url';

const root = resolve(dirname(fileURLToPath(import.meta.url)), '..');
const args = process.argv.slice(2);
const option = (name, fallback) => {
  const at = args.indexOf(name);
  return at >= 0 ? args[at + 1] : fallback;
};
const binary = resolve(option('--binary', join(root, 'build/src/driver/tlmaper')));
const only = option('--only', 'latency,pages,idle').split(',');
const { chromium } = await import(join(root, 'web/node_modules/playwright-core/index.mjs'));
const { saveXml, uniformWorld } = await import('../web/tests/worlds.mjs');

const scratch = mkdtempSync(join(tmpdir(), 'tlmaper-live-bench-'));
const children = new Set();
process.on('exit', () => {
  for (const child of children) child.kill('SIGKILL');
  rmSync(scratch, { recursive: true, force: true });
});
const sleep = (ms) => new Promise((done) => setTimeout(done, ms));

// A save of `islands` islands; `variant` changes the world's name and moves the
// player, so that each variant is a different map.
function saveText(islands, variant, span = 2000) {
  return saveXml(uniformWorld(islands, Math.floor(islands / 10), span))
    .replace(/WorldName="([^"]*)"/, `WorldName="$1 v${variant}"`)
    .replace(/<PlayerData X="\d+"/, `<PlayerData X="${100 + variant}"`);
}

function replaceSave(directory, text) {
  writeFileSync(join(directory, 'world.next'), text);
  renameSync(join(directory, 'world.next'), join(directory, 'world.xml'));
}

async function startLive(directory) {
  const child = spawn(binary, ['--live', '--no-open', '--port', String(20000 + process.pid % 20000), 'world.xml'],
    { cwd: directory, stdio: ['ignore', 'pipe', 'inherit'] });
  children.add(child);
  let out = '';
  const port = await new Promise((done, fail) => {
    child.stdout.on('data', (text) => {
      out += text;
      const match = /127\.0\.0\.1:(\d+)\//.exec(out);
      if (match) done(Number(match[1]));
    });
    child.on('exit', () => fail(new Error('the tool ended')));
  });
  return { child, port, url: `http://127.0.0.1:${port}/` };
}

async function stopLive(live) {
  const ended = new Promise((done) => live.child.on('exit', done));
  live.child.kill('SIGINT');
  await ended;
  children.delete(live.child);
}

function memoryPeakMb(pid) {
  const status = readFileSync(`/proc/${pid}/status`, 'utf8');
  return Number(/VmHWM:\s+(\d+)/.exec(status)[1]) / 1024;
}

function cpuSeconds(pid) {
  const fields = readFileSync(`/proc/${pid}/stat`, 'utf8').split(') ')[1].split(' ');
  return (Number(fields[11]) + Number(fields[12])) / 100;  // utime + stime, in ticks
}

async function latency(islands, span = 2000) {
  const directory = mkdtempSync(join(scratch, `latency-${islands}-${span}-`));
  const first = saveText(islands, 1, span);
  const second = saveText(islands, 2, span);
  writeFileSync(join(directory, 'once.xml'), second);
  const runStart = performance.now();
  execFileSync(binary, ['once.xml'], { cwd: directory });
  const normalRun = performance.now() - runStart;
  writeFileSync(join(directory, 'world.xml'), first);
  const live = await startLive(directory);
  const browser = await chromium.launch({ executablePath: '/usr/bin/chromium', headless: true,
    args: ['--no-sandbox', '--disable-gpu'] });
  try {
    const page = await browser.newPage({ viewport: { width: 1100, height: 760 } });
    const loadStart = performance.now();
    await page.goto(live.url);
    await page.waitForSelector('#map[data-state="ready"][data-live="current"]', { timeout: 600000 });
    const ready = performance.now() - loadStart;
    await page.evaluate(() => {
      window.marks = {};
      const element = document.getElementById('map');
      new MutationObserver(() => {
        const key = `${element.dataset.live}:${element.dataset.liveVersion}`;
        window.marks[key] ??= performance.now();
      }).observe(element, { attributes: true });
      window.marks.start = performance.now();
    });
    const start = performance.now();
    replaceSave(directory, second);
    await page.waitForFunction(() => {
      const image = document.querySelector('img.map-image');
      return document.getElementById('map').dataset.live === 'current' &&
        tlmaper.world.player.x === 102 && image.complete && image.src.includes('?map=');
    }, null, { timeout: 600000, polling: 20 });
    const shown = performance.now() - start;
    const compared = await page.evaluate(() =>
      performance.getEntriesByName('tlmaper: changes since the last save').at(-1)?.duration);
    if (process.env.PROFILE) console.log(await page.evaluate(() => JSON.stringify(Object.fromEntries(Object.entries(window.marks).map(([k, v]) => [k, Math.round(v - window.marks.start)])))));
    console.log(`${islands} islands (canvas ${2 * span + 64}): new save shown after ${(shown / 1000).toFixed(2)} s; ` +
      `one normal run ${(normalRun / 1000).toFixed(2)} s; page ready ${(ready / 1000).toFixed(2)} s; ` +
      `margin ${((shown - normalRun) / 1000).toFixed(2)} s; ` +
      `changes compared in ${compared === undefined ? '-' : `${compared.toFixed(0)} ms`}`);
  } finally {
    await browser.close();
    await stopLive(live);
  }
}

// A client that does what the page does: on each new map, fetch the page and bitmap, and
// the path sailed when the event says it grew.
function pageClient(live, onVersion) {
  const state = { version: 0, fetched: 0, busy: false, wanted: 0, trail: '', trailWanted: '' };
  const fetchTrail = () => {
    if (state.trail === state.trailWanted) return;
    const wanted = state.trailWanted;
    state.trail = wanted;
    http.get({ port: live.port, host: '127.0.0.1', path: '/trail', agent: false }, (response) => {
      response.resume();
      response.on('close', () => { if (!response.complete) state.trail = ''; });
    }).on('error', () => { state.trail = ''; });
  };
  const fetchAll = async () => {
    if (state.busy) return;
    state.busy = true;
    while (state.wanted !== state.version) {
      const wanted = state.wanted;
      const ok = await Promise.all(['/', '/world.bmp'].map((path) => new Promise((done) => {
        http.get({ port: live.port, host: '127.0.0.1', path, agent: false }, (response) => {
          response.resume();
          response.on('close', () => done(response.complete && response.statusCode === 200));
        }).on('error', () => done(false));
      })));
      if (ok.every(Boolean)) { state.version = wanted; state.fetched++; onVersion(); }
      else await sleep(200);
    }
    state.busy = false;
  };
  const request = http.get({ port: live.port, host: '127.0.0.1', path: '/events', agent: false }, (response) => {
    let text = '';
    response.setEncoding('utf8');
    response.on('data', (chunk) => {
      text += chunk;
      for (const match of text.matchAll(/"version":(\d+)/g)) state.wanted = Number(match[1]);
      for (const match of text.matchAll(/"trail":(\d+)/g)) state.trailWanted = match[1];
      fetchTrail();
      text = text.slice(text.lastIndexOf('\n'));
      if (state.version === 0) state.version = state.wanted;
      fetchAll();
    });
  });
  state.close = () => request.destroy();
  return state;
}

async function manyPages() {
  const directory = mkdtempSync(join(scratch, 'pages-'));
  // A 1064 x 1064 canvas (a 3.4 MB bitmap), so that 50 pages fetching each map stay
  // within what loopback and two cores move in the time.
  const saves = [saveText(3000, 0, 500), saveText(3000, 1, 500)];
  writeFileSync(join(directory, 'world.xml'), saves[0]);
  const live = await startLive(directory);
  const clients = [];
  for (let i = 0; i < 50; i++) clients.push(pageClient(live, () => {}));
  await sleep(1000);
  let peakAfter10 = 0;
  const start = performance.now();
  for (let update = 1; update <= 100; update++) {
    const before = clients[0].wanted;
    replaceSave(directory, saves[update % 2].replace('</TidelornSaveFile>', `<!-- ${update} --></TidelornSaveFile>`));
    while (clients[0].wanted === before) await sleep(10);
    if (update === 10) peakAfter10 = memoryPeakMb(live.child.pid);
  }
  const last = clients[0].wanted;
  for (let waited = 0; waited < 30000 && !clients.every((c) => c.version === last); waited += 50) await sleep(50);
  const elapsed = (performance.now() - start) / 1000;
  const onLast = clients.filter((c) => c.version === last).length;
  const peak = memoryPeakMb(live.child.pid);
  console.log(`50 pages through 100 updates in ${elapsed.toFixed(1)} s: ${onLast} of 50 end on the last map; ` +
    `tool's peak memory ${peakAfter10.toFixed(1)} MB after 10 updates, ${peak.toFixed(1)} MB after 100`);
  for (const client of clients) client.close();
  await stopLive(live);
}

async function idle() {
  const directory = mkdtempSync(join(scratch, 'idle-'));
  writeFileSync(join(directory, 'world.xml'), saveText(3000, 0));
  const live = await startLive(directory);
  const client = pageClient(live, () => {});
  await sleep(3000);  // past the connection's first seconds
  const before = cpuSeconds(live.child.pid);
  await sleep(60000);
  const used = cpuSeconds(live.child.pid) - before;
  console.log(`idle, one page connected: ${used.toFixed(2)} CPU seconds over a minute`);
  client.close();
  await stopLive(live);
}

if (only.includes('latency')) {
  await latency(3000);
  await latency(3000, 500);
  await latency(200000);
}
if (only.includes('pages')) await manyPages();
if (only.includes('idle')) await idle();
