// What the futures/options screens share on top of the screen skeleton: the current item handed
// over through the registry (ReadFutOptItem in its two forms), the base quote 5555 with the strip
// of KOSPI200 and the futures line, the futures/options accounts and their memo, the plain
// requests of the quote screens, their grids in the band between two controls, the finder and
// go-to buttons and the strip's painting.
//
// A quote screen (futures or options, plain replies):
//   const vxskel::FutOptSetup kSetup{.form = vxskel::FoForm::Options, .grids = kGrids, .gridCount = 2};
//   class CZR5152Dlg : public vxskel::CFutOptScreenDlg {
//    public:
//     CZR5152Dlg() : CFutOptScreenDlg(kConfig, kSetup) {}
//     void RequestScreen() override;   // the screen's own request (after ReadFutOptItem)
//     void OnFutOptReply(uint16_t code, const unsigned char* body, int len) override;
//   };
// Template 129: vxskel::FutOptScreenItems(kOwn) (or FutOptOrderScreenItems for the order screens'
// keypad with "-" and "."); the screen's own controls go between y 64 and 278.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>

#include "vxskeleton/list_screen.h"
#include "vxskeleton/screen_skeleton.h"
#include "vxskeleton/screen_template.h"

namespace vxskel {

// Controls of every futures/options screen.
constexpr ControlId kFoCodeEdit = 9910;       // item code of the strip
constexpr ControlId kFoFinder = 9911;         // "?"
constexpr ControlId kFoOrderCodeEdit = 9912;  // item code of an order
constexpr ControlId kFoOrderFinder = 9913;    // second "?"
constexpr ControlId kFoPassword = 1014;       // account password of the order and account screens
constexpr ControlId kFoStripFirst = 3013;
constexpr ControlId kFoStripLast = 3020;

// Where a screen takes its item from.
enum class FoForm {
  Futures,  // futures quote screens: "FItemCD" / "FItemName"; 5555 with market 1
  Options,  // options quote screens: "OItemCD" / "OItemName"; 5555 with market 2
  Picked,   // order, account and chart screens: the kind "FOSet_Flag" names; 5555 with that number
};

// How a futures name too long for the name field is cut to its 10 characters.
enum class FoNameCut { KeepLast, KeepFirst };
constexpr int kFoNameChars = 10;

// The item a screen shows: code, name, and the "FOSet_Flag" text as read (Picked form).
struct FutOptItem {
  CString code;
  CString name;
  CString setFlag;
  int kind = 0;  // 1 futures, 2 options (0: none read yet)
};

enum class FoRead {
  Item,       // a code and a name were read
  NoItem,     // nothing was ever picked: "종목을 선택하세요"
  Unchanged,  // a kind other than futures or options: the item stays as it was
};

// ---- Helpers without a window --------------------------------------------------------------------

// Reads the current item of `form` from "Software\Quorvan" (created when missing) into `item`.
FoRead ReadFutOptItem(FoForm form, FoNameCut cut, FutOptItem& item);
// The market number of a "FOSet_Flag" text: its leading decimal digits; 0 without any.
int FoMarketFlag(const CString& setFlag);
// The 24-byte plain request 5555: header, the item code in code page 949 (at most 8 bytes,
// zero-padded), the market number as a byte. Returns 24.
constexpr int kFutOptBaseSize = 24;
int MakeFutOptBasePacket(unsigned char* out, const CString& code, uint8_t market);
// A plain header of `code` for a body of `bodyLen` bytes ('4' at byte 6, the rest zero); returns
// the packet's length (15 + bodyLen).
int MakeHeaderPacket(unsigned char* out, uint16_t code, int bodyLen);
// A plain request of `code` whose body is the item code as 8 bytes, zero-padded. Returns 23.
constexpr int kFoCodeRequestSize = 23;
int MakeFutOptCodeRequest(unsigned char* out, uint16_t code, const CString& item);
// Splits the band between `upper` and `lower` (left, top, width, height) into `count` equal
// parts, top to bottom; false when a part would be empty.
bool SplitBand(const RECT& band, int count, int index, RECT& part);

// ---- The template ---------------------------------------------------------------------------------

// The bar: title static 9904 (or none, for a screen that uses 9904 itself), F시세, O시세, 주문,
// 계좌, 챠트, 주식, X; the item row: code 9910, finder 9911, name 9903, 조회 8110.
inline constexpr size_t kFoTopItemCount = 12;
constexpr std::array<ControlItem, kFoTopItemCount> FutOptTopItems(bool title = true) {
  return {{
      {u"STATIC", title ? IDC_TITLE : -1, u"", WS_VISIBLE | SS_LEFTNOWORDWRAP, 0, 0, 0, 56, 20},
      {u"BUTTON", IDC_BTN_FQUOTES, u"F시세", kFaceButton, 0, 56, 0, 30, 20},
      {u"BUTTON", IDC_BTN_OQUOTES, u"O시세", kFaceButton, 0, 86, 0, 30, 20},
      {u"BUTTON", IDC_BTN_FORDERS, u"주문", kFaceButton, 0, 116, 0, 26, 20},
      {u"BUTTON", IDC_BTN_FACCOUNT, u"계좌", kFaceButton, 0, 142, 0, 26, 20},
      {u"BUTTON", IDC_BTN_CHART, u"챠트", kFaceButton, 0, 168, 0, 26, 20},
      {u"BUTTON", IDC_BTN_STOCK, u"주식", kFaceButton, 0, 194, 0, 28, 20},
      {u"BUTTON", IDC_BTN_EXIT, u"X", kFaceButton, 0, 222, 0, 18, 20},
      {u"EDIT", kFoCodeEdit, u"", WS_VISIBLE | WS_BORDER | ES_READONLY, 0, 1, 22, 60, 20},
      {u"BUTTON", kFoFinder, u"?", kFaceButton, 0, 62, 22, 18, 20},
      {u"STATIC", IDC_ITEM_NAME, u"", kLabel, 0, 81, 22, 126, 20},
      // (y 44-63: the base-quote strip, the whole width)
      {u"BUTTON", IDC_BTN_QUERY, u"조회", kFaceButton, 0, 209, 22, 30, 20},
  }};
}

// The order screens' keypad: 1-9, 0, "-", "." and "<<".
inline constexpr size_t kFoOrderKeypadItemCount = 13;
constexpr std::array<ControlItem, kFoOrderKeypadItemCount> FutOptOrderKeypadItems() {
  std::array<ControlItem, kFoOrderKeypadItemCount> keys{};
  const WCHAR* const digits[] = {u"1", u"2", u"3", u"4", u"5", u"6", u"7", u"8", u"9", u"0"};
  for (int i = 0; i < 10; ++i)
    keys[static_cast<size_t>(i)] = {u"BUTTON", IDC_KEY_1 + i, digits[i], kFaceButton, 0, 1 + 18 * i, 300, 18, 20};
  keys[10] = {u"BUTTON", IDC_KEY_MINUS, u"-", kFaceButton, 0, 181, 300, 18, 20};
  keys[11] = {u"BUTTON", IDC_KEY_POINT, u".", kFaceButton, 0, 199, 300, 18, 20};
  keys[12] = {u"BUTTON", IDC_KEY_BACK, u"<<", kFaceButton, 0, 217, 300, 22, 20};
  return keys;
}

// The whole item list of a futures/options screen: top controls, the screen's own, the keypad.
template <size_t N>
constexpr auto FutOptScreenItems(const ControlItem (&own)[N], bool title = true) {
  return Join(Join(FutOptTopItems(title), std::to_array(own)), KeypadItems());
}
template <size_t N>
constexpr auto FutOptOrderScreenItems(const ControlItem (&own)[N], bool title = true) {
  return Join(Join(FutOptTopItems(title), std::to_array(own)), FutOptOrderKeypadItems());
}
// A quote screen without controls of its own (its grids fill the band): bar, item row, keypad.
inline constexpr auto kFutOptQuoteItems = Join(FutOptTopItems(), KeypadItems());
inline constexpr plat::DialogTemplate kFutOptQuoteTemplate = ScreenTemplate(kFutOptQuoteItems);

// ---- The screen dialog --------------------------------------------------------------------------

// What the futures/options skeleton needs besides the ScreenConfig.
struct FutOptSetup {
  FoForm form = FoForm::Futures;
  FoNameCut nameCut = FoNameCut::KeepLast;
  // The order's item name static (1002 on the order screens), filled with the item name; 0 on
  // screens without one (on some account screens 1002 is an edit of their own).
  ControlId orderNameStatic = 0;
  // Grids (quote screens): made when the dialog starts. A setup whose `at` has a width is placed
  // there; the others share the band between the bottom of `gridUpper` and the top of
  // `gridLower` (kept within the screen's own area, y 64-278), its height split in equal parts.
  const GridSetup* grids = nullptr;
  size_t gridCount = 0;
  ControlId gridUpper = IDC_BTN_QUERY;
  ControlId gridLower = IDC_KEY_1;
};

// The ScreenConfig fields every futures/options screen sets the same way: the finder button
// whose drawing hides the shell's bars again, the wide strip, the 8207 "주식" button (posted, or
// sent and waited for on the order screens) and, for the quote screens, plain replies.
ScreenConfig FutOptScreenConfig(const WCHAR* moduleName, const WCHAR* title, FoForm form, bool sendStock = false);

class CFutOptScreenDlg : public CVXScreenDlg {
 public:
  static constexpr size_t kMaxGrids = 4;

  CFutOptScreenDlg(const ScreenConfig& config, const FutOptSetup& setup, UINT templateId = 129)
      : CVXScreenDlg(config, templateId), m_setup(setup) {}
  ~CFutOptScreenDlg() override { DeleteGrids(); }

  // ---- Hooks of the screen ----
  // The screen's own request(s), with the item that ReadFutOptItem read (Item()).
  virtual void RequestScreen() {}
  // A successful reply of one of the screen's own codes (5555 goes to the strip).
  virtual void OnFutOptReply(uint16_t code, const unsigned char* body, int len) { (void)code, (void)body, (void)len; }

  // ---- Shared routines ----
  // Reads the item of the screen's form from the registry and shows it: 9903 the name (or
  // "종목을 선택하세요"), 9910 and 9912 the code, the order's name static the name.
  FoRead ReadFutOptItem();
  // The 24-byte 5555 request of the current item into `out`: the Picked form re-reads the
  // registry first and takes the code from 9910 and the market from "FOSet_Flag"; the quote
  // screens take their item and their fixed market. Returns 24.
  int MakeFutOptBasePacket(unsigned char* out);
  // Builds and sends the 5555 request.
  void RequestFutOptBase();
  // A plain request of `code` with the current item code as its body.
  BOOL SendItemRequest(uint16_t code);
  const FutOptItem& Item() const { return m_item; }
  const FutOptSetup& Setup() const { return m_setup; }
  // The market number the 5555 request carries: 1 futures, 2 options; the Picked form the
  // number in "FOSet_Flag" (0 when it has none).
  int MarketFlag() const;
  bool IsQuoteScreen() const { return m_setup.form != FoForm::Picked; }
  // The grids made by InitGrid (null where one could not be made).
  V_Grid* Grid(size_t index) const { return index < kMaxGrids ? m_grids[index].get() : nullptr; }
  // Makes the setup's grids; called when the dialog starts.
  void InitGrid();
  void DeleteGrids();

  // ---- Skeleton overrides ----
  void OnInitScreen() override;
  // WM_VX_QUERY: quote screens start the wait cursor, read the item, send their own request,
  // then the 5555 request; the Picked form reads the item and asks for 5555 and then its own.
  void OnQuery() override;
  void OnReply(uint16_t code, const unsigned char* body, int len) override;
  BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;
  BOOL DestroyWindow() override;

 protected:
  // 조회: quote screens read the item again and ask for 5555 and then their own request; the
  // Picked form asks for 5555 only.
  virtual void OnQueryButton();
  // The label font of the grids.
  HFONT GridFont() { return static_cast<HFONT>(m_fontNormal.GetSafeHandle()); }

  const FutOptSetup& m_setup;
  FutOptItem m_item;
  std::unique_ptr<V_Grid> m_grids[kMaxGrids];
};

}  // namespace vxskel
