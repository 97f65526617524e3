// The launcher Larkspin: creates the shared window-handle table, starts the updater and then the
// main program as processes, relays their start-up and shut-down requests and, when the updater
// has downloaded new core files, stops both, moves the files into the program folder and starts
// both again. Its frame stays hidden; it ends itself once the version check finished normally.
#pragma once

#include "plat/windows.h"
#include "vxbase/config_file.h"
#include "vxbase/messages.h"

// How long the core-file replacement waits for the main program and the updater to end.
constexpr DWORD kLauncherStopWaitMs = 10000;
// How long the start waits for the updater to record its window before starting the main
// program, which asks the updater to connect as soon as the user connects.
constexpr DWORD kLauncherUpdaterWaitMs = 5000;

class CLauncherFrame {
 public:
  CLauncherFrame() = default;
  ~CLauncherFrame();
  CLauncherFrame(const CLauncherFrame&) = delete;
  CLauncherFrame& operator=(const CLauncherFrame&) = delete;

  // Creates the hidden frame and runs the start: configuration, table, updater, main program.
  BOOL Create();
  HWND GetSafeHwnd() const { return m_hWnd; }
  void SetQuitOnDestroy(bool on) { m_quitOnDestroy = on; }

  // Reads the configuration file and the program folder; FALSE when either is missing.
  BOOL ReadConfig();
  // Moves the downloaded core files (root folder) over the program folder's; returns how many
  // were replaced. A file whose move fails keeps the old one in place.
  int ReplaceCoreFiles();

 private:
  static LRESULT WndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
  LRESULT OnMessage(UINT msg, WPARAM wParam, LPARAM lParam);
  void ViewStart();
  BOOL StartProgram(const WCHAR* key, const WCHAR* shownName, HANDLE* processOut);
  void OnUpdateDone(LPARAM goOn);
  void OnShutdown();
  void OnReplaceCore();
  void StopMain();
  void WaitForPrograms();
  void WaitForUpdaterWindow();

  HWND m_hWnd = 0;
  bool m_quitOnDestroy = true;
  CConfigFile m_config;
  CString m_setupExe;
  HANDLE m_mainProcess = nullptr;
  HANDLE m_updaterProcess = nullptr;
};
