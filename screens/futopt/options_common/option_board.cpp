#include "option_board.h"

#include "vxskeleton/tr_layouts.h"
#include "vxskeleton/wire.h"

namespace vxfo {

namespace {
namespace fo = vxtr::futopt;

CString Wide(const std::string& ascii) {
  CString s;
  for (char c : ascii) s += static_cast<WCHAR>(static_cast<unsigned char>(c));
  return s;
}
}  // namespace

void COptionBoardDlg::OnInitScreen() {
  CFutOptScreenDlg::OnInitScreen();
  if (auto* cp = static_cast<CComboBox*>(GetDlgItem(m_board.callPutCombo))) {
    cp->ResetContent();
    cp->AddString(m_board.call);
    cp->AddString(m_board.put);
    cp->SetCurSel(0);
  }
  const finders::OptionsList list = ReadOptionsCodeFile();
  m_choices.clear();
  if (m_board.choice == Choice::Month) {
    m_choices = BoardMonths(list);
  } else {
    for (int64_t v : StrikeSteps(list)) m_choices.push_back(StrikeText(v));
  }
  auto* combo = static_cast<CComboBox*>(GetDlgItem(m_board.choiceCombo));
  if (combo) combo->ResetContent();
  for (const std::string& c : m_choices)
    if (combo) combo->AddString(Wide(m_board.choice == Choice::Month ? MonthShown(c) : c));
  m_current = m_choices.empty() ? std::string() : m_choices.front();
  if (combo && !m_choices.empty()) combo->SetCurSel(0);
}

BOOL COptionBoardDlg::SendChoice() {
  unsigned char packet[TR_HEADER_SIZE + fo::kListRequestSize];
  vxwire::Writer w(packet + TR_HEADER_SIZE, fo::kListRequestSize);
  if (m_board.choice == Choice::Month)
    w.Text(fo::kMonth, m_current);
  else
    w.Text(fo::kStrike, m_current);
  w.Byte(fo::kCallPut, static_cast<uint8_t>(m_callPut));
  if (!w.Ok()) return FALSE;
  return SendPacket(packet, vxskel::MakeHeaderPacket(packet, m_board.request, fo::kListRequestSize));
}

void COptionBoardDlg::OnFutOptReply(uint16_t code, const unsigned char* body, int len) {
  if (code != m_board.request) return;
  if (m_board.choice == Choice::Strike) {
    FillStrikeBoard(ListGrid(), body, len, GridFont());
    return;
  }
  // The list says which side it holds: the next request asks for that side.
  vxwire::Reader r(body, len);
  const uint8_t side = r.Byte(fo::kReplyCallPut);
  if (side == 2 || side == 3) m_callPut = side;
  FillOptionRows(ListGrid(), body, len, fo::kMonthRowsAt, m_board.order);
}

BOOL COptionBoardDlg::OnCommand(WPARAM wParam, LPARAM lParam) {
  const int id = static_cast<int>(LOWORD(wParam));
  if (HIWORD(wParam) == CBN_SELCHANGE && (id == m_board.callPutCombo || id == m_board.choiceCombo)) {
    auto* combo = static_cast<CComboBox*>(GetDlgItem(id));
    const int sel = combo ? combo->GetCurSel() : -1;
    if (sel < 0) return TRUE;
    if (id == m_board.callPutCombo) {
      m_callPut = sel + 2;
      StartWaitCursor();
    } else {
      if (sel >= static_cast<int>(m_choices.size())) return TRUE;
      m_current = m_choices[static_cast<size_t>(sel)];
      if (m_board.waitOnChoice) StartWaitCursor();
    }
    SendChoice();
    return TRUE;
  }
  return CFutOptScreenDlg::OnCommand(wParam, lParam);
}

}  // namespace vxfo
