// What was chosen or dropped, as images: the files of dropped folders, and
// the images inside .zip archives and gzipped files, opened on the way.
import { Gunzip, inflateSync } from 'fflate';
import { decodeShiftJis } from './shift_jis.js';
import { words } from './words.js';

const kMaxInflated = 1024 ** 3; // what one .zip or .gz may unpack to, in all
const kMaxZipDepth = 3; // a .zip in a .zip in a .zip, and no deeper

// The files of dropped folders, with their paths, read entry by entry.
export async function droppedFiles(items) {
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

export const isArchiveName = (path) => /\.(zip|gz)$/i.test(path);

// Each image in what was given, as {path, blob}, or {path, problem} for what
// cannot give one; archives opened on the way.
export async function* imagesIn(files) {
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
  // To the directory's end, as unzip reads it: its count of entries is 16
  // bits, and may say less than it holds.
  const directoryEnd = at + view.getUint32(end + 12, true);
  while (at < directoryEnd) {
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
    : inflateSync(packed, { out: new Uint8Array(entry.size) });
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
  if (!files.length) {
    yield { path, problem: words.emptyArchive };
    return;
  }
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

// A .gz as zcat reads it: the browser's own gunzip for a single member,
// else fflate's, which goes on through every member, and zeros after the
// last one are padding, as gzip takes them.
async function gunzipped(path, blob) {
  try {
    return { path, blob: await nativeGunzip(blob) };
  } catch (error) {
    if (error.message === 'bomb') return { path, problem: words.gzipBomb };
  }
  try {
    return { path, blob: await membersGunzip(blob) };
  } catch (error) {
    return { path, problem: error.message === 'bomb' ? words.gzipBomb : words.notGzip };
  }
}

async function nativeGunzip(blob) {
  const parts = [];
  const reader = blob.stream().pipeThrough(new DecompressionStream('gzip')).getReader();
  for (let total = 0; ;) {
    const { done, value } = await reader.read();
    if (done) break;
    total += value.length;
    if (total > kMaxInflated) {
      await reader.cancel();
      throw new Error('bomb');
    }
    parts.push(value);
  }
  return new Blob(parts);
}

const kGzipPiece = 1024 * 1024;
async function membersGunzip(blob) {
  const parts = [];
  let total = 0;
  const gunzip = new Gunzip((chunk) => {
    total += chunk.length;
    if (total > kMaxInflated) throw new Error('bomb');
    parts.push(chunk);
  });
  for (let at = 0; at < blob.size; at += kGzipPiece) {
    const piece = new Uint8Array(await blob.slice(at, at + kGzipPiece).arrayBuffer());
    try {
      gunzip.push(piece, false);
    } catch (error) {
      // Where a member would start, the rest all zeros: the end. fflate
      // (0.8, pinned) keeps what it has not taken in p, the would-be
      // member's header from v - 1 on.
      const rest = gunzip.p?.subarray(Math.max(0, gunzip.v - 1)) ?? new Uint8Array([1]);
      if (error.code !== 6 || total === 0 || rest.some((b) => b !== 0) ||
          !(await zerosFrom(blob, at + kGzipPiece))) throw error;
      return new Blob(parts);
    }
  }
  gunzip.push(new Uint8Array(0), true);
  return new Blob(parts);
}

async function zerosFrom(blob, at) {
  for (; at < blob.size; at += kGzipPiece) {
    if (new Uint8Array(await blob.slice(at, at + kGzipPiece).arrayBuffer()).some((b) => b !== 0)) return false;
  }
  return true;
}
