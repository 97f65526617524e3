// The screen host driven through WM_VX_OPEN_SCREEN with stand-in plug-ins.
#include <cstdlib>
#include <map>
#include <sstream>

#include "shell_fixture.h"
#include "vxbase/prop_ce.h"

namespace shelltest {
namespace {

class ScreenHostTest : public FrameTest {
 protected:
  void SetUp() override {
    FrameTest::SetUp();
    StartFrame();
    ASSERT_TRUE(LogHas("VXLogin QUERY"));
  }
  std::string Current() {
    return Utf8(OnUi<std::u16string>([&] { return std::u16string(frame->CurrentFile()); }));
  }
  bool Loaded(const char16_t* name) {
    return OnUi<bool>([&] { return GetModuleHandle(name) != nullptr; });
  }
};

TEST_F(ScreenHostTest, ASwitchMakesTheNewScreenCurrentAndEndsThePreviousHalfASecondLater) {
  Send(WM_VX_OPEN_SCREEN, 91001);
  EXPECT_EQ(Current(), "VX2002.dll");
  auto log = Log();
  int main = IndexOf(log, "VX2002 MainDlg");
  ASSERT_GE(main, 0);
  EXPECT_GT(IndexOf(log, "VX2002 QUERY", main), main);
  EXPECT_FALSE(LogHas("VXLogin EndDlg"));
  d->Advance(499);
  EXPECT_FALSE(LogHas("VXLogin EndDlg"));
  EXPECT_TRUE(Loaded(u"VXLogin.dll"));
  d->Advance(1);
  log = Log();
  EXPECT_GT(IndexOf(log, "VXLogin EndDlg"), IndexOf(log, "VX2002 QUERY"));
  EXPECT_FALSE(Loaded(u"VXLogin.dll"));
  EXPECT_EQ(OnUi<HMODULE>([&] { return frame->PreviousModule(); }), nullptr);
  // Both switches are in the device's event log, in order, with id and plug-in file.
  std::string events = ReadHostFile(HostFile(root, "run/events.log"));
  size_t login = events.find("\tscreen\t90101\tVXLogin.dll\t");
  size_t quote = events.find("\tscreen\t91001\tVX2002.dll\t");
  ASSERT_NE(login, std::string::npos) << events;
  ASSERT_NE(quote, std::string::npos) << events;
  EXPECT_LT(login, quote);
}

TEST_F(ScreenHostTest, ASecondSwitchWithinHalfASecondEndsTheWaitingScreenAtOnce) {
  Send(WM_VX_OPEN_SCREEN, 91001);
  d->Advance(200);
  Send(WM_VX_OPEN_SCREEN, 90101);
  // The login, still waiting for its end, is ended before it is opened again.
  auto log = Log();
  int end = IndexOf(log, "VXLogin EndDlg");
  ASSERT_GE(end, 0);
  EXPECT_GT(IndexOf(log, "VXLogin MainDlg", end), end);
  EXPECT_EQ(Current(), "VXLogin.dll");
  d->Advance(500);
  EXPECT_EQ(LogCount("VX2002 EndDlg"), 1);
  EXPECT_EQ(LogCount("VXLogin EndDlg"), 1);
  EXPECT_TRUE(Loaded(u"VXLogin.dll"));
  EXPECT_FALSE(Loaded(u"VX2002.dll"));
}

TEST_F(ScreenHostTest, RefusedRequestsLeaveTheCurrentScreen) {
  const struct {
    const char* name;
    UINT id;
    const char16_t* text;
    const char16_t* caption;
    const char16_t* module;
  } cases[] = {
      {"unknown id", 99999, u"서비스 준비중입니다.", u"준비중", nullptr},
      {"file missing", 91004, u"선택된 화면이 존재하지 않습니다.", u"알림", nullptr},
      {"no MainDlg", 91002, nullptr, nullptr, u"NoMain.dll"},
      {"no EndDlg", 91003, nullptr, nullptr, u"NoEnd.dll"},
      {"the same screen", 90101, nullptr, nullptr, nullptr},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    size_t lines = Log().size();
    Post(WM_VX_OPEN_SCREEN, c.id);
    if (c.text) {
      ASSERT_TRUE(WaitBox(c.text, c.caption));
      d->Answer(IDOK);
    }
    d->Advance(600);
    EXPECT_TRUE(NoBox());
    EXPECT_EQ(Current(), "VXLogin.dll");
    EXPECT_EQ(Log().size(), lines) << ::testing::PrintToString(Log());
    EXPECT_EQ(OnUi<HMODULE>([&] { return frame->PreviousModule(); }), nullptr);
    if (c.module) {
      EXPECT_FALSE(Loaded(c.module));
    }
  }
  // Only the screen that opened stays in the history.
  Send(WM_VX_EXIT_APP, 0, 1);
  EXPECT_EQ(ReadHostFile(HostFile(root, "Program Files/Quorvan/Bin/qv_his_menu.txt")), "90101$Login$ \n");
}

TEST_F(ScreenHostTest, TheStartScreenReReadsTheMenuFile) {
  const std::string menu = HostFile(root, "Program Files/Quorvan/Bin/menu.conf");
  // The updater brought a new menu: the start screen is now another plug-in.
  WriteHostFile(menu, "1000:Start:90100:VX2002.dll\r\n1000:Login:90101:VXLogin.dll\r\n");
  Send(WM_VX_OPEN_SCREEN, 90100);
  EXPECT_EQ(Current(), "VX2002.dll");
  EXPECT_FALSE(LogHas("VX2001 MainDlg"));
  // Another id of the old menu is gone with it.
  Post(WM_VX_OPEN_SCREEN, 91003);
  ASSERT_TRUE(WaitBox(u"서비스 준비중입니다."));
  d->Answer(IDOK);

  // A menu that cannot be read keeps the one that works.
  std::remove(menu.c_str());
  Post(WM_VX_OPEN_SCREEN, 90100);
  plat::win::MessageBoxInfo b;
  if (plat::win::WaitForMessageBox(&b, 2000)) d->Answer(b.buttons.front());
  d->Settle();
  EXPECT_TRUE(NoBox());
  EXPECT_EQ(Current(), "VX2002.dll");
  Send(WM_VX_OPEN_SCREEN, 90101);
  EXPECT_EQ(Current(), "VXLogin.dll");
}

TEST_F(ScreenHostTest, CloseScreenEndsTheCurrentScreen) {
  Send(WM_VX_CLOSE_SCREEN);
  EXPECT_EQ(LogCount("VXLogin EndDlg"), 1);
  EXPECT_EQ(Current(), "");
  EXPECT_FALSE(Loaded(u"VXLogin.dll"));
  // The next screen opens normally, with no previous screen to end.
  Send(WM_VX_OPEN_SCREEN, 90100);
  EXPECT_EQ(Current(), "VX2001.dll");
  d->Advance(500);
  EXPECT_EQ(LogCount("VXLogin EndDlg"), 1);
}

TEST_F(ScreenHostTest, ScreensOpenedAfterTheConnectGetTheSocketAndTheThread) {
  SetString(VX_REG_STOCK, u"IsReal", u"TRUE");
  Send(WM_VX_CONNECT);
  ASSERT_TRUE(WaitLog("VXLogin CODES_READY"));
  Send(WM_VX_SET_AUTO_RECEIVE, 0, 1);
  Send(WM_VX_OPEN_SCREEN, 91001);
  SOCKET s = OnUi<SOCKET>([&] { return frame->ConnectedSocket(); });
  EXPECT_TRUE(LogHas("VX2002 MainDlg frame=1 socket=" + std::to_string(static_cast<int32_t>(s)) +
                     " thread=1 objects=1 auto=1"));
}

// ---- A screen ended while its own handler runs a box, a menu or a finder ----------------------

// The stand-in screen runs, inside the handler of this message, wParam 1 a box with OK, 2 a
// yes/no box, 3 a pop-up menu, 4 a modal dialog (standin_screen.cpp).
constexpr UINT WM_STANDIN_MODAL = WM_APP + 0x200;

struct ModalKind {
  int kind;
  int cancelAnswer;  // what the handler gets when the host ends its loop
};
constexpr ModalKind kModalKinds[] = {{1, IDOK}, {2, IDNO}, {3, 0}, {4, IDCANCEL}};

struct PlugIn {
  UINT id;
  const char* name;
};
constexpr PlugIn kPlugIns[] = {{91001, "VX2002"}, {90100, "VX2001"}, {90101, "VXLogin"}};

// Switches from the current screen while its handler is inside a box, menu or modal dialog.
// The end of the screen being left comes from the 500 ms timer (way 0), from a second switch
// within 500 ms (way 1) or from opening its own plug-in again at once (way 2); every time the
// screen's loop ends with its cancelling answer, the handler returns into its live object and
// only then is the screen ended. The sanitizer build turns any return into a deleted screen into
// a failure. LARKSPIN_SWITCH_LOOP=N runs N switches instead of 1,200 (360 under the thread
// sanitizer, which runs each switch some twenty times slower: still every box kind and way of
// ending thirty times, within the test's time-out on a loaded machine).
TEST_F(ScreenHostTest, SwitchesWithABoxMenuOrFinderPendingEndTheOldScreenOnlyAfterItsHandlerReturned) {
#if defined(__SANITIZE_THREAD__)
  int switches = 360;
#else
  int switches = 1200;
#endif
  if (const char* env = std::getenv("LARKSPIN_SWITCH_LOOP")) switches = std::max(1, std::atoi(env));
  int cur = 2;  // the login is current
  std::vector<int> runs(std::size(kModalKinds), 0);
  for (int i = 0; i < switches; ++i) {
    const ModalKind& m = kModalKinds[i % std::size(kModalKinds)];
    int way = (i / static_cast<int>(std::size(kModalKinds))) % 3;
    HWND screen = OnUi<HWND>([&] { return frame->CurrentScreen(); });
    d->Ui([&] { PostMessage(screen, WM_STANDIN_MODAL, m.kind, 0); });
    ASSERT_TRUE(OnUi<bool>([&] { return plat::win::WindowCodeRunning(screen); })) << "switch " << i;
    int next = (cur + 1) % 3;
    Post(WM_VX_OPEN_SCREEN, kPlugIns[next].id);
    if (way == 0) {
      d->Advance(kVXEndPreviousMs);
    } else if (way == 1) {
      int third = (next + 1) % 3;
      Post(WM_VX_OPEN_SCREEN, kPlugIns[third].id);
      next = third;
      d->Advance(kVXEndPreviousMs);
    } else {
      Post(WM_VX_OPEN_SCREEN, kPlugIns[cur].id);  // the plug-in whose screen is still in its loop
      next = cur;
      d->Advance(kVXEndPreviousMs);
    }
    runs[i % std::size(kModalKinds)]++;
    cur = next;
    ASSERT_EQ(Current(), std::string(kPlugIns[cur].name) + ".dll") << "switch " << i << " way " << way;
    ASSERT_EQ(OnUi<size_t>([&] { return frame->WaitingScreens(); }), 0u) << "switch " << i;
    ASSERT_FALSE(plat::win::PendingMessageBox(nullptr) || plat::win::PendingMenu(nullptr)) << "switch " << i;
  }
  ASSERT_TRUE(FrameAlive());
  // Every loop gave its cancelling answer (a yes/no box never "yes") to a screen still alive.
  std::map<std::string, bool> alive;
  std::vector<int> answered(std::size(kModalKinds), 0);
  for (const std::string& line : Log()) {
    std::istringstream in(line);
    std::string name, event;
    int kind = 0, answer = -1;
    in >> name >> event;
    if (event == "MainDlg") {
      ASSERT_FALSE(alive[name]) << "two screens of " << name;
      alive[name] = true;
    } else if (event == "EndDlg") {
      alive[name] = false;
    } else if (event == "MODAL") {
      in >> kind >> answer;
      ASSERT_TRUE(alive[name]) << "a handler of an ended screen returned: " << line;
      ASSERT_EQ(answer, kModalKinds[kind - 1].cancelAnswer) << line;
      answered[kind - 1]++;
    }
  }
  EXPECT_EQ(answered, runs);
}

}  // namespace
}  // namespace shelltest
