// From the file chosen to the zip ready, in the page, against the command
// line extracting the same image into an empty folder, in the same run: the
// sample disk, a full disk (both volumes full, about 200 files) and an image
// of 64 full disks. Where the page's time goes comes from its own marks, and
// a search of the disk read (a byte that is everywhere, a text that is
// nowhere) is timed from the Find to the matches listed and marked. Then
// a collection of 1,000 sample disks (D88_BENCH_IMAGES) against a shell loop
// and against xargs -P 2, in D88_BENCH_ROUNDS rounds.
//   node web/bench.mjs [BUILD_DIR]      (after cmake --workflow --preset web)
import { spawnSync } from 'node:child_process';
import { mkdtempSync, readFileSync, rmSync, statSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { join, resolve } from 'node:path';
import { pathToFileURL } from 'node:url';
import { gzipSync } from 'node:zlib';
import { launchChromium } from './chromium.mjs';

const build = resolve(process.argv[2] || 'build-web');
const site = join(build, 'site/index.html');
const work = mkdtempSync(join(tmpdir(), 'd88-bench-'));
const builder = (name) => join(build, 'native/builder', name);
const images = [
  ['sample disk', 'sample.d88', [builder('d88-make-sample')], 21],
  ['full disk', 'full.d88', [builder('d88-make-worst-case'), 'full-disk'], 11],
  ['64 full disks', 'full-64.d88', [builder('d88-make-worst-case'), 'full-disk-64'], 5],
];
const median = (times) => [...times].sort((a, b) => a - b)[times.length >> 1];
// The page's phases, each from one of its marks to the next.
const kPhases = [['reading the file', 'd88:chosen', 'd88:read'],
  ['the core', 'd88:read', 'd88:extracted'], ['drawing the listing', 'd88:extracted', 'd88:listed'],
  ['the zip', 'd88:listed', 'd88:zip-ready']];

// Gives the page files and waits, without polling the page while it works,
// until it is done with them.
async function choose(paths) {
  const done = page.evaluate(() => new Promise((resolve) => {
    delete document.body.dataset.stage;
    new MutationObserver(() => document.body.dataset.stage === 'done' && resolve())
      .observe(document.body, { attributes: true });
  }));
  await page.setInputFiles('#choose', paths);
  await done;
}

const browser = await launchChromium();
const context = await browser.newContext({ acceptDownloads: true });
// The collection's zip stays in the page, as in a browser without a save
// picker: with one, a zip past 256 MiB would wait for a person to choose a
// file (web/scale.mjs answers it).
await context.addInitScript(() => Object.defineProperty(window, 'showSaveFilePicker', { value: undefined }));
const page = await context.newPage();
await page.goto(pathToFileURL(site).href);

for (const [title, file, [make, ...makeArgs], runs] of images) {
  const image = join(work, file);
  spawnSync(make, [...makeArgs, image]);
  // One run of each in turn, so that whatever else the machine does weighs on both.
  const nativeTimes = [];
  const pageTimes = [];
  const phases = kPhases.map(() => []);
  const mapTimes = [];
  const searchTimes = { everywhere: [], nowhere: [] };
  for (let i = 0; i < runs; ++i) {
    const out = mkdtempSync(join(work, 'out-'));
    const start = process.hrtime.bigint();
    spawnSync(join(build, 'native/d88extract'), [image], { cwd: out });
    nativeTimes.push(Number(process.hrtime.bigint() - start) / 1e6);
    rmSync(out, { recursive: true });

    await choose(image);
    // The page's own marks: the driver's round trips are not the page's time.
    const marks = await page.evaluate(() => Object.fromEntries(
      ['d88:chosen', 'd88:read', 'd88:extracted', 'd88:listed', 'd88:zip-ready', 'd88:map-ready']
        .map((name) => [name, performance.getEntriesByName(name).at(-1).startTime])));
    pageTimes.push(marks['d88:zip-ready'] - marks['d88:chosen']);
    kPhases.forEach(([, from, to], k) => phases[k].push(marks[to] - marks[from]));
    mapTimes.push(marks['d88:map-ready'] - marks['d88:zip-ready']);
    for (const [which, kind, text] of [['everywhere', 'hex', '00'], ['nowhere', 'text', 'QZXJ']]) {
      searchTimes[which].push(await page.evaluate(([kind, text]) => {
        document.getElementById('search-kind').value = kind;
        document.getElementById('search-text').value = text;
        document.getElementById('search').requestSubmit();
        return performance.getEntriesByName('d88:searched').at(-1).startTime -
          performance.getEntriesByName('d88:search').at(-1).startTime;
      }, [kind, text]));
    }
    // Let the spare worker get its core ready, as it would while a person looks.
    await page.waitForTimeout(200);
  }
  const nativeMs = median(nativeTimes);
  const pageMs = median(pageTimes);
  const megabytes = (statSync(image).size / 1e6).toFixed(1);
  console.log(`${title} (${megabytes} MB), median of ${runs} runs`);
  console.log(`  command line, into an empty folder: ${nativeMs.toFixed(1)} ms`);
  console.log(`  page, file chosen to zip ready:     ${pageMs.toFixed(1)} ms ` +
    `(${(pageMs / nativeMs).toFixed(2)}x)`);
  const where = kPhases.map(([name], k) => `${name} ${median(phases[k]).toFixed(1)}`);
  console.log(`    of which, ms: ${where.join(', ')}`);
  console.log(`  then the map of the disk: ${median(mapTimes).toFixed(1)} ms`);
  console.log(`  a search of it: a byte that is everywhere ${median(searchTimes.everywhere).toFixed(1)} ms, ` +
    `a text that is nowhere ${median(searchTimes.nowhere).toFixed(1)} ms`);
}
// A collection of sample-sized images, against the command line over the
// same images one by one in a shell loop, each into a folder of its own.
const count = Number(process.env.D88_BENCH_IMAGES || 1000);
const many = join(work, 'many');
spawnSync('mkdir', ['-p', many]);
const sample = join(work, 'sample.d88');
const paths = [];
for (let i = 0; i < count; ++i) {
  paths.push(join(many, `disk${String(i).padStart(4, '0')}.d88`));
  spawnSync('ln', [sample, paths.at(-1)]);
}
// The loop's time moves with the machine's file system from run to run, so
// each round takes one of each in turn.
const rounds = Number(process.env.D88_BENCH_ROUNDS || 3);
console.log(`${count} sample disks as a collection, ${rounds} rounds of the shell loop, a folder each, ` +
  'and the page, files chosen to zip ready');
const ratios = [];
let memory = null;
for (let round = 1; round <= rounds; ++round) {
  const loop = spawnSync('bash', ['-c', 'cd "$1" && rm -rf -- */ && start=$(date +%s%N) && ' +
    'for image in *.d88; do mkdir "${image%.d88}" && (cd "${image%.d88}" && "$2" "../$image" >/dev/null) || true; ' +
    'done; echo $(( ($(date +%s%N) - start) / 1000000 ))', 'loop', many, join(build, 'native/d88extract')]);
  const loopMs = Number(loop.stdout.toString().trim());
  // The same on two cores at once, as xargs -P 2 runs it.
  const parallel = spawnSync('bash', ['-c', 'cd "$1" && rm -rf -- */ && start=$(date +%s%N) && ' +
    'printf "%s\\0" *.d88 | xargs -0 -P 2 -n 1 sh -c \'mkdir "${1%.d88}" && cd "${1%.d88}" && "$0" "../$1" >/dev/null\' "$2"; ' +
    'echo $(( ($(date +%s%N) - start) / 1000000 ))', 'xargs', many, join(build, 'native/d88extract')]);
  const parallelMs = Number(parallel.stdout.toString().trim());
  await choose(paths);
  const { collectionMs, ...heaps } = await page.evaluate(() => ({
    collectionMs: performance.getEntriesByName('d88:zip-ready').at(-1).startTime -
      performance.getEntriesByName('d88:chosen').at(-1).startTime,
    peakHeap: Number(document.body.dataset.heap), jsHeap: performance.memory?.usedJSHeapSize ?? 0 }));
  memory = heaps;
  ratios.push(collectionMs / loopMs);
  console.log(`  round ${round}: loop ${(loopMs / 1000).toFixed(1)} s ` +
    `(${(count / (loopMs / 1000)).toFixed(0)} images a second), xargs -P 2 ${(parallelMs / 1000).toFixed(1)} s, ` +
    `page ${(collectionMs / 1000).toFixed(1)} s ` +
    `(${(count / (collectionMs / 1000)).toFixed(0)} a second), ${ratios.at(-1).toFixed(2)}x`);
}
console.log(`  page against loop, median of the rounds: ${median(ratios).toFixed(2)}x`);
console.log(`  the worker's core at its largest: ${(memory.peakHeap / 2 ** 20).toFixed(1)} MiB; ` +
  `the page's JavaScript heap after: ${(memory.jsHeap / 2 ** 20).toFixed(1)} MiB`);
await browser.close();
rmSync(work, { recursive: true });

const html = readFileSync(site);
console.log(`site: ${html.length} bytes, ${gzipSync(html, { level: 9 }).length} gzipped`);
