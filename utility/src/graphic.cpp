// Graphic cache, drawing primitives, window and scroll helpers.
#include "glimmet/graphic.h"

#include <algorithm>
#include <cstring>

namespace {

int FaceLength(const WCHAR* face) { return face ? lstrlen(face) : 0; }

bool SameFace(const WCHAR* stored, const WCHAR* face) {
  if (!face) return stored[0] == 0;
  return lstrcmp(stored, face) == 0;
}

// Brush or pen of a draw call: from the cache, or made here and deleted by the caller.
struct Pen {
  Pen(V_GRAPHIC_CACHE* cache, COLORREF color) : owned(cache == nullptr) {
    pen = get_cache_pen(cache, PS_SOLID, 1, color);
  }
  ~Pen() {
    if (owned && pen) DeleteObject(pen);
  }
  Pen(const Pen&) = delete;
  Pen& operator=(const Pen&) = delete;
  HPEN pen;
  bool owned;
};

int HorizontalOf(int flags) { return flags & 7; }
int VerticalOf(int flags) { return flags & 0x38; }

}  // namespace

// ---- Cache --------------------------------------------------------------------------------

int init_graphic_cache(V_GRAPHIC_CACHE* cache) {
  if (!cache) return -1;
  std::memset(cache, 0, sizeof *cache);
  if (init_vector(&cache->pens, 50, 50) != 0) return -1;
  if (init_vector(&cache->brushes, 50, 50) != 0) {
    free_vector(&cache->pens);
    return -1;
  }
  if (init_vector(&cache->fonts, 50, 50) != 0) {
    free_vector(&cache->pens);
    free_vector(&cache->brushes);
    return -1;
  }
  return 0;
}

void delete_graphic_cache(V_GRAPHIC_CACHE* cache) {
  if (!cache) return;
  for (int i = 0; i < get_vector_size(&cache->pens); ++i)
    if (auto* e = static_cast<GC_PEN_ENTRY*>(element_at_vec(&cache->pens, i, nullptr))) DeleteObject(e->pen);
  for (int i = 0; i < get_vector_size(&cache->brushes); ++i)
    if (auto* e = static_cast<GC_BRUSH_ENTRY*>(element_at_vec(&cache->brushes, i, nullptr))) DeleteObject(e->brush);
  for (int i = 0; i < get_vector_size(&cache->fonts); ++i)
    if (auto* e = static_cast<GC_FONT_ENTRY*>(element_at_vec(&cache->fonts, i, nullptr))) DeleteObject(e->font);
  free_vector(&cache->pens);
  free_vector(&cache->brushes);
  free_vector(&cache->fonts);
}

HPEN get_cache_pen(V_GRAPHIC_CACHE* cache, int style, int width, COLORREF color) {
  if (!cache) return CreatePen(style, width, color);
  for (int i = 0; i < cache->pens.count; ++i) {
    auto* e = static_cast<GC_PEN_ENTRY*>(element_at_vec(&cache->pens, i, nullptr));
    if (e && e->style == style && e->width == width && e->color == color) return e->pen;
  }
  GC_PEN_ENTRY e{style, width, color, CreatePen(style, width, color)};
  if (!e.pen) return nullptr;
  if (add_data_to_vector(&cache->pens, &e, sizeof e) != 0) {
    DeleteObject(e.pen);
    return nullptr;
  }
  return e.pen;
}

HBRUSH get_cache_brush(V_GRAPHIC_CACHE* cache, COLORREF color) {
  if (!cache) return CreateSolidBrush(color);
  for (int i = 0; i < cache->brushes.count; ++i) {
    auto* e = static_cast<GC_BRUSH_ENTRY*>(element_at_vec(&cache->brushes, i, nullptr));
    if (e && e->color == color) return e->brush;
  }
  GC_BRUSH_ENTRY e{color, CreateSolidBrush(color)};
  if (!e.brush) return nullptr;
  if (add_data_to_vector(&cache->brushes, &e, sizeof e) != 0) {
    DeleteObject(e.brush);
    return nullptr;
  }
  return e.brush;
}

HFONT get_cache_font(V_GRAPHIC_CACHE* cache, const WCHAR* face, int height, int width, int flags) {
  if (!cache) return create_font_easy(face, height, width, flags);
  if (FaceLength(face) > GRAPHIC_FACE_MAX) return nullptr;
  for (int i = 0; i < cache->fonts.count; ++i) {
    auto* e = static_cast<GC_FONT_ENTRY*>(element_at_vec(&cache->fonts, i, nullptr));
    if (e && e->height == height && e->width == width && e->flags == flags && SameFace(e->face, face)) return e->font;
  }
  GC_FONT_ENTRY e{};
  if (face) std::memcpy(e.face, face, static_cast<size_t>(FaceLength(face)) * sizeof(WCHAR));
  e.height = height;
  e.width = width;
  e.flags = flags;
  e.font = create_font_easy(face, height, width, flags);
  if (!e.font) return nullptr;
  if (add_data_to_vector(&cache->fonts, &e, sizeof e) != 0) {
    DeleteObject(e.font);
    return nullptr;
  }
  return e.font;
}

HFONT create_font_easy(const WCHAR* face, int height, int width, int flags) {
  LOGFONT lf{};
  lf.lfHeight = height;
  lf.lfWidth = width;
  lf.lfWeight = (flags & FONT_FLAG_BOLD) ? FW_BOLD : 0;
  lf.lfItalic = (flags & FONT_FLAG_ITALIC) ? 1 : 0;
  lf.lfUnderline = (flags & FONT_FLAG_UNDERLINE) ? 1 : 0;
  lf.lfStrikeOut = (flags & FONT_FLAG_STRIKE) ? 1 : 0;
  lf.lfCharSet = DEFAULT_CHARSET;
  if (face) lstrcpyn(lf.lfFaceName, face, LF_FACESIZE);
  return CreateFontIndirect(&lf);
}

COLORREF chg_light_color(COLORREF color, int lighten, int percent) {
  if ((percent & 0xFF) == 0) return color;
  COLORREF out = 0;
  for (int shift = 0; shift <= 16; shift += 8) {
    int c = static_cast<int>((color >> shift) & 0xFF);
    if (lighten) {
      c += std::max(1, (255 - c) * percent / 100);
      c = std::min(c, 255);
    } else {
      c -= std::max(1, c * percent / 100);
      c = std::max(c, 0);
    }
    out |= static_cast<COLORREF>(c) << shift;
  }
  return out;
}

// ---- Lines and frames ---------------------------------------------------------------------

void draw_line(HDC dc, int x1, int x2, int y1, int y2) {
  POINT pts[2] = {{x1, y1}, {x2, y2}};
  Polyline(dc, pts, 2);
}

void draw_rect(HDC dc, int x, int y, int width, int height) {
  POINT pts[5] = {{x, y}, {x + width - 1, y}, {x + width - 1, y + height - 1}, {x, y + height - 1}, {x, y}};
  Polyline(dc, pts, 5);
}

void draw_3D_rect(HDC dc, int x, int y, int width, int height, int style, int fill, COLORREF fillColor,
                  COLORREF lineColor, V_GRAPHIC_CACHE* cache) {
  if (!dc) return;
  if (fill) {
    int inset = (style == 3 || style == 4) ? 2 : (style >= 1 && style <= 5) ? 1 : 0;
    RECT r{x + inset, y + inset, x + width - inset, y + height - inset};
    HBRUSH brush = get_cache_brush(cache, fillColor);
    if (brush) {
      FillRect(dc, &r, brush);
      if (!cache) DeleteObject(brush);
    }
  }
  if (style < 1 || style > 5) return;
  const int R = x + width, B = y + height;
  HGDIOBJ old = nullptr;
  if (style == 5) {
    Pen line(cache, lineColor);
    old = SelectObject(dc, line.pen);
    draw_rect(dc, x, y, width, height);
    SelectObject(dc, old);
    return;
  }
  COLORREF base = (style <= 2) ? fillColor : lineColor;
  Pen light(cache, chg_light_color(base, 1, 80));
  Pen dark(cache, chg_light_color(base, 0, 80));
  switch (style) {
    case 1:
      old = SelectObject(dc, light.pen);
      draw_line(dc, x, R, y, y);
      draw_line(dc, x, x, y, B);
      SelectObject(dc, dark.pen);
      draw_line(dc, x + 1, R, B - 1, B - 1);
      draw_line(dc, R - 1, R - 1, y + 1, B);
      break;
    case 2:
      old = SelectObject(dc, light.pen);
      draw_line(dc, x, R, B - 1, B - 1);
      draw_line(dc, R - 1, R - 1, y + 1, B);
      SelectObject(dc, dark.pen);
      draw_line(dc, x, R, y, y);
      draw_line(dc, x, x, y, B - 1);
      break;
    case 3:
      old = SelectObject(dc, dark.pen);
      draw_rect(dc, x + 1, y + 1, width - 1, height - 1);
      SelectObject(dc, light.pen);
      draw_rect(dc, x, y, width - 1, height - 1);
      break;
    case 4:
      old = SelectObject(dc, light.pen);
      draw_rect(dc, x + 1, y + 1, width - 1, height - 1);
      SelectObject(dc, dark.pen);
      draw_rect(dc, x, y, width - 1, height - 1);
      break;
  }
  SelectObject(dc, old);
}

namespace {
void DrawStrInRoom(HDC dc, const WCHAR* text, const RECT* rect, const RECT* room, HFONT font, int fontHeight,
                   const WCHAR* face, COLORREF color, int flags, V_GRAPHIC_CACHE* cache);
void DrawStrAndImage(HDC dc, const RECT& rect, const RECT& room, const WCHAR* text, HFONT font, int fontHeight,
                     const WCHAR* face, COLORREF color, int textFlags, HBITMAP bitmap, int imageFlags,
                     V_GRAPHIC_CACHE* cache);
}  // namespace

void draw_3D_rect2(HDC dc, int x, int y, int width, int height, int style, int fill, COLORREF textColor,
                   COLORREF fillColor, COLORREF lineColor, const WCHAR* text, HFONT font, int fontHeight,
                   const WCHAR* face, int textFlags, HBITMAP bitmap, int imageFlags, V_GRAPHIC_CACHE* cache) {
  if (!dc || width < 1 || height < 1) return;
  draw_3D_rect(dc, x, y, width, height, style, fill, fillColor, lineColor, cache);
  int inset = style == 0 ? 1 : style == 5 ? 2 : 3;
  if (width - 2 * inset < 1 || height - 2 * inset < 1) return;
  // A text taller than the room the margins leave (a 13-pixel font in a 16-pixel header) keeps
  // the rows between the margins and the frame's lines: it is placed and clipped there, and never
  // above the cell's top.
  const int frame = style == 0 ? 0 : (style == 3 || style == 4) ? 2 : 1;
  RECT rect{x + inset, y + inset, x + width - inset, y + height - inset};
  RECT room{rect.left, y + frame, rect.right, y + height - frame};
  DrawStrAndImage(dc, rect, room, text, font, fontHeight, face, textColor, textFlags, bitmap, imageFlags, cache);
}

// ---- Text and images ----------------------------------------------------------------------

void draw_str(HDC dc, const WCHAR* text, int x, int y, int width, int height, HFONT font, int fontHeight,
              const WCHAR* face, COLORREF color, int flags, V_GRAPHIC_CACHE* cache) {
  RECT r{x, y, x + width, y + height};
  draw_str_rect(dc, text, &r, font, fontHeight, face, color, flags, cache);
}

void draw_str_rect(HDC dc, const WCHAR* text, const RECT* rect, HFONT font, int fontHeight, const WCHAR* face,
                   COLORREF color, int flags, V_GRAPHIC_CACHE* cache) {
  DrawStrInRoom(dc, text, rect, rect, font, fontHeight, face, color, flags, cache);
}

namespace {

// The text aligned in `rect` and clipped to it; a text taller than `rect` is aligned in and
// clipped to the rows of `room` (which holds `rect`'s columns) instead.
void DrawStrInRoom(HDC dc, const WCHAR* text, const RECT* rect, const RECT* room, HFONT font, int fontHeight,
                   const WCHAR* face, COLORREF color, int flags, V_GRAPHIC_CACHE* cache) {
  if (!dc || !rect || !text || !text[0]) return;
  HFONT use = font;
  bool ownFont = false;
  if (!use) {
    use = get_cache_font(cache, face, fontHeight, 0, 0);
    ownFont = cache == nullptr;
  }
  HGDIOBJ oldFont = use ? SelectObject(dc, use) : nullptr;
  int len = lstrlen(text);
  SIZE ext{};
  GetTextExtentPoint32(dc, text, len, &ext);
  int tx, ty;
  switch (HorizontalOf(flags)) {
    case ALIGN_LEFT: tx = rect->left + 4; break;
    case ALIGN_RIGHT: tx = rect->right - 4 - ext.cx; break;
    default: tx = (rect->left + rect->right - ext.cx) / 2; break;
  }
  // A text that fits the rectangle but not with its 4-pixel margin takes the margin.
  if (ext.cx <= rect->right - rect->left) tx = std::clamp<int>(tx, rect->left, rect->right - ext.cx);
  RECT clip = *rect;
  if (room && ext.cy > rect->bottom - rect->top) {
    clip.top = std::min(room->top, rect->top);
    clip.bottom = std::max(room->bottom, rect->bottom);
  }
  switch (VerticalOf(flags)) {
    case ALIGN_TOP: ty = clip.top; break;
    case ALIGN_BOTTOM: ty = clip.bottom - ext.cy; break;
    default: ty = (clip.top + clip.bottom - ext.cy) / 2; break;
  }
  COLORREF oldColor = 0;
  if (color != GRAPHIC_NO_COLOR) oldColor = SetTextColor(dc, color);
  ExtTextOut(dc, tx, ty, ETO_CLIPPED, &clip, text, static_cast<UINT>(len), nullptr);
  if (color != GRAPHIC_NO_COLOR) SetTextColor(dc, oldColor);
  if (oldFont) SelectObject(dc, oldFont);
  if (ownFont && use) DeleteObject(use);
}

void DrawStrAndImage(HDC dc, const RECT& rect, const RECT& room, const WCHAR* text, HFONT font, int fontHeight,
                     const WCHAR* face, COLORREF color, int textFlags, HBITMAP bitmap, int imageFlags,
                     V_GRAPHIC_CACHE* cache) {
  const int x = rect.left, y = rect.top, width = rect.right - rect.left, height = rect.bottom - rect.top;
  if (!dc || width < 1 || height < 1) return;
  RECT textRect = rect;
  RECT textRoom = room;
  if (bitmap && VerticalOf(imageFlags) == 0 &&
      (HorizontalOf(imageFlags) == ALIGN_LEFT || HorizontalOf(imageFlags) == ALIGN_RIGHT)) {
    BITMAP bm{};
    if (GetObject(bitmap, sizeof bm, &bm) != 0) {
      if (HorizontalOf(imageFlags) == ALIGN_LEFT)
        textRect.left += bm.bmWidth + 1;
      else
        textRect.right -= bm.bmWidth + 1;
    }
  }
  textRoom.left = textRect.left;
  textRoom.right = textRect.right;
  if (bitmap) draw_image(dc, x, y, width, height, bitmap, imageFlags);
  DrawStrInRoom(dc, text, &textRect, &textRoom, font, fontHeight, face, color, textFlags, cache);
}

}  // namespace

void draw_image(HDC dc, int x, int y, int width, int height, HBITMAP bitmap, int flags) {
  if (!dc || !bitmap || width < 1 || height < 1) return;
  BITMAP bm{};
  if (GetObject(bitmap, sizeof bm, &bm) == 0 || bm.bmWidth < 1 || bm.bmHeight < 1) return;
  if (flags & IMAGE_STRETCH) {
    TransparentImage(dc, x, y, width, height, bitmap, 0, 0, bm.bmWidth, bm.bmHeight, GRAPHIC_TRANSPARENT);
    return;
  }
  int px, py;
  switch (HorizontalOf(flags)) {
    case ALIGN_LEFT: px = x; break;
    case ALIGN_RIGHT: px = x + width - bm.bmWidth; break;
    default: px = x + (width - bm.bmWidth) / 2; break;
  }
  switch (VerticalOf(flags)) {
    case ALIGN_TOP: py = y; break;
    case ALIGN_BOTTOM: py = y + height - bm.bmHeight; break;
    default: py = y + (height - bm.bmHeight) / 2; break;
  }
  TransparentImage(dc, px, py, bm.bmWidth, bm.bmHeight, bitmap, 0, 0, bm.bmWidth, bm.bmHeight, GRAPHIC_TRANSPARENT);
}

void draw_image_rect(HDC dc, const RECT* rect, HBITMAP bitmap, int flags) {
  if (!rect) return;
  draw_image(dc, rect->left, rect->top, rect->right - rect->left, rect->bottom - rect->top, bitmap, flags);
}

void draw_str_n_image(HDC dc, int x, int y, int width, int height, const WCHAR* text, HFONT font, int fontHeight,
                      const WCHAR* face, COLORREF color, int textFlags, HBITMAP bitmap, int imageFlags,
                      V_GRAPHIC_CACHE* cache) {
  if (!dc || width < 1 || height < 1) return;
  RECT r{x, y, x + width, y + height};
  DrawStrAndImage(dc, r, r, text, font, fontHeight, face, color, textFlags, bitmap, imageFlags, cache);
}

void draw_str_n_image_rect(HDC dc, const RECT* rect, const WCHAR* text, HFONT font, int fontHeight, const WCHAR* face,
                           COLORREF color, int textFlags, HBITMAP bitmap, int imageFlags, V_GRAPHIC_CACHE* cache) {
  if (!rect) return;
  draw_str_n_image(dc, rect->left, rect->top, rect->right - rect->left, rect->bottom - rect->top, text, font,
                   fontHeight, face, color, textFlags, bitmap, imageFlags, cache);
}

// ---- Windows and scroll bars --------------------------------------------------------------

namespace {
void Store(const RECT* r, int* x, int* y, int* width, int* height) {
  if (x) *x = r ? r->left : 0;
  if (y) *y = r ? r->top : 0;
  if (width) *width = r ? r->right - r->left : 0;
  if (height) *height = r ? r->bottom - r->top : 0;
}
}  // namespace

void get_window_pos(HWND hwnd, int* x, int* y, int* width, int* height) {
  RECT r{};
  Store(hwnd && GetWindowRect(hwnd, &r) ? &r : nullptr, x, y, width, height);
}

void get_window_cli_pos(HWND hwnd, int* x, int* y, int* width, int* height) {
  RECT r{};
  Store(hwnd && GetClientRect(hwnd, &r) ? &r : nullptr, x, y, width, height);
}

int get_scroll_pos(HWND hwnd, int bar) {
  if (!hwnd) return 0;
  SCROLLINFO si{};
  si.cbSize = sizeof si;
  si.fMask = SIF_POS;
  if (!GetScrollInfo(hwnd, bar, &si)) return 0;
  return si.nPos;
}

void set_scroll_page(HWND hwnd, int bar, int page) {
  if (!hwnd || page < 0) return;
  SCROLLINFO si{};
  si.cbSize = sizeof si;
  si.fMask = SIF_PAGE;
  si.nPage = static_cast<UINT>(page);
  SetScrollInfo(hwnd, bar, &si, TRUE);
}

int set_scroll_pos(HWND hwnd, int bar, int operation, int count) {
  if (!hwnd) return -1;
  SCROLLINFO si{};
  si.cbSize = sizeof si;
  si.fMask = SIF_ALL;
  if (!GetScrollInfo(hwnd, bar, &si)) return -1;
  long long target;
  const long long page = static_cast<long long>(si.nPage);
  switch (operation & 0xFF) {
    case SCROLL_OP_ABSOLUTE: target = count; break;
    case SCROLL_OP_MIN: target = si.nMin; break;
    case SCROLL_OP_MAX: target = si.nMax; break;
    case SCROLL_OP_LINES_FORWARD: target = static_cast<long long>(si.nPos) + count; break;
    case SCROLL_OP_LINES_BACK: target = static_cast<long long>(si.nPos) - count; break;
    case SCROLL_OP_PAGES_FORWARD: target = si.nPos + page * count; break;
    case SCROLL_OP_PAGES_BACK: target = si.nPos - page * count; break;
    default: return -1;
  }
  target = std::clamp<long long>(target, si.nMin, std::max(si.nMin, si.nMax));
  if (target == si.nPos) return -1;
  SCROLLINFO set{};
  set.cbSize = sizeof set;
  set.fMask = SIF_POS;
  set.nPos = static_cast<int>(target);
  SetScrollInfo(hwnd, bar, &set, TRUE);
  return 0;
}
