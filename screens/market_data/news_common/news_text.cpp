#include "news_text.h"

#include <algorithm>
#include <cstring>
#include <string>

#include "glimmet/net_value.h"
#include "glimmet/text_util.h"
#include "vxbase/vx_dlg.h"

namespace vxnews {

BOOL CNewsTextDlg::OnInitDialog() {
  BOOL result = CDialog::OnInitDialog();
  VXFullScreenDialog(m_hWnd);
  SetDlgItemText(kArticleTitle, m_title);
  return result;
}

void CNewsTextDlg::DoDataExchange(CDataExchange* dx) {
  CDialog::DoDataExchange(dx);
  DDX_Text(dx, kArticleText, m_text);
}

void ArticleShow::Take(CWnd* screen, const CString& title, const CString& text) {
  m_title = title;
  m_text = text;
  m_ready = true;
  if (m_posted || m_showing || !screen) return;
  m_posted = true;
  screen->PostMessage(kShowArticle);
}

void ArticleShow::Show(CWnd* screen, UINT templateId) {
  m_posted = false;
  if (m_showing || !m_ready) return;
  m_showing = true;
  m_ready = false;
  {
    CNewsTextDlg dlg(templateId, m_title, m_text);
    dlg.DoModal();
  }
  m_showing = false;
  if (m_ready && screen) {
    m_posted = true;
    screen->PostMessage(kShowArticle);
  }
}

void AskedTitles::Sent(const CString& title) {
  m_last = title;
  if (m_count == kMost) {
    for (int i = 1; i < kMost; ++i) m_titles[i - 1] = m_titles[i];
    --m_count;
  }
  m_titles[m_count++] = title;
}

CString AskedTitles::Answered() {
  if (m_count == 0) return m_last;
  CString title = m_titles[0];
  for (int i = 1; i < m_count; ++i) m_titles[i - 1] = m_titles[i];
  --m_count;
  return title;
}

BOOL StartSockets(HMODULE self, int failText) {
  WSADATA data;
  if (WSAStartup(MAKEWORD(1, 1), &data) == 0) return TRUE;
  size_t size = 0;
  const auto* text = static_cast<const WCHAR*>(plat::res::Find(self, plat::res::String, failText, &size));
  int length = 0;
  while (text && length < static_cast<int>(size / sizeof(WCHAR)) && text[length]) ++length;
  AfxMessageBox(CString(text ? text : u"", length));
  return FALSE;
}

bool TappedRow(V_Grid* grid, int titleColumn, int keyWidth, unsigned char* key, CString* title) {
  if (!grid || !key || !title) return false;
  int column = -1, row = -1;
  grid->get_select_info(&column, &row);
  V_Grid_Cell* keyCell = row >= 0 ? grid->get_cell(0, row) : nullptr;
  V_Grid_Cell* text = row >= 0 ? grid->get_cell(titleColumn, row) : nullptr;
  if (!keyCell || !text || keyCell->get_res_text_len() != keyWidth || !keyCell->get_res_text()) return false;
  std::memcpy(key, keyCell->get_res_text(), static_cast<size_t>(keyWidth));
  *title = text->get_text_wchar() ? CString(text->get_text_wchar()) : CString();
  return true;
}

int ArticleLines(const unsigned char* body, int len, int width) {
  if (!body || len < 1 || width < 1) return 0;
  int count = static_cast<signed char>(body[0]);
  return vxskel::RecordsHeld(count, len, 1, width);
}

namespace {

// One line of `width` bytes as a string ended after its first zero byte or its width.
std::string LineOf(const unsigned char* p, int width) {
  const auto* text = reinterpret_cast<const char*>(p);
  return std::string(text, strnlen(text, static_cast<size_t>(width)));
}

std::string Cut(const std::string& line, LineCut cut) {
  if (cut == LineCut::Trim) {
    std::string out(line.size() + 1, '\0');
    if (!trim_all(out.data(), static_cast<int>(out.size()), line.c_str())) return std::string();
    out.resize(std::strlen(out.c_str()));
    return out;
  }
  size_t end = line.size();
  while (end > 0 && line[end - 1] == ' ') --end;
  if (end > 0 && line[end - 1] == '\r') return line.substr(0, end - 1);
  return line;
}

}  // namespace

CString ArticleText(const unsigned char* body, int len, int width, LineCut cut, int* lines) {
  int n = ArticleLines(body, len, width);
  if (lines) *lines = n;
  std::string text;
  for (int i = 0; i < n; ++i) {
    text += Cut(LineOf(body + 1 + i * width, width), cut);
    text += "\r\n";
  }
  return CString::FromMultiByte(text.c_str(), static_cast<int>(text.size()));
}

void SetDateTimeCells(V_Grid* grid, int row, int column, const unsigned char* date, const unsigned char* time,
                      HFONT font) {
  if (!grid || !date) return;
  char text[NET_VALUE_STR_SIZE] = {};
  get_net_value_str(NV_DATE_YMD, date, text, 0, sizeof text);
  vxskel::SetLabelCell(grid->get_cell(column, row), text, font);
  if (!time) return;
  get_net_value_str(NV_TIME_HMS, time, text, 0, sizeof text);
  vxskel::SetLabelCell(grid->get_cell(column + 1, row), text, font);
}

void SetTextCell(V_Grid* grid, int row, int column, const unsigned char* field, int width, HFONT font) {
  V_Grid_Cell* cell = grid ? grid->get_cell(column, row) : nullptr;
  if (!cell || !field) return;
  const auto* text = reinterpret_cast<const char*>(field);
  cell->set_text(text, static_cast<int>(strnlen(text, static_cast<size_t>(width))));
  cell->set_font(font);
  cell->set_str_flag(1);
}

}  // namespace vxnews
