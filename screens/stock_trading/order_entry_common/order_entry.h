// The stock order-entry family: the buy screen ZR4310 (transaction 2310) and the cash-sell screen
// VX4300 (transaction 2300). Both screens are this one dialog class with the same controls, input
// checks, 40-byte order body, confirmation and result; an OrderScreen value names what differs.
//
// A screen plug-in of the family is:
//   constexpr vxorder::OrderScreen kScreen = {...};
//   constexpr auto kItems = vxorder::TemplateItems(kScreen);
//   constexpr plat::DialogTemplate kDlg = vxskel::ScreenTemplate(kItems);
//   PLAT_RESOURCE(plat::res::Dialog, 129, &kDlg, sizeof kDlg);
//   class CZR4310Dlg : public vxorder::COrderEntryDlg { ... };
//   VX_SCREEN_EXPORTS(CZR4310Dlg)
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

#include "vxbase/base_strip.h"
#include "vxskeleton/screen_skeleton.h"
#include "vxskeleton/screen_template.h"
#include "vxskeleton/tr_layouts.h"

namespace vxorder {

// Controls of template 129.
constexpr int kAccount = vxskel::kAccountCombo;  // 1006 account combo
constexpr int kPassword = 1014;                  // account password
constexpr int kType = 1008;                      // order type
constexpr int kQuantity = 1009;
constexpr int kPrice = 1010;
constexpr int kConfirm = 9705;           // "확인": check, confirm and send
constexpr int kClear = 9801;             // "지움"
constexpr int kFinder = IDC_BTN_FINDER;  // 9902: finder, then a query
constexpr int kFindIntoEdit = 9704;      // finder into edit 9909
constexpr int kBalance = 9706;           // "잔고"
constexpr int kCurrentPrice = 9709;      // "현재가"
constexpr int kNote = 1017;              // the sell screen's note about after-hours prices
constexpr int kLabelFirst = 2101;        // plain labels 2101 ...

// Widths of the order body's fields (bytes).
constexpr int kBodySize = vxtr::order::kRequestSize;
constexpr int kAccountDigits = vxtr::kAccount.width;
constexpr int kPasswordBytes = vxtr::kPassword.width;
constexpr int kCodeBytes = vxtr::order::kCode.width;
constexpr int kQuantityDigits = vxtr::order::kQuantity.width;
constexpr int kPriceDigits = vxtr::order::kPrice.width;

struct OrderType {
  const WCHAR* name;
  char code;        // the body's type byte
  bool takesPrice;  // false: the price edit is disabled and shows "0"; the body carries "0"
};
inline constexpr OrderType kOrderTypes[] = {
    {u"보 통", '1', true},       {u"시장가", '2', false}, {u"조건부지정가", '3', true},
    {u"시간외종가", '4', false}, {u"단 주", '5', false},
};
inline constexpr int kOrderTypeCount = static_cast<int>(std::size(kOrderTypes));

// What differs between the screens of the family.
struct OrderScreen {
  const WCHAR* moduleName;      // handheld file name
  uint16_t trCode;              // 2310 buy, 2300 cash sell
  const WCHAR* title;           // base-dialog title, nullptr: none
  int titleButton;              // 9708 / 9707
  const WCHAR* titleText;       // "▶ 주식매수" / "▶ 주식매도"
  int nameStatic;               // 1002 / 1015
  const WCHAR* quantityLabel;   // " 매수수량" / " 매도수량"
  const WCHAR* priceLabel;      // " 매수단가" / " 매도단가"
  const WCHAR* note;            // shown under the price, nullptr: none
  bool shortAccountEntries;     // list entries "12345678-01" instead of "12345678 - 01"
  const WCHAR* confirmSide;     // "매수" / "매도" in the confirmation
  const WCHAR* resultSide;      // "주식매수" / "현금매도" in the result
  UINT balanceScreen;           // what "잔고" opens
  bool packetLayerBaseRequest;  // 4101 built by the packet layer (not enciphered)
  bool emptyPriceBeforeHandOver;
  bool reloadItemCodes;  // the item combo is filled again at the end of the start
  // The ECN screens' differences; the stock screens leave them as they are.
  const OrderType* types = nullptr;  // the order types offered; nullptr: kOrderTypes
  int typeCount = 0;
  const WCHAR* const* typeTexts = nullptr;  // the type combo's entries when they differ from the names
  bool priceFromBase = false;               // each base quote puts the item's current price into the price edit
  bool keepPriceOnType = false;             // choosing a type leaves the price edit's text alone
  bool takesPriceHandOver = true;           // a price tapped in a quote screen is offered at start
  bool ecnItems = false;                    // the ECN finder on 9902 and 9704, the ECN code list loaded at start
};

// ---- The order body ----------------------------------------------------------------------------

// The value of a number edit as the body carries it: the text with its ',' removed. False when
// anything but digits is left, or nothing, or more than `maxDigits` digits: such a value cannot
// be sent as shown.
bool NumberForBody(const CString& shown, int maxDigits, std::string& digits);

struct OrderFields {
  std::string account;   // 10 digits
  std::string password;  // 1 to 8 bytes
  std::string code;      // 5 bytes
  std::string quantity;  // 1 to 7 digits
  std::string price;     // 1 to 8 digits
  char type = '1';
};
// Fills the zeroed 40-byte body. False (the body left zeroed) when a field does not fit its
// place: the body never carries a cut value.
bool BuildOrderBody(const OrderFields& fields, unsigned char (&body)[kBodySize]);

// ---- The dialog --------------------------------------------------------------------------------

class COrderEntryDlg : public vxskel::CVXScreenDlg {
 public:
  COrderEntryDlg(const OrderScreen& screen, const vxskel::ScreenConfig& config);
  ~COrderEntryDlg() override;

  void OnInitScreen() override;
  void OnQuery() override;
  void OnReply(uint16_t code, const unsigned char* body, int len) override;
  BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;

 protected:
  // Selects order type `index` in the combo and applies its price rule.
  void ApplyOrderType(int index);
  void FillShortAccountEntries();
  void ReadHandOver();
  // 4101 through the packet layer on the screens that ask so, else the plain request.
  void RequestItemBase() override;
  void ConfirmAndSend();
  void ClearInput();
  // A refused input: a box without caption and the focus on the control at fault.
  void Refuse(const WCHAR* text, int control);
  int SelectedType();
  const OrderType* Types() const { return m_screen.types ? m_screen.types : kOrderTypes; }
  int TypeCount() const { return m_screen.types ? m_screen.typeCount : kOrderTypeCount; }
  // The current price of a base-quote reply, into the price edit.
  void FillPriceFromBase(const unsigned char* body);

  // Replies of the screen's transaction are matched with the orders sent, in their order.
  afx_msg LRESULT OnOrderPacket(WPARAM wParam, LPARAM lParam);

  const OrderScreen& m_screen;
  // Orders sent and not yet answered, oldest first, as they were confirmed: each result box
  // describes the order its reply belongs to, whatever the fields hold meanwhile.
  struct SentOrder {
    CString account, code, name, type, price, quantity;
  };
  static constexpr int kInFlight = 8;
  SentOrder m_sent[kInFlight];
  int m_sentHead = 0;
  int m_sentCount = 0;
  int m_replyFor = -1;  // the order whose reply is being handled; -1: none

  DECLARE_MESSAGE_MAP()
};

// ---- Template 129 --------------------------------------------------------------------------------

inline constexpr DWORD kEditStyle = WS_VISIBLE | WS_TABSTOP | WS_BORDER;

// The order form both families show: account, password, item code, type, quantity and price.
constexpr std::array<plat::DialogItemTemplate, 17> FormItems(const OrderScreen& s) {
  using vxskel::kFaceButton;
  using vxskel::kLabel;
  return {{
      {u"STATIC", kLabelFirst, u" 계좌번호", kLabel, 0, 0, 68, 60, 18},
      {u"COMBOBOX", kAccount, nullptr, vxskel::kCodeCombo, 0, 62, 66, 130, 110},
      {u"STATIC", kLabelFirst + 1, u" 계좌비밀", kLabel, 0, 0, 90, 60, 18},
      {u"EDIT", kPassword, u"", kEditStyle | ES_PASSWORD | ES_NUMBER, 0, 62, 88, 64, 20},
      {u"STATIC", kLabelFirst + 2, u"[계좌비밀번호]", kLabel, 0, 130, 90, 110, 18},
      {u"STATIC", kLabelFirst + 3, u" 종목코드", kLabel, 0, 0, 112, 60, 18},
      {u"EDIT", IDC_ITEM_EDIT, u"", kEditStyle, 0, 62, 110, 52, 20},
      {u"BUTTON", kFindIntoEdit, u"?", kFaceButton, 0, 116, 110, 20, 20},
      {u"STATIC", s.nameStatic, u"", kLabel, 0, 138, 112, 102, 18},
      {u"STATIC", kLabelFirst + 4, u" 매매구분", kLabel, 0, 0, 134, 60, 18},
      {u"COMBOBOX", kType, nullptr, WS_VISIBLE | WS_TABSTOP | CBS_DROPDOWNLIST | WS_VSCROLL, 0, 62, 132, 130, 110},
      {u"STATIC", kLabelFirst + 5, s.quantityLabel, kLabel, 0, 0, 156, 60, 18},
      {u"EDIT", kQuantity, u"", kEditStyle | ES_RIGHT | ES_NUMBER, 0, 62, 154, 130, 20},
      {u"STATIC", kLabelFirst + 6, u"주", kLabel, 0, 196, 156, 40, 18},
      {u"STATIC", kLabelFirst + 7, s.priceLabel, kLabel, 0, 0, 178, 60, 18},
      {u"EDIT", kPrice, u"", kEditStyle | ES_RIGHT | ES_NUMBER, 0, 62, 176, 130, 20},
      {u"STATIC", kLabelFirst + 8, u"원", kLabel, 0, 196, 178, 40, 18},
  }};
}

// Template 129 of a screen of the family: the form, then `bottom` (the note and the buttons).
template <size_t N>
constexpr auto TemplateItems(const OrderScreen& s, const std::array<plat::DialogItemTemplate, N>& bottom,
                             const WCHAR* newsText = u"시황") {
  return vxskel::ScreenItems(vxskel::Join(FormItems(s), bottom),
                             {.titleButton = s.titleButton, .titleText = s.titleText, .newsText = newsText});
}

// The stock buy and sell screens: the note about after-hours prices and four buttons.
constexpr auto TemplateItems(const OrderScreen& s) {
  using vxskel::kFaceButton;
  return TemplateItems(
      s, std::array<plat::DialogItemTemplate, 5>{{
             {u"STATIC", kNote, s.note ? s.note : u"", s.note ? vxskel::kLabel : DWORD(SS_LEFT), 0, 0, 200, 240, 18},
             {u"BUTTON", kConfirm, u"확인", kFaceButton, 0, 2, 248, 58, 26},
             {u"BUTTON", kClear, u"지움", kFaceButton, 0, 62, 248, 58, 26},
             {u"BUTTON", kBalance, u"잔고", kFaceButton, 0, 122, 248, 58, 26},
             {u"BUTTON", kCurrentPrice, u"현재가", kFaceButton, 0, 182, 248, 58, 26},
         }});
}

// The skeleton's settings of a screen of the family.
inline constexpr vxskel::NumberEdit kNumberEdits[] = {{kQuantity, vxskel::NumberKind::Quantity},
                                                      {kPrice, vxskel::NumberKind::Price}};
inline constexpr UINT kFinderButtons[] = {kFinder, kFindIntoEdit};

template <size_t N>
constexpr vxskel::ScreenConfig MakeConfig(const OrderScreen& s, const vxskel::GoToButton (&goTo)[N]) {
  vxskel::ScreenConfig c;
  c.moduleName = s.moduleName;
  c.title = s.title;
  c.accountCombo = kAccount;
  c.passwordEdit = kPassword;
  c.passwordNext = kQuantity;
  // The ECN screens' combo asks for the quote itself as well as through the edit.
  c.chain = s.ecnItems ? vxskel::ItemChain::EcnDirect : vxskel::ItemChain::Edit;
  c.itemNameStatic = s.nameStatic;
  c.itemNext = kQuantity;
  c.goTo = goTo;
  c.goToCount = N;
  c.numbers = kNumberEdits;
  c.numberCount = std::size(kNumberEdits);
  c.finderButtons = kFinderButtons;
  c.finderCount = std::size(kFinderButtons);
  return c;
}

}  // namespace vxorder
