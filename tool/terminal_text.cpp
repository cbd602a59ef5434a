#include "terminal_text.h"

#include <cstdint>
#include <cstdio>

#ifdef _WIN32
#include <windows.h>
#else
#include <iconv.h>
#endif

namespace d88 {

namespace {

constexpr char32_t kInvalid = 0xFFFFFFFF;

bool isLeadByte(uint8_t b) {
  return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
}

bool isTrailByte(uint8_t b) {
  return b >= 0x40 && b <= 0xFC && b != 0x7F;
}

bool isControl(char32_t ch) {
  return ch < 0x20 || (ch >= 0x7F && ch <= 0x9F);
}

// The code point of one double-byte character, or kInvalid if code page 932
// assigns none: by the host's own table.
char32_t decodePair(uint8_t lead, uint8_t trail) {
  const char pair[2] = {static_cast<char>(lead), static_cast<char>(trail)};
#ifdef _WIN32
  wchar_t wide[2];
  return MultiByteToWideChar(932, MB_ERR_INVALID_CHARS, pair, 2, wide, 2) == 1 ? wide[0]
                                                                               : kInvalid;
#else
  static const iconv_t convert = iconv_open("UTF-32LE", "CP932");
  if (convert == reinterpret_cast<iconv_t>(-1)) return kInvalid;
  char* in = const_cast<char*>(pair);
  size_t inLeft = 2;
  uint8_t out[8];
  char* target = reinterpret_cast<char*>(out);
  size_t outLeft = sizeof out;
  iconv(convert, nullptr, nullptr, nullptr, nullptr);
  if (iconv(convert, &in, &inLeft, &target, &outLeft) == static_cast<size_t>(-1) ||
      outLeft != 4) {
    return kInvalid;
  }
  return char32_t{out[0]} | char32_t{out[1]} << 8 | char32_t{out[2]} << 16 |
         char32_t{out[3]} << 24;
#endif
}

// The next character of the text and the bytes it takes; kInvalid for a byte
// that starts no character.
char32_t nextCharacter(std::string_view text, size_t& length) {
  const auto first = static_cast<uint8_t>(text[0]);
  length = 1;
  if (first < 0x80) return first;
  if (first >= 0xA1 && first <= 0xDF) return char32_t{0xFF61} + (first - 0xA1u);  // half-width kana
  if (!isLeadByte(first) || text.size() < 2 || !isTrailByte(static_cast<uint8_t>(text[1]))) {
    return kInvalid;
  }
  const char32_t ch = decodePair(first, static_cast<uint8_t>(text[1]));
  if (ch != kInvalid) length = 2;
  return ch;
}

template <typename String>
void appendEscape(String& out, uint8_t byte) {
  char escape[5];
  std::snprintf(escape, sizeof escape, "\\x%02x", byte);
  out.append(escape, escape + 4);
}

void appendUtf8(std::string& out, char32_t ch) {
  if (ch < 0x80) {
    out += static_cast<char>(ch);
  } else if (ch < 0x800) {
    out += static_cast<char>(0xC0 | ch >> 6);
    out += static_cast<char>(0x80 | (ch & 0x3F));
  } else {  // code page 932 has nothing beyond the Basic Multilingual Plane
    out += static_cast<char>(0xE0 | ch >> 12);
    out += static_cast<char>(0x80 | (ch >> 6 & 0x3F));
    out += static_cast<char>(0x80 | (ch & 0x3F));
  }
}

template <typename String, typename Append>
String convert(std::string_view text, Append append) {
  String out;
  while (!text.empty()) {
    size_t length = 0;
    const char32_t ch = nextCharacter(text, length);
    if (ch == kInvalid || isControl(ch)) {
      appendEscape(out, static_cast<uint8_t>(text[0]));
    } else {
      append(out, ch);
    }
    text.remove_prefix(length);
  }
  return out;
}

}  // namespace

std::string terminalUtf8(std::string_view shiftJis) {
  return convert<std::string>(shiftJis, appendUtf8);
}

std::u16string terminalUtf16(std::string_view shiftJis) {
  return convert<std::u16string>(shiftJis,
                                 [](std::u16string& out, char32_t ch) { out += char16_t(ch); });
}

std::string terminalBytes(std::string_view text) {
  std::string out;
  for (char ch : text) {
    if (isControl(static_cast<uint8_t>(ch)) && static_cast<uint8_t>(ch) < 0x80) {
      appendEscape(out, static_cast<uint8_t>(ch));
    } else {
      out += ch;
    }
  }
  return out;
}

}  // namespace d88
