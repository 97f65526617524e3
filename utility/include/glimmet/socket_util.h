// Socket helpers over the platform's Windows Sockets: select sets with a time-out, name
// resolution, a stream connect that tries each address in turn, blocking mode, and sending or
// receiving exactly n bytes.
#pragma once

#include <cstdint>

#include "plat/windows.h"

// Set selector bits.
constexpr int SEL_READ = 1;
constexpr int SEL_WRITE = 2;
constexpr int SEL_EXCEPT = 4;

// The three select sets and the time-out.
struct SELECT_FD_SET {
  fd_set read_set;
  fd_set write_set;
  fd_set except_set;
  int32_t tv_sec;
  int32_t tv_usec;
};

constexpr int HOST_ADDR_MAX = 20;
// A host name and its IPv4 addresses (network order).
struct HOST_INFO {
  char host[128];  // cut to 127 characters
  int16_t count;
  uint32_t addr[HOST_ADDR_MAX];
};

int create_select_fd_set(SELECT_FD_SET* out);  // empty sets, time-out 0/0; -1 for NULL
int initialize_set_all(SELECT_FD_SET* set);
// Empties the chosen sets; -1 for a NULL bundle or a selector outside 0..7.
int clear_fd_set(SELECT_FD_SET* set, int selector);
// Adds the socket to each chosen set that does not hold it and has room (a full set is left
// unchanged); -1 for an invalid socket, selector or bundle.
int set_select_fd(SELECT_FD_SET* set, SOCKET s, int selector);
// Removes the socket from the chosen sets, keeping the order of the others.
int clear_select_fd(SELECT_FD_SET* set, SOCKET s, int selector);
int set_fd_time(SELECT_FD_SET* set, int seconds, int microseconds);
// select on copies of the chosen sets; the time-out applies when both parts are 0 or above,
// otherwise it waits without limit. -3 time-out, -2 select failed, -1 bad arguments or nothing
// reported in a chosen set, 0 otherwise with the first socket of the read set (kind 1), else of
// the write set (2), else of the exception set (4) (both outputs may be NULL).
int call_select(SELECT_FD_SET* set, int selector, SOCKET* sockOut, int* kindOut);

// A dotted IPv4 address gives itself; otherwise the name's IPv4 addresses (at most 20).
// -1 for a NULL or empty text, a failed resolution or no IPv4 address.
int get_socket_host(const char* host, HOST_INFO* out);

// Connects the stream socket *sock to host:port, trying each address of the host in order.
// A failed attempt closes its socket and the next address gets a fresh one (AF_INET stream),
// stored in *sock; *sock is INVALID_SOCKET when no socket could be made. With a time-out above 0
// (negative parts count as 0) each attempt is non-blocking and waits that long; the socket's
// error decides whether it connected. The socket is back in blocking mode on every path.
// 0 connected, -1 otherwise.
int connect_stream(SOCKET* sock, const char* host, int port, int seconds, int microseconds);

// Non-blocking mode for a non-zero flag, blocking for 0; 0 or -1.
int unblock_socket(SOCKET s, int flag);

// Repeat send / recv until len bytes are done: len, 0 when the peer closed, -1 on a socket
// error, -2 for a NULL buffer or len below 1.
int send_full_socket(SOCKET s, const void* buf, int len);
int recv_full_socket(SOCKET s, void* buf, int len);
