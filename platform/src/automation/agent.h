// The process side of automation: running work on a user-interface thread and carrying out the
// commands of the command language. Shared by the endpoint (commands from other processes) and
// the in-process driver.
#pragma once

#include <atomic>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "plat/automation.h"

namespace plat::automation::detail {

// Runs `fn` on the user-interface thread `tid`, queued behind the messages already posted to it,
// and waits for it. False when the thread did not get to it within `timeoutMs` (it then never
// runs). The caller must not be thread `tid` itself.
bool RunOnUi(DWORD tid, const std::function<void()>& fn, int timeoutMs);

// Queues `fn` for thread `tid` without waiting. The state goes 0 (queued), 1 (running), 2 (done);
// null when the thread has no queue.
std::shared_ptr<std::atomic<int>> PostToUi(DWORD tid, std::function<void()> fn);
// The process is ending: every wait for a job gives up at once.
void AbortWaits();
// Registers the process for automation in the run folder of its windows, at once, when it is not
// registered there yet (nothing when the endpoint is off). Called when the process first takes its
// place among the device root's windows, so the registration is in place before the window
// creation returns, not written later by the endpoint's thread beside whatever the program does next.
void RegisterNow();

// Waits until thread `tid` has no posted, sent, paint or due timer message left.
bool SettleThread(DWORD tid, int timeoutMs);

struct Context {
  DWORD uiThread = 0;  // the thread for process-wide work when no window names one
  int settleTimeoutMs = 5000;
  std::function<void(uint32_t)> advance;  // moves the clock ("advance" command); null: refused
};

// Carries out one command (already split into words).
Result Execute(const std::vector<std::string>& words, const Context& ctx);

// The program's file name ("VXMain.exe").
std::string ProgramName();

}  // namespace plat::automation::detail
