#include "recv_fixture.h"

#include <poll.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>

#include "vxbase/messages.h"
#include "vxbase/tr_header.h"

namespace recvtest {

namespace {
CVXSocketThread* g_thread = nullptr;
const RecvProfile* g_profile = nullptr;

LRESULT CALLBACK RecorderProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg != WM_VX_PACKET && msg != WM_VX_PACKET_DROPPED && msg != WM_VX_SOCKET_STATUS && msg != WM_VX_CONNECTED &&
      msg != WM_VX_VERSION_CONNECTED)
    return DefWindowProc(hwnd, msg, wParam, lParam);
  Event e;
  e.hwnd = hwnd;
  e.msg = msg;
  e.wParam = wParam;
  e.lParam = lParam;
  e.posted = plat::win::CurrentMessagePosted();
  if (msg == WM_VX_PACKET && g_thread && g_profile) {
    const auto* packet = reinterpret_cast<const unsigned char*>(wParam);
    for (int i = 0; i < CVXSocketThread::kSlotCount; ++i)
      if (packet == g_thread->Slot(i)) e.slot = i;
    e.bodyAfterHeader = reinterpret_cast<const unsigned char*>(lParam) == packet + g_profile->headerSize;
    uint32_t length = g_profile->lengthBytes == 4 ? TrGetU32(packet) : TrGetU16(packet);
    if (length > CVXSocketThread::kSlotSize) length = CVXSocketThread::kSlotSize;
    e.packet.assign(packet, packet + length);
  }
  if (msg == WM_VX_PACKET_DROPPED && g_thread && g_profile) {
    const auto* header = reinterpret_cast<const unsigned char*>(wParam);
    for (int i = 0; i < CVXSocketThread::kSlotCount; ++i)
      if (header == g_thread->Slot(i)) e.slot = i;
    e.packet.assign(header, header + g_profile->headerSize);
  }
  Events().push_back(e);
  if (msg == WM_VX_PACKET && OnPacket()) OnPacket()(Events().back());
  return 0;
}
}  // namespace

std::vector<Event>& Events() {
  static std::vector<Event> events;
  return events;
}

std::function<void(const Event&)>& OnPacket() {
  static std::function<void(const Event&)> hook;
  return hook;
}

Bytes MakePacket(uint32_t length, int lengthBytes, uint16_t code, uint8_t seed) {
  Bytes p(length);
  for (uint32_t i = 0; i < length; ++i) p[i] = uint8_t(seed + i * 7);
  if (lengthBytes == 4) {
    if (length >= 4) TrPutU32(p.data(), length);
    if (length >= 6) TrPutU16(p.data() + 4, code);
  } else if (length >= 2) {
    TrPutU16(p.data(), uint16_t(length));
  }
  return p;
}

// ---------------------------------------------------------------------------------------------
Peer::Peer() {
  listener_ = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  a.sin_port = 0;
  EXPECT_EQ(plat_bind(listener_, reinterpret_cast<sockaddr*>(&a), sizeof a), 0);
  EXPECT_EQ(listen(listener_, 32), 0);
  int len = sizeof a;
  EXPECT_EQ(getsockname(listener_, reinterpret_cast<sockaddr*>(&a), &len), 0);
  port_ = ntohs(a.sin_port);
}

Peer::~Peer() {
  Close();
  CloseListener();
}

bool Peer::Accept() {
  fd_set r;
  FD_ZERO(&r);
  FD_SET(listener_, &r);
  timeval tv{5, 0};
  if (select(0, &r, nullptr, nullptr, &tv) != 1) return false;
  conn_ = accept(listener_, nullptr, nullptr);
  return conn_ != INVALID_SOCKET;
}

void Peer::Send(const Bytes& bytes) {
  ASSERT_EQ(send(conn_, reinterpret_cast<const char*>(bytes.data()), int(bytes.size()), 0), int(bytes.size()));
}

void Peer::Close() {
  if (conn_ != INVALID_SOCKET) closesocket(conn_);
  conn_ = INVALID_SOCKET;
}

void Peer::CloseListener() {
  if (listener_ != INVALID_SOCKET) closesocket(listener_);
  listener_ = INVALID_SOCKET;
}

bool Peer::ReadsEof(int timeoutMs) {
  fd_set r;
  FD_ZERO(&r);
  FD_SET(conn_, &r);
  timeval tv{timeoutMs / 1000, (timeoutMs % 1000) * 1000};
  if (select(0, &r, nullptr, nullptr, &tv) != 1) return false;
  char c;
  return recv(conn_, &c, 1, 0) == 0;
}

Bytes Peer::Read(size_t count, int timeoutMs) {
  Bytes out;
  while (out.size() < count) {
    fd_set r;
    FD_ZERO(&r);
    FD_SET(conn_, &r);
    timeval tv{timeoutMs / 1000, (timeoutMs % 1000) * 1000};
    if (select(0, &r, nullptr, nullptr, &tv) != 1) break;
    char buf[4096];
    int n = recv(conn_, buf, int(std::min(sizeof buf, count - out.size())), 0);
    if (n <= 0) break;
    out.insert(out.end(), buf, buf + n);
  }
  return out;
}

// ---------------------------------------------------------------------------------------------
void RecvTest::SetUp() {
  char pattern[] = "/tmp/vxrecv.XXXXXX";
  ASSERT_NE(mkdtemp(pattern), nullptr);
  root_ = pattern;
  plat::SetDeviceRoot(root_);
  setenv("LARKSPIN_ROOT", root_.c_str(), 1);
  plat::win::ResetForTests();
  plat::win::SetAutomationMode(false);
  Events().clear();
  OnPacket() = nullptr;
  WNDCLASS wc{};
  wc.lpfnWndProc = RecorderProc;
  wc.lpszClassName = u"VXRecvRecorder";
  ASSERT_NE(RegisterClass(&wc), 0u);
  frame_ = CreateWindowEx(0, u"VXRecvRecorder", u"frame", WS_POPUP, 0, 0, 10, 10, 0, nullptr, nullptr, nullptr);
  screen_ = CreateWindowEx(0, u"VXRecvRecorder", u"screen", WS_POPUP, 0, 0, 10, 10, 0, nullptr, nullptr, nullptr);
  ASSERT_TRUE(frame_ && screen_);
  WSADATA data;
  WSAStartup(0x0202, &data);
  peer_ = std::make_unique<Peer>();
}

void RecvTest::TearDown() {
  thread_.reset();  // stops it
  g_thread = nullptr;
  OnPacket() = nullptr;
  peer_.reset();
  DestroyWindow(screen_);
  DestroyWindow(frame_);
  plat::win::ResetForTests();
  std::error_code ignored;  // the platform may still be writing its run files
  std::filesystem::remove_all(root_, ignored);
}

void RecvTest::StartThread(const RecvProfile& profile, bool registerScreen, int port) {
  profile_ = &profile;
  g_profile = &profile;
  thread_ = std::make_unique<CVXSocketThread>(profile);
  g_thread = thread_.get();
  if (registerScreen) thread_->SetHwnd(screen_);
  thread_->SetMainHwnd(frame_);
  ASSERT_TRUE(thread_->SetServer("127.0.0.1", port >= 0 ? port : peer_->port()));
  ASSERT_TRUE(thread_->Start());
}

bool RecvTest::Pump(const std::function<bool()>& done, int timeoutMs) {
  return plat::win::PumpUntil([&] { return done(); }, timeoutMs);
}

std::vector<Event> RecvTest::Of(UINT msg) const {
  std::vector<Event> out;
  for (const Event& e : Events())
    if (e.msg == msg) out.push_back(e);
  return out;
}

std::vector<int> RecvTest::Statuses() const {
  std::vector<int> out;
  for (const Event& e : Of(WM_VX_SOCKET_STATUS)) out.push_back(int(e.wParam));
  return out;
}

bool RecvTest::WaitStatus(int timeoutMs) {
  return Pump([&] { return !Of(WM_VX_SOCKET_STATUS).empty(); }, timeoutMs);
}

bool RecvTest::WaitPackets(size_t count, int timeoutMs) {
  return Pump([&] { return Of(WM_VX_PACKET).size() >= count; }, timeoutMs);
}

}  // namespace recvtest
