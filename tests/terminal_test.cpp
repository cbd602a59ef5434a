// A person at a terminal reads characters; a program at the other end of a
// pipe reads the bytes. The program under a pseudo-terminal, with and without
// a UTF-8 locale, each stream deciding for itself.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>

#include "expected_messages.h"
#include "test_support.h"
#include "volume_builder.h"

namespace d88 {
namespace {

using testing::RunOptions;
using testing::RunResult;
using testing::Sink;
using namespace expected;

// A Shift_JIS name, names that would clear the screen, and a refused entry.
build::Bytes image() {
  build::VolumeDisk disk;
  build::addFile(disk.sides[0], "\x89\xB9\x8A\x79.1", 1, 1);  // 音楽.1
  build::addFile(disk.sides[0], "\x1B[2J", 1, 2);
  build::addFile(disk.sides[0],
                 "\x9B"
                 "2J\xC2\x9B",
                 1, 3);  // CSI, and CSI as UTF-8
  build::addEntry(disk.sides[1], "../x", 2, 1, 2, 1);
  build::addFile(disk.sides[1], "LAST", 1, 3);
  return testing::imageOf(disk);
}

RunResult runAt(const char* locale, Sink out, Sink err) {
  RunOptions options;
  options.environment = {std::string("LC_ALL=") + locale};
  options.stdoutTo = out;
  options.stderrTo = err;
  return testing::runOnImage(image(), options);
}

class Terminal : public ::testing::Test {
 protected:
  void SetUp() override {
    if (testing::programIsWindows()) GTEST_SKIP() << "POSIX terminals";
  }
};

TEST_F(Terminal, Utf8TerminalShowsCharactersInAlignedRowsAndEscapesControls) {
  const RunResult run = runAt("C.UTF-8", Sink::terminal, Sink::terminal);
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.out,
            "2DD/2HD版(PC98)を認識しました. (a 2DD/2HD (PC-98) disk was recognised)\n"
            "音楽.1     START:02 01    END:02 01   SIZE:0400\n"
            "\\x1b[2J    START:02 02    END:02 02   SIZE:0400\n"
            "\\x9b2Jﾂ\\x9b  START:02 03    END:02 03   SIZE:0400\n"
            "../x       START:02 01    END:02 01   SIZE:0400\n"
            "../xは書き出せないファイル名です. (no file can have this name)\n"
            "LAST       START:02 01    END:02 01   SIZE:0400\n"
            "4 files written, 1 not written, 0 with unread or damaged sectors, 0 replaced\n");
}

// The emulator may still read UTF-8 or take bytes from 0x80 up as controls:
// it gets printable ASCII only.
TEST_F(Terminal, OtherLocalesGetOnlyPrintableAscii) {
  const RunResult run = runAt("C", Sink::terminal, Sink::terminal);
  EXPECT_EQ(
      run.out,
      "2DD/2HD\\x94\\xc5(PC98)\\x82\\xf0\\x94F\\x8e\\xaf\\x82\\xb5\\x82\\xdc\\x82\\xb5\\x82\\xbd. "
      "(a 2DD/2HD (PC-98) disk was recognised)\n"
      "\\x89\\xb9\\x8ay.1  START:02 01    END:02 01   SIZE:0400\n"
      "\\x1b[2J    START:02 02    END:02 02   SIZE:0400\n"
      "\\x9b2J\\xc2\\x9b  START:02 03    END:02 03   SIZE:0400\n"
      "../x       START:02 01    END:02 01   SIZE:0400\n"
      "../x\\x82\\xcd\\x8f\\x91\\x82\\xab\\x8fo\\x82\\xb9\\x82\\xc8\\x82\\xa2\\x83t\\x83@"
      "\\x83C\\x83\\x8b\\x96\\xbc\\x82\\xc5\\x82\\xb7. (no file can have this name)\n"
      "LAST       START:02 01    END:02 01   SIZE:0400\n"
      "4 files written, 1 not written, 0 with unread or damaged sectors, 0 replaced\n");
}

TEST_F(Terminal, EachStreamDecidesForItself) {
  const std::string rawListing = kRecognised +
                                 "\x89\xB9\x8A\x79.1     START:02 01    END:02 01   SIZE:0400\n"
                                 "\x1B[2J       START:02 02    END:02 02   SIZE:0400\n"
                                 "\x9B"
                                 "2J\xC2\x9B      START:02 03    END:02 03   SIZE:0400\n"
                                 "../x       START:02 01    END:02 01   SIZE:0400\n"
                                 "LAST       START:02 01    END:02 01   SIZE:0400\n";
  RunResult run = runAt("C.UTF-8", Sink::file, Sink::terminal);
  EXPECT_EQ(run.out, rawListing);
  EXPECT_EQ(run.err,
            "../xは書き出せないファイル名です. (no file can have this name)\n"
            "4 files written, 1 not written, 0 with unread or damaged sectors, 0 replaced\n");

  run = runAt("C.UTF-8", Sink::terminal, Sink::file);
  EXPECT_EQ(run.out.substr(0, run.out.find('\n') + 1), "2DD/2HD版(PC98)を認識しました. (a 2DD/2HD (PC-98) disk was recognised)\n");
  EXPECT_EQ(run.err, unsafeName("../x"));
}

// The program's own name is the locale's text, not Shift_JIS.
TEST_F(Terminal, UsageShowsAUtf8ProgramPathAsItIs) {
  RunOptions options;
  options.environment = {"LC_ALL=C.UTF-8"};
  options.stdoutTo = Sink::terminal;
  options.stderrTo = Sink::terminal;
  options.wrapper = {"bash", "-c", "exec -a \"\xE3\x81\xB7\xE3\x82\x88/d88extract\" \"$0\""};
  const RunResult run = testing::runWithArgs({}, options);
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.out.substr(0, run.out.find('\n') + 1),
            "Usage: \xE3\x81\xB7\xE3\x82\x88/d88extract [d88file]\n");  // ぷよ/
}

// --- what a person is told besides the fixed messages ------------------------------

RunResult toldOnTerminal(const build::Bytes& image, RunOptions options = {}) {
  options.environment = {"LC_ALL=C.UTF-8"};
  options.stdoutTo = Sink::terminal;
  options.stderrTo = Sink::terminal;
  return testing::runOnImage(image, options);
}

TEST_F(Terminal, EachRefusalSaysWhy) {
  RunOptions options{
      .stdoutTo = Sink::terminal, .stderrTo = Sink::terminal, .environment = {"LC_ALL=C.UTF-8"}};
  EXPECT_EQ(testing::runWithArgs({"/nonexistent/x.d88"}, options).out,
            "ファイルをオープンできません. (the image cannot be opened: /nonexistent/x.d88: No such file or directory)\n");
  EXPECT_EQ(testing::runWithArgs({"."}, options).out,
            "ファイルをオープンできません. (the image cannot be opened: .: Is a directory)\n");
  const std::string unsupported =
      "未対応のディスクイメージ形式です. (this disk image format is not supported: ";
  EXPECT_EQ(toldOnTerminal(build::Bytes(12, 'x')).out,
            unsupported + "not a D88 image: 12 bytes, shorter than a disk header (688 bytes))\n");
  EXPECT_EQ(testing::runOnImage(build::Bytes(12, 'x'),
                                {.stdoutTo = Sink::terminal, .stderrTo = Sink::terminal,
                                 .environment = {"LC_ALL=C.UTF-8"},
                                 .wrapper = {"sh", "-c", "cat \"$1\" | \"$0\" /dev/stdin"}})
                .out,
            unsupported + "not a D88 image: 12 bytes, shorter than a disk header (688 bytes))\n");
  // In Japanese where the locale's language is, on a terminal that shows it.
  RunOptions japanese{.stdoutTo = Sink::terminal,
                      .stderrTo = Sink::terminal,
                      .environment = {"LC_ALL=", "LC_CTYPE=C.UTF-8", "LANG=ja_JP.UTF-8"}};
  EXPECT_EQ(testing::runOnImage(build::Bytes(12, 'x'), japanese).out,
            testing::runOnImage(build::Bytes(12, 'x'),
                                {.stdoutTo = Sink::terminal, .stderrTo = Sink::terminal,
                                 .environment = {"LC_ALL=", "LANG=C.UTF-8",
                                                 "LC_MESSAGES=ja_JP.UTF-8"}})
                .out);
  // A pipe whose copy cannot be made is said as that, with the folder.
  EXPECT_EQ(testing::runOnImage(build::Bytes(12, 'x'),
                                {.stdoutTo = Sink::terminal, .stderrTo = Sink::terminal,
                                 .environment = {"LC_ALL=C.UTF-8", "TMPDIR=/nonexistent"},
                                 .wrapper = {"sh", "-c", "cat \"$1\" | \"$0\" /dev/stdin"}})
                .out,
            "ファイルをオープンできません. (the image cannot be opened: /dev/stdin: could not be "
            "copied into the temporary folder /nonexistent: No such file or directory)\n");
  // And one the user may not write in (root may write anywhere: run as nobody).
  if (geteuid() == 0) {
    const std::string readOnly = testing::runOnImage(
        build::Bytes(12, 'x'),
        {.prepare = [](const std::filesystem::path& root, const std::filesystem::path&) {
           std::filesystem::permissions(root, std::filesystem::perms(0755));
           std::filesystem::permissions(root / "image.d88", std::filesystem::perms(0644));
         },
         .stdoutTo = Sink::terminal, .stderrTo = Sink::terminal,
         .environment = {"LC_ALL=C.UTF-8", "TMPDIR=/", "LLVM_PROFILE_FILE=/dev/null"},
         .wrapper = {"setpriv", "--reuid=65534", "--regid=65534", "--clear-groups", "sh", "-c",
                     "cat \"$1\" | \"$0\" /dev/stdin"}}).out;
    EXPECT_EQ(readOnly,
              "ファイルをオープンできません. (the image cannot be opened: /dev/stdin: could not "
              "be copied into the temporary folder /: Permission denied)\n");
  }
  EXPECT_EQ(testing::runOnImage(build::Bytes(12, 'x'), japanese).out,
            "未対応のディスクイメージ形式です.（"
            "D88 イメージではありません。12 バイトしかなく、ディスクヘッダ（688 バイト）より短い"
            "ファイルです）\n");
  EXPECT_EQ(toldOnTerminal(build::Bytes(800, 'x')).out,
            unsupported + "not a D88 image: its first disk header is not one a D88 image holds)\n");
  // Packed as people keep images: said as what it is, with what to do.
  EXPECT_EQ(toldOnTerminal(build::Bytes{0x1F, 0x8B, 8, 0, 0, 0, 0, 0}).out,
            unsupported +
                "a gzip file: unpack it on the way in, as in zcat x.d88.gz | d88extract -)\n");
  EXPECT_EQ(toldOnTerminal(build::Bytes(800, 'P')).out.find("a zip file"), std::string::npos);
  build::Bytes zip(800, 0);
  std::copy_n("PK\x03\x04", 4, zip.begin());
  EXPECT_EQ(toldOnTerminal(zip).out,
            unsupported + "a zip file: unzip it, then run d88extract on each image in it (or "
                          "unzip -p x.zip game.d88 | d88extract -))\n");
  build::Disk twoD;
  twoD.mediaType = 0x00;
  EXPECT_EQ(toldOnTerminal(build::buildDisk(twoD)).out,
            unsupported +
                "a D88 image whose first disk is 2D (media 0x00); this layout is on "
                "2DD and 2HD disks)\n");
  // Cut short, from a file or through a pipe: its header still says 2D.
  build::VolumeDisk volume2d;
  volume2d.mediaType = 0x00;
  const build::Bytes whole2d = testing::imageOf(volume2d);
  const build::Bytes cut2d(whole2d.begin(), whole2d.end() - 100);
  RunOptions piped{.stdoutTo = Sink::terminal, .stderrTo = Sink::terminal,
                   .environment = {"LC_ALL=C.UTF-8"},
                   .wrapper = {"sh", "-c", "cat \"$1\" | \"$0\" /dev/stdin"}};
  const std::string said2d = unsupported +
                             "a D88 image whose first disk is 2D (media 0x00); this layout is on "
                             "2DD and 2HD disks)\n";
  EXPECT_EQ(toldOnTerminal(cut2d).out, said2d);
  EXPECT_EQ(testing::runOnImage(cut2d, piped).out, said2d);
  twoD.trackOffsetOverrides[5] = 0x7FFFFFFF;  // far past the disk: no D88 header after all
  EXPECT_EQ(toldOnTerminal(build::buildDisk(twoD)).out,
            unsupported + "not a D88 image: its first disk header is not one a D88 image holds)\n");
  // The usage, and what the program is for.
  EXPECT_EQ(testing::runWithArgs({}, options).out,
            "Usage: " + testing::programNameAsSeen() +
                " [d88file]\nExtracts the files of the PC-98 disk in one D88 image into the "
                "current folder. More: d88extract --help\n");
}

TEST_F(Terminal, RunEndsWithASummaryAndOneLineForARunOfOneFailure) {
  build::VolumeDisk disk;
  for (const char* name : {"A", "B", "C"}) build::addFile(disk.sides[0], name, 1, 1);
  build::addFile(disk.sides[1], "D", 1, 2);
  build::addFile(disk.sides[1], "D", 1, 3);
  // A FIFO, then two folders: a run of one cause never counts another.
  const RunResult run = toldOnTerminal(testing::imageOf(disk), {.prepare = [](auto&, auto& work) {
                                         mkfifo((work / "A").c_str(), 0644);
                                         for (const char* name : {"B", "C"})
                                           std::filesystem::create_directory(work / name);
                                       }});
  EXPECT_EQ(run.out,
            "2DD/2HD版(PC98)を認識しました. (a 2DD/2HD (PC-98) disk was recognised)\n"
            "A          START:02 01    END:02 01   SIZE:0400\n"
            "Aを書き込めません. (could not be written: a FIFO (named pipe) is there)\n"
            "B          START:02 02    END:02 02   SIZE:0400\n"
            "Bを書き込めません. (could not be written: Is a directory)\n"
            "C          START:02 03    END:02 03   SIZE:0400\n"
            "D          START:02 01    END:02 01   SIZE:0400\n"
            "D          START:02 02    END:02 02   SIZE:0400\n"
            "and 1 more file could not be written (Is a directory)\n"
            "Dは先に書き出した同じ名前のファイルを置き換えました. (replaced the file of that name "
            "written earlier in this run)\n"
            "2 files written, 3 not written, 0 with unread or damaged sectors, 1 replaced\n");
}

// An MS-DOS disk of the same machine: eight sectors a track, IDs that follow
// the physical position. Recognised, but neither directory can be read.
TEST_F(Terminal, DiskOfAnotherLayoutSaysNothingWasExtracted) {
  build::Disk dos;
  for (int track = 0; track < 154; ++track) {
    dos.tracks[track] =
        build::formatTrack(static_cast<uint8_t>(track / 2), static_cast<uint8_t>(track % 2), 3, 1,
                           8, [](int) { return build::Bytes(1024, 0xE5); });
  }
  const RunResult run = toldOnTerminal(build::buildDisk(dos));
  EXPECT_EQ(run.status, 1);
  // A blank disk: both directories read and empty. A success, with nothing to say.
  const RunResult blank = toldOnTerminal(testing::imageOf(build::VolumeDisk{}));
  EXPECT_EQ(blank.status, 0);
  EXPECT_EQ(blank.out,
            "2DD/2HD版(PC98)を認識しました. (a 2DD/2HD (PC-98) disk was recognised)\n"
            "0 files written, 0 not written, 0 with unread or damaged sectors, 0 replaced\n");
  // Two blank disks, then three: only the first is read, and the terminal says so.
  const build::Disk blankDisk = build::toDisk(build::VolumeDisk{});
  EXPECT_EQ(toldOnTerminal(build::buildImage({blankDisk, blankDisk})).out,
            blank.out + "This image holds 2 disks; only the first was read\n");
  RunOptions japanese{.stdoutTo = Sink::terminal, .stderrTo = Sink::terminal,
                      .environment = {"LC_ALL=", "LC_CTYPE=C.UTF-8", "LANG=ja_JP.UTF-8"}};
  const std::string threeDisks =
      testing::runOnImage(build::buildImage({blankDisk, blankDisk, blankDisk}), japanese).out;
  EXPECT_TRUE(threeDisks.ends_with(
      "置き換えたもの 0 個\nこのイメージには 3 枚のディスクがあり、読んだのは最初の 1 枚だけです\n"))
      << threeDisks;
  EXPECT_EQ(run.out,
            "2DD/2HD版(PC98)を認識しました. (a 2DD/2HD (PC-98) disk was recognised)\n"
            "面0のディレクトリを最後まで読めません. (its directory could not be read to its end)\n"
            "面1のディレクトリを最後まで読めません. (its directory could not be read to its end)\n"
            "0 files written, 0 not written, 0 with unread or damaged sectors, 0 replaced\n"
            "Nothing was extracted: neither side's directory could be read. This may be a disk "
            "of another layout (PC-98 MS-DOS disks are)\n");
}

// Each count in its place, all different: five written (one over another),
// two with unread sectors, three refused at the very end, whose line of more
// failures still comes before the summary.
TEST_F(Terminal, SummaryCountsEachOutcomeInItsPlace) {
  build::VolumeDisk volume;
  for (const char* name : {"A", "B", "C", "D", "D"}) build::addFile(volume.sides[0], name, 1, 1);
  for (const char* name : {"X", "Y", "Z"}) build::addFile(volume.sides[1], name, 1, 2);
  build::Disk disk = build::toDisk(volume);
  build::removeSector(disk, build::trackIndex(0, 2), 2);  // B's
  build::removeSector(disk, build::trackIndex(0, 2), 3);  // C's
  // The person's own A stood there before, and a second image is named too.
  RunOptions options{.extraArgs = {"other.d88", "nothing-here"}, .prepare = [](auto&, auto& work) {
    for (const char* name : {"X", "Y", "Z"}) std::filesystem::create_directory(work / name);
    for (const char* name : {"A", "other.d88"}) testing::writeText(work / name, "my own");
  }};
  const RunResult english = toldOnTerminal(build::buildDisk(disk), options);
  EXPECT_EQ(english.status, 1);
  EXPECT_EQ(english.out,
            "2DD/2HD版(PC98)を認識しました. (a 2DD/2HD (PC-98) disk was recognised)\n"
            "A          START:02 01    END:02 01   SIZE:0400\n"
            "A: replaced the file that was in the folder before\n"
            "B          START:02 02    END:02 02   SIZE:0400\n"
            "Bには読めなかったセクタが含まれます. (some of its sectors could not be read: those "
            "bytes are zeros)\n"
            "C          START:02 03    END:02 03   SIZE:0400\n"
            "Cには読めなかったセクタが含まれます. (some of its sectors could not be read: those "
            "bytes are zeros)\n"
            "D          START:02 04    END:02 04   SIZE:0400\n"
            "D          START:02 05    END:02 05   SIZE:0400\n"
            "Dは先に書き出した同じ名前のファイルを置き換えました. (replaced the file of that name "
            "written earlier in this run)\n"
            "X          START:02 01    END:02 01   SIZE:0400\n"
            "Xを書き込めません. (could not be written: Is a directory)\n"
            "Y          START:02 02    END:02 02   SIZE:0400\n"
            "Z          START:02 03    END:02 03   SIZE:0400\n"
            "and 2 more files could not be written (Is a directory)\n"
            "5 files written, 3 not written, 2 with unread or damaged sectors, 1 replaced, 1 that "
            "were in the folder before replaced\n"
            "Not read: other.d88 (one image a run; for several: for f in *.d88; do mkdir "
            "\"${f%.*}\" && (cd \"${f%.*}\" && d88extract \"../$f\"); done)\n");
  options.stdoutTo = Sink::terminal;
  options.stderrTo = Sink::terminal;
  options.environment = {"LC_ALL=", "LC_CTYPE=C.UTF-8", "LANG=ja_JP.UTF-8"};
  const std::string japanese = testing::runOnImage(build::buildDisk(disk), options).out;
  EXPECT_TRUE(japanese.ends_with(
      "ほかに 2 個のファイルも書き込めません（Is a directory）\n"
      "書き出したファイル 5 個、書き出さなかったもの 3 個、読めないか損傷したセクタを含むもの 2 個、"
      "置き換えたもの 1 個、前からフォルダーにあって置き換えたもの 1 個\n"
      "読まなかったもの：other.d88（1 回に読むイメージは 1 つです。複数なら：for f in *.d88; do "
      "mkdir \"${f%.*}\" && (cd \"${f%.*}\" && d88extract \"../$f\"); done）\n"))
      << japanese;
}

TEST(SharedDestination, EachDiagnosticFollowsTheListingLineOfItsEntry) {
  RunOptions options;
  options.stderrToStdout = true;
  const RunResult run = testing::runOnImage(image(), options);
  // Windows refuses a name that holds a control character or is not code page 932.
  const bool windows = testing::programIsWindows();
  const std::string escape = windows ? unsafeName("\x1B[2J") : "";
  const std::string csi = windows ? unsafeName(
                                        "\x9B"
                                        "2J\xC2\x9B")
                                  : "";
  EXPECT_EQ(run.out, kRecognised +
                         "\x89\xB9\x8A\x79.1     START:02 01    END:02 01   SIZE:0400\n"
                         "\x1B[2J       START:02 02    END:02 02   SIZE:0400\n" +
                         escape +
                         "\x9B"
                         "2J\xC2\x9B      START:02 03    END:02 03   SIZE:0400\n" +
                         csi + "../x       START:02 01    END:02 01   SIZE:0400\n" +
                         unsafeName("../x") + "LAST       START:02 01    END:02 01   SIZE:0400\n");
}

}  // namespace
}  // namespace d88
