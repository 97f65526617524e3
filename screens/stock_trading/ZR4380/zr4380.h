// ZR4380: the ECN order cancel screen (transaction 4380). Names an open ECN order by its number
// and cancels part of it or all that is left; a picked order arrives from the order and fill
// inquiry in the pick record file "\Temp\ECNOrderTxt.tmp".
#pragma once

#include <cstdint>
#include <string>

#include "vxskeleton/screen_skeleton.h"
#include "vxskeleton/screen_template.h"
#include "vxskeleton/tr_layouts.h"

namespace vxecncancel {

constexpr int kAccount = vxskel::kAccountCombo;  // 1006
constexpr int kPassword = 1014;
constexpr int kTarget = 1015;  // target order number
constexpr int kName = 1016;    // item name
constexpr int kKind = 1008;    // "1.일부" / "2.잔량"
constexpr int kQuantity = 1009;
constexpr int kConfirm = 9705;
constexpr int kClear = 9801;
constexpr int kFindIntoEdit = 9704;
constexpr int kOpenOrders = 9800;  // "미체결": the order and fill inquiry
constexpr int kTitleButton = 9825;
constexpr int kScreenInquiry = 93103;
constexpr uint16_t kEcnCancel = 4380;

// The 37-byte request.
constexpr int kBodySize = vxtr::ecn_cancel::kRequestSize;
constexpr int kPasswordBytes = vxtr::kPassword.width;
constexpr int kTargetDigits = vxtr::ecn_cancel::kTarget.width;
constexpr int kQuantityDigits = vxtr::ecn_cancel::kQuantity.width;

struct CancelFields {
  std::string account;   // 10 digits
  std::string password;  // 1 to 8 bytes
  std::string target;    // 1 to 5 digits
  std::string code;      // 5 characters
  std::string quantity;  // 1 to 7 digits
  char kind = '1';       // '1' part, '2' all that is left
};
// Fills the zeroed body. False, and the body left zeroed, when a field does not fit its place.
bool BuildCancelBody(const CancelFields& f, unsigned char (&body)[kBodySize]);

}  // namespace vxecncancel
