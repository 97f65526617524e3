// Dialogs built from the declarative templates of a module: modeless and modal creation, the
// dialog window procedure with its defaults, keyboard navigation (Enter, Escape, Tab).
#include <algorithm>

#include "plat/gdi.h"
#include "window/wm_internal.h"

namespace plat::res {
const void* Find(HMODULE module, int kind, int id, size_t* sizeOut) __attribute__((weak));
HMODULE Current() __attribute__((weak));
}  // namespace plat::res

#ifndef BN_CLICKED
#define BN_CLICKED 0
#endif

namespace plat::wm {

namespace {

constexpr int kDialogResource = 5;      // plat::res::Dialog
constexpr LONG_PTR kHasDefId = 0x534B;  // DM_GETDEFID marks a valid default id with this high word

bool IsTabStop(const Window& c) { return (c.style & WS_TABSTOP) && (c.style & WS_VISIBLE) && !(c.style & WS_DISABLED); }

HWND FirstTabStop(HWND dlg) {
  auto w = Find(dlg);
  if (!w) return 0;
  Lock l(G().m);
  for (HWND c : w->children) {
    auto cw = Find(c);
    if (cw && IsTabStop(*cw)) return c;
  }
  return 0;
}

std::unordered_map<HWND, HFONT>& DialogFonts() {
  static auto* m = new std::unordered_map<HWND, HFONT>();
  return *m;
}

void RestoreDialogFocus(HWND h) {
  auto w = Find(h);
  if (!w) return;
  HWND target = w->dlgFocusSave;
  if (!target || !IsWindow(target) || !IsChild(h, target) || !IsWindowEnabled(target)) target = FirstTabStop(h);
  if (target) SetFocus(target);
}

LRESULT DialogDefaults(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
  auto w = Find(h);
  if (!w) return 0;
  switch (msg) {
    case WM_INITDIALOG: return TRUE;
    case WM_ERASEBKGND: {
      HDC dc = reinterpret_cast<HDC>(wp);
      if (!dc) return 0;
      HBRUSH br = reinterpret_cast<HBRUSH>(SendMessage(h, WM_CTLCOLORDLG, wp, static_cast<LPARAM>(h)));
      if (!br) br = GetSysColorBrush(COLOR_WINDOW);
      RECT rc;
      GetClientRect(h, &rc);
      FillRect(dc, &rc, br);
      return 1;
    }
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN:
      // The handheld's dialogs are white.
      if (wp) {
        SetTextColor(reinterpret_cast<HDC>(wp), GetSysColor(COLOR_WINDOWTEXT));
        SetBkColor(reinterpret_cast<HDC>(wp), GetSysColor(COLOR_WINDOW));
      }
      return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_WINDOW));
    case WM_CLOSE:
      PostMessage(h, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), static_cast<LPARAM>(GetDlgItem(h, IDCANCEL)));
      return 0;
    case WM_ACTIVATE:
      if (LOWORD(wp) == WA_INACTIVE) {
        HWND f = GetFocus();
        if (f && IsChild(h, f)) w->dlgFocusSave = f;
      } else if (!FocusChangeFromActivation()) {
        RestoreDialogFocus(h);
      }
      return 0;
    case WM_SETFOCUS:
      if (GetFocus() == h) RestoreDialogFocus(h);
      return 0;
    case WM_NEXTDLGCTL: {
      HWND target;
      if (LOWORD(lp))
        target = static_cast<HWND>(wp);
      else
        target = GetNextDlgTabItem(h, GetFocus(), wp ? TRUE : FALSE);
      if (target) SetFocus(target);
      return 0;
    }
    case DM_GETDEFID: return MAKELONG(static_cast<WORD>(w->defId), kHasDefId);
    case DM_SETDEFID: w->defId = static_cast<int>(wp); return TRUE;
    case WM_NCDESTROY: {
      auto& fonts = DialogFonts();
      auto it = fonts.find(h);
      if (it != fonts.end()) {
        DeleteObject(it->second);
        fonts.erase(it);
      }
      return 0;
    }
    default: return DefWindowProc(h, msg, wp, lp);
  }
}

const plat::DialogTemplate* LoadTemplate(HINSTANCE inst, LPCWSTR name) {
  if (!IS_INTRESOURCE(name) || !&plat::res::Find) return nullptr;
  HMODULE module = inst ? inst : (&plat::res::Current ? plat::res::Current() : nullptr);
  size_t size = 0;
  const void* data = plat::res::Find(module, kDialogResource, LOWORD(reinterpret_cast<uintptr_t>(name)), &size);
  if (!data || size < sizeof(plat::DialogTemplate)) return nullptr;
  return static_cast<const plat::DialogTemplate*>(data);
}

}  // namespace

LRESULT DialogWndProc(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
  auto w = Find(h);
  if (!w) return 0;
  DLGPROC proc = w->dlgProc;
  if (proc) {
    BOOL r = proc(h, msg, wp, lp);
    if (!Find(h)) return r;
    // TRUE: handled; the result of a message that has one is in DWL_MSGRESULT (a brush for
    // the WM_CTLCOLOR messages).
    if (r) return msg == WM_INITDIALOG ? r : w->msgResult;
  }
  return DialogDefaults(h, msg, wp, lp);
}

}  // namespace plat::wm

using namespace plat::wm;

LRESULT DefDlgProc(HWND dlg, UINT msg, WPARAM wParam, LPARAM lParam) {
  return DialogDefaults(dlg, msg, wParam, lParam);
}

HWND CreateDialogIndirectParam(HINSTANCE inst, const plat::DialogTemplate* tmpl, HWND parent, DLGPROC proc,
                               LPARAM param) {
  if (!tmpl) return 0;
  LPCWSTR cls = tmpl->className && *tmpl->className ? tmpl->className : WC_DIALOG;
  DWORD style = tmpl->style & ~WS_VISIBLE;
  HWND h = CreateWindowEx(tmpl->exStyle, cls, tmpl->caption ? tmpl->caption : u"", style, tmpl->x, tmpl->y, tmpl->cx,
                          tmpl->cy, parent, nullptr, inst, nullptr);
  if (!h) return 0;
  auto w = Find(h);
  {
    Lock l(G().m);
    w->isDialog = true;
    w->dlgProc = proc;
  }
  HFONT font = nullptr;
  if (tmpl->fontFace && *tmpl->fontFace) {
    font = CreateFont(tmpl->fontHeight, 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, tmpl->fontFace);
    if (font) DialogFonts()[h] = font;
    SendMessage(h, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
  }
  for (size_t i = 0; i < tmpl->itemCount && IsWindow(h); ++i) {
    const plat::DialogItemTemplate& it = tmpl->items[i];
    LPCWSTR text = it.text && !IS_INTRESOURCE(it.text) ? it.text : u"";
    // An item of a class that is not registered is left out; the rest of the dialog still works.
    HWND c = CreateWindowEx(it.exStyle, it.className, text, it.style | WS_CHILD, it.x, it.y, it.cx, it.cy, h,
                            PLAT_ID_AS_MENU(static_cast<uint16_t>(it.id)), inst, nullptr);
    if (c && font) SendMessage(c, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
  }
  if (!IsWindow(h)) return 0;
  HWND first = FirstTabStop(h);
  LRESULT setFocus = SendMessage(h, WM_INITDIALOG, first, param);
  if (!IsWindow(h)) return 0;
  if (setFocus && first) w->dlgFocusSave = first;
  if ((tmpl->style & WS_VISIBLE) && !w->dialogEnded) {
    ShowWindow(h, SW_SHOW);
    if (setFocus && first && IsWindow(first)) SetFocus(first);
  }
  return IsWindow(h) ? h : 0;
}

HWND CreateDialogParam(HINSTANCE inst, LPCWSTR templateName, HWND parent, DLGPROC proc, LPARAM param) {
  return CreateDialogIndirectParam(inst, LoadTemplate(inst, templateName), parent, proc, param);
}

HWND CreateDialog(HINSTANCE inst, LPCWSTR templateName, HWND parent, DLGPROC proc) {
  return CreateDialogParam(inst, templateName, parent, proc, 0);
}

INT_PTR DialogBoxIndirectParam(HINSTANCE inst, const plat::DialogTemplate* tmpl, HWND parent, DLGPROC proc,
                               LPARAM param) {
  if (!tmpl) return -1;
  HWND owner = parent ? TopLevelOf(parent) : 0;
  plat::DialogTemplate hidden = *tmpl;
  hidden.style &= ~WS_VISIBLE;  // shown once initialised, below
  HWND h = CreateDialogIndirectParam(inst, &hidden, owner, proc, param);
  if (!h) return -1;
  auto w = Find(h);
  bool disabledOwner = false;
  if (owner && IsWindowEnabled(owner)) {
    EnableWindow(owner, FALSE);
    disabledOwner = true;
  }
  if (!w->dialogEnded) {
    ShowWindow(h, SW_SHOW);
    HWND first = w->dlgFocusSave;
    if (first && IsWindow(first)) SetFocus(first);
  }
  {
    ModalScope scope(owner, [h] { EndDialog(h, IDCANCEL); });
    ModalLoop([&] { return w->dialogEnded || !IsWindow(h); }, h);
  }
  INT_PTR result = w->dialogEnded ? w->dialogResult : 0;
  if (disabledOwner) EnableWindow(owner, TRUE);
  DestroyWindow(h);
  if (owner && IsWindow(owner) && Find(owner) && Find(owner)->queue == CurrentQueue() && IsWindowVisible(owner))
    SetActiveWindow(owner);
  return result;
}

INT_PTR DialogBoxParam(HINSTANCE inst, LPCWSTR templateName, HWND parent, DLGPROC proc, LPARAM param) {
  return DialogBoxIndirectParam(inst, LoadTemplate(inst, templateName), parent, proc, param);
}

INT_PTR DialogBox(HINSTANCE inst, LPCWSTR templateName, HWND parent, DLGPROC proc) {
  return DialogBoxParam(inst, templateName, parent, proc, 0);
}

BOOL EndDialog(HWND dlg, INT_PTR result) {
  auto w = Find(dlg);
  if (!w) return FALSE;
  {
    Lock l(G().m);
    w->dialogEnded = true;
    w->dialogResult = result;
    Wake(*w->queue);
  }
  if (w->queue == CurrentQueue()) ShowWindow(dlg, SW_HIDE);
  return TRUE;
}

HWND GetNextDlgTabItem(HWND dlg, HWND ctl, BOOL previous) {
  auto w = Find(dlg);
  if (!w) return 0;
  std::vector<HWND> stops;
  {
    Lock l(G().m);
    for (HWND c : w->children) {
      auto cw = Find(c);
      if (cw && (IsTabStop(*cw) || c == ctl)) stops.push_back(c);
    }
  }
  if (stops.empty()) return 0;
  auto it = std::find(stops.begin(), stops.end(), ctl);
  if (it == stops.end()) return previous ? stops.back() : stops.front();
  size_t n = stops.size(), i = static_cast<size_t>(it - stops.begin());
  for (size_t step = 1; step <= n; ++step) {
    size_t j = previous ? (i + n - step) % n : (i + step) % n;
    auto cw = Find(stops[j]);
    if (cw && IsTabStop(*cw)) return stops[j];
  }
  return ctl;
}

HWND GetNextDlgGroupItem(HWND dlg, HWND ctl, BOOL previous) { return GetNextDlgTabItem(dlg, ctl, previous); }

BOOL MapDialogRect(HWND dlg, LPRECT) { return IsWindow(dlg); }

BOOL IsDialogMessage(HWND dlg, LPMSG msg) {
  if (!msg || !dlg || !Find(dlg)) return FALSE;
  if (msg->hwnd != dlg && !IsChild(dlg, msg->hwnd)) return FALSE;
  if (msg->message == WM_KEYDOWN || msg->message == WM_CHAR) {
    UINT key = static_cast<UINT>(msg->wParam);
    LRESULT code = SendMessage(msg->hwnd, WM_GETDLGCODE, msg->wParam, reinterpret_cast<LPARAM>(msg));
    bool wantsAll = (code & DLGC_WANTALLKEYS) != 0;
    if (msg->message == WM_KEYDOWN && !wantsAll) {
      if (key == VK_RETURN) {
        int id = IDOK;
        if (code & (DLGC_DEFPUSHBUTTON | DLGC_UNDEFPUSHBUTTON)) {
          id = GetDlgCtrlID(msg->hwnd);
        } else {
          LRESULT def = SendMessage(dlg, DM_GETDEFID, 0, 0);
          if (HIWORD(def) == kHasDefId) id = LOWORD(def);
        }
        HWND button = GetDlgItem(dlg, id);
        if (!button || IsWindowEnabled(button))
          SendMessage(dlg, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), static_cast<LPARAM>(button));
        return TRUE;
      }
      if (key == VK_ESCAPE) {
        HWND button = GetDlgItem(dlg, IDCANCEL);
        if (!button || IsWindowEnabled(button))
          SendMessage(dlg, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), static_cast<LPARAM>(button));
        return TRUE;
      }
      if (key == VK_TAB && !(code & DLGC_WANTTAB)) {
        HWND next = GetNextDlgTabItem(dlg, GetFocus(), (GetKeyState(VK_SHIFT) & 0x8000) ? TRUE : FALSE);
        if (next) SetFocus(next);
        return TRUE;
      }
    }
    if (msg->message == WM_CHAR && !wantsAll && (key == u'\r' || key == 27 || (key == u'\t' && !(code & DLGC_WANTTAB))))
      return TRUE;
  }
  TranslateMessage(msg);
  DispatchMessage(msg);
  return TRUE;
}
