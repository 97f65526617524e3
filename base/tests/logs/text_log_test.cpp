#include <string>

#include "vx_device_test.h"
#include "vxbase/base_app.h"
#include "vxbase/text_log.h"

namespace {

using vxtest::Cp949;
using vxtest::DeviceTest;

class TextLogTest : public DeviceTest {};

TEST_F(TextLogTest, EachFunctionReplacesOrAppends) {
  using Log = int (*)(const char*, const char*, ...);
  struct Case {
    const char* name;
    Log log;
    bool appends;
  };
  const Case cases[] = {{"WLOG", WLOG, false}, {"AWLOG", AWLOG, true}, {"WriteLog", WriteLog, false}};
  for (const Case& c : cases) {
    WriteHost("Temp/log.txt", "old line\n");
    EXPECT_EQ(c.log("\\Temp\\log.txt", "id=%d name=%s %05.1f%%\n", 4101, "KOSPI", 2.25), 1) << c.name;
    std::string now = std::string("id=4101 name=KOSPI 002.2%\n");
    EXPECT_EQ(ReadHost("Temp/log.txt"), c.appends ? "old line\n" + now : now) << c.name;
  }
}

TEST_F(TextLogTest, AppendCreatesAMissingFileAndAddsNothingElse) {
  EXPECT_EQ(AWLOG("\\qzlo.log", "FILE OPEN pStockFile is NULL\n"), 1);
  EXPECT_EQ(AWLOG("\\qzlo.log", "BBB FILE OPEN pECNFile is NULL\n"), 1);
  EXPECT_EQ(ReadHost("qzlo.log"), "FILE OPEN pStockFile is NULL\nBBB FILE OPEN pECNFile is NULL\n");
}

TEST_F(TextLogTest, UnopenableFileGivesEachFunctionsFailure) {
  using Log = int (*)(const char*, const char*, ...);
  struct Case {
    const char* name;
    Log log;
    int failure;
  };
  const Case cases[] = {{"WLOG", WLOG, -1}, {"AWLOG", AWLOG, -1}, {"WriteLog", WriteLog, 0}};
  for (const Case& c : cases) {
    EXPECT_EQ(c.log("\\No Folder\\x.log", "x"), c.failure) << c.name;
    EXPECT_EQ(c.log("..\\outside.log", "x"), c.failure) << c.name;  // never leaves the device root
    EXPECT_EQ(c.log(nullptr, "x"), c.failure) << c.name;
  }
}

TEST_F(TextLogTest, LongTextIsCutAtWholeCharacters) {
  std::string ascii(1500, 'a');
  ASSERT_EQ(WLOG("\\a.log", "%s", ascii.c_str()), 1);
  EXPECT_EQ(ReadHost("a.log"), std::string(1000, 'a'));

  // "x" and two-byte syllables: byte 1000 would be the first half of a syllable.
  std::string hangul = "x" + Cp949(std::u16string(700, u'한'));
  ASSERT_EQ(WriteLog("\\h.log", "%s", hangul.c_str()), 1);
  EXPECT_EQ(ReadHost("h.log"), hangul.substr(0, 999));

  std::string exact(1000, 'b');
  ASSERT_EQ(AWLOG("\\b.log", "%s", exact.c_str()), 1);
  EXPECT_EQ(ReadHost("b.log"), exact);
}

TEST(BaseApp, TheLibraryObjectServesAProgramWithoutItsOwn) {
  EXPECT_EQ(AfxGetApp(), &VXBaseApp());
  VXBaseApp().AddToRecentFileList(u"\\Temp\\x.txt");  // keeps no list: nothing to see, nothing breaks
}

}  // namespace
