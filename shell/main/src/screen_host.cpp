// Screen host: a navigation id names a plug-in through the menu file; the plug-in's MainDlg
// makes its screen, which becomes the receiver of server data at once; the screen it replaces is
// ended and unloaded 500 ms later (later still when its own handler is running then).
#include <cstring>
#include <string>

#include "flitway/quick_move.h"
#include "vxmain/main_frame.h"

void CVXMainFrame::OpenScreen(UINT id) {
  if (m_exiting) return;
  if (id == kVXStartScreenId) {
    SHSipShowIM(SIPF_OFF);
    // Read into a new object: a failed read keeps the menu that works.
    auto fresh = std::make_unique<CMenuConfigFile>();
    if (fresh->ReadFile(VX_MENU_FILE_PATH) != 1) return;
    m_menu = fresh.get();
    m_menus.push_back(std::move(fresh));
  }

  CString file;
  if (!m_menu->GetFileNameFromId(id, file)) {
    Box(u"서비스 준비중입니다.", u"준비중", MB_OK | MB_ICONINFORMATION);
    return;
  }
  if (m_hCurModule && file == m_curFile) return;

  CString path = m_setupExe + CString(u"\\") + file;
  HMODULE module = LoadLibrary(path);
  if (!module) {
    Box(u"선택된 화면이 존재하지 않습니다.", u"알림", MB_OK | MB_ICONINFORMATION);
    return;
  }
  auto mainDlg = reinterpret_cast<VX_MAINDLG_FN>(GetProcAddress(module, "MainDlg"));
  auto endDlg = reinterpret_cast<VX_ENDDLG_FN>(GetProcAddress(module, "EndDlg"));
  if (!mainDlg || !endDlg) {
    // Not a screen plug-in: it goes again and the current screen stays current.
    FreeLibrary(module);
    return;
  }

  // A screen still waiting for its end (a switch within 500 ms) is ended now rather than
  // forgotten alive; it may also be the plug-in that is being opened again.
  KillTimer(m_hWnd, VX_TIMER_END_PREVIOUS);
  EndPrevious();
  if (Waiting(module)) {
    // The plug-in's earlier screen waits for its own handler to return (a plug-in has one
    // dialog): this screen opens once that one has ended.
    FreeLibrary(module);
    m_openAfterWait = id;
    return;
  }

  // Only a screen that can open enters the quick-move history.
  _qm_change_his(m_menu, id);

  HMODULE oldModule = m_hCurModule;
  HWND oldDlg = m_hCurDlg;
  CString oldFile = m_curFile;
  VX_ENDDLG_FN oldEnd = m_curEnd;
  m_hPrevModule = oldModule;
  m_hPrevDlg = oldDlg;
  m_prevEnd = oldEnd;
  m_hCurModule = module;
  m_curFile = file;
  m_curEnd = endDlg;
  m_hCurDlg = 0;

  unsigned char record[8];
  std::memset(record, 0, sizeof record);
  void* filled = mainDlg(record, m_hWnd, m_pThread ? m_pThread->GetSocket() : INVALID_SOCKET, m_pThread, &m_encrypt,
                         &m_codes, m_autoReceive, m_menu);
  uint32_t dlg = 0;
  std::memcpy(&dlg, filled ? filled : record, sizeof dlg);
  if (dlg == 0 || !IsWindow(static_cast<HWND>(dlg))) {
    // The plug-in made no screen: put the one that was current back.
    endDlg();
    FreeLibrary(module);
    m_hCurModule = oldModule;
    m_hCurDlg = oldDlg;
    m_curFile = oldFile;
    m_curEnd = oldEnd;
    m_hPrevModule = nullptr;
    m_hPrevDlg = 0;
    m_prevEnd = nullptr;
    return;
  }
  m_hCurDlg = static_cast<HWND>(dlg);
  if (m_pThread) m_pThread->SetHwnd(m_hCurDlg);
  // The device's event log records each screen switch: navigation id, plug-in file, dialog.
  plat::win::LogEvent("screen", std::to_string(id) + "\t" + plat::ToUtf8(static_cast<LPCTSTR>(file)) + "\t" +
                                    std::to_string(m_hCurDlg));
  SendMessage(m_hCurDlg, WM_VX_QUERY, 0, 0);
  SetTimer(m_hWnd, VX_TIMER_END_PREVIOUS, kVXEndPreviousMs, nullptr);
}

void CVXMainFrame::EndPrevious() {
  if (!m_hPrevModule) return;
  EndingScreen screen{m_hPrevModule, m_prevEnd, m_hPrevDlg};
  m_hPrevModule = nullptr;
  m_hPrevDlg = 0;
  m_prevEnd = nullptr;
  EndScreen(screen);
}

void CVXMainFrame::CloseScreen() {
  if (!m_hCurModule) return;
  EndingScreen screen{m_hCurModule, m_curEnd, m_hCurDlg};
  m_hCurModule = nullptr;
  m_hCurDlg = 0;
  m_curFile = CString();
  m_curEnd = nullptr;
  if (m_pThread) m_pThread->SetHwnd(0);
  EndScreen(screen);
}

// The host is often reached from inside a screen's own handler: a timer or a posted request is
// handled by the loop of a message box, pop-up menu or finder that the handler runs. Ending the
// screen there would delete the object the handler returns into. Its loops are ended instead
// (a box gives its cancelling answer, never "yes") and the screen ends once the handler has
// returned, from the frame's next message.
void CVXMainFrame::EndScreen(const EndingScreen& screen) {
  if (screen.dlg && IsWindow(screen.dlg) && plat::win::WindowCodeRunning(screen.dlg)) {
    m_waiting.push_back(screen);
    if (!m_hWnd) return;
    if (plat::win::EndModalLoops(screen.dlg) > 0)
      PostMessage(m_hWnd, WM_VX_FREE_MODULES, 0, 0);
    else
      SetTimer(m_hWnd, VX_TIMER_END_WAITING, kVXEndWaitingMs, nullptr);  // a wait of its own
    return;
  }
  if (screen.end) screen.end();
  UnloadLater(screen.module);
}

void CVXMainFrame::EndWaitingScreens() {
  if (m_waiting.empty()) return;
  std::vector<EndingScreen> waiting;
  waiting.swap(m_waiting);
  for (const EndingScreen& s : waiting) EndScreen(s);
  if (m_waiting.empty() && m_openAfterWait && m_hWnd) {
    PostMessage(m_hWnd, WM_VX_OPEN_SCREEN, m_openAfterWait, 0);
    m_openAfterWait = 0;
  }
}

bool CVXMainFrame::Waiting(HMODULE module) const {
  for (const EndingScreen& s : m_waiting)
    if (s.module == module) return true;
  return false;
}

// A screen often ends itself, or the program, from one of its own handlers (its "X" button):
// its plug-in stays loaded until that handler has returned, and goes from the message loop.
void CVXMainFrame::UnloadLater(HMODULE module) {
  m_unload.push_back(module);
  if (m_hWnd) PostMessage(m_hWnd, WM_VX_FREE_MODULES, 0, 0);
}

void CVXMainFrame::FreeModules() {
  std::vector<HMODULE> modules;
  modules.swap(m_unload);
  for (HMODULE m : modules) FreeLibrary(m);
}
