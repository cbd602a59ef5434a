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
