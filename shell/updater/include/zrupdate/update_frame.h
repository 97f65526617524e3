// ZRUpdate's frame: a hidden full-screen window holding the progress form 101. It connects to the
// version server when the main program tells it to (WM_VX_VERSION_CONNECT), reports that
// connection back (WM_VX_VERSION_CONNECTED), and after the login (WM_VX_VERSION_CHECK) compares
// the server's version list with the local list, asks the user, downloads the changed files,
// rewrites the local list and tells the launcher how to go on:
//   WM_VX_UPDATE_DONE (lParam 1, sent)  nothing new, or new files that need no restart
//   WM_VX_REPLACE_CORE (posted)         core files wait in the root folder
//   WM_VX_SHUTDOWN (posted)             declined, cancelled or failed
//
//   CZRUpdateFrame frame;
//   frame.Create();     // records itself in the shared table, reads the configuration, hides
//   ... message loop ...
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "plat/windows.h"
#include "vxbase/messages.h"
#include "vxshell/vx_socket_thread.h"
#include "zrupdate/ver_protocol.h"

// Progress form 101 and its controls.
enum : int {
  ZRU_FORM_PROGRESS = 101,
  ZRU_IDC_FILE_BAR = 1000,       // pieces of the current reply
  ZRU_IDC_TOTAL_BAR = 1001,      // files of the download list
  ZRU_IDC_STATUS = 1002,         // "n / m번째 파일을 수신합니다."
  ZRU_IDC_SIZE = 1003,           // "다운로드 파일크기 : n 바이트"
  ZRU_IDC_FILE_PERCENT = 1004,   // percentage of bar 1000
  ZRU_IDC_TOTAL_PERCENT = 1005,  // percentage of bar 1001
  ZRU_IDC_TITLE = 1006,          // "전체진행률"
  ZRU_IDC_CANCEL = 1007,         // "취   소"
};

// Messages the frame posts to itself.
#define WM_ZRU_LIST_READY (WM_APP + 1)   // the server list is compared: ask or report
#define WM_ZRU_FINISH (WM_APP + 2)       // the last file is saved
#define WM_ZRU_STOP_THREAD (WM_APP + 3)  // stop a receive thread outside its own sends

enum : UINT_PTR {
  ZRU_TIMER_RECONNECT = 1,  // pause before the next connect attempt
  ZRU_TIMER_REPLY = 2,      // a request's reply is overdue
};

class CZRUpdateFrame {
 public:
  CZRUpdateFrame();
  ~CZRUpdateFrame();
  CZRUpdateFrame(const CZRUpdateFrame&) = delete;
  CZRUpdateFrame& operator=(const CZRUpdateFrame&) = delete;

  // Creates the hidden frame and its form, then runs the view start. FALSE when the window
  // cannot be made.
  BOOL Create();
  HWND GetSafeHwnd() const { return m_hWnd; }
  HWND Form() const { return m_hForm; }
  // The program posts WM_QUIT when its frame goes (on by default; hosts of tests turn it off).
  void SetQuitOnDestroy(bool on) { m_quitOnDestroy = on; }
  // Connect attempts after set-up failures of the receive thread, and the pause between them;
  // and how long a request may wait for the next piece of its reply.
  void SetReconnectPolicy(int attempts, UINT pauseMs) {
    m_maxAttempts = attempts;
    m_pauseMs = pauseMs;
  }
  void SetReplyTimeout(UINT ms) { m_replyTimeoutMs = ms; }

  // State, for diagnostics and tests.
  bool CheckStarted() const { return m_checkStarted; }
  bool Finished() const { return m_finished; }
  bool Cancelled() const { return m_cancelled; }
  bool CoreDownloaded() const { return m_core; }
  int FailedConnects() const { return m_failedAttempts; }  // in a row, since the last connection
  const zru::RecordList& DownloadList() const { return m_download; }
  CVXSocketThread* SocketThread() const { return m_thread; }

  static constexpr int kDefaultAttempts = 5;
  static constexpr UINT kDefaultPauseMs = 1000;
  static constexpr UINT kDefaultReplyTimeoutMs = 30000;

 private:
  static LRESULT WndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
  static BOOL FormProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
  LRESULT OnMessage(UINT msg, WPARAM wParam, LPARAM lParam);

  struct Folders {
    std::u16string setupBase, setupExe, codeBase, listFile, server;
    int port = 0;
  };
  bool ReadConfig(Folders& out, bool withServer);
  void ViewStart();

  // Connection.
  LRESULT OnVersionConnect(WPARAM carrier, LPARAM internet);
  bool Connect();
  void ForgetThread();
  void OnConnected(SOCKET socket);
  void OnSocketStatus(int code);
  void ConnectGaveUp();
  bool SendRequest(const uint8_t* bytes, int size);

  // The check.
  void OnVersionCheck();
  void RequestList();
  void RequestFile(size_t index);
  void OnPacket(WPARAM packet, LPARAM body);
  bool IsReceivedPacket(WPARAM packet, LPARAM body) const;
  void OnListComplete();
  void OnListReady();
  void OnFileComplete();
  void SaveFile(size_t index, const uint8_t* data, size_t size);
  void OnCancel();
  void NothingNew();
  void Declined();
  void FinishComplete();
  void Fail();
  void WriteList(const zru::RecordList& records);
  zru::RecordList IncompleteList() const;

  // Progress.
  void ResetProgress();
  void ShowProgress();

  std::u16string DevicePath(zru::Destination where, const std::string& name) const;
  int Box(const std::u16string& text, UINT type);
  HWND Launcher() const;
  HWND MainProgram() const;

  HWND m_hWnd = 0;
  HWND m_hForm = 0;
  bool m_quitOnDestroy = true;

  int m_maxAttempts = kDefaultAttempts;
  UINT m_pauseMs = kDefaultPauseMs;
  UINT m_replyTimeoutMs = kDefaultReplyTimeoutMs;

  // Connection.
  int m_carrier = 0;
  bool m_internet = false;
  bool m_serverChosen = false;
  int m_failedAttempts = 0;
  CVXSocketThread* m_thread = nullptr;
  std::vector<CVXSocketThread*> m_stopping;
  bool m_connected = false;
  bool m_connectedReported = false;
  bool m_listPending = false;

  // The check.
  Folders m_folders;
  bool m_checkStarted = false;
  bool m_localLoaded = false;
  bool m_finished = false;
  bool m_cancelled = false;
  bool m_core = false;
  zru::RecordList m_server;
  zru::RecordList m_local;
  zru::RecordList m_download;
  std::vector<bool> m_saved;
  size_t m_fileIndex = 0;
  long m_lastSaved = -1;
  bool m_fetching = false;
  zru::PieceJoiner m_joiner;

  // Progress lines as last shown.
  int m_shownFile = -1;
  int m_shownSize = -1;
};
