// Balance (4402, 4401, 4450) and transfer (2420-2425, 4440) transactions.
#include "fixture.h"

namespace tc {
namespace {

class AccountTest : public ServerTest {
 protected:
  void SetUp() override {
    ServerTest::SetUp();
    client = LoggedIn();
  }
  static Bytes Auth(size_t size, const std::string& pw = "0000") {
    Bytes b(size, 0);
    Put(b, 0, 10, "1234567801");
    Put(b, 10, 8, pw);
    return b;
  }
  std::string Order(bool buy, const std::string& code, const std::string& qty, const std::string& price) {
    Bytes b = Auth(40);
    Put(b, 18, 6, code);
    Put(b, 24, 7, qty);
    Put(b, 31, 8, price);
    b[39] = '1';
    Bytes r;
    return Ask(*client, buy ? 2310 : 2300, b, true, &r);
  }
  std::unique_ptr<Client> client;
};

TEST_F(AccountTest, OrderAvailableBalanceHoldsBackOpenBuys) {
  Bytes r;
  ASSERT_EQ(Ask(*client, 4402, Auth(18), true, &r), "00");
  ASSERT_EQ(r.size(), 76u);
  EXPECT_EQ(Net(r, 10, 3), 100000000);
  EXPECT_EQ(Net(r, 70, 3), 100000000);
  ASSERT_EQ(Order(true, "005930", "10", "70000"), "00");
  ASSERT_EQ(Ask(*client, 4402, Auth(18), true, &r), "00");
  struct Field {
    size_t at;
    int64_t value;
  } fields[] = {{10, 100000000}, {28, 700000},   {34, 0},        {22, 0},
                {46, 99300000},  {52, 99300000}, {58, 99300000}, {70, 99300000}};
  for (const Field& f : fields) EXPECT_EQ(Net(r, f.at, 3), f.value) << f.at;
  // What is held back cannot be spent twice.
  EXPECT_EQ(Order(true, "005930", "1420", "70000"), "99");
}

TEST_F(AccountTest, BalanceEvaluationRowsAndContinuation) {
  Bytes req = Auth(151);
  req[19] = 7;
  Bytes r;
  ASSERT_EQ(Ask(*client, 4401, req, true, &r), "00");
  ASSERT_EQ(r.size(), 174u + 3 * 85u);
  EXPECT_EQ(r[172], 'N');
  EXPECT_EQ(r[173], 3);
  const uint8_t* hynix = &r[174];  // rows by item code: 000660, 005930, 035720
  Bytes row(hynix, hynix + 85);
  EXPECT_EQ(Utf8(Text(row, 6, 30)), "SK하이닉스");
  EXPECT_EQ(Utf8(Text(row, 36, 8)), "현금");
  EXPECT_EQ(Net(row, 44, 3), 50);
  EXPECT_EQ(Net(row, 56, 3), 135000);
  EXPECT_EQ(Net(row, 62, 3), 128500);
  EXPECT_EQ(Net(row, 68, 3), 6425000);
  EXPECT_EQ(row[74], '-');
  EXPECT_EQ(Net(row, 75, 3), 325000);
  EXPECT_EQ(ToHex(Bytes(row.begin() + 81, row.begin() + 85)), "00040051");  // 4.81 %

  // Two rows a page: the key of the first reply brings the third row.
  req[19] = 2;
  ASSERT_EQ(Ask(*client, 4401, req, true, &r), "00");
  EXPECT_EQ(r[172], 'Y');
  EXPECT_EQ(r[173], 2);
  std::copy(r.begin() + 40, r.begin() + 171, req.begin() + 20);
  req[18] = 1;
  ASSERT_EQ(Ask(*client, 4401, req, true, &r), "00");
  EXPECT_EQ(r[172], 'N');
  ASSERT_EQ(r[173], 1);
  EXPECT_EQ(Text(r, 174, 6), "035720");
  EXPECT_EQ(r[174 + 74], '+');
}

TEST_F(AccountTest, SellableBalanceLeavesOutOpenSells) {
  ASSERT_EQ(Order(false, "005930", "30", "80000"), "00");
  Bytes req = Auth(42);
  req[41] = 8;
  Bytes r;
  ASSERT_EQ(Ask(*client, 4450, req, true, &r), "00");
  ASSERT_EQ(r[34], 3);
  ASSERT_EQ(r.size(), 35u + 3 * 50u);
  EXPECT_EQ(r[33], 'N');
  const size_t samsung = 35 + 50;
  EXPECT_EQ(Text(r, samsung + 8, 6), "005930");
  EXPECT_EQ(Utf8(Text(r, samsung + 14, 30)), "삼성전자");
  EXPECT_EQ(Net(r, samsung + 44, 3), 70);
  req[40] = 1;  // a page past the end is empty
  ASSERT_EQ(Ask(*client, 4450, req, true, &r), "00");
  EXPECT_EQ(r[34], 0);
  EXPECT_EQ(r[32], 1);
}

class TransferTest : public AccountTest {
 protected:
  Bytes Inquiry(const std::string& bank, const std::string& number, const std::string& amount) {
    Bytes b = Auth(45, "0000");
    Put(b, 14, 2, bank);
    Put(b, 16, 20, number);
    Put(b, 36, 9, amount);
    return b;
  }
  Bytes TransferBody(const Bytes& inquiryReply, const std::string& bank, const std::string& number,
                     const std::string& amount) {
    Bytes b = Auth(45);
    Put(b, 18, 2, bank);
    Put(b, 20, 2, number.substr(0, 2));
    std::copy(inquiryReply.begin() + 1, inquiryReply.begin() + 11, b.begin() + 22);
    Put(b, 32, 13, amount);
    return b;
  }
};

TEST_F(TransferTest, InquiryThenTransferGoesOnceAndIsListed) {
  Bytes r;
  ASSERT_EQ(Ask(
                *client, 2420,
                [] {
                  Bytes b = Auth(19);
                  b[18] = 0x0A;
                  return b;
                }(),
                true, &r),
            "00");
  ASSERT_EQ(r[10], 3);
  EXPECT_EQ(Text(r, 11, 2), "04");
  EXPECT_EQ(Utf8(Text(r, 13, 14)), "국민은행");
  EXPECT_EQ(Text(r, 27, 20), "12345678901234");
  ASSERT_EQ(Ask(*client, 2421, Auth(18), true, &r), "00");
  EXPECT_EQ(Net(r, 0, 3), 100000000);

  Bytes inquiry;
  ASSERT_EQ(Ask(*client, 2422, Inquiry("04", "12345678901234", "1000000"), true, &inquiry), "00");
  EXPECT_EQ(inquiry[0], '1');
  EXPECT_EQ(Utf8(Text(inquiry, 24, 20)), "홍길동");
  Bytes body = TransferBody(inquiry, "04", "12345678901234", "1000000");
  ASSERT_EQ(Ask(*client, 2425, body, true, &r), "00");
  ASSERT_EQ(r.size(), 50u);
  EXPECT_EQ(Text(r, 0, 10), "1234567801");
  EXPECT_EQ(Net(r, 10, 3), 1000000);
  EXPECT_EQ(Net(r, 16, 2), 500);
  EXPECT_EQ(Text(r, 20, 20), "12345678901234");
  EXPECT_EQ(Utf8(Text(r, 40, 10)), "국민은행");
  // The same request again is refused: a transfer never goes twice.
  ASSERT_EQ(Ask(*client, 2425, body, true, &r), "99");
  EXPECT_EQ(Message(r).second, "수취인조회 후 송금하세요.");
  ASSERT_EQ(Ask(*client, 2421, Auth(18), true, &r), "00");
  EXPECT_EQ(Net(r, 0, 3), 100000000 - 1000500);

  Bytes list = Auth(21);
  list[18] = 2;
  list[20] = 7;
  ASSERT_EQ(Ask(*client, 4440, list, true, &r), "00");
  EXPECT_EQ(r[11], 'N');
  ASSERT_EQ(r[12], 1);
  ASSERT_EQ(r.size(), 13u + 128u);
  EXPECT_EQ(ToHex(Bytes(r.begin() + 13, r.begin() + 16)), "07030f");
  EXPECT_EQ(Net(r, 13 + 6, 2), 1000000);
  EXPECT_EQ(Utf8(Text(r, 13 + 12, 10)), "국민은행");
  EXPECT_EQ(Net(r, 13 + 22, 2), 78901234);
  EXPECT_EQ(Utf8(Text(r, 13 + 42, 12)), "홍길동");
  EXPECT_EQ(Net(r, 13 + 74, 2), 500);
  // The password of the inquiry (4 bytes) and of the transfer never reach the log.
  for (const auto& e : server->log()) {
    if (e.code == 2422) {
      EXPECT_EQ(Text(e.plain, 10, 4), "****");
      EXPECT_EQ(Text(e.plain, 14, 2), "04");
    }
    if (e.code == 2425) {
      EXPECT_EQ(Text(e.plain, 10, 8), "****");
    }
  }
}

TEST_F(TransferTest, TransfersThatDoNotMatchTheirInquiryAreRefused) {
  struct Case {
    const char* name;
    std::function<void(Bytes&)> change;
  } cases[] = {
      {"another amount", [](Bytes& b) { Put(b, 32, 13, "2000000"); }},
      {"another bank", [](Bytes& b) { Put(b, 18, 2, "20"); }},
      {"another account number", [](Bytes& b) { Put(b, 20, 2, "99"); }},
      {"another key", [](Bytes& b) { b[25] ^= 1; }},
      {"wrong password", [](Bytes& b) { Put(b, 10, 8, "9999"); }},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.name);
    Bytes inquiry, r;
    ASSERT_EQ(Ask(*client, 2422, Inquiry("04", "12345678901234", "1000000"), true, &inquiry), "00");
    Bytes body = TransferBody(inquiry, "04", "12345678901234", "1000000");
    k.change(body);
    EXPECT_EQ(Ask(*client, 2425, body, true, &r), "99");
  }
  Bytes r;
  ASSERT_EQ(Ask(*client, 2421, Auth(18), true, &r), "00");
  EXPECT_EQ(Net(r, 0, 3), 100000000);
}

TEST_F(TransferTest, InquiryRefusalsAndTheFollowUp) {
  Bytes r;
  EXPECT_EQ(Ask(*client, 2422, Inquiry("04", "99999999", "1000"), true, &r), "99");
  EXPECT_EQ(Message(r).second, "등록되지 않은 입금계좌입니다.");
  EXPECT_EQ(Ask(*client, 2422, Inquiry("04", "12345678901234", "99999999"), true, &r), "99");
  EXPECT_EQ(Message(r).second, "인출가능금액이 부족합니다.");
  EXPECT_EQ(Ask(*client, 2422, Inquiry("04", "12345678901234", ""), true, &r), "99");

  // The bank of this receiver wants the follow-up; its answer carries the key.
  ASSERT_EQ(Ask(*client, 2422, Inquiry("11", "3021234567891", "50000"), true, &r), "00");
  EXPECT_EQ(r[0], '2');
  Bytes follow(43, 0);
  Put(follow, 0, 10, "1234567801");
  Put(follow, 10, 2, "11");
  Put(follow, 12, 20, "3021234567891");
  Put(follow, 32, 9, "50000");
  follow[41] = r[44];
  follow[42] = r[45];
  Bytes inquiry;
  ASSERT_EQ(Ask(*client, 2423, follow, true, &inquiry), "00");
  EXPECT_EQ(inquiry[0], '1');
  ASSERT_EQ(Ask(*client, 2425, TransferBody(inquiry, "11", "3021234567891", "50000"), true, &r), "00");
  EXPECT_EQ(Net(r, 10, 3), 50000);
}

}  // namespace
}  // namespace tc
