// A full-screen dialog holding one control of every standard kind, with Korean text in each, as
// a screen of the system would show them. Used to check that the composed screen renders right
// headless (PNG) and in the real window.
#pragma once

#include "plat/surface.h"
#include "plat/types.h"

namespace showcase {

enum Id {
  kTemplate = 300,
  kTitle = 10,
  kBuy = 11,
  kAuto = 12,
  kLimit = 13,
  kMarket = 14,
  kFace = 15,
  kCode = 16,
  kPassword = 17,
  kNote = 18,
  kCombo = 19,
  kList = 20,
  kView = 21,
  kProgress = 22,
};

// Creates the dialog (its window manager state must be fresh), fills its lists, paints it and
// composes the screen into `screen`. Returns the dialog, or 0 on failure.
HWND Build(plat::Surface& screen);

}  // namespace showcase
