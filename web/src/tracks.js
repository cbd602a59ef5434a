// A track as the image records it: every sector record of both sides, in
// the order stored, with its ID, size and status as the core listed them,
// and what the layout makes of each; a step to the track before or after
// reaches every one of the image's 164.
import { element, hex2, save } from './dom.js';
import { trackRead } from './sector_map.js';
import { words } from './words.js';

const kImageTracks = 164; // a D88 disk header's track table
const kRecordBytes = 8;
// What the layout makes of a record, as the core says it (the eighth byte).
const kLayout = ['notAsked', 'read', 'notReached'];

// The records of one track of the image: [{c, h, r, n, size, status, layout}].
export function recordsOf(tracks, track) {
  const bytes = tracks.find((listed) => listed.track === track)?.records;
  const records = [];
  for (let at = 0; bytes && at + kRecordBytes <= bytes.length; at += kRecordBytes) {
    records.push({ c: bytes[at], h: bytes[at + 1], r: bytes[at + 2], n: bytes[at + 3],
      size: bytes[at + 4] | (bytes[at + 5] << 8), status: bytes[at + 6], layout: kLayout[bytes[at + 7]] });
  }
  return records;
}

function recordsTable(records) {
  const head = ['record', 'c', 'h', 'r', 'n', 'size', 'status', 'layout']
    .map((key, k) => element('th', { scope: 'col', className: k < 6 ? 'number' : '' }, words.recordColumns[key]));
  const rows = records.map((record, k) => element('tr', { className: record.layout },
    ...[k + 1, hex2(record.c), hex2(record.h), hex2(record.r), hex2(record.n), record.size.toLocaleString('en')]
      .map((text) => element('td', { className: 'number' }, String(text))),
    element('td', {}, words.recordStatus(record.status)),
    element('td', {}, words.recordLayout[record.layout])));
  return element('table', { className: 'records' }, element('thead', {}, element('tr', {}, ...head)),
    element('tbody', {}, ...rows));
}

function sideOfTrack(map, tracks, track, side) {
  const imageTrack = 2 * track + side;
  const records = recordsOf(tracks, imageTrack);
  const part = [element('h3', {}, words.trackSide(side, imageTrack))];
  part.push(records.length ? recordsTable(records) : element('p', {}, words.noRecords));
  const read = map && trackRead(map, side, track);
  if (read) {
    part.push(element('p', {}, element('button', { type: 'button', className: 'save-track',
      onclick: () => save(read.name, [read.bytes], 'application/octet-stream') },
    words.saveTrack(read.name, read.bytes.length.toLocaleString('en')))));
  }
  return part;
}

// Shows logical track `track` (side 0 is the image's track 2t, side 1 its
// track 2t + 1) in the viewer's panel; with the `map`, the track as read
// may be saved.
export function showTrack({ map, tracks, track, viewer, opener }) {
  const step = (to, which) => {
    showTrack({ map, tracks, track: to, viewer, opener });
    document.querySelector(`#viewer .track-nav .${which}`)?.focus();
  };
  const nav = element('p', { className: 'track-nav' });
  if (track > 0) {
    nav.append(element('button', { type: 'button', className: 'before', onclick: () => step(track - 1, 'before') },
      words.trackBefore(hex2(track - 1))));
  }
  if (2 * (track + 1) < kImageTracks) {
    nav.append(element('button', { type: 'button', className: 'after', onclick: () => step(track + 1, 'after') },
      words.trackAfter(hex2(track + 1))));
  }
  const content = element('div', { className: 'track-view' }, element('p', { className: 'gloss' }, words.trackHelp),
    nav, ...sideOfTrack(map, tracks, track, 0), ...sideOfTrack(map, tracks, track, 1));
  viewer.showContent({ title: words.trackTitle(hex2(track)), content, opener });
}
