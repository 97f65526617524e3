// The base-quote strip: one line with the item's price, change mark, change and volume at the top
// of the screen, and the two market indices at the bottom.
#include <cstdio>
#include <cstring>
#include <string>

#include "glimmet/net_value.h"
#include "vxbase/base_strip.h"
#include "vxbase/vx_dlg.h"

namespace {

struct StripControl {
  UINT id;
  RECT rect;
  int align;  // 1 left, 2 centred, other right
  int bold;
};

// The four controls of each line in slot order.
constexpr StripControl kLines[kStripLines][4] = {
    {{3001, {2, 47, 70, 60}, 3, 1},
     {3002, {72, 47, 90, 60}, 2, 0},
     {3003, {92, 47, 140, 60}, 3, 0},
     {3004, {142, 47, 207, 60}, 3, 0}},
    {{3005, {2, 282, 24, 295}, 2, 0},
     {3006, {26, 282, 68, 295}, 3, 0},
     {3008, {70, 282, 86, 295}, 2, 0},
     {3007, {88, 282, 120, 295}, 3, 0}},
    {{3009, {122, 282, 146, 295}, 2, 0},
     {3010, {148, 282, 184, 295}, 3, 0},
     {3011, {186, 282, 202, 295}, 2, 0},
     {3012, {204, 282, 238, 295}, 3, 0}},
    {{3013, {2, 47, 70, 60}, 3, 0},
     {3014, {72, 47, 98, 60}, 2, 0},
     {3015, {100, 47, 160, 60}, 3, 0},
     {3016, {162, 47, 238, 60}, 3, 0}},
    {{3017, {2, 282, 30, 295}, 2, 0},
     {3018, {32, 282, 68, 295}, 3, 0},
     {3019, {70, 282, 86, 295}, 2, 0},
     {3020, {88, 282, 120, 295}, 3, 0}},
    {{3017, {122, 282, 146, 295}, 2, 1},
     {3018, {148, 282, 184, 295}, 3, 0},
     {3019, {186, 282, 202, 295}, 3, 0},
     {3020, {204, 282, 238, 295}, 3, 0}},
};

// Fixed labels of the index lines (lines 2, 3, 5, 6).
const WCHAR* LineLabel(int line) {
  switch (line) {
    case 2: return u"KSP";
    case 3: return u"KSQ";
    case 5: return u"K200";
    case 6: return u"선물";
    default: return u"";
  }
}

// Which of the five stored signs belongs to a line.
int SignSlot(int line) {
  switch (line) {
    case 1:
    case 4: return 0;
    case 2: return 1;
    case 3: return 2;
    case 5: return 3;
    default: return 4;
  }
}

// The change mark of the strip: '1' "↑", '2' "▲", '4' "↓", '5' "▼", anything else a blank.
const WCHAR* StripMark(char sign) {
  switch (sign) {
    case '1': return u"↑";
    case '2': return u"▲";
    case '4': return u"↓";
    case '5': return u"▼";
    default: return u" ";
  }
}

// Every strip text fits in this many characters with its terminator (the longest is a volume
// such as "-9,999,999,999,999" or an index such as "1,234.56"). The texts live on the stack:
// a reply is shown without allocating.
constexpr int kStripChars = 24;
typedef WCHAR StripText[kStripChars];

void Widen(const char* text, StripText& out) {
  int i = 0;
  for (; text[i] != '\0' && i < kStripChars - 1; ++i) out[i] = static_cast<unsigned char>(text[i]);
  out[i] = 0;
}

// A wire field as text of a get_net_value_str kind.
void NetText(signed char kind, const char* field, signed char mode, StripText& out) {
  char text[NET_VALUE_STR_SIZE] = {};
  get_net_value_str(kind, field, text, mode, sizeof text);
  Widen(text, out);
}

// A NET_FLOAT2 field with two decimals, exactly from its groups (g0 + g1 / 100).
void TwoDecimals(const char* field, StripText& out) {
  const auto* b = reinterpret_cast<const unsigned char*>(field);
  int g0 = static_cast<int16_t>(static_cast<uint16_t>((b[0] << 8) | b[1]));
  int g1 = static_cast<int16_t>(static_cast<uint16_t>((b[2] << 8) | b[3]));
  long hundredths = static_cast<long>(g0) * 100 + g1;
  unsigned long magnitude = static_cast<unsigned long>(hundredths < 0 ? -hundredths : hundredths);
  char text[kStripChars];
  std::snprintf(text, sizeof text, "%s%lu.%02lu", hundredths < 0 ? "-" : "", magnitude / 100, magnitude % 100);
  Widen(text, out);
}

// Whether a control shown already shows `text`: writing it again would only repaint it (a strip
// line is rewritten on every push, most of its fields unchanged).
bool AlreadyShows(const CWnd* ctl, const WCHAR* text) {
  if (!ctl || !ctl->m_hWnd || !(::GetWindowLong(ctl->m_hWnd, GWL_STYLE) & WS_VISIBLE)) return false;
  WCHAR now[kStripChars + 1];
  int n = ::GetWindowText(ctl->m_hWnd, now, kStripChars + 1);
  return n < kStripChars && lstrcmp(now, text ? text : u"") == 0;
}

}  // namespace

void CVXDlg::InitFont() {
  auto make = [](CFont& font, LONG weight) {
    if (font.GetSafeHandle()) return;
    LOGFONT lf{};
    lf.lfHeight = 13;
    lf.lfWidth = 5;
    lf.lfWeight = weight;
    lf.lfCharSet = DEFAULT_CHARSET;
    const std::u16string face = u"돋움";
    std::copy(face.begin(), face.end(), lf.lfFaceName);
    font.CreateFontIndirect(&lf);
  };
  make(m_fontStripBold, FW_BOLD);
  make(m_fontStripNormal, FW_NORMAL);
}

CStatic* CVXDlg::InitStatic(CStatic* ctl, UINT id, const RECT& rect, const WCHAR* text, int align, int fontFlag) {
  if (!ctl) {
    ctl = new CStatic;
    DWORD style = WS_CHILD | WS_VISIBLE | SS_NOPREFIX | (align == 1 ? SS_LEFT : align == 2 ? SS_CENTER : SS_RIGHT);
    if (!ctl->Create(text ? text : u"", style, rect, this, id)) {
      delete ctl;
      return nullptr;
    }
    ctl->SetFont(fontFlag == 1 ? &m_fontStripBold : &m_fontStripNormal, TRUE);
  }
  ctl->SetWindowText(text ? text : u"");
  ctl->ShowWindow(SW_SHOW);
  return ctl;
}

long CVXDlg::SetBaseControl(int kind, int line, const WCHAR* first, char sign, const WCHAR* second,
                            const WCHAR* third) {
  if (kind != VX_STRIP_STOCK && kind != VX_STRIP_FUTOPT) {
    AfxMessageBox(u"베이스 설정 이상");
    return 1;
  }
  const bool valid = kind == VX_STRIP_STOCK ? (line >= 1 && line <= 3) : (line >= 4 && line <= 6);
  if (!valid) return -1;
  m_rcUpperStrip = RECT{1, 44, kind == VX_STRIP_STOCK ? 208 : 239, 63};
  InitFont();
  // The sign colours the line's fields: on a new sign they are drawn again even where their text
  // stays.
  const bool signChanged = m_cStripSign[SignSlot(line)] != sign;
  m_cStripSign[SignSlot(line)] = sign;
  m_nStripInUse = 1;

  const WCHAR* texts[4];
  if (line == 1 || line == 4) {
    texts[0] = first;
    texts[1] = StripMark(sign);
    texts[2] = second;
    texts[3] = third;
  } else {
    texts[0] = LineLabel(line);
    texts[1] = third;  // the index or the futures price
    texts[2] = StripMark(sign);
    texts[3] = second;  // the change
  }
  const int base = (line - 1) * 4;
  for (int i = 0; i < 4; ++i) {
    const StripControl& c = kLines[line - 1][i];
    if (!signChanged && AlreadyShows(m_pStripStatic[base + i], texts[i])) continue;
    m_pStripStatic[base + i] = InitStatic(m_pStripStatic[base + i], c.id, c.rect, texts[i], c.align, c.bold);
  }
  return 1;
}

BOOL CVXDlg::GetStripTextColor(HWND ctl, COLORREF* color) const {
  if (!ctl) return FALSE;
  for (int slot = 0; slot < 24; ++slot) {
    const CStatic* s = m_pStripStatic[slot];
    if (!s || s->m_hWnd != ctl) continue;
    const int line = slot / 4 + 1;
    const int place = slot % 4;
    // Upper lines colour the mark and the change; index lines the value, mark and change.
    bool coloured = (line == 1 || line == 4) ? (place == 1 || place == 2) : place >= 1;
    if (color) *color = coloured ? GetRGBColor(m_cStripSign[SignSlot(line)]) : RGB(0, 0, 0);
    return TRUE;
  }
  return FALSE;
}

void CVXDlg::_print_stock_upper_base(const BASE_DATA_4101* rec) {
  if (!rec) return;
  // The name: 12 bytes of code page 949, cut at a NUL, blank padding dropped.
  WCHAR name[sizeof rec->item_name + 1] = {};
  int bytes = 0;
  while (bytes < static_cast<int>(sizeof rec->item_name) && rec->item_name[bytes] != '\0') ++bytes;
  // A double-byte character cut by the field's end is left out.
  for (int i = 0; i < bytes;) {
    const unsigned char lead = static_cast<unsigned char>(rec->item_name[i]);
    const int step = lead >= 0x81 && lead <= 0xFE ? 2 : 1;
    if (i + step > bytes) {
      bytes = i;
      break;
    }
    i += step;
  }
  int n = bytes > 0 ? ::MultiByteToWideChar(CP_KOREAN, 0, rec->item_name, bytes, name,
                                            static_cast<int>(sizeof rec->item_name))
                    : 0;
  if (n < 0) n = 0;
  while (n > 0 && name[n - 1] == u' ') --n;
  name[n] = 0;
  if (CWnd* nameCtl = GetDlgItem(IDC_ITEM_NAME))
    if (!AlreadyShows(nameCtl, name)) SetDlgItemText(IDC_ITEM_NAME, name);
  StripText price, change, volume;
  NetText(NV_INT2, rec->price, 0, price);
  NetText(NV_INT2, rec->change, 0, change);
  NetText(NV_INT3, rec->volume, 1, volume);
  SetBaseControl(VX_STRIP_STOCK, 1, price, rec->sign, change, volume);
}

void CVXDlg::_print_stock_ksp_base(const BASE_DATA_4101* rec) {
  if (!rec) return;
  StripText index, change;
  NetText(NV_FLOAT2, rec->kospi, 0, index);
  NetText(NV_FLOAT2, rec->kospi_change, 0, change);
  SetBaseControl(VX_STRIP_STOCK, 2, nullptr, rec->kospi_sign, change, index);
}

void CVXDlg::_print_stock_ksq_base(const BASE_DATA_4101* rec) {
  if (!rec) return;
  StripText index, change;
  NetText(NV_FLOAT2, rec->kosdaq, 0, index);
  NetText(NV_FLOAT2, rec->kosdaq_change, 0, change);
  SetBaseControl(VX_STRIP_STOCK, 3, nullptr, rec->kosdaq_sign, change, index);
}

void CVXDlg::_print_futopt_upper_base(const BASE_DATA_5555* rec) {
  if (!rec) return;
  StripText price, change, volume;
  TwoDecimals(rec->price, price);
  TwoDecimals(rec->change, change);
  NetText(NV_INT3, rec->volume, 1, volume);
  SetBaseControl(VX_STRIP_FUTOPT, 4, price, rec->sign, change, volume);
}

void CVXDlg::_print_k200_base(const BASE_DATA_5555* rec) {
  if (!rec) return;
  StripText index, change;
  TwoDecimals(rec->k200, index);
  TwoDecimals(rec->k200_change, change);
  SetBaseControl(VX_STRIP_FUTOPT, 5, nullptr, rec->k200_sign, change, index);
}

void CVXDlg::_print_future_base(const BASE_DATA_5555* rec) {
  if (!rec) return;
  StripText price, change;
  TwoDecimals(rec->fut_price, price);
  TwoDecimals(rec->fut_change, change);
  SetBaseControl(VX_STRIP_FUTOPT, 6, nullptr, rec->fut_sign, change, price);
}

void CVXDlg::PrintStockBase(const BASE_DATA_4101* rec) {
  if (!rec) return;
  _print_stock_upper_base(rec);
  InvalidateRect(&m_rcUpperStrip, TRUE);
  _print_stock_ksp_base(rec);
  InvalidateRect(&m_rcBottomStrip, TRUE);
  _print_stock_ksq_base(rec);
  InvalidateRect(&m_rcBottomStrip, TRUE);
}

void CVXDlg::PrintFutOptBase(const BASE_DATA_5555* rec) {
  if (!rec) return;
  _print_futopt_upper_base(rec);
  InvalidateRect(&m_rcUpperStrip, TRUE);
  _print_k200_base(rec);
  _print_future_base(rec);
  InvalidateRect(&m_rcBottomStrip, TRUE);
}

BOOL CVXDlg::PrintStockBase(const void* body, int bodyLen) {
  if (!body || bodyLen < static_cast<int>(sizeof(BASE_DATA_4101))) return FALSE;
  PrintStockBase(static_cast<const BASE_DATA_4101*>(body));
  return TRUE;
}

BOOL CVXDlg::PrintFutOptBase(const void* body, int bodyLen) {
  if (!body || bodyLen < static_cast<int>(sizeof(BASE_DATA_5555))) return FALSE;
  PrintFutOptBase(static_cast<const BASE_DATA_5555*>(body));
  return TRUE;
}
