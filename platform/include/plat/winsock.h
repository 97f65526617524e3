// Windows Sockets as the handheld offers them, over POSIX sockets.
//
// Name scheme: the C library's socket headers are included first; then the Winsock names that
// differ from the C library's (fd_set, FD_*, select, socket, connect, send, recv, accept, listen,
// shutdown, setsockopt, getsockopt, gethostbyname) become macros for our plat_* functions. Files
// that include this header must not use those names for anything else. `bind` is left alone
// (std::bind would break): call plat_bind. Structures that are the same on both sides
// (sockaddr, sockaddr_in, in_addr, hostent, timeval) are the C library's; inet_addr, inet_ntoa and
// the byte-order functions are the C library's too.
#pragma once

#include <arpa/inet.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/select.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <sys/types.h>

#include "plat/types.h"

// A socket is a 32-bit number: socket sets hold 64 of them after a 32-bit count (260 bytes).
typedef unsigned int SOCKET;
#define INVALID_SOCKET ((SOCKET)(~0u))
#define SOCKET_ERROR (-1)

#undef FD_SETSIZE
#define FD_SETSIZE 64

struct plat_fd_set {
  unsigned int fd_count;
  SOCKET fd_array[FD_SETSIZE];
};
static_assert(sizeof(plat_fd_set) == 260, "socket set layout");

#undef fd_set
#define fd_set plat_fd_set
typedef plat_fd_set* LPFD_SET;

int plat_fd_isset(SOCKET s, const plat_fd_set* set);

#undef FD_ZERO
#undef FD_SET
#undef FD_CLR
#undef FD_ISSET
#define FD_ZERO(set) (((plat_fd_set*)(set))->fd_count = 0)
// Adds the socket when the set does not hold it yet and has room (a full set stays unchanged).
#define FD_SET(fd, set)                                                     \
  do {                                                                      \
    plat_fd_set* plat_set_ = (plat_fd_set*)(set);                           \
    SOCKET plat_fd_ = (SOCKET)(fd);                                         \
    unsigned int plat_i_;                                                   \
    for (plat_i_ = 0; plat_i_ < plat_set_->fd_count; ++plat_i_)             \
      if (plat_set_->fd_array[plat_i_] == plat_fd_) break;                  \
    if (plat_i_ == plat_set_->fd_count && plat_set_->fd_count < FD_SETSIZE) \
      plat_set_->fd_array[plat_set_->fd_count++] = plat_fd_;                \
  } while (0)
// Removes the socket, keeping the order of the others.
#define FD_CLR(fd, set)                                                        \
  do {                                                                         \
    plat_fd_set* plat_set_ = (plat_fd_set*)(set);                              \
    SOCKET plat_fd_ = (SOCKET)(fd);                                            \
    for (unsigned int plat_i_ = 0; plat_i_ < plat_set_->fd_count; ++plat_i_) { \
      if (plat_set_->fd_array[plat_i_] == plat_fd_) {                          \
        for (; plat_i_ + 1 < plat_set_->fd_count; ++plat_i_)                   \
          plat_set_->fd_array[plat_i_] = plat_set_->fd_array[plat_i_ + 1];     \
        --plat_set_->fd_count;                                                 \
        break;                                                                 \
      }                                                                        \
    }                                                                          \
  } while (0)
#define FD_ISSET(fd, set) plat_fd_isset((SOCKET)(fd), (const plat_fd_set*)(set))

typedef struct sockaddr SOCKADDR;
typedef struct sockaddr* PSOCKADDR;
typedef struct sockaddr* LPSOCKADDR;
typedef struct sockaddr_in SOCKADDR_IN;
typedef struct sockaddr_in* PSOCKADDR_IN;
typedef struct sockaddr_in* LPSOCKADDR_IN;
typedef struct in_addr IN_ADDR;
typedef struct hostent HOSTENT;
typedef struct hostent* PHOSTENT;
typedef struct hostent* LPHOSTENT;
typedef struct timeval TIMEVAL;

#define SD_RECEIVE 0
#define SD_SEND 1
#define SD_BOTH 2

// Winsock's numbers; plat_ioctlsocket also accepts the C library's.
#undef FIONBIO
#undef FIONREAD
#define FIONBIO ((long)0x8004667Eu)
#define FIONREAD ((long)0x4004667Fu)

#define WSADESCRIPTION_LEN 256
#define WSASYS_STATUS_LEN 128
struct WSADATA {
  WORD wVersion;
  WORD wHighVersion;
  char szDescription[WSADESCRIPTION_LEN + 1];
  char szSystemStatus[WSASYS_STATUS_LEN + 1];
  unsigned short iMaxSockets;
  unsigned short iMaxUdpDg;
  char* lpVendorInfo;
};
typedef WSADATA* LPWSADATA;

// Error numbers (WSAGetLastError; the same per-thread value as GetLastError).
#define WSABASEERR 10000
#define WSAEINTR 10004
#define WSAEBADF 10009
#define WSAEACCES 10013
#define WSAEFAULT 10014
#define WSAEINVAL 10022
#define WSAEMFILE 10024
#define WSAEWOULDBLOCK 10035
#define WSAEINPROGRESS 10036
#define WSAEALREADY 10037
#define WSAENOTSOCK 10038
#define WSAEDESTADDRREQ 10039
#define WSAEMSGSIZE 10040
#define WSAEPROTOTYPE 10041
#define WSAENOPROTOOPT 10042
#define WSAEPROTONOSUPPORT 10043
#define WSAESOCKTNOSUPPORT 10044
#define WSAEOPNOTSUPP 10045
#define WSAEPFNOSUPPORT 10046
#define WSAEAFNOSUPPORT 10047
#define WSAEADDRINUSE 10048
#define WSAEADDRNOTAVAIL 10049
#define WSAENETDOWN 10050
#define WSAENETUNREACH 10051
#define WSAENETRESET 10052
#define WSAECONNABORTED 10053
#define WSAECONNRESET 10054
#define WSAENOBUFS 10055
#define WSAEISCONN 10056
#define WSAENOTCONN 10057
#define WSAESHUTDOWN 10058
#define WSAETIMEDOUT 10060
#define WSAECONNREFUSED 10061
#define WSAEHOSTDOWN 10064
#define WSAEHOSTUNREACH 10065
#define WSASYSNOTREADY 10091
#define WSAVERNOTSUPPORTED 10092
#define WSANOTINITIALISED 10093
#define WSAHOST_NOT_FOUND 11001
#define WSATRY_AGAIN 11002
#define WSANO_RECOVERY 11003
#define WSANO_DATA 11004

int WSAStartup(WORD versionRequested, LPWSADATA data);
// For tests of a start-up whose socket layer cannot start: while `error` is not 0, WSAStartup
// fails with it (0, the default: it succeeds).
void PlatFailWSAStartup(int error);
int WSACleanup();
int WSAGetLastError();
void WSASetLastError(int error);

SOCKET plat_socket(int family, int type, int protocol);
int closesocket(SOCKET s);
// A non-blocking connect that cannot finish at once fails with WSAEWOULDBLOCK; select then
// reports the socket in the write set when it connected and in the exception set when it failed
// (getsockopt SO_ERROR gives the reason once).
int plat_connect(SOCKET s, const struct sockaddr* address, int length);
int plat_bind(SOCKET s, const struct sockaddr* address, int length);
int plat_listen(SOCKET s, int backlog);
SOCKET plat_accept(SOCKET s, struct sockaddr* address, int* length);
// Sends everything (repeating partial sends; a non-blocking socket may return fewer bytes when
// the system's buffer fills). Never raises SIGPIPE: a closed peer gives WSAECONNRESET.
int plat_send(SOCKET s, const char* buffer, int length, int flags);
int plat_recv(SOCKET s, char* buffer, int length, int flags);
int plat_shutdown(SOCKET s, int how);
int ioctlsocket(SOCKET s, long command, u_long* argument);
int plat_setsockopt(SOCKET s, int level, int name, const char* value, int length);
int plat_getsockopt(SOCKET s, int level, int name, char* value, int* length);
// nfds is ignored; a null timeout waits without limit. Returns the number of sockets reported.
int plat_select(int nfds, plat_fd_set* readSet, plat_fd_set* writeSet, plat_fd_set* exceptSet,
                const struct timeval* timeout);
// IPv4 addresses of a name (dotted addresses too). The result lives in per-thread storage until the
// thread's next call. Names listed in the device root's file "\Windows\hosts" ("address name ...",
// one address per line, several lines for several addresses) are answered from it first.
struct hostent* plat_gethostbyname(const char* name);
int plat_getpeername(SOCKET s, struct sockaddr* address, int* length);
int plat_getsockname(SOCKET s, struct sockaddr* address, int* length);

#ifndef PLAT_WINSOCK_NO_NAME_MACROS
#define socket(family, type, protocol) plat_socket(family, type, protocol)
#define connect(s, address, length) plat_connect(s, address, length)
#define listen(s, backlog) plat_listen(s, backlog)
#define accept(s, address, length) plat_accept(s, address, length)
#define send(s, buffer, length, flags) plat_send(s, buffer, length, flags)
#define recv(s, buffer, length, flags) plat_recv(s, buffer, length, flags)
#define shutdown(s, how) plat_shutdown(s, how)
#define setsockopt(s, level, name, value, length) plat_setsockopt(s, level, name, value, length)
#define getsockopt(s, level, name, value, length) plat_getsockopt(s, level, name, value, length)
#define select(nfds, r, w, e, timeout) plat_select(nfds, r, w, e, timeout)
#define gethostbyname(name) plat_gethostbyname(name)
#define getpeername(s, address, length) plat_getpeername(s, address, length)
#define getsockname(s, address, length) plat_getsockname(s, address, length)
#endif
