// End to end: the receive thread connected to the simulated trading server, requests built by
// the packet layer and sent on the thread's socket, replies handed to the screen.
#include <gtest/gtest.h>

#include "recv_fixture.h"
#include "simserver/server.h"
#include "vxbase/ee_encrypt.h"
#include "vxbase/messages.h"

using namespace recvtest;

namespace {

class WithServer : public RecvTest {
 protected:
  void SetUp() override {
    RecvTest::SetUp();
    simsrv::ServerOptions o;
    o.keysDir = SIMSERVER_KEYS_DIR;
    o.addresses = {"127.0.0.1"};
    server_ = std::make_unique<simsrv::TradingServer>(o);
    port_ = server_->start(0);
    ASSERT_GT(port_, 0) << server_->lastError();
    ASSERT_NO_FATAL_FAILURE(StartThread(kMainRecvProfile, true, port_));
    ASSERT_TRUE(Pump([&] { return !Of(WM_VX_CONNECTED).empty(); }));
    socket_ = SOCKET(Of(WM_VX_CONNECTED)[0].lParam);
  }
  void TearDown() override {
    thread_.reset();
    if (server_) server_->stop();
    RecvTest::TearDown();
  }

  // The base quote request of a screen: plain, built by the packet layer.
  void RequestBase(const char* code) {
    unsigned char buf[64];
    int n = packets_.make_packet(buf, sizeof buf, TR_STOCK_BASE, '4', 1, 0, 1, 1, 0, 0,
                                 reinterpret_cast<const unsigned char*>(code), 6);
    ASSERT_EQ(n, 21);
    ASSERT_EQ(send(socket_, reinterpret_cast<const char*>(buf), n, 0), n);
  }

  std::unique_ptr<simsrv::TradingServer> server_;
  int port_ = 0;
  SOCKET socket_ = INVALID_SOCKET;
  EE_Encrypt packets_;
};

TEST_F(WithServer, ReplyReachesTheScreenAndOpens) {
  ASSERT_NO_FATAL_FAILURE(RequestBase("005930"));
  ASSERT_TRUE(WaitPackets(1));
  const Event e = Of(WM_VX_PACKET)[0];
  ASSERT_GE(e.packet.size(), 15u);
  const auto* header = reinterpret_cast<const TR_HEADER*>(e.packet.data());
  EXPECT_EQ(TrCode(*header), TR_STOCK_BASE);
  EXPECT_TRUE(TrSucceeded(*header));
  // The screen opens the reply in place, as the screens do, with the slot's own bounds.
  unsigned char body[128];
  uint16_t code = 0;
  int n = packets_.analy_recv_packet(reinterpret_cast<const unsigned char*>(e.wParam), 0, body, sizeof body, &code);
  EXPECT_EQ(n, 45);
  EXPECT_EQ(code, TR_STOCK_BASE);
  EXPECT_EQ(int(e.packet.size()), 15 + 45);
}

TEST_F(WithServer, KeepAliveBytesOnTheWire) {
  unsigned char buf[16];
  int n = packets_.make_packet(buf, sizeof buf, TR_KEEP_ALIVE, '4', 1, 0, 1, 1, 0, 0, nullptr, 0);
  ASSERT_EQ(n, 15);
  ASSERT_EQ(send(socket_, reinterpret_cast<const char*>(buf), n, 0), n);
  simsrv::LogEntry entry;
  ASSERT_TRUE(server_->waitForRequest(TR_KEEP_ALIVE, 3000, &entry));
  EXPECT_EQ(entry.header, (simsrv::Bytes{0, 0, 0, 0x0F, 0x04, 0x4C, 0x34, 1, 0, 1, 1, 0x30, 0x30, 0, 0}));
  EXPECT_TRUE(entry.body.empty());
}

TEST_F(WithServer, OversizedReplyIsSkippedAndTheNextOneArrives) {
  server_->setFault({simsrv::FaultKind::Oversize, TR_STOCK_BASE, 0, 1});
  ASSERT_NO_FATAL_FAILURE(RequestBase("005930"));
  ASSERT_NO_FATAL_FAILURE(RequestBase("000660"));
  ASSERT_TRUE(WaitPackets(1));
  plat::win::PumpMessages();
  auto packets = Of(WM_VX_PACKET);
  ASSERT_EQ(packets.size(), 1u);
  EXPECT_EQ(TrCode(*reinterpret_cast<const TR_HEADER*>(packets[0].packet.data())), TR_STOCK_BASE);
  EXPECT_EQ(packets[0].packet.size(), 60u);
  EXPECT_EQ(packets[0].slot, 1) << "the skipped packet used the first slot";
  EXPECT_TRUE(Statuses().empty());
}

// A reply too short for its header is dropped whole; the connection and the framing stay, and
// the next reply arrives in the slot after the one the short reply passed over.
TEST_F(WithServer, ShortReplyIsDroppedAndTheNextArrives) {
  ASSERT_NO_FATAL_FAILURE(RequestBase("005930"));
  ASSERT_TRUE(WaitPackets(1));
  server_->setFault({simsrv::FaultKind::ShortPacket, TR_STOCK_BASE, 0, 1});
  ASSERT_NO_FATAL_FAILURE(RequestBase("005930"));
  ASSERT_TRUE(Pump([&] { return thread_->RingIndex() == 2; }));
  ASSERT_NO_FATAL_FAILURE(RequestBase("005930"));
  ASSERT_TRUE(WaitPackets(2));
  auto packets = Of(WM_VX_PACKET);
  EXPECT_EQ(packets[1].slot, 2) << "the short reply passed over the second slot";
  EXPECT_EQ(TrCode(*reinterpret_cast<const TR_HEADER*>(packets[1].packet.data())), TR_STOCK_BASE);
  EXPECT_TRUE(Statuses().empty());
  EXPECT_EQ(server_->connectionCount(), 1);
}

TEST_F(WithServer, ServerDroppingTheClientBeforeAnyReply) {
  ASSERT_TRUE(Pump([&] { return server_->connectionCount() == 1; }));
  server_->dropConnections();
  ASSERT_TRUE(WaitStatus());
  EXPECT_EQ(Statuses(), std::vector<int>{VX_SOCK_LOST_BEFORE_DATA});
}

}  // namespace
