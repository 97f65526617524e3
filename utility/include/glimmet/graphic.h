// Drawing primitives of the library and the cache of pens, brushes and fonts they draw with, plus
// window-geometry and scroll-bar helpers.
//
// Alignment flags (one byte) of the text and image functions:
//   bits 0-2 horizontal: 1 left, 2 right, any other value centred;
//   bits 3-5 vertical: 8 top, 16 bottom, any other value centred;
//   bit 6 (images only): stretch the bitmap to the rectangle.
// Bitmaps are drawn with magenta (0xFF00FF) as the transparent colour.
//
// Frame styles of draw_3D_rect: 0 none, 1 raised, 2 sunken, 3 etched, 4 bump, 5 single line in the
// line colour, 6 and above none.
#pragma once

#include "glimmet/vector.h"
#include "plat/windows.h"

// Longest face name the cache keeps (characters, without the terminator). A longer face is
// refused by the cache rather than cut, since a cut name could match another face's entry.
constexpr int GRAPHIC_FACE_MAX = 29;

// Font flags of create_font_easy and get_cache_font.
constexpr int FONT_FLAG_BOLD = 1;
constexpr int FONT_FLAG_ITALIC = 2;
constexpr int FONT_FLAG_UNDERLINE = 4;
constexpr int FONT_FLAG_STRIKE = 8;

// Text and image alignment flags.
constexpr int ALIGN_LEFT = 1;
constexpr int ALIGN_RIGHT = 2;
constexpr int ALIGN_TOP = 8;
constexpr int ALIGN_BOTTOM = 16;
constexpr int IMAGE_STRETCH = 64;

constexpr COLORREF GRAPHIC_TRANSPARENT = 0x00FF00FF;
constexpr COLORREF GRAPHIC_NO_COLOR = 0xFFFFFFFF;

struct GC_PEN_ENTRY {
  int style;
  int width;
  COLORREF color;
  HPEN pen;
};
struct GC_BRUSH_ENTRY {
  COLORREF color;
  HBRUSH brush;
};
struct GC_FONT_ENTRY {
  WCHAR face[GRAPHIC_FACE_MAX + 1];
  int height;
  int width;
  int flags;
  HFONT font;
};

// Each vector holds owned copies of its entries; the cache owns every object in it.
struct V_GRAPHIC_CACHE {
  VECTOR pens;
  VECTOR brushes;
  VECTOR fonts;
};

// 0, or -1 for NULL or no memory (nothing is left allocated then).
int init_graphic_cache(V_GRAPHIC_CACHE* cache);
// Deletes every cached object and frees the vectors (the cache may be initialised again).
void delete_graphic_cache(V_GRAPHIC_CACHE* cache);
// The cached object with exactly these values, created and cached when missing; NULL when it
// cannot be made or stored. With a NULL cache the new object belongs to the caller.
HPEN get_cache_pen(V_GRAPHIC_CACHE* cache, int style, int width, COLORREF color);
HBRUSH get_cache_brush(V_GRAPHIC_CACHE* cache, COLORREF color);
HFONT get_cache_font(V_GRAPHIC_CACHE* cache, const WCHAR* face, int height, int width, int flags);
// A font of the face (at most LF_FACESIZE - 1 characters are used), height, width and flags.
HFONT create_font_easy(const WCHAR* face, int height, int width, int flags);

// Lighter (lighten non-zero) or darker by `percent` of the way to white or black, each byte moving
// at least 1; a percent whose low byte is 0 leaves the colour unchanged.
COLORREF chg_light_color(COLORREF color, int lighten, int percent);

// A segment from (x1, y1) to (x2, y2) with the current pen (the end point not drawn).
void draw_line(HDC dc, int x1, int x2, int y1, int y2);
// The outline of the width x height rectangle at (x, y) with the current pen.
void draw_rect(HDC dc, int x, int y, int width, int height);
void draw_3D_rect(HDC dc, int x, int y, int width, int height, int style, int fill, COLORREF fillColor,
                  COLORREF lineColor, V_GRAPHIC_CACHE* cache);
// A frame (draw_3D_rect) with text and bitmap inside it: inset 1 for style 0, 2 for style 5, 3 for
// the other styles. A text taller than the inset leaves room for is placed and clipped between the
// frame's lines instead (a 13-pixel font in a 16-pixel grid header keeps its top rows).
void draw_3D_rect2(HDC dc, int x, int y, int width, int height, int style, int fill, COLORREF textColor,
                   COLORREF fillColor, COLORREF lineColor, const WCHAR* text, HFONT font, int fontHeight,
                   const WCHAR* face, int textFlags, HBITMAP bitmap, int imageFlags, V_GRAPHIC_CACHE* cache);
// Text aligned in the rectangle and clipped to it: left and right alignment keep 4 pixels from the
// edge, unless the text fits the rectangle only without them. The font is `font`, else the cached
// (or made and deleted) font of face and height.
// A text colour of GRAPHIC_NO_COLOR keeps the context's colour.
void draw_str(HDC dc, const WCHAR* text, int x, int y, int width, int height, HFONT font, int fontHeight,
              const WCHAR* face, COLORREF color, int flags, V_GRAPHIC_CACHE* cache);
void draw_str_rect(HDC dc, const WCHAR* text, const RECT* rect, HFONT font, int fontHeight, const WCHAR* face,
                   COLORREF color, int flags, V_GRAPHIC_CACHE* cache);
void draw_image(HDC dc, int x, int y, int width, int height, HBITMAP bitmap, int flags);
void draw_image_rect(HDC dc, const RECT* rect, HBITMAP bitmap, int flags);
// The bitmap first, then the text; a bitmap placed left or right (without vertical flags) takes
// its width plus 1 pixel from the text's rectangle on that side.
void draw_str_n_image(HDC dc, int x, int y, int width, int height, const WCHAR* text, HFONT font, int fontHeight,
                      const WCHAR* face, COLORREF color, int textFlags, HBITMAP bitmap, int imageFlags,
                      V_GRAPHIC_CACHE* cache);
void draw_str_n_image_rect(HDC dc, const RECT* rect, const WCHAR* text, HFONT font, int fontHeight, const WCHAR* face,
                           COLORREF color, int textFlags, HBITMAP bitmap, int imageFlags, V_GRAPHIC_CACHE* cache);

// Window rectangle (screen coordinates) and client rectangle; NULL outputs are skipped; a NULL
// window or a failing query gives 0 in every output.
void get_window_pos(HWND hwnd, int* x, int* y, int* width, int* height);
void get_window_cli_pos(HWND hwnd, int* x, int* y, int* width, int* height);

// Scroll-bar operations of set_scroll_pos (low byte of `operation`).
constexpr int SCROLL_OP_ABSOLUTE = 0;
constexpr int SCROLL_OP_MIN = 1;
constexpr int SCROLL_OP_MAX = 2;
constexpr int SCROLL_OP_LINES_FORWARD = 3;
constexpr int SCROLL_OP_LINES_BACK = 4;
constexpr int SCROLL_OP_PAGES_FORWARD = 5;
constexpr int SCROLL_OP_PAGES_BACK = 6;

// The bar's position (0 for a NULL window or a failing query).
int get_scroll_pos(HWND hwnd, int bar);
// Sets only the page size (nothing for a NULL window or a negative page).
void set_scroll_page(HWND hwnd, int bar, int page);
// Moves the bar (target limited to its range): 0 when the position changed, -1 when it did not or
// the operation is unknown.
int set_scroll_pos(HWND hwnd, int bar, int operation, int count);
