#include "piped_image.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdint>
#include <span>

#include "d88_format.h"

namespace d88 {

namespace {

// What a disk header must hold for the disk behind it to be worth reading:
// a media type D88 knows, a size that covers the header, and a track table
// whose every entry lies within that size.
bool readsAsDiskHeader(const uint8_t* header) {
  const uint32_t size = readLe32(header + kDiskSizeOffset);
  if (!isD88Media(header[kMediaTypeOffset]) || size < static_cast<uint32_t>(kHeaderSize)) {
    return false;
  }
  for (int32_t track = 0; track < kTrackCount; ++track) {
    if (!isPlausibleTrackOffset(readLe32(header + kTrackTableOffset + 4 * track), size)) {
      return false;
    }
  }
  return true;
}

// Moves up to `length` bytes through `buffer`; the count moved, or -1 if a
// read or a write failed.
int64_t copyBytes(std::FILE* from, std::FILE* to, uint64_t length, std::span<uint8_t> buffer) {
  uint64_t done = 0;
  while (done < length) {
    const auto want = static_cast<size_t>(std::min<uint64_t>(buffer.size(), length - done));
    const size_t got = std::fread(buffer.data(), 1, want, from);
    if (std::ferror(from) != 0 || std::fwrite(buffer.data(), 1, got, to) != got) return -1;
    done += got;
    if (got < want) break;  // the pipe ended
  }
  return static_cast<int64_t>(done);
}

}  // namespace

uint64_t usableImageBytes(const uint8_t* header) {
  return readsAsDiskHeader(header) ? readLe32(header + kDiskSizeOffset) : uint64_t{kHeaderSize};
}

bool copyUsableImage(std::FILE* from, std::FILE* to) {
  // Unbuffered, so that not a byte more than asked is taken from the pipe.
  std::setvbuf(from, nullptr, _IONBF, 0);
  errno = 0;
  std::array<uint8_t, kHeaderSize> header;
  int64_t copied = copyBytes(from, to, header.size(), header);
  if (copied == kHeaderSize) {
    std::array<uint8_t, 1 << 16> chunk;
    copied = copyBytes(from, to, usableImageBytes(header.data()) - uint64_t{kHeaderSize}, chunk);
  }
  const bool ok = copied >= 0 && std::fflush(to) == 0;
  if (!ok && errno == 0) errno = EIO;
  std::rewind(to);
  return ok;
}

}  // namespace d88
