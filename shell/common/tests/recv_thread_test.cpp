// The receive thread against a raw loopback peer: framing, the ring, the connection's reports,
// blocking delivery and stopping.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <thread>

#include "alloc_count.h"
#include "recv_fixture.h"
#include "vxbase/messages.h"
#include "vxbase/tr_header.h"

using namespace recvtest;

namespace {

// Whether the connection sends each request at once, without coalescing small writes: a request
// that follows one the server does not answer must not wait for the server's acknowledgement.
bool SendsAtOnce(SOCKET s) {
  BOOL on = FALSE;
  int size = sizeof on;
  return getsockopt(s, IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<char*>(&on), &size) == 0 && on;
}

Bytes Join(std::initializer_list<Bytes> parts) {
  Bytes out;
  for (const Bytes& p : parts) out.insert(out.end(), p.begin(), p.end());
  return out;
}

Bytes Part(const Bytes& b, size_t from, size_t to) { return Bytes(b.begin() + long(from), b.begin() + long(to)); }

// True when the thread `tid` of this process sleeps in a wait that only an event ends: a poll,
// read, receive or futex wait without a time-out. *where: its state and system call, as the
// system shows them.
bool WaitsWithoutTimeOut(DWORD tid, std::string* where) {
  const std::string task = "/proc/self/task/" + std::to_string(tid);
  std::ifstream statFile(task + "/stat"), callFile(task + "/syscall");
  std::string stat((std::istreambuf_iterator<char>(statFile)), {}), call;
  std::getline(callFile, call);
  const size_t close = stat.rfind(')');
  const char state = close != std::string::npos && close + 2 < stat.size() ? stat[close + 2] : '?';
  *where = std::string("state ") + state + ", system call " + call;
  if (state != 'S') return false;
  std::istringstream in(call);
  long number = -1;
  std::string arg[6];
  in >> number >> arg[0] >> arg[1] >> arg[2] >> arg[3] >> arg[4] >> arg[5];
#if defined(__x86_64__)
  auto infinite = [](const std::string& a) { return a == "0xffffffff" || a == "0xffffffffffffffff"; };
  switch (number) {
    case 0:   // read
    case 45:  // recvfrom
      return true;
    case 7:  // poll(fds, count, timeout)
      return infinite(arg[2]);
    case 271:  // ppoll(fds, count, timeout, ...)
      return arg[2] == "0x0";
    case 202:  // futex(address, operation, value, timeout, ...)
      return arg[3] == "0x0";
    default: return false;
  }
#else
  return false;
#endif
}

struct FramingCase {
  const char* name;
  std::vector<Bytes> chunks;     // sent one after the other
  std::vector<Bytes> delivered;  // what the screen must get, in order
  int status;                    // status that must follow, -1 none
  int indexAfter;                // ring index once done (-1: not checked)
};

class Framing : public RecvTest {
 protected:
  void Run(const FramingCase& c, const RecvProfile& profile) {
    SCOPED_TRACE(c.name);
    Events().clear();
    peer_ = std::make_unique<Peer>();
    ASSERT_NO_FATAL_FAILURE(StartThread(profile));
    ASSERT_TRUE(peer_->Accept());
    for (const Bytes& chunk : c.chunks) {
      peer_->Send(chunk);
      // Lets the thread read what has come so far, so that later chunks arrive apart. Pumped:
      // the thread hands over the connected notice and the packets before it reads on.
      if (c.chunks.size() > 1) {
        EXPECT_TRUE(Pump([&] {
          u_long left = 0;
          return ioctlsocket(thread_->GetSocket(), FIONREAD, &left) != 0 || left == 0;  // != 0: the connection ended
        }));
      }
    }
    if (c.status >= 0) {
      ASSERT_TRUE(WaitStatus());
      EXPECT_EQ(Statuses(), std::vector<int>{c.status});
      EXPECT_TRUE(Pump([&] { return !thread_->Running(); }));
    } else {
      ASSERT_TRUE(WaitPackets(c.delivered.size()));
    }
    auto packets = Of(WM_VX_PACKET);
    ASSERT_EQ(packets.size(), c.delivered.size());
    for (size_t i = 0; i < packets.size(); ++i) {
      EXPECT_EQ(packets[i].hwnd, screen_);
      EXPECT_EQ(packets[i].packet, c.delivered[i]) << "packet " << i;
      EXPECT_TRUE(packets[i].bodyAfterHeader);
      EXPECT_FALSE(packets[i].posted);
    }
    if (c.status < 0) {
      EXPECT_TRUE(Statuses().empty());
      EXPECT_TRUE(thread_->Running());
    }
    if (c.indexAfter >= 0) {
      EXPECT_TRUE(Pump([&] { return thread_->RingIndex() == c.indexAfter; }));
    }
    thread_.reset();
  }
};

TEST_F(Framing, MainProgramLengths) {
  const Bytes p15 = MakePacket(15, 4, 1100), p20 = MakePacket(20, 4, 4101, 3), p300 = MakePacket(300, 4, 9110, 5);
  const Bytes p4096 = MakePacket(4096, 4, 9121, 9), p4097 = MakePacket(4097, 4, 9121, 1);
  const FramingCase cases[] = {
      {"header only", {p15}, {p15}, -1, 1},
      {"largest packet", {p4096}, {p4096}, -1, 1},
      {"one byte too long is skipped whole and framing holds", {p4097, p20}, {p20}, -1, 2},
      {"far too long is skipped whole", {MakePacket(20000, 4, 1, 2), p20}, {p20}, -1, 2},
      {"length in pieces", {Part(p300, 0, 2), Part(p300, 2, 4), Part(p300, 4, 9), Part(p300, 9, 300)}, {p300}, -1, 1},
      {"several packets in one send", {Join({p15, p300, p4096})}, {p15, p300, p4096}, -1, 3},
      {"length of 0 ends the connection", {Bytes{0, 0, 0, 0}, p20}, {}, VX_SOCK_LOST_AFTER_DATA, -1},
      {"packets before a broken one are delivered", {p20, Bytes{0, 0, 0, 3}}, {p20}, VX_SOCK_LOST_AFTER_DATA, -1},
  };
  for (const FramingCase& c : cases) Run(c, kMainRecvProfile);
}

// Every length class followed by a sound packet: a frame too short for a header or too long for
// a slot is dropped exactly (its slot passed over, the framing kept); only a length that does not
// even cover itself ends the connection, since nothing then tells where the next packet starts.
TEST_F(Framing, LengthTableWithASoundPacketAfterEach) {
  const Bytes sound = MakePacket(40, 4, 9110, 77);
  struct Row {
    uint32_t length;
    bool delivered;  // the frame itself reaches the screen
    bool ends;       // the connection ends (and the sound packet is never read)
  };
  const Row rows[] = {
      {3, false, true},  {4, false, false},   {14, false, false},
      {15, true, false}, {4096, true, false}, {4097, false, false},
  };
  for (const Row& r : rows) {
    const Bytes frame =
        r.length < 4 ? Bytes{0, 0, 0, uint8_t(r.length)} : MakePacket(r.length, 4, 4101, uint8_t(r.length));
    std::vector<Bytes> delivered;
    if (r.delivered) delivered.push_back(frame);
    if (!r.ends) delivered.push_back(sound);
    const std::string name = "length " + std::to_string(r.length);
    // In one send and in pieces that end inside the frame's announced remainder.
    Run({name.c_str(), {Join({frame, sound})}, delivered, r.ends ? VX_SOCK_LOST_AFTER_DATA : -1, r.ends ? -1 : 2},
        kMainRecvProfile);
    if (r.length > 6) {
      const Bytes whole = Join({frame, sound});
      Run({(name + " in pieces").c_str(),
           {Part(whole, 0, 6), Part(whole, 6, whole.size())},
           delivered,
           r.ends ? VX_SOCK_LOST_AFTER_DATA : -1,
           r.ends ? -1 : 2},
          kMainRecvProfile);
    }
    // Only a reply too long to be held shows its header to the screen, in the slot it passes.
    auto dropped = Of(WM_VX_PACKET_DROPPED);
    if (r.length > CVXSocketThread::kSlotSize) {
      ASSERT_EQ(dropped.size(), 1u) << name;
      EXPECT_EQ(dropped[0].packet, Part(frame, 0, 15)) << name;
      EXPECT_EQ(dropped[0].slot, 0) << name;
      EXPECT_EQ(dropped[0].hwnd, screen_) << name;
    } else {
      EXPECT_TRUE(dropped.empty()) << name;
    }
  }
}

TEST_F(Framing, UpdaterLengths) {
  const Bytes p9 = MakePacket(9, 2), p50 = MakePacket(50, 2, 0, 4), p4096 = MakePacket(4096, 2, 0, 8);
  const FramingCase cases[] = {
      {"header only", {p9}, {p9}, -1, 1},
      {"largest piece", {p4096}, {p4096}, -1, 1},
      {"one byte too long is skipped whole", {MakePacket(4097, 2), p50}, {p50}, -1, 2},
      {"largest length field is skipped whole", {MakePacket(65535, 2), p9}, {p9}, -1, 2},
      {"length in pieces", {Part(p50, 0, 1), Part(p50, 1, 2), Part(p50, 2, 50)}, {p50}, -1, 1},
      {"shorter than its header is dropped whole", {MakePacket(8, 2), p50}, {p50}, -1, 2},
      {"length of 2 is dropped", {MakePacket(2, 2), p50}, {p50}, -1, 2},
      {"length of 1 ends the connection", {Bytes{0, 1}, p50}, {}, VX_VER_LOST_AFTER_DATA, -1},
  };
  for (const FramingCase& c : cases) Run(c, kUpdaterRecvProfile);
}

// A packet too long for a slot is dropped whole; the main program's screen learns which reply it
// lost from its header alone (WM_VX_PACKET_DROPPED, the length as announced), the updater's screen
// learns nothing; the next packet arrives as ever.
TEST_F(RecvTest, HeaderOfADroppedPacketGoesToTheMainProgramsScreenOnly) {
  struct Case {
    const char* what;
    const RecvProfile* profile;
    int lengthBytes;
    bool told;
  } cases[] = {{"main program", &kMainRecvProfile, 4, true}, {"updater", &kUpdaterRecvProfile, 2, false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Events().clear();
    peer_ = std::make_unique<Peer>();
    ASSERT_NO_FATAL_FAILURE(StartThread(*c.profile));
    ASSERT_TRUE(peer_->Accept());
    const Bytes tooLong = MakePacket(4097, c.lengthBytes, 2310, 7), next = MakePacket(40, c.lengthBytes, 4101, 3);
    peer_->Send(Join({tooLong, next}));
    ASSERT_TRUE(WaitPackets(1));
    auto dropped = Of(WM_VX_PACKET_DROPPED);
    ASSERT_EQ(dropped.size(), c.told ? 1u : 0u);
    if (c.told) {
      EXPECT_EQ(dropped[0].hwnd, screen_);
      EXPECT_EQ(dropped[0].lParam, 0);
      EXPECT_EQ(dropped[0].packet, Bytes(tooLong.begin(), tooLong.begin() + c.profile->headerSize));
    }
    auto packets = Of(WM_VX_PACKET);
    ASSERT_EQ(packets.size(), 1u);
    EXPECT_EQ(packets[0].packet, next);
    thread_.reset();
  }
}

TEST_F(RecvTest, EighthPacketLandsInTheFirstSlot) {
  ASSERT_NO_FATAL_FAILURE(StartThread());
  ASSERT_TRUE(peer_->Accept());
  std::vector<Bytes> sent;
  for (int i = 0; i < 8; ++i) {
    sent.push_back(MakePacket(40 + uint32_t(i), 4, uint16_t(9000 + i), uint8_t(i * 31)));
    peer_->Send(sent.back());
  }
  ASSERT_TRUE(WaitPackets(8));
  auto packets = Of(WM_VX_PACKET);
  for (int i = 0; i < 8; ++i) {
    EXPECT_EQ(packets[size_t(i)].slot, i % 7) << i;
    EXPECT_EQ(packets[size_t(i)].packet, sent[size_t(i)]) << i;
  }
  // The first slot now holds the eighth packet, and the ninth goes to the second.
  EXPECT_EQ(Bytes(thread_->Slot(0), thread_->Slot(0) + sent[7].size()), sent[7]);
  EXPECT_TRUE(Pump([&] { return thread_->RingIndex() == 1; }));
}

TEST_F(RecvTest, NoAllocationPerPacket) {
  ASSERT_NO_FATAL_FAILURE(StartThread());
  ASSERT_TRUE(peer_->Accept());
  ASSERT_TRUE(Pump([&] { return !Of(WM_VX_CONNECTED).empty(); }));
  for (int i = 0; i < 10; ++i) peer_->Send(MakePacket(200, 4, 9110, uint8_t(i)));
  ASSERT_TRUE(WaitPackets(10));
  ASSERT_TRUE(Pump([&] { return thread_->RingIndex() == 3; }));
  Bytes stream;
  for (int i = 0; i < 300; ++i) {
    Bytes p = MakePacket(i % 3 == 0 ? 4096 : 15 + uint32_t(i), 4, 9110, uint8_t(i));
    stream.insert(stream.end(), p.begin(), p.end());
  }
  const Bytes oversized = MakePacket(5000, 4);  // skipped whole
  stream.insert(stream.end(), oversized.begin(), oversized.end());
  Events().reserve(Events().size() + 400);
  ASSERT_NE(thread_->ThreadId(), 0u);
  WatchThread(thread_->ThreadId());
  const long before = WatchedAllocations();
  peer_->Send(stream);
  ASSERT_TRUE(WaitPackets(310));
  ASSERT_TRUE(Pump([&] { return thread_->RingIndex() == (10 + 301) % 7; }));
  EXPECT_EQ(WatchedAllocations() - before, 0) << "the receive thread allocated while delivering";
  WatchThread(0);
}

TEST_F(RecvTest, ConnectedNoticeComesFirstAndOnce) {
  ASSERT_NO_FATAL_FAILURE(StartThread());
  ASSERT_TRUE(peer_->Accept());
  // Nothing sent: the frame hears of the connection all the same.
  ASSERT_TRUE(Pump([&] { return !Of(WM_VX_CONNECTED).empty(); }));
  const Event connected = Of(WM_VX_CONNECTED)[0];
  EXPECT_EQ(connected.hwnd, frame_);
  EXPECT_EQ(connected.wParam, 0u);
  EXPECT_FALSE(connected.posted);
  EXPECT_NE(thread_->GetSocket(), INVALID_SOCKET);
  EXPECT_EQ(SOCKET(connected.lParam), thread_->GetSocket());
  EXPECT_TRUE(SendsAtOnce(thread_->GetSocket()));
  // The socket handed to the frame is the connection: a request sent on it reaches the server.
  const Bytes request = MakePacket(15, 4, 1100);
  ASSERT_EQ(send(SOCKET(connected.lParam), reinterpret_cast<const char*>(request.data()), 15, 0), 15);
  EXPECT_EQ(peer_->Read(15, 2000), request);

  for (int i = 0; i < 3; ++i) peer_->Send(MakePacket(20, 4, 4101, uint8_t(i)));
  ASSERT_TRUE(WaitPackets(3));
  EXPECT_EQ(Events().front().msg, UINT(WM_VX_CONNECTED));
  EXPECT_EQ(Of(WM_VX_CONNECTED).size(), 1u);
}

TEST_F(RecvTest, UpdaterReportsItsOwnConnectedMessage) {
  ASSERT_NO_FATAL_FAILURE(StartThread(kUpdaterRecvProfile));
  ASSERT_TRUE(peer_->Accept());
  ASSERT_TRUE(Pump([&] { return !Of(WM_VX_VERSION_CONNECTED).empty(); }));
  EXPECT_TRUE(Of(WM_VX_CONNECTED).empty());
  EXPECT_EQ(Of(WM_VX_VERSION_CONNECTED)[0].hwnd, frame_);
  EXPECT_EQ(SOCKET(Of(WM_VX_VERSION_CONNECTED)[0].lParam), thread_->GetSocket());
  EXPECT_TRUE(SendsAtOnce(thread_->GetSocket()));
}

// A connection that ends: which code, reported once, and the thread ends with its socket closed.
TEST_F(RecvTest, LostConnectionCodes) {
  struct Case {
    const char* name;
    const RecvProfile* profile;
    Bytes before;  // sent before the peer closes
    int code;
  };
  const Bytes full = MakePacket(30, 4, 4101), piece = MakePacket(30, 2);
  const Case cases[] = {
      {"closed before any data", &kMainRecvProfile, {}, VX_SOCK_LOST_BEFORE_DATA},
      {"closed inside the first length", &kMainRecvProfile, Part(full, 0, 3), VX_SOCK_LOST_BEFORE_DATA},
      {"closed inside the first body", &kMainRecvProfile, Part(full, 0, 10), VX_SOCK_LOST_AFTER_DATA},
      {"closed after a packet", &kMainRecvProfile, full, VX_SOCK_LOST_AFTER_DATA},
      {"updater closed before any data", &kUpdaterRecvProfile, {}, VX_VER_LOST_BEFORE_DATA},
      {"updater closed after a piece", &kUpdaterRecvProfile, piece, VX_VER_LOST_AFTER_DATA},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Events().clear();
    peer_ = std::make_unique<Peer>();
    ASSERT_NO_FATAL_FAILURE(StartThread(*c.profile));
    ASSERT_TRUE(peer_->Accept());
    if (!c.before.empty()) peer_->Send(c.before);
    peer_->Close();
    ASSERT_TRUE(WaitStatus());
    EXPECT_TRUE(Pump([&] { return !thread_->Running(); }));
    plat::win::PumpMessages();
    EXPECT_EQ(Statuses(), std::vector<int>{c.code});
    EXPECT_FALSE(Of(WM_VX_SOCKET_STATUS)[0].posted);
    EXPECT_EQ(Of(WM_VX_SOCKET_STATUS)[0].hwnd, frame_);
    EXPECT_EQ(Of(WM_VX_SOCKET_STATUS)[0].lParam, 1);
    EXPECT_EQ(thread_->GetSocket(), INVALID_SOCKET);
    thread_.reset();
    plat::win::PumpMessages();
    EXPECT_EQ(Statuses().size(), 1u) << "the stop after a loss reports nothing more";
  }
}

TEST_F(RecvTest, FailedWaitIsReportedOnceAndEndsTheThread) {
  ASSERT_NO_FATAL_FAILURE(StartThread());
  ASSERT_TRUE(peer_->Accept());
  ASSERT_TRUE(Pump([&] { return !Of(WM_VX_CONNECTED).empty(); }));
  // The socket disappears under the waiting thread (as when another part of the program closes it).
  closesocket(thread_->GetSocket());
  ASSERT_TRUE(WaitStatus());
  ASSERT_TRUE(Pump([&] { return !thread_->Running(); }));
  plat::win::PumpMessages();
  ASSERT_EQ(Statuses().size(), 1u);
  const int code = Statuses()[0];
  EXPECT_TRUE(code == VX_SOCK_WAIT_FAILED || code == VX_SOCK_LOST_BEFORE_DATA) << code;
}

TEST_F(RecvTest, SetUpFailuresArePostedOnceAndEndTheThread) {
  struct Case {
    const char* name;
    const RecvProfile* profile;
    const char* address;  // null: SetServer not called
    bool closedPort;
    int code;
  };
  const Case cases[] = {
      {"nobody listening", &kMainRecvProfile, "127.0.0.1", true, VX_SOCK_CONNECT_FAILED},
      {"address that is no address", &kMainRecvProfile, "999.1.1.1", false, VX_SOCK_BAD_ADDRESS},
      {"no server set", &kMainRecvProfile, nullptr, false, VX_SOCK_BAD_ADDRESS},
      {"updater: nobody listening", &kUpdaterRecvProfile, "127.0.0.1", true, VX_VER_CONNECT_FAILED},
      {"updater: no server set", &kUpdaterRecvProfile, nullptr, false, VX_VER_BAD_ADDRESS},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Events().clear();
    peer_ = std::make_unique<Peer>();
    const int port = peer_->port();
    if (c.closedPort) peer_->CloseListener();
    thread_ = std::make_unique<CVXSocketThread>(*c.profile);
    thread_->SetHwnd(screen_);
    thread_->SetMainHwnd(frame_);
    if (c.address) {
      ASSERT_TRUE(thread_->SetServer(c.address, port));
    }
    ASSERT_TRUE(thread_->Start());
    ASSERT_TRUE(WaitStatus());
    ASSERT_TRUE(Pump([&] { return !thread_->Running(); }));
    plat::win::PumpMessages();
    EXPECT_EQ(Statuses(), std::vector<int>{c.code});
    EXPECT_TRUE(Of(WM_VX_SOCKET_STATUS)[0].posted);
    EXPECT_TRUE(Of(WM_VX_CONNECTED).empty());
    EXPECT_TRUE(Of(WM_VX_VERSION_CONNECTED).empty());
    EXPECT_EQ(thread_->GetSocket(), INVALID_SOCKET);
    if (c.closedPort) {
      EXPECT_EQ(std::u16string(thread_->GetVXSocket()->GetLastErrorText()),
                u"Connecting to the server failed. Error: 10061");
    }
    thread_.reset();
  }
}

TEST(SocketThreadServer, AddressAndPortRules) {
  struct Case {
    const char* address;
    int port;
    BOOL ok;
  };
  const Case cases[] = {
      {"1.2.3.4", 1, TRUE},
      {"255.255.255.255", 65535, TRUE},
      {"1.2.3.", 80, FALSE},
      {"1.2.3.4.5.6.7.8", 80, TRUE},  // 15 characters: stored; the thread finds it invalid
      {"255.255.255.2550", 80, FALSE},
      {"1.2.3.4", 0, FALSE},
      {"1.2.3.4", -1, FALSE},
      {"1.2.3.4", 65536, FALSE},
      {nullptr, 80, FALSE},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.address ? c.address : "(null)");
    CVXSocketThread t;
    EXPECT_EQ(t.SetServer(c.address, c.port), c.ok);
    CVXSocket s;
    const bool parses = c.ok && std::string(c.address) != "1.2.3.4.5.6.7.8";
    EXPECT_EQ(s.SetServer(c.address, c.port), parses ? TRUE : FALSE);
  }
}

// While the screen handles a packet the thread reads on, but no slot changes: the slot being
// handled keeps its packet and the next ones are written only as their turn comes.
TEST_F(RecvTest, SlotsStayUnchangedWhileAPacketIsHandled) {
  ASSERT_NO_FATAL_FAILURE(StartThread());
  ASSERT_TRUE(peer_->Accept());
  std::vector<Bytes> sent;
  Bytes stream;
  for (int i = 0; i < 20; ++i) {
    sent.push_back(MakePacket(100 + uint32_t(i), 4, uint16_t(4101 + i), uint8_t(i * 13)));
    stream.insert(stream.end(), sent.back().begin(), sent.back().end());
  }
  bool checked = false;
  // Until the thread has taken every byte off the socket (it reads on while a packet is handled).
  auto drained = [&] {
    u_long left = 1;
    for (auto end = std::chrono::steady_clock::now() + std::chrono::seconds(5);
         left != 0 && std::chrono::steady_clock::now() < end; std::this_thread::yield())
      if (ioctlsocket(thread_->GetSocket(), FIONREAD, &left) != 0) left = 0;
  };
  OnPacket() = [&](const Event& e) {
    const size_t n = Of(WM_VX_PACKET).size();
    if (n == 1) {
      // Everything is on its way; the thread takes it in while this handler runs.
      drained();
      EXPECT_EQ(thread_->RingIndex(), 0);
      for (int i = 1; i < CVXSocketThread::kSlotCount; ++i)
        EXPECT_EQ(Bytes(thread_->Slot(i), thread_->Slot(i) + 15), Bytes(15, 0)) << "slot " << i;
    }
    if (n == 8) {
      // The eighth packet took the first slot; the seven before it were all handled.
      drained();
      EXPECT_EQ(e.slot, 0);
      for (int i = 1; i < CVXSocketThread::kSlotCount; ++i)
        EXPECT_EQ(Bytes(thread_->Slot(i), thread_->Slot(i) + sent[size_t(i)].size()), sent[size_t(i)]) << i;
      checked = true;
    }
    EXPECT_EQ(Bytes(thread_->Slot(e.slot), thread_->Slot(e.slot) + e.packet.size()), e.packet);
  };
  peer_->Send(stream);
  ASSERT_TRUE(WaitPackets(sent.size()));
  EXPECT_TRUE(checked);
  auto packets = Of(WM_VX_PACKET);
  for (size_t i = 0; i < sent.size(); ++i) {
    EXPECT_EQ(packets[i].packet, sent[i]) << i;
    EXPECT_EQ(packets[i].slot, int(i % 7)) << i;
    EXPECT_FALSE(packets[i].posted);
  }
}

// A screen slower than the server: the thread fills its buffer and waits for the screen, without
// losing, repeating or reordering a packet.
TEST_F(RecvTest, SlowScreenGetsEveryPacketInOrder) {
  ASSERT_NO_FATAL_FAILURE(StartThread());
  ASSERT_TRUE(peer_->Accept());
  // About twice the read buffer: the thread fills it and waits for the screen.
  constexpr int kCount = int(2 * CVXSocketThread::kReadBufferSize / 64);
  Bytes stream;
  for (int i = 0; i < kCount; ++i) {
    Bytes p = MakePacket(15 + uint32_t(i % 100), 4, 9110, uint8_t(i));
    p[6] = uint8_t(i >> 8);
    p[7] = uint8_t(i);
    stream.insert(stream.end(), p.begin(), p.end());
  }
  Events().reserve(kCount + 10);
  int expected = 0;
  bool inOrder = true;
  OnPacket() = [&](const Event& e) {
    inOrder = inOrder && e.packet.size() == 15 + size_t(expected % 100) && e.packet[6] == uint8_t(expected >> 8) &&
              e.packet[7] == uint8_t(expected);
    ++expected;
    if (expected % 5000 == 0) std::this_thread::sleep_for(std::chrono::milliseconds(5));
  };
  peer_->Send(stream);
  ASSERT_TRUE(WaitPackets(kCount, 20000));
  EXPECT_TRUE(inOrder);
  EXPECT_EQ(expected, kCount);
}

// A screen that is slow now and then while the server sends far more than the thread's buffer
// holds: the thread reads ahead as far as its buffer goes, but never writes a slot whose packet
// was not yet handled. While a packet is handled, its own slot and the slots of the six packets
// before it hold what was handed in them.
TEST_F(RecvTest, SlowScreenNeverSeesASlotWrittenBeforeItsTurn) {
  ASSERT_NO_FATAL_FAILURE(StartThread());
  ASSERT_TRUE(peer_->Accept());
  Bytes stream;
  size_t count = 0;
  while (stream.size() < 2 * CVXSocketThread::kReadBufferSize) {
    Bytes p = MakePacket(15 + uint32_t(count * 37 % 400), 4, 9110, uint8_t(count * 7));
    p[6] = uint8_t(count >> 16);
    p[7] = uint8_t(count >> 8);
    p[8] = uint8_t(count);
    stream.insert(stream.end(), p.begin(), p.end());
    ++count;
  }
  Events().reserve(count + 10);
  Bytes handed[CVXSocketThread::kSlotCount];  // what each slot held when its last packet was handed in it
  size_t n = 0, faults = 0;
  OnPacket() = [&](const Event& e) {
    const size_t seq = size_t(e.packet[6]) << 16 | size_t(e.packet[7]) << 8 | e.packet[8];
    if (seq != n) ++faults;
    handed[e.slot] = e.packet;
    ++n;
    // Slow now and then: the thread fills its buffer meanwhile.
    if (n % 2000 == 0) std::this_thread::sleep_for(std::chrono::milliseconds(3));
    for (int i = 0; i < CVXSocketThread::kSlotCount; ++i) {
      const Bytes& h = handed[i];
      if (!h.empty() && !std::equal(h.begin(), h.end(), thread_->Slot(i))) ++faults;
    }
  };
  peer_->Send(stream);
  ASSERT_TRUE(WaitPackets(count, 30000));
  EXPECT_EQ(n, count);
  EXPECT_EQ(faults, 0u) << "packets out of order or slots written before their turn";
}

// A stop while packets the thread has read still wait for the window's thread: they are dropped,
// none reaches the screen, and nothing is left waiting for the object once the stop returned.
TEST_F(RecvTest, StopWhilePacketsWaitDropsThem) {
  ASSERT_NO_FATAL_FAILURE(StartThread());
  ASSERT_TRUE(peer_->Accept());
  ASSERT_TRUE(Pump([&] { return !Of(WM_VX_CONNECTED).empty(); }));
  constexpr int kCount = 500;
  Bytes stream;
  for (int i = 0; i < kCount; ++i) {
    Bytes p = MakePacket(20 + uint32_t(i % 50), 4, 9110, uint8_t(i));
    stream.insert(stream.end(), p.begin(), p.end());
  }
  peer_->Send(stream);
  // Not pumped: the thread reads everything, hands it to this thread, which takes none of it, and
  // waits for more data.
  u_long left = 1;
  std::string where;
  for (auto end = std::chrono::steady_clock::now() + std::chrono::seconds(10);
       (left != 0 || !WaitsWithoutTimeOut(thread_->ThreadId(), &where)) && std::chrono::steady_clock::now() < end;
       std::this_thread::yield())
    ASSERT_EQ(ioctlsocket(thread_->GetSocket(), FIONREAD, &left), 0);
  ASSERT_EQ(left, 0u);
  ASSERT_TRUE(WaitsWithoutTimeOut(thread_->ThreadId(), &where)) << where;
  ASSERT_NE(GetQueueStatus(QS_SENDMESSAGE), 0u) << "the packets wait for this thread";
  thread_->Stop();
  EXPECT_FALSE(thread_->Running());
  EXPECT_EQ(thread_->Received(), static_cast<unsigned long>(kCount)) << "every packet read was taken (and dropped)";
  plat::win::PumpMessages();
  EXPECT_TRUE(Of(WM_VX_PACKET).empty());
  EXPECT_TRUE(Statuses().empty());
  thread_.reset();
  plat::win::PumpMessages();
  EXPECT_TRUE(Of(WM_VX_PACKET).empty());
}

// Once the packets stop, both threads go to sleep in waits that only new data or a message can
// end: no timed polling, no spin that goes on. The screen lives on a thread of its own, so that
// this thread can look at both.
TEST_F(RecvTest, IdleConnectionLeavesBothThreadsAsleep) {
#if !defined(__x86_64__)
  GTEST_SKIP() << "reads the system call numbers of x86-64";
#endif
  constexpr UINT kQuit = WM_USER + 50;
  static std::atomic<int> handled;
  handled = 0;
  WNDCLASS wc{};
  wc.lpfnWndProc = [](HWND h, UINT msg, WPARAM wp, LPARAM lp) -> LRESULT {
    if (msg == WM_VX_PACKET) ++handled;
    if (msg == kQuit) {
      DestroyWindow(h);
      PostQuitMessage(0);
    }
    return DefWindowProc(h, msg, wp, lp);
  };
  wc.lpszClassName = u"VXRecvIdleScreen";
  ASSERT_NE(RegisterClass(&wc), 0u);
  std::atomic<HWND> screen{0};
  std::atomic<DWORD> screenTid{0};
  std::thread screenThread([&] {
    screenTid = GetCurrentThreadId();
    screen = CreateWindowEx(0, u"VXRecvIdleScreen", u"", WS_POPUP, 0, 0, 10, 10, 0, nullptr, nullptr, nullptr);
    MSG msg;
    while (GetMessage(&msg, 0, 0, 0)) DispatchMessage(&msg);
  });
  for (auto end = std::chrono::steady_clock::now() + std::chrono::seconds(10);
       !screen.load() && std::chrono::steady_clock::now() < end;)
    std::this_thread::yield();
  ASSERT_NE(screen.load(), 0u);
  ASSERT_NO_FATAL_FAILURE(StartThread(kMainRecvProfile, /*registerScreen=*/false));
  thread_->SetHwnd(screen);
  ASSERT_TRUE(peer_->Accept());
  Bytes stream;
  for (int i = 0; i < 300; ++i) {
    Bytes p = MakePacket(15 + uint32_t(i * 13 % 900), 4, 9110, uint8_t(i));
    stream.insert(stream.end(), p.begin(), p.end());
  }
  peer_->Send(stream);
  EXPECT_TRUE(Pump([&] { return handled.load() == 300; }, 10000));
  // Settled: both asleep without a time-out (the limit is only there to fail).
  std::string reader, window;
  EXPECT_TRUE(
      Pump([&] { return WaitsWithoutTimeOut(thread_->ThreadId(), &reader) && WaitsWithoutTimeOut(screenTid, &window); },
           10000))
      << "receive thread: " << reader << "; screen's thread: " << window;
  thread_.reset();
  PostMessage(screen, kQuit, 0, 0);
  screenThread.join();
}

TEST_F(RecvTest, PacketWithoutScreenIsDroppedAfterTheBox) {
  plat::win::SetAutomationMode(true);
  ASSERT_NO_FATAL_FAILURE(StartThread(kMainRecvProfile, /*registerScreen=*/false));
  ASSERT_TRUE(peer_->Accept());
  ASSERT_TRUE(Pump([&] { return !Of(WM_VX_CONNECTED).empty(); }));
  peer_->Send(MakePacket(20, 4, 4101, 1));
  plat::win::MessageBoxInfo box;
  ASSERT_TRUE(plat::win::WaitForMessageBox(&box, 5000));
  EXPECT_EQ(box.text, u"m_hWndDlg is NULL");
  thread_->SetHwnd(screen_);
  ASSERT_TRUE(plat::win::AnswerMessageBox(IDOK, box.hwnd));
  const Bytes later = MakePacket(25, 4, 4101, 2);
  peer_->Send(later);
  ASSERT_TRUE(WaitPackets(1));
  auto packets = Of(WM_VX_PACKET);
  ASSERT_EQ(packets.size(), 1u);
  EXPECT_EQ(packets[0].packet, later);
  EXPECT_EQ(packets[0].slot, 1) << "the dropped packet still used its slot";
  EXPECT_TRUE(Statuses().empty());
}

TEST_F(RecvTest, StoppingOnPurposeReportsNothing) {
  ASSERT_NO_FATAL_FAILURE(StartThread());
  ASSERT_TRUE(peer_->Accept());
  ASSERT_TRUE(Pump([&] { return !Of(WM_VX_CONNECTED).empty(); }));
  const SOCKET s = thread_->GetSocket();
  thread_->Stop();
  EXPECT_FALSE(thread_->Running());
  EXPECT_EQ(thread_->GetSocket(), INVALID_SOCKET);
  EXPECT_TRUE(peer_->ReadsEof(2000)) << "the server sees the connection end";
  EXPECT_EQ(send(s, "x", 1, 0), SOCKET_ERROR) << "the socket is closed";
  thread_->Stop();  // a second stop is harmless
  thread_.reset();
  plat::win::PumpMessages();
  EXPECT_TRUE(Statuses().empty());
}

TEST_F(RecvTest, StopWhileTheThreadIsHandingOverAPacket) {
  ASSERT_NO_FATAL_FAILURE(StartThread());
  ASSERT_TRUE(peer_->Accept());
  ASSERT_TRUE(Pump([&] { return !Of(WM_VX_CONNECTED).empty(); }));
  // Not pumped from here on: the thread blocks in handing this packet to our screen.
  peer_->Send(MakePacket(20, 4, 4101));
  bool sending = false;
  for (auto end = std::chrono::steady_clock::now() + std::chrono::seconds(10);
       !sending && std::chrono::steady_clock::now() < end; std::this_thread::yield())
    sending = GetQueueStatus(QS_SENDMESSAGE) != 0;
  ASSERT_TRUE(sending) << "the thread should be waiting in its send to this thread";
  thread_->Stop();  // must not wait for ever on a thread that waits for us
  EXPECT_FALSE(thread_->Running());
  plat::win::PumpMessages();
  EXPECT_TRUE(Statuses().empty());
}

TEST_F(RecvTest, StopWhileTheServerDoesNotAnswerTheConnect) {
  // A listener whose queue is full drops further connection requests: a connect to it waits.
  SOCKET full = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  ASSERT_EQ(plat_bind(full, reinterpret_cast<sockaddr*>(&a), sizeof a), 0);
  ASSERT_EQ(listen(full, 0), 0);
  int len = sizeof a;
  ASSERT_EQ(getsockname(full, reinterpret_cast<sockaddr*>(&a), &len), 0);
  std::vector<SOCKET> fillers;
  for (int i = 0; i < 3; ++i) {
    SOCKET f = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    u_long nonBlocking = 1;
    ioctlsocket(f, FIONBIO, &nonBlocking);
    connect(f, reinterpret_cast<sockaddr*>(&a), sizeof a);
    fillers.push_back(f);
  }
  // The queue is full once the first filler's connection is made: the others wait behind it.
  fd_set made;
  FD_ZERO(&made);
  FD_SET(fillers[0], &made);
  timeval limit{10, 0};
  ASSERT_EQ(select(0, nullptr, &made, nullptr, &limit), 1) << "the first filler did not connect";
  ASSERT_NO_FATAL_FAILURE(StartThread(kMainRecvProfile, true, ntohs(a.sin_port)));
  ASSERT_FALSE(Pump([&] { return !Of(WM_VX_CONNECTED).empty() || !Statuses().empty(); }, 100))
      << "the connect was expected to wait";
  ASSERT_TRUE(thread_->Running());
  const auto start = std::chrono::steady_clock::now();
  thread_->Stop();
  const auto took = std::chrono::steady_clock::now() - start;
  EXPECT_LT(took, std::chrono::milliseconds(1000)) << "the stop waited for the connect to time out";
  plat::win::PumpMessages();
  EXPECT_TRUE(Statuses().empty());
  EXPECT_TRUE(Of(WM_VX_CONNECTED).empty());
  for (SOCKET f : fillers) closesocket(f);
  closesocket(full);
}

TEST_F(RecvTest, StopBeforeStartAndWhileConnecting) {
  {
    CVXSocketThread idle;
    idle.Stop();
    EXPECT_FALSE(idle.Start()) << "a stopped object does not start again";
  }
  // Stopped at once after the start: whatever point the thread reached, it ends silently.
  for (int i = 0; i < 10; ++i) {
    Events().clear();
    ASSERT_NO_FATAL_FAILURE(StartThread());
    thread_->Stop();
    EXPECT_FALSE(thread_->Running());
    thread_.reset();
    plat::win::PumpMessages();
    // A connected notice issued before the stop may still be handled while Stop waits;
    // no status ever is.
    EXPECT_TRUE(Statuses().empty()) << i;
    EXPECT_LE(Of(WM_VX_CONNECTED).size(), 1u) << i;
  }
}

}  // namespace
