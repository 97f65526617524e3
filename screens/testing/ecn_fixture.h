// The ECN screens hosted as the main program hosts screens, on the inquiry screens' fixture: a
// live session of user "demo" with the simulated trading server in this process. Adds the ECN
// plug-ins to the device's program folder and reads the server's current prices.
#pragma once

#include "change_fixture.h"

namespace ecntest {

using namespace changetest;

class EcnScreenTest : public ChangeScreenTest {
 public:
  void SetUp() override {
    ChangeScreenTest::SetUp();
    if (HasFatalFailure()) return;
    // The device's configuration names the code lists; the ECN screens load the ECN list.
    WriteHost("Program Files/Quorvan/Bin/Pelvato.conf",
              "[CODE INFO]\r\nCODE BASE=\\Program Files\\Quorvan\\Code\r\nSTOCK CODE=stock_code.dat\r\n"
              "ECN CODE=ecn_code.dat\r\n");
    WriteHost("Program Files/Quorvan/Code/ecn_code.dat", Cp949(u"005930 0|삼성전자\r\n035720 0|카카오\r\n"));
    WriteHost("Program Files/Quorvan/Code/stock_code.dat",
              Cp949(u"005930 0|삼성전자\r\n000660 0|SK하이닉스\r\n035720 1|카카오\r\n"));
  }

  // The item's current price as the server has it, as the price edit shows it.
  std::string ShownPrice(const std::string& code6) {
    int64_t price = server.withMarket([&](simsrv::Market& m) { return m.FindItem(code6)->price; });
    return Grouped(price);
  }
  // The host's query to the open screen (as after a switch to it): the base-quote requests it
  // made, once its replies are in.
  std::vector<simsrv::LogEntry> QueryQuotes() {
    Settled();
    size_t mark = server.logSize();
    d->Ui([&] { SendMessage(dlg, WM_VX_QUERY, 0, 0); });
    Settled();
    return server.requests(4101, mark);
  }
  std::string Digits(const std::string& shown) {
    std::string out;
    for (char c : shown)
      if (c != ',') out += c;
    return out;
  }
};

inline std::string Pad(const std::string& s, size_t width) {
  std::string out = s;
  out.resize(width, '\0');
  return out;
}

}  // namespace ecntest
