// ZR4430, the bank transfer, driven as a user drives it against the simulated trading server:
// password typed, "조회", a receiver picked, the amount typed key by key, "수취인조회", "송  금" with
// the confirmation answered; the requests checked on the wire (deciphered, password masked) and
// the screen's fields and boxes read back.
#include "transfer_fixture.h"

namespace {

using transfertest::Bytes;

constexpr int kPassword = 1003;
constexpr int kBtnQuery = 9815;
constexpr int kWithdrawable = 1005;
constexpr int kAmount = 1004;
constexpr int kBank = 1006;
constexpr int kBankAccount = 1007;
constexpr int kName = 1008;
constexpr int kBtnInquiry = 9828;
constexpr int kBtnSend = 9814;

const std::string kMasked4 = "****";

std::string Field(const Bytes& b, size_t at, size_t n) { return std::string(b.begin() + at, b.begin() + at + n); }
// A text field of `n` bytes: the text, then zeros.
std::string Padded(const std::string& text, size_t n) {
  std::string s = text;
  s.resize(n, '\0');
  return s;
}

class ZR4430Test : public transfertest::TransferScreenTest {
 protected:
  ZR4430Test() : TransferScreenTest(ZR4430_PLUGIN, u"ZR4430.dll") {}

  // Password, "조회", and both answers on the screen.
  void AskReceivers() {
    TypeInto(kPassword, "0000");
    size_t mark = server.logSize();
    ASSERT_TRUE(d->Tap(kBtnQuery));
    ASSERT_TRUE(server.waitForRequest(2421, 3000, nullptr, mark));
    ASSERT_TRUE(WaitFor([&] { return Text(kWithdrawable) == "100,000,000" && Text(kBank) == "국민은행"; }))
        << Text(kWithdrawable) << " / " << Text(kBank);
  }
  // Picks receiver `index`, types the amount and asks the bank; waits for the name.
  void Inquire(int index, const std::string& amount, const std::string& name) {
    ASSERT_TRUE(d->Pick(kBank, index));
    TypeInto(kAmount, amount);
    size_t mark = server.logSize();
    ASSERT_TRUE(d->Tap(kBtnInquiry));
    ASSERT_TRUE(server.waitForRequest(2422, 3000, nullptr, mark));
    ASSERT_TRUE(WaitFor([&] { return Text(kName) == name; })) << Text(kName);
  }
  // Waits for a box and returns it unanswered.
  plat::win::MessageBoxInfo Box() {
    plat::win::MessageBoxInfo b;
    EXPECT_TRUE(WaitFor([&] { return plat::win::PendingMessageBox(&b); })) << "no box";
    return b;
  }
  void Answer(const plat::win::MessageBoxInfo& b, int button) {
    plat::win::AnswerMessageBox(button, b.hwnd);
    d->Settle();
  }
  // Taps "송  금", answers the confirmation with `button`.
  void SendAndConfirm(int button) {
    ASSERT_TRUE(d->Tap(kBtnSend));
    auto b = Box();
    ASSERT_EQ(transfertest::Utf8(b.caption), "이체전송확인");
    Answer(b, button);
  }
  int64_t Cash(const std::string& account) {
    return server.withMarket([&](simsrv::Market& m) { return m.FindAccount(account)->cash; });
  }
  size_t Transfers(const std::string& account) {
    return server.withMarket([&](simsrv::Market& m) { return m.FindAccount(account)->transfers.size(); });
  }
  // Hands the screen a plain reply, as the receive thread does.
  void Inject(uint16_t code, const Bytes& body) {
    Bytes packet(15 + body.size(), 0);
    TrPutU32(packet.data(), static_cast<uint32_t>(packet.size()));
    TrPutU16(packet.data() + 4, code);
    packet[6] = '4';
    packet[11] = packet[12] = '0';
    std::copy(body.begin(), body.end(), packet.begin() + 15);
    d->Ui([&] { SendMessage(dlg, WM_VX_PACKET, reinterpret_cast<WPARAM>(packet.data()), 0); });
    d->Settle();
  }
  static Bytes ReceiverList(int countByte, int records) {
    Bytes b(11 + 36 * static_cast<size_t>(records), 0);
    std::memcpy(b.data(), "1234567801", 10);
    b[10] = static_cast<uint8_t>(countByte);
    for (int i = 0; i < records; ++i) {
      uint8_t* r = &b[11 + 36 * static_cast<size_t>(i)];
      std::string code = std::to_string(10 + i), name = "Bank" + std::to_string(i), no = "9000" + std::to_string(i);
      std::memcpy(r, code.data(), 2);
      std::memcpy(r + 2, name.data(), name.size());
      std::memcpy(r + 16, no.data(), no.size());
    }
    return b;
  }
};

TEST_F(ZR4430Test, QueryAsksForReceiversAndAmountAndShowsBoth) {
  StoreFutOptAccounts({u"1234567803"});
  Open();
  EXPECT_EQ(Text(1009), "12345678 - 01");
  EXPECT_EQ(Focus(), kPassword);
  ASSERT_TRUE(d->Pick(1009, 2));  // the futures/options account after the two stock accounts
  EXPECT_EQ(Text(1009), "12345678 - 03");
  ASSERT_TRUE(d->Pick(1009, 0));
  TypeInto(kPassword, "0000");
  size_t mark = server.logSize();
  ASSERT_TRUE(d->Tap(kBtnQuery));
  simsrv::LogEntry list, amount;
  ASSERT_TRUE(server.waitForRequest(2420, 3000, &list, mark));
  ASSERT_TRUE(server.waitForRequest(2421, 3000, &amount, mark));
  EXPECT_EQ(std::string(list.plain.begin(), list.plain.end()), "1234567801" + Padded(kMasked4, 8) + "\x0A");
  EXPECT_EQ(std::string(amount.plain.begin(), amount.plain.end()), "1234567801" + Padded(kMasked4, 8));
  ASSERT_TRUE(WaitFor([&] { return Text(kWithdrawable) == "100,000,000"; })) << Text(kWithdrawable);
  ASSERT_TRUE(WaitFor([&] { return Text(kBankAccount) == "12345678901234"; }));
  EXPECT_EQ(Text(kBank), "국민은행");
  ASSERT_TRUE(d->Pick(kBank, 1));
  EXPECT_EQ(Text(kBank), "우리은행");
  EXPECT_EQ(Text(kBankAccount), "1002123456789");
}

// The transfer screens list the stock and then the futures/options accounts and start on the
// first; an account picked there is no order screen's default: the account memo of the order
// screens stays as it was, and the buy screen opened next still shows it.
TEST_F(ZR4430Test, TransferScreensLeaveTheOrderScreensAccountMemoAlone) {
  {
    CPropCE reg;
    ASSERT_TRUE(reg.SetBaseKey(HKEY_LOCAL_MACHINE, u"Software\\Quorvan\\Zelvix\\Order Change"));
    reg.SetValue(u"AccountNo", u"1234567802");
  }
  StoreFutOptAccounts({u"1234567803"});
  auto memo = [] {
    CPropCE reg;
    if (!reg.SetBaseKey(HKEY_LOCAL_MACHINE, u"Software\\Quorvan\\Zelvix\\Order Change")) return std::string("<no key>");
    return transfertest::Utf8(reg.GetValue(u"AccountNo"));
  };
  AddPlugin(ZR4440_PLUGIN, u"ZR4440.dll");
  AddPlugin(ZR4310_PLUGIN, u"ZR4310.dll");
  const struct {
    const char16_t* plugin;
    int password;
  } screens[] = {{u"ZR4430.dll", kPassword}, {u"ZR4440.dll", 1007}};
  for (const auto& sc : screens) {
    SCOPED_TRACE(transfertest::Utf8(sc.plugin));
    ASSERT_NO_FATAL_FAILURE(Open(sc.plugin));
    EXPECT_EQ(Text(1009), "12345678 - 01");
    int entries = 0;
    d->Ui([&] { entries = static_cast<int>(SendMessage(GetDlgItem(dlg, 1009), CB_GETCOUNT, 0, 0)); });
    EXPECT_EQ(entries, 3) << "two stock accounts, then the futures/options account";
    ASSERT_TRUE(d->Pick(1009, 2));
    EXPECT_EQ(Text(1009), "12345678 - 03");
    ASSERT_TRUE(d->Tap(sc.password));  // the account combo loses the focus
    d->Ui([&] { SetFocus(GetDlgItem(dlg, sc.password)); });
    d->Settle();
    EXPECT_EQ(memo(), "1234567802");
    Close();
  }
  ASSERT_NO_FATAL_FAILURE(Open(u"ZR4310.dll"));
  EXPECT_EQ(Text(1006), "12345678 - 02");
}

// The two answers may come in either order; each fills its own field.
TEST_F(ZR4430Test, ReceiversAndAmountInEitherOrder) {
  Open();
  Bytes amount(6, 0);
  transfertest::PutNet(amount.data(), 3, 2500000000LL);  // beyond 32 bits
  const struct {
    const char* name;
    bool listFirst;
  } cases[] = {{"list first", true}, {"amount first", false}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    server.setFault({simsrv::FaultKind::NoReply, 2420, 0, 1});
    server.setFault({simsrv::FaultKind::NoReply, 2421, 0, 1});
    d->Ui([&] {
      SetDlgItemText(dlg, kWithdrawable, u"");
      SendMessage(GetDlgItem(dlg, kBank), CB_RESETCONTENT, 0, 0);
    });
    TypeInto(kPassword, "0000");
    size_t mark = server.logSize();
    ASSERT_TRUE(d->Tap(kBtnQuery));
    ASSERT_TRUE(server.waitForRequest(2421, 3000, nullptr, mark));
    if (c.listFirst) {
      Inject(2420, ReceiverList(2, 2));
      EXPECT_EQ(Text(kWithdrawable), "");
      Inject(2421, amount);
    } else {
      Inject(2421, amount);
      EXPECT_EQ(Text(kBank), "");
      Inject(2420, ReceiverList(2, 2));
    }
    EXPECT_EQ(Text(kWithdrawable), "2,500,000,000");
    EXPECT_EQ(Text(kBank), "Bank0");
    EXPECT_EQ(Text(kBankAccount), "90000");
  }
}

// The count byte never makes the screen read past the reply, and the list keeps 15 at most; a
// negative count is no count: the reply is reported and the list stays as it was.
TEST_F(ZR4430Test, ReceiverCountIsLimitedToTheReply) {
  Open();
  const struct { int countByte, records, shown; } cases[] = {{3, 3, 3}, {20, 20, 15}, {10, 2, 2}, {0, 0, 0}};
  auto count = [&] {
    int n = -1;
    d->Ui([&] { n = static_cast<int>(SendMessage(GetDlgItem(dlg, kBank), CB_GETCOUNT, 0, 0)); });
    return n;
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.countByte << " of " << c.records);
    Inject(2420, ReceiverList(c.countByte, c.records));
    EXPECT_EQ(count(), c.shown);
    EXPECT_EQ(Text(kBankAccount), c.shown ? "90000" : "");
  }
  Inject(2420, ReceiverList(2, 2));
  server.setHandler(
      2420, [](simsrv::HandlerContext&, const simsrv::Request&, simsrv::Reply& r) { r.body = ReceiverList(-1, 2); });
  TypeInto(kPassword, "0000");
  ASSERT_TRUE(d->Tap(kBtnQuery));
  ExpectBox("ERROR : 수신 데이터 형식 오류 (2420)");
  EXPECT_EQ(count(), 2);
  EXPECT_EQ(Text(kBankAccount), "90000");
}

TEST_F(ZR4430Test, AmountIsGroupedWhileTypedAndSentAsDigits) {
  Open();
  AskReceivers();
  const char* shown[] = {"1", "12", "123", "1,234", "12,345", "123,456", "1,234,567"};
  d->Ui([&] { SetDlgItemText(dlg, kAmount, u""); });
  for (int i = 0; i < 7; ++i) {
    ASSERT_TRUE(d->Type(kAmount, std::string(1, static_cast<char>('1' + i))));
    EXPECT_EQ(Text(kAmount), shown[i]);
  }
  size_t mark = server.logSize();
  ASSERT_TRUE(d->Tap(kBtnInquiry));
  simsrv::LogEntry e;
  ASSERT_TRUE(server.waitForRequest(2422, 3000, &e, mark));
  ASSERT_EQ(e.plain.size(), 45u);
  EXPECT_EQ(Field(e.plain, 0, 10), "1234567801");
  EXPECT_EQ(Field(e.plain, 10, 4), kMasked4);
  EXPECT_EQ(Field(e.plain, 14, 2), "04");
  EXPECT_EQ(Field(e.plain, 16, 20), Padded("12345678901234", 20));
  EXPECT_EQ(Field(e.plain, 36, 9), Padded("1234567", 9));
  ASSERT_TRUE(WaitFor([&] { return Text(kName) == "홍길동"; }));
}

// The whole transfer: inquiry, confirmation, the 2425 body, the result box; then the password
// and the key are gone, and a second tap sends nothing.
TEST_F(ZR4430Test, TransferGoesOutOnceAndTheResultIsShown) {
  Open();
  AskReceivers();
  Inquire(0, "1234", "홍길동");
  size_t mark = server.logSize();
  ASSERT_TRUE(d->Tap(kBtnSend));
  auto confirm = Box();
  EXPECT_EQ(transfertest::Utf8(confirm.caption), "이체전송확인");
  EXPECT_EQ(
      transfertest::Utf8(confirm.text),
      "출금계좌: 12345678 - 01\n송 금 액: 1,234 원\n입금은행: 국민은행\n입금계좌: 12345678901234\n입금계좌명: 홍길동");
  EXPECT_EQ(confirm.buttons, (std::vector<int>{IDOK, IDCANCEL}));
  EXPECT_NE(confirm.type & MB_ICONQUESTION, 0u);
  Answer(confirm, IDOK);
  simsrv::LogEntry e;
  ASSERT_TRUE(server.waitForRequest(2425, 3000, &e, mark));
  ASSERT_EQ(e.plain.size(), 45u);
  EXPECT_EQ(Field(e.plain, 0, 10), "1234567801");
  EXPECT_EQ(Field(e.plain, 10, 8), Padded(kMasked4, 8));
  EXPECT_EQ(Field(e.plain, 18, 2), "04");
  EXPECT_EQ(Field(e.plain, 20, 2), "12");
  EXPECT_EQ(e.plain[31], '1');  // the key's flag
  EXPECT_EQ(Field(e.plain, 32, 13), Padded("1234", 13));
  auto result = Box();
  EXPECT_EQ(transfertest::Utf8(result.caption), "이체처리결과");
  EXPECT_EQ(
      transfertest::Utf8(result.text),
      "출금계좌 : 12345678 - 01\n은 행 명 : 국민은행\n은행계좌 : 12345678901234\n출 금 액 : 1,234\n수 수 료 : 500\n");
  EXPECT_NE(result.type & MB_ICONINFORMATION, 0u);
  Answer(result, IDOK);
  EXPECT_EQ(Cash("1234567801"), 100000000 - 1234 - 500);
  EXPECT_EQ(Text(kPassword), "");
  EXPECT_EQ(Text(kName), "");

  // A second tap, even with the password typed again, needs a new receiver inquiry.
  TypeInto(kPassword, "0000");
  mark = server.logSize();
  ASSERT_TRUE(d->Tap(kBtnSend));
  ExpectBox("수취인조회 후 송금하세요");
  EXPECT_EQ(Focus(), kBtnInquiry);
  EXPECT_TRUE(NoneSince(2425, mark));
  EXPECT_EQ(Transfers("1234567801"), 1u);
}

TEST_F(ZR4430Test, CancelSendsNothingAndTheTransferMayStillBeSent) {
  Open();
  AskReceivers();
  Inquire(1, "50000", "김철수");
  size_t mark = server.logSize();
  SendAndConfirm(IDCANCEL);
  EXPECT_TRUE(NoneSince(2425, mark));
  EXPECT_EQ(Text(kName), "김철수");
  SendAndConfirm(IDOK);
  simsrv::LogEntry e;
  ASSERT_TRUE(server.waitForRequest(2425, 3000, &e, mark));
  auto result = Box();
  EXPECT_NE(transfertest::Utf8(result.text).find("출 금 액 : 50,000"), std::string::npos);
  Answer(result, IDOK);
  EXPECT_EQ(server.requests(2425, mark).size(), 1u);
  EXPECT_EQ(Cash("1234567801"), 100000000 - 50000 - 500);
}

// A bank that wants the follow-up: 2423 carries the inquiry's fields and the reply's two bytes,
// and its answer names the receiver and gives the key.
TEST_F(ZR4430Test, FollowUpInquiryNamesTheReceiver) {
  Open();
  AskReceivers();
  ASSERT_TRUE(d->Pick(kBank, 2));
  EXPECT_EQ(Text(kBank), "농협");
  TypeInto(kAmount, "70000");
  size_t mark = server.logSize();
  ASSERT_TRUE(d->Tap(kBtnInquiry));
  simsrv::LogEntry e;
  ASSERT_TRUE(server.waitForRequest(2423, 3000, &e, mark));
  ASSERT_EQ(e.plain.size(), 43u);
  EXPECT_EQ(Field(e.plain, 0, 10), "1234567801");
  EXPECT_EQ(Field(e.plain, 10, 2), "11");
  EXPECT_EQ(Field(e.plain, 12, 20), Padded("3021234567891", 20));
  EXPECT_EQ(Field(e.plain, 32, 9), Padded("70000", 9));
  EXPECT_EQ(Field(e.plain, 41, 2), "02");
  ASSERT_TRUE(WaitFor([&] { return Text(kName) == "이영희"; })) << Text(kName);
  SendAndConfirm(IDOK);
  ASSERT_TRUE(server.waitForRequest(2425, 3000, nullptr, mark));
  auto result = Box();
  EXPECT_NE(transfertest::Utf8(result.text).find("은 행 명 : 농협"), std::string::npos);
  Answer(result, IDOK);
  EXPECT_EQ(Transfers("1234567801"), 1u);
}

// Whatever the key was asked for changes, the key and the name go and "송  금" is refused.
TEST_F(ZR4430Test, ChangeAfterTheInquiryDropsTheKey) {
  enum Change { Amount, Receiver, ReceivingAccount, Account };
  const struct {
    const char* name;
    Change change;
  } cases[] = {
      {"amount", Amount}, {"receiver", Receiver}, {"receiving account", ReceivingAccount}, {"account", Account}};
  Open();
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    d->Ui([&] { SendMessage(GetDlgItem(dlg, 1009), CB_SETCURSEL, 0, 0); });
    AskReceivers();
    Inquire(0, "1234", "홍길동");
    switch (c.change) {
      case Amount: TypeInto(kAmount, "1235"); break;
      case Receiver: ASSERT_TRUE(d->Pick(kBank, 1)); break;
      case ReceivingAccount: ASSERT_TRUE(d->Type(kBankAccount, "9")); break;
      case Account:
        ASSERT_TRUE(d->Pick(1009, 1));
        TypeInto(kPassword, "0000");
        break;
    }
    EXPECT_EQ(Text(kName), "");
    size_t mark = server.logSize();
    ASSERT_TRUE(d->Tap(kBtnSend));
    ExpectBox("수취인조회 후 송금하세요");
    EXPECT_TRUE(NoneSince(2425, mark));
  }
  EXPECT_EQ(Transfers("1234567801"), 0u);
}

// An answer to an inquiry whose inputs changed while it travelled is not taken.
TEST_F(ZR4430Test, InquiryAnswerForChangedInputsIsIgnored) {
  Open();
  AskReceivers();
  server.setFault({simsrv::FaultKind::Delay, 2422, 200, 1});
  ASSERT_TRUE(d->Pick(kBank, 0));
  TypeInto(kAmount, "1234");
  size_t mark = server.logSize();
  ASSERT_TRUE(d->Tap(kBtnInquiry));
  TypeInto(kAmount, "9999");
  ASSERT_TRUE(server.waitForRequest(2422, 3000, nullptr, mark));
  // The answer leaves the server 200 ms after the request was logged; once the screen and the
  // server are at rest it has landed and been handled.
  Settled();
  EXPECT_EQ(Text(kName), "");
  ASSERT_TRUE(d->Tap(kBtnSend));
  ExpectBox("수취인조회 후 송금하세요");
  EXPECT_TRUE(NoneSince(2425, mark));
}

// Two taps on "수취인조회" before the first answer: only the last answer's key is what the server
// will accept, and the transfer goes through with it.
TEST_F(ZR4430Test, SecondInquiryInFlightTakesTheLastAnswer) {
  Open();
  AskReceivers();
  ASSERT_TRUE(d->Pick(kBank, 0));
  TypeInto(kAmount, "1234");
  server.setFault({simsrv::FaultKind::Delay, 2422, 200, 1});
  size_t mark = server.logSize();
  ASSERT_TRUE(d->Tap(kBtnInquiry));
  ASSERT_TRUE(d->Tap(kBtnInquiry));
  ASSERT_TRUE(WaitFor([&] { return server.requests(2422, mark).size() == 2; }));
  ASSERT_TRUE(WaitFor([&] { return Text(kName) == "홍길동"; })) << Text(kName);
  SendAndConfirm(IDOK);
  auto result = Box();
  EXPECT_EQ(transfertest::Utf8(result.caption), "이체처리결과") << transfertest::Utf8(result.text);
  Answer(result, IDOK);
  EXPECT_EQ(Transfers("1234567801"), 1u);
}

// The amount asked for the account shown before is not shown for the new one.
TEST_F(ZR4430Test, AmountOfThePreviousAccountIsNotShown) {
  Open();
  server.setFault({simsrv::FaultKind::Delay, 2421, 200, 1});
  TypeInto(kPassword, "0000");
  size_t mark = server.logSize();
  ASSERT_TRUE(d->Tap(kBtnQuery));
  ASSERT_TRUE(server.waitForRequest(2421, 3000, nullptr, mark));
  ASSERT_TRUE(d->Pick(1009, 1));
  Settled();  // the first account's answer has landed and been handled
  EXPECT_EQ(Text(kWithdrawable), "");
  EXPECT_EQ(Text(kBank), "");
  // The new account's own answer is shown.
  TypeInto(kPassword, "0000");
  ASSERT_TRUE(d->Tap(kBtnQuery));
  ASSERT_TRUE(WaitFor([&] { return Text(kWithdrawable) == "100,000,000"; })) << Text(kWithdrawable);
}

// Inputs that cannot go out are refused before any request, with the focus on the field.
TEST_F(ZR4430Test, BadInputsAreRefusedBeforeTheInquiry) {
  Open();
  AskReceivers();
  const struct {
    const char* password;
    const char* amount;
    const char* box;
    int focus;
  } cases[] = {
      {"0000", "", "송금액을 확인하세요", kAmount},           {"0000", "12a4", "송금액을 확인하세요", kAmount},
      {"0000", "1234567890", "송금액을 확인하세요", kAmount},  // 10 digits: the field holds 9
      {"0000", "0", "송금액을 확인하세요", kAmount},          {"", "1000", "비밀번호를 확인하세요", kPassword},
      {"12", "1000", "비밀번호를 확인하세요", kPassword},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.password) + " / " + c.amount);
    TypeInto(kPassword, c.password);
    TypeInto(kAmount, c.amount);
    size_t mark = server.logSize();
    ASSERT_TRUE(d->Tap(kBtnInquiry));
    ExpectBox(c.box);
    EXPECT_EQ(Focus(), c.focus);
    EXPECT_TRUE(NoneSince(2422, mark));
  }
  // No receivers at all: there is no bank to send to.
  server.setFault({simsrv::FaultKind::NoReply, 2420, 0, 1});
  TypeInto(kPassword, "0000");
  size_t asked = server.logSize();
  ASSERT_TRUE(d->Tap(kBtnQuery));
  ASSERT_TRUE(server.waitForRequest(2421, 3000, nullptr, asked));
  Inject(2420, ReceiverList(0, 0));
  TypeInto(kAmount, "1000");
  size_t mark = server.logSize();
  ASSERT_TRUE(d->Tap(kBtnInquiry));
  ExpectBox("입금은행을 선택하세요");
  EXPECT_TRUE(NoneSince(2422, mark));
}

TEST_F(ZR4430Test, RefusedInquiryShowsTheServersMessageAndGivesNoKey) {
  Open();
  AskReceivers();
  ASSERT_TRUE(d->Pick(kBank, 0));
  TypeInto(kAmount, "99999999");  // more than the account may withdraw
  ASSERT_TRUE(d->Tap(kBtnInquiry));
  auto b = Box();
  EXPECT_EQ(transfertest::Utf8(b.text), "인출가능금액이 부족합니다.");
  EXPECT_NE(b.type & MB_ICONEXCLAMATION, 0u);
  Answer(b, IDOK);
  TypeInto(kAmount, "1000");
  TypeInto(kAmount, "99999999");
  size_t mark = server.logSize();
  ASSERT_TRUE(d->Tap(kBtnSend));
  ExpectBox("수취인조회 후 송금하세요");
  EXPECT_TRUE(NoneSince(2425, mark));
}

TEST_F(ZR4430Test, AnotherAccountEmptiesTheForm) {
  Open();
  AskReceivers();
  Inquire(0, "1234", "홍길동");
  ASSERT_TRUE(d->Pick(1009, 1));
  EXPECT_EQ(Text(1009), "12345678 - 02");
  for (int id : {kPassword, kWithdrawable, kAmount, kBank, kBankAccount, kName}) EXPECT_EQ(Text(id), "") << id;
  int count = -1;
  d->Ui([&] { count = static_cast<int>(SendMessage(GetDlgItem(dlg, kBank), CB_GETCOUNT, 0, 0)); });
  EXPECT_EQ(count, 0);
}

// Amounts beyond 32 bits in the result box, and the fee.
TEST_F(ZR4430Test, ResultBoxShowsLargeAmounts) {
  Open();
  AskReceivers();
  Inquire(0, "1234", "홍길동");
  server.setHandler(2425, [](simsrv::HandlerContext&, const simsrv::Request&, simsrv::Reply& r) {
    r.body.assign(50, 0);
    std::memcpy(r.body.data(), "1234567801", 10);
    transfertest::PutNet(&r.body[10], 3, 12345678901LL);
    transfertest::PutNet(&r.body[16], 2, 1500);
    std::memcpy(&r.body[20], "12345678901234567890", 20);
    std::memcpy(&r.body[40], "BANK", 4);
  });
  SendAndConfirm(IDOK);
  auto result = Box();
  EXPECT_EQ(transfertest::Utf8(result.text),
            "출금계좌 : 12345678 - 01\n은 행 명 : BANK\n은행계좌 : 12345678901234\n출 금 액 : 12,345,678,901\n수 수 료 "
            ": 1500\n");
  Answer(result, IDOK);
}

TEST_F(ZR4430Test, ResultsButtonOpensTheApplicationInquiry) {
  Open();
  ASSERT_TRUE(d->Tap(9817));
  ASSERT_TRUE(WaitFor([&] { return !OwnerGot(WM_VX_OPEN_SCREEN).empty(); }));
  EXPECT_EQ(OwnerGot(WM_VX_OPEN_SCREEN)[0].wParam, 94102u);
}

}  // namespace
