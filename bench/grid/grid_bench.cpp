// The grid on a screen-sized window: filling 100 rows of 8 columns and rendering them, and
// changing 50 cells and repainting, each measured per operation.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "glimmet/v_grid.h"

namespace {

constexpr int kRows = 100;
constexpr int kColumns = 8;

struct Screen {
  Screen() {
    char pattern[] = "/tmp/grid-bench-XXXXXX";
    root = mkdtemp(pattern) ? pattern : "/tmp/grid-bench";
    plat::SetDeviceRoot(root);
    WNDCLASS wc{};
    wc.lpfnWndProc = DefWindowProc;
    wc.lpszClassName = u"GridBenchHost";
    RegisterClass(&wc);
    host = CreateWindow(u"GridBenchHost", u"", WS_POPUP | WS_VISIBLE, 0, 0, 240, 320, 0, nullptr, nullptr, nullptr);
    int widths[kColumns] = {40, 30, 30, 30, 30, 30, 30, 30};
    const WCHAR* titles[kColumns] = {u"종목", u"현재가", u"대비", u"등락", u"거래량", u"매도", u"매수", u"시간"};
    grid.init(host, 1000, 18, titles, kColumns, widths, 16, 0, nullptr, 1);
    grid.set_location(0, 26, 240, 294);
    grid.set_visible(1);
    plat::win::PumpMessages();
  }
  ~Screen() {
    DestroyWindow(host);
    std::error_code ec;
    std::filesystem::remove_all(root, ec);
  }
  void Fill() {
    char text[32];
    grid.remove_all_row();
    for (int r = 0; r < kRows; ++r) {
      V_Grid_Cell* row = grid.add_row();
      for (int c = 0; c < kColumns; ++c) {
        std::snprintf(text, sizeof text, "%d,%03d", r * 7 + c, (r * 131 + c) % 1000);
        row[c].set_text(text, 0);
        row[c].set_fg(c == 2 ? 0x0000FF : 0x000000);
      }
      row[0].set_res_text("A005930", 7);
    }
  }
  void Paint() {
    grid.redraw();
    plat::win::PumpMessages();
  }
  std::string root;
  HWND host = 0;
  V_Grid grid;
};

Screen& S() {
  static Screen* s = new Screen;
  return *s;
}

void BM_FillRowsAndRender(benchmark::State& state) {
  Screen& s = S();
  const int before = s.grid.get_render_count();
  for (auto _ : state) {
    s.Fill();
    s.Paint();
  }
  // Renders of the grid per fill and paint: 1 when the rows added do not render it each.
  state.counters["renders"] = double(s.grid.get_render_count() - before) / double(state.iterations());
}
BENCHMARK(BM_FillRowsAndRender)->Unit(benchmark::kMicrosecond);

void BM_FillRowsOnly(benchmark::State& state) {
  Screen& s = S();
  const int before = s.grid.get_render_count();
  for (auto _ : state) s.Fill();
  state.counters["renders"] = double(s.grid.get_render_count() - before) / double(state.iterations());
}
BENCHMARK(BM_FillRowsOnly)->Unit(benchmark::kMicrosecond);

void BM_Change50CellsAndRepaint(benchmark::State& state) {
  Screen& s = S();
  s.Fill();
  s.Paint();
  char text[32];
  int round = 0;
  for (auto _ : state) {
    ++round;
    for (int i = 0; i < 50; ++i) {
      V_Grid_Cell* cell = s.grid.get_cell(i % kColumns, i / kColumns);
      std::snprintf(text, sizeof text, "%d", round * 50 + i);
      cell->set_text(text, 0);
      cell->set_bg((round & 1) ? 0xC8C8C8 : 0xFFFFFF);
    }
    s.Paint();
  }
}
BENCHMARK(BM_Change50CellsAndRepaint)->Unit(benchmark::kMicrosecond);

void BM_RepaintWithoutChanges(benchmark::State& state) {
  Screen& s = S();
  s.Fill();
  s.Paint();
  for (auto _ : state) {
    InvalidateRect(s.grid.get_hwnd(), nullptr, FALSE);
    plat::win::PumpMessages();
  }
}
BENCHMARK(BM_RepaintWithoutChanges)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
