// The zips the page offers: one image's files, or a collection's folders,
// stored as they are (no compression: the files are small and the CRC-32 of
// an extracted file comes from the core). fflate writes them, with Zip64
// records once an archive passes 65,535 entries or 4 GiB.
import { Zip, ZipPassThrough, strToU8 } from 'fflate';

export { strToU8 as textBytes };

const kBlobFold = 16 * 1024 * 1024; // zip bytes held in the page before they go to a Blob
const kQueued = 64 * 1024 * 1024; // zip bytes waiting for a file before a collection waits too
const kAskAt = 512 * 1024 * 1024; // zip bytes in the page past which a file is asked for

// A file stored in a zip, made by Unix with mode 0644, so that unzip takes
// the name as the UTF-8 it is flagged to be (bit 11) and unpacks a plain
// file. The page's own files (the manifest) have their CRC made by fflate.
// Its sizes follow it (bit 3, which fflate 0.8.4 sets in the local header
// only): the central header must say so too, or 7-Zip finds the headers
// at odds. fflate writes `flag` shifted left by one into those bits.
function addToZip(zip, name, bytes, crc, mtime) {
  const attributes = { mtime, os: 3, attrs: (0o100644 << 16) >>> 0, flag: 0b100 };
  const file = crc === undefined ? new ZipPassThrough(name)
    : { filename: name, size: bytes.length, crc, compression: 0 };
  Object.assign(file, attributes);
  zip.add(file);
  if (crc === undefined) file.push(bytes, true);
  else file.ondata(null, bytes, true);
}

// Pieces of bytes as one array: a Blob made of a zip's hundreds of small
// pieces cost several times what copying them does.
function joined(parts) {
  const all = new Uint8Array(parts.reduce((sum, part) => sum + part.length, 0));
  let at = 0;
  for (const part of parts) {
    all.set(part, at);
    at += part.length;
  }
  return all;
}

// One image's files ({name, bytes, crc}), at once: at most 770 KB in all.
export function makeZip(files) {
  const parts = [];
  const zip = new Zip((error, chunk) => {
    if (error) throw error;
    parts.push(chunk);
  });
  const mtime = new Date();
  for (const file of files) addToZip(zip, file.name, file.bytes, file.crc, mtime);
  zip.end();
  return joined(parts);
}

// Where a collection's zip goes: Blobs of 16 MiB in the page until a file
// is given (a WritableStream such as the save picker's); then the Blobs go
// to the file first and the rest straight after them. Past `askAt` bytes in
// the page, with `ask` given, the zip waits for the file: `ask()` says so.
function collectionSink(askAt, ask) {
  const blobs = [];
  let parts = [];
  let held = 0;
  let inPage = 0;
  let file = null;
  let writer = null;
  let fileGiven = null;
  const fold = () => {
    blobs.push(new Blob([joined(parts)]));
    parts = [];
    held = 0;
  };
  // What the page holds, into the file once it is given.
  async function toFileIfGiven() {
    if (!file || writer) return;
    writer = file.getWriter();
    fold();
    for (const blob of blobs.splice(0)) await writer.write(blob);
  }
  const writable = new WritableStream({
    async write(chunk) {
      if (!file && ask && inPage > askAt) {
        ask();
        ask = null;
        await new Promise((resolve) => { fileGiven = resolve; });
      }
      await toFileIfGiven();
      if (writer) return writer.write(chunk);
      parts.push(chunk);
      held += chunk.length;
      inPage += chunk.length;
      if (held > kBlobFold) fold();
    },
    async close() {
      await toFileIfGiven();
      if (writer) await writer.close();
      else fold();
    },
    async abort(reason) {
      await (writer ? writer.abort(reason) : file?.abort(reason));
    },
  }, new ByteLengthQueuingStrategy({ highWaterMark: kQueued }));
  return {
    writable,
    toFile(stream) {
      file = stream;
      fileGiven?.();
    },
    // Left unfinished: a write that waits for a file waits no more.
    abandon: () => fileGiven?.(),
    blob: () => (file ? null : new Blob(blobs, { type: 'application/zip' })),
  };
}

// A collection's zip, made as the images come, into the page or into a
// file (`toFile`); `room()` holds the collection back while more than
// 64 MiB of it wait to be written. With `ask`, the zip waits for a file
// once the page holds 512 MiB of it.
export function streamingZip(ask) {
  const sink = collectionSink(kAskAt, ask);
  const writer = sink.writable.getWriter();
  let failure = null;
  const zip = new Zip((error, chunk) => {
    if (error) throw error;
    writer.write(chunk).catch((why) => { failure ??= why; });
  });
  const mtime = new Date();
  return {
    add(name, bytes, crc) {
      addToZip(zip, name, bytes, crc, mtime);
    },
    // A zip that cannot be written holds nothing back: end() says why.
    room: () => writer.ready.catch(() => {}),
    toFile: sink.toFile,
    // Left unfinished: a file is left as it was before.
    abandon() {
      sink.abandon();
      writer.abort().catch(() => {});
    },
    // The zip as a Blob, or null once it is in the file.
    async end() {
      zip.end();
      await writer.close();
      if (failure) throw failure;
      return sink.blob();
    },
  };
}
