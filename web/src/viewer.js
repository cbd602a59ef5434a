// The bytes of a file or a sector, in a panel at the foot of the window, so
// that they appear where the person is, whatever was chosen: offset, hex and
// Shift_JIS text, a line where each sector starts, and the bytes of sectors
// missing from the image or recorded with a read error marked. Only the rows
// in view are drawn, however long the bytes. A text file can be read as its
// lines instead; rows can be copied, a sector saved. The same panel shows a
// track as the image records it.
import { $, element, hex2, save } from './dom.js';
import { decodeShiftJis, isLeadByte, textLines } from './shift_jis.js';
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
    const { bytes, columns, stateAt, mark, chosen } = shown;
    const end = Math.min(at + kRowBytes, bytes.length);
    const node = element('span', { className: 'row' });
    node.dataset.at = at;
    if (stateAt(at).starts && at > 0) node.classList.add('boundary');
    if (chosen && at >= chosen.from && at <= chosen.to) node.classList.add('chosen');
    const marked = (i) => mark && i >= mark.start && i < mark.end;
    const hex = [];
    const text = [];
    const run = (list, state, piece) => {
      const last = list.at(-1);
      if (last && last.state === state) last.text += piece;
      else list.push({ state, text: piece });
    };
    for (let i = at; i < at + kRowBytes; ++i) {
      const state = i >= end ? 'read' : marked(i) ? 'found' : stateAt(i).state;
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

  // Opens the panel on one of its three views: the bytes, a text file's
  // lines, or content of its own (a track).
  function open(title, view, from) {
    opener = from ?? null;
    panel.hidden = false;
    document.body.classList.add('viewing');
    $('viewer-heading').textContent = title;
    for (const id of ['bytes-view', 'text-view', 'viewer-content']) $(id).hidden = id !== view;
    $('copy-said').textContent = '';
  }

  function showText(on) {
    $('view-bytes').ariaPressed = String(!on);
    $('view-text').ariaPressed = String(on);
    $('bytes-view').hidden = on;
    $('text-view').hidden = !on;
    (on ? $('text-lines') : box).focus({ preventScroll: true });
  }

  // The rows from offset `from` to `to` (hexadecimal, as typed), or null.
  function chosenRows() {
    const [from, to] = ['copy-from', 'copy-to'].map((id) => $(id).value.trim())
      .map((typed) => (/^[0-9a-f]{1,8}$/i.test(typed) ? Number.parseInt(typed, 16) : NaN));
    if (!(from <= to && to < shown.bytes.length)) return null;
    return { from: from - (from % kRowBytes), to: to - (to % kRowBytes) };
  }

  async function copy(kind) {
    const rowsChosen = shown && chosenRows();
    const said = $('copy-said');
    if (!rowsChosen) {
      said.textContent = words.badRows;
      return;
    }
    const { from, to } = rowsChosen;
    const end = Math.min(to + kRowBytes, shown.bytes.length);
    let text;
    if (kind === 'hex') {
      const lines = [];
      for (let at = from; at <= to; at += kRowBytes) lines.push(rowNode(at).textContent.trimEnd());
      text = `${lines.join('\n')}\n`;
    } else {
      text = new TextDecoder('shift_jis').decode(shown.bytes.subarray(from, end));
    }
    try {
      await navigator.clipboard.writeText(text);
      said.textContent = words.copied((to - from) / kRowBytes + 1);
    } catch {
      said.textContent = words.copyFailed;
    }
  }

  function choose(from, to) {
    $('copy-from').value = from.toString(16).padStart(6, '0');
    $('copy-to').value = to.toString(16).padStart(6, '0');
    shown.chosen = { from, to };
    draw();
  }

  box.addEventListener('scroll', () => requestAnimationFrame(draw));
  panel.addEventListener('keydown', (event) => {
    if (event.key === 'Escape') {
      event.preventDefault();
      hide();
    }
  });
  rows.addEventListener('click', (event) => {
    const row = event.target.closest('.row');
    if (!row || !shown) return;
    const at = Number(row.dataset.at);
    if (event.shiftKey && shown.chosen) choose(Math.min(shown.chosen.from, at), Math.max(shown.chosen.from, at));
    else choose(at, at);
  });
  for (const id of ['copy-from', 'copy-to']) {
    $(id).addEventListener('change', () => {
      if (!shown) return;
      shown.chosen = chosenRows();
      draw();
    });
  }
  $('copy-hex').addEventListener('click', () => copy('hex'));
  $('copy-text').addEventListener('click', () => copy('text'));
  $('view-bytes').addEventListener('click', () => showText(false));
  $('view-text').addEventListener('click', () => showText(true));
  $('save-sector').addEventListener('click', () => shown?.saveAs && save(shown.saveAs, [shown.bytes], 'application/octet-stream'));
  $('viewer-close').addEventListener('click', hide);
  $('hex-head').textContent = headerText();

  return {
    // `sectors`: what the page says of each sector the bytes come from, in
    // order ({size, state}); the bytes of each start on a row of their own.
    // `mark`: {start, length} of bytes a search found, brought into view;
    // `saveAs`: the name the bytes are saved under; `asText`: a file, which
    // may be read as text.
    show({ title, bytes, sectors, opener: from, mark, saveAs, asText }) {
      const data = bytes ?? new Uint8Array(0);
      open(words.viewing(title, data.length.toLocaleString('en')), 'bytes-view', from);
      const size = sectors[0]?.size ?? data.length;
      const stateAt = (i) => ({ state: sectors[Math.floor(i / size)]?.state ?? 'read', starts: i % size === 0 });
      rows.replaceChildren(element('span', { className: 'row' }, '0'));
      const rowHeight = rows.firstChild.getBoundingClientRect().height || 20;
      shown = { bytes: data, columns: textColumns(data), rowHeight, stateAt, saveAs,
        mark: mark && { start: mark.start, end: mark.start + mark.length } };
      $('copy-from').value = '000000';
      $('copy-to').value = Math.max(0, data.length - 1).toString(16).padStart(6, '0');
      $('hex-space').style.height = `${Math.ceil(data.length / kRowBytes) * rowHeight}px`;
      const lines = asText ? textLines(data) : null;
      $('view-as').hidden = lines === null;
      if (lines) $('text-lines').textContent = lines.join('\n').replace(/[\ue000-\uf8ff]/g, '.');
      $('save-sector').hidden = !saveAs;
      if (saveAs) $('save-sector').textContent = words.saveSector(saveAs);
      box.scrollTop = mark ? Math.max(0, Math.floor(mark.start / kRowBytes) - 2) * rowHeight : 0;
      draw();
      showText(false);
    },
    // Content of its own, such as a track's records.
    showContent({ title, content, opener: from }) {
      shown = null;
      open(title, 'viewer-content', from);
      $('view-as').hidden = true;
      $('save-sector').hidden = true;
      $('viewer-content').replaceChildren(content);
      $('viewer-content').focus({ preventScroll: true });
    },
    hide,
  };
}
