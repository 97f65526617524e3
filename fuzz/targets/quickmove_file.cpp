// The quick-move history file: loading any file, moving screens in the history, saving and
// loading again.
//
// Input: byte 0 and 1 a navigation id to open (0: none), then the history file.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "scratch.h"
#include "flitway/quick_move.h"
#include "plat/kernel.h"
#include "vxbase/menu_config.h"

namespace {

const char kMenu[] =
    "1010:시세:1010:\n"
    "1010:현재가:4101:ZR4101.dll\n"
    "1020:주문:92001:ZR2001.dll\n";

std::vector<unsigned> Ids(int count) {
  std::vector<unsigned> ids;
  for (int k = 2; k <= count + 1; ++k) ids.push_back(_qm_get_dll_id(k));
  return ids;
}

std::string HistoryBytes() {
  std::string out;
  FILE* f = plat::OpenDeviceFile(QM_HISTORY_FILE, "rb");
  if (!f) return out;
  char buf[4096];
  size_t n;
  while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) out.append(buf, n);
  std::fclose(f);
  return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 2) return 0;
  const unsigned openId = unsigned(data[0] << 8 | data[1]);
  fuzz::PutDeviceFile("\\Program Files\\Quorvan\\Bin\\menu.conf", reinterpret_cast<const uint8_t*>(kMenu),
                      sizeof kMenu - 1);
  fuzz::PutDeviceFile(QM_HISTORY_FILE, data + 2, size - 2);

  const int loaded = _qm_init_his();
  if (loaded < 0 || loaded > kQuickMoveMaxEntries) std::abort();
  std::vector<unsigned> ids = Ids(loaded);
  for (unsigned id : ids)
    if (id == 0) std::abort();  // 0 is the title's, never a screen's
  if (_qm_get_dll_id(1) != 0 || _qm_get_dll_id(loaded + 2) != 0 || _qm_get_dll_id(0) != 0) std::abort();

  CMenuConfigFile menu;
  if (menu.ReadFile(u"\\Program Files\\Quorvan\\Bin\\menu.conf") != 1) std::abort();
  int count = loaded;
  if (openId != 0) {
    count = _qm_change_his(&menu, openId);
    if (count < 1 || count > kQuickMoveMaxEntries || _qm_get_dll_id(2) != openId) std::abort();
    // No screen twice.
    std::vector<unsigned> now = Ids(count);
    for (size_t i = 0; i < now.size(); ++i)
      for (size_t j = i + 1; j < now.size(); ++j)
        if (now[i] == now[j] && now[i] == openId) std::abort();
  }
  ids = Ids(count);

  // Saved and loaded again, the history is the same, and saving it again writes the same file.
  const int saved = _qm_exit_his();
  if (saved != count) std::abort();
  const std::string first = HistoryBytes();
  if (_qm_init_his() != count || Ids(count) != ids) std::abort();
  if (_qm_exit_his() != count) std::abort();
  if (count > 0 && HistoryBytes() != first) std::abort();
  return 0;
}
