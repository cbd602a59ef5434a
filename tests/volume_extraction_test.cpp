// The volume layout and its extraction, in-process, on the values handed to
// the sink: which entries, in which order, with which verdict, bytes and
// damage. No program, no folder.
#include "volume_extraction.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "d88_image.h"
#include "test_support.h"
#include "volume_builder.h"
#include "volume_layout.h"

namespace d88 {
namespace {

using build::Bytes;
using build::Disk;
using build::trackIndex;
using build::VolumeDisk;
using testing::Files;
using testing::imageOf;

// What the sink was handed: a line for each value ("S:K NAME", then the
// verdict or damage when there is one), and the bytes of each file that may
// be written, a later name replacing an earlier.
struct Extraction {
  std::vector<std::string> values;
  Files files;
  ExtractionSummary summary;
  // For each side and the boot read (2): a letter a sector, R read, U not
  // read in full, D damaged; and the bytes handed with them.
  std::map<int32_t, std::string> sectors;
  std::map<int32_t, Bytes> sectorBytes;
};

void take(void* context, const ExtractedEntry& value) {
  auto& out = *static_cast<Extraction*>(context);
  const std::string name = value.entry.name.data();
  std::string line;
  switch (value.kind) {
    case ExtractedEntry::Kind::entry:
      line = std::to_string(value.side) + ":" + std::to_string(value.index) + " " + name;
      break;
    case ExtractedEntry::Kind::directoryIncomplete:
      out.values.push_back(std::to_string(value.side) + " directory incomplete");
      return;
    case ExtractedEntry::Kind::bootBlock: line = name; break;
    case ExtractedEntry::Kind::sectorStates:
      for (SectorState state : value.sectors) out.sectors[value.side] += "URD"[int(state)];
      out.sectorBytes[value.side] = Bytes(value.bytes.begin(), value.bytes.end());
      return;
  }
  if (value.verdict == EntryVerdict::unsafeName) line += " unsafe";
  if (value.verdict == EntryVerdict::outsideVolume) line += " outside";
  if (value.damage == SectorDamage::unread) line += " unread";
  if (value.damage == SectorDamage::damaged) line += " damaged";
  if (value.damage == SectorDamage::unreadAndDamaged) line += " unread+damaged";
  out.values.push_back(line);
  if (value.verdict == EntryVerdict::write)
    out.files[name] = Bytes(value.bytes.begin(), value.bytes.end());
}

Extraction extract(const Bytes& image) {
  D88Image reader;
  EXPECT_TRUE(reader.openBytes(image));
  EXPECT_TRUE(reader.selectDisk(0));
  auto buffers = std::make_unique<VolumeBuffers>();
  Extraction out;
  out.summary = extractVolumes(reader, *buffers, {take, &out});
  return out;
}

using Lines = std::vector<std::string>;

// PREFIX followed by k (snprintf: GCC 12 at -O3 warns falsely on string +).
std::string numbered(const char* prefix, int k) {
  char name[16];
  std::snprintf(name, sizeof name, "%s%d", prefix, k);
  return name;
}

TEST(VolumeExtraction, EndMarkInTheFirstEntryHandsNothingForThatSide) {
  VolumeDisk disk;
  build::addFile(disk.sides[1], "B", 1, 2);
  const Extraction got = extract(imageOf(disk));
  EXPECT_EQ(got.values, (Lines{"1:0 B"}));
  EXPECT_EQ(got.files, testing::filesOf(disk));
}

TEST(VolumeExtraction, DirectoryWithoutEndMarkHandsAll320Entries) {
  VolumeDisk disk;
  auto& side = disk.sides[0];
  side.endMark = false;
  for (int k = 0; k < 320; ++k) build::addEntry(side, numbered("F", k), 2, 1, 2, 1);
  std::fill_n(side.volume.begin() + 10 * 1024, 1024, uint8_t{0x5A});
  const Extraction got = extract(imageOf(disk));
  ASSERT_EQ(got.values.size(), 320u);
  EXPECT_EQ(got.values.back(), "0:319 F319");
  EXPECT_EQ(got.files.at("F319"), Bytes(1024, 0x5A));
  EXPECT_EQ(got.summary.entries, 320);
}

TEST(VolumeExtraction, FilesOnTheLastLogicalTrackComeOut) {
  VolumeDisk disk;
  Files expected;
  for (size_t side : {0u, 1u}) {
    const std::string name = "END" + std::to_string(side);
    build::addEntry(disk.sides[side], name, 76, 1, 76, 5);
    expected[name] = build::patternBytes(5120, static_cast<uint32_t>(side) + 7);
    std::copy(expected[name].begin(), expected[name].end(),
              disk.sides[side].volume.begin() + 76 * 5120);
  }
  EXPECT_EQ(extract(imageOf(disk)).files, expected);
}

// --- the boot block ----------------------------------------------------------------

TEST(VolumeExtraction, BootBlockComesOnceAfterBothSidesWhenSideOneHoldsTheTrigger) {
  VolumeDisk disk;
  build::addFile(disk.sides[0], "A", 1, 1);
  build::addFile(disk.sides[1], "m.0000", 1, 2);
  const Extraction got = extract(imageOf(disk));
  EXPECT_EQ(got.values, (Lines{"0:0 A", "1:0 m.0000", "IPLMUS"}));
  Files expected = testing::filesOf(disk);
  expected["IPLMUS"] = build::bootBlock(disk);
  EXPECT_EQ(got.files, expected);
  EXPECT_TRUE(got.summary.bootBlock);
}

TEST(VolumeExtraction, NoBootBlockWithoutTheTrigger) {
  VolumeDisk disk;
  build::addFile(disk.sides[0], "m.0001", 1, 1);
  build::addFile(disk.sides[0], "M.0000", 1, 1);
  build::addFile(disk.sides[0], "m.000", 1, 1);
  const Extraction got = extract(imageOf(disk));
  EXPECT_EQ(got.values, (Lines{"0:0 m.0001", "0:1 M.0000", "0:2 m.000"}));
  EXPECT_FALSE(got.summary.bootBlock);
}

TEST(VolumeExtraction, BootBlockDamageIsOnlyThatOfItsOwnSectors) {
  VolumeDisk disk;
  build::addFile(disk.sides[0], "m.0000", 1, 1);
  const Bytes boot = build::bootBlock(disk);
  struct Case {
    uint8_t r;
    bool remove;
    std::string value;
  };
  const Case cases[] = {
      {1, true, "IPLMUS"},   // the first sector of the read: the rest still comes
      {13, true, "IPLMUS"},  // just before the block
      {18, true, "IPLMUS"},  // just after it
      {14, false, "IPLMUS damaged"}, {17, true, "IPLMUS unread"},
  };
  for (const Case& c : cases) {
    Disk raw = build::toDisk(disk);
    if (c.remove) {
      build::removeSector(raw, 0, c.r);
    } else {
      build::findSector(raw, 0, c.r)->status = 0xB0;
    }
    const Extraction got = extract(build::buildDisk(raw));
    EXPECT_EQ(got.values.back(), c.value) << int(c.r);
    Bytes expected = boot;
    if (c.r == 17) expected[384] = 0;
    EXPECT_EQ(got.files.at("IPLMUS"), expected) << int(c.r);
  }
  // The boot read's own states: R 1 to 26 of track 0, then R 1 and 2 of track
  // index 1, which holds 256-byte sectors only.
  Disk raw = build::toDisk(disk);
  build::removeSector(raw, 0, 17);
  build::findSector(raw, 0, 3)->status = 0xB0;
  const Extraction got = extract(build::buildDisk(raw));
  EXPECT_EQ(got.sectors.at(2), "RRDRRRRRRRRRRRRRURRRRRRRRRUU");
  EXPECT_EQ(got.sectorBytes.at(2).size(), 3584u);
}

// --- damaged disks -----------------------------------------------------------------

TEST(VolumeExtraction, ShortSectorKeepsWhatArrivedAndZerosTheRest) {
  VolumeDisk disk;
  build::addFile(disk.sides[0], "FRONT", 3, 1);
  const Bytes back = build::addFile(disk.sides[1], "SHORT", 3, 2);  // over FRONT's sectors
  Disk raw = build::toDisk(disk);
  build::findSector(raw, trackIndex(1, 2), 2)->data.resize(1000);
  const Extraction got = extract(build::buildDisk(raw));
  EXPECT_EQ(got.values, (Lines{"0:0 FRONT", "1:0 SHORT unread"}));
  Bytes expected = back;
  std::fill_n(expected.begin() + 2024, 24, uint8_t{0});  // never FRONT's bytes
  EXPECT_EQ(got.files.at("SHORT"), expected);
}

TEST(VolumeExtraction, OnlyStatusesOtherThanNormalAndDeletedDataAreDamage) {
  VolumeDisk disk;
  const Bytes deleted = build::addFile(disk.sides[0], "DELETE", 1, 2);
  const Bytes both = build::addFile(disk.sides[1], "BOTH", 3, 3);
  Disk raw = build::toDisk(disk);
  build::findSector(raw, trackIndex(0, 2), 1)->status = 0x10;  // deleted data: fine
  build::findSector(raw, trackIndex(1, 2), 1)->status = 0xE0;  // no address mark
  build::removeSector(raw, trackIndex(1, 2), 3);
  const Extraction got = extract(build::buildDisk(raw));
  EXPECT_EQ(got.values, (Lines{"0:0 DELETE", "1:0 BOTH unread+damaged"}));
  EXPECT_EQ(got.summary.damaged, 1);
  // Every sector of logical tracks 1 to 76, after each side's entries.
  EXPECT_EQ(got.sectors.at(0), std::string(380, 'R'));
  EXPECT_EQ(got.sectors.at(1), "RRRRR" "DRURR" + std::string(370, 'R'));
  EXPECT_EQ(got.sectorBytes.at(1).size(), 77u * 5120u);
  EXPECT_EQ(got.sectors.count(2), 0u);  // no boot read
  EXPECT_EQ(got.files.at("DELETE"), deleted);
  Bytes expected = both;
  std::fill_n(expected.begin() + 2048, 1024, uint8_t{0});
  EXPECT_EQ(got.files.at("BOTH"), expected);
}

TEST(VolumeExtraction, MissingDirectoryTrackHandsNothingForThatSide) {
  VolumeDisk disk;
  build::addFile(disk.sides[0], "FRONT", 1, 1);
  build::addFile(disk.sides[1], "BACK", 1, 2);
  Disk raw = build::toDisk(disk);
  raw.tracks.erase(trackIndex(1, 1));
  EXPECT_EQ(extract(build::buildDisk(raw)).values, (Lines{"0:0 FRONT", "1 directory incomplete"}));
  // A single-sided image: the second side is missing as a whole, said once.
  raw = build::toDisk(disk);
  for (int t = 1; t < 77; ++t) raw.tracks.erase(trackIndex(1, t));
  const Extraction got = extract(build::buildDisk(raw));
  EXPECT_EQ(got.values, (Lines{"0:0 FRONT", "1 directory incomplete"}));
  EXPECT_EQ(got.summary.incompleteDirectories, 1);
}

TEST(VolumeExtraction, HalfMissingDirectoryStopsWhereTheReadBytesEnd) {
  // 130 entries fill directory sectors R 1 and R 2 (64 each) and two of R 3.
  VolumeDisk disk;
  for (int k = 0; k < 130; ++k) build::addEntry(disk.sides[1], numbered("E", k), 2, 1, 2, 1);
  Disk raw = build::toDisk(disk);
  build::removeSector(raw, trackIndex(1, 1), 3);
  Extraction got = extract(build::buildDisk(raw));
  ASSERT_EQ(got.values.size(), 129u);
  EXPECT_EQ(got.values[127], "1:127 E127");
  EXPECT_EQ(got.values[128], "1 directory incomplete");

  // An end mark before the missing sector: nothing is missed, nothing said.
  disk.sides[1].entries.resize(10);
  raw = build::toDisk(disk);
  build::removeSector(raw, trackIndex(1, 1), 3);
  got = extract(build::buildDisk(raw));
  EXPECT_EQ(got.values.size(), 10u);
  EXPECT_EQ(got.values.back(), "1:9 E9");
}

// --- verdicts ----------------------------------------------------------------------

TEST(VolumeExtraction, RefusedEntriesAreHandedWithTheirVerdictAndNoBytes) {
  VolumeDisk disk;
  build::addEntry(disk.sides[0], "../UP", 2, 1, 2, 1);
  build::addEntry(disk.sides[0], "", 2, 1, 2, 1);
  build::addEntry(disk.sides[0], "PAST", 76, 5, 77, 1);
  build::addEntry(disk.sides[0], "BACK", 3, 1, 2, 4);  // ends two sectors before it starts
  const Bytes ok = build::addFile(disk.sides[1], "OK", 1, 3);
  const Extraction got = extract(imageOf(disk));
  EXPECT_EQ(got.values, (Lines{"0:0 ../UP unsafe", "0:1  unsafe", "0:2 PAST outside",
                               "0:3 BACK outside", "1:0 OK"}));
  EXPECT_EQ(got.files, (Files{{"OK", ok}}));
  EXPECT_EQ(got.summary.refused, 4);
}

// The IDs the layout asks for, track by track, written out by hand: a
// volume's logical track t (track index 2t + s) as C t / 2, H t % 2, R 1 to
// 5, N 3; the boot read's R 1 to 26 of track 0 and R 1 and 2 of track 1,
// N 0; nothing past logical track 4c.
TEST(VolumeLayout, AsksForTheIdsOfItsOwnScheme) {
  struct Row {
    int32_t track, c, h, r, n;
    bool asked;
  };
  const Row rows[] = {
      {4, 1, 0, 1, 3, true},    {5, 1, 0, 5, 3, true},     {4, 1, 0, 1, 2, false},
      {4, 0, 0, 1, 3, false},   {4, 1, 1, 1, 3, false},    {4, 1, 0, 6, 3, false},
      {4, 1, 0, 0, 3, false},   {2, 0, 1, 1, 3, true},     {153, 38, 0, 5, 3, true},
      {154, 38, 1, 1, 3, false}, {0, 0, 0, 26, 0, true},   {0, 0, 0, 27, 0, false},
      {0, 0, 0, 1, 3, false},   {1, 0, 1, 2, 0, true},     {1, 0, 1, 3, 0, false},
      {1, 0, 0, 1, 0, false},   {-1, 0, 0, 1, 0, false},
  };
  for (const Row& row : rows) {
    EXPECT_EQ(layoutAsksFor(row.track, row.c, row.h, row.r, row.n), row.asked)
        << row.track << ": " << row.c << " " << row.h << " " << row.r << " " << row.n;
  }
}

}  // namespace
}  // namespace d88
