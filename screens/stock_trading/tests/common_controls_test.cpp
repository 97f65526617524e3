// What every stock screen shares, driven on each built screen as the main program hosts it: a
// screen opened while another one still stands covers the whole display with its strip where the
// first screen has it; the quick-move combo opens the chosen screen; Escape leaves the screen as
// it is; the keypad types into the field the user tapped.
#include <cstdio>
#include <string>
#include <vector>

#include "flitway/quick_move.h"
#include "screen_host.h"
#include "vxbase/vx_dlg.h"

namespace {

namespace fs = std::filesystem;

struct Screen {
  const char* name;  // plug-in
  int password;      // the account password edit
};
const Screen kScreens[] = {{"VX4300", 1014}, {"ZR4310", 1014}, {"ZR4320", 1014}, {"ZR4330", 1014}, {"ZR4340", 1004},
                           {"ZR4350", 1014}, {"ZR4360", 1014}, {"ZR4380", 1014}, {"ZR4400", 1007}, {"ZR4410", 1007},
                           {"ZR4430", 1003}, {"ZR4440", 1007}, {"ZR4460", 1007}};

class CommonControlsTest : public screentest::ScreenTestWithParam<Screen> {
 protected:
  void SetUp() override {
    ScreenTestWithParam::SetUp();
    if (HasFatalFailure()) return;
    // The device's configuration and code lists, which the ECN screens load.
    const std::string data = DEVICE_DATA_DIR "/Program Files/Quorvan/";
    fs::copy_file(data + "Bin/Pelvato.conf", root + "/Program Files/Quorvan/Bin/Pelvato.conf",
                  fs::copy_options::overwrite_existing);
    fs::copy(data + "Code", root + "/Program Files/Quorvan/Code",
             fs::copy_options::recursive | fs::copy_options::overwrite_existing);
  }
  std::string Name() const { return GetParam().name; }
  RECT WindowRect(HWND h) {
    RECT r{};
    d->Ui([&] { GetWindowRect(h, &r); });
    return r;
  }
  RECT ControlRect(int id) {
    RECT r{};
    d->Ui([&] { GetWindowRect(GetDlgItem(dlg, id), &r); });
    return r;
  }
  static std::string Str(const RECT& r) {
    char b[64];
    std::snprintf(b, sizeof b, "%ld,%ld,%ld,%ld", static_cast<long>(r.left), static_cast<long>(r.top),
                  static_cast<long>(r.right), static_cast<long>(r.bottom));
    return b;
  }
  std::string EditText(int id) {
    WCHAR text[64] = {};
    d->Ui([&] { GetDlgItemText(dlg, id, text, 64); });
    return screentest::Utf8(text);
  }
};

// The host opens the next screen before it ends the one shown: the new one stands at 0,0 and
// 240 x 320 with its price strip at y 47, as the first screen of the session does.
TEST_P(CommonControlsTest, AScreenAfterAnotherStandsWhereTheFirstStands) {
  ASSERT_NO_FATAL_FAILURE(Open(Name() == "ZR4400" ? "ZR4410" : "ZR4400"));
  HWND first = dlg;
  EXPECT_EQ(Str(WindowRect(first)), "0,0,240,320");
  EXPECT_EQ(Str(ControlRect(3001)), "2,47,70,60");
  // Kept alive while the next one opens, as the host keeps it for half a second.
  auto endFirst = end;
  HMODULE firstModule = module;
  end = nullptr;
  module = nullptr;
  ASSERT_NO_FATAL_FAILURE(Open(Name()));
  EXPECT_EQ(Str(WindowRect(dlg)), "0,0,240,320");
  EXPECT_EQ(Str(ControlRect(3001)), "2,47,70,60");
  EXPECT_EQ(Str(ControlRect(IDC_KEY_1)), "1,300,22,320");
  d->Ui([&] {
    endFirst();
    FreeLibrary(firstModule);
  });
  EXPECT_FALSE(plat::win::ShellState().taskBarVisible);
  EXPECT_EQ(Str(WindowRect(dlg)), "0,0,240,320");
}

// The combo lists "최근 메뉴" and the screens opened last, newest first: the head opens nothing,
// every other entry asks the owner for its screen.
TEST_P(CommonControlsTest, QuickMovePickOpensTheChosenScreen) {
  std::string path = root + "/menu.conf";
  FILE* f = std::fopen(path.c_str(), "w");
  ASSERT_NE(f, nullptr);
  std::fputs("1020:Buy:93001:ZR4310.dll\n1030:Balance:94001:ZR4400.dll\n", f);
  std::fclose(f);
  ASSERT_EQ(menu.ReadFile(u"\\menu.conf"), 1);
  _qm_exit_his();
  _qm_change_his(&menu, 93001);
  _qm_change_his(&menu, 94001);
  ASSERT_NO_FATAL_FAILURE(Open(Name()));
  ASSERT_TRUE(d->Pick(IDC_QUICK_MOVE, 0));
  EXPECT_TRUE(OwnerGot(WM_VX_OPEN_SCREEN).empty());
  ASSERT_TRUE(d->Pick(IDC_QUICK_MOVE, 2));
  auto opens = OwnerGot(WM_VX_OPEN_SCREEN);
  ASSERT_EQ(opens.size(), 1u);
  EXPECT_EQ(opens[0].wParam, 93001u);
  _qm_exit_his();
}

TEST_P(CommonControlsTest, EscapeLeavesTheScreenAsItIs) {
  ASSERT_NO_FATAL_FAILURE(Open(Name()));
  ASSERT_TRUE(d->Tap(GetParam().password));
  ASSERT_TRUE(d->Key("ESCAPE"));
  bool visible = false;
  d->Ui([&] { visible = IsWindowVisible(dlg) != FALSE; });
  EXPECT_TRUE(visible);
  EXPECT_EQ(Str(WindowRect(dlg)), "0,0,240,320");
  EXPECT_TRUE(OwnerGot(WM_VX_EXIT_APP).empty());
}

// A tap on the password edit makes it the keypad's target: the first key replaces its text, the
// next ones append, "<<" takes the last one back.
TEST_P(CommonControlsTest, KeypadTypesIntoTheTappedField) {
  ASSERT_NO_FATAL_FAILURE(Open(Name()));
  int pw = GetParam().password;
  d->Ui([&] { SetDlgItemText(dlg, pw, u"99"); });
  ASSERT_TRUE(d->Tap(pw));
  ASSERT_TRUE(d->Tap(IDC_KEY_1 + 2));  // "3"
  EXPECT_EQ(EditText(pw), "3");
  ASSERT_TRUE(d->Tap(IDC_KEY_0));
  ASSERT_TRUE(d->Tap(IDC_KEY_1 + 6));  // "7"
  EXPECT_EQ(EditText(pw), "307");
  ASSERT_TRUE(d->Tap(IDC_KEY_BACK));
  EXPECT_EQ(EditText(pw), "30");
}

// The go-to buttons ask the owner for their screens: "현재가" waits for the switch, the others
// post and return at once.
TEST_P(CommonControlsTest, GoToButtonsAskTheOwnerForTheirScreens) {
  struct GoTo {
    const char* screen;
    int button;
    WPARAM target;
    bool sent;
  };
  static const GoTo kGoTo[] = {
      {"ZR4320", 9709, 92001, true},  {"ZR4320", 8107, 96001, false}, {"ZR4320", 9800, 93103, false},
      {"ZR4330", 9709, 92001, true},  {"ZR4330", 8107, 96001, false}, {"ZR4330", 9800, 93103, false},
      {"ZR4310", 9709, 92001, true},  {"ZR4310", 8107, 96001, false}, {"ZR4310", 9706, 94002, false},
      {"VX4300", 9709, 92001, true},  {"VX4300", 8107, 96001, false}, {"VX4300", 9706, 94650, false},
      {"ZR4350", 8107, 96001, false}, {"ZR4350", 9826, 94641, false}, {"ZR4360", 8107, 96001, false},
      {"ZR4360", 9826, 94641, false}, {"ZR4380", 8107, 96001, false}, {"ZR4380", 9800, 93103, false},
      {"ZR4340", 9709, 92001, true},  {"ZR4340", 8107, 96001, false},
  };
  bool any = false;
  for (const GoTo& g : kGoTo) {
    if (Name() != g.screen) continue;
    SCOPED_TRACE(g.button);
    if (!any) {
      ASSERT_NO_FATAL_FAILURE(Open(Name()));
    }
    any = true;
    ClearOwnerLog();
    ASSERT_TRUE(d->Tap(g.button));
    ASSERT_TRUE(WaitFor([&] { return !OwnerGot(WM_VX_OPEN_SCREEN).empty(); }));
    auto opens = OwnerGot(WM_VX_OPEN_SCREEN);
    ASSERT_EQ(opens.size(), 1u);
    EXPECT_EQ(opens[0].wParam, g.target);
    EXPECT_EQ(opens[0].lParam, 0);
    EXPECT_EQ(opens[0].time != 0, g.sent) << (g.sent ? "sent" : "posted");
  }
}

INSTANTIATE_TEST_SUITE_P(Screens, CommonControlsTest, ::testing::ValuesIn(kScreens),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
