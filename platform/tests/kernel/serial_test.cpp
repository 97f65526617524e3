// Simulated serial devices: the modem behind "SMP1:".
#include "fixture.h"

namespace {

class SerialTest : public DeviceRootTest {};

TEST_F(SerialTest, AScriptedModemAnswersEachCommandInTurn) {
  WriteHostFile(".devices/SMP1", std::string("\r\nDIAL:01012345678\r\nOK\r\n") + '\f' + "\r\nCBPNUM: 0101112222\r\n");
  HANDLE modem = CreateFile(u"SMP1:", GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(modem, INVALID_HANDLE_VALUE);
  DCB state{};
  ASSERT_TRUE(GetCommState(modem, &state));
  state.BaudRate = CBR_115200;
  EXPECT_TRUE(SetCommState(modem, &state));
  COMMTIMEOUTS timeouts{1000, 0, 1000, 0, 1000};
  EXPECT_TRUE(SetCommTimeouts(modem, &timeouts));

  char reply[101] = {};
  DWORD n = 0;
  EXPECT_TRUE(ReadFile(modem, reply, 100, &n, nullptr));  // nothing asked yet: nothing to read
  EXPECT_EQ(n, 0u);
  ASSERT_TRUE(WriteFile(modem, "at*skt*dial\r\n", 13, &n, nullptr));
  EXPECT_EQ(n, 13u);
  ASSERT_TRUE(ReadFile(modem, reply, 100, &n, nullptr));
  EXPECT_EQ(std::string(reply, n), "\r\nDIAL:01012345678\r\nOK\r\n");
  ASSERT_TRUE(WriteFile(modem, "at@cbpnum\r\n", 11, &n, nullptr));
  ASSERT_TRUE(ReadFile(modem, reply, 5, &n, nullptr));  // a short read leaves the rest
  EXPECT_EQ(std::string(reply, n), "\r\nCBP");
  ASSERT_TRUE(ReadFile(modem, reply, 100, &n, nullptr));
  EXPECT_EQ(std::string(reply, n), "NUM: 0101112222\r\n");
  ASSERT_TRUE(WriteFile(modem, "at\r\n", 4, &n, nullptr));  // the script is done: no answer
  ASSERT_TRUE(ReadFile(modem, reply, 100, &n, nullptr));
  EXPECT_EQ(n, 0u);
  EXPECT_TRUE(CloseHandle(modem));
  EXPECT_EQ(ReadHostFile(".devices/SMP1.log"), "at*skt*dial\r\nat@cbpnum\r\nat\r\n");
}

TEST_F(SerialTest, AMissingDeviceAndNonDevicesAreRefused) {
  EXPECT_EQ(CreateFile(u"SMP1:", GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr),
            INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
  HANDLE file = CreateFile(u"\\plain.txt", GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  DCB state{};
  EXPECT_FALSE(GetCommState(file, &state));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
  CloseHandle(file);
}

}  // namespace
