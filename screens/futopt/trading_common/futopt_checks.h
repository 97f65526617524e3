// What the futures/options order and account screens check and send, without a window: the order
// types, the input checks of the four order screens, the order bodies, and the reading of the
// account replies' number texts.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "plat/windows.h"
#include "vxskeleton/tr_layouts.h"

namespace vxfo {

// Controls of the order screens.
constexpr int kAccount = 1006;  // account combo
constexpr int kPassword = 1014;
constexpr int kOrderCode = 9912;  // item code of the order
constexpr int kOrderName = 1002;  // item name of the order
constexpr int kType = 1008;       // order type combo
constexpr int kBox1015 = 1015;    // modify: original order number; cancel: cancel quantity
constexpr int kQuantity = 1009;
constexpr int kBox1010 = 1010;  // price; cancel: original order number

// The four order screens.
enum class OrderKind { Sell, Buy, Modify, Cancel };

struct OrderType {
  const WCHAR* entry;  // as the type combo lists it
  char code;           // the body's type byte
  bool priced;         // false: the price box shows "0" and is disabled
};
inline constexpr OrderType kOrderTypes[] = {
    {u"1 지정가", '1', true},
    {u"2 시장가", '2', false},
    {u"3 조건부지정가", '3', true},
    {u"4 최유리지정가", '4', false},
};
inline constexpr int kOrderTypeCount = 4;

// Widths of the texts the bodies carry.
inline constexpr size_t kCodeBytes = vxtr::futopt_order::kCode.width;          // 8
inline constexpr size_t kQuantityChars = vxtr::futopt_order::kQuantity.width;  // 9
inline constexpr size_t kPriceChars = vxtr::futopt_order::kPrice.width;        // 13
inline constexpr size_t kOriginalDigits = vxtr::futopt_change::kTarget.width;  // 6
inline constexpr size_t kPasswordBytes = vxtr::kPassword.width;                // 8

// What the user typed and chose, as the body would carry it (code page 949).
struct OrderInput {
  std::string account;  // the 10 digits of the chosen account (first 8 and last 2 shown characters)
  std::string password;
  std::string code;      // the order's item code
  int type = 0;          // index into kOrderTypes; -1 none chosen
  std::string original;  // modify and cancel: the original order number
  std::string quantity;  // contracts (cancel: the cancel quantity)
  std::string price;     // points
};

// The first input that cannot go, with its text and the control that gets the focus.
struct Refusal {
  const WCHAR* text;
  int control;
};

// A quantity that fits its field: 1 to 9 digits.
bool IsQuantityText(std::string_view s);
// A price in points that fits its field: an optional '-', digits, and at most two decimals after
// a '.' ("187.05", "-0.35", "0").
bool IsPriceText(std::string_view s);

// The order checks of screen `kind`, in their order; nothing when the order may be confirmed.
std::optional<Refusal> CheckOrder(OrderKind kind, const OrderInput& in);

// The price text the body carries: "0" for a sell at a type without price, else as typed.
std::string PriceForBody(OrderKind kind, const OrderInput& in);

// The request body of screen `kind` into `body` (zeroed first): its length, or 0 when a value does
// not fit its field (the body is then all zero and nothing may be sent).
inline constexpr int kMaxBody = vxtr::futopt_change::kRequestSize;
int BuildOrderBody(OrderKind kind, const OrderInput& in, unsigned char (&body)[kMaxBody]);

// The transaction of each screen.
constexpr uint16_t OrderCode(OrderKind kind) {
  return kind == OrderKind::Sell ? 5300 : kind == OrderKind::Buy ? 5301 : kind == OrderKind::Modify ? 5302 : 5303;
}

// ---- Account replies -----------------------------------------------------------------------------

// A decimal text of a reply ("  187.05", "-3", ""): its value; empty text reads as 0, anything
// that is not one decimal number (blanks around it allowed) as nothing.
std::optional<double> DecimalText(std::string_view s);

// One row of the order and fill inquiry (5304) as its grid shows it, in the grid's column order:
// number, name, kind, type, price, quantity, filled, average, open, state (code page 949). Nothing
// when a field is not what its layout says (the reply is then not shown).
inline constexpr int kOrderColumns = 10;
std::optional<std::array<std::string, kOrderColumns>> OrderRowTexts(const vxwire::Reader& row);
// One row of the positions (5401): code, name, kind, balance, orderable, contract index.
inline constexpr int kPositionColumns = 6;
std::optional<std::array<std::string, kPositionColumns>> PositionRowTexts(const vxwire::Reader& row);

}  // namespace vxfo
