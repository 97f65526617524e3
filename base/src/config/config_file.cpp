#include "vxbase/config_file.h"

#include <cerrno>

#include "text_lines.h"

namespace {

bool SameName(const CString& a, const CString& b) {
  CString x(a), y(b);
  x.MakeUpper();
  y.MakeUpper();
  return x == y;
}

void ShowError(const WCHAR* text) { ::MessageBox(0, text, u"", MB_OK); }

}  // namespace

CConfigFile::~CConfigFile() {
  for (INT_PTR i = m_List.GetSize() - 1; i >= 0; --i) delete m_List[i];
  m_List.RemoveAll();
}

int CConfigFile::ReadFile(LPCTSTR path) {
  FILE* file = path ? _wfopen(path, u"rt") : nullptr;
  if (!file) {
    ShowError(u"Error : Config File Open");
    return -1;
  }
  CString section;
  CString line;
  while (vxbase::config::ReadCleanLine(file, line)) {
    if (line.IsEmpty() || line.Find(u"/*") >= 0) continue;
    auto* info = new CConfigInfo;
    int open = line.Find(u'[');
    if (open >= 0) {
      int close = line.Find(u']', open + 1);
      section = close >= 0 ? line.Mid(open + 1, close - open - 1) : CString();
      section.Trim();
      info->SetSection(section);
    } else {
      info->SetSection(section);
      int eq = line.Find(u'=');
      CString key = eq >= 0 ? line.Left(eq) : CString();
      CString value = eq >= 0 ? line.Mid(eq + 1) : line;
      info->SetKey(key.Trim());
      info->SetValue(value.Trim());
    }
    m_List.Add(info);
  }
  if (std::fclose(file) != 0) {
    ShowError(u"Error : Config File Close");
    return -1;
  }
  return 1;
}

const CConfigInfo* CConfigFile::Find(LPCTSTR section, LPCTSTR key) const {
  CString s(section), k(key);
  for (INT_PTR i = 0; i < m_List.GetSize(); ++i) {
    const auto* info = static_cast<const CConfigInfo*>(m_List[i]);
    if (SameName(info->GetSection(), s) && SameName(info->GetKey(), k)) return info;
  }
  return nullptr;
}

CString CConfigFile::GetValue(LPCTSTR section, LPCTSTR key) const {
  const CConfigInfo* info = Find(section, key);
  if (!info) return CString();
  CString value = info->GetValue();
  value.Trim();
  return value;
}

BOOL CConfigFile::IsExistValue(LPCTSTR section, LPCTSTR key) const { return Find(section, key) != nullptr; }
