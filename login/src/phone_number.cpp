#include "vxlogin/phone_number.h"

#include <algorithm>
#include <cstring>
#include <string>

#include "plat/kernel.h"

namespace vxlogin {

namespace {

constexpr int kModemTimeoutMs = 1000;
constexpr int kModemWaitMs = 200;
constexpr int kModemReadMax = 100;
constexpr int kNumberChars = 30;

// Copies reply[from, end) where end is the first CR (or LF, or the end of what was read).
int CopyNumber(const char* reply, int len, int from, char* out, int outSize) {
  if (from < 0 || from >= len) return MODEM_NO_NUMBER;
  int end = from;
  while (end < len && reply[end] != '\r' && reply[end] != '\n' && reply[end] != '\0') ++end;
  int n = std::min(end - from, outSize - 1);
  if (n <= 0) return MODEM_NO_NUMBER;
  std::memcpy(out, reply + from, static_cast<size_t>(n));
  out[n] = '\0';
  return MODEM_FOUND;
}

typedef void (*FillNumberFn)(WCHAR* buffer);
typedef WCHAR* (*GetNumberFn)();

// A library function by its exported name; platforms whose loader cannot carry decorated names
// export the plain function name, which is tried second.
FARPROC FindFunction(HMODULE module, const char* decorated) {
  if (FARPROC f = GetProcAddress(module, decorated)) return f;
  std::string plain(decorated);
  if (!plain.empty() && plain[0] == '?') plain.erase(0, 1);
  size_t at = plain.find("@@");
  if (at != std::string::npos) plain.resize(at);
  return GetProcAddress(module, plain.c_str());
}

int NumberToField(const WCHAR* number, char* out, int outSize) {
  std::u16string text;
  for (int i = 0; i < kNumberChars && number[i]; ++i)
    if (number[i] != u'-') text += number[i];
  if (text.empty() || text[0] == u'?') return LIB_NOT_LOADED;
  int n = FillField(text.c_str(), reinterpret_cast<unsigned char*>(out), outSize - 1);
  out[std::min(n, outSize - 1)] = '\0';
  return n > 0 ? n : LIB_NOT_LOADED;
}

}  // namespace

int ParseModemReply(ModemVariant variant, const char* reply, int len, char* out, int outSize) {
  if (!reply || !out || outSize <= 0) return MODEM_NO_NUMBER;
  out[0] = '\0';
  if (len <= 0) return MODEM_NO_NUMBER;
  if (variant == ModemVariant::Dial) {
    bool ok = (len > 5 && reply[5] == 'D') || (len > 6 && reply[6] == 'I');
    if (!ok) return MODEM_BAD_REPLY;
    int limit = std::min(len, 30);
    const char* colon = static_cast<const char*>(std::memchr(reply, ':', static_cast<size_t>(limit)));
    if (!colon) return MODEM_NO_NUMBER;
    return CopyNumber(reply, len, static_cast<int>(colon - reply) + 2, out, outSize);
  }
  bool ok = (len > 1 && reply[1] == 'C') || (len > 4 && reply[4] == 'N');
  if (!ok) return MODEM_BAD_REPLY;
  int limit = std::min(len, 30);
  const char* colon = static_cast<const char*>(std::memchr(reply, ':', static_cast<size_t>(limit)));
  if (!colon) return MODEM_NO_NUMBER;
  return CopyNumber(reply, len, static_cast<int>(colon - reply) + 1, out, outSize);
}

int AskModem(ModemVariant variant, char* out, int outSize) {
  HANDLE dev = CreateFile(u"SMP1:", GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  if (dev == INVALID_HANDLE_VALUE) return MODEM_NOT_OPENED;
  int result = MODEM_FOUND;
  DCB state{};
  state.DCBlength = sizeof state;
  COMMTIMEOUTS timeouts{};
  if (!GetCommState(dev, &state)) {
    result = MODEM_NO_STATE;
  } else if (!SetCommState(dev, &state)) {
    result = MODEM_STATE_NOT_SET;
  } else {
    timeouts.ReadIntervalTimeout = kModemTimeoutMs;
    timeouts.ReadTotalTimeoutConstant = kModemTimeoutMs;
    timeouts.WriteTotalTimeoutConstant = kModemTimeoutMs;
    SetCommTimeouts(dev, &timeouts);
    static const char kDial[] = "at*skt*dial\r\n";
    static const char kCbp[] = "at@cbpnum\r\n";
    const char* command = variant == ModemVariant::Dial ? kDial : kCbp;
    // The command's own length: never the bytes that follow it.
    DWORD length = static_cast<DWORD>(std::strlen(command));
    DWORD written = 0;
    if (!WriteFile(dev, command, length, &written, nullptr) || written != length) {
      result = MODEM_SHORT_WRITE;
    } else {
      Sleep(kModemWaitMs);
      char reply[kModemReadMax + 1] = {};
      DWORD got = 0;
      if (!ReadFile(dev, reply, kModemReadMax, &got, nullptr) || got == 0)
        result = MODEM_NO_NUMBER;
      else
        result = ParseModemReply(variant, reply, static_cast<int>(got), out, outSize);
    }
  }
  CloseHandle(dev);
  return result;
}

int ModemPhoneNumber(char* out, int outSize) {
  int r = AskModem(ModemVariant::Dial, out, outSize);
  if (r == MODEM_FOUND) return r;
  return AskModem(ModemVariant::CbpNum, out, outSize);
}

int LibraryPhoneNumber(char* out, int outSize) {
  if (!out || outSize <= 1) return LIB_NOT_LOADED;
  out[0] = '\0';
  if (HMODULE hv = LoadLibrary(u"hvsdk.dll")) {
    WCHAR number[kNumberChars + 1] = {};
    int result = LIB_NO_FUNCTION;
    FillNumberFn fill = reinterpret_cast<FillNumberFn>(FindFunction(hv, "?HvGetNamNum@@YAXPAG@Z"));
    if (!fill) fill = reinterpret_cast<FillNumberFn>(FindFunction(hv, "?HvGetMyNum@@YAXPAG@Z"));
    if (fill) {
      fill(number);
      number[kNumberChars] = 0;
      result = NumberToField(number, out, outSize);
    }
    FreeLibrary(hv);
    return result;
  }
  if (HMODULE cb = LoadLibrary(u"cb.dll")) {
    int result = LIB_NO_FUNCTION;
    auto get = reinterpret_cast<GetNumberFn>(FindFunction(cb, "?CB_EXT_GetPhoneNumber@@YAPAGXZ"));
    if (get) {
      const WCHAR* text = get();
      WCHAR number[kNumberChars + 1] = {};
      for (int i = 0; text && i < kNumberChars && text[i]; ++i) number[i] = text[i];
      result = NumberToField(number, out, outSize);
    }
    FreeLibrary(cb);
    return result;
  }
  return LIB_NOT_LOADED;
}

int FillField(const WCHAR* text, unsigned char* field, int size) {
  if (!field || size <= 0) return 0;
  std::memset(field, 0, static_cast<size_t>(size));
  if (!text) return 0;
  int used = 0;
  for (const WCHAR* p = text; *p; ++p) {
    // One character at a time, so that a cut never falls inside a double-byte character.
    int units = (*p >= 0xD800 && *p <= 0xDBFF && p[1]) ? 2 : 1;
    char bytes[8];
    int n = WideCharToMultiByte(CP_ACP, 0, p, units, bytes, sizeof bytes, nullptr, nullptr);
    if (n <= 0 || used + n > size) break;
    std::memcpy(field + used, bytes, static_cast<size_t>(n));
    used += n;
    p += units - 1;
  }
  return used;
}

}  // namespace vxlogin
