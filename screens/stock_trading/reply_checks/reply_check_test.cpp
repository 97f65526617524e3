// Replies that are not what their layout says, or too long to be held, on the order, transfer,
// inquiry and balance screens: the simulated server answers the screen's request with 0xFF bytes
// (status "00", the reply's own length, enciphered as usual) or with a packet of 4,097 bytes.
// Each screen reports a reception error and shows nothing of it as a result; an order or a
// transfer also tells the user that its outcome is unknown and where to look it up.
#include <functional>

#include "screen_host.h"

namespace {

using namespace screentest;

const std::string kOrderAdvice =
    "\n주문 처리결과를 수신하지 못했습니다.\n주문체결조회에서 주문 처리 여부를 확인하시기 바랍니다.";
const std::string kTransferAdvice =
    "\n이체 처리결과를 수신하지 못했습니다.\n이체신청조회에서 이체 처리 여부를 확인하시기 바랍니다.";

class ReplyCheckTest;

struct Screen {
  const char* name;
  const char* plugin;
  uint16_t code;
  // Drives the screen until its request of `code` has left (and any confirmation is answered).
  std::function<void(ReplyCheckTest&)> ask;
  // Checks that nothing of the reply is shown.
  std::function<void(ReplyCheckTest&)> nothingShown;
  const std::string* advice;  // order or transfer: what the box adds
};

class ReplyCheckTest : public ScreenTestWithParam<std::tuple<Screen, simsrv::FaultKind>> {
 public:
  void OpenScreen(const Screen& s) { ASSERT_NO_FATAL_FAILURE(Open(std::string(s.name))); }
  void Tap(int id) { ASSERT_TRUE(d->Tap(id)); }
  // Every cell of the grid is empty (rows the screen keeps empty may be there).
  void GridEmpty(int id) {
    for (const auto& row : Grid(id))
      for (const Cell& c : row) EXPECT_EQ(c.text, "") << "grid " << id;
  }
};

// Types the password and taps the screen's send button.
std::function<void(ReplyCheckTest&)> PasswordAndTap(int password, int button) {
  return [=](ReplyCheckTest& t) {
    t.TypeInto(password, "0000");
    t.Tap(button);
  };
}
std::function<void(ReplyCheckTest&)> GridEmpty(int grid) {
  return [=](ReplyCheckTest& t) { t.GridEmpty(grid); };
}

const Screen kScreens[] = {
    {"ZR4310", ZR4310_PLUGIN, 2310,
     [](ReplyCheckTest& t) {
       t.TypeInto(1014, "0000");
       t.TypeInto(1009, "10");
       t.TypeInto(1010, "70000");
       t.Tap(9705);
       std::string caption;
       EXPECT_NE(t.TakeBox(IDOK, &caption).find("주문수량: 10 주"), std::string::npos);
       EXPECT_EQ(caption, "주문 확인");
     },
     [](ReplyCheckTest& t) { EXPECT_EQ(t.Text(1009), "10") << "the order's fields stay"; }, &kOrderAdvice},
    {"ZR4320", ZR4320_PLUGIN, 2320,
     [](ReplyCheckTest& t) {
       std::string number = t.Place("1234567801", "005930", true, '1', 10, 70000);
       t.TypeInto(1014, "0000");
       t.TypeInto(1015, number);
       t.TypeInto(1009, "5");
       t.TypeInto(1010, "69000");
       t.Tap(9705);
       EXPECT_NE(t.TakeBox().find("정정구분"), std::string::npos);
     },
     [](ReplyCheckTest& t) { EXPECT_EQ(t.Text(1009), "5"); }, &kOrderAdvice},
    {"ZR4340", ZR4340_PLUGIN, 4340,
     [](ReplyCheckTest& t) {
       t.Place("1234567801", "005930", true, '1', 10, 70000);
       t.TypeInto(1004, "0000");
       t.Tap(9813);
     },
     GridEmpty(4340), nullptr},
    {"ZR4400", ZR4400_PLUGIN, 4401, PasswordAndTap(1007, 9813), GridEmpty(4400), nullptr},
    {"ZR4460", ZR4460_PLUGIN, 4450, PasswordAndTap(1007, 9813), GridEmpty(4460), nullptr},
    {"ZR4440", ZR4440_PLUGIN, 4440, PasswordAndTap(1007, 9813), GridEmpty(4440), nullptr},
    {"ZR4430", ZR4430_PLUGIN, 2420, PasswordAndTap(1003, 9815),
     [](ReplyCheckTest& t) {
       EXPECT_EQ(t.Text(1006), "");
       EXPECT_EQ(t.Text(1007), "");
     },
     nullptr},
    {"ZR4430", ZR4430_PLUGIN, 2425,
     [](ReplyCheckTest& t) {
       t.TypeInto(1003, "0000");
       t.Tap(9815);
       ASSERT_TRUE(t.WaitFor([&] { return t.Text(1006) == "국민은행"; }));
       t.TypeInto(1004, "10000");
       t.Tap(9828);
       ASSERT_TRUE(t.WaitFor([&] { return t.Text(1008) == "홍길동"; }));
       t.Tap(9814);
       std::string caption;
       t.TakeBox(IDOK, &caption);
       EXPECT_EQ(caption, "이체전송확인");
     },
     [](ReplyCheckTest&) {}, &kTransferAdvice},
};

TEST_P(ReplyCheckTest, ReplyIsReportedNeverShown) {
  const Screen& s = std::get<0>(GetParam());
  const simsrv::FaultKind fault = std::get<1>(GetParam());
  ASSERT_NO_FATAL_FAILURE(OpenScreen(s));
  server.setFault({fault, s.code, 0, 1});
  size_t mark = server.logSize();
  ASSERT_NO_FATAL_FAILURE(s.ask(*this));
  ASSERT_TRUE(server.waitForRequest(s.code, 3000, nullptr, mark));
  std::string caption;
  std::string text = TakeBox(IDOK, &caption);
  std::string reason = fault == simsrv::FaultKind::FillFF ? "형식" : "길이";
  EXPECT_EQ(text, "ERROR : 수신 데이터 " + reason + " 오류 (" + std::to_string(s.code) + ")" +
                      (s.advice ? *s.advice : std::string()));
  if (s.advice) {
    EXPECT_EQ(caption, s.code == 2425 ? "이체처리결과" : "주문처리결과");
  }
  EXPECT_TRUE(NoBox()) << "no result box";
  s.nothingShown(*this);
  EXPECT_EQ(server.requests(s.code, mark).size(), 1u) << "sent once";
}

INSTANTIATE_TEST_SUITE_P(Screens, ReplyCheckTest,
                         ::testing::Combine(::testing::ValuesIn(kScreens),
                                            ::testing::Values(simsrv::FaultKind::FillFF, simsrv::FaultKind::Oversize)),
                         [](const auto& info) {
                           const Screen& s = std::get<0>(info.param);
                           return std::string(s.name) + "_" + std::to_string(s.code) +
                                  (std::get<1>(info.param) == simsrv::FaultKind::FillFF ? "_AllFF" : "_TooLong");
                         });

// The order-available balance (4402) holds only signed amounts, which 0xFF bytes fill with valid
// values; a reply too long to be held is reported as on the other screens.
TEST_F(ReplyCheckTest, OrderAvailableReplyTooLongIsReported) {
  ASSERT_NO_FATAL_FAILURE(OpenScreen({"ZR4410", ZR4410_PLUGIN, 4402, nullptr, nullptr, nullptr}));
  server.setFault({simsrv::FaultKind::Oversize, 4402, 0, 1});
  TypeInto(1007, "0000");
  Tap(9813);
  EXPECT_EQ(TakeBox(), "ERROR : 수신 데이터 길이 오류 (4402)");
  for (const auto& value : Column(4410, 1)) EXPECT_EQ(value, "");
}

// An order whose reply was too long to be held was booked by the server: the user is told to look
// it up, goes to the order inquiry and finds it there; the connection served on.
TEST_F(ReplyCheckTest, LostOrderReplyIsFoundInTheInquiry) {
  ASSERT_NO_FATAL_FAILURE(OpenScreen(kScreens[0]));
  server.setFault({simsrv::FaultKind::Oversize, 2310, 0, 1});
  ASSERT_NO_FATAL_FAILURE(kScreens[0].ask(*this));
  EXPECT_EQ(TakeBox(), "ERROR : 수신 데이터 길이 오류 (2310)" + kOrderAdvice);
  auto orders = Orders();
  ASSERT_EQ(orders.size(), 1u);
  Close();
  ASSERT_NO_FATAL_FAILURE(OpenScreen(kScreens[2]));
  TypeInto(1004, "0000");
  Tap(9813);
  ASSERT_TRUE(WaitFor([&] { return Column(4340, 2) == std::vector<std::string>{orders[0].number}; }))
      << Column(4340, 2).size();
}

}  // namespace
