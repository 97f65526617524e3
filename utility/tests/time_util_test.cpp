#include "glimmet/time_util.h"

#include <cstring>
#include <set>
#include <string>

#include "device_fixture.h"

using TimeTest = DeviceTest;

TEST_F(TimeTest, GetTimeByPartsAndSeparators) {
  SetClock(2004, 3, 15, 9, 5, 7, 250);
  struct Case {
    int parts;
    int separators;
    const char* text;
  };
  const Case table[] = {
      {3, 1, "2004.03.15 09:05:07"}, {1, 0, "20040315"},        {2, 1, "09:05:07"}, {1, 1, "2004.03.15 "},
      {3, 0, "20040315090507"},      {3, 2, "20040315 090507"}, {0, 1, ""},
  };
  for (const auto& c : table) {
    char buf[32];
    std::memset(buf, '#', sizeof buf);
    EXPECT_EQ(get_time(buf, sizeof buf, c.parts, c.separators), buf);
    EXPECT_STREQ(buf, c.text) << "parts " << c.parts << " separators " << c.separators;
  }
  char small[6];
  std::memset(small, '#', sizeof small);
  EXPECT_STREQ(get_time(small, 5, 3, 1), "2004");
  EXPECT_EQ(small[5], '#');
  EXPECT_EQ(get_time(nullptr, 5, 3, 1), nullptr);
  EXPECT_EQ(get_time(small, 0, 3, 1), nullptr);
}

TEST_F(TimeTest, MillisecondsSinceMidnight) {
  SetClock(2004, 3, 15, 9, 5, 7, 250);
  EXPECT_EQ(get_mili_time(), 32707250);
  struct Case {
    const char* text;
    int ms;
  };
  const Case table[] = {
      {"09:05:07.250", 32707250},
      {"09:05:07", 32707000},
      {"23:59:59.999", 86399999},
      {"09:05:07.25", 32707000},  // fewer than three millisecond digits are not read
      {"09:05:0", -1},
      {"xx:05:07", -1},
      {"", -1},
  };
  for (const auto& c : table) EXPECT_EQ(get_mili_time_fmt(c.text), c.ms) << c.text;
  EXPECT_EQ(get_mili_time_fmt(nullptr), -1);
}

// Intervals are measured on the tick count: a year or month change does not make them negative.
TEST_F(TimeTest, IntervalClockIsMonotonicAcrossCalendarChanges) {
  struct Case {
    int year, month, day;
  };
  const Case table[] = {{2003, 12, 31}, {2004, 4, 30}, {2004, 2, 29}};
  for (const auto& c : table) {
    SetClock(c.year, c.month, c.day, 23, 59, 59, 500);
    int64_t before = get_mili_time_full();
    plat::clock::Advance(1000);
    int64_t after = get_mili_time_full();
    EXPECT_EQ(after - before, 1000) << c.year << "-" << c.month << "-" << c.day;
  }
}

TEST(MessageNames, KnownNamesAndTheRest) {
  struct Case {
    UINT message;
    const char* name;
  };
  const Case table[] = {
      {WM_NULL, "WM_NULL"},
      {WM_PAINT, "WM_PAINT"},
      {WM_COMMAND, "WM_COMMAND"},
      {WM_TIMER, "WM_TIMER"},
      {WM_CTLCOLORSTATIC, "WM_CTLCOLORSTATIC"},
      {WM_PALETTECHANGED, "WM_PALETTECHANGED"},
      {0x400, "WM_USER"},
      {0x8000, "WM_APP"},
      {1025, "Undefined"},
      {0x8001, "Undefined"},
      {0xFFFF, "Undefined"},
  };
  for (const auto& c : table) EXPECT_STREQ(get_message_str(c.message), c.name) << c.message;
  MSG msg{};
  msg.message = WM_LBUTTONDOWN;
  EXPECT_STREQ(get_message_str_MSG(&msg), "WM_LBUTTONDOWN");
  EXPECT_STREQ(get_message_str_MSG(nullptr), "NULL");
}

TEST(Ids, CurrentProcessAndThread) {
  EXPECT_EQ(get_n_print_cur_processid(), GetCurrentProcessId());
  EXPECT_EQ(get_n_print_cur_threadid(), GetCurrentThreadId());
}

TEST(RandomValues, StayBelowTheDivisor) {
  std::set<int> seen;
  for (int i = 0; i < 200; ++i) {
    int v = get_rand_value(7);
    ASSERT_GE(v, 0);
    ASSERT_LT(v, 7);
    seen.insert(v);
  }
  EXPECT_EQ(get_rand_value(1), 0);
  EXPECT_EQ(get_rand_value(0), -1);  // never a division by zero
  EXPECT_EQ(get_rand_value(-3), -1);
  unsigned char buf[5] = {};
  get_rand_value_to_buf(buf, 4);  // fills exactly the length asked
  EXPECT_EQ(buf[4], 0);
  get_rand_value_to_buf(nullptr, 4);
}
