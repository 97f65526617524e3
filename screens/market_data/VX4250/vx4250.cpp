// VX4250: the newest announcements (4640) above the composite indices (4175), under the base-quote
// strip; a double tap on an announcement opens its text (4650) in the article dialog. Requests are
// built by the packet layer and replies opened by it; the wait cursor stays until every reply of a
// query has come.
#include <cstdio>
#include <cstring>
#include <iterator>

#include "glimmet/net_value.h"
#include "news_text.h"
#include "vxbase/money.h"
#include "vxskeleton/list_screen.h"
#include "vxskeleton/screen_skeleton.h"
#include "vxskeleton/screen_template.h"
#include "vxskeleton/tr_layouts.h"

namespace {

namespace t = vxtr::notice;

constexpr uint16_t kTrList = 4640, kTrText = 4650, kTrIndices = 4175;
constexpr int kListId = 1357, kIndicesId = 1358;
constexpr int kMostNotices = 30, kMostIndices = 4;
constexpr int kRowsAsked = 10;
constexpr int kPacketRoom = 128;
constexpr char kFirstKey[] = "99999999999999";

const uint16_t kReplies[] = {kTrList, kTrText, kTrIndices};
const vxskel::GoToButton kGoTo[] = {{IDC_BTN_FUTOPT, 96001, false}};
const UINT kFinders[] = {IDC_BTN_FINDER};

vxskel::ScreenConfig MakeConfig() {
  vxskel::ScreenConfig c;
  c.moduleName = u"VX4250.dll";
  c.chain = vxskel::ItemChain::NoEdit;
  c.goTo = kGoTo;
  c.goToCount = std::size(kGoTo);
  c.finderButtons = kFinders;
  c.finderCount = std::size(kFinders);
  c.replyCodes = kReplies;
  c.replyCodeCount = std::size(kReplies);
  return c;
}
const vxskel::ScreenConfig kConfig = MakeConfig();

constexpr vxskel::TopControls kTop = {.newsText = u"챠트"};
constexpr auto kItems = vxskel::ScreenItems(std::array<plat::DialogItemTemplate, 0>{}, kTop);
constexpr plat::DialogTemplate kScreen = vxskel::ScreenTemplate(kItems);
PLAT_RESOURCE(plat::res::Dialog, 129, &kScreen, sizeof kScreen);
constexpr auto kArticleItems = vxnews::ArticleItems(u"닫  기");
constexpr plat::DialogTemplate kArticle = vxnews::ArticleTemplate(kArticleItems);
PLAT_RESOURCE(plat::res::Dialog, 133, &kArticle, sizeof kArticle);

const WCHAR* const kListTitles[] = {u"일 자", u"내   용"};
const int kListWidths[] = {60, 163};
const vxskel::GridSetup kList = {kListId, 17, kListTitles, 2, kListWidths, 17, 0, false, true, {1, 68, 238, 117}};
const WCHAR* const kIndexTitles[] = {u"구분", u"현재가", u"", u"대비", u"거래량"};
const int kIndexWidths[] = {61, 55, 15, 45, 60};
const vxskel::GridSetup kIndices = {kIndicesId, 17, kIndexTitles, 5,     kIndexWidths,
                                    17,         0,  true,         false, {1, 189, 238, 87}};

class CVX4250Dlg : public vxskel::CListScreenDlg {
 public:
  CVX4250Dlg() : CListScreenDlg(kConfig, kList) {}
  ~CVX4250Dlg() override { vxskel::DeleteGrid(m_indices); }

  void OnInitScreen() override {
    vxskel::GridSetup list = kList, indices = kIndices;
    PlaceGrids(list.at, indices.at);
    m_grid = vxskel::CreateGrid(this, LabelFont(), list);
    m_indices = vxskel::CreateGrid(this, LabelFont(), indices);
    GetItemCodeFromComboBox();
  }

  void OnQuery() override { Query(); }

  BOOL OnCommand(WPARAM wParam, LPARAM lParam) override {
    if (HIWORD(wParam) == BN_CLICKED && lParam && LOWORD(wParam) == vxskel::kBtnQuery) {
      Query();
      return TRUE;
    }
    return CListScreenDlg::OnCommand(wParam, lParam);
  }

  // The quote of the item goes through the packet layer, as every request of this screen.
  void RequestItemBase() override {
    unsigned char code[6];
    std::memcpy(code, GetItemCodeField(), sizeof code);
    Send(TR_STOCK_BASE, code, sizeof code);
  }

  LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override {
    if (message == WM_VGRID_NOTIFY) return OnGridNotify(static_cast<int>(wParam), reinterpret_cast<V_Grid*>(lParam));
    if (message == vxnews::kShowArticle) {
      m_articlePending = true;  // no second article under the open one
      m_article.Show(this, 133);
      m_articlePending = false;
      FocusItemCombo();
      return 0;
    }
    if (message == WM_VX_PACKET) return OnPacket(reinterpret_cast<const unsigned char*>(wParam));
    if (message == WM_TIMER && wParam == vxskel::kReplyTimer) {
      // No reply came in time: the article may be asked for again, the query is over.
      m_articlePending = false;
      m_awaited = 0;
    }
    return CListScreenDlg::WindowProc(message, wParam, lParam);
  }

  void OnReply(uint16_t code, const unsigned char* body, int len) override {
    if (code == TR_STOCK_BASE) {
      if (!PrintStockBase(body, len))
        ReportShortReply(code);
      else
        ShowItemName(body, len);
    } else if (code == kTrList) {
      FillList(body, len);
    } else if (code == kTrIndices) {
      FillIndices(body, len);
    } else if (code == kTrText) {
      TakeArticle(body, len);
    }
  }

 private:
  void OnNewItem(bool) override { RequestItemBase(); }
  void KeepItem() override {}
  void SendPage() override {
    unsigned char body[t::kListRequestSize];
    vxwire::Writer w(body);
    w.Char(t::kKind, '3').Byte(t::kRows, kRowsAsked).Raw(t::kKey, reinterpret_cast<const unsigned char*>(kFirstKey));
    if (w.Ok()) Send(kTrList, body, sizeof body);
  }

  // The two grids share the band between "조회" and the keypad, less 23 pixels at its foot, in
  // two equal parts.
  void PlaceGrids(RECT& list, RECT& indices) {
    CWnd* query = GetDlgItem(vxskel::kBtnQuery);
    CWnd* key = GetDlgItem(IDC_KEY_1);
    if (!query || !key) return;
    RECT client{}, upper{}, lower{};
    GetClientRect(&client);
    query->GetWindowRect(&upper);
    key->GetWindowRect(&lower);
    ScreenToClient(&upper);
    ScreenToClient(&lower);
    int band = lower.top - 23 - upper.bottom;
    if (band < 40) return;
    band -= band % 2;
    int part = band / 2;
    int width = client.right - client.left - 2;
    int top0 = upper.bottom + 2, top1 = upper.bottom + part + 2;
    list = RECT{1, top0 + 3, width, part - 4 + 14};
    indices = RECT{1, top1 + 17, width, part - 4 - 16};
  }

  void Query() {
    GetItemCodeFromComboBox();
    StartWait();
    m_awaited = 3;
    RequestItemBase();
    SendPage();
    Send(kTrIndices, nullptr, 0);
  }

  BOOL Send(uint16_t code, const unsigned char* body, int len) {
    unsigned char packet[kPacketRoom];
    int n = m_pEncrypt ? m_pEncrypt->make_packet(packet, sizeof packet, code, '4', 1, 0, 1, 1, 0, 0, body, len)
                       : EE_Encrypt::PK_BAD_ARGUMENT;
    if (n < 0) {
      CString text;
      text.Format(u"ERROR:패킷 구성 %d", static_cast<int>(code));
      MessageBox(text, u"", MB_OK);
      return FALSE;
    }
    return SendPacket(packet, n);
  }

  static bool OwnCode(uint16_t code) {
    return code == TR_STOCK_BASE || code == kTrList || code == kTrText || code == kTrIndices;
  }

  // A packet of the screen, opened by the packet layer. One that cannot be opened is reported in
  // two boxes and counts for nothing; every other counts against the replies awaited, whatever
  // its status. Under a success status it is shown and the item-code combo takes the focus; under
  // another the server's message (its first 14 bytes the caption) is shown, when there is one.
  LRESULT OnPacket(const unsigned char* packet) {
    if (!packet) return 0;
    const uint16_t wireCode = TrGetU16(packet + 4);
    if (!OwnCode(wireCode)) return 0;  // a push still registered by the screen before
    // A reply to the article, whatever it holds, lets the next double tap ask again.
    if (wireCode == kTrText) m_articlePending = false;
    uint16_t code = 0;
    const char* err = nullptr;
    int len = m_pEncrypt ? m_pEncrypt->analy_recv_packet(packet, 0, m_body, sizeof m_body, &code, &err)
                         : EE_Encrypt::PK_BAD_ARGUMENT;
    if (len < 0) {
      MessageBox(u"ERROR : 데이터 수신 에러", u"", MB_OK);
      OnReplyLost(wireCode, CString(err ? err : ""));
      return 0;
    }
    Received();
    if (packet[11] != '0' && packet[12] != '0') {
      if (len < SERVER_MESSAGE_CAPTION) return 0;
      const auto* text = reinterpret_cast<const char*>(m_body);
      MessageBox(CString::FromMultiByte(text + SERVER_MESSAGE_CAPTION, len - SERVER_MESSAGE_CAPTION),
                 CString::FromMultiByte(text, SERVER_MESSAGE_CAPTION), MB_OK | MB_ICONEXCLAMATION);
      return 0;
    }
    OnReply(code, m_body, len);
    if (!m_article.Showing()) FocusItemCombo();
    return 1;
  }

  // A reply came: the wait cursor ends with the last one awaited.
  void Received() {
    if (--m_awaited <= 0) {
      m_awaited = 0;
      KillTimer(vxskel::kReplyTimer);
      EndWaitCursor();
    }
  }

  void FillList(const unsigned char* body, int len) {
    vxwire::Reader reply(body, len);
    if (!reply.Has(t::kCount)) return ReportShortReply(kTrList);
    int count = std::min<int>(reply.SignedByte(t::kCount), kMostNotices);
    int rows = vxskel::RecordsHeld(count, len, t::kRowsAt, t::kRowSize);
    if (!ResetRows(rows)) return;
    for (int i = 0; i < rows; ++i) {
      vxwire::Reader row = reply.Record(t::kRowsAt, t::kRowSize, i);
      vxnews::SetDateTimeCells(m_grid.get(), i, 0, row.At(t::kDate), nullptr, LabelFont());
      vxnews::SetTextCell(m_grid.get(), i, 1, row.At(t::kTitle), t::kTitle.width, LabelFont());
      if (V_Grid_Cell* c = m_grid->get_cell(0, i))
        c->set_res_text(reinterpret_cast<const char*>(row.At(t::kRowKey)), t::kRowKey.width);
    }
    m_grid->redraw();
  }

  void FillIndices(const unsigned char* body, int len) {
    vxwire::Reader reply(body, len);
    if (!reply.Has(t::kIndexCount)) return ReportShortReply(kTrIndices);
    if (!m_indices) return;
    int count = std::min<int>(reply.Byte(t::kIndexCount), kMostIndices);
    int rows = vxskel::RecordsHeld(count, len, t::kIndicesAt, t::kIndexSize);
    m_indices->remove_all_row();
    for (int i = 0; i < rows && m_indices->add_row(); ++i) {
      vxwire::Reader row = reply.Record(t::kIndicesAt, t::kIndexSize, i);
      std::string name = row.Shown(t::kIndexName, t::kIndexName.width);
      if (V_Grid_Cell* c = m_indices->get_cell(0, i)) {
        c->set_text(name.c_str(), static_cast<int>(name.size()));
        c->set_font(LabelFont());
        c->set_str_flag(1);
      }
      char sign = row.Char(t::kIndexSign);
      COLORREF fg = GetRGBColor(sign);
      char text[NET_VALUE_STR_SIZE] = {};
      get_net_value_str(NV_FLOAT2, row.At(t::kIndexValue), text, 0, sizeof text);
      SetCell(i, 1, text, fg, 2);
      char mark[4] = {};
      G_GetUpdownChar(mark, sign);
      SetCell(i, 2, mark, fg, 0);
      get_net_value_str(NV_FLOAT2, row.At(t::kIndexChange), text, 0, sizeof text);
      SetCell(i, 3, text, fg, 2);
      get_net_value_str(NV_INT3, row.At(t::kIndexVolume), text, 1, sizeof text);
      SetCell(i, 4, text, RGB(0, 0, 0), 2);
    }
    m_indices->redraw();
  }

  void SetCell(int row, int column, const char* text, COLORREF fg, int align) {
    V_Grid_Cell* c = m_indices->get_cell(column, row);
    if (!c) return;
    c->set_text(text, static_cast<int>(strnlen(text, NET_VALUE_STR_SIZE)));
    c->set_fg(fg);
    c->set_str_flag(align);
  }

  // A double tap on an announcement asks for its text, unless one is already on its way.
  LRESULT OnGridNotify(int code, V_Grid* grid) {
    if (!grid || grid != m_grid.get() || code != VGRID_NOTIFY_DBLCLK) return 0;
    // The article awaited keeps its key and its title: a tap refused leaves both as they were.
    if (m_articlePending) return 0;
    if (!vxnews::TappedRow(grid, 1, sizeof m_openKey, m_openKey, &m_title)) return 0;
    unsigned char body[t::kTextRequestSize];
    vxwire::Writer w(body);
    w.Raw(t::kTextRequestKey, m_openKey);
    if (!w.Ok()) return 0;
    StartWait();
    ++m_awaited;
    m_articlePending = Send(kTrText, body, sizeof body) != FALSE;
    return 0;
  }

  void TakeArticle(const unsigned char* body, int len) {
    m_article.Take(this, m_title, vxnews::ArticleText(body, len, t::kLineSize, vxnews::LineCut::AtLastCr));
  }

  std::unique_ptr<V_Grid> m_indices;
  unsigned char m_body[12288];  // the reply as the packet layer opened it
  int m_awaited = 0;
  bool m_articlePending = false;
  unsigned char m_openKey[10] = {};
  CString m_title;
  vxnews::ArticleShow m_article;
};

}  // namespace

VXNEWS_SOCKETS_AT_LOAD(9000)
VX_SCREEN_EXPORTS(CVX4250Dlg)
