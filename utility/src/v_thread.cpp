// Worker thread base class and the set wait.
#include "glimmet/v_thread.h"

#include <new>
#include <vector>

int wait_multy_handle(const HANDLE* handles, int count, DWORD timeoutMs) {
  if (!handles || count < 1) return -1;
  const bool finite = timeoutMs != INFINITE;
  int64_t remaining = timeoutMs;
  for (int first = 0; first < count; first += MAXIMUM_WAIT_OBJECTS) {
    const int n = count - first < MAXIMUM_WAIT_OBJECTS ? count - first : MAXIMUM_WAIT_OBJECTS;
    const DWORD started = GetTickCount();
    DWORD r = WaitForMultipleObjects(static_cast<DWORD>(n), handles + first, TRUE,
                                     finite ? static_cast<DWORD>(remaining) : INFINITE);
    if (r == WAIT_TIMEOUT) return WAIT_TIMEOUT;
    if (r == WAIT_FAILED || r >= WAIT_OBJECT_0 + static_cast<DWORD>(n)) return -1;
    if (finite) {
      // A spent time-out still looks at the remaining groups once (a zero wait).
      remaining -= static_cast<DWORD>(GetTickCount() - started);  // tick differences survive a wrap
      if (remaining < 0) remaining = 0;
    }
  }
  return 0;
}

V_Thread::V_Thread() { InitializeCriticalSection(&lock_); }

V_Thread::~V_Thread() {
  EnterCriticalSection(&lock_);
  if (handle_) {
    WaitForSingleObject(handle_, INFINITE);
    CloseHandle(handle_);
    handle_ = nullptr;
  }
  LeaveCriticalSection(&lock_);
  DeleteCriticalSection(&lock_);
}

DWORD V_Thread::entry(LPVOID self) { return static_cast<V_Thread*>(self)->run(); }

int V_Thread::start() {
  EnterCriticalSection(&lock_);
  int result;
  if (handle_) {
    result = -2;
  } else {
    DWORD id = 0;
    // The id is stored before the thread can run far: it is created suspended and then released.
    HANDLE h = CreateThread(nullptr, 0, &V_Thread::entry, this, CREATE_SUSPENDED, &id);
    if (!h) {
      result = -1;
    } else {
      handle_ = h;
      id_ = id;
      ResumeThread(h);
      result = 0;
    }
  }
  LeaveCriticalSection(&lock_);
  return result;
}

DWORD V_Thread::suspend() { return handle_ ? SuspendThread(handle_) : 0xFFFFFFFFu; }
DWORD V_Thread::resume() { return handle_ ? ResumeThread(handle_) : 0xFFFFFFFFu; }
DWORD V_Thread::join(DWORD timeoutMs) { return handle_ ? WaitForSingleObject(handle_, timeoutMs) : WAIT_FAILED; }

int V_Thread::JOIN_ALL(V_Thread* const* threads, int count, DWORD timeoutMs) {
  if (!threads || count < 1) return -1;
  std::vector<HANDLE> handles;
  try {
    handles.reserve(static_cast<size_t>(count));
  } catch (const std::bad_alloc&) {
    return -1;
  }
  for (int i = 0; i < count; ++i)
    if (threads[i] && threads[i]->handle_) handles.push_back(threads[i]->handle_);
  if (handles.empty()) return 0;
  return wait_multy_handle(handles.data(), static_cast<int>(handles.size()), timeoutMs);
}

int V_Thread::JOIN_ALL(V_Thread* first, int count, int stride, DWORD timeoutMs) {
  if (!first || count < 1 || stride < static_cast<int>(sizeof(V_Thread))) return -1;
  std::vector<V_Thread*> objects;
  try {
    objects.reserve(static_cast<size_t>(count));
  } catch (const std::bad_alloc&) {
    return -1;
  }
  auto* base = reinterpret_cast<char*>(first);
  for (int i = 0; i < count; ++i)
    objects.push_back(reinterpret_cast<V_Thread*>(base + static_cast<size_t>(i) * stride));
  return JOIN_ALL(objects.data(), count, timeoutMs);
}
