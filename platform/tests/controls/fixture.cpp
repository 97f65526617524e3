#include "fixture.h"

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <iterator>

namespace ctest {

namespace {

const plat::DialogItemTemplate kItems[] = {
    {WC_STATIC, kStatic, u"라벨", SS_LEFT | WS_VISIBLE, 0, 0, 0, 100, 16},
    {WC_BUTTON, kPush, u"확인", BS_PUSHBUTTON | WS_VISIBLE | WS_TABSTOP, 0, 110, 0, 60, 20},
    {WC_BUTTON, kCheck, u"저장", BS_AUTOCHECKBOX | WS_VISIBLE | WS_TABSTOP, 0, 180, 0, 60, 20},
    {WC_BUTTON, kRadioA, u"A", BS_AUTORADIOBUTTON | WS_GROUP | WS_VISIBLE, 0, 0, 24, 50, 20},
    {WC_BUTTON, kRadioB, u"B", BS_AUTORADIOBUTTON | WS_VISIBLE, 0, 50, 24, 50, 20},
    {WC_BUTTON, kRadioC, u"C", BS_AUTORADIOBUTTON | WS_VISIBLE, 0, 100, 24, 50, 20},
    {WC_BUTTON, kRadioD, u"D", BS_AUTORADIOBUTTON | WS_GROUP | WS_VISIBLE, 0, 150, 24, 50, 20},
    {WC_BUTTON, kOwner, u"", BS_OWNERDRAW | WS_VISIBLE, 0, 200, 24, 40, 20},
    {WC_EDIT, kEdit, u"", ES_AUTOHSCROLL | WS_BORDER | WS_VISIBLE | WS_TABSTOP, 0, 0, 48, 120, 20},
    {WC_EDIT, kPassword, u"", ES_PASSWORD | ES_AUTOHSCROLL | WS_BORDER | WS_VISIBLE | WS_TABSTOP, 0, 120, 48, 120, 20},
    {WC_EDIT, kNumber, u"", ES_NUMBER | WS_BORDER | WS_VISIBLE | WS_TABSTOP, 0, 0, 72, 120, 20},
    {WC_EDIT, kMulti, u"", ES_MULTILINE | ES_WANTRETURN | WS_VSCROLL | WS_BORDER | WS_VISIBLE, 0, 120, 72, 120, 40},
    {WC_COMBOBOX, kCombo, u"", CBS_DROPDOWN | WS_VSCROLL | WS_VISIBLE | WS_TABSTOP, 0, 0, 116, 120, 100},
    {WC_COMBOBOX, kComboList, u"", CBS_DROPDOWNLIST | WS_VSCROLL | WS_VISIBLE | WS_TABSTOP, 0, 120, 116, 120, 100},
    {WC_LISTBOX, kList, u"", LBS_NOTIFY | WS_VSCROLL | WS_BORDER | WS_VISIBLE, 0, 0, 140, 120, 60},
    {WC_LISTVIEW, kView, u"", LVS_REPORT | LVS_SINGLESEL | LVS_SHOWSELALWAYS | WS_VISIBLE, 0, 120, 140, 120, 100},
    {PROGRESS_CLASS, kProgress, u"", WS_VISIBLE, 0, 0, 250, 240, 10},
};
const plat::DialogTemplate kDialog = {WS_POPUP | WS_VISIBLE, 0, 0, 0, 240, 320, u"", nullptr, nullptr, 0, kItems,
                                      std::size(kItems)};
PLAT_RESOURCE(plat::res::Dialog, kTemplate, &kDialog, sizeof kDialog);

}  // namespace

BEGIN_MESSAGE_MAP(CTestDlg, CDialog)
ON_WM_DRAWITEM()
ON_WM_CTLCOLOR()
ON_EN_CHANGE(kEdit, OnEditChange)
END_MESSAGE_MAP()

BOOL CTestDlg::OnInitDialog() {
  ++initCount;
  yellow_.CreateSolidBrush(RGB(255, 255, 191));
  return CDialog::OnInitDialog();
}

BOOL CTestDlg::OnCommand(WPARAM wParam, LPARAM lParam) {
  Note n{WM_COMMAND, LOWORD(wParam), HIWORD(wParam), {}};
  HWND from = static_cast<HWND>(lParam);
  if (from) {
    int len = ::GetWindowTextLength(from);
    std::u16string t(static_cast<size_t>(len) + 1, u'\0');
    t.resize(static_cast<size_t>(::GetWindowText(from, t.data(), len + 1)));
    n.text = t;
    if (n.id == kCombo || n.id == kComboList) n.cursel = static_cast<int>(::SendMessage(from, CB_GETCURSEL, 0, 0));
    if (n.id == kList) n.cursel = static_cast<int>(::SendMessage(from, LB_GETCURSEL, 0, 0));
  }
  notes.push_back(n);
  if (onNote) onNote(n);
  if (!m_hWnd) return TRUE;
  return CDialog::OnCommand(wParam, lParam);
}

BOOL CTestDlg::OnNotify(WPARAM wParam, LPARAM lParam, LRESULT* result) {
  auto* hdr = reinterpret_cast<NMHDR*>(lParam);
  Note n{WM_NOTIFY, static_cast<int>(hdr->idFrom), static_cast<int>(hdr->code), {}};
  int code = static_cast<int>(hdr->code);
  if (code == LVN_ITEMCHANGED || code == NM_CLICK || code == NM_DBLCLK || code == LVN_INSERTITEM ||
      code == LVN_DELETEITEM) {
    auto* nm = reinterpret_cast<NMLISTVIEW*>(lParam);
    n.item = nm->iItem;
    n.oldState = nm->uOldState;
    n.newState = nm->uNewState;
  }
  notes.push_back(n);
  if (onNote) onNote(n);
  if (!m_hWnd) return TRUE;
  return CDialog::OnNotify(wParam, lParam, result);
}

void CTestDlg::OnDrawItem(int id, LPDRAWITEMSTRUCT dis) {
  (void)id;
  draws.push_back(*dis);
}

HBRUSH CTestDlg::OnCtlColor(CDC* dc, CWnd* wnd, UINT kind) {
  HBRUSH br = CDialog::OnCtlColor(dc, wnd, kind);
  if (wnd && wnd->GetDlgCtrlID() == kStatic) {
    dc->SetTextColor(RGB(255, 0, 0));
    dc->SetBkMode(TRANSPARENT);
    return yellow_.GetSafeHandle();
  }
  return br;
}

void CTestDlg::OnEditChange() {
  if (!formatNumbers) return;
  // Thousands separators, written back into the edit as the order screens do.
  CString t;
  GetDlgItemText(kEdit, t);
  t.Remove(u',');
  CString out;
  int n = t.GetLength();
  for (int i = 0; i < n; ++i) {
    if (i > 0 && (n - i) % 3 == 0) out += u',';
    out += t.GetAt(i);
  }
  CEdit* e = static_cast<CEdit*>(GetDlgItem(kEdit));
  e->SetWindowText(out);
  e->SetSel(out.GetLength(), out.GetLength());
}

std::vector<Note> CTestDlg::NotesOf(int id) const {
  std::vector<Note> out;
  for (auto& n : notes)
    if (id == 0 || n.id == id) out.push_back(n);
  return out;
}

std::vector<int> CTestDlg::CodesOf(int id) const {
  std::vector<int> out;
  for (auto& n : notes)
    if (n.id == id) out.push_back(n.code);
  return out;
}

void ControlsTest::SetUp() {
  char tmpl[] = "/tmp/larkspin-ctest-XXXXXX";
  ASSERT_NE(mkdtemp(tmpl), nullptr);
  root_ = tmpl;
  plat::SetDeviceRoot(root_);
  setenv("LARKSPIN_ROOT", root_.c_str(), 1);
  unsetenv("LARKSPIN_AUTOMATION");
  plat::win::ResetForTests();
  plat::clock::UseVirtual(1000000);
  dlg_ = new CTestDlg;
  ASSERT_TRUE(dlg_->Create(kTemplate));
  ASSERT_NE(dlg_->m_hWnd, 0u);
  Pump();
  dlg_->notes.clear();
  dlg_->draws.clear();
}

void ControlsTest::TearDown() {
  if (dlg_) {
    dlg_->DestroyWindow();
    delete dlg_;
    dlg_ = nullptr;
  }
  CWnd::DeleteTempMap();
  plat::win::ResetForTests();
  plat::clock::UseReal();
  std::error_code ec;
  std::filesystem::remove_all(root_, ec);
}

void ControlsTest::Pump() {
  // Later taps must not pair up with earlier ones into double taps.
  plat::win::PumpMessages();
}

RECT ControlsTest::ScreenRect(int id) const {
  RECT r{};
  ::GetWindowRect(Item(id), &r);
  return r;
}

void ControlsTest::TapScreen(int x, int y) {
  plat::win::InjectStylus(plat::win::Stylus::Tap, x, y);
  Pump();
  plat::clock::Advance(1000);
  Pump();
}

void ControlsTest::Tap(int id, int dx, int dy) {
  RECT r = ScreenRect(id);
  int x = dx < 0 ? (r.left + r.right) / 2 : r.left + dx;
  int y = dy < 0 ? (r.top + r.bottom) / 2 : r.top + dy;
  TapScreen(x, y);
}

void ControlsTest::Type(const std::u16string& text) {
  for (WCHAR c : text) {
    plat::win::InjectChar(c);
    Pump();
  }
}

std::u16string ControlsTest::Text(int id) const {
  HWND h = Item(id);
  int len = ::GetWindowTextLength(h);
  std::u16string t(static_cast<size_t>(len) + 1, u'\0');
  t.resize(static_cast<size_t>(::GetWindowText(h, t.data(), len + 1)));
  return t;
}

}  // namespace ctest
