// What a person at a terminal sees of the program's Shift_JIS text (messages
// and names): each character as itself, and each byte that is not valid code
// page 932 or is a control character as a visible escape such as \x81, so
// that no name can move the cursor or retitle the terminal. Pipes and files
// never go through here: they get the bytes as they are.
#pragma once

#include <string>
#include <string_view>

namespace d88 {

// For a UTF-8 terminal.
std::string terminalUtf8(std::string_view shiftJis);

// For a terminal whose character set is not UTF-8: the bytes as they are,
// but control characters escaped.
std::string terminalBytes(std::string_view text);

// For a Windows console, which takes UTF-16.
std::u16string terminalUtf16(std::string_view shiftJis);

}  // namespace d88
