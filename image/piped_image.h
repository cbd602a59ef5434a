// An image that arrives through a pipe (zcat game.d88.gz | d88extract -)
// cannot be read in any order, so it is copied into a file that can, but
// only as far as the reader asks: a read past what is copied takes the pipe
// forward to its end and no further. The reader then reads exactly what it
// would read of the same bytes in a file, and an endless pipe (yes,
// /dev/zero) or a header that claims 4 GiB costs what the reader looks at.
#pragma once

#include <cstdint>
#include <cstdio>
#include <vector>

#include "file_window.h"

namespace d88 {

struct PipedImage {
  std::FILE* pipe = nullptr;
  std::FILE* copy = nullptr;  // an unnamed temporary, read and written
  int64_t copied = 0;         // bytes of the pipe now in the copy
  bool ended = false;         // the pipe has no more
  // errno of the read or write that failed; nothing more is copied after it.
  int failure = 0;
  std::vector<uint8_t> buffer;
};

// Takes both streams, setting them unbuffered: not a byte more than asked is
// taken from the pipe, and the reader's window is the copy's buffer.
void startPipedImage(PipedImage& image, std::FILE* pipe, std::FILE* copy);

// Closes both streams and forgets what was copied.
void closePipedImage(PipedImage& image);

// The ranges of the image as a reader fetches them; `image` must outlive it.
RangeReader pipedImageReader(PipedImage& image);

}  // namespace d88
