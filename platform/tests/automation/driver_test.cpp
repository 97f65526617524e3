// The in-process driver against the sample screen: what the user does goes in as input and the
// screen's notifications show that the controls saw real typing, taps and picks.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "plat/automation.h"
#include "plat/kernel.h"
#include "sample_screen.h"

namespace pa = plat::automation;
using sample::Notes;

namespace {

std::string Join(const std::vector<std::string>& v) {
  std::string s;
  for (auto& x : v) s += x + "\n";
  return s;
}

class DriverTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char tmpl[] = "/tmp/larkspin-auto-XXXXXX";
    root_ = mkdtemp(tmpl);
    plat::SetDeviceRoot(root_);
    StartDriver(pa::Driver::Options{}.boxTimeoutMs);
  }
  // A fresh driver and sample screen. The watch on boxes and menus runs on real time: only the
  // test of the watch itself shortens it, so a slow machine never closes another test's box.
  void StartDriver(int boxTimeoutMs) {
    d_.reset();
    Notes().clear();
    failures_.clear();
    pa::Driver::Options o;
    o.boxTimeoutMs = boxTimeoutMs;
    o.onFailure = [this](const std::string& f) { failures_.push_back(f); };
    d_ = std::make_unique<pa::Driver>(o);
    d_->Ui([this] { top_ = sample::Build(); });
  }
  void TearDown() override {
    d_.reset();
    std::filesystem::remove_all(root_);
  }
  // Notes from the n-th on.
  std::vector<std::string> NotesFrom(size_t n) { return {Notes().begin() + static_cast<long>(n), Notes().end()}; }
  pa::Driver& d() { return *d_; }
  std::string Line(const std::string& command, const std::string& prefix) {
    for (auto& l : d().Do(command).lines)
      if (l.find(prefix) != std::string::npos) return l;
    return "";
  }

  std::string root_;
  std::vector<std::string> failures_;
  std::unique_ptr<pa::Driver> d_;
  HWND top_ = 0;
};

TEST_F(DriverTest, TypingSendsOneCharacterAtATimeAndMovesTheFocus) {
  ASSERT_TRUE(d().Type(sample::kEdit, "005930"));
  EXPECT_EQ(d().Text(sample::kEdit), u"005930");
  // One EN_CHANGE per character: the edit saw typing, not a WM_SETTEXT.
  int changes = 0;
  for (auto& n : Notes()) changes += n == "command 1001 768";
  EXPECT_EQ(changes, 6);
  EXPECT_NE(Line("tree", "id=1001").find(" focus"), std::string::npos);
  // Korean text goes in as UTF-16 characters.
  ASSERT_TRUE(d().Type(0, "삼성"));
  EXPECT_EQ(d().Text(sample::kEdit), u"005930삼성");
  ASSERT_TRUE(d().Key("BACK"));
  EXPECT_EQ(d().Text(sample::kEdit), u"005930삼");
  EXPECT_TRUE(failures_.empty()) << Join(failures_);
}

TEST_F(DriverTest, APasswordNeverAppearsInTheOutput) {
  ASSERT_TRUE(d().Type(sample::kPassword, "s3cret"));
  EXPECT_EQ(d().Text(sample::kPassword), u"s3cret");  // the program has it
  EXPECT_EQ(d().Do("text 1012").lines, (std::vector<std::string>{"\"******\""}));
  std::string tree = d().Tree();
  EXPECT_NE(tree.find("EDIT id=1012 text=\"******\""), std::string::npos) << tree;
  EXPECT_EQ(tree.find("s3cret"), std::string::npos) << tree;
  EXPECT_EQ(d().Do("wait text 1012 s3cret").lines, (std::vector<std::string>{"\"******\""}));
}

TEST_F(DriverTest, TapOpensABoxThatWaitsForItsAnswer) {
  d().Type(sample::kEdit, "10");
  size_t before = Notes().size();
  ASSERT_TRUE(d().Tap(sample::kSend));
  // The handler is inside MessageBox: the box is shown and nothing after it has happened.
  pa::Result box = d().Do("box");
  ASSERT_TRUE(box.ok);
  EXPECT_EQ(box.lines.at(1), "caption \"Confirm\"");
  EXPECT_EQ(box.lines.at(2), "text \"Send 10?\"");
  EXPECT_EQ(box.lines.at(3), "buttons ok cancel");
  EXPECT_EQ(box.lines.at(4), "icon question");
  // The edit field lost the focus (EN_KILLFOCUS) to the button, then the click.
  EXPECT_EQ(NotesFrom(before), (std::vector<std::string>{"command 1001 512", "command 1002 0"}));
  // While the box is up, the screen under it cannot be tapped.
  pa::Result covered = d().Do("tap 1003");
  EXPECT_FALSE(covered.ok);
  EXPECT_NE(covered.error.find("covered"), std::string::npos) << covered.error;
  ASSERT_TRUE(d().Answer(IDCANCEL));
  EXPECT_EQ(NotesFrom(before), (std::vector<std::string>{"command 1001 512", "command 1002 0", "box 2"}));
  EXPECT_EQ(d().Text(sample::kStatus), u"cancelled");
  EXPECT_EQ(d().Do("box").lines, (std::vector<std::string>{"none"}));
  EXPECT_TRUE(failures_.empty()) << Join(failures_);
}

TEST_F(DriverTest, ABoxLeftUnansweredFailsAndIsClosed) {
  StartDriver(300);
  ASSERT_TRUE(d().Tap(sample::kSend));
  // The watch closes it with Cancel after its time-out and reports it with what it showed (not
  // looked at here first: on a slow machine the watch may already have closed it).
  pa::Result gone = d().Do("wait text 1006 cancelled --timeout 3000");
  EXPECT_TRUE(gone.ok) << gone.error;
  ASSERT_EQ(failures_.size(), 1u);
  EXPECT_NE(failures_[0].find("unanswered"), std::string::npos);
  EXPECT_NE(failures_[0].find("Confirm"), std::string::npos);
}

TEST_F(DriverTest, PickingAComboItemGivesTheUserNotificationsInOrder) {
  size_t before = Notes().size();
  // Item 17 is below the list's first page: the list is scrolled to it first.
  ASSERT_TRUE(d().Pick(sample::kCombo, 17));
  // CBN_SETFOCUS, CBN_DROPDOWN, CBN_SELENDOK, CBN_CLOSEUP, CBN_SELCHANGE.
  EXPECT_EQ(NotesFrom(before), (std::vector<std::string>{"command 1004 3", "command 1004 7", "command 1004 9",
                                                         "command 1004 8", "command 1004 1"}));
  EXPECT_EQ(d().Text(sample::kStatus), u"picked 17");
  EXPECT_NE(Line("tree", "item 17 \"Item 17\"").find("selected"), std::string::npos);
  // By text, and the list is closed again afterwards.
  ASSERT_TRUE(d().Do("pick 1004 \"text:Item 2\"").ok);
  EXPECT_EQ(d().Text(sample::kStatus), u"picked 2");
  EXPECT_EQ(Line("tree", "id=1004").find("dropped"), std::string::npos);
  EXPECT_TRUE(failures_.empty()) << Join(failures_);
}

// The item-code field of the screens: an editable combo box, typed into and picked from.
TEST_F(DriverTest, EditableComboTakesTypingAndPicks) {
  d().Ui([this] {
    ShowWindow(GetDlgItem(top_, sample::kGrid), SW_HIDE);
    HWND c = CreateWindowEx(0, WC_COMBOBOX, u"", WS_CHILD | WS_VISIBLE | CBS_DROPDOWN | WS_VSCROLL, 10, 150, 120, 90,
                            top_, PLAT_ID_AS_MENU(1013), nullptr, nullptr);
    for (const char16_t* code : {u"005930", u"000660", u"035420"})
      SendMessage(c, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(code));
  });
  size_t before = Notes().size();
  ASSERT_TRUE(d().Type(1013, "0057"));
  int edits = 0;
  for (auto& n : NotesFrom(before)) edits += n == "command 1013 5";  // CBN_EDITCHANGE
  EXPECT_EQ(edits, 4);
  EXPECT_NE(Line("tree", "id=1013").find("text=\"0057\""), std::string::npos) << d().Tree();
  before = Notes().size();
  ASSERT_TRUE(d().Pick(1013, 2));
  std::vector<std::string> picked = NotesFrom(before);
  EXPECT_EQ(std::vector<std::string>(picked.end() - 3, picked.end()),
            (std::vector<std::string>{"command 1013 9", "command 1013 8", "command 1013 1"}));
  EXPECT_NE(Line("tree", "id=1013").find("text=\"035420\""), std::string::npos) << d().Tree();
  EXPECT_EQ(d().Do("text 1013").lines, (std::vector<std::string>{"\"035420\""}));
  EXPECT_EQ(d().Text(1013), u"035420");
  EXPECT_EQ(d().Do("wait text 1013 035420").lines, (std::vector<std::string>{"\"035420\""}));
  EXPECT_TRUE(failures_.empty()) << Join(failures_);
}

TEST_F(DriverTest, PickingAListItemTapsItsRow) {
  size_t before = Notes().size();
  ASSERT_TRUE(d().Pick(sample::kList, 6));  // scrolled out of sight at first
  EXPECT_EQ(NotesFrom(before), (std::vector<std::string>{"command 1005 4", "command 1005 1"}));  // focus, pick
  EXPECT_EQ(Line("tree", "\"Ulsan\""), "    item 6 \"Ulsan\" selected");
}

TEST_F(DriverTest, ListViewRowsAreShownAndPicked) {
  std::string tree = d().Tree();
  EXPECT_NE(
      tree.find("    columns \"Code\" \"Name\"\n    row 0 \"005930\" \"Samsung\"\n    row 1 \"000660\" \"Hynix\"\n"),
      std::string::npos)
      << tree;
  size_t before = Notes().size();
  ASSERT_TRUE(d().Do("pick 1011 text:035420").ok);
  EXPECT_EQ(NotesFrom(before), (std::vector<std::string>{"notify 1011 selected 2"}));
  EXPECT_EQ(Line("tree", "row 2 "), "    row 2 \"035420\" \"Naver\" selected");
}

// A screen that asks something while it is being built: Ui() comes back with the box up.
TEST_F(DriverTest, UiReturnsWhileTheWorkWaitsInABox) {
  int answer = 0;
  d().Ui([&] { answer = MessageBox(top_, u"Load the last order?", u"", MB_YESNO); });
  plat::win::MessageBoxInfo box;
  ASSERT_TRUE(d().PendingBox(&box));
  EXPECT_EQ(box.text, u"Load the last order?");
  EXPECT_EQ(answer, 0);
  ASSERT_TRUE(d().Answer(IDNO));
  EXPECT_EQ(answer, IDNO);
  EXPECT_TRUE(failures_.empty()) << Join(failures_);
}

TEST_F(DriverTest, TreeShowsStateItemsAndCustomCells) {
  ASSERT_TRUE(d().Tap(sample::kCheck));
  std::string tree = d().Tree();
  EXPECT_NE(tree.find("AutoSample id=0 text=\"Sample\" rect=0,26,240,320 visible enabled"), std::string::npos) << tree;
  EXPECT_NE(tree.find("BUTTON id=1003 text=\"Market\" rect=10,62,110,80 visible enabled focus checked=1"),
            std::string::npos)
      << tree;
  EXPECT_NE(tree.find("BUTTON id=1010 text=\"Off\" rect=150,150,210,170 visible disabled"), std::string::npos) << tree;
  EXPECT_NE(tree.find("    cells row 0 \"Price\" fg=0x000000 bg=0x8CDFFF | \"70,100\" fg=0x0000FF bg=0xFFFFFF\n"),
            std::string::npos)
      << tree;
  EXPECT_NE(tree.find("    item 0 \"Seoul\"\n"), std::string::npos) << tree;
  // A push button shows no check state.
  EXPECT_EQ(Line("tree", "id=1002").find("checked"), std::string::npos);
}

// A control laid out under another one cannot be tapped: the tap would reach the one on top.
TEST_F(DriverTest, TapRefusesAControlUnderAnother) {
  d().Ui([this] {
    // Created later, so below the edit field in the z-order, at the same place.
    CreateWindowEx(0, WC_BUTTON, u"Hidden", WS_CHILD | WS_VISIBLE, 10, 10, 120, 20, top_, PLAT_ID_AS_MENU(1020),
                   nullptr, nullptr);
  });
  size_t before = Notes().size();
  pa::Result r = d().Do("tap 1020");
  EXPECT_FALSE(r.ok);
  EXPECT_NE(r.error.find("covered at 70,46 by EDIT id=1001"), std::string::npos) << r.error;
  EXPECT_EQ(Notes().size(), before);
}

// What the screen shows, read as text and colours: the grid's label cell and the status line.
TEST_F(DriverTest, ScreenTextAndPixels) {
  // The grid's client area starts one pixel in (its border) at 11,177 on the screen.
  pa::Result cell = d().Do("screen-text 11 177 71 197");
  ASSERT_TRUE(cell.ok) << cell.error;
  ASSERT_EQ(cell.lines.size(), 1u) << Join(cell.lines);
  EXPECT_EQ(cell.lines[0].rfind("text ", 0), 0u) << cell.lines[0];  // the text's own extent inside the cell
  EXPECT_NE(cell.lines[0].find(" fg=0x0000FF bg=none font="), std::string::npos) << cell.lines[0];
  EXPECT_EQ(cell.lines[0].substr(cell.lines[0].size() - 8), " \"Price\"");
  EXPECT_EQ(d().Do("pixel 12 178").lines, (std::vector<std::string>{"0x8CDFFF"}));
  // The status line shows what the static holds once it has been painted again.
  ASSERT_TRUE(d().Pick(sample::kCombo, 1));
  std::string all = d().Do("screen-text").Text();
  EXPECT_NE(all.find("\"picked 1\""), std::string::npos) << all;
  EXPECT_EQ(all.find("\"ready\""), std::string::npos) << all;
  EXPECT_FALSE(d().Do("pixel 240 0").ok);
}

TEST_F(DriverTest, CellTapsReachTheCustomControl) {
  ASSERT_TRUE(d().TapCell(sample::kGrid, 1, 0));
  EXPECT_EQ(Notes().back(), "cell 1 0");
  pa::Result missing = d().Do("tap-cell 1009 5 0");
  EXPECT_FALSE(missing.ok);
  EXPECT_EQ(missing.error, "window 1009 has no cell 5,0");
}

TEST_F(DriverTest, PopupMenuIsListedAndChosen) {
  size_t before = Notes().size();
  ASSERT_TRUE(d().Tap(sample::kMenu));
  pa::Result m = d().Do("menu");
  ASSERT_TRUE(m.ok);
  ASSERT_EQ(m.lines.size(), 5u);
  EXPECT_EQ(m.lines[1], "item 2001 \"Buy\"");
  EXPECT_EQ(m.lines[2], "separator");
  EXPECT_EQ(m.lines[3], "item 2002 \"Sell\" grayed");
  EXPECT_FALSE(d().Do("choose 2002").ok);  // grayed: a user cannot choose it
  ASSERT_TRUE(d().ChooseMenu(sample::kMenuHold));
  EXPECT_EQ(NotesFrom(before), (std::vector<std::string>{"command 1007 0", "menu 2003"}));
  EXPECT_TRUE(failures_.empty()) << Join(failures_);
}

TEST_F(DriverTest, VirtualClockRunsTimersOnlyWhenAdvanced) {
  ASSERT_TRUE(d().Tap(sample::kTimer));
  d().Advance(999);
  EXPECT_EQ(d().Text(sample::kStatus), u"ready");
  d().Advance(1);
  EXPECT_EQ(d().Text(sample::kStatus), u"tick");
  EXPECT_EQ(Notes().back(), "timer");
}

TEST_F(DriverTest, ShellStateAndWaitCursor) {
  d().Ui([] {
    SHSipShowIM(SIPF_ON);
    SetCursor(LoadCursor(nullptr, IDC_WAIT));
  });
  std::vector<std::string> shell = d().Do("shell").lines;
  d().Ui([] {
    SHSipShowIM(SIPF_OFF);
    SetCursor(LoadCursor(nullptr, IDC_ARROW));
  });
  EXPECT_NE(std::find(shell.begin(), shell.end(), "sip shown"), shell.end()) << Join(shell);
  EXPECT_NE(std::find(shell.begin(), shell.end(), "wait-cursor on"), shell.end()) << Join(shell);
  shell = d().Do("shell").lines;
  EXPECT_NE(std::find(shell.begin(), shell.end(), "sip hidden"), shell.end()) << Join(shell);
  EXPECT_NE(std::find(shell.begin(), shell.end(), "wait-cursor off"), shell.end()) << Join(shell);
}

TEST_F(DriverTest, ScreenshotIsAPngOfTheWholeScreen) {
  std::string path = root_ + "/shot.png";
  ASSERT_TRUE(d().Screenshot(path));
  std::ifstream in(path, std::ios::binary);
  unsigned char head[24] = {};
  in.read(reinterpret_cast<char*>(head), 24);
  ASSERT_EQ(in.gcount(), 24);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(head) + 1, 3), "PNG");
  auto be32 = [&](int at) { return (head[at] << 24) | (head[at + 1] << 16) | (head[at + 2] << 8) | head[at + 3]; };
  EXPECT_EQ(be32(16), 240);
  EXPECT_EQ(be32(20), 320);
  // One window alone: its own size.
  ASSERT_TRUE(d().Do("shot " + root_ + "/grid.png 1009").ok);
  EXPECT_TRUE(std::filesystem::exists(root_ + "/grid.png"));
  EXPECT_FALSE(d().Do("shot relative.png").ok);
}

// Commands that cannot be carried out say why and change nothing.
TEST_F(DriverTest, RefusedCommands) {
  struct Case {
    const char* command;
    const char* error;
  } cases[] = {
      {"fly", "unknown command \"fly\""},
      {"tap 4242", "no window 4242"},
      {"tap what", "bad window name \"what\" (use an id, @handle, class:NAME or text:TEXT)"},
      {"tap 1010", ""},  // disabled: nothing happens, but the tap itself is legal
      {"type 1010 x", "window 1010 is disabled"},
      {"answer ok", "no message box"},
      {"answer maybe", "usage: answer ok|cancel|yes|no|abort|retry|ignore|NUMBER"},
      {"choose 1", "no menu"},
      {"pick 1004 20", "combo box 1004 has no item 20"},
      {"pick 1006 0", "window 1006 is not a combo box, list box or list view"},
      {"key NOPE", "unknown key \"NOPE\""},
      {"drag 1 2 3", "usage: drag X1 Y1 X2 Y2 [STEPS]"},
      {"wait box --timeout 20", "timed out after 20 ms waiting for box"},
  };
  for (auto& c : cases) {
    size_t before = Notes().size();
    pa::Result r = d().Do(c.command);
    if (!*c.error) {
      EXPECT_TRUE(r.ok) << c.command << ": " << r.error;
    } else {
      EXPECT_FALSE(r.ok) << c.command;
      EXPECT_EQ(r.error, c.error) << c.command;
    }
    EXPECT_EQ(Notes().size(), before) << c.command;
  }
  EXPECT_TRUE(d().Do("wait box --timeout 20").timedOut);
  EXPECT_TRUE(failures_.empty()) << Join(failures_);
}

TEST_F(DriverTest, DoubleTapAndDragReachTheWindowUnderTheStylus) {
  // The list box takes a double tap on a row as two picks of the same row.
  size_t before = Notes().size();
  ASSERT_TRUE(d().DoubleTapAt(150, 26 + 36 + 5));
  EXPECT_GE(Notes().size(), before + 1);
  EXPECT_EQ(Line("tree", "\"Seoul\""), "    item 0 \"Seoul\" selected");
  // A drag that starts on the Send button and ends on the edit field: no click (the stylus went up outside).
  before = Notes().size();
  ASSERT_TRUE(d().Drag(145, 26 + 20, 20, 26 + 20));
  for (auto& n : NotesFrom(before)) EXPECT_NE(n, "command 1002 0");
}

// A dialog on the driver's thread gets the dialog keys as in a program's loop: RETURN in its edit
// field is the default button, TAB moves the focus.
BOOL CALLBACK KeysDialogProc(HWND h, UINT msg, WPARAM wp, LPARAM) {
  if (msg == WM_COMMAND) Notes().push_back("dialog " + std::to_string(LOWORD(wp)));
  (void)h;
  return msg == WM_INITDIALOG ? TRUE : FALSE;
}

TEST_F(DriverTest, DialogKeysWorkInTheDriversLoop) {
  static const plat::DialogItemTemplate items[] = {
      {WC_EDIT, 3001, u"", WS_VISIBLE | WS_BORDER | WS_TABSTOP, 0, 10, 10, 100, 20},
      {WC_BUTTON, IDOK, u"OK", WS_VISIBLE | WS_TABSTOP | BS_DEFPUSHBUTTON, 0, 10, 40, 60, 20},
  };
  static const plat::DialogTemplate tmpl = {
      WS_POPUP | WS_VISIBLE, 0, 0, 26, 240, 294, u"Keys", nullptr, nullptr, 0, items, 2};
  HWND dlg = 0;
  d().Ui([&] { dlg = CreateDialogIndirectParam(nullptr, &tmpl, 0, KeysDialogProc, 0); });
  ASSERT_NE(dlg, 0u);
  ASSERT_TRUE(d().Type(3001, "12"));
  size_t before = Notes().size();
  ASSERT_TRUE(d().Key("RETURN"));
  std::vector<std::string> after = NotesFrom(before);
  EXPECT_NE(std::find(after.begin(), after.end(), "dialog 1"), after.end()) << Join(after);
  ASSERT_TRUE(d().Key("TAB"));
  EXPECT_NE(Line("tree", "id=1 ").find(" focus"), std::string::npos) << d().Tree();
  d().Ui([&] { DestroyWindow(dlg); });
}

std::u16string g_found;
BOOL CALLBACK FindDialogProc(HWND h, UINT msg, WPARAM wp, LPARAM) {
  if (msg == WM_COMMAND && LOWORD(wp) == IDOK) {
    WCHAR text[32] = {};
    GetDlgItemText(h, 3001, text, 32);
    g_found = text;
    EndDialog(h, 7);
    return TRUE;
  }
  return msg == WM_INITDIALOG ? TRUE : FALSE;
}

// A modal dialog run from Ui(): the driver comes back while it is up and drives it.
TEST_F(DriverTest, ModalDialogIsDrivenWhileUiWaitsInIt) {
  static const plat::DialogItemTemplate items[] = {
      {WC_EDIT, 3001, u"", WS_VISIBLE | WS_BORDER | WS_TABSTOP, 0, 10, 10, 100, 20},
      {WC_BUTTON, IDOK, u"OK", WS_VISIBLE | WS_TABSTOP | BS_DEFPUSHBUTTON, 0, 10, 40, 60, 20},
  };
  static const plat::DialogTemplate tmpl = {
      WS_POPUP | WS_VISIBLE, 0, 0, 26, 240, 294, u"Find", nullptr, nullptr, 0, items, 2};
  INT_PTR result = -5;
  d().Ui([&] { result = DialogBoxIndirectParam(nullptr, &tmpl, top_, FindDialogProc, 0); });
  EXPECT_EQ(result, -5);
  ASSERT_TRUE(d().Do("wait window text:Find --timeout 1000").ok);
  // The screen under the dialog is out of reach while it is up.
  EXPECT_FALSE(d().Do("tap 1002").ok);
  ASSERT_TRUE(d().Type(3001, "KOSPI"));
  d().Ui([] {});  // still answers while the dialog runs
  ASSERT_TRUE(d().Tap(IDOK));
  EXPECT_EQ(result, 7);
  EXPECT_EQ(g_found, u"KOSPI");
  EXPECT_TRUE(d().Tap(1002));  // the screen takes taps again
  ASSERT_TRUE(d().Answer(IDCANCEL));
  EXPECT_TRUE(failures_.empty()) << Join(failures_);
}

TEST(CommandWords, SplitAndQuoteRoundTrip) {
  struct Case {
    const char* line;
    std::vector<std::string> words;
  } cases[] = {
      {"tap 1001", {"tap", "1001"}},
      {"  type   1001\t\"a b\"  ", {"type", "1001", "a b"}},
      {"type - \"say \\\"hi\\\"\\n\"", {"type", "-", "say \"hi\"\n"}},
      {"wait text 1006 \"\"", {"wait", "text", "1006", ""}},
      {"type 1 \"삼성 전자\"", {"type", "1", "삼성 전자"}},
  };
  for (auto& c : cases) {
    EXPECT_EQ(pa::SplitCommand(c.line), c.words) << c.line;
    std::string back;
    for (auto& w : c.words) back += pa::Quote(w) + " ";
    EXPECT_EQ(pa::SplitCommand(back), c.words) << back;
  }
}

}  // namespace
