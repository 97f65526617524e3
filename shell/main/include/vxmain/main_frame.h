// VXMain's frame: the hidden window that stays up while the user works. It hosts the screen
// plug-ins (one current screen, the previous one ended 500 ms after a switch), owns the packet
// layer object, the item-code lists and the menu file, connects to the trading server directly or
// over a dial-up link, keeps the connection alive with transaction 1100 every 120 s, reacts to the
// receive thread's reports, drives the start-up handshake with the updater and the launcher and
// releases everything at exit.
//
//   CVXMainFrame frame;
//   frame.Create();       // reads the files, records itself in the shared table, opens 90101
//   ... message loop ...  // the frame posts WM_QUIT when it is destroyed (SetQuitOnDestroy)
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "plat/ras.h"
#include "plat/windows.h"
#include "vxbase/code_manager.h"
#include "vxbase/config_file.h"
#include "vxbase/ee_encrypt.h"
#include "vxbase/menu_config.h"
#include "vxbase/messages.h"
#include "vxshell/vx_socket_thread.h"

// Timers of the frame.
enum : UINT_PTR {
  VX_TIMER_END_PREVIOUS = 1,  // 500 ms after a switch: end the previous screen
  VX_TIMER_KEEPALIVE_ONCE = 1001,
  VX_TIMER_KEEPALIVE = 1002,    // every 120 s while connected
  VX_TIMER_RECONNECT = 1003,    // pause before reconnecting after a set-up failure
  VX_TIMER_REDIAL = 1004,       // pause before the one redial after a dropped link
  VX_TIMER_END_WAITING = 1005,  // look again at screens whose handler was running at their end
};

// The frame's own message: stop and delete receive threads that were let go inside a message
// they (or another program) sent.
#define WM_VX_REAP_THREADS (WM_APP + 0x101)
// The frame's own message: end the screens that waited for their handler to return, then
// unload the plug-ins of screens that were ended.
#define WM_VX_FREE_MODULES (WM_APP + 0x102)

constexpr UINT kVXKeepAliveMs = 120000;
constexpr UINT kVXReconnectDelayMs = 1000;
constexpr UINT kVXRedialDelayMs = 500;
constexpr UINT kVXEndPreviousMs = 500;
constexpr UINT kVXEndWaitingMs = 50;
constexpr UINT kVXLoginScreenId = 90101;
constexpr UINT kVXStartScreenId = 90100;
constexpr uint16_t kVXKeepAliveCode = 1100;
// Most numbered account values the release deletes under one key.
constexpr long kVXMaxAccounts = 1000;

// Exports of every screen plug-in.
typedef void* (*VX_MAINDLG_FN)(void* result, HWND frame, SOCKET socket, CVXSocketThread* thread, EE_Encrypt* encrypt,
                               CCodeManager* codes, BOOL autoReceive, CMenuConfigFile* menu);
typedef void (*VX_ENDDLG_FN)();

#define VX_MAIN_LOG_FILE "vx_main.txt"

class CVXMainFrame {
 public:
  CVXMainFrame();
  ~CVXMainFrame();
  CVXMainFrame(const CVXMainFrame&) = delete;
  CVXMainFrame& operator=(const CVXMainFrame&) = delete;

  // Creates the hidden frame and runs the view start: configuration and menu files, the shared
  // table, then the login screen. FALSE when the window cannot be made.
  BOOL Create();
  HWND GetSafeHwnd() const { return m_hWnd; }
  // The program posts WM_QUIT when its frame goes (on by default; hosts of tests turn it off).
  void SetQuitOnDestroy(bool on) { m_quitOnDestroy = on; }

  // State, for the program's own diagnostics and for tests.
  HWND CurrentScreen() const { return m_hCurDlg; }
  HMODULE CurrentModule() const { return m_hCurModule; }
  const CString& CurrentFile() const { return m_curFile; }
  HWND PreviousScreen() const { return m_hPrevDlg; }
  HMODULE PreviousModule() const { return m_hPrevModule; }
  // Screens whose end waits until their own handler has returned.
  size_t WaitingScreens() const { return m_waiting.size(); }
  CVXSocketThread* SocketThread() const { return m_pThread; }
  SOCKET ConnectedSocket() const { return m_socket; }
  int Carrier() const { return m_carrier; }
  int RedialBudget() const { return m_redialBudget; }
  bool Exiting() const { return m_exiting; }
  bool Released() const { return m_released; }
  BOOL AutoReceive() const { return m_autoReceive; }
  const CMenuConfigFile* Menu() const { return m_menu; }

 private:
  static LRESULT WndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
  LRESULT OnMessage(UINT msg, WPARAM wParam, LPARAM lParam);

  // Start-up and files.
  void ViewStart();
  void ReadIsReal();

  // Connection.
  LRESULT OnConnect();
  BOOL ConnectServer(bool reconnect);
  void StopReceiveThread();
  void ReapThreads();
  LRESULT OnConnected(SOCKET socket);
  void VersionConnectFailed();
  void OnVersionConnected();
  void OnLoginDone();
  void SendKeepAlive();
  void OnSocketStatus(int code);
  void OnSendFailed();
  void OnDialEvent(UINT state, DWORD error);
  void HangUpDial();

  // Exit.
  void OnExitApp(WPARAM wholeSystem, LPARAM noQuestion);
  void OnRelease();
  void DeleteSessionValues();
  void CloseSelf();

  // Screen host.
  void OpenScreen(UINT id);
  void EndPrevious();
  void CloseScreen();
  void UnloadLater(HMODULE module);
  void FreeModules();

  void StatusText(const WCHAR* text, WPARAM giveUp = 0);
  int Box(const WCHAR* text, const WCHAR* caption, UINT type);
  HWND Launcher() const;
  HWND Updater() const;

  HWND m_hWnd = 0;
  bool m_quitOnDestroy = true;

  CString m_profile;
  CString m_mobile;
  CString m_method = CString(u"Telephone");  // as stored
  CString m_connectMethod;                   // the method of the connect in progress
  CString m_port;
  CString m_setupExe;
  int m_carrier = 0;
  bool m_exiting = false;
  bool m_released = false;
  bool m_closePosted = false;
  bool m_historySaved = false;
  int m_redialBudget = 2;
  bool m_dialDrop = false;
  bool m_warnOnDrop = true;
  BOOL m_autoReceive = FALSE;
  HRASCONN m_hRasConn = 0;

  HMODULE m_hCurModule = nullptr;
  HWND m_hCurDlg = 0;
  CString m_curFile;
  VX_ENDDLG_FN m_curEnd = nullptr;
  HMODULE m_hPrevModule = nullptr;
  HWND m_hPrevDlg = 0;
  VX_ENDDLG_FN m_prevEnd = nullptr;
  std::vector<HMODULE> m_unload;  // ended screens' plug-ins, unloaded on WM_VX_FREE_MODULES
  // A screen to be ended: its plug-in, the plug-in's EndDlg and its window.
  struct EndingScreen {
    HMODULE module = nullptr;
    VX_ENDDLG_FN end = nullptr;
    HWND dlg = 0;
  };
  void EndScreen(const EndingScreen& screen);
  void EndWaitingScreens();
  bool Waiting(HMODULE module) const;
  std::vector<EndingScreen> m_waiting;  // their code was on the stack when they were to end
  UINT m_openAfterWait = 0;             // a screen asked for while its plug-in's old one waits

  SOCKET m_socket = INVALID_SOCKET;
  CVXSocketThread* m_pThread = nullptr;
  std::vector<CVXSocketThread*> m_retired;  // let go, stopped and deleted on WM_VX_REAP_THREADS

  EE_Encrypt m_encrypt;
  CCodeManager m_codes;
  CConfigFile m_config;
  CMenuConfigFile* m_menu = nullptr;
  // Every menu object ever lent to a screen stays alive for the program's life: a re-read of
  // the menu file makes a new one, and the screen that holds the old pointer may still run.
  std::vector<std::unique_ptr<CMenuConfigFile>> m_menus;
};
