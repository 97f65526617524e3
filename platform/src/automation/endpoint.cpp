// The automation endpoint of a process and the client side of it.
//
// A process registers when it creates its first window: it writes "<device root>/run/auto/<program>-<pid>"
// (one line: pid, program name and the name of an abstract Unix-domain socket, tab-separated) and
// serves that socket from a thread of its own. Abstract sockets leave nothing behind and are not
// limited by the length of the device root's path. The registration file is removed at exit; a
// client removes the files of processes that ended without it.
//
// Wire form: the client sends one command line ended by '\n'; the endpoint answers
//   "OK <n>\n" followed by n lines, or "ERR <reason>\n", or "TIMEOUT <reason>\n",
// and closes the connection. Each connection is served by a thread of its own.
#include <dirent.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <mutex>
#include <thread>

#include "automation/agent.h"
#include "plat/kernel.h"
#include "window/wm_internal.h"

namespace plat::automation {

namespace {

constexpr size_t kMaxCommand = 64 * 1024;
constexpr int kMaxConnections = 16;

socklen_t Address(const std::string& name, sockaddr_un* addr) {
  std::memset(addr, 0, sizeof *addr);
  addr->sun_family = AF_UNIX;
  size_t n = std::min(name.size(), sizeof addr->sun_path - 2);
  std::memcpy(addr->sun_path + 1, name.data(), n);
  return static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + 1 + n);
}

bool SendAll(int fd, const std::string& s) {
  const char* p = s.data();
  size_t n = s.size();
  while (n > 0) {
    ssize_t r = send(fd, p, n, MSG_NOSIGNAL);
    if (r < 0 && errno == EINTR) continue;
    if (r <= 0) return false;
    p += r;
    n -= static_cast<size_t>(r);
  }
  return true;
}

std::string OneLine(std::string s) {
  for (char& c : s)
    if (c == '\n' || c == '\r') c = ' ';
  return s;
}

// State of this process's endpoint. Never destroyed: the exit handler and the thread use it.
struct Endpoint {
  std::mutex m;
  std::thread* thread = nullptr;
  int stopFd = -1;
  int listenFd = -1;
  std::string runDir;  // where the registration lives
  std::string file;
  std::string socketName;
  std::atomic<bool> stopping{false};
  // Connections being served, each on a thread of its own (a long wait does not hold up others).
  int active = 0;
  std::condition_variable idle;
};

Endpoint& E() {
  static auto* e = new Endpoint;
  return *e;
}

// The run folder of the process's windows ("" while it has none).
std::string WindowRunDir() {
  auto& g = plat::wm::G();
  plat::wm::Lock l(g.m);
  return g.slot ? g.runDir : std::string();
}

// Abstract sockets carry no file permissions: only processes of the same user may drive this one.
bool SameUser(int conn) {
  ucred cred{};
  socklen_t len = sizeof cred;
  if (getsockopt(conn, SOL_SOCKET, SO_PEERCRED, &cred, &len) != 0) return false;
  return cred.uid == getuid();
}

void Serve(int conn) {
  timeval tv{2, 0};
  setsockopt(conn, SOL_SOCKET, SO_RCVTIMEO, &tv, sizeof tv);
  std::string line;
  char buf[4096];
  while (line.find('\n') == std::string::npos && line.size() < kMaxCommand) {
    ssize_t r = recv(conn, buf, sizeof buf, 0);
    if (r < 0 && errno == EINTR) continue;
    if (r <= 0) break;
    line.append(buf, static_cast<size_t>(r));
  }
  size_t nl = line.find('\n');
  if (nl == std::string::npos) {
    SendAll(conn, "ERR the command line is missing or too long\n");
    return;
  }
  line.resize(nl);
  if (!SameUser(conn)) {
    SendAll(conn, "ERR refused: another user\n");
    return;
  }
  detail::Context ctx;
  Result r = detail::Execute(SplitCommand(line), ctx);
  std::string out;
  if (r.ok) {
    out = "OK " + std::to_string(r.lines.size()) + "\n";
    for (auto& l : r.lines) out += OneLine(l) + "\n";
  } else {
    out = std::string(r.timedOut ? "TIMEOUT " : "ERR ") + OneLine(r.error) + "\n";
  }
  SendAll(conn, out);
}

void Unregister(Endpoint& e) {
  if (e.listenFd >= 0) close(e.listenFd);
  e.listenFd = -1;
  if (!e.file.empty()) {
    // The exit is logged before the registration goes: whoever sees the program gone from the
    // registrations finds its exit in the event log.
    plat::win::LogEvent("program-exit", detail::ProgramName());
    unlink(e.file.c_str());
  }
  e.file.clear();
  e.runDir.clear();
}

// Takes the socket and writes the registration file under `runDir`.
bool Register(Endpoint& e, const std::string& runDir) {
  int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return false;
  static std::atomic<unsigned> serial{0};
  std::string name = "larkspin-auto/" + std::to_string(getpid()) + "/" + std::to_string(++serial) + "/" +
                     std::to_string(std::chrono::steady_clock::now().time_since_epoch().count());
  sockaddr_un addr;
  socklen_t len = Address(name, &addr);
  if (bind(fd, reinterpret_cast<sockaddr*>(&addr), len) != 0 || listen(fd, 16) != 0) {
    close(fd);
    return false;
  }
  std::string dir = runDir + "/auto";
  mkdir(dir.c_str(), 0755);
  std::string program = detail::ProgramName();
  std::string file = dir + "/" + program + "-" + std::to_string(getpid());
  std::string tmp = file + ".tmp";
  {
    std::ofstream out(tmp, std::ios::trunc);
    out << getpid() << "\t" << program << "\t" << name << "\n";
    if (!out) {
      close(fd);
      return false;
    }
  }
  if (rename(tmp.c_str(), file.c_str()) != 0) {
    unlink(tmp.c_str());
    close(fd);
    return false;
  }
  // Unregistered at exit, before the objects the program made since its first window are gone.
  static std::once_flag atExit;
  std::call_once(atExit, [] {
    std::atexit([] {
      detail::AbortWaits();
      StopEndpoint();
    });
  });
  e.listenFd = fd;
  e.socketName = name;
  e.file = file;
  e.runDir = runDir;
  plat::win::LogEvent("program-start", program);
  return true;
}

// Brings the registration in line with the windows' run folder. The folder is read under the
// endpoint's lock: one read before it could be of a device root left since (and perhaps removed),
// registered over a newer registration.
void Follow(Endpoint& e) {
  std::string want = WindowRunDir();
  if (!want.empty() && want != e.runDir) {
    Unregister(e);
    Register(e, want);
  }
}

// The endpoint's thread: answers commands, and registers the process where its window creation
// did not (a registration that failed is tried again every 20 ms).
void Loop() {
  auto& e = E();
  for (;;) {
    int listenFd;
    {
      std::lock_guard<std::mutex> l(e.m);
      Follow(e);
      listenFd = e.listenFd;
    }
    pollfd fds[2] = {{e.stopFd, POLLIN, 0}, {listenFd, POLLIN, 0}};
    int r = poll(fds, listenFd >= 0 ? 2 : 1, 20);
    if (r < 0 && errno != EINTR) return;
    if (r > 0 && fds[0].revents) return;
    if (r > 0 && listenFd >= 0 && (fds[1].revents & POLLIN)) {
      int conn = accept4(listenFd, nullptr, nullptr, SOCK_CLOEXEC);
      if (conn < 0) continue;
      {
        std::lock_guard<std::mutex> l(e.m);
        if (e.active >= kMaxConnections) {
          SendAll(conn, "ERR too many commands at once\n");
          close(conn);
          continue;
        }
        ++e.active;
      }
      std::thread([conn, &e] {
        Serve(conn);
        close(conn);
        std::lock_guard<std::mutex> l(e.m);
        --e.active;
        e.idle.notify_all();
      }).detach();
    }
  }
}

void StartThread() {
  auto& e = E();
  std::lock_guard<std::mutex> l(e.m);
  if (e.thread) return;
  e.stopping = false;
  e.stopFd = eventfd(0, EFD_CLOEXEC);
  if (e.stopFd < 0) return;
  e.thread = new std::thread(Loop);
}

// Arms the endpoint when the library is loaded: its thread waits for the first window.
struct Arm {
  Arm() {
    const char* env = std::getenv("LARKSPIN_AUTOMATION_ENDPOINT");
    if (env && std::strcmp(env, "0") == 0) return;
    StartThread();
  }
} g_arm;

}  // namespace

namespace detail {

void RegisterNow() {
  auto& e = E();
  std::lock_guard<std::mutex> l(e.m);
  if (!e.thread || e.stopping) return;
  Follow(e);
}

}  // namespace detail

void StartEndpoint() {
  StartThread();
  auto& e = E();
  std::string want = WindowRunDir();
  if (want.empty()) want = plat::DeviceRoot() + "/run";
  std::lock_guard<std::mutex> l(e.m);
  if (e.runDir.empty()) Register(e, want);
}

void StopEndpoint() {
  auto& e = E();
  std::thread* t;
  {
    std::lock_guard<std::mutex> l(e.m);
    t = e.thread;
    e.thread = nullptr;
    e.stopping = true;
  }
  if (t) {
    uint64_t one = 1;
    ssize_t w = write(e.stopFd, &one, sizeof one);
    (void)w;
    t->join();
    delete t;
  }
  std::unique_lock<std::mutex> l(e.m);
  e.idle.wait(l, [&] { return e.active == 0; });  // commands in progress end (waits by their time-outs)
  Unregister(e);
  if (e.stopFd >= 0) close(e.stopFd);
  e.stopFd = -1;
}

std::string EndpointFile() {
  auto& e = E();
  std::lock_guard<std::mutex> l(e.m);
  return e.file;
}

namespace client {

std::vector<Program> ListPrograms(const std::string& deviceRoot) {
  std::vector<Program> out;
  std::string dir = deviceRoot + "/run/auto";
  DIR* d = opendir(dir.c_str());
  if (!d) return out;
  while (dirent* ent = readdir(d)) {
    std::string name = ent->d_name;
    if (name == "." || name == ".." || (name.size() > 4 && name.compare(name.size() - 4, 4, ".tmp") == 0)) continue;
    std::string path = dir + "/" + name;
    std::ifstream in(path);
    std::string line;
    if (!std::getline(in, line)) continue;
    size_t t1 = line.find('\t'), t2 = t1 == std::string::npos ? t1 : line.find('\t', t1 + 1);
    if (t2 == std::string::npos) continue;
    Program p;
    p.pid = std::atoi(line.substr(0, t1).c_str());
    p.name = line.substr(t1 + 1, t2 - t1 - 1);
    p.socketName = line.substr(t2 + 1);
    p.file = path;
    if (p.pid <= 0) continue;
    if (kill(p.pid, 0) != 0 && errno == ESRCH) {
      unlink(path.c_str());  // ended without unregistering
      continue;
    }
    out.push_back(p);
  }
  closedir(d);
  std::sort(out.begin(), out.end(), [](const Program& a, const Program& b) { return a.pid < b.pid; });
  return out;
}

static std::string BaseName(std::string s) {
  for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  if (s.size() > 4 && s.compare(s.size() - 4, 4, ".exe") == 0) s.resize(s.size() - 4);
  return s;
}

bool SelectProgram(const std::string& deviceRoot, const std::string& name, int pid, Program* out, std::string* error) {
  auto all = ListPrograms(deviceRoot);
  std::vector<Program> found;
  for (auto& p : all)
    if ((pid && p.pid == pid) || (!pid && (name.empty() || BaseName(p.name) == BaseName(name)))) found.push_back(p);
  if (found.size() == 1) {
    *out = found[0];
    return true;
  }
  if (found.empty()) {
    *error = all.empty() ? "no program is running in " + deviceRoot : "no such program running in " + deviceRoot;
    return false;
  }
  *error = "several programs match; name one with --program or --pid:";
  for (auto& p : found) *error += " " + p.name + "(" + std::to_string(p.pid) + ")";
  return false;
}

Result Call(const Program& program, const std::string& commandLine, int timeoutMs) {
  Result r;
  int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) {
    r.error = "socket: " + std::string(strerror(errno));
    return r;
  }
  sockaddr_un addr;
  socklen_t len = Address(program.socketName, &addr);
  if (connect(fd, reinterpret_cast<sockaddr*>(&addr), len) != 0) {
    r.error = program.name + " (" + std::to_string(program.pid) + ") does not answer";
    close(fd);
    return r;
  }
  std::string line = commandLine;
  for (char& c : line)
    if (c == '\n') c = ' ';
  // A refusal may come before the whole command has gone out: the answer is read either way.
  bool sent = SendAll(fd, line + "\n");
  std::string in;
  auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  char buf[8192];
  for (;;) {
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - std::chrono::steady_clock::now()).count();
    if (left <= 0) {
      close(fd);
      r.error = program.name + " did not answer in time";
      r.timedOut = true;
      return r;
    }
    pollfd p{fd, POLLIN, 0};
    int pr = poll(&p, 1, static_cast<int>(left));
    if (pr < 0 && errno == EINTR) continue;
    if (pr <= 0) continue;
    ssize_t n = recv(fd, buf, sizeof buf, 0);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    in.append(buf, static_cast<size_t>(n));
  }
  close(fd);
  size_t nl = in.find('\n');
  std::string head = in.substr(0, nl);
  if (head.rfind("OK ", 0) == 0) {
    size_t count = std::strtoul(head.c_str() + 3, nullptr, 10);
    size_t pos = nl == std::string::npos ? in.size() : nl + 1;
    while (r.lines.size() < count && pos < in.size()) {
      size_t e = in.find('\n', pos);
      if (e == std::string::npos) e = in.size();
      r.lines.push_back(in.substr(pos, e - pos));
      pos = e + 1;
    }
    if (r.lines.size() != count) {
      r.error = "the answer of " + program.name + " was cut short";
      r.lines.clear();
      return r;
    }
    r.ok = true;
  } else if (head.rfind("ERR ", 0) == 0) {
    r.error = head.substr(4);
  } else if (head.rfind("TIMEOUT ", 0) == 0) {
    r.error = head.substr(8);
    r.timedOut = true;
  } else {
    r.error = sent ? program.name + " ended before it answered" : "the connection to " + program.name + " broke";
  }
  return r;
}

}  // namespace client

}  // namespace plat::automation
