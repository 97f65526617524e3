// The picked order handed from the order and fill inquiry (ZR4340) to the modify, cancel and ECN
// cancel screens: a 39-byte record written whole into a file of the device's "\Temp" folder.
//
//   bytes  0-5   item code, 5 characters, NUL-padded
//   bytes  6-11  target order number, up to 5 digits, NUL-padded
//   bytes 12-24  order price as shown (with commas), NUL-padded, cut at 13 bytes
//   bytes 25-37  modifiable or cancellable quantity as shown, NUL-padded, cut at 13 bytes
//   byte  38     '1' written by the inquiry and not yet taken, '0' taken by a reader
//
// The folder is private to the user running the system (mode 0700) and the files are 0600; files
// are opened without following symbolic links, and a reader checks every field before using it.
#pragma once

#include <cstddef>
#include <string>

namespace vxpick {

constexpr int kRecordSize = 39;
constexpr int kCodeAt = 0, kCodeWidth = 6;
constexpr int kNumberAt = 6, kNumberWidth = 6;
constexpr int kPriceAt = 12, kPriceWidth = 13;
constexpr int kQuantityAt = 25, kQuantityWidth = 13;
constexpr int kStateAt = 38;
constexpr char kStateWritten = '1';
constexpr char kStateTaken = '0';

// The files of the record (device paths).
inline constexpr const char* kPickLogFile = "\\temp\\OrderLog.txt";
inline constexpr const char* kModifyFile = "\\Temp\\OrderTxt.tmp";
inline constexpr const char* kCancelFile = "\\Temp\\OrderCancle.tmp";
inline constexpr const char* kEcnCancelFile = "\\Temp\\ECNOrderTxt.tmp";

using Record = unsigned char[kRecordSize];

// Fills the record from the cells' code page 949 texts, each cut to its width, and marks it
// written ('1').
void BuildRecord(Record& out, const std::string& code, const std::string& number, const std::string& price,
                 const std::string& quantity);

// A field's text: up to its first NUL, never past its width.
std::string FieldText(const Record& rec, int at, int width);

// The fields of a record, checked: a code of 5 letters or digits, an order number of 1 to 5
// digits, a price and a quantity of digits and commas holding at least one digit (the price only
// when `withPrice`). False when any of them is not so.
struct PickFields {
  std::string code, number, price, quantity;
};
bool CheckedFields(const Record& rec, bool withPrice, PickFields& out);

// Writes the 39 bytes whole, creating or replacing the file. False when the folder or the file
// cannot be made private or the write fails.
bool WriteRecordFile(const char* devicePath, const Record& rec);

// Reads the file: true only when it holds exactly 39 bytes.
bool ReadRecordFile(const char* devicePath, Record& out);

// What a reader does: the record is taken when the file holds exactly 39 bytes, its state is '1'
// and its fields pass the checks; then its state becomes '0' in the file. False (the file left as
// it was) otherwise.
bool TakeRecord(const char* devicePath, bool withPrice, PickFields& out);

}  // namespace vxpick
