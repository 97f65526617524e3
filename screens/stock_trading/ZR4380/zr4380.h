// ZR4380: the ECN order cancel screen (transaction 4380). Names an open ECN order by its number
// and cancels part of it or all that is left; a picked order arrives from the order and fill
// inquiry in the pick record file "\Temp\ECNOrderTxt.tmp".
#pragma once

#include <cstdint>
#include <string>

#include "vxskeleton/screen_skeleton.h"
#include "vxskeleton/tr_layouts.h"

namespace vxecncancel {

constexpr UINT kAccount = vxskel::kAccountCombo;  // 1006
constexpr UINT kPassword = 1014;
constexpr UINT kTarget = 1015;      // target order number
constexpr UINT kName = 1016;        // item name
constexpr UINT kKind = 1008;        // "1.일부" / "2.잔량"
constexpr UINT kQuantity = 1009;
constexpr UINT kConfirm = 9705;
constexpr UINT kClear = 9801;
constexpr UINT kFindIntoEdit = 9704;
constexpr UINT kOpenOrders = 9800;  // "미체결": the order and fill inquiry
constexpr UINT kTitleButton = 9825;
constexpr UINT kScreenInquiry = 93103;
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
