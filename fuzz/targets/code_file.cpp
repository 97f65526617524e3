// The item-code list reader (CCodeManager) on any code file, and the initial-consonant groups
// on any text.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "scratch.h"
#include "vxbase/code_manager.h"

namespace {

const char kConfig[] =
    "[CODE INFO]\n"
    "CODE BASE = \\Codes\n"
    "STOCK CODE = stock.txt\n"
    "ECN CODE = ecn.txt\n";

template <class List>
void CheckList(const CCodeManager& codes, const List& list, bool stock) {
  for (INT_PTR i = 0; i < list.GetSize(); ++i) {
    const auto* r = static_cast<const CItemCodeRecord*>(list[i]);
    if (r->GetItemCode().GetLength() > 5 || r->GetMarketClass().GetLength() > 1) std::abort();
    if (r->GetItemName().Find(u'|') >= 0 || r->GetItemName().Find(u'\n') >= 0 || r->GetItemName().Find(u'\r') >= 0)
      std::abort();
    const int g = r->GetGroup();
    if (!(g == -1 || g == -2 || g == 1 || g == 2 || (g >= 11 && g <= 24))) std::abort();
    // Every code read is known to the look-up (a code holding a zero character cannot be asked for).
    bool zero = false;
    for (int k = 0; k < r->GetItemCode().GetLength(); ++k) zero = zero || r->GetItemCode()[k] == 0;
    if (!zero && !(stock ? codes.IsExistStockCode(r->GetItemCode()) : codes.IsExistECNCode(r->GetItemCode())))
      std::abort();
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // The group of the first character of any text.
  std::string text(reinterpret_cast<const char*>(data), size);
  const int g = CCodeManager::which_char(text.c_str());
  if (!(g == -2 || g == 1 || g == 2 || (g >= 11 && g <= 24))) std::abort();

  fuzz::PutDeviceFile("\\Program Files\\Quorvan\\Bin\\Pelvato.conf", reinterpret_cast<const uint8_t*>(kConfig),
                      sizeof kConfig - 1);
  fuzz::PutDeviceFile("\\Codes\\stock.txt", data, size);
  fuzz::PutDeviceFile("\\Codes\\ecn.txt", data, size);

  CCodeManager codes;
  codes.ReadStockCode();
  const int ecn = codes.ReadECNCode();
  if (ecn != codes.GetECNList().GetSize() || ecn != codes.GetStockList().GetSize()) std::abort();
  CheckList(codes, codes.GetStockList(), true);
  // Plain ASCII: one record for every line of eight characters or more.
  bool ascii = true;
  for (size_t i = 0; i < size; ++i) ascii = ascii && data[i] < 0x80;
  if (ascii) {
    INT_PTR lines = 0;
    size_t length = 0;
    for (size_t i = 0; i <= size; ++i) {
      if (i == size || data[i] == '\n') {
        if (length >= 8) ++lines;
        length = 0;
      } else if (data[i] != '\r') {
        ++length;
      }
    }
    if (lines != codes.GetStockList().GetSize()) std::abort();
  }
  CheckList(codes, codes.GetECNList(), false);
  if (codes.IsExistStockCode(nullptr) || codes.IsExistECNCode(nullptr)) std::abort();
  // A list is loaded once per manager.
  codes.ReadStockCode();
  if (codes.GetStockList().GetSize() != ecn) std::abort();
  return 0;
}
