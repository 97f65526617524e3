// Pop-up screen menus of the main-menu buttons, from the menu file.
#include "vxbase/menu_config.h"
#include "vxbase/unicode.h"
#include "vxbase/vx_dlg.h"

namespace {

bool HasMenuList(UINT id) {
  return (id >= 8103 && id <= 8105) || id == 8107 || id == 8108 || id == 8112 || (id >= 8203 && id <= 8206) ||
         id == 8208;
}

}  // namespace

void CVXDlg::AllocMenu(_tagMenuList* list, int* count, UINT screenId, const CString& name) {
  if (!list || !count || *count < 0 || *count >= kMaxMenuEntries) return;
  _tagMenuList& entry = list[*count];
  entry.ScreenId = screenId;
  // At most 31 bytes, never half a double-byte character.
  CUnicode::ConvertToANSI(name, entry.ScreenName, static_cast<int>(sizeof entry.ScreenName));
  ++*count;
}

void CVXDlg::ShowMenu(UINT mainMenuId, _tagMenuList* list, int* count) {
  if (!m_pMenuConfig || !list || !count) return;
  const CObArray& entries = m_pMenuConfig->GetMenuConfigList();
  for (INT_PTR i = 0; i < entries.GetSize(); ++i) {
    if (*count >= kMaxMenuEntries) break;  // a pop-up shows the group's first screens only
    const auto* info = static_cast<const CMenuConfigInfo*>(entries[i]);
    if (!info || info->GetMainMenuId() != mainMenuId || info->GetScreenId() == mainMenuId) continue;
    AllocMenu(list, count, info->GetScreenId(), info->GetScreenName());
  }
}

int CVXDlg::GetMenuList(UINT buttonId, _tagMenuList* list) {
  if (!list || !HasMenuList(buttonId)) return 0;
  int count = 0;
  ShowMenu(buttonId, list, &count);
  return count;
}

void CVXDlg::SubMenuDisplay(UINT buttonId) {
  if (buttonId == IDC_BTN_TOP_FIRST || buttonId == IDC_BTN_EXIT) return;
  _tagMenuList list[kMaxMenuEntries] = {};
  int count = GetMenuList(buttonId, list);
  if (count <= 0) return;  // nothing to choose from
  HMENU menu = ::CreatePopupMenu();
  if (!menu) return;
  for (int i = 0; i < count; ++i) {
    CString name = CString::FromMultiByte(list[i].ScreenName);
    ::AppendMenu(menu, MF_STRING, list[i].ScreenId, name);
  }
  RECT r{};
  if (CWnd* button = GetDlgItem(static_cast<int>(buttonId))) button->GetWindowRect(&r);
  UINT chosen = static_cast<UINT>(
      ::TrackPopupMenu(menu, TPM_LEFTALIGN | TPM_TOPALIGN | TPM_RETURNCMD, r.left, r.top, 0, m_hWnd, nullptr));
  ::DestroyMenu(menu);
  // The choice comes back as a command with the whole screen id (a menu command's 16-bit id
  // would cut navigation ids such as 92001), which OnCommand opens.
  if (chosen != 0) PostMessage(WM_COMMAND, static_cast<WPARAM>(chosen), 0);
}
