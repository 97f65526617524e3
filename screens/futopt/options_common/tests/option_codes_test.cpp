// The months and strikes the options boards offer, from the options code file's lines.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "option_codes.h"

namespace {

// A call line of the options code file: code, kind, month, strike text, name.
std::string Line(const std::string& month, const std::string& strike, char kind = '2') {
  std::string code = std::string(1, kind) + "01C3" + "185";
  return code + " " + kind + " " + month + "     " + strike + " C " + month.substr(2) + "\r\n";
}

TEST(BoardMonths, EachMonthOnceInFileOrderAtMostSix) {
  std::string file =
      Line("200309", "160.00") + Line("200309", "162.50") + Line("200310", "160.00") + Line("200312", "160.00");
  auto months = vxfo::BoardMonths(finders::ParseOptionsFile(file));
  ASSERT_EQ(months, (std::vector<std::string>{"200309", "200310", "200312"}));
  std::vector<std::string> shown;
  for (const auto& m : months) shown.push_back(vxfo::MonthShown(m));
  EXPECT_EQ(shown, (std::vector<std::string>{"200309", "20030A", "20030C"}));
  EXPECT_EQ(vxfo::MonthShown("200311"), "20030B");
  EXPECT_EQ(vxfo::MonthShown("2003"), "2003");

  std::string many;
  for (const char* m : {"200301", "200302", "200303", "200304", "200305", "200306", "200307", "200308"})
    many += Line(m, "160.00");
  many += Line("200309", "160.00", '3');  // a put: the calls end here
  auto six = vxfo::BoardMonths(finders::ParseOptionsFile(many));
  EXPECT_EQ(six, (std::vector<std::string>{"200301", "200302", "200303", "200304", "200305", "200306"}));
  // Short lines are passed over; an empty file offers nothing.
  EXPECT_TRUE(vxfo::BoardMonths(finders::ParseOptionsFile("201C3185 2 2003\r\n\r\n")).empty());
}

TEST(StrikeSteps, LowestToHighestInStepsOfTwoFifty) {
  struct Case {
    std::vector<std::string> strikes;
    std::vector<std::string> want;
  } cases[] = {
      {{"80.00", " 72.50", "75.00"}, {"72.50", "75.00", "77.50", "80.00"}},
      {{"160.00"}, {"160.00"}},
      {{"160.00", "abc", "", "161.25"}, {"160.00"}},  // unreadable strikes are passed over
      {{"72.5 ", "75.001"}, {"72.50"}},
      {{}, {}},
  };
  for (const Case& c : cases) {
    std::string file;
    for (const auto& s : c.strikes) file += Line("200703", (s + "      ").substr(0, 6));
    std::vector<std::string> got;
    for (int64_t v : vxfo::StrikeSteps(finders::ParseOptionsFile(file))) got.push_back(vxfo::StrikeText(v));
    EXPECT_EQ(got, c.want) << file;
  }
  // Strikes far apart: the list stops at its bound instead of growing with the file's values.
  auto wide = vxfo::StrikeSteps(finders::ParseOptionsFile(Line("200703", "  0.00") + Line("200703", "999.99")));
  ASSERT_EQ(wide.size(), vxfo::kMaxStrikes);
  EXPECT_EQ(wide.front(), 0);
  EXPECT_EQ(wide.back(), static_cast<int64_t>(vxfo::kMaxStrikes - 1) * vxfo::kStrikeStep);
}

TEST(StrikeHundredths, ReadsOnlyPrices) {
  struct Case {
    const char* text;
    bool ok;
    int64_t want;
  } cases[] = {{"160.00", true, 16000}, {" 72.50", true, 7250}, {"72.5  ", true, 7250}, {"7", true, 700},
               {"72.", true, 7200},     {"", false, 0},         {"  ", false, 0},       {"-72.50", false, 0},
               {"72.505", false, 0},    {"7 2", false, 0},      {"1e3", false, 0},      {"99999.99", true, 9999999},
               {"100000", false, 0}};
  for (const Case& c : cases) {
    int64_t v = -1;
    EXPECT_EQ(vxfo::StrikeHundredths(c.text, v), c.ok) << c.text;
    if (c.ok) {
      EXPECT_EQ(v, c.want) << c.text;
    }
  }
}

}  // namespace
