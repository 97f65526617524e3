// The futures/options order screens ZR5300 (sell), ZR5301 (buy), ZR5302 (modify), ZR5303 (cancel)
// and the account inquiries ZR5304 (orders and fills), ZR5401 (positions), ZR5400 (deposit), driven
// as a user drives them against the simulated server: the bodies as they reach the server, the
// checks with their boxes and focus, the confirmation and result boxes, paging, and an order
// followed from the buy screen through the inquiry, a modify and a cancel to the positions.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "screen_host.h"
#include "vxskeleton/wire.h"

namespace {

using screentest::Bytes;
using screentest::Utf16;
using screentest::Utf8;

constexpr int kAccount = 1006, kPassword = 1014, kCode = 9912, kName = 1002, kType = 1008, kBox1015 = 1015,
              kQuantity = 1009, kBox1010 = 1010, kConfirm = 9705, kClear = 9801;
constexpr int kSend = 9813, kNext = 9701, kFirst = 9822, kDate = 1008, kFilter = 1009, kDepositPassword = 1002;
constexpr int kOrderGrid = 5304, kPositionGrid = 5401, kDepositGrid = 5400;

// A text field as the order screens pad it: the text, one zero byte, then `fill`.
std::string Pad(const std::string& text, size_t width, char fill) {
  std::string s = text;
  if (s.size() < width) s += '\0';
  while (s.size() < width) s += fill;
  return s;
}
Bytes B(const std::string& s) { return Bytes(s.begin(), s.end()); }

class FutOptOrderTest : public screentest::ScreenTest {
 protected:
  void SetUp() override {
    baseCode = 5555;
    accountCombo_ = kAccount;
    ScreenTest::SetUp();
    if (HasFatalFailure()) return;
    StoreFutOptAccounts({u"1234567803"});
    // The finder's last pick: the nearest futures, by the five characters it hands over.
    StoreFutOptItem({u"1", u"101C3", u"KP200 F 0703", u"201C3185", u"C 0703 185.0"});
  }
  void OpenScreen(const char* name) { ScreenHost::Open(Utf16(std::string(name) + ".dll")); }
  // Types the order's boxes, taps 확인 and answers the confirmation; returns its text.
  std::string Confirm(int answer = IDOK) {
    EXPECT_TRUE(d->Tap(kConfirm));
    std::string caption;
    std::string text = TakeBox(answer, &caption);
    EXPECT_EQ(caption, "주문 확인");
    return text;
  }
  std::string Result() {
    std::string caption;
    std::string text = TakeBox(IDOK, &caption);
    EXPECT_EQ(caption, "주문처리결과");
    return text;
  }
  // The deciphered body of the first request of `code` after `mark`; its header, as the packet
  // layer writes it for an enciphered request, is checked on the way.
  Bytes RequestSince(uint16_t code, size_t mark) {
    simsrv::LogEntry e;
    if (!server.waitForRequest(code, 3000, &e, mark)) return {};
    EXPECT_EQ(e.header, screentest::PacketLayerHeader(code, e.body.size(), true)) << code;
    return e.plain;
  }
  std::string LastNumber() {
    return server.withMarket([](simsrv::Market& m) { return m.FutOptOrders().back().number; });
  }
  size_t FutOptOrderCount() {
    return server.withMarket([](simsrv::Market& m) { return m.FutOptOrders().size(); });
  }
};

// ---- Bodies ----------------------------------------------------------------------------------------

TEST_F(FutOptOrderTest, SellAndBuyBodiesCarryWhatWasConfirmed) {
  struct Case {
    const char* screen;
    uint16_t code;
    char fill;
    int type;
    const char* quantity;
    const char* price;  // typed; nullptr: the type fixes "0"
    const char* sent;   // the price text of the body and the boxes
    char typeCode;
    const char* side;
  } cases[] = {
      {"ZR5300", 5300, ' ', 0, "1", "190.00", "190.00", '1', "매 도"},
      {"ZR5300", 5300, ' ', 1, "2", nullptr, "0", '2', "매 도"},
      {"ZR5300", 5300, ' ', 2, "1", "191.5", "191.5", '3', "매 도"},
      {"ZR5300", 5300, ' ', 3, "1", nullptr, "0", '4', "매 도"},
      {"ZR5301", 5301, '\0', 0, "3", "186.00", "186.00", '1', "매 수"},
      {"ZR5301", 5301, '\0', 1, "1", nullptr, "0", '2', "매 수"},
      {"ZR5301", 5301, '\0', 2, "2", "185.95", "185.95", '3', "매 수"},
  };
  const char* open = "";
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.screen) + " type " + std::to_string(c.type));
    if (std::string(open) != c.screen) {
      OpenScreen(c.screen);
      ASSERT_FALSE(HasFatalFailure());
      open = c.screen;
      EXPECT_EQ(Text(kAccount), "12345678 - 03");
      EXPECT_EQ(Text(kCode), "101C3");
      EXPECT_EQ(Text(kName), "200 F 0703");  // a futures name keeps its last 10 characters
      EXPECT_EQ(Focus(), kPassword);
    }
    size_t mark = server.logSize();
    ASSERT_TRUE(d->Type(kPassword, "0000"));
    EXPECT_EQ(Focus(), kQuantity);
    ASSERT_TRUE(d->Pick(kType, c.type));
    EXPECT_EQ(Enabled(kBox1010), c.price != nullptr);
    if (!c.price) {
      EXPECT_EQ(Text(kBox1010), "0");
    }
    ASSERT_TRUE(d->Type(kQuantity, c.quantity));
    if (c.price) {
      ASSERT_TRUE(d->Type(kBox1010, c.price));
    }
    EXPECT_EQ(Confirm(), std::string("계좌번호: 12345678-03\n종목코드: 101C3\n주문구분: ") + c.side +
                             "\n종 목  명: 200 F 0703\n주문수량: " + c.quantity + " 계약\n주문단가: " + c.sent + " pt");
    simsrv::LogEntry e;
    ASSERT_TRUE(server.waitForRequest(c.code, 3000, &e, mark));
    EXPECT_EQ(e.encFlag, 1);
    EXPECT_EQ(e.header, screentest::PacketLayerHeader(c.code, e.body.size(), true));
    // The password's bytes show as '*': four of them, the zero byte after them, then the fill.
    const std::string masked = c.fill == ' ' ? std::string("****\0***", 8) : std::string("****\0\0\0\0", 8);
    EXPECT_EQ(e.plain, B("1234567803" + masked + "101C3   " + Pad(c.quantity, 9, c.fill) + Pad(c.sent, 13, c.fill) +
                         std::string(1, c.typeCode)));
    EXPECT_EQ(Result(), std::string("종 목  명: 200 F 0703\n주문구분: ") + c.side + "\n주문수량: " + c.quantity +
                            " 계약\n주문단가: " + c.sent + " pt\n주문번호: " + LastNumber());
    // The accepted order leaves the password and the quantity empty, the type as chosen.
    EXPECT_EQ(Text(kPassword), "");
    EXPECT_EQ(Text(kQuantity), "");
    EXPECT_EQ(Text(kBox1010), c.price ? "" : "0");
  }
}

TEST_F(FutOptOrderTest, CancelledConfirmationSendsNothingAndKeepsTheInput) {
  OpenScreen("ZR5301");
  ASSERT_TRUE(d->Type(kPassword, "0000"));
  ASSERT_TRUE(d->Type(kQuantity, "1"));
  ASSERT_TRUE(d->Type(kBox1010, "186.00"));
  size_t mark = server.logSize();
  Confirm(IDCANCEL);
  EXPECT_TRUE(NoneSince(5301, mark));
  EXPECT_EQ(Text(kQuantity), "1");
  ASSERT_TRUE(d->Tap(kClear));
  EXPECT_EQ(Text(kPassword), "");
  EXPECT_EQ(Text(kQuantity), "");
  EXPECT_EQ(Text(kBox1010), "");
}

// ---- Checks ------------------------------------------------------------------------------------

TEST_F(FutOptOrderTest, EachFailedCheckShowsItsBoxFocusesTheBoxAndSendsNothing) {
  struct Case {
    const char* screen;
    const char* what;
    std::vector<std::pair<int, const char*>> typed;  // box, text (0: pick type 1)
    const char* box;
    int focus;
  } cases[] = {
      {"ZR5300", "no password", {{kQuantity, "1"}, {kBox1010, "190.00"}}, "비밀번호를 입력하세요", kPassword},
      {"ZR5300", "no code", {{kPassword, "0000"}, {kCode, ""}, {kQuantity, "1"}}, "종목코드를 입력하세요", kCode},
      {"ZR5300", "no quantity", {{kPassword, "0000"}, {kBox1010, "190.00"}}, "주문수량을 입력하세요", kQuantity},
      {"ZR5300", "no price at a limit", {{kPassword, "0000"}, {kQuantity, "1"}}, "주문가격을 입력하세요", kBox1010},
      {"ZR5301",
       "quantity too long",
       {{kPassword, "0000"}, {kQuantity, "1234567890"}, {kBox1010, "1"}},
       "주문수량을 확인해 주십시요.",
       kQuantity},
      {"ZR5301",
       "price with two dots",
       {{kPassword, "0000"}, {kQuantity, "1"}, {kBox1010, "1.8.5"}},
       "주문금액을 확인해 주십시요.",
       kBox1010},
      // The market type disables the price box, which cannot take the focus: it stays on 확인.
      {"ZR5301",
       "price at the market emptied",
       {{kPassword, "0000"}, {0, ""}, {kQuantity, "1"}, {kBox1010, ""}},
       "주문가격을 입력하세요",
       kConfirm},
      {"ZR5302",
       "no original",
       {{kPassword, "0000"}, {kQuantity, "1"}, {kBox1010, "186.00"}},
       "원주문번호를 입력하세요",
       kBox1015},
      {"ZR5302",
       "original of 7 digits",
       {{kPassword, "0000"}, {kBox1015, "1000011"}, {kQuantity, "1"}, {kBox1010, "1"}},
       "원주문번호는 6자리 이하로 입력하셔야 합니다.",
       kBox1015},
      {"ZR5302",
       "original with a point",
       {{kPassword, "0000"}, {kBox1015, "100.01"}, {kQuantity, "1"}, {kBox1010, "1"}},
       "원주문번호는 숫자로 입력하셔야 합니다.",
       kBox1015},
      {"ZR5302",
       "price not a number",
       {{kPassword, "0000"}, {kBox1015, "100001"}, {kQuantity, "1"}, {kBox1010, "-"}},
       "정정가격을 확인해 주십시요.",
       kBox1010},
      {"ZR5303",
       "original of 7 digits",
       {{kPassword, "0000"}, {kBox1010, "1000011"}, {kBox1015, "1"}},
       "원주문번호는 6자리 이하로 입력하셔야 합니다.",
       kBox1010},
      {"ZR5303", "no cancel quantity", {{kPassword, "0000"}, {kBox1010, "100001"}}, "취소수량을 입력하세요", kBox1015},
      {"ZR5303",
       "cancel quantity with a point",
       {{kPassword, "0000"}, {kBox1010, "100001"}, {kBox1015, "1.0"}},
       "취소수량을 확인해 주십시요.",
       kBox1015},
  };
  const char* open = "";
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.screen) + ": " + c.what);
    if (std::string(open) != c.screen) {
      OpenScreen(c.screen);
      ASSERT_FALSE(HasFatalFailure());
      open = c.screen;
    }
    const bool cancel = std::string(c.screen) == "ZR5303";
    if (!cancel) {
      ASSERT_TRUE(d->Pick(kType, 0));
    }
    for (int id : {kPassword, cancel ? kBox1015 : kQuantity, kBox1010}) SetText(id, "");
    if (std::string(c.screen) == "ZR5302") SetText(kBox1015, "");
    SetText(kCode, "101C3");
    for (const auto& [id, text] : c.typed) {
      if (id == 0) {
        ASSERT_TRUE(d->Pick(kType, 1));
      } else {
        SetText(id, text);
      }
    }
    size_t mark = server.logSize();
    ASSERT_TRUE(d->Tap(kConfirm));
    EXPECT_EQ(TakeBox(), c.box);
    EXPECT_EQ(Focus(), c.focus);
    EXPECT_TRUE(NoneSince(5300, mark) && NoneSince(5301, mark) && NoneSince(5302, mark) && NoneSince(5303, mark));
  }
}

// ---- An order followed through the screens -------------------------------------------------------

TEST_F(FutOptOrderTest, OrderInquiryModifyCancelAndPositionsAgree) {
  // Buy 5 at 186.00: it stays open.
  OpenScreen("ZR5301");
  ASSERT_TRUE(d->Type(kPassword, "0000"));
  ASSERT_TRUE(d->Type(kQuantity, "5"));
  ASSERT_TRUE(d->Type(kBox1010, "186.00"));
  Confirm();
  Result();
  const std::string bought = LastNumber();

  // The inquiry shows it open.
  OpenScreen("ZR5304");
  ASSERT_TRUE(d->Type(kPassword, "0000"));
  EXPECT_EQ(Focus(), kFilter);  // the 4th character moves on to the filter
  size_t mark = server.logSize();
  ASSERT_TRUE(d->Tap(kSend));
  Bytes sent = RequestSince(5304, mark);
  EXPECT_EQ(sent, B(std::string("1234567803****\0\0\0\0"
                                "0",
                                19) +
                    std::string(1, '\0') + std::string(1, '\0') + std::string(1, '\7') + std::string(12, '\0')));
  ASSERT_TRUE(WaitFor([&] { return Grid(kOrderGrid).size() == 1; }));
  auto row = Grid(kOrderGrid)[0];
  ASSERT_EQ(row.size(), 10u);
  std::vector<std::string> texts;
  for (const auto& cell : row) texts.push_back(cell.text);
  EXPECT_EQ(texts, (std::vector<std::string>{bought, "KP200 F 0703", "매수", "지정가", "186.00", "5", "0", "0.00", "5",
                                             "접수"}));

  // Modify 3 of them to 185.50, cancel the 2 left.
  OpenScreen("ZR5302");
  ASSERT_TRUE(d->Type(kPassword, "0000"));
  EXPECT_EQ(Focus(), kBox1015);
  ASSERT_TRUE(d->Type(kBox1015, bought));
  EXPECT_EQ(Focus(), kQuantity);  // the 6th digit moves on
  ASSERT_TRUE(d->Type(kQuantity, "3"));
  ASSERT_TRUE(d->Type(kBox1010, "185.50"));
  mark = server.logSize();
  EXPECT_EQ(Confirm(),
            "계좌번호: 12345678-03\n주문유형: 정 정\n종목코드: 101C3\n종 목  명: 200 F 0703\n주문수량: 3 "
            "계약\n주문단가: 185.50 pt");
  EXPECT_EQ(RequestSince(5302, mark), B(std::string("1234567803****\0\0\0\0", 18) + bought + "101C3   " +
                                        Pad("3", 9, '\0') + Pad("185.50", 13, '\0') + "1"));
  const std::string modified = LastNumber();
  EXPECT_EQ(Result(),
            "종 목  명: 200 F 0703\n주문구분: 정 정\n주문수량: 3 계약\n주문단가: 185.50 pt\n주문번호: " + modified);

  OpenScreen("ZR5303");
  ASSERT_TRUE(d->Type(kPassword, "0000"));
  EXPECT_EQ(Focus(), kBox1010);
  ASSERT_TRUE(d->Type(kBox1010, bought));
  EXPECT_EQ(Focus(), kBox1015);
  ASSERT_TRUE(d->Type(kBox1015, "2"));
  mark = server.logSize();
  EXPECT_EQ(Confirm(),
            "계좌번호: 12345678-03\n주문유형: 취 소\n종목코드: 101C3\n종 목  명: 200 F 0703\n주문수량: 2 계약");
  EXPECT_EQ(RequestSince(5303, mark), B(std::string("1234567803****\0\0\0\0", 18) + bought + "101C3   " +
                                        Pad("2", 9, '\0') + std::string(14, '\0')));
  EXPECT_EQ(Result(), "종 목  명: 200 F 0703\n주문구분: 취 소\n주문수량: 2 계약\n주문번호: " + LastNumber());
  // Cancelling again: the server refuses, the box says why, nothing changes.
  ASSERT_TRUE(d->Type(kPassword, "0000"));
  Confirm();
  std::string caption;
  EXPECT_EQ(TakeBox(IDOK, &caption), "정정/취소 가능수량이 없습니다.");
  size_t orders = FutOptOrderCount();

  // The modified order fills; the inquiry's filled filter shows it, the positions hold 2 + 3.
  server.trade("101C3000", 18550, 10);
  OpenScreen("ZR5304");
  ASSERT_TRUE(d->Type(kPassword, "0000"));
  ASSERT_TRUE(d->Pick(kFilter, 1));
  ASSERT_TRUE(d->Tap(kSend));
  ASSERT_TRUE(WaitFor([&] { return Grid(kOrderGrid).size() == 1; }));
  row = Grid(kOrderGrid)[0];
  EXPECT_EQ(row[0].text, modified);
  EXPECT_EQ(row[2].text, "정정매수");
  EXPECT_EQ(row[6].text, "3");
  EXPECT_EQ(row[7].text, "185.50");
  EXPECT_EQ(row[9].text, "체결");
  EXPECT_EQ(FutOptOrderCount(), orders);

  OpenScreen("ZR5401");
  ASSERT_TRUE(d->Type(kPassword, "0000"));
  EXPECT_EQ(Focus(), kSend);
  ASSERT_TRUE(d->Tap(kSend));
  ASSERT_TRUE(WaitFor([&] { return !Grid(kPositionGrid).empty() && Grid(kPositionGrid)[0][0].text == "101C3000"; }));
  row = Grid(kPositionGrid)[0];
  EXPECT_EQ(row[1].text, "KP200 F 0703");
  EXPECT_EQ(row[2].text, "매수");
  EXPECT_EQ(row[3].text, "5");
  EXPECT_EQ(row[4].text, "5");
  EXPECT_EQ(row[5].text, "       185.90");  // (2 x 186.50 + 3 x 185.50) / 5

  // The deposit: margin of five futures at 185.50, two thirds of it covered by 대용.
  OpenScreen("ZR5400");
  ASSERT_TRUE(d->Type(kDepositPassword, "0000"));
  ASSERT_TRUE(d->Tap(kSend));
  ASSERT_TRUE(WaitFor([&] { return Grid(kDepositGrid).size() == 6 && !Grid(kDepositGrid)[0][1].text.empty(); }));
  auto grid = Grid(kDepositGrid);
  const int64_t margin = 5LL * 18550 * 750, marginSub = std::min<int64_t>(30000000, margin * 2 / 3),
                marginCash = margin - marginSub;
  const std::vector<std::pair<std::string, std::vector<int64_t>>> expected = {
      {"예 탁 금", {100000000, 30000000, 130000000}},
      {"위탁증거금", {marginCash, marginSub, margin}},
      {"인출가능액", {100000000 - marginCash, 0, 100000000 - marginCash}},
      {"주문가능액", {100000000 - marginCash, 30000000 - marginSub, 130000000 - margin}},
      {"유지증거금", {marginCash * 2 / 3, -1, margin * 2 / 3}},
      {"추가증거금", {0, -1, 0}},
  };
  for (size_t r = 0; r < expected.size(); ++r) {
    SCOPED_TRACE(expected[r].first);
    EXPECT_EQ(grid[r][0].text, expected[r].first);
    EXPECT_EQ(grid[r][0].bg, grid[0][0].bg);
    for (size_t c = 0; c < 3; ++c)
      EXPECT_EQ(grid[r][c + 1].text, expected[r].second[c] < 0 ? "" : vxwire::Grouped(expected[r].second[c]));
  }
}

// ---- Paging and replies that cannot be shown -------------------------------------------------------

TEST_F(FutOptOrderTest, InquiryPagesWithTheKeyOfTheLastReplyAndStartsOverWithoutOne) {
  server.withMarket([](simsrv::Market& m) {
    for (int i = 0; i < 9; ++i) m.PlaceFutOptOrder("1234567803", "201C3190", true, '1', 1, 100);
    return 0;
  });
  OpenScreen("ZR5304");
  ASSERT_TRUE(d->Type(kPassword, "0000"));
  ASSERT_TRUE(d->Pick(kDate, 0));
  size_t mark = server.logSize();
  ASSERT_TRUE(d->Tap(kSend));
  ASSERT_TRUE(WaitFor([&] { return Grid(kOrderGrid).size() == 7; }));
  EXPECT_EQ(Column(kOrderGrid, 0).front(), "100001");
  Bytes first = RequestSince(5304, mark);
  ASSERT_EQ(first.size(), 34u);
  EXPECT_EQ(first[20], 0);  // page 0
  EXPECT_EQ(Bytes(first.begin() + 22, first.end()), Bytes(12, 0));

  mark = server.logSize();
  ASSERT_TRUE(d->Tap(kNext));
  ASSERT_TRUE(WaitFor([&] { return Grid(kOrderGrid).size() == 2; }));
  EXPECT_EQ(Column(kOrderGrid, 0).front(), "100008");
  Bytes second = RequestSince(5304, mark);
  ASSERT_EQ(second.size(), 34u);
  EXPECT_EQ(second[20], 1);
  EXPECT_EQ(std::string(second.begin() + 22, second.begin() + 27), "NEXT7");  // the key the first page gave

  // The last page said 'N': "다음" asks for nothing and is disabled.
  mark = server.logSize();
  ASSERT_TRUE(d->Tap(kNext));
  EXPECT_TRUE(NoneSince(5304, mark));
  EXPECT_FALSE(Enabled(kNext));
  EXPECT_EQ(Grid(kOrderGrid).size(), 2u);

  // "처음" starts over at page 0 without the last key, and enables "다음" again.
  mark = server.logSize();
  ASSERT_TRUE(d->Tap(kFirst));
  ASSERT_TRUE(WaitFor([&] { return Grid(kOrderGrid).size() == 7; }));
  EXPECT_EQ(RequestSince(5304, mark), first);
  EXPECT_TRUE(Enabled(kNext));

  // The filter and date combos change the next request only.
  mark = server.logSize();
  ASSERT_TRUE(d->Pick(kFilter, 2));
  ASSERT_TRUE(d->Pick(kDate, 1));
  EXPECT_TRUE(NoneSince(5304, mark));
  ASSERT_TRUE(d->Tap(kSend));
  ASSERT_TRUE(WaitFor([&] { return Grid(kOrderGrid).empty(); }));  // the day before holds none
  Bytes third = RequestSince(5304, mark);
  ASSERT_EQ(third.size(), 34u);
  EXPECT_EQ(third[18], '2');
  EXPECT_EQ(third[19], 1);
}

TEST_F(FutOptOrderTest, RepliesThatDoNotHoldWhatTheySayAreReportedAndNotShown) {
  // 5304: a count of 50 over two rows shows the two rows.
  server.setHandler(5304, [](simsrv::HandlerContext&, const simsrv::Request&, simsrv::Reply& r) {
    r.body.assign(25 + 2 * 121, 0);
    r.body[11] = 'N';
    r.body[12] = 50;
    for (int i = 0; i < 2; ++i) {
      uint8_t* row = &r.body[25 + 121 * i];
      std::memcpy(row, i ? "100002" : "100001", 6);
      std::memcpy(row + 14, "KP200 F 0703", 12);
      std::memcpy(row + 60, "1", 1);
      std::memcpy(row + 69, "186.00", 6);
    }
  });
  OpenScreen("ZR5304");
  ASSERT_TRUE(d->Type(kPassword, "0000"));
  ASSERT_TRUE(d->Tap(kSend));
  ASSERT_TRUE(WaitFor([&] { return Grid(kOrderGrid).size() == 2; }));
  EXPECT_TRUE(NoBox());

  // 5401: a row whose balance is no number: a format error, the grid as it was.
  server.setHandler(5401, [](simsrv::HandlerContext&, const simsrv::Request&, simsrv::Reply& r) {
    r.body.assign(13 + 97, 0);
    r.body[12] = 1;
    std::memcpy(&r.body[13], "101C3000", 8);
    std::memcpy(&r.body[13 + 58], "12x", 3);
  });
  OpenScreen("ZR5401");
  auto before = Grid(kPositionGrid);
  ASSERT_TRUE(d->Type(kPassword, "0000"));
  ASSERT_TRUE(d->Tap(kSend));
  EXPECT_EQ(TakeBox(), "ERROR : 수신 데이터 형식 오류 (5401)");
  EXPECT_EQ(Grid(kPositionGrid).size(), before.size());
  EXPECT_EQ(Grid(kPositionGrid)[0][0].text, "");

  // 5400: a reply shorter than its fields.
  server.setHandler(5400,
                    [](simsrv::HandlerContext&, const simsrv::Request&, simsrv::Reply& r) { r.body.assign(120, 0); });
  OpenScreen("ZR5400");
  ASSERT_TRUE(d->Type(kDepositPassword, "0000"));
  ASSERT_TRUE(d->Tap(kSend));
  EXPECT_EQ(TakeBox(), "ERROR : 수신 데이터 길이 오류 (5400)");
  EXPECT_EQ(Grid(kDepositGrid)[0][1].text, "");

  // An order reply too short for its number: the order may have been placed, and the box says
  // where to look.
  server.setHandler(5301,
                    [](simsrv::HandlerContext&, const simsrv::Request&, simsrv::Reply& r) { r.body.assign(12, '1'); });
  OpenScreen("ZR5301");
  ASSERT_TRUE(d->Type(kPassword, "0000"));
  ASSERT_TRUE(d->Type(kQuantity, "1"));
  ASSERT_TRUE(d->Type(kBox1010, "186.00"));
  Confirm();
  std::string caption;
  EXPECT_EQ(TakeBox(IDOK, &caption),
            "ERROR : 수신 데이터 길이 오류 (5301)\n주문 처리결과를 수신하지 못했습니다.\n"
            "주문체결조회에서 주문 처리 여부를 확인하시기 바랍니다.");
  EXPECT_EQ(caption, "주문처리결과");
}

TEST_F(FutOptOrderTest, ScreenButtonsOpenTheirScreens) {
  struct Case {
    const char* screen;
    int button;
    WPARAM opens;
  } cases[] = {
      {"ZR5300", 9800, 96019}, {"ZR5401", 9820, 96012}, {"ZR5401", 9821, 96013},
      {"ZR5400", 9800, 96020}, {"ZR5302", 8207, 92001}, {"ZR5304", 8207, 92001},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.screen) + " " + std::to_string(c.button));
    OpenScreen(c.screen);
    ASSERT_FALSE(HasFatalFailure());
    ClearOwnerLog();
    ASSERT_TRUE(d->Tap(c.button));
    Settled();
    EXPECT_EQ(OpenRequests(), std::vector<WPARAM>{c.opens});
  }
}

TEST_F(FutOptOrderTest, ResultDescribesTheOrderSentNotTheBoxesEditedMeanwhile) {
  OpenScreen("ZR5301");
  server.setFault({simsrv::FaultKind::Delay, 5301, 300, 1});
  ASSERT_TRUE(d->Type(kPassword, "0000"));
  ASSERT_TRUE(d->Type(kQuantity, "3"));
  ASSERT_TRUE(d->Type(kBox1010, "186.00"));
  Confirm();
  TypeInto(kQuantity, "7");  // the next order is being typed when the reply comes
  TypeInto(kBox1010, "185.00");
  EXPECT_EQ(Result(),
            "종 목  명: 200 F 0703\n주문구분: 매 수\n주문수량: 3 계약\n주문단가: 186.00 pt\n주문번호: " + LastNumber());
}

// Each order is one confirmation: a ninth goes out while eight wait for their results, and each
// result box describes its own order.
TEST_F(FutOptOrderTest, OrdersGoOutWhileEarlierOnesWaitAndEachResultIsItsOwn) {
  constexpr size_t kOrders = 9;
  simsrv::Handler place = simsrv::DefaultHandlers().at(5301);
  // The server answers none until the ninth has come, then all of them in order.
  auto held = std::make_shared<std::vector<simsrv::Reply>>();
  server.setHandler(5301, [place, held](simsrv::HandlerContext& c, const simsrv::Request& q, simsrv::Reply& r) {
    place(c, q, r);
    held->push_back(r);
    if (held->size() < kOrders) {
      r.send = false;
      return;
    }
    for (size_t i = 0; i + 1 < held->size(); ++i) c.server.sendReply(c.connection, q.code, (*held)[i]);
  });
  // One contract each, at prices that tell the orders apart.
  auto Price = [](size_t i) { return "120." + std::to_string(i) + "0"; };
  OpenScreen("ZR5301");
  size_t mark = server.logSize();
  for (size_t i = 1; i <= kOrders; ++i) {
    SCOPED_TRACE(i);
    TypeInto(kPassword, "0000");
    TypeInto(kQuantity, "1");
    TypeInto(kBox1010, Price(i));
    EXPECT_EQ(Confirm(),
              "계좌번호: 12345678-03\n종목코드: 101C3\n주문구분: 매 수\n종 목  명: 200 F 0703\n주문수량: 1 "
              "계약\n주문단가: " +
                  Price(i) + " pt");
  }
  // The first result is up: the server has placed all nine by now.
  ASSERT_TRUE(WaitFor([&] { return plat::win::PendingMessageBox(nullptr); }));
  std::vector<std::string> numbers;
  for (const simsrv::FutOptOrder& o : server.withMarket([](simsrv::Market& m) { return m.FutOptOrders(); }))
    numbers.push_back(o.number);
  ASSERT_GE(numbers.size(), kOrders);
  numbers.erase(numbers.begin(), numbers.end() - kOrders);
  for (size_t i = 1; i <= kOrders; ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(Result(), "종 목  명: 200 F 0703\n주문구분: 매 수\n주문수량: 1 계약\n주문단가: " + Price(i) +
                            " pt\n주문번호: " + numbers[i - 1]);
  }
  EXPECT_TRUE(NoBox());
  EXPECT_EQ(server.requests(5301, mark).size(), kOrders);
}

// The account inquiries show no wait cursor: not while the request is out, nor after the server's
// refusal or a reply that cannot be shown. Their requests are built by the packet layer, enciphered.
TEST_F(FutOptOrderTest, AccountInquiriesStartNoWaitCursor) {
  struct Case {
    const char* screen;
    uint16_t code;
    int password;
  } cases[] = {{"ZR5304", 5304, kPassword}, {"ZR5401", 5401, kPassword}, {"ZR5400", 5400, kDepositPassword}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.screen);
    OpenScreen(c.screen);
    ASSERT_FALSE(HasFatalFailure());
    ASSERT_FALSE(plat::win::WaitCursorShown());
    // Refused: the server's box, and no cursor afterwards.
    server.setHandler(c.code, [](simsrv::HandlerContext&, const simsrv::Request&, simsrv::Reply& r) {
      r.Error("알림", "비밀번호가 틀립니다.");
    });
    TypeInto(c.password, "0000");
    size_t mark = server.logSize();
    ASSERT_TRUE(d->Tap(kSend));
    EXPECT_FALSE(plat::win::WaitCursorShown());
    simsrv::LogEntry e;
    ASSERT_TRUE(server.waitForRequest(c.code, 3000, &e, mark));
    EXPECT_EQ(e.header, screentest::PacketLayerHeader(c.code, e.body.size(), true));
    EXPECT_EQ(TakeBox(), "비밀번호가 틀립니다.");
    EXPECT_FALSE(plat::win::WaitCursorShown());
    // A reply too short to show: the reception-error box, and still no cursor.
    server.setHandler(c.code,
                      [](simsrv::HandlerContext&, const simsrv::Request&, simsrv::Reply& r) { r.body.assign(5, 0); });
    ASSERT_TRUE(d->Tap(kSend));
    EXPECT_EQ(TakeBox(), "ERROR : 수신 데이터 길이 오류 (" + std::to_string(c.code) + ")");
    EXPECT_FALSE(plat::win::WaitCursorShown());
    server.setHandler(c.code, simsrv::DefaultHandlers().at(c.code));
  }
}

// The shell's bars hidden again after drawing: after every owner-drawn item on the buy, modify,
// orders and deposit screens, after the finder button alone on the cancel screen, never on the sell
// and positions screens.
TEST_F(FutOptOrderTest, ShellBarsAreHiddenAgainAfterTheScreensDrawing) {
  struct Case {
    const char* screen;
    bool afterQueryButton;  // 조회 8110, an owner-drawn button like every other
    bool afterFinder;       // the finder button 9911
  } cases[] = {{"ZR5300", false, false}, {"ZR5301", true, true}, {"ZR5302", true, true},  {"ZR5303", false, true},
               {"ZR5304", true, true},   {"ZR5400", true, true}, {"ZR5401", false, false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.screen);
    OpenScreen(c.screen);
    ASSERT_FALSE(HasFatalFailure());
    for (int button : {8110, 9911}) {
      SCOPED_TRACE(button);
      d->Ui([&] {
        SHFullScreen(dlg, SHFS_SHOWTASKBAR | SHFS_SHOWSIPBUTTON | SHFS_SHOWSTARTICON);
        HWND b = GetDlgItem(dlg, button);
        InvalidateRect(b, nullptr, TRUE);
        UpdateWindow(b);
      });
      d->Settle();
      EXPECT_EQ(!plat::win::ShellState().taskBarVisible, button == 8110 ? c.afterQueryButton : c.afterFinder);
    }
  }
}

}  // namespace
