#include "showcase.h"

#include <iterator>

#include "plat/windows.h"

namespace showcase {

namespace {

const plat::DialogItemTemplate kItems[] = {
    {WC_STATIC, kTitle, u"삼성전자 현재가 ▲", SS_CENTER | WS_VISIBLE, 0, 4, 4, 232, 18},
    {WC_BUTTON, kBuy, u"매수", BS_PUSHBUTTON | WS_VISIBLE | WS_TABSTOP, 0, 4, 26, 60, 22},
    {WC_BUTTON, kAuto, u"자동수신", BS_AUTOCHECKBOX | WS_VISIBLE | WS_TABSTOP, 0, 70, 26, 90, 22},
    {WC_BUTTON, kFace, u"", BS_OWNERDRAW | WS_VISIBLE, 0, 166, 26, 70, 22},
    {WC_BUTTON, kLimit, u"지정가", BS_AUTORADIOBUTTON | WS_GROUP | WS_VISIBLE, 0, 4, 52, 80, 20},
    {WC_BUTTON, kMarket, u"시장가", BS_AUTORADIOBUTTON | WS_VISIBLE, 0, 90, 52, 80, 20},
    {WC_EDIT, kCode, u"005930", ES_AUTOHSCROLL | WS_BORDER | WS_VISIBLE | WS_TABSTOP, 0, 4, 76, 110, 20},
    {WC_EDIT, kPassword, u"0000", ES_PASSWORD | WS_BORDER | WS_VISIBLE | WS_TABSTOP, 0, 122, 76, 114, 20},
    {WC_EDIT, kNote, u"주문 확인\r\n체결 조회", ES_MULTILINE | WS_BORDER | WS_VISIBLE, 0, 4, 100, 232, 36},
    {WC_COMBOBOX, kCombo, u"", CBS_DROPDOWNLIST | WS_VSCROLL | WS_VISIBLE | WS_TABSTOP, 0, 4, 140, 232, 100},
    {WC_LISTBOX, kList, u"", WS_VSCROLL | WS_BORDER | WS_VISIBLE, 0, 4, 166, 110, 70},
    {WC_LISTVIEW, kView, u"", LVS_REPORT | LVS_SINGLESEL | LVS_SHOWSELALWAYS | WS_BORDER | WS_VISIBLE, 0, 118, 166, 118,
     120},
    {PROGRESS_CLASS, kProgress, u"", WS_BORDER | WS_VISIBLE, 0, 4, 292, 232, 14},
};
const plat::DialogTemplate kDialog = {WS_POPUP | WS_VISIBLE, 0, 0, 0, 240, 320, u"", nullptr, u"돋움", 12, kItems,
                                      std::size(kItems)};
PLAT_RESOURCE(plat::res::Dialog, kTemplate, &kDialog, sizeof kDialog);

void Fill(HWND dlg) {
  HWND combo = GetDlgItem(dlg, kCombo);
  for (const WCHAR* s : {u"12345678-01 종합", u"12345678-02 선물옵션"})
    SendMessage(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(s));
  SendMessage(combo, CB_SETCURSEL, 0, 0);
  HWND list = GetDlgItem(dlg, kList);
  for (const WCHAR* s : {u"코스피", u"코스닥", u"선물"})
    SendMessage(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(s));
  SendMessage(list, LB_SETCURSEL, 1, 0);
  HWND view = GetDlgItem(dlg, kView);
  const WCHAR* heads[] = {u"종목", u"가격"};
  for (int c = 0; c < 2; ++c) {
    LVCOLUMN col{};
    col.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM;
    col.cx = 56;
    col.pszText = const_cast<LPWSTR>(heads[c]);
    col.iSubItem = c;
    SendMessage(view, LVM_INSERTCOLUMN, static_cast<WPARAM>(c), reinterpret_cast<LPARAM>(&col));
  }
  const WCHAR* rows[][2] = {{u"삼성전자", u"52,300"}, {u"현대차", u"48,150"}};
  for (int r = 0; r < 2; ++r) {
    LVITEM item{};
    item.mask = LVIF_TEXT;
    item.iItem = r;
    item.pszText = const_cast<LPWSTR>(rows[r][0]);
    SendMessage(view, LVM_INSERTITEM, 0, reinterpret_cast<LPARAM>(&item));
    item.iSubItem = 1;
    item.pszText = const_cast<LPWSTR>(rows[r][1]);
    SendMessage(view, LVM_SETITEMTEXT, static_cast<WPARAM>(r), reinterpret_cast<LPARAM>(&item));
  }
  SendMessage(GetDlgItem(dlg, kProgress), PBM_SETPOS, 60, 0);
  SendMessage(GetDlgItem(dlg, kAuto), BM_SETCHECK, BST_CHECKED, 0);
  SendMessage(GetDlgItem(dlg, kLimit), BM_SETCHECK, BST_CHECKED, 0);
}

// The owner-drawn button's face: a red panel with white text, as the screens' button faces.
void DrawFace(const DRAWITEMSTRUCT* dis) {
  HBRUSH red = CreateSolidBrush(RGB(200, 0, 0));
  FillRect(dis->hDC, &dis->rcItem, red);
  DeleteObject(red);
  SetBkMode(dis->hDC, TRANSPARENT);
  SetTextColor(dis->hDC, RGB(255, 255, 255));
  RECT r = dis->rcItem;
  DrawText(dis->hDC, u"주문", -1, &r, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
}

BOOL Proc(HWND dlg, UINT msg, WPARAM, LPARAM lParam) {
  switch (msg) {
    case WM_INITDIALOG:
      // Full screen as the system's screens run: no task bar, input-panel button or start icon.
      SHFullScreen(dlg, SHFS_HIDETASKBAR | SHFS_HIDESIPBUTTON | SHFS_HIDESTARTICON);
      Fill(dlg);
      return TRUE;
    case WM_DRAWITEM: DrawFace(reinterpret_cast<const DRAWITEMSTRUCT*>(lParam)); return TRUE;
    default: return FALSE;
  }
}

}  // namespace

HWND Build(plat::Surface& screen) {
  HWND dlg = CreateDialogParam(GetModuleHandle(nullptr), MAKEINTRESOURCE(kTemplate), 0, Proc, 0);
  if (!dlg) return 0;
  ShowWindow(dlg, SW_SHOW);
  UpdateWindow(dlg);
  plat::win::PumpMessages();
  plat::win::ComposeScreen(screen);
  return dlg;
}

}  // namespace showcase
