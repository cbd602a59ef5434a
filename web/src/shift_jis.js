// Names on the disk are Shift_JIS (code page 932) bytes. They are read as
// characters exactly as they are, with no normalisation. A control byte, or
// a byte that starts no character, is shown as \xhh, as the command line
// shows it on a terminal.
const pairDecoder = new TextDecoder('shift_jis', { fatal: true });

export function isLeadByte(b) {
  return (b >= 0x81 && b <= 0x9f) || (b >= 0xe0 && b <= 0xfc);
}

function escapedByte(b) {
  return '\\x' + b.toString(16).padStart(2, '0');
}

// { shown, characters }: the text to show, and the name as characters, or
// null when a byte of it starts no character.
export function decodeShiftJis(bytes) {
  let shown = '';
  let characters = '';
  let valid = true;
  for (let i = 0; i < bytes.length; ) {
    const b = bytes[i];
    let character = null;
    let length = 1;
    if (b < 0x80) {
      character = String.fromCharCode(b);
    } else if (b >= 0xa1 && b <= 0xdf) {
      character = String.fromCharCode(0xff61 + b - 0xa1); // half-width katakana
    } else if (isLeadByte(b) && i + 1 < bytes.length) {
      try {
        character = pairDecoder.decode(bytes.subarray(i, i + 2));
        length = 2;
      } catch {
        // no character: the next byte is read on its own
      }
    }
    if (character === null) valid = false;
    else characters += character;
    shown += character === null || b < 0x20 || b === 0x7f ? escapedByte(b) : character;
    i += length;
  }
  return { shown, characters: valid ? characters : null };
}

// Characters back to their Shift_JIS bytes, for a search: every double-byte
// character the decoder knows, built once, when first asked for. Where two
// codes give one character, the one the WHATWG encoder writes is kept: the
// earlier code, and IBM's rows (FA to FC) over NEC's copies of them (ED, EE).
let doubleBytes = null;
function doubleByteTable() {
  if (doubleBytes) return doubleBytes;
  const leads = [];
  for (let lead = 0x81; lead <= 0xfc; ++lead) if (isLeadByte(lead) && lead !== 0xed && lead !== 0xee) leads.push(lead);
  leads.push(0xed, 0xee);
  const pairs = [];
  for (const lead of leads) {
    for (let trail = 0x40; trail <= 0xfc; ++trail) if (trail !== 0x7f) pairs.push(lead, trail, 0x0a);
  }
  // One decode for all: a pair that is no character comes back as U+FFFD,
  // with its second byte after it when that is ASCII.
  const decoded = new TextDecoder('shift_jis').decode(new Uint8Array(pairs)).split('\n');
  doubleBytes = new Map();
  decoded.forEach((character, k) => {
    if (character.length === 1 && character !== '\ufffd' && !doubleBytes.has(character)) {
      doubleBytes.set(character, [pairs[3 * k], pairs[3 * k + 1]]);
    }
  });
  return doubleBytes;
}

// The Shift_JIS bytes of `text`, or null if a character of it has none.
export function encodeShiftJis(text) {
  const bytes = [];
  for (const character of text) {
    const code = character.codePointAt(0);
    if (code < 0x80) bytes.push(code);
    else if (code >= 0xff61 && code <= 0xff9f) bytes.push(code - 0xff61 + 0xa1);
    else if (doubleByteTable().has(character)) bytes.push(...doubleByteTable().get(character));
    else return null;
  }
  return Uint8Array.from(bytes);
}

// A file's lines, if it is text: Shift_JIS characters and the controls a
// text file holds (tab, form feed, escape), up to an end mark (1A) or the
// zeros that fill its last sector, in lines ended by CR LF or LF. Null for
// anything else.
const textDecoder = new TextDecoder('shift_jis', { fatal: true });
const kTextControls = new Set([0x09, 0x0a, 0x0c, 0x0d, 0x1b]);
export function textLines(bytes) {
  let end = bytes.indexOf(0x1a);
  if (end < 0) end = bytes.length;
  while (end > 0 && bytes[end - 1] === 0) --end;
  if (end === 0) return null;
  const text = bytes.subarray(0, end);
  if (text.some((b) => (b < 0x20 && !kTextControls.has(b)) || b === 0x7f)) return null;
  let characters;
  try {
    characters = textDecoder.decode(text);
  } catch {
    return null;
  }
  const lines = characters.split(/\r?\n/);
  if (lines.at(-1) === '') lines.pop();
  return lines;
}
