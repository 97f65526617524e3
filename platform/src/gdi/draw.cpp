// Lines, shapes, fills and single pixels.
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <utility>
#include <vector>

#include "gdi/gdi_core.h"

using namespace plat::gdi::detail;

namespace plat::gdi::detail {

COLORREF ApplyRop2(int rop2, COLORREF p, COLORREF d) {
  COLORREF r;
  switch (rop2) {
    case R2_BLACK: r = 0; break;
    case R2_NOTMERGEPEN: r = ~(p | d); break;
    case R2_MASKNOTPEN: r = ~p & d; break;
    case R2_NOTCOPYPEN: r = ~p; break;
    case R2_MASKPENNOT: r = p & ~d; break;
    case R2_NOT: r = ~d; break;
    case R2_XORPEN: r = p ^ d; break;
    case R2_NOTMASKPEN: r = ~(p & d); break;
    case R2_MASKPEN: r = p & d; break;
    case R2_NOTXORPEN: r = ~(p ^ d); break;
    case R2_NOP: r = d; break;
    case R2_MERGENOTPEN: r = ~p | d; break;
    case R2_MERGEPEN: r = p | d; break;
    case R2_MERGEPENNOT: r = p | ~d; break;
    case R2_WHITE: r = 0xFFFFFF; break;
    case R2_COPYPEN:
    default: r = p; break;
  }
  return r & 0xFFFFFF;
}

void PlotRop(PlatDC* dc, int sx, int sy, COLORREF color, int rop2) {
  plat::Surface* s = dc->surface;
  if (!s || sx < 0 || sy < 0 || sx >= s->width || sy >= s->height) return;
  if (!dc->Visible(sx, sy)) return;
  COLORREF& px = s->Row(sy)[sx];
  px = ApplyRop2(rop2, color & 0xFFFFFF, px);
}

void FillSurfaceRect(PlatDC* dc, RECT r, COLORREF color, int rop2) {
  plat::Surface* s = dc->surface;
  if (!s) return;
  for (const RECT& c : dc->eff) {
    int l = std::max({r.left, c.left, LONG{0}}), t = std::max({r.top, c.top, LONG{0}});
    int rr = std::min({r.right, c.right, static_cast<LONG>(s->width)});
    int b = std::min({r.bottom, c.bottom, static_cast<LONG>(s->height)});
    for (int y = t; y < b; ++y) {
      COLORREF* row = s->Row(y);
      if (rop2 == R2_COPYPEN) {  // the common case: plain colour, a row at a time
        if (l < rr) std::fill(row + l, row + rr, color & 0xFFFFFF);
        continue;
      }
      for (int x = l; x < rr; ++x) row[x] = ApplyRop2(rop2, color & 0xFFFFFF, row[x]);
    }
  }
}

void EraseTexts(PlatDC* dc, const RECT& r) {
  plat::Surface* s = dc->surface;
  if (!s || s->texts.empty()) return;
  auto covered = [&](const plat::TextRecord& t) {
    // A text not inside the drawn rectangle stays, whatever the clip: most texts of a window lie
    // elsewhere, and the clip of a dialog's context has a piece around every control.
    if (t.rect.left < r.left || t.rect.top < r.top || t.rect.right > r.right || t.rect.bottom > r.bottom) return false;
    for (const RECT& c : dc->eff) {
      RECT i{std::max(r.left, c.left), std::max(r.top, c.top), std::min(r.right, c.right),
             std::min(r.bottom, c.bottom)};
      if (t.rect.left >= i.left && t.rect.top >= i.top && t.rect.right <= i.right && t.rect.bottom <= i.bottom)
        return true;
    }
    return false;
  };
  s->texts.erase(std::remove_if(s->texts.begin(), s->texts.end(), covered), s->texts.end());
}

}  // namespace plat::gdi::detail

namespace {

using Lock_t = std::lock_guard<std::recursive_mutex>;

// A brush argument may be a system colour index plus one, as the platform allows.
bool BrushColor(HBRUSH brush, COLORREF& color) {
  uintptr_t v = reinterpret_cast<uintptr_t>(brush);
  if (v >= 1 && v <= 27) {
    color = GetSysColor(static_cast<int>(v - 1));
    return true;
  }
  if (!IsLiveObject(brush) || brush->kind != PlatGdiObject::Kind::Brush || brush->nullBrush) return false;
  color = brush->color;
  return true;
}

bool PenVisible(PlatDC* dc) {
  HGDIOBJ pen = dc->st.pen;
  return pen && pen->penStyle != PS_NULL;
}

bool BrushVisible(PlatDC* dc) {
  HGDIOBJ b = dc->st.brush;
  return b && !b->nullBrush;
}

// Points of a shape, in surface coordinates, each applied once even where strokes overlap
// (so that inverting modes stay exact).
struct PixelSet {
  std::vector<std::pair<int, int>> pts;
  void Add(int x, int y) { pts.emplace_back(y, x); }
  void Apply(PlatDC* dc, COLORREF color, int rop2) {
    std::sort(pts.begin(), pts.end());
    pts.erase(std::unique(pts.begin(), pts.end()), pts.end());
    for (auto [y, x] : pts) PlotRop(dc, x, y, color, rop2);
  }
};

// Dash patterns: lengths of alternating on and off runs, in pixels.
bool DashOn(int style, int step) {
  if (style == PS_DASH) return step % 24 < 18;
  if (style == PS_DOT) return step % 6 < 3;
  return true;
}

// Bresenham from (x0, y0) to (x1, y1), surface coordinates, without the end point. `step`
// counts from `firstStep` (for dash patterns).
template <typename F>
void WalkLine(long long x0, long long y0, long long x1, long long y1, long long firstStep, F&& plot) {
  long long dx = std::llabs(x1 - x0), sx = x0 < x1 ? 1 : -1;
  long long dy = -std::llabs(y1 - y0), sy = y0 < y1 ? 1 : -1;
  long long err = dx + dy;
  long long step = firstStep;
  while (!(x0 == x1 && y0 == y1)) {
    plot(static_cast<int>(x0), static_cast<int>(y0), step++);
    long long e2 = 2 * err;
    if (e2 >= dy) {
      err += dy;
      x0 += sx;
    }
    if (e2 <= dx) {
      err += dx;
      y0 += sy;
    }
  }
}

// The area where drawing can show, widened by `margin` pixels; false when nothing shows.
bool DrawableBox(PlatDC* dc, int margin, RECT& box) {
  if (dc->eff.empty()) return false;
  box = RectsBox(dc->eff);
  box.left -= margin;
  box.top -= margin;
  box.right += margin;
  box.bottom += margin;
  return true;
}

// Lines longer than this are first cut to the drawable area, so that a far-away coordinate
// (a missing value drawn as -999999999, say) costs no time; shorter ones are walked whole.
constexpr long long kLongLine = 16384;

// Strokes a segment with the current pen (surface coordinates).
void StrokeSegment(PlatDC* dc, int x0, int y0, int x1, int y1, PixelSet& on, PixelSet& off) {
  HGDIOBJ pen = dc->st.pen;
  int w = std::max(1, pen->penWidth);
  int lo = -(w / 2);
  RECT box;
  if (!DrawableBox(dc, w + 1, box)) return;
  if (std::max(x0, x1) < box.left || std::min(x0, x1) >= box.right || std::max(y0, y1) < box.top ||
      std::min(y0, y1) >= box.bottom)
    return;
  long long ax = x0, ay = y0, bx = x1, by = y1, first = 0;
  long long len = std::max(std::llabs(bx - ax), std::llabs(by - ay));
  if (len > kLongLine) {
    // Liang-Barsky: the part of the segment inside the box.
    double t0 = 0, t1 = 1, ddx = static_cast<double>(bx - ax), ddy = static_cast<double>(by - ay);
    auto edge = [&](double p, double q) {
      if (p == 0) return q >= 0;
      double t = q / p;
      if (p < 0) {
        if (t > t1) return false;
        if (t > t0) t0 = t;
      } else {
        if (t < t0) return false;
        if (t < t1) t1 = t;
      }
      return true;
    };
    if (!edge(-ddx, static_cast<double>(ax - box.left)) || !edge(ddx, static_cast<double>(box.right - ax)) ||
        !edge(-ddy, static_cast<double>(ay - box.top)) || !edge(ddy, static_cast<double>(box.bottom - ay)))
      return;
    long long nax = std::llround(ax + t0 * ddx), nay = std::llround(ay + t0 * ddy);
    long long nbx = std::llround(ax + t1 * ddx), nby = std::llround(ay + t1 * ddy);
    first = std::llround(t0 * static_cast<double>(len));
    ax = nax;
    ay = nay;
    if (t1 < 1) {
      bx = nbx;
      by = nby;
    }
  }
  WalkLine(ax, ay, bx, by, first, [&](int x, int y, long long step) {
    PixelSet& target = DashOn(pen->penStyle, static_cast<int>(step % 24)) ? on : off;
    if (w == 1) {
      target.Add(x, y);
      return;
    }
    for (int j = 0; j < w; ++j)
      for (int i = 0; i < w; ++i) target.Add(x + lo + i, y + lo + j);
  });
}

void FinishStroke(PlatDC* dc, PixelSet& on, PixelSet& off) {
  on.Apply(dc, dc->st.pen->color, dc->st.rop2);
  if (dc->st.bkMode == OPAQUE && dc->st.pen->penStyle != PS_SOLID) {
    // Gaps of a dashed pen take the background colour in opaque mode.
    std::sort(on.pts.begin(), on.pts.end());
    PixelSet gaps;
    for (auto p : off.pts)
      if (!std::binary_search(on.pts.begin(), on.pts.end(), p)) gaps.pts.push_back(p);
    gaps.Apply(dc, dc->st.bkColor, dc->st.rop2);
  }
}

// The pixels of a solid one-pixel pen along rows and columns, as rectangles one pixel high or
// wide: a grid's lines and cell borders go to the surface a run at a time instead of point by
// point through a set that is gathered and sorted. Each pixel is in one run only (an inverting
// pen inverts it once); strokes that would cover a pixel twice take the general way.
struct StraightRuns {
  static constexpr int kMax = 8;
  RECT runs[kMax];
  int count = 0;
  static bool ThinSolid(PlatDC* dc) { return dc->st.pen->penStyle == PS_SOLID && dc->st.pen->penWidth <= 1; }
  void Add(const RECT& r) {
    if (r.right > r.left && r.bottom > r.top) runs[count++] = r;
  }
  // The segment from (x0, y0) to (x1, y1) without its end point, as WalkLine walks it; false
  // when it is slanted or the runs are full.
  bool AddSegment(int x0, int y0, int x1, int y1) {
    if ((x0 != x1 && y0 != y1) || count == kMax) return false;
    if (y0 == y1)
      Add(x0 <= x1 ? RECT{x0, y0, x1, y0 + 1} : RECT{x1 + 1, y0, x0 + 1, y0 + 1});
    else
      Add(y0 <= y1 ? RECT{x0, y0, x0 + 1, y1} : RECT{x0, y1 + 1, x0 + 1, y0 + 1});
    return true;
  }
  bool Disjoint() const {
    for (int i = 0; i < count; ++i)
      for (int j = i + 1; j < count; ++j)
        if (runs[i].left < runs[j].right && runs[j].left < runs[i].right && runs[i].top < runs[j].bottom &&
            runs[j].top < runs[i].bottom)
          return false;
    return true;
  }
  void Apply(PlatDC* dc) const {
    for (int i = 0; i < count; ++i) FillSurfaceRect(dc, runs[i], dc->st.pen->color, dc->st.rop2);
  }
};

// Strokes the segments between `count` surface points with a thin solid pen a run at a time;
// false (nothing drawn) when they are not all straight and apart.
bool StrokeStraight(PlatDC* dc, const POINT* pts, int count) {
  if (!StraightRuns::ThinSolid(dc)) return false;
  StraightRuns runs;
  for (int i = 1; i < count; ++i)
    if (!runs.AddSegment(pts[i - 1].x, pts[i - 1].y, pts[i].x, pts[i].y)) return false;
  if (!runs.Disjoint()) return false;
  runs.Apply(dc);
  return true;
}

// A filled shape given by an inside test over its bounding box (surface coordinates): the
// interior with the brush, the boundary pixels with the pen.
template <typename Inside>
void FillShape(PlatDC* dc, RECT box, Inside&& inside) {
  bool pen = PenVisible(dc), brush = BrushVisible(dc);
  RECT area;
  if (!DrawableBox(dc, 1, area)) return;
  box = {std::max(box.left, area.left), std::max(box.top, area.top), std::min(box.right, area.right),
         std::min(box.bottom, area.bottom)};
  PixelSet edge, interior;
  for (int y = box.top; y < box.bottom; ++y)
    for (int x = box.left; x < box.right; ++x) {
      if (!inside(x, y)) continue;
      bool boundary = !inside(x - 1, y) || !inside(x + 1, y) || !inside(x, y - 1) || !inside(x, y + 1);
      if (boundary && pen)
        edge.Add(x, y);
      else
        interior.Add(x, y);
    }
  if (brush) interior.Apply(dc, dc->st.brush->color, dc->st.rop2);
  if (pen) edge.Apply(dc, dc->st.pen->color, dc->st.rop2);
}

RECT Normal(int l, int t, int r, int b) { return {std::min(l, r), std::min(t, b), std::max(l, r), std::max(t, b)}; }

// A logical rectangle in surface coordinates.
RECT ToSurface(PlatDC* dc, const RECT& r) {
  RECT n = Normal(r.left, r.top, r.right, r.bottom);
  return {dc->SX(n.left), dc->SY(n.top), dc->SX(n.right), dc->SY(n.bottom)};
}

}  // namespace

BOOL MoveToEx(HDC dc, int x, int y, POINT* previous) {
  Lock_t g(Lock());
  if (!IsLiveDC(dc)) return FALSE;
  if (previous) *previous = dc->st.current;
  dc->st.current = {x, y};
  return TRUE;
}

BOOL LineTo(HDC dc, int x, int y) {
  Lock_t g(Lock());
  if (!IsLiveDC(dc)) return FALSE;
  if (PenVisible(dc)) {
    const POINT ends[2] = {{dc->SX(dc->st.current.x), dc->SY(dc->st.current.y)}, {dc->SX(x), dc->SY(y)}};
    if (!StrokeStraight(dc, ends, 2)) {
      PixelSet on, off;
      StrokeSegment(dc, ends[0].x, ends[0].y, ends[1].x, ends[1].y, on, off);
      FinishStroke(dc, on, off);
    }
  }
  dc->st.current = {x, y};
  return TRUE;
}

BOOL Polyline(HDC dc, const POINT* points, int count) {
  Lock_t g(Lock());
  if (!IsLiveDC(dc) || !points || count < 2) return FALSE;
  if (!PenVisible(dc)) return TRUE;
  if (count <= StraightRuns::kMax + 1) {
    POINT at[StraightRuns::kMax + 1];
    for (int i = 0; i < count; ++i) at[i] = POINT{dc->SX(points[i].x), dc->SY(points[i].y)};
    if (StrokeStraight(dc, at, count)) return TRUE;
  }
  PixelSet on, off;
  for (int i = 1; i < count; ++i)
    StrokeSegment(dc, dc->SX(points[i - 1].x), dc->SY(points[i - 1].y), dc->SX(points[i].x), dc->SY(points[i].y), on,
                  off);
  FinishStroke(dc, on, off);
  return TRUE;
}

BOOL Rectangle(HDC dc, int left, int top, int right, int bottom) {
  Lock_t g(Lock());
  if (!IsLiveDC(dc)) return FALSE;
  RECT r = ToSurface(dc, {left, top, right, bottom});
  if (!PenVisible(dc)) {
    // Without a pen the interior reaches one pixel short of the right and bottom edges.
    if (BrushVisible(dc)) {
      RECT in{r.left, r.top, r.right - 1, r.bottom - 1};
      FillSurfaceRect(dc, in, dc->st.brush->color, dc->st.rop2);
      if (dc->st.rop2 == R2_COPYPEN) EraseTexts(dc, in);
    }
    return TRUE;
  }
  if (r.right - r.left < 1 || r.bottom - r.top < 1) return TRUE;
  if (BrushVisible(dc)) {
    int w = std::max(1, dc->st.pen->penWidth);
    RECT in{r.left + w, r.top + w, r.right - w, r.bottom - w};
    if (in.right > in.left && in.bottom > in.top) {
      FillSurfaceRect(dc, in, dc->st.brush->color, dc->st.rop2);
      if (dc->st.rop2 == R2_COPYPEN) EraseTexts(dc, in);
    }
  }
  if (StraightRuns::ThinSolid(dc)) {
    // The top and bottom rows, then the columns between them.
    StraightRuns runs;
    runs.Add(RECT{r.left, r.top, r.right, r.top + 1});
    if (r.bottom - 1 > r.top) runs.Add(RECT{r.left, r.bottom - 1, r.right, r.bottom});
    runs.Add(RECT{r.left, r.top + 1, r.left + 1, r.bottom - 1});
    if (r.right - 1 > r.left) runs.Add(RECT{r.right - 1, r.top + 1, r.right, r.bottom - 1});
    runs.Apply(dc);
    return TRUE;
  }
  PixelSet on, off;
  int w = std::max(1, dc->st.pen->penWidth);
  RECT area;
  if (!DrawableBox(dc, 1, area)) return TRUE;
  // A wide or dashed pen's border lies inside the rectangle.
  int in = (w - 1) / 2;
  int l = r.left + in, t = r.top + in, rr = r.right - 1 - (w - 1 - in), b = r.bottom - 1 - (w - 1 - in);
  if (rr < l) rr = l;
  if (b < t) b = t;
  StrokeSegment(dc, l, t, rr, t, on, off);
  StrokeSegment(dc, rr, t, rr, b, on, off);
  StrokeSegment(dc, rr, b, l, b, on, off);
  StrokeSegment(dc, l, b, l, t, on, off);
  if (l == rr && t == b) on.Add(l, t);
  FinishStroke(dc, on, off);
  return TRUE;
}

BOOL Ellipse(HDC dc, int left, int top, int right, int bottom) {
  Lock_t g(Lock());
  if (!IsLiveDC(dc)) return FALSE;
  RECT r = ToSurface(dc, {left, top, right, bottom});
  if (r.right - r.left < 1 || r.bottom - r.top < 1) return TRUE;
  // Pixel centres inside the ellipse inscribed in the rectangle.
  double cx = (r.left + r.right) / 2.0, cy = (r.top + r.bottom) / 2.0;
  double ax = (r.right - r.left) / 2.0, ay = (r.bottom - r.top) / 2.0;
  FillShape(dc, r, [&](int x, int y) {
    if (x < r.left || y < r.top || x >= r.right || y >= r.bottom) return false;
    double nx = (x + 0.5 - cx) / ax, ny = (y + 0.5 - cy) / ay;
    return nx * nx + ny * ny <= 1.0;
  });
  return TRUE;
}

BOOL RoundRect(HDC dc, int left, int top, int right, int bottom, int ew, int eh) {
  Lock_t g(Lock());
  if (!IsLiveDC(dc)) return FALSE;
  RECT r = ToSurface(dc, {left, top, right, bottom});
  if (r.right - r.left < 1 || r.bottom - r.top < 1) return TRUE;
  double ax = std::min(std::abs(ew), static_cast<int>(r.right - r.left)) / 2.0;
  double ay = std::min(std::abs(eh), static_cast<int>(r.bottom - r.top)) / 2.0;
  FillShape(dc, r, [&](int x, int y) {
    if (x < r.left || y < r.top || x >= r.right || y >= r.bottom) return false;
    if (ax < 0.5 || ay < 0.5) return true;
    double px = x + 0.5, py = y + 0.5;
    double cx = px < r.left + ax ? r.left + ax : (px > r.right - ax ? r.right - ax : px);
    double cy = py < r.top + ay ? r.top + ay : (py > r.bottom - ay ? r.bottom - ay : py);
    double nx = (px - cx) / ax, ny = (py - cy) / ay;
    return nx * nx + ny * ny <= 1.0;
  });
  return TRUE;
}

BOOL Polygon(HDC dc, const POINT* points, int count) {
  Lock_t g(Lock());
  if (!IsLiveDC(dc) || !points || count < 2) return FALSE;
  std::vector<POINT> p(points, points + count);
  for (POINT& q : p) q = {dc->SX(q.x), dc->SY(q.y)};
  if (BrushVisible(dc)) {
    // Alternate (even-odd) fill, sampling each pixel at its centre.
    int minY = p[0].y, maxY = p[0].y;
    for (const POINT& q : p) {
      minY = std::min<int>(minY, q.y);
      maxY = std::max<int>(maxY, q.y);
    }
    PixelSet fill;
    std::vector<double> xs;
    RECT area;
    if (!DrawableBox(dc, 1, area)) return TRUE;
    minY = std::max<int>(minY, area.top);
    maxY = std::min<int>(maxY, area.bottom);
    for (int y = minY; y < maxY; ++y) {
      double cy = y + 0.5;
      xs.clear();
      for (int i = 0; i < count; ++i) {
        const POINT& a = p[i];
        const POINT& b = p[(i + 1) % count];
        if ((a.y <= cy && b.y > cy) || (b.y <= cy && a.y > cy))
          xs.push_back(a.x + (cy - a.y) * (b.x - a.x) / static_cast<double>(b.y - a.y));
      }
      std::sort(xs.begin(), xs.end());
      for (size_t i = 0; i + 1 < xs.size(); i += 2) {
        // Pixels whose centre lies within [xs[i], xs[i+1]), as far as they can show.
        double from = std::max(xs[i], static_cast<double>(area.left));
        double to = std::min(xs[i + 1], static_cast<double>(area.right));
        for (int x = static_cast<int>(std::ceil(from - 0.5)); x + 0.5 < to; ++x) fill.Add(x, y);
      }
    }
    fill.Apply(dc, dc->st.brush->color, dc->st.rop2);
  }
  if (PenVisible(dc)) {
    PixelSet on, off;
    for (int i = 0; i < count; ++i) {
      const POINT& a = p[i];
      const POINT& b = p[(i + 1) % count];
      StrokeSegment(dc, a.x, a.y, b.x, b.y, on, off);
    }
    FinishStroke(dc, on, off);
  }
  return TRUE;
}

int FillRect(HDC dc, const RECT* r, HBRUSH brush) {
  Lock_t g(Lock());
  if (!IsLiveDC(dc) || !r) return 0;
  COLORREF color;
  if (!BrushColor(brush, color)) return 0;
  if (r->right <= r->left || r->bottom <= r->top) return 1;
  RECT s = ToSurface(dc, *r);
  FillSurfaceRect(dc, s, color, R2_COPYPEN);
  EraseTexts(dc, s);
  return 1;
}

int FrameRect(HDC dc, const RECT* r, HBRUSH brush) {
  Lock_t g(Lock());
  if (!IsLiveDC(dc) || !r) return 0;
  COLORREF color;
  if (!BrushColor(brush, color)) return 0;
  if (r->right <= r->left || r->bottom <= r->top) return 1;
  RECT s = ToSurface(dc, *r);
  FillSurfaceRect(dc, {s.left, s.top, s.right, s.top + 1}, color, R2_COPYPEN);
  FillSurfaceRect(dc, {s.left, s.bottom - 1, s.right, s.bottom}, color, R2_COPYPEN);
  FillSurfaceRect(dc, {s.left, s.top + 1, s.left + 1, s.bottom - 1}, color, R2_COPYPEN);
  FillSurfaceRect(dc, {s.right - 1, s.top + 1, s.right, s.bottom - 1}, color, R2_COPYPEN);
  return 1;
}

BOOL InvertRect(HDC dc, const RECT* r) {
  Lock_t g(Lock());
  if (!IsLiveDC(dc) || !r) return FALSE;
  FillSurfaceRect(dc, ToSurface(dc, *r), 0, R2_NOT);
  return TRUE;
}

BOOL PatBlt(HDC dc, int x, int y, int w, int h, DWORD rop) {
  Lock_t g(Lock());
  if (!IsLiveDC(dc)) return FALSE;
  RECT s =
      ToSurface(dc, {x, y, PlatDC::Clamp(static_cast<long long>(x) + w), PlatDC::Clamp(static_cast<long long>(y) + h)});
  COLORREF brush = BrushVisible(dc) ? dc->st.brush->color : 0;
  switch (rop) {
    case PATCOPY:
      if (!BrushVisible(dc)) return TRUE;
      FillSurfaceRect(dc, s, brush, R2_COPYPEN);
      EraseTexts(dc, s);
      break;
    case PATINVERT:
      if (BrushVisible(dc)) FillSurfaceRect(dc, s, brush, R2_XORPEN);
      break;
    case DSTINVERT: FillSurfaceRect(dc, s, 0, R2_NOT); break;
    case BLACKNESS:
      FillSurfaceRect(dc, s, 0, R2_BLACK);
      EraseTexts(dc, s);
      break;
    case WHITENESS:
      FillSurfaceRect(dc, s, 0, R2_WHITE);
      EraseTexts(dc, s);
      break;
    default: return FALSE;
  }
  return TRUE;
}

COLORREF SetPixel(HDC dc, int x, int y, COLORREF color) {
  Lock_t g(Lock());
  if (!IsLiveDC(dc)) return CLR_INVALID;
  int sx = dc->SX(x), sy = dc->SY(y);
  plat::Surface* s = dc->surface;
  if (!s || sx < 0 || sy < 0 || sx >= s->width || sy >= s->height || !dc->Visible(sx, sy)) return CLR_INVALID;
  s->Row(sy)[sx] = color & 0xFFFFFF;
  return color & 0xFFFFFF;
}

COLORREF GetPixel(HDC dc, int x, int y) {
  Lock_t g(Lock());
  if (!IsLiveDC(dc)) return CLR_INVALID;
  int sx = dc->SX(x), sy = dc->SY(y);
  plat::Surface* s = dc->surface;
  if (!s || sx < 0 || sy < 0 || sx >= s->width || sy >= s->height || !dc->Visible(sx, sy)) return CLR_INVALID;
  return s->Row(sy)[sx];
}

BOOL DrawEdge(HDC dc, RECT* rect, UINT edge, UINT flags) {
  Lock_t g(Lock());
  if (!IsLiveDC(dc) || !rect) return FALSE;
  RECT r = *rect;
  // Colours of the top-left and bottom-right sides of the outer and inner borders.
  auto border = [&](UINT raised, UINT sunken, COLORREF rtl, COLORREF rbr, COLORREF stl, COLORREF sbr) {
    COLORREF tl, br;
    if (edge & raised) {
      tl = rtl;
      br = rbr;
    } else if (edge & sunken) {
      tl = stl;
      br = sbr;
    } else {
      return;
    }
    if (flags & BF_MONO)
      tl = br = GetSysColor(COLOR_WINDOWFRAME);
    else if (flags & BF_FLAT)
      tl = br = GetSysColor(COLOR_BTNSHADOW);
    RECT s = ToSurface(dc, r);
    if (flags & BF_TOP) FillSurfaceRect(dc, {s.left, s.top, s.right, s.top + 1}, tl, R2_COPYPEN);
    if (flags & BF_LEFT) FillSurfaceRect(dc, {s.left, s.top, s.left + 1, s.bottom}, tl, R2_COPYPEN);
    if (flags & BF_BOTTOM) FillSurfaceRect(dc, {s.left, s.bottom - 1, s.right, s.bottom}, br, R2_COPYPEN);
    if (flags & BF_RIGHT) FillSurfaceRect(dc, {s.right - 1, s.top, s.right, s.bottom}, br, R2_COPYPEN);
    if (flags & BF_TOP) r.top++;
    if (flags & BF_LEFT) r.left++;
    if (flags & BF_BOTTOM) r.bottom--;
    if (flags & BF_RIGHT) r.right--;
  };
  border(BDR_RAISEDOUTER, BDR_SUNKENOUTER, GetSysColor(COLOR_3DLIGHT), GetSysColor(COLOR_3DDKSHADOW),
         GetSysColor(COLOR_BTNSHADOW), GetSysColor(COLOR_BTNHIGHLIGHT));
  border(BDR_RAISEDINNER, BDR_SUNKENINNER, GetSysColor(COLOR_BTNHIGHLIGHT), GetSysColor(COLOR_BTNSHADOW),
         GetSysColor(COLOR_3DDKSHADOW), GetSysColor(COLOR_3DLIGHT));
  if ((flags & BF_MIDDLE) && r.right > r.left && r.bottom > r.top) {
    RECT s = ToSurface(dc, r);
    FillSurfaceRect(dc, s, GetSysColor(COLOR_BTNFACE), R2_COPYPEN);
    EraseTexts(dc, s);
  }
  if (flags & BF_ADJUST) *rect = r;
  return TRUE;
}

BOOL DrawFocusRect(HDC dc, const RECT* r) {
  Lock_t g(Lock());
  if (!IsLiveDC(dc) || !r) return FALSE;
  RECT s = ToSurface(dc, *r);
  if (s.right <= s.left || s.bottom <= s.top) return TRUE;
  RECT area;
  if (!DrawableBox(dc, 1, area)) return TRUE;
  // A dotted frame that inverts every other pixel: drawing it twice removes it.
  PixelSet dots;
  for (int x = std::max(s.left, area.left); x < std::min(s.right, area.right); ++x) {
    if (((x - s.left) & 1) == 0) dots.Add(x, s.top);
    if (((x - s.left + s.bottom - 1 - s.top) & 1) == 0) dots.Add(x, s.bottom - 1);
  }
  for (int y = std::max(s.top, area.top); y < std::min(s.bottom, area.bottom); ++y) {
    if (((y - s.top) & 1) == 0) dots.Add(s.left, y);
    if (((y - s.top + s.right - 1 - s.left) & 1) == 0) dots.Add(s.right - 1, y);
  }
  dots.Apply(dc, 0, R2_NOT);
  return TRUE;
}

HPEN CreatePen(int style, int width, COLORREF color) {
  Lock_t g(Lock());
  if (style != PS_SOLID && style != PS_DASH && style != PS_DOT && style != PS_NULL) style = PS_SOLID;
  HGDIOBJ o = plat::gdi::detail::NewObject(PlatGdiObject::Kind::Pen);
  o->penStyle = style;
  // Wide pens draw solid, as the platform does.
  o->penWidth = width < 1 ? 1 : width;
  if (o->penWidth > 1 && style != PS_NULL) o->penStyle = PS_SOLID;
  o->color = color & 0xFFFFFF;
  return o;
}

HPEN CreatePenIndirect(const LOGPEN* lp) {
  if (!lp) return nullptr;
  return CreatePen(static_cast<int>(lp->lopnStyle), lp->lopnWidth.x, lp->lopnColor);
}

HBRUSH CreateSolidBrush(COLORREF color) {
  Lock_t g(Lock());
  HGDIOBJ o = plat::gdi::detail::NewObject(PlatGdiObject::Kind::Brush);
  o->color = color & 0xFFFFFF;
  return o;
}

HBRUSH CreateBrushIndirect(const LOGBRUSH* lb) {
  if (!lb) return nullptr;
  if (lb->lbStyle == BS_NULL) return GetStockObject(NULL_BRUSH);
  return CreateSolidBrush(lb->lbColor);
}
