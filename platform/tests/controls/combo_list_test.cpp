// Combo boxes and report list views driven as a user and a screen would.
#include <algorithm>

#include "fixture.h"

namespace ctest {
namespace {

using ComboTest = ControlsTest;
using ListViewTest = ControlsTest;

class ComboFilled : public ControlsTest {
 protected:
  void SetUp() override {
    ControlsTest::SetUp();
    combo_ = static_cast<CComboBox*>(dlg_->GetDlgItem(kCombo));
    for (const WCHAR* s : {u"05930", u"00660", u"05380", u"ABC"}) combo_->AddString(s);
    dlg_->notes.clear();
  }
  // Taps the combo's arrow, then the row `row` of the list that opens.
  void Pick(int row) {
    RECT r = ScreenRect(kCombo);
    TapScreen(r.right - 4, (r.top + r.bottom) / 2);
    ASSERT_TRUE(combo_->GetDroppedState());
    RECT lr{};
    combo_->SendMessage(CB_GETDROPPEDCONTROLRECT, 0, reinterpret_cast<LPARAM>(&lr));
    int h = static_cast<int>(combo_->SendMessage(CB_GETITEMHEIGHT));
    TapScreen(lr.left + 10, lr.top + 1 + row * h + h / 2);
  }
  CComboBox* combo_ = nullptr;
};

TEST_F(ComboFilled, FindStringIsACaseBlindPrefixSearchAfterTheStartThatWraps) {
  struct Case {
    int after;
    const WCHAR* text;
    bool exact;
    int expected;
  };
  const Case cases[] = {
      {-1, u"05", false, 0},     {0, u"05", false, 2},  {2, u"05", false, 0}, {-1, u"abc", false, 3},
      {-1, u"9", false, CB_ERR}, {10, u"00", false, 1}, {3, u"0", false, 0},  {-1, u"abc", true, 3},
      {-1, u"05", true, CB_ERR}, {3, u"ABC", true, 3},  {-1, u"", false, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.after << " "
                                    << std::string(c.text, c.text + std::char_traits<char16_t>::length(c.text)));
    int got = c.exact ? combo_->FindStringExact(c.after, c.text) : combo_->FindString(c.after, c.text);
    EXPECT_EQ(got, c.expected);
  }
  CComboBox* empty = static_cast<CComboBox*>(dlg_->GetDlgItem(kComboList));
  EXPECT_EQ(empty->FindString(-1, u""), CB_ERR);
}

TEST_F(ComboFilled, ProgramChangesAreSilent) {
  struct Step {
    const char* name;
    std::function<int()> act;
    int result;
    int cursel;
    std::u16string text;
  };
  const Step steps[] = {
      {"set selection copies the item", [&] { return combo_->SetCurSel(2); }, 2, 2, u"05380"},
      {"set text leaves the selection",
       [&] {
         combo_->SetWindowText(u"12345");
         return 0;
       },
       0, 2, u"12345"},
      {"insert before the selection moves it", [&] { return combo_->InsertString(0, u"11111"); }, 0, 3, u"12345"},
      {"insert past the end fails", [&] { return combo_->InsertString(9, u"x"); }, CB_ERR, 3, u"12345"},
      {"delete the selected item", [&] { return combo_->DeleteString(3); }, 4, -1, u"12345"},
      {"delete a missing item", [&] { return combo_->DeleteString(4); }, CB_ERR, -1, u"12345"},
      {"select a missing item clears", [&] { return combo_->SetCurSel(7); }, CB_ERR, -1, u""},
      {"select by prefix", [&] { return combo_->SelectString(-1, u"000"); }, CB_ERR, -1, u""},
      {"select by prefix found", [&] { return combo_->SelectString(-1, u"006"); }, 2, 2, u"00660"},
      {"reset clears list, selection and text",
       [&] {
         combo_->ResetContent();
         return combo_->GetCount();
       },
       0, -1, u""},
  };
  for (const auto& s : steps) {
    SCOPED_TRACE(s.name);
    EXPECT_EQ(s.act(), s.result);
    EXPECT_EQ(combo_->GetCurSel(), s.cursel);
    EXPECT_EQ(Text(kCombo), s.text);
  }
  EXPECT_TRUE(dlg_->notes.empty());
}

TEST_F(ComboFilled, ItemDataAndTextsOfMissingItemsFail) {
  EXPECT_EQ(combo_->SetItemData(1, 4242), CB_OKAY);
  EXPECT_EQ(combo_->GetItemData(1), 4242u);
  EXPECT_EQ(combo_->SetItemData(4, 1), CB_ERR);
  EXPECT_EQ(static_cast<int>(combo_->GetItemData(-1)), CB_ERR);
  CString t;
  combo_->GetLBText(3, t);
  EXPECT_EQ(t, u"ABC");
  combo_->GetLBText(4, t);
  EXPECT_TRUE(t.IsEmpty());
  EXPECT_EQ(combo_->GetLBTextLen(4), CB_ERR);
}

TEST_F(ComboFilled, TypingSendsEditUpdateThenEditChange) {
  Tap(kCombo, 10);
  EXPECT_EQ(::GetFocus(), ::GetDlgItem(Item(kCombo), PLAT_COMBO_EDIT_ID));
  EXPECT_EQ(dlg_->CodesOf(kCombo), (std::vector<int>{CBN_SETFOCUS}));
  dlg_->notes.clear();
  Type(u"05");
  EXPECT_EQ(dlg_->CodesOf(kCombo), (std::vector<int>{CBN_EDITUPDATE, CBN_EDITCHANGE, CBN_EDITUPDATE, CBN_EDITCHANGE}));
  EXPECT_EQ(dlg_->notes.back().text, u"05");
  EXPECT_EQ(combo_->GetCurSel(), -1);  // typing does not select
  combo_->LimitText(3);
  Type(u"93");
  EXPECT_EQ(Text(kCombo), u"059");
  Tap(kEdit);
  EXPECT_EQ(dlg_->CodesOf(kCombo).back(), CBN_KILLFOCUS);
}

TEST_F(ComboFilled, UserPickNotifiesInOrderAndTheTextFollowsAfterSelChange) {
  combo_->SetWindowText(u"old");
  Pick(2);
  EXPECT_FALSE(combo_->GetDroppedState());
  auto notes = dlg_->NotesOf(kCombo);
  std::vector<int> codes;
  for (auto& n : notes) codes.push_back(n.code);
  EXPECT_EQ(Without(codes, {CBN_SETFOCUS}), (std::vector<int>{CBN_DROPDOWN, CBN_SELENDOK, CBN_CLOSEUP, CBN_SELCHANGE}));
  for (auto& n : notes) {
    if (n.code == CBN_DROPDOWN) continue;
    if (n.code == CBN_SELENDOK || n.code == CBN_CLOSEUP || n.code == CBN_SELCHANGE) {
      EXPECT_EQ(n.cursel, 2);
      EXPECT_EQ(n.text, u"old");
    }
  }
  EXPECT_EQ(Text(kCombo), u"05380");
  EXPECT_EQ(combo_->GetCurSel(), 2);
  // No edit notifications came from the pick.
  EXPECT_EQ(std::count(codes.begin(), codes.end(), CBN_EDITCHANGE), 0);
}

TEST_F(ComboFilled, TapOutsideTheOpenListCancels) {
  combo_->SetCurSel(1);
  RECT r = ScreenRect(kCombo);
  TapScreen(r.right - 4, (r.top + r.bottom) / 2);
  ASSERT_TRUE(combo_->GetDroppedState());
  dlg_->notes.clear();
  TapScreen(230, 300);
  EXPECT_FALSE(combo_->GetDroppedState());
  EXPECT_EQ(dlg_->CodesOf(kCombo), (std::vector<int>{CBN_SELENDCANCEL, CBN_CLOSEUP}));
  EXPECT_EQ(combo_->GetCurSel(), 1);
  EXPECT_EQ(Text(kCombo), u"00660");
  // The screen shows the open list while it is open.
  combo_->ShowDropDown(TRUE);
  plat::Surface screen;
  plat::win::ComposeScreen(screen);
  EXPECT_TRUE(std::any_of(screen.texts.begin(), screen.texts.end(), [](auto& t) { return t.text == u"05380"; }));
  combo_->ShowDropDown(FALSE);
  EXPECT_EQ(dlg_->CodesOf(kCombo).back(), CBN_CLOSEUP);
}

TEST_F(ComboTest, DropDownListShowsItsSelectionAndTakesTextOfAnItem) {
  CComboBox* c = static_cast<CComboBox*>(dlg_->GetDlgItem(kComboList));
  for (const WCHAR* s : {u"SKT", u"KTF", u"LGT"}) c->AddString(s);
  EXPECT_EQ(c->LimitText(3), CB_ERR);  // no edit field
  c->SetCurSel(1);
  EXPECT_EQ(Text(kComboList), u"KTF");
  c->SetWindowText(u"lgt");
  EXPECT_EQ(c->GetCurSel(), 2);
  RECT r = ScreenRect(kComboList);
  TapScreen((r.left + r.right) / 2, (r.top + r.bottom) / 2);
  EXPECT_EQ(::GetFocus(), Item(kComboList));
  ASSERT_TRUE(c->GetDroppedState());
  RECT lr{};
  c->SendMessage(CB_GETDROPPEDCONTROLRECT, 0, reinterpret_cast<LPARAM>(&lr));
  int h = static_cast<int>(c->SendMessage(CB_GETITEMHEIGHT));
  TapScreen(lr.left + 10, lr.top + 1 + h / 2);
  EXPECT_EQ(c->GetCurSel(), 0);
  EXPECT_EQ(Text(kComboList), u"SKT");
  EXPECT_EQ(Without(dlg_->CodesOf(kComboList), {CBN_SETFOCUS}),
            (std::vector<int>{CBN_DROPDOWN, CBN_SELENDOK, CBN_CLOSEUP, CBN_SELCHANGE}));
}

// A list set wider than its combo opens at that width and stays on the screen.
TEST_F(ComboTest, DroppedWidthWidensTheOpenListWithinTheScreen) {
  CComboBox* c = static_cast<CComboBox*>(dlg_->GetDlgItem(kComboList));
  c->AddString(u"거래원/종목정보");
  RECT r = ScreenRect(kComboList);
  const int own = r.right - r.left;
  EXPECT_EQ(c->SendMessage(CB_GETDROPPEDWIDTH), own);
  EXPECT_EQ(c->SendMessage(CB_SETDROPPEDWIDTH, 230), 230);
  EXPECT_EQ(c->SendMessage(CB_GETDROPPEDWIDTH), 230);
  c->ShowDropDown(TRUE);
  RECT lr{};
  c->SendMessage(CB_GETDROPPEDCONTROLRECT, 0, reinterpret_cast<LPARAM>(&lr));
  EXPECT_EQ(lr.right - lr.left, 230);
  EXPECT_GE(lr.left, 0);
  EXPECT_LE(lr.right, 240);
  c->ShowDropDown(FALSE);
  // A width below the combo's leaves the combo's.
  EXPECT_EQ(c->SendMessage(CB_SETDROPPEDWIDTH, 10), own);
}

TEST_F(ComboTest, InspectionListsItemsAndSelection) {
  CComboBox* c = static_cast<CComboBox*>(dlg_->GetDlgItem(kCombo));
  c->AddString(u"가");
  c->AddString(u"나");
  c->SetCurSel(1);
  EXPECT_EQ(plat::win::InspectWindow(Item(kCombo)), u"text: 나\nselected: 1\nitems: 2\n0: 가\n1: 나\ndropped: 0\n");
}

// ---- List view -----------------------------------------------------------------------------

class ListViewFilled : public ControlsTest {
 protected:
  void SetUp() override {
    ControlsTest::SetUp();
    lv_ = static_cast<CListCtrl*>(dlg_->GetDlgItem(kView));
    lv_->SetExtendedStyle(LVS_EX_FULLROWSELECT);
    ASSERT_EQ(lv_->InsertColumn(0, u"코드", LVCFMT_CENTER, 45), 0);
    ASSERT_EQ(lv_->InsertColumn(1, u"종목명", LVCFMT_LEFT, 70), 1);
    // Inserted at the top from the last record to the first, as the finders fill their lists.
    const WCHAR* rows[][2] = {{u"005930", u"삼성전자"}, {u"000660", u"SK하이닉스"}, {u"005380", u"현대차"}};
    for (int i = 2; i >= 0; --i) {
      ASSERT_EQ(lv_->InsertItem(0, rows[i][0]), 0);
      ASSERT_TRUE(lv_->SetItemText(0, 1, rows[i][1]));
    }
    dlg_->notes.clear();
  }
  // Taps row `row` in column `col`.
  void TapRow(int row, int col = 1) {
    RECT ir{};
    lv_->SendMessage(LVM_GETITEMRECT, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&ir));
    Tap(kView, col == 0 ? 10 : 60, (ir.top + ir.bottom) / 2);
  }
  std::vector<Note> ViewNotes(std::initializer_list<int> codes) const {
    std::vector<Note> out;
    for (auto& n : dlg_->NotesOf(kView))
      if (std::find(codes.begin(), codes.end(), n.code) != codes.end()) out.push_back(n);
    return out;
  }
  CListCtrl* lv_ = nullptr;
};

TEST_F(ListViewFilled, RowsKeepInsertionOrderAndSubItems) {
  EXPECT_EQ(lv_->GetItemCount(), 3);
  EXPECT_EQ(lv_->GetItemText(0, 0), u"005930");
  EXPECT_EQ(lv_->GetItemText(1, 1), u"SK하이닉스");
  EXPECT_EQ(lv_->GetItemText(2, 1), u"현대차");
  EXPECT_FALSE(lv_->SetItemText(0, 2, u"no such column"));
  EXPECT_FALSE(lv_->SetItemText(3, 0, u"no such row"));
  EXPECT_EQ(lv_->GetItemText(5, 0), u"");
  EXPECT_EQ(lv_->InsertItem(99, u"999999"), 3);  // past the end appends
  EXPECT_TRUE(lv_->DeleteItem(3));
  EXPECT_FALSE(lv_->DeleteItem(3));
  // A short buffer gets what fits and its terminator, nothing beyond.
  WCHAR buf[6];
  std::fill(std::begin(buf), std::end(buf), u'#');
  EXPECT_EQ(lv_->GetItemText(0, 1, buf, 4), 3);
  EXPECT_EQ(std::u16string(buf, 4), std::u16string(u"삼성전\0", 4));
  EXPECT_EQ(buf[4], u'#');
  EXPECT_EQ(plat::win::InspectWindow(Item(kView)),
            u"columns:\t코드\t종목명\nselected: -1\nitems: 3\n0: 005930\t삼성전자\n1: 000660\tSK하이닉스\n2: "
            u"005380\t현대차\n");
}

TEST_F(ListViewFilled, TapMovesSelectionReportingTheLoserFirst) {
  lv_->SetItemState(0, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
  dlg_->notes.clear();
  TapRow(2);
  auto notes = ViewNotes({LVN_ITEMCHANGED, NM_CLICK});
  ASSERT_EQ(notes.size(), 3u);
  EXPECT_EQ(notes[0].code, LVN_ITEMCHANGED);
  EXPECT_EQ(notes[0].item, 0);
  EXPECT_EQ(notes[0].oldState, static_cast<UINT>(LVIS_SELECTED | LVIS_FOCUSED));
  EXPECT_EQ(notes[0].newState, 0u);
  EXPECT_EQ(notes[1].code, LVN_ITEMCHANGED);
  EXPECT_EQ(notes[1].item, 2);
  EXPECT_EQ(notes[1].newState, static_cast<UINT>(LVIS_SELECTED | LVIS_FOCUSED));
  EXPECT_EQ(notes[2].code, NM_CLICK);
  EXPECT_EQ(notes[2].item, 2);
  EXPECT_EQ(lv_->GetNextItem(-1, LVNI_SELECTED), 2);
  EXPECT_EQ(lv_->GetNextItem(2, LVNI_SELECTED), -1);
  EXPECT_EQ(lv_->GetSelectedCount(), 1u);
  POSITION pos = lv_->GetFirstSelectedItemPosition();
  EXPECT_EQ(lv_->GetNextSelectedItem(pos), 2);
  EXPECT_EQ(pos, nullptr);
  // A quick second tap on the same row is a double tap.
  dlg_->notes.clear();
  RECT ir{};
  lv_->SendMessage(LVM_GETITEMRECT, 2, reinterpret_cast<LPARAM>(&ir));
  RECT r = ScreenRect(kView);
  plat::win::InjectStylus(plat::win::Stylus::Tap, r.left + 60, r.top + (ir.top + ir.bottom) / 2);
  plat::win::InjectStylus(plat::win::Stylus::Tap, r.left + 60, r.top + (ir.top + ir.bottom) / 2);
  Pump();
  auto codes = dlg_->CodesOf(kView);
  EXPECT_EQ(Without(codes, {NM_SETFOCUS, NM_KILLFOCUS}), (std::vector<int>{NM_CLICK, NM_DBLCLK}));
}

TEST_F(ListViewFilled, SingleSelectionHoldsWhateverTheProgramAsks) {
  lv_->SetItemState(0, LVIS_SELECTED, LVIS_SELECTED);
  lv_->SetItemState(1, LVIS_SELECTED, LVIS_SELECTED);
  EXPECT_EQ(lv_->GetSelectedCount(), 1u);
  EXPECT_EQ(lv_->GetItemState(0, LVIS_SELECTED), 0u);
  auto changed = ViewNotes({LVN_ITEMCHANGED});
  ASSERT_EQ(changed.size(), 3u);
  EXPECT_EQ(changed[1].item, 0);  // the old selection is reported lost before the new one
  EXPECT_EQ(changed[2].item, 1);
  // Setting a state an item already has reports nothing.
  dlg_->notes.clear();
  lv_->SetItemState(1, LVIS_SELECTED, LVIS_SELECTED);
  EXPECT_TRUE(ViewNotes({LVN_ITEMCHANGED}).empty());
  // Clearing every item at once.
  lv_->SetItemState(-1, 0, LVIS_SELECTED);
  EXPECT_EQ(lv_->GetNextItem(-1, LVNI_SELECTED), -1);
  EXPECT_TRUE(lv_->DeleteAllItems());
  EXPECT_EQ(lv_->GetItemCount(), 0);
}

TEST_F(ListViewFilled, WithoutFullRowSelectOnlyTheFirstColumnSelects) {
  lv_->SetExtendedStyle(0);
  TapRow(1, 1);
  EXPECT_EQ(lv_->GetSelectedCount(), 0u);
  TapRow(1, 0);
  EXPECT_EQ(lv_->GetNextItem(-1, LVNI_SELECTED), 1);
  // A tap below the rows clears the selection and still reports the click.
  dlg_->notes.clear();
  Tap(kView, 10, 95);
  EXPECT_EQ(lv_->GetSelectedCount(), 0u);
  auto clicks = ViewNotes({NM_CLICK});
  ASSERT_EQ(clicks.size(), 1u);
  EXPECT_EQ(clicks[0].item, -1);
}

TEST_F(ListViewFilled, EnsureVisibleScrollsLongLists) {
  for (int i = 0; i < 30; ++i) lv_->InsertItem(lv_->GetItemCount(), u"x");
  EXPECT_EQ(lv_->GetTopIndex(), 0);
  EXPECT_TRUE(lv_->EnsureVisible(32, FALSE));
  int top = lv_->GetTopIndex();
  EXPECT_GT(top, 0);
  EXPECT_LE(32, top + lv_->GetCountPerPage() - 1);
  EXPECT_FALSE(lv_->EnsureVisible(33, FALSE));
}

}  // namespace
}  // namespace ctest

namespace ctest {
namespace {

TEST_F(ComboFilled, CharactersSentToTheComboAreTypedIntoItsField) {
  // An on-screen keypad empties the target and sends it characters.
  combo_->SetWindowText(u"");
  for (WCHAR c : std::u16string(u"05930")) combo_->SendMessage(WM_CHAR, c);
  EXPECT_EQ(Text(kCombo), u"05930");
  auto codes = dlg_->CodesOf(kCombo);
  EXPECT_EQ(std::count(codes.begin(), codes.end(), CBN_EDITCHANGE), 5);
  EXPECT_EQ(dlg_->notes.back().text, u"05930");
  // A drop-down list jumps to the next item starting with the character.
  CComboBox* list = static_cast<CComboBox*>(dlg_->GetDlgItem(kComboList));
  for (const WCHAR* s : {u"SKT", u"KTF", u"LGT", u"KT"}) list->AddString(s);
  list->SendMessage(WM_CHAR, u'k');
  EXPECT_EQ(list->GetCurSel(), 1);
  list->SendMessage(WM_CHAR, u'k');
  EXPECT_EQ(list->GetCurSel(), 3);
  EXPECT_EQ(Text(kComboList), u"KT");
  EXPECT_EQ(dlg_->CodesOf(kComboList), (std::vector<int>{CBN_SELCHANGE, CBN_SELCHANGE}));
}

}  // namespace
}  // namespace ctest

namespace ctest {
namespace {

// A handler may destroy the whole dialog, or empty a list, while the control that notified is
// still inside its own message handling; the control must stop cleanly.
TEST_F(ControlsTest, HandlersMayDestroyTheDialogUnderTheNotifyingControl) {
  struct Case {
    const char* name;
    int id;
    int code;
    std::function<void(ControlsTest&)> prepare;
    std::function<void(ControlsTest&)> drive;
  };
  auto fillCombo = [](ControlsTest& t) {
    CComboBox* c = static_cast<CComboBox*>(CWnd::FromHandle(::GetDlgItem(t.dlg_->m_hWnd, kCombo)));
    c->AddString(u"05930");
    c->AddString(u"00660");
  };
  auto pick = [](ControlsTest& t) {
    RECT r = t.ScreenRect(kCombo);
    t.TapScreen(r.right - 4, (r.top + r.bottom) / 2);
    RECT lr{};
    ::SendMessage(t.Item(kCombo), CB_GETDROPPEDCONTROLRECT, 0, reinterpret_cast<LPARAM>(&lr));
    t.TapScreen(lr.left + 10, lr.top + 4);
  };
  auto fillView = [](ControlsTest& t) {
    CListCtrl* lv = static_cast<CListCtrl*>(CWnd::FromHandle(t.Item(kView)));
    lv->SetExtendedStyle(LVS_EX_FULLROWSELECT);
    lv->InsertColumn(0, u"코드", LVCFMT_LEFT, 100);
    lv->InsertItem(0, u"005930");
  };
  const Case cases[] = {
      {"button click", kPush, BN_CLICKED, nullptr, [](ControlsTest& t) { t.Tap(kPush); }},
      {"owner-drawn click", kOwner, BN_CLICKED, nullptr, [](ControlsTest& t) { t.Tap(kOwner); }},
      {"edit change", kEdit, EN_CHANGE, nullptr,
       [](ControlsTest& t) {
         ::SetFocus(t.Item(kEdit));
         t.Type(u"ab");
       }},
      {"combo pick", kCombo, CBN_SELENDOK, fillCombo, pick},
      {"combo change", kCombo, CBN_SELCHANGE, fillCombo, pick},
      {"list view change", kView, LVN_ITEMCHANGED, fillView, [](ControlsTest& t) { t.Tap(kView, 20, 25); }},
      {"list view click", kView, NM_CLICK, fillView, [](ControlsTest& t) { t.Tap(kView, 20, 25); }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    if (!dlg_) {
      dlg_ = new CTestDlg;
      ASSERT_TRUE(dlg_->Create(kTemplate));
      Pump();
    }
    if (c.prepare) c.prepare(*this);
    bool fired = false;
    CTestDlg* d = dlg_;
    d->onNote = [&, d](const Note& n) {
      if (n.id == c.id && n.code == c.code && !fired) {
        fired = true;
        d->DestroyWindow();
      }
    };
    c.drive(*this);
    EXPECT_TRUE(fired);
    EXPECT_EQ(d->m_hWnd, 0u);
    delete d;
    dlg_ = nullptr;
    Pump();
  }
}

TEST_F(ListViewFilled, ChangeHandlerMayEmptyTheList) {
  dlg_->onNote = [this](const Note& n) {
    if (n.id == kView && n.code == LVN_ITEMCHANGED && (n.newState & LVIS_SELECTED)) lv_->DeleteAllItems();
  };
  TapRow(1);
  EXPECT_EQ(lv_->GetItemCount(), 0);
  auto clicks = ViewNotes({NM_CLICK});
  ASSERT_EQ(clicks.size(), 1u);
  EXPECT_EQ(clicks[0].item, -1);
}

}  // namespace
}  // namespace ctest

namespace ctest {
namespace {

TEST_F(ComboFilled, KeysOpenMoveAndPick) {
  Tap(kCombo, 10);
  dlg_->notes.clear();
  plat::win::InjectKey(VK_F4);
  Pump();
  ASSERT_TRUE(combo_->GetDroppedState());
  plat::win::InjectKey(VK_DOWN);
  plat::win::InjectKey(VK_DOWN);
  plat::win::InjectKey(VK_RETURN);
  Pump();
  EXPECT_FALSE(combo_->GetDroppedState());
  EXPECT_EQ(combo_->GetCurSel(), 1);
  EXPECT_EQ(Text(kCombo), u"00660");
  EXPECT_EQ(dlg_->CodesOf(kCombo), (std::vector<int>{CBN_DROPDOWN, CBN_SELENDOK, CBN_CLOSEUP, CBN_SELCHANGE}));
  // Closed, an arrow key steps the selection.
  dlg_->notes.clear();
  plat::win::InjectKey(VK_DOWN);
  Pump();
  EXPECT_EQ(combo_->GetCurSel(), 2);
  EXPECT_EQ(Text(kCombo), u"05380");
  EXPECT_EQ(dlg_->CodesOf(kCombo), (std::vector<int>{CBN_SELCHANGE}));
  // Escape closes an open list without a pick.
  plat::win::InjectKey(VK_F4);
  plat::win::InjectKey(VK_UP);
  plat::win::InjectKey(VK_ESCAPE);
  Pump();
  EXPECT_FALSE(combo_->GetDroppedState());
  EXPECT_EQ(combo_->GetCurSel(), 2);
}

}  // namespace
}  // namespace ctest
