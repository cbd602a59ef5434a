// Shift_JIS (code page 932) text read as characters, by the host's own table
// of the code page: the one place that converts it.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace d88 {

inline constexpr char32_t kNoCharacter = 0xFFFFFFFF;

// The next character of the text and the bytes it takes; kNoCharacter, with
// a length of 1, for a byte that starts no character.
char32_t nextShiftJis(std::string_view text, size_t& length);

// The whole text as UTF-16; false if a byte of it starts no character.
bool utf16FromShiftJis(std::string_view text, std::u16string& utf16);

}  // namespace d88
