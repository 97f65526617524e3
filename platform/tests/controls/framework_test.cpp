// The framework: strings, arrays, message maps, data exchange, wrappers and dialog lifetimes.
#include <cstring>
#include <thread>

#include "fixture.h"

namespace ctest {
namespace {

// ---- CString -------------------------------------------------------------------------------

TEST(CStringFormat, ConversionsFlagsAndWidths) {
  struct Case {
    const char* name;
    std::function<void(CString&)> format;
    std::u16string expected;
  };
  const Case cases[] = {
      {"signed", [](CString& s) { s.Format(u"%d/%i", -42, 7); }, u"-42/7"},
      {"zero padded", [](CString& s) { s.Format(u"%02d:%02d:%02d", 9, 5, 30); }, u"09:05:30"},
      {"left aligned", [](CString& s) { s.Format(u"[%-5d]", 12); }, u"[12   ]"},
      {"long and unsigned", [](CString& s) { s.Format(u"%ld %u", 2147483647L, 4000000000u); },
       u"2147483647 4000000000"},
      {"hex", [](CString& s) { s.Format(u"%x %X %04x", 255, 255, 10); }, u"ff FF 000a"},
      {"64-bit", [](CString& s) { s.Format(u"%I64d %lld", 10000000000LL, -5LL); }, u"10000000000 -5"},
      {"fixed point", [](CString& s) { s.Format(u"%.2f|%8.3f|%f", 12.345, -1.5, 0.25); }, u"12.35|  -1.500|0.250000"},
      {"wide text", [](CString& s) { s.Format(u"%s님 [%5s]", u"홍길동", u"ab"); }, u"홍길동님 [   ab]"},
      {"text precision", [](CString& s) { s.Format(u"%.3s", u"abcdef"); }, u"abc"},
      {"character", [](CString& s) { s.Format(u"%c%c", u'가', u'A'); }, u"가A"},
      {"narrow code page text", [](CString& s) { s.Format(u"%S", "\xBB\xEF\xBC\xBA"); }, u"삼성"},
      {"percent and null text", [](CString& s) { s.Format(u"100%% %s", static_cast<const WCHAR*>(nullptr)); },
       u"100% (null)"},
      {"star width", [](CString& s) { s.Format(u"%*d", 4, 7); }, u"   7"},
      {"stock message", [](CString& s) { s.Format(u"해당 종목코드[%s]가 존재하지 않습니다.", u"12345"); },
       u"해당 종목코드[12345]가 존재하지 않습니다."},
      {"string objects", [](CString& s) { s.Format(u"%s-%s", CString(u"00593012").Left(8), CString(u"가나").Mid(1)); },
       u"00593012-나"},
      {"narrow text with %s", [](CString& s) { s.Format(u"%s", "\xBB\xEF"); }, u"삼"},
      {"negative as unsigned", [](CString& s) { s.Format(u"%u %x", -1, -2); }, u"4294967295 fffffffe"},
      {"too few arguments", [](CString& s) { s.Format(u"%d %s %d|", 5); }, u"5  0|"},
      {"number where text is due", [](CString& s) { s.Format(u"[%s]", 42); }, u"[]"},
      {"text where a number is due", [](CString& s) { s.Format(u"[%d]", u"12"); }, u"[0]"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    CString s(u"previous");
    c.format(s);
    EXPECT_EQ(s.str(), c.expected);
  }
  CString a(u"x");
  a.AppendFormat(u"=%d", 3);
  EXPECT_EQ(a, u"x=3");
}

CString FormatLikeALog(const WCHAR* format, ...) {
  va_list args;
  va_start(args, format);
  CString s;
  s.FormatV(format, args);
  va_end(args);
  return s;
}

TEST(CStringFormat, VaListFormTakesPrintfArguments) {
  EXPECT_EQ(FormatLikeALog(u"%s %d %S %.1f", u"계좌", 12, "\xB8\xF1", 2.25), u"계좌 12 목 2.2");
}

TEST(CStringCodePage, HangulRoundTripsThroughCodePage949) {
  CString s(u"삼성전자 005930");
  std::string mb = s.ToMultiByte();
  EXPECT_EQ(mb, "\xBB\xEF\xBC\xBA\xC0\xFC\xC0\xDA 005930");
  EXPECT_EQ(CString(mb.c_str()), s);
  EXPECT_EQ(CString::FromMultiByte(mb.c_str(), 4), u"삼성");
  EXPECT_EQ(CString::FromMultiByte("abc\0def", 7).GetLength(), 7);
  EXPECT_TRUE(CString(static_cast<const char*>(nullptr)).IsEmpty());
  EXPECT_TRUE(CString().ToMultiByte().empty());
}

TEST(CStringEdit, PiecesSearchesAndTrims) {
  CString s(u"  8,123,456원 ");
  EXPECT_EQ(CString(s).TrimLeft(), u"8,123,456원 ");
  EXPECT_EQ(CString(s).TrimRight(), u"  8,123,456원");
  CString digits(s);
  digits.Trim();
  EXPECT_EQ(digits.Remove(u','), 2);
  EXPECT_EQ(digits, u"8123456원");
  EXPECT_EQ(digits.Find(u'원'), 7);
  EXPECT_EQ(digits.Find(u"23"), 2);
  EXPECT_EQ(digits.Find(u"23", 3), -1);
  EXPECT_EQ(digits.Find(u'8', 99), -1);
  struct Case {
    CString got;
    std::u16string expected;
  };
  CString code(u"00593012");
  const Case cases[] = {
      {code.Left(6), u"005930"}, {code.Right(2), u"12"},       {code.Mid(2, 3), u"593"},      {code.Mid(6), u"12"},
      {code.Left(-1), u""},      {code.Left(99), u"00593012"}, {code.Right(99), u"00593012"}, {code.Mid(-3, 2), u"00"},
      {code.Mid(7, 5), u"2"},    {code.Mid(20), u""},
  };
  for (const auto& c : cases) EXPECT_EQ(c.got.str(), c.expected);
  CString r(u"a-b-c");
  EXPECT_EQ(r.Replace(u"-", u" - "), 2);
  EXPECT_EQ(r, u"a - b - c");
  EXPECT_EQ(r.Replace(u"", u"x"), 0);
  CString up(u"abc가z");
  up.MakeUpper();
  EXPECT_EQ(up, u"ABC가Z");
  EXPECT_EQ(up.CompareNoCase(u"abc가z"), 0);
  EXPECT_THROW(up.GetAt(5), std::out_of_range);
  CString buf;
  WCHAR* p = buf.GetBuffer(10);
  std::memcpy(p, u"hi\0junk", 8 * sizeof(WCHAR));
  buf.ReleaseBuffer();
  EXPECT_EQ(buf, u"hi");
  EXPECT_EQ(buf.GetLength(), 2);
}

TEST(CArrayTest, IndexesOutsideTheArrayThrow) {
  CStringArray a;
  EXPECT_EQ(a.Add(u"first"), 0);
  EXPECT_EQ(a.Add(CString(u"third")), 1);
  a.InsertAt(1, CString(u"second"));
  ASSERT_EQ(a.GetSize(), 3);
  EXPECT_EQ(a[1], u"second");
  EXPECT_THROW(a.GetAt(3), std::out_of_range);
  EXPECT_THROW(a.GetAt(-1), std::out_of_range);
  EXPECT_THROW(a.RemoveAt(2, 2), std::out_of_range);
  a.RemoveAt(0);
  EXPECT_EQ(a[0], u"second");
  CArray<int, int> n;
  n.SetAtGrow(4, 9);
  EXPECT_EQ(n.GetSize(), 5);
  EXPECT_EQ(n[4], 9);
  EXPECT_EQ(n[0], 0);
}

// ---- Message maps --------------------------------------------------------------------------

constexpr UINT kUserQuery = WM_USER + 25;

class CBaseMapDlg : public CTestDlg {
 public:
  std::vector<std::string> calls;

 protected:
  afx_msg void OnPushBase() { calls.push_back("base push"); }
  afx_msg void OnCheckBase() { calls.push_back("base check"); }
  DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CBaseMapDlg, CTestDlg)
ON_BN_CLICKED(kPush, OnPushBase)
ON_BN_CLICKED(kCheck, OnCheckBase)
END_MESSAGE_MAP()

class CMapDlg : public CBaseMapDlg {
 public:
  LPARAM lastQuery = 0;
  std::vector<UINT> timers;
  std::vector<UINT> radios;
  std::vector<int> viewClicks;

 protected:
  afx_msg void OnPush() { calls.push_back("derived push"); }
  afx_msg LRESULT OnQuery(WPARAM w, LPARAM l) {
    lastQuery = l;
    return static_cast<LRESULT>(w) * 2;
  }
  afx_msg void OnTimer(UINT id) {
    timers.push_back(id);
    if (id == 7) KillTimer(7);
  }
  afx_msg void OnRadio(UINT id) { radios.push_back(id); }
  afx_msg void OnPlainQuery(WPARAM w, LPARAM l) { lastQuery = static_cast<LPARAM>(w) + l; }
  afx_msg void OnComboSel() {
    calls.push_back("combo sel " + std::to_string(static_cast<CComboBox*>(GetDlgItem(kComboList))->GetCurSel()));
  }
  afx_msg void OnViewClick(NMHDR* hdr, LRESULT* result) {
    viewClicks.push_back(reinterpret_cast<NMITEMACTIVATE*>(hdr)->iItem);
    *result = 5;
  }
  DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CMapDlg, CBaseMapDlg)
ON_BN_CLICKED(kPush, OnPush)
ON_MESSAGE(kUserQuery, OnQuery)
ON_MESSAGE(kUserQuery + 1, OnPlainQuery)
ON_WM_TIMER()
ON_CONTROL_RANGE(BN_CLICKED, kRadioA, kRadioC, OnRadio)
ON_CBN_SELCHANGE(kComboList, OnComboSel)
ON_NOTIFY(NM_CLICK, kView, OnViewClick)
END_MESSAGE_MAP()

class FrameworkTest : public ControlsTest {
 protected:
  void SetUp() override {
    ControlsTest::SetUp();
    // The fixture's plain dialog is replaced by one with a message map of its own.
    dlg_->DestroyWindow();
    delete dlg_;
    map_ = new CMapDlg;
    dlg_ = map_;
    ASSERT_TRUE(map_->Create(kTemplate));
    Pump();
    map_->notes.clear();
  }
  CMapDlg* map_ = nullptr;
};

TEST_F(FrameworkTest, MessageMapsBindCommandsMessagesTimersAndNotifications) {
  Tap(kPush);
  Tap(kCheck);
  EXPECT_EQ(map_->calls, (std::vector<std::string>{"derived push", "base check"}));
  EXPECT_EQ(::SendMessage(map_->m_hWnd, kUserQuery, 21, 99), 42);
  EXPECT_EQ(map_->lastQuery, 99);
  EXPECT_EQ(::SendMessage(map_->m_hWnd, kUserQuery + 1, 1, 2), 0);  // a handler returning nothing
  EXPECT_EQ(map_->lastQuery, 3);
  Tap(kRadioC);
  Tap(kRadioD);  // outside the bound range
  EXPECT_EQ(map_->radios, (std::vector<UINT>{kRadioC}));
  map_->SetTimer(7, 500);
  map_->SetTimer(8, 300);
  for (int i = 0; i < 4; ++i) {
    plat::clock::Advance(300);
    Pump();
  }
  EXPECT_EQ(std::count(map_->timers.begin(), map_->timers.end(), 7u), 1);
  EXPECT_GE(std::count(map_->timers.begin(), map_->timers.end(), 8u), 3);
  map_->KillTimer(8);
  CComboBox* c = static_cast<CComboBox*>(map_->GetDlgItem(kComboList));
  c->AddString(u"하나");
  c->AddString(u"둘");
  c->SendMessage(WM_KEYDOWN, VK_DOWN, 0);
  EXPECT_EQ(map_->calls.back(), "combo sel 0");
  CListCtrl* lv = static_cast<CListCtrl*>(map_->GetDlgItem(kView));
  lv->InsertColumn(0, u"코드", LVCFMT_LEFT, 100);
  lv->InsertItem(0, u"005930");
  NMITEMACTIVATE nm{};
  nm.hdr = NMHDR{lv->m_hWnd, kView, static_cast<UINT>(NM_CLICK)};
  nm.iItem = 0;
  EXPECT_EQ(::SendMessage(map_->m_hWnd, WM_NOTIFY, kView, reinterpret_cast<LPARAM>(&nm)), 5);
  EXPECT_EQ(map_->viewClicks, (std::vector<int>{0}));
}

TEST_F(FrameworkTest, WrappersHaveTheTypeOfTheirControl) {
  EXPECT_NE(dynamic_cast<CComboBox*>(map_->GetDlgItem(kCombo)), nullptr);
  EXPECT_NE(dynamic_cast<CEdit*>(map_->GetDlgItem(kEdit)), nullptr);
  EXPECT_NE(dynamic_cast<CButton*>(map_->GetDlgItem(kRadioA)), nullptr);
  EXPECT_NE(dynamic_cast<CListCtrl*>(map_->GetDlgItem(kView)), nullptr);
  EXPECT_NE(dynamic_cast<CListBox*>(map_->GetDlgItem(kList)), nullptr);
  EXPECT_NE(dynamic_cast<CProgressCtrl*>(map_->GetDlgItem(kProgress)), nullptr);
  EXPECT_NE(dynamic_cast<CStatic*>(map_->GetDlgItem(kStatic)), nullptr);
  EXPECT_EQ(map_->GetDlgItem(9999), nullptr);
  EXPECT_EQ(map_->GetDlgItem(kEdit), map_->GetDlgItem(kEdit));
  EXPECT_EQ(CWnd::FromHandlePermanent(map_->m_hWnd), map_);
  EXPECT_EQ(map_->GetDlgItem(kEdit)->GetParent(), map_);
}

TEST_F(FrameworkTest, WrappersOfGoneWindowsDoNotPileUpWithoutIdleTime) {
  CWnd* edit = map_->GetDlgItem(kEdit);
  for (int i = 0; i < 1500; ++i) {
    HWND h = ::CreateWindowEx(0, WC_STATIC, u"", WS_CHILD, 0, 0, 10, 10, map_->m_hWnd, PLAT_ID_AS_MENU(5000 + i),
                              nullptr, nullptr);
    ASSERT_NE(h, 0u);
    CWnd* w = CWnd::FromHandle(h);
    ASSERT_EQ(w->GetDlgCtrlID(), 5000 + i);
    ::DestroyWindow(h);
  }
  // Wrappers of live windows survive the clean-up: a pointer taken earlier stays good.
  EXPECT_EQ(map_->GetDlgItem(kEdit), edit);
  EXPECT_EQ(edit->m_hWnd, Item(kEdit));
}

// A handler that makes many graphics wrappers without idle time keeps the one it holds: the pen
// SelectObject handed back is still the old pen when it is selected again.
TEST(GdiWrappers, TheWrapperAHandlerHoldsOutlivesManyOthers) {
  HDC mem = ::CreateCompatibleDC(nullptr);
  ASSERT_NE(mem, nullptr);
  CDC* dc = CDC::FromHandle(mem);
  HPEN first = ::CreatePen(PS_SOLID, 1, RGB(1, 2, 3));
  CPen* old = CPen::FromHandle(static_cast<HPEN>(::SelectObject(mem, first)));
  HGDIOBJ original = old->m_hObject;
  for (int i = 0; i < 1500; ++i) {
    HPEN p = ::CreatePen(PS_SOLID, 1, RGB(i & 0xFF, 0, 0));
    CPen* back = dc->SelectObject(CPen::FromHandle(p));
    ASSERT_NE(back, nullptr);
    dc->SelectObject(back);
    ::DeleteObject(p);
  }
  EXPECT_EQ(old->m_hObject, original);
  EXPECT_EQ(CPen::FromHandle(static_cast<HPEN>(original)), old) << "the live pen keeps its wrapper";
  EXPECT_EQ(::SelectObject(mem, old->m_hObject), first);
  ::DeleteDC(mem);
  ::DeleteObject(first);
}

// ---- Data exchange -------------------------------------------------------------------------

class CDdxDlg : public CTestDlg {
 public:
  CString m_text = u"홍길동";
  int m_number = 1234;
  int m_check = BST_CHECKED;
  int m_radio = 2;
  int m_carrier = 1;
  CString m_code = u"05930";
  CComboBox m_combo;

 protected:
  BOOL OnInitDialog() override {
    static_cast<CComboBox*>(GetDlgItem(kComboList))->AddString(u"SKT");
    static_cast<CComboBox*>(GetDlgItem(kComboList))->AddString(u"KTF");
    return CTestDlg::OnInitDialog();
  }
  void DoDataExchange(CDataExchange* dx) override {
    DDX_Control(dx, kCombo, m_combo);
    DDX_Text(dx, kEdit, m_text);
    DDV_MaxChars(dx, m_text, 10);
    DDX_Text(dx, kNumber, m_number);
    DDX_Check(dx, kCheck, m_check);
    DDX_Radio(dx, kRadioA, m_radio);
    DDX_CBIndex(dx, kComboList, m_carrier);
    DDX_Text(dx, kCombo, m_code);
  }
};

class DdxTest : public ControlsTest {
 protected:
  void SetUp() override {
    ControlsTest::SetUp();
    dlg_->DestroyWindow();
    delete dlg_;
    ddx_ = new CDdxDlg;
    dlg_ = ddx_;
    ASSERT_TRUE(ddx_->Create(kTemplate));
    Pump();
    ddx_->notes.clear();
  }
  CDdxDlg* ddx_ = nullptr;
};

TEST_F(DdxTest, ValuesReachTheControlsAndComeBack) {
  // OnInitDialog loaded the members.
  EXPECT_EQ(Text(kEdit), u"홍길동");
  EXPECT_EQ(Text(kNumber), u"1234");
  EXPECT_EQ(::IsDlgButtonChecked(ddx_->m_hWnd, kCheck), static_cast<UINT>(BST_CHECKED));
  EXPECT_EQ(::IsDlgButtonChecked(ddx_->m_hWnd, kRadioC), static_cast<UINT>(BST_CHECKED));
  EXPECT_EQ(::IsDlgButtonChecked(ddx_->m_hWnd, kRadioD), static_cast<UINT>(BST_UNCHECKED));  // another group
  EXPECT_EQ(Text(kComboList), u"KTF");
  EXPECT_EQ(Text(kCombo), u"05930");
  EXPECT_EQ(ddx_->m_combo.m_hWnd, Item(kCombo));
  EXPECT_EQ(::SendMessage(Item(kEdit), EM_GETLIMITTEXT, 0, 0), 10);
  // Loading again with nothing changed fires no change notifications.
  ASSERT_TRUE(ddx_->UpdateData(FALSE));
  EXPECT_TRUE(ddx_->CodesOf(kEdit).empty());
  // The user changes every control.
  ::SetWindowText(Item(kEdit), u"김철수");
  ::SetWindowText(Item(kNumber), u"-77");
  Tap(kCheck);
  Tap(kRadioA);
  ::SendMessage(Item(kComboList), CB_SETCURSEL, 0, 0);
  ddx_->m_combo.SetWindowText(u"00660");
  ASSERT_TRUE(ddx_->UpdateData(TRUE));
  EXPECT_EQ(ddx_->m_text, u"김철수");
  EXPECT_EQ(ddx_->m_number, -77);
  EXPECT_EQ(ddx_->m_check, BST_UNCHECKED);
  EXPECT_EQ(ddx_->m_radio, 0);
  EXPECT_EQ(ddx_->m_carrier, 0);
  EXPECT_EQ(ddx_->m_code, u"00660");
  // No radio of the group checked reads as -1.
  ::CheckDlgButton(ddx_->m_hWnd, kRadioA, BST_UNCHECKED);
  ASSERT_TRUE(ddx_->UpdateData(TRUE));
  EXPECT_EQ(ddx_->m_radio, -1);
}

TEST_F(DdxTest, BadValuesFailTheExchangeAndFocusTheControl) {
  struct Case {
    const char* name;
    int id;
    std::u16string text;
  };
  const Case cases[] = {
      {"letters in a number", kNumber, u"12a"},
      {"number beyond int", kNumber, u"99999999999"},
      {"empty number", kNumber, u""},
      {"text over its limit", kEdit, u"12345678901"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ::SetWindowText(Item(kEdit), u"ok");
    ::SetWindowText(Item(kNumber), u"5");
    ::SetWindowText(Item(c.id), c.text.c_str());
    ::SetFocus(Item(kPush));
    ddx_->m_number = 1;
    EXPECT_FALSE(ddx_->UpdateData(TRUE));
    EXPECT_EQ(::GetFocus(), Item(c.id));
    if (c.id == kNumber) {
      EXPECT_EQ(ddx_->m_number, 1);
    }
  }
}

// ---- Dialog lifetimes ----------------------------------------------------------------------

class CModalDlg : public CTestDlg {
 protected:
  BOOL OnInitDialog() override {
    CTestDlg::OnInitDialog();
    PostMessage(WM_COMMAND, IDCANCEL, 0);
    return TRUE;
  }
};

TEST_F(ControlsTest, ModalDialogRunsUntilEndedAndModelessOneDetachesWhenDestroyed) {
  CModalDlg modal;
  EXPECT_EQ(modal.DoModal(), IDCANCEL);
  EXPECT_EQ(modal.initCount, 1);
  EXPECT_EQ(modal.m_hWnd, 0u);
  // A missing template fails cleanly.
  CDialog missing(4321);
  EXPECT_EQ(missing.DoModal(), -1);
  EXPECT_FALSE(missing.Create(4321));
  EXPECT_EQ(missing.m_hWnd, 0u);
  // The modeless dialog of the fixture.
  HWND h = dlg_->m_hWnd;
  HWND edit = Item(kEdit);
  EXPECT_EQ(dlg_->initCount, 1);
  EXPECT_TRUE(dlg_->DestroyWindow());
  EXPECT_EQ(dlg_->m_hWnd, 0u);
  EXPECT_FALSE(::IsWindow(h));
  EXPECT_FALSE(::IsWindow(edit));
  EXPECT_EQ(CWnd::FromHandlePermanent(h), nullptr);
  // Deleting a dialog whose window still exists takes the window with it.
  CTestDlg* second = new CTestDlg;
  ASSERT_TRUE(second->Create(kTemplate));
  HWND h2 = second->m_hWnd;
  delete second;
  EXPECT_FALSE(::IsWindow(h2));
}

TEST_F(ControlsTest, OkAndCancelEndTheDialogThroughTheirHandlers) {
  ::SendMessage(dlg_->m_hWnd, WM_COMMAND, IDOK, 0);
  EXPECT_FALSE(::IsWindowVisible(dlg_->m_hWnd));  // a modeless dialog is hidden, not destroyed
  EXPECT_TRUE(::IsWindow(dlg_->m_hWnd));
}

// ---- The application object ----------------------------------------------------------------

namespace {

int g_framesDeleted = 0;
std::vector<std::string> g_frameEvents;

class CTestFrame : public CFrameWnd {
 public:
  ~CTestFrame() override { ++g_framesDeleted; }

 protected:
  afx_msg int OnCreate(LPCREATESTRUCT cs) {
    g_frameEvents.push_back("create");
    return CFrameWnd::OnCreate(cs);
  }
  afx_msg void OnDestroy() {
    g_frameEvents.push_back("destroy");
    CFrameWnd::OnDestroy();
  }
  DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CTestFrame, CFrameWnd)
ON_WM_CREATE()
ON_WM_DESTROY()
END_MESSAGE_MAP()

class CTestApp : public CWinApp {
 public:
  CTestApp() : CWinApp(u"Halvenor") {}
  bool exited = false;
  BOOL InitInstance() override {
    auto* frame = new CTestFrame;
    if (!frame->Create(nullptr, u"Frame", WS_OVERLAPPED)) return FALSE;
    m_pMainWnd = frame;
    frame->PostMessage(WM_CLOSE);
    return TRUE;
  }
  int ExitInstance() override {
    exited = true;
    return CWinApp::ExitInstance();
  }
};

}  // namespace

TEST_F(ControlsTest, ApplicationRunsUntilItsMainWindowIsGone) {
  g_framesDeleted = 0;
  g_frameEvents.clear();
  CTestApp app;
  EXPECT_EQ(AfxGetApp(), &app);
  EXPECT_EQ(AfxWinMain(nullptr, nullptr, nullptr, SW_SHOW), 0);
  EXPECT_TRUE(app.exited);
  EXPECT_EQ(app.m_pMainWnd, nullptr);
  EXPECT_EQ(g_framesDeleted, 1);  // the frame deleted itself once its window was gone
  EXPECT_EQ(g_frameEvents, (std::vector<std::string>{"create", "destroy"}));
}

TEST_F(ControlsTest, MessageBoxesCarryTheApplicationName) {
  CTestApp app;
  {
    // A library's own application object does not replace the program's.
    CWinApp library(u"ZR4310");
    EXPECT_EQ(AfxGetApp(), &app);
  }
  EXPECT_EQ(AfxGetApp(), &app);
  plat::win::SetAutomationMode(true);
  std::u16string caption, text;
  std::thread answer([&] {
    plat::win::MessageBoxInfo info;
    if (plat::win::WaitForMessageBox(&info, 5000)) {
      caption = info.caption;
      text = info.text;
      plat::win::AnswerMessageBox(IDNO);
    }
  });
  int r = AfxMessageBox(u"Pelvato을 종료하시겠습니까?", MB_YESNO);
  answer.join();
  plat::win::SetAutomationMode(false);
  EXPECT_EQ(r, IDNO);
  EXPECT_EQ(caption, u"Halvenor");
  EXPECT_EQ(text, u"Pelvato을 종료하시겠습니까?");
}

}  // namespace
}  // namespace ctest

namespace ctest {
namespace {

class CTextView : public CView {
 public:
  void OnDraw(CDC* dc) override {
    CFont font;
    font.CreatePointFont(85, u"돋움");
    CFont* old = dc->SelectObject(&font);
    CRect rc;
    GetClientRect(&rc);
    dc->FillSolidRect(&rc, RGB(255, 255, 255));
    dc->SetTextColor(RGB(0, 0, 255));
    dc->SetBkMode(TRANSPARENT);
    dc->TextOut(2, 2, CString(u"현재가"));
    dc->SelectObject(old);
  }
  void PostNcDestroy() override {
    ++deleted;
    CView::PostNcDestroy();
  }
  static int deleted;
};
int CTextView::deleted = 0;

TEST_F(ControlsTest, ViewDrawsThroughTheDeviceContextWrappers) {
  CTextView::deleted = 0;
  auto* frame = new CFrameWnd;
  ASSERT_TRUE(frame->Create(nullptr, u"frame", WS_POPUP | WS_VISIBLE, CRect(0, 26, 240, 320)));
  auto* view = new CTextView;
  ASSERT_TRUE(view->Create(nullptr, u"", WS_CHILD | WS_VISIBLE, CRect(0, 0, 240, 100), frame, 1));
  plat::Surface screen;
  plat::win::ComposeScreen(screen);
  auto it = std::find_if(screen.texts.begin(), screen.texts.end(), [](auto& t) { return t.text == u"현재가"; });
  ASSERT_NE(it, screen.texts.end());
  EXPECT_EQ(it->color, RGB(0, 0, 255));
  EXPECT_EQ(it->height, 11);  // 8.5 points at 96 dots per inch
  EXPECT_EQ(it->face, u"돋움");
  // The frame takes its view with it, and both objects delete themselves.
  frame->DestroyWindow();
  EXPECT_EQ(CTextView::deleted, 1);
}

TEST_F(ControlsTest, ButtonsWithNotifyReportTheirFocus) {
  HWND b = Item(kPush);
  ::SetWindowLong(b, GWL_STYLE, ::GetWindowLong(b, GWL_STYLE) | BS_NOTIFY);
  ::SetFocus(Item(kEdit));
  dlg_->notes.clear();
  Tap(kPush);
  Tap(kCheck);
  EXPECT_EQ(dlg_->CodesOf(kPush), (std::vector<int>{BN_SETFOCUS, BN_CLICKED, BN_KILLFOCUS}));
  EXPECT_EQ(dlg_->CodesOf(kCheck), (std::vector<int>{BN_CLICKED}));  // no BS_NOTIFY: clicks only
}

}  // namespace
}  // namespace ctest

namespace ctest {
namespace {

TEST_F(ControlsTest, ADialogLeavesNoGraphicsObjectsBehind) {
  dlg_->DestroyWindow();
  delete dlg_;
  dlg_ = nullptr;
  Pump();
  CWnd::DeleteTempMap();
  int objects = plat::gdi::LiveObjectCount();
  int dcs = plat::gdi::LiveDCCount();
  {
    CTestDlg d;
    ASSERT_TRUE(d.Create(kTemplate));
    dlg_ = &d;
    CComboBox* c = static_cast<CComboBox*>(d.GetDlgItem(kCombo));
    c->AddString(u"05930");
    ::CheckDlgButton(d.m_hWnd, kCheck, BST_CHECKED);
    ::SetWindowText(Item(kPassword), u"1234");
    plat::Surface screen;
    plat::win::ComposeScreen(screen);
    Tap(kOwner);
    Tap(kRadioB);
    RECT r = ScreenRect(kCombo);
    TapScreen(r.right - 4, (r.top + r.bottom) / 2);
    plat::win::ComposeScreen(screen);
    TapScreen(r.right - 4, (r.top + r.bottom) / 2);
    d.DestroyWindow();
    dlg_ = nullptr;
  }
  Pump();
  CWnd::DeleteTempMap();
  EXPECT_EQ(plat::gdi::LiveObjectCount(), objects);
  EXPECT_EQ(plat::gdi::LiveDCCount(), dcs);
}

}  // namespace
}  // namespace ctest

namespace ctest {
namespace {

TEST_F(ControlsTest, DialogTemplateIsFoundWhateverModuleIsCurrent) {
  // Another module is current when the dialog is made (as while a plug-in loads): the template
  // of the program is still found.
  HMODULE previous = AfxGetResourceHandle();
  AfxSetResourceHandle(reinterpret_cast<HMODULE>(&previous));
  CTestDlg other;
  bool created = other.Create(kTemplate);
  AfxSetResourceHandle(previous);
  EXPECT_TRUE(created);
  EXPECT_EQ(other.initCount, 1);
  other.DestroyWindow();
}

}  // namespace
}  // namespace ctest
