// The file-system operations that differ between hosts, for writing an
// entry's file without ever destroying what stands under its name.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>

#ifdef _WIN32
#include <string>
#include <string_view>
#endif

namespace d88 {

// Which file a name or stream leads to: device and inode on POSIX hosts,
// volume serial and file index on Windows. Unknown for what has none (a
// pipe or console on Windows).
struct FileIdentity {
  bool known = false;
  uint64_t volume = 0;
  uint64_t file = 0;
};

bool sameFile(const FileIdentity& a, const FileIdentity& b);

// The file that `path` leads to, following links.
FileIdentity identityOfPath(const char* path);
// The file an open stream writes to, and whether it is a character device
// (as terminals and consoles are), in one look.
FileIdentity identityOfStream(std::FILE* stream, bool& characterDevice);

// What stands under a name in the current folder, not following a link.
enum class ExistingKind { none, file, link, other };  // other: a folder, FIFO, device...
ExistingKind probeName(const char* name, FileIdentity& identity);

// The host's own verdict on a name that passed the common rules: always true
// on POSIX hosts; on Windows, the name read as code page 932 must convert and
// pass isSafeWindowsName.
bool isHostFileName(const char* name);

// Whether two names lead to the same file in one folder: byte for byte on
// POSIX hosts; on Windows, regardless of letter case.
bool sameHostFileName(const char* a, const char* b);

// Writes `length` bytes to a new temporary file beside `name` and renames it
// over `name` only once it is written and closed in full; a link under the
// name is replaced, never followed. On failure the temporary is removed and
// whatever stood under the name is untouched.
bool replaceFile(const char* name, const uint8_t* data, size_t length);

// From here on SIGINT, SIGTERM and SIGHUP (Ctrl+C and Ctrl+Break on Windows)
// remove the temporary in progress before the process ends as the signal
// would end it; SIGPIPE is ignored, so a closed standard output is reported
// rather than fatal.
void guardAgainstInterruption();

#ifdef _WIN32
// UTF-8 (the program's paths and its own name on Windows) as UTF-16; empty
// if the text is not UTF-8.
std::wstring wideFromUtf8(std::string_view text);
#endif

}  // namespace d88
