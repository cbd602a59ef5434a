// Writes the README's pictures of the page: the map of the damaged fixture,
// the bytes of a file with a missing sector, a track as the image records
// it, a collection, and a phone.
//   node web/screenshot.mjs [BUILD_DIR] [OUTPUT_DIR]   (after the web workflow)
// Japanese names need a CJK font in the system (Debian: fonts-ipafont-gothic).
import { spawnSync } from 'node:child_process';
import { mkdirSync, mkdtempSync, readFileSync, rmSync, writeFileSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { join, resolve } from 'node:path';
import { pathToFileURL } from 'node:url';
import { zipSync } from 'fflate';
import { launchChromium } from './chromium.mjs';

const here = (path) => resolve(import.meta.dirname, path);
const build = resolve(process.argv[2] || 'build-web');
const output = resolve(process.argv[3] || here('../docs/pictures'));
const site = pathToFileURL(join(build, 'site/index.html')).href;
const damaged = here('../tests/fixtures/damaged/image.d88');
const work = mkdtempSync(join(tmpdir(), 'd88-shot-'));
mkdirSync(output, { recursive: true });

const browser = await launchChromium();
async function open(options) {
  const page = await (await browser.newContext(options)).newPage();
  await page.goto(site);
  return page;
}
async function choose(page, paths) {
  await page.setInputFiles('#choose', paths);
  await page.waitForFunction(() => document.body.dataset.stage === 'done');
}
const shot = async (page, name) => {
  await page.screenshot({ path: join(output, name) });
  console.log(join(output, name));
};

// The map, pointed at the sector recorded with a read error.
const desktop = await open({ viewport: { width: 1024, height: 720 } });
await choose(desktop, damaged);
await desktop.locator('#inspector').scrollIntoViewIfNeeded();
await desktop.evaluate(() => window.scrollTo(0, document.getElementById('inspector').offsetTop - 8));
await desktop.hover('.cell[data-where="0"][data-index="11"]');
await shot(desktop, 'map.png');

// The bytes of BACK, whose second sector is missing from the image.
await desktop.evaluate(() => window.scrollTo(0, 0));
await desktop.locator('#rows tr', { hasText: 'BACK' }).locator('button.view').click();
await desktop.evaluate(() => { document.getElementById('hex').scrollTop = 60 * 20; });
await desktop.waitForTimeout(200);
await shot(desktop, 'viewer.png');

// Track 02 as recorded: side 0's second record has a data CRC error.
await desktop.keyboard.press('Escape');
await desktop.click('button.track[data-track="2"]');
await desktop.waitForSelector('.track-view');
await shot(desktop, 'tracks.png');
await desktop.keyboard.press('Escape');

// A collection: the fixtures, one in a .zip, and a file that is no image.
const collection = join(work, 'collection');
mkdirSync(collection);
const sample = join(collection, 'sample.d88');
spawnSync(join(build, 'native/builder/d88-make-sample'), [sample]);
writeFileSync(join(collection, 'damaged.d88'), readFileSync(damaged));
writeFileSync(join(collection, 'games.zip'), zipSync({ 'disk1.d88': readFileSync(sample),
  'disk2.d88': readFileSync(here('../tests/fixtures/both-sides/image.d88')) }));
writeFileSync(join(collection, 'notes.txt.d88'), 'not an image\n');
await choose(desktop, ['sample.d88', 'damaged.d88', 'games.zip', 'notes.txt.d88'].map((name) => join(collection, name)));
await desktop.evaluate(() => window.scrollTo(0, 0));
await shot(desktop, 'collection.png');

// A phone held upright, in Japanese: the map fits its width.
const phone = await open({ viewport: { width: 390, height: 844 }, deviceScaleFactor: 1, isMobile: true,
  hasTouch: true, locale: 'ja-JP' });
await choose(phone, damaged);
await phone.evaluate(() => window.scrollTo(0, document.getElementById('inspector').offsetTop - 8));
await shot(phone, 'phone.png');

await browser.close();
rmSync(work, { recursive: true });
