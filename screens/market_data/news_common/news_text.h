// What the news and announcement screens share: the article dialog (CNewsTextDlg), the article
// text made from the fixed-width lines of a reply, and the date and time cells of their lists.
//
// The article dialog's template lives in each plug-in (its resources are the plug-in's own):
//
//   constexpr auto kArticleItems = vxnews::ArticleItems(u"닫 기");
//   constexpr plat::DialogTemplate kArticle = vxnews::ArticleTemplate(kArticleItems);
//   PLAT_RESOURCE(plat::res::Dialog, 132, &kArticle, sizeof kArticle);
//   ...
//   vxnews::CNewsTextDlg dlg(132, title, text);
//   dlg.DoModal();
#pragma once

#include <array>
#include <cstddef>

#include "plat/afx.h"
#include "vxskeleton/list_screen.h"

namespace vxnews {

// Controls of the article dialog.
constexpr int kArticleText = 1005;   // multi-line edit: the article
constexpr int kArticleTitle = 1008;  // static: the headline
constexpr int kArticleFrame = 1009;  // frame "제목 : " around the headline

// The article dialog's controls: the headline in its frame, the text, and button IDOK with
// `closeText`, which closes it.
constexpr std::array<plat::DialogItemTemplate, 4> ArticleItems(const WCHAR* closeText) {
  return {{
      {u"BUTTON", kArticleFrame, u"제목 : ", WS_VISIBLE | BS_GROUPBOX, 0, 2, 2, 236, 44},
      {u"STATIC", kArticleTitle, u"", WS_VISIBLE | SS_LEFT, 0, 8, 18, 224, 24},
      {u"EDIT", kArticleText, u"", WS_VISIBLE | WS_BORDER | WS_VSCROLL | ES_MULTILINE | ES_READONLY | ES_AUTOVSCROLL, 0,
       2, 50, 236, 238},
      {u"BUTTON", IDOK, closeText, WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON, 0, 80, 292, 80, 24},
  }};
}
// The full-screen dialog around them.
constexpr plat::DialogTemplate ArticleTemplate(const std::array<plat::DialogItemTemplate, 4>& items) {
  return {WS_POPUP | WS_VISIBLE, 0, 0, 0, 240, 320, u"", nullptr, u"Tahoma", 13, items.data(), items.size()};
}

// The modal article dialog: a framework dialog without a parent, full-screen, the headline in
// 1008 and the text bound to the edit 1005.
class CNewsTextDlg : public CDialog {
 public:
  CNewsTextDlg(UINT templateId, const CString& title, const CString& text)
      : CDialog(templateId, nullptr), m_title(title), m_text(text) {}

  BOOL OnInitDialog() override;
  void DoDataExchange(CDataExchange* dx) override;

  CString m_title;
  CString m_text;
};

// The message a screen posts itself to open the article once its packet handler has returned.
constexpr UINT kShowArticle = WM_APP + 1;

// The article of a text reply, opened from the screen's own message rather than inside the packet
// handler: the receive thread does not wait while the user reads.
// One article dialog is open at a time: a text that comes while one is open opens once it has
// closed (the last one taken, when several came).
class ArticleShow {
 public:
  // Keeps `text` under `title` and posts kShowArticle to `screen` unless one is on its way or an
  // article is open.
  void Take(CWnd* screen, const CString& title, const CString& text);
  // On kShowArticle: runs the article dialog of template `templateId` with the title and text
  // taken last until it closes; then posts kShowArticle to `screen` again when another came.
  void Show(CWnd* screen, UINT templateId);
  // An article dialog is open: the screen under it keeps from taking the focus, which would bring
  // it over the article.
  bool Showing() const { return m_showing; }

 private:
  CString m_title;
  CString m_text;
  bool m_ready = false;  // a text taken and not yet shown
  bool m_posted = false;
  bool m_showing = false;
};

// The headlines of the article requests still unanswered, oldest first: text replies come in the
// order of their requests, so each is shown under the headline of the row whose key asked for it,
// however many double taps came before it.
class AskedTitles {
 public:
  // A request for the article of the row headed `title` went out.
  void Sent(const CString& title);
  // A text reply came: the headline of the oldest request still unanswered. When none is (its
  // request was given up at a time-out), the headline sent last.
  CString Answered();
  // The wait for replies ended at a time-out: the requests are given up.
  void GiveUp() { m_count = 0; }

 private:
  static constexpr int kMost = 8;  // beyond this many unanswered, the oldest is given up
  CString m_titles[kMost];
  int m_count = 0;
  CString m_last;
};

// The plug-in's start: the socket layer is started when the plug-in loads. When it cannot start,
// the plug-in's string resource `failText` is shown and the plug-in does not load (FALSE).
BOOL StartSockets(HMODULE self, int failText);

// In each plug-in's source, at namespace scope: its string `stringId` "Windows sockets
// initialization failed." and its start.
#define VXNEWS_SOCKETS_AT_LOAD(stringId)                                                \
  namespace {                                                                           \
  const char16_t kSocketsFailed[] = u"Windows sockets initialization failed.";          \
  PLAT_RESOURCE(plat::res::String, stringId, kSocketsFailed, sizeof kSocketsFailed);    \
  }                                                                                     \
  extern "C" __attribute__((visibility("default"))) BOOL PlatModuleInit(HMODULE self) { \
    return vxnews::StartSockets(self, stringId);                                        \
  }

// The row a double tap chose in `grid`: the hidden key of its column 0 (exactly `keyWidth` bytes)
// into `key` and the text of column `titleColumn` into `title`; false when no row with a key was
// chosen.
bool TappedRow(V_Grid* grid, int titleColumn, int keyWidth, unsigned char* key, CString* title);

// How the lines of an article are cut.
enum class LineCut {
  Trim,      // leading and trailing blanks, tabs, CRs and LFs removed
  AtLastCr,  // trailing blanks passed over; a CR that then ends the line cuts it there
};

// The article of a text reply: byte 0 the line count (signed), then lines of `width` bytes. Only
// the lines the body holds are read, whatever the count claims; each ends with CR LF in the text.
// `lines` receives the number of lines taken (0 for a count below 1).
CString ArticleText(const unsigned char* body, int len, int width, LineCut cut, int* lines = nullptr);
// The number of lines a text reply holds: its count limited to the lines inside the body.
int ArticleLines(const unsigned char* body, int len, int width);

// Column `column` of `row`: a date (year within the century, month, day) as "YY-MM-DD"; column
// `column + 1` a time (hour, minute, second) as "HH:MM:SS" unless `time` is null. Centred, in `font`.
void SetDateTimeCells(V_Grid* grid, int row, int column, const unsigned char* date, const unsigned char* time,
                      HFONT font);
// A text field of code page 949 as a cell: up to its first zero byte, at most `width` bytes.
void SetTextCell(V_Grid* grid, int row, int column, const unsigned char* field, int width, HFONT font);

}  // namespace vxnews
