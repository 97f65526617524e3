// Registry key wrapper: the settings of the programs and the values screens hand to each other.
// One object holds one open key at a time.
#pragma once

#include "plat/afx.h"
#include "vxbase/unicode.h"

class CPropCE : public CUnicode {
 public:
  // Characters of the value buffer that GetValue fills (terminator included).
  static constexpr int kValueChars = 1001;
  // Bytes of every string value SetValue writes: the text, its terminator and padding.
  static constexpr DWORD kStringBytes = 1001;
  // Longest text SetValue stores whole: the text and its terminator must fit in kStringBytes.
  static constexpr int kMaxStoredChars = static_cast<int>(kStringBytes / sizeof(WCHAR)) - 1;

  CPropCE() = default;
  ~CPropCE() override;
  CPropCE(const CPropCE&) = delete;  // owns its key handle
  CPropCE& operator=(const CPropCE&) = delete;

  // Opens `subKey` under `root` (openOnly: only an existing key; else created when missing,
  // class "Screw", all access). The key held before is closed first, also when this fails.
  BOOL SetBaseKey(HKEY root, LPCTSTR subKey, BOOL openOnly = FALSE);
  BOOL Close();
  BOOL IsOpen() const { return m_hKey != nullptr; }

  // String value; empty when missing, not a string or unreadable. Valid until the next call.
  LPCTSTR GetValue(LPCTSTR name);
  // 32-bit value; -1 when missing (which a stored -1 also gives).
  long GetLongValue(LPCTSTR name);
  // TRUE when the value exists and fits in kValueChars characters.
  BOOL IsExistValue(LPCTSTR name);

  BOOL SetValue(LPCTSTR name, DWORD value);
  BOOL SetValue(LPCTSTR name, int value) { return SetValue(name, static_cast<DWORD>(value)); }
  BOOL SetValue(LPCTSTR name, long value) { return SetValue(name, static_cast<DWORD>(value)); }
  // Writes kStringBytes bytes: at most kMaxStoredChars characters of the text, its terminator and
  // zero padding. A longer text is cut (never inside a surrogate pair).
  BOOL SetValue(LPCTSTR name, LPCTSTR text);

  BOOL DeleteValue(LPCTSTR name);
  // Deletes the subkey with everything below it.
  BOOL DeleteKey(LPCTSTR subKey);

  // Name of the subkey at `index`; FALSE past the end.
  BOOL EnumKey(int index, CString& name);
  // Name and string data of the value at `index` (either output may be null; a value that is
  // not a string gives empty data); FALSE past the end.
  BOOL EnumStringValue(int index, CString* name, CString* data);
  // Name and 32-bit data of the value at `index` (-1 for a value that is not 32-bit).
  BOOL EnumLongValue(int index, CString* name, long* value);

 private:
  HKEY m_hKey = nullptr;
  WCHAR m_szValue[kValueChars] = {};
};

// Registry keys of the system.
#define VX_REG_ROOT (u"Software\\Quorvan")
#define VX_REG_STOCK (u"Software\\Quorvan\\Zelvix")
#define VX_REG_FUTOPT (u"Software\\Quorvan\\FutOpt")
