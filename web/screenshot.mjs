// Writes the README's picture of the page with the sample disk extracted.
//   node web/screenshot.mjs [BUILD_DIR] [OUTPUT.png]   (after the web workflow)
// Japanese names need a CJK font in the system (Debian: fonts-ipafont-gothic).
import { spawnSync } from 'node:child_process';
import { mkdtempSync, rmSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { join, resolve } from 'node:path';
import { pathToFileURL } from 'node:url';
import { launchChromium } from './chromium.mjs';

const build = resolve(process.argv[2] || 'build-web');
const output = resolve(process.argv[3] || 'web/page.png');
const work = mkdtempSync(join(tmpdir(), 'd88-shot-'));
const sample = join(work, 'sample.d88');
spawnSync(join(build, 'native/builder/d88-make-sample'), [sample]);

const browser = await launchChromium();
const page = await browser.newPage({ viewport: { width: 900, height: 640 } });
await page.goto(pathToFileURL(join(build, 'site/index.html')).href);
await page.setInputFiles('#choose', sample);
await page.waitForFunction(() => document.body.dataset.stage === 'done');
await page.screenshot({ path: output });
await browser.close();
rmSync(work, { recursive: true });
console.log(output);
