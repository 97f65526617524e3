// The whole start-up with the real updater and the real login when they are built: the launcher
// starts ZRUpdate and VXMain, the user logs in on VXLogin, the version check finds nothing new,
// the launcher opens the start screen and leaves the main program running alone.
#include <signal.h>
#include <stdlib.h>

#include <filesystem>

#include "larkspin/shared_table.h"
#include "shell_fixture.h"
#include "simver/version_server.h"
#include "vxbase/prop_ce.h"

namespace shelltest {
namespace {

namespace fs = std::filesystem;
namespace pa = plat::automation;

const std::string kBin = "Program Files/Quorvan/Bin/";

std::string Built(const std::string& name) { return (fs::path(VXMAIN_PROGRAM).parent_path() / name).string(); }

// Whatever the test's outcome, no program of its device root outlives it.
struct Cleanup {
  std::string root;
  HANDLE launcher = nullptr;
  ~Cleanup() {
    if (launcher && WaitForSingleObject(launcher, 0) == WAIT_TIMEOUT) TerminateProcess(launcher, 1);
    if (SHARED_HWND_TABLE* t = SharedTable::Map(SharedTable::kJoin)) {
      for (uint32_t w : {t->main_hwnd, t->updater_hwnd}) {
        DWORD pid = 0;
        if (SharedTable::Peer(w)) GetWindowThreadProcessId(w, &pid);
        if (pid) ::kill(static_cast<pid_t>(pid), SIGKILL);
      }
    }
    if (launcher) CloseHandle(launcher);
    SharedTable::Unmap();
    RemoveRoot(root);
  }
};

TEST(SystemTest, LoginVersionCheckAndStartScreenWithTheRealUpdaterAndLogin) {
  for (const char* f : {"ZRUpdate", "VXLogin.so", "handset_hvsdk.so", "handset_cb.so"}) {
    if (!fs::exists(Built(f))) GTEST_SKIP() << Built(f) << " is not built";
  }
  simsrv::TradingServer server;
  int port = server.start(0);
  ASSERT_GT(port, 0);
  simver::VersionServer versions(VERSION_CURRENT_DIR);
  int versionPort = versions.start(0);
  ASSERT_GT(versionPort, 0) << versions.lastError();
  std::string root = MakeRoot(port, versionPort);
  Cleanup cleanup{root};
  plat::SetDeviceRoot(root);
  plat::win::ResetForTests();
  ASSERT_TRUE(CopyHostFile(LARKSPIN_PROGRAM, HostFile(root, kBin + "Larkspin.exe")));
  ASSERT_TRUE(CopyHostFile(VXMAIN_PROGRAM, HostFile(root, kBin + "VXMain.exe")));
  ASSERT_TRUE(CopyHostFile(Built("ZRUpdate"), HostFile(root, kBin + "ZRUpdate.exe")));
  ASSERT_TRUE(CopyHostFile(Built("VXLogin.so"), HostFile(root, kBin + "VXLogin.dll")));
  ASSERT_TRUE(CopyHostFile(Built("handset_hvsdk.so"), HostFile(root, kBin + "hvsdk.dll")));
  ASSERT_TRUE(CopyHostFile(Built("handset_cb.so"), HostFile(root, kBin + "cb.dll")));
  SetString(VX_REG_STOCK, u"Connect Method", u"Internet");

  setenv("LARKSPIN_AUTOMATION", "1", 1);  // boxes wait for an answer, as a user's would
  STARTUPINFO si{};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi{};
  ASSERT_TRUE(CreateProcess(u"\\Program Files\\Quorvan\\Bin\\Larkspin.exe", nullptr, nullptr, nullptr, FALSE, 0,
                            nullptr, nullptr, &si, &pi));
  unsetenv("LARKSPIN_AUTOMATION");
  cleanup.launcher = pi.hProcess;

  pa::client::Program main;
  ASSERT_TRUE(WaitReal(
      [&] {
        std::string err;
        return pa::client::SelectProgram(root, "VXMain", 0, &main, &err);
      },
      10000));
  auto call = [&](const std::string& line) {
    pa::Result r = pa::client::Call(main, line, 10000);
    EXPECT_TRUE(r.ok) << line << ": " << r.error;
    return r;
  };
  call("wait window 1002");
  // The launcher starts the main program once the updater has recorded itself.
  EXPECT_NE(SharedTable::Peer(SharedTable::Map(SharedTable::kJoin)->updater_hwnd), 0u);
  call("type 1000 demo");
  call("type 1001 1234");
  call("tap 1002");

  // Logged in on one connection, the start screen opened, the launcher and the updater gone.
  EXPECT_TRUE(WaitReal([&] { return IndexOf(StandinLog(root), "VX2001 QUERY") >= 0; }, 15000))
      << ::testing::PrintToString(StandinLog(root)) << call("box").Text();
  EXPECT_TRUE(WaitReal([&] { return WaitForSingleObject(pi.hProcess, 0) == WAIT_OBJECT_0; }, 10000));
  SHARED_HWND_TABLE* t = SharedTable::Map(SharedTable::kJoin);
  EXPECT_TRUE(WaitReal([&] { return SharedTable::Peer(t->updater_hwnd) == 0; }, 10000));
  HWND mainWnd = t->main_hwnd;
  EXPECT_NE(SharedTable::Peer(mainWnd), 0u);
  auto logins = server.requests(4020);
  ASSERT_EQ(logins.size(), 1u);
  EXPECT_FALSE(server.requests(1000).empty());
  EXPECT_EQ(server.acceptedCount(), 1);
  EXPECT_TRUE(HasValue(VX_REG_STOCK, u"Account Count"));

  // The screen's "X" with the question answered Yes: the session's accounts leave the registry
  // and the main program ends, although the launcher is gone.
  PostMessage(mainWnd, WM_VX_EXIT_APP, 1, 0);
  call("wait box");
  pa::client::Call(main, "answer 6", 10000);  // the program ends before it could settle
  EXPECT_TRUE(WaitReal([&] { return SharedTable::Peer(mainWnd) == 0; }, 10000));
  EXPECT_FALSE(HasValue(VX_REG_STOCK, u"Account Count"));

  versions.stop();
  server.stop();
}

}  // namespace
}  // namespace shelltest
