// Reads of the image go through one fixed window of it, so walking a track
// costs no system call per record and memory does not grow with the image.
// The image is an open file that can seek (its stdio stream unbuffered: the
// window is the buffer), bytes already in memory, or ranges that a reader
// fetches only when asked: a pipe copied forward, the page's chosen file.
#pragma once

#include <cstdint>
#include <cstdio>
#include <span>
#include <vector>

namespace d88 {

// Fetches up to `length` bytes from `position` into `dest`: the count that
// arrived, fewer only where the image ends (or can be read no further).
struct RangeReader {
  int32_t (*read)(void* context, int64_t position, uint8_t* dest, int32_t length) = nullptr;
  void* context = nullptr;
};

struct ImageSource {
  std::FILE* file = nullptr;
  std::span<const uint8_t> bytes;  // when there is no file or reader
  RangeReader reader;              // when there is no file
};

struct FileWindow {
  static constexpr int32_t kBytes = 1 << 16;
  ImageSource source;
  // Allocated at the first read: a reader with static lifetime then holds no
  // 64 KiB of zeros in the program's data.
  std::vector<uint8_t> bytes;
  int64_t start = 0;
  int32_t length = 0;
  // Where a read was seen to stop short: the image's length, or -1 while no
  // read has met its end. A reader's image has no other way to tell it.
  int64_t end = -1;
};

void forgetWindow(FileWindow& window);

// Positions the file at a 64-bit offset from its start; false if it cannot.
bool seekTo(std::FILE* file, int64_t position);
// Positions it at its end; its length, or -1.
int64_t seekToEnd(std::FILE* file);

// Copies up to `length` bytes from `position`; returns how many arrived.
int32_t readAt(FileWindow& window, int64_t position, uint8_t* dest, int32_t length);

// The `length` bytes at `position` (at most kBytes), in place in the window;
// null if the file ends before them.
const uint8_t* viewAt(FileWindow& window, int64_t position, int32_t length);

}  // namespace d88
