// A second process for the kernel tests. Started through CreateProcess with one argument that
// names what to do; it reports through its exit code, files, the registry or shared memory.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "plat/kernel.h"

namespace {

HKEY OpenTestKey() {
  HKEY key = nullptr;
  RegCreateKeyEx(HKEY_LOCAL_MACHINE, u"Software\\Quorvan\\Test", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr);
  return key;
}

}  // namespace

int main(int argc, char** argv) {
  std::string command = argc > 1 ? argv[1] : "";
  if (command.rfind("exit ", 0) == 0) return std::atoi(command.c_str() + 5);

  if (command == "touch") {
    // Writes into the device root it inherited from the parent.
    HANDLE f = CreateFile(u"\\child.txt", GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (f == INVALID_HANDLE_VALUE) return 1;
    DWORD n = 0;
    WriteFile(f, "child", 5, &n, nullptr);
    CloseHandle(f);
    return 0;
  }

  if (command == "sleep") {
    for (;;) Sleep(1000);
  }

  if (command == "regread") {
    HKEY key = OpenTestKey();
    DWORD value = 0, size = sizeof value, type = 0;
    if (RegQueryValueEx(key, u"FromParent", nullptr, &type, reinterpret_cast<BYTE*>(&value), &size) != ERROR_SUCCESS)
      return 99;
    DWORD reply = value + 1;
    RegSetValueEx(key, u"FromChild", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&reply), sizeof reply);
    RegCloseKey(key);
    return static_cast<int>(value);
  }

  if (command.rfind("regmany ", 0) == 0) {
    // Adds 30 values named after the given prefix, one call each, racing other writers.
    std::u16string prefix = plat::FromUtf8(command.substr(8));
    HKEY key = OpenTestKey();
    for (DWORD i = 0; i < 30; ++i) {
      std::u16string name = prefix + plat::FromUtf8(std::to_string(i));
      if (RegSetValueEx(key, name.c_str(), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&i), sizeof i) != ERROR_SUCCESS)
        return 1;
    }
    RegCloseKey(key);
    return 0;
  }

  if (command == "regspin") {
    // Writes without end until killed: a 64 KiB value filled with the round's number, then the
    // round's number itself.
    HKEY key = OpenTestKey();
    std::vector<BYTE> blob(64 * 1024);
    for (DWORD round = 1;; ++round) {
      std::memset(blob.data(), static_cast<int>(round & 0xFF), blob.size());
      RegSetValueEx(key, u"Blob", 0, REG_BINARY, blob.data(), static_cast<DWORD>(blob.size()));
      RegSetValueEx(key, u"Round", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&round), sizeof round);
      if (round == 3) {
        HANDLE f = CreateFile(u"\\spinning.txt", GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        CloseHandle(f);
      }
    }
  }

  if (command == "map") {
    // Joins the shared table the parent created: reports the parent's mark, leaves its own.
    HANDLE mapping = CreateFileMapping(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, 24, u"QV_COMMON_MEMORY_MAP");
    if (!mapping) return 101;
    if (GetLastError() != ERROR_ALREADY_EXISTS) return 102;
    auto* table = static_cast<uint32_t*>(MapViewOfFile(mapping, FILE_MAP_ALL_ACCESS, 0, 0, 0));
    if (!table) return 103;
    int parentMark = static_cast<int>(table[0]);
    table[1] = 66;
    UnmapViewOfFile(table);
    CloseHandle(mapping);
    return parentMark;
  }
  return 200;
}
