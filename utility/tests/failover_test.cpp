#include "failover.h"

#include <map>
#include <string>
#include <vector>

#include "device_fixture.h"
#include "glimmet/socket_util.h"
#include "loopback.h"

namespace {

// What the failover's functions saw.
struct Trace {
  std::vector<int> tried;   // ports, in order
  std::vector<int> closed;  // connection values
};
Trace* g_trace = nullptr;

// Connects over loopback; the connection value is the socket.
int connect_loopback(const char* host, int port, const char*, int) {
  g_trace->tried.push_back(port);
  SOCKET s = INVALID_SOCKET;
  if (connect_stream(&s, host, port, 1, 0) != 0) {
    if (s != INVALID_SOCKET) closesocket(s);
    return -1;
  }
  return static_cast<int>(s);
}

void close_loopback(int conn, SVR_INFO*) {
  g_trace->closed.push_back(conn);
  closesocket(static_cast<SOCKET>(conn));
}

class FailoverTest : public DeviceTest {
 protected:
  void SetUp() override {
    DeviceTest::SetUp();
    WSADATA data;
    WSAStartup(MAKEWORD(1, 1), &data);
    g_trace = &trace_;
  }
  void TearDown() override {
    svr_failover_release(&f_);
    g_trace = nullptr;
    WSACleanup();
    DeviceTest::TearDown();
  }
  int Open(const std::string& file) {
    WriteHost("servers.txt", file);
    return svr_failover_open(&f_, "\\servers.txt", connect_loopback, close_loopback);
  }
  static std::string Server(int port) { return "127.0.0.1 | " + std::to_string(port) + " | x"; }

  SVR_FAILOVER f_{};
  Trace trace_;
};

}  // namespace

TEST_F(FailoverTest, ParsesKeysValuesAndComments) {
  WriteHost("conf.txt",
            "# comment line\n"
            "  KEY_A = value a  # trailing comment\r\n"
            "\n"
            "KEY_B=\n"
            "KEY_C\n"
            "KEY_D = x = y\n"
            "KEY_A = second\n");
  CONF_PAIRS pairs;
  ASSERT_EQ(conf_load("\\conf.txt", &pairs), 0);
  EXPECT_EQ(pairs.count, 5);
  EXPECT_STREQ(conf_value(&pairs, "KEY_A", "def"), "value a");
  EXPECT_STREQ(conf_value(&pairs, "KEY_B", "def"), "def");  // empty value
  EXPECT_STREQ(conf_value(&pairs, "KEY_C", "def"), "def");  // no "="
  EXPECT_STREQ(conf_value(&pairs, "KEY_D", "def"), "x = y");
  EXPECT_STREQ(conf_value(&pairs, "key_a", "def"), "def");  // keys match exactly
  conf_free(&pairs);
  EXPECT_EQ(conf_load("\\missing.txt", &pairs), -1);
}

TEST_F(FailoverTest, ListsStopAtTheFirstMissingNumber) {
  ASSERT_EQ(Open("MAIN_SVR_0 = " + Server(1000) + "\nMAIN_SVR_2 = " + Server(1002) + "\nSPARE_SVR_0 = " + Server(2000) +
                 "\nSPARE_SVR_1 = \n"),
            0);
  EXPECT_EQ(f_.main_count, 1);
  EXPECT_EQ(f_.spare_count, 1);
  EXPECT_STREQ(f_.mains[0].host, "127.0.0.1");
  EXPECT_EQ(f_.mains[0].port, 1000);
  EXPECT_STREQ(f_.mains[0].text, "x");
}

TEST_F(FailoverTest, MalformedServerFailsTheOpen) {
  const char* bad[] = {"127.0.0.1 | 80",     " | 80 | x",          "127.0.0.1 | 0 | x",
                       "127.0.0.1 | -5 | x", "127.0.0.1 | 8o | x", "127.0.0.1 | 70000 | x",
                       "a | 1 | b | c"};
  for (const char* value : bad) {
    EXPECT_EQ(Open(std::string("MAIN_SVR_0 = ") + value + "\n"), -1) << value;
    EXPECT_EQ(Open("MAIN_SVR_0 = " + Server(80) + "\nSPARE_SVR_0 = " + value + "\n"), -1) << value;
  }
  EXPECT_EQ(Open("MAIN_SVR_0 = " + std::string(200, 'h') + " | 80 | x\n"), -1);  // host cut to fit: refused
  EXPECT_EQ(svr_failover_open(&f_, nullptr, connect_loopback, close_loopback), -1);
  EXPECT_EQ(svr_failover_open(&f_, "\\none.txt", connect_loopback, close_loopback), -1);
}

TEST_F(FailoverTest, RoundRobinTriesTheNextMainServerFirst) {
  Listener a, b, c;
  ASSERT_EQ(Open("MAIN_SVR_0 = " + Server(a.port) + "\nMAIN_SVR_1 = " + Server(b.port) +
                 "\nMAIN_SVR_2 = " + Server(c.port) + "\n"),
            0);
  int conn = svr_failover_connect(&f_, 1);
  ASSERT_GE(conn, 0);
  EXPECT_EQ(f_.cur_list, SVR_LIST_MAIN);
  EXPECT_EQ(f_.main_index, 1);
  EXPECT_EQ(trace_.tried, (std::vector<int>{b.port}));

  // Next: server 2 first; the previous connection is closed before.
  trace_.tried.clear();
  int next = svr_failover_connect(&f_, SVR_START_NEXT);
  ASSERT_GE(next, 0);
  EXPECT_EQ(trace_.closed, (std::vector<int>{conn}));
  EXPECT_EQ(trace_.tried, (std::vector<int>{c.port}));
  EXPECT_EQ(f_.main_index, 2);
  // And from the last server it wraps to the first.
  trace_.tried.clear();
  ASSERT_GE(svr_failover_connect(&f_, SVR_START_NEXT), 0);
  EXPECT_EQ(trace_.tried, (std::vector<int>{a.port}));
}

TEST_F(FailoverTest, RefusedServersAreSkippedInOrderThenSparesTried) {
  Listener spare;
  int r0 = RefusingPort(), r1 = RefusingPort(), r2 = RefusingPort();
  Listener ok;
  ASSERT_EQ(Open("MAIN_SVR_0 = " + Server(r0) + "\nMAIN_SVR_1 = " + Server(ok.port) + "\nMAIN_SVR_2 = " + Server(r2) +
                 "\nSPARE_SVR_0 = " + Server(spare.port) + "\n"),
            0);
  ASSERT_GE(svr_failover_connect(&f_, 2), 0);
  EXPECT_EQ(trace_.tried, (std::vector<int>{r2, r0, ok.port}));
  EXPECT_EQ(f_.main_index, 1);

  // Every main server refuses: the spare list takes over.
  svr_failover_release(&f_);
  trace_ = Trace{};
  ASSERT_EQ(Open("MAIN_SVR_0 = " + Server(r0) + "\nMAIN_SVR_1 = " + Server(r1) +
                 "\nSPARE_SVR_0 = " + Server(spare.port) + "\n"),
            0);
  int conn = svr_failover_connect(&f_, 0);
  ASSERT_GE(conn, 0);
  EXPECT_EQ(trace_.tried, (std::vector<int>{r0, r1, spare.port}));
  EXPECT_EQ(f_.cur_list, SVR_LIST_SPARE);
  EXPECT_EQ(f_.spares[0].conn, conn);
  svr_failover_close(&f_);
  EXPECT_EQ(trace_.closed, (std::vector<int>{conn}));
  EXPECT_EQ(f_.cur_list, SVR_LIST_NONE);
  EXPECT_EQ(f_.spares[0].conn, 0);
}

TEST_F(FailoverTest, StartsAreNormalisedAndEmptyListsSkipped) {
  Listener a, b, c;
  ASSERT_EQ(Open("MAIN_SVR_0 = " + Server(a.port) + "\nMAIN_SVR_1 = " + Server(b.port) +
                 "\nMAIN_SVR_2 = " + Server(c.port) + "\n"),
            0);
  struct Case {
    int start;
    int first;
  };
  const Case table[] = {{7, 1}, {-1, 2}, {-4, 2}, {-300, 0}, {3, 0}};
  for (const auto& cs : table) {
    trace_.tried.clear();
    ASSERT_GE(svr_failover_connect(&f_, cs.start), 0) << cs.start;
    ASSERT_EQ(trace_.tried.size(), 1u);
    EXPECT_EQ(trace_.tried[0], (std::vector<int>{a.port, b.port, c.port})[cs.first]) << cs.start;
  }
  for (int start : {SVR_START_RANDOM, SVR_START_NEXT}) ASSERT_GE(svr_failover_connect(&f_, start), 0);

  // Only spare servers, or none at all.
  svr_failover_release(&f_);
  ASSERT_EQ(Open("SPARE_SVR_0 = " + Server(a.port) + "\n"), 0);
  EXPECT_GE(svr_failover_connect(&f_, SVR_START_NEXT), 0);
  EXPECT_EQ(f_.cur_list, SVR_LIST_SPARE);
  svr_failover_release(&f_);
  ASSERT_EQ(Open("# nothing\n"), 0);
  trace_.tried.clear();
  EXPECT_EQ(svr_failover_connect(&f_, SVR_START_RANDOM), -1);
  EXPECT_EQ(svr_failover_connect(&f_, 5), -1);
  EXPECT_TRUE(trace_.tried.empty());
}
