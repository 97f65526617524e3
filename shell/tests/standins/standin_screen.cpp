// A stand-in screen plug-in: MainDlg makes a plain top-level window, and everything the screen
// is told is written to "standin.log" in the device root, one line each:
// "<screen> <event> <details>". Built several times under different names; STANDIN_NO_MAINDLG
// and STANDIN_NO_ENDDLG leave an export out. On WM_STANDIN_MODAL the screen runs a message box,
// a pop-up menu or a modal dialog in its handler, as real screens do.
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>

#include "plat/kernel.h"
#include "plat/window.h"
#include "vxbase/messages.h"

#define EXPORT extern "C" __attribute__((visibility("default")))

namespace {

[[maybe_unused]] HWND g_dlg = 0;
[[maybe_unused]] HWND g_frame = 0;

// The screen's own object, made by MainDlg and deleted by EndDlg: a handler that returns into it
// after the host deleted it is a use after free (the sanitizer build reports it).
struct ScreenState {
  int modalRuns = 0;
  int lastAnswer = 0;
};
[[maybe_unused]] ScreenState* g_state = nullptr;

// WM_STANDIN_MODAL: the screen runs, inside this handler, wParam 1 a message box with OK, 2 a
// yes/no box, 3 a pop-up menu, 4 a modal dialog (as a finder is), then records the answer.
constexpr UINT WM_STANDIN_MODAL = WM_APP + 0x200;

BOOL ModalDlgProc(HWND, UINT msg, WPARAM, LPARAM) { return msg == WM_INITDIALOG ? TRUE : FALSE; }

[[maybe_unused]] int RunModal(HWND hwnd, WPARAM kind) {
  switch (kind) {
    case 1: return MessageBox(hwnd, u"종목코드를 확인하세요.", u"알림", MB_OK);
    case 2: return MessageBox(hwnd, u"주문하시겠습니까?", u"확인", MB_YESNO);
    case 3: {
      HMENU menu = CreatePopupMenu();
      AppendMenu(menu, MF_STRING, 9001, u"현재가");
      AppendMenu(menu, MF_STRING, 9002, u"주문");
      int chosen = TrackPopupMenu(menu, TPM_RETURNCMD, 20, 40, 0, hwnd, nullptr);
      DestroyMenu(menu);
      return chosen;
    }
    case 4: {
      static const plat::DialogTemplate finder{WS_POPUP | WS_VISIBLE, 0,       0,       26, 240,     294,
                                               u"종목찾기",           nullptr, nullptr, 0,  nullptr, 0};
      return static_cast<int>(DialogBoxIndirectParam(nullptr, &finder, hwnd, ModalDlgProc, 0));
    }
  }
  return -1;
}

bool DeviceFileExists(const char* name) {
  FILE* f = plat::OpenDeviceFile(name, "rb");
  if (!f) return false;
  std::fclose(f);
  return true;
}

void Log(const std::string& line) {
  FILE* f = plat::OpenDeviceFile("standin.log", "ab");
  if (!f) return;
  std::string l = std::string(STANDIN_NAME) + " " + line + "\n";
  std::fwrite(l.data(), 1, l.size(), f);
  std::fclose(f);
}

std::string Narrow(const WCHAR* text) {
  if (!text) return "(null)";
  char buf[512];
  int n = WideCharToMultiByte(CP_UTF8, 0, text, -1, buf, sizeof buf, nullptr, nullptr);
  return n > 0 ? std::string(buf) : std::string();
}

[[maybe_unused]] LRESULT Proc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_VX_QUERY: Log("QUERY"); return 0;
    case WM_VX_STATUS_TEXT:
      Log("STATUS " + std::to_string(wParam) + " " + Narrow(reinterpret_cast<const WCHAR*>(lParam)));
      return 0;
    case WM_VX_CODES_READY: Log("CODES_READY " + std::to_string(static_cast<long>(lParam))); return 0;
    case WM_STANDIN_MODAL: {
      int answer = RunModal(hwnd, wParam);
      // Returns into the screen's own object, as a real screen's handler does.
      g_state->modalRuns++;
      g_state->lastAnswer = answer;
      Log("MODAL " + std::to_string(wParam) + " " + std::to_string(answer));
      return 0;
    }
    case WM_VX_PACKET: {
      // The screen ends the program, or reconnects, while it handles the packet. What it will do
      // is decided before the packet is logged: a test takes its file away once it sees the line.
      const bool exits = DeviceFileExists("standin_packet_exit.txt");
      const bool connects = DeviceFileExists("standin_packet_connect.txt");
      Log("PACKET");
      if (exits) SendMessage(g_frame, WM_VX_EXIT_APP, 0, 1);
      if (connects) SendMessage(g_frame, WM_VX_CONNECT, 0, 0);
      return 0;
    }
  }
  return DefWindowProc(hwnd, msg, wParam, lParam);
}

}  // namespace

#ifndef STANDIN_NO_MAINDLG
EXPORT void* MainDlg(void* result, HWND frame, uint32_t socket, void* thread, void* encrypt, void* codes,
                     BOOL autoReceive, void* menu) {
  const WCHAR* cls = u"StandinScreen_" STANDIN_WNAME;
  WNDCLASS wc{};
  if (!GetClassInfo(nullptr, cls, &wc)) {
    wc.lpfnWndProc = Proc;
    wc.lpszClassName = cls;
    RegisterClass(&wc);
  }
  g_frame = frame;
  g_state = new ScreenState;
  g_dlg = CreateWindowEx(0, cls, STANDIN_WNAME, WS_VISIBLE, 0, 0, 240, 320, 0, 0, nullptr, nullptr);
  Log("MainDlg frame=" + std::to_string(frame != 0) + " socket=" + std::to_string(static_cast<int32_t>(socket)) +
      " thread=" + std::to_string(thread != nullptr) +
      " objects=" + std::to_string(encrypt != nullptr && codes != nullptr && menu != nullptr) +
      " auto=" + std::to_string(autoReceive));
  uint32_t record[2] = {g_dlg, 0};
  std::memcpy(result, record, sizeof record);
  return result;
}
#endif

#ifndef STANDIN_NO_ENDDLG
EXPORT void EndDlg() {
  if (!g_dlg) return;
  Log("EndDlg");
  DestroyWindow(g_dlg);
  g_dlg = 0;
  // The class names this module's procedure: the module may be unloaded and loaded elsewhere.
  UnregisterClass(u"StandinScreen_" STANDIN_WNAME, nullptr);
  delete g_state;
  g_state = nullptr;
}
#endif

// Present in every stand-in so that the module is a valid library even without both exports.
EXPORT int StandinName() { return 1; }
