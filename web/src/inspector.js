// The inspector: a map of every sector of both sides and of the boot read,
// coloured by what holds it and marked by how it was read, the same as text,
// and a view of the bytes of a file or a sector.
'use strict';

const kTracks = 77;
const kSectors = 5;
const kSectorBytes = 1024;
const kBootSectors = [...Array(26).keys()].map((k) => [0, k + 1]).concat([[1, 1], [1, 2]]);
const kBootBytes = 128;
const kIplFirst = 13; // IPLMUS: bytes 1664 to 2048 of the boot read, its sectors 14 to 17
const kIplLast = 16;
const kStateNames = ['unread', 'read', 'damaged'];
const hexByte = (n) => n.toString(16).padStart(2, '0');

let inspected = null;

// What every sector of the disk holds and how it was read.
function mapOf(values, sectors) {
  const sides = [0, 1].map((side) => ({
    states: sectors[side]?.states, bytes: sectors[side]?.bytes,
    owners: Array.from({ length: kTracks * kSectors }, () => []),
  }));
  for (const side of sides) {
    for (let r = 0; r < kSectors; ++r) side.owners[kSectors + r].push('directory');
  }
  const entries = values.filter((value) => value.kind === 0 || value.kind === 2);
  for (const value of entries) {
    value.cells = [];
    if (value.kind === 2) {
      for (let k = kIplFirst; k <= kIplLast; ++k) value.cells.push(['boot', k]);
      continue;
    }
    // Entries whose sectors lie outside the volume light nothing.
    if (value.verdict === 2) continue;
    const first = value.start[0] * kSectors + value.start[1] - 1;
    const last = value.end[0] * kSectors + value.end[1] - 1;
    for (let k = Math.max(first, 0); k <= Math.min(last, kTracks * kSectors - 1); ++k) {
      sides[value.side].owners[k].push(value);
      value.cells.push([value.side, k]);
    }
  }
  return { sides, boot: sectors[2], entries };
}

function holdsOf(owners, outside) {
  if (outside) return 'outside';
  if (owners.length > 1) return 'shared';
  if (owners.length === 0) return 'free';
  return owners[0] === 'directory' ? 'directory' : 'file';
}

// A sector of side 0 or 1 by index, or of the boot read: what the page says
// of it, and its bytes.
function sectorOf(where, k) {
  const map = inspected.map;
  if (where === 'boot') {
    const [track, r] = kBootSectors[k];
    const iplmus = k >= kIplFirst && k <= kIplLast && map.boot;
    const state = map.boot ? kStateNames[map.boot.states[k]] : 'notRead';
    return {
      label: words.bootSector(track, r), holds: iplmus ? 'file' : 'boot', names: iplmus ? 'IPLMUS' : '',
      state, owners: iplmus ? inspected.map.entries.filter((value) => value.kind === 2) : [],
      bytes: map.boot?.bytes.subarray(k * kBootBytes, (k + 1) * kBootBytes),
    };
  }
  const side = map.sides[where];
  const track = Math.floor(k / kSectors);
  const outside = track === 0;
  const state = outside || !side.states ? 'notRead' : kStateNames[side.states[k - kSectors]];
  const owners = side.owners[k];
  const names = owners.map((owner) => (owner === 'directory' ? words.holds.directory
    : owner.shown || words.noName)).join(', ');
  return {
    label: words.volumeSector(where, hexByte(track), hexByte((k % kSectors) + 1)),
    holds: holdsOf(owners, outside), names: owners.length > 1 || owners[0] !== 'directory' ? names : '',
    state, owners: owners.filter((owner) => owner !== 'directory'),
    bytes: outside ? undefined : side.bytes?.subarray(k * kSectorBytes, (k + 1) * kSectorBytes),
  };
}

function describe(sector) {
  return words.cell(sector.label, words.holds[sector.holds], sector.names, words.state[sector.state]);
}

// One grid of sectors, moved through with the arrow keys: a single tab stop.
function grid(where, count, columns, label) {
  const cells = element('div', { className: `cells ${where === 'boot' ? 'boot' : 'volume'}`,
    role: 'group', ariaLabel: label });
  cells.style.setProperty('--columns', columns);
  for (let k = 0; k < count; ++k) {
    // A side's grid runs down each track's five sectors, then across the tracks.
    const index = where === 'boot' ? k : (k % kTracks) * kSectors + Math.floor(k / kTracks);
    const sector = sectorOf(where, index);
    const cell = element('button', {
      className: `cell ${sector.holds} ${sector.state}`, tabIndex: k === 0 ? 0 : -1,
      title: describe(sector), ariaLabel: describe(sector), type: 'button' });
    cell.dataset.where = where;
    cell.dataset.index = index;
    cells.append(cell);
  }
  cells.addEventListener('keydown', (event) => {
    const moves = { ArrowLeft: -1, ArrowRight: 1, ArrowUp: -columns, ArrowDown: columns,
      Home: -Infinity, End: Infinity };
    if (!(event.key in moves) || !event.target.classList.contains('cell')) return;
    event.preventDefault();
    const all = [...cells.children];
    const at = all.indexOf(event.target) + moves[event.key];
    const next = all[Math.max(0, Math.min(all.length - 1, at))];
    event.target.tabIndex = -1;
    next.tabIndex = 0;
    next.focus();
  });
  return cells;
}

function cellsOf(where, index) {
  return document.querySelectorAll(`.cell[data-where="${where}"][data-index="${index}"]`);
}

function clearLit() {
  for (const node of document.querySelectorAll('.lit')) node.classList.remove('lit');
}

// A file's row chosen: its sectors light up, its bytes are shown.
function viewEntry(value) {
  clearLit();
  value.row?.classList.add('lit');
  for (const [where, k] of value.cells ?? []) for (const cell of cellsOf(where, k)) cell.classList.add('lit');
  showBytes(value.shown || words.noName, value.bytes);
}

// A sector chosen: the rows of the entries that hold it light up, its bytes
// are shown.
function viewSector(where, index) {
  clearLit();
  const sector = sectorOf(where, index);
  for (const cell of cellsOf(where, index)) cell.classList.add('lit');
  for (const owner of sector.owners) owner.row?.classList.add('lit');
  showBytes(sector.label, sector.bytes);
}

function legend() {
  const items = [];
  for (const holds of ['directory', 'file', 'free', 'shared', 'outside']) {
    items.push(element('li', {}, element('span', { className: `cell key ${holds} read` }), ' ',
      words.holds[holds]));
  }
  for (const state of ['unread', 'damaged']) {
    items.push(element('li', {}, element('span', { className: `cell key file ${state}` }), ' ',
      words.state[state]));
  }
  return items;
}

// Each side's counts and each file's sectors, for whoever cannot see the map.
function mapLines() {
  const lines = [];
  for (const side of [0, 1]) {
    const counts = { directory: 0, file: 0, shared: 0, free: 0, unread: 0, damaged: 0 };
    for (let k = kSectors; k < kTracks * kSectors; ++k) {
      const sector = sectorOf(side, k);
      counts[sector.holds] += 1;
      if (sector.state in counts) counts[sector.state] += 1;
    }
    lines.push(element('p', {}, words.sideCounts(side, counts)));
  }
  const list = element('ul', {});
  for (const value of inspected.map.entries) {
    if (!value.cells?.length) continue;
    const sectors = value.cells.map(([where, k]) => sectorOf(where, k));
    const unread = sectors.filter((sector) => sector.state === 'unread').length;
    const damaged = sectors.filter((sector) => sector.state === 'damaged').length;
    const states = unread || damaged ? words.stateCounts(unread, damaged) : words.allRead;
    list.append(element('li', { lang: 'ja' }, words.fileSectors(value.shown || words.noName,
      value.kind === 2 ? words.boot : value.side, sectors[0].label, sectors.at(-1).label,
      sectors.length, states)));
  }
  lines.push(list);
  return lines;
}

function showInspector(current, values, sectors) {
  inspected = { run: current, map: mapOf(values, sectors) };
  const maps = [];
  for (const side of [0, 1]) {
    maps.push(element('h3', {}, words.sideMap(side)),
      grid(side, kTracks * kSectors, kTracks, words.sideMap(side)));
  }
  maps.push(element('h3', {}, words.bootMap), grid('boot', kBootSectors.length, 28, words.bootMap));
  $('maps').replaceChildren(...maps);
  $('legend').replaceChildren(...legend());
  $('map-lines').replaceChildren(...mapLines());
  $('viewer').hidden = true;
  for (const value of inspected.map.entries) {
    if (!value.row || !(value.cells?.length || value.bytes)) continue;
    value.row.cells[6].append(element('button', { className: 'view', type: 'button',
      onclick: () => viewEntry(value) }, words.view));
  }
  $('inspector').hidden = false;
}

function hideInspector() {
  inspected = null;
  $('inspector').hidden = true;
  $('maps').replaceChildren();
}

$('maps').addEventListener('click', (event) => {
  const cell = event.target.closest('.cell');
  if (cell) viewSector(cell.dataset.where === 'boot' ? 'boot' : Number(cell.dataset.where),
    Number(cell.dataset.index));
});
for (const type of ['mouseover', 'focusin']) {
  $('maps').addEventListener(type, (event) => {
    const cell = event.target.closest('.cell');
    if (cell) $('sector-info').textContent = cell.title;
  });
}

// --- the bytes -------------------------------------------------------------

const kRowBytes = 16;
const kOverscan = 8;
let shown = null;

// For each byte, the text it shows: a character where one starts (a
// double-byte one across its two columns), '' for the second byte of one,
// '.' for a control or a byte that is no character.
function textColumns(bytes) {
  const columns = new Array(bytes.length);
  for (let i = 0; i < bytes.length; ) {
    const b = bytes[i];
    if (isLeadByte(b) && i + 1 < bytes.length) {
      const { characters } = decodeShiftJis(bytes.subarray(i, i + 2));
      if (characters !== null && characters.length === 1) {
        columns[i] = characters;
        columns[i + 1] = '';
        i += 2;
        continue;
      }
    }
    const { characters } = decodeShiftJis(bytes.subarray(i, i + 1));
    columns[i] = characters === null || b < 0x20 || b === 0x7f ? '.' : characters;
    i += 1;
  }
  return columns;
}

function rowText(at) {
  const { bytes, columns } = shown;
  const end = Math.min(at + kRowBytes, bytes.length);
  let hex = '';
  let text = '';
  for (let i = at; i < at + kRowBytes; ++i) {
    hex += i < end ? hexByte(bytes[i]) + ' ' : '   ';
    if (i === at + 7) hex += ' ';
    // The second half of a character begun on the row before keeps its column.
    if (i < end) text += i === at && columns[i] === '' ? ' ' : columns[i];
  }
  return `${at.toString(16).padStart(6, '0')}  ${hex} ${text}`;
}

// Draws only the rows in view, however long the bytes.
function drawRows() {
  if (!shown) return;
  const box = $('hex');
  const rowHeight = shown.rowHeight;
  const first = Math.max(0, Math.floor(box.scrollTop / rowHeight) - kOverscan);
  const count = Math.ceil(box.clientHeight / rowHeight) + 2 * kOverscan;
  const rows = Math.ceil(shown.bytes.length / kRowBytes);
  const lines = [];
  for (let row = first; row < Math.min(rows, first + count); ++row) lines.push(rowText(row * kRowBytes));
  const pre = $('hex-rows');
  pre.style.transform = `translateY(${first * rowHeight}px)`;
  pre.textContent = lines.join('\n');
}

function showBytes(what, bytes) {
  const data = bytes ?? new Uint8Array(0);
  $('viewer').hidden = false;
  $('viewer-heading').textContent = words.viewing(what, data.length.toLocaleString('en'));
  const pre = $('hex-rows');
  pre.textContent = '0';
  const rowHeight = pre.getBoundingClientRect().height || 20;
  shown = { bytes: data, columns: textColumns(data), rowHeight };
  $('hex-space').style.height = `${Math.ceil(data.length / kRowBytes) * rowHeight}px`;
  $('hex').scrollTop = 0;
  drawRows();
  $('viewer').scrollIntoView({ block: 'nearest' });
}

$('hex').addEventListener('scroll', () => requestAnimationFrame(drawRows));
