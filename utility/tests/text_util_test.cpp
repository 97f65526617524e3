#include "glimmet/text_util.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

// Two double-byte characters of code page 949 ("한글").
const std::string kHan = "\xC7\xD1";
const std::string kGeul = "\xB1\xDB";

std::vector<std::string> split(const char* text, const char* sep, int maximum) {
  DIVID_STR d = string_divid_with_str(text, sep, maximum);
  std::vector<std::string> parts;
  if (d.count < 0) return {"<failed>"};
  for (int i = 0; i < d.count; ++i) parts.push_back(d.parts[i]);
  destroy_divid_str(d.count, d.parts);
  return parts;
}

using Parts = std::vector<std::string>;

}  // namespace

TEST(StringDivide, SplitsAtTheSeparatorUpToAMaximum) {
  struct Case {
    const char* text;
    const char* sep;
    int maximum;
    Parts parts;
  };
  const Case table[] = {
      {"a|b|c", "|", 2, {"a", "b|c"}},
      {"a|b|c", "|", 0, {"a", "b", "c"}},
      {"a|b|c", "|", 5, {"a", "b", "c"}},
      {"abc", "|", 0, {"abc"}},
      {"a||b|", "|", 0, {"a", "", "b", ""}},
      {"host::port::x", "::", 0, {"host", "port", "x"}},
      {"", "|", 0, {""}},
      {"abc", "", 0, {"a", "b", "c"}},
      {"abcd", "", 2, {"a", "bcd"}},
  };
  for (const auto& c : table) EXPECT_EQ(split(c.text, c.sep, c.maximum), c.parts) << c.text << " at " << c.sep;
  // A double-byte character stays whole when splitting into characters.
  EXPECT_EQ(split((kHan + "x" + kGeul).c_str(), "", 0), (Parts{kHan, "x", kGeul}));
}

TEST(StringDivide, RefusesBadArguments) {
  EXPECT_EQ(split(nullptr, "|", 0), Parts{"<failed>"});
  EXPECT_EQ(split("a", nullptr, 0), Parts{"<failed>"});
  EXPECT_EQ(split("a", "|", -1), Parts{"<failed>"});
}

TEST(Trim, RemovesBlanksAndCutsToTheDestination) {
  char dst[16];
  EXPECT_STREQ(trim_all(dst, sizeof dst, "  x\t\r\n"), "x");
  EXPECT_STREQ(trim_left(dst, sizeof dst, " \t a b "), "a b ");
  EXPECT_STREQ(trim_right(dst, sizeof dst, " a b \r\n"), " a b");
  EXPECT_STREQ(trim_all(dst, sizeof dst, " \t\r\n"), "");
  EXPECT_STREQ(trim_all(dst, 4, "  abcdef  "), "abc");
  // The cut never keeps half of a double-byte character.
  EXPECT_STREQ(trim_all(dst, 4, (" a" + kHan + kGeul).c_str()), ("a" + kHan).c_str());
  EXPECT_STREQ(trim_all(dst, 3, (" a" + kHan).c_str()), "a");
  EXPECT_EQ(trim_all(nullptr, 4, "a"), nullptr);
  EXPECT_EQ(trim_all(dst, 4, nullptr), nullptr);
  EXPECT_EQ(trim_all(dst, 0, "a"), nullptr);
}

TEST(Hex, RoundTripAndBounds) {
  const unsigned char bytes[] = {0x00, 0x1F, 0xA0, 0xFF};
  char hex[9];
  EXPECT_STREQ(arry_to_hexstr(hex, sizeof hex, bytes, 4), "001FA0FF");
  EXPECT_EQ(arry_to_hexstr(hex, 8, bytes, 4), nullptr);  // no room for the terminator

  unsigned char back[4] = {};
  int len = -1;
  EXPECT_EQ(hexstr_to_arry(back, sizeof back, &len, "001FA0FF"), back);
  EXPECT_EQ(len, 4);
  EXPECT_EQ(std::memcmp(back, bytes, 4), 0);
  EXPECT_EQ(hexstr_to_arry(back, sizeof back, &len, "ABC"), back);  // odd last character ignored
  EXPECT_EQ(len, 1);
  EXPECT_EQ(back[0], 0xAB);

  struct Refused {
    const char* hex;
    int dstSize;
  };
  const Refused refused[] = {{"0a", 4}, {"0G", 4}, {"  ", 4}, {"0011223344", 4}};
  for (const auto& r : refused) {
    unsigned char guard[8];
    std::memset(guard, 0xEE, sizeof guard);
    EXPECT_EQ(hexstr_to_arry(guard, r.dstSize, &len, r.hex), nullptr) << r.hex;
    EXPECT_EQ(guard[r.dstSize], 0xEE) << r.hex;  // never past the destination
  }
}

TEST(MultiLine, DoubleByteCharactersNeverStraddleLines) {
  // "ab" + 한 + "c" + 글 in lines of 3 bytes: "ab" | 한 "c" | 글.
  std::string text = "ab" + kHan + "c" + kGeul;
  char dst[12];
  int size = sizeof dst;
  EXPECT_EQ(str_to_multi_line(text.c_str(), -1, 3, dst, &size), 3);
  EXPECT_EQ(size, 7);
  EXPECT_EQ(std::string(dst, 9), std::string("ab\0", 3) + kHan + "c" + kGeul + std::string("\0", 1));

  // Width 2 holds one double-byte character per line.
  size = sizeof dst;
  EXPECT_EQ(str_to_multi_line((kHan + kGeul).c_str(), -1, 2, dst, &size), 2);
  EXPECT_EQ(size, 4);

  // Destination full: only the bytes that fit are placed and counted ("ab" | 한, "c" no room).
  size = 5;
  EXPECT_EQ(str_to_multi_line(text.c_str(), -1, 3, dst, &size), 2);
  EXPECT_EQ(size, 4);
  // A character that no longer fits is not cut in half at the end of the destination.
  size = 4;
  EXPECT_EQ(str_to_multi_line(text.c_str(), -1, 3, dst, &size), 1);
  EXPECT_EQ(size, 2);
}

TEST(MultiLine, RefusesWidthsBelowTwoAndBadArguments) {
  char dst[8];
  int size = sizeof dst;
  EXPECT_EQ(str_to_multi_line("abc", -1, 1, dst, &size), -1);
  EXPECT_EQ(str_to_multi_line("abc", -1, 0, dst, &size), -1);
  EXPECT_EQ(str_to_multi_line(nullptr, -1, 4, dst, &size), -1);
  EXPECT_EQ(str_to_multi_line("abc", -1, 4, nullptr, &size), -1);
  EXPECT_EQ(str_to_multi_line("abc", -1, 4, dst, nullptr), -1);
  size = sizeof dst;
  EXPECT_EQ(str_to_multi_line("", -1, 4, dst, &size), 0);
  EXPECT_EQ(size, 0);
  size = sizeof dst;
  EXPECT_EQ(str_to_multi_line("abcdef", 2, 4, dst, &size), 1);  // only the given length
  EXPECT_EQ(size, 2);
}

TEST(ByteCut, StopsBeforeAHalfCharacter) {
  struct Case {
    std::string text;
    int size;
    int copied;
  };
  const Case table[] = {
      {"abcd" + kHan, 5, 4},                        // the fifth byte starts a double-byte character
      {"abcd" + kHan, 6, 6}, {"abc" + kHan, 5, 5},  // ends exactly after the character
      {kHan + kGeul, 3, 2},  {"abcdef", 4, 4},     {"ab", 4, 2},
  };
  for (const auto& c : table) {
    char dst[8];
    std::memset(dst, '#', sizeof dst);
    EXPECT_EQ(str_to_byte_2byte(dst, c.size, c.text.c_str(), -1), c.copied) << c.text;
    EXPECT_EQ(std::string(dst, c.copied), c.text.substr(0, c.copied));
    if (c.copied < c.size) {
      EXPECT_EQ(dst[c.copied], '\0');
    }
    EXPECT_EQ(dst[c.size], '#');  // never past the given size
  }
  // A trail byte with the top bit set is not mistaken for a lead byte: 한글 cut at 3 keeps 한.
  char dst[4];
  EXPECT_EQ(str_to_byte_2byte(dst, 3, (kHan + kGeul).c_str(), -1), 2);
  EXPECT_EQ(str_to_byte_2byte(nullptr, 3, "a", -1), -1);
}

TEST(PadLeft, RightAlignsWithinTheWidth) {
  char dst[8];
  std::memset(dst, '#', sizeof dst);
  EXPECT_EQ(padding_left(dst, 5, "12", -1, '0'), 5);
  EXPECT_EQ(std::string(dst, 6), "00012#");
  EXPECT_EQ(padding_left(dst, 5, "123456789", 3, ' '), 5);
  EXPECT_EQ(std::string(dst, 6), "  123#");
  EXPECT_EQ(padding_left(dst, 5, "12345", -1, ' '), 5);
  EXPECT_EQ(std::string(dst, 6), "12345#");
  EXPECT_EQ(padding_left(dst, 5, "123456", -1, '*'), -1);
  EXPECT_EQ(std::string(dst, 6), "*****#");
  EXPECT_EQ(padding_left(dst, 5, nullptr, -1, '*'), -1);
}
