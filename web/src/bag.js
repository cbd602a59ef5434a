// A collection's zip as a BagIt bag (RFC 8493, version 1.0): its base
// folder, the payload under data/, and the tag files that name every
// payload file with its SHA-256, so that an archive can check it.
/* global D88_VERSION */
import { sha256 } from '@noble/hashes/sha2.js';
import { bytesToHex } from '@noble/hashes/utils.js';

export const kBagBase = 'collection';
export const kPayload = `${kBagBase}/data/`;

export const kTagManifest = 'tagmanifest-sha256.txt';

// A path as a manifest line holds it: %, CR and LF percent-encoded.
const manifestPath = (path) => path.replace(/%/g, '%25').replace(/\r/g, '%0D').replace(/\n/g, '%0A');
const manifestLine = ({ path, sha256: hash }) => `${hash}  ${manifestPath(path)}\n`;
export const manifestLines = (files) => files.map(manifestLine).join('');

// The tag files but the tag manifest, each {name, pieces}, for the payload
// files [{path (from the base folder: data/...), size, sha256}]; the
// payload manifest a line at a time, as an archive's runs to many MB.
export function bagTagTexts(payload, date = new Date()) {
  const octets = payload.reduce((sum, file) => sum + file.size, 0);
  const day = [date.getFullYear(), date.getMonth() + 1, date.getDate()].map((n) => String(n).padStart(2, '0')).join('-');
  return [
    { name: 'bagit.txt', pieces: ['BagIt-Version: 1.0\nTag-File-Character-Encoding: UTF-8\n'] },
    { name: 'bag-info.txt', pieces: [`Bagging-Date: ${day}\nBag-Software-Agent: d88extract page ${D88_VERSION}\n` +
      `Payload-Oxum: ${octets}.${payload.length}\n`] },
    { name: 'manifest-sha256.txt', pieces: payload.map(manifestLine) },
  ];
}

// SHA-256 of bytes given a piece at a time.
export function sha256Hashing() {
  const hash = sha256.create();
  return { update: (bytes) => hash.update(bytes), hex: () => bytesToHex(hash.digest()) };
}

export const sha256Of = (bytes) => bytesToHex(sha256(bytes));
