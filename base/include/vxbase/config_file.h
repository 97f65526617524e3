// The section/key reader of the installed configuration file ("Pelvato.conf").
//
// Reading rules: tabs and line feeds are removed everywhere in a line and blanks trimmed at both
// ends; empty lines and any line holding "/*" are skipped whole; a line holding "[" opens a
// section (the name runs from the first "[" to the next "]"); every other line is key=value.
// Lines are taken in pieces of at most 255 characters. Names match without regard to case and
// the first entry in file order wins.
#pragma once

#include "plat/afx.h"

// One entry of the file: a section line (key and value empty) or a key line.
class CConfigInfo : public CObject {
 public:
  CConfigInfo() = default;
  void SetSection(const CString& section) { m_Section = section; }
  void SetKey(const CString& key) { m_Key = key; }
  void SetValue(const CString& value) { m_Value = value; }
  const CString& GetSection() const { return m_Section; }
  const CString& GetKey() const { return m_Key; }
  const CString& GetValue() const { return m_Value; }

 private:
  CString m_Section;
  CString m_Key;
  CString m_Value;
};

class CConfigFile {
 public:
  CConfigFile() = default;
  virtual ~CConfigFile();
  CConfigFile(const CConfigFile&) = delete;  // owns its entries
  CConfigFile& operator=(const CConfigFile&) = delete;

  // Appends the entries of the file at the device path `path` (the list is not emptied first).
  // 1 on success; -1 when the file cannot be opened or closed (a box tells the user).
  int ReadFile(LPCTSTR path);
  // Value of the first entry whose section and key match (case-blind), trimmed; empty if none.
  CString GetValue(LPCTSTR section, LPCTSTR key) const;
  BOOL IsExistValue(LPCTSTR section, LPCTSTR key) const;

  // The entries in file order (CConfigInfo pointers owned by this object).
  const CObArray& GetConfigList() const { return m_List; }

 private:
  const CConfigInfo* Find(LPCTSTR section, LPCTSTR key) const;
  CObArray m_List;
};

// Where every program finds the configuration file.
#define VX_CONFIG_FILE_PATH (u"\\Program Files\\Quorvan\\Bin\\Pelvato.conf")
