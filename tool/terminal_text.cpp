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

// Control characters, and the bidirectional embeddings, overrides and
// isolates that would reorder the rest of the line.
bool isShown(char32_t ch) {
  return !(ch < 0x20 || (ch >= 0x7F && ch <= 0x9F) || (ch >= 0x202A && ch <= 0x202E) ||
           (ch >= 0x2066 && ch <= 0x2069));
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

// The next character of Shift_JIS text and the bytes it takes; kInvalid for
// a byte that starts no character.
char32_t nextShiftJis(std::string_view text, size_t& length) {
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

// The same for UTF-8: overlong forms, surrogates and values past U+10FFFF are
// no characters.
char32_t nextUtf8(std::string_view text, size_t& length) {
  const auto first = static_cast<uint8_t>(text[0]);
  length = 1;
  if (first < 0x80) return first;
  const size_t size = first >= 0xF0 ? 4 : first >= 0xE0 ? 3 : first >= 0xC0 ? 2 : 0;
  if (size == 0 || first > 0xF4 || text.size() < size) return kInvalid;
  char32_t ch = first & (0x7Fu >> size);
  for (size_t i = 1; i < size; ++i) {
    const auto next = static_cast<uint8_t>(text[i]);
    if ((next & 0xC0) != 0x80) return kInvalid;
    ch = ch << 6 | (next & 0x3Fu);
  }
  constexpr char32_t kSmallest[] = {0, 0, 0x80, 0x800, 0x10000};
  if (ch < kSmallest[size] || ch > 0x10FFFF || (ch >= 0xD800 && ch <= 0xDFFF)) return kInvalid;
  length = size;
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
  } else if (ch < 0x10000) {
    out += static_cast<char>(0xE0 | ch >> 12);
    out += static_cast<char>(0x80 | (ch >> 6 & 0x3F));
    out += static_cast<char>(0x80 | (ch & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | ch >> 18);
    out += static_cast<char>(0x80 | (ch >> 12 & 0x3F));
    out += static_cast<char>(0x80 | (ch >> 6 & 0x3F));
    out += static_cast<char>(0x80 | (ch & 0x3F));
  }
}

void appendUtf16(std::u16string& out, char32_t ch) {
  if (ch < 0x10000) {
    out += static_cast<char16_t>(ch);
  } else {
    out += static_cast<char16_t>(0xD800 + ((ch - 0x10000) >> 10));
    out += static_cast<char16_t>(0xDC00 + ((ch - 0x10000) & 0x3FF));
  }
}

// Each character that is shown goes out through `append` (given the
// character and its bytes); every byte of one that is not, as an escape.
template <typename String, typename Next, typename Append>
String convert(std::string_view text, Next next, Append append) {
  String out;
  while (!text.empty()) {
    size_t length = 0;
    const char32_t ch = next(text, length);
    if (ch == kInvalid || !isShown(ch)) {
      for (size_t i = 0; i < length; ++i) appendEscape(out, static_cast<uint8_t>(text[i]));
    } else {
      append(out, ch, text.substr(0, length));
    }
    text.remove_prefix(length);
  }
  return out;
}

void appendAsUtf8(std::string& out, char32_t ch, std::string_view) {
  appendUtf8(out, ch);
}

void appendAsUtf16(std::u16string& out, char32_t ch, std::string_view) {
  appendUtf16(out, ch);
}

void appendBytes(std::string& out, char32_t, std::string_view bytes) {
  out += bytes;
}

}  // namespace

std::string terminalUtf8(std::string_view shiftJis) {
  return convert<std::string>(shiftJis, nextShiftJis, appendAsUtf8);
}

std::string terminalUtf8FromUtf8(std::string_view utf8) {
  return convert<std::string>(utf8, nextUtf8, appendBytes);
}

std::string terminalShiftJis(std::string_view shiftJis) {
  return convert<std::string>(shiftJis, nextShiftJis, appendBytes);
}

std::string terminalAscii(std::string_view text) {
  const auto nextByte = [](std::string_view rest, size_t& length) {
    length = 1;
    const auto byte = static_cast<uint8_t>(rest[0]);
    return byte < 0x80 ? char32_t{byte} : kInvalid;
  };
  return convert<std::string>(text, nextByte, appendBytes);
}

std::u16string terminalUtf16(std::string_view shiftJis) {
  return convert<std::u16string>(shiftJis, nextShiftJis, appendAsUtf16);
}

std::u16string terminalUtf16FromUtf8(std::string_view utf8) {
  return convert<std::u16string>(utf8, nextUtf8, appendAsUtf16);
}

}  // namespace d88
