// The registry: values, keys, errors, enumeration order, sharing between processes.
#include <algorithm>
#include <cstring>
#include <vector>

#include "fixture.h"

namespace {

class RegistryTest : public DeviceRootTest {
 protected:
  void SetUp() override {
    DeviceRootTest::SetUp();
    ASSERT_EQ(RegCreateKeyEx(HKEY_LOCAL_MACHINE, u"Software\\Quorvan\\Test", 0, const_cast<LPWSTR>(u"Screw"), 0,
                             KEY_ALL_ACCESS, nullptr, &key_, nullptr),
              ERROR_SUCCESS);
  }
  void TearDown() override {
    RegCloseKey(key_);
    DeviceRootTest::TearDown();
  }

  LONG Set(LPCWSTR name, DWORD type, const void* data, DWORD size) {
    return RegSetValueEx(key_, name, 0, type, static_cast<const BYTE*>(data), size);
  }
  LONG SetDword(LPCWSTR name, DWORD v) { return Set(name, REG_DWORD, &v, sizeof v); }

  std::vector<std::u16string> ValueNames(HKEY key) {
    std::vector<std::u16string> names;
    for (DWORD i = 0;; ++i) {
      WCHAR name[64];
      DWORD length = 64;
      LONG rc = RegEnumValue(key, i, name, &length, nullptr, nullptr, nullptr, nullptr);
      if (rc == ERROR_NO_MORE_ITEMS) break;
      EXPECT_EQ(rc, ERROR_SUCCESS);
      if (rc != ERROR_SUCCESS) break;
      names.emplace_back(name, length);
    }
    return names;
  }

  bool RunHelper(const char16_t* argument, DWORD& exitCode, HANDLE* processOut = nullptr) {
    if (!std::filesystem::exists(Host("Program Files/Quorvan/Bin/KernelHelper.exe")))
      Install(KERNEL_TEST_HELPER, "Program Files/Quorvan/Bin/KernelHelper.exe");
    std::u16string arg(argument);
    PROCESS_INFORMATION pi{};
    if (!CreateProcess(u"\\Program Files\\Quorvan\\Bin\\KernelHelper.exe", arg.data(), nullptr, nullptr, FALSE, 0,
                       nullptr, nullptr, nullptr, &pi))
      return false;
    CloseHandle(pi.hThread);
    if (processOut) {
      *processOut = pi.hProcess;
      return true;
    }
    EXPECT_EQ(WaitForSingleObject(pi.hProcess, 20000), WAIT_OBJECT_0);
    GetExitCodeProcess(pi.hProcess, &exitCode);
    CloseHandle(pi.hProcess);
    return true;
  }

  HKEY key_ = nullptr;
};

TEST_F(RegistryTest, ValuesComeBackAsStoredBytes) {
  // A string as the settings wrapper writes it: 1,001 bytes, odd, padded after the text.
  std::vector<BYTE> text(1001, 0);
  std::memcpy(text.data(), u"12345", 12);
  DWORD number = 0xFFFFFFFF;
  const BYTE binary[] = {0, 1, 0, 2};
  struct Case {
    const char16_t* name;
    DWORD type;
    std::vector<BYTE> data;
  } cases[] = {
      {u"AccountNo", REG_SZ, text},
      {u"Set_Flag", REG_DWORD,
       std::vector<BYTE>(reinterpret_cast<BYTE*>(&number), reinterpret_cast<BYTE*>(&number) + 4)},
      {u"Raw", REG_BINARY, std::vector<BYTE>(binary, binary + 4)},
      {u"Empty", REG_BINARY, {}},
  };
  for (const Case& c : cases)
    ASSERT_EQ(Set(c.name, c.type, c.data.data(), static_cast<DWORD>(c.data.size())), ERROR_SUCCESS);
  for (const Case& c : cases) {
    DWORD type = 0, size = 0;
    ASSERT_EQ(RegQueryValueEx(key_, c.name, nullptr, &type, nullptr, &size), ERROR_SUCCESS);  // size only
    EXPECT_EQ(type, c.type);
    ASSERT_EQ(size, c.data.size());
    std::vector<BYTE> back(size + 1, 0xAB);
    ASSERT_EQ(RegQueryValueEx(key_, c.name, nullptr, &type, back.data(), &size), ERROR_SUCCESS);
    back.pop_back();
    EXPECT_EQ(back, c.data);
  }
  // A value may change type.
  ASSERT_EQ(Set(u"set_flag", REG_SZ, u"1", 4), ERROR_SUCCESS);
  DWORD type = 0;
  EXPECT_EQ(RegQueryValueEx(key_, u"SET_FLAG", nullptr, &type, nullptr, nullptr), ERROR_SUCCESS);
  EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
}

TEST_F(RegistryTest, ErrorsLeaveBuffersAndStoreAlone) {
  ASSERT_EQ(SetDword(u"Price", 1234), ERROR_SUCCESS);
  BYTE small[2] = {0x55, 0x55};
  DWORD size = sizeof small;
  EXPECT_EQ(RegQueryValueEx(key_, u"Price", nullptr, nullptr, small, &size), ERROR_MORE_DATA);
  EXPECT_EQ(size, 4u);
  EXPECT_EQ(small[0], 0x55);
  size = 4;
  EXPECT_EQ(RegQueryValueEx(key_, u"Volume", nullptr, nullptr, small, &size), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(RegDeleteValue(key_, u"Volume"), ERROR_FILE_NOT_FOUND);

  // Opening a missing key fails and creates nothing on the way.
  HKEY missing = nullptr;
  EXPECT_EQ(RegOpenKeyEx(HKEY_LOCAL_MACHINE, u"Software\\Quorvan\\Zelvix\\Order Change", 0, KEY_ALL_ACCESS, &missing),
            ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(missing, nullptr);
  EXPECT_EQ(RegOpenKeyEx(HKEY_LOCAL_MACHINE, u"Software\\Quorvan\\Zelvix", 0, KEY_ALL_ACCESS, &missing),
            ERROR_FILE_NOT_FOUND);

  EXPECT_EQ(RegCloseKey(reinterpret_cast<HKEY>(&size)), ERROR_INVALID_HANDLE);
  EXPECT_EQ(RegSetValueEx(reinterpret_cast<HKEY>(&size), u"x", 0, REG_DWORD, small, 4), ERROR_INVALID_HANDLE);
}

TEST_F(RegistryTest, KeysAreCreatedOnTheWayAndDeletedWithTheirSubkeys) {
  HKEY deep = nullptr;
  DWORD disposition = 0;
  ASSERT_EQ(RegCreateKeyEx(HKEY_LOCAL_MACHINE, u"SOFTWARE\\quorvan\\Zelvix\\Order Change", 0, nullptr, 0,
                           KEY_ALL_ACCESS, nullptr, &deep, &disposition),
            ERROR_SUCCESS);
  EXPECT_EQ(disposition, REG_CREATED_NEW_KEY);
  HKEY again = nullptr;
  ASSERT_EQ(RegCreateKeyEx(HKEY_LOCAL_MACHINE, u"Software\\Quorvan\\ZELVIX\\order change", 0, nullptr, 0,
                           KEY_ALL_ACCESS, nullptr, &again, &disposition),
            ERROR_SUCCESS);
  EXPECT_EQ(disposition, REG_OPENED_EXISTING_KEY);
  DWORD v = 7;
  ASSERT_EQ(RegSetValueEx(deep, u"Price", 0, REG_DWORD, reinterpret_cast<BYTE*>(&v), 4), ERROR_SUCCESS);
  DWORD back = 0, size = 4;
  EXPECT_EQ(RegQueryValueEx(again, u"PRICE", nullptr, nullptr, reinterpret_cast<BYTE*>(&back), &size), ERROR_SUCCESS);
  EXPECT_EQ(back, 7u);

  HKEY quorvan = nullptr;
  ASSERT_EQ(RegOpenKeyEx(HKEY_LOCAL_MACHINE, u"Software\\Quorvan", 0, KEY_ALL_ACCESS, &quorvan), ERROR_SUCCESS);
  std::vector<std::u16string> subkeys;
  WCHAR name[32];
  for (DWORD i = 0;; ++i) {
    DWORD length = 32;
    if (RegEnumKeyEx(quorvan, i, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
    subkeys.emplace_back(name, length);
  }
  EXPECT_EQ(subkeys, (std::vector<std::u16string>{u"Test", u"Zelvix"}));  // case-blind name order
  DWORD tiny = 3;
  EXPECT_EQ(RegEnumKeyEx(quorvan, 1, name, &tiny, nullptr, nullptr, nullptr, nullptr), ERROR_MORE_DATA);

  ASSERT_EQ(RegDeleteKey(quorvan, u"zelvix"), ERROR_SUCCESS);
  EXPECT_EQ(RegQueryValueEx(deep, u"Price", nullptr, nullptr, nullptr, nullptr), ERROR_KEY_DELETED);
  HKEY gone = nullptr;
  EXPECT_EQ(RegOpenKeyEx(HKEY_LOCAL_MACHINE, u"Software\\Quorvan\\Zelvix\\Order Change", 0, 0, &gone),
            ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(RegDeleteKey(quorvan, u"Zelvix"), ERROR_FILE_NOT_FOUND);
  for (HKEY k : {deep, again, quorvan}) EXPECT_EQ(RegCloseKey(k), ERROR_SUCCESS);
}

TEST_F(RegistryTest, ValuesEnumerateNewestFirstAndKeepTheirPlaceWhenSetAgain) {
  // The recent-code list: written as "1".."3"; "1" set again must not move.
  for (const char16_t* name : {u"1", u"2", u"3"}) ASSERT_EQ(Set(name, REG_SZ, u"005930", 14), ERROR_SUCCESS);
  EXPECT_EQ(ValueNames(key_), (std::vector<std::u16string>{u"3", u"2", u"1"}));
  ASSERT_EQ(Set(u"1", REG_SZ, u"000660", 14), ERROR_SUCCESS);
  EXPECT_EQ(ValueNames(key_), (std::vector<std::u16string>{u"3", u"2", u"1"}));
  ASSERT_EQ(RegDeleteValue(key_, u"2"), ERROR_SUCCESS);
  ASSERT_EQ(SetDword(u"2", 5), ERROR_SUCCESS);
  EXPECT_EQ(ValueNames(key_), (std::vector<std::u16string>{u"2", u"3", u"1"}));

  WCHAR name[8];
  DWORD length = 8, type = 0, size = 2;
  BYTE data[2];
  EXPECT_EQ(RegEnumValue(key_, 2, name, &length, nullptr, &type, data, &size), ERROR_MORE_DATA);
  EXPECT_EQ(size, 14u);
  length = 8;
  EXPECT_EQ(RegEnumValue(key_, 3, name, &length, nullptr, nullptr, nullptr, nullptr), ERROR_NO_MORE_ITEMS);
  length = 1;  // no room for "1" and its NUL
  EXPECT_EQ(RegEnumValue(key_, 2, name, &length, nullptr, nullptr, nullptr, nullptr), ERROR_MORE_DATA);
}

TEST_F(RegistryTest, AValueSetToWhatItHoldsLeavesTheStoreFileAlone) {
  // Every write of the store raises the generation it carries in its second line.
  auto storeFile = [&] {
    std::string text = ReadHostFile(".registry/store");
    size_t at = text.find("\ngeneration ");
    EXPECT_NE(at, std::string::npos);
    return at == std::string::npos ? std::string() : text.substr(at, text.find('\n', at + 1) - at);
  };
  ASSERT_EQ(SetDword(u"Price", 0), ERROR_SUCCESS);
  ASSERT_EQ(Set(u"AccountNo", REG_SZ, u"1234567801", 22), ERROR_SUCCESS);
  const std::string before = storeFile();
  EXPECT_EQ(SetDword(u"price", 0), ERROR_SUCCESS);  // names are case-blind
  EXPECT_EQ(Set(u"AccountNo", REG_SZ, u"1234567801", 22), ERROR_SUCCESS);
  EXPECT_EQ(storeFile(), before);
  // The same bytes of another type, or other bytes, are a change.
  struct Case {
    DWORD type;
    const void* data;
    DWORD size;
  } changes[] = {{REG_BINARY, "\0\0\0\0", 4}, {REG_BINARY, "\0\0\0", 3}, {REG_DWORD, "\1\0\0\0", 4}};
  for (const Case& c : changes) {
    const std::string was = storeFile();
    ASSERT_EQ(Set(u"Price", c.type, c.data, c.size), ERROR_SUCCESS);
    EXPECT_NE(storeFile(), was) << c.type << " " << c.size;
    DWORD type = 0, size = 8;
    BYTE back[8];
    ASSERT_EQ(RegQueryValueEx(key_, u"Price", nullptr, &type, back, &size), ERROR_SUCCESS);
    EXPECT_EQ(type, c.type);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(back), size), std::string(static_cast<const char*>(c.data), c.size));
  }
}

TEST_F(RegistryTest, AnotherProcessOfTheRootSeesAndChangesTheSameStore) {
  ASSERT_EQ(SetDword(u"FromParent", 41), ERROR_SUCCESS);
  DWORD exitCode = 0;
  ASSERT_TRUE(RunHelper(u"regread", exitCode));
  EXPECT_EQ(exitCode, 41u);
  // The child's change reaches this process's (already loaded) view of the store.
  DWORD back = 0, size = 4;
  ASSERT_EQ(RegQueryValueEx(key_, u"FromChild", nullptr, nullptr, reinterpret_cast<BYTE*>(&back), &size),
            ERROR_SUCCESS);
  EXPECT_EQ(back, 42u);
}

TEST_F(RegistryTest, ConcurrentWritersInSeveralProcessesLoseNoChange) {
  HANDLE a = nullptr, b = nullptr;
  DWORD unused = 0;
  ASSERT_TRUE(RunHelper(u"regmany A", unused, &a));
  ASSERT_TRUE(RunHelper(u"regmany B", unused, &b));
  for (DWORD i = 0; i < 30; ++i) {
    std::u16string name = u"P" + plat::FromUtf8(std::to_string(i));
    ASSERT_EQ(SetDword(name.c_str(), i), ERROR_SUCCESS);
  }
  for (HANDLE child : {a, b}) {
    ASSERT_EQ(WaitForSingleObject(child, 20000), WAIT_OBJECT_0);
    DWORD code = 1;
    GetExitCodeProcess(child, &code);
    EXPECT_EQ(code, 0u);
    CloseHandle(child);
  }
  std::vector<std::u16string> names = ValueNames(key_);
  EXPECT_EQ(names.size(), 90u);
  for (const char16_t* last : {u"A29", u"B29", u"P29"})
    EXPECT_NE(std::find(names.begin(), names.end(), last), names.end()) << plat::ToUtf8(last);
}

TEST_F(RegistryTest, AWriterKilledMidWriteLeavesTheLastCompleteStore) {
  HANDLE child = nullptr;
  DWORD unused = 0;
  ASSERT_TRUE(RunHelper(u"regspin", unused, &child));
  // Let it write for a while (it marks its third round), then kill it somewhere in a write.
  for (int i = 0; i < 2000 && GetFileAttributes(u"\\spinning.txt") == INVALID_FILE_ATTRIBUTES; ++i) Sleep(5);
  Sleep(30);
  ASSERT_TRUE(TerminateProcess(child, 9));
  ASSERT_EQ(WaitForSingleObject(child, 10000), WAIT_OBJECT_0);
  DWORD code = 0;
  EXPECT_TRUE(GetExitCodeProcess(child, &code));
  EXPECT_EQ(code, 9u);
  CloseHandle(child);

  DWORD round = 0, size = 4;
  ASSERT_EQ(RegQueryValueEx(key_, u"Round", nullptr, nullptr, reinterpret_cast<BYTE*>(&round), &size), ERROR_SUCCESS);
  EXPECT_GE(round, 3u);
  std::vector<BYTE> blob(64 * 1024);
  size = static_cast<DWORD>(blob.size());
  ASSERT_EQ(RegQueryValueEx(key_, u"Blob", nullptr, nullptr, blob.data(), &size), ERROR_SUCCESS);
  ASSERT_EQ(size, blob.size());
  // The blob is written before the round number: it holds this round or the next, whole.
  BYTE first = blob[0];
  EXPECT_TRUE(first == (round & 0xFF) || first == ((round + 1) & 0xFF)) << int(first) << " " << round;
  for (BYTE b : blob) ASSERT_EQ(b, first);
  // And the store still takes changes.
  EXPECT_EQ(SetDword(u"After", 1), ERROR_SUCCESS);
}

}  // namespace
