// Writing never destroys what is already there: the image being read, the
// file standard output goes to, a link's target, the other name of a hard
// link, a file being replaced when the disk fills or the run is killed.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <string>

#include "expected_messages.h"
#include "test_support.h"
#include "volume_builder.h"

namespace d88 {
namespace {

namespace fs = std::filesystem;
using build::Bytes;
using build::VolumeDisk;
using testing::imageOf;
using testing::runOnImage;
using testing::RunOptions;
using testing::RunResult;
using namespace expected;

const std::string kPrecious = "precious, not to be touched\n";

Bytes bytesOf(const std::string& text) {
  return Bytes(text.begin(), text.end());
}

bool posixOnly() {
  return !testing::programIsWindows();
}

TEST(SafeWrites, ImageNamedLikeAnEntrySurvivesAndTheRestIsWritten) {
  VolumeDisk disk;
  build::addFile(disk.sides[0], "GAME", 2, 1);
  const Bytes other = build::addFile(disk.sides[0], "OTHER", 1, 2);
  const Bytes back = build::addFile(disk.sides[1], "BACK", 3, 3);
  const Bytes image = imageOf(disk);
  const RunResult run = runOnImage(image, {.imageName = "GAME"});
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.err, inUse("GAME"));
  EXPECT_EQ(run.files, (testing::Files{{"GAME", image}, {"OTHER", other}, {"BACK", back}}));
}

TEST(SafeWrites, FileThatStandardOutputGoesToIsNotWrittenOver) {
  // Windows answers which file a redirected handle is; Wine does not for a
  // handle inherited from a POSIX parent.
  if (!posixOnly()) GTEST_SKIP() << "Wine cannot identify an inherited standard handle";
  VolumeDisk disk;
  build::addFile(disk.sides[0], "LIST", 1, 1);
  const Bytes after = build::addFile(disk.sides[0], "AFTER", 1, 2);
  const RunResult run = runOnImage(imageOf(disk), {.stdoutName = "LIST"});
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.err, inUse("LIST"));
  const std::string listing = kRecognised +
                              "LIST       START:02 01    END:02 01   SIZE:0400\n"
                              "AFTER      START:02 02    END:02 02   SIZE:0400\n";
  EXPECT_EQ(run.files, (testing::Files{{"LIST", bytesOf(listing)}, {"AFTER", after}}));
}

TEST(SafeWrites, LinksUnderEntryNamesAreReplacedNeverFollowed) {

  VolumeDisk disk;
  const Bytes sym = build::addFile(disk.sides[0], "SYM", 1, 1);
  const Bytes dangle = build::addFile(disk.sides[0], "DANGLE", 1, 2);
  const Bytes hard = build::addFile(disk.sides[0], "HARD", 1, 3);
  RunOptions options;
  options.prepare = [](const fs::path& root, const fs::path& work) {
    testing::writeText(root / "target", kPrecious);
    fs::create_symlink("../target", work / "SYM");
    fs::create_symlink("../created", work / "DANGLE");
    testing::writeText(work / "OTHER", kPrecious);
    fs::create_hard_link(work / "OTHER", work / "HARD");
  };
  const RunResult run = runOnImage(imageOf(disk), options);
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.err, "");
  EXPECT_EQ(run.files, (testing::Files{{"SYM", sym},
                                       {"DANGLE", dangle},
                                       {"HARD", hard},
                                       {"OTHER", bytesOf(kPrecious)}}));
  EXPECT_TRUE(run.other.empty());
  EXPECT_EQ(run.outside, (testing::Files{{"target", bytesOf(kPrecious)}}));
}

TEST(SafeWrites, FifoOrFolderUnderAnEntryNameIsRefusedWithoutBlocking) {
  VolumeDisk disk;
  build::addFile(disk.sides[0], "PIPE", 1, 1);
  build::addFile(disk.sides[0], "DIR", 1, 2);
  const Bytes after = build::addFile(disk.sides[0], "AFTER", 1, 3);
  RunOptions options;
  options.prepare = [](const fs::path&, const fs::path& work) {
    mkfifo((work / "PIPE").c_str(), 0644);
    fs::create_directory(work / "DIR");
  };
  options.timeLimitSeconds = 20;
  const RunResult run = runOnImage(imageOf(disk), options);
  EXPECT_FALSE(run.timedOut);
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.err, writeFailed("PIPE") + writeFailed("DIR"));
  EXPECT_EQ(run.files.at("AFTER"), after);
}

TEST(SafeWrites, WriteCutShortLeavesTheEarlierFileAndNoTemporary) {

  VolumeDisk disk;
  const Bytes small = build::addFile(disk.sides[0], "SMALL", 1, 1);
  build::addFile(disk.sides[0], "BIG", 8, 2);  // 8 KiB, over the limit
  const Bytes after = build::addFile(disk.sides[1], "AFTER", 2, 3);
  RunOptions options;
  options.prepare = [](const fs::path&, const fs::path& work) {
    testing::writeText(work / "BIG", kPrecious);
  };
  options.fileSizeLimit = 4096;
  const RunResult run = runOnImage(imageOf(disk), options);
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.err, writeFailed("BIG"));
  EXPECT_EQ(run.files, (testing::Files{{"SMALL", small}, {"BIG", bytesOf(kPrecious)},
                                       {"AFTER", after}}));
}

TEST(SafeWrites, RunKilledDuringAWriteLeavesNoTemporaryAndNothingHalfWritten) {
  if (!posixOnly() || std::system("strace -V >/dev/null 2>&1") != 0) {
    GTEST_SKIP() << "needs strace, to stop the run at a chosen write";
  }
  VolumeDisk disk;
  const Bytes first = build::addFile(disk.sides[0], "FIRST", 1, 1);
  const Bytes second = build::addFile(disk.sides[0], "SECOND", 2, 2);
  build::addFile(disk.sides[0], "THIRD", 3, 3);
  build::addFile(disk.sides[0], "FOURTH", 1, 4);
  for (const char* signal : {"INT", "TERM", "HUP"}) {
    RunOptions options;
    options.prepare = [](const fs::path&, const fs::path& work) {
      testing::writeText(work / "THIRD", kPrecious);
    };
    // The signal arrives while the third file's bytes are being written.
    options.wrapper = {"strace", "-f", "-qq", "-o", "/dev/null", "-e", "trace=write",
                       "-e", std::string("inject=write:signal=") + signal + ":when=3"};
    const RunResult run = runOnImage(imageOf(disk), options);
    const int number = std::string(signal) == "INT" ? SIGINT
                       : std::string(signal) == "TERM" ? SIGTERM : SIGHUP;
    EXPECT_EQ(run.signal, number) << signal;
    EXPECT_EQ(run.files, (testing::Files{{"FIRST", first}, {"SECOND", second},
                                         {"THIRD", bytesOf(kPrecious)}}))
        << signal;
  }
}

TEST(SafeWrites, ClosedStandardOutputStillWritesEveryFileAndFails) {
  VolumeDisk disk;
  for (int k = 0; k < 320; ++k) {
    char name[8];
    std::snprintf(name, sizeof name, "F%d", k);
    build::addEntry(disk.sides[0], name, 2, 1, 2, 1);
  }
  const Bytes last = build::addFile(disk.sides[1], "LAST", 1, 1);
  const RunResult run = runOnImage(imageOf(disk), {.stdoutTo = testing::Sink::closedPipe});
  EXPECT_EQ(run.signal, 0);
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.err, kStdoutFailed);
  EXPECT_EQ(run.files.size(), 321u);
  EXPECT_EQ(run.files.at("LAST"), last);
}

TEST(SafeWrites, FileReplacingOneWrittenEarlierIsReported) {
  VolumeDisk disk;
  build::addFile(disk.sides[0], "SAME", 1, 1);
  build::addFile(disk.sides[0], "IPLMUS", 1, 2);
  build::addFile(disk.sides[0], "m.0000", 1, 3);
  const Bytes lower = build::addFile(disk.sides[0], "case", 1, 4);
  const Bytes second = build::addFile(disk.sides[1], "SAME", 2, 5);
  const Bytes upper = build::addFile(disk.sides[1], "CASE", 1, 6);
  const RunResult run = runOnImage(imageOf(disk));
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(std::count(run.out.begin(), run.out.end(), '\n'), 7);
  EXPECT_EQ(run.files.at("SAME"), second);
  EXPECT_EQ(run.files.at("IPLMUS"), build::bootBlock(disk));
  // Names that differ only in letter case are one file on Windows.
  if (testing::programIsWindows()) {
    EXPECT_EQ(run.err,
              replacedEarlier("SAME") + replacedEarlier("CASE") + replacedEarlier("IPLMUS"));
    EXPECT_EQ(run.files.size(), 4u);
  } else {
    EXPECT_EQ(run.err, replacedEarlier("SAME") + replacedEarlier("IPLMUS"));
    EXPECT_EQ(run.files.at("case"), lower);
    EXPECT_EQ(run.files.at("CASE"), upper);
  }
}

}  // namespace
}  // namespace d88
