// What the three balance screens share: the account and password at the head of every balance
// request, the reply records of 4402, 4401 and 4450 read with their lengths checked, the texts
// of amounts, profits and returns, and the dialog base that builds, sends and checks them.
//
// Compiled into each balance plug-in (ZR4410, ZR4400, ZR4460), so each keeps its own copy.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "vxskeleton/screen_skeleton.h"
#include "vxskeleton/tr_layouts.h"
#include "vxskeleton/wire.h"
// The messages header and the grid header spell the grid's message differently (same value).
#undef WM_VGRID_NOTIFY
#include "glimmet/v_grid.h"

namespace balance {

// Transactions.
constexpr uint16_t kTrOrderAvailable = 4402;
constexpr uint16_t kTrEvaluation = 4401;
constexpr uint16_t kTrSellable = 4450;

// Controls the three screens share.
constexpr int kPassword = 1007;
constexpr int kBtnSend = 9813;   // "전송"
constexpr int kBtnNext = 9701;   // "다음"
constexpr int kBtnFirst = 9822;  // "처음" / "맨처음"

// ACCOUNT_AUTH: 10 account digits, then the password in code page 949, zero-padded to 8 bytes.
constexpr int kAuthSize = vxtr::kAuthSize;
constexpr int kPasswordBytes = vxtr::kPassword.width;

// Writes the 18 bytes from the account as shown ("12345678 - 01") and the password text.
// False (and `out` zeroed) when the shown text does not hold 10 digits.
bool PutAccountAuth(unsigned char* out, const CString& shownAccount, const CString& password);

// ---- Texts ------------------------------------------------------------------------------------

// A sign byte that marks a negative value ('4' or '-').
bool IsNegativeSign(unsigned char sign);
// "1,234,567" for a 6-byte wire number, one leading '-' when negative.
std::string AmountText(const unsigned char* value6);
// The profit or loss of 6 bytes under its sign byte: computed in 64 bits, one '-' when the sign
// or the value says negative, thousands separators.
std::string ProfitText(unsigned char sign, const unsigned char* value6);
// The return in percent from two big-endian signed 16-bit numbers (whole part, hundredths):
// "12.05%", "-1.05%"; a negative part anywhere makes the whole rate negative, never "1.-5%".
std::string RateText(unsigned char sign, const unsigned char* rate4);
// A fixed text field of code page 949 (vxwire::FieldText).
using vxwire::FieldText;

// ---- Replies ----------------------------------------------------------------------------------

// 4402: the eight rows of the order-available grid, in their order on the screen.
constexpr int kAvailableRows = 8;
constexpr int k4402Size = vxtr::available::kReplySize;
struct AvailableRow {
  const WCHAR* label;
  int offset;  // of its 6-byte value
};
extern const AvailableRow kAvailable[kAvailableRows];

// 4401: continuation key of 131 bytes, next flag, rows of 85 bytes.
constexpr int k4401KeySize = vxtr::evaluation::kKey.width;
constexpr int k4401RowsAt = vxtr::evaluation::kRecordsAt;
constexpr int k4401RowSize = vxtr::evaluation::kRecordSize;
constexpr int k4401RequestSize = vxtr::evaluation::kRequestSize;
constexpr int k4401RowsPerPage = 7;
// 4450: continuation key of 22 bytes, page, next flag, rows of 50 bytes.
constexpr int k4450KeySize = vxtr::sellable::kKey.width;
constexpr int k4450RowsAt = vxtr::sellable::kRecordsAt;
constexpr int k4450RowSize = vxtr::sellable::kRecordSize;
constexpr int k4450RequestSize = vxtr::sellable::kRequestSize;
constexpr int k4450RowsPerPage = 8;

struct Page {
  const unsigned char* key = nullptr;
  int page = 0;  // 4450 only
  char next = 'N';
  int rows = 0;  // limited to what the reply holds
  const unsigned char* first = nullptr;
};
// False when the reply is shorter than its fixed part.
bool Read4401(const unsigned char* body, int len, Page& out);
bool Read4450(const unsigned char* body, int len, Page& out);
// True when a page read is what its layout says: next flag 'Y' or 'N', a row count that is not
// negative, and in every row text where text belongs (and, in 4450, the item code's digits).
bool Sound4401(const unsigned char* body, const Page& page);
bool Sound4450(const unsigned char* body, const Page& page);

// The cells of one holding row, code page 949, in the grid's column order.
constexpr int k4401Columns = 9;
void Row4401Texts(const unsigned char* row, std::string (&cells)[k4401Columns]);
constexpr int k4450Columns = 4;
void Row4450Texts(const unsigned char* row, std::string (&cells)[k4450Columns]);

// ---- Dialog base ------------------------------------------------------------------------------

struct GridLayout {
  int id;
  int headerHeight;
  const WCHAR* const* titles;  // null: no titles
  int columns;
  const int* widths;
  int rowHeight;
  int initialRows;
  int fixedFirst;
  int x, y, width, height;
  int selectMode;  // VGRID_SELECT_ROW, VGRID_SELECT_CELL
};

class CBalanceDlg : public vxskel::CVXScreenDlg {
 public:
  explicit CBalanceDlg(const vxskel::ScreenConfig& config) : CVXScreenDlg(config) {}
  ~CBalanceDlg() override;

 protected:
  // Creates the screen's grid.
  void CreateGrid(const GridLayout& layout);
  // Writes ACCOUNT_AUTH into `body` from the account combo and the password edit. With
  // `checkPassword`, a password under 4 characters shows "비밀번호를 확인하세요" and nothing
  // is to be sent. An account that is not 10 digits is refused the same way.
  bool ReadAuth(unsigned char* body, bool checkPassword);
  // Enciphers and sends the request, then wipes the body (it holds the password). Its reply
  // is shown only while the account it was sent for is still chosen.
  BOOL SendRequest(uint16_t code, unsigned char* body, int len);
  // The account combo's 10 digits (empty when none).
  CString CurrentAccount();
  void EnableButton(UINT id, bool enable);
  void SetCell(int column, int row, const std::string& cp949);
  // Another account was chosen: the rows of the last one go, `emptyRows` empty rows stay.
  void ClearRows(int emptyRows);

  std::unique_ptr<V_Grid> m_grid;
  CFont m_gridFont;
};

// A balance screen of pages of holdings: "전송" (with the password checked) and "처음" ask for the
// first page, "다음" for the next; another account starts the paging over with `rowsPerPage`
// empty rows. The screen keeps its own page state and request.
class CPagedBalanceDlg : public CBalanceDlg {
 public:
  CPagedBalanceDlg(const vxskel::ScreenConfig& config, int accountCombo, int rowsPerPage)
      : CBalanceDlg(config), m_accountCombo(accountCombo), m_rowsPerPage(rowsPerPage) {}

  void OnQuery() override;
  BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;

 protected:
  // Back to the first page: no key, the screen's start state of the buttons.
  virtual void ResetPaging() = 0;
  // Sends the first page (`first`) or the next one.
  virtual void SendPage(bool first, bool checkPassword) = 0;
  // "다음": the next page when there is one.
  virtual void OnNextPage() = 0;

 private:
  int m_accountCombo;
  int m_rowsPerPage;
};

}  // namespace balance
