// May a directory entry's name become a file in the current directory?
#pragma once

#include <string_view>

namespace d88 {

// On every host: not empty, not "." or "..", no "/". On Windows also the
// rules of isSafeWindowsName, applied to the name read as code page 932
// (Shift_JIS); a name that is not valid code page 932 is refused there.
bool isSafeFileName(const char* name);

// Windows' own rules, on the UTF-16 name: none of < > : " / \ | ? * or a
// control character, not a device name (CON, PRN, AUX, NUL, CONIN$, CONOUT$,
// COM0-9, LPT0-9, with or without an extension), and no dot or space at the end.
bool isSafeWindowsName(std::u16string_view name);

}  // namespace d88
