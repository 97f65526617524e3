// The futures/options account inquiries: orders and fills ZR5304 (5304), positions ZR5401 (5401)
// and deposit and margin ZR5400 (5400). Each has the account combo and a password, sends one
// enciphered request from its "확인"/"조회" button 9813 (the list screens also from "다음" 9701 and
// "처음" 9822) and fills one grid from the reply.
#pragma once

#include <array>
#include <memory>

#include "futopt_checks.h"
#include "vxskeleton/futopt_screen.h"

namespace vxfo {

enum class AccountKind { Orders, Positions, Deposit };

constexpr int kSend = 9813;             // "확인" / "조회"
constexpr int kNext = 9701;             // "다음"
constexpr int kFirst = 9822;            // "처음"
constexpr int kDate = 1008;             // 5304: trade date combo
constexpr int kFilter = 1009;           // 5304: fill filter combo
constexpr int kDepositPassword = 1002;  // 5400's password edit
constexpr int kSellScreen = 9820;       // 5401 "매도"
constexpr int kBuyScreen = 9821;        // 5401 "매수"

struct AccountScreen {
  AccountKind kind;
  const WCHAR* moduleName;
  const WCHAR* title;
  vxskel::GridSetup grid;
};

// The template items of each screen's own controls (the grid is made when the dialog starts).
template <size_t N>
constexpr auto AccountScreenItems(const std::array<plat::DialogItemTemplate, N>& own) {
  return vxskel::Join(vxskel::Join(vxskel::FutOptTopItems(), own), vxskel::KeypadItems());
}

vxskel::ScreenConfig MakeAccountConfig(const AccountScreen& s);
vxskel::FutOptSetup MakeAccountSetup();

class CAccountDlg : public vxskel::CFutOptScreenDlg {
 public:
  CAccountDlg(const AccountScreen& screen, const vxskel::ScreenConfig& config, const vxskel::FutOptSetup& setup);
  ~CAccountDlg() override;

  void OnInitScreen() override;
  void OnFutOptReply(uint16_t code, const unsigned char* body, int len) override;
  BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;
  BOOL DestroyWindow() override;

 protected:
  uint16_t Code() const;
  // Sends the request of page `m_page`.
  void SendRequest();
  void Restart();  // page 0 ("확인", "조회", "처음")
  void ShowOrders(const vxwire::Reader& reply);
  void ShowPositions(const vxwire::Reader& reply);
  void ShowDeposit(const vxwire::Reader& reply);
  void DepositRows();
  HFONT LabelFont() { return static_cast<HFONT>(m_fontNormal.GetSafeHandle()); }

  const AccountScreen& m_screen;
  std::unique_ptr<V_Grid> m_grid;
  uint8_t m_page = 0;
  char m_more = 0;               // the last reply's next-page flag
  unsigned char m_key[12] = {};  // 5304: the continuation key of the last reply
  uint8_t m_date = 0;
  char m_filter = '0';
};

}  // namespace vxfo
