// The registration request's bytes, the push record counts and the previous close of a base quote.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "vxrealtime/order_book.h"
#include "vxrealtime/realtime.h"

namespace {

std::string Hex(const unsigned char* p, int n) {
  static const char* d = "0123456789abcdef";
  std::string s;
  for (int i = 0; i < n; ++i) s += d[p[i] >> 4], s += d[p[i] & 15];
  return s;
}

TEST(RealRequest, BytesForItemIndexAndListRequests) {
  const char* item[] = {"005930"};
  const char* indices[] = {"00001", "02001"};
  const char* eight[] = {"101C3000"};
  struct Case {
    char kind;
    uint16_t type;
    const char* const* codes;
    int count;
    const char* hex;
  } cases[] = {
      {'1', 9110, item, 1,
       "0000001c2328340000000000000000"
       "31"
       "01"
       "2396"
       "01"
       "3030353933300000"},
      {'2', 9120, item, 1,
       "0000001c2328340000000000000000"
       "32"
       "01"
       "23a0"
       "01"
       "3030353933300000"},
      {'1', 9210, indices, 2,
       "000000242328340000000000000000"
       "31"
       "01"
       "23fa"
       "02"
       "3030303031000000"
       "3032303031000000"},
      {'1', 9321, eight, 1,
       "0000001c2328340000000000000000"
       "31"
       "01"
       "2469"
       "01"
       "3130314333303030"},
      {'2', 9110, nullptr, 0,
       "000000142328340000000000000000"
       "32"
       "01"
       "2396"
       "00"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.type);
    unsigned char out[64];
    std::memset(out, 0xEE, sizeof out);
    int n = vxrt::MakeRealRequest(out, sizeof out, c.kind, c.type, c.codes, c.count);
    ASSERT_EQ(n, 20 + 8 * c.count);
    EXPECT_EQ(Hex(out, n), c.hex);
  }
}

TEST(RealRequest, RefusesWhatDoesNotFit) {
  std::vector<const char*> codes(256, "005930");
  std::vector<unsigned char> big(20 + 8 * 256);
  EXPECT_EQ(vxrt::MakeRealRequest(big.data(), static_cast<int>(big.size()), '1', 9110, codes.data(), 256), -1);
  EXPECT_EQ(vxrt::MakeRealRequest(big.data(), static_cast<int>(big.size()), '1', 9110, codes.data(), 255),
            20 + 8 * 255);
  unsigned char small[27];
  EXPECT_EQ(vxrt::MakeRealRequest(small, sizeof small, '1', 9110, codes.data(), 1), -1);
  EXPECT_EQ(vxrt::MakeRealRequest(nullptr, 64, '1', 9110, codes.data(), 1), -1);
  // A code longer than its slot is cut to 8 characters, never written past it.
  const char* longer[] = {"0123456789"};
  unsigned char out[40] = {};
  ASSERT_EQ(vxrt::MakeRealRequest(out, sizeof out, '1', 9110, longer, 1), 28);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(out + 20), 8), "01234567");
}

TEST(PushRecords, CountIsLimitedToTheRecordsTheBodyHolds) {
  std::vector<unsigned char> body(4096 - 15, 0);
  struct Case {
    int count, len, record, want;
  } cases[] = {
      {255, 4081, 61, 66},  // a count of 255 in a full slot: only the records that are there
      {2, 1 + 2 * 23, 23, 2}, {3, 1 + 2 * 23, 23, 2}, {1, 60, 61, 0},  // a record cut short is not read
      {0, 4081, 61, 0},       {1, 0, 61, 0},
  };
  for (const Case& c : cases) {
    body[0] = static_cast<unsigned char>(c.count);
    EXPECT_EQ(vxrt::PushRecordCount(body.data(), c.len, c.record), c.want) << c.count << " " << c.len;
  }
  EXPECT_EQ(vxrt::PushRecordCount(nullptr, 10, 23), 0);
}

TEST(PrevClose, FromPriceAndChangeBySign) {
  struct Case {
    char sign;
    int64_t want;
  } cases[] = {{'1', 71000}, {'2', 71000}, {'3', 72000}, {'4', 72000}, {'5', 72000}, {'+', 0}, {0, 0}};
  for (const Case& c : cases) {
    unsigned char base[45] = {};
    base[12] = 0x00, base[13] = 0x07, base[14] = 0x05, base[15] = 0xDC;  // 71,500
    base[22] = static_cast<unsigned char>(c.sign);
    base[25] = 0x01, base[26] = 0xF4;  // 500
    EXPECT_EQ(vxrt::PrevCloseFromBase(base, 45), c.want) << c.sign;
    EXPECT_EQ(vxrt::PrevCloseFromBase(base, 26), 0);
  }
}

TEST(PriceColor, AgainstThePreviousClose) {
  EXPECT_EQ(vxrt::PriceColor(71100, 71000), vxrt::kUpColor);
  EXPECT_EQ(vxrt::PriceColor(70900, 71000), vxrt::kDownColor);
  EXPECT_EQ(vxrt::PriceColor(71000, 71000), 0u);
}

}  // namespace

namespace {

// The requests a list of `count` codes gives: each request's codes, checked against its head.
std::vector<std::vector<std::string>> ListRequests(int count) {
  std::vector<std::string> codes;
  for (int i = 0; i < count; ++i) codes.push_back(std::to_string(100000 + i));
  size_t at = 0;
  std::vector<std::vector<std::string>> out;
  unsigned char buffer[vxrt::kListRequestBuffer];
  int sent = vxrt::SendListRequests(
      buffer, '2', 9110, [&]() -> const char* { return at < codes.size() ? codes[at++].c_str() : nullptr; },
      [&](const unsigned char* p, int n) {
        EXPECT_LE(n, vxrt::kListRequestBuffer);
        EXPECT_EQ((p[0] << 24) | (p[1] << 16) | (p[2] << 8) | p[3], n);
        EXPECT_EQ(p[15], '2');
        EXPECT_EQ((p[17] << 8) | p[18], 9110);
        int slots = p[19];
        EXPECT_EQ(n, 20 + 8 * slots);
        std::vector<std::string> got;
        for (int k = 0; k < slots; ++k) got.emplace_back(reinterpret_cast<const char*>(p + 20 + 8 * k), 6);
        out.push_back(got);
      });
  EXPECT_EQ(sent, static_cast<int>(out.size()));
  return out;
}

}  // namespace

TEST(RealRequest, ListsGoInRequestsOfAtMost125CodesInOrder) {
  EXPECT_EQ(vxrt::kListCodesPerRequest, 125);
  struct Case {
    int count;
    std::vector<size_t> sizes;
  } cases[] = {
      {0, {0}},  // an empty list still says so: one request without slots
      {1, {1}}, {125, {125}}, {126, {125, 1}}, {300, {125, 125, 50}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.count);
    auto requests = ListRequests(c.count);
    ASSERT_EQ(requests.size(), c.sizes.size());
    int next = 100000;
    for (size_t r = 0; r < requests.size(); ++r) {
      EXPECT_EQ(requests[r].size(), c.sizes[r]);
      for (const std::string& code : requests[r]) EXPECT_EQ(code, std::to_string(next++));
    }
  }
}
