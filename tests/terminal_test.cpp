// A person at a terminal reads characters; a program at the other end of a
// pipe reads the bytes. The program under a pseudo-terminal, with and without
// a UTF-8 locale, each stream deciding for itself.
#include <gtest/gtest.h>

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

// A Shift_JIS name, one that would clear the screen, and a refused entry.
build::Bytes image() {
  build::VolumeDisk disk;
  build::addFile(disk.sides[0], "\x89\xB9\x8A\x79.1", 1, 1);  // 音楽.1
  build::addFile(disk.sides[0], "\x1B[2J", 1, 2);
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
            "2DD/2HD版(PC98)を認識しました.\n"
            "音楽.1     START:02 01    END:02 01   SIZE:0400\n"
            "\\x1b[2J       START:02 02    END:02 02   SIZE:0400\n"
            "../x       START:02 01    END:02 01   SIZE:0400\n"
            "../xは書き出せないファイル名です.\n"
            "LAST       START:02 01    END:02 01   SIZE:0400\n");
}

TEST_F(Terminal, OtherLocalesGetTheBytesWithControlsEscaped) {
  const RunResult run = runAt("C", Sink::terminal, Sink::terminal);
  EXPECT_EQ(run.out, kRecognised +
                         "\x89\xB9\x8A\x79.1     START:02 01    END:02 01   SIZE:0400\n"
                         "\\x1b[2J       START:02 02    END:02 02   SIZE:0400\n"
                         "../x       START:02 01    END:02 01   SIZE:0400\n" +
                         unsafeName("../x") +
                         "LAST       START:02 01    END:02 01   SIZE:0400\n");
}

TEST_F(Terminal, EachStreamDecidesForItself) {
  const std::string rawListing = kRecognised +
                                 "\x89\xB9\x8A\x79.1     START:02 01    END:02 01   SIZE:0400\n"
                                 "\x1B[2J       START:02 02    END:02 02   SIZE:0400\n"
                                 "../x       START:02 01    END:02 01   SIZE:0400\n"
                                 "LAST       START:02 01    END:02 01   SIZE:0400\n";
  RunResult run = runAt("C.UTF-8", Sink::file, Sink::terminal);
  EXPECT_EQ(run.out, rawListing);
  EXPECT_EQ(run.err, "../xは書き出せないファイル名です.\n");

  run = runAt("C.UTF-8", Sink::terminal, Sink::file);
  EXPECT_EQ(run.out.substr(0, run.out.find('\n') + 1), "2DD/2HD版(PC98)を認識しました.\n");
  EXPECT_EQ(run.err, unsafeName("../x"));
}

TEST(SharedDestination, EachDiagnosticFollowsTheListingLineOfItsEntry) {
  RunOptions options;
  options.stderrToStdout = true;
  const RunResult run = testing::runOnImage(image(), options);
  // Windows refuses a name that holds a control character.
  const std::string escape = testing::programIsWindows() ? unsafeName("\x1B[2J") : "";
  EXPECT_EQ(run.out, kRecognised +
                         "\x89\xB9\x8A\x79.1     START:02 01    END:02 01   SIZE:0400\n"
                         "\x1B[2J       START:02 02    END:02 02   SIZE:0400\n" +
                         escape + "../x       START:02 01    END:02 01   SIZE:0400\n" +
                         unsafeName("../x") +
                         "LAST       START:02 01    END:02 01   SIZE:0400\n");
}

}  // namespace
}  // namespace d88
