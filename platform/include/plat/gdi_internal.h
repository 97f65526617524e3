// What the windowing layer needs from the graphics layer: device contexts that draw into a
// window's retained surface, and PNG output of a surface.
#pragma once

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

// Writes the surface as an RGB PNG file. Returns false (and writes nothing usable) on failure.
bool WritePng(const Surface& surface, const std::string& path);

}  // namespace plat::gdi
