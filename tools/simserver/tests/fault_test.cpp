// Fault injection, seen from a raw socket client; and framing faults the server must survive.
#include <chrono>

#include "fixture.h"

namespace tc {
namespace {

using FaultTest = ServerTest;

enum class Seen {
  Closed,
  HalfThenClosed,
  Length4097,
  Length10,
  Session353,
  Session500,
  Session402,
  Late,
  Nothing,
  AllFF
};

TEST_F(FaultTest, EachFaultShowsOnTheWire) {
  struct Case {
    simsrv::FaultKind kind;
    uint16_t code;  // 4101 plain, 4340 enciphered
    Seen seen;
  } cases[] = {
      {simsrv::FaultKind::CloseNow, 4101, Seen::Closed},
      {simsrv::FaultKind::CloseMidPacket, 4101, Seen::HalfThenClosed},
      {simsrv::FaultKind::Oversize, 4101, Seen::Length4097},
      {simsrv::FaultKind::ShortPacket, 4101, Seen::Length10},
      {simsrv::FaultKind::TamperMac, 4340, Seen::Session353},
      {simsrv::FaultKind::Replay, 4340, Seen::Session500},
      {simsrv::FaultKind::WrongSessionId, 4340, Seen::Session402},
      {simsrv::FaultKind::Delay, 4101, Seen::Late},
      {simsrv::FaultKind::NoReply, 4101, Seen::Nothing},
      {simsrv::FaultKind::FillFF, 4101, Seen::AllFF},
      {simsrv::FaultKind::FillFF, 4340, Seen::AllFF},
  };
  Bytes inquiry(21, 0);
  Put(inquiry, 0, 10, "1234567801");
  Put(inquiry, 10, 8, "0000");
  inquiry[18] = '0';
  inquiry[20] = 6;
  for (const Case& k : cases) {
    SCOPED_TRACE(simsrv::FaultName(k.kind));
    auto c = LoggedIn();
    // The first inquiry succeeds, so that a replayed record repeats a number already seen.
    if (k.code == 4340) {
      ASSERT_EQ(Ask(*c, 4340, inquiry, true), "00");
    }
    simsrv::Fault f;
    f.kind = k.kind;
    f.code = k.code;
    f.delayMs = 150;
    server->setFault(f);
    auto t0 = std::chrono::steady_clock::now();
    if (k.code == 4101)
      ASSERT_TRUE(c->Send(4101, {'0', '0', '5', '9', '3', '0'}, false));
    else
      ASSERT_TRUE(c->Send(4340, inquiry, true));
    Packet p;
    switch (k.seen) {
      case Seen::Closed: EXPECT_TRUE(c->WaitClosed()); break;
      case Seen::HalfThenClosed:
        EXPECT_FALSE(c->Receive(p, 1000));
        EXPECT_TRUE(c->WaitClosed());
        break;
      case Seen::Length4097:
        ASSERT_TRUE(c->Receive(p));
        EXPECT_EQ(p.length(), 4097u);
        EXPECT_EQ(p.bytes.size(), 4097u);
        break;
      case Seen::Length10:
        ASSERT_TRUE(c->Receive(p));
        EXPECT_EQ(p.length(), 10u);
        break;
      case Seen::Session353:
      case Seen::Session500:
      case Seen::Session402: {
        ASSERT_TRUE(c->Receive(p));
        EXPECT_EQ(p.enc(), 1);
        Bytes body;
        int want = k.seen == Seen::Session353 ? -353 : k.seen == Seen::Session500 ? -500 : -402;
        EXPECT_EQ(c->Open(p, body), want);
        break;
      }
      case Seen::Late:
        ASSERT_TRUE(c->Receive(p));
        EXPECT_GE(std::chrono::steady_clock::now() - t0, std::chrono::milliseconds(150));
        EXPECT_EQ(p.code(), 4101);
        break;
      case Seen::Nothing: EXPECT_FALSE(c->Receive(p, 200)); break;
      case Seen::AllFF: {
        ASSERT_TRUE(c->Receive(p));
        EXPECT_EQ(p.code(), k.code);
        EXPECT_EQ(p.status(), "00");
        Bytes body = p.body();
        if (k.code == 4340) {
          EXPECT_EQ(p.enc(), 1);
          ASSERT_EQ(c->Open(p, body), 0);
        }
        EXPECT_GE(body.size(), 15u) << "the reply's own length";
        EXPECT_EQ(body, Bytes(body.size(), 0xFF));
        break;
      }
    }
    // A fault applies once: the next request is answered normally (when the line is still up).
    if (k.seen != Seen::Closed && k.seen != Seen::HalfThenClosed) {
      Bytes quote;
      EXPECT_EQ(Ask(*c, 4101, {'0', '0', '5', '9', '3', '0'}, false, &quote), "00");
    }
  }
}

TEST_F(FaultTest, FaultForOneCodeLeavesOthersAlone) {
  simsrv::Fault f{simsrv::FaultKind::NoReply, 2310, 0, -1};
  server->setFault(f);
  auto c = LoggedIn();
  Bytes quote;
  EXPECT_EQ(Ask(*c, 4101, {'0', '0', '5', '9', '3', '0'}, false, &quote), "00");
  EXPECT_EQ(Ask(*c, 4101, {'0', '0', '5', '9', '3', '0'}, false, &quote), "00");
  server->clearFaults();
}

TEST(FaultText, ParsesWhatTheControlSocketTakes) {
  struct Case {
    const char* text;
    bool ok;
    simsrv::FaultKind kind;
    uint16_t code;
    uint32_t ms;
    int count;
  } cases[] = {
      {"close", true, simsrv::FaultKind::CloseNow, 0, 0, 1},
      {"delay 4101 ms=250", true, simsrv::FaultKind::Delay, 4101, 250, 1},
      {"tamper-mac code=4020 count=3", true, simsrv::FaultKind::TamperMac, 4020, 0, 3},
      {"no-reply always", true, simsrv::FaultKind::NoReply, 0, 0, -1},
      {"fill-ff 4401", true, simsrv::FaultKind::FillFF, 4401, 0, 1},
      {"explode", false, simsrv::FaultKind::None, 0, 0, 1},
      {"delay ms=x", false, simsrv::FaultKind::None, 0, 0, 1},
      {"", false, simsrv::FaultKind::None, 0, 0, 1},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.text);
    simsrv::Fault f;
    std::string err;
    ASSERT_EQ(simsrv::ParseFault(k.text, f, err), k.ok) << err;
    if (!k.ok) continue;
    EXPECT_EQ(f.kind, k.kind);
    EXPECT_EQ(f.code, k.code);
    EXPECT_EQ(f.delayMs, k.ms);
    EXPECT_EQ(f.count, k.count);
  }
}

// What a broken client sends must not bring the server down or lose the framing.
TEST_F(FaultTest, ServerSurvivesBadFrames) {
  struct Case {
    const char* name;
    Bytes bytes;
    bool keepsConnection;
  } cases[] = {
      {"length above 4,096, with its bytes",
       [] {
         Bytes b(5000, 0);
         b[2] = 5000 >> 8;
         b[3] = 5000 & 0xFF;
         return b;
       }(),
       true},
      {"length shorter than a header", FromHex("0000000a100534010001"), true},
      {"length of 4", FromHex("00000004"), true},
      {"length below 4", FromHex("00000002"), false},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.name);
    Client c;
    ASSERT_TRUE(c.Connect(port));
    size_t before = server->logSize();
    ASSERT_TRUE(c.SendRaw(k.bytes));
    ASSERT_TRUE(server->waitForRequest(0, 2000, nullptr, before));
    EXPECT_NE(server->log()[before].note.find("bad length"), std::string::npos);
    if (k.keepsConnection) {
      Bytes quote;
      EXPECT_EQ(Ask(c, 4101, {'0', '0', '5', '9', '3', '0'}, false, &quote), "00");
    } else {
      EXPECT_TRUE(c.WaitClosed());
    }
  }
  // A packet cut off by the client's close is logged, and the server goes on.
  {
    Client c;
    ASSERT_TRUE(c.Connect(port));
    size_t before = server->logSize();
    ASSERT_TRUE(c.SendRaw(FromHex("0000001510053401000101")));
    c.Close();
    ASSERT_TRUE(server->waitForRequest(0, 2000, nullptr, before));
    EXPECT_EQ(server->log()[before].note, "connection closed inside a packet");
  }
  auto c = LoggedIn();
  EXPECT_TRUE(c != nullptr);
}

}  // namespace
}  // namespace tc
