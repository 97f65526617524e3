// The control line protocol, in-process and over a Unix socket.
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include "fixture.h"

namespace tc {
namespace {

using ControlTest = ServerTest;

TEST_F(ControlTest, CommandsAnswerOnOneLine) {
  struct Case {
    const char* command;
    const char* answer;  // the whole answer, or its start when it ends with '*'
  } cases[] = {
      {"conns", "ok 0"},
      {"regs 9110 005930", "ok 0"},
      {"push 9110 005930", "ok 0"},
      {"push 0", "error unknown or malformed command*"},
      {"push-raw 9110 01zz", "error bad hex"},
      {"push-raw 9110 0102", "ok 0"},
      {"trade 005930 71000 5", "ok 0"},
      {"trade 005930 -1", "error unknown or malformed command*"},
      {"trade 005930 71000 x", "error bad quantity"},
      {"trade 000000 1000", "error unknown item 000000"},
      {"index 00001 251000", "ok 0"},
      {"index 99999 1", "error unknown index 99999"},
      {"fault delay 4101 ms=10", "ok"},
      {"fault clear", "ok"},
      {"fault", "error fault kind missing"},
      {"user toolongname12 pw", "error id up to 10, password up to 8 characters"},
      {"user park pw 1111222201", "ok"},
      {"account 1111222201 9999 500", "ok"},
      {"account 111 9999 500", "error unknown or malformed command*"},
      {"log clear", "ok"},
      {"log", "end"},
      {"", "error empty command"},
      {"dance", "error unknown or malformed command*"},
      {"help", "ok commands:*"},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.command);
    bool quit = false;
    std::string answer = simsrv::RunControlCommand(*server, k.command, &quit);
    std::string want = k.answer;
    if (!want.empty() && want.back() == '*') {
      EXPECT_EQ(answer.substr(0, want.size() - 1), want.substr(0, want.size() - 1));
    } else {
      EXPECT_EQ(answer, want);
    }
    EXPECT_FALSE(quit);
  }
  // What the commands configured is in effect.
  EXPECT_EQ(server->withMarket([](simsrv::Market& m) { return m.FindItem("005930")->price; }), 71000);
  EXPECT_EQ(server->withMarket([](simsrv::Market& m) { return m.FindIndex("00001")->value; }), 251000);
  Client c;
  ASSERT_TRUE(c.Connect(port));
  Bytes reply;
  ASSERT_EQ(c.Login("park", "pw", &reply), "00");
  EXPECT_EQ(Text(reply, 31, 10), "1111222201");
  bool quit = false;
  EXPECT_EQ(simsrv::RunControlCommand(*server, "quit", &quit), "ok bye");
  EXPECT_TRUE(quit);
}

TEST_F(ControlTest, UnixSocketControl) {
  char dir[] = "/tmp/simserver-ctl-XXXXXX";
  ASSERT_NE(mkdtemp(dir), nullptr);
  std::string path = std::string(dir) + "/control";
  simsrv::ControlServer ctl(*server);
  std::string error;
  ASSERT_EQ(ctl.start(path, error), 0) << error;
  int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
  sockaddr_un a{};
  a.sun_family = AF_UNIX;
  std::snprintf(a.sun_path, sizeof a.sun_path, "%s", path.c_str());
  ASSERT_EQ(::connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a), 0);
  const char cmds[] = "conns\r\nquit\n";
  ASSERT_EQ(::send(fd, cmds, sizeof cmds - 1, 0), static_cast<ssize_t>(sizeof cmds - 1));
  std::string answer;
  char buf[256];
  ssize_t n;
  while ((n = ::recv(fd, buf, sizeof buf, 0)) > 0) answer.append(buf, static_cast<size_t>(n));
  ::close(fd);
  EXPECT_EQ(answer, "ok 0\nok bye\n");
  EXPECT_TRUE(ctl.waitQuit(1000));
  ctl.stop();
  EXPECT_NE(::access(path.c_str(), F_OK), 0);  // the socket file is gone
  ::rmdir(dir);
}

}  // namespace
}  // namespace tc
