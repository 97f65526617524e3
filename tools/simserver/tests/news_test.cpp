// The news desk: headline pages joined by their keys, the search by an item's name, the article
// and announcement texts, the indices, and the errors of keys and texts that name nothing.
#include "fixture.h"
#include "news.h"

namespace tc {
namespace {

using NewsDeskTest = ServerTest;
namespace news = simsrv::news;

Bytes ListAsk(uint8_t page, const Bytes& key) {
  Bytes b(28, 0);
  b[0] = 'A', b[1] = page, b[2] = 8;
  std::copy(key.begin(), key.end(), b.begin() + 4);
  b[26] = b[27] = '0';
  return b;
}

TEST_F(NewsDeskTest, HeadlinePagesFollowTheKeysTheyGiveToTheEnd) {
  Client c;
  ASSERT_TRUE(c.Connect(port));
  Bytes key(22, 0), b;
  size_t seen = 0;
  for (uint8_t page = 0; page < 5; ++page) {
    ASSERT_EQ(Ask(c, 4620, ListAsk(page, key), false, &b), "00");
    ASSERT_GE(b.size(), 24u);
    size_t n = b[23];
    ASSERT_EQ(b.size(), 24 + 201 * n);
    for (size_t i = 0; i < n; ++i)
      EXPECT_EQ(Bytes(b.begin() + 24 + 201 * i, b.begin() + 24 + 201 * i + 19), news::Articles()[seen + i].Key());
    seen += n;
    key.assign(b.begin() + 1, b.begin() + 23);
    if (b[0] == 'N') break;
    EXPECT_EQ(b[0], 'Y');
  }
  EXPECT_EQ(seen, news::Articles().size());
  EXPECT_EQ(key, Bytes(22, 0));
  // A key of no article: an empty last page.
  ASSERT_EQ(Ask(c, 4620, ListAsk(1, Bytes(22, 0x41)), false, &b), "00");
  EXPECT_EQ(ToHex(b), ToHex(Bytes{'N'}) + std::string(44, '0') + "00");
}

TEST_F(NewsDeskTest, TextsAndIndicesAndWhatNamesNothing) {
  Client c;
  ASSERT_TRUE(c.Connect(port));
  Bytes b;
  const news::Article& a = news::Articles()[3];
  ASSERT_EQ(Ask(c, 4630, a.Key(), false, &b), "00");
  ASSERT_EQ(b.size(), 1 + 132 * a.lines.size());
  EXPECT_EQ(Ask(c, 4630, Bytes(19, 0), false, &b), "99");
  EXPECT_EQ(Message(b).second, "기사를 찾을 수 없습니다.");

  Bytes search(59, 0);
  search[0] = 'A', search[2] = 8, search[26] = '1';
  EXPECT_EQ(Ask(c, 4625, search, false, &b), "99");  // no text

  Bytes notices(16, '9');
  notices[0] = '3', notices[1] = 10;
  ASSERT_EQ(Ask(c, 4640, notices, false, &b), "00");
  ASSERT_EQ(b.size(), 16 + 271 * 10u);
  EXPECT_EQ(std::string(b.begin() + 2, b.begin() + 16), news::Notices()[10].order);
  notices[5] = 'x';
  EXPECT_EQ(Ask(c, 4640, notices, false, &b), "99");
  const news::Notice& longest = news::Notices()[2];
  ASSERT_EQ(Ask(c, 4650, Bytes(longest.key.begin(), longest.key.end()), false, &b), "00");
  EXPECT_EQ(b[0], 16);
  EXPECT_EQ(b.size() + 15, 4096u);  // a whole packet

  ASSERT_EQ(Ask(c, 4175, {}, false, &b), "00");
  ASSERT_EQ(b.size(), 1 + 25 * 3u);
  EXPECT_EQ(ToHex(Bytes(b.begin() + 11, b.begin() + 26)),
            "09c4000c"
            "0009003e"
            "32"
            "000000290951");  // KOSPI 2,500.12, +9.62, 412,385
}

}  // namespace
}  // namespace tc
