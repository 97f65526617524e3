#include "option_codes.h"

#include <algorithm>
#include <cstdio>

namespace vxfo {

finders::OptionsList ReadOptionsCodeFile() {
  CString path = finders::CodeFilePath(u"OPTIONS CODE");
  std::string bytes;
  if (path.IsEmpty() || !finders::ReadDeviceFile(path, bytes)) return {};
  return finders::ParseOptionsFile(bytes);
}

std::vector<std::string> BoardMonths(const finders::OptionsList& list) {
  std::vector<std::string> months(list.months.begin(),
                                  list.months.begin() + static_cast<long>(std::min(list.months.size(), kMaxMonths)));
  return months;
}

std::string MonthShown(const std::string& month) {
  if (month.size() != 6 || month[4] == '0') return month;
  std::string shown = month;
  shown[4] = '0';
  switch (month[5]) {
    case '0': shown[5] = 'A'; break;
    case '1': shown[5] = 'B'; break;
    case '2': shown[5] = 'C'; break;
    default: break;
  }
  return shown;
}

bool StrikeHundredths(const std::string& text, int64_t& out) {
  size_t i = 0, n = text.size();
  while (i < n && text[i] == ' ') ++i;
  int64_t whole = 0;
  size_t digits = 0;
  for (; i < n && text[i] >= '0' && text[i] <= '9'; ++i, ++digits) whole = whole * 10 + (text[i] - '0');
  // At most 99999.99: the request's strike field holds eight characters.
  if (digits == 0 || digits > 5) return false;
  int64_t cents = 0;
  if (i < n && text[i] == '.') {
    ++i;
    int places = 0;
    for (; i < n && text[i] >= '0' && text[i] <= '9'; ++i, ++places) {
      if (places >= 2) return false;
      cents = cents * 10 + (text[i] - '0');
    }
    if (places == 1) cents *= 10;
  }
  while (i < n && text[i] == ' ') ++i;
  if (i != n) return false;
  out = whole * 100 + cents;
  return true;
}

std::vector<int64_t> StrikeSteps(const finders::OptionsList& list) {
  bool any = false;
  int64_t low = 0, high = 0;
  for (const finders::OptionSeries& s : list.series) {
    int64_t v = 0;
    if (!StrikeHundredths(s.strike, v)) continue;
    low = any ? std::min(low, v) : v;
    high = any ? std::max(high, v) : v;
    any = true;
  }
  std::vector<int64_t> steps;
  if (!any) return steps;
  for (int64_t v = low; v <= high && steps.size() < kMaxStrikes; v += kStrikeStep) steps.push_back(v);
  return steps;
}

std::string StrikeText(int64_t hundredths) {
  char text[24];
  std::snprintf(text, sizeof text, "%lld.%02lld", static_cast<long long>(hundredths / 100),
                static_cast<long long>(hundredths % 100));
  return text;
}

}  // namespace vxfo
