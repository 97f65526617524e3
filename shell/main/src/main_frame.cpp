// The frame's window, start-up, connection manager, keep-alive, receive-thread reports, dial-up
// events, exit and release. The screen host is in screen_host.cpp.
#include "vxmain/main_frame.h"

#include <cstdio>
#include <cstring>
#include <string>

#include "flitway/quick_move.h"
#include "glimmet/file_log.h"
#include "glimmet/ras.h"
#include "larkspin/shared_table.h"
#include "vxbase/prop_ce.h"

#define VX_LOG(text) lib_file_log(VX_MAIN_LOG_FILE, __LINE__, __FILE_NAME__, "%s", text)

namespace {

const WCHAR kFrameClass[] = u"VXMainFrame";
const WCHAR kCaption[] = u"VXMain";

const WCHAR* DialText(UINT state, DWORD error) {
  switch (state) {
    case 0: return u"통신포트 연결 중";
    case 1: return u"통신포트 연결 성공";
    case 2: return u"전화접속 연결 중";
    case 3: return u"전화접속 연결 성공";
    case 5: return u"전화접속 인증 중";
    case 6:
      switch (error) {
        case 0: return u"전화접속 인증 실패";
        case 646: return u"AUTH_ERR_REST_HOUR";
        case 647: return u"AUTH_ERR_ACCT_DISABLED";
        case 648: return u"AUTH_ERR_PWD_EXP";
        case 649: return u"AUTH_ERR_NO_DIALIN";
        case 709: return u"AUTH_ERR_CHG_PWD";
        default: return u"AUTH_ERR_UNKNOWN";
      }
    case 10: return u"AUTH_PROJ";
    case 12: return u"AUTH_RESP";
    case 14: return u"전화접속 인증 성공";
    case RASCS_Connected: return u"전화접속 성공";
    case RASCS_Disconnected: return u"전화접속 재연결 중";
    default: return u"";
  }
}

}  // namespace

CVXMainFrame::CVXMainFrame() {
  m_menus.push_back(std::make_unique<CMenuConfigFile>());
  m_menu = m_menus.back().get();
  _qm_init_his();
}

CVXMainFrame::~CVXMainFrame() {
  StopReceiveThread();
  ReapThreads();
  if (m_hWnd && IsWindow(m_hWnd)) {
    m_quitOnDestroy = false;
    DestroyWindow(m_hWnd);
  }
  // The message loop has ended: no screen's handler is running any more.
  for (const EndingScreen& s : m_waiting) {
    if (s.end) s.end();
    FreeLibrary(s.module);
  }
  m_waiting.clear();
  if (m_hPrevModule) {
    if (m_prevEnd) m_prevEnd();
    FreeLibrary(m_hPrevModule);
  }
  if (m_hCurModule) {
    if (m_curEnd) m_curEnd();
    FreeLibrary(m_hCurModule);
  }
  FreeModules();
  if (!m_historySaved) _qm_exit_his();
}

BOOL CVXMainFrame::Create() {
  WNDCLASS wc{};
  if (!GetClassInfo(nullptr, kFrameClass, &wc)) {
    wc.lpfnWndProc = &CVXMainFrame::WndProc;
    wc.lpszClassName = kFrameClass;
    RegisterClass(&wc);
  }
  m_hWnd = CreateWindowEx(0, kFrameClass, kCaption, WS_OVERLAPPED, 0, 0, 240, 320, 0, 0, nullptr, this);
  if (!m_hWnd) return FALSE;
  ShowWindow(m_hWnd, SW_HIDE);
  ViewStart();
  return TRUE;
}

void CVXMainFrame::ViewStart() {
  bool ok = m_config.ReadFile(VX_CONFIG_FILE_PATH) == 1;
  ok = m_menu->ReadFile(VX_MENU_FILE_PATH) == 1 && ok;
  ok = m_config.IsExistValue(u"SERVER INFO", u"MAIN PORT NUMBER") && ok;
  ok = m_config.IsExistValue(u"SETUP INFO", u"SETUP EXE") && ok;
  m_port = m_config.GetValue(u"SERVER INFO", u"MAIN PORT NUMBER");
  m_setupExe = m_config.GetValue(u"SETUP INFO", u"SETUP EXE");
  if (!ok) Box(u"설정파일 읽기 실패", kCaption, MB_OK | MB_ICONEXCLAMATION);
  ReadIsReal();
  if (SHARED_HWND_TABLE* t = SharedTable::Map(SharedTable::kJoin)) {
    t->main_mark = VX_TABLE_MARK;
    t->main_hwnd = m_hWnd;
  }
  SendMessage(m_hWnd, WM_VX_OPEN_SCREEN, kVXLoginScreenId, 0);
}

void CVXMainFrame::ReadIsReal() {
  CPropCE reg;
  if (!reg.SetBaseKey(HKEY_LOCAL_MACHINE, VX_REG_STOCK)) return;
  if (!reg.IsExistValue(u"IsReal")) reg.SetValue(u"IsReal", u"FALSE");
  m_autoReceive = CString(reg.GetValue(u"IsReal")).CompareNoCase(u"TRUE") == 0;
}

LRESULT CVXMainFrame::WndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  CVXMainFrame* self = reinterpret_cast<CVXMainFrame*>(GetWindowLong(hwnd, GWL_USERDATA));
  if (msg == WM_NCCREATE || msg == WM_CREATE) {
    auto* cs = reinterpret_cast<CREATESTRUCT*>(lParam);
    if (!self && cs && cs->lpCreateParams) {
      self = static_cast<CVXMainFrame*>(cs->lpCreateParams);
      SetWindowLong(hwnd, GWL_USERDATA, reinterpret_cast<LONG_PTR>(self));
      self->m_hWnd = hwnd;
    }
  }
  if (!self) return DefWindowProc(hwnd, msg, wParam, lParam);
  return self->OnMessage(msg, wParam, lParam);
}

LRESULT CVXMainFrame::OnMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_TIMER:
      switch (wParam) {
        case VX_TIMER_END_PREVIOUS:
          KillTimer(m_hWnd, VX_TIMER_END_PREVIOUS);
          EndPrevious();
          break;
        case VX_TIMER_KEEPALIVE_ONCE:
          KillTimer(m_hWnd, VX_TIMER_KEEPALIVE_ONCE);
          m_dialDrop = false;
          SendKeepAlive();
          break;
        case VX_TIMER_KEEPALIVE: SendKeepAlive(); break;
        case VX_TIMER_RECONNECT:
          KillTimer(m_hWnd, VX_TIMER_RECONNECT);
          if (!m_exiting) ConnectServer(true);
          break;
        case VX_TIMER_REDIAL:
          KillTimer(m_hWnd, VX_TIMER_REDIAL);
          if (!m_exiting) PostMessage(m_hWnd, WM_VX_CONNECT, 0, 0);
          break;
        case VX_TIMER_END_WAITING:
          KillTimer(m_hWnd, VX_TIMER_END_WAITING);
          EndWaitingScreens();
          break;
      }
      return 0;
    case WM_VX_OPEN_SCREEN: OpenScreen(static_cast<UINT>(wParam)); return 0;
    case WM_VX_EXIT_APP: OnExitApp(wParam, lParam); return 0;
    case WM_VX_CLOSE_SCREEN: CloseScreen(); return 0;
    case WM_VX_CONNECT: return OnConnect();
    case WM_VX_SOCKET_STATUS: OnSocketStatus(static_cast<int>(wParam)); return 0;
    case WM_VX_SET_AUTO_RECEIVE: m_autoReceive = lParam != 0; return 0;
    case WM_VX_SHOW_SCREEN:
      if (m_hCurDlg) ShowWindow(m_hCurDlg, SW_SHOW);
      return 0;
    case WM_VX_LOGIN_DONE: OnLoginDone(); return 0;
    case WM_VX_RELEASE: OnRelease(); return 0;
    case WM_VX_CONNECTED: return OnConnected(static_cast<SOCKET>(lParam));
    case WM_VX_VERSION_CONNECTED: OnVersionConnected(); return 0;
    case WM_VX_SEND_FAILED: OnSendFailed(); return 0;
    case WM_VX_FREE_MODULES:
      EndWaitingScreens();
      if (!InSendMessage()) FreeModules();
      return 0;
    case WM_VX_REAP_THREADS:
      if (!InSendMessage()) ReapThreads();
      return 0;
    case WM_RASDIALEVENT:
      OnDialEvent(static_cast<UINT>(wParam), static_cast<DWORD>(lParam));
      return DefWindowProc(m_hWnd, msg, wParam, lParam);
    case WM_CLOSE: DestroyWindow(m_hWnd); return 0;
    case WM_DESTROY: {
      StopReceiveThread();
      if (!InSendMessage()) ReapThreads();
      if (SHARED_HWND_TABLE* t = SharedTable::Map(SharedTable::kJoin)) {
        if (t->main_hwnd == m_hWnd) t->main_hwnd = 0;
      }
      if (m_quitOnDestroy) PostQuitMessage(0);
      return 0;
    }
    case WM_NCDESTROY:
      SetWindowLong(m_hWnd, GWL_USERDATA, 0);
      m_hWnd = 0;
      return 0;
  }
  return DefWindowProc(m_hWnd, msg, wParam, lParam);
}

// ---- helpers --------------------------------------------------------------------------------

void CVXMainFrame::StatusText(const WCHAR* text, WPARAM giveUp) {
  if (m_exiting || !m_hCurDlg || !IsWindow(m_hCurDlg)) return;
  SendMessage(m_hCurDlg, WM_VX_STATUS_TEXT, giveUp, reinterpret_cast<LPARAM>(text));
}

int CVXMainFrame::Box(const WCHAR* text, const WCHAR* caption, UINT type) {
  return MessageBox(m_hWnd, text, caption, type);
}

HWND CVXMainFrame::Launcher() const {
  SHARED_HWND_TABLE* t = SharedTable::Map(SharedTable::kJoin);
  return t ? SharedTable::Peer(t->launcher_hwnd) : 0;
}

HWND CVXMainFrame::Updater() const {
  SHARED_HWND_TABLE* t = SharedTable::Map(SharedTable::kJoin);
  return t ? SharedTable::Peer(t->updater_hwnd) : 0;
}

// ---- connection -----------------------------------------------------------------------------

LRESULT CVXMainFrame::OnConnect() {
  if (m_exiting) return -1;
  CPropCE reg;
  if (reg.SetBaseKey(HKEY_LOCAL_MACHINE, VX_REG_STOCK)) {
    if (!reg.IsExistValue(u"Connect Method")) reg.SetValue(u"Connect Method", static_cast<LPCTSTR>(m_method));
    m_method = reg.GetValue(u"Connect Method");
    m_mobile = reg.GetValue(u"Mobile Name");
    m_profile = reg.GetValue(u"Profile Name");
  }
  m_connectMethod = m_method;
  if (m_method == u"Internet") return ConnectServer(false) ? 1 : -1;

  discon_RAS(RAS_DISCON_DROPPED, nullptr);
  if (get_cur_RAS_count() > 0) {
    RASCONN cons[8];
    std::memset(cons, 0, sizeof cons);
    for (RASCONN& c : cons) c.dwSize = sizeof(RASCONN);
    if (get_all_RAS_con_buf(u"modem", cons, 8) > 0) return ConnectServer(false) ? 1 : -1;
    if (get_all_RAS_con_buf(nullptr, cons, 8) > 0) {
      // Some other link (cradle, network card) is up: reach the Internet server through it.
      m_connectMethod = CString(u"Internet");
      return ConnectServer(false) ? 1 : -1;
    }
  }
  const char* err = nullptr;
  HRASCONN conn = 0;
  int rc = start_RAS(m_profile, nullptr, m_hWnd, &conn, &err);
  if (rc != 0) {
    lib_file_log(VX_MAIN_LOG_FILE, __LINE__, __FILE_NAME__, "start_RAS %d", rc);
    Box(u"전화접속을 실패하였습니다.", kCaption, MB_OK | MB_ICONEXCLAMATION);
    return -1;
  }
  m_hRasConn = conn;
  return 1;
}

BOOL CVXMainFrame::ConnectServer(bool reconnect) {
  StatusText(reconnect ? u"서버1 재연결중" : u"서버1 연결중");
  StopReceiveThread();

  CString key;
  if (m_connectMethod == u"Internet") {
    key = CString(u"INTERNET SERVER");
    m_carrier = 0;
  } else {
    CString mobile = m_mobile.IsEmpty() ? CString(u"SKT") : m_mobile;
    key = mobile + CString(u" SERVER");
    if (key == u"SKT SERVER")
      m_carrier = 1;
    else if (key == u"KTF SERVER")
      m_carrier = 2;
    else if (key == u"LGT SERVER")
      m_carrier = 3;
    else
      m_carrier = 0;
  }
  std::string address = m_config.GetValue(u"SERVER INFO", key).ToMultiByte();
  std::string port = m_port.ToMultiByte();
  if (address.size() > 20) address.resize(20);
  if (port.size() > 10) port.resize(10);

  auto* thread = new CVXSocketThread(kMainRecvProfile);
  thread->SetHwnd(m_hCurDlg);
  thread->SetMainHwnd(m_hWnd);
  thread->SetServer(address.c_str(), std::atoi(port.c_str()));  // a refused address reports 1901
  if (!thread->Start()) {
    delete thread;
    Box(u"소켓[Start] : 네트웍 상의 문제로 서버에 연결할 수 없습니다.", kCaption, MB_OK | MB_ICONEXCLAMATION);
    return FALSE;
  }
  m_pThread = thread;
  return TRUE;
}

// The thread is stopped on purpose: it is forgotten first, then stopped and joined; it reports
// nothing, so a reconnect or the release never reads as a lost connection.
void CVXMainFrame::StopReceiveThread() {
  CVXSocketThread* thread = m_pThread;
  m_pThread = nullptr;
  m_socket = INVALID_SOCKET;
  if (m_hWnd) KillTimer(m_hWnd, VX_TIMER_KEEPALIVE);
  if (!thread) return;
  // A thread cannot be joined from inside a message it is waiting on (a screen that ends the
  // program or reconnects while it handles WM_VX_PACKET). Such a thread is told to leave
  // without a word to anyone, and is stopped and deleted once this handling is over.
  thread->SetHwnd(0);
  thread->SetMainHwnd(0);
  thread->SetThreadContinue(0);
  if (InSendMessage()) {
    m_retired.push_back(thread);
    if (m_hWnd) PostMessage(m_hWnd, WM_VX_REAP_THREADS, 0, 0);
    return;
  }
  thread->Stop();
  delete thread;
}

void CVXMainFrame::ReapThreads() {
  std::vector<CVXSocketThread*> threads;
  threads.swap(m_retired);
  for (CVXSocketThread* t : threads) {
    t->Stop();
    delete t;
  }
}

LRESULT CVXMainFrame::OnConnected(SOCKET socket) {
  // A notice of a thread that was stopped meanwhile is not this connection's.
  if (!m_pThread || m_pThread->GetSocket() != socket || m_exiting) return 0;
  m_socket = socket;
  SetTimer(m_hWnd, VX_TIMER_KEEPALIVE, kVXKeepAliveMs, nullptr);
  StatusText(u"서버2 연결중");
  HWND updater = Updater();
  if (!updater) {
    VersionConnectFailed();
    return 0;
  }
  LRESULT r = SendMessage(updater, WM_VX_VERSION_CONNECT, static_cast<WPARAM>(m_carrier),
                          m_connectMethod == u"Internet" ? 1 : 0);
  if (static_cast<long>(r) < 0 || !IsWindow(updater)) VersionConnectFailed();
  return 0;
}

// Without the updater nothing would ever report the version server: tell the user and give the
// login its buttons back instead of leaving it waiting.
void CVXMainFrame::VersionConnectFailed() {
  static const WCHAR kText[] = u"Larkspin : 버전관리 서버 접속 실패";
  Box(kText, kCaption, MB_OK | MB_ICONEXCLAMATION);
  StatusText(kText, 1);
}

void CVXMainFrame::OnVersionConnected() {
  if (m_exiting) return;
  StatusText(u"종목 코드 읽는중");
  m_codes.ReadStockCode();
  if (m_hCurDlg) SendMessage(m_hCurDlg, WM_VX_CODES_READY, 0, static_cast<LPARAM>(m_socket));
}

void CVXMainFrame::OnLoginDone() {
  ReadIsReal();
  HWND updater = Updater();
  if (!updater) return;
  ShowWindow(updater, SW_SHOW);
  SendMessage(updater, WM_VX_VERSION_CHECK, 0, 0);
}

void CVXMainFrame::SendKeepAlive() {
  if (m_exiting) return;
  unsigned char packet[16];
  int n = m_encrypt.make_packet(packet, sizeof packet, kVXKeepAliveCode, '4', 1, 0, 1, 1, 0, 0, nullptr, 0);
  bool sent = n > 0 && m_socket != INVALID_SOCKET && send(m_socket, reinterpret_cast<const char*>(packet), n, 0) == n;
  if (sent) return;
  KillTimer(m_hWnd, VX_TIMER_KEEPALIVE);
  Box(u"통신연결이 끊어졌습니다. 재연결하시기 바랍니다.[8]", kCaption, MB_OK | MB_ICONEXCLAMATION);
  if (HWND launcher = Launcher())
    SendMessage(launcher, WM_VX_SHUTDOWN, 0, 0);
  else
    PostMessage(m_hWnd, WM_VX_EXIT_APP, 0, 1);
}

void CVXMainFrame::OnSocketStatus(int code) {
  if (m_exiting) return;
  switch (code) {
    case VX_SOCK_NO_SOCKET:
    case VX_SOCK_BAD_ADDRESS:
    case VX_SOCK_CONNECT_FAILED:
      // Posted when the thread's set-up failed. A current thread that holds a connected
      // socket means the report belongs to one stopped before.
      if (m_pThread && m_pThread->GetSocket() != INVALID_SOCKET) return;
      // A pause between tries, so a server that is down is not hammered.
      SetTimer(m_hWnd, VX_TIMER_RECONNECT, kVXReconnectDelayMs, nullptr);
      return;
    default: break;
  }
  const WCHAR* text;
  switch (code) {
    case VX_SOCK_LOST_AFTER_DATA: text = u"통신연결이 끊어졌습니다. 재접속 하시기 바랍니다.[4]"; break;
    case VX_SOCK_LOST_BEFORE_DATA: text = u"통신연결이 끊어졌습니다. 재접속 하시기 바랍니다.[5]"; break;
    case VX_SOCK_WAIT_FAILED: text = u"통신연결이 끊어졌습니다. 재접속 하시기 바랍니다.[6]"; break;
    case VX_SOCK_WAIT_EMPTY: text = u"통신연결이 끊어졌습니다. 재접속 하시기 바랍니다.[7]"; break;
    default: text = u"통신연결이 끊어졌습니다. 재접속 하시기 바랍니다.[8]"; break;
  }
  Box(text, kCaption, MB_OK | MB_ICONEXCLAMATION);
  PostMessage(m_hWnd, WM_VX_EXIT_APP, 1, 1);
}

void CVXMainFrame::OnSendFailed() {
  if (m_exiting) return;
  Box(u"통신연결이 끊어졌습니다. 재접속하시기 바랍니다.[9]", kCaption, MB_OK | MB_ICONEXCLAMATION);
  PostMessage(m_hWnd, WM_VX_EXIT_APP, 0, 1);
}

void CVXMainFrame::HangUpDial() {
  if (m_hRasConn) RasHangUp(m_hRasConn);
  m_hRasConn = 0;
}

void CVXMainFrame::OnDialEvent(UINT state, DWORD error) {
  const WCHAR* text = DialText(state, error);
  if (state == RASCS_Disconnected) m_dialDrop = true;
  if (m_exiting) return;

  if (error != 0 && state != RASCS_Disconnected) {
    // The dial ended with an error: nothing more will come for it. Hang it up and let the
    // screen give up, instead of leaving it waiting for a connection.
    HangUpDial();
    StatusText(*text ? text : u"전화접속을 실패하였습니다.", 1);
    return;
  }
  if (state == RASCS_Connected) ConnectServer(false);
  if (state == RASCS_Disconnected && m_dialDrop) {
    if (m_redialBudget == 2) {
      m_redialBudget = 1;
      StopReceiveThread();
      SetTimer(m_hWnd, VX_TIMER_REDIAL, kVXRedialDelayMs, nullptr);
    } else {
      if (m_warnOnDrop) Box(u"전화연결이 끊어졌습니다. 재접속하시기 바랍니다.", kCaption, MB_OK | MB_ICONEXCLAMATION);
      // The second drop ends the program through the release, so the session's accounts
      // leave the registry and the links are hung up.
      PostMessage(m_hWnd, WM_VX_EXIT_APP, 0, 1);
      return;
    }
  }
  StatusText(text);
}

// ---- exit and release -----------------------------------------------------------------------

void CVXMainFrame::OnExitApp(WPARAM wholeSystem, LPARAM noQuestion) {
  if (!noQuestion && !m_exiting) {
    if (Box(u"Pelvato을 종료하시겠습니까?", u"Halvenor", MB_YESNO | MB_ICONQUESTION) != IDYES) return;
  }
  SHSipShowIM(SIPF_OFF);
  m_exiting = true;
  m_warnOnDrop = false;
  if (!m_historySaved) {
    m_historySaved = true;
    VX_LOG("_qm_exit_his - in");
    _qm_exit_his();
    VX_LOG("_qm_exit_his - out");
  }
  SendMessage(m_hWnd, WM_VX_RELEASE, 0, 0);
  if (wholeSystem == 1) {
    if (HWND launcher = Launcher()) SendMessage(launcher, WM_VX_SHUTDOWN, 0, 0);
  }
  // Whatever the launcher does (it may have closed itself after the version check), this
  // program ends.
  CloseSelf();
}

void CVXMainFrame::CloseSelf() {
  if (m_closePosted || !m_hWnd) return;
  m_closePosted = true;
  PostMessage(m_hWnd, WM_CLOSE, 0, 0);
}

void CVXMainFrame::OnRelease() {
  if (m_released) return;
  m_released = true;
  VX_LOG("OnReleaseResource - in");
  DeleteSessionValues();
  KillTimer(m_hWnd, VX_TIMER_END_PREVIOUS);
  EndPrevious();
  CloseScreen();
  StopReceiveThread();
  KillTimer(m_hWnd, VX_TIMER_RECONNECT);
  KillTimer(m_hWnd, VX_TIMER_REDIAL);
  m_hRasConn = 0;
  discon_RAS(RAS_DISCON_MODEM, nullptr);
  VX_LOG("OnReleaseResource - out");
}

void CVXMainFrame::DeleteSessionValues() {
  CPropCE reg;
  auto deleteIfPresent = [&reg](const WCHAR* name) {
    if (reg.IsExistValue(name)) reg.DeleteValue(name);
  };
  if (reg.SetBaseKey(HKEY_LOCAL_MACHINE, u"Software\\Quorvan\\Zelvix\\Order Change", TRUE))
    deleteIfPresent(u"ChoiceAccount");
  for (const WCHAR* key : {VX_REG_STOCK, VX_REG_FUTOPT}) {
    if (!reg.SetBaseKey(HKEY_LOCAL_MACHINE, key, TRUE)) continue;
    if (!reg.IsExistValue(u"Account Count")) continue;
    long n = reg.GetLongValue(u"Account Count");
    if (n < 0) n = _ttol(reg.GetValue(u"Account Count"));  // written as text
    if (n > kVXMaxAccounts) n = kVXMaxAccounts;
    reg.DeleteValue(u"Account Count");
    for (long i = 0; i < n; ++i) {
      WCHAR name[16];
      CString s;
      s.Format(u"%ld", i);
      lstrcpyn(name, s, 16);
      deleteIfPresent(name);
    }
  }
  if (reg.SetBaseKey(HKEY_LOCAL_MACHINE, u"Software\\Quorvan\\Zelvix\\Order Change", TRUE))
    deleteIfPresent(u"AccountNo");
  if (reg.SetBaseKey(HKEY_LOCAL_MACHINE, u"Software\\Quorvan\\FutOpt\\FutOpt Change", TRUE))
    deleteIfPresent(u"AccountNo");
  reg.Close();
}
