// What a person at a terminal sees of the program's text (messages, names and
// the program's own name): each character as itself, and each byte that
// starts no valid character, or starts a control character or a
// bidirectional control, as a visible escape such as \x81, so that no name
// can move the cursor, retitle the terminal or turn a line around. Pipes and
// files never go through here: they get the bytes as they are.
#pragma once

#include <string>
#include <string_view>

namespace d88 {

// Shift_JIS text for a UTF-8 terminal.
std::string terminalUtf8(std::string_view shiftJis);

// UTF-8 text (the program's name as invoked) for a UTF-8 terminal.
std::string terminalUtf8FromUtf8(std::string_view utf8);

// Shift_JIS text for a terminal whose own character set is Shift_JIS: valid
// characters as their bytes.
std::string terminalShiftJis(std::string_view shiftJis);

// Any text for a terminal of any other character set, whose reading of bytes
// from 0x80 up nobody knows (a UTF-8 emulator under the C locale takes C2 9B
// as a control): only printable ASCII as itself.
std::string terminalAscii(std::string_view text);

// The columns Shift_JIS text takes as shown: each character as wide as its
// bytes, each escape four columns a byte; with `charactersShown` false (an
// ASCII terminal), every byte from 0x80 up as an escape.
size_t shownColumns(std::string_view shiftJis, bool charactersShown);

// Shift_JIS and UTF-8 text for a Windows console, which takes UTF-16.
std::u16string terminalUtf16(std::string_view shiftJis);
std::u16string terminalUtf16FromUtf8(std::string_view utf8);

}  // namespace d88
