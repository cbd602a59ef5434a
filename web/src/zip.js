// The zips the page offers: one image's files, or a collection's folders,
// stored as they are (no compression: the files are small). client-zip
// writes them, with Zip64 records wherever an archive passes 65,535 entries
// or 4 GiB.
import { makeZip as zipStream } from 'client-zip';

const encoder = new TextEncoder();
export const textBytes = (text) => encoder.encode(text);

const kBlobFold = 16 * 1024 * 1024; // zip bytes held in the page before they go to a Blob
const kQueued = 64 * 1024 * 1024; // files' bytes waiting for the zip before a collection waits

// A plain file, mode 0644, that unzip takes by its UTF-8 name (flagged so).
const entry = (name, bytes, lastModified) => ({ name, input: bytes, lastModified, mode: 0o644 });

// Where a zip's bytes go when no file takes them: Blobs of 16 MiB, since a
// Blob made of a zip's thousands of small pieces costs several times what
// copying them does.
function blobSink() {
  const blobs = [];
  let parts = [];
  let held = 0;
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
  const writable = new WritableStream({
    write(chunk) {
      parts.push(chunk);
      held += chunk.length;
      if (held > kBlobFold) fold();
    },
    close: fold,
  });
  return { writable, blob: () => new Blob(blobs, { type: 'application/zip' }) };
}

// One image's files ({name, bytes}): at most 770 KB in all.
export async function makeZip(files) {
  const mtime = new Date();
  const stream = zipStream(Array.from(files, (file) => entry(file.name, file.bytes, mtime)));
  return new Uint8Array(await new Response(stream).arrayBuffer());
}

// A collection's zip, made as the images come. Its bytes go to `file` (a
// FileSystemWritableFileStream) when there is one, else to Blobs; the files
// wait in a queue while the zip takes them, and `room()` holds the
// collection back while more than 64 MiB of them wait.
export function streamingZip(file) {
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
  const sink = file ? null : blobSink();
  const abandoned = new AbortController();
  const written = zipStream(entries()).pipeTo(file ?? sink.writable, { signal: abandoned.signal });
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
    // Left unfinished: a file is left as it was before.
    abandon() {
      abandoned.abort();
      written.catch(() => {});
    },
    // The zip as a Blob, or null once it is in the file.
    async end() {
      ended = true;
      wake?.();
      await written;
      return sink ? sink.blob() : null;
    },
  };
}
