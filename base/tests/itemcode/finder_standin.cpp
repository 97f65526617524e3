// A stand-in for the item-code finder plug-ins, with the three finder exports. It asks the user
// in a box whether to pick (OK) or not (Cancel); the pick is read from "\finder_pick.txt"
// (code, then name, one a line, UTF-8), and each call is appended to "\finder_calls.txt".
#include <cstdio>
#include <string>

#include "plat/afx.h"

class CCodeManager;

namespace {

bool ReadPick(CString* code, CString* name) {
  FILE* f = plat::OpenDeviceFile("\\finder_pick.txt", "r");
  if (!f) return false;
  char line[128];
  std::string lines[2];
  for (auto& l : lines) {
    if (!std::fgets(line, sizeof line, f)) break;
    l = line;
    while (!l.empty() && (l.back() == '\n' || l.back() == '\r')) l.pop_back();
  }
  std::fclose(f);
  if (code) *code = CString(plat::FromUtf8(lines[0]));
  if (name) *name = CString(plat::FromUtf8(lines[1]));
  return true;
}

void Record(const char* exportName, HWND parent, const CCodeManager* codes) {
  if (FILE* f = plat::OpenDeviceFile("\\finder_calls.txt", "a")) {
    std::fprintf(f, "%s %u %d\n", exportName, static_cast<unsigned>(parent), codes ? 1 : 0);
    std::fclose(f);
  }
}

int Pick(HWND parent, CString* code, CString* name) {
  if (::MessageBox(parent, u"종목을 고르시겠습니까?", u"종목 찾기", MB_OKCANCEL) != IDOK) return 0;
  return ReadPick(code, name) ? 1 : 0;
}

}  // namespace

extern "C" __attribute__((visibility("default"))) int FindItemCodeDlg(HWND parent, CString* code, CString* name,
                                                                      CCodeManager* codes) {
  Record("FindItemCodeDlg", parent, codes);
  return Pick(parent, code, name);
}

extern "C" __attribute__((visibility("default"))) int ECNFindItemCodeDlg(HWND parent, CString* code, CString* name,
                                                                         CCodeManager* codes) {
  Record("ECNFindItemCodeDlg", parent, codes);
  return Pick(parent, code, name);
}

// As the futures/options finder: nonzero only when the code is not empty afterwards.
extern "C" __attribute__((visibility("default"))) int FOFindItemCodeDlg(HWND parent, CString* code, CString* name) {
  Record("FOFindItemCodeDlg", parent, nullptr);
  if (code) code->Empty();
  Pick(parent, code, name);
  return code && !code->IsEmpty() ? 1 : 0;
}
