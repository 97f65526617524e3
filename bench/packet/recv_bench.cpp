// Receive-thread throughput. A writer thread sends batches of equal packets over loopback.
//   Delivered/<size>: CVXSocketThread frames them and hands each to a window of the benchmark's
//                     main thread with a blocking WM_VX_PACKET; the main thread runs its
//                     message loop. items_per_second = packets handled by the window.
//                     DeliveredPolledPump: the same with the test pump (PumpUntil) instead.
//   RawRead/<size>:   the main thread reads the same stream itself (length, then the rest into a
//                     4,096-byte slot), no thread and no window in between.
//   BufferedRead/<size>: the anchor: the main thread reads whatever the socket holds into a
//                     64 KiB buffer, frames the packets in memory and touches each.
//                     first_us: from the batch asked of the writer to its first packet handled;
//                     span_us: from there to its last packet handled.
// Delivered against BufferedRead is the price of the hand-over.
//   Delay/<rate>:     the writer sends 64-byte packets at <rate> a second, each stamped with the
//                     time of its write; the screen's handler takes the time at its return.
//                     p50_us / p99_us: the delay from the write to the handler's return.
//   BufferedDelay/<rate>: the same delay measured by the buffered reader (the anchor).
#include <benchmark/benchmark.h>

#include <sys/resource.h>
#include <unistd.h>

#include <atomic>
#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "vxbase/messages.h"
#include "vxbase/tr_header.h"
#include "vxshell/vx_socket_thread.h"

namespace {

constexpr int kBatch = 2000;

using Clock = std::chrono::steady_clock;

std::atomic<long> g_handled{0};
long g_target = 0;  // the window ends the message loop when this many packets were handled
Clock::time_point g_firstHandled, g_lastHandled;  // of the batch: the handler's first and last call

LRESULT CALLBACK ScreenProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_VX_PACKET) {
    // Touch the packet as a screen would: read its code in place.
    benchmark::DoNotOptimize(TrCode(*reinterpret_cast<const TR_HEADER*>(wParam)));
    // Counted on this thread only: no locked instruction per packet that the anchor does not pay.
    const long handled = g_handled.load(std::memory_order_relaxed) + 1;
    g_handled.store(handled, std::memory_order_relaxed);
    if (handled == g_target - kBatch + 1) g_firstHandled = Clock::now();
    if (handled == g_target) {
      g_lastHandled = Clock::now();
      PostQuitMessage(0);
    }
    return 0;
  }
  return DefWindowProc(hwnd, msg, wParam, lParam);
}

// A listening loopback socket; its port in *port.
SOCKET ListenLoopback(int* port) {
  SOCKET listener = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  plat_bind(listener, reinterpret_cast<sockaddr*>(&a), sizeof a);
  listen(listener, 4);
  int len = sizeof a;
  getsockname(listener, reinterpret_cast<sockaddr*>(&a), &len);
  *port = ntohs(a.sin_port);
  return listener;
}

SOCKET ConnectLoopback(int port) {
  SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  a.sin_port = htons(uint16_t(port));
  connect(s, reinterpret_cast<sockaddr*>(&a), sizeof a);
  return s;
}

// The anchor's reader: whatever the socket holds into one buffer, the packets framed there.
class BufferedFramer {
 public:
  // Calls touch(packet) for the next packet, reading as needed; false when the stream ended.
  template <typename F>
  bool Next(SOCKET s, F touch) {
    while (end_ - begin_ < 4 || end_ - begin_ < TrGetU32(buffer_ + begin_)) {
      std::memmove(buffer_, buffer_ + begin_, end_ - begin_);
      end_ -= begin_;
      begin_ = 0;
      const int r = recv(s, reinterpret_cast<char*>(buffer_ + end_), int(sizeof buffer_ - end_), 0);
      if (r <= 0) return false;
      end_ += size_t(r);
    }
    touch(buffer_ + begin_);
    begin_ += TrGetU32(buffer_ + begin_);
    return true;
  }

 private:
  unsigned char buffer_[65536];
  size_t begin_ = 0, end_ = 0;
};

// A loopback connection whose server end is fed by a writer thread, one batch per request.
class Feed {
 public:
  explicit Feed(size_t packetSize) {
    batch_.reserve(packetSize * kBatch);
    for (int i = 0; i < kBatch; ++i) {
      std::vector<uint8_t> p(packetSize, uint8_t(i));
      TrPutU32(p.data(), uint32_t(packetSize));
      TrPutU16(p.data() + 4, 9110);
      batch_.insert(batch_.end(), p.begin(), p.end());
    }
    listener_ = ListenLoopback(&port_);
  }
  ~Feed() {
    {
      std::lock_guard<std::mutex> l(mu_);
      quit_ = true;
    }
    cv_.notify_all();
    if (writer_.joinable()) writer_.join();
    if (conn_ != INVALID_SOCKET) closesocket(conn_);
    closesocket(listener_);
  }
  int port() const { return port_; }
  void AcceptAndRun() {
    conn_ = accept(listener_, nullptr, nullptr);
    writer_ = std::thread([this] {
      for (;;) {
        std::unique_lock<std::mutex> l(mu_);
        cv_.wait(l, [&] { return quit_ || pending_ > 0; });
        if (quit_) return;
        --pending_;
        l.unlock();
        send(conn_, reinterpret_cast<const char*>(batch_.data()), int(batch_.size()), 0);
      }
    });
  }
  void SendBatch() {
    {
      std::lock_guard<std::mutex> l(mu_);
      ++pending_;
    }
    cv_.notify_one();
  }

 private:
  std::vector<uint8_t> batch_;
  SOCKET listener_ = INVALID_SOCKET;
  SOCKET conn_ = INVALID_SOCKET;
  int port_ = 0;
  std::thread writer_;
  std::mutex mu_;
  std::condition_variable cv_;
  int pending_ = 0;
  bool quit_ = false;
};

// The whole process's processor time and context switches over a run, per packet: cpu_us and
// switches (voluntary and forced) beside the rate; main_cpu_us: the processor time of the
// benchmark's main thread alone (the window's thread, or the anchor's reader).
class Usage {
 public:
  Usage() {
    getrusage(RUSAGE_SELF, &start_);
    getrusage(RUSAGE_THREAD, &startMain_);
  }
  void Report(benchmark::State& state, int64_t packets) const {
    rusage end, endMain;
    getrusage(RUSAGE_SELF, &end);
    getrusage(RUSAGE_THREAD, &endMain);
    auto us = [](const timeval& t) { return double(t.tv_sec) * 1e6 + double(t.tv_usec); };
    auto cpu = [&](const rusage& from, const rusage& to) {
      return us(to.ru_utime) - us(from.ru_utime) + us(to.ru_stime) - us(from.ru_stime);
    };
    const double switches = double(end.ru_nvcsw - start_.ru_nvcsw + end.ru_nivcsw - start_.ru_nivcsw);
    if (packets <= 0) return;
    state.counters["cpu_us"] = cpu(start_, end) / double(packets);
    state.counters["main_cpu_us"] = cpu(startMain_, endMain) / double(packets);
    state.counters["switches"] = switches / double(packets);
  }

 private:
  rusage start_, startMain_;
};

struct DeviceRoot {
  DeviceRoot() {
    char pattern[] = "/tmp/vxrecvbench.XXXXXX";
    path = mkdtemp(pattern);
    plat::SetDeviceRoot(path);
    setenv("LARKSPIN_ROOT", path.c_str(), 1);
    WSADATA data;
    WSAStartup(0x0202, &data);
  }
  ~DeviceRoot() {
    std::error_code ignored;
    std::filesystem::remove_all(path, ignored);
  }
  std::string path;
};

template <bool kMessageLoop>
void Delivered(benchmark::State& state) {
  DeviceRoot root;
  static bool registered = false;
  if (!registered) {
    WNDCLASS wc{};
    wc.lpfnWndProc = ScreenProc;
    wc.lpszClassName = u"VXRecvBenchScreen";
    registered = RegisterClass(&wc) != 0;
  }
  HWND screen = CreateWindowEx(0, u"VXRecvBenchScreen", u"", WS_POPUP, 0, 0, 10, 10, 0, nullptr, nullptr, nullptr);
  Feed feed(size_t(state.range(0)));
  CVXSocketThread thread;
  thread.SetHwnd(screen);
  thread.SetServer("127.0.0.1", feed.port());
  thread.Start();
  feed.AcceptAndRun();
  g_handled = 0;
  long target = 0;
  const Usage usage;
  double first = 0, span = 0;
  for (auto _ : state) {
    target += kBatch;
    g_target = target;
    const Clock::time_point asked = Clock::now();
    feed.SendBatch();
    if (kMessageLoop) {
      // The program's own message loop: sent packets are handled while it waits.
      MSG msg;
      while (GetMessage(&msg, 0, 0, 0)) DispatchMessage(&msg);
      first += std::chrono::duration<double, std::micro>(g_firstHandled - asked).count();
      span += std::chrono::duration<double, std::micro>(g_lastHandled - g_firstHandled).count();
    } else {
      // The test harness's pump: handles what came, then polls for more.
      plat::win::PumpUntil([&] { return g_handled.load() >= target; }, 60000);
      MSG msg;
      PeekMessage(&msg, 0, WM_QUIT, WM_QUIT, PM_REMOVE);
    }
    if (g_handled.load() != target) {
      state.SkipWithError("packets did not arrive");
      break;
    }
  }
  usage.Report(state, int64_t(state.iterations()) * kBatch);
  if (kMessageLoop && state.iterations() > 0) {
    state.counters["first_us"] = first / double(state.iterations());
    state.counters["span_us"] = span / double(state.iterations());
  }
  state.SetItemsProcessed(int64_t(state.iterations()) * kBatch);
  state.SetBytesProcessed(int64_t(state.iterations()) * kBatch * state.range(0));
  thread.Stop();
  DestroyWindow(screen);
}

void RawRead(benchmark::State& state) {
  DeviceRoot root;
  Feed feed(size_t(state.range(0)));
  SOCKET s = ConnectLoopback(feed.port());
  feed.AcceptAndRun();
  static unsigned char slot[4096];
  auto readAll = [&](unsigned char* p, int n) {
    while (n > 0) {
      int r = recv(s, reinterpret_cast<char*>(p), n, 0);
      if (r <= 0) return false;
      p += r;
      n -= r;
    }
    return true;
  };
  for (auto _ : state) {
    feed.SendBatch();
    for (int i = 0; i < kBatch; ++i) {
      if (!readAll(slot, 4) || !readAll(slot + 4, int(TrGetU32(slot)) - 4)) {
        state.SkipWithError("stream ended");
        break;
      }
      benchmark::DoNotOptimize(TrCode(*reinterpret_cast<const TR_HEADER*>(slot)));
    }
  }
  state.SetItemsProcessed(int64_t(state.iterations()) * kBatch);
  state.SetBytesProcessed(int64_t(state.iterations()) * kBatch * state.range(0));
  closesocket(s);
}

void BufferedRead(benchmark::State& state) {
  DeviceRoot root;
  Feed feed(size_t(state.range(0)));
  SOCKET s = ConnectLoopback(feed.port());
  feed.AcceptAndRun();
  static BufferedFramer framer;
  const Usage usage;
  for (auto _ : state) {
    feed.SendBatch();
    for (int i = 0; i < kBatch; ++i) {
      if (!framer.Next(s, [](const unsigned char* p) {
            benchmark::DoNotOptimize(TrCode(*reinterpret_cast<const TR_HEADER*>(p)));
          })) {
        state.SkipWithError("stream ended");
        return;
      }
    }
  }
  usage.Report(state, int64_t(state.iterations()) * kBatch);
  state.SetItemsProcessed(int64_t(state.iterations()) * kBatch);
  state.SetBytesProcessed(int64_t(state.iterations()) * kBatch * state.range(0));
  closesocket(s);
}

// ---- delay at a given rate ------------------------------------------------------------------

int64_t NowNs() {
  return std::chrono::duration_cast<std::chrono::nanoseconds>(Clock::now().time_since_epoch()).count();
}

constexpr size_t kDelayPacket = 64;
std::vector<int64_t> g_delays;  // reserved before the run: the handler does not allocate

// One second of packets at `rate` a second (at least 2,000), each stamped at its write.
int DelayCount(int rate) { return std::max(rate, 2000); }

class PacedFeed {
 public:
  PacedFeed() { listener_ = ListenLoopback(&port_); }
  ~PacedFeed() {
    if (writer_.joinable()) writer_.join();
    if (conn_ != INVALID_SOCKET) closesocket(conn_);
    closesocket(listener_);
  }
  int port() const { return port_; }
  void AcceptAndSend(int rate, int count) {
    conn_ = accept(listener_, nullptr, nullptr);
    int one = 1;
    setsockopt(conn_, IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<const char*>(&one), sizeof one);
    writer_ = std::thread([this, rate, count] {
      unsigned char p[kDelayPacket] = {};
      TrPutU32(p, uint32_t(kDelayPacket));
      TrPutU16(p + 4, 9110);
      const int64_t step = 1000000000LL / rate;
      int64_t due = NowNs() + 20000000;  // 20 ms for the reader to settle
      for (int i = 0; i < count; ++i) {
        while (NowNs() < due) {
          if (due - NowNs() > 200000) std::this_thread::sleep_for(std::chrono::microseconds(100));
        }
        const int64_t now = NowNs();
        std::memcpy(p + 16, &now, sizeof now);
        send(conn_, reinterpret_cast<const char*>(p), int(sizeof p), 0);
        due += step;
      }
    });
  }

 private:
  SOCKET listener_ = INVALID_SOCKET;
  SOCKET conn_ = INVALID_SOCKET;
  int port_ = 0;
  std::thread writer_;
};

LRESULT CALLBACK DelayProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_VX_PACKET) {
    int64_t sent;
    std::memcpy(&sent, reinterpret_cast<const unsigned char*>(wParam) + 16, sizeof sent);
    g_delays.push_back(NowNs() - sent);
    if (long(g_delays.size()) == g_target) PostQuitMessage(0);
    return 0;
  }
  return DefWindowProc(hwnd, msg, wParam, lParam);
}

void ReportDelays(benchmark::State& state) {
  std::sort(g_delays.begin(), g_delays.end());
  if (g_delays.empty()) return;
  state.counters["p50_us"] = double(g_delays[g_delays.size() / 2]) / 1000.0;
  state.counters["p99_us"] = double(g_delays[g_delays.size() * 99 / 100]) / 1000.0;
  state.counters["max_us"] = double(g_delays.back()) / 1000.0;
}

void Delay(benchmark::State& state) {
  DeviceRoot root;
  static bool registered = false;
  if (!registered) {
    WNDCLASS wc{};
    wc.lpfnWndProc = DelayProc;
    wc.lpszClassName = u"VXRecvBenchDelay";
    registered = RegisterClass(&wc) != 0;
  }
  const int rate = int(state.range(0)), count = DelayCount(rate);
  for (auto _ : state) {
    HWND screen = CreateWindowEx(0, u"VXRecvBenchDelay", u"", WS_POPUP, 0, 0, 10, 10, 0, nullptr, nullptr, nullptr);
    PacedFeed feed;
    g_delays.clear();
    g_delays.reserve(size_t(count));
    g_target = count;
    CVXSocketThread thread;
    thread.SetHwnd(screen);
    thread.SetServer("127.0.0.1", feed.port());
    thread.Start();
    feed.AcceptAndSend(rate, count);
    MSG msg;
    while (GetMessage(&msg, 0, 0, 0)) DispatchMessage(&msg);
    thread.Stop();
    DestroyWindow(screen);
  }
  ReportDelays(state);
}

void BufferedDelay(benchmark::State& state) {
  DeviceRoot root;
  const int rate = int(state.range(0)), count = DelayCount(rate);
  for (auto _ : state) {
    PacedFeed feed;
    g_delays.clear();
    g_delays.reserve(size_t(count));
    SOCKET s = ConnectLoopback(feed.port());
    feed.AcceptAndSend(rate, count);
    auto framer = std::make_unique<BufferedFramer>();
    while (long(g_delays.size()) < count && framer->Next(s, [](const unsigned char* p) {
      int64_t sent;
      std::memcpy(&sent, p + 16, sizeof sent);
      g_delays.push_back(NowNs() - sent);
    })) {
    }
    closesocket(s);
  }
  ReportDelays(state);
}

}  // namespace

BENCHMARK(Delivered<true>)->Name("Delivered")->Arg(64)->Arg(1024)->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK(Delivered<false>)
    ->Name("DeliveredPolledPump")
    ->Arg(64)
    ->Arg(1024)
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK(RawRead)->Arg(64)->Arg(1024)->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BufferedRead)->Arg(64)->Arg(1024)->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK(Delay)->Arg(1000)->Arg(10000)->Arg(50000)->Iterations(1)->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BufferedDelay)
    ->Arg(1000)
    ->Arg(10000)
    ->Arg(50000)
    ->Iterations(1)
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
