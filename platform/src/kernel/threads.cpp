// Threads, events, waits and critical sections.
#include <sys/syscall.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <map>
#include <new>
#include <thread>
#include <vector>

#include "kernel/internal.h"

namespace plat::kernel {
namespace {

class ThreadObject : public Waitable {
 public:
  ThreadObject(LPTHREAD_START_ROUTINE start, LPVOID parameter, bool suspended)
      : Waitable(Type::Thread, false, false), start(start), parameter(parameter), suspended(suspended) {}
  LPTHREAD_START_ROUTINE start;
  LPVOID parameter;
  bool suspended;      // guarded by WaitLock()
  DWORD threadId = 0;  // guarded by WaitLock(); 0 until the thread runs
  std::atomic<DWORD> exitCode{STILL_ACTIVE};
};

class EventObject : public Waitable {
 public:
  EventObject(bool manualReset, bool initialState) : Waitable(Type::Event, !manualReset, initialState) {}
};

// Thrown by ExitThread and caught at the bottom of the thread it ends.
struct ThreadExit {
  DWORD code;
};

thread_local ThreadObject* t_self = nullptr;

std::mutex g_namesLock;
std::map<std::u16string, std::weak_ptr<EventObject>>& EventNames() {
  static auto* names = new std::map<std::u16string, std::weak_ptr<EventObject>>;
  return *names;
}

void RunThread(std::shared_ptr<ThreadObject> self) {
  t_self = self.get();
  {
    std::unique_lock<std::mutex> lock(WaitLock());
    self->threadId = static_cast<DWORD>(syscall(SYS_gettid));
    WaitChanged().notify_all();
    WaitChanged().wait(lock, [&] { return !self->suspended; });
  }
  DWORD code;
  try {
    code = self->start(self->parameter);
  } catch (const ThreadExit& exit) {
    code = exit.code;
  }
  self->exitCode = code;
  self->Signal();
  t_self = nullptr;
}

std::shared_ptr<Waitable> WaitableOf(HANDLE handle) {
  std::shared_ptr<Object> object = FindHandle(handle);
  if (!object) return nullptr;
  switch (object->type()) {
    case Object::Type::Thread:
    case Object::Type::Process:
    case Object::Type::Event: return std::static_pointer_cast<Waitable>(object);
    default: SetLastError(ERROR_INVALID_HANDLE); return nullptr;
  }
}

std::recursive_mutex* LockOf(LPCRITICAL_SECTION section) {
  static_assert(sizeof(std::recursive_mutex) <= sizeof(CRITICAL_SECTION::opaque));
  static_assert(alignof(std::recursive_mutex) <= alignof(CRITICAL_SECTION));
  return std::launder(reinterpret_cast<std::recursive_mutex*>(section->opaque));
}

}  // namespace
}  // namespace plat::kernel

using namespace plat::kernel;

HANDLE CreateThread(LPSECURITY_ATTRIBUTES /*security*/, SIZE_T /*stackSize*/, LPTHREAD_START_ROUTINE start,
                    LPVOID parameter, DWORD flags, LPDWORD threadId) {
  if (!start) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  auto self = std::make_shared<ThreadObject>(start, parameter, (flags & CREATE_SUSPENDED) != 0);
  try {
    std::thread(RunThread, self).detach();
  } catch (const std::exception&) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
  }
  DWORD id;
  {
    std::unique_lock<std::mutex> lock(WaitLock());
    WaitChanged().wait(lock, [&] { return self->threadId != 0; });
    id = self->threadId;
  }
  if (threadId) *threadId = id;
  return AddHandle(self);
}

BOOL GetExitCodeThread(HANDLE thread, LPDWORD exitCode) {
  auto self = FindHandleAs<ThreadObject>(thread, Object::Type::Thread);
  if (!self || !exitCode) {
    if (self) SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  *exitCode = self->exitCode;
  return TRUE;
}

DWORD SuspendThread(HANDLE thread) {
  if (FindHandleAs<ThreadObject>(thread, Object::Type::Thread)) SetLastError(ERROR_NOT_SUPPORTED);
  return 0xFFFFFFFFu;
}

DWORD ResumeThread(HANDLE thread) {
  auto self = FindHandleAs<ThreadObject>(thread, Object::Type::Thread);
  if (!self) return 0xFFFFFFFFu;
  DWORD previous = 0;
  {
    std::lock_guard<std::mutex> guard(WaitLock());
    if (self->suspended) {
      self->suspended = false;
      previous = 1;
    }
  }
  WaitChanged().notify_all();
  return previous;
}

void ExitThread(DWORD exitCode) {
  if (t_self) throw ThreadExit{exitCode};
  // A thread the platform did not start has no handle to report to.
  pthread_exit(nullptr);
}

DWORD GetCurrentThreadId() { return static_cast<DWORD>(syscall(SYS_gettid)); }
DWORD GetCurrentProcessId() { return static_cast<DWORD>(getpid()); }
HANDLE GetCurrentThread() { return reinterpret_cast<HANDLE>(static_cast<intptr_t>(-2)); }
BOOL SetThreadPriority(HANDLE, int) { return TRUE; }
int GetThreadPriority(HANDLE) { return THREAD_PRIORITY_NORMAL; }

HANDLE CreateEvent(LPSECURITY_ATTRIBUTES /*security*/, BOOL manualReset, BOOL initialState, LPCWSTR name) {
  if (name && *name) {
    std::lock_guard<std::mutex> guard(g_namesLock);
    auto& names = EventNames();
    auto it = names.find(name);
    if (it != names.end()) {
      if (auto existing = it->second.lock()) {
        HANDLE handle = AddHandle(existing);
        SetLastError(ERROR_ALREADY_EXISTS);
        return handle;
      }
    }
    auto event = std::make_shared<EventObject>(manualReset != 0, initialState != 0);
    names[name] = event;
    HANDLE handle = AddHandle(event);
    SetLastError(ERROR_SUCCESS);
    return handle;
  }
  HANDLE handle = AddHandle(std::make_shared<EventObject>(manualReset != 0, initialState != 0));
  SetLastError(ERROR_SUCCESS);
  return handle;
}

HANDLE OpenEvent(DWORD /*access*/, BOOL /*inherit*/, LPCWSTR name) {
  if (!name || !*name) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  std::lock_guard<std::mutex> guard(g_namesLock);
  auto& names = EventNames();
  auto it = names.find(name);
  if (it != names.end()) {
    if (auto existing = it->second.lock()) return AddHandle(existing);
    names.erase(it);
  }
  SetLastError(ERROR_FILE_NOT_FOUND);
  return nullptr;
}

BOOL SetEvent(HANDLE event) {
  auto e = FindHandleAs<EventObject>(event, Object::Type::Event);
  if (!e) return FALSE;
  e->Signal();
  return TRUE;
}

BOOL ResetEvent(HANDLE event) {
  auto e = FindHandleAs<EventObject>(event, Object::Type::Event);
  if (!e) return FALSE;
  e->Reset();
  return TRUE;
}

DWORD WaitForMultipleObjects(DWORD count, const HANDLE* objects, BOOL waitAll, DWORD timeoutMs) {
  if (count == 0 || count > MAXIMUM_WAIT_OBJECTS || !objects) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return WAIT_FAILED;
  }
  std::shared_ptr<Waitable> held[MAXIMUM_WAIT_OBJECTS];
  for (DWORD i = 0; i < count; ++i) {
    held[i] = WaitableOf(objects[i]);
    if (!held[i]) return WAIT_FAILED;
  }
  auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  std::unique_lock<std::mutex> lock(WaitLock());
  for (;;) {
    if (waitAll) {
      bool all = true;
      for (DWORD i = 0; i < count && all; ++i) all = held[i]->signalledLocked();
      if (all) {
        for (DWORD i = 0; i < count; ++i) held[i]->consumeLocked();
        return WAIT_OBJECT_0;
      }
    } else {
      for (DWORD i = 0; i < count; ++i) {
        if (held[i]->signalledLocked()) {
          held[i]->consumeLocked();
          return WAIT_OBJECT_0 + i;
        }
      }
    }
    if (timeoutMs == 0) return WAIT_TIMEOUT;
    if (timeoutMs == INFINITE) {
      WaitChanged().wait(lock);
    } else if (WaitChanged().wait_until(lock, deadline) == std::cv_status::timeout &&
               std::chrono::steady_clock::now() >= deadline) {
      // One last look: the state may have changed just as the time ran out.
      timeoutMs = 0;
    }
  }
}

DWORD WaitForSingleObject(HANDLE object, DWORD timeoutMs) {
  return WaitForMultipleObjects(1, &object, FALSE, timeoutMs);
}

void InitializeCriticalSection(LPCRITICAL_SECTION section) { new (section->opaque) std::recursive_mutex; }

void DeleteCriticalSection(LPCRITICAL_SECTION section) { LockOf(section)->~recursive_mutex(); }
void EnterCriticalSection(LPCRITICAL_SECTION section) { LockOf(section)->lock(); }
void LeaveCriticalSection(LPCRITICAL_SECTION section) { LockOf(section)->unlock(); }
BOOL TryEnterCriticalSection(LPCRITICAL_SECTION section) { return LockOf(section)->try_lock() ? TRUE : FALSE; }
