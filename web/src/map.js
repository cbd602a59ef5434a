// The map: every sector of both sides and of the boot read, coloured by what
// holds it and marked by how it was read, the same as text, and the choice
// of a file or a sector to see its bytes.
import { $, element, hex2 } from './dom.js';
import { words } from './words.js';

const kTracks = 77;
const kSectors = 5;
const kSectorBytes = 1024;
// The boot read: 26 sectors of track 0, then 2 of track 1, 128 bytes each.
const kBootSectors = [...Array(26).keys()].map((k) => [0, k + 1]).concat([[1, 1], [1, 2]]);
const kBootBytes = 128;
const kBootColumns = 13;
const kIplFirst = 13; // IPLMUS: bytes 1664 to 2048 of the boot read, its sectors 14 to 17
const kIplLast = 16;
const kStateNames = ['unread', 'read', 'damaged'];

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
function sectorOf(map, where, k) {
  if (where === 'boot') {
    const [track, r] = kBootSectors[k];
    const iplmus = k >= kIplFirst && k <= kIplLast && map.boot;
    const state = map.boot ? kStateNames[map.boot.states[k]] : 'notRead';
    return {
      label: words.bootSector(track, r), holds: iplmus ? 'file' : 'boot', names: iplmus ? 'IPLMUS' : '',
      state, owners: iplmus ? map.entries.filter((value) => value.kind === 2) : [],
      bytes: map.boot?.bytes.subarray(k * kBootBytes, (k + 1) * kBootBytes), size: kBootBytes,
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
    label: words.volumeSector(where, hex2(track), hex2((k % kSectors) + 1)),
    holds: holdsOf(owners, outside), names: owners.length > 1 || owners[0] !== 'directory' ? names : '',
    state, owners: owners.filter((owner) => owner !== 'directory'),
    bytes: outside ? undefined : side.bytes?.subarray(k * kSectorBytes, (k + 1) * kSectorBytes),
    size: kSectorBytes,
  };
}

function describe(sector) {
  return words.cell(sector.label, words.holds[sector.holds], sector.names, words.state[sector.state]);
}

function cellButton(map, where, index) {
  const sector = sectorOf(map, where, index);
  const cell = element('button', {
    className: `cell ${sector.holds} ${sector.state}`, tabIndex: -1,
    title: describe(sector), ariaLabel: describe(sector), type: 'button' });
  cell.dataset.where = where;
  cell.dataset.index = index;
  return cell;
}

// Rows of cells moved through with the arrow keys, which stop at the edges:
// a single tab stop for the whole grid.
function arrowKeys(container, lines) {
  lines[0][0].tabIndex = 0;
  const at = new Map();
  lines.forEach((line, row) => line.forEach((cell, column) => at.set(cell, [row, column])));
  container.addEventListener('keydown', (event) => {
    const from = at.get(event.target);
    const moves = { ArrowLeft: [0, -1], ArrowRight: [0, 1], ArrowUp: [-1, 0], ArrowDown: [1, 0] };
    if (!from || !(event.key in moves || event.key === 'Home' || event.key === 'End')) return;
    event.preventDefault();
    const [row, column] = from;
    let next;
    if (event.key === 'Home') next = lines[row][0];
    else if (event.key === 'End') next = lines[row].at(-1);
    else next = lines[row + moves[event.key][0]]?.[column + moves[event.key][1]];
    if (!next) return;
    event.target.tabIndex = -1;
    next.tabIndex = 0;
    next.focus();
  });
}

// Both sides turned: a row for each logical track, side 0's five sectors
// then side 1's across, so that it fits a phone held upright.
function volumeGrid(map) {
  const grid = element('div', { className: 'cells volume', role: 'group', ariaLabel: words.volumeMap });
  const head = (text, className = '') => element('span', { className: `head ${className}`, ariaHidden: 'true' }, text);
  grid.append(head(''), head(words.sideColumn(0), 'side'), head(''), head(words.sideColumn(1), 'side'));
  grid.append(head(words.track, 'track'));
  for (const side of [0, 1]) {
    if (side === 1) grid.append(head(''));
    for (let r = 1; r <= kSectors; ++r) grid.append(head(String(r)));
  }
  const lines = [];
  for (let track = 0; track < kTracks; ++track) {
    grid.append(head(hex2(track), 'track'));
    const line = [];
    for (const side of [0, 1]) {
      if (side === 1) grid.append(head(''));
      for (let r = 0; r < kSectors; ++r) line.push(grid.appendChild(cellButton(map, side, track * kSectors + r)));
    }
    lines.push(line);
  }
  arrowKeys(grid, lines);
  return grid;
}

function bootGrid(map) {
  const grid = element('div', { className: 'cells boot', role: 'group', ariaLabel: words.bootMap });
  const lines = [];
  for (let k = 0; k < kBootSectors.length; ++k) {
    if (k % kBootColumns === 0) lines.push([]);
    lines.at(-1).push(grid.appendChild(cellButton(map, 'boot', k)));
  }
  arrowKeys(grid, lines);
  return grid;
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
function mapLines(map) {
  const lines = [];
  for (const side of [0, 1]) {
    const counts = { directory: 0, file: 0, shared: 0, free: 0, unread: 0, damaged: 0 };
    for (let k = kSectors; k < kTracks * kSectors; ++k) {
      const sector = sectorOf(map, side, k);
      counts[sector.holds] += 1;
      if (sector.state in counts) counts[sector.state] += 1;
    }
    lines.push(element('p', {}, words.sideCounts(side, counts)));
  }
  const list = element('ul', {});
  for (const value of map.entries) {
    if (!value.cells?.length) continue;
    const sectors = value.cells.map(([where, k]) => sectorOf(map, where, k));
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

// The map of one image's disk, with a View button on each row that has
// something to show; what is chosen goes to the viewer.
export function showMap(values, sectors, viewer) {
  const map = mapOf(values, sectors);
  const maps = $('maps');
  const info = $('sector-info');
  const cellsOf = (where, index) => maps.querySelectorAll(`.cell[data-where="${where}"][data-index="${index}"]`);
  const clearLit = () => {
    for (const node of document.querySelectorAll('.lit')) node.classList.remove('lit');
    maps.classList.remove('marking');
  };

  // A file's row chosen: its sectors are marked, its bytes are shown.
  const viewEntry = (value, opener) => {
    clearLit();
    value.row?.classList.add('lit');
    const sectorsOf = (value.cells ?? []).map(([where, k]) => sectorOf(map, where, k));
    for (const [where, k] of value.cells ?? []) for (const cell of cellsOf(where, k)) cell.classList.add('lit');
    maps.classList.toggle('marking', sectorsOf.length > 0);
    const name = value.shown || words.noName;
    info.textContent = words.fileOnMap(name, sectorsOf.length);
    viewer.show({ title: name, bytes: value.bytes, sectors: sectorsOf, opener });
  };
  // A sector chosen: the rows of the entries that hold it light up, its
  // bytes are shown.
  const viewSector = (cell) => {
    clearLit();
    const where = cell.dataset.where === 'boot' ? 'boot' : Number(cell.dataset.where);
    const sector = sectorOf(map, where, Number(cell.dataset.index));
    cell.classList.add('lit');
    for (const owner of sector.owners) owner.row?.classList.add('lit');
    info.textContent = cell.title;
    viewer.show({ title: sector.label, bytes: sector.bytes, sectors: [sector], opener: cell });
  };

  maps.replaceChildren(volumeGrid(map), element('h3', {}, words.bootHeading),
    element('p', { className: 'gloss' }, words.bootMap), bootGrid(map));
  maps.onclick = (event) => {
    const cell = event.target.closest('.cell');
    if (cell) viewSector(cell);
  };
  maps.onmouseover = maps.onfocusin = (event) => {
    const cell = event.target.closest('.cell');
    if (cell) info.textContent = cell.title;
  };
  info.textContent = '';
  $('legend').replaceChildren(...legend());
  $('map-lines').replaceChildren(...mapLines(map));
  for (const value of map.entries) {
    if (!value.row || !(value.cells?.length || value.bytes)) continue;
    const button = element('button', { className: 'view', type: 'button' }, words.view);
    button.onclick = () => viewEntry(value, button);
    value.row.querySelector('.actions').append(button);
  }
  $('inspector').hidden = false;
}

export function hideMap() {
  $('inspector').hidden = true;
  $('maps').replaceChildren();
}
