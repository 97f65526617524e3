#include "screen_host.h"

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <mutex>

#include "simserver/quiet.h"
#include "vxbase/tr_header.h"

namespace screentest {

std::string Utf8(const std::u16string& s) {
  std::string out(s.size() * 3 + 1, '\0');
  int n = WideCharToMultiByte(CP_UTF8, 0, s.c_str(), static_cast<int>(s.size()), out.data(),
                              static_cast<int>(out.size()), nullptr, nullptr);
  out.resize(n > 0 ? static_cast<size_t>(n) : 0);
  return out;
}

std::u16string Utf16(const std::string& utf8) {
  std::u16string out(utf8.size() + 1, u'\0');
  int n = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), out.data(),
                              static_cast<int>(out.size()));
  out.resize(n > 0 ? static_cast<size_t>(n) : 0);
  return out;
}

// The login screen's part on the connection: key exchange, then the login of `login`.
struct SessionState {
  EE_Encrypt* encrypt = nullptr;
  SOCKET socket = INVALID_SOCKET;
  Login login;
  std::atomic<int> state{0};  // 0 running, 1 logged in, -1 failed
  std::string failure;
};

namespace {

typedef void* (*MainDlgFn)(void*, HWND, SOCKET, CVXSocketThread*, EE_Encrypt*, CCodeManager*, BOOL, CMenuConfigFile*);

// The window procedures are plain functions: they reach the running host through these.
std::mutex g_lock;
SessionState* g_session = nullptr;
std::vector<MSG> g_owner;
std::atomic<HWND> g_screen{0};  // the screen open, whose sent messages the owner marks

bool SendKeyToken(SessionState& s) {
  unsigned char token[1024], packet[2048];
  if (s.encrypt->init("\\pelvato.der", nullptr, 0) < 0) return false;
  int n = s.encrypt->create_send_key(token, sizeof token);
  if (n < 0) return false;
  int len = s.encrypt->make_packet(packet, sizeof packet, TR_LOGIN_KEY, '4', 1, 0, 1, 1, 0, 0, token, n);
  return len > 0 && send(s.socket, reinterpret_cast<const char*>(packet), len, 0) == len;
}

LRESULT CALLBACK SessionProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  SessionState* s;
  {
    std::lock_guard<std::mutex> l(g_lock);
    s = g_session;
  }
  if (msg != WM_VX_PACKET || !s) return msg >= WM_USER ? 0 : DefWindowProc(hwnd, msg, wParam, lParam);
  static unsigned char out[8192];
  uint16_t code = 0;
  const char* err = nullptr;
  const auto* packet = reinterpret_cast<const unsigned char*>(wParam);
  int len = s->encrypt->analy_recv_packet(packet, 0, out, sizeof out, &code, &err);
  if (len < 0 || packet[11] != '0' || packet[12] != '0') {
    s->failure = "reply " + std::to_string(code) + " refused";
    s->state = -1;
    return 0;
  }
  if (code == TR_LOGIN_KEY) {
    int r = s->encrypt->analy_recv_key(out, len);
    if (r == EE_RESEND_KEY) {
      if (!SendKeyToken(*s)) s->state = -1;
    } else if (r == EE_OK) {
      // User id and password, 10 bytes each, zero-filled.
      unsigned char body[20] = {};
      std::memcpy(body, s->login.user.data(), std::min<size_t>(s->login.user.size(), 10));
      std::memcpy(body + 10, s->login.password.data(), std::min<size_t>(s->login.password.size(), 10));
      unsigned char p2[512];
      int n = s->encrypt->make_packet(p2, sizeof p2, TR_LOGIN, '4', 1, 0, 1, 1, 0, 1, body, sizeof body);
      if (n < 0 || send(s->socket, reinterpret_cast<const char*>(p2), n, 0) != n) s->state = -1;
    } else {
      s->failure = "key exchange " + std::to_string(r);
      s->state = -1;
    }
  } else if (code == TR_LOGIN) {
    s->state = 1;
  }
  return 0;
}

LRESULT CALLBACK OwnerProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  // WM_CLOSE, which a screen sends to end the program, is recorded; the owner stays.
  if (msg >= WM_USER || msg == WM_CLOSE) {
    std::lock_guard<std::mutex> l(g_lock);
    // `time` tells a message sent from the screen's own code (1: the screen waits for it) from
    // one posted (0), which reaches the owner after the screen's handler has returned.
    HWND screen = g_screen.load();
    bool sent = screen && plat::win::WindowCodeRunning(screen);
    g_owner.push_back(MSG{hwnd, msg, wParam, lParam, sent ? 1u : 0u, {}});
    return 0;
  }
  return DefWindowProc(hwnd, msg, wParam, lParam);
}

}  // namespace

ScreenHost::ScreenHost() : session_(std::make_unique<SessionState>()) {}
ScreenHost::~ScreenHost() = default;

void ScreenHost::StartHost() {
  port = server.start(0);
  ASSERT_GT(port, 0) << server.lastError();
  char tmpl[] = "/tmp/screen_test_XXXXXX";
  ASSERT_NE(mkdtemp(tmpl), nullptr);
  root = tmpl;
  const std::string bin = root + "/Program Files/Quorvan/Bin/";
  fs::create_directories(bin);
  for (const std::string& plugin : plugins) {
    fs::path p(plugin);
    fs::copy_file(p, bin + p.stem().string() + ".dll", fs::copy_options::overwrite_existing);
  }
  plat::SetDeviceRoot(root);
  plat::win::ResetForTests();
  CVXDlg::csLastItemCode.Empty();
  {
    std::lock_guard<std::mutex> l(g_lock);
    g_owner.clear();
  }
  {
    CPropCE reg;
    ASSERT_TRUE(reg.SetBaseKey(HKEY_LOCAL_MACHINE, VX_REG_STOCK));
    reg.SetValue(u"Account Count", DWORD(login.accounts.size()));
    for (size_t i = 0; i < login.accounts.size(); ++i)
      reg.SetValue(Utf16(std::to_string(i)).c_str(), login.accounts[i].c_str());
  }
  plat::automation::Driver::Options o;
  o.onFailure = [](const std::string& what) { ADD_FAILURE() << what; };
  d = std::make_unique<plat::automation::Driver>(o);
  session_->encrypt = &encrypt;
  session_->login = login;
  {
    std::lock_guard<std::mutex> l(g_lock);
    g_session = session_.get();
  }
  d->Ui([&] {
    WNDCLASS wc{};
    wc.lpfnWndProc = OwnerProc;
    wc.lpszClassName = u"ScreenTestOwner";
    RegisterClass(&wc);
    WNDCLASS sc{};
    sc.lpfnWndProc = SessionProc;
    sc.lpszClassName = u"ScreenTestSession";
    RegisterClass(&sc);
    owner = CreateWindowEx(0, u"ScreenTestOwner", u"frame", WS_POPUP, 0, 0, 240, 320, 0, 0, nullptr, nullptr);
    sessionWnd = CreateWindowEx(0, u"ScreenTestSession", u"session", WS_POPUP, 0, 0, 10, 10, 0, 0, nullptr, nullptr);
    thread = new CVXSocketThread(kMainRecvProfile);
    thread->SetMainHwnd(owner);
    thread->SetHwnd(sessionWnd);
    thread->SetServer("127.0.0.1", port);
    ASSERT_TRUE(thread->Start());
  });
  ASSERT_TRUE(WaitFor([&] { return !OwnerGot(WM_VX_CONNECTED).empty(); }));
  d->Ui([&] {
    session_->socket = thread->GetSocket();
    ASSERT_TRUE(SendKeyToken(*session_));
  });
  ASSERT_TRUE(WaitFor([&] { return session_->state != 0; })) << "no login";
  ASSERT_EQ(session_->state, 1) << session_->failure;
}

void ScreenHost::StopHost() {
  if (!d) return;
  plat::win::MessageBoxInfo b;
  while (plat::win::PendingMessageBox(&b)) {
    ADD_FAILURE() << "box left open: " << Utf8(b.text);
    plat::win::AnswerMessageBox(b.buttons.front(), b.hwnd);
    d->Settle();
  }
  Close();
  d->Ui([&] {
    if (thread) {
      thread->Stop();
      delete thread;
      thread = nullptr;
    }
    DestroyWindow(sessionWnd);
    DestroyWindow(owner);
  });
  d.reset();
  {
    std::lock_guard<std::mutex> l(g_lock);
    g_session = nullptr;
  }
  server.stop();
  std::error_code ec;
  fs::remove_all(root, ec);
}

void ScreenHost::Open(const std::u16string& handheldName, EE_Encrypt* packetLayer) {
  Close();
  size_t mark = server.logSize();
  d->Ui([&] {
    module = LoadLibrary((u"\\Program Files\\Quorvan\\Bin\\" + handheldName).c_str());
    ASSERT_NE(module, nullptr) << Utf8(handheldName);
    auto mainDlg = reinterpret_cast<MainDlgFn>(GetProcAddress(module, "MainDlg"));
    end = reinterpret_cast<void (*)()>(GetProcAddress(module, "EndDlg"));
    ASSERT_TRUE(mainDlg && end);
    uint32_t record[2] = {1, 1};
    mainDlg(record, owner, thread->GetSocket(), thread, packetLayer ? packetLayer : &encrypt, &codes, autoReceive,
            &menu);
    dlg = static_cast<HWND>(record[0]);
    g_screen = dlg;
    ASSERT_NE(dlg, 0u);
    thread->SetHwnd(dlg);
    SendMessage(dlg, WM_VX_QUERY, 0, 0);
  });
  if (::testing::Test::HasFatalFailure()) return;
  ASSERT_TRUE(server.waitForRequest(baseCode, 3000, nullptr, mark));
  if (nameStatic) {
    ASSERT_TRUE(WaitFor([&] { return !Text(nameStatic).empty(); })) << "no item name" << d->Tree();
  }
}

void ScreenHost::Close() {
  d->Ui([&] {
    if (end) end();
    if (module) FreeLibrary(module);
    if (thread) thread->SetHwnd(sessionWnd);
  });
  end = nullptr;
  module = nullptr;
  dlg = 0;
  g_screen = 0;
}

void ScreenHost::AddPlugin(const char* pluginFile, const char16_t* handheldName) {
  fs::copy_file(pluginFile, root + "/Program Files/Quorvan/Bin/" + Utf8(handheldName),
                fs::copy_options::overwrite_existing);
}

void ScreenHost::Settled() {
  // A keep-alive probe behind whatever the screen sent; once the server has logged it, every
  // earlier request has been handled and answered. Then the receive thread's count of packets
  // handed over (each once the screen's handler returned) reaches the server's count of packets
  // sent: an empty socket alone does not say that the last reply read has been handed over.
  EXPECT_TRUE(simsrv::WaitQuiet(server, *d, *thread)) << "the screen and the server did not come to rest";
}

bool ScreenHost::NoneSince(uint16_t code, size_t mark) {
  Settled();
  return server.requests(code, mark).empty();
}

Bytes ScreenHost::RequestSince(uint16_t code, size_t mark) {
  simsrv::LogEntry e;
  if (!server.waitForRequest(code, 3000, &e, mark)) return {};
  return e.plain;
}

Bytes ScreenHost::PacketSince(uint16_t code, size_t mark) {
  simsrv::LogEntry e;
  if (!server.waitForRequest(code, 3000, &e, mark)) return {};
  return WholePacket(e);
}

Bytes ScreenHost::TapAndCapture(int button, uint16_t code) {
  size_t mark = server.logSize();
  if (!d->Tap(button)) return {};
  return RequestSince(code, mark);
}

std::vector<MSG> ScreenHost::OwnerGot(UINT message) {
  std::lock_guard<std::mutex> l(g_lock);
  std::vector<MSG> out;
  for (const MSG& m : g_owner)
    if (m.message == message) out.push_back(m);
  return out;
}

void ScreenHost::ClearOwnerLog() {
  std::lock_guard<std::mutex> l(g_lock);
  g_owner.clear();
}

std::vector<WPARAM> ScreenHost::OpenRequests() {
  std::vector<WPARAM> out;
  for (const MSG& m : OwnerGot(WM_VX_OPEN_SCREEN)) out.push_back(m.wParam);
  return out;
}

bool ScreenHost::Enabled(int id) {
  bool on = false;
  d->Ui([&] { on = IsWindowEnabled(GetDlgItem(dlg, id)) != FALSE; });
  return on;
}

bool ScreenHost::Checked(int id) {
  bool on = false;
  d->Ui([&] { on = SendMessage(GetDlgItem(dlg, id), BM_GETCHECK, 0, 0) == BST_CHECKED; });
  return on;
}

int ScreenHost::Focus() {
  int id = 0;
  d->Ui([&] {
    HWND f = GetFocus();
    while (f && GetParent(f) && GetParent(f) != dlg) f = GetParent(f);
    id = GetDlgCtrlID(f);
  });
  return id;
}

void ScreenHost::SetText(int id, const std::string& utf8) {
  std::u16string t = Utf16(utf8);
  d->Ui([&] { SetDlgItemText(dlg, id, t.c_str()); });
}

void ScreenHost::TypeInto(int id, const std::string& text) {
  SetText(id, "");
  if (!text.empty()) {
    ASSERT_TRUE(d->Type(id, text));
  }
}

GridRows ScreenHost::Grid(int id) { return Grid(id, 0); }

GridRows ScreenHost::Grid(int id, int nth) {
  std::u16string text;
  d->Ui([&] {
    // The nth child window with the id, in creation order.
    int seen = 0;
    for (HWND w = GetWindow(dlg, GW_CHILD); w; w = GetWindow(w, GW_HWNDNEXT))
      if (GetDlgCtrlID(w) == id && seen++ == nth) {
        SendMessage(w, WM_PLAT_INSPECT, reinterpret_cast<WPARAM>(&text), 0);
        break;
      }
  });
  GridRows rows;
  std::string all = Utf8(text);
  size_t at = 0;
  while (at < all.size()) {
    size_t eol = all.find('\n', at);
    if (eol == std::string::npos) eol = all.size();
    std::string line = all.substr(at, eol - at);
    at = eol + 1;
    if (line.rfind("row ", 0) != 0) continue;
    // Fields split on unescaped tabs, a cell's parts (text, colours) on unescaped '|'.
    std::vector<std::vector<std::string>> fields(1, std::vector<std::string>(1));
    for (size_t i = 0; i < line.size(); ++i) {
      char c = line[i];
      if (c == '\\' && i + 1 < line.size()) {
        char e = line[++i];
        fields.back().back() += e == 't' ? '\t' : e == 'n' ? '\n' : e == 'r' ? '\r' : e;
      } else if (c == '\t') {
        fields.emplace_back(1);
      } else if (c == '|') {
        fields.back().emplace_back();
      } else {
        fields.back().back() += c;
      }
    }
    std::vector<Cell> cells;
    for (size_t f = 1; f < fields.size(); ++f) {
      Cell cell;
      cell.text = fields[f][0];
      if (fields[f].size() > 1) cell.fg = fields[f][1];
      if (fields[f].size() > 2) cell.bg = fields[f][2];
      cells.push_back(cell);
    }
    rows.push_back(cells);
  }
  return rows;
}

std::vector<std::string> ScreenHost::Column(int id, size_t column) {
  std::vector<std::string> out;
  for (const auto& row : Grid(id)) out.push_back(column < row.size() ? row[column].text : "<none>");
  return out;
}

void ScreenHost::ExpectBox(const std::string& text, int answer, const char* caption) {
  plat::win::MessageBoxInfo b;
  ASSERT_TRUE(WaitFor([&] { return plat::win::PendingMessageBox(&b); })) << "no box: " << text;
  EXPECT_EQ(Utf8(b.text), text);
  if (caption) {
    EXPECT_EQ(Utf8(b.caption), caption);
  }
  plat::win::AnswerMessageBox(answer, b.hwnd);
  d->Settle();
}

std::string ScreenHost::TakeBox(int answer, std::string* caption) {
  plat::win::MessageBoxInfo b;
  if (!WaitFor([&] { return plat::win::PendingMessageBox(&b); })) return {};
  if (caption) *caption = Utf8(b.caption);
  plat::win::AnswerMessageBox(answer, b.hwnd);
  d->Settle();
  return Utf8(b.text);
}

bool ScreenHost::NoBox() {
  Settled();
  return !plat::win::PendingMessageBox(nullptr);
}

std::string ScreenHost::Place(const std::string& account, const std::string& code, bool buy, char type, int64_t qty,
                              int64_t price, bool ecn) {
  simsrv::OrderResult r =
      server.withMarket([&](simsrv::Market& m) { return m.PlaceOrder(account, code, buy, ecn, type, qty, price); });
  EXPECT_TRUE(r.ok) << r.message;
  return r.number;
}

std::vector<simsrv::Order> ScreenHost::Orders() {
  return server.withMarket([](simsrv::Market& m) { return m.Orders(); });
}

simsrv::Order ScreenHost::OrderNo(const std::string& number) {
  for (const simsrv::Order& o : Orders())
    if (o.number == number) return o;
  ADD_FAILURE() << "no order " << number;
  return {};
}

std::string ScreenHost::HostFile(const char* devicePath) {
  std::string host;
  EXPECT_TRUE(plat::HostPath(std::string_view(devicePath), host));
  return host;
}

Bytes ScreenHost::ReadHost(const std::string& host) {
  std::ifstream f(host, std::ios::binary);
  return Bytes((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
}

void ScreenHost::WriteHost(const std::string& relative, const std::string& data) {
  fs::path p = fs::path(root) / relative;
  fs::create_directories(p.parent_path());
  std::ofstream(p, std::ios::binary) << data;
}

void ScreenHost::StoreFutOptAccounts(const std::vector<std::u16string>& accounts) {
  CPropCE reg;
  ASSERT_TRUE(reg.SetBaseKey(HKEY_LOCAL_MACHINE, VX_REG_FUTOPT));
  reg.SetValue(u"Account Count", DWORD(accounts.size()));
  for (size_t i = 0; i < accounts.size(); ++i) reg.SetValue(Utf16(std::to_string(i)).c_str(), accounts[i].c_str());
}

void ScreenHost::StoreFutOptItem(const FutOptPick& pick) {
  CPropCE reg;
  ASSERT_TRUE(reg.SetBaseKey(HKEY_LOCAL_MACHINE, VX_REG_ROOT));
  const std::pair<const char16_t*, const char16_t*> values[] = {{u"FOSet_Flag", pick.flag},
                                                                {u"FItemCD", pick.futuresCode},
                                                                {u"FItemName", pick.futuresName},
                                                                {u"OItemCD", pick.optionCode},
                                                                {u"OItemName", pick.optionName}};
  for (const auto& [name, value] : values) {
    if (value)
      reg.SetValue(name, value);
    else
      reg.DeleteValue(name);
  }
}

}  // namespace screentest
