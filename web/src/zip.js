// The zips the page offers: one image's files, or a collection's folders,
// stored as they are (no compression: the files are small and the CRC-32 of
// an extracted file comes from the core). fflate writes them, with Zip64
// records once an archive passes 65,535 entries or 4 GiB.
import { Zip, ZipPassThrough } from 'fflate';

const kPiece = 4 * 1024 * 1024; // zip bytes gathered before they go to a Blob
const kQueued = 4 * 1024 * 1024; // zip bytes on their way to the file before a collection waits too
const kAskAt = 256 * 1024 * 1024; // zip bytes in the page past which a file is asked for
const kTextPiece = 1024 * 1024; // characters of a text made into bytes at once

// A file stored in a zip, made by Unix with mode 0644, so that unzip takes
// the name as the UTF-8 it is flagged to be (bit 11) and unpacks a plain
// file. The page's own files (the manifest) have their CRC made by fflate.
// Its sizes follow it (bit 3, which fflate 0.8.4 sets in the local header
// only): the central header must say so too, or 7-Zip finds the headers
// at odds. fflate writes `flag` shifted left by one into those bits.
const fileAttributes = (mtime) => ({ mtime, os: 3, attrs: (0o100644 << 16) >>> 0, flag: 0b100 });
function addToZip(zip, name, bytes, crc, mtime) {
  const attributes = fileAttributes(mtime);
  const file = crc === undefined ? new ZipPassThrough(name)
    : { filename: name, size: bytes.length, crc, compression: 0 };
  Object.assign(file, attributes);
  zip.add(file);
  if (crc === undefined) file.push(bytes, true);
  else file.ondata(null, bytes, true);
}

// Bytes let go of at once: a spent buffer waits for the collector however
// large it is.
const letGo = (bytes) => bytes.buffer.transfer?.(0);

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

// Where a collection's zip goes: copied as fflate makes it into one piece
// of 4 MiB (a Blob made of a zip's thousands of small chunks, or a file
// written a chunk at a time, costs many times what copying them does, and
// so did a stream's write of each chunk), and filled again once full. A
// full piece stays in the page as a Blob, which holds its bytes outside
// the page's memory, until a file is given (a WritableStream such as the
// save picker's); the Blobs then go to it in order, and each piece after
// them goes itself, filled again once written. Past 256 MiB in the page,
// with `ask` given, the zip waits for the file: `ask()` says so.
function collectionSink(ask) {
  const blobs = [];
  let piece = new Uint8Array(kPiece);
  const written = []; // pieces the file has taken, to be filled again
  let held = 0;
  let inPage = 0;
  let file = null;
  let writer = null;
  let fileGiven = null;
  let closing = false;
  let failure = null;
  let handing = Promise.resolve(); // the pieces on their way to the file, in order
  let onTheirWay = 0; // bytes
  const waitsForFile = () => file || (ask && inPage > kAskAt);
  async function intoFile(bytes) {
    if (!file && ask) {
      ask();
      ask = null;
      await new Promise((resolve) => { fileGiven = resolve; });
    }
    if (!file) return; // left unfinished
    writer ??= file.getWriter();
    for (const before of blobs.splice(0)) await writer.write(before);
    await writer.write(bytes);
  }
  // Bytes into a Blob of the page, or once the zip goes to a file, to the
  // file after what went before: then a promise of their writing.
  function send(bytes) {
    if (!onTheirWay && !waitsForFile()) {
      try {
        blobs.push(new Blob([bytes]));
        inPage += bytes.length;
      } catch (why) {
        failure = why;
      }
      return null;
    }
    onTheirWay += bytes.length;
    handing = handing.then(() => (failure ? null : intoFile(bytes)))
      .catch((why) => { failure ??= why; })
      .then(() => { onTheirWay -= bytes.length; });
    return handing;
  }
  function handOn() {
    const size = held;
    held = 0;
    if (failure) return;
    // A piece that goes to the file goes itself, and another is filled
    // meanwhile: one the file has taken, or a new one. Sent as Blobs, the
    // pieces were seen to fail with NotReadableError after a GB or so when
    // the page ran fast, and not when its garbage was collected often: a
    // written Blob's bytes are held by the browser until the page collects
    // it, which they do not hasten.
    const full = piece;
    const writing = send(full.subarray(0, size));
    if (!writing) return;
    piece = written.pop() ?? new Uint8Array(kPiece);
    // One is kept to be filled again; another is let go of now, not left
    // to the collector.
    writing.then(() => (written.length ? letGo(full) : written.push(full)));
  }
  return {
    // A chunk of the zip, copied before this returns.
    take(chunk) {
      for (let at = 0; at < chunk.length;) {
        const taken = Math.min(chunk.length - at, kPiece - held);
        piece.set(chunk.subarray(at, at + taken), held);
        held += taken;
        at += taken;
        if (held === kPiece) handOn();
      }
    },
    // Once no more than 4 MiB are on their way to the file: whether the
    // zip can still be written.
    async room() {
      while (onTheirWay > kQueued) await handing;
      return failure === null;
    },
    // Once every piece on its way is written, the spare ones let go of:
    // room for the central directory.
    async drain() {
      await handing;
      written.splice(0).forEach(letGo);
    },
    // The rest of the piece, and the zip's last chunk, its central
    // directory, which is its own (tens of MB for an archive's entries): it
    // goes as it is, not copied into pieces that would all be new while the
    // ones before are being written. No piece is filled again.
    async close(last) {
      closing = true;
      if (!failure) {
        if (held) send(piece.subarray(0, held));
        send(last);
      }
      await handing;
      letGo(piece);
      if (!failure && writer) await writer.close().catch((why) => { failure ??= why; });
      if (failure) throw failure;
    },
    // Whether the file was taken: not once the zip is ending.
    toFile(stream) {
      if (closing || file) return false;
      file = stream;
      fileGiven?.();
      return true;
    },
    // Left unfinished: a write that waits for a file waits no more, and a
    // file is left as it was before.
    abandon() {
      failure ??= new Error('abandoned');
      fileGiven?.();
      (writer ?? file)?.abort().catch(() => {});
    },
    blob: () => (writer ? null : new Blob(blobs, { type: 'application/zip' })),
  };
}

// A collection's zip, made as the images come, into the page or into a
// file (`toFile`); `room()` holds the collection back while more than
// 4 MiB of it wait to be written, and answers whether the zip can still be
// written at all. With `ask`, the zip waits for a file once the page holds
// 256 MiB of it: Chromium, the one browser that asks, was seen to lose
// Blobs of a zip past 512 MiB.
export function streamingZip(ask) {
  const sink = collectionSink(ask);
  let last = null;
  const zip = new Zip((error, chunk, final) => {
    if (error) throw error;
    if (final) last = chunk;
    else sink.take(chunk);
  });
  const mtime = new Date();
  const encoder = new TextEncoder();
  // A text's bytes are made into the same buffer each time, copied into the
  // zip as soon as each piece is pushed: the entry being written is the
  // last one, which fflate passes straight on (a MiB of text made into new
  // bytes each time left the page hundreds of MiB to collect).
  let utf8 = new Uint8Array(0);
  return {
    // A file, its bytes copied into the zip before this returns.
    add(name, bytes, crc) {
      addToZip(zip, name, bytes, crc, mtime);
    },
    // A text given as pieces, written a MiB or so at a time as the zip
    // takes them, each piece's bytes shown to `seen`: its size in bytes.
    async addText(name, pieces, seen) {
      const file = new ZipPassThrough(name);
      Object.assign(file, fileAttributes(mtime));
      zip.add(file);
      let size = 0;
      let text = '';
      const push = (final) => {
        if (utf8.length < 3 * text.length) {
          letGo(utf8);
          utf8 = new Uint8Array(3 * text.length);
        }
        const bytes = utf8.subarray(0, encoder.encodeInto(text, utf8).written);
        text = '';
        seen(bytes);
        size += bytes.length;
        file.push(bytes, final);
      };
      for (const piece of pieces) {
        text += piece;
        if (text.length < kTextPiece) continue;
        push(false);
        await sink.room();
      }
      push(true);
      return size;
    },
    // Once the zip cannot be written, the rest is not made: end() says why.
    room: sink.room,
    toFile: sink.toFile,
    abandon: sink.abandon,
    // The zip as a Blob, or null once it is in the file.
    async end() {
      await sink.drain();
      letGo(utf8);
      zip.end();
      await sink.close(last);
      return sink.blob();
    },
  };
}
