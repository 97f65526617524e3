// Registration (9000) per connection and the pushes that follow it.
#include "fixture.h"

namespace tc {
namespace {

using PushTest = ServerTest;

// REAL_REQ_9000 exactly as a screen builds it: zeroed header, kind, 1, type, count, 8-byte slots.
Bytes RealReq(char kind, uint16_t type, const std::vector<std::string>& codes) {
  Bytes p(20 + 8 * codes.size(), 0);
  p[3] = static_cast<uint8_t>(p.size());
  p[4] = 9000 >> 8;
  p[5] = 9000 & 0xFF;
  p[6] = '4';
  p[15] = static_cast<uint8_t>(kind);
  p[16] = 1;
  p[17] = static_cast<uint8_t>(type >> 8);
  p[18] = static_cast<uint8_t>(type);
  p[19] = static_cast<uint8_t>(codes.size());
  for (size_t k = 0; k < codes.size(); ++k) Put(p, 20 + 8 * k, 8, codes[k]);
  return p;
}

void Register(simsrv::TradingServer& s, Client& c, char kind, uint16_t type, const std::vector<std::string>& codes) {
  size_t before = s.logSize();
  ASSERT_TRUE(c.SendRaw(RealReq(kind, type, codes)));
  ASSERT_TRUE(s.waitForRequest(9000, 2000, nullptr, before));
}

TEST_F(PushTest, RegisteredTickArrivesAndStopsAfterRelease) {
  Client c;
  ASSERT_TRUE(c.Connect(port));
  Register(*server, c, '1', 9110, {"005930"});
  EXPECT_EQ(server->registrations(9110, "005930"), 1);

  EXPECT_EQ(server->trade("005930", 72000, 25), 1);
  Packet p;
  ASSERT_TRUE(c.Receive(p));
  EXPECT_EQ(p.code(), 9110);
  EXPECT_EQ(p.status(), "00");
  EXPECT_EQ(p.enc(), 0);
  Bytes b = p.body();
  ASSERT_EQ(b.size(), 1u + 61u);
  EXPECT_EQ(b[0], 1);
  EXPECT_EQ(Text(b, 1, 6), "005930");
  EXPECT_EQ(Net(b, 1 + 6, 2), 72000);
  EXPECT_EQ(Net(b, 1 + 10, 3), 1240067 + 25);
  EXPECT_EQ(b[1 + 29], '2');
  EXPECT_EQ(Net(b, 1 + 30, 2), 1000);
  EXPECT_EQ(ToHex(Bytes(b.begin() + 35, b.begin() + 39)), "00010028");  // 1.40 %
  EXPECT_EQ(b[1 + 58], 9);                                              // the market clock: 09:00:01
  EXPECT_EQ(b[1 + 60], 1);

  Register(*server, c, '2', 9110, {"005930"});
  EXPECT_EQ(server->registrations(9110, "005930"), 0);
  EXPECT_EQ(server->push(9110, {"005930"}), 0);
  EXPECT_FALSE(c.Receive(p, 100));
}

TEST_F(PushTest, IndexPushCarriesOneRecordPerRegisteredIndex) {
  Client c;
  ASSERT_TRUE(c.Connect(port));
  Register(*server, c, '1', 9210, {"00001", "02001"});
  EXPECT_EQ(server->push(9210), 1);
  Packet p;
  ASSERT_TRUE(c.Receive(p));
  Bytes b = p.body();
  ASSERT_EQ(b.size(), 1u + 2 * 23u);
  EXPECT_EQ(b[0], 2);
  // The registrations are kept by code order: "00001" then "02001".
  EXPECT_EQ(Text(b, 1, 5), "00001");
  EXPECT_EQ(ToHex(Bytes(b.begin() + 6, b.begin() + 15)),
            "09c4000c32"
            "0009003e");
  EXPECT_EQ(Text(b, 24, 5), "02001");
  EXPECT_EQ(b[24 + 9], '5');
}

TEST_F(PushTest, OrderBookPushesFollowTheirTypes) {
  struct Case {
    uint16_t type;
    size_t record;
    size_t bidPriceAt;
  } cases[] = {{9120, 130, 26}, {9121, 218, 46}};
  for (const Case& k : cases) {
    SCOPED_TRACE(k.type);
    Client c;
    ASSERT_TRUE(c.Connect(port));
    Register(*server, c, '1', k.type, {"005930"});
    EXPECT_EQ(server->push(k.type, {"005930"}), 1);
    Packet p;
    ASSERT_TRUE(c.Receive(p));
    Bytes b = p.body();
    ASSERT_EQ(b.size(), 1 + k.record);
    EXPECT_EQ(Text(b, 1, 6), "005930");
    EXPECT_EQ(Net(b, 1 + 6, 2), 71500);             // best ask
    EXPECT_EQ(Net(b, 1 + k.bidPriceAt, 2), 71400);  // best bid
    c.Close();
  }
}

TEST_F(PushTest, FutOptTradeAndBookFollowATrade) {
  Client c;
  ASSERT_TRUE(c.Connect(port));
  Register(*server, c, '1', 9310, {"101C3000"});
  Register(*server, c, '1', 9321, {"101C3000"});
  EXPECT_EQ(server->trade("101C3000", 18555, 3), 1);  // 185.55, below the close of 186.50
  Packet p;
  ASSERT_TRUE(c.Receive(p));
  ASSERT_EQ(p.code(), 9310);
  Bytes b = p.body();
  ASSERT_EQ(b.size(), 1u + 62u);
  EXPECT_EQ(b[0], 1);
  EXPECT_EQ(Text(b, 1, 8), "101C3000");
  EXPECT_EQ(ToHex(Bytes(b.begin() + 9, b.begin() + 13)), "00b90037");
  EXPECT_EQ(ToHex(Bytes(b.begin() + 31, b.begin() + 35)), "0000005f");  // change 0.95
  EXPECT_EQ(b[1 + 38], '5');
  ASSERT_TRUE(c.Receive(p));
  ASSERT_EQ(p.code(), 9321);
  b = p.body();
  ASSERT_EQ(b.size(), 169u);
  EXPECT_EQ(Text(b, 1, 8), "101C3000");
  EXPECT_EQ(ToHex(Bytes(b.begin() + 9, b.begin() + 13)), "00b9003c");   // best ask 185.60
  EXPECT_EQ(ToHex(Bytes(b.begin() + 29, b.begin() + 33)), "00b90032");  // best bid 185.50
  EXPECT_EQ(server->trade("101C9999", 100, 1), -1);
}

TEST_F(PushTest, FuturesRegisteredByTheFinderCodeGetRecordsUnderThatCode) {
  // The futures book registers its nearest contract and its item: both "101C3" here.
  Client c;
  ASSERT_TRUE(c.Connect(port));
  Register(*server, c, '1', 9310, {"101C3"});
  Register(*server, c, '1', 9310, {"101C3"});
  Register(*server, c, '1', 9321, {"101C3"});
  Register(*server, c, '1', 9410, {"201C3185"});
  EXPECT_EQ(server->registrations(9310, "101C3"), 2);
  EXPECT_EQ(server->trade("101C3000", 18705, 1), 1);
  Packet p;
  ASSERT_TRUE(c.Receive(p));
  ASSERT_EQ(p.code(), 9310);
  Bytes b = p.body();
  ASSERT_EQ(b.size(), 1u + 62u);  // one record for the one code, however often registered
  EXPECT_EQ(ToHex(Bytes(b.begin() + 1, b.begin() + 9)), "3130314333000000");
  ASSERT_TRUE(c.Receive(p));
  ASSERT_EQ(p.code(), 9321);
  EXPECT_EQ(Text(p.body(), 1, 8), "101C3");
  // Another contract reaches no one; an option trade goes to the option's registration.
  EXPECT_EQ(server->trade("101C6000", 18810, 1), 0);
  EXPECT_EQ(server->trade("201C3185", 355, 1), 1);
  ASSERT_TRUE(c.Receive(p));
  ASSERT_EQ(p.code(), 9410);
  EXPECT_EQ(Text(p.body(), 1, 8), "201C3185");
  Register(*server, c, '2', 9310, {"101C3"});
  Register(*server, c, '2', 9310, {"101C3"});
  EXPECT_EQ(server->registrations(9310, "101C3"), 0);
  EXPECT_EQ(server->push(9310, {"101C3000"}), 0);
}

TEST_F(PushTest, RegistrationsAreCountedPerConnectionAndEndWithIt) {
  Client a, b;
  ASSERT_TRUE(a.Connect(port));
  ASSERT_TRUE(b.Connect(port));
  Register(*server, a, '1', 9110, {"005930"});
  Register(*server, a, '1', 9110, {"005930"});  // a second screen of the same connection
  Register(*server, b, '1', 9110, {"005930", "000660"});
  EXPECT_EQ(server->registrations(9110, "005930"), 3);
  EXPECT_EQ(server->registrations(9110, "000660"), 1);
  auto regs = server->requests(9000);
  ASSERT_EQ(regs.size(), 3u);
  EXPECT_EQ(regs[2].plain.size(), 5u + 16u);
  EXPECT_EQ(regs[0].connection, regs[1].connection);
  EXPECT_NE(regs[1].connection, regs[2].connection);
  Register(*server, a, '2', 9110, {"005930"});
  EXPECT_EQ(server->registrations(9110, "005930"), 2);
  EXPECT_EQ(server->push(9110, {"005930"}), 2);
  // Releasing what was never registered changes nothing.
  Register(*server, b, '2', 9120, {"005930"});
  EXPECT_EQ(server->registrations(9110, "005930"), 2);

  b.Close();
  EXPECT_TRUE(Eventually([&] { return server->registrations(9110, "000660") == 0; }));
  EXPECT_EQ(server->registrations(9110, "005930"), 1);
}

TEST_F(PushTest, MalformedRegistrationsAreIgnored) {
  Client c;
  ASSERT_TRUE(c.Connect(port));
  Bytes more = RealReq('1', 9110, {"005930"});
  more[19] = 3;  // promises three slots, carries one
  Bytes kind = RealReq('3', 9110, {"005930"});
  for (const Bytes& p : {more, kind}) {
    size_t before = server->logSize();
    ASSERT_TRUE(c.SendRaw(p));
    ASSERT_TRUE(server->waitForRequest(9000, 2000, nullptr, before));
  }
  EXPECT_EQ(server->registrations(9110, "005930"), 0);
  Packet p;
  EXPECT_FALSE(c.Receive(p, 100));  // and no reply, ever
}

TEST_F(PushTest, RawPushReachesOneOrEveryConnection) {
  Client a, b;
  ASSERT_TRUE(a.Connect(port));
  ASSERT_TRUE(b.Connect(port));
  ASSERT_TRUE(Eventually([&] { return server->connectionCount() == 2; }));
  EXPECT_EQ(server->pushRaw(9310, {1, 2, 3}), 2);
  EXPECT_EQ(server->pushRaw(9310, {4}, 2), 1);
  Packet p;
  ASSERT_TRUE(a.Receive(p));
  EXPECT_EQ(ToHex(p.bytes),
            "00000012245e340000000030300000"
            "010203");
  EXPECT_FALSE(a.Receive(p, 100));
  ASSERT_TRUE(b.Receive(p));
  ASSERT_TRUE(b.Receive(p));
  EXPECT_EQ(p.body(), Bytes{4});
}

TEST_F(PushTest, TickerTradesOnItsTimerUntilStopped) {
  Client c;
  ASSERT_TRUE(c.Connect(port));
  Register(*server, c, '1', 9110, {"005930"});
  Register(*server, c, '1', 9210, {"00001", "02001"});
  server->startTicker(5, {"005930"});
  Packet p;
  // The first step goes one tick up: a tick at 71,600, then the indices.
  ASSERT_TRUE(c.Receive(p));
  ASSERT_EQ(p.code(), 9110);
  EXPECT_EQ(Net(p.body(), 1 + 6, 2), 71600);
  ASSERT_TRUE(c.Receive(p));
  EXPECT_EQ(p.code(), 9210);
  server->stopTicker();
  while (c.Receive(p, 50)) {
  }
  int64_t price = server->withMarket([](simsrv::Market& m) { return m.FindItem("005930")->price; });
  EXPECT_FALSE(c.Receive(p, 50));
  EXPECT_EQ(server->withMarket([](simsrv::Market& m) { return m.FindItem("005930")->price; }), price);
}

}  // namespace
}  // namespace tc
