// The transaction table: one small function per transaction code. A handler reads the plain
// request body, works on the market model and fills the reply (status, body); the server
// enciphers the reply when the request came enciphered.
#include <algorithm>
#include <cstring>

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

// --- orders ------------------------------------------------------------------------------------

// Checks the ACCOUNT_AUTH prefix: a logged-in session, the user's own account and its password.
bool CheckAccount(HandlerContext& ctx, const Request& req, Reply& r, size_t minSize, std::string& account) {
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
  if (GetText(&req.body[10], 8) != a->password) {
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

}  // namespace

std::map<uint16_t, Handler> DefaultHandlers() {
  using C = HandlerContext;
  using Q = const Request;
  return {
      {1000, KeyExchange},
      {1010, PhoneNumber},
      {4020, Login},
      {4101, BaseQuote},
      {9000, RealRequest},
      {2300, [](C& c, Q& q, Reply& r) { NewOrder(c, q, r, false, false); }},
      {2310, [](C& c, Q& q, Reply& r) { NewOrder(c, q, r, true, false); }},
      {4350, [](C& c, Q& q, Reply& r) { NewOrder(c, q, r, false, true); }},
      {4360, [](C& c, Q& q, Reply& r) { NewOrder(c, q, r, true, true); }},
      {2320, ModifyOrder},
      {2330, [](C& c, Q& q, Reply& r) { CancelOrder(c, q, r, false); }},
      {4380, [](C& c, Q& q, Reply& r) { CancelOrder(c, q, r, true); }},
      {4340, OrderInquiry},
  };
}

}  // namespace simsrv
