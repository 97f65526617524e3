// V_Grid: the owner-drawn table of the list screens. A child window of class "V_GRID" with an
// optional header row, fixed column widths, rows of equal height, an optional fixed first column,
// scroll bars, a highlight of the tapped cell, row or column while the stylus is down, a back
// buffer rendered only after redraw() (or a size change), and notifications to the screen.
//
// Typical use: init, set_location, set_select_flag, set_if_mode(1), set_visible(1); for each
// reply remove_all_row, add_row per record and the cells' set_text / set_fg / set_bg / ...; then
// redraw() once. Row changes never repaint by themselves.
//
// Notifications (wParam of WM_VGRID_NOTIFY, sent synchronously to the notification window with
// lParam = the V_Grid*, or the code given to V_Grid_Interface::notify in mode 2):
//   1 stylus down (selection just set)       2 double tap (selection just set)
//   3 stylus up (before the selection is cleared), or a vertical step past the last row
//   4 a vertical step above the first row    5 a horizontal step left of the first column
//   6 a horizontal step past the last column
//
// Automation: the grid answers WM_PLAT_INSPECT with one line per part, tab-separated:
//   grid<TAB>rows N<TAB>columns C<TAB>top R<TAB>left L<TAB>selected COL ROW
//   head<TAB>cell<TAB>cell...            (only with a header)
//   row K<TAB>cell<TAB>cell...           (every row, K from 0)
// where a cell is  text|FG|BG  with FG and BG the text and background COLORREF as 6 hex digits
// (0x00BBGGRR order, e.g. 0000FF is red) and the text escaped: backslash as \\, tab as \t, line
// feed as \n, carriage return as \r and '|' as \|. WM_PLAT_TAP_CELL (wParam row, lParam column)
// and tap_cell() tap a cell as the user would: scrolled into view, then stylus down and up.
//
// Grids and cells are not copyable.
#pragma once

#include <cstdint>
#include <string>

#include "glimmet/graphic.h"
#include "glimmet/vector.h"
#include "plat/windows.h"

#define WM_VGRID_NOTIFY 1124  // WM_USER + 100; spelled as the base library spells it, so both headers agree

constexpr int VGRID_NOTIFY_DOWN = 1;
constexpr int VGRID_NOTIFY_DBLCLK = 2;
constexpr int VGRID_NOTIFY_UP = 3;  // also: a vertical step past the last row
constexpr int VGRID_NOTIFY_PAST_BOTTOM = 3;
constexpr int VGRID_NOTIFY_PAST_TOP = 4;
constexpr int VGRID_NOTIFY_PAST_LEFT = 5;
constexpr int VGRID_NOTIFY_PAST_RIGHT = 6;

// Selection modes.
constexpr int VGRID_SELECT_CELL = 1;
constexpr int VGRID_SELECT_ROW = 2;
constexpr int VGRID_SELECT_COLUMN = 3;

// Notification modes.
constexpr int VGRID_IF_MESSAGE = 1;
constexpr int VGRID_IF_INTERFACE = 2;

class V_Grid;

class V_Grid_Interface {
 public:
  virtual ~V_Grid_Interface() = default;
  virtual void notify(V_Grid* grid, int code) = 0;
};

class V_Grid_Cell {
 public:
  V_Grid_Cell();
  explicit V_Grid_Cell(V_Grid* grid);
  virtual ~V_Grid_Cell();
  V_Grid_Cell(const V_Grid_Cell&) = delete;
  V_Grid_Cell& operator=(const V_Grid_Cell&) = delete;

  virtual void set_grid(V_Grid* grid);
  // Paints the cell into a context whose origin is the cell's top-left corner.
  virtual void draw(HDC dc, int isHeader, int isSelected, int width, int height, COLORREF selectBg, COLORREF selectFg,
                    V_GRAPHIC_CACHE* cache);
  virtual void change_location(int x, int y);
  virtual void change_position(int x, int y, int width, int height);

  // Replace both the code-page-949 and the UTF-16 copy. A length below 1 means up to the NUL;
  // a given length is cut at a NUL inside it. NULL clears the text. 0, or -1 when memory ran out
  // (the cell is then left without text).
  int set_text(const char* text, int length);
  int set_text(const WCHAR* text, int length);
  // The hidden key: `length` bytes exactly (NULs included); below 1 means up to the NUL. A NUL
  // is kept after the bytes. NULL clears it.
  int set_res_text(const char* text, int length);
  void set_res_obj(void* obj) { res_obj_ = obj; }
  void set_image(HBITMAP bitmap) { image_ = bitmap; }
  void set_str_flag(int flags) { str_flag_ = static_cast<BYTE>(flags); }
  void set_image_flag(int flags) { image_flag_ = static_cast<BYTE>(flags); }
  void set_color(COLORREF fg, COLORREF bg) {
    fg_ = fg;
    bg_ = bg;
  }
  void set_bg(COLORREF bg) { bg_ = bg; }
  void set_fg(COLORREF fg) { fg_ = fg; }
  void set_line_flag(int flags) { line_flag_ = static_cast<BYTE>(flags); }
  // The font stays the caller's; NULL goes back to the shared default cell font.
  void set_font(HFONT font) { font_ = font; }

  // Never NULL: an empty string when there is no text.
  const char* get_text() const;
  const WCHAR* get_text_wchar() const;
  const char* get_res_text() const;
  int get_res_text_len() const { return res_len_; }
  void* get_res_obj() const { return res_obj_; }
  HBITMAP get_image() const { return image_; }
  COLORREF get_fg() const { return fg_; }
  COLORREF get_bg() const { return bg_; }
  int get_str_flag() const { return str_flag_; }
  int get_line_flag() const { return line_flag_; }
  HFONT get_font() const;
  V_Grid* get_grid() const { return grid_; }

 private:
  char* text_ = nullptr;
  WCHAR* wtext_ = nullptr;
  size_t text_cap_ = 0;       // bytes that text_ holds, its NUL included
  size_t wtext_cap_ = 0;      // characters that wtext_ holds, its NUL included
  bool wide_source_ = false;  // the text was last given in UTF-16 (text_ is its conversion)
  void drop_text();
  char* res_text_ = nullptr;
  int res_len_ = 0;
  void* res_obj_ = nullptr;
  HBITMAP image_ = nullptr;
  BYTE str_flag_ = 2;
  BYTE image_flag_ = 1;
  COLORREF bg_ = 0xFFFFFF;
  COLORREF fg_ = 0x000000;
  BYTE line_flag_ = 3;
  HFONT font_ = nullptr;
  V_Grid* grid_ = nullptr;

  // What the cell was last rendered with into its grid's back buffer (0: not rendered).
  friend class V_Grid;
  uint64_t drawn_key_ = 0;
  uint64_t draw_key(bool header, bool selected, int x, int y, int width, int height, COLORREF selectBg,
                    COLORREF selectFg) const;
};

class V_Grid {
 public:
  V_Grid();
  virtual ~V_Grid();
  V_Grid(const V_Grid&) = delete;
  V_Grid& operator=(const V_Grid&) = delete;

  // Window messages of the grid; a result above 0 means handled.
  virtual int _msg_handler(UINT msg, WPARAM wParam, LPARAM lParam);

  // titles: column-count texts or NULL (a NULL entry leaves that title empty); widths: column-count
  // pixels. 0, or -1 on any failure.
  int init(HWND parent, int id, int headerHeight, const WCHAR* const* titles, int columnCount, const int* widths,
           int rowHeight, int initialRows, HFONT font, int fixedFirstColumn);
  void set_visible(int visible);
  void set_location(int x, int y, int width, int height);
  void redraw();
  void draw();

  V_Grid_Cell* add_row();
  V_Grid_Cell* insert_row(int index);
  int remove_row(int index);
  void remove_all_row();

  V_Grid_Cell* get_row_cell(int row);
  V_Grid_Cell* get_cell(int column, int row);
  V_Grid_Cell* get_head_cell();
  // malloc'd arrays, released with free: the column's cells (row-count entries) / the rows.
  V_Grid_Cell** get_column_cell(int column);
  V_Grid_Cell** get_all_cell();
  int get_row_count() const;
  int get_column_count() const { return column_count_; }

  int set_select_flag(int mode);
  int set_if_mode(int mode);
  int set_if_mode(int mode, V_Grid_Interface* iface, HWND window);
  void get_select_info(int* column, int* row) const;
  V_Grid_Cell* get_select_cell(int* column, int* row);

  COLORREF set_line_color(COLORREF color);
  COLORREF set_grid_bg(COLORREF color);
  // The second colour becomes the selection background (the first is not used).
  void set_select_color(COLORREF unused, COLORREF selectBg);

  // One scroll-bar action (SB_LINEUP ... SB_ENDSCROLL): 0 when the position changed, else -1.
  int v_scroll_ope(int code);
  int h_scroll_ope(int code);
  // bar 0 vertical (rows), other values horizontal; operations as set_scroll_pos.
  int manual_scroll_ope(int bar, int operation, int count);

  // Automation and tests.
  HWND get_hwnd() const { return hwnd_; }
  // Taps the cell (row from 0, column) as the user would; 0, or -1 when there is no such cell.
  int tap_cell(int row, int column);
  // The WM_PLAT_INSPECT text (see the top of this header).
  std::u16string describe();
  // Number of times the back buffer was rendered.
  int get_render_count() const { return render_count_; }
  int get_cell_draw_count() const { return cell_draw_count_; }  // cells drawn by all renders
  int get_top_row() const;
  int get_left_column() const;

 private:
  static LRESULT CALLBACK WndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
  void notify(int code);
  void compute_scroll();
  void compute_vertical();
  void compute_horizontal();
  void set_range(int bar, const SCROLLINFO& si);
  int build_buffer();  // 1 new bitmap, 0 unchanged, -1 failure
  void render();
  uint64_t frame_key(int topRow, int leftColumn) const;
  int scroll_ope(int bar, int code);
  int column_at(int x) const;
  int row_at(int y) const;
  void select_at(int x, int y);
  int slot_column(int slot, int c0) const;
  V_Grid_Cell* new_row();
  void client_size(int* w, int* h) const;

  HWND hwnd_ = 0;
  HINSTANCE instance_ = nullptr;
  int column_count_ = 0;
  VECTOR rows_{};
  int row_height_ = 0;
  int* widths_ = nullptr;
  int header_height_ = 0;
  V_Grid_Cell* header_ = nullptr;
  BYTE fixed_first_ = 0;
  COLORREF line_color_ = 0xB4B4B4;
  HDC mem_dc_ = nullptr;
  HBITMAP mem_bmp_ = nullptr;
  HGDIOBJ mem_old_ = nullptr;
  int mem_w_ = 0;
  int mem_h_ = 0;
  BYTE dirty_ = 0;
  uint64_t frame_key_ = 0;  // the layout of the last render into the back buffer (0: none)
  V_GRAPHIC_CACHE cache_{};
  bool cache_ready_ = false;
  BYTE select_mode_ = 2;
  int select_col_ = -1;
  int select_row_ = -1;
  BYTE if_mode_ = 0;
  V_Grid_Interface* iface_ = nullptr;
  HWND notify_wnd_ = 0;
  COLORREF grid_bg_ = 0xFFFFFF;
  COLORREF select_bg_ = 0xB47864;
  COLORREF select_fg_ = 0xFFFFFF;
  bool in_scroll_compute_ = false;
  int render_count_ = 0;
  int cell_draw_count_ = 0;
};
