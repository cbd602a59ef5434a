#include "hostile_images.h"

#include <algorithm>

namespace d88::build {

namespace {

constexpr uint32_t kFirstTrackOffset = 0x2B0;  // right after the disk header

Disk namedByEveryEntry(std::vector<Sector> records) {
  Disk disk;
  disk.tracks[0] = std::move(records);
  for (int track = 1; track < 164; ++track) disk.trackOffsetOverrides[track] = kFirstTrackOffset;
  return disk;
}

bool allZero(const std::vector<Sector>& sectors) {
  return std::all_of(sectors.begin(), sectors.end(), [](const Sector& sector) {
    return std::all_of(sector.data.begin(), sector.data.end(), [](uint8_t b) { return b == 0; });
  });
}

Disk compact(const VolumeDisk& volume) {
  Disk disk = toDisk(volume);
  std::erase_if(disk.tracks, [](const auto& track) {
    // Boot tracks 0 and 1 and both directories stay whatever they hold.
    return track.first > trackIndex(1, 1) && allZero(track.second);
  });
  return disk;
}

Bytes cut(const Disk& disk, int track, uint8_t r, size_t into) {
  Bytes bytes = buildDisk(disk);
  bytes.resize(recordOffset(bytes, track, r) + into);
  return bytes;
}

// As older writers leave a disk: a track table of 160 entries, so that its
// first track starts at 0x2A0 and what a reader takes for entries 160 to 163
// is the first record's header.
Bytes shortTableDisk(const Disk& disk) {
  constexpr size_t kShortHeader = 0x2A0;
  Bytes bytes = buildDisk(disk);
  bytes.erase(bytes.begin() + kShortHeader, bytes.begin() + kFirstTrackOffset);
  const uint32_t moved = kFirstTrackOffset - kShortHeader;
  const auto moveBack = [&](size_t at) {
    uint32_t value = 0;
    for (size_t i = 0; i < 4; ++i) value |= uint32_t{bytes[at + i]} << (8 * i);
    if (value != 0) value -= moved;
    for (size_t i = 0; i < 4; ++i) bytes[at + i] = static_cast<uint8_t>(value >> (8 * i));
  };
  moveBack(0x1C);  // the disk size
  for (size_t track = 0; track < 160; ++track) moveBack(0x20 + 4 * track);
  return bytes;
}

}  // namespace

Disk zeroLengthTrackDisk() {
  return namedByEveryEntry(std::vector<Sector>(0xFFFF, Sector{0, 0, 0, 0, {}, {}, {}, 0}));
}

Disk disagreeingChainDisk(size_t bytes) {
  std::vector<Sector> records(bytes / 16, Sector{0, 0, 0, 0, {}, 1, {}, 0});
  // Record i ends the walk only if its count is i + 1: none is.
  records.front().sectorsInTrack = 2;
  return namedByEveryEntry(std::move(records));
}

Bytes sixtyFourDiskImage() {
  Disk disk;
  disk.tracks[0] = formatTrack(0, 0, 0, 1, 26,
                               [](int r) { return patternBytes(128, static_cast<uint32_t>(r)); });
  return buildImage(std::vector<Disk>(64, disk));
}

VolumeDisk compactVolume() {
  VolumeDisk volume;
  volume.name = "COMPACT";
  addFile(volume.sides[0], "A", 2, 1);
  addFile(volume.sides[0], "m.0000", 1, 2);
  volume.sides[0].nextSector = 3 * kSectorsPerTrack;
  addFile(volume.sides[0], "B", 5, 3);
  addFile(volume.sides[1], "C", 1, 4);
  return volume;
}

VolumeDisk windowsNamesVolume() {
  VolumeDisk volume;
  uint32_t seed = 1;
  for (const char* name : {"abc", "ABC", "\x82\x81", "\x82\x60", "\x83\xBF", "\x83\x9F", "\xEE\xEF",
                           "\x87\x54", "\xFA\x4A", "a\x7F", "\x7F", "x;"}) {
    addFile(volume.sides[0], name, 1, seed++);
  }
  return volume;
}

Disk compactVolumeDisk() {
  return compact(compactVolume());
}

std::vector<std::pair<std::string, Bytes>> craftedImages(size_t sizeLimit) {
  std::vector<std::pair<std::string, Bytes>> images;
  const auto add = [&](std::string name, Bytes bytes) {
    if (bytes.size() <= sizeLimit) images.emplace_back(std::move(name), std::move(bytes));
  };
  add("compact-volume", buildDisk(compactVolumeDisk()));

  VolumeDisk names = compactVolume();
  for (const char* name : {"../a", "/tmp/a", ".", "..", ""})
    addEntry(names.sides[1], name, 2, 1, 2, 1);
  add("unsafe-names", buildDisk(compact(names)));

  add("windows-names", buildDisk(compact(windowsNamesVolume())));

  VolumeDisk ranges = compactVolume();
  addEntry(ranges.sides[0], "ZERO", 0, 0, 0, 0);
  addEntry(ranges.sides[0], "PAST", 76, 5, 77, 1);
  addEntry(ranges.sides[0], "NEG", 3, 4, 3, 2);
  addEntry(ranges.sides[0], "MAX", 255, 255, 255, 255);
  addEntry(ranges.sides[0], "EMPTY", 3, 4, 3, 3);
  add("out-of-range-entries", buildDisk(compact(ranges)));

  VolumeDisk noEnd = compactVolume();
  noEnd.sides[1].endMark = false;
  add("no-end-mark", buildDisk(compact(noEnd)));

  // Logical track 3 of side 0 is track index 6; B lies there.
  add("cut-in-sector-header", cut(compactVolumeDisk(), 6, 3, 9));
  add("cut-in-sector-data", cut(compactVolumeDisk(), 6, 3, 16 + 500));

  for (uint32_t size : {0x80000000u, 0xFFFFFFFFu}) {
    Disk huge = compactVolumeDisk();
    huge.diskSizeOverride = size;
    add(size == 0x80000000u ? "disk-size-0x80000000" : "disk-size-0xffffffff", buildDisk(huge));
  }
  Disk offsets = compactVolumeDisk();
  offsets.diskSizeOverride = 0xFFFFFFFFu;
  offsets.trackOffsetOverrides[2] = 0x80000000u;  // side 0's directory
  offsets.trackOffsetOverrides[3] = 0xFFFFFFFFu;  // side 1's directory
  add("track-offsets-huge", buildDisk(offsets));

  // Shapes found in real collections, which a pipe and the page must read as
  // the file is read.
  add("track-table-of-160-entries", shortTableDisk(compactVolumeDisk()));
  Disk garbage = compactVolumeDisk();
  garbage.trackOffsetOverrides[163] = 0xDEADBEEFu;  // a track the layout never reads
  add("garbage-entry-unread-track", buildDisk(garbage));
  Disk shortSize = compactVolumeDisk();
  shortSize.diskSizeOverride = static_cast<uint32_t>(buildDisk(shortSize).size() - 100);
  add("disk-size-short-of-last-track", buildDisk(shortSize));

  Disk smallSize = compactVolumeDisk();
  smallSize.diskSizeOverride = 100;  // smaller than its own header: every track past it
  add("disk-size-smaller-than-a-header", buildDisk(smallSize));
  // Side 0's directory read and empty, side 1's missing: something was read.
  VolumeDisk oneSide;
  Disk oneSideDisk = toDisk(oneSide);
  oneSideDisk.tracks.erase(trackIndex(1, 1));
  add("one-directory-empty-one-missing", buildDisk(oneSideDisk));

  // Side 0's logical track 2 as a dump of a mixed disk leaves it: R 2
  // recorded with a data CRC error, R 3 as deleted data, a record of another
  // scheme after R 1 (its ID but for a size code of 512 bytes), and a second
  // R 1 last, which no read reaches.
  Disk mixed = compactVolumeDisk();
  std::vector<Sector>& records = mixed.tracks[trackIndex(0, 2)];
  records[1].status = 0xB0;
  records[2].status = 0x10;
  records.insert(records.begin() + 1, Sector{1, 0, 1, 2, Bytes(512, 0xE5), {}, {}, 0});
  Sector again = records.front();
  again.data = Bytes(1024, 0x55);
  records.push_back(again);
  add("mixed-records", buildDisk(mixed));

  Disk zeroSize = compactVolumeDisk();
  zeroSize.diskSizeOverride = 0;
  add("disk-size-zero", buildDisk(zeroSize));

  Disk media = compactVolumeDisk();
  media.mediaType = 0x00;
  add("media-2d", buildDisk(media));
  add("shorter-than-a-header", Bytes(0x2B0 - 1, 0x20));
  add("two-disks", buildImage({compactVolumeDisk(), zeroLengthTrackDisk()}));

  add("disagreeing-counts-small", buildDisk(disagreeingChainDisk(64 * 1024)));
  add("disagreeing-counts", buildDisk(disagreeingChainDisk(2 << 20)));
  add("zero-length-track", buildDisk(zeroLengthTrackDisk()));
  return images;
}

}  // namespace d88::build
