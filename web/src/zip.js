// The zips the page offers: one image's files, or a collection's folders,
// stored as they are (no compression: the files are small and the CRC-32 of
// an extracted file comes from the core).
import { Zip, ZipPassThrough, strToU8 } from 'fflate';

export { strToU8 as textBytes };

const kBlobFold = 16 * 1024 * 1024; // zip bytes held in the page before they go to a Blob
// What a collection's zip keeps free for its manifest and a bag's tag files.
const kManifestRoom = { entries: 8, bytes: 256 * 1024 * 1024 };

// A file stored in a zip, made by Unix with mode 0644, so that unzip takes
// the name as the UTF-8 it is flagged to be (bit 11) and unpacks a plain
// file. The page's own files (the manifest) have their CRC made by fflate.
function addToZip(zip, name, bytes, crc, mtime) {
  const attributes = { mtime, os: 3, attrs: (0o100644 << 16) >>> 0 };
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

// A collection's zip, made as the images come: its bytes go to Blobs as they
// grow, so the page holds no more than the current image and a few MiB of it.
export function streamingZip() {
  const blobs = [];
  let parts = [];
  let held = 0;
  const fold = () => {
    blobs.push(new Blob([joined(parts)]));
    parts = [];
    held = 0;
  };
  const zip = new Zip((error, chunk) => {
    if (error) throw error;
    parts.push(chunk);
    held += chunk.length;
    if (held > kBlobFold) fold();
  });
  const mtime = new Date();
  let entries = 0;
  let bytesIn = 0;
  return {
    add(name, bytes, crc) {
      addToZip(zip, name, bytes, crc, mtime);
      entries += 1;
      bytesIn += bytes.length + 2 * strToU8(name).length;
    },
    // Whether `count` more files of `size` bytes in all still fit a zip
    // without Zip64 (65,535 entries, offsets under 4 GiB), with room left
    // for the manifest.
    fits(count, size) {
      return entries + count + kManifestRoom.entries <= 0xffff &&
        bytesIn + size + 400 * count + kManifestRoom.bytes < 2 ** 32;
    },
    end() {
      zip.end();
      fold();
      return new Blob(blobs, { type: 'application/zip' });
    },
  };
}
