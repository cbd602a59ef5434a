#include "walk_shapes.h"

#include <algorithm>
#include <cstdio>
#include <vector>

namespace d88::build {

namespace {

constexpr uint64_t kHeaderBytes = 0x2B0;
constexpr uint64_t kRecordHeader = 16;

// Streams records to the file; the data of a hole is skipped, not written.
struct Writer {
  std::FILE* file;
  uint64_t at = 0;
  std::vector<uint8_t> chunk;

  void flush() {
    std::fwrite(chunk.data(), 1, chunk.size(), file);
    at += chunk.size();
    chunk.clear();
  }
  void header(const uint8_t id[4], uint16_t count, uint16_t dataSize) {
    const uint8_t bytes[kRecordHeader] = {id[0], id[1], id[2], id[3],
                                          static_cast<uint8_t>(count),
                                          static_cast<uint8_t>(count >> 8), 0, 0, 0, 0, 0, 0, 0,
                                          0, static_cast<uint8_t>(dataSize),
                                          static_cast<uint8_t>(dataSize >> 8)};
    chunk.insert(chunk.end(), bytes, bytes + kRecordHeader);
    if (chunk.size() >= (1u << 20)) flush();
  }
  void data(const Bytes& bytes) { chunk.insert(chunk.end(), bytes.begin(), bytes.end()); }
  void hole(uint64_t length) {
    flush();
    at += length;
    std::fseek(file, static_cast<long>(at), SEEK_SET);
  }
};

void putLe32(uint8_t* p, uint64_t value) {
  for (int i = 0; i < 4; ++i) p[i] = static_cast<uint8_t>(value >> (8 * i));
}

// Record m's count: never position + 1 for a walk that starts at one of the
// first records (or at a multiple of 4096), and never 0.
uint16_t endlessCount(uint64_t m) {
  const auto count = static_cast<uint16_t>(m + 2);
  return count == 0 ? 1 : count;
}

// Distinct IDs that no search of the extraction asks for (N 7).
void junkId(uint64_t k, uint8_t id[4]) {
  id[0] = static_cast<uint8_t>(k);
  id[1] = static_cast<uint8_t>(k >> 8);
  id[2] = static_cast<uint8_t>(k >> 16);
  id[3] = 7;
}

void writeVolumeRecords(Writer& out) {
  const Disk disk = toDisk(shapeVolume());
  for (const auto& [track, sectors] : disk.tracks) {
    if (track % 2 != 0) continue;  // side 1 asks for the same IDs: side 0's come first
    for (const Sector& s : sectors) {
      const uint8_t id[4] = {s.c, s.h, s.r, s.n};
      out.header(id, 1, static_cast<uint16_t>(s.data.size()));
      out.data(s.data);
    }
  }
}

}  // namespace

const char* shapeName(WalkShape shape) {
  switch (shape) {
    case WalkShape::junkBeforeVolume: return "junk-before-volume";
    case WalkShape::oneIdManyStarts: return "one-id-164-starts";
    case WalkShape::sparseBigRecords: return "sparse-64k-records";
    case WalkShape::oneIdFewStarts: return "one-id-4-starts";
  }
  return "";
}

VolumeDisk shapeVolume() {
  VolumeDisk disk;
  addFile(disk.sides[0], "m.0000", 2, 1);
  addFile(disk.sides[0], "DATA", 9, 2);
  return disk;
}

bool writeShapeImage(const std::string& path, WalkShape shape, uint64_t bytes) {
  std::FILE* file = std::fopen(path.c_str(), "wb");
  if (file == nullptr) return false;
  const bool big = shape == WalkShape::sparseBigRecords;
  const uint64_t recordBytes = kRecordHeader + (big ? 0xFFFF : 0);
  const uint64_t volumeBytes = shape == WalkShape::junkBeforeVolume ? 500 * 1024 : 0;
  const uint64_t least = shape == WalkShape::oneIdManyStarts ? 164 : 1;
  const uint64_t fixed = kHeaderBytes + volumeBytes;
  const uint64_t records = std::max(least, bytes > fixed ? (bytes - fixed) / recordBytes : 0);
  std::vector<uint8_t> header(kHeaderBytes, 0);
  header[0x1B] = 0x20;
  for (uint64_t track = 0; track < 164; ++track) {
    uint64_t start = 0;  // the record each track starts at
    if (shape == WalkShape::oneIdManyStarts) start = track;
    if (shape == WalkShape::oneIdFewStarts) start = (records / 4 * (track % 4)) & ~uint64_t{4095};
    putLe32(header.data() + 0x20 + 4 * track, kHeaderBytes + start * recordBytes);
  }
  Writer out{file, 0, header};
  uint8_t id[4] = {0, 0, 0, 0};
  const bool distinct = shape == WalkShape::junkBeforeVolume || big;
  for (uint64_t m = 0; m < records; ++m) {
    if (distinct) junkId(m, id);
    const uint16_t count = distinct ? (m == 0 ? 2 : 1) : endlessCount(m);
    out.header(id, count, big ? 0xFFFF : 0);
    if (big) out.hole(0xFFFF);
  }
  if (shape == WalkShape::junkBeforeVolume) writeVolumeRecords(out);
  out.flush();
  // The disk's size: all of it, or for the sparse shape only its first record.
  const uint64_t size = big ? kHeaderBytes + recordBytes : out.at;
  uint8_t field[4];
  putLe32(field, size);
  std::fseek(file, 0x1C, SEEK_SET);
  std::fwrite(field, 1, 4, file);
  if (big) {  // the last record's data ends the file, as a hole
    std::fseek(file, static_cast<long>(out.at - 1), SEEK_SET);
    std::fputc(0, file);
  }
  return std::fclose(file) == 0;
}

}  // namespace d88::build
