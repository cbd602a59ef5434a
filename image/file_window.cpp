#include "file_window.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#ifndef _WIN32
#include <sys/types.h>
#endif

namespace d88 {

namespace {

// Refills the window from `position`; false if nothing arrived.
bool fill(FileWindow& window, int64_t position) {
  window.start = position;
  window.length = 0;
  const ImageSource& source = window.source;
  if (position < 0) return false;
  window.bytes.resize(FileWindow::kBytes);
  if (source.file != nullptr) {
    if (!seekTo(source.file, position)) return false;
    window.length =
        static_cast<int32_t>(std::fread(window.bytes.data(), 1, window.bytes.size(), source.file));
  } else if (source.reader.read != nullptr) {
    window.length = std::clamp(source.reader.read(source.reader.context, position,
                                                  window.bytes.data(), FileWindow::kBytes),
                               0, FileWindow::kBytes);
  } else if (static_cast<uint64_t>(position) < source.bytes.size()) {
    const auto rest = source.bytes.subspan(static_cast<size_t>(position));
    window.length = static_cast<int32_t>(std::min(rest.size(), window.bytes.size()));
    std::copy_n(rest.begin(), window.length, window.bytes.begin());
  }
  // Short of a whole window, the image ends here, unless the read began past
  // its end and so cannot say where.
  if (window.length < FileWindow::kBytes && (window.length > 0 || position == 0)) {
    window.end = position + window.length;
  }
  return window.length > 0;
}

bool holds(const FileWindow& window, int64_t position, int32_t length) {
  return position >= window.start && position + length <= window.start + window.length;
}

}  // namespace

// A 64-bit position: Windows' fseek takes a 32-bit long, and tracks may lie
// past 2 GiB.
bool seekTo(std::FILE* file, int64_t position) {
#ifdef _WIN32
  return _fseeki64(file, position, SEEK_SET) == 0;
#else
  static_assert(sizeof(off_t) >= sizeof(int64_t), "large files need a 64-bit off_t");
  return fseeko(file, static_cast<off_t>(position), SEEK_SET) == 0;
#endif
}

int64_t seekToEnd(std::FILE* file) {
#ifdef _WIN32
  return _fseeki64(file, 0, SEEK_END) == 0 ? _ftelli64(file) : -1;
#else
  return fseeko(file, 0, SEEK_END) == 0 ? ftello(file) : -1;
#endif
}

void forgetWindow(FileWindow& window) {
  window.start = 0;
  window.length = 0;
  window.end = -1;
}

int32_t readAt(FileWindow& window, int64_t position, uint8_t* dest, int32_t length) {
  int32_t done = 0;
  while (done < length) {
    const int64_t at = position + done;
    if (!holds(window, at, 1) && !fill(window, at)) break;
    const auto offset = static_cast<size_t>(at - window.start);
    const int32_t part = std::min(length - done, window.length - static_cast<int32_t>(offset));
    std::memcpy(dest + done, window.bytes.data() + offset, static_cast<size_t>(part));
    done += part;
  }
  return done;
}

const uint8_t* viewAt(FileWindow& window, int64_t position, int32_t length) {
  if (!holds(window, position, length) && (!fill(window, position) || window.length < length)) {
    return nullptr;
  }
  return window.bytes.data() + (position - window.start);
}

}  // namespace d88
