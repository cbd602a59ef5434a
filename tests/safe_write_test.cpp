// Writing never destroys what is already there: the image being read, the
// file standard output goes to, a link's target, the other name of a hard
// link, a file being replaced when the disk fills or the run is killed.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <fstream>
#include <map>
#include <string>
#include <vector>

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

TEST(SafeWrites, FileThatAStandardStreamGoesToIsNotWrittenOver) {
  // Windows answers which file a redirected handle is; Wine does not for a
  // handle inherited from a POSIX parent.
  if (!posixOnly()) GTEST_SKIP() << "Wine cannot identify an inherited standard handle";
  VolumeDisk disk;
  build::addFile(disk.sides[0], "LIST", 1, 1);
  const Bytes after = build::addFile(disk.sides[0], "AFTER", 1, 2);
  const std::string listing = kRecognised +
                              "LIST       START:02 01    END:02 01   SIZE:0400\n"
                              "AFTER      START:02 02    END:02 02   SIZE:0400\n";
  // > LIST
  RunResult run = runOnImage(imageOf(disk), {.stdoutName = "LIST"});
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.err, inUse("LIST"));
  EXPECT_EQ(run.files, (testing::Files{{"LIST", bytesOf(listing)}, {"AFTER", after}}));
  // 2> LIST
  run = runOnImage(imageOf(disk), {.stderrName = "LIST"});
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.out, listing);
  EXPECT_EQ(run.files, (testing::Files{{"LIST", bytesOf(inUse("LIST"))}, {"AFTER", after}}));
}

// The image named through a link is still the image: an entry of its real
// name, and output appended to it, are refused.
TEST(SafeWrites, ImageNamedThroughALinkIsStillTheImage) {
  if (!posixOnly()) GTEST_SKIP() << "Wine cannot identify an inherited standard handle";
  VolumeDisk disk;
  build::addFile(disk.sides[0], "GAME", 2, 1);
  const Bytes other = build::addFile(disk.sides[0], "OTHER", 1, 2);
  const Bytes image = imageOf(disk);
  RunOptions options{.prepare = [&image](const fs::path&, const fs::path& work) {
    testing::writeText(work / "GAME", testing::asString(image));
    fs::create_symlink("GAME", work / "link.d88");
  }};
  RunResult run = testing::runWithArgs({"link.d88"}, options);
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.err, inUse("GAME"));
  EXPECT_EQ(run.files, (testing::Files{{"GAME", image}, {"OTHER", other}}));
  options.stdoutName = "GAME";
  options.appendToNamed = true;
  run = testing::runWithArgs({"link.d88"}, options);
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.err, kOutputIsImage);
  EXPECT_EQ(run.files, (testing::Files{{"GAME", image}}));
}

// d88extract GAME >> GAME, and 2>> GAME: refused before anything is written,
// and the image is left as it was.
TEST(SafeWrites, StandardStreamLeadingToTheImageIsRefused) {
  if (!posixOnly()) GTEST_SKIP() << "Wine cannot identify an inherited standard handle";
  VolumeDisk disk;
  build::addFile(disk.sides[0], "A", 1, 1);
  const Bytes image = imageOf(disk);
  RunResult run =
      runOnImage(image, {.imageName = "GAME", .stdoutName = "GAME", .appendToNamed = true});
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.err, kOutputIsImage);
  EXPECT_EQ(run.files, (testing::Files{{"GAME", image}}));
  run = runOnImage(image, {.imageName = "GAME", .stderrName = "GAME", .appendToNamed = true});
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.out, "");
  EXPECT_EQ(run.files, (testing::Files{{"GAME", image}}));
}

TEST(SafeWrites, LinksUnderEntryNamesAreReplacedNeverFollowed) {
  VolumeDisk disk;
  const Bytes sym = build::addFile(disk.sides[0], "SYM", 1, 1);
  const Bytes dangle = build::addFile(disk.sides[0], "DANGLE", 1, 2);
  const Bytes hard = build::addFile(disk.sides[0], "HARD", 1, 3);
  // The name is a link, whatever it leads to: the image being read, a folder.
  // (Wine shows a POSIX link as what it leads to, which Windows does not.)
  testing::Files expected{
      {"SYM", sym}, {"DANGLE", dangle}, {"HARD", hard}, {"OTHER", bytesOf(kPrecious)}};
  if (posixOnly()) {
    expected["TOIMG"] = build::addFile(disk.sides[0], "TOIMG", 1, 4);
    expected["TODIR"] = build::addFile(disk.sides[0], "TODIR", 1, 5);
  }
  RunOptions options;
  options.prepare = [posix = posixOnly()](const fs::path& root, const fs::path& work) {
    testing::writeText(root / "target", kPrecious);
    fs::create_symlink("../target", work / "SYM");
    fs::create_symlink("../created", work / "DANGLE");
    testing::writeText(work / "OTHER", kPrecious);
    fs::create_hard_link(work / "OTHER", work / "HARD");
    fs::create_directory(root / "folder");
    if (!posix) return;
    fs::create_symlink(root / "image.d88", work / "TOIMG");
    fs::create_symlink("../folder", work / "TODIR");
    fs::permissions(work / "OTHER", fs::perms(0600));
  };
  // A new file, and one over a link, get the umask's mode, not the link's
  // 0777; one over a hard link keeps the file's.
  if (posixOnly()) options.wrapper = {"sh", "-c", "umask 022; exec \"$@\"", "sh"};
  const RunResult run = runOnImage(imageOf(disk), options);
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.err, "");
  EXPECT_EQ(run.files, expected);
  EXPECT_EQ(run.other, (std::map<std::string, std::string>{}));
  EXPECT_EQ(run.outside, (testing::Files{{"target", bytesOf(kPrecious)}, {"folder", {}}}));
  if (!posixOnly()) return;
  EXPECT_EQ(run.modes, (std::map<std::string, unsigned>{{"SYM", 0644},
                                                        {"DANGLE", 0644},
                                                        {"HARD", 0600},
                                                        {"OTHER", 0600},
                                                        {"TOIMG", 0644},
                                                        {"TODIR", 0644}}));
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
  EXPECT_EQ(run.files,
            (testing::Files{{"SMALL", small}, {"BIG", bytesOf(kPrecious)}, {"AFTER", after}}));
}

// The openat calls a run makes before it creates its `nth` temporary (from
// 1), in this build: the libraries and files it opens first vary with it.
int openatsBefore(const Bytes& image, int nth) {
  testing::TempDir traceDir;
  const std::string trace = (traceDir.path() / "trace").string();
  runOnImage(image, {.wrapper = {"strace", "-qq", "-o", trace, "-e", "trace=openat"}});
  std::ifstream lines(trace);
  int count = 0;
  for (std::string line; std::getline(lines, line);) {
    if (line.find(".d88extract-") != std::string::npos && --nth == 0) return count;
    ++count;
  }
  return -1;
}

TEST(SafeWrites, RunKilledAtAnyPointLeavesNoTemporaryAndNothingHalfWritten) {
  if (!posixOnly() || std::system("strace -V >/dev/null 2>&1") != 0) {
    GTEST_SKIP() << "needs strace, to stop the run at a chosen call";
  }
  VolumeDisk disk;
  const Bytes first = build::addFile(disk.sides[0], "FIRST", 1, 1);
  const Bytes second = build::addFile(disk.sides[0], "SECOND", 2, 2);
  build::addFile(disk.sides[0], "THIRD", 3, 3);
  build::addFile(disk.sides[0], "FOURTH", 1, 4);
  const Bytes image = imageOf(disk);
  // While the third file's bytes are written, and while its temporary is
  // being created: a signal that arrives then is handled as the call returns.
  const std::string whenCreated = std::to_string(openatsBefore(image, 3) + 1);
  // Every signal that ends a process by default and can be caught.
  const std::map<std::string, int> signals = {
      {"INT", SIGINT},   {"TERM", SIGTERM}, {"HUP", SIGHUP},       {"QUIT", SIGQUIT},
      {"ALRM", SIGALRM}, {"USR1", SIGUSR1}, {"USR2", SIGUSR2},     {"VTALRM", SIGVTALRM},
      {"PROF", SIGPROF}, {"XCPU", SIGXCPU}, {"IO", SIGPOLL}};
  for (const auto& [signal, number] : signals) {
    for (const std::string& at : {"write:signal=" + signal + ":when=3",
                                  "openat:signal=" + signal + ":when=" + whenCreated}) {
      RunOptions options;
      options.prepare = [](const fs::path&, const fs::path& work) {
        testing::writeText(work / "THIRD", kPrecious);
      };
      // SIGQUIT and SIGXCPU would leave a core file in the folder.
      options.wrapper = {"sh", "-c", "ulimit -c 0; exec \"$@\"", "sh", "strace", "-f", "-qq", "-o",
                         "/dev/null", "-e", "trace=write,openat", "-e", "inject=" + at};
      const RunResult run = runOnImage(image, options);
      EXPECT_EQ(run.signal, number) << signal << " " << at;
      EXPECT_EQ(
          run.files,
          (testing::Files{{"FIRST", first}, {"SECOND", second}, {"THIRD", bytesOf(kPrecious)}}))
          << signal << " " << at;
    }
  }
  // Ignored by whoever started the run (nohup): it stays ignored.
  // (A sanitizer build's leak check cannot run under ptrace: it is left out.)
  const RunResult ignored =
      runOnImage(image, {.environment = {"ASAN_OPTIONS=detect_leaks=0"},
                         .wrapper = {"sh", "-c", "trap '' INT; exec \"$@\"", "sh", "strace", "-qq",
                                     "-o", "/dev/null", "-e", "inject=write:signal=INT:when=3"}});
  EXPECT_EQ(ignored.status, 0);
  EXPECT_EQ(ignored.files, testing::filesOf(disk));
}

// A name taken when the temporary is created, as a planted file or a link
// would take it: the run takes another, and goes on.
TEST(SafeWrites, TemporaryNameAlreadyTakenIsPassedOver) {
  if (!posixOnly() || std::system("strace -V >/dev/null 2>&1") != 0) {
    GTEST_SKIP() << "needs strace, to make a chosen call fail";
  }
  VolumeDisk disk;
  build::addFile(disk.sides[0], "FIRST", 1, 1);
  build::addFile(disk.sides[0], "SECOND", 2, 2);
  const Bytes image = imageOf(disk);
  const std::string when = std::to_string(openatsBefore(image, 2) + 1);
  const RunResult run = runOnImage(image, {.environment = {"ASAN_OPTIONS=detect_leaks=0"},
                                           .wrapper = {"strace", "-qq", "-o", "/dev/null", "-e",
                                                       "inject=openat:error=EEXIST:when=" + when}});
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.err, "");
  EXPECT_EQ(run.files, testing::filesOf(disk));
}

// Whoever can write to a shared folder knows the program's process ID before
// it starts (a wrapper keeps it through exec): the names it plants block
// nothing.
TEST(SafeWrites, PlantedTemporaryNamesCannotBlockTheRun) {
  VolumeDisk disk;
  const Bytes a = build::addFile(disk.sides[0], "A", 1, 1);
  const RunResult run = runOnImage(
      imageOf(disk),
      {.wrapper = {"sh", "-c",
                   "i=0; while [ $i -lt 100 ]; do : > .d88extract-$$-$i.tmp; i=$((i+1)); done; "
                   "exec \"$0\" \"$@\""}});
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.err, "");
  EXPECT_EQ(run.files.at("A"), a);
  EXPECT_EQ(run.files.size(), 101u);
}

// As fopen decides, by effective ids: a file the user may not write is
// refused and left as it was, and root replaces it. A replaced file keeps its
// permission bits, as a write in place would.
TEST(SafeWrites, ReadOnlyFileIsLeftToWhoMayNotWriteItAndModesAreKept) {
  if (!posixOnly()) GTEST_SKIP() << "POSIX permissions";
  VolumeDisk disk;
  const Bytes locked = build::addFile(disk.sides[0], "LOCKED", 1, 1);
  const Bytes open = build::addFile(disk.sides[0], "OPEN", 1, 2);
  // The running user's own files: as a first run left them, and one whose
  // owner bits forbid writing though group and others may.
  const Bytes mine = build::addFile(disk.sides[0], "MINE", 1, 3);
  build::addFile(disk.sides[0], "OWNER", 1, 4);
  const bool root = geteuid() == 0;
  RunOptions options;
  options.prepare = [root](const fs::path& root_, const fs::path& work) {
    testing::writeText(work / "LOCKED", kPrecious);
    fs::permissions(work / "LOCKED", fs::perms(0444));
    testing::writeText(work / "OPEN", kPrecious);
    fs::permissions(work / "OPEN", fs::perms(0666));  // not what the umask gives
    testing::writeText(work / "MINE", kPrecious);
    fs::permissions(work / "MINE", fs::perms(0644));
    testing::writeText(work / "OWNER", kPrecious);
    fs::permissions(work / "OWNER", fs::perms(0466));
    fs::permissions(root_, fs::perms(0755));
    fs::permissions(work, fs::perms(0777));
    const uid_t owner = root ? 65534 : geteuid();
    for (const char* name : {"MINE", "OWNER"}) {
      EXPECT_EQ(chown((work / name).c_str(), owner, static_cast<gid_t>(-1)), 0);
    }
  };
  if (root) {
    options.wrapper = {"setpriv", "--reuid=65534", "--regid=65534", "--clear-groups"};
    options.environment = {"LLVM_PROFILE_FILE=/dev/null"};  // a coverage build's, not ours
  }
  RunResult run = runOnImage(imageOf(disk), options);
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.err, writeFailed("LOCKED") + writeFailed("OWNER"));
  EXPECT_EQ(run.files, (testing::Files{{"LOCKED", bytesOf(kPrecious)},
                                       {"OPEN", open},
                                       {"MINE", mine},
                                       {"OWNER", bytesOf(kPrecious)}}));
  EXPECT_EQ(run.modes, (std::map<std::string, unsigned>{
                           {"LOCKED", 0444}, {"OPEN", 0666}, {"MINE", 0644}, {"OWNER", 0466}}));
  // Refused as a file that may not be written, not as one in the way.
  options.stderrTo = testing::Sink::terminal;
  options.stdoutTo = testing::Sink::terminal;
  options.environment.push_back("LC_ALL=C.UTF-8");
  EXPECT_NE(runOnImage(imageOf(disk), options)
                .out.find("OWNERを書き込めません. (could not be written: Permission denied)"),
            std::string::npos);
  if (!root) return;
  options = {.prepare = options.prepare};
  run = runOnImage(imageOf(disk), options);
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.files.at("LOCKED"), locked);
  EXPECT_EQ(run.modes.at("LOCKED"), 0444u);
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

// A vfat or exFAT stick on Linux folds letter case: the file system, not the
// names' bytes, says which file was written before.
TEST(SafeWrites, FolderThatFoldsLetterCaseReportsEachReplacedFile) {
  if (!posixOnly() || !fs::exists("/dev/fuse") ||
      std::system("/usr/bin/python3 -c 'import fusepy' 2>/dev/null") != 0) {
    GTEST_SKIP() << "needs FUSE and python3-fusepy";
  }
  VolumeDisk disk;
  build::addFile(disk.sides[0], "abc", 1, 1);
  build::addFile(disk.sides[0], "ABC", 1, 2);
  build::addFile(disk.sides[0], "Readme", 1, 3);
  const Bytes readme = build::addFile(disk.sides[0], "README", 1, 4);
  const Bytes last = build::addFile(disk.sides[1], "abC", 2, 5);
  // Also where file numbers go with the name (sshfs, CIFS noserverino).
  for (const char* numbers : {"--use-ino", "--no-ino"}) {
    std::vector<std::string> mount = {"/usr/bin/python3", D88_CASEFOLD_MOUNT};
    if (std::string(numbers) == "--no-ino") mount.push_back(numbers);
    const RunResult run = runOnImage(imageOf(disk), {.wrapper = mount});
    if (run.status == 125) GTEST_SKIP() << "no FUSE mount can be made here";
    EXPECT_EQ(run.status, 0) << numbers;
    EXPECT_EQ(run.err, replacedEarlier("ABC") + replacedEarlier("README") + replacedEarlier("abC"))
        << numbers;
    EXPECT_EQ(run.files, (testing::Files{{"abc", last}, {"Readme", readme}})) << numbers;
    // A second run over the first one's files, of the same sizes but older:
    // none of them is taken for a file of this run.
    const RunResult again = runOnImage(
        imageOf(disk), {.prepare = [&](auto&, const fs::path& work) {
                          for (const auto& [name, bytes] : run.files) {
                            testing::writeText(work / name, testing::asString(bytes));
                            fs::last_write_time(work / name, fs::last_write_time(work / name) -
                                                                 std::chrono::hours(1));
                          }
                        },
                        .wrapper = mount});
    EXPECT_EQ(again.err, run.err) << numbers;
    EXPECT_EQ(again.files, run.files) << numbers;
  }
}

}  // namespace
}  // namespace d88
