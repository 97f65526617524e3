// Child processes and named shared memory.
#include <cstring>

#include "fixture.h"

namespace {

class ProcessTest : public DeviceRootTest {
 protected:
  void SetUp() override {
    DeviceRootTest::SetUp();
    Install(KERNEL_TEST_HELPER, "Program Files/Quorvan/Bin/VXMain.exe");
  }

  HANDLE Start(const char16_t* argument) {
    std::u16string arg(argument);
    PROCESS_INFORMATION pi{};
    if (!CreateProcess(u"\\Program Files\\Quorvan\\Bin\\VXMain.exe", arg.data(), nullptr, nullptr, FALSE, 0, nullptr,
                       nullptr, nullptr, &pi))
      return nullptr;
    EXPECT_NE(pi.dwProcessId, 0u);
    CloseHandle(pi.hThread);
    return pi.hProcess;
  }

  DWORD Finish(HANDLE process) {
    EXPECT_EQ(WaitForSingleObject(process, 20000), WAIT_OBJECT_0);
    DWORD code = 12345;
    EXPECT_TRUE(GetExitCodeProcess(process, &code));
    CloseHandle(process);
    return code;
  }
};

TEST_F(ProcessTest, ChildRunsInTheSameRootAndReportsItsExitCode) {
  HANDLE child = Start(u"exit 7");
  ASSERT_NE(child, nullptr);
  EXPECT_EQ(WaitForSingleObject(child, 20000), WAIT_OBJECT_0);
  EXPECT_EQ(WaitForSingleObject(child, 0), WAIT_OBJECT_0);  // stays signalled
  EXPECT_EQ(Finish(child), 7u);

  // The child inherits the device root even when the environment names another one.
  setenv("LARKSPIN_ROOT", "/tmp/not-this-root", 1);
  HANDLE toucher = Start(u"touch");
  unsetenv("LARKSPIN_ROOT");
  ASSERT_NE(toucher, nullptr);
  EXPECT_EQ(Finish(toucher), 0u);
  EXPECT_EQ(ReadHostFile("child.txt"), "child");
}

TEST_F(ProcessTest, FailuresCarryTheErrorNumber) {
  struct Case {
    const char16_t* program;
    DWORD error;
  } cases[] = {
      {u"\\Program Files\\Quorvan\\Bin\\ZRUpdate.exe", ERROR_FILE_NOT_FOUND},
      {u"\\Nowhere\\ZRUpdate.exe", ERROR_PATH_NOT_FOUND},
      {u"\\Program Files\\Quorvan\\Bin\\Pelvato.conf", ERROR_BAD_EXE_FORMAT},
      {u"\\..\\bin\\sh", ERROR_ACCESS_DENIED},
  };
  WriteHostFile("Program Files/Quorvan/Bin/Pelvato.conf", "[SETUP INFO]\n");
  for (const Case& c : cases) {
    PROCESS_INFORMATION pi{};
    EXPECT_FALSE(CreateProcess(c.program, nullptr, nullptr, nullptr, FALSE, 0, nullptr, nullptr, nullptr, &pi));
    EXPECT_EQ(GetLastError(), c.error);
  }
}

TEST_F(ProcessTest, TerminateEndsARunningChildWithTheGivenCode) {
  HANDLE child = Start(u"sleep");
  ASSERT_NE(child, nullptr);
  EXPECT_EQ(WaitForSingleObject(child, 50), static_cast<DWORD>(WAIT_TIMEOUT));
  DWORD code = 0;
  EXPECT_TRUE(GetExitCodeProcess(child, &code));
  EXPECT_EQ(code, STILL_ACTIVE);
  EXPECT_TRUE(TerminateProcess(child, 3));
  EXPECT_EQ(WaitForSingleObject(child, 20000), WAIT_OBJECT_0);
  EXPECT_FALSE(TerminateProcess(child, 4));  // already gone
  EXPECT_EQ(Finish(child), 3u);
}

TEST_F(ProcessTest, NamedMappingIsSharedWithAnotherProcess) {
  HANDLE mapping = CreateFileMapping(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, 24, u"QV_COMMON_MEMORY_MAP");
  ASSERT_NE(mapping, nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SUCCESS));
  auto* table = static_cast<uint32_t*>(MapViewOfFile(mapping, FILE_MAP_ALL_ACCESS, 0, 0, 0));
  ASSERT_NE(table, nullptr);
  table[0] = 66;
  EXPECT_EQ(Finish(Start(u"map")), 66u);  // the child saw this process's mark
  EXPECT_EQ(table[1], 66u);               // and this process sees the child's
  EXPECT_TRUE(UnmapViewOfFile(table));
  EXPECT_FALSE(UnmapViewOfFile(table));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_ADDRESS));
  CloseHandle(mapping);
}

class MappingTest : public DeviceRootTest {};

TEST_F(MappingTest, AMappingNobodyHoldsStartsAgainFromZeros) {
  HANDLE first = CreateFileMapping(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, 24, u"QV_COMMON_MEMORY_MAP");
  auto* view = static_cast<char*>(MapViewOfFile(first, FILE_MAP_WRITE, 0, 0, 24));
  ASSERT_NE(view, nullptr);
  std::memset(view, 0x5A, 24);

  // A second holder in this process sees the same memory and is told it existed.
  HANDLE second = CreateFileMapping(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, 24, u"QV_COMMON_MEMORY_MAP");
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ALREADY_EXISTS));
  HANDLE opened = OpenFileMapping(FILE_MAP_READ, FALSE, u"QV_COMMON_MEMORY_MAP");
  ASSERT_NE(opened, nullptr);
  auto* reader = static_cast<const char*>(MapViewOfFile(opened, FILE_MAP_READ, 0, 0, 0));
  ASSERT_NE(reader, nullptr);
  EXPECT_EQ(reader[23], 0x5A);
  EXPECT_EQ(MapViewOfFile(opened, FILE_MAP_WRITE, 0, 0, 0), nullptr);  // opened for reading only
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
  UnmapViewOfFile(reader);
  CloseHandle(opened);
  CloseHandle(second);

  // A view keeps the mapping alive after its handle is closed.
  CloseHandle(first);
  HANDLE stillThere = OpenFileMapping(FILE_MAP_READ, FALSE, u"QV_COMMON_MEMORY_MAP");
  EXPECT_NE(stillThere, nullptr);
  CloseHandle(stillThere);
  UnmapViewOfFile(view);

  EXPECT_EQ(OpenFileMapping(FILE_MAP_READ, FALSE, u"QV_COMMON_MEMORY_MAP"), nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
  HANDLE again = CreateFileMapping(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, 24, u"QV_COMMON_MEMORY_MAP");
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SUCCESS));
  auto* fresh = static_cast<const char*>(MapViewOfFile(again, FILE_MAP_READ, 0, 0, 0));
  ASSERT_NE(fresh, nullptr);
  for (int i = 0; i < 24; ++i) EXPECT_EQ(fresh[i], 0) << i;
  UnmapViewOfFile(fresh);
  CloseHandle(again);
}

TEST_F(MappingTest, RootsDoNotShareMappings) {
  HANDLE mine = CreateFileMapping(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, 24, u"QV_COMMON_MEMORY_MAP");
  ASSERT_NE(mine, nullptr);
  std::string first = root_;
  char pattern[] = "/tmp/larkspin-kernel-XXXXXX";
  ASSERT_NE(mkdtemp(pattern), nullptr);
  plat::SetDeviceRoot(pattern);
  HANDLE other = CreateFileMapping(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, 24, u"QV_COMMON_MEMORY_MAP");
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SUCCESS));
  CloseHandle(other);
  CloseHandle(mine);
  std::filesystem::remove_all(pattern);
  plat::SetDeviceRoot(first);
}

TEST_F(MappingTest, BadRequestsAreRefused) {
  EXPECT_EQ(CreateFileMapping(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, 0, u"Zero"), nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
  HANDLE m = CreateFileMapping(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, 24, u"Small");
  EXPECT_EQ(MapViewOfFile(m, FILE_MAP_READ, 0, 0, 4096), nullptr);  // more than the mapping holds
  EXPECT_EQ(MapViewOfFile(m, FILE_MAP_READ, 0, 100, 4), nullptr);   // not on a page boundary
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_MAPPED_ALIGNMENT));
  CloseHandle(m);
}

}  // namespace
