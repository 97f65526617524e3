#include "chart/chart_screen.h"

#include <string>

namespace chart {

namespace {

HFONT MakeFont(int height, int width) {
  LOGFONT lf{};
  lf.lfHeight = height;
  lf.lfWidth = width;
  lf.lfWeight = FW_NORMAL;
  lf.lfCharSet = DEFAULT_CHARSET;
  const std::u16string face = u"돋움";
  std::copy(face.begin(), face.end(), lf.lfFaceName);
  return ::CreateFontIndirect(&lf);
}

// The edit field of a drop-down list: the chart starts below it, not below the open list.
constexpr int kComboFieldHeight = 20;

}  // namespace

ChartFonts::ChartFonts() : small_font(MakeFont(10, 3)), large_font(MakeFont(11, 4)) {}

ChartFonts::~ChartFonts() {
  if (small_font) ::DeleteObject(small_font);
  if (large_font) ::DeleteObject(large_font);
}

bool CreateChartWindow(CWnd* dlg, CChartWnd& chart, int upper, int lower, const ChartFonts& fonts) {
  if (!dlg || !chart.Create(dlg)) return false;
  CWnd* top = dlg->GetDlgItem(upper);
  CWnd* bottom = dlg->GetDlgItem(lower);
  if (top && bottom) {
    CRect client, above, below;
    dlg->GetClientRect(&client);
    top->GetWindowRect(&above);
    bottom->GetWindowRect(&below);
    dlg->ScreenToClient(&above);
    dlg->ScreenToClient(&below);
    const int y = above.top + kComboFieldHeight + 1;
    chart.MoveWindow(client.left + 4, y, client.Width() - 4, below.top - 2 - y);
  }
  ::SetWindowLong(chart.m_hWnd, GWL_ID, IDD_DLG_KCHART);  // found by its id
  chart.SetFonts(fonts.small_font, fonts.large_font);
  chart.Init();
  chart.SetZoom(1);
  chart.ShowWindow(SW_SHOW);
  return true;
}

bool ZoomOrScroll(CChartWnd& chart, int step) {
  int changed;
  switch (step) {
    case 0: changed = chart.ZoomIn(); break;
    case 1: changed = chart.ZoomOut(); break;
    case 2: changed = chart.ScrollBack(); break;
    case 3: changed = chart.ScrollForward(); break;
    default: return false;
  }
  if (changed == 1 && chart.m_hWnd) chart.Invalidate();
  return true;
}

void FillChoices(CWnd* dlg, int id, const WCHAR* const* texts, size_t count, int selected) {
  auto* combo = dlg ? static_cast<CComboBox*>(dlg->GetDlgItem(id)) : nullptr;
  if (!combo) return;
  for (size_t i = 0; i < count; ++i) combo->AddString(texts[i]);
  combo->SetCurSel(selected);
}

int ChosenIndex(CWnd* dlg, int id, int count, int fallback) {
  auto* combo = dlg ? static_cast<CComboBox*>(dlg->GetDlgItem(id)) : nullptr;
  const int sel = combo ? combo->GetCurSel() : -1;
  return sel >= 0 && sel < count ? sel : fallback;
}

char BarUpdown(const StockData_1& data, int i) {
  const ChartBar& bar = data.bars[static_cast<size_t>(i)];
  if (bar.open != bar.close) return bar.open < bar.close ? '4' : '2';
  return i > 0 && bar.open >= data.bars[static_cast<size_t>(i - 1)].close ? '4' : '2';
}

}  // namespace chart
