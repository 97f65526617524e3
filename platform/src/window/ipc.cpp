// Messages between the processes of one device root.
//
// Each process that creates windows takes a slot number from <root>/run/windows.next (under a
// file lock); its window handles carry the slot in their top 12 bits, so any process can tell
// which process owns a handle. The process listens on a Unix-domain socket named after the device
// root and the slot (abstract namespace: nothing is left behind when the process ends). A
// per-process server thread reads requests (send, post, show, queries) and forwards sends into
// the owner thread's queue as sent messages; the owner thread answers on the connection once it
// has handled the message. A sender waits for that answer while it keeps handling messages sent
// to its own windows; a peer that has ended closes the connection (or refuses it), which makes
// the call fail at once.
#include <fcntl.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>

#include "window/wm_internal.h"

namespace plat::wm {

namespace {

constexpr uint32_t kMagic = 0x4C4B5731;  // "LKW1"
constexpr uint32_t kMaxSlot = 4094;

struct Request {
  uint32_t magic;
  uint32_t op;
  uint32_t hwnd;
  uint32_t msg;
  uint64_t wParam;
  int64_t lParam;
  uint32_t senderPid;
  uint32_t reserved;
};

struct Reply {
  int64_t result;
  uint32_t ok;
  uint32_t tid;
  uint32_t pid;
  uint32_t reserved;
};

std::thread* g_server = nullptr;  // never destroyed: stopped (joined) by StopServer or at exit
int g_listenFd = -1;
int g_stopFd = -1;

std::string RootKey(const std::string& runDir) {
  char real[4096];
  std::string path = realpath(runDir.c_str(), real) ? std::string(real) : runDir;
  uint64_t h = 1469598103934665603ull;
  for (unsigned char c : path) h = (h ^ c) * 1099511628211ull;
  char buf[32];
  snprintf(buf, sizeof buf, "%016llx", static_cast<unsigned long long>(h));
  return buf;
}

socklen_t SocketAddress(const std::string& runDir, uint32_t slot, sockaddr_un* addr) {
  std::memset(addr, 0, sizeof *addr);
  addr->sun_family = AF_UNIX;
  std::string name = "larkspin-wm/" + RootKey(runDir) + "/" + std::to_string(slot);
  addr->sun_path[0] = 0;
  std::memcpy(addr->sun_path + 1, name.data(), name.size());
  return static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + 1 + name.size());
}

bool WriteAll(int fd, const void* data, size_t n) {
  const char* p = static_cast<const char*>(data);
  while (n > 0) {
    ssize_t r = send(fd, p, n, MSG_NOSIGNAL);
    if (r < 0 && errno == EINTR) continue;
    if (r <= 0) return false;
    p += r;
    n -= static_cast<size_t>(r);
  }
  return true;
}

bool ReadAll(int fd, void* data, size_t n) {
  char* p = static_cast<char*>(data);
  while (n > 0) {
    ssize_t r = recv(fd, p, n, 0);
    if (r < 0 && errno == EINTR) continue;
    if (r <= 0) return false;
    p += r;
    n -= static_cast<size_t>(r);
  }
  return true;
}

void Answer(int fd, LRESULT result, bool ok, DWORD tid = 0, DWORD pid = 0) {
  Reply rep{static_cast<int64_t>(result), ok ? 1u : 0u, tid, pid, 0};
  WriteAll(fd, &rep, sizeof rep);
  close(fd);
}

void Serve(int conn) {
  timeval tv{2, 0};
  setsockopt(conn, SOL_SOCKET, SO_RCVTIMEO, &tv, sizeof tv);
  Request req;
  if (!ReadAll(conn, &req, sizeof req) || req.magic != kMagic) {
    close(conn);
    return;
  }
  auto& g = G();
  Lock l(g.m);
  auto w = Find(req.hwnd);
  switch (req.op) {
    case OpIsWindow: Answer(conn, w ? 1 : 0, true); return;
    case OpIsVisible: Answer(conn, w && VisibleChain(*w) ? 1 : 0, true); return;
    case OpThread: Answer(conn, w ? 1 : 0, true, w ? w->queue->tid : 0, CurrentProcessId()); return;
    case OpPost:
      l.unlock();
      if (req.msg == WM_PLAT_DEVICE_INPUT) {
        // Input from the desktop window, shown by another program of the device root.
        DeviceInput(static_cast<WPARAM>(req.wParam), static_cast<LPARAM>(req.lParam));
        Answer(conn, 1, true);
        return;
      }
      Answer(conn, PostMessage(req.hwnd, req.msg, static_cast<WPARAM>(req.wParam), static_cast<LPARAM>(req.lParam)),
             true);
      return;
    case OpNotify:
    case OpSend:
    case OpShow: {
      if (!w || !w->queue->alive) {
        Answer(conn, 0, false);
        return;
      }
      auto* s = new SentMsg;
      s->kind = req.op == OpShow ? SentMsg::ShowWindowCall : SentMsg::Message;
      s->hwnd = req.hwnd;
      s->msg = req.msg;
      s->wParam = static_cast<WPARAM>(req.wParam);
      s->lParam = static_cast<LPARAM>(req.lParam);
      if (req.op == OpNotify) {
        s->kind = SentMsg::Notify;
        Answer(conn, 1, true);
      } else {
        s->replyFd = conn;
      }
      w->queue->sent.push_back(s);
      Wake(*w->queue);
      return;
    }
    default: Answer(conn, 0, false); return;
  }
}

bool FromSameUser(int conn) {
  ucred cred{};
  socklen_t len = sizeof cred;
  return getsockopt(conn, SOL_SOCKET, SO_PEERCRED, &cred, &len) == 0 && cred.uid == getuid();
}

void ServerLoop(int listenFd, int stopFd) {
  for (;;) {
    pollfd fds[2] = {{listenFd, POLLIN, 0}, {stopFd, POLLIN, 0}};
    if (poll(fds, 2, -1) < 0) {
      if (errno == EINTR) continue;
      return;
    }
    if (fds[1].revents) return;
    if (fds[0].revents & POLLIN) {
      int conn = accept4(listenFd, nullptr, nullptr, SOCK_CLOEXEC);
      if (conn >= 0 && !FromSameUser(conn)) {
        // Only the programs of the user running the system may send messages to its windows
        // (the sockets are abstract: no file permission guards them).
        ::close(conn);
        continue;
      }
      if (conn >= 0) Serve(conn);
    }
  }
}

}  // namespace

void RemoteReply(int fd, LRESULT result, bool ok) { Answer(fd, result, ok); }

// Only integers cross between processes. Below WM_USER, the messages that carry no pointer may
// cross; the others (WM_SETTEXT, WM_GETTEXT, WM_NOTIFY, WM_DRAWITEM, ...) are refused, because
// the address would be read or written in the other process's memory.
bool MayCrossProcesses(UINT msg) {
  if (msg >= WM_USER) return true;
  switch (msg) {
    case WM_NULL:
    case WM_CLOSE:
    case WM_QUIT:
    case WM_COMMAND:
    case WM_SYSCOMMAND:
    case WM_TIMER:
    case WM_SHOWWINDOW:
    case WM_ACTIVATE:
    case WM_ENABLE:
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
    case WM_SETREDRAW:
    case WM_CANCELMODE:
    case WM_KEYDOWN:
    case WM_KEYUP:
    case WM_CHAR:
    case WM_MOUSEMOVE:
    case WM_LBUTTONDOWN:
    case WM_LBUTTONUP:
    case WM_LBUTTONDBLCLK:
    case WM_HSCROLL:
    case WM_VSCROLL:
    case WM_ACTIVATEAPP:
    case WM_GETTEXTLENGTH:
    case WM_POWER:
    case WM_TIMECHANGE:
    case WM_HOTKEY: return true;
    default: return false;
  }
}

// Takes the next free slot: one whose socket name nobody holds (after 4094 processes in one run
// the numbers wrap, and a slot still held by a live process is passed over).
static bool BindSlot(const std::string& runDir, uint32_t slot, int* fdOut) {
  int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return false;
  sockaddr_un addr;
  socklen_t len = SocketAddress(runDir, slot, &addr);
  if (bind(fd, reinterpret_cast<sockaddr*>(&addr), len) == 0 && listen(fd, 64) == 0) {
    *fdOut = fd;
    return true;
  }
  close(fd);
  return false;
}

bool EnsureProcessSlot() {
  auto& g = G();
  Lock l(g.m);
  if (g.slot) return false;
  g.runDir = RunDir();
  std::string lockPath = g.runDir + "/windows.lock";
  int lf = open(lockPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
  if (lf >= 0) flock(lf, LOCK_EX);
  uint32_t slot = 1;
  std::string nextPath = g.runDir + "/windows.next";
  if (FILE* f = fopen(nextPath.c_str(), "r")) {
    unsigned v = 0;
    if (fscanf(f, "%u", &v) == 1 && v >= 1 && v <= kMaxSlot) slot = v;
    fclose(f);
  }
  int fd = -1;
  for (uint32_t tries = 0; tries < kMaxSlot; ++tries) {
    if (BindSlot(g.runDir, slot, &fd)) break;
    slot = slot >= kMaxSlot ? 1 : slot + 1;
  }
  if (FILE* f = fopen(nextPath.c_str(), "w")) {
    fprintf(f, "%u\n", slot >= kMaxSlot ? 1u : slot + 1);
    fclose(f);
  }
  std::string procPath = g.runDir + "/proc." + std::to_string(slot);
  if (FILE* f = fopen(procPath.c_str(), "w")) {
    fprintf(f, "%u\n", static_cast<unsigned>(CurrentProcessId()));
    fclose(f);
  }
  if (lf >= 0) {
    flock(lf, LOCK_UN);
    close(lf);
  }
  g.slot = slot;
  g.counter = 0;
  if (fd >= 0) {
    g_listenFd = fd;
    g_stopFd = eventfd(0, EFD_CLOEXEC);
    g_server = new std::thread(ServerLoop, g_listenFd, g_stopFd);
    static bool atExit = false;
    if (!atExit) {
      atExit = true;
      std::atexit([] { StopServer(); });
    }
  }
  return true;
}

void StopServer() {
  if (g_server) {
    uint64_t one = 1;
    ssize_t r = write(g_stopFd, &one, sizeof one);
    (void)r;
    g_server->join();
    delete g_server;
    g_server = nullptr;
  }
  if (g_listenFd >= 0) close(g_listenFd);
  if (g_stopFd >= 0) close(g_stopFd);
  g_listenFd = g_stopFd = -1;
}

DWORD PidOfSlot(uint32_t slot) {
  auto& g = G();
  std::string dir = g.runDir.empty() ? RunDir() : g.runDir;
  unsigned v = 0;
  if (FILE* f = fopen((dir + "/proc." + std::to_string(slot)).c_str(), "r")) {
    if (fscanf(f, "%u", &v) != 1) v = 0;
    fclose(f);
  }
  return v;
}

bool RemoteCall(HWND h, uint32_t op, UINT msg, WPARAM wp, LPARAM lp, LRESULT* result, DWORD* tid, DWORD* pid) {
  if (result) *result = 0;
  uint32_t slot = SlotOf(h);
  if (slot == 0 || slot > kMaxSlot) return false;
  if ((op == OpSend || op == OpPost || op == OpNotify) && !MayCrossProcesses(msg)) return false;
  std::string runDir;
  {
    auto& g = G();
    Lock l(g.m);
    if (g.runDir.empty()) g.runDir = RunDir();
    runDir = g.runDir;
  }
  int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return false;
  sockaddr_un addr;
  socklen_t len = SocketAddress(runDir, slot, &addr);
  if (connect(fd, reinterpret_cast<sockaddr*>(&addr), len) != 0) {
    close(fd);
    return false;
  }
  Request req{kMagic,
              op,
              h,
              msg,
              static_cast<uint64_t>(wp),
              static_cast<int64_t>(lp),
              static_cast<uint32_t>(CurrentProcessId()),
              0};
  if (!WriteAll(fd, &req, sizeof req)) {
    close(fd);
    return false;
  }
  // Keep handling what is sent to this thread's windows while the peer works on the request.
  WaitWhileHandlingSent([] { return false; }, fd, -1);
  Reply rep{};
  bool ok = ReadAll(fd, &rep, sizeof rep);
  close(fd);
  if (!ok) return false;
  if (result) *result = static_cast<LRESULT>(rep.result);
  if (tid) *tid = rep.tid;
  if (pid) *pid = rep.pid;
  return rep.ok != 0;
}

}  // namespace plat::wm

namespace plat::win {

std::string RunFolder() {
  auto& g = wm::G();
  wm::Lock l(g.m);
  return g.slot ? g.runDir : std::string();
}

void LogEvent(const char* kind, const std::string& fields) {
  std::string dir;
  {
    auto& g = wm::G();
    wm::Lock l(g.m);
    if (g.runDir.empty()) g.runDir = wm::RunDir();
    dir = g.runDir;
  }
  std::string line =
      std::to_string(wm::NowMs()) + "\t" + std::to_string(wm::CurrentProcessId()) + "\t" + kind + "\t" + fields + "\n";
  int fd = open((dir + "/events.log").c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
  if (fd < 0) return;
  ssize_t r = write(fd, line.data(), line.size());
  (void)r;
  close(fd);
}

}  // namespace plat::win
