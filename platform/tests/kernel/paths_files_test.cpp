// Device paths, files and folders.
#include <cstring>
#include <vector>

#include "fixture.h"

namespace {

class PathsFilesTest : public DeviceRootTest {
 protected:
  void SetUp() override {
    DeviceRootTest::SetUp();
    WriteHostFile("Program Files/Quorvan/Bin/Pelvato.conf", "[SETUP INFO]\n");
    std::filesystem::create_directories(Host("Temp"));
  }

  HANDLE Open(const char16_t* path, DWORD access, DWORD disposition) {
    return CreateFile(path, access, FILE_SHARE_READ, nullptr, disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
  }
};

TEST_F(PathsFilesTest, DevicePathsMapIntoTheRootWhateverTheSpelling) {
  struct Case {
    const char* device;
    const char* expected;  // relative to the root; nullptr = refused
  } cases[] = {
      {"\\Program Files\\Quorvan\\Bin\\Pelvato.conf", "Program Files/Quorvan/Bin/Pelvato.conf"},
      {"/Program files/Quorvan/bin/qv_his_menu.txt", "Program Files/Quorvan/Bin/qv_his_menu.txt"},
      {"\\PROGRAM FILES\\QUORVAN\\BIN\\PELVATO.CONF", "Program Files/Quorvan/Bin/Pelvato.conf"},
      {"\\TEMP\\OrderTxt.tmp", "Temp/OrderTxt.tmp"},
      {"vx_main.txt", "vx_main.txt"},
      {"\\pelvato.der", "pelvato.der"},
      {"\\\\Temp//.\\x.bin", "Temp/x.bin"},
      {"\\New\\Folder\\File.TXT", "New/Folder/File.TXT"},
      {"/etc/passwd", "etc/passwd"},  // a host-looking path stays inside the root
      {"..\\outside.txt", nullptr},
      {"\\Temp\\..\\..\\etc\\passwd", nullptr},
      {"C:\\Windows\\win.ini", nullptr},
      {"", nullptr},
  };
  for (const Case& c : cases) {
    std::string host;
    bool ok = plat::HostPath(std::string_view(c.device), host);
    if (!c.expected) {
      EXPECT_FALSE(ok) << c.device;
      continue;
    }
    ASSERT_TRUE(ok) << c.device;
    EXPECT_EQ(host, Host(c.expected)) << c.device;
    std::string wide;
    ASSERT_TRUE(plat::HostPath(plat::FromUtf8(c.device), wide));
    EXPECT_EQ(wide, host);
  }
}

TEST_F(PathsFilesTest, CreateFileDispositions) {
  struct Case {
    DWORD disposition;
    bool exists;
    bool opens;
    DWORD error;
    const char* contentAfter;
  } cases[] = {
      {CREATE_NEW, false, true, ERROR_SUCCESS, ""},
      {CREATE_NEW, true, false, ERROR_FILE_EXISTS, "old"},
      {CREATE_ALWAYS, false, true, ERROR_SUCCESS, ""},
      {CREATE_ALWAYS, true, true, ERROR_ALREADY_EXISTS, ""},
      {OPEN_EXISTING, false, false, ERROR_FILE_NOT_FOUND, nullptr},
      {OPEN_EXISTING, true, true, ERROR_SUCCESS, "old"},
      {OPEN_ALWAYS, false, true, ERROR_SUCCESS, ""},
      {OPEN_ALWAYS, true, true, ERROR_ALREADY_EXISTS, "old"},
      {TRUNCATE_EXISTING, true, true, ERROR_SUCCESS, ""},
      {TRUNCATE_EXISTING, false, false, ERROR_FILE_NOT_FOUND, nullptr},
  };
  for (const Case& c : cases) {
    std::filesystem::remove(Host("Temp/f.dat"));
    if (c.exists) WriteHostFile("Temp/f.dat", "old");
    SetLastError(12345);
    HANDLE h = Open(u"\\temp\\f.dat", GENERIC_READ | GENERIC_WRITE, c.disposition);
    DWORD error = GetLastError();
    EXPECT_EQ(h != INVALID_HANDLE_VALUE, c.opens) << "disposition " << c.disposition << " exists " << c.exists;
    EXPECT_EQ(error, c.error) << "disposition " << c.disposition << " exists " << c.exists;
    if (h != INVALID_HANDLE_VALUE) {
      EXPECT_TRUE(CloseHandle(h));
    }
    if (c.contentAfter) {
      EXPECT_EQ(ReadHostFile("Temp/f.dat"), c.contentAfter);
    } else {
      EXPECT_FALSE(std::filesystem::exists(Host("Temp/f.dat")));
    }
  }
  EXPECT_EQ(Open(u"\\NoSuchFolder\\f.dat", GENERIC_WRITE, CREATE_ALWAYS), INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PATH_NOT_FOUND));
  EXPECT_EQ(Open(u"\\Temp", GENERIC_READ, OPEN_EXISTING), INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
  EXPECT_EQ(Open(u"\\..\\escape.txt", GENERIC_WRITE, CREATE_ALWAYS), INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
}

TEST_F(PathsFilesTest, ReadWriteSeekKeepExactBytes) {
  HANDLE h = Open(u"\\Temp\\OrderTxt.tmp", GENERIC_READ | GENERIC_WRITE, CREATE_ALWAYS);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  const char data[] = "line1\r\nline2\n\0tail";
  DWORD n = 0;
  ASSERT_TRUE(WriteFile(h, data, sizeof data - 1, &n, nullptr));
  EXPECT_EQ(n, sizeof data - 1);
  EXPECT_EQ(GetFileSize(h, nullptr), sizeof data - 1);
  EXPECT_EQ(SetFilePointer(h, -4, nullptr, FILE_END), sizeof data - 5);
  char buffer[32] = {};
  ASSERT_TRUE(ReadFile(h, buffer, sizeof buffer, &n, nullptr));
  EXPECT_EQ(std::string(buffer, n), "tail");
  ASSERT_TRUE(ReadFile(h, buffer, sizeof buffer, &n, nullptr));  // end of file: success, nothing read
  EXPECT_EQ(n, 0u);
  EXPECT_EQ(SetFilePointer(h, -100, nullptr, FILE_CURRENT), INVALID_SET_FILE_POINTER);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NEGATIVE_SEEK));
  EXPECT_EQ(SetFilePointer(h, 5, nullptr, FILE_BEGIN), 5u);
  ASSERT_TRUE(SetEndOfFile(h));
  EXPECT_TRUE(CloseHandle(h));
  EXPECT_EQ(ReadHostFile("Temp/OrderTxt.tmp"), "line1");

  // A closed handle is refused, and closing it again fails.
  EXPECT_FALSE(ReadFile(h, buffer, 1, &n, nullptr));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
  EXPECT_FALSE(CloseHandle(h));

  HANDLE reader = Open(u"\\Temp\\OrderTxt.tmp", GENERIC_READ, OPEN_EXISTING);
  ASSERT_NE(reader, INVALID_HANDLE_VALUE);
  EXPECT_FALSE(WriteFile(reader, "x", 1, &n, nullptr));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
  CloseHandle(reader);
}

TEST_F(PathsFilesTest, FolderAndFileOperations) {
  WriteHostFile("VXMain.exe", "new core");
  WriteHostFile("Program Files/Quorvan/Bin/VXMain.exe", "old core");
  // MoveFile never replaces an existing file; the launcher deletes first.
  EXPECT_FALSE(MoveFile(u"\\VXMain.exe", u"\\Program Files\\Quorvan\\Bin\\VXMain.exe"));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ALREADY_EXISTS));
  EXPECT_EQ(ReadHostFile("Program Files/Quorvan/Bin/VXMain.exe"), "old core");
  EXPECT_TRUE(DeleteFile(u"\\program files\\quorvan\\bin\\vxmain.exe"));
  EXPECT_TRUE(MoveFile(u"\\VXMain.exe", u"\\Program Files\\Quorvan\\Bin\\VXMain.exe"));
  EXPECT_EQ(ReadHostFile("Program Files/Quorvan/Bin/VXMain.exe"), "new core");
  EXPECT_FALSE(MoveFile(u"\\VXMain.exe", u"\\x"));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
  // Renaming to another case of the same name changes the name, not the content.
  EXPECT_TRUE(MoveFile(u"\\Program Files\\Quorvan\\Bin\\VXMain.exe", u"\\PROGRAM FILES\\Quorvan\\Bin\\VXMAIN.EXE"));
  EXPECT_EQ(ReadHostFile("Program Files/Quorvan/Bin/VXMAIN.EXE"), "new core");

  EXPECT_TRUE(CopyFile(u"\\Program Files\\Quorvan\\Bin\\VXMain.exe", u"\\Temp\\copy.exe", TRUE));
  EXPECT_EQ(ReadHostFile("Temp/copy.exe"), "new core");
  EXPECT_FALSE(CopyFile(u"\\Program Files\\Quorvan\\Bin\\Pelvato.conf", u"\\Temp\\copy.exe", TRUE));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_EXISTS));
  EXPECT_TRUE(CopyFile(u"\\Program Files\\Quorvan\\Bin\\Pelvato.conf", u"\\Temp\\copy.exe", FALSE));
  EXPECT_EQ(ReadHostFile("Temp/copy.exe"), "[SETUP INFO]\n");

  EXPECT_FALSE(DeleteFile(u"\\Temp\\missing.txt"));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
  EXPECT_FALSE(DeleteFile(u"\\Missing\\missing.txt"));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PATH_NOT_FOUND));

  EXPECT_TRUE(CreateDirectory(u"\\Code", nullptr));
  EXPECT_FALSE(CreateDirectory(u"\\code", nullptr));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ALREADY_EXISTS));
  EXPECT_FALSE(CreateDirectory(u"\\A\\B", nullptr));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PATH_NOT_FOUND));
  EXPECT_FALSE(RemoveDirectory(u"\\Temp"));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_DIR_NOT_EMPTY));
  EXPECT_TRUE(RemoveDirectory(u"\\CODE"));

  EXPECT_NE(GetFileAttributes(u"\\temp") & FILE_ATTRIBUTE_DIRECTORY, 0u);
  DWORD fileAttributes = GetFileAttributes(u"\\Temp\\copy.exe");
  ASSERT_NE(fileAttributes, INVALID_FILE_ATTRIBUTES);
  EXPECT_EQ(fileAttributes & FILE_ATTRIBUTE_DIRECTORY, 0u);
  EXPECT_EQ(GetFileAttributes(u"\\Temp\\none"), INVALID_FILE_ATTRIBUTES);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
}

TEST_F(PathsFilesTest, AnOpenFileIsKnownStillNamedUntilRemovedReplacedOrTheRootMoves) {
  HANDLE h = Open(u"\\Temp\\Log.txt", GENERIC_WRITE, OPEN_ALWAYS);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  std::string host;
  ASSERT_TRUE(plat::HostPath(std::string_view("\\TEMP\\LOG.TXT"), host));
  EXPECT_TRUE(plat::FileStillNamed(h, host.c_str()));
  EXPECT_FALSE(plat::FileStillNamed(h, nullptr));
  EXPECT_FALSE(plat::FileStillNamed(h, Host("Temp").c_str()));  // another file
  // Written and then cut short in place by another writer: still the same file, at its new size.
  int64_t size = -1;
  WriteHostFile("Temp/Log.txt", "12345");
  EXPECT_TRUE(plat::FileStillNamed(h, host.c_str(), &size));
  EXPECT_EQ(size, 5);
  WriteHostFile("Temp/Log.txt", "");
  EXPECT_TRUE(plat::FileStillNamed(h, host.c_str(), &size));
  EXPECT_EQ(size, 0);
  // Replaced: a new file under the name.
  std::filesystem::remove(Host("Temp/Log.txt"));
  EXPECT_FALSE(plat::FileStillNamed(h, host.c_str()));
  WriteHostFile("Temp/Log.txt", "new");
  EXPECT_FALSE(plat::FileStillNamed(h, host.c_str()));
  CloseHandle(h);
  EXPECT_FALSE(plat::FileStillNamed(h, host.c_str()));  // no longer a handle

  h = Open(u"\\Temp\\Log.txt", GENERIC_READ, OPEN_EXISTING);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  EXPECT_TRUE(plat::FileStillNamed(h, host.c_str()));
  // Under another device root the same host path names nothing of the device.
  std::string other = root_ + "-other";
  plat::SetDeviceRoot(other);
  EXPECT_FALSE(plat::FileStillNamed(h, host.c_str()));
  plat::SetDeviceRoot(root_);
  std::filesystem::remove_all(other);
  EXPECT_TRUE(plat::FileStillNamed(h, host.c_str()));
  CloseHandle(h);
  EXPECT_FALSE(plat::FileStillNamed(INVALID_HANDLE_VALUE, host.c_str()));
}

TEST_F(PathsFilesTest, FindFilesByPatternInNameOrder) {
  WriteHostFile("Program Files/Quorvan/Bin/ZR4320.DLL", "b");
  WriteHostFile("Program Files/Quorvan/Bin/VX0101.dll", "a");
  WriteHostFile("Program Files/Quorvan/Bin/notes.txt", "c");
  WIN32_FIND_DATA data;
  HANDLE find = FindFirstFile(u"\\Program Files\\Quorvan\\Bin\\*.dll", &data);
  ASSERT_NE(find, INVALID_HANDLE_VALUE);
  std::vector<std::u16string> names{data.cFileName};
  while (FindNextFile(find, &data)) names.emplace_back(data.cFileName);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NO_MORE_FILES));
  EXPECT_TRUE(FindClose(find));
  EXPECT_EQ(names, (std::vector<std::u16string>{u"VX0101.dll", u"ZR4320.DLL"}));
  EXPECT_EQ(FindFirstFile(u"\\Temp\\*.none", &data), INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
}

TEST_F(PathsFilesTest, StdioOnDevicePathsStoresBytesAsWritten) {
  FILE* f = _wfopen(u"/Program files/Quorvan/bin/qv_his_menu.txt", u"wt");
  ASSERT_NE(f, nullptr);
  std::fputs("90100$Home$ \n", f);
  std::fclose(f);
  EXPECT_EQ(ReadHostFile("Program Files/Quorvan/Bin/qv_his_menu.txt"), "90100$Home$ \n");
  FILE* r = plat::OpenDeviceFile("\\PROGRAM FILES\\Quorvan\\Bin\\QV_HIS_MENU.TXT", "rt");
  ASSERT_NE(r, nullptr);
  char line[64] = {};
  ASSERT_NE(std::fgets(line, sizeof line, r), nullptr);
  std::fclose(r);
  EXPECT_STREQ(line, "90100$Home$ \n");
  EXPECT_EQ(plat::OpenDeviceFile("..\\x", "w"), nullptr);
}

}  // namespace
