// The futures and options code files read by column: whole lines, short lines skipped, the
// options file up to its puts, the month list, and the codes and names handed over.
#include <gtest/gtest.h>

#include <string>

#include "finders/fo_codes.h"
#include "plat/windows.h"

namespace {

using finders::FuturesItem;
using finders::OptionSeries;

std::string Cp949(std::u16string_view text) {
  if (text.empty()) return {};
  int n = WideCharToMultiByte(CP_KOREAN, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<size_t>(n), '\0');
  WideCharToMultiByte(CP_KOREAN, 0, text.data(), static_cast<int>(text.size()), out.data(), n, nullptr, nullptr);
  return out;
}

std::u16string Wide(const std::string& cp949) {
  return CString::FromMultiByte(cp949.data(), static_cast<int>(cp949.size())).str();
}

TEST(FuturesFile, LinesAreTakenByColumn) {
  struct Case {
    const char16_t* line;
    bool kept;
    const char* code;
    char kind;
    const char* month;
    const char16_t* name;
  } cases[] = {
      {u"101C3000 1 200703 KP200 선물 0703\r", true, "101C3000", '1', "200703", u"KP200 선물 0703"},
      {u"401C3C6S 4 200703 스프레드 0703-0706", true, "401C3C6S", '4', "200703", u"스프레드 0703-0706"},
      // A name beyond its 30 bytes is cut there (never inside a two-byte character), and a long
      // line stays one item rather than spilling into the next.
      {u"101C6000 1 200706 가나다라마바사아자차카타파하거너 tail", true, "101C6000", '1', "200706",
       u"가나다라마바사아자차카타파하거"},
      {u"101C9000 1 200709 ABCDEFGHIJKLMNOPQRSTUVWXYZ12345678", true, "101C9000", '1', "200709",
       u"ABCDEFGHIJKLMNOPQRSTUVWXYZ1234"},
      {u"101C9000 1 200709", true, "101C9000", '1', "200709", u""},
      {u"101C9000 1 20070", false, "", 0, "", u""},
      {u"", false, "", 0, "", u""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(Cp949(c.line));
    std::string line = Cp949(c.line);
    while (!line.empty() && line.back() == '\r') line.pop_back();
    FuturesItem item;
    ASSERT_EQ(finders::ParseFuturesLine(line, item), c.kept);
    if (!c.kept) continue;
    EXPECT_EQ(item.code, c.code);
    EXPECT_EQ(item.kind, c.kind);
    EXPECT_EQ(item.month, c.month);
    EXPECT_EQ(Wide(item.name), c.name);
    EXPECT_LE(item.name.size(), 30u);
  }
}

TEST(FuturesFile, PlainAndSpreadTablesSkipShortLines) {
  std::string file = Cp949(
      u"101C3000 1 200703 KP200 선물 0703\r\n"
      u"short\r\n"
      u"401C3C6S 4 200703 스프레드 0703-0706\r\n"
      u"\r\n"
      u"101C6000 1 200706 KP200 선물 0706");  // no line end after the last line
  finders::FuturesList list = finders::ParseFuturesFile(file);
  ASSERT_EQ(list.plain.size(), 2u);
  ASSERT_EQ(list.spread.size(), 1u);
  EXPECT_EQ(list.plain[1].code, "101C6000");
  EXPECT_EQ(Wide(list.plain[1].name), u"KP200 선물 0706");
  EXPECT_EQ(list.spread[0].code, "401C3C6S");
  EXPECT_TRUE(finders::ParseFuturesFile("").plain.empty());
}

TEST(OptionsFile, SeriesByColumnUpToThePuts) {
  std::string file = Cp949(
      u"201C3160 2 200703     160.00 콜 0703 160.0\r\n"
      u"201C3162 2 200703     162.50 콜 0703 162.5\r\n"
      u"201C3\r\n"  // short: skipped, reading goes on
      u"201C4160 2 200704     160.00 콜 0704 160.0\r\n"
      u"301C3160 3 200703     160.00 풋 0703 160.0\r\n"  // the puts start: reading stops
      u"201C5160 2 200705     160.00 콜 0705 160.0\r\n");
  finders::OptionsList list = finders::ParseOptionsFile(file);
  ASSERT_EQ(list.series.size(), 3u);
  EXPECT_EQ(list.series[0].code, "201C3160");
  EXPECT_EQ(list.series[0].kind, '2');
  EXPECT_EQ(list.series[0].month, "200703");
  EXPECT_EQ(list.series[1].strike, "162.50");
  EXPECT_EQ(Wide(list.series[1].name), u"콜 0703 162.5");
  EXPECT_EQ(list.months, (std::vector<std::string>{"200703", "200704"}));
}

TEST(OptionsFile, MonthsAreListedOnceEach) {
  struct Case {
    std::vector<const char*> months;  // of the lines, in file order
    std::vector<std::string> listed;
  } cases[] = {
      {{}, {}},
      {{"200703", "200703", "200704"}, {"200703", "200704"}},
      {{"200703", "200704", "200705", "200705"}, {"200703", "200704", "200705"}},
      // A month that comes back after another is still one month (one button).
      {{"200703", "200704", "200703"}, {"200703", "200704"}},
  };
  for (const Case& c : cases) {
    std::string file;
    int strike = 160;
    for (const char* m : c.months) file += "201C3" + std::to_string(strike++) + " 2 " + m + "     160.00 C\n";
    finders::OptionsList list = finders::ParseOptionsFile(file);
    EXPECT_EQ(list.months, c.listed) << file;
    EXPECT_EQ(list.series.size(), c.months.size());
  }
}

TEST(OptionsFile, ShortAndEmptyLines) {
  // Exactly up to the strike: kept with an empty name. One byte less: skipped.
  OptionSeries s;
  EXPECT_TRUE(finders::ParseOptionsLine("201C3160 2 200703     160.00", s));
  EXPECT_EQ(s.strike, "160.00");
  EXPECT_EQ(s.name, "");
  EXPECT_FALSE(finders::ParseOptionsLine("201C3160 2 200703     160.0", s));
  EXPECT_TRUE(finders::ParseOptionsFile("\r\n\r\n").series.empty());
}

TEST(HandOver, PutCodesNamesAndFuturesCodes) {
  EXPECT_EQ(finders::PutCode("201C3160"), "301C3160");
  EXPECT_EQ(finders::PutName(CString(u"콜 0703 160.0")).str(), u"풋 0703 160.0");
  EXPECT_EQ(finders::PutName(CString(u"C 0703")).str(), u"풋 0703");
  EXPECT_EQ(finders::PutName(CString()).str(), u"풋");
  FuturesItem plain{"101C3000", '1', "200703", "x"};
  FuturesItem spread{"401C3C6S", '4', "200703", "y"};
  EXPECT_EQ(finders::FuturesPickCode(plain), "101C3");
  EXPECT_EQ(finders::FuturesPickCode(spread), "401C3C6S");
}

TEST(HandOver, Cp949PrefixNeverSplitsACharacter) {
  std::string text = Cp949(u"A가나");  // 1 + 2 + 2 bytes
  EXPECT_EQ(finders::Cp949Prefix(text, 5), text);
  EXPECT_EQ(Wide(finders::Cp949Prefix(text, 4)), u"A가");
  EXPECT_EQ(Wide(finders::Cp949Prefix(text, 2)), u"A");
  EXPECT_EQ(finders::Cp949Prefix(text, 0), "");
}

}  // namespace
