// The futures/options book's helpers: the reference price of a base quote in whole hundredths,
// the code comparison of push records and the nearest futures code of the futures code file.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "plat/kernel.h"
#include "vxrealtime/futopt_book.h"
#include "vxrealtime/order_book.h"

namespace {

namespace fs = std::filesystem;

// A NET_FLOAT2 of a value in hundredths.
void PutFloat2(unsigned char* p, int64_t hundredths) {
  int64_t whole = hundredths / 100, part = hundredths % 100;
  p[0] = static_cast<unsigned char>(static_cast<uint16_t>(whole) >> 8), p[1] = static_cast<unsigned char>(whole);
  p[2] = static_cast<unsigned char>(static_cast<uint16_t>(part) >> 8), p[3] = static_cast<unsigned char>(part);
}

TEST(FutOptReference, PriceAndChangeBySignInWholeHundredths) {
  struct Case {
    int64_t price, change;
    char sign;
    int64_t want;
  } cases[] = {
      {24560, 15, '2', 24545}, {24560, 15, '1', 24545}, {24560, 15, '3', 24560}, {24530, 15, '5', 24545},
      {24530, 15, '4', 24545}, {24560, 15, '+', 0},     {-150, 25, '5', -125},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.sign);
    unsigned char base[33] = {};
    PutFloat2(base + 9, c.price);
    PutFloat2(base + 13, c.change);
    base[17] = static_cast<unsigned char>(c.sign);
    EXPECT_EQ(vxrt::FutOptReference(base, 33), c.want);
    EXPECT_EQ(vxrt::FutOptReference(base, 32), 0);
  }
  // 245.45 is 245.60 - 0.15 exactly: equal to the reference, black; a hundredth apart is coloured.
  unsigned char base[33] = {};
  PutFloat2(base + 9, 24560);
  PutFloat2(base + 13, 15);
  base[17] = '2';
  const int64_t ref = vxrt::FutOptReference(base, 33);
  unsigned char bid[4];
  PutFloat2(bid, 24545);
  EXPECT_EQ(vxrt::PriceColor(vxrt::Hundredths(bid), ref), 0u);
  PutFloat2(bid, 24546);
  EXPECT_EQ(vxrt::PriceColor(vxrt::Hundredths(bid), ref), vxrt::kUpColor);
  PutFloat2(bid, 24544);
  EXPECT_EQ(vxrt::PriceColor(vxrt::Hundredths(bid), ref), vxrt::kDownColor);
}

TEST(FutOptCodes, RecordCodeEqualsTheCodeNulPadded) {
  const unsigned char finder[8] = {'1', '0', '1', 'C', '3', 0, 0, 0};
  const unsigned char whole[8] = {'1', '0', '1', 'C', '3', '0', '0', '0'};
  EXPECT_TRUE(vxrt::SameCode(finder, "101C3"));
  EXPECT_FALSE(vxrt::SameCode(whole, "101C3"));  // another contract's first five characters
  EXPECT_TRUE(vxrt::SameCode(whole, "101C3000"));
  EXPECT_FALSE(vxrt::SameCode(finder, "101C"));
  EXPECT_FALSE(vxrt::SameCode(finder, ""));  // nothing registered matches nothing
  EXPECT_FALSE(vxrt::SameCode(nullptr, "101C3"));
}

class NearestFutures : public ::testing::Test {
 protected:
  void SetUp() override {
    char tmpl[] = "/tmp/futopt_book_XXXXXX";
    ASSERT_NE(mkdtemp(tmpl), nullptr);
    root = tmpl;
    fs::create_directories(root + "/Program Files/Quorvan/Code");
    plat::SetDeviceRoot(root);
  }
  void TearDown() override { fs::remove_all(root); }
  void Write(const std::string& bytes) {
    std::ofstream(root + "/Program Files/Quorvan/Code/futures.code", std::ios::binary) << bytes;
  }
  std::string root;
};

TEST_F(NearestFutures, FirstLineUpToItsFirstBlankAtMostSevenCharacters) {
  const WCHAR* path = u"/Program files/Quorvan/code/futures.code";
  char code[vxrt::kNearestCodeMax + 1];
  EXPECT_FALSE(vxrt::ReadNearestFutures(path, code));  // no file: nothing to register
  EXPECT_STREQ(code, "");
  struct Case {
    std::string bytes, want;
  } cases[] = {
      {"101C3 200703\r\n101C6 200706\r\n", "101C3"},
      {"101C3000 200703\r\n", "101C300"},  // no blank in the first seven characters
      {"101C3\r\n", "101C3"},
      {"101\n", "101"},
      {"\r\n101C3 200703\r\n", ""},
      {"", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.bytes);
    Write(c.bytes);
    EXPECT_EQ(vxrt::ReadNearestFutures(path, code), !c.want.empty());
    EXPECT_EQ(std::string(code), c.want);
  }
}

}  // namespace
