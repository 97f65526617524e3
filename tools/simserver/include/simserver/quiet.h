// The quiet point of TradingServer::waitQuiet for a screen hosted on the automation driver's
// user-interface thread and connected through a receive thread (the screen tests' set-up):
//   EXPECT_TRUE(simsrv::WaitQuiet(server, *d, *thread));
//   EXPECT_TRUE(server.requests(4310, mark).empty());  // no order went out
// `afterSettle`, when given, runs after each settle of the user-interface thread: a caller that
// answers the boxes the screen raises on the way (a handler inside a box has not returned, so its
// packet does not count as handled until the box is answered).
#pragma once

#include <functional>

#include "plat/automation.h"
#include "simserver/server.h"
#include "vxshell/vx_socket_thread.h"

namespace simsrv {

inline bool WaitQuiet(TradingServer& server, plat::automation::Driver& d, CVXSocketThread& thread, int timeoutMs = 5000,
                      const std::function<void()>& afterSettle = {}) {
  TradingServer::QuietClient c;
  c.settle = [&] {
    d.Settle();
    if (afterSettle) afterSettle();
  };
  // The probe goes out on the user-interface thread, in order with what the screen sends.
  c.send = [&](const Bytes& p) {
    bool sent = false;
    d.Ui([&] {
      SOCKET s = thread.GetSocket();
      int n = static_cast<int>(p.size());
      sent = s != INVALID_SOCKET && send(s, reinterpret_cast<const char*>(p.data()), n, 0) == n;
    });
    return sent;
  };
  c.received = [&] { return static_cast<size_t>(thread.Received()); };
  return server.waitQuiet(c, timeoutMs);
}

}  // namespace simsrv
