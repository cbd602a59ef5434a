#include "reference_reader.h"

#include <algorithm>
#include <cstring>

namespace d88::fuzz {

ReferenceReader::ReferenceReader(std::span<const uint8_t> file) : file_(file) {
  int64_t position = 0;
  while (diskOffsets_.size() < kMaxDisks && has(position, kHeaderSize)) {
    diskOffsets_.push_back(position);
    position += readLe32(file_.data() + position + kDiskSizeOffset);
    if (position > INT32_MAX) break;
  }
}

bool ReferenceReader::has(int64_t offset, int64_t length) const {
  return offset >= 0 && offset + length <= static_cast<int64_t>(file_.size());
}

bool ReferenceReader::selectDisk(int32_t index) {
  mediaType_ = -1;
  diskSize_ = 0;
  diskName_.clear();
  if (index < 0 || index >= diskCount()) return false;
  diskBase_ = diskOffsets_[static_cast<size_t>(index)];
  const uint8_t* header = file_.data() + diskBase_;
  for (size_t i = 0; i < tracks_.size(); ++i)
    tracks_[i] = readLe32(header + kTrackTableOffset + 4 * i);
  mediaType_ = header[kMediaTypeOffset];
  diskSize_ = readLe32(header + kDiskSizeOffset);
  for (int i = 0; i < kNameLength && header[i] != 0; ++i)
    diskName_.push_back(static_cast<char>(header[i]));
  return true;
}

int64_t ReferenceReader::trackStart(int32_t track) const {
  if (track < 0 || track >= kTrackCount) return -1;
  const uint32_t offset = tracks_[static_cast<size_t>(track)];
  if (offset == 0 || offset > diskSize_) return -1;
  return diskBase_ + offset;
}

int32_t ReferenceReader::readSector(int32_t track, int32_t c, int32_t h, int32_t r, int32_t n,
                                    uint8_t* dest, int32_t maxLength) {
  lastStatus_ = -1;
  int64_t offset = trackStart(track);
  if (offset < 0) return 0;
  for (uint32_t i = 0; has(offset, kSectorHeaderSize); ++i) {
    const uint8_t* header = file_.data() + offset;
    const uint32_t count = readLe16(header + kSectorCountOffset);
    const int32_t size = readLe16(header + kDataSizeOffset);
    if (count == 0) return 0;
    if (header[0] == c && header[1] == h && header[2] == r && header[3] == n) {
      lastStatus_ = header[kStatusOffset];
      const int64_t data = offset + kSectorHeaderSize;
      const int64_t available = std::max<int64_t>(0, static_cast<int64_t>(file_.size()) - data);
      const auto length =
          static_cast<int32_t>(std::min<int64_t>({std::max(maxLength, 0), size, available}));
      if (length > 0) std::memcpy(dest, file_.data() + data, static_cast<size_t>(length));
      return length;
    }
    if (i + 1 == count) return 0;
    offset += kSectorHeaderSize + size;
  }
  return 0;
}

int32_t ReferenceReader::readSectors(int32_t track, int32_t c, int32_t h, int32_t r, int32_t n,
                                     uint8_t* dest, int32_t total) {
  if (n < 0 || n > 255) return 0;
  const int64_t nominal = n >= 24 ? INT64_MAX : int64_t{128} << n;
  int32_t done = 0;
  while (done < total) {
    const auto step = static_cast<int32_t>(std::min<int64_t>(nominal, total - done));
    if (readSector(track, c, h, r, n, dest + done, step) < step) return done;
    done += step;
    if (r == lastSector_) {
      ++track;
      if (h == 0) {
        h = 1;
      } else {
        h = 0;
        ++c;
      }
      r = firstSector_;
    } else {
      ++r;
    }
  }
  return done;
}

int32_t ReferenceReader::listSectorIds(int32_t track, uint8_t* dest, int32_t capacity) const {
  int64_t offset = trackStart(track);
  if (offset < 0) return 0;
  int32_t written = 0;
  for (uint32_t i = 0; capacity - written >= 4 && has(offset, kSectorHeaderSize); ++i) {
    const uint8_t* header = file_.data() + offset;
    std::memcpy(dest + written, header, 4);
    written += 4;
    if (i + 1 == readLe16(header + kSectorCountOffset)) break;
    offset += kSectorHeaderSize + readLe16(header + kDataSizeOffset);
  }
  return written;
}

}  // namespace d88::fuzz
