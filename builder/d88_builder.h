// Composes D88 images byte by byte: disks, track tables and sector records
// with any IDs, counts and sizes, including the malformed ones a reader must
// survive. Used by the tests, the fuzz seeds, the benchmarks and the sample.
//
// The builder is the tests' independent account of the format: it writes
// every offset from its own literals and shares nothing with the reader, so a
// wrong constant in either shows up as a disagreement.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace d88::build {

using Bytes = std::vector<uint8_t>;

struct Sector {
  uint8_t c = 0;
  uint8_t h = 0;
  uint8_t r = 1;
  uint8_t n = 0;
  Bytes data;
  std::optional<uint16_t> sectorsInTrack;  // default: records on the track
  std::optional<uint16_t> dataSize;        // default: data.size()
  uint8_t status = 0;
};

struct Disk {
  std::string name;  // raw bytes; the first 16 are stored
  uint8_t mediaType = 0x20;
  std::map<int, std::vector<Sector>> tracks;     // by track index 0..163
  std::map<int, uint32_t> trackOffsetOverrides;  // raw table entries
  std::optional<uint32_t> diskSizeOverride;
};

// Sectors r = firstR .. firstR + count - 1 with the given C, H, N, each
// filled by `fill(r)`, which may return any number of bytes.
template <typename Fill>
std::vector<Sector> formatTrack(uint8_t c, uint8_t h, uint8_t n, int firstR, int count, Fill fill) {
  std::vector<Sector> sectors;
  for (int r = firstR; r < firstR + count; ++r) {
    sectors.push_back(Sector{c, h, static_cast<uint8_t>(r), n, fill(r), {}, {}, 0});
  }
  return sectors;
}

// The first record of a track with sector number r, or null.
Sector* findSector(Disk& disk, int track, uint8_t r);
// Drops the records of a track with sector number r.
void removeSector(Disk& disk, int track, uint8_t r);

Bytes buildDisk(const Disk& disk);
Bytes buildImage(const std::vector<Disk>& disks);

// File offset of the record of sector r on a track of a built disk.
size_t recordOffset(const Bytes& disk, int track, uint8_t r);

// Deterministic filler, so expected file contents can be rebuilt anywhere.
Bytes patternBytes(size_t length, uint32_t seed);

bool writeBytes(const std::string& path, const Bytes& bytes);

}  // namespace d88::build
