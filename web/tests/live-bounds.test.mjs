// `tlmaper --live` against clients that hold on: pages that leave, slow and endless
// request heads, and slow readers. Each must be bounded in time or memory without
// keeping a real page out.
//
// Usage: node --test live-bounds.test.mjs   with TLMAPER_BINARY and TLMAPER_SCRATCH set.
import { test, after } from 'node:test';
import assert from 'node:assert/strict';
import { once } from 'node:events';
import { readFileSync } from 'node:fs';
import net from 'node:net';
import { join } from 'node:path';
import { gridWorld, saveXml } from './worlds.mjs';
import { freshScratch } from './page-harness.mjs';
import {
  folderWith, get, openEvents, replaceSave, startLive, stopAllLive, stopLive,
} from './live-harness.mjs';

freshScratch();
after(stopAllLive);

// Under wine the process started is a script around the exe: its memory is not the
// tool's, so memory is measured on Linux only; and not in a sanitized build, which
// keeps freed memory aside to catch its later use.
const windows = process.env.TLMAPER_TESTS_WINDOWS === '1';
const measureMemory = !windows && process.env.TLMAPER_SANITIZED !== '1';
const sleep = (ms) => new Promise((resolve) => setTimeout(resolve, ms));

// The tool's resident memory in MB.
function residentMb(live) {
  const status = readFileSync(`/proc/${live.child.pid}/status`, 'utf8');
  return Number(/^VmRSS:\s+(\d+) kB/m.exec(status)[1]) / 1024;
}

function connect(port) {
  const socket = net.connect(port, '127.0.0.1');
  socket.on('error', () => {});
  return socket;
}

test('a page that leaves frees its event stream at once; other sites cannot take one', async () => {
  const live = await startLive(folderWith('leave'), 'world.xml');
  try {
    for (let round = 0; round < 2; round++) {
      await sleep(500);  // the stream opened last round is gone
      const streams = Array.from({ length: 64 }, () => openEvents(live));
      for (const stream of streams) assert.equal(await stream.status, 200);
      for (const stream of streams) stream.close();
      const start = Date.now();
      const next = openEvents(live);
      let status = await next.status;
      // Looked for a quarter of a second apart: give the server a moment, not 20 s.
      while (status === 503 && Date.now() - start < 1000) {
        next.close();
        await sleep(100);
        const again = openEvents(live);
        status = await again.status;
        again.close();
      }
      next.close();
      console.log(`a stream after 64 left: ${status} after ${Date.now() - start} ms`);
      assert.equal(status, 200, `a stream after 64 left (round ${round})`);
      assert.ok(Date.now() - start < 1000, `served after ${Date.now() - start} ms`);
    }
    // Requests from a page on another site are refused before they take a stream.
    const host = `Host: 127.0.0.1:${live.port}\r\n`;
    for (const header of ['Origin: http://attacker.example', 'Sec-Fetch-Site: cross-site',
      'Sec-Fetch-Site: same-site', 'Origin: null']) {
      const sockets = Array.from({ length: 70 }, () => {
        const socket = connect(live.port);
        socket.write(`GET /events HTTP/1.1\r\n${host}${header}\r\n\r\n`);
        return socket;
      });
      const first = await once(sockets[0], 'data');
      assert.match(first[0].toString('latin1'), /^HTTP\/1\.1 403 /, header);
      const own = openEvents(live);
      assert.equal(await own.status, 200, `a page's own stream beside 70 from ${header}`);
      own.close();
      for (const socket of sockets) socket.destroy();
    }
  } finally {
    await stopLive(live);
  }
});

test('clients that send their request slowly, or one without end, do not keep a page out', async () => {
  const directory = folderWith('slow');
  const live = await startLive(directory, 'world.xml');
  const host = `Host: 127.0.0.1:${live.port}\r\n`;
  const slow = new Set();
  let attacking = true;
  // 100 connections that send a header byte every 300 ms, each replaced when dropped.
  const openSlow = async () => {
    const socket = connect(live.port);
    slow.add(socket);
    socket.on('close', () => { slow.delete(socket); if (attacking) openSlow(); });
    await once(socket, 'connect').catch(() => {});
    socket.write(`GET / HTTP/1.1\r\n${host}`);
  };
  const trickle = setInterval(() => { for (const socket of slow) socket.write('X'); }, 300);
  try {
    for (let i = 0; i < 100; i++) await openSlow();
    await sleep(1500);
    // A page's requests are answered at once all the same, and its stream hears of a
    // new save promptly.
    const start = Date.now();
    assert.equal((await get(live, '/')).status, 200);
    assert.equal((await get(live, '/world.bmp')).status, 200);
    const events = openEvents(live);
    assert.equal(await events.status, 200);
    const answered = Date.now() - start;
    assert.ok(answered < 2000, `answered in ${answered} ms`);
    await events.next((event) => event.version === 1);
    const grown = gridWorld();
    grown.islands.push({ name: 'Far Isle', x: 400, y: 300, difficulty: 7, town: true, explored: false });
    const written = Date.now();
    replaceSave(directory, saveXml(grown));
    await events.next((event) => event.version === 2, 5000);
    console.log(`under 100 slow heads: answered in ${answered} ms, the new save announced` +
      ` after ${Date.now() - written} ms`);
    assert.ok(Date.now() - written < 2000, `the new save announced after ${Date.now() - written} ms`);
    events.close();

  } finally {
    attacking = false;
    clearInterval(trickle);
    for (const socket of slow) socket.destroy();
  }
  try {
    // A head that is not whole in a few seconds is answered 408 and dropped.
    const late = connect(live.port);
    const answer = [];
    late.on('data', (chunk) => answer.push(chunk));
    late.write(`GET / HTTP/1.1\r\n${host}X-Slow: `);
    const lateStart = Date.now();
    await once(late, 'close');
    assert.match(Buffer.concat(answer).toString('latin1'), /^HTTP\/1\.1 408 /);
    assert.ok(Date.now() - lateStart < 6000, `dropped after ${Date.now() - lateStart} ms`);
  } finally {
    await stopLive(live);
  }
});

test('a head of a million headers is refused with 431 while it is read, and memory stays', async () => {
  const live = await startLive(folderWith('headers'), 'world.xml');
  try {
    const before = measureMemory ? residentMb(live) : 0;
    const socket = connect(live.port);
    const answer = [];
    socket.on('data', (chunk) => answer.push(chunk));
    await once(socket, 'connect');
    const header = `X-Filler: ${'x'.repeat(37)}\r\n`;  // 49 bytes
    const block = header.repeat(10000);
    socket.write(`GET / HTTP/1.1\r\nHost: 127.0.0.1:${live.port}\r\n`);
    let peak = before;
    for (let i = 0; i < 100 && !socket.destroyed; i++) {
      if (!socket.write(block)) await Promise.race([once(socket, 'drain'), once(socket, 'close')]);
      if (measureMemory && i % 10 === 0) peak = Math.max(peak, residentMb(live));
    }
    if (!socket.destroyed) socket.end('\r\n');
    await Promise.race([once(socket, 'close'), sleep(5000)]);
    socket.destroy();
    if (measureMemory) {
      peak = Math.max(peak, residentMb(live));
      console.log(`resident memory: ${before.toFixed(1)} MB before, ${peak.toFixed(1)} MB at most`);
      assert.ok(peak - before < 20, `grew by ${(peak - before).toFixed(1)} MB`);
    }
    assert.match(Buffer.concat(answer).toString('latin1'), /^HTTP\/1\.1 431 /);
    assert.equal((await get(live, '/')).status, 200);
  } finally {
    await stopLive(live);
  }
});

// A world whose bitmap is some 24 MB: more than the connection's buffers hold.
function wideWorld(seed) {
  const world = gridWorld();
  world.islands.push({ name: `Far ${seed}`, x: 1400, y: 1400, difficulty: 1, town: false, explored: false });
  return world;
}

// Under wine a new map is at times not announced within a minute while the slow
// readers read (alone it passes; not yet understood): left out there until it is.
test('slow readers hold at most the current and the previous map', { skip: windows && 'a new map at times not announced under wine while they read' }, async () => {
  const directory = folderWith('readers', wideWorld(0));
  const live = await startLive(directory, 'world.xml');
  const readers = [];
  try {
    const events = openEvents(live);
    await events.next();
    const before = measureMemory ? residentMb(live) : 0;
    // Three readers per map, each taking a piece of at most 64 KB every 200 ms.
    for (let version = 1; version <= 6; version++) {
      for (let i = 0; i < 3; i++) {
        const socket = connect(live.port);
        const reader = { version, socket, chunks: [] };
        socket.on('data', (chunk) => { reader.chunks.push(chunk); if (reader.slow) socket.pause(); });
        reader.slow = true;
        reader.timer = setInterval(() => socket.resume(), 200);
        reader.closed = once(socket, 'close');
        socket.write(`GET /world.bmp HTTP/1.1\r\nHost: 127.0.0.1:${live.port}\r\nConnection: close\r\n\r\n`);
        readers.push(reader);
      }
      await sleep(300);
      if (version < 6) {
        replaceSave(directory, saveXml(wideWorld(version)));
        await events.next((event) => event.version === version + 1, 60000);
      }
    }
    await sleep(1000);
    let after = 0;
    if (measureMemory) after = residentMb(live);
    // Now read on at full speed: the readers of the two latest maps get them whole, the
    // others were cut off.
    for (const reader of readers) {
      reader.slow = false;
      clearInterval(reader.timer);
      reader.socket.resume();
    }
    await Promise.all(readers.map((reader) => reader.closed));
    const whole = readers.map((reader) => {
      const response = Buffer.concat(reader.chunks);
      const body = response.subarray(response.indexOf('\r\n\r\n') + 4);
      return body.length === body.readUInt32LE(2);
    });
    if (measureMemory) {
      const size = readFileSync(join(directory, 'world.bmp')).length;
      console.log(`resident memory: ${before.toFixed(1)} MB before, ${after.toFixed(1)} MB with` +
        ` 18 slow readers of 6 maps of ${(size / 1e6).toFixed(1)} MB`);
      assert.ok(after - before < 3 * size / 1048576, `grew by ${(after - before).toFixed(1)} MB`);
    }
    assert.deepEqual(whole, readers.map((reader) => reader.version >= 5));
    events.close();
  } finally {
    for (const reader of readers) { clearInterval(reader.timer); reader.socket.destroy(); }
    await stopLive(live);
  }
});
