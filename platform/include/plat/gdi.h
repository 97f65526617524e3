// Graphics of the handheld: device contexts, pens, brushes, fonts, bitmaps, clipping regions,
// lines, rectangles, polygons, text and bit-block transfers, drawn into retained surfaces
// (plat::Surface). Window device contexts come from the windowing layer (GetDC/BeginPaint);
// memory device contexts come from CreateCompatibleDC and draw into the bitmap selected in them.
//
// Coordinates: a logical point (x, y) lands on device point (x + viewport x, y + viewport y).
// Every drawing is clipped to the device context's clip (its window's visible area, narrowed by
// the clip region that the program selects).
//
// Resolution: the screen is 240 x 320 at 96 dots per inch (GetDeviceCaps LOGPIXELSX/Y), so a
// font of N points is -MulDiv(N, 96, 72) pixels high.
#pragma once

#include <cstdint>
#include <string>

#include "plat/surface.h"
#include "plat/types.h"

// ---- Constants ----------------------------------------------------------------------------

#ifndef CLR_INVALID
#define CLR_INVALID 0xFFFFFFFFu
#endif

// Stock objects.
#define WHITE_BRUSH 0
#define LTGRAY_BRUSH 1
#define GRAY_BRUSH 2
#define DKGRAY_BRUSH 3
#define BLACK_BRUSH 4
#define NULL_BRUSH 5
#define HOLLOW_BRUSH NULL_BRUSH
#define WHITE_PEN 6
#define BLACK_PEN 7
#define NULL_PEN 8
#define SYSTEM_FONT 13
#define DEFAULT_GUI_FONT 17

// Object types (GetObjectType, GetCurrentObject).
#define OBJ_PEN 1
#define OBJ_BRUSH 2
#define OBJ_DC 3
#define OBJ_REGION 8
#define OBJ_FONT 6
#define OBJ_BITMAP 7
#define OBJ_MEMDC 10

// System colours.
#define COLOR_SCROLLBAR 0
#define COLOR_BACKGROUND 1
#define COLOR_ACTIVECAPTION 2
#define COLOR_INACTIVECAPTION 3
#define COLOR_MENU 4
#define COLOR_WINDOW 5
#define COLOR_WINDOWFRAME 6
#define COLOR_MENUTEXT 7
#define COLOR_WINDOWTEXT 8
#define COLOR_CAPTIONTEXT 9
#define COLOR_ACTIVEBORDER 10
#define COLOR_INACTIVEBORDER 11
#define COLOR_APPWORKSPACE 12
#define COLOR_HIGHLIGHT 13
#define COLOR_HIGHLIGHTTEXT 14
#define COLOR_BTNFACE 15
#define COLOR_BTNSHADOW 16
#define COLOR_GRAYTEXT 17
#define COLOR_BTNTEXT 18
#define COLOR_INACTIVECAPTIONTEXT 19
#define COLOR_BTNHIGHLIGHT 20
#define COLOR_3DDKSHADOW 21
#define COLOR_3DLIGHT 22
#define COLOR_INFOTEXT 23
#define COLOR_INFOBK 24
#define COLOR_STATIC 25
#define COLOR_STATICTEXT 26
#define COLOR_3DFACE COLOR_BTNFACE
#define COLOR_3DSHADOW COLOR_BTNSHADOW
#define COLOR_3DHIGHLIGHT COLOR_BTNHIGHLIGHT
#define COLOR_3DHILIGHT COLOR_BTNHIGHLIGHT
#define COLOR_BTNHILIGHT COLOR_BTNHIGHLIGHT
// The handheld lets a program pass a colour index with this flag set; it is ignored here.
#define SYS_COLOR_INDEX_FLAG 0x40000000

// Pen styles.
#define PS_SOLID 0
#define PS_DASH 1
#define PS_DOT 2
#define PS_NULL 5

// Drawing modes (SetROP2).
#define R2_BLACK 1
#define R2_NOTMERGEPEN 2
#define R2_MASKNOTPEN 3
#define R2_NOTCOPYPEN 4
#define R2_MASKPENNOT 5
#define R2_NOT 6
#define R2_XORPEN 7
#define R2_NOTMASKPEN 8
#define R2_MASKPEN 9
#define R2_NOTXORPEN 10
#define R2_NOP 11
#define R2_MERGENOTPEN 12
#define R2_COPYPEN 13
#define R2_MERGEPENNOT 14
#define R2_MERGEPEN 15
#define R2_WHITE 16

// Background modes.
#define TRANSPARENT 1
#define OPAQUE 2

// Text alignment (SetTextAlign).
#define TA_NOUPDATECP 0
#define TA_UPDATECP 1
#define TA_LEFT 0
#define TA_RIGHT 2
#define TA_CENTER 6
#define TA_TOP 0
#define TA_BOTTOM 8
#define TA_BASELINE 24

// ExtTextOut options.
#define ETO_OPAQUE 0x0002
#define ETO_CLIPPED 0x0004

// DrawText formats.
#define DT_TOP 0x0000
#define DT_LEFT 0x0000
#define DT_CENTER 0x0001
#define DT_RIGHT 0x0002
#define DT_VCENTER 0x0004
#define DT_BOTTOM 0x0008
#define DT_WORDBREAK 0x0010
#define DT_SINGLELINE 0x0020
#define DT_EXPANDTABS 0x0040
#define DT_NOCLIP 0x0100
#define DT_CALCRECT 0x0400
#define DT_NOPREFIX 0x0800
#define DT_END_ELLIPSIS 0x8000

// Raster operations of the bit-block transfers.
#define SRCCOPY 0x00CC0020u
#define SRCPAINT 0x00EE0086u
#define SRCAND 0x008800C6u
#define SRCINVERT 0x00660046u
#define SRCERASE 0x00440328u
#define NOTSRCCOPY 0x00330008u
#define DSTINVERT 0x00550009u
#define PATCOPY 0x00F00021u
#define PATINVERT 0x005A0049u
#define BLACKNESS 0x00000042u
#define WHITENESS 0x00FF0062u

// Region results and combination modes.
#define ERROR 0
#define NULLREGION 1
#define SIMPLEREGION 2
#define COMPLEXREGION 3
#define RGN_AND 1
#define RGN_OR 2
#define RGN_XOR 3
#define RGN_DIFF 4
#define RGN_COPY 5

// Font weights and sizes.
#define FW_DONTCARE 0
#define FW_THIN 100
#define FW_LIGHT 300
#define FW_NORMAL 400
#define FW_MEDIUM 500
#define FW_SEMIBOLD 600
#define FW_BOLD 700
#define FW_HEAVY 900
#define LF_FACESIZE 32
#define DEFAULT_CHARSET 1
#define HANGUL_CHARSET 129
#define ANSI_CHARSET 0
#define OUT_DEFAULT_PRECIS 0
#define CLIP_DEFAULT_PRECIS 0
#define DEFAULT_QUALITY 0
#define NONANTIALIASED_QUALITY 3
#define ANTIALIASED_QUALITY 4
#define DEFAULT_PITCH 0
#define FIXED_PITCH 1
#define VARIABLE_PITCH 2
#define FF_DONTCARE 0
#define FF_SWISS 0x20

// GetDeviceCaps indices.
#define HORZRES 8
#define VERTRES 10
#define BITSPIXEL 12
#define PLANES 14
#define LOGPIXELSX 88
#define LOGPIXELSY 90

// DrawEdge.
#define BDR_RAISEDOUTER 0x0001
#define BDR_SUNKENOUTER 0x0002
#define BDR_RAISEDINNER 0x0004
#define BDR_SUNKENINNER 0x0008
#define EDGE_RAISED (BDR_RAISEDOUTER | BDR_RAISEDINNER)
#define EDGE_SUNKEN (BDR_SUNKENOUTER | BDR_SUNKENINNER)
#define EDGE_ETCHED (BDR_SUNKENOUTER | BDR_RAISEDINNER)
#define EDGE_BUMP (BDR_RAISEDOUTER | BDR_SUNKENINNER)
#define BF_LEFT 0x0001
#define BF_TOP 0x0002
#define BF_RIGHT 0x0004
#define BF_BOTTOM 0x0008
#define BF_TOPLEFT (BF_TOP | BF_LEFT)
#define BF_BOTTOMRIGHT (BF_BOTTOM | BF_RIGHT)
#define BF_RECT (BF_LEFT | BF_TOP | BF_RIGHT | BF_BOTTOM)
#define BF_MIDDLE 0x0800
#define BF_SOFT 0x1000
#define BF_ADJUST 0x2000
#define BF_FLAT 0x4000
#define BF_MONO 0x8000

#ifndef MAKEINTRESOURCE
#define MAKEINTRESOURCE(i) ((LPCWSTR)(uintptr_t)(WORD)(i))
#endif
#ifndef IS_INTRESOURCE
#define IS_INTRESOURCE(p) ((((uintptr_t)(p)) >> 16) == 0)
#endif

// ---- Structures ---------------------------------------------------------------------------

struct LOGFONT {
  LONG lfHeight;  // < 0: character height in pixels; > 0: cell height in pixels; 0: default
  LONG lfWidth;   // average character width in pixels; 0: natural width
  LONG lfEscapement;
  LONG lfOrientation;
  LONG lfWeight;  // 0 or 400 normal, 700 (and above 550) bold
  BYTE lfItalic;
  BYTE lfUnderline;
  BYTE lfStrikeOut;
  BYTE lfCharSet;
  BYTE lfOutPrecision;
  BYTE lfClipPrecision;
  BYTE lfQuality;
  BYTE lfPitchAndFamily;
  WCHAR lfFaceName[LF_FACESIZE];
};
typedef LOGFONT LOGFONTW;
typedef LOGFONT* LPLOGFONT;

struct TEXTMETRIC {
  LONG tmHeight;
  LONG tmAscent;
  LONG tmDescent;
  LONG tmInternalLeading;
  LONG tmExternalLeading;
  LONG tmAveCharWidth;
  LONG tmMaxCharWidth;
  LONG tmWeight;
  LONG tmOverhang;
  LONG tmDigitizedAspectX;
  LONG tmDigitizedAspectY;
  WCHAR tmFirstChar;
  WCHAR tmLastChar;
  WCHAR tmDefaultChar;
  WCHAR tmBreakChar;
  BYTE tmItalic;
  BYTE tmUnderlined;
  BYTE tmStruckOut;
  BYTE tmPitchAndFamily;
  BYTE tmCharSet;
};
typedef TEXTMETRIC TEXTMETRICW;
typedef TEXTMETRIC* LPTEXTMETRIC;

struct BITMAP {
  LONG bmType;
  LONG bmWidth;
  LONG bmHeight;
  LONG bmWidthBytes;
  WORD bmPlanes;
  WORD bmBitsPixel;
  LPVOID bmBits;
};

struct LOGPEN {
  UINT lopnStyle;
  POINT lopnWidth;
  COLORREF lopnColor;
};

#define BS_SOLID 0
#define BS_NULL 1
#define BS_HOLLOW BS_NULL
struct LOGBRUSH {
  UINT lbStyle;
  COLORREF lbColor;
  LONG lbHatch;
};

// ---- Rectangle helpers --------------------------------------------------------------------
// Rectangles are right- and bottom-exclusive.
#ifndef PLAT_RECT_HELPERS
#define PLAT_RECT_HELPERS 1
BOOL SetRect(RECT* r, int left, int top, int right, int bottom);
BOOL SetRectEmpty(RECT* r);
BOOL CopyRect(RECT* dst, const RECT* src);
BOOL InflateRect(RECT* r, int dx, int dy);
BOOL OffsetRect(RECT* r, int dx, int dy);
BOOL PtInRect(const RECT* r, POINT pt);
BOOL IntersectRect(RECT* dst, const RECT* a, const RECT* b);  // FALSE (and empty) when disjoint
BOOL UnionRect(RECT* dst, const RECT* a, const RECT* b);
BOOL SubtractRect(RECT* dst, const RECT* a, const RECT* b);
BOOL EqualRect(const RECT* a, const RECT* b);
BOOL IsRectEmpty(const RECT* r);
#endif

int MulDiv(int number, int numerator, int denominator);  // rounded; -1 when denominator is 0

// ---- Device contexts ----------------------------------------------------------------------

HDC CreateCompatibleDC(HDC dc);  // dc may be null; the new context holds a 1 x 1 bitmap
BOOL DeleteDC(HDC dc);
int SaveDC(HDC dc);                 // returns the new save level (1, 2, ...), 0 on failure
BOOL RestoreDC(HDC dc, int level);  // level > 0: that level; < 0: that many levels back
int GetDeviceCaps(HDC dc, int index);

HGDIOBJ SelectObject(HDC dc, HGDIOBJ obj);  // previous object of the kind; regions: region type
BOOL DeleteObject(HGDIOBJ obj);             // stock objects are not deleted; a selected object is freed when unselected
HGDIOBJ GetStockObject(int index);
HGDIOBJ GetCurrentObject(HDC dc, UINT type);
DWORD GetObjectType(HGDIOBJ obj);
int GetObject(HGDIOBJ obj, int size, void* out);  // BITMAP, LOGPEN, LOGBRUSH or LOGFONT
#define GetObjectW GetObject

COLORREF GetSysColor(int index);
HBRUSH GetSysColorBrush(int index);

COLORREF SetTextColor(HDC dc, COLORREF color);
COLORREF GetTextColor(HDC dc);
COLORREF SetBkColor(HDC dc, COLORREF color);
COLORREF GetBkColor(HDC dc);
int SetBkMode(HDC dc, int mode);
int GetBkMode(HDC dc);
int SetROP2(HDC dc, int mode);
int GetROP2(HDC dc);
UINT SetTextAlign(HDC dc, UINT align);
UINT GetTextAlign(HDC dc);

BOOL SetViewportOrgEx(HDC dc, int x, int y, POINT* previous);
BOOL OffsetViewportOrgEx(HDC dc, int dx, int dy, POINT* previous);
BOOL GetViewportOrgEx(HDC dc, POINT* out);

// ---- Clipping -----------------------------------------------------------------------------

HRGN CreateRectRgn(int left, int top, int right, int bottom);
HRGN CreateRectRgnIndirect(const RECT* r);
BOOL SetRectRgn(HRGN rgn, int left, int top, int right, int bottom);
int CombineRgn(HRGN dst, HRGN a, HRGN b, int mode);
int GetRgnBox(HRGN rgn, RECT* out);
BOOL PtInRegion(HRGN rgn, int x, int y);
int OffsetRgn(HRGN rgn, int dx, int dy);
int SelectClipRgn(HDC dc, HRGN rgn);               // device coordinates; null removes the program's clip
int ExtSelectClipRgn(HDC dc, HRGN rgn, int mode);  // rgn may be null only with RGN_COPY
// 1 and the program's clip copied into rgn (device coordinates); 0 when it has none; -1 on error.
int GetClipRgn(HDC dc, HRGN rgn);
int OffsetClipRgn(HDC dc, int dx, int dy);                                // logical units
int IntersectClipRect(HDC dc, int left, int top, int right, int bottom);  // logical coordinates
int ExcludeClipRect(HDC dc, int left, int top, int right, int bottom);
int GetClipBox(HDC dc, RECT* out);  // logical coordinates

// ---- Pens, brushes, lines and shapes ------------------------------------------------------

HPEN CreatePen(int style, int width, COLORREF color);
HPEN CreatePenIndirect(const LOGPEN* lp);
HBRUSH CreateSolidBrush(COLORREF color);
HBRUSH CreateBrushIndirect(const LOGBRUSH* lb);

BOOL MoveToEx(HDC dc, int x, int y, POINT* previous);
BOOL LineTo(HDC dc, int x, int y);  // the end point itself is not drawn
BOOL Polyline(HDC dc, const POINT* points, int count);
BOOL Rectangle(HDC dc, int left, int top, int right, int bottom);
BOOL RoundRect(HDC dc, int left, int top, int right, int bottom, int ew, int eh);
BOOL Ellipse(HDC dc, int left, int top, int right, int bottom);
BOOL Polygon(HDC dc, const POINT* points, int count);  // alternate fill
int FillRect(HDC dc, const RECT* r, HBRUSH brush);
int FrameRect(HDC dc, const RECT* r, HBRUSH brush);
BOOL InvertRect(HDC dc, const RECT* r);
BOOL PatBlt(HDC dc, int x, int y, int w, int h, DWORD rop);
COLORREF SetPixel(HDC dc, int x, int y, COLORREF color);
COLORREF GetPixel(HDC dc, int x, int y);  // CLR_INVALID outside the clip
BOOL DrawEdge(HDC dc, RECT* r, UINT edge, UINT flags);
BOOL DrawFocusRect(HDC dc, const RECT* r);

// ---- Fonts and text -----------------------------------------------------------------------

HFONT CreateFontIndirect(const LOGFONT* lf);
#define CreateFontIndirectW CreateFontIndirect
HFONT CreateFont(int height, int width, int escapement, int orientation, int weight, DWORD italic, DWORD underline,
                 DWORD strikeOut, DWORD charSet, DWORD outPrecision, DWORD clipPrecision, DWORD quality,
                 DWORD pitchAndFamily, LPCWSTR face);

// count -1: the text runs to its terminating zero.
BOOL TextOut(HDC dc, int x, int y, LPCWSTR text, int count);
BOOL ExtTextOut(HDC dc, int x, int y, UINT options, const RECT* r, LPCWSTR text, UINT count, const int* dx);
int DrawText(HDC dc, LPCWSTR text, int count, RECT* r, UINT format);  // returns the text height
BOOL GetTextExtentPoint32(HDC dc, LPCWSTR text, int count, SIZE* out);
BOOL GetTextExtentExPoint(HDC dc, LPCWSTR text, int count, int maxExtent, int* fit, int* dx, SIZE* out);
BOOL GetTextMetrics(HDC dc, TEXTMETRIC* out);
#define TextOutW TextOut
#define ExtTextOutW ExtTextOut
#define DrawTextW DrawText
#define GetTextExtentPoint32W GetTextExtentPoint32
#define GetTextExtentPoint GetTextExtentPoint32
#define GetTextMetricsW GetTextMetrics

// ---- Bitmaps and transfers ----------------------------------------------------------------

// Bitmaps start black. bitsPerPixel is kept for GetObject; pixels are always full colour.
HBITMAP CreateCompatibleBitmap(HDC dc, int width, int height);
HBITMAP CreateBitmap(int width, int height, UINT planes, UINT bitsPerPixel, const void* bits);
// Loads bitmap resource `id` of `module` (null: the main program); see plat::gdi::BitmapResource.
HBITMAP LoadBitmap(HINSTANCE module, LPCWSTR id);
#define LoadBitmapW LoadBitmap

BOOL BitBlt(HDC dst, int x, int y, int w, int h, HDC src, int sx, int sy, DWORD rop);
BOOL StretchBlt(HDC dst, int x, int y, int w, int h, HDC src, int sx, int sy, int sw, int sh, DWORD rop);
// Copies every source pixel except those of colour `transparent`; stretches nearest-neighbour.
BOOL TransparentImage(HDC dst, int x, int y, int w, int h, HANDLE src, int sx, int sy, int sw, int sh,
                      COLORREF transparent);
BOOL TransparentBlt(HDC dst, int x, int y, int w, int h, HDC src, int sx, int sy, int sw, int sh, UINT transparent);

// ---- Platform extensions ------------------------------------------------------------------

namespace plat::gdi {

// Bitmap resources (plat::res kind Bitmap) are arrays of 32-bit words: width, height, then
// width * height COLORREF pixels, row by row from the top. A resource shorter than its size
// says is refused.
struct BitmapResource {
  uint32_t width;
  uint32_t height;
  // followed by width * height COLORREF values
};

// The surface a device context draws into (the window's or the selected bitmap's), or null.
Surface* SurfaceOf(HDC dc);
// The surface of a bitmap, or null.
Surface* SurfaceOfBitmap(HBITMAP bmp);

// Reads an 8-bit RGB or RGBA PNG into `out` (alpha dropped). Returns false on failure.
bool ReadPng(const std::string& path, Surface& out);

// The font file used for a face name and weight (after LARKSPIN_FONT), empty if none is found.
std::string FontFileFor(const std::u16string& face, int weight);

// Number of live objects (stock objects not counted) and device contexts, for leak checks.
int LiveObjectCount();
int LiveDCCount();

}  // namespace plat::gdi
