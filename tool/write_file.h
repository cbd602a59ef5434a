#pragma once

#include <cstdint>

namespace d88 {

// Creates or truncates `name` in the current directory and writes `length`
// bytes into it. True only when every byte was written and the file closed.
bool writeFile(const char* name, const uint8_t* data, int32_t length);

}  // namespace d88
