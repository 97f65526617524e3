// The screen skeleton, driven as a user drives a screen: a test plug-in is loaded from the device's
// program folder and hosted as the main program hosts screens (MainDlg, the receive thread pointed
// at the new dialog, WM_VX_QUERY, EndDlg), with a receive thread connected to the simulated
// trading server. Checks the bytes on the wire, the screen's texts and the owner's messages.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <mutex>
#include <thread>

#include "plat/automation.h"
#include "plat/windows.h"
#include "simserver/quiet.h"
#include "simserver/server.h"
#include "vxbase/code_manager.h"
#include "vxbase/menu_config.h"
#include "vxbase/prop_ce.h"
#include "vxshell/vx_socket_thread.h"
#include "vxskeleton/screen_skeleton.h"

namespace fs = std::filesystem;
using vxskel::AccountDigits;
using vxskel::AccountDisplay;
using vxskel::GroupThousands;
using vxskel::RecordsHeld;

namespace {

constexpr int kQuantity = 1010, kPrice = 1011, kName = 1020, kReplyShown = 1030, kPassword = 1007;

typedef void* (*MainDlgFn)(void*, HWND, SOCKET, CVXSocketThread*, EE_Encrypt*, CCodeManager*, BOOL, CMenuConfigFile*);
typedef void (*EndDlgFn)();

std::mutex g_ownerLock;
std::vector<MSG> g_owner;

LRESULT OwnerProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg >= WM_USER) {
    std::lock_guard<std::mutex> l(g_ownerLock);
    g_owner.push_back(MSG{hwnd, msg, wParam, lParam, 0, {}});
    return 0;
  }
  return DefWindowProc(hwnd, msg, wParam, lParam);
}

std::string Utf8(const std::u16string& s) {
  char buf[1024];
  int n = WideCharToMultiByte(CP_UTF8, 0, s.c_str(), -1, buf, sizeof buf, nullptr, nullptr);
  return n > 0 ? std::string(buf) : std::string();
}

// ---- Helpers without a window ----------------------------------------------------------------

TEST(SkeletonText, AccountsAreShownAndCompacted) {
  EXPECT_EQ(Utf8(AccountDisplay(CString(u"1234567801")).str()), "12345678 - 01");
  EXPECT_EQ(Utf8(AccountDigits(CString(u"12345678 - 01")).str()), "1234567801");
  EXPECT_TRUE(AccountDigits(CString(u"")).IsEmpty());
  EXPECT_TRUE(AccountDigits(CString(u"123")).IsEmpty());
}

TEST(SkeletonText, ThousandsGroupsAndRecordCounts) {
  struct Case {
    const char16_t* in;
    const char* out;
  } cases[] = {{u"", ""},
               {u"999", "999"},
               {u"1000", "1,000"},
               {u"1234567", "1,234,567"},
               {u"1,23,4567", "1,234,567"},
               {u"123456789", "123,456,789"}};
  for (const Case& c : cases) EXPECT_EQ(Utf8(GroupThousands(CString(c.in)).str()), c.out) << Utf8(c.in);
  EXPECT_EQ(Utf8(vxskel::UngroupNumber(CString(u"1,234,567")).str()), "1234567");
  // count, body length, offset, record size -> records read
  struct Count {
    int count, len, offset, size, held;
  } counts[] = {{3, 100, 10, 30, 3}, {5, 100, 10, 30, 3}, {-1, 100, 10, 30, 0}, {2, 5, 10, 30, 0}, {2, 100, 10, 0, 0}};
  for (const Count& c : counts) EXPECT_EQ(RecordsHeld(c.count, c.len, c.offset, c.size), c.held);
}

// ---- The screen, hosted ---------------------------------------------------------------------

class SkeletonTest : public ::testing::Test {
 protected:
  void SetUp() override {
    port = server.start(0);
    ASSERT_GT(port, 0) << server.lastError();
    char tmpl[] = "/tmp/skel_test_XXXXXX";
    ASSERT_NE(mkdtemp(tmpl), nullptr);
    root = tmpl;
    fs::create_directories(root + "/Program Files/Quorvan/Bin");
    fs::copy_file(SKEL_SCREEN, root + "/Program Files/Quorvan/Bin/SkelTest.dll");
    fs::copy_file(SKEL_SCREEN2, root + "/Program Files/Quorvan/Bin/SkelTest2.dll");
    fs::copy_file(SKEL_PLAIN_SCREEN, root + "/Program Files/Quorvan/Bin/SkelPlain.dll");
    plat::SetDeviceRoot(root);
    plat::win::ResetForTests();
    CVXDlg::csLastItemCode.Empty();  // shared by every screen of a process
    {
      std::lock_guard<std::mutex> l(g_ownerLock);
      g_owner.clear();
    }
    server.setHandler(4998, [](simsrv::HandlerContext&, const simsrv::Request&, simsrv::Reply& r) {
      r.body = {'i', 'n', 'i', 't'};
    });
    plat::automation::Driver::Options o;
    o.onFailure = [](const std::string& what) { ADD_FAILURE() << what; };
    d = std::make_unique<plat::automation::Driver>(o);
    d->Ui([&] {
      WNDCLASS wc{};
      wc.lpfnWndProc = OwnerProc;
      wc.lpszClassName = u"SkelOwner";
      RegisterClass(&wc);
      owner = CreateWindowEx(0, u"SkelOwner", u"frame", WS_POPUP, 0, 0, 240, 320, 0, 0, nullptr, nullptr);
      thread = new CVXSocketThread(kMainRecvProfile);
      thread->SetMainHwnd(owner);
      thread->SetServer("127.0.0.1", port);
      ASSERT_TRUE(thread->Start());
    });
    ASSERT_TRUE(WaitFor([&] { return !OwnerGot(WM_VX_CONNECTED).empty(); }));
  }
  void TearDown() override {
    plat::win::MessageBoxInfo b;
    while (plat::win::PendingMessageBox(&b)) {
      ADD_FAILURE() << "box left open: " << Utf8(b.text);
      plat::win::AnswerMessageBox(b.buttons.front(), b.hwnd);
      d->Settle();
    }
    d->Ui([&] {
      for (auto& m : modules) {
        if (m.end) m.end();
        FreeLibrary(m.module);
      }
      modules.clear();
      if (thread) {
        thread->Stop();
        delete thread;
      }
      DestroyWindow(owner);
    });
    d.reset();
    server.stop();
    std::error_code ec;
    fs::remove_all(root, ec);
  }

  template <typename F>
  bool WaitFor(F cond, int ms = 5000) {
    return d->Until(cond, ms);
  }
  std::vector<MSG> OwnerGot(UINT message) {
    std::lock_guard<std::mutex> l(g_ownerLock);
    std::vector<MSG> out;
    for (const MSG& m : g_owner)
      if (m.message == message) out.push_back(m);
    return out;
  }

  // Opens a plug-in as the main program's screen host does; returns the dialog.
  HWND Open(const char16_t* file = u"SkelTest.dll", SOCKET socket = 0, bool useThreadSocket = true) {
    HWND dlg = 0;
    d->Ui([&] {
      Loaded m;
      m.module = LoadLibrary((std::u16string(u"\\Program Files\\Quorvan\\Bin\\") + file).c_str());
      ASSERT_NE(m.module, nullptr);
      auto mainDlg = reinterpret_cast<MainDlgFn>(GetProcAddress(m.module, "MainDlg"));
      m.end = reinterpret_cast<EndDlgFn>(GetProcAddress(m.module, "EndDlg"));
      ASSERT_TRUE(mainDlg && m.end);
      uint32_t record[2] = {1, 1};
      void* r = mainDlg(record, owner, useThreadSocket ? thread->GetSocket() : socket, thread, &encrypt, &codes, FALSE,
                        &menu);
      EXPECT_EQ(r, static_cast<void*>(record));
      EXPECT_EQ(record[1], 0u);
      dlg = static_cast<HWND>(record[0]);
      thread->SetHwnd(dlg);
      SendMessage(dlg, WM_VX_QUERY, 0, 0);
      modules.push_back(m);
    });
    current = dlg;
    return dlg;
  }
  std::string Text(int id) { return Utf8(d->Text(id)); }
  bool WaitBox(plat::win::MessageBoxInfo* b) {
    return WaitFor([&] { return plat::win::PendingMessageBox(b); });
  }

  struct Loaded {
    HMODULE module = nullptr;
    EndDlgFn end = nullptr;
  };
  simsrv::TradingServer server;
  int port = 0;
  std::string root;
  std::unique_ptr<plat::automation::Driver> d;
  HWND owner = 0;
  HWND current = 0;
  CVXSocketThread* thread = nullptr;
  EE_Encrypt encrypt;
  CCodeManager codes;
  CMenuConfigFile menu;
  std::vector<Loaded> modules;
};

TEST_F(SkeletonTest, EndDlgEndsOnlyItsOwnPluginAndOnlyOnce) {
  HWND first = Open(u"SkelTest.dll");
  HWND second = Open(u"SkelTest2.dll");
  ASSERT_NE(first, 0u);
  ASSERT_NE(second, 0u);
  d->Ui([&] {
    modules[0].end();
    EXPECT_FALSE(IsWindow(first));
    EXPECT_TRUE(IsWindow(second));
    modules[0].end();  // a second EndDlg does nothing
    EXPECT_TRUE(IsWindow(second));
    modules[1].end();
    EXPECT_FALSE(IsWindow(second));
  });
}

TEST_F(SkeletonTest, RequestMadeDuringSetUpReachesTheScreenThatAsked) {
  size_t mark = server.logSize();
  Open();
  // The query sends the held 4998 first, then the screen's own 4101 for the default code.
  ASSERT_TRUE(server.waitForRequest(4998, 3000, nullptr, mark));
  ASSERT_TRUE(WaitFor([&] { return Text(kReplyShown) == "4998 4 init"; })) << Text(kReplyShown);
  simsrv::LogEntry e;
  ASSERT_TRUE(server.waitForRequest(4101, 3000, &e, mark));
  EXPECT_EQ(std::string(e.body.begin(), e.body.end()), "005930");
  EXPECT_EQ(server.requests(4998, mark).size(), 1u);
}

TEST_F(SkeletonTest, FifthCharacterOfTheCodeSendsOneBaseQuoteRequest) {
  Open();
  ASSERT_TRUE(WaitFor([&] { return Text(kName) == "삼성전자"; })) << Text(kName);
  size_t mark = server.logSize();
  d->Ui([&] { SetDlgItemText(current, IDC_ITEM_EDIT, u""); });
  ASSERT_TRUE(d->Type(IDC_ITEM_EDIT, "0066"));
  ASSERT_TRUE(d->Type(IDC_ITEM_EDIT, "0"));
  simsrv::LogEntry e;
  ASSERT_TRUE(server.waitForRequest(4101, 3000, &e, mark));
  ASSERT_EQ(e.header.size(), 15u);
  const uint8_t header[15] = {0, 0, 0, 21, 0x10, 0x05, '4', 0, 0, 0, 0, 0, 0, 0, 0};
  EXPECT_TRUE(std::equal(e.header.begin(), e.header.end(), header));
  EXPECT_EQ(std::string(e.body.begin(), e.body.end()), "000660");
  ASSERT_TRUE(WaitFor([&] { return Text(kName) == "SK하이닉스"; })) << Text(kName);
  size_t after = server.logSize();
  ASSERT_TRUE(d->Type(IDC_ITEM_EDIT, "1"));  // a 6th character asks nothing
  d->Ui([] {});
  EXPECT_EQ(server.requests(4101, mark).size(), 1u);
  EXPECT_TRUE(server.requests(4101, after).empty());
}

TEST_F(SkeletonTest, ReplyStatusDecidesBetweenReplyAndServerMessage) {
  Open();
  ASSERT_TRUE(WaitFor([&] { return Text(kReplyShown) == "4998 4 init"; }));
  struct Case {
    char s0, s1;
    bool success;
    size_t bodyLen;
  } cases[] = {{'0', '1', true, 20}, {'1', '0', true, 20}, {'1', '1', false, 20}, {'9', '9', false, 13}};
  int n = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(1, c.s0) + c.s1);
    server.setHandler(4998, [c](simsrv::HandlerContext&, const simsrv::Request&, simsrv::Reply& r) {
      r.status[0] = c.s0;
      r.status[1] = c.s1;
      r.body.assign(c.bodyLen, ' ');
      const char caption[] = "CAPTION";
      std::copy(caption, caption + 7, r.body.begin());
      if (c.bodyLen > 14) r.body[14] = 'M';
    });
    d->Ui([&] { SetDlgItemText(current, kReplyShown, u""); });
    d->Ui([&] {
      unsigned char packet[21];
      vxskel::MakePlainRequest(packet, 4998, "000000");
      send(thread->GetSocket(), reinterpret_cast<const char*>(packet), 21, 0);
    });
    ++n;
    if (c.success) {
      ASSERT_TRUE(WaitFor([&] { return Text(kReplyShown).rfind("4998 20", 0) == 0; })) << Text(kReplyShown);
      EXPECT_FALSE(plat::win::PendingMessageBox(nullptr));
    } else if (c.bodyLen >= 14) {
      plat::win::MessageBoxInfo b;
      ASSERT_TRUE(WaitBox(&b));
      EXPECT_EQ(Utf8(b.caption), "CAPTION       ");
      EXPECT_EQ(Utf8(b.text), "M     ");
      EXPECT_NE(b.type & MB_ICONEXCLAMATION, 0u);
      plat::win::AnswerMessageBox(IDOK, b.hwnd);
      d->Settle();
      EXPECT_EQ(Text(kReplyShown), "");
    } else {
      ASSERT_TRUE(WaitFor([&] { return server.requests(4998).size() >= static_cast<size_t>(n + 1); }));
      ASSERT_TRUE(simsrv::WaitQuiet(server, *d, *thread));
      EXPECT_FALSE(plat::win::PendingMessageBox(nullptr));
      EXPECT_EQ(Text(kReplyShown), "");
    }
  }
}

TEST_F(SkeletonTest, StripIsRuledOnceTheBaseQuoteIsShown) {
  Open();
  ASSERT_TRUE(WaitFor([&] { return Text(kName) == "삼성전자"; }));
  d->Ui([&] {
    InvalidateRect(current, nullptr, TRUE);
    UpdateWindow(current);
  });
  // The grey column rules of the upper strip (x 71, 91, 141) and of the lower one (x 25 ...).
  struct Rule {
    int x, y;
  } rules[] = {{71, 50}, {91, 55}, {141, 60}, {25, 285}, {203, 290}};
  d->Ui([&] {
    plat::Surface screen;
    plat::win::ComposeScreen(screen);
    for (const Rule& r : rules) {
      POINT p{r.x, r.y};
      ClientToScreen(current, &p);
      ASSERT_TRUE(p.x >= 0 && p.y >= 0 && p.x < screen.width && p.y < screen.height) << r.x << "," << r.y;
      EXPECT_EQ(screen.Row(p.y)[p.x] & 0xFFFFFF, 0xC0C0C0u) << r.x << "," << r.y;
    }
  });
}

TEST_F(SkeletonTest, PickingARecentCodeAsksForItOnce) {
  Open();
  ASSERT_TRUE(WaitFor([&] { return Text(kName) == "삼성전자"; }));
  d->Ui([&] { SetDlgItemText(current, IDC_ITEM_EDIT, u""); });
  ASSERT_TRUE(d->Type(IDC_ITEM_EDIT, "00660"));
  ASSERT_TRUE(WaitFor([&] { return Text(kName) == "SK하이닉스"; }));
  int index = -1;
  d->Ui([&] {
    index = static_cast<int>(SendDlgItemMessage(current, IDC_ITEM_COMBO, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                                                reinterpret_cast<LPARAM>(u"05930")));
  });
  ASSERT_GE(index, 0);
  size_t mark = server.logSize();
  ASSERT_TRUE(d->Pick(IDC_ITEM_COMBO, index));
  ASSERT_TRUE(WaitFor([&] { return Text(kName) == "삼성전자"; }));
  auto asked = server.requests(4101, mark);
  ASSERT_EQ(asked.size(), 1u);
  EXPECT_EQ(std::string(asked[0].body.begin(), asked[0].body.end()), "005930");
}

TEST_F(SkeletonTest, PlainRepliesNeedBothStatusDigitsZero) {
  Open(u"SkelPlain.dll");
  ASSERT_TRUE(WaitFor([&] { return Text(kName) == "삼성전자"; }));
  // Without edit 9909 the combo's 5th character asks by itself, once.
  size_t mark = server.logSize();
  d->Ui([&] { SetDlgItemText(current, IDC_ITEM_COMBO, u""); });
  ASSERT_TRUE(d->Type(IDC_ITEM_COMBO, "00660"));
  ASSERT_TRUE(WaitFor([&] { return Text(kName) == "SK하이닉스"; }));
  EXPECT_EQ(server.requests(4101, mark).size(), 1u);

  struct Case {
    char s0, s1;
    bool success;
  } cases[] = {{'0', '0', true}, {'0', '1', false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(1, c.s0) + c.s1);
    server.setHandler(4998, [c](simsrv::HandlerContext&, const simsrv::Request&, simsrv::Reply& r) {
      r.status[0] = c.s0;
      r.status[1] = c.s1;
      r.body.assign(20, ' ');
      const char caption[] = "CAPTION";
      std::copy(caption, caption + 7, r.body.begin());
    });
    d->Ui([&] {
      SetDlgItemText(current, kReplyShown, u"");
      unsigned char packet[21];
      vxskel::MakePlainRequest(packet, 4998, "000000");
      send(thread->GetSocket(), reinterpret_cast<const char*>(packet), 21, 0);
    });
    if (c.success) {
      ASSERT_TRUE(WaitFor([&] { return Text(kReplyShown).rfind("4998 20", 0) == 0; })) << Text(kReplyShown);
    } else {
      plat::win::MessageBoxInfo b;
      ASSERT_TRUE(WaitBox(&b));
      EXPECT_NE(Utf8(b.caption).find("CAPTION"), std::string::npos) << Utf8(b.caption);
      plat::win::AnswerMessageBox(IDOK, b.hwnd);
      d->Settle();
      EXPECT_EQ(Text(kReplyShown), "");
    }
  }
}

TEST_F(SkeletonTest, WaitCursorEndsWithThePlainReplyOrAfterTenSeconds) {
  Open(u"SkelPlain.dll");
  ASSERT_TRUE(WaitFor([&] { return Text(kName) == "삼성전자"; }));
  auto startWait = [&] {
    d->Ui([&] { static_cast<CVXDlg*>(CWnd::FromHandle(current))->StartWaitCursor(); });
    EXPECT_TRUE(plat::win::WaitCursorShown());
  };
  // No reply: the time-out ends it, not earlier.
  startWait();
  d->Advance(VX_REPLY_TIMEOUT_MS - 100);
  EXPECT_TRUE(plat::win::WaitCursorShown());
  d->Advance(100);
  EXPECT_FALSE(plat::win::WaitCursorShown());
  // A reply ends it at once.
  startWait();
  ASSERT_TRUE(d->Tap(vxskel::kBtnQuery));
  ASSERT_TRUE(WaitFor([&] { return !plat::win::WaitCursorShown(); }));
  // A push is no reply: the stock and futures/options trades, books and indices leave it on.
  startWait();
  for (uint16_t push : {9110, 9120, 9121, 9210, 9310, 9321, 9410, 9421}) {
    SCOPED_TRACE(push);
    ASSERT_EQ(server.pushRaw(push, {1}), 1);
    ASSERT_TRUE(WaitFor([&] { return Text(kReplyShown) == std::to_string(push) + " 1 \x01"; })) << Text(kReplyShown);
    EXPECT_TRUE(plat::win::WaitCursorShown());
  }
  ASSERT_TRUE(d->Tap(vxskel::kBtnQuery));
  ASSERT_TRUE(WaitFor([&] { return !plat::win::WaitCursorShown(); }));
  EXPECT_EQ(Text(kName), "삼성전자");
}

TEST_F(SkeletonTest, ShortBaseQuoteIsReportedNotRead) {
  Open();
  ASSERT_TRUE(WaitFor([&] { return Text(kName) == "삼성전자"; }));
  server.setHandler(4101,
                    [](simsrv::HandlerContext&, const simsrv::Request&, simsrv::Reply& r) { r.body.assign(10, 'x'); });
  ASSERT_TRUE(d->Tap(vxskel::kBtnQuery));
  plat::win::MessageBoxInfo b;
  ASSERT_TRUE(WaitBox(&b));
  EXPECT_NE(Utf8(b.text).find("4101"), std::string::npos) << Utf8(b.text);
  plat::win::AnswerMessageBox(IDOK, b.hwnd);
  d->Settle();
  EXPECT_EQ(Text(kName), "삼성전자");
}

TEST_F(SkeletonTest, AccountListAndMemo) {
  {
    CPropCE reg;
    ASSERT_TRUE(reg.SetBaseKey(HKEY_LOCAL_MACHINE, VX_REG_STOCK));
    reg.SetValue(u"Account Count", DWORD(2));
    reg.SetValue(u"0", u"1234567801");
    reg.SetValue(u"1", u"1234567802");
    ASSERT_TRUE(reg.SetBaseKey(HKEY_LOCAL_MACHINE, VX_REG_ORDER_CHANGE));
    reg.SetValue(VX_ACCOUNT_MEMO, u"1234567802");
  }
  Open();
  EXPECT_EQ(Text(vxskel::kAccountCombo), "12345678 - 02");
  // Picking another account empties the password and saves the memo when the focus leaves.
  ASSERT_TRUE(d->Type(kPassword, "12"));
  ASSERT_TRUE(d->Pick(vxskel::kAccountCombo, 0));
  EXPECT_EQ(Text(kPassword), "");
  ASSERT_TRUE(d->Tap(kQuantity));
  CPropCE reg;
  ASSERT_TRUE(reg.SetBaseKey(HKEY_LOCAL_MACHINE, VX_REG_ORDER_CHANGE));
  EXPECT_EQ(Utf8(reg.GetValue(VX_ACCOUNT_MEMO)), "1234567801");
  // An emptied combo never empties the memo.
  d->Ui([&] {
    SendDlgItemMessage(current, vxskel::kAccountCombo, CB_SETCURSEL, static_cast<WPARAM>(-1), 0);
    SetDlgItemText(current, vxskel::kAccountCombo, u"");
  });
  ASSERT_TRUE(d->Tap(vxskel::kAccountCombo));
  ASSERT_TRUE(d->Tap(kQuantity));
  EXPECT_EQ(Utf8(reg.GetValue(VX_ACCOUNT_MEMO)), "1234567801");
}

TEST_F(SkeletonTest, EmptyAccountListKeepsTheMemoAsText) {
  {
    CPropCE reg;
    ASSERT_TRUE(reg.SetBaseKey(HKEY_LOCAL_MACHINE, VX_REG_ORDER_CHANGE));
    reg.SetValue(VX_ACCOUNT_MEMO, u"1234567809");
  }
  Open();
  EXPECT_EQ(Text(vxskel::kAccountCombo), "12345678 - 09");
}

TEST_F(SkeletonTest, NumberEditsStayGroupedForEveryLengthTheyAccept) {
  Open();
  // Digit by digit: each text is grouped right; past "12,345,678" (ten characters) the edit
  // takes no more digits, quantity and price alike.
  const char* shown[] = {"1",         "12",         "123",        "1,234",      "12,345",    "123,456",
                         "1,234,567", "12,345,678", "12,345,678", "12,345,678", "12,345,678"};
  for (int id : {kQuantity, kPrice}) {
    SCOPED_TRACE(id);
    for (int n = 0; n < 11; ++n) {
      ASSERT_TRUE(d->Type(id, std::string(1, static_cast<char>('1' + (n % 9)))));
      EXPECT_EQ(Text(id), shown[n]) << n + 1 << " digits typed";
      if (id == kPrice && n == 8) {
        // This screen's price edit warns once when it is full.
        plat::win::MessageBoxInfo b;
        ASSERT_TRUE(WaitBox(&b));
        EXPECT_EQ(Utf8(b.text), "주문금액이 초과 하였습니다.");
        plat::win::AnswerMessageBox(IDOK, b.hwnd);
        d->Settle();
      }
    }
  }
}

TEST_F(SkeletonTest, GoToButtonsAskTheOwner) {
  Open();
  ASSERT_TRUE(d->Tap(9709));
  ASSERT_TRUE(d->Tap(9706));
  auto opens = OwnerGot(WM_VX_OPEN_SCREEN);
  ASSERT_EQ(opens.size(), 2u);
  EXPECT_EQ(opens[0].wParam, 92001u);
  EXPECT_EQ(opens[1].wParam, 94002u);
}

TEST_F(SkeletonTest, SocketStatusBoxTexts) {
  Open();
  struct Case {
    WPARAM status;
    const char* text;
  } cases[] = {{1900, "서버에 연결할 수 없습니다."},
               {1901, "서버와의 연결이 끊어졌습니다."},
               {7, "통신상의 문제로 연결이 끊어졌습니다. 재접속하시기 바랍니다."}};
  for (const Case& c : cases) {
    PostMessage(current, WM_VX_SOCKET_STATUS, c.status, 0);
    plat::win::MessageBoxInfo b;
    ASSERT_TRUE(WaitBox(&b));
    EXPECT_EQ(Utf8(b.text), c.text);
    EXPECT_EQ(Utf8(b.caption), "Larkspin");
    plat::win::AnswerMessageBox(IDOK, b.hwnd);
    d->Settle();
  }
  EXPECT_EQ(OwnerGot(WM_VX_EXIT_APP).size(), 3u);
}

TEST_F(SkeletonTest, SendsFollowTheHostsCurrentSocket) {
  Open(u"SkelTest.dll", INVALID_SOCKET, false);
  // Without a socket the query's request is refused: the user is told and the owner too.
  plat::win::MessageBoxInfo b;
  ASSERT_TRUE(WaitBox(&b));
  EXPECT_EQ(Utf8(b.text), "Socket Invalid");
  plat::win::AnswerMessageBox(IDOK, b.hwnd);
  ASSERT_TRUE(WaitFor([&] { return !OwnerGot(WM_VX_SEND_FAILED).empty(); }));
  while (WaitFor([&] { return plat::win::PendingMessageBox(&b); }, 200)) {
    plat::win::AnswerMessageBox(IDOK, b.hwnd);
    d->Settle();
  }
  // The host hands the screen the live connection's socket: the next request goes out on it.
  size_t mark = server.logSize();
  d->Ui([&] { SendMessage(current, WM_VX_CODES_READY, 0, static_cast<LPARAM>(thread->GetSocket())); });
  ASSERT_TRUE(d->Tap(vxskel::kBtnQuery));
  EXPECT_TRUE(server.waitForRequest(4101, 3000, nullptr, mark));
}

}  // namespace
