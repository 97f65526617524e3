// Built twice with the two libraries linked in opposite orders: in each, the history calls into
// the menu reader and back.
#include <dlfcn.h>

#include "flitway/quick_move.h"
#include "vx_device_test.h"
#include "vxbase/menu_config.h"

namespace {

class LoadOrder : public vxtest::DeviceTest {};

TEST_F(LoadOrder, HistoryAndMenuReachEachOther) {
  WriteHost("Program Files/Quorvan/Bin/menu.conf", vxtest::Cp949(u"1010:현재가:92001:VX2001.dll\n"));
  CMenuConfigFile menu;
  ASSERT_EQ(menu.ReadFile(VX_MENU_FILE_PATH), 1);
  _qm_init_his();
  EXPECT_EQ(_qm_change_his(&menu, 92001), 1);
  EXPECT_EQ(_qm_get_dll_id(2), 92001u);
  EXPECT_EQ(_qm_exit_his(), 1);
  EXPECT_EQ(ReadHost("Program Files/Quorvan/Bin/qv_his_menu.txt"), "92001$" + vxtest::Cp949(u"현재가") + "$ \n");
  // The history's exports are found by name as well, as a loader looking them up would.
  EXPECT_NE(dlsym(RTLD_DEFAULT, "_qm_apply_his"), nullptr);
  EXPECT_NE(dlsym(RTLD_DEFAULT, "_qm_get_dll_id"), nullptr);
}

}  // namespace
