// A stand-in updater (ZRUpdate.exe) for the launcher's and the main program's tests: records
// itself in the shared table, logs what it is told to "standin.log" and answers the version-server
// connect at once. On the version check it does what "standin_updater.txt" in the device root
// says: "done" (report a normal check), "replace" (core files downloaded), "shutdown" (declined).
#include <cstdio>
#include <string>

#include "larkspin/shared_table.h"
#include "plat/kernel.h"
#include "plat/window.h"
#include "vxbase/messages.h"

namespace {

const UINT kAct = WM_USER + 500;

void Log(const std::string& line) {
  FILE* f = plat::OpenDeviceFile("standin.log", "ab");
  if (!f) return;
  std::string l = "ZRUpdate " + line + "\n";
  std::fwrite(l.data(), 1, l.size(), f);
  std::fclose(f);
}

std::string Mode() {
  FILE* f = plat::OpenDeviceFile("standin_updater.txt", "rb");
  if (!f) return "";
  char buf[32] = {};
  size_t n = std::fread(buf, 1, sizeof buf - 1, f);
  std::fclose(f);
  std::string s(buf, n);
  while (!s.empty() && (s.back() == '\n' || s.back() == '\r' || s.back() == ' ')) s.pop_back();
  return s;
}

LRESULT Proc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  SHARED_HWND_TABLE* t = SharedTable::Map(SharedTable::kJoin);
  switch (msg) {
    case WM_VX_VERSION_CONNECT:
      Log("VERSION_CONNECT " + std::to_string(wParam) + " " + std::to_string(lParam));
      PostMessage(hwnd, kAct, 1, 0);
      return 1;
    case WM_VX_VERSION_CHECK:
      Log("VERSION_CHECK");
      PostMessage(hwnd, kAct, 2, 0);
      return 1;
    case kAct:
      if (wParam == 1) {
        if (t && t->main_hwnd) SendMessage(t->main_hwnd, WM_VX_VERSION_CONNECTED, 0, 0);
      } else {
        std::string mode = Mode();
        Log("ACT " + mode);
        if (!t) return 0;
        if (mode == "done")
          SendMessage(t->launcher_hwnd, WM_VX_UPDATE_DONE, 0, 1);
        else if (mode == "replace")
          PostMessage(t->launcher_hwnd, WM_VX_REPLACE_CORE, 0, 0);
        else if (mode == "shutdown")
          PostMessage(t->launcher_hwnd, WM_VX_SHUTDOWN, 0, 0);
      }
      return 0;
    case WM_CLOSE:
      Log("CLOSE");
      DestroyWindow(hwnd);
      return 0;
    case WM_DESTROY:
      if (t && t->updater_hwnd == hwnd) t->updater_hwnd = 0;
      PostQuitMessage(0);
      return 0;
  }
  return DefWindowProc(hwnd, msg, wParam, lParam);
}

}  // namespace

int main() {
  WNDCLASS wc{};
  wc.lpfnWndProc = Proc;
  wc.lpszClassName = u"StandinUpdater";
  RegisterClass(&wc);
  HWND hwnd = CreateWindowEx(0, u"StandinUpdater", u"ZRUpdate", WS_OVERLAPPED, 0, 0, 240, 320, 0, 0, nullptr, nullptr);
  SHARED_HWND_TABLE* t = SharedTable::Map(SharedTable::kJoin);
  if (t) {
    t->updater_mark = VX_TABLE_MARK;
    t->updater_hwnd = hwnd;
  }
  Log("start");
  MSG m;
  while (GetMessage(&m, 0, 0, 0)) {
    TranslateMessage(&m);
    DispatchMessage(&m);
  }
  Log("end");
  return 0;
}
