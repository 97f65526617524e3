// Dial-up helpers over the platform's remote access: phone-book entries by device type, dialling
// with window notification, active connections, their states and hang-up by rule, and
// V_Ras_Check, a thread that reports changes of one connection's state.
//
// Records are the platform's fixed RAS records (plat/ras.h). Every copy of a name into a record
// is bounded by the record's field; a name longer than RAS_MaxEntryName characters names no
// entry (it is refused rather than cut, since a cut name could name another entry).
#pragma once

#include "glimmet/v_thread.h"
#include "plat/ras.h"
#include "plat/windows.h"

// Filters of get_all_entry_name.
constexpr int RAS_FILTER_ALL = 0;
constexpr int RAS_FILTER_MODEM = 1;
constexpr int RAS_FILTER_DIRECT = 2;

// Modes of discon_RAS.
constexpr int RAS_DISCON_ALL = 0;
constexpr int RAS_DISCON_DROPPED = 1;
constexpr int RAS_DISCON_MODEM = 2;
constexpr int RAS_DISCON_OTHERS = 3;

// Number of phone-book entries, -1 when listing fails.
int get_all_entry_count();
// Entries kept by the filter (1 "modem", 2 "direct", other values all) as a malloc'd array
// (release with free) and their number in *countOut (may be NULL); NULL when none or on failure.
RASENTRYNAME* get_all_entry_name(int filter, int* countOut);
// The same into the caller's buffer: at most `capacity` records; their number, or -1.
int get_all_entry_name_buf(int filter, RASENTRYNAME* buffer, int capacity);
// Reads an entry's properties: 0 or -1.
int get_entry_properity(const RASENTRYNAME* entry, RASENTRY* out);
int get_entry_properity_by_name(const WCHAR* entryName, RASENTRY* out);
// Writes one log record of the entry's name and properties (no password is part of them).
void print_entry(const char* logFile, const WCHAR* entryName, const RASENTRY* props);

// Dials the entry (an empty or NULL name: the first "modem" entry) asynchronously; `notify` gets
// WM_RASDIALEVENT (wParam state, lParam error) as dialling proceeds. `password` is used when the
// entry has no saved password. Returns 0 and the handle in *connOut (may be NULL); -1 when no
// entry could be chosen, -2 when the entry's dial parameters cannot be read, else the platform's
// dialling error. *errorText (may be NULL) gets a code-page-949 text for the failure (static
// storage), NULL on success.
int start_RAS(const WCHAR* entryName, const WCHAR* password, HWND notify, HRASCONN* connOut, const char** errorText);

// Number of active connections, -1 when listing fails.
int get_cur_RAS_count();
// Active connections (with a device type: only those whose status reads that type) as a malloc'd
// array (release with free), their number in *countOut (may be NULL); NULL when none.
RASCONN* get_all_RAS_con(const WCHAR* deviceType, int* countOut);
// The same into the caller's buffer: at most `capacity`; their number, or -1 (also for a NULL
// buffer or a capacity below 1).
int get_all_RAS_con_buf(const WCHAR* deviceType, RASCONN* buffer, int capacity);
// The first such connection: 1 and the record, or -1.
int get_cur_RAS(const WCHAR* deviceType, RASCONN* out);
// The active connection of the entry: 0 and the record, or -1.
int get_RAS_to_name(const WCHAR* entryName, RASCONN* out);
// The connection's state (RASCS_*), 0 when its status cannot be read, -1 for NULL or an entry
// without a connection.
int get_RAS_state(const RASCONN* con);
int get_RAS_state_handle(HRASCONN handle);
int get_RAS_state_name(const WCHAR* entryName);
// Hangs up by rule: 0 every connection; 1 those whose state is disconnected; 2 those whose device
// type is "modem"; 3 every connection whose entry name differs from `entryName` (nothing for
// NULL); other modes nothing. Returns the number hung up, or -1 when listing fails.
int discon_RAS(int mode, const WCHAR* entryName);

// Called on the polling thread for each change: (user, watched record, state, error).
typedef void (*RAS_CHECK_CALLBACK)(void* user, const RASCONN* con, int state, DWORD error);

// Polls one connection every `intervalMs` and reports each change of its state (the first
// readable state is reported once): to the callback and by sending WM_RASDIALEVENT to the window.
// The destructor stops the thread; while it waits for the thread it keeps handling messages sent
// to the calling thread, so a poll blocked sending to the destroying thread's window completes.
class V_Ras_Check : public V_Thread {
 public:
  V_Ras_Check(RAS_CHECK_CALLBACK callback, void* user, HWND window, DWORD intervalMs);
  ~V_Ras_Check() override;

  // Copies the record to watch (set it before start): 0, or -1 for NULL.
  int set_ras_con(const RASCONN* con);
  // Asks the thread to end (it ends within one poll).
  void stop_check();

 protected:
  DWORD run() override;

 private:
  RASCONN con_{};
  DWORD interval_;
  RAS_CHECK_CALLBACK callback_;
  HWND window_;
  void* user_;
  HANDLE stop_;
};
