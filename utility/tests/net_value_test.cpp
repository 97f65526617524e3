#include "glimmet/net_value.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

// Wire bytes of up to three big-endian signed groups.
std::vector<unsigned char> groups(std::initializer_list<int> gs) {
  std::vector<unsigned char> b;
  for (int g : gs) {
    auto u = static_cast<uint16_t>(static_cast<int16_t>(g));
    b.push_back(static_cast<unsigned char>(u >> 8));
    b.push_back(static_cast<unsigned char>(u & 0xFF));
  }
  while (b.size() < 6) b.push_back(0);
  return b;
}

struct StrCase {
  int kind;
  int mode;
  std::vector<int> g;
  const char* text;
};

std::string format(int kind, int mode, const std::vector<unsigned char>& src) {
  char out[64];
  std::memset(out, '#', sizeof out);
  EXPECT_EQ(get_net_value_str(static_cast<signed char>(kind), src.data(), out, static_cast<signed char>(mode)), out);
  // Nothing beyond the 17 bytes that the caller is promised to need.
  for (size_t i = NET_VALUE_STR_SIZE; i < sizeof out; ++i) EXPECT_EQ(out[i], '#') << "byte " << i;
  return out;
}

void run_table(const std::vector<StrCase>& table) {
  for (const auto& c : table) {
    std::vector<unsigned char> src;
    if (c.g.size() == 1)
      src = groups({c.g[0]});
    else if (c.g.size() == 2)
      src = groups({c.g[0], c.g[1]});
    else
      src = groups({c.g[0], c.g[1], c.g[2]});
    std::string gtext;
    for (int g : c.g) gtext += std::to_string(g) + " ";
    EXPECT_EQ(format(c.kind, c.mode, src), c.text) << "kind " << c.kind << " mode " << c.mode << " groups " << gtext;
  }
}

}  // namespace

TEST(GetNetValue, SumsSignedGroupsOfEvenFields) {
  const unsigned char v3[] = {0x00, 0x01, 0x09, 0x29, 0x1A, 0x85};
  EXPECT_EQ(get_net_value(v3, 6), 123456789);
  const unsigned char neg[] = {0xFF, 0xFF, 0xFF, 0x9C};
  EXPECT_EQ(get_net_value(neg, 4), -10100);
  EXPECT_EQ(get_net_value(v3, 3), 0);  // odd width
  EXPECT_EQ(get_net_value(v3, 0), 0);
  EXPECT_EQ(get_net_value(nullptr, 4), 0);
  // Twelve bytes: only the first five groups count.
  const unsigned char wide[] = {0, 1, 0, 2, 0, 3, 0, 4, 0, 5, 0x27, 0x0F};
  EXPECT_EQ(get_net_value(wide, 12), 10002000300040005LL);
}

TEST(GetNetValue, FiveLargeGroupsSaturateInsteadOfOverflowing) {
  const unsigned char big[] = {0x27, 0x0F, 0, 0, 0, 0, 0, 0, 0, 0};  // 9999 * 10^16
  EXPECT_EQ(get_net_value(big, 10), INT64_MAX);
  const unsigned char low[] = {0xD8, 0xF1, 0, 0, 0, 0, 0, 0, 0, 0};  // -9999 * 10^16
  EXPECT_EQ(get_net_value(low, 10), INT64_MIN);
}

TEST(GetNetValueFloat, LastGroupIsHundredths) {
  const unsigned char f[] = {0x00, 0x0C, 0x00, 0x22};
  EXPECT_NEAR(get_net_value_float(f, 4), 12.34, 1e-6);
  EXPECT_EQ(get_net_value_float(f, 2), 0.0);
  EXPECT_EQ(get_net_value_float(f, 5), 0.0);
  EXPECT_EQ(get_net_value_float(nullptr, 4), 0.0);
  const unsigned char three[] = {0, 1, 0, 2, 0, 3};
  EXPECT_NEAR(get_net_value_float(three, 6), 10002.03, 1e-6);
  const unsigned char neg[] = {0xFF, 0xFF, 0xFF, 0xCE};  // -1 and -50
  EXPECT_NEAR(get_net_value_float(neg, 4), -1.5, 1e-6);
}

TEST(GetNetValueStr, Kind0Integer) {
  run_table({
      {0, 0, {0, 999}, "999"},
      {0, 0, {0, 1000}, "1,000"},
      {0, 0, {12, 3456}, "123,456"},
      {0, 0, {1234, 5678}, "12,345,678"},
      {0, 0, {100, 7}, "1,000,007"},
      {0, 0, {-12, -3456}, "-123,456"},
      {0, 0, {0, -5}, "-5"},
      {0, 0, {-1, 0}, "-10,000"},
      {0, 1, {12, 34}, "120034"},
      {0, 1, {0, 34}, "34"},
      {0, 1, {-12, 34}, "-120034"},
      {0, -3, {12, 34}, "120034"},
  });
}

TEST(GetNetValueStr, Kinds1And2TwoDecimals) {
  run_table({
      {1, 0, {1234, 56}, "1,234.56"},
      {1, 0, {3, 5}, "3.05"},
      {1, 0, {0, -50}, "-0.50"},
      {1, 0, {-3, -5}, "-3.05"},
      {1, 0, {-1234, -56}, "-1,234.56"},
      {1, 0, {999, 99}, "999.99"},
      {1, 0, {0, 150}, "0.50"},  // hundredths beyond 99 keep their last two digits
      {2, 0, {3, 5}, "3.05%"},
      {2, 0, {0, -50}, "-0.50%"},
      {2, 0, {1234, 56}, "1,234.56%"},
  });
}

TEST(GetNetValueStr, Kind3Digits) {
  run_table({
      {3, 0, {12, 34}, "120034"},
      {3, 0, {0, 34}, "34"},
      {3, 0, {0, -34}, "-34"},
      {3, 0, {0, 0}, "0"},
  });
}

TEST(GetNetValueStr, Kind4IntegerWithSeparators) {
  run_table({
      {4, 0, {0, 0, 0}, "0"},
      {4, 0, {0, 0, 999}, "999"},
      {4, 0, {0, 0, 1000}, "1,000"},
      {4, 0, {0, 1, 0}, "10,000"},
      {4, 0, {0, 100, 0}, "1,000,000"},
      {4, 0, {1, 2345, 6789}, "123,456,789"},
      {4, 0, {12, 3456, 7890}, "1,234,567,890"},
      {4, 0, {9999, 9999, 9999}, "999,999,999,999"},
      {4, 0, {-9999, -9999, -9999}, "-999,999,999,999"},
      {4, 0, {0, 0, -7}, "-7"},
      {4, 0, {-1, -2345, -6789}, "-123,456,789"},
  });
}

TEST(GetNetValueStr, Kind4ModesSwitchToThousandsAboveTheirLimit) {
  run_table({
      {4, 1, {0, 999, 9999}, "9,999,999"},
      {4, 1, {0, 1000, 0}, "10,000K"},
      {4, 1, {1, 0, 0}, "100,000K"},
      {4, 2, {0, 0, 9}, "9"},
      {4, 2, {0, 0, 10}, "0K"},
      {4, 3, {0, 0, 99}, "99"},
      {4, 3, {0, 0, 1500}, "1K"},
      {4, 4, {0, 0, 999}, "999"},
      {4, 4, {0, 0, 1000}, "1K"},
      {4, 5, {0, 9, 9999}, "99,999"},
      {4, 5, {0, 10, 0}, "100k"},
      {4, 6, {0, 99, 9999}, "999,999"},
      {4, 6, {0, 100, 0}, "1,000K"},
      {4, 7, {0, 999, 9999}, "9,999,999"},
      {4, 9, {0, 1000, 0}, "10,000K"},
      {4, 0, {0, 1000, 0}, "10,000,000"},
      {4, -1, {0, 1000, 0}, "10,000,000"},
      {4, 1, {0, -1000, 0}, "-10,000K"},
  });
}

TEST(GetNetValueStr, Kind5Thousands) {
  run_table({
      {5, 0, {0, 0, 999}, "0K"},
      {5, 0, {0, 0, -999}, "0K"},
      {5, 0, {0, 0, 1500}, "1K"},
      {5, 0, {0, 12, 3456}, "123k"},
      {5, 0, {0, 123, 4567}, "1,234K"},
      {5, 0, {1, 2345, 6789}, "123,456K"},
      {5, 0, {12, 3456, 7890}, "1234567K"},
      {5, 0, {-12, -3456, -7890}, "-1234567K"},
      {5, 7, {0, 12, 3456}, "123k"},
  });
}

TEST(GetNetValueStr, Kind6Digits) {
  run_table({
      {6, 0, {1, 2, 3}, "100020003"},
      {6, 0, {0, 2, 3}, "20003"},
      {6, 0, {0, 0, 3}, "3"},
      {6, 0, {0, 0, -3}, "-3"},
      {6, 0, {-1, 2, 3}, "-100020003"},
  });
}

TEST(GetNetValueStr, TimesAndDates) {
  struct Case {
    int kind;
    unsigned char b[3];
    const char* text;
  };
  const Case table[] = {
      {7, {3, 12, 31}, "03-12-31"},   {8, {3, 12, 31}, "03-12"}, {9, {3, 12, 31}, "12-31"},
      {10, {9, 5, 7}, "09:05:07"},    {11, {9, 5, 7}, "09:05"},  {12, {9, 5, 7}, "05:07"},
      {10, {123, 5, 7}, "23:05:07"},   // each byte is taken modulo 100
      {10, {0xFF, 0, 0}, "-1:00:00"},  // a signed byte keeps its sign
  };
  for (const auto& c : table) {
    std::vector<unsigned char> src(c.b, c.b + 3);
    src.resize(6, 0);
    EXPECT_EQ(format(c.kind, 0, src), c.text) << "kind " << c.kind;
  }
}

TEST(GetNetValueStr, UnknownKindAndNullArguments) {
  auto src = groups({1, 2, 3});
  EXPECT_EQ(format(13, 0, src), "");
  EXPECT_EQ(format(-1, 0, src), "");
  char out[NET_VALUE_STR_SIZE] = "untouched";
  EXPECT_EQ(get_net_value_str(0, nullptr, out, 0), nullptr);
  EXPECT_STREQ(out, "untouched");
  EXPECT_EQ(get_net_value_str(0, src.data(), nullptr, 0), nullptr);
}

// Groups beyond 0..9999 widen the text past 16 characters: the output stays inside the buffer
// and is left empty instead of showing a cut number.
TEST(GetNetValueStr, OutOfRangeGroupsNeverWritePastTheBuffer) {
  const std::vector<std::vector<int>> wild = {
      {-32768, -32768, -32768}, {32767, 32767, 32767}, {-32768, 32767, -1}, {10, -32768, 32767}};
  for (int kind = 0; kind <= 12; ++kind) {
    for (int mode : {0, 1, 2, 5, 100}) {
      for (const auto& g : wild) {
        std::string text = format(kind, mode, groups({g[0], g[1], g[2]}));
        EXPECT_LT(text.size(), NET_VALUE_STR_SIZE);
      }
    }
  }
  // The most negative groups of kind 4 take 18 characters: empty in 17 bytes, whole in a larger buffer.
  auto src = groups({-32768, -32768, -32768});
  EXPECT_EQ(format(4, 0, src), "");
  char big[32];
  EXPECT_STREQ(get_net_value_str(4, src.data(), big, 0, sizeof big), "-3276,1127,712,768");
  // A small caller buffer is honoured too.
  char small[6];
  std::memset(small, '#', sizeof small);
  EXPECT_STREQ(get_net_value_str(4, groups({1, 2345, 6789}).data(), small, 0, 4), "");
  EXPECT_EQ(small[4], '#');
}

TEST(ByteFields, DeviceOrderRoundTrip) {
  unsigned char b[4];
  short_to_binbyte(static_cast<short>(-2), b);
  EXPECT_EQ(b[0], 0xFE);
  EXPECT_EQ(b[1], 0xFF);
  EXPECT_EQ(binbyte_to_short(b), -2);
  int_to_binbyte(0x11223344u, b);
  EXPECT_EQ(b[0], 0x44);
  EXPECT_EQ(b[3], 0x11);
  EXPECT_EQ(binbyte_to_int(b), 0x11223344u);
}

TEST(ByteFields, FixedWidthCopiesAreBoundedByTheDestination) {
  char dst[5];
  EXPECT_STREQ(byte_to_str(dst, sizeof dst, "ABCDEFG", 7), "ABCD");
  EXPECT_STREQ(byte_to_str(dst, sizeof dst, "AB", 2), "AB");
  EXPECT_EQ(byte_to_str(dst, 0, "AB", 2), nullptr);
  EXPECT_EQ(byte_to_str(dst, 5, "AB", -1), nullptr);
  EXPECT_EQ(byte_to_str(dst, 5, nullptr, 1), nullptr);

  char field[6];
  std::memset(field, '.', sizeof field);
  EXPECT_EQ(str_to_byte(field, 4, "123456", -1), field);
  EXPECT_EQ(std::string(field, 6), "1234..");
  EXPECT_EQ(str_to_byte(field, 4, "9", 1), field);
  EXPECT_EQ(std::string(field, 6), "9234..");
  EXPECT_EQ(str_to_byte(field, 0, "9", 1), nullptr);
}

TEST(ByteFields, DigitChecksAndParsing) {
  struct Case {
    const char* text;
    int len;
    int isDigits;
    int value;
    int ok;
  };
  const Case table[] = {
      {"12345", -1, 0, 12345, 1},
      {"12a45", -1, -1, 0, 0},
      {"12a45", 2, 0, 12, 1},
      {"-42", -1, -1, -42, 1},
      {"", -1, 0, 0, 0},
      {"-", -1, -1, 0, 0},
      {"2147483647", -1, 0, 2147483647, 1},
      {"-2147483648", -1, -1, -2147483647 - 1, 1},
      {"2147483648", -1, 0, 0, 0},  // beyond the int range: refused rather than wrapped
      {"99999999999999999999", -1, 0, 0, 0},
      {"7", 0, -1, 0, 0},
  };
  for (const auto& c : table) {
    EXPECT_EQ(is_digit_str(c.text, c.len), c.isDigits) << c.text;
    int ok = -5;
    EXPECT_EQ(byte_to_digit(c.text, c.len, &ok), c.value) << c.text;
    EXPECT_EQ(ok, c.ok) << c.text;
  }
  EXPECT_EQ(is_digit_str(nullptr, 3), -1);
  EXPECT_EQ(byte_to_digit(nullptr, 3, nullptr), 0);
  EXPECT_EQ(byte_to_digit("15", -1, nullptr), 15);
}

TEST(WideText, CopiesAreCutToTheDestination) {
  WCHAR dst[4];
  EXPECT_EQ(tchar_to_tchar(dst, sizeof dst, u"abcdef", -1), dst);
  EXPECT_EQ(std::u16string(dst), u"abc");
  EXPECT_EQ(std::u16string(tchar_to_tchar(dst, sizeof dst, u"abcdef", 4)), u"ab");
  EXPECT_EQ(std::u16string(tchar_to_tchar(dst, sizeof dst, nullptr, 4)), u"");
  EXPECT_EQ(tchar_to_tchar(dst, 1, u"a", -1), nullptr);  // no room even for the terminator
  EXPECT_EQ(tchar_to_tchar(nullptr, 8, u"a", -1), nullptr);
}

TEST(WideText, CodePageTextIsConvertedWholeCharactersOnly) {
  const char* hangul = "\xC7\xD1\xB1\xDB";  // 한글
  struct Case {
    const char* src;
    int len;
    int dstBytes;
    std::u16string text;
  };
  const Case table[] = {
      {hangul, -1, 16, u"한글"},  {hangul, -1, 6, u"한글"}, {hangul, -1, 4, u"한"}, {hangul, 2, 16, u"한"},
      {"a\xC7\xD1", -1, 4, u"a"}, {"abc", 0, 16, u""},      {nullptr, -1, 16, u""},
  };
  for (const auto& c : table) {
    WCHAR dst[8];
    std::memset(dst, 0x55, sizeof dst);
    ASSERT_EQ(char_to_tchar(dst, c.dstBytes, c.src, c.len), dst);
    EXPECT_EQ(std::u16string(dst), c.text) << c.dstBytes;
    for (size_t i = static_cast<size_t>(c.dstBytes) / 2; i < 8; ++i) EXPECT_EQ(dst[i], 0x5555) << "beyond the size";
  }
  WCHAR one[1];
  EXPECT_EQ(char_to_tchar(one, 1, "a", -1), nullptr);
  EXPECT_EQ(char_to_tchar(nullptr, 8, "a", -1), nullptr);
}
