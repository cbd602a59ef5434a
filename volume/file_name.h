// May a directory entry's name become a file in the current directory? Every
// naming rule, as plain functions: the host applies the one of its own
// (isHostFileName) on top of the first.
#pragma once

#include <string_view>

namespace d88 {

// On every host: not empty, not "." or "..", no "/".
bool isSafeFileName(const char* name);

// Windows' own rules, on the name read as code page 932 (Shift_JIS), which
// must be valid: none of < > : " / \ | ? * or a
// control character, not a device name (CON, PRN, AUX, NUL, CONIN$, CONOUT$,
// COM0-9, LPT0-9, with or without an extension), and no dot or space at the end.
bool isSafeWindowsName(std::u16string_view name);

}  // namespace d88
