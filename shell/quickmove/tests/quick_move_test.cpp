#include <string>
#include <vector>

#include "flitway/quick_move.h"
#include "vx_device_test.h"
#include "vxbase/menu_config.h"

namespace {

using vxtest::Cp949;

const char kHistoryFile[] = "Program Files/Quorvan/Bin/qv_his_menu.txt";

// Screens 92001 ... 92012 ("화면1" ...), the group line of 1010 and screen 90101.
std::u16string MenuText() {
  std::u16string text = u"1010:시세:1010:\n1000:로그인:90101:VXLogin.dll\n";
  for (int i = 1; i <= 12; ++i) {
    text += u"1010:화면" + plat::FromUtf8(std::to_string(i)) + u":" + plat::FromUtf8(std::to_string(92000 + i)) +
            u":X.dll\n";
  }
  return text;
}

std::string Line(unsigned id, std::u16string_view name) { return std::to_string(id) + "$" + Cp949(name) + "$ \n"; }

class QuickMoveTest : public vxtest::DeviceTest {
 protected:
  void SetUp() override {
    DeviceTest::SetUp();
    WriteHost("Program Files/Quorvan/Bin/menu.conf", Cp949(MenuText()));
    ASSERT_EQ(menu_.ReadFile(VX_MENU_FILE_PATH), 1);
  }
  void TearDown() override {
    _qm_init_his();  // leave no history behind for the next test (its root has no file)
    DeviceTest::TearDown();
  }
  // The ids newest first, as the combo positions 1, 2, ... give them.
  static std::vector<unsigned> Ids() {
    std::vector<unsigned> ids;
    for (int k = 2; _qm_get_dll_id(k) != 0; ++k) ids.push_back(_qm_get_dll_id(k));
    return ids;
  }
  std::string HistoryFile() const { return ReadHost(kHistoryFile); }

  CMenuConfigFile menu_;
};

TEST_F(QuickMoveTest, HistoryFileRoundTrip) {
  EXPECT_EQ(_qm_init_his(), 0);
  for (unsigned id : {92001u, 90101u, 92003u}) _qm_change_his(&menu_, id);
  EXPECT_EQ(_qm_exit_his(), 3);
  EXPECT_EQ(HistoryFile(), Line(92001, u"화면1") + Line(90101, u"로그인") + Line(92003, u"화면3"));

  EXPECT_EQ(_qm_init_his(), 3);
  EXPECT_EQ(Ids(), (std::vector<unsigned>{92003, 90101, 92001}));
  _qm_change_his(&menu_, 92005);
  EXPECT_EQ(_qm_exit_his(), 4);
  EXPECT_EQ(HistoryFile(),
            Line(92001, u"화면1") + Line(90101, u"로그인") + Line(92003, u"화면3") + Line(92005, u"화면5"));
}

TEST_F(QuickMoveTest, KeepsTheTenNewest) {
  _qm_init_his();
  for (unsigned id = 92001; id <= 92012; ++id) EXPECT_EQ(_qm_change_his(&menu_, id), std::min<int>(id - 92000, 10));
  EXPECT_EQ(Ids(), (std::vector<unsigned>{92012, 92011, 92010, 92009, 92008, 92007, 92006, 92005, 92004, 92003}));
  EXPECT_EQ(_qm_exit_his(), 10);
  std::string want;
  for (unsigned id = 92003; id <= 92012; ++id) want += Line(id, u"화면" + plat::FromUtf8(std::to_string(id - 92000)));
  EXPECT_EQ(HistoryFile(), want);
}

TEST_F(QuickMoveTest, OpeningAListedScreenMovesItToTheNewestPlace) {
  _qm_init_his();
  for (unsigned id = 92001; id <= 92010; ++id) _qm_change_his(&menu_, id);
  EXPECT_EQ(_qm_change_his(&menu_, 92001), 10);  // full list: nothing drops off, nothing doubles
  EXPECT_EQ(_qm_change_his(&menu_, 92001), 10);
  EXPECT_EQ(_qm_change_his(&menu_, 92005), 10);
  EXPECT_EQ(Ids(), (std::vector<unsigned>{92005, 92001, 92010, 92009, 92008, 92007, 92006, 92004, 92003, 92002}));
}

TEST_F(QuickMoveTest, AScreenListedTwiceInTheFileIsShownOnceWhenOpened) {
  WriteHost(kHistoryFile, Line(92001, u"a") + Line(92002, u"b") + Line(92001, u"a") + Line(92003, u"c"));
  ASSERT_EQ(_qm_init_his(), 4);
  EXPECT_EQ(_qm_change_his(&menu_, 92001), 3);
  EXPECT_EQ(Ids(), (std::vector<unsigned>{92001, 92003, 92002}));
}

TEST_F(QuickMoveTest, IdsThatAreNoScreensKeepAnEmptyName) {
  _qm_init_his();
  EXPECT_EQ(_qm_change_his(&menu_, 8103), 1);   // the group button of 1010
  EXPECT_EQ(_qm_change_his(&menu_, 99999), 2);  // not in the menu
  EXPECT_EQ(_qm_change_his(nullptr, 92001), -1);
  EXPECT_EQ(_qm_change_his(&menu_, 0), 2);  // the title's id is no screen
  EXPECT_EQ(Ids(), (std::vector<unsigned>{99999, 8103}));
  EXPECT_EQ(_qm_exit_his(), 2);
  EXPECT_EQ(HistoryFile(), "8103$$ \n99999$$ \n");
}

TEST_F(QuickMoveTest, ComboPositions) {
  _qm_init_his();
  struct Case {
    int k;
    unsigned id;
  };
  for (int k : {-1, 0, 1, 2, 3}) EXPECT_EQ(_qm_get_dll_id(k), 0u) << "empty list, k=" << k;
  _qm_change_his(&menu_, 92001);
  _qm_change_his(&menu_, 92002);
  const Case cases[] = {{-5, 0}, {0, 0}, {1, 0} /* the title */, {2, 92002}, {3, 92001}, {4, 0}, {100, 0}};
  for (const Case& c : cases) EXPECT_EQ(_qm_get_dll_id(c.k), c.id) << c.k;
}

TEST_F(QuickMoveTest, ComboShowsTheTitleThenNewestFirst) {
  WriteHost(kHistoryFile, Line(92001, u"화면1") + Line(90101, u"로그인"));
  _qm_init_his();
  HWND parent = CreateWindowEx(0, u"STATIC", u"", WS_POPUP, 0, 0, 240, 320, 0, nullptr, nullptr, nullptr);
  HWND box = CreateWindowEx(0, u"COMBOBOX", u"", WS_CHILD | CBS_DROPDOWNLIST, 0, 0, 120, 200, parent,
                            PLAT_ID_AS_MENU(9918), nullptr, nullptr);
  ASSERT_NE(box, 0u);
  CComboBox combo;
  ASSERT_TRUE(combo.Attach(box));
  combo.AddString(u"stale entry");
  EXPECT_EQ(_qm_apply_his(&combo), 3);
  std::vector<std::u16string> texts;
  for (int i = 0; i < combo.GetCount(); ++i) {
    CString text;
    combo.GetLBText(i, text);
    texts.push_back(text.str());
  }
  EXPECT_EQ(texts, (std::vector<std::u16string>{u"최근 메뉴", u"로그인", u"화면1"}));
  EXPECT_EQ(combo.GetCurSel(), 0);
  // The selected position plus one names the screen.
  EXPECT_EQ(_qm_get_dll_id(combo.GetCurSel() + 1), 0u);
  combo.SetCurSel(1);
  EXPECT_EQ(_qm_get_dll_id(combo.GetCurSel() + 1), 90101u);
  combo.Detach();
  DestroyWindow(parent);
  EXPECT_EQ(_qm_apply_his(nullptr), -1);
}

struct LoadCase {
  const char* name;
  std::string file;
  std::vector<unsigned> ids;       // newest first
  std::vector<std::string> names;  // code page 949, newest first
};

class HistoryLoad : public QuickMoveTest, public ::testing::WithParamInterface<LoadCase> {};

TEST_P(HistoryLoad, ReadsIdsAndNames) {
  const LoadCase& c = GetParam();
  WriteHost(kHistoryFile, c.file);
  EXPECT_EQ(_qm_init_his(), static_cast<int>(c.ids.size()));
  EXPECT_EQ(Ids(), c.ids);
  // The names come back through the file the history writes.
  ASSERT_EQ(_qm_exit_his(), static_cast<int>(c.ids.size()));
  std::string want;
  for (size_t i = c.ids.size(); i-- > 0;) want += std::to_string(c.ids[i]) + "$" + c.names[i] + "$ \n";
  EXPECT_EQ(HistoryFile(), want);
}

const std::string kLongName = Cp949(std::u16string(200, u'가'));  // 400 bytes

INSTANTIATE_TEST_SUITE_P(
    Files, HistoryLoad,
    ::testing::Values(
        LoadCase{"TrailingBlankIsNoPartOfTheName", "4101$" + Cp949(u"현재가") + "$ \n", {4101}, {Cp949(u"현재가")}},
        LoadCase{"CrLf", "4101$a$ \r\n4102$b$ \r\n", {4102, 4101}, {"b", "a"}},
        LoadCase{"NoSecondMark", "4101$name\n", {4101}, {"name"}}, LoadCase{"EmptyName", "4101$$ \n", {4101}, {""}},
        LoadCase{"BlanksBeforeTheId", "  4101$a$ \n", {4101}, {"a"}},
        LoadCase{"LinesWithoutScreenSkipped", "\n \nno marks\nabc$x$ \n0$title$ \n4101$a$ \n", {4101}, {"a"}},
        LoadCase{"ZeroByteOpeningALine", std::string("\0junk\n4101$a$ \n", 15), {4101}, {"a"}},
        LoadCase{"ZeroByteInsideAName", std::string("4101$a\0b$ \n4102$b$ \n", 20), {4102, 4101}, {"b", "a"}},
        LoadCase{"ZeroByteAfterALeadByte", std::string("4101$a\xb0\0b$ \n", 12), {4101}, {"a"}},
        LoadCase{"LastLineWithoutLineEnd", "4101$a$ \n4102$b$ ", {4102, 4101}, {"b", "a"}},
        LoadCase{"LongNameIsOneEntryCutWhole",
                 "92001$" + kLongName + "$ \n92002$b$ \n",
                 {92002, 92001},
                 {"b", kLongName.substr(0, 254)}},
        LoadCase{"TwelveLinesKeepTheLastTen",
                 "1$a$ \n2$b$ \n3$c$ \n4$d$ \n5$e$ \n6$f$ \n7$g$ \n8$h$ \n9$i$ \n10$j$ \n11$k$ \n12$l$ \n",
                 {12, 11, 10, 9, 8, 7, 6, 5, 4, 3},
                 {"l", "k", "j", "i", "h", "g", "f", "e", "d", "c"}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(QuickMoveTest, EmptyHistoryLeavesTheFileAlone) {
  WriteHost(kHistoryFile, "garbage that is no history\n");
  EXPECT_EQ(_qm_init_his(), 0);
  EXPECT_EQ(_qm_exit_his(), 0);
  EXPECT_EQ(HistoryFile(), "garbage that is no history\n");
}

TEST_F(QuickMoveTest, SecondExitDoesNothing) {
  _qm_init_his();
  _qm_change_his(&menu_, 92001);
  EXPECT_EQ(_qm_exit_his(), 1);
  WriteHost(kHistoryFile, Line(92002, u"다른 실행"));  // say another run wrote it meanwhile
  EXPECT_EQ(_qm_exit_his(), 0);
  EXPECT_EQ(HistoryFile(), Line(92002, u"다른 실행"));
  EXPECT_EQ(_qm_get_dll_id(2), 0u);
  EXPECT_EQ(Ids(), std::vector<unsigned>{});
}

TEST_F(QuickMoveTest, UnwritableFileIsReported) {
  _qm_init_his();
  _qm_change_his(&menu_, 92001);
  std::filesystem::remove_all(HostFile("Program Files"));
  EXPECT_EQ(_qm_exit_his(), -1);
  EXPECT_EQ(_qm_exit_his(), 0);
}

}  // namespace
