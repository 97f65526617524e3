// The grid control: V_Grid, its cells and its window class.
#include "glimmet/v_grid.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>

#include "plat/automation.h"

namespace {

constexpr const WCHAR* kClassName = u"V_GRID";

// The font of every cell that was given none: created with the first cell, released when the
// library is unloaded.
struct DefaultFont {
  DefaultFont() { font = create_font_easy(u"돋움", 13, 5, 0); }
  ~DefaultFont() {
    if (font) DeleteObject(font);
  }
  HFONT font;
};

HFONT DefaultCellFont() {
  static DefaultFont f;
  return f.font;
}

// A 64-bit FNV-1a digest of what a rendering depends on.
class Digest {
 public:
  Digest& Add(uint64_t v) {
    for (int i = 0; i < 8; ++i, v >>= 8) h_ = (h_ ^ (v & 0xFF)) * 0x100000001b3ull;
    return *this;
  }
  Digest& AddText(const WCHAR* text) {
    size_t n = 0;
    for (; text && text[n]; ++n) h_ = (h_ ^ static_cast<uint16_t>(text[n])) * 0x100000001b3ull;
    return Add(n);
  }
  uint64_t Value() const { return h_ ? h_ : 1; }  // 0 stays "never rendered"

 private:
  uint64_t h_ = 1469598103934665603ull;
};

char* CopyBytes(const char* src, size_t n) {
  auto* p = static_cast<char*>(std::malloc(n + 1));
  if (!p) return nullptr;
  if (n) std::memcpy(p, src, n);
  p[n] = 0;
  return p;
}

void AppendEscaped(std::u16string& out, const WCHAR* text) {
  for (; text && *text; ++text) {
    switch (*text) {
      case u'\\': out += u"\\\\"; break;
      case u'\t': out += u"\\t"; break;
      case u'\n': out += u"\\n"; break;
      case u'\r': out += u"\\r"; break;
      case u'|': out += u"\\|"; break;
      default: out += *text; break;
    }
  }
}

void AppendHex(std::u16string& out, COLORREF c) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "%06X", static_cast<unsigned>(c & 0xFFFFFF));
  for (const char* p = buf; *p; ++p) out += static_cast<char16_t>(*p);
}

void AppendNum(std::u16string& out, int v) {
  std::string s = std::to_string(v);
  out.append(s.begin(), s.end());
}

void AppendCell(std::u16string& out, const V_Grid_Cell& c) {
  AppendEscaped(out, c.get_text_wchar());
  out += u'|';
  AppendHex(out, c.get_fg());
  out += u'|';
  AppendHex(out, c.get_bg());
}

}  // namespace

// ---- V_Grid_Cell ----------------------------------------------------------------------------

V_Grid_Cell::V_Grid_Cell() { DefaultCellFont(); }

V_Grid_Cell::V_Grid_Cell(V_Grid* grid) : grid_(grid) { DefaultCellFont(); }

V_Grid_Cell::~V_Grid_Cell() {
  std::free(text_);
  std::free(wtext_);
  std::free(res_text_);
}

void V_Grid_Cell::set_grid(V_Grid* grid) { grid_ = grid; }
void V_Grid_Cell::change_location(int, int) {}
void V_Grid_Cell::change_position(int, int, int, int) {}

// Makes buf hold at least `need` elements; a buffer that is large enough is kept (a cell whose
// text changes on every push allocates nothing).
template <typename T>
static bool Reserve(T*& buf, size_t& cap, size_t need) {
  if (buf && cap >= need) return true;
  auto* p = static_cast<T*>(std::malloc(need * sizeof(T)));
  if (!p) return false;
  std::free(buf);
  buf = p;
  cap = need;
  return true;
}

void V_Grid_Cell::drop_text() {
  std::free(text_);
  std::free(wtext_);
  text_ = nullptr;
  wtext_ = nullptr;
  text_cap_ = wtext_cap_ = 0;
}

int V_Grid_Cell::set_text(const char* text, int length) {
  if (!text) {
    drop_text();
    return 0;
  }
  size_t n = length < 1 ? std::strlen(text) : strnlen(text, static_cast<size_t>(length));
  if (text_ && !wide_source_ && std::strncmp(text_, text, n) == 0 && text_[n] == '\0') return 0;  // unchanged
  int wn = n ? MultiByteToWideChar(CP_KOREAN, 0, text, static_cast<int>(n), nullptr, 0) : 0;
  if (wn < 0) wn = 0;
  if (!Reserve(text_, text_cap_, n + 1) || !Reserve(wtext_, wtext_cap_, static_cast<size_t>(wn) + 1)) {
    drop_text();
    return -1;
  }
  wide_source_ = false;
  if (n) std::memcpy(text_, text, n);
  text_[n] = '\0';
  if (wn) wn = MultiByteToWideChar(CP_KOREAN, 0, text, static_cast<int>(n), wtext_, wn);
  wtext_[wn > 0 ? wn : 0] = 0;
  return 0;
}

int V_Grid_Cell::set_text(const WCHAR* text, int length) {
  if (!text) {
    drop_text();
    return 0;
  }
  size_t n = 0;
  if (length < 1)
    n = static_cast<size_t>(lstrlen(text));
  else
    while (n < static_cast<size_t>(length) && text[n]) ++n;
  if (wtext_ && wide_source_) {
    size_t same = 0;  // stops at the NUL of the present text at the latest
    while (same < n && wtext_[same] == text[same]) ++same;
    if (same == n && wtext_[n] == 0) return 0;  // unchanged
  }
  int bn = n ? WideCharToMultiByte(CP_KOREAN, 0, text, static_cast<int>(n), nullptr, 0, nullptr, nullptr) : 0;
  if (bn < 0) bn = 0;
  if (!Reserve(wtext_, wtext_cap_, n + 1) || !Reserve(text_, text_cap_, static_cast<size_t>(bn) + 1)) {
    drop_text();
    return -1;
  }
  wide_source_ = true;
  if (n) std::memcpy(wtext_, text, n * sizeof(WCHAR));
  wtext_[n] = 0;
  if (bn) bn = WideCharToMultiByte(CP_KOREAN, 0, text, static_cast<int>(n), text_, bn, nullptr, nullptr);
  text_[bn > 0 ? bn : 0] = 0;
  return 0;
}

int V_Grid_Cell::set_res_text(const char* text, int length) {
  std::free(res_text_);
  res_text_ = nullptr;
  res_len_ = 0;
  if (!text) return 0;
  size_t n = length < 1 ? std::strlen(text) : static_cast<size_t>(length);
  res_text_ = CopyBytes(text, n);
  if (!res_text_) return -1;
  res_len_ = static_cast<int>(n);
  return 0;
}

const char* V_Grid_Cell::get_text() const { return text_ ? text_ : ""; }
const WCHAR* V_Grid_Cell::get_text_wchar() const { return wtext_ ? wtext_ : u""; }
const char* V_Grid_Cell::get_res_text() const { return res_text_ ? res_text_ : ""; }
HFONT V_Grid_Cell::get_font() const { return font_ ? font_ : DefaultCellFont(); }

void V_Grid_Cell::draw(HDC dc, int isHeader, int isSelected, int width, int height, COLORREF selectBg,
                       COLORREF selectFg, V_GRAPHIC_CACHE* cache) {
  HFONT font = get_font();
  const WCHAR* text = get_text_wchar();
  if (isHeader) {
    draw_3D_rect2(dc, 0, 0, width, height, 1, 1, fg_, bg_, 0, text, font, 0, nullptr, str_flag_, image_, image_flag_,
                  cache);
  } else if (isSelected) {
    draw_3D_rect2(dc, 0, 0, width, height, 1, 1, selectFg, selectBg, 0, text, font, 0, nullptr, str_flag_, image_,
                  image_flag_, cache);
  } else {
    draw_3D_rect2(dc, 0, 0, width, height, 0, 1, fg_, bg_, 0, text, font, 0, nullptr, str_flag_, image_, image_flag_,
                  cache);
    if (line_flag_ & 2) draw_line(dc, 0, width, height - 1, height - 1);
    if (line_flag_ & 1) draw_line(dc, width - 1, width - 1, 0, height);
  }
}

uint64_t V_Grid_Cell::draw_key(bool header, bool selected, int x, int y, int width, int height, COLORREF selectBg,
                               COLORREF selectFg) const {
  Digest d;
  d.AddText(get_text_wchar())
      .Add(fg_)
      .Add(bg_)
      .Add(str_flag_)
      .Add(image_flag_)
      .Add(line_flag_)
      .Add(reinterpret_cast<uintptr_t>(image_))
      .Add(reinterpret_cast<uintptr_t>(get_font()))
      .Add(uint64_t(header) | uint64_t(selected) << 1)
      .Add(static_cast<uint32_t>(x) | uint64_t(static_cast<uint32_t>(y)) << 32)
      .Add(static_cast<uint32_t>(width) | uint64_t(static_cast<uint32_t>(height)) << 32);
  if (selected) d.Add(selectBg).Add(selectFg);
  return d.Value();
}

// ---- V_Grid: construction -------------------------------------------------------------------

V_Grid::V_Grid() = default;

V_Grid::~V_Grid() {
  if (hwnd_) {
    SetWindowLong(hwnd_, GWL_USERDATA, 0);
    DestroyWindow(hwnd_);
    hwnd_ = 0;
  }
  delete[] header_;
  remove_all_row();
  free_vector(&rows_);
  std::free(widths_);
  if (mem_dc_) {
    if (mem_old_) SelectObject(mem_dc_, mem_old_);
    DeleteDC(mem_dc_);
  }
  if (mem_bmp_) DeleteObject(mem_bmp_);
  if (cache_ready_) delete_graphic_cache(&cache_);
}

LRESULT CALLBACK V_Grid::WndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  auto* grid = reinterpret_cast<V_Grid*>(GetWindowLong(hwnd, GWL_USERDATA));
  if (grid) {
    if (msg == WM_PLAT_INSPECT) {
      auto* out = reinterpret_cast<std::u16string*>(wParam);
      if (!out) return FALSE;
      *out = grid->describe();
      return TRUE;
    }
    if (msg == WM_PLAT_TAP_CELL) return grid->tap_cell(static_cast<int>(wParam), static_cast<int>(lParam)) == 0;
    if (grid->_msg_handler(msg, wParam, lParam) > 0) return 0;
  }
  return DefWindowProc(hwnd, msg, wParam, lParam);
}

int V_Grid::init(HWND parent, int id, int headerHeight, const WCHAR* const* titles, int columnCount, const int* widths,
                 int rowHeight, int initialRows, HFONT font, int fixedFirstColumn) {
  if (hwnd_ || columnCount < 1 || !widths || initialRows < 0) return -1;
  if (!cache_ready_) {
    if (init_graphic_cache(&cache_) != 0) return -1;
    cache_ready_ = true;
  }
  instance_ = GetModuleHandle(nullptr);
  WNDCLASS existing{};
  if (!GetClassInfo(instance_, kClassName, &existing)) {
    WNDCLASS wc{};
    wc.style = CS_HREDRAW | CS_VREDRAW | CS_DBLCLKS;
    wc.lpfnWndProc = WndProc;
    wc.hInstance = instance_;
    wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
    wc.lpszClassName = kClassName;
    if (!RegisterClass(&wc) && !GetClassInfo(instance_, kClassName, &existing)) return -1;
  }
  hwnd_ = CreateWindowEx(0, kClassName, u"", WS_CHILD | WS_BORDER, 0, 0, 0, 0, parent, PLAT_ID_AS_MENU(id), instance_,
                         nullptr);
  if (!hwnd_) return -1;
  SetWindowLong(hwnd_, GWL_USERDATA, reinterpret_cast<LONG_PTR>(this));
  if (GetWindowLong(hwnd_, GWL_USERDATA) != reinterpret_cast<LONG_PTR>(this)) return -1;
  SCROLLINFO zero{sizeof zero, SIF_RANGE | SIF_POS, 0, 0, 0, 0, 0};
  SetScrollInfo(hwnd_, SB_VERT, &zero, FALSE);
  SetScrollInfo(hwnd_, SB_HORZ, &zero, FALSE);
  if (build_buffer() < 0) return -1;
  header_height_ = headerHeight;
  column_count_ = columnCount;
  if (headerHeight > 0) {
    header_ = new (std::nothrow) V_Grid_Cell[static_cast<size_t>(columnCount)];
    if (!header_) return -1;
    for (int c = 0; c < columnCount; ++c) {
      header_[c].set_grid(this);
      header_[c].set_bg(0x8CDFFF);
      header_[c].set_str_flag(0);
      if (font) header_[c].set_font(font);
      if (titles && titles[c]) header_[c].set_text(titles[c], 0);
    }
  }
  if (init_vector(&rows_, 50, 100) != 0) return -1;
  row_height_ = rowHeight;
  widths_ = static_cast<int*>(std::malloc(sizeof(int) * static_cast<size_t>(columnCount)));
  if (!widths_) return -1;
  std::memcpy(widths_, widths, sizeof(int) * static_cast<size_t>(columnCount));
  for (int r = 0; r < initialRows; ++r)
    if (!add_row()) return -1;
  if_mode_ = VGRID_IF_MESSAGE;
  notify_wnd_ = parent;
  fixed_first_ = fixedFirstColumn ? 1 : 0;
  compute_scroll();
  return 0;
}

void V_Grid::set_visible(int visible) {
  if (hwnd_) ShowWindow(hwnd_, visible ? SW_SHOW : SW_HIDE);
}

void V_Grid::set_location(int x, int y, int width, int height) {
  if (!hwnd_) return;
  MoveWindow(hwnd_, x, y, width, height, FALSE);
  compute_scroll();
}

void V_Grid::redraw() {
  dirty_ = 1;
  if (!hwnd_) return;
  // A repaint of the whole grid that is waiting already shows this change too (a grid fed by
  // pushes is changed many times between two repaints).
  RECT pending, client;
  if (GetUpdateRect(hwnd_, &pending, FALSE) && GetClientRect(hwnd_, &client) && pending.left <= client.left &&
      pending.top <= client.top && pending.right >= client.right && pending.bottom >= client.bottom)
    return;
  InvalidateRect(hwnd_, nullptr, FALSE);
}

// ---- Rows -------------------------------------------------------------------------------------

V_Grid_Cell* V_Grid::new_row() {
  if (column_count_ < 1) return nullptr;
  auto* row = new (std::nothrow) V_Grid_Cell[static_cast<size_t>(column_count_)];
  if (!row) return nullptr;
  for (int c = 0; c < column_count_; ++c) row[c].set_grid(this);
  return row;
}

V_Grid_Cell* V_Grid::add_row() { return insert_row(get_row_count()); }

V_Grid_Cell* V_Grid::insert_row(int index) {
  if (index < 0 || index > get_row_count() || !rows_.slots) return nullptr;
  V_Grid_Cell* row = new_row();
  if (!row) return nullptr;
  if (insert_data_to_vector(&rows_, index, row, 0) != 0) {
    delete[] row;
    return nullptr;
  }
  compute_scroll();
  return row;
}

int V_Grid::remove_row(int index) {
  if (index < 0 || index >= get_row_count()) return -1;
  delete[] static_cast<V_Grid_Cell*>(element_at_vec(&rows_, index, nullptr));
  remove_data_at_vec(&rows_, index);
  compute_scroll();
  return 0;
}

void V_Grid::remove_all_row() {
  for (int r = 0; r < get_row_count(); ++r) delete[] static_cast<V_Grid_Cell*>(element_at_vec(&rows_, r, nullptr));
  if (rows_.slots) remove_data_all_vec(&rows_);
  compute_scroll();
}

int V_Grid::get_row_count() const { return rows_.slots ? rows_.count : 0; }

V_Grid_Cell* V_Grid::get_row_cell(int row) {
  if (row < 0 || row >= get_row_count()) return nullptr;
  return static_cast<V_Grid_Cell*>(element_at_vec(&rows_, row, nullptr));
}

V_Grid_Cell* V_Grid::get_cell(int column, int row) {
  if (column < 0 || column >= column_count_) return nullptr;
  V_Grid_Cell* r = get_row_cell(row);
  return r ? &r[column] : nullptr;
}

V_Grid_Cell* V_Grid::get_head_cell() { return header_; }

V_Grid_Cell** V_Grid::get_column_cell(int column) {
  if (column < 0 || column >= column_count_) return nullptr;
  int n = get_row_count();
  auto** out = static_cast<V_Grid_Cell**>(std::calloc(static_cast<size_t>(std::max(n, 1)), sizeof(V_Grid_Cell*)));
  if (!out) return nullptr;
  for (int r = 0; r < n; ++r) out[r] = get_cell(column, r);
  return out;
}

V_Grid_Cell** V_Grid::get_all_cell() {
  int n = get_row_count();
  auto** out = static_cast<V_Grid_Cell**>(std::calloc(static_cast<size_t>(std::max(n, 1)), sizeof(V_Grid_Cell*)));
  if (!out) return nullptr;
  for (int r = 0; r < n; ++r) out[r] = get_row_cell(r);
  return out;
}

// ---- Settings ---------------------------------------------------------------------------------

int V_Grid::set_select_flag(int mode) {
  int old = select_mode_;
  select_mode_ = static_cast<BYTE>(mode);
  return old;
}

int V_Grid::set_if_mode(int mode) {
  int old = if_mode_;
  if_mode_ = static_cast<BYTE>(mode);
  return old;
}

int V_Grid::set_if_mode(int mode, V_Grid_Interface* iface, HWND window) {
  int old = set_if_mode(mode);
  iface_ = iface;
  notify_wnd_ = window;
  return old;
}

void V_Grid::get_select_info(int* column, int* row) const {
  if (column) *column = select_col_;
  if (row) *row = select_row_;
}

V_Grid_Cell* V_Grid::get_select_cell(int* column, int* row) {
  get_select_info(column, row);
  switch (select_mode_) {
    case VGRID_SELECT_CELL: return get_cell(select_col_, select_row_);
    case VGRID_SELECT_ROW: return get_cell(0, select_row_);
    case VGRID_SELECT_COLUMN: return get_cell(select_col_, 0);
    default: return nullptr;
  }
}

COLORREF V_Grid::set_line_color(COLORREF color) {
  COLORREF old = line_color_;
  line_color_ = color;
  return old;
}

COLORREF V_Grid::set_grid_bg(COLORREF color) {
  COLORREF old = grid_bg_;
  grid_bg_ = color;
  return old;
}

void V_Grid::set_select_color(COLORREF, COLORREF selectBg) { select_bg_ = selectBg; }

// ---- Scrolling --------------------------------------------------------------------------------

void V_Grid::client_size(int* w, int* h) const {
  RECT r{};
  if (hwnd_) GetClientRect(hwnd_, &r);
  *w = r.right - r.left;
  *h = r.bottom - r.top;
}

int V_Grid::get_top_row() const { return hwnd_ ? GetScrollPos(hwnd_, SB_VERT) : 0; }
int V_Grid::get_left_column() const { return hwnd_ ? GetScrollPos(hwnd_, SB_HORZ) : 0; }

void V_Grid::compute_vertical() {
  int w, h;
  client_size(&w, &h);
  int room = h - (header_height_ > 0 ? header_height_ : 0);
  int rows = get_row_count();
  SCROLLINFO si{sizeof si, SIF_RANGE | SIF_PAGE, 0, 0, 0, 0, 0};
  if (room > 0 && row_height_ > 0) {
    int fit = std::min(room / row_height_, rows);
    if (fit < rows) {
      si.nMax = rows - 1;
      si.nPage = static_cast<UINT>(fit);
    }
  }
  set_range(SB_VERT, si);
}

// Sets a bar's range and page only when they change: each change redraws the bar and may resize
// the client area, which a screen filling many rows should not pay for every row.
void V_Grid::set_range(int bar, const SCROLLINFO& si) {
  SCROLLINFO now{sizeof now, SIF_RANGE | SIF_PAGE, 0, 0, 0, 0, 0};
  if (GetScrollInfo(hwnd_, bar, &now) && now.nMin == si.nMin && now.nMax == si.nMax && now.nPage == si.nPage) return;
  SetScrollInfo(hwnd_, bar, &si, TRUE);
}

void V_Grid::compute_horizontal() {
  int w, h;
  client_size(&w, &h);
  if (w <= 0 || column_count_ < 2) return;
  int fit = 0, sum = 0;
  while (fit < column_count_ && sum + widths_[fit] <= w) sum += widths_[fit++];
  SCROLLINFO si{sizeof si, SIF_RANGE | SIF_PAGE, 0, 0, 0, 0, 0};
  if (fit < column_count_) {
    si.nMax = column_count_ - 1;
    si.nPage = static_cast<UINT>(std::max(fit, 1));
  }
  set_range(SB_HORZ, si);
}

// Twice over, since showing one bar takes room from the other.
void V_Grid::compute_scroll() {
  if (!hwnd_ || !widths_ || in_scroll_compute_) return;
  in_scroll_compute_ = true;
  // Two bars that are each shown only because of the other would stay for good (each pass sees
  // the room the other bar takes): when everything fits without bars, take both away first.
  SCROLLINFO v{sizeof v, SIF_RANGE, 0, 0, 0, 0, 0}, h{sizeof h, SIF_RANGE, 0, 0, 0, 0, 0};
  GetScrollInfo(hwnd_, SB_VERT, &v);
  GetScrollInfo(hwnd_, SB_HORZ, &h);
  if (v.nMax > v.nMin && h.nMax > h.nMin) {
    int w, ht;
    client_size(&w, &ht);
    w += GetSystemMetrics(SM_CXVSCROLL);
    ht += GetSystemMetrics(SM_CYHSCROLL);
    int room = ht - (header_height_ > 0 ? header_height_ : 0);
    bool rowsFit = room <= 0 || row_height_ <= 0 || room / row_height_ >= get_row_count();
    int sum = 0;
    for (int c = 0; c < column_count_; ++c) sum += widths_[c];
    bool columnsFit = column_count_ < 2 || sum <= w;
    if (rowsFit && columnsFit) {
      SCROLLINFO none{sizeof none, SIF_RANGE | SIF_PAGE, 0, 0, 0, 0, 0};
      set_range(SB_VERT, none);
      set_range(SB_HORZ, none);
    }
  }
  compute_vertical();
  compute_horizontal();
  compute_vertical();
  compute_horizontal();
  in_scroll_compute_ = false;
}

int V_Grid::scroll_ope(int bar, int code) {
  if (!hwnd_) return -1;
  SCROLLINFO si{sizeof si, SIF_ALL, 0, 0, 0, 0, 0};
  if (!GetScrollInfo(hwnd_, bar, &si)) return -1;
  long long target;
  const long long page = static_cast<long long>(si.nPage);
  switch (code) {
    case SB_LINEUP: target = si.nPos - 1LL; break;
    case SB_LINEDOWN: target = si.nPos + 1LL; break;
    case SB_PAGEUP: target = si.nPos - page; break;
    case SB_PAGEDOWN: target = si.nPos + page; break;
    case SB_THUMBPOSITION:
    case SB_THUMBTRACK: target = si.nTrackPos; break;
    case SB_TOP: target = si.nMin; break;
    case SB_BOTTOM: target = si.nMax; break;
    default: return -1;
  }
  const bool vertical = bar == SB_VERT;
  if (code != SB_BOTTOM && target > si.nMax) {
    notify(vertical ? VGRID_NOTIFY_PAST_BOTTOM : VGRID_NOTIFY_PAST_RIGHT);
    target = si.nMax;
  } else if (target < si.nMin) {
    notify(vertical ? VGRID_NOTIFY_PAST_TOP : VGRID_NOTIFY_PAST_LEFT);
    target = si.nMin;
  }
  if (!hwnd_ || target == si.nPos) return -1;
  SCROLLINFO set{sizeof set, SIF_POS, 0, 0, 0, static_cast<int>(target), 0};
  SetScrollInfo(hwnd_, bar, &set, TRUE);
  return 0;
}

int V_Grid::v_scroll_ope(int code) { return scroll_ope(SB_VERT, code); }
int V_Grid::h_scroll_ope(int code) { return scroll_ope(SB_HORZ, code); }

int V_Grid::manual_scroll_ope(int bar, int operation, int count) {
  return set_scroll_pos(hwnd_, bar == 0 ? SB_VERT : SB_HORZ, operation, count);
}

// ---- Hit testing ------------------------------------------------------------------------------

int V_Grid::slot_column(int slot, int c0) const { return (slot == 0 && fixed_first_) ? 0 : c0 + slot; }

int V_Grid::column_at(int x) const {
  if (x < 0) return -1;
  int c0 = get_left_column();
  int right = 0;
  for (int slot = 0; c0 + slot < column_count_; ++slot) {
    int col = slot_column(slot, c0);
    right += widths_[col];
    if (right > x) return col;
  }
  return -1;
}

int V_Grid::row_at(int y) const {
  if (header_height_ > 0) {
    if (y < header_height_) return -1;
    y -= header_height_;
  }
  if (y < 0 || row_height_ <= 0) return -1;
  int row = y / row_height_ + get_top_row();
  return row < get_row_count() ? row : -1;
}

void V_Grid::select_at(int x, int y) {
  switch (select_mode_) {
    case VGRID_SELECT_CELL:
      select_col_ = column_at(x);
      select_row_ = row_at(y);
      break;
    case VGRID_SELECT_ROW:
      select_col_ = -1;
      select_row_ = row_at(y);
      break;
    case VGRID_SELECT_COLUMN:
      select_col_ = column_at(x);
      select_row_ = -1;
      break;
    default:
      select_col_ = -1;
      select_row_ = -1;
      break;
  }
}

void V_Grid::notify(int code) {
  if (if_mode_ == VGRID_IF_MESSAGE) {
    if (notify_wnd_)
      SendMessage(notify_wnd_, WM_VGRID_NOTIFY, static_cast<WPARAM>(code), reinterpret_cast<LPARAM>(this));
  } else if (if_mode_ == VGRID_IF_INTERFACE) {
    if (iface_) iface_->notify(this, code);
  }
}

// ---- Messages and painting --------------------------------------------------------------------

int V_Grid::_msg_handler(UINT msg, WPARAM wParam, LPARAM lParam) {
  const bool selects = select_mode_ >= 1 && select_mode_ <= 3;
  switch (msg) {
    case WM_SIZE:
      // The new size is drawn by the next paint: a screen filling rows changes the size with
      // every scroll bar that comes or goes, and renders once when it is done.
      compute_scroll();
      if (build_buffer() == 1) {
        dirty_ = 1;
        InvalidateRect(hwnd_, nullptr, FALSE);
      }
      return 1;
    case WM_PAINT: draw(); return 1;
    case WM_HSCROLL:
    case WM_VSCROLL: {
      int r = msg == WM_VSCROLL ? v_scroll_ope(LOWORD(wParam)) : h_scroll_ope(LOWORD(wParam));
      if (r == 0) redraw();
      return 1;
    }
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
      SetCapture(hwnd_);
      select_at(static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam)));
      notify(msg == WM_LBUTTONDOWN ? VGRID_NOTIFY_DOWN : VGRID_NOTIFY_DBLCLK);
      if (selects) redraw();
      return 1;
    case WM_LBUTTONUP:
      ReleaseCapture();
      notify(VGRID_NOTIFY_UP);
      select_col_ = -1;
      select_row_ = -1;
      if (selects) redraw();
      return 1;
    default: return 0;
  }
}

int V_Grid::build_buffer() {
  int w, h;
  client_size(&w, &h);
  if (!mem_dc_) {
    mem_dc_ = CreateCompatibleDC(nullptr);
    if (!mem_dc_) return -1;
  }
  if (mem_bmp_ && w == mem_w_ && h == mem_h_) return 0;
  HBITMAP bmp = CreateCompatibleBitmap(mem_dc_, std::max(w, 1), std::max(h, 1));
  if (!bmp) {
    mem_w_ = mem_h_ = 0;
    return -1;
  }
  HGDIOBJ prev = SelectObject(mem_dc_, bmp);
  if (!mem_old_) mem_old_ = prev;
  if (mem_bmp_) DeleteObject(mem_bmp_);
  mem_bmp_ = bmp;
  mem_w_ = w;
  mem_h_ = h;
  frame_key_ = 0;  // a new bitmap holds no cell yet
  return 1;
}

// The layout of the back buffer: where cells lie, what lies between and around them.
uint64_t V_Grid::frame_key(int topRow, int leftColumn) const {
  Digest d;
  d.Add(static_cast<uint32_t>(mem_w_) | uint64_t(static_cast<uint32_t>(mem_h_)) << 32)
      .Add(static_cast<uint32_t>(topRow) | uint64_t(static_cast<uint32_t>(leftColumn)) << 32)
      .Add(static_cast<uint32_t>(get_row_count()) | uint64_t(static_cast<uint32_t>(column_count_)) << 32)
      .Add(static_cast<uint32_t>(header_height_) | uint64_t(static_cast<uint32_t>(row_height_)) << 32)
      .Add(uint64_t(header_ != nullptr) | uint64_t(fixed_first_) << 1)
      .Add(grid_bg_)
      .Add(line_color_);
  for (int c = 0; c < column_count_; ++c) d.Add(static_cast<uint32_t>(widths_[c]));
  return d.Value();
}

// Renders the cells into the back buffer. A grid fed by pushes changes a few cells between two
// renders: when the layout is the one of the last render, only the cells whose content, colours
// or selection changed since are drawn again (a cell fills its whole rectangle); the rest of the
// buffer already holds them. A new bitmap has no layout yet and is rendered whole.
void V_Grid::render() {
  int w = mem_w_, h = mem_h_;
  if (!mem_dc_ || w < 1 || h < 1) return;
  ++render_count_;
  HDC dc = mem_dc_;
  const int r0 = get_top_row(), c0 = get_left_column();
  const uint64_t frame = frame_key(r0, c0);
  const bool whole = frame != frame_key_;
  frame_key_ = frame;
  int saved = SaveDC(dc);
  if (whole && grid_bg_ != GRAPHIC_NO_COLOR) {
    RECT all{0, 0, w, h};
    if (HBRUSH b = get_cache_brush(&cache_, grid_bg_)) FillRect(dc, &all, b);
  }
  IntersectClipRect(dc, 0, 0, w, h);
  SetBkMode(dc, TRANSPARENT);
  if (line_color_ != GRAPHIC_NO_COLOR)
    if (HPEN pen = get_cache_pen(&cache_, PS_SOLID, 1, line_color_)) SelectObject(dc, pen);

  auto drawCell = [&](V_Grid_Cell& cell, int x, int y, int cw, int ch, bool header, bool selected) {
    const uint64_t key = cell.draw_key(header, selected, x, y, cw, ch, select_bg_, select_fg_);
    if (!whole && key == cell.drawn_key_) return;
    cell.drawn_key_ = key;
    ++cell_draw_count_;
    int level = SaveDC(dc);
    IntersectClipRect(dc, x, y, x + cw, y + ch);
    POINT old;
    OffsetViewportOrgEx(dc, x, y, &old);
    cell.draw(dc, header, selected, cw, ch, select_bg_, select_fg_, &cache_);
    SetViewportOrgEx(dc, old.x, old.y, nullptr);
    RestoreDC(dc, level);
  };

  int y = 0;
  if (header_height_ > 0 && header_) {
    int x = 0;
    for (int slot = 0; c0 + slot < column_count_ && x < w; ++slot) {
      int col = slot_column(slot, c0);
      bool sel = select_mode_ == VGRID_SELECT_COLUMN && col == select_col_;
      drawCell(header_[col], x, 0, widths_[col], header_height_, true, sel);
      x += widths_[col];
    }
    y = header_height_;
  }
  for (int r = r0; r < get_row_count() && y < h; ++r) {
    V_Grid_Cell* row = get_row_cell(r);
    int x = 0;
    for (int slot = 0; c0 + slot < column_count_ && x < w; ++slot) {
      int col = slot_column(slot, c0);
      bool sel = (select_mode_ == VGRID_SELECT_COLUMN && col == select_col_) ||
                 (select_mode_ == VGRID_SELECT_ROW && r == select_row_) ||
                 (select_mode_ == VGRID_SELECT_CELL && r == select_row_ && col == select_col_);
      drawCell(row[col], x, y, widths_[col], row_height_, false, sel);
      x += widths_[col];
    }
    y += row_height_;
  }
  RestoreDC(dc, saved);
}

void V_Grid::draw() {
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(hwnd_, &ps);
  int w, h;
  client_size(&w, &h);
  if (dc && w > 0 && h > 0) {
    int built = build_buffer();
    if (built >= 0) {
      if (dirty_ || built == 1) {
        render();
        dirty_ = 0;
      }
      BitBlt(dc, 0, 0, w, h, mem_dc_, 0, 0, SRCCOPY);
    }
  }
  EndPaint(hwnd_, &ps);
}

// ---- Automation -------------------------------------------------------------------------------

int V_Grid::tap_cell(int row, int column) {
  if (!hwnd_ || !get_cell(column, row)) return -1;
  int w, h;
  client_size(&w, &h);
  // Bring the row into view.
  int room = h - (header_height_ > 0 ? header_height_ : 0);
  int visible = row_height_ > 0 ? std::max(room / row_height_, 1) : 1;
  int top = get_top_row();
  bool moved = false;
  if (row < top || row >= top + visible) {
    int want = row < top ? row : row - visible + 1;
    SCROLLINFO si{sizeof si, SIF_POS, 0, 0, 0, want, 0};
    SetScrollInfo(hwnd_, SB_VERT, &si, TRUE);
    moved = true;
  }
  // Bring the column into view (column 0 is always in view when it is fixed).
  auto columnX = [&]() -> int {
    int c0 = get_left_column(), x = 0;
    for (int slot = 0; c0 + slot < column_count_; ++slot) {
      int col = slot_column(slot, c0);
      if (col == column) return x + widths_[col] > w ? -1 : x;
      x += widths_[col];
    }
    return -1;
  };
  int x = columnX();
  if (x < 0) {
    SCROLLINFO si{sizeof si, SIF_POS, 0, 0, 0, column, 0};
    SetScrollInfo(hwnd_, SB_HORZ, &si, TRUE);
    moved = true;
    x = columnX();
    if (x < 0) {  // wider than the grid: tap its visible part
      int c0 = get_left_column();
      x = 0;
      for (int slot = 0; c0 + slot < column_count_ && slot_column(slot, c0) != column; ++slot)
        x += widths_[slot_column(slot, c0)];
    }
  }
  if (moved) redraw();
  int y = (header_height_ > 0 ? header_height_ : 0) + (row - get_top_row()) * row_height_;
  int px = std::min(x + widths_[column] / 2, std::max(w - 1, 0));
  int py = std::min(y + row_height_ / 2, std::max(h - 1, 0));
  if (column_at(px) != column && select_mode_ == VGRID_SELECT_CELL) px = x;
  LPARAM at = MAKELPARAM(px, py);
  SendMessage(hwnd_, WM_LBUTTONDOWN, MK_LBUTTON, at);
  SendMessage(hwnd_, WM_LBUTTONUP, 0, at);
  return 0;
}

std::u16string V_Grid::describe() {
  std::u16string out = u"grid\trows ";
  AppendNum(out, get_row_count());
  out += u"\tcolumns ";
  AppendNum(out, column_count_);
  out += u"\ttop ";
  AppendNum(out, get_top_row());
  out += u"\tleft ";
  AppendNum(out, get_left_column());
  out += u"\tselected ";
  AppendNum(out, select_col_);
  out += u' ';
  AppendNum(out, select_row_);
  out += u'\n';
  if (header_height_ > 0 && header_) {
    out += u"head";
    for (int c = 0; c < column_count_; ++c) {
      out += u'\t';
      AppendCell(out, header_[c]);
    }
    out += u'\n';
  }
  for (int r = 0; r < get_row_count(); ++r) {
    out += u"row ";
    AppendNum(out, r);
    V_Grid_Cell* row = get_row_cell(r);
    for (int c = 0; c < column_count_; ++c) {
      out += u'\t';
      AppendCell(out, row[c]);
    }
    out += u'\n';
  }
  return out;
}
