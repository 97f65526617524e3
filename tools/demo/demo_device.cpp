// larkspin-demo-device: the few things the demo script does to a device root that need the
// platform itself: choosing the Internet connection in the registry, starting the launcher as the
// handheld starts a program, and asking the running main program to open a screen.
//
//   larkspin-demo-device --root DIR internet        "Connect Method" = "Internet"
//   larkspin-demo-device --root DIR start           starts the launcher, prints "launcher pid N"
//   larkspin-demo-device --root DIR open-screen ID  posts WM_VX_OPEN_SCREEN ID to VXMain's frame
//   larkspin-demo-device same-picture X.png SHOT.png SCALE
//                                                   the device's screen SHOT.png, scaled by SCALE,
//                                                   is shown whole and exactly somewhere in X.png
//                                                   (a picture of the X server's screen)
//   larkspin-demo-device adopt COMMAND [ARGS...]    runs COMMAND as the parent of every process it
//                                                   leaves behind (see Adopt)
//
// Exit status: 0 done, 1 failed (the reason on standard error), 2 usage.
#include <sys/prctl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "larkspin/shared_table.h"
#include "plat/gdi.h"
#include "plat/windows.h"
#include "vxbase/messages.h"
#include "vxbase/prop_ce.h"

namespace {

constexpr const char16_t* kLauncher = u"\\Program Files\\Quorvan\\Bin\\Larkspin.exe";

int Usage() {
  std::fputs(
      "usage: larkspin-demo-device --root DIR internet | start | open-screen ID\n"
      "       larkspin-demo-device same-picture X.png SHOT.png SCALE\n"
      "       larkspin-demo-device adopt COMMAND [ARGS...]\n",
      stderr);
  return 2;
}

int Fail(const std::string& why) {
  std::fprintf(stderr, "larkspin-demo-device: %s\n", why.c_str());
  return 1;
}

int SetInternet() {
  CPropCE reg;
  if (!reg.SetBaseKey(HKEY_LOCAL_MACHINE, VX_REG_STOCK)) return Fail("cannot open the registry key");
  if (!reg.SetValue(u"Connect Method", u"Internet")) return Fail("cannot write \"Connect Method\"");
  return 0;
}

int StartLauncher() {
  PROCESS_INFORMATION pi{};
  if (!CreateProcess(kLauncher, nullptr, nullptr, nullptr, FALSE, 0, nullptr, nullptr, nullptr, &pi))
    return Fail("cannot start the launcher (error " + std::to_string(GetLastError()) + ")");
  std::printf("launcher pid %lu\n", static_cast<unsigned long>(pi.dwProcessId));
  std::fflush(stdout);
  CloseHandle(pi.hThread);
  CloseHandle(pi.hProcess);
  return 0;
}

int OpenScreen(const char* idText) {
  char* end = nullptr;
  const unsigned long id = std::strtoul(idText, &end, 10);
  if (!*idText || *end || id == 0 || id > 999999) return Usage();
  SHARED_HWND_TABLE* t = SharedTable::Map(SharedTable::kJoin);
  if (!t) return Fail("the shared window table cannot be mapped");
  HWND main = t->main_mark == VX_TABLE_MARK ? SharedTable::Peer(t->main_hwnd) : 0;
  if (!main) return Fail("the main program has no frame window");
  if (!PostMessage(main, WM_VX_OPEN_SCREEN, static_cast<WPARAM>(id), 0))
    return Fail("the main program's frame did not take the message");
  return 0;
}

// Looks for the scaled screen in the X server's picture: every place where the top-left pixel
// matches is compared whole.
int SamePicture(const char* xPath, const char* shotPath, const char* scaleText) {
  plat::Surface x, shot;
  if (!plat::gdi::ReadPng(xPath, x)) return Fail(std::string("cannot read ") + xPath);
  if (!plat::gdi::ReadPng(shotPath, shot)) return Fail(std::string("cannot read ") + shotPath);
  const int s = std::atoi(scaleText);
  if (s < 1 || s > 8) return Usage();
  const int w = shot.width * s, h = shot.height * s;
  for (int top = 0; top + h <= x.height; ++top)
    for (int left = 0; left + w <= x.width; ++left) {
      if (x.Row(top)[left] != shot.Row(0)[0]) continue;
      bool same = true;
      for (int y = 0; y < h && same; ++y) {
        const COLORREF* row = x.Row(top + y) + left;
        const COLORREF* want = shot.Row(y / s);
        for (int i = 0; i < w; ++i)
          if (row[i] != want[i / s]) {
            same = false;
            break;
          }
      }
      if (same) {
        std::printf("the screen is shown at %d,%d\n", left, top);
        return 0;
      }
    }
  return Fail(std::string("the X server does not show ") + shotPath);
}

// A session script starts the launcher, which starts the main program and ends: the main program
// is then an orphan, and a test runner that kills the script on its time-out (the script and its
// children, by parent) would leave it running. As the adopter of its orphans the script is their
// parent again, so whatever kills the script's tree ends them too. The mark survives the exec.
int Adopt(char** command) {
  if (prctl(PR_SET_CHILD_SUBREAPER, 1) != 0) return Fail(std::string("cannot adopt: ") + std::strerror(errno));
  execvp(command[0], command);
  return Fail(std::string(command[0]) + ": " + std::strerror(errno));
}

}  // namespace

int main(int argc, char** argv) {
  int i = 1;
  if (i + 1 < argc && std::strcmp(argv[i], "--root") == 0) {
    if (!*argv[i + 1]) return Usage();
    plat::SetDeviceRoot(argv[i + 1]);
    setenv("LARKSPIN_ROOT", argv[i + 1], 1);
    i += 2;
  }
  if (i >= argc) return Usage();
  const std::string command = argv[i];
  if (command == "internet" && i + 1 == argc) return SetInternet();
  if (command == "start" && i + 1 == argc) return StartLauncher();
  if (command == "open-screen" && i + 2 == argc) return OpenScreen(argv[i + 1]);
  if (command == "adopt" && i + 1 < argc) return Adopt(argv + i + 1);
  if (command == "same-picture" && i + 4 == argc) return SamePicture(argv[i + 1], argv[i + 2], argv[i + 3]);
  return Usage();
}
