#include <string>

#include "devicedata/sample_device.h"
#include "vx_device_test.h"
#include "vxbase/menu_config.h"

namespace {

using vxtest::Cp949;
using vxtest::DeviceTest;

class MenuFileTest : public DeviceTest {
 protected:
  // Writes the UTF-16 text as the code page 949 menu file and reads it into `menu`.
  int ReadText(CMenuConfigFile& menu, std::u16string_view text) {
    WriteHost("Program Files/Quorvan/Bin/menu.conf", Cp949(text));
    return menu.ReadFile(VX_MENU_FILE_PATH);
  }
  static const CMenuConfigInfo* At(const CMenuConfigFile& menu, int i) {
    return static_cast<const CMenuConfigInfo*>(menu.GetMenuConfigList()[i]);
  }
};

struct LineCase {
  const char* name;
  const char16_t* line;
  UINT mainMenuId;
  const char16_t* screenName;
  UINT screenId;
  const char16_t* fileName;
};

class MenuLine : public MenuFileTest, public ::testing::WithParamInterface<LineCase> {};

TEST_P(MenuLine, SplitsIntoFourFields) {
  const LineCase& c = GetParam();
  CMenuConfigFile menu;
  ASSERT_EQ(ReadText(menu, std::u16string(c.line) + u"\r\n"), 1);
  ASSERT_EQ(menu.GetMenuConfigList().GetSize(), 1);
  const CMenuConfigInfo* e = At(menu, 0);
  EXPECT_EQ(e->GetMainMenuId(), c.mainMenuId);
  EXPECT_EQ(e->GetScreenName().str(), c.screenName);
  EXPECT_EQ(e->GetScreenId(), c.screenId);
  EXPECT_EQ(e->GetFileName().str(), c.fileName);
}

INSTANTIATE_TEST_SUITE_P(
    Lines, MenuLine,
    ::testing::Values(
        LineCase{"Screen", u"1010:현재가:92001:VX2001.dll", 8103, u"현재가", 92001, u"VX2001.dll"},
        LineCase{"GroupLine", u"1020:주문:1020:", 8104, u"주문", 8104, u""},
        LineCase{"BlanksTrimmed", u"  1110 :  챠트 : 95002 :  ZR5002.dll  ", 8208, u"챠트", 95002, u"ZR5002.dll"},
        LineCase{"TabsRemoved", u"\t1060:선\t옵:96001:\tZR5301.dll", 8107, u"선옵", 96001, u"ZR5301.dll"},
        LineCase{"FileNameKeepsColons", u"1000:로그인:90101:sub:dir:VXLogin.dll", 1000, u"로그인", 90101,
                 u"sub:dir:VXLogin.dll"},
        LineCase{"UnknownGroupUnchanged", u"1000:설정:90103:ZR1022.dll", 1000, u"설정", 90103, u"ZR1022.dll"},
        LineCase{"LeadingDigitsOnly", u"1010x:a:92003z:B.dll", 8103, u"a", 92003, u"B.dll"},
        LineCase{"NoDigits", u"abc:a:zz:B.dll", 0, u"a", 0, u"B.dll"},
        LineCase{"TooLargeIdHeld", u"1010:a:99999999999:B.dll", 8103, u"a", 0xFFFFFFFFu, u"B.dll"},
        LineCase{"OneColon", u"1030:체결", 8105, u"체결", 0, u""},
        LineCase{"TwoColons", u"1040:시황:94001", 8108, u"시황", 94001, u""},
        LineCase{"NoColon", u"VX4630.dll", 0, u"", 0, u"VX4630.dll"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(MenuFileTest, SkipsEmptyAndCommentLines) {
  CMenuConfigFile menu;
  ASSERT_EQ(ReadText(menu,
                     u"# head\r\n\r\n   \r\n\t\r\n1010:시세:1010:\r\n1010:호가:92005:ZR4105.dll # old\r\n"
                     u"#1010:x:92007:ZR4130.dll\r\n1010:현재가:92001:VX2001.dll\r\n"),
            1);
  ASSERT_EQ(menu.GetMenuConfigList().GetSize(), 2);
  EXPECT_EQ(At(menu, 0)->GetScreenId(), 8103u);
  EXPECT_EQ(At(menu, 1)->GetScreenId(), 92001u);
  CString file;
  EXPECT_FALSE(menu.GetFileNameFromId(92005, file));
}

TEST_F(MenuFileTest, LongLineIsReadInPieces) {
  // 255 characters make the first piece; the rest is judged as a line of its own.
  std::u16string line = u"1010:a:92001:" + std::u16string(242, u'f') + u"1000:b:92003:X.dll";
  CMenuConfigFile menu;
  ASSERT_EQ(ReadText(menu, line + u"\n"), 1);
  ASSERT_EQ(menu.GetMenuConfigList().GetSize(), 2);
  EXPECT_EQ(At(menu, 0)->GetFileName().str(), std::u16string(242, u'f'));
  EXPECT_EQ(At(menu, 1)->GetScreenId(), 92003u);
}

class MenuLookup : public MenuFileTest {
 protected:
  void SetUp() override {
    MenuFileTest::SetUp();
    ASSERT_EQ(ReadText(menu_,
                       u"1010:시세:1010:\n"
                       u"1000:로그인:90101:VXLogin.dll\n"
                       u"1010:현재가:92001:VX2001.dll\n"
                       u"92005:묶음:92100:Group.dll\n"
                       u"1010:호가:92005:ZR4105.dll\n"
                       u"1020:현재가 다시:92001:Other.dll\n"),
              1);
  }
  CMenuConfigFile menu_;
};

TEST_F(MenuLookup, IsMenuTellsScreensFromGroups) {
  struct Case {
    UINT id;
    BOOL screen;
  };
  const Case cases[] = {
      {92001, TRUE},   // a screen
      {90101, TRUE},   // a screen of the system group
      {8103, FALSE},   // the group button of 1010 (its own line and later lines use it as group)
      {1010, FALSE},   // the file's group number itself is no id of the list
      {92005, FALSE},  // an earlier line uses it as its group before it is listed as a screen
      {92100, TRUE},   // listed after nothing used it as a group
      {99999, FALSE},  // not listed
      {0, FALSE},
  };
  for (const Case& c : cases) EXPECT_EQ(menu_.IsMenu(c.id), c.screen) << c.id;
}

TEST_F(MenuLookup, NamesAndFilesOfTheFirstEntry) {
  CString file = u"untouched";
  EXPECT_TRUE(menu_.GetFileNameFromId(92001, file));
  EXPECT_EQ(file.str(), u"VX2001.dll");
  EXPECT_EQ(menu_.GetScreenNameFromId(92001).str(), u"현재가");
  EXPECT_TRUE(menu_.GetFileNameFromId(8103, file));  // the group line counts here
  EXPECT_EQ(file.str(), u"");
  file = u"untouched";
  EXPECT_FALSE(menu_.GetFileNameFromId(99999, file));
  EXPECT_EQ(file.str(), u"untouched");
  EXPECT_EQ(menu_.GetScreenNameFromId(99999).str(), u"");
}

TEST_F(MenuLookup, SecondReadKeepsTheOldEntriesUntilCleared) {
  WriteHost("Program Files/Quorvan/Bin/menu.conf", Cp949(u"1000:새화면:97000:New.dll\n"));
  EXPECT_EQ(menu_.ReadFile(VX_MENU_FILE_PATH), 1);
  EXPECT_EQ(menu_.GetMenuConfigList().GetSize(), 6);
  EXPECT_FALSE(menu_.IsMenu(97000));
  menu_.clear();
  EXPECT_EQ(menu_.GetMenuConfigList().GetSize(), 0);
  EXPECT_EQ(menu_.ReadFile(VX_MENU_FILE_PATH), 1);
  EXPECT_EQ(menu_.GetMenuConfigList().GetSize(), 1);
  EXPECT_TRUE(menu_.IsMenu(97000));
}

TEST_F(MenuFileTest, MissingFileBoxCarriesTheErrorNumber) {
  struct Case {
    const char16_t* path;
    const char16_t* text;
  };
  const Case cases[] = {
      {u"\\Program Files\\Quorvan\\Bin\\menu.conf", u"Error : Config File Open [2]"},
      {u"\\No Such Folder\\menu.conf", u"Error : Config File Open [3]"},
  };
  std::filesystem::create_directories(HostFile("Program Files/Quorvan/Bin"));
  for (const Case& c : cases) {
    CMenuConfigFile menu;
    int result = 0;
    plat::win::MessageBoxInfo box;
    ASSERT_TRUE(AnswerBoxDuring([&] { result = menu.ReadFile(c.path); }, box));
    EXPECT_EQ(result, -1);
    EXPECT_EQ(box.text, c.text);
    EXPECT_EQ(box.buttons, std::vector<int>{IDOK});
    EXPECT_EQ(menu.GetMenuConfigList().GetSize(), 0);
  }
}

TEST_F(MenuFileTest, InstalledSampleFile) {
  std::string err;
  ASSERT_TRUE(devicedata::CopyTo(root_, devicedata::Options{}, err)) << err;
  CMenuConfigFile menu;
  ASSERT_EQ(menu.ReadFile(VX_MENU_FILE_PATH), 1);
  CString file;
  ASSERT_TRUE(menu.GetFileNameFromId(90101, file));
  EXPECT_EQ(file.str(), u"VXLogin.dll");
  EXPECT_EQ(menu.GetScreenNameFromId(90101).str(), u"로그인");
  EXPECT_TRUE(menu.IsMenu(90100));
  // Every group button of both bars is a group, never a screen.
  for (UINT button : {8103u, 8104u, 8105u, 8108u, 8112u, 8107u, 8203u, 8204u, 8205u, 8206u, 8208u, 8207u})
    EXPECT_FALSE(menu.IsMenu(button)) << button;
  EXPECT_EQ(menu.GetScreenNameFromId(8208).str(), u"챠트");
}

}  // namespace
