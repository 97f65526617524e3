// Hosts screen plug-ins as the main program hosts screens, against the simulated trading server in
// this process: a device root with the plug-ins in its program folder, an owner window that records
// what the screens send it, a receive thread on a live connection with the session keys agreed and
// a user logged in on it (as the login screen does), the stock accounts in the registry; then
// MainDlg, the receive thread pointed at the new dialog, WM_VX_QUERY and, when the next screen
// opens or the test ends, EndDlg. Tests drive the screens with the automation driver, read the grid
// through WM_PLAT_INSPECT and read what the server deciphered.
//
// Every plug-in the test program was built with (SCREEN_PLUGINS, set by larkspin_screen()) is on
// the device under its handheld name ("ZR4340.dll").
#ifndef SCREEN_PLUGINS
#define SCREEN_PLUGINS
#endif
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <mutex>
#include <thread>
#include <memory>
#include <string>
#include <vector>

#include "plat/automation.h"
#include "plat/windows.h"
#include "simserver/server.h"
#include "vxbase/code_manager.h"
#include "vxbase/ee_encrypt.h"
#include "vxbase/menu_config.h"
#include "vxbase/messages.h"
#include "vxbase/prop_ce.h"
#include "vxbase/vx_dlg.h"
#include "vxshell/vx_socket_thread.h"
#include "wire_helpers.h"

namespace screentest {

namespace fs = std::filesystem;
using Bytes = std::vector<uint8_t>;

// Text conversions for checks: UTF-16 to UTF-8 and back, and a string's bytes.
std::string Utf8(const std::u16string& s);
std::u16string Utf16(const std::string& utf8);
inline Bytes B(const std::string& s) { return Bytes(s.begin(), s.end()); }

struct Cell {
  std::string text, fg, bg;
};
using GridRows = std::vector<std::vector<Cell>>;

// The user the host logs in before any screen opens and the accounts the login leaves in the
// registry. The default is the simulated server's own user "demo".
struct Login {
  std::string user = "demo";
  std::string password = "1234";
  std::vector<std::u16string> accounts = {u"1234567801", u"1234567802"};
};

struct SessionState;

class ScreenHost {
 public:
  ScreenHost();
  virtual ~ScreenHost();

  // Starts the server, lays out the device, connects and logs in; the test's SetUp calls it
  // (after adding users to `server` and setting `login`). Fatal failures end the test.
  void StartHost();
  // Answers boxes left open (each a failure), ends the screen, stops the thread and the server.
  void StopHost();

  // Opens a plug-in ("ZR4340.dll") as the screen host does, after ending the open one, and waits
  // for its first request (the base quote) and the item name. `packetLayer`: another packet layer object to
  // hand the screen (default: the logged-in one).
  void Open(const std::u16string& handheldName, EE_Encrypt* packetLayer = nullptr);
  void Open(const std::string& name) { Open(Utf16(name + ".dll")); }
  // Ends the open screen as the host does before it opens the next one.
  void Close();
  // Places another plug-in file on the device.
  void AddPlugin(const char* pluginFile, const char16_t* handheldName);

  template <typename F>
  bool WaitFor(F cond, int ms = 5000) {
    return d->Until(cond, ms);
  }
  // Waits until everything the screen sent has reached the server and been answered, and the
  // screen has handled what came back: the base of every negative check.
  void Settled();
  // True when no request of `code` came after `mark` (after the screen has settled).
  bool NoneSince(uint16_t code, size_t mark);
  // The plain body of the first request of `code` after `mark` (empty when none came).
  Bytes RequestSince(uint16_t code, size_t mark);
  // The whole first request of `code` after `mark` as it came on the wire: its 15 header bytes
  // and its body as sent (empty when none came).
  Bytes PacketSince(uint16_t code, size_t mark);
  // Taps a button and returns the plain body of the request it sent (empty when none came).
  Bytes TapAndCapture(int button, uint16_t code);

  // What the owner window (the main program's frame) was sent; `time` is 1 for a message sent
  // (the screen waited for it) and 0 for one posted.
  std::vector<MSG> OwnerGot(UINT message);
  std::vector<WPARAM> OpenRequests();  // the screens it was asked to open, in order
  void ClearOwnerLog();

  // Controls of the open screen.
  std::string Text(int id) { return Utf8(d->Text(id)); }
  bool Enabled(int id);
  bool Checked(int id);
  int Focus();  // the control with the focus (a combo box for its edit field)
  void SetText(int id, const std::string& utf8);
  void TypeInto(int id, const std::string& text);  // empties the edit and types as the user does
  void PickAccount(int index) { ASSERT_TRUE(d->Pick(accountCombo_, index)); }
  void TypePassword(const std::string& pw, int id = 1007) { TypeInto(id, pw); }
  GridRows Grid(int id);           // the grid's rows (header excluded)
  GridRows Grid(int id, int nth);  // of the nth grid with the id (0 first)
  std::vector<std::string> Column(int id, size_t column);

  // Boxes: waits for one, checks its text (and caption when given) and answers it.
  void ExpectBox(const std::string& text, int answer = IDOK, const char* caption = nullptr);
  // The next box's text, answered with `answer`; empty when none came.
  std::string TakeBox(int answer = IDOK, std::string* caption = nullptr);
  bool NoBox();  // after the screen has settled
  // Waits for a box and describes it; answers it and lets the screen settle.
  bool Box(plat::win::MessageBoxInfo* b) {
    return WaitFor([&] { return plat::win::PendingMessageBox(b); });
  }
  void Answer(const plat::win::MessageBoxInfo& b, int button) {
    ASSERT_TRUE(plat::win::AnswerMessageBox(button, b.hwnd));
    d->Settle();
  }

  // The server's book.
  std::string Place(const std::string& account, const std::string& code, bool buy, char type, int64_t qty,
                    int64_t price, bool ecn = false);
  std::vector<simsrv::Order> Orders();
  simsrv::Order OrderNo(const std::string& number);

  // Device files.
  std::string HostFile(const char* devicePath);
  static Bytes ReadHost(const std::string& host);
  void WriteHost(const std::string& relative, const std::string& data);
  void StoreFutOptAccounts(const std::vector<std::u16string>& accounts);
  // The futures/options item the finder leaves in "Software\Quorvan": "FOSet_Flag" and the
  // code and name of futures ("FItemCD", "FItemName") or options ("OItemCD", "OItemName"). A
  // null text removes that value.
  struct FutOptPick {
    const char16_t* flag = nullptr;
    const char16_t* futuresCode = nullptr;
    const char16_t* futuresName = nullptr;
    const char16_t* optionCode = nullptr;
    const char16_t* optionName = nullptr;
  };
  void StoreFutOptItem(const FutOptPick& pick);

  simsrv::TradingServer server;
  Login login;
  std::vector<std::string> plugins;  // built plug-in files placed on the device by StartHost()
  int port = 0;
  std::string root;
  HWND owner = 0, sessionWnd = 0, dlg = 0;
  CVXSocketThread* thread = nullptr;
  EE_Encrypt encrypt;
  CCodeManager codes;
  CMenuConfigFile menu;
  HMODULE module = nullptr;
  void (*end)() = nullptr;
  int accountCombo_ = 1009;  // the account combo of the screen under test
  int nameStatic = 9903;     // the item name static that tells Open() the base quote has come (0: none)
  uint16_t baseCode = 4101;  // the base quote Open() waits for (5555 on futures/options screens)
  BOOL autoReceive = FALSE;  // the auto-receive setting handed to MainDlg
  std::unique_ptr<plat::automation::Driver> d;  // last: it ends first

 private:
  std::unique_ptr<SessionState> session_;
};

// A test of one screen plug-in: `pluginFile` is placed on the device as `handheldName`, which
// Open() opens by default.
class ScreenTest : public ::testing::Test, public ScreenHost {
 protected:
  ScreenTest() { plugins = {SCREEN_PLUGINS}; }
  ScreenTest(const char* pluginFile, const char16_t* handheldName)
      : pluginFile_(pluginFile), handheldName_(handheldName) {
    plugins = {SCREEN_PLUGINS};
  }
  void SetUp() override {
    StartHost();
    if (HasFatalFailure() || pluginFile_.empty()) return;
    if (!fs::exists(root + "/Program Files/Quorvan/Bin/" + Utf8(handheldName_)))
      AddPlugin(pluginFile_.c_str(), handheldName_.c_str());
  }
  void TearDown() override { StopHost(); }

 public:
  using ScreenHost::Open;
  // Opens the fixture's own screen (or `handheldName`) and checks the strip's item name.
  void Open(const char16_t* handheldName = nullptr) {
    ScreenHost::Open(handheldName ? handheldName : handheldName_);
    if (!::testing::Test::HasFatalFailure()) {
      ASSERT_TRUE(WaitFor([&] { return Text(9903) == "삼성전자"; })) << Text(9903);
    }
  }

 private:
  std::string pluginFile_;
  std::u16string handheldName_;
};

// The same for a test that runs on a table of parameters.
template <typename P>
class ScreenTestWithParam : public ::testing::TestWithParam<P>, public ScreenHost {
 protected:
  ScreenTestWithParam() { plugins = {SCREEN_PLUGINS}; }
  void SetUp() override { StartHost(); }
  void TearDown() override { StopHost(); }
};

}  // namespace screentest
