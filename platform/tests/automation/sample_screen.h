// A small screen for the automation tests: an edit field, buttons, a check box, a drop-down list,
// a list box, a status line and a grid-like custom control. Its parent records every notification
// in order, and the buttons do what real screens do (confirm in a box, send to another program,
// open a pop-up menu, start a timer).
#pragma once

#include <string>
#include <vector>

#include "plat/automation.h"
#include "plat/controls.h"

namespace sample {

enum Id {
  kEdit = 1001,
  kSend = 1002,  // OK/Cancel box, then WM_USER + 5 to the peer program; status "sent R" / "cancelled"
  kCheck = 1003,
  kCombo = 1004,  // drop-down list of 20 items "Item 0" .. "Item 19"
  kList = 1005,
  kStatus = 1006,
  kMenu = 1007,      // pop-up menu: 2001 "Buy", separator, 2002 "Sell" (grayed), 2003 "Hold"
  kTimer = 1008,     // starts a 1 s timer; status "tick" when it fires
  kGrid = 1009,      // custom control: two rows of cells, answers inspection and cell taps
  kOff = 1010,       // disabled button
  kPassword = 1012,  // password field
  kView = 1011,      // report list view: columns "Code" "Name", rows 005930/Samsung, 000660/Hynix, 035420/Naver
};
constexpr UINT kPeerMessage = WM_USER + 5;
constexpr UINT kMenuBuy = 2001, kMenuSell = 2002, kMenuHold = 2003;
extern const char16_t kPeerClass[];

// Notifications heard by the screen: "command <id> <code>", "notify <id> <code> <item>" (list view
// item changes that select a row), "menu <id>", "cell <row> <col>",
// "box <answer>", "peer <result>", "timer".
std::vector<std::string>& Notes();

// Builds the screen (top-level window at 0,26 240x294); returns it.
HWND Build();
// The peer program's window: answers kPeerMessage with wParam + lParam and shows "got W L".
HWND BuildPeer();

}  // namespace sample
