// The handset's own phone number, as the login sends it in transaction 1010: asked from the
// modem over the serial device "SMP1:" (two command variants), else from the handset libraries
// "hvsdk.dll" and "cb.dll". Also the fixed-size text fields of the login request.
#pragma once

#include <cstddef>

#include "plat/types.h"

namespace vxlogin {

constexpr int kPhoneField = 20;  // code-page text, NUL-padded
constexpr int kPhoneSent = 14;   // bytes of the field that 1010 carries
constexpr int kLoginField = 10;  // id and password fields of 4020

// Results of the modem commands.
enum ModemResult {
  MODEM_FOUND = 1,
  MODEM_NOT_OPENED = -1,
  MODEM_NO_STATE = -2,
  MODEM_STATE_NOT_SET = -3,
  MODEM_SHORT_WRITE = -4,
  MODEM_BAD_REPLY = -5,
  MODEM_NO_NUMBER = -6,
};
// Results of the handset libraries (a positive result is the length of the number).
enum LibraryResult { LIB_NOT_LOADED = -102, LIB_NO_FUNCTION = -103 };

// The two modem commands ("at*skt*dial", then "at@cbpnum").
enum class ModemVariant { Dial, CbpNum };

// Reads the number out of a modem reply of `len` bytes into `out` (room `outSize`, always
// terminated). MODEM_FOUND, MODEM_BAD_REPLY or MODEM_NO_NUMBER. Nothing is read beyond `len`
// and the number is cut to the field.
int ParseModemReply(ModemVariant variant, const char* reply, int len, char* out, int outSize);
// One modem command on "SMP1:".
int AskModem(ModemVariant variant, char* out, int outSize);
// The first command, then the second when the first fails.
int ModemPhoneNumber(char* out, int outSize);
// The handset libraries, in order; the number without '-' characters in code page 949.
int LibraryPhoneNumber(char* out, int outSize);

// Wide text into a fixed field of `size` bytes in code page 949, NUL-padded, cut on a character
// boundary (never half a double-byte character). Returns the bytes used.
int FillField(const WCHAR* text, unsigned char* field, int size);

}  // namespace vxlogin
