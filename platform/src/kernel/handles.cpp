// Handle table, last-error value and the common wait machinery.
#include <unordered_map>

#include "kernel/internal.h"

namespace plat::kernel {
namespace {

thread_local DWORD t_lastError = 0;

struct HandleTable {
  std::mutex lock;
  std::unordered_map<uintptr_t, std::shared_ptr<Object>> objects;
  // Handle numbers are never reused, so a stale handle can never reach a newer object.
  uintptr_t next = 0x1000;
};

HandleTable& Table() {
  static HandleTable* table = new HandleTable;  // lives until the process ends
  return *table;
}

}  // namespace

HANDLE AddHandle(std::shared_ptr<Object> object) {
  HandleTable& table = Table();
  std::lock_guard<std::mutex> guard(table.lock);
  uintptr_t value = table.next;
  table.next += 4;
  table.objects.emplace(value, std::move(object));
  return reinterpret_cast<HANDLE>(value);
}

std::shared_ptr<Object> FindHandle(HANDLE handle) {
  HandleTable& table = Table();
  {
    std::lock_guard<std::mutex> guard(table.lock);
    auto it = table.objects.find(reinterpret_cast<uintptr_t>(handle));
    if (it != table.objects.end()) return it->second;
  }
  SetLastError(ERROR_INVALID_HANDLE);
  return nullptr;
}

bool RemoveHandle(HANDLE handle) {
  std::shared_ptr<Object> object;  // released outside the table's lock
  HandleTable& table = Table();
  std::lock_guard<std::mutex> guard(table.lock);
  auto it = table.objects.find(reinterpret_cast<uintptr_t>(handle));
  if (it == table.objects.end()) return false;
  object = std::move(it->second);
  table.objects.erase(it);
  return true;
}

std::mutex& WaitLock() {
  static std::mutex* lock = new std::mutex;
  return *lock;
}

std::condition_variable& WaitChanged() {
  static std::condition_variable* changed = new std::condition_variable;
  return *changed;
}

void Waitable::Signal() {
  {
    std::lock_guard<std::mutex> guard(WaitLock());
    signalled_ = true;
  }
  WaitChanged().notify_all();
}

void Waitable::Reset() {
  std::lock_guard<std::mutex> guard(WaitLock());
  signalled_ = false;
}

bool SameNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    unsigned char x = static_cast<unsigned char>(a[i]), y = static_cast<unsigned char>(b[i]);
    if (x >= 'A' && x <= 'Z') x = static_cast<unsigned char>(x + 32);
    if (y >= 'A' && y <= 'Z') y = static_cast<unsigned char>(y + 32);
    if (x != y) return false;
  }
  return true;
}

bool SameNoCase(std::u16string_view a, std::u16string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    char16_t x = a[i], y = b[i];
    if (x >= u'A' && x <= u'Z') x = static_cast<char16_t>(x + 32);
    if (y >= u'A' && y <= u'Z') y = static_cast<char16_t>(y + 32);
    if (x != y) return false;
  }
  return true;
}

}  // namespace plat::kernel

using namespace plat::kernel;

DWORD GetLastError() { return t_lastError; }
void SetLastError(DWORD error) { t_lastError = error; }

BOOL CloseHandle(HANDLE object) {
  // The pseudo handles of the current process and thread need no closing.
  if (object == GetCurrentProcess() || object == GetCurrentThread()) return TRUE;
  if (!RemoveHandle(object)) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  return TRUE;
}
