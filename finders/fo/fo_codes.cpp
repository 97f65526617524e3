#include "finders/fo_codes.h"

#include <cstdio>

#include "vxbase/config_file.h"

namespace finders {

namespace {

// Splits the bytes into lines without their CR / LF; a last line without an end is kept.
std::vector<std::string> SplitLines(const std::string& bytes) {
  std::vector<std::string> lines;
  size_t start = 0;
  while (start < bytes.size()) {
    size_t end = bytes.find('\n', start);
    if (end == std::string::npos) end = bytes.size();
    std::string line = bytes.substr(start, end - start);
    while (!line.empty() && (line.back() == '\r' || line.back() == '\n')) line.pop_back();
    lines.push_back(std::move(line));
    start = end + 1;
  }
  return lines;
}

std::string TrimRightBlanks(std::string s) {
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\0')) s.pop_back();
  return s;
}

bool IsLeadByte(unsigned char c) { return c >= 0x81 && c != 0xFF; }

}  // namespace

std::string Cp949Prefix(const std::string& text, size_t maxBytes) {
  size_t i = 0;
  while (i < text.size()) {
    size_t width = IsLeadByte(static_cast<unsigned char>(text[i])) && i + 1 < text.size() ? 2 : 1;
    if (i + width > maxBytes) break;
    i += width;
  }
  return text.substr(0, i);
}

bool ParseFuturesLine(const std::string& line, FuturesItem& out) {
  if (line.size() < 17) return false;
  out.code = line.substr(0, 8);
  out.kind = line[9];
  out.month = line.substr(11, 6);
  out.name = line.size() > 18 ? TrimRightBlanks(Cp949Prefix(line.substr(18), 30)) : std::string();
  return true;
}

bool ParseOptionsLine(const std::string& line, OptionSeries& out) {
  if (line.size() < 28) return false;
  out.code = line.substr(0, 8);
  out.kind = line[9];
  out.month = line.substr(11, 6);
  out.strike = line.substr(22, 6);
  out.name = line.size() > 29 ? TrimRightBlanks(Cp949Prefix(line.substr(29), 30)) : std::string();
  return true;
}

FuturesList ParseFuturesFile(const std::string& bytes) {
  FuturesList list;
  for (const std::string& line : SplitLines(bytes)) {
    FuturesItem item;
    if (!ParseFuturesLine(line, item)) continue;
    (item.kind == '4' ? list.spread : list.plain).push_back(std::move(item));
  }
  return list;
}

OptionsList ParseOptionsFile(const std::string& bytes) {
  OptionsList list;
  for (const std::string& line : SplitLines(bytes)) {
    if (line.size() > 9 && line[9] == '3') break;  // the puts follow: they are derived from the calls
    OptionSeries s;
    if (!ParseOptionsLine(line, s)) continue;
    bool known = false;
    for (const std::string& m : list.months) known = known || m == s.month;
    if (!known) list.months.push_back(s.month);
    list.series.push_back(std::move(s));
  }
  return list;
}

bool ReadDeviceFile(const CString& devicePath, std::string& bytes) {
  bytes.clear();
  std::string host;
  if (!plat::HostPath(std::u16string_view(devicePath.str()), host)) return false;
  FILE* f = std::fopen(host.c_str(), "rb");
  if (!f) return false;
  char buf[4096];
  size_t n;
  while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) bytes.append(buf, n);
  bool ok = !std::ferror(f);
  std::fclose(f);
  return ok;
}

CString CodeFilePath(const WCHAR* fileKey) {
  CConfigFile config;
  if (config.ReadFile(VX_CONFIG_FILE_PATH) != 1) return CString();
  CString folder = config.GetValue(u"CODE INFO", u"CODE BASE");
  CString file = config.GetValue(u"CODE INFO", fileKey);
  if (file.IsEmpty()) return CString();
  return folder + u"\\" + file;
}

std::string PutCode(const std::string& callCode) {
  std::string put = callCode;
  if (!put.empty()) put[0] = '3';
  return put;
}

CString PutName(const CString& callName) {
  if (callName.IsEmpty()) return CString(u"풋");
  return CString(u"풋") + callName.Mid(1);
}

std::string FuturesPickCode(const FuturesItem& item) {
  if (item.kind == '4' || item.code.size() <= 3) return item.code;
  return item.code.substr(0, item.code.size() - 3);
}

}  // namespace finders
