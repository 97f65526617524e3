// Shared pieces of the kernel: the handle table, waitable objects and error helpers.
#pragma once

#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>

#include "plat/kernel.h"

namespace plat::kernel {

// Base of every object reached through a HANDLE.
class Object {
 public:
  enum class Type { File, Find, Thread, Process, Event, Mapping, Serial };
  explicit Object(Type type) : type_(type) {}
  virtual ~Object() = default;
  Type type() const { return type_; }

 private:
  Type type_;
};

HANDLE AddHandle(std::shared_ptr<Object> object);
// The object behind `handle`, or nullptr with ERROR_INVALID_HANDLE set.
std::shared_ptr<Object> FindHandle(HANDLE handle);
bool RemoveHandle(HANDLE handle);

template <class T>
std::shared_ptr<T> FindHandleAs(HANDLE handle, Object::Type type) {
  std::shared_ptr<Object> object = FindHandle(handle);
  if (!object) return nullptr;
  if (object->type() != type) {
    SetLastError(ERROR_INVALID_HANDLE);
    return nullptr;
  }
  return std::static_pointer_cast<T>(object);
}

// Objects that can be waited on. Their signal state is guarded by one lock shared by all of them,
// so that a wait on several objects sees (and consumes) their states at one moment.
class Waitable : public Object {
 public:
  Waitable(Type type, bool autoReset, bool signalled) : Object(type), autoReset_(autoReset), signalled_(signalled) {}
  void Signal();
  void Reset();
  bool signalledLocked() const { return signalled_; }
  void consumeLocked() {
    if (autoReset_) signalled_ = false;
  }

 private:
  bool autoReset_;
  bool signalled_;
};

std::mutex& WaitLock();
std::condition_variable& WaitChanged();

// errno -> the platform's error number for a file-system call on `hostPath`.
DWORD FileError(int err, const std::string& hostPath);
// Device path (UTF-16) to host path; sets ERROR_ACCESS_DENIED / ERROR_PATH_NOT_FOUND on refusal.
bool DevicePathArg(LPCWSTR devicePath, std::string& hostOut);
// Device path of a host path inside the device root ("\Program Files\x.dll"); empty when outside.
std::u16string DevicePathOf(const std::string& hostPath);
// Whether a host path lies inside the current device root (no allocation).
bool InsideDeviceRoot(std::string_view hostPath);
// Serial stream devices ("SMP1:", "COM1:"), simulated from files of the device root.
bool IsSerialDeviceName(LPCWSTR name);
HANDLE OpenSerialDevice(LPCWSTR name, DWORD disposition);
bool SerialRead(Object& device, void* buffer, DWORD toRead, DWORD& read);
bool SerialWrite(Object& device, const void* buffer, DWORD toWrite);

// ASCII case-blind comparison (names of files, keys and modules).
bool SameNoCase(std::string_view a, std::string_view b);
bool SameNoCase(std::u16string_view a, std::u16string_view b);

}  // namespace plat::kernel
