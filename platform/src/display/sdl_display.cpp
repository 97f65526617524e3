// The real window: the composed 240 x 320 screen shown scaled in an SDL2 window, the mouse as
// the stylus and the keyboard as the handheld's keys. Headless unless LARKSPIN_DISPLAY=sdl.
#include <SDL.h>

#include <cstdlib>
#include <cstring>
#include <deque>
#include <mutex>
#include <string>
#include <vector>

#include "plat/display.h"
#include "plat/window.h"

namespace plat::display {

namespace {

struct State {
  SDL_Window* window = nullptr;
  SDL_Renderer* renderer = nullptr;
  SDL_Texture* texture = nullptr;
  int texW = 0, texH = 0;
  int scale = 2;
  bool stylusDown = false;
  bool redraw = false;  // uncovered, resized or focused: show the last screen again
  bool presented = false;
  std::deque<Event> pending;
  std::vector<uint32_t> argb;
};

std::mutex& Mutex() {
  static std::mutex m;
  return m;
}

State& S() {
  static State s;
  return s;
}

int ScaleFromEnv() {
  const char* v = std::getenv("LARKSPIN_SCALE");
  if (!v || !*v) return 2;
  int n = std::atoi(v);
  return n >= 1 && n <= 8 ? n : 2;
}

// Virtual-key codes of the handheld for the keys that have one.
UINT KeyCode(SDL_Keycode k) {
  switch (k) {
    case SDLK_RETURN:
    case SDLK_KP_ENTER: return 13;
    case SDLK_ESCAPE: return 27;
    case SDLK_TAB: return 9;
    case SDLK_LEFT: return 37;
    case SDLK_UP: return 38;
    case SDLK_RIGHT: return 39;
    case SDLK_DOWN: return 40;
    case SDLK_DELETE: return 46;
    case SDLK_HOME: return 36;
    case SDLK_END: return 35;
    default: return 0;
  }
}

// SDL text input is UTF-8; each UTF-16 unit becomes one Char event.
void QueueText(State& s, const char* utf8) {
  const auto* p = reinterpret_cast<const unsigned char*>(utf8);
  while (*p) {
    char32_t cp;
    int n;
    if (*p < 0x80) {
      cp = *p;
      n = 1;
    } else if ((*p & 0xE0) == 0xC0) {
      cp = *p & 0x1F;
      n = 2;
    } else if ((*p & 0xF0) == 0xE0) {
      cp = *p & 0x0F;
      n = 3;
    } else if ((*p & 0xF8) == 0xF0) {
      cp = *p & 0x07;
      n = 4;
    } else {
      ++p;
      continue;
    }
    int i = 1;
    for (; i < n; ++i) {
      if ((p[i] & 0xC0) != 0x80) break;
      cp = (cp << 6) | (p[i] & 0x3F);
    }
    p += i;
    if (i != n) continue;
    Event ev;
    ev.kind = EventKind::Char;
    if (cp >= 0x10000) {
      cp -= 0x10000;
      ev.ch = static_cast<char16_t>(0xD800 + (cp >> 10));
      s.pending.push_back(ev);
      ev.ch = static_cast<char16_t>(0xDC00 + (cp & 0x3FF));
    } else {
      ev.ch = static_cast<char16_t>(cp);
    }
    s.pending.push_back(ev);
  }
}

void Translate(State& s, const SDL_Event& e) {
  Event ev;
  switch (e.type) {
    case SDL_QUIT: ev.kind = EventKind::Quit; break;
    case SDL_WINDOWEVENT:
      switch (e.window.event) {
        case SDL_WINDOWEVENT_CLOSE: ev.kind = EventKind::Quit; break;
        case SDL_WINDOWEVENT_EXPOSED:
        case SDL_WINDOWEVENT_SHOWN:
        case SDL_WINDOWEVENT_RESTORED:
        case SDL_WINDOWEVENT_RESIZED:
        case SDL_WINDOWEVENT_SIZE_CHANGED:
        case SDL_WINDOWEVENT_FOCUS_GAINED:
        case SDL_WINDOWEVENT_TAKE_FOCUS: s.redraw = true; break;
        default: break;
      }
      break;
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP:
      if (e.button.button != SDL_BUTTON_LEFT) return;
      s.stylusDown = e.type == SDL_MOUSEBUTTONDOWN;
      ev.kind = s.stylusDown ? EventKind::StylusDown : EventKind::StylusUp;
      ev.x = e.button.x / s.scale;
      ev.y = e.button.y / s.scale;
      break;
    case SDL_MOUSEMOTION:
      // The stylus moves only while it touches the screen.
      if (!s.stylusDown) return;
      ev.kind = EventKind::StylusMove;
      ev.x = e.motion.x / s.scale;
      ev.y = e.motion.y / s.scale;
      break;
    case SDL_KEYDOWN:
      if (e.key.keysym.sym == SDLK_BACKSPACE) {
        ev.kind = EventKind::Char;
        ev.ch = 8;
      } else if (UINT vk = KeyCode(e.key.keysym.sym)) {
        ev.kind = EventKind::Key;
        ev.key = vk;
      }
      break;
    case SDL_TEXTINPUT: QueueText(s, e.text.text); return;
    default: break;
  }
  if (ev.kind != EventKind::None) s.pending.push_back(ev);
}

// Shows the last composed screen (kept in the texture), scaled.
void Render(State& s) {
  s.redraw = false;
  if (!s.texture) return;
  SDL_SetRenderDrawColor(s.renderer, 0, 0, 0, 255);
  SDL_RenderClear(s.renderer);
  SDL_Rect dst{0, 0, s.texW * s.scale, s.texH * s.scale};
  SDL_RenderCopy(s.renderer, s.texture, nullptr, &dst);
  SDL_RenderPresent(s.renderer);
}

}  // namespace

bool Open(const std::string& title) {
  std::lock_guard<std::mutex> g(Mutex());
  State& s = S();
  if (s.window) return true;
  const char* mode = std::getenv("LARKSPIN_DISPLAY");
  if (!mode || std::strcmp(mode, "sdl") != 0) return false;
  // Only where a display server is (or an SDL video driver is named on purpose).
  auto set = [](const char* name) {
    const char* v = std::getenv(name);
    return v && *v;
  };
  if (!set("DISPLAY") && !set("WAYLAND_DISPLAY") && !set("SDL_VIDEODRIVER")) return false;
  // The display server named, never a driver nobody can see: SDL falls back to its off-screen
  // driver when the X server cannot be reached for a moment, and a window there would take the
  // device's screen away from every program while showing nothing.
  if (!set("SDL_VIDEODRIVER")) SDL_SetHint(SDL_HINT_VIDEODRIVER, set("DISPLAY") ? "x11" : "wayland");
  if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) {
    plat::win::LogEvent("display-window", std::string("failed\t") + SDL_GetError());
    return false;
  }
  s.scale = ScaleFromEnv();
  s.window = SDL_CreateWindow(title.c_str(), SDL_WINDOWPOS_UNDEFINED, SDL_WINDOWPOS_UNDEFINED,
                              PLAT_SCREEN_WIDTH * s.scale, PLAT_SCREEN_HEIGHT * s.scale, 0);
  if (!s.window) {
    SDL_QuitSubSystem(SDL_INIT_VIDEO);
    return false;
  }
  s.renderer = SDL_CreateRenderer(s.window, -1, 0);
  if (!s.renderer) s.renderer = SDL_CreateRenderer(s.window, -1, SDL_RENDERER_SOFTWARE);
  if (!s.renderer) {
    SDL_DestroyWindow(s.window);
    s.window = nullptr;
    SDL_QuitSubSystem(SDL_INIT_VIDEO);
    return false;
  }
  // Whole pixels: each screen pixel becomes a scale x scale block.
  SDL_SetHint(SDL_HINT_RENDER_SCALE_QUALITY, "nearest");
  SDL_StartTextInput();
  int x = 0, y = 0;
  SDL_GetWindowPosition(s.window, &x, &y);
  const char* driver = SDL_GetCurrentVideoDriver();
  plat::win::LogEvent("display-window", std::string(driver ? driver : "?") + "\t" + std::to_string(x) + "," +
                                            std::to_string(y) + "\t" + std::to_string(s.scale));
  return true;
}

bool IsOpen() {
  std::lock_guard<std::mutex> g(Mutex());
  return S().window != nullptr;
}

void Present(const Surface& screen) {
  std::lock_guard<std::mutex> g(Mutex());
  State& s = S();
  if (!s.window || screen.width <= 0 || screen.height <= 0 ||
      screen.pixels.size() < static_cast<size_t>(screen.width) * screen.height)
    return;
  if (!s.texture || s.texW != screen.width || s.texH != screen.height) {
    if (s.texture) SDL_DestroyTexture(s.texture);
    s.texture = SDL_CreateTexture(s.renderer, SDL_PIXELFORMAT_ARGB8888, SDL_TEXTUREACCESS_STREAMING, screen.width,
                                  screen.height);
    if (!s.texture) return;
    s.texW = screen.width;
    s.texH = screen.height;
  }
  s.argb.resize(screen.pixels.size());
  for (size_t i = 0; i < screen.pixels.size(); ++i) {
    COLORREF c = screen.pixels[i];
    s.argb[i] = 0xFF000000u | ((c & 0xFF) << 16) | (c & 0xFF00) | ((c >> 16) & 0xFF);
  }
  SDL_UpdateTexture(s.texture, nullptr, s.argb.data(), screen.width * 4);
  Render(s);
  if (!s.presented) plat::win::LogEvent("display-window", "first picture");
  s.presented = true;
}

bool Poll(Event& ev) {
  std::lock_guard<std::mutex> g(Mutex());
  State& s = S();
  if (!s.window) return false;
  if (s.pending.empty()) {
    SDL_Event e;
    while (SDL_PollEvent(&e)) Translate(s, e);
    if (s.redraw) Render(s);
  }
  if (s.pending.empty()) return false;
  ev = s.pending.front();
  s.pending.pop_front();
  return true;
}

void Close() {
  std::lock_guard<std::mutex> g(Mutex());
  State& s = S();
  if (!s.window) return;
  SDL_StopTextInput();
  if (s.texture) SDL_DestroyTexture(s.texture);
  SDL_DestroyRenderer(s.renderer);
  SDL_DestroyWindow(s.window);
  SDL_QuitSubSystem(SDL_INIT_VIDEO);
  s = State{};
}

}  // namespace plat::display
