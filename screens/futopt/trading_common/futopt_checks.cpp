#include "futopt_checks.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace vxfo {

namespace {

bool Digits(std::string_view s) {
  if (s.empty()) return false;
  for (char c : s)
    if (c < '0' || c > '9') return false;
  return true;
}

struct ScreenTexts {
  const WCHAR* typeEmpty;
  const WCHAR* quantityEmpty;
  const WCHAR* quantityBad;
  const WCHAR* priceEmpty;
  const WCHAR* priceBad;
  int originalBox;
  int quantityBox;
};

ScreenTexts TextsOf(OrderKind kind) {
  switch (kind) {
    case OrderKind::Modify:
      return {u"주문유형을 선택하세요",
              u"정정수량을 입력하세요",
              u"정정수량을 확인해 주십시요.",
              u"정정가격을 입력하세요",
              u"정정가격을 확인해 주십시요.",
              kBox1015,
              kQuantity};
    case OrderKind::Cancel:
      return {nullptr, u"취소수량을 입력하세요", u"취소수량을 확인해 주십시요.", nullptr, nullptr, kBox1010, kBox1015};
    default:
      return {u"매매유형을 선택하세요",
              u"주문수량을 입력하세요",
              u"주문수량을 확인해 주십시요.",
              u"주문가격을 입력하세요",
              u"주문금액을 확인해 주십시요.",
              0,
              kQuantity};
  }
}

}  // namespace

bool IsQuantityText(std::string_view s) { return Digits(s) && s.size() <= kQuantityChars; }

bool IsPriceText(std::string_view s) {
  if (s.empty() || s.size() > kPriceChars) return false;
  if (s[0] == '-') s.remove_prefix(1);
  size_t dot = s.find('.');
  if (dot == std::string_view::npos) return Digits(s);
  std::string_view fraction = s.substr(dot + 1);
  return Digits(s.substr(0, dot)) && Digits(fraction) && fraction.size() <= 2;
}

std::optional<Refusal> CheckOrder(OrderKind kind, const OrderInput& in) {
  const ScreenTexts t = TextsOf(kind);
  if (in.account.size() != vxtr::kAccount.width || !Digits(in.account))
    return Refusal{u"계좌번호를 선택하세요", kAccount};
  if (in.password.empty() || in.password.size() > kPasswordBytes) return Refusal{u"비밀번호를 입력하세요", kPassword};
  // Only the sell screen asks for the item code; a code too long for the body fails every screen.
  if ((kind == OrderKind::Sell && in.code.empty()) || in.code.size() > kCodeBytes)
    return Refusal{u"종목코드를 입력하세요", kOrderCode};
  if (kind != OrderKind::Cancel && (in.type < 0 || in.type >= kOrderTypeCount)) return Refusal{t.typeEmpty, kType};
  if (kind == OrderKind::Modify || kind == OrderKind::Cancel) {
    // The original order is named whole, by its digits: never another order by a cut number.
    if (in.original.empty()) return Refusal{u"원주문번호를 입력하세요", t.originalBox};
    if (in.original.size() > kOriginalDigits)
      return Refusal{u"원주문번호는 6자리 이하로 입력하셔야 합니다.", t.originalBox};
    if (!Digits(in.original)) return Refusal{u"원주문번호는 숫자로 입력하셔야 합니다.", t.originalBox};
  }
  if (in.quantity.empty()) return Refusal{t.quantityEmpty, t.quantityBox};
  if (!IsQuantityText(in.quantity)) return Refusal{t.quantityBad, t.quantityBox};
  if (kind == OrderKind::Cancel) return std::nullopt;
  // The sell screen asks for a price only at the types that take one; it sends "0" at the others.
  if (kind == OrderKind::Sell && !kOrderTypes[in.type].priced) return std::nullopt;
  if (in.price.empty()) return Refusal{t.priceEmpty, kBox1010};
  if (!IsPriceText(in.price)) return Refusal{t.priceBad, kBox1010};
  return std::nullopt;
}

std::string PriceForBody(OrderKind kind, const OrderInput& in) {
  if (kind == OrderKind::Sell && in.type >= 0 && in.type < kOrderTypeCount && !kOrderTypes[in.type].priced) return "0";
  return in.price;
}

int BuildOrderBody(OrderKind kind, const OrderInput& in, unsigned char (&body)[kMaxBody]) {
  if (CheckOrder(kind, in)) {
    std::memset(body, 0, sizeof body);
    return 0;
  }
  vxwire::Writer w(body);
  if (kind == OrderKind::Sell || kind == OrderKind::Buy) {
    namespace o = vxtr::futopt_order;
    // The sell body fills its texts with blanks after their zero byte, the buy body with zeros.
    const char fill = kind == OrderKind::Sell ? ' ' : '\0';
    w.Digits(vxtr::kAccount, in.account)
        .Padded(vxtr::kPassword, in.password, fill)
        .Padded(o::kCode, in.code, ' ', false)
        .Padded(o::kQuantity, in.quantity, fill)
        .Padded(o::kPrice, PriceForBody(kind, in), fill)
        .Char(o::kType, kOrderTypes[in.type].code);
    return w.Ok() ? o::kRequestSize : 0;
  }
  namespace c = vxtr::futopt_change;
  w.Digits(vxtr::kAccount, in.account)
      .Padded(vxtr::kPassword, in.password, '\0')
      .Padded(c::kTarget, in.original, '\0')
      .Padded(c::kCode, in.code, ' ', false)
      .Padded(c::kQuantity, in.quantity, '\0');
  if (kind == OrderKind::Modify) w.Padded(c::kPrice, in.price, '\0').Char(c::kType, kOrderTypes[in.type].code);
  return w.Ok() ? c::kRequestSize : 0;
}

std::optional<double> DecimalText(std::string_view s) {
  while (!s.empty() && s.front() == ' ') s.remove_prefix(1);
  while (!s.empty() && s.back() == ' ') s.remove_suffix(1);
  if (s.empty()) return 0.0;
  std::string_view body = s;
  if (body[0] == '-' || body[0] == '+') body.remove_prefix(1);
  size_t dot = body.find('.');
  std::string_view whole = body.substr(0, dot);
  std::string_view fraction = dot == std::string_view::npos ? std::string_view() : body.substr(dot + 1);
  if (whole.empty() && fraction.empty()) return std::nullopt;
  if ((!whole.empty() && !Digits(whole)) || (dot != std::string_view::npos && !fraction.empty() && !Digits(fraction)))
    return std::nullopt;
  return std::strtod(std::string(s).c_str(), nullptr);
}

namespace {

// A decimal text field of a row, or nothing when the field is no text or no number.
std::optional<double> NumberField(const vxwire::Reader& row, const vxwire::Field& f) {
  if (!row.IsText(f)) return std::nullopt;
  return DecimalText(row.Text(f));
}

std::string Fixed2(double v) {
  char buf[48];
  std::snprintf(buf, sizeof buf, "%.02f", v);
  return buf;
}

// A number far beyond what a contract count can be is no count.
constexpr double kMaxCount = 1e15;

std::optional<std::string> Whole(double v) {
  if (!(std::fabs(v) < kMaxCount)) return std::nullopt;
  return vxwire::Grouped(static_cast<int64_t>(v));
}

}  // namespace

std::optional<std::array<std::string, kOrderColumns>> OrderRowTexts(const vxwire::Reader& row) {
  namespace q = vxtr::futopt_inquiry;
  for (const vxwire::Field& f : {q::kNumber, q::kName, q::kKind, q::kType, q::kState})
    if (!row.IsText(f)) return std::nullopt;
  auto price = NumberField(row, q::kPrice), average = NumberField(row, q::kAverage);
  auto quantity = NumberField(row, q::kQuantity), filled = NumberField(row, q::kFilled),
       open = NumberField(row, q::kOpen);
  if (!price || !average || !quantity || !filled || !open) return std::nullopt;
  auto quantityText = Whole(*quantity), filledText = Whole(*filled), openText = Whole(*open);
  if (!quantityText || !filledText || !openText || !(std::fabs(*price) < kMaxCount) ||
      !(std::fabs(*average) < kMaxCount))
    return std::nullopt;
  return std::array<std::string, kOrderColumns>{row.Text(q::kNumber),
                                                row.Shown(q::kName, 19),
                                                row.Shown(q::kKind, q::kKind.width),
                                                row.Shown(q::kType, q::kType.width),
                                                Fixed2(*price),
                                                *quantityText,
                                                *filledText,
                                                Fixed2(*average),
                                                *openText,
                                                row.Shown(q::kState, q::kState.width)};
}

std::optional<std::array<std::string, kPositionColumns>> PositionRowTexts(const vxwire::Reader& row) {
  namespace p = vxtr::futopt_positions;
  for (const vxwire::Field& f : {p::kCode, p::kName, p::kKind})
    if (!row.IsText(f)) return std::nullopt;
  auto balance = NumberField(row, p::kBalance), orderable = NumberField(row, p::kOrderable),
       index = NumberField(row, p::kIndex);
  if (!balance || !orderable || !index || !(std::fabs(*index) < kMaxCount)) return std::nullopt;
  auto balanceText = Whole(std::round(*balance)), orderableText = Whole(std::round(*orderable));
  if (!balanceText || !orderableText) return std::nullopt;
  char indexText[48];
  std::snprintf(indexText, sizeof indexText, "%13.2f", *index);
  return std::array<std::string, kPositionColumns>{row.Text(p::kCode), row.Shown(p::kName, 19), row.Shown(p::kKind, 10),
                                                   *balanceText,       *orderableText,          indexText};
}

}  // namespace vxfo
