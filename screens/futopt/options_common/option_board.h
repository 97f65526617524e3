// The options boards' dialog (ZR5100, ZR5154, ZR5155): a call/put combo and a month or strike
// combo filled from the options code file, the screen's request of the current choice (month or
// strike, call/put code 2 or 3) and the grid filled from its reply.
#pragma once

#include <string>
#include <vector>

#include "option_codes.h"
#include "option_rows.h"
#include "vxskeleton/futopt_screen.h"

namespace vxfo {

enum class Choice { Month, Strike };

struct BoardSetup {
  uint16_t request;  // 5100, 5154 or 5155
  Choice choice;
  vxskel::ControlId callPutCombo, choiceCombo;
  const WCHAR* call;  // the call/put entries
  const WCHAR* put;
  RowOrder order;     // list rows (5100, 5154)
  int grid;           // index of the grid the reply fills (its setup or the screen's own)
  bool waitOnChoice;  // a new month or strike starts the wait cursor
};

class COptionBoardDlg : public vxskel::CFutOptScreenDlg {
 public:
  COptionBoardDlg(const vxskel::ScreenConfig& config, const vxskel::FutOptSetup& fo, const BoardSetup& board)
      : CFutOptScreenDlg(config, fo), m_board(board) {}

  void OnInitScreen() override;
  void RequestScreen() override { SendChoice(); }
  void OnFutOptReply(uint16_t code, const unsigned char* body, int len) override;
  BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;

  int CallPut() const { return m_callPut; }

 protected:
  // Sends the screen's request of the current choice.
  BOOL SendChoice();
  // The grid a reply of the screen's request fills.
  virtual V_Grid* ListGrid() { return Grid(static_cast<size_t>(m_board.grid)); }

  const BoardSetup& m_board;
  int m_callPut = 2;
  std::vector<std::string> m_choices;  // months (6 characters) or strike texts ("72.50")
  std::string m_current;
};

}  // namespace vxfo
