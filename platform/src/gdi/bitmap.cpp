// Bitmaps and bit-block transfers, with the texts drawn on a surface carried along with its
// pixels (so that a window painted from a back buffer still tells what it shows).
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "gdi/gdi_core.h"
#include "plat/kernel.h"

using namespace plat::gdi::detail;

namespace {

using Lock_t = std::lock_guard<std::recursive_mutex>;

// Bitmaps larger than this are refused rather than allocated.
constexpr long long kMaxPixels = 16LL * 1024 * 1024;

HBITMAP NewBitmap(int w, int h, COLORREF fill, int bpp) {
  if (w < 0 || h < 0) return nullptr;
  if (w == 0 || h == 0) {
    // An empty bitmap is a 1 x 1 monochrome one, as the platform gives.
    w = h = 1;
    bpp = 1;
  }
  if (static_cast<long long>(w) * h > kMaxPixels) return nullptr;
  HGDIOBJ o = NewObject(PlatGdiObject::Kind::Bitmap);
  o->surface.Resize(w, h, fill);
  o->bitsPixel = bpp;
  return o;
}

bool Empty(const RECT& r) { return r.right <= r.left || r.bottom <= r.top; }

RECT Intersect(const RECT& a, const RECT& b) {
  return {std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right), std::min(a.bottom, b.bottom)};
}

// Carries the source's text records that lie in `srcRect` (source surface coordinates) over to
// the destination, mapped onto `dstRect` (destination surface coordinates).
void CopyTexts(const std::vector<plat::TextRecord>& texts, const RECT& srcRect, PlatDC* dst, const RECT& dstRect) {
  if (texts.empty() || Empty(srcRect) || Empty(dstRect)) return;
  std::vector<plat::TextRecord> moved;
  int sw = srcRect.right - srcRect.left, sh = srcRect.bottom - srcRect.top;
  int dw = dstRect.right - dstRect.left, dh = dstRect.bottom - dstRect.top;
  auto mapX = [&](long x) { return dstRect.left + (x - srcRect.left) * dw / sw; };
  auto mapY = [&](long y) { return dstRect.top + (y - srcRect.top) * dh / sh; };
  for (const plat::TextRecord& t : texts) {
    RECT part = Intersect(t.rect, srcRect);
    if (Empty(part)) continue;
    RECT mapped{static_cast<LONG>(mapX(part.left)), static_cast<LONG>(mapY(part.top)),
                static_cast<LONG>(mapX(part.right)), static_cast<LONG>(mapY(part.bottom))};
    bool shown = false;
    for (const RECT& c : dst->eff) {
      RECT v = Intersect(mapped, c);
      if (!Empty(v)) shown = true;
    }
    if (!shown) continue;
    plat::TextRecord copy = t;
    copy.rect = mapped;
    moved.push_back(std::move(copy));
  }
  dst->surface->texts.insert(dst->surface->texts.end(), moved.begin(), moved.end());
}

COLORREF Rop3(DWORD rop, COLORREF s, COLORREF d) {
  switch (rop) {
    case SRCPAINT: return (s | d) & 0xFFFFFF;
    case SRCAND: return s & d;
    case SRCINVERT: return (s ^ d) & 0xFFFFFF;
    case SRCERASE: return s & ~d & 0xFFFFFF;
    case NOTSRCCOPY: return ~s & 0xFFFFFF;
    case SRCCOPY:
    default: return s & 0xFFFFFF;
  }
}

bool UsesSource(DWORD rop) {
  return rop == SRCCOPY || rop == SRCPAINT || rop == SRCAND || rop == SRCINVERT || rop == SRCERASE || rop == NOTSRCCOPY;
}

// The general transfer: destination rectangle (x, y, w, h) from source rectangle (sx, sy, sw, sh),
// both logical, nearest-neighbour when the sizes differ; negative sizes mirror.
bool Transfer(PlatDC* dst, int x, int y, int w, int h, plat::Surface& src, int srcOffX, int srcOffY, int sx, int sy,
              int sw, int sh, DWORD rop, bool keyed, COLORREF key) {
  plat::Surface* ds = dst->surface;
  if (!ds || w == 0 || h == 0 || sw == 0 || sh == 0) return true;
  // Sizes beyond any surface are refused rather than walked.
  constexpr int kMaxSide = 1 << 24;
  if (std::abs(static_cast<long long>(w)) > kMaxSide || std::abs(static_cast<long long>(h)) > kMaxSide ||
      std::abs(static_cast<long long>(sw)) > kMaxSide || std::abs(static_cast<long long>(sh)) > kMaxSide ||
      std::abs(static_cast<long long>(sx)) > kMaxSide || std::abs(static_cast<long long>(sy)) > kMaxSide)
    return false;
  bool mirrorX = (w < 0) != (sw < 0), mirrorY = (h < 0) != (sh < 0);
  if (w < 0) {
    x += w;
    w = -w;
  }
  if (h < 0) {
    y += h;
    h = -h;
  }
  if (sw < 0) {
    sx += sw;
    sw = -sw;
  }
  if (sh < 0) {
    sy += sh;
    sh = -sh;
  }
  RECT dr{dst->SX(x), dst->SY(y), dst->SX(x) + w, dst->SY(y) + h};
  int ssx = sx + srcOffX, ssy = sy + srcOffY;  // source rectangle's surface corner
  // Source column of destination column i (and row of row j): the sample at the pixel's centre.
  auto colOf = [&](int i) {
    long long k = (2LL * i + 1) * sw / (2LL * w);
    return ssx + static_cast<int>(mirrorX ? sw - 1 - k : k);
  };
  auto rowOf = [&](int j) {
    long long k = (2LL * j + 1) * sh / (2LL * h);
    return ssy + static_cast<int>(mirrorY ? sh - 1 - k : k);
  };
  RECT srcRect{ssx, ssy, ssx + sw, ssy + sh};
  std::vector<plat::TextRecord> carried;
  if (!mirrorX && !mirrorY)
    for (const plat::TextRecord& t : src.texts)
      if (!Empty(Intersect(t.rect, srcRect))) carried.push_back(t);
  // Reading from the surface being written: take a copy of the source first.
  plat::Surface copy;
  const plat::Surface* from = &src;
  if (&src == ds) {
    copy.width = src.width;
    copy.height = src.height;
    copy.pixels = src.pixels;
    from = &copy;
  }
  // The same size, not mirrored (nearly every copy): column i of the destination reads column i
  // of the source, without the sampling arithmetic.
  const bool straight = sw == w && sh == h && !mirrorX && !mirrorY;
  const COLORREF key24 = key & 0xFFFFFF;
  for (const RECT& c : dst->eff) {
    RECT v = Intersect(Intersect(dr, c), RECT{0, 0, ds->width, ds->height});
    for (int py = v.top; py < v.bottom; ++py) {
      int syy = straight ? ssy + (py - dr.top) : rowOf(py - dr.top);
      if (syy < 0 || syy >= from->height) continue;
      const COLORREF* srow = from->Row(syy);
      COLORREF* drow = ds->Row(py);
      if (straight) {
        const int shift = ssx - static_cast<int>(dr.left);  // source column = px + shift
        const int first = std::max(static_cast<int>(v.left), -shift);
        const int last = std::min(static_cast<int>(v.right), from->width - shift);
        if (!keyed && rop == SRCCOPY) {  // a plain copy of a back buffer: a row at a time
          for (int px = first; px < last; ++px) drow[px] = srow[px + shift] & 0xFFFFFF;
          continue;
        }
        for (int px = first; px < last; ++px) {
          COLORREF s = srow[px + shift] & 0xFFFFFF;
          if (keyed && s == key24) continue;
          drow[px] = rop == SRCCOPY ? s : Rop3(rop, s, drow[px]);
        }
        continue;
      }
      for (int px = v.left; px < v.right; ++px) {
        int sxx = colOf(px - dr.left);
        if (sxx < 0 || sxx >= from->width) continue;
        COLORREF s = srow[sxx] & 0xFFFFFF;
        if (keyed && s == (key & 0xFFFFFF)) continue;
        drow[px] = Rop3(rop, s, drow[px]);
      }
    }
  }
  if (!keyed && rop == SRCCOPY) EraseTexts(dst, dr);
  CopyTexts(carried, srcRect, dst, dr);
  return true;
}

}  // namespace

HBITMAP CreateCompatibleBitmap(HDC, int width, int height) {
  Lock_t g(Lock());
  return NewBitmap(width, height, 0x000000, 24);
}

HBITMAP CreateBitmap(int width, int height, UINT planes, UINT bitsPerPixel, const void* bits) {
  Lock_t g(Lock());
  if (planes > 1) return nullptr;
  int bpp = static_cast<int>(bitsPerPixel);
  HBITMAP bmp = NewBitmap(width, height, 0x000000, bpp == 1 ? 1 : 24);
  if (!bmp || !bits || width <= 0 || height <= 0) return bmp;
  plat::Surface& s = bmp->surface;
  const auto* p = static_cast<const uint8_t*>(bits);
  if (bpp == 1) {
    // Rows of bits, most significant first, each row padded to 16 bits; 1 is white.
    size_t stride = static_cast<size_t>((width + 15) / 16) * 2;
    for (int y = 0; y < height; ++y)
      for (int x = 0; x < width; ++x) s.Row(y)[x] = (p[y * stride + x / 8] >> (7 - x % 8)) & 1 ? 0xFFFFFF : 0x000000;
  } else if (bpp == 32) {
    // 32-bit words 0x00RRGGBB.
    for (int y = 0; y < height; ++y)
      for (int x = 0; x < width; ++x) {
        uint32_t v;
        std::memcpy(&v, p + (static_cast<size_t>(y) * width + x) * 4, 4);
        s.Row(y)[x] = RGB((v >> 16) & 0xFF, (v >> 8) & 0xFF, v & 0xFF);
      }
  }
  return bmp;
}

HBITMAP LoadBitmap(HINSTANCE module, LPCWSTR id) {
  Lock_t g(Lock());
  if (!IS_INTRESOURCE(id)) return nullptr;
  size_t size = 0;
  const void* data =
      plat::res::Find(module, plat::res::Bitmap, static_cast<int>(reinterpret_cast<uintptr_t>(id)), &size);
  if (!data || size < sizeof(plat::gdi::BitmapResource)) return nullptr;
  plat::gdi::BitmapResource head;
  std::memcpy(&head, data, sizeof head);
  if (head.width == 0 || head.height == 0 || head.width > 4096 || head.height > 4096) return nullptr;
  size_t count = static_cast<size_t>(head.width) * head.height;
  if (size < sizeof head + count * sizeof(COLORREF)) return nullptr;
  HBITMAP bmp = NewBitmap(static_cast<int>(head.width), static_cast<int>(head.height), 0, 24);
  if (!bmp) return nullptr;
  // One copy of the words, then the colour bits kept: a face is loaded for every button drawn.
  COLORREF* pixels = bmp->surface.pixels.data();
  std::memcpy(pixels, static_cast<const uint8_t*>(data) + sizeof head, count * sizeof(COLORREF));
  for (size_t i = 0; i < count; ++i) pixels[i] &= 0xFFFFFF;
  return bmp;
}

BOOL BitBlt(HDC dst, int x, int y, int w, int h, HDC src, int sx, int sy, DWORD rop) {
  return StretchBlt(dst, x, y, w, h, src, sx, sy, w, h, rop);
}

BOOL StretchBlt(HDC dst, int x, int y, int w, int h, HDC src, int sx, int sy, int sw, int sh, DWORD rop) {
  Lock_t g(Lock());
  if (!IsLiveDC(dst)) return FALSE;
  if (!UsesSource(rop)) return PatBlt(dst, x, y, w, h, rop);
  if (!IsLiveDC(src) || !src->surface) return FALSE;
  return Transfer(dst, x, y, w, h, *src->surface, src->st.viewport.x + src->originX, src->st.viewport.y + src->originY,
                  sx, sy, sw, sh, rop, false, 0)
             ? TRUE
             : FALSE;
}

BOOL TransparentBlt(HDC dst, int x, int y, int w, int h, HDC src, int sx, int sy, int sw, int sh, UINT transparent) {
  return TransparentImage(dst, x, y, w, h, src, sx, sy, sw, sh, transparent);
}

BOOL TransparentImage(HDC dst, int x, int y, int w, int h, HANDLE src, int sx, int sy, int sw, int sh,
                      COLORREF transparent) {
  Lock_t g(Lock());
  if (!IsLiveDC(dst)) return FALSE;
  plat::Surface* from = nullptr;
  int offX = 0, offY = 0;
  // The source may be a device context or a bitmap.
  if (IsLiveDC(static_cast<HDC>(src))) {
    HDC s = static_cast<HDC>(src);
    from = s->surface;
    offX = s->st.viewport.x + s->originX;
    offY = s->st.viewport.y + s->originY;
  } else if (IsLiveObject(static_cast<HGDIOBJ>(src)) &&
             static_cast<HGDIOBJ>(src)->kind == PlatGdiObject::Kind::Bitmap) {
    from = &static_cast<HGDIOBJ>(src)->surface;
  }
  if (!from || w < 0 || h < 0 || sw < 0 || sh < 0) return FALSE;
  return Transfer(dst, x, y, w, h, *from, offX, offY, sx, sy, sw, sh, SRCCOPY, true, transparent) ? TRUE : FALSE;
}
