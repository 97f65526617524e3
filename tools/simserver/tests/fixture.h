// Shared set-up of the server's tests: a server in the test process and helpers to talk to it.
#pragma once
#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <memory>
#include <thread>

#include "simserver/server.h"
#include "test_client.h"

namespace tc {

class ServerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    simsrv::ServerOptions o;
    o.keysDir = KeysDir();
    server = std::make_unique<simsrv::TradingServer>(o);
    port = server->start(0);
    ASSERT_GT(port, 0) << server->lastError();
  }
  void TearDown() override { server->stop(); }

  // A client that has the server's certificate and is logged in as the demo user.
  std::unique_ptr<Client> LoggedIn(const std::string& id = "demo", const std::string& pw = "1234") {
    auto c = std::make_unique<Client>();
    EXPECT_TRUE(c->Connect(port));
    c->deviceCertificate = TestServerCertificate();
    EXPECT_EQ(c->Login(id, pw), "00");
    return c;
  }

  // Sends a request and returns the reply's status with its opened body.
  std::string Ask(Client& c, uint16_t code, const Bytes& body, bool encipher, Bytes* reply = nullptr) {
    if (!c.Send(code, body, encipher)) return "send failed";
    Packet p;
    if (!c.Receive(p)) return "no reply";
    if (p.code() != code) return "reply code " + std::to_string(p.code());
    Bytes opened;
    int r = c.Open(p, opened);
    if (r != 0) return "open failed " + std::to_string(r);
    if (reply) *reply = opened;
    return p.status();
  }

  // Waits until `cond` holds (what the server's own threads do, such as forgetting a closed
  // connection); false after 10 s.
  template <typename F>
  static bool Eventually(F cond) {
    auto end = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!cond()) {
      if (std::chrono::steady_clock::now() > end) return false;
      std::this_thread::yield();
    }
    return true;
  }

  std::unique_ptr<simsrv::TradingServer> server;
  int port = 0;
};

inline simsrv::Account MakeAccount(const std::string& number, const std::string& password, int64_t cash) {
  simsrv::Account a;
  a.number = number;
  a.password = password;
  a.cash = cash;
  return a;
}

// A fixed text field: `text` NUL-padded (or cut) to `width`.
inline void Put(Bytes& b, size_t at, size_t width, const std::string& text) {
  for (size_t i = 0; i < width; ++i) b[at + i] = i < text.size() ? static_cast<uint8_t>(text[i]) : 0;
}
inline std::string Text(const Bytes& b, size_t at, size_t width) {
  std::string s;
  for (size_t i = 0; i < width && at + i < b.size() && b[at + i]; ++i) s.push_back(static_cast<char>(b[at + i]));
  return s;
}
// A NET_VALUE of `groups` groups, read the way the client reads it.
inline int64_t Net(const Bytes& b, size_t at, int groups) {
  int64_t v = 0;
  for (int i = 0; i < groups; ++i) v = v * 10000 + static_cast<int16_t>((b[at + 2 * i] << 8) | b[at + 2 * i + 1]);
  return v;
}
// The SERVER_MESSAGE of an error reply, as UTF-8: caption (blanks trimmed) and text.
inline std::pair<std::string, std::string> Message(const Bytes& body) {
  if (body.size() < 14) return {};
  std::string cap(body.begin(), body.begin() + 14);
  while (!cap.empty() && (cap.back() == ' ' || cap.back() == 0)) cap.pop_back();
  return {Utf8(cap), Utf8(std::string(body.begin() + 14, body.end()))};
}

}  // namespace tc
