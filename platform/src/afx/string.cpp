// CString: UTF-16 text of the framework, with printf-style formatting and code page 949
// conversion at its edges.
#include <algorithm>
#include <cstring>
#include <cwchar>

#include "plat/afx.h"

namespace {

size_t Length(const WCHAR* s) {
  size_t n = 0;
  if (s)
    while (s[n]) ++n;
  return n;
}

bool IsSpace(WCHAR c) { return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n' || c == u'\v' || c == u'\f'; }

bool InSet(WCHAR c, const WCHAR* set) {
  for (; set && *set; ++set)
    if (*set == c) return true;
  return false;
}

WCHAR Upper(WCHAR c) { return (c >= u'a' && c <= u'z') ? static_cast<WCHAR>(c - 32) : c; }
WCHAR Lower(WCHAR c) { return (c >= u'A' && c <= u'Z') ? static_cast<WCHAR>(c + 32) : c; }

std::u16string Widen(const std::string& s) { return std::u16string(s.begin(), s.end()); }

std::u16string FromCodePage(const char* mb, int length) {
  if (!mb || length == 0) return {};
  if (length < 0) length = static_cast<int>(std::strlen(mb));
  if (length == 0) return {};
  int need = MultiByteToWideChar(CP_KOREAN, 0, mb, length, nullptr, 0);
  if (need <= 0) return {};
  std::u16string out(static_cast<size_t>(need), u'\0');
  int got = MultiByteToWideChar(CP_KOREAN, 0, mb, length, out.data(), need);
  out.resize(static_cast<size_t>(got > 0 ? got : 0));
  return out;
}

// Formats one conversion with the C library into narrow text.
template <typename T>
std::string CFormat(const std::string& fmt, T value) {
  char buf[512];
  int n = std::snprintf(buf, sizeof buf, fmt.c_str(), value);
  if (n < 0) return {};
  if (static_cast<size_t>(n) < sizeof buf) return std::string(buf, static_cast<size_t>(n));
  std::string big(static_cast<size_t>(n) + 1, '\0');
  std::snprintf(big.data(), big.size(), fmt.c_str(), value);
  big.resize(static_cast<size_t>(n));
  return big;
}

void Pad(std::u16string& out, const std::u16string& body, int width, bool left) {
  int pad = width - static_cast<int>(body.size());
  if (pad > 0 && !left) out.append(static_cast<size_t>(pad), u' ');
  out += body;
  if (pad > 0 && left) out.append(static_cast<size_t>(pad), u' ');
}

// Where the formatter takes its arguments from: a C va_list (the caller promises matching
// types) or a list of typed arguments (any mismatch is tolerated).
enum class Size { Int, Short, Long, LongLong, Ptr };

class VaSource {
 public:
  explicit VaSource(va_list& args) : args_(args) {}
  int Star() { return va_arg(args_, int); }
  long long Signed(Size size) {
    switch (size) {
      case Size::Short: return static_cast<short>(va_arg(args_, int));
      case Size::Long: return va_arg(args_, long);
      case Size::LongLong: return va_arg(args_, long long);
      case Size::Ptr: return va_arg(args_, intptr_t);
      default: return va_arg(args_, int);
    }
  }
  unsigned long long Unsigned(Size size) {
    switch (size) {
      case Size::Short: return static_cast<unsigned short>(va_arg(args_, unsigned));
      case Size::Long: return va_arg(args_, unsigned long);
      case Size::LongLong: return va_arg(args_, unsigned long long);
      case Size::Ptr: return va_arg(args_, uintptr_t);
      default: return va_arg(args_, unsigned);
    }
  }
  double Floating() { return va_arg(args_, double); }
  const void* Pointer() { return va_arg(args_, void*); }
  int Char() { return va_arg(args_, int); }
  // Text: wide unless `narrow`; null prints "(null)".
  std::u16string Text(bool narrow) {
    if (narrow) {
      const char* s = va_arg(args_, const char*);
      return s ? FromCodePage(s, -1) : u"(null)";
    }
    const WCHAR* s = va_arg(args_, const WCHAR*);
    return s ? std::u16string(s) : u"(null)";
  }

 private:
  va_list& args_;
};

class TypedSource {
 public:
  TypedSource(const AfxFormatArg* args, size_t count) : args_(args), count_(count) {}
  int Star() { return static_cast<int>(Signed(Size::Int)); }
  long long Signed(Size size) {
    const AfxFormatArg& a = Next();
    long long v = 0;
    switch (a.kind) {
      case AfxFormatArg::Signed: v = a.i; break;
      case AfxFormatArg::Unsigned: v = static_cast<long long>(a.u); break;
      case AfxFormatArg::Floating: v = static_cast<long long>(a.d); break;
      case AfxFormatArg::Pointer: v = static_cast<long long>(reinterpret_cast<intptr_t>(a.p)); break;
      default: break;
    }
    if (size == Size::Short) v = static_cast<short>(v);
    return v;
  }
  unsigned long long Unsigned(Size size) {
    const AfxFormatArg& a = Next();
    unsigned long long v = 0;
    switch (a.kind) {
      case AfxFormatArg::Signed:
        // A negative int shown with %u or %x reads as its 32-bit pattern, as printf shows it.
        v = (size == Size::LongLong || size == Size::Ptr || size == Size::Long)
                ? static_cast<unsigned long long>(a.i)
                : static_cast<unsigned long long>(static_cast<uint32_t>(a.i));
        break;
      case AfxFormatArg::Unsigned: v = a.u; break;
      case AfxFormatArg::Floating: v = static_cast<unsigned long long>(a.d < 0 ? 0 : a.d); break;
      case AfxFormatArg::Pointer: v = reinterpret_cast<uintptr_t>(a.p); break;
      default: break;
    }
    if (size == Size::Short) v = static_cast<unsigned short>(v);
    return v;
  }
  double Floating() {
    const AfxFormatArg& a = Next();
    switch (a.kind) {
      case AfxFormatArg::Floating: return a.d;
      case AfxFormatArg::Signed: return static_cast<double>(a.i);
      case AfxFormatArg::Unsigned: return static_cast<double>(a.u);
      default: return 0.0;
    }
  }
  const void* Pointer() {
    const AfxFormatArg& a = Next();
    return a.kind == AfxFormatArg::Pointer || a.kind == AfxFormatArg::Wide || a.kind == AfxFormatArg::Narrow ? a.p
                                                                                                             : nullptr;
  }
  int Char() { return static_cast<int>(Signed(Size::Int)); }
  std::u16string Text(bool narrow) {
    (void)narrow;  // the argument's own type decides
    const AfxFormatArg& a = Next();
    if (a.kind == AfxFormatArg::Wide) return a.p ? std::u16string(static_cast<const WCHAR*>(a.p)) : u"(null)";
    if (a.kind == AfxFormatArg::Narrow) return a.p ? FromCodePage(static_cast<const char*>(a.p), -1) : u"(null)";
    if (a.kind == AfxFormatArg::Pointer && !a.p) return u"(null)";
    return u"";
  }

 private:
  const AfxFormatArg& Next() {
    static const AfxFormatArg kMissing{};
    return index_ < count_ ? args_[index_++] : kMissing;
  }
  const AfxFormatArg* args_;
  size_t count_;
  size_t index_ = 0;
};

template <class Source>
std::u16string FormatWith(const WCHAR* fmt, Source& args) {
  std::u16string out;
  if (!fmt) return out;
  for (const WCHAR* p = fmt; *p; ++p) {
    if (*p != u'%') {
      out += *p;
      continue;
    }
    ++p;
    if (*p == u'%') {
      out += u'%';
      continue;
    }
    std::string flags;
    while (*p == u'-' || *p == u'+' || *p == u' ' || *p == u'0' || *p == u'#') flags += static_cast<char>(*p++);
    int width = -1;
    if (*p == u'*') {
      width = args.Star();
      if (width < 0) {
        flags += '-';
        width = -width;
      }
      width = std::min(width, 4096);
      ++p;
    } else if (*p >= u'0' && *p <= u'9') {
      width = 0;
      while (*p >= u'0' && *p <= u'9') width = std::min(width * 10 + (*p++ - u'0'), 4096);
    }
    int precision = -1;
    if (*p == u'.') {
      ++p;
      precision = 0;
      if (*p == u'*') {
        precision = std::min(args.Star(), 4096);
        ++p;
      } else {
        while (*p >= u'0' && *p <= u'9') precision = std::min(precision * 10 + (*p++ - u'0'), 4096);
      }
    }
    Size size = Size::Int;
    bool narrowText = false, wideText = false;
    if (*p == u'h') {
      size = Size::Short;
      narrowText = true;
      ++p;
    } else if (*p == u'l') {
      ++p;
      wideText = true;
      if (*p == u'l') {
        size = Size::LongLong;
        ++p;
      } else {
        size = Size::Long;
      }
    } else if (*p == u'I' && p[1] == u'6' && p[2] == u'4') {
      size = Size::LongLong;
      p += 3;
    } else if (*p == u'I' && p[1] == u'3' && p[2] == u'2') {
      p += 3;
    } else if (*p == u'I' || *p == u'z') {
      size = Size::Ptr;
      ++p;
    }
    WCHAR conv = *p;
    if (!conv) break;
    std::string fmt = "%" + flags;
    if (width >= 0) fmt += std::to_string(width);
    if (precision >= 0) fmt += "." + std::to_string(precision);
    bool left = flags.find('-') != std::string::npos;
    switch (conv) {
      case u'd':
      case u'i': out += Widen(CFormat(fmt + "lld", args.Signed(size))); break;
      case u'u':
      case u'x':
      case u'X':
      case u'o': out += Widen(CFormat(fmt + "ll" + static_cast<char>(conv), args.Unsigned(size))); break;
      case u'f':
      case u'F':
      case u'e':
      case u'E':
      case u'g':
      case u'G': out += Widen(CFormat(fmt + static_cast<char>(conv), args.Floating())); break;
      case u'p': out += Widen(CFormat(std::string("%p"), args.Pointer())); break;
      case u'c':
      case u'C': {
        std::u16string body(1, static_cast<WCHAR>(args.Char()));
        Pad(out, body, width, left);
        break;
      }
      case u's':
      case u'S': {
        // %s is wide text, %S and %hs narrow (code page 949) text; %ls is wide.
        bool narrow = (conv == u'S' && !wideText) || narrowText;
        std::u16string body = args.Text(narrow);
        if (precision >= 0 && body.size() > static_cast<size_t>(precision)) body.resize(static_cast<size_t>(precision));
        Pad(out, body, width, left);
        break;
      }
      case u'n':
        (void)args.Pointer();  // never written: a format string must not write memory
        break;
      default:
        out += u'%';
        out += conv;
        break;
    }
  }
  return out;
}

}  // namespace

CString::CString(const WCHAR* s) : s_(s ? std::u16string(s) : std::u16string()) {}
CString::CString(const WCHAR* s, int length) {
  if (s && length > 0) s_.assign(s, static_cast<size_t>(length));
}
CString::CString(WCHAR ch, int repeat) {
  if (repeat > 0) s_.assign(static_cast<size_t>(repeat), ch);
}
CString::CString(const char* mb) : s_(FromCodePage(mb, -1)) {}

CString& CString::operator=(const WCHAR* s) {
  s_ = s ? std::u16string(s) : std::u16string();
  return *this;
}
CString& CString::operator=(const char* mb) {
  s_ = FromCodePage(mb, -1);
  return *this;
}
CString& CString::operator=(WCHAR ch) {
  s_.assign(1, ch);
  return *this;
}
CString& CString::operator+=(const WCHAR* o) {
  if (o) s_ += o;
  return *this;
}

CString CString::FromMultiByte(const char* mb, int length) { return CString(FromCodePage(mb, length)); }

std::string CString::ToMultiByte() const {
  if (s_.empty()) return {};
  int need = WideCharToMultiByte(CP_KOREAN, 0, s_.data(), static_cast<int>(s_.size()), nullptr, 0, nullptr, nullptr);
  if (need <= 0) return {};
  std::string out(static_cast<size_t>(need), '\0');
  int got =
      WideCharToMultiByte(CP_KOREAN, 0, s_.data(), static_cast<int>(s_.size()), out.data(), need, nullptr, nullptr);
  out.resize(static_cast<size_t>(got > 0 ? got : 0));
  return out;
}

WCHAR CString::GetAt(int i) const {
  if (i < 0 || i >= GetLength()) throw std::out_of_range("CString index");
  return s_[static_cast<size_t>(i)];
}
void CString::SetAt(int i, WCHAR ch) {
  if (i < 0 || i >= GetLength()) throw std::out_of_range("CString index");
  s_[static_cast<size_t>(i)] = ch;
}

int CString::Compare(const WCHAR* o) const {
  int c = s_.compare(o ? o : u"");
  return c < 0 ? -1 : (c > 0 ? 1 : 0);
}
int CString::CompareNoCase(const WCHAR* o) const {
  std::u16string a = s_, b = o ? o : u"";
  for (auto& c : a) c = Upper(c);
  for (auto& c : b) c = Upper(c);
  int c = a.compare(b);
  return c < 0 ? -1 : (c > 0 ? 1 : 0);
}

CString CString::Left(int n) const {
  n = std::clamp(n, 0, GetLength());
  return CString(s_.substr(0, static_cast<size_t>(n)));
}
CString CString::Right(int n) const {
  n = std::clamp(n, 0, GetLength());
  return CString(s_.substr(s_.size() - static_cast<size_t>(n)));
}
CString CString::Mid(int first) const { return Mid(first, GetLength()); }
CString CString::Mid(int first, int n) const {
  first = std::clamp(first, 0, GetLength());
  n = std::clamp(n, 0, GetLength() - first);
  return CString(s_.substr(static_cast<size_t>(first), static_cast<size_t>(n)));
}
int CString::Find(WCHAR ch, int start) const {
  if (start < 0) start = 0;
  if (start >= GetLength()) return -1;
  size_t p = s_.find(ch, static_cast<size_t>(start));
  return p == std::u16string::npos ? -1 : static_cast<int>(p);
}
int CString::Find(const WCHAR* sub, int start) const {
  if (!sub) return -1;
  if (start < 0) start = 0;
  if (start > GetLength()) return -1;
  size_t p = s_.find(sub, static_cast<size_t>(start));
  return p == std::u16string::npos ? -1 : static_cast<int>(p);
}
int CString::ReverseFind(WCHAR ch) const {
  size_t p = s_.rfind(ch);
  return p == std::u16string::npos ? -1 : static_cast<int>(p);
}
int CString::FindOneOf(const WCHAR* set) const {
  for (size_t i = 0; i < s_.size(); ++i)
    if (InSet(s_[i], set)) return static_cast<int>(i);
  return -1;
}
int CString::Replace(WCHAR from, WCHAR to) {
  int n = 0;
  for (auto& c : s_)
    if (c == from) {
      c = to;
      ++n;
    }
  return n;
}
int CString::Replace(const WCHAR* from, const WCHAR* to) {
  size_t fl = Length(from);
  if (fl == 0) return 0;
  std::u16string t = to ? to : u"";
  int n = 0;
  size_t p = 0;
  while ((p = s_.find(from, p, fl)) != std::u16string::npos) {
    s_.replace(p, fl, t);
    p += t.size();
    ++n;
  }
  return n;
}
int CString::Remove(WCHAR ch) {
  size_t before = s_.size();
  s_.erase(std::remove(s_.begin(), s_.end(), ch), s_.end());
  return static_cast<int>(before - s_.size());
}
int CString::Insert(int index, WCHAR ch) {
  index = std::clamp(index, 0, GetLength());
  s_.insert(s_.begin() + index, ch);
  return GetLength();
}
int CString::Insert(int index, const WCHAR* s) {
  index = std::clamp(index, 0, GetLength());
  if (s) s_.insert(static_cast<size_t>(index), s);
  return GetLength();
}
int CString::Delete(int index, int count) {
  if (index < 0) index = 0;
  if (count > 0 && index < GetLength()) s_.erase(static_cast<size_t>(index), static_cast<size_t>(count));
  return GetLength();
}
CString& CString::TrimLeft() {
  size_t i = 0;
  while (i < s_.size() && IsSpace(s_[i])) ++i;
  s_.erase(0, i);
  return *this;
}
CString& CString::TrimLeft(WCHAR ch) {
  size_t i = 0;
  while (i < s_.size() && s_[i] == ch) ++i;
  s_.erase(0, i);
  return *this;
}
CString& CString::TrimLeft(const WCHAR* set) {
  size_t i = 0;
  while (i < s_.size() && InSet(s_[i], set)) ++i;
  s_.erase(0, i);
  return *this;
}
CString& CString::TrimRight() {
  while (!s_.empty() && IsSpace(s_.back())) s_.pop_back();
  return *this;
}
CString& CString::TrimRight(WCHAR ch) {
  while (!s_.empty() && s_.back() == ch) s_.pop_back();
  return *this;
}
CString& CString::TrimRight(const WCHAR* set) {
  while (!s_.empty() && InSet(s_.back(), set)) s_.pop_back();
  return *this;
}
CString& CString::MakeUpper() {
  for (auto& c : s_) c = Upper(c);
  return *this;
}
CString& CString::MakeLower() {
  for (auto& c : s_) c = Lower(c);
  return *this;
}
CString& CString::MakeReverse() {
  std::reverse(s_.begin(), s_.end());
  return *this;
}
CString CString::SpanIncluding(const WCHAR* set) const {
  size_t i = 0;
  while (i < s_.size() && InSet(s_[i], set)) ++i;
  return CString(s_.substr(0, i));
}
CString CString::SpanExcluding(const WCHAR* set) const {
  size_t i = 0;
  while (i < s_.size() && !InSet(s_[i], set)) ++i;
  return CString(s_.substr(0, i));
}

void CString::FormatV(const WCHAR* format, va_list args) {
  va_list copy;
  va_copy(copy, args);
  VaSource source(copy);
  s_ = FormatWith(format, source);
  va_end(copy);
}

std::u16string AfxFormatArgs(const WCHAR* format, const AfxFormatArg* args, size_t count) {
  TypedSource source(args, count);
  return FormatWith(format, source);
}

BOOL CString::LoadString(UINT id) {
  // A string resource holds UTF-16 text; it ends at its first zero or at its size.
  size_t size = 0;
  const void* data = plat::res::Find(plat::res::Current(), plat::res::String, static_cast<int>(id), &size);
  if (!data) data = plat::res::Find(nullptr, plat::res::String, static_cast<int>(id), &size);
  if (!data) return FALSE;
  const WCHAR* w = static_cast<const WCHAR*>(data);
  size_t n = 0, max = size / sizeof(WCHAR);
  while (n < max && w[n]) ++n;
  s_.assign(w, n);
  return TRUE;
}

WCHAR* CString::GetBuffer(int minLength) {
  size_t len = s_.size();
  if (minLength > 0 && static_cast<size_t>(minLength) > len) s_.resize(static_cast<size_t>(minLength), u'\0');
  // One more for the terminator the caller may write at the end.
  s_.reserve(s_.size() + 1);
  return s_.data();
}
WCHAR* CString::GetBufferSetLength(int length) {
  s_.resize(static_cast<size_t>(std::max(length, 0)), u'\0');
  return s_.data();
}
void CString::ReleaseBuffer(int newLength) {
  if (newLength < 0) {
    size_t n = 0;
    while (n < s_.size() && s_[n]) ++n;
    s_.resize(n);
  } else {
    s_.resize(std::min(static_cast<size_t>(newLength), s_.size()));
  }
}
