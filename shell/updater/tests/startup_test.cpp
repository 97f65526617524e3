// The start-up of the three programs with the real updater: the launcher Larkspin starts ZRUpdate
// and VXMain as processes of the device root; the test plays the login (it asks the main program
// to connect, and reports the login done) and the servers, answers the boxes through the
// automation endpoints as the user would, and reads the device's event log.
#include <gtest/gtest.h>

#include <signal.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <unistd.h>
#include <functional>
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

// The trading server as far as the start-up needs it: it accepts and holds connections.
class HoldingServer {
 public:
  HoldingServer() {
    WSADATA wsa;
    WSAStartup(MAKEWORD(2, 2), &wsa);
    listener_ = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(0x7F000001);
    bind(listener_, reinterpret_cast<sockaddr*>(&a), sizeof a);
    listen(listener_, 8);
    int n = sizeof a;
    getsockname(listener_, reinterpret_cast<sockaddr*>(&a), &n);
    port_ = ntohs(a.sin_port);
    thread_ = std::thread([this] {
      for (;;) {
        SOCKET c = accept(listener_, nullptr, nullptr);
        if (c == INVALID_SOCKET) return;
        held_.push_back(c);
        if (stop_) return;
      }
    });
  }
  ~HoldingServer() {
    // A connection of its own wakes the accept, which then sees the stop.
    stop_ = true;
    SOCKET wake = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(0x7F000001);
    a.sin_port = htons(static_cast<uint16_t>(port_));
    connect(wake, reinterpret_cast<sockaddr*>(&a), sizeof a);
    closesocket(wake);
    thread_.join();
    for (SOCKET c : held_) closesocket(c);
    closesocket(listener_);
  }
  int port() const { return port_; }

 private:
  SOCKET listener_ = INVALID_SOCKET;
  int port_ = 0;
  std::vector<SOCKET> held_;
  std::atomic<bool> stop_{false};
  std::thread thread_;
};

class StartupTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/zrstartup.XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    root_ = pattern;
    plat::SetDeviceRoot(root_);
    setenv("LARKSPIN_ROOT", root_.c_str(), 1);
    setenv("LARKSPIN_AUTOMATION", "1", 1);  // every box waits for its answer
    plat::win::ResetForTests();
    SharedTable::Unmap();
    // A window of the test's own, so that it can talk to the programs.
    WNDCLASS wc{};
    wc.lpfnWndProc = DefWindowProc;
    wc.lpszClassName = u"ZRUStartupProbe";
    RegisterClass(&wc);
    probe_ = CreateWindowEx(0, u"ZRUStartupProbe", u"", WS_POPUP, 0, 0, 1, 1, 0, nullptr, nullptr, nullptr);
    ASSERT_NE(probe_, 0u);
  }

  void TearDown() override {
    if (HasFailure()) {
      std::ifstream in(fs::path(root_) / "run/events.log");
      std::cout << "events:\n" << in.rdbuf() << "boxes:\n";
      for (const auto& b : boxes_) std::cout << b << "\n";
      std::cout << std::flush;
    }
    // Whatever still runs of this device root was started by this test.
    for (int pid : StartedPids()) ::kill(pid, SIGKILL);
    if (launcher_) CloseHandle(launcher_);
    server_.reset();
    unsetenv("LARKSPIN_AUTOMATION");
    SharedTable::Unmap();
    plat::win::ResetForTests();
    std::error_code ignored;
    fs::remove_all(root_, ignored);
  }

  void Install(const std::string& folder, bool withVersionList = true) {
    server_ = std::make_unique<simver::VersionServer>(folder);
    const int port = server_->start(0);
    ASSERT_GT(port, 0) << server_->lastError();
    devicedata::Options o;
    o.mainPort = trading_.port();
    o.versionPort = port;
    o.withoutVersionList = !withVersionList;
    std::string err;
    ASSERT_TRUE(devicedata::CopyTo(root_, o, err)) << err;
    const fs::path bin = fs::path(root_) / "Program Files/Quorvan/Bin";
    for (const auto& [from, to] : {std::pair{LARKSPIN_PROGRAM, "Larkspin.exe"}, std::pair{VXMAIN_PROGRAM, "VXMain.exe"},
                                   std::pair{ZRUPDATE_PROGRAM, "ZRUpdate.exe"}}) {
      fs::copy_file(from, bin / to, fs::copy_options::overwrite_existing);
      fs::permissions(bin / to, fs::perms::owner_all, fs::perm_options::add);
    }
    HKEY key = nullptr;
    ASSERT_EQ(
        RegCreateKeyEx(HKEY_LOCAL_MACHINE, u"Software\\Quorvan\\Zelvix", 0, nullptr, 0, 0, nullptr, &key, nullptr), 0);
    static const WCHAR kInternet[] = u"Internet";
    RegSetValueEx(key, u"Connect Method", 0, REG_SZ, reinterpret_cast<const BYTE*>(kInternet), sizeof kInternet);
    RegCloseKey(key);
  }

  // The user starts the launcher; the login asks the main program to connect; once the
  // version server is reported connected the login is done.
  void StartUp() {
    PROCESS_INFORMATION pi{};
    ASSERT_TRUE(CreateProcess(u"\\Program Files\\Quorvan\\Bin\\Larkspin.exe", nullptr, nullptr, nullptr, FALSE, 0,
                              nullptr, nullptr, nullptr, &pi));
    launcher_ = pi.hProcess;
    ASSERT_TRUE(Until([&] { return Peer(&SHARED_HWND_TABLE::main_hwnd) && Peer(&SHARED_HWND_TABLE::updater_hwnd); }));
    PostMessage(Peer(&SHARED_HWND_TABLE::main_hwnd), WM_VX_CONNECT, 0, 0);
    ASSERT_TRUE(Until([&] { return Events("send", WM_VX_VERSION_CONNECTED) >= 1; }));
    PostMessage(Peer(&SHARED_HWND_TABLE::main_hwnd), WM_VX_LOGIN_DONE, 0, 0);
  }

  HWND Peer(uint32_t SHARED_HWND_TABLE::*field) const {
    SHARED_HWND_TABLE* t = SharedTable::Map(SharedTable::kJoin);
    return t ? SharedTable::Peer(t->*field) : 0;
  }

  // Waits for `done`, answering every box of every program meanwhile: the download question
  // by `download`, the cancel question with OK, any other box (a screen file the sample device
  // lacks) with OK. Box texts are recorded.
  bool Until(const std::function<bool()>& done, int ms = 15000) {
    for (int waited = 0; waited < ms; waited += 20) {
      if (done()) return true;
      plat::win::PumpUntil([] { return false; }, 20);
      for (const auto& p : client::ListPrograms(root_)) {
        if (p.pid == getpid()) continue;
        const auto r = client::Call(p, "box", 3000);
        if (!r.ok || r.lines.empty() || r.lines[0] == "none") continue;
        std::string text;
        for (const auto& line : r.lines)
          if (line.rfind("text ", 0) == 0) text = line.substr(5);
        boxes_.push_back(p.name + ": " + text);
        const bool question = text.find("다운로드 하시겠습니까") != std::string::npos;
        client::Call(p, question ? (download_ ? "answer ok" : "answer cancel") : "answer ok", 3000);
      }
      if (tapCancel_ && server_->requests().size() >= 3 && Peer(&SHARED_HWND_TABLE::updater_hwnd)) {
        client::Program p;
        std::string err;
        if (client::SelectProgram(root_, "ZRUpdate", 0, &p, &err) && client::Call(p, "tap 1007", 3000).ok)
          tapCancel_ = false;
      }
    }
    return done();
  }

  std::vector<int> StartedPids() const {
    std::vector<int> out;
    std::ifstream in(fs::path(root_) / "run/events.log");
    std::string line;
    while (std::getline(in, line)) {
      std::vector<std::string> f;
      std::stringstream ss(line);
      std::string part;
      while (std::getline(ss, part, '\t')) f.push_back(part);
      if (f.size() > 2 && f[2] == "program-start" && std::atoi(f[1].c_str()) != getpid())
        out.push_back(std::atoi(f[1].c_str()));
    }
    return out;
  }

  std::vector<std::string> Running() const {
    std::vector<std::string> out;
    for (const auto& p : client::ListPrograms(root_))
      if (p.pid != getpid()) out.push_back(p.name);
    return out;
  }
  bool OnlyRunning(const std::vector<std::string>& names) {
    return Until([&] { return Running() == names; });
  }

  int Events(const std::string& kind, UINT msg) const { return Count(kind, std::to_string(msg)); }
  int Count(const std::string& kind, const std::string& field) const {
    std::ifstream in(fs::path(root_) / "run/events.log");
    std::string line;
    int n = 0;
    while (std::getline(in, line)) {
      std::vector<std::string> f;
      std::stringstream ss(line);
      std::string part;
      while (std::getline(ss, part, '\t')) f.push_back(part);
      if (f.size() > 3 && f[2] == kind && (f[3] == field || (f.size() > 4 && f[4] == field))) ++n;
    }
    return n;
  }

  std::string root_;
  HWND probe_ = 0;
  HANDLE launcher_ = nullptr;
  HoldingServer trading_;
  std::unique_ptr<simver::VersionServer> server_;
  bool download_ = true;
  bool tapCancel_ = false;
  std::vector<std::string> boxes_;
};

TEST_F(StartupTest, NothingNewLeavesOnlyTheMainProgram) {
  Install(VERSION_CURRENT_DIR);
  StartUp();
  ASSERT_TRUE(OnlyRunning({"VXMain.exe"}));
  EXPECT_EQ(Events("send", WM_VX_VERSION_CONNECT), 1);
  EXPECT_EQ(Events("send", WM_VX_VERSION_CHECK), 1);
  EXPECT_EQ(Events("send", WM_VX_UPDATE_DONE), 1);
  EXPECT_EQ(Events("send", WM_VX_OPEN_SCREEN), 1);  // the launcher opens the start screen
  EXPECT_EQ(Count("program-exit", "ZRUpdate.exe"), 1);
  EXPECT_EQ(Count("program-exit", "Larkspin.exe"), 1);
}

TEST_F(StartupTest, FilesDownloadedLeaveOnlyTheMainProgram) {
  Install(VERSION_NEWER_CODES_DIR);
  StartUp();
  ASSERT_TRUE(OnlyRunning({"VXMain.exe"}));
  EXPECT_EQ(Events("send", WM_VX_UPDATE_DONE), 1);
  EXPECT_EQ(Events("post", WM_VX_SHUTDOWN), 0);
  bool asked = false;
  for (const auto& b : boxes_) asked = asked || b.rfind("ZRUpdate.exe: \"1파일이 변경되었습니다.", 0) == 0;
  EXPECT_TRUE(asked);
}

TEST_F(StartupTest, CoreFileDownloadedIsReplacedAndBothProgramsStartAgain) {
  Install(VERSION_CURRENT_DIR);
  server_->addEntry({'0', "Flitway.dll", "070315", std::string(6000, 'f')});
  StartUp();
  ASSERT_TRUE(Until([&] {
    return Events("post", WM_VX_REPLACE_CORE) == 1 && Count("program-start", "ZRUpdate.exe") >= 2 &&
           Count("program-start", "VXMain.exe") >= 2;
  }));
  // The launcher moved the new library into the program folder.
  std::ifstream in(fs::path(root_) / "Program Files/Quorvan/Bin/Flitway.dll", std::ios::binary);
  EXPECT_EQ(std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>()),
            std::string(6000, 'f'));
  EXPECT_FALSE(fs::exists(fs::path(root_) / "Flitway.dll"));
}

TEST_F(StartupTest, DeclinedEndsAllThree) {
  Install(VERSION_NEWER_CODES_DIR);
  download_ = false;
  StartUp();
  ASSERT_TRUE(OnlyRunning({}));
  EXPECT_EQ(Events("post", WM_VX_SHUTDOWN), 1);
  EXPECT_EQ(Count("program-exit", "VXMain.exe"), 1);
}

TEST_F(StartupTest, CancelledEndsAllThree) {
  Install(VERSION_CURRENT_DIR, /*withVersionList=*/false);
  server_->setFault(simver::Fault::Silence, 3);  // the second file never comes
  tapCancel_ = true;
  StartUp();
  ASSERT_TRUE(OnlyRunning({}));
  EXPECT_EQ(Events("post", WM_VX_SHUTDOWN), 1);
  bool asked = false;
  for (const auto& b : boxes_) asked = asked || b.find("버전관리를 중단하시겠습니까?") != std::string::npos;
  EXPECT_TRUE(asked);
}

}  // namespace
