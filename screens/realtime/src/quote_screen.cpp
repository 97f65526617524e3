#include "vxrealtime/quote_screen.h"

#include <cstring>
#include <iterator>

#include "vxbase/money.h"
#include "vxskeleton/tr_layouts.h"

namespace vxrt {

namespace {
const vxskel::GoToButton kGoTo[] = {{IDC_BTN_FUTOPT, VX_SCREEN_FUTOPT_HOME, false}};
const UINT kFinders[] = {IDC_BTN_FINDER};
}  // namespace

vxskel::ScreenConfig QuoteScreenConfig(const WCHAR* moduleName, const WCHAR* title) {
  vxskel::ScreenConfig c;
  c.moduleName = moduleName;
  c.title = title;
  c.chain = vxskel::ItemChain::None;
  c.goTo = kGoTo;
  c.goToCount = std::size(kGoTo);
  c.finderButtons = kFinders;
  c.finderCount = std::size(kFinders);
  c.plainReplies = true;
  return c;
}

CQuoteScreenDlg::~CQuoteScreenDlg() {
  m_real.ReleaseAll();
  m_book.Destroy();
}

void CQuoteScreenDlg::QueryAll() {
  GetItemCodeFromComboBox();
  StartWaitCursor();
  RequestStockBase();
  unsigned char packet[TR_HEADER_SIZE + vxtr::quote::kBookRequestSize];
  vxwire::Writer body(packet + TR_HEADER_SIZE, vxtr::quote::kBookRequestSize);
  body.Text(vxtr::quote::kCode, GetItemCodeField()).Char(vxtr::quote::kLevels, m_setup.bookKind);
  if (body.Ok()) SendPlain(kTrOrderBook, packet, sizeof packet);
  MoreRequests();
}

BOOL CQuoteScreenDlg::SendPlain(uint16_t code, unsigned char* packet, int length) {
  std::memset(packet, 0, TR_HEADER_SIZE);
  TrPutU32(packet, static_cast<uint32_t>(length));
  TrPutU16(packet + 4, code);
  packet[6] = '4';
  return SendPacket(packet, length);
}

bool CQuoteScreenDlg::CreateBook(int x, int y, int width, int height) {
  return m_book.Create(*this, m_setup.book, static_cast<HFONT>(m_fontNormal.GetSafeHandle()), x, y, width, height);
}

LRESULT CQuoteScreenDlg::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_VGRID_NOTIFY) return OnGridNotify(static_cast<int>(wParam), reinterpret_cast<V_Grid*>(lParam));
  if (message == WM_TIMER && wParam == kBookFlashTimer) {
    KillTimer(kBookFlashTimer);
    m_book.RestoreFlash();
    if (m_book.Grid()) m_book.Grid()->redraw();
    return 0;
  }
  if (message == WM_TIMER && OnOwnTimer(static_cast<UINT_PTR>(wParam))) return 0;
  LRESULT result = CVXScreenDlg::WindowProc(message, wParam, lParam);
  if (message == WM_VX_PACKET && wParam) AfterPacket(reinterpret_cast<const unsigned char*>(wParam));
  return result;
}

BOOL CQuoteScreenDlg::OnCommand(WPARAM wParam, LPARAM lParam) {
  UINT id = LOWORD(wParam);
  UINT code = HIWORD(wParam);
  if (id == IDC_ITEM_COMBO) {
    if (code == CBN_EDITCHANGE) {
      if (EditItemCode(IDC_ITEM_COMBO)) {
        SetItemCodeToComboBox();
        QueryAll();
      }
      return TRUE;
    }
    if (code == CBN_SELCHANGE) {
      CString text;
      if (GetComboSelText(IDC_ITEM_COMBO, text)) {
        SetItemCodeToComboBox();
        QueryAll();
      }
      return TRUE;
    }
    if (code == CBN_SETFOCUS) {
      SetInputControl(IDC_ITEM_COMBO);
      return TRUE;
    }
  }
  if (id == IDC_QUICK_MOVE && code == CBN_SELCHANGE) {
    if (auto* quick = static_cast<CComboBox*>(GetDlgItem(IDC_QUICK_MOVE)))
      ComboMenuQuick(GetWndOwner(), quick->GetCurSel() + 1);
    return TRUE;
  }
  if (code == BN_CLICKED && id == IDC_BTN_QUERY) {
    QueryAll();
    return TRUE;
  }
  if (code == BN_CLICKED && id == IDC_BTN_FINDER) {
    OnBtnScoutlet();
    return TRUE;
  }
  return CVXScreenDlg::OnCommand(wParam, lParam);
}

void CQuoteScreenDlg::OnReply(uint16_t code, const unsigned char* body, int len) {
  if (code == kTrOrderBook) {
    if (len < BookSnapshotSize(m_setup.book.levels))
      ReportShortReply(code);
    else
      m_book.FillSnapshot(body, len);
  } else if (code == m_setup.push.pushType) {
    MergeBookPush(body, len);
  } else if (code == kPushTick) {
    if (PushRecordCount(body, len, kTickRecord) >= 1 && m_real.IsCurrentItem(body + 1)) OnTickPush(body + 1);
  } else if (code == kPushIndex) {
    IndexToStrip(*this, body, len);
  }
}

void CQuoteScreenDlg::OnTickPush(const unsigned char* record) { TickToStrip(*this, m_real.ItemName(), record); }

void CQuoteScreenDlg::MergeBookPush(const unsigned char* body, int len) {
  if (PushRecordCount(body, len, m_setup.push.recordSize) < 1 || !m_real.IsCurrentItem(body + 1)) return;
  if (!m_book.MergePush(m_setup.push, body + 1, m_real.PrevClose())) return;
  m_book.Grid()->redraw();
  SetTimer(kBookFlashTimer, m_setup.bookFlashMs, nullptr);
}

void CQuoteScreenDlg::OnBaseQuote(const unsigned char* body, int len) { m_real.RegisterStockItem(body, len); }

void CQuoteScreenDlg::AfterPacket(const unsigned char* packet) {
  int len = 0;
  if (const unsigned char* base = SuccessfulBaseQuote(packet, &len)) OnBaseQuote(base, len);
  if (!m_real.Enabled()) FocusItemCombo();
}

LRESULT CQuoteScreenDlg::OnGridNotify(int code, V_Grid* grid) {
  if (!grid || grid != m_book.Grid()) return OnOwnGridNotify(code, grid);
  if (code != VGRID_NOTIFY_DOWN && code != VGRID_NOTIFY_DBLCLK) return -1;
  int column = -1, row = -1;
  grid->get_select_info(&column, &row);
  if (row == -1 && column == 2) {
    if (code == VGRID_NOTIFY_DBLCLK && m_setup.headerDoubleSends)
      ::SendMessage(GetWndOwner(), WM_VX_OPEN_SCREEN, m_setup.headerScreen, 0);
    else
      ::PostMessage(GetWndOwner(), WM_VX_OPEN_SCREEN, m_setup.headerScreen, 0);
    return 0;
  }
  if (code != VGRID_NOTIFY_DBLCLK) return 0;
  CString price;
  if (m_book.PriceForTap(column, row, price)) OrderBookGrid::HandPriceToOrder(GetWndOwner(), price, column);
  return 0;
}

}  // namespace vxrt
