// Dial-up helpers and V_Ras_Check.
#include "glimmet/ras.h"

#include <cstdlib>
#include <cstring>
#include <string>

#include "glimmet/file_log.h"

namespace {

// Code-page-949 form of a fixed text, converted once.
struct Cp949Text {
  explicit Cp949Text(const char16_t* wide) {
    char buf[128] = {};
    int n = WideCharToMultiByte(CP_KOREAN, 0, wide, -1, buf, sizeof buf, nullptr, nullptr);
    text = n > 0 ? std::string(buf) : std::string();
  }
  std::string text;
};

const char* ErrBadName() {
  static const Cp949Text t(u"접속명이 잘못됨");
  return t.text.c_str();
}
const char* ErrBuffer() {
  static const Cp949Text t(u"버퍼가 잘못됨");
  return t.text.c_str();
}
const char* ErrPhoneBook() {
  static const Cp949Text t(u"폰북 오픈 실패");
  return t.text.c_str();
}
const char* ErrNoEntry() {
  static const Cp949Text t(u"해당명칭의 접속이 없음");
  return t.text.c_str();
}
const char* ErrUnknown() {
  static const Cp949Text t(u"정의되지 않은 에러");
  return t.text.c_str();
}
const char* ErrDial() {
  static const Cp949Text t(u"전화접속 실패");
  return t.text.c_str();
}

// Copies a NUL-terminated name into a fixed field; false (field left empty) when it does not fit.
bool CopyName(WCHAR* dst, size_t cap, const WCHAR* name) {
  dst[0] = 0;
  if (!name) return false;
  size_t n = static_cast<size_t>(lstrlen(name));
  if (n >= cap) return false;
  std::memcpy(dst, name, n * sizeof(WCHAR));
  dst[n] = 0;
  return true;
}

bool SameText(const WCHAR* a, const WCHAR* b) { return lstrcmpi(a, b) == 0; }

// The whole phone book as a malloc'd array; NULL with *count 0 when it is empty or fails.
RASENTRYNAME* ListEntries(int* count, bool* failed) {
  *count = 0;
  *failed = false;
  for (int attempt = 0; attempt < 4; ++attempt) {
    DWORD bytes = 0, n = 0;
    DWORD e = RasEnumEntries(nullptr, nullptr, nullptr, &bytes, &n);
    if (e != 0 && e != ERROR_BUFFER_TOO_SMALL) {
      *failed = true;
      return nullptr;
    }
    if (bytes < sizeof(RASENTRYNAME)) return nullptr;
    auto* list = static_cast<RASENTRYNAME*>(std::calloc(bytes / sizeof(RASENTRYNAME), sizeof(RASENTRYNAME)));
    if (!list) {
      *failed = true;
      return nullptr;
    }
    list[0].dwSize = sizeof(RASENTRYNAME);
    e = RasEnumEntries(nullptr, nullptr, list, &bytes, &n);
    if (e == 0) {
      *count = static_cast<int>(bytes / sizeof(RASENTRYNAME));
      return list;
    }
    std::free(list);
    if (e != ERROR_BUFFER_TOO_SMALL) {  // the book grew in between: ask again
      *failed = true;
      return nullptr;
    }
  }
  *failed = true;
  return nullptr;
}

// Every active connection as a malloc'd array; NULL with *count 0 when there is none.
RASCONN* ListConnections(int* count, bool* failed) {
  *count = 0;
  *failed = false;
  for (int attempt = 0; attempt < 4; ++attempt) {
    DWORD bytes = 0, n = 0;
    DWORD e = RasEnumConnections(nullptr, &bytes, &n);
    if (e != 0 && e != ERROR_BUFFER_TOO_SMALL) {
      *failed = true;
      return nullptr;
    }
    if (bytes < sizeof(RASCONN)) return nullptr;
    auto* list = static_cast<RASCONN*>(std::calloc(bytes / sizeof(RASCONN), sizeof(RASCONN)));
    if (!list) {
      *failed = true;
      return nullptr;
    }
    list[0].dwSize = sizeof(RASCONN);
    e = RasEnumConnections(list, &bytes, &n);
    if (e == 0) {
      *count = static_cast<int>(bytes / sizeof(RASCONN));
      if (*count == 0) {
        std::free(list);
        return nullptr;
      }
      return list;
    }
    std::free(list);
    if (e != ERROR_BUFFER_TOO_SMALL) {
      *failed = true;
      return nullptr;
    }
  }
  *failed = true;
  return nullptr;
}

bool ReadStatus(HRASCONN h, RASCONNSTATUS* st) {
  std::memset(st, 0, sizeof *st);
  st->dwSize = sizeof(RASCONNSTATUS);
  return RasGetConnectStatus(h, st) == 0;
}

bool KeepEntry(int filter, const RASENTRYNAME& e) {
  if (filter != RAS_FILTER_MODEM && filter != RAS_FILTER_DIRECT) return true;
  RASENTRY props;
  if (get_entry_properity(&e, &props) != 0) return false;
  return SameText(props.szDeviceType, filter == RAS_FILTER_MODEM ? RASDEVICETYPE_MODEM : RASDEVICETYPE_DIRECT);
}

bool KeepConn(const WCHAR* deviceType, const RASCONN& c) {
  if (!deviceType) return true;
  RASCONNSTATUS st;
  return ReadStatus(c.hrasconn, &st) && SameText(st.szDeviceType, deviceType);
}

std::string Cp949(const WCHAR* text, size_t cap) {
  size_t n = 0;
  while (n < cap && text[n]) ++n;
  if (n == 0) return {};
  std::string out(n * 2 + 1, '\0');
  int got = WideCharToMultiByte(CP_KOREAN, 0, text, static_cast<int>(n), out.data(), static_cast<int>(out.size()),
                                nullptr, nullptr);
  out.resize(got > 0 ? static_cast<size_t>(got) : 0);
  return out;
}

}  // namespace

// ---- Phone-book entries -------------------------------------------------------------------

int get_all_entry_count() {
  DWORD bytes = 0, n = 0;
  DWORD e = RasEnumEntries(nullptr, nullptr, nullptr, &bytes, &n);
  if (e != 0 && e != ERROR_BUFFER_TOO_SMALL) return -1;
  return static_cast<int>(bytes / sizeof(RASENTRYNAME));
}

RASENTRYNAME* get_all_entry_name(int filter, int* countOut) {
  if (countOut) *countOut = 0;
  int n = 0;
  bool failed = false;
  RASENTRYNAME* list = ListEntries(&n, &failed);
  if (!list) return nullptr;
  int kept = 0;
  for (int i = 0; i < n; ++i)
    if (KeepEntry(filter, list[i])) list[kept++] = list[i];
  if (kept == 0) {
    std::free(list);
    return nullptr;
  }
  if (countOut) *countOut = kept;
  return list;
}

int get_all_entry_name_buf(int filter, RASENTRYNAME* buffer, int capacity) {
  if (!buffer || capacity < 1) return -1;
  int n = 0;
  bool failed = false;
  RASENTRYNAME* list = ListEntries(&n, &failed);
  if (failed) return -1;
  int copied = 0;
  for (int i = 0; i < n && copied < capacity; ++i)
    if (KeepEntry(filter, list[i])) buffer[copied++] = list[i];
  std::free(list);
  return copied;
}

int get_entry_properity(const RASENTRYNAME* entry, RASENTRY* out) {
  if (!entry) return -1;
  WCHAR name[RAS_MaxEntryName + 1];
  // The record may come from anywhere: never read past its field.
  size_t n = 0;
  while (n < RAS_MaxEntryName && entry->szEntryName[n]) ++n;
  std::memcpy(name, entry->szEntryName, n * sizeof(WCHAR));
  name[n] = 0;
  return get_entry_properity_by_name(name, out);
}

int get_entry_properity_by_name(const WCHAR* entryName, RASENTRY* out) {
  if (!entryName || !out || lstrlen(entryName) > RAS_MaxEntryName) return -1;
  std::memset(out, 0, sizeof *out);
  out->dwSize = sizeof(RASENTRY);
  DWORD size = sizeof(RASENTRY);
  return RasGetEntryProperties(nullptr, entryName, out, &size, nullptr, nullptr) == 0 ? 0 : -1;
}

void print_entry(const char* logFile, const WCHAR* entryName, const RASENTRY* props) {
  if (!props) return;
  std::string name = entryName ? Cp949(entryName, RAS_MaxEntryName + 1) : std::string("NULL");
  lib_file_log(logFile, 264, "print_entry",
               "entry_NAME         [%s]\r\nszLocalPhoneNumber [%s]\r\nszScript           [%s]\r\n"
               "szAutoDialDll      [%s]\r\nszAutoDialFunc     [%s]\r\nszDeviceType       [%s]\r\n"
               "szDeviceName       [%s]",
               name.c_str(), Cp949(props->szLocalPhoneNumber, RAS_MaxPhoneNumber + 1).c_str(),
               Cp949(props->szScript, MAX_PATH).c_str(), Cp949(props->szAutodialDll, MAX_PATH).c_str(),
               Cp949(props->szAutodialFunc, MAX_PATH).c_str(),
               Cp949(props->szDeviceType, RAS_MaxDeviceType + 1).c_str(),
               Cp949(props->szDeviceName, RAS_MaxDeviceName + 1).c_str());
}

// ---- Dialling -----------------------------------------------------------------------------

int start_RAS(const WCHAR* entryName, const WCHAR* password, HWND notify, HRASCONN* connOut, const char** errorText) {
  if (errorText) *errorText = nullptr;
  RASDIALPARAMS params;
  std::memset(&params, 0, sizeof params);
  params.dwSize = sizeof params;
  if (!entryName || !entryName[0]) {
    int n = 0;
    RASENTRYNAME* modems = get_all_entry_name(RAS_FILTER_MODEM, &n);
    if (!modems) {
      if (errorText) *errorText = ErrBadName();
      return -1;
    }
    std::memcpy(params.szEntryName, modems[0].szEntryName, sizeof params.szEntryName);
    std::free(modems);
  } else if (!CopyName(params.szEntryName, RAS_MaxEntryName + 1, entryName)) {
    if (errorText) *errorText = ErrBadName();
    return -1;
  }

  BOOL saved = FALSE;
  DWORD e = RasGetEntryDialParams(nullptr, &params, &saved);
  if (e != 0) {
    if (errorText) {
      switch (e) {
        case ERROR_BUFFER_INVALID: *errorText = ErrBuffer(); break;
        case ERROR_CANNOT_OPEN_PHONEBOOK: *errorText = ErrPhoneBook(); break;
        case ERROR_CANNOT_FIND_PHONEBOOK_ENTRY: *errorText = ErrNoEntry(); break;
        default: *errorText = ErrUnknown(); break;
      }
    }
    return -2;
  }
  if (!saved && password && password[0] && !CopyName(params.szPassword, PWLEN + 1, password)) {
    // A cut password would only fail authentication later; refuse it here.
    if (errorText) *errorText = ErrDial();
    return -2;
  }

  HRASCONN handle = 0;
  e = RasDial(nullptr, nullptr, &params, RAS_NOTIFIER_HWND, reinterpret_cast<LPVOID>(static_cast<uintptr_t>(notify)),
              &handle);
  // The password is not kept once the dial has it.
  volatile WCHAR* pw = params.szPassword;
  for (size_t i = 0; i < PWLEN + 1; ++i) pw[i] = 0;
  if (e != 0) {
    if (handle) RasHangUp(handle);
    if (errorText) *errorText = ErrDial();
    return static_cast<int>(e);
  }
  if (connOut) *connOut = handle;
  return 0;
}

// ---- Active connections -------------------------------------------------------------------

int get_cur_RAS_count() {
  DWORD bytes = 0, n = 0;
  DWORD e = RasEnumConnections(nullptr, &bytes, &n);
  if (e != 0 && e != ERROR_BUFFER_TOO_SMALL) return -1;
  return static_cast<int>(bytes / sizeof(RASCONN));
}

RASCONN* get_all_RAS_con(const WCHAR* deviceType, int* countOut) {
  if (countOut) *countOut = 0;
  int n = 0;
  bool failed = false;
  RASCONN* list = ListConnections(&n, &failed);
  if (!list) return nullptr;
  int kept = 0;
  for (int i = 0; i < n; ++i)
    if (KeepConn(deviceType, list[i])) list[kept++] = list[i];
  if (kept == 0) {
    std::free(list);
    return nullptr;
  }
  if (countOut) *countOut = kept;
  return list;
}

int get_all_RAS_con_buf(const WCHAR* deviceType, RASCONN* buffer, int capacity) {
  if (!buffer || capacity < 1) return -1;
  int n = 0;
  bool failed = false;
  RASCONN* list = ListConnections(&n, &failed);
  if (failed) return -1;
  int copied = 0;
  for (int i = 0; i < n && copied < capacity; ++i)
    if (KeepConn(deviceType, list[i])) buffer[copied++] = list[i];
  std::free(list);
  return copied;
}

int get_cur_RAS(const WCHAR* deviceType, RASCONN* out) {
  if (!out) return -1;
  RASCONN one;
  if (get_all_RAS_con_buf(deviceType, &one, 1) != 1) return -1;
  *out = one;
  return 1;
}

int get_RAS_to_name(const WCHAR* entryName, RASCONN* out) {
  if (!entryName || lstrlen(entryName) > RAS_MaxEntryName) return -1;
  int n = 0;
  bool failed = false;
  RASCONN* list = ListConnections(&n, &failed);
  int result = -1;
  for (int i = 0; i < n; ++i) {
    if (SameText(list[i].szEntryName, entryName)) {
      if (out) *out = list[i];
      result = 0;
      break;
    }
  }
  std::free(list);
  return result;
}

int get_RAS_state(const RASCONN* con) {
  if (!con) return -1;
  return get_RAS_state_handle(con->hrasconn);
}

int get_RAS_state_handle(HRASCONN handle) {
  if (!handle) return -1;
  RASCONNSTATUS st;
  if (!ReadStatus(handle, &st)) return 0;
  return static_cast<int>(st.rasconnstate);
}

int get_RAS_state_name(const WCHAR* entryName) {
  RASCONN con;
  if (get_RAS_to_name(entryName, &con) != 0) return -1;
  return get_RAS_state(&con);
}

int discon_RAS(int mode, const WCHAR* entryName) {
  if (mode < RAS_DISCON_ALL || mode > RAS_DISCON_OTHERS) return 0;
  if (mode == RAS_DISCON_OTHERS && !entryName) return 0;
  int n = 0;
  bool failed = false;
  RASCONN* list = ListConnections(&n, &failed);
  if (failed) return -1;
  int done = 0;
  for (int i = 0; i < n; ++i) {
    bool hang = false;
    RASCONNSTATUS st;
    switch (mode) {
      case RAS_DISCON_ALL: hang = true; break;
      case RAS_DISCON_DROPPED: hang = ReadStatus(list[i].hrasconn, &st) && st.rasconnstate == RASCS_Disconnected; break;
      case RAS_DISCON_MODEM:
        hang = ReadStatus(list[i].hrasconn, &st) && SameText(st.szDeviceType, RASDEVICETYPE_MODEM);
        break;
      case RAS_DISCON_OTHERS: hang = !SameText(list[i].szEntryName, entryName); break;
    }
    if (hang && RasHangUp(list[i].hrasconn) == 0) ++done;
  }
  std::free(list);
  return done;
}

// ---- V_Ras_Check --------------------------------------------------------------------------

V_Ras_Check::V_Ras_Check(RAS_CHECK_CALLBACK callback, void* user, HWND window, DWORD intervalMs)
    : interval_(intervalMs), callback_(callback), window_(window), user_(user) {
  stop_ = CreateEvent(nullptr, TRUE, FALSE, nullptr);
}

V_Ras_Check::~V_Ras_Check() {
  stop_check();
  // The poll may be blocked sending WM_RASDIALEVENT to a window of this very thread: keep
  // handling sent messages while waiting, so that send completes and the thread can end.
  while (join(20) == WAIT_TIMEOUT) {
    MSG m;
    PeekMessage(&m, 0, 0, 0, PM_NOREMOVE);
  }
  if (stop_) CloseHandle(stop_);
}

int V_Ras_Check::set_ras_con(const RASCONN* con) {
  if (!con) return -1;
  con_ = *con;
  return 0;
}

void V_Ras_Check::stop_check() {
  if (stop_) SetEvent(stop_);
}

DWORD V_Ras_Check::run() {
  if (interval_ == INFINITE || !stop_) return static_cast<DWORD>(-1);
  long last = -1;
  while (WaitForSingleObject(stop_, interval_) == WAIT_TIMEOUT) {
    if (!con_.hrasconn) continue;
    RASCONNSTATUS st;
    if (!ReadStatus(con_.hrasconn, &st)) continue;
    if (static_cast<long>(st.rasconnstate) == last) continue;
    last = static_cast<long>(st.rasconnstate);
    if (callback_) callback_(user_, &con_, static_cast<int>(st.rasconnstate), st.dwError);
    if (window_)
      SendMessage(window_, WM_RASDIALEVENT, static_cast<WPARAM>(st.rasconnstate), static_cast<LPARAM>(st.dwError));
  }
  return 0;
}
