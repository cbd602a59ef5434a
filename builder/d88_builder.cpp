#include "d88_builder.h"

#include <algorithm>
#include <cstdio>

namespace d88::build {

namespace {

// The container, as the format describes it.
constexpr size_t kDiskHeaderBytes = 0x2B0;
constexpr size_t kNameField = 0x00;  // 16 bytes
constexpr size_t kMediaTypeField = 0x1B;
constexpr size_t kDiskSizeField = 0x1C;
constexpr size_t kTrackTableField = 0x20;  // 164 entries of 4 bytes
constexpr size_t kRecordHeaderBytes = 16;
constexpr size_t kRecordCountField = 0x04;
constexpr size_t kRecordStatusField = 0x08;
constexpr size_t kRecordDataSizeField = 0x0E;

void putLe16(uint8_t* p, uint16_t value) {
  p[0] = static_cast<uint8_t>(value);
  p[1] = static_cast<uint8_t>(value >> 8);
}

void putLe32(uint8_t* p, uint32_t value) {
  for (int i = 0; i < 4; ++i) p[i] = static_cast<uint8_t>(value >> (8 * i));
}

uint32_t getLe16(const uint8_t* p) {
  return uint32_t{p[0]} | uint32_t{p[1]} << 8;
}

uint32_t getLe32(const uint8_t* p) {
  return getLe16(p) | getLe16(p + 2) << 16;
}

void appendTrack(Bytes& out, const std::vector<Sector>& sectors) {
  const auto records = static_cast<uint16_t>(sectors.size());
  for (const Sector& sector : sectors) {
    uint8_t header[kRecordHeaderBytes] = {sector.c, sector.h, sector.r, sector.n};
    putLe16(header + kRecordCountField, sector.sectorsInTrack.value_or(records));
    header[kRecordStatusField] = sector.status;
    putLe16(header + kRecordDataSizeField,
            sector.dataSize.value_or(static_cast<uint16_t>(sector.data.size())));
    out.insert(out.end(), header, header + kRecordHeaderBytes);
    out.insert(out.end(), sector.data.begin(), sector.data.end());
  }
}

}  // namespace

Sector* findSector(Disk& disk, int track, uint8_t r) {
  auto& sectors = disk.tracks[track];
  const auto found = std::find_if(sectors.begin(), sectors.end(),
                                  [r](const Sector& sector) { return sector.r == r; });
  return found == sectors.end() ? nullptr : &*found;
}

void removeSector(Disk& disk, int track, uint8_t r) {
  std::erase_if(disk.tracks[track], [r](const Sector& sector) { return sector.r == r; });
}

Bytes buildDisk(const Disk& disk) {
  Bytes out(kDiskHeaderBytes, 0);
  std::copy_n(disk.name.begin(), std::min<size_t>(disk.name.size(), 16), out.begin() + kNameField);
  out[kMediaTypeField] = disk.mediaType;
  for (const auto& [index, sectors] : disk.tracks) {
    putLe32(out.data() + kTrackTableField + 4 * index, static_cast<uint32_t>(out.size()));
    appendTrack(out, sectors);
  }
  for (const auto& [index, offset] : disk.trackOffsetOverrides) {
    putLe32(out.data() + kTrackTableField + 4 * index, offset);
  }
  putLe32(out.data() + kDiskSizeField,
          disk.diskSizeOverride.value_or(static_cast<uint32_t>(out.size())));
  return out;
}

Bytes buildImage(const std::vector<Disk>& disks) {
  Bytes out;
  for (const Disk& disk : disks) {
    const Bytes one = buildDisk(disk);
    out.insert(out.end(), one.begin(), one.end());
  }
  return out;
}

size_t recordOffset(const Bytes& disk, int track, uint8_t r) {
  size_t offset = getLe32(disk.data() + kTrackTableField + 4 * track);
  while (disk[offset + 2] != r) {
    offset += kRecordHeaderBytes + getLe16(disk.data() + offset + kRecordDataSizeField);
  }
  return offset;
}

Bytes patternBytes(size_t length, uint32_t seed) {
  Bytes out(length);
  uint32_t state = seed * 2654435761u + 1;
  for (uint8_t& byte : out) {
    state = state * 1664525u + 1013904223u;
    byte = static_cast<uint8_t>(state >> 24);
  }
  return out;
}

bool writeBytes(const std::string& path, const Bytes& bytes) {
  std::FILE* out = std::fopen(path.c_str(), "wb");
  if (out == nullptr) return false;
  const bool written = std::fwrite(bytes.data(), 1, bytes.size(), out) == bytes.size();
  return std::fclose(out) == 0 && written;
}

}  // namespace d88::build
