// The stock and ECN finders run from a screen plug-in on the skeleton, hosted as the main program
// hosts screens with a receive thread connected to the simulated trading server: the item picked
// in the finder becomes the screen's item, goes out as its base-quote request and the reply's
// name shows on the screen.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <memory>
#include <mutex>
#include <thread>

#include "devicedata/sample_device.h"
#include "plat/automation.h"
#include "plat/windows.h"
#include "simserver/server.h"
#include "vxbase/code_manager.h"
#include "vxbase/ee_encrypt.h"
#include "vxbase/menu_config.h"
#include "vxbase/messages.h"
#include "vxbase/vx_dlg.h"
#include "vxshell/vx_socket_thread.h"

namespace fs = std::filesystem;

namespace {

constexpr int kEcnFinder = 9905, kName = 1020;

typedef void* (*MainDlgFn)(void*, HWND, SOCKET, CVXSocketThread*, EE_Encrypt*, CCodeManager*, BOOL, CMenuConfigFile*);
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

class FinderScreenTest : public ::testing::Test {
 protected:
  void SetUp() override {
    port = server.start(0);
    ASSERT_GT(port, 0) << server.lastError();
    char tmpl[] = "/tmp/finder_screen_XXXXXX";
    ASSERT_NE(mkdtemp(tmpl), nullptr);
    root = tmpl;
    std::string err;
    ASSERT_TRUE(devicedata::CopyTo(root, devicedata::Options{}, err)) << err;
    const std::string bin = root + "/Program Files/Quorvan/Bin/";
    fs::copy_file(FINDER_SCREEN, bin + "FinderScreen.dll");
    fs::copy_file(FINDER_STOCK, bin + "VXScoutlet.dll");
    fs::copy_file(FINDER_ECN, bin + "EcnScoutlet.dll");
    plat::SetDeviceRoot(root);
    plat::win::ResetForTests();
    CVXDlg::csLastItemCode.Empty();
    {
      std::lock_guard<std::mutex> l(g_lock);
      g_owner.clear();
    }
    plat::automation::Driver::Options o;
    o.onFailure = [](const std::string& what) { ADD_FAILURE() << what; };
    d = std::make_unique<plat::automation::Driver>(o);
    d->Ui([&] {
      codes.ReadStockCode();
      WNDCLASS wc{};
      wc.lpfnWndProc = OwnerProc;
      wc.lpszClassName = u"FinderOwner";
      RegisterClass(&wc);
      owner = CreateWindowEx(0, u"FinderOwner", u"frame", WS_POPUP, 0, 0, 240, 320, 0, 0, nullptr, nullptr);
      thread = new CVXSocketThread(kMainRecvProfile);
      thread->SetMainHwnd(owner);
      thread->SetServer("127.0.0.1", port);
      ASSERT_TRUE(thread->Start());
    });
    ASSERT_TRUE(WaitFor([&] { return Connected(); }));
  }
  void TearDown() override {
    // A finder left open by a failed check is cancelled before its screen goes.
    if (d->Do("tree 1000").ok) d->Do("tap 2");
    d->Ui([&] {
      if (end) end();
      if (module) FreeLibrary(module);
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

  bool Connected() {
    std::lock_guard<std::mutex> l(g_lock);
    return std::any_of(g_owner.begin(), g_owner.end(), [](const MSG& m) { return m.message == WM_VX_CONNECTED; });
  }
  template <typename F>
  bool WaitFor(F cond, int ms = 5000) {
    return d->Until(cond, ms);
  }

  void Open() {
    d->Ui([&] {
      module = LoadLibrary(u"FinderScreen.dll");
      ASSERT_NE(module, nullptr);
      auto mainDlg = reinterpret_cast<MainDlgFn>(GetProcAddress(module, "MainDlg"));
      end = reinterpret_cast<EndDlgFn>(GetProcAddress(module, "EndDlg"));
      ASSERT_TRUE(mainDlg && end);
      uint32_t record[2] = {0, 0};
      mainDlg(record, owner, thread->GetSocket(), thread, &encrypt, &codes, FALSE, &menu);
      HWND dlg = static_cast<HWND>(record[0]);
      thread->SetHwnd(dlg);
      SendMessage(dlg, WM_VX_QUERY, 0, 0);
    });
    ASSERT_TRUE(WaitFor([&] { return Text(kName) == "삼성전자"; })) << Text(kName);
  }

  // The row of list view 1000 whose name column is `name`; -1 when none.
  int RowNamed(const std::string& name) {
    auto r = d->Do("tree 1000");
    EXPECT_TRUE(r.ok) << r.error;
    for (const std::string& line : r.lines) {
      int row = -1;
      if (line.find("\"" + name + "\"") != std::string::npos && std::sscanf(line.c_str(), " row %d", &row) == 1)
        return row;
    }
    return -1;
  }
  std::string Text(int id) { return Utf8(d->Text(id)); }

  // Picks 00660 from the finder of `button` (the "하" group of the first market) and checks the
  // request and the screen.
  void PickAndExpectQuote(int button) {
    size_t mark = server.logSize();
    ASSERT_TRUE(d->Tap(button));
    ASSERT_TRUE(d->Tap(9325));  // "하"
    int row = RowNamed("하이닉스");
    ASSERT_GE(row, 0);
    ASSERT_TRUE(d->Pick(1000, row));
    EXPECT_EQ(Text(1003), "00660");
    ASSERT_TRUE(d->Tap(1001));
    EXPECT_FALSE(d->Do("tree 1000").ok);  // the finder is gone
    EXPECT_EQ(Text(IDC_ITEM_COMBO), "00660");
    simsrv::LogEntry e;
    ASSERT_TRUE(server.waitForRequest(4101, 3000, &e, mark));
    const uint8_t header[15] = {0, 0, 0, 21, 0x10, 0x05, '4', 0, 0, 0, 0, 0, 0, 0, 0};
    ASSERT_EQ(e.header.size(), 15u);
    EXPECT_TRUE(std::equal(e.header.begin(), e.header.end(), header));
    EXPECT_EQ(std::string(e.body.begin(), e.body.end()), "000660");
    ASSERT_TRUE(WaitFor([&] { return Text(kName) == "SK하이닉스"; })) << Text(kName);
    EXPECT_EQ(server.requests(4101, mark).size(), 1u);
  }

  simsrv::TradingServer server;
  int port = 0;
  std::string root;
  CCodeManager codes;
  CMenuConfigFile menu;
  EE_Encrypt encrypt;
  std::unique_ptr<plat::automation::Driver> d;
  HWND owner = 0;
  CVXSocketThread* thread = nullptr;
  HMODULE module = nullptr;
  EndDlgFn end = nullptr;
};

TEST_F(FinderScreenTest, StockFinderPickIsQuotedAndShown) {
  Open();
  PickAndExpectQuote(IDC_BTN_FINDER);
}

TEST_F(FinderScreenTest, EcnFinderPickIsQuotedAndShown) {
  Open();
  PickAndExpectQuote(kEcnFinder);
}

TEST_F(FinderScreenTest, CancelledFinderSendsNothing) {
  Open();
  size_t mark = server.logSize();
  ASSERT_TRUE(d->Tap(IDC_BTN_FINDER));
  ASSERT_TRUE(d->Pick(1000, 0));
  ASSERT_TRUE(d->Tap(IDCANCEL));
  d->Settle();
  EXPECT_EQ(Text(IDC_ITEM_COMBO), "05930");
  EXPECT_TRUE(server.requests(4101, mark).empty());
  EXPECT_EQ(Text(kName), "삼성전자");
}

}  // namespace
