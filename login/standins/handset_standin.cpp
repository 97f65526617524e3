// Stand-ins for the handset libraries that tell the device's own phone number: "hvsdk.dll"
// (fills a 30-character buffer) and "cb.dll" (returns the text). Each reads the number from the
// device's registry, HKEY_LOCAL_MACHINE "Drivers\Handset\<library>" value "PhoneNumber"; without
// it the handset answers "?" (number unknown), as handsets without a SIM do.
//
// The loader of this platform cannot carry the decorated names of the handset's own exports, so
// the functions are exported under their plain names, which the login also looks for.
#include <cstring>

#include "plat/kernel.h"

#define EXPORT extern "C" __attribute__((visibility("default")))

namespace {

constexpr int kNumberChars = 30;

void ReadNumber(WCHAR* out, int room) {
  out[0] = u'?';
  out[1] = 0;
  HKEY key = nullptr;
  if (RegOpenKeyEx(HKEY_LOCAL_MACHINE, u"Drivers\\Handset\\" HANDSET_NAME, 0, 0, &key) != ERROR_SUCCESS) return;
  WCHAR value[64] = {};
  DWORD type = 0, size = sizeof value - sizeof(WCHAR);
  if (RegQueryValueEx(key, u"PhoneNumber", nullptr, &type, reinterpret_cast<BYTE*>(value), &size) == ERROR_SUCCESS &&
      type == REG_SZ) {
    int i = 0;
    for (; i < room - 1 && value[i]; ++i) out[i] = value[i];
    out[i] = 0;
  }
  RegCloseKey(key);
}

}  // namespace

#ifdef HANDSET_HVSDK
EXPORT void HvGetNamNum(WCHAR* buffer) { ReadNumber(buffer, kNumberChars); }
EXPORT void HvGetMyNum(WCHAR* buffer) { ReadNumber(buffer, kNumberChars); }
#else
EXPORT WCHAR* CB_EXT_GetPhoneNumber() {
  static WCHAR number[kNumberChars + 1];
  ReadNumber(number, kNumberChars + 1);
  return number;
}
#endif
