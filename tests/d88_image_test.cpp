// The reader against images composed byte by byte.
#include "d88_image.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <string>
#include <tuple>
#include <vector>

#include "d88_builder.h"
#include "test_support.h"

namespace d88 {
namespace {

using build::Bytes;
using build::Disk;
using build::Sector;
using testing::TempDir;

Sector sector(uint8_t c, uint8_t h, uint8_t r, uint8_t n, Bytes data) {
  return Sector{c, h, r, n, std::move(data), {}, {}, 0};
}

Bytes filled(size_t length, uint8_t value) {
  return Bytes(length, value);
}

class ReaderTest : public ::testing::Test {
 protected:
  void openBytes(const Bytes& bytes) {
    const std::string path = (dir_.path() / "image.d88").string();
    ASSERT_TRUE(build::writeBytes(path, bytes));
    ASSERT_TRUE(image_.open(path.c_str()));
  }
  void openDisk(const Disk& disk) {
    openBytes(build::buildDisk(disk));
    ASSERT_TRUE(image_.selectDisk(0));
  }

  TempDir dir_;
  D88Image image_;
};

// --- indexing and selection ------------------------------------------------

TEST_F(ReaderTest, FileShorterThanAHeaderHoldsNoDisk) {
  openBytes(Bytes(687, 0x20));  // one byte short of a disk header
  EXPECT_EQ(image_.diskCount(), 0);
  EXPECT_FALSE(image_.selectDisk(0));
  EXPECT_EQ(image_.mediaType(), -1);
}

TEST_F(ReaderTest, TruncatedLastHeaderIsNotIndexed) {
  Bytes bytes = build::buildImage({Disk{}, Disk{}});
  const Bytes third = build::buildDisk(Disk{});
  bytes.insert(bytes.end(), third.begin(), third.begin() + 687);
  openBytes(bytes);
  EXPECT_EQ(image_.diskCount(), 2);
}

TEST_F(ReaderTest, DiskSizeZeroFillsTheIndexWithOneOffset) {
  Disk disk;
  disk.diskSizeOverride = 0;
  disk.mediaType = 0x10;
  openBytes(build::buildDisk(disk));
  EXPECT_EQ(image_.diskCount(), 64);
  EXPECT_TRUE(image_.selectDisk(63));
  EXPECT_EQ(image_.mediaType(), 0x10);
}

TEST_F(ReaderTest, IndexingStopsWhereTheNextOffsetLeavesTheSignedRange) {
  for (uint32_t size : {0x80000000u, 0xFFFFFFFFu}) {
    Disk disk;
    disk.diskSizeOverride = size;
    openBytes(build::buildImage({disk, Disk{}}));
    EXPECT_EQ(image_.diskCount(), 1) << std::hex << size;
  }
  // A second header really at 2 GiB, in a sparse file: still not indexed.
  Disk first;
  first.diskSizeOverride = 0x80000000u;
  const Bytes header = build::buildDisk(first);
  const auto path = dir_.path() / "big.d88";
  {
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(header.data()), std::streamsize(header.size()));
    out.seekp(std::streamoff{0x80000000});
    out.write(reinterpret_cast<const char*>(header.data()), std::streamsize(header.size()));
  }
  ASSERT_TRUE(image_.open(path.string().c_str()));
  EXPECT_EQ(image_.diskCount(), 1);
}

TEST_F(ReaderTest, TrackDataPastTwoGiBIsReadOnEveryHost) {
  Disk disk;
  disk.tracks[0] = {sector(0, 0, 1, 0, filled(128, 0x5A))};
  const Bytes plain = build::buildDisk(disk);
  disk.trackOffsetOverrides[0] = 0xF0000000u;
  disk.diskSizeOverride = 0xF0000100u;
  const Bytes header = build::buildDisk(disk);
  const auto path = dir_.path() / "far.d88";
  {
    std::ofstream out(path, std::ios::binary);  // sparse: 3.75 GiB of holes
    out.write(reinterpret_cast<const char*>(header.data()), 0x2B0);
    out.seekp(std::streamoff{0xF0000000});
    out.write(reinterpret_cast<const char*>(plain.data() + 0x2B0), 16 + 128);
  }
  ASSERT_TRUE(image_.open(path.string().c_str()));
  ASSERT_TRUE(image_.selectDisk(0));
  uint8_t data[128] = {};
  EXPECT_EQ(image_.readSector(0, 0, 0, 1, 0, data, 128), 128);
  EXPECT_EQ(data[127], 0x5A);
}

TEST_F(ReaderTest, MultiDiskImageSelectsEachDiskAtItsOwnOffset) {
  Disk first;
  first.mediaType = 0x20;
  first.name = "FIRST";
  first.tracks[0] = {sector(0, 0, 1, 0, filled(128, 0x11))};
  Disk second;
  second.mediaType = 0x10;
  second.name = "SECOND";
  second.tracks[0] = {sector(0, 0, 1, 0, filled(128, 0x22))};
  build::Bytes bytes = build::buildImage({first, second});
  bytes[0x1A] = 0x10;  // the first disk write-protected
  openBytes(bytes);
  ASSERT_EQ(image_.diskCount(), 2);
  ASSERT_TRUE(image_.selectDisk(0));
  EXPECT_TRUE(image_.writeProtected());

  uint8_t data[128] = {};
  ASSERT_TRUE(image_.selectDisk(1));
  EXPECT_EQ(image_.mediaType(), 0x10);
  EXPECT_STREQ(image_.diskName(), "SECOND");
  EXPECT_FALSE(image_.writeProtected());
  EXPECT_EQ(image_.readSector(0, 0, 0, 1, 0, data, 128), 128);
  EXPECT_EQ(data[0], 0x22);

  ASSERT_TRUE(image_.selectDisk(0));
  EXPECT_EQ(image_.mediaType(), 0x20);
  EXPECT_EQ(image_.readSector(0, 0, 0, 1, 0, data, 128), 128);
  EXPECT_EQ(data[127], 0x11);
}

TEST_F(ReaderTest, FailedSelectionClearsTheSelection) {
  Disk disk;
  disk.tracks[0] = {sector(0, 0, 1, 0, filled(128, 1))};
  openDisk(disk);
  EXPECT_EQ(image_.mediaType(), 0x20);
  for (int32_t index : {1, -1, 64}) {
    ASSERT_TRUE(image_.selectDisk(0));
    EXPECT_FALSE(image_.selectDisk(index));
    EXPECT_EQ(image_.mediaType(), -1);
    EXPECT_STREQ(image_.diskName(), "");
    uint8_t data[128];
    EXPECT_EQ(image_.readSector(0, 0, 0, 1, 0, data, 128), 0);
  }
}

TEST_F(ReaderTest, NothingWorksWithoutAnOpenFile) {
  uint8_t data[16];
  EXPECT_FALSE(image_.selectDisk(0));
  EXPECT_EQ(image_.mediaType(), -1);
  EXPECT_EQ(image_.readSector(0, 0, 0, 1, 0, data, 16), 0);
  EXPECT_EQ(image_.listSectorIds(0, data, 16), 0);
  EXPECT_FALSE(image_.open((dir_.path() / "missing.d88").string().c_str()));
  EXPECT_FALSE(image_.selectDisk(0));
}

TEST_F(ReaderTest, CloseForgetsTheDisksAndTheMediaType) {
  openDisk(Disk{});
  EXPECT_TRUE(image_.close());
  EXPECT_EQ(image_.diskCount(), 0);
  EXPECT_EQ(image_.mediaType(), -1);
  EXPECT_FALSE(image_.selectDisk(0));
  EXPECT_TRUE(image_.open(nullptr));
}

TEST_F(ReaderTest, DiskNameIsTakenAsStoredUpToSixteenBytes) {
  const std::pair<std::string, std::string> cases[] = {
      {"ABCDEFGHIJKLMNOP", "ABCDEFGHIJKLMNOP"},
      {std::string("AB\0CD", 5), "AB"},
      {"\x83\x5A\x81\x5B\x83\x75", "\x83\x5A\x81\x5B\x83\x75"},  // Shift_JIS
  };
  for (const auto& [stored, expected] : cases) {
    Disk disk;
    disk.name = stored;
    openDisk(disk);
    EXPECT_EQ(std::string(image_.diskName()), expected);
  }
}

// --- finding one sector ------------------------------------------------------

TEST_F(ReaderTest, SectorIsFoundByAllFourIdBytesInAnyOrder) {
  Disk disk;
  disk.tracks[5] = {sector(2, 1, 3, 1, filled(256, 0xA3)), sector(2, 1, 1, 1, filled(256, 0xA1)),
                    sector(2, 1, 1, 0, filled(128, 0xB1)), sector(9, 9, 9, 1, filled(256, 0xC9))};
  openDisk(disk);
  uint8_t data[256] = {};
  EXPECT_EQ(image_.readSector(5, 2, 1, 1, 1, data, 256), 256);
  EXPECT_EQ(data[255], 0xA1);
  EXPECT_EQ(image_.readSector(5, 2, 1, 1, 0, data, 256), 128);
  EXPECT_EQ(data[0], 0xB1);
  EXPECT_EQ(image_.readSector(5, 9, 9, 9, 1, data, 256), 256);
  EXPECT_EQ(data[0], 0xC9);
  // Same R, other C, H or N; and IDs that only match modulo 256.
  EXPECT_EQ(image_.readSector(5, 2, 0, 1, 1, data, 256), 0);
  EXPECT_EQ(image_.readSector(5, 3, 1, 1, 1, data, 256), 0);
  EXPECT_EQ(image_.readSector(5, 2, 1, 1, 2, data, 256), 0);
  EXPECT_EQ(image_.readSector(5, 2, 1, 1 + 256, 1, data, 256), 0);
  EXPECT_EQ(image_.readSector(5, 2 - 256, 1, 1, 1, data, 256), 0);
  EXPECT_EQ(image_.readSector(4, 2, 1, 1, 1, data, 256), 0);
}

TEST_F(ReaderTest, CopyLengthIsTheDataSizeBoundedByTheRequest) {
  Disk disk;
  disk.tracks[0] = {sector(0, 0, 1, 1, filled(100, 0x55)),   // short of 256
                    sector(0, 0, 2, 0, filled(300, 0x66))};  // longer than 128
  openDisk(disk);
  Bytes data(400, 0);
  EXPECT_EQ(image_.readSector(0, 0, 0, 1, 1, data.data(), 256), 100);
  EXPECT_EQ(data[99], 0x55);
  EXPECT_EQ(data[100], 0);
  EXPECT_EQ(image_.readSector(0, 0, 0, 2, 0, data.data(), 400), 300);
  std::fill(data.begin(), data.end(), 0);
  EXPECT_EQ(image_.readSector(0, 0, 0, 2, 0, data.data(), 7), 7);
  EXPECT_EQ(data[6], 0x66);
  EXPECT_EQ(data[7], 0);
  EXPECT_EQ(image_.readSector(0, 0, 0, 2, 0, data.data(), 0), 0);
  EXPECT_EQ(image_.readSector(0, 0, 0, 2, 0, data.data(), -5), 0);
}

TEST_F(ReaderTest, WalkExaminesExactlyAsManyRecordsAsTheCountSays) {
  Disk disk;
  disk.tracks[0] = {sector(0, 0, 1, 0, filled(128, 1)), sector(0, 0, 2, 0, filled(128, 2)),
                    sector(0, 0, 3, 0, filled(128, 3))};
  for (Sector& s : disk.tracks[0]) s.sectorsInTrack = 2;  // the third is beyond
  openDisk(disk);
  uint8_t data[128];
  EXPECT_EQ(image_.readSector(0, 0, 0, 2, 0, data, 128), 128);
  EXPECT_EQ(image_.readSector(0, 0, 0, 3, 0, data, 128), 0);
}

TEST_F(ReaderTest, CountOfZeroOffersNoSector) {
  Disk disk;
  disk.tracks[0] = {sector(0, 0, 1, 0, filled(128, 1))};
  disk.tracks[0][0].sectorsInTrack = 0;
  openDisk(disk);
  uint8_t data[128];
  EXPECT_EQ(image_.readSector(0, 0, 0, 1, 0, data, 128), 0);
}

TEST_F(ReaderTest, DisagreeingCountsStillEndTheWalkAtTheEndOfTheFile) {
  Disk disk;
  auto& track = disk.tracks[0];
  for (int r = 1; r <= 200; ++r) {
    track.push_back(sector(0, 0, static_cast<uint8_t>(r), 0, {}));
    // Record i stops the walk only if its count is i + 1: none does.
    track.back().sectorsInTrack = static_cast<uint16_t>(r == 1 ? 5 : 1);
  }
  openDisk(disk);
  Bytes data(4 * 300, 0);
  EXPECT_EQ(image_.readSector(0, 7, 7, 7, 7, data.data(), 4), 0);
  EXPECT_EQ(image_.readSector(0, 0, 0, 150, 0, data.data(), 4), 0);  // zero-length data
  EXPECT_EQ(image_.listSectorIds(0, data.data(), 4 * 300), 4 * 200);
  EXPECT_EQ(data[4 * 199 + 2], 200);
}

TEST_F(ReaderTest, SectorRecordsAreListedAsStoredWithWhatReadSectorReaches) {
  Disk disk;
  auto& track = disk.tracks[4];
  // Another scheme's record, stored shorter than its size code says.
  track = {sector(1, 0, 1, 3, filled(1024, 1)), sector(0, 0, 1, 2, filled(100, 2)),
           sector(1, 0, 2, 3, filled(1024, 3)), sector(1, 0, 1, 3, filled(1024, 4))};
  track[2].status = 0xB0;
  openDisk(disk);
  SectorRecord records[8];
  ASSERT_EQ(image_.listSectorRecords(4, records, 8), 4);
  const auto row = [](const SectorRecord& s) {
    return std::tuple(s.c, s.h, s.r, s.n, s.dataSize, s.status, s.reached);
  };
  // The second R1 is never read: the first one of its ID is.
  EXPECT_EQ(row(records[0]), std::tuple(1, 0, 1, 3, 1024, 0x00, true));
  EXPECT_EQ(row(records[1]), std::tuple(0, 0, 1, 2, 100, 0x00, true));
  EXPECT_EQ(row(records[2]), std::tuple(1, 0, 2, 3, 1024, 0xB0, true));
  EXPECT_EQ(row(records[3]), std::tuple(1, 0, 1, 3, 1024, 0x00, false));
  EXPECT_EQ(image_.listSectorRecords(4, records, 2), 2);
  EXPECT_EQ(image_.listSectorRecords(5, records, 8), 0);  // no such track
}

TEST_F(ReaderTest, TrackTableEntriesOutsideTheDiskAreAbsent) {
  Disk disk;
  disk.tracks[3] = {sector(1, 1, 1, 0, filled(128, 9))};
  const Bytes bytes = build::buildDisk(disk);
  const auto offset = static_cast<uint32_t>(build::recordOffset(bytes, 3, 1));
  uint8_t data[128];

  disk.diskSizeOverride = offset;  // an entry equal to the disk size counts
  openDisk(disk);
  EXPECT_EQ(image_.readSector(3, 1, 1, 1, 0, data, 128), 128);

  disk.diskSizeOverride = offset - 1;
  openDisk(disk);
  EXPECT_EQ(image_.readSector(3, 1, 1, 1, 0, data, 128), 0);

  for (uint32_t huge : {0x80000000u, 0xFFFFFFFFu}) {
    disk.diskSizeOverride = 0xFFFFFFFFu;
    disk.trackOffsetOverrides[3] = huge;
    openDisk(disk);
    EXPECT_EQ(image_.readSector(3, 1, 1, 1, 0, data, 128), 0);
    EXPECT_EQ(image_.listSectorIds(3, data, 128), 0);
  }
  EXPECT_EQ(image_.readSector(-1, 1, 1, 1, 0, data, 128), 0);
  EXPECT_EQ(image_.readSector(164, 1, 1, 1, 0, data, 128), 0);
  EXPECT_EQ(image_.listSectorIds(-1, data, 128), 0);
  EXPECT_EQ(image_.listSectorIds(164, data, 128), 0);
  EXPECT_EQ(image_.readSector(4, 1, 1, 1, 0, data, 128), 0);  // entry 0
}

TEST_F(ReaderTest, FileCutShortEndsTheWalkWithWhatArrived) {
  Disk disk;
  disk.tracks[0] = {sector(0, 0, 1, 1, filled(256, 0x31)), sector(0, 0, 2, 1, filled(256, 0x32))};
  const Bytes whole = build::buildDisk(disk);
  uint8_t data[256];

  // Cut inside the second sector's data: what arrived is what counts.
  openBytes(Bytes(whole.begin(), whole.end() - 56));
  ASSERT_TRUE(image_.selectDisk(0));
  EXPECT_EQ(image_.readSector(0, 0, 0, 2, 1, data, 256), 200);
  EXPECT_EQ(data[199], 0x32);

  // Cut inside the second sector's header.
  openBytes(Bytes(whole.begin(), whole.end() - 256 - 8));
  ASSERT_TRUE(image_.selectDisk(0));
  EXPECT_EQ(image_.readSector(0, 0, 0, 1, 1, data, 256), 256);
  EXPECT_EQ(image_.readSector(0, 0, 0, 2, 1, data, 256), 0);
  EXPECT_EQ(image_.listSectorIds(0, data, 256), 4);
}

TEST_F(ReaderTest, StatusOfTheLastSectorFoundIsKept) {
  Disk disk;
  disk.tracks[0] = {sector(0, 0, 1, 0, filled(128, 1)), sector(0, 0, 2, 0, filled(128, 2))};
  disk.tracks[0][1].status = 0xB0;
  openDisk(disk);
  uint8_t data[128];
  EXPECT_EQ(image_.lastSectorStatus(), -1);
  EXPECT_EQ(image_.readSector(0, 0, 0, 2, 0, data, 128), 128);
  EXPECT_EQ(image_.lastSectorStatus(), 0xB0);
  EXPECT_TRUE(isDamagedStatus(image_.lastSectorStatus()));
  EXPECT_EQ(image_.readSector(0, 0, 0, 1, 0, data, 128), 128);
  EXPECT_EQ(image_.lastSectorStatus(), 0);
  EXPECT_EQ(image_.readSector(0, 0, 0, 3, 0, data, 128), 0);
  EXPECT_EQ(image_.lastSectorStatus(), -1);
  EXPECT_FALSE(isDamagedStatus(0x10));
  for (int status : {0xA0, 0xB0, 0xE0, 0xF0, 0x01}) EXPECT_TRUE(isDamagedStatus(status));
}

// --- what the reader remembers between searches --------------------------------

TEST_F(ReaderTest, TracksWithMoreIdsThanTheIndexHoldsAreSearchedInFull) {
  Disk disk;
  auto& track = disk.tracks[9];
  for (int i = 0; i < 2000; ++i) {
    const auto c = static_cast<uint8_t>(i / 256);
    const auto r = static_cast<uint8_t>(i % 256);
    track.push_back(sector(c, 0, r, 0, {static_cast<uint8_t>(i), static_cast<uint8_t>(i >> 8)}));
  }
  track.push_back(sector(0, 0, 5, 0, {0xEE, 0xEE}));  // a later duplicate of record 5
  track.push_back(sector(9, 9, 9, 9, {0x99, 0x99}));  // beyond the count
  for (Sector& s : track) s.sectorsInTrack = 2001;
  openDisk(disk);
  uint8_t data[2];
  for (int i : {0, 5, 511, 512, 513, 1500, 1999, 700, 3}) {
    ASSERT_EQ(image_.readSector(9, i / 256, 0, i % 256, 0, data, 2), 2) << i;
    EXPECT_EQ(data[0] | data[1] << 8, i);
  }
  EXPECT_EQ(image_.readSector(9, 9, 9, 9, 9, data, 2), 0);
  EXPECT_EQ(image_.readSector(9, 7, 0, 208, 0, data, 2), 0);  // after record 1999, 7/0/207
}

TEST_F(ReaderTest, SectorsLargerThanTheReadWindowArriveWhole) {
  Disk disk;
  disk.tracks[0] = {sector(0, 0, 1, 6, build::patternBytes(40000, 1)),
                    sector(0, 0, 2, 6, build::patternBytes(65535, 2)),
                    sector(0, 0, 3, 6, build::patternBytes(30000, 3))};
  openDisk(disk);
  Bytes data(65535);
  for (uint8_t r : {uint8_t{3}, uint8_t{1}, uint8_t{2}}) {
    const size_t size = r == 1 ? 40000 : r == 2 ? 65535 : 30000;
    ASSERT_EQ(image_.readSector(0, 0, 0, r, 6, data.data(), 65535), static_cast<int32_t>(size));
    EXPECT_TRUE(std::equal(data.begin(), data.begin() + static_cast<ptrdiff_t>(size),
                           build::patternBytes(size, r).begin()));
  }
}

// Records P0..P9 hold R 1..10 and 8 data bytes each; each data size field
// says how many records on the next one lies, so chains can skip records. One
// record's count ends the walks for which it is that many records in.
struct MeetingWalks {
  int ahead[10];
  size_t endRecord;
  uint16_t endCount;
  std::vector<uint32_t> starts;    // the record each track's walk starts at
  std::vector<std::string> finds;  // which of R 1..7 each track's walk finds
};

const MeetingWalks kMeetingWalks[] = {
    // Track 0 walks P0 P3 P4 P5 ..., track 1 P1 P2 P4 P5 ..., track 2 P2 P4
    // P5 ...: P5's count of 3 ends only track 2's walk, for which it is third.
    {{3, 1, 2, 1, 1, 1, 1, 1, 1, 1}, 5, 3, {0, 1, 2}, {"1001111", "0110111", "0010110"}},
    // Track 0 walks P0 P1 P3 P4 ..., track 1 P1 P3 ..., track 2 P2 P3 ...:
    // tracks 1 and 2 reach P3 second, and its count of 2 ends both at once,
    // while track 0, for which P3 is the third, walks on.
    {{1, 2, 1, 1, 1, 1, 1, 1, 1, 1}, 3, 2, {0, 1, 2}, {"1101111", "0101000", "0011000"}},
};

TEST_F(ReaderTest, WalksThatInterleaveAndMeetKeepTheirOwnAnswers) {
  for (const MeetingWalks& shape : kMeetingWalks) {
    Disk disk;
    disk.tracks[0] = build::formatTrack(0, 0, 0, 1, 10,
                                        [](int r) { return filled(8, static_cast<uint8_t>(r)); });
    for (size_t i = 0; i < 10; ++i) {
      disk.tracks[0][i].dataSize = static_cast<uint16_t>(8 + 24 * (shape.ahead[i] - 1));
      disk.tracks[0][i].sectorsInTrack = i == shape.endRecord ? shape.endCount : 0xFFFF;
    }
    // The records lie 24 bytes apart from P0, where track 0 starts.
    const auto p0 = static_cast<uint32_t>(build::recordOffset(build::buildDisk(disk), 0, 1));
    const int tracks = static_cast<int>(shape.starts.size());
    for (int track = 1; track < tracks; ++track) {
      disk.trackOffsetOverrides[track] = p0 + 24 * shape.starts[static_cast<size_t>(track)];
    }
    openDisk(disk);
    std::vector<SectorRequest> plan;
    for (int track = 0; track < tracks; ++track) {
      for (int r = 1; r <= 7; ++r) plan.push_back({track, 0, 0, r, 0});
    }
    for (bool located : {false, true}) {
      if (located) {
        ASSERT_TRUE(image_.locateSectors(plan));
      }
      for (int track = 0; track < tracks; ++track) {
        std::string found;
        for (int r = 1; r <= 7; ++r) {
          uint8_t data[8] = {};
          found += image_.readSector(track, 0, 0, r, 0, data, 8) == 8 && data[7] == r ? '1' : '0';
        }
        EXPECT_EQ(found, shape.finds[static_cast<size_t>(track)])
            << "track " << track << (located ? ", located" : "") << ", ending at P"
            << shape.endRecord;
      }
    }
  }
  EXPECT_FALSE(image_.locateSectors(std::vector<SectorRequest>(1025)));
}

TEST_F(ReaderTest, FirstOfTwoRecordsWithOneIdWinsAlsoInOnePass) {
  Disk disk;
  disk.tracks[5] = {sector(2, 1, 3, 1, filled(256, 0xA3)), sector(2, 1, 3, 1, filled(256, 0xEE)),
                    sector(2, 1, 7, 1, filled(256, 0xA7))};
  openDisk(disk);
  for (bool located : {false, true}) {
    if (located) {
      ASSERT_TRUE(
          image_.locateSectors(std::vector<SectorRequest>{{5, 2, 1, 3, 1}, {5, 2, 1, 7, 1}}));
    }
    uint8_t data[256] = {};
    EXPECT_EQ(image_.readSector(5, 2, 1, 3, 1, data, 256), 256);
    EXPECT_EQ(data[0], 0xA3) << located;
    EXPECT_EQ(image_.readSector(5, 2, 1, 7, 1, data, 256), 256);
    EXPECT_EQ(data[0], 0xA7) << located;
  }
}

TEST_F(ReaderTest, OpenKeepsNothingOfTheFileBefore) {
  Disk disk;
  disk.tracks[0] = {sector(0, 0, 1, 0, filled(128, 0x11))};
  openDisk(disk);
  uint8_t data[128];
  // A failed open forgets the disks and the selection.
  EXPECT_FALSE(image_.open((dir_.path() / "missing.d88").string().c_str()));
  EXPECT_EQ(image_.diskCount(), 0);
  EXPECT_EQ(image_.mediaType(), -1);
  EXPECT_EQ(image_.readSector(0, 0, 0, 1, 0, data, 128), 0);
  // A new file is not read through the old track table before a selection.
  openDisk(disk);
  openBytes(Bytes(4096, 0));
  EXPECT_EQ(image_.mediaType(), -1);
  EXPECT_EQ(image_.readSector(0, 0, 0, 1, 0, data, 128), 0);
}

// An image in memory is as long as its bytes, not as the read window: a real
// 2D disk (about 350 KB) reads as one, whole.
TEST(ReaderInMemory, ImageLongerThanTheReadWindowIsMeasuredWhole) {
  Disk disk;
  disk.mediaType = 0x00;
  for (uint8_t r = 1; r <= 100; ++r) disk.tracks[0].push_back(sector(0, 0, r, 3, filled(1024, 0x22)));
  const Bytes bytes = build::buildDisk(disk);
  ASSERT_GT(bytes.size(), size_t{1} << 16);
  D88Image image;
  ASSERT_TRUE(image.openBytes(bytes));
  ASSERT_TRUE(image.selectDisk(0));
  EXPECT_EQ(image.imageBytes(), static_cast<int64_t>(bytes.size()));
  EXPECT_TRUE(image.headerIsPlausible());
}

TEST_F(ReaderTest, ShorterImageOpenedAfterALongerOneKeepsNothingOfIt) {
  Disk disk;
  disk.tracks[0] = {sector(0, 0, 1, 0, filled(128, 0x11))};
  openBytes(build::buildImage({disk, disk}));
  ASSERT_TRUE(image_.selectDisk(0));
  uint8_t data[128];
  ASSERT_EQ(image_.readSector(0, 0, 0, 1, 0, data, 128), 128);
  // The same header, cut before the track it names: nothing read before answers.
  const Bytes header = build::buildDisk(disk);
  openBytes(Bytes(header.begin(), header.begin() + 0x2B0));
  EXPECT_EQ(image_.diskCount(), 1);
  ASSERT_TRUE(image_.selectDisk(0));
  EXPECT_EQ(image_.readSector(0, 0, 0, 1, 0, data, 128), 0);
}

TEST_F(ReaderTest, OpeningAgainReadsTheNewFileNotWhatWasRemembered) {
  for (uint8_t fill : {uint8_t{0x11}, uint8_t{0x22}}) {
    Disk disk;
    disk.tracks[0] = {sector(0, 0, 1, 0, filled(128, fill))};
    openDisk(disk);
    uint8_t data[128];
    ASSERT_EQ(image_.readSector(0, 0, 0, 1, 0, data, 128), 128);
    EXPECT_EQ(data[0], fill);
  }
}

// --- runs of sectors ---------------------------------------------------------

class RunTest : public ReaderTest {
 protected:
  // Tracks 0..3 with 26 sectors of 128 bytes, IDs following physical position;
  // byte 0 of each sector says where it came from.
  void openBootLikeDisk() {
    Disk disk;
    for (int track = 0; track < 4; ++track) {
      disk.tracks[track] = build::formatTrack(
          static_cast<uint8_t>(track / 2), static_cast<uint8_t>(track % 2), 0, 1, 26,
          [track](int r) { return filled(128, static_cast<uint8_t>(track * 32 + r)); });
    }
    openDisk(disk);
  }
};

TEST_F(RunTest, RunCrossesTracksAfterTheLastSectorOfTheRange) {
  openBootLikeDisk();
  image_.setSectorRange(1, 26);
  Bytes data(128 * 60, 0);
  EXPECT_EQ(image_.readSectors(0, 0, 0, 1, 0, data.data(), 128 * 60), 128 * 60);
  EXPECT_EQ(data[0], 1);              // track 0 R 1
  EXPECT_EQ(data[128 * 25], 26);      // track 0 R 26
  EXPECT_EQ(data[128 * 26], 32 + 1);  // track 1: C 0, H 1, R 1
  EXPECT_EQ(data[128 * 52], 64 + 1);  // track 2: C 1, H 0, R 1
  EXPECT_EQ(data[128 * 59], 64 + 8);
}

TEST_F(RunTest, SectorRangeDecidesWhereARunLeavesATrack) {
  openBootLikeDisk();
  image_.setSectorRange(3, 5);
  Bytes data(128 * 4, 0);
  EXPECT_EQ(image_.readSectors(1, 0, 1, 4, 0, data.data(), 128 * 4), 128 * 4);
  EXPECT_EQ(data[0], 32 + 4);
  EXPECT_EQ(data[128], 32 + 5);
  EXPECT_EQ(data[256], 64 + 3);  // C 1, H 0, R = first of the range
  EXPECT_EQ(data[384], 64 + 4);
}

TEST_F(RunTest, RunStopsAtTheFirstMissingOrShortSectorWithoutCountingIt) {
  Disk disk;
  disk.tracks[0] = {sector(0, 0, 1, 0, filled(128, 1)), sector(0, 0, 2, 0, filled(100, 2)),
                    sector(0, 0, 3, 0, filled(128, 3))};
  openDisk(disk);
  image_.setSectorRange(1, 26);
  Bytes data(384, 0);
  EXPECT_EQ(image_.readSectors(0, 0, 0, 1, 0, data.data(), 384), 128);
  EXPECT_EQ(data[128], 2);  // the short step was copied but is not counted
  EXPECT_EQ(data[256], 0);
  EXPECT_EQ(image_.readSectors(0, 0, 0, 3, 0, data.data(), 384), 128);  // R 4 missing
}

TEST_F(RunTest, TotalsThatAreNotWholeSectorsEndWithAShortStep) {
  openBootLikeDisk();
  image_.setSectorRange(1, 26);
  Bytes data(400, 0xEE);
  EXPECT_EQ(image_.readSectors(0, 0, 0, 1, 0, data.data(), 300), 300);
  EXPECT_EQ(data[299], 3);
  EXPECT_EQ(data[300], 0xEE);
  EXPECT_EQ(image_.readSectors(0, 0, 0, 1, 0, data.data(), 0), 0);
  EXPECT_EQ(image_.readSectors(0, 0, 0, 1, 0, data.data(), -1), 0);
  EXPECT_EQ(data[0], 1);
}

TEST_F(RunTest, SizeCodesBeyondTheShiftRangeAreSafe) {
  Disk disk;
  disk.tracks[0] = {sector(0, 0, 1, 30, filled(1000, 7)), sector(0, 0, 1, 255, filled(10, 8))};
  openDisk(disk);
  Bytes data(1000, 0);
  EXPECT_EQ(image_.readSectors(0, 0, 0, 1, 30, data.data(), 1000), 1000);
  EXPECT_EQ(image_.readSectors(0, 0, 0, 1, 255, data.data(), 10), 10);
  EXPECT_EQ(image_.readSectors(0, 0, 0, 1, 256, data.data(), 10), 0);
  EXPECT_EQ(image_.readSectors(0, 0, 0, 1, -1, data.data(), 10), 0);
}

// --- listing sector IDs --------------------------------------------------------

TEST_F(ReaderTest, ListsIdsInRecordOrderAsFarAsWholeEntriesFit) {
  Disk disk;
  disk.tracks[7] = {sector(3, 1, 9, 2, filled(512, 0)), sector(3, 1, 2, 2, {}),
                    sector(4, 0, 5, 1, filled(256, 0))};
  openDisk(disk);
  uint8_t ids[16];
  std::fill(std::begin(ids), std::end(ids), 0xEE);
  EXPECT_EQ(image_.listSectorIds(7, ids, 16), 12);
  const uint8_t expected[] = {3, 1, 9, 2, 3, 1, 2, 2, 4, 0, 5, 1, 0xEE};
  EXPECT_TRUE(std::equal(std::begin(expected), std::end(expected), ids));

  std::fill(std::begin(ids), std::end(ids), 0xEE);
  EXPECT_EQ(image_.listSectorIds(7, ids, 7), 4);
  EXPECT_EQ(ids[4], 0xEE);
  EXPECT_EQ(image_.listSectorIds(7, ids, 3), 0);
  EXPECT_EQ(image_.listSectorIds(7, ids, -4), 0);
  EXPECT_EQ(image_.listSectorIds(8, ids, 16), 0);
}

TEST_F(ReaderTest, CountOfZeroListsUntilTheBufferIsFull) {
  Disk disk;
  for (int r = 1; r <= 10; ++r)
    disk.tracks[0].push_back(sector(0, 0, static_cast<uint8_t>(r), 0, {}));
  for (Sector& s : disk.tracks[0]) s.sectorsInTrack = 0;
  openDisk(disk);
  uint8_t ids[4 * 6];
  EXPECT_EQ(image_.listSectorIds(0, ids, sizeof ids), 24);
  EXPECT_EQ(ids[4 * 5 + 2], 6);
  uint8_t many[4 * 20];
  EXPECT_EQ(image_.listSectorIds(0, many, sizeof many), 40);  // the file ends
}

}  // namespace
}  // namespace d88
