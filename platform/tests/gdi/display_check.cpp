// Checks the real window under an X server.
//   display_check show <ready file> <done file>   (the test screen: a dialog with every control kind)
//     opens the window (LARKSPIN_DISPLAY=sdl), checks that the mouse and keyboard arrive as
//     stylus, key and character events, presents the test screen, creates <ready file> and
//     keeps presenting until <done file> exists (at most 30 seconds).
//   display_check check <screenshot.png>
//     finds the window in a screenshot of the whole X screen and compares it, pixel for pixel,
//     with the test screen scaled by LARKSPIN_SCALE (default 2).
#include <SDL.h>
#include <sys/stat.h>

#include <chrono>
#include <filesystem>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>

#include "plat/display.h"
#include "plat/gdi.h"
#include "plat/gdi_internal.h"
#include "plat/windows.h"
#include "showcase.h"

namespace {

bool Exists(const std::string& p) {
  struct stat st;
  return ::stat(p.c_str(), &st) == 0;
}

// The test screen: the dialog with every control kind, composed by the window manager. The
// composition is deterministic, so the process that checks the screenshot builds it again.
void Compose(plat::Surface& s) {
  static std::string root;
  if (root.empty()) {
    char tmpl[] = "/tmp/larkspin-display-root-XXXXXX";
    if (mkdtemp(tmpl)) root = tmpl;
    plat::SetDeviceRoot(root);
    std::atexit([] {
      std::error_code ec;
      std::filesystem::remove_all(root, ec);
    });
  }
  if (!showcase::Build(s)) s.Resize(PLAT_SCREEN_WIDTH, PLAT_SCREEN_HEIGHT, 0xFFFFFF);
}

int Scale() {
  const char* v = std::getenv("LARKSPIN_SCALE");
  int n = v ? std::atoi(v) : 2;
  return n >= 1 && n <= 8 ? n : 2;
}

bool ExpectEvent(plat::display::EventKind kind, int x, int y, UINT key, char16_t ch) {
  plat::display::Event ev;
  for (int i = 0; i < 100; ++i) {
    if (plat::display::Poll(ev)) {
      if (ev.kind == kind && ev.x == x && ev.y == y && ev.key == key && ev.ch == ch) return true;
      std::fprintf(stderr, "unexpected event kind %d x %d y %d key %u ch %u\n", static_cast<int>(ev.kind), ev.x, ev.y,
                   ev.key, static_cast<unsigned>(ev.ch));
      return false;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  std::fprintf(stderr, "no event of kind %d\n", static_cast<int>(kind));
  return false;
}

int CheckInput() {
  using plat::display::EventKind;
  int s = Scale();
  // Events of the window's appearance (the X pointer entering it) come first; let them pass.
  plat::display::Event ignored;
  for (int i = 0; i < 20; ++i) {
    while (plat::display::Poll(ignored)) {
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  SDL_Event e{};
  e.type = SDL_MOUSEBUTTONDOWN;
  e.button.button = SDL_BUTTON_LEFT;
  e.button.x = 101 * s + s - 1;
  e.button.y = 57 * s;
  SDL_PushEvent(&e);
  if (!ExpectEvent(EventKind::StylusDown, 101, 57, 0, 0)) return 1;
  e = SDL_Event{};
  e.type = SDL_MOUSEMOTION;
  e.motion.x = 110 * s;
  e.motion.y = 60 * s;
  SDL_PushEvent(&e);
  if (!ExpectEvent(EventKind::StylusMove, 110, 60, 0, 0)) return 1;
  e = SDL_Event{};
  e.type = SDL_MOUSEBUTTONUP;
  e.button.button = SDL_BUTTON_LEFT;
  e.button.x = 110 * s;
  e.button.y = 60 * s;
  SDL_PushEvent(&e);
  if (!ExpectEvent(EventKind::StylusUp, 110, 60, 0, 0)) return 1;
  struct {
    SDL_Keycode sym;
    EventKind kind;
    UINT key;
    char16_t ch;
  } keys[] = {{SDLK_RETURN, EventKind::Key, 13, 0},
              {SDLK_ESCAPE, EventKind::Key, 27, 0},
              {SDLK_LEFT, EventKind::Key, 37, 0},
              {SDLK_DOWN, EventKind::Key, 40, 0},
              {SDLK_BACKSPACE, EventKind::Char, 0, 8}};
  for (const auto& k : keys) {
    e = SDL_Event{};
    e.type = SDL_KEYDOWN;
    e.key.keysym.sym = k.sym;
    SDL_PushEvent(&e);
    if (!ExpectEvent(k.kind, 0, 0, k.key, k.ch)) return 1;
  }
  e = SDL_Event{};
  e.type = SDL_TEXTINPUT;
  std::snprintf(e.text.text, sizeof e.text.text, "%s", "가1");
  SDL_PushEvent(&e);
  if (!ExpectEvent(EventKind::Char, 0, 0, 0, u'가') || !ExpectEvent(EventKind::Char, 0, 0, 0, u'1')) return 1;
  return 0;
}

int Show(const std::string& ready, const std::string& done) {
  if (!plat::display::Open("gdi_display_check")) {
    std::fprintf(stderr, "the display did not open (LARKSPIN_DISPLAY=%s)\n",
                 std::getenv("LARKSPIN_DISPLAY") ? std::getenv("LARKSPIN_DISPLAY") : "");
    return 2;
  }
  if (!plat::display::IsOpen() || CheckInput() != 0) {
    plat::display::Close();
    return 1;
  }
  plat::Surface screen;
  Compose(screen);
  auto start = std::chrono::steady_clock::now();
  bool told = false;
  int frames = 0;
  while (!Exists(done)) {
    plat::display::Present(screen);
    plat::display::Event ev;
    while (plat::display::Poll(ev)) {
    }
    if (++frames == 5 && !told) {
      if (FILE* f = std::fopen(ready.c_str(), "w")) std::fclose(f);
      told = true;
    }
    if (std::chrono::steady_clock::now() - start > std::chrono::seconds(30)) {
      std::fprintf(stderr, "nobody took the screenshot\n");
      plat::display::Close();
      return 1;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  plat::display::Close();
  return plat::display::IsOpen() ? 1 : 0;
}

int Check(const std::string& png) {
  plat::Surface shot;
  if (!plat::gdi::ReadPng(png, shot)) {
    std::fprintf(stderr, "cannot read %s\n", png.c_str());
    return 1;
  }
  // The window: every pixel that is not the X server's black background.
  RECT box = {shot.width, shot.height, 0, 0};
  for (int y = 0; y < shot.height; ++y)
    for (int x = 0; x < shot.width; ++x)
      if (shot.Row(y)[x] != 0) {
        box.left = std::min<LONG>(box.left, x);
        box.top = std::min<LONG>(box.top, y);
        box.right = std::max<LONG>(box.right, x + 1);
        box.bottom = std::max<LONG>(box.bottom, y + 1);
      }
  if (box.right <= box.left) {
    std::fprintf(stderr, "the screenshot is blank\n");
    return 1;
  }
  int s = Scale();
  std::printf("window found at %d,%d size %dx%d\n", box.left, box.top, box.right - box.left, box.bottom - box.top);
  if (box.right - box.left != PLAT_SCREEN_WIDTH * s || box.bottom - box.top != PLAT_SCREEN_HEIGHT * s) {
    std::fprintf(stderr, "expected a %dx%d window\n", PLAT_SCREEN_WIDTH * s, PLAT_SCREEN_HEIGHT * s);
    return 1;
  }
  plat::Surface screen;
  Compose(screen);
  long wrong = 0;
  for (int y = 0; y < PLAT_SCREEN_HEIGHT * s; ++y)
    for (int x = 0; x < PLAT_SCREEN_WIDTH * s; ++x)
      if (shot.Row(box.top + y)[box.left + x] != screen.Row(y / s)[x / s]) ++wrong;
  // Text must be there: the label box holds dark ink.
  long ink = 0;
  for (int y = 100 * s; y < 140 * s; ++y)
    for (int x = 20 * s; x < 220 * s; ++x)
      if (shot.Row(box.top + y)[box.left + x] == 0) ++ink;
  std::printf("%ld pixels differ, %ld text pixels\n", wrong, ink);
  if (wrong != 0 || ink < 100) return 1;
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  std::string mode = argc > 1 ? argv[1] : "";
  if (mode == "show" && argc == 4) return Show(argv[2], argv[3]);
  if (mode == "check" && argc == 3) return Check(argv[2]);
  std::fprintf(stderr, "usage: %s show <ready> <done> | check <screenshot.png>\n", argv[0]);
  return 2;
}
