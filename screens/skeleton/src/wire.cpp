#include "vxskeleton/wire.h"

#include <algorithm>

#include "glimmet/net_value.h"

namespace vxwire {

bool IsText949(const unsigned char* p, size_t n) {
  if (!p) return false;
  size_t i = 0;
  while (i < n && p[i]) {
    unsigned char c = p[i];
    if (c >= 0x20 && c <= 0x7E) {
      ++i;
      continue;
    }
    if (c < 0x81 || c > 0xFE) return false;
    if (i + 1 == n) return true;  // the field's width cut the character
    unsigned char t = p[i + 1];
    if (!((t >= 0x41 && t <= 0x5A) || (t >= 0x61 && t <= 0x7A) || (t >= 0x81 && t <= 0xFE))) return false;
    i += 2;
  }
  return true;
}

bool Reader::IsDigits(const Field& f) const {
  if (!Has(f)) return false;
  return AllDigits(std::string_view(reinterpret_cast<const char*>(body_ + f.at), f.width));
}

bool AllDigits(std::string_view s) {
  if (s.empty()) return false;
  for (char c : s)
    if (c < '0' || c > '9') return false;
  return true;
}

bool ShownDigits(std::string shown, size_t maxDigits, std::string& digits) {
  digits.clear();
  for (char c : shown)
    if (c != ',') digits += c;
  return AllDigits(digits) && digits.size() <= maxDigits;
}

std::string Grouped(int64_t value) {
  uint64_t magnitude = value < 0 ? 0 - static_cast<uint64_t>(value) : static_cast<uint64_t>(value);
  std::string digits = std::to_string(magnitude);
  std::string out = value < 0 ? "-" : "";
  for (size_t i = 0; i < digits.size(); ++i) {
    if (i && (digits.size() - i) % 3 == 0) out += ',';
    out += digits[i];
  }
  return out;
}

std::string FieldText(const unsigned char* field, size_t size, size_t shown) {
  size_t limit = std::min(size, shown);
  size_t n = 0;
  while (n < limit && field[n]) {
    size_t step = field[n] >= 0x81 ? 2 : 1;  // lead byte of a two-byte character
    if (n + step > limit || (step == 2 && !field[n + 1])) break;
    n += step;
  }
  while (n > 0 && field[n - 1] == ' ') --n;
  return std::string(reinterpret_cast<const char*>(field), n);
}

void Wipe(std::string& s) {
  std::fill(s.begin(), s.end(), '\0');
  s.clear();
}

// ---- Writer ------------------------------------------------------------------------------------

bool Writer::Room(const Field& f) {
  if (ok_ && f.end() <= size_) return true;
  Fail();
  return false;
}

void Writer::Fail() {
  ok_ = false;
  std::memset(body_, 0, size_);
}

Writer& Writer::Digits(const Field& f, std::string_view digits) {
  if (!Room(f)) return *this;
  if (!AllDigits(digits) || digits.size() > f.width) {
    Fail();
    return *this;
  }
  std::memcpy(body_ + f.at, digits.data(), digits.size());
  return *this;
}

Writer& Writer::Text(const Field& f, std::string_view text) {
  if (!Room(f)) return *this;
  if (text.size() > f.width) {
    Fail();
    return *this;
  }
  std::memcpy(body_ + f.at, text.data(), text.size());
  return *this;
}

Writer& Writer::Char(const Field& f, char c) {
  if (Room(f)) body_[f.at] = static_cast<unsigned char>(c);
  return *this;
}

Writer& Writer::Byte(const Field& f, uint8_t value) {
  if (Room(f)) body_[f.at] = value;
  return *this;
}

Writer& Writer::Raw(const Field& f, const unsigned char* bytes) {
  if (Room(f)) std::memcpy(body_ + f.at, bytes, f.width);
  return *this;
}

Writer& Writer::Padded(const Field& f, std::string_view text, char fill, bool zeroFirst) {
  if (!Room(f)) return *this;
  if (text.size() > f.width) {
    Fail();
    return *this;
  }
  std::memcpy(body_ + f.at, text.data(), text.size());
  for (size_t i = text.size(); i < f.width; ++i)
    body_[f.at + i] = zeroFirst && i == text.size() ? '\0' : static_cast<unsigned char>(fill);
  return *this;
}

Writer& Writer::AccountAuth(const Field& account, const Field& password, std::string_view digits, std::string_view pw) {
  if (digits.size() != account.width || pw.empty()) {
    Fail();
    return *this;
  }
  return Digits(account, digits).Text(password, pw);
}

// ---- Reader ------------------------------------------------------------------------------------

std::string Reader::Text(const Field& f) const {
  if (!Has(f)) return {};
  size_t n = 0;
  while (n < f.width && body_[f.at + n]) ++n;
  return std::string(reinterpret_cast<const char*>(body_ + f.at), n);
}

std::string Reader::Shown(const Field& f, size_t shown) const {
  return Has(f) ? FieldText(body_ + f.at, f.width, shown) : std::string();
}

int64_t Reader::Number(const Field& f) const { return Has(f) ? get_net_value(body_ + f.at, f.width) : 0; }

int16_t Reader::Short(const Field& f) const {
  return Has(f) ? static_cast<int16_t>((body_[f.at] << 8) | body_[f.at + 1]) : 0;
}

bool Reader::Equals(const Field& f, std::string_view text) const {
  return Has(f) && text.size() <= f.width && std::memcmp(body_ + f.at, text.data(), text.size()) == 0;
}

Reader Reader::Record(size_t recordsAt, size_t recordSize, int i) const {
  size_t start = recordsAt + recordSize * static_cast<size_t>(i);
  if (i < 0 || start + recordSize > len_) return Reader(nullptr, 0);
  return Reader(body_ + start, static_cast<int>(recordSize));
}

}  // namespace vxwire
