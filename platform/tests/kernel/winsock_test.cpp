// Sockets against a loopback listener.
#include "plat/winsock.h"

#include <chrono>
#include <cstring>
#include <future>

#include "fixture.h"

namespace {

class WinsockTest : public DeviceRootTest {
 protected:
  void SetUp() override {
    DeviceRootTest::SetUp();
    WSADATA data;
    ASSERT_EQ(WSAStartup(MAKEWORD(2, 2), &data), 0);
  }
  void TearDown() override {
    WSACleanup();
    DeviceRootTest::TearDown();
  }

  // A listening socket on a free loopback port.
  SOCKET Listen(sockaddr_in& address) {
    SOCKET s = socket(AF_INET, SOCK_STREAM, 0);
    EXPECT_NE(s, INVALID_SOCKET);
    std::memset(&address, 0, sizeof address);
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = inet_addr("127.0.0.1");
    address.sin_port = 0;
    EXPECT_EQ(plat_bind(s, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    EXPECT_EQ(listen(s, 4), 0);
    int length = sizeof address;
    EXPECT_EQ(getsockname(s, reinterpret_cast<sockaddr*>(&address), &length), 0);
    return s;
  }

  SOCKET NonBlockingSocket() {
    SOCKET s = socket(AF_INET, SOCK_STREAM, 0);
    u_long on = 1;
    EXPECT_EQ(ioctlsocket(s, FIONBIO, &on), 0);
    return s;
  }
};

TEST_F(WinsockTest, NonBlockingConnectCompletesThroughTheWriteSet) {
  sockaddr_in address;
  SOCKET listener = Listen(address);
  SOCKET client = NonBlockingSocket();
  int rc = connect(client, reinterpret_cast<sockaddr*>(&address), sizeof address);
  if (rc == SOCKET_ERROR) {
    EXPECT_EQ(WSAGetLastError(), WSAEWOULDBLOCK);
  }
  fd_set writable, failed;
  FD_ZERO(&writable);
  FD_ZERO(&failed);
  FD_SET(client, &writable);
  FD_SET(client, &failed);
  timeval wait{5, 0};
  ASSERT_EQ(select(0, nullptr, &writable, &failed, &wait), 1);
  EXPECT_TRUE(FD_ISSET(client, &writable));
  EXPECT_FALSE(FD_ISSET(client, &failed));

  SOCKET server = accept(listener, nullptr, nullptr);
  ASSERT_NE(server, INVALID_SOCKET);
  u_long off = 0;
  ASSERT_EQ(ioctlsocket(client, FIONBIO, &off), 0);
  const char request[] =
      "\x00\x00\x00\x0a"
      "TR1000";
  EXPECT_EQ(send(client, request, 10, 0), 10);
  char reply[16] = {};
  fd_set readable;
  FD_ZERO(&readable);
  FD_SET(server, &readable);
  ASSERT_EQ(select(0, &readable, nullptr, nullptr, &wait), 1);
  u_long pending = 0;
  EXPECT_EQ(ioctlsocket(server, FIONREAD, &pending), 0);
  EXPECT_EQ(pending, 10u);
  EXPECT_EQ(recv(server, reply, sizeof reply, 0), 10);
  EXPECT_EQ(std::memcmp(reply, request, 10), 0);

  // The peer closes: reading gives 0, and sending never raises SIGPIPE but fails with a number.
  closesocket(server);
  EXPECT_EQ(recv(client, reply, sizeof reply, 0), 0);
  int result = 0;
  for (int i = 0; i < 50 && result != SOCKET_ERROR; ++i) result = send(client, reply, 8, 0);
  EXPECT_EQ(result, SOCKET_ERROR);
  EXPECT_EQ(WSAGetLastError(), WSAECONNRESET);
  closesocket(client);
  closesocket(listener);
}

TEST_F(WinsockTest, RefusedConnectIsReportedInTheExceptionSetNotAsWritable) {
  sockaddr_in address;
  SOCKET listener = Listen(address);
  closesocket(listener);  // nothing listens on that port any more

  SOCKET client = NonBlockingSocket();
  int rc = connect(client, reinterpret_cast<sockaddr*>(&address), sizeof address);
  ASSERT_EQ(rc, SOCKET_ERROR);
  if (WSAGetLastError() == WSAEWOULDBLOCK) {
    // Waiting on the write set alone times out: a failed connect is never "writable".
    fd_set writable;
    FD_ZERO(&writable);
    FD_SET(client, &writable);
    timeval shortWait{0, 100000};
    EXPECT_EQ(select(0, nullptr, &writable, nullptr, &shortWait), 0);
    EXPECT_EQ(writable.fd_count, 0u);
    fd_set failed;
    FD_ZERO(&writable);
    FD_ZERO(&failed);
    FD_SET(client, &writable);
    FD_SET(client, &failed);
    timeval wait{5, 0};
    EXPECT_EQ(select(0, nullptr, &writable, &failed, &wait), 1);
    EXPECT_TRUE(FD_ISSET(client, &failed));
    int error = 0, length = sizeof error;
    EXPECT_EQ(getsockopt(client, SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&error), &length), 0);
    EXPECT_EQ(error, WSAECONNREFUSED);
  } else {
    EXPECT_EQ(WSAGetLastError(), WSAECONNREFUSED);
  }
  // The same socket then connects to the next server that does listen.
  sockaddr_in next;
  SOCKET spare = Listen(next);
  rc = connect(client, reinterpret_cast<sockaddr*>(&next), sizeof next);
  if (rc == SOCKET_ERROR) {
    EXPECT_EQ(WSAGetLastError(), WSAEWOULDBLOCK);
    fd_set writable;
    FD_ZERO(&writable);
    FD_SET(client, &writable);
    timeval wait{5, 0};
    EXPECT_EQ(select(0, nullptr, &writable, nullptr, &wait), 1);
    EXPECT_EQ(connect(client, reinterpret_cast<sockaddr*>(&next), sizeof next), SOCKET_ERROR);
    EXPECT_EQ(WSAGetLastError(), WSAEISCONN);
  }
  closesocket(spare);
  closesocket(client);

  SOCKET blocking = socket(AF_INET, SOCK_STREAM, 0);
  EXPECT_EQ(connect(blocking, reinterpret_cast<sockaddr*>(&address), sizeof address), SOCKET_ERROR);
  EXPECT_EQ(WSAGetLastError(), WSAECONNREFUSED);
  closesocket(blocking);
}

TEST_F(WinsockTest, ClosingASocketWakesAThreadWaitingOnItAndItsNumberIsNotReused) {
  sockaddr_in address;
  SOCKET listener = Listen(address);
  SOCKET client = socket(AF_INET, SOCK_STREAM, 0);
  ASSERT_EQ(connect(client, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
  SOCKET server = accept(listener, nullptr, nullptr);
  ASSERT_NE(server, INVALID_SOCKET);

  // A receive thread waits without time-out, as the program's receive thread does.
  auto receiver = std::async(std::launch::async, [client] {
    fd_set readable;
    FD_ZERO(&readable);
    FD_SET(client, &readable);
    select(0, &readable, nullptr, nullptr, nullptr);
    char byte;
    int n = recv(client, &byte, 1, 0);
    return std::make_pair(n, WSAGetLastError());
  });
  Sleep(50);
  EXPECT_EQ(closesocket(client), 0);
  ASSERT_EQ(receiver.wait_for(std::chrono::seconds(5)), std::future_status::ready);
  auto [n, error] = receiver.get();
  EXPECT_EQ(n, SOCKET_ERROR);
  EXPECT_EQ(error, WSAENOTSOCK);

  // A new socket never takes the closed one's number: late calls on the old one fail.
  SOCKET next = socket(AF_INET, SOCK_STREAM, 0);
  EXPECT_NE(next, client);
  EXPECT_EQ(send(client, "x", 1, 0), SOCKET_ERROR);
  EXPECT_EQ(WSAGetLastError(), WSAENOTSOCK);
  for (SOCKET s : {next, server, listener}) closesocket(s);
}

TEST_F(WinsockTest, SelectSetsAndErrors) {
  sockaddr_in address;
  SOCKET listener = Listen(address);
  fd_set set;
  FD_ZERO(&set);
  FD_SET(listener, &set);
  timeval none{0, 0};
  auto begin = std::chrono::steady_clock::now();
  EXPECT_EQ(select(0, &set, nullptr, nullptr, &none), 0);  // nothing ready: at once
  EXPECT_LT(std::chrono::steady_clock::now() - begin, std::chrono::milliseconds(100));
  EXPECT_EQ(set.fd_count, 0u);

  // A set holds 64 sockets; a 65th leaves it unchanged, a socket already in it is not added twice.
  FD_ZERO(&set);
  for (SOCKET s = 1000; s < 1064; ++s) FD_SET(s, &set);
  FD_SET(1000, &set);
  FD_SET(5000, &set);
  EXPECT_EQ(set.fd_count, 64u);
  EXPECT_FALSE(FD_ISSET(5000, &set));
  FD_CLR(1001, &set);
  EXPECT_EQ(set.fd_count, 63u);
  EXPECT_EQ(set.fd_array[1], 1002u);  // order of the others kept

  fd_set empty;
  FD_ZERO(&empty);
  EXPECT_EQ(select(0, &empty, nullptr, nullptr, &none), SOCKET_ERROR);
  EXPECT_EQ(WSAGetLastError(), WSAEINVAL);
  EXPECT_EQ(closesocket(INVALID_SOCKET), SOCKET_ERROR);
  EXPECT_EQ(WSAGetLastError(), WSAENOTSOCK);
  char byte;
  EXPECT_EQ(recv(listener, &byte, 1, 0), SOCKET_ERROR);
  EXPECT_EQ(WSAGetLastError(), WSAENOTCONN);
  closesocket(listener);
}

TEST_F(WinsockTest, NamesResolveFromTheDeviceHostsFile) {
  WriteHostFile("Windows/hosts", "# test servers\n10.0.0.1 trade.quorvan.test\n10.0.0.2 TRADE.quorvan.test spare\n");
  hostent* h = gethostbyname("trade.quorvan.test");
  ASSERT_NE(h, nullptr);
  ASSERT_NE(h->h_addr_list[0], nullptr);
  ASSERT_NE(h->h_addr_list[1], nullptr);
  EXPECT_EQ(h->h_addr_list[2], nullptr);
  in_addr first, second;
  std::memcpy(&first, h->h_addr_list[0], 4);
  std::memcpy(&second, h->h_addr_list[1], 4);
  EXPECT_STREQ(inet_ntoa(first), "10.0.0.1");
  EXPECT_STREQ(inet_ntoa(second), "10.0.0.2");
  h = gethostbyname("192.168.0.7");
  ASSERT_NE(h, nullptr);
  EXPECT_EQ(*reinterpret_cast<uint32_t*>(h->h_addr_list[0]), inet_addr("192.168.0.7"));
  EXPECT_EQ(gethostbyname("no-such-host.invalid"), nullptr);
  EXPECT_EQ(WSAGetLastError(), WSAHOST_NOT_FOUND);
  EXPECT_EQ(inet_addr("300.1.1.1"), INADDR_NONE);
}

}  // namespace
