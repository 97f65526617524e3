// The handset's phone number: reply parsing, the scripted modem "SMP1:" (absent, replies in both
// formats, no reply, the bytes written) and the stand-in handset libraries; and the fixed fields
// of the login request.
#include <cstring>
#include <filesystem>

#include "plat/afx.h"
#include "plat/windows.h"
#include "test_root.h"
#include "vxlogin/phone_number.h"

using namespace vxlogin;
using namespace logintest;

namespace {

TEST(ModemReply, NumberIsReadWithinTheReplyAndTheField) {
  struct Case {
    ModemVariant variant;
    std::string reply;
    int outSize;
    int result;
    const char* number;
  } cases[] = {
      {ModemVariant::Dial, "*SKT*DIAL: 0101234567\r\nOK\r\n", 21, MODEM_FOUND, "0101234567"},
      {ModemVariant::Dial, "AT*SKTIDIAL: 0161112222\r\n", 21, MODEM_FOUND, "0161112222"},  // 'I' at 6
      {ModemVariant::Dial, "ERROR\r\n", 21, MODEM_BAD_REPLY, ""},
      {ModemVariant::Dial, "*SKT*DIAL no colon here\r\n", 21, MODEM_NO_NUMBER, ""},
      {ModemVariant::Dial, "*SKT*DIAL: 0101234567", 21, MODEM_FOUND, "0101234567"},  // no CR: up to what was read
      {ModemVariant::Dial, "*SKT*DIAL: 012345678901234567890123456789\r\n", 21, MODEM_FOUND,
       "01234567890123456789"},                                     // cut to the field
      {ModemVariant::Dial, "*SKT*DIAL:", 21, MODEM_NO_NUMBER, ""},  // colon at the very end
      {ModemVariant::CbpNum, "+CBPNUM:0109876543\r\n", 21, MODEM_FOUND, "0109876543"},
      {ModemVariant::CbpNum, "xxxxN:0175556666\r\n", 21, MODEM_FOUND, "0175556666"},
      {ModemVariant::CbpNum, "OK\r\n", 21, MODEM_BAD_REPLY, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.reply);
    char out[32];
    std::memset(out, 'X', sizeof out);
    EXPECT_EQ(ParseModemReply(c.variant, c.reply.data(), static_cast<int>(c.reply.size()), out, c.outSize), c.result);
    if (c.result == MODEM_FOUND) {
      EXPECT_STREQ(out, c.number);
      EXPECT_EQ(out[c.outSize], 'X');  // nothing written beyond the field
    }
  }
}

TEST(LoginField, TextIsCutOnACharacterBoundary) {
  struct Case {
    const char16_t* text;
    int used;
    const char* bytes;  // expected field, NUL-padded to 10
  } cases[] = {
      {u"demo", 4, "demo"},
      {u"abcdefghijklm", 10, "abcdefghij"},
      {u"", 0, ""},
      {u"abc한글한글", 9, nullptr},  // 3 + 3 x 2 bytes; a 4th Korean character would not fit
  };
  for (const Case& c : cases) {
    unsigned char field[12];
    std::memset(field, 0xEE, sizeof field);
    EXPECT_EQ(FillField(c.text, field, 10), c.used) << Utf8(c.text);
    EXPECT_EQ(field[10], 0xEE);  // the field's end is kept
    for (int i = c.used; i < 10; ++i) EXPECT_EQ(field[i], 0) << i;
    if (c.bytes) {
      EXPECT_EQ(std::string(reinterpret_cast<char*>(field), c.used), c.bytes);
    }
    if (c.used == 9) {
      CString back = CString::FromMultiByte(reinterpret_cast<char*>(field), 9);
      EXPECT_EQ(Utf8(back.str()), "abc한글한");
    }
  }
}

class ModemTest : public ::testing::Test {
 protected:
  void SetUp() override {
    root = MakeTempRoot();
    ASSERT_FALSE(root.empty());
    plat::SetDeviceRoot(root);
  }
  void TearDown() override {
    std::error_code ec;
    std::filesystem::remove_all(root, ec);
  }
  void Script(const std::string& replies) { WriteFile(root + "/.devices/SMP1", replies); }
  std::string Written() { return ReadFile(root + "/.devices/SMP1.log"); }
  void Install(const char* built, const char* name) {
    std::filesystem::create_directories(root + kBin);
    std::filesystem::copy_file(built, root + kBin + name);
  }
  void SetNumber(const char16_t* lib, const char16_t* number) {
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyEx(HKEY_LOCAL_MACHINE, (std::u16string(u"Drivers\\Handset\\") + lib).c_str(), 0, nullptr, 0,
                             0, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    RegSetValueEx(key, u"PhoneNumber", 0, REG_SZ, reinterpret_cast<const BYTE*>(number),
                  static_cast<DWORD>((std::char_traits<char16_t>::length(number) + 1) * 2));
    RegCloseKey(key);
  }
  std::string root;
};

TEST_F(ModemTest, AbsentModemIsNotOpened) {
  char out[21];
  EXPECT_EQ(AskModem(ModemVariant::Dial, out, sizeof out), MODEM_NOT_OPENED);
}

TEST_F(ModemTest, FirstCommandAnswered) {
  Script("*SKT*DIAL: 0101234567\r\nOK\r\n");
  char out[21];
  EXPECT_EQ(ModemPhoneNumber(out, sizeof out), MODEM_FOUND);
  EXPECT_STREQ(out, "0101234567");
  EXPECT_EQ(Written(), "at*skt*dial\r\n");
}

TEST_F(ModemTest, SecondCommandWhenTheFirstFails) {
  // Each command opens the device anew; this reply does not suit the first command.
  Script("+CBPNUM:0109876543\r\n");
  char out[21];
  EXPECT_EQ(ModemPhoneNumber(out, sizeof out), MODEM_FOUND);
  EXPECT_STREQ(out, "0109876543");
  // Each command exactly as long as it is.
  EXPECT_EQ(Written(), std::string("at*skt*dial\r\n") + "at@cbpnum\r\n");
}

TEST_F(ModemTest, NoReplyGivesNoNumber) {
  Script("");
  char out[21];
  EXPECT_EQ(ModemPhoneNumber(out, sizeof out), MODEM_NO_NUMBER);
}

TEST_F(ModemTest, HandsetLibraries) {
  char out[21];
  EXPECT_EQ(LibraryPhoneNumber(out, sizeof out), LIB_NOT_LOADED);
  Install(HANDSET_CB, "cb.dll");
  SetNumber(u"cb", u"011-222-3333");
  EXPECT_EQ(LibraryPhoneNumber(out, sizeof out), 10);
  EXPECT_STREQ(out, "0112223333");
  // hvsdk.dll comes first; a handset that does not know its number answers '?'.
  Install(HANDSET_HVSDK, "hvsdk.dll");
  EXPECT_EQ(LibraryPhoneNumber(out, sizeof out), LIB_NOT_LOADED);
  SetNumber(u"hvsdk", u"010-1234-5678-9999-0000-1111");
  EXPECT_EQ(LibraryPhoneNumber(out, sizeof out), 20);  // cut to the field
  EXPECT_STREQ(out, "01012345678999900001");
}

}  // namespace
