#include "vxrealtime/futopt_book_screen.h"

#include <cstring>
#include <string>

namespace vxrt {

const FutOptBookSetup kFuturesBook = {kFuturesBookReal, 5102, kPushFuturesTrade, kPushFuturesBook, 5102, 100};
const FutOptBookSetup kOptionsBook = {kOptionsBookReal, 5151, kPushOptionTrade, kPushOptionBook, 5102, 100};

namespace {
constexpr int kGridX = 1, kGridY = 66, kGridWidth = 238, kGridHeight = 207;
}  // namespace

CFutOptBookDlg::~CFutOptBookDlg() { m_grid.Destroy(); }

void CFutOptBookDlg::ReleaseAndDeleteGrid() {
  if (!m_released) {
    m_released = true;
    m_real.ReleaseAll();
    if (m_real.Enabled() && m_nearest[0]) m_real.SendRealRequest(kRelease, m_nearest, kPushFuturesTrade);
  }
  m_grid.Destroy();
}

void CFutOptBookDlg::RequestScreen() {
  unsigned char packet[vxskel::kFoCodeRequestSize];
  const int n = vxskel::MakeFutOptCodeRequest(packet, m_book.request, Item().code);
  std::memcpy(m_asked, packet + TR_HEADER_SIZE, kFutOptCode);
  m_asked[kFutOptCode] = '\0';
  SendPacket(packet, n);
}

void CFutOptBookDlg::OnInitScreen() {
  CFutOptScreenDlg::OnInitScreen();
  m_grid.Create(*this, m_book.gridId, GridFont(), kGridX, kGridY, kGridWidth, kGridHeight);
  if (!m_real.Enabled()) return;
  m_real.Start();
  if (ReadNearestFutures(VX_NEAREST_FUTURES_FILE, m_nearest))
    m_real.SendRealRequest(kRegister, m_nearest, kPushFuturesTrade);
}

void CFutOptBookDlg::OnReply(uint16_t code, const unsigned char* body, int len) {
  CFutOptScreenDlg::OnReply(code, body, len);
  if (code == TR_FUTOPT_BASE) FollowItem(body, len);
}

void CFutOptBookDlg::FollowItem(const unsigned char* base, int len) {
  if (!m_real.Enabled() || len < static_cast<int>(sizeof(BASE_DATA_5555)) || Item().code.IsEmpty()) return;
  std::string code;
  for (int i = 0; i < Item().code.GetLength() && code.size() < kFutOptCode; ++i) {
    const WCHAR c = Item().code[i];
    if (c <= 0x20 || c >= 0x7F) return;  // item codes are plain ASCII
    code.push_back(static_cast<char>(c));
  }
  if (code == m_real.RegisteredCode()) return;
  const int64_t reference = FutOptReference(base, len);
  if (m_real.RegisterItem(code.c_str())) m_reference = reference;
}

void CFutOptBookDlg::ItemTradeToStrip(const unsigned char* body, int len) {
  const int n = PushRecordCount(body, len, kFutOptTradeRecord);
  for (int k = 0; k < n; ++k) {
    const unsigned char* r = body + 1 + kFutOptTradeRecord * k;
    if (!SameCode(r, m_real.RegisteredCode())) continue;  // another contract's trade
    FutOptTradeToStrip(*this, r);
    return;
  }
}

void CFutOptBookDlg::OnFutOptReply(uint16_t code, const unsigned char* body, int len) {
  if (code == m_book.request) {
    if (len < kFutOptBookReplySize)
      ReportShortReply(code);
    else
      m_grid.FillSnapshot(body, len);
  } else if (code == kPushIndex) {
    K200ToStrip(*this, body, len);
  } else if (code == m_book.tradePush || code == kPushFuturesTrade) {
    if (code == m_book.tradePush) ItemTradeToStrip(body, len);
    if (code == kPushFuturesTrade && m_nearest[0]) NearestFuturesToStrip(*this, body, len, m_nearest);
  } else if (code == m_book.bookPush) {
    if (len < kFutOptBookPushSize || !SameCode(body + 1, m_asked)) return;
    if (!m_grid.MergePush(body, len, m_reference)) return;
    SetTimer(kFlashTimer, m_book.flashMs, nullptr);  // a second update restarts it
  }
}

LRESULT CFutOptBookDlg::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_DESTROY) ReleaseAndDeleteGrid();  // however the window ends
  if (message == WM_TIMER && wParam == kFlashTimer) {
    KillTimer(kFlashTimer);
    m_grid.RestoreFlash();
    if (m_grid.Grid()) m_grid.Grid()->redraw();
    return 0;
  }
  return CFutOptScreenDlg::WindowProc(message, wParam, lParam);
}

}  // namespace vxrt
