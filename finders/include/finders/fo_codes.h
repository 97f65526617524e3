// The futures and options code files of the futures/options finder, read whole line by line and
// taken by column (code page 949 text; a carriage return or line feed at the end is dropped).
//
// Futures line:  0-7 code, 9 kind ('4' spread, else plain), 11-16 expiry month, 18-47 name.
// Options line:  0-7 call code, 9 kind, 11-16 expiry month, 22-27 strike text, 29.. name (30 bytes).
// The options file holds the calls first; reading stops at the first line of kind '3' (puts).
// A line too short to hold its fixed columns is skipped.
#pragma once

#include <string>
#include <vector>

#include "plat/afx.h"

namespace finders {

struct FuturesItem {
  std::string code;  // 8 characters
  char kind = 0;
  std::string month;  // 6 characters
  std::string name;   // at most 30 bytes, trailing blanks removed
};

struct OptionSeries {
  std::string code;  // call code, 8 characters
  char kind = 0;
  std::string month;   // 6 characters, year and month
  std::string strike;  // 6 characters as in the file
  std::string name;    // at most 30 bytes, trailing blanks removed
};

struct FuturesList {
  std::vector<FuturesItem> plain;
  std::vector<FuturesItem> spread;
};

struct OptionsList {
  std::vector<OptionSeries> series;
  std::vector<std::string> months;  // each month once, in the order of its first line
};

// One line each (false: too short, skipped).
bool ParseFuturesLine(const std::string& line, FuturesItem& out);
bool ParseOptionsLine(const std::string& line, OptionSeries& out);

// Whole files from their bytes.
FuturesList ParseFuturesFile(const std::string& bytes);
OptionsList ParseOptionsFile(const std::string& bytes);

// Reads a file by its device path; false when it cannot be opened.
bool ReadDeviceFile(const CString& devicePath, std::string& bytes);

// The device path of a code file named in "CODE INFO" of the configuration file ("FUTURES CODE",
// "OPTIONS CODE"): "CODE BASE" + "\" + file name. Empty when the configuration or the name is
// missing.
CString CodeFilePath(const WCHAR* fileKey);

// The first `maxBytes` bytes of code page 949 text, never ending in half a two-byte character.
std::string Cp949Prefix(const std::string& text, size_t maxBytes);

// The put of a call: the code with its first character '3'; the name with its first character
// (one or two bytes) replaced by "풋".
std::string PutCode(const std::string& callCode);
CString PutName(const CString& callName);

// Code handed over for a futures pick: a plain item's code without its last three characters,
// a spread item's code whole.
std::string FuturesPickCode(const FuturesItem& item);

}  // namespace finders
