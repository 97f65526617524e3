// The menu file reader (CMenuConfigFile) and its look-ups on any file contents.
#include <cstdint>
#include <cstdlib>

#include "scratch.h"
#include "vxbase/menu_config.h"

namespace {

const char kMenuPath[] = "\\Program Files\\Quorvan\\Bin\\menu.conf";

bool Trimmed(const CString& s) {
  CString t = s;
  t.Trim();
  return t == s;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::PutDeviceFile(kMenuPath, data, size);
  CMenuConfigFile menu;
  if (menu.ReadFile(u"\\Program Files\\Quorvan\\Bin\\menu.conf") != 1) std::abort();
  const CObArray& list = menu.GetMenuConfigList();
  const INT_PTR count = list.GetSize();

  for (INT_PTR i = 0; i < count; ++i) {
    const auto* info = static_cast<const CMenuConfigInfo*>(list[i]);
    if (!Trimmed(info->GetScreenName()) || !Trimmed(info->GetFileName())) std::abort();
    if (info->GetScreenName().Find(u':') >= 0) std::abort();  // the name lies between two marks
    const UINT id = info->GetScreenId();
    // A screen the menu opens always has a plug-in file; look-ups agree with the first line.
    CString file;
    if (!menu.GetFileNameFromId(id, file)) std::abort();
    for (INT_PTR j = 0; j < count; ++j) {
      const auto* e = static_cast<const CMenuConfigInfo*>(list[j]);
      if (e->GetScreenId() == id) {
        if (!(menu.GetScreenNameFromId(id) == e->GetScreenName())) std::abort();
        if (!(file == e->GetFileName())) std::abort();
        break;
      }
    }
    // A screen the menu opens has a plug-in file; the first line naming a group closes it.
    if (menu.IsMenu(info->GetMainMenuId())) {
      CString f;
      if (!menu.GetFileNameFromId(info->GetMainMenuId(), f)) std::abort();
    }
    if (i == 0 && menu.IsMenu(info->GetMainMenuId())) std::abort();
  }
  for (UINT group = 1010; group <= 1120; group += 10) {
    const UINT button = CMenuConfigFile::ConvertResourceId(group);
    if (button < 8103 || button > 8208) std::abort();
  }
  // Reading again without clearing keeps what was read.
  if (menu.ReadFile(u"\\Program Files\\Quorvan\\Bin\\menu.conf") != 1 || menu.GetMenuConfigList().GetSize() != count)
    std::abort();
  menu.clear();
  if (menu.GetMenuConfigList().GetSize() != 0) std::abort();
  return 0;
}
