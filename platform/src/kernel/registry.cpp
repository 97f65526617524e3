// The registry: one store file per device root, shared by every process of that root.
//
// Every call takes an inter-process lock (flock on <root>/.registry/lock: shared to read,
// exclusive to change) and reloads the store when another process has changed it (the store
// carries a generation number). A change is written whole to a new file, flushed to the disk and
// then renamed over the store, so a process killed (or a power cut) at any moment leaves the last
// complete store behind.
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <memory>
#include <set>
#include <vector>

#include "kernel/internal.h"

struct PlatRegKey {
  int hive;
  std::vector<std::u16string> path;
};

namespace plat::kernel {
namespace {

constexpr int kHives = 4;  // HKEY_CLASSES_ROOT, HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE, HKEY_USERS
constexpr size_t kMaxKeyName = 255;
constexpr size_t kMaxValueName = 16383;
constexpr char kMagic[] = "LARKSPIN-REGISTRY 1";

struct Value {
  std::u16string name;
  DWORD type;
  std::string data;
};

struct Key {
  std::u16string name;
  std::u16string className;
  std::vector<std::unique_ptr<Key>> subkeys;  // in case-blind name order
  std::vector<Value> values;                  // newest first
};

struct Store {
  std::string root;  // device root the cache belongs to
  int lockFd = -1;
  uint64_t generation = 0;
  bool loaded = false;
  Key hives[kHives];
};

std::mutex g_lock;  // one registry call at a time in this process
Store& TheStore() {
  static Store* store = new Store;
  return *store;
}
std::set<PlatRegKey*>& OpenKeys() {
  static auto* keys = new std::set<PlatRegKey*>;
  return *keys;
}

char16_t Fold(char16_t c) { return c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c + 32) : c; }

bool LessNoCase(const std::u16string& a, const std::u16string& b) {
  size_t n = std::min(a.size(), b.size());
  for (size_t i = 0; i < n; ++i) {
    char16_t x = Fold(a[i]), y = Fold(b[i]);
    if (x != y) return x < y;
  }
  return a.size() < b.size();
}

Key* ChildOf(Key* key, std::u16string_view name) {
  for (auto& sub : key->subkeys)
    if (SameNoCase(std::u16string_view(sub->name), name)) return sub.get();
  return nullptr;
}

Value* ValueOf(Key* key, std::u16string_view name) {
  for (auto& v : key->values)
    if (SameNoCase(std::u16string_view(v.name), name)) return &v;
  return nullptr;
}

// --- store file ------------------------------------------------------------------------------

std::string Hex(const void* data, size_t size) {
  static const char digits[] = "0123456789abcdef";
  std::string out;
  out.reserve(size * 2 + 1);
  const auto* p = static_cast<const unsigned char*>(data);
  for (size_t i = 0; i < size; ++i) {
    out += digits[p[i] >> 4];
    out += digits[p[i] & 15];
  }
  return out.empty() ? "-" : out;
}

bool Unhex(std::string_view text, std::string& out) {
  out.clear();
  if (text == "-") return true;
  if (text.size() % 2) return false;
  auto nibble = [](char c) -> int {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
  };
  for (size_t i = 0; i < text.size(); i += 2) {
    int hi = nibble(text[i]), lo = nibble(text[i + 1]);
    if (hi < 0 || lo < 0) return false;
    out += static_cast<char>(hi << 4 | lo);
  }
  return true;
}

std::string HexText(const std::u16string& text) { return Hex(text.data(), text.size() * 2); }

bool UnhexText(std::string_view hex, std::u16string& out) {
  std::string bytes;
  if (!Unhex(hex, bytes) || bytes.size() % 2) return false;
  out.resize(bytes.size() / 2);
  std::memcpy(out.data(), bytes.data(), bytes.size());
  return true;
}

void WriteKey(std::string& out, const Key& key, int hive, int depth) {
  out += "K " + std::to_string(hive) + " " + std::to_string(depth) + " " + HexText(key.name) + " " +
         HexText(key.className) + "\n";
  for (const Value& v : key.values)
    out += "V " + HexText(v.name) + " " + std::to_string(v.type) + " " + Hex(v.data.data(), v.data.size()) + "\n";
  for (const auto& sub : key.subkeys) WriteKey(out, *sub, hive, depth + 1);
}

std::string Folder(const Store& s) { return s.root + "/.registry"; }
std::string StorePath(const Store& s) { return Folder(s) + "/store"; }

bool ReadWhole(const std::string& path, std::string& out) {
  int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  out.clear();
  char buffer[16384];
  for (;;) {
    ssize_t n = ::read(fd, buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    out.append(buffer, static_cast<size_t>(n));
  }
  ::close(fd);
  return true;
}

// Generation number at the head of the store file; 0 when there is no store yet.
uint64_t StoredGeneration(const Store& s) {
  int fd = ::open(StorePath(s).c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return 0;
  char head[96] = {};
  ssize_t n = ::read(fd, head, sizeof head - 1);
  ::close(fd);
  if (n <= 0) return 0;
  const char* g = std::strstr(head, "\ngeneration ");
  return g ? std::strtoull(g + 12, nullptr, 10) : 0;
}

bool Parse(const std::string& text, Store& s) {
  for (Key& hive : s.hives) hive = Key{};
  std::vector<Key*> stack;
  size_t pos = 0;
  bool ended = false;
  while (pos < text.size()) {
    size_t eol = text.find('\n', pos);
    if (eol == std::string::npos) return false;
    std::string_view line(text.data() + pos, eol - pos);
    pos = eol + 1;
    std::vector<std::string_view> f;
    for (size_t p = 0; p <= line.size();) {
      size_t sp = line.find(' ', p);
      if (sp == std::string_view::npos) sp = line.size();
      f.push_back(line.substr(p, sp - p));
      p = sp + 1;
    }
    if (f[0] == "K" && f.size() == 5) {
      int hive = std::atoi(std::string(f[1]).c_str());
      size_t depth = static_cast<size_t>(std::atoi(std::string(f[2]).c_str()));
      if (hive < 0 || hive >= kHives || depth > stack.size()) return false;
      Key* key;
      if (depth == 0) {
        key = &s.hives[hive];
        stack.assign(1, key);
      } else {
        stack.resize(depth);
        auto child = std::make_unique<Key>();
        key = child.get();
        stack.back()->subkeys.push_back(std::move(child));
        stack.push_back(key);
      }
      if (!UnhexText(f[3], key->name) || !UnhexText(f[4], key->className)) return false;
    } else if (f[0] == "V" && f.size() == 4 && !stack.empty()) {
      Value v;
      v.type = static_cast<DWORD>(std::strtoul(std::string(f[2]).c_str(), nullptr, 10));
      if (!UnhexText(f[1], v.name) || !Unhex(f[3], v.data)) return false;
      stack.back()->values.push_back(std::move(v));
    } else if (f[0] == "END") {
      ended = true;
      break;
    } else if (line != kMagic && f[0] != "generation") {
      return false;
    }
  }
  return ended;
}

// Brings the cache up to date with the store on disk. Call with the file lock held.
bool Refresh(Store& s) {
  uint64_t generation = StoredGeneration(s);
  if (s.loaded && generation == s.generation) return true;
  std::string text;
  if (!ReadWhole(StorePath(s), text)) {
    for (Key& hive : s.hives) hive = Key{};
  } else if (!Parse(text, s)) {
    std::fprintf(stderr, "registry: %s is damaged; starting from an empty registry\n", StorePath(s).c_str());
    for (Key& hive : s.hives) hive = Key{};
  }
  s.generation = generation;
  s.loaded = true;
  return true;
}

// Writes the cache as the new store. Call with the exclusive file lock held.
bool Save(Store& s) {
  std::string out = std::string(kMagic) + "\ngeneration " + std::to_string(s.generation + 1) + "\n";
  for (int h = 0; h < kHives; ++h) WriteKey(out, s.hives[h], h, 0);
  out += "END\n";
  std::string temp = Folder(s) + "/store.new";
  int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  bool ok = fd >= 0;
  for (size_t done = 0; ok && done < out.size();) {
    ssize_t n = ::write(fd, out.data() + done, out.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0)
      ok = false;
    else
      done += static_cast<size_t>(n);
  }
  // The new store reaches the disk before it takes the old one's name: after a power cut the
  // store is the old one or the new one, never a mix.
  if (ok && fdatasync(fd) != 0) ok = false;
  if (fd >= 0 && ::close(fd) != 0) ok = false;
  if (ok && rename(temp.c_str(), StorePath(s).c_str()) != 0) ok = false;
  if (!ok) {
    unlink(temp.c_str());
    s.loaded = false;  // drop the change that did not reach the disk
    return false;
  }
  ++s.generation;
  return true;
}

// Holds the process lock and the inter-process lock for one registry call.
class Session {
 public:
  explicit Session(bool change) : guard_(g_lock), store_(TheStore()) {
    std::string root = DeviceRoot();
    if (root != store_.root || store_.lockFd < 0) {
      if (store_.lockFd >= 0) ::close(store_.lockFd);
      store_ = Store{};
      store_.root = root;
      mkdir(Folder(store_).c_str(), 0755);
      store_.lockFd = ::open((Folder(store_) + "/lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    }
    if (store_.lockFd >= 0) {
      while (flock(store_.lockFd, change ? LOCK_EX : LOCK_SH) != 0 && errno == EINTR) {
      }
      locked_ = true;
    }
    Refresh(store_);
  }
  ~Session() {
    if (locked_) flock(store_.lockFd, LOCK_UN);
  }
  Store& store() { return store_; }
  bool ok() const { return locked_; }

 private:
  std::lock_guard<std::mutex> guard_;
  Store& store_;
  bool locked_ = false;
};

// Where a key handle points: hive and path (for a predefined key, the hive itself).
bool Resolve(HKEY key, int& hive, std::vector<std::u16string>& path) {
  uintptr_t value = reinterpret_cast<uintptr_t>(key);
  if (value >= 0x80000000u && value < 0x80000000u + kHives) {
    hive = static_cast<int>(value - 0x80000000u);
    path.clear();
    return true;
  }
  if (!OpenKeys().count(key)) return false;
  hive = key->hive;
  path = key->path;
  return true;
}

// Splits "a\b\c" into components (empty components are skipped).
bool Split(LPCWSTR subKey, std::vector<std::u16string>& out) {
  if (!subKey) return true;
  std::u16string_view text(subKey);
  size_t pos = 0;
  while (pos <= text.size()) {
    size_t next = text.find(u'\\', pos);
    if (next == std::u16string_view::npos) next = text.size();
    if (next > pos) {
      if (next - pos > kMaxKeyName) return false;
      out.emplace_back(text.substr(pos, next - pos));
    }
    pos = next + 1;
  }
  return true;
}

Key* Walk(Store& s, int hive, const std::vector<std::u16string>& path) {
  Key* key = &s.hives[hive];
  for (const auto& name : path) {
    key = ChildOf(key, name);
    if (!key) return nullptr;
  }
  return key;
}

// Looks up the key of a handle; sets `error` when the handle is bad or its key is gone.
Key* KeyOf(Store& s, HKEY handle, LONG& error) {
  int hive;
  std::vector<std::u16string> path;
  if (!Resolve(handle, hive, path)) {
    error = ERROR_INVALID_HANDLE;
    return nullptr;
  }
  Key* key = Walk(s, hive, path);
  if (!key) error = ERROR_KEY_DELETED;
  return key;
}

std::u16string_view NameArg(LPCWSTR name) { return name ? std::u16string_view(name) : std::u16string_view(); }

LONG CopyName(const std::u16string& name, LPWSTR out, LPDWORD length) {
  if (!out || !length) return ERROR_INVALID_PARAMETER;
  if (*length <= name.size()) {
    return ERROR_MORE_DATA;
  }
  std::copy(name.begin(), name.end(), out);
  out[name.size()] = 0;
  *length = static_cast<DWORD>(name.size());
  return ERROR_SUCCESS;
}

LONG OpenOrCreate(HKEY key, LPCWSTR subKey, bool create, LPWSTR className, PHKEY result, LPDWORD disposition) {
  if (!result) return ERROR_INVALID_PARAMETER;
  *result = nullptr;
  std::vector<std::u16string> parts;
  if (!Split(subKey, parts)) return ERROR_INVALID_PARAMETER;
  Session session(create);
  Store& s = session.store();
  int hive;
  std::vector<std::u16string> path;
  if (!Resolve(key, hive, path)) return ERROR_INVALID_HANDLE;
  Key* current = Walk(s, hive, path);
  if (!current) return ERROR_KEY_DELETED;
  bool created = false;
  for (const auto& name : parts) {
    Key* next = ChildOf(current, name);
    if (!next) {
      if (!create) return ERROR_FILE_NOT_FOUND;
      auto fresh = std::make_unique<Key>();
      fresh->name = name;
      next = fresh.get();
      auto& subs = current->subkeys;
      auto at = std::lower_bound(
          subs.begin(), subs.end(), name,
          [](const std::unique_ptr<Key>& k, const std::u16string& n) { return LessNoCase(k->name, n); });
      subs.insert(at, std::move(fresh));
      created = true;
    }
    path.push_back(next->name);
    current = next;
  }
  if (created) {
    if (className) current->className = className;
    if (!Save(s)) return ERROR_CANTWRITE;
  }
  auto* handle = new PlatRegKey{hive, std::move(path)};
  OpenKeys().insert(handle);
  *result = handle;
  if (disposition) *disposition = created ? REG_CREATED_NEW_KEY : REG_OPENED_EXISTING_KEY;
  return ERROR_SUCCESS;
}

}  // namespace
}  // namespace plat::kernel

using namespace plat::kernel;

LONG RegCreateKeyEx(HKEY key, LPCWSTR subKey, DWORD, LPWSTR className, DWORD, REGSAM, LPSECURITY_ATTRIBUTES,
                    PHKEY result, LPDWORD disposition) {
  return OpenOrCreate(key, subKey, true, className, result, disposition);
}

LONG RegOpenKeyEx(HKEY key, LPCWSTR subKey, DWORD, REGSAM, PHKEY result) {
  return OpenOrCreate(key, subKey, false, nullptr, result, nullptr);
}

LONG RegCloseKey(HKEY key) {
  uintptr_t value = reinterpret_cast<uintptr_t>(key);
  if (value >= 0x80000000u && value < 0x80000000u + kHives) return ERROR_SUCCESS;
  std::lock_guard<std::mutex> guard(g_lock);
  if (!OpenKeys().erase(key)) return ERROR_INVALID_HANDLE;
  delete key;
  return ERROR_SUCCESS;
}

LONG RegFlushKey(HKEY key) {
  Session session(false);
  LONG error = ERROR_SUCCESS;
  KeyOf(session.store(), key, error);
  return error;  // every change is already in the store
}

LONG RegQueryValueEx(HKEY key, LPCWSTR valueName, LPDWORD, LPDWORD type, LPBYTE data, LPDWORD dataSize) {
  if (data && !dataSize) return ERROR_INVALID_PARAMETER;
  Session session(false);
  LONG error = ERROR_SUCCESS;
  Key* k = KeyOf(session.store(), key, error);
  if (!k) return error;
  Value* v = ValueOf(k, NameArg(valueName));
  if (!v) return ERROR_FILE_NOT_FOUND;
  if (type) *type = v->type;
  if (!dataSize) return ERROR_SUCCESS;
  DWORD needed = static_cast<DWORD>(v->data.size());
  if (data && *dataSize < needed) {
    *dataSize = needed;
    return ERROR_MORE_DATA;
  }
  if (data) std::memcpy(data, v->data.data(), needed);
  *dataSize = needed;
  return ERROR_SUCCESS;
}

LONG RegSetValueEx(HKEY key, LPCWSTR valueName, DWORD, DWORD type, const BYTE* data, DWORD dataSize) {
  if (!data && dataSize) return ERROR_INVALID_PARAMETER;
  std::u16string_view name = NameArg(valueName);
  if (name.size() > kMaxValueName) return ERROR_INVALID_PARAMETER;
  Session session(true);
  Store& s = session.store();
  LONG error = ERROR_SUCCESS;
  Key* k = KeyOf(s, key, error);
  if (!k) return error;
  std::string bytes(reinterpret_cast<const char*>(data), data ? dataSize : 0);
  if (Value* v = ValueOf(k, name)) {
    // A value set to what it holds changes nothing: the store is not written again (screens
    // spend their hand-over values on every start, mostly already spent).
    if (v->type == type && v->data == bytes) return ERROR_SUCCESS;
    v->type = type;  // keeps its place in the enumeration
    v->data = std::move(bytes);
  } else {
    k->values.insert(k->values.begin(), Value{std::u16string(name), type, std::move(bytes)});
  }
  return Save(s) ? ERROR_SUCCESS : ERROR_CANTWRITE;
}

LONG RegDeleteValue(HKEY key, LPCWSTR valueName) {
  Session session(true);
  Store& s = session.store();
  LONG error = ERROR_SUCCESS;
  Key* k = KeyOf(s, key, error);
  if (!k) return error;
  std::u16string_view name = NameArg(valueName);
  auto it = std::find_if(k->values.begin(), k->values.end(),
                         [&](const Value& v) { return SameNoCase(std::u16string_view(v.name), name); });
  if (it == k->values.end()) return ERROR_FILE_NOT_FOUND;
  k->values.erase(it);
  return Save(s) ? ERROR_SUCCESS : ERROR_CANTWRITE;
}

LONG RegDeleteKey(HKEY key, LPCWSTR subKey) {
  std::vector<std::u16string> parts;
  if (!Split(subKey, parts) || parts.empty()) return ERROR_INVALID_PARAMETER;
  Session session(true);
  Store& s = session.store();
  LONG error = ERROR_SUCCESS;
  Key* parent = KeyOf(s, key, error);
  if (!parent) return error;
  for (size_t i = 0; i + 1 < parts.size(); ++i) {
    parent = ChildOf(parent, parts[i]);
    if (!parent) return ERROR_FILE_NOT_FOUND;
  }
  auto& subs = parent->subkeys;
  auto it = std::find_if(subs.begin(), subs.end(), [&](const std::unique_ptr<Key>& k) {
    return SameNoCase(std::u16string_view(k->name), parts.back());
  });
  if (it == subs.end()) return ERROR_FILE_NOT_FOUND;
  subs.erase(it);
  return Save(s) ? ERROR_SUCCESS : ERROR_CANTWRITE;
}

LONG RegEnumKeyEx(HKEY key, DWORD index, LPWSTR name, LPDWORD nameLength, LPDWORD, LPWSTR className,
                  LPDWORD classLength, PFILETIME lastWriteTime) {
  Session session(false);
  LONG error = ERROR_SUCCESS;
  Key* k = KeyOf(session.store(), key, error);
  if (!k) return error;
  if (index >= k->subkeys.size()) return ERROR_NO_MORE_ITEMS;
  const Key& sub = *k->subkeys[index];
  LONG rc = CopyName(sub.name, name, nameLength);
  if (rc != ERROR_SUCCESS) return rc;
  if (className && classLength) {
    rc = CopyName(sub.className, className, classLength);
    if (rc != ERROR_SUCCESS) return rc;
  }
  if (lastWriteTime) *lastWriteTime = FILETIME{0, 0};
  return ERROR_SUCCESS;
}

LONG RegEnumValue(HKEY key, DWORD index, LPWSTR valueName, LPDWORD valueNameLength, LPDWORD, LPDWORD type, LPBYTE data,
                  LPDWORD dataSize) {
  if (data && !dataSize) return ERROR_INVALID_PARAMETER;
  Session session(false);
  LONG error = ERROR_SUCCESS;
  Key* k = KeyOf(session.store(), key, error);
  if (!k) return error;
  if (index >= k->values.size()) return ERROR_NO_MORE_ITEMS;
  const Value& v = k->values[index];
  LONG rc = CopyName(v.name, valueName, valueNameLength);
  if (rc != ERROR_SUCCESS) return rc;
  if (type) *type = v.type;
  if (dataSize) {
    DWORD needed = static_cast<DWORD>(v.data.size());
    if (data && *dataSize < needed) {
      *dataSize = needed;
      return ERROR_MORE_DATA;
    }
    if (data) std::memcpy(data, v.data.data(), needed);
    *dataSize = needed;
  }
  return ERROR_SUCCESS;
}

LONG RegQueryInfoKey(HKEY key, LPWSTR className, LPDWORD classLength, LPDWORD, LPDWORD subKeys, LPDWORD maxSubKeyLength,
                     LPDWORD maxClassLength, LPDWORD values, LPDWORD maxValueNameLength, LPDWORD maxValueLength,
                     LPDWORD securityDescriptor, PFILETIME lastWriteTime) {
  Session session(false);
  LONG error = ERROR_SUCCESS;
  Key* k = KeyOf(session.store(), key, error);
  if (!k) return error;
  if (className && classLength) {
    LONG rc = CopyName(k->className, className, classLength);
    if (rc != ERROR_SUCCESS) return rc;
  }
  DWORD maxSub = 0, maxClass = 0, maxName = 0, maxData = 0;
  for (const auto& sub : k->subkeys) {
    maxSub = std::max(maxSub, static_cast<DWORD>(sub->name.size()));
    maxClass = std::max(maxClass, static_cast<DWORD>(sub->className.size()));
  }
  for (const Value& v : k->values) {
    maxName = std::max(maxName, static_cast<DWORD>(v.name.size()));
    maxData = std::max(maxData, static_cast<DWORD>(v.data.size()));
  }
  if (subKeys) *subKeys = static_cast<DWORD>(k->subkeys.size());
  if (maxSubKeyLength) *maxSubKeyLength = maxSub;
  if (maxClassLength) *maxClassLength = maxClass;
  if (values) *values = static_cast<DWORD>(k->values.size());
  if (maxValueNameLength) *maxValueNameLength = maxName;
  if (maxValueLength) *maxValueLength = maxData;
  if (securityDescriptor) *securityDescriptor = 0;
  if (lastWriteTime) *lastWriteTime = FILETIME{0, 0};
  return ERROR_SUCCESS;
}
