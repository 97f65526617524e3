#include "sample_screen.h"

#include <cstdio>
#include <string>

#include "plat/kernel.h"
#include "plat/windows.h"

namespace sample {

const char16_t kPeerClass[] = u"AutoPeer";

namespace {

const char16_t kScreenClass[] = u"AutoSample";
const char16_t kGridClass[] = u"AutoGrid";

// The peer's window handle travels in a file of the device root, as the programs of the system
// share their handles.
std::string PeerFile() { return plat::DeviceRoot() + "/peer.hwnd"; }
HWND PeerWindow() {
  unsigned v = 0;
  if (FILE* f = std::fopen(PeerFile().c_str(), "r")) {
    if (std::fscanf(f, "%u", &v) != 1) v = 0;
    std::fclose(f);
  }
  return static_cast<HWND>(v);
}

std::u16string W(const std::string& s) { return std::u16string(s.begin(), s.end()); }

void Status(HWND top, const std::string& text) { SetDlgItemText(top, kStatus, W(text).c_str()); }

LRESULT CALLBACK GridProc(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_PLAT_INSPECT:
      *reinterpret_cast<std::u16string*>(wp) =
          u"row 0 \"Price\" fg=0x000000 bg=0x8CDFFF | \"70,100\" fg=0x0000FF bg=0xFFFFFF\n"
          u"row 1 \"Volume\" fg=0x000000 bg=0x8CDFFF | \"1,234\" fg=0x000000 bg=0xFFFFFF";
      return TRUE;
    case WM_PAINT: {
      // The first cell: a label cell and its text in red.
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(h, &ps);
      RECT cell{0, 0, 60, 20};
      HBRUSH label = CreateSolidBrush(0x8CDFFF);
      FillRect(dc, &cell, label);
      DeleteObject(label);
      SetBkMode(dc, TRANSPARENT);
      SetTextColor(dc, 0x0000FF);
      DrawText(dc, u"Price", -1, &cell, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
      EndPaint(h, &ps);
      return 0;
    }
    case WM_PLAT_TAP_CELL:
      if (wp > 1 || lp < 0 || lp > 1) return FALSE;
      Notes().push_back("cell " + std::to_string(wp) + " " + std::to_string(lp));
      return TRUE;
    default: return DefWindowProc(h, msg, wp, lp);
  }
}

LRESULT CALLBACK ScreenProc(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_COMMAND: {
      int id = LOWORD(wp), code = HIWORD(wp);
      if (lp == 0) {  // from a menu
        Notes().push_back("menu " + std::to_string(id));
        return 0;
      }
      Notes().push_back("command " + std::to_string(id) + " " + std::to_string(code));
      if (id == kSend && code == BN_CLICKED) {
        WCHAR text[64] = {};
        GetDlgItemText(h, kEdit, text, 64);
        std::u16string q = u"Send " + std::u16string(text) + u"?";
        int answer = MessageBox(h, q.c_str(), u"Confirm", MB_OKCANCEL | MB_ICONQUESTION);
        Notes().push_back("box " + std::to_string(answer));
        if (answer != IDOK) {
          Status(h, "cancelled");
          return 0;
        }
        HWND peer = PeerWindow();
        LRESULT r = peer ? SendMessage(peer, kPeerMessage, 7, 9) : -1;
        Notes().push_back("peer " + std::to_string(r));
        Status(h, "sent " + std::to_string(r));
      } else if (id == kCombo && code == CBN_SELCHANGE) {
        int sel = static_cast<int>(SendDlgItemMessage(h, kCombo, CB_GETCURSEL, 0, 0));
        Status(h, "picked " + std::to_string(sel));
      } else if (id == kMenu && code == BN_CLICKED) {
        HMENU m = CreatePopupMenu();
        AppendMenu(m, MF_STRING, kMenuBuy, u"Buy");
        AppendMenu(m, MF_SEPARATOR, 0, nullptr);
        AppendMenu(m, MF_STRING | MF_GRAYED, kMenuSell, u"Sell");
        AppendMenu(m, MF_STRING, kMenuHold, u"Hold");
        TrackPopupMenu(m, 0, 20, 200, 0, h, nullptr);
        DestroyMenu(m);
      } else if (id == kTimer && code == BN_CLICKED) {
        SetTimer(h, 1, 1000, nullptr);
      }
      return 0;
    }
    case WM_NOTIFY: {
      auto* nm = reinterpret_cast<NMLISTVIEW*>(lp);
      if (nm->hdr.code == static_cast<UINT>(LVN_ITEMCHANGED) && (nm->uNewState & LVIS_SELECTED) &&
          !(nm->uOldState & LVIS_SELECTED))
        Notes().push_back("notify " + std::to_string(nm->hdr.idFrom) + " selected " + std::to_string(nm->iItem));
      return 0;
    }
    case WM_TIMER:
      KillTimer(h, wp);
      Notes().push_back("timer");
      Status(h, "tick");
      return 0;
    case WM_CLOSE: DestroyWindow(h); return 0;
    case WM_DESTROY: PostQuitMessage(0); return 0;
    default: return DefWindowProc(h, msg, wp, lp);
  }
}

LRESULT CALLBACK PeerProc(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == kPeerMessage) {
    SetWindowText(h, W("got " + std::to_string(wp) + " " + std::to_string(lp)).c_str());
    return static_cast<LRESULT>(wp + static_cast<WPARAM>(lp));
  }
  if (msg == WM_CLOSE) {
    DestroyWindow(h);
    return 0;
  }
  if (msg == WM_DESTROY) {
    PostQuitMessage(0);
    return 0;
  }
  return DefWindowProc(h, msg, wp, lp);
}

void RegisterOnce() {
  WNDCLASS wc{};
  wc.lpfnWndProc = ScreenProc;
  wc.lpszClassName = kScreenClass;
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
  RegisterClass(&wc);
  wc.lpfnWndProc = GridProc;
  wc.lpszClassName = kGridClass;
  RegisterClass(&wc);
  wc.lpfnWndProc = PeerProc;
  wc.lpszClassName = kPeerClass;
  RegisterClass(&wc);
}

HWND Child(HWND top, const char16_t* cls, const char16_t* text, DWORD style, int id, int x, int y, int w, int h) {
  return CreateWindowEx(0, cls, text, WS_CHILD | WS_VISIBLE | style, x, y, w, h, top, PLAT_ID_AS_MENU(id), nullptr,
                        nullptr);
}

}  // namespace

std::vector<std::string>& Notes() {
  static std::vector<std::string> notes;
  return notes;
}

HWND Build() {
  RegisterOnce();
  HWND top =
      CreateWindowEx(0, kScreenClass, u"Sample", WS_POPUP | WS_VISIBLE, 0, 26, 240, 294, 0, nullptr, nullptr, nullptr);
  Child(top, WC_EDIT, u"", WS_BORDER | WS_TABSTOP | ES_AUTOHSCROLL, kEdit, 10, 10, 120, 20);
  Child(top, WC_BUTTON, u"Send", BS_PUSHBUTTON | WS_TABSTOP, kSend, 140, 10, 90, 20);
  Child(top, WC_BUTTON, u"Market", BS_AUTOCHECKBOX | WS_TABSTOP, kCheck, 10, 36, 100, 18);
  HWND combo = Child(top, WC_COMBOBOX, u"", CBS_DROPDOWNLIST | WS_VSCROLL | WS_TABSTOP, kCombo, 10, 60, 120, 100);
  for (int i = 0; i < 20; ++i)
    SendMessage(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(W("Item " + std::to_string(i)).c_str()));
  HWND list = Child(top, WC_LISTBOX, u"", LBS_NOTIFY | WS_BORDER | WS_VSCROLL, kList, 140, 36, 90, 60);
  for (const char16_t* s : {u"Seoul", u"Busan", u"Incheon", u"Daegu", u"Daejeon", u"Gwangju", u"Ulsan", u"Suwon"})
    SendMessage(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(s));
  Child(top, WC_STATIC, u"ready", 0, kStatus, 10, 100, 120, 18);
  Child(top, WC_EDIT, u"", WS_BORDER | ES_PASSWORD, kPassword, 140, 100, 90, 18);
  Child(top, WC_BUTTON, u"Menu", BS_PUSHBUTTON, kMenu, 10, 124, 60, 20);
  Child(top, WC_BUTTON, u"Timer", BS_PUSHBUTTON, kTimer, 80, 124, 60, 20);
  Child(top, WC_BUTTON, u"Off", BS_PUSHBUTTON | WS_DISABLED, kOff, 150, 124, 60, 20);
  Child(top, kGridClass, u"", WS_BORDER, kGrid, 10, 150, 220, 60);
  HWND view =
      Child(top, WC_LISTVIEW, u"", LVS_REPORT | LVS_SINGLESEL | LVS_SHOWSELALWAYS | WS_BORDER, kView, 10, 214, 220, 76);
  const char16_t* heads[] = {u"Code", u"Name"};
  for (int c = 0; c < 2; ++c) {
    LVCOLUMN col{};
    col.mask = LVCF_TEXT | LVCF_WIDTH;
    col.cx = 100;
    col.pszText = const_cast<LPWSTR>(heads[c]);
    SendMessage(view, LVM_INSERTCOLUMN, static_cast<WPARAM>(c), reinterpret_cast<LPARAM>(&col));
  }
  const char16_t* rows[][2] = {{u"005930", u"Samsung"}, {u"000660", u"Hynix"}, {u"035420", u"Naver"}};
  for (int r = 0; r < 3; ++r) {
    LVITEM it{};
    it.mask = LVIF_TEXT;
    it.iItem = r;
    it.pszText = const_cast<LPWSTR>(rows[r][0]);
    SendMessage(view, LVM_INSERTITEM, 0, reinterpret_cast<LPARAM>(&it));
    it.iSubItem = 1;
    it.pszText = const_cast<LPWSTR>(rows[r][1]);
    SendMessage(view, LVM_SETITEMTEXT, static_cast<WPARAM>(r), reinterpret_cast<LPARAM>(&it));
  }
  return top;
}

HWND BuildPeer() {
  RegisterOnce();
  HWND h = CreateWindowEx(0, kPeerClass, u"peer", WS_POPUP | WS_VISIBLE, 0, 26, 240, 294, 0, nullptr, nullptr, nullptr);
  if (FILE* f = std::fopen(PeerFile().c_str(), "w")) {
    std::fprintf(f, "%u\n", static_cast<unsigned>(h));
    std::fclose(f);
  }
  return h;
}

}  // namespace sample
