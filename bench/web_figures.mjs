// Figures of the browser build in headless Chromium: start-up to the first
// frame, the frame times, the download; the memory of the page after start-up,
// after saving slot 1 (F1) and slot 2 (F2), after a reload and after loading
// each slot back (F3, F4); each save's and load's time and the stored size of a
// slot (the growth of the site's storage).
// usage: node bench/web_figures.mjs BUILD_WEB [FRAMES]
import fs from 'fs';
import http from 'http';
import os from 'os';
import path from 'path';
import zlib from 'zlib';
import puppeteer from 'puppeteer-core';

const site = process.argv[2] || 'build-web';
const count = Number(process.argv[3] || 600);
const download = ['index.html', 'gamevrak.js', 'gamevrak.wasm', 'gamevrak.data'].map(name => fs.readFileSync(path.join(site, name)));
const kib = bytes => `${(bytes / 1024).toFixed(0)} KiB`;
const mib = bytes => `${(bytes / 1048576).toFixed(1)} MiB`;
console.log(`download: ${kib(download.reduce((n, b) => n + b.length, 0))}, gzip -9: ${kib(download.reduce((n, b) => n + zlib.gzipSync(b, {level: 9}).length, 0))}`);

const types = {'.html': 'text/html', '.js': 'text/javascript', '.wasm': 'application/wasm'};
const server = http.createServer((request, response) => {
  const file = path.join(site, new URL(request.url, 'http://localhost').pathname);
  if (!fs.existsSync(file) || !fs.statSync(file).isFile()) return response.writeHead(404).end();
  response.writeHead(200, {'content-type': types[path.extname(file)] || 'application/octet-stream'});
  fs.createReadStream(file).pipe(response);
});
await new Promise(resolve => server.listen(0, '127.0.0.1', resolve));
const profile = fs.mkdtempSync(path.join(os.tmpdir(), 'gamevrak-figures-'));
const browser = await puppeteer.launch({
  executablePath: '/usr/bin/chromium', headless: true, defaultViewport: {width: 1280, height: 960},
  args: ['--headless', '--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run',
    '--disable-background-networking', '--disable-component-update', '--disable-sync', `--user-data-dir=${profile}`]});

// The renderer's resident memory, the largest of this browser's renderer processes
// (other browsers may run on the machine meanwhile).
const rendererMemory = () => {
  const parents = new Map();
  const status = pid => fs.readFileSync(`/proc/${pid}/status`, 'utf8');
  for (const pid of fs.readdirSync('/proc').filter(name => /^\d+$/.test(name))) {
    try {
      parents.set(pid, /PPid:\s+(\d+)/.exec(status(pid))[1]);
    } catch { /* gone meanwhile */ }
  }
  const ours = pid => {
    for (let p = pid; p && p !== '0' && p !== '1'; p = parents.get(p))
      if (p === String(browser.process().pid)) return true;
    return false;
  };
  let best = 0;
  for (const pid of parents.keys()) {
    try {
      if (!ours(pid) || !fs.readFileSync(`/proc/${pid}/cmdline`, 'utf8').includes('--type=renderer')) continue;
      best = Math.max(best, Number(/VmRSS:\s+(\d+)/.exec(status(pid))[1]) * 1024);
    } catch { /* gone meanwhile */ }
  }
  return best;
};
const median = values => [...values].sort((a, b) => a - b)[Math.floor(values.length / 2)];

try {
  const page = await browser.newPage();
  await page.evaluateOnNewDocument(() => {
    window.presents = [];
    addEventListener('gamevrak-present', event => window.presents.push([performance.now(), event.detail.work]));
  });
  await page.goto(`http://127.0.0.1:${server.address().port}/index.html`);
  await page.waitForFunction(n => window.presents.length >= n, {timeout: 300000, polling: 500}, count);
  const frames = await page.evaluate(() => window.presents);
  const memory = async () => {
    const heap = (await page.metrics()).JSHeapUsedSize;
    const wasm = await page.evaluate(() => Module.HEAPU8.length);
    return `renderer ${mib(rendererMemory())} resident (wasm memory ${mib(wasm)}, JS heap ${mib(heap)})`;
  };
  console.log(`first frame: ${frames[0][0].toFixed(0)} ms after the navigation started`);
  const steady = frames.slice(60);
  const intervals = steady.slice(1).map((f, i) => f[0] - steady[i][0]);
  console.log(`frames ${steady.length}: median interval ${median(intervals).toFixed(2)} ms, ` +
    `median game time ${median(steady.map(f => f[1])).toFixed(2)} ms, slowest game time ${Math.max(...steady.map(f => f[1])).toFixed(1)} ms`);
  console.log(`after start-up: ${await memory()}`);
  // The game's own pauses: a second after each of the five files, then 350 ms. A save or a load
  // ends when the frames come at their pace again: ten in a row, none 100 ms after the one before.
  const pauses = 5.35;
  const timed = async key => {
    const from = await page.evaluate(() => window.presents.length);
    const started = await page.evaluate(() => performance.now());
    await page.keyboard.press(key);
    const ended = await page.waitForFunction((from, started) => {
      const p = window.presents;
      for (let i = Math.max(from, 1), run = 0; i < p.length; ++i) {
        run = p[i][0] > started + 1000 && p[i][0] - p[i - 1][0] < 100 ? run + 1 : 0;
        if (run === 10) return p[i - 9][0] - started;
      }
      return false;
    }, {timeout: 300000, polling: 200}, from, started);
    const time = (await ended.jsonValue()) / 1000;
    return `${time.toFixed(1)} s, ${(time - pauses).toFixed(1)} s beyond the game's pauses`;
  };
  const stored = async () => page.evaluate(async () => (await navigator.storage.estimate()).usage);
  const empty = await stored();
  for (const [key, slot] of [['F1', 1], ['F2', 2]]) {
    const time = await timed(key);
    await page.waitForFunction(n => Module.savesStored >= n, {timeout: 300000, polling: 100}, 5 * slot);
    // Settled when the storage has not grown for a second.
    let usage = await stored();
    for (let last = -1; usage !== last; usage = await stored()) {
      last = usage;
      await new Promise(resolve => setTimeout(resolve, 1000));
    }
    console.log(`save of slot ${slot}: ${time}; the site's storage ${mib(usage - empty)} after it`);
    console.log(`after saving slot ${slot}: ${await memory()}`);
  }
  await page.reload();
  await page.waitForFunction(() => window.presents.length > 60, {timeout: 300000, polling: 500});
  const again = await page.evaluate(() => window.presents[0][0]);
  console.log(`with both slots to read back, first frame: ${again.toFixed(0)} ms; ${await memory()}`);
  for (const [key, slot] of [['F3', 1], ['F4', 2]]) {
    const time = await timed(key);
    console.log(`load of slot ${slot}: ${time}; ${await memory()}`);
  }
} finally {
  await browser.close();
  server.close();
  fs.rmSync(profile, {recursive: true, force: true});
}
