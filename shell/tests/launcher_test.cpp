// The three programs as separate processes of one device root: the launcher Larkspin starts the
// stand-in updater and the real VXMain (with stand-in screens), and they find each other through
// the shared window-handle table.
#include <signal.h>

#include <filesystem>

#include "larkspin/launcher_frame.h"
#include "larkspin/shared_table.h"
#include "shell_fixture.h"
#include "vxbase/prop_ce.h"

namespace shelltest {
namespace {

namespace pa = plat::automation;

const std::string kBin = "Program Files/Quorvan/Bin/";

class LauncherTest : public ::testing::Test {
 protected:
  void SetUp() override {
    port = server.start(0);
    ASSERT_GT(port, 0);
    root = MakeRoot(port, port + 1);
    ASSERT_FALSE(root.empty());
    plat::SetDeviceRoot(root);
    plat::win::ResetForTests();
    ASSERT_TRUE(CopyHostFile(LARKSPIN_PROGRAM, HostFile(root, kBin + "Larkspin.exe")));
    ASSERT_TRUE(CopyHostFile(VXMAIN_PROGRAM, HostFile(root, kBin + "VXMain.exe")));
    ASSERT_TRUE(CopyHostFile(STANDIN_UPDATER, HostFile(root, kBin + "ZRUpdate.exe")));
    SetString(VX_REG_STOCK, u"Connect Method", u"Internet");
  }
  void TearDown() override {
    if (launcher && WaitForSingleObject(launcher, 0) == WAIT_TIMEOUT) {
      // Still running: the whole system is asked to end as the main program would ask it.
      if (HWND l = SharedTable::Peer(Table()->launcher_hwnd)) SendMessage(l, WM_VX_SHUTDOWN, 0, 0);
      if (!LauncherEnded()) {
        ADD_FAILURE() << "the launcher did not end";
        TerminateProcess(launcher, 1);
      }
    }
    // Programs the launcher started and that are still there.
    SHARED_HWND_TABLE* t = SharedTable::Map(SharedTable::kJoin);
    for (uint32_t w : {t->main_hwnd, t->updater_hwnd}) {
      if (SharedTable::Peer(w)) {
        DWORD pid = 0;
        GetWindowThreadProcessId(w, &pid);
        if (pid) ::kill(static_cast<pid_t>(pid), SIGKILL);
      }
    }
    SharedTable::Unmap();
    if (launcher) CloseHandle(launcher);
    server.stop();
    RemoveRoot(root);
  }
  void StartLauncher() {
    STARTUPINFO si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    ASSERT_TRUE(CreateProcess(u"\\Program Files\\Quorvan\\Bin\\Larkspin.exe", nullptr, nullptr, nullptr, FALSE, 0,
                              nullptr, nullptr, &si, &pi));
    launcher = pi.hProcess;
  }
  SHARED_HWND_TABLE* Table() { return SharedTable::Map(SharedTable::kJoin); }
  bool WaitLog(const std::string& line, int count = 1, int ms = 10000) {
    return WaitReal(
        [&] {
          int n = 0;
          for (const std::string& l : StandinLog(root)) n += (l == line || l.rfind(line + " ", 0) == 0);
          return n >= count;
        },
        ms);
  }
  // All three programs up: the login screen is open and the updater has recorded itself.
  void WaitAllUp() {
    ASSERT_TRUE(WaitLog("VXLogin QUERY")) << ::testing::PrintToString(StandinLog(root));
    ASSERT_TRUE(WaitReal([&] { return SharedTable::Peer(Table()->updater_hwnd) != 0; }));
    ASSERT_TRUE(WaitReal([&] { return SharedTable::Peer(Table()->main_hwnd) != 0; }));
  }
  bool LauncherEnded(int ms = 10000) {
    return WaitReal([&] { return WaitForSingleObject(launcher, 0) == WAIT_OBJECT_0; }, ms);
  }
  std::string Events() { return ReadHostFile(HostFile(root, "run/events.log")); }
  // Waits until the program has handled everything in its queue, what its handlers posted in turn
  // included: the ground of a check that something did not happen there.
  void Settle(const char* program) {
    pa::client::Program p;
    std::string error;
    // A program registers for automation from a thread of its own once it has a window: its
    // window in the shared table may be seen before its registration.
    ASSERT_TRUE(WaitReal([&] { return pa::client::SelectProgram(root, program, 0, &p, &error); })) << error;
    pa::Result r = pa::client::Call(p, "settle", 10000);
    ASSERT_TRUE(r.ok) << program << ": " << r.error;
  }

  simsrv::TradingServer server;
  int port = 0;
  std::string root;
  HANDLE launcher = nullptr;
};

TEST_F(LauncherTest, StartsTheUpdaterAndTheMainProgramWhichOpensTheLogin) {
  StartLauncher();
  WaitAllUp();
  SHARED_HWND_TABLE* t = Table();
  EXPECT_EQ(t->launcher_mark, 66u);
  EXPECT_EQ(t->main_mark, 66u);
  EXPECT_EQ(t->updater_mark, 66u);
  EXPECT_NE(SharedTable::Peer(t->launcher_hwnd), 0u);
  EXPECT_NE(GetFileAttributes(u"QV_COMMON_MEMORY_MAP"), INVALID_FILE_ATTRIBUTES);
  EXPECT_EQ(WaitForSingleObject(launcher, 0), static_cast<DWORD>(WAIT_TIMEOUT));
  // The updater is started first, then the main program.
  std::string log = ReadHostFile(HostFile(root, "larkspin.txt"));
  size_t updaterAt = log.find("started \\Program Files\\Quorvan\\Bin\\ZRUpdate.exe");
  size_t mainAt = log.find("started \\Program Files\\Quorvan\\Bin\\VXMain.exe");
  ASSERT_NE(updaterAt, std::string::npos) << log;
  ASSERT_NE(mainAt, std::string::npos) << log;
  EXPECT_LT(updaterAt, mainAt);
}

// A lost connection asks for the whole system to end: the main program goes through the
// launcher, which closes the updater, ends the main program and itself.
TEST_F(LauncherTest, AWholeSystemExitOfTheMainProgramEndsAllThree) {
  StartLauncher();
  WaitAllUp();
  HWND main = Table()->main_hwnd;
  HWND updater = Table()->updater_hwnd;
  PostMessage(main, WM_VX_SOCKET_STATUS, 1903, 1);
  EXPECT_TRUE(LauncherEnded());
  EXPECT_TRUE(WaitReal([&] { return SharedTable::Peer(main) == 0 && SharedTable::Peer(updater) == 0; }, 10000));
  EXPECT_NE(Events().find("통신연결이 끊어졌습니다. 재접속 하시기 바랍니다.[4]"), std::string::npos);
  EXPECT_TRUE(WaitLog("ZRUpdate CLOSE"));
  EXPECT_TRUE(WaitLog("VXLogin EndDlg"));
}

// The whole start-up handshake across the three processes, then a normal end of the version check:
// the start screen opens, the updater and the launcher close, the main program runs on alone
// and, asked to end the whole system later, ends itself.
TEST_F(LauncherTest, ANormalVersionCheckLeavesTheMainProgramAloneOnTheStartScreen) {
  WriteHostFile(HostFile(root, "standin_updater.txt"), "done");
  StartLauncher();
  WaitAllUp();
  HWND main = Table()->main_hwnd;
  EXPECT_EQ(SendMessage(main, WM_VX_CONNECT, 0, 0), 1);
  ASSERT_TRUE(WaitLog("VXLogin CODES_READY"));
  EXPECT_TRUE(WaitLog("ZRUpdate VERSION_CONNECT 0 1"));
  SendMessage(main, WM_VX_LOGIN_DONE, 0, 0);
  ASSERT_TRUE(WaitLog("VX2001 QUERY")) << ::testing::PrintToString(StandinLog(root));
  EXPECT_TRUE(WaitLog("ZRUpdate CLOSE"));
  EXPECT_TRUE(LauncherEnded());
  EXPECT_TRUE(WaitLog("VXLogin EndDlg"));
  ASSERT_NE(SharedTable::Peer(main), 0u);

  // The screen's "X": the whole system is to end, and no launcher is left to do it.
  PostMessage(main, WM_VX_EXIT_APP, 1, 1);
  EXPECT_TRUE(WaitReal([&] { return SharedTable::Peer(main) == 0; }, 10000));
  EXPECT_TRUE(WaitLog("VX2001 EndDlg"));
}

TEST_F(LauncherTest, UpdateDoneWithoutGoingOnClosesOnlyTheUpdater) {
  StartLauncher();
  WaitAllUp();
  HWND launcherWnd = Table()->launcher_hwnd;
  HWND main = Table()->main_hwnd;
  SendMessage(launcherWnd, WM_VX_UPDATE_DONE, 0, 0);
  EXPECT_TRUE(WaitLog("ZRUpdate CLOSE"));
  EXPECT_TRUE(WaitReal([&] { return SharedTable::Peer(Table()->updater_hwnd) == 0; }));
  EXPECT_NE(SharedTable::Peer(main), 0u);
  EXPECT_NE(SharedTable::Peer(launcherWnd), 0u);
  // What the launcher sent the main program has been handled there, and what that posted in turn.
  ASSERT_NO_FATAL_FAILURE(Settle("Larkspin"));
  ASSERT_NO_FATAL_FAILURE(Settle("VXMain"));
  EXPECT_EQ(IndexOf(StandinLog(root), "VX2001 MainDlg"), -1);

  // Shutdown ends everything that is left.
  SendMessage(launcherWnd, WM_VX_SHUTDOWN, 0, 0);
  EXPECT_TRUE(LauncherEnded());
  EXPECT_TRUE(WaitReal([&] { return SharedTable::Peer(main) == 0; }, 10000));
  EXPECT_TRUE(WaitLog("VXLogin EndDlg"));
}

TEST_F(LauncherTest, ADeclinedUpdateEndsAllThreePrograms) {
  WriteHostFile(HostFile(root, "standin_updater.txt"), "shutdown");
  StartLauncher();
  WaitAllUp();
  HWND main = Table()->main_hwnd;
  SendMessage(main, WM_VX_LOGIN_DONE, 0, 0);
  EXPECT_TRUE(LauncherEnded());
  EXPECT_TRUE(
      WaitReal([&] { return SharedTable::Peer(main) == 0 && SharedTable::Peer(Table()->updater_hwnd) == 0; }, 10000));
  EXPECT_TRUE(WaitLog("ZRUpdate end"));
}

// New core files: both programs stop, exactly the downloaded files move into the program folder,
// and both programs start again.
TEST_F(LauncherTest, ReplacingCoreFilesMovesTheDownloadedOnesAndRestartsBothPrograms) {
  WriteHostFile(HostFile(root, "standin_updater.txt"), "replace");
  const std::string mark = "\nnew version";
  WriteHostFile(HostFile(root, "VXLogin.dll"), ReadHostFile(STANDIN_LOGIN) + mark);
  WriteHostFile(HostFile(root, "VXMain.exe"), ReadHostFile(VXMAIN_PROGRAM) + mark);
  WriteHostFile(HostFile(root, kBin + "Flitway.dll"), "not downloaded");
  StartLauncher();
  WaitAllUp();
  HWND main = Table()->main_hwnd;
  SendMessage(main, WM_VX_LOGIN_DONE, 0, 0);
  ASSERT_TRUE(WaitLog("ZRUpdate start", 2, 15000)) << ::testing::PrintToString(StandinLog(root));
  ASSERT_TRUE(WaitLog("VXLogin QUERY", 2, 15000)) << ::testing::PrintToString(StandinLog(root)) << Events();
  EXPECT_NE(Table()->main_hwnd, main);

  auto endsWith = [&](const std::string& s) {
    return s.size() > mark.size() && s.compare(s.size() - mark.size(), mark.size(), mark) == 0;
  };
  EXPECT_TRUE(endsWith(ReadHostFile(HostFile(root, kBin + "VXLogin.dll"))));
  EXPECT_TRUE(endsWith(ReadHostFile(HostFile(root, kBin + "VXMain.exe"))));
  EXPECT_FALSE(std::filesystem::exists(HostFile(root, "VXLogin.dll")));
  EXPECT_FALSE(std::filesystem::exists(HostFile(root, "VXMain.exe")));
  EXPECT_FALSE(std::filesystem::exists(HostFile(root, kBin + "VXMain.exe.old")));
  EXPECT_EQ(ReadHostFile(HostFile(root, kBin + "Flitway.dll")), "not downloaded");
  // The first main program ended before its file was replaced.
  auto log = StandinLog(root);
  int firstEnd = IndexOf(log, "VXLogin EndDlg");
  int secondStart = IndexOf(log, "ZRUpdate start", IndexOf(log, "ZRUpdate start") + 1);
  EXPECT_TRUE(firstEnd >= 0 && firstEnd < secondStart) << ::testing::PrintToString(log);

  SendMessage(Table()->launcher_hwnd, WM_VX_SHUTDOWN, 0, 0);
  EXPECT_TRUE(LauncherEnded());
}

// Windows left in the table by an earlier run are forgotten: a program that does not start this
// time is not mistaken for a running one. The launcher reports it and goes on.
TEST_F(LauncherTest, AnExistingTableIsStartedFreshAndAMissingProgramIsReported) {
  WriteHostFile(HostFile(root, "QV_COMMON_MEMORY_MAP"), "");
  SHARED_HWND_TABLE* t = Table();
  t->updater_mark = 66;
  t->updater_hwnd = 0x00100001;  // a handle of an earlier run
  std::filesystem::remove(HostFile(root, kBin + "ZRUpdate.exe"));
  StartLauncher();
  ASSERT_TRUE(WaitLog("VXLogin QUERY"));
  EXPECT_EQ(t->updater_hwnd, 0u);
  EXPECT_EQ(t->updater_mark, 0u);
  EXPECT_NE(Events().find("ERROR : Larkspin을 실행할 수 없습니다.[ZRUpdate.exe] 2"), std::string::npos);
  EXPECT_TRUE(ReadHostFile(HostFile(root, "QV_COMMON_MEMORY_MAP")).empty());

  // Without the updater the main program's connect fails instead of waiting.
  HWND main = t->main_hwnd;
  SendMessage(main, WM_VX_CONNECT, 0, 0);
  EXPECT_TRUE(WaitLog("VXLogin STATUS 1 Larkspin : 버전관리 서버 접속 실패"));
  SendMessage(t->launcher_hwnd, WM_VX_SHUTDOWN, 0, 0);
  EXPECT_TRUE(LauncherEnded());
  EXPECT_TRUE(WaitReal([&] { return SharedTable::Peer(main) == 0; }, 10000));
}

TEST_F(LauncherTest, WithoutTheConfigurationTheLauncherEndsAtOnce) {
  std::filesystem::remove(HostFile(root, kBin + "Pelvato.conf"));
  StartLauncher();
  EXPECT_TRUE(LauncherEnded());
  EXPECT_NE(Events().find("Larkspin : 설정파일 읽기 실패"), std::string::npos);
  EXPECT_TRUE(StandinLog(root).empty());
}

// A step of the replacement that fails keeps the old file in place and the new one where it was.
TEST(LauncherReplace, AFailedStepKeepsTheOldFile) {
  std::string root = MakeRoot(28100, 28101);
  plat::SetDeviceRoot(root);
  WriteHostFile(HostFile(root, "Flitway.dll"), "new flitway");
  WriteHostFile(HostFile(root, "VXBase.dll"), "new base");
  WriteHostFile(HostFile(root, kBin + "VXBase.dll"), "old base");
  WriteHostFile(HostFile(root, kBin + "Flitway.dll"), "old flitway");
  // The place where the old file would be set aside is taken by a folder that cannot go.
  WriteHostFile(HostFile(root, kBin + "VXBase.dll.old/keep"), "x");
  CLauncherFrame f;
  ASSERT_TRUE(f.ReadConfig());
  EXPECT_EQ(f.ReplaceCoreFiles(), 1);
  EXPECT_EQ(ReadHostFile(HostFile(root, kBin + "Flitway.dll")), "new flitway");
  EXPECT_EQ(ReadHostFile(HostFile(root, kBin + "VXBase.dll")), "old base");
  EXPECT_EQ(ReadHostFile(HostFile(root, "VXBase.dll")), "new base");
  RemoveRoot(root);
}

}  // namespace
}  // namespace shelltest
