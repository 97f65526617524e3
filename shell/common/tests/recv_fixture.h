// Test fixture of the receive thread: a frame and a screen window on the test's thread that
// record what the thread hands them, and a raw loopback peer playing the server.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "vxshell/vx_socket_thread.h"

namespace recvtest {

using Bytes = std::vector<uint8_t>;

struct Event {
  HWND hwnd = 0;
  UINT msg = 0;
  WPARAM wParam = 0;
  LPARAM lParam = 0;
  bool posted = false;
  int slot = -1;  // WM_VX_PACKET(_DROPPED): ring slot the packet (header) was handed in
  bool bodyAfterHeader = false;
  Bytes packet;  // WM_VX_PACKET: the packet's bytes as the screen saw them; WM_VX_PACKET_DROPPED: the header
};

// A listening loopback socket and the one connection it accepts.
class Peer {
 public:
  Peer();
  ~Peer();
  int port() const { return port_; }
  bool Accept();
  void Send(const Bytes& bytes);
  void Close();  // the connection (the listener stays)
  void CloseListener();
  bool ReadsEof(int timeoutMs);  // the client closed its end
  Bytes Read(size_t count, int timeoutMs);

 private:
  SOCKET listener_ = INVALID_SOCKET;
  SOCKET conn_ = INVALID_SOCKET;
  int port_ = 0;
};

// A packet with a big-endian length of `lengthBytes` bytes (4 or 2) counting the whole packet,
// followed by `code` (for 4-byte lengths) and a running byte pattern.
Bytes MakePacket(uint32_t length, int lengthBytes = 4, uint16_t code = 4101, uint8_t seed = 0);

class RecvTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // Makes the thread (main or updater profile), points it at the peer and starts it.
  void StartThread(const RecvProfile& profile = kMainRecvProfile, bool registerScreen = true, int port = -1);
  bool Pump(const std::function<bool()>& done, int timeoutMs = 5000);
  std::vector<Event> Of(UINT msg) const;
  std::vector<int> Statuses() const;
  bool WaitStatus(int timeoutMs = 5000);  // until a status arrived
  bool WaitPackets(size_t count, int timeoutMs = 5000);

  std::string root_;
  HWND frame_ = 0;
  HWND screen_ = 0;
  std::unique_ptr<Peer> peer_;
  std::unique_ptr<CVXSocketThread> thread_;
  const RecvProfile* profile_ = &kMainRecvProfile;
};

// Everything the windows received, in order (touched only on the test's thread).
std::vector<Event>& Events();
// Runs inside the screen's WM_VX_PACKET handler (after the packet was recorded).
std::function<void(const Event&)>& OnPacket();

}  // namespace recvtest
