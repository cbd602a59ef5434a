// A collection at archive scale, run in the page as a person would run it in
// Chromium: 12,000 sample images (D88_SCALE_IMAGES), which make a zip past
// 4 GiB. The page asks for a file once it holds 256 MiB of zip; the save
// picker is answered with a file of the origin's private file system, so the
// page is served from 127.0.0.1, a secure context. Prints how long it took,
// the most ArrayBuffer memory the page and its workers held (sampled four
// times a second; a worker's core, WebAssembly memory, is given apart, at
// its largest), the zip's size, and what unzip -t and 7-Zip say of it. With
// D88_SCALE_COLLECT=1 the garbage of the page and its workers is collected
// before each sample, so that the figures are what they hold live.
//   node web/scale.mjs [BUILD_DIR]      (after cmake --workflow --preset web)
import { spawnSync } from 'node:child_process';
import { linkSync, mkdirSync, mkdtempSync, readFileSync, rmSync, statSync } from 'node:fs';
import { createServer } from 'node:http';
import { tmpdir } from 'node:os';
import { join, resolve } from 'node:path';
import { launchChromiumWithProfile } from './chromium.mjs';

const build = resolve(process.argv[2] || 'build-web');
const count = Number(process.env.D88_SCALE_IMAGES || 12000);
const collectFirst = Boolean(process.env.D88_SCALE_COLLECT);
const work = mkdtempSync(join(tmpdir(), 'd88-scale-'));
const sample = join(work, 'sample.d88');
spawnSync(join(build, 'native/builder/d88-make-sample'), [sample]);
const images = join(work, 'images');
mkdirSync(images);
const paths = Array.from({ length: count }, (_, i) => join(images, `disk${String(i).padStart(5, '0')}.d88`));
for (const path of paths) linkSync(sample, path);

const html = readFileSync(join(build, 'site/index.html'));
const server = createServer((request, response) => response.end(html));
await new Promise((done) => server.listen(0, '127.0.0.1', done));
// The zip goes to the origin's private file system, which in a fresh
// context is held in memory: the profile is on disk.
const context = await launchChromiumWithProfile(join(work, 'profile'), { acceptDownloads: true });
await context.addInitScript(() => {
  window.showSaveFilePicker = async () =>
    (await navigator.storage.getDirectory()).getFileHandle('collection.zip', { create: true });
});
const page = context.pages()[0] ?? await context.newPage();
page.on('crash', () => console.error('the page crashed'));
await page.goto(`http://127.0.0.1:${server.address().port}/`);

// The ArrayBuffers each context holds, from the browser's own count: the
// page's, and each of its workers', reached through the page's session.
const session = await context.newCDPSession(page);
const workers = new Set();
const answers = new Map();
let asked = 0;
session.on('Target.attachedToTarget', ({ sessionId, targetInfo }) => {
  if (targetInfo.type === 'worker') workers.add(sessionId);
});
session.on('Target.detachedFromTarget', ({ sessionId }) => workers.delete(sessionId));
session.on('Target.receivedMessageFromTarget', ({ message }) => {
  const { id, result } = JSON.parse(message);
  answers.get(id)?.(result);
});
await session.send('Target.setAutoAttach', { autoAttach: true, waitForDebuggerOnStart: false, flatten: false });
function askWorker(sessionId, method) {
  const id = ++asked;
  const answer = new Promise((done) => answers.set(id, done));
  session.send('Target.sendMessageToTarget', { sessionId, message: JSON.stringify({ id, method }) }).catch(() => {});
  return Promise.race([answer, new Promise((done) => setTimeout(done, 1000))]);
}
async function workerHeaps() {
  return Promise.all([...workers].map(async (sessionId) => {
    if (collectFirst) await askWorker(sessionId, 'HeapProfiler.collectGarbage');
    return askWorker(sessionId, 'Runtime.getHeapUsage');
  }));
}
const most = { page: 0, worker: 0 };
let sampling = true;
const sampler = (async () => {
  while (sampling) {
    // What is live, rather than what awaits the garbage collector.
    if (collectFirst) await session.send('HeapProfiler.collectGarbage').catch(() => {});
    const pageHeap = await session.send('Runtime.getHeapUsage').catch(() => null);
    most.page = Math.max(most.page, pageHeap?.backingStorageSize ?? 0);
    for (const heap of await workerHeaps().catch(() => [])) most.worker = Math.max(most.worker, heap?.backingStorageSize ?? 0);
    await new Promise((done) => setTimeout(done, 250));
  }
})();

const start = Date.now();
await page.setInputFiles('#choose', paths);
// A small collection ends before the page asks for a file.
await page.waitForFunction(() => !document.getElementById('zip-file').hidden || document.body.dataset.stage === 'done',
  null, { timeout: 0, polling: 200 });
const askedAfter = await page.isVisible('#zip-file') ? (Date.now() - start) / 1000 : null;
if (askedAfter !== null) await page.click('#to-file');
await page.waitForFunction(() => document.body.dataset.stage === 'done', null, { timeout: 0, polling: 1000 });
const seconds = (Date.now() - start) / 1000;
sampling = false;
await sampler;
const status = await page.textContent('#status');
const core = Number(await page.evaluate(() => document.body.dataset.heap));

const zip = join(work, 'collection.zip');
const [download] = await Promise.all([page.waitForEvent('download', { timeout: 0 }), askedAfter === null
  ? page.click('#zip') : page.evaluate(async () => {
    const file = await (await (await navigator.storage.getDirectory()).getFileHandle('collection.zip')).getFile();
    const link = Object.assign(document.createElement('a'), { href: URL.createObjectURL(file), download: 'collection.zip' });
    link.click();
  })]);
await download.saveAs(zip);
await context.close();
server.close();

const mib = (bytes) => `${(bytes / 2 ** 20).toFixed(1)} MiB`;
console.log(`${count} sample images (${statSync(sample).size} bytes each): ${seconds.toFixed(1)} s, ` +
  `${(count / seconds).toFixed(0)} a second; ` +
  (askedAfter === null ? 'the zip stayed in the page' : `the page asked for a file after ${askedAfter.toFixed(1)} s`));
console.log(`  ${status}`);
console.log(`  ArrayBuffers at most${collectFirst ? ', live' : ''}: the page ${mib(most.page)}, a worker ${mib(most.worker)} ` +
  `and its core ${mib(core)}; the goal: under ${mib(4 * statSync(sample).size + 64 * 2 ** 20)} each`);
const unzip = spawnSync('unzip', ['-tq', zip]);
const entries = spawnSync('bash', ['-c', 'unzip -Z1 "$1" | wc -l', 'entries', zip]).stdout.toString().trim();
const sevenZip = spawnSync('7zz', ['t', zip]).stdout.toString();
console.log(`  zip: ${statSync(zip).size} bytes, ${entries} entries; unzip -t: ${unzip.stdout.toString().trim()} ` +
  `(status ${unzip.status}); 7-Zip: ${/Everything is Ok/.test(sevenZip) ? 'Everything is Ok' : sevenZip.trim().split('\n').slice(-3).join(' ')}`);
rmSync(work, { recursive: true });
