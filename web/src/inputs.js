// What was chosen or dropped, as images: the files of dropped folders, and
// the images inside .zip archives and gzipped files, opened on the way.
import { BlobReader, ERR_INVALID_CRC32, Uint8ArrayWriter, ZipReader, configure } from '@zip.js/zip.js/lib/zip-core-native.js';
import { Gunzip } from 'fflate';
import { decodeShiftJis } from './shift_jis.js';
import { words } from './words.js';

const kMaxInflated = 1024 ** 3; // what one .zip or .gz may unpack to, in all
const kMaxZipDepth = 3; // a .zip in a .zip in a .zip, and no deeper
// The browser's own inflate, here: the page's script has no worker of zip.js.
configure({ useWebWorkers: false });

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

// The name of a .zip's entry as characters: UTF-8 where it is flagged so,
// else most often Shift_JIS here (Japanese Windows).
function entryName(entry) {
  const raw = entry.rawFilename;
  if (entry.filenameUTF8) return new TextDecoder().decode(raw);
  return decodeShiftJis(raw).characters ?? String.fromCharCode(...raw);
}

// A .zip read by zip.js, from its Blob by ranges, Zip64 and any number of
// entries included; each entry's bytes checked against its CRC-32.
async function* zipEntries(path, blob, depth) {
  if (depth >= kMaxZipDepth) {
    yield { path, problem: words.zipTooDeep };
    return;
  }
  const reader = new ZipReader(new BlobReader(blob));
  let entries;
  try {
    entries = await reader.getEntries();
  } catch {
    yield { path, problem: words.brokenZip };
    return;
  }
  const files = entries.filter((entry) => !entry.directory);
  if (!files.length) {
    // No entry read from a directory that is not empty: its count says 0.
    const lying = !entries.length && reader.directoryLength > 0;
    yield { path, problem: lying ? words.zipCountZero : words.emptyArchive };
    return;
  }
  if (files.reduce((sum, entry) => sum + entry.uncompressedSize, 0) > kMaxInflated) {
    yield { path, problem: words.zipBomb };
    return;
  }
  for (const entry of files) {
    const inner = `${path}/${entryName(entry)}`;
    if (entry.encrypted) yield { path: inner, problem: words.encrypted };
    else if (entry.compressionMethod !== 0 && entry.compressionMethod !== 8) {
      yield { path: inner, problem: words.zipMethod(entry.compressionMethod) };
    } else {
      let data;
      try {
        data = await entry.getData(new Uint8ArrayWriter(), { checkSignature: true });
      } catch (error) {
        yield { path: inner, problem: error.message === ERR_INVALID_CRC32 ? words.badCrc : words.brokenZip };
        continue;
      }
      yield* expand(inner, new Blob([data]), depth + 1);
    }
  }
  await reader.close();
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
