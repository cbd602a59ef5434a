// A .gz as zcat reads it, unpacked by the worker into its own memory: a
// Blob of hundreds of MiB made in the page could not be read back by
// Chromium. The browser's own gunzip takes a single member; fflate's goes
// on through every member, and zeros after the last one are padding, as
// gzip takes them. A failure is thrown as 'gzipBomb' or 'notGzip'.
import { Gunzip } from 'fflate';

export const kMaxInflated = 1024 ** 3; // what one .zip or .gz may unpack to, in all
const kPiece = 1024 * 1024;
const kMostRatio = 1032; // deflate's: no member unpacks to more per byte

export async function gunzipped(blob) {
  const head = new Uint8Array(await blob.slice(0, 2).arrayBuffer());
  if (head[0] !== 0x1f || head[1] !== 0x8b) throw new Error('notGzip');
  // The last member's size (mod 2^32) says how much room to make at first.
  const tail = new DataView(await blob.slice(Math.max(0, blob.size - 4)).arrayBuffer());
  const hint = Math.min(tail.byteLength === 4 ? tail.getUint32(0, true) : 0, kMostRatio * blob.size);
  try {
    return await nativeGunzip(blob, hint);
  } catch (error) {
    if (error.message === 'gzipBomb') throw error;
  }
  try {
    return await membersGunzip(blob, hint);
  } catch (error) {
    throw new Error(error.message === 'gzipBomb' ? 'gzipBomb' : 'notGzip');
  }
}

// The bytes unpacked, in one array grown as they come, never past the limit.
function gathered(hint) {
  let all = new Uint8Array(Math.min(Math.max(hint, kPiece), kMaxInflated));
  let length = 0;
  return {
    take(chunk) {
      const needed = length + chunk.length;
      if (needed > kMaxInflated) throw new Error('gzipBomb');
      if (needed > all.length) {
        const grown = new Uint8Array(Math.min(kMaxInflated, Math.max(2 * all.length, needed)));
        grown.set(all.subarray(0, length));
        all = grown;
      }
      all.set(chunk, length);
      length = needed;
    },
    bytes: () => all.subarray(0, length),
    get length() { return length; },
  };
}

async function nativeGunzip(blob, hint) {
  const out = gathered(hint);
  const reader = blob.stream().pipeThrough(new DecompressionStream('gzip')).getReader();
  for (;;) {
    const { done, value } = await reader.read();
    if (done) return out.bytes();
    try {
      out.take(value);
    } catch (error) {
      await reader.cancel();
      throw error;
    }
  }
}

async function membersGunzip(blob, hint) {
  const out = gathered(hint);
  const gunzip = new Gunzip((chunk) => out.take(chunk));
  for (let at = 0; at < blob.size; at += kPiece) {
    const piece = new Uint8Array(await blob.slice(at, at + kPiece).arrayBuffer());
    try {
      gunzip.push(piece, false);
    } catch (error) {
      // Where a member would start, the rest all zeros: the end. fflate
      // (0.8, pinned) keeps what it has not taken in p, the would-be
      // member's header from v - 1 on.
      const rest = gunzip.p?.subarray(Math.max(0, gunzip.v - 1)) ?? new Uint8Array([1]);
      if (error.code !== 6 || out.length === 0 || rest.some((b) => b !== 0) ||
          !(await zerosFrom(blob, at + kPiece))) throw error;
      return out.bytes();
    }
  }
  gunzip.push(new Uint8Array(0), true);
  return out.bytes();
}

async function zerosFrom(blob, at) {
  for (; at < blob.size; at += kPiece) {
    if (new Uint8Array(await blob.slice(at, at + kPiece).arrayBuffer()).some((b) => b !== 0)) return false;
  }
  return true;
}
