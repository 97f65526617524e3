// A screen's reply handling: a reply packet, as the receive thread hands it over in a 4,096-byte
// slot, sent to the packet handler of a screen built on the screen skeleton, hosted headless as
// the main program hosts screens. The transaction code comes from the packet's own header bytes.
//
// Input: byte 0 (bit 0: the body after the header is sealed as one data record of the session
// with fixed keys, so that enciphered replies reach the screen; bit 1: the session awaits the
// server's key token, as after the login's first key request), then the packet.
//
// Built once per screen family: the skeleton's test screen (enciphered and plain replies), the
// login and the quote screens (their pushes too, with auto-receive on); each brings its own MainDlg.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "fixed_session.h"
#include "plat/windows.h"
#include "vxbase/code_manager.h"
#include "vxbase/menu_config.h"
#include "vxskeleton/screen_skeleton.h"

extern "C" void* MainDlg(void* result, HWND owner, SOCKET socket, CVXSocketThread* thread, EE_Encrypt* encrypt,
                         CCodeManager* codes, BOOL autoReceive, CMenuConfigFile* menu);

#ifndef FUZZ_AUTO_RECEIVE
#define FUZZ_AUTO_RECEIVE FALSE
#endif

namespace {

HWND g_owner = 0;
HWND g_screen = 0;
fuzz::FixedSession* g_session = nullptr;

LRESULT CALLBACK OwnerProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg >= WM_USER) return 0;  // the screen's requests to its host: nothing to do here
  return DefWindowProc(hwnd, msg, wParam, lParam);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  fuzz::ScratchRoot();
  plat::win::SetAutomationMode(false);  // boxes answer themselves with their default button
  WNDCLASS wc{};
  wc.lpfnWndProc = OwnerProc;
  wc.lpszClassName = u"FuzzScreenOwner";
  if (!RegisterClass(&wc)) std::abort();
  g_owner = CreateWindowEx(0, u"FuzzScreenOwner", u"frame", WS_POPUP, 0, 0, 240, 320, 0, 0, nullptr, nullptr);
  g_session = new fuzz::FixedSession;
  g_session->Establish();
  static CCodeManager codes;
  static CMenuConfigFile menu;
  uint32_t record[2] = {0, 0};
  MainDlg(record, g_owner, INVALID_SOCKET, nullptr, g_session, &codes, FUZZ_AUTO_RECEIVE, &menu);
  g_screen = static_cast<HWND>(record[0]);
  if (!g_screen) std::abort();
  SendMessage(g_screen, WM_VX_QUERY, 0, 0);
  plat::win::PumpMessages();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  const uint8_t mode = data[0];
  data += 1;
  size -= 1;

  g_session->Establish();  // each input meets the same session
  if (mode & 2) g_session->AwaitServerToken();
  std::vector<uint8_t> packet(data, data + size);
  if ((mode & 1) && size >= 15) {
    const size_t plain = (size - 15) / 16 * 16;
    std::vector<uint8_t> rec = g_session->Seal(data + 15, plain);
    packet.assign(data, data + 15);
    packet.insert(packet.end(), rec.begin(), rec.end());
    const uint32_t total = uint32_t(packet.size());
    packet[0] = uint8_t(total >> 24);
    packet[1] = uint8_t(total >> 16);
    packet[2] = uint8_t(total >> 8);
    packet[3] = uint8_t(total);
    packet[13] = 1;
  }
  if (packet.size() > 4096) return 0;
  // The receive slot: what the thread read, the rest of the slot left from earlier packets.
  static uint8_t slot[4096];
  std::memset(slot, 0xA5, sizeof slot);
  if (!packet.empty()) std::memcpy(slot, packet.data(), packet.size());
  SendMessage(g_screen, WM_VX_PACKET, reinterpret_cast<WPARAM>(slot), reinterpret_cast<LPARAM>(slot + 15));
  // Paint and handle what the reply posted now and then: painting every time would cost most
  // of the run, and the handler has read the packet by now.
#ifdef FUZZ_DROP_MESSAGE
  // A message the reply posted that would open a modal dialog nobody closes (an article).
  MSG posted;
  while (PeekMessage(&posted, g_screen, FUZZ_DROP_MESSAGE, FUZZ_DROP_MESSAGE, PM_REMOVE)) {
  }
#endif
  static unsigned count = 0;
  if (++count % 64 == 0) plat::win::PumpMessages();
  return 0;
}
