// The remote-access calls as a program sees them: record sizes, short buffers, size checks and
// the dial-parameter errors.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "plat/kernel.h"
#include "plat/ras.h"
#include "plat/window.h"

namespace {

class RasApiTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/ras-api-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    root_ = pattern;
    plat::SetDeviceRoot(root_);
    plat::ras::Reset();
  }
  void TearDown() override {
    plat::ras::Reset();
    std::error_code ec;
    std::filesystem::remove_all(root_, ec);
  }
  static void AddEntry(const std::u16string& name, const std::u16string& password, DWORD saved) {
    HKEY k = nullptr;
    std::u16string path = u"Comm\\RasBook\\" + name;
    ASSERT_EQ(RegCreateKeyEx(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &k, nullptr),
              ERROR_SUCCESS);
    const std::u16string type = u"modem";
    RegSetValueEx(k, u"DeviceType", 0, REG_SZ, reinterpret_cast<const BYTE*>(type.c_str()),
                  static_cast<DWORD>((type.size() + 1) * 2));
    RegSetValueEx(k, u"Password", 0, REG_SZ, reinterpret_cast<const BYTE*>(password.c_str()),
                  static_cast<DWORD>((password.size() + 1) * 2));
    RegSetValueEx(k, u"SavePassword", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&saved), sizeof saved);
    RegCloseKey(k);
  }
  std::string root_;
};

TEST_F(RasApiTest, EnumEntriesReportsTheSizeNeededWhenShort) {
  AddEntry(u"One", u"", 0);
  AddEntry(u"Two", u"", 0);
  AddEntry(u"ExactlyTwentyCharsXX", u"", 0);   // 20 characters: fits
  AddEntry(u"TwentyOneCharactersXX", u"", 0);  // 21: cannot be held by a record, not listed

  DWORD bytes = 0, count = 0;
  EXPECT_EQ(RasEnumEntries(nullptr, nullptr, nullptr, &bytes, &count), static_cast<DWORD>(ERROR_BUFFER_TOO_SMALL));
  EXPECT_EQ(bytes, 3 * sizeof(RASENTRYNAME));
  EXPECT_EQ(count, 3u);

  RASENTRYNAME list[3] = {};
  list[0].dwSize = sizeof(RASENTRYNAME);
  bytes = 2 * sizeof(RASENTRYNAME);
  EXPECT_EQ(RasEnumEntries(nullptr, nullptr, list, &bytes, &count), static_cast<DWORD>(ERROR_BUFFER_TOO_SMALL));
  EXPECT_EQ(bytes, 3 * sizeof(RASENTRYNAME));
  EXPECT_EQ(list[1].szEntryName[0], 0) << "nothing written into a short buffer";

  bytes = sizeof list;
  ASSERT_EQ(RasEnumEntries(nullptr, nullptr, list, &bytes, &count), 0u);
  EXPECT_EQ(std::u16string(list[0].szEntryName), u"ExactlyTwentyCharsXX");
  EXPECT_EQ(std::u16string(list[2].szEntryName), u"Two");

  list[0].dwSize = 44;
  EXPECT_EQ(RasEnumEntries(nullptr, nullptr, list, &bytes, &count), static_cast<DWORD>(ERROR_INVALID_SIZE));
  list[0].dwSize = sizeof(RASENTRYNAME);
  EXPECT_EQ(RasEnumEntries(nullptr, u"\\other.pbk", list, &bytes, &count),
            static_cast<DWORD>(ERROR_CANNOT_OPEN_PHONEBOOK));
}

TEST_F(RasApiTest, DialParamsErrorsAndSavedPassword) {
  AddEntry(u"Saved", u"pw1", 1);
  AddEntry(u"Unsaved", u"pw2", 0);
  struct Case {
    DWORD size;
    const char16_t* phoneBook;
    const char16_t* entry;
    DWORD result;
    const char16_t* password;
    BOOL saved;
  } cases[] = {
      {sizeof(RASDIALPARAMS), nullptr, u"Saved", 0, u"pw1", TRUE},
      {sizeof(RASDIALPARAMS), nullptr, u"unsaved", 0, u"", FALSE},
      {100, nullptr, u"Saved", ERROR_BUFFER_INVALID, nullptr, FALSE},
      {sizeof(RASDIALPARAMS), u"\\x.pbk", u"Saved", ERROR_CANNOT_OPEN_PHONEBOOK, nullptr, FALSE},
      {sizeof(RASDIALPARAMS), nullptr, u"Missing", ERROR_CANNOT_FIND_PHONEBOOK_ENTRY, nullptr, FALSE},
  };
  for (const auto& c : cases) {
    RASDIALPARAMS p = {};
    p.dwSize = c.size;
    std::u16string e = c.entry;
    e.copy(p.szEntryName, e.size());
    BOOL saved = 7;
    EXPECT_EQ(RasGetEntryDialParams(c.phoneBook, &p, &saved), c.result) << std::string(e.begin(), e.end());
    if (c.result == 0) {
      EXPECT_EQ(std::u16string(p.szPassword), c.password);
      EXPECT_EQ(saved, c.saved);
    }
  }
  EXPECT_EQ(RasGetEntryDialParams(nullptr, nullptr, nullptr), static_cast<DWORD>(ERROR_BUFFER_INVALID));
}

TEST_F(RasApiTest, StatusAndPropertiesCheckTheirRecordSizes) {
  AddEntry(u"Link", u"", 0);
  HRASCONN h = plat::ras::AddConnection(u"Link");
  ASSERT_NE(h, 0u);
  RASCONNSTATUS st = {};
  st.dwSize = 100;
  EXPECT_EQ(RasGetConnectStatus(h, &st), static_cast<DWORD>(ERROR_INVALID_SIZE));
  st.dwSize = sizeof st;
  ASSERT_EQ(RasGetConnectStatus(h, &st), 0u);
  EXPECT_EQ(st.rasconnstate, RASCS_Connected);
  EXPECT_EQ(std::u16string(st.szDeviceType), u"modem");
  EXPECT_EQ(RasGetConnectStatus(h + 1000, &st), static_cast<DWORD>(ERROR_INVALID_HANDLE));

  DWORD size = 0;
  EXPECT_EQ(RasGetEntryProperties(nullptr, u"Link", nullptr, &size, nullptr, nullptr),
            static_cast<DWORD>(ERROR_BUFFER_TOO_SMALL));
  EXPECT_EQ(size, sizeof(RASENTRY));
  RASENTRY e = {};
  e.dwSize = sizeof e;
  EXPECT_EQ(RasGetEntryProperties(nullptr, u"Nothing", &e, &size, nullptr, nullptr),
            static_cast<DWORD>(ERROR_CANNOT_FIND_PHONEBOOK_ENTRY));
  EXPECT_EQ(plat::ras::AddConnection(u"TwentyOneCharactersXX"), 0u);
}

}  // namespace
