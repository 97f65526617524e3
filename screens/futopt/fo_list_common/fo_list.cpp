#include "fo_list.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>

#include "glimmet/net_value.h"
#include "vxbase/tr_header.h"
#include "vxskeleton/tr_layouts.h"
#include "vxskeleton/wire.h"

namespace vxfolist {

namespace {

namespace t = vxtr::futopt_ticks;
namespace d = vxtr::futopt_days;
constexpr int kCentred = 0;
const unsigned char kBlankKey[kKeyBytes] = {' ', ' ', ' ', ' '};

// The fields that differ between the two lists.
struct ListFields {
  const vxwire::Field& key;      // of the request
  const vxwire::Field& nextKey;  // of the reply
  const vxwire::Field& count;
  int requestSize, rowsAt, rowSize;
};
const ListFields kTickFields{t::kKey, t::kNextKey, t::kCount, t::kRequestSize, t::kRowsAt, t::kRowSize};
const ListFields kDayFields{d::kKey, d::kNextKey, d::kCount, d::kRequestSize, d::kRowsAt, d::kRowSize};

}  // namespace

const WCHAR* const kTickTitles[kTickColumns] = {u"시 간", u"체결가", u"", u"전일비", u"체결량", u"거래량", u""};
const int kTickWidths[kTickColumns] = {60, 55, 20, 50, 50, 80, 1};
const WCHAR* const kDayTitles[kDayColumns] = {u"일 자", u"종 가", u"",       u"대 비",      u"등략율", u"시 가",
                                              u"고 가", u"저 가", u"거래량", u"미결제약정", u""};
const int kDayWidths[kDayColumns] = {60, 55, 20, 50, 55, 50, 50, 50, 70, 70, 1};

vxskel::ScreenConfig ListConfig(const FoListScreen& screen, const WCHAR* moduleName, const WCHAR* title,
                                vxskel::FoForm form) {
  vxskel::ScreenConfig c = vxskel::FutOptScreenConfig(moduleName, title, form);
  c.replyCodes = &screen.code;
  c.replyCodeCount = 1;
  return c;
}

void CFoListDlg::OnInitScreen() {
  CFutOptScreenDlg::OnInitScreen();
  Restart();
}

void CFoListDlg::Restart() {
  m_paging.Restart(m_item);
  m_direction = 'F';
  vxskel::EnableControl(this, kBtnNext, false);
  vxskel::EnableControl(this, PrevButton(), false);
}

void CFoListDlg::RequestScreen() {
  char item[sizeof m_item] = {};
  const std::string code = Item().code.ToMultiByte();
  std::memcpy(item, code.data(), std::min(code.size(), sizeof item));
  // The keys of one item mean nothing for another.
  if (!m_paging.SameItem(item)) {
    std::memcpy(m_item, item, sizeof m_item);
    Restart();
  }
  SendPage(m_paging.page, m_direction);
}

void CFoListDlg::SendPage(int page, char direction) {
  // Without an item there is nothing to ask for: the screen shows "종목을 선택하세요".
  if (Item().code.IsEmpty()) return;
  const unsigned char* key = page == 1 ? kBlankKey : m_paging.Key(page - 1);
  if (!key) return;
  const ListFields& f = m_screen.list == FoList::Ticks ? kTickFields : kDayFields;
  std::string code = Item().code.ToMultiByte();
  if (code.size() > t::kCode.width) code.resize(t::kCode.width);
  unsigned char packet[TR_HEADER_SIZE + t::kRequestSize];
  vxwire::Writer w(packet + TR_HEADER_SIZE, static_cast<size_t>(f.requestSize));
  w.Text(t::kCode, code)
      .Byte(t::kRows, kRowsPerPage)
      .Byte(t::kPage, static_cast<uint8_t>(page))
      .Char(t::kDirection, direction)
      .Raw(f.key, key);
  if (!w.Ok()) return;
  m_asked = page;
  m_askedDirection = direction;
  SendPacket(packet, vxskel::MakeHeaderPacket(packet, m_screen.code, f.requestSize));
}

void CFoListDlg::OnQueryButton() {
  if (m_screen.queryRestarts) Restart();
  // Time and sales asks for its page before the strip, the daily history after it.
  if (m_screen.list == FoList::Ticks)
    OnQuery();
  else
    CFutOptScreenDlg::OnQueryButton();
}

BOOL CFoListDlg::OnCommand(WPARAM wParam, LPARAM lParam) {
  if (HIWORD(wParam) == BN_CLICKED) {
    const int id = static_cast<int>(LOWORD(wParam));
    if (id == kBtnNext) {
      if (!m_paging.CanGoNext()) return TRUE;
      StartWaitCursor();
      SendPage(m_paging.page + 1, 'N');
      vxskel::EnableControl(this, PrevButton(), true);
      return TRUE;
    }
    if (id == PrevButton()) {
      if (m_paging.page < 2) return TRUE;
      StartWaitCursor();
      // Time and sales goes back to its first page, the daily history to the page before.
      if (m_screen.list == FoList::Ticks)
        SendPage(1, 'F');
      else
        SendPage(m_paging.page - 1, 'P');
      return TRUE;
    }
  }
  return CFutOptScreenDlg::OnCommand(wParam, lParam);
}

LRESULT CFoListDlg::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_VX_PACKET && wParam) {
    const auto* packet = reinterpret_cast<const unsigned char*>(wParam);
    const uint32_t total = TrGetU32(packet);
    const bool error = packet[11] != '0' || packet[12] != '0';
    if (m_screen.errorWait != ErrorWait::AfterBox && TrGetU16(packet + 4) == m_screen.code && error &&
        total >= TR_HEADER_SIZE && total <= TR_MAX_PACKET) {
      if (m_screen.errorWait == ErrorWait::BeforeBox) {
        KillTimer(vxskel::kReplyTimer);
        EndWaitCursor();
      }
      Show_ServerMessage(reinterpret_cast<const char*>(packet), static_cast<int>(total));
      return 1;
    }
  }
  return CFutOptScreenDlg::WindowProc(message, wParam, lParam);
}

void CFoListDlg::OnFutOptReply(uint16_t code, const unsigned char* body, int len) {
  if (code != m_screen.code) return;
  const ListFields& f = m_screen.list == FoList::Ticks ? kTickFields : kDayFields;
  vxwire::Reader reply(body, len);
  if (!reply.Has(f.count)) return ReportShortReply(code);
  // The key of the next page goes into the slot of this page; a page without a slot is not
  // taken, and "다음 >" stops there.
  const int page = m_screen.pageFromReply ? reply.Byte(t::kReplyPage) : m_asked;
  unsigned char key[kKeyBytes] = {' ', ' ', ' ', ' '};
  std::memcpy(key, reply.At(f.nextKey), f.nextKey.width);
  if (m_paging.Take(page, key, reply.Byte(t::kMore))) m_direction = m_askedDirection;
  vxskel::EnableControl(this, kBtnNext, m_paging.CanGoNext());
  vxskel::EnableControl(this, PrevButton(), m_paging.page > 1);

  const int count = reply.Byte(f.count);
  const int rows = vxskel::RecordsHeld(count, len, f.rowsAt, f.rowSize);
  if (m_screen.list == FoList::Ticks)
    FillTicks(reply, rows);
  else
    FillDays(reply, rows);
  // Rows the count names but the body does not hold are not shown; the user is told.
  if (count > rows) ReportShortReply(code);
}

void CFoListDlg::FillTicks(const vxwire::Reader& reply, int rows) {
  V_Grid* grid = Grid(0);
  if (!vxskel::ResetRows(grid, rows)) return;
  for (int i = 0; i < rows; ++i) {
    const vxwire::Reader rec = reply.Record(t::kRowsAt, t::kRowSize, i);
    vxskel::SetTimeCell(grid->get_cell(0, i), rec.At(t::kTime), GridFont(), kCentred);
    const char sign = rec.Char(t::kSign);
    vxskel::SetPriceCells(grid, i, 1, rec.At(t::kPrice), sign, rec.At(t::kChange), GetRGBColor(sign), NV_FLOAT2);
    vxskel::SetNumberCell(grid, 4, i, NV_INT3, rec.At(t::kVolume), 1, 0);
    vxskel::SetNumberCell(grid, 5, i, NV_INT3, rec.At(t::kAccumulated), 1, 0);
  }
  grid->redraw();
}

void CFoListDlg::FillDays(const vxwire::Reader& reply, int rows) {
  V_Grid* grid = Grid(0);
  if (!vxskel::ResetRows(grid, rows)) return;
  for (int i = 0; i < rows; ++i) {
    const vxwire::Reader rec = reply.Record(d::kRowsAt, d::kRowSize, i);
    const unsigned char* date = rec.At(d::kDate);
    char text[NET_VALUE_STR_SIZE] = {};
    std::snprintf(text, sizeof text, "%02d-%02d-%02d", date[0], date[1], date[2]);
    vxskel::SetLabelCell(grid->get_cell(0, i), text, GridFont());
    const char sign = rec.Char(d::kSign);
    const COLORREF fg = GetRGBColor(sign);
    vxskel::SetPriceCells(grid, i, 1, rec.At(d::kClose), sign, rec.At(d::kChange), fg, NV_FLOAT2);
    if (V_Grid_Cell* close = grid->get_cell(1, i)) close->set_str_flag(kCentred);
    vxskel::RateText(rec.Short(d::kRateWhole), rec.Short(d::kRateHundredths), text, sizeof text);
    vxskel::SetCell(grid, 4, i, text, fg);
    vxskel::SetNumberCell(grid, 5, i, NV_FLOAT2, rec.At(d::kOpen), 0, 0);
    vxskel::SetNumberCell(grid, 6, i, NV_FLOAT2, rec.At(d::kHigh), 0, 0);
    vxskel::SetNumberCell(grid, 7, i, NV_FLOAT2, rec.At(d::kLow), 0, 0);
    vxskel::SetNumberCell(grid, 8, i, NV_INT3, rec.At(d::kVolume), 0, 0);
    vxskel::SetNumberCell(grid, 9, i, NV_INT2, rec.At(d::kOpenInterest), 0, 0);
  }
  grid->redraw();
}

}  // namespace vxfolist
