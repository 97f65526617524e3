// The stock order modify screen ZR4320 (transaction 2320) and cancel screen ZR4330 (transaction
// 2330): one dialog class that names an open order by its number and sends a 46-byte request.
// A picked order arrives from the order and fill inquiry in a pick record file (pick_record.h).
#pragma once

#include <cstdint>
#include <string>

#include "pick_record.h"
#include "vxskeleton/screen_skeleton.h"
#include "vxskeleton/screen_template.h"
#include "vxskeleton/tr_layouts.h"

namespace vxchange {

// Controls of template 129.
constexpr int kAccount = vxskel::kAccountCombo;  // 1006
constexpr int kPassword = 1014;
constexpr int kName = 1002;    // item name
constexpr int kTarget = 1015;  // target order number
constexpr int kKind = 1008;    // modify or cancel kind
constexpr int kQuantity = 1009;
constexpr int kPrice = 1010;       // modify only
constexpr int kType = 1016;        // modify only: order type
constexpr int kOddLot = 1565;      // cancel only: "단 주"
constexpr int kAfterHours = 1566;  // cancel only: "시간외 종가"
constexpr int kConfirm = 9705;
constexpr int kClear = 9801;
constexpr int kFindIntoEdit = 9704;
constexpr int kOpenOrders = 9800;  // "미체결": the order and fill inquiry
constexpr int kCurrentPrice = 9709;
constexpr int kScreenInquiry = 93103;

// The 46-byte request of both transactions.
constexpr int kBodySize = vxtr::change::kRequestSize;
constexpr int kPasswordBytes = vxtr::kPassword.width;
constexpr int kTargetDigits = vxtr::change::kTarget.width;
constexpr int kQuantityDigits = vxtr::change::kQuantity.width;
constexpr int kPriceDigits = vxtr::change::kPrice.width;

struct ChangeFields {
  std::string account;   // 10 digits
  std::string password;  // 1 to 8 bytes
  std::string target;    // 1 to 5 digits
  std::string code;      // 5 characters
  std::string quantity;  // 1 to 7 digits
  std::string price;     // 1 to 8 digits (modify; the cancel body always carries "00000000")
  char byte44 = '1';     // modify: order type; cancel: cancel kind
  char byte45 = '1';     // modify: modify kind; cancel: order type
};
// Fills the zeroed body of a modify (`cancel` false) or cancel. False, and the body left zeroed,
// when a field does not fit its place: a request never carries a cut value.
bool BuildChangeBody(const ChangeFields& f, bool cancel, unsigned char (&body)[kBodySize]);

// The value of a number edit as the body carries it: the text without its commas, only digits,
// 1 to `maxDigits` of them.
bool DigitsForBody(const CString& shown, int maxDigits, std::string& digits);

// What differs between the two screens.
struct ChangeScreen {
  const WCHAR* moduleName;
  bool cancel;
};

class CChangeOrderDlg : public vxskel::CVXScreenDlg {
 public:
  CChangeOrderDlg(const ChangeScreen& screen, const vxskel::ScreenConfig& config);
  ~CChangeOrderDlg() override;

  void OnInitScreen() override;
  void OnQuery() override;
  void OnReply(uint16_t code, const unsigned char* body, int len) override;
  BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;

 private:
  void ReadHandOver();
  // Opens or closes the quantity and price edits by the kind and type chosen.
  void ApplyKindAndType();
  void OnCheckBox(int id);
  void ConfirmAndSend();
  void ClearInput();
  void Refuse(const WCHAR* text, int control);
  void SetEditOpen(UINT id, bool open, bool empty);

  const ChangeScreen& m_screen;
  int m_kind = 0;  // 0 part, 1 all that is left
  int m_type = 0;  // modify: 0 normal, 1 market, 2 conditional limit
  char m_cancelType = '1';
  struct Sent {
    CString account, code, name, kind, price, quantity;
  } m_sent;
};

}  // namespace vxchange
