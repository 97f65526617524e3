// Real-time pushes of the quote screens: the registration request 9000 that asks the server for a
// push type and a list of item codes, the registration state of one screen (what is registered,
// registered again for a new item before the old one is released, released when the screen
// ends), the push records' counts, and the base-quote strip kept live by trade and index pushes.
//
// Nothing is registered or released unless the auto-receive value that the host handed to the
// screen is exactly 1. The push types and index codes are the screen's: the stock screens register
// 9110 with 9120 or 9121 and the index type 9210 for "00001" and "02001"; the futures/options books
// their own types with 8-character codes and "01001".
//
// A screen:
//   vxrt::RealTime m_real{*this, vxrt::kHomeBoardReal};
//   OnInitScreen: m_real.Start();          (the index type; goes out after the host's query)
//   4101 reply:   m_real.RegisterStockItem(body, len);
//   destructor:   m_real.ReleaseAll();
//
// A list of items (the interest list) registers the trade type for all its rows at once with
// RegisterListReal, in requests of at most kListCodesPerRequest codes.
#pragma once

#include <cstddef>
#include <cstdint>

#include "vxskeleton/screen_skeleton.h"

class V_Grid;

namespace vxrt {

constexpr uint16_t kPushTick = 9110;    // trade tick
constexpr uint16_t kPushBook5 = 9120;   // five-level order book
constexpr uint16_t kPushBook10 = 9121;  // ten-level order book
constexpr uint16_t kPushIndex = 9210;   // market index
constexpr char kRegister = '1';
constexpr char kRelease = '2';

constexpr int kRealHeader = 20;     // header, kind, 1, type, count
constexpr int kCodeSlot = 8;        // one item code, NUL-padded
constexpr int kTickRecord = 61;     // REAL_DATA_9110
constexpr int kBook5Record = 130;   // REAL_DATA_9120
constexpr int kBook10Record = 218;  // REAL_DATA_9121
constexpr int kIndexRecord = 23;    // REAL_DATA_9210
constexpr int kStockCode = 6;       // '0' and the 5-digit code users see
// A list request is built in a 1,024-byte buffer: the head and 125 code slots.
constexpr int kListRequestBuffer = 1024;
constexpr int kListCodesPerRequest = (kListRequestBuffer - kRealHeader) / kCodeSlot;

// Builds REAL_REQ_9000 for `count` codes (each at most 8 characters, up to its NUL) into `out`
// (`outSize` bytes, zeroed first). The length 20 + 8 x count, or -1 when it does not fit, the
// count is above 255 or an argument is missing.
int MakeRealRequest(unsigned char* out, int outSize, char kind, uint16_t type, const char* const* codes, int count);

// The requests of `kind` for `type` and every code that `next()` gives (a const char*, null at
// the end), in order, at most kListCodesPerRequest codes a request; each built in `buffer` (at
// least kListRequestBuffer bytes) and handed to `deliver(packet, length)`. A list without codes
// gives one request without slots. The number of requests.
template <typename NextCode, typename Deliver>
int SendListRequests(unsigned char* buffer, char kind, uint16_t type, NextCode next, Deliver deliver) {
  const char* slots[kListCodesPerRequest];
  int held = 0, sent = 0;
  auto flush = [&] {
    int n = MakeRealRequest(buffer, kListRequestBuffer, kind, type, slots, held);
    if (n > 0) deliver(buffer, n);
    held = 0;
    ++sent;
  };
  while (const char* code = next()) {
    slots[held++] = code;
    if (held == kListCodesPerRequest) flush();
  }
  if (held > 0 || sent == 0) flush();
  return sent;
}

// The records a push body holds: the count byte limited to the whole records after it.
int PushRecordCount(const unsigned char* body, int len, int recordSize);

// The previous close of a BASE_DATA_4101 record: the price less the change when the item is up
// ('1', '2'), plus the change when unchanged or down ('3', '4', '5'); 0 for another sign or a
// record shorter than 27 bytes.
int64_t PrevCloseFromBase(const unsigned char* base, int len);

// Which push types a screen registers.
struct RealConfig {
  const uint16_t* itemTypes;  // in the order they are registered and released
  int itemTypeCount;
  uint16_t indexType;
  const char* const* indexCodes;  // the index request's slots, whatever item is current
  int indexCodeCount;
  int codeLength;  // characters of an item code (6 stock, 8 futures/options)
};

extern const RealConfig kHomeBoardReal;  // 9110, 9120; 9210 for KOSPI and KOSDAQ
extern const RealConfig kTenLevelReal;   // 9110, 9121; 9210 for KOSPI and KOSDAQ
extern const RealConfig kInterestReal;   // 9110; 9210 for KOSPI and KOSDAQ

class RealTime {
 public:
  RealTime(vxskel::CVXScreenDlg& dlg, const RealConfig& config) : m_dlg(dlg), m_config(config) {}

  // Auto-receive is exactly 1.
  bool Enabled() const { return m_dlg.m_bAutoReceive == 1; }
  // One request: `type` for `code`, or for the index codes when `type` is the index type. Sent
  // on the plug-in's socket like every request ("Socket Invalid", WM_VX_SEND_FAILED).
  BOOL SendRealRequest(char kind, const char* code, uint16_t type);
  // Screen start: registers the index type.
  void Start();
  // After a successful base quote for `code`: when enabled and `code` is not the registered
  // item, registers the item types for `code`, then releases them for the item registered
  // before, and remembers `code`. True when the item changed.
  bool RegisterItem(const char* code);
  // The stock screens' step after a 4101 reply: as RegisterItem for the request field, keeping
  // the item's name and previous close from the reply when the item changed.
  bool RegisterStockItem(const unsigned char* base, int len);
  // Screen end: releases the item types for the registered item (an empty slot when there is
  // none), then the index type.
  void ReleaseAll();
  // Registers ('1') or releases ('2') the trade type for the rows of a list grid: the hidden
  // key of each row's first cell, when it is a whole item code (a row without one, such as an
  // empty row, adds no slot). Nothing without a grid or when not enabled. Registering marks
  // the list registered, releasing clears the mark.
  void RegisterListReal(char kind, V_Grid* grid);
  bool ListRegistered() const { return m_listRegistered; }

  const char* RegisteredCode() const { return m_code; }
  const char* ItemName() const { return m_name; }  // 12 bytes, not terminated
  int64_t PrevClose() const { return m_prevClose; }
  // True when the first codeLength characters at `code` are the request field's.
  bool IsCurrentItem(const unsigned char* code) const;

 private:
  vxskel::CVXScreenDlg& m_dlg;
  const RealConfig& m_config;
  char m_code[kCodeSlot + 1] = {};
  char m_name[12] = {};
  int64_t m_prevClose = 0;
  bool m_listRegistered = false;
};

// The body and its length when `packet` (a whole packet in a receive slot) is a base quote 4101
// with result "00" that holds a whole BASE_DATA_4101; null otherwise.
const unsigned char* SuccessfulBaseQuote(const unsigned char* packet, int* len);

// ---- Base-quote strip from pushes ----------------------------------------------------------------

// A trade record (9110) into the strip's price line, with the item name kept from the base quote.
void TickToStrip(CVXDlg& dlg, const char* itemName12, const unsigned char* tick);
// Every index record held by a 9210 body into the KOSPI and KOSDAQ lines; other codes are
// skipped. The index line is repainted in every case.
void IndexToStrip(CVXDlg& dlg, const unsigned char* body, int len);

}  // namespace vxrt
