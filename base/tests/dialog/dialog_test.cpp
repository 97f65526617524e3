// The base screen dialog driven as a user drives a screen: taps on the keypad, the main-menu
// buttons and their pop-up menus, the fixed buttons, Enter, the fixed error messages and the
// server's error replies, the timers, the colours and the button faces.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "vx_screen_fixture.h"
#include "flitway/quick_move.h"
#include "vxbase/button_faces.h"
#include "vxbase/money.h"

namespace {

using vxtest::Cp949;
using vxtest::ScreenTest;
using vxtest::UiAnswerer;

COLORREF PixelAt(const plat::Surface& s, int x, int y) { return s.pixels[static_cast<size_t>(y) * s.width + x]; }

class DialogTest : public ScreenTest {};

TEST_F(DialogTest, BecomesAFullScreenPageWithoutTheShellsBars) {
  OpenScreen();
  RECT r{};
  ::GetWindowRect(screen_->m_hWnd, &r);
  EXPECT_EQ(r.left, 0);
  EXPECT_EQ(r.top, 0);
  EXPECT_EQ(r.right, 240);
  EXPECT_EQ(r.bottom, 320);
  plat::win::ShellStateInfo shell = plat::win::ShellState();
  EXPECT_FALSE(shell.taskBarVisible);
  EXPECT_FALSE(shell.sipButtonVisible);
  EXPECT_FALSE(shell.startIconVisible);
  EXPECT_EQ(shell.lastInitDialogFlags, static_cast<DWORD>(SHIDIF_FULLSCREENNOMENUBAR));
}

TEST_F(DialogTest, KeypadFirstKeyReplacesLaterKeysAppendBackspaceDeletes) {
  OpenScreen();
  ::SetWindowText(Control(vxtest::kTestEditId), u"999");
  Tap(vxtest::kTestEditId);  // the edit's focus makes it the keypad's target
  ASSERT_EQ(screen_->GetInputControl(), static_cast<UINT>(vxtest::kTestEditId));

  struct Step {
    int key;
    std::u16string text;
  };
  const Step steps[] = {
      {8304, u"4"},
      {8305, u"45"},
      {IDC_KEY_0, u"450"},
      {IDC_KEY_BACK, u"45"},
      {IDC_KEY_POINT, u"45."},
      {8309, u"45.9"},
      {IDC_KEY_MINUS, u"45.9-"},
      {8301, u"45.9-1"},
  };
  for (const Step& s : steps) {
    Tap(s.key);
    EXPECT_EQ(Text(vxtest::kTestEditId), s.text) << "after key " << s.key;
  }
  // Focusing the edit again: the next key starts a new number.
  Tap(vxtest::kTestEditId);
  Tap(8302);
  EXPECT_EQ(Text(vxtest::kTestEditId), u"2");
}

TEST_F(DialogTest, KeypadWithoutATargetTypesNothing) {
  OpenScreen();
  ::SetWindowText(Control(vxtest::kTestEditId), u"77");
  screen_->ReleaseInputControl();  // the combo took the keypad with the first focus
  const std::u16string combo = Text(IDC_ITEM_COMBO);
  Tap(8301);
  EXPECT_EQ(Text(vxtest::kTestEditId), u"77");
  EXPECT_EQ(Text(IDC_ITEM_COMBO), combo);
  EXPECT_FALSE(screen_->SendCharToID(vxtest::kTestEditId, u'1'));
  screen_->SetInputControl(4242);  // a control the screen does not have
  EXPECT_FALSE(screen_->SendCharToID(4242, u'1'));
  screen_->SetInputControl(vxtest::kTestEditId);
  screen_->ReleaseInputControl();
  Tap(8301);
  EXPECT_EQ(Text(vxtest::kTestEditId), u"77");
}

TEST_F(DialogTest, KeypadTypesIntoTheItemCombo) {
  OpenScreen();
  Tap(IDC_ITEM_COMBO);
  for (int key : {IDC_KEY_0, IDC_KEY_0, 8306, 8306, IDC_KEY_0}) Tap(key);
  EXPECT_EQ(Text(IDC_ITEM_COMBO), u"00660");
}

const char16_t kMenu[] =
    u"# groups and screens\n"
    u"1010:시세:1010:ZR2000.dll\n"
    u"1010:현재가:92001:ZR2001.dll\n"
    u"1020:매수:94310:ZR4310.dll\n"
    u"1010:호가:92002:ZR2002.dll\n"
    u"95000:기타:95001:ZR9501.dll\n"
    u"1010:기타묶음:95000:ZR9500.dll\n"
    u"1060:선물옵션:96500:ZR9650.dll\n"
    u"1120:주식:92500:ZR9250.dll\n";

TEST_F(DialogTest, MenuButtonShowsItsGroupAndTheChoiceOpensTheScreen) {
  UseMenuFile(kMenu);
  OpenScreen();
  {
    UiAnswerer user(92002);
    Tap(IDC_BTN_QUOTES);
    ASSERT_EQ(user.Menus().size(), 1u);
    plat::win::MenuInfo menu = user.Menus()[0];
    // The group's screens in file order, without the group's own line or other groups' screens.
    std::vector<std::pair<UINT, std::u16string>> items;
    for (auto& i : menu.items) items.emplace_back(i.id, i.text);
    const std::vector<std::pair<UINT, std::u16string>> expected = {
        {92001, u"현재가"}, {92002, u"호가"}, {95000, u"기타묶음"}};
    EXPECT_EQ(items, expected);
    RECT button{};
    ::GetWindowRect(Control(IDC_BTN_QUOTES), &button);
    EXPECT_EQ(menu.x, button.left);
    EXPECT_EQ(menu.y, button.top);
    EXPECT_EQ(menu.owner, screen_->m_hWnd);
  }
  plat::win::PumpMessages();
  auto opened = OwnerGot(WM_VX_OPEN_SCREEN);
  ASSERT_EQ(opened.size(), 1u);
  EXPECT_EQ(opened[0].wParam, 92002u);  // the whole navigation id, not its low 16 bits
  EXPECT_EQ(opened[0].lParam, 0);
  EXPECT_EQ(::GetFocus(), Control(IDC_BTN_QUOTES));
}

TEST_F(DialogTest, MenuEntryThatIsAlsoAGroupOpensNothing) {
  UseMenuFile(kMenu);
  OpenScreen();
  {
    UiAnswerer user(95000);  // listed in the group, but an earlier line uses it as a group
    Tap(IDC_BTN_QUOTES);
    ASSERT_EQ(user.Menus().size(), 1u);
  }
  plat::win::PumpMessages();
  EXPECT_TRUE(OwnerGot(WM_VX_OPEN_SCREEN).empty());
}

TEST_F(DialogTest, DismissedMenuOrEmptyGroupOpensNothing) {
  UseMenuFile(kMenu);
  OpenScreen();
  {
    UiAnswerer user(0);
    Tap(IDC_BTN_QUOTES);
    Tap(IDC_BTN_BALANCES);  // group 1030 has no screens: no menu at all
    EXPECT_EQ(user.Menus().size(), 1u);
  }
  plat::win::PumpMessages();
  EXPECT_TRUE(OwnerGot(WM_VX_OPEN_SCREEN).empty());
}

TEST_F(DialogTest, FixedButtonsAskTheOwner) {
  UseMenuFile(kMenu);  // lists groups 1060 and 1120 too: the buttons still open fixed screens
  OpenScreen();
  struct Case {
    int button;
    UINT message;
    WPARAM wParam;
  };
  const Case cases[] = {
      {IDC_BTN_FUTOPT, WM_VX_OPEN_SCREEN, 96001},
      {IDC_BTN_STOCK, WM_VX_OPEN_SCREEN, 92001},
      {IDC_BTN_EXIT, WM_VX_EXIT_APP, 0},
  };
  for (const Case& c : cases) {
    vxtest::OwnerMessages().clear();
    UiAnswerer user(0);
    Tap(c.button);
    plat::win::PumpMessages();
    ASSERT_EQ(vxtest::OwnerMessages().size(), 1u) << c.button;
    EXPECT_EQ(vxtest::OwnerMessages()[0].message, c.message);
    EXPECT_EQ(vxtest::OwnerMessages()[0].wParam, c.wParam);
    EXPECT_EQ(vxtest::OwnerMessages()[0].lParam, 0);
    EXPECT_TRUE(user.Menus().empty());
  }
}

TEST_F(DialogTest, OtherCommandsReachTheScreensOwnHandlers) {
  UseMenuFile(kMenu);
  OpenScreen();
  Tap(IDC_BTN_QUERY);
  EXPECT_EQ(screen_->ownQueryButton, 1);
  EXPECT_TRUE(vxtest::OwnerMessages().empty());
}

TEST_F(DialogTest, LongGroupShowsFiftyScreensWithNamesCutOnWholeCharacters) {
  std::u16string file;
  for (int i = 0; i < 55; ++i)
    file += u"1040:가나다라마바사아자차카타파하가나다라" + std::u16string(1, static_cast<char16_t>(u'A' + i % 26)) +
            u":" + std::u16string(u"9") + std::u16string(1, static_cast<char16_t>(u'0' + i / 10)) +
            std::u16string(1, static_cast<char16_t>(u'0' + i % 10)) + u"01:x.dll\n";
  UseMenuFile(file);
  OpenScreen();
  _tagMenuList list[kMaxMenuEntries + 5];
  std::memset(list, 0x7F, sizeof list);
  EXPECT_EQ(screen_->GetMenuList(IDC_BTN_NEWS, list), kMaxMenuEntries);
  EXPECT_EQ(list[kMaxMenuEntries].ScreenId, 0x7F7F7F7Fu);  // nothing written past fifty
  EXPECT_EQ(list[0].ScreenId, 90001u);
  EXPECT_EQ(std::string(list[0].ScreenName), Cp949(u"가나다라마바사아자차카타파하가"));  // 30 bytes
  EXPECT_EQ(screen_->GetMenuList(IDC_BTN_EXIT, list), 0);

  UiAnswerer user(0);
  Tap(IDC_BTN_NEWS);
  ASSERT_EQ(user.Menus().size(), 1u);
  EXPECT_EQ(user.Menus()[0].items.size(), static_cast<size_t>(kMaxMenuEntries));
}

TEST_F(DialogTest, EnterNeverClosesTheScreen) {
  OpenScreen();
  Tap(vxtest::kTestEditId);
  plat::win::InjectKey(VK_RETURN);
  MSG msg;
  while (PeekMessage(&msg, 0, 0, 0, PM_REMOVE)) {
    if (!AfxPreTranslateMessage(&msg)) {
      TranslateMessage(&msg);
      DispatchMessage(&msg);
    }
  }
  screen_->SendMessage(WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
  plat::win::PumpMessages();
  EXPECT_TRUE(::IsWindow(screen_->m_hWnd));
  EXPECT_TRUE(::IsWindowVisible(screen_->m_hWnd));
}

TEST_F(DialogTest, ErrorMessagesByCode) {
  OpenScreen();
  struct Case {
    int code;
    const char16_t* text;  // null: nothing shown
  };
  const Case cases[] = {
      {1, u"재연결 시도중입니다."},
      {2, u"연결할 수가 없습니다."},
      {20, u"해당 자료 관련 오류입니다."},
      {24, u"해당 자료 관련 오류입니다."},
      {23, u"해당 데이터가 없습니다."},
      {51, u"사용자 입력 관련 오류입니다."},
      {70, u"전송 데이터 관련 오류입니다."},
      {72, u"종목코드가 잘못되었습니다."},
      {3, nullptr},
      {0, nullptr},
      {-1, nullptr},
      {25, nullptr},
  };
  for (const Case& c : cases) {
    UiAnswerer user;
    BOOL shown = screen_->ErrorMessage(c.code);
    auto boxes = user.Boxes();
    if (!c.text) {
      EXPECT_FALSE(shown) << c.code;
      EXPECT_TRUE(boxes.empty()) << c.code;
      continue;
    }
    EXPECT_TRUE(shown) << c.code;
    ASSERT_EQ(boxes.size(), 1u) << c.code;
    EXPECT_EQ(boxes[0].text, c.text);
    EXPECT_EQ(boxes[0].caption, u"오류 메시지");
    EXPECT_EQ(boxes[0].type & MB_ICONMASK, static_cast<UINT>(MB_ICONINFORMATION));
    EXPECT_EQ(boxes[0].owner, screen_->m_hWnd);
  }
  EXPECT_TRUE(vxtest::OwnerMessages().empty());
}

TEST_F(DialogTest, ErrorNineAsksTheMainProgramToEndAfterTheBox) {
  OpenScreen();
  UiAnswerer user;
  EXPECT_FALSE(screen_->ErrorMessage(9));
  auto boxes = user.Boxes();
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].text, u"프로그램을 종료합니다.");
  EXPECT_EQ(boxes[0].type & MB_TYPEMASK, static_cast<UINT>(MB_OK));
  plat::win::PumpMessages();
  auto exits = OwnerGot(WM_VX_EXIT_APP);
  ASSERT_EQ(exits.size(), 1u);
  EXPECT_EQ(exits[0].wParam, 0u);
  EXPECT_EQ(exits[0].lParam, 0);
}

// A reply packet: header with its length and a result code, the caption, the text.
std::vector<char> ServerReply(const std::string& caption14, const std::string& text, int declaredLength = -1) {
  std::vector<char> p(15, 0);
  p[4] = 0x10;
  p[5] = 0x05;
  p[6] = '4';
  p[11] = '9';
  p[12] = '9';
  p.insert(p.end(), caption14.begin(), caption14.end());
  p.insert(p.end(), text.begin(), text.end());
  uint32_t len = declaredLength >= 0 ? static_cast<uint32_t>(declaredLength) : static_cast<uint32_t>(p.size());
  p[0] = static_cast<char>(len >> 24);
  p[1] = static_cast<char>(len >> 16);
  p[2] = static_cast<char>(len >> 8);
  p[3] = static_cast<char>(len);
  return p;
}

TEST_F(DialogTest, ServerMessageShowsCaptionAndTextCutToWhatFits) {
  OpenScreen();
  const std::string caption = Cp949(u"주문거부") + std::string(6, ' ');  // 14 bytes
  ASSERT_EQ(caption.size(), 14u);
  const std::u16string longText = u"A" + std::u16string(70, u'한');  // 141 bytes: byte 100 splits a character
  struct Case {
    std::vector<char> packet;
    int given;  // bytes handed over (-1: the one-argument form)
    std::u16string caption, text;
  };
  std::vector<Case> cases;
  cases.push_back({ServerReply(caption, Cp949(u"잔고가 부족합니다.")), -1, u"주문거부      ", u"잔고가 부족합니다."});
  cases.push_back({ServerReply(caption, Cp949(longText)), -1, u"주문거부      ", u"A" + std::u16string(49, u'한')});
  // Shorter than the layout: a caption of 5 bytes, no text.
  {
    auto p = ServerReply(caption, "");
    p.resize(20);
    p[3] = 20;
    cases.push_back({p, 20, u"주문", u""});  // the fifth byte would be half a character
  }
  // The header claims more than arrived: only what arrived is read.
  {
    auto p = ServerReply(caption, "abc", 4096);
    cases.push_back({p, static_cast<int>(p.size()), u"주문거부      ", u"abc"});
  }
  for (Case& c : cases) {
    // An exact-size copy, so that a read past the packet is caught by the sanitizers.
    std::vector<char> exact(c.packet);
    UiAnswerer user;
    if (c.given < 0)
      screen_->Show_ServerMessage(exact.data());
    else
      screen_->Show_ServerMessage(exact.data(), c.given);
    auto boxes = user.Boxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].caption, c.caption);
    EXPECT_EQ(boxes[0].text, c.text);
    EXPECT_EQ(boxes[0].type & MB_ICONMASK, static_cast<UINT>(MB_ICONEXCLAMATION));
    EXPECT_EQ(boxes[0].owner, screen_->m_hWnd);
  }
}

TEST_F(DialogTest, TimersWriteTheTitleAndFocusTheFirstTopButton) {
  plat::clock::UseVirtual(1000);
  OpenScreen();
  screen_->SetTitle(Cp949(u"[2001] 현재가").c_str());
  screen_->SetTimer(VX_TIMER_TITLE, 50);
  screen_->SetTimer(VX_TIMER_FOCUS_TOP, 80);
  plat::clock::Advance(50);
  plat::win::PumpMessages();
  EXPECT_EQ(Text(IDC_TITLE), u"[2001] 현재가");
  EXPECT_EQ(screen_->GetInputControl(), static_cast<UINT>(IDC_ITEM_COMBO));
  plat::clock::Advance(30);
  plat::win::PumpMessages();
  EXPECT_EQ(::GetFocus(), Control(IDC_BTN_TOP_FIRST));
  // Both timers ran once: the title is not written again.
  ::SetWindowText(Control(IDC_TITLE), u"");
  plat::clock::Advance(200);
  plat::win::PumpMessages();
  EXPECT_EQ(Text(IDC_TITLE), u"");
}

TEST_F(DialogTest, WaitCursorStartsTheReplyTimer) {
  OpenScreen();
  screen_->StartWaitCursor();
  EXPECT_TRUE(plat::win::WaitCursorShown());
  screen_->EndWaitCursor();
  screen_->KillTimer(VX_TIMER_REPLY);
  EXPECT_FALSE(plat::win::WaitCursorShown());
}

TEST_F(DialogTest, NameAndTitleFieldsKeepTheirColoursWithoutNewBrushes) {
  OpenScreen();
  ::SetWindowText(Control(IDC_ITEM_NAME), u"삼성전자");
  ::SetWindowText(Control(IDC_TITLE), u"현재가");
  plat::Surface first = Screen();
  RECT name{}, title{};
  ::GetWindowRect(Control(IDC_ITEM_NAME), &name);
  ::GetWindowRect(Control(IDC_TITLE), &title);
  EXPECT_EQ(PixelAt(first, name.right - 2, name.bottom - 2), RGB(255, 255, 191));
  EXPECT_EQ(PixelAt(first, title.right - 2, title.bottom - 2), RGB(200, 200, 10));
  const size_t objects = plat::gdi::LiveObjectCount();
  for (int i = 0; i < 5; ++i) {
    ::InvalidateRect(screen_->m_hWnd, nullptr, TRUE);
    ::InvalidateRect(Control(IDC_ITEM_NAME), nullptr, TRUE);
    ::InvalidateRect(Control(IDC_TITLE), nullptr, TRUE);
    Screen();
  }
  EXPECT_EQ(plat::gdi::LiveObjectCount(), objects);
}

TEST_F(DialogTest, ButtonsShowTheirFacesAndCaptions) {
  OpenScreen();
  ::SetFocus(Control(vxtest::kTestEditId));
  plat::Surface normal = Screen();
  auto fill = [](UINT face) {
    VXButtonFaceStyle s{};
    EXPECT_TRUE(VXGetButtonFaceStyle(face, &s)) << face;
    return s.fill;
  };
  UINT quotesNormal = 0, quotesFocus = 0;
  ASSERT_TRUE(VXGetButtonFaces(IDC_BTN_QUOTES, &quotesNormal, &quotesFocus));
  EXPECT_EQ(quotesNormal, 175u);
  EXPECT_EQ(quotesFocus, 176u);
  RECT quotes{}, first{}, back{};
  ::GetWindowRect(Control(IDC_BTN_QUOTES), &quotes);
  ::GetWindowRect(Control(IDC_BTN_TOP_FIRST), &first);
  ::GetWindowRect(Control(IDC_KEY_BACK), &back);
  EXPECT_EQ(PixelAt(normal, quotes.left + 3, quotes.top + 3), fill(175));
  EXPECT_EQ(PixelAt(normal, back.left + 3, back.top + 3), fill(206));
  // 8101 has no face: white.
  EXPECT_EQ(PixelAt(normal, first.left + 3, first.top + 3), RGB(255, 255, 255));
  bool caption = false;
  for (auto& t : normal.texts)
    caption = caption || (t.text == u"시세" && t.rect.left >= quotes.left && t.rect.right <= quotes.right);
  EXPECT_TRUE(caption);

  // Focused alone: the focus face.
  ::SetFocus(Control(IDC_BTN_QUOTES));
  plat::Surface focused = Screen();
  EXPECT_EQ(PixelAt(focused, quotes.left + 3, quotes.top + 3), fill(176));
  EXPECT_NE(fill(175), fill(176));

  // Pressed (selected with the focus): the normal face again.
  DRAWITEMSTRUCT dis{};
  dis.CtlType = ODT_BUTTON;
  dis.CtlID = IDC_BTN_QUOTES;
  dis.itemAction = ODA_SELECT;
  dis.itemState = ODS_SELECTED | ODS_FOCUS;
  dis.hwndItem = Control(IDC_BTN_QUOTES);
  HDC dc = ::GetDC(dis.hwndItem);
  dis.hDC = dc;
  ::GetClientRect(dis.hwndItem, &dis.rcItem);
  screen_->DrawItem(&dis);
  ::ReleaseDC(dis.hwndItem, dc);
  plat::Surface pressed;
  plat::win::ComposeScreen(pressed);
  EXPECT_EQ(PixelAt(pressed, quotes.left + 3, quotes.top + 3), fill(175));
}

TEST_F(DialogTest, QuickMoveComboListsTheHistoryAndOpensItsScreens) {
  UseMenuFile(kMenu);
  _qm_init_his();
  _qm_change_his(&menu_, 92001);
  _qm_change_his(&menu_, 92002);
  OpenScreen();
  auto* quick = static_cast<CComboBox*>(screen_->GetDlgItem(IDC_QUICK_MOVE));
  ASSERT_EQ(quick->GetCount(), 3);
  CString newest;
  quick->GetLBText(1, newest);
  EXPECT_EQ(newest, u"호가");

  // Positions are the selection plus one: the title (1) and places past the end open nothing.
  struct Case {
    int position;
    UINT opens;  // 0: nothing
  };
  const Case cases[] = {{0, 0}, {1, 0}, {2, 92002}, {3, 92001}, {4, 0}};
  for (const Case& c : cases) {
    vxtest::OwnerMessages().clear();
    ComboMenuQuick(owner_, c.position);
    auto opened = OwnerGot(WM_VX_OPEN_SCREEN);
    if (c.opens == 0) {
      EXPECT_TRUE(opened.empty()) << c.position;
    } else {
      ASSERT_EQ(opened.size(), 1u) << c.position;
      EXPECT_EQ(opened[0].wParam, c.opens);
    }
  }
  _qm_init_his();
}

}  // namespace
