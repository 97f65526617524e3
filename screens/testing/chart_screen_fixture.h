// What the chart-screen tests (ZR5002 stock, ZR5500 futures/options) share: the server answering
// chart requests with replies built from bars (chart_replies.h), what the chart window shows (its
// texts, its inked pixels) and whether a control is visible.
#pragma once

#include <algorithm>
#include <string>
#include <vector>

#include "chart_replies.h"
#include "screen_host.h"

namespace chartscreentest {

class ChartScreenTest : public screentest::ScreenTest {
 protected:
  static constexpr int kChart = 1500;

  using ScreenTest::ScreenTest;

  HWND ChartWnd() { return ::GetDlgItem(dlg, kChart); }
  // The texts drawn inside the chart window.
  std::vector<std::string> ChartTexts() {
    std::vector<std::string> out;
    d->Ui([&] {
      RECT r;
      ::GetWindowRect(ChartWnd(), &r);
      if (const plat::Surface* s = plat::win::WindowSurface(ChartWnd()))
        for (const auto& t : s->texts)
          if (t.rect.left >= r.left && t.rect.top >= r.top && t.rect.left < r.right && t.rect.top < r.bottom)
            out.push_back(screentest::Utf8(t.text));
    });
    return out;
  }
  bool Shows(const std::string& text) {
    auto t = ChartTexts();
    return std::find(t.begin(), t.end(), text) != t.end();
  }
  // Pixels of the chart window of `colour`, or (-1) of any colour but white.
  size_t Pixels(int64_t colour = -1) {
    size_t n = 0;
    d->Ui([&] {
      RECT r;
      ::GetWindowRect(ChartWnd(), &r);
      if (const plat::Surface* s = plat::win::WindowSurface(ChartWnd()))
        for (int y = r.top; y < r.bottom; ++y)
          for (int x = r.left; x < r.right; ++x) {
            COLORREF c = s->pixels[size_t(y) * size_t(s->width) + size_t(x)];
            n += colour < 0 ? c != 0xFFFFFF : c == COLORREF(colour);
          }
    });
    return n;
  }
  size_t Inked() { return Pixels(); }
  bool Visible(int id) {
    bool v = false;
    d->Ui([&] { v = ::IsWindowVisible(::GetDlgItem(dlg, id)); });
    return v;
  }
  // Has the server answer chart requests of `code` with `body`.
  using ScreenTest::Answer;
  void Answer(uint16_t code, const Bytes& body) {
    server.setHandler(code,
                      [body](simsrv::HandlerContext&, const simsrv::Request&, simsrv::Reply& r) { r.body = body; });
  }
};

// Whole requests as they should go on the wire: a plain header and `body`. The header a screen
// writes itself carries the length, the code, '4' and zero bytes; the packet layer's carries
// '4', 1, 0, 1, 1 and the status "00" in bytes 6-12.
inline Bytes PlainPacket(uint16_t code, const Bytes& body, bool packetLayer) {
  const size_t total = 15 + body.size();
  Bytes p(total, 0);
  p[0] = uint8_t(total >> 24), p[1] = uint8_t(total >> 16), p[2] = uint8_t(total >> 8), p[3] = uint8_t(total);
  p[4] = uint8_t(code >> 8), p[5] = uint8_t(code);
  p[6] = '4';
  if (packetLayer) p[7] = 1, p[8] = 0, p[9] = 1, p[10] = 1, p[11] = '0', p[12] = '0';
  std::copy(body.begin(), body.end(), p.begin() + 15);
  return p;
}
inline Bytes ScreenWrittenPacket(uint16_t code, const Bytes& body) { return PlainPacket(code, body, false); }
inline Bytes PacketLayerPacket(uint16_t code, const Bytes& body) { return PlainPacket(code, body, true); }

}  // namespace chartscreentest
