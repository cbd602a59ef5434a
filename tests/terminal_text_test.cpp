// What a terminal shows of Shift_JIS and UTF-8 text: characters, and escapes
// for bytes that start no character or a control character. Run on every host, so
// the Windows table is checked under Wine as glibc's is here.
#include "terminal_text.h"

#include <gtest/gtest.h>

namespace d88 {
namespace {

TEST(TerminalText, ShiftJisBecomesUtf8) {
  EXPECT_EQ(terminalUtf8("\x89\xB9\x8A\x79.1"), "\xE9\x9F\xB3\xE6\xA5\xBD.1");      // 音楽.1
  EXPECT_EQ(terminalUtf8("\xC3\xBD\xC4"), "\xEF\xBE\x83\xEF\xBD\xBD\xEF\xBE\x84");  // ﾃｽﾄ
  EXPECT_EQ(terminalUtf8("\x82\xA0"), "\xE3\x81\x82");                              // あ
  EXPECT_EQ(terminalUtf8("\x81\x5F"), "\xEF\xBC\xBC");                              // ＼
  EXPECT_EQ(terminalUtf8("\x83\x5C"), "\xE3\x82\xBD");  // ソ: its second byte is no backslash
  EXPECT_EQ(terminalUtf8("\xFA\x40"), "\xE2\x85\xB0");  // ⅰ, a lead byte high in the range
  EXPECT_EQ(terminalUtf8("\x83\x9F"), "\xCE\x91");      // Α, two bytes in UTF-8
  EXPECT_EQ(terminalUtf8("a\\b~ "), "a\\b~ ");
  EXPECT_EQ(terminalUtf8(""), "");
}

TEST(TerminalText, ControlCharactersAndInvalidBytesAreEscaped) {
  EXPECT_EQ(terminalUtf8("\x1B]0;x\x07"), "\\x1b]0;x\\x07");
  EXPECT_EQ(terminalUtf8("a\nb\r\x7F"), "a\\x0ab\\x0d\\x7f");
  EXPECT_EQ(terminalUtf8("\x80\xA0\xFD\xFE\xFF"), "\\x80\\xa0\\xfd\\xfe\\xff");
  EXPECT_EQ(terminalUtf8("A\x81"), "A\\x81");         // a lead byte at the end
  EXPECT_EQ(terminalUtf8("\x81\x1B"), "\\x81\\x1b");  // no trail byte after it
  EXPECT_EQ(terminalUtf8("\x85\x40"
                         "B"),
            "\\x85@B");  // a pair code page 932 leaves empty
}

TEST(TerminalText, ConsoleGetsTheSameCharactersAsUtf16) {
  EXPECT_EQ(terminalUtf16("\x89\xB9\x8A\x79.1"), u"\u97F3\u697D.1");
  EXPECT_EQ(terminalUtf16("\xC3\x1B\x85\x40"), u"\uFF83\\x1b\\x85@");
}

// Under the C locale the emulator may still read UTF-8, or C1 bytes as controls.
TEST(TerminalText, OtherCharacterSetsGetOnlyPrintableAscii) {
  EXPECT_EQ(terminalAscii("\x89\xB9\x8A\x79.1"), "\\x89\\xb9\\x8ay.1");
  EXPECT_EQ(terminalAscii("\x1B[2J\x9B\x9D\xC2\x9B\x32J\x7F~"),
            "\\x1b[2J\\x9b\\x9d\\xc2\\x9b2J\\x7f~");
}

TEST(TerminalText, ShiftJisTerminalGetsValidCharactersAsTheirBytes) {
  EXPECT_EQ(terminalShiftJis("\x89\xB9\x8A\x79.1\xC3"), "\x89\xB9\x8A\x79.1\xC3");
  EXPECT_EQ(terminalShiftJis("\x1B\x85\x40\x81"), "\\x1b\\x85@\\x81");
}

TEST(TerminalText, HostUtf8IsShownWithControlsAndBidiOverridesEscaped) {
  EXPECT_EQ(terminalUtf8FromUtf8("ぷよ/d88extract"), "ぷよ/d88extract");
  EXPECT_EQ(terminalUtf8FromUtf8("\xC2\x9B\x32J"), "\\xc2\\x9b2J");  // CSI, clear screen
  EXPECT_EQ(terminalUtf8FromUtf8("a\xE2\x80\xAA\xE2\x80\xAE"
                                 "b\xE2\x81\xA6\xE2\x81\xA9"),
            "a\\xe2\\x80\\xaa\\xe2\\x80\\xaeb\\xe2\\x81\\xa6\\xe2\\x81\\xa9");
  // Line and paragraph separators, marks and characters that show nothing;
  // U+206A, deprecated but visible as a box, is kept.
  EXPECT_EQ(terminalUtf8FromUtf8("\xE2\x80\xA9\xE2\x81\xAA"), "\\xe2\\x80\\xa9\xE2\x81\xAA");
  EXPECT_EQ(terminalUtf8FromUtf8("a\xE2\x80\x8B\xE2\x80\x8E\xE2\x80\x8F\xD8\x9C\xE2\x80\xA8"
                                 "\xEF\xBB\xBF\xC2\xADz"),
            "a\\xe2\\x80\\x8b\\xe2\\x80\\x8e\\xe2\\x80\\x8f\\xd8\\x9c\\xe2\\x80\\xa8"
            "\\xef\\xbb\\xbf\\xc2\\xadz");
  // Overlong, surrogate and stray bytes; a character past the BMP is kept.
  EXPECT_EQ(terminalUtf8FromUtf8("\xC0\xAF\xED\xA0\x80\xF0\x9F\x98\x80\xFF"),
            "\\xc0\\xaf\\xed\\xa0\\x80\xF0\x9F\x98\x80\\xff");
  EXPECT_EQ(terminalUtf16FromUtf8("\xE2\x80\xAE\xF0\x9F\x98\x80"), u"\\xe2\\x80\\xae\U0001F600");
}

}  // namespace
}  // namespace d88
