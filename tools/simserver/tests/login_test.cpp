// Login transactions 1000, 1010 and 4020 against configured users, and the keep-alive.
#include "fixture.h"

namespace tc {
namespace {

using LoginTest = ServerTest;

TEST_F(LoginTest, DemoUserGetsItsAccountListInReplyOrder) {
  Client c;
  ASSERT_TRUE(c.Connect(port));
  Bytes reply;
  ASSERT_EQ(c.Login("demo", "1234", &reply), "00");
  ASSERT_GE(reply.size(), 31u);
  int n = static_cast<int8_t>(reply[30]);
  ASSERT_EQ(n, 6);
  ASSERT_EQ(reply.size(), 31u + 10u * n);
  std::vector<std::string> kinds;
  for (int i = 0; i < n; ++i) {
    std::string acct = Text(reply, 31 + 10 * i, 10);
    ASSERT_EQ(acct.size(), 10u);
    kinds.push_back(acct.substr(8));
  }
  EXPECT_EQ(kinds, (std::vector<std::string>{"01", "02", "03", "06", "09", "04"}));
  // The phone number arrived in plain text, the login enciphered; the password is not kept.
  auto log = server->log();
  ASSERT_EQ(log.size(), 4u);  // 1000 twice (the certificate was pushed), 1010, 4020
  EXPECT_EQ(log[2].code, 1010);
  EXPECT_EQ(Text(log[2].plain, 0, 14), "01012345678");
  EXPECT_EQ(log[3].code, 4020);
  EXPECT_EQ(log[3].encFlag, 1);
  EXPECT_TRUE(log[3].deciphered);
  EXPECT_EQ(Text(log[3].plain, 0, 10), "demo");
  EXPECT_EQ(Text(log[3].plain, 10, 10), "****");
  // "1234" in hex: nowhere in the text form of the log either.
  EXPECT_EQ(simsrv::FormatLogEntry(log[3]).find("31323334"), std::string::npos);
}

TEST_F(LoginTest, RefusedLoginsCarryAServerMessage) {
  struct Case {
    const char* id;
    const char* password;
  } cases[] = {{"demo", "12345"}, {"demo", ""}, {"nobody", "1234"}, {"DEMO", "1234"}};
  for (const Case& k : cases) {
    SCOPED_TRACE(std::string(k.id) + "/" + k.password);
    Client c;
    ASSERT_TRUE(c.Connect(port));
    Bytes reply;
    EXPECT_EQ(c.Login(k.id, k.password, &reply), "99");
    auto [caption, text] = Message(reply);
    EXPECT_EQ(caption, "로그인");
    EXPECT_EQ(text, "아이디 또는 비밀번호가 올바르지 않습니다.");
  }
}

TEST_F(LoginTest, ConfiguredUsersAndAnEmptyAccountList) {
  server->addUser(simsrv::User{"kim", "pw5678", {"5555666601", "5555666603"}},
                  {MakeAccount("5555666601", "1111", 5000000), MakeAccount("5555666603", "1111", 0)});
  Client c;
  ASSERT_TRUE(c.Connect(port));
  Bytes reply;
  ASSERT_EQ(c.Login("kim", "pw5678", &reply), "00");
  ASSERT_EQ(reply[30], 2);
  EXPECT_EQ(Text(reply, 31, 10), "5555666601");
  EXPECT_EQ(Text(reply, 41, 10), "5555666603");

  Client e;
  ASSERT_TRUE(e.Connect(port));
  ASSERT_EQ(e.Login("empty", "5678", &reply), "00");
  EXPECT_EQ(reply.size(), 31u);
  EXPECT_EQ(reply[30], 0);
}

TEST(ServerMessage, CaptionIsFourteenBytesAndNeverSplitsACharacter) {
  struct Case {
    const char* caption;
    const char* shown;
  } cases[] = {
      {"로그인", "로그인"}, {"", ""}, {"가나다라마바사아", "가나다라마바사"}, {"A가나다라마바사", "A가나다라마바"}};
  for (const Case& k : cases) {
    SCOPED_TRACE(k.caption);
    simsrv::Reply r;
    r.Error(k.caption, "본문");
    EXPECT_EQ(std::string(r.status, 2), "99");
    ASSERT_EQ(r.body.size(), 14u + 4u);
    EXPECT_EQ(Message(r.body).first, k.shown);
    EXPECT_EQ(Message(r.body).second, "본문");
  }
}

TEST_F(LoginTest, LoginInPlainTextIsRefused) {
  Client c;
  ASSERT_TRUE(c.Connect(port));
  c.deviceCertificate = TestServerCertificate();
  ASSERT_EQ(c.KeyExchange(), 0);
  Bytes body(20, 0);
  Put(body, 0, 10, "demo");
  Put(body, 10, 10, "1234");
  Bytes reply;
  EXPECT_EQ(Ask(c, 4020, body, false, &reply), "99");
  EXPECT_EQ(Text(server->log().back().plain, 10, 10), "****");
}

TEST_F(LoginTest, EveryServerKeysAddressReachesTheServerAndIsLogged) {
  for (const char* address : {"127.0.0.1", "127.0.0.2", "127.0.0.3", "127.0.0.4"}) {
    SCOPED_TRACE(address);
    Client c;
    ASSERT_TRUE(c.Connect(port, address));
    size_t before = server->logSize();
    EXPECT_EQ(c.Login("demo", "1234"), "00");
    simsrv::LogEntry e;
    ASSERT_TRUE(server->waitForRequest(4020, 1000, &e, before));
    EXPECT_EQ(e.localAddress, address);
  }
}

TEST_F(LoginTest, KeepAliveGetsNoReply) {
  Client c;
  ASSERT_TRUE(c.Connect(port));
  // The keep-alive exactly as the client's packet layer builds it.
  ASSERT_TRUE(c.SendRaw(FromHex("0000000f044c340100010130300000")));
  Bytes body = {'0', '0', '5', '9', '3', '0'};
  ASSERT_TRUE(c.Send(4101, body, false));
  Packet p;
  ASSERT_TRUE(c.Receive(p));
  EXPECT_EQ(p.code(), 4101);
  ASSERT_TRUE(server->waitForRequest(1100, 100));
}

}  // namespace
}  // namespace tc
