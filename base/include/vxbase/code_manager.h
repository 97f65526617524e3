// The stock and ECN item-code lists, loaded once per run from the code files that the
// configuration file names ("CODE BASE" + "\" + "STOCK CODE" / "ECN CODE" in "CODE INFO").
//
// A code file holds one item a line in code page 949: characters 0-5 the code field (the last
// five are the code users see), character 7 the market class, the name after the last '|'.
#pragma once

#include "plat/afx.h"

// Base of the item records.
class CQ7Object : public CObject {
 public:
  virtual CString getClassName() const { return CString(u"CQ7Object"); }
};

// Fields shared by the stock and the ECN records.
class CItemCodeRecord : public CQ7Object {
 public:
  void SetItemCode(const CString& code) { m_ItemCode = code; }
  void SetItemName(const CString& name) { m_ItemName = name; }
  void SetMarketClass(const CString& marketClass) { m_MarketClass = marketClass; }
  void SetGroup(int group) { m_Group = group; }
  const CString& GetItemCode() const { return m_ItemCode; }
  const CString& GetItemName() const { return m_ItemName; }
  const CString& GetMarketClass() const { return m_MarketClass; }
  // Initial-consonant group of the name (CCodeManager::which_char).
  int GetGroup() const { return m_Group; }

 private:
  CString m_ItemCode;  // 5 characters
  CString m_ItemName;
  CString m_MarketClass;  // 1 character
  int m_Group = 0;
};

class CStockCode : public CItemCodeRecord {
 public:
  CString getClassName() const override { return CString(u"CStockCode"); }
};

class CECNCode : public CItemCodeRecord {
 public:
  CString getClassName() const override { return CString(u"CECNCode"); }
};

class CCodeManager {
 public:
  CCodeManager() = default;
  ~CCodeManager();
  CCodeManager(const CCodeManager&) = delete;  // owns its records
  CCodeManager& operator=(const CCodeManager&) = delete;

  // Loads the stock list (only when it is still empty). A missing code file appends a line to
  // "\qzlo.log" and leaves the list empty.
  void ReadStockCode();
  // Loads the ECN list the same way. 0 when the configuration file cannot be read, else the
  // number of ECN records held afterwards.
  int ReadECNCode();

  // TRUE when a record has exactly this code (case-sensitive, whole text).
  BOOL IsExistStockCode(LPCTSTR code) const;
  BOOL IsExistECNCode(LPCTSTR code) const;

  // Initial-consonant group of the first character of a code page 949 text: -1 null text, 1 digit,
  // 2 Latin letter, -2 anything else below "가", 11-24 the groups "가" to "하" (doubled consonants
  // fall in the group of their plain one; everything from "하" up is 24).
  static int which_char(const char* text);

  CString getClassName() const { return CString(u"CCodeManager"); }

  // The records in file order (CStockCode / CECNCode pointers owned by this object).
  const CObArray& GetStockList() const { return m_StockList; }
  const CObArray& GetECNList() const { return m_ECNList; }

 private:
  CObArray m_StockList;
  CObArray m_ECNList;
};

// Fills a report list view with the records (CStockCode / CECNCode) of one market class whose
// names start with one initial-consonant group: code in column 0, name in column 1, in the list's
// own order. The list is emptied first.
void FillItemList(CListCtrl* list, const CObArray& records, const CString& marketClass, int group);

// Where the missing code files are reported.
#define VX_CODE_LOG_PATH "\\qzlo.log"
