// A second, deliberately plain reader for the fuzz target to compare with:
// the image held in memory, every search a walk from the track's first
// record, no window and no index.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "d88_format.h"

namespace d88::fuzz {

class ReferenceReader {
 public:
  explicit ReferenceReader(std::span<const uint8_t> file);

  int32_t diskCount() const { return static_cast<int32_t>(diskOffsets_.size()); }
  bool selectDisk(int32_t index);
  int32_t mediaType() const { return mediaType_; }
  const std::string& diskName() const { return diskName_; }
  void setSectorRange(int32_t first, int32_t last) {
    firstSector_ = first;
    lastSector_ = last;
  }
  int32_t lastSectorStatus() const { return lastStatus_; }

  int32_t readSector(int32_t track, int32_t c, int32_t h, int32_t r, int32_t n, uint8_t* dest,
                     int32_t maxLength);
  int32_t readSectors(int32_t track, int32_t c, int32_t h, int32_t r, int32_t n, uint8_t* dest,
                      int32_t total);
  int32_t listSectorIds(int32_t track, uint8_t* dest, int32_t capacity) const;

 private:
  bool has(int64_t offset, int64_t length) const;
  int64_t trackStart(int32_t track) const;  // -1: absent

  std::span<const uint8_t> file_;
  std::vector<int64_t> diskOffsets_;
  int64_t diskBase_ = 0;
  uint32_t diskSize_ = 0;
  std::array<uint32_t, kTrackCount> tracks_{};
  int32_t mediaType_ = -1;
  std::string diskName_;
  int32_t firstSector_ = 1;
  int32_t lastSector_ = 16;
  int32_t lastStatus_ = -1;
};

}  // namespace d88::fuzz
