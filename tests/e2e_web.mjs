// node e2e_web.mjs BUILD_WEB NATIVE_REPLAY GAME_DATA: the browser build in headless Chromium. The start
// view against the headless runner's frame 0, scrolling, selecting by click and with a scripted gamepad,
// both slots over a reload, a slot's export and import, and the replay mode against the Linux runner on the
// sessions of same_bits.sh and on a shot.
import {execFileSync} from 'child_process';
import crypto from 'crypto';
import fs from 'fs';
import http from 'http';
import os from 'os';
import path from 'path';
import {fileURLToPath} from 'url';
import zlib from 'zlib';
import puppeteer from 'puppeteer-core';

const [site, runner, data] = process.argv.slice(2).map(name => path.resolve(name));
const work = fs.mkdtempSync(path.join(os.tmpdir(), 'gamevrak-web-'));
const counts = {passed: 0, failed: 0};
const check = (ok, what) => { console.log(`${ok ? 'ok  ' : 'FAIL'} ${what}`); counts[ok ? 'passed' : 'failed'] += 1; };

// The Linux runner's record of each session (its lines, the SHA-256 of the saved files) and the
// map folder each starts from, served with the scripts.
const tests = path.dirname(fileURLToPath(import.meta.url));
execFileSync('bash', [path.join(tests, 'same_bits.sh'), data, path.join(work, 'linux'), '-', runner],
  {env: {...process.env, SAME_BITS_INPUTS: path.join(work, 'inputs')}});
fs.symlinkSync(path.join(tests, 'scenarios'), path.join(work, 'scenarios'));
execFileSync(runner, ['--dir', data, '--frames', '1', '--shot', `0:${path.join(work, 'frame0.png')}`]);
const types = {'.html': 'text/html', '.js': 'text/javascript', '.wasm': 'application/wasm'};
const server = http.createServer((request, response) => {
  const url = new URL(request.url, 'http://localhost').pathname;
  const file = url.startsWith('/t/') ? path.join(work, url.slice(3)) : path.join(site, url === '/' ? 'index.html' : url);
  if (url.includes('..') || !fs.existsSync(file) || !fs.statSync(file).isFile()) return response.writeHead(404).end();
  response.writeHead(200, {'content-type': types[path.extname(file)] || 'application/octet-stream'});
  fs.createReadStream(file).pipe(response);
});
await new Promise(resolve => server.listen(0, '127.0.0.1', resolve));
const origin = `http://127.0.0.1:${server.address().port}`;
const browser = await puppeteer.launch({
  executablePath: '/usr/bin/chromium', headless: true, defaultViewport: {width: 1280, height: 960},
  args: ['--headless', '--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run',
    '--disable-background-networking', '--disable-component-update', '--disable-sync',
    `--user-data-dir=${path.join(work, 'profile')}`]});
try {
  const page = await browser.newPage();
  page.on('pageerror', error => check(false, `no page error (${error.message})`));
  // Keeps the first frame as presented, and counts frames for the waits below.
  await page.evaluateOnNewDocument(() => {
    window.presented = 0;
    addEventListener('gamevrak-present', () => {
      if (++window.presented === 1) window.frame0 = window.grab();
    });
    window.grab = (context = document.getElementById('canvas').getContext('2d')) => {
      const pixels = context.getImageData(0, 0, 640, 480).data;
      let text = '';
      for (let i = 0; i < pixels.length; i += 0x8000) text += String.fromCharCode(...pixels.subarray(i, i + 0x8000));
      return btoa(text);
    };
  });
  const grab = async () => Buffer.from(await page.evaluate(() => window.grab()), 'base64');
  const frames = async n =>
    page.waitForFunction(u => window.presented >= u, {timeout: 60000}, (await page.evaluate(() => window.presented)) + n);
  const press = async key => { await page.keyboard.press(key); await frames(5); };
  // Buffer pixel (x, y), origin bottom-left, to page pixels at zoom 2.
  const click = async (x, y, button) => { await page.mouse.click(2 * x + 1, 959 - 2 * y, {button}); await frames(5); };
  // The share of map pixels of b that equal those of a, cells dx to the right.
  const similar = (a, b, dx = 0) => {
    let same = 0;
    for (let y = 80; y < 420; ++y)
      for (let x = 0, i = y * 2560, j = i + 64 * dx; x < 500; ++x, i += 4, j += 4)
        same += a[j] === b[i] && a[j + 1] === b[i + 1] && a[j + 2] === b[i + 2];
    return same / (340 * 500);
  };

  await page.goto(`${origin}/index.html`);
  await page.waitForFunction(() => window.frame0, {timeout: 60000});
  const first = Buffer.from(await page.evaluate(() => window.frame0), 'base64');
  const expected = Buffer.from(await page.evaluate(async () => {
    const context = new OffscreenCanvas(640, 480).getContext('2d');
    context.drawImage(await createImageBitmap(await (await fetch('/t/frame0.png')).blob()), 0, 0);
    return window.grab(context);
  }), 'base64');
  check(first.length === expected.length && first.equals(expected), 'the start view equals the headless frame 0');

  // With the second member selected, the view goes back to the first one through the
  // mini-map and a click selects it: the next member is the second again.
  await press('BracketRight');
  const second = await grab();
  await press('BracketRight');
  await click(518 + (942 >> 4), 338 + (549 >> 4), 'right');
  await click(16 * (942 & 15) + 8, 16 * (549 & 15) + 8, 'left');
  await press('BracketRight');
  check(similar(second, await grab()) > 0.95, 'a click selects the first party member');

  // The same with a scripted gamepad: RB (taking the pad) to the third member, the view to the first
  // through the mini-map, the stick moves the cross cursor, A selects the member under it, RB the second again.
  await page.evaluate(() => {
    window.pad = {index: 0, connected: true, mapping: 'standard', axes: [0, 0, 0, 0],
      buttons: Array.from({length: 17}, () => ({pressed: false, value: 0}))};
    navigator.getGamepads = () => [window.pad];
  });
  const padButton = async index => {
    await page.evaluate(i => { window.pad.buttons[i].pressed = true; }, index);
    await frames(3);
    await page.evaluate(i => { window.pad.buttons[i].pressed = false; }, index);
    await frames(3);
  };
  const stick = async (x, y) => page.evaluate((x, y) => { window.pad.axes = [x, y, 0, 0]; }, x, y);
  // The cross cursor in the picture (top row first): white at its centre and 5 pixels out each way.
  const cross = picture => {
    const white = (x, y) => x >= 0 && y >= 0 && x < 640 && y < 480 && (picture[(y * 640 + x) * 4] & picture[(y * 640 + x) * 4 + 1] & picture[(y * 640 + x) * 4 + 2]) === 255;
    for (let y = 5; y < 475; ++y)
      for (let x = 5; x < 635; ++x)
        if (white(x, y) && white(x - 5, y) && white(x + 5, y) && white(x, y - 5) && white(x, y + 5) && !white(x + 7, y)) return [x, y];
    return null;
  };
  await padButton(5);
  await click(518 + (942 >> 4), 338 + (549 >> 4), 'right');
  const from = cross(await grab());
  await stick(0.6, 0);
  await frames(10);
  await stick(0, 0);
  await frames(2);
  const to = cross(await grab());
  check(from && to && to[0] > from[0] + 5 && to[1] === from[1], `the stick moves the cross cursor (${from} to ${to})`);
  // The pointer onto the member (the mouse: a stick's aim takes many frames), then A.
  await page.mouse.move(2 * (16 * (942 & 15) + 8) + 1, 959 - 2 * (16 * (549 & 15) + 8));
  await frames(2);
  const at = cross(await grab());
  await padButton(0);
  await padButton(5);
  check(similar(second, await grab()) > 0.95, `the gamepad's A selects the first party member (cross at ${at})`);

  // Both slots, kept over a reload; a slot out as a file and back in: the Linux runner's slot 2 of
  // party_fire comes back byte for byte, and files that are no slot leave slot 1 as it was.
  const client = await browser.target().createCDPSession();
  await client.send('Browser.setDownloadBehavior', {behavior: 'allow', downloadPath: work, eventsEnabled: true});
  const message = async (button, change) => {
    await page.$eval('#saves-message', e => { e.textContent = ''; });
    await change(button);
    await page.waitForFunction(() => document.getElementById('saves-message').textContent, {timeout: 60000});
    return page.$eval('#saves-message', e => e.textContent);
  };
  const exported = async slot => {
    const file = path.join(work, `gamevrak-slot${slot}.sav`);
    fs.rmSync(file, {force: true});
    const done = new Promise(resolve => client.on('Browser.downloadProgress', function on(e) {
      if (e.state === 'completed') resolve(client.off('Browser.downloadProgress', on));
    }));
    await message(`#export${slot}`, button => page.click(button));
    await done;
    return fs.readFileSync(file);
  };
  const imported = async (slot, data) => {
    fs.writeFileSync(path.join(work, 'import.sav'), data);
    return message(`#import${slot}`, async button => {
      const [chooser] = await Promise.all([page.waitForFileChooser(), page.click(button)]);
      await chooser.accept([path.join(work, 'import.sav')]);
    });
  };
  const load = async key => { await page.keyboard.press(key); await frames(70); return grab(); };
  const sizes = [3145728, 3145728, 570000, 144024000, 16];
  const MAGIC = Buffer.from('GAMEVRAK slot\n');
  const unpack = data => {
    const files = [];
    let at = MAGIC.length;
    for (let i = 0; i < 5 && data.subarray(0, MAGIC.length).equals(MAGIC); ++i, at += 4 + data.readUInt32LE(at)) {
      const packed = zlib.gunzipSync(data.subarray(at + 4, at + 4 + data.readUInt32LE(at)));
      const file = Buffer.alloc(packed.readUInt32LE(0));
      for (let r = 0, from = 8 + 8 * packed.readUInt32LE(4); r < packed.readUInt32LE(4); ++r)
        from += packed.copy(file, packed.readUInt32LE(8 + 8 * r), from, from + packed.readUInt32LE(12 + 8 * r));
      files.push(file);
    }
    return at === data.length ? files : [];
  };
  // Each file in one run, zeros and all: the page's form drops them, but must read this too.
  const pack = files => Buffer.concat([MAGIC, ...files.flatMap(file => {
    const part = zlib.gzipSync(Buffer.concat([Buffer.from(new Uint32Array([file.length, 1, 0, file.length]).buffer), file]));
    return [Buffer.from(new Uint32Array([part.length]).buffer), part];
  })]);

  await page.keyboard.press('F1');
  await page.waitForFunction(() => Module.savesStored >= 5, {timeout: 120000});
  await frames(10);
  const saved = await grab();
  for (const key of ['ArrowDown', 'ArrowDown', 'ArrowDown']) await press(key);
  await page.keyboard.press('F2');
  await page.waitForFunction(() => Module.savesStored >= 10, {timeout: 120000});
  await frames(10);
  const saved2 = await grab();
  const slot1 = await exported(1);
  check(unpack(slot1).map(f => f.length).join() === sizes.join(), 'slot 1 exports as its five files');
  await page.reload();
  await frames(10);
  const fresh = await grab();
  check(similar(fresh, saved) < 0.9 && similar(saved, saved2) < 0.9 && similar(saved, await load('F3')) > 0.95 &&
    similar(saved2, await load('F4')) > 0.95, 'F1, F2, a reload, F3 and F4 restore both slots');
  check(/persist|keeps|clear/.test(await page.$eval('#kept', e => e.textContent)), 'the page says whether the saves are kept');

  const linux = ['mainmap', 'flagmap', 'unit', 'pathfind', 'variables'].map(f => fs.readFileSync(path.join(work, 'inputs', 'party_fire', `2.${f}`)));
  const flipped = Buffer.from(slot1);
  flipped.fill(0x55, 5000, 5100);
  for (const [what, data] of [['a cut file', slot1.subarray(0, 20000)], ['a damaged file', flipped],
    ['a unit file a byte short', pack(linux.map((f, i) => (i === 2 ? f.subarray(1) : f)))], ['no slot at all', linux[0]]])
    check(/refused/.test(await imported(1, data)), `${what} is refused`);
  check((await exported(1)).equals(slot1), 'slot 1 is as it was');
  const taken = await imported(2, pack(linux));
  const back = unpack(await exported(2));
  check(/in slot 2/.test(taken) && back.length === 5 && back.every((f, i) => f.equals(linux[i])),
    'the Linux runner\'s slot 2 goes in and comes out byte for byte');
  check(similar(first, await load('F4')) > 0.95, 'F4 loads it: the start view of party_fire');

  const lines = [];
  page.on('console', message => { if (message.type() === 'log') lines.push(message.text()); });
  for (const session of fs.readdirSync(path.join(work, 'inputs'))) {
    const record = fs.readFileSync(path.join(work, 'linux', `${session}.txt`), 'utf8');
    const puts = fs.readdirSync(path.join(work, 'inputs', session)).map(name => `&put=/t/inputs/${session}/${name}`);
    lines.length = 0;
    await page.goto(`${origin}/index.html?replay=/t/scenarios/${session}.txt&frames=${/^frames (\d+)/.exec(record)[1]}${puts.join('')}`);
    await page.waitForFunction(() => window.replayExitCode !== undefined, {timeout: 300000});
    const want = record.trimEnd().split('\n');
    const wrong = want.map((line, i) => (line === lines[i] ? '' : `\n  ${lines[i]} instead of ${line}`)).join('');
    check(!wrong && lines.length === want.length, `the replay mode plays ${session} as Linux does${wrong}`);
  }
  fs.writeFileSync(path.join(work, 'none.txt'), '');
  lines.length = 0;
  await page.goto(`${origin}/index.html?replay=/t/none.txt&frames=1&shot=0:frame0.png`);
  await page.waitForFunction(() => window.replayExitCode !== undefined, {timeout: 300000});
  const png = crypto.createHash('sha256').update(fs.readFileSync(path.join(work, 'frame0.png'))).digest('hex');
  check(lines.includes(`${png}  frame0.png`), `the replay mode's shot is the Linux runner's PNG, byte for byte`);
} finally {
  await browser.close();
  server.close();
  fs.rmSync(work, {recursive: true, force: true});
}
console.log(`${counts.passed} passed, ${counts.failed} failed`);
process.exit(counts.failed ? 1 : 0);
