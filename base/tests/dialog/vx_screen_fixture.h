// A test screen built on CVXDlg, as a screen plug-in builds its dialog, with an owner window that
// stands for the main program's frame, and a helper that answers message boxes and pop-up menus
// the way a user would while the screen's thread runs them.
#pragma once

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <iterator>
#include <mutex>
#include <thread>
#include <vector>

#include "vx_device_test.h"
#include "vxbase/menu_config.h"
#include "vxbase/messages.h"
#include "vxbase/vx_dlg.h"

namespace vxtest {

constexpr int kTestEditId = 1001;

// Answers every box with `boxAnswer` and every pop-up menu with the item `menuChoice` (0 or an
// item that is not there: dismissed), recording what was shown.
class UiAnswerer {
 public:
  explicit UiAnswerer(UINT menuChoice = 0, int boxAnswer = IDOK) : menuChoice_(menuChoice), boxAnswer_(boxAnswer) {
    plat::win::SetAutomationMode(true);
    worker_ = std::thread([this] { Run(); });
  }
  ~UiAnswerer() {
    stop_ = true;
    worker_.join();
    plat::win::SetAutomationMode(false);
  }
  std::vector<plat::win::MessageBoxInfo> Boxes() {
    std::lock_guard<std::mutex> l(m_);
    return boxes_;
  }
  std::vector<plat::win::MenuInfo> Menus() {
    std::lock_guard<std::mutex> l(m_);
    return menus_;
  }

 private:
  void Run() {
    while (!stop_) {
      plat::win::MessageBoxInfo box;
      if (plat::win::PendingMessageBox(&box)) {
        {
          std::lock_guard<std::mutex> l(m_);
          boxes_.push_back(box);
        }
        plat::win::AnswerMessageBox(boxAnswer_, box.hwnd);
        continue;
      }
      plat::win::MenuInfo menu;
      if (plat::win::PendingMenu(&menu)) {
        {
          std::lock_guard<std::mutex> l(m_);
          menus_.push_back(menu);
        }
        if (!plat::win::ChooseMenuItem(menuChoice_)) plat::win::ChooseMenuItem(0);
        continue;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
  }
  UINT menuChoice_;
  int boxAnswer_;
  std::atomic<bool> stop_{false};
  std::mutex m_;
  std::vector<plat::win::MessageBoxInfo> boxes_;
  std::vector<plat::win::MenuInfo> menus_;
  std::thread worker_;
};

// The screen: the shared buttons, the keypad, the item-code combo and fields, the strip's name
// and title fields, and an edit that takes the keypad on focus.
class CTestScreenDlg : public CVXDlg {
 public:
  CTestScreenDlg() : CVXDlg(129) {}
  int queries = 0;
  int ownQueryButton = 0;
  afx_msg LRESULT OnVxQuery(WPARAM, LPARAM) {
    ++queries;
    return 0;
  }
  afx_msg void OnEditFocus() { SetInputControl(kTestEditId); }
  afx_msg void OnQueryButton() { ++ownQueryButton; }
  afx_msg void OnDrawItem(int id, LPDRAWITEMSTRUCT dis) {
    (void)id;
    DrawItem(dis);
  }
  DECLARE_MESSAGE_MAP()
};

inline std::vector<MSG>& OwnerMessages() {
  static std::vector<MSG> messages;
  return messages;
}

inline LRESULT CALLBACK OwnerProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg >= WM_USER) {
    OwnerMessages().push_back(MSG{hwnd, msg, wParam, lParam, 0, {}});
    return 0;
  }
  return DefWindowProc(hwnd, msg, wParam, lParam);
}

class ScreenTest : public DeviceTest {
 protected:
  void SetUp() override {
    DeviceTest::SetUp();
    OwnerMessages().clear();
    CVXDlg::csLastItemCode.Empty();
    WNDCLASS wc{};
    wc.lpfnWndProc = OwnerProc;
    wc.lpszClassName = u"VXTestFrame";
    RegisterClass(&wc);
    owner_ = CreateWindowEx(0, u"VXTestFrame", u"frame", WS_POPUP, 0, 0, 240, 320, 0, nullptr, nullptr, nullptr);
  }
  void TearDown() override {
    CloseScreen();
    if (owner_) DestroyWindow(owner_);
    DeviceTest::TearDown();
  }

  // Writes the menu file and reads it as the main program does.
  void UseMenuFile(const std::u16string& text) {
    WriteHost("Program Files/Quorvan/Bin/menu.conf", Cp949(text));
    menu_.clear();
    ASSERT_EQ(menu_.ReadFile(VX_MENU_FILE_PATH), 1);
  }

  // Opens the screen as MainDlg does: lent objects first, then the modeless dialog, shown.
  void OpenScreen(CCodeManager* codes = nullptr) {
    screen_ = new CTestScreenDlg;
    screen_->m_pMenuConfig = &menu_;
    screen_->m_pCodeManager = codes;
    screen_->SetWndOwner(owner_);
    ASSERT_TRUE(screen_->Create(129));
    screen_->ShowWindow(SW_SHOW);
    plat::win::PumpMessages();
  }
  void CloseScreen() {
    if (!screen_) return;
    screen_->DestroyWindow();
    delete screen_;
    screen_ = nullptr;
  }

  HWND Control(int id) const { return ::GetDlgItem(screen_->m_hWnd, id); }
  std::u16string Text(int id) const {
    WCHAR buf[256] = {};
    ::GetWindowText(Control(id), buf, 256);
    return buf;
  }
  // A tap in the middle of the control, then everything that follows is handled.
  void Tap(int id) {
    RECT r{};
    ASSERT_TRUE(::GetWindowRect(Control(id), &r)) << "control " << id;
    plat::win::InjectStylus(plat::win::Stylus::Tap, (r.left + r.right) / 2, (r.top + r.bottom) / 2);
    plat::win::PumpMessages();
    plat::win::PumpMessages();
  }
  std::vector<MSG> OwnerGot(UINT message) const {
    std::vector<MSG> out;
    for (const MSG& m : OwnerMessages())
      if (m.message == message) out.push_back(m);
    return out;
  }
  plat::Surface Screen() const {
    plat::Surface s;
    plat::win::ComposeScreen(s);
    return s;
  }

  HWND owner_ = 0;
  CMenuConfigFile menu_;
  CTestScreenDlg* screen_ = nullptr;
};

}  // namespace vxtest
