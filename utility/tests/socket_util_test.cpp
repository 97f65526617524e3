#include "glimmet/socket_util.h"

#include <chrono>
#include <cstring>
#include <thread>

#include "device_fixture.h"
#include "loopback.h"

namespace {

class SocketTest : public DeviceTest {
 protected:
  void SetUp() override {
    DeviceTest::SetUp();
    WSADATA data;
    ASSERT_EQ(WSAStartup(MAKEWORD(1, 1), &data), 0);
  }
  void TearDown() override {
    WSACleanup();
    DeviceTest::TearDown();
  }
  // Names answered from the device's hosts file.
  void Hosts(const std::string& lines) { WriteHost("Windows/hosts", lines); }
};

}  // namespace

TEST(SelectSets, AddRemoveAndLimits) {
  SELECT_FD_SET set;
  ASSERT_EQ(create_select_fd_set(&set), 0);
  for (SOCKET s = 100; s < 164; ++s) ASSERT_EQ(set_select_fd(&set, s, SEL_READ | SEL_EXCEPT), 0);
  EXPECT_EQ(set.read_set.fd_count, 64u);
  EXPECT_EQ(set_select_fd(&set, 500, SEL_READ), 0);  // a 65th socket: the set is left unchanged
  EXPECT_EQ(set.read_set.fd_count, 64u);
  EXPECT_EQ(set_select_fd(&set, 100, SEL_READ), 0);  // already held
  EXPECT_EQ(set.read_set.fd_count, 64u);
  EXPECT_EQ(set.write_set.fd_count, 0u);
  EXPECT_EQ(clear_select_fd(&set, 101, SEL_READ), 0);
  EXPECT_EQ(set.read_set.fd_count, 63u);
  EXPECT_EQ(set.read_set.fd_array[0], 100u);
  EXPECT_EQ(set.read_set.fd_array[1], 102u);  // order of the others kept
  EXPECT_EQ(set.except_set.fd_count, 64u);
  EXPECT_EQ(clear_fd_set(&set, SEL_EXCEPT), 0);
  EXPECT_EQ(set.except_set.fd_count, 0u);
  EXPECT_EQ(set.read_set.fd_count, 63u);

  struct Bad {
    SOCKET s;
    int selector;
  };
  for (Bad b : {Bad{INVALID_SOCKET, 1}, Bad{5, 8}, Bad{5, -1}}) {
    EXPECT_EQ(set_select_fd(&set, b.s, b.selector), -1);
    EXPECT_EQ(clear_select_fd(&set, b.s, b.selector), -1);
  }
  EXPECT_EQ(clear_fd_set(&set, 8), -1);
  EXPECT_EQ(clear_fd_set(nullptr, 1), -1);
  EXPECT_EQ(set_select_fd(nullptr, 5, 1), -1);
}

TEST_F(SocketTest, CallSelectReportsTimeOutAndReadySockets) {
  Listener server;
  SELECT_FD_SET set;
  create_select_fd_set(&set);
  set_select_fd(&set, server.s, SEL_READ);
  auto started = std::chrono::steady_clock::now();
  EXPECT_EQ(call_select(&set, SEL_READ, nullptr, nullptr), -3);  // 0/0: at once
  EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::milliseconds(200));

  SOCKET client = INVALID_SOCKET;
  ASSERT_EQ(connect_stream(&client, "127.0.0.1", server.port, 0, 0), 0);
  set_fd_time(&set, 5, 0);
  SOCKET ready = INVALID_SOCKET;
  int kind = 0;
  EXPECT_EQ(call_select(&set, SEL_READ, &ready, &kind), 0);
  EXPECT_EQ(ready, server.s);
  EXPECT_EQ(kind, SEL_READ);

  // Only the chosen sets are looked at: the client is writable but only reads are asked for.
  SELECT_FD_SET w;
  create_select_fd_set(&w);
  set_select_fd(&w, client, SEL_READ | SEL_WRITE);
  EXPECT_EQ(call_select(&w, SEL_READ, &ready, &kind), -3);
  EXPECT_EQ(call_select(&w, SEL_WRITE, &ready, &kind), 0);
  EXPECT_EQ(kind, SEL_WRITE);
  EXPECT_EQ(call_select(&w, 9, &ready, &kind), -1);
  closesocket(client);
}

TEST_F(SocketTest, HostLookup) {
  Hosts("127.0.0.2 twohost\n127.0.0.1 twohost\n");
  HOST_INFO info;
  ASSERT_EQ(get_socket_host("10.1.2.3", &info), 0);
  EXPECT_EQ(info.count, 1);
  EXPECT_EQ(info.addr[0], inet_addr("10.1.2.3"));
  EXPECT_STREQ(info.host, "10.1.2.3");
  ASSERT_EQ(get_socket_host("twohost", &info), 0);
  ASSERT_EQ(info.count, 2);
  EXPECT_EQ(info.addr[0], inet_addr("127.0.0.2"));
  EXPECT_EQ(info.addr[1], inet_addr("127.0.0.1"));
  EXPECT_EQ(get_socket_host("", &info), -1);
  EXPECT_EQ(get_socket_host(nullptr, &info), -1);
  EXPECT_EQ(get_socket_host("no-such-host.invalid", &info), -1);
  std::string longName(200, 'h');
  get_socket_host(longName.c_str(), &info);
  EXPECT_EQ(std::strlen(info.host), 127u);
}

// The first address of the name refuses; the second accepts. With a time-out the refused
// non-blocking connect must not count as connected.
TEST_F(SocketTest, ConnectStreamFallsThroughToTheNextAddress) {
  Listener server("127.0.0.1");
  Hosts("127.0.0.2 twohost\n127.0.0.1 twohost\n");
  struct Case {
    int seconds, micros;
  };
  for (Case c : {Case{0, 0}, Case{2, 0}, Case{0, 500000}, Case{-1, -1}}) {
    SOCKET s = socket(AF_INET, SOCK_STREAM, 0);
    ASSERT_EQ(connect_stream(&s, "twohost", server.port, c.seconds, c.micros), 0) << c.seconds << "/" << c.micros;
    ASSERT_NE(s, INVALID_SOCKET);
    SOCKET peer = server.Accept();
    ASSERT_NE(peer, INVALID_SOCKET);
    sockaddr_in local{};
    int len = sizeof local;
    getsockname(peer, reinterpret_cast<sockaddr*>(&local), &len);
    EXPECT_EQ(local.sin_addr.s_addr, inet_addr("127.0.0.1"));
    // The socket is blocking again: a receive waits for the late reply instead of failing.
    std::thread late([&] {
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
      send_full_socket(peer, "pong", 4);
    });
    char buf[4];
    EXPECT_EQ(recv_full_socket(s, buf, 4), 4);
    late.join();
    EXPECT_EQ(std::memcmp(buf, "pong", 4), 0);
    closesocket(peer);
    closesocket(s);
  }
}

TEST_F(SocketTest, ConnectStreamFailsWhenEveryAddressRefuses) {
  int port = RefusingPort();
  for (int seconds : {0, 1}) {
    SOCKET s = socket(AF_INET, SOCK_STREAM, 0);
    EXPECT_EQ(connect_stream(&s, "127.0.0.1", port, seconds, 0), -1) << seconds;
    if (s != INVALID_SOCKET) closesocket(s);
  }
  SOCKET s = socket(AF_INET, SOCK_STREAM, 0);
  EXPECT_EQ(connect_stream(&s, "no-such-host.invalid", port, 1, 0), -1);
  EXPECT_EQ(connect_stream(&s, "127.0.0.1", 0, 1, 0), -1);
  EXPECT_EQ(connect_stream(nullptr, "127.0.0.1", port, 1, 0), -1);
  closesocket(s);
}

TEST_F(SocketTest, ExactSendAndReceive) {
  Listener server;
  SOCKET client = INVALID_SOCKET;
  ASSERT_EQ(connect_stream(&client, "127.0.0.1", server.port, 1, 0), 0);
  SOCKET peer = server.Accept();
  std::vector<char> big(200000);
  for (size_t i = 0; i < big.size(); ++i) big[i] = static_cast<char>(i * 7);
  std::thread sender([&] { EXPECT_EQ(send_full_socket(client, big.data(), static_cast<int>(big.size())), 200000); });
  std::vector<char> got(big.size());
  EXPECT_EQ(recv_full_socket(peer, got.data(), static_cast<int>(got.size())), 200000);
  sender.join();
  EXPECT_EQ(got, big);

  char buf[8];
  EXPECT_EQ(send_full_socket(client, nullptr, 4), -2);
  EXPECT_EQ(send_full_socket(client, buf, 0), -2);
  EXPECT_EQ(recv_full_socket(peer, buf, -1), -2);
  send_full_socket(client, "abc", 3);
  closesocket(client);
  EXPECT_EQ(recv_full_socket(peer, buf, 8), 0);  // the peer closed before 8 bytes came
  closesocket(peer);
}
