// Device contexts, graphics objects, their selection and lifetime, clip regions and the
// rectangle helpers.
#include <algorithm>
#include <cstring>
#include <unordered_set>

#include "gdi/gdi_core.h"

using plat::gdi::detail::Lock;

namespace plat::gdi::detail {

std::recursive_mutex& Lock() {
  static std::recursive_mutex m;
  return m;
}

namespace {
// Live handles: every call checks its handles here, so that a stale or doubly deleted handle is
// refused instead of touching freed memory.
std::unordered_set<PlatGdiObject*>& Objects() {
  static auto* s = new std::unordered_set<PlatGdiObject*>();
  return *s;
}
std::unordered_set<PlatDC*>& DCs() {
  static auto* s = new std::unordered_set<PlatDC*>();
  return *s;
}
}  // namespace

bool IsLiveObject(HGDIOBJ obj) { return obj && Objects().count(obj) != 0; }
bool IsLiveDC(HDC dc) { return dc && DCs().count(dc) != 0; }

HGDIOBJ NewObject(PlatGdiObject::Kind kind) {
  auto* o = new PlatGdiObject(kind);
  Objects().insert(o);
  return o;
}

static void FreeObject(HGDIOBJ obj) {
  Objects().erase(obj);
  delete obj;
}

void AddUse(HGDIOBJ obj) {
  if (obj) ++obj->uses;
}

void DropUse(HGDIOBJ obj) {
  if (!obj) return;
  if (--obj->uses <= 0 && obj->deleted && !obj->stock) FreeObject(obj);
}

HDC NewDC() {
  auto* dc = new PlatDC();
  DCs().insert(dc);
  return dc;
}

void FreeDC(HDC dc) {
  DCs().erase(dc);
  delete dc;
}

int ObjectCount() {
  int n = 0;
  for (PlatGdiObject* o : Objects())
    if (!o->stock) ++n;
  return n;
}
int DCCount() { return static_cast<int>(DCs().size()); }

static bool Empty(const RECT& r) { return r.right <= r.left || r.bottom <= r.top; }

std::vector<RECT> RectsAnd(const std::vector<RECT>& a, const RECT& r) {
  std::vector<RECT> out;
  for (const RECT& x : a) {
    RECT i{std::max(x.left, r.left), std::max(x.top, r.top), std::min(x.right, r.right), std::min(x.bottom, r.bottom)};
    if (!Empty(i)) out.push_back(i);
  }
  return out;
}

std::vector<RECT> RectsMinus(const std::vector<RECT>& a, const RECT& r) {
  std::vector<RECT> out;
  RectsMinusInto(a, r, out);
  return out;
}

void RectsMinusInto(const std::vector<RECT>& a, const RECT& r, std::vector<RECT>& out) {
  out.clear();
  for (const RECT& x : a) {
    RECT i{std::max(x.left, r.left), std::max(x.top, r.top), std::min(x.right, r.right), std::min(x.bottom, r.bottom)};
    if (Empty(i)) {
      out.push_back(x);
      continue;
    }
    // Up to four pieces: the bands above and below, then left and right of the hole.
    if (x.top < i.top) out.push_back({x.left, x.top, x.right, i.top});
    if (i.bottom < x.bottom) out.push_back({x.left, i.bottom, x.right, x.bottom});
    if (x.left < i.left) out.push_back({x.left, i.top, i.left, i.bottom});
    if (i.right < x.right) out.push_back({i.right, i.top, x.right, i.bottom});
  }
}

std::vector<RECT> RectsAndRects(const std::vector<RECT>& a, const std::vector<RECT>& b) {
  std::vector<RECT> out;
  for (const RECT& r : b) {
    auto part = RectsAnd(a, r);
    out.insert(out.end(), part.begin(), part.end());
  }
  return out;
}

std::vector<RECT> RectsMinusRects(const std::vector<RECT>& a, const std::vector<RECT>& b) {
  std::vector<RECT> out = a;
  for (const RECT& r : b) out = RectsMinus(out, r);
  return out;
}

RECT RectsBox(const std::vector<RECT>& a) {
  if (a.empty()) return {0, 0, 0, 0};
  RECT box = a[0];
  for (const RECT& r : a) {
    box.left = std::min(box.left, r.left);
    box.top = std::min(box.top, r.top);
    box.right = std::max(box.right, r.right);
    box.bottom = std::max(box.bottom, r.bottom);
  }
  return box;
}

}  // namespace plat::gdi::detail

using namespace plat::gdi::detail;

namespace plat::gdi::detail {
HDC NewDC();
void FreeDC(HDC dc);
int ObjectCount();
int DCCount();
}  // namespace plat::gdi::detail

void PlatDC::UpdateClip() {
  RECT bounds{0, 0, surface ? surface->width : 0, surface ? surface->height : 0};
  eff = RectsAnd({systemClip}, bounds);
  if (st.hasClip) {
    std::vector<RECT> program;
    for (RECT r : st.clip) {
      r.left += originX;
      r.right += originX;
      r.top += originY;
      r.bottom += originY;
      program.push_back(r);
    }
    eff = RectsAndRects(eff, program);
  }
}

// ---- Stock objects and system colours ------------------------------------------------------

namespace {

HGDIOBJ MakeStock(PlatGdiObject::Kind kind) {
  HGDIOBJ o = NewObject(kind);
  o->stock = true;
  return o;
}

HGDIOBJ StockTable(int index) {
  static HGDIOBJ table[18] = {};
  static bool made = false;
  if (!made) {
    made = true;
    const COLORREF brushes[5] = {0xFFFFFF, 0xC0C0C0, 0x808080, 0x404040, 0x000000};
    for (int i = 0; i < 5; ++i) {
      table[i] = MakeStock(PlatGdiObject::Kind::Brush);
      table[i]->color = brushes[i];
    }
    table[NULL_BRUSH] = MakeStock(PlatGdiObject::Kind::Brush);
    table[NULL_BRUSH]->nullBrush = true;
    table[WHITE_PEN] = MakeStock(PlatGdiObject::Kind::Pen);
    table[WHITE_PEN]->color = 0xFFFFFF;
    table[BLACK_PEN] = MakeStock(PlatGdiObject::Kind::Pen);
    table[NULL_PEN] = MakeStock(PlatGdiObject::Kind::Pen);
    table[NULL_PEN]->penStyle = PS_NULL;
    for (int idx : {SYSTEM_FONT, DEFAULT_GUI_FONT}) {
      table[idx] = MakeStock(PlatGdiObject::Kind::Font);
      LOGFONT& lf = table[idx]->font;
      lf.lfHeight = -12;
      lf.lfWeight = FW_NORMAL;
      const char16_t face[] = u"System";
      std::copy(std::begin(face), std::end(face), lf.lfFaceName);
    }
    // The default bitmap of a new memory context: 1 x 1, black, monochrome.
    table[9] = MakeStock(PlatGdiObject::Kind::Bitmap);
    table[9]->surface.Resize(1, 1, 0x000000);
    table[9]->bitsPixel = 1;
  }
  if (index < 0 || index >= 18) return nullptr;
  return table[index];
}

HGDIOBJ DefaultBitmap() { return StockTable(9); }

const COLORREF kSysColors[27] = {
    0xC0C0C0,  // scroll bar
    0x808000,  // desktop
    0x800000,  // active caption
    0x808080,  // inactive caption
    0xFFFFFF,  // menu
    0xFFFFFF,  // window
    0x000000,  // window frame
    0x000000,  // menu text
    0x000000,  // window text
    0xFFFFFF,  // caption text
    0xC0C0C0,  // active border
    0xC0C0C0,  // inactive border
    0x808080,  // application workspace
    0x800000,  // highlight (dark blue)
    0xFFFFFF,  // highlight text
    0xC0C0C0,  // button face
    0x808080,  // button shadow
    0x808080,  // grey text
    0x000000,  // button text
    0xC0C0C0,  // inactive caption text
    0xFFFFFF,  // button highlight
    0x000000,  // 3-D dark shadow
    0xE0E0E0,  // 3-D light
    0x000000,  // tool-tip text
    0xE1FFFF,  // tool-tip background
    0xC0C0C0,  // static background
    0x000000,  // static text
};

}  // namespace

HGDIOBJ GetStockObject(int index) {
  std::lock_guard<std::recursive_mutex> g(Lock());
  if (index == 9) return nullptr;  // the default bitmap is not a public stock object
  return StockTable(index);
}

COLORREF GetSysColor(int index) {
  index &= ~SYS_COLOR_INDEX_FLAG;
  if (index < 0 || index >= 27) return 0;
  return kSysColors[index];
}

HBRUSH GetSysColorBrush(int index) {
  std::lock_guard<std::recursive_mutex> g(Lock());
  index &= ~SYS_COLOR_INDEX_FLAG;
  static HGDIOBJ brushes[27] = {};
  if (index < 0 || index >= 27) return nullptr;
  if (!brushes[index]) {
    brushes[index] = MakeStock(PlatGdiObject::Kind::Brush);
    brushes[index]->color = kSysColors[index];
  }
  return brushes[index];
}

// ---- Device contexts ----------------------------------------------------------------------

namespace {

void InitDefaults(PlatDC* dc) {
  dc->st.pen = StockTable(BLACK_PEN);
  dc->st.brush = StockTable(WHITE_BRUSH);
  dc->st.font = StockTable(SYSTEM_FONT);
  AddUse(dc->st.pen);
  AddUse(dc->st.brush);
  AddUse(dc->st.font);
}

void AddStateUses(const PlatDCState& s) {
  AddUse(s.pen);
  AddUse(s.brush);
  AddUse(s.font);
  AddUse(s.bitmap);
}

void DropStateUses(const PlatDCState& s) {
  DropUse(s.pen);
  DropUse(s.brush);
  DropUse(s.font);
  DropUse(s.bitmap);
}

void AttachBitmap(PlatDC* dc) {
  dc->surface = &dc->st.bitmap->surface;
  dc->originX = dc->originY = 0;
  dc->systemClip = {0, 0, dc->surface->width, dc->surface->height};
  dc->UpdateClip();
}

}  // namespace

namespace plat::gdi {

HDC CreateSurfaceDC(Surface* surface, int originX, int originY, const RECT& clip) {
  std::lock_guard<std::recursive_mutex> g(Lock());
  if (!surface) return nullptr;
  HDC dc = NewDC();
  dc->surface = surface;
  dc->originX = originX;
  dc->originY = originY;
  dc->systemClip = clip;
  InitDefaults(dc);
  dc->UpdateClip();
  return dc;
}

void ReleaseSurfaceDC(HDC dc) {
  std::lock_guard<std::recursive_mutex> g(Lock());
  if (!IsLiveDC(dc) || dc->memory) return;
  for (const auto& s : dc->saved) DropStateUses(s);
  DropStateUses(dc->st);
  FreeDC(dc);
}

Surface* SurfaceOf(HDC dc) {
  std::lock_guard<std::recursive_mutex> g(Lock());
  return IsLiveDC(dc) ? dc->surface : nullptr;
}

Surface* SurfaceOfBitmap(HBITMAP bmp) {
  std::lock_guard<std::recursive_mutex> g(Lock());
  if (!IsLiveObject(bmp) || bmp->kind != PlatGdiObject::Kind::Bitmap) return nullptr;
  return &bmp->surface;
}

int LiveObjectCount() {
  std::lock_guard<std::recursive_mutex> g(Lock());
  return ObjectCount();
}

int LiveDCCount() {
  std::lock_guard<std::recursive_mutex> g(Lock());
  return DCCount();
}

}  // namespace plat::gdi

HDC CreateCompatibleDC(HDC) {
  std::lock_guard<std::recursive_mutex> g(Lock());
  HDC dc = NewDC();
  dc->memory = true;
  InitDefaults(dc);
  dc->st.bitmap = DefaultBitmap();
  AddUse(dc->st.bitmap);
  AttachBitmap(dc);
  return dc;
}

BOOL DeleteDC(HDC dc) {
  std::lock_guard<std::recursive_mutex> g(Lock());
  if (!IsLiveDC(dc)) return FALSE;
  for (const auto& s : dc->saved) DropStateUses(s);
  DropStateUses(dc->st);
  FreeDC(dc);
  return TRUE;
}

int SaveDC(HDC dc) {
  std::lock_guard<std::recursive_mutex> g(Lock());
  if (!IsLiveDC(dc)) return 0;
  dc->saved.push_back(dc->st);
  AddStateUses(dc->st);
  return static_cast<int>(dc->saved.size());
}

BOOL RestoreDC(HDC dc, int level) {
  std::lock_guard<std::recursive_mutex> g(Lock());
  if (!IsLiveDC(dc)) return FALSE;
  int depth = static_cast<int>(dc->saved.size());
  int target = level < 0 ? depth + level + 1 : level;  // the save level to return to
  if (level == 0 || target < 1 || target > depth) return FALSE;
  PlatDCState restored = dc->saved[target - 1];
  // The restored state takes over the saved copy's uses; drop the current and the later copies.
  DropStateUses(dc->st);
  for (int i = target; i < depth; ++i) DropStateUses(dc->saved[i]);
  dc->saved.resize(target - 1);
  dc->st = restored;
  if (dc->memory)
    AttachBitmap(dc);
  else
    dc->UpdateClip();
  return TRUE;
}

int GetDeviceCaps(HDC, int index) {
  switch (index) {
    case HORZRES: return PLAT_SCREEN_WIDTH;
    case VERTRES: return PLAT_SCREEN_HEIGHT;
    case BITSPIXEL: return 24;
    case PLANES: return 1;
    case LOGPIXELSX:
    case LOGPIXELSY: return 96;
    default: return 0;
  }
}

HGDIOBJ SelectObject(HDC dc, HGDIOBJ obj) {
  std::lock_guard<std::recursive_mutex> g(Lock());
  if (!IsLiveDC(dc) || !IsLiveObject(obj) || obj->deleted) return nullptr;
  HGDIOBJ* slot = nullptr;
  switch (obj->kind) {
    case PlatGdiObject::Kind::Pen: slot = &dc->st.pen; break;
    case PlatGdiObject::Kind::Brush: slot = &dc->st.brush; break;
    case PlatGdiObject::Kind::Font: slot = &dc->st.font; break;
    case PlatGdiObject::Kind::Bitmap:
      if (!dc->memory) return nullptr;
      slot = &dc->st.bitmap;
      break;
    case PlatGdiObject::Kind::Region: {
      int type = SelectClipRgn(dc, obj);
      return reinterpret_cast<HGDIOBJ>(static_cast<intptr_t>(type));
    }
  }
  HGDIOBJ previous = *slot;
  AddUse(obj);
  *slot = obj;
  if (obj->kind == PlatGdiObject::Kind::Bitmap) AttachBitmap(dc);
  // The previous object stays valid for the caller until it is deleted or its last use ends.
  if (previous && previous->deleted) {
    // Already deleted by the program while selected: this was its last chance to be freed.
    DropUse(previous);
    return nullptr;
  }
  DropUse(previous);
  return previous;
}

BOOL DeleteObject(HGDIOBJ obj) {
  std::lock_guard<std::recursive_mutex> g(Lock());
  if (!IsLiveObject(obj) || obj->deleted) return FALSE;
  if (obj->stock) return TRUE;
  obj->deleted = true;
  if (obj->uses <= 0) {
    obj->uses = 1;
    DropUse(obj);
  }
  return TRUE;
}

HGDIOBJ GetCurrentObject(HDC dc, UINT type) {
  std::lock_guard<std::recursive_mutex> g(Lock());
  if (!IsLiveDC(dc)) return nullptr;
  switch (type) {
    case OBJ_PEN: return dc->st.pen;
    case OBJ_BRUSH: return dc->st.brush;
    case OBJ_FONT: return dc->st.font;
    case OBJ_BITMAP: return dc->memory ? dc->st.bitmap : nullptr;
    default: return nullptr;
  }
}

DWORD GetObjectType(HGDIOBJ obj) {
  std::lock_guard<std::recursive_mutex> g(Lock());
  if (IsLiveDC(reinterpret_cast<HDC>(obj))) return reinterpret_cast<HDC>(obj)->memory ? OBJ_MEMDC : OBJ_DC;
  if (!IsLiveObject(obj)) return 0;
  switch (obj->kind) {
    case PlatGdiObject::Kind::Pen: return OBJ_PEN;
    case PlatGdiObject::Kind::Brush: return OBJ_BRUSH;
    case PlatGdiObject::Kind::Font: return OBJ_FONT;
    case PlatGdiObject::Kind::Bitmap: return OBJ_BITMAP;
    case PlatGdiObject::Kind::Region: return OBJ_REGION;
  }
  return 0;
}

int GetObject(HGDIOBJ obj, int size, void* out) {
  std::lock_guard<std::recursive_mutex> g(Lock());
  if (!IsLiveObject(obj)) return 0;
  auto give = [&](const auto& value) -> int {
    int need = static_cast<int>(sizeof(value));
    if (!out) return need;
    if (size < need) return 0;
    std::memcpy(out, &value, sizeof(value));
    return need;
  };
  switch (obj->kind) {
    case PlatGdiObject::Kind::Bitmap: {
      BITMAP bm{};
      bm.bmWidth = obj->surface.width;
      bm.bmHeight = obj->surface.height;
      bm.bmPlanes = 1;
      bm.bmBitsPixel = static_cast<WORD>(obj->bitsPixel);
      bm.bmWidthBytes = ((obj->surface.width * obj->bitsPixel + 15) / 16) * 2;
      return give(bm);
    }
    case PlatGdiObject::Kind::Pen: {
      LOGPEN lp{};
      lp.lopnStyle = static_cast<UINT>(obj->penStyle);
      lp.lopnWidth.x = obj->penWidth;
      lp.lopnColor = obj->color;
      return give(lp);
    }
    case PlatGdiObject::Kind::Brush: {
      LOGBRUSH lb{};
      lb.lbStyle = obj->nullBrush ? BS_NULL : BS_SOLID;
      lb.lbColor = obj->color;
      return give(lb);
    }
    case PlatGdiObject::Kind::Font: return give(obj->font);
    case PlatGdiObject::Kind::Region: return 0;
  }
  return 0;
}

// ---- Attributes ---------------------------------------------------------------------------

#define DC_ATTR(getter, setter, type, field, failure) \
  type setter(HDC dc, type value) {                   \
    std::lock_guard<std::recursive_mutex> g(Lock());  \
    if (!IsLiveDC(dc)) return failure;                \
    type old = dc->st.field;                          \
    dc->st.field = value;                             \
    return old;                                       \
  }                                                   \
  type getter(HDC dc) {                               \
    std::lock_guard<std::recursive_mutex> g(Lock());  \
    return IsLiveDC(dc) ? dc->st.field : failure;     \
  }

DC_ATTR(GetTextColor, SetTextColor, COLORREF, textColor, CLR_INVALID)
DC_ATTR(GetBkColor, SetBkColor, COLORREF, bkColor, CLR_INVALID)
DC_ATTR(GetTextAlign, SetTextAlign, UINT, textAlign, 0xFFFFFFFFu)

int SetBkMode(HDC dc, int mode) {
  std::lock_guard<std::recursive_mutex> g(Lock());
  if (!IsLiveDC(dc) || (mode != TRANSPARENT && mode != OPAQUE)) return 0;
  int old = dc->st.bkMode;
  dc->st.bkMode = mode;
  return old;
}
int GetBkMode(HDC dc) {
  std::lock_guard<std::recursive_mutex> g(Lock());
  return IsLiveDC(dc) ? dc->st.bkMode : 0;
}
int SetROP2(HDC dc, int mode) {
  std::lock_guard<std::recursive_mutex> g(Lock());
  if (!IsLiveDC(dc) || mode < R2_BLACK || mode > R2_WHITE) return 0;
  int old = dc->st.rop2;
  dc->st.rop2 = mode;
  return old;
}
int GetROP2(HDC dc) {
  std::lock_guard<std::recursive_mutex> g(Lock());
  return IsLiveDC(dc) ? dc->st.rop2 : 0;
}

BOOL SetViewportOrgEx(HDC dc, int x, int y, POINT* previous) {
  std::lock_guard<std::recursive_mutex> g(Lock());
  if (!IsLiveDC(dc)) return FALSE;
  if (previous) *previous = dc->st.viewport;
  dc->st.viewport = {x, y};
  return TRUE;
}

BOOL OffsetViewportOrgEx(HDC dc, int dx, int dy, POINT* previous) {
  std::lock_guard<std::recursive_mutex> g(Lock());
  if (!IsLiveDC(dc)) return FALSE;
  if (previous) *previous = dc->st.viewport;
  dc->st.viewport.x += dx;
  dc->st.viewport.y += dy;
  return TRUE;
}

BOOL GetViewportOrgEx(HDC dc, POINT* out) {
  std::lock_guard<std::recursive_mutex> g(Lock());
  if (!IsLiveDC(dc) || !out) return FALSE;
  *out = dc->st.viewport;
  return TRUE;
}

// ---- Regions and the clip -----------------------------------------------------------------

namespace {

RECT Normal(int l, int t, int r, int b) { return {std::min(l, r), std::min(t, b), std::max(l, r), std::max(t, b)}; }

int TypeOf(const std::vector<RECT>& rects) {
  if (rects.empty()) return NULLREGION;
  return rects.size() == 1 ? SIMPLEREGION : COMPLEXREGION;
}

bool IsRegion(HGDIOBJ o) { return IsLiveObject(o) && o->kind == PlatGdiObject::Kind::Region; }

std::vector<RECT> NonEmpty(const RECT& r) {
  if (r.right <= r.left || r.bottom <= r.top) return {};
  return {r};
}

// The program's clip of a context, or the whole device when it has none.
std::vector<RECT> ProgramClip(PlatDC* dc) {
  if (dc->st.hasClip) return dc->st.clip;
  return {{-(1 << 28), -(1 << 28), 1 << 28, 1 << 28}};
}

}  // namespace

HRGN CreateRectRgn(int left, int top, int right, int bottom) {
  std::lock_guard<std::recursive_mutex> g(Lock());
  HGDIOBJ o = NewObject(PlatGdiObject::Kind::Region);
  o->rects = NonEmpty(Normal(left, top, right, bottom));
  return o;
}

HRGN CreateRectRgnIndirect(const RECT* r) {
  if (!r) return nullptr;
  return CreateRectRgn(r->left, r->top, r->right, r->bottom);
}

BOOL SetRectRgn(HRGN rgn, int left, int top, int right, int bottom) {
  std::lock_guard<std::recursive_mutex> g(Lock());
  if (!IsRegion(rgn)) return FALSE;
  rgn->rects = NonEmpty(Normal(left, top, right, bottom));
  return TRUE;
}

int CombineRgn(HRGN dst, HRGN a, HRGN b, int mode) {
  std::lock_guard<std::recursive_mutex> g(Lock());
  if (!IsRegion(dst) || !IsRegion(a)) return ERROR;
  if (mode != RGN_COPY && !IsRegion(b)) return ERROR;
  std::vector<RECT> ra = a->rects;
  std::vector<RECT> rb = mode == RGN_COPY ? std::vector<RECT>{} : b->rects;
  std::vector<RECT> out;
  switch (mode) {
    case RGN_AND: out = RectsAndRects(ra, rb); break;
    case RGN_OR:
      out = ra;
      for (const RECT& r : RectsMinusRects(rb, ra)) out.push_back(r);
      break;
    case RGN_XOR:
      out = RectsMinusRects(ra, rb);
      for (const RECT& r : RectsMinusRects(rb, ra)) out.push_back(r);
      break;
    case RGN_DIFF: out = RectsMinusRects(ra, rb); break;
    case RGN_COPY: out = ra; break;
    default: return ERROR;
  }
  dst->rects = out;
  return TypeOf(out);
}

int GetRgnBox(HRGN rgn, RECT* out) {
  std::lock_guard<std::recursive_mutex> g(Lock());
  if (!IsRegion(rgn) || !out) return ERROR;
  *out = RectsBox(rgn->rects);
  return TypeOf(rgn->rects);
}

BOOL PtInRegion(HRGN rgn, int x, int y) {
  std::lock_guard<std::recursive_mutex> g(Lock());
  if (!IsRegion(rgn)) return FALSE;
  for (const RECT& r : rgn->rects)
    if (x >= r.left && x < r.right && y >= r.top && y < r.bottom) return TRUE;
  return FALSE;
}

int SelectClipRgn(HDC dc, HRGN rgn) {
  std::lock_guard<std::recursive_mutex> g(Lock());
  if (!IsLiveDC(dc)) return ERROR;
  if (!rgn) {
    dc->st.hasClip = false;
    dc->st.clip.clear();
  } else {
    if (!IsRegion(rgn)) return ERROR;
    dc->st.hasClip = true;
    dc->st.clip = rgn->rects;
  }
  dc->UpdateClip();
  return TypeOf(dc->eff);
}

int OffsetRgn(HRGN rgn, int dx, int dy) {
  std::lock_guard<std::recursive_mutex> g(Lock());
  if (!IsRegion(rgn)) return ERROR;
  for (RECT& r : rgn->rects) {
    r.left += dx;
    r.right += dx;
    r.top += dy;
    r.bottom += dy;
  }
  return TypeOf(rgn->rects);
}

int ExtSelectClipRgn(HDC dc, HRGN rgn, int mode) {
  std::lock_guard<std::recursive_mutex> g(Lock());
  if (!IsLiveDC(dc)) return ERROR;
  if (mode == RGN_COPY) return SelectClipRgn(dc, rgn);
  if (!IsRegion(rgn)) return ERROR;
  std::vector<RECT> cur = ProgramClip(dc), out;
  switch (mode) {
    case RGN_AND: out = RectsAndRects(cur, rgn->rects); break;
    case RGN_OR:
      out = cur;
      for (const RECT& r : RectsMinusRects(rgn->rects, cur)) out.push_back(r);
      break;
    case RGN_DIFF: out = RectsMinusRects(cur, rgn->rects); break;
    case RGN_XOR:
      out = RectsMinusRects(cur, rgn->rects);
      for (const RECT& r : RectsMinusRects(rgn->rects, cur)) out.push_back(r);
      break;
    default: return ERROR;
  }
  dc->st.clip = out;
  dc->st.hasClip = true;
  dc->UpdateClip();
  return TypeOf(dc->eff);
}

int GetClipRgn(HDC dc, HRGN rgn) {
  std::lock_guard<std::recursive_mutex> g(Lock());
  if (!IsLiveDC(dc) || !IsRegion(rgn)) return -1;
  if (!dc->st.hasClip) return 0;
  rgn->rects = dc->st.clip;
  return 1;
}

int OffsetClipRgn(HDC dc, int dx, int dy) {
  std::lock_guard<std::recursive_mutex> g(Lock());
  if (!IsLiveDC(dc)) return ERROR;
  if (dc->st.hasClip) {
    for (RECT& r : dc->st.clip) {
      r.left += dx;
      r.right += dx;
      r.top += dy;
      r.bottom += dy;
    }
    dc->UpdateClip();
  }
  return TypeOf(dc->eff);
}

int IntersectClipRect(HDC dc, int left, int top, int right, int bottom) {
  std::lock_guard<std::recursive_mutex> g(Lock());
  if (!IsLiveDC(dc)) return ERROR;
  RECT r =
      Normal(left + dc->st.viewport.x, top + dc->st.viewport.y, right + dc->st.viewport.x, bottom + dc->st.viewport.y);
  dc->st.clip = RectsAnd(ProgramClip(dc), r);
  dc->st.hasClip = true;
  dc->UpdateClip();
  return TypeOf(dc->eff);
}

int ExcludeClipRect(HDC dc, int left, int top, int right, int bottom) {
  std::lock_guard<std::recursive_mutex> g(Lock());
  if (!IsLiveDC(dc)) return ERROR;
  RECT r =
      Normal(left + dc->st.viewport.x, top + dc->st.viewport.y, right + dc->st.viewport.x, bottom + dc->st.viewport.y);
  dc->st.clip = RectsMinus(ProgramClip(dc), r);
  dc->st.hasClip = true;
  dc->UpdateClip();
  return TypeOf(dc->eff);
}

namespace plat::gdi {

void ExcludeClipRects(HDC dc, const std::vector<RECT>& rects) {
  std::lock_guard<std::recursive_mutex> g(Lock());
  if (!IsLiveDC(dc) || rects.empty()) return;
  // Two lists in turn: a dialog cuts out dozens of controls for every context it takes.
  std::vector<RECT> clip = ProgramClip(dc), next;
  for (const RECT& e : rects) {
    RectsMinusInto(clip, Normal(e.left + dc->st.viewport.x, e.top + dc->st.viewport.y, e.right + dc->st.viewport.x,
                                e.bottom + dc->st.viewport.y),
                   next);
    clip.swap(next);
  }
  dc->st.clip = std::move(clip);
  dc->st.hasClip = true;
  dc->UpdateClip();
}

}  // namespace plat::gdi

int GetClipBox(HDC dc, RECT* out) {
  std::lock_guard<std::recursive_mutex> g(Lock());
  if (!IsLiveDC(dc) || !out) return ERROR;
  RECT box = RectsBox(dc->eff);
  int dx = dc->originX + dc->st.viewport.x, dy = dc->originY + dc->st.viewport.y;
  if (!dc->eff.empty()) {
    box.left -= dx;
    box.right -= dx;
    box.top -= dy;
    box.bottom -= dy;
  }
  *out = box;
  return TypeOf(dc->eff);
}

// ---- Rectangle helpers --------------------------------------------------------------------

BOOL SetRect(RECT* r, int left, int top, int right, int bottom) {
  if (!r) return FALSE;
  *r = {left, top, right, bottom};
  return TRUE;
}
BOOL SetRectEmpty(RECT* r) { return SetRect(r, 0, 0, 0, 0); }
BOOL CopyRect(RECT* dst, const RECT* src) {
  if (!dst || !src) return FALSE;
  *dst = *src;
  return TRUE;
}
BOOL InflateRect(RECT* r, int dx, int dy) {
  if (!r) return FALSE;
  r->left -= dx;
  r->right += dx;
  r->top -= dy;
  r->bottom += dy;
  return TRUE;
}
BOOL OffsetRect(RECT* r, int dx, int dy) {
  if (!r) return FALSE;
  r->left += dx;
  r->right += dx;
  r->top += dy;
  r->bottom += dy;
  return TRUE;
}
BOOL IsRectEmpty(const RECT* r) { return !r || r->right <= r->left || r->bottom <= r->top; }
BOOL PtInRect(const RECT* r, POINT pt) {
  return r && pt.x >= r->left && pt.x < r->right && pt.y >= r->top && pt.y < r->bottom;
}
BOOL IntersectRect(RECT* dst, const RECT* a, const RECT* b) {
  if (!dst || !a || !b) return FALSE;
  RECT i{std::max(a->left, b->left), std::max(a->top, b->top), std::min(a->right, b->right),
         std::min(a->bottom, b->bottom)};
  if (IsRectEmpty(&i)) {
    *dst = {0, 0, 0, 0};
    return FALSE;
  }
  *dst = i;
  return TRUE;
}
BOOL UnionRect(RECT* dst, const RECT* a, const RECT* b) {
  if (!dst || !a || !b) return FALSE;
  bool ea = IsRectEmpty(a), eb = IsRectEmpty(b);
  if (ea && eb) {
    *dst = {0, 0, 0, 0};
    return FALSE;
  }
  if (ea)
    *dst = *b;
  else if (eb)
    *dst = *a;
  else
    *dst = {std::min(a->left, b->left), std::min(a->top, b->top), std::max(a->right, b->right),
            std::max(a->bottom, b->bottom)};
  return TRUE;
}
BOOL SubtractRect(RECT* dst, const RECT* a, const RECT* b) {
  if (!dst || !a || !b) return FALSE;
  RECT out = *a;
  RECT i;
  if (IntersectRect(&i, a, b)) {
    // Only a cut across a whole side leaves a rectangle.
    if (i.top == a->top && i.bottom == a->bottom) {
      if (i.left == a->left)
        out.left = i.right;
      else if (i.right == a->right)
        out.right = i.left;
    } else if (i.left == a->left && i.right == a->right) {
      if (i.top == a->top)
        out.top = i.bottom;
      else if (i.bottom == a->bottom)
        out.bottom = i.top;
    }
  }
  if (IsRectEmpty(&out)) {
    *dst = {0, 0, 0, 0};
    return FALSE;
  }
  *dst = out;
  return TRUE;
}
BOOL EqualRect(const RECT* a, const RECT* b) {
  return a && b && a->left == b->left && a->top == b->top && a->right == b->right && a->bottom == b->bottom;
}

int MulDiv(int number, int numerator, int denominator) {
  if (denominator == 0) return -1;
  long long p = static_cast<long long>(number) * numerator;
  long long d = denominator;
  if (d < 0) {
    p = -p;
    d = -d;
  }
  long long q = p >= 0 ? (p + d / 2) / d : -((-p + d / 2) / d);
  if (q > INT32_MAX || q < INT32_MIN) return -1;
  return static_cast<int>(q);
}
