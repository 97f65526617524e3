// The options boards' reading of the options code file: the item finder's line and column reader,
// then the months and strike prices the boards offer.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "option_codes.h"
#include "scratch.h"

namespace {

const char kConfig[] =
    "[CODE INFO]\n"
    "CODE BASE = \\Codes\n"
    "OPTIONS CODE = options.dat\n";

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::PutDeviceFile("\\Program Files\\Quorvan\\Bin\\Pelvato.conf", reinterpret_cast<const uint8_t*>(kConfig),
                      sizeof kConfig - 1);
  fuzz::PutDeviceFile("\\Codes\\options.dat", data, size);
  const finders::OptionsList list = vxfo::ReadOptionsCodeFile();
  if (list.series.size() !=
      finders::ParseOptionsFile(std::string(reinterpret_cast<const char*>(data), size)).series.size())
    std::abort();

  const auto months = vxfo::BoardMonths(list);
  if (months.size() > vxfo::kMaxMonths) std::abort();
  for (size_t i = 0; i < months.size(); ++i) {
    if (months[i].size() != 6 || vxfo::MonthShown(months[i]).size() != 6) std::abort();
    for (size_t j = 0; j < i; ++j)
      if (months[i] == months[j]) std::abort();
  }

  const auto strikes = vxfo::StrikeSteps(list);
  if (strikes.size() > vxfo::kMaxStrikes) std::abort();
  for (size_t i = 0; i < strikes.size(); ++i) {
    if (strikes[i] < 0 || (i > 0 && strikes[i] - strikes[i - 1] != vxfo::kStrikeStep)) std::abort();
    int64_t back = -1;
    // Every offered strike, as the request carries it, reads back as the same price and fits 8 bytes.
    const std::string text = vxfo::StrikeText(strikes[i]);
    if (text.size() > 8 || !vxfo::StrikeHundredths(text, back) || back != strikes[i]) std::abort();
  }
  return 0;
}
