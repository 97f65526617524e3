// What the tests of the market list screens (rankings, investors, brokers, foreign ownership)
// check alike: whole requests as they went on the wire, and where the focus is after a packet.
#pragma once

#include <cstdint>
#include <string>

#include "quote_fixture.h"
#include "wire_helpers.h"

namespace listtest {

using screentest::Bytes;

// The whole first request of `code` after `mark`, header and body; empty when none came.
inline Bytes PacketSince(screentest::ScreenHost& host, uint16_t code, size_t mark) {
  simsrv::LogEntry e;
  if (!host.server.waitForRequest(code, 3000, &e, mark)) return {};
  return screentest::WholePacket(e.header, e.body);
}
// A plain request as the list screens write it.
inline Bytes Plain(uint16_t code, const Bytes& body) { return screentest::PlainRequestPacket(code, body); }
// The plain base-quote request of an item field ("005930").
inline Bytes Quote(const std::string& item) { return Plain(4101, Bytes(item.begin(), item.end())); }

// Puts the focus on button 조회 and taps it.
inline void TapQueryFromItsButton(screentest::ScreenHost& host) {
  host.d->Ui([&] { ::SetFocus(::GetDlgItem(host.dlg, IDC_BTN_QUERY)); });
  ASSERT_EQ(host.Focus(), IDC_BTN_QUERY);
  ASSERT_TRUE(host.d->Tap(IDC_BTN_QUERY));
}

// The screen of `plugin` (its own request `code`) gives the item combo the focus after a packet
// of any kind: 조회 tapped with the focus on its button and only the quote answered, then 조회
// answered by nothing but the server's message (its box answered).
inline void ExpectFocusOnTheItemComboAfterEachPacket(screentest::ScreenHost& host, const char16_t* plugin,
                                                     uint16_t code) {
  SCOPED_TRACE(screentest::Utf8(plugin));
  const auto builtIn = simsrv::DefaultHandlers();
  auto restore = [&] {
    for (uint16_t c : {code, uint16_t{4101}}) host.server.setHandler(c, builtIn.at(c));
  };
  restore();
  host.Open(std::u16string(plugin));
  host.Settled();
  auto silent = [](simsrv::HandlerContext&, const simsrv::Request&, simsrv::Reply& r) { r.send = false; };

  host.server.setHandler(code, silent);
  size_t mark = host.server.logSize();
  TapQueryFromItsButton(host);
  ASSERT_TRUE(host.server.waitForRequest(code, 3000, nullptr, mark));
  host.Settled();
  EXPECT_EQ(host.Focus(), IDC_ITEM_COMBO) << "after the quote";

  host.server.setHandler(4101, silent);
  host.server.setHandler(code, [](simsrv::HandlerContext&, const simsrv::Request&, simsrv::Reply& r) {
    r.Error("조회오류", "조회할 자료가 없습니다.");
  });
  TapQueryFromItsButton(host);
  host.ExpectBox("조회할 자료가 없습니다.");
  host.Settled();
  EXPECT_EQ(host.Focus(), IDC_ITEM_COMBO) << "after the server's message";
  restore();
}

}  // namespace listtest
