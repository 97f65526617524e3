// Receive-thread throughput. A writer thread sends batches of equal packets over loopback.
//   Delivered/<size>: CVXSocketThread frames them and hands each to a window of the benchmark's
//                     main thread with a blocking WM_VX_PACKET; the main thread runs its
//                     message loop. items_per_second = packets handled by the window.
//                     DeliveredPolledPump: the same with the test pump (PumpUntil) instead.
//   RawRead/<size>:   the main thread reads the same stream itself (length, then the rest into a
//                     4,096-byte slot), no thread and no window in between.
// The ratio of the two is the price of the hand-over.
#include <benchmark/benchmark.h>

#include <unistd.h>

#include <atomic>
#include <condition_variable>
#include <cstdlib>
#include <filesystem>
#include <mutex>
#include <thread>
#include <vector>

#include "vxbase/messages.h"
#include "vxbase/tr_header.h"
#include "vxshell/vx_socket_thread.h"

namespace {

constexpr int kBatch = 2000;

std::atomic<long> g_handled{0};
long g_target = 0;  // the window ends the message loop when this many packets were handled

LRESULT CALLBACK ScreenProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_VX_PACKET) {
        // Touch the packet as a screen would: read its code in place.
        benchmark::DoNotOptimize(TrCode(*reinterpret_cast<const TR_HEADER*>(wParam)));
        if (g_handled.fetch_add(1, std::memory_order_relaxed) + 1 == g_target) PostQuitMessage(0);
        return 0;
    }
    return DefWindowProc(hwnd, msg, wParam, lParam);
}

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
        listener_ = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        plat_bind(listener_, reinterpret_cast<sockaddr*>(&a), sizeof a);
        listen(listener_, 4);
        int len = sizeof a;
        getsockname(listener_, reinterpret_cast<sockaddr*>(&a), &len);
        port_ = ntohs(a.sin_port);
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
    for (auto _ : state) {
        target += kBatch;
        g_target = target;
        feed.SendBatch();
        if (kMessageLoop) {
            // The program's own message loop: sent packets are handled while it waits.
            MSG msg;
            while (GetMessage(&msg, 0, 0, 0)) DispatchMessage(&msg);
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
    state.SetItemsProcessed(int64_t(state.iterations()) * kBatch);
    state.SetBytesProcessed(int64_t(state.iterations()) * kBatch * state.range(0));
    thread.Stop();
    DestroyWindow(screen);
}

void RawRead(benchmark::State& state) {
    DeviceRoot root;
    Feed feed(size_t(state.range(0)));
    SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    a.sin_port = htons(uint16_t(feed.port()));
    connect(s, reinterpret_cast<sockaddr*>(&a), sizeof a);
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

}  // namespace

BENCHMARK(Delivered<true>)->Name("Delivered")->Arg(64)->Arg(1024)->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK(Delivered<false>)->Name("DeliveredPolledPump")->Arg(64)->Arg(1024)->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK(RawRead)->Arg(64)->Arg(1024)->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
