#include "vxbase/menu_config.h"

#include <cerrno>
#include <limits>

#include "text_lines.h"

namespace {

// The leading decimal digits of a field (after its blanks); 0 when it has none. A number too
// large for 32 bits is held at the largest value rather than wrapped onto another screen's id.
UINT LeadingNumber(CString text) {
  text.Trim();
  uint64_t value = 0;
  for (int i = 0; i < text.GetLength(); ++i) {
    WCHAR c = text[i];
    if (c < u'0' || c > u'9') break;
    value = value * 10 + static_cast<uint64_t>(c - u'0');
    if (value > std::numeric_limits<UINT>::max()) return std::numeric_limits<UINT>::max();
  }
  return static_cast<UINT>(value);
}

}  // namespace

CMenuConfigFile::~CMenuConfigFile() { clear(); }

void CMenuConfigFile::clear() {
  for (INT_PTR i = m_List.GetSize() - 1; i >= 0; --i) delete m_List[i];
  m_List.RemoveAll();
}

UINT CMenuConfigFile::ConvertResourceId(UINT id) {
  switch (id) {
    case 1010: return 8103;
    case 1020: return 8104;
    case 1030: return 8105;
    case 1040: return 8108;
    case 1050: return 8112;
    case 1060: return 8107;
    case 1070: return 8203;
    case 1080: return 8204;
    case 1090: return 8205;
    case 1100: return 8206;
    case 1110: return 8208;
    case 1120: return 8207;
    default: return id;
  }
}

int CMenuConfigFile::ReadFile(LPCTSTR path) {
  if (!m_List.IsEmpty()) return 1;
  errno = 0;
  FILE* file = path ? _wfopen(path, u"rt") : nullptr;
  if (!file) {
    // The platform's own error number for this path (file or folder missing, path refused).
    int error = path ? errno : EINVAL;
    HANDLE probe = path ? ::CreateFile(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr)
                        : INVALID_HANDLE_VALUE;
    if (probe != INVALID_HANDLE_VALUE) {
      ::CloseHandle(probe);
      ::SetLastError(vxbase::config::ErrorFromErrno(error));
    } else if (!path) {
      ::SetLastError(ERROR_INVALID_PARAMETER);
    }
    CString text;
    text.Format(u"Error : Config File Open [%lu]", static_cast<unsigned long>(::GetLastError()));
    AfxMessageBox(text, MB_OK);
    return -1;
  }
  CString line;
  while (vxbase::config::ReadCleanLine(file, line)) {
    if (line.IsEmpty() || line.Find(u'#') >= 0) continue;
    auto* info = new CMenuConfigInfo;
    int p1 = line.Find(u':');
    if (p1 < 0) {
      info->SetFileName(line);  // no field marks at all: the whole line names the file
    } else {
      int p2 = line.Find(u':', p1 + 1);
      int p3 = p2 >= 0 ? line.Find(u':', p2 + 1) : -1;
      info->SetMainMenuId(ConvertResourceId(LeadingNumber(line.Left(p1))));
      CString name = p2 >= 0 ? line.Mid(p1 + 1, p2 - p1 - 1) : line.Mid(p1 + 1);
      info->SetScreenName(name.Trim());
      if (p2 >= 0) {
        CString id = p3 >= 0 ? line.Mid(p2 + 1, p3 - p2 - 1) : line.Mid(p2 + 1);
        info->SetScreenId(ConvertResourceId(LeadingNumber(id)));
      }
      if (p3 >= 0) {
        CString fileName = line.Mid(p3 + 1);
        info->SetFileName(fileName.Trim());
      }
    }
    m_List.Add(info);
  }
  if (std::fclose(file) != 0) {
    AfxMessageBox(u"Error : Config File Close", MB_OK);
    return -1;
  }
  return 1;
}

BOOL CMenuConfigFile::IsMenu(UINT id) const {
  for (INT_PTR i = 0; i < m_List.GetSize(); ++i) {
    const auto* info = static_cast<const CMenuConfigInfo*>(m_List[i]);
    if (info->GetMainMenuId() == id) return FALSE;
    if (info->GetScreenId() == id && info->GetScreenId() != info->GetMainMenuId()) return TRUE;
  }
  return FALSE;
}

BOOL CMenuConfigFile::GetFileNameFromId(UINT id, CString& fileName) const {
  for (INT_PTR i = 0; i < m_List.GetSize(); ++i) {
    const auto* info = static_cast<const CMenuConfigInfo*>(m_List[i]);
    if (info->GetScreenId() == id) {
      fileName = info->GetFileName();
      return TRUE;
    }
  }
  return FALSE;
}

CString CMenuConfigFile::GetScreenNameFromId(UINT id) const {
  for (INT_PTR i = 0; i < m_List.GetSize(); ++i) {
    const auto* info = static_cast<const CMenuConfigInfo*>(m_List[i]);
    if (info->GetScreenId() == id) return info->GetScreenName();
  }
  return CString();
}
