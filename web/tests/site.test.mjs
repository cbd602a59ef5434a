// The built site in headless Chromium: what it extracts against the fixtures'
// checksums and against the command line built beside it, refusals, a large
// hostile image, and that it asks for nothing beyond its own file.
import { after, before, test as nodeTest } from 'node:test';
import assert from 'node:assert/strict';
import { spawnSync } from 'node:child_process';
import { createHash } from 'node:crypto';
import { createServer } from 'node:http';
import { mkdirSync, mkdtempSync, readFileSync, readdirSync, rmSync, statSync, truncateSync, writeFileSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { join } from 'node:path';
import { pathToFileURL } from 'node:url';
import { constants as zlibConstants, createGzip, gzipSync } from 'node:zlib';
import { unzipSync, zipSync } from 'fflate';
import { launchChromium } from '../chromium.mjs';

const site = pathToFileURL(process.env.D88_SITE).href;
const sites = [site];
const native = process.env.D88_NATIVE;
const fixtures = process.env.D88_FIXTURES;
const shiftJis = new TextDecoder('shift_jis', { fatal: true });
const work = mkdtempSync(join(tmpdir(), 'd88-page-'));
let browser;
const requests = [];

before(async () => {
  browser = await launchChromium();
});

// With D88_FIRST_FAILURE set (the seeded faults), the tests after one that
// failed are skipped: a fault needs one failure to be caught.
let failedBefore = false;
function test(name, body) {
  nodeTest(name, async (t) => {
    if (failedBefore) return t.skip('a test before this one failed');
    try {
      return await body(t);
    } catch (error) {
      failedBefore = Boolean(process.env.D88_FIRST_FAILURE);
      throw error;
    }
  });
}
after(async () => {
  await browser?.close();
  rmSync(work, { recursive: true, force: true });
});

async function openSite(url = site) {
  const context = await browser.newContext({ acceptDownloads: true });
  context.on('request', (request) => requests.push(request.url()));
  const page = await context.newPage();
  const errors = [];
  page.on('pageerror', (error) => errors.push(error));
  await page.goto(url);
  return { page, errors };
}

// Gives the page the image, through the chooser or a drop, and waits until
// it has finished with it.
async function extract(page, path, how = 'chooser') {
  await page.evaluate(() => delete document.body.dataset.stage);
  if (how === 'chooser') {
    await page.setInputFiles('#choose', path);
  } else {
    const bytes = readFileSync(path).toString('base64');
    await page.evaluate(([data, name]) => {
      const transfer = new DataTransfer();
      const raw = Uint8Array.from(atob(data), (c) => c.charCodeAt(0));
      transfer.items.add(new File([raw], name));
      const drop = new DragEvent('drop', { dataTransfer: transfer, bubbles: true, cancelable: true });
      document.getElementById('drop').dispatchEvent(drop);
    }, [bytes, 'dropped.d88']);
  }
  await page.waitForFunction(() => ['done', 'refused', 'failed'].includes(document.body.dataset.stage));
  return page.evaluate(() => document.body.dataset.stage);
}

// The rows as the listing has them: name, start, end, size.
function pageRows(page) {
  return page.$$eval('#rows tr:not(.note):not(.boot)', (rows) => rows
    .map((row) => [...row.cells].slice(1, 5).map((cell) => cell.textContent)));
}

// The listing lines of the command line, read the same way.
function listingRows(stdout) {
  const lines = stdout.toString('latin1').split('\n').slice(1, -1);
  return lines.map((line) => {
    const [, name, st, ss, et, es, size] =
      line.match(/^(.*?) *  START:(\w\w) (\w\w)    END:(\w\w) (\w\w)   SIZE:(\w+)$/);
    const shown = name ? shiftJis.decode(Buffer.from(name, 'latin1')) : '(no name)';
    return [shown, `${st} ${ss}`, `${et} ${es}`, (Number.parseInt(size, 16) | 0).toLocaleString('en')];
  });
}

// The zip the page offers, saved: its path, or null if none is offered.
async function savedZip(page) {
  if (await page.isHidden('#zip')) return null;
  const [download] = await Promise.all([page.waitForEvent('download'), page.click('#zip')]);
  return download.path();
}

async function zipEntries(page) {
  const path = await savedZip(page);
  if (path === null) return {};
  const zip = readFileSync(path);
  // Every non-ASCII name is flagged as UTF-8 (bit 11) in its central header.
  for (let at = zip.indexOf('PK\x01\x02'); at >= 0; at = zip.indexOf('PK\x01\x02', at + 4)) {
    const name = zip.subarray(at + 46, at + 46 + zip.readUInt16LE(at + 28));
    if (name.some((b) => b >= 0x80)) assert.ok(zip.readUInt16LE(at + 8) & 0x800, `flag of ${name}`);
  }
  return unzipSync(zip);
}

// Every message of the command line, each a line of its standard error,
// is said on the page too.
async function assertSaysAll(page, stderr, what) {
  const text = (await page.textContent('#status')) + (await page.textContent('#rows'));
  for (const line of shiftJis.decode(stderr).split('\n').filter(Boolean)) {
    assert.ok(text.includes(line), `${what}: ${line}`);
  }
}

const sha256 = (bytes) => createHash('sha256').update(bytes).digest('hex');
const checksums = (files) =>
  Object.fromEntries(Object.entries(files).map(([name, bytes]) => [name, sha256(bytes)]));

// The zip unpacked by each tool people use, in a UTF-8 locale and with no
// option: for each, the files it made ({name: sha256}) and their modes.
const kUnzipTools = {
  unzip: (zip, into) => ['unzip', ['-q', zip, '-d', into]],
  zipfile: (zip, into) => ['/usr/bin/python3',
    ['-c', 'import sys, zipfile; zipfile.ZipFile(sys.argv[1]).extractall(sys.argv[2])', zip, into]],
  bsdtar: (zip, into) => ['bsdtar', ['-xf', zip, '-C', into]],
  '7-Zip': (zip, into) => ['7zz', ['x', '-y', `-o${into}`, zip]], // Debian's 7zip names it 7zz
};
function unpackedByEachTool(zip, tools = Object.keys(kUnzipTools)) {
  const unpacked = {};
  for (const tool of tools) {
    const command = kUnzipTools[tool];
    const into = mkdtempSync(join(work, 'unpacked-'));
    const [program, args] = command(zip, into);
    const ran = spawnSync(program, args, { env: { ...process.env, LC_ALL: 'C.UTF-8' } });
    assert.equal(ran.status, 0, `${tool}: ${ran.error ?? ran.stderr}`);
    const files = readdirSync(into);
    unpacked[tool] = Object.fromEntries(files.map((name) => [name, sha256(readFileSync(join(into, name)))]));
    for (const name of files) assert.equal(statSync(join(into, name)).mode & 0o777, 0o644, `${tool}: ${name}`);
  }
  return unpacked;
}

// A 2HD disk's header and no track.
function tracklessDisk() {
  const header = Buffer.alloc(0x2b0);
  header[0x1b] = 0x20;
  header.writeUInt32LE(0x2b0, 0x1c);
  return header;
}

// The files the command line wrote, by their raw names in hex.
function nativeRun(image) {
  const out = mkdtempSync(join(work, 'out-'));
  const run = spawnSync(join(native, 'd88extract'), [image], { cwd: out });
  const files = Object.fromEntries(readdirSync(out, { encoding: 'buffer' })
    .map((file) => [file.toString('hex'), sha256(readFileSync(Buffer.concat([Buffer.from(`${out}/`), file])))]));
  return { run, files, out };
}

test('each fixture, chosen and dropped: its files and its listing', async () => {
  const { page, errors } = await openSite();
  for (const fixture of readdirSync(fixtures, { withFileTypes: true }).filter((e) => e.isDirectory())) {
    const folder = join(fixtures, fixture.name);
    const expected = Object.fromEntries(readFileSync(join(folder, 'files.sha256')).toString('latin1')
      .split('\n').filter(Boolean).map((line) => {
        const [, hash, name] = line.match(/^(\w{64})  (.*)$/);
        return [shiftJis.decode(Buffer.from(name, 'latin1')), hash];
      }));
    for (const how of ['chooser', 'drop']) {
      assert.equal(await extract(page, join(folder, 'image.d88'), how), 'done', fixture.name);
      const files = await zipEntries(page);
      assert.deepEqual(checksums(files), expected, `${fixture.name} by ${how}`);
      const rows = await pageRows(page);
      assert.deepEqual(rows, listingRows(readFileSync(join(folder, 'stdout'))), fixture.name);
      await assertSaysAll(page, readFileSync(join(folder, 'stderr')), fixture.name);
      if (fixture.name !== 'both-sides') continue;
      assert.ok(rows.some(([name]) => name === '音楽.1'));
      for (const [tool, unpacked] of Object.entries(unpackedByEachTool(await savedZip(page)))) {
        assert.deepEqual(unpacked, expected, `${tool}, ${how}`);
      }
    }
  }
  assert.deepEqual(errors, []);
});

test('every crafted image as the command line extracts it', async () => {
  const { page, errors } = await openSite();
  const images = join(work, 'crafted');
  spawnSync('mkdir', ['-p', images]);
  assert.equal(spawnSync(join(native, 'builder/d88-make-crafted'), [images]).status, 0);
  // Names a Windows folder folds together are a test of their own.
  for (const name of readdirSync(images).filter((image) => image !== 'windows-names.d88')) {
    const out = mkdtempSync(join(work, 'out-'));
    const run = spawnSync(join(native, 'd88extract'), [join(images, name)], { cwd: out });
    const written = Object.fromEntries(readdirSync(out, { encoding: 'buffer' })
      .map((file) => [shiftJis.decode(file), sha256(readFileSync(join(out, file.toString('latin1'))))]));
    const recognised = run.stdout.length > 0;
    assert.equal(await extract(page, join(images, name)), recognised ? 'done' : 'refused', name);
    const files = await zipEntries(page);
    assert.deepEqual(checksums(files), written, name);
    if (recognised) assert.deepEqual(await pageRows(page), listingRows(run.stdout), name);
    await assertSaysAll(page, run.stderr, name);
    if (name === 'two-disks.d88') {
      await page.waitForFunction(() => document.body.dataset.disks !== undefined);
      assert.match(await page.textContent('#status'), /This image holds 2 disks; only the first was read\./);
    }
  }
  assert.deepEqual(errors, []);
});

test('refusals: not a D88 image, another disk, a name Windows cannot hold; 1.5 GiB read', async () => {
  const { page } = await openSite();
  const png = join(work, 'picture.png');
  const pngHeader = Buffer.from('89504e470d0a1a0a0000000d49484452', 'hex');
  writeFileSync(png, Buffer.concat([pngHeader, Buffer.alloc(2000)]));
  const media2d = join(work, 'crafted', 'media-2d.d88');
  const empty = join(work, 'empty.d88');
  writeFileSync(empty, '');
  // A 2D disk longer than the core's read window of 64 KiB, as real ones are.
  const big2d = join(work, 'big-2d.d88');
  assert.equal(spawnSync(join(native, 'builder/d88-make-sample'), [big2d]).status, 0);
  const big2dBytes = readFileSync(big2d);
  big2dBytes[0x1b] = 0x00;
  writeFileSync(big2d, big2dBytes);
  const refusals = [[png, 'Not a D88 image'], [empty, 'Not a D88 image: 0 bytes'], [media2d, 'first disk is 2D'],
    [big2d, 'first disk is 2D']];
  for (const [image, why] of refusals) {
    assert.equal(await extract(page, image), 'refused');
    const status = await page.textContent('#status');
    assert.ok(status.includes('未対応のディスクイメージ形式です.'), status);
    assert.ok(status.includes(why), status);
    assert.ok(await page.isHidden('#zip'));
    assert.ok((await page.isHidden('#inspector')) && (await page.isHidden('#listing')), why);
  }
  // A 2HD disk with no tracks: recognised, neither directory read, and drawn
  // as nothing of this layout; said as the command line says it.
  const trackless = join(work, 'trackless.d88');
  writeFileSync(trackless, tracklessDisk());
  assert.equal(await extract(page, trackless), 'done');
  await assertSaysAll(page, nativeRun(trackless).run.stderr, 'trackless');
  assert.match(await page.textContent('#status'), /Nothing was extracted: neither side's directory could be read\./);
  assert.ok((await page.isHidden('#inspector')) && (await page.isHidden('#listing')) && (await page.isHidden('#zip')));
  // The fixture with ABC renamed A\x80\x1b, shown escaped and not offered,
  // EMPTY renamed LOADER, which side 1's LOADER replaces, and 音楽.1 renamed
  // ⅰ (FA 40: a lead byte high in the range), offered as the command line
  // writes it.
  const bytes = readFileSync(join(fixtures, 'both-sides/image.d88'));
  bytes.set([0x80, 0x1b], bytes.indexOf('ABC') + 1);
  bytes.write('LOADER', bytes.indexOf('EMPTY'), 'latin1');
  bytes.set([0xfa, 0x40, 0x20, 0x20, 0x20, 0x20], bytes.indexOf(Buffer.from('89b98a792e31', 'hex')));
  const renamed = join(work, 'renamed.d88');
  writeFileSync(renamed, bytes);
  assert.equal(await extract(page, renamed), 'done');
  const row = page.locator('#rows tr', { hasText: 'A\\x80\\x1b' });
  assert.match(await row.textContent(), /Windows does not allow/);
  assert.equal(await row.locator('button.save').count(), 0);
  const files = await zipEntries(page);
  const names = ['IPLMUS', 'LOADER', 'm.0000', 'ﾃｽﾄ', 'ⅰ'];
  assert.deepEqual(Object.keys(files).sort(), names.sort());
  assert.equal(files.LOADER.length, 7168);
  assert.match(await page.textContent('#rows'), /Replaced by a later file of the same name/);
  // The damaged fixture with FRONT renamed A\x80: a byte that is no character
  // beside ordinary ones is not offered; the count of damaged files is theirs.
  const damaged = readFileSync(join(fixtures, 'damaged/image.d88'));
  // and F0 40, a user-defined character; the disk flagged write-protected.
  damaged.set([0x41, 0x80, 0xf0, 0x40, 0x20], damaged.indexOf('FRONT'));
  damaged[0x1a] = 0x10;
  writeFileSync(renamed, damaged);
  assert.equal(await extract(page, renamed), 'done');
  await page.waitForFunction(() => document.body.dataset.disks !== undefined);
  assert.match(await page.textContent('#status'),
    /renamed\.d88: 17\.9 KiB \(18,368 bytes\)Its first disk: named “FIXTURE”, 2HD, write-protected\. It holds one disk\./);
  await page.click('.cell[data-where="0"][data-index="5"]');
  const entryRow = (await page.locator('#hex-rows .row').allTextContents()).find((row) => row.includes('41 80 f0 40 20'));
  assert.match(entryRow, / {2}A\.\.\. {2}/, entryRow);
  const a80 = page.locator('#rows tr', { hasText: 'A\\x80' });
  assert.equal(await a80.count(), 1);
  assert.equal(await a80.locator('button.save').count(), 0);
  assert.deepEqual(Object.keys(await zipEntries(page)).sort(), ['BACK', 'CRC']);
  assert.match(await page.textContent('#status'),
    /2 files ready, 1 not offered, 2 with unread or damaged sectors\./);
  // 1.5 GiB: the sample disk, then zeros. Read as the command line reads
  // it, a window at a time, by a worker whose core stays small.
  const huge = join(work, 'huge.d88');
  assert.equal(spawnSync(join(native, 'builder/d88-make-sample'), [huge]).status, 0);
  truncateSync(huge, 1.5 * 1024 ** 3);
  assert.equal(await extract(page, huge), 'done');
  const { files: hugeFiles } = nativeRun(huge);
  assert.deepEqual(Object.values(checksums(await zipEntries(page))).sort(), Object.values(hugeFiles).sort());
  assert.ok(await page.evaluate(() => Number(document.body.dataset.heap)) <= 32 * 1024 ** 2);
  // The limit the command line's help states, in the same words.
  assert.match(await page.textContent('footer'), /Only the first disk of an image is read; disks that start past its first 2 GiB, or after its 64th, are not counted\./);
});

test('names as Windows keeps them: folded together, DEL as itself, no final ";"', async () => {
  const { page, errors } = await openSite();
  const image = join(work, 'crafted', 'windows-names.d88');
  const { files } = nativeRun(image);
  // Each folded group is one file under its first name, with its last bytes.
  const expected = {
    abc: files['414243'], 'ａ': files['8260'], 'α': files['839f'], 'ⅰ': files.fa4a,
    'a\x7f': files['617f'], '\x7f': files['7f'],
  };
  assert.equal(await extract(page, image), 'done');
  assert.deepEqual(checksums(await zipEntries(page)), expected);
  // Info-ZIP's unzip drops control characters from any name (a<DEL> unpacks
  // as "a"), whatever the zip says: the other tools keep them.
  const tools = Object.keys(kUnzipTools).filter((tool) => tool !== 'unzip');
  for (const [tool, unpacked] of Object.entries(unpackedByEachTool(await savedZip(page), tools))) {
    assert.deepEqual(unpacked, expected, tool);
  }
  const rows = await page.textContent('#rows');
  assert.equal(rows.split('Replaced by a later file of the same name.').length - 1, 5);
  assert.equal(rows.split('は先に書き出した同じ名前のファイルを置き換えました.').length - 1, 5);
  assert.match(rows, /unzip would drop the ";"/);
  assert.ok(!rows.includes('Written'));
  assert.match(await page.textContent('#status'), /6 files ready, 1 not offered, 5 replaced/);
  assert.deepEqual(errors, []);
});

// The rules of accessibility the page breaks, as axe-core finds them, its
// rule on the size of targets included.
async function axeViolations(page) {
  await page.addScriptTag({ content: readFileSync(join(import.meta.dirname, '../node_modules/axe-core/axe.min.js'), 'utf8') });
  return page.evaluate(async () => (await axe.run(document, { rules: { 'target-size': { enabled: true } } }))
    .violations.map((v) => `${v.id}: ${v.nodes.map((n) => n.target).join(' ')}`));
}

test('the inspector: every sector on a map, the bytes of each, in both languages, for everyone',
  async () => {
    const { page, errors } = await openSite();
    assert.equal(await extract(page, join(fixtures, 'damaged/image.d88')), 'done');
    const cell = (where, index) => page.locator(`.cell[data-where="${where}"][data-index="${index}"]`);
    const classes = async (where, index) => (await cell(where, index).getAttribute('class')).split(' ');
    // The fixture: CRC on side 0, track 2 sectors 1 to 3, the second recorded
    // with an error; BACK on side 1, track 5 sectors 1 to 3, the second missing.
    assert.deepEqual(await classes(0, 5), ['cell', 'directory', 'read']);
    assert.deepEqual(await classes(0, 10), ['cell', 'file', 'read']);
    assert.deepEqual(await classes(0, 11), ['cell', 'file', 'damaged']);
    assert.deepEqual(await classes(1, 26), ['cell', 'file', 'unread']);
    assert.deepEqual(await classes(0, 0), ['cell', 'outside', 'notRead']);
    await cell(0, 11).hover();
    assert.equal(await page.textContent('#sector-info'),
      'Side 0, track 02 sector 02: a file (CRC); recorded with a read error');
    // A file chosen: its sectors light up, its bytes are shown, the missing
    // sector as zeros.
    // The bytes open where the person is, and take the keyboard; Escape gives
    // it back to the button.
    const viewBack = page.locator('#rows tr', { hasText: 'BACK' }).locator('button.view');
    const scrolled = await page.evaluate(() => window.scrollY);
    await viewBack.click();
    const lit = await page.$$eval('.cell.lit', (cells) => cells.map((c) => `${c.dataset.where}:${c.dataset.index}`));
    assert.deepEqual(lit, ['1:25', '1:26', '1:27']);
    assert.equal(await page.textContent('#viewer-heading'), 'BACK: 3,072 bytes');
    assert.equal(await page.textContent('#sector-info'), 'BACK: 3 sectors marked on the map');
    assert.equal(await page.evaluate(() => document.activeElement.id), 'hex');
    assert.equal(await page.evaluate(() => window.scrollY), scrolled);
    assert.ok(await page.locator('#hex').isVisible());
    assert.match(await page.textContent('#hex-head'), /^offset {2}00 01 02 03 04 05 06 07 {2}08 .* 0f {2}text/);
    await page.evaluate(() => { const box = document.getElementById('hex'); box.scrollTop = box.scrollHeight / 3; });
    // The second sector, missing: its first row starts a sector, its bytes are marked.
    const zeros = `000400  ${'00 '.repeat(8)} ${'00 '.repeat(8)} ${'.'.repeat(16)}`;
    await page.waitForFunction((row) => [...document.querySelectorAll('#hex-rows .row')].some((r) => r.textContent === row), zeros);
    assert.deepEqual(await page.$$eval('#hex-rows .row.boundary', (rows) => rows.map((row) =>
      [row.textContent.slice(0, 6), row.querySelectorAll('.bytes-unread').length])).then((rows) => rows[0]),
    ['000400', 2]);
    assert.equal(await page.locator('#hex-rows .row', { hasText: /^0003f0/ }).locator('.bytes-unread').count(), 0);
    await page.keyboard.press('Escape');
    assert.ok(await page.isHidden('#viewer'));
    assert.equal(await page.evaluate(() => document.activeElement.textContent), 'View');
    assert.equal(await page.evaluate(() => document.activeElement.closest('tr').cells[1].textContent), 'BACK');
    // A sector chosen: the rows of what holds it light up.
    await cell(0, 26).click();
    assert.deepEqual(await page.$$eval('#rows tr.lit', (trs) => trs.map((tr) => tr.cells[1].textContent)),
      ['FRONT']);
    assert.equal(await page.textContent('#viewer-heading'), 'Side 0, track 05 sector 02: 1,024 bytes');
    // The keyboard moves through the map: down a sector, then across a track.
    // Arrow keys stop at the map's edges.
    await cell(0, 0).focus();
    await page.keyboard.press('ArrowUp');
    await page.keyboard.press('ArrowLeft');
    await page.keyboard.press('ArrowLeft');
    assert.equal(await page.evaluate(() => document.activeElement.dataset.track), '0');
    await page.keyboard.press('ArrowRight');
    await page.keyboard.press('ArrowDown');
    await page.keyboard.press('ArrowRight');
    assert.equal(await page.evaluate(() => document.activeElement.dataset.index), '6');
    await cell(1, 384).focus();
    await page.keyboard.press('ArrowDown');
    await page.keyboard.press('ArrowRight');
    assert.equal(await page.evaluate(() => `${document.activeElement.dataset.where}:${document.activeElement.dataset.index}`), '1:384');
    // Every track numbered along the map.
    assert.deepEqual((await page.locator('.cells.volume .head.track').allTextContents()).slice(0, 3), ['Track', '00', '01']);
    assert.equal(await page.locator('.cells.volume .head.track').count(), 78);
    // Everything the map shows, as text.
    const text = await page.textContent('#map-lines');
    assert.match(text, /CRC \(side 0\): 3 sectors from Side 0, track 02 sector 01 to Side 0, track 02 sector 03; 1 with a read error\./);
    assert.match(text, /BACK \(side 1\): 3 sectors .*; 1 missing\./);
    // No rule of accessibility broken, with the map, its text and the bytes open.
    await page.click('#map-text summary');
    assert.deepEqual(await axeViolations(page), []);
    // The largest files scroll through drawing only the rows in view.
    const sample = join(work, 'sample.d88');
    assert.equal(spawnSync(join(native, 'builder/d88-make-sample'), [sample]).status, 0);
    assert.equal(await extract(page, sample), 'done');
    await page.locator('#rows tr', { hasText: 'BIG' }).locator('button.view').click();
    assert.ok((await page.locator('#hex-rows .row').count()) < 64);
    await page.evaluate(() => { const box = document.getElementById('hex'); box.scrollTop = box.scrollHeight; });
    await page.waitForFunction(() => document.getElementById('hex-rows').textContent.includes('01dff0  '));
    // Another file is shown from its first row.
    await page.locator('#rows tr', { hasText: 'DATA' }).first().locator('button.view').click();
    await page.waitForFunction(() => document.getElementById('hex-rows').textContent.startsWith('000000  '));
    // IPLMUS holds boot sectors 14 to 17, and nothing else of the boot read.
    const bootHolds = await page.$$eval('.cell[data-where="boot"]', (cells) => cells
      .filter((c) => c.classList.contains('file')).map((c) => Number(c.dataset.index) + 1));
    assert.deepEqual(bootHolds, [14, 15, 16, 17]);
    // A double-byte character takes two columns, and the byte after it the
    // next: 音楽.1 (89 B9 8A 79 2E 31) in side 0's directory.
    await cell(0, 5).click();
    const nameRow = (await page.locator('#hex-rows .row').allTextContents()).find((row) => row.includes('89 b9 8a 79 2e 31'));
    assert.ok(nameRow, 'the row of 音楽.1');
    assert.ok(nameRow.endsWith('  音楽.1.㊧炎.....'), nameRow);
    // A sector two entries hold: C and the refused names of side 1.
    const unsafe = join(work, 'crafted', 'unsafe-names.d88');
    assert.equal(await extract(page, unsafe), 'done');
    assert.ok((await classes(1, 10)).includes('shared'), (await classes(1, 10)).join(' '));
    assert.ok((await classes(1, 11)).includes('free'));
    assert.deepEqual(errors, []);
    // In Japanese where the browser prefers it; the system's messages as they are.
    // On a phone held upright the map fits the width, each square a target
    // of 24 px at least, and nothing speaks of dropping.
    const context = await browser.newContext({ locale: 'ja-JP', viewport: { width: 390, height: 844 },
      isMobile: true, hasTouch: true });
    const japanese = await context.newPage();
    await japanese.goto(site);
    assert.equal(await extract(japanese, join(fixtures, 'damaged/image.d88')), 'done');
    assert.match(await japanese.textContent('#status'), /ファイル 3 個を用意しました、2 個は読めないか損傷したセクタを含みます。/);
    assert.equal(await japanese.textContent('#listing th:nth-child(2)'), '名前');
    assert.match(await japanese.textContent('#rows'), /CRCには損傷したセクタが含まれます\./);
    // The system's Japanese needs no English beside it.
    assert.doesNotMatch(await japanese.textContent('main'), /recognised|Some of its sectors/);
    assert.equal(await japanese.evaluate(() => document.documentElement.scrollWidth), 390);
    const sizes = await japanese.$$eval('.cell:not(.key)', (cells) => cells.map((c) => c.getBoundingClientRect())
      .map((box) => Math.min(box.width, box.height)));
    assert.ok(Math.min(...sizes) >= 24, `${Math.min(...sizes)} px`);
    assert.doesNotMatch(await japanese.textContent('#drop'), /ドロップ/);
    assert.deepEqual(await axeViolations(japanese), []);
    await context.close();
    // A browser that says only "ja" gets the Japanese page too.
    const plain = await browser.newContext({ locale: 'ja' });
    const plainPage = await plain.newPage();
    await plainPage.goto(site);
    assert.equal(await plainPage.evaluate(() => navigator.language), 'ja');
    assert.equal(await plainPage.textContent('#listing th:nth-child(2)'), '名前');
    await plain.close();
  });

test('the inspector, deeper: a track as recorded, a file as text, search, copy, a sector saved, the map as data',
  async () => {
    const { page, errors } = await openSite();
    // Side 0's logical track 2 as the builder leaves it: a record of another
    // scheme after R 1, R 2 with a data CRC error, R 3 deleted data, and a
    // second R 1 last. Reached from the map with the keyboard.
    assert.equal(await extract(page, join(work, 'crafted', 'mixed-records.d88')), 'done');
    await page.locator('.cell[data-where="0"][data-index="10"]').focus();
    await page.keyboard.press('ArrowLeft');
    await page.keyboard.press('Enter');
    assert.equal(await page.textContent('#viewer-heading'), 'Track 02 as the image records it');
    const records = (side) => page.locator('.track-view table.records').nth(side).locator('tbody tr').allInnerTexts()
      .then((rows) => rows.map((row) => row.replace(/\t/g, ' ')));
    assert.deepEqual(await records(0), [
      '1 01 00 01 03 1,024 normal (00) read',
      '2 01 00 01 02 512 normal (00) not asked for',
      '3 01 00 02 03 1,024 data CRC error (b0) read',
      '4 01 00 03 03 1,024 deleted data (10) read',
      '5 01 00 04 03 1,024 normal (00) read',
      '6 01 00 05 03 1,024 normal (00) read',
      '7 01 00 01 03 1,024 normal (00) not read: a read of its ID finds another record']);
    assert.deepEqual(await records(1), [1, 2, 3, 4, 5].map((r) => `${r} 01 00 0${r} 03 1,024 normal (00) read`));
    await page.click('.track-nav .before');
    await page.click('.track-nav .before');
    assert.equal(await page.textContent('#viewer-heading'), 'Track 00 as the image records it');
    assert.equal(await page.locator('.track-nav .before').count(), 0);
    assert.equal(await page.locator('.track-view').getByText('boot-t00.bin').count(), 1);
    await page.keyboard.press('Escape');
    assert.equal(await page.evaluate(() => document.activeElement.dataset.track), '2');
    // ABC of the both-sides fixture begun with text written by hand in
    // Shift_JIS: テキスト CR LF, 二行目 ｶﾅ LF, ABC, then the end mark.
    const bytes = readFileSync(join(fixtures, 'both-sides/image.d88'));
    const at = bytes.indexOf(readFileSync(join(nativeRun(join(fixtures, 'both-sides/image.d88')).out, 'ABC')).subarray(0, 64));
    Buffer.from('8365834c835883670d0a93f18d7396da20b6c50a4142431a', 'hex').copy(bytes, at);
    const textImage = join(work, 'text.d88');
    writeFileSync(textImage, bytes);
    assert.equal(await extract(page, textImage), 'done');
    await page.locator('#rows tr', { hasText: 'LOADER' }).locator('button.view').click();
    assert.ok(await page.isHidden('#view-as'), 'random bytes are no text');
    await page.locator('#rows tr', { hasText: 'ABC' }).locator('button.view').click();
    await page.click('#view-text');
    assert.deepEqual((await page.textContent('#text-lines')).split('\n'), ['テキスト', '二行目 ｶﾅ', 'ABC']);
    // Rows copied as the viewer shows them, and as the characters they hold.
    await page.click('#view-bytes');
    await page.evaluate(() => {
      window.copied = [];
      navigator.clipboard.writeText = async (text) => { window.copied.push(text); };
    });
    await page.click('#hex-rows .row[data-at="0"]');
    await page.click('#copy-hex');
    await page.click('#copy-text');
    assert.deepEqual(await page.evaluate(() => window.copied), [
      '000000  83 65 83 4c 83 58 83 67  0d 0a 93 f1 8d 73 96 da  テキスト..二行目\n', 'テキスト\r\n二行目']);
    // Search, as text and as bytes; the match shown, and its sector saved.
    const search = async (kind, text) => {
      await page.selectOption('#search-kind', kind);
      await page.fill('#search-text', text);
      await page.click('#search button[type="submit"]');
      return page.locator('#search-results li').allTextContents();
    };
    assert.deepEqual(await search('text', '二行目 ｶﾅ'), ['Side 0, track 03 sector 01, byte 0x00a: ABC']);
    assert.deepEqual(await page.$$eval('#maps .found', (cells) => cells.map((c) => `${c.dataset.where}:${c.dataset.index}`)), ['0:15']);
    assert.deepEqual(await search('hex', 'zz'), []);
    assert.match(await page.textContent('#search-said'), /pairs of 0 to 9 and a to f/);
    assert.deepEqual(await search('hex', '8365834C 8358'), ['Side 0, track 03 sector 01, byte 0x000: ABC']);
    await page.click('#search-results button');
    assert.equal(await page.textContent('#hex-rows .bytes-found'), '83 65 83 4c 83 58 ');
    const [sector] = await Promise.all([page.waitForEvent('download'), page.click('#save-sector')]);
    assert.equal(sector.suggestedFilename(), 'side0-t03-s01.bin');
    assert.ok(readFileSync(await sector.path()).equals(bytes.subarray(at, at + 1024)));
    assert.deepEqual(await axeViolations(page), []);
    // The map as data: the damaged fixture's two damaged files as its
    // builder placed them, and the missing sector with the file that holds it.
    assert.equal(await extract(page, join(fixtures, 'damaged/image.d88')), 'done');
    const [json] = await Promise.all([page.waitForEvent('download'), page.click('#map-json')]);
    assert.equal(json.suggestedFilename(), 'image-map.json');
    const data = JSON.parse(readFileSync(await json.path(), 'utf8'));
    const sectorsOf = (name) => data.entries.find((entry) => entry.name === name).sectors
      .map((s) => [s.side, s.track, s.sector, s.state]);
    assert.deepEqual(sectorsOf('CRC'), [[0, 2, 1, 'read'], [0, 2, 2, 'damaged'], [0, 2, 3, 'read']]);
    assert.deepEqual(sectorsOf('BACK'), [[1, 5, 1, 'read'], [1, 5, 2, 'missing'], [1, 5, 3, 'read']]);
    assert.equal(data.sides[1].sectors.length, 380);
    const back = data.entries.findIndex((entry) => entry.name === 'BACK');
    assert.deepEqual(data.sides[1].sectors.find((s) => s.track === 5 && s.sector === 2),
      { track: 5, sector: 2, state: 'missing', directory: false, entries: [back] });
    assert.deepEqual(errors, []);
  });

// A collection's run: its lines, and its zip once the run is over.
async function collect(page, chooser, paths) {
  await page.evaluate(() => delete document.body.dataset.stage);
  await page.setInputFiles(chooser, paths);
  await page.waitForFunction(() => document.body.dataset.stage === 'done');
  const lines = await page.$$eval('#images li', (items) => items.map((item) => item.textContent));
  return { lines, files: await zipEntries(page) };
}

test('a collection: a folder, a .zip and a .gz in one zip with a manifest; bad input said and passed',
  async () => {
    const { page, errors } = await openSite();
    const folder = join(work, 'collection');
    mkdirSync(folder);
    const fixture = (name) => readFileSync(join(fixtures, name, 'image.d88'));
    const names = readdirSync(fixtures, { withFileTypes: true }).filter((e) => e.isDirectory()).map((e) => e.name);
    for (const name of names) writeFileSync(join(folder, `${name}.d88`), fixture(name));
    writeFileSync(join(folder, 'fixtures.zip'), zipSync({
      'sub/both-sides.d88': fixture('both-sides'), 'sub/deeper/damaged.d88': fixture('damaged') }));
    writeFileSync(join(folder, 'damaged.d88.gz'), gzipSync(fixture('damaged')));
    const { lines, files } = await collect(page, '#choose-folder', folder);
    assert.equal(lines.length, 7, lines.join('\n'));
    const manifest = JSON.parse(Buffer.from(files['manifest.json']).toString());
    assert.deepEqual(Buffer.from(files['manifest.csv']).subarray(0, 3), Buffer.from('efbbbf', 'hex'));
    // Each image's folder holds exactly its fixture's files, and each file's
    // row its listing line and checksum.
    const folders = new Set();
    for (const image of manifest.filter((row) => row.kind === 'image')) {
      const name = image.image.split('/').pop().replace(/\.gz$/, '').replace(/\.d88$/, '');
      const expected = Object.fromEntries(readFileSync(join(fixtures, name, 'files.sha256')).toString('latin1')
        .split('\n').filter(Boolean).map((line) => line.match(/^(\w{64})  (.*)$/))
        .map(([, hash, raw]) => [shiftJis.decode(Buffer.from(raw, 'latin1')), hash]));
      const inFolder = Object.fromEntries(Object.entries(files).filter(([path]) => path.startsWith(`${image.folder}/`))
        .map(([path, bytes]) => [path.slice(image.folder.length + 1), sha256(bytes)]));
      assert.deepEqual(inFolder, expected, image.image);
      // A .gz's image is the one it unpacks to.
      assert.deepEqual([image.size, image.sha256], [readFileSync(join(fixtures, name, 'image.d88')).length,
        sha256(readFileSync(join(fixtures, name, 'image.d88')))], image.image);
      const rows = manifest.filter((row) => row.kind === 'file' && row.image === image.image && row.side !== 'boot');
      const listing = listingRows(readFileSync(join(fixtures, name, 'stdout')));
      assert.deepEqual(rows.map((row) => [row.name, row.start, row.end, row.size.toLocaleString('en')]), listing);
      for (const row of rows.filter((r) => r.outcome.startsWith('ready'))) assert.equal(row.sha256, expected[row.name]);
      const boot = manifest.find((row) => row.kind === 'file' && row.image === image.image && row.side === 'boot');
      assert.equal(boot?.sha256, expected.IPLMUS, `${image.image}: IPLMUS`);
      if (name === 'damaged') {
        // Each kind of damage in its words.
        const outcomeOf = (file) => manifest.find((row) => row.image === image.image && row.name === file).outcome;
        assert.equal(outcomeOf('CRC'), 'ready; damaged sectors');
        assert.equal(outcomeOf('BACK'), 'ready; unread sectors');
      }
      folders.add(image.folder);
    }
    // Two images of one name get folders of their own; one from a .zip
    // keeps the archive's name.
    assert.deepEqual([...folders].filter((f) => f.includes('damaged')).sort(),
      ['damaged', 'damaged (2)', 'fixtures - damaged']);
    // Bad input: one line each, and the image after them still comes.
    const bad = join(work, 'bad');
    mkdirSync(bad);
    const good = zipSync({ 'one.d88': fixture('damaged') }, { level: 0 });
    const encrypted = Buffer.from(good);
    for (const at of [6, encrypted.lastIndexOf('PK\x01\x02') + 8]) encrypted[at] |= 1;
    const method = Buffer.from(good);
    for (const at of [8, method.lastIndexOf('PK\x01\x02') + 10]) method[at] = 12;
    const bomb = Buffer.from(good);
    bomb.writeUInt32LE(0x80000000, bomb.lastIndexOf('PK\x01\x02') + 24);
    const flipped = Buffer.from(good);
    flipped[30 + 'one.d88'.length + 1000] ^= 1;
    let nested = good;
    for (let k = 0; k < 3; ++k) nested = zipSync({ 'inner.zip': nested });
    const inputs = { 'picture.png': Buffer.from('89504e470d0a1a0a', 'hex'), 'broken.zip': Buffer.from('PK not a zip'),
      'encrypted.zip': encrypted, 'method.zip': method, 'text.gz': Buffer.from('plain text'), 'bomb.zip': bomb,
      'nested.zip': nested, 'flipped.zip': flipped, 'members.gz': Buffer.concat([gzipSync(fixture('damaged').subarray(0, 5000)),
        gzipSync(fixture('damaged').subarray(5000))]), 'padded.gz': Buffer.concat([gzipSync(fixture('damaged')), Buffer.alloc(4096)]),
      'z-last.d88': fixture('both-sides') };
    for (const [name, bytes] of Object.entries(inputs)) writeFileSync(join(bad, name), bytes);
    const said = (await collect(page, '#choose', Object.keys(inputs).map((name) => join(bad, name)))).lines;
    const expectedLines = [/^picture\.png: Not a D88 image/, /^broken\.zip: not a \.zip that can be read/,
      /^encrypted\.zip\/one\.d88: an encrypted \.zip entry/, /^method\.zip\/one\.d88: a \.zip entry packed by method 12/,
      /^text\.gz: not gzip data/, /^bomb\.zip: a \.zip whose entries would unpack past 1 GiB/,
      /^nested\.zip\/inner\.zip\/inner\.zip\/inner\.zip: a \.zip nested too deep/,
      /^flipped\.zip\/one\.d88: a \.zip entry whose bytes do not match its CRC-32: not extracted$/,
      /^members\.gz: recognised; 3 files/, /^padded\.gz: recognised; 3 files/, /^z-last\.d88: recognised; 7 files/];
    assert.equal(said.length, expectedLines.length, said.join('\n'));
    said.forEach((line, k) => assert.match(line, expectedLines[k]));
    // A file changed after it was chosen cannot be read: the image read
    // with it (the third, with the fourth) is read again on its own, and
    // the worker that failed is replaced, the images it still had (the
    // last) going to the new one.
    const stale = join(bad, 'stale.d88');
    writeFileSync(stale, fixture('damaged'));
    writeFileSync(join(bad, 'copy.d88'), fixture('damaged'));
    await page.evaluate(() => document.body.append(Object.assign(document.createElement('input'),
      { type: 'file', multiple: true, id: 'held' })));
    const held = [join(bad, 'z-last.d88'), join(fixtures, 'damaged/image.d88'), join(bad, 'copy.d88')];
    await page.setInputFiles('#held', [...held, stale, ...held]);
    writeFileSync(stale, 'changed');
    await page.evaluate(() => {
      delete document.body.dataset.stage;
      const chooser = document.getElementById('choose');
      chooser.files = document.getElementById('held').files;
      chooser.dispatchEvent(new Event('change'));
    });
    await page.waitForFunction(() => document.body.dataset.stage === 'done');
    const afterFailure = await page.$$eval('#images li', (items) => items.map((item) => item.textContent));
    const fine = [/^z-last\.d88: recognised; 7 files/, /^image\.d88: recognised; 3 files/, /^copy\.d88: recognised; 3 files/];
    assert.equal(afterFailure.length, 7, afterFailure.join('\n'));
    [...fine, /^stale\.d88: The extraction of stale\.d88 stopped: NotReadableError/, ...fine]
      .forEach((line, k) => assert.match(afterFailure[k], line));
    // One .zip or one .gz chosen alone is a collection of what it holds.
    for (const [name, bytes] of [['alone.zip', zipSync({ 'a.d88': fixture('damaged') })],
      ['alone.d88.gz', gzipSync(fixture('damaged'))]]) {
      writeFileSync(join(bad, name), bytes);
      const alone = await collect(page, '#choose', [join(bad, name)]);
      assert.equal(alone.lines.length, 1, name);
      assert.match(alone.lines[0], /: recognised; 3 files/, name);
      assert.ok('manifest.csv' in alone.files, name);
    }
    // Names as the archive holds them: Shift_JIS not flagged UTF-8 (ゲーム,
    // 83 51 81 5B 83 80), and local headers with extra fields of their own.
    const sjis = Buffer.from(zipSync({ 'xxxxxx.d88': [fixture('damaged'), { extra: { 0x5455: new Uint8Array(9) } }] }));
    assert.ok(sjis.readUInt16LE(28) > 0); // the local header's extra field
    for (let at = sjis.indexOf('xxxxxx'); at >= 0; at = sjis.indexOf('xxxxxx', at + 1)) {
      Buffer.from('835181 5b8380'.replace(' ', ''), 'hex').copy(sjis, at);
    }
    writeFileSync(join(bad, 'sjis.zip'), sjis);
    const named = await collect(page, '#choose', [join(bad, 'sjis.zip')]);
    assert.match(named.lines[0], /^sjis\.zip\/ゲーム\.d88: recognised; 3 files in "sjis - ゲーム"/);
    assert.deepEqual(checksums(Object.fromEntries(Object.entries(named.files)
      .filter(([path]) => path.startsWith('sjis - ゲーム/')).map(([path, bytes]) => [path.slice(11), bytes]))),
    Object.fromEntries(readFileSync(join(fixtures, 'damaged/files.sha256')).toString('latin1').split('\n')
      .filter(Boolean).map((line) => line.match(/^(\w{64})  (.*)$/)).map(([, hash, name]) => [name, hash])));
    // Folders as Windows tells names apart; a .gz named in capitals.
    const cases = join(work, 'cases');
    mkdirSync(cases);
    writeFileSync(join(cases, 'disk.d88'), fixture('damaged'));
    writeFileSync(join(cases, 'DISK.d88'), fixture('damaged'));
    writeFileSync(join(cases, 'GAME.D88.GZ'), gzipSync(fixture('damaged')));
    const caseManifest = JSON.parse(Buffer.from((await collect(page, '#choose-folder', cases)).files['manifest.json']));
    assert.deepEqual(caseManifest.filter((row) => row.kind === 'image').map((row) => row.folder).sort(),
      ['DISK (2)', 'GAME', 'disk'].sort());
    // A cell that holds a quote is quoted with the quote doubled; a name's raw
    // bytes in hex are its bytes.
    // A cell a spreadsheet would run as a formula is made text, in every
    // column; the JSON keeps the exact text.
    const quoted = fixture('both-sides');
    quoted.write('A"B   ', quoted.indexOf('ABC   '), 'latin1');
    for (const [from, to] of [['LOADER', '=1+1  '], ['EMPTY ', '+2+3  '], ['\x89\xb9\x8a\x79\x2e\x31', '-4+5  '],
      ['\xc3\xbd\xc4', '@SUM( ']]) quoted.write(to, quoted.indexOf(from, 0, 'latin1'), 'latin1');
    writeFileSync(join(bad, '=1+2.d88'), quoted);
    const quotedFiles = (await collect(page, '#choose', [join(bad, '=1+2.d88'), join(bad, 'z-last.d88')])).files;
    const csv = Buffer.from(quotedFiles['manifest.csv']).toString();
    assert.match(csv, /,"A""B",412242,/);
    for (const cell of ['=1+1', '+2+3', '-4+5', '@SUM(', '=1+2.d88']) assert.ok(csv.includes(`,"'${cell}",`), cell);
    const quotedRows = JSON.parse(Buffer.from(quotedFiles['manifest.json']));
    assert.deepEqual(['=1+1', '+2+3', '-4+5', '@SUM('].map((name) => quotedRows.some((row) => row.name === name)),
      [true, true, true, true]);
    // Every input has a line and is counted once; folders Windows and unzip
    // can make, never the manifest's, and an archive's name kept.
    const emptyZip = Buffer.from(zipSync({}));
    const foldersOnly = Buffer.from(zipSync({ 'disks/': new Uint8Array(0) }));
    const countZero = Buffer.from(zipSync({ 'a.d88': fixture('damaged') }, { level: 0 }));
    countZero.fill(0, countZero.lastIndexOf('PK\x05\x06') + 8, countZero.lastIndexOf('PK\x05\x06') + 12);
    // The damaged fixture with every name one that is no file: no folder.
    const refusedAll = fixture('damaged');
    for (const name of ['FRONT', 'BACK ', 'CRC  ']) refusedAll[refusedAll.indexOf(name) + 1] = 0x80;
    const oddNames = { 'CON.d88': fixture('damaged'), 'aux.d88': fixture('damaged'), 'com1.d88': fixture('damaged'),
      'LPT9.txt.d88': fixture('damaged'), 'manifest.csv.d88': fixture('damaged'), 'empty.zip': emptyZip,
      'folders.zip': foldersOnly, 'count-zero.zip': countZero, 'trackless.d88': tracklessDisk(),
      'refused-all.d88': refusedAll, 'two-disks.zip': zipSync({ 'disks/a.d88': fixture('damaged'), [`${'x'.repeat(300)}.d88`]: fixture('damaged') }) };
    const namedFolder = join(work, 'named');
    mkdirSync(namedFolder);
    for (const [name, bytes] of Object.entries(oddNames)) writeFileSync(join(namedFolder, name), bytes);
    const namedRun = await collect(page, '#choose', Object.keys(oddNames).map((name) => join(namedFolder, name)));
    assert.equal(namedRun.lines.length, 12, namedRun.lines.join('\n'));
    for (const line of ['empty.zip: a .zip with no file in it', 'folders.zip: a .zip with no file in it',
      "trackless.d88: Nothing was extracted: neither side's directory could be read."]) {
      assert.ok(namedRun.lines.some((said) => said.startsWith(line)), `${line}\n${namedRun.lines.join('\n')}`);
    }
    assert.ok(namedRun.lines.includes('count-zero.zip: a .zip whose count of entries says 0 though its directory is not empty: not opened'));
    assert.match(await page.textContent('#status'), /^12 of 12 done: 0 images extracted, 8 extracted with damaged sectors, 1 recognised with nothing extracted, 3 broken or unreadable\./);
    assert.doesNotMatch(await page.textContent('#status'), /null|undefined/);
    const namedRows = JSON.parse(Buffer.from(namedRun.files['manifest.json'])).filter((row) => row.kind === 'image');
    assert.ok(namedRun.lines.includes('refused-all.d88: recognised; no file to offer, 3 not offered, 2 with unread or damaged sectors, 0 replaced'));
    assert.deepEqual(namedRows.map((row) => row.folder).sort(), ['', '', '', '', '', 'CON_', 'LPT9_.txt', 'aux_', 'com1_',
      'manifest.csv (2)', 'two-disks - a', `two-disks - ${'x'.repeat(88)}`].sort());
    // A Zip64 archive of more than 65,535 entries (folders), its image last.
    const zip64 = join(work, 'zip64.zip');
    assert.equal(spawnSync('/usr/bin/python3', ['-c', 'import sys, zipfile\n' +
      'with zipfile.ZipFile(sys.argv[1], "w") as z:\n' +
      '  for k in range(70000): z.writestr(f"d{k}/", b"")\n' +
      '  with z.open("last.d88", "w", force_zip64=True) as f: f.write(open(sys.argv[2], "rb").read())',
    zip64, join(fixtures, 'damaged/image.d88')]).status, 0);
    const zip64Lines = (await collect(page, '#choose', [zip64])).lines;
    assert.deepEqual(zip64Lines.map((said) => said.slice(0, 33)), ['zip64.zip/last.d88: recognised; 3']);
    const namedZip = join(work, 'named.zip');
    writeFileSync(namedZip, Buffer.from(readFileSync(await savedZip(page))));
    assert.equal(spawnSync('unzip', ['-tq', namedZip]).status, 0);
    // SHA-256 where the browser has none (no secure context): the worker's
    // crypto.subtle taken away.
    const { page: insecure } = await openSite();
    await insecure.addInitScript(() => {
      const Original = Worker;
      window.Worker = function Worker() {
        const source = document.getElementById('worker-source').textContent;
        return new Original(URL.createObjectURL(new Blob(
          ['Object.defineProperty(crypto, "subtle", { value: undefined });\n', source])));
      };
    });
    await insecure.reload();
    const hashed = JSON.parse(Buffer.from((await collect(insecure, '#choose', [join(bad, 'z-last.d88'), join(fixtures, 'damaged/image.d88')])).files['manifest.json']));
    const bothSides = Object.fromEntries(readFileSync(join(fixtures, 'both-sides/files.sha256')).toString('latin1')
      .split('\n').filter(Boolean).map((line) => line.match(/^(\w{64})  (.*)$/)).map(([, hash, name]) => [shiftJis.decode(Buffer.from(name, 'latin1')), hash]));
    for (const row of hashed.filter((r) => r.kind === 'file' && r.image === 'z-last.d88')) {
      assert.equal(row.sha256, bothSides[row.side === 'boot' ? 'IPLMUS' : row.name], row.name);
    }
    // A bag, checked here against RFC 8493's rules: every payload file under
    // data/ in the manifest with its SHA-256, the tag files in the tag
    // manifest, and the payload's octets and files counted. Each image's
    // row gives its size and SHA-256.
    await page.check('#as-bag');
    const bag = (await collect(page, '#choose', [join(bad, 'z-last.d88'), join(fixtures, 'damaged/image.d88')])).files;
    await page.uncheck('#as-bag');
    assert.ok(Object.keys(bag).every((path) => path.startsWith('collection/')));
    const tag = (name) => Buffer.from(bag[`collection/${name}`]).toString();
    assert.equal(tag('bagit.txt'), 'BagIt-Version: 1.0\nTag-File-Character-Encoding: UTF-8\n');
    const payload = Object.keys(bag).filter((path) => path.startsWith('collection/data/'));
    const info = Object.fromEntries(tag('bag-info.txt').trimEnd().split('\n').map((line) => line.split(': ')));
    assert.match(info['Bagging-Date'], /^\d{4}-\d{2}-\d{2}$/);
    assert.match(info['Bag-Software-Agent'], /^d88extract page \d+\.\d+\.\d+$/);
    assert.equal(info['Payload-Oxum'], `${payload.reduce((sum, path) => sum + bag[path].length, 0)}.${payload.length}`);
    const listed = (name) => Object.fromEntries(tag(name).trimEnd().split('\n')
      .map((line) => line.match(/^(\w{64})[ \t]+(.*)$/)).map(([, hash, path]) => [path, hash]));
    assert.deepEqual(listed('manifest-sha256.txt'),
      Object.fromEntries(payload.map((path) => [path.slice('collection/'.length), sha256(bag[path])])));
    assert.deepEqual(listed('tagmanifest-sha256.txt'), Object.fromEntries(['bagit.txt', 'bag-info.txt',
      'manifest-sha256.txt'].map((name) => [name, sha256(bag[`collection/${name}`])])));
    const imageRow = JSON.parse(Buffer.from(bag['collection/data/manifest.json']))
      .find((row) => row.kind === 'image' && row.image === 'image.d88');
    assert.deepEqual([imageRow.size, imageRow.sha256], [18368, sha256(readFileSync(join(fixtures, 'damaged/image.d88')))]);
    // Each file's sectors and their states, as the damaged fixture's builder
    // placed them: runs of one state, in the JSON and in the CSV.
    const runsOf = (name) => JSON.parse(Buffer.from(bag['collection/data/manifest.json']))
      .find((row) => row.image === 'image.d88' && row.name === name).sectors;
    assert.deepEqual(runsOf('CRC'), [{ start: [2, 1], end: [2, 1], state: 'read' },
      { start: [2, 2], end: [2, 2], state: 'damaged' }, { start: [2, 3], end: [2, 3], state: 'read' }]);
    assert.deepEqual(runsOf('BACK').map((run) => run.state), ['read', 'missing', 'read']);
    assert.deepEqual(runsOf('FRONT'), [{ start: [5, 1], end: [5, 2], state: 'read' }]);
    const bagCsv = Buffer.from(bag['collection/data/manifest.csv']).toString();
    assert.match(bagCsv, /,CRC,[^\r]*,02 01 read; 02 02 damaged; 02 03 read\r\n/);
    assert.match(bagCsv, /,FRONT,[^\r]*,05 01-05 02 read\r\n/);
    // A zip past the size at which its bytes go to a Blob: every file once,
    // each as the image holds it.
    const many = join(work, 'many');
    mkdirSync(many);
    const sample = join(work, 'many-sample.d88');
    assert.equal(spawnSync(join(native, 'builder/d88-make-sample'), [sample]).status, 0);
    const sampleFiles = Object.values(nativeRun(sample).files).sort();
    for (let k = 0; k < 52; ++k) writeFileSync(join(many, `s${String(k).padStart(2, '0')}.d88`), readFileSync(sample));
    await collect(page, '#choose-folder', many);
    const bigZip = readFileSync(await savedZip(page));
    assert.ok(bigZip.length > 16 * 1024 * 1024);
    const unpacked = unzipSync(bigZip);
    assert.equal(bigZip.toString('latin1').split('PK\x01\x02').length - 1, Object.keys(unpacked).length);
    for (let k = 0; k < 52; ++k) {
      const folder = `s${String(k).padStart(2, '0')}/`;
      const inFolder = Object.entries(unpacked).filter(([path]) => path.startsWith(folder)).map(([, b]) => sha256(b));
      assert.deepEqual(inFolder.sort(), sampleFiles, folder);
    }
    // Past 65,535 entries the zip is Zip64, which each tool unpacks whole
    // and without a warning: 206 images of 322 files each (side 0's 320
    // entries made one-sector files) and the manifest, 66,334 entries.
    const crowded = readFileSync(join(fixtures, 'both-sides/image.d88'));
    const directory = crowded.indexOf('m.0000');
    for (let k = 0; k < 320; ++k) {
      const at = directory + Math.floor(k / 64) * (16 + 1024) + (k % 64) * 16;
      crowded.write(`A${String(k).padStart(5, '0')}`, at, 'latin1');
      crowded.fill(0x80, at + 6, at + 12);
      crowded.set([2, 1, 2, 1], at + 12);
    }
    const crowd = join(work, 'crowd');
    mkdirSync(crowd);
    writeFileSync(join(crowd, 'c000.d88'), crowded);
    for (let k = 1; k < 206; ++k) spawnSync('ln', [join(crowd, 'c000.d88'), join(crowd, `c${String(k).padStart(3, '0')}.d88`)]);
    const crowdLines = (await collect(page, '#choose-folder', crowd)).lines;
    assert.equal(crowdLines.filter((said) => / recognised; 322 files /.test(said)).length, 206);
    const crowdZip = join(work, 'crowd.zip');
    writeFileSync(crowdZip, readFileSync(await savedZip(page)));
    const end = readFileSync(crowdZip).subarray(-98);
    assert.deepEqual([end.readUInt32LE(0), end.readBigUInt64LE(24), end.readUInt32LE(56), end.readUInt16LE(84)],
      [0x06064b50, 66334n, 0x07064b50, 0xffff]);
    assert.equal(spawnSync('unzip', ['-tq', crowdZip]).status, 0);
    assert.equal(spawnSync('bsdtar', ['-tf', crowdZip]).stdout.toString().split('\n').length - 1, 66334);
    const sevenZip = spawnSync('7zz', ['t', crowdZip]).stdout.toString();
    assert.match(sevenZip, /Files: 66334\n/);
    assert.doesNotMatch(sevenZip, /Warning|Error/i);
    // Stop: the image under way is finished, what is done is kept, and the
    // page says it stopped.
    const stopping = join(work, 'stopping');
    mkdirSync(stopping);
    for (let k = 0; k < 300; ++k) writeFileSync(join(stopping, `t${String(k).padStart(3, '0')}.d88`), readFileSync(sample));
    // Sent to a file mid-way (the save picker stands in for the person's
    // choice), what was made before and after goes there, in order. The
    // file takes nothing until the stop is asked for, so the collection
    // waits for it, however fast the machine.
    await page.evaluate(() => {
      const stopped = new Promise((resolve) => { window.stopped = resolve; });
      window.showSaveFilePicker = async () => ({ name: 'picked.zip', createWritable: async () => {
        const parts = [];
        // Like a file, it keeps a copy of each write.
        return new WritableStream({ write: async (part) => { await stopped; parts.push(new Blob([part])); },
          close: () => { window.picked = new Blob(parts); } });
      } });
      delete document.body.dataset.stage;
    });
    await page.setInputFiles('#choose-folder', stopping);
    await page.waitForFunction(() => document.querySelectorAll('#images li').length > 0);
    await page.click('#to-file');
    await page.waitForFunction(() => document.querySelectorAll('#images li').length > 2);
    await page.click('#stop');
    await page.evaluate(() => window.stopped());
    await page.waitForFunction(() => document.body.dataset.stage === 'done');
    const stoppedLines = await page.$$eval('#images li', (items) => items.length);
    assert.ok(stoppedLines < 300, `${stoppedLines} lines`);
    assert.match(await page.textContent('#status'),
      new RegExp(`^${stoppedLines} of \\d+ done, then stopped as asked.*The zip is in picked\\.zip\\.$`));
    assert.ok(await page.isHidden('#zip'));
    const [picked] = await Promise.all([page.waitForEvent('download'), page.evaluate(() => {
      const link = Object.assign(document.createElement('a'), { href: URL.createObjectURL(window.picked), download: 'p.zip' });
      link.click();
    })]);
    const stoppedFolders = new Set(Object.keys(unzipSync(readFileSync(await picked.path())))
      .filter((path) => path.includes('/')).map((path) => path.split('/')[0]));
    assert.equal(stoppedFolders.size, stoppedLines);
    assert.equal(spawnSync('unzip', ['-tq', await picked.path()]).status, 0);
    // A .gz that would unpack past 1 GiB is refused with its reason.
    // Made from the members of a stream of zeros, each MiB flushed alike:
    // a MiB more than the limit, in 4.6 MB.
    const bombGz = join(work, 'bomb.d88.gz');
    const gzip = createGzip({ level: 1 });
    const flushed = [];
    gzip.on('data', (chunk) => flushed.push(chunk));
    const mib = async () => {
      gzip.write(Buffer.alloc(1 << 20));
      await new Promise((resolve) => gzip.flush(zlibConstants.Z_SYNC_FLUSH, resolve));
      return Buffer.concat(flushed.splice(0));
    };
    const first = await mib();
    const next = await mib();
    assert.deepEqual(await mib(), next);
    writeFileSync(bombGz, Buffer.concat([first, ...Array(1024).fill(next)]));
    const bombLines = (await collect(page, '#choose', [bombGz])).lines;
    assert.deepEqual(bombLines, ['bomb.d88.gz: a .gz that would unpack past 1 GiB: not opened']);
    assert.deepEqual(errors, []);
  });

test('a 64 MiB hostile image finishes while the page goes on answering', async () => {
  const { page, errors } = await openSite();
  const image = join(work, 'junk.d88');
  const make = spawnSync(join(native, 'builder/d88-make-worst-case'), ['junk-before-volume', '64', image]);
  assert.equal(make.status, 0);
  await page.setInputFiles('#choose', image);
  // Were the extraction on the page's own thread, no answer could come
  // between its start and its end.
  let answeredWhileExtracting = false;
  for (;;) {
    const { stage, progress } = await page.evaluate(() => ({
      stage: document.body.dataset.stage, progress: !document.getElementById('progress').hidden }));
    if (stage === 'extracting') answeredWhileExtracting ||= progress;
    if (stage !== 'reading' && stage !== 'extracting') {
      assert.equal(stage, 'done');
      break;
    }
  }
  assert.ok(answeredWhileExtracting);
  assert.ok((await page.textContent('#status')).includes('3 files ready'));
  // The same image in a .zip and a .gz, each read whole.
  const whole = readFileSync(image);
  const packed = { 'junk.zip': zipSync({ 'junk.d88': whole }, { level: 0 }), 'junk.d88.gz': gzipSync(whole, { level: 1 }) };
  for (const [name, bytes] of Object.entries(packed)) writeFileSync(join(work, name), bytes);
  const { lines, files } = await collect(page, '#choose', Object.keys(packed).map((name) => join(work, name)));
  assert.deepEqual(lines.map((line) => line.match(/^[^:]*: recognised; 3 files/)?.[0]),
    ['junk.zip/junk.d88: recognised; 3 files', 'junk.d88.gz: recognised; 3 files']);
  assert.deepEqual(JSON.parse(Buffer.from(files['manifest.json'])).filter((row) => row.kind === 'image')
    .map((row) => row.size), [whole.length, whole.length]);
  assert.deepEqual(errors, []);
});

test('served by a static web host as well', async () => {
  const html = readFileSync(process.env.D88_SITE);
  const server = createServer((request, response) => response.end(html));
  await new Promise((resolve) => server.listen(0, '127.0.0.1', resolve));
  sites.push(`http://127.0.0.1:${server.address().port}/`);
  try {
    const { page, errors } = await openSite(sites.at(-1));
    assert.equal(await extract(page, join(fixtures, 'both-sides/image.d88'), 'drop'), 'done');
    assert.equal(Object.keys(await zipEntries(page)).length, 7);
    assert.deepEqual(errors, []);
  } finally {
    server.close();
  }
});

test('no request beyond the site itself', () => {
  const own = requests.filter((url) => sites.includes(url) || /^(blob|data):/.test(url));
  assert.ok(requests.length > 0);
  assert.deepEqual(requests, own);
});
