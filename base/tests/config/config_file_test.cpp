#include <string>

#include "devicedata/sample_device.h"
#include "vx_device_test.h"
#include "vxbase/config_file.h"

namespace {

using vxtest::DeviceTest;

class ConfigFileTest : public DeviceTest {
 protected:
  // Writes `text` as the configuration file and reads it into `config`.
  int ReadText(CConfigFile& config, const std::string& text) {
    WriteHost("Program Files/Quorvan/Bin/Pelvato.conf", text);
    return config.ReadFile(VX_CONFIG_FILE_PATH);
  }
};

struct LookupCase {
  const char* name;
  std::string file;
  const char16_t* section;
  const char16_t* key;
  bool exists;
  const char16_t* value;
};

class ConfigLookup : public ConfigFileTest, public ::testing::WithParamInterface<LookupCase> {};

TEST_P(ConfigLookup, FindsTheFirstMatchingEntry) {
  const LookupCase& c = GetParam();
  CConfigFile config;
  ASSERT_EQ(ReadText(config, c.file), 1);
  EXPECT_EQ(config.IsExistValue(c.section, c.key), c.exists ? TRUE : FALSE);
  EXPECT_EQ(config.GetValue(c.section, c.key).str(), std::u16string(c.value));
}

const std::string kLongValue(253, 'x');

INSTANTIATE_TEST_SUITE_P(
    Lines, ConfigLookup,
    ::testing::Values(LookupCase{"BlanksAroundEquals", "[SERVER INFO]\n  MAIN PORT NUMBER   =   28100  \n",
                                 u"SERVER INFO", u"MAIN PORT NUMBER", true, u"28100"},
                      LookupCase{"TabsRemovedInsideNames", "[SER\tVER]\nMAIN\tPORT=2\t81\n", u"SERVER", u"MAINPORT",
                                 true, u"281"},
                      LookupCase{"CrLfLineEnds", "[A]\r\nK=v\r\n", u"A", u"K", true, u"v"},
                      LookupCase{"LowerCaseRequest", "[CODE INFO]\nSTOCK CODE=stock_code.dat\n", u"code info",
                                 u"Stock Code", true, u"stock_code.dat"},
                      LookupCase{"ValueKeepsItsCase", "[A]\nK=MixedCase.Dat\n", u"a", u"k", true, u"MixedCase.Dat"},
                      LookupCase{"FirstDuplicateWins", "[A]\nK=first\n[A]\nK=second\n", u"A", u"K", true, u"first"},
                      LookupCase{"SameKeyOtherSection", "[A]\nK=a\n[B]\nK=b\n", u"B", u"K", true, u"b"},
                      LookupCase{"KeysBeforeAnySection", "K=v\n[A]\n", u"", u"K", true, u"v"},
                      LookupCase{"NoSectionNotFoundUnderOthers", "K=v\n[A]\n", u"A", u"K", false, u""},
                      LookupCase{"SectionWithoutCloseIsEmptyName", "[A\nK=v\n", u"", u"K", true, u"v"},
                      LookupCase{"SectionWithoutCloseHidesOldName", "[A]\n[B\nK=v\n", u"A", u"K", false, u""},
                      LookupCase{"BracketInValueOpensSection", "[A]\nK=x[B]y\nL=1\n", u"B", u"L", true, u"1"},
                      LookupCase{"BracketInValueLosesKey", "[A]\nK=x[B]y\n", u"A", u"K", false, u""},
                      LookupCase{"TrailingCommentDropsLine", "[A]\nK=v /* note */\n", u"A", u"K", false, u""},
                      LookupCase{"CommentMarkAnywhere", "[A]\n  x /*\nK=v\n", u"A", u"K", true, u"v"},
                      LookupCase{"CommentedSectionKeepsCurrent", "[A]\n/* [B] */\nK=v\n", u"A", u"K", true, u"v"},
                      LookupCase{"HashIsNoCommentHere", "[A]\n#K=v\n", u"A", u"#K", true, u"v"},
                      LookupCase{"LineWithoutEqualsIsValue", "[A]\nloose words\nK=v\n", u"A", u"K", true, u"v"},
                      LookupCase{"SectionEntryMatchesEmptyKey", "[A]\n", u"A", u"", true, u""},
                      LookupCase{"EmptyValue", "[A]\nK=\n", u"A", u"K", true, u""},
                      LookupCase{"ValueWithEquals", "[A]\nK=a=b\n", u"A", u"K", true, u"a=b"},
                      LookupCase{"MissingKey", "[A]\nK=v\n", u"A", u"X", false, u""},
                      LookupCase{"EmptyFile", "", u"", u"", false, u""}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(ConfigFileTest, LongLineIsReadInPiecesOf255Characters) {
  // "K=" and 298 characters: the first piece holds the key and 253 characters of the value, the
  // rest becomes a line of its own (no '=', so a value under the empty key).
  CConfigFile config;
  ASSERT_EQ(ReadText(config, "[A]\nK=" + std::string(298, 'x') + "\nNEXT=1\n"), 1);
  EXPECT_EQ(config.GetValue(u"A", u"K").str(), std::u16string(253, u'x'));
  EXPECT_EQ(config.GetValue(u"A", u"").str(), u"");  // the section's own entry comes first
  ASSERT_EQ(config.GetConfigList().GetSize(), 4);
  auto* tail = static_cast<const CConfigInfo*>(config.GetConfigList()[2]);
  EXPECT_EQ(tail->GetKey().str(), u"");
  EXPECT_EQ(tail->GetValue().str(), std::u16string(45, u'x'));
  EXPECT_EQ(config.GetValue(u"A", u"NEXT").str(), u"1");
}

TEST_F(ConfigFileTest, EntriesInFileOrderWithSectionLines) {
  CConfigFile config;
  ASSERT_EQ(ReadText(config, "/* head */\n\n[ S1 ]\nA = 1\n\t\n[S2]\nB=2\n"), 1);
  const CObArray& list = config.GetConfigList();
  ASSERT_EQ(list.GetSize(), 4);
  struct Row {
    const char16_t* section;
    const char16_t* key;
    const char16_t* value;
  };
  const Row want[] = {{u"S1", u"", u""}, {u"S1", u"A", u"1"}, {u"S2", u"", u""}, {u"S2", u"B", u"2"}};
  for (int i = 0; i < 4; ++i) {
    auto* e = static_cast<const CConfigInfo*>(list[i]);
    EXPECT_EQ(e->GetSection().str(), want[i].section) << i;
    EXPECT_EQ(e->GetKey().str(), want[i].key) << i;
    EXPECT_EQ(e->GetValue().str(), want[i].value) << i;
  }
}

TEST_F(ConfigFileTest, ReadingTwiceKeepsBothSetsAndTheFirstWins) {
  CConfigFile config;
  ASSERT_EQ(ReadText(config, "[A]\nK=old\n"), 1);
  ASSERT_EQ(ReadText(config, "[A]\nK=new\n"), 1);
  EXPECT_EQ(config.GetConfigList().GetSize(), 4);
  EXPECT_EQ(config.GetValue(u"A", u"K").str(), u"old");
}

TEST_F(ConfigFileTest, MissingFileShowsTheOpenErrorAndKeepsTheList) {
  CConfigFile config;
  ASSERT_EQ(ReadText(config, "[A]\nK=v\n"), 1);
  int result = 0;
  plat::win::MessageBoxInfo box;
  ASSERT_TRUE(AnswerBoxDuring([&] { result = config.ReadFile(u"\\Program Files\\Quorvan\\Bin\\none.conf"); }, box));
  EXPECT_EQ(result, -1);
  EXPECT_EQ(box.text, u"Error : Config File Open");
  EXPECT_EQ(box.caption, u"");
  EXPECT_EQ(box.owner, 0u);
  EXPECT_EQ(box.buttons, std::vector<int>{IDOK});
  EXPECT_EQ(config.GetConfigList().GetSize(), 2);
  EXPECT_EQ(config.GetValue(u"A", u"K").str(), u"v");
}

TEST_F(ConfigFileTest, EmptyListAnswersEmpty) {
  CConfigFile config;
  EXPECT_FALSE(config.IsExistValue(u"", u""));
  EXPECT_EQ(config.GetValue(u"SERVER INFO", u"MAIN PORT NUMBER").str(), u"");
}

TEST_F(ConfigFileTest, InstalledSampleFile) {
  devicedata::Options options;
  options.mainPort = 31001;
  options.versionPort = 31002;
  std::string err;
  ASSERT_TRUE(devicedata::CopyTo(root_, options, err)) << err;
  CConfigFile config;
  ASSERT_EQ(config.ReadFile(VX_CONFIG_FILE_PATH), 1);
  struct Want {
    const char16_t* section;
    const char16_t* key;
    const char16_t* value;
  };
  const Want want[] = {
      {u"SERVER INFO", u"INTERNET SERVER", u"127.0.0.1"},
      {u"SERVER INFO", u"LGT SERVER", u"127.0.0.4"},
      {u"SERVER INFO", u"MAIN PORT NUMBER", u"31001"},
      {u"SERVER INFO", u"VERMAN PORT NUMBER", u"31002"},
      {u"SETUP INFO", u"SETUP EXE", u"\\Program Files\\Quorvan\\Bin"},
      {u"CODE INFO", u"CODE BASE", u"\\Program Files\\Quorvan\\Code"},
      {u"CODE INFO", u"ECN CODE", u"ecn_code.dat"},
      {u"UPDATE INFO", u"QMOVE FILE", u"\\Flitway.dll"},
  };
  for (const Want& w : want) EXPECT_EQ(config.GetValue(w.section, w.key).str(), w.value) << plat::ToUtf8(w.key);
  // The comment lines of the installed file make no entries.
  for (INT_PTR i = 0; i < config.GetConfigList().GetSize(); ++i) {
    auto* e = static_cast<const CConfigInfo*>(config.GetConfigList()[i]);
    EXPECT_EQ(e->GetValue().Find(u"/*"), -1);
  }
}

}  // namespace
