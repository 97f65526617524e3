#include "window_test_util.h"

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <sstream>

#include "plat/gdi.h"

namespace wtest {

const char16_t kRecClass[] = u"RecWnd";
const char16_t kPlainClass[] = u"PlainWnd";

std::vector<Rec>& Log() {
  static std::vector<Rec> log;
  return log;
}

std::map<UINT, Handler>& Handlers() {
  static std::map<UINT, Handler> h;
  return h;
}

bool IsNoise(UINT m) {
  switch (m) {
    case WM_NCCREATE:
    case WM_NCDESTROY:
    case WM_SIZE:
    case WM_MOVE:
    case WM_WINDOWPOSCHANGED:
    case WM_PAINT:
    case WM_ERASEBKGND:
    case WM_NCHITTEST:
    case WM_GETTEXT:
    case WM_GETTEXTLENGTH:
    case WM_SETTEXT:
    case WM_SHOWWINDOW:
    case WM_ACTIVATE:
    case WM_GETDLGCODE:
    case WM_CTLCOLORDLG:
    case WM_SETFONT:
    case WM_ENABLE:
    case WM_CAPTURECHANGED: return true;
    default: return false;
  }
}

std::vector<Rec> MessagesOf(HWND hwnd, bool withNoise) {
  std::vector<Rec> out;
  for (auto& r : Log())
    if ((!hwnd || r.hwnd == hwnd) && (withNoise || !IsNoise(r.msg))) out.push_back(r);
  return out;
}

std::string Describe(const std::vector<Rec>& recs) {
  std::ostringstream o;
  for (auto& r : recs)
    o << "[" << r.hwnd << " 0x" << std::hex << r.msg << std::dec << " " << r.wp << " " << r.lp
      << (r.posted ? " posted" : " sent") << "] ";
  return o.str();
}

static std::mutex g_logLock;

static LRESULT RecProc(HWND h, UINT m, WPARAM wp, LPARAM lp) {
  {
    // Windows of several threads log here.
    std::lock_guard<std::mutex> l(g_logLock);
    Log().push_back(Rec{h, m, wp, lp, plat::win::CurrentMessagePosted()});
  }
  auto it = Handlers().find(m);
  if (it != Handlers().end()) {
    bool handled = true;
    LRESULT r = it->second(h, m, wp, lp, &handled);
    if (handled) return r;
  }
  return DefWindowProc(h, m, wp, lp);
}

HWND MakeTop(int x, int y, int w, int h, DWORD style, const char16_t* cls) {
  return CreateWindowEx(0, cls, u"top", style, x, y, w, h, 0, nullptr, nullptr, nullptr);
}

HWND MakeChild(HWND parent, int id, int x, int y, int w, int h, DWORD style, const char16_t* cls) {
  return CreateWindowEx(0, cls, u"", style, x, y, w, h, parent, PLAT_ID_AS_MENU(id), nullptr, nullptr);
}

void WindowTest::SetUp() {
  char tmpl[] = "/tmp/larkspin-wtest-XXXXXX";
  ASSERT_NE(mkdtemp(tmpl), nullptr);
  root_ = tmpl;
  plat::SetDeviceRoot(root_);
  setenv("LARKSPIN_ROOT", root_.c_str(), 1);
  unsetenv("LARKSPIN_AUTOMATION");
  plat::win::ResetForTests();
  plat::clock::UseVirtual(1000000);
  Log().clear();
  Handlers().clear();
  WNDCLASS wc{};
  wc.style = CS_DBLCLKS;
  wc.lpfnWndProc = RecProc;
  wc.hbrBackground = GetStockObject(WHITE_BRUSH);
  wc.lpszClassName = kRecClass;
  ASSERT_NE(RegisterClass(&wc), 0u);
  wc.style = 0;
  wc.lpszClassName = kPlainClass;
  ASSERT_NE(RegisterClass(&wc), 0u);
}

void WindowTest::TearDown() {
  plat::win::ResetForTests();
  Handlers().clear();
  Log().clear();
  plat::clock::UseReal();
  std::error_code ec;
  std::filesystem::remove_all(root_, ec);
}

std::vector<std::string> EventLines(const std::string& root) {
  std::vector<std::string> out;
  std::ifstream in(root + "/run/events.log");
  for (std::string line; std::getline(in, line);) out.push_back(line);
  return out;
}

}  // namespace wtest
