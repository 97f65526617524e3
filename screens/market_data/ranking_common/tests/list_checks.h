// What the tests of the market list screens (rankings, investors, brokers, foreign ownership)
// check alike: whole requests as they went on the wire, and where the focus is after a packet.
#pragma once

#include <cstdint>
#include <cstring>
#include <string>

#include "quote_fixture.h"
#include "wire_helpers.h"

namespace listtest {

using screentest::Bytes;

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
// of any kind, and its wait cursor ends then too, but not on a push. 조회 is tapped each time with
// the focus on its button: answered by nothing (an index push comes meanwhile), by the quote
// only, by nothing but the server's message (its box answered), and by both replies.
inline void ExpectFocusOnTheItemComboAfterEachPacket(screentest::ScreenHost& host, const char16_t* plugin,
                                                     uint16_t code) {
  SCOPED_TRACE(screentest::Utf8(plugin));
  const auto builtIn = simsrv::DefaultHandlers();
  auto answer = [&](uint16_t c, bool yes) {
    if (yes)
      host.server.setHandler(c, builtIn.at(c));
    else
      host.server.setHandler(c,
                             [](simsrv::HandlerContext&, const simsrv::Request&, simsrv::Reply& r) { r.send = false; });
  };
  answer(code, true);
  answer(4101, true);
  host.Open(std::u16string(plugin));
  host.Settled();

  answer(code, false);
  answer(4101, false);
  TapQueryFromItsButton(host);
  host.Settled();
  EXPECT_TRUE(plat::win::WaitCursorShown()) << "while both replies are awaited";
  Bytes push(1 + 61, 0);
  push[0] = 1;
  std::memcpy(&push[1], "005930", 6);
  host.server.pushRaw(9110, push);
  host.Settled();
  EXPECT_TRUE(plat::win::WaitCursorShown()) << "after a push";

  answer(4101, true);
  size_t mark = host.server.logSize();
  TapQueryFromItsButton(host);
  ASSERT_TRUE(host.server.waitForRequest(code, 3000, nullptr, mark));
  host.Settled();
  EXPECT_EQ(host.Focus(), IDC_ITEM_COMBO) << "after the quote";
  EXPECT_FALSE(plat::win::WaitCursorShown()) << "after the quote";

  answer(4101, false);
  host.server.setHandler(code, [](simsrv::HandlerContext&, const simsrv::Request&, simsrv::Reply& r) {
    r.Error("조회오류", "조회할 자료가 없습니다.");
  });
  TapQueryFromItsButton(host);
  host.ExpectBox("조회할 자료가 없습니다.");
  host.Settled();
  EXPECT_EQ(host.Focus(), IDC_ITEM_COMBO) << "after the server's message";
  EXPECT_FALSE(plat::win::WaitCursorShown()) << "after the server's message";

  answer(code, true);
  answer(4101, true);
  TapQueryFromItsButton(host);
  host.Settled();
  EXPECT_EQ(host.Focus(), IDC_ITEM_COMBO) << "after both replies";
  EXPECT_FALSE(plat::win::WaitCursorShown()) << "after both replies";
}

}  // namespace listtest
