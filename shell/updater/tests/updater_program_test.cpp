// The ZRUpdate program itself as a process of its own, with the test process standing in for the
// launcher and the main program: the start-up handshake, the check, the boxes answered through
// the automation endpoint, the results to the launcher, and the program's end, as the device's
// event log records them.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "devicedata/sample_device.h"
#include "larkspin/shared_table.h"
#include "plat/automation.h"
#include "plat/windows.h"
#include "simver/version_server.h"
#include "vxbase/messages.h"

namespace {

namespace fs = std::filesystem;
namespace client = plat::automation::client;

HWND g_launcher = 0;
std::vector<UINT> g_launcherGot;
std::vector<UINT> g_mainGot;

// The launcher closes the updater whenever the check reports back (it sends itself
// WM_VX_UPDATE_DONE on a shutdown and on a core replacement too).
LRESULT StandInProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg >= WM_USER && msg < WM_APP) {
    (hwnd == g_launcher ? g_launcherGot : g_mainGot).push_back(msg);
    if (hwnd == g_launcher && (msg == WM_VX_UPDATE_DONE || msg == WM_VX_SHUTDOWN || msg == WM_VX_REPLACE_CORE)) {
      if (SHARED_HWND_TABLE* t = SharedTable::Map(SharedTable::kJoin))
        if (HWND updater = SharedTable::Peer(t->updater_hwnd)) PostMessage(updater, WM_CLOSE, 0, 0);
    }
    return 1;
  }
  return DefWindowProc(hwnd, msg, wParam, lParam);
}

class UpdaterProgramTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/zrprogram.XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    root_ = pattern;
    plat::SetDeviceRoot(root_);
    setenv("LARKSPIN_ROOT", root_.c_str(), 1);
    setenv("LARKSPIN_AUTOMATION", "1", 1);  // the program's boxes wait for an answer
    plat::win::ResetForTests();
    SharedTable::Unmap();
    g_launcherGot.clear();
    g_mainGot.clear();
    WNDCLASS wc{};
    wc.lpfnWndProc = StandInProc;
    wc.lpszClassName = u"ZRUProgramStandIn";
    ASSERT_NE(RegisterClass(&wc), 0u);
    g_launcher =
        CreateWindowEx(0, u"ZRUProgramStandIn", u"launcher", WS_POPUP, 0, 0, 1, 1, 0, nullptr, nullptr, nullptr);
    main_ = CreateWindowEx(0, u"ZRUProgramStandIn", u"main", WS_POPUP, 0, 0, 1, 1, 0, nullptr, nullptr, nullptr);
    ASSERT_TRUE(g_launcher && main_);
    ASSERT_TRUE(SharedTable::EnsureMarkerFile());
    SHARED_HWND_TABLE* t = SharedTable::Map(SharedTable::kFresh);
    ASSERT_NE(t, nullptr);
    t->launcher_mark = t->main_mark = VX_TABLE_MARK;
    t->launcher_hwnd = g_launcher;
    t->main_hwnd = main_;
  }

  void TearDown() override {
    if (process_) {
      if (WaitForSingleObject(process_, 0) == WAIT_TIMEOUT) TerminateProcess(process_, 1);
      CloseHandle(process_);
    }
    if (server_) server_->stop();
    unsetenv("LARKSPIN_AUTOMATION");
    SharedTable::Unmap();
    plat::win::ResetForTests();
    std::error_code ignored;
    fs::remove_all(root_, ignored);
  }

  void Serve(const std::string& folder, bool withVersionList = true) {
    server_ = std::make_unique<simver::VersionServer>(folder);
    const int port = server_->start(0);
    ASSERT_GT(port, 0) << server_->lastError();
    devicedata::Options o;
    o.mainPort = 1;
    o.versionPort = port;
    o.withoutVersionList = !withVersionList;
    std::string err;
    ASSERT_TRUE(devicedata::CopyTo(root_, o, err)) << err;
    const fs::path exe = fs::path(root_) / "Program Files/Quorvan/Bin/ZRUpdate.exe";
    fs::copy_file(ZRUPDATE_PROGRAM, exe, fs::copy_options::overwrite_existing);
    fs::permissions(exe, fs::perms::owner_all, fs::perm_options::add);
  }

  // As the launcher starts it; then as the main program connects it and, after the login, shows
  // it and starts the check.
  void StartAndCheck() {
    PROCESS_INFORMATION pi{};
    ASSERT_TRUE(CreateProcess(u"\\Program Files\\Quorvan\\Bin\\ZRUpdate.exe", nullptr, nullptr, nullptr, FALSE, 0,
                              nullptr, nullptr, nullptr, &pi));
    process_ = pi.hProcess;
    ASSERT_TRUE(plat::win::PumpUntil([&] { return Updater() != 0; }, 10000));
    ASSERT_EQ(static_cast<long>(SendMessage(Updater(), WM_VX_VERSION_CONNECT, 2, 0)), 0);
    ASSERT_TRUE(plat::win::PumpUntil([&] { return !g_mainGot.empty(); }, 5000));
    ShowWindow(Updater(), SW_SHOW);
    SendMessage(Updater(), WM_VX_VERSION_CHECK, 0, 0);
  }

  HWND Updater() const {
    SHARED_HWND_TABLE* t = SharedTable::Map(SharedTable::kJoin);
    return t ? SharedTable::Peer(t->updater_hwnd) : 0;
  }

  // Pumps the stand-ins' messages until a box is pending in the program; returns its text.
  std::string WaitBox() {
    client::Program p;
    std::string err;
    for (int i = 0; i < 200; ++i) {
      plat::win::PumpUntil([] { return false; }, 20);
      if (!client::SelectProgram(root_, "ZRUpdate", 0, &p, &err)) continue;
      const auto r = client::Call(p, "box", 5000);
      if (r.ok && !r.lines.empty() && r.lines[0] != "none") {
        for (const auto& line : r.lines)
          if (line.rfind("text ", 0) == 0) return line.substr(5);
      }
    }
    return "";
  }
  bool Command(const std::string& line) {
    client::Program p;
    std::string err;
    if (!client::SelectProgram(root_, "ZRUpdate", 0, &p, &err)) return false;
    // The command settles the program, which may send to the launcher stand-in of this
    // thread on the way (the update done): this thread keeps pumping meanwhile.
    plat::automation::Result r;
    std::atomic<bool> done{false};
    std::thread call([&] {
      r = client::Call(p, line, 5000);
      done = true;
    });
    plat::win::PumpUntil([&] { return done.load(); }, 30000);
    call.join();
    if (!r.ok) ADD_FAILURE() << line << ": " << r.error;
    return r.ok;
  }

  // Waits until the program has ended, pumping the stand-ins meanwhile.
  bool WaitExit() {
    return plat::win::PumpUntil([&] { return WaitForSingleObject(process_, 0) == WAIT_OBJECT_0; }, 10000);
  }

  // Event-log lines of one kind that carry this message number.
  int Events(const std::string& kind, UINT msg) const {
    std::ifstream in(fs::path(root_) / "run/events.log");
    std::string line;
    int n = 0;
    while (std::getline(in, line)) {
      std::vector<std::string> f;
      std::stringstream ss(line);
      std::string field;
      while (std::getline(ss, field, '\t')) f.push_back(field);
      if (f.size() > 4 && f[2] == kind && f[4] == std::to_string(msg)) ++n;
    }
    return n;
  }

  std::string root_;
  HWND main_ = 0;
  HANDLE process_ = nullptr;
  std::unique_ptr<simver::VersionServer> server_;
};

TEST_F(UpdaterProgramTest, NothingNewOnlyTheMainProgramRemains) {
  Serve(VERSION_CURRENT_DIR);
  StartAndCheck();
  ASSERT_TRUE(WaitExit());
  EXPECT_EQ(g_launcherGot, std::vector<UINT>{WM_VX_UPDATE_DONE});
  EXPECT_EQ(Events("send", WM_VX_VERSION_CONNECTED), 1);
  EXPECT_EQ(Events("send", WM_VX_UPDATE_DONE), 1);
  ASSERT_TRUE(server_->waitSettled(std::chrono::seconds(10)));  // a reply may be read before it is logged
  ASSERT_FALSE(server_->requests().empty());
  EXPECT_EQ(server_->requests().back().localAddress, "127.0.0.3");
}

TEST_F(UpdaterProgramTest, FilesDownloadedThenGoOn) {
  Serve(VERSION_NEWER_CODES_DIR);
  StartAndCheck();
  EXPECT_EQ(WaitBox(), "\"1파일이 변경되었습니다. 다운로드 하시겠습니까?\\n(취소시 프로그램 종료)\"");
  ASSERT_TRUE(Command("answer ok"));
  ASSERT_TRUE(WaitExit());
  EXPECT_EQ(g_launcherGot, std::vector<UINT>{WM_VX_UPDATE_DONE});
  EXPECT_EQ(Events("send", WM_VX_UPDATE_DONE), 1);
  EXPECT_EQ(Events("post", WM_VX_SHUTDOWN), 0);
}

TEST_F(UpdaterProgramTest, CoreFileDownloadedAsksForReplacement) {
  Serve(VERSION_CURRENT_DIR);
  server_->addEntry({'0', "VXMain.exe", "070315", std::string(5000, 'x')});
  StartAndCheck();
  ASSERT_FALSE(WaitBox().empty());
  ASSERT_TRUE(Command("answer ok"));
  ASSERT_TRUE(WaitExit());
  EXPECT_EQ(g_launcherGot, std::vector<UINT>{WM_VX_REPLACE_CORE});
  EXPECT_EQ(Events("post", WM_VX_REPLACE_CORE), 1);
  EXPECT_TRUE(fs::exists(fs::path(root_) / "VXMain.exe"));
}

TEST_F(UpdaterProgramTest, DeclinedEndsEverything) {
  Serve(VERSION_NEWER_CODES_DIR);
  StartAndCheck();
  ASSERT_FALSE(WaitBox().empty());
  ASSERT_TRUE(Command("answer cancel"));
  ASSERT_TRUE(WaitExit());
  EXPECT_EQ(g_launcherGot, std::vector<UINT>{WM_VX_SHUTDOWN});
  EXPECT_EQ(Events("post", WM_VX_SHUTDOWN), 1);
}

TEST_F(UpdaterProgramTest, CancelledEndsEverything) {
  Serve(VERSION_CURRENT_DIR, /*withVersionList=*/false);
  server_->setFault(simver::Fault::Silence, 3);  // the second file never comes
  StartAndCheck();
  ASSERT_FALSE(WaitBox().empty());
  ASSERT_TRUE(Command("answer ok"));
  ASSERT_TRUE(plat::win::PumpUntil([&] { return server_->requests().size() >= 3; }, 5000));
  ASSERT_TRUE(Command("tap 1007"));
  EXPECT_EQ(WaitBox(), "\"버전관리를 중단하시겠습니까?\"");
  ASSERT_TRUE(Command("answer ok"));
  ASSERT_TRUE(WaitExit());
  EXPECT_EQ(g_launcherGot, std::vector<UINT>{WM_VX_SHUTDOWN});
}

}  // namespace
