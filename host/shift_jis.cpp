#include "shift_jis.h"

#include <cstdint>

#ifdef _WIN32
#include <windows.h>
#else
#include <iconv.h>
#endif

namespace d88 {

namespace {

bool isLeadByte(uint8_t b) {
  return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
}

bool isTrailByte(uint8_t b) {
  return b >= 0x40 && b <= 0xFC && b != 0x7F;
}

// The code point of one double-byte character, or kNoCharacter if code page 932
// assigns none: by the host's own table.
char32_t decodePair(uint8_t lead, uint8_t trail) {
  const char pair[2] = {static_cast<char>(lead), static_cast<char>(trail)};
#ifdef _WIN32
  wchar_t wide[2];
  return MultiByteToWideChar(932, MB_ERR_INVALID_CHARS, pair, 2, wide, 2) == 1 ? wide[0]
                                                                               : kNoCharacter;
#else
  static const iconv_t convert = iconv_open("UTF-32LE", "CP932");
  if (convert == reinterpret_cast<iconv_t>(-1)) return kNoCharacter;
  char* in = const_cast<char*>(pair);
  size_t inLeft = 2;
  uint8_t out[8];
  char* target = reinterpret_cast<char*>(out);
  size_t outLeft = sizeof out;
  iconv(convert, nullptr, nullptr, nullptr, nullptr);
  if (iconv(convert, &in, &inLeft, &target, &outLeft) == static_cast<size_t>(-1) || outLeft != 4) {
    return kNoCharacter;
  }
  return char32_t{out[0]} | char32_t{out[1]} << 8 | char32_t{out[2]} << 16 | char32_t{out[3]} << 24;
#endif
}

}  // namespace

char32_t nextShiftJis(std::string_view text, size_t& length) {
  const auto first = static_cast<uint8_t>(text[0]);
  length = 1;
  if (first < 0x80) return first;
  if (first >= 0xA1 && first <= 0xDF) return char32_t{0xFF61} + (first - 0xA1u);  // half-width kana
  if (!isLeadByte(first) || text.size() < 2 || !isTrailByte(static_cast<uint8_t>(text[1]))) {
    return kNoCharacter;
  }
  const char32_t ch = decodePair(first, static_cast<uint8_t>(text[1]));
  if (ch != kNoCharacter) length = 2;
  return ch;
}

bool utf16FromShiftJis(std::string_view text, std::u16string& utf16) {
  utf16.clear();
  while (!text.empty()) {
    size_t length = 0;
    const char32_t ch = nextShiftJis(text, length);
    if (ch == kNoCharacter) return false;
    utf16 += static_cast<char16_t>(ch);  // code page 932 has nothing beyond the BMP
    text.remove_prefix(length);
  }
  return true;
}

}  // namespace d88
