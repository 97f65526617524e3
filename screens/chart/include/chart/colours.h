// The colours of the chart (COLORREF values, 0x00BBGGRR).
#pragma once

#include "plat/types.h"

namespace chart::colour {

constexpr COLORREF kWhite = 0xFFFFFF;
constexpr COLORREF kBlack = 0x000000;
constexpr COLORREF kRed = 0x0000FF;          // RGB(255,0,0): rising candles, MACD
constexpr COLORREF kBlue = 0xFF0000;         // RGB(0,0,255): falling candles, DMI-
constexpr COLORREF kNavy = 0x7F0000;         // RGB(0,0,127): 5-bar average, first lines
constexpr COLORREF kMagenta = 0xFF00FF;      // RGB(255,0,255): 20-bar average, second lines
constexpr COLORREF kGreen = 0x007F00;        // RGB(0,127,0): 60-bar average, third lines
constexpr COLORREF kVolumeGreen = 0x008200;  // RGB(0,130,0): volume, price-by-volume, MACD signal
constexpr COLORREF kGridGrey = 0xB4B4B4;     // RGB(180,180,180)
constexpr COLORREF kBandRed = 0x8482FF;      // RGB(255,130,132): beyond the upper reference level
constexpr COLORREF kBandBlue = 0xFF8284;     // RGB(132,130,255): beyond the lower reference level

// The price-overlay averages (5, 20, 60 bars), on the price pane and in the read-out.
constexpr COLORREF kOverlay[3] = {kNavy, kMagenta, kGreen};

}  // namespace chart::colour
