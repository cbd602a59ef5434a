#include "host_file.h"

#ifdef _WIN32
#include <windows.h>

#include <string>

#include "file_name.h"
#endif

namespace d88 {

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

}  // namespace

bool isHostFileName(const char* name) {
  std::wstring wide;
  return toWide(name, wide) && isSafeWindowsName(std::u16string_view(
                                   reinterpret_cast<const char16_t*>(wide.data()), wide.size()));
}

std::FILE* createHostFile(const char* name) {
  std::wstring wide;
  if (!toWide(name, wide)) return nullptr;
  return _wfopen(wide.c_str(), L"wb");
}

#else

bool isHostFileName(const char*) {
  return true;
}

std::FILE* createHostFile(const char* name) {
  return std::fopen(name, "wb");
}

#endif

}  // namespace d88
