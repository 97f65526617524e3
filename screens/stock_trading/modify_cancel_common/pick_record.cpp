#include "pick_record.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "plat/kernel.h"

namespace vxpick {

namespace {

void PutField(Record& rec, int at, int width, const std::string& text) {
  size_t n = std::min(text.size(), static_cast<size_t>(width));
  std::memcpy(rec + at, text.data(), n);
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsCodeChar(char c) { return IsDigit(c) || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

// Digits with thousands commas, at least one digit.
bool IsShownNumber(const std::string& s) {
  bool digit = false;
  for (char c : s) {
    if (IsDigit(c))
      digit = true;
    else if (c != ',')
      return false;
  }
  return digit;
}

// The device's "\Temp" folder as a folder of this user only: made with mode 0700 when missing;
// an existing one must be a real folder (no link) owned by this user and loses any group or
// other rights.
bool PrivateTempFolder() {
  std::string host;
  if (!plat::HostPath(std::string_view("\\Temp"), host)) return false;
  struct stat st {};
  if (lstat(host.c_str(), &st) != 0) {
    if (errno != ENOENT || mkdir(host.c_str(), 0700) != 0) return false;
    if (lstat(host.c_str(), &st) != 0) return false;
  }
  if (!S_ISDIR(st.st_mode) || st.st_uid != geteuid()) return false;
  if ((st.st_mode & 0077) != 0 && chmod(host.c_str(), 0700) != 0) return false;
  return true;
}

// Opens a record file of the private folder; never through a symbolic link, only a regular file
// of this user.
int OpenRecordFile(const char* devicePath, int flags) {
  if (!devicePath || !PrivateTempFolder()) return -1;
  std::string host;
  if (!plat::HostPath(std::string_view(devicePath), host)) return -1;
  int fd = open(host.c_str(), flags | O_NOFOLLOW | O_CLOEXEC, 0600);
  if (fd < 0) return -1;
  struct stat st {};
  if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_uid != geteuid() ||
      ((st.st_mode & 0077) != 0 && fchmod(fd, 0600) != 0)) {
    close(fd);
    return -1;
  }
  return fd;
}

bool WriteAll(int fd, const Record& rec) {
  size_t done = 0;
  while (done < sizeof rec) {
    ssize_t n = pwrite(fd, rec + done, sizeof rec - done, static_cast<off_t>(done));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    done += static_cast<size_t>(n);
  }
  return true;
}

// Reads the record; true only for a file of exactly 39 bytes.
bool ReadExact(int fd, Record& out) {
  unsigned char buf[kRecordSize + 1];
  size_t got = 0;
  while (got < sizeof buf) {
    ssize_t n = pread(fd, buf + got, sizeof buf - got, static_cast<off_t>(got));
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return false;
    if (n == 0) break;
    got += static_cast<size_t>(n);
  }
  if (got != static_cast<size_t>(kRecordSize)) return false;
  std::memcpy(out, buf, kRecordSize);
  return true;
}

}  // namespace

void BuildRecord(Record& out, const std::string& code, const std::string& number, const std::string& price,
                 const std::string& quantity) {
  std::memset(out, 0, sizeof out);
  PutField(out, kCodeAt, kCodeWidth, code);
  PutField(out, kNumberAt, kNumberWidth, number);
  PutField(out, kPriceAt, kPriceWidth, price);
  PutField(out, kQuantityAt, kQuantityWidth, quantity);
  out[kStateAt] = static_cast<unsigned char>(kStateWritten);
}

std::string FieldText(const Record& rec, int at, int width) {
  const char* p = reinterpret_cast<const char*>(rec + at);
  size_t n = 0;
  while (n < static_cast<size_t>(width) && p[n]) ++n;
  return std::string(p, n);
}

bool CheckedFields(const Record& rec, bool withPrice, PickFields& out) {
  PickFields f;
  f.code = FieldText(rec, kCodeAt, kCodeWidth);
  f.number = FieldText(rec, kNumberAt, kNumberWidth);
  f.price = FieldText(rec, kPriceAt, kPriceWidth);
  f.quantity = FieldText(rec, kQuantityAt, kQuantityWidth);
  if (f.code.size() != 5) return false;
  for (char c : f.code)
    if (!IsCodeChar(c)) return false;
  if (f.number.empty() || f.number.size() > 5) return false;
  for (char c : f.number)
    if (!IsDigit(c)) return false;
  if (!IsShownNumber(f.quantity)) return false;
  if (withPrice && !IsShownNumber(f.price)) return false;
  if (!withPrice) f.price.clear();
  out = f;
  return true;
}

bool WriteRecordFile(const char* devicePath, const Record& rec) {
  int fd = OpenRecordFile(devicePath, O_WRONLY | O_CREAT);
  if (fd < 0) return false;
  bool ok = ftruncate(fd, 0) == 0 && WriteAll(fd, rec);
  if (close(fd) != 0) ok = false;
  return ok;
}

bool ReadRecordFile(const char* devicePath, Record& out) {
  int fd = OpenRecordFile(devicePath, O_RDONLY);
  if (fd < 0) return false;
  bool ok = ReadExact(fd, out);
  close(fd);
  return ok;
}

bool TakeRecord(const char* devicePath, bool withPrice, PickFields& out) {
  int fd = OpenRecordFile(devicePath, O_RDWR);
  if (fd < 0) return false;
  Record rec;
  bool ok = ReadExact(fd, rec) && rec[kStateAt] == kStateWritten && CheckedFields(rec, withPrice, out);
  if (ok) {
    // Taken once: the next start of the screen finds the record spent.
    rec[kStateAt] = static_cast<unsigned char>(kStateTaken);
    ok = WriteAll(fd, rec);
  }
  close(fd);
  return ok;
}

}  // namespace vxpick
