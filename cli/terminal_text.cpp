#include "terminal_text.h"

#include <cstdint>
#include <cstdio>

#include "shift_jis.h"

namespace d88 {

namespace {

// Control characters, the bidirectional embeddings, overrides, isolates and
// marks that would reorder the rest of the line, the separators that break
// it, and the characters that show nothing (soft hyphen, zero width space,
// byte-order mark).
bool isShown(char32_t ch) {
  return !(ch < 0x20 || (ch >= 0x7F && ch <= 0x9F) || ch == 0xAD || ch == 0x61C ||
           (ch >= 0x200B && ch <= 0x200F) || (ch >= 0x2028 && ch <= 0x202E) ||
           (ch >= 0x2066 && ch <= 0x2069) || ch == 0xFEFF);
}

// The same for UTF-8: overlong forms, surrogates and values past U+10FFFF are
// no characters.
char32_t nextUtf8(std::string_view text, size_t& length) {
  const auto first = static_cast<uint8_t>(text[0]);
  length = 1;
  if (first < 0x80) return first;
  const size_t size = first >= 0xF0 ? 4 : first >= 0xE0 ? 3 : first >= 0xC0 ? 2 : 0;
  if (size == 0 || first > 0xF4 || text.size() < size) return kNoCharacter;
  char32_t ch = first & (0x7Fu >> size);
  for (size_t i = 1; i < size; ++i) {
    const auto next = static_cast<uint8_t>(text[i]);
    if ((next & 0xC0) != 0x80) return kNoCharacter;
    ch = ch << 6 | (next & 0x3Fu);
  }
  constexpr char32_t kSmallest[] = {0, 0, 0x80, 0x800, 0x10000};
  if (ch < kSmallest[size] || ch > 0x10FFFF || (ch >= 0xD800 && ch <= 0xDFFF)) return kNoCharacter;
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
    if (ch == kNoCharacter || !isShown(ch)) {
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
    return byte < 0x80 ? char32_t{byte} : kNoCharacter;
  };
  return convert<std::string>(text, nextByte, appendBytes);
}

size_t shownColumns(std::string_view shiftJis, bool charactersShown) {
  size_t columns = 0;
  while (!shiftJis.empty()) {
    size_t length = 1;
    const auto byte = static_cast<uint8_t>(shiftJis[0]);
    const char32_t ch = charactersShown ? nextShiftJis(shiftJis, length)
                        : byte < 0x80   ? char32_t{byte}
                                        : kNoCharacter;
    // A Shift_JIS character is as wide as its bytes: half-width one, full-width two.
    columns += ch == kNoCharacter || !isShown(ch) ? 4 * length : length;
    shiftJis.remove_prefix(length);
  }
  return columns;
}

std::u16string terminalUtf16(std::string_view shiftJis) {
  return convert<std::u16string>(shiftJis, nextShiftJis, appendAsUtf16);
}

std::u16string terminalUtf16FromUtf8(std::string_view utf8) {
  return convert<std::u16string>(utf8, nextUtf8, appendAsUtf16);
}

}  // namespace d88
