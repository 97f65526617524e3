// The three finder plug-ins run as a user runs them: a screen's "?" button loads the finder from
// the device's program folder by its handheld name, the user taps through the finder, and the
// pick shows on the screen (the stock and ECN code in the item combo, the futures/options item
// through the registry hand-over when the screen queries again).
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "devicedata/sample_device.h"
#include "plat/automation.h"
#include "plat/windows.h"
#include "vxbase/code_manager.h"
#include "vxbase/messages.h"
#include "vxbase/prop_ce.h"
#include "vxbase/vx_dlg.h"

namespace fs = std::filesystem;

namespace {

constexpr int kEcnFinderButton = 9905;
constexpr int kFoShown = 9950;  // the futures/options item the screen read on its last query
constexpr int kQueries = 9951;
constexpr int kFindButton = 9906;  // the stock finder for an edit: code to 9909, name to 9999

class CFinderHostDlg : public CVXDlg {
 public:
  CFinderHostDlg() : CVXDlg(129) {}
  BOOL OnInitDialog() override {
    CVXDlg::OnInitDialog();
    InitItemCode(IDC_ITEM_COMBO);
    return TRUE;
  }
  afx_msg LRESULT OnVxQuery(WPARAM, LPARAM) {
    ++queries;
    CPropCE reg;
    CString shown;
    if (reg.SetBaseKey(HKEY_LOCAL_MACHINE, VX_REG_ROOT, TRUE)) {
      // GetValue's text lives until the next call: each value is copied before the next is read.
      CString flag = reg.GetValue(u"FOSet_Flag");
      bool futures = flag == u"1";
      if (futures || flag == u"2") {
        CString code = reg.GetValue(futures ? u"FItemCD" : u"OItemCD");
        CString name = reg.GetValue(futures ? u"FItemName" : u"OItemName");
        shown = CString(futures ? u"F " : u"O ") + code + u" " + name;
      }
    }
    SetDlgItemText(kFoShown, shown);
    CString n;
    n.Format(u"%d", queries);
    SetDlgItemText(kQueries, n);
    return 0;
  }
  int queries = 0;
  DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CFinderHostDlg, CVXDlg)
ON_BN_CLICKED(IDC_BTN_FINDER, OnBtnScoutlet)
ON_BN_CLICKED(kEcnFinderButton, OnBtnECNScoutlet)
ON_BN_CLICKED(IDC_BTN_FO_FINDER2, OnFutOptFindCD)
ON_BN_CLICKED(kFindButton, OnFind)
ON_MESSAGE(WM_VX_QUERY, OnVxQuery)
END_MESSAGE_MAP()

constexpr DWORD kPush = WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON;
const plat::DialogItemTemplate kHostItems[] = {
    {u"COMBOBOX", IDC_ITEM_COMBO, nullptr, WS_VISIBLE | WS_TABSTOP | CBS_DROPDOWN, 0, 0, 0, 60, 120},
    {u"BUTTON", IDC_BTN_FINDER, u"?", kPush, 0, 60, 0, 20, 18},
    {u"BUTTON", kEcnFinderButton, u"E?", kPush, 0, 82, 0, 20, 18},
    {u"EDIT", IDC_FO_EDIT, u"", WS_VISIBLE | WS_BORDER, 0, 0, 30, 80, 18},
    {u"BUTTON", IDC_BTN_FO_FINDER2, u"?", kPush, 0, 82, 30, 20, 18},
    {u"STATIC", kFoShown, u"", WS_VISIBLE, 0, 0, 60, 240, 18},
    {u"STATIC", kQueries, u"", WS_VISIBLE, 0, 0, 80, 40, 18},
    {u"EDIT", IDC_ITEM_EDIT, u"", WS_VISIBLE | WS_BORDER, 0, 0, 100, 80, 18},
    {u"BUTTON", kFindButton, u"찾기", kPush, 0, 82, 100, 30, 18},
    {u"STATIC", IDC_FOUND_NAME, u"", WS_VISIBLE, 0, 120, 100, 110, 18},
};
const plat::DialogTemplate kHost = {WS_POPUP | WS_VISIBLE, 0, 0, 0, 240, 294, u"", nullptr, u"Tahoma", 13, kHostItems,
                                    std::size(kHostItems)};
PLAT_RESOURCE(plat::res::Dialog, 129, &kHost, sizeof kHost);

std::string Utf8(const std::u16string& s) {
  if (s.empty()) return {};
  int n = WideCharToMultiByte(CP_UTF8, 0, s.data(), static_cast<int>(s.size()), nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<size_t>(n), '\0');
  WideCharToMultiByte(CP_UTF8, 0, s.data(), static_cast<int>(s.size()), out.data(), n, nullptr, nullptr);
  return out;
}

class FinderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char tmpl[] = "/tmp/finders_test_XXXXXX";
    ASSERT_NE(mkdtemp(tmpl), nullptr);
    root = tmpl;
    std::string err;
    ASSERT_TRUE(devicedata::CopyTo(root, devicedata::Options{}, err)) << err;
    const std::string bin = root + "/Program Files/Quorvan/Bin/";
    fs::copy_file(FINDER_STOCK, bin + "VXScoutlet.dll");
    fs::copy_file(FINDER_ECN, bin + "EcnScoutlet.dll");
    fs::copy_file(FINDER_FO, bin + "VXFOScoutlet.dll");
    plat::SetDeviceRoot(root);
    plat::win::ResetForTests();
    CVXDlg::csLastItemCode.Empty();
    plat::automation::Driver::Options o;
    o.onFailure = [](const std::string& what) { ADD_FAILURE() << what; };
    d = std::make_unique<plat::automation::Driver>(o);
  }
  void TearDown() override {
    if (d) {
      plat::win::MessageBoxInfo b;
      while (d->PendingBox(&b)) {
        ADD_FAILURE() << "box left open: " << Utf8(b.text);
        d->Answer(b.buttons.front());
      }
      // A finder left open by a failed check is cancelled before its screen goes.
      for (const char* list : {"1000", "1102"})
        if (d->Do(std::string("tree ") + list).ok) d->Do("tap 2");
      d->Ui([&] {
        if (screen) {
          screen->DestroyWindow();
          screen.reset();
        }
      });
      d.reset();
    }
    std::error_code ec;
    fs::remove_all(root, ec);
  }

  void OpenScreen() {
    d->Ui([&] {
      codes.ReadStockCode();
      screen = std::make_unique<CFinderHostDlg>();
      screen->m_pCodeManager = &codes;
      ASSERT_TRUE(screen->Create(129));
      screen->ShowWindow(SW_SHOW);
    });
  }

  // The lines of the "tree" output of one window and its children.
  std::vector<std::string> TreeOf(const std::string& window) {
    plat::automation::Result r = d->Do("tree " + window);
    EXPECT_TRUE(r.ok) << r.error;
    return r.lines;
  }
  // Rows of a list view as "CODE NAME".
  std::vector<std::string> ListRows(int id) {
    std::vector<std::string> rows;
    for (const std::string& line : TreeOf(std::to_string(id))) {
      size_t at = line.find("row ");
      if (at == std::string::npos || line.find("rect=") != std::string::npos) continue;
      std::string rest = line.substr(at);
      std::vector<std::string> cells;
      for (size_t q = rest.find('"'); q != std::string::npos; q = rest.find('"', q + 1)) {
        size_t e = rest.find('"', q + 1);
        cells.push_back(rest.substr(q + 1, e - q - 1));
        q = e;
      }
      rows.push_back(cells.size() >= 2 ? cells[0] + " " + cells[1] : rest);
    }
    return rows;
  }
  // Cells of a grid, row by row (the text of each cell).
  std::vector<std::vector<std::string>> GridRows(int id) {
    std::vector<std::vector<std::string>> rows;
    for (const std::string& line : TreeOf(std::to_string(id))) {
      size_t at = line.find("cells row ");
      if (at == std::string::npos) continue;
      std::vector<std::string> cells;
      std::stringstream parts(line.substr(at));
      std::string part;
      std::getline(parts, part, '\t');  // "cells row K"
      while (std::getline(parts, part, '\t')) cells.push_back(part.substr(0, part.find('|')));
      rows.push_back(cells);
    }
    return rows;
  }
  bool Visible(int id) {
    for (const std::string& line : TreeOf(std::to_string(id)))
      if (line.find("id=" + std::to_string(id) + " ") != std::string::npos)
        return line.find(" visible") != std::string::npos;
    return false;
  }
  std::string Registry(const char16_t* value) {
    CPropCE reg;
    if (!reg.SetBaseKey(HKEY_LOCAL_MACHINE, VX_REG_ROOT, TRUE) || !reg.IsExistValue(value)) return "(none)";
    return Utf8(CString(reg.GetValue(value)).str());
  }
  void WriteDevice(const std::string& devicePath, const std::u16string& text) {
    std::string p = root + "/" + devicePath;
    for (char& c : p)
      if (c == '\\') c = '/';
    fs::create_directories(fs::path(p).parent_path());
    std::ofstream(p, std::ios::binary) << CString(text.c_str()).ToMultiByte();
  }
  // A small stock list: groups, doubled consonants, a syllable above "하", Latin and digits,
  // in both market classes.
  void UseSmallStockList(const char* file) {
    WriteDevice(std::string("Program Files/Quorvan/Code/") + file,
                u"A00010 0|가나\r\n"
                u"A00020 1|가다\r\n"
                u"A00030 0|나라\r\n"
                u"A00040 1|나비\r\n"
                u"A00050 1|노을\r\n"
                u"A00060 0|힘찬\r\n"
                u"A00070 0|까치\r\n"
                u"A00080 0|Apple\r\n"
                u"A00090 0|3M\r\n"
                u"A00100 0|X|가온\r\n");
  }
  std::string Text(int id) { return Utf8(d->Text(id)); }
  bool Exists(const std::string& window) { return d->Do("tree " + window).ok; }

  std::string root;
  CCodeManager codes;
  std::unique_ptr<CFinderHostDlg> screen;
  std::unique_ptr<plat::automation::Driver> d;
};

using Rows = std::vector<std::string>;

TEST_F(FinderTest, StockFinderListsGroupsOfTheChosenMarket) {
  UseSmallStockList("stock_code.dat");
  OpenScreen();
  ASSERT_TRUE(d->Tap(IDC_BTN_FINDER));
  EXPECT_EQ(Text(1004), "KOSPI");
  EXPECT_EQ(Text(1006), "KOSDAQ");
  // Opens on the "가" group of the first market, in the order of the code list.
  EXPECT_EQ(ListRows(1000), (Rows{"00010 가나", "00070 까치", "00100 가온"}));
  struct Step {
    int tap;
    Rows rows;
  } steps[] = {
      {9313, {"00030 나라"}},                // "나"
      {1006, {"00040 나비", "00050 노을"}},  // second market, same group
      {9325, {}},                            // "하" in the second market
      {1004, {"00060 힘찬"}},                // above "하": under "하"
      {9326, {"00080 Apple"}},               // "A"
      {9327, {"00090 3M"}},                  // "123"
  };
  for (const Step& s : steps) {
    ASSERT_TRUE(d->Tap(s.tap));
    EXPECT_EQ(ListRows(1000), s.rows) << "after tapping " << s.tap;
  }
  ASSERT_TRUE(d->Tap(IDCANCEL));
  EXPECT_FALSE(Exists("1000"));
}

TEST_F(FinderTest, StockPickBecomesTheScreensItemAndQueries) {
  OpenScreen();
  EXPECT_EQ(Text(IDC_ITEM_COMBO), "05930");
  ASSERT_TRUE(d->Tap(IDC_BTN_FINDER));
  ASSERT_TRUE(d->Tap(9313));  // "나"
  Rows rows = ListRows(1000);
  ASSERT_FALSE(rows.empty());
  const std::string code = rows[0].substr(0, 5);
  ASSERT_TRUE(d->Pick(1000, 0));
  EXPECT_EQ(Text(1003), code);
  ASSERT_TRUE(d->Tap(1001));  // "종목선택"
  EXPECT_FALSE(Exists("1000"));
  EXPECT_EQ(Text(IDC_ITEM_COMBO), code);
  EXPECT_EQ(Text(kQueries), "1");
  CPropCE reg;
  ASSERT_TRUE(reg.SetBaseKey(HKEY_LOCAL_MACHINE, VX_REG_RECENT_CODE, TRUE));
  EXPECT_EQ(Utf8(CString(reg.GetValue(u"1")).str()), code);
}

TEST_F(FinderTest, DoubleTapOnARowPicksIt) {
  UseSmallStockList("stock_code.dat");
  OpenScreen();
  ASSERT_TRUE(d->Tap(kFindButton));
  std::string line = TreeOf("1000").front();
  int l = 0, t = 0;
  ASSERT_EQ(std::sscanf(line.substr(line.find("rect=")).c_str(), "rect=%d,%d", &l, &t), 2);
  // Below the rows: nothing is picked and the finder stays.
  ASSERT_TRUE(d->DoubleTapAt(l + 30, t + 190));
  ASSERT_TRUE(Exists("1000"));
  EXPECT_EQ(Text(1003), "");
  ASSERT_TRUE(d->Pick(1000, 1));  // a tap shows the row's code
  EXPECT_EQ(Text(1003), "00070");
  // The first row, double-tapped: picked with its name and confirmed.
  ASSERT_TRUE(d->DoubleTapAt(l + 30, t + 28));
  EXPECT_FALSE(Exists("1000"));
  EXPECT_EQ(Text(IDC_ITEM_EDIT), "00010");
  EXPECT_EQ(Text(IDC_FOUND_NAME), "가나");
}

TEST_F(FinderTest, StockFinderConfirmWithoutACodeOrCancelPicksNothing) {
  OpenScreen();
  for (int button : {1001, static_cast<int>(IDCANCEL)}) {
    ASSERT_TRUE(d->Tap(IDC_BTN_FINDER));
    ASSERT_TRUE(d->Tap(button));
    EXPECT_FALSE(Exists("1000"));
    EXPECT_EQ(Text(IDC_ITEM_COMBO), "05930");
    EXPECT_EQ(Text(kQueries), "");
  }
  // A row tapped and then cancelled: still nothing.
  ASSERT_TRUE(d->Tap(IDC_BTN_FINDER));
  ASSERT_TRUE(d->Pick(1000, 0));
  ASSERT_TRUE(d->Tap(IDCANCEL));
  EXPECT_EQ(Text(IDC_ITEM_COMBO), "05930");
  EXPECT_EQ(Text(kQueries), "");
}

TEST_F(FinderTest, TypedCodeIsReturnedWithoutTheNameOfAnEarlierRow) {
  UseSmallStockList("stock_code.dat");
  OpenScreen();
  // A tapped row goes with its name.
  ASSERT_TRUE(d->Tap(kFindButton));
  ASSERT_TRUE(d->Pick(1000, 0));
  ASSERT_TRUE(d->Tap(1001));
  EXPECT_EQ(Text(IDC_ITEM_EDIT), "00010");
  EXPECT_EQ(Text(IDC_FOUND_NAME), "가나");
  // A row tapped, then another code typed over it: the typed code comes back alone.
  ASSERT_TRUE(d->Tap(kFindButton));
  ASSERT_TRUE(d->Pick(1000, 1));
  EXPECT_EQ(Text(1003), "00070");
  ASSERT_TRUE(d->Tap(1003));
  for (int i = 0; i < 8; ++i) ASSERT_TRUE(d->Key("BACK"));
  ASSERT_TRUE(d->Type(1003, "00030"));
  EXPECT_EQ(Text(1003), "00030");
  ASSERT_TRUE(d->Tap(1001));
  EXPECT_EQ(Text(IDC_ITEM_EDIT), "00030");
  EXPECT_EQ(Text(IDC_FOUND_NAME), "");
}

TEST_F(FinderTest, EcnFinderListsTheEcnItemsAndThePickBecomesCurrent) {
  UseSmallStockList("ecn_code.dat");
  OpenScreen();
  ASSERT_TRUE(d->Tap(kEcnFinderButton));
  EXPECT_EQ(Text(1004), "KOSPI 200");
  EXPECT_EQ(Text(1006), "KOSDAQ 50");
  // The ECN list is read by the finder when no ECN screen has read it yet.
  EXPECT_EQ(ListRows(1000), (Rows{"00010 가나", "00070 까치", "00100 가온"}));
  ASSERT_TRUE(d->Tap(9313));
  ASSERT_TRUE(d->Tap(1006));
  EXPECT_EQ(ListRows(1000), (Rows{"00040 나비", "00050 노을"}));
  ASSERT_TRUE(d->Pick(1000, 1));
  ASSERT_TRUE(d->Tap(1001));
  EXPECT_FALSE(Exists("1000"));
  EXPECT_EQ(Text(IDC_ITEM_COMBO), "00050");
  EXPECT_EQ(Text(kQueries), "1");
}

TEST_F(FinderTest, FuturesOptionsFinderMonthsAndOptionPicks) {
  OpenScreen();
  ASSERT_TRUE(d->Tap(IDC_BTN_FO_FINDER2));
  // One button per month of the sample file (four), the rest hidden.
  const int buttons[] = {1003, 1013, 1014, 1015, 1016, 1017};
  const char* captions[] = {"03", "04", "05", "06"};
  for (int i = 0; i < 6; ++i) {
    EXPECT_EQ(Visible(buttons[i]), i < 4) << buttons[i];
    if (i < 4) {
      EXPECT_EQ(Text(buttons[i]), captions[i]);
    }
  }
  auto rows = GridRows(1102);
  ASSERT_EQ(rows.size(), 21u);
  EXPECT_EQ(rows[0], (std::vector<std::string>{"201C3160", "160.00", "301C3160"}));
  ASSERT_TRUE(d->Tap(1013));
  rows = GridRows(1102);
  ASSERT_EQ(rows.size(), 21u);
  EXPECT_EQ(rows[2], (std::vector<std::string>{"201C4165", "165.00", "301C4165"}));
  // The put column gives the put; the strike column picks nothing.
  ASSERT_TRUE(d->TapCell(1102, 2, 2));
  ASSERT_TRUE(d->TapCell(1102, 5, 1));
  ASSERT_TRUE(d->Tap(IDOK));
  EXPECT_FALSE(Exists("1102"));
  EXPECT_EQ(Registry(u"FOSet_Flag"), "2");
  EXPECT_EQ(Registry(u"OItemCD"), "301C4165");
  EXPECT_EQ(Registry(u"OItemName"), "풋 0704 165.0");
  EXPECT_EQ(Registry(u"FItemCD"), "(none)");
  // The finder reports nothing itself: the screen queries and reads the hand-over.
  EXPECT_EQ(Text(kFoShown), "O 301C4165 풋 0704 165.0");
  EXPECT_EQ(Text(kQueries), "1");

  // A call picked with a double tap confirms at once.
  ASSERT_TRUE(d->Tap(IDC_BTN_FO_FINDER2));
  std::string line = TreeOf("1102").front();
  int l = 0, t = 0;
  ASSERT_EQ(std::sscanf(line.substr(line.find("rect=")).c_str(), "rect=%d,%d", &l, &t), 2);
  ASSERT_TRUE(d->DoubleTapAt(l + 20, t + 17 + 17 + 8));  // row 1, call column
  EXPECT_FALSE(Exists("1102"));
  EXPECT_EQ(Text(kFoShown), "O 201C3162 콜 0703 162.5");
}

TEST_F(FinderTest, FuturesPickAndEmptyCells) {
  OpenScreen();
  ASSERT_TRUE(d->Tap(IDC_BTN_FO_FINDER2));
  auto rows = GridRows(1101);
  // Four plain items and three spreads: the last spread cell is empty.
  ASSERT_EQ(rows.size(), 4u);
  EXPECT_EQ(rows[0], (std::vector<std::string>{"KP200 선물 0703", "스프레드 0703-0706"}));
  EXPECT_EQ(rows[3], (std::vector<std::string>{"KP200 선물 0712", ""}));
  ASSERT_TRUE(d->TapCell(1101, 1, 0));
  EXPECT_EQ(Text(1001), "KP200 선물 0706");
  ASSERT_TRUE(d->TapCell(1101, 3, 1));  // no item there: the pick stays
  EXPECT_EQ(Text(1001), "KP200 선물 0706");
  ASSERT_TRUE(d->Tap(IDOK));
  EXPECT_EQ(Registry(u"FOSet_Flag"), "1");
  EXPECT_EQ(Registry(u"FItemCD"), "101C6");
  EXPECT_EQ(Registry(u"FItemName"), "KP200 선물 0706");
  EXPECT_EQ(Text(kFoShown), "F 101C6 KP200 선물 0706");

  // A spread goes with its whole code.
  ASSERT_TRUE(d->Tap(IDC_BTN_FO_FINDER2));
  ASSERT_TRUE(d->TapCell(1101, 2, 1));
  ASSERT_TRUE(d->Tap(IDOK));
  EXPECT_EQ(Text(kFoShown), "F 401C3CCS 스프레드 0703-0712");
}

TEST_F(FinderTest, ConfirmingWithoutAPickWritesNothing) {
  OpenScreen();
  ASSERT_TRUE(d->Tap(IDC_BTN_FO_FINDER2));
  ASSERT_TRUE(d->Tap(IDOK));
  plat::win::MessageBoxInfo box;
  ASSERT_TRUE(d->PendingBox(&box));
  EXPECT_EQ(Utf8(box.text), "선택한 종목이 없습니다.");
  ASSERT_TRUE(d->Answer(IDOK));
  EXPECT_FALSE(Exists("1102"));
  EXPECT_EQ(Registry(u"FOSet_Flag"), "(none)");
  EXPECT_EQ(Registry(u"OItemCD"), "(none)");
  EXPECT_EQ(Text(kFoShown), "");
  // Cancel writes nothing either, and the screen still queries again.
  ASSERT_TRUE(d->Tap(IDC_BTN_FO_FINDER2));
  ASSERT_TRUE(d->TapCell(1102, 0, 0));
  ASSERT_TRUE(d->Tap(IDCANCEL));
  EXPECT_EQ(Registry(u"FOSet_Flag"), "(none)");
  EXPECT_EQ(Text(kQueries), "2");
}

TEST_F(FinderTest, MonthButtonsFollowTheOptionsFile) {
  struct Case {
    const char* name;
    std::u16string file;
    int buttons;
    size_t rowsOfFirst;
  } cases[] = {
      {"two months", u"201C3160 2 200703     160.00 콜 0703 160.0\r\n201C4160 2 200704     160.00 콜 0704 160.0\r\n", 2,
       1},
      {"three months",
       u"201C3160 2 200703     160.00 콜\r\n201C3162 2 200703     162.50 콜\r\n"
       u"201C4160 2 200704     160.00 콜\r\n201C5160 2 200705     160.00 콜\r\n",
       3, 2},
      {"one month", u"201C3160 2 200703     160.00 콜\r\n", 1, 1},
      {"empty", u"", 0, 0},
      {"puts only", u"301C3160 3 200703     160.00 풋\r\n", 0, 0},
  };
  OpenScreen();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    WriteDevice("Program Files/Quorvan/Code/options_code.dat", c.file);
    ASSERT_TRUE(d->Tap(IDC_BTN_FO_FINDER2));
    const int ids[] = {1003, 1013, 1014, 1015, 1016, 1017};
    for (int i = 0; i < 6; ++i) EXPECT_EQ(Visible(ids[i]), i < c.buttons) << ids[i];
    EXPECT_EQ(GridRows(1102).size(), c.rowsOfFirst);
    // A tap below the last series picks nothing: confirming says so.
    std::string line = TreeOf("1102").front();
    int l = 0, t = 0;
    ASSERT_EQ(std::sscanf(line.substr(line.find("rect=")).c_str(), "rect=%d,%d", &l, &t), 2);
    ASSERT_TRUE(d->TapAt(l + 20, t + 17 + 4 * 17 + 8));
    ASSERT_TRUE(d->Tap(IDOK));
    ASSERT_TRUE(d->PendingBox());
    ASSERT_TRUE(d->Answer(IDOK));
    EXPECT_FALSE(Exists("1102"));
  }
}

TEST_F(FinderTest, MissingCodeFilesAreReported) {
  fs::remove(root + "/Program Files/Quorvan/Code/options_code.dat");
  fs::remove(root + "/Program Files/Quorvan/Code/futures_code.dat");
  OpenScreen();
  ASSERT_TRUE(d->Tap(IDC_BTN_FO_FINDER2));
  plat::win::MessageBoxInfo box;
  ASSERT_TRUE(d->PendingBox(&box));
  EXPECT_EQ(Utf8(box.text), "ReadFile() Error");
  ASSERT_TRUE(d->Answer(IDOK));
  ASSERT_TRUE(d->PendingBox(&box));
  EXPECT_EQ(Utf8(box.text), "ReadFile Error");
  ASSERT_TRUE(d->Answer(IDOK));
  EXPECT_TRUE(GridRows(1101).empty());
  EXPECT_TRUE(GridRows(1102).empty());
  EXPECT_FALSE(Visible(1003));
  ASSERT_TRUE(d->Tap(IDCANCEL));
  EXPECT_FALSE(Exists("1102"));
}

}  // namespace
