// VX4620: stock news. The newest headlines a page of eight at a time (4620); with an item code
// typed into the search row, the news of that item by its name (4625); a double tap on a headline
// opens its article (4630) in the article dialog. "다음" and "이전" page whichever list the search
// row chooses; "조회" and "검색" start again at the first page.
#include <cstring>
#include <iterator>

#include "news_text.h"
#include "vxbase/code_manager.h"
#include "vxskeleton/list_screen.h"
#include "vxskeleton/screen_skeleton.h"
#include "vxskeleton/screen_template.h"
#include "vxskeleton/tr_layouts.h"

namespace {

namespace n = vxtr::news;

constexpr uint16_t kTrList = 4620, kTrSearch = 4625, kTrArticle = 4630;
constexpr int kSearchCode = IDC_ITEM_EDIT;   // 9909: the code of the item searched
constexpr int kBtnFind = 1013;               // "?": the finder for the search row
constexpr int kSearchName = IDC_FOUND_NAME;  // 9999: its name, the search text
constexpr int kBtnSearch = 1019;             // "검색"
constexpr int kBtnNext = 9701, kBtnPrev = 9702;
constexpr int kGridId = 1000;
constexpr int kRowsPerPage = 8;
constexpr int kPages = 50;  // pages 1..50 have a key slot

const uint16_t kReplies[] = {kTrList, kTrSearch, kTrArticle};
const vxskel::ScreenConfig kConfig = vxskel::ListScreenConfig(u"VX4620.dll", nullptr, kReplies, std::size(kReplies));

// The search row's buttons have no face of their own.
constexpr DWORD kPushButton = WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON;
constexpr plat::DialogItemTemplate kOwn[] = {
    {u"STATIC", -1, u"종목찾기:", vxskel::kLabel, 0, 1, 68, 48, 18},
    {u"EDIT", kSearchCode, u"", WS_VISIBLE | WS_TABSTOP | WS_BORDER | ES_AUTOHSCROLL, 0, 50, 66, 44, 20},
    {u"BUTTON", kBtnFind, u"?", kPushButton, 0, 96, 66, 18, 20},
    {u"STATIC", kSearchName, u"", vxskel::kLabel, 0, 116, 68, 86, 18},
    {u"BUTTON", kBtnSearch, u"검색", kPushButton, 0, 204, 66, 35, 20},
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
// Placed in the band between "검색" and "이전" when the dialog starts.
const vxskel::GridSetup kGrid = {kGridId, 17, kTitles, 4, kWidths, 17, 0, false, true, {1, 88, 238, 166}};

class CVX4620Dlg : public vxskel::CListScreenDlg {
 public:
  CVX4620Dlg() : CListScreenDlg(kConfig, kGrid) {
    m_list.Restart(kNoItem);
    m_search.Restart(kNoItem);
  }

  void OnInitScreen() override {
    vxskel::GridSetup setup = kGrid;
    vxskel::GridBand(this, kBtnSearch, kBtnPrev, setup.at);
    m_grid = vxskel::CreateGrid(this, LabelFont(), setup);
    UpdateButtons(false, false);
  }

  BOOL OnCommand(WPARAM wParam, LPARAM lParam) override {
    int id = LOWORD(wParam);
    UINT code = HIWORD(wParam);
    if (id == kSearchCode && code == EN_CHANGE) {
      FindStockName();
      return TRUE;
    }
    if (id == IDC_ITEM_COMBO && code == CBN_EDITCHANGE) {
      OnItemCodeTyped();
      return TRUE;
    }
    if (code == BN_CLICKED && lParam) {
      switch (id) {
        case vxskel::kBtnQuery:
          RequestStockBase();
          StartWait();
          Restart();
          return TRUE;
        case kBtnSearch: Restart(); return TRUE;
        case kBtnFind: OnFind(); return TRUE;
        case kBtnNext: Page(+1); return TRUE;
        case kBtnPrev: Page(-1); return TRUE;
        default: break;
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
    if (message == WM_TIMER && wParam == vxskel::kReplyTimer) m_asked.GiveUp();
    if (message != WM_VX_PACKET || !wParam) return CListScreenDlg::WindowProc(message, wParam, lParam);
    // Whatever a packet of the screen brings (a page, an article, the quote or the server's
    // message), the item-code combo has the focus afterwards; under an open article, once it closes.
    if (TrGetU16(reinterpret_cast<const unsigned char*>(wParam) + 4) == kTrArticle) m_replyTitle = m_asked.Answered();
    LRESULT handled = CListScreenDlg::WindowProc(message, wParam, lParam);
    if (handled && !m_article.Showing()) FocusItemCombo();
    return handled;
  }

  void OnReply(uint16_t code, const unsigned char* body, int len) override {
    if (code == kTrList)
      FillList(body, len);
    else if (code == kTrSearch)
      FillSearch(body, len);
    else if (code == kTrArticle)
      TakeArticle(body, len);
  }

 private:
  static constexpr char kNoItem[6] = {};

  // The host's query goes on with the page shown; another item changes no news.
  void OnNewItem(bool) override {
    StartWait();
    RequestStockBase();
  }
  void KeepItem() override {}
  void SendPage() override { SendListPage(); }

  // Five characters typed into combo 9901 are the item, whether the code file knows them or not:
  // the server answers an unknown one.
  void OnItemCodeTyped() {
    CString text;
    if (!GetItemCodeText(IDC_ITEM_COMBO, text) || text.GetLength() != 5) return;
    SetItemCodeField(1);
    StartWait();
    RequestStockBase();
  }

  bool Searching() {
    CString text;
    GetDlgItemText(kSearchCode, text);
    return !text.IsEmpty();
  }

  // "조회" and "검색": the first page of the search when the search row holds a code, else of the
  // newest headlines.
  void Restart() {
    if (Searching()) {
      m_search.Restart(kNoItem);
      SendSearchPage();
    } else {
      SetDlgItemText(kSearchName, u"");
      m_list.Restart(kNoItem);
      SendListPage();
    }
  }

  // "다음" (+1) and "이전" (-1) of the list the search row chooses. A page goes out only with the
  // key the page before it gave; the first page and the last page with a key slot stop there.
  void Page(int step) {
    bool search = Searching();
    int page = search ? m_search.page : m_list.page;
    int to = page + step;
    if (to < 1 || !vxskel::PageKeys<22, kPages>::HasSlot(to)) return;
    if (step > 0 && !(search ? m_search.CanGoNext() : m_list.CanGoNext())) return;
    StartWait();
    if (search) {
      m_search.page = to;
      SendSearchPage();
    } else {
      m_list.page = to;
      SendListPage();
    }
  }

  // The key a page goes out with: zero for the first page, else the key the page before gave.
  template <class Keys>
  static const unsigned char* KeyFor(const Keys& keys, int page) {
    static const unsigned char kZero[32] = {};
    return page <= 1 ? kZero : keys.Key(page - 1);
  }

  void SendListPage() {
    const unsigned char* key = KeyFor(m_list, m_list.page);
    if (!key) return;
    unsigned char packet[TR_HEADER_SIZE + n::kListRequestSize];
    vxwire::Writer body(packet + TR_HEADER_SIZE, n::kListRequestSize);
    body.Char(n::kMode, 'A')
        .Byte(n::kPage, static_cast<uint8_t>(m_list.page - 1))
        .Byte(n::kRows, kRowsPerPage)
        .Raw(n::kListKey, key)
        .Text(n::kListTail, "00");
    if (body.Ok()) SendPlainRequest(kTrList, packet, sizeof packet);
  }

  void SendSearchPage() {
    const unsigned char* key = KeyFor(m_search, m_search.page);
    if (!key) return;
    CString name;
    GetDlgItemText(kSearchName, name);
    std::string text = name.ToMultiByte();
    if (text.size() > n::kSearchText.width) text.resize(n::kSearchText.width);
    unsigned char packet[TR_HEADER_SIZE + n::kSearchRequestSize];
    vxwire::Writer body(packet + TR_HEADER_SIZE, n::kSearchRequestSize);
    body.Char(n::kMode, 'A')
        .Byte(n::kPage, static_cast<uint8_t>(m_search.page - 1))
        .Byte(n::kRows, kRowsPerPage)
        .Raw(n::kSearchKey, key)
        .Char(n::kSearchKind, '1')
        .Text(n::kSearchText, text);
    if (body.Ok()) SendPlainRequest(kTrSearch, packet, sizeof packet);
  }

  // Edit 9909 changed: a whole code (5 characters) is looked up in the stock list; its name
  // becomes the search text and its news are asked for from the first page. A code that is not
  // there is refused and the search row emptied.
  void FindStockName() {
    CString code;
    GetDlgItemText(kSearchCode, code);
    if (code.GetLength() != 5 || !m_pCodeManager) return;
    const CObArray& list = m_pCodeManager->GetStockList();
    if (list.IsEmpty()) return;  // no code file could be read
    for (INT_PTR i = 0; i < list.GetSize(); ++i) {
      const auto* record = static_cast<const CItemCodeRecord*>(list[i]);
      if (record->GetItemCode() != code) continue;
      SetDlgItemText(kSearchName, record->GetItemName());
      m_search.Restart(kNoItem);
      SendSearchPage();
      return;
    }
    MessageBox(u"잘못 입력하셨습니다.\n다시 확인하시고 입력하십시오.", u"", MB_OK);
    SetDlgItemText(kSearchName, u"");
    SetDlgItemText(kSearchCode, u"");
  }

  void UpdateButtons(bool next, bool prev) {
    vxskel::EnableControl(this, kBtnNext, next);
    vxskel::EnableControl(this, kBtnPrev, prev);
  }

  void FillList(const unsigned char* body, int len) {
    vxwire::Reader reply(body, len);
    if (!reply.Has(n::kListCount)) return ReportShortReply(kTrList);
    char more = reply.Char(n::kListMore);
    int page = m_list.page;
    m_list.Store(page, reply.At(n::kListNextKey));
    if (!vxskel::IsNextFlag(static_cast<unsigned char>(more))) return;
    m_list.Take(page, reply.At(n::kListNextKey), more == 'Y' ? 1 : 0);
    UpdateButtons(m_list.CanGoNext(), m_list.page > 1);
    FillRows(reply, n::kListRowsAt, reply.SignedByte(n::kListCount), n::kHeadline.width);
  }

  void FillSearch(const unsigned char* body, int len) {
    vxwire::Reader reply(body, len);
    if (!reply.Has(n::kSearchCount)) return ReportShortReply(kTrSearch);
    char more = reply.Char(n::kSearchMore);
    // The page the reply answers (0 the first); a page without a key slot is shown but keeps
    // no key and nothing follows it.
    int page = reply.SignedByte(n::kSearchPage) + 1;
    if (!vxskel::IsNextFlag(static_cast<unsigned char>(more))) {
      m_search.Store(page, reply.At(n::kSearchNextKey));
      return;
    }
    m_search.Take(page, reply.At(n::kSearchNextKey), more == 'Y' ? 1 : 0);
    UpdateButtons(m_search.CanGoNext(), m_search.page > 1);
    FillRows(reply, n::kSearchRowsAt, reply.SignedByte(n::kSearchCount), kSearchHeadline);
  }

  static constexpr int kSearchHeadline = 127;

  void FillRows(const vxwire::Reader& reply, int rowsAt, int count, int headline) {
    int rows = vxskel::RecordsHeld(count, static_cast<int>(reply.Size()), rowsAt, n::kRowSize);
    if (!ResetRows(rows)) return;
    for (int i = 0; i < rows; ++i) {
      vxwire::Reader row = reply.Record(rowsAt, n::kRowSize, i);
      vxnews::SetDateTimeCells(m_grid.get(), i, 0, row.At(n::kDate), row.At(n::kTime), LabelFont());
      vxnews::SetTextCell(m_grid.get(), i, 2, row.At(n::kHeadline), headline, LabelFont());
      if (V_Grid_Cell* c = m_grid->get_cell(0, i))
        c->set_res_text(reinterpret_cast<const char*>(row.At(n::kArticleKey)), n::kArticleKey.width);
    }
    m_grid->redraw();
  }

  // A double tap on a headline asks for its article.
  LRESULT OnGridNotify(int code, V_Grid* grid) {
    if (!grid || grid != m_grid.get() || code != VGRID_NOTIFY_DBLCLK) return 0;
    unsigned char key[n::kArticleKey.width];
    if (!vxnews::TappedRow(grid, 2, sizeof key, key, &m_title)) return 0;
    unsigned char packet[TR_HEADER_SIZE + n::kArticleRequestSize];
    vxwire::Writer body(packet + TR_HEADER_SIZE, n::kArticleRequestSize);
    body.Raw(n::kArticleRequestKey, key);
    StartWait();
    if (body.Ok() && SendPlainRequest(kTrArticle, packet, sizeof packet)) m_asked.Sent(m_title);
    UpdateData(FALSE);
    return 0;
  }

  void TakeArticle(const unsigned char* body, int len) {
    m_article.Take(this, m_replyTitle, vxnews::ArticleText(body, len, n::kLineSize, vxnews::LineCut::Trim));
  }

  vxskel::PageKeys<n::kListNextKey.width, kPages> m_list;
  vxskel::PageKeys<n::kSearchNextKey.width, kPages> m_search;
  CString m_title;
  vxnews::AskedTitles m_asked;
  CString m_replyTitle;  // the headline of the article request the reply in hand answers
  vxnews::ArticleShow m_article;
};

}  // namespace

VXNEWS_SOCKETS_AT_LOAD(101)
VX_SCREEN_EXPORTS(CVX4620Dlg)
