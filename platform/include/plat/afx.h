// The small C++ application framework the system's programs and screens are written in:
// application object, windows and dialogs with message maps, data exchange, control wrappers,
// graphics wrappers, strings and arrays. Built on the platform's window, control and graphics
// layers; everything runs on the thread that owns the windows.
//
// Message maps bind handlers by member name (VC6 style): ON_BN_CLICKED(IDC_OK, OnOk), not
// &CMyDlg::OnOk. A control pointer from GetDlgItem already has the wrapper type of the control's
// class (CEdit for "EDIT", CComboBox for "COMBOBOX", ...), so casting it to that wrapper is sound.
#pragma once

#include <cstdarg>
#include <cstdio>
#include <stdexcept>
#include <string>
#include <string_view>
#include <type_traits>
#include <utility>
#include <vector>

#include "plat/windows.h"

// ---------------------------------------------------------------------------------------------
// Diagnostics: ASSERT and TRACE vanish as they do in a release build of the handheld programs.
#ifndef ASSERT
#define ASSERT(f) ((void)0)
#endif
#ifndef VERIFY
#define VERIFY(f) ((void)(f))
#endif
#ifndef ASSERT_VALID
#define ASSERT_VALID(p) ((void)0)
#endif
inline void AfxTraceNothing(...) {}
#ifndef TRACE
#define TRACE(...) ((void)0)
#endif
#define TRACE0(s) ((void)0)
#define TRACE1(s, a) ((void)0)
#define TRACE2(s, a, b) ((void)0)
#define afx_msg
#define AFX_EXT_CLASS
#define AFX_API_EXPORT
#define DECLARE_DYNAMIC(c)
#define IMPLEMENT_DYNAMIC(c, b)
#define DECLARE_DYNCREATE(c)
#define IMPLEMENT_DYNCREATE(c, b)

typedef struct PlatPosition* POSITION;

// ---------------------------------------------------------------------------------------------
// CString: UTF-16 text with the handheld's code page 949 at its edges.
class CString {
 public:
  CString() = default;
  CString(const CString&) = default;
  CString(CString&&) noexcept = default;
  CString(const WCHAR* s);              // null gives the empty string
  CString(const WCHAR* s, int length);  // the first `length` characters
  CString(WCHAR ch, int repeat = 1);
  CString(const char* mb);  // code page 949 text
  CString(std::u16string_view s) : s_(s) {}
  CString(const std::u16string& s) : s_(s) {}
  CString& operator=(const CString&) = default;
  CString& operator=(CString&&) noexcept = default;
  CString& operator=(const WCHAR* s);
  CString& operator=(const char* mb);
  CString& operator=(WCHAR ch);

  // Code page 949 conversion. FromMultiByte takes `length` bytes (-1: up to the terminating zero).
  static CString FromMultiByte(const char* mb, int length = -1);
  std::string ToMultiByte() const;

  int GetLength() const { return static_cast<int>(s_.size()); }
  BOOL IsEmpty() const { return s_.empty(); }
  void Empty() { s_.clear(); }
  WCHAR GetAt(int i) const;
  void SetAt(int i, WCHAR ch);
  WCHAR operator[](int i) const { return GetAt(i); }
  operator const WCHAR*() const { return s_.c_str(); }
  const std::u16string& str() const { return s_; }

  CString& operator+=(const CString& o) {
    s_ += o.s_;
    return *this;
  }
  CString& operator+=(const WCHAR* o);
  CString& operator+=(WCHAR ch) {
    s_ += ch;
    return *this;
  }
  friend CString operator+(const CString& a, const CString& b) { return CString(a.s_ + b.s_); }
  friend CString operator+(const CString& a, const WCHAR* b) {
    CString r(a);
    r += b;
    return r;
  }
  friend CString operator+(const WCHAR* a, const CString& b) {
    CString r(a);
    r += b;
    return r;
  }
  friend CString operator+(const CString& a, WCHAR b) {
    CString r(a);
    r += b;
    return r;
  }
  friend CString operator+(WCHAR a, const CString& b) {
    CString r(a);
    r += b;
    return r;
  }
  friend bool operator==(const CString& a, const CString& b) { return a.s_ == b.s_; }
  friend bool operator==(const CString& a, const WCHAR* b) { return a.Compare(b) == 0; }
  friend bool operator==(const WCHAR* a, const CString& b) { return b.Compare(a) == 0; }
  friend bool operator!=(const CString& a, const CString& b) { return !(a == b); }
  friend bool operator!=(const CString& a, const WCHAR* b) { return !(a == b); }
  friend bool operator!=(const WCHAR* a, const CString& b) { return !(b == a); }
  friend bool operator<(const CString& a, const CString& b) { return a.s_ < b.s_; }

  int Compare(const WCHAR* o) const;
  int CompareNoCase(const WCHAR* o) const;  // case-blind for Latin letters

  CString Left(int n) const;
  CString Right(int n) const;
  CString Mid(int first) const;
  CString Mid(int first, int n) const;
  int Find(WCHAR ch, int start = 0) const;
  int Find(const WCHAR* sub, int start = 0) const;
  int ReverseFind(WCHAR ch) const;
  int FindOneOf(const WCHAR* set) const;
  int Replace(WCHAR from, WCHAR to);
  int Replace(const WCHAR* from, const WCHAR* to);
  int Remove(WCHAR ch);
  int Insert(int index, WCHAR ch);
  int Insert(int index, const WCHAR* s);
  int Delete(int index, int count = 1);
  CString& TrimLeft();
  CString& TrimLeft(WCHAR ch);
  CString& TrimLeft(const WCHAR* set);
  CString& TrimRight();
  CString& TrimRight(WCHAR ch);
  CString& TrimRight(const WCHAR* set);
  CString& Trim() {
    TrimRight();
    return TrimLeft();
  }
  CString& MakeUpper();
  CString& MakeLower();
  CString& MakeReverse();
  CString SpanIncluding(const WCHAR* set) const;
  CString SpanExcluding(const WCHAR* set) const;

  // printf-style formatting: %d %i %u %x %X %o %c %s %S %f %e %g %p %%, flags "-+ 0#", width and
  // precision (also '*'), sizes h l ll I64. The arguments are taken with their C++ types, so a
  // CString, a const WCHAR* or a code page 949 const char* all format with %s, and a format that
  // does not match its arguments (too few, wrong kind) gives odd text but never reads memory it
  // was not given.
  template <typename... Args>
  void Format(const WCHAR* format, const Args&... args);
  template <typename... Args>
  void AppendFormat(const WCHAR* format, const Args&... args);
  // The C-style form for callers that hold a va_list: %s takes a const WCHAR*, %S and %hs a code
  // page 949 const char*; the arguments must match the format as with printf.
  void FormatV(const WCHAR* format, va_list args);

  // Loads string resource `id` of the current resource module; FALSE when it is missing.
  BOOL LoadString(UINT id);

  // Direct access: GetBuffer makes room for at least `minLength` characters plus a terminator;
  // ReleaseBuffer(-1) takes the text up to the first zero, ReleaseBuffer(n) the first n.
  WCHAR* GetBuffer(int minLength = 0);
  WCHAR* GetBufferSetLength(int length);
  void ReleaseBuffer(int newLength = -1);

 private:
  std::u16string s_;
};

// One argument of CString::Format, as its C++ type gave it.
struct AfxFormatArg {
  enum Kind { None, Signed, Unsigned, Floating, Pointer, Wide, Narrow } kind = None;
  long long i = 0;
  unsigned long long u = 0;
  double d = 0;
  const void* p = nullptr;  // text or pointer
};

template <typename T>
AfxFormatArg AfxMakeFormatArg(const T& v) {
  using D = std::decay_t<T>;
  AfxFormatArg a;
  if constexpr (std::is_same_v<D, CString>) {
    a.kind = AfxFormatArg::Wide;
    a.p = static_cast<const WCHAR*>(v);
  } else if constexpr (std::is_same_v<D, std::u16string>) {
    a.kind = AfxFormatArg::Wide;
    a.p = v.c_str();
  } else if constexpr (std::is_same_v<D, const WCHAR*> || std::is_same_v<D, WCHAR*>) {
    a.kind = AfxFormatArg::Wide;
    a.p = v;
  } else if constexpr (std::is_same_v<D, const char*> || std::is_same_v<D, char*>) {
    a.kind = AfxFormatArg::Narrow;
    a.p = v;
  } else if constexpr (std::is_same_v<D, std::nullptr_t>) {
    a.kind = AfxFormatArg::Pointer;
  } else if constexpr (std::is_pointer_v<D>) {
    a.kind = AfxFormatArg::Pointer;
    a.p = static_cast<const void*>(v);
  } else if constexpr (std::is_enum_v<D>) {
    a.kind = AfxFormatArg::Signed;
    a.i = static_cast<long long>(v);
  } else if constexpr (std::is_floating_point_v<D>) {
    a.kind = AfxFormatArg::Floating;
    a.d = static_cast<double>(v);
  } else if constexpr (std::is_integral_v<D> && std::is_signed_v<D>) {
    a.kind = AfxFormatArg::Signed;
    a.i = static_cast<long long>(v);
  } else if constexpr (std::is_integral_v<D>) {
    a.kind = AfxFormatArg::Unsigned;
    a.u = static_cast<unsigned long long>(v);
  } else {
    static_assert(sizeof(D) == 0, "CString::Format takes numbers, pointers and text");
  }
  return a;
}

// Formats `format` with `count` typed arguments.
std::u16string AfxFormatArgs(const WCHAR* format, const AfxFormatArg* args, size_t count);

template <typename... Args>
void CString::Format(const WCHAR* format, const Args&... args) {
  const AfxFormatArg list[] = {AfxMakeFormatArg(args)..., AfxFormatArg{}};
  s_ = AfxFormatArgs(format, list, sizeof...(Args));
}

template <typename... Args>
void CString::AppendFormat(const WCHAR* format, const Args&... args) {
  const AfxFormatArg list[] = {AfxMakeFormatArg(args)..., AfxFormatArg{}};
  s_ += AfxFormatArgs(format, list, sizeof...(Args));
}

// ---------------------------------------------------------------------------------------------
// Geometry.
class CSize : public SIZE {
 public:
  CSize() { cx = cy = 0; }
  CSize(int x, int y) {
    cx = x;
    cy = y;
  }
  CSize(SIZE s) {
    cx = s.cx;
    cy = s.cy;
  }
  bool operator==(const CSize& o) const { return cx == o.cx && cy == o.cy; }
  bool operator!=(const CSize& o) const { return !(*this == o); }
};

class CPoint : public POINT {
 public:
  CPoint() { x = y = 0; }
  CPoint(int ax, int ay) {
    x = ax;
    y = ay;
  }
  CPoint(POINT p) {
    x = p.x;
    y = p.y;
  }
  explicit CPoint(LPARAM lp) {
    x = static_cast<int16_t>(LOWORD(lp));
    y = static_cast<int16_t>(HIWORD(lp));
  }
  void Offset(int dx, int dy) {
    x += dx;
    y += dy;
  }
  bool operator==(const CPoint& o) const { return x == o.x && y == o.y; }
  bool operator!=(const CPoint& o) const { return !(*this == o); }
  CPoint operator+(const CSize& s) const { return CPoint(x + s.cx, y + s.cy); }
  CPoint operator-(const CSize& s) const { return CPoint(x - s.cx, y - s.cy); }
  CSize operator-(const CPoint& p) const { return CSize(x - p.x, y - p.y); }
};

class CRect : public RECT {
 public:
  CRect() { left = top = right = bottom = 0; }
  CRect(int l, int t, int r, int b) {
    left = l;
    top = t;
    right = r;
    bottom = b;
  }
  CRect(const RECT& r) {
    left = r.left;
    top = r.top;
    right = r.right;
    bottom = r.bottom;
  }
  CRect(const RECT* r) : CRect(*r) {}
  CRect(POINT tl, SIZE s) {
    left = tl.x;
    top = tl.y;
    right = tl.x + s.cx;
    bottom = tl.y + s.cy;
  }
  CRect(POINT tl, POINT br) {
    left = tl.x;
    top = tl.y;
    right = br.x;
    bottom = br.y;
  }
  int Width() const { return right - left; }
  int Height() const { return bottom - top; }
  CSize Size() const { return CSize(Width(), Height()); }
  CPoint TopLeft() const { return CPoint(left, top); }
  CPoint BottomRight() const { return CPoint(right, bottom); }
  CPoint CenterPoint() const { return CPoint((left + right) / 2, (top + bottom) / 2); }
  BOOL IsRectEmpty() const { return right <= left || bottom <= top; }
  BOOL IsRectNull() const { return left == 0 && top == 0 && right == 0 && bottom == 0; }
  BOOL PtInRect(POINT p) const { return p.x >= left && p.x < right && p.y >= top && p.y < bottom; }
  void SetRect(int l, int t, int r, int b) {
    left = l;
    top = t;
    right = r;
    bottom = b;
  }
  void SetRectEmpty() { left = top = right = bottom = 0; }
  void OffsetRect(int dx, int dy) {
    left += dx;
    right += dx;
    top += dy;
    bottom += dy;
  }
  void OffsetRect(POINT p) { OffsetRect(p.x, p.y); }
  void InflateRect(int dx, int dy) {
    left -= dx;
    right += dx;
    top -= dy;
    bottom += dy;
  }
  void DeflateRect(int dx, int dy) { InflateRect(-dx, -dy); }
  void NormalizeRect();
  BOOL IntersectRect(const RECT* a, const RECT* b);
  BOOL UnionRect(const RECT* a, const RECT* b);
  operator RECT*() { return this; }
  operator const RECT*() const { return this; }
  bool operator==(const RECT& o) const {
    return left == o.left && top == o.top && right == o.right && bottom == o.bottom;
  }
  bool operator!=(const RECT& o) const { return !(*this == o); }
};

// ---------------------------------------------------------------------------------------------
// Arrays. Indexes outside the array throw std::out_of_range rather than touch foreign memory.
class CObject {
 public:
  virtual ~CObject() = default;
};

template <class TYPE, class ARG_TYPE = const TYPE&>
class CArray : public CObject {
 public:
  INT_PTR GetSize() const { return static_cast<INT_PTR>(v_.size()); }
  INT_PTR GetCount() const { return GetSize(); }
  INT_PTR GetUpperBound() const { return GetSize() - 1; }
  BOOL IsEmpty() const { return v_.empty(); }
  void SetSize(INT_PTR n, INT_PTR growBy = -1) {
    (void)growBy;
    v_.resize(n < 0 ? 0 : static_cast<size_t>(n));
  }
  void RemoveAll() { v_.clear(); }
  void FreeExtra() { v_.shrink_to_fit(); }
  const TYPE& GetAt(INT_PTR i) const { return v_.at(Index(i)); }
  TYPE& GetAt(INT_PTR i) { return v_.at(Index(i)); }
  TYPE& ElementAt(INT_PTR i) { return v_.at(Index(i)); }
  void SetAt(INT_PTR i, ARG_TYPE e) { v_.at(Index(i)) = e; }
  const TYPE& operator[](INT_PTR i) const { return GetAt(i); }
  TYPE& operator[](INT_PTR i) { return GetAt(i); }
  TYPE* GetData() { return v_.data(); }
  const TYPE* GetData() const { return v_.data(); }
  INT_PTR Add(ARG_TYPE e) {
    v_.push_back(e);
    return GetSize() - 1;
  }
  void SetAtGrow(INT_PTR i, ARG_TYPE e) {
    if (i < 0) throw std::out_of_range("CArray index");
    if (static_cast<size_t>(i) >= v_.size()) v_.resize(static_cast<size_t>(i) + 1);
    v_[static_cast<size_t>(i)] = e;
  }
  void InsertAt(INT_PTR i, ARG_TYPE e, INT_PTR count = 1) {
    if (i < 0 || count < 0) throw std::out_of_range("CArray index");
    if (static_cast<size_t>(i) > v_.size()) v_.resize(static_cast<size_t>(i));
    v_.insert(v_.begin() + i, static_cast<size_t>(count), e);
  }
  void RemoveAt(INT_PTR i, INT_PTR count = 1) {
    if (i < 0 || count < 0 || static_cast<size_t>(i + count) > v_.size()) throw std::out_of_range("CArray index");
    v_.erase(v_.begin() + i, v_.begin() + i + count);
  }
  INT_PTR Append(const CArray& o) {
    INT_PTR at = GetSize();
    v_.insert(v_.end(), o.v_.begin(), o.v_.end());
    return at;
  }
  void Copy(const CArray& o) { v_ = o.v_; }

 private:
  static size_t Index(INT_PTR i) {
    if (i < 0) throw std::out_of_range("CArray index");
    return static_cast<size_t>(i);
  }
  std::vector<TYPE> v_;
};

class CStringArray : public CArray<CString, const CString&> {
 public:
  INT_PTR Add(const WCHAR* s) { return CArray<CString, const CString&>::Add(CString(s)); }
  INT_PTR Add(const CString& s) { return CArray<CString, const CString&>::Add(s); }
};
class CPtrArray : public CArray<void*, void*> {};
class CObArray : public CArray<CObject*, CObject*> {};
class CUIntArray : public CArray<UINT, UINT> {};
class CDWordArray : public CArray<DWORD, DWORD> {};
class CWordArray : public CArray<WORD, WORD> {};
class CByteArray : public CArray<BYTE, BYTE> {};

// ---------------------------------------------------------------------------------------------
// Graphics wrappers.
class CGdiObject : public CObject {
 public:
  HGDIOBJ m_hObject = nullptr;
  ~CGdiObject() override { DeleteObject(); }
  operator HGDIOBJ() const { return m_hObject; }
  HGDIOBJ GetSafeHandle() const { return m_hObject; }
  BOOL Attach(HGDIOBJ h);
  HGDIOBJ Detach();
  BOOL DeleteObject();
  int GetObject(int size, void* out) const { return ::GetObject(m_hObject, size, out); }
  BOOL CreateStockObject(int index);
};

class CPen : public CGdiObject {
 public:
  CPen() = default;
  CPen(int style, int width, COLORREF color) { CreatePen(style, width, color); }
  BOOL CreatePen(int style, int width, COLORREF color) { return Attach(::CreatePen(style, width, color)); }
  static CPen* FromHandle(HPEN h);
};

class CBrush : public CGdiObject {
 public:
  CBrush() = default;
  explicit CBrush(COLORREF color) { CreateSolidBrush(color); }
  BOOL CreateSolidBrush(COLORREF color) { return Attach(::CreateSolidBrush(color)); }
  static CBrush* FromHandle(HBRUSH h);
};

class CFont : public CGdiObject {
 public:
  BOOL CreateFontIndirect(const LOGFONT* lf) { return Attach(::CreateFontIndirect(lf)); }
  BOOL CreateFont(int height, int width, int escapement, int orientation, int weight, BYTE italic, BYTE underline,
                  BYTE strikeOut, BYTE charSet, BYTE outPrecision, BYTE clipPrecision, BYTE quality,
                  BYTE pitchAndFamily, const WCHAR* face) {
    return Attach(::CreateFont(height, width, escapement, orientation, weight, italic, underline, strikeOut, charSet,
                               outPrecision, clipPrecision, quality, pitchAndFamily, face));
  }
  // `pointSize` in tenths of a point: 85 is 8.5 points.
  BOOL CreatePointFont(int pointSize, const WCHAR* face, class CDC* dc = nullptr);
  int GetLogFont(LOGFONT* lf) const { return GetObject(sizeof(LOGFONT), lf); }
  static CFont* FromHandle(HFONT h);
};

class CBitmap : public CGdiObject {
 public:
  BOOL LoadBitmap(UINT id);  // from the current resource module
  BOOL CreateCompatibleBitmap(class CDC* dc, int w, int h);
  static CBitmap* FromHandle(HBITMAP h);
};

class CWnd;

class CDC : public CObject {
 public:
  HDC m_hDC = nullptr;
  CDC() = default;
  ~CDC() override;
  operator HDC() const { return m_hDC; }
  HDC GetSafeHdc() const { return m_hDC; }
  static CDC* FromHandle(HDC h);
  BOOL Attach(HDC h) {
    m_hDC = h;
    return h != nullptr;
  }
  HDC Detach() {
    HDC h = m_hDC;
    m_hDC = nullptr;
    return h;
  }
  BOOL CreateCompatibleDC(CDC* dc);
  BOOL DeleteDC();

  CGdiObject* SelectStockObject(int index);
  CPen* SelectObject(CPen* p);
  CBrush* SelectObject(CBrush* b);
  CFont* SelectObject(CFont* f);
  CBitmap* SelectObject(CBitmap* b);
  HGDIOBJ SelectObject(HGDIOBJ h) { return ::SelectObject(m_hDC, h); }
  COLORREF SetTextColor(COLORREF c) { return ::SetTextColor(m_hDC, c); }
  COLORREF GetTextColor() const { return ::GetTextColor(m_hDC); }
  COLORREF SetBkColor(COLORREF c) { return ::SetBkColor(m_hDC, c); }
  COLORREF GetBkColor() const { return ::GetBkColor(m_hDC); }
  int SetBkMode(int m) { return ::SetBkMode(m_hDC, m); }
  UINT SetTextAlign(UINT a) { return ::SetTextAlign(m_hDC, a); }
  int SaveDC() { return ::SaveDC(m_hDC); }
  BOOL RestoreDC(int level) { return ::RestoreDC(m_hDC, level); }

  CPoint MoveTo(int x, int y);
  CPoint MoveTo(POINT p) { return MoveTo(p.x, p.y); }
  BOOL LineTo(int x, int y) { return ::LineTo(m_hDC, x, y); }
  BOOL LineTo(POINT p) { return LineTo(p.x, p.y); }
  BOOL Rectangle(int l, int t, int r, int b) { return ::Rectangle(m_hDC, l, t, r, b); }
  BOOL Rectangle(const RECT* r) { return ::Rectangle(m_hDC, r->left, r->top, r->right, r->bottom); }
  BOOL Ellipse(int l, int t, int r, int b) { return ::Ellipse(m_hDC, l, t, r, b); }
  BOOL Polygon(const POINT* pts, int n) { return ::Polygon(m_hDC, pts, n); }
  BOOL Polyline(const POINT* pts, int n) { return ::Polyline(m_hDC, pts, n); }
  void FillRect(const RECT* r, CBrush* b) { ::FillRect(m_hDC, r, b ? b->m_hObject : nullptr); }
  void FillSolidRect(const RECT* r, COLORREF c);
  void FillSolidRect(int x, int y, int w, int h, COLORREF c);
  void FrameRect(const RECT* r, CBrush* b) { ::FrameRect(m_hDC, r, b ? b->m_hObject : nullptr); }
  void Draw3dRect(const RECT* r, COLORREF topLeft, COLORREF bottomRight);
  BOOL DrawEdge(RECT* r, UINT edge, UINT flags) { return ::DrawEdge(m_hDC, r, edge, flags); }
  void DrawFocusRect(const RECT* r) { ::DrawFocusRect(m_hDC, r); }
  COLORREF SetPixel(int x, int y, COLORREF c) { return ::SetPixel(m_hDC, x, y, c); }
  COLORREF GetPixel(int x, int y) const { return ::GetPixel(m_hDC, x, y); }
  BOOL TextOut(int x, int y, const WCHAR* s, int n) { return ::TextOut(m_hDC, x, y, s, n); }
  BOOL TextOut(int x, int y, const CString& s) { return ::TextOut(m_hDC, x, y, s, s.GetLength()); }
  BOOL ExtTextOut(int x, int y, UINT opt, const RECT* r, const WCHAR* s, UINT n, const int* dx = nullptr) {
    return ::ExtTextOut(m_hDC, x, y, opt, r, s, n, dx);
  }
  int DrawText(const WCHAR* s, int n, RECT* r, UINT fmt) { return ::DrawText(m_hDC, s, n, r, fmt); }
  int DrawText(const CString& s, RECT* r, UINT fmt) { return ::DrawText(m_hDC, s, s.GetLength(), r, fmt); }
  CSize GetTextExtent(const WCHAR* s, int n) const;
  CSize GetTextExtent(const CString& s) const { return GetTextExtent(s, s.GetLength()); }
  BOOL GetTextMetrics(TEXTMETRIC* tm) const { return ::GetTextMetrics(m_hDC, tm); }
  BOOL BitBlt(int x, int y, int w, int h, CDC* src, int sx, int sy, DWORD rop) {
    return ::BitBlt(m_hDC, x, y, w, h, src ? src->m_hDC : nullptr, sx, sy, rop);
  }
  BOOL StretchBlt(int x, int y, int w, int h, CDC* src, int sx, int sy, int sw, int sh, DWORD rop) {
    return ::StretchBlt(m_hDC, x, y, w, h, src ? src->m_hDC : nullptr, sx, sy, sw, sh, rop);
  }
  BOOL PatBlt(int x, int y, int w, int h, DWORD rop) { return ::PatBlt(m_hDC, x, y, w, h, rop); }
  int IntersectClipRect(int l, int t, int r, int b) { return ::IntersectClipRect(m_hDC, l, t, r, b); }
  int GetClipBox(RECT* r) const { return ::GetClipBox(m_hDC, r); }
  int GetDeviceCaps(int i) const { return ::GetDeviceCaps(m_hDC, i); }

 protected:
  bool owned_ = false;  // a memory DC made by CreateCompatibleDC is deleted with the object
};

class CPaintDC : public CDC {
 public:
  explicit CPaintDC(CWnd* wnd);
  ~CPaintDC() override;
  PAINTSTRUCT m_ps{};

 private:
  HWND hwnd_ = 0;
};

class CClientDC : public CDC {
 public:
  explicit CClientDC(CWnd* wnd);
  ~CClientDC() override;

 private:
  HWND hwnd_ = 0;
};

class CWindowDC : public CClientDC {
 public:
  explicit CWindowDC(CWnd* wnd) : CClientDC(wnd) {}
};

// ---------------------------------------------------------------------------------------------
// Message maps.
class CCmdTarget;
// A handler thunk: calls the bound member with the message's arguments and returns its result.
typedef LRESULT (*AFX_PMSG)(CCmdTarget* target, UINT message, WPARAM wParam, LPARAM lParam);

struct AFX_MSGMAP_ENTRY {
  UINT nMessage;  // window message; WM_COMMAND and WM_NOTIFY entries also match nCode and the id
  UINT nCode;     // notification code for WM_COMMAND / WM_NOTIFY
  UINT nID;       // first control id
  UINT nLastID;   // last control id (ranges)
  AFX_PMSG pfn;   // null marks the end of the entries
};

struct AFX_MSGMAP {
  const AFX_MSGMAP* (*pfnGetBaseMap)();
  const AFX_MSGMAP_ENTRY* lpEntries;
};

// Pseudo message under which ON_WM_CTLCOLOR binds every WM_CTLCOLOR* message.
#define AFX_WM_CTLCOLOR 0x0019
#ifndef CTLCOLOR_MSGBOX
#define CTLCOLOR_MSGBOX 0
#define CTLCOLOR_EDIT 1
#define CTLCOLOR_LISTBOX 2
#define CTLCOLOR_BTN 3
#define CTLCOLOR_DLG 4
#define CTLCOLOR_SCROLLBAR 5
#define CTLCOLOR_STATIC 6
#endif

#define DECLARE_MESSAGE_MAP()                   \
 protected:                                     \
  static const AFX_MSGMAP* GetThisMessageMap(); \
  const AFX_MSGMAP* GetMessageMap() const override;

#define BEGIN_MESSAGE_MAP(theClass, baseClass)                                      \
  const AFX_MSGMAP* theClass::GetMessageMap() const { return GetThisMessageMap(); } \
  const AFX_MSGMAP* theClass::GetThisMessageMap() {                                 \
    typedef theClass ThisClass;                                                     \
    typedef baseClass TheBaseClass;                                                 \
    (void)sizeof(ThisClass*);                                                       \
    static const AFX_MSGMAP_ENTRY _messageEntries[] = {
#define END_MESSAGE_MAP()                                                                   \
  { 0, 0, 0, 0, nullptr }                                                                   \
  }                                                                                         \
  ;                                                                                         \
  static const AFX_MSGMAP messageMap = {&TheBaseClass::GetThisMessageMap, _messageEntries}; \
  return &messageMap;                                                                       \
  }

#define AFX_THUNK(body)                                          \
  [](CCmdTarget* _t, UINT _m, WPARAM _w, LPARAM _l) -> LRESULT { \
    (void)_m;                                                    \
    (void)_w;                                                    \
    (void)_l;                                                    \
    ThisClass* _p = static_cast<ThisClass*>(_t);                 \
    body                                                         \
  }

#define ON_COMMAND(id, fn)                                                  \
  { WM_COMMAND, 0, (UINT)(id), (UINT)(id), AFX_THUNK(_p->fn(); return 1;) } \
  ,
#define ON_COMMAND_RANGE(id, idLast, fn)                                                        \
  { WM_COMMAND, 0, (UINT)(id), (UINT)(idLast), AFX_THUNK(_p->fn((UINT)LOWORD(_w)); return 1;) } \
  ,
#define ON_CONTROL(code, id, fn)                                                       \
  { WM_COMMAND, (UINT)(code), (UINT)(id), (UINT)(id), AFX_THUNK(_p->fn(); return 1;) } \
  ,
#define ON_CONTROL_RANGE(code, id, idLast, fn)                                                             \
  { WM_COMMAND, (UINT)(code), (UINT)(id), (UINT)(idLast), AFX_THUNK(_p->fn((UINT)LOWORD(_w)); return 1;) } \
  ,
#define ON_BN_CLICKED(id, fn) ON_CONTROL(BN_CLICKED, id, fn)
#define ON_BN_SETFOCUS(id, fn) ON_CONTROL(BN_SETFOCUS, id, fn)
#define ON_BN_KILLFOCUS(id, fn) ON_CONTROL(BN_KILLFOCUS, id, fn)
#define ON_BN_DOUBLECLICKED(id, fn) ON_CONTROL(BN_DOUBLECLICKED, id, fn)
#define ON_EN_CHANGE(id, fn) ON_CONTROL(EN_CHANGE, id, fn)
#define ON_EN_UPDATE(id, fn) ON_CONTROL(EN_UPDATE, id, fn)
#define ON_EN_SETFOCUS(id, fn) ON_CONTROL(EN_SETFOCUS, id, fn)
#define ON_EN_KILLFOCUS(id, fn) ON_CONTROL(EN_KILLFOCUS, id, fn)
#define ON_EN_MAXTEXT(id, fn) ON_CONTROL(EN_MAXTEXT, id, fn)
#define ON_CBN_SELCHANGE(id, fn) ON_CONTROL(CBN_SELCHANGE, id, fn)
#define ON_CBN_DBLCLK(id, fn) ON_CONTROL(CBN_DBLCLK, id, fn)
#define ON_CBN_SETFOCUS(id, fn) ON_CONTROL(CBN_SETFOCUS, id, fn)
#define ON_CBN_KILLFOCUS(id, fn) ON_CONTROL(CBN_KILLFOCUS, id, fn)
#define ON_CBN_EDITCHANGE(id, fn) ON_CONTROL(CBN_EDITCHANGE, id, fn)
#define ON_CBN_EDITUPDATE(id, fn) ON_CONTROL(CBN_EDITUPDATE, id, fn)
#define ON_CBN_DROPDOWN(id, fn) ON_CONTROL(CBN_DROPDOWN, id, fn)
#define ON_CBN_CLOSEUP(id, fn) ON_CONTROL(CBN_CLOSEUP, id, fn)
#define ON_CBN_SELENDOK(id, fn) ON_CONTROL(CBN_SELENDOK, id, fn)
#define ON_CBN_SELENDCANCEL(id, fn) ON_CONTROL(CBN_SELENDCANCEL, id, fn)
#define ON_LBN_SELCHANGE(id, fn) ON_CONTROL(LBN_SELCHANGE, id, fn)
#define ON_LBN_DBLCLK(id, fn) ON_CONTROL(LBN_DBLCLK, id, fn)
#define ON_LBN_SETFOCUS(id, fn) ON_CONTROL(LBN_SETFOCUS, id, fn)
#define ON_LBN_KILLFOCUS(id, fn) ON_CONTROL(LBN_KILLFOCUS, id, fn)
#define ON_STN_CLICKED(id, fn) ON_CONTROL(STN_CLICKED, id, fn)
#define ON_NOTIFY(code, id, fn)                                                          \
  {                                                                                      \
    WM_NOTIFY, (UINT)(code), (UINT)(id), (UINT)(id),                                     \
        AFX_THUNK(LRESULT _r = 0; _p->fn(reinterpret_cast<NMHDR*>(_l), &_r); return _r;) \
  }                                                                                      \
  ,
#define ON_NOTIFY_RANGE(code, id, idLast, fn)                                                                          \
  {                                                                                                                    \
    WM_NOTIFY, (UINT)(code), (UINT)(id), (UINT)(idLast),                                                               \
        AFX_THUNK(LRESULT _r = 0;                                                                                      \
                  _p->fn((UINT)(reinterpret_cast<NMHDR*>(_l)->idFrom), reinterpret_cast<NMHDR*>(_l), &_r); return _r;) \
  }                                                                                                                    \
  ,
#define ON_MESSAGE(msg, fn)                                                              \
  {                                                                                      \
    (UINT)(msg), 0, 0, 0, AFX_THUNK(return AfxResultOf([&] { return _p->fn(_w, _l); });) \
  }                                                                                      \
  ,
#define ON_WM_TIMER()                                                \
  { WM_TIMER, 0, 0, 0, AFX_THUNK(_p->OnTimer((UINT)_w); return 0;) } \
  ,
#define ON_WM_PAINT()                                        \
  { WM_PAINT, 0, 0, 0, AFX_THUNK(_p->OnPaint(); return 0;) } \
  ,
#define ON_WM_CTLCOLOR()                                                                                              \
  {                                                                                                                   \
    AFX_WM_CTLCOLOR, 0, 0, 0,                                                                                         \
        AFX_THUNK(return reinterpret_cast<LRESULT>(_p->OnCtlColor(CDC::FromHandle(reinterpret_cast<HDC>(_w)),         \
                                                                  CWnd::FromHandle((HWND)_l), AfxCtlColorKind(_m)));) \
  }                                                                                                                   \
  ,
#define ON_WM_DRAWITEM()                                                                                             \
  { WM_DRAWITEM, 0, 0, 0, AFX_THUNK(_p->OnDrawItem((int)_w, reinterpret_cast<LPDRAWITEMSTRUCT>(_l)); return TRUE;) } \
  ,
#define ON_WM_DESTROY()                                          \
  { WM_DESTROY, 0, 0, 0, AFX_THUNK(_p->OnDestroy(); return 0;) } \
  ,
#define ON_WM_CLOSE()                                        \
  { WM_CLOSE, 0, 0, 0, AFX_THUNK(_p->OnClose(); return 0;) } \
  ,
#define ON_WM_CREATE()                                                                          \
  { WM_CREATE, 0, 0, 0, AFX_THUNK(return _p->OnCreate(reinterpret_cast<LPCREATESTRUCT>(_l));) } \
  ,
#define ON_WM_SIZE()                                                                                               \
  { WM_SIZE, 0, 0, 0, AFX_THUNK(_p->OnSize((UINT)_w, (int)(short)LOWORD(_l), (int)(short)HIWORD(_l)); return 0;) } \
  ,
#define ON_WM_ERASEBKGND()                                                                                    \
  { WM_ERASEBKGND, 0, 0, 0, AFX_THUNK(return _p->OnEraseBkgnd(CDC::FromHandle(reinterpret_cast<HDC>(_w)));) } \
  ,
#define ON_WM_SETFOCUS()                                                                     \
  { WM_SETFOCUS, 0, 0, 0, AFX_THUNK(_p->OnSetFocus(CWnd::FromHandle((HWND)_w)); return 0;) } \
  ,
#define ON_WM_KILLFOCUS()                                                                      \
  { WM_KILLFOCUS, 0, 0, 0, AFX_THUNK(_p->OnKillFocus(CWnd::FromHandle((HWND)_w)); return 0;) } \
  ,
#define ON_WM_SHOWWINDOW()                                                               \
  { WM_SHOWWINDOW, 0, 0, 0, AFX_THUNK(_p->OnShowWindow((BOOL)_w, (UINT)_l); return 0;) } \
  ,
#define ON_WM_LBUTTONDOWN()                                                                  \
  { WM_LBUTTONDOWN, 0, 0, 0, AFX_THUNK(_p->OnLButtonDown((UINT)_w, CPoint(_l)); return 0;) } \
  ,
#define ON_WM_LBUTTONUP()                                                                \
  { WM_LBUTTONUP, 0, 0, 0, AFX_THUNK(_p->OnLButtonUp((UINT)_w, CPoint(_l)); return 0;) } \
  ,
#define ON_WM_LBUTTONDBLCLK()                                                                    \
  { WM_LBUTTONDBLCLK, 0, 0, 0, AFX_THUNK(_p->OnLButtonDblClk((UINT)_w, CPoint(_l)); return 0;) } \
  ,
#define ON_WM_MOUSEMOVE()                                                                \
  { WM_MOUSEMOVE, 0, 0, 0, AFX_THUNK(_p->OnMouseMove((UINT)_w, CPoint(_l)); return 0;) } \
  ,
#define ON_WM_KEYDOWN()                                                                                      \
  { WM_KEYDOWN, 0, 0, 0, AFX_THUNK(_p->OnKeyDown((UINT)_w, (UINT)LOWORD(_l), (UINT)HIWORD(_l)); return 0;) } \
  ,
#define ON_WM_CHAR()                                                                                   \
  { WM_CHAR, 0, 0, 0, AFX_THUNK(_p->OnChar((UINT)_w, (UINT)LOWORD(_l), (UINT)HIWORD(_l)); return 0;) } \
  ,
#define ON_WM_VSCROLL()                                                                                            \
  {                                                                                                                \
    WM_VSCROLL, 0, 0, 0,                                                                                           \
        AFX_THUNK(_p->OnVScroll((UINT)LOWORD(_w), (UINT)(short)HIWORD(_w), CWnd::FromHandle((HWND)_l)); return 0;) \
  }                                                                                                                \
  ,
#define ON_WM_HSCROLL()                                                                                            \
  {                                                                                                                \
    WM_HSCROLL, 0, 0, 0,                                                                                           \
        AFX_THUNK(_p->OnHScroll((UINT)LOWORD(_w), (UINT)(short)HIWORD(_w), CWnd::FromHandle((HWND)_l)); return 0;) \
  }                                                                                                                \
  ,

UINT AfxCtlColorKind(UINT message);  // CTLCOLOR_* of a WM_CTLCOLOR* message

// The result of a message handler as an LRESULT: 0 for handlers that return nothing.
template <typename F>
LRESULT AfxResultOf(F&& call) {
  if constexpr (std::is_void_v<decltype(call())>) {
    call();
    return 0;
  } else {
    return (LRESULT)(call());
  }
}

class CCmdTarget : public CObject {
 public:
  static const AFX_MSGMAP* GetThisMessageMap();
  virtual const AFX_MSGMAP* GetMessageMap() const;
  // Looks `key` (a message, or AFX_WM_CTLCOLOR) up in the maps of this class and its bases and
  // calls the handler with `message`; TRUE with *result when a handler is bound.
  BOOL DispatchFromMap(UINT key, UINT code, UINT id, UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result);
  void BeginWaitCursor();
  void EndWaitCursor();
  void RestoreWaitCursor();
};

// ---------------------------------------------------------------------------------------------
// Windows.
class CDataExchange;

class CWnd : public CCmdTarget {
 public:
  HWND m_hWnd = 0;

  CWnd() = default;
  CWnd(const CWnd&) = delete;
  CWnd& operator=(const CWnd&) = delete;
  ~CWnd() override;

  operator HWND() const { return m_hWnd; }
  HWND GetSafeHwnd() const { return m_hWnd; }
  // The framework object of a window: the attached one, else a temporary one (of the wrapper class
  // that matches the window's class) valid until the message loop next goes idle. Null for 0.
  static CWnd* FromHandle(HWND hwnd);
  static CWnd* FromHandlePermanent(HWND hwnd);
  static void DeleteTempMap();
  BOOL Attach(HWND hwnd);
  HWND Detach();
  // Routes the window's messages through this object's message map.
  BOOL SubclassWindow(HWND hwnd);
  BOOL SubclassDlgItem(UINT id, CWnd* parent);
  HWND UnsubclassWindow();

  BOOL Create(const WCHAR* className, const WCHAR* windowName, DWORD style, const RECT& rect, CWnd* parent, UINT id,
              void* context = nullptr);
  BOOL CreateEx(DWORD exStyle, const WCHAR* className, const WCHAR* windowName, DWORD style, const RECT& rect,
                CWnd* parent, UINT id, void* param = nullptr);
  virtual BOOL DestroyWindow();
  virtual BOOL PreTranslateMessage(MSG* msg);
  virtual LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam);
  virtual LRESULT DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam);
  virtual BOOL OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result);
  virtual BOOL OnCommand(WPARAM wParam, LPARAM lParam);
  virtual BOOL OnNotify(WPARAM wParam, LPARAM lParam, LRESULT* result);
  virtual void PostNcDestroy() {}
  // While a modal box or dialog runs over this window: disabled, then enabled again.
  virtual void BeginModalState() { ::EnableWindow(m_hWnd, FALSE); }
  virtual void EndModalState() { ::EnableWindow(m_hWnd, TRUE); }
  virtual void DoDataExchange(CDataExchange* dx) { (void)dx; }
  BOOL UpdateData(BOOL saveAndValidate = TRUE);
  // Default handling of the message being dispatched now.
  LRESULT Default();

  LRESULT SendMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const;
  BOOL PostMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const;
  LRESULT SendDlgItemMessage(int id, UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const;

  CWnd* GetDlgItem(int id) const;
  int GetDlgCtrlID() const;
  CWnd* GetParent() const;
  CWnd* GetOwner() const { return GetParent(); }
  CWnd* GetTopLevelParent() const;
  void SetDlgItemText(int id, const WCHAR* text);
  int GetDlgItemText(int id, CString& out) const;
  void SetDlgItemInt(int id, UINT value, BOOL isSigned = TRUE);
  UINT GetDlgItemInt(int id, BOOL* translated = nullptr, BOOL isSigned = TRUE) const;
  void CheckDlgButton(int id, UINT check);
  UINT IsDlgButtonChecked(int id) const;
  void CheckRadioButton(int firstId, int lastId, int checkId);
  int GetCheckedRadioButton(int firstId, int lastId) const;

  void SetWindowText(const WCHAR* text);
  void GetWindowText(CString& out) const;
  int GetWindowText(WCHAR* buffer, int size) const;
  int GetWindowTextLength() const;
  BOOL ShowWindow(int cmd);
  BOOL EnableWindow(BOOL enable = TRUE);
  BOOL IsWindowEnabled() const;
  BOOL IsWindowVisible() const;
  BOOL IsWindow() const;
  void MoveWindow(int x, int y, int w, int h, BOOL repaint = TRUE);
  void MoveWindow(const RECT* r, BOOL repaint = TRUE) {
    MoveWindow(r->left, r->top, r->right - r->left, r->bottom - r->top, repaint);
  }
  BOOL SetWindowPos(const CWnd* after, int x, int y, int cx, int cy, UINT flags);
  void GetClientRect(RECT* r) const;
  void GetWindowRect(RECT* r) const;
  void ScreenToClient(POINT* p) const;
  void ScreenToClient(RECT* r) const;
  void ClientToScreen(POINT* p) const;
  void ClientToScreen(RECT* r) const;
  void Invalidate(BOOL erase = TRUE);
  void InvalidateRect(const RECT* r, BOOL erase = TRUE);
  void UpdateWindow();
  void SetRedraw(BOOL redraw = TRUE) { SendMessage(WM_SETREDRAW, redraw, 0); }
  UINT_PTR SetTimer(UINT_PTR id, UINT elapse, TIMERPROC proc = nullptr);
  BOOL KillTimer(UINT_PTR id);
  CWnd* SetFocus();
  static CWnd* GetFocus();
  CWnd* SetCapture();
  int MessageBox(const WCHAR* text, const WCHAR* caption = nullptr, UINT type = MB_OK);
  void SetFont(CFont* font, BOOL redraw = TRUE);
  CFont* GetFont() const;
  CDC* GetDC();
  int ReleaseDC(CDC* dc);
  DWORD GetStyle() const;
  DWORD GetExStyle() const;
  BOOL ModifyStyle(DWORD remove, DWORD add, UINT flags = 0);
  void BringWindowToTop();
  void SetForegroundWindow();
  void CenterWindow(CWnd* alternateOwner = nullptr);
  CWnd* GetNextDlgTabItem(CWnd* ctl, BOOL previous = FALSE) const;

  // Overridables bound by the ON_WM_* entries; each runs the default handling.
  afx_msg void OnTimer(UINT id) {
    (void)id;
    Default();
  }
  afx_msg void OnPaint() { Default(); }
  afx_msg HBRUSH OnCtlColor(CDC* dc, CWnd* wnd, UINT kind) {
    (void)dc;
    (void)wnd;
    (void)kind;
    return reinterpret_cast<HBRUSH>(Default());
  }
  afx_msg void OnDrawItem(int id, LPDRAWITEMSTRUCT dis) {
    (void)id;
    (void)dis;
    Default();
  }
  afx_msg void OnDestroy() { Default(); }
  afx_msg void OnClose() { Default(); }
  afx_msg int OnCreate(LPCREATESTRUCT cs) {
    (void)cs;
    return static_cast<int>(Default());
  }
  afx_msg void OnSize(UINT type, int cx, int cy) {
    (void)type;
    (void)cx;
    (void)cy;
    Default();
  }
  afx_msg BOOL OnEraseBkgnd(CDC* dc) {
    (void)dc;
    return static_cast<BOOL>(Default());
  }
  afx_msg void OnSetFocus(CWnd* old) {
    (void)old;
    Default();
  }
  afx_msg void OnKillFocus(CWnd* next) {
    (void)next;
    Default();
  }
  afx_msg void OnShowWindow(BOOL show, UINT status) {
    (void)show;
    (void)status;
    Default();
  }
  afx_msg void OnLButtonDown(UINT flags, CPoint p) {
    (void)flags;
    (void)p;
    Default();
  }
  afx_msg void OnLButtonUp(UINT flags, CPoint p) {
    (void)flags;
    (void)p;
    Default();
  }
  afx_msg void OnLButtonDblClk(UINT flags, CPoint p) {
    (void)flags;
    (void)p;
    Default();
  }
  afx_msg void OnMouseMove(UINT flags, CPoint p) {
    (void)flags;
    (void)p;
    Default();
  }
  afx_msg void OnKeyDown(UINT ch, UINT rep, UINT flags) {
    (void)ch;
    (void)rep;
    (void)flags;
    Default();
  }
  afx_msg void OnChar(UINT ch, UINT rep, UINT flags) {
    (void)ch;
    (void)rep;
    (void)flags;
    Default();
  }
  afx_msg void OnVScroll(UINT code, UINT pos, CWnd* bar) {
    (void)code;
    (void)pos;
    (void)bar;
    Default();
  }
  afx_msg void OnHScroll(UINT code, UINT pos, CWnd* bar) {
    (void)code;
    (void)pos;
    (void)bar;
    Default();
  }

  // The window procedure of every framework-created window (and of subclassed ones).
  static LRESULT CALLBACK AfxWndProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

 protected:
  // Binds a window that the platform is creating to the object that asked for it.
  static void HookCreation(CWnd* wnd);
  static void UnhookCreation();
  WNDPROC m_pfnSuper = nullptr;  // the window's own procedure when subclassed

  friend class CDialog;
};

// Control wrappers. Each only sends messages to its window; none adds data.
class CStatic : public CWnd {
 public:
  BOOL Create(const WCHAR* text, DWORD style, const RECT& r, CWnd* parent, UINT id = 0xFFFF);
};

class CButton : public CWnd {
 public:
  BOOL Create(const WCHAR* caption, DWORD style, const RECT& r, CWnd* parent, UINT id);
  int GetCheck() const { return static_cast<int>(SendMessage(BM_GETCHECK)); }
  void SetCheck(int check) { SendMessage(BM_SETCHECK, check); }
  UINT GetState() const { return static_cast<UINT>(SendMessage(BM_GETSTATE)); }
  void SetState(BOOL highlight) { SendMessage(BM_SETSTATE, highlight); }
  UINT GetButtonStyle() const { return GetStyle() & 0xFF; }
  void SetButtonStyle(UINT style, BOOL redraw = TRUE) { SendMessage(BM_SETSTYLE, style, redraw); }
};

class CEdit : public CWnd {
 public:
  BOOL Create(DWORD style, const RECT& r, CWnd* parent, UINT id);
  void LimitText(int n = 0) { SendMessage(EM_LIMITTEXT, n); }
  void SetLimitText(UINT n) { SendMessage(EM_LIMITTEXT, n); }
  UINT GetLimitText() const { return static_cast<UINT>(SendMessage(EM_GETLIMITTEXT)); }
  void SetSel(int start, int end, BOOL noScroll = FALSE) {
    (void)noScroll;
    SendMessage(EM_SETSEL, start, end);
  }
  void SetSel(DWORD sel, BOOL noScroll = FALSE) {
    (void)noScroll;
    SendMessage(EM_SETSEL, LOWORD(sel), HIWORD(sel));
  }
  void GetSel(int& start, int& end) const;
  DWORD GetSel() const { return static_cast<DWORD>(SendMessage(EM_GETSEL)); }
  void ReplaceSel(const WCHAR* text, BOOL canUndo = FALSE) {
    SendMessage(EM_REPLACESEL, canUndo, reinterpret_cast<LPARAM>(text));
  }
  BOOL SetReadOnly(BOOL readOnly = TRUE) { return static_cast<BOOL>(SendMessage(EM_SETREADONLY, readOnly)); }
  void SetPasswordChar(WCHAR ch) { SendMessage(EM_SETPASSWORDCHAR, ch); }
  WCHAR GetPasswordChar() const { return static_cast<WCHAR>(SendMessage(EM_GETPASSWORDCHAR)); }
  int GetLineCount() const { return static_cast<int>(SendMessage(EM_GETLINECOUNT)); }
  BOOL GetModify() const { return static_cast<BOOL>(SendMessage(EM_GETMODIFY)); }
  void SetModify(BOOL m = TRUE) { SendMessage(EM_SETMODIFY, m); }
  void Clear() { SendMessage(WM_CLEAR); }
};

class CComboBox : public CWnd {
 public:
  BOOL Create(DWORD style, const RECT& r, CWnd* parent, UINT id);
  int AddString(const WCHAR* s) { return static_cast<int>(SendMessage(CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(s))); }
  int InsertString(int i, const WCHAR* s) {
    return static_cast<int>(SendMessage(CB_INSERTSTRING, i, reinterpret_cast<LPARAM>(s)));
  }
  int DeleteString(UINT i) { return static_cast<int>(SendMessage(CB_DELETESTRING, i)); }
  void ResetContent() { SendMessage(CB_RESETCONTENT); }
  int GetCount() const { return static_cast<int>(SendMessage(CB_GETCOUNT)); }
  int GetCurSel() const { return static_cast<int>(SendMessage(CB_GETCURSEL)); }
  int SetCurSel(int i) { return static_cast<int>(SendMessage(CB_SETCURSEL, i)); }
  int GetLBText(int i, WCHAR* out) const {
    return static_cast<int>(SendMessage(CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(out)));
  }
  void GetLBText(int i, CString& out) const;
  int GetLBTextLen(int i) const { return static_cast<int>(SendMessage(CB_GETLBTEXTLEN, i)); }
  int FindString(int after, const WCHAR* s) const {
    return static_cast<int>(SendMessage(CB_FINDSTRING, after, reinterpret_cast<LPARAM>(s)));
  }
  int FindStringExact(int after, const WCHAR* s) const {
    return static_cast<int>(SendMessage(CB_FINDSTRINGEXACT, after, reinterpret_cast<LPARAM>(s)));
  }
  int SelectString(int after, const WCHAR* s) {
    return static_cast<int>(SendMessage(CB_SELECTSTRING, after, reinterpret_cast<LPARAM>(s)));
  }
  int SetItemData(int i, DWORD_PTR d) {
    return static_cast<int>(SendMessage(CB_SETITEMDATA, i, static_cast<LPARAM>(d)));
  }
  DWORD_PTR GetItemData(int i) const { return static_cast<DWORD_PTR>(SendMessage(CB_GETITEMDATA, i)); }
  void ShowDropDown(BOOL show = TRUE) { SendMessage(CB_SHOWDROPDOWN, show); }
  BOOL GetDroppedState() const { return static_cast<BOOL>(SendMessage(CB_GETDROPPEDSTATE)); }
  BOOL LimitText(int n) { return static_cast<BOOL>(SendMessage(CB_LIMITTEXT, n)); }
  BOOL SetEditSel(int start, int end) {
    return static_cast<BOOL>(SendMessage(CB_SETEDITSEL, 0, MAKELPARAM(start, end)));
  }
  DWORD GetEditSel() const { return static_cast<DWORD>(SendMessage(CB_GETEDITSEL)); }
};

class CListBox : public CWnd {
 public:
  BOOL Create(DWORD style, const RECT& r, CWnd* parent, UINT id);
  int AddString(const WCHAR* s) { return static_cast<int>(SendMessage(LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(s))); }
  int InsertString(int i, const WCHAR* s) {
    return static_cast<int>(SendMessage(LB_INSERTSTRING, i, reinterpret_cast<LPARAM>(s)));
  }
  int DeleteString(UINT i) { return static_cast<int>(SendMessage(LB_DELETESTRING, i)); }
  void ResetContent() { SendMessage(LB_RESETCONTENT); }
  int GetCount() const { return static_cast<int>(SendMessage(LB_GETCOUNT)); }
  int GetCurSel() const { return static_cast<int>(SendMessage(LB_GETCURSEL)); }
  int SetCurSel(int i) { return static_cast<int>(SendMessage(LB_SETCURSEL, i)); }
  int GetText(int i, WCHAR* out) const {
    return static_cast<int>(SendMessage(LB_GETTEXT, i, reinterpret_cast<LPARAM>(out)));
  }
  void GetText(int i, CString& out) const;
  int GetTextLen(int i) const { return static_cast<int>(SendMessage(LB_GETTEXTLEN, i)); }
  int FindString(int after, const WCHAR* s) const {
    return static_cast<int>(SendMessage(LB_FINDSTRING, after, reinterpret_cast<LPARAM>(s)));
  }
  int FindStringExact(int after, const WCHAR* s) const {
    return static_cast<int>(SendMessage(LB_FINDSTRINGEXACT, after, reinterpret_cast<LPARAM>(s)));
  }
  int SelectString(int after, const WCHAR* s) {
    return static_cast<int>(SendMessage(LB_SELECTSTRING, after, reinterpret_cast<LPARAM>(s)));
  }
  int SetItemData(int i, DWORD_PTR d) {
    return static_cast<int>(SendMessage(LB_SETITEMDATA, i, static_cast<LPARAM>(d)));
  }
  DWORD_PTR GetItemData(int i) const { return static_cast<DWORD_PTR>(SendMessage(LB_GETITEMDATA, i)); }
  int GetTopIndex() const { return static_cast<int>(SendMessage(LB_GETTOPINDEX)); }
  int SetTopIndex(int i) { return static_cast<int>(SendMessage(LB_SETTOPINDEX, i)); }
};

class CListCtrl : public CWnd {
 public:
  BOOL Create(DWORD style, const RECT& r, CWnd* parent, UINT id);
  int InsertColumn(int col, const LVCOLUMN* c) {
    return static_cast<int>(SendMessage(LVM_INSERTCOLUMN, col, reinterpret_cast<LPARAM>(c)));
  }
  int InsertColumn(int col, const WCHAR* heading, int format = LVCFMT_LEFT, int width = -1, int subItem = -1);
  BOOL DeleteColumn(int col) { return static_cast<BOOL>(SendMessage(LVM_DELETECOLUMN, col)); }
  BOOL SetColumnWidth(int col, int cx) { return static_cast<BOOL>(SendMessage(LVM_SETCOLUMNWIDTH, col, cx)); }
  int GetColumnWidth(int col) const { return static_cast<int>(SendMessage(LVM_GETCOLUMNWIDTH, col)); }
  int InsertItem(const LVITEM* item) {
    return static_cast<int>(SendMessage(LVM_INSERTITEM, 0, reinterpret_cast<LPARAM>(item)));
  }
  int InsertItem(int index, const WCHAR* text);
  int InsertItem(UINT mask, int index, const WCHAR* text, UINT state, UINT stateMask, int image, LPARAM param);
  BOOL SetItem(const LVITEM* item) {
    return static_cast<BOOL>(SendMessage(LVM_SETITEM, 0, reinterpret_cast<LPARAM>(item)));
  }
  BOOL GetItem(LVITEM* item) const {
    return static_cast<BOOL>(SendMessage(LVM_GETITEM, 0, reinterpret_cast<LPARAM>(item)));
  }
  BOOL SetItemText(int item, int sub, const WCHAR* text);
  CString GetItemText(int item, int sub) const;
  int GetItemText(int item, int sub, WCHAR* out, int size) const;
  BOOL DeleteItem(int item) { return static_cast<BOOL>(SendMessage(LVM_DELETEITEM, item)); }
  BOOL DeleteAllItems() { return static_cast<BOOL>(SendMessage(LVM_DELETEALLITEMS)); }
  int GetItemCount() const { return static_cast<int>(SendMessage(LVM_GETITEMCOUNT)); }
  int GetNextItem(int start, int flags) const { return static_cast<int>(SendMessage(LVM_GETNEXTITEM, start, flags)); }
  UINT GetSelectedCount() const { return static_cast<UINT>(SendMessage(LVM_GETSELECTEDCOUNT)); }
  POSITION GetFirstSelectedItemPosition() const;
  int GetNextSelectedItem(POSITION& pos) const;
  BOOL SetItemState(int item, UINT state, UINT mask);
  UINT GetItemState(int item, UINT mask) const { return static_cast<UINT>(SendMessage(LVM_GETITEMSTATE, item, mask)); }
  BOOL SetItemData(int item, DWORD_PTR data);
  DWORD_PTR GetItemData(int item) const;
  BOOL EnsureVisible(int item, BOOL partialOk) {
    return static_cast<BOOL>(SendMessage(LVM_ENSUREVISIBLE, item, partialOk));
  }
  BOOL SetBkColor(COLORREF c) { return static_cast<BOOL>(SendMessage(LVM_SETBKCOLOR, 0, c)); }
  BOOL SetTextColor(COLORREF c) { return static_cast<BOOL>(SendMessage(LVM_SETTEXTCOLOR, 0, c)); }
  BOOL SetTextBkColor(COLORREF c) { return static_cast<BOOL>(SendMessage(LVM_SETTEXTBKCOLOR, 0, c)); }
  DWORD SetExtendedStyle(DWORD ex) { return static_cast<DWORD>(SendMessage(LVM_SETEXTENDEDLISTVIEWSTYLE, 0, ex)); }
  DWORD GetExtendedStyle() const { return static_cast<DWORD>(SendMessage(LVM_GETEXTENDEDLISTVIEWSTYLE)); }
  int GetTopIndex() const { return static_cast<int>(SendMessage(LVM_GETTOPINDEX)); }
  int GetCountPerPage() const { return static_cast<int>(SendMessage(LVM_GETCOUNTPERPAGE)); }
};

class CProgressCtrl : public CWnd {
 public:
  BOOL Create(DWORD style, const RECT& r, CWnd* parent, UINT id);
  void SetRange(short low, short high) { SendMessage(PBM_SETRANGE, 0, MAKELPARAM(low, high)); }
  void SetRange32(int low, int high) { SendMessage(PBM_SETRANGE32, low, high); }
  int SetPos(int pos) { return static_cast<int>(SendMessage(PBM_SETPOS, pos)); }
  int GetPos() const { return static_cast<int>(SendMessage(PBM_GETPOS)); }
  int OffsetPos(int delta) { return static_cast<int>(SendMessage(PBM_DELTAPOS, delta)); }
  int SetStep(int step) { return static_cast<int>(SendMessage(PBM_SETSTEP, step)); }
  int StepIt() { return static_cast<int>(SendMessage(PBM_STEPIT)); }
};

// ---------------------------------------------------------------------------------------------
// Dialogs.
class CDialog : public CWnd {
 public:
  CDialog();
  explicit CDialog(UINT templateId, CWnd* parent = nullptr);
  explicit CDialog(const WCHAR* templateName, CWnd* parent = nullptr);
  ~CDialog() override;

  // Modeless: creates the dialog from the template of the current resource module; OnInitDialog
  // runs inside. The dialog stays hidden unless its template says WS_VISIBLE.
  BOOL Create(UINT templateId, CWnd* parent = nullptr);
  BOOL Create(const WCHAR* templateName, CWnd* parent = nullptr);
  // Modal: runs until EndDialog; returns its result, -1 when the dialog cannot be created.
  virtual INT_PTR DoModal();
  virtual BOOL OnInitDialog();
  virtual void OnOK();
  virtual void OnCancel();
  void EndDialog(int result);
  void NextDlgCtrl() const;
  void PrevDlgCtrl() const;
  void GotoDlgCtrl(CWnd* ctl);
  BOOL PreTranslateMessage(MSG* msg) override;
  LRESULT DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
  BOOL OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) override;

  UINT m_nIDHelp = 0;
  const WCHAR* m_lpszTemplateName = nullptr;
  CWnd* m_pParentWnd = nullptr;
  // The resource module current when the object was made: the template is looked for in the
  // module current at creation, then in this one, then in the main program.
  HINSTANCE m_hInstConstructed = nullptr;

  static const AFX_MSGMAP* GetThisMessageMap();
  const AFX_MSGMAP* GetMessageMap() const override;

  // The dialog procedure through which the platform's dialogs reach the framework.
  static BOOL CALLBACK AfxDlgProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

 private:
  HINSTANCE TemplateModule() const;
  bool modal_ = false;
};

class CFrameWnd : public CWnd {
 public:
  BOOL Create(const WCHAR* className, const WCHAR* title, DWORD style = WS_OVERLAPPED,
              const RECT& r = RECT{0, 0, PLAT_SCREEN_WIDTH, PLAT_SCREEN_HEIGHT}, CWnd* parent = nullptr,
              const WCHAR* menuName = nullptr, DWORD exStyle = 0, void* context = nullptr);
  void PostNcDestroy() override { delete this; }
};

class CView : public CWnd {
 public:
  virtual void OnDraw(CDC* dc) { (void)dc; }
  BOOL OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) override;
  void PostNcDestroy() override { delete this; }
};

// ---------------------------------------------------------------------------------------------
// Data exchange between a dialog's members and its controls.
class CDataExchange {
 public:
  CDataExchange(CWnd* dlg, BOOL saveAndValidate) : m_bSaveAndValidate(saveAndValidate), m_pDlgWnd(dlg) {}
  BOOL m_bSaveAndValidate;
  CWnd* m_pDlgWnd;
  // The window of control `id`; a missing control fails the exchange.
  HWND PrepareCtrl(int id);
  HWND PrepareEditCtrl(int id) { return PrepareCtrl(id); }
  // Ends the exchange as failed (UpdateData returns FALSE); the focus goes to the last control.
  [[noreturn]] void Fail();
  HWND m_hWndLastControl = 0;
};

void DDX_Text(CDataExchange* dx, int id, CString& value);
void DDX_Text(CDataExchange* dx, int id, int& value);
void DDX_Text(CDataExchange* dx, int id, UINT& value);
void DDX_Text(CDataExchange* dx, int id, long& value);
void DDX_Text(CDataExchange* dx, int id, double& value);
void DDX_Control(CDataExchange* dx, int id, CWnd& control);
void DDX_Check(CDataExchange* dx, int id, int& value);
// `id` is the first radio button of its group; value is the checked button's index (-1: none).
void DDX_Radio(CDataExchange* dx, int id, int& value);
void DDX_CBIndex(CDataExchange* dx, int id, int& index);
void DDX_CBString(CDataExchange* dx, int id, CString& value);
void DDX_LBIndex(CDataExchange* dx, int id, int& index);
void DDV_MaxChars(CDataExchange* dx, const CString& value, int maxChars);

// ---------------------------------------------------------------------------------------------
// The application.
class CWinApp : public CCmdTarget {
 public:
  explicit CWinApp(const WCHAR* appName = nullptr);
  ~CWinApp() override;
  virtual BOOL InitInstance() { return TRUE; }
  // The message loop: runs until WM_QUIT; returns ExitInstance's result.
  virtual int Run();
  virtual int ExitInstance();
  virtual BOOL PreTranslateMessage(MSG* msg);
  virtual BOOL OnIdle(LONG count);

  CWnd* m_pMainWnd = nullptr;
  HINSTANCE m_hInstance = nullptr;
  const WCHAR* m_pszAppName = nullptr;
  WCHAR* m_lpCmdLine = nullptr;  // as given to AfxWinMain
  int m_nCmdShow = 0;
  int m_nExitCode = 0;

 private:
  std::u16string appName_;
};

CWinApp* AfxGetApp();
CWnd* AfxGetMainWnd();
HINSTANCE AfxGetInstanceHandle();
HINSTANCE AfxGetResourceHandle();
void AfxSetResourceHandle(HINSTANCE module);
// A message box owned by the main window, with the application's name as caption.
int AfxMessageBox(const WCHAR* text, UINT type = MB_OK, UINT helpId = 0);
int AfxMessageBox(UINT stringId, UINT type = MB_OK, UINT helpId = 0);
// Runs the application object: InitInstance, then Run when it succeeded. Returns the exit code.
int AfxWinMain(HINSTANCE instance, HINSTANCE previous, WCHAR* commandLine, int show);
// Routes a message through PreTranslateMessage of the window and its parents.
BOOL AfxPreTranslateMessage(MSG* msg);
