// Damaged images: missing, short and badly recorded sectors are reported per
// file, every sector the image does hold is used, what was not read is zero,
// and a side never borrows the other side's directory.
#include <gtest/gtest.h>

#include <string>

#include "expected_messages.h"
#include "test_support.h"
#include "volume_builder.h"

namespace d88 {
namespace {

using build::Bytes;
using build::Disk;
using build::trackIndex;
using build::VolumeDisk;
using testing::runOnImage;
using testing::RunResult;
using testing::slice;
using namespace expected;

TEST(DamagedDisk, ShortSectorKeepsWhatArrivedAndZerosTheRest) {
  VolumeDisk disk;
  build::addFile(disk.sides[0], "FRONT", 3, 1);
  // Over FRONT's sectors, and under its name: it gets both warnings.
  const Bytes back = build::addFile(disk.sides[1], "FRONT", 3, 2);
  Disk raw = build::toDisk(disk);
  build::findSector(raw, trackIndex(1, 2), 2)->data.resize(1000);
  const RunResult run = runOnImage(build::buildDisk(raw));
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.err, unreadSectors("FRONT") + replacedEarlier("FRONT"));
  Bytes expected = back;
  std::fill_n(expected.begin() + 2024, 24, uint8_t{0});  // never side 0's bytes
  EXPECT_EQ(run.files, (testing::Files{{"FRONT", expected}}));
}

TEST(DamagedDisk, OnlyStatusesOtherThanNormalAndDeletedDataAreDamage) {
  VolumeDisk disk;
  const Bytes deleted = build::addFile(disk.sides[0], "DELETE", 1, 2);
  const Bytes both = build::addFile(disk.sides[1], "BOTH", 3, 3);
  Disk raw = build::toDisk(disk);
  build::findSector(raw, trackIndex(0, 2), 1)->status = 0x10;  // deleted data: fine
  build::findSector(raw, trackIndex(1, 2), 1)->status = 0xE0;  // no address mark
  build::removeSector(raw, trackIndex(1, 2), 3);
  const RunResult run = runOnImage(build::buildDisk(raw));
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.err, unreadAndDamagedSectors("BOTH"));
  EXPECT_EQ(run.files.at("DELETE"), deleted);
  Bytes expected = both;
  std::fill_n(expected.begin() + 2048, 1024, uint8_t{0});
  EXPECT_EQ(run.files.at("BOTH"), expected);
}

TEST(DamagedDisk, MissingDirectoryTrackListsNothingForThatSide) {
  VolumeDisk disk;
  const Bytes front = build::addFile(disk.sides[0], "FRONT", 1, 1);
  build::addFile(disk.sides[1], "BACK", 1, 2);
  Disk raw = build::toDisk(disk);
  raw.tracks.erase(trackIndex(1, 1));
  const RunResult run = runOnImage(build::buildDisk(raw));
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.out, kRecognised + "FRONT      START:02 01    END:02 01   SIZE:0400\n");
  EXPECT_EQ(run.err, directoryIncomplete(1));
  EXPECT_EQ(run.files, (testing::Files{{"FRONT", front}}));
}

TEST(DamagedDisk, HalfMissingDirectoryStopsWhereTheReadBytesEnd) {
  // 130 entries fill directory sectors R 1 and R 2 (64 each) and two of R 3.
  VolumeDisk disk;
  for (int k = 0; k < 130; ++k) build::addEntry(disk.sides[1], "E" + std::to_string(k), 2, 1, 2, 1);
  Disk raw = build::toDisk(disk);
  build::removeSector(raw, trackIndex(1, 1), 3);
  RunResult run = runOnImage(build::buildDisk(raw));
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.err, directoryIncomplete(1));
  EXPECT_EQ(run.files.size(), 128u);
  EXPECT_EQ(run.files.count("E127"), 1u);

  // An end mark before the missing sector: nothing is missed, nothing said.
  disk.sides[1].entries.resize(10);
  raw = build::toDisk(disk);
  build::removeSector(raw, trackIndex(1, 1), 3);
  run = runOnImage(build::buildDisk(raw));
  EXPECT_EQ(run.err, "");
  EXPECT_EQ(run.files.size(), 10u);
}

TEST(DamagedDisk, SingleSidedImageReportsTheMissingSecondSideOnce) {
  VolumeDisk disk;
  build::addFile(disk.sides[0], "ONLY", 2, 1);
  Disk raw = build::toDisk(disk);
  for (int t = 1; t < 77; ++t) raw.tracks.erase(trackIndex(1, t));
  const RunResult run = runOnImage(build::buildDisk(raw));
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.out, kRecognised + "ONLY       START:02 01    END:02 02   SIZE:0800\n");
  EXPECT_EQ(run.err, directoryIncomplete(1));
  EXPECT_EQ(run.files, testing::filesOf(disk));
}

TEST(DamagedDisk, BootBlockWarnsOnlyForItsOwnSectors) {
  VolumeDisk disk;
  build::addFile(disk.sides[0], "m.0000", 1, 1);
  const Bytes boot = build::bootBlock(disk);
  struct Case {
    uint8_t r;
    bool remove;
    std::string err;
  };
  const Case cases[] = {
      {13, true, ""},  // just before the block
      {18, true, ""},  // just after it
      {14, false, damagedSectors("IPLMUS")},
      {17, true, unreadSectors("IPLMUS")},
  };
  for (const Case& c : cases) {
    Disk raw = build::toDisk(disk);
    if (c.remove) {
      build::removeSector(raw, 0, c.r);
    } else {
      build::findSector(raw, 0, c.r)->status = 0xB0;
    }
    const RunResult run = runOnImage(build::buildDisk(raw));
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.err, c.err) << int(c.r);
    const Bytes& got = run.files.at("IPLMUS");
    if (c.r == 17) {
      EXPECT_EQ(slice(got, 0, 384), slice(boot, 0, 384));
      EXPECT_EQ(got[384], 0);
    } else {
      EXPECT_EQ(got, boot) << int(c.r);
    }
  }
}

}  // namespace
}  // namespace d88
