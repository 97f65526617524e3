// Messages between processes of one device root, against a peer program.
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <thread>

#include "window_test_util.h"

extern char** environ;

using namespace wtest;

namespace {

class IpcTest : public WindowTest {
 protected:
  void SetUp() override {
    WindowTest::SetUp();
    const char* argv[] = {WINDOW_PEER_PATH, root_.c_str(), nullptr};
    ASSERT_EQ(posix_spawn(&pid_, WINDOW_PEER_PATH, nullptr, nullptr, const_cast<char**>(argv), environ), 0);
    ASSERT_TRUE(WaitForFile("peer.hwnd", &peer_));
  }
  void TearDown() override {
    if (pid_ > 0 && !reaped_) {
      kill(pid_, SIGKILL);
      waitpid(pid_, nullptr, 0);
    }
    WindowTest::TearDown();
  }
  bool WaitForFile(const std::string& name, HWND* value) {
    for (int i = 0; i < 5000; ++i) {
      std::ifstream in(root_ + "/" + name);
      unsigned long v = 0;
      if (in >> v) {
        *value = static_cast<HWND>(v);
        return true;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return false;
  }
  // The peer's exit status, or -1 when it does not end within the time.
  int WaitForExit(int ms) {
    for (int i = 0; i < ms; ++i) {
      int status = 0;
      if (waitpid(pid_, &status, WNOHANG) == pid_) {
        reaped_ = true;
        return WIFEXITED(status) ? WEXITSTATUS(status) : 128;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return -1;
  }
  pid_t pid_ = -1;
  bool reaped_ = false;
  HWND peer_ = 0;
};

TEST_F(IpcTest, SendAndPostReachTheOtherProcess) {
  EXPECT_EQ(plat::win::RunFolder(), "") << "no window of ours yet";
  MakeTop();
  EXPECT_EQ(plat::win::RunFolder(), root_ + "/run");
  EXPECT_TRUE(IsWindow(peer_));
  DWORD pid = 0;
  EXPECT_NE(GetWindowThreadProcessId(peer_, &pid), 0u);
  EXPECT_EQ(pid, static_cast<DWORD>(pid_));
  EXPECT_EQ(SendMessage(peer_, WM_USER + 1, 2, 3), 5);
  EXPECT_EQ(SendMessage(peer_, WM_USER + 1, 0, -9), -9) << "negative results travel whole";
  EXPECT_TRUE(PostMessage(peer_, WM_USER + 5, 9, 0));
  HWND posted = 0;
  ASSERT_TRUE(WaitForFile("peer.posted", &posted));
  EXPECT_EQ(posted, 9u);
  EXPECT_EQ(peer_ + 1, peer_ + 1);
  EXPECT_FALSE(IsWindow(peer_ + 1)) << "a handle the peer never gave out";
  EXPECT_EQ(SendMessage(peer_ + 1, WM_USER + 1, 2, 3), 0);
}

TEST_F(IpcTest, MessagesCarryingPointersDoNotCross) {
  // The peer would read or write our address in its own memory.
  EXPECT_EQ(SendMessage(peer_, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(u"x")), 0);
  WCHAR buf[16] = u"unchanged";
  EXPECT_EQ(GetWindowText(peer_, buf, 16), 0);
  EXPECT_EQ(std::u16string(buf), u"");
  EXPECT_FALSE(PostMessage(peer_, WM_NOTIFY, 1, reinterpret_cast<LPARAM>(buf)));
  EXPECT_EQ(SendMessage(peer_, WM_USER + 1, 1, 2), 3) << "the peer is unharmed";
  EXPECT_EQ(GetWindowTextLength(peer_), 4) << "integer-only system messages do cross";
}

TEST_F(IpcTest, PeerMaySendBackWhileWeWait) {
  HWND mine = MakeTop();
  Handlers()[WM_USER + 3] = [](HWND, UINT, WPARAM wp, LPARAM, bool*) -> LRESULT {
    return static_cast<LRESULT>(wp) * 10;
  };
  EXPECT_EQ(SendMessage(peer_, WM_USER + 2, 4, static_cast<LPARAM>(mine)), 41);
  auto got = MessagesOf(mine);
  ASSERT_FALSE(got.empty());
  EXPECT_EQ(got.back().msg, WM_USER + 3u);
}

TEST_F(IpcTest, BothProcessesSendingAtOnceFinish) {
  HWND mine = MakeTop();
  Handlers()[WM_USER + 3] = [](HWND, UINT, WPARAM wp, LPARAM, bool*) -> LRESULT {
    return static_cast<LRESULT>(wp) * 10;
  };
  ASSERT_TRUE(PostMessage(peer_, WM_USER + 8, 0, static_cast<LPARAM>(mine)));
  // The peer may be sending to us right now; our send to it must still come back.
  for (int i = 0; i < 20; ++i) EXPECT_EQ(SendMessage(peer_, WM_USER + 1, static_cast<WPARAM>(i), 1), i + 1);
  HWND sent = 0;
  ASSERT_TRUE(plat::win::PumpUntil([&] {
    std::ifstream in(root_ + "/peer.sent");
    unsigned long v = 0;
    if (!(in >> v)) return false;
    sent = static_cast<HWND>(v);
    return true;
  }));
  EXPECT_EQ(sent, 50u);
}

TEST_F(IpcTest, ShowWindowAcrossProcesses) {
  EXPECT_FALSE(IsWindowVisible(peer_));
  EXPECT_FALSE(ShowWindow(peer_, SW_SHOW)) << "it was hidden";
  EXPECT_TRUE(IsWindowVisible(peer_));
  EXPECT_TRUE(ShowWindow(peer_, SW_HIDE)) << "it was shown";
  EXPECT_FALSE(IsWindowVisible(peer_));
}

TEST_F(IpcTest, APeerThatDiesDuringASendReturnsZero) {
  auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(SendMessage(peer_, WM_USER + 4, 0, 0), 0);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(3));
  EXPECT_EQ(WaitForExit(3000), 0);
  EXPECT_FALSE(IsWindow(peer_));
  EXPECT_EQ(SendMessage(peer_, WM_USER + 1, 1, 1), 0);
  EXPECT_FALSE(PostMessage(peer_, WM_USER + 1, 1, 1));
  EXPECT_FALSE(ShowWindow(peer_, SW_SHOW));
}

TEST_F(IpcTest, CloseEndsThePeerAndTheEventLogTellsWhatCrossed) {
  EXPECT_EQ(SendMessage(peer_, WM_USER + 1, 20, 22), 42);
  EXPECT_TRUE(PostMessage(peer_, WM_CLOSE, 0, 0));
  EXPECT_EQ(WaitForExit(3000), 0);
  auto lines = EventLines(root_);
  const std::string pid = std::to_string(getpid());
  const std::string h = std::to_string(peer_);
  bool sent = false, closed = false;
  for (auto& l : lines) {
    if (l.find("\t" + pid + "\tsend\t" + h + "\t1025\t20\t22\t42\tok") != std::string::npos) sent = true;
    if (l.find("\t" + pid + "\tpost\t" + h + "\t16\t0\t0\t") != std::string::npos) closed = true;
  }
  EXPECT_TRUE(sent) << lines.size();
  EXPECT_TRUE(closed);
}

}  // namespace

// ---- One screen for every program of the device root ----------------------------------------

class DeviceScreenTest : public IpcTest {
 protected:
  void SetUp() override {
    IpcTest::SetUp();
    plat::win::SetScreenSharing(true);
  }
  void TearDown() override {
    plat::win::SetScreenSharing(false);
    IpcTest::TearDown();
  }
  // Composes the device's screen until `cond` holds (the peer publishes when its loop is idle).
  bool ScreenShows(const std::function<bool(const plat::Surface&)>& cond) {
    for (int i = 0; i < 5000; ++i) {
      plat::win::PumpMessages();
      plat::Surface s;
      plat::win::ComposeScreen(s);
      if (cond(s)) return true;
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return false;
  }
  static bool HasText(const plat::Surface& s, const std::u16string& text) {
    return std::any_of(s.texts.begin(), s.texts.end(), [&](const plat::TextRecord& t) { return t.text == text; });
  }
};

TEST_F(DeviceScreenTest, WindowsOfBothProgramsShareOneZOrder) {
  HWND mine = MakeTop(0, 0, 240, 320);
  ASSERT_TRUE(ScreenShows([](const plat::Surface& s) { return s.Row(160)[120] == RGB(255, 255, 255); }));
  // The other program's window comes to the front of the device: its picture and its texts are
  // on the screen this program composes.
  ShowWindow(peer_, SW_SHOW);
  EXPECT_TRUE(
      ScreenShows([](const plat::Surface& s) { return s.Row(160)[120] == RGB(0, 0, 255) && HasText(s, u"peer"); }));
  // This program's window comes back to the front: the peer's texts are covered.
  BringWindowToTop(mine);
  EXPECT_TRUE(ScreenShows(
      [](const plat::Surface& s) { return s.Row(160)[120] == RGB(255, 255, 255) && !HasText(s, u"peer"); }));
  // A hidden window of the other program is not on the screen, whatever its place.
  ShowWindow(peer_, SW_SHOW);
  ASSERT_TRUE(ScreenShows([](const plat::Surface& s) { return s.Row(160)[120] == RGB(0, 0, 255); }));
  ShowWindow(peer_, SW_HIDE);
  EXPECT_TRUE(ScreenShows(
      [](const plat::Surface& s) { return s.Row(160)[120] == RGB(255, 255, 255) && !HasText(s, u"peer"); }));
}

TEST_F(DeviceScreenTest, APictureThatKeepsChangingReachesTheScreenInEachSettledState) {
  ShowWindow(peer_, SW_SHOW);
  ASSERT_TRUE(ScreenShows([](const plat::Surface& s) { return HasText(s, u"peer"); }));
  // Each change comes right after the last one reached the screen, within the peer's frame: the
  // peer holds it for the end of the frame and then publishes it without anything else happening.
  for (int i = 1; i <= 20; ++i) {
    ASSERT_TRUE(PostMessage(peer_, WM_USER + 9, static_cast<WPARAM>(i), 0));
    const std::string n = std::to_string(i);
    const std::u16string label = u"peer " + std::u16string(n.begin(), n.end());
    ASSERT_TRUE(ScreenShows([&](const plat::Surface& s) { return HasText(s, label); })) << i;
  }
}

TEST_F(DeviceScreenTest, AProgramWhoseLayerFileWasRemovedPublishesItAgain) {
  ShowWindow(peer_, SW_SHOW);
  ASSERT_TRUE(ScreenShows([](const plat::Surface& s) { return HasText(s, u"peer"); }));
  // The run folder's pictures are cleared under the running peer (this program has none: its
  // windows are composed from memory): the peer's next picture is in a new file.
  for (const auto& e : std::filesystem::directory_iterator(root_ + "/run/screen"))
    if (e.path().filename().string().rfind("layers.", 0) == 0) std::filesystem::remove(e.path());
  for (int i = 1; i <= 3; ++i) {
    ASSERT_TRUE(PostMessage(peer_, WM_USER + 9, static_cast<WPARAM>(i), 0));
    const std::string n = std::to_string(i);
    const std::u16string label = u"peer " + std::u16string(n.begin(), n.end());
    ASSERT_TRUE(ScreenShows([&](const plat::Surface& s) { return HasText(s, label); })) << i;
  }
}

TEST_F(DeviceScreenTest, AnotherProgramsPictureIsNeverTakenHalfWritten) {
  ShowWindow(peer_, SW_SHOW);
  ASSERT_TRUE(ScreenShows([](const plat::Surface& s) { return HasText(s, u"peer"); }));
  // The peer repaints its whole window in a new colour again and again while this program
  // composes the screen as fast as it can: a picture read while the peer writes its layers would
  // show the new colour above and the old one below.
  const int rows[] = {60, 180, 300};
  for (int i = 1; i <= 150; ++i) {
    const COLORREF fill = RGB(i, 255 - i, 100);
    ASSERT_TRUE(PostMessage(peer_, WM_USER + 10, fill, 0));
    bool reached = false;
    for (int k = 0; k < 20000 && !reached; ++k) {
      plat::Surface s;
      plat::win::ComposeScreen(s);
      const COLORREF top = s.Row(rows[0])[120];
      for (int y : rows)
        for (int x : {10, 120, 230}) ASSERT_EQ(s.Row(y)[x], top) << "frame " << i << " at " << x << "," << y;
      reached = top == fill;
    }
    ASSERT_TRUE(reached) << i;
  }
}

TEST_F(DeviceScreenTest, InputFromTheDesktopWindowReachesTheProgramThatOwnsTheWindow) {
  ShowWindow(peer_, SW_SHOW);
  // What the program showing the desktop window posts for a stylus down on the peer's window.
  ASSERT_TRUE(PostMessage(peer_, WM_PLAT_FIRST + 2, 1, MAKELPARAM(50, 60)));
  std::string tap;
  for (int i = 0; i < 5000 && tap.empty(); ++i) {
    std::ifstream in(root_ + "/peer.tap");
    std::getline(in, tap);
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  EXPECT_EQ(tap, "50,60");
}
