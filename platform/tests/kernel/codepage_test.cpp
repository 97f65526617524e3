// Code page 949 and UTF-8 conversions.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "plat/kernel.h"

namespace {

std::string ToCp949(std::u16string_view text, UINT codePage = CP_ACP) {
  int n = WideCharToMultiByte(codePage, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<size_t>(n), '\0');
  EXPECT_EQ(
      WideCharToMultiByte(codePage, 0, text.data(), static_cast<int>(text.size()), out.data(), n, nullptr, nullptr), n);
  return out;
}

std::u16string FromCp949(std::string_view bytes, UINT codePage = CP_ACP, DWORD flags = 0) {
  int n = MultiByteToWideChar(codePage, flags, bytes.data(), static_cast<int>(bytes.size()), nullptr, 0);
  std::u16string out(static_cast<size_t>(n), u'\0');
  if (n) {
    EXPECT_EQ(MultiByteToWideChar(codePage, flags, bytes.data(), static_cast<int>(bytes.size()), out.data(), n), n);
  }
  return out;
}

TEST(CodePage949, ConvertsBothWays) {
  struct Case {
    std::u16string text;
    std::string bytes;
  } cases[] = {
      {u"가", "\xb0\xa1"},
      {u"한글 ABC 123", "\xc7\xd1\xb1\xdb ABC 123"},
      {u"▲▼※", "\xa1\xe3\xa1\xe5\xa1\xd8"},
      {u"똠", "\x8c\x63"},  // a syllable outside the older two-byte Korean set
      {u"캚", "\xb0\x41"},
      {u"€", "\xa2\xe6"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ToCp949(c.text), c.bytes);
    EXPECT_EQ(ToCp949(c.text, 949), c.bytes);
    EXPECT_EQ(FromCp949(c.bytes), c.text);
  }
}

TEST(CodePage949, CountsAndBuffersAreExact) {
  const char16_t text[] = u"주문";  // 2 syllables, 4 bytes, + NUL
  EXPECT_EQ(WideCharToMultiByte(CP_ACP, 0, text, -1, nullptr, 0, nullptr, nullptr), 5);
  char out[8];
  std::memset(out, 'Z', sizeof out);
  EXPECT_EQ(WideCharToMultiByte(CP_ACP, 0, text, -1, out, 5, nullptr, nullptr), 5);
  EXPECT_STREQ(out, "\xc1\xd6\xb9\xae");
  EXPECT_EQ(out[5], 'Z');

  // One byte short: fails, says why, and writes nothing past the size given.
  std::memset(out, 'Z', sizeof out);
  EXPECT_EQ(WideCharToMultiByte(CP_ACP, 0, text, -1, out, 4, nullptr, nullptr), 0);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
  EXPECT_EQ(out[4], 'Z');

  char16_t wide[4];
  std::fill(std::begin(wide), std::end(wide), u'Z');
  EXPECT_EQ(MultiByteToWideChar(CP_ACP, 0, "\xc1\xd6\xb9\xae", -1, nullptr, 0), 3);
  EXPECT_EQ(MultiByteToWideChar(CP_ACP, 0, "\xc1\xd6\xb9\xae", -1, wide, 2), 0);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
  EXPECT_EQ(wide[2], u'Z');
  EXPECT_EQ(MultiByteToWideChar(CP_ACP, 0, "\xc1\xd6\xb9\xae", -1, wide, 3), 3);
  EXPECT_EQ(std::u16string(wide), u"주문");

  EXPECT_EQ(MultiByteToWideChar(CP_ACP, 0, "abc", 0, wide, 4), 0);  // nothing to convert
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
  EXPECT_EQ(MultiByteToWideChar(1252, 0, "abc", 3, wide, 4), 0);  // only 949 and UTF-8 exist here
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
}

TEST(CodePage949, InvalidBytesBecomeReplacementOrFail) {
  struct Case {
    std::string bytes;
    std::u16string text;
  } cases[] = {
      {"\xff", u"\xFFFD"},
      {"A\xb0", u"A\xFFFD"},  // a lead byte cut off at the end
      {"\xc9\x41",
       u"\xFFFD"
       "A"},                              // an unassigned pair: the ASCII byte stays itself
      {"\xc9\xa1\xb0\xa1", u"\xFFFD가"},  // an unassigned pair of two high bytes is one character
  };
  for (const Case& c : cases) {
    EXPECT_EQ(FromCp949(c.bytes), c.text);
    char16_t out[8];
    EXPECT_EQ(
        MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, c.bytes.data(), static_cast<int>(c.bytes.size()), out, 8), 0);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NO_UNICODE_TRANSLATION));
  }
}

TEST(CodePage949, CharactersWithoutABytesFormUseTheDefault) {
  const char16_t text[] = u"aก\xD83D\xDE00z";  // Thai letter, an emoji (surrogate pair)
  BOOL used = FALSE;
  char out[16] = {};
  int n = WideCharToMultiByte(CP_ACP, 0, text, -1, out, sizeof out, nullptr, &used);
  EXPECT_EQ(n, 5);
  EXPECT_STREQ(out, "a??z");
  EXPECT_TRUE(used);
  n = WideCharToMultiByte(CP_ACP, 0, u"가", -1, out, sizeof out, "#", &used);
  EXPECT_EQ(n, 3);
  EXPECT_FALSE(used);
  n = WideCharToMultiByte(CP_ACP, 0, u"ก", -1, out, sizeof out, "#", &used);
  EXPECT_STREQ(out, "#");
  EXPECT_TRUE(used);
}

TEST(Utf8, RoundTripsIncludingSurrogatePairs) {
  std::u16string text = u"주문 ▲ \xD83D\xDE00";
  std::string utf8 = ToCp949(text, CP_UTF8);
  EXPECT_EQ(utf8, "주문 ▲ 😀");
  EXPECT_EQ(FromCp949(utf8, CP_UTF8), text);
  EXPECT_EQ(FromCp949("a\xc3", CP_UTF8), u"a\xFFFD");
  EXPECT_EQ(plat::ToUtf8(u"x\xD800y"), "x\xEF\xBF\xBDy");  // unpaired surrogate
}

}  // namespace
