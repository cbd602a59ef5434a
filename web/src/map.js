// The map: every sector of both sides and of the boot read, coloured by what
// holds it and marked by how it was read, the same as text, and the choice
// of a file, a sector or a track to see what it holds.
import { $, element, hex2, save } from './dom.js';
import { startSearch } from './search.js';
import { kBootSectors, kSectors, kTracks, mapAsData, mapOf, sectorOf } from './sector_map.js';
import { showTrack } from './tracks.js';
import { words } from './words.js';

const kBootColumns = 13;

function describe(sector) {
  return words.cell(sector.label, words.holds[sector.holds], sector.names, words.state[sector.state]);
}

// A square of the map; its title is its name too. Nearly a thousand are
// made for each image, so each is a copy of one made ready.
const cellTemplate = element('button', { type: 'button', tabIndex: -1 });
function cellButton(map, where, index) {
  const sector = sectorOf(map, where, index);
  const cell = cellTemplate.cloneNode();
  cell.className = `cell ${sector.holds} ${sector.state}`;
  cell.title = describe(sector);
  cell.dataset.where = where;
  cell.dataset.index = index;
  return cell;
}

// Rows of cells moved through with the arrow keys, which stop at the edges:
// a single tab stop for the whole grid.
function arrowKeys(container, lines, first = lines[0][0]) {
  first.tabIndex = 0;
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
    // The track's number opens what the image records there.
    const line = [grid.appendChild(element('button', { className: 'head track', type: 'button', tabIndex: -1,
      ariaLabel: words.trackButton(hex2(track)), title: words.trackButton(hex2(track)) }, hex2(track)))];
    line[0].dataset.track = track;
    for (const side of [0, 1]) {
      if (side === 1) grid.append(head(''));
      for (let r = 0; r < kSectors; ++r) line.push(grid.appendChild(cellButton(map, side, track * kSectors + r)));
    }
    lines.push(line);
  }
  arrowKeys(grid, lines, lines[0][1]);
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
  items.push(element('li', {}, element('span', { className: 'cell key free read found' }), ' ', words.found));
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
// something to show; what is chosen goes to the viewer. `tracks`: the
// records of every track, as the core lists them once it has the rest.
export function showMap({ values, sectors, tracks, viewer, imageName }) {
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
    viewer.show({ title: name, bytes: value.bytes, sectors: sectorsOf, opener, asText: true });
  };
  // A sector chosen: the rows of the entries that hold it light up, its
  // bytes are shown, from `mark` on marked when a search found it.
  const viewSector = (where, index, { opener = cellsOf(where, index)[0], mark } = {}) => {
    clearLit();
    const cell = cellsOf(where, index)[0];
    const sector = sectorOf(map, where, index);
    cell.classList.add('lit');
    for (const owner of sector.owners) owner.row?.classList.add('lit');
    info.textContent = cell.title;
    viewer.show({ title: sector.label, bytes: sector.bytes, sectors: [sector], opener, mark,
      saveAs: sector.bytes && sector.fileName });
  };
  const viewTrack = async (track, opener) => showTrack({ map, tracks: await tracks, track, viewer, opener });

  maps.replaceChildren(volumeGrid(map), element('h3', {}, words.bootHeading),
    element('p', { className: 'gloss' }, words.bootMap), bootGrid(map));
  maps.onclick = (event) => {
    const cell = event.target.closest('.cell');
    if (cell) viewSector(cell.dataset.where === 'boot' ? 'boot' : Number(cell.dataset.where), Number(cell.dataset.index));
    const head = event.target.closest('button.track');
    if (head) viewTrack(Number(head.dataset.track), head);
  };
  maps.onmouseover = maps.onfocusin = (event) => {
    const cell = event.target.closest('.cell, button.track');
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
  startSearch({ map, cellsOf, viewSector });
  $('map-json').onclick = () => save(`${imageName.replace(/\.[^.]*$/, '')}-map.json`,
    [JSON.stringify(mapAsData(map, imageName), null, 1), '\n'], 'application/json');
  $('inspector').hidden = false;
}

export function hideMap() {
  $('inspector').hidden = true;
  $('maps').replaceChildren();
}
