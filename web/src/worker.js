// The page's worker: runs the extraction on one image, so that a huge or
// hostile image never holds up the page, and posts every value it makes.
// Its script follows the compiled core (loadCore) and shift_jis.js.
'use strict';

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
// The core is made ready as soon as the worker starts, before an image comes.
const coreReady = loadCore({
  onMessage: (key, bytes) => { messages[key] = decodeShiftJis(bytes).shown; },
  onImage: (found) => post({ type: 'image', found, messages }),
  onSummary: (summary) => { summaryOfRun = summary; },
  onSectors: (read) => { sectors[read.side] = read; },
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

const kFirstRead = 2 * 1024 * 1024;

// Reads the image straight into the core's memory from `done` on, in slices,
// saying how far it has got: the page holds no copy of its own.
async function readInto(file, at, length, done) {
  const kSlice = 8 * 1024 * 1024;
  while (done < length) {
    const slice = new Uint8Array(await file.slice(done, Math.min(done + kSlice, length)).arrayBuffer());
    core.HEAPU8.set(slice, at + done);
    done += slice.length;
    post({ type: 'progress', done });
  }
}

// One image at a time; a collection's images go through one worker, each
// image's memory given back before the next.
async function extract(file, firstRead) {
  await coreReady;
  core.wantSectors = wantSectors;
  values = [];
  sectors.length = 0;
  summaryOfRun = null;
  // Only what the extraction can use: the first disk, or its header alone
  // when that is no D88 header. A file of 64 disks costs one. The first read
  // holds a whole floppy disk's image, so most images take one read.
  const first = new Uint8Array(await firstRead);
  const probe = core._malloc(688);
  core.HEAPU8.set(first.subarray(0, 688), probe);
  const length = Math.min(file.size, core._d88UsableBytes(probe, Math.min(first.length, 688)));
  core._free(probe);
  const at = length ? core._malloc(length) : 0;
  if (length && !at) {
    post({ type: 'failed', reason: 'memory' });
    return;
  }
  try {
    core.HEAPU8.set(first.subarray(0, length), at);
    await readInto(file, at, length, Math.min(first.length, length));
    post({ type: 'stage', stage: 'extracting' });
    core._d88Extract(at, length);
  } finally {
    if (at) core._free(at);
  }
  // A collection's manifest has every file's SHA-256: made here, the page
  // has less to do while the next image is extracted.
  if (!wantSectors && crypto.subtle) {
    await Promise.all(values.filter((value) => value.kind !== 1 && value.verdict === 0).map(async (value) => {
      const digest = new Uint8Array(await crypto.subtle.digest('SHA-256', value.bytes));
      value.sha256 = Array.from(digest, (n) => n.toString(16).padStart(2, '0')).join('');
    }));
  }
  const buffers = [...values, ...sectors.filter(Boolean)].map((value) => value.bytes.buffer);
  post({ type: 'done', values, sectors, summary: summaryOfRun, heap: core.HEAPU8.length }, buffers);
}

// A File or Blob for an image shown on its own; {image, collection: true}
// for one of a collection, which needs no map of its sectors. A collection's
// images come one after another: each one's file is read as soon as it
// comes, while the image before it is still being extracted.
let queue = coreReady;
onmessage = (event) => {
  const { image, collection } = event.data instanceof Blob ? { image: event.data } : event.data;
  // A floppy disk's image is read whole: a slice of it would cost a call to
  // the browser of its own.
  const firstRead = (image.size <= kFirstRead ? image : image.slice(0, kFirstRead)).arrayBuffer();
  firstRead.catch(() => {}); // said in its turn, by extract
  queue = queue.then(() => {
    wantSectors = !collection;
    return extract(image, firstRead);
  }).catch((error) => {
    // A failed allocation aborts the core; a file that cannot be read is the
    // other failure expected here.
    const memory = /memory|alloc|OOM/i.test(String(error));
    post({ type: 'failed', reason: memory ? 'memory' : 'error', detail: String(error) });
  });
};
