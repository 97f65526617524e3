// Internal state of the graphics layer: objects, device contexts and the clip.
#pragma once

#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "plat/gdi.h"
#include "plat/gdi_internal.h"
#include "plat/surface.h"

struct PlatGdiObject {
  enum class Kind { Pen, Brush, Font, Bitmap, Region };
  Kind kind;
  bool stock = false;
  bool deleted = false;  // DeleteObject was called while selected: freed when the last use ends
  int uses = 0;          // selections in device contexts and their saved states
  // Pen.
  int penStyle = PS_SOLID;
  int penWidth = 1;
  // Pen and brush.
  COLORREF color = 0;
  bool nullBrush = false;
  // Font.
  LOGFONT font{};
  // Bitmap.
  plat::Surface surface;
  int bitsPixel = 24;
  // Region: disjoint rectangles.
  std::vector<RECT> rects;

  explicit PlatGdiObject(Kind k) : kind(k) {}
};

namespace plat::gdi::detail {

// One lock for the whole layer: objects are shared by the threads of a process.
std::recursive_mutex& Lock();

HGDIOBJ NewObject(PlatGdiObject::Kind kind);
bool IsLiveObject(HGDIOBJ obj);
bool IsLiveDC(HDC dc);
void AddUse(HGDIOBJ obj);
void DropUse(HGDIOBJ obj);

// Region arithmetic on lists of disjoint rectangles.
std::vector<RECT> RectsAnd(const std::vector<RECT>& a, const RECT& r);
std::vector<RECT> RectsMinus(const std::vector<RECT>& a, const RECT& r);
// The same into `out` (emptied first; must not be `a`), reusing its room.
void RectsMinusInto(const std::vector<RECT>& a, const RECT& r, std::vector<RECT>& out);
std::vector<RECT> RectsAndRects(const std::vector<RECT>& a, const std::vector<RECT>& b);
std::vector<RECT> RectsMinusRects(const std::vector<RECT>& a, const std::vector<RECT>& b);
RECT RectsBox(const std::vector<RECT>& a);

}  // namespace plat::gdi::detail

struct PlatDCState {
  HGDIOBJ pen = nullptr;
  HGDIOBJ brush = nullptr;
  HGDIOBJ font = nullptr;
  HGDIOBJ bitmap = nullptr;  // memory contexts only
  COLORREF textColor = 0x000000;
  COLORREF bkColor = 0xFFFFFF;
  int bkMode = OPAQUE;
  int rop2 = R2_COPYPEN;
  UINT textAlign = TA_LEFT | TA_TOP;
  POINT viewport{0, 0};
  POINT current{0, 0};
  bool hasClip = false;
  std::vector<RECT> clip;  // the program's clip region, device coordinates
};

struct PlatDC {
  bool memory = false;
  plat::Surface* surface = nullptr;  // window surface, or the selected bitmap's surface
  int originX = 0, originY = 0;      // surface point of device (0, 0)
  RECT systemClip{0, 0, 0, 0};       // surface coordinates
  PlatDCState st;
  std::vector<PlatDCState> saved;
  // Effective clip in surface coordinates: system clip and the program's clip together.
  std::vector<RECT> eff;

  void UpdateClip();
  // Logical point to surface point, kept within +-2^29 so that later arithmetic cannot overflow.
  static int Clamp(long long v) {
    constexpr long long kLimit = 1LL << 29;
    return static_cast<int>(v < -kLimit ? -kLimit : (v > kLimit ? kLimit : v));
  }
  int SX(int x) const { return Clamp(static_cast<long long>(x) + st.viewport.x + originX); }
  int SY(int y) const { return Clamp(static_cast<long long>(y) + st.viewport.y + originY); }
  bool Visible(int sx, int sy) const {
    for (const RECT& r : eff)
      if (sx >= r.left && sx < r.right && sy >= r.top && sy < r.bottom) return true;
    return false;
  }
};

namespace plat::gdi::detail {

// Pixel operations on a context (surface coordinates, clip checked).
void PlotRop(PlatDC* dc, int sx, int sy, COLORREF color, int rop2);
// Fills a surface rectangle (clipped) with a colour under a binary raster operation.
void FillSurfaceRect(PlatDC* dc, RECT r, COLORREF color, int rop2);
// Removes text records lying wholly within a painted-over surface rectangle (clip considered).
void EraseTexts(PlatDC* dc, const RECT& r);
COLORREF ApplyRop2(int rop2, COLORREF pen, COLORREF dst);

}  // namespace plat::gdi::detail
