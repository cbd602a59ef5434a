// What a terminal shows of Shift_JIS text: characters, and escapes for bytes
// that are not code page 932 or are control characters. Run on every host, so
// the Windows table is checked under Wine as glibc's is here.
#include "terminal_text.h"

#include <gtest/gtest.h>

namespace d88 {
namespace {

TEST(TerminalText, ShiftJisBecomesUtf8) {
  EXPECT_EQ(terminalUtf8("\x89\xB9\x8A\x79.1"), "\xE9\x9F\xB3\xE6\xA5\xBD.1");    // 音楽.1
  EXPECT_EQ(terminalUtf8("\xC3\xBD\xC4"), "\xEF\xBE\x83\xEF\xBD\xBD\xEF\xBE\x84");  // ﾃｽﾄ
  EXPECT_EQ(terminalUtf8("\x82\xA0"), "\xE3\x81\x82");                           // あ
  EXPECT_EQ(terminalUtf8("\x81\x5F"), "\xEF\xBC\xBC");                           // ＼
  EXPECT_EQ(terminalUtf8("\x83\x5C"), "\xE3\x82\xBD");  // ソ: its second byte is no backslash
  EXPECT_EQ(terminalUtf8("a\\b~ "), "a\\b~ ");
  EXPECT_EQ(terminalUtf8(""), "");
}

TEST(TerminalText, ControlCharactersAndInvalidBytesAreEscaped) {
  EXPECT_EQ(terminalUtf8("\x1B]0;x\x07"), "\\x1b]0;x\\x07");
  EXPECT_EQ(terminalUtf8("a\nb\r\x7F"), "a\\x0ab\\x0d\\x7f");
  EXPECT_EQ(terminalUtf8("\x80\xA0\xFD\xFE\xFF"), "\\x80\\xa0\\xfd\\xfe\\xff");
  EXPECT_EQ(terminalUtf8("A\x81"), "A\\x81");           // a lead byte at the end
  EXPECT_EQ(terminalUtf8("\x81\x1B"), "\\x81\\x1b");    // no trail byte after it
  EXPECT_EQ(terminalUtf8("\x85\x40" "B"), "\\x85@B");   // a pair code page 932 leaves empty
}

TEST(TerminalText, ConsoleGetsTheSameCharactersAsUtf16) {
  EXPECT_EQ(terminalUtf16("\x89\xB9\x8A\x79.1"), u"\u97F3\u697D.1");
  EXPECT_EQ(terminalUtf16("\xC3\x1B\x85\x40"), u"\uFF83\\x1b\\x85@");
}

TEST(TerminalText, OtherCharacterSetsGetTheBytesWithControlsEscaped) {
  EXPECT_EQ(terminalBytes("\x89\xB9\x8A\x79.1"), "\x89\xB9\x8A\x79.1");
  EXPECT_EQ(terminalBytes("\x1B[2J\x81\x7F"), "\\x1b[2J\x81\\x7f");
}

}  // namespace
}  // namespace d88
