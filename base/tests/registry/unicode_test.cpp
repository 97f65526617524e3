#include <cstring>
#include <string>

#include "vx_device_test.h"
#include "vxbase/unicode.h"

namespace {

using vxtest::Cp949;

struct AnsiCase {
  const char* name;
  std::u16string text;
  int outSize;
  std::string expected;
};

class ToAnsi : public ::testing::TestWithParam<AnsiCase> {};

TEST_P(ToAnsi, ConvertsWithinTheDestination) {
  const AnsiCase& c = GetParam();
  std::string buffer(static_cast<size_t>(c.outSize) + 16, '\x7F');  // guard bytes after the size
  char* out = CUnicode::ConvertToANSI(c.text.c_str(), buffer.data(), c.outSize);
  EXPECT_EQ(out, buffer.data());
  EXPECT_EQ(std::string(out), c.expected);
  for (size_t i = static_cast<size_t>(c.outSize); i < buffer.size(); ++i) ASSERT_EQ(buffer[i], '\x7F') << i;
}

INSTANTIATE_TEST_SUITE_P(
    Texts, ToAnsi,
    ::testing::Values(AnsiCase{"Empty", u"", 8, ""}, AnsiCase{"Ascii", u"005930", 16, "005930"},
                      AnsiCase{"HangulTwoBytesEach", u"삼성전자", 16, Cp949(u"삼성전자")},
                      AnsiCase{"Mixed", u"KT&G 우선주", 32, Cp949(u"KT&G 우선주")},
                      AnsiCase{"CutBeforeAHalfCharacter", u"삼성전자", 6, Cp949(u"삼성")},
                      AnsiCase{"OddRoomCut", u"삼성전자", 5, Cp949(u"삼성")},
                      AnsiCase{"ExactFit", u"삼성", 5, Cp949(u"삼성")}, AnsiCase{"AsciiCut", u"ABCDEFGH", 4, "ABC"},
                      AnsiCase{"OnlyTheTerminator", u"가", 1, ""},
                      AnsiCase{"AtMost1024Bytes", std::u16string(2000, u'a'), 4096, std::string(1023, 'a')},
                      AnsiCase{"HangulAtTheCap", u"a" + std::u16string(600, u'가'), 4096,
                               "a" + Cp949(std::u16string(511, u'가'))}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ToAnsiFixedArray, SizeComesFromTheArray) {
  char out[4];
  CUnicode::ConvertToANSI(u"하나은행", out);
  EXPECT_EQ(std::string(out), Cp949(u"하"));
  EXPECT_EQ(std::string(CUnicode::ConvertToANSI(nullptr, out)), "");
}

struct WideCase {
  const char* name;
  std::string text;
  int outSize;
  std::u16string expected;
};

class ToUnicode : public ::testing::TestWithParam<WideCase> {};

TEST_P(ToUnicode, ConvertsWithinTheDestination) {
  const WideCase& c = GetParam();
  std::u16string buffer(static_cast<size_t>(c.outSize) + 8, u'\x7F');
  WCHAR* out = CUnicode::ConvertToUnicode(c.text.c_str(), buffer.data(), c.outSize);
  EXPECT_EQ(std::u16string(out), c.expected);
  for (size_t i = static_cast<size_t>(c.outSize); i < buffer.size(); ++i) ASSERT_EQ(buffer[i], u'\x7F') << i;
}

INSTANTIATE_TEST_SUITE_P(Texts, ToUnicode,
                         ::testing::Values(WideCase{"Empty", "", 4, u""},
                                           WideCase{"Hangul", Cp949(u"현대차"), 8, u"현대차"},
                                           WideCase{"Cut", Cp949(u"현대자동차"), 3, u"현대"},
                                           WideCase{"OnlyTheTerminator", "abc", 1, u""}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(UnicodeRoundTrip, HangulNamesSurviveBothWays) {
  for (const char16_t* name : {u"삼성전자", u"POSCO", u"한국전력 1우", u"똠방각하"}) {
    char ansi[64];
    WCHAR wide[64];
    CUnicode::ConvertToANSI(name, ansi);
    EXPECT_EQ(std::u16string(CUnicode::ConvertToUnicode(ansi, wide)), name);
  }
}

}  // namespace
