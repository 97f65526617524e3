#include <string>
#include <vector>

#include "devicedata/sample_device.h"
#include "vx_device_test.h"
#include "vxbase/code_manager.h"

namespace {

using vxtest::Cp949;
using vxtest::DeviceTest;

const char kConfig[] =
    "[CODE INFO]\r\n"
    "CODE BASE=\\Program Files\\Quorvan\\Code\r\n"
    "STOCK CODE=stock_code.dat\r\n"
    "ECN CODE=ecn_code.dat\r\n";

class CodeTest : public DeviceTest {
 protected:
  void SetUp() override {
    DeviceTest::SetUp();
    WriteHost("Program Files/Quorvan/Bin/Pelvato.conf", kConfig);
  }
  void WriteCodes(const std::string& file, std::u16string_view text) {
    WriteHost("Program Files/Quorvan/Code/" + file, Cp949(text));
  }
  struct Row {
    std::u16string code, marketClass, name;
    int group;
    bool operator==(const Row&) const = default;
  };
  static std::vector<Row> Rows(const CObArray& list) {
    std::vector<Row> rows;
    for (INT_PTR i = 0; i < list.GetSize(); ++i) {
      auto* r = static_cast<const CItemCodeRecord*>(list[i]);
      rows.push_back({r->GetItemCode().str(), r->GetMarketClass().str(), r->GetItemName().str(), r->GetGroup()});
    }
    return rows;
  }
};

struct LineCase {
  const char* name;
  std::u16string line;
  bool kept;
  std::u16string code, marketClass, itemName;
  int group;
};

class CodeLine : public CodeTest, public ::testing::WithParamInterface<LineCase> {};

TEST_P(CodeLine, MakesOneRecordOrNone) {
  const LineCase& c = GetParam();
  // The line under test sits between two ordinary lines, so a line cut in two would show.
  WriteCodes("stock_code.dat", u"000020 0|동화약품\r\n" + c.line + u"\r\n000030 1|우리은행\r\n");
  CCodeManager codes;
  codes.ReadStockCode();
  auto rows = Rows(codes.GetStockList());
  ASSERT_EQ(rows.size(), c.kept ? 3u : 2u);
  EXPECT_EQ(rows.front().code, u"00020");
  EXPECT_EQ(rows.back().code, u"00030");
  if (!c.kept) return;
  EXPECT_EQ(rows[1].code, c.code);
  EXPECT_EQ(rows[1].marketClass, c.marketClass);
  EXPECT_EQ(rows[1].name, c.itemName);
  EXPECT_EQ(rows[1].group, c.group);
}

const std::u16string kLongName = u"아주긴이름" + std::u16string(60, u'가') + u"끝";

INSTANTIATE_TEST_SUITE_P(
    Lines, CodeLine,
    ::testing::Values(LineCase{"Ordinary", u"005930 0|삼성전자", true, u"05930", u"0", u"삼성전자", 17},
                      LineCase{"LetterPrefix", u"A05930 1|삼성전자우", true, u"05930", u"1", u"삼성전자우", 17},
                      LineCase{"NameAfterTheLastBar", u"000660 0|x|y|하이닉스", true, u"00660", u"0", u"하이닉스", 24},
                      LineCase{"LatinName", u"005490 0|POSCO", true, u"05490", u"0", u"POSCO", 2},
                      LineCase{"DigitName", u"004560 1|3S", true, u"04560", u"1", u"3S", 1},
                      LineCase{"NoBarWholeLineIsName", u"012345 1 이름", true, u"12345", u"1", u"012345 1 이름", 1},
                      LineCase{"EmptyName", u"012345 1|", true, u"12345", u"1", u"", -2},
                      LineCase{"ShortestLine", u"012345 1", true, u"12345", u"1", u"012345 1", 1},
                      LineCase{"TooShortForTheClass", u"012345 ", false, u"", u"", u"", 0},
                      LineCase{"TooShort", u"01234", false, u"", u"", u"", 0},
                      LineCase{"Empty", u"", false, u"", u"", u"", 0},
                      LineCase{"LongLineStaysOneItem", u"035420 1|" + kLongName, true, u"35420", u"1", kLongName, 18},
                      LineCase{"HangulBeforeTheClass", u"가나다라마바 0|x", true, u"나다라마바", u"0", u"x", 2}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(CodeTest, ZeroByteInALineKeepsTheNextLineApart) {
  WriteHost("Program Files/Quorvan/Code/stock_code.dat", std::string("005930 0|ab\0cd\r\n000660 0|xy\r\n", 29));
  CCodeManager codes;
  codes.ReadStockCode();
  auto rows = Rows(codes.GetStockList());
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_EQ(rows[0].code, u"05930");
  EXPECT_EQ(rows[1].code, u"00660");
  EXPECT_EQ(rows[1].name, u"xy");
}

TEST_F(CodeTest, LoadsOnceAndAnswersExactCodes) {
  WriteCodes("stock_code.dat", u"005930 0|삼성전자\n000660 0|하이닉스\n");
  WriteCodes("ecn_code.dat", u"005930 0|삼성전자\r\n035720 1|다음\r\n015760 0|한국전력\r\n");
  CCodeManager codes;
  codes.ReadStockCode();
  EXPECT_EQ(codes.ReadECNCode(), 3);
  ASSERT_EQ(codes.GetStockList().GetSize(), 2);

  // A second load changes nothing, even when the file has changed since.
  WriteCodes("stock_code.dat", u"111111 0|새종목\n");
  WriteCodes("ecn_code.dat", u"111111 0|새종목\n");
  codes.ReadStockCode();
  EXPECT_EQ(codes.ReadECNCode(), 3);
  EXPECT_EQ(codes.GetStockList().GetSize(), 2);

  struct Case {
    const char16_t* code;
    BOOL stock;
    BOOL ecn;
  };
  const Case cases[] = {
      {u"05930", TRUE, TRUE},    {u"00660", TRUE, FALSE},  {u"35720", FALSE, TRUE},
      {u"005930", FALSE, FALSE},  // the 6-character field is not the code
      {u"0593", FALSE, FALSE},   {u"11111", FALSE, FALSE}, {u"", FALSE, FALSE},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(codes.IsExistStockCode(c.code), c.stock) << plat::ToUtf8(c.code);
    EXPECT_EQ(codes.IsExistECNCode(c.code), c.ecn) << plat::ToUtf8(c.code);
  }
  EXPECT_FALSE(codes.IsExistStockCode(nullptr));
  EXPECT_FALSE(HostExists("qzlo.log"));
}

TEST_F(CodeTest, MissingCodeFilesAreLoggedAndLeaveTheListsEmpty) {
  CCodeManager codes;
  codes.ReadStockCode();
  EXPECT_EQ(codes.ReadECNCode(), 0);
  codes.ReadStockCode();
  EXPECT_EQ(ReadHost("qzlo.log"),
            "FILE OPEN pStockFile is NULL\nBBB FILE OPEN pECNFile is NULL\nFILE OPEN pStockFile is NULL\n");
  EXPECT_EQ(codes.GetStockList().GetSize(), 0);
  EXPECT_FALSE(codes.IsExistStockCode(u"05930"));

  // Once the file arrives the list loads.
  WriteCodes("ecn_code.dat", u"005930 0|삼성전자\n");
  EXPECT_EQ(codes.ReadECNCode(), 1);
}

TEST_F(CodeTest, MissingConfigurationLoadsNothing) {
  std::filesystem::remove(HostFile("Program Files/Quorvan/Bin/Pelvato.conf"));
  WriteCodes("ecn_code.dat", u"005930 0|삼성전자\n");
  CCodeManager codes;
  int result = -1;
  plat::win::MessageBoxInfo box;
  ASSERT_TRUE(AnswerBoxDuring([&] { result = codes.ReadECNCode(); }, box));
  EXPECT_EQ(box.text, u"Error : Config File Open");
  EXPECT_EQ(result, 0);
  EXPECT_EQ(codes.GetECNList().GetSize(), 0);
  EXPECT_FALSE(HostExists("qzlo.log"));
}

TEST_F(CodeTest, SampleDeviceLists) {
  std::string err;
  ASSERT_TRUE(devicedata::CopyTo(root_, devicedata::Options{}, err)) << err;
  CCodeManager codes;
  codes.ReadStockCode();
  const int ecn = codes.ReadECNCode();
  EXPECT_GT(codes.GetStockList().GetSize(), 300);
  EXPECT_GT(ecn, 50);
  ASSERT_TRUE(codes.IsExistStockCode(u"05930"));
  auto* first = static_cast<const CItemCodeRecord*>(codes.GetStockList()[0]);
  EXPECT_EQ(first->GetItemCode().str(), u"05930");
  EXPECT_EQ(first->GetItemName().str(), u"삼성전자");
  EXPECT_EQ(first->GetMarketClass().str(), u"0");
  for (INT_PTR i = 0; i < codes.GetStockList().GetSize(); ++i) {
    auto* r = static_cast<const CItemCodeRecord*>(codes.GetStockList()[i]);
    ASSERT_EQ(r->GetItemCode().GetLength(), 5) << i;
    ASSERT_TRUE(r->GetMarketClass() == u"0" || r->GetMarketClass() == u"1") << i;
    ASSERT_FALSE(r->GetItemName().IsEmpty()) << i;
    ASSERT_EQ(r->GetItemName().Find(u'\r'), -1) << i;
  }
  EXPECT_FALSE(HostExists("qzlo.log"));
}

TEST(WhichChar, ConsonantGroups) {
  struct Case {
    const char16_t* text;
    int group;
  };
  const Case cases[] = {
      {u"", -2},   {u"0", 1},     {u"9종목", 1}, {u"A", 2},   {u"z", 2},   {u" 가", -2}, {u"&", -2},
      {u"가", 11}, {u"까치", 11}, {u"기", 11},   {u"나", 12}, {u"니", 12}, {u"다", 13},  {u"따", 13},
      {u"라", 14}, {u"마", 15},   {u"바", 16},   {u"빠", 16}, {u"사", 17}, {u"싸", 17},  {u"아", 18},
      {u"자", 19}, {u"짜", 19},   {u"차", 20},   {u"카", 21}, {u"타", 22}, {u"파", 23},  {u"피", 23},
      {u"하", 24}, {u"힝", 24},   {u"가나", 11}, {u"똠", -2},  // an extended syllable lies below "가" in code page 949
  };
  for (const Case& c : cases)
    EXPECT_EQ(CCodeManager::which_char(Cp949(c.text).c_str()), c.group) << plat::ToUtf8(c.text);
  EXPECT_EQ(CCodeManager::which_char(nullptr), -1);
  // Symbols and Hanja above "하" in code page 949 fall in the last group.
  EXPECT_EQ(CCodeManager::which_char(Cp949(u"漢").c_str()), 24);
}

TEST(ClassNames, RecordsAndManager) {
  CQ7Object base;
  CStockCode stock;
  CECNCode ecn;
  CCodeManager codes;
  const CQ7Object* asBase = &stock;
  EXPECT_EQ(base.getClassName().str(), u"CQ7Object");
  EXPECT_EQ(asBase->getClassName().str(), u"CStockCode");
  EXPECT_EQ(ecn.getClassName().str(), u"CECNCode");
  EXPECT_EQ(codes.getClassName().str(), u"CCodeManager");
}

}  // namespace
