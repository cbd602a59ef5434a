#include "d88_image.h"

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <limits>

#ifdef _WIN32
#include <windows.h>

#include <string>
#endif

namespace d88 {

namespace {

// 128 << n, saturated: from n = 24 on it exceeds any int32_t request.
int64_t nominalSectorLength(int32_t n) {
  return int64_t{128} << std::min(n, 24);
}

bool isIdByte(int32_t value) {
  return value >= 0 && value <= 255;
}

std::FILE* openForReading(const char* path) {
#ifdef _WIN32
  // The path is UTF-8, so that any file name opens whatever the code page.
  const int length = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, path, -1, nullptr, 0);
  if (length <= 0) return nullptr;
  std::wstring wide(static_cast<size_t>(length), L'\0');
  MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, path, -1, wide.data(), length);
  return _wfopen(wide.c_str(), L"rb");
#else
  return std::fopen(path, "rb");
#endif
}

}  // namespace

D88Image::~D88Image() {
  close();
}

bool D88Image::open(const char* path) {
  close();
  if (path == nullptr) return true;
  file_ = openForReading(path);
  if (file_ == nullptr) return false;
  // The window is the buffer; a second one inside stdio would only copy.
  std::setvbuf(file_, nullptr, _IONBF, 0);
  indexDisks();
  // A path that opens but cannot be read, such as a folder, is no image.
  if (std::ferror(file_) != 0) {
    close();
    return false;
  }
  return true;
}

// Forgets everything about the file before: its disks, the selected disk's
// header and track table, and whatever was read of it.
bool D88Image::close() {
  if (file_ != nullptr) std::fclose(file_);
  file_ = nullptr;
  diskCount_ = 0;
  clearSelection();
  windowStart_ = 0;
  windowLength_ = 0;
  for (TrackIndex& index : trackIndexes_) index.trackStart = -1;
  return true;
}

void D88Image::clearSelection() {
  diskBase_ = -1;
  diskSize_ = 0;
  trackOffsets_.fill(0);
  mediaType_ = -1;
  diskName_.fill('\0');
}

void D88Image::indexDisks() {
  int64_t position = 0;
  diskCount_ = 0;
  while (diskCount_ < kMaxDisks) {
    diskOffsets_[static_cast<size_t>(diskCount_)] = static_cast<int32_t>(position);
    uint8_t header[kHeaderSize];
    if (readAt(position, header, kHeaderSize) != kHeaderSize) return;
    ++diskCount_;
    position += readLe32(header + kDiskSizeOffset);
    // Offsets are 32-bit signed: a disk that would start beyond that range is
    // not indexed, the ones before it are.
    if (position > std::numeric_limits<int32_t>::max()) return;
  }
}

bool D88Image::selectDisk(int32_t index) {
  if (file_ == nullptr) return false;
  clearSelection();
  if (index < 0 || index >= diskCount_) return false;

  const int32_t base = diskOffsets_[static_cast<size_t>(index)];
  uint8_t header[kHeaderSize];
  if (readAt(base, header, kHeaderSize) != kHeaderSize) return false;

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

int32_t D88Image::readSector(int32_t track, int32_t c, int32_t h, int32_t r, int32_t n,
                             uint8_t* dest, int32_t maxLength) {
  lastSectorStatus_ = -1;
  int64_t start = 0;
  // An ID byte outside 0..255 matches no record.
  if (!trackStart(track, start) || !isIdByte(c) || !isIdByte(h) || !isIdByte(r) || !isIdByte(n)) {
    return 0;
  }
  const uint32_t key = sectorKey(static_cast<uint32_t>(c), static_cast<uint32_t>(h),
                                 static_cast<uint32_t>(r), static_cast<uint32_t>(n));
  const TrackIndex& index = indexOf(start);
  FoundSector found;
  if (const FoundSector* listed = findInIndex(index, key)) {
    found = *listed;
  } else if (index.resumeOffset < 0 ||
             !walkFor(index.resumeOffset, index.resumePosition, key, found)) {
    return 0;
  }
  lastSectorStatus_ = found.status;
  return readAt(found.dataOffset, dest, std::clamp(maxLength, 0, found.dataSize));
}

int32_t D88Image::readSectors(int32_t track, int32_t c, int32_t h, int32_t r, int32_t n,
                              uint8_t* dest, int32_t total) {
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
  int64_t offset = 0;
  if (!trackStart(track, offset)) return 0;
  int32_t written = 0;
  // A count of 0 never matches i + 1, so such a walk ends only when the
  // buffer is full or the file ends.
  for (uint32_t i = 0; capacity - written >= 4; ++i) {
    uint8_t header[kSectorHeaderSize];
    if (readAt(offset, header, kSectorHeaderSize) != kSectorHeaderSize) break;
    std::copy_n(header, 4, dest + written);
    written += 4;
    if (i + 1 == readLe16(header + kSectorCountOffset)) break;
    offset += kSectorHeaderSize + readLe16(header + kDataSizeOffset);
  }
  return written;
}

bool D88Image::trackStart(int32_t track, int64_t& start) const {
  if (file_ == nullptr || track < 0 || track >= kTrackCount) return false;
  const uint32_t offset = trackOffsets_[static_cast<size_t>(track)];
  if (offset == 0 || offset > diskSize_) return false;
  start = int64_t{diskBase_} + offset;
  return true;
}

const TrackIndex& D88Image::indexOf(int64_t start) {
  for (const TrackIndex& index : trackIndexes_) {
    if (index.trackStart == start) return index;
  }
  TrackIndex& index = trackIndexes_[nextIndexSlot_];
  nextIndexSlot_ = (nextIndexSlot_ + 1) % kCachedTracks;
  resetIndex(index, start);
  scanTrack(index);
  return index;
}

// The walk of a search, from record `position` at `offset`: a count of 0
// ends it before its record is examined, a count of position + 1 after, and
// so does the end of the file. Every record moves the walk at least one
// header on, so it ends even when the headers disagree on the count.
// `examine(key, sector, offset, position)` sees each record examined and
// returns true to stop there.
template <typename Examine>
void D88Image::walkTrack(int64_t offset, uint32_t position, Examine examine) {
  for (uint32_t i = position;; ++i) {
    uint8_t header[kSectorHeaderSize];
    if (readAt(offset, header, kSectorHeaderSize) != kSectorHeaderSize) return;
    const uint32_t count = readLe16(header + kSectorCountOffset);
    const int32_t dataSize = readLe16(header + kDataSizeOffset);
    if (count == 0) return;
    const FoundSector sector{offset + kSectorHeaderSize, dataSize, header[kStatusOffset]};
    if (examine(readLe32(header), sector, offset, i) || i + 1 == count) return;
    offset += kSectorHeaderSize + dataSize;
  }
}

// Done once per track: the first record of every ID the walk reaches, as far
// as the table has room.
void D88Image::scanTrack(TrackIndex& index) {
  walkTrack(index.trackStart, 0,
            [&index](uint32_t key, const FoundSector& sector, int64_t offset, uint32_t i) {
              if (findInIndex(index, key) != nullptr || addToIndex(index, key, sector)) {
                return false;
              }
              index.resumeOffset = offset;
              index.resumePosition = i;
              return true;
            });
}

// For an ID the table had no room for: the rest of the walk, from where the
// table ends.
bool D88Image::walkFor(int64_t offset, uint32_t position, uint32_t key, FoundSector& found) {
  bool seen = false;
  walkTrack(offset, position,
            [&](uint32_t recordKey, const FoundSector& sector, int64_t, uint32_t) {
              if (recordKey != key) return false;
              found = sector;
              seen = true;
              return true;
            });
  return seen;
}

int32_t D88Image::readAt(int64_t position, uint8_t* dest, int32_t length) {
  int32_t done = 0;
  while (done < length) {
    const int64_t at = position + done;
    if (at < windowStart_ || at >= windowStart_ + windowLength_) {
      windowStart_ = at;
      windowLength_ = 0;
      if (!seekTo(at)) break;
      windowLength_ = static_cast<int32_t>(std::fread(window_.data(), 1, window_.size(), file_));
      if (windowLength_ == 0) break;
    }
    const auto offset = static_cast<size_t>(at - windowStart_);
    const int32_t part = std::min(length - done, windowLength_ - static_cast<int32_t>(offset));
    std::memcpy(dest + done, window_.data() + offset, static_cast<size_t>(part));
    done += part;
  }
  return done;
}

bool D88Image::seekTo(int64_t position) {
  if (position < 0 || position > std::numeric_limits<long>::max()) return false;
  return std::fseek(file_, static_cast<long>(position), SEEK_SET) == 0;
}

}  // namespace d88
