// Starting and stopping `tlmaper --live` for the live map's tests, and the raw HTTP
// they speak to it. Every tool started here is stopped by the test or, at the latest,
// by stopAllLive() in the test file's `after`.
import { spawn } from 'node:child_process';
import { once } from 'node:events';
import { mkdirSync, renameSync, writeFileSync } from 'node:fs';
import net from 'node:net';
import { join } from 'node:path';
import { after } from 'node:test';
import { binary, launchBrowser, scratch } from './page-harness.mjs';
import { gridWorld, saveXml } from './worlds.mjs';

const started = new Set();

// A folder `name` in the scratch folder, holding world.xml, a save of `world`.
export function folderWith(name, world = gridWorld()) {
  const directory = join(scratch, name);
  mkdirSync(directory, { recursive: true });
  writeFileSync(join(directory, 'world.xml'), saveXml(world));
  return directory;
}

// world.xml replaced the way a game replaces a save: a new file renamed over the old.
export function replaceSave(directory, text) {
  writeFileSync(join(directory, 'world.new'), text);
  renameSync(join(directory, 'world.new'), join(directory, 'world.xml'));
}

// A port nobody listens on just now; the tool moves on to the next free one if it is
// taken meanwhile, and says which it took.
export async function freePort() {
  const server = net.createServer();
  server.listen(0, '127.0.0.1');
  await once(server, 'listening');
  const { port } = server.address();
  server.close();
  await once(server, 'close');
  return port;
}

// Starts the tool on `save` in `directory` and waits for its served address; from
// `port` on when given (a page's origin, and so what it keeps in the browser, is the
// port's).
export async function startLive(directory, save, timeout = 60000, port = 0) {
  port ||= await freePort();
  const child = spawn(binary, ['--live', '--no-open', '--port', String(port), save],
    { cwd: directory, stdio: ['ignore', 'pipe', 'pipe'] });
  started.add(child);
  const live = { child, stdout: '', stderr: '', port: 0 };
  child.stdout.setEncoding('utf8');
  child.stderr.setEncoding('utf8');
  child.stderr.on('data', (text) => { live.stderr += text; });
  live.exited = new Promise((resolve) => {
    child.on('exit', (code, signal) => { started.delete(child); resolve({ code, signal }); });
  });
  await new Promise((resolve, reject) => {
    const timer = setTimeout(() => reject(new Error(`no address after ${timeout} ms: ${live.stderr}`)), timeout);
    child.stdout.on('data', (text) => {
      live.stdout += text;
      const match = /Serving the live map at http:\/\/127\.0\.0\.1:(\d+)\/ \(press Ctrl\+C to stop\)\r?\n/.exec(live.stdout);
      if (match) { clearTimeout(timer); live.port = Number(match[1]); resolve(); }
    });
    child.on('exit', () => { clearTimeout(timer); reject(new Error(`exited: ${live.stderr}`)); });
  });
  live.url = `http://127.0.0.1:${live.port}/`;
  return live;
}

// Sends `signal` and gives { code, signal, ms }: how the tool ended, and how long it took.
export async function stopLive(live, signal = 'SIGINT') {
  const start = Date.now();
  live.child.kill(signal);
  const result = await live.exited;
  return { ...result, ms: Date.now() - start };
}

export function stopAllLive() {
  for (const child of started) child.kill('SIGKILL');
}

// For a test file: a browser launched at the first call, closed after the file's tests,
// when every tool still running is stopped too.
export function browserForLiveTests() {
  let browser = null;
  after(async () => {
    await browser?.close();
    stopAllLive();
  });
  return async () => (browser ??= await launchBrowser());
}

// One raw request (`text` is sent as it stands) and the response as
// { status, headers, body }, read until the server closes or `ms` pass.
export async function rawRequest(port, text, ms = 3000) {
  const socket = net.connect(port, '127.0.0.1');
  socket.on('error', () => {});
  const chunks = [];
  socket.on('data', (chunk) => chunks.push(chunk));
  socket.write(text);
  await Promise.race([once(socket, 'close'), new Promise((resolve) => setTimeout(resolve, ms))]);
  socket.destroy();
  return parseResponse(Buffer.concat(chunks));
}

export function parseResponse(bytes) {
  const end = bytes.indexOf('\r\n\r\n');
  if (end < 0) return { status: 0, headers: {}, body: bytes };
  const lines = bytes.subarray(0, end).toString('latin1').split('\r\n');
  const headers = {};
  for (const line of lines.slice(1)) {
    const colon = line.indexOf(':');
    headers[line.slice(0, colon).toLowerCase()] = line.slice(colon + 1).trim();
  }
  return { status: Number(lines[0].split(' ')[1]), headers, body: bytes.subarray(end + 4) };
}

export const get = (live, path, headers = '') =>
  rawRequest(live.port, `GET ${path} HTTP/1.1\r\nHost: 127.0.0.1:${live.port}\r\n` +
    `Connection: close\r\n${headers}\r\n`);

// The event stream of /events as it arrives: `next(predicate)` resolves with the first
// event (its data parsed) that matches, among those not yet taken.
export function openEvents(live) {
  const socket = net.connect(live.port, '127.0.0.1');
  socket.on('error', () => {});
  socket.write(`GET /events HTTP/1.1\r\nHost: 127.0.0.1:${live.port}\r\n\r\n`);
  let text = '';
  const events = [];
  const waiting = [];
  const deliver = () => {
    for (const wait of [...waiting]) {
      const index = events.findIndex(wait.predicate);
      if (index >= 0) {
        waiting.splice(waiting.indexOf(wait), 1);
        wait.resolve(events.splice(0, index + 1)[index]);
      }
    }
  };
  socket.on('data', (chunk) => {
    text += chunk.toString('utf8');
    const blocks = text.split('\n\n');
    text = blocks.pop();
    for (const block of blocks) {
      const match = /event: map\ndata: (\{.*\})/.exec(block);
      if (match) events.push(JSON.parse(match[1]));
    }
    deliver();
  });
  return {
    socket,
    status: new Promise((resolve) => socket.once('data', (chunk) => resolve(parseResponse(chunk).status))),
    next(predicate = () => true, ms = 20000) {
      return new Promise((resolve, reject) => {
        // A wait that times out stops waiting: a later event goes to the waits after it.
        const timer = setTimeout(() => {
          waiting.splice(waiting.indexOf(wait), 1);
          reject(new Error('no such event in time'));
        }, ms);
        const wait = { predicate, resolve: (event) => { clearTimeout(timer); resolve(event); } };
        waiting.push(wait);
        deliver();
      });
    },
    close: () => socket.destroy(),
  };
}

// A page of the live map in a fresh context of `browser`, with every request outside the
// tool refused and every request to it recorded: { page, problems, requests, context }.
export async function openLivePageIn(browser, live, hash = '') {
  const context = await browser.newContext({ viewport: { width: 1000, height: 700 } });
  const problems = [];
  const requests = [];
  await context.route(() => true, (route) => {
    const url = route.request().url();
    if (url.startsWith(live.url)) {
      requests.push(url.slice(live.url.length));
      return route.continue();
    }
    problems.push(`request: ${url}`);
    return route.abort();
  });
  const page = await context.newPage();
  page.on('console', (message) => {
    if (message.type() === 'error') problems.push(`console: ${message.text()}`);
  });
  page.on('pageerror', (error) => problems.push(`page error: ${error.message}`));
  await page.goto(live.url + hash);
  await page.waitForSelector('#map[data-state="ready"][data-live="current"]');
  return { page, problems, requests, context };
}
