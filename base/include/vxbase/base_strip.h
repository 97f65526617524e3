// The base-quote records that most screens request and show in the strip at the top and the
// bottom of the screen (stock: transaction 4101; futures/options: transaction 5555), and the
// strip's control ids. Records are read in place from the received body: every field is bytes.
#pragma once

#include <cstddef>

#pragma pack(push, 1)
// Body of the reply to transaction 4101 (45 bytes).
struct BASE_DATA_4101 {
  char item_name[12];    // code page 949, blank or NUL padded, not terminated
  char price[4];         // NET_VALUE2
  char volume[6];        // NET_VALUE3, accumulated
  char sign;             // UPDOWN_FLAG of the item's change
  char change[4];        // NET_VALUE2, from the previous close
  char kospi[4];         // NET_FLOAT2
  char kospi_change[4];  // NET_FLOAT2
  char kospi_sign;
  char kosdaq[4];         // NET_FLOAT2
  char kosdaq_change[4];  // NET_FLOAT2
  char kosdaq_sign;
};

// Body of the reply to transaction 5555 (33 bytes).
struct BASE_DATA_5555 {
  char fut_price[4];   // NET_FLOAT2: the futures line at the bottom
  char fut_change[4];  // NET_FLOAT2
  char fut_sign;
  char price[4];   // NET_FLOAT2: the screen's item
  char change[4];  // NET_FLOAT2
  char sign;
  char volume[6];       // NET_VALUE3, accumulated
  char k200[4];         // NET_FLOAT2: KOSPI200 index
  char k200_change[4];  // NET_FLOAT2
  char k200_sign;
};
#pragma pack(pop)

static_assert(sizeof(BASE_DATA_4101) == 45, "the 4101 body is 45 bytes");
static_assert(sizeof(BASE_DATA_5555) == 33, "the 5555 body is 33 bytes");

// Kinds of strip (CVXDlg::SetBaseControl).
enum { VX_STRIP_STOCK = 1, VX_STRIP_FUTOPT = 2 };

// Strip lines: 1 stock upper, 2 KOSPI, 3 KOSDAQ, 4 futures/options upper, 5 KOSPI200, 6 futures.
constexpr int kStripLines = 6;
// Control ids of the strip statics. Lines 5 and 6 both use 3017-3020 (two sets of controls).
#define IDC_STRIP_FIRST 3001
#define IDC_STRIP_LAST 3020
// The item-name field and the title field of the screens.
#define IDC_ITEM_NAME 9903
#define IDC_TITLE 9904
