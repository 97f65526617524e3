// Loopback listeners for the socket and failover tests.
#pragma once

#include <gtest/gtest.h>

#include "plat/windows.h"

// A listening socket on 127.0.0.1 and a free port.
struct Listener {
  SOCKET s = INVALID_SOCKET;
  int port = 0;
  explicit Listener(const char* address = "127.0.0.1") {
    s = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = inet_addr(address);
    a.sin_port = 0;
    EXPECT_EQ(plat_bind(s, reinterpret_cast<sockaddr*>(&a), sizeof a), 0);
    EXPECT_EQ(listen(s, 8), 0);
    int len = sizeof a;
    EXPECT_EQ(getsockname(s, reinterpret_cast<sockaddr*>(&a), &len), 0);
    port = ntohs(a.sin_port);
  }
  ~Listener() { closesocket(s); }
  SOCKET Accept() { return accept(s, nullptr, nullptr); }
};

// A port on 127.0.0.1 where nobody listens: connects to it are refused.
inline int RefusingPort() {
  SOCKET s = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = inet_addr("127.0.0.1");
  plat_bind(s, reinterpret_cast<sockaddr*>(&a), sizeof a);
  int len = sizeof a;
  getsockname(s, reinterpret_cast<sockaddr*>(&a), &len);
  closesocket(s);
  return ntohs(a.sin_port);
}
