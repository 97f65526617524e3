// VXMain's frame hosted in the test process against the simulated trading server: start-up,
// connecting directly and by dial-up, the keep-alive on the wire, the receive thread's reports,
// exit and release.
#include <cstring>

#include "larkspin/shared_table.h"
#include "plat/ras.h"
#include "shell_fixture.h"
#include "simserver/quiet.h"
#include "vxbase/prop_ce.h"

namespace shelltest {
namespace {

const std::string kLoginStatus = "VXLogin STATUS 0 ";

TEST_F(FrameTest, StartUpRecordsTheFrameAndOpensTheLoginScreen) {
  StartFrame();
  SHARED_HWND_TABLE* t = SharedTable::Map(SharedTable::kJoin);
  EXPECT_EQ(t->main_mark, 66u);
  EXPECT_EQ(t->main_hwnd, hwnd);
  auto log = Log();
  int main = IndexOf(log, "VXLogin MainDlg frame=1 socket=-1 thread=0 objects=1 auto=0");
  ASSERT_GE(main, 0) << ::testing::PrintToString(log);
  EXPECT_GT(IndexOf(log, "VXLogin QUERY", main), main);
  EXPECT_EQ(Utf8(OnUi<std::u16string>([&] { return std::u16string(frame->CurrentFile()); })), "VXLogin.dll");
  // "IsReal" is written when absent.
  EXPECT_TRUE(HasValue(VX_REG_STOCK, u"IsReal"));
}

TEST_F(FrameTest, InternetConnectRunsTheHandshakeAndSendsTheKeepAliveEvery120Seconds) {
  StartFrame();
  EXPECT_EQ(Send(WM_VX_CONNECT), 1);
  ASSERT_TRUE(WaitLog("VXLogin CODES_READY"));
  EXPECT_EQ(UpdaterLog(), std::vector<std::string>{"VERSION_CONNECT 0 1"});
  auto log = Log();
  int a = IndexOf(log, kLoginStatus + "서버1 연결중");
  int b = IndexOf(log, kLoginStatus + "서버2 연결중");
  int c = IndexOf(log, kLoginStatus + "종목 코드 읽는중");
  int codes = IndexOf(log, "VXLogin CODES_READY");
  EXPECT_TRUE(a >= 0 && a < b && b < c && c < codes) << ::testing::PrintToString(log);
  SOCKET s = OnUi<SOCKET>([&] { return frame->ConnectedSocket(); });
  EXPECT_EQ(log[codes], "VXLogin CODES_READY " + std::to_string(static_cast<long>(s)));
  EXPECT_TRUE(WaitReal([&] { return server.connectionCount() == 1; }));

  // Nothing is sent before the period is over; then one 1100 with a bare 15-byte header.
  size_t mark = server.logSize();
  d->Advance(119999);
  // The frame has settled; all it sent is at the server once a probe sent behind it has come.
  CVXSocketThread* thread = OnUi<CVXSocketThread*>([&] { return frame->SocketThread(); });
  ASSERT_TRUE(thread && simsrv::WaitQuiet(server, *d, *thread));
  for (const simsrv::LogEntry& early : server.requests(1100, mark))
    EXPECT_FALSE(early.body.empty()) << "a keep-alive before the period was over";  // the probe has a body
  mark = server.logSize();
  d->Advance(1);
  simsrv::LogEntry e;
  ASSERT_TRUE(server.waitForRequest(1100, 3000, &e, mark));
  const uint8_t expected[15] = {0, 0, 0, 15, 0x04, 0x4C, '4', 1, 0, 1, 1, '0', '0', 0, 0};
  ASSERT_EQ(e.header.size(), 15u);
  EXPECT_EQ(0, std::memcmp(e.header.data(), expected, 15));
  EXPECT_TRUE(e.body.empty());
  EXPECT_EQ(e.localAddress, "127.0.0.1");
  d->Advance(120000);
  EXPECT_TRUE(WaitReal([&] { return server.requests(1100, mark).size() == 2; }, 3000));
  EXPECT_TRUE(NoBox());
}

TEST_F(FrameTest, LoginDoneShowsTheUpdaterAndStartsTheVersionCheck) {
  StartFrame();
  SetString(VX_REG_STOCK, u"IsReal", u"TRUE");
  Send(WM_VX_LOGIN_DONE);
  EXPECT_TRUE(OnUi<bool>([&] { return frame->AutoReceive() != FALSE; }));
  auto log = UpdaterLog();
  ASSERT_EQ(log.size(), 1u);
  EXPECT_EQ(log[0], "VERSION_CHECK visible=1");
}

TEST_F(FrameTest, WithoutTheUpdaterTheVersionConnectFailsAndTheLoginGivesUp) {
  StartFrame(/*withUpdater=*/false);
  EXPECT_EQ(Send(WM_VX_CONNECT), 1);
  ASSERT_TRUE(WaitBox(u"Larkspin : 버전관리 서버 접속 실패"));
  EXPECT_TRUE(d->Answer(IDOK));
  EXPECT_TRUE(WaitLog("VXLogin STATUS 1 Larkspin : 버전관리 서버 접속 실패"));
  EXPECT_FALSE(LogHas("VXLogin CODES_READY"));
  EXPECT_TRUE(FrameAlive());
}

// Lost connections reported by the receive thread: each code its own text, then the program ends
// through the release, and ends itself although no launcher is there to shut it down.
TEST_F(FrameTest, LostConnectionReportsShowTheirTextAndEndTheProgram) {
  const struct {
    int code;
    const char16_t* text;
  } cases[] = {
      {1903, u"통신연결이 끊어졌습니다. 재접속 하시기 바랍니다.[4]"},
      {1904, u"통신연결이 끊어졌습니다. 재접속 하시기 바랍니다.[5]"},
      {1905, u"통신연결이 끊어졌습니다. 재접속 하시기 바랍니다.[6]"},
      {1906, u"통신연결이 끊어졌습니다. 재접속 하시기 바랍니다.[7]"},
      {1950, u"통신연결이 끊어졌습니다. 재접속 하시기 바랍니다.[8]"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.code);
    if (frame) {
      d->Ui([&] {
        delete frame;
        frame = nullptr;
      });
      std::remove(HostFile(root, "standin.log").c_str());
    }
    StartFrame();
    Post(WM_VX_SOCKET_STATUS, c.code, 1);
    ASSERT_TRUE(WaitBox(c.text));
    EXPECT_TRUE(FrameAlive());
    d->Answer(IDOK);
    EXPECT_TRUE(WaitFor([&] { return !FrameAlive(); }));
    EXPECT_TRUE(OnUi<bool>([&] { return frame->Released(); }));
    EXPECT_EQ(LogCount("VXLogin EndDlg"), 1);
  }
}

TEST_F(FrameTest, ServerClosingBeforeAnyPacketReportsTheLostConnection) {
  StartFrame();
  Send(WM_VX_CONNECT);
  ASSERT_TRUE(WaitLog("VXLogin CODES_READY"));
  ASSERT_TRUE(WaitReal([&] { return server.connectionCount() == 1; }));
  server.dropConnections();
  ASSERT_TRUE(WaitBox(u"통신연결이 끊어졌습니다. 재접속 하시기 바랍니다.[5]"));
  d->Answer(IDOK);
  EXPECT_TRUE(WaitFor([&] { return !FrameAlive(); }));
}

// Set-up failures reconnect, but only after a pause, and without a word to the user.
TEST_F(FrameTest, SetUpFailuresReconnectAfterAPause) {
  const struct {
    const char* name;
    const char16_t* address;
    bool closedPort;
  } cases[] = {
      {"refused", u"127.0.0.1", true},
      {"bad address", u"not-an-address", false},
  };
  StartFrame();
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    std::remove(HostFile(root, "standin.log").c_str());
    d->Ui([&] {
      // Point the frame's configuration at a server that is not there.
      std::string text = "[SERVER INFO]\r\nINTERNET SERVER=" + Utf8(c.address) +
                         "\r\nMAIN PORT NUMBER=" + std::to_string(c.closedPort ? 1 : port) +
                         "\r\n[SETUP INFO]\r\nSETUP EXE=\\Program Files\\Quorvan\\Bin\r\n";
      WriteHostFile(HostFile(root, "Program Files/Quorvan/Bin/Pelvato.conf"), text);
      delete frame;
      frame = new CVXMainFrame();
      frame->SetQuitOnDestroy(false);
      frame->Create();
      hwnd = frame->GetSafeHwnd();
    });
    EXPECT_EQ(Send(WM_VX_CONNECT), 1);
    ASSERT_TRUE(WaitLog(kLoginStatus + "서버1 연결중"));
    // The failed thread ends; the frame does not try again at once.
    // Its report was sent (and handled) before it ended; what the handler posted is handled too.
    EXPECT_TRUE(WaitFor(
        [&] { return OnUi<bool>([&] { return frame->SocketThread() && !frame->SocketThread()->Running(); }); }));
    d->Settle();
    EXPECT_FALSE(LogHas(kLoginStatus + "서버1 재연결중"));
    d->Advance(999);
    EXPECT_FALSE(LogHas(kLoginStatus + "서버1 재연결중"));
    d->Advance(1);
    EXPECT_TRUE(WaitLog(kLoginStatus + "서버1 재연결중"));
    EXPECT_TRUE(NoBox());
    EXPECT_EQ(server.acceptedCount(), 0);
  }
}

// A report of a socket that could not be made (1900) retries after the pause, and the retry
// that reaches the server carries on with the start-up handshake.
TEST_F(FrameTest, AFailedSocketIsRetriedAndTheRetryConnects) {
  StartFrame();
  Post(WM_VX_SOCKET_STATUS, 1900, 1);
  d->Advance(999);
  EXPECT_FALSE(LogHas(kLoginStatus + "서버1 재연결중"));
  d->Advance(1);
  EXPECT_TRUE(WaitLog(kLoginStatus + "서버1 재연결중"));
  EXPECT_TRUE(WaitLog("VXLogin CODES_READY"));
  EXPECT_TRUE(WaitReal([&] { return server.connectionCount() == 1; }));
  EXPECT_TRUE(NoBox());
}

TEST_F(FrameTest, ASendFailureOfAScreenEndsTheProgram) {
  StartFrame();
  Post(WM_VX_SEND_FAILED);
  ASSERT_TRUE(WaitBox(u"통신연결이 끊어졌습니다. 재접속하시기 바랍니다.[9]"));
  d->Answer(IDOK);
  EXPECT_TRUE(WaitFor([&] { return !FrameAlive(); }));
}

// A screen may end the program or reconnect while it handles a packet, that is while the
// receive thread waits for it: the thread is let go without a report and without a dead lock.
TEST_F(FrameTest, AScreenCanEndOrReconnectWhileItHandlesAPacket) {
  const struct {
    const char* file;
    bool ends;
  } cases[] = {
      {"standin_packet_connect.txt", false},
      {"standin_packet_exit.txt", true},
  };
  StartFrame();
  for (const auto& c : cases) {
    SCOPED_TRACE(c.file);
    std::remove(HostFile(root, "standin.log").c_str());
    int before = server.acceptedCount();
    Send(WM_VX_CONNECT);
    ASSERT_TRUE(WaitLog("VXLogin CODES_READY"));
    // The server has taken the new connection, and let go of the one before (so that the
    // push below reaches the live connection, not one that is closing).
    ASSERT_TRUE(WaitReal([&] { return server.acceptedCount() == before + 1 && server.connectionCount() == 1; }));
    int accepted = server.acceptedCount();
    WriteHostFile(HostFile(root, c.file), "1");
    ASSERT_EQ(server.pushRaw(9210, simsrv::Bytes(20, '0')), 1);
    ASSERT_TRUE(WaitLog("VXLogin PACKET"));
    std::remove(HostFile(root, c.file).c_str());
    if (c.ends) {
      EXPECT_TRUE(WaitFor([&] { return !FrameAlive(); }));
    } else {
      EXPECT_TRUE(
          WaitFor([&] { return server.acceptedCount() == accepted + 1 && LogCount("VXLogin CODES_READY") == 2; }));
      EXPECT_TRUE(FrameAlive());
    }
    EXPECT_TRUE(WaitReal([&] { return server.connectionCount() == (c.ends ? 0 : 1); }));
    d->Settle();
    EXPECT_TRUE(NoBox());
  }
}

// ---- exit and release -------------------------------------------------------------------------

void PutSessionValues() {
  SetDword(VX_REG_STOCK, u"Account Count", 2);
  SetString(VX_REG_STOCK, u"0", u"5555666601");
  SetString(VX_REG_STOCK, u"1", u"5555666602");
  SetString(VX_REG_STOCK, u"2", u"not an account of this session");
  SetDword(VX_REG_FUTOPT, u"Account Count", 1);
  SetString(VX_REG_FUTOPT, u"0", u"7777000001");
  SetString(VX_REG_FUTOPT, u"1", u"kept");
  SetString(u"Software\\Quorvan\\Zelvix\\Order Change", u"ChoiceAccount", u"0");
  SetString(u"Software\\Quorvan\\Zelvix\\Order Change", u"AccountNo", u"5555666601");
  SetString(u"Software\\Quorvan\\Zelvix\\Order Change", u"Price", u"70000");
  SetString(u"Software\\Quorvan\\FutOpt\\FutOpt Change", u"AccountNo", u"7777000001");
}

TEST_F(FrameTest, ExitAnsweredNoLeavesEverythingRunning) {
  StartFrame();
  PutSessionValues();
  Send(WM_VX_CONNECT);
  ASSERT_TRUE(WaitLog("VXLogin CODES_READY"));
  Post(WM_VX_EXIT_APP, 1, 0);
  ASSERT_TRUE(WaitBox(u"Pelvato을 종료하시겠습니까?", u"Halvenor"));
  d->Answer(IDNO);
  EXPECT_TRUE(FrameAlive());
  EXPECT_FALSE(OnUi<bool>([&] { return frame->Exiting(); }));
  EXPECT_TRUE(HasValue(VX_REG_STOCK, u"Account Count"));
  EXPECT_TRUE(WaitReal([&] { return server.connectionCount() == 1; }));
  EXPECT_FALSE(LogHas("VXLogin EndDlg"));
}

TEST_F(FrameTest, ExitAnsweredYesReleasesTheSessionAndSavesTheHistory) {
  StartFrame();
  PutSessionValues();
  Send(WM_VX_CONNECT);
  ASSERT_TRUE(WaitLog("VXLogin CODES_READY"));
  Post(WM_VX_EXIT_APP, 0, 0);
  ASSERT_TRUE(WaitBox(u"Pelvato을 종료하시겠습니까?", u"Halvenor"));
  d->Answer(IDYES);
  EXPECT_TRUE(WaitFor([&] { return !FrameAlive(); }));
  // Exactly the session's values went.
  EXPECT_FALSE(HasValue(VX_REG_STOCK, u"Account Count"));
  EXPECT_FALSE(HasValue(VX_REG_STOCK, u"0"));
  EXPECT_FALSE(HasValue(VX_REG_STOCK, u"1"));
  EXPECT_TRUE(HasValue(VX_REG_STOCK, u"2"));
  EXPECT_TRUE(HasValue(VX_REG_STOCK, u"Connect Method"));
  EXPECT_FALSE(HasValue(VX_REG_FUTOPT, u"Account Count"));
  EXPECT_FALSE(HasValue(VX_REG_FUTOPT, u"0"));
  EXPECT_TRUE(HasValue(VX_REG_FUTOPT, u"1"));
  EXPECT_FALSE(HasValue(u"Software\\Quorvan\\Zelvix\\Order Change", u"ChoiceAccount"));
  EXPECT_FALSE(HasValue(u"Software\\Quorvan\\Zelvix\\Order Change", u"AccountNo"));
  EXPECT_TRUE(HasValue(u"Software\\Quorvan\\Zelvix\\Order Change", u"Price"));
  EXPECT_FALSE(HasValue(u"Software\\Quorvan\\FutOpt\\FutOpt Change", u"AccountNo"));
  // The screen ended, the connection closed without a lost-connection report.
  EXPECT_EQ(LogCount("VXLogin EndDlg"), 1);
  EXPECT_TRUE(WaitReal([&] { return server.connectionCount() == 0; }));
  EXPECT_TRUE(NoBox());
  std::string history = ReadHostFile(HostFile(root, "Program Files/Quorvan/Bin/qv_his_menu.txt"));
  EXPECT_EQ(history, "90101$Login$ \n");
  std::string log = ReadHostFile(HostFile(root, "vx_main.txt"));
  EXPECT_NE(log.find("OnReleaseResource - in"), std::string::npos);
  EXPECT_NE(log.find("OnReleaseResource - out"), std::string::npos);
}

// A whole-system exit comes back from the launcher as a second exit while the first still runs.
TEST_F(FrameTest, ExitAndReleaseRunTwiceWithoutHarm) {
  StartFrame();
  PutSessionValues();
  d->Ui([&] {
    SendMessage(hwnd, WM_VX_EXIT_APP, 0, 1);
    SendMessage(hwnd, WM_VX_EXIT_APP, 0, 1);
    SendMessage(hwnd, WM_VX_RELEASE, 0, 0);
  });
  SetString(VX_REG_STOCK, u"Account Count", u"2");  // a new session's values are not touched again
  EXPECT_TRUE(WaitFor([&] { return !FrameAlive(); }));
  EXPECT_EQ(LogCount("VXLogin EndDlg"), 1);
  EXPECT_TRUE(HasValue(VX_REG_STOCK, u"Account Count"));
  EXPECT_TRUE(NoBox());
}

TEST_F(FrameTest, WholeSystemExitReachesTheLauncherWhenItIsThere) {
  StartFrame();
  d->Ui([&] {
    // The stand-in updater's window plays the launcher here.
    SharedTable::Map(SharedTable::kJoin)->launcher_hwnd = updater;
  });
  Post(WM_VX_EXIT_APP, 1, 1);
  EXPECT_TRUE(WaitFor([&] { return !FrameAlive(); }));
  auto log = UpdaterLog();
  EXPECT_EQ(std::count(log.begin(), log.end(), "SHUTDOWN"), 1);
}

// ---- dial-up ----------------------------------------------------------------------------------

class DialTest : public FrameTest {
 protected:
  void SetUp() override {
    FrameTest::SetUp();
    SetString(VX_REG_STOCK, u"Connect Method", u"Telephone");
    SetString(VX_REG_STOCK, u"Profile Name", u"QVDial");
    AddPhoneBookEntry(u"QVDial", u"modem");
  }
  std::vector<std::string> Statuses() {
    std::vector<std::string> out;
    for (const std::string& l : Log())
      if (l.rfind("VXLogin STATUS", 0) == 0) out.push_back(l.substr(std::strlen("VXLogin STATUS ")));
    return out;
  }
};

TEST_F(DialTest, ADialShowsEachStateAndConnectsToTheCarrierServer) {
  SetString(VX_REG_STOCK, u"Mobile Name", u"KTF");
  plat::ras::SetDialScript(u"QVDial", "0 1 2 3 5 10 12 14 8192");
  StartFrame();
  EXPECT_EQ(Send(WM_VX_CONNECT), 1);
  ASSERT_TRUE(WaitLog("VXLogin CODES_READY"));
  std::vector<std::string> expected = {"0 통신포트 연결 중",   "0 통신포트 연결 성공", "0 전화접속 연결 중",
                                       "0 전화접속 연결 성공", "0 전화접속 인증 중",   "0 AUTH_PROJ",
                                       "0 AUTH_RESP",          "0 전화접속 인증 성공", "0 서버1 연결중",
                                       "0 전화접속 성공",      "0 서버2 연결중",       "0 종목 코드 읽는중"};
  EXPECT_EQ(Statuses(), expected);
  EXPECT_EQ(UpdaterLog(), std::vector<std::string>{"VERSION_CONNECT 2 0"});
  size_t mark = server.logSize();
  d->Advance(120000);
  simsrv::LogEntry e;
  ASSERT_TRUE(server.waitForRequest(1100, 3000, &e, mark));
  EXPECT_EQ(e.localAddress, "127.0.0.3");
}

TEST_F(DialTest, AnAbsentMethodIsWrittenAsTelephoneAndDialled) {
  CPropCE reg;
  ASSERT_TRUE(reg.SetBaseKey(HKEY_LOCAL_MACHINE, VX_REG_STOCK));
  reg.DeleteValue(u"Connect Method");
  reg.Close();
  StartFrame();
  EXPECT_EQ(Send(WM_VX_CONNECT), 1);
  ASSERT_TRUE(WaitLog("VXLogin CODES_READY"));
  CPropCE check;
  ASSERT_TRUE(check.SetBaseKey(HKEY_LOCAL_MACHINE, VX_REG_STOCK));
  EXPECT_EQ(Utf8(check.GetValue(u"Connect Method")), "Telephone");
  plat::ras::DialRecord rec;
  EXPECT_TRUE(plat::ras::LastDial(u"QVDial", &rec));
}

// A dial event with an error ends the dial: hung up, and the login told to give up.
TEST_F(DialTest, ADialErrorHangsUpAndTellsTheScreen) {
  const struct {
    const char* script;
    const char* status;
  } cases[] = {
      {"0 1 2 3 5 6:647", "1 AUTH_ERR_ACCT_DISABLED"},
      {"0 1 2 3 5 6:709", "1 AUTH_ERR_CHG_PWD"},
      {"0 1 2 3 5 6:999", "1 AUTH_ERR_UNKNOWN"},
      {"0 1 2:678", "1 전화접속 연결 중"},
  };
  StartFrame();
  for (const auto& c : cases) {
    SCOPED_TRACE(c.script);
    std::remove(HostFile(root, "standin.log").c_str());
    size_t hangups = plat::ras::HangUpLog().size();
    plat::ras::SetDialScript(u"QVDial", c.script);
    EXPECT_EQ(Send(WM_VX_CONNECT), 1);
    ASSERT_TRUE(WaitFor([&] { return !Statuses().empty() && Statuses().back() == c.status; }))
        << ::testing::PrintToString(Statuses());
    EXPECT_EQ(plat::ras::HangUpLog().size(), hangups + 1);
    EXPECT_EQ(OnUi<CVXSocketThread*>([&] { return frame->SocketThread(); }), nullptr);
  }
  EXPECT_EQ(server.acceptedCount(), 0);
}

TEST_F(DialTest, ADialThatCannotStartIsReported) {
  plat::ras::SetDialScript(u"QVDial", "!633");
  StartFrame();
  LRESULT r = 0;
  d->Ui([&] { r = SendMessage(hwnd, WM_VX_CONNECT, 0, 0); });  // returns while the box waits
  ASSERT_TRUE(WaitBox(u"전화접속을 실패하였습니다."));
  d->Answer(IDOK);
  d->Settle();
  EXPECT_EQ(r, -1);
}

TEST_F(DialTest, AnExistingConnectionIsUsedWithoutDialling) {
  const struct {
    const char16_t* deviceType;
    const char* address;
    const char* versionConnect;
  } cases[] = {
      {u"modem", "127.0.0.2", "VERSION_CONNECT 1 0"},
      {u"direct", "127.0.0.1", "VERSION_CONNECT 0 1"},
  };
  StartFrame();
  for (const auto& c : cases) {
    SCOPED_TRACE(Utf8(c.deviceType));
    plat::ras::Reset();
    AddPhoneBookEntry(u"Cradle", c.deviceType);
    ASSERT_NE(plat::ras::AddConnection(u"Cradle"), 0u);
    size_t mark = server.logSize();
    size_t updaterMark = UpdaterLog().size();
    EXPECT_EQ(Send(WM_VX_CONNECT), 1);
    ASSERT_TRUE(WaitFor([&] { return UpdaterLog().size() > updaterMark; }));
    EXPECT_EQ(UpdaterLog().back(), c.versionConnect);
    plat::ras::DialRecord rec;
    EXPECT_FALSE(plat::ras::LastDial(u"QVDial", &rec));
    d->Advance(120000);
    simsrv::LogEntry e;
    ASSERT_TRUE(server.waitForRequest(1100, 3000, &e, mark));
    EXPECT_EQ(e.localAddress, c.address);
  }
}

// One redial per process life; the second drop ends the program through the release.
TEST_F(DialTest, ADroppedLinkIsRedialledOnceAndTheSecondDropEndsTheProgram) {
  StartFrame();
  SetDword(VX_REG_STOCK, u"Account Count", 1);
  SetString(VX_REG_STOCK, u"0", u"5555666601");
  EXPECT_EQ(Send(WM_VX_CONNECT), 1);
  ASSERT_TRUE(WaitLog("VXLogin CODES_READY"));
  ASSERT_TRUE(WaitReal([&] { return server.connectionCount() == 1; }));

  ASSERT_TRUE(plat::ras::DropConnection(u"QVDial"));
  ASSERT_TRUE(WaitLog(kLoginStatus + "전화접속 재연결 중"));
  EXPECT_EQ(OnUi<int>([&] { return frame->RedialBudget(); }), 1);
  // The thread was stopped on purpose: no lost-connection box.
  EXPECT_TRUE(WaitReal([&] { return server.connectionCount() == 0; }));
  d->Settle();
  EXPECT_TRUE(NoBox());
  d->Advance(500);
  ASSERT_TRUE(WaitFor([&] { return server.acceptedCount() == 2 && LogCount("VXLogin CODES_READY") == 2; }));

  ASSERT_TRUE(plat::ras::DropConnection(u"QVDial"));
  ASSERT_TRUE(WaitBox(u"전화연결이 끊어졌습니다. 재접속하시기 바랍니다."));
  d->Answer(IDOK);
  EXPECT_TRUE(WaitFor([&] { return !FrameAlive(); }));
  EXPECT_FALSE(HasValue(VX_REG_STOCK, u"Account Count"));
  EXPECT_FALSE(HasValue(VX_REG_STOCK, u"0"));
  EXPECT_EQ(server.acceptedCount(), 2);
  auto hangups = plat::ras::HangUpLog();
  EXPECT_FALSE(hangups.empty());
}

}  // namespace
}  // namespace shelltest
