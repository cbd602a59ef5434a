// From the file chosen to the zip ready: the sample disk in the page, against
// the command line extracting it into an empty folder, in the same run.
//   node web/bench.mjs [BUILD_DIR]      (after cmake --workflow --preset web)
import { spawnSync } from 'node:child_process';
import { mkdtempSync, readFileSync, rmSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { join, resolve } from 'node:path';
import { pathToFileURL } from 'node:url';
import { gzipSync } from 'node:zlib';
import { launchChromium } from './chromium.mjs';

const build = resolve(process.argv[2] || 'build-web');
const site = join(build, 'site/index.html');
const work = mkdtempSync(join(tmpdir(), 'd88-bench-'));
const sample = join(work, 'sample.d88');
spawnSync(join(build, 'native/builder/d88-make-sample'), [sample]);
const runs = 21;
const median = (times) => times.sort((a, b) => a - b)[times.length >> 1];

const browser = await launchChromium();
const page = await (await browser.newContext({ acceptDownloads: true })).newPage();
await page.goto(pathToFileURL(site).href);

// One run of each in turn, so that whatever else the machine does weighs on both.
const nativeTimes = [];
const pageTimes = [];
for (let i = 0; i < runs; ++i) {
  const out = mkdtempSync(join(work, 'out-'));
  const start = process.hrtime.bigint();
  spawnSync(join(build, 'native/d88extract'), [sample], { cwd: out });
  nativeTimes.push(Number(process.hrtime.bigint() - start) / 1e6);
  rmSync(out, { recursive: true });

  // Waits without polling the page while it works.
  const done = page.evaluate(() => new Promise((resolve) => {
    delete document.body.dataset.stage;
    new MutationObserver(() => document.body.dataset.stage === 'done' && resolve())
      .observe(document.body, { attributes: true });
  }));
  await page.setInputFiles('#choose', sample);
  await done;
  // The page's own marks: the driver's round trips are not the page's time.
  pageTimes.push(await page.evaluate(() => {
    const last = (name) => performance.getEntriesByName(name).at(-1).startTime;
    return last('d88:zip-ready') - last('d88:chosen');
  }));
  // Let the spare worker get its core ready, as it would while a person looks.
  await page.waitForTimeout(200);
}
await browser.close();
rmSync(work, { recursive: true });

const html = readFileSync(site);
const nativeMs = median(nativeTimes);
const pageMs = median(pageTimes);
console.log(`sample disk, median of ${runs} runs`);
console.log(`  command line, into an empty folder: ${nativeMs.toFixed(1)} ms`);
const ratio = (pageMs / nativeMs).toFixed(2);
console.log(`  page, file chosen to zip ready:     ${pageMs.toFixed(1)} ms (${ratio}x)`);
console.log(`site: ${html.length} bytes, ${gzipSync(html, { level: 9 }).length} gzipped`);
