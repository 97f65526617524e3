// Shared fixture of the control and framework tests: a device root of its own, the virtual
// clock, and a modeless dialog holding one control of every kind whose parent records every
// notification it hears.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <initializer_list>
#include <string>
#include <vector>

#include "plat/afx.h"

namespace ctest {

enum Id {
  kTemplate = 200,
  kStatic = 100,
  kPush = 101,
  kCheck = 102,
  kRadioA = 103,
  kRadioB = 104,
  kRadioC = 105,
  kRadioD = 106,  // starts a second group
  kOwner = 107,
  kEdit = 110,
  kPassword = 111,
  kNumber = 112,
  kMulti = 113,
  kCombo = 120,      // editable drop-down
  kComboList = 121,  // drop-down list
  kList = 130,
  kView = 140,
  kProgress = 150,
};

// One notification as the dialog heard it, with the state of the sender at that moment.
struct Note {
  UINT msg;  // WM_COMMAND or WM_NOTIFY
  int id;
  int code;
  std::u16string text;  // the control's window text when notified
  int cursel = -1;      // combo / list box: current selection when notified
  int item = -1;        // list view: iItem
  UINT oldState = 0, newState = 0;
};

class CTestDlg : public CDialog {
 public:
  CTestDlg() : CDialog(kTemplate) {}
  std::vector<Note> notes;
  std::vector<DRAWITEMSTRUCT> draws;
  bool formatNumbers = false;  // reformat edit kEdit with thousands separators on EN_CHANGE
  int initCount = 0;
  // Called after each notification is recorded (for handlers that act on the dialog).
  std::function<void(const Note&)> onNote;

  // Notes of one control (0: all), optionally only WM_COMMAND codes.
  std::vector<Note> NotesOf(int id) const;
  std::vector<int> CodesOf(int id) const;

 protected:
  BOOL OnInitDialog() override;
  BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;
  BOOL OnNotify(WPARAM wParam, LPARAM lParam, LRESULT* result) override;
  afx_msg void OnDrawItem(int id, LPDRAWITEMSTRUCT dis);
  afx_msg HBRUSH OnCtlColor(CDC* dc, CWnd* wnd, UINT kind);
  afx_msg void OnEditChange();
  DECLARE_MESSAGE_MAP()

 private:
  CBrush yellow_;
};

// The codes with those in `drop` left out.
inline std::vector<int> Without(std::vector<int> codes, std::initializer_list<int> drop) {
  std::vector<int> out;
  for (int c : codes)
    if (std::find(drop.begin(), drop.end(), c) == drop.end()) out.push_back(c);
  return out;
}

class ControlsTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

 public:
  HWND Item(int id) const { return ::GetDlgItem(dlg_->m_hWnd, id); }
  // Taps the control at a point relative to its window's top-left corner (the centre when -1).
  void Tap(int id, int dx = -1, int dy = -1);
  void TapScreen(int x, int y);
  void Type(const std::u16string& text);
  void Pump();
  std::u16string Text(int id) const;
  RECT ScreenRect(int id) const;

  std::string root_;
  CTestDlg* dlg_ = nullptr;
};

}  // namespace ctest
