// Reads of the image go through one fixed window of the file, so walking a
// track costs no system call per record and memory does not grow with the
// image. The stdio stream itself is unbuffered: the window is the buffer.
#pragma once

#include <array>
#include <cstdint>
#include <cstdio>

namespace d88 {

struct FileWindow {
  static constexpr int32_t kBytes = 1 << 16;
  std::FILE* file = nullptr;
  std::array<uint8_t, kBytes> bytes{};
  int64_t start = 0;
  int32_t length = 0;
};

void forgetWindow(FileWindow& window);

// Copies up to `length` bytes from `position`; returns how many arrived.
int32_t readAt(FileWindow& window, int64_t position, uint8_t* dest, int32_t length);

// The `length` bytes at `position` (at most kBytes), in place in the window;
// null if the file ends before them.
const uint8_t* viewAt(FileWindow& window, int64_t position, int32_t length);

}  // namespace d88
