// The zips the page offers: one image's files, or a collection's folders,
// stored as they are (no compression: the files are small). client-zip
// writes them, with Zip64 records wherever an archive passes 65,535 entries
// or 4 GiB.
import { makeZip as zipStream } from 'client-zip';

const encoder = new TextEncoder();
export const textBytes = (text) => encoder.encode(text);

const kBlobFold = 16 * 1024 * 1024; // zip bytes held in the page before they go to a Blob
const kQueued = 64 * 1024 * 1024; // files' bytes waiting for the zip before a collection waits
const kAskAt = 512 * 1024 * 1024; // zip bytes in the page past which a file is asked for

// A plain file, mode 0644, that unzip takes by its UTF-8 name (flagged so).
const entry = (name, bytes, lastModified) => ({ name, input: bytes, lastModified, mode: 0o644 });

// Where a collection's zip goes: Blobs of 16 MiB in the page (a Blob made
// of a zip's thousands of small pieces costs several times what copying
// them does) until a file is given; then the Blobs go to the file first and
// the rest straight after them. Past `askAt` bytes in the page, with
// `ask` given, the zip waits for the file: `ask()` says so.
function collectionSink(askAt, ask) {
  const blobs = [];
  let parts = [];
  let held = 0;
  let inPage = 0;
  let file = null;
  let writer = null;
  let fileGiven = null;
  const fold = () => {
    const all = new Uint8Array(held);
    let at = 0;
    for (const part of parts) {
      all.set(part, at);
      at += part.length;
    }
    blobs.push(new Blob([all]));
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
  });
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

// One image's files ({name, bytes}): at most 770 KB in all.
export async function makeZip(files) {
  const mtime = new Date();
  const stream = zipStream(Array.from(files, (file) => entry(file.name, file.bytes, mtime)));
  return new Uint8Array(await new Response(stream).arrayBuffer());
}

// A collection's zip, made as the images come, into the page or into a
// file (`toFile`: a WritableStream such as the save picker's); the files
// wait in a queue while the zip takes them, and `room()` holds the
// collection back while more than 64 MiB of them wait. With `ask`, the
// zip waits for a file once the page holds 512 MiB of it.
export function streamingZip(ask) {
  const mtime = new Date();
  const waiting = [];
  let queued = 0;
  let ended = false;
  let wake = null;
  let roomMade = null;
  async function* entries() {
    for (;;) {
      if (waiting.length) {
        const next = waiting.shift();
        queued -= next.input.length;
        if (queued <= kQueued) roomMade?.();
        yield next;
      } else if (ended) {
        return;
      } else {
        await new Promise((resolve) => { wake = resolve; });
        wake = null;
      }
    }
  }
  const sink = collectionSink(kAskAt, ask);
  const abandoned = new AbortController();
  const written = zipStream(entries()).pipeTo(sink.writable, { signal: abandoned.signal });
  return {
    add(name, bytes) {
      waiting.push(entry(name, bytes, mtime));
      queued += bytes.length;
      wake?.();
    },
    room() {
      if (queued <= kQueued) return Promise.resolve();
      return new Promise((resolve) => {
        roomMade = () => {
          roomMade = null;
          resolve();
        };
      });
    },
    toFile: sink.toFile,
    // Left unfinished: a file is left as it was before.
    abandon() {
      sink.abandon();
      abandoned.abort();
      written.catch(() => {});
    },
    // The zip as a Blob, or null once it is in the file.
    async end() {
      ended = true;
      wake?.();
      await written;
      return sink.blob();
    },
  };
}
