// A collection's zip as a BagIt bag (RFC 8493, version 1.0): its base
// folder, the payload under data/, and the tag files that name every
// payload file with its SHA-256, so that an archive can check it.
/* global D88_VERSION */
import { sha256 } from '@noble/hashes/sha2.js';
import { bytesToHex } from '@noble/hashes/utils.js';
import { textBytes } from './zip.js';

export const kBagBase = 'collection';
export const kPayload = `${kBagBase}/data/`;

// A path as a manifest line holds it: %, CR and LF percent-encoded.
const manifestPath = (path) => path.replace(/%/g, '%25').replace(/\r/g, '%0D').replace(/\n/g, '%0A');
const manifestLines = (files) => files.map(({ path, sha256: hash }) => `${hash}  ${manifestPath(path)}\n`).join('');

// The tag files, by their paths in the zip, for the payload files
// [{path (from the base folder: data/...), size, sha256}].
export function bagTagFiles(payload, date = new Date()) {
  const octets = payload.reduce((sum, file) => sum + file.size, 0);
  const day = [date.getFullYear(), date.getMonth() + 1, date.getDate()].map((n) => String(n).padStart(2, '0')).join('-');
  const tags = {
    'bagit.txt': 'BagIt-Version: 1.0\nTag-File-Character-Encoding: UTF-8\n',
    'bag-info.txt': `Bagging-Date: ${day}\nBag-Software-Agent: d88extract page ${D88_VERSION}\n` +
      `Payload-Oxum: ${octets}.${payload.length}\n`,
    'manifest-sha256.txt': manifestLines(payload),
  };
  const bytes = Object.fromEntries(Object.entries(tags).map(([name, text]) => [name, textBytes(text)]));
  bytes['tagmanifest-sha256.txt'] = textBytes(manifestLines(Object.entries(bytes)
    .map(([name, data]) => ({ path: name, sha256: bytesToHex(sha256(data)) }))));
  return Object.fromEntries(Object.entries(bytes).map(([name, data]) => [`${kBagBase}/${name}`, data]));
}

export const sha256Of = (bytes) => bytesToHex(sha256(bytes));
