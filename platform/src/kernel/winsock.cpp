// Windows Sockets over POSIX sockets.
#define PLAT_WINSOCK_NO_NAME_MACROS
#include "plat/winsock.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <unordered_map>

#include "kernel/internal.h"

namespace {

// A socket of the program. SOCKET numbers are the platform's own and never reused, so a
// socket closed by one thread can never be mistaken for a newer one that happens to get the same
// system descriptor. The descriptor itself is closed when the last call using it has returned.
struct Sock {
  explicit Sock(int fd) : fd(fd) {}
  ~Sock() { ::close(fd); }
  const int fd;
  // The fields below are guarded by g_socketsLock: a connect under way, how it ended, whether
  // sending was shut down.
  bool connecting = false;
  bool connectFailed = false;
  bool connected = false;
  bool sendShut = false;
  int pendingError = 0;  // Winsock number given once by getsockopt(SO_ERROR)
};

std::mutex g_socketsLock;
SOCKET g_nextSocket = 0x100;  // guarded by g_socketsLock
std::unordered_map<SOCKET, std::shared_ptr<Sock>>& Sockets() {
  static auto* sockets = new std::unordered_map<SOCKET, std::shared_ptr<Sock>>;
  return *sockets;
}

SOCKET AddSocket(int fd) {
  auto sock = std::make_shared<Sock>(fd);
  std::lock_guard<std::mutex> guard(g_socketsLock);
  SOCKET s = g_nextSocket++;
  if (g_nextSocket == INVALID_SOCKET) g_nextSocket = 0x100;
  Sockets().emplace(s, std::move(sock));
  return s;
}

std::shared_ptr<Sock> FindSocket(SOCKET s) {
  std::lock_guard<std::mutex> guard(g_socketsLock);
  auto it = Sockets().find(s);
  return it == Sockets().end() ? nullptr : it->second;
}

int WinsockError(int err) {
  switch (err) {
    case EWOULDBLOCK:
    case EINPROGRESS: return WSAEWOULDBLOCK;
    case EALREADY: return WSAEALREADY;
    case ECONNREFUSED: return WSAECONNREFUSED;
    case ETIMEDOUT: return WSAETIMEDOUT;
    case ECONNRESET:
    case EPIPE: return WSAECONNRESET;
    case ENOTCONN: return WSAENOTCONN;
    case EBADF:
    case ENOTSOCK: return WSAENOTSOCK;
    case EINVAL: return WSAEINVAL;
    case EHOSTUNREACH: return WSAEHOSTUNREACH;
    case ENETUNREACH: return WSAENETUNREACH;
    case ENETDOWN: return WSAENETDOWN;
    case ENETRESET: return WSAENETRESET;
    case EHOSTDOWN: return WSAEHOSTDOWN;
    case EADDRINUSE: return WSAEADDRINUSE;
    case EADDRNOTAVAIL: return WSAEADDRNOTAVAIL;
    case EAFNOSUPPORT: return WSAEAFNOSUPPORT;
    case EPFNOSUPPORT: return WSAEPFNOSUPPORT;
    case EISCONN: return WSAEISCONN;
    case EMFILE:
    case ENFILE: return WSAEMFILE;
    case ENOBUFS:
    case ENOMEM: return WSAENOBUFS;
    case EACCES:
    case EPERM: return WSAEACCES;
    case EFAULT: return WSAEFAULT;
    case EINTR: return WSAEINTR;
    case ECONNABORTED: return WSAECONNABORTED;
    case EMSGSIZE: return WSAEMSGSIZE;
    case EPROTONOSUPPORT: return WSAEPROTONOSUPPORT;
    case EPROTOTYPE: return WSAEPROTOTYPE;
    case ESOCKTNOSUPPORT: return WSAESOCKTNOSUPPORT;
    case EOPNOTSUPP: return WSAEOPNOTSUPP;
    case ENOPROTOOPT: return WSAENOPROTOOPT;
    case EDESTADDRREQ: return WSAEDESTADDRREQ;
    case ESHUTDOWN: return WSAESHUTDOWN;
    default: return WSAEINVAL;
  }
}

int Fail(int winsockError) {
  WSASetLastError(winsockError);
  return SOCKET_ERROR;
}

int FailErrno() { return Fail(WinsockError(errno)); }

// Winsock's SOL_SOCKET (0xFFFF) and option numbers, for code that spells them itself.
void HostOption(int& level, int& name) {
  if (level != 0xFFFF) return;
  level = SOL_SOCKET;
  switch (name) {
    case 0x0004: name = SO_REUSEADDR; break;
    case 0x0008: name = SO_KEEPALIVE; break;
    case 0x0020: name = SO_BROADCAST; break;
    case 0x0080: name = SO_LINGER; break;
    case 0x1001: name = SO_SNDBUF; break;
    case 0x1002: name = SO_RCVBUF; break;
    case 0x1005: name = SO_SNDTIMEO; break;
    case 0x1006: name = SO_RCVTIMEO; break;
    case 0x1007: name = SO_ERROR; break;
    case 0x1008: name = SO_TYPE; break;
    default: break;
  }
}

struct HostBuffer {
  hostent entry;
  char name[256];
  char* aliases[1];
  char* list[36];
  in_addr addresses[35];
};

bool HostsFileLookup(const char* name, HostBuffer& buffer, int& count) {
  FILE* f = plat::OpenDeviceFile("\\Windows\\hosts", "r");
  if (!f) return false;
  char line[512];
  while (count < 35 && std::fgets(line, sizeof line, f)) {
    if (char* hash = std::strchr(line, '#')) *hash = 0;
    char* save = nullptr;
    char* address = strtok_r(line, " \t\r\n", &save);
    if (!address) continue;
    in_addr parsed;
    if (inet_pton(AF_INET, address, &parsed) != 1) continue;
    while (char* alias = strtok_r(nullptr, " \t\r\n", &save)) {
      if (plat::kernel::SameNoCase(std::string_view(alias), std::string_view(name))) {
        buffer.addresses[count++] = parsed;
        break;
      }
    }
  }
  std::fclose(f);
  return count > 0;
}

}  // namespace

int plat_fd_isset(SOCKET s, const plat_fd_set* set) {
  if (!set) return 0;
  for (unsigned int i = 0; i < set->fd_count && i < FD_SETSIZE; ++i)
    if (set->fd_array[i] == s) return 1;
  return 0;
}

namespace {
std::atomic<int> g_startupFailure{0};
}  // namespace

void PlatFailWSAStartup(int error) { g_startupFailure = error; }

int WSAStartup(WORD versionRequested, LPWSADATA data) {
  if (int failure = g_startupFailure.load()) return failure;
  if (!data) return WSAEFAULT;
  if (LOBYTE(versionRequested) < 1) return WSAVERNOTSUPPORTED;
  std::memset(data, 0, sizeof(*data));
  data->wVersion = LOBYTE(versionRequested) >= 2 ? MAKEWORD(2, 2) : versionRequested;
  data->wHighVersion = MAKEWORD(2, 2);
  std::strcpy(data->szDescription, "Larkspin sockets");
  std::strcpy(data->szSystemStatus, "Running");
  data->iMaxSockets = 1024;
  data->iMaxUdpDg = 65467;
  return 0;
}

int WSACleanup() { return 0; }
int WSAGetLastError() { return static_cast<int>(GetLastError()); }
void WSASetLastError(int error) { SetLastError(static_cast<DWORD>(error)); }

SOCKET plat_socket(int family, int type, int protocol) {
  int fd = ::socket(family, type | SOCK_CLOEXEC, protocol);
  if (fd < 0) {
    FailErrno();
    return INVALID_SOCKET;
  }
  return AddSocket(fd);
}

int closesocket(SOCKET s) {
  std::shared_ptr<Sock> sock;
  {
    std::lock_guard<std::mutex> guard(g_socketsLock);
    auto it = Sockets().find(s);
    if (it == Sockets().end()) return Fail(WSAENOTSOCK);
    sock = std::move(it->second);
    Sockets().erase(it);
  }
  // Another thread waiting in select or recv on this socket wakes up (and then finds the socket
  // gone), as on the handheld; the descriptor closes when its last user lets go.
  if (sock.use_count() > 1) ::shutdown(sock->fd, SHUT_RDWR);
  return 0;
}

#define PLAT_SOCKET_OR_FAIL(sock, s)          \
  std::shared_ptr<Sock> sock = FindSocket(s); \
  if (!sock) return Fail(WSAENOTSOCK)

int plat_connect(SOCKET s, const struct sockaddr* address, int length) {
  PLAT_SOCKET_OR_FAIL(sock, s);
  if (!address || length <= 0) return Fail(WSAEFAULT);
  int fd = sock->fd;
  bool failedBefore = false;
  {
    std::lock_guard<std::mutex> guard(g_socketsLock);
    failedBefore = sock->connectFailed;
    if (sock->connected) return Fail(WSAEISCONN);
    if (sock->connecting) {
      // A connect under way: still going, done (already connected), or failed (try again).
      pollfd p{fd, POLLOUT, 0};
      if (::poll(&p, 1, 0) <= 0) return Fail(WSAEALREADY);
      int error = 0;
      socklen_t size = sizeof error;
      ::getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &size);
      sock->connecting = false;
      if (!error) {
        sock->connected = true;
        return Fail(WSAEISCONN);
      }
      failedBefore = true;
    }
  }
  int rc = ::connect(fd, address, static_cast<socklen_t>(length));
  // After a failed attempt the system first reports that attempt as aborted; the handheld lets
  // the same socket try again at once, so the new attempt is made.
  if (rc != 0 && errno == ECONNABORTED && failedBefore) rc = ::connect(fd, address, static_cast<socklen_t>(length));
  int err = errno;
  std::lock_guard<std::mutex> guard(g_socketsLock);
  sock->connectFailed = false;
  sock->pendingError = 0;
  if (rc == 0) {
    sock->connected = true;
    return 0;
  }
  if (err == EINPROGRESS) {
    sock->connecting = true;
    return Fail(WSAEWOULDBLOCK);
  }
  return Fail(WinsockError(err));
}

int plat_bind(SOCKET s, const struct sockaddr* address, int length) {
  PLAT_SOCKET_OR_FAIL(sock, s);
  if (::bind(sock->fd, address, static_cast<socklen_t>(length)) != 0) return FailErrno();
  return 0;
}

int plat_listen(SOCKET s, int backlog) {
  PLAT_SOCKET_OR_FAIL(sock, s);
  if (::listen(sock->fd, backlog) != 0) return FailErrno();
  return 0;
}

SOCKET plat_accept(SOCKET s, struct sockaddr* address, int* length) {
  std::shared_ptr<Sock> sock = FindSocket(s);
  if (!sock) {
    Fail(WSAENOTSOCK);
    return INVALID_SOCKET;
  }
  socklen_t size = length ? static_cast<socklen_t>(*length) : 0;
  int fd;
  do {
    fd = ::accept4(sock->fd, address, length ? &size : nullptr, SOCK_CLOEXEC);
  } while (fd < 0 && errno == EINTR);
  if (fd < 0) {
    FailErrno();
    return INVALID_SOCKET;
  }
  if (length) *length = static_cast<int>(size);
  return AddSocket(fd);
}

int plat_send(SOCKET s, const char* buffer, int length, int flags) {
  PLAT_SOCKET_OR_FAIL(sock, s);
  if (length < 0 || (!buffer && length > 0)) return Fail(WSAEFAULT);
  int done = 0;
  while (done < length) {
    ssize_t n = ::send(sock->fd, buffer + done, static_cast<size_t>(length - done), flags | MSG_NOSIGNAL);
    if (n >= 0) {
      done += static_cast<int>(n);
      continue;
    }
    if (errno == EINTR) continue;
    if ((errno == EAGAIN || errno == EWOULDBLOCK) && done > 0) return done;
    if (errno == EPIPE) {
      std::lock_guard<std::mutex> guard(g_socketsLock);
      if (sock->sendShut) return Fail(WSAESHUTDOWN);
    }
    return FailErrno();
  }
  return done;
}

int plat_recv(SOCKET s, char* buffer, int length, int flags) {
  PLAT_SOCKET_OR_FAIL(sock, s);
  if (length < 0 || (!buffer && length > 0)) return Fail(WSAEFAULT);
  for (;;) {
    ssize_t n = ::recv(sock->fd, buffer, static_cast<size_t>(length), flags);
    if (n >= 0) {
      // Closed by another thread while waiting: the socket is gone, not the peer.
      if (n == 0 && length > 0 && !FindSocket(s)) return Fail(WSAENOTSOCK);
      return static_cast<int>(n);
    }
    if (errno != EINTR) return FailErrno();
  }
}

int plat_shutdown(SOCKET s, int how) {
  PLAT_SOCKET_OR_FAIL(sock, s);
  if (how < SD_RECEIVE || how > SD_BOTH) return Fail(WSAEINVAL);
  if (::shutdown(sock->fd, how) != 0) return FailErrno();
  if (how != SD_RECEIVE) {
    std::lock_guard<std::mutex> guard(g_socketsLock);
    sock->sendShut = true;
  }
  return 0;
}

int ioctlsocket(SOCKET s, long command, u_long* argument) {
  PLAT_SOCKET_OR_FAIL(sock, s);
  if (!argument) return Fail(WSAEFAULT);
  int fd = sock->fd;
  // Winsock's numbers (also as a negative 32-bit long) and the C library's.
  uint32_t code = static_cast<uint32_t>(command);
  if (code == 0x8004667Eu || code == 0x5421u) {
    int flags = fcntl(fd, F_GETFL);
    if (flags < 0) return FailErrno();
    flags = *argument ? (flags | O_NONBLOCK) : (flags & ~O_NONBLOCK);
    if (fcntl(fd, F_SETFL, flags) != 0) return FailErrno();
    return 0;
  }
  if (code == 0x4004667Fu || code == 0x541Bu) {
    int available = 0;
    if (::ioctl(fd, 0x541B, &available) != 0) return FailErrno();
    *argument = static_cast<u_long>(available);
    return 0;
  }
  return Fail(WSAEINVAL);
}

int plat_setsockopt(SOCKET s, int level, int name, const char* value, int length) {
  PLAT_SOCKET_OR_FAIL(sock, s);
  HostOption(level, name);
  if (::setsockopt(sock->fd, level, name, value, static_cast<socklen_t>(length)) != 0) return FailErrno();
  return 0;
}

int plat_getsockopt(SOCKET s, int level, int name, char* value, int* length) {
  PLAT_SOCKET_OR_FAIL(sock, s);
  if (!value || !length) return Fail(WSAEFAULT);
  HostOption(level, name);
  if (level == SOL_SOCKET && name == SO_ERROR) {
    if (*length < static_cast<int>(sizeof(int))) return Fail(WSAEFAULT);
    int error = 0;
    {
      std::lock_guard<std::mutex> guard(g_socketsLock);
      error = sock->pendingError;
      sock->pendingError = 0;
    }
    if (!error) {
      int hostError = 0;
      socklen_t size = sizeof hostError;
      if (::getsockopt(sock->fd, SOL_SOCKET, SO_ERROR, &hostError, &size) != 0) return FailErrno();
      error = hostError ? WinsockError(hostError) : 0;
    }
    std::memcpy(value, &error, sizeof error);
    *length = sizeof error;
    return 0;
  }
  socklen_t size = static_cast<socklen_t>(*length);
  if (::getsockopt(sock->fd, level, name, value, &size) != 0) return FailErrno();
  *length = static_cast<int>(size);
  return 0;
}

int plat_select(int /*nfds*/, plat_fd_set* readSet, plat_fd_set* writeSet, plat_fd_set* exceptSet,
                const struct timeval* timeout) {
  plat_fd_set* sets[3] = {readSet, writeSet, exceptSet};
  unsigned total = 0;
  for (plat_fd_set* set : sets) {
    if (set && set->fd_count > FD_SETSIZE) return Fail(WSAEINVAL);
    total += set ? set->fd_count : 0;
  }
  if (total == 0) return Fail(WSAEINVAL);
  if (timeout && (timeout->tv_sec < 0 || timeout->tv_usec < 0)) return Fail(WSAEINVAL);

  // One poll entry per distinct socket; wanted[i] holds which sets asked for it (1, 2, 4).
  pollfd polls[3 * FD_SETSIZE];
  SOCKET ids[3 * FD_SETSIZE];
  std::shared_ptr<Sock> held[3 * FD_SETSIZE];  // kept open for the whole wait
  int wanted[3 * FD_SETSIZE];
  bool failed[3 * FD_SETSIZE];
  unsigned count = 0;
  for (int k = 0; k < 3; ++k) {
    if (!sets[k]) continue;
    for (unsigned i = 0; i < sets[k]->fd_count; ++i) {
      SOCKET s = sets[k]->fd_array[i];
      unsigned j = 0;
      while (j < count && ids[j] != s) ++j;
      if (j == count) {
        held[count] = FindSocket(s);
        if (!held[count]) return Fail(WSAENOTSOCK);
        ids[count] = s;
        polls[count] = pollfd{held[count]->fd, 0, 0};
        wanted[count] = 0;
        failed[count] = false;
        ++count;
      }
      wanted[j] |= 1 << k;
      polls[j].events |= static_cast<short>(k == 0 ? POLLIN : k == 1 ? POLLOUT : POLLPRI);
    }
  }
  using Clock = std::chrono::steady_clock;
  auto deadline =
      timeout ? Clock::now() + std::chrono::seconds(timeout->tv_sec) + std::chrono::microseconds(timeout->tv_usec)
              : Clock::time_point::max();
  bool muted[3 * FD_SETSIZE] = {};  // reported only what no set asked for: not polled again
  int results[3 * FD_SETSIZE];
  for (;;) {
    bool immediate = false;
    {
      std::lock_guard<std::mutex> guard(g_socketsLock);
      for (unsigned j = 0; j < count; ++j) {
        failed[j] = held[j]->connectFailed;
        if (failed[j] && (wanted[j] & 4)) immediate = true;
      }
    }
    pollfd use[3 * FD_SETSIZE];
    for (unsigned j = 0; j < count; ++j) {
      use[j] = polls[j];
      // A connect that already failed is reported in the exception set only; it is not polled.
      if (failed[j] || muted[j]) use[j].fd = -1;
    }
    int waitMs = -1;
    if (immediate) {
      waitMs = 0;
    } else if (timeout) {
      auto left = std::chrono::duration_cast<std::chrono::microseconds>(deadline - Clock::now()).count();
      waitMs = left <= 0 ? 0 : static_cast<int>(std::min<long long>((left + 999) / 1000, 0x7FFFFFFF));
    }
    int n = ::poll(use, count, waitMs);
    if (n < 0 && errno != EINTR) return FailErrno();
    int reported = 0;
    {
      std::lock_guard<std::mutex> guard(g_socketsLock);
      for (unsigned j = 0; j < count; ++j) {
        short revents = n > 0 ? use[j].revents : 0;
        results[j] = 0;
        if (revents) {
          Sock& sock = *held[j];
          if (sock.connecting) {
            // The connect has finished one way or the other; its outcome decides the sets.
            int error = 0;
            socklen_t size = sizeof error;
            ::getsockopt(sock.fd, SOL_SOCKET, SO_ERROR, &error, &size);
            sock.connecting = false;
            sock.connected = !error;
            if (error) {
              sock.connectFailed = true;
              sock.pendingError = WinsockError(error);
              failed[j] = true;
            }
          }
        }
        if (failed[j]) {
          results[j] = wanted[j] & 4;
        } else {
          if ((wanted[j] & 1) && (revents & (POLLIN | POLLHUP | POLLERR))) results[j] |= 1;
          if ((wanted[j] & 2) && (revents & (POLLOUT | POLLHUP | POLLERR))) results[j] |= 2;
          if ((wanted[j] & 4) && (revents & POLLPRI)) results[j] |= 4;
          if (revents && !results[j]) muted[j] = true;
        }
        reported += (results[j] & 1) + ((results[j] >> 1) & 1) + ((results[j] >> 2) & 1);
      }
    }
    bool timeUp = timeout && (waitMs == 0 || Clock::now() >= deadline);
    if (reported > 0 || timeUp) {
      for (int k = 0; k < 3; ++k) {
        if (!sets[k]) continue;
        unsigned kept = 0;
        for (unsigned i = 0; i < sets[k]->fd_count; ++i) {
          SOCKET s = sets[k]->fd_array[i];
          unsigned j = 0;
          while (j < count && ids[j] != s) ++j;
          if (j < count && (results[j] & (1 << k))) sets[k]->fd_array[kept++] = s;
        }
        sets[k]->fd_count = kept;
      }
      return reported;
    }
  }
}

struct hostent* plat_gethostbyname(const char* name) {
  static thread_local HostBuffer buffer;
  if (!name || !*name) {
    WSASetLastError(WSAHOST_NOT_FOUND);
    return nullptr;
  }
  std::memset(&buffer, 0, sizeof buffer);
  int count = 0;
  in_addr dotted;
  if (inet_pton(AF_INET, name, &dotted) == 1) {
    buffer.addresses[count++] = dotted;
  } else if (!HostsFileLookup(name, buffer, count)) {
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    int rc = getaddrinfo(name, nullptr, &hints, &found);
    if (rc != 0) {
      WSASetLastError(rc == EAI_AGAIN    ? WSATRY_AGAIN
                      : rc == EAI_NONAME ? WSAHOST_NOT_FOUND
                      : rc == EAI_NODATA ? WSANO_DATA
                                         : WSANO_RECOVERY);
      return nullptr;
    }
    for (addrinfo* a = found; a && count < 35; a = a->ai_next) {
      in_addr address = reinterpret_cast<sockaddr_in*>(a->ai_addr)->sin_addr;
      bool seen = false;
      for (int i = 0; i < count; ++i) seen = seen || buffer.addresses[i].s_addr == address.s_addr;
      if (!seen) buffer.addresses[count++] = address;
    }
    freeaddrinfo(found);
    if (count == 0) {
      WSASetLastError(WSANO_DATA);
      return nullptr;
    }
  }
  std::strncpy(buffer.name, name, sizeof buffer.name - 1);
  for (int i = 0; i < count; ++i) buffer.list[i] = reinterpret_cast<char*>(&buffer.addresses[i]);
  buffer.entry.h_name = buffer.name;
  buffer.entry.h_aliases = buffer.aliases;
  buffer.entry.h_addrtype = AF_INET;
  buffer.entry.h_length = 4;
  buffer.entry.h_addr_list = buffer.list;
  return &buffer.entry;
}

int plat_getpeername(SOCKET s, struct sockaddr* address, int* length) {
  PLAT_SOCKET_OR_FAIL(sock, s);
  if (!address || !length) return Fail(WSAEFAULT);
  socklen_t size = static_cast<socklen_t>(*length);
  if (::getpeername(sock->fd, address, &size) != 0) return FailErrno();
  *length = static_cast<int>(size);
  return 0;
}

int plat_getsockname(SOCKET s, struct sockaddr* address, int* length) {
  PLAT_SOCKET_OR_FAIL(sock, s);
  if (!address || !length) return Fail(WSAEFAULT);
  socklen_t size = static_cast<socklen_t>(*length);
  if (::getsockname(sock->fd, address, &size) != 0) return FailErrno();
  *length = static_cast<int>(size);
  return 0;
}
