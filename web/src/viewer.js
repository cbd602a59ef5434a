// The bytes of a file or a sector, in a panel at the foot of the window, so
// that they appear where the person is, whatever was chosen: offset, hex and
// Shift_JIS text, a line where each sector starts, and the bytes of sectors
// missing from the image or recorded with a read error marked. Only the rows
// in view are drawn, however long the bytes.
import { $, element, hex2 } from './dom.js';
import { decodeShiftJis, isLeadByte } from './shift_jis.js';
import { words } from './words.js';

const kRowBytes = 16;
const kOverscan = 8;

// Shift_JIS's user-defined characters (lead bytes F0 to F9) decode to the
// Private Use Area, which no font draws the same: shown as a dot.
const isUserDefined = (character) => character >= '\ue000' && character <= '\uf8ff';

// For each byte, the text it shows: a character where one starts (a
// double-byte one across its two columns), '' for the second byte of one,
// '.' for a control or a byte that is no character, and '..' for a
// user-defined character.
function textColumns(bytes) {
  const columns = new Array(bytes.length);
  for (let i = 0; i < bytes.length; ) {
    const b = bytes[i];
    if (isLeadByte(b) && i + 1 < bytes.length) {
      const { characters } = decodeShiftJis(bytes.subarray(i, i + 2));
      if (characters !== null && characters.length === 1) {
        const user = isUserDefined(characters);
        columns[i] = user ? '.' : characters;
        columns[i + 1] = user ? '.' : '';
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

// Kana, kanji and full-width forms take two columns of a monospace font.
const isWide = (c) => (c >= '\u3000' && c <= '\u9fff') || (c >= '\uff00' && c <= '\uff60');
const columnsOf = (text) => [...text].reduce((sum, c) => sum + (isWide(c) ? 2 : 1), 0);
const headerText = () => `${words.offset}${' '.repeat(Math.max(0, 8 - columnsOf(words.offset)))}` +
  [...Array(kRowBytes).keys()].map((k) => hex2(k) + (k === 7 ? '  ' : ' ')).join('') +
  // as wide as a row's text, so that no row shows beside it
  ` ${words.text}${' '.repeat(Math.max(0, kRowBytes - columnsOf(words.text)))}`;

export function makeViewer() {
  const panel = $('viewer');
  const box = $('hex');
  const rows = $('hex-rows');
  let shown = null;
  let opener = null;

  // One row: the bytes of one state in a span of their own, so that the
  // missing and the damaged stand out.
  function rowNode(at) {
    const { bytes, columns, stateAt } = shown;
    const end = Math.min(at + kRowBytes, bytes.length);
    const node = element('span', { className: 'row' });
    if (stateAt(at).starts && at > 0) node.classList.add('boundary');
    const hex = [];
    const text = [];
    const run = (list, state, piece) => {
      const last = list.at(-1);
      if (last && last.state === state) last.text += piece;
      else list.push({ state, text: piece });
    };
    for (let i = at; i < at + kRowBytes; ++i) {
      const state = i < end ? stateAt(i).state : 'read';
      run(hex, state, (i < end ? hex2(bytes[i]) : '  ') + (i === at + 7 ? '  ' : ' '));
      // The second half of a character begun on the row before keeps its column.
      if (i < end) run(text, state, i === at && columns[i] === '' ? ' ' : columns[i]);
    }
    const spans = (list) => list.map(({ state, text: piece }) =>
      (state === 'read' ? piece : element('span', { className: `bytes-${state}` }, piece)));
    node.append(`${at.toString(16).padStart(6, '0')}  `, ...spans(hex), ' ', ...spans(text));
    return node;
  }

  function draw() {
    if (!shown) return;
    const first = Math.max(0, Math.floor(box.scrollTop / shown.rowHeight) - kOverscan);
    const count = Math.ceil(box.clientHeight / shown.rowHeight) + 2 * kOverscan;
    const total = Math.ceil(shown.bytes.length / kRowBytes);
    const nodes = [];
    for (let row = first; row < Math.min(total, first + count); ++row) nodes.push(rowNode(row * kRowBytes));
    rows.style.transform = `translateY(${first * shown.rowHeight}px)`;
    rows.replaceChildren(...nodes);
  }

  function hide() {
    if (panel.hidden) return;
    panel.hidden = true;
    document.body.classList.remove('viewing');
    shown = null;
    opener?.focus();
    opener = null;
  }

  box.addEventListener('scroll', () => requestAnimationFrame(draw));
  panel.addEventListener('keydown', (event) => {
    if (event.key === 'Escape') {
      event.preventDefault();
      hide();
    }
  });
  $('viewer-close').addEventListener('click', hide);
  $('hex-head').textContent = headerText();

  return {
    // `sectors`: what the page says of each sector the bytes come from, in
    // order ({size, state}); the bytes of each start on a row of their own.
    show({ title, bytes, sectors, opener: from }) {
      const data = bytes ?? new Uint8Array(0);
      opener = from ?? null;
      panel.hidden = false;
      document.body.classList.add('viewing');
      $('viewer-heading').textContent = words.viewing(title, data.length.toLocaleString('en'));
      const size = sectors[0]?.size ?? data.length;
      const stateAt = (i) => ({ state: sectors[Math.floor(i / size)]?.state ?? 'read', starts: i % size === 0 });
      rows.replaceChildren(element('span', { className: 'row' }, '0'));
      const rowHeight = rows.firstChild.getBoundingClientRect().height || 20;
      shown = { bytes: data, columns: textColumns(data), rowHeight, stateAt };
      $('hex-space').style.height = `${Math.ceil(data.length / kRowBytes) * rowHeight}px`;
      box.scrollTop = 0;
      draw();
      box.focus({ preventScroll: true });
    },
    hide,
  };
}
