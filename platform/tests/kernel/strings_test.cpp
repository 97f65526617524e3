// WCHAR text functions.
#include <gtest/gtest.h>

#include <climits>
#include <string>

#include "plat/kernel.h"

namespace {

TEST(WideText, NumbersFromText) {
  struct Case {
    const char16_t* text;
    long value;
    size_t used;  // characters taken by _tcstol (0: none)
  } cases[] = {
      {u"42", 42, 2},
      {u"  -12abc", -12, 5},
      {u"+7", 7, 2},
      {u"", 0, 0},
      {u"abc", 0, 0},
      {u"000123", 123, 6},
      {u"99999999999999999999999", LONG_MAX, 23},
      {u"-99999999999999999999999", LONG_MIN, 24},
  };
  for (const Case& c : cases) {
    WCHAR* end = nullptr;
    EXPECT_EQ(_tcstol(c.text, &end, 10), c.value) << plat::ToUtf8(c.text);
    EXPECT_EQ(static_cast<size_t>(end - c.text), c.used) << plat::ToUtf8(c.text);
  }
  EXPECT_EQ(_ttoi(u"99999999999"), INT_MAX);
  EXPECT_EQ(_ttoi(u" 005930"), 5930);
  EXPECT_EQ(_tcstol(u"0x1F", nullptr, 16), 31);
}

TEST(WideText, CopiesStayInsideTheirBuffers) {
  WCHAR buffer[6];
  std::fill(std::begin(buffer), std::end(buffer), u'#');
  lstrcpyn(buffer, u"삼성전자우선주", 4);
  EXPECT_EQ(std::u16string(buffer), u"삼성전");
  EXPECT_EQ(buffer[4], u'#');
  std::fill(std::begin(buffer), std::end(buffer), u'#');
  _tcsncpy(buffer, u"ab", 4);  // pads with NULs up to the count, no further
  EXPECT_EQ(buffer[3], u'\0');
  EXPECT_EQ(buffer[4], u'#');
  WCHAR joined[16];
  lstrcpy(joined, u"90");
  lstrcat(joined, u"100");
  EXPECT_EQ(lstrlen(joined), 5);
  EXPECT_EQ(lstrlen(nullptr), 0);
}

TEST(WideText, ComparisonsAndSearches) {
  EXPECT_EQ(lstrcmpi(u"Order Change", u"ORDER change"), 0);
  EXPECT_LT(lstrcmp(u"ABC", u"abc"), 0);
  EXPECT_LT(_tcsicmp(u"abc", u"ABD"), 0);
  EXPECT_GT(_tcscmp(u"abcd", u"abc"), 0);
  EXPECT_EQ(_tcsncmp(u"90100", u"90199", 3), 0);
  EXPECT_EQ(_tcsnicmp(u"VX0101", u"vx0199", 4), 0);
  const char16_t* text = u"SETUP EXE=\\Program Files";
  EXPECT_EQ(_tcschr(text, u'='), text + 9);
  EXPECT_EQ(_tcsrchr(text, u'r'), text + 15);
  EXPECT_EQ(_tcsstr(text, u"Program"), text + 11);
  EXPECT_EQ(_tcsstr(text, u"program"), nullptr);
  EXPECT_EQ(_tcschr(text, u'#'), nullptr);
}

}  // namespace
