// The receive thread's framing fed a byte stream: a loopback peer plays the server, sends the
// input and closes; every packet handed to the screen is compared with a plain framing of the
// same bytes. Built twice: the main program's 4-byte lengths and the updater's 2-byte ones.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "scratch.h"
#include "vxbase/messages.h"
#include "vxshell/vx_socket_thread.h"

#ifndef FUZZ_FRAME_LENGTH_BYTES
#define FUZZ_FRAME_LENGTH_BYTES 4
#endif

namespace {

const RecvProfile& Profile() { return FUZZ_FRAME_LENGTH_BYTES == 4 ? kMainRecvProfile : kUpdaterRecvProfile; }

struct Delivered {
  int slot;
  std::vector<uint8_t> bytes;
};

CVXSocketThread* g_thread = nullptr;
std::vector<Delivered> g_packets;
std::vector<int> g_statuses;
bool g_bad = false;  // a packet handed over outside the ring or with a wrong body pointer
HWND g_frame = 0, g_screen = 0;
SOCKET g_listener = INVALID_SOCKET;
int g_port = 0;

uint32_t LengthAt(const uint8_t* p) {
  return FUZZ_FRAME_LENGTH_BYTES == 4 ? uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | p[3]
                                      : uint32_t(p[0]) << 8 | p[1];
}

LRESULT CALLBACK RecorderProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_VX_PACKET && g_thread) {
    const auto* packet = reinterpret_cast<const uint8_t*>(wParam);
    int slot = -1;
    for (int i = 0; i < CVXSocketThread::kSlotCount; ++i)
      if (packet == g_thread->Slot(i)) slot = i;
    if (slot < 0 || reinterpret_cast<const uint8_t*>(lParam) != packet + Profile().headerSize) {
      g_bad = true;
      return 0;
    }
    uint32_t length = LengthAt(packet);
    if (length > CVXSocketThread::kSlotSize) {
      g_bad = true;
      length = CVXSocketThread::kSlotSize;
    }
    g_packets.push_back({slot, std::vector<uint8_t>(packet, packet + length)});
    return 0;
  }
  if (msg == WM_VX_SOCKET_STATUS) {
    g_statuses.push_back(int(wParam));
    return 0;
  }
  return DefWindowProc(hwnd, msg, wParam, lParam);
}

// The plain framing: what must reach the screen, in order, with the ring slot of each.
std::vector<Delivered> Expected(const uint8_t* data, size_t size, bool& hadLength) {
  std::vector<Delivered> out;
  const size_t lb = FUZZ_FRAME_LENGTH_BYTES;
  size_t pos = 0;
  int index = 0;
  hadLength = false;
  while (size - pos >= lb) {
    const uint32_t length = LengthAt(data + pos);
    hadLength = true;
    if (length < lb) break;          // shorter than its own length: no way to find the next packet
    if (size - pos < length) break;  // cut short by the close
    // A frame without a whole header, or larger than a slot, is dropped: its slot is passed over.
    if (length >= uint32_t(Profile().headerSize) && length <= uint32_t(CVXSocketThread::kSlotSize))
      out.push_back({index, std::vector<uint8_t>(data + pos, data + pos + length)});
    pos += length;
    index = (index + 1) % CVXSocketThread::kSlotCount;
  }
  return out;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  fuzz::ScratchRoot();
  plat::win::SetAutomationMode(false);
  WSADATA wsa;
  WSAStartup(0x0202, &wsa);
  WNDCLASS wc{};
  wc.lpfnWndProc = RecorderProc;
  wc.lpszClassName = u"FuzzRecvRecorder";
  if (!RegisterClass(&wc)) std::abort();
  g_frame = CreateWindowEx(0, u"FuzzRecvRecorder", u"frame", WS_POPUP, 0, 0, 10, 10, 0, nullptr, nullptr, nullptr);
  g_screen = CreateWindowEx(0, u"FuzzRecvRecorder", u"screen", WS_POPUP, 0, 0, 10, 10, 0, nullptr, nullptr, nullptr);
  if (!g_frame || !g_screen) std::abort();

  g_listener = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  if (plat_bind(g_listener, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 || listen(g_listener, 8) != 0) std::abort();
  int len = sizeof a;
  if (getsockname(g_listener, reinterpret_cast<sockaddr*>(&a), &len) != 0) std::abort();
  g_port = ntohs(a.sin_port);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > 60000) return 0;  // stays within the loopback buffers: the peer never waits
  g_packets.clear();
  g_statuses.clear();
  g_bad = false;

  CVXSocketThread thread(Profile());
  g_thread = &thread;
  thread.SetHwnd(g_screen);
  thread.SetMainHwnd(g_frame);
  if (!thread.SetServer("127.0.0.1", g_port) || !thread.Start()) std::abort();

  fd_set r;
  FD_ZERO(&r);
  FD_SET(g_listener, &r);
  timeval tv{10, 0};
  if (select(0, &r, nullptr, nullptr, &tv) != 1) std::abort();
  SOCKET conn = accept(g_listener, nullptr, nullptr);
  if (conn == INVALID_SOCKET) std::abort();
  size_t sent = 0;
  while (sent < size) {
    int n = send(conn, reinterpret_cast<const char*>(data + sent), int(size - sent), 0);
    if (n <= 0) std::abort();
    sent += size_t(n);
  }
  closesocket(conn);

  // The close ends the connection: one lost-connection report, then the thread is done.
  if (!plat::win::PumpUntil([] { return !g_statuses.empty(); }, 20000)) std::abort();
  thread.Stop();
  g_thread = nullptr;

  bool hadLength = false;
  const std::vector<Delivered> want = Expected(data, size, hadLength);
  if (g_bad || g_packets.size() != want.size()) std::abort();
  for (size_t i = 0; i < want.size(); ++i)
    if (g_packets[i].slot != want[i].slot || g_packets[i].bytes != want[i].bytes) std::abort();
  const int lost = hadLength ? Profile().lostAfterData : Profile().lostBeforeData;
  if (g_statuses.size() != 1 || g_statuses[0] != lost) std::abort();
  return 0;
}
