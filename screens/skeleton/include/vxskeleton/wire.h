// Request and reply bodies of the screens' transactions, read and written by field.
//
// A field is a name, an offset, a width and a kind; the layouts of every transaction are in
// vxskeleton/tr_layouts.h. A screen writes a request with a Writer over its body and reads a reply
// with a Reader, never with raw offsets:
//
//   unsigned char body[tr2310::kRequestSize];
//   vxwire::Writer w(body);
//   w.Digits(tr2310::kAccount, account);
//   ...
//   if (!w.Ok()) refuse;                  // a value that does not fit its field, or not digits
//
//   vxwire::Reader r(body, len);
//   if (!r.Has(tr2310::kOrderNumber)) ReportShortReply(code);
//   std::string number = r.Text(tr2310::kOrderNumber);
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

namespace vxwire {

enum class Kind : uint8_t {
  Digits,  // ASCII digits from the left, the rest zero bytes
  Text,    // code page 949 text from the left, the rest zero bytes (read up to the first zero)
  Char,    // one character flag ('0', 'Y', '1' ...)
  Byte,    // one binary byte (a count or a page number)
  Number,  // NET_VALUE: big-endian signed 16-bit groups in base 10,000 (2, 4 or 6 bytes)
  Short,   // a big-endian signed 16-bit number
  Raw,     // bytes handed back as they came (a continuation key)
};

struct Field {
  const char* name;
  uint16_t at;
  uint16_t width;
  Kind kind;
  constexpr size_t end() const { return static_cast<size_t>(at) + width; }
};

// A transaction's body: its fields in order, and for a list the records that follow them.
struct Layout {
  uint16_t code;
  const char* name;
  uint16_t size;  // of the fixed part (the whole request, or the reply up to its records)
  const Field* fields;
  size_t fieldCount;
  const Field* record = nullptr;  // the fields of one record, from the record's start
  size_t recordFieldCount = 0;
  uint16_t recordSize = 0;
};

// True when `s` is one or more ASCII digits.
bool AllDigits(std::string_view s);
// The digits of a number as typed or shown ("1,234"): true when, its commas removed, it is one to
// `maxDigits` digits.
bool ShownDigits(std::string shown, size_t maxDigits, std::string& digits);
// "1234567" -> "1,234,567"; "-" in front of a negative value.
std::string Grouped(int64_t value);
// A text field of code page 949: up to its first zero byte, at most `shown` bytes without splitting
// a two-byte character, trailing blanks removed.
std::string FieldText(const unsigned char* field, size_t size, size_t shown);
// Overwrites a string's bytes before it is let go (passwords).
void Wipe(std::string& s);
// True when the `n` bytes, up to the first zero byte, are code page 949 text: printable ASCII and
// two-byte characters (a lead byte alone may end the bytes, cut at the field's width).
bool IsText949(const unsigned char* p, size_t n);

class Writer {
 public:
  // Zeroes the body: every field not written is zero bytes.
  Writer(unsigned char* body, size_t size) : body_(body), size_(size) { std::memset(body, 0, size); }
  template <size_t N>
  explicit Writer(unsigned char (&body)[N]) : Writer(body, N) {}
  // Goes on writing a body whose head is already written (the account and password).
  struct Continue {};
  Writer(unsigned char* body, size_t size, Continue) : body_(body), size_(size) {}

  // Digits: one or more ASCII digits, no more than the width. Text: at most the width.
  Writer& Digits(const Field& f, std::string_view digits);
  Writer& Text(const Field& f, std::string_view text);
  Writer& Char(const Field& f, char c);
  Writer& Byte(const Field& f, uint8_t value);
  Writer& Raw(const Field& f, const unsigned char* bytes);
  // Text padded to the field's width: one zero byte after the text and `fill` from there on
  // (`zeroFirst` false: `fill` right after the text). A text as wide as the field has no padding.
  Writer& Padded(const Field& f, std::string_view text, char fill, bool zeroFirst = true);
  // The account digits (exactly 10) and the password (1 to `passwordWidth` bytes) of ACCOUNT_AUTH.
  Writer& AccountAuth(const Field& account, const Field& password, std::string_view digits, std::string_view pw);

  // False once any value did not fit or was of the wrong kind; the body is then zeroed.
  bool Ok() const { return ok_; }

 private:
  bool Room(const Field& f);
  void Fail();
  unsigned char* body_;
  size_t size_;
  bool ok_ = true;
};

class Reader {
 public:
  Reader(const unsigned char* body, int len) : body_(body), len_(body && len > 0 ? static_cast<size_t>(len) : 0) {}

  bool Has(const Field& f) const { return f.end() <= len_; }
  size_t Size() const { return len_; }
  // Each read of a field the body does not hold gives an empty or zero value.
  std::string Text(const Field& f) const;                 // up to the first zero byte
  std::string Shown(const Field& f, size_t shown) const;  // FieldText()
  char Char(const Field& f) const { return Has(f) ? static_cast<char>(body_[f.at]) : '\0'; }
  uint8_t Byte(const Field& f) const { return Has(f) ? body_[f.at] : 0; }
  int8_t SignedByte(const Field& f) const { return static_cast<int8_t>(Byte(f)); }
  int64_t Number(const Field& f) const;
  int16_t Short(const Field& f) const;
  const unsigned char* At(const Field& f) const { return Has(f) ? body_ + f.at : nullptr; }
  bool Equals(const Field& f, std::string_view text) const;
  // Checks of a reply against its layout, false for a field the body does not hold: every byte
  // an ASCII digit; code page 949 text up to the first zero byte (IsText949).
  bool IsDigits(const Field& f) const;
  bool IsText(const Field& f) const { return Has(f) && IsText949(body_ + f.at, f.width); }
  // The `i`th record of `recordSize` bytes from `recordsAt`, or an empty reader.
  Reader Record(size_t recordsAt, size_t recordSize, int i) const;

 private:
  const unsigned char* body_;
  size_t len_;
};

}  // namespace vxwire
