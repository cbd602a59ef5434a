// Search: bytes given in hexadecimal, or text in ASCII or Shift_JIS, found
// in what was read of both sides' volumes; each match listed with its place
// and the entries there, marked on the map, and shown when chosen.
import { $, element } from './dom.js';
import { kSectorBytes, kSectors, sectorOf } from './sector_map.js';
import { encodeShiftJis } from './shift_jis.js';
import { words } from './words.js';

const kListed = 200;

// The bytes to find, or why there are none.
export function queryBytes(text, kind) {
  if (kind === 'hex') {
    const digits = text.replace(/\s+/g, '');
    if (!/^([0-9a-f]{2})+$/i.test(digits)) return { why: words.notHex };
    return { bytes: Uint8Array.from(digits.match(/../g), (pair) => Number.parseInt(pair, 16)) };
  }
  if (text === '') return { why: words.emptyQuery };
  const bytes = encodeShiftJis(text);
  if (bytes) return { bytes };
  const missing = [...text].find((character) => encodeShiftJis(character) === null);
  return { why: words.notShiftJis(missing) };
}

// Where `needle` starts in side 0's volume, then side 1's (track 0 is no
// part of either): how many times, the first `listed` places as {side, k:
// the sector's index, offset in it}, and every sector where one starts.
export function findAll(map, needle, listed) {
  const found = { count: 0, places: [], sectors: [new Set(), new Set()] };
  for (const side of [0, 1]) {
    const haystack = map.sides[side].bytes;
    if (!haystack) continue;
    const last = haystack.length - needle.length;
    for (let at = haystack.indexOf(needle[0], kSectors * kSectorBytes); at >= 0 && at <= last;
      at = haystack.indexOf(needle[0], at + 1)) {
      let k = 1;
      while (k < needle.length && haystack[at + k] === needle[k]) ++k;
      if (k < needle.length) continue;
      const sector = Math.floor(at / kSectorBytes);
      if (found.count++ < listed) found.places.push({ side, k: sector, offset: at % kSectorBytes });
      found.sectors[side].add(sector);
    }
  }
  return found;
}

export function startSearch({ map, cellsOf, viewSector }) {
  const form = $('search');
  const said = $('search-said');
  const results = $('search-results');
  said.textContent = '';
  results.replaceChildren();
  const unmark = () => { for (const cell of document.querySelectorAll('#maps .found')) cell.classList.remove('found'); };
  unmark();
  form.onsubmit = (event) => {
    event.preventDefault();
    performance.mark('d88:search');
    unmark();
    results.replaceChildren();
    const query = queryBytes($('search-text').value, $('search-kind').value);
    if (!query.bytes) {
      said.textContent = query.why;
      return;
    }
    const found = findAll(map, query.bytes, kListed);
    found.sectors.forEach((sectors, side) => {
      for (const k of sectors) for (const cell of cellsOf(side, k)) cell.classList.add('found');
    });
    const items = found.places.map(({ side, k, offset }) => {
      const sector = sectorOf(map, side, k);
      const holders = sector.names || (sector.holds === 'directory' ? words.holds.directory : '');
      const button = element('button', { type: 'button', className: 'match' },
        words.match(sector.label, `0x${offset.toString(16).padStart(3, '0')}`, holders));
      button.onclick = () => viewSector(side, k, { opener: button, mark: { start: offset, length: query.bytes.length } });
      return element('li', { lang: 'ja' }, button);
    });
    results.replaceChildren(...items);
    said.textContent = found.count ? words.searchSaid(found.count, items.length) : words.noMatch;
    performance.mark('d88:searched');
  };
}
