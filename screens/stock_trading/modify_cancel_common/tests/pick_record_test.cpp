// The pick record on its own: the fields as written and read back, the checks a reader makes, and
// the files kept private to the user running the system.
#include "pick_record.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>

#include "plat/kernel.h"

namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<unsigned char>;

class PickRecordTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char tmpl[] = "/tmp/pick_record_test_XXXXXX";
    ASSERT_NE(mkdtemp(tmpl), nullptr);
    root = tmpl;
    plat::SetDeviceRoot(root);
  }
  void TearDown() override {
    std::error_code ec;
    fs::remove_all(root, ec);
  }
  std::string Host(const char* devicePath) {
    std::string host;
    EXPECT_TRUE(plat::HostPath(std::string_view(devicePath), host));
    return host;
  }
  Bytes Read(const std::string& host) {
    std::ifstream f(host, std::ios::binary);
    return Bytes((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
  }
  std::string root;
};

TEST(PickRecord, FieldsAreCutToTheirWidthsAndReadUpToTheirFirstNul) {
  struct Case {
    const char *code, *number, *price, *qty;
    const char *codeOut, *numberOut, *priceOut, *qtyOut;
  } cases[] = {
      {"05930", "10001", "70,000", "1,200", "05930", "10001", "70,000", "1,200"},
      // A price of 13 characters fills its field with no NUL; a reader takes those 13 only.
      {"05930", "10001", "1,234,567,890", "5", "05930", "10001", "1,234,567,890", "5"},
      {"05930", "10001", "12,345,678,901", "12,345,678,901", "05930", "10001", "12,345,678,90", "12,345,678,90"},
      {"0593012", "1000123", "", "", "059301", "100012", "", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.price);
    vxpick::Record r;
    std::memset(r, 0xAA, sizeof r);
    vxpick::BuildRecord(r, c.code, c.number, c.price, c.qty);
    EXPECT_EQ(vxpick::FieldText(r, vxpick::kCodeAt, vxpick::kCodeWidth), c.codeOut);
    EXPECT_EQ(vxpick::FieldText(r, vxpick::kNumberAt, vxpick::kNumberWidth), c.numberOut);
    EXPECT_EQ(vxpick::FieldText(r, vxpick::kPriceAt, vxpick::kPriceWidth), c.priceOut);
    EXPECT_EQ(vxpick::FieldText(r, vxpick::kQuantityAt, vxpick::kQuantityWidth), c.qtyOut);
    EXPECT_EQ(r[vxpick::kStateAt], '1');
    // A shorter text leaves zeros up to the end of its field.
    size_t priceLen = std::strlen(c.priceOut);
    for (size_t i = vxpick::kPriceAt + priceLen; i < vxpick::kPriceAt + vxpick::kPriceWidth; ++i)
      EXPECT_EQ(r[i], 0) << i;
  }
}

TEST_F(PickRecordTest, FilesArePrivateAndNeverFollowALink) {
  vxpick::Record r;
  vxpick::BuildRecord(r, "05930", "10001", "70,000", "10");
  // A folder left open to others is closed before anything is written into it.
  fs::create_directories(root + "/Temp");
  chmod((root + "/Temp").c_str(), 0777);
  ASSERT_TRUE(vxpick::WriteRecordFile(vxpick::kModifyFile, r));
  struct stat st {};
  ASSERT_EQ(stat((root + "/Temp").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0700u);
  ASSERT_EQ(stat(Host(vxpick::kModifyFile).c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600u);
  EXPECT_EQ(Read(Host(vxpick::kModifyFile)), Bytes(r, r + sizeof r));

  // A link in place of the file: neither written through nor read through.
  std::string outside = root + "/outside";
  { std::ofstream(outside, std::ios::binary).write(reinterpret_cast<const char*>(r), sizeof r); }
  fs::create_symlink(outside, Host(vxpick::kCancelFile));
  EXPECT_FALSE(vxpick::WriteRecordFile(vxpick::kCancelFile, r));
  vxpick::PickFields f;
  EXPECT_FALSE(vxpick::TakeRecord(vxpick::kCancelFile, false, f));
  EXPECT_EQ(Read(outside)[vxpick::kStateAt], '1');

  // A link in place of the folder: nothing is written.
  fs::remove_all(root + "/Temp");
  fs::create_directories(root + "/elsewhere");
  fs::create_directory_symlink(root + "/elsewhere", root + "/Temp");
  EXPECT_FALSE(vxpick::WriteRecordFile(vxpick::kModifyFile, r));
  EXPECT_TRUE(fs::is_empty(root + "/elsewhere"));
}

TEST_F(PickRecordTest, ARecordIsTakenOnceAndALongerFileNever) {
  vxpick::Record r;
  vxpick::BuildRecord(r, "05930", "10001", "70,000", "10");
  ASSERT_TRUE(vxpick::WriteRecordFile(vxpick::kModifyFile, r));
  vxpick::PickFields f;
  ASSERT_TRUE(vxpick::TakeRecord(vxpick::kModifyFile, true, f));
  EXPECT_EQ(f.code + "|" + f.number + "|" + f.price + "|" + f.quantity, "05930|10001|70,000|10");
  EXPECT_EQ(Read(Host(vxpick::kModifyFile))[vxpick::kStateAt], '0');
  EXPECT_FALSE(vxpick::TakeRecord(vxpick::kModifyFile, true, f));

  ASSERT_TRUE(vxpick::WriteRecordFile(vxpick::kModifyFile, r));
  { std::ofstream(Host(vxpick::kModifyFile), std::ios::binary | std::ios::app) << 'x'; }
  EXPECT_FALSE(vxpick::TakeRecord(vxpick::kModifyFile, true, f));
  EXPECT_EQ(Read(Host(vxpick::kModifyFile)).size(), 40u);
}

}  // namespace
