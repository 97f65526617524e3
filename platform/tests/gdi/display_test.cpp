// The real window stays shut unless it is asked for and a display server is there; while shut,
// every display call is harmless.
#include <gtest/gtest.h>

#include <cstdlib>
#include <map>
#include <optional>
#include <string>

#include "plat/display.h"

namespace {

// Sets environment variables for one test and puts the old values back afterwards.
class EnvGuard {
 public:
  void Set(const char* name, const char* value) {
    if (!saved_.count(name)) {
      const char* old = std::getenv(name);
      saved_[name] = old ? std::optional<std::string>(old) : std::nullopt;
    }
    if (value)
      setenv(name, value, 1);
    else
      unsetenv(name);
  }
  ~EnvGuard() {
    for (const auto& [name, value] : saved_) {
      if (value)
        setenv(name.c_str(), value->c_str(), 1);
      else
        unsetenv(name.c_str());
    }
  }

 private:
  std::map<std::string, std::optional<std::string>> saved_;
};

void ExpectShutAndHarmless() {
  EXPECT_FALSE(plat::display::IsOpen());
  plat::Surface screen;
  screen.Resize(PLAT_SCREEN_WIDTH, PLAT_SCREEN_HEIGHT);
  plat::display::Present(screen);
  plat::display::Event ev;
  EXPECT_FALSE(plat::display::Poll(ev));
  plat::display::Close();
}

struct EnvCase {
  const char* name;
  const char* larkspinDisplay;
  const char* x11Display;
};

class HeadlessTest : public ::testing::TestWithParam<EnvCase> {};

TEST_P(HeadlessTest, DisplayStaysShut) {
  const EnvCase& c = GetParam();
  EnvGuard env;
  env.Set("LARKSPIN_DISPLAY", c.larkspinDisplay);
  env.Set("DISPLAY", c.x11Display);
  env.Set("WAYLAND_DISPLAY", nullptr);
  env.Set("SDL_VIDEODRIVER", nullptr);
  EXPECT_FALSE(plat::display::Open("VXMain")) << c.name;
  ExpectShutAndHarmless();
}

INSTANTIATE_TEST_SUITE_P(Switch, HeadlessTest,
                         ::testing::Values(EnvCase{"not_asked", nullptr, ":99"},
                                           EnvCase{"other_value", "headless", ":99"},
                                           EnvCase{"asked_without_a_display_server", "sdl", nullptr}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
