// The futures and option detail screens (ZR5101, ZR5150): one dialog on the futures/options
// skeleton whose label/value grids show one reply of the screen's transaction (5101 futures, three
// grids; 5150 option with its sensitivities, two grids). The two screens differ only in their setup.
#pragma once

#include <cstddef>
#include <cstdint>

#include "vxskeleton/futopt_screen.h"

namespace vxfo {

enum class DetailKind { Futures, Option };

struct DetailSetup {
  // The item's kind and, for the futures screen, the grids that share the band between 조회 and
  // the keypad (the skeleton's split).
  vxskel::FutOptSetup fo;
  uint16_t request;  // 5101 or 5150
  DetailKind kind;
  // Grids that stand at their setups' own places (the option screen), made when the dialog starts.
  const vxskel::GridSetup* placed = nullptr;
  size_t placedCount = 0;
};

extern const DetailSetup kFuturesDetail;
extern const DetailSetup kOptionDetail;

class CFutOptDetailDlg : public vxskel::CFutOptScreenDlg {
 public:
  CFutOptDetailDlg(const vxskel::ScreenConfig& config, const DetailSetup& detail)
      : CFutOptScreenDlg(config, detail.fo), m_detail(detail) {}

  void OnInitScreen() override;
  void RequestScreen() override { SendItemRequest(m_detail.request); }
  void OnFutOptReply(uint16_t code, const unsigned char* body, int len) override;

 private:
  // Empties grid `index` and gives it `rows` rows; null without the grid.
  V_Grid* Reset(size_t index, int rows);
  // Row `row` of `grid`: the shaded label and its value in `fg`, centred or right-aligned.
  void Row(V_Grid* grid, int row, const WCHAR* label, const WCHAR* value, COLORREF fg = 0, bool centred = false);
  void FillFutures(const unsigned char* body, int len);
  void FillOption(const unsigned char* body, int len);
  // The option grids' rows with their labels and empty values, as the screen starts.
  void OptionLabels();

  const DetailSetup& m_detail;
};

}  // namespace vxfo
