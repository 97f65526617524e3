// Static texts, buttons, edits, list boxes and progress bars driven as a user and a screen would.
#include <algorithm>

#include "fixture.h"

namespace ctest {
namespace {

using EditTest = ControlsTest;
using ButtonTest = ControlsTest;
using ListBoxTest = ControlsTest;
using ProgressTest = ControlsTest;
using StaticTest = ControlsTest;

// ---- Edit ----------------------------------------------------------------------------------

struct TypingCase {
  const char* name;
  int id;
  std::u16string initial;
  int selStart, selEnd;  // selection before typing (-2: leave the caret where focus put it)
  std::u16string typed;
  UINT limit;  // 0: default
  std::u16string expected;
  int changes;  // EN_CHANGE notifications from the typing
  int maxText;  // EN_MAXTEXT notifications
};

TEST_F(EditTest, TypingFollowsCaretSelectionStyleAndLimit) {
  const TypingCase cases[] = {
      {"appends at the caret", kEdit, u"ab", -2, -2, u"cd", 0, u"abcd", 2, 0},
      {"replaces the selection", kEdit, u"hello", 0, -1, u"x", 0, u"x", 1, 0},
      {"inserts inside", kEdit, u"ad", 1, 1, u"bc", 0, u"abcd", 2, 0},
      {"backspace deletes before the caret", kEdit, u"abc", -2, -2, u"\b\b", 0, u"a", 2, 0},
      {"backspace deletes the selection only", kEdit, u"abcdef", 1, 4, u"\b", 0, u"aef", 1, 0},
      {"backspace at the start changes nothing", kEdit, u"abc", 0, 0, u"\b", 0, u"abc", 0, 0},
      {"digits only in a number edit", kNumber, u"", -2, -2, u"1a2-3", 0, u"123", 3, 0},
      {"limit refuses whole characters", kEdit, u"", -2, -2, u"abcd", 3, u"abc", 3, 1},
      {"limit still allows replacing a selection", kEdit, u"abc", 0, 1, u"z", 3, u"zbc", 1, 0},
      {"control characters are not typed", kEdit, u"", -2, -2, u"a\tb\x1b", 0, u"ab", 2, 0},
      {"Hangul is typed like any character", kEdit, u"", -2, -2, u"삼성", 0, u"삼성", 2, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    HWND e = Item(c.id);
    ::SetWindowText(e, c.initial.c_str());
    ::SendMessage(e, EM_LIMITTEXT, c.limit, 0);
    ::SetFocus(Item(kPush));
    ::SetFocus(e);  // the caret goes to the end
    if (c.selStart != -2) ::SendMessage(e, EM_SETSEL, static_cast<WPARAM>(c.selStart), c.selEnd);
    Pump();
    dlg_->notes.clear();
    Type(c.typed);
    EXPECT_EQ(Text(c.id), c.expected);
    auto codes = dlg_->CodesOf(c.id);
    EXPECT_EQ(std::count(codes.begin(), codes.end(), EN_CHANGE), c.changes);
    EXPECT_EQ(std::count(codes.begin(), codes.end(), EN_MAXTEXT), c.maxText);
  }
}

TEST_F(EditTest, EachTypedCharacterSendsUpdateBeforeChange) {
  ::SetFocus(Item(kEdit));
  Pump();
  dlg_->notes.clear();
  Type(u"ab");
  EXPECT_EQ(dlg_->CodesOf(kEdit), (std::vector<int>{EN_UPDATE, EN_CHANGE, EN_UPDATE, EN_CHANGE}));
  EXPECT_EQ(dlg_->notes[1].text, u"a");  // the text is in place when EN_CHANGE arrives
}

TEST_F(EditTest, SetTextNotifiesChangeAndIgnoresTheTypingLimit) {
  CEdit* e = static_cast<CEdit*>(dlg_->GetDlgItem(kEdit));
  e->LimitText(3);
  e->SetWindowText(u"abcdef");
  EXPECT_EQ(Text(kEdit), u"abcdef");
  EXPECT_EQ(dlg_->CodesOf(kEdit), (std::vector<int>{EN_UPDATE, EN_CHANGE}));
  EXPECT_EQ(e->GetLimitText(), 3u);
  // The same text again still notifies: a screen re-runs its item-code chain that way.
  dlg_->notes.clear();
  e->SetWindowText(u"abcdef");
  EXPECT_EQ(dlg_->CodesOf(kEdit), (std::vector<int>{EN_UPDATE, EN_CHANGE}));
  // Typing at the end of an over-long text is refused.
  ::SetFocus(Item(kEdit));
  Pump();
  dlg_->notes.clear();
  Type(u"g");
  EXPECT_EQ(Text(kEdit), u"abcdef");
  EXPECT_EQ(dlg_->CodesOf(kEdit), (std::vector<int>{EN_MAXTEXT}));
}

TEST_F(EditTest, ReplaceSelCutsToTheLimit) {
  CEdit* e = static_cast<CEdit*>(dlg_->GetDlgItem(kEdit));
  e->SetWindowText(u"ab");
  e->LimitText(5);
  e->SetSel(2, 2);
  dlg_->notes.clear();
  e->ReplaceSel(u"cdefgh");
  EXPECT_EQ(Text(kEdit), u"abcde");
  auto codes = dlg_->CodesOf(kEdit);
  EXPECT_EQ(codes.front(), EN_MAXTEXT);
  EXPECT_EQ(std::count(codes.begin(), codes.end(), EN_CHANGE), 1);
  int a = -1, b = -1;
  e->GetSel(a, b);
  EXPECT_EQ(a, 5);
  EXPECT_EQ(b, 5);
}

TEST_F(EditTest, ChangeHandlerThatRewritesTheTextEndsAndKeepsTheCaretAtTheEnd) {
  dlg_->formatNumbers = true;
  ::SetFocus(Item(kEdit));
  Pump();
  dlg_->notes.clear();
  Type(u"1234567");
  EXPECT_EQ(Text(kEdit), u"1,234,567");
  auto codes = dlg_->CodesOf(kEdit);
  EXPECT_LT(std::count(codes.begin(), codes.end(), EN_CHANGE), 30);
  Type(u"8");
  EXPECT_EQ(Text(kEdit), u"12,345,678");
}

TEST_F(EditTest, PasswordIsShownAsStarsAndNeverDescribed) {
  Tap(kPassword);
  Type(u"4821");
  EXPECT_EQ(Text(kPassword), u"4821");
  std::u16string described = plat::win::InspectWindow(Item(kPassword));
  EXPECT_NE(described.find(u"****"), std::u16string::npos);
  EXPECT_EQ(described.find(u"4821"), std::u16string::npos);
  plat::Surface screen;
  plat::win::ComposeScreen(screen);
  bool stars = false;
  for (auto& t : screen.texts) {
    EXPECT_EQ(t.text.find(u"4821"), std::u16string::npos);
    if (t.text == u"****") stars = true;
  }
  EXPECT_TRUE(stars);
  EXPECT_EQ(::SendMessage(Item(kPassword), EM_GETPASSWORDCHAR, 0, 0), u'*');
}

TEST_F(EditTest, FocusFromATapNotifiesAndPutsTheCaretAtTheEnd) {
  ::SetWindowText(Item(kEdit), u"12345");
  ::SetFocus(Item(kNumber));
  Pump();
  dlg_->notes.clear();
  Tap(kEdit);
  EXPECT_EQ(::GetFocus(), Item(kEdit));
  EXPECT_EQ(dlg_->CodesOf(kNumber), (std::vector<int>{EN_KILLFOCUS}));
  EXPECT_EQ(dlg_->CodesOf(kEdit), (std::vector<int>{EN_SETFOCUS}));
  DWORD a = 0, b = 0;
  ::SendMessage(Item(kEdit), EM_GETSEL, reinterpret_cast<WPARAM>(&a), reinterpret_cast<LPARAM>(&b));
  EXPECT_EQ(a, 5u);
  EXPECT_EQ(b, 5u);
}

TEST_F(EditTest, ReadOnlyAndDisabledEditsIgnoreTyping) {
  CEdit* e = static_cast<CEdit*>(dlg_->GetDlgItem(kEdit));
  e->SetWindowText(u"fixed");
  e->SetReadOnly(TRUE);
  ::SetFocus(Item(kEdit));
  Pump();
  Type(u"x\b");
  EXPECT_EQ(Text(kEdit), u"fixed");
  e->SetReadOnly(FALSE);
  e->EnableWindow(FALSE);
  ::SendMessage(Item(kEdit), WM_CHAR, u'x', 0);
  EXPECT_EQ(Text(kEdit), u"fixed");
  e->EnableWindow(TRUE);
  ::SetFocus(Item(kEdit));
  Pump();
  Type(u"!");
  EXPECT_EQ(Text(kEdit), u"fixed!");
}

TEST_F(EditTest, MultiLineCountsLinesAndTakesReturns) {
  ::SetFocus(Item(kMulti));
  Pump();
  Type(u"ab\rcd");
  EXPECT_EQ(Text(kMulti), u"ab\r\ncd");
  EXPECT_EQ(::SendMessage(Item(kMulti), EM_GETLINECOUNT, 0, 0), 2);
  EXPECT_EQ(::SendMessage(Item(kEdit), EM_GETLINECOUNT, 0, 0), 1);
}

TEST_F(EditTest, LongReadOnlyTextScrollsWithoutMovingTheCaret) {
  CEdit* e = static_cast<CEdit*>(dlg_->GetDlgItem(kMulti));
  CString article;
  for (int i = 1; i <= 20; ++i) article.AppendFormat(u"줄 %d\r\n", i);
  e->SetReadOnly(TRUE);
  e->SetWindowText(article);
  EXPECT_EQ(e->SendMessage(EM_GETFIRSTVISIBLELINE), 0);
  SCROLLINFO si{};
  si.cbSize = sizeof si;
  si.fMask = SIF_ALL;
  ASSERT_TRUE(::GetScrollInfo(Item(kMulti), SB_VERT, &si));
  EXPECT_EQ(si.nMax, 20);  // 20 lines and the empty one after the last line break
  int page = static_cast<int>(si.nPage);
  ASSERT_GT(page, 0);
  ASSERT_LT(page, 20);
  // A tap on the scroll bar's lower arrow moves one line; a page step moves a page.
  RECT r = ScreenRect(kMulti);
  TapScreen(r.right - 3, r.bottom - 4);
  EXPECT_EQ(e->SendMessage(EM_GETFIRSTVISIBLELINE), 1);
  e->SendMessage(WM_VSCROLL, SB_PAGEDOWN);
  int first = static_cast<int>(e->SendMessage(EM_GETFIRSTVISIBLELINE));
  EXPECT_EQ(first, 1 + page);
  plat::Surface screen;
  plat::win::ComposeScreen(screen);
  CString line;
  line.Format(u"줄 %d", first + 1);
  EXPECT_TRUE(std::any_of(screen.texts.begin(), screen.texts.end(), [&](auto& t) { return t.text == line.str(); }));
  EXPECT_FALSE(std::any_of(screen.texts.begin(), screen.texts.end(), [](auto& t) { return t.text == u"줄 1"; }));
  // Focus on a read-only text keeps its place.
  ::SetFocus(Item(kMulti));
  Pump();
  EXPECT_EQ(e->SendMessage(EM_GETFIRSTVISIBLELINE), first);
  // Scrolling by lines stops at the end.
  e->SendMessage(EM_LINESCROLL, 0, 100);
  EXPECT_EQ(e->SendMessage(EM_GETFIRSTVISIBLELINE), 21 - page);
  DWORD a = 1, b = 1;
  e->SendMessage(EM_GETSEL, reinterpret_cast<WPARAM>(&a), reinterpret_cast<LPARAM>(&b));
  EXPECT_EQ(a, 0u);  // the caret stayed at the start
}

// ---- Buttons -------------------------------------------------------------------------------

TEST_F(ButtonTest, RadioTapChecksItselfAndClearsOnlyItsGroup) {
  ::CheckDlgButton(dlg_->m_hWnd, kRadioA, BST_CHECKED);
  ::CheckDlgButton(dlg_->m_hWnd, kRadioD, BST_CHECKED);
  dlg_->notes.clear();
  Tap(kRadioB);
  EXPECT_EQ(::IsDlgButtonChecked(dlg_->m_hWnd, kRadioA), static_cast<UINT>(BST_UNCHECKED));
  EXPECT_EQ(::IsDlgButtonChecked(dlg_->m_hWnd, kRadioB), static_cast<UINT>(BST_CHECKED));
  EXPECT_EQ(::IsDlgButtonChecked(dlg_->m_hWnd, kRadioC), static_cast<UINT>(BST_UNCHECKED));
  EXPECT_EQ(::IsDlgButtonChecked(dlg_->m_hWnd, kRadioD), static_cast<UINT>(BST_CHECKED));
  EXPECT_EQ(dlg_->CodesOf(kRadioB), (std::vector<int>{BN_CLICKED}));
  EXPECT_TRUE(dlg_->CodesOf(kRadioA).empty());  // setting a sibling's check is silent
  EXPECT_EQ(::GetFocus(), Item(kRadioB));
  Tap(kRadioD);
  EXPECT_EQ(::IsDlgButtonChecked(dlg_->m_hWnd, kRadioB), static_cast<UINT>(BST_CHECKED));
}

TEST_F(ButtonTest, CheckBoxTogglesOnTapAndSetCheckIsSilent) {
  CButton* b = static_cast<CButton*>(dlg_->GetDlgItem(kCheck));
  b->SetCheck(BST_CHECKED);
  EXPECT_TRUE(dlg_->notes.empty());
  Tap(kCheck);
  EXPECT_EQ(b->GetCheck(), BST_UNCHECKED);
  Tap(kCheck);
  EXPECT_EQ(b->GetCheck(), BST_CHECKED);
  EXPECT_EQ(dlg_->CodesOf(kCheck), (std::vector<int>{BN_CLICKED, BN_CLICKED}));
  // BM_CLICK acts as a tap.
  b->SendMessage(BM_CLICK);
  EXPECT_EQ(b->GetCheck(), BST_UNCHECKED);
  // A push button has no check state.
  CButton* push = static_cast<CButton*>(dlg_->GetDlgItem(kPush));
  push->SetCheck(BST_CHECKED);
  EXPECT_EQ(push->GetCheck(), BST_UNCHECKED);
}

TEST_F(ButtonTest, PressReleasedOutsideIsNoClickAndDisabledButtonsIgnoreTaps) {
  RECT r = ScreenRect(kPush);
  plat::win::InjectStylus(plat::win::Stylus::Down, r.left + 5, r.top + 5);
  Pump();
  EXPECT_EQ(::SendMessage(Item(kPush), BM_GETSTATE, 0, 0) & BST_PUSHED, BST_PUSHED);
  plat::win::InjectStylus(plat::win::Stylus::Move, r.right + 30, r.bottom + 30);
  plat::win::InjectStylus(plat::win::Stylus::Up, r.right + 30, r.bottom + 30);
  Pump();
  EXPECT_TRUE(dlg_->CodesOf(kPush).empty());
  EXPECT_EQ(::SendMessage(Item(kPush), BM_GETSTATE, 0, 0) & BST_PUSHED, 0);

  plat::clock::Advance(1000);
  ::EnableWindow(Item(kPush), FALSE);
  Tap(kPush);
  ::SendMessage(Item(kPush), BM_CLICK, 0, 0);
  EXPECT_TRUE(dlg_->CodesOf(kPush).empty());
  ::EnableWindow(Item(kPush), TRUE);
  Tap(kPush);
  EXPECT_EQ(dlg_->CodesOf(kPush), (std::vector<int>{BN_CLICKED}));
}

TEST_F(ButtonTest, OwnerDrawnFaceHearsEveryStateChange) {
  struct Step {
    const char* name;
    std::function<void()> act;
    UINT action;
    UINT state;
  };
  RECT r = ScreenRect(kOwner);
  const Step steps[] = {
      {"focus", [&] { ::SetFocus(Item(kOwner)); }, ODA_FOCUS, ODS_FOCUS},
      {"pressed", [&] { plat::win::InjectStylus(plat::win::Stylus::Down, r.left + 3, r.top + 3); }, ODA_SELECT,
       ODS_SELECTED | ODS_FOCUS},
      {"released", [&] { plat::win::InjectStylus(plat::win::Stylus::Up, r.left + 3, r.top + 3); }, ODA_SELECT,
       ODS_FOCUS},
      {"focus lost", [&] { ::SetFocus(Item(kEdit)); }, ODA_FOCUS, 0},
      {"disabled", [&] { ::EnableWindow(Item(kOwner), FALSE); }, ODA_DRAWENTIRE, ODS_DISABLED},
  };
  for (const auto& s : steps) {
    SCOPED_TRACE(s.name);
    dlg_->draws.clear();
    s.act();
    Pump();
    ASSERT_FALSE(dlg_->draws.empty());
    const DRAWITEMSTRUCT& d = dlg_->draws.front();
    EXPECT_EQ(d.CtlType, static_cast<UINT>(ODT_BUTTON));
    EXPECT_EQ(d.CtlID, static_cast<UINT>(kOwner));
    EXPECT_EQ(d.hwndItem, Item(kOwner));
    EXPECT_EQ(d.itemAction, s.action);
    EXPECT_EQ(d.itemState, s.state);
    EXPECT_EQ(d.rcItem.right - d.rcItem.left, 40);
  }
  EXPECT_EQ(dlg_->CodesOf(kOwner), (std::vector<int>{BN_CLICKED}));
}

// ---- Static --------------------------------------------------------------------------------

TEST_F(StaticTest, DrawsWithTheColoursItsParentGives) {
  plat::Surface screen;
  plat::win::ComposeScreen(screen);
  auto it = std::find_if(screen.texts.begin(), screen.texts.end(), [](auto& t) { return t.text == u"라벨"; });
  ASSERT_NE(it, screen.texts.end());
  EXPECT_EQ(it->color, RGB(255, 0, 0));
  const plat::Surface* surface = plat::win::WindowSurface(dlg_->m_hWnd);
  ASSERT_NE(surface, nullptr);
  RECT r = ScreenRect(kStatic);
  EXPECT_EQ(surface->Row(r.top + 1)[r.right - 2], RGB(255, 255, 191));
  // A new text is shown on the next paint.
  ::SetWindowText(Item(kStatic), u"바뀜");
  plat::win::ComposeScreen(screen);
  EXPECT_TRUE(std::any_of(screen.texts.begin(), screen.texts.end(), [](auto& t) { return t.text == u"바뀜"; }));
}

// ---- List box ------------------------------------------------------------------------------

TEST_F(ListBoxTest, ItemsIndexesAndSearch) {
  CListBox* lb = static_cast<CListBox*>(dlg_->GetDlgItem(kList));
  EXPECT_EQ(lb->AddString(u"Group1"), 0);
  EXPECT_EQ(lb->AddString(u"Group2"), 1);
  EXPECT_EQ(lb->InsertString(0, u"첫째"), 0);
  EXPECT_EQ(lb->InsertString(9, u"bad"), LB_ERR);
  EXPECT_EQ(lb->InsertString(-1, u"last"), 3);
  EXPECT_EQ(lb->GetCount(), 4);
  EXPECT_EQ(lb->SetItemData(1, 77), 0);
  EXPECT_EQ(lb->GetItemData(1), 77u);
  EXPECT_EQ(static_cast<int>(lb->GetItemData(4)), LB_ERR);
  EXPECT_EQ(lb->FindString(-1, u"group"), 1);
  EXPECT_EQ(lb->FindString(1, u"group"), 2);
  EXPECT_EQ(lb->FindString(2, u"group"), 1);  // wraps round
  EXPECT_EQ(lb->FindStringExact(-1, u"group"), LB_ERR);
  CString t;
  lb->GetText(0, t);
  EXPECT_EQ(t, u"첫째");
  EXPECT_EQ(lb->GetTextLen(7), LB_ERR);
  lb->SetCurSel(2);
  EXPECT_EQ(lb->DeleteString(0), 3);
  EXPECT_EQ(lb->GetCurSel(), 1);  // the selection follows its item
  EXPECT_EQ(lb->DeleteString(1), 2);
  EXPECT_EQ(lb->GetCurSel(), LB_ERR);
  EXPECT_EQ(lb->DeleteString(5), LB_ERR);
  lb->ResetContent();
  EXPECT_EQ(lb->GetCount(), 0);
  EXPECT_TRUE(dlg_->notes.empty());  // no notification for any of it
}

TEST_F(ListBoxTest, TapSelectsWithNotificationAndScrollsLongLists) {
  CListBox* lb = static_cast<CListBox*>(dlg_->GetDlgItem(kList));
  for (int i = 0; i < 20; ++i) {
    CString s;
    s.Format(u"항목 %02d", i);
    lb->AddString(s);
  }
  int h = static_cast<int>(lb->SendMessage(LB_GETITEMHEIGHT));
  ASSERT_GT(h, 0);
  Tap(kList, 10, h + h / 2);
  EXPECT_EQ(lb->GetCurSel(), 1);
  EXPECT_EQ(dlg_->CodesOf(kList), (std::vector<int>{LBN_SETFOCUS, LBN_SELCHANGE}));
  EXPECT_EQ(dlg_->notes.back().cursel, 1);  // the selection is in place when notified
  // Tapping the selected row again is no change.
  dlg_->notes.clear();
  Tap(kList, 10, h + h / 2);
  EXPECT_TRUE(dlg_->CodesOf(kList).empty());
  // Two quick taps are a double tap.
  RECT r = ScreenRect(kList);
  plat::win::InjectStylus(plat::win::Stylus::Tap, r.left + 10, r.top + h / 2);
  plat::win::InjectStylus(plat::win::Stylus::Tap, r.left + 10, r.top + h / 2);
  Pump();
  EXPECT_EQ(dlg_->CodesOf(kList), (std::vector<int>{LBN_SELCHANGE, LBN_DBLCLK}));
  // Selecting the last row by program scrolls it into view, silently.
  dlg_->notes.clear();
  lb->SetCurSel(19);
  EXPECT_GT(lb->GetTopIndex(), 0);
  EXPECT_TRUE(dlg_->notes.empty());
  EXPECT_EQ(lb->SetTopIndex(0), 0);
  EXPECT_EQ(lb->GetTopIndex(), 0);
  EXPECT_EQ(lb->SetTopIndex(20), LB_ERR);
}

// ---- Progress ------------------------------------------------------------------------------

TEST_F(ProgressTest, PositionStaysInRangeAndStepsWrap) {
  struct Case {
    const char* name;
    UINT msg;
    WPARAM w;
    LPARAM l;
    LRESULT result;
    int pos;
  };
  const Case cases[] = {
      {"default range 0..100, position 0", PBM_GETPOS, 0, 0, 0, 0},
      {"set within range returns the old position", PBM_SETPOS, 40, 0, 0, 40},
      {"set above the range is clamped", PBM_SETPOS, 500, 0, 40, 100},
      {"delta moves and returns the old position", PBM_DELTAPOS, static_cast<WPARAM>(-30), 0, 100, 70},
      {"narrowing the range clamps the position", PBM_SETRANGE, 0, MAKELPARAM(0, 50), MAKELONG(0, 100), 50},
      {"set step returns the old step", PBM_SETSTEP, 20, 0, 10, 50},
      {"step past the end starts over", PBM_STEPIT, 0, 0, 50, 19},
      {"step within range", PBM_STEPIT, 0, 0, 19, 39},
      {"32-bit range", PBM_SETRANGE32, 100, 100000, MAKELONG(0, 50), 100},
      {"set below the range is clamped", PBM_SETPOS, 5, 0, 100, 100},
  };
  HWND p = Item(kProgress);
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(::SendMessage(p, c.msg, c.w, c.l), c.result);
    EXPECT_EQ(::SendMessage(p, PBM_GETPOS, 0, 0), c.pos);
  }
  PBRANGE range{};
  EXPECT_EQ(::SendMessage(p, PBM_GETRANGE, FALSE, reinterpret_cast<LPARAM>(&range)), 100000);
  EXPECT_EQ(range.iLow, 100);
}

}  // namespace
}  // namespace ctest

namespace ctest {
namespace {

TEST_F(ControlsTest, DisabledControlsAreGreyed) {
  ::SetWindowText(Item(kEdit), u"abc");
  CComboBox* list = static_cast<CComboBox*>(dlg_->GetDlgItem(kComboList));
  list->AddString(u"SKT");
  list->SetCurSel(0);
  struct Case {
    int id;
    std::u16string text;
  };
  const Case cases[] = {{kStatic, u"라벨"}, {kPush, u"확인"}, {kCheck, u"저장"}, {kEdit, u"abc"}, {kComboList, u"SKT"}};
  auto colorOf = [&](const std::u16string& text) -> COLORREF {
    plat::Surface screen;
    plat::win::ComposeScreen(screen);
    const plat::Surface* s = plat::win::WindowSurface(dlg_->m_hWnd);
    COLORREF c = CLR_INVALID;
    for (auto& t : s->texts)
      if (t.text == text) c = t.color;  // the latest drawing
    return c;
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.id);
    COLORREF enabled = colorOf(c.text);
    ASSERT_NE(enabled, CLR_INVALID);
    EXPECT_NE(enabled, GetSysColor(COLOR_GRAYTEXT));
    ::EnableWindow(Item(c.id), FALSE);
    EXPECT_EQ(colorOf(c.text), GetSysColor(COLOR_GRAYTEXT));
    ::EnableWindow(Item(c.id), TRUE);
    EXPECT_EQ(colorOf(c.text), enabled);
  }
}

}  // namespace
}  // namespace ctest
