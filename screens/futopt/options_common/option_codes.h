// The choices of the options boards, taken from the options code file (the item finder's reading of
// it: whole lines, fixed columns, short lines skipped, the calls up to the first put): the expiry
// months offered by the month combos and the strike prices offered by the strike combo.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "finders/fo_codes.h"

namespace vxfo {

constexpr size_t kMaxMonths = 6;
// The strike combo never offers more than this many prices, however far apart the lowest and the
// highest strike of the file are.
constexpr size_t kMaxStrikes = 120;
constexpr int64_t kStrikeStep = 250;  // 2.50 in hundredths

// The options code file named by "OPTIONS CODE" in "CODE INFO" of the configuration; an empty list
// when the configuration or the file cannot be read.
finders::OptionsList ReadOptionsCodeFile();

// The expiry months of the file, each once, in file order, at most six.
std::vector<std::string> BoardMonths(const finders::OptionsList& list);
// A month as the combo shows it: months 10, 11 and 12 as "0A", "0B" and "0C" ("200312" ->
// "20030C"); other texts unchanged.
std::string MonthShown(const std::string& month);

// A strike text of the file ("160.00", " 72.5") in hundredths; false for anything but up to five
// digits with at most two decimals between blanks (what the request's 8-byte field can carry).
bool StrikeHundredths(const std::string& text, int64_t& out);
// Every price from the lowest strike of the file to the highest in steps of 2.50, at most
// kMaxStrikes of them, in hundredths; strikes that do not read as prices are passed over.
std::vector<int64_t> StrikeSteps(const finders::OptionsList& list);
// "%.2f" of a price in hundredths ("72.50").
std::string StrikeText(int64_t hundredths);

}  // namespace vxfo
