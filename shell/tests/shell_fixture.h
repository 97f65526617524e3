// Test device roots for the shell: the sample device data pointed at a simulated server, a small
// menu naming the stand-in screens, the stand-ins in the program folder; and a fixture that hosts
// VXMain's frame on an automation driver's user-interface thread (virtual clock).
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "plat/automation.h"
#include "plat/windows.h"
#include "simserver/server.h"
#include "vxmain/main_frame.h"

namespace shelltest {

// The menu of the tests: 90100 the start screen, 90101 the login, then plug-ins that are not
// screens and one that is not installed.
extern const char kTestMenu[];

// Makes a temporary device root: sample files with both ports, the test menu, the stand-ins.
std::string MakeRoot(int mainPort, int versionPort);
void RemoveRoot(const std::string& root);
std::string HostFile(const std::string& root, const std::string& devicePath);
void WriteHostFile(const std::string& path, const std::string& content);
std::string ReadHostFile(const std::string& path);
bool CopyHostFile(const std::string& from, const std::string& to);
// The lines of "standin.log".
std::vector<std::string> StandinLog(const std::string& root);
int IndexOf(const std::vector<std::string>& lines, const std::string& line, int from = 0);
// Code page 949 bytes of a UTF-8 text (the stand-ins log UTF-8; kept for symmetry).
std::string Utf8(const std::u16string& s);

// Registry helpers (HKEY_LOCAL_MACHINE unless given).
void SetString(const std::u16string& key, const std::u16string& name, const std::u16string& value,
               HKEY root = HKEY_LOCAL_MACHINE);
void SetDword(const std::u16string& key, const std::u16string& name, DWORD value, HKEY root = HKEY_LOCAL_MACHINE);
bool HasValue(const std::u16string& key, const std::u16string& name, HKEY root = HKEY_LOCAL_MACHINE);
// A dial-up phone-book entry.
void AddPhoneBookEntry(const std::u16string& name, const std::u16string& deviceType);

template <typename F>
bool WaitReal(F cond, int ms = 5000) {
  auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
  while (std::chrono::steady_clock::now() < end) {
    if (cond()) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  return cond();
}

class FrameTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // Creates the frame (and, with `withUpdater`, a stand-in updater window recorded in the table
  // that answers the version-server connect at once).
  void StartFrame(bool withUpdater = true);
  // Sends the frame a message from its own thread, as a screen does; returns the answer.
  LRESULT Send(UINT msg, WPARAM wParam = 0, LPARAM lParam = 0);
  void Post(UINT msg, WPARAM wParam = 0, LPARAM lParam = 0);
  template <typename F>
  bool WaitFor(F cond, int ms = 5000) {
    return WaitReal(
        [&] {
          d->Settle();
          return cond();
        },
        ms);
  }
  // Waits for a pending box; checks its text (and caption when given).
  bool WaitBox(const std::u16string& text, const std::u16string& caption = u"");
  bool NoBox() { return !plat::win::PendingMessageBox(nullptr); }
  std::vector<std::string> Log() { return StandinLog(root); }
  bool LogHas(const std::string& line) { return IndexOf(Log(), line) >= 0; }
  bool WaitLog(const std::string& line, int ms = 5000) {
    return WaitFor([&] { return LogHas(line); }, ms);
  }
  int LogCount(const std::string& line);
  bool FrameAlive();
  // What the stand-in updater window was sent: "VERSION_CONNECT w l", "VERSION_CHECK", "CLOSE".
  std::vector<std::string> UpdaterLog();
  template <typename T, typename F>
  T OnUi(F f) {
    T value{};
    d->Ui([&] { value = f(); });
    return value;
  }

  simsrv::TradingServer server;
  int port = 0;
  std::string root;
  std::unique_ptr<plat::automation::Driver> d;
  CVXMainFrame* frame = nullptr;
  HWND hwnd = 0;
  HWND updater = 0;
};

}  // namespace shelltest
