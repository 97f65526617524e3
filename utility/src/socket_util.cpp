// Socket helpers.
#include "glimmet/socket_util.h"

#include <cstring>

namespace {

bool valid_selector(int selector) { return selector >= 0 && selector <= 7; }

template <typename F>
void for_each_chosen(SELECT_FD_SET* set, int selector, F f) {
  if (selector & SEL_READ) f(&set->read_set);
  if (selector & SEL_WRITE) f(&set->write_set);
  if (selector & SEL_EXCEPT) f(&set->except_set);
}

bool is_connected(SOCKET s) {
  int error = 0;
  int len = sizeof error;
  if (getsockopt(s, SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&error), &len) != 0) return false;
  return error == 0;
}

// One attempt on one address; leaves the socket in non-blocking mode when `wait` is set.
bool attempt(SOCKET s, const sockaddr_in& addr, bool wait, int seconds, int microseconds) {
  if (!wait) return connect(s, reinterpret_cast<const sockaddr*>(&addr), sizeof addr) == 0;
  if (unblock_socket(s, 1) != 0) return false;
  if (connect(s, reinterpret_cast<const sockaddr*>(&addr), sizeof addr) == 0) return true;
  if (WSAGetLastError() != WSAEWOULDBLOCK) return false;
  SELECT_FD_SET set;
  create_select_fd_set(&set);
  set_select_fd(&set, s, SEL_WRITE | SEL_EXCEPT);
  set_fd_time(&set, seconds, microseconds);
  SOCKET ready = INVALID_SOCKET;
  int kind = 0;
  if (call_select(&set, SEL_WRITE | SEL_EXCEPT, &ready, &kind) != 0) return false;
  // A refused connect can also read as writable: only the socket's error tells.
  return kind == SEL_WRITE && is_connected(s);
}

}  // namespace

int create_select_fd_set(SELECT_FD_SET* out) { return initialize_set_all(out); }

int initialize_set_all(SELECT_FD_SET* set) {
  if (!set) return -1;
  FD_ZERO(&set->read_set);
  FD_ZERO(&set->write_set);
  FD_ZERO(&set->except_set);
  set->tv_sec = 0;
  set->tv_usec = 0;
  return 0;
}

int clear_fd_set(SELECT_FD_SET* set, int selector) {
  if (!set || !valid_selector(selector)) return -1;
  for_each_chosen(set, selector, [](fd_set* s) { FD_ZERO(s); });
  return 0;
}

int set_select_fd(SELECT_FD_SET* set, SOCKET s, int selector) {
  if (!set || s == INVALID_SOCKET || !valid_selector(selector)) return -1;
  for_each_chosen(set, selector, [s](fd_set* fs) { FD_SET(s, fs); });
  return 0;
}

int clear_select_fd(SELECT_FD_SET* set, SOCKET s, int selector) {
  if (!set || s == INVALID_SOCKET || !valid_selector(selector)) return -1;
  for_each_chosen(set, selector, [s](fd_set* fs) { FD_CLR(s, fs); });
  return 0;
}

int set_fd_time(SELECT_FD_SET* set, int seconds, int microseconds) {
  if (!set) return -1;
  set->tv_sec = seconds;
  set->tv_usec = microseconds;
  return 0;
}

int call_select(SELECT_FD_SET* set, int selector, SOCKET* sockOut, int* kindOut) {
  if (!set || !valid_selector(selector)) return -1;
  fd_set r = set->read_set, w = set->write_set, e = set->except_set;
  fd_set* rp = (selector & SEL_READ) ? &r : nullptr;
  fd_set* wp = (selector & SEL_WRITE) ? &w : nullptr;
  fd_set* ep = (selector & SEL_EXCEPT) ? &e : nullptr;
  timeval tv{set->tv_sec, set->tv_usec};
  const bool limited = set->tv_sec >= 0 && set->tv_usec >= 0;
  int n = select(0, rp, wp, ep, limited ? &tv : nullptr);
  if (n == 0) return -3;
  if (n < 0) return -2;
  struct Pick {
    fd_set* set;
    int kind;
  };
  for (Pick p : {Pick{rp, SEL_READ}, Pick{wp, SEL_WRITE}, Pick{ep, SEL_EXCEPT}}) {
    if (p.set && p.set->fd_count > 0) {
      if (sockOut) *sockOut = p.set->fd_array[0];
      if (kindOut) *kindOut = p.kind;
      return 0;
    }
  }
  return -1;
}

int get_socket_host(const char* host, HOST_INFO* out) {
  if (!host || host[0] == '\0' || !out) return -1;
  std::memset(out, 0, sizeof *out);
  std::strncpy(out->host, host, sizeof out->host - 1);
  in_addr_t dotted = inet_addr(host);
  if (dotted != INADDR_NONE) {
    out->addr[0] = dotted;
    out->count = 1;
    return 0;
  }
  hostent* he = gethostbyname(host);
  if (!he || he->h_addrtype != AF_INET || he->h_length != 4 || !he->h_addr_list) return -1;
  int n = 0;
  for (; n < HOST_ADDR_MAX && he->h_addr_list[n]; ++n) std::memcpy(&out->addr[n], he->h_addr_list[n], 4);
  out->count = static_cast<int16_t>(n);
  return n > 0 ? 0 : -1;
}

int connect_stream(SOCKET* sock, const char* host, int port, int seconds, int microseconds) {
  if (!sock || !host || port < 1 || port > 65535) return -1;
  HOST_INFO info;
  if (get_socket_host(host, &info) != 0) return -1;
  if (seconds < 0) seconds = 0;
  if (microseconds < 0) microseconds = 0;
  const bool wait = seconds > 0 || microseconds > 0;
  for (int i = 0; i < info.count; ++i) {
    if (*sock == INVALID_SOCKET) {
      *sock = socket(AF_INET, SOCK_STREAM, 0);
      if (*sock == INVALID_SOCKET) return -1;
    }
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_port = htons(static_cast<uint16_t>(port));
    addr.sin_addr.s_addr = info.addr[i];
    bool ok = attempt(*sock, addr, wait, seconds, microseconds);
    bool blocking = !wait || unblock_socket(*sock, 0) == 0;
    if (ok) return blocking ? 0 : -1;
    // A failed or abandoned connect leaves the socket unusable: the next address gets a new one.
    if (i + 1 < info.count) {
      closesocket(*sock);
      *sock = INVALID_SOCKET;
    }
  }
  return -1;
}

int unblock_socket(SOCKET s, int flag) {
  u_long mode = flag ? 1 : 0;
  return ioctlsocket(s, FIONBIO, &mode) == 0 ? 0 : -1;
}

int send_full_socket(SOCKET s, const void* buf, int len) {
  if (!buf || len < 1) return -2;
  const auto* p = static_cast<const char*>(buf);
  int done = 0;
  while (done < len) {
    int n = send(s, p + done, len - done, 0);
    if (n == SOCKET_ERROR) return -1;
    if (n == 0) return 0;
    done += n;
  }
  return len;
}

int recv_full_socket(SOCKET s, void* buf, int len) {
  if (!buf || len < 1) return -2;
  auto* p = static_cast<char*>(buf);
  int done = 0;
  while (done < len) {
    int n = recv(s, p + done, len - done, 0);
    if (n == SOCKET_ERROR) return -1;
    if (n == 0) return 0;
    done += n;
  }
  return len;
}
