// Windows, dialogs, message maps, data exchange and the application object of the framework.
#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <mutex>
#include <vector>

#include "internal.h"

namespace {

// Windows owned by framework objects (attached or subclassed), for every thread.
std::mutex g_mapLock;
std::unordered_map<HWND, CWnd*>& Permanent() {
  static std::unordered_map<HWND, CWnd*> m;
  return m;
}

struct CurrentMessage {
  UINT message;
  WPARAM wParam;
  LPARAM lParam;
};

struct ThreadState {
  std::unordered_map<HWND, std::unique_ptr<CWnd>> temps;
  CWnd* creating = nullptr;  // the object whose window is being created on this thread
  std::vector<CurrentMessage> messages;
  ~ThreadState() {
    for (auto& [h, w] : temps) w->m_hWnd = 0;
  }
};
ThreadState& TS() {
  thread_local ThreadState t;
  return t;
}

// Application objects alive in the process, oldest first. The program's own object is made
// before any plug-in library loads, so it stays the process's application even when a library
// brings an application object of its own.
std::mutex g_appLock;
std::vector<CWinApp*>& Apps() {
  static std::vector<CWinApp*> apps;
  return apps;
}
CWinApp* App() {
  std::lock_guard<std::mutex> l(g_appLock);
  return Apps().empty() ? nullptr : Apps().front();
}

constexpr const WCHAR* kFrameworkClass = u"AfxWnd";

bool IsClass(HWND hwnd, const WCHAR* name) {
  WCHAR cls[64] = {};
  ::GetClassName(hwnd, cls, 64);
  CString a(cls);
  return a.CompareNoCase(name) == 0;
}

// A temporary wrapper of the class that matches the window's class, so that casting a control
// pointer to its wrapper type is sound.
CWnd* MakeWrapper(HWND hwnd) {
  if (IsClass(hwnd, WC_EDIT)) return new CEdit;
  if (IsClass(hwnd, WC_COMBOBOX)) return new CComboBox;
  if (IsClass(hwnd, WC_BUTTON)) return new CButton;
  if (IsClass(hwnd, WC_STATIC)) return new CStatic;
  if (IsClass(hwnd, WC_LISTBOX)) return new CListBox;
  if (IsClass(hwnd, WC_LISTVIEW)) return new CListCtrl;
  if (IsClass(hwnd, PROGRESS_CLASS)) return new CProgressCtrl;
  return new CWnd;
}

bool EnsureFrameworkClass() {
  WNDCLASS wc{};
  if (::GetClassInfo(nullptr, kFrameworkClass, &wc)) return true;
  wc.style = CS_DBLCLKS;
  wc.lpfnWndProc = &CWnd::AfxWndProc;
  wc.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<uintptr_t>(COLOR_WINDOW + 1));
  wc.lpszClassName = kFrameworkClass;
  return ::RegisterClass(&wc) != 0;
}

bool ProcIsFramework(const WCHAR* className) {
  WNDCLASS wc{};
  return className && ::GetClassInfo(nullptr, className, &wc) && wc.lpfnWndProc == &CWnd::AfxWndProc;
}

std::u16string AppName() {
  CWinApp* app = App();
  if (app && app->m_pszAppName) return app->m_pszAppName;
  return u"";
}

struct DdxFailure {};

void MessageBoxForDdx(const WCHAR* text) { AfxMessageBox(text, MB_OK | MB_ICONEXCLAMATION); }

}  // namespace

// ---- Message maps ---------------------------------------------------------------------------

const AFX_MSGMAP* CCmdTarget::GetThisMessageMap() {
  static const AFX_MSGMAP_ENTRY entries[] = {{0, 0, 0, 0, nullptr}};
  static const AFX_MSGMAP map = {nullptr, entries};
  return &map;
}
const AFX_MSGMAP* CCmdTarget::GetMessageMap() const { return GetThisMessageMap(); }

BOOL CCmdTarget::DispatchFromMap(UINT key, UINT code, UINT id, UINT message, WPARAM wParam, LPARAM lParam,
                                 LRESULT* result) {
  for (const AFX_MSGMAP* map = GetMessageMap(); map; map = map->pfnGetBaseMap ? map->pfnGetBaseMap() : nullptr) {
    for (const AFX_MSGMAP_ENTRY* e = map->lpEntries; e && e->pfn; ++e) {
      if (e->nMessage != key) continue;
      if (key == WM_COMMAND || key == WM_NOTIFY) {
        if (e->nCode != code || id < e->nID || id > e->nLastID) continue;
      }
      LRESULT r = e->pfn(this, message, wParam, lParam);
      if (result) *result = r;
      return TRUE;
    }
    if (map->pfnGetBaseMap == nullptr) break;
  }
  return FALSE;
}

void CCmdTarget::BeginWaitCursor() { plat::win::SetWaitCursor(true); }
void CCmdTarget::EndWaitCursor() { plat::win::SetWaitCursor(false); }
void CCmdTarget::RestoreWaitCursor() {}

UINT AfxCtlColorKind(UINT message) {
  switch (message) {
    case WM_CTLCOLORMSGBOX: return CTLCOLOR_MSGBOX;
    case WM_CTLCOLOREDIT: return CTLCOLOR_EDIT;
    case WM_CTLCOLORLISTBOX: return CTLCOLOR_LISTBOX;
    case WM_CTLCOLORBTN: return CTLCOLOR_BTN;
    case WM_CTLCOLORDLG: return CTLCOLOR_DLG;
    case WM_CTLCOLORSCROLLBAR: return CTLCOLOR_SCROLLBAR;
    default: return CTLCOLOR_STATIC;
  }
}

// ---- CWnd: handles and maps -------------------------------------------------------------------

CWnd::~CWnd() {
  if (!m_hWnd) return;
  HWND h = m_hWnd;
  {
    std::lock_guard<std::mutex> l(g_mapLock);
    auto it = Permanent().find(h);
    if (it == Permanent().end() || it->second != this) return;  // a temporary wrapper
    Permanent().erase(it);
  }
  // The window outlives its object: it stops routing to this object and goes away with it.
  if (m_pfnSuper && ::IsWindow(h)) ::SetWindowLong(h, GWL_WNDPROC, reinterpret_cast<LONG_PTR>(m_pfnSuper));
  m_hWnd = 0;
  m_pfnSuper = nullptr;
  if (::IsWindow(h)) ::DestroyWindow(h);
}

CWnd* CWnd::FromHandlePermanent(HWND hwnd) {
  if (!hwnd) return nullptr;
  std::lock_guard<std::mutex> l(g_mapLock);
  auto it = Permanent().find(hwnd);
  return it == Permanent().end() ? nullptr : it->second;
}

CWnd* CWnd::FromHandle(HWND hwnd) {
  if (!hwnd) return nullptr;
  if (CWnd* w = FromHandlePermanent(hwnd)) return w;
  auto& temps = TS().temps;
  auto it = temps.find(hwnd);
  if (it != temps.end()) return it->second.get();
  if (temps.size() >= plat::afx::kMaxTemps) {
    // No idle time came to clear them: drop the wrappers of windows that are gone.
    for (auto k = temps.begin(); k != temps.end();) {
      if (!::IsWindow(k->first)) {
        k->second->m_hWnd = 0;
        k = temps.erase(k);
      } else {
        ++k;
      }
    }
  }
  CWnd* w = MakeWrapper(hwnd);
  w->m_hWnd = hwnd;
  temps[hwnd].reset(w);
  return w;
}

void CWnd::DeleteTempMap() {
  auto& temps = TS().temps;
  for (auto& [h, w] : temps) w->m_hWnd = 0;
  temps.clear();
  plat::afx::DeleteTempGdi();
}

BOOL CWnd::Attach(HWND hwnd) {
  if (!hwnd || m_hWnd) return FALSE;
  {
    std::lock_guard<std::mutex> l(g_mapLock);
    auto& map = Permanent();
    if (map.count(hwnd)) return FALSE;
    map[hwnd] = this;
  }
  m_hWnd = hwnd;
  // A temporary wrapper of the same window is no longer needed.
  auto& temps = TS().temps;
  auto it = temps.find(hwnd);
  if (it != temps.end()) {
    it->second->m_hWnd = 0;
    temps.erase(it);
  }
  return TRUE;
}

HWND CWnd::Detach() {
  HWND h = m_hWnd;
  if (!h) return 0;
  {
    std::lock_guard<std::mutex> l(g_mapLock);
    auto it = Permanent().find(h);
    if (it != Permanent().end() && it->second == this) Permanent().erase(it);
  }
  m_hWnd = 0;
  return h;
}

BOOL CWnd::SubclassWindow(HWND hwnd) {
  if (!Attach(hwnd)) return FALSE;
  WNDPROC old = reinterpret_cast<WNDPROC>(::SetWindowLong(hwnd, GWL_WNDPROC, reinterpret_cast<LONG_PTR>(&AfxWndProc)));
  m_pfnSuper = old == &AfxWndProc ? nullptr : old;
  return TRUE;
}

BOOL CWnd::SubclassDlgItem(UINT id, CWnd* parent) {
  if (!parent) return FALSE;
  HWND h = ::GetDlgItem(parent->m_hWnd, static_cast<int>(id));
  return h ? SubclassWindow(h) : FALSE;
}

HWND CWnd::UnsubclassWindow() {
  if (m_pfnSuper && m_hWnd) ::SetWindowLong(m_hWnd, GWL_WNDPROC, reinterpret_cast<LONG_PTR>(m_pfnSuper));
  m_pfnSuper = nullptr;
  return Detach();
}

void CWnd::HookCreation(CWnd* wnd) { TS().creating = wnd; }
void CWnd::UnhookCreation() { TS().creating = nullptr; }

LRESULT CALLBACK CWnd::AfxWndProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  CWnd* wnd = FromHandlePermanent(hwnd);
  if (!wnd) {
    CWnd* pending = TS().creating;
    if (!pending) return ::DefWindowProc(hwnd, message, wParam, lParam);
    TS().creating = nullptr;
    if (!pending->Attach(hwnd)) return ::DefWindowProc(hwnd, message, wParam, lParam);
    wnd = pending;
  }
  LRESULT r = wnd->WindowProc(message, wParam, lParam);
  if (message == WM_NCDESTROY) {
    // The window is gone: forget it, then let the object finish (frames and views delete
    // themselves here).
    if (wnd->m_hWnd == hwnd) {
      wnd->Detach();
      wnd->m_pfnSuper = nullptr;
    }
    CWinApp* app = App();
    if (app && app->m_pMainWnd == wnd) {
      app->m_pMainWnd = nullptr;
      ::PostQuitMessage(0);
    }
    wnd->PostNcDestroy();
  }
  return r;
}

// ---- CWnd: messages ---------------------------------------------------------------------------

LRESULT CWnd::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
  auto& stack = TS().messages;
  stack.push_back(CurrentMessage{message, wParam, lParam});
  LRESULT r = 0;
  if (!OnWndMsg(message, wParam, lParam, &r)) r = DefWindowProc(message, wParam, lParam);
  stack.pop_back();
  return r;
}

LRESULT CWnd::DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
  if (m_pfnSuper) return ::CallWindowProc(m_pfnSuper, m_hWnd, message, wParam, lParam);
  return ::DefWindowProc(m_hWnd, message, wParam, lParam);
}

LRESULT CWnd::Default() {
  auto& stack = TS().messages;
  if (stack.empty()) return 0;
  CurrentMessage m = stack.back();
  return DefWindowProc(m.message, m.wParam, m.lParam);
}

BOOL CWnd::OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) {
  if (message == WM_COMMAND) {
    if (!OnCommand(wParam, lParam)) return FALSE;
    *result = 0;
    return TRUE;
  }
  if (message == WM_NOTIFY) {
    LRESULT r = 0;
    if (!OnNotify(wParam, lParam, &r)) return FALSE;
    *result = r;
    return TRUE;
  }
  UINT key = (message >= WM_CTLCOLORMSGBOX && message <= WM_CTLCOLORSTATIC) ? AFX_WM_CTLCOLOR : message;
  return DispatchFromMap(key, 0, 0, message, wParam, lParam, result);
}

BOOL CWnd::OnCommand(WPARAM wParam, LPARAM lParam) {
  UINT id = LOWORD(wParam);
  // Menu choices and accelerators (no control) are plain commands.
  UINT code = lParam ? HIWORD(wParam) : 0;
  LRESULT r = 0;
  return DispatchFromMap(WM_COMMAND, code, id, WM_COMMAND, wParam, lParam, &r);
}

BOOL CWnd::OnNotify(WPARAM wParam, LPARAM lParam, LRESULT* result) {
  (void)wParam;
  auto* hdr = reinterpret_cast<NMHDR*>(lParam);
  if (!hdr) return FALSE;
  return DispatchFromMap(WM_NOTIFY, hdr->code, static_cast<UINT>(hdr->idFrom), WM_NOTIFY, wParam, lParam, result);
}

BOOL CWnd::PreTranslateMessage(MSG* msg) {
  (void)msg;
  return FALSE;
}

BOOL CWnd::Create(const WCHAR* className, const WCHAR* windowName, DWORD style, const RECT& rect, CWnd* parent, UINT id,
                  void* context) {
  return CreateEx(0, className, windowName, style, rect, parent, id, context);
}

BOOL CWnd::CreateEx(DWORD exStyle, const WCHAR* className, const WCHAR* windowName, DWORD style, const RECT& rect,
                    CWnd* parent, UINT id, void* param) {
  if (m_hWnd) return FALSE;
  if (!className) {
    if (!EnsureFrameworkClass()) return FALSE;
    className = kFrameworkClass;
  }
  bool hook = ProcIsFramework(className);
  if (hook) HookCreation(this);
  HWND h = ::CreateWindowEx(exStyle, className, windowName ? windowName : u"", style, rect.left, rect.top,
                            rect.right - rect.left, rect.bottom - rect.top, parent ? parent->m_hWnd : 0,
                            (style & WS_CHILD) ? PLAT_ID_AS_MENU(id) : nullptr, AfxGetInstanceHandle(), param);
  if (hook && TS().creating == this) UnhookCreation();
  if (!h) {
    if (m_hWnd) Detach();
    return FALSE;
  }
  if (m_hWnd != h) SubclassWindow(h);
  return TRUE;
}

BOOL CWnd::DestroyWindow() {
  if (!m_hWnd) return FALSE;
  return ::DestroyWindow(m_hWnd);
}

BOOL CWnd::UpdateData(BOOL saveAndValidate) {
  CDataExchange dx(this, saveAndValidate);
  try {
    DoDataExchange(&dx);
  } catch (const DdxFailure&) {
    if (saveAndValidate && dx.m_hWndLastControl && ::IsWindow(dx.m_hWndLastControl)) ::SetFocus(dx.m_hWndLastControl);
    return FALSE;
  }
  return TRUE;
}

LRESULT CWnd::SendMessage(UINT message, WPARAM wParam, LPARAM lParam) const {
  return ::SendMessage(m_hWnd, message, wParam, lParam);
}
BOOL CWnd::PostMessage(UINT message, WPARAM wParam, LPARAM lParam) const {
  return ::PostMessage(m_hWnd, message, wParam, lParam);
}
LRESULT CWnd::SendDlgItemMessage(int id, UINT message, WPARAM wParam, LPARAM lParam) const {
  return ::SendDlgItemMessage(m_hWnd, id, message, wParam, lParam);
}

CWnd* CWnd::GetDlgItem(int id) const { return FromHandle(::GetDlgItem(m_hWnd, id)); }
int CWnd::GetDlgCtrlID() const { return ::GetDlgCtrlID(m_hWnd); }
CWnd* CWnd::GetParent() const { return FromHandle(::GetParent(m_hWnd)); }
CWnd* CWnd::GetTopLevelParent() const {
  HWND h = m_hWnd;
  while (h && (::GetWindowLong(h, GWL_STYLE) & WS_CHILD)) h = ::GetParent(h);
  return FromHandle(h);
}
void CWnd::SetDlgItemText(int id, const WCHAR* text) { ::SetDlgItemText(m_hWnd, id, text); }
int CWnd::GetDlgItemText(int id, CString& out) const {
  HWND h = ::GetDlgItem(m_hWnd, id);
  out.Empty();
  if (!h) return 0;
  CWnd* w = FromHandle(h);
  w->GetWindowText(out);
  return out.GetLength();
}
void CWnd::SetDlgItemInt(int id, UINT value, BOOL isSigned) { ::SetDlgItemInt(m_hWnd, id, value, isSigned); }
UINT CWnd::GetDlgItemInt(int id, BOOL* translated, BOOL isSigned) const {
  return ::GetDlgItemInt(m_hWnd, id, translated, isSigned);
}
void CWnd::CheckDlgButton(int id, UINT check) { ::CheckDlgButton(m_hWnd, id, check); }
UINT CWnd::IsDlgButtonChecked(int id) const { return ::IsDlgButtonChecked(m_hWnd, id); }
void CWnd::CheckRadioButton(int firstId, int lastId, int checkId) {
  for (int id = firstId; id <= lastId; ++id)
    SendDlgItemMessage(id, BM_SETCHECK, id == checkId ? BST_CHECKED : BST_UNCHECKED, 0);
}
int CWnd::GetCheckedRadioButton(int firstId, int lastId) const {
  for (int id = firstId; id <= lastId; ++id)
    if (::IsDlgButtonChecked(m_hWnd, id) == BST_CHECKED) return id;
  return 0;
}

void CWnd::SetWindowText(const WCHAR* text) { ::SetWindowText(m_hWnd, text ? text : u""); }
void CWnd::GetWindowText(CString& out) const {
  int n = ::GetWindowTextLength(m_hWnd);
  if (n <= 0) {
    out.Empty();
    return;
  }
  std::u16string buf(static_cast<size_t>(n) + 1, u'\0');
  int got = ::GetWindowText(m_hWnd, buf.data(), n + 1);
  buf.resize(static_cast<size_t>(got > 0 ? got : 0));
  out = CString(buf);
}
int CWnd::GetWindowText(WCHAR* buffer, int size) const { return ::GetWindowText(m_hWnd, buffer, size); }
int CWnd::GetWindowTextLength() const { return ::GetWindowTextLength(m_hWnd); }
BOOL CWnd::ShowWindow(int cmd) { return ::ShowWindow(m_hWnd, cmd); }
BOOL CWnd::EnableWindow(BOOL enable) { return ::EnableWindow(m_hWnd, enable); }
BOOL CWnd::IsWindowEnabled() const { return ::IsWindowEnabled(m_hWnd); }
BOOL CWnd::IsWindowVisible() const { return ::IsWindowVisible(m_hWnd); }
BOOL CWnd::IsWindow() const { return m_hWnd && ::IsWindow(m_hWnd); }
void CWnd::MoveWindow(int x, int y, int w, int h, BOOL repaint) { ::MoveWindow(m_hWnd, x, y, w, h, repaint); }
BOOL CWnd::SetWindowPos(const CWnd* after, int x, int y, int cx, int cy, UINT flags) {
  return ::SetWindowPos(m_hWnd, after ? after->m_hWnd : 0, x, y, cx, cy, flags);
}
void CWnd::GetClientRect(RECT* r) const { ::GetClientRect(m_hWnd, r); }
void CWnd::GetWindowRect(RECT* r) const { ::GetWindowRect(m_hWnd, r); }
void CWnd::ScreenToClient(POINT* p) const { ::ScreenToClient(m_hWnd, p); }
void CWnd::ScreenToClient(RECT* r) const {
  ::ScreenToClient(m_hWnd, reinterpret_cast<POINT*>(&r->left));
  ::ScreenToClient(m_hWnd, reinterpret_cast<POINT*>(&r->right));
}
void CWnd::ClientToScreen(POINT* p) const { ::ClientToScreen(m_hWnd, p); }
void CWnd::ClientToScreen(RECT* r) const {
  ::ClientToScreen(m_hWnd, reinterpret_cast<POINT*>(&r->left));
  ::ClientToScreen(m_hWnd, reinterpret_cast<POINT*>(&r->right));
}
void CWnd::Invalidate(BOOL erase) { ::InvalidateRect(m_hWnd, nullptr, erase); }
void CWnd::InvalidateRect(const RECT* r, BOOL erase) { ::InvalidateRect(m_hWnd, r, erase); }
void CWnd::UpdateWindow() { ::UpdateWindow(m_hWnd); }
UINT_PTR CWnd::SetTimer(UINT_PTR id, UINT elapse, TIMERPROC proc) { return ::SetTimer(m_hWnd, id, elapse, proc); }
BOOL CWnd::KillTimer(UINT_PTR id) { return ::KillTimer(m_hWnd, id); }
CWnd* CWnd::SetFocus() { return FromHandle(::SetFocus(m_hWnd)); }
CWnd* CWnd::GetFocus() { return FromHandle(::GetFocus()); }
CWnd* CWnd::SetCapture() { return FromHandle(::SetCapture(m_hWnd)); }
int CWnd::MessageBox(const WCHAR* text, const WCHAR* caption, UINT type) {
  std::u16string cap = caption ? std::u16string(caption) : AppName();
  return ::MessageBox(m_hWnd, text ? text : u"", cap.c_str(), type);
}
void CWnd::SetFont(CFont* font, BOOL redraw) {
  SendMessage(WM_SETFONT, reinterpret_cast<WPARAM>(font ? font->m_hObject : nullptr), MAKELPARAM(redraw ? 1 : 0, 0));
}
CFont* CWnd::GetFont() const { return CFont::FromHandle(reinterpret_cast<HFONT>(SendMessage(WM_GETFONT))); }
CDC* CWnd::GetDC() { return CDC::FromHandle(::GetDC(m_hWnd)); }
int CWnd::ReleaseDC(CDC* dc) { return dc ? ::ReleaseDC(m_hWnd, dc->m_hDC) : 0; }
DWORD CWnd::GetStyle() const { return static_cast<DWORD>(::GetWindowLong(m_hWnd, GWL_STYLE)); }
DWORD CWnd::GetExStyle() const { return static_cast<DWORD>(::GetWindowLong(m_hWnd, GWL_EXSTYLE)); }
BOOL CWnd::ModifyStyle(DWORD remove, DWORD add, UINT flags) {
  DWORD style = GetStyle();
  DWORD next = (style & ~remove) | add;
  if (next == style) return FALSE;
  ::SetWindowLong(m_hWnd, GWL_STYLE, static_cast<LONG_PTR>(next));
  if (flags) ::SetWindowPos(m_hWnd, 0, 0, 0, 0, 0, flags | SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  return TRUE;
}
void CWnd::BringWindowToTop() { ::BringWindowToTop(m_hWnd); }
void CWnd::SetForegroundWindow() { ::SetForegroundWindow(m_hWnd); }
void CWnd::CenterWindow(CWnd* alternateOwner) {
  RECT me, area{0, 0, PLAT_SCREEN_WIDTH, PLAT_SCREEN_HEIGHT};
  ::GetWindowRect(m_hWnd, &me);
  HWND owner = alternateOwner ? alternateOwner->m_hWnd : ::GetParent(m_hWnd);
  if (owner) ::GetWindowRect(owner, &area);
  int w = me.right - me.left, h = me.bottom - me.top;
  POINT p{area.left + (area.right - area.left - w) / 2, area.top + (area.bottom - area.top - h) / 2};
  if (GetStyle() & WS_CHILD) {
    HWND parent = ::GetParent(m_hWnd);
    if (parent) ::ScreenToClient(parent, &p);
  }
  ::SetWindowPos(m_hWnd, 0, p.x, p.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}
CWnd* CWnd::GetNextDlgTabItem(CWnd* ctl, BOOL previous) const {
  return FromHandle(::GetNextDlgTabItem(m_hWnd, ctl ? ctl->m_hWnd : 0, previous));
}

// ---- Control wrappers ---------------------------------------------------------------------------

BOOL CStatic::Create(const WCHAR* text, DWORD style, const RECT& r, CWnd* parent, UINT id) {
  return CWnd::Create(WC_STATIC, text, style, r, parent, id);
}
BOOL CButton::Create(const WCHAR* caption, DWORD style, const RECT& r, CWnd* parent, UINT id) {
  return CWnd::Create(WC_BUTTON, caption, style, r, parent, id);
}
BOOL CEdit::Create(DWORD style, const RECT& r, CWnd* parent, UINT id) {
  return CWnd::Create(WC_EDIT, u"", style, r, parent, id);
}
void CEdit::GetSel(int& start, int& end) const {
  DWORD a = 0, b = 0;
  SendMessage(EM_GETSEL, reinterpret_cast<WPARAM>(&a), reinterpret_cast<LPARAM>(&b));
  start = static_cast<int>(a);
  end = static_cast<int>(b);
}
BOOL CComboBox::Create(DWORD style, const RECT& r, CWnd* parent, UINT id) {
  return CWnd::Create(WC_COMBOBOX, u"", style, r, parent, id);
}
void CComboBox::GetLBText(int i, CString& out) const {
  int n = GetLBTextLen(i);
  if (n < 0) {
    out.Empty();
    return;
  }
  std::u16string buf(static_cast<size_t>(n) + 1, u'\0');
  int got = GetLBText(i, buf.data());
  buf.resize(static_cast<size_t>(got > 0 ? std::min(got, n) : 0));
  out = CString(buf);
}
BOOL CListBox::Create(DWORD style, const RECT& r, CWnd* parent, UINT id) {
  return CWnd::Create(WC_LISTBOX, u"", style, r, parent, id);
}
void CListBox::GetText(int i, CString& out) const {
  int n = GetTextLen(i);
  if (n < 0) {
    out.Empty();
    return;
  }
  std::u16string buf(static_cast<size_t>(n) + 1, u'\0');
  int got = GetText(i, buf.data());
  buf.resize(static_cast<size_t>(got > 0 ? std::min(got, n) : 0));
  out = CString(buf);
}
BOOL CListCtrl::Create(DWORD style, const RECT& r, CWnd* parent, UINT id) {
  return CWnd::Create(WC_LISTVIEW, u"", style, r, parent, id);
}
int CListCtrl::InsertColumn(int col, const WCHAR* heading, int format, int width, int subItem) {
  LVCOLUMN c{};
  c.mask = LVCF_TEXT | LVCF_FMT;
  c.fmt = format;
  c.pszText = const_cast<WCHAR*>(heading ? heading : u"");
  if (width != -1) {
    c.mask |= LVCF_WIDTH;
    c.cx = width;
  }
  if (subItem != -1) {
    c.mask |= LVCF_SUBITEM;
    c.iSubItem = subItem;
  }
  return InsertColumn(col, &c);
}
int CListCtrl::InsertItem(int index, const WCHAR* text) {
  LVITEM it{};
  it.mask = LVIF_TEXT;
  it.iItem = index;
  it.pszText = const_cast<WCHAR*>(text ? text : u"");
  return InsertItem(&it);
}
int CListCtrl::InsertItem(UINT mask, int index, const WCHAR* text, UINT state, UINT stateMask, int image,
                          LPARAM param) {
  LVITEM it{};
  it.mask = mask;
  it.iItem = index;
  it.pszText = const_cast<WCHAR*>(text ? text : u"");
  it.state = state;
  it.stateMask = stateMask;
  it.iImage = image;
  it.lParam = param;
  return InsertItem(&it);
}
BOOL CListCtrl::SetItemText(int item, int sub, const WCHAR* text) {
  LVITEM it{};
  it.iSubItem = sub;
  it.pszText = const_cast<WCHAR*>(text ? text : u"");
  return static_cast<BOOL>(SendMessage(LVM_SETITEMTEXT, static_cast<WPARAM>(item), reinterpret_cast<LPARAM>(&it)));
}
int CListCtrl::GetItemText(int item, int sub, WCHAR* out, int size) const {
  LVITEM it{};
  it.iSubItem = sub;
  it.pszText = out;
  it.cchTextMax = size;
  return static_cast<int>(SendMessage(LVM_GETITEMTEXT, static_cast<WPARAM>(item), reinterpret_cast<LPARAM>(&it)));
}
CString CListCtrl::GetItemText(int item, int sub) const {
  for (int size = 64;; size *= 2) {
    std::u16string buf(static_cast<size_t>(size), u'\0');
    int n = GetItemText(item, sub, buf.data(), size);
    if (n < size - 1 || size > (1 << 20)) {
      buf.resize(static_cast<size_t>(std::max(n, 0)));
      return CString(buf);
    }
  }
}
POSITION CListCtrl::GetFirstSelectedItemPosition() const {
  return reinterpret_cast<POSITION>(static_cast<intptr_t>(GetNextItem(-1, LVNI_SELECTED) + 1));
}
int CListCtrl::GetNextSelectedItem(POSITION& pos) const {
  int index = static_cast<int>(reinterpret_cast<intptr_t>(pos)) - 1;
  pos = reinterpret_cast<POSITION>(static_cast<intptr_t>(GetNextItem(index, LVNI_SELECTED) + 1));
  return index;
}
BOOL CListCtrl::SetItemState(int item, UINT state, UINT mask) {
  LVITEM it{};
  it.state = state;
  it.stateMask = mask;
  return static_cast<BOOL>(SendMessage(LVM_SETITEMSTATE, static_cast<WPARAM>(item), reinterpret_cast<LPARAM>(&it)));
}
BOOL CListCtrl::SetItemData(int item, DWORD_PTR data) {
  LVITEM it{};
  it.mask = LVIF_PARAM;
  it.iItem = item;
  it.lParam = static_cast<LPARAM>(data);
  return SetItem(&it);
}
DWORD_PTR CListCtrl::GetItemData(int item) const {
  LVITEM it{};
  it.mask = LVIF_PARAM;
  it.iItem = item;
  return GetItem(&it) ? static_cast<DWORD_PTR>(it.lParam) : 0;
}
BOOL CProgressCtrl::Create(DWORD style, const RECT& r, CWnd* parent, UINT id) {
  return CWnd::Create(PROGRESS_CLASS, u"", style, r, parent, id);
}

// ---- Dialogs ------------------------------------------------------------------------------------

BEGIN_MESSAGE_MAP(CDialog, CWnd)
ON_COMMAND(IDOK, OnOK)
ON_COMMAND(IDCANCEL, OnCancel)
END_MESSAGE_MAP()

CDialog::CDialog() : m_hInstConstructed(AfxGetResourceHandle()) {}
CDialog::CDialog(UINT templateId, CWnd* parent)
    : m_lpszTemplateName(MAKEINTRESOURCE(templateId)),
      m_pParentWnd(parent),
      m_hInstConstructed(AfxGetResourceHandle()) {
  m_nIDHelp = templateId;
}
CDialog::CDialog(const WCHAR* templateName, CWnd* parent)
    : m_lpszTemplateName(templateName), m_pParentWnd(parent), m_hInstConstructed(AfxGetResourceHandle()) {}

HINSTANCE CDialog::TemplateModule() const {
  HINSTANCE current = AfxGetResourceHandle();
  if (!IS_INTRESOURCE(m_lpszTemplateName)) return current;
  int id = static_cast<int>(reinterpret_cast<uintptr_t>(m_lpszTemplateName));
  for (HINSTANCE m : {current, m_hInstConstructed}) {
    if (plat::res::Find(m, plat::res::Dialog, id)) return m;
  }
  if (plat::res::Find(nullptr, plat::res::Dialog, id)) return ::GetModuleHandle(nullptr);
  return current;
}
CDialog::~CDialog() = default;

BOOL CALLBACK CDialog::AfxDlgProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  (void)lParam;
  CWnd* wnd = FromHandlePermanent(hwnd);
  if (!wnd) {
    // The first message of a dialog the framework is creating: bind it and route its messages
    // through the object's message map from now on.
    CWnd* pending = TS().creating;
    if (!pending) return FALSE;
    TS().creating = nullptr;
    if (!pending->SubclassWindow(hwnd)) return FALSE;
    wnd = pending;
  }
  if (message == WM_INITDIALOG) {
    auto* dlg = dynamic_cast<CDialog*>(wnd);
    if (!dlg) return FALSE;
    auto& stack = TS().messages;
    stack.push_back(CurrentMessage{message, wParam, lParam});
    BOOL r = dlg->OnInitDialog();
    stack.pop_back();
    return r;
  }
  return FALSE;
}

BOOL CDialog::Create(UINT templateId, CWnd* parent) { return Create(MAKEINTRESOURCE(templateId), parent); }

BOOL CDialog::Create(const WCHAR* templateName, CWnd* parent) {
  if (m_hWnd) return FALSE;
  m_lpszTemplateName = templateName;
  if (IS_INTRESOURCE(templateName)) m_nIDHelp = static_cast<UINT>(reinterpret_cast<uintptr_t>(templateName));
  if (parent) m_pParentWnd = parent;
  modal_ = false;
  HookCreation(this);
  HWND h = ::CreateDialogParam(TemplateModule(), templateName, m_pParentWnd ? m_pParentWnd->m_hWnd : 0, &AfxDlgProc,
                               reinterpret_cast<LPARAM>(this));
  if (TS().creating == this) UnhookCreation();
  if (!h) {
    if (m_hWnd) UnsubclassWindow();
    return FALSE;
  }
  return TRUE;
}

INT_PTR CDialog::DoModal() {
  if (m_hWnd) return -1;
  modal_ = true;
  HWND owner = m_pParentWnd ? m_pParentWnd->m_hWnd : 0;
  if (!owner && AfxGetMainWnd()) owner = AfxGetMainWnd()->m_hWnd;
  HookCreation(this);
  INT_PTR r =
      ::DialogBoxParam(TemplateModule(), m_lpszTemplateName, owner, &AfxDlgProc, reinterpret_cast<LPARAM>(this));
  if (TS().creating == this) UnhookCreation();
  modal_ = false;
  return r;
}

BOOL CDialog::OnInitDialog() {
  UpdateData(FALSE);
  return TRUE;
}
void CDialog::OnOK() {
  if (!UpdateData(TRUE)) return;
  EndDialog(IDOK);
}
void CDialog::OnCancel() { EndDialog(IDCANCEL); }
void CDialog::EndDialog(int result) {
  if (m_hWnd) ::EndDialog(m_hWnd, result);
}
void CDialog::NextDlgCtrl() const {
  HWND next = ::GetNextDlgTabItem(m_hWnd, ::GetFocus(), FALSE);
  if (next) ::SetFocus(next);
}
void CDialog::PrevDlgCtrl() const {
  HWND prev = ::GetNextDlgTabItem(m_hWnd, ::GetFocus(), TRUE);
  if (prev) ::SetFocus(prev);
}
void CDialog::GotoDlgCtrl(CWnd* ctl) {
  if (ctl && ctl->m_hWnd) ::SetFocus(ctl->m_hWnd);
}
BOOL CDialog::PreTranslateMessage(MSG* msg) {
  if (!m_hWnd || !msg || msg->message < WM_KEYFIRST || msg->message > WM_KEYLAST) return FALSE;
  if (msg->hwnd != m_hWnd && !::IsChild(m_hWnd, msg->hwnd)) return FALSE;
  return ::IsDialogMessage(m_hWnd, msg);
}
LRESULT CDialog::DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
  return CWnd::DefWindowProc(message, wParam, lParam);
}
BOOL CDialog::OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) {
  return CWnd::OnWndMsg(message, wParam, lParam, result);
}

BOOL CFrameWnd::Create(const WCHAR* className, const WCHAR* title, DWORD style, const RECT& r, CWnd* parent,
                       const WCHAR* menuName, DWORD exStyle, void* context) {
  (void)menuName;
  return CreateEx(exStyle, className, title, style, r, parent, 0, context);
}

BOOL CView::OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) {
  if (CWnd::OnWndMsg(message, wParam, lParam, result)) return TRUE;
  if (message != WM_PAINT) return FALSE;
  CPaintDC dc(this);
  OnDraw(&dc);
  *result = 0;
  return TRUE;
}

// ---- Data exchange ------------------------------------------------------------------------------

HWND CDataExchange::PrepareCtrl(int id) {
  HWND h = m_pDlgWnd ? ::GetDlgItem(m_pDlgWnd->m_hWnd, id) : 0;
  if (!h) Fail();
  m_hWndLastControl = h;
  return h;
}

void CDataExchange::Fail() { throw DdxFailure{}; }

namespace {

std::u16string ControlText(HWND h) {
  int n = ::GetWindowTextLength(h);
  std::u16string s(static_cast<size_t>(n > 0 ? n : 0) + 1, u'\0');
  int got = ::GetWindowText(h, s.data(), static_cast<int>(s.size()));
  s.resize(static_cast<size_t>(got > 0 ? got : 0));
  return s;
}

// Writes the text only when it differs, so that loading values does not fire change
// notifications for controls that already show them.
void SetControlText(HWND h, const std::u16string& t) {
  if (ControlText(h) != t) ::SetWindowText(h, t.c_str());
}

bool ParseInteger(const std::u16string& text, long long lo, long long hi, long long& out) {
  std::string s;
  for (WCHAR c : text) {
    if (c > 0x7F) return false;
    s += static_cast<char>(c);
  }
  size_t b = s.find_first_not_of(" \t");
  size_t e = s.find_last_not_of(" \t");
  if (b == std::string::npos) return false;
  s = s.substr(b, e - b + 1);
  size_t i = (s[0] == '-' || s[0] == '+') ? 1 : 0;
  if (i >= s.size()) return false;
  for (size_t k = i; k < s.size(); ++k)
    if (s[k] < '0' || s[k] > '9') return false;
  errno = 0;
  long long v = std::strtoll(s.c_str(), nullptr, 10);
  if (errno == ERANGE || v < lo || v > hi) return false;
  out = v;
  return true;
}

std::u16string Widen(const std::string& s) { return std::u16string(s.begin(), s.end()); }

template <typename T>
void TextNumber(CDataExchange* dx, int id, T& value, long long lo, long long hi, const WCHAR* prompt) {
  HWND h = dx->PrepareEditCtrl(id);
  if (dx->m_bSaveAndValidate) {
    long long v = 0;
    if (!ParseInteger(ControlText(h), lo, hi, v)) {
      MessageBoxForDdx(prompt);
      dx->Fail();
    }
    value = static_cast<T>(v);
  } else {
    SetControlText(h, Widen(std::to_string(value)));
  }
}

}  // namespace

void DDX_Text(CDataExchange* dx, int id, CString& value) {
  HWND h = dx->PrepareEditCtrl(id);
  if (dx->m_bSaveAndValidate)
    value = CString(ControlText(h));
  else
    SetControlText(h, value.str());
}
void DDX_Text(CDataExchange* dx, int id, int& value) {
  TextNumber(dx, id, value, INT32_MIN, INT32_MAX, u"Please enter an integer.");
}
void DDX_Text(CDataExchange* dx, int id, long& value) {
  TextNumber(dx, id, value, INT32_MIN, INT32_MAX, u"Please enter an integer.");
}
void DDX_Text(CDataExchange* dx, int id, UINT& value) {
  TextNumber(dx, id, value, 0, UINT32_MAX, u"Please enter a positive integer.");
}
void DDX_Text(CDataExchange* dx, int id, double& value) {
  HWND h = dx->PrepareEditCtrl(id);
  if (dx->m_bSaveAndValidate) {
    std::string s;
    for (WCHAR c : ControlText(h)) s += c < 0x80 ? static_cast<char>(c) : '?';
    char* end = nullptr;
    errno = 0;
    double v = std::strtod(s.c_str(), &end);
    while (end && (*end == ' ' || *end == '\t')) ++end;
    if (s.find_first_not_of(" \t") == std::string::npos || !end || *end || errno == ERANGE) {
      MessageBoxForDdx(u"Please enter a number.");
      dx->Fail();
    }
    value = v;
  } else {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.15g", value);
    SetControlText(h, Widen(buf));
  }
}
void DDX_Control(CDataExchange* dx, int id, CWnd& control) {
  if (control.m_hWnd) return;
  HWND h = dx->PrepareCtrl(id);
  if (!control.SubclassWindow(h)) dx->Fail();
}
void DDX_Check(CDataExchange* dx, int id, int& value) {
  HWND h = dx->PrepareCtrl(id);
  if (dx->m_bSaveAndValidate)
    value = static_cast<int>(::SendMessage(h, BM_GETCHECK, 0, 0));
  else
    ::SendMessage(h, BM_SETCHECK, static_cast<WPARAM>(value), 0);
}
void DDX_Radio(CDataExchange* dx, int id, int& value) {
  HWND first = dx->PrepareCtrl(id);
  if (dx->m_bSaveAndValidate) value = -1;
  int index = 0;
  for (HWND h = first; h; h = ::GetWindow(h, GW_HWNDNEXT)) {
    if (h != first && (::GetWindowLong(h, GWL_STYLE) & WS_GROUP)) break;
    if (!(::SendMessage(h, WM_GETDLGCODE, 0, 0) & DLGC_RADIOBUTTON)) continue;
    if (dx->m_bSaveAndValidate) {
      if (::SendMessage(h, BM_GETCHECK, 0, 0) == BST_CHECKED) value = index;
    } else {
      ::SendMessage(h, BM_SETCHECK, index == value ? BST_CHECKED : BST_UNCHECKED, 0);
    }
    ++index;
  }
}
void DDX_CBIndex(CDataExchange* dx, int id, int& index) {
  HWND h = dx->PrepareCtrl(id);
  if (dx->m_bSaveAndValidate)
    index = static_cast<int>(::SendMessage(h, CB_GETCURSEL, 0, 0));
  else
    ::SendMessage(h, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
}
void DDX_CBString(CDataExchange* dx, int id, CString& value) {
  HWND h = dx->PrepareCtrl(id);
  if (dx->m_bSaveAndValidate) {
    value = CString(ControlText(h));
  } else if (::SendMessage(h, CB_SELECTSTRING, static_cast<WPARAM>(-1),
                           reinterpret_cast<LPARAM>(static_cast<const WCHAR*>(value))) == CB_ERR) {
    SetControlText(h, value.str());
  }
}
void DDX_LBIndex(CDataExchange* dx, int id, int& index) {
  HWND h = dx->PrepareCtrl(id);
  if (dx->m_bSaveAndValidate)
    index = static_cast<int>(::SendMessage(h, LB_GETCURSEL, 0, 0));
  else
    ::SendMessage(h, LB_SETCURSEL, static_cast<WPARAM>(index), 0);
}
void DDV_MaxChars(CDataExchange* dx, const CString& value, int maxChars) {
  HWND h = dx->m_hWndLastControl;
  if (!dx->m_bSaveAndValidate) {
    if (h) {
      bool combo = IsClass(h, WC_COMBOBOX);
      ::SendMessage(h, combo ? CB_LIMITTEXT : EM_LIMITTEXT, static_cast<WPARAM>(maxChars), 0);
    }
    return;
  }
  if (value.GetLength() > maxChars) {
    CString msg;
    msg.Format(u"Enter no more than %d characters.", maxChars);
    MessageBoxForDdx(msg);
    dx->Fail();
  }
}

// ---- The application ----------------------------------------------------------------------------

CWinApp::CWinApp(const WCHAR* appName) {
  {
    std::lock_guard<std::mutex> l(g_appLock);
    Apps().push_back(this);
  }
  if (appName) {
    appName_ = appName;
  } else {
    WCHAR path[MAX_PATH] = {};
    DWORD n = ::GetModuleFileName(nullptr, path, MAX_PATH);
    std::u16string p(path, std::min<DWORD>(n, MAX_PATH));
    size_t slash = p.find_last_of(u"\\/");
    if (slash != std::u16string::npos) p = p.substr(slash + 1);
    size_t dot = p.rfind(u'.');
    if (dot != std::u16string::npos && dot > 0) p = p.substr(0, dot);
    appName_ = p;
  }
  m_pszAppName = appName_.c_str();
}

CWinApp::~CWinApp() {
  std::lock_guard<std::mutex> l(g_appLock);
  auto& apps = Apps();
  apps.erase(std::remove(apps.begin(), apps.end(), this), apps.end());
}

BOOL CWinApp::OnIdle(LONG count) {
  (void)count;
  CWnd::DeleteTempMap();
  return FALSE;
}

BOOL CWinApp::PreTranslateMessage(MSG* msg) { return AfxPreTranslateMessage(msg); }

int CWinApp::Run() {
  MSG msg{};
  for (;;) {
    if (!::PeekMessage(&msg, 0, 0, 0, PM_NOREMOVE)) OnIdle(0);
    BOOL got = ::GetMessage(&msg, 0, 0, 0);
    if (got <= 0) {
      m_nExitCode = got == 0 ? static_cast<int>(msg.wParam) : -1;
      break;
    }
    if (!PreTranslateMessage(&msg)) {
      ::TranslateMessage(&msg);
      ::DispatchMessage(&msg);
    }
  }
  return ExitInstance();
}

int CWinApp::ExitInstance() {
  CWnd::DeleteTempMap();
  return m_nExitCode;
}

BOOL AfxPreTranslateMessage(MSG* msg) {
  if (!msg) return FALSE;
  for (HWND h = msg->hwnd; h; h = ::GetParent(h)) {
    CWnd* w = CWnd::FromHandlePermanent(h);
    if (w && w->PreTranslateMessage(msg)) return TRUE;
    if (!(::GetWindowLong(h, GWL_STYLE) & WS_CHILD)) break;
  }
  return FALSE;
}

CWinApp* AfxGetApp() { return App(); }
CWnd* AfxGetMainWnd() {
  CWinApp* app = App();
  return app ? app->m_pMainWnd : nullptr;
}
HINSTANCE AfxGetInstanceHandle() {
  CWinApp* app = App();
  if (app && app->m_hInstance) return app->m_hInstance;
  return ::GetModuleHandle(nullptr);
}
HINSTANCE AfxGetResourceHandle() { return plat::res::Current(); }
void AfxSetResourceHandle(HINSTANCE module) { plat::res::SetCurrent(module); }

int AfxMessageBox(const WCHAR* text, UINT type, UINT helpId) {
  (void)helpId;
  HWND owner = 0;
  if (CWnd* main = AfxGetMainWnd()) owner = main->m_hWnd;
  std::u16string caption = AppName();
  return ::MessageBox(owner, text ? text : u"", caption.c_str(), type);
}

int AfxMessageBox(UINT stringId, UINT type, UINT helpId) {
  CString text;
  text.LoadString(stringId);
  return AfxMessageBox(text, type, helpId);
}

int AfxWinMain(HINSTANCE instance, HINSTANCE previous, WCHAR* commandLine, int show) {
  (void)previous;
  CWinApp* app = AfxGetApp();
  if (!app) return -1;
  app->m_hInstance = instance ? instance : ::GetModuleHandle(nullptr);
  static WCHAR empty[1] = {0};
  app->m_lpCmdLine = commandLine ? commandLine : empty;
  app->m_nCmdShow = show;
  if (!app->InitInstance()) {
    if (app->m_pMainWnd) {
      app->m_pMainWnd->DestroyWindow();
      app->m_pMainWnd = nullptr;
    }
    return app->ExitInstance();
  }
  return app->Run();
}
