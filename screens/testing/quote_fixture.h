// What the quote-screen tests share: the screen hosted with auto-receive on, the registration
// requests the server saw, raw pushes, and double taps on grid cells.
#pragma once

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "devicedata/sample_device.h"
#include "screen_host.h"

namespace quotetest {

using screentest::Bytes;

// One registration request as the server logged it: kind, type and the codes of its slots.
struct Reg {
  char kind;
  uint16_t type;
  std::vector<std::string> codes;
  bool operator==(const Reg& o) const { return kind == o.kind && type == o.type && codes == o.codes; }
};
inline std::ostream& operator<<(std::ostream& os, const Reg& r) {
  os << r.kind << " " << r.type;
  for (const auto& c : r.codes) os << " [" << c << "]";
  return os;
}

inline std::vector<Reg> Registrations(simsrv::TradingServer& server, size_t mark) {
  std::vector<Reg> out;
  for (const simsrv::LogEntry& e : server.requests(9000, mark)) {
    const Bytes& b = e.plain;
    if (b.size() < 5) continue;
    Reg r{static_cast<char>(b[0]), static_cast<uint16_t>((b[2] << 8) | b[3]), {}};
    for (size_t k = 0; k < b[4] && 5 + 8 * k + 8 <= b.size(); ++k) {
      std::string code(reinterpret_cast<const char*>(&b[5 + 8 * k]), 8);
      code.resize(code.find('\0') == std::string::npos ? 8 : code.find('\0'));
      r.codes.push_back(code);
    }
    out.push_back(r);
  }
  return out;
}

// The body of a registration request as a screen writes it: kind, count 1, type, the number of
// codes, then each code in a zero-padded 8-byte slot.
inline Bytes RegistrationBody(const Reg& r) {
  Bytes b{static_cast<uint8_t>(r.kind), 1, static_cast<uint8_t>(r.type >> 8), static_cast<uint8_t>(r.type & 0xFF),
          static_cast<uint8_t>(r.codes.size())};
  for (const std::string& c : r.codes) {
    Bytes slot(8, 0);
    std::memcpy(slot.data(), c.data(), std::min<size_t>(c.size(), 8));
    b.insert(b.end(), slot.begin(), slot.end());
  }
  return b;
}

// The codes of every request after `mark`, in order of arrival (the keep-alive left out), once
// the screen and the server have come to rest: a request sent beside the one a test waited for
// (or after the reply it waited for) is in the log by then.
inline std::vector<int> Codes(screentest::ScreenHost& host, size_t mark) {
  host.Settled();
  std::vector<int> out;
  for (const simsrv::LogEntry& e : host.server.requests(0, mark))
    if (e.code != 1100) out.push_back(e.code);
  return out;
}

class QuoteScreenTest : public screentest::ScreenTest {
 protected:
  using ScreenTest::ScreenTest;

  // The sample device's files, so that typed item codes are checked against its stock list.
  void SetUp() override {
    ScreenTest::SetUp();
    if (HasFatalFailure()) return;
    devicedata::Options o;
    o.mainPort = port;
    std::string err;
    ASSERT_TRUE(devicedata::CopyTo(root, o, err)) << err;
    codes.ReadStockCode();
    ASSERT_TRUE(codes.IsExistStockCode(u"00660"));
  }

  // Double-taps a grid cell where the user sees it.
  void DoubleTapCell(int gridId, int row, int column, const std::vector<int>& widths, int headerHeight, int rowHeight) {
    RECT r{};
    d->Ui([&] { GetWindowRect(GetDlgItem(dlg, gridId), &r); });
    int x = r.left + 1;
    for (int c = 0; c < column; ++c) x += widths[static_cast<size_t>(c)];
    x += widths[static_cast<size_t>(column)] / 2;
    int y = r.top + 1 + (row < 0 ? headerHeight / 2 : headerHeight + row * rowHeight + rowHeight / 2);
    ASSERT_TRUE(d->DoubleTapAt(x, y));
    d->Settle();
  }
  void TapHeader(int gridId, int column, const std::vector<int>& widths) {
    RECT r{};
    d->Ui([&] { GetWindowRect(GetDlgItem(dlg, gridId), &r); });
    int x = r.left + 1;
    for (int c = 0; c < column; ++c) x += widths[static_cast<size_t>(c)];
    ASSERT_TRUE(d->TapAt(x + widths[static_cast<size_t>(column)] / 2, r.top + 6));
    d->Settle();
  }
  // Waits until the screen has shown what the server's pushes carried.
  bool WaitCell(int gridId, int row, int column, const std::string& text) {
    return WaitFor([&] {
      auto g = Grid(gridId);
      return row < static_cast<int>(g.size()) && column < static_cast<int>(g[static_cast<size_t>(row)].size()) &&
             g[static_cast<size_t>(row)][static_cast<size_t>(column)].text == text;
    });
  }
  std::string Registry(const char16_t* name) {
    CPropCE reg;
    if (!reg.SetBaseKey(HKEY_LOCAL_MACHINE, u"Software\\Quorvan\\Zelvix\\Order Change", TRUE)) return "<no key>";
    if (!reg.IsExistValue(name)) return "<none>";
    return screentest::Utf8(std::u16string(static_cast<const char16_t*>(reg.GetValue(name))));
  }
};

}  // namespace quotetest
