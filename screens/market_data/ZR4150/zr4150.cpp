// ZR4150: time and sales of one stock item, nine trades a page, newest first (transaction 4140),
// under the base-quote strip. "다음 >" asks for the next page with the key the server gave with
// the last one, "처음" goes back to the first page; a new item starts again at page 1.
#include <cstdio>
#include <cstring>
#include <iterator>

#include "glimmet/net_value.h"
#include "vxskeleton/list_screen.h"
#include "vxskeleton/screen_skeleton.h"
#include "vxskeleton/screen_template.h"
#include "vxskeleton/tr_layouts.h"

namespace {

constexpr uint16_t kTrTicks = 4140;
constexpr int kBtnNext = 9701;   // "다음 >"
constexpr int kBtnFirst = 9822;  // "처음"
constexpr int kRowsPerPage = 9;
constexpr int kColumns = 7;
constexpr int kKeyBytes = 4;
constexpr int kLastPage = 255;  // the page travels in one byte
constexpr DWORD kButtonStyle = WS_VISIBLE | WS_TABSTOP | BS_OWNERDRAW;

const uint16_t kReplies[] = {kTrTicks};
const vxskel::ScreenConfig kConfig = vxskel::ListScreenConfig(u"ZR4150.dll", nullptr, kReplies, std::size(kReplies));

// The grid (1,69 - 238 x 185, made at start) and the two paging buttons below it.
constexpr plat::DialogItemTemplate kOwn[] = {
    {u"BUTTON", kBtnFirst, u"처음", kButtonStyle, 0, 142, 256, 46, 20},
    {u"BUTTON", kBtnNext, u"다음 >", kButtonStyle, 0, 192, 256, 46, 20},
};
constexpr auto kItems = vxskel::ScreenItems(kOwn);
constexpr plat::DialogTemplate kScreen = vxskel::ScreenTemplate(kItems);
PLAT_RESOURCE(plat::res::Dialog, 129, &kScreen, sizeof kScreen);

const WCHAR* const kTitles[kColumns] = {u"시 간", u"체결가", u"", u"전일비", u"체결량", u"거래량", u""};
const int kWidths[kColumns] = {61, 60, 15, 50, 50, 60, 1};
const vxskel::GridSetup kGrid = {4150, 17, kTitles, kColumns, kWidths, 17, kRowsPerPage, true, true, {1, 69, 238, 185}};

class CZR4150Dlg : public vxskel::CListScreenDlg {
 public:
  CZR4150Dlg() : CListScreenDlg(kConfig, kGrid) {}

  void OnInitScreen() override {
    CListScreenDlg::OnInitScreen();
    vxskel::EnableControl(this, kBtnNext, false);
    vxskel::EnableControl(this, kBtnFirst, false);
  }

  BOOL OnCommand(WPARAM wParam, LPARAM lParam) override {
    int id = LOWORD(wParam);
    if (HIWORD(wParam) == BN_CLICKED && lParam) {
      if (id == vxskel::kBtnQuery) {
        GetItemCodeFromComboBox();
        KeepItem();
        m_paging.page = 1;
        StartWait();
        SendPage();
        RequestStockBase();
        return TRUE;
      }
      if (id == kBtnNext) {
        if (!m_paging.CanGoNext()) return TRUE;
        ++m_paging.page;
        StartWait();
        SendPage();
        vxskel::EnableControl(this, kBtnFirst, true);
        return TRUE;
      }
      if (id == kBtnFirst) {
        if (m_paging.page < 2) return TRUE;
        m_paging.page = 1;
        StartWait();
        SendPage();
        return TRUE;
      }
    }
    return CListScreenDlg::OnCommand(wParam, lParam);
  }

  // Whatever a packet brought (the screen's list, a base quote, the server's message), the item
  // code has the focus afterwards.
  LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override {
    LRESULT result = CListScreenDlg::WindowProc(message, wParam, lParam);
    if (message == WM_VX_PACKET && result) FocusItemCombo();
    return result;
  }

  void OnReply(uint16_t code, const unsigned char* body, int len) override {
    if (code == kTrTicks) FillPage(body, len);
  }

 private:
  void OnNewItem(bool) override {
    Restart();
    StartWait();
    RequestStockBase();
    SendPage();
  }

  // Another item than the one paged starts again at page 1 with a blank key.
  void KeepItem() override {
    if (!m_paging.SameItem(GetItemCodeField())) Restart();
  }
  void Restart() {
    m_paging.Restart(GetItemCodeField());
    std::memset(m_lastKey, 0, sizeof m_lastKey);
  }

  void SendPage() override {
    namespace q = vxtr::quote;
    unsigned char packet[TR_HEADER_SIZE + q::kTicksRequestSize];
    vxwire::Writer body(packet + TR_HEADER_SIZE, q::kTicksRequestSize);
    body.Text(q::kCode, GetItemCodeField())
        .Byte(q::kRows, kRowsPerPage)
        .Byte(q::kPage, static_cast<uint8_t>(m_paging.page))
        .Char(q::kDirection, m_paging.page == 1 ? 'F' : 'N')
        .Raw(q::kKey, m_lastKey);
    if (body.Ok()) SendPlainRequest(kTrTicks, packet, sizeof packet);
  }

  void FillPage(const unsigned char* body, int len) {
    namespace q = vxtr::quote;
    vxwire::Reader reply(body, len);
    if (!reply.Has(q::kTickCount)) return ReportShortReply(kTrTicks);
    // A page the screen cannot number is not taken: its key is not kept and nothing follows it.
    int more = reply.Byte(q::kTicksMore);
    bool taken = m_paging.Take(reply.Byte(q::kTicksPage), reply.At(q::kTicksNextKey), more);
    if (taken) std::memcpy(m_lastKey, reply.At(q::kTicksNextKey), kKeyBytes);
    if (!taken || more == 0 || more == 1) vxskel::EnableControl(this, kBtnNext, m_paging.CanGoNext());
    vxskel::EnableControl(this, kBtnFirst, m_paging.page > 1);

    int n = vxskel::RecordsHeld(reply.Byte(q::kTickCount), len, q::kTicksAt, q::kTickSize);
    if (!ResetRows(n)) return;
    for (int i = 0; i < n; ++i) FillRow(i, reply.Record(q::kTicksAt, q::kTickSize, i));
    m_grid->redraw();
  }

  void FillRow(int row, const vxwire::Reader& rec) {
    namespace q = vxtr::quote;
    vxskel::SetTimeCell(m_grid->get_cell(0, row), rec.At(q::kTickTime), LabelFont(), 0);
    char text[NET_VALUE_STR_SIZE] = {};
    char sign = rec.Char(q::kTickSign);
    vxskel::SetPriceCells(m_grid.get(), row, 1, rec.At(q::kTickPrice), sign, rec.At(q::kTickChange), GetRGBColor(sign));
    get_net_value_str(NV_INT3, rec.At(q::kTickVolume), text, 1, sizeof text);
    if (V_Grid_Cell* c = m_grid->get_cell(4, row)) c->set_text(text, -1);
    get_net_value_str(NV_INT3, rec.At(q::kTickAccumulated), text, 1, sizeof text);
    if (V_Grid_Cell* c = m_grid->get_cell(5, row)) c->set_text(text, -1);
  }

  vxskel::PageKeys<kKeyBytes, kLastPage> m_paging;
  unsigned char m_lastKey[kKeyBytes] = {};  // sent with every request; zero before the first reply
};

}  // namespace

VX_SCREEN_EXPORTS(CZR4150Dlg)
