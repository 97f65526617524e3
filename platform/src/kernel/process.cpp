// Processes: programs of the device root started as child processes.
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <thread>
#include <vector>

#include "kernel/internal.h"

extern char** environ;

namespace plat::kernel {
namespace {

class ProcessObject : public Waitable {
 public:
  explicit ProcessObject(pid_t pid) : Waitable(Type::Process, false, false), pid(pid) {}
  pid_t pid;
  std::mutex lock;          // orders TerminateProcess against the reaping of the child
  bool reaped = false;      // guarded by lock
  bool terminated = false;  // guarded by lock
  DWORD terminateCode = 0;  // guarded by lock
  std::atomic<DWORD> exitCode{STILL_ACTIVE};
};

// Waits for the child to end, then reaps it (no zombie stays behind). The child is reaped under
// the object's lock, so TerminateProcess never signals a process number already given to another.
void Reap(std::shared_ptr<ProcessObject> process) {
  siginfo_t info;
  while (waitid(P_PID, static_cast<id_t>(process->pid), &info, WEXITED | WNOWAIT) != 0 && errno == EINTR) {
  }
  DWORD code;
  {
    std::lock_guard<std::mutex> guard(process->lock);
    int status = 0;
    while (waitpid(process->pid, &status, 0) < 0 && errno == EINTR) {
    }
    process->reaped = true;
    if (process->terminated)
      code = process->terminateCode;
    else if (WIFEXITED(status))
      code = static_cast<DWORD>(WEXITSTATUS(status));
    else
      code = 0xC0000000u | static_cast<DWORD>(WTERMSIG(status));  // ended by a signal
  }
  process->exitCode = code;
  process->Signal();
}

bool IsProgramFile(const std::string& host) {
  FILE* f = std::fopen(host.c_str(), "rbe");
  if (!f) return false;
  char magic[4] = {};
  size_t n = std::fread(magic, 1, 4, f);
  std::fclose(f);
  return n == 4 && std::memcmp(magic,
                               "\x7f"
                               "ELF",
                               4) == 0;
}

}  // namespace
}  // namespace plat::kernel

using namespace plat::kernel;

BOOL CreateProcess(LPCWSTR application, LPWSTR commandLine, LPSECURITY_ATTRIBUTES, LPSECURITY_ATTRIBUTES,
                   BOOL /*inheritHandles*/, DWORD /*flags*/, LPVOID /*environment*/, LPCWSTR /*currentDirectory*/,
                   LPSTARTUPINFO /*startup*/, LPPROCESS_INFORMATION info) {
  bool commandIsProgram = !application || !*application;
  LPCWSTR program = commandIsProgram ? commandLine : application;
  std::string host;
  if (!DevicePathArg(program, host)) return FALSE;
  struct stat st;
  if (stat(host.c_str(), &st) != 0) {
    SetLastError(FileError(errno, host));
    return FALSE;
  }
  if (S_ISDIR(st.st_mode)) {
    SetLastError(ERROR_ACCESS_DENIED);
    return FALSE;
  }
  if (!IsProgramFile(host)) {
    SetLastError(ERROR_BAD_EXE_FORMAT);
    return FALSE;
  }
  std::string argument = !commandIsProgram && commandLine ? plat::ToUtf8(commandLine) : std::string();
  std::vector<char*> argv{host.data()};
  if (!argument.empty()) argv.push_back(argument.data());
  argv.push_back(nullptr);

  // The child sees the same device root as this process, whatever its environment said.
  std::string rootVariable = "LARKSPIN_ROOT=" + plat::DeviceRoot();
  std::vector<char*> envp;
  for (char** e = environ; e && *e; ++e)
    if (std::strncmp(*e, "LARKSPIN_ROOT=", 14) != 0) envp.push_back(*e);
  envp.push_back(rootVariable.data());
  envp.push_back(nullptr);

  pid_t pid = 0;
  int rc = posix_spawn(&pid, host.c_str(), nullptr, nullptr, argv.data(), envp.data());
  if (rc != 0) {
    SetLastError(rc == ENOEXEC ? ERROR_BAD_EXE_FORMAT : FileError(rc, host));
    return FALSE;
  }
  auto process = std::make_shared<ProcessObject>(pid);
  std::thread(Reap, process).detach();
  if (info) {
    info->hProcess = AddHandle(process);
    info->hThread = AddHandle(process);
    info->dwProcessId = static_cast<DWORD>(pid);
    info->dwThreadId = static_cast<DWORD>(pid);
  }
  SetLastError(ERROR_SUCCESS);
  return TRUE;
}

BOOL TerminateProcess(HANDLE process, UINT exitCode) {
  if (process == GetCurrentProcess()) ExitProcess(exitCode);
  auto p = FindHandleAs<ProcessObject>(process, Object::Type::Process);
  if (!p) return FALSE;
  std::lock_guard<std::mutex> guard(p->lock);
  if (p->reaped) {
    SetLastError(ERROR_ACCESS_DENIED);
    return FALSE;
  }
  p->terminated = true;
  p->terminateCode = exitCode;
  kill(p->pid, SIGKILL);
  return TRUE;
}

BOOL GetExitCodeProcess(HANDLE process, LPDWORD exitCode) {
  auto p = FindHandleAs<ProcessObject>(process, Object::Type::Process);
  if (!p) return FALSE;
  if (!exitCode) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  *exitCode = p->exitCode;
  return TRUE;
}

HANDLE GetCurrentProcess() { return reinterpret_cast<HANDLE>(static_cast<intptr_t>(-1)); }

void ExitProcess(UINT exitCode) {
  std::fflush(nullptr);
  std::exit(static_cast<int>(exitCode));
}
