// A collection: several images, folders, .zip archives and gzipped images,
// extracted one at a time by one worker into one zip that holds a folder per
// image, with exactly what the command line writes on Windows, and a manifest.
'use strict';

const kMaxInflated = 1024 ** 3; // what one .zip or .gz may unpack to, in all
const kMaxZipDepth = 3; // a .zip in a .zip in a .zip, and no deeper
const kBlobFold = 16 * 1024 * 1024; // zip bytes held in the page before they go to a Blob

let collection = null;

// --- what was chosen or dropped ---------------------------------------------

// The files of dropped folders, with their paths, read entry by entry.
async function droppedFiles(items) {
  const files = [];
  const walk = async (entry) => {
    if (entry.isFile) {
      files.push({ path: entry.fullPath.replace(/^\//, ''), blob: await new Promise(
        (resolve, reject) => entry.file(resolve, reject)) });
      return;
    }
    const reader = entry.createReader();
    for (let batch; (batch = await new Promise((resolve, reject) => reader.readEntries(resolve, reject))).length;) {
      for (const child of batch) await walk(child);
    }
  };
  for (const entry of items.map((item) => item.webkitGetAsEntry()).filter(Boolean)) await walk(entry);
  return files;
}

// Each image in what was given, as {path, blob}, or {path, problem} for what
// cannot give one; archives opened on the way.
async function* imagesIn(files) {
  for (const { path, blob } of files) yield* expand(path, blob, 0);
}

async function* expand(path, blob, depth) {
  if (/\.zip$/i.test(path)) yield* zipEntries(path, blob, depth);
  else if (/\.gz$/i.test(path)) yield await gunzipped(path, blob);
  else yield { path, blob };
}

// The entries of a .zip's central directory; throws if there is none.
function centralDirectory(bytes) {
  const view = new DataView(bytes.buffer, bytes.byteOffset, bytes.byteLength);
  let end = bytes.length - 22;
  while (end >= Math.max(0, bytes.length - 65557) && view.getUint32(end, true) !== 0x06054b50) --end;
  if (end < Math.max(0, bytes.length - 65557)) throw new Error('no central directory');
  const entries = [];
  let at = view.getUint32(end + 16, true);
  for (let k = view.getUint16(end + 10, true); k > 0; --k) {
    if (view.getUint32(at, true) !== 0x02014b50) throw new Error('broken central directory');
    const flags = view.getUint16(at + 8, true);
    const nameLength = view.getUint16(at + 28, true);
    const raw = bytes.subarray(at + 46, at + 46 + nameLength);
    // Names not flagged UTF-8 are most often Shift_JIS here (Japanese Windows).
    const name = flags & 0x800 ? new TextDecoder().decode(raw)
      : decodeShiftJis(raw).characters ?? String.fromCharCode(...raw);
    entries.push({ name, encrypted: (flags & 1) !== 0, method: view.getUint16(at + 10, true),
      packed: view.getUint32(at + 20, true), size: view.getUint32(at + 24, true),
      local: view.getUint32(at + 42, true) });
    at += 46 + nameLength + view.getUint16(at + 30, true) + view.getUint16(at + 32, true);
  }
  return entries;
}

// An entry's bytes, never more than the directory says it holds.
function entryBytes(bytes, entry) {
  const view = new DataView(bytes.buffer, bytes.byteOffset, bytes.byteLength);
  if (view.getUint32(entry.local, true) !== 0x04034b50) throw new Error('broken entry');
  const start = entry.local + 30 + view.getUint16(entry.local + 26, true) +
    view.getUint16(entry.local + 28, true);
  const packed = bytes.subarray(start, start + entry.packed);
  if (packed.length !== entry.packed) throw new Error('cut entry');
  return entry.method === 0 ? packed.slice(0, entry.size)
    : fflate.inflateSync(packed, { out: new Uint8Array(entry.size) });
}

async function* zipEntries(path, blob, depth) {
  if (depth >= kMaxZipDepth) {
    yield { path, problem: words.zipTooDeep };
    return;
  }
  let bytes;
  let entries;
  try {
    bytes = new Uint8Array(await blob.arrayBuffer());
    entries = centralDirectory(bytes);
  } catch {
    yield { path, problem: words.brokenZip };
    return;
  }
  const files = entries.filter((entry) => !entry.name.endsWith('/'));
  if (files.reduce((sum, entry) => sum + entry.size, 0) > kMaxInflated) {
    yield { path, problem: words.zipBomb };
    return;
  }
  for (const entry of files) {
    const inner = `${path}/${entry.name}`;
    if (entry.encrypted) yield { path: inner, problem: words.encrypted };
    else if (entry.method !== 0 && entry.method !== 8) yield { path: inner, problem: words.zipMethod(entry.method) };
    else {
      let data;
      try {
        data = entryBytes(bytes, entry);
      } catch {
        yield { path: inner, problem: words.brokenZip };
        continue;
      }
      yield* expand(inner, new Blob([data]), depth + 1);
    }
  }
}

async function gunzipped(path, blob) {
  const parts = [];
  try {
    const reader = blob.stream().pipeThrough(new DecompressionStream('gzip')).getReader();
    for (let total = 0; ;) {
      const { done, value } = await reader.read();
      if (done) break;
      total += value.length;
      if (total > kMaxInflated) {
        await reader.cancel();
        return { path, problem: words.gzipBomb };
      }
      parts.push(value);
    }
  } catch {
    return { path, problem: words.notGzip };
  }
  return { path, blob: new Blob(parts) };
}

// --- the run ----------------------------------------------------------------

// game.d88, game.d88.gz and GAME.D88 all give "game"; a second "game" in
// the same collection "game (2)", as Windows names would not tell them apart.
function folderFor(path, taken) {
  const base = path.split('/').pop().replace(/\.gz$/i, '').replace(/\.[^.]*$/, '')
    .replace(/[<>:"/\\|?*\x00-\x1f]/g, '_').replace(/[. ]+$/, '') || 'image';
  let folder = base;
  for (let k = 2; taken.has(windowsFold(folder)); ++k) folder = `${base} (${k})`;
  taken.add(windowsFold(folder));
  return folder;
}

// The zip, made as the images come: its bytes go to Blobs as they grow, so
// the page holds no more than the current image and a few MiB of it.
function streamingZip() {
  const blobs = [];
  let parts = [];
  let held = 0;
  const fold = () => {
    blobs.push(new Blob([joined(parts)]));
    parts = [];
    held = 0;
  };
  const zip = new fflate.Zip((error, chunk) => {
    if (error) throw error;
    parts.push(chunk);
    held += chunk.length;
    if (held > kBlobFold) fold();
  });
  const mtime = new Date();
  return {
    add(name, bytes, crc) {
      addToZip(zip, name, bytes, crc, mtime);
    },
    end() {
      zip.end();
      fold();
      return new Blob(blobs, { type: 'application/zip' });
    },
  };
}

// The collection's worker. It is given the next image before it is done
// with one, so that it reads the one while it extracts the other, and it
// answers in order. One that fails is replaced, and the images it still had
// go to the new one; with none left, the next image starts a new one, so a
// worker that cannot even start is not started again and again.
function imageWorker() {
  const waiting = [];
  let worker = null;
  const start = () => {
    const own = new Worker(workerUrl);
    worker = own;
    own.onmessage = ({ data }) => {
      if (worker !== own) return;
      if (data.type === 'image') waiting[0].found = data.found;
      if (data.type === 'done') waiting[0].done = data;
      if (data.type === 'disks') {
        const { found, done, resolve } = waiting.shift();
        resolve({ found, values: done.values, summary: done.summary, diskCount: data.diskCount,
          heap: done.heap });
      }
      if (data.type === 'failed') fail(data.detail || data.reason);
    };
    own.onerror = (event) => {
      event.preventDefault();
      if (worker === own) fail(event.message || words.workerFailed);
    };
    for (const { blob } of waiting) own.postMessage({ image: blob, collection: true });
  };
  const fail = (why) => {
    waiting.shift()?.resolve({ failed: why });
    worker.terminate();
    worker = null;
    if (waiting.length) start();
  };
  start();
  return {
    extract: (blob) => new Promise((resolve) => {
      waiting.push({ blob, resolve });
      if (worker) worker.postMessage({ image: blob, collection: true });
      else start();
    }),
    terminate: () => worker?.terminate(),
  };
}

const hexOf = (bytes) => Array.from(bytes, hex2).join('');

const kOutcomeOf = { unsafeName: 'not written: unsafe name', outsideVolume: 'not written: outside the disk',
  windowsName: 'not offered: Windows does not allow the name', semicolon: 'not offered: final ";"' };

// One recognised image into the zip and the manifest; its counts.
function takeImage(path, folder, values, summary) {
  const files = new Map();
  const rows = [];
  let notOffered = 0;
  let replaced = 0;
  for (const value of values.filter((v) => v.kind === 0 || v.kind === 2)) {
    const refusal = refusalOf(value);
    const row = { kind: 'file', image: path, folder, side: value.kind === 2 ? 'boot' : value.side,
      name: value.characters ?? value.shown, nameBytes: hexOf(value.name),
      start: value.kind === 2 ? '' : value.start.map(hex2).join(' '),
      end: value.kind === 2 ? '' : value.end.map(hex2).join(' '), size: value.size,
      outcome: refusal ? kOutcomeOf[refusal] : 'ready', sha256: '' };
    if (refusal) notOffered += 1;
    else {
      const { earlier } = place(files, value);
      if (earlier) {
        replaced += 1;
        for (const { manifestRow } of earlier.values) manifestRow.outcome = 'replaced by a later file of the same name';
      }
      value.manifestRow = row;
      row.sha256 = value.sha256 ?? '';
      if (value.damage) row.outcome += `; ${['', 'unread', 'damaged', 'unread and damaged'][value.damage]} sectors`;
    }
    rows.push(row);
  }
  for (const file of files.values()) collection.zip.add(`${folder}/${file.name}`, file.bytes, file.crc);
  collection.manifest.push(...rows);
  return { offered: files.size, notOffered, damaged: summary.damaged, replaced };
}

// The lines and the progress reach the page five times a second at most:
// drawn for each image, they took longer than its extraction.
const kDrawEvery = 200; // ms

function collectionLine(current, path, text, bad) {
  current.undrawn.push(element('li', { className: bad ? 'refused' : '' },
    element('span', { className: 'name' }, path), ': ', text));
  drawSoon(current);
}

function drawSoon(current) {
  current.drawing ??= setTimeout(() => draw(current), kDrawEvery);
}

function draw(current) {
  clearTimeout(current.drawing);
  current.drawing = null;
  if (collection !== current) return;
  $('images').append(...current.undrawn.splice(0));
  setStatus(element('p', {}, words.collectionProgress(current.done, current.found,
    sizeInWords(current.bytes), current.now)));
}

// An image that gave no files: its line and its row of the manifest.
function imageWithout(current, path, outcome) {
  collectionLine(current, path, outcome, true);
  current.manifest.push({ kind: 'image', image: path, outcome });
}

// What the worker made of one image, into the zip and the manifest.
function fileResult(current, image, result) {
  current.done += 1;
  current.bytes += image.blob.size;
  current.peakHeap = Math.max(current.peakHeap, result.heap ?? 0);
  if (result.failed) return imageWithout(current, image.path, words.extractionStopped(image.path, result.failed));
  if (!result.found.recognised) return imageWithout(current, image.path, refusedWhy(result.found));
  const folder = folderFor(image.path, current.folders);
  const counts = takeImage(image.path, folder, result.values, result.summary);
  const disks = result.diskCount > 1 ? words.fullStop + words.otherDisks(result.diskCount) : '';
  const outcome = words.imageCounts(counts, folder) + disks;
  collectionLine(current, image.path, outcome, false);
  current.manifest.push({ kind: 'image', image: image.path, folder, outcome });
}

async function runCollection(files) {
  performance.mark('d88:chosen');
  worker?.terminate();
  worker = null;
  hideInspector();
  for (const id of ['listing', 'actions']) $(id).hidden = true;
  $('rows').replaceChildren();
  $('images').replaceChildren();
  $('collection').hidden = false;
  $('stop').hidden = false;
  setStage('reading');
  collection = { stop: false, zip: streamingZip(), folders: new Set(), manifest: [], found: 0, done: 0, bytes: 0,
    peakHeap: 0, undrawn: [], drawing: null, now: '' };
  const current = collection;
  const images = imageWorker();
  // In order, the images given to the worker and what could not be an image:
  // the lines keep the collection's order. The worker has two at most, one
  // extracted and the next read, while the page files the one before.
  const pending = [];
  const fileOldest = async () => {
    const { image, result } = pending.shift();
    if (image.problem) imageWithout(current, image.path, image.problem);
    else {
      const answer = await result;
      if (collection === current) fileResult(current, image, answer);
    }
  };
  const given = () => pending.filter(({ result }) => result).length;
  for await (const image of imagesIn(files)) {
    // Stopped, or left for another choice: what is done is kept.
    if (current.stop || collection !== current) break;
    current.found += 1;
    pending.push({ image, result: image.problem ? null : images.extract(image.blob) });
    current.now = image.path;
    drawSoon(current);
    while (collection === current && pending.length && (given() > 2 || pending[0].image.problem)) {
      await fileOldest();
    }
  }
  while (collection === current && pending.length) await fileOldest();
  images.terminate();
  finishCollection(current);
}

// The manifest, as CSV (UTF-8 with a byte-order mark, for spreadsheets on
// Windows) and as JSON, at the top of the zip.
function manifestFiles(rows) {
  const columns = ['kind', 'image', 'folder', 'side', 'name', 'nameBytes', 'start', 'end', 'size',
    'outcome', 'sha256'];
  const cell = (value) => {
    const text = String(value ?? '');
    return /[",\r\n]/.test(text) ? `"${text.replaceAll('"', '""')}"` : text;
  };
  const csv = '\ufeff' + [columns, ...rows.map((row) => columns.map((c) => row[c]))]
    .map((cells) => cells.map(cell).join(',')).join('\r\n') + '\r\n';
  return { 'manifest.csv': fflate.strToU8(csv), 'manifest.json': fflate.strToU8(JSON.stringify(rows, null, 1)) };
}

function finishCollection(current) {
  if (collection !== current) return; // another image or collection was chosen meanwhile
  for (const [name, bytes] of Object.entries(manifestFiles(current.manifest))) current.zip.add(name, bytes);
  const zip = current.zip.end();
  draw(current);
  $('stop').hidden = true;
  setStatus(element('p', {}, words.collectionDone(current.done, current.found, current.stop)));
  run = { imageName: 'collection.zip', zipBlob: zip };
  $('actions').hidden = false;
  performance.mark('d88:zip-ready');
  setStage('done');
}

$('stop').addEventListener('click', () => {
  if (collection) collection.stop = true;
});
