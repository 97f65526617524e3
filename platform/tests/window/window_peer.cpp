// The other process of the cross-process tests: one hidden top-level window that answers the
// test's messages. Usage: platform_window_peer <device root>
#include <unistd.h>

#include <cstdio>
#include <string>

#include "plat/gdi.h"
#include "plat/kernel.h"
#include "plat/window.h"

namespace {

std::string g_root;

void WriteFile(const std::string& name, const std::string& text) {
  std::string tmp = g_root + "/" + name + ".tmp";
  if (FILE* f = fopen(tmp.c_str(), "w")) {
    fputs(text.c_str(), f);
    fclose(f);
    rename(tmp.c_str(), (g_root + "/" + name).c_str());
  }
}

std::u16string g_label = u"peer";  // drawn at the top left
COLORREF g_fill = RGB(0, 0, 255);  // the whole window's colour

LRESULT PeerProc(HWND h, UINT m, WPARAM wp, LPARAM lp) {
  switch (m) {
    case WM_USER + 1: return static_cast<LRESULT>(wp) + lp;                               // a plain answer
    case WM_USER + 2: return SendMessage(static_cast<HWND>(lp), WM_USER + 3, wp, 0) + 1;  // sends back first
    case WM_USER + 4: _exit(0);                                                           // dies mid-send
    case WM_USER + 5: WriteFile("peer.posted", std::to_string(wp)); return 0;
    case WM_USER + 8:  // posted: sends to the test's window (lParam) and records the answer
      WriteFile("peer.sent", std::to_string(SendMessage(static_cast<HWND>(lp), WM_USER + 3, 5, 0)));
      return 0;
    case WM_USER + 9: {  // posted: the label becomes "peer <wParam>"
      std::string n = std::to_string(wp);
      g_label = u"peer " + std::u16string(n.begin(), n.end());
      InvalidateRect(h, nullptr, TRUE);
      return 0;
    }
    case WM_USER + 10:  // posted: the whole window takes the colour wParam
      g_fill = static_cast<COLORREF>(wp);
      InvalidateRect(h, nullptr, TRUE);
      return 0;
    case WM_PAINT: {  // blue (or the colour it was given), with its label at the top left
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(h, &ps);
      RECT r{0, 0, 240, 320};
      HBRUSH blue = CreateSolidBrush(g_fill);
      FillRect(dc, &r, blue);
      DeleteObject(blue);
      TextOut(dc, 4, 30, g_label.c_str(), static_cast<int>(g_label.size()));
      EndPaint(h, &ps);
      return 0;
    }
    case WM_LBUTTONDOWN: WriteFile("peer.tap", std::to_string(LOWORD(lp)) + "," + std::to_string(HIWORD(lp))); return 0;
    case WM_DESTROY: PostQuitMessage(0); return 0;
    default: return DefWindowProc(h, m, wp, lp);
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) return 2;
  g_root = argv[1];
  plat::SetDeviceRoot(g_root);
  WNDCLASS wc{};
  wc.lpfnWndProc = PeerProc;
  wc.lpszClassName = u"PeerWnd";
  RegisterClass(&wc);
  HWND h = CreateWindowEx(0, u"PeerWnd", u"peer", WS_POPUP, 0, 0, 240, 320, 0, nullptr, nullptr, nullptr);
  if (!h) return 3;
  WriteFile("peer.hwnd", std::to_string(h));
  MSG m;
  while (GetMessage(&m, 0, 0, 0)) {
    TranslateMessage(&m);
    DispatchMessage(&m);
  }
  return 0;
}
