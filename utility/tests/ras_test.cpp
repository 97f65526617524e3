// Dial-up helpers against the simulated remote access of the platform.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

#include "device_fixture.h"
#include "glimmet/ras.h"

namespace {

struct Event {
  WPARAM state;
  LPARAM error;
  bool operator==(const Event& o) const { return state == o.state && error == o.error; }
};

std::vector<Event>& Events() {
  static std::vector<Event> events;
  return events;
}

LRESULT RasWndProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_RASDIALEVENT) {
    Events().push_back({wp, lp});
    return 0;
  }
  return DefWindowProc(hwnd, msg, wp, lp);
}

std::string Cp949(const char16_t* text) {
  char buf[256] = {};
  WideCharToMultiByte(CP_KOREAN, 0, text, -1, buf, sizeof buf, nullptr, nullptr);
  return buf;
}

std::u16string Name(const WCHAR* fixed) { return std::u16string(fixed); }

class RasTest : public DeviceTest {
 protected:
  void SetUp() override {
    DeviceTest::SetUp();
    plat::ras::Reset();
    plat::win::ResetForTests();
    Events().clear();
    WNDCLASS wc{};
    wc.lpfnWndProc = RasWndProc;
    wc.lpszClassName = u"RasTestWnd";
    RegisterClass(&wc);
    wnd_ = CreateWindow(u"RasTestWnd", u"", WS_POPUP, 0, 0, 10, 10, 0, nullptr, nullptr, nullptr);
    ASSERT_NE(wnd_, 0u);
  }
  void TearDown() override {
    plat::ras::Reset();
    DestroyWindow(wnd_);
    plat::win::PumpMessages();
    DeviceTest::TearDown();
  }

  // One phone-book entry; empty values are left out.
  static void AddEntry(const std::u16string& name, const std::u16string& type, const std::u16string& password = u"",
                       DWORD savePassword = 0, DWORD connected = 0, const std::u16string& script = u"") {
    HKEY k = nullptr;
    std::u16string path = u"Comm\\RasBook\\" + name;
    ASSERT_EQ(RegCreateKeyEx(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &k, nullptr),
              ERROR_SUCCESS);
    auto set = [&](const char16_t* value, const std::u16string& text) {
      if (text.empty()) return;
      RegSetValueEx(k, value, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                    static_cast<DWORD>((text.size() + 1) * sizeof(char16_t)));
    };
    set(u"DeviceType", type);
    set(u"DeviceName", type == u"modem" ? u"Hayes Compatible on COM1:" : u"Serial Cable on COM1:");
    set(u"PhoneNumber", u"1501");
    set(u"User", u"larkuser");
    set(u"Password", password);
    set(u"DialScript", script);
    RegSetValueEx(k, u"SavePassword", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&savePassword), sizeof(DWORD));
    if (connected)
      RegSetValueEx(k, u"Connected", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&connected), sizeof(DWORD));
    RegCloseKey(k);
  }

  std::vector<Event> WaitEvents(size_t n) {
    plat::win::PumpUntil([&] { return Events().size() >= n; }, 3000);
    return Events();
  }

  static std::vector<std::u16string> Connected() {
    std::vector<std::u16string> out;
    int n = 0;
    RASCONN* all = get_all_RAS_con(nullptr, &n);
    for (int i = 0; i < n; ++i) out.push_back(Name(all[i].szEntryName));
    std::free(all);
    return out;
  }

  HWND wnd_ = 0;
};

TEST_F(RasTest, EntriesAreFilteredByDeviceTypeAndOverlongNamesAreNotListed) {
  AddEntry(u"Alpha", u"modem");
  AddEntry(u"Beta", u"direct");
  AddEntry(u"Gamma", u"MODEM");
  AddEntry(u"Delta", u"");
  AddEntry(u"ThisEntryNameIsTooLong", u"modem");  // 22 characters: no record can hold it

  EXPECT_EQ(get_all_entry_count(), 4);
  struct Case {
    int filter;
    std::vector<std::u16string> names;
  } cases[] = {
      {RAS_FILTER_ALL, {u"Alpha", u"Beta", u"Delta", u"Gamma"}},
      {RAS_FILTER_MODEM, {u"Alpha", u"Gamma"}},
      {RAS_FILTER_DIRECT, {u"Beta"}},
      {7, {u"Alpha", u"Beta", u"Delta", u"Gamma"}},
  };
  for (const auto& c : cases) {
    int n = -1;
    RASENTRYNAME* list = get_all_entry_name(c.filter, &n);
    ASSERT_NE(list, nullptr) << c.filter;
    std::vector<std::u16string> got;
    for (int i = 0; i < n; ++i) {
      EXPECT_EQ(list[i].dwSize, sizeof(RASENTRYNAME));
      got.push_back(Name(list[i].szEntryName));
    }
    std::free(list);
    EXPECT_EQ(got, c.names) << "filter " << c.filter;
  }

  RASENTRYNAME buf[2];
  EXPECT_EQ(get_all_entry_name_buf(RAS_FILTER_ALL, buf, 2), 2);
  EXPECT_EQ(Name(buf[1].szEntryName), u"Beta");
  EXPECT_EQ(get_all_entry_name_buf(RAS_FILTER_ALL, buf, 0), -1);
  EXPECT_EQ(get_all_entry_name_buf(RAS_FILTER_ALL, nullptr, 2), -1);

  RASENTRY props;
  ASSERT_EQ(get_entry_properity(&buf[0], &props), 0);
  EXPECT_EQ(Name(props.szDeviceType), u"modem");
  EXPECT_EQ(Name(props.szLocalPhoneNumber), u"1501");
  EXPECT_EQ(get_entry_properity_by_name(u"Nowhere", &props), -1);
  EXPECT_EQ(get_entry_properity_by_name(u"ThisEntryNameIsTooLong", &props), -1);
}

TEST_F(RasTest, EmptyPhoneBookGivesNoEntries) {
  int n = 5;
  EXPECT_EQ(get_all_entry_count(), 0);
  EXPECT_EQ(get_all_entry_name(RAS_FILTER_ALL, &n), nullptr);
  EXPECT_EQ(n, 0);
  EXPECT_EQ(get_cur_RAS_count(), 0);
  EXPECT_EQ(get_all_RAS_con(nullptr, &n), nullptr);
}

TEST_F(RasTest, StartFailuresReturnTheirCodeAndText) {
  AddEntry(u"Cable", u"direct");
  AddEntry(u"Busy", u"modem", u"", 0, 0, u"!633");
  struct Case {
    const char16_t* name;
    int result;
    const char16_t* text;
  } cases[] = {
      {u"", -1, u"접속명이 잘못됨"},  // only a direct entry: no modem to choose
      {nullptr, -1, u"접속명이 잘못됨"},
      {u"ThisEntryNameIsTooLong", -1, u"접속명이 잘못됨"},
      {u"Nowhere", -2, u"해당명칭의 접속이 없음"},
      {u"Busy", ERROR_PORT_NOT_AVAILABLE, u"전화접속 실패"},
  };
  // Leave the modem out of the phone book for the first cases.
  for (const auto& c : cases) {
    if (c.result == ERROR_PORT_NOT_AVAILABLE)
      AddEntry(u"Busy", u"modem", u"", 0, 0, u"!633");
    else
      RegDeleteKey(HKEY_CURRENT_USER, u"Comm\\RasBook\\Busy");
    const char* text = nullptr;
    HRASCONN h = 77;
    EXPECT_EQ(start_RAS(c.name, u"pw", wnd_, &h, &text), c.result);
    ASSERT_NE(text, nullptr);
    EXPECT_EQ(std::string(text), Cp949(c.text));
    EXPECT_EQ(h, 77u) << "the handle is only written on success";
  }
  EXPECT_EQ(get_cur_RAS_count(), 0);
}

TEST_F(RasTest, DialScriptsDeliverEachStateAndErrorInOrder) {
  struct Case {
    const char* script;
    std::vector<Event> events;
  } cases[] = {
      {"0 1 2 3 5 14 8192", {{0, 0}, {1, 0}, {2, 0}, {3, 0}, {5, 0}, {14, 0}, {8192, 0}}},
      {"0,1,2@5,3,5,10,12@5,14,8192", {{0, 0}, {1, 0}, {2, 0}, {3, 0}, {5, 0}, {10, 0}, {12, 0}, {14, 0}, {8192, 0}}},
      {"0 1 2 3 5 6:646 14 8192", {{0, 0}, {1, 0}, {2, 0}, {3, 0}, {5, 0}, {6, 646}}},
      {"0 5 6:647", {{0, 0}, {5, 0}, {6, 647}}},
      {"0 5 6:648", {{0, 0}, {5, 0}, {6, 648}}},
      {"0 5 6:649", {{0, 0}, {5, 0}, {6, 649}}},
      {"0 5 6:709", {{0, 0}, {5, 0}, {6, 709}}},
      {"0 1 2 3 5 14 8192 8193", {{0, 0}, {1, 0}, {2, 0}, {3, 0}, {5, 0}, {14, 0}, {8192, 0}, {8193, 0}}},
  };
  AddEntry(u"Mobile", u"modem");
  for (const auto& c : cases) {
    Events().clear();
    plat::ras::SetDialScript(u"Mobile", c.script);
    HRASCONN h = 0;
    ASSERT_EQ(start_RAS(u"Mobile", nullptr, wnd_, &h, nullptr), 0) << c.script;
    EXPECT_NE(h, 0u);
    EXPECT_EQ(WaitEvents(c.events.size()), c.events) << c.script;
    // The connection stays listed in its last state until it is hung up.
    EXPECT_EQ(get_RAS_state_name(u"Mobile"), static_cast<int>(c.events.back().state)) << c.script;
    EXPECT_EQ(get_RAS_state_handle(h), static_cast<int>(c.events.back().state));
    EXPECT_EQ(discon_RAS(RAS_DISCON_ALL, nullptr), 1);
    EXPECT_EQ(get_RAS_state_name(u"Mobile"), -1);
    EXPECT_EQ(get_RAS_state_handle(h), 0) << "a hung-up handle has no status";
  }
}

TEST_F(RasTest, ScriptFromTheRegistryAndDefaultScript) {
  AddEntry(u"Scripted", u"modem", u"", 0, 0, u"0 5 6:646");
  AddEntry(u"Plain", u"modem");
  ASSERT_EQ(start_RAS(u"Scripted", nullptr, wnd_, nullptr, nullptr), 0);
  EXPECT_EQ(WaitEvents(3).back(), (Event{6, 646}));
  Events().clear();
  ASSERT_EQ(start_RAS(u"", nullptr, wnd_, nullptr, nullptr), 0);  // the first modem entry: "Plain"
  EXPECT_EQ(WaitEvents(7).back(), (Event{8192, 0}));
  EXPECT_EQ(get_RAS_state_name(u"Plain"), RASCS_Connected);
  // Dialling an entry that is up already fails in the platform and reports the dial text.
  const char* text = nullptr;
  EXPECT_EQ(start_RAS(u"Plain", nullptr, wnd_, nullptr, &text), ERROR_PORT_ALREADY_OPEN);
  EXPECT_EQ(std::string(text), Cp949(u"전화접속 실패"));
}

TEST_F(RasTest, GivenPasswordIsUsedOnlyWhenNoneIsSaved) {
  AddEntry(u"NoSaved", u"modem", u"stored1", 0);
  AddEntry(u"Saved", u"modem", u"stored2", 1);
  struct Case {
    const char16_t* entry;
    const char16_t* given;
    const char16_t* used;
  } cases[] = {
      {u"NoSaved", u"typed", u"typed"},
      {u"NoSaved", nullptr, u""},
      {u"Saved", u"typed", u"stored2"},
  };
  for (const auto& c : cases) {
    ASSERT_EQ(start_RAS(c.entry, c.given, wnd_, nullptr, nullptr), 0);
    plat::ras::DialRecord rec;
    ASSERT_TRUE(plat::ras::LastDial(c.entry, &rec));
    EXPECT_EQ(rec.password, c.used) << Name(c.entry).size();
    EXPECT_EQ(rec.userName, u"larkuser");
    EXPECT_EQ(rec.notifier, wnd_);
    discon_RAS(RAS_DISCON_ALL, nullptr);
  }
}

TEST_F(RasTest, ExistingConnectionsAreCountedListedAndFilteredByDevice) {
  AddEntry(u"Modem1", u"modem", u"", 0, 1);
  AddEntry(u"Cable", u"direct", u"", 0, 1);
  AddEntry(u"Modem2", u"modem", u"", 0, 1);
  AddEntry(u"Idle", u"modem");

  EXPECT_EQ(get_cur_RAS_count(), 3);
  int n = 0;
  RASCONN* modems = get_all_RAS_con(RASDEVICETYPE_MODEM, &n);
  ASSERT_EQ(n, 2);
  EXPECT_EQ(Name(modems[0].szEntryName), u"Modem1");
  EXPECT_EQ(Name(modems[1].szEntryName), u"Modem2");
  std::free(modems);
  RASCONN direct[4];
  EXPECT_EQ(get_all_RAS_con_buf(RASDEVICETYPE_DIRECT, direct, 4), 1);
  EXPECT_EQ(Name(direct[0].szEntryName), u"Cable");
  EXPECT_EQ(get_all_RAS_con_buf(nullptr, direct, 1), 1) << "capacity 1 of three connections";
  EXPECT_EQ(get_all_RAS_con_buf(nullptr, nullptr, 1), -1);
  EXPECT_EQ(get_all_RAS_con_buf(nullptr, direct, 0), -1);

  RASCONN one;
  EXPECT_EQ(get_cur_RAS(RASDEVICETYPE_DIRECT, &one), 1);
  EXPECT_EQ(Name(one.szEntryName), u"Cable");
  EXPECT_EQ(get_cur_RAS(u"isdn", &one), -1);
  EXPECT_EQ(get_RAS_to_name(u"modem2", &one), 0) << "entry names match regardless of case";
  EXPECT_EQ(Name(one.szEntryName), u"Modem2");
  EXPECT_EQ(get_RAS_to_name(u"Idle", &one), -1);
  EXPECT_EQ(get_RAS_state(&one), RASCS_Connected);
  EXPECT_EQ(get_RAS_state(nullptr), -1);
  EXPECT_EQ(get_RAS_state_name(nullptr), -1);
}

TEST_F(RasTest, HangUpModesChooseTheirConnectionsAndAreLogged) {
  struct Case {
    int mode;
    const char16_t* name;
    std::vector<std::u16string> hungUp;
  } cases[] = {
      // Connections that were up at start are listed in phone-book order.
      {RAS_DISCON_ALL, nullptr, {u"Cable", u"Dropped", u"Modem1"}},
      {RAS_DISCON_DROPPED, nullptr, {u"Dropped"}},
      {RAS_DISCON_MODEM, nullptr, {u"Dropped", u"Modem1"}},
      {RAS_DISCON_OTHERS, u"Cable", {u"Dropped", u"Modem1"}},
      {RAS_DISCON_OTHERS, u"cable", {u"Dropped", u"Modem1"}},
      {RAS_DISCON_OTHERS, nullptr, {}},
      {4, nullptr, {}},
      {-1, nullptr, {}},
  };
  for (const auto& c : cases) {
    plat::ras::Reset();
    AddEntry(u"Modem1", u"modem", u"", 0, 1);
    AddEntry(u"Cable", u"direct", u"", 0, 1);
    AddEntry(u"Dropped", u"modem", u"", 0, 1);
    ASSERT_TRUE(plat::ras::DropConnection(u"Dropped"));
    EXPECT_EQ(discon_RAS(c.mode, c.name), static_cast<int>(c.hungUp.size())) << c.mode;
    EXPECT_EQ(plat::ras::HangUpLog(), c.hungUp) << "mode " << c.mode;
    EXPECT_EQ(get_cur_RAS_count(), 3 - static_cast<int>(c.hungUp.size()));
  }
  EXPECT_NE(ReadHost("run/events.log").find("ras.hangup"), std::string::npos);
}

TEST_F(RasTest, DroppedLinkIsReportedToTheDiallingWindow) {
  AddEntry(u"Mobile", u"modem");
  ASSERT_EQ(start_RAS(u"Mobile", nullptr, wnd_, nullptr, nullptr), 0);
  WaitEvents(7);
  ASSERT_TRUE(plat::ras::DropConnection(u"Mobile"));
  auto events = WaitEvents(8);
  ASSERT_EQ(events.size(), 8u);
  EXPECT_EQ(events.back(), (Event{RASCS_Disconnected, 0}));
  EXPECT_EQ(get_RAS_state_name(u"Mobile"), RASCS_Disconnected);
  EXPECT_EQ(discon_RAS(RAS_DISCON_DROPPED, nullptr), 1);
  EXPECT_EQ(get_cur_RAS_count(), 0);
  EXPECT_FALSE(plat::ras::DropConnection(u"Mobile"));
}

TEST_F(RasTest, HangUpDuringADialStopsItsEvents) {
  AddEntry(u"Slow", u"modem", u"", 0, 0, u"0 1@5000 8192");
  HRASCONN h = 0;
  ASSERT_EQ(start_RAS(u"Slow", nullptr, wnd_, &h, nullptr), 0);
  WaitEvents(1);
  EXPECT_EQ(RasHangUp(h), 0u);  // returns at once although a 5-second step is pending
  plat::win::PumpMessages();
  EXPECT_EQ(Events(), (std::vector<Event>{{0, 0}}));
  EXPECT_EQ(RasHangUp(h), static_cast<DWORD>(ERROR_INVALID_HANDLE));

  // A link that drops while the dial is still going on ends the dial: only the drop follows.
  Events().clear();
  ASSERT_EQ(start_RAS(u"Slow", nullptr, wnd_, &h, nullptr), 0);
  WaitEvents(1);
  ASSERT_TRUE(plat::ras::DropConnection(u"Slow"));
  WaitEvents(2);
  EXPECT_EQ(Events(), (std::vector<Event>{{0, 0}, {RASCS_Disconnected, 0}}));
  EXPECT_EQ(get_RAS_state_handle(h), RASCS_Disconnected);
  EXPECT_EQ(discon_RAS(RAS_DISCON_DROPPED, nullptr), 1);
}

TEST_F(RasTest, PrintEntryWritesTheEntryFields) {
  AddEntry(u"Mobile", u"modem", u"secret", 1);
  RASENTRY props;
  ASSERT_EQ(get_entry_properity_by_name(u"Mobile", &props), 0);
  print_entry("ras.txt", u"Mobile", &props);
  print_entry("ras.txt", nullptr, &props);
  std::string log = ReadHost("ras.txt");
  EXPECT_NE(log.find("print_entry(264) | entry_NAME         [Mobile]\r\nszLocalPhoneNumber [1501]\r\n"),
            std::string::npos)
      << log;
  EXPECT_NE(log.find("szDeviceType       [modem]\r\nszDeviceName       [Hayes Compatible on COM1:]"),
            std::string::npos);
  EXPECT_NE(log.find("entry_NAME         [NULL]"), std::string::npos);
  EXPECT_EQ(log.find("secret"), std::string::npos);
}

// ---- V_Ras_Check ----------------------------------------------------------------------------

struct Seen {
  std::atomic<int> calls{0};
  std::atomic<int> lastState{-1};
  HANDLE firstReport = CreateEvent(nullptr, TRUE, FALSE, nullptr);
  ~Seen() { CloseHandle(firstReport); }
};

void OnState(void* user, const RASCONN*, int state, DWORD) {
  auto* s = static_cast<Seen*>(user);
  s->lastState = state;
  ++s->calls;
  SetEvent(s->firstReport);
}

TEST_F(RasTest, CheckReportsTheFirstStateOnceThenOnlyChanges) {
  AddEntry(u"Mobile", u"modem", u"", 0, 1);
  RASCONN con;
  ASSERT_EQ(get_RAS_to_name(u"Mobile", &con), 0);
  Seen seen;
  {
    V_Ras_Check check(OnState, &seen, wnd_, 5);
    EXPECT_EQ(check.set_ras_con(nullptr), -1);
    ASSERT_EQ(check.set_ras_con(&con), 0);
    ASSERT_EQ(check.start(), 0);
    ASSERT_TRUE(plat::win::PumpUntil([&] { return Events().size() == 1; }));
    // Several polls with the same state report nothing more: once a poll has begun after three
    // more, those three have done whatever they were going to do.
    const uint64_t polled = plat::ras::StatusReads(u"Mobile");
    ASSERT_TRUE(plat::win::PumpUntil([&] { return plat::ras::StatusReads(u"Mobile") >= polled + 4; }));
    EXPECT_EQ(seen.calls.load(), 1);
    plat::ras::DropConnection(u"Mobile");  // the drop is posted to no window: this entry was not dialled here
    ASSERT_TRUE(plat::win::PumpUntil([&] { return Events().size() == 2; }));
    EXPECT_EQ(seen.calls.load(), 2);
    EXPECT_EQ(seen.lastState.load(), RASCS_Disconnected);
  }
  EXPECT_EQ(Events(), (std::vector<Event>{{RASCS_Connected, 0}, {RASCS_Disconnected, 0}}));
}

TEST_F(RasTest, CheckDestroyedWhileItsThreadSendsToThisThreadEnds) {
  AddEntry(u"Mobile", u"modem", u"", 0, 1);
  RASCONN con;
  ASSERT_EQ(get_RAS_to_name(u"Mobile", &con), 0);
  Seen seen;
  auto* check = new V_Ras_Check(OnState, &seen, wnd_, 1);
  check->set_ras_con(&con);
  ASSERT_EQ(check->start(), 0);
  // The callback runs just before the blocking send to our window; we do not handle messages.
  ASSERT_EQ(WaitForSingleObject(seen.firstReport, 3000), WAIT_OBJECT_0);
  delete check;  // must not wait forever for a thread blocked on this thread's window
  EXPECT_EQ(Events(), (std::vector<Event>{{RASCS_Connected, 0}}));
}

TEST_F(RasTest, CheckWithAnInfiniteIntervalEndsAtOnce) {
  V_Ras_Check check(nullptr, nullptr, 0, INFINITE);
  ASSERT_EQ(check.start(), 0);
  EXPECT_EQ(check.join(3000), 0u);
  DWORD code = 0;
  GetExitCodeThread(check.get_thread_handle(), &code);
  EXPECT_EQ(code, 0xFFFFFFFFu);
}

}  // namespace
