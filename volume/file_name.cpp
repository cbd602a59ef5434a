#include "file_name.h"

#include <cstring>

namespace d88 {

namespace {

bool isForbiddenOnWindows(char16_t ch) {
  return ch < 0x20 || std::u16string_view(u"<>:\"/\\|?*").find(ch) != std::u16string_view::npos;
}

char16_t upper(char16_t ch) {
  return ch >= u'a' && ch <= u'z' ? ch - u'a' + u'A' : ch;
}

bool equalsIgnoringCase(std::u16string_view a, std::u16string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (upper(a[i]) != upper(b[i])) return false;
  }
  return true;
}

// CON, CON.TXT, com1.a.b: the part before the first dot names the device.
bool isDeviceName(std::u16string_view name) {
  const std::u16string_view stem = name.substr(0, name.find(u'.'));
  for (std::u16string_view device : {u"CON", u"PRN", u"AUX", u"NUL", u"CONIN$", u"CONOUT$"}) {
    if (equalsIgnoringCase(stem, device)) return true;
  }
  if (stem.size() != 4 || stem[3] < u'0' || stem[3] > u'9') return false;
  return equalsIgnoringCase(stem.substr(0, 3), u"COM") ||
         equalsIgnoringCase(stem.substr(0, 3), u"LPT");
}

}  // namespace

bool isSafeWindowsName(std::u16string_view name) {
  if (name.empty() || name.back() == u'.' || name.back() == u' ') return false;
  for (char16_t ch : name) {
    if (isForbiddenOnWindows(ch)) return false;
  }
  return !isDeviceName(name);
}

bool isSafeFileName(const char* name) {
  return name[0] != '\0' && std::strchr(name, '/') == nullptr && std::strcmp(name, ".") != 0 &&
         std::strcmp(name, "..") != 0;
}

}  // namespace d88
