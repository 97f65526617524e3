// What the paged list screens share: making and deleting their grid, the band it fills between two
// controls, label cells, the table of paging keys, change rates and the page buttons.
//
//   m_grid = vxskel::CreateGrid(this, font, {4150, 17, titles, 7, widths, 17, 9, true, true,
//                                            {1, 69, 238, 185}});
//   ...
//   vxskel::DeleteGrid(m_grid);                         // on WM_DESTROY, before the framework's
//
// A page key table holds the key received with each page, by page number; a page outside the
// table has no slot: its key is never stored and no request goes out for it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>

#include "plat/afx.h"
#include "vxskeleton/screen_skeleton.h"
// The messages header and the grid header spell the grid's message differently (same value).
#undef WM_VGRID_NOTIFY
#include "glimmet/v_grid.h"

namespace vxskel {

struct GridSetup {
  int id;
  int headerHeight;
  const WCHAR* const* titles;
  int columns;
  const int* widths;
  int rowHeight;
  int rows;         // empty rows added at creation
  bool fixedFirst;  // the first column stays when the grid scrolls sideways
  bool selectable;  // false: no selection highlight
  RECT at;          // left, top, width, height
};

// The grid of a list screen in message mode (WM_VGRID_NOTIFY to `dlg`), placed and visible; null
// when it cannot be made (the screen then runs without it and its fills do nothing).
std::unique_ptr<V_Grid> CreateGrid(CWnd* dlg, HFONT font, const GridSetup& setup);
// Deletes the grid while its parent window still exists.
void DeleteGrid(std::unique_ptr<V_Grid>& grid);
// The band between control `upper` and control `lower`: the dialog's client width less one pixel
// on each side, from 2 pixels below `upper` to 2 pixels above `lower` (left, top, width, height).
// False when either control is missing or the band is empty.
bool GridBand(CWnd* dlg, int upper, int lower, RECT& band);
// A centred cell in the label font.
void SetLabelCell(V_Grid_Cell* cell, const char* text, HFONT font);  // code page 949 text
void SetLabelCell(V_Grid_Cell* cell, const WCHAR* text, HFONT font);
// A change rate sent as two signed numbers (whole percent and hundredths, e.g. -1 and -50): one
// leading minus when either is negative, both parts as magnitudes ("-1.50%", "-0.50%").
void RateText(int whole, int hundredths, char* out, size_t size);
// A trade time (hours, minutes, seconds) in the label font, aligned by `align` (0 centred, 1 left):
// "09:00:01", or "장 종 료" for the closing trades, stamped 23:59 with seconds above 57.
void SetTimeCell(V_Grid_Cell* cell, const unsigned char* hms, HFONT font, int align);
// The background of label cells.
constexpr COLORREF kLabelBack = 0x8CDFFF;
// A label cell on the label background: centred, label font.
void SetShadedLabel(V_Grid* grid, int column, int row, const WCHAR* text, HFONT font);
// The text of a cell (nothing when the grid has no such cell); with `fg` also its colour.
void SetCell(V_Grid* grid, int column, int row, const char* text);
void SetCell(V_Grid* grid, int column, int row, const char* text, COLORREF fg);
// A wire number as `get_net_value_str` shows it with `kind` and `mode`, in `fg`.
void SetNumberCell(V_Grid* grid, int column, int row, int kind, const unsigned char* value, int mode, COLORREF fg);
// The up/down mark of `sign`, a blank and the change (NET_VALUE2 shown with `kind`): "▲ 500".
void MarkAndChange(char sign, const unsigned char* change, int kind, char* out, size_t size);
// A 6-byte amount in won as millions with thousands commas ("1,234"); the fraction is rounded.
void MillionsText(const unsigned char* won, char* out, size_t size);
// The interest groups' combo: "Group1" .. "Group<count>", the first selected.
void FillGroupCombo(CWnd* dlg, int comboId, int count);
// Enables or disables a control of `dlg` when it exists.
void EnableControl(CWnd* dlg, int id, bool enable);
// Columns `first`..`first + 2` of `row`: the price, the up/down mark of `sign` (centred) and the
// change, all three in `fg`; price and change are formatted as `kind` (NET_VALUE2 integers, or
// NET_FLOAT2 with two decimals).
void SetPriceCells(V_Grid* grid, int row, int first, const unsigned char* price, char sign, const unsigned char* change,
                   COLORREF fg, signed char kind = 0);
// A text field of a record (code page 949) as a left-aligned cell in the label font.
void SetNameCell(V_Grid* grid, int column, int row, const std::string& text, HFONT font);
// Empties the grid and adds `rows` empty rows; false without a grid.
bool ResetRows(V_Grid* grid, int rows);

// The paging of a list of one item: the page shown, whether the server offers a next one, and
// the key received with each page 1..Slots (Width bytes each). The item is ItemWidth bytes (a
// stock code 6, a futures/options code 8).
template <size_t Width, int Slots, size_t ItemWidth = 6>
class PageKeys {
 public:
  static constexpr int kSlots = Slots;

  // Page 1 of `item` (ItemWidth bytes), no key, no next page.
  void Restart(const char* item) {
    page = 1;
    more = 0;
    std::memset(keys_, 0, sizeof keys_);
    std::memcpy(item_, item, sizeof item_);
  }
  bool SameItem(const char* item) const { return std::memcmp(item_, item, sizeof item_) == 0; }
  static bool HasSlot(int p) { return p >= 1 && p <= Slots; }
  // Stores the key received with page `p`; false (nothing stored) when the page has no slot.
  bool Store(int p, const unsigned char* key) {
    if (!HasSlot(p) || !key) return false;
    std::memcpy(keys_[p - 1], key, Width);
    return true;
  }
  // The key received with page `p`, or null when the page has no slot.
  const unsigned char* Key(int p) const { return HasSlot(p) ? keys_[p - 1] : nullptr; }
  // Takes a reply's page number, its key for the next page and its continuation byte; false
  // (nothing taken, no next page) for a page without a slot.
  bool Take(int p, const unsigned char* key, int continuation) {
    if (!Store(p, key)) {
      more = 0;
      return false;
    }
    page = p;
    more = continuation;
    return true;
  }
  // Whether "next" can go on: the server offers a page and its reply has a slot.
  bool CanGoNext() const { return more == 1 && HasSlot(page + 1); }

  int page = 1;
  int more = 0;

 private:
  unsigned char keys_[Slots][Width] = {};
  char item_[ItemWidth] = {};
};

// The settings of a list screen of one item: the item combo asks by itself, replies are plain,
// 8107 goes to the futures screen, and packets of codes other than 4101 and `replies` are dropped.
ScreenConfig ListScreenConfig(const WCHAR* moduleName, const WCHAR* title, const uint16_t* replies, size_t count);

// A list screen of one item: its grid, made when the dialog starts and deleted with it, and the
// item-code combo 9901: an edited code the code file accepts, or a picked entry, becomes the item
// and is handed to OnNewItem(); the finder button 9902 opens the finder (OnFinder), whose pick
// arrives as WM_VX_QUERY (OnQuery).
class CListScreenDlg : public CVXScreenDlg {
 public:
  CListScreenDlg(const ScreenConfig& config, const GridSetup& grid, UINT templateId = 129)
      : CVXScreenDlg(config, templateId), m_setup(grid) {}
  ~CListScreenDlg() override { DeleteGrid(m_grid); }

  void OnInitScreen() override;
  BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;
  // The host's query and a finder pick: the item of the combo, at the page shown (page 1 for
  // another item), the quote first.
  void OnQuery() override;

 protected:
  // The item of combo 9901 was changed by an edit (`edited`) or a pick.
  virtual void OnNewItem(bool edited) = 0;
  // Starts again at page 1 of the current item when it is not the one paged.
  virtual void KeepItem() = 0;
  // Sends the request of the page shown.
  virtual void SendPage() = 0;
  // The finder of button 9902: the stock finder, unless the screen lists ECN items.
  virtual void OnFinder() { OnBtnScoutlet(); }
  // The wait cursor until the reply (or the time-out) comes.
  void StartWait();
  HFONT LabelFont() { return static_cast<HFONT>(m_fontNormal.GetSafeHandle()); }
  // Empties the grid and adds `rows` rows; false without a grid.
  bool ResetRows(int rows);

  const GridSetup& m_setup;
  std::unique_ptr<V_Grid> m_grid;
};

}  // namespace vxskel
