// The window manager's view of the kernel: device root, clock and thread ids. The kernel's
// functions are used when they are part of the library; the fallbacks keep the window manager
// usable on its own (for example while the kernel is being built).
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <string>

#include "plat/types.h"
#include "window/wm_internal.h"

namespace plat {
std::string DeviceRoot() __attribute__((weak));
namespace clock {
uint64_t NowMs() __attribute__((weak));
bool IsVirtual() __attribute__((weak));
}  // namespace clock
}  // namespace plat
DWORD GetCurrentThreadId() __attribute__((weak));
DWORD GetCurrentProcessId() __attribute__((weak));

namespace plat::wm {

static void MakeDirs(const std::string& path) {
  std::string cur;
  for (size_t i = 0; i < path.size(); ++i) {
    cur += path[i];
    if ((path[i] == '/' && i > 0) || i + 1 == path.size()) mkdir(cur.c_str(), 0755);
  }
}

std::string RunDir() {
  std::string root;
  if (&plat::DeviceRoot) {
    root = plat::DeviceRoot();
  } else if (const char* env = std::getenv("LARKSPIN_ROOT"); env && *env) {
    root = env;
  } else {
    root = "/tmp/larkspin-device";
  }
  while (root.size() > 1 && root.back() == '/') root.pop_back();
  std::string run = root + "/run";
  MakeDirs(run);
  return run;
}

uint64_t NowMs() {
  if (&plat::clock::NowMs) return plat::clock::NowMs();
  return static_cast<uint64_t>(
      std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch())
          .count());
}

bool ClockIsVirtual() { return &plat::clock::IsVirtual ? plat::clock::IsVirtual() : false; }

DWORD CurrentThreadId() {
  if (&::GetCurrentThreadId) return ::GetCurrentThreadId();
  return static_cast<DWORD>(syscall(SYS_gettid));
}

DWORD CurrentProcessId() {
  if (&::GetCurrentProcessId) return ::GetCurrentProcessId();
  return static_cast<DWORD>(getpid());
}

}  // namespace plat::wm
