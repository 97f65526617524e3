// ZRUpdate's frame and progress form: connection to the version server, the version check, the
// download and the results to the launcher.
#include "zrupdate/update_frame.h"

#include <algorithm>
#include <cstring>
#include <iterator>
#include <string>

#include "larkspin/shared_table.h"
#include "vxbase/config_file.h"

namespace {

const WCHAR kFrameClass[] = u"ZRUpdateFrame";
const WCHAR kCaption[] = u"ZRUpdate";

// Progress form 101: two bars with their percentages, the title, a status line, a size line and
// the cancel button.
const plat::DialogItemTemplate kFormItems[] = {
    {u"STATIC", ZRU_IDC_TITLE, u"전체진행률", SS_CENTER | WS_VISIBLE, 0, 10, 60, 220, 20},
    {u"STATIC", ZRU_IDC_STATUS, u"", SS_LEFT | WS_VISIBLE, 0, 10, 90, 220, 18},
    {u"STATIC", ZRU_IDC_SIZE, u"", SS_LEFT | WS_VISIBLE, 0, 10, 110, 220, 18},
    {PROGRESS_CLASS, ZRU_IDC_FILE_BAR, nullptr, WS_VISIBLE | WS_BORDER, 0, 10, 140, 170, 16},
    {u"STATIC", ZRU_IDC_FILE_PERCENT, u"0%", SS_LEFT | WS_VISIBLE, 0, 186, 140, 44, 16},
    {PROGRESS_CLASS, ZRU_IDC_TOTAL_BAR, nullptr, WS_VISIBLE | WS_BORDER, 0, 10, 170, 170, 16},
    {u"STATIC", ZRU_IDC_TOTAL_PERCENT, u"0%", SS_LEFT | WS_VISIBLE, 0, 186, 170, 44, 16},
    {u"BUTTON", ZRU_IDC_CANCEL, u"취   소", BS_PUSHBUTTON | WS_VISIBLE | WS_TABSTOP, 0, 80, 220, 80, 26},
};
const plat::DialogTemplate kForm = {WS_CHILD | WS_VISIBLE, 0, 0, 0, 240, 320, u"", nullptr, u"Tahoma", 13, kFormItems,
                                    std::size(kFormItems)};
PLAT_RESOURCE(plat::res::Dialog, ZRU_FORM_PROGRESS, &kForm, sizeof kForm);

std::u16string Wide(const std::string& s) {
  if (s.empty()) return {};
  const int n = MultiByteToWideChar(CP_ACP, 0, s.data(), static_cast<int>(s.size()), nullptr, 0);
  std::u16string out(static_cast<size_t>(n > 0 ? n : 0), u'\0');
  if (n > 0) MultiByteToWideChar(CP_ACP, 0, s.data(), static_cast<int>(s.size()), out.data(), n);
  return out;
}

std::string Narrow(const std::u16string& s) {
  if (s.empty()) return {};
  const int n = WideCharToMultiByte(CP_ACP, 0, s.data(), static_cast<int>(s.size()), nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<size_t>(n > 0 ? n : 0), '\0');
  if (n > 0) WideCharToMultiByte(CP_ACP, 0, s.data(), static_cast<int>(s.size()), out.data(), n, nullptr, nullptr);
  return out;
}

std::u16string Number(long long v) { return Wide(std::to_string(v)); }

std::u16string Join(const std::u16string& folder, const std::u16string& name) {
  if (!folder.empty() && (folder.back() == u'\\' || folder.back() == u'/')) return folder + name;
  return folder + u"\\" + name;
}

bool Exists(const std::u16string& path) { return GetFileAttributes(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

// Reads a whole device file; false when it cannot be opened or read.
bool ReadWhole(const std::u16string& path, std::vector<uint8_t>& out) {
  HANDLE f =
      CreateFile(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (f == INVALID_HANDLE_VALUE) return false;
  const DWORD size = GetFileSize(f, nullptr);
  bool ok = size != 0xFFFFFFFF;
  if (ok) {
    out.assign(size, 0);
    DWORD got = 0;
    ok = size == 0 || (ReadFile(f, out.data(), size, &got, nullptr) && got == size);
  }
  CloseHandle(f);
  return ok;
}

// Writes the bytes to a temporary file beside `path`, checks its size, and puts it in place of
// the old file, so that a failed write never leaves a cut file under the real name.
bool WriteReplacing(const std::u16string& path, const uint8_t* data, size_t size) {
  const std::u16string temp = path + u".zrtmp";
  DeleteFile(temp.c_str());
  HANDLE f = CreateFile(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (f == INVALID_HANDLE_VALUE) return false;
  bool ok = true;
  size_t done = 0;
  while (ok && done < size) {
    const DWORD chunk = static_cast<DWORD>(std::min<size_t>(size - done, 1u << 20));
    DWORD wrote = 0;
    ok = WriteFile(f, data + done, chunk, &wrote, nullptr) && wrote == chunk;
    done += wrote;
  }
  ok = ok && FlushFileBuffers(f);
  ok = ok && GetFileSize(f, nullptr) == static_cast<DWORD>(size);
  CloseHandle(f);
  if (ok && Exists(path)) ok = DeleteFile(path.c_str()) != FALSE;
  ok = ok && MoveFile(temp.c_str(), path.c_str());
  if (!ok) DeleteFile(temp.c_str());
  return ok;
}

}  // namespace

CZRUpdateFrame::CZRUpdateFrame() = default;

CZRUpdateFrame::~CZRUpdateFrame() {
  ForgetThread();
  for (CVXSocketThread* t : m_stopping) delete t;
  m_stopping.clear();
  if (m_hWnd && IsWindow(m_hWnd)) {
    m_quitOnDestroy = false;
    DestroyWindow(m_hWnd);
  }
}

BOOL CZRUpdateFrame::Create() {
  WNDCLASS wc{};
  if (!GetClassInfo(nullptr, kFrameClass, &wc)) {
    wc.lpfnWndProc = &CZRUpdateFrame::WndProc;
    wc.lpszClassName = kFrameClass;
    RegisterClass(&wc);
  }
  // Full screen: the task bar's 26 pixels are taken as well.
  m_hWnd = CreateWindowEx(0, kFrameClass, kCaption, WS_POPUP, 0, 0, 240, 320, 0, 0, nullptr, this);
  if (!m_hWnd) return FALSE;
  SHFullScreen(m_hWnd, SHFS_HIDETASKBAR | SHFS_HIDESIPBUTTON | SHFS_HIDESTARTICON);
  SHSipShowIM(SIPF_OFF);
  m_hForm = CreateDialogParam(nullptr, MAKEINTRESOURCE(ZRU_FORM_PROGRESS), m_hWnd, &CZRUpdateFrame::FormProc,
                              reinterpret_cast<LPARAM>(this));
  ViewStart();
  ShowWindow(m_hWnd, SW_HIDE);
  return TRUE;
}

void CZRUpdateFrame::ViewStart() {
  if (SHARED_HWND_TABLE* t = SharedTable::Map(SharedTable::kJoin)) {
    t->updater_mark = VX_TABLE_MARK;
    t->updater_hwnd = m_hWnd;
  }
  ResetProgress();
  if (m_hForm) SetDlgItemText(m_hForm, ZRU_IDC_STATUS, u"파일 목록을 요청중입니다 ...");
  Folders f;
  if (!ReadConfig(f, false)) {
    Box(u"Config File이 존재하지 않는다.", MB_OK | MB_ICONEXCLAMATION);
    return;
  }
  if (!f.setupBase.empty() && !Exists(f.setupBase)) CreateDirectory(f.setupBase.c_str(), nullptr);
  if (!f.setupExe.empty() && !Exists(f.setupExe) && !CreateDirectory(f.setupExe.c_str(), nullptr))
    Box(u"1 CreateDirectory : INVALID_HANDLE_VALUE", MB_OK | MB_ICONEXCLAMATION);
  if (!f.codeBase.empty() && !Exists(f.codeBase) && !CreateDirectory(f.codeBase.c_str(), nullptr))
    Box(u"2 CreateDirectory : INVALID_HANDLE_VALUE", MB_OK | MB_ICONEXCLAMATION);
}

bool CZRUpdateFrame::ReadConfig(Folders& out, bool withServer) {
  CConfigFile config;
  if (config.ReadFile(VX_CONFIG_FILE_PATH) != 1) return false;
  out.setupBase = config.GetValue(u"SETUP INFO", u"SETUP BASE").str();
  out.setupExe = config.GetValue(u"SETUP INFO", u"SETUP EXE").str();
  out.codeBase = config.GetValue(u"CODE INFO", u"CODE BASE").str();
  out.listFile = config.GetValue(u"UPDATE INFO", u"LIST FILE").str();
  if (withServer) {
    static const WCHAR* const kCarrierKeys[] = {u"SKT SERVER", u"KTF SERVER", u"LGT SERVER"};
    const WCHAR* key =
        m_internet ? u"INTERNET SERVER" : kCarrierKeys[(m_carrier >= 1 && m_carrier <= 3) ? m_carrier - 1 : 0];
    out.server = config.GetValue(u"SERVER INFO", key).str();
    const std::string port = Narrow(config.GetValue(u"SERVER INFO", u"VERMAN PORT NUMBER").str());
    out.port = 0;
    for (char c : port) {
      if (c < '0' || c > '9' || out.port > 65535) {
        out.port = 0;
        break;
      }
      out.port = out.port * 10 + (c - '0');
    }
  }
  return true;
}

LRESULT CZRUpdateFrame::WndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  auto* self = reinterpret_cast<CZRUpdateFrame*>(GetWindowLong(hwnd, GWL_USERDATA));
  if (msg == WM_NCCREATE || msg == WM_CREATE) {
    auto* cs = reinterpret_cast<CREATESTRUCT*>(lParam);
    if (!self && cs && cs->lpCreateParams) {
      self = static_cast<CZRUpdateFrame*>(cs->lpCreateParams);
      SetWindowLong(hwnd, GWL_USERDATA, reinterpret_cast<LONG_PTR>(self));
    }
  }
  if (!self) return DefWindowProc(hwnd, msg, wParam, lParam);
  if (!self->m_hWnd) self->m_hWnd = hwnd;  // messages of the creation itself
  return self->OnMessage(msg, wParam, lParam);
}

BOOL CZRUpdateFrame::FormProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_INITDIALOG) {
    SetWindowLong(hwnd, DWL_USER, static_cast<LONG_PTR>(lParam));
    return TRUE;
  }
  auto* self = reinterpret_cast<CZRUpdateFrame*>(GetWindowLong(hwnd, DWL_USER));
  if (self && msg == WM_COMMAND && LOWORD(wParam) == ZRU_IDC_CANCEL && HIWORD(wParam) == BN_CLICKED) {
    self->OnCancel();
    return TRUE;
  }
  return FALSE;
}

LRESULT CZRUpdateFrame::OnMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_VX_VERSION_CONNECT: return OnVersionConnect(wParam, lParam);
    case WM_VX_VERSION_CONNECTED: OnConnected(static_cast<SOCKET>(lParam)); return 0;
    case WM_VX_VERSION_CHECK: OnVersionCheck(); return 0;
    case WM_VX_SOCKET_STATUS: OnSocketStatus(static_cast<int>(wParam)); return 0;
    case WM_VX_PACKET: OnPacket(wParam, lParam); return 0;
    case WM_ZRU_LIST_READY: OnListReady(); return 0;
    case WM_ZRU_FINISH: FinishComplete(); return 0;
    case WM_ZRU_STOP_THREAD:
      for (CVXSocketThread* t : m_stopping) delete t;
      m_stopping.clear();
      return 0;
    case WM_TIMER:
      if (wParam == ZRU_TIMER_RECONNECT) {
        KillTimer(m_hWnd, ZRU_TIMER_RECONNECT);
        if (!m_finished && !m_thread && !Connect()) ConnectGaveUp();
      } else if (wParam == ZRU_TIMER_REPLY) {
        KillTimer(m_hWnd, ZRU_TIMER_REPLY);
        // The server holds the connection but the reply does not come.
        if (m_checkStarted && !m_finished && m_joiner.Active()) Fail();
      }
      return 0;
    case WM_CLOSE: DestroyWindow(m_hWnd); return 0;
    case WM_DESTROY:
      if (SHARED_HWND_TABLE* t = SharedTable::Map(SharedTable::kJoin)) {
        if (t->updater_hwnd == m_hWnd) t->updater_hwnd = 0;
      }
      KillTimer(m_hWnd, ZRU_TIMER_RECONNECT);
      KillTimer(m_hWnd, ZRU_TIMER_REPLY);
      if (m_quitOnDestroy) PostQuitMessage(0);
      return 0;
    case WM_NCDESTROY:
      m_hWnd = 0;
      m_hForm = 0;
      return 0;
  }
  return DefWindowProc(m_hWnd, msg, wParam, lParam);
}

// ---------------------------------------------------------------------------------------------
// Connection

LRESULT CZRUpdateFrame::OnVersionConnect(WPARAM carrier, LPARAM internet) {
  m_carrier = static_cast<int>(carrier);
  m_internet = internet == 1;
  m_serverChosen = true;
  m_failedAttempts = 0;
  if (m_finished) return -1;
  if (m_thread) return 0;  // connected or connecting already
  if (!Connect()) {
    Box(u"ERROR 2 : 네트웍 상의 문제로 서버에 연결할 수 없습니다.", MB_OK | MB_ICONEXCLAMATION);
    return -1;
  }
  return 0;
}

// Starts a receive thread towards the server chosen by the main program: the same server on
// every attempt.
bool CZRUpdateFrame::Connect() {
  Folders f;
  if (!m_serverChosen || !ReadConfig(f, true)) return false;
  const std::string address = Narrow(f.server);
  auto* t = new CVXSocketThread(kUpdaterRecvProfile);
  t->SetHwnd(m_hWnd);
  t->SetMainHwnd(m_hWnd);
  if (!t->SetServer(address.c_str(), f.port) || !t->Start()) {
    delete t;
    return false;
  }
  m_thread = t;
  m_connected = false;
  return true;
}

// The current thread is no longer this connection's: it is stopped from a posted message, never
// inside one of its own sends.
void CZRUpdateFrame::ForgetThread() {
  if (m_thread) {
    m_thread->SetThreadContinue(0);
    m_stopping.push_back(m_thread);
    m_thread = nullptr;
    if (m_hWnd) PostMessage(m_hWnd, WM_ZRU_STOP_THREAD, 0, 0);
  }
  m_connected = false;
  if (m_hWnd) KillTimer(m_hWnd, ZRU_TIMER_REPLY);
}

void CZRUpdateFrame::OnConnected(SOCKET socket) {
  // A notice of a thread that was stopped meanwhile is not this connection's.
  if (!m_thread || m_thread->GetSocket() != socket || socket == INVALID_SOCKET) return;
  m_connected = true;
  m_failedAttempts = 0;
  if (!m_connectedReported) {
    m_connectedReported = true;
    if (HWND main = MainProgram()) SendMessage(main, WM_VX_VERSION_CONNECTED, 0, 0);
  }
  if (m_listPending && !m_finished) {
    m_listPending = false;
    RequestList();
  }
}

void CZRUpdateFrame::OnSocketStatus(int code) {
  switch (code) {
    case VX_VER_NO_SOCKET:
    case VX_VER_BAD_ADDRESS:
    case VX_VER_CONNECT_FAILED:
      ForgetThread();
      if (m_finished) return;
      if (++m_failedAttempts >= m_maxAttempts) {
        ConnectGaveUp();
        return;
      }
      SetTimer(m_hWnd, ZRU_TIMER_RECONNECT, m_pauseMs, nullptr);
      return;
    case VX_VER_LOST_AFTER_DATA:
    case VX_VER_LOST_BEFORE_DATA:
      ForgetThread();
      // During a check the check fails; before it the check connects again; after it the
      // connection is not needed any more.
      if (m_checkStarted && !m_finished) Fail();
      return;
    default: return;
  }
}

void CZRUpdateFrame::ConnectGaveUp() {
  if (m_finished) return;
  Box(u"ERROR 2 : 네트웍 상의 문제로 서버에 연결할 수 없습니다.", MB_OK | MB_ICONEXCLAMATION);
  if (m_checkStarted) {
    Fail();
    return;
  }
  // Without the version server the main program would wait for its report for ever.
  m_finished = true;
  if (HWND launcher = Launcher()) PostMessage(launcher, WM_VX_SHUTDOWN, 0, 0);
}

bool CZRUpdateFrame::SendRequest(const uint8_t* bytes, int size) {
  const SOCKET s = m_thread ? m_thread->GetSocket() : INVALID_SOCKET;
  if (s == INVALID_SOCKET) return false;
  int done = 0;
  while (done < size) {
    const int n = send(s, reinterpret_cast<const char*>(bytes) + done, size - done, 0);
    if (n <= 0) return false;
    done += n;
  }
  SetTimer(m_hWnd, ZRU_TIMER_REPLY, m_replyTimeoutMs, nullptr);
  return true;
}

// ---------------------------------------------------------------------------------------------
// The check

void CZRUpdateFrame::OnVersionCheck() {
  if (m_checkStarted || m_finished) return;
  m_checkStarted = true;
  ResetProgress();
  if (m_hForm) SetDlgItemText(m_hForm, ZRU_IDC_STATUS, u"파일 목록을 요청중입니다 ...");
  if (!ReadConfig(m_folders, false)) {
    Box(u"Config File이 존재하지 않는다.", MB_OK | MB_ICONEXCLAMATION);
    m_finished = true;
    if (HWND launcher = Launcher()) PostMessage(launcher, WM_VX_SHUTDOWN, 0, 0);
    return;
  }
  std::vector<uint8_t> bytes;
  if (ReadWhole(Join(m_folders.setupExe, m_folders.listFile), bytes))
    m_local = zru::ParseLocalList(bytes.data(), bytes.size());
  m_localLoaded = true;

  if (m_connected) {
    RequestList();
    return;
  }
  // Not connected (yet, or any more): the list goes out once the connection is up.
  m_listPending = true;
  if (!m_thread) {
    m_failedAttempts = 0;
    if (!Connect()) ConnectGaveUp();
  }
}

void CZRUpdateFrame::RequestList() {
  uint8_t request[zru::kListRequestSize];
  zru::BuildListRequest(request);
  m_joiner.Begin(zru::kKindList, 4 + static_cast<size_t>(zru::kMaxListRecords) * zru::kRecordSize);
  if (!SendRequest(request, sizeof request)) Fail();
}

void CZRUpdateFrame::RequestFile(size_t index) {
  m_fileIndex = index;
  m_fetching = true;
  uint8_t request[zru::kFileRequestSize];
  zru::BuildFileRequest(m_download[index], request);
  m_joiner.Begin(zru::kKindFile, zru::kEchoSize + static_cast<size_t>(zru::RecordFileSize(m_download[index])));
  if (!SendRequest(request, sizeof request)) Fail();
}

void CZRUpdateFrame::OnPacket(WPARAM packet, LPARAM body) {
  if (body == 1) {
    NothingNew();
    return;
  }
  if (body == 2) {
    Declined();
    return;
  }
  // Pieces count only while a reply is awaited; after a cancel or the end they are ignored.
  if (!packet || !m_checkStarted || m_finished || m_cancelled || !m_joiner.Active()) return;
  // A packet is read only in a slot of the current receive thread: the message may come from
  // anywhere, and a number from another program is no packet.
  if (!IsReceivedPacket(packet, body)) return;
  switch (m_joiner.Take(reinterpret_cast<const uint8_t*>(packet))) {
    case zru::PieceJoiner::kFailed: Fail(); return;
    case zru::PieceJoiner::kMore:
      SetTimer(m_hWnd, ZRU_TIMER_REPLY, m_replyTimeoutMs, nullptr);
      ShowProgress();
      return;
    case zru::PieceJoiner::kComplete:
      KillTimer(m_hWnd, ZRU_TIMER_REPLY);
      ShowProgress();
      if (m_joiner.Kind() == zru::kKindList)
        OnListComplete();
      else
        OnFileComplete();
      return;
  }
}

bool CZRUpdateFrame::IsReceivedPacket(WPARAM packet, LPARAM body) const {
  if (!m_thread) return false;
  for (int i = 0; i < CVXSocketThread::kSlotCount; ++i) {
    const auto slot = reinterpret_cast<WPARAM>(m_thread->Slot(i));
    if (packet == slot) return body == static_cast<LPARAM>(slot + zru::kHeaderSize);
  }
  return false;
}

void CZRUpdateFrame::OnListComplete() {
  m_server.clear();
  if (!zru::ParseListReply(m_joiner.Data(), m_joiner.Size(), m_server)) {
    Fail();
    return;
  }
  m_download = zru::SelectDownloads(m_server, m_local);
  m_saved.assign(m_download.size(), false);
  // The question waits for the user: it is asked outside the receive thread's hand-over.
  PostMessage(m_hWnd, WM_ZRU_LIST_READY, 0, 0);
}

void CZRUpdateFrame::OnListReady() {
  if (m_finished) return;
  if (m_download.empty()) {
    SendMessage(m_hWnd, WM_VX_PACKET, 0, 1);
    return;
  }
  const std::u16string question = Number(static_cast<long long>(m_download.size())) +
                                  u"파일이 변경되었습니다. 다운로드 하시겠습니까?\n(취소시 프로그램 종료)";
  const int answer = Box(question, MB_OKCANCEL | MB_ICONQUESTION);
  if (m_finished) return;  // the connection went while the user was asked
  if (answer == IDOK)
    RequestFile(0);
  else
    SendMessage(m_hWnd, WM_VX_PACKET, 0, 2);
}

void CZRUpdateFrame::OnFileComplete() {
  const size_t index = m_fileIndex;
  m_fetching = false;
  if (!zru::CheckFileReply(m_joiner.Data(), m_joiner.Size(), m_download[index])) {
    Fail();
    return;
  }
  SaveFile(index, m_joiner.Data() + zru::kEchoSize, m_joiner.Size() - zru::kEchoSize);
  if (m_finished) return;  // cancelled or failed while a box was shown
  if (index + 1 < m_download.size())
    RequestFile(index + 1);
  else
    PostMessage(m_hWnd, WM_ZRU_FINISH, 0, 0);
}

void CZRUpdateFrame::SaveFile(size_t index, const uint8_t* data, size_t size) {
  const zru::VER_FILE_RECORD& r = m_download[index];
  const std::string name = zru::RecordName(r);
  const zru::Destination where = zru::DestinationOf(r);
  if (WriteReplacing(DevicePath(where, name), data, size)) {
    m_saved[index] = true;
    m_lastSaved = static_cast<long>(index);
    if (where == zru::Destination::RootFolder) m_core = true;
    return;
  }
  Box(u"ERROR : [" + Wide(name) + u"] 파일오픈", MB_OK | MB_ICONEXCLAMATION);
}

std::u16string CZRUpdateFrame::DevicePath(zru::Destination where, const std::string& name) const {
  const std::u16string wide = Wide(name);
  switch (where) {
    case zru::Destination::CodeFolder: return Join(m_folders.codeBase, wide);
    case zru::Destination::RootFolder: return u"\\" + wide;
    case zru::Destination::ProgramFolder: break;
  }
  return Join(m_folders.setupExe, wide);
}

void CZRUpdateFrame::NothingNew() {
  if (!m_checkStarted || m_finished) return;
  m_finished = true;
  WriteList(m_server);
  if (HWND launcher = Launcher()) SendMessage(launcher, WM_VX_UPDATE_DONE, 0, 1);
}

void CZRUpdateFrame::Declined() {
  if (!m_checkStarted || m_finished) return;
  m_finished = true;
  if (HWND launcher = Launcher()) PostMessage(launcher, WM_VX_SHUTDOWN, 0, 0);
}

void CZRUpdateFrame::FinishComplete() {
  if (m_finished) return;
  m_finished = true;
  // The server's list, but a file that could not be saved keeps its old local record (or none).
  zru::RecordList list;
  for (const zru::VER_FILE_RECORD& s : m_server) {
    auto d = std::find_if(m_download.begin(), m_download.end(),
                          [&](const zru::VER_FILE_RECORD& r) { return zru::SameName(r, s); });
    if (d != m_download.end() && !m_saved[static_cast<size_t>(d - m_download.begin())]) {
      auto l = std::find_if(m_local.begin(), m_local.end(),
                            [&](const zru::VER_FILE_RECORD& r) { return zru::SameName(r, s); });
      if (l != m_local.end()) list.push_back(*l);
      continue;
    }
    list.push_back(s);
  }
  WriteList(list);
  HWND launcher = Launcher();
  if (m_core) {
    if (launcher) PostMessage(launcher, WM_VX_REPLACE_CORE, 0, 0);
  } else if (launcher) {
    SendMessage(launcher, WM_VX_UPDATE_DONE, 0, 1);
  }
}

// The local list after a download that did not complete: the files fetched before the most
// recently saved one are recorded; that one is fetched again next time. Core files are never
// recorded here: the launcher moves them into place only after a complete download.
zru::RecordList CZRUpdateFrame::IncompleteList() const {
  zru::RecordList saved;
  for (long j = 0; j < m_lastSaved; ++j) {
    const size_t i = static_cast<size_t>(j);
    if (m_saved[i] && zru::DestinationOf(m_download[i]) != zru::Destination::RootFolder) saved.push_back(m_download[i]);
  }
  return zru::MergeRecords(m_local, saved);
}

void CZRUpdateFrame::Fail() {
  if (m_finished) return;
  m_finished = true;
  m_joiner.Reset();
  if (m_localLoaded) WriteList(IncompleteList());
  ForgetThread();
  if (HWND launcher = Launcher()) PostMessage(launcher, WM_VX_SHUTDOWN, 0, 0);
}

void CZRUpdateFrame::OnCancel() {
  if (m_finished) return;
  const int answer = Box(u"버전관리를 중단하시겠습니까?", MB_OKCANCEL | MB_ICONQUESTION);
  if (answer != IDOK || m_finished) return;  // the check may have ended while the user was asked
  m_cancelled = true;
  m_finished = true;
  m_joiner.Reset();
  if (m_localLoaded) WriteList(IncompleteList());
  ForgetThread();
  if (HWND launcher = Launcher()) PostMessage(launcher, WM_VX_SHUTDOWN, 0, 0);
}

void CZRUpdateFrame::WriteList(const zru::RecordList& records) {
  if (m_folders.setupExe.empty() || m_folders.listFile.empty()) return;
  const std::vector<uint8_t> bytes = zru::BuildLocalList(records);
  WriteReplacing(Join(m_folders.setupExe, m_folders.listFile), bytes.data(), bytes.size());
}

// ---------------------------------------------------------------------------------------------
// Progress

void CZRUpdateFrame::ResetProgress() {
  m_shownFile = -1;
  m_shownSize = -1;
  if (!m_hForm) return;
  for (int bar : {ZRU_IDC_FILE_BAR, ZRU_IDC_TOTAL_BAR}) {
    SendDlgItemMessage(m_hForm, bar, PBM_SETRANGE, 0, MAKELPARAM(0, 100));
    SendDlgItemMessage(m_hForm, bar, PBM_SETPOS, 0, 0);
  }
  SetDlgItemText(m_hForm, ZRU_IDC_SIZE, u"");
  SetDlgItemText(m_hForm, ZRU_IDC_FILE_PERCENT, u"0%");
  SetDlgItemText(m_hForm, ZRU_IDC_TOTAL_PERCENT, u"0%");
}

void CZRUpdateFrame::ShowProgress() {
  if (!m_hForm) return;
  const int pieces = m_joiner.Pieces();
  const int piecePercent = pieces > 0 ? m_joiner.Piece() * 100 / pieces : 0;
  const bool file = m_joiner.Kind() == zru::kKindFile;
  const int files = static_cast<int>(m_download.size());
  const int fileNumber = file ? static_cast<int>(m_fileIndex) + 1 : 0;
  const int filePercent = files > 0 ? fileNumber * 100 / files : 0;
  SendDlgItemMessage(m_hForm, ZRU_IDC_FILE_BAR, PBM_SETPOS, static_cast<WPARAM>(piecePercent), 0);
  SendDlgItemMessage(m_hForm, ZRU_IDC_TOTAL_BAR, PBM_SETPOS, static_cast<WPARAM>(filePercent), 0);
  if (file && fileNumber != m_shownFile) {
    m_shownFile = fileNumber;
    SetDlgItemText(m_hForm, ZRU_IDC_STATUS,
                   (Number(fileNumber) + u" / " + Number(files) + u"번째 파일을 수신합니다.").c_str());
  }
  const int size = pieces * zru::kMaxPacket;
  if (size != m_shownSize) {
    m_shownSize = size;
    SetDlgItemText(m_hForm, ZRU_IDC_SIZE, (u"다운로드 파일크기 : " + Number(size) + u" 바이트").c_str());
  }
  if (file) {
    SetDlgItemText(m_hForm, ZRU_IDC_FILE_PERCENT, (Number(piecePercent) + u" %").c_str());
    SetDlgItemText(m_hForm, ZRU_IDC_TOTAL_PERCENT, (Number(filePercent) + u" %").c_str());
  }
}

// ---------------------------------------------------------------------------------------------

int CZRUpdateFrame::Box(const std::u16string& text, UINT type) {
  return MessageBox(m_hWnd, text.c_str(), kCaption, type);
}

HWND CZRUpdateFrame::Launcher() const {
  SHARED_HWND_TABLE* t = SharedTable::Map(SharedTable::kJoin);
  return t ? SharedTable::Peer(t->launcher_hwnd) : 0;
}

HWND CZRUpdateFrame::MainProgram() const {
  SHARED_HWND_TABLE* t = SharedTable::Map(SharedTable::kJoin);
  return t ? SharedTable::Peer(t->main_hwnd) : 0;
}
