// The list screens' page key table and change rates.
#include <gtest/gtest.h>

#include <string>

#include "vxskeleton/list_screen.h"

namespace {

TEST(PageKeys, KeysAreKeptOnlyForPagesInsideTheTable) {
  vxskel::PageKeys<3, 99> keys;
  keys.Restart("005930");
  const unsigned char key[3] = {26, 11, 27};
  for (int page : {0, -1, 100, 255}) {
    SCOPED_TRACE(page);
    EXPECT_FALSE(keys.Store(page, key));
    EXPECT_EQ(keys.Key(page), nullptr);
  }
  ASSERT_TRUE(keys.Store(99, key));
  EXPECT_EQ(keys.Key(99)[2], 27);
  ASSERT_TRUE(keys.Store(1, key));
  // "next" needs the server's word and a slot for the page after.
  keys.page = 98, keys.more = 1;
  EXPECT_TRUE(keys.CanGoNext());
  keys.page = 99;
  EXPECT_FALSE(keys.CanGoNext());
  keys.page = 5, keys.more = 7;
  EXPECT_FALSE(keys.CanGoNext());
  // Another item starts again: page 1, no keys.
  EXPECT_TRUE(keys.SameItem("005930"));
  EXPECT_FALSE(keys.SameItem("000660"));
  keys.Restart("000660");
  EXPECT_EQ(keys.page, 1);
  EXPECT_EQ(keys.more, 0);
  EXPECT_EQ(keys.Key(1)[0], 0);
}

TEST(RateText, OneLeadingMinusAndMagnitudes) {
  struct Case {
    int whole, hundredths;
    const char* text;
  };
  const Case cases[] = {{-1, -50, "-1.50%"}, {0, -50, "-0.50%"}, {-3, 0, "-3.00%"}, {1, 5, "1.05%"},
                        {0, 0, "0.00%"},     {-1, 50, "-1.50%"}, {29, 99, "29.99%"}};
  for (const Case& c : cases) {
    char out[16];
    vxskel::RateText(c.whole, c.hundredths, out, sizeof out);
    EXPECT_EQ(std::string(out), c.text) << c.whole << " " << c.hundredths;
  }
}

}  // namespace
