#include "larkspin/shared_table.h"

#include <cstring>
#include <mutex>

namespace SharedTable {
namespace {
std::mutex g_lock;
HANDLE g_mapping = nullptr;
SHARED_HWND_TABLE* g_view = nullptr;
}  // namespace

BOOL EnsureMarkerFile() {
  if (GetFileAttributes(VX_SHARED_TABLE_NAME) != INVALID_FILE_ATTRIBUTES) return TRUE;
  HANDLE f = CreateFile(VX_SHARED_TABLE_NAME, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                        CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (f == INVALID_HANDLE_VALUE) {
    // Another program may have created it in the meantime.
    return GetFileAttributes(VX_SHARED_TABLE_NAME) != INVALID_FILE_ATTRIBUTES;
  }
  CloseHandle(f);
  return TRUE;
}

SHARED_HWND_TABLE* Map(Mode mode) {
  std::lock_guard<std::mutex> l(g_lock);
  if (!g_view) {
    // The marker file only marks that the system was installed and started once; the table
    // itself lives in memory shared by name, so it never carries windows across a reboot.
    g_mapping = CreateFileMapping(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, sizeof(SHARED_HWND_TABLE),
                                  VX_SHARED_TABLE_NAME);
    if (!g_mapping) return nullptr;
    g_view = static_cast<SHARED_HWND_TABLE*>(MapViewOfFile(g_mapping, FILE_MAP_WRITE, 0, 0, sizeof(SHARED_HWND_TABLE)));
    if (!g_view) {
      CloseHandle(g_mapping);
      g_mapping = nullptr;
      return nullptr;
    }
  }
  if (mode == kFresh) std::memset(static_cast<void*>(g_view), 0, sizeof(SHARED_HWND_TABLE));
  return g_view;
}

void Unmap() {
  std::lock_guard<std::mutex> l(g_lock);
  if (g_view) UnmapViewOfFile(g_view);
  if (g_mapping) CloseHandle(g_mapping);
  g_view = nullptr;
  g_mapping = nullptr;
}

HWND Peer(uint32_t field) {
  HWND h = static_cast<HWND>(field);
  return (h != 0 && IsWindow(h)) ? h : 0;
}

}  // namespace SharedTable
