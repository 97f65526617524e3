#include "shell_fixture.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "devicedata/sample_device.h"
#include "larkspin/shared_table.h"
#include "plat/ras.h"
#include "vxbase/prop_ce.h"

namespace fs = std::filesystem;

namespace shelltest {

const char kTestMenu[] =
    "# test menu\r\n"
    "1000:Start:90100:VX2001.dll\r\n"
    "1000:Login:90101:VXLogin.dll\r\n"
    "1010:Other:91001:VX2002.dll\r\n"
    "1010:NoMain:91002:NoMain.dll\r\n"
    "1010:NoEnd:91003:NoEnd.dll\r\n"
    "1010:Missing:91004:Missing.dll\r\n";

std::string HostFile(const std::string& root, const std::string& devicePath) {
  std::string p = devicePath;
  for (char& c : p)
    if (c == '\\') c = '/';
  while (!p.empty() && p[0] == '/') p.erase(0, 1);
  return root + "/" + p;
}

void WriteHostFile(const std::string& path, const std::string& content) {
  fs::create_directories(fs::path(path).parent_path());
  std::ofstream f(path, std::ios::binary | std::ios::trunc);
  f << content;
}

std::string ReadHostFile(const std::string& path) {
  std::ifstream f(path, std::ios::binary);
  std::stringstream s;
  s << f.rdbuf();
  return s.str();
}

bool CopyHostFile(const std::string& from, const std::string& to) {
  std::error_code ec;
  fs::create_directories(fs::path(to).parent_path(), ec);
  return fs::copy_file(from, to, fs::copy_options::overwrite_existing, ec);
}

std::string MakeRoot(int mainPort, int versionPort) {
  char tmpl[] = "/tmp/shell_test_XXXXXX";
  char* dir = mkdtemp(tmpl);
  if (!dir) return "";
  std::string root = dir;
  devicedata::Options o;
  o.mainPort = mainPort;
  o.versionPort = versionPort;
  std::string err;
  if (!devicedata::CopyTo(root, o, err)) ADD_FAILURE() << err;
  const std::string bin = "Program Files/Quorvan/Bin/";
  WriteHostFile(HostFile(root, bin + "menu.conf"), kTestMenu);
  CopyHostFile(STANDIN_LOGIN, HostFile(root, bin + "VXLogin.dll"));
  CopyHostFile(STANDIN_START, HostFile(root, bin + "VX2001.dll"));
  CopyHostFile(STANDIN_START2, HostFile(root, bin + "VX2002.dll"));
  CopyHostFile(STANDIN_NOMAIN, HostFile(root, bin + "NoMain.dll"));
  CopyHostFile(STANDIN_NOEND, HostFile(root, bin + "NoEnd.dll"));
  return root;
}

void RemoveRoot(const std::string& root) {
  std::error_code ec;
  if (!root.empty()) fs::remove_all(root, ec);
}

std::vector<std::string> StandinLog(const std::string& root) {
  std::vector<std::string> lines;
  std::istringstream in(ReadHostFile(HostFile(root, "standin.log")));
  std::string l;
  while (std::getline(in, l)) lines.push_back(l);
  return lines;
}

int IndexOf(const std::vector<std::string>& lines, const std::string& line, int from) {
  for (int i = from; i < static_cast<int>(lines.size()); ++i)
    if (lines[i] == line || lines[i].rfind(line + " ", 0) == 0) return i;
  return -1;
}

std::string Utf8(const std::u16string& s) {
  char buf[1024];
  int n = WideCharToMultiByte(CP_UTF8, 0, s.c_str(), -1, buf, sizeof buf, nullptr, nullptr);
  return n > 0 ? std::string(buf) : std::string();
}

void SetString(const std::u16string& key, const std::u16string& name, const std::u16string& value, HKEY root) {
  CPropCE reg;
  ASSERT_TRUE(reg.SetBaseKey(root, key.c_str()));
  ASSERT_TRUE(reg.SetValue(name.c_str(), value.c_str()));
}

void SetDword(const std::u16string& key, const std::u16string& name, DWORD value, HKEY root) {
  CPropCE reg;
  ASSERT_TRUE(reg.SetBaseKey(root, key.c_str()));
  ASSERT_TRUE(reg.SetValue(name.c_str(), value));
}

bool HasValue(const std::u16string& key, const std::u16string& name, HKEY root) {
  CPropCE reg;
  return reg.SetBaseKey(root, key.c_str(), TRUE) && reg.IsExistValue(name.c_str());
}

void AddPhoneBookEntry(const std::u16string& name, const std::u16string& deviceType) {
  SetString(u"Comm\\RasBook\\" + name, u"DeviceType", deviceType, HKEY_CURRENT_USER);
  SetString(u"Comm\\RasBook\\" + name, u"PhoneNumber", u"1501", HKEY_CURRENT_USER);
}

// ---- FrameTest -------------------------------------------------------------------------------

namespace {
std::mutex g_updaterLock;
std::vector<std::string> g_updaterLog;

LRESULT UpdaterProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_VX_VERSION_CONNECT: {
      std::lock_guard<std::mutex> l(g_updaterLock);
      g_updaterLog.push_back("VERSION_CONNECT " + std::to_string(wParam) + " " + std::to_string(lParam));
      SHARED_HWND_TABLE* t = SharedTable::Map(SharedTable::kJoin);
      PostMessage(t->main_hwnd, WM_VX_VERSION_CONNECTED, 0, 0);
      return 1;
    }
    case WM_VX_VERSION_CHECK: {
      std::lock_guard<std::mutex> l(g_updaterLock);
      g_updaterLog.push_back(std::string("VERSION_CHECK visible=") + (IsWindowVisible(hwnd) ? "1" : "0"));
      return 1;
    }
    case WM_VX_SHUTDOWN: {
      std::lock_guard<std::mutex> l(g_updaterLock);
      g_updaterLog.push_back("SHUTDOWN");
      return 1;
    }
  }
  return DefWindowProc(hwnd, msg, wParam, lParam);
}
}  // namespace

void FrameTest::SetUp() {
  port = server.start(0);
  ASSERT_GT(port, 0) << server.lastError();
  root = MakeRoot(port, port + 1);
  ASSERT_FALSE(root.empty());
  plat::SetDeviceRoot(root);
  plat::win::ResetForTests();
  plat::ras::Reset();
  {
    std::lock_guard<std::mutex> l(g_updaterLock);
    g_updaterLog.clear();
  }
  SetString(VX_REG_STOCK, u"Connect Method", u"Internet");
  plat::automation::Driver::Options o;
  o.onFailure = [](const std::string& what) { ADD_FAILURE() << what; };
  o.boxTimeoutMs = 8000;
  d = std::make_unique<plat::automation::Driver>(o);
}

void FrameTest::StartFrame(bool withUpdater) {
  d->Ui([&] {
    if (withUpdater) {
      WNDCLASS wc{};
      wc.lpfnWndProc = UpdaterProc;
      wc.lpszClassName = u"TestUpdater";
      RegisterClass(&wc);
      updater = CreateWindowEx(0, u"TestUpdater", u"ZRUpdate", WS_OVERLAPPED, 0, 0, 240, 320, 0, 0, nullptr, nullptr);
      SHARED_HWND_TABLE* t = SharedTable::Map(SharedTable::kFresh);
      t->updater_mark = VX_TABLE_MARK;
      t->updater_hwnd = updater;
    } else {
      SharedTable::Map(SharedTable::kFresh);
    }
    frame = new CVXMainFrame();
    frame->SetQuitOnDestroy(false);
    frame->Create();
    hwnd = frame->GetSafeHwnd();
  });
}

void FrameTest::TearDown() {
  plat::win::MessageBoxInfo b;
  while (plat::win::PendingMessageBox(&b)) {
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
  plat::ras::Reset();
  RemoveRoot(root);
}

LRESULT FrameTest::Send(UINT msg, WPARAM wParam, LPARAM lParam) {
  LRESULT r = 0;
  d->Ui([&] { r = SendMessage(hwnd, msg, wParam, lParam); });
  return r;
}

void FrameTest::Post(UINT msg, WPARAM wParam, LPARAM lParam) {
  PostMessage(hwnd, msg, wParam, lParam);
  d->Settle();
}

bool FrameTest::WaitBox(const std::u16string& text, const std::u16string& caption) {
  plat::win::MessageBoxInfo b;
  if (!plat::win::WaitForMessageBox(&b, 5000)) {
    ADD_FAILURE() << "no box; wanted " << Utf8(text);
    return false;
  }
  EXPECT_EQ(Utf8(b.text), Utf8(text));
  if (!caption.empty()) {
    EXPECT_EQ(Utf8(b.caption), Utf8(caption));
  }
  return b.text == text && (caption.empty() || b.caption == caption);
}

int FrameTest::LogCount(const std::string& line) {
  int n = 0;
  for (const std::string& l : Log()) {
    if (l == line || l.rfind(line + " ", 0) == 0) ++n;
  }
  return n;
}

bool FrameTest::FrameAlive() {
  return OnUi<bool>([&] { return hwnd != 0 && IsWindow(hwnd) && frame->GetSafeHwnd() == hwnd; });
}

std::vector<std::string> FrameTest::UpdaterLog() {
  std::lock_guard<std::mutex> l(g_updaterLock);
  return g_updaterLog;
}

}  // namespace shelltest
