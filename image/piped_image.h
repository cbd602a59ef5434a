// An image that arrives through a pipe (zcat game.d88.gz | d88extract
// /dev/stdin) cannot be read in any order, so it is copied into a file that
// can. Only what the reader can use is copied: the first disk's header and,
// when that reads as a D88 disk header, the rest of the first disk. Nothing
// more is read from the pipe, so an endless one (yes, /dev/zero) costs a
// header, and a huge one no more than the disk its header describes.
#pragma once

#include <cstdio>

namespace d88 {

// Copies from `from` into `to` and rewinds `to`; false if a read or a write
// failed, and errno says why.
bool copyUsableImage(std::FILE* from, std::FILE* to);

}  // namespace d88
