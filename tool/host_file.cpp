// rand_s, the system's random numbers, is declared only when asked for.
#define _CRT_RAND_S
#include "host_file.h"

#include <algorithm>
#include <array>
#include <csignal>
#include <cstdlib>
#include <cstring>

#ifdef _WIN32
#include <io.h>
#include <windows.h>

#include <string>

#include "file_name.h"
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#endif

namespace d88 {

bool sameFile(const FileIdentity& a, const FileIdentity& b) {
  return a.known && b.known && a.volume == b.volume && a.file == b.file;
}

namespace {

// The temporary being written, for the signal handler to remove. Its name is
// longer than six bytes, so no directory entry can ever name it.
std::array<char, 64> pendingName{};
volatile std::sig_atomic_t pending = 0;

// Tries this many random names before giving up; each is taken by chance
// with a chance of about one in 2^64.
constexpr int kTemporaryAttempts = 16;

#ifdef _WIN32
constexpr int kInterruptions[] = {SIGINT, SIGTERM, SIGBREAK};
bool randomBits(uint64_t& bits) {
  unsigned int high = 0;
  unsigned int low = 0;
  if (rand_s(&high) != 0 || rand_s(&low) != 0) return false;
  bits = uint64_t{high} << 32 | low;
  return true;
}
#else
constexpr int kInterruptions[] = {SIGINT, SIGTERM, SIGHUP};
bool randomBits(uint64_t& bits) {
  return getentropy(&bits, sizeof bits) == 0;
}
#endif

// A fresh temporary name in pendingName, from the system's random numbers:
// names that nobody can predict cannot be planted to block the run.
bool nameTemporary() {
  uint64_t bits = 0;
  if (!randomBits(bits)) return false;
  std::snprintf(pendingName.data(), pendingName.size(), ".d88extract-%016llx.tmp",
                static_cast<unsigned long long>(bits));
  return true;
}

}  // namespace

#ifdef _WIN32

namespace {

constexpr UINT kShiftJisCodePage = 932;

// False if the bytes are not valid code page 932.
bool toWide(const char* name, std::wstring& wide) {
  const int length =
      MultiByteToWideChar(kShiftJisCodePage, MB_ERR_INVALID_CHARS, name, -1, nullptr, 0);
  if (length <= 0) return false;
  wide.assign(static_cast<size_t>(length), L'\0');
  if (MultiByteToWideChar(kShiftJisCodePage, MB_ERR_INVALID_CHARS, name, -1, wide.data(), length) !=
      length) {
    return false;
  }
  wide.pop_back();  // the terminator counted by -1
  return true;
}

FileIdentity identityOfHandle(HANDLE handle) {
  BY_HANDLE_FILE_INFORMATION info;
  if (handle == INVALID_HANDLE_VALUE || GetFileType(handle) != FILE_TYPE_DISK ||
      !GetFileInformationByHandle(handle, &info)) {
    return {};
  }
  return {true, info.dwVolumeSerialNumber,
          uint64_t{info.nFileIndexHigh} << 32 | info.nFileIndexLow};
}

FileIdentity identityOfWidePath(const std::wstring& path, DWORD flags) {
  const HANDLE handle =
      CreateFileW(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                  OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | flags, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return {};
  const FileIdentity identity = identityOfHandle(handle);
  CloseHandle(handle);
  return identity;
}

// The temporary's name is ASCII; the handler must not touch a std::wstring
// that the main thread may be changing.
std::array<wchar_t, 64> pendingWide{};

void removePendingAndDie(int signal) {
  // Ctrl+C runs this on a thread of its own; the temporary was opened with
  // FILE_SHARE_DELETE, so it goes when the process closes its handle.
  if (pending != 0) DeleteFileW(pendingWide.data());
  std::signal(signal, SIG_DFL);
  std::raise(signal);
}

}  // namespace

std::wstring wideFromUtf8(std::string_view text) {
  std::wstring wide(text.size(), L'\0');
  const int length =
      MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text.data(), static_cast<int>(text.size()),
                          wide.data(), static_cast<int>(wide.size()));
  wide.resize(static_cast<size_t>(length > 0 ? length : 0));
  return wide;
}

FileIdentity identityOfPath(const char* path) {
  const std::wstring wide = wideFromUtf8(path);
  return wide.empty() ? FileIdentity{} : identityOfWidePath(wide, 0);
}

FileIdentity identityOfStream(std::FILE* stream, bool& characterDevice) {
  const auto handle = reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(stream)));
  characterDevice = GetFileType(handle) == FILE_TYPE_CHAR;
  return identityOfHandle(handle);
}

ExistingName probeName(const char* name) {
  std::wstring wide;
  if (!toWide(name, wide)) return {ExistingKind::other, {}, 0};
  const DWORD attributes = GetFileAttributesW(wide.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return {ExistingKind::none, {}, 0};
  if (attributes & FILE_ATTRIBUTE_REPARSE_POINT) return {ExistingKind::link, {}, 0};
  if (attributes & FILE_ATTRIBUTE_DIRECTORY) return {ExistingKind::other, {}, 0};
  const ExistingKind kind =
      attributes & FILE_ATTRIBUTE_READONLY ? ExistingKind::readOnlyFile : ExistingKind::file;
  return {kind, identityOfWidePath(wide, FILE_FLAG_OPEN_REPARSE_POINT), 0};
}

bool isHostFileName(const char* name) {
  std::wstring wide;
  return toWide(name, wide) && isSafeWindowsName(std::u16string_view(
                                   reinterpret_cast<const char16_t*>(wide.data()), wide.size()));
}

bool replaceFile(const char* name, const uint8_t* data, size_t length, const ExistingName&,
                 FileIdentity& written) {
  std::wstring target;
  if (!toWide(name, target)) return false;
  // The console handler runs on a thread of its own, so the name is marked
  // before the call that creates it: an interruption at any point finds it.
  HANDLE handle = INVALID_HANDLE_VALUE;
  for (int attempt = 0; attempt < kTemporaryAttempts && nameTemporary(); ++attempt) {
    std::copy_n(pendingName.data(), std::strlen(pendingName.data()) + 1, pendingWide.begin());
    pending = 1;
    handle = CreateFileW(pendingWide.data(), GENERIC_WRITE, FILE_SHARE_DELETE, nullptr,
                         CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle != INVALID_HANDLE_VALUE) break;
    pending = 0;
    if (GetLastError() != ERROR_FILE_EXISTS) break;
  }
  if (handle == INVALID_HANDLE_VALUE) return false;
  bool ok = true;
  for (size_t done = 0; ok && done < length;) {
    DWORD wrote = 0;
    const auto part = static_cast<DWORD>(std::min<size_t>(length - done, 1u << 30));
    ok = WriteFile(handle, data + done, part, &wrote, nullptr) && wrote > 0;
    done += wrote;
  }
  written = identityOfHandle(handle);
  ok = CloseHandle(handle) && ok;
  // A read-only file under the name makes the move fail: it is left as it was.
  ok = ok && MoveFileExW(pendingWide.data(), target.c_str(), MOVEFILE_REPLACE_EXISTING);
  if (!ok) DeleteFileW(pendingWide.data());
  pending = 0;
  return ok;
}

void guardAgainstInterruption() {
  for (int signal : kInterruptions) {
    if (std::signal(signal, removePendingAndDie) == SIG_IGN) std::signal(signal, SIG_IGN);
  }
}

#else

namespace {

FileIdentity identityOf(const struct stat& info) {
  return {true, static_cast<uint64_t>(info.st_dev), static_cast<uint64_t>(info.st_ino)};
}

void removePendingAndDie(int signal) {
  // Only async-signal-safe calls here: unlink, signal and raise.
  if (pending != 0) unlink(pendingName.data());
  std::signal(signal, SIG_DFL);
  std::raise(signal);
}

bool writeAll(int descriptor, const uint8_t* data, size_t length) {
  for (size_t done = 0; done < length;) {
    const ssize_t wrote = write(descriptor, data + done, length - done);
    if (wrote < 0 && errno == EINTR) continue;
    if (wrote <= 0) return false;
    done += static_cast<size_t>(wrote);
  }
  return true;
}

// Creates a temporary under a fresh random name, exclusively (never following
// a link), with 0666 less the umask as fopen would give; -1 on failure. The
// interruptions wait while it is created and marked, so that none can end the
// run between the two and leave it behind.
int createTemporary() {
  sigset_t interruptions;
  sigset_t previous;
  sigemptyset(&interruptions);
  for (int signal : kInterruptions) sigaddset(&interruptions, signal);
  sigprocmask(SIG_BLOCK, &interruptions, &previous);
  int descriptor = -1;
  for (int attempt = 0; attempt < kTemporaryAttempts && nameTemporary(); ++attempt) {
    descriptor = open(pendingName.data(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC,
                      0666);
    if (descriptor >= 0 || errno != EEXIST) break;
  }
  pending = descriptor >= 0 ? 1 : 0;
  sigprocmask(SIG_SETMASK, &previous, nullptr);
  return descriptor;
}

}  // namespace

FileIdentity identityOfPath(const char* path) {
  struct stat info;
  return stat(path, &info) == 0 ? identityOf(info) : FileIdentity{};
}

FileIdentity identityOfStream(std::FILE* stream, bool& characterDevice) {
  struct stat info;
  characterDevice = false;
  if (fstat(fileno(stream), &info) != 0) return {};
  characterDevice = S_ISCHR(info.st_mode);
  return identityOf(info);
}

ExistingName probeName(const char* name) {
  struct stat info;
  if (lstat(name, &info) != 0) {
    return {errno == ENOENT ? ExistingKind::none : ExistingKind::other, {}, 0};
  }
  ExistingName found{ExistingKind::other, identityOf(info), info.st_mode & 0777u};
  if (S_ISLNK(info.st_mode)) {
    found.kind = ExistingKind::link;
  } else if (S_ISREG(info.st_mode)) {
    // Writing in place would have been refused: so is replacing it.
    found.kind = faccessat(AT_FDCWD, name, W_OK, AT_EACCESS) == 0 ? ExistingKind::file
                                                                   : ExistingKind::readOnlyFile;
  }
  return found;
}

bool isHostFileName(const char*) {
  return true;
}

bool replaceFile(const char* name, const uint8_t* data, size_t length,
                 const ExistingName& existing, FileIdentity& written) {
  const int descriptor = createTemporary();
  if (descriptor < 0) return false;
  bool ok = writeAll(descriptor, data, length);
  struct stat info;
  if (ok && fstat(descriptor, &info) == 0) written = identityOf(info);
  // As a write in place would; a folder that keeps no modes (vfat) may refuse.
  if (ok && existing.kind == ExistingKind::file) fchmod(descriptor, existing.permissions);
  ok = close(descriptor) == 0 && ok;
  // rename replaces a link under the name; it never writes through it.
  ok = ok && rename(pendingName.data(), name) == 0;
  if (!ok) unlink(pendingName.data());
  pending = 0;
  return ok;
}

void guardAgainstInterruption() {
  struct sigaction action{};
  action.sa_handler = removePendingAndDie;
  sigemptyset(&action.sa_mask);
  for (int signal : kInterruptions) {
    struct sigaction previous{};
    sigaction(signal, &action, &previous);
    // Ignored on purpose by whoever started us (nohup): keep it so.
    if (previous.sa_handler == SIG_IGN) sigaction(signal, &previous, nullptr);
  }
  std::signal(SIGPIPE, SIG_IGN);
  // A write past a file-size limit then fails with EFBIG, for that file alone.
  std::signal(SIGXFSZ, SIG_IGN);
}

#endif

}  // namespace d88
