// The item-code combo of the screens: the recent codes in the registry, the code checks, the
// request field, and the finder plug-ins run from their buttons.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "vx_screen_fixture.h"
#include "vxbase/code_manager.h"
#include "vxbase/prop_ce.h"

namespace {

using vxtest::Cp949;
using vxtest::ScreenTest;
using vxtest::UiAnswerer;

class ItemCodeTest : public ScreenTest {
 protected:
  void SetUp() override {
    ScreenTest::SetUp();
    WriteHost("Program Files/Quorvan/Bin/Pelvato.conf",
              "[CODE INFO]\r\nCODE BASE=\\Program Files\\Quorvan\\Code\r\nSTOCK CODE=stock_code.dat\r\n");
    WriteHost("Program Files/Quorvan/Code/stock_code.dat",
              Cp949(u"005930 0|삼성전자\r\n000660 0|하이닉스\r\n035720 1|다음\r\n"));
    codes_.ReadStockCode();
  }

  void PutRecent(const std::vector<std::pair<std::u16string, std::u16string>>& values) {
    CPropCE reg;
    ASSERT_TRUE(reg.SetBaseKey(HKEY_LOCAL_MACHINE, VX_REG_RECENT_CODE, FALSE));
    for (auto& [name, value] : values) reg.SetValue(name.c_str(), value.c_str());
  }
  std::map<std::u16string, std::u16string> Recent() {
    std::map<std::u16string, std::u16string> out;
    CPropCE reg;
    if (!reg.SetBaseKey(HKEY_LOCAL_MACHINE, VX_REG_RECENT_CODE, TRUE)) return out;
    CString name, data;
    for (int i = 0; reg.EnumStringValue(i, &name, &data); ++i) out[name.str()] = data.str();
    return out;
  }
  std::vector<std::u16string> ComboItems(int id) {
    std::vector<std::u16string> items;
    auto* combo = static_cast<CComboBox*>(screen_->GetDlgItem(id));
    for (int i = 0; i < combo->GetCount(); ++i) {
      CString t;
      combo->GetLBText(i, t);
      items.push_back(t.str());
    }
    return items;
  }
  // The registry holds exactly "1" .. "n" in the combo's order.
  void ExpectRegistryMatchesCombo() {
    auto items = ComboItems(IDC_ITEM_COMBO);
    std::map<std::u16string, std::u16string> expected;
    for (size_t i = 0; i < items.size(); ++i) expected[plat::FromUtf8(std::to_string(i + 1))] = items[i];
    EXPECT_EQ(Recent(), expected);
  }
  void InstallFinders() {
    for (const char* name : {"VXSCOUTLET.DLL", "ECNSCOUTLET.DLL", "VXFOSCOUTLET.DLL"}) {
      std::filesystem::create_directories(HostFile("Program Files/Quorvan/Bin"));
      std::filesystem::copy_file(VX_TEST_FINDER, HostFile(std::string("Program Files/Quorvan/Bin/") + name),
                                 std::filesystem::copy_options::overwrite_existing);
    }
  }

  CCodeManager codes_;
};

TEST_F(ItemCodeTest, NewScreenWithoutHistoryShowsTheDefaultCode) {
  OpenScreen(&codes_);
  EXPECT_EQ(screen_->InitItemCode(IDC_ITEM_COMBO), 1);
  EXPECT_EQ(Text(IDC_ITEM_COMBO), u"05930");
  EXPECT_TRUE(ComboItems(IDC_ITEM_COMBO).empty());
  EXPECT_EQ(CVXDlg::csLastItemCode, u"05930");
  EXPECT_TRUE(Recent().empty());  // reading creates nothing
}

TEST_F(ItemCodeTest, StoredCodesAreListedNewestFirstAndTheCurrentCodeShown) {
  PutRecent({{u"3", u"35720"}, {u"1", u"00660"}, {u"10", u"11111"}, {u"2", u"05930"}});
  OpenScreen(&codes_);
  screen_->InitItemCode(IDC_ITEM_COMBO);
  EXPECT_EQ(ComboItems(IDC_ITEM_COMBO), (std::vector<std::u16string>{u"00660", u"05930", u"35720", u"11111"}));
  EXPECT_EQ(Text(IDC_ITEM_COMBO), u"00660");  // nothing current yet: the newest

  CVXDlg::csLastItemCode = u"05930";
  screen_->InitItemCode(IDC_ITEM_COMBO);
  EXPECT_EQ(Text(IDC_ITEM_COMBO), u"05930");
}

TEST_F(ItemCodeTest, FuturesOptionsListLeavesTheStockCodeAlone) {
  {
    CPropCE reg;
    ASSERT_TRUE(reg.SetBaseKey(HKEY_LOCAL_MACHINE, VX_REG_OF_RECENT_CODE, FALSE));
    reg.SetValue(u"2", u"201S3250");
    reg.SetValue(u"1", u"101S3000");
  }
  OpenScreen(&codes_);
  CVXDlg::csLastItemCode = u"05930";
  EXPECT_EQ(screen_->InitOFItemCode(IDC_FO_COMBO), 1);
  EXPECT_EQ(ComboItems(IDC_FO_COMBO), (std::vector<std::u16string>{u"101S3000", u"201S3250"}));
  EXPECT_EQ(Text(IDC_FO_COMBO), u"101S3000");
  EXPECT_EQ(CVXDlg::csLastItemCode, u"05930");

  // Without stored codes there is no default: the field stays empty.
  CVXDlg::csLastItemCode.Empty();
  {
    CPropCE reg;
    ASSERT_TRUE(reg.SetBaseKey(HKEY_LOCAL_MACHINE, VX_REG_ROOT, FALSE));
    reg.DeleteKey(u"OFRecent Code");
  }
  screen_->InitOFItemCode(IDC_FO_COMBO);
  EXPECT_TRUE(ComboItems(IDC_FO_COMBO).empty());
  EXPECT_EQ(Text(IDC_FO_COMBO), u"");
  EXPECT_TRUE(CVXDlg::csLastItemCode.IsEmpty());
}

TEST_F(ItemCodeTest, RecentListKeepsElevenWithTheNewestOnTop) {
  std::vector<std::pair<std::u16string, std::u16string>> eleven;
  std::vector<std::u16string> codes;
  for (int i = 1; i <= 11; ++i) {
    std::u16string code = plat::FromUtf8(std::to_string(10000 + i));
    eleven.push_back({plat::FromUtf8(std::to_string(i)), code});
    codes.push_back(code);
  }
  PutRecent(eleven);
  OpenScreen(&codes_);
  screen_->InitItemCode(IDC_ITEM_COMBO);

  struct Step {
    std::u16string code;
    std::vector<std::u16string> list;
  };
  std::vector<Step> steps;
  // The fifth entry moves to the top; the size stays.
  {
    auto l = codes;
    std::rotate(l.begin(), l.begin() + 4, l.begin() + 5);
    steps.push_back({u"10005", l});
  }
  // A new code drops the last entry.
  {
    auto l = steps.back().list;
    l.pop_back();
    l.insert(l.begin(), u"00660");
    steps.push_back({u"00660", l});
  }
  // Four characters are no code: nothing changes.
  steps.push_back({u"0066", steps.back().list});
  for (const Step& s : steps) {
    SCOPED_TRACE(plat::ToUtf8(s.code));
    screen_->SetItemCode(s.code, IDC_ITEM_COMBO);
    EXPECT_EQ(ComboItems(IDC_ITEM_COMBO), s.list);
    ExpectRegistryMatchesCombo();
  }
  EXPECT_EQ(CVXDlg::csLastItemCode, u"00660");
  EXPECT_EQ(Text(IDC_ITEM_COMBO), u"00660");
}

TEST_F(ItemCodeTest, RewritingLeavesNoStrayValues) {
  PutRecent({{u"1", u"00660"}, {u"2", u"05930"}, {u"old", u"99999"}, {u"9", u"35720"}});
  OpenScreen(&codes_);
  screen_->InitItemCode(IDC_ITEM_COMBO);
  screen_->SetItemCode(u"05930", IDC_ITEM_COMBO);
  EXPECT_EQ(ComboItems(IDC_ITEM_COMBO), (std::vector<std::u16string>{u"05930", u"00660", u"35720", u"99999"}));
  ExpectRegistryMatchesCombo();
}

// Setting the code that is already the newest changes nothing, and the registry is not written
// again; another code is written as ever.
TEST_F(ItemCodeTest, NewestCodeSetAgainLeavesTheRegistryAlone) {
  PutRecent({{u"1", u"00660"}, {u"2", u"05930"}});
  OpenScreen(&codes_);
  screen_->InitItemCode(IDC_ITEM_COMBO);
  PutRecent({{u"marker", u"35720"}});  // a value a rewrite would not keep
  screen_->SetItemCode(u"00660", IDC_ITEM_COMBO);
  EXPECT_EQ(ComboItems(IDC_ITEM_COMBO), (std::vector<std::u16string>{u"00660", u"05930"}));
  EXPECT_EQ(Text(IDC_ITEM_COMBO), u"00660");
  EXPECT_EQ(CVXDlg::csLastItemCode, u"00660");
  EXPECT_EQ(Recent().count(u"marker"), 1u) << "the registry was written again";
  screen_->SetItemCode(u"05930", IDC_ITEM_COMBO);
  EXPECT_EQ(ComboItems(IDC_ITEM_COMBO), (std::vector<std::u16string>{u"05930", u"00660"}));
  ExpectRegistryMatchesCombo();
}

TEST_F(ItemCodeTest, TypedCodesAreCheckedAgainstTheStockList) {
  OpenScreen(&codes_);
  struct Case {
    std::u16string typed;
    BOOL accepted;
    std::u16string box;  // empty: no box
  };
  const Case cases[] = {
      {u"05930", TRUE, u""},
      {u"12345", FALSE, u"해당 종목코드[12345]가 존재하지 않습니다."},
      {u"0593", FALSE, u""},
      {u"059300", FALSE, u""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(plat::ToUtf8(c.typed));
    ::SetWindowText(Control(IDC_ITEM_EDIT), c.typed.c_str());
    ::SetFocus(Control(vxtest::kTestEditId));
    UiAnswerer user;
    EXPECT_EQ(screen_->EditItemCode(IDC_ITEM_EDIT), c.accepted);
    auto boxes = user.Boxes();
    if (c.box.empty()) {
      EXPECT_TRUE(boxes.empty());
    } else {
      ASSERT_EQ(boxes.size(), 1u);
      EXPECT_EQ(boxes[0].text, c.box);
      EXPECT_EQ(::GetFocus(), Control(IDC_ITEM_EDIT));
    }
  }
}

TEST_F(ItemCodeTest, RequestFieldFromTheCombo) {
  OpenScreen(&codes_);
  screen_->InitItemCode(IDC_ITEM_COMBO);
  ::SetWindowText(Control(IDC_ITEM_COMBO), u"00660");
  screen_->SetItemCodeToComboBox();
  EXPECT_EQ(std::string(screen_->GetItemCodeField(), 7), std::string("000660\0", 7));
  EXPECT_EQ(ComboItems(IDC_ITEM_COMBO), (std::vector<std::u16string>{u"00660"}));

  // Not listed: the field is filled, the recent list is not touched.
  ::SetWindowText(Control(IDC_ITEM_COMBO), u"99999");
  screen_->SetItemCodeToComboBox();
  EXPECT_EQ(std::string(screen_->GetItemCodeField()), "099999");
  EXPECT_EQ(ComboItems(IDC_ITEM_COMBO), (std::vector<std::u16string>{u"00660"}));

  // A longer text gives its first five characters only.
  ::SetWindowText(Control(IDC_ITEM_COMBO), u"1234567");
  screen_->GetItemCodeFromComboBox();
  EXPECT_EQ(std::string(screen_->GetItemCodeField(), 7), std::string("012345\0", 7));
}

TEST_F(ItemCodeTest, StockFinderPickBecomesTheCurrentCodeAndQueries) {
  InstallFinders();
  WriteHost("finder_pick.txt", "00660\n하이닉스\n");
  OpenScreen(&codes_);
  screen_->InitItemCode(IDC_ITEM_COMBO);
  {
    UiAnswerer user(0, IDOK);
    Tap(IDC_BTN_FINDER);
    ASSERT_EQ(user.Boxes().size(), 1u);
    EXPECT_EQ(user.Boxes()[0].owner, screen_->m_hWnd);
  }
  EXPECT_EQ(screen_->queries, 1);
  EXPECT_EQ(Text(IDC_ITEM_COMBO), u"00660");
  EXPECT_EQ(CVXDlg::csLastItemCode, u"00660");
  EXPECT_EQ(std::string(screen_->GetItemCodeField()), "000660");
  EXPECT_EQ(Recent(), (std::map<std::u16string, std::u16string>{{u"1", u"00660"}}));
  EXPECT_EQ(ReadHost("finder_calls.txt"),
            "FindItemCodeDlg " + std::to_string(static_cast<unsigned>(screen_->m_hWnd)) + " 1\n");
  // The plug-in is released after the call.
  EXPECT_EQ(GetModuleHandle(u"VXSCOUTLET"), nullptr);
}

TEST_F(ItemCodeTest, FinderClosedWithoutAPickOrMissingChangesNothing) {
  OpenScreen(&codes_);
  screen_->InitItemCode(IDC_ITEM_COMBO);
  {
    UiAnswerer user;
    Tap(IDC_BTN_FINDER);  // no plug-in installed
    EXPECT_TRUE(user.Boxes().empty());
  }
  InstallFinders();
  WriteHost("finder_pick.txt", "00660\n하이닉스\n");
  {
    UiAnswerer user(0, IDCANCEL);
    Tap(IDC_BTN_FINDER);
    EXPECT_EQ(user.Boxes().size(), 1u);
  }
  EXPECT_EQ(screen_->queries, 0);
  EXPECT_EQ(Text(IDC_ITEM_COMBO), u"05930");
  EXPECT_TRUE(Recent().empty());
}

TEST_F(ItemCodeTest, OtherFinderButtons) {
  InstallFinders();
  OpenScreen(&codes_);
  screen_->InitItemCode(IDC_ITEM_COMBO);
  screen_->m_csFOItemCode = u"101S3000";

  // The futures/options finder hands its pick over elsewhere: a result of 0 re-queries.
  WriteHost("finder_pick.txt", "\n\n");
  {
    UiAnswerer user(0, IDOK);
    Tap(IDC_BTN_FO_FINDER);
    Tap(IDC_BTN_FO_FINDER2);
  }
  EXPECT_EQ(screen_->queries, 2);
  EXPECT_EQ(ComboItems(IDC_FO_COMBO), (std::vector<std::u16string>{u"101S3000"}));
  EXPECT_EQ(Text(IDC_FO_EDIT), u"101S3000");
  WriteHost("finder_pick.txt", "201S3250\n콜 250\n");
  {
    UiAnswerer user(0, IDOK);
    Tap(IDC_BTN_FO_FINDER);
  }
  EXPECT_EQ(screen_->queries, 2);
  EXPECT_EQ(screen_->m_csFOFindCode, u"201S3250");

  // OnFind writes the pick into the item-code edit and the name field, without a query.
  WriteHost("finder_pick.txt", "35720\n다음\n");
  {
    UiAnswerer user(0, IDOK);
    screen_->OnFind();
  }
  EXPECT_EQ(Text(IDC_ITEM_EDIT), u"35720");
  EXPECT_EQ(Text(IDC_FOUND_NAME), u"다음");
  EXPECT_EQ(screen_->queries, 2);

  // The ECN finder makes its pick current and queries.
  {
    UiAnswerer user(0, IDOK);
    screen_->OnBtnECNScoutlet();
  }
  EXPECT_EQ(screen_->queries, 3);
  EXPECT_EQ(CVXDlg::csLastItemCode, u"35720");
  EXPECT_NE(ReadHost("finder_calls.txt").find("ECNFindItemCodeDlg"), std::string::npos);
}

}  // namespace
