// What every sector of the disk holds and how it was read: the model the
// map draws, the search walks and the map's JSON writes out.
import { hex2 } from './dom.js';
import { words } from './words.js';

export const kTracks = 77;
export const kSectors = 5;
export const kSectorBytes = 1024;
// The boot read: 26 sectors of track 0, then 2 of track 1, 128 bytes each.
export const kBootSectors = [...Array(26).keys()].map((k) => [0, k + 1]).concat([[1, 1], [1, 2]]);
export const kBootBytes = 128;
const kIplFirst = 13; // IPLMUS: bytes 1664 to 2048 of the boot read, its sectors 14 to 17
const kIplLast = 16;
const kStateNames = ['unread', 'read', 'damaged'];
// The states as data: "missing" is not in the image, "damaged" recorded
// with a read error.
const kStateData = { read: 'read', unread: 'missing', damaged: 'damaged', notRead: 'notRead' };

export function mapOf(values, sectors) {
  const sides = [0, 1].map((side) => ({
    states: sectors[side]?.states, bytes: sectors[side]?.bytes,
    owners: Array.from({ length: kTracks * kSectors }, () => []),
  }));
  for (const side of sides) {
    for (let r = 0; r < kSectors; ++r) side.owners[kSectors + r].push('directory');
  }
  const entries = values.filter((value) => value.kind === 0 || value.kind === 2);
  for (const value of entries) {
    value.cells = cellsOf(value);
    for (const [where, k] of value.cells) if (where !== 'boot') sides[where].owners[k].push(value);
  }
  // Each sector as sectorOf describes it, once asked for.
  const known = { 0: [], 1: [], boot: [] };
  return { sides, boot: sectors[2], entries, known };
}

// The sectors an entry's file is made of, as [side or 'boot', index]:
// IPLMUS's four of the boot read, else those of its side from its start to
// its end. Entries whose sectors lie outside the volume have none.
function cellsOf(value) {
  const cells = [];
  if (value.kind === 2) {
    for (let k = kIplFirst; k <= kIplLast; ++k) cells.push(['boot', k]);
  } else if (value.verdict !== 2) {
    const first = value.start[0] * kSectors + value.start[1] - 1;
    const last = value.end[0] * kSectors + value.end[1] - 1;
    for (let k = Math.max(first, 0); k <= Math.min(last, kTracks * kSectors - 1); ++k) cells.push([value.side, k]);
  }
  return cells;
}

// A file's sectors for a collection's manifest, without a map: runs of one
// state, each from its first sector to its last ([track, sector]).
export function sectorRuns(value, sectors) {
  const runs = [];
  for (const [where, k] of cellsOf(value)) {
    const [track, r] = where === 'boot' ? kBootSectors[k] : [Math.floor(k / kSectors), (k % kSectors) + 1];
    const read = where === 'boot' ? sectors[2]?.states[k] : sectors[where]?.states[k - kSectors];
    const state = kStateData[read === undefined ? 'notRead' : kStateNames[read]];
    if (runs.at(-1)?.state === state) runs.at(-1).end = [track, r];
    else runs.push({ start: [track, r], end: [track, r], state });
  }
  return runs;
}

function holdsOf(owners, outside) {
  if (outside) return 'outside';
  if (owners.length > 1) return 'shared';
  if (owners.length === 0) return 'free';
  return owners[0] === 'directory' ? 'directory' : 'file';
}

// A sector of side 0 or 1 by index, or of the boot read: what the page says
// of it, its bytes, and the name of the file it is saved as.
export function sectorOf(map, where, k) {
  const known = map.known[where];
  known[k] ??= describeSector(map, where, k);
  return known[k];
}

function describeSector(map, where, k) {
  if (where === 'boot') {
    const [track, r] = kBootSectors[k];
    const iplmus = k >= kIplFirst && k <= kIplLast && map.boot;
    const state = map.boot ? kStateNames[map.boot.states[k]] : 'notRead';
    return {
      label: words.bootSector(track, r), holds: iplmus ? 'file' : 'boot', names: iplmus ? 'IPLMUS' : '',
      state, owners: iplmus ? map.entries.filter((value) => value.kind === 2) : [], track, r,
      bytes: map.boot?.bytes.subarray(k * kBootBytes, (k + 1) * kBootBytes), size: kBootBytes,
      fileName: `boot-t${hex2(track)}-s${hex2(r)}.bin`,
    };
  }
  const side = map.sides[where];
  const track = Math.floor(k / kSectors);
  const r = (k % kSectors) + 1;
  const outside = track === 0;
  const state = outside || !side.states ? 'notRead' : kStateNames[side.states[k - kSectors]];
  const owners = side.owners[k];
  const names = owners.map((owner) => (owner === 'directory' ? words.holds.directory
    : owner.shown || words.noName)).join(', ');
  return {
    label: words.volumeSector(where, hex2(track), hex2(r)),
    holds: holdsOf(owners, outside), names: owners.length > 1 || owners[0] !== 'directory' ? names : '',
    state, owners: owners.filter((owner) => owner !== 'directory'), track, r,
    bytes: outside ? undefined : side.bytes?.subarray(k * kSectorBytes, (k + 1) * kSectorBytes),
    size: kSectorBytes, fileName: `side${where}-t${hex2(track)}-s${hex2(r)}.bin`,
  };
}

// A logical track of a side as the layout read it, to be saved: its sectors'
// bytes one after another, or null where the layout reads nothing.
export function trackRead(map, side, track) {
  if (track === 0) {
    const sectors = kBootSectors.filter(([bootTrack]) => bootTrack === side).length;
    const from = side === 0 ? 0 : kBootSectors.length - sectors;
    const bytes = map.boot?.bytes.subarray(from * kBootBytes, (from + sectors) * kBootBytes);
    return bytes ? { name: `boot-t${hex2(side)}.bin`, bytes } : null;
  }
  const bytes = map.sides[side].bytes;
  if (track >= kTracks || !bytes) return null;
  return { name: `side${side}-t${hex2(track)}.bin`,
    bytes: bytes.subarray(track * kSectors * kSectorBytes, (track + 1) * kSectors * kSectorBytes) };
}

// The map as data: every sector's state and the entries that hold it, and
// every entry's sectors; entries are named by their characters and by their
// bytes on the disk.
export function mapAsData(map, imageName) {
  const entryNumber = new Map(map.entries.map((value, n) => [value, n]));
  const holders = (sector) => sector.owners.map((owner) => entryNumber.get(owner));
  const sectorData = (sector, extra) => ({ ...extra, track: sector.track, sector: sector.r,
    state: kStateData[sector.state] });
  const sides = [0, 1].map((side) => {
    const list = [];
    for (let k = kSectors; k < kTracks * kSectors; ++k) {
      const sector = sectorOf(map, side, k);
      list.push({ ...sectorData(sector), directory: map.sides[side].owners[k].includes('directory'),
        entries: holders(sector) });
    }
    return { side, sectors: list };
  });
  const boot = kBootSectors.map((_, k) => {
    const sector = sectorOf(map, 'boot', k);
    return { ...sectorData(sector), entries: holders(sector) };
  });
  const entries = map.entries.map((value) => ({
    name: value.characters ?? null, shown: value.shown,
    nameBytes: [...value.name].map(hex2).join(' '),
    ...(value.kind === 2 ? { boot: true } : { side: value.side, index: value.index,
      start: value.start, end: value.end }),
    size: value.size,
    sectors: value.cells.map(([where, k]) => sectorData(sectorOf(map, where, k),
      { side: where === 'boot' ? 'boot' : where })),
  }));
  return { image: imageName, sectorBytes: kSectorBytes, bootSectorBytes: kBootBytes, sides, boot, entries };
}
