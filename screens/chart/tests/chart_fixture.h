// Shared set-up of the chart tests: a temporary device root, the reference bars and their
// expected indicator values (CSV files written by tools/chart_reference.py), small bar series
// made by hand, and a chart window hosted on a screen-sized top-level window.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "chart/chart_wnd.h"
#include "plat/windows.h"

namespace charttest {

using chart::CChartWnd;
using chart::ChartBar;
using chart::NO_VALUE;
using chart::StockData_1;

// One CSV file as rows of cells (the header row first).
inline std::vector<std::vector<std::string>> ReadCsv(const std::string& name) {
  std::ifstream in(std::string(CHART_FIXTURES) + "/" + name);
  std::vector<std::vector<std::string>> rows;
  std::string line;
  while (std::getline(in, line)) {
    std::vector<std::string> cells;
    std::stringstream s(line);
    std::string cell;
    while (std::getline(s, cell, ',')) cells.push_back(cell);
    if (!line.empty() && line.back() == ',') cells.push_back("");
    rows.push_back(cells);
  }
  return rows;
}

// The expected values: column name -> per bar, empty where the reference has no value.
inline std::map<std::string, std::vector<std::optional<double>>> ReadExpected() {
  auto rows = ReadCsv("chart_expected.csv");
  std::map<std::string, std::vector<std::optional<double>>> out;
  if (rows.empty()) return out;
  for (size_t r = 1; r < rows.size(); ++r)
    for (size_t c = 1; c < rows[0].size(); ++c) {
      const std::string cell = c < rows[r].size() ? rows[r][c] : "";
      out[rows[0][c]].push_back(cell.empty() ? std::nullopt : std::optional<double>(std::stod(cell)));
    }
  return out;
}

// The open-close rule of the chart screens: rising when the close is above the open, or when
// they are equal and the open is at least the previous close.
inline void SetUpDown(StockData_1& d) {
  for (int i = 0; i < d.count; ++i) {
    ChartBar& b = d.bars[static_cast<size_t>(i)];
    if (b.open != b.close)
      b.updown = b.open < b.close ? '4' : '2';
    else
      b.updown = i > 0 && b.open >= d.bars[static_cast<size_t>(i - 1)].close ? '4' : '2';
  }
}

// The 80 reference bars, one a day from 2 January 2003, with their overlay averages.
inline void LoadReferenceBars(StockData_1& d) {
  auto rows = ReadCsv("chart_bars.csv");
  d.Clear();
  int n = 0;
  for (size_t r = 1; r < rows.size(); ++r, ++n) {
    ChartBar& b = d.bars[static_cast<size_t>(n)];
    b.time = chart::MakeBarTime(2003, 1, 2) + 86400LL * n;
    b.open = std::stoi(rows[r][1]);
    b.high = std::stoi(rows[r][2]);
    b.low = std::stoi(rows[r][3]);
    b.close = std::stoi(rows[r][4]);
    b.volume = std::stoll(rows[r][5]);
  }
  d.SetCount(n);
  d.ComputeOverlayAverages();
  SetUpDown(d);
  d.loaded = true;
}

// Bars made by hand: one per row of {open, high, low, close, volume}, averages empty.
struct BarRow {
  int open, high, low, close;
  long long volume;
};
inline void LoadBars(StockData_1& d, const std::vector<BarRow>& rows, chart::BarTime start = 0, int step = 86400) {
  d.Clear();
  if (start == 0) start = chart::MakeBarTime(2003, 3, 3);
  for (size_t i = 0; i < rows.size() && i < static_cast<size_t>(d.capacity); ++i) {
    ChartBar& b = d.bars[i];
    b.time = start + static_cast<chart::BarTime>(i) * step;
    b.open = rows[i].open;
    b.high = rows[i].high;
    b.low = rows[i].low;
    b.close = rows[i].close;
    b.volume = rows[i].volume;
    b.ma[0] = b.ma[1] = b.ma[2] = NO_VALUE;
  }
  d.SetCount(static_cast<int>(rows.size()));
  SetUpDown(d);
  d.loaded = true;
}

// n bars whose closes rise (step > 0) or fall by |step| from `first`.
inline std::vector<BarRow> Trend(int n, int first, int step, long long volume = 1000) {
  std::vector<BarRow> rows;
  for (int i = 0; i < n; ++i) {
    const int c = first + i * step;
    rows.push_back({c - step, std::max(c, c - step) + 5, std::min(c, c - step) - 5, c, volume});
  }
  return rows;
}

class DeviceRoot : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/chart-test-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    root_ = pattern;
    plat::SetDeviceRoot(root_);
  }
  void TearDown() override {
    std::error_code ec;
    std::filesystem::remove_all(root_, ec);
  }
  std::string ReadHost(const std::string& name) const {
    std::ifstream in(root_ + "/" + name, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
  }
  std::string root_;
};

// A chart window on a screen-sized host, laid out as the chart screens place it.
class ChartWindowTest : public DeviceRoot {
 protected:
  static constexpr int kLeft = 4, kTop = 40, kWidth = 236, kHeight = 230;

  void SetUp() override {
    DeviceRoot::SetUp();
    WNDCLASS wc{};
    wc.lpfnWndProc = DefWindowProc;
    wc.lpszClassName = u"ChartTestHost";
    RegisterClass(&wc);
    host_ = CreateWindow(u"ChartTestHost", u"", WS_POPUP | WS_VISIBLE, 0, 0, 240, 320, 0, nullptr, nullptr, nullptr);
    small_ = CreateFont(-10, 3, 0, 0, FW_NORMAL, 0, 0, 0, HANGUL_CHARSET, 0, 0, 0, 0, u"돋움");
    large_ = CreateFont(-11, 4, 0, 0, FW_NORMAL, 0, 0, 0, HANGUL_CHARSET, 0, 0, 0, 0, u"돋움");
    wnd_ = std::make_unique<CChartWnd>(&data_);
    ASSERT_TRUE(wnd_->Create(CWnd::FromHandle(host_)));
    wnd_->MoveWindow(kLeft, kTop, kWidth, kHeight, FALSE);
    wnd_->SetFonts(small_, large_);
    wnd_->Init();
    wnd_->SetZoom(1);
    wnd_->ShowWindow(SW_SHOW);
    plat::win::PumpMessages();
  }
  void TearDown() override {
    if (wnd_) wnd_->DestroyWindow();
    wnd_.reset();
    DestroyWindow(host_);
    DeleteObject(small_);
    DeleteObject(large_);
    plat::win::PumpMessages();
    DeviceRoot::TearDown();
  }
  void Repaint() {
    wnd_->Invalidate(FALSE);
    plat::win::PumpMessages();
  }
  // A pixel of the chart window's client area.
  COLORREF At(int x, int y) const {
    HDC dc = ::GetDC(wnd_->m_hWnd);
    COLORREF c = ::GetPixel(dc, x, y);
    ::ReleaseDC(wnd_->m_hWnd, dc);
    return c;
  }
  // Every pixel of the client area, row by row.
  std::vector<COLORREF> Pixels() const {
    std::vector<COLORREF> out;
    HDC dc = ::GetDC(wnd_->m_hWnd);
    for (int y = 0; y < kHeight; ++y)
      for (int x = 0; x < kWidth; ++x) out.push_back(::GetPixel(dc, x, y));
    ::ReleaseDC(wnd_->m_hWnd, dc);
    return out;
  }
  // The texts the window shows, with their rectangles in client coordinates.
  std::vector<plat::TextRecord> Texts() const {
    std::vector<plat::TextRecord> out;
    const plat::Surface* s = plat::win::WindowSurface(wnd_->m_hWnd);
    if (!s) return out;
    for (plat::TextRecord t : s->texts) {
      if (t.rect.left < kLeft || t.rect.top < kTop || t.rect.left >= kLeft + kWidth || t.rect.top >= kTop + kHeight)
        continue;
      OffsetRect(&t.rect, -kLeft, -kTop);
      out.push_back(t);
    }
    return out;
  }
  bool Shows(const std::u16string& text) const {
    for (const auto& t : Texts())
      if (t.text == text) return true;
    return false;
  }
  // Stylus input at a point of the chart's client area, handled at once.
  void Stylus(plat::win::Stylus kind, int x, int y) {
    plat::win::InjectStylus(kind, kLeft + x, kTop + y);
    plat::win::PumpMessages();
  }

  HWND host_ = 0;
  HFONT small_ = nullptr, large_ = nullptr;
  StockData_1 data_;
  std::unique_ptr<CChartWnd> wnd_;
};

}  // namespace charttest
