#include "d88_image.h"

#include <algorithm>
#include <cstddef>
#include <limits>

namespace d88 {

namespace {

// 128 << n, saturated: from n = 24 on it exceeds any int32_t request.
int64_t nominalSectorLength(int32_t n) {
  return int64_t{128} << std::min(n, 24);
}

bool idMatches(const uint8_t* header, int32_t c, int32_t h, int32_t r,
               int32_t n) {
  return header[0] == c && header[1] == h && header[2] == r && header[3] == n;
}

}  // namespace

D88Image::~D88Image() { close(); }

bool D88Image::open(const char* path) {
  if (path == nullptr) {
    if (file_ != nullptr) std::fclose(file_);
    file_ = nullptr;
    diskCount_ = 0;
    mediaType_ = -1;
    return true;
  }
  // Replacing an open stream without closing it would leak it.
  if (file_ != nullptr) std::fclose(file_);
  file_ = std::fopen(path, "rb");
  if (file_ == nullptr) return false;
  indexDisks();
  return true;
}

bool D88Image::close() { return open(nullptr); }

void D88Image::indexDisks() {
  int64_t position = 0;
  diskCount_ = 0;
  while (diskCount_ < kMaxDisks) {
    diskOffsets_[static_cast<size_t>(diskCount_)] = static_cast<int32_t>(position);
    uint8_t header[kHeaderSize];
    if (!seekTo(position) || !readFully(header, kHeaderSize)) return;
    ++diskCount_;
    position += readLe32(header + kDiskSizeOffset);
    // Offsets are 32-bit signed: a disk that would start beyond that range is
    // not indexed, the ones before it are.
    if (position > std::numeric_limits<int32_t>::max()) return;
  }
}

bool D88Image::selectDisk(int32_t index) {
  if (file_ == nullptr) return false;
  diskBase_ = -1;
  mediaType_ = -1;
  diskSize_ = 0;
  diskName_[0] = '\0';
  if (index < 0 || index >= diskCount_) return false;

  const int32_t base = diskOffsets_[static_cast<size_t>(index)];
  uint8_t header[kHeaderSize];
  // The file may have changed since it was indexed.
  if (!seekTo(base) || !readFully(header, kHeaderSize)) return false;

  diskBase_ = base;
  for (size_t i = 0; i < trackOffsets_.size(); ++i) {
    trackOffsets_[i] = readLe32(header + kTrackTableOffset + 4 * i);
  }
  mediaType_ = header[kMediaTypeOffset];
  diskSize_ = readLe32(header + kDiskSizeOffset);
  size_t length = 0;
  while (length < kNameLength && header[length] != 0) ++length;
  std::copy_n(header, length, diskName_.begin());
  std::fill(diskName_.begin() + static_cast<std::ptrdiff_t>(length), diskName_.end(), '\0');
  return true;
}

void D88Image::setSectorRange(int32_t first, int32_t last) {
  firstSector_ = first;
  lastSector_ = last;
}

int32_t D88Image::readSector(int32_t track, int32_t c, int32_t h, int32_t r,
                             int32_t n, uint8_t* dest, int32_t maxLength) {
  lastSectorStatus_ = -1;
  if (!seekTrack(track)) return 0;
  // Every record moves the walk at least one header on, so the end of the
  // file ends it even when the headers disagree on the count.
  for (uint32_t i = 0;; ++i) {
    uint8_t header[kSectorHeaderSize];
    if (!readFully(header, kSectorHeaderSize)) return 0;
    const uint32_t count = readLe16(header + kSectorCountOffset);
    const int32_t dataSize = readLe16(header + kDataSizeOffset);
    if (count == 0) return 0;
    if (idMatches(header, c, h, r, n)) {
      lastSectorStatus_ = header[kStatusOffset];
      const int32_t length = std::clamp(maxLength, 0, dataSize);
      return static_cast<int32_t>(
          std::fread(dest, 1, static_cast<size_t>(length), file_));
    }
    if (i + 1 == count || !skip(dataSize)) return 0;
  }
}

int32_t D88Image::readSectors(int32_t track, int32_t c, int32_t h, int32_t r,
                              int32_t n, uint8_t* dest, int32_t total) {
  if (n < 0 || n > 255) return 0;
  const int64_t nominal = nominalSectorLength(n);
  SectorAddress at{track, c, h, r};
  int32_t done = 0;
  while (done < total) {
    const auto step = static_cast<int32_t>(std::min<int64_t>(nominal, total - done));
    if (readSector(at.track, at.c, at.h, at.r, n, dest + done, step) < step) return done;
    done += step;
    at = nextSector(at);
  }
  return done;
}

SectorAddress D88Image::nextSector(SectorAddress at) const {
  // Only called after a sector was found, or with the caller's own address:
  // saturate rather than overflow on the latter.
  if (at.r != lastSector_) {
    at.r = at.r < std::numeric_limits<int32_t>::max() ? at.r + 1 : at.r;
    return at;
  }
  at.track = std::min(at.track, kTrackCount) + 1;
  if (at.h == 0) {
    at.h = 1;
  } else {
    at.h = 0;
    at.c = at.c < std::numeric_limits<int32_t>::max() ? at.c + 1 : at.c;
  }
  at.r = firstSector_;
  return at;
}

int32_t D88Image::listSectorIds(int32_t track, uint8_t* dest, int32_t capacity) {
  if (!seekTrack(track)) return 0;
  int32_t written = 0;
  // A count of 0 never matches i + 1, so such a walk ends only when the
  // buffer is full or the file ends.
  for (uint32_t i = 0; capacity - written >= 4; ++i) {
    uint8_t header[kSectorHeaderSize];
    if (!readFully(header, kSectorHeaderSize)) break;
    std::copy_n(header, 4, dest + written);
    written += 4;
    if (i + 1 == readLe16(header + kSectorCountOffset)) break;
    if (!skip(readLe16(header + kDataSizeOffset))) break;
  }
  return written;
}

bool D88Image::seekTo(int64_t position) {
  if (position < 0 || position > std::numeric_limits<long>::max()) return false;
  return std::fseek(file_, static_cast<long>(position), SEEK_SET) == 0;
}

bool D88Image::seekTrack(int32_t track) {
  if (file_ == nullptr || track < 0 || track >= kTrackCount) return false;
  const uint32_t offset = trackOffsets_[static_cast<size_t>(track)];
  if (offset == 0 || offset > diskSize_) return false;
  return seekTo(int64_t{diskBase_} + offset);
}

bool D88Image::skip(int32_t bytes) {
  return std::fseek(file_, bytes, SEEK_CUR) == 0;
}

bool D88Image::readFully(uint8_t* dest, int32_t length) {
  return std::fread(dest, 1, static_cast<size_t>(length), file_) ==
         static_cast<size_t>(length);
}

}  // namespace d88
