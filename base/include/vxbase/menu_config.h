// The menu file ("menu.conf"): one line per screen, four fields separated by ':' (main-menu
// group, screen name, navigation id, plug-in file name). A line whose screen id equals its group
// stands for the group button itself. Lines holding '#' are skipped whole.
#pragma once

#include "plat/afx.h"

// One line of the menu file.
class CMenuConfigInfo : public CObject {
 public:
  CMenuConfigInfo() = default;
  UINT GetMainMenuId() const { return m_MainMenuId; }
  const CString& GetScreenName() const { return m_ScreenName; }
  UINT GetScreenId() const { return m_ScreenId; }
  const CString& GetFileName() const { return m_FileName; }
  void SetMainMenuId(UINT id) { m_MainMenuId = id; }
  void SetScreenName(const CString& name) { m_ScreenName = name; }
  void SetScreenId(UINT id) { m_ScreenId = id; }
  void SetFileName(const CString& name) { m_FileName = name; }

 private:
  UINT m_MainMenuId = 0;
  CString m_ScreenName;
  UINT m_ScreenId = 0;
  CString m_FileName;
};

class CMenuConfigFile {
 public:
  CMenuConfigFile() = default;
  virtual ~CMenuConfigFile();
  CMenuConfigFile(const CMenuConfigFile&) = delete;  // owns its entries
  CMenuConfigFile& operator=(const CMenuConfigFile&) = delete;

  // Reads the file at the device path `path` unless entries are already held (then 1 at once).
  // 1 on success; -1 when the file cannot be opened or closed (a box tells the user).
  int ReadFile(LPCTSTR path);
  // Deletes every entry.
  void clear();
  // TRUE when `id` is a screen: the first entry naming it as its screen (and not a group line)
  // comes before any entry that uses it as a main-menu id.
  BOOL IsMenu(UINT id) const;
  // Plug-in file of the first entry with this screen id (group lines included).
  BOOL GetFileNameFromId(UINT id, CString& fileName) const;
  // Screen name of the first entry with this screen id; empty when none.
  CString GetScreenNameFromId(UINT id) const;
  // Group number of the file -> control id of its main-menu button; other numbers unchanged.
  static UINT ConvertResourceId(UINT id);

  // The entries in file order (CMenuConfigInfo pointers owned by this object).
  const CObArray& GetMenuConfigList() const { return m_List; }

 private:
  CObArray m_List;
};

#define VX_MENU_FILE_PATH (u"\\Program Files\\Quorvan\\Bin\\menu.conf")
