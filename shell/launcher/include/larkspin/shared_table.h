// The shared window-handle table through which the launcher (Larkspin), the updater (ZRUpdate)
// and the main program (VXMain) find each other's frame windows: 24 bytes of named shared memory
// "QV_COMMON_MEMORY_MAP", six 32-bit fields in native order. Each field has one writer; a zero
// window means that the program is not running (or has not recorded itself yet).
//
//   SHARED_HWND_TABLE* t = SharedTable::Map(SharedTable::kJoin);
//   t->main_mark = VX_TABLE_MARK; t->main_hwnd = frame;
//   HWND launcher = SharedTable::Peer(t->launcher_hwnd);   // 0 when that window is gone
#pragma once

#include <cstdint>

#include "plat/windows.h"

#define VX_SHARED_TABLE_NAME (u"QV_COMMON_MEMORY_MAP")
#define VX_TABLE_MARK 66

struct SHARED_HWND_TABLE {
  uint32_t launcher_mark;
  uint32_t main_mark;
  uint32_t updater_mark;
  uint32_t launcher_hwnd;
  uint32_t main_hwnd;
  uint32_t updater_hwnd;
};
static_assert(sizeof(SHARED_HWND_TABLE) == 24, "the table is 24 bytes on every program");

namespace SharedTable {

enum Mode {
  kJoin,   // the updater and the main program: take the table as the launcher left it
  kFresh,  // the launcher, at the start of a run: forget every window of an earlier run
};

// Creates the marker file "QV_COMMON_MEMORY_MAP" in the root folder when it is missing.
// FALSE when it can neither be found nor created.
BOOL EnsureMarkerFile();

// Maps the table (one view per process; a second call returns the same view). With kFresh every
// field is cleared before the view is returned. nullptr when the mapping cannot be made.
SHARED_HWND_TABLE* Map(Mode mode);

// Releases this process's view (fields are left as they are).
void Unmap();

// The window of a table field when it still exists, else 0.
HWND Peer(uint32_t field);

}  // namespace SharedTable
