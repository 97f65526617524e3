// A retained pixel surface: what a window, a memory bitmap or the composed screen draws into.
// Shared between the windowing layer (which owns window surfaces and composes the screen) and the
// graphics layer (which draws into surfaces through device contexts and writes PNG files).
#pragma once

#include <string>
#include <vector>

#include "plat/types.h"

namespace plat {

// One string drawn onto a surface, kept so that a test can read what a screen shows without
// comparing pixels.
struct TextRecord {
  std::u16string text;
  RECT rect;            // in surface coordinates
  COLORREF color;       // text colour
  COLORREF background;  // background colour when drawn opaque, else CLR_INVALID-like 0xFFFFFFFF
  std::u16string face;  // font face as asked for
  int height;           // font height in pixels
  int weight;           // 400 normal, 700 bold
};

struct Surface {
  int width = 0;
  int height = 0;
  // Pixels as COLORREF values (0x00BBGGRR), row-major, width * height entries.
  std::vector<COLORREF> pixels;
  // Strings drawn since the surface was last cleared, oldest first.
  std::vector<TextRecord> texts;

  void Resize(int w, int h, COLORREF fill = 0x00FFFFFF) {
    width = w < 0 ? 0 : w;
    height = h < 0 ? 0 : h;
    pixels.assign(static_cast<size_t>(width) * static_cast<size_t>(height), fill);
    texts.clear();
  }
  COLORREF* Row(int y) { return pixels.data() + static_cast<size_t>(y) * static_cast<size_t>(width); }
  const COLORREF* Row(int y) const { return pixels.data() + static_cast<size_t>(y) * static_cast<size_t>(width); }
};

}  // namespace plat
