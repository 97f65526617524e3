// End to end: the updater's receive thread against the simulated version server. Replies come
// in pieces of up to 4,096 bytes behind the 9-byte header, each handed over on its own.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>

#include "recv_fixture.h"
#include "simver/version_server.h"
#include "vxbase/messages.h"

using namespace recvtest;

namespace {

class WithVersionServer : public RecvTest {
 protected:
  void SetUp() override {
    RecvTest::SetUp();
    const std::string folder = root_ + "/served";
    std::filesystem::create_directories(folder);
    file_.assign(10000, '\0');
    for (size_t i = 0; i < file_.size(); ++i) file_[i] = char(i * 13 + 1);
    std::ofstream(folder + "/ZR4105.dll", std::ios::binary) << file_;
    std::ofstream(folder + "/versions.txt") << "0|ZR4105.dll|070315\n";
    server_ = std::make_unique<simver::VersionServer>(folder);
    server_->setAddresses({"127.0.0.1"});
    const int port = server_->start(0);
    ASSERT_GT(port, 0) << server_->lastError();
    ASSERT_NO_FATAL_FAILURE(Connect());
  }
  // A new thread and connection to the same server.
  void Connect() {
    thread_.reset();
    Events().clear();
    ASSERT_NO_FATAL_FAILURE(StartThread(kUpdaterRecvProfile, true, server_->port()));
    ASSERT_TRUE(Pump([&] { return !Of(WM_VX_VERSION_CONNECTED).empty(); }));
    socket_ = SOCKET(Of(WM_VX_VERSION_CONNECTED)[0].lParam);
  }
  void TearDown() override {
    thread_.reset();
    if (server_) server_->stop();
    RecvTest::TearDown();
  }

  void RequestFile(const char* name) {
    Bytes request(41, 0);
    request[1] = 41;
    request[2] = simver::kKindFile;
    request[3] = '4';
    request[6] = 1;
    request[8] = 1;
    request[9] = '0';
    std::memcpy(&request[10], name, std::strlen(name));
    ASSERT_EQ(send(socket_, reinterpret_cast<const char*>(request.data()), 41, 0), 41);
  }

  static int PieceCount(const Event& e) { return (e.packet[5] << 8) | e.packet[6]; }
  static int PieceNumber(const Event& e) { return (e.packet[7] << 8) | e.packet[8]; }

  std::unique_ptr<simver::VersionServer> server_;
  SOCKET socket_ = INVALID_SOCKET;
  std::string file_;
};

TEST_F(WithVersionServer, FileArrivesInPiecesBehindTheirHeaders) {
  ASSERT_NO_FATAL_FAILURE(RequestFile("ZR4105.dll"));
  ASSERT_TRUE(WaitPackets(3));
  auto pieces = Of(WM_VX_PACKET);
  ASSERT_EQ(pieces.size(), 3u);
  Bytes joined;
  for (size_t i = 0; i < pieces.size(); ++i) {
    const Event& e = pieces[i];
    EXPECT_TRUE(e.bodyAfterHeader) << "lParam is the piece's data, after its 9 bytes";
    EXPECT_EQ(e.hwnd, screen_);
    EXPECT_EQ(PieceCount(e), 3);
    EXPECT_EQ(PieceNumber(e), int(i) + 1);
    EXPECT_EQ(e.slot, int(i));
    joined.insert(joined.end(), e.packet.begin() + 9, e.packet.end());
  }
  EXPECT_EQ(pieces[0].packet.size(), 4096u);
  EXPECT_EQ(joined, simver::VersionServer::fileReply({'0', "ZR4105.dll", "070315", file_}));
  EXPECT_TRUE(Statuses().empty());
}

TEST_F(WithVersionServer, OversizedPieceIsSkippedAndTheRestArrive) {
  server_->setFault(simver::Fault::LengthTooLong);
  ASSERT_NO_FATAL_FAILURE(RequestFile("ZR4105.dll"));
  ASSERT_TRUE(Pump([&] {
    auto p = Of(WM_VX_PACKET);
    return !p.empty() && PieceNumber(p.back()) == PieceCount(p.back());
  }));
  auto pieces = Of(WM_VX_PACKET);
  EXPECT_EQ(PieceNumber(pieces[0]), 2) << "the piece of 4,097 bytes is not handed over";
  EXPECT_EQ(pieces[0].slot, 1);
  EXPECT_TRUE(Statuses().empty());
}

TEST_F(WithVersionServer, PieceShorterThanItsHeaderIsSkippedAndTheRestArrive) {
  server_->setFault(simver::Fault::LengthTooShort);
  ASSERT_NO_FATAL_FAILURE(RequestFile("ZR4105.dll"));
  ASSERT_TRUE(Pump([&] {
    auto p = Of(WM_VX_PACKET);
    return !p.empty() && PieceNumber(p.back()) == PieceCount(p.back());
  }));
  auto pieces = Of(WM_VX_PACKET);
  EXPECT_EQ(PieceNumber(pieces[0]), 2) << "the piece of 8 bytes is not handed over";
  EXPECT_EQ(pieces[0].slot, 1);
  EXPECT_TRUE(Statuses().empty());
}

TEST_F(WithVersionServer, LengthOfZeroEndsTheConnection) {
  server_->setFault(simver::Fault::LengthZero);
  ASSERT_NO_FATAL_FAILURE(RequestFile("ZR4105.dll"));
  ASSERT_TRUE(WaitStatus());
  EXPECT_EQ(Statuses(), std::vector<int>{VX_VER_LOST_AFTER_DATA});
  EXPECT_TRUE(Of(WM_VX_PACKET).empty());
}

}  // namespace
