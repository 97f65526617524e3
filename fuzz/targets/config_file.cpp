// The configuration file reader (CConfigFile) on any file contents.
#include <cstdint>
#include <cstdlib>

#include "scratch.h"
#include "vxbase/config_file.h"

namespace {

bool Trimmed(const CString& s) {
  CString t = s;
  t.Trim();
  return t == s;
}

bool HasControl(const CString& s) { return s.Find(u'\t') >= 0 || s.Find(u'\n') >= 0; }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::PutDeviceFile("\\Program Files\\Quorvan\\Bin\\Pelvato.conf", data, size);
  CConfigFile config;
  if (config.ReadFile(VX_CONFIG_FILE_PATH) != 1) std::abort();

  const CObArray& list = config.GetConfigList();
  for (INT_PTR i = 0; i < list.GetSize(); ++i) {
    const auto* info = static_cast<const CConfigInfo*>(list[i]);
    // Names and values are stored clean, and every stored entry can be found again.
    for (const CString* s : {&info->GetSection(), &info->GetKey(), &info->GetValue()})
      if (!Trimmed(*s) || HasControl(*s)) std::abort();
    if (!config.IsExistValue(info->GetSection(), info->GetKey())) std::abort();
    // The first entry with the same names (compared upper-cased) gives the value.
    CString first;
    for (INT_PTR j = 0; j <= i; ++j) {
      const auto* e = static_cast<const CConfigInfo*>(list[j]);
      CString a = e->GetSection(), b = info->GetSection(), c = e->GetKey(), d = info->GetKey();
      a.MakeUpper();
      b.MakeUpper();
      c.MakeUpper();
      d.MakeUpper();
      if (a == b && c == d) {
        first = e->GetValue();
        break;
      }
    }
    if (!(config.GetValue(info->GetSection(), info->GetKey()) == first)) std::abort();
  }
  // The names the programs ask for.
  static const WCHAR* const kAsked[][2] = {
      {u"SERVER INFO", u"INTERNET SERVER"}, {u"SERVER INFO", u"MAIN PORT NUMBER"}, {u"SETUP INFO", u"SETUP EXE"},
      {u"CODE INFO", u"CODE BASE"},         {u"CODE INFO", u"STOCK CODE"},         {u"UPDATE INFO", u"LIST FILE"},
  };
  for (const auto& q : kAsked) {
    CString v = config.GetValue(q[0], q[1]);
    if (!config.IsExistValue(q[0], q[1]) && !v.IsEmpty()) std::abort();
    if (!Trimmed(v)) std::abort();
  }
  // A second read keeps both sets: the first still wins.
  const INT_PTR count = list.GetSize();
  if (config.ReadFile(VX_CONFIG_FILE_PATH) != 1 || config.GetConfigList().GetSize() != 2 * count) std::abort();
  return 0;
}
