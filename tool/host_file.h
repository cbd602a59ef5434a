// The few things that differ between hosts when an entry becomes a file.
#pragma once

#include <cstdio>

namespace d88 {

// The host's own verdict on a name that passed the common rules: always true
// on POSIX hosts; on Windows, the name read as code page 932 must convert and
// pass isSafeWindowsName.
bool isHostFileName(const char* name);

// Creates or truncates the file for binary writing: fopen on POSIX hosts;
// on Windows the name is converted from code page 932 and opened through the
// wide-character API, so it gets the same characters whatever the system's
// code page. Null on failure.
std::FILE* createHostFile(const char* name);

}  // namespace d88
