// The screen host driven through WM_VX_OPEN_SCREEN with stand-in plug-ins.
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
    std::string Current() { return Utf8(OnUi<std::u16string>([&] { return std::u16string(frame->CurrentFile()); })); }
    bool Loaded(const char16_t* name) { return OnUi<bool>([&] { return GetModuleHandle(name) != nullptr; }); }
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

}  // namespace
}  // namespace shelltest
