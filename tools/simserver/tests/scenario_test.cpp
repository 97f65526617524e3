// Scenario files, and the program with its options and control socket.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>

#include "fixture.h"

namespace tc {
namespace {

TEST(ScenarioText, ParseErrorsNameTheLine) {
  struct Case {
    const char* text;
    const char* error;  // empty: parses
  } cases[] = {
      {"expect 4020 enc=1 len=20 @0=\"demo\" @10=hex:31\nreply 4020 model\n", ""},
      {"# only a comment\n\n", "empty scenario"},
      {"expect\n", "line 1: expect needs a transaction code"},
      {"expect 4101\nreply 4101 9 empty\n", "line 2: status must be two characters"},
      {"expect 4101 @x=hex:00\n", "line 1: bad offset in '@x=hex:00'"},
      {"expect 4101 @0=hex:0\n", "line 1: expected hex:... or \"text\", got 'hex:0'"},
      {"reply 4101 99 msg \"only caption\"\n", "line 1: msg \"caption\" \"text\""},
      {"fault explode\n", "line 1: unknown fault 'explode'"},
      {"dance\n", "line 1: unknown step 'dance'"},
      {"expect 4101 @0=\"open\n", "line 1: unterminated quote"},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.text);
    simsrv::Scenario s;
    std::string err;
    bool ok = simsrv::ParseScenario(k.text, s, err);
    EXPECT_EQ(ok, std::string(k.error).empty());
    if (!ok) {
      EXPECT_EQ(err, k.error);
    }
  }
}

using ScenarioTest = ServerTest;

TEST_F(ScenarioTest, ScriptedConversationRunsToTheEnd) {
  simsrv::Scenario s;
  std::string err;
  ASSERT_TRUE(simsrv::LoadScenario(std::string(SIMSERVER_SCENARIOS) + "/login_quote.txt", s, err)) << err;
  server->setScenario(s);
  Client c;
  ASSERT_TRUE(c.Connect(port));
  ASSERT_EQ(c.Login("demo", "1234"), "00");
  // The keep-alive is never part of the script.
  ASSERT_TRUE(c.SendRaw(FromHex("0000000f044c340100010130300000")));
  Bytes reply;
  ASSERT_EQ(Ask(c, 4101, {'0', '0', '5', '9', '3', '0'}, false, &reply), "99");
  EXPECT_EQ(Message(reply).second, "장 운영시간이 아닙니다.");
  Packet p;
  ASSERT_TRUE(c.Receive(p));
  EXPECT_EQ(ToHex(p.bytes),
            "00000012245e340000000030300000"
            "01aabb");
  ASSERT_EQ(Ask(c, 4101, {'0', '0', '0', '6', '6', '0'}, false, &reply), "00");
  EXPECT_EQ(Net(reply, 12, 2), 128500);
  ASSERT_TRUE(c.Send(2310, Bytes(40, '1'), true));
  EXPECT_TRUE(c.WaitClosed());
  ASSERT_TRUE(server->waitScenario(2000));
  std::string why;
  EXPECT_TRUE(server->scenarioDone(&why)) << why;
}

TEST_F(ScenarioTest, UnexpectedRequestFailsTheScenarioWithItsLine) {
  simsrv::Scenario s;
  std::string err;
  ASSERT_TRUE(simsrv::ParseScenario("expect 4101 @0=\"005930\"\nreply 4101 model\nexpect 2310\n", s, err)) << err;
  server->setScenario(s);
  Client c;
  ASSERT_TRUE(c.Connect(port));
  ASSERT_TRUE(c.Send(4101, {'0', '0', '0', '6', '6', '0'}, false));
  ASSERT_TRUE(server->waitScenario(2000));
  std::string why;
  EXPECT_FALSE(server->scenarioDone(&why));
  EXPECT_EQ(why, "line 1: body at 0 is not 303035393330");
  Packet p;
  EXPECT_FALSE(c.Receive(p, 100));
}

// --- the program

struct Program {
  FILE* out = nullptr;
  ~Program() {
    if (out) pclose(out);
  }
  bool Start(const std::string& args) {
    std::string cmd = std::string(SIMSERVER_PROGRAM) + " --keys " + KeysDir() + " " + args;
    out = popen(cmd.c_str(), "r");
    return out != nullptr;
  }
  // Reads "<what> N" from the program's output.
  int Port(const std::string& what) {
    char line[256];
    if (!std::fgets(line, sizeof line, out)) return -1;
    std::string s = line;
    if (s.rfind(what + " ", 0) != 0) return -1;
    return std::atoi(s.c_str() + what.size() + 1);
  }
  std::string Rest() {
    std::string all;
    char line[512];
    while (std::fgets(line, sizeof line, out)) all += line;
    return all;
  }
  int Wait() {
    int st = pclose(out);
    out = nullptr;
    return WIFEXITED(st) ? WEXITSTATUS(st) : -1;
  }
};

// Sends control lines and reads the answer up to the line that ends it.
std::string Control(int port, const std::string& line) {
  int fd = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_port = htons(static_cast<uint16_t>(port));
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  if (::connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0) return "connect failed";
  std::string l = line + "\n";
  ::send(fd, l.data(), l.size(), 0);
  std::string answer;
  char buf[4096];
  for (;;) {
    ssize_t n = ::recv(fd, buf, sizeof buf, 0);
    if (n <= 0) break;
    answer.append(buf, static_cast<size_t>(n));
    if (answer.size() >= 1 && answer.back() == '\n' &&
        (answer.rfind("ok", 0) == 0 || answer.rfind("error", 0) == 0 || answer.find("end\n") != std::string::npos))
      break;
  }
  ::close(fd);
  return answer;
}

TEST(ProgramTest, RunsAScenarioFileAndReportsItsEnd) {
  Program prog;
  ASSERT_TRUE(prog.Start("--port 0 --scenario " + std::string(SIMSERVER_SCENARIOS) + "/login_quote.txt"));
  int port = prog.Port("trading port");
  ASSERT_GT(port, 0);
  Client c;
  ASSERT_TRUE(c.Connect(port));
  ASSERT_EQ(c.Login("demo", "1234"), "00");
  ASSERT_TRUE(c.Send(4101, {'0', '0', '5', '9', '3', '0'}, false));
  ASSERT_TRUE(c.Send(4101, {'0', '0', '0', '6', '6', '0'}, false));
  ASSERT_TRUE(c.Send(2310, Bytes(40, '1'), true));
  EXPECT_TRUE(c.WaitClosed());
  EXPECT_NE(prog.Rest().find("scenario complete"), std::string::npos);
  EXPECT_EQ(prog.Wait(), 0);
}

TEST(ProgramTest, ControlSocketDrivesPushesFaultsAndTheLog) {
  char dir[] = "/tmp/simserver-test-XXXXXX";
  ASSERT_NE(mkdtemp(dir), nullptr);
  std::string logPath = std::string(dir) + "/requests.log";
  std::string users = std::string(dir) + "/users.txt";
  {
    std::ofstream u(users);
    u << "# extra users\naccount 7777888801 4321 1000000 005930=5\nuser lee secret 7777888801\n";
  }
  Program prog;
  ASSERT_TRUE(prog.Start("--port 0 --control 0 --users " + users + " --log " + logPath));
  int port = prog.Port("trading port");
  int control = prog.Port("control port");
  ASSERT_GT(port, 0);
  ASSERT_GT(control, 0);

  Client c;
  ASSERT_TRUE(c.Connect(port));
  Bytes reply;
  ASSERT_EQ(c.Login("lee", "secret", &reply), "00");
  EXPECT_EQ(Text(reply, 31, 10), "7777888801");
  Bytes reg = FromHex(
      "0000001c2328340000000000000000"
      "31"
      "01"
      "2396"
      "01"
      "3030353933300000");
  ASSERT_TRUE(c.SendRaw(reg));
  // Requests are handled in order: the quote's reply shows that the registration was taken.
  ASSERT_TRUE(c.Send(4101, {'0', '0', '5', '9', '3', '0'}, false));
  Packet p;
  ASSERT_TRUE(c.Receive(p));
  EXPECT_EQ(Control(control, "regs 9110 005930"), "ok 1\n");
  EXPECT_EQ(Control(control, "push 9110 005930"), "ok 1\n");
  ASSERT_TRUE(c.Receive(p));
  EXPECT_EQ(p.code(), 9110);
  EXPECT_EQ(Control(control, "trade 005930 73000 7"), "ok 1\n");
  ASSERT_TRUE(c.Receive(p));
  EXPECT_EQ(Net(p.body(), 1 + 6, 2), 73000);
  EXPECT_EQ(Control(control, "trade 099999 1000"), "error unknown item 099999\n");
  EXPECT_EQ(Control(control, "conns"), "ok 1\n");

  EXPECT_EQ(Control(control, "fault no-reply 4101"), "ok\n");
  ASSERT_TRUE(c.Send(4101, {'0', '0', '5', '9', '3', '0'}, false));
  EXPECT_FALSE(c.Receive(p, 200));
  EXPECT_EQ(Control(control, "fault explode"), "error unknown fault 'explode'\n");

  std::string log = Control(control, "log");
  EXPECT_NE(log.find("code=4020"), std::string::npos);
  EXPECT_EQ(log.substr(log.size() - 4), "end\n");
  EXPECT_EQ(log.find("736563726574"), std::string::npos);  // "secret" never appears
  EXPECT_EQ(Control(control, "quit"), "ok bye\n");
  EXPECT_EQ(prog.Wait(), 0);

  std::ifstream f(logPath);
  std::string all((std::istreambuf_iterator<char>(f)), {});
  EXPECT_NE(all.find("code=1000"), std::string::npos);
  EXPECT_NE(all.find("code=9000"), std::string::npos);
  std::remove(logPath.c_str());
  std::remove(users.c_str());
  ::rmdir(dir);
}

TEST(ProgramTest, DeviceRootGivesThePortAndTheServerAddresses) {
  char dir[] = "/tmp/simserver-root-XXXXXX";
  ASSERT_NE(mkdtemp(dir), nullptr);
  std::string bin = std::string(dir) + "/Program Files/Quorvan/Bin";
  ASSERT_EQ(std::system(("mkdir -p '" + bin + "'").c_str()), 0);
  {
    std::ofstream conf(bin + "/Pelvato.conf", std::ios::binary);
    conf << "/* servers */\r\n[SERVER INFO]\r\nINTERNET SERVER=127.0.0.1\r\nSKT SERVER=127.0.0.3\r\n"
            "# KTF SERVER=127.0.0.2\r\nLGT SERVER=10.1.2.3\r\nMAIN PORT NUMBER=0\r\n";
  }
  Program prog;
  ASSERT_TRUE(prog.Start(std::string("--root ") + dir + " --control 0"));
  int port = prog.Port("trading port");
  int control = prog.Port("control port");
  ASSERT_GT(port, 0);
  Client skt, ktf;
  EXPECT_TRUE(skt.Connect(port, "127.0.0.3"));
  EXPECT_FALSE(ktf.Connect(port, "127.0.0.2"));  // a comment line, not a server key
  EXPECT_EQ(Control(control, "quit"), "ok bye\n");
  EXPECT_EQ(prog.Wait(), 0);
  std::system(("rm -rf '" + std::string(dir) + "'").c_str());
}

}  // namespace
}  // namespace tc
