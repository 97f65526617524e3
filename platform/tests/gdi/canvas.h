// A small memory canvas for graphics tests: a memory device context with a bitmap of a given
// size and fill, and a picture of its pixels as text rows.
#pragma once

#include <map>
#include <string>

#include "plat/gdi.h"

namespace gdi_test {

struct Canvas {
  HDC dc = nullptr;
  HBITMAP bmp = nullptr;
  HGDIOBJ oldBmp = nullptr;
  int w, h;

  Canvas(int width, int height, COLORREF fill = 0xFFFFFF) : w(width), h(height) {
    dc = CreateCompatibleDC(nullptr);
    bmp = CreateCompatibleBitmap(dc, width, height);
    oldBmp = SelectObject(dc, bmp);
    Fill(fill);
  }
  ~Canvas() {
    SelectObject(dc, oldBmp);
    DeleteObject(bmp);
    DeleteDC(dc);
  }
  Canvas(const Canvas&) = delete;
  Canvas& operator=(const Canvas&) = delete;

  plat::Surface& surface() { return *plat::gdi::SurfaceOfBitmap(bmp); }
  COLORREF At(int x, int y) { return surface().Row(y)[x]; }
  void Fill(COLORREF c) {
    for (auto& p : surface().pixels) p = c;
    surface().texts.clear();
  }

  // Rows of the picture, one character per pixel: the character mapped to the pixel's colour,
  // or '?' for a colour not in the map.
  std::string Art(const std::map<COLORREF, char>& legend) {
    std::string out;
    for (int y = 0; y < h; ++y) {
      for (int x = 0; x < w; ++x) {
        auto it = legend.find(At(x, y));
        out += it == legend.end() ? '?' : it->second;
      }
      out += '\n';
    }
    return out;
  }
  // '#' for black, '.' for white.
  std::string Art() { return Art({{0x000000, '#'}, {0xFFFFFF, '.'}}); }
};

// Joins rows given one per argument into the form Canvas::Art produces.
inline std::string Rows(std::initializer_list<const char*> rows) {
  std::string out;
  for (const char* r : rows) {
    out += r;
    out += '\n';
  }
  return out;
}

// Bounding box of pixels of one colour, empty when none.
inline RECT InkBox(const plat::Surface& s, COLORREF ink) {
  RECT box{s.width, s.height, 0, 0};
  for (int y = 0; y < s.height; ++y)
    for (int x = 0; x < s.width; ++x)
      if (s.Row(y)[x] == ink) {
        box.left = std::min<LONG>(box.left, x);
        box.top = std::min<LONG>(box.top, y);
        box.right = std::max<LONG>(box.right, x + 1);
        box.bottom = std::max<LONG>(box.bottom, y + 1);
      }
  if (box.right <= box.left) box = {0, 0, 0, 0};
  return box;
}

}  // namespace gdi_test
