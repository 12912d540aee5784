// Figures of the browser build in headless Chromium: start-up to the first
// frame, the frame times, the download, and the memory of the page after
// start-up, after a save (F1) and after a reload that reads the slot back.
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

// The renderer's resident memory, the largest of Chromium's renderer processes.
const rendererMemory = () => {
  let best = 0;
  for (const pid of fs.readdirSync('/proc').filter(name => /^\d+$/.test(name))) {
    try {
      if (!fs.readFileSync(`/proc/${pid}/cmdline`, 'utf8').includes('--type=renderer')) continue;
      best = Math.max(best, Number(/VmRSS:\s+(\d+)/.exec(fs.readFileSync(`/proc/${pid}/status`, 'utf8'))[1]) * 1024);
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
  const started = performance.now();
  await page.keyboard.press('F1');
  await page.waitForFunction(() => Module.savesStored >= 5, {timeout: 300000, polling: 200});
  console.log(`save: ${((performance.now() - started) / 1000).toFixed(1)} s including the game's own pauses of 5.35 s`);
  await new Promise(resolve => setTimeout(resolve, 2000));
  console.log(`after a save: ${await memory()}`);
  await page.reload();
  await page.waitForFunction(() => window.presents.length > 60, {timeout: 300000, polling: 500});
  const again = await page.evaluate(() => window.presents[0][0]);
  console.log(`with the slot to read back, first frame: ${again.toFixed(0)} ms; ${await memory()}`);
} finally {
  await browser.close();
  server.close();
  fs.rmSync(profile, {recursive: true, force: true});
}
