// The real program, run in a fresh folder on built images: stdout, stderr,
// exit status and every file it leaves behind.
#include <gtest/gtest.h>

#include <string>

#include "directory_entry.h"
#include "expected_messages.h"
#include "test_support.h"
#include "volume_builder.h"

namespace d88 {
namespace {

using build::Bytes;
using build::VolumeDisk;
using testing::imageOf;
using testing::runOnImage;
using testing::RunOptions;
using testing::RunResult;
using testing::runWithArgs;
using testing::slice;
using namespace expected;

// --- the command line and the media check ---------------------------------

TEST(FrontEnd, WrongArgumentCountPrintsTheUsage) {
  for (size_t count : {0u, 4u}) {
    std::vector<std::string> args;
    for (size_t i = 0; i < count; ++i) args.push_back("arg" + std::to_string(i));
    const RunResult run = runWithArgs(args);
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, "Usage: " + testing::programNameAsSeen() + " [d88file]\n");
    EXPECT_EQ(run.out, "");
    EXPECT_TRUE(run.files.empty());
  }
}

TEST(FrontEnd, ArgumentsAfterTheImageAreIgnored) {
  VolumeDisk disk;
  build::addFile(disk.sides[0], "ONE", 1, 1);
  const RunResult plain = runOnImage(imageOf(disk));
  for (auto extra : {std::vector<std::string>{"x"}, std::vector<std::string>{"x", "y"}}) {
    const RunResult run = runOnImage(imageOf(disk), RunOptions{extra, {}, false});
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out, plain.out);
    EXPECT_EQ(run.files, plain.files);
  }
}

TEST(FrontEnd, ImageThatCannotBeOpened) {
  const RunResult run = runWithArgs({"/nonexistent/image.d88"});
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.err, kCannotOpen);
  EXPECT_EQ(run.out, "");
}

TEST(FrontEnd, OnlyTwoDdAndTwoHdMediaAreAccepted) {
  EXPECT_EQ(runOnImage(Bytes(100, 0x20)).err, kUnsupported);  // no whole header
  for (int media : {0x00, 0x30, 0x40, 0x11}) {
    VolumeDisk disk;
    disk.mediaType = static_cast<uint8_t>(media);
    const RunResult run = runOnImage(imageOf(disk));
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, kUnsupported);
    EXPECT_EQ(run.out, "");
    EXPECT_TRUE(run.files.empty());
  }
  for (int media : {0x10, 0x20}) {
    VolumeDisk disk;
    disk.mediaType = static_cast<uint8_t>(media);
    const RunResult run = runOnImage(imageOf(disk));
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out, kRecognised);
    EXPECT_EQ(run.err, "");
  }
}

TEST(FrontEnd, OnlyTheFirstDiskOfAnImageIsExtracted) {
  VolumeDisk first;
  const Bytes one = build::addFile(first.sides[0], "FIRST", 2, 1);
  VolumeDisk second;
  build::addFile(second.sides[0], "SECOND", 2, 2);
  const RunResult run =
      runOnImage(build::buildImage({build::toDisk(first), build::toDisk(second)}));
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.files, (std::map<std::string, Bytes>{{"FIRST", one}}));
}

// --- listing and files ----------------------------------------------------------

TEST(Extraction, ListsAndWritesAWholeTrackFile) {
  VolumeDisk disk;
  const Bytes abc = build::addFile(disk.sides[0], "ABC", 5, 7);
  const RunResult run = runOnImage(imageOf(disk));
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.out, kRecognised + "ABC        START:02 01    END:02 05   SIZE:1400\n");
  EXPECT_EQ(run.err, "");
  EXPECT_EQ(run.files, (std::map<std::string, Bytes>{{"ABC", abc}}));
}

TEST(Extraction, SampleDiskComesOutByteForByte) {
  const VolumeDisk disk = build::sampleDisk();
  const RunResult run = runOnImage(imageOf(disk));
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.err, "");

  std::map<std::string, Bytes> expected;
  size_t entries = 0;
  for (const auto& side : disk.sides) {
    for (const auto& entry : side.entries) {
      const DirectoryEntry parsed = parseEntry(entry.data());
      const EntryByteRange range = entryByteRange(parsed);
      expected[parsed.name.data()] =
          slice(side.volume, static_cast<size_t>(range.offset), static_cast<size_t>(range.size));
      ++entries;
    }
  }
  expected["IPLMUS"] = slice(disk.bootTrack, 1664, 385);
  EXPECT_EQ(run.files, expected);
  EXPECT_EQ(std::count(run.out.begin(), run.out.end(), '\n'), static_cast<ptrdiff_t>(entries + 1));
  EXPECT_NE(run.out.find("\x89\xB9\x8A\x79.1     START:16 04    END:18 03   SIZE:2800\n"),
            std::string::npos);
  EXPECT_NE(run.out.find("BIG        START:02 05    END:1a 04   SIZE:1e000\n"), std::string::npos);
}

TEST(Extraction, SizesAtTheEdgesOfTracksAndOfNothing) {
  VolumeDisk disk;
  auto& side = disk.sides[0];
  side.nextSector = 2 * 5 + 4;  // logical track 2, sector 5
  const Bytes across = build::addFile(side, "ACROSS", 2, 3);
  const Bytes single = build::addFile(side, "SINGLE", 1, 4);
  build::addEntry(side, "EMPTY", 3, 4, 3, 3);
  const RunResult run = runOnImage(imageOf(disk));
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.out, kRecognised +
                         "ACROSS     START:02 05    END:03 01   SIZE:0800\n"
                         "SINGLE     START:03 02    END:03 02   SIZE:0400\n"
                         "EMPTY      START:03 04    END:03 03   SIZE:0000\n");
  EXPECT_EQ(run.files,
            (std::map<std::string, Bytes>{{"ACROSS", across}, {"SINGLE", single}, {"EMPTY", {}}}));
}

TEST(Extraction, EndMarkInTheFirstEntryListsNothingForThatSide) {
  VolumeDisk disk;
  const Bytes b = build::addFile(disk.sides[1], "B", 1, 2);
  const RunResult run = runOnImage(imageOf(disk));
  EXPECT_EQ(run.out, kRecognised + "B          START:02 01    END:02 01   SIZE:0400\n");
  EXPECT_EQ(run.files, (std::map<std::string, Bytes>{{"B", b}}));
}

TEST(Extraction, DirectoryWithoutEndMarkListsAll320Entries) {
  VolumeDisk disk;
  auto& side = disk.sides[0];
  side.endMark = false;
  for (int k = 0; k < kDirectoryEntries; ++k) {
    char name[16];
    std::snprintf(name, sizeof name, "F%03d", k);
    build::addEntry(side, name, 2, 1, 2, 1);
  }
  std::fill_n(side.volume.begin() + 10 * 1024, 1024, uint8_t{0x5A});
  const RunResult run = runOnImage(imageOf(disk));
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.files.size(), 320u);
  EXPECT_EQ(run.files.at("F319"), Bytes(1024, 0x5A));
  EXPECT_EQ(std::count(run.out.begin(), run.out.end(), '\n'), 321);
}

TEST(Extraction, LaterEntryOfTheSameNameReplacesTheFile) {
  VolumeDisk disk;
  build::addFile(disk.sides[0], "SAME", 2, 1);
  const Bytes second = build::addFile(disk.sides[1], "SAME", 3, 2);
  const RunResult run = runOnImage(imageOf(disk));
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.files, (std::map<std::string, Bytes>{{"SAME", second}}));
}

// --- the boot block ----------------------------------------------------------------

TEST(BootBlock, WrittenOnceAfterBothSidesWhenSideOneHoldsTheTrigger) {
  VolumeDisk disk;
  build::addFile(disk.sides[0], "A", 1, 1);
  build::addFile(disk.sides[1], "m.0000", 1, 2);
  const RunResult run = runOnImage(imageOf(disk));
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.out, kRecognised +
                         "A          START:02 01    END:02 01   SIZE:0400\n"
                         "m.0000     START:02 01    END:02 01   SIZE:0400\n");
  ASSERT_EQ(run.files.count("IPLMUS"), 1u);
  EXPECT_EQ(run.files.at("IPLMUS"), slice(disk.bootTrack, 1664, 385));
}

TEST(BootBlock, NotWrittenWithoutTheTrigger) {
  VolumeDisk disk;
  build::addFile(disk.sides[0], "m.0001", 1, 1);
  build::addFile(disk.sides[0], "M.0000", 1, 1);
  const RunResult run = runOnImage(imageOf(disk));
  EXPECT_EQ(run.files.count("IPLMUS"), 0u);
}

TEST(BootBlock, MissingFirstBootSectorDoesNotCostTheRest) {
  VolumeDisk disk;
  build::addFile(disk.sides[0], "m.0000", 1, 1);
  build::Disk raw = build::toDisk(disk);
  build::removeSector(raw, 0, 1);  // no C 0, H 0, R 1, N 0
  const RunResult run = runOnImage(build::buildDisk(raw));
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.err, "");
  EXPECT_EQ(run.files.at("IPLMUS"), slice(disk.bootTrack, 1664, 385));
}

// --- hostile entries and failing writes ----------------------------------------

TEST(HostileEntries, RefusedEntriesAreListedReportedAndNotWritten) {
  VolumeDisk disk;
  auto& side = disk.sides[0];
  build::addEntry(side, "../a", 2, 1, 2, 1);
  build::addEntry(side, "/tmp/a", 2, 1, 2, 1);
  build::addEntry(side, ".", 2, 1, 2, 1);
  build::addEntry(side, "..", 2, 1, 2, 1);
  build::addEntry(side, "", 2, 1, 2, 1);
  build::addEntry(side, "ZERO", 0, 0, 0, 0);    // the sector before the volume
  build::addEntry(side, "PAST", 76, 5, 77, 1);  // one sector beyond it
  build::addEntry(side, "NEG", 3, 4, 3, 2);     // ends before it starts
  const Bytes good = build::addFile(side, "GOOD", 1, 9);
  const RunResult run = runOnImage(imageOf(disk));

  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.out, kRecognised +
                         "../a       START:02 01    END:02 01   SIZE:0400\n"
                         "/tmp/a     START:02 01    END:02 01   SIZE:0400\n"
                         ".          START:02 01    END:02 01   SIZE:0400\n"
                         "..         START:02 01    END:02 01   SIZE:0400\n"
                         "           START:02 01    END:02 01   SIZE:0400\n"
                         "ZERO       START:00 00    END:00 00   SIZE:0400\n"
                         "PAST       START:4c 05    END:4d 01   SIZE:0800\n"
                         "NEG        START:03 04    END:03 02   SIZE:fffffc00\n"
                         "GOOD       START:02 01    END:02 01   SIZE:0400\n");
  EXPECT_EQ(run.err, unsafeName("../a") + unsafeName("/tmp/a") + unsafeName(".") +
                         unsafeName("..") + unsafeName(entryLabel(0, 4)) + outsideVolume("ZERO") +
                         outsideVolume("PAST") + outsideVolume("NEG"));
  EXPECT_EQ(run.files, (std::map<std::string, Bytes>{{"GOOD", good}}));
  EXPECT_TRUE(run.strays.empty());
}

TEST(HostileEntries, FilesThatCannotBeCreatedAreReportedAndTheRunGoesOn) {
  VolumeDisk disk;
  build::addFile(disk.sides[0], "m.0000", 1, 1);
  build::addFile(disk.sides[0], "DIR", 1, 2);
  const Bytes after = build::addFile(disk.sides[0], "AFTER", 1, 3);
  const RunResult run = runOnImage(imageOf(disk), RunOptions{{}, {"DIR", "IPLMUS"}, false});
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.err, writeFailed("DIR") + writeFailed("IPLMUS"));
  EXPECT_EQ(run.files.at("AFTER"), after);
  EXPECT_EQ(run.files.count("m.0000"), 1u);
}

TEST(HostileEntries, UnwritableStandardOutputFailsTheRun) {
  VolumeDisk disk;
  const Bytes one = build::addFile(disk.sides[0], "ONE", 1, 1);
  const RunResult run = runOnImage(imageOf(disk), RunOptions{{}, {}, true});
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.err,
            "\x95\x57\x8F\x80\x8F\x6F\x97\xCD\x82\xC9\x8F\x91\x82\xAB\x8D\x9E\x82\xDF"
            "\x82\xDC\x82\xB9\x82\xF1.\n");
  EXPECT_EQ(run.files, (std::map<std::string, Bytes>{{"ONE", one}}));
}

}  // namespace
}  // namespace d88
