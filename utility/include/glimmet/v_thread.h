// Base class of the library's worker threads, and waits on any number of handles.
#pragma once

#include "plat/windows.h"

// Waits until every handle is signalled: 0 when all are, WAIT_TIMEOUT (258) when the time-out
// runs out (at once for a time-out of 0 unless all are already signalled), -1 on failure or for
// a NULL array or a count below 1. Handles are waited on in groups of at most 64; with a finite
// time-out the time spent is measured on the monotonic clock and taken from what remains.
int wait_multy_handle(const HANDLE* handles, int count, DWORD timeoutMs);

// A derived class implements run(); start() runs it on a new platform thread whose exit code is
// run's result. The derived class must make run() return before the base destructor runs: the
// destructor waits for the thread without limit.
class V_Thread {
 public:
  V_Thread();
  virtual ~V_Thread();
  V_Thread(const V_Thread&) = delete;
  V_Thread& operator=(const V_Thread&) = delete;

  // 0 started, -1 creation failed, -2 the object already has a thread (nothing started).
  int start();
  // The platform's previous suspend count, or its failure value (0xFFFFFFFF).
  DWORD suspend();
  DWORD resume();
  // The platform's wait result: 0 when the thread has ended, 258 on time-out; WAIT_FAILED
  // (0xFFFFFFFF) when there is no thread.
  DWORD join(DWORD timeoutMs = INFINITE);
  HANDLE get_thread_handle() const { return handle_; }
  DWORD get_thread_id() const { return id_; }

  // Waits until every started thread of the array has ended (wait_multy_handle's result);
  // -1 for a NULL array, a count below 1 or no memory. Objects without a thread are skipped.
  static int JOIN_ALL(V_Thread* const* threads, int count, DWORD timeoutMs);
  // The same for `count` objects laid out `stride` bytes apart from `first` (an array of objects
  // of a derived class); -1 also for a stride smaller than the base object.
  static int JOIN_ALL(V_Thread* first, int count, int stride, DWORD timeoutMs);

 protected:
  virtual DWORD run() = 0;

 private:
  static DWORD entry(LPVOID self);

  HANDLE handle_ = nullptr;
  DWORD id_ = 0;
  CRITICAL_SECTION lock_;
};
