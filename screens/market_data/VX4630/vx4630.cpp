// VX4630: announcements, newest first, a page of ten (4640). Each page is asked for with the key
// the page before it gave ("99999999999999" for the first); "다음" and "이전" move one page, "조회"
// starts again at the first. A double tap on a title opens the announcement (4650) in the article
// dialog. Each request, reply and stored key is traced to "won_test.txt".
#include <cstdio>
#include <cstring>
#include <iterator>

#include "glimmet/file_log.h"
#include "news_text.h"
#include "vxskeleton/list_screen.h"
#include "vxskeleton/screen_skeleton.h"
#include "vxskeleton/screen_template.h"
#include "vxskeleton/tr_layouts.h"

namespace {

namespace t = vxtr::notice;

constexpr uint16_t kTrList = 4640, kTrText = 4650;
constexpr int kBtnNext = 9701, kBtnPrev = 9702;
constexpr int kGridId = 1000;
constexpr int kRowsPerPage = 10;
constexpr int kKeySlots = 50;  // the keys of pages 1..50
constexpr int kMostLines = 40;
constexpr char kFirstKey[] = "99999999999999";
constexpr char kTrace[] = "won_test.txt";
constexpr char kTraceTag[] = "vx4630";

// How the page asked for was reached.
enum Mode { kStart = 999, kQueried = 555, kBack = 777, kForward = 888 };

const uint16_t kReplies[] = {kTrList, kTrText};
const vxskel::ScreenConfig kConfig = vxskel::ListScreenConfig(u"VX4630.dll", nullptr, kReplies, std::size(kReplies));

constexpr plat::DialogItemTemplate kOwn[] = {
    {u"BUTTON", kBtnPrev, u"이전", vxskel::kFaceButton, 0, 2, 256, 56, 20},
    {u"BUTTON", kBtnNext, u"다음", vxskel::kFaceButton, 0, 182, 256, 56, 20},
};
constexpr auto kItems = vxskel::ScreenItems(kOwn);
constexpr plat::DialogTemplate kScreen = vxskel::ScreenTemplate(kItems);
PLAT_RESOURCE(plat::res::Dialog, 129, &kScreen, sizeof kScreen);
constexpr auto kArticleItems = vxnews::ArticleItems(u"닫 기");
constexpr plat::DialogTemplate kArticle = vxnews::ArticleTemplate(kArticleItems);
PLAT_RESOURCE(plat::res::Dialog, 132, &kArticle, sizeof kArticle);

const WCHAR* const kTitles[] = {u"일 자", u"시 간", u"제    목", u""};
const int kWidths[] = {50, 50, 220, 1};
const vxskel::GridSetup kGrid = {kGridId, 16, kTitles, 4, kWidths, 16, kRowsPerPage, false, true, {1, 65, 238, 189}};

class CVX4630Dlg : public vxskel::CListScreenDlg {
 public:
  CVX4630Dlg() : CListScreenDlg(kConfig, kGrid) { std::memcpy(m_keys[0], kFirstKey, kKeyWidth); }

  void OnInitScreen() override {
    vxskel::GridSetup setup = kGrid;
    vxskel::GridBand(this, vxskel::kBtnQuery, kBtnPrev, setup.at);
    m_grid = vxskel::CreateGrid(this, LabelFont(), setup);
    EnableButtons(false, false);
  }

  BOOL OnCommand(WPARAM wParam, LPARAM lParam) override {
    int id = LOWORD(wParam);
    if (HIWORD(wParam) == BN_CLICKED && lParam) {
      if (id == vxskel::kBtnQuery) {
        m_mode = kQueried;
        EnableButtons(false, false);
        m_keyIndex = 0;
        StartWait();
        SendPage();
        RequestStockBase();
        return TRUE;
      }
      if (id == kBtnPrev || id == kBtnNext) {
        int to = m_keyIndex + (id == kBtnNext ? 1 : -1);
        // Only to a page whose key is held: the first, or one a reply gave.
        if (to < 0 || to >= m_keyCount) return TRUE;
        m_mode = id == kBtnNext ? kForward : kBack;
        EnableButtons(false, false);
        m_keyIndex = to;
        StartWait();
        SendPage();
        return TRUE;
      }
    }
    return CListScreenDlg::OnCommand(wParam, lParam);
  }

  LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override {
    if (message == WM_VGRID_NOTIFY) return OnGridNotify(static_cast<int>(wParam), reinterpret_cast<V_Grid*>(lParam));
    if (message == vxnews::kShowArticle) {
      m_article.Show(this, 132);
      UpdateData(FALSE);
      FocusItemCombo();
      return 0;
    }
    if (message == WM_VX_REQUERY) {
      GetItemCodeFromComboBox();
      RequestStockBase();
      SendPage();
      return 0;
    }
    if (message == WM_TIMER && wParam == vxskel::kReplyTimer) m_asked.GiveUp();
    if (message != WM_VX_PACKET || !wParam) return CListScreenDlg::WindowProc(message, wParam, lParam);
    // Whatever a packet of the screen brings (a page, a text, the quote or the server's message),
    // the item-code combo has the focus afterwards; under an open article, once it closes.
    if (TrGetU16(reinterpret_cast<const unsigned char*>(wParam) + 4) == kTrText) m_replyTitle = m_asked.Answered();
    LRESULT handled = CListScreenDlg::WindowProc(message, wParam, lParam);
    if (handled && !m_article.Showing()) FocusItemCombo();
    return handled;
  }

  void OnReply(uint16_t code, const unsigned char* body, int len) override {
    if (code == kTrList)
      FillList(body, len);
    else if (code == kTrText)
      TakeArticle(body, len);
  }

 private:
  static constexpr int kKeyWidth = 14;

  void OnNewItem(bool) override {
    StartWait();
    RequestStockBase();
  }
  void KeepItem() override {}

  // The page at the key index; the first page (and a start or "조회") with the first key.
  void SendPage() override {
    if (m_mode == kStart || m_mode == kQueried) {
      std::memcpy(m_keys[0], kFirstKey, kKeyWidth);
      m_keyIndex = 0;
    }
    if (m_keyIndex < 0 || m_keyIndex >= m_keyCount) return;
    unsigned char packet[TR_HEADER_SIZE + t::kListRequestSize];
    vxwire::Writer body(packet + TR_HEADER_SIZE, t::kListRequestSize);
    body.Char(t::kKind, '3').Byte(t::kRows, kRowsPerPage).Raw(t::kKey, m_keys[m_keyIndex]);
    if (!body.Ok()) return;
    Trace("send", m_keyIndex, m_keys[m_keyIndex]);
    SendPlainRequest(kTrList, packet, sizeof packet);
  }

  void EnableButtons(bool next, bool prev) {
    vxskel::EnableControl(this, kBtnNext, next);
    vxskel::EnableControl(this, kBtnPrev, prev);
  }

  // A trace line with a key copied out of the packet first: the wire field has no end.
  static void Trace(const char* what, int index, const unsigned char* key) {
    char text[kKeyWidth + 1] = {};
    if (key) std::memcpy(text, key, kKeyWidth);
    if (what)
      lib_file_log(kTrace, __LINE__, kTraceTag, "%s [%d] %s", what, index, text);
    else
      lib_file_log(kTrace, __LINE__, kTraceTag, "[%d] %s", index, text);
  }

  void FillList(const unsigned char* body, int len) {
    vxwire::Reader reply(body, len);
    if (!reply.Has(t::kNextKey)) return ReportShortReply(kTrList);
    int count = reply.SignedByte(t::kCount);
    const unsigned char* next = reply.At(t::kNextKey);
    Trace("recv", m_keyIndex + 1, next);
    bool more = count > 0 && std::memcmp(next, "              ", kKeyWidth) != 0;
    if (more && m_keyIndex + 1 < kKeySlots) {
      std::memcpy(m_keys[m_keyIndex + 1], next, kKeyWidth);
      m_keyCount = m_keyIndex + 2;
      Trace("save", m_keyIndex + 1, m_keys[m_keyIndex + 1]);
    } else {
      more = false;
      m_keyCount = m_keyIndex + 1;
    }
    if (count <= 0) {
      // An empty page is not shown as one: the index goes back to the page the user left.
      if (m_mode == kBack && m_keyIndex + 1 < kKeySlots)
        m_keyIndex += 1;
      else if (m_mode == kForward && m_keyIndex > 0)
        m_keyIndex -= 1;
      m_keyCount = m_keyIndex + 1;
    }
    for (int i = 0; i <= m_keyIndex + 1 && i < m_keyCount; ++i) Trace(nullptr, i, m_keys[i]);
    EnableButtons(more, m_keyIndex != 0);
    if (count <= 0) {
      // "이전" and "다음" keep the page the user left; the first page of a start or a "조회" that
      // has no rows leaves the list empty.
      if (m_mode == kStart || m_mode == kQueried) ResetRows(0);
      return;
    }

    int rows = vxskel::RecordsHeld(count, len, t::kRowsAt, t::kRowSize);
    if (!ResetRows(rows)) return;
    for (int i = 0; i < rows; ++i) {
      vxwire::Reader row = reply.Record(t::kRowsAt, t::kRowSize, i);
      vxnews::SetDateTimeCells(m_grid.get(), i, 0, row.At(t::kDate), row.At(t::kTime), LabelFont());
      vxnews::SetTextCell(m_grid.get(), i, 2, row.At(t::kTitle), t::kTitle.width, LabelFont());
      if (V_Grid_Cell* c = m_grid->get_cell(0, i))
        c->set_res_text(reinterpret_cast<const char*>(row.At(t::kRowKey)), t::kRowKey.width);
    }
    m_grid->redraw();
  }

  LRESULT OnGridNotify(int code, V_Grid* grid) {
    if (!grid || grid != m_grid.get() || code != VGRID_NOTIFY_DBLCLK) return 0;
    if (!vxnews::TappedRow(grid, 2, sizeof m_openKey, m_openKey, &m_title)) return 0;
    unsigned char packet[TR_HEADER_SIZE + t::kTextRequestSize];
    vxwire::Writer body(packet + TR_HEADER_SIZE, t::kTextRequestSize);
    body.Raw(t::kTextRequestKey, m_openKey);
    StartWait();
    if (body.Ok() && SendPlainRequest(kTrText, packet, sizeof packet)) m_asked.Sent(m_title);
    UpdateData(FALSE);
    return 0;
  }

  void TakeArticle(const unsigned char* body, int len) {
    int claimed = len > 0 ? static_cast<signed char>(body[0]) : 0;
    if (claimed < 1 || claimed > kMostLines) {
      MessageBox(u"데이터가 없거나 너무 큽니다 !!!", u"", MB_OK);
      return;
    }
    m_article.Take(this, m_replyTitle, vxnews::ArticleText(body, len, t::kLineSize, vxnews::LineCut::Trim));
  }

  int m_mode = kStart;
  int m_keyIndex = 0;
  int m_keyCount = 1;  // slots 0..m_keyCount-1 hold a key
  unsigned char m_keys[kKeySlots][kKeyWidth] = {};
  unsigned char m_openKey[10] = {};
  CString m_title;
  vxnews::AskedTitles m_asked;
  CString m_replyTitle;  // the title of the text request the reply in hand answers
  vxnews::ArticleShow m_article;
};

}  // namespace

VXNEWS_SOCKETS_AT_LOAD(101)
VX_SCREEN_EXPORTS(CVX4630Dlg)
