// What the windowing layer needs from the graphics layer: device contexts that draw into a
// window's retained surface, and PNG output of a surface.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "plat/surface.h"
#include "plat/types.h"

namespace plat::gdi {

// A device context drawing into `surface`, with logical (0,0) at surface point (originX, originY)
// and every drawing clipped to `clip` (surface coordinates). Released with ReleaseSurfaceDC.
HDC CreateSurfaceDC(Surface* surface, int originX, int originY, const RECT& clip);
void ReleaseSurfaceDC(HDC dc);
// Takes every rectangle (logical) out of the context's clip, as ExcludeClipRect for each in turn
// does, with the clip worked out once at the end (a parent's context excludes all its children).
void ExcludeClipRects(HDC dc, const std::vector<RECT>& rects);

// A string whose clip rectangle (ExtTextOut's with ETO_CLIPPED, DrawText's without DT_NOCLIP) cut
// off ink of its glyphs: the text, that rectangle (surface coordinates of the surface drawn on) and
// the ink pixels cut off. Ink outside the surface itself (a cell scrolled partly out of its
// window) does not count, nor ink beside the rectangle of a string wider than the rectangle (a long
// text cut at its end); ink above or below it always does.
struct ClippedText {
  std::u16string text;
  RECT clip;
  int pixels;
};
// The strings drawn clipped since the last call, oldest first (the first kClippedTextsKept of
// them), and how many were drawn clipped in all; the list starts empty again.
constexpr size_t kClippedTextsKept = 64;
std::vector<ClippedText> TakeClippedTexts(size_t* total = nullptr);

// Writes the surface as an RGB PNG file. Returns false (and writes nothing usable) on failure.
bool WritePng(const Surface& surface, const std::string& path);

}  // namespace plat::gdi
