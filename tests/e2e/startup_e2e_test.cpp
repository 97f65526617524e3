// The start-up end to end. The user starts the launcher on a fresh device root whose connection
// method is "Internet"; the login screen shows in VXMain; the user types the id and password and
// taps "연결"; the key exchange, 1010 and 4020 run against the simulated trading server; the
// accounts reach the registry; the updater checks the versions against the simulated version
// server; the start screen (90100) opens and only VXMain runs on.
#include <gtest/gtest.h>

#include <signal.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "devicedata/sample_device.h"
#include "larkspin/shared_table.h"
#include "plat/automation.h"
#include "plat/windows.h"
#include "simserver/server.h"
#include "simver/version_server.h"
#include "vxbase/messages.h"
#include "vxbase/prop_ce.h"

namespace {

namespace fs = std::filesystem;
namespace client = plat::automation::client;

std::string ReadFile(const fs::path& p) {
  std::ifstream f(p, std::ios::binary);
  std::stringstream s;
  s << f.rdbuf();
  return s.str();
}

class StartupE2E : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/larkspin_e2e.XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    root_ = pattern;
    plat::SetDeviceRoot(root_);
    setenv("LARKSPIN_ROOT", root_.c_str(), 1);
    setenv("LARKSPIN_AUTOMATION", "1", 1);  // every box waits for its answer
    plat::win::ResetForTests();
    SharedTable::Unmap();
    tradingPort_ = trading_.start(0);
    ASSERT_GT(tradingPort_, 0) << trading_.lastError();
    // The start screen asks for 4998 as it opens.
    trading_.setHandler(4998, [](simsrv::HandlerContext&, const simsrv::Request&, simsrv::Reply& r) {
      r.body = {'o', 'k'};
    });
  }

  void TearDown() override {
    for (int i = 0; i < 3; ++i)
      for (const auto& p : client::ListPrograms(root_)) ::kill(p.pid, SIGKILL);
    if (launcher_) CloseHandle(launcher_);
    version_.reset();
    trading_.stop();
    unsetenv("LARKSPIN_AUTOMATION");
    SharedTable::Unmap();
    plat::win::ResetForTests();
    std::error_code ignored;
    fs::remove_all(root_, ignored);
  }

  void Install(const std::string& versionFolder, bool certificate) {
    version_ = std::make_unique<simver::VersionServer>(versionFolder);
    const int port = version_->start(0);
    ASSERT_GT(port, 0) << version_->lastError();
    devicedata::Options o;
    o.mainPort = tradingPort_;
    o.versionPort = port;
    o.certificate = certificate;
    std::string err;
    ASSERT_TRUE(devicedata::CopyTo(root_, o, err)) << err;
    const fs::path bin = fs::path(root_) / "Program Files/Quorvan/Bin";
    for (const auto& [from, to] :
         {std::pair{LARKSPIN_PROGRAM, "Larkspin.exe"}, std::pair{VXMAIN_PROGRAM, "VXMain.exe"},
          std::pair{ZRUPDATE_PROGRAM, "ZRUpdate.exe"}, std::pair{VXLOGIN_MODULE, "VXLogin.dll"},
          std::pair{START_SCREEN_MODULE, "VX2001.dll"}}) {
      fs::copy_file(from, bin / to, fs::copy_options::overwrite_existing);
      fs::permissions(bin / to, fs::perms::owner_all, fs::perm_options::add);
    }
    CPropCE reg;
    ASSERT_TRUE(reg.SetBaseKey(HKEY_LOCAL_MACHINE, VX_REG_STOCK));
    reg.SetValue(u"Connect Method", u"Internet");
  }

  void StartLauncher() {
    PROCESS_INFORMATION pi{};
    ASSERT_TRUE(CreateProcess(u"\\Program Files\\Quorvan\\Bin\\Larkspin.exe", nullptr, nullptr, nullptr, FALSE, 0,
                              nullptr, nullptr, nullptr, &pi));
    launcher_ = pi.hProcess;
  }

  // One command to VXMain; retried until the program is there and the command succeeds.
  plat::automation::Result Main(const std::string& command, int ms = 15000) {
    plat::automation::Result r;
    Until(
        [&] {
          client::Program p;
          std::string err;
          if (!client::SelectProgram(root_, "VXMain", 0, &p, &err)) return false;
          r = client::Call(p, command, 5000);
          return r.ok;
        },
        ms, false);
    return r;
  }

  void LogIn(const std::string& id, const std::string& password) {
    ASSERT_TRUE(Main("wait window 1002").ok);
    ASSERT_TRUE(Main("type 1000 " + id).ok);
    ASSERT_TRUE(Main("type 1001 " + password).ok);
    ASSERT_TRUE(Main("tap 1002").ok);
  }

  // Waits for `done`, answering the boxes of every program as the user would (OK; the
  // download question with OK). Box texts are recorded.
  bool Until(const std::function<bool()>& done, int ms = 20000, bool answerBoxes = true) {
    for (int waited = 0; waited < ms; waited += 20) {
      if (done()) return true;
      plat::win::PumpUntil([] { return false; }, 20);
      if (!answerBoxes) continue;
      for (const auto& p : client::ListPrograms(root_)) {
        const auto r = client::Call(p, "box", 3000);
        if (!r.ok || r.lines.empty() || r.lines[0] == "none") continue;
        std::string text;
        for (const auto& line : r.lines)
          if (line.rfind("text ", 0) == 0) text = line.substr(5);
        boxes_.push_back(p.name + ": " + text);
        client::Call(p, "answer ok", 3000);
      }
    }
    return done();
  }

  std::vector<std::string> Running() const {
    std::vector<std::string> out;
    for (const auto& p : client::ListPrograms(root_)) out.push_back(p.name);
    return out;
  }
  std::string Boxes() const {
    std::string all;
    for (const auto& b : boxes_) all += b + "\n";
    return all;
  }
  std::u16string Reg(const char16_t* key, const char16_t* name) {
    CPropCE reg;
    if (!reg.SetBaseKey(HKEY_LOCAL_MACHINE, key, TRUE)) return u"<no key>";
    return reg.GetValue(name);
  }
  long RegLong(const char16_t* key, const char16_t* name) {
    CPropCE reg;
    if (!reg.SetBaseKey(HKEY_LOCAL_MACHINE, key, TRUE)) return -2;
    return reg.GetLongValue(name);
  }
  // The start screen is up in VXMain: its strip shows the default item's name.
  bool StartScreenShown() {
    client::Program p;
    std::string err;
    if (!client::SelectProgram(root_, "VXMain", 0, &p, &err)) return false;
    auto r = client::Call(p, "text 1030", 3000);
    return r.ok && !r.lines.empty() && r.lines[0] == "\"4998 2 ok\"";
  }

  std::string root_;
  HANDLE launcher_ = nullptr;
  simsrv::TradingServer trading_;
  int tradingPort_ = 0;
  std::unique_ptr<simver::VersionServer> version_;
  std::vector<std::string> boxes_;
};

TEST_F(StartupE2E, FreshDeviceLogsInReceivesTheCertificateAndOpensTheStartScreen) {
  Install(VERSION_CURRENT_DIR, false);
  StartLauncher();
  size_t mark = trading_.logSize();
  LogIn("demo", "1234");
  ASSERT_TRUE(Until([&] { return Running() == std::vector<std::string>{"VXMain.exe"} && StartScreenShown(); }))
      << Boxes();
  // The certificate was pushed once and kept; the second token carried it.
  auto keys = trading_.requests(1000, mark);
  EXPECT_EQ(keys.size(), 2u);
  EXPECT_FALSE(ReadFile(fs::path(root_) / "pelvato.der").empty());
  auto logins = trading_.requests(4020, mark);
  ASSERT_EQ(logins.size(), 1u);
  EXPECT_EQ(std::string(logins[0].plain.begin(), logins[0].plain.begin() + 4), "demo");
  EXPECT_EQ(RegLong(VX_REG_STOCK, u"Account Count"), 4);
  EXPECT_EQ(RegLong(VX_REG_FUTOPT, u"Account Count"), 1);
  EXPECT_TRUE(Reg(VX_REG_STOCK, u"Password") == u"");
  // The start screen asked for its base quote on the same connection (the strip shows the reply
  // to another request, which may have overtaken it).
  EXPECT_TRUE(trading_.waitForRequest(4101, 5000, nullptr, mark));
  EXPECT_TRUE(boxes_.empty()) << Boxes();
}

TEST_F(StartupE2E, NewFileIsDownloadedAndTheStoredCertificateServes) {
  Install(VERSION_NEWER_CODES_DIR, true);
  StartLauncher();
  size_t mark = trading_.logSize();
  LogIn("demo", "1234");
  ASSERT_TRUE(Until([&] { return Running() == std::vector<std::string>{"VXMain.exe"} && StartScreenShown(); }))
      << Boxes();
  EXPECT_EQ(trading_.requests(1000, mark).size(), 1u);
  EXPECT_EQ(ReadFile(fs::path(root_) / "Program Files/Quorvan/Code/stock_code.dat"),
            ReadFile(fs::path(VERSION_NEWER_CODES_DIR) / "stock_code.dat"));
}

TEST_F(StartupE2E, WrongPasswordThenRightOne) {
  Install(VERSION_CURRENT_DIR, true);
  StartLauncher();
  LogIn("demo", "0000");
  plat::automation::Result box = Main("wait box");
  ASSERT_TRUE(box.ok);
  EXPECT_NE(box.Text().find("아이디 또는 비밀번호가 올바르지 않습니다."), std::string::npos) << box.Text();
  ASSERT_TRUE(Main("answer ok").ok);
  plat::automation::Result id = Main("text 1000");
  ASSERT_TRUE(id.ok);
  EXPECT_EQ(id.lines.at(0), "\"demo\"");
  ASSERT_TRUE(Main("tap 1001").ok);
  ASSERT_TRUE(Main("key BACK BACK BACK BACK").ok);
  ASSERT_TRUE(Main("type 1001 1234").ok);
  ASSERT_TRUE(Main("tap 1002").ok);
  ASSERT_TRUE(Until([&] { return Running() == std::vector<std::string>{"VXMain.exe"} && StartScreenShown(); }))
      << Boxes();
}

}  // namespace
