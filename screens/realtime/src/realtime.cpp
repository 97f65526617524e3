#include "vxrealtime/realtime.h"

#include <algorithm>
#include <cstring>

#include "vxbase/base_strip.h"
#include "vxbase/tr_header.h"
#include "vxrealtime/order_book.h"

namespace vxrt {

namespace {

const uint16_t kHomeBoardTypes[] = {kPushTick, kPushBook5};
const uint16_t kTenLevelTypes[] = {kPushTick, kPushBook10};
const uint16_t kInterestTypes[] = {kPushTick};
const char* const kStockIndexCodes[] = {"00001", "02001"};

// A signed NET_VALUE2 of 4 bytes.
int64_t Net2(const unsigned char* p) {
  auto g = [](const unsigned char* q) { return static_cast<int64_t>(static_cast<int16_t>((q[0] << 8) | q[1])); };
  return g(p) * 10000 + g(p + 2);
}

}  // namespace

const RealConfig kHomeBoardReal = {kHomeBoardTypes, 2, kPushIndex, kStockIndexCodes, 2, kStockCode};
const RealConfig kTenLevelReal = {kTenLevelTypes, 2, kPushIndex, kStockIndexCodes, 2, kStockCode};
const RealConfig kInterestReal = {kInterestTypes, 1, kPushIndex, kStockIndexCodes, 2, kStockCode};

int MakeRealRequest(unsigned char* out, int outSize, char kind, uint16_t type, const char* const* codes, int count) {
  if (!out || count < 0 || count > 255 || (count > 0 && !codes)) return -1;
  int length = kRealHeader + kCodeSlot * count;
  if (length > outSize) return -1;
  std::memset(out, 0, static_cast<size_t>(length));
  TrPutU32(out, static_cast<uint32_t>(length));
  TrPutU16(out + 4, TR_REAL_REQ);
  out[6] = '4';
  out[15] = static_cast<unsigned char>(kind);
  out[16] = 1;
  TrPutU16(out + 17, type);
  out[19] = static_cast<unsigned char>(count);
  for (int k = 0; k < count; ++k) {
    const char* code = codes[k] ? codes[k] : "";
    size_t n = strnlen(code, kCodeSlot);
    std::memcpy(out + kRealHeader + kCodeSlot * k, code, n);
  }
  return length;
}

int PushRecordCount(const unsigned char* body, int len, int recordSize) {
  if (!body || len < 1) return 0;
  return vxskel::RecordsHeld(body[0], len, 1, recordSize);
}

int64_t PrevCloseFromBase(const unsigned char* base, int len) {
  if (!base || len < 27) return 0;
  int64_t price = Net2(base + 12);
  int64_t change = Net2(base + 23);
  switch (base[22]) {
    case '1':
    case '2': return price - change;
    case '3':
    case '4':
    case '5': return price + change;
    default: return 0;
  }
}

BOOL RealTime::SendRealRequest(char kind, const char* code, uint16_t type) {
  unsigned char packet[kRealHeader + kCodeSlot * 8];
  int n = type == m_config.indexType
              ? MakeRealRequest(packet, sizeof packet, kind, type, m_config.indexCodes, m_config.indexCodeCount)
              : MakeRealRequest(packet, sizeof packet, kind, type, &code, 1);
  if (n < 0) return FALSE;
  return m_dlg.SendPacket(packet, n);
}

void RealTime::Start() {
  if (Enabled()) SendRealRequest(kRegister, "", m_config.indexType);
}

bool RealTime::RegisterItem(const char* code) {
  if (!Enabled() || !code) return false;
  char wanted[kCodeSlot + 1] = {};
  std::memcpy(wanted, code, strnlen(code, static_cast<size_t>(std::min(m_config.codeLength, kCodeSlot))));
  if (std::strcmp(wanted, m_code) == 0) return false;
  // The new item first, so that no push is missed while the old one is released.
  for (int i = 0; i < m_config.itemTypeCount; ++i) SendRealRequest(kRegister, wanted, m_config.itemTypes[i]);
  if (m_code[0])
    for (int i = 0; i < m_config.itemTypeCount; ++i) SendRealRequest(kRelease, m_code, m_config.itemTypes[i]);
  std::memcpy(m_code, wanted, sizeof m_code);
  return true;
}

bool RealTime::RegisterStockItem(const unsigned char* base, int len) {
  if (!Enabled() || !base || len < static_cast<int>(sizeof(BASE_DATA_4101))) return false;
  const char* field = m_dlg.GetItemCodeField();
  char wanted[kCodeSlot + 1] = {};
  std::memcpy(wanted, field, strnlen(field, kStockCode));
  if (std::strcmp(wanted, m_code) == 0) return false;
  std::memcpy(m_name, base, sizeof m_name);
  m_prevClose = PrevCloseFromBase(base, len);
  return RegisterItem(wanted);
}

void RealTime::ReleaseAll() {
  if (!Enabled()) return;
  for (int i = 0; i < m_config.itemTypeCount; ++i) SendRealRequest(kRelease, m_code, m_config.itemTypes[i]);
  SendRealRequest(kRelease, "", m_config.indexType);
}

void RealTime::RegisterListReal(char kind, V_Grid* grid) {
  if (!Enabled() || !grid) return;
  int row = 0;
  auto next = [&]() -> const char* {
    while (V_Grid_Cell* cell = grid->get_row_cell(row)) {
      ++row;
      // A key is the item code of the row, exactly kStockCode characters.
      if (cell->get_res_text_len() == kStockCode && strnlen(cell->get_res_text(), kStockCode) == kStockCode)
        return cell->get_res_text();
    }
    return nullptr;
  };
  unsigned char packet[kListRequestBuffer];
  SendListRequests(packet, kind, kPushTick, next, [&](const unsigned char* p, int n) { m_dlg.SendPacket(p, n); });
  m_listRegistered = kind == kRegister;
}

bool RealTime::IsCurrentItem(const unsigned char* code) const {
  const char* field = m_dlg.GetItemCodeField();
  int n = std::min(m_config.codeLength, 6);
  for (int i = 0; i < n; ++i) {
    if (static_cast<unsigned char>(field[i]) != code[i]) return false;
    if (!field[i]) break;
  }
  return true;
}

const unsigned char* SuccessfulBaseQuote(const unsigned char* packet, int* len) {
  if (!packet) return nullptr;
  uint32_t total = TrGetU32(packet);
  if (TrGetU16(packet + 4) != TR_STOCK_BASE || packet[11] != '0' || packet[12] != '0' ||
      total < TR_HEADER_SIZE + sizeof(BASE_DATA_4101) || total > TR_MAX_PACKET)
    return nullptr;
  if (len) *len = static_cast<int>(total) - TR_HEADER_SIZE;
  return packet + TR_HEADER_SIZE;
}

void TickToStrip(CVXDlg& dlg, const char* itemName12, const unsigned char* tick) {
  BASE_DATA_4101 rec{};
  if (itemName12) std::memcpy(rec.item_name, itemName12, sizeof rec.item_name);
  std::memcpy(rec.price, tick + 6, 4);
  std::memcpy(rec.volume, tick + 10, 6);
  rec.sign = static_cast<char>(tick[29]);
  std::memcpy(rec.change, tick + 30, 4);
  dlg._print_stock_upper_base(&rec);
  dlg.InvalidateRect(&dlg.GetUpperStripRect(), TRUE);
}

void IndexToStrip(CVXDlg& dlg, const unsigned char* body, int len) {
  int n = PushRecordCount(body, len, kIndexRecord);
  for (int k = 0; k < n; ++k) {
    const unsigned char* r = body + 1 + kIndexRecord * k;
    BASE_DATA_4101 rec{};
    if (std::memcmp(r, "00001", 5) == 0) {
      std::memcpy(rec.kospi, r + 5, 4);
      std::memcpy(rec.kospi_change, r + 10, 4);
      rec.kospi_sign = static_cast<char>(r[9]);
      dlg._print_stock_ksp_base(&rec);
    } else if (std::memcmp(r, "02001", 5) == 0) {
      std::memcpy(rec.kosdaq, r + 5, 4);
      std::memcpy(rec.kosdaq_change, r + 10, 4);
      rec.kosdaq_sign = static_cast<char>(r[9]);
      dlg._print_stock_ksq_base(&rec);
    }
  }
  dlg.InvalidateRect(&dlg.GetBottomStripRect(), TRUE);
}

}  // namespace vxrt
