// Pushes into the home quote board. VX2001 is hosted on this thread as the main program hosts it
// (MainDlg, the receive thread pointed at its dialog, WM_VX_QUERY), against the simulated trading
// server in this process, with auto-receive on. A feeder thread pushes trade ticks (9110) of the
// board's item, each with its own price, through the server's socket.
//
//   Flood/Board:    as many pushes as the board takes; items_per_second = pushes applied AND
//                   repainted (the run ends when the last push's price is on the screen).
//   Flood/Anchor:   the same pushes to a bare window that only reads each packet's code: the
//                   receive thread's hand-over alone, the anchor of the figures above.
//   Paced/Board/1000, /10000: pushes at that rate; for each push the delay from the moment the
//                   server sends it to the end of the first repaint of the tick grid after the
//                   screen has taken it (its price is then in the strip and its row on the screen):
//                   median_us and p99_us. The delay is also split where the screen takes the
//                   push (its dialog gets WM_VX_PACKET): taken_p99_us before (the server, the
//                   connection and the receive thread), screen_p99_us after (the screen's own
//                   handling and repaint).
//   Paced/Anchor/1000, /10000: the same pushes to the bare window, to the moment it has the packet:
//                   what the connection and the receive thread alone cost on this machine. Its
//                   thread never sleeps: it looks for messages in a loop.
//   Paced/SleepingAnchor/1000, /10000: the same, but the bare window's thread waits in GetMessage
//                   between pushes as the board's does, so each push wakes two sleeping threads
//                   (the receive thread, then the window's): the part of taken_p99_us that is not
//                   the screen's.
//   Paced/WakeChain/1000, /10000: nothing of ours: the same rate of 62-byte writes on a loopback
//                   TCP connection into a thread waiting in recv, which wakes a thread waiting in
//                   poll on an eventfd. What two wake-ups in a row cost on this machine.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

#include "plat/windows.h"
#include "simserver/server.h"
#include "vxbase/code_manager.h"
#include "vxbase/ee_encrypt.h"
#include "vxbase/menu_config.h"
#include "vxbase/messages.h"
#include "vxbase/tr_header.h"
#include "vxbase/vx_dlg.h"
#include "vxshell/vx_socket_thread.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;
typedef void* (*MainDlgFn)(void*, HWND, SOCKET, CVXSocketThread*, EE_Encrypt*, CCodeManager*, BOOL, CMenuConfigFile*);
typedef void (*EndDlgFn)();

constexpr int kTickGrid = 1358;
constexpr int64_t kFirstPrice = 100000;  // push k carries the price 100,000 + k

std::vector<uint8_t> TickBody(int64_t price, int64_t accumulated) {
  auto net = [](uint8_t* p, int groups, int64_t v) {
    for (int i = groups - 1; i >= 0; --i, v /= 10000) {
      int g = static_cast<int>(v % 10000);
      p[2 * i] = static_cast<uint8_t>(g >> 8);
      p[2 * i + 1] = static_cast<uint8_t>(g);
    }
  };
  std::vector<uint8_t> b(1 + 61, 0);
  b[0] = 1;
  std::memcpy(&b[1], "005930", 6);
  net(&b[1 + 6], 2, price);
  net(&b[1 + 10], 3, accumulated);
  b[1 + 29] = '2';
  net(&b[1 + 30], 2, price - 71000);
  b[1 + 58] = 10;
  return b;
}

LRESULT CALLBACK OwnerProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg >= WM_USER) return 0;
  return DefWindowProc(hwnd, msg, wParam, lParam);
}

std::atomic<long> g_anchorHandled{0};
long g_anchorLast = -1;  // the count of pushes after which the anchor posts itself a message
std::vector<Clock::time_point>* g_anchorTimes = nullptr;  // when each push reached the anchor
LRESULT CALLBACK AnchorProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_VX_PACKET) {
    benchmark::DoNotOptimize(TrCode(*reinterpret_cast<const TR_HEADER*>(wParam)));
    long n = g_anchorHandled.fetch_add(1, std::memory_order_relaxed);
    if (g_anchorTimes && static_cast<size_t>(n) < g_anchorTimes->size())
      (*g_anchorTimes)[static_cast<size_t>(n)] = Clock::now();
    // A sent message is handled inside GetMessage, which returns only for a posted one: the last
    // push awaited posts one so that a loop waiting in GetMessage can see it is done.
    if (n + 1 == g_anchorLast) PostMessage(hwnd, WM_NULL, 0, 0);
    return 0;
  }
  return DefWindowProc(hwnd, msg, wParam, lParam);
}

// The board's dialog as the receive thread reaches it: each 9110 push is timed as the screen takes
// it, then handled by the screen's own procedure.
WNDPROC g_boardProc = nullptr;
long g_boardTaken = 0;
std::vector<Clock::time_point>* g_boardTimes = nullptr;  // when each push reached the screen
LRESULT CALLBACK BoardTakeProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_VX_PACKET && g_boardTimes && wParam && TrCode(*reinterpret_cast<const TR_HEADER*>(wParam)) == 9110) {
    if (static_cast<size_t>(g_boardTaken) < g_boardTimes->size())
      (*g_boardTimes)[static_cast<size_t>(g_boardTaken)] = Clock::now();
    ++g_boardTaken;
  }
  return CallWindowProc(g_boardProc, hwnd, msg, wParam, lParam);
}

// The board on a live connection, hosted on the calling thread.
class Host {
 public:
  Host() {
    char tmpl[] = "/tmp/quote_bench_XXXXXX";
    if (!mkdtemp(tmpl)) std::abort();
    root_ = tmpl;
    fs::create_directories(root_ + "/Program Files/Quorvan/Bin");
    fs::copy_file(VX2001_PLUGIN, root_ + "/Program Files/Quorvan/Bin/VX2001.dll");
    plat::SetDeviceRoot(root_);
    simsrv::ServerOptions o;
    server_ = std::make_unique<simsrv::TradingServer>(o);
    port_ = server_->start(0);
    if (port_ <= 0) std::abort();
    WNDCLASS wc{};
    wc.lpfnWndProc = OwnerProc;
    wc.lpszClassName = u"QuoteBenchOwner";
    RegisterClass(&wc);
    WNDCLASS ac{};
    ac.lpfnWndProc = AnchorProc;
    ac.lpszClassName = u"QuoteBenchAnchor";
    RegisterClass(&ac);
    owner_ = CreateWindowEx(0, u"QuoteBenchOwner", u"frame", WS_POPUP, 0, 0, 240, 320, 0, 0, nullptr, nullptr);
    anchor_ = CreateWindowEx(0, u"QuoteBenchAnchor", u"anchor", WS_POPUP, 0, 0, 10, 10, 0, 0, nullptr, nullptr);
    thread_ = new CVXSocketThread(kMainRecvProfile);
    thread_->SetMainHwnd(owner_);
    thread_->SetHwnd(anchor_);
    thread_->SetServer("127.0.0.1", port_);
    if (!thread_->Start()) std::abort();
    Pump([&] { return thread_->GetSocket() != INVALID_SOCKET && server_->connectionCount() == 1; });

    module_ = LoadLibrary(u"\\Program Files\\Quorvan\\Bin\\VX2001.dll");
    auto mainDlg = reinterpret_cast<MainDlgFn>(GetProcAddress(module_, "MainDlg"));
    end_ = reinterpret_cast<EndDlgFn>(GetProcAddress(module_, "EndDlg"));
    if (!mainDlg || !end_) std::abort();
    uint32_t record[2] = {0, 0};
    mainDlg(record, owner_, thread_->GetSocket(), thread_, &encrypt_, &codes_, TRUE, &menu_);
    dlg_ = static_cast<HWND>(record[0]);
    thread_->SetHwnd(dlg_);
    SendMessage(dlg_, WM_VX_QUERY, 0, 0);
    grid_ = GetDlgItem(dlg_, kTickGrid);
    g_boardProc =
        reinterpret_cast<WNDPROC>(SetWindowLong(dlg_, GWL_WNDPROC, reinterpret_cast<LONG_PTR>(BoardTakeProc)));
    // The board has its quote, book and trades, and has registered its item.
    Pump([&] { return server_->registrations(9110, "005930") == 1 && PriceShown() == 71500; });
  }
  ~Host() {
    SetWindowLong(dlg_, GWL_WNDPROC, reinterpret_cast<LONG_PTR>(g_boardProc));
    end_();
    FreeLibrary(module_);
    thread_->Stop();
    delete thread_;
    DestroyWindow(anchor_);
    DestroyWindow(owner_);
    server_->stop();
    std::error_code ec;
    fs::remove_all(root_, ec);
  }

  // Runs the message loop until `done` holds.
  template <typename F>
  void Pump(F done) {
    MSG m;
    while (!done()) {
      if (PeekMessage(&m, 0, 0, 0, PM_REMOVE)) {
        TranslateMessage(&m);
        DispatchMessage(&m);
      } else {
        std::this_thread::yield();
      }
    }
  }

  // The price the strip shows (what the last push handled carried).
  int64_t PriceShown() const {
    WCHAR text[32] = {};
    GetWindowText(GetDlgItem(dlg_, 3001), text, 32);
    int64_t v = 0;
    for (const WCHAR* p = text; *p; ++p)
      if (*p >= u'0' && *p <= u'9') v = v * 10 + (*p - u'0');
    return v;
  }

  // Sends `count` pushes at `perSecond` (0: as fast as the server sends), recording when each
  // left; the receiver is the board or the anchor.
  void Feed(int count, int perSecond, std::vector<Clock::time_point>& sent) {
    sent.assign(static_cast<size_t>(count), Clock::time_point{});
    feeder_ = std::thread([this, count, perSecond, &sent] {
      Clock::time_point start = Clock::now();
      for (int k = 0; k < count; ++k) {
        if (perSecond > 0) {
          Clock::time_point due = start + std::chrono::nanoseconds(int64_t(1000000000) * k / perSecond);
          while (Clock::now() < due) {
          }
        }
        std::vector<uint8_t> body = TickBody(kFirstPrice + next_, 2000000 + 10 * (next_ + 1));
        sent[static_cast<size_t>(k)] = Clock::now();
        server_->pushRaw(9110, body);
        ++next_;
      }
    });
  }
  void JoinFeed() {
    if (feeder_.joinable()) feeder_.join();
  }

  HWND dlg_ = 0, grid_ = 0, anchor_ = 0, owner_ = 0;
  CVXSocketThread* thread_ = nullptr;
  int64_t next_ = 0;  // pushes sent so far: the next push carries price kFirstPrice + next_

 private:
  std::string root_;
  std::unique_ptr<simsrv::TradingServer> server_;
  int port_ = 0;
  EE_Encrypt encrypt_;
  CCodeManager codes_;
  CMenuConfigFile menu_;
  HMODULE module_ = nullptr;
  EndDlgFn end_ = nullptr;
  std::thread feeder_;
};

Host& TheHost() {
  static Host* host = new Host;
  return *host;
}

// Runs the board's loop until push `last` (absolute number) is on the screen; for each push
// from `first`, the time its price first reached the screen. The loop is the program's own
// (GetMessage): when it runs out of work the picture goes to the device's screen, as in the main
// program, and that time is part of the figures.
void WatchBoard(Host& h, int64_t first, int64_t last, std::vector<Clock::time_point>& shown) {
  shown.assign(static_cast<size_t>(last - first + 1), Clock::time_point{});
  int64_t done = first - 1;  // the last push known to be on the screen
  MSG m;
  while (done < last) {
    if (!GetMessage(&m, 0, 0, 0)) break;
    TranslateMessage(&m);
    DispatchMessage(&m);
    if (m.message != WM_PAINT || m.hwnd != h.grid_) continue;
    Clock::time_point now = Clock::now();
    int64_t k = h.PriceShown() - kFirstPrice;
    for (int64_t j = done + 1; j <= std::min(k, last); ++j) shown[static_cast<size_t>(j - first)] = now;
    if (k > done) done = std::min(k, last);
  }
}

void FloodBoard(benchmark::State& state) {
  Host& h = TheHost();
  h.thread_->SetHwnd(h.dlg_);
  constexpr int kCount = 5000;
  std::vector<Clock::time_point> sent, shown;
  for (auto _ : state) {
    int64_t first = h.next_;
    h.Feed(kCount, 0, sent);
    WatchBoard(h, first, first + kCount - 1, shown);
    h.JoinFeed();
  }
  state.SetItemsProcessed(state.iterations() * kCount);
}
BENCHMARK(FloodBoard)->Name("Flood/Board")->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);

void FloodAnchor(benchmark::State& state) {
  Host& h = TheHost();
  h.thread_->SetHwnd(h.anchor_);
  constexpr int kCount = 5000;
  std::vector<Clock::time_point> sent;
  for (auto _ : state) {
    long target = g_anchorHandled.load() + kCount;
    h.Feed(kCount, 0, sent);
    h.Pump([&] { return g_anchorHandled.load() >= target; });
    h.JoinFeed();
  }
  state.SetItemsProcessed(state.iterations() * kCount);
  h.thread_->SetHwnd(h.dlg_);
}
BENCHMARK(FloodAnchor)->Name("Flood/Anchor")->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);

double P99(std::vector<double>& v) {
  std::sort(v.begin(), v.end());
  return v[v.size() * 99 / 100];
}

void Delays(benchmark::State& state, std::vector<double>& delays) {
  state.counters["p99_us"] = P99(delays);  // sorts them
  state.counters["median_us"] = delays[delays.size() / 2];
  state.counters["max_us"] = delays.back();
  state.SetItemsProcessed(static_cast<int64_t>(delays.size()));
}

double Micros(Clock::time_point from, Clock::time_point to) {
  return std::chrono::duration<double, std::micro>(to - from).count();
}

void Paced(benchmark::State& state) {
  Host& h = TheHost();
  h.thread_->SetHwnd(h.dlg_);
  const int rate = static_cast<int>(state.range(0));
  const int count = rate;  // one second of pushes
  std::vector<double> delays, before, after;
  std::vector<Clock::time_point> sent, shown, taken(static_cast<size_t>(count));
  for (auto _ : state) {
    int64_t first = h.next_;
    g_boardTimes = &taken;
    g_boardTaken = 0;
    h.Feed(count, rate, sent);
    WatchBoard(h, first, first + count - 1, shown);
    h.JoinFeed();
    g_boardTimes = nullptr;
    if (g_boardTaken != count) state.SkipWithError("the screen did not take every push");
    for (size_t k = 0; k < static_cast<size_t>(count); ++k) {
      delays.push_back(Micros(sent[k], shown[k]));
      before.push_back(Micros(sent[k], taken[k]));
      after.push_back(Micros(taken[k], shown[k]));
    }
  }
  Delays(state, delays);
  state.counters["taken_p99_us"] = P99(before);
  state.counters["screen_p99_us"] = P99(after);
}
BENCHMARK(Paced)
    ->Name("Paced/Board")
    ->Arg(1000)
    ->Arg(10000)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(3);

// The anchor of the delays: the same pushes to the bare window, to the moment it has the packet.
void PacedAnchor(benchmark::State& state) {
  Host& h = TheHost();
  h.thread_->SetHwnd(h.anchor_);
  const int rate = static_cast<int>(state.range(0));
  const int count = rate;
  std::vector<double> delays;
  std::vector<Clock::time_point> sent, got(static_cast<size_t>(count));
  for (auto _ : state) {
    g_anchorTimes = &got;
    g_anchorHandled = 0;
    h.Feed(count, rate, sent);
    h.Pump([&] { return g_anchorHandled.load() >= count; });
    h.JoinFeed();
    g_anchorTimes = nullptr;
    for (size_t k = 0; k < static_cast<size_t>(count); ++k) delays.push_back(Micros(sent[k], got[k]));
  }
  h.thread_->SetHwnd(h.dlg_);
  Delays(state, delays);
}
BENCHMARK(PacedAnchor)
    ->Name("Paced/Anchor")
    ->Arg(1000)
    ->Arg(10000)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(3);

// The bare window again, its thread waiting in GetMessage between pushes as the board's does.
void PacedSleepingAnchor(benchmark::State& state) {
  Host& h = TheHost();
  h.thread_->SetHwnd(h.anchor_);
  const int rate = static_cast<int>(state.range(0));
  const int count = rate;
  std::vector<double> delays;
  std::vector<Clock::time_point> sent, got(static_cast<size_t>(count));
  for (auto _ : state) {
    g_anchorTimes = &got;
    g_anchorHandled = 0;
    g_anchorLast = count;
    h.Feed(count, rate, sent);
    MSG m;
    while (g_anchorHandled.load() < count && GetMessage(&m, 0, 0, 0)) {
      TranslateMessage(&m);
      DispatchMessage(&m);
    }
    h.JoinFeed();
    g_anchorTimes = nullptr;
    g_anchorLast = -1;
    for (size_t k = 0; k < static_cast<size_t>(count); ++k) delays.push_back(Micros(sent[k], got[k]));
  }
  h.thread_->SetHwnd(h.dlg_);
  Delays(state, delays);
}
BENCHMARK(PacedSleepingAnchor)
    ->Name("Paced/SleepingAnchor")
    ->Arg(1000)
    ->Arg(10000)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(3);

// Two wake-ups in a row with nothing of ours: a writer paced as the feeder is, a loopback TCP
// connection, a thread waiting in recv that writes an eventfd, and this thread waiting in poll.
// The C library's socket calls are named in parentheses: the platform's header makes the plain
// names its own.
void PacedWakeChain(benchmark::State& state) {
  const int rate = static_cast<int>(state.range(0));
  const int count = rate;
  int listener = (::socket)(AF_INET, SOCK_STREAM, 0);
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t len = sizeof addr;
  if (listener < 0 || ::bind(listener, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 ||
      (::listen)(listener, 1) != 0 || (::getsockname)(listener, reinterpret_cast<sockaddr*>(&addr), &len) != 0) {
    state.SkipWithError("no loopback listener");
    return;
  }
  int writer = (::socket)(AF_INET, SOCK_STREAM, 0);
  if ((::connect)(writer, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0) {
    state.SkipWithError("no loopback connection");
    return;
  }
  int reader = (::accept)(listener, nullptr, nullptr);
  int one = 1;
  (::setsockopt)(writer, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
  int wake = eventfd(0, 0);
  std::vector<double> delays;
  std::vector<Clock::time_point> sent(static_cast<size_t>(count)), got(static_cast<size_t>(count));
  for (auto _ : state) {
    std::thread relay([&] {
      char buf[62];
      for (int k = 0; k < count; ++k) {
        size_t have = 0;
        while (have < sizeof buf) {
          ssize_t r = (::recv)(reader, buf + have, sizeof buf - have, 0);
          if (r <= 0) return;
          have += static_cast<size_t>(r);
        }
        uint64_t v = 1;
        if (::write(wake, &v, sizeof v) != sizeof v) return;
      }
    });
    std::thread feeder([&] {
      char buf[62] = {};
      Clock::time_point start = Clock::now();
      for (int k = 0; k < count; ++k) {
        Clock::time_point due = start + std::chrono::nanoseconds(int64_t(1000000000) * k / rate);
        while (Clock::now() < due) {
        }
        sent[static_cast<size_t>(k)] = Clock::now();
        if ((::send)(writer, buf, sizeof buf, 0) != static_cast<ssize_t>(sizeof buf)) return;
      }
    });
    for (int k = 0; k < count;) {
      pollfd fd{wake, POLLIN, 0};
      int r = ::poll(&fd, 1, 5000);
      if (r == 0) {  // the relay or the writer gave up
        state.SkipWithError("the chain stopped");
        break;
      }
      if (r < 0) continue;
      uint64_t n = 0;
      if (::read(wake, &n, sizeof n) != sizeof n) continue;
      Clock::time_point now = Clock::now();
      for (uint64_t i = 0; i < n && k < count; ++i) got[static_cast<size_t>(k++)] = now;
    }
    feeder.join();
    relay.join();
    for (size_t k = 0; k < static_cast<size_t>(count); ++k) delays.push_back(Micros(sent[k], got[k]));
  }
  ::close(wake);
  ::close(reader);
  ::close(writer);
  ::close(listener);
  Delays(state, delays);
}
BENCHMARK(PacedWakeChain)
    ->Name("Paced/WakeChain")
    ->Arg(1000)
    ->Arg(10000)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(3);

}  // namespace

BENCHMARK_MAIN();
