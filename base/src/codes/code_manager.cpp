#include "vxbase/code_manager.h"

#include <cstdio>
#include <string>

#include "vxbase/config_file.h"
#include "vxbase/text_log.h"

namespace {

// A line must hold the code field (characters 0-5), a separator and the class (character 7).
constexpr int kShortestLine = 8;

// Reads one whole line, however long, without its line end. False at the end of the file. Byte
// by byte, so that a zero byte in a line neither hides its end nor joins it to the next line.
bool ReadWholeLine(FILE* file, std::string& line) {
  line.clear();
  bool any = false;
  int c;
  while ((c = std::getc(file)) != EOF) {
    any = true;
    line += static_cast<char>(c);
    if (c == '\n') break;
  }
  if (!any) return false;
  std::string clean;
  clean.reserve(line.size());
  for (char c : line)
    if (c != '\r' && c != '\n') clean += c;
  line.swap(clean);
  return true;
}

enum class LoadResult { NoConfig, NoFile, Loaded };

template <class Record>
LoadResult LoadList(CObArray& list, const WCHAR* fileKey, const char* missingLine) {
  CConfigFile config;
  if (config.ReadFile(VX_CONFIG_FILE_PATH) != 1) return LoadResult::NoConfig;
  CString path = config.GetValue(u"CODE INFO", u"CODE BASE") + u"\\" + config.GetValue(u"CODE INFO", fileKey);
  FILE* file = _wfopen(path, u"rt");
  if (!file) {
    AWLOG(VX_CODE_LOG_PATH, "%s", missingLine);
    return LoadResult::NoFile;
  }
  if (list.IsEmpty()) {  // a list is loaded once per manager
    std::string bytes;
    while (ReadWholeLine(file, bytes)) {
      CString line = CString::FromMultiByte(bytes.c_str(), static_cast<int>(bytes.size()));
      if (line.GetLength() < kShortestLine) continue;
      CString name = line.Mid(line.ReverseFind(u'|') + 1);
      auto* record = new Record;
      record->SetItemCode(line.Mid(1, 5));
      record->SetMarketClass(line.Mid(7, 1));
      record->SetItemName(name);
      record->SetGroup(CCodeManager::which_char(name.Left(1).ToMultiByte().c_str()));
      list.Add(record);
    }
  }
  std::fclose(file);
  return LoadResult::Loaded;
}

BOOL Contains(const CObArray& list, LPCTSTR code) {
  if (!code) return FALSE;
  for (INT_PTR i = 0; i < list.GetSize(); ++i)
    if (static_cast<const CItemCodeRecord*>(list[i])->GetItemCode() == code) return TRUE;
  return FALSE;
}

void DeleteAll(CObArray& list) {
  for (INT_PTR i = list.GetSize() - 1; i >= 0; --i) delete list[i];
  list.RemoveAll();
}

}  // namespace

CCodeManager::~CCodeManager() {
  DeleteAll(m_StockList);
  DeleteAll(m_ECNList);
}

void CCodeManager::ReadStockCode() {
  LoadList<CStockCode>(m_StockList, u"STOCK CODE", "FILE OPEN pStockFile is NULL\n");
}

int CCodeManager::ReadECNCode() {
  if (LoadList<CECNCode>(m_ECNList, u"ECN CODE", "BBB FILE OPEN pECNFile is NULL\n") == LoadResult::NoConfig) return 0;
  return static_cast<int>(m_ECNList.GetSize());
}

BOOL CCodeManager::IsExistStockCode(LPCTSTR code) const { return Contains(m_StockList, code); }
BOOL CCodeManager::IsExistECNCode(LPCTSTR code) const { return Contains(m_ECNList, code); }

int CCodeManager::which_char(const char* text) {
  if (!text) return -1;
  const auto first = static_cast<unsigned char>(text[0]);
  if (first >= '0' && first <= '9') return 1;
  if ((first >= 'A' && first <= 'Z') || (first >= 'a' && first <= 'z')) return 2;
  // The syllables that open the groups "가" ... "하", as code page 949 bytes.
  static const unsigned kBoundaries[14] = {0xB0A1, 0xB3AA, 0xB4D9, 0xB6F3, 0xB8B6, 0xB9D9, 0xBBE7,
                                           0xBEC6, 0xC0DA, 0xC2F7, 0xC4AB, 0xC5B8, 0xC6C4, 0xC7CF};
  const unsigned second = first ? static_cast<unsigned char>(text[1]) : 0u;
  const unsigned character = (static_cast<unsigned>(first) << 8) | second;
  int count = 0;
  for (unsigned boundary : kBoundaries)
    if (boundary <= character) ++count;
  return count == 0 ? -2 : 10 + count;
}

void FillItemList(CListCtrl* list, const CObArray& records, const CString& marketClass, int group) {
  if (!list) return;
  list->SetRedraw(FALSE);
  list->DeleteAllItems();
  // From the last record to the first, each inserted at the top: the list keeps the file's order.
  for (INT_PTR i = records.GetSize() - 1; i >= 0; --i) {
    auto* rec = static_cast<const CItemCodeRecord*>(records.GetAt(i));
    if (!rec || rec->GetMarketClass() != marketClass || rec->GetGroup() != group) continue;
    list->InsertItem(0, rec->GetItemCode());
    list->SetItemText(0, 1, rec->GetItemName());
  }
  list->SetRedraw(TRUE);
}
