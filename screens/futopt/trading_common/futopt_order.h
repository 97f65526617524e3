// The futures/options order family: sell ZR5300 (5300), buy ZR5301 (5301), modify ZR5302 (5302) and
// cancel ZR5303 (5303). One dialog class with the same form, checks in the same order, a confirmation
// box, one enciphered request and a result box built from the reply; an OrderScreen names what
// differs.
//
//   constexpr vxfo::OrderScreen kScreen = {...};
//   constexpr auto kItems = vxfo::SellBuyItems(kScreen);     // or ModifyItems / CancelItems
//   constexpr plat::DialogTemplate kDlg = vxskel::ScreenTemplate(kItems);
//   PLAT_RESOURCE(plat::res::Dialog, 129, &kDlg, sizeof kDlg);
//   class CZR5300Dlg : public vxfo::COrderDlg { ... };
#pragma once

#include <array>

#include "futopt_checks.h"
#include "vxskeleton/futopt_screen.h"
#include "vxskeleton/sent_requests.h"

namespace vxfo {

constexpr int kConfirm = 9705;        // "확인"
constexpr int kClear = 9801;          // "지움"
constexpr int kOpenPositions = 9800;  // "미결제" (sell)
constexpr int kLabelFirst = 2101;

struct OrderScreen {
  OrderKind kind;
  const WCHAR* moduleName;
  const WCHAR* title;
  int titleButton;         // 9807 .. 9810
  const WCHAR* titleText;  // "선물옵션매도" ...
  const WCHAR* quantityLabel;
  const WCHAR* priceLabel;
  const WCHAR* side;  // "매 도", "매 수", "정 정", "취 소" in the boxes
};

// ---- Template 129 --------------------------------------------------------------------------------

inline constexpr DWORD kEditStyle = WS_VISIBLE | WS_TABSTOP | WS_BORDER;
inline constexpr DWORD kTypeStyle = WS_VISIBLE | WS_TABSTOP | CBS_DROPDOWNLIST | WS_VSCROLL;

// The head every order screen has: title button, account, password, item code and name.
constexpr std::array<plat::DialogItemTemplate, 10> HeadItems(const OrderScreen& s, const WCHAR* accountLabel) {
  using vxskel::kFaceButton;
  using vxskel::kLabel;
  return {{
      {u"BUTTON", s.titleButton, s.titleText, kFaceButton, 0, 1, 66, 100, 20},
      {u"STATIC", kLabelFirst, accountLabel, kLabel, 0, 1, 90, 56, 18},
      {u"STATIC", kLabelFirst + 1, u"계좌비밀", kLabel, 0, 1, 112, 56, 18},
      {u"EDIT", kPassword, u"", kEditStyle | ES_PASSWORD, 0, 58, 110, 60, 20},
      {u"STATIC", kLabelFirst + 2, u"[계좌비밀번호]", kLabel, 0, 122, 112, 116, 18},
      {u"STATIC", kLabelFirst + 3, u"종목코드", kLabel, 0, 1, 134, 56, 18},
      {u"EDIT", kOrderCode, u"", kEditStyle, 0, 58, 132, 66, 20},
      {u"BUTTON", vxskel::kFoOrderFinder, u"?", kFaceButton, 0, 126, 132, 18, 20},
      {u"STATIC", kOrderName, u"", kLabel, 0, 146, 134, 93, 18},
      {u"STATIC", kLabelFirst + 4, u"주문유형", kLabel, 0, 1, 156, 56, 18},
  }};
}

// One labelled edit of the form at row `y`, with an optional unit after it.
constexpr std::array<plat::DialogItemTemplate, 3> EditRow(int labelId, const WCHAR* label, int id, int y,
                                                          const WCHAR* unit) {
  return {{
      {u"STATIC", labelId, label, vxskel::kLabel, 0, 1, y + 2, 56, 18},
      {u"EDIT", id, u"", kEditStyle | ES_RIGHT, 0, 58, y, 110, 20},
      {u"STATIC", labelId + 1, unit, unit[0] ? vxskel::kLabel : DWORD(SS_LEFT), 0, 172, y + 2, 40, 18},
  }};
}

// The buttons, then the drop-down lists last (their open lists cover what is under them).
constexpr std::array<plat::DialogItemTemplate, 4> TailItems(const OrderScreen& s) {
  using vxskel::kFaceButton;
  const bool sell = s.kind == OrderKind::Sell;
  return {{
      {u"BUTTON", kConfirm, u"확인", kFaceButton, 0, 2, 250, 76, 24},
      {u"BUTTON", kClear, u"지움", kFaceButton, 0, 82, 250, 76, 24},
      sell ? plat::DialogItemTemplate{u"BUTTON", kOpenPositions, u"미결제", kFaceButton, 0, 162, 250, 76, 24}
           : plat::DialogItemTemplate{u"STATIC", kLabelFirst + 20, u"", SS_LEFT, 0, 162, 250, 76, 24},
      {u"COMBOBOX", kAccount, nullptr, vxskel::kCodeCombo, 0, 58, 88, 130, 110},
  }};
}

constexpr plat::DialogItemTemplate TypeCombo() {
  return {u"COMBOBOX", kType, nullptr, kTypeStyle, 0, 58, 154, 130, 100};
}

// The whole item list of an order screen: the futures/options bar and item row, the form, the
// keypad with "-" and ".".
template <size_t N>
constexpr auto OrderScreenItems(const std::array<plat::DialogItemTemplate, N>& own) {
  return vxskel::Join(vxskel::Join(vxskel::FutOptTopItems(), own), vxskel::FutOptOrderKeypadItems());
}

// Sell and buy: type, quantity, price.
constexpr auto SellBuyItems(const OrderScreen& s) {
  using vxskel::Join;
  auto form = Join(Join(HeadItems(s, u"계좌번호"), EditRow(kLabelFirst + 5, s.quantityLabel, kQuantity, 178, u"계약")),
                   EditRow(kLabelFirst + 7, s.priceLabel, kBox1010, 200, u""));
  return OrderScreenItems(Join(Join(form, TailItems(s)), std::array<plat::DialogItemTemplate, 1>{TypeCombo()}));
}

// Modify: type, original order number (1015), quantity, price.
constexpr auto ModifyItems(const OrderScreen& s) {
  using vxskel::Join;
  auto form = Join(Join(Join(HeadItems(s, u"계좌번호"), EditRow(kLabelFirst + 9, u"원주문번호", kBox1015, 178, u"")),
                        EditRow(kLabelFirst + 5, s.quantityLabel, kQuantity, 200, u"계약")),
                   EditRow(kLabelFirst + 7, s.priceLabel, kBox1010, 222, u""));
  return OrderScreenItems(Join(Join(form, TailItems(s)), std::array<plat::DialogItemTemplate, 1>{TypeCombo()}));
}

// Cancel: no type; original order number (1010), cancel quantity (1015).
constexpr auto CancelItems(const OrderScreen& s) {
  using vxskel::Join;
  auto head = HeadItems(s, u" 계좌번호");
  head[9] = {u"STATIC", kLabelFirst + 4, u"", SS_LEFT, 0, 1, 156, 56, 18};  // no order type
  auto form = Join(Join(head, EditRow(kLabelFirst + 9, u"원주문번호", kBox1010, 154, u"")),
                   EditRow(kLabelFirst + 5, s.quantityLabel, kBox1015, 176, u"계약"));
  return OrderScreenItems(Join(form, TailItems(s)));
}

// ---- The dialog --------------------------------------------------------------------------------

// The skeleton's settings of a screen of the family.
vxskel::ScreenConfig MakeConfig(const OrderScreen& s);
vxskel::FutOptSetup MakeSetup();

class COrderDlg : public vxskel::CFutOptScreenDlg {
 public:
  COrderDlg(const OrderScreen& screen, const vxskel::ScreenConfig& config, const vxskel::FutOptSetup& setup);
  ~COrderDlg() override;

  void OnInitScreen() override;
  void OnFutOptReply(uint16_t code, const unsigned char* body, int len) override;
  BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;

 protected:
  void ApplyOrderType(int index);
  int SelectedType();
  void ClearInput();
  void ConfirmAndSend();
  void Refuse(const Refusal& r);
  // The original order number's box and the box after it.
  int OriginalBox() const { return m_screen.kind == OrderKind::Cancel ? kBox1010 : kBox1015; }
  int QuantityBox() const { return m_screen.kind == OrderKind::Cancel ? kBox1015 : kQuantity; }

  // Replies of the screen's transaction answer the orders sent, oldest first.
  afx_msg LRESULT OnOrderPacket(WPARAM wParam, LPARAM lParam);

  const OrderScreen& m_screen;
  // Orders sent and not yet answered, as they were confirmed.
  struct SentOrder {
    CString name, quantity, price;
  };
  vxskel::SentRequests<SentOrder> m_sent;

  DECLARE_MESSAGE_MAP()
};

}  // namespace vxfo
