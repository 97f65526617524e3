#include "vxbase/prop_ce.h"

#include <algorithm>
#include <cstring>
#include <vector>

CPropCE::~CPropCE() { Close(); }

BOOL CPropCE::SetBaseKey(HKEY root, LPCTSTR subKey, BOOL openOnly) {
  // Never keep working on the key held before: a failed open must not leave later reads and
  // writes landing in another key.
  Close();
  HKEY key = nullptr;
  LONG result;
  if (openOnly) {
    result = ::RegOpenKeyEx(root, subKey, 0, KEY_ALL_ACCESS, &key);
  } else {
    WCHAR className[] = u"Screw";
    DWORD disposition = 0;
    result = ::RegCreateKeyEx(root, subKey, 0, className, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr, &key,
                              &disposition);
  }
  if (result != ERROR_SUCCESS) return FALSE;
  m_hKey = key;
  return TRUE;
}

BOOL CPropCE::Close() {
  if (!m_hKey) return FALSE;
  ::RegCloseKey(m_hKey);
  m_hKey = nullptr;
  return TRUE;
}

LPCTSTR CPropCE::GetValue(LPCTSTR name) {
  m_szValue[0] = 0;
  if (!m_hKey) return m_szValue;
  DWORD type = REG_NONE;
  DWORD size = sizeof m_szValue - sizeof(WCHAR);  // the last character stays for the terminator
  LONG result = ::RegQueryValueEx(m_hKey, name, nullptr, &type, reinterpret_cast<LPBYTE>(m_szValue), &size);
  if (result != ERROR_SUCCESS || (type != REG_SZ && type != REG_EXPAND_SZ)) {
    m_szValue[0] = 0;
    return m_szValue;
  }
  size_t chars = std::min<size_t>(size / sizeof(WCHAR), kValueChars - 1);
  m_szValue[chars] = 0;
  return m_szValue;
}

long CPropCE::GetLongValue(LPCTSTR name) {
  if (!m_hKey) return -1;
  DWORD type = REG_NONE, value = 0, size = sizeof value;
  LONG result = ::RegQueryValueEx(m_hKey, name, nullptr, &type, reinterpret_cast<LPBYTE>(&value), &size);
  if (result != ERROR_SUCCESS || size != sizeof value) return -1;
  return static_cast<long>(static_cast<int32_t>(value));
}

BOOL CPropCE::IsExistValue(LPCTSTR name) {
  if (!m_hKey) return FALSE;
  BYTE data[kStringBytes];
  DWORD type = REG_NONE, size = sizeof data;
  return ::RegQueryValueEx(m_hKey, name, nullptr, &type, data, &size) == ERROR_SUCCESS;
}

BOOL CPropCE::SetValue(LPCTSTR name, DWORD value) {
  if (!m_hKey) return FALSE;
  return ::RegSetValueEx(m_hKey, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value) ==
         ERROR_SUCCESS;
}

BOOL CPropCE::SetValue(LPCTSTR name, LPCTSTR text) {
  if (!m_hKey) return FALSE;
  WCHAR data[kStringBytes / sizeof(WCHAR) + 1] = {};  // zero padding; one spare character
  int n = 0;
  if (text) {
    while (n < kMaxStoredChars && text[n]) ++n;
    if (n > 0 && text[n] && text[n - 1] >= 0xD800 && text[n - 1] <= 0xDBFF) --n;  // whole pairs only
    std::copy_n(text, n, data);
  }
  return ::RegSetValueEx(m_hKey, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(data), kStringBytes) == ERROR_SUCCESS;
}

BOOL CPropCE::DeleteValue(LPCTSTR name) {
  if (!m_hKey) return FALSE;
  return ::RegDeleteValue(m_hKey, name) == ERROR_SUCCESS;
}

BOOL CPropCE::DeleteKey(LPCTSTR subKey) {
  if (!m_hKey) return FALSE;
  return ::RegDeleteKey(m_hKey, subKey) == ERROR_SUCCESS;
}

BOOL CPropCE::EnumKey(int index, CString& name) {
  if (!m_hKey || index < 0) return FALSE;
  WCHAR buffer[kValueChars] = {};
  DWORD length = kValueChars;
  if (::RegEnumKeyEx(m_hKey, static_cast<DWORD>(index), buffer, &length, nullptr, nullptr, nullptr, nullptr) !=
      ERROR_SUCCESS)
    return FALSE;
  name = CString(buffer, static_cast<int>(std::min<DWORD>(length, kValueChars - 1)));
  return TRUE;
}

namespace {

// Name, type and data of the value at `index`, with buffers as large as the value needs.
bool EnumValue(HKEY key, int index, std::u16string& name, DWORD& type, std::vector<BYTE>& data) {
  if (!key || index < 0) return false;
  DWORD maxName = 0, maxData = 0;
  if (::RegQueryInfoKey(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &maxName, &maxData, nullptr,
                        nullptr) != ERROR_SUCCESS)
    return false;
  std::vector<WCHAR> nameBuffer(maxName + 1, 0);
  data.assign(maxData + sizeof(WCHAR), 0);
  DWORD nameLength = static_cast<DWORD>(nameBuffer.size());
  DWORD dataSize = maxData;
  if (::RegEnumValue(key, static_cast<DWORD>(index), nameBuffer.data(), &nameLength, nullptr, &type, data.data(),
                     &dataSize) != ERROR_SUCCESS)
    return false;
  name.assign(nameBuffer.data(), std::min<size_t>(nameLength, maxName));
  data.resize(std::min<size_t>(dataSize, maxData));
  return true;
}

}  // namespace

BOOL CPropCE::EnumStringValue(int index, CString* name, CString* data) {
  std::u16string valueName;
  std::vector<BYTE> bytes;
  DWORD type = REG_NONE;
  if (!EnumValue(m_hKey, index, valueName, type, bytes)) return FALSE;
  if (name) *name = CString(valueName);
  if (data) {
    std::u16string text;
    if (type == REG_SZ || type == REG_EXPAND_SZ) {
      text.resize(bytes.size() / sizeof(WCHAR));
      std::memcpy(text.data(), bytes.data(), text.size() * sizeof(WCHAR));
      size_t end = text.find(u'\0');
      if (end != std::u16string::npos) text.resize(end);
    }
    *data = CString(text);
  }
  return TRUE;
}

BOOL CPropCE::EnumLongValue(int index, CString* name, long* value) {
  std::u16string valueName;
  std::vector<BYTE> bytes;
  DWORD type = REG_NONE;
  if (!EnumValue(m_hKey, index, valueName, type, bytes)) return FALSE;
  if (name) *name = CString(valueName);
  if (value) {
    DWORD v = 0;
    if (type == REG_DWORD && bytes.size() == sizeof v) {
      std::memcpy(&v, bytes.data(), sizeof v);
      *value = static_cast<long>(static_cast<int32_t>(v));
    } else {
      *value = -1;
    }
  }
  return TRUE;
}
