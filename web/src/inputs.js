// What was chosen or dropped, as images: the files of dropped folders, the
// images inside .zip archives, opened on the way, and gzipped files, which
// the worker unpacks.
import { BlobReader, ERR_INVALID_CRC32, Uint8ArrayWriter, ZipReader, configure } from '@zip.js/zip.js/lib/zip-core-native.js';
import { kMaxInflated } from './gunzip.js';
import { decodeShiftJis } from './shift_jis.js';
import { words } from './words.js';

const kMaxZipDepth = 3; // a .zip in a .zip in a .zip, and no deeper
const kBlobAtMost = 16 * 1024 * 1024; // an image from a .zip kept as a Blob
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

// Each image in what was given, as {path, blob} (with gzipped: true for a
// .gz), {path, bytes} for a large one from a .zip, or {path, problem} for
// what cannot give one; .zip archives opened on the way.
export async function* imagesIn(files) {
  for (const { path, blob } of files) yield* expand(path, blob, 0);
}

async function* expand(path, blob, depth) {
  if (/\.zip$/i.test(path)) yield* zipEntries(path, blob, depth);
  // Unpacked by the worker, as zcat does, into the worker's own memory.
  else if (/\.gz$/i.test(path)) yield { path, blob, gzipped: true };
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
      // A large image goes to the worker as the bytes it is, moved there, not
      // as a Blob: Chromium could not read back a Blob of hundreds of MiB
      // made in the page.
      if (data.length > kBlobAtMost && !isArchiveName(inner)) yield { path: inner, bytes: data };
      else yield* expand(inner, new Blob([data]), depth + 1);
    }
  }
  await reader.close();
}
