// Graphics wrappers of the framework: device contexts and GDI objects.
#include <algorithm>

#include "internal.h"

namespace plat::afx {

// Every GDI object wrapper keeps its handle in m_hObject.
#define PLAT_GDI_TEMP_MAP(Wrapper)                                \
  template <>                                                     \
  void TempMap<Wrapper, HGDIOBJ>::Attach(Wrapper& o, HGDIOBJ h) { \
    o.m_hObject = h;                                              \
  }                                                               \
  template <>                                                     \
  void TempMap<Wrapper, HGDIOBJ>::Detach(Wrapper& o) {            \
    o.m_hObject = nullptr;                                        \
  }
PLAT_GDI_TEMP_MAP(CGdiObject)
PLAT_GDI_TEMP_MAP(CPen)
PLAT_GDI_TEMP_MAP(CBrush)
PLAT_GDI_TEMP_MAP(CFont)
PLAT_GDI_TEMP_MAP(CBitmap)
#undef PLAT_GDI_TEMP_MAP
template <>
void TempMap<CDC, HDC>::Attach(CDC& o, HDC h) {
  o.m_hDC = h;
}
template <>
void TempMap<CDC, HDC>::Detach(CDC& o) {
  o.m_hDC = nullptr;
}

namespace {
struct GdiTemps {
  TempMap<CGdiObject, HGDIOBJ> objects;
  TempMap<CPen, HGDIOBJ> pens;
  TempMap<CBrush, HGDIOBJ> brushes;
  TempMap<CFont, HGDIOBJ> fonts;
  TempMap<CBitmap, HGDIOBJ> bitmaps;
  TempMap<CDC, HDC> dcs;
  void Clear() {
    objects.Clear();
    pens.Clear();
    brushes.Clear();
    fonts.Clear();
    bitmaps.Clear();
    dcs.Clear();
  }
};
GdiTemps& Temps() {
  thread_local GdiTemps t;
  return t;
}
}  // namespace

void DeleteTempGdi() { Temps().Clear(); }

}  // namespace plat::afx

using plat::afx::Temps;

BOOL CGdiObject::Attach(HGDIOBJ h) {
  DeleteObject();
  m_hObject = h;
  return h != nullptr;
}
HGDIOBJ CGdiObject::Detach() {
  HGDIOBJ h = m_hObject;
  m_hObject = nullptr;
  return h;
}
BOOL CGdiObject::DeleteObject() {
  if (!m_hObject) return FALSE;
  HGDIOBJ h = m_hObject;
  m_hObject = nullptr;
  return ::DeleteObject(h);
}
BOOL CGdiObject::CreateStockObject(int index) { return Attach(::GetStockObject(index)); }

CPen* CPen::FromHandle(HPEN h) { return Temps().pens.Get(h); }
CBrush* CBrush::FromHandle(HBRUSH h) { return Temps().brushes.Get(h); }
CFont* CFont::FromHandle(HFONT h) { return Temps().fonts.Get(h); }
CBitmap* CBitmap::FromHandle(HBITMAP h) { return Temps().bitmaps.Get(h); }

BOOL CFont::CreatePointFont(int pointSize, const WCHAR* face, CDC* dc) {
  (void)dc;
  LOGFONT lf{};
  lf.lfHeight = -MulDiv(pointSize, 96, 720);
  lf.lfWeight = FW_NORMAL;
  lf.lfCharSet = DEFAULT_CHARSET;
  for (int i = 0; face && face[i] && i < LF_FACESIZE - 1; ++i) lf.lfFaceName[i] = face[i];
  return CreateFontIndirect(&lf);
}

BOOL CBitmap::LoadBitmap(UINT id) {
  HBITMAP h = ::LoadBitmap(AfxGetResourceHandle(), MAKEINTRESOURCE(id));
  if (!h) return FALSE;
  return Attach(h);
}
BOOL CBitmap::CreateCompatibleBitmap(CDC* dc, int w, int h) {
  return Attach(::CreateCompatibleBitmap(dc ? dc->m_hDC : nullptr, w, h));
}

CDC::~CDC() {
  if (owned_ && m_hDC) ::DeleteDC(m_hDC);
}
CDC* CDC::FromHandle(HDC h) { return Temps().dcs.Get(h); }
BOOL CDC::CreateCompatibleDC(CDC* dc) {
  DeleteDC();
  m_hDC = ::CreateCompatibleDC(dc ? dc->m_hDC : nullptr);
  owned_ = m_hDC != nullptr;
  return owned_;
}
BOOL CDC::DeleteDC() {
  if (!m_hDC || !owned_) return FALSE;
  BOOL r = ::DeleteDC(m_hDC);
  m_hDC = nullptr;
  owned_ = false;
  return r;
}
CGdiObject* CDC::SelectStockObject(int index) {
  return Temps().objects.Get(::SelectObject(m_hDC, ::GetStockObject(index)));
}
CPen* CDC::SelectObject(CPen* p) { return CPen::FromHandle(::SelectObject(m_hDC, p ? p->m_hObject : nullptr)); }
CBrush* CDC::SelectObject(CBrush* b) { return CBrush::FromHandle(::SelectObject(m_hDC, b ? b->m_hObject : nullptr)); }
CFont* CDC::SelectObject(CFont* f) { return CFont::FromHandle(::SelectObject(m_hDC, f ? f->m_hObject : nullptr)); }
CBitmap* CDC::SelectObject(CBitmap* b) {
  return CBitmap::FromHandle(::SelectObject(m_hDC, b ? b->m_hObject : nullptr));
}
CPoint CDC::MoveTo(int x, int y) {
  POINT prev{0, 0};
  ::MoveToEx(m_hDC, x, y, &prev);
  return CPoint(prev);
}
void CDC::FillSolidRect(const RECT* r, COLORREF c) {
  HBRUSH b = ::CreateSolidBrush(c);
  ::FillRect(m_hDC, r, b);
  ::DeleteObject(b);
}
void CDC::FillSolidRect(int x, int y, int w, int h, COLORREF c) {
  RECT r{x, y, x + w, y + h};
  FillSolidRect(&r, c);
}
void CDC::Draw3dRect(const RECT* r, COLORREF topLeft, COLORREF bottomRight) {
  int w = r->right - r->left, h = r->bottom - r->top;
  FillSolidRect(r->left, r->top, w - 1, 1, topLeft);
  FillSolidRect(r->left, r->top, 1, h - 1, topLeft);
  FillSolidRect(r->right - 1, r->top, 1, h, bottomRight);
  FillSolidRect(r->left, r->bottom - 1, w, 1, bottomRight);
}
CSize CDC::GetTextExtent(const WCHAR* s, int n) const {
  SIZE sz{0, 0};
  if (s && n > 0) ::GetTextExtentPoint32(m_hDC, s, n, &sz);
  return CSize(sz);
}

CPaintDC::CPaintDC(CWnd* wnd) : hwnd_(wnd ? wnd->m_hWnd : 0) { m_hDC = ::BeginPaint(hwnd_, &m_ps); }
CPaintDC::~CPaintDC() {
  ::EndPaint(hwnd_, &m_ps);
  m_hDC = nullptr;
}
CClientDC::CClientDC(CWnd* wnd) : hwnd_(wnd ? wnd->m_hWnd : 0) { m_hDC = ::GetDC(hwnd_); }
CClientDC::~CClientDC() {
  if (m_hDC) ::ReleaseDC(hwnd_, m_hDC);
  m_hDC = nullptr;
}

void CRect::NormalizeRect() {
  if (left > right) std::swap(left, right);
  if (top > bottom) std::swap(top, bottom);
}
BOOL CRect::IntersectRect(const RECT* a, const RECT* b) { return ::IntersectRect(this, a, b); }
BOOL CRect::UnionRect(const RECT* a, const RECT* b) { return ::UnionRect(this, a, b); }
