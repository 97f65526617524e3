// Fonts and text: logical fonts mapped to installed Korean-capable font files, glyphs rendered
// by FreeType in monochrome (one bit per pixel, hinted for monochrome), so that a drawn text is
// the same pixels on every machine with the same font file and every text pixel has exactly the
// text colour.
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_OUTLINE_H
#include FT_TRUETYPE_TABLES_H

#include <sys/stat.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <map>
#include <string>
#include <unordered_map>
#include <vector>

#include "gdi/gdi_core.h"

using namespace plat::gdi::detail;

namespace {

using Lock_t = std::lock_guard<std::recursive_mutex>;

constexpr int kDefaultHeight = 12;  // pixels, for a logical height of 0 and the system font

bool FileExists(const std::string& p) {
  struct stat st;
  return ::stat(p.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

std::u16string Lower(std::u16string s) {
  for (char16_t& c : s)
    if (c >= u'A' && c <= u'Z') c = static_cast<char16_t>(c - u'A' + u'a');
  return s;
}

bool IsFixedFace(const std::u16string& face) {
  std::u16string f = Lower(face);
  return f == u"courier new" || f == u"courier" || f == u"돋움체" || f == u"굴림체" || f == u"fixedsys" ||
         f == u"lucida console";
}

std::string FindFontFile(const std::string& name) {
  static const char* dirs[] = {"/usr/share/fonts/truetype/nanum/", "/usr/share/fonts/nanum/", "/usr/local/share/fonts/",
                               "/usr/share/fonts/truetype/"};
  for (const char* d : dirs) {
    std::string p = std::string(d) + name;
    if (FileExists(p)) return p;
  }
  return {};
}

// ---- FreeType faces and glyphs --------------------------------------------------------------

struct FaceEntry {
  FT_Face face = nullptr;
  int upem = 1000;
  int winAscent = 800, winDescent = 200;  // font units
};

struct Glyph {
  int left = 0, top = 0;  // bitmap origin relative to the pen position on the baseline
  int width = 0, rows = 0;
  int advance = 0;
  std::vector<uint8_t> bits;  // one byte per pixel: 1 = ink
};

// A resolved logical font.
struct Font {
  FaceEntry* entry = nullptr;
  bool embolden = false;
  int ppemX = 12, ppemY = 12;
  int ascent = 10, descent = 2;
  int avgWidth = 6, maxWidth = 12;
  int weight = FW_NORMAL;
  std::u16string face;
  int recordHeight = kDefaultHeight;
  std::unordered_map<char32_t, Glyph> glyphs;
};

FT_Library Library() {
  static FT_Library lib = [] {
    FT_Library l = nullptr;
    if (FT_Init_FreeType(&l) != 0) return static_cast<FT_Library>(nullptr);
    return l;
  }();
  return lib;
}

FaceEntry* LoadFace(const std::string& path) {
  static std::map<std::string, FaceEntry> faces;
  auto it = faces.find(path);
  if (it != faces.end()) return it->second.face ? &it->second : nullptr;
  FaceEntry& e = faces[path];
  if (path.empty() || !Library() || FT_New_Face(Library(), path.c_str(), 0, &e.face) != 0) {
    e.face = nullptr;
    return nullptr;
  }
  e.upem = e.face->units_per_EM ? e.face->units_per_EM : 1000;
  auto* os2 = static_cast<TT_OS2*>(FT_Get_Sfnt_Table(e.face, FT_SFNT_OS2));
  if (os2 && os2->usWinAscent + os2->usWinDescent > 0) {
    e.winAscent = os2->usWinAscent;
    e.winDescent = os2->usWinDescent;
  } else {
    e.winAscent = e.face->ascender;
    e.winDescent = -e.face->descender;
  }
  if (e.winAscent + e.winDescent <= 0) {
    e.winAscent = e.upem * 8 / 10;
    e.winDescent = e.upem - e.winAscent;
  }
  return &e;
}

int RoundDiv(long long a, long long b) { return static_cast<int>((a + b / 2) / b); }

const Glyph& GetGlyph(Font& f, char32_t cp) {
  auto it = f.glyphs.find(cp);
  if (it != f.glyphs.end()) return it->second;
  if (f.glyphs.size() > 4096) f.glyphs.clear();
  Glyph& g = f.glyphs[cp];
  if (!f.entry) {
    g.advance = std::max(1, f.ppemY / 2);
    return g;
  }
  FT_Face face = f.entry->face;
  FT_Set_Pixel_Sizes(face, static_cast<FT_UInt>(f.ppemX), static_cast<FT_UInt>(f.ppemY));
  FT_UInt index = FT_Get_Char_Index(face, cp);
  if (FT_Load_Glyph(face, index, FT_LOAD_TARGET_MONO) != 0) {
    g.advance = std::max(1, f.ppemY / 2);
    return g;
  }
  FT_GlyphSlot slot = face->glyph;
  int extra = 0;
  if (f.embolden && slot->format == FT_GLYPH_FORMAT_OUTLINE) {
    FT_Outline_Embolden(&slot->outline, 64);
    extra = 1;
  }
  g.advance = static_cast<int>((slot->advance.x + 32) >> 6) + extra;
  if (FT_Render_Glyph(slot, FT_RENDER_MODE_MONO) != 0) return g;
  const FT_Bitmap& bm = slot->bitmap;
  g.left = slot->bitmap_left;
  g.top = slot->bitmap_top;
  g.width = static_cast<int>(bm.width);
  g.rows = static_cast<int>(bm.rows);
  g.bits.assign(static_cast<size_t>(g.width) * g.rows, 0);
  for (int y = 0; y < g.rows; ++y) {
    const unsigned char* row = bm.buffer + static_cast<long>(y) * bm.pitch;
    for (int x = 0; x < g.width; ++x) {
      bool on;
      if (bm.pixel_mode == FT_PIXEL_MODE_MONO)
        on = (row[x >> 3] >> (7 - (x & 7))) & 1;
      else
        on = row[x] >= 128;
      g.bits[static_cast<size_t>(y) * g.width + x] = on ? 1 : 0;
    }
  }
  return g;
}

Font& Resolve(const LOGFONT& lf) {
  static std::map<std::u16string, Font> fonts;
  std::u16string face(lf.lfFaceName, std::find(lf.lfFaceName, lf.lfFaceName + LF_FACESIZE, u'\0'));
  int weight = lf.lfWeight <= 0 ? FW_NORMAL : static_cast<int>(lf.lfWeight);
  bool bold = weight >= 550;
  std::u16string key = face;
  key += u'|';
  for (long v : {static_cast<long>(lf.lfHeight), static_cast<long>(lf.lfWidth), static_cast<long>(weight)})
    for (char c : std::to_string(v)) key += static_cast<char16_t>(c), key += u'|';
  auto it = fonts.find(key);
  if (it != fonts.end()) return it->second;
  Font& f = fonts[key];
  f.face = face;
  f.weight = weight;
  std::string path = plat::gdi::FontFileFor(face, weight);
  f.entry = LoadFace(path);
  // A bold font from a regular file is emboldened by one pixel.
  f.embolden = bold && path.find("Bold") == std::string::npos;
  // Heights beyond any screen are held to the largest sensible size.
  constexpr int kMaxHeight = 512;
  int h = lf.lfHeight == 0 ? -kDefaultHeight : static_cast<int>(std::clamp<long>(lf.lfHeight, -kMaxHeight, kMaxHeight));
  long lfWidth = std::min<long>(std::labs(static_cast<long>(lf.lfWidth)), kMaxHeight);
  f.recordHeight = std::abs(h);
  int a = f.entry ? f.entry->winAscent : 800, d = f.entry ? f.entry->winDescent : 200;
  int upem = f.entry ? f.entry->upem : 1000;
  if (h < 0) {
    // Character height: the em square.
    f.ppemY = -h;
    f.ascent = RoundDiv(static_cast<long long>(a) * f.ppemY, upem);
    f.descent = RoundDiv(static_cast<long long>(d) * f.ppemY, upem);
  } else {
    // Cell height: ascent plus descent.
    f.ppemY = std::max(1, RoundDiv(static_cast<long long>(h) * upem, a + d));
    f.ascent = RoundDiv(static_cast<long long>(a) * h, a + d);
    f.descent = h - f.ascent;
  }
  f.ppemX = f.ppemY;
  // Natural average width: the mean advance of the lower-case Latin letters.
  auto averageAdvance = [&]() {
    if (!f.entry) return std::max(1, f.ppemY / 2);
    f.glyphs.clear();
    long sum = 0;
    for (char32_t c = U'a'; c <= U'z'; ++c) sum += GetGlyph(f, c).advance;
    f.glyphs.clear();
    return std::max(1, static_cast<int>((sum + 13) / 26));
  };
  int natural = averageAdvance();
  if (lfWidth > 0) {
    f.ppemX = std::clamp(RoundDiv(static_cast<long long>(f.ppemY) * lfWidth, natural), 1, 4 * kMaxHeight);
    f.avgWidth = static_cast<int>(lfWidth);
  } else {
    f.avgWidth = natural;
  }
  f.maxWidth = GetGlyph(f, U'가').advance;
  f.maxWidth = std::max(f.maxWidth, GetGlyph(f, U'W').advance);
  return f;
}

Font& CurrentFont(PlatDC* dc) {
  HGDIOBJ font = dc->st.font;
  return Resolve(font->font);
}

// UTF-16 to code points; lone surrogates become U+FFFD.
std::u32string Decode(const char16_t* s, int n) {
  std::u32string out;
  out.reserve(static_cast<size_t>(n));
  for (int i = 0; i < n; ++i) {
    char32_t c = s[i];
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < n && s[i + 1] >= 0xDC00 && s[i + 1] <= 0xDFFF) {
      c = 0x10000 + ((c - 0xD800) << 10) + (s[i + 1] - 0xDC00);
      ++i;
    } else if (c >= 0xD800 && c <= 0xDFFF) {
      c = 0xFFFD;
    }
    out.push_back(c);
  }
  return out;
}

int Length(LPCWSTR text, int count) {
  if (!text) return 0;
  if (count >= 0) return count;
  int n = 0;
  while (text[n]) ++n;
  return n;
}

int Width(Font& f, const std::u32string& s) {
  int w = 0;
  for (char32_t c : s) w += GetGlyph(f, c).advance;
  return w;
}

// Draws code points with their pen origin at surface point (x, baseline), clipped to the
// context's clip and to `limit` (surface coordinates). Returns the ink pixels on the surface that
// `limit` cut off: above and below it always, beside it only when `acrossCounts` (a string wider
// than its rectangle is a long text cut at its end, not a misplaced one).
int Blit(PlatDC* dc, Font& f, const std::u32string& s, int x, int baseline, const RECT& limit, COLORREF color,
         const int* dx, bool acrossCounts) {
  plat::Surface* surf = dc->surface;
  if (!surf) return 0;
  int cut = 0;
  size_t i = 0;
  for (char32_t c : s) {
    const Glyph& g = GetGlyph(f, c);
    for (int gy = 0; gy < g.rows; ++gy) {
      int sy = baseline - g.top + gy;
      if (sy < 0 || sy >= surf->height) continue;
      const bool rowCut = sy < limit.top || sy >= limit.bottom;
      for (int gx = 0; gx < g.width; ++gx) {
        if (!g.bits[static_cast<size_t>(gy) * g.width + gx]) continue;
        int sx = x + g.left + gx;
        if (sx < 0 || sx >= surf->width) continue;
        if (rowCut || sx < limit.left || sx >= limit.right) {
          if (rowCut || acrossCounts) ++cut;
          continue;
        }
        if (!dc->Visible(sx, sy)) continue;
        surf->Row(sy)[sx] = color & 0xFFFFFF;
      }
    }
    x += dx ? dx[i] : g.advance;
    ++i;
  }
  return cut;
}

// The strings drawn clipped (TakeClippedTexts), under the GDI lock.
std::vector<plat::gdi::ClippedText> g_clipped;
size_t g_clippedTotal = 0;

void NoteClipped(const std::u16string& text, const RECT& clip, int pixels) {
  ++g_clippedTotal;
  if (g_clipped.size() < plat::gdi::kClippedTextsKept) g_clipped.push_back({text, clip, pixels});
}

RECT Intersect(const RECT& a, const RECT& b) {
  return {std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right), std::min(a.bottom, b.bottom)};
}

bool Empty(const RECT& r) { return r.right <= r.left || r.bottom <= r.top; }

bool ShowsAny(PlatDC* dc, const RECT& r) {
  for (const RECT& c : dc->eff)
    if (!Empty(Intersect(r, c))) return true;
  return false;
}

constexpr RECT kUnlimited{-(1 << 28), -(1 << 28), 1 << 28, 1 << 28};

// One string at a surface cell. `limit` (surface coordinates) also clips; `opaque` fills the
// cell with the background colour first.
// `recordBg` is the background the record tells (an opaque rectangle drawn by the caller).
void DrawRun(PlatDC* dc, Font& f, const std::u16string& text, const std::u32string& cps, RECT cell, const RECT& limit,
             bool opaque, const int* dx, COLORREF recordBg = 0xFFFFFFFFu) {
  RECT visible = Intersect(Intersect(cell, limit), RectsBox(dc->eff));
  if (opaque && !Empty(visible)) {
    FillSurfaceRect(dc, visible, dc->st.bkColor, R2_COPYPEN);
    EraseTexts(dc, visible);
  }
  const bool fitsAcross = cell.right - cell.left <= limit.right - limit.left;
  if (int cut = Blit(dc, f, cps, cell.left, cell.top + f.ascent, limit, dc->st.textColor, dx, fitsAcross); cut > 0)
    NoteClipped(text, limit, cut);
  if (text.empty() || Empty(visible) || !ShowsAny(dc, visible)) return;
  plat::TextRecord rec;
  rec.text = text;
  rec.rect = visible;
  rec.color = dc->st.textColor & 0xFFFFFF;
  rec.background = opaque ? (dc->st.bkColor & 0xFFFFFF) : recordBg;
  rec.face = f.face;
  rec.height = f.recordHeight;
  rec.weight = f.weight;
  dc->surface->texts.push_back(std::move(rec));
}

bool TextCore(HDC dc, int x, int y, UINT options, const RECT* r, LPCWSTR text, int count, const int* dx) {
  if (!IsLiveDC(dc)) return false;
  int n = Length(text, count);
  Font& f = CurrentFont(dc);
  std::u32string cps = Decode(text ? text : u"", n);
  std::u16string str(text ? text : u"", static_cast<size_t>(n));
  int w = 0;
  if (dx) {
    for (size_t i = 0; i < cps.size(); ++i) w += dx[i];
  } else {
    w = Width(f, cps);
  }
  UINT align = dc->st.textAlign;
  if (align & TA_UPDATECP) {
    x = dc->st.current.x;
    y = dc->st.current.y;
  }
  switch (align & TA_CENTER) {
    case TA_CENTER: x -= w / 2; break;
    case TA_RIGHT: x -= w; break;
    default: break;
  }
  if ((align & TA_BASELINE) == TA_BASELINE)
    y -= f.ascent;
  else if (align & TA_BOTTOM)
    y -= f.ascent + f.descent;
  if (align & TA_UPDATECP) {
    if ((align & TA_CENTER) == TA_LEFT)
      dc->st.current.x += w;
    else if ((align & TA_CENTER) == TA_RIGHT)
      dc->st.current.x -= w;
  }
  RECT cell{dc->SX(x), dc->SY(y), dc->SX(x) + w, dc->SY(y) + f.ascent + f.descent};
  RECT limit = kUnlimited;
  if (r && (options & (ETO_OPAQUE | ETO_CLIPPED))) {
    RECT sr{dc->SX(r->left), dc->SY(r->top), dc->SX(r->right), dc->SY(r->bottom)};
    if (options & ETO_OPAQUE) {
      FillSurfaceRect(dc, sr, dc->st.bkColor, R2_COPYPEN);
      EraseTexts(dc, sr);
    }
    if (options & ETO_CLIPPED) limit = sr;
  }
  bool opaqueRect = r && (options & ETO_OPAQUE);
  bool opaque = dc->st.bkMode == OPAQUE && !opaqueRect;
  if (n == 0) return true;
  // An opaque rectangle counts as the text's background.
  DrawRun(dc, f, str, cps, cell, limit, opaque, dx, opaqueRect ? (dc->st.bkColor & 0xFFFFFF) : 0xFFFFFFFFu);
  return true;
}

}  // namespace

namespace plat::gdi {

std::vector<ClippedText> TakeClippedTexts(size_t* total) {
  Lock_t g(Lock());
  if (total) *total = g_clippedTotal;
  g_clippedTotal = 0;
  std::vector<ClippedText> out;
  out.swap(g_clipped);
  return out;
}

std::string FontFileFor(const std::u16string& face, int weight) {
  if (const char* env = std::getenv("LARKSPIN_FONT"); env && *env && FileExists(env)) return env;
  bool bold = weight >= 550;
  std::string file;
  if (IsFixedFace(face)) {
    file = FindFontFile(bold ? "NanumGothicCodingBold.ttf" : "NanumGothicCoding.ttf");
    if (file.empty()) file = FindFontFile("NanumGothicCoding.ttf");
  }
  if (file.empty()) file = FindFontFile(bold ? "NanumGothicBold.ttf" : "NanumGothic.ttf");
  if (file.empty()) file = FindFontFile("NanumGothic.ttf");
  return file;
}

}  // namespace plat::gdi

HFONT CreateFontIndirect(const LOGFONT* lf) {
  Lock_t g(Lock());
  if (!lf) return nullptr;
  HGDIOBJ o = NewObject(PlatGdiObject::Kind::Font);
  o->font = *lf;
  o->font.lfFaceName[LF_FACESIZE - 1] = 0;
  return o;
}

HFONT CreateFont(int height, int width, int escapement, int orientation, int weight, DWORD italic, DWORD underline,
                 DWORD strikeOut, DWORD charSet, DWORD outPrecision, DWORD clipPrecision, DWORD quality,
                 DWORD pitchAndFamily, LPCWSTR face) {
  LOGFONT lf{};
  lf.lfHeight = height;
  lf.lfWidth = width;
  lf.lfEscapement = escapement;
  lf.lfOrientation = orientation;
  lf.lfWeight = weight;
  lf.lfItalic = static_cast<BYTE>(italic);
  lf.lfUnderline = static_cast<BYTE>(underline);
  lf.lfStrikeOut = static_cast<BYTE>(strikeOut);
  lf.lfCharSet = static_cast<BYTE>(charSet);
  lf.lfOutPrecision = static_cast<BYTE>(outPrecision);
  lf.lfClipPrecision = static_cast<BYTE>(clipPrecision);
  lf.lfQuality = static_cast<BYTE>(quality);
  lf.lfPitchAndFamily = static_cast<BYTE>(pitchAndFamily);
  for (int i = 0; face && i < LF_FACESIZE - 1 && face[i]; ++i) lf.lfFaceName[i] = face[i];
  return CreateFontIndirect(&lf);
}

BOOL TextOut(HDC dc, int x, int y, LPCWSTR text, int count) {
  Lock_t g(Lock());
  return TextCore(dc, x, y, 0, nullptr, text, count, nullptr) ? TRUE : FALSE;
}

BOOL ExtTextOut(HDC dc, int x, int y, UINT options, const RECT* r, LPCWSTR text, UINT count, const int* dx) {
  Lock_t g(Lock());
  if (!text) count = 0;
  if (count > 0x100000) return FALSE;
  return TextCore(dc, x, y, options, r, text, static_cast<int>(count), dx) ? TRUE : FALSE;
}

BOOL GetTextExtentPoint32(HDC dc, LPCWSTR text, int count, SIZE* out) {
  Lock_t g(Lock());
  if (!IsLiveDC(dc) || !out || count < 0 || (!text && count > 0)) return FALSE;
  Font& f = CurrentFont(dc);
  out->cx = Width(f, Decode(text ? text : u"", count));
  out->cy = f.ascent + f.descent;
  return TRUE;
}

BOOL GetTextExtentExPoint(HDC dc, LPCWSTR text, int count, int maxExtent, int* fit, int* dx, SIZE* out) {
  Lock_t g(Lock());
  if (!IsLiveDC(dc) || !out || count < 0 || (!text && count > 0)) return FALSE;
  Font& f = CurrentFont(dc);
  int w = 0, fits = 0;
  for (int i = 0; i < count; ++i) {
    w += GetGlyph(f, text[i]).advance;
    if (dx) dx[i] = w;
    if (maxExtent < 0 || w <= maxExtent) fits = i + 1;
  }
  if (fit) *fit = fits;
  out->cx = w;
  out->cy = f.ascent + f.descent;
  return TRUE;
}

BOOL GetTextMetrics(HDC dc, TEXTMETRIC* tm) {
  Lock_t g(Lock());
  if (!IsLiveDC(dc) || !tm) return FALSE;
  Font& f = CurrentFont(dc);
  *tm = TEXTMETRIC{};
  tm->tmHeight = f.ascent + f.descent;
  tm->tmAscent = f.ascent;
  tm->tmDescent = f.descent;
  tm->tmInternalLeading = std::max(0, tm->tmHeight - f.ppemY);
  tm->tmAveCharWidth = f.avgWidth;
  tm->tmMaxCharWidth = f.maxWidth;
  tm->tmWeight = f.weight;
  tm->tmDigitizedAspectX = tm->tmDigitizedAspectY = 96;
  tm->tmFirstChar = 0x20;
  tm->tmLastChar = 0xFFFC;
  tm->tmDefaultChar = u'?';
  tm->tmBreakChar = u' ';
  tm->tmPitchAndFamily = VARIABLE_PITCH | FF_SWISS;
  tm->tmCharSet = HANGUL_CHARSET;
  return TRUE;
}

// ---- DrawText -----------------------------------------------------------------------------

namespace {

struct Line {
  std::u16string text;
  int underline = -1;  // index of the character marked with '&', or -1
};

// Removes '&' marks ("&&" is a literal '&'), noting the marked character.
Line StripPrefix(const std::u16string& s, bool noPrefix) {
  Line l;
  if (noPrefix) {
    l.text = s;
    return l;
  }
  for (size_t i = 0; i < s.size(); ++i) {
    if (s[i] == u'&' && i + 1 < s.size()) {
      ++i;
      if (s[i] != u'&' && l.underline < 0) l.underline = static_cast<int>(l.text.size());
    }
    l.text += s[i];
  }
  return l;
}

std::vector<std::u16string> SplitLines(const std::u16string& s) {
  std::vector<std::u16string> out(1);
  for (size_t i = 0; i < s.size(); ++i) {
    if (s[i] == u'\r' || s[i] == u'\n') {
      if (s[i] == u'\r' && i + 1 < s.size() && s[i + 1] == u'\n') ++i;
      out.emplace_back();
    } else {
      out.back() += s[i];
    }
  }
  return out;
}

int W16(Font& f, const std::u16string& s) { return Width(f, Decode(s.data(), static_cast<int>(s.size()))); }

// Breaks a line to the width at blanks; a word wider than the width is broken between characters.
std::vector<std::u16string> Wrap(Font& f, const std::u16string& line, int width) {
  std::vector<std::u16string> out;
  std::u16string cur;
  size_t i = 0;
  while (i < line.size()) {
    size_t j = i;
    while (j < line.size() && line[j] != u' ') ++j;
    std::u16string word = line.substr(i, j - i);
    std::u16string candidate = cur.empty() ? word : cur + u" " + word;
    if (W16(f, candidate) <= width || (cur.empty() && word.empty())) {
      cur = candidate;
    } else {
      if (!cur.empty()) out.push_back(cur);
      cur.clear();
      // The word alone: cut it into pieces that fit.
      while (!word.empty() && W16(f, word) > width) {
        size_t k = 1;
        while (k < word.size() && W16(f, word.substr(0, k + 1)) <= width) ++k;
        out.push_back(word.substr(0, k));
        word.erase(0, k);
      }
      cur = word;
    }
    i = j < line.size() ? j + 1 : j;
  }
  out.push_back(cur);
  return out;
}

}  // namespace

int DrawText(HDC dc, LPCWSTR text, int count, RECT* r, UINT format) {
  Lock_t g(Lock());
  if (!IsLiveDC(dc) || !r || !text) return 0;
  int n = Length(text, count);
  Font& f = CurrentFont(dc);
  int lineH = f.ascent + f.descent;
  std::u16string s(text, static_cast<size_t>(n));
  if (format & DT_EXPANDTABS) {
    std::u16string t;
    for (char16_t c : s) t += c == u'\t' ? std::u16string(8, u' ') : std::u16string(1, c);
    s = t;
  }
  std::vector<Line> lines;
  if (format & DT_SINGLELINE) {
    std::u16string one;
    for (char16_t c : s)
      if (c != u'\r' && c != u'\n') one += c;
    Line l = StripPrefix(one, format & DT_NOPREFIX);
    int width = r->right - r->left;
    if ((format & DT_END_ELLIPSIS) && W16(f, l.text) > width) {
      // Cut to what fits with "..." after it.
      while (!l.text.empty() && W16(f, l.text + u"...") > width) l.text.pop_back();
      l.text += u"...";
      l.underline = -1;
    }
    lines.push_back(l);
  } else {
    int width = r->right - r->left;
    for (const auto& raw : SplitLines(s)) {
      Line l = StripPrefix(raw, format & DT_NOPREFIX);
      if ((format & DT_WORDBREAK) && width > 0 && W16(f, l.text) > width) {
        for (auto& piece : Wrap(f, l.text, width)) lines.push_back(Line{piece, -1});
      } else {
        lines.push_back(l);
      }
    }
  }
  int total = lineH * static_cast<int>(lines.size());
  if (format & DT_CALCRECT) {
    int maxW = 0;
    for (const auto& l : lines) maxW = std::max(maxW, W16(f, l.text));
    if (!(format & DT_WORDBREAK) || (format & DT_SINGLELINE))
      r->right = r->left + maxW;
    else
      r->right = std::max<LONG>(r->right, r->left + maxW);
    r->bottom = r->top + total;
    return total;
  }
  int y = r->top;
  if (format & DT_SINGLELINE) {
    if (format & DT_VCENTER)
      y = r->top + (r->bottom - r->top - lineH) / 2;
    else if (format & DT_BOTTOM)
      y = r->bottom - lineH;
  }
  RECT limit = kUnlimited;
  if (!(format & DT_NOCLIP)) limit = {dc->SX(r->left), dc->SY(r->top), dc->SX(r->right), dc->SY(r->bottom)};
  bool opaque = dc->st.bkMode == OPAQUE;
  int top = y;
  for (const auto& l : lines) {
    std::u32string cps = Decode(l.text.data(), static_cast<int>(l.text.size()));
    int w = Width(f, cps);
    int x = r->left;
    if (format & DT_CENTER)
      x = (r->left + r->right - w) / 2;
    else if (format & DT_RIGHT)
      x = r->right - w;
    RECT cell{dc->SX(x), dc->SY(y), dc->SX(x) + w, dc->SY(y) + lineH};
    DrawRun(dc, f, l.text, cps, cell, limit, opaque, nullptr);
    if (l.underline >= 0 && l.underline < static_cast<int>(cps.size())) {
      int ux = cell.left + Width(f, cps.substr(0, static_cast<size_t>(l.underline)));
      int uw = GetGlyph(f, cps[static_cast<size_t>(l.underline)]).advance;
      RECT u{ux, cell.top + f.ascent + 1, ux + uw, cell.top + f.ascent + 2};
      FillSurfaceRect(dc, Intersect(u, limit), dc->st.textColor, R2_COPYPEN);
    }
    y += lineH;
  }
  return (top - r->top) + total;
}
