// The login screen as the user meets it: VXMain's frame hosts the real VXLogin plug-in from the
// device's program folder (sample device data, "Connect Method" "Internet"), a stand-in updater
// window answers the version-server connect, and the simulated trading server runs the key
// exchange, 1010 and 4020 with its own crypto. The user types the id and password and taps
// "연결"; the tests check the bytes the server received, the registry and what the screen shows.
#include <atomic>
#include <chrono>
#include <filesystem>
#include <memory>
#include <mutex>
#include <thread>

#include "devicedata/sample_device.h"
#include "larkspin/shared_table.h"
#include "plat/automation.h"
#include "plat/windows.h"
#include "simserver/server.h"
#include "test_root.h"
#include "vxbase/prop_ce.h"
#include "vxlogin/login_dlg.h"
#include "vxmain/main_frame.h"

using namespace logintest;
using namespace vxlogin;

namespace {

std::mutex g_updaterLock;
std::vector<std::string> g_updater;

LRESULT UpdaterProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_VX_VERSION_CONNECT: {
      {
        std::lock_guard<std::mutex> l(g_updaterLock);
        g_updater.push_back("VERSION_CONNECT");
      }
      PostMessage(SharedTable::Map(SharedTable::kJoin)->main_hwnd, WM_VX_VERSION_CONNECTED, 0, 0);
      return 1;
    }
    case WM_VX_VERSION_CHECK: {
      std::lock_guard<std::mutex> l(g_updaterLock);
      g_updater.push_back("VERSION_CHECK");
      return 1;
    }
  }
  return DefWindowProc(hwnd, msg, wParam, lParam);
}

std::u16string RegText(const char16_t* key, const char16_t* name) {
  CPropCE reg;
  if (!reg.SetBaseKey(HKEY_LOCAL_MACHINE, key, TRUE)) return u"<no key>";
  if (!reg.IsExistValue(name)) return u"<none>";
  return reg.GetValue(name);
}
long RegLong(const char16_t* key, const char16_t* name) {
  CPropCE reg;
  if (!reg.SetBaseKey(HKEY_LOCAL_MACHINE, key, TRUE)) return -2;
  return reg.GetLongValue(name);
}

class LoginTest : public ::testing::Test {
 protected:
  void SetUp() override {
    port = server.start(0);
    ASSERT_GT(port, 0) << server.lastError();
    root = MakeTempRoot();
    ASSERT_FALSE(root.empty());
  }
  // The device: sample data, the login plug-in, and (optionally) a stored server certificate.
  void MakeDevice(bool certificate) {
    devicedata::Options o;
    o.mainPort = port;
    o.versionPort = port + 1;
    o.certificate = certificate;
    std::string err;
    ASSERT_TRUE(devicedata::CopyTo(root, o, err)) << err;
    std::filesystem::copy_file(VXLOGIN_MODULE, root + kBin + "VXLogin.dll",
                               std::filesystem::copy_options::overwrite_existing);
    plat::SetDeviceRoot(root);
    plat::win::ResetForTests();
    {
      std::lock_guard<std::mutex> l(g_updaterLock);
      g_updater.clear();
    }
    CPropCE reg;
    ASSERT_TRUE(reg.SetBaseKey(HKEY_LOCAL_MACHINE, VX_REG_STOCK));
    reg.SetValue(u"Connect Method", u"Internet");
  }
  void StartFrame(bool withUpdater = true) {
    plat::automation::Driver::Options o;
    o.onFailure = [](const std::string& what) { ADD_FAILURE() << what; };
    o.boxTimeoutMs = 8000;
    d = std::make_unique<plat::automation::Driver>(o);
    d->Ui([&] {
      WNDCLASS wc{};
      wc.lpfnWndProc = UpdaterProc;
      wc.lpszClassName = u"LoginTestUpdater";
      RegisterClass(&wc);
      SHARED_HWND_TABLE* t = SharedTable::Map(SharedTable::kFresh);
      if (withUpdater) {
        updater =
            CreateWindowEx(0, u"LoginTestUpdater", u"ZRUpdate", WS_OVERLAPPED, 0, 0, 240, 320, 0, 0, nullptr, nullptr);
        t->updater_mark = VX_TABLE_MARK;
        t->updater_hwnd = updater;
      }
      frame = new CVXMainFrame();
      frame->SetQuitOnDestroy(false);
      frame->Create();
    });
    ASSERT_TRUE(WaitFor([&] { return !d->Text(IDC_LOGIN_CONNECT).empty(); })) << d->Tree();
  }
  void TearDown() override {
    plat::win::MessageBoxInfo b;
    while (d && plat::win::PendingMessageBox(&b)) {
      ADD_FAILURE() << "box left open: " << Utf8(b.text);
      plat::win::AnswerMessageBox(b.buttons.front(), b.hwnd);
      d->Settle();
    }
    if (d) {
      d->Ui([&] {
        delete frame;
        frame = nullptr;
        if (updater) DestroyWindow(updater);
        SharedTable::Unmap();
      });
    }
    d.reset();
    server.stop();
    std::error_code ec;
    std::filesystem::remove_all(root, ec);
  }

  template <typename F>
  bool WaitFor(F cond, int ms = 8000) {
    return d->Until(cond, ms);
  }
  bool UpdaterGot(const std::string& what) {
    std::lock_guard<std::mutex> l(g_updaterLock);
    for (const std::string& s : g_updater)
      if (s == what) return true;
    return false;
  }
  void Login(const std::string& id, const std::string& password) {
    ASSERT_TRUE(d->Type(IDC_LOGIN_ID, id));
    ASSERT_TRUE(d->Type(IDC_LOGIN_PASSWORD, password));
    ASSERT_TRUE(d->Tap(IDC_LOGIN_CONNECT));
  }
  // Waits for a box, checks it and answers it.
  void ExpectBox(const std::string& text, const std::string& caption = "") {
    plat::win::MessageBoxInfo b;
    ASSERT_TRUE(WaitFor([&] { return plat::win::PendingMessageBox(&b); })) << "no box; wanted " << text;
    EXPECT_EQ(Utf8(b.text), text);
    if (!caption.empty()) {
      EXPECT_EQ(Utf8(b.caption), caption);
    }
    plat::win::AnswerMessageBox(b.buttons.front(), b.hwnd);
    d->Settle();
  }
  bool ButtonsEnabled() {
    bool on = false;
    d->Ui([&] {
      HWND dlg = frame->CurrentScreen();
      on = IsWindowEnabled(GetDlgItem(dlg, IDC_LOGIN_CONNECT)) && IsWindowEnabled(GetDlgItem(dlg, IDC_LOGIN_SETTINGS));
    });
    return on;
  }

  simsrv::TradingServer server;
  int port = 0;
  std::string root;
  std::unique_ptr<plat::automation::Driver> d;
  CVXMainFrame* frame = nullptr;
  HWND updater = 0;
};

// The key exchange with and without a stored certificate: the server pushes its certificate once,
// the screen keeps it in "\pelvato.der" and exchanges keys again; then 4020 and the accounts.
class LoginRunTest : public LoginTest, public ::testing::WithParamInterface<bool> {};

TEST_P(LoginRunTest, LoginStoresTheAccountsByKindAndTellsTheFrame) {
  const bool stored = GetParam();
  MakeDevice(stored);
  {
    CPropCE reg;  // a longer list of an earlier login
    ASSERT_TRUE(reg.SetBaseKey(HKEY_LOCAL_MACHINE, VX_REG_STOCK));
    reg.SetValue(u"Account Count", DWORD(6));
    reg.SetValue(u"5", u"9999999901");
  }
  WriteFile(root + "/.devices/SMP1", "*SKT*DIAL: 0101234567\r\nOK\r\n");
  std::string certBefore = ReadFile(root + "/pelvato.der");
  StartFrame();
  size_t mark = server.logSize();
  Login("demo", "1234");
  ASSERT_TRUE(WaitFor([&] { return UpdaterGot("VERSION_CHECK"); })) << d->Tree();

  auto keys = server.requests(1000, mark);
  ASSERT_EQ(keys.size(), stored ? 1u : 2u);
  for (const auto& k : keys) EXPECT_EQ(k.status, "00") << k.note;
  std::string cert = ReadFile(root + "/pelvato.der");
  EXPECT_FALSE(cert.empty());
  if (stored) {
    EXPECT_EQ(cert, certBefore);
  }

  auto phones = server.requests(1010, mark);
  ASSERT_EQ(phones.size(), 1u);
  EXPECT_EQ(phones[0].body, std::vector<uint8_t>({'0', '1', '0', '1', '2', '3', '4', '5', '6', '7', 0, 0, 0, 0}));

  auto logins = server.requests(4020, mark);
  ASSERT_EQ(logins.size(), 1u);
  EXPECT_EQ(logins[0].encFlag, 1);
  ASSERT_EQ(logins[0].plain.size(), 20u);
  EXPECT_EQ(std::string(logins[0].plain.begin(), logins[0].plain.begin() + 10), std::string("demo\0\0\0\0\0\0", 10));
  EXPECT_EQ(std::string(logins[0].plain.begin() + 10, logins[0].plain.end()), std::string("****\0\0\0\0\0\0", 10));

  EXPECT_EQ(RegLong(VX_REG_STOCK, u"Account Count"), 4);
  const char16_t* stock[] = {u"1234567801", u"1234567802", u"1234567806", u"1234567809"};
  for (int i = 0; i < 4; ++i)
    EXPECT_EQ(Utf8(RegText(VX_REG_STOCK, std::u16string(1, char16_t(u'0' + i)).c_str())), Utf8(stock[i]));
  EXPECT_EQ(Utf8(RegText(VX_REG_STOCK, u"5")), "<none>");  // the stale entry went
  EXPECT_EQ(RegLong(VX_REG_FUTOPT, u"Account Count"), 1);
  EXPECT_EQ(Utf8(RegText(VX_REG_FUTOPT, u"0")), "1234567803");
  EXPECT_EQ(Utf8(RegText(VX_REG_FUTOPT, u"Login Message")), "");
  EXPECT_EQ(Utf8(RegText(VX_REG_ROOT, u"itemCD")), "16360");
  EXPECT_EQ(Utf8(RegText(VX_REG_STOCK, u"IsReal")), "FALSE");
  EXPECT_EQ(Utf8(RegText(VX_REG_STOCK, u"Password")), "");
  // A login that succeeded leaves the id masked; only a failure gives it back.
  EXPECT_EQ(Utf8(d->Text(IDC_LOGIN_ID)), "****");
}

INSTANTIATE_TEST_SUITE_P(Certificate, LoginRunTest, ::testing::Values(false, true),
                         [](const auto& info) { return info.param ? "Stored" : "Pushed"; });

// A server that pushes its certificate whenever it likes: here in answer to tokens that already
// carry the certificate the device holds. One push per exchange is stored and the login goes on;
// a server that pushes again is refused after the second token instead of being asked for ever.
class HeldCertificatePushTest : public LoginTest, public ::testing::WithParamInterface<int> {};

TEST_P(HeldCertificatePushTest, TakenOncePerExchange) {
  const int pushes = GetParam();
  MakeDevice(true);
  std::string certBefore = ReadFile(root + "/pelvato.der");
  auto left = std::make_shared<std::atomic<int>>(pushes);
  server.setHandler(1000, [left](simsrv::HandlerContext& ctx, const simsrv::Request& q, simsrv::Reply& r) {
    r.encipher = false;
    ctx.connection.loggedIn = false;
    if (left->fetch_sub(1) > 0) {
      r.body = simsrv::ServerSession::CertificateRecord(ctx.server.identity().certificate);
      return;
    }
    int error = 0;
    auto kind = ctx.connection.session.HandleClientToken(q.body.data(), q.body.size(), ctx.server.identity(),
                                                         ctx.server.random(), r.body, error);
    if (kind == simsrv::ServerSession::KeyResult::Error) r.Error("보안오류", "키 교환 실패");
  });
  StartFrame();
  size_t mark = server.logSize();
  Login("demo", "1234");
  if (pushes == 1) {
    ASSERT_TRUE(WaitFor([&] { return UpdaterGot("VERSION_CHECK"); })) << d->Tree();
    EXPECT_EQ(server.requests(4020, mark).size(), 1u);
  } else {
    ExpectBox("ERROR : 암호화 실패");
    EXPECT_TRUE(ButtonsEnabled());
    EXPECT_TRUE(server.requests(4020, mark).empty());
  }
  auto keys = server.requests(1000, mark);
  ASSERT_EQ(keys.size(), 2u) << "the first token and the one after the push, no more";
  for (const auto& k : keys) {
    ASSERT_GT(k.body.size(), 34u);
    EXPECT_NE(k.body[33], 0) << "the token carries the secret under the held key";
  }
  EXPECT_EQ(ReadFile(root + "/pelvato.der"), certBefore);
}

INSTANTIATE_TEST_SUITE_P(Pushes, HeldCertificatePushTest, ::testing::Values(1, 3),
                         [](const auto& info) { return info.param == 1 ? "Once" : "EveryToken"; });

TEST_F(LoginTest, WrongPasswordShowsTheServerMessageAndGivesTheIdBack) {
  MakeDevice(true);
  StartFrame();
  ASSERT_TRUE(d->Tap(IDC_LOGIN_SAVE));
  Login("demo", "9999");
  ExpectBox("아이디 또는 비밀번호가 올바르지 않습니다.", "로그인        ");
  EXPECT_EQ(Utf8(d->Text(IDC_LOGIN_ID)), "demo");
  EXPECT_TRUE(ButtonsEnabled());
  EXPECT_FALSE(UpdaterGot("VERSION_CHECK"));
  // The id was saved, the password never.
  EXPECT_EQ(Utf8(RegText(VX_REG_STOCK, u"SaveID")), "1");
  EXPECT_EQ(Utf8(RegText(VX_REG_STOCK, u"LoginID")), "demo");
  EXPECT_EQ(Utf8(RegText(VX_REG_STOCK, u"Password")), "");

  // A second try on the same connection sends the real id, not the asterisks.
  size_t mark = server.logSize();
  d->Ui([&] { SetDlgItemText(frame->CurrentScreen(), IDC_LOGIN_PASSWORD, u""); });
  ASSERT_TRUE(d->Type(IDC_LOGIN_PASSWORD, "1234"));
  ASSERT_TRUE(d->Tap(IDC_LOGIN_CONNECT));
  ASSERT_TRUE(WaitFor([&] { return UpdaterGot("VERSION_CHECK"); }));
  auto logins = server.requests(4020, mark);
  ASSERT_EQ(logins.size(), 1u);
  EXPECT_EQ(std::string(logins[0].plain.begin(), logins[0].plain.begin() + 4), "demo");
}

TEST_F(LoginTest, ErrorRepliesWithoutAMessageStillGiveTheIdBack) {
  MakeDevice(true);
  server.setHandler(4020, [](simsrv::HandlerContext&, const simsrv::Request&, simsrv::Reply& r) {
    r.status[0] = '1';
    r.status[1] = '1';  // neither status byte is '0': an error
    r.body.assign(13, 'x');
  });
  StartFrame();
  Login("demo", "1234");
  ASSERT_TRUE(WaitFor([&] { return ButtonsEnabled() && Utf8(d->Text(IDC_LOGIN_ID)) == "demo"; }));
  EXPECT_FALSE(plat::win::PendingMessageBox(nullptr));
  EXPECT_FALSE(UpdaterGot("VERSION_CHECK"));
}

struct CountCase {
  const char* name;
  int8_t count;  // the count byte of the reply
  int accounts;  // accounts the reply holds (one stock, one futures/options)
  long stock, futopt;
};
class LoginCountTest : public LoginTest, public ::testing::WithParamInterface<CountCase> {};

TEST_P(LoginCountTest, AccountListIsLimitedToWhatTheReplyHolds) {
  const CountCase c = GetParam();
  MakeDevice(true);
  server.setHandler(4020, [c](simsrv::HandlerContext& ctx, const simsrv::Request&, simsrv::Reply& r) {
    ctx.connection.loggedIn = true;
    r.body.assign(31 + 10 * c.accounts, 0);
    r.body[30] = static_cast<uint8_t>(c.count);
    const char* accts[] = {"1234567801", "1234567803"};
    for (int i = 0; i < c.accounts; ++i) std::copy(accts[i], accts[i] + 10, r.body.begin() + 31 + 10 * i);
  });
  StartFrame();
  Login("demo", "1234");
  ASSERT_TRUE(WaitFor([&] { return UpdaterGot("VERSION_CHECK"); }));
  EXPECT_EQ(RegLong(VX_REG_STOCK, u"Account Count"), c.stock);
  EXPECT_EQ(RegLong(VX_REG_FUTOPT, u"Account Count"), c.futopt);
}

INSTANTIATE_TEST_SUITE_P(Counts, LoginCountTest,
                         ::testing::Values(CountCase{"ClaimsMoreThanItHolds", 5, 2, 1, 1},
                                           CountCase{"None", 0, 2, 0, 0}, CountCase{"Negative", -3, 2, 0, 0}),
                         [](const auto& info) { return std::string(info.param.name); });

// The start's focus timer firing while "연결" is held down leaves the tap alone: the login runs.
TEST_F(LoginTest, TheFocusTimerNeverCancelsATapInProgress) {
  MakeDevice(true);
  StartFrame();
  ASSERT_TRUE(d->Type(IDC_LOGIN_ID, "demo"));
  ASSERT_TRUE(d->Type(IDC_LOGIN_PASSWORD, "1234"));
  RECT r{};
  d->Ui([&] { GetWindowRect(GetDlgItem(frame->CurrentScreen(), IDC_LOGIN_CONNECT), &r); });
  const int x = (r.left + r.right) / 2, y = (r.top + r.bottom) / 2;
  d->Ui([&] { plat::win::InjectStylus(plat::win::Stylus::Down, x, y); });
  d->Advance(kFocusDelayMs);
  d->Ui([&] { plat::win::InjectStylus(plat::win::Stylus::Up, x, y); });
  ASSERT_TRUE(WaitFor([&] { return UpdaterGot("VERSION_CHECK"); })) << d->Tree();
}

TEST_F(LoginTest, EmptyFieldsAreAskedFor) {
  MakeDevice(true);
  StartFrame();
  size_t mark = server.logSize();
  ASSERT_TRUE(d->Tap(IDC_LOGIN_CONNECT));
  ExpectBox("사용자 ID를 입력하세요");
  ASSERT_TRUE(d->Type(IDC_LOGIN_ID, "demo"));
  ASSERT_TRUE(d->Tap(IDC_LOGIN_CONNECT));
  ExpectBox("비밀번호를 입력하세요");
  EXPECT_TRUE(ButtonsEnabled());
  EXPECT_EQ(Utf8(d->Text(IDC_LOGIN_ID)), "demo");
  EXPECT_EQ(server.logSize(), mark);
}

TEST_F(LoginTest, SavedIdIsShownAndAStoredPasswordIsWiped) {
  MakeDevice(true);
  {
    CPropCE reg;
    ASSERT_TRUE(reg.SetBaseKey(HKEY_LOCAL_MACHINE, VX_REG_STOCK));
    reg.SetValue(u"SaveID", u"1");
    reg.SetValue(u"LoginID", u"demo");
    reg.SetValue(u"Password", u"1234");
  }
  StartFrame();
  EXPECT_EQ(Utf8(d->Text(IDC_LOGIN_ID)), "demo");
  EXPECT_EQ(Utf8(d->Text(IDC_LOGIN_PASSWORD)), "");
  EXPECT_EQ(Utf8(RegText(VX_REG_STOCK, u"Password")), "");
}

TEST_F(LoginTest, MissingSettingsGetTheirDefaultsAndAnUnsavedLoginKeepsTheStoredId) {
  MakeDevice(true);
  {
    CPropCE reg;
    ASSERT_TRUE(reg.SetBaseKey(HKEY_LOCAL_MACHINE, VX_REG_STOCK));
    reg.SetValue(u"LoginID", u"kim");
  }
  StartFrame();
  EXPECT_EQ(Utf8(RegText(VX_REG_STOCK, u"SaveID")), "0");
  EXPECT_EQ(Utf8(RegText(VX_REG_STOCK, u"LoginID")), "kim");
  EXPECT_EQ(Utf8(RegText(VX_REG_STOCK, u"IsReal")), "FALSE");
  EXPECT_EQ(Utf8(d->Text(IDC_LOGIN_ID)), "");  // not saved: not shown
  Login("demo", "1234");
  ASSERT_TRUE(WaitFor([&] { return UpdaterGot("VERSION_CHECK"); }));
  EXPECT_EQ(Utf8(RegText(VX_REG_STOCK, u"SaveID")), "0");
  EXPECT_EQ(Utf8(RegText(VX_REG_STOCK, u"LoginID")), "kim");
  EXPECT_EQ(Utf8(RegText(VX_REG_STOCK, u"Password")), "");
}

TEST_F(LoginTest, ServerDownKeepsTheLoginWaitingWhileTheFrameReconnects) {
  MakeDevice(true);
  server.stop();
  StartFrame();
  Login("demo", "1234");
  // The frame pauses between tries; the login shows its alert and keeps the id masked. A try
  // fails on the receive thread in real time: the pause is moved on until a retry shows.
  const std::string retrying = "전화접속 연결중입니다.\n잠시만 기다리세요.\n서버1 재연결중 ...";
  EXPECT_TRUE(WaitFor([&] {
    d->Advance(kVXReconnectDelayMs);
    return Utf8(d->Text(IDC_ALERT_TEXT)) == retrying;
  })) << Utf8(d->Text(IDC_ALERT_TEXT));
  EXPECT_FALSE(ButtonsEnabled());
  EXPECT_EQ(Utf8(d->Text(IDC_LOGIN_ID)), "****");
  EXPECT_EQ(Utf8(d->Text(IDC_ALERT_TEXT)), retrying);
  EXPECT_FALSE(plat::win::PendingMessageBox(nullptr));
  // The server comes back: the next try connects and the login runs to its end.
  simsrv::TradingServer again;
  ASSERT_EQ(again.start(port), port) << again.lastError();
  ASSERT_TRUE(WaitFor([&] {
    d->Advance(kVXReconnectDelayMs);
    return UpdaterGot("VERSION_CHECK");
  }));
  EXPECT_EQ(Utf8(d->Text(IDC_LOGIN_ID)), "****");
  EXPECT_EQ(again.requests(4020).size(), 1u);
  d->Ui([&] {
    delete frame;
    frame = nullptr;
  });
  again.stop();
}

TEST_F(LoginTest, ButtonsAreDrawnFromTheirFaces) {
  MakeDevice(true);
  StartFrame();
  // Inside each button's frame: its face's fill; the caption is drawn over it.
  struct Face {
    UINT id;
    COLORREF fill;
    const char* caption;
  } faces[] = {{IDC_LOGIN_CONNECT, RGB(64, 112, 192), "연결"},
               {IDC_LOGIN_SETTINGS, RGB(224, 224, 232), "설정"},
               {IDC_LOGIN_CANCEL, RGB(224, 224, 232), "취소"}};
  d->Ui([&] {
    plat::Surface screen;
    plat::win::ComposeScreen(screen);
    for (const Face& f : faces) {
      RECT r{};
      ASSERT_TRUE(GetWindowRect(GetDlgItem(frame->CurrentScreen(), static_cast<int>(f.id)), &r));
      EXPECT_EQ(screen.Row(r.top + 3)[r.left + 3] & 0xFFFFFF, f.fill) << f.caption;
      bool captionShown = false;
      for (const auto& t : screen.texts)
        captionShown = captionShown || (Utf8(t.text) == f.caption && t.rect.left >= r.left && t.rect.right <= r.right);
      EXPECT_TRUE(captionShown) << f.caption;
    }
  });
}

TEST_F(LoginTest, AutoReceiveQuestionSetsTheCheckAndTellsTheFrame) {
  MakeDevice(true);
  StartFrame();
  struct Step {
    int answer;
    bool on;
  } steps[] = {{IDOK, true}, {IDCANCEL, false}};
  for (const Step& st : steps) {
    ASSERT_TRUE(d->Tap(IDC_LOGIN_AUTO));
    ASSERT_TRUE(WaitFor([&] { return Utf8(d->Text(IDC_AUTO_QUESTION)) == "자동 갱신을 선택하시겠습니까 ?"; }));
    ASSERT_TRUE(d->Tap(st.answer));
    ASSERT_TRUE(WaitFor([&] { return d->Text(IDC_AUTO_QUESTION).empty(); }));
    bool checked = false, frameOn = false;
    d->Ui([&] {
      checked = IsDlgButtonChecked(frame->CurrentScreen(), IDC_LOGIN_AUTO) == BST_CHECKED;
      frameOn = frame->AutoReceive() != FALSE;
    });
    EXPECT_EQ(checked, st.on);
    EXPECT_EQ(frameOn, st.on);
  }
  ASSERT_TRUE(d->Tap(IDC_LOGIN_AUTO));
  ASSERT_TRUE(d->Tap(IDOK));
  Login("demo", "1234");
  ASSERT_TRUE(WaitFor([&] { return UpdaterGot("VERSION_CHECK"); }));
  EXPECT_EQ(Utf8(RegText(VX_REG_STOCK, u"IsReal")), "TRUE");
}

TEST_F(LoginTest, InputPanelFollowsTheTextFields) {
  MakeDevice(true);
  StartFrame();
  ASSERT_TRUE(d->Tap(IDC_LOGIN_ID));
  EXPECT_TRUE(plat::win::ShellState().sipShown);
  // The auto-receive question takes the panel away; the focus comes back to the id with it.
  ASSERT_TRUE(d->Tap(IDC_LOGIN_AUTO));
  ASSERT_TRUE(WaitFor([&] { return !d->Text(IDC_AUTO_QUESTION).empty(); }));
  EXPECT_FALSE(plat::win::ShellState().sipShown);
  ASSERT_TRUE(d->Tap(IDCANCEL));
  EXPECT_TRUE(plat::win::ShellState().sipShown);
}

TEST_F(LoginTest, FailuresBeforeTheReplyGiveTheIdAndButtonsBack) {
  struct Case {
    const char* name;
    bool withUpdater;
    bool brokenKeyReply;
    std::vector<std::string> boxes;
  } cases[] = {
      {"no version server",
       false,
       false,
       {"Larkspin : 버전관리 서버 접속 실패", "환경설정의 접속정보를 확인후 재접속 바랍니다[2]"}},
      {"key reply unusable", true, true, {"ERROR : 암호화 실패"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TearDown();
    SetUp();
    MakeDevice(true);
    if (c.brokenKeyReply)
      server.setHandler(1000, [](simsrv::HandlerContext&, const simsrv::Request&, simsrv::Reply& r) {
        r.body = {2, 0, 0, 0};
      });
    StartFrame(c.withUpdater);
    Login("demo", "1234");
    for (const std::string& text : c.boxes) ExpectBox(text);
    ASSERT_TRUE(WaitFor([&] { return ButtonsEnabled(); }));
    EXPECT_EQ(Utf8(d->Text(IDC_LOGIN_ID)), "demo");
    EXPECT_TRUE(server.requests(4020).empty());
  }
}

}  // namespace
