// Small file functions and the quick-move combo's screen request.
#include "vxbase/messages.h"
#include "vxbase/money.h"

// From the quick-move history library, which the programs load beside this one.
extern "C" unsigned int _qm_get_dll_id(int k);

int write_file(LPCWSTR path, const void* buffer, int n) {
  if (!path || !buffer || n < 0) return -1;
  HANDLE file = CreateFile(path, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, CREATE_ALWAYS,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return -2;
  DWORD written = 0;
  BOOL ok = WriteFile(file, buffer, static_cast<DWORD>(n), &written, nullptr);
  CloseHandle(file);
  if (!ok) return 0;
  return static_cast<int>(written);
}

int read_file(LPCWSTR path, void* buffer, int n) {
  if (!path || !buffer || n < 1) return -1;
  HANDLE file = CreateFile(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return -2;
  DWORD got = 0;
  BOOL ok = ReadFile(file, buffer, static_cast<DWORD>(n), &got, nullptr);
  CloseHandle(file);
  if (!ok) return 0;
  return static_cast<int>(got);
}

void ComboMenuQuick(HWND wnd, int position) {
  if (position < 2) return;  // the title entry opens nothing
  unsigned int id = _qm_get_dll_id(position);
  if (id == 0) return;  // past the end of the history
  SendMessage(wnd, WM_VX_OPEN_SCREEN, static_cast<WPARAM>(id), 0);
}
