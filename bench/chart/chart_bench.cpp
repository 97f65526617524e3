// The chart window painted as the chart screens show it: 109 daily bars in the store, candles
// with the Bollinger bands over them, volume with its averages, and an RSI pane with its shaded
// bands (three panes, three indicators), at the narrowest zoom so that most bars are drawn.
// Measured per frame:
//   BM_Anchor_CopyFrame   one copy of a client-sized bitmap to the window (the least any paint
//                         does; the anchor the others are read against)
//   BM_DrawFrame          drawing the whole chart into the off-screen bitmap
//   BM_PaintFrame         a full repaint through the window (invalidate, paint, copy)
//   BM_PriceRangeAndLog   the price range of the visible bars with its two log lines
#include <benchmark/benchmark.h>

#include <filesystem>
#include <memory>
#include <string>

#include "chart/chart_wnd.h"
#include "plat/windows.h"

namespace {

constexpr int kBars = 109;
constexpr int kWidth = 236, kHeight = 230;

struct Chart {
  Chart() {
    char pattern[] = "/tmp/chart-bench-XXXXXX";
    root = mkdtemp(pattern) ? pattern : "/tmp/chart-bench";
    plat::SetDeviceRoot(root);
    WNDCLASS wc{};
    wc.lpfnWndProc = DefWindowProc;
    wc.lpszClassName = u"ChartBenchHost";
    RegisterClass(&wc);
    host = CreateWindow(u"ChartBenchHost", u"", WS_POPUP | WS_VISIBLE, 0, 0, 240, 320, 0, nullptr, nullptr, nullptr);
    small_font = CreateFont(-10, 3, 0, 0, FW_NORMAL, 0, 0, 0, HANGUL_CHARSET, 0, 0, 0, 0, u"돋움");
    large_font = CreateFont(-11, 4, 0, 0, FW_NORMAL, 0, 0, 0, HANGUL_CHARSET, 0, 0, 0, 0, u"돋움");
    // A random walk of daily bars (fixed seed) with the overlay averages filled in.
    unsigned seed = 7;
    auto rnd = [&](int n) {
      seed = seed * 1103515245u + 12345u;
      return static_cast<int>((seed >> 8) % static_cast<unsigned>(n));
    };
    int close = 50000;
    for (int i = 0; i < kBars; ++i) {
      chart::ChartBar& b = data.bars[static_cast<size_t>(i)];
      b.time = chart::MakeBarTime(2003, 1, 2) + 86400LL * i;
      b.open = close + rnd(801) - 400;
      b.close = b.open + rnd(1601) - 800;
      b.high = std::max(b.open, b.close) + rnd(500);
      b.low = std::min(b.open, b.close) - rnd(500);
      b.volume = 1000 + rnd(90000);
      b.updown = b.open < b.close ? '4' : '2';
      close = b.close;
    }
    data.SetCount(kBars);
    data.ComputeOverlayAverages();
    data.loaded = true;
    data.volume_unit = 1000;

    wnd = std::make_unique<chart::CChartWnd>(&data);
    wnd->Create(CWnd::FromHandle(host));
    wnd->MoveWindow(4, 40, kWidth, kHeight, FALSE);
    wnd->SetFonts(small_font, large_font);
    wnd->Init();
    wnd->SetZoom(0);
    wnd->AddItem(0, 105);   // Bollinger bands over the candles
    wnd->AddItem(1, 103);   // volume averages over the volume bars
    wnd->AddItem(-1, 109);  // RSI in a third pane
    wnd->RecalcIndicators();
    wnd->ShowWindow(SW_SHOW);
    plat::win::PumpMessages();

    mem = CreateCompatibleDC(nullptr);
    bitmap = CreateCompatibleBitmap(mem, kWidth, kHeight);
    old = SelectObject(mem, bitmap);
  }
  ~Chart() {
    SelectObject(mem, old);
    DeleteObject(bitmap);
    DeleteDC(mem);
    wnd->DestroyWindow();
    wnd.reset();
    DestroyWindow(host);
    std::error_code ec;
    std::filesystem::remove_all(root, ec);
  }
  std::string root;
  HWND host = 0;
  HFONT small_font = nullptr, large_font = nullptr;
  chart::StockData_1 data;
  std::unique_ptr<chart::CChartWnd> wnd;
  HDC mem = nullptr;
  HBITMAP bitmap = nullptr;
  HGDIOBJ old = nullptr;
};

Chart& C() {
  static Chart* c = new Chart;
  return *c;
}

void BM_Anchor_CopyFrame(benchmark::State& state) {
  Chart& c = C();
  HDC dc = ::GetDC(c.wnd->m_hWnd);
  for (auto _ : state) BitBlt(dc, 0, 0, kWidth, kHeight, c.mem, 0, 0, SRCCOPY);
  ::ReleaseDC(c.wnd->m_hWnd, dc);
}
BENCHMARK(BM_Anchor_CopyFrame)->Unit(benchmark::kMicrosecond);

void BM_DrawFrame(benchmark::State& state) {
  Chart& c = C();
  for (auto _ : state) c.wnd->Draw(c.mem);
  state.counters["bars_drawn"] = c.wnd->last_index - c.wnd->first_index + 1;
  state.counters["panes"] = c.wnd->pane_count;
}
BENCHMARK(BM_DrawFrame)->Unit(benchmark::kMicrosecond);

void BM_PaintFrame(benchmark::State& state) {
  Chart& c = C();
  for (auto _ : state) {
    c.wnd->Invalidate(FALSE);
    plat::win::PumpMessages();
  }
}
BENCHMARK(BM_PaintFrame)->Unit(benchmark::kMicrosecond);

void BM_PriceRangeAndLog(benchmark::State& state) {
  Chart& c = C();
  int64_t mn = 0, mx = 0;
  for (auto _ : state) {
    c.data.GetMinMaxPrice(c.wnd->first_index, c.wnd->last_index, &mn, &mx);
    benchmark::DoNotOptimize(mx);
  }
}
BENCHMARK(BM_PriceRangeAndLog)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
