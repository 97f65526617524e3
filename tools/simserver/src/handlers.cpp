// The transaction table: one small function per transaction code. A handler reads the plain
// request body, works on the market model and fills the reply (status, body); the server
// enciphers the reply when the request came enciphered.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "news.h"
#include "simserver/server.h"
#include "wire.h"

namespace simsrv {

namespace {

using wire::GetDigits;
using wire::GetText;
using wire::PutNetValue;
using wire::PutText;

// --- session and login -------------------------------------------------------------------------

void KeyExchange(HandlerContext& ctx, const Request& req, Reply& r) {
  Bytes out;
  int error = 0;
  auto result = ctx.connection.session.HandleClientToken(req.body.data(), req.body.size(), ctx.server.identity(),
                                                         ctx.server.random(), out, error);
  ctx.connection.loggedIn = false;
  if (result == ServerSession::KeyResult::Error) {
    r.Error("보안오류", std::string("키 교환에 실패했습니다. (") + SessionCodeName(error) + ")");
    return;
  }
  r.body = std::move(out);
  r.encipher = false;
}

void PhoneNumber(HandlerContext&, const Request&, Reply& r) {
  // The number is only taken note of (it is in the request log); the reply carries no body.
  r.encipher = false;
}

void Login(HandlerContext& ctx, const Request& req, Reply& r) {
  if (!req.enciphered || req.body.size() < 20) {
    r.Error("로그인", "로그인 요청이 올바르지 않습니다.");
    return;
  }
  std::string id = wire::FromCp949(GetText(&req.body[0], 10));
  std::string password = wire::FromCp949(GetText(&req.body[10], 10));
  const User* u = ctx.market.FindUser(id);
  if (!u || u->password != password) {
    ctx.connection.loggedIn = false;
    r.Error("로그인", "아이디 또는 비밀번호가 올바르지 않습니다.");
    return;
  }
  ctx.connection.loggedIn = true;
  ctx.connection.user = u->id;
  size_t n = std::min<size_t>(u->accounts.size(), 127);
  r.body.assign(31 + 10 * n, 0);
  PutText(&r.body[0], 10, u->id);
  r.body[30] = static_cast<uint8_t>(n);
  for (size_t i = 0; i < n; ++i) PutText(&r.body[31 + 10 * i], 10, u->accounts[i]);
}

// --- quotes and registration -------------------------------------------------------------------

void BaseQuote(HandlerContext& ctx, const Request& req, Reply& r) {
  const Item* item = req.body.size() >= 6 ? ctx.market.FindItem(GetText(req.body.data(), 6)) : nullptr;
  if (!item) {
    r.Error("알림", "종목코드를 확인하세요.");
    return;
  }
  r.body = ctx.market.BaseQuote(*item);
  if (ctx.server.options().blankNames)
    for (size_t i = 0; i < 12 && i < r.body.size(); ++i)
      if (r.body[i] == 0) r.body[i] = ' ';
}

// 6100: the order book of an item, '1' five levels, '2' ten levels.
void OrderBook(HandlerContext& ctx, const Request& req, Reply& r) {
  const Item* item = req.body.size() >= 7 ? ctx.market.FindItem(GetText(req.body.data(), 6)) : nullptr;
  if (!item) {
    r.Error("알림", "종목코드를 확인하세요.");
    return;
  }
  if (req.body[6] != '1' && req.body[6] != '2') {
    r.Error("알림", "호가 구분을 확인하세요.");
    return;
  }
  r.body = ctx.market.OrderBook6100(*item, req.body[6] == '1' ? 5 : 10);
}

// 4140: the item's last trades, newest first; byte 6 of the request is the number of rows wanted.
void TickList(HandlerContext& ctx, const Request& req, Reply& r) {
  const Item* item = req.body.size() >= 7 ? ctx.market.FindItem(GetText(req.body.data(), 6)) : nullptr;
  if (!item) {
    r.Error("알림", "종목코드를 확인하세요.");
    return;
  }
  // Body: code, rows, page, direction, 4-byte key of the page asked for (read past page 1).
  const uint8_t* key = req.body.size() >= 13 ? req.body.data() + 9 : nullptr;
  int page = req.body.size() >= 8 ? req.body[7] : 1;
  r.body =
      ctx.market.TickList4140(*item, req.body[6], page, req.body.size() >= 9 && req.body[8] == 'F' ? nullptr : key);
}

// 4130: the item's daily prices, a page at a time: code, rows, page, direction, 3-byte key (the
// date of the first day of the page; three blanks on page 1).
void DailyList(HandlerContext& ctx, const Request& req, Reply& r) {
  const Item* item = req.body.size() >= 12 ? ctx.market.FindItem(GetText(req.body.data(), 6)) : nullptr;
  if (!item) {
    r.Error("알림", "종목코드를 확인하세요.");
    return;
  }
  r.body = ctx.market.DailyList4130(*item, req.body[6], req.body[7], req.body.data() + 9);
}

// 4160: an ECN item's ECN summary. Body: the 6-character code.
void EcnPrice(HandlerContext& ctx, const Request& req, Reply& r) {
  const Item* item = req.body.size() >= 6 ? ctx.market.FindItem(GetText(req.body.data(), 6)) : nullptr;
  if (!item)
    r.Error("알림", "종목코드를 확인하세요.");
  else if (!item->ecn)
    r.Error("알림", "ECN 거래 종목이 아닙니다.");
  else
    r.body = ctx.market.EcnPrice4160(*item);
}

// 4165: an item's last ECN trades (none for an item the ECN does not trade). Body: the number of
// rows wanted, the code.
void EcnTicks(HandlerContext& ctx, const Request& req, Reply& r) {
  const Item* item = req.body.size() >= 7 ? ctx.market.FindItem(GetText(req.body.data() + 1, 6)) : nullptr;
  if (!item) {
    r.Error("알림", "종목코드를 확인하세요.");
    return;
  }
  r.body = ctx.market.EcnTicks4165(*item, item->ecn ? req.body[0] : 0);
}

// 2250: an item's expected execution. Body: the code.
void ExpectedExec(HandlerContext& ctx, const Request& req, Reply& r) {
  const Item* item = req.body.size() >= 6 ? ctx.market.FindItem(GetText(req.body.data(), 6)) : nullptr;
  if (!item) {
    r.Error("알림", "종목코드를 확인하세요.");
    return;
  }
  r.body = ctx.market.ExpectedExec2250(*item);
}

// 4210: the two markets at a glance; the request is the header alone.
void MarketSummary(HandlerContext& ctx, const Request&, Reply& r) { r.body = ctx.market.MarketSummary4210(); }

// 4200: sector indices a page at a time. Body: rows wanted, page (1 first), market '1' or '2'.
void SectorList(HandlerContext& ctx, const Request& req, Reply& r) {
  if (req.body.size() < 3 || Market::SectorCount(static_cast<char>(req.body[2])) == 0) {
    r.Error("알림", "시장 구분을 확인하세요.");
    return;
  }
  r.body = ctx.market.SectorList4200(static_cast<char>(req.body[2]), req.body[0], req.body[1]);
}

// 4176: foreign indices of region '1' (US), '2' (Asia) or '3' (Europe).
void ForeignIndices(HandlerContext& ctx, const Request& req, Reply& r) {
  if (req.body.empty() || Market::ForeignCount(static_cast<char>(req.body[0])) == 0) {
    r.Error("알림", "지역 구분을 확인하세요.");
    return;
  }
  r.body = ctx.market.ForeignIndices4176(static_cast<char>(req.body[0]));
}

// 2500-2530: chart bars of a stock item. Body: the 6-character code, 0xFF, two zero bytes and,
// for minute bars (2500), the minutes per bar.
void ChartBars(HandlerContext& ctx, const Request& req, Reply& r) {
  const bool minute = req.code == 2500;
  const size_t size = minute ? 10 : 9;
  const Item* item = req.body.size() >= size ? ctx.market.FindItem(GetText(req.body.data(), 6)) : nullptr;
  if (!item || req.body[6] != 0xFF) {
    r.Error("알림", "종목코드를 확인하세요.");
    return;
  }
  int minutes = minute ? req.body[9] : 0;
  static const int kMinutes[] = {1, 3, 5, 10, 15, 20, 30, 60};
  if (minute && std::find(std::begin(kMinutes), std::end(kMinutes), minutes) == std::end(kMinutes)) {
    r.Error("알림", "분 구분을 확인하세요.");
    return;
  }
  r.body = ctx.market.ChartBars(*item, req.code, minutes);
}

// 5500 / 5510 / 5550: chart bars of a futures or options contract. Body: the 8-byte code; 5500
// also 0xFF, two zero bytes and the minutes per bar. 5510 takes futures, 5550 options.
void FutOptChart(HandlerContext& ctx, const Request& req, Reply& r) {
  const bool minute = req.code == 5500;
  const size_t size = minute ? 12 : 8;
  const Derivative* d = req.body.size() >= size ? ctx.market.FindDerivative(GetText(req.body.data(), 8)) : nullptr;
  if (!d || (minute && req.body[8] != 0xFF) || (req.code == 5510 && !d->futures) || (req.code == 5550 && d->futures)) {
    r.Error("알림", "종목코드를 확인하세요.");
    return;
  }
  const int minutes = minute ? req.body[11] : 0;
  static const int kMinutes[] = {1, 3, 5, 10, 15, 20, 30, 60};
  if (minute && std::find(std::begin(kMinutes), std::end(kMinutes), minutes) == std::end(kMinutes)) {
    r.Error("알림", "분 구분을 확인하세요.");
    return;
  }
  r.body = ctx.market.FutOptChartBars(*d, req.code, minutes);
}

// 5555: the base quote of a futures or options item; body: the 8-byte code, the market byte. A
// screen without an item sends an empty code: the strip's futures and KOSPI200 lines alone.
void FutOptBase(HandlerContext& ctx, const Request& req, Reply& r) {
  const std::string code = req.body.size() >= 8 ? GetText(req.body.data(), 8) : std::string();
  const Derivative* d = code.empty() ? nullptr : ctx.market.FindDerivative(code);
  if (req.body.size() < 8 || (!code.empty() && !d)) {
    r.Error("알림", "종목코드를 확인하세요.");
    return;
  }
  r.body = ctx.market.FutOptBase(d);
}

// 5102 / 5151: the five-level order book of a futures contract / an option, by its code.
void FutOptOrderBook(HandlerContext& ctx, const Request& req, Reply& r) {
  const std::string code = req.body.size() >= 8 ? GetText(req.body.data(), 8) : std::string();
  if (req.body.size() >= 8 && code.empty()) {
    // No item picked yet: an empty book, as 5555 answers an empty code with the item's fields zero.
    r.body.assign(146, 0);
    return;
  }
  const Derivative* d = req.body.size() >= 8 ? ctx.market.FindDerivative(code) : nullptr;
  if (!d || d->futures != (req.code == 5102)) {
    r.Error("알림", "종목코드를 확인하세요.");
    return;
  }
  r.body = ctx.market.FutOptBook5102(*d);
}

// 5103 / 5152 and 5104 / 5153: the time and sales and the daily history of a futures contract /
// an option, a page at a time. Body: the 8-byte code, rows (1 to 20), page, direction ('F' first,
// 'N' next; the daily history also 'P' previous), the key of the page asked for: four bytes for
// the trades (the number of its first trade as 4 digits), three for the days (the date of its
// first day); blanks on the first page.
void FutOptList(HandlerContext& ctx, const Request& req, Reply& r) {
  const bool ticks = req.code == 5103 || req.code == 5152;
  const bool futures = req.code == 5103 || req.code == 5104;
  const Bytes& b = req.body;
  const size_t size = ticks ? 15 : 14;
  const Derivative* d = b.size() >= size ? ctx.market.FindDerivative(GetText(b.data(), 8)) : nullptr;
  if (!d || d->futures != futures) return r.Error("알림", "종목코드를 확인하세요.");
  const int rows = b[8], page = b[9];
  const char direction = static_cast<char>(b[10]);
  if (rows < 1 || rows > 20) return r.Error("알림", "조회 건수를 확인하세요.");
  if (direction != 'F' && direction != 'N' && (ticks || direction != 'P'))
    return r.Error("알림", "조회 구분을 확인하세요.");
  const uint8_t* key = &b[11];
  const bool blank = std::all_of(key, key + (ticks ? 4 : 3), [](uint8_t c) { return c == ' '; });
  if (ticks) {
    int64_t from = -1;
    if (direction != 'F' && !blank && !GetDigits(key, 4, from)) return r.Error("알림", "연속키를 확인하세요.");
    r.body = ctx.market.FutOptTickList(*d, rows, page, static_cast<int>(from));
    return;
  }
  r.body = ctx.market.FutOptDailyList(*d, rows, page, direction == 'F' || blank ? nullptr : key);
}

// 5101 / 5150: the detail of a futures contract / an option, by its code.
void FutOptDetail(HandlerContext& ctx, const Request& req, Reply& r) {
  const Derivative* d = req.body.size() >= 8 ? ctx.market.FindDerivative(GetText(req.body.data(), 8)) : nullptr;
  if (!d || d->futures != (req.code == 5101)) {
    r.Error("알림", "종목코드를 확인하세요.");
    return;
  }
  r.body = req.code == 5101 ? ctx.market.FutOptDetail5101(*d) : ctx.market.OptionDetail5150(*d);
}

// A call/put byte of the option lists: the number 2 or 3.
bool OptionKind(const Request& req, size_t at, Reply& r, char& kind) {
  if (req.body.size() <= at || (req.body[at] != 2 && req.body[at] != 3)) {
    r.Error("알림", "콜/풋 구분을 확인하세요.");
    return false;
  }
  kind = static_cast<char>('0' + req.body[at]);
  return true;
}

// 5100 / 5154: the options of an expiry month ("200703", then two zero bytes) and a call/put
// byte; n, the call/put byte, then 31-byte rows by strike.
void OptionMonth(HandlerContext& ctx, const Request& req, Reply& r) {
  char kind = 0;
  if (!OptionKind(req, 8, r, kind)) return;
  int64_t digits = 0;
  std::string month = GetText(req.body.data(), 6);
  if (month.size() != 6 || !GetDigits(req.body.data(), 6, digits)) {
    r.Error("알림", "만기월을 확인하세요.");
    return;
  }
  auto rows = ctx.market.Options(month, kind);
  r.body = {static_cast<uint8_t>(rows.size()), static_cast<uint8_t>(kind - '0')};
  for (const Derivative* d : rows) {
    Bytes row = ctx.market.OptionRow(*d, req.code == 5154);
    r.body.insert(r.body.end(), row.begin(), row.end());
  }
}

// 5105 (no body): the futures contracts, n and 31-byte rows as in 5100.
void FuturesList(HandlerContext& ctx, const Request&, Reply& r) {
  auto rows = ctx.market.FuturesContracts();
  r.body = {static_cast<uint8_t>(rows.size())};
  for (const Derivative* d : rows) {
    Bytes row = ctx.market.OptionRow(*d, false);
    r.body.insert(r.body.end(), row.begin(), row.end());
  }
}

// 5155: the options of one strike price ("185.00", NUL-padded to 8) and call/put byte, one per
// expiry month: n, then 43-byte records.
void OptionStrike(HandlerContext& ctx, const Request& req, Reply& r) {
  char kind = 0;
  if (!OptionKind(req, 8, r, kind)) return;
  std::string text = GetText(req.body.data(), 8);
  int64_t whole = 0, cents = 0;
  size_t dot = text.find('.');
  if (dot == std::string::npos || text.size() != dot + 3 || dot == 0 ||
      !GetDigits(reinterpret_cast<const uint8_t*>(text.data()), dot, whole) ||
      !GetDigits(reinterpret_cast<const uint8_t*>(text.data()) + dot + 1, 2, cents)) {
    r.Error("알림", "행사가격을 확인하세요.");
    return;
  }
  auto rows = ctx.market.OptionsAtStrike(whole * 100 + cents, kind);
  r.body = {static_cast<uint8_t>(rows.size())};
  for (const Derivative* d : rows) {
    Bytes row = ctx.market.StrikeRow(*d);
    r.body.insert(r.body.end(), row.begin(), row.end());
  }
}

void RealRequest(HandlerContext& ctx, const Request& req, Reply& r) {
  r.send = false;  // no reply to a registration
  const Bytes& b = req.body;
  if (b.size() < 5 || (b[0] != '1' && b[0] != '2')) return;
  uint16_t type = wire::GetU16(&b[2]);
  size_t n = b[4];
  if (b.size() < 5 + 8 * n) return;  // the count promises more slots than arrived: ignore it all
  std::lock_guard<std::mutex> lock(ctx.connection.sendMu);
  auto& table = ctx.connection.registrations[type];
  for (size_t k = 0; k < n; ++k) {
    std::string code = GetText(&b[5 + 8 * k], 8);
    if (b[0] == '1') {
      ++table[code];
    } else {
      auto it = table.find(code);
      if (it != table.end() && --it->second <= 0) table.erase(it);
    }
  }
}

// --- interest groups ---------------------------------------------------------------------------

// 2110: the items of one of the user's groups with their prices. Body: 1, the group, "005930".
void InterestList(HandlerContext& ctx, const Request& req, Reply& r) {
  if (!ctx.connection.loggedIn) {
    r.Error("알림", "로그인 후 조회하세요.");
    return;
  }
  if (req.body.size() < 8 || !ctx.market.InterestGroup(ctx.connection.user, req.body[1])) {
    r.Error("알림", "그룹을 확인하세요.");
    return;
  }
  r.body = ctx.market.InterestList2110(ctx.connection.user, req.body[1]);
}

// 2111: lists (1), registers an item in (2) or deletes it from (3) one of the user's groups;
// the reply is the group's codes after the change. Body: group, operation, '0' and the code.
void InterestGroupEdit(HandlerContext& ctx, const Request& req, Reply& r) {
  if (!ctx.connection.loggedIn) {
    r.Error("알림", "로그인 후 조회하세요.");
    return;
  }
  const Bytes& b = req.body;
  if (b.size() < 8 || !ctx.market.InterestGroup(ctx.connection.user, b[0]) || b[1] < 1 || b[1] > 3) {
    r.Error("알림", "그룹을 확인하세요.");
    return;
  }
  std::string code = GetText(&b[2], 6);
  std::string error;
  if (b[1] == 2) error = ctx.market.AddInterest(ctx.connection.user, b[0], code);
  if (b[1] == 3) error = ctx.market.RemoveInterest(ctx.connection.user, b[0], code);
  if (!error.empty()) {
    r.Error("알림", error);
    return;
  }
  r.body = ctx.market.InterestCodes2111(ctx.connection.user, b[0]);
}

// --- orders ------------------------------------------------------------------------------------

// Checks the ACCOUNT_AUTH prefix: a logged-in session, the user's own account and its password
// (`pwSize` bytes at byte 10; 0 for the one request that carries none).
bool CheckAccount(HandlerContext& ctx, const Request& req, Reply& r, size_t minSize, std::string& account,
                  size_t pwSize = 8) {
  if (!req.enciphered) {
    r.Error("주문오류", "암호화되지 않은 요청입니다.");
    return false;
  }
  if (!ctx.connection.loggedIn) {
    r.Error("주문오류", "로그인 후 이용하세요.");
    return false;
  }
  if (req.body.size() < minSize) {
    r.Error("주문오류", "요청 길이가 올바르지 않습니다.");
    return false;
  }
  account = GetText(&req.body[0], 10);
  const User* u = ctx.market.FindUser(ctx.connection.user);
  Account* a = ctx.market.FindAccount(account);
  if (!u || !a || std::find(u->accounts.begin(), u->accounts.end(), account) == u->accounts.end()) {
    r.Error("주문오류", "계좌번호가 올바르지 않습니다.");
    return false;
  }
  if (pwSize && GetText(&req.body[10], pwSize) != a->password.substr(0, pwSize)) {
    r.Error("주문오류", "계좌 비밀번호가 틀립니다.");
    return false;
  }
  return true;
}

void NewOrder(HandlerContext& ctx, const Request& req, Reply& r, bool buy, bool ecn) {
  std::string account;
  if (!CheckAccount(ctx, req, r, 40, account)) return;
  const Bytes& b = req.body;
  int64_t quantity = 0, price = 0;
  if (!GetDigits(&b[24], 7, quantity)) {
    r.Error("주문오류", "주문수량이 올바르지 않습니다.");
    return;
  }
  if (!GetDigits(&b[31], 8, price)) price = 0;
  std::string code = GetText(&b[18], 6);
  OrderResult res = ctx.market.PlaceOrder(account, code, buy, ecn, static_cast<char>(b[39]), quantity, price);
  if (!res.ok) {
    r.Error("주문오류", res.message);
    return;
  }
  r.body.assign(43, 0);
  std::memcpy(&r.body[0], &b[0], 10);
  std::memcpy(&r.body[10], &b[18], 6);
  std::memcpy(&r.body[16], &b[24], 7);
  std::memcpy(&r.body[23], &b[31], 8);
  r.body[31] = b[39];
  PutText(&r.body[38], 5, res.number);
}

// Reply of a modify or cancel: account, target order number, new order number at bytes 15-19.
void ChangeReply(Reply& r, const Bytes& req, const std::string& number) {
  r.body.assign(20, 0);
  std::memcpy(&r.body[0], &req[0], 10);
  std::memcpy(&r.body[10], &req[18], 5);
  PutText(&r.body[15], 5, number);
}

void ModifyOrder(HandlerContext& ctx, const Request& req, Reply& r) {
  std::string account;
  if (!CheckAccount(ctx, req, r, 46, account)) return;
  const Bytes& b = req.body;
  char kind = static_cast<char>(b[45]);
  int64_t quantity = 0, price = 0;
  if (!GetDigits(&b[29], 7, quantity) && kind != '2') {
    r.Error("주문오류", "정정수량이 올바르지 않습니다.");
    return;
  }
  if (!GetDigits(&b[36], 8, price)) price = 0;
  OrderResult res = ctx.market.ModifyOrder(account, GetText(&b[18], 5), GetText(&b[23], 6), kind, quantity, price,
                                           static_cast<char>(b[44]));
  if (!res.ok) return r.Error("주문오류", res.message);
  ChangeReply(r, b, res.number);
}

void CancelOrder(HandlerContext& ctx, const Request& req, Reply& r, bool ecn) {
  std::string account;
  if (!CheckAccount(ctx, req, r, ecn ? 37 : 46, account)) return;
  const Bytes& b = req.body;
  char kind = static_cast<char>(ecn ? b[36] : b[44]);
  int64_t quantity = 0;
  if (!GetDigits(&b[29], 7, quantity) && kind != '2') {
    r.Error("주문오류", "취소수량이 올바르지 않습니다.");
    return;
  }
  OrderResult res = ctx.market.CancelOrder(account, GetText(&b[18], 5), GetText(&b[23], 6), kind, quantity, ecn);
  if (!res.ok) return r.Error("주문오류", res.message);
  ChangeReply(r, b, res.number);
}

void OrderInquiry(HandlerContext& ctx, const Request& req, Reply& r) {
  std::string account;
  if (!CheckAccount(ctx, req, r, 21, account)) return;
  const Bytes& b = req.body;
  char filter = static_cast<char>(b[18]);
  size_t page = b[19];
  // Rows per page as asked, never more than one enciphered reply can carry.
  size_t perPage = std::clamp<size_t>(b[20] ? b[20] : 6, 1, 60);
  std::vector<const Order*> rows;
  for (const Order& o : ctx.market.Orders()) {
    if (o.account != account || o.cancelled) continue;
    if ((filter == '1' && o.filled == 0) || (filter == '2' && o.open == 0)) continue;
    rows.push_back(&o);
  }
  size_t first = std::min(rows.size(), page * perPage);
  size_t n = std::min(perPage, rows.size() - first);
  r.body.assign(15 + 66 * n, 0);
  PutText(&r.body[0], 10, account);
  r.body[12] = first + n < rows.size() ? 'Y' : 'N';
  r.body[13] = static_cast<uint8_t>(n);
  for (size_t i = 0; i < n; ++i) {
    const Order& o = *rows[first + i];
    uint8_t* row = &r.body[15 + 66 * i];
    PutText(row, 5, o.code.substr(1));
    const Item* item = ctx.market.FindItem(o.code);
    PutText(row + 5, 10, wire::ToCp949(item ? item->name : ""));
    PutText(row + 15, 14, wire::ToCp949(o.kind));
    PutNetValue(row + 30, 3, o.quantity);
    PutNetValue(row + 36, 3, o.price);
    PutNetValue(row + 42, 3, o.filled);
    PutNetValue(row + 48, 3, o.filled ? o.fillAmount / o.filled : 0);
    PutNetValue(row + 54, 3, o.open);
    PutText(row + 60, 5, o.number);
  }
}

// --- balances ----------------------------------------------------------------------------------

void OrderAvailable(HandlerContext& ctx, const Request& req, Reply& r) {  // 4402
  std::string account;
  if (!CheckAccount(ctx, req, r, 18, account)) return;
  const Account& a = *ctx.market.FindAccount(account);
  int64_t reserved = ctx.market.Reserved(account);
  int64_t available = std::max<int64_t>(0, a.cash - reserved);
  r.body.assign(76, 0);
  PutText(&r.body[0], 10, account);
  PutNetValue(&r.body[10], 3, a.cash);     // deposit
  PutNetValue(&r.body[16], 3, a.cash);     // deposit on D+2 (not read)
  PutNetValue(&r.body[22], 3, 0);          // cash shortfall
  PutNetValue(&r.body[28], 3, reserved);   // margin in cash
  PutNetValue(&r.body[34], 3, 0);          // margin in substitutes
  PutNetValue(&r.body[46], 3, available);  // re-buy
  PutNetValue(&r.body[52], 3, available);  // KOSDAQ orders
  PutNetValue(&r.body[58], 3, available);  // exchange orders
  PutNetValue(&r.body[70], 3, available);  // cash for orders
}

// Holdings of an account with a quantity, by item code.
std::vector<std::pair<std::string, int64_t>> Holdings(const Account& a) {
  std::vector<std::pair<std::string, int64_t>> out;
  for (const auto& [code, qty] : a.holdings)
    if (qty > 0) out.emplace_back(code, qty);
  return out;
}

// Where a page starts: the continuation key ("NEXT" and the index, as text) when one came, else
// page x rows.
size_t PageStart(const uint8_t* key, size_t keySize, size_t page, size_t perPage) {
  std::string k = GetText(key, keySize);
  int64_t at = 0;
  if (k.rfind("NEXT", 0) == 0 && GetDigits(key + 4, keySize - 4, at)) return static_cast<size_t>(at);
  return page * perPage;
}

void BalanceEvaluation(HandlerContext& ctx, const Request& req, Reply& r) {  // 4401
  std::string account;
  if (!CheckAccount(ctx, req, r, 151, account)) return;
  const Bytes& b = req.body;
  const Account& a = *ctx.market.FindAccount(account);
  auto rows = Holdings(a);
  size_t perPage = std::clamp<size_t>(b[19] ? b[19] : 7, 1, 45);
  size_t first = std::min(rows.size(), PageStart(&b[20], 131, b[18], perPage));
  size_t n = std::min(perPage, rows.size() - first);
  bool more = first + n < rows.size();
  r.body.assign(174 + 85 * n, 0);
  PutText(&r.body[0], 10, account);
  if (more) PutText(&r.body[40], 131, "NEXT" + std::to_string(first + n));
  r.body[172] = more ? 'Y' : 'N';
  r.body[173] = static_cast<uint8_t>(n);
  for (size_t i = 0; i < n; ++i) {
    const auto& [code, qty] = rows[first + i];
    const Item* item = ctx.market.FindItem(code);
    int64_t price = item ? item->price : 0;
    auto avgIt = a.average.find(code);
    int64_t avg = avgIt == a.average.end() ? price : avgIt->second;
    int64_t profit = (price - avg) * qty;
    int64_t cost = avg * qty;
    int64_t rate = cost ? (profit < 0 ? -profit : profit) * 10000 / cost : 0;  // hundredths of a percent
    uint8_t* row = &r.body[174 + 85 * i];
    PutText(row, 6, code);
    PutText(row + 6, 30, wire::ToCp949(item ? item->name : ""));
    PutText(row + 36, 8, wire::ToCp949("현금"));
    PutNetValue(row + 44, 3, qty);
    PutNetValue(row + 50, 3, qty);
    PutNetValue(row + 56, 3, avg);
    PutNetValue(row + 62, 3, price);
    PutNetValue(row + 68, 3, price * qty);
    row[74] = profit < 0 ? '-' : '+';
    PutNetValue(row + 75, 3, profit < 0 ? -profit : profit);
    wire::PutU16(row + 81, static_cast<uint16_t>(rate / 100));
    wire::PutU16(row + 83, static_cast<uint16_t>(rate % 100));
  }
}

void SellableBalance(HandlerContext& ctx, const Request& req, Reply& r) {  // 4450
  std::string account;
  if (!CheckAccount(ctx, req, r, 42, account)) return;
  const Bytes& b = req.body;
  const Account& a = *ctx.market.FindAccount(account);
  auto rows = Holdings(a);
  size_t page = b[40];
  size_t perPage = std::clamp<size_t>(b[41] ? b[41] : 8, 1, 79);
  size_t first = std::min(rows.size(), page * perPage);
  size_t n = std::min(perPage, rows.size() - first);
  bool more = first + n < rows.size();
  r.body.assign(35 + 50 * n, 0);
  PutText(&r.body[0], 10, account);
  if (more) PutText(&r.body[10], 22, "NEXT" + std::to_string(first + n));
  r.body[32] = static_cast<uint8_t>(page);
  r.body[33] = more ? 'Y' : 'N';
  r.body[34] = static_cast<uint8_t>(n);
  for (size_t i = 0; i < n; ++i) {
    const auto& [code, qty] = rows[first + i];
    const Item* item = ctx.market.FindItem(code);
    uint8_t* row = &r.body[35 + 50 * i];
    PutText(row, 8, wire::ToCp949("현금"));
    PutText(row + 8, 6, code);
    PutText(row + 14, 30, wire::ToCp949(item ? item->name : ""));
    PutNetValue(row + 44, 3, std::max<int64_t>(0, qty - ctx.market.PendingSell(account, code)));
  }
}

// --- futures/options orders and accounts -------------------------------------------------------

// A text field of a futures/options request: up to its first NUL, blanks after it dropped (the
// screens pad with one NUL and then spaces or NULs; the item code with spaces).
std::string FutOptField(const uint8_t* p, size_t width) {
  std::string s = GetText(p, width);
  while (!s.empty() && s.back() == ' ') s.pop_back();
  return s;
}

// A quantity text: digits only.
bool FutOptQuantity(const std::string& text, int64_t& out) {
  return !text.empty() && GetDigits(reinterpret_cast<const uint8_t*>(text.data()), text.size(), out);
}

// A price text in points ("187.05", "3.5", "0") as hundredths; false for anything else.
bool FutOptPrice(const std::string& text, int64_t& out) {
  size_t dot = text.find('.');
  std::string whole = text.substr(0, dot);
  std::string frac = dot == std::string::npos ? "" : text.substr(dot + 1);
  int64_t w = 0, f = 0;
  if (whole.empty() || whole.size() > 8 || frac.size() > 2) return false;
  if (!GetDigits(reinterpret_cast<const uint8_t*>(whole.data()), whole.size(), w)) return false;
  if (!frac.empty() && !GetDigits(reinterpret_cast<const uint8_t*>(frac.data()), frac.size(), f)) return false;
  if (frac.size() == 1) f *= 10;
  out = w * 100 + f;
  return true;
}

std::string Points(int64_t hundredths) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%s%lld.%02lld", hundredths < 0 ? "-" : "", std::llabs(hundredths) / 100,
                std::llabs(hundredths) % 100);
  return buf;
}

// 5300 sell, 5301 buy: account, password, item code (8, blank-padded), quantity (9), price (13),
// type. Reply: the account and the order number at bytes 10-15.
void FutOptNewOrder(HandlerContext& ctx, const Request& req, Reply& r, bool buy) {
  std::string account;
  if (!CheckAccount(ctx, req, r, 49, account)) return;
  const Bytes& b = req.body;
  int64_t quantity = 0, price = 0;
  if (!FutOptQuantity(FutOptField(&b[26], 9), quantity)) return r.Error("주문오류", "주문수량이 올바르지 않습니다.");
  if (!FutOptPrice(FutOptField(&b[35], 13), price)) return r.Error("주문오류", "주문가격이 올바르지 않습니다.");
  OrderResult res =
      ctx.market.PlaceFutOptOrder(account, FutOptField(&b[18], 8), buy, static_cast<char>(b[48]), quantity, price);
  if (!res.ok) return r.Error("주문오류", res.message);
  r.body.assign(16, 0);
  PutText(&r.body[0], 10, account);
  PutText(&r.body[10], 6, res.number);
}

// 5302 modify, 5303 cancel: account, password, original order number (6), item code (8),
// quantity (9), then the new price (13) and type of a modify. Reply: the account, the original
// number and the new order number at bytes 16-21.
void FutOptChange(HandlerContext& ctx, const Request& req, Reply& r, bool cancel) {
  std::string account;
  if (!CheckAccount(ctx, req, r, 55, account)) return;
  const Bytes& b = req.body;
  std::string target = GetText(&b[18], 6);
  int64_t quantity = 0, price = 0;
  if (!FutOptQuantity(FutOptField(&b[32], 9), quantity))
    return r.Error("주문오류", cancel ? "취소수량이 올바르지 않습니다." : "정정수량이 올바르지 않습니다.");
  if (!cancel && !FutOptPrice(FutOptField(&b[41], 13), price))
    return r.Error("주문오류", "정정가격이 올바르지 않습니다.");
  std::string code = FutOptField(&b[24], 8);
  OrderResult res =
      cancel ? ctx.market.CancelFutOptOrder(account, target, code, quantity)
             : ctx.market.ModifyFutOptOrder(account, target, code, static_cast<char>(b[54]), quantity, price);
  if (!res.ok) return r.Error("주문오류", res.message);
  r.body.assign(22, 0);
  PutText(&r.body[0], 10, account);
  PutText(&r.body[10], 6, target);
  PutText(&r.body[16], 6, res.number);
}

const char* FutOptTypeName(char type) {
  switch (type) {
    case '1': return "지정가";
    case '2': return "시장가";
    case '3': return "조건부지정가";
    case '4': return "최유리지정가";
    default: return "";
  }
}

const char* FutOptState(const FutOptOrder& o) {
  if (o.action == 'C') return "취소확인";
  if (o.filled > 0) return o.open > 0 ? "부분체결" : "체결";
  if (o.open == 0) return o.cancelled > 0 ? "취소" : "정정";
  return "접수";
}

// 5304: orders and fills of the day (byte 19: 0 today, 1 and 2 the days before, which hold none),
// filter '0' all, '1' filled, '2' open; page (20), rows per page (21) and the continuation key of the
// last page (22-33, read past page 0). Reply: 'Y' at 11 when a page follows, n at 12, the key at
// 13-24, 121-byte rows.
void FutOptOrderInquiry(HandlerContext& ctx, const Request& req, Reply& r) {
  std::string account;
  if (!CheckAccount(ctx, req, r, 34, account)) return;
  const Bytes& b = req.body;
  char filter = static_cast<char>(b[18]);
  std::vector<const FutOptOrder*> rows;
  if (b[19] == 0)
    for (const FutOptOrder& o : ctx.market.FutOptOrders()) {
      if (o.account != account) continue;
      if ((filter == '1' && o.filled == 0) || (filter == '2' && o.open == 0)) continue;
      rows.push_back(&o);
    }
  size_t perPage = std::clamp<size_t>(b[21] ? b[21] : 7, 1, 30);
  size_t first = std::min(rows.size(), b[20] == 0 ? 0 : PageStart(&b[22], 12, b[20], perPage));
  size_t n = std::min(perPage, rows.size() - first);
  bool more = first + n < rows.size();
  r.body.assign(25 + 121 * n, 0);
  PutText(&r.body[0], 10, account);
  r.body[11] = more ? 'Y' : 'N';
  r.body[12] = static_cast<uint8_t>(n);
  if (more) PutText(&r.body[13], 12, "NEXT" + std::to_string(first + n));
  for (size_t i = 0; i < n; ++i) {
    const FutOptOrder& o = *rows[first + i];
    const Derivative* d = ctx.market.FindDerivative(o.code);
    uint8_t* row = &r.body[25 + 121 * i];
    std::string side = o.buy ? "매수" : "매도";
    PutText(row, 6, o.number);
    PutText(row + 6, 8, o.original);
    PutText(row + 14, 22, wire::ToCp949(d ? d->name : o.code));
    PutText(row + 36, 12, wire::ToCp949(o.action == 'M' ? "정정" + side : o.action == 'C' ? "취소" + side : side));
    PutText(row + 48, 12, wire::ToCp949(FutOptTypeName(o.type)));
    PutText(row + 60, 9, std::to_string(o.quantity));
    PutText(row + 69, 13, Points(o.price));
    PutText(row + 82, 9, std::to_string(o.filled));
    PutText(row + 91, 13, Points(o.filled ? o.fillAmount / o.filled : 0));
    PutText(row + 104, 9, std::to_string(o.open));
    PutText(row + 113, 8, wire::ToCp949(FutOptState(o)));
  }
}

// 5401: the positions by item code, long or short, with the contracts orders may still close and
// the average price. Page (18), rows per page (19). Reply: 'Y' at 11, n at 12, 97-byte rows.
void FutOptPositions(HandlerContext& ctx, const Request& req, Reply& r) {
  std::string account;
  if (!CheckAccount(ctx, req, r, 20, account)) return;
  const Bytes& b = req.body;
  const Account& a = *ctx.market.FindAccount(account);
  std::vector<std::pair<std::string, FutOptPosition>> rows(a.positions.begin(), a.positions.end());
  size_t perPage = std::clamp<size_t>(b[19] ? b[19] : 15, 1, 38);
  size_t first = std::min(rows.size(), b[18] * perPage);
  size_t n = std::min(perPage, rows.size() - first);
  r.body.assign(13 + 97 * n, 0);
  PutText(&r.body[0], 10, account);
  r.body[11] = first + n < rows.size() ? 'Y' : 'N';
  r.body[12] = static_cast<uint8_t>(n);
  for (size_t i = 0; i < n; ++i) {
    const auto& [code, p] = rows[first + i];
    const Derivative* d = ctx.market.FindDerivative(code);
    uint8_t* row = &r.body[13 + 97 * i];
    PutText(row, 8, code);
    PutText(row + 8, 40, wire::ToCp949(d ? d->name : ""));
    PutText(row + 48, 10, wire::ToCp949(p.quantity > 0 ? "매수" : "매도"));
    PutText(row + 58, 13, std::to_string(std::llabs(p.quantity)));
    PutText(row + 71, 13, std::to_string(ctx.market.FutOptClosable(account, code)));
    PutText(row + 84, 13, Points(p.average));
  }
}

// 5400: deposit and margin, six rows of cash / substitute / total as NET_VALUE3 from byte 30.
void FutOptDepositInquiry(HandlerContext& ctx, const Request& req, Reply& r) {
  std::string account;
  if (!CheckAccount(ctx, req, r, 18, account)) return;
  if (account.compare(8, 2, "03") != 0) return r.Error("조회오류", "선물옵션 계좌가 아닙니다.");
  Market::FutOptDeposit x = ctx.market.FutOptDepositOf(account);
  r.body.assign(126, 0);
  PutText(&r.body[0], 10, account);
  const struct {
    size_t at;
    int64_t value;
  } fields[] = {
      {30, x.cash},
      {36, x.substitute},
      {42, x.cash + x.substitute},
      {48, x.marginCash},
      {54, x.marginSubstitute},
      {60, x.marginCash + x.marginSubstitute},
      {66, x.orderableCash},
      {72, x.orderableSubstitute},
      {78, x.orderableCash + x.orderableSubstitute},
      {84, x.withdrawableCash},
      {90, x.withdrawableSubstitute},
      {96, x.withdrawableCash + x.withdrawableSubstitute},
      {102, x.maintenanceCash},
      {108, x.maintenance},
      {114, x.additionalCash},
      {120, x.additional},
  };
  for (const auto& f : fields) PutNetValue(&r.body[f.at], 3, f.value);
}

// --- transfers ---------------------------------------------------------------------------------

int64_t Withdrawable(Market& m, const Account& a) { return std::max<int64_t>(0, a.cash - m.Reserved(a.number)); }

void Receivers(HandlerContext& ctx, const Request& req, Reply& r) {  // 2420
  std::string account;
  if (!CheckAccount(ctx, req, r, 18, account)) return;
  const Account& a = *ctx.market.FindAccount(account);
  size_t n = std::min<size_t>(a.receivers.size(), 100);
  r.body.assign(11 + 36 * n, 0);
  PutText(&r.body[0], 10, account);
  r.body[10] = static_cast<uint8_t>(n);
  for (size_t i = 0; i < n; ++i) {
    const Receiver& x = a.receivers[i];
    PutText(&r.body[11 + 36 * i], 2, x.bankCode);
    PutText(&r.body[13 + 36 * i], 14, wire::ToCp949(x.bankName));
    PutText(&r.body[27 + 36 * i], 20, x.number);
  }
}

void WithdrawableAmount(HandlerContext& ctx, const Request& req, Reply& r) {  // 2421
  std::string account;
  if (!CheckAccount(ctx, req, r, 18, account)) return;
  r.body.assign(6, 0);
  PutNetValue(&r.body[0], 3, Withdrawable(ctx.market, *ctx.market.FindAccount(account)));
}

const Receiver* FindReceiver(const Account& a, const std::string& bank, const std::string& number) {
  for (const Receiver& x : a.receivers)
    if (x.bankCode == bank && x.number == number) return &x;
  return nullptr;
}

// The answer of a receiver inquiry: the transfer key and flag, the holder's name.
void ReceiverReply(HandlerContext& ctx, Reply& r, const std::string& account, const Receiver& to, int64_t amount) {
  PendingTransfer& t = ctx.connection.transfer;
  t.open = true;
  t.key = ctx.market.NextTransferKey();
  t.flag = '1';
  t.account = account;
  t.to = to;
  t.amount = amount;
  r.body.assign(46, 0);
  r.body[0] = '1';
  PutText(&r.body[1], 9, t.key);
  r.body[10] = static_cast<uint8_t>(t.flag);
  PutText(&r.body[24], 19, wire::ToCp949(to.holder));
  PutText(&r.body[44], 2, "01");
}

void ReceiverInquiry(HandlerContext& ctx, const Request& req, Reply& r) {  // 2422
  std::string account;
  if (!CheckAccount(ctx, req, r, 45, account, 4)) return;
  const Bytes& b = req.body;
  const Account& a = *ctx.market.FindAccount(account);
  const Receiver* to = FindReceiver(a, GetText(&b[14], 2), GetText(&b[16], 20));
  int64_t amount = 0;
  ctx.connection.transfer.open = false;
  if (!to) return r.Error("이체오류", "등록되지 않은 입금계좌입니다.");
  if (!GetDigits(&b[36], 9, amount) || amount <= 0) return r.Error("이체오류", "송금액을 확인하세요.");
  if (amount + Market::kTransferFee > Withdrawable(ctx.market, a))
    return r.Error("이체오류", "인출가능금액이 부족합니다.");
  if (to->followUp) {
    // The bank wants the follow-up inquiry first; the key comes with its answer.
    r.body.assign(46, 0);
    r.body[0] = '2';
    PutText(&r.body[44], 2, "02");
    return;
  }
  ReceiverReply(ctx, r, account, *to, amount);
}

void ReceiverFollowUp(HandlerContext& ctx, const Request& req, Reply& r) {  // 2423
  std::string account;
  if (!CheckAccount(ctx, req, r, 43, account, 0)) return;
  const Bytes& b = req.body;
  const Account& a = *ctx.market.FindAccount(account);
  const Receiver* to = FindReceiver(a, GetText(&b[10], 2), GetText(&b[12], 20));
  int64_t amount = 0;
  if (!to || !to->followUp) return r.Error("이체오류", "등록되지 않은 입금계좌입니다.");
  if (!GetDigits(&b[32], 9, amount) || amount <= 0 || amount + Market::kTransferFee > Withdrawable(ctx.market, a))
    return r.Error("이체오류", "송금액을 확인하세요.");
  ReceiverReply(ctx, r, account, *to, amount);
}

void TransferMoney(HandlerContext& ctx, const Request& req, Reply& r) {  // 2425
  std::string account;
  if (!CheckAccount(ctx, req, r, 45, account)) return;
  const Bytes& b = req.body;
  PendingTransfer& t = ctx.connection.transfer;
  int64_t amount = 0;
  bool amountOk = GetDigits(&b[32], 13, amount);
  // The transfer must be the one the last receiver inquiry named, and it goes once only.
  if (!t.open || t.account != account || GetText(&b[22], 9) != t.key || b[31] != static_cast<uint8_t>(t.flag) ||
      GetText(&b[18], 2) != t.to.bankCode || GetText(&b[20], 2) != t.to.number.substr(0, 2))
    return r.Error("이체오류", "수취인조회 후 송금하세요.");
  if (!amountOk || amount != t.amount) return r.Error("이체오류", "조회한 송금액과 다릅니다.");
  Account& a = *ctx.market.FindAccount(account);
  if (amount + Market::kTransferFee > Withdrawable(ctx.market, a))
    return r.Error("이체오류", "인출가능금액이 부족합니다.");
  a.cash -= amount + Market::kTransferFee;
  a.transfers.push_back(Transfer{ctx.market.ClockSeconds(), amount, Market::kTransferFee, t.to});
  t.open = false;
  r.body.assign(50, 0);
  PutText(&r.body[0], 10, account);
  PutNetValue(&r.body[10], 3, amount);
  PutNetValue(&r.body[16], 2, Market::kTransferFee);
  PutText(&r.body[20], 20, t.to.number);
  PutText(&r.body[40], 10, wire::ToCp949(t.to.bankName));
}

void TransferApplications(HandlerContext& ctx, const Request& req, Reply& r) {  // 4440
  std::string account;
  if (!CheckAccount(ctx, req, r, 21, account)) return;
  const Bytes& b = req.body;
  const Account& a = *ctx.market.FindAccount(account);
  size_t perPage = std::clamp<size_t>(b[20] ? b[20] : 7, 1, 31);
  size_t total = a.transfers.size();
  size_t first = std::min(total, b[19] * perPage);
  size_t n = std::min(perPage, total - first);
  r.body.assign(13 + 128 * n, 0);
  PutText(&r.body[0], 10, account);
  r.body[11] = first + n < total ? 'Y' : 'N';
  r.body[12] = static_cast<uint8_t>(n);
  for (size_t i = 0; i < n; ++i) {
    const Transfer& x = a.transfers[total - 1 - (first + i)];  // newest first
    uint8_t* rec = &r.body[13 + 128 * i];
    rec[0] = 7;  // the market's day: 2007-03-15
    rec[1] = 3;
    rec[2] = 15;
    rec[3] = static_cast<uint8_t>(x.seconds / 3600);
    rec[4] = static_cast<uint8_t>(x.seconds / 60 % 60);
    rec[5] = static_cast<uint8_t>(x.seconds % 60);
    PutNetValue(rec + 6, 2, x.amount);
    PutText(rec + 12, 10, wire::ToCp949(x.to.bankName));
    // The account number: its last 8 digits as a wire number (what the list shows), then as text.
    int64_t tail = 0;
    std::string digits = x.to.number.size() > 8 ? x.to.number.substr(x.to.number.size() - 8) : x.to.number;
    GetDigits(reinterpret_cast<const uint8_t*>(digits.data()), digits.size(), tail);
    PutNetValue(rec + 22, 2, tail);
    PutText(rec + 26, 16, x.to.number);
    PutText(rec + 42, 12, wire::ToCp949(x.to.holder));
    PutNetValue(rec + 74, 2, x.fee);
  }
}

// --- rankings, investors, brokers and foreign ownership ----------------------------------------

// 4190 and 4180 (market, kind, page, rows), 4600 and 4170 (rows, page, market, kind).
void RankingPage(HandlerContext& ctx, const Request& req, Reply& r) {
  const Bytes& b = req.body;
  if (b.size() < 4) return r.Error("알림", "요청 길이가 올바르지 않습니다.");
  const bool marketFirst = req.code == 4190 || req.code == 4180;
  const int market = marketFirst ? b[0] : b[2], kind = marketFirst ? b[1] : b[3];
  const int page = marketFirst ? b[2] : b[1], rows = marketFirst ? b[3] : b[0];
  const bool ecn = req.code == 4170;
  if (ecn ? market > 1 : (market < 1 || market > 2)) return r.Error("알림", "시장 구분을 확인하세요.");
  if (page < 1) return r.Error("알림", "페이지를 확인하세요.");
  r.body = ctx.market.Ranking(req.code, market, kind, page, rows);
}

// 4610: the investor groups' net buying of the day on market 1 KOSPI / 2 KOSDAQ.
void InvestorNet(HandlerContext& ctx, const Request& req, Reply& r) {
  if (req.body.empty() || req.body[0] < 1 || req.body[0] > 2) return r.Error("알림", "시장 구분을 확인하세요.");
  r.body = ctx.market.InvestorNet4610(req.body[0]);
}

// 4240: figure (1 amount, 2 quantity), market, rows, page, direction, 3-byte key.
void InvestorTrend(HandlerContext& ctx, const Request& req, Reply& r) {
  const Bytes& b = req.body;
  if (b.size() < 8) return r.Error("알림", "요청 길이가 올바르지 않습니다.");
  if (b[0] < 1 || b[0] > 2 || b[1] < 1 || b[1] > 2) return r.Error("알림", "조회 구분을 확인하세요.");
  r.body = ctx.market.InvestorTrend4240(b[0], b[1], b[2], b[3], b[4] == 'F' ? nullptr : &b[5]);
}

// 4230: an item's prices, limits, size and top brokers.
void StockProfile(HandlerContext& ctx, const Request& req, Reply& r) {
  const Item* item = req.body.size() >= 6 ? ctx.market.FindItem(GetText(req.body.data(), 6)) : nullptr;
  if (!item) return r.Error("알림", "종목코드를 확인하세요.");
  r.body = ctx.market.Profile4230(*item);
}

// 4150: an item's foreign ownership by day: code, rows, page, direction, 3-byte key.
void ForeignOwnership(HandlerContext& ctx, const Request& req, Reply& r) {
  const Bytes& b = req.body;
  const Item* item = b.size() >= 12 ? ctx.market.FindItem(GetText(b.data(), 6)) : nullptr;
  if (!item) return r.Error("알림", "종목코드를 확인하세요.");
  r.body = ctx.market.ForeignOwnership4150(*item, b[6], b[7], b[8] == 'F' ? nullptr : &b[9]);
}

}  // namespace

std::map<uint16_t, Handler> DefaultHandlers() {
  using C = HandlerContext;
  using Q = const Request;
  return {
      {1000, KeyExchange},
      {1010, PhoneNumber},
      {4020, Login},
      {4101, BaseQuote},
      {5555, FutOptBase},
      {5500, FutOptChart},
      {5510, FutOptChart},
      {5550, FutOptChart},
      {5102, FutOptOrderBook},
      {5151, FutOptOrderBook},
      {5101, FutOptDetail},
      {5150, FutOptDetail},
      {5100, OptionMonth},
      {5154, OptionMonth},
      {5105, FuturesList},
      {5155, OptionStrike},
      {5103, FutOptList},
      {5152, FutOptList},
      {5104, FutOptList},
      {5153, FutOptList},
      {9000, RealRequest},
      {6100, OrderBook},
      {4140, TickList},
      {2500, ChartBars},
      {2510, ChartBars},
      {2520, ChartBars},
      {2530, ChartBars},
      {4130, DailyList},
      {2110, InterestList},
      {2111, InterestGroupEdit},
      {4160, EcnPrice},
      {4165, EcnTicks},
      {2250, ExpectedExec},
      {4210, MarketSummary},
      {4200, SectorList},
      {4176, ForeignIndices},
      {2300, [](C& c, Q& q, Reply& r) { NewOrder(c, q, r, false, false); }},
      {2310, [](C& c, Q& q, Reply& r) { NewOrder(c, q, r, true, false); }},
      {4350, [](C& c, Q& q, Reply& r) { NewOrder(c, q, r, false, true); }},
      {4360, [](C& c, Q& q, Reply& r) { NewOrder(c, q, r, true, true); }},
      {2320, ModifyOrder},
      {2330, [](C& c, Q& q, Reply& r) { CancelOrder(c, q, r, false); }},
      {4380, [](C& c, Q& q, Reply& r) { CancelOrder(c, q, r, true); }},
      {4340, OrderInquiry},
      {4402, OrderAvailable},
      {4401, BalanceEvaluation},
      {4450, SellableBalance},
      {2420, Receivers},
      {2421, WithdrawableAmount},
      {2422, ReceiverInquiry},
      {2423, ReceiverFollowUp},
      {2425, TransferMoney},
      {4440, TransferApplications},
      {4190, RankingPage},
      {4180, RankingPage},
      {4600, RankingPage},
      {4170, RankingPage},
      {4610, InvestorNet},
      {4240, InvestorTrend},
      {4230, StockProfile},
      {4150, ForeignOwnership},
      {5300, [](C& c, Q& q, Reply& r) { FutOptNewOrder(c, q, r, false); }},
      {5301, [](C& c, Q& q, Reply& r) { FutOptNewOrder(c, q, r, true); }},
      {5302, [](C& c, Q& q, Reply& r) { FutOptChange(c, q, r, false); }},
      {5303, [](C& c, Q& q, Reply& r) { FutOptChange(c, q, r, true); }},
      {5304, FutOptOrderInquiry},
      {5401, FutOptPositions},
      {5400, FutOptDepositInquiry},
      {4620, news::NewsList},
      {4625, news::NewsSearch},
      {4630, news::NewsText},
      {4640, news::NoticeList},
      {4650, news::NoticeText},
      {4175, news::IndexList},
  };
}

}  // namespace simsrv
