// A library that registers a window class, loaded and unloaded by the tests as a screen plug-in is.
#include "plat/window.h"

static LRESULT PluginProc(HWND h, UINT m, WPARAM wp, LPARAM lp) {
  if (m == WM_USER + 1) return 4321;
  return DefWindowProc(h, m, wp, lp);
}

extern "C" int RegisterPluginClass() {
  WNDCLASS wc{};
  wc.lpfnWndProc = PluginProc;
  wc.lpszClassName = u"PluginWnd";
  return RegisterClass(&wc) != 0;
}
