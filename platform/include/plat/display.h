// The real window on a Linux desktop (SDL2). Headless is the default: the display opens only when
// LARKSPIN_DISPLAY=sdl is set and a display server is there. All calls are made on the thread
// that runs the process's user-interface message loop.
#pragma once

#include <string>

#include "plat/surface.h"
#include "plat/types.h"

namespace plat::display {

enum class EventKind { None, StylusDown, StylusUp, StylusMove, Key, Char, Quit };

struct Event {
  EventKind kind = EventKind::None;
  int x = 0, y = 0;  // screen coordinates (240 x 320) for stylus events
  UINT key = 0;      // virtual-key code for Key
  char16_t ch = 0;   // character for Char
};

// Opens the window titled `title` when the display is asked for and available. Returns whether
// a real window is shown.
bool Open(const std::string& title);
bool IsOpen();
// Shows the composed 240 x 320 screen, scaled.
void Present(const Surface& screen);
// Takes the next input event, if any, without waiting.
bool Poll(Event& ev);
void Close();

}  // namespace plat::display
