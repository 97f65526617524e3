// Quick-move history (library Flitway): the screens the user opened most recently, at most ten,
// for the quick-move combo box of every screen. Kept in memory while the main program runs and
// saved at exit to "/Program files/Quorvan/bin/qv_his_menu.txt", one line per screen, oldest
// first: "<navigation id>$<screen name in code page 949>$ \n".
//
// The list is used from the user-interface thread only.
#pragma once

#include "plat/afx.h"

class CMenuConfigFile;

// Most screens the history keeps.
constexpr int kQuickMoveMaxEntries = 10;
// Longest screen name kept, in code page 949 bytes.
constexpr int kQuickMoveMaxName = 255;

extern "C" {

// Starts an empty history and loads the history file. Returns the number of screens loaded.
int _qm_init_his(void);
// Makes `id` the newest screen (moved when it is already listed; the oldest drops off past ten).
// The name comes from the menu file when the menu lists `id` as a screen, else it is empty.
// Nothing happens without a menu file or for id 0 (the title's). Returns the number of screens
// afterwards, -1 without a menu file.
int _qm_change_his(const CMenuConfigFile* menu, unsigned int id);
// Fills the combo box: the title entry, then the screens newest first; selects position 0.
// Returns the number of combo entries, -1 without a combo box.
int _qm_apply_his(CComboBox* combo);
// Navigation id at combo position k - 1 (callers pass the selected position plus one): 0 for
// the title, an empty history or a position past the end.
unsigned int _qm_get_dll_id(int k);
// Saves the history (only when it holds screens) and empties it; a second call does nothing.
// Returns the number of screens saved, -1 when the file could not be written.
int _qm_exit_his(void);

}  // extern "C"

// The history file and the combo's title entry.
#define QM_HISTORY_FILE "/Program files/Quorvan/bin/qv_his_menu.txt"
#define QM_TITLE_TEXT (u"최근 메뉴")
