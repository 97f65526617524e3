#include <string>
#include <type_traits>
#include <vector>

#include "vx_device_test.h"
#include "vxbase/prop_ce.h"

namespace {

using vxtest::DeviceTest;

static_assert(!std::is_copy_constructible_v<CPropCE> && !std::is_copy_assignable_v<CPropCE>,
              "a key handle has one owner");

constexpr const char16_t* kKey = u"Software\\Quorvan\\Zelvix";

class PropTest : public DeviceTest {
 protected:
  // Raw value as the platform registry holds it.
  static bool Raw(const char16_t* key, const char16_t* name, DWORD& type, std::vector<BYTE>& data) {
    HKEY h = nullptr;
    if (RegOpenKeyEx(HKEY_LOCAL_MACHINE, key, 0, KEY_READ, &h) != ERROR_SUCCESS) return false;
    DWORD size = 0;
    LONG r = RegQueryValueEx(h, name, nullptr, &type, nullptr, &size);
    data.assign(size, 0xEE);
    if (r == ERROR_SUCCESS) r = RegQueryValueEx(h, name, nullptr, &type, data.data(), &size);
    RegCloseKey(h);
    return r == ERROR_SUCCESS;
  }
  static void SetRaw(const char16_t* key, const char16_t* name, DWORD type, const void* data, DWORD size) {
    HKEY h = nullptr;
    ASSERT_EQ(RegCreateKeyEx(HKEY_LOCAL_MACHINE, key, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &h, nullptr),
              ERROR_SUCCESS);
    ASSERT_EQ(RegSetValueEx(h, name, 0, type, static_cast<const BYTE*>(data), size), ERROR_SUCCESS);
    RegCloseKey(h);
  }
  static bool KeyExists(const char16_t* key) {
    HKEY h = nullptr;
    if (RegOpenKeyEx(HKEY_LOCAL_MACHINE, key, 0, KEY_READ, &h) != ERROR_SUCCESS) return false;
    RegCloseKey(h);
    return true;
  }
};

struct TextCase {
  const char* name;
  std::u16string text;
  std::u16string stored;  // what a later GetValue gives
};

class PropText : public PropTest, public ::testing::WithParamInterface<TextCase> {};

TEST_P(PropText, RoundTripThroughTheRegistry) {
  const TextCase& c = GetParam();
  {
    CPropCE prop;
    ASSERT_TRUE(prop.SetBaseKey(HKEY_LOCAL_MACHINE, kKey));
    ASSERT_TRUE(prop.SetValue(u"Value", c.text.c_str()));
  }
  // The data is always 1,001 bytes: the text, a terminator that fits, zero padding.
  DWORD type = 0;
  std::vector<BYTE> raw;
  ASSERT_TRUE(Raw(kKey, u"Value", type, raw));
  EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
  ASSERT_EQ(raw.size(), 1001u);
  size_t textBytes = c.stored.size() * 2;
  ASSERT_LE(textBytes + 2, raw.size());
  EXPECT_EQ(std::u16string(reinterpret_cast<const char16_t*>(raw.data()), c.stored.size()), c.stored);
  for (size_t i = textBytes; i < raw.size(); ++i) ASSERT_EQ(raw[i], 0) << i;

  CPropCE reader;
  ASSERT_TRUE(reader.SetBaseKey(HKEY_LOCAL_MACHINE, kKey, TRUE));
  EXPECT_EQ(std::u16string(reader.GetValue(u"value")), c.stored);  // names are case-blind
  EXPECT_TRUE(reader.IsExistValue(u"Value"));
}

INSTANTIATE_TEST_SUITE_P(
    Texts, PropText,
    ::testing::Values(TextCase{"Empty", u"", u""}, TextCase{"Account", u"12345678-01", u"12345678-01"},
                      TextCase{"Hangul", u"삼성전자 보통주", u"삼성전자 보통주"},
                      TextCase{"LongestWhole", std::u16string(499, u'a'), std::u16string(499, u'a')},
                      TextCase{"FillsTheData", std::u16string(500, u'b'), std::u16string(499, u'b')},
                      TextCase{"FarTooLong", std::u16string(3000, u'c'), std::u16string(499, u'c')},
                      TextCase{"PairNotSplit", std::u16string(498, u'd') + u"\U0001F600", std::u16string(498, u'd')}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(PropTest, GetValueTerminatesWhatItReads) {
  // Values written by others: exactly 1,000 characters without a terminator, and one too long.
  std::u16string full(1000, u'x');
  SetRaw(kKey, u"Full", REG_SZ, full.data(), 2000);
  std::u16string longer(1500, u'y');
  SetRaw(kKey, u"Longer", REG_SZ, longer.data(), 3002);
  DWORD number = 0x00410042;
  SetRaw(kKey, u"Number", REG_DWORD, &number, 4);

  CPropCE prop;
  ASSERT_TRUE(prop.SetBaseKey(HKEY_LOCAL_MACHINE, kKey, TRUE));
  EXPECT_EQ(std::u16string(prop.GetValue(u"Full")), full);
  EXPECT_EQ(std::u16string(prop.GetValue(u"Longer")), u"");
  EXPECT_EQ(std::u16string(prop.GetValue(u"Number")), u"");
  EXPECT_EQ(std::u16string(prop.GetValue(u"Missing")), u"");
  EXPECT_FALSE(prop.IsExistValue(u"Full"));  // 2,000 bytes do not fit in 1,001
  EXPECT_FALSE(prop.IsExistValue(u"Longer"));
  EXPECT_TRUE(prop.IsExistValue(u"Number"));
  EXPECT_FALSE(prop.IsExistValue(u"Missing"));
}

TEST_F(PropTest, NumbersAndMissingValues) {
  CPropCE prop;
  ASSERT_TRUE(prop.SetBaseKey(HKEY_LOCAL_MACHINE, kKey));
  struct Case {
    const char16_t* name;
    long value;
  };
  const Case cases[] = {
      {u"Zero", 0}, {u"Carrier", 2}, {u"Minus", -1}, {u"Big", 2147483647L}, {u"Low", -2147483647L - 1}};
  for (const Case& c : cases) ASSERT_TRUE(prop.SetValue(c.name, c.value));
  for (const Case& c : cases) EXPECT_EQ(prop.GetLongValue(c.name), c.value) << plat::ToUtf8(c.name);
  EXPECT_EQ(prop.GetLongValue(u"Missing"), -1);
  ASSERT_TRUE(prop.SetValue(u"Text", u"12"));
  EXPECT_EQ(prop.GetLongValue(u"Text"), -1);  // a string is no number
  ASSERT_TRUE(prop.SetValue(u"Carrier", 3));
  EXPECT_EQ(prop.GetLongValue(u"Carrier"), 3);
  ASSERT_TRUE(prop.DeleteValue(u"Carrier"));
  EXPECT_EQ(prop.GetLongValue(u"Carrier"), -1);
  EXPECT_FALSE(prop.DeleteValue(u"Carrier"));
}

TEST_F(PropTest, OpenOnlyFailsOnAMissingKeyAndCreatesNothing) {
  CPropCE prop;
  EXPECT_FALSE(prop.SetBaseKey(HKEY_LOCAL_MACHINE, u"Software\\Quorvan\\Nowhere", TRUE));
  EXPECT_FALSE(KeyExists(u"Software\\Quorvan\\Nowhere"));
  EXPECT_FALSE(prop.IsOpen());
  EXPECT_TRUE(prop.SetBaseKey(HKEY_LOCAL_MACHINE, u"Software\\Quorvan\\Nowhere"));
  EXPECT_TRUE(KeyExists(u"Software\\Quorvan\\Nowhere"));
}

TEST_F(PropTest, AFailedOpenNeverWritesIntoTheKeyHeldBefore) {
  CPropCE prop;
  ASSERT_TRUE(prop.SetBaseKey(HKEY_LOCAL_MACHINE, u"Software\\Quorvan\\Zelvix\\Order Change"));
  ASSERT_TRUE(prop.SetValue(u"Price", u"50000"));
  EXPECT_FALSE(prop.SetBaseKey(HKEY_LOCAL_MACHINE, u"Software\\Quorvan\\FutOpt\\FutOpt Change", TRUE));
  EXPECT_FALSE(prop.SetValue(u"Price", u"1"));
  EXPECT_FALSE(prop.SetValue(u"Set_Flag", 1));
  EXPECT_EQ(std::u16string(prop.GetValue(u"Price")), u"");
  EXPECT_EQ(prop.GetLongValue(u"Set_Flag"), -1);

  CPropCE check;
  ASSERT_TRUE(check.SetBaseKey(HKEY_LOCAL_MACHINE, u"Software\\Quorvan\\Zelvix\\Order Change", TRUE));
  EXPECT_EQ(std::u16string(check.GetValue(u"Price")), u"50000");
  EXPECT_FALSE(check.IsExistValue(u"Set_Flag"));
}

TEST_F(PropTest, WithoutAKeyEverythingFails) {
  CPropCE prop;
  CString name;
  EXPECT_FALSE(prop.Close());
  EXPECT_FALSE(prop.SetValue(u"A", u"x"));
  EXPECT_FALSE(prop.SetValue(u"A", 1));
  EXPECT_EQ(std::u16string(prop.GetValue(u"A")), u"");
  EXPECT_EQ(prop.GetLongValue(u"A"), -1);
  EXPECT_FALSE(prop.IsExistValue(u"A"));
  EXPECT_FALSE(prop.DeleteValue(u"A"));
  EXPECT_FALSE(prop.DeleteKey(u"A"));
  EXPECT_FALSE(prop.EnumKey(0, name));
  EXPECT_FALSE(prop.EnumStringValue(0, &name, nullptr));
}

TEST_F(PropTest, EnumeratesSubkeysAndValues) {
  CPropCE prop;
  ASSERT_TRUE(prop.SetBaseKey(HKEY_LOCAL_MACHINE, u"Software\\Quorvan"));
  for (const char16_t* sub : {u"Zelvix", u"FutOpt", u"Recent Code"}) {
    CPropCE child;
    ASSERT_TRUE(child.SetBaseKey(HKEY_LOCAL_MACHINE, (std::u16string(u"Software\\Quorvan\\") + sub).c_str()));
  }
  std::vector<std::u16string> keys;
  CString name;
  for (int i = 0; prop.EnumKey(i, name); ++i) keys.push_back(name.str());
  EXPECT_EQ(keys, (std::vector<std::u16string>{u"FutOpt", u"Recent Code", u"Zelvix"}));
  EXPECT_FALSE(prop.EnumKey(-1, name));

  ASSERT_TRUE(prop.SetValue(u"FItemCD", u"101W3000"));
  ASSERT_TRUE(prop.SetValue(u"FOSet_Flag", 1));
  ASSERT_TRUE(prop.SetValue(u"FItemName", u"코스피200 F 0312"));
  // Newest first, as the platform registry enumerates.
  struct Want {
    const char16_t* name;
    const char16_t* text;
    long number;
  };
  const Want want[] = {{u"FItemName", u"코스피200 F 0312", -1}, {u"FOSet_Flag", u"", 1}, {u"FItemCD", u"101W3000", -1}};
  for (int i = 0; i < 3; ++i) {
    CString n, text;
    long number = 0;
    ASSERT_TRUE(prop.EnumStringValue(i, &n, &text)) << i;
    EXPECT_EQ(n.str(), want[i].name);
    EXPECT_EQ(text.str(), want[i].text);
    ASSERT_TRUE(prop.EnumLongValue(i, nullptr, &number));
    EXPECT_EQ(number, want[i].number);
  }
  CString only;
  EXPECT_TRUE(prop.EnumStringValue(0, nullptr, &only));
  EXPECT_EQ(only.str(), u"코스피200 F 0312");
  EXPECT_FALSE(prop.EnumStringValue(3, &only, &only));
  EXPECT_FALSE(prop.EnumLongValue(3, nullptr, nullptr));

  ASSERT_TRUE(prop.DeleteKey(u"Recent Code"));
  EXPECT_FALSE(KeyExists(u"Software\\Quorvan\\Recent Code"));
  EXPECT_TRUE(KeyExists(u"Software\\Quorvan\\Zelvix"));
}

}  // namespace
