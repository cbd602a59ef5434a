// The page's worker: runs the extraction on one image, so that a huge or
// hostile image never holds up the page, and posts every value it makes
// (protocol.js says what it answers). Its script follows the compiled core,
// which defines loadCore.
/* global loadCore */
import { sha256 } from '@noble/hashes/sha2.js';
import { bytesToHex } from '@noble/hashes/utils.js';
import { gunzipped } from './gunzip.js';
import { decodeShiftJis } from './shift_jis.js';

const post = (message, transfer) => postMessage(message, transfer || []);

// Windows' rules, applied by the core, for a name as characters.
function isWindowsName(core, characters) {
  if (characters === null) return false; // no name Windows can hold
  const at = core._malloc(2 * characters.length + 2);
  for (let i = 0; i < characters.length; ++i) core.HEAPU16[(at >> 1) + i] = characters.charCodeAt(i);
  const safe = core._d88IsWindowsName(at, characters.length) === 1;
  core._free(at);
  return safe;
}

const messages = {};
let core = null;
// Values go to the page together, their files' buffers handed over, not copied.
let values = [];
let summaryOfRun = null;
let wantSectors = true;
// What became of each sector read, by side (2: the boot read), with the bytes.
const sectors = [];
// Every track's records as the image stores them, for the map.
let tracks = [];
// The core is made ready as soon as the worker starts, before an image comes.
const coreReady = loadCore({
  onMessage: (key, bytes) => { messages[key] = decodeShiftJis(bytes).shown; },
  onImage: (found) => post({ type: 'image', found, messages }),
  onSummary: (summary) => { summaryOfRun = summary; },
  onSectors: (read) => { sectors[read.side] = read; },
  onTrack: (track) => { tracks.push(track); },
  onValue: (value) => {
    const name = decodeShiftJis(value.name);
    value.shown = name.shown;
    value.characters = name.characters;
    value.windowsName = value.verdict === 0 && isWindowsName(core, name.characters);
    values.push(value);
  },
  print: () => {},
  printErr: () => {},
}).then((module) => {
  core = module;
  core._d88HandMessages();
});

// A floppy disk's image is read whole as soon as it comes, while the image
// before it is still being extracted: most images take one read. A larger
// one is read by ranges as the core asks, so that the worker holds a few
// windows of it whatever its size, and reads what the command line reads
// of the same file, no more and no less.
const kWholeRead = 2 * 1024 * 1024;
const kReadOn = 1024 * 1024;

// The core's reads of the image: from its bytes when they are at hand, else
// from the file. A read that goes on where the last one ended takes a MiB,
// as a disk's tracks are read one after another: few calls to the browser.
function rangesOf(file, whole) {
  const fileReader = whole ? null : new FileReaderSync();
  let block = whole ?? new Uint8Array(0);
  let blockStart = 0;
  let failure = null;
  const read = (position, dest, length) => {
    const inBlock = position >= blockStart && position + length <= blockStart + block.length;
    if (!whole && !inBlock && position < file.size) {
      const size = position === blockStart + block.length ? Math.max(kReadOn, length) : length;
      try {
        block = new Uint8Array(fileReader.readAsArrayBuffer(file.slice(position, position + size)));
      } catch (error) {
        // Said once the core is back: thrown through it, it would leave the
        // core's own stack as it was mid-read.
        failure ??= error;
        block = new Uint8Array(0);
      }
      blockStart = position;
    }
    const from = position - blockStart;
    if (from < 0 || from >= block.length) return 0;
    const part = block.subarray(from, Math.min(block.length, from + length));
    core.HEAPU8.set(part, dest);
    return part.length;
  };
  return { read, failure: () => failure };
}

// A collection's files are copied out of the core into buffers of 512 KiB
// (most often one holds all of a floppy disk's files; a MiB held twice that)
// that the page hands back once their bytes are in the zip, to be filled
// again: made anew for each image, the spent ones awaited the garbage
// collector by the hundred MiB, in the page and here. A larger file has a
// buffer of its own.
const kArena = 512 * 1024;
const kSpareArenas = 16;
const spareArenas = [];
let arenas = []; // this image's
let arenaUsed = kArena;
function keepBytes(at, length) {
  if (length > kArena) {
    const own = core.HEAPU8.slice(at, at + length);
    arenas.push(own.buffer);
    return own;
  }
  if (arenaUsed + length > kArena) {
    arenas.push(spareArenas.pop() ?? new ArrayBuffer(kArena));
    arenaUsed = 0;
  }
  const view = new Uint8Array(arenas.at(-1), arenaUsed, length);
  view.set(core.HEAPU8.subarray(at, at + length));
  arenaUsed += length;
  return view;
}

// SHA-256: the browser's own where it has one (a secure context), else a
// JavaScript one; a file too large to have been read whole, a piece at a
// time.
async function sha256Hex(bytes) {
  return bytesToHex(crypto.subtle ? new Uint8Array(await crypto.subtle.digest('SHA-256', bytes)) : sha256(bytes));
}
const kHashPiece = 4 * 1024 * 1024;
async function sha256OfFile(file) {
  const hash = sha256.create();
  for (let at = 0; at < file.size; at += kHashPiece) {
    hash.update(new Uint8Array(await file.slice(at, at + kHashPiece).arrayBuffer()));
  }
  return bytesToHex(hash.digest());
}

// One image at a time; a collection's images go through one worker.
async function extract(file, wholeRead) {
  await coreReady;
  core.wantSectors = wantSectors;
  core.keepBytes = wantSectors ? null : keepBytes;
  arenas = [];
  arenaUsed = kArena;
  values = [];
  sectors.length = 0;
  tracks = [];
  summaryOfRun = null;
  let whole = null;
  try {
    whole = wholeRead ? await wholeRead : null;
  } catch (error) {
    // A .gz that does not unpack: said as what it is, not as a failure.
    if (error.message !== 'gzipBomb' && error.message !== 'notGzip') throw error;
    return post({ type: 'refused', problem: error.message });
  }
  const ranges = rangesOf(file, whole);
  core.readRange = ranges.read;
  post({ type: 'stage', stage: 'extracting' });
  core._d88Extract();
  if (ranges.failure()) {
    core._d88CountDisks(); // closes the image
    throw ranges.failure();
  }
  // A collection's manifest has every file's SHA-256 and the image's: made
  // here, the page has less to do while the next image is extracted.
  let imageSha256;
  if (!wantSectors) {
    await Promise.all(values.filter((value) => value.kind !== 1 && value.verdict === 0).map(async (value) => {
      value.sha256 = await sha256Hex(value.bytes);
    }));
    imageSha256 = whole ? await sha256Hex(whole) : await sha256OfFile(file);
  }
  const buffers = new Set([...values, ...sectors].filter((value) => value?.bytes).map((value) => value.bytes.buffer));
  post({ type: 'done', values, sectors, summary: summaryOfRun, heap: core.HEAPU8.length, imageSha256,
    size: whole?.length ?? file.size, arenas }, [...buffers]);
  arenas = [];
  // Once the files are out: the tracks as recorded, for the map's track
  // view, then each further disk's header, a read of its own.
  if (wantSectors && summaryOfRun) {
    core._d88HandTracks();
    if (ranges.failure()) throw ranges.failure();
    post({ type: 'tracks', tracks });
  }
  const diskCount = core._d88CountDisks();
  core.readRange = null;
  // Its bytes are let go of now: a collection's images, read anew each
  // time, awaited the garbage collector by the dozen. Images read together
  // share theirs, let go of with the last of them.
  if (whole && !whole.heldForNext) whole.buffer.transfer?.(0);
  if (ranges.failure()) throw ranges.failure();
  post({ type: 'disks', diskCount });
}

const readWhole = (image) => (image.size <= kWholeRead
  ? image.arrayBuffer().then((buffer) => new Uint8Array(buffer)) : null);

// A collection's small images come several at a time and are read in one
// go: each read costs the browser far more than its bytes do. Should that
// read fail, each image is read on its own, so that only the one that cannot
// be read says so.
const kTogether = 8 * 1024 * 1024;
function readTogether(images) {
  const sizes = images.map((image) => image.size);
  const total = sizes.reduce((sum, size) => sum + size, 0);
  if (total > kTogether) return images.map(readWhole);
  const all = new Blob(images).arrayBuffer().then((buffer) => (buffer.byteLength === total ? buffer : null), () => null);
  let at = 0;
  return images.map((image, k) => {
    const start = at;
    at += sizes[k];
    const last = k === images.length - 1;
    return all.then((buffer) => (buffer
      ? Object.assign(new Uint8Array(buffer, start, sizes[k]), { heldForNext: !last }) : readWhole(image)));
  });
}

// A File or Blob for an image shown on its own; {image, collection: true}
// for one of a collection, which needs no map of its sectors, with
// gzipped: true for a .gz, unpacked here whole; a large image from a .zip
// comes as its bytes; {together: [File or Blob, ...]} for a collection's
// images read in one go. A collection's images come one after another: each
// one's file is read as soon as it comes, while the image before it is
// still being extracted.
let queue = coreReady;
function enqueue(image, wholeRead, collection) {
  wholeRead?.catch(() => {}); // said in its turn, by extract
  queue = queue.then(() => {
    wantSectors = !collection;
    return extract(image, wholeRead);
  }).catch((error) => {
    // A failed allocation aborts the core; a file that cannot be read is the
    // other failure expected here.
    const memory = /memory|alloc|OOM/i.test(String(error));
    post({ type: 'failed', reason: memory ? 'memory' : 'error', detail: String(error) });
  });
}
onmessage = (event) => {
  if (event.data.spare) {
    spareArenas.push(...event.data.spare.filter((buffer) => buffer.byteLength === kArena));
    spareArenas.length = Math.min(spareArenas.length, kSpareArenas);
    return;
  }
  if (event.data.together) {
    const reads = readTogether(event.data.together);
    event.data.together.forEach((image, k) => enqueue(image, reads[k], true));
    return;
  }
  const { image, collection, gzipped: gz } = event.data instanceof Blob ? { image: event.data } : event.data;
  enqueue(image, image instanceof Uint8Array ? Promise.resolve(image) : gz ? gunzipped(image) : readWhole(image),
    collection);
};
