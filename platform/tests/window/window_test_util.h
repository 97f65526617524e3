// Shared fixture of the window manager tests: a device root of its own, the virtual clock, and a
// window class that records every message it gets (with whether it came from the queue).
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "plat/kernel.h"
#include "plat/window.h"

namespace wtest {

struct Rec {
  HWND hwnd;
  UINT msg;
  WPARAM wp;
  LPARAM lp;
  bool posted;
};

// Every window of class "RecWnd" logs into Log(); Handlers() may override a message's handling.
std::vector<Rec>& Log();
using Handler = std::function<LRESULT(HWND, UINT, WPARAM, LPARAM, bool* handled)>;
std::map<UINT, Handler>& Handlers();
// Messages that are noise for most sequence checks.
bool IsNoise(UINT msg);
// The logged messages of `hwnd` (0: all windows), noise left out unless asked for.
std::vector<Rec> MessagesOf(HWND hwnd = 0, bool withNoise = false);
std::string Describe(const std::vector<Rec>& recs);

extern const char16_t kRecClass[];    // CS_DBLCLKS, white background
extern const char16_t kPlainClass[];  // no double clicks

HWND MakeTop(int x = 0, int y = 0, int w = 240, int h = 320, DWORD style = WS_POPUP | WS_VISIBLE,
             const char16_t* cls = kRecClass);
HWND MakeChild(HWND parent, int id, int x, int y, int w, int h, DWORD style = WS_CHILD | WS_VISIBLE,
               const char16_t* cls = kRecClass);

class WindowTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;
  std::string root_;
};

// Reads <root>/run/events.log as lines.
std::vector<std::string> EventLines(const std::string& root);

}  // namespace wtest
