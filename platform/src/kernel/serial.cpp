// Simulated serial stream devices ("SMP1:"), scripted from files of the device root.
#include <cstring>
#include <string>

#include "kernel/internal.h"

namespace plat::kernel {
namespace {

class SerialObject : public Object {
 public:
  explicit SerialObject(std::string name) : Object(Type::Serial), name(std::move(name)) {}
  std::string name;  // "SMP1"
  std::mutex lock;
  DCB state{};
  COMMTIMEOUTS timeouts{};
  size_t scriptPosition = 0;  // next reply of the script
  std::string pending;        // reply bytes not read yet
};

std::string DeviceFile(const std::string& name, const char* suffix) { return "\\.devices\\" + name + suffix; }

bool ReadDeviceFile(const std::string& devicePath, std::string& out) {
  FILE* f = OpenDeviceFile(devicePath.c_str(), "rb");
  if (!f) return false;
  out.clear();
  char buffer[4096];
  size_t n;
  while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0) out.append(buffer, n);
  std::fclose(f);
  return true;
}

std::shared_ptr<SerialObject> SerialOf(HANDLE handle) {
  return FindHandleAs<SerialObject>(handle, Object::Type::Serial);
}

}  // namespace

bool IsSerialDeviceName(LPCWSTR name) {
  if (!name) return false;
  std::u16string_view n(name);
  auto letter = [](char16_t c) { return (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z'); };
  return n.size() == 5 && letter(n[0]) && letter(n[1]) && letter(n[2]) && n[3] >= u'0' && n[3] <= u'9' && n[4] == u':';
}

HANDLE OpenSerialDevice(LPCWSTR name, DWORD disposition) {
  std::string device = ToUtf8(std::u16string_view(name).substr(0, 4));
  for (char& c : device)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
  std::string script;
  if (disposition != OPEN_EXISTING || !ReadDeviceFile(DeviceFile(device, ""), script)) {
    SetLastError(disposition != OPEN_EXISTING ? ERROR_INVALID_PARAMETER : ERROR_FILE_NOT_FOUND);
    return INVALID_HANDLE_VALUE;
  }
  auto serial = std::make_shared<SerialObject>(device);
  serial->state.DCBlength = sizeof(DCB);
  serial->state.BaudRate = CBR_115200;
  serial->state.fBinary = 1;
  serial->state.ByteSize = 8;
  serial->state.Parity = NOPARITY;
  serial->state.StopBits = ONESTOPBIT;
  SetLastError(ERROR_SUCCESS);
  return AddHandle(serial);
}

bool SerialRead(Object& device, void* buffer, DWORD toRead, DWORD& read) {
  auto& serial = static_cast<SerialObject&>(device);
  std::lock_guard<std::mutex> guard(serial.lock);
  read = static_cast<DWORD>(std::min<size_t>(toRead, serial.pending.size()));
  std::memcpy(buffer, serial.pending.data(), read);
  serial.pending.erase(0, read);
  return true;
}

bool SerialWrite(Object& device, const void* buffer, DWORD toWrite) {
  auto& serial = static_cast<SerialObject&>(device);
  std::lock_guard<std::mutex> guard(serial.lock);
  FILE* log = OpenDeviceFile(DeviceFile(serial.name, ".log").c_str(), "ab");
  if (log) {
    std::fwrite(buffer, 1, toWrite, log);
    std::fclose(log);
  }
  std::string script;
  if (!ReadDeviceFile(DeviceFile(serial.name, ""), script)) return true;  // the device answers nothing
  if (serial.scriptPosition <= script.size()) {
    size_t end = script.find('\f', serial.scriptPosition);
    if (end == std::string::npos) end = script.size();
    serial.pending += script.substr(serial.scriptPosition, end - serial.scriptPosition);
    serial.scriptPosition = end + 1;
  }
  return true;
}

}  // namespace plat::kernel

using namespace plat::kernel;

BOOL GetCommState(HANDLE device, LPDCB state) {
  auto serial = SerialOf(device);
  if (!serial) return FALSE;
  if (!state) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  std::lock_guard<std::mutex> guard(serial->lock);
  *state = serial->state;
  return TRUE;
}

BOOL SetCommState(HANDLE device, LPDCB state) {
  auto serial = SerialOf(device);
  if (!serial) return FALSE;
  if (!state || state->ByteSize < 5 || state->ByteSize > 8 || state->BaudRate == 0) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  std::lock_guard<std::mutex> guard(serial->lock);
  serial->state = *state;
  return TRUE;
}

BOOL GetCommTimeouts(HANDLE device, LPCOMMTIMEOUTS timeouts) {
  auto serial = SerialOf(device);
  if (!serial) return FALSE;
  if (!timeouts) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  std::lock_guard<std::mutex> guard(serial->lock);
  *timeouts = serial->timeouts;
  return TRUE;
}

BOOL SetCommTimeouts(HANDLE device, LPCOMMTIMEOUTS timeouts) {
  auto serial = SerialOf(device);
  if (!serial) return FALSE;
  if (!timeouts) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  std::lock_guard<std::mutex> guard(serial->lock);
  serial->timeouts = *timeouts;
  return TRUE;
}

BOOL PurgeComm(HANDLE device, DWORD flags) {
  auto serial = SerialOf(device);
  if (!serial) return FALSE;
  std::lock_guard<std::mutex> guard(serial->lock);
  if (flags & (PURGE_RXCLEAR | PURGE_RXABORT)) serial->pending.clear();
  return TRUE;
}
