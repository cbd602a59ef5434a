// host/: the host's files and text: safe writes, names, file identities, one
// source per platform.
//
// The file-system operations that differ between hosts, for writing an
// entry's file without ever destroying what stands under its name: one file
// for POSIX systems and one for Windows, chosen by the build.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

namespace d88 {

// Which file a name or stream leads to: device and inode on POSIX hosts,
// volume serial and file index on Windows. Unknown for what has none (a
// pipe or console on Windows).
struct FileIdentity {
  bool known = false;
  uint64_t volume = 0;
  uint64_t file = 0;
  // Of a regular file, for the folders whose file numbers go with the name
  // rather than the file (FUSE without use_ino, as sshfs; CIFS noserverino).
  int64_t size = -1;
  int64_t modified = 0;  // nanoseconds
};

inline bool sameFile(const FileIdentity& a, const FileIdentity& b) {
  return a.known && b.known && a.volume == b.volume && a.file == b.file;
}

// The same file, or one on the same volume whose size and modification
// time agree to the nanosecond: what a folder without stable file numbers
// shows of one file under a second name it folds onto the first.
inline bool maybeSameFile(const FileIdentity& a, const FileIdentity& b) {
  return sameFile(a, b) || (a.known && b.known && a.volume == b.volume && a.size >= 0 &&
                            a.size == b.size && a.modified == b.modified);
}

// What stands under an entry's name and keeps the file from being written,
// when errno has no word for it.
inline constexpr int kFifoInTheWay = -1;
inline constexpr int kDeviceInTheWay = -2;
inline constexpr int kSocketInTheWay = -3;

// The file that `path` leads to, following links.
FileIdentity identityOfPath(const char* path);
// What stands under a name in the current folder, not following a link.
FileIdentity identityOfName(const char* name);
// The file an open stream writes to, and whether it is a character device
// (as terminals and consoles are), in one look.
FileIdentity identityOfStream(std::FILE* stream, bool& characterDevice);

// What stands under a name in the current folder, not following a link.
enum class ExistingKind {
  none,
  file,          // a regular file the user may write
  readOnlyFile,  // a regular file the user may not write (by effective ids, as fopen decides)
  link,
  other,  // a folder, FIFO, device...
};
struct ExistingName {
  ExistingKind kind = ExistingKind::none;
  FileIdentity identity;
  uint32_t permissions = 0;  // of a file: kept by the file that replaces it
};
// For what is refused (other, readOnlyFile), errno says why, or one of the
// k...InTheWay values.
ExistingName probeName(const char* name);

// The host's own verdict on a name that passed the common rules: always true
// on POSIX hosts; on Windows, the name read as code page 932 must convert and
// pass isSafeWindowsName.
bool isHostFileName(const char* name);

// Writes `length` bytes to a new temporary file beside `name` and renames it
// over `name` only once it is written and closed in full; a link under the
// name is replaced, never followed, and a file keeps its permissions
// (`existing` is what probeName found there). The temporary's name is random,
// so nobody can plant it beforehand. On success `written`, unless null, is
// the new file's identity; on failure the temporary is removed, whatever
// stood under the name is untouched, and errno says why.
bool replaceFile(const char* name, const uint8_t* data, size_t length, const ExistingName& existing,
                 FileIdentity* written);

// From here on every signal that would end the process and can be caught
// (SIGINT, SIGTERM, SIGHUP, SIGQUIT, SIGALRM, SIGUSR1, ...; Ctrl+C and
// Ctrl+Break on Windows) removes the temporary in progress before the
// process ends as the signal would end it; SIGPIPE and SIGXFSZ are ignored,
// so a closed standard output or a file-size limit is reported, not fatal.
void guardAgainstInterruption();

// The program's arguments as UTF-8 on Windows, from the wide command line,
// so that any file name reaches it whatever the code page; as they are on
// POSIX hosts.
std::vector<std::string> commandLine(int argc, char** argv);

// Whether the program has a console window of its own, as when Explorer
// starts it, which closes as soon as it ends; and a wait for a key there.
// Always false on POSIX hosts.
bool ownsItsConsole();
void waitForAKey();

// Whether the user reads Japanese: by the locale (LC_ALL, LC_MESSAGES or
// LANG, the first that is set) on POSIX hosts, by the user interface's
// language on Windows.
bool userReadsJapanese();

// Opens a file for binary reading; on Windows the path is UTF-8.
std::FILE* openForReading(const char* path);
// Standard input as a stream of its own for binary reading, or null.
std::FILE* openStandardInput();

// Whether the stream leads to a file that can be read in any order: a
// regular file or a disk, judged by what it is, not by whether a seek fails
// (on Windows a seek on a pipe succeeds).
bool canSeek(std::FILE* stream);

// Where unnamed temporaries go: TMPDIR, else /tmp; on Windows the system's
// (TMP, TEMP). UTF-8 on Windows.
std::string temporaryFolder();

// A new file there for reading and writing, gone once closed, or once the
// process ends; null on failure, errno says why.
std::FILE* newTemporaryFile();

#ifdef _WIN32
// UTF-8 (the program's paths and its own name on Windows) as UTF-16; empty
// if the text is not UTF-8.
std::wstring wideFromUtf8(std::string_view text);
// And back.
std::string utf8FromWide(const wchar_t* wide);
#endif

}  // namespace d88
