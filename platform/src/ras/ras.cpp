// The simulated remote access: phone book in the registry, scripted dials on threads of their
// own, connections in the process's memory (see plat/ras.h).
#include "plat/ras.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <thread>

#include "plat/kernel.h"
#include "plat/window.h"

namespace {

constexpr const char16_t* kBookKey = u"Comm\\RasBook";
constexpr const char* kDefaultScript = "0 1 2 3 5 14 8192";

struct Step {
  DWORD state = 0;
  DWORD error = 0;
  DWORD delayMs = 0;
};

struct Conn {
  HRASCONN handle = 0;
  std::u16string entry;
  std::u16string deviceType;
  std::u16string deviceName;
  DWORD state = RASCS_OpenPort;
  DWORD error = 0;
  HWND notifier = 0;
  bool cancelled = false;
  uint64_t statusReads = 0;  // RasGetConnectStatus answers given for it
  std::thread dialer;
};

struct State {
  std::mutex m;
  std::condition_variable cv;
  std::string root;
  bool seeded = false;
  HRASCONN nextHandle = 0x5200;
  std::vector<std::shared_ptr<Conn>> conns;
  std::map<std::u16string, std::string> scripts;  // lower-cased entry -> script
  std::map<std::u16string, plat::ras::DialRecord> dials;
  std::vector<std::u16string> hangups;
};

State& S() {
  static State* s = new State;  // never destroyed: dial threads may outlive static destruction
  return *s;
}

std::u16string Lower(std::u16string s) {
  for (auto& c : s)
    if (c >= u'A' && c <= u'Z') c = static_cast<char16_t>(c + 32);
  return s;
}

bool SameName(const std::u16string& a, const std::u16string& b) { return Lower(a) == Lower(b); }

std::u16string FromFixed(const WCHAR* text, size_t cap) {
  size_t n = 0;
  while (n < cap && text[n]) ++n;
  return std::u16string(text, n);
}

// Copies at most cap - 1 characters and terminates.
void ToFixed(WCHAR* dst, size_t cap, const std::u16string& text) {
  size_t n = std::min(text.size(), cap - 1);
  std::memcpy(dst, text.data(), n * sizeof(WCHAR));
  dst[n] = 0;
}

// ---- Registry ------------------------------------------------------------------------------

HKEY OpenEntryKey(const std::u16string& entry) {
  std::u16string path = std::u16string(kBookKey) + u"\\" + entry;
  HKEY k = nullptr;
  if (RegOpenKeyEx(HKEY_CURRENT_USER, path.c_str(), 0, KEY_READ, &k) != ERROR_SUCCESS) return nullptr;
  return k;
}

std::u16string ReadString(HKEY k, const char16_t* name) {
  DWORD type = 0, size = 0;
  if (RegQueryValueEx(k, name, nullptr, &type, nullptr, &size) != ERROR_SUCCESS) return {};
  if (type != REG_SZ && type != REG_EXPAND_SZ) return {};
  std::u16string buf(size / sizeof(WCHAR) + 1, u'\0');
  if (RegQueryValueEx(k, name, nullptr, &type, reinterpret_cast<LPBYTE>(buf.data()), &size) != ERROR_SUCCESS) return {};
  buf.resize(size / sizeof(WCHAR));
  while (!buf.empty() && buf.back() == 0) buf.pop_back();
  return buf.substr(0, buf.find(u'\0'));
}

DWORD ReadDword(HKEY k, const char16_t* name) {
  DWORD type = 0, value = 0, size = sizeof value;
  if (RegQueryValueEx(k, name, nullptr, &type, reinterpret_cast<LPBYTE>(&value), &size) != ERROR_SUCCESS ||
      type != REG_DWORD)
    return 0;
  return value;
}

// Entry names of the phone book that fit the records, in the registry's (name) order.
std::vector<std::u16string> BookEntries() {
  std::vector<std::u16string> out;
  HKEY k = nullptr;
  if (RegOpenKeyEx(HKEY_CURRENT_USER, kBookKey, 0, KEY_READ, &k) != ERROR_SUCCESS) return out;
  for (DWORD i = 0;; ++i) {
    WCHAR name[256];
    DWORD len = 256;
    if (RegEnumKeyEx(k, i, name, &len, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
    if (len == 0 || len > RAS_MaxEntryName) continue;
    out.emplace_back(name, len);
  }
  RegCloseKey(k);
  return out;
}

bool EntryExists(const std::u16string& entry, std::u16string* canonical = nullptr) {
  for (auto& e : BookEntries())
    if (SameName(e, entry)) {
      if (canonical) *canonical = e;
      return true;
    }
  return false;
}

// ---- Scripts -------------------------------------------------------------------------------

// Parses "state[:error][@delay]" steps; a leading "!code" is the dial's own failure.
bool ParseScript(const std::string& text, std::vector<Step>* steps, DWORD* dialFailure) {
  *dialFailure = 0;
  steps->clear();
  std::string tok;
  auto flush = [&]() -> bool {
    if (tok.empty()) return true;
    if (tok[0] == '!') {
      *dialFailure = static_cast<DWORD>(std::strtoul(tok.c_str() + 1, nullptr, 10));
      tok.clear();
      return true;
    }
    Step s;
    char* end = nullptr;
    s.state = static_cast<DWORD>(std::strtoul(tok.c_str(), &end, 0));
    if (end == tok.c_str()) return false;
    while (*end) {
      char kind = *end++;
      char* next = nullptr;
      unsigned long v = std::strtoul(end, &next, 10);
      if (next == end) return false;
      if (kind == ':')
        s.error = static_cast<DWORD>(v);
      else if (kind == '@')
        s.delayMs = static_cast<DWORD>(v);
      else
        return false;
      end = next;
    }
    steps->push_back(s);
    tok.clear();
    return true;
  };
  for (char c : text) {
    if (c == ' ' || c == ',' || c == '\t' || c == '\n' || c == '\r') {
      if (!flush()) return false;
    } else {
      tok += c;
    }
  }
  return flush();
}

// Scripts are ASCII; names go to the event log as UTF-8.
std::string Narrow(const std::u16string& s) {
  std::string out;
  for (char16_t c : s) out += c < 0x80 ? static_cast<char>(c) : '?';
  return out;
}

std::string Utf8(const std::u16string& s) {
  if (s.empty()) return {};
  std::string out(s.size() * 3 + 1, '\0');
  int n = WideCharToMultiByte(CP_UTF8, 0, s.data(), static_cast<int>(s.size()), out.data(),
                              static_cast<int>(out.size()), nullptr, nullptr);
  out.resize(n > 0 ? static_cast<size_t>(n) : 0);
  return out;
}

// ---- Connections ---------------------------------------------------------------------------

void JoinAll(std::vector<std::shared_ptr<Conn>>& list) {
  for (auto& c : list)
    if (c->dialer.joinable() && c->dialer.get_id() != std::this_thread::get_id())
      c->dialer.join();
    else if (c->dialer.joinable())
      c->dialer.detach();
}

std::shared_ptr<Conn> NewConn(State& s, const std::u16string& entry) {
  auto c = std::make_shared<Conn>();
  c->handle = ++s.nextHandle;
  c->entry = entry;
  if (HKEY k = OpenEntryKey(entry)) {
    c->deviceType = ReadString(k, u"DeviceType");
    c->deviceName = ReadString(k, u"DeviceName");
    RegCloseKey(k);
  }
  return c;
}

// Called with the lock held: a new device root starts from its own phone book.
void EnsureRoot(State& s, std::unique_lock<std::mutex>& lock) {
  std::string root = plat::DeviceRoot();
  if (root != s.root) {
    std::vector<std::shared_ptr<Conn>> old;
    old.swap(s.conns);
    for (auto& c : old) c->cancelled = true;
    s.cv.notify_all();
    s.root = root;
    s.seeded = false;
    s.scripts.clear();
    s.dials.clear();
    s.hangups.clear();
    lock.unlock();
    JoinAll(old);
    lock.lock();
  }
  if (!s.seeded) {
    s.seeded = true;
    lock.unlock();
    std::vector<std::shared_ptr<Conn>> seeded;
    for (auto& e : BookEntries()) {
      HKEY k = OpenEntryKey(e);
      if (!k) continue;
      bool up = ReadDword(k, u"Connected") != 0;
      RegCloseKey(k);
      if (!up) continue;
      seeded.push_back(NewConn(s, e));
      seeded.back()->state = RASCS_Connected;
    }
    lock.lock();
    for (auto& c : seeded) s.conns.push_back(c);
  }
}

std::shared_ptr<Conn> FindHandle(State& s, HRASCONN h) {
  for (auto& c : s.conns)
    if (c->handle == h) return c;
  return nullptr;
}

std::shared_ptr<Conn> FindEntry(State& s, const std::u16string& entry) {
  for (auto& c : s.conns)
    if (SameName(c->entry, entry)) return c;
  return nullptr;
}

void RunDial(std::shared_ptr<Conn> c, std::vector<Step> steps) {
  State& s = S();
  for (const Step& step : steps) {
    std::unique_lock<std::mutex> lock(s.m);
    if (step.delayMs) s.cv.wait_for(lock, std::chrono::milliseconds(step.delayMs), [&] { return c->cancelled; });
    if (c->cancelled) return;
    c->state = step.state;
    c->error = step.error;
    HWND w = c->notifier;
    lock.unlock();
    if (w) PostMessage(w, WM_RASDIALEVENT, static_cast<WPARAM>(step.state), static_cast<LPARAM>(step.error));
    if (step.error) return;
  }
}

}  // namespace

// ---- The remote-access calls ---------------------------------------------------------------

DWORD RasEnumEntries(LPCWSTR, LPCWSTR phoneBook, RASENTRYNAME* entries, LPDWORD bytes, LPDWORD count) {
  if (!bytes) return ERROR_INVALID_PARAMETER;
  if (phoneBook) return ERROR_CANNOT_OPEN_PHONEBOOK;
  if (entries && entries[0].dwSize != sizeof(RASENTRYNAME)) return ERROR_INVALID_SIZE;
  auto names = BookEntries();
  DWORD need = static_cast<DWORD>(names.size() * sizeof(RASENTRYNAME));
  if (count) *count = static_cast<DWORD>(names.size());
  if (!entries || *bytes < need) {
    *bytes = need;
    return names.empty() && entries ? 0 : ERROR_BUFFER_TOO_SMALL;
  }
  *bytes = need;
  for (size_t i = 0; i < names.size(); ++i) {
    entries[i].dwSize = sizeof(RASENTRYNAME);
    ToFixed(entries[i].szEntryName, RAS_MaxEntryName + 1, names[i]);
  }
  return 0;
}

DWORD RasGetEntryProperties(LPCWSTR phoneBook, LPCWSTR entryName, RASENTRY* entry, LPDWORD entrySize, LPBYTE,
                            LPDWORD deviceInfoSize) {
  if (!entrySize) return ERROR_INVALID_PARAMETER;
  if (phoneBook) return ERROR_CANNOT_OPEN_PHONEBOOK;
  if (deviceInfoSize) *deviceInfoSize = 0;
  if (!entry || *entrySize < sizeof(RASENTRY)) {
    *entrySize = sizeof(RASENTRY);
    return ERROR_BUFFER_TOO_SMALL;
  }
  if (entry->dwSize != sizeof(RASENTRY)) return ERROR_INVALID_SIZE;
  if (!entryName) return ERROR_CANNOT_FIND_PHONEBOOK_ENTRY;
  std::u16string name;
  if (!EntryExists(entryName, &name)) return ERROR_CANNOT_FIND_PHONEBOOK_ENTRY;
  HKEY k = OpenEntryKey(name);
  if (!k) return ERROR_CANNOT_FIND_PHONEBOOK_ENTRY;
  std::memset(entry, 0, sizeof *entry);
  entry->dwSize = sizeof(RASENTRY);
  entry->dwCountryID = 82;
  entry->dwCountryCode = 82;
  ToFixed(entry->szLocalPhoneNumber, RAS_MaxPhoneNumber + 1, ReadString(k, u"PhoneNumber"));
  ToFixed(entry->szScript, MAX_PATH, ReadString(k, u"Script"));
  ToFixed(entry->szAutodialDll, MAX_PATH, ReadString(k, u"AutoDialDll"));
  ToFixed(entry->szAutodialFunc, MAX_PATH, ReadString(k, u"AutoDialFunc"));
  ToFixed(entry->szDeviceType, RAS_MaxDeviceType + 1, ReadString(k, u"DeviceType"));
  ToFixed(entry->szDeviceName, RAS_MaxDeviceName + 1, ReadString(k, u"DeviceName"));
  RegCloseKey(k);
  *entrySize = sizeof(RASENTRY);
  return 0;
}

DWORD RasGetEntryDialParams(LPCWSTR phoneBook, RASDIALPARAMS* params, LPBOOL passwordSaved) {
  if (!params || params->dwSize != sizeof(RASDIALPARAMS)) return ERROR_BUFFER_INVALID;
  if (phoneBook) return ERROR_CANNOT_OPEN_PHONEBOOK;
  std::u16string name;
  if (!EntryExists(FromFixed(params->szEntryName, RAS_MaxEntryName + 1), &name))
    return ERROR_CANNOT_FIND_PHONEBOOK_ENTRY;
  HKEY k = OpenEntryKey(name);
  if (!k) return ERROR_CANNOT_FIND_PHONEBOOK_ENTRY;
  bool saved = ReadDword(k, u"SavePassword") != 0;
  std::memset(params, 0, sizeof *params);
  params->dwSize = sizeof(RASDIALPARAMS);
  ToFixed(params->szEntryName, RAS_MaxEntryName + 1, name);
  ToFixed(params->szPhoneNumber, RAS_MaxPhoneNumber + 1, ReadString(k, u"PhoneNumber"));
  ToFixed(params->szUserName, UNLEN + 1, ReadString(k, u"User"));
  ToFixed(params->szDomain, DNLEN + 1, ReadString(k, u"Domain"));
  if (saved) ToFixed(params->szPassword, PWLEN + 1, ReadString(k, u"Password"));
  RegCloseKey(k);
  if (passwordSaved) *passwordSaved = saved ? TRUE : FALSE;
  return 0;
}

DWORD RasDial(LPVOID, LPCWSTR phoneBook, RASDIALPARAMS* params, DWORD notifierType, LPVOID notifier,
              HRASCONN* connection) {
  if (!params || !connection) return ERROR_INVALID_PARAMETER;
  if (params->dwSize != sizeof(RASDIALPARAMS)) return ERROR_BUFFER_INVALID;
  if (phoneBook) return ERROR_CANNOT_OPEN_PHONEBOOK;
  std::u16string name;
  if (!EntryExists(FromFixed(params->szEntryName, RAS_MaxEntryName + 1), &name))
    return ERROR_CANNOT_FIND_PHONEBOOK_ENTRY;

  State& s = S();
  std::unique_lock<std::mutex> lock(s.m);
  EnsureRoot(s, lock);
  std::string script;
  auto it = s.scripts.find(Lower(name));
  if (it != s.scripts.end()) {
    script = it->second;
  } else {
    lock.unlock();
    if (HKEY k = OpenEntryKey(name)) {
      script = Narrow(ReadString(k, u"DialScript"));
      RegCloseKey(k);
    }
    lock.lock();
  }
  if (script.empty()) script = kDefaultScript;
  std::vector<Step> steps;
  DWORD failure = 0;
  if (!ParseScript(script, &steps, &failure)) return ERROR_INVALID_PARAMETER;

  plat::ras::DialRecord rec;
  rec.entryName = name;
  rec.userName = FromFixed(params->szUserName, UNLEN + 1);
  rec.phoneNumber = FromFixed(params->szPhoneNumber, RAS_MaxPhoneNumber + 1);
  rec.password = FromFixed(params->szPassword, PWLEN + 1);
  rec.notifier = notifierType == RAS_NOTIFIER_HWND ? static_cast<HWND>(reinterpret_cast<uintptr_t>(notifier)) : 0;
  s.dials[Lower(name)] = rec;

  if (failure) return failure;
  if (FindEntry(s, name)) return ERROR_PORT_ALREADY_OPEN;
  lock.unlock();
  auto c = NewConn(s, name);
  lock.lock();
  if (FindEntry(s, name)) return ERROR_PORT_ALREADY_OPEN;  // dialled meanwhile by another thread
  c->notifier = rec.notifier;
  s.conns.push_back(c);
  *connection = c->handle;
  c->dialer = std::thread(RunDial, c, std::move(steps));
  return 0;
}

DWORD RasEnumConnections(RASCONN* connections, LPDWORD bytes, LPDWORD count) {
  if (!bytes) return ERROR_INVALID_PARAMETER;
  if (connections && connections[0].dwSize != sizeof(RASCONN)) return ERROR_INVALID_SIZE;
  State& s = S();
  std::unique_lock<std::mutex> lock(s.m);
  EnsureRoot(s, lock);
  DWORD need = static_cast<DWORD>(s.conns.size() * sizeof(RASCONN));
  if (count) *count = static_cast<DWORD>(s.conns.size());
  if (!connections || *bytes < need) {
    *bytes = need;
    return s.conns.empty() && connections ? 0 : ERROR_BUFFER_TOO_SMALL;
  }
  *bytes = need;
  for (size_t i = 0; i < s.conns.size(); ++i) {
    connections[i].dwSize = sizeof(RASCONN);
    connections[i].hrasconn = s.conns[i]->handle;
    ToFixed(connections[i].szEntryName, RAS_MaxEntryName + 1, s.conns[i]->entry);
  }
  return 0;
}

DWORD RasGetConnectStatus(HRASCONN connection, RASCONNSTATUS* status) {
  if (!status) return ERROR_INVALID_PARAMETER;
  if (status->dwSize != sizeof(RASCONNSTATUS)) return ERROR_INVALID_SIZE;
  State& s = S();
  std::unique_lock<std::mutex> lock(s.m);
  EnsureRoot(s, lock);
  auto c = FindHandle(s, connection);
  if (!c) return ERROR_INVALID_HANDLE;
  ++c->statusReads;
  status->rasconnstate = static_cast<RASCONNSTATE>(c->state);
  status->dwError = c->error;
  ToFixed(status->szDeviceType, RAS_MaxDeviceType + 1, c->deviceType);
  ToFixed(status->szDeviceName, RAS_MaxDeviceName + 1, c->deviceName);
  return 0;
}

DWORD RasHangUp(HRASCONN connection) {
  State& s = S();
  std::unique_lock<std::mutex> lock(s.m);
  EnsureRoot(s, lock);
  auto c = FindHandle(s, connection);
  if (!c) return ERROR_INVALID_HANDLE;
  c->cancelled = true;
  s.conns.erase(std::find(s.conns.begin(), s.conns.end(), c));
  s.hangups.push_back(c->entry);
  s.cv.notify_all();
  lock.unlock();
  std::vector<std::shared_ptr<Conn>> one{c};
  JoinAll(one);
  plat::win::LogEvent("ras.hangup", Utf8(c->entry));
  return 0;
}

// ---- Hooks ---------------------------------------------------------------------------------

namespace plat::ras {

void SetDialScript(const std::u16string& entryName, const std::string& script) {
  State& s = S();
  std::unique_lock<std::mutex> lock(s.m);
  EnsureRoot(s, lock);
  if (script.empty())
    s.scripts.erase(Lower(entryName));
  else
    s.scripts[Lower(entryName)] = script;
}

HRASCONN AddConnection(const std::u16string& entryName, DWORD state) {
  if (entryName.empty() || entryName.size() > RAS_MaxEntryName) return 0;
  State& s = S();
  std::unique_lock<std::mutex> lock(s.m);
  EnsureRoot(s, lock);
  lock.unlock();
  auto c = NewConn(s, entryName);
  lock.lock();
  c->state = state;
  s.conns.push_back(c);
  return c->handle;
}

bool DropConnection(const std::u16string& entryName) {
  State& s = S();
  std::unique_lock<std::mutex> lock(s.m);
  EnsureRoot(s, lock);
  auto c = FindEntry(s, entryName);
  if (!c) return false;
  c->state = RASCS_Disconnected;
  c->error = 0;
  c->cancelled = true;  // a dial still in progress reports nothing after the drop
  s.cv.notify_all();
  HWND w = c->notifier;
  lock.unlock();
  if (w) PostMessage(w, WM_RASDIALEVENT, RASCS_Disconnected, 0);
  plat::win::LogEvent("ras.drop", Utf8(entryName));
  return true;
}

uint64_t StatusReads(const std::u16string& entryName) {
  State& s = S();
  std::unique_lock<std::mutex> lock(s.m);
  EnsureRoot(s, lock);
  auto c = FindEntry(s, entryName);
  return c ? c->statusReads : 0;
}

std::vector<std::u16string> HangUpLog() {
  State& s = S();
  std::unique_lock<std::mutex> lock(s.m);
  EnsureRoot(s, lock);
  return s.hangups;
}

bool LastDial(const std::u16string& entryName, DialRecord* out) {
  State& s = S();
  std::unique_lock<std::mutex> lock(s.m);
  EnsureRoot(s, lock);
  auto it = s.dials.find(Lower(entryName));
  if (it == s.dials.end()) return false;
  if (out) *out = it->second;
  return true;
}

void Reset() {
  State& s = S();
  std::unique_lock<std::mutex> lock(s.m);
  std::vector<std::shared_ptr<Conn>> old;
  old.swap(s.conns);
  for (auto& c : old) c->cancelled = true;
  s.cv.notify_all();
  s.root.clear();
  s.seeded = false;
  s.scripts.clear();
  s.dials.clear();
  s.hangups.clear();
  lock.unlock();
  JoinAll(old);
}

}  // namespace plat::ras
