#include "host_file.h"

#include <algorithm>
#include <array>
#include <csignal>
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

#ifdef _WIN32
constexpr int kInterruptions[] = {SIGINT, SIGTERM, SIGBREAK};
unsigned long processId() {
  return GetCurrentProcessId();
}
#else
constexpr int kInterruptions[] = {SIGINT, SIGTERM, SIGHUP};
unsigned long processId() {
  return static_cast<unsigned long>(getpid());
}
#endif

// Tries a few names until `open(name, fatal)` creates one exclusively; it
// returns false and sets `fatal` when the failure is not a name already taken.
// Only one temporary exists at a time, so each file starts from the same name.
template <typename Open>
bool createTemporary(Open open) {
  static const unsigned long process = processId();
  for (int attempt = 0; attempt < 100; ++attempt) {
    std::snprintf(pendingName.data(), pendingName.size(), ".d88extract-%lu-%d.tmp", process,
                  attempt);
    bool fatal = false;
    if (open(pendingName.data(), fatal)) {
      pending = 1;
      return true;
    }
    if (fatal) return false;
  }
  return false;
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

ExistingKind probeName(const char* name, FileIdentity& identity) {
  std::wstring wide;
  if (!toWide(name, wide)) return ExistingKind::other;
  const DWORD attributes = GetFileAttributesW(wide.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return ExistingKind::none;
  if (attributes & FILE_ATTRIBUTE_REPARSE_POINT) return ExistingKind::link;
  if (attributes & FILE_ATTRIBUTE_DIRECTORY) return ExistingKind::other;
  identity = identityOfWidePath(wide, FILE_FLAG_OPEN_REPARSE_POINT);
  return ExistingKind::file;
}

bool isHostFileName(const char* name) {
  std::wstring wide;
  return toWide(name, wide) && isSafeWindowsName(std::u16string_view(
                                   reinterpret_cast<const char16_t*>(wide.data()), wide.size()));
}

bool sameHostFileName(const char* a, const char* b) {
  std::wstring wideA;
  std::wstring wideB;
  if (!toWide(a, wideA) || !toWide(b, wideB)) return std::strcmp(a, b) == 0;
  return CompareStringOrdinal(wideA.c_str(), -1, wideB.c_str(), -1, TRUE) == CSTR_EQUAL;
}

bool replaceFile(const char* name, const uint8_t* data, size_t length) {
  std::wstring target;
  if (!toWide(name, target)) return false;
  HANDLE handle = INVALID_HANDLE_VALUE;
  const bool created = createTemporary([&](const char* temporary, bool& fatal) {
    std::copy_n(temporary, std::strlen(temporary) + 1, pendingWide.begin());
    handle = CreateFileW(pendingWide.data(), GENERIC_WRITE, FILE_SHARE_DELETE, nullptr,
                         CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    fatal = handle == INVALID_HANDLE_VALUE && GetLastError() != ERROR_FILE_EXISTS;
    return handle != INVALID_HANDLE_VALUE;
  });
  if (!created) return false;
  bool ok = true;
  for (size_t done = 0; ok && done < length;) {
    DWORD wrote = 0;
    const auto part = static_cast<DWORD>(std::min<size_t>(length - done, 1u << 30));
    ok = WriteFile(handle, data + done, part, &wrote, nullptr) && wrote > 0;
    done += wrote;
  }
  ok = CloseHandle(handle) && ok;
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

ExistingKind probeName(const char* name, FileIdentity& identity) {
  struct stat info;
  if (lstat(name, &info) != 0) return errno == ENOENT ? ExistingKind::none : ExistingKind::other;
  identity = identityOf(info);
  if (S_ISLNK(info.st_mode)) return ExistingKind::link;
  return S_ISREG(info.st_mode) ? ExistingKind::file : ExistingKind::other;
}

bool isHostFileName(const char*) {
  return true;
}

bool sameHostFileName(const char* a, const char* b) {
  return std::strcmp(a, b) == 0;
}

bool replaceFile(const char* name, const uint8_t* data, size_t length) {
  int descriptor = -1;
  // Exclusive creation never follows a link, and 0666 less the umask is what
  // fopen would give.
  const bool created = createTemporary([&](const char* temporary, bool& fatal) {
    descriptor = open(temporary, O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
    fatal = descriptor < 0 && errno != EEXIST;
    return descriptor >= 0;
  });
  if (!created) return false;
  bool ok = writeAll(descriptor, data, length);
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
}

#endif

}  // namespace d88
