// The host's file system on Windows: identities are volume serial and file
// index, names are code page 932 read as UTF-16, and the interruptions are
// console events, handled on a thread of their own.
// rand_s, the system's random numbers, is declared only when asked for.
#define _CRT_RAND_S
#include <conio.h>
#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <string>

#include "file_name.h"
#include "host_file.h"
#include "shift_jis.h"
#include "temporary_name.h"

namespace d88 {

namespace {

constexpr int kInterruptions[] = {SIGINT, SIGTERM, SIGBREAK};

// The errno that says in words (strerror) what a Windows error means.
int errnoOf(DWORD error) {
  switch (error) {
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION: return EACCES;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL: return ENOSPC;
    case ERROR_WRITE_PROTECT: return EROFS;
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND: return ENOENT;
    default: return EIO;
  }
}

// The name as Windows takes it; false if it is not valid code page 932.
bool toWide(const char* name, std::wstring& wide) {
  std::u16string utf16;
  if (!utf16FromShiftJis(name, utf16)) return false;
  wide.assign(utf16.begin(), utf16.end());
  return true;
}

FileIdentity identityOfHandle(HANDLE handle) {
  BY_HANDLE_FILE_INFORMATION info;
  if (handle == INVALID_HANDLE_VALUE || GetFileType(handle) != FILE_TYPE_DISK ||
      !GetFileInformationByHandle(handle, &info)) {
    return {};
  }
  FileIdentity identity{true, info.dwVolumeSerialNumber,
                        uint64_t{info.nFileIndexHigh} << 32 | info.nFileIndexLow};
  if ((info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
    identity.size = static_cast<int64_t>(uint64_t{info.nFileSizeHigh} << 32 | info.nFileSizeLow);
    const uint64_t ticks =
        uint64_t{info.ftLastWriteTime.dwHighDateTime} << 32 | info.ftLastWriteTime.dwLowDateTime;
    identity.modified = static_cast<int64_t>(ticks & 0x7FFFFFFFFFFFFFFFu) * 100;
  }
  return identity;
}

std::wstring temporaryFolderWide() {
  std::array<wchar_t, MAX_PATH + 1> folder{};
  const DWORD length = GetTempPathW(static_cast<DWORD>(folder.size()), folder.data());
  return length > 0 && length < folder.size() ? std::wstring(folder.data(), length) : L".\\";
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

bool randomBits(uint64_t& bits) {
  unsigned int high = 0;
  unsigned int low = 0;
  if (rand_s(&high) != 0 || rand_s(&low) != 0) return false;
  bits = uint64_t{high} << 32 | low;
  return true;
}

std::wstring wideFromUtf8(std::string_view text) {
  std::wstring wide(text.size(), L'\0');
  const int length =
      MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text.data(), static_cast<int>(text.size()),
                          wide.data(), static_cast<int>(wide.size()));
  wide.resize(static_cast<size_t>(length > 0 ? length : 0));
  return wide;
}

std::string utf8FromWide(const wchar_t* wide) {
  const int length = WideCharToMultiByte(CP_UTF8, 0, wide, -1, nullptr, 0, nullptr, nullptr);
  std::string text(static_cast<size_t>(length > 0 ? length : 1), '\0');
  WideCharToMultiByte(CP_UTF8, 0, wide, -1, text.data(), length, nullptr, nullptr);
  text.pop_back();
  return text;
}

std::vector<std::string> commandLine(int, char**) {
  int count = 0;
  wchar_t** wide = CommandLineToArgvW(GetCommandLineW(), &count);
  std::vector<std::string> arguments;
  for (int i = 0; wide != nullptr && i < count; ++i) arguments.push_back(utf8FromWide(wide[i]));
  LocalFree(wide);
  return arguments;
}

bool ownsItsConsole() {
  DWORD processes[2];
  return GetConsoleProcessList(processes, 2) == 1;
}

void waitForAKey() {
  _getch();
}

bool userReadsJapanese() {
  return PRIMARYLANGID(GetUserDefaultUILanguage()) == LANG_JAPANESE;
}

std::FILE* openForReading(const char* path) {
  const std::wstring wide = wideFromUtf8(path);
  return wide.empty() ? nullptr : _wfopen(wide.c_str(), L"rb");
}

std::FILE* openStandardInput() {
  const int copy = _dup(_fileno(stdin));
  if (copy < 0) return nullptr;
  _setmode(copy, _O_BINARY);
  std::FILE* stream = _fdopen(copy, "rb");
  if (stream == nullptr) _close(copy);
  return stream;
}

bool canSeek(std::FILE* stream) {
  return GetFileType(reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(stream)))) == FILE_TYPE_DISK;
}

std::string temporaryFolder() {
  return utf8FromWide(temporaryFolderWide().c_str());
}

std::FILE* newTemporaryFile() {
  std::array<wchar_t, MAX_PATH + 1> name{};
  if (GetTempFileNameW(temporaryFolderWide().c_str(), L"d88", 0, name.data()) == 0) {
    errno = errnoOf(GetLastError());
    return nullptr;
  }
  // Gone when its handle closes, also when the process ends any other way.
  const HANDLE handle = CreateFileW(name.data(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_DELETE,
                                    nullptr, TRUNCATE_EXISTING,
                                    FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
  if (handle == INVALID_HANDLE_VALUE) {
    errno = errnoOf(GetLastError());
    DeleteFileW(name.data());
    return nullptr;
  }
  const int descriptor = _open_osfhandle(reinterpret_cast<intptr_t>(handle), _O_RDWR | _O_BINARY);
  if (descriptor < 0) {
    CloseHandle(handle);
    return nullptr;
  }
  std::FILE* file = _fdopen(descriptor, "w+b");
  if (file == nullptr) _close(descriptor);
  return file;
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

FileIdentity identityOfName(const char* name) {
  std::wstring wide;
  return toWide(name, wide) ? identityOfWidePath(wide, FILE_FLAG_OPEN_REPARSE_POINT) : FileIdentity{};
}

ExistingName probeName(const char* name) {
  std::wstring wide;
  errno = EINVAL;
  if (!toWide(name, wide)) return {ExistingKind::other, {}, 0};
  const DWORD attributes = GetFileAttributesW(wide.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return {ExistingKind::none, {}, 0};
  if (attributes & FILE_ATTRIBUTE_REPARSE_POINT) return {ExistingKind::link, {}, 0};
  errno = EISDIR;
  if (attributes & FILE_ATTRIBUTE_DIRECTORY) return {ExistingKind::other, {}, 0};
  errno = EACCES;
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
                 FileIdentity* written) {
  std::wstring target;
  if (!toWide(name, target)) return false;
  // The console handler runs on a thread of its own, so the name is marked
  // before the call that creates it: an interruption at any point finds it.
  HANDLE handle = INVALID_HANDLE_VALUE;
  for (int attempt = 0; attempt < kTemporaryAttempts && nameTemporary(); ++attempt) {
    std::copy_n(pendingName.data(), std::strlen(pendingName.data()) + 1, pendingWide.begin());
    pending = 1;
    handle = CreateFileW(pendingWide.data(), GENERIC_WRITE, FILE_SHARE_DELETE, nullptr, CREATE_NEW,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle != INVALID_HANDLE_VALUE) break;
    pending = 0;
    if (GetLastError() != ERROR_FILE_EXISTS) break;
  }
  if (handle == INVALID_HANDLE_VALUE) {
    errno = errnoOf(GetLastError());
    return false;
  }
  bool ok = true;
  for (size_t done = 0; ok && done < length;) {
    DWORD wrote = 0;
    const auto part = static_cast<DWORD>(std::min<size_t>(length - done, 1u << 30));
    ok = WriteFile(handle, data + done, part, &wrote, nullptr) && wrote > 0;
    done += wrote;
  }
  if (written != nullptr) *written = identityOfHandle(handle);
  ok = CloseHandle(handle) && ok;
  // A read-only file under the name makes the move fail: it is left as it was.
  ok = ok && MoveFileExW(pendingWide.data(), target.c_str(), MOVEFILE_REPLACE_EXISTING);
  const int error = errnoOf(GetLastError());
  if (!ok) DeleteFileW(pendingWide.data());
  pending = 0;
  errno = error;
  return ok;
}

void guardAgainstInterruption() {
  for (int signal : kInterruptions) {
    if (std::signal(signal, removePendingAndDie) == SIG_IGN) std::signal(signal, SIG_IGN);
  }
}

}  // namespace d88
