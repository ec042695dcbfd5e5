// `tlmaper --live` where the Windows build once went wrong, run against either build:
// a folder busy with other files, a restart on the port just served from, and a save
// replaced while it is being read.
//
// Usage: node --test live-windows.test.mjs   with TLMAPER_BINARY and TLMAPER_SCRATCH set.
import { test, after } from 'node:test';
import assert from 'node:assert/strict';
import { spawn } from 'node:child_process';
import {
  mkdirSync, renameSync, rmSync, utimesSync, writeFileSync,
} from 'node:fs';
import { join } from 'node:path';
import { gridWorld, hostileWorld, saveXml } from './worlds.mjs';
import { binary, freshScratch } from './page-harness.mjs';
import {
  folderWith, get, openEvents, replaceSave, startLive, stopAllLive, stopLive,
} from './live-harness.mjs';

freshScratch();
after(stopAllLive);

test('a new save is mapped while another file in its folder changes all the time', async () => {
  const directory = folderWith('busy');
  const live = await startLive(directory, 'world.xml');
  // A game's log, say, written every 50 ms: quicker than a save must stay still to count.
  let line = 0;
  const busy = setInterval(() => writeFileSync(join(directory, 'game.log'), `line ${++line}\n`), 50);
  try {
    const events = openEvents(live);
    await events.next();
    replaceSave(directory, saveXml(hostileWorld()));
    const updated = await events.next((e) => e.version === 2, 10000);
    assert.equal(updated.unreadable, false);
    events.close();
  } finally {
    clearInterval(busy);
    await stopLive(live);
  }
});

test('a new save is mapped when thousands of other files change with it', async () => {
  const directory = folderWith('crowd');
  const live = await startLive(directory, 'world.xml');
  try {
    const events = openEvents(live);
    await events.next();
    // The save's change among thousands: more than one read of a folder's changes can
    // name on Windows.
    const others = (text) => {
      for (let i = 0; i < 3000; ++i) writeFileSync(join(directory, `other-file-${i}.txt`), text);
    };
    others('x');
    replaceSave(directory, saveXml(hostileWorld()));
    others('y');
    assert.equal((await events.next((e) => e.version === 2, 20000)).unreadable, false);
    events.close();
  } finally {
    await stopLive(live);
  }
});

test('a save written again within the second at the same size is mapped again', async () => {
  const directory = folderWith('same-second');
  const live = await startLive(directory, 'world.xml');
  try {
    const events = openEvents(live);
    await events.next();
    // Two saves of one size but for the world's name, stamped 0.1 s and 0.2 s into the
    // same second.
    const second = Math.floor(Date.now() / 1000) + 1;
    const named = (worldName) => saveXml({ ...gridWorld(), player: { x: 1, y: 2, worldName } });
    for (const [text, at, version] of [[named('Sea X'), 0.1, 2], [named('Sea Y'), 0.2, 3]]) {
      writeFileSync(join(directory, 'world.new'), text);
      utimesSync(join(directory, 'world.new'), second + at, second + at);
      renameSync(join(directory, 'world.new'), join(directory, 'world.xml'));
      await events.next((e) => e.version === version, 10000);
    }
    assert.match((await get(live, '/')).body.toString('utf8'), /Sea Y/);
    events.close();
  } finally {
    await stopLive(live);
  }
});

test('a save folder removed and made again at once is followed', async () => {
  const directory = folderWith('remade-at-once');
  const live = await startLive(directory, 'world.xml');
  try {
    const events = openEvents(live);
    await events.next();
    rmSync(directory, { recursive: true });
    mkdirSync(directory);
    writeFileSync(join(directory, 'world.xml'), saveXml(hostileWorld()));
    await events.next((e) => e.version === 2, 5000);
    replaceSave(directory, saveXml(gridWorld()));
    await events.next((e) => e.version === 3, 5000);
    events.close();
  } finally {
    await stopLive(live);
  }
});

// The tool on `port` exactly: its "Serving" line, or its exit when it could not have it.
function startOnPort(directory, port) {
  const child = spawn(binary, ['--live', '--no-open', '--port', String(port), 'world.xml'],
    { cwd: directory, stdio: ['ignore', 'pipe', 'pipe'] });
  const run = { child, stdout: '', stderr: '' };
  child.stdout.setEncoding('utf8');
  child.stderr.setEncoding('utf8');
  child.stderr.on('data', (text) => { run.stderr += text; });
  run.exited = new Promise((resolve) => child.on('exit', (code) => resolve(code)));
  run.serving = new Promise((resolve) => {
    child.stdout.on('data', (text) => {
      run.stdout += text;
      const match = /Serving the live map at http:\/\/127\.0\.0\.1:(\d+)\//.exec(run.stdout);
      if (match) resolve(Number(match[1]));
    });
    run.exited.then(() => resolve(0));
  });
  return run;
}

test('a tool restarted at once gets its port back; a second tool cannot share it', async () => {
  const directory = folderWith('restart');
  const first = await startLive(directory, 'world.xml');
  const { port } = first;
  // Connections the server closes stay a while in TIME_WAIT on its port.
  for (let i = 0; i < 5; ++i) assert.equal((await get(first, '/')).status, 200);
  const second = startOnPort(directory, port);
  try {
    const secondPort = await second.serving;
    assert.ok(secondPort !== port, `a second tool was given port ${port} too`);
  } finally {
    second.child.kill('SIGINT');
    await second.exited;
  }
  assert.equal((await stopLive(first)).code, 0);
  const restarted = startOnPort(directory, port);
  try {
    assert.equal(await restarted.serving, port, restarted.stderr);
  } finally {
    restarted.child.kill('SIGINT');
    assert.equal(await restarted.exited, 0);
  }
});
