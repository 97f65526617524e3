#include "investor_chart.h"

#include <algorithm>

#include "vxbase/money.h"

namespace vxinvest {

namespace {

const plat::DialogTemplate kTemplate = {WS_CHILD, 0, 0, 0, 232, 120, u"", nullptr, nullptr, 0, nullptr, 0};
PLAT_RESOURCE(plat::res::Dialog, kChartTemplate, &kTemplate, sizeof kTemplate);

constexpr int kFiveTicksFrom = 151;  // plot height from which the scale has 5 ticks
constexpr COLORREF kBlack = RGB(0, 0, 0);
constexpr COLORREF kWhite = RGB(255, 255, 255);

}  // namespace

Scale MakeScale(const int64_t* values, int count, int plotHeight) {
  Scale s;
  int64_t most = 0, least = 0;
  for (int i = 0; i < count; ++i) {
    most = std::max(most, values[i]);
    least = std::min(least, values[i]);
  }
  // Symmetric about zero; all values zero would give an empty range: -1 to 1 then.
  s.upper = std::max<int64_t>(most, least == INT64_MIN ? INT64_MAX : -least);
  if (s.upper <= 0) s.upper = 1;
  s.lower = -s.upper;
  if (plotHeight < kFiveTicksFrom) {
    const int64_t t[] = {s.lower, 0, s.upper};
    std::copy(std::begin(t), std::end(t), s.ticks);
    s.tickCount = 3;
  } else {
    const int64_t t[] = {s.lower, s.lower / 2, 0, s.upper / 2, s.upper};
    std::copy(std::begin(t), std::end(t), s.ticks);
    s.tickCount = 5;
  }
  return s;
}

int ValueY(int64_t v, const Scale& s, int top, int height) {
  const double range = static_cast<double>(s.upper) - static_cast<double>(s.lower);
  const double at = (static_cast<double>(v) - static_cast<double>(s.lower)) / range;
  return top + static_cast<int>((1.0 - at) * height);
}

BEGIN_MESSAGE_MAP(CInvestorChart, CDialog)
ON_WM_PAINT()
ON_WM_ERASEBKGND()
END_MESSAGE_MAP()

CInvestorChart::CInvestorChart() = default;
CInvestorChart::~CInvestorChart() = default;

BOOL CInvestorChart::Create(CWnd* parent) {
  if (!CDialog::Create(kChartTemplate, parent)) return FALSE;
  m_font.CreateFont(-13, 0, 0, 0, FW_NORMAL, 0, 0, 0, HANGUL_CHARSET, 0, 0, 0, 0, u"굴림");
  m_labelFont.CreateFont(-13, 0, 0, 0, FW_NORMAL, 0, 0, 0, HANGUL_CHARSET, 0, 0, 0, 0, u"굴림");
  Layout();
  return TRUE;
}

void CInvestorChart::Layout() {
  if (!m_hWnd) return;
  RECT c{};
  GetClientRect(&c);
  const int frameBottom = c.bottom - (m_count > 4 ? 80 : 31);
  m_frame = RECT{c.left + 50, c.top + 7, c.right - 3, frameBottom};
  m_plot = RECT{c.left + 52, c.top + 9, c.right - 4, frameBottom - 2};
  SetSlots();
}

void CInvestorChart::SetSlots() {
  const int width = std::max<int>(0, m_plot.right - m_plot.left);
  m_slot = m_count > 0 ? width / m_count : 0;
  m_bar = std::max(0, m_slot - 1);
}

void CInvestorChart::SetValues(const int64_t* values, const WCHAR* const* labels, int count) {
  m_count = std::clamp(count, 0, kMaxBars);
  for (int i = 0; i < m_count; ++i) {
    m_values[i] = values ? values[i] : 0;
    m_labels[i] = labels && labels[i] ? labels[i] : u"";
  }
  Layout();
  if (m_hWnd) {
    Invalidate();
    UpdateWindow();
  }
}

BOOL CInvestorChart::OnEraseBkgnd(CDC*) { return TRUE; }

void CInvestorChart::OnPaint() {
  CPaintDC dc(this);
  Draw(dc);
}

void CInvestorChart::Draw(CDC& dc) {
  RECT c{};
  GetClientRect(&c);
  dc.FillSolidRect(&c, kWhite);
  if (m_count < 1) return;
  Layout();

  // (1) the scale, (2) room for the widest tick value.
  const Scale s = MakeScale(m_values, m_count, m_plot.bottom - m_plot.top);
  WCHAR texts[5][kCommaNumber64Chars] = {};
  const HDC h = dc.m_hDC;
  HGDIOBJ oldFont = ::SelectObject(h, m_font.m_hObject);
  int widest = 0;
  for (int i = 0; i < s.tickCount; ++i) {
    w_Value2CommaNumber(texts[i], kCommaNumber64Chars, s.ticks[i], 0);
    widest = std::max<int>(
        widest, dc.GetTextExtent(texts[i], static_cast<int>(std::char_traits<char16_t>::length(texts[i]))).cx);
  }
  m_frame.left = c.left + widest + 6;
  m_plot.left = c.left + widest + 8;
  SetSlots();
  const int top = m_plot.top, height = m_plot.bottom - m_plot.top;

  // (3) the frame. The pens are the GDI's own: they are selected and deleted here.
  HPEN black = ::CreatePen(PS_SOLID, 1, kBlack), grey = ::CreatePen(PS_SOLID, 1, kGridLine);
  HGDIOBJ oldPen = ::SelectObject(h, black);
  HGDIOBJ oldBrush = ::SelectObject(h, ::GetStockObject(NULL_BRUSH));
  dc.Rectangle(&m_frame);
  // (4) tick marks and values, (5) grey lines at the inner ticks.
  dc.SetBkMode(TRANSPARENT);
  dc.SetTextColor(kBlack);
  for (int i = 0; i < s.tickCount; ++i) {
    const int y = ValueY(s.ticks[i], s, top, height);
    ::SelectObject(h, black);
    dc.MoveTo(m_frame.left - 4, y);
    dc.LineTo(m_frame.left, y);
    RECT text{c.left, y - 8, m_frame.left - 4, y + 8};
    dc.DrawText(texts[i], -1, &text, DT_RIGHT | DT_VCENTER | DT_SINGLELINE);
    if (i > 0 && i < s.tickCount - 1) {
      ::SelectObject(h, grey);
      dc.MoveTo(m_plot.left, y);
      dc.LineTo(m_plot.right, y);
    }
  }
  ::SelectObject(h, oldPen);
  ::SelectObject(h, oldBrush);
  ::DeleteObject(black);
  ::DeleteObject(grey);

  // (6) category labels under the middle of their slots; downwards with more than 4 bars.
  ::SelectObject(h, m_labelFont.m_hObject);
  for (int i = 0; i < m_count; ++i) {
    const int middle = m_plot.left + m_slot * i + m_slot / 2;
    int y = m_frame.bottom + 2;
    const std::u16string& label = m_labels[i];
    if (m_count <= 4) {
      const int w = dc.GetTextExtent(label.c_str(), static_cast<int>(label.size())).cx;
      dc.TextOut(middle - w / 2, y, label.c_str(), static_cast<int>(label.size()));
      continue;
    }
    for (char16_t ch : label) {
      const CSize size = dc.GetTextExtent(&ch, 1);
      dc.TextOut(middle - size.cx / 2, y, &ch, 1);
      y += size.cy;
    }
  }
  ::SelectObject(h, oldFont);

  // (7) the bars from the zero line.
  int zero = (m_plot.top + m_plot.bottom) / 2;
  for (int i = 0; i < m_count; ++i) {
    if (m_bar <= 0) break;
    const int y = ValueY(m_values[i], s, top, height);
    const int left = m_plot.left + m_slot * i;
    RECT bar{left, std::min(y, zero), left + m_bar, std::max(y, zero)};
    if (bar.top == bar.bottom) ++bar.bottom;
    dc.FillSolidRect(&bar, m_values[i] >= 0 ? kBarUp : kBarDown);
  }
}

}  // namespace vxinvest
