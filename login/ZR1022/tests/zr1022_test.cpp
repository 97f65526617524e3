// The connection settings screen hosted as the screen host hosts it (MainDlg from the device's
// program folder, an owner window standing for the main program's frame) and driven as a user
// drives it: what it shows from the registry and the phone book, and what it saves.
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "plat/automation.h"
#include "plat/windows.h"
#include "vxbase/messages.h"
#include "vxbase/prop_ce.h"

namespace fs = std::filesystem;

namespace {

constexpr int kEntry = 1007, kCarrier = 1008, kDirect = 1011, kDialUp = 1012;
const char16_t kSettings[] = u"Software\\Quorvan\\Zelvix";

typedef void* (*MainDlgFn)(void*, HWND, SOCKET, void*, void*, void*, BOOL, void*);
typedef void (*EndDlgFn)();

std::mutex g_lock;
std::vector<MSG> g_owner;

LRESULT OwnerProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg >= WM_USER) {
    std::lock_guard<std::mutex> l(g_lock);
    g_owner.push_back(MSG{hwnd, msg, wParam, lParam, 0, {}});
    return 0;
  }
  return DefWindowProc(hwnd, msg, wParam, lParam);
}

std::string Utf8(const std::u16string& s) {
  if (s.empty()) return {};
  int n = WideCharToMultiByte(CP_UTF8, 0, s.data(), static_cast<int>(s.size()), nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<size_t>(n), '\0');
  WideCharToMultiByte(CP_UTF8, 0, s.data(), static_cast<int>(s.size()), out.data(), n, nullptr, nullptr);
  return out;
}

struct Stored {
  const char16_t* method;  // nullptr: no value
  const char16_t* profile;
  const char16_t* carrier;
};

class SettingsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char tmpl[] = "/tmp/zr1022_test_XXXXXX";
    ASSERT_NE(mkdtemp(tmpl), nullptr);
    root = tmpl;
    fs::create_directories(root + "/Program Files/Quorvan/Bin");
    fs::copy_file(ZR1022_PLUGIN, root + "/Program Files/Quorvan/Bin/ZR1022.dll");
    plat::SetDeviceRoot(root);
    plat::win::ResetForTests();
    {
      std::lock_guard<std::mutex> l(g_lock);
      g_owner.clear();
    }
    plat::automation::Driver::Options o;
    o.onFailure = [](const std::string& what) { ADD_FAILURE() << what; };
    d = std::make_unique<plat::automation::Driver>(o);
  }
  void TearDown() override {
    d->Ui([&] {
      if (end) end();
      if (module) FreeLibrary(module);
      if (owner) DestroyWindow(owner);
    });
    d.reset();
    std::error_code ec;
    fs::remove_all(root, ec);
  }

  void PhoneBook(const std::vector<const char16_t*>& names) {
    for (const char16_t* n : names) {
      CPropCE reg;
      ASSERT_TRUE(reg.SetBaseKey(HKEY_CURRENT_USER, (std::u16string(u"Comm\\RasBook\\") + n).c_str()));
      reg.SetValue(u"DeviceType", u"modem");
    }
  }
  void Store(const Stored& s) {
    CPropCE reg;
    ASSERT_TRUE(reg.SetBaseKey(HKEY_LOCAL_MACHINE, kSettings));
    if (s.method) reg.SetValue(u"Connect Method", s.method);
    if (s.profile) reg.SetValue(u"Profile Name", s.profile);
    if (s.carrier) reg.SetValue(u"Mobile Name", s.carrier);
  }
  std::string Setting(const char16_t* name) {
    CPropCE reg;
    if (!reg.SetBaseKey(HKEY_LOCAL_MACHINE, kSettings, TRUE) || !reg.IsExistValue(name)) return "(none)";
    return Utf8(CString(reg.GetValue(name)).str());
  }

  void Open() {
    d->Ui([&] {
      WNDCLASS wc{};
      wc.lpfnWndProc = OwnerProc;
      wc.lpszClassName = u"ZR1022Owner";
      RegisterClass(&wc);
      owner = CreateWindowEx(0, u"ZR1022Owner", u"frame", WS_POPUP, 0, 0, 240, 320, 0, 0, nullptr, nullptr);
      module = LoadLibrary(u"ZR1022.dll");
      ASSERT_NE(module, nullptr);
      auto mainDlg = reinterpret_cast<MainDlgFn>(GetProcAddress(module, "MainDlg"));
      end = reinterpret_cast<EndDlgFn>(GetProcAddress(module, "EndDlg"));
      ASSERT_TRUE(mainDlg && end);
      uint32_t record[2] = {1, 1};
      void* r = mainDlg(record, owner, 77, nullptr, nullptr, nullptr, FALSE, nullptr);
      EXPECT_EQ(r, static_cast<void*>(record));
      EXPECT_EQ(record[1], 0u);
      dlg = static_cast<HWND>(record[0]);
      EXPECT_TRUE(IsWindow(dlg));
    });
  }

  // The tree line of a control and its item lines.
  std::vector<std::string> Tree(int id) {
    auto r = d->Do("tree " + std::to_string(id));
    EXPECT_TRUE(r.ok) << r.error;
    return r.lines;
  }
  std::vector<std::string> Items(int id) {
    std::vector<std::string> items;
    for (const std::string& line : Tree(id)) {
      size_t q = line.find("item ");
      if (q == std::string::npos || line.find("rect=") != std::string::npos) continue;
      size_t a = line.find('"'), b = line.rfind('"');
      items.push_back(line.substr(a + 1, b - a - 1));
    }
    return items;
  }
  bool Enabled(int id) { return Tree(id).front().find(" enabled") != std::string::npos; }
  bool Checked(int id) { return Tree(id).front().find("checked=1") != std::string::npos; }
  std::string Text(int id) { return Utf8(d->Text(id)); }
  std::vector<WPARAM> ScreensAsked() {
    std::lock_guard<std::mutex> l(g_lock);
    std::vector<WPARAM> out;
    for (const MSG& m : g_owner)
      if (m.message == WM_VX_OPEN_SCREEN) out.push_back(m.wParam);
    return out;
  }

  std::string root;
  std::unique_ptr<plat::automation::Driver> d;
  HWND owner = 0;
  HWND dlg = 0;
  HMODULE module = nullptr;
  EndDlgFn end = nullptr;
};

using Names = std::vector<std::string>;

TEST_F(SettingsTest, FirstStartWritesDefaultsAndOffersTheDialUpEntries) {
  PhoneBook({u"Alpha", u"Beta USB", u"Gam`ma", u"Modem usb", u"USB", u"Zeta"});
  Open();
  EXPECT_EQ(Setting(u"Connect Method"), "Telephone");
  EXPECT_EQ(Setting(u"Profile Name"), "");
  EXPECT_EQ(Setting(u"Mobile Name"), "");
  EXPECT_TRUE(Checked(kDialUp));
  EXPECT_FALSE(Checked(kDirect));
  EXPECT_TRUE(Enabled(kEntry));
  EXPECT_TRUE(Enabled(kCarrier));
  // Names holding "USB" or a backquote are left out.
  EXPECT_EQ(Items(kEntry), (Names{"선택하세요", "Alpha", "Modem usb", "Zeta"}));
  EXPECT_EQ(Text(kEntry), "선택하세요");
  EXPECT_EQ(Items(kCarrier), (Names{"SKT", "KTF", "LGT"}));
  EXPECT_EQ(Text(kCarrier), "SKT");
}

TEST_F(SettingsTest, StoredChoicesAreShown) {
  struct Case {
    const char* name;
    Stored stored;
    bool direct;
    const char* entry;
    const char* carrier;
  } cases[] = {
      {"dial-up", {u"Telephone", u"Zeta", u"LGT"}, false, "Zeta", "LGT"},
      {"direct", {u"Internet", u"Alpha", u"KTF"}, true, "Alpha", "KTF"},
      // The entry that equals the stored name wins over one that only begins with it.
      {"exact before prefix", {u"Telephone", u"KTF Dial", u"SKT"}, false, "KTF Dial", "SKT"},
      {"prefix", {u"Telephone", u"Zet", u"KT"}, false, "Zeta", "KTF"},
      {"unknown", {u"Telephone", u"Gone", u"XYZ"}, false, "선택하세요", "SKT"},
      {"any other method is direct", {u"LAN", u"", u""}, true, "선택하세요", "SKT"},
  };
  PhoneBook({u"Alpha", u"KTF Dial Fast", u"KTF Dial", u"Zeta"});
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Store(c.stored);
    Open();
    EXPECT_EQ(Checked(kDirect), c.direct);
    EXPECT_EQ(Checked(kDialUp), !c.direct);
    EXPECT_EQ(Enabled(kEntry), !c.direct);
    EXPECT_EQ(Enabled(kCarrier), !c.direct);
    EXPECT_EQ(Text(kEntry), c.entry);
    EXPECT_EQ(Text(kCarrier), c.carrier);
    d->Ui([&] {
      end();
      FreeLibrary(module);
      module = nullptr;
      end = nullptr;
      DestroyWindow(owner);
      owner = 0;
    });
  }
}

TEST_F(SettingsTest, SaveStoresTheChoiceAndReturnsToTheLogin) {
  struct Case {
    const char* name;
    int radio;
    int entryIndex;
    int carrierIndex;
    const char* method;
    const char* profile;
    const char* carrier;
  } cases[] = {
      {"dial-up entry", kDialUp, 2, 1, "Telephone", "Zeta", "KTF"},
      {"no entry chosen", kDialUp, 0, 2, "Telephone", "", "LGT"},
      // The direct radio still keeps the combos' selections (chosen before it disabled them).
      {"direct", kDirect, 1, 2, "Internet", "Alpha", "LGT"},
  };
  PhoneBook({u"Alpha", u"Zeta"});
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Store({u"Telephone", u"", u""});
    {
      std::lock_guard<std::mutex> l(g_lock);
      g_owner.clear();
    }
    Open();
    ASSERT_TRUE(d->Pick(kEntry, c.entryIndex));
    ASSERT_TRUE(d->Pick(kCarrier, c.carrierIndex));
    ASSERT_TRUE(d->Tap(c.radio));
    EXPECT_EQ(Enabled(kEntry), c.radio == kDialUp);
    ASSERT_TRUE(d->Tap(IDOK));
    EXPECT_EQ(Setting(u"Connect Method"), c.method);
    EXPECT_EQ(Setting(u"Profile Name"), c.profile);
    EXPECT_EQ(Setting(u"Mobile Name"), c.carrier);
    EXPECT_EQ(ScreensAsked(), (std::vector<WPARAM>{90101}));
    d->Ui([&] {
      end();
      FreeLibrary(module);
      module = nullptr;
      end = nullptr;
      DestroyWindow(owner);
      owner = 0;
    });
  }
}

TEST_F(SettingsTest, CancelReturnsToTheLoginWithoutWriting) {
  PhoneBook({u"Alpha", u"Zeta"});
  Store({u"Telephone", u"Alpha", u"KTF"});
  Open();
  ASSERT_TRUE(d->Tap(kDirect));
  EXPECT_FALSE(Enabled(kEntry));
  EXPECT_FALSE(Enabled(kCarrier));
  ASSERT_TRUE(d->Tap(kDialUp));
  EXPECT_TRUE(Enabled(kEntry));
  ASSERT_TRUE(d->Pick(kEntry, 2));
  ASSERT_TRUE(d->Tap(kDirect));
  ASSERT_TRUE(d->Tap(IDCANCEL));
  EXPECT_EQ(Setting(u"Connect Method"), "Telephone");
  EXPECT_EQ(Setting(u"Profile Name"), "Alpha");
  EXPECT_EQ(Setting(u"Mobile Name"), "KTF");
  EXPECT_EQ(ScreensAsked(), (std::vector<WPARAM>{90101}));
}

}  // namespace
