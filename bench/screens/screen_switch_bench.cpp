// Screen switch times. Every screen plug-in built beside this program (ZR####.so, VX####.so) is
// placed on a device logged in to the simulated trading server in this process, and opened in
// turn, each after another one, for several rounds, as the main program's host opens a screen:
// the previous screen ended, LoadLibrary, MainDlg, the receive thread pointed at the new dialog,
// WM_VX_QUERY.
//   shown:    from the open to the screen painted with what it could draw without the server
//             (the user-interface thread has nothing left to handle);
//   answered: from the open to the screen painted with the server's replies to its queries.
//   ui cpu:   the processor time the user-interface thread spent within "shown" (what is left of
//             "shown" is waiting: for the processor on a loaded machine, or for another thread).
// Printed per screen (median, 99th percentile, worst) and over all switches (median, 90th and
// 99th percentile, worst).
// The device's screen is shared as in the main program: what the screen painted is published to
// the device's screen (the automation's settle publishes a settled picture at once), and that is
// part of both times.
// The device holds the build's configuration file and item-code lists, as the main program's
// device does. A box a screen raises is answered with its first button and counted; a screen is
// ended only once it and the server are at rest with no box open (never under its own box).
//   larkspin_screen_switch_bench [rounds (default 20)] [screens: a pattern of names, default all]
#include <dlfcn.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <regex>
#include <string>
#include <vector>

#include "screen_host.h"
#include "simserver/quiet.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

double Ms(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

double Percentile(std::vector<double> v, double p) {
  if (v.empty()) return 0;
  std::sort(v.begin(), v.end());
  return v[std::min(v.size() - 1, size_t(p * double(v.size() - 1) + 0.5))];
}

class Host : public screentest::ScreenHost {
 public:
  // Opens `name` after ending the open screen; the two times in milliseconds.
  bool Switch(const std::string& name, double* shown, double* uiCpu, double* answered, int* boxes) {
    Close();
    const std::u16string file = screentest::Utf16(name + ".dll");
    bool ok = true;
    const double cpuAtStart = UiCpuMs();
    const auto start = Clock::now();
    d->Ui([&] {
      module = LoadLibrary((u"\\Program Files\\Quorvan\\Bin\\" + file).c_str());
      auto mainDlg = module
                         ? reinterpret_cast<void* (*)(void*, HWND, SOCKET, CVXSocketThread*, EE_Encrypt*, CCodeManager*,
                                                      BOOL, CMenuConfigFile*)>(GetProcAddress(module, "MainDlg"))
                         : nullptr;
      end = module ? reinterpret_cast<void (*)()>(GetProcAddress(module, "EndDlg")) : nullptr;
      if (!mainDlg || !end) {
        ok = false;
        return;
      }
      uint32_t record[2] = {1, 1};
      mainDlg(record, owner, thread->GetSocket(), thread, &encrypt, &codes, autoReceive, &menu);
      dlg = static_cast<HWND>(record[0]);
      if (!dlg) {
        ok = false;
        return;
      }
      thread->SetHwnd(dlg);
      SendMessage(dlg, WM_VX_QUERY, 0, 0);
    });
    if (!ok) return false;
    d->Settle();
    *shown = Ms(Clock::now() - start);
    *uiCpu = UiCpuMs() - cpuAtStart;
    const bool rest = AtRest(boxes);
    *answered = Ms(Clock::now() - start);
    if (!rest) std::fprintf(stderr, "%s: the screen and the server did not come to rest\n", name.c_str());
    return true;
  }

 private:
  // The user-interface thread's processor time so far (the kernel's count, in nanoseconds).
  double UiCpuMs() {
    if (statPath.empty()) statPath = "/proc/self/task/" + std::to_string(d->UiThreadId()) + "/schedstat";
    unsigned long long ns = 0;
    if (FILE* f = std::fopen(statPath.c_str(), "r")) {
      if (std::fscanf(f, "%llu", &ns) != 1) ns = 0;
      std::fclose(f);
    }
    return double(ns) / 1e6;
  }
  std::string statPath;

  // Waits until everything the screen sent has been answered and handled, answering its boxes on
  // the way: a box raised by a late reply would otherwise still be open when the screen is ended.
  bool AtRest(int* boxes) {
    auto answerBoxes = [&] {
      plat::win::MessageBoxInfo b;
      while (plat::win::PendingMessageBox(&b)) {
        ++*boxes;
        plat::win::AnswerMessageBox(b.buttons.front(), b.hwnd);
        d->Settle();
      }
    };
    return simsrv::WaitQuiet(server, *d, *thread, 5000, answerBoxes);
  }
};

}  // namespace

int main(int argc, char** argv) {
  const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 20;
  const fs::path bin = fs::canonical("/proc/self/exe").parent_path();
  const std::regex screenFile("(ZR|VX)[0-9]{4}\\.so");
  const std::regex chosen(argc > 2 ? argv[2] : ".*");
  std::vector<std::string> names;
  Host host;
  for (const auto& e : fs::directory_iterator(bin)) {
    const std::string f = e.path().filename().string();
    if (!std::regex_match(f, screenFile) || !std::regex_match(e.path().stem().string(), chosen)) continue;
    // Only screen plug-ins: a library with MainDlg and EndDlg.
    void* h = dlopen(e.path().c_str(), RTLD_LAZY | RTLD_LOCAL);
    const bool screen = h && dlsym(h, "MainDlg") && dlsym(h, "EndDlg");
    if (h) dlclose(h);
    if (!screen) continue;
    host.plugins.push_back(e.path().string());
    names.push_back(e.path().stem().string());
  }
  std::sort(names.begin(), names.end());
  if (names.empty()) {
    std::fprintf(stderr, "no screen plug-ins beside %s\n", bin.c_str());
    return 1;
  }
  host.StartHost();
  if (!host.d) return 1;
  // The configuration file and the item-code lists of the build's device.
  const fs::path device = LARKSPIN_DEVICE_DIR "/Program Files/Quorvan";
  const fs::path onHost = host.root + "/Program Files/Quorvan";
  std::error_code ec;
  fs::copy(device / "Bin" / "Pelvato.conf", onHost / "Bin" / "Pelvato.conf", fs::copy_options::overwrite_existing, ec);
  if (!ec)
    fs::copy(device / "Code", onHost / "Code", fs::copy_options::recursive | fs::copy_options::overwrite_existing, ec);
  if (ec) {
    std::fprintf(stderr, "the device's configuration and code lists: %s\n", ec.message().c_str());
    return 1;
  }
  host.d->Ui([] { plat::win::SetScreenSharing(true); });
  host.StoreFutOptAccounts({u"5555555501"});

  struct Times {
    std::vector<double> shown, cpu, answered;
    int boxes = 0;
  };
  std::vector<Times> times(names.size());
  std::vector<double> allShown, allCpu, allAnswered;
  for (int r = 0; r < rounds; ++r) {
    for (size_t i = 0; i < names.size(); ++i) {
      double shown = 0, cpu = 0, answered = 0;
      if (!host.Switch(names[i], &shown, &cpu, &answered, &times[i].boxes)) {
        std::fprintf(stderr, "%s did not open\n", names[i].c_str());
        continue;
      }
      if (r == 0) continue;  // the first round loads each plug-in from the file system cold
      times[i].shown.push_back(shown);
      times[i].cpu.push_back(cpu);
      allCpu.push_back(cpu);
      times[i].answered.push_back(answered);
      allShown.push_back(shown);
      allAnswered.push_back(answered);
    }
  }
  host.StopHost();

  std::printf("%-8s %10s %10s %10s %10s %12s %12s %6s\n", "screen", "shown p50", "shown p99", "shown max", "ui cpu p50",
              "answered p50", "answered max", "boxes");
  for (size_t i = 0; i < names.size(); ++i) {
    const Times& t = times[i];
    std::printf("%-8s %10.2f %10.2f %10.2f %10.2f %12.2f %12.2f %6d\n", names[i].c_str(), Percentile(t.shown, 0.5),
                Percentile(t.shown, 0.99), Percentile(t.shown, 1), Percentile(t.cpu, 0.5), Percentile(t.answered, 0.5),
                Percentile(t.answered, 1), t.boxes);
  }
  std::printf(
      "all %zu screens, %zu switches (ms): shown p50 %.2f p90 %.2f p99 %.2f max %.2f; "
      "answered p50 %.2f p90 %.2f p99 %.2f max %.2f; ui cpu in shown p50 %.2f p90 %.2f p99 %.2f\n",
      names.size(), allShown.size(), Percentile(allShown, 0.5), Percentile(allShown, 0.9), Percentile(allShown, 0.99),
      Percentile(allShown, 1), Percentile(allAnswered, 0.5), Percentile(allAnswered, 0.9),
      Percentile(allAnswered, 0.99), Percentile(allAnswered, 1), Percentile(allCpu, 0.5), Percentile(allCpu, 0.9),
      Percentile(allCpu, 0.99));
  return 0;
}
