// An image that arrives through a pipe (zcat game.d88.gz | d88extract
// /dev/stdin) cannot be read in any order, so it is copied into a file that
// can. Only what the reader can use is copied: the first disk's header and,
// when that reads as a D88 disk header, the rest of the first disk. Nothing
// more is read from the pipe, so an endless one (yes, /dev/zero) costs a
// header, and a huge one no more than the disk its header describes.
#pragma once

#include <cstdint>
#include <cstdio>

namespace d88 {

// How many bytes from the start of an image the reader can use, given its
// first 688 bytes: the whole first disk when they read as a D88 disk header,
// else the header alone. The page reads no more of a file than this.
uint64_t usableImageBytes(const uint8_t* header);

// Copies from `from` into `to` and rewinds `to`; false if a read or a write
// failed, and errno says why.
bool copyUsableImage(std::FILE* from, std::FILE* to);

}  // namespace d88
