// Which names may become files: everywhere, and by Windows' own rules.
#include "file_name.h"

#include <gtest/gtest.h>

#include <string>

#include "host_file.h"

namespace d88 {
namespace {

TEST(FileName, NamesThatWouldLeaveTheFolderAreRefusedEverywhere) {
  for (const char* bad : {"", ".", "..", "../a", "/tmp/a", "a/b", "/"}) {
    EXPECT_FALSE(isSafeFileName(bad)) << bad;
  }
  for (const char* good : {"a", ".a", "m.0000", "ABC", "\x89\xB9\x8A\x79.1"}) {
    EXPECT_TRUE(isSafeFileName(good)) << good;
  }
}

TEST(FileName, TheHostAddsItsOwnRules) {
#ifdef _WIN32
  EXPECT_FALSE(isHostFileName("..."));  // ends in a dot
  EXPECT_FALSE(isHostFileName("CON"));
  EXPECT_FALSE(isHostFileName("a\\b"));
  EXPECT_FALSE(isHostFileName("\x81"));     // not code page 932
  EXPECT_TRUE(isHostFileName("\x83\x5C"));  // a 0x5C second byte
#else
  for (const char* good : {"...", "CON", "a\\b", "a:b", "\x81", "\x83\x5C"}) {
    EXPECT_TRUE(isSafeFileName(good) && isHostFileName(good)) << good;
  }
#endif
}

TEST(FileName, WindowsRefusesItsForbiddenCharactersAndControls) {
  for (char16_t bad : std::u16string_view(u"<>:\"/\\|?*\x01\x1F\t")) {
    const std::u16string name = std::u16string(u"a") + bad + u"b";
    EXPECT_FALSE(isSafeWindowsName(name)) << static_cast<int>(bad);
  }
  // Katakana and kanji whose Shift_JIS second byte is 0x5C, and full-width
  // forms of forbidden characters, are ordinary characters.
  for (std::u16string_view good :
       {u"\u30BD", u"\u8868\u793A", u"\u80FD", u"a\uFF1Ab", u"\uFF3C", u"m.0000", u"...a"}) {
    EXPECT_TRUE(isSafeWindowsName(good));
  }
}

TEST(FileName, WindowsRefusesDeviceNamesWithOrWithoutExtension) {
  for (std::u16string_view bad :
       {u"CON", u"con", u"Prn", u"AUX", u"nul", u"COM1", u"com9", u"LPT1", u"lpt9", u"CON.TXT",
        u"nul.a.b", u"COM3.m", u"COM0", u"lpt0.x", u"CONIN$", u"conout$", u"CONIN$.a"}) {
    EXPECT_FALSE(isSafeWindowsName(bad));
  }
  for (std::u16string_view good : {u"CONS", u"COM", u"COMA", u"COM10", u"LPT", u"XCON", u"NULL",
                                   u"AUX1", u"a.CON", u"CONIN", u"CON$"}) {
    EXPECT_TRUE(isSafeWindowsName(good));
  }
}

TEST(FileName, WindowsRefusesATrailingDotOrSpace) {
  EXPECT_FALSE(isSafeWindowsName(u"ab."));
  EXPECT_FALSE(isSafeWindowsName(u"ab "));
  EXPECT_FALSE(isSafeWindowsName(u""));
  EXPECT_TRUE(isSafeWindowsName(u".ab"));
  EXPECT_TRUE(isSafeWindowsName(u"a b"));
}

}  // namespace
}  // namespace d88
