// The real program, run in a fresh folder on built images: stdout, stderr,
// exit status and every file it leaves behind.
#include <gtest/gtest.h>

#include <filesystem>
#include <regex>
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
using testing::Files;
using testing::imageOf;
using testing::runOnImage;
using testing::RunOptions;
using testing::RunResult;
using testing::runWithArgs;
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

// Each flag is a flag only where no file of its name is in the work folder.
TEST(FrontEnd, HelpVersionAndStandardInput) {
  VolumeDisk disk;
  build::addFile(disk.sides[0], "ONE", 1, 1);
  const Bytes image = imageOf(disk);
  const std::string listing = kRecognised + "ONE        START:02 01    END:02 01   SIZE:0400\n";
  const std::string usage = "Usage: " + testing::programNameAsSeen() + " [d88file]\n";
  for (const char* help : {"--help", "-h"}) {
    const RunResult run = runWithArgs({help});
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out.substr(0, usage.size()), usage);
    EXPECT_NE(run.out.find("zcat game.d88.gz | d88extract -"), std::string::npos);
    // The limit the page states in the same words.
    EXPECT_NE(run.out.find("Only the first disk of an image is read; disks that start past its "
                           "first 2 GiB, or after its 64th, are not counted."),
              std::string::npos);
    EXPECT_EQ(run.err, "");
  }
  const RunResult version = runWithArgs({"--version"});
  EXPECT_EQ(version.status, 0);
  EXPECT_TRUE(std::regex_match(version.out, std::regex("d88extract [0-9]+\\.[0-9]+\\.[0-9]+\r?\n")))
      << version.out;
  for (const char* flag : {"--help", "-h", "--version", "-"}) {
    const RunResult named = runOnImage(image, {.imageName = flag});
    EXPECT_EQ(named.status, 0) << flag;
    EXPECT_EQ(named.out, listing) << flag;
  }
  if (testing::programIsWindows()) return;  // no sh to pipe with
  const RunResult piped =
      runOnImage(image, {.wrapper = {"sh", "-c", "\"$0\" - < \"$1\""}});
  EXPECT_EQ(piped.out, listing);
  const RunResult fromPipe =
      runOnImage(image, {.wrapper = {"sh", "-c", "cat \"$1\" | \"$0\" -"}});
  EXPECT_EQ(fromPipe.out, listing);
  EXPECT_EQ(fromPipe.status, 0);
}

TEST(FrontEnd, ArgumentsAfterTheImageAreIgnored) {
  VolumeDisk disk;
  build::addFile(disk.sides[0], "ONE", 1, 1);
  for (auto extra : {std::vector<std::string>{"x"}, std::vector<std::string>{"x", "y"}}) {
    const RunResult run = runOnImage(imageOf(disk), {.extraArgs = extra});
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out, kRecognised + "ONE        START:02 01    END:02 01   SIZE:0400\n");
    EXPECT_EQ(run.files, testing::filesOf(disk));
  }
}

TEST(FrontEnd, ImageThatCannotBeOpened) {
  for (const char* path : {"/nonexistent/image.d88", "."}) {  // a folder is no image either
    const RunResult run = runWithArgs({path});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, kCannotOpen) << path;
    EXPECT_EQ(run.out, "");
  }
}

// zcat game.d88.gz | d88extract /dev/stdin: a pipe cannot seek.
TEST(FrontEnd, ImageFromAPipeExtractsAsTheFileDoes) {
  if (testing::programIsWindows()) GTEST_SKIP() << "no /dev/stdin";
  const VolumeDisk disk = build::sampleDisk();
  const Bytes image = imageOf(disk);
  const RunResult file = runOnImage(image);
  const testing::TempDir temporaries;
  const std::string tmpdir = "TMPDIR=" + temporaries.path().string();
  const RunResult piped =
      runOnImage(image, {.environment = {tmpdir},
                         .wrapper = {"sh", "-c", "gzip -c \"$1\" | gzip -dc | \"$0\" /dev/stdin"}});
  EXPECT_EQ(piped.status, 0);
  EXPECT_EQ(piped.out, file.out);
  EXPECT_EQ(piped.err, "");
  EXPECT_EQ(piped.files, file.files);
  EXPECT_EQ(piped.files.size(), 35u);
  EXPECT_TRUE(std::filesystem::is_empty(temporaries.path()));
  // Cut short, as by an interrupted zcat: what the same cut file gives.
  const Bytes cut = testing::slice(image, 0, 420000);
  const RunResult cutFile = runOnImage(cut);
  const RunResult cutPiped =
      runOnImage(cut, {.environment = {tmpdir},
                       .wrapper = {"sh", "-c", "cat \"$1\" | \"$0\" /dev/stdin"}});
  EXPECT_EQ(cutFile.err, unreadSectors("DATA"));  // its sectors past the cut
  EXPECT_EQ(cutPiped.status, cutFile.status);
  EXPECT_EQ(cutPiped.out, cutFile.out);
  EXPECT_EQ(cutPiped.err, cutFile.err);
  EXPECT_EQ(cutPiped.files, cutFile.files);
  // The copy goes where TMPDIR says: nowhere, here.
  const RunResult nowhere =
      runOnImage(image, {.environment = {"TMPDIR=/nonexistent"},
                         .wrapper = {"sh", "-c", "cat \"$1\" | \"$0\" /dev/stdin"}});
  EXPECT_EQ(nowhere.status, 1);
  EXPECT_EQ(nowhere.err, kCannotOpen);
  // An endless pipe: one read window (64 KiB) holds the header, seen to be
  // none, and the rest is left.
  const RunResult endless =
      runOnImage(image, {.environment = {tmpdir},
                         .wrapper = {"sh", "-c",
                                     "yes | head -c 1000000 | { \"$0\" /dev/stdin; s=$?; "
                                     "echo \"left $(wc -c)\" >&2; exit $s; }"}});
  EXPECT_EQ(endless.status, 1);
  EXPECT_EQ(endless.err, kUnsupported + "left 934464\n");
  // A 2HD header that claims 0xFFFFFFFF bytes and names no track, then zeros:
  // nothing to read past the header's window, so nothing more is copied.
  build::Disk claims;
  claims.diskSizeOverride = 0xFFFFFFFFu;
  const RunResult huge = runOnImage(
      build::buildDisk(claims),
      {.environment = {tmpdir},
       .wrapper = {"sh", "-c",
                   "{ cat \"$1\"; head -c 100000000 /dev/zero; } | { \"$0\" /dev/stdin; s=$?; "
                   "echo \"left $(wc -c)\" >&2; exit $s; }"}});
  EXPECT_EQ(huge.status, 1);
  EXPECT_EQ(huge.out, kRecognised);
  EXPECT_EQ(huge.err, directoryIncomplete(0) + directoryIncomplete(1) + "left 99935152\n");
}

TEST(FrontEnd, ImageWithAJapaneseNameOpens) {
  VolumeDisk disk;
  build::addFile(disk.sides[0], "ONE", 1, 1);
  const RunResult run = runOnImage(imageOf(disk), {.imageName = "ぷよ ぷよ.d88"});
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.err, "");
  EXPECT_EQ(run.files.at("ONE"), testing::filesOf(disk).at("ONE"));
}

TEST(FrontEnd, OnlyTwoDdAndTwoHdMediaAreAccepted) {
  EXPECT_EQ(runOnImage(Bytes(687, 0x20)).err, kUnsupported);  // one byte short of a header
  for (int media : {0x00, 0x30, 0x40, 0x11}) {
    VolumeDisk disk;
    disk.mediaType = static_cast<uint8_t>(media);
    const RunResult run = runOnImage(imageOf(disk));
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, kUnsupported);
    EXPECT_EQ(run.out, "");
    EXPECT_TRUE(run.files.empty());
  }
}

// --- listing and files ----------------------------------------------------------

TEST(Extraction, SampleDiskComesOutByteForByte) {
  const VolumeDisk disk = build::sampleDisk();
  const RunResult run = runOnImage(imageOf(disk));
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.err, "");
  Files expected = testing::filesOf(disk);
  EXPECT_EQ(expected.size(), 34u);
  expected["IPLMUS"] = build::bootBlock(disk);
  EXPECT_EQ(run.files, expected);
  EXPECT_EQ(std::count(run.out.begin(), run.out.end(), '\n'), 35);
  EXPECT_NE(run.out.find("\x89\xB9\x8A\x79.1     START:16 04    END:18 03   SIZE:2800\n"),
            std::string::npos);
  EXPECT_NE(run.out.find("BIG        START:02 05    END:1a 04   SIZE:1e000\n"), std::string::npos);
}

// --- warnings and failing writes

// A damaged file that also replaces one written before: both warnings.
TEST(Warnings, DamageAndReplacementAreBothSaid) {
  VolumeDisk disk;
  build::addFile(disk.sides[0], "FRONT", 3, 1);
  // Over FRONT's sectors, and under its name: it gets both warnings.
  const Bytes back = build::addFile(disk.sides[1], "FRONT", 3, 2);
  // One sector missing and one recorded with an error: the third warning.
  const Bytes both = build::addFile(disk.sides[1], "BOTH", 2, 3);
  Disk raw = build::toDisk(disk);
  build::findSector(raw, trackIndex(1, 2), 2)->data.resize(1000);
  build::findSector(raw, trackIndex(1, 2), 4)->status = 0xB0;
  build::removeSector(raw, trackIndex(1, 2), 5);
  const RunResult run = runOnImage(build::buildDisk(raw));
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.err,
            unreadSectors("FRONT") + replacedEarlier("FRONT") + unreadAndDamagedSectors("BOTH"));
  Bytes expected = back;
  std::fill_n(expected.begin() + 2024, 24, uint8_t{0});  // never side 0's bytes
  Bytes expectedBoth = both;
  std::fill_n(expectedBoth.begin() + 1024, 1024, uint8_t{0});
  EXPECT_EQ(run.files, (testing::Files{{"FRONT", expected}, {"BOTH", expectedBoth}}));
}

// --- failing writes --------------------------------------------------------------

TEST(FailedWrites, FilesThatCannotBeCreatedAreReportedAndTheRunGoesOn) {
  VolumeDisk disk;
  build::addFile(disk.sides[0], "m.0000", 1, 1);
  build::addFile(disk.sides[0], "DIR", 1, 2);
  const Bytes after = build::addFile(disk.sides[0], "AFTER", 1, 3);
  RunOptions options;
  options.prepare = [](const auto&, const auto& work) {
    std::filesystem::create_directory(work / "DIR");
    std::filesystem::create_directory(work / "IPLMUS");
  };
  const RunResult run = runOnImage(imageOf(disk), options);
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.err, writeFailed("DIR") + writeFailed("IPLMUS"));
  EXPECT_EQ(run.files.at("AFTER"), after);
  EXPECT_EQ(run.files.count("m.0000"), 1u);
}

TEST(FailedWrites, UnwritableStandardOutputFailsTheRun) {
  VolumeDisk disk;
  build::addFile(disk.sides[0], "ONE", 1, 1);
  const RunResult run = runOnImage(imageOf(disk), {.stdoutTo = testing::Sink::devFull});
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.err, kStdoutFailed);
  EXPECT_EQ(run.files, testing::filesOf(disk));
  // A warning flushes the listing first, as both streams lead to the same
  // device: that flush fails, and the last one has nothing left to fail on.
  build::addFile(disk.sides[1], "ONE", 1, 2);
  const RunResult early = runOnImage(
      imageOf(disk), {.stdoutTo = testing::Sink::devFull, .stderrTo = testing::Sink::devFull});
  EXPECT_EQ(early.status, 1);
  EXPECT_EQ(early.files, testing::filesOf(disk));
}

}  // namespace
}  // namespace d88
