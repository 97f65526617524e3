// The updater's frame driven as the launcher and the main program drive it, against the simulated
// version server: stand-in launcher and main-program windows in the test process record what the
// updater tells them, and a helper thread answers the boxes as the user would.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "devicedata/sample_device.h"
#include "larkspin/shared_table.h"
#include "plat/windows.h"
#include "simver/version_server.h"
#include "zrupdate/update_frame.h"

namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<uint8_t>;

struct Received {
  HWND hwnd;
  UINT msg;
  WPARAM wParam;
  LPARAM lParam;
};
std::vector<Received> g_received;
HWND g_launcher = 0;
HWND g_updater = 0;
bool g_launcherClosesUpdater = true;

LRESULT StandInProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg >= WM_USER && msg < WM_APP) {
    g_received.push_back({hwnd, msg, wParam, lParam});
    // The launcher closes the updater whenever the check reports back.
    if (hwnd == g_launcher && msg == WM_VX_UPDATE_DONE && g_launcherClosesUpdater && IsWindow(g_updater))
      SendMessage(g_updater, WM_CLOSE, 0, 0);
    return 1;
  }
  return DefWindowProc(hwnd, msg, wParam, lParam);
}

// Answers every message box from a thread of its own, recording the texts.
class BoxAnswerer {
 public:
  using Rule = std::function<int(const std::u16string& text)>;
  BoxAnswerer() : thread_([this] { Run(); }) {}
  ~BoxAnswerer() {
    stop_ = true;
    thread_.join();
  }
  void SetRule(Rule r) {
    std::lock_guard<std::mutex> l(mu_);
    rule_ = std::move(r);
  }
  std::vector<std::u16string> Texts() {
    std::lock_guard<std::mutex> l(mu_);
    return texts_;
  }

 private:
  void Run() {
    while (!stop_) {
      plat::win::MessageBoxInfo info;
      if (plat::win::WaitForMessageBox(&info, 20)) {
        int answer = IDOK;
        {
          std::lock_guard<std::mutex> l(mu_);
          texts_.push_back(info.text);
          if (rule_) answer = rule_(info.text);
        }
        plat::win::AnswerMessageBox(answer, info.hwnd);
      }
    }
  }
  std::mutex mu_;
  Rule rule_;
  std::vector<std::u16string> texts_;
  std::atomic<bool> stop_{false};
  std::thread thread_;
};

// A port of the server's loopback addresses bound without listening: every connection to it is
// refused, and nothing else (another test's server, an outgoing connection's own end) can take it
// before the server listens on it. Both sides set SO_REUSEADDR, which lets a listener bind beside
// sockets that do not listen.
class HeldPort {
 public:
  HeldPort() {
    for (int attempt = 0; attempt < 20 && port_ == 0; ++attempt) {
      int chosen = 0;
      for (const char* a : {"127.0.0.1", "127.0.0.2", "127.0.0.3", "127.0.0.4"}) {
        const SOCKET fd = socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in sa{};
        sa.sin_family = AF_INET;
        sa.sin_port = htons(static_cast<uint16_t>(chosen));
        ::inet_pton(AF_INET, a, &sa.sin_addr);
        const int one = 1;
        if (fd == INVALID_SOCKET ||
            setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, reinterpret_cast<const char*>(&one), sizeof one) != 0 ||
            plat_bind(fd, reinterpret_cast<sockaddr*>(&sa), sizeof sa) != 0) {
          error_ = std::string(a) + ":" + std::to_string(chosen) + ": error " + std::to_string(WSAGetLastError());
          if (fd != INVALID_SOCKET) closesocket(fd);
          chosen = -1;
          break;
        }
        fds_.push_back(fd);
        if (chosen == 0) {
          int len = sizeof sa;
          getsockname(fd, reinterpret_cast<sockaddr*>(&sa), &len);
          chosen = ntohs(sa.sin_port);
        }
      }
      if (chosen > 0)
        port_ = chosen;
      else
        Release();
    }
  }
  ~HeldPort() { Release(); }
  int Port() const { return port_; }
  const std::string& Error() const { return error_; }
  void Release() {
    for (SOCKET fd : fds_) closesocket(fd);
    fds_.clear();
  }

 private:
  std::vector<SOCKET> fds_;
  int port_ = 0;
  std::string error_;
};

bool Contains(const std::u16string& text, const std::u16string& part) {
  return text.find(part) != std::u16string::npos;
}

Bytes ReadHost(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  return Bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

std::vector<std::string> ListNames(const Bytes& file) {
  std::vector<std::string> out;
  for (const auto& r : zru::ParseLocalList(file.data(), file.size())) out.push_back(zru::RecordName(r));
  return out;
}

std::string Version(const Bytes& file, const std::string& name) {
  for (const auto& r : zru::ParseLocalList(file.data(), file.size()))
    if (zru::RecordName(r) == name) return std::string(reinterpret_cast<const char*>(r.file_version), 6);
  return "";
}

std::string Pattern(size_t n, uint8_t seed) {
  std::string s(n, '\0');
  for (size_t i = 0; i < n; ++i) s[i] = static_cast<char>((i * 31 + seed) & 0xFF);
  return s;
}

class UpdaterTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/zrupdate.XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    root_ = pattern;
    plat::SetDeviceRoot(root_);
    setenv("LARKSPIN_ROOT", root_.c_str(), 1);
    plat::win::ResetForTests();
    SharedTable::Unmap();
    plat::win::SetAutomationMode(true);
    WSADATA wsa;
    WSAStartup(MAKEWORD(2, 2), &wsa);
    g_received.clear();
    g_launcherClosesUpdater = true;

    WNDCLASS wc{};
    wc.lpfnWndProc = StandInProc;
    wc.lpszClassName = u"ZRUStandIn";
    ASSERT_NE(RegisterClass(&wc), 0u);
    g_launcher = CreateWindowEx(0, u"ZRUStandIn", u"launcher", WS_POPUP, 0, 0, 1, 1, 0, nullptr, nullptr, nullptr);
    main_ = CreateWindowEx(0, u"ZRUStandIn", u"main", WS_POPUP, 0, 0, 1, 1, 0, nullptr, nullptr, nullptr);
    ASSERT_TRUE(g_launcher && main_);
    SHARED_HWND_TABLE* t = SharedTable::Map(SharedTable::kFresh);
    ASSERT_NE(t, nullptr);
    t->launcher_mark = t->main_mark = VX_TABLE_MARK;
    t->launcher_hwnd = g_launcher;
    t->main_hwnd = main_;
    boxes_ = std::make_unique<BoxAnswerer>();
  }

  void TearDown() override {
    frame_.reset();
    boxes_.reset();
    if (server_) server_->stop();
    server_.reset();
    SharedTable::Unmap();
    plat::win::SetAutomationMode(false);
    plat::win::ResetForTests();
    std::error_code ignored;
    fs::remove_all(root_, ignored);
  }

  // Serves `folder` and lays out the device with the server's port.
  void Serve(const std::string& folder, bool withVersionList = true) {
    server_ = std::make_unique<simver::VersionServer>(folder);
    port_ = server_->start(0);
    ASSERT_GT(port_, 0) << server_->lastError();
    Install(withVersionList);
  }
  void Install(bool withVersionList) {
    devicedata::Options o;
    o.mainPort = 1;
    o.versionPort = port_;
    o.withoutVersionList = !withVersionList;
    std::string err;
    ASSERT_TRUE(devicedata::CopyTo(root_, o, err)) << err;
    originalList_ = ReadHost(ListPath());
  }

  void StartUpdater() {
    frame_ = std::make_unique<CZRUpdateFrame>();
    frame_->SetQuitOnDestroy(false);
    frame_->SetReconnectPolicy(3, 20);
    frame_->SetReplyTimeout(1500);
    ASSERT_TRUE(frame_->Create());
    g_updater = frame_->GetSafeHwnd();
  }

  // As the main program: the version server connection, then the check after the login.
  void Connect(WPARAM carrier = 0, LPARAM internet = 1) {
    ASSERT_EQ(static_cast<long>(SendMessage(g_updater, WM_VX_VERSION_CONNECT, carrier, internet)), 0);
    ASSERT_TRUE(plat::win::PumpUntil([&] { return Count(main_, WM_VX_VERSION_CONNECTED) > 0; }, 5000));
  }
  void Check() {
    ShowWindow(g_updater, SW_SHOW);
    PostMessage(g_updater, WM_VX_VERSION_CHECK, 0, 0);
  }
  bool WaitResult(int ms = 8000) {
    return plat::win::PumpUntil([&] { return Results() > 0 && frame_->Finished(); }, ms);
  }
  void RunCheck() {
    StartUpdater();
    Connect();
    Check();
    ASSERT_TRUE(WaitResult());
    plat::win::PumpMessages();
  }

  static size_t Count(HWND hwnd, UINT msg) {
    size_t n = 0;
    for (const auto& r : g_received) n += (r.hwnd == hwnd && r.msg == msg);
    return n;
  }
  size_t Results() const {
    return Count(g_launcher, WM_VX_UPDATE_DONE) + Count(g_launcher, WM_VX_SHUTDOWN) +
           Count(g_launcher, WM_VX_REPLACE_CORE);
  }
  std::vector<UINT> LauncherMessages() const {
    std::vector<UINT> out;
    for (const auto& r : g_received)
      if (r.hwnd == g_launcher) out.push_back(r.msg);
    return out;
  }
  // The log once the server is at rest: a reply may reach the updater before its entry is logged.
  std::vector<simver::RequestLog> Requests() const {
    EXPECT_TRUE(server_->waitSettled(std::chrono::seconds(10)));
    return server_->requests();
  }

  fs::path Host(const std::string& rel) const { return fs::path(root_) / rel; }
  fs::path ListPath() const { return Host("Program Files/Quorvan/Bin/verlist.dat"); }
  std::u16string FormText(int id) const {
    WCHAR buf[128] = {};
    GetDlgItemText(frame_->Form(), id, buf, 128);
    return buf;
  }
  int Bar(int id) const { return static_cast<int>(SendDlgItemMessage(frame_->Form(), id, PBM_GETPOS, 0, 0)); }

  std::string root_;
  HWND main_ = 0;
  int port_ = 0;
  Bytes originalList_;
  std::unique_ptr<simver::VersionServer> server_;
  std::unique_ptr<CZRUpdateFrame> frame_;
  std::unique_ptr<BoxAnswerer> boxes_;
};

// ---------------------------------------------------------------------------------------------
// Start and nothing new

TEST_F(UpdaterTest, StartsHiddenRecordedInTheTableWithItsForm) {
  Serve(VERSION_CURRENT_DIR);
  StartUpdater();
  SHARED_HWND_TABLE* t = SharedTable::Map(SharedTable::kJoin);
  EXPECT_EQ(t->updater_mark, static_cast<uint32_t>(VX_TABLE_MARK));
  EXPECT_EQ(t->updater_hwnd, g_updater);
  EXPECT_FALSE(IsWindowVisible(g_updater));
  ASSERT_NE(frame_->Form(), 0u);
  EXPECT_EQ(FormText(ZRU_IDC_TITLE), u"전체진행률");
  EXPECT_EQ(FormText(ZRU_IDC_CANCEL), u"취   소");
  EXPECT_EQ(FormText(ZRU_IDC_STATUS), u"파일 목록을 요청중입니다 ...");
  EXPECT_EQ(FormText(ZRU_IDC_FILE_PERCENT), u"0%");
  EXPECT_EQ(Bar(ZRU_IDC_TOTAL_BAR), 0);
  EXPECT_FALSE(plat::win::ShellState().taskBarVisible);
  EXPECT_TRUE(Requests().empty());  // nothing is asked before the main program says so
}

TEST_F(UpdaterTest, NothingNewReportsSuccessWithoutAQuestion) {
  Serve(VERSION_CURRENT_DIR);
  RunCheck();
  EXPECT_EQ(LauncherMessages(), std::vector<UINT>{WM_VX_UPDATE_DONE});
  EXPECT_EQ(g_received.back().lParam, 1);
  EXPECT_TRUE(boxes_->Texts().empty());
  ASSERT_EQ(Requests().size(), 1u);
  EXPECT_EQ(Requests()[0].kind, simver::kKindList);
  EXPECT_TRUE(Requests()[0].wellFormed);
  EXPECT_EQ(ReadHost(ListPath()), originalList_);  // rewritten with the same server list
  EXPECT_FALSE(IsWindow(g_updater));               // the launcher closed it
}

TEST_F(UpdaterTest, ConnectsToTheServerOfTheCarrier) {
  struct Case {
    WPARAM carrier;
    LPARAM internet;
    const char* address;
  };
  const std::vector<Case> cases = {
      {1, 0, "127.0.0.2"}, {2, 0, "127.0.0.3"}, {3, 0, "127.0.0.4"}, {2, 1, "127.0.0.1"}, {0, 0, "127.0.0.2"}};
  Serve(VERSION_CURRENT_DIR);
  for (const auto& c : cases) {
    g_received.clear();
    StartUpdater();
    Connect(c.carrier, c.internet);
    Check();
    ASSERT_TRUE(WaitResult()) << c.address;
    ASSERT_FALSE(Requests().empty());
    EXPECT_EQ(Requests().back().localAddress, c.address) << "carrier " << c.carrier << " internet " << c.internet;
    frame_.reset();
  }
}

// ---------------------------------------------------------------------------------------------
// Downloads

TEST_F(UpdaterTest, SavesEachKindToItsFolderAndCoreFilesToTheRoot) {
  Serve(VERSION_CURRENT_DIR);
  const std::string code = Pattern(5000, 1), screen = Pattern(300, 2), core = Pattern(9000, 3);
  server_->addEntry({'1', "new_code.dat", "070315", code});
  server_->addEntry({'0', "ZR9999.dll", "070315", screen});
  server_->addEntry({'0', "VXBase.dll", "070315", core});
  RunCheck();

  ASSERT_EQ(boxes_->Texts().size(), 1u);
  EXPECT_EQ(boxes_->Texts()[0], u"3파일이 변경되었습니다. 다운로드 하시겠습니까?\n(취소시 프로그램 종료)");
  auto asString = [](const Bytes& b) { return std::string(b.begin(), b.end()); };
  EXPECT_EQ(asString(ReadHost(Host("Program Files/Quorvan/Code/new_code.dat"))), code);
  EXPECT_EQ(asString(ReadHost(Host("Program Files/Quorvan/Bin/ZR9999.dll"))), screen);
  EXPECT_EQ(asString(ReadHost(Host("VXBase.dll"))), core);
  EXPECT_FALSE(fs::exists(Host("Program Files/Quorvan/Bin/VXBase.dll")));
  EXPECT_TRUE(frame_->CoreDownloaded());
  EXPECT_EQ(LauncherMessages(), std::vector<UINT>{WM_VX_REPLACE_CORE});

  // The new list is the server's: the installed files and the three new ones.
  const Bytes list = ReadHost(ListPath());
  EXPECT_EQ(ListNames(list).size(), ListNames(originalList_).size() + 3);
  EXPECT_EQ(Version(list, "VXBase.dll"), "070315");
  // No temporary file is left behind.
  for (const auto& e : fs::recursive_directory_iterator(root_))
    EXPECT_EQ(e.path().string().find(".zrtmp"), std::string::npos) << e.path();
}

TEST_F(UpdaterTest, NewerCodeListIsFetchedInPiecesWithProgress) {
  Serve(VERSION_NEWER_CODES_DIR);
  g_launcherClosesUpdater = false;  // the form is read after the end
  RunCheck();
  EXPECT_EQ(LauncherMessages(), std::vector<UINT>{WM_VX_UPDATE_DONE});
  const auto entries = server_->entries();
  std::string served;
  for (const auto& e : entries)
    if (e.name == "stock_code.dat") served = e.data;
  ASSERT_GT(served.size(), 4087u);  // more than one piece
  const Bytes saved = ReadHost(Host("Program Files/Quorvan/Code/stock_code.dat"));
  EXPECT_EQ(std::string(saved.begin(), saved.end()), served);
  EXPECT_EQ(Version(ReadHost(ListPath()), "stock_code.dat"), "070315");

  const int pieces = static_cast<int>((32 + served.size() + 4086) / 4087);
  EXPECT_EQ(FormText(ZRU_IDC_STATUS), u"1 / 1번째 파일을 수신합니다.");
  const std::string size = std::to_string(pieces * 4096);
  EXPECT_EQ(FormText(ZRU_IDC_SIZE), u"다운로드 파일크기 : " + std::u16string(size.begin(), size.end()) + u" 바이트");
  EXPECT_EQ(FormText(ZRU_IDC_FILE_PERCENT), u"100 %");
  EXPECT_EQ(FormText(ZRU_IDC_TOTAL_PERCENT), u"100 %");
  EXPECT_EQ(Bar(ZRU_IDC_FILE_BAR), 100);
  EXPECT_EQ(Bar(ZRU_IDC_TOTAL_BAR), 100);
}

TEST_F(UpdaterTest, DeclinedDownloadEndsEverythingAndChangesNothing) {
  Serve(VERSION_NEWER_CODES_DIR);
  const Bytes before = ReadHost(Host("Program Files/Quorvan/Code/stock_code.dat"));
  boxes_->SetRule([](const std::u16string&) { return IDCANCEL; });
  RunCheck();
  EXPECT_EQ(LauncherMessages(), std::vector<UINT>{WM_VX_SHUTDOWN});
  EXPECT_EQ(Requests().size(), 1u);  // the list only
  EXPECT_EQ(ReadHost(Host("Program Files/Quorvan/Code/stock_code.dat")), before);
  EXPECT_EQ(ReadHost(ListPath()), originalList_);
}

TEST_F(UpdaterTest, FileThatCannotBeSavedIsNotRecorded) {
  Serve(VERSION_CURRENT_DIR);
  server_->addEntry({'0', "ZR9999.dll", "070315", Pattern(100, 4)});
  server_->addEntry({'0', "ZR9998.dll", "070315", Pattern(100, 5)});
  fs::create_directories(Host("Program Files/Quorvan/Bin/ZR9999.dll/inside"));  // in the way
  RunCheck();
  const auto texts = boxes_->Texts();
  ASSERT_EQ(texts.size(), 2u);
  EXPECT_EQ(texts[1], u"ERROR : [ZR9999.dll] 파일오픈");
  EXPECT_EQ(LauncherMessages(), std::vector<UINT>{WM_VX_UPDATE_DONE});
  const auto names = ListNames(ReadHost(ListPath()));
  EXPECT_EQ(std::count(names.begin(), names.end(), "ZR9999.dll"), 0);
  EXPECT_EQ(std::count(names.begin(), names.end(), "ZR9998.dll"), 1);
  EXPECT_TRUE(fs::is_directory(Host("Program Files/Quorvan/Bin/ZR9999.dll/inside")));
}

// ---------------------------------------------------------------------------------------------
// A server that misbehaves: the check fails, the launcher is told to end everything, nothing is
// written outside the three folders and the local list keeps what was installed.

TEST_F(UpdaterTest, EveryServerFaultFailsTheCheckSafely) {
  struct Case {
    simver::Fault fault;
    uint8_t onKind;
  };
  const std::vector<Case> cases = {
      {simver::Fault::PiecesOutOfOrder, simver::kKindList},  {simver::Fault::PiecesOutOfOrder, simver::kKindFile},
      {simver::Fault::PieceCountChanges, simver::kKindFile}, {simver::Fault::LengthTooShort, simver::kKindList},
      {simver::Fault::LengthZero, simver::kKindFile},        {simver::Fault::LengthTooLong, simver::kKindList},
      {simver::Fault::LengthTooLong, simver::kKindFile},     {simver::Fault::ListCountTooLarge, simver::kKindList},
      {simver::Fault::FileSizeLarger, simver::kKindList},    {simver::Fault::FileSizeSmaller, simver::kKindList},
      {simver::Fault::NameWithBackslash, simver::kKindList}, {simver::Fault::NameWithSlash, simver::kKindList},
      {simver::Fault::NameDotDot, simver::kKindList},        {simver::Fault::NameWithoutNul, simver::kKindList},
      {simver::Fault::CloseMidDownload, simver::kKindList},  {simver::Fault::CloseMidDownload, simver::kKindFile},
      {simver::Fault::Silence, simver::kKindList},           {simver::Fault::Silence, simver::kKindFile},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(simver::FaultName(c.fault)) +
                 (c.onKind == simver::kKindList ? " on the list" : " on the file"));
    g_received.clear();
    Serve(VERSION_CURRENT_DIR);
    server_->addEntry({'0', "ZR9999.dll", "070315", Pattern(10000, 6)});  // three pieces
    server_->setFault(c.fault, 0, c.onKind);
    RunCheck();
    EXPECT_EQ(LauncherMessages(), std::vector<UINT>{WM_VX_SHUTDOWN});
    EXPECT_FALSE(fs::exists(Host("Program Files/Quorvan/Bin/ZR9999.dll")));
    EXPECT_EQ(ReadHost(ListPath()), originalList_);
    for (const auto& e : fs::recursive_directory_iterator(fs::path(root_).parent_path() / fs::path(root_).filename()))
      EXPECT_NE(e.path().filename(), "evil.dll") << e.path();
    EXPECT_FALSE(fs::exists(fs::path(root_).parent_path() / "Windows"));
    frame_.reset();
    server_->stop();
  }
}

// ---------------------------------------------------------------------------------------------
// The local list after a download that did not complete: the files before the most recently saved
// one are recorded, that one is fetched again next time.

TEST_F(UpdaterTest, ListAfterAMidDownloadFailure) {
  Serve(VERSION_CURRENT_DIR, /*withVersionList=*/false);
  server_->setFault(simver::Fault::CloseMidDownload, 4);  // list, file 1, file 2, then file 3 breaks
  RunCheck();
  EXPECT_EQ(LauncherMessages(), std::vector<UINT>{WM_VX_SHUTDOWN});
  const auto served = server_->entries();
  ASSERT_GE(served.size(), 3u);
  EXPECT_EQ(ListNames(ReadHost(ListPath())), std::vector<std::string>{served[0].name});
}

TEST_F(UpdaterTest, ListAfterTheUserCancels) {
  Serve(VERSION_CURRENT_DIR, /*withVersionList=*/false);
  server_->setFault(simver::Fault::Silence, 4);  // file 3 never comes
  StartUpdater();
  Connect();
  Check();
  ASSERT_TRUE(plat::win::PumpUntil([&] { return Requests().size() >= 4; }, 5000));
  boxes_->SetRule(
      [](const std::u16string& text) { return Contains(text, u"버전관리를 중단하시겠습니까?") ? IDOK : IDOK; });
  // The user taps the cancel button.
  HWND button = GetDlgItem(frame_->Form(), ZRU_IDC_CANCEL);
  RECT r{};
  GetWindowRect(button, &r);
  plat::win::InjectStylus(plat::win::Stylus::Tap, (r.left + r.right) / 2, (r.top + r.bottom) / 2);
  ASSERT_TRUE(WaitResult());
  EXPECT_TRUE(frame_->Cancelled());
  EXPECT_TRUE(Contains(boxes_->Texts().back(), u"버전관리를 중단하시겠습니까?"));
  EXPECT_EQ(LauncherMessages(), std::vector<UINT>{WM_VX_SHUTDOWN});
  const auto served = server_->entries();
  EXPECT_EQ(ListNames(ReadHost(ListPath())), std::vector<std::string>{served[0].name});
}

TEST_F(UpdaterTest, CancelAnsweredNoKeepsDownloading) {
  Serve(VERSION_CURRENT_DIR);
  server_->addEntry({'0', "ZR9999.dll", "070315", Pattern(100, 7)});
  server_->setFault(simver::Fault::Silence, 2);  // the file request waits
  StartUpdater();
  Connect();
  frame_->SetReplyTimeout(400);
  Check();
  ASSERT_TRUE(plat::win::PumpUntil([&] { return Requests().size() >= 2; }, 5000));
  boxes_->SetRule([](const std::u16string& text) { return Contains(text, u"중단") ? IDCANCEL : IDOK; });
  PostMessage(frame_->Form(), WM_COMMAND, MAKEWPARAM(ZRU_IDC_CANCEL, BN_CLICKED), 0);
  // Still running after the answer; the silent server then fails the check by its time-out.
  ASSERT_TRUE(WaitResult());
  EXPECT_FALSE(frame_->Cancelled());
  EXPECT_EQ(LauncherMessages(), std::vector<UINT>{WM_VX_SHUTDOWN});
}

TEST_F(UpdaterTest, PacketNotFromTheReceiveThreadIsIgnored) {
  Serve(VERSION_CURRENT_DIR);
  server_->addEntry({'0', "ZR9999.dll", "070315", "abc"});
  server_->setFault(simver::Fault::Silence, 2);  // the real reply never comes
  StartUpdater();
  Connect();
  Check();
  ASSERT_TRUE(plat::win::PumpUntil([&] { return Requests().size() >= 2; }, 5000));
  // A complete, well-formed reply for the file asked for, handed in by someone else.
  uint8_t forged[9 + 32 + 3] = {0, sizeof forged, 2, '4', 0, 0, 1, 0, 1, '0'};
  std::memcpy(forged + 10, "ZR9999.dll", 10);
  std::memcpy(forged + 41, "XYZ", 3);
  SendMessage(g_updater, WM_VX_PACKET, reinterpret_cast<WPARAM>(forged), reinterpret_cast<LPARAM>(forged + 9));
  plat::win::PumpMessages();
  EXPECT_FALSE(fs::exists(Host("Program Files/Quorvan/Bin/ZR9999.dll")));
  EXPECT_FALSE(frame_->Finished());
}

// ---------------------------------------------------------------------------------------------
// Connection

TEST_F(UpdaterTest, ClosedConnectionAfterTheCheckChangesNothing) {
  Serve(VERSION_CURRENT_DIR);
  g_launcherClosesUpdater = false;
  RunCheck();
  const Bytes list = ReadHost(ListPath());
  server_->stop();
  // The frame lets go of the closed connection; what that causes has run once the queue is empty.
  ASSERT_TRUE(plat::win::PumpUntil([&] { return frame_->SocketThread() == nullptr; }, 5000));
  plat::win::PumpMessages();
  EXPECT_EQ(LauncherMessages(), std::vector<UINT>{WM_VX_UPDATE_DONE});
  EXPECT_EQ(ReadHost(ListPath()), list);
}

TEST_F(UpdaterTest, ReconnectsToTheSameServerAfterFailedConnects) {
  // A port that nobody listens on yet: the first attempts fail, then the server comes up.
  HeldPort held;
  ASSERT_GT(held.Port(), 0) << held.Error();
  port_ = held.Port();
  server_ = std::make_unique<simver::VersionServer>(VERSION_CURRENT_DIR);
  ASSERT_NO_FATAL_FAILURE(Install(true));
  StartUpdater();
  // The attempts are counted on this thread, only while it pumps: none go by while the server starts.
  frame_->SetReconnectPolicy(1000, 30);
  ASSERT_EQ(static_cast<long>(SendMessage(g_updater, WM_VX_VERSION_CONNECT, 3, 0)), 0);
  ASSERT_TRUE(plat::win::PumpUntil([&] { return frame_->FailedConnects() >= 2; }, 5000));
  EXPECT_EQ(Count(main_, WM_VX_VERSION_CONNECTED), 0u);
  ASSERT_EQ(server_->start(port_), port_) << server_->lastError();
  held.Release();
  ASSERT_TRUE(plat::win::PumpUntil([&] { return Count(main_, WM_VX_VERSION_CONNECTED) > 0; }, 5000));
  Check();
  ASSERT_TRUE(WaitResult());
  EXPECT_EQ(Count(main_, WM_VX_VERSION_CONNECTED), 1u);
  ASSERT_EQ(Requests().size(), 1u);
  EXPECT_EQ(Requests()[0].localAddress, "127.0.0.4");  // the carrier's server, not the Internet one
}

TEST_F(UpdaterTest, GivesUpAfterBoundedConnectAttempts) {
  HeldPort held;  // refuses every attempt; nobody else can listen there meanwhile
  ASSERT_GT(held.Port(), 0) << held.Error();
  port_ = held.Port();
  ASSERT_NO_FATAL_FAILURE(Install(true));
  StartUpdater();
  ASSERT_EQ(static_cast<long>(SendMessage(g_updater, WM_VX_VERSION_CONNECT, 0, 1)), 0);
  ASSERT_TRUE(plat::win::PumpUntil([&] { return Results() > 0; }, 5000));
  EXPECT_EQ(LauncherMessages(), std::vector<UINT>{WM_VX_SHUTDOWN});
  EXPECT_EQ(Count(main_, WM_VX_VERSION_CONNECTED), 0u);
  const auto texts = boxes_->Texts();
  ASSERT_EQ(texts.size(), 1u);
  EXPECT_EQ(texts[0], u"ERROR 2 : 네트웍 상의 문제로 서버에 연결할 수 없습니다.");
  EXPECT_EQ(ReadHost(ListPath()), originalList_);
}

}  // namespace
