// The stock quote screens with a live order book (the home board and the ten-level book): the
// item-code combo that asks for every quote of the screen, 조회, the finder and the quick-move
// combo; the registration after each base quote; the order-book snapshot and pushes with their
// flash; the index and trade pushes into the strip; the taps on the order book; the focus after a
// packet; and the release when the screen ends.
#pragma once

#include <array>

#include "vxrealtime/order_book.h"
#include "vxrealtime/realtime.h"
#include "vxskeleton/screen_template.h"

namespace vxrt {

// The quote screens' dialog template: only the common controls (menu bar, item-code row, 조회 beside
// the upper strip, keypad); the grids are placed between 조회 and the keypad.
inline constexpr auto kQuoteScreenItems = vxskel::ScreenItems(std::array<vxskel::ControlItem, 0>{});
inline constexpr plat::DialogTemplate kQuoteScreenTemplate = vxskel::ScreenTemplate(kQuoteScreenItems);

// The skeleton's settings of a quote screen: plain replies read in place, the finder, 선/옵, and no
// item-code chain (the combo asks for every quote of the screen itself).
vxskel::ScreenConfig QuoteScreenConfig(const WCHAR* moduleName, const WCHAR* title);

struct QuoteScreenSetup {
  const RealConfig& real;
  BookGridLayout book;
  const BookPushLayout& push;
  char bookKind;  // 6100 request: '1' five levels, '2' ten levels
  UINT bookFlashMs;
  UINT headerScreen;       // what a tap on the price column's header opens
  bool headerDoubleSends;  // a double tap there sends (waits for the switch) instead of posting
};

class CQuoteScreenDlg : public vxskel::CVXScreenDlg {
 public:
  static constexpr UINT_PTR kBookFlashTimer = 1;

  CQuoteScreenDlg(const vxskel::ScreenConfig& config, UINT templateId, const QuoteScreenSetup& setup)
      : CVXScreenDlg(config, templateId), m_setup(setup), m_real(*this, setup.real) {}
  ~CQuoteScreenDlg() override;

  void OnQuery() override { QueryAll(); }
  LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
  BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;
  void OnReply(uint16_t code, const unsigned char* body, int len) override;

 protected:
  // The base quote, the order book and what the screen adds (MoreRequests).
  void QueryAll();
  virtual void MoreRequests() {}
  // Writes the plain header (code, length, '4') in front of a body already in `packet` and sends it.
  BOOL SendPlain(uint16_t code, unsigned char* packet, int length);
  // A trade push of the current item: the strip by default.
  virtual void OnTickPush(const unsigned char* record);
  // A base quote with result "00" came: registers the item (when auto-receive is 1).
  virtual void OnBaseQuote(const unsigned char* body, int len);
  // Grids and timers of the screen's own; -1 / false when not handled.
  virtual LRESULT OnOwnGridNotify(int code, V_Grid* grid) {
    (void)code, (void)grid;
    return -1;
  }
  virtual bool OnOwnTimer(UINT_PTR id) {
    (void)id;
    return false;
  }
  // Creates the order book at the given place.
  bool CreateBook(int x, int y, int width, int height);
  void MergeBookPush(const unsigned char* body, int len);

  const QuoteScreenSetup& m_setup;
  RealTime m_real;
  OrderBookGrid m_book;

 private:
  LRESULT OnGridNotify(int code, V_Grid* grid);
  void AfterPacket(const unsigned char* packet);
};

}  // namespace vxrt
