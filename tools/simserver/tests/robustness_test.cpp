// Whatever a logged-in client sends, every transaction answers and the server stays up.
#include <random>

#include "fixture.h"

namespace tc {
namespace {

using RobustnessTest = ServerTest;

TEST_F(RobustnessTest, EveryTransactionSurvivesBodiesOfAnyLength) {
  auto c = LoggedIn();
  std::mt19937 rng(12345);
  const size_t sizes[] = {0, 1, 5, 9, 17, 18, 19, 20, 21, 36, 37, 39, 40, 41, 42, 43, 45, 46, 150, 151, 152, 400};
  int requests = 0, accepted = 0;
  // A new key exchange would end the session under test; a failed login ends the login: last.
  std::vector<uint16_t> codes;
  for (const auto& [code, handler] : simsrv::DefaultHandlers())
    if (code != 1000 && code != 4020) codes.push_back(code);
  codes.push_back(4020);
  for (uint16_t code : codes) {
    for (size_t size : sizes) {
      for (int variant = 0; variant < 3; ++variant) {
        SCOPED_TRACE(std::to_string(code) + " size " + std::to_string(size) + " variant " + std::to_string(variant));
        Bytes body(size);
        for (auto& b : body) b = static_cast<uint8_t>(variant == 0 ? rng() : '0' + rng() % 10);
        if (variant == 2 && size >= 18) {  // a good account prefix, so that the deeper checks run
          Put(body, 0, 10, "1234567801");
          Put(body, 10, 8, "0000");
        }
        ASSERT_TRUE(c->Send(code, body, true));
        ++requests;
        if (code == 9000 || (body.empty() && code == 1100)) continue;
        Packet p;
        ASSERT_TRUE(c->Receive(p)) << "no answer";
        EXPECT_EQ(p.code(), code);
        EXPECT_LE(p.length(), 4096u);
        Bytes opened;
        EXPECT_EQ(c->Open(p, opened), 0);
        if (p.status() == "00" && code != 1010 && code != 4101 && code != 5555) ++accepted;
      }
    }
  }
  EXPECT_GT(requests, 500);
  EXPECT_GT(accepted, 20);  // the deeper paths ran too
  Bytes quote;
  EXPECT_EQ(Ask(*c, 4101, {'0', '0', '5', '9', '3', '0'}, false, &quote), "00");
}

TEST_F(RobustnessTest, AHandlerMayPushWhileItHoldsTheMarket) {
  Client c;
  ASSERT_TRUE(c.Connect(port));
  Bytes reg = {0, 0,   0, 28,   0x23, 0x28, '4', 0,   0,   0,   0,   0,   0, 0,
               0, '1', 1, 0x23, 0x96, 1,    '0', '0', '5', '9', '3', '0', 0, 0};
  ASSERT_TRUE(c.SendRaw(reg));
  server->setHandler(7100, [](simsrv::HandlerContext& ctx, const simsrv::Request&, simsrv::Reply& r) {
    ctx.server.trade("005930", 71600, 1);
    r.body = {1};
  });
  ASSERT_TRUE(c.Send(7100, {}, false));
  Packet p;
  ASSERT_TRUE(c.Receive(p));
  EXPECT_EQ(p.code(), 9110);  // the push goes out before the reply
  ASSERT_TRUE(c.Receive(p));
  EXPECT_EQ(p.code(), 7100);
}

}  // namespace
}  // namespace tc
