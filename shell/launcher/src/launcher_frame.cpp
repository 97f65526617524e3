#include "larkspin/launcher_frame.h"

#include <filesystem>
#include <string>

#include "glimmet/file_log.h"
#include "larkspin/shared_table.h"

namespace {

const WCHAR kFrameClass[] = u"LarkspinFrame";
const WCHAR kCaption[] = u"Larkspin";
const char kLog[] = "larkspin.txt";

// The core files in the order they are replaced: [UPDATE INFO] keys.
const WCHAR* const kCoreKeys[] = {u"MAIN FILE",  u"UPDATE FILE", u"BASE FILE",
                                  u"LOGIN FILE", u"QMOVE FILE",  u"UTIL FILE"};

bool Exists(const CString& path) { return GetFileAttributes(path) != INVALID_FILE_ATTRIBUTES; }

// A downloaded file is written as plain data; on this system a program file must also be marked
// runnable before the launcher can start it again.
void MakeRunnable(const CString& devicePath) {
  std::string host;
  if (!plat::HostPath(std::u16string_view(static_cast<const WCHAR*>(devicePath)), host)) return;
  std::error_code ec;
  namespace fs = std::filesystem;
  fs::permissions(host, fs::perms::owner_exec | fs::perms::group_exec | fs::perms::others_exec, fs::perm_options::add,
                  ec);
}

}  // namespace

CLauncherFrame::~CLauncherFrame() {
  if (m_hWnd && IsWindow(m_hWnd)) {
    m_quitOnDestroy = false;
    DestroyWindow(m_hWnd);
  }
  if (m_mainProcess) CloseHandle(m_mainProcess);
  if (m_updaterProcess) CloseHandle(m_updaterProcess);
}

BOOL CLauncherFrame::Create() {
  WNDCLASS wc{};
  if (!GetClassInfo(nullptr, kFrameClass, &wc)) {
    wc.lpfnWndProc = &CLauncherFrame::WndProc;
    wc.lpszClassName = kFrameClass;
    RegisterClass(&wc);
  }
  m_hWnd = CreateWindowEx(0, kFrameClass, kCaption, WS_OVERLAPPED, 0, 0, 240, 320, 0, 0, nullptr, this);
  if (!m_hWnd) return FALSE;
  ShowWindow(m_hWnd, SW_HIDE);
  ViewStart();
  return TRUE;
}

BOOL CLauncherFrame::ReadConfig() {
  if (m_config.ReadFile(VX_CONFIG_FILE_PATH) != 1 || !m_config.IsExistValue(u"SETUP INFO", u"SETUP EXE")) return FALSE;
  m_setupExe = m_config.GetValue(u"SETUP INFO", u"SETUP EXE");
  return TRUE;
}

void CLauncherFrame::ViewStart() {
  if (!ReadConfig()) {
    MessageBox(m_hWnd, u"Larkspin : 설정파일 읽기 실패", kCaption, MB_OK | MB_ICONEXCLAMATION);
    PostMessage(m_hWnd, WM_CLOSE, 0, 0);
    return;
  }
  if (!SharedTable::EnsureMarkerFile()) {
    MessageBox(m_hWnd, u"CreateFile : INVALID_HANDLE_VALUE", kCaption, MB_OK | MB_ICONEXCLAMATION);
    PostMessage(m_hWnd, WM_CLOSE, 0, 0);
    return;
  }
  // A new run of the system: no window of an earlier run stays in the table.
  SHARED_HWND_TABLE* t = SharedTable::Map(SharedTable::kFresh);
  if (!t) {
    MessageBox(m_hWnd, u"CreateFileMapping : NULL", kCaption, MB_OK | MB_ICONEXCLAMATION);
    PostMessage(m_hWnd, WM_CLOSE, 0, 0);
    return;
  }
  t->launcher_mark = VX_TABLE_MARK;
  t->launcher_hwnd = m_hWnd;
  SendMessage(m_hWnd, WM_VX_START_ALL, 0, 0);
}

LRESULT CLauncherFrame::WndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  auto* self = reinterpret_cast<CLauncherFrame*>(GetWindowLong(hwnd, GWL_USERDATA));
  if (msg == WM_NCCREATE || msg == WM_CREATE) {
    auto* cs = reinterpret_cast<CREATESTRUCT*>(lParam);
    if (!self && cs && cs->lpCreateParams) {
      self = static_cast<CLauncherFrame*>(cs->lpCreateParams);
      SetWindowLong(hwnd, GWL_USERDATA, reinterpret_cast<LONG_PTR>(self));
      self->m_hWnd = hwnd;
    }
  }
  if (!self) return DefWindowProc(hwnd, msg, wParam, lParam);
  return self->OnMessage(msg, wParam, lParam);
}

LRESULT CLauncherFrame::OnMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_VX_START_MAIN: StartProgram(u"MAIN FILE", u"VXMain.exe", &m_mainProcess); return 1;
    case WM_VX_START_UPDATER: StartProgram(u"UPDATE FILE", u"ZRUpdate.exe", &m_updaterProcess); return 1;
    case WM_VX_START_ALL:
      SendMessage(m_hWnd, WM_VX_START_UPDATER, 0, 0);
      WaitForUpdaterWindow();
      SendMessage(m_hWnd, WM_VX_START_MAIN, 0, 0);
      return 1;
    case WM_VX_STOP_MAIN: StopMain(); return 1;
    case WM_VX_UPDATE_DONE: OnUpdateDone(lParam); return 1;
    case WM_VX_SHUTDOWN: OnShutdown(); return 1;
    case WM_VX_REPLACE_CORE: OnReplaceCore(); return 1;
    case WM_CLOSE: DestroyWindow(m_hWnd); return 0;
    case WM_DESTROY:
      if (SHARED_HWND_TABLE* t = SharedTable::Map(SharedTable::kJoin)) {
        if (t->launcher_hwnd == m_hWnd) t->launcher_hwnd = 0;
      }
      if (m_quitOnDestroy) PostQuitMessage(0);
      return 0;
    case WM_NCDESTROY:
      SetWindowLong(m_hWnd, GWL_USERDATA, 0);
      m_hWnd = 0;
      return 0;
  }
  return DefWindowProc(m_hWnd, msg, wParam, lParam);
}

BOOL CLauncherFrame::StartProgram(const WCHAR* key, const WCHAR* shownName, HANDLE* processOut) {
  CString path = m_setupExe + m_config.GetValue(u"UPDATE INFO", key);
  STARTUPINFO si{};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi{};
  if (!CreateProcess(path, nullptr, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) {
    DWORD err = GetLastError();
    CString text;
    text.Format(u"ERROR : Larkspin을 실행할 수 없습니다.[%s] %d", shownName, static_cast<int>(err));
    MessageBox(m_hWnd, text, kCaption, MB_OK | MB_ICONEXCLAMATION);
    return FALSE;
  }
  lib_file_log(kLog, __LINE__, __FILE_NAME__, "started %s", path.ToMultiByte().c_str());
  if (pi.hThread && pi.hThread != pi.hProcess) CloseHandle(pi.hThread);
  if (*processOut) CloseHandle(*processOut);
  *processOut = pi.hProcess;
  return TRUE;
}

void CLauncherFrame::StopMain() {
  SHARED_HWND_TABLE* t = SharedTable::Map(SharedTable::kJoin);
  if (HWND main = t ? SharedTable::Peer(t->main_hwnd) : 0) SendMessage(main, WM_VX_EXIT_APP, 0, 1);
}

void CLauncherFrame::OnUpdateDone(LPARAM goOn) {
  SHARED_HWND_TABLE* t = SharedTable::Map(SharedTable::kJoin);
  if (goOn == 1) {
    if (HWND main = t ? SharedTable::Peer(t->main_hwnd) : 0) SendMessage(main, WM_VX_OPEN_SCREEN, 90100, 0);
    PostMessage(m_hWnd, WM_CLOSE, 0, 0);
  }
  if (HWND updater = t ? SharedTable::Peer(t->updater_hwnd) : 0) SendMessage(updater, WM_CLOSE, 0, 0);
}

void CLauncherFrame::OnShutdown() {
  SendMessage(m_hWnd, WM_VX_UPDATE_DONE, 0, 0);
  SendMessage(m_hWnd, WM_VX_STOP_MAIN, 0, 0);
  SendMessage(m_hWnd, WM_CLOSE, 0, 0);
}

void CLauncherFrame::OnReplaceCore() {
  SendMessage(m_hWnd, WM_VX_UPDATE_DONE, 0, 0);
  SendMessage(m_hWnd, WM_VX_STOP_MAIN, 0, 0);
  WaitForPrograms();
  ReplaceCoreFiles();
  SendMessage(m_hWnd, WM_VX_START_ALL, 0, 0);
}

// Both programs must have let go of their files before these are replaced. The wait is bounded
// and keeps answering messages sent to this thread, since the programs send while they end.
void CLauncherFrame::WaitForPrograms() {
  HANDLE handles[2];
  DWORD count = 0;
  if (m_mainProcess) handles[count++] = m_mainProcess;
  if (m_updaterProcess) handles[count++] = m_updaterProcess;
  if (count == 0) return;
  DWORD start = GetTickCount();
  for (;;) {
    DWORD r = WaitForMultipleObjects(count, handles, TRUE, 20);
    if (r != WAIT_TIMEOUT) break;
    MSG m;
    PeekMessage(&m, 0, 0, 0, PM_NOREMOVE);
    if (GetTickCount() - start >= kLauncherStopWaitMs) {
      lib_file_log(kLog, __LINE__, __FILE_NAME__, "programs still running after %u ms",
                   static_cast<unsigned>(kLauncherStopWaitMs));
      break;
    }
  }
}

// The updater started just now: wait (bounded) until its window is in the table, so that the
// main program never finds the table without it. Nothing to wait for when it did not start or
// has ended.
void CLauncherFrame::WaitForUpdaterWindow() {
  SHARED_HWND_TABLE* t = SharedTable::Map(SharedTable::kJoin);
  if (!t || !m_updaterProcess) return;
  DWORD start = GetTickCount();
  while (!SharedTable::Peer(t->updater_hwnd)) {
    if (WaitForSingleObject(m_updaterProcess, 10) != WAIT_TIMEOUT) return;
    MSG m;
    PeekMessage(&m, 0, 0, 0, PM_NOREMOVE);
    if (GetTickCount() - start >= kLauncherUpdaterWaitMs) {
      lib_file_log(kLog, __LINE__, __FILE_NAME__, "the updater has no window after %u ms",
                   static_cast<unsigned>(kLauncherUpdaterWaitMs));
      return;
    }
  }
}

int CLauncherFrame::ReplaceCoreFiles() {
  int replaced = 0;
  for (const WCHAR* key : kCoreKeys) {
    CString name = m_config.GetValue(u"UPDATE INFO", key);
    if (name.IsEmpty()) continue;
    CString source = name;               // the root folder, where the updater left it
    CString target = m_setupExe + name;  // the program folder
    if (!Exists(source)) continue;
    CString backup = target + CString(u".old");
    DeleteFile(backup);
    bool hadOld = Exists(target);
    if (hadOld && !MoveFile(target, backup)) {
      lib_file_log(kLog, __LINE__, __FILE_NAME__, "cannot set aside %s (%u)", target.ToMultiByte().c_str(),
                   static_cast<unsigned>(GetLastError()));
      continue;
    }
    if (!MoveFile(source, target)) {
      lib_file_log(kLog, __LINE__, __FILE_NAME__, "cannot move %s (%u)", source.ToMultiByte().c_str(),
                   static_cast<unsigned>(GetLastError()));
      if (hadOld) MoveFile(backup, target);
      continue;
    }
    if (hadOld) DeleteFile(backup);
    MakeRunnable(target);
    ++replaced;
  }
  return replaced;
}
