// larkspin-simversion: runs the simulated version server on its own, for the demo and for
// trying the updater by hand. Requests are printed as they are answered.
//   larkspin-simversion --dir <served folder> [--port N] [--fault Name[@request]]...
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>

#include "simver/version_server.h"

namespace {
volatile std::sig_atomic_t g_stop = 0;
void onSignal(int) { g_stop = 1; }

int usage() {
  std::fprintf(stderr, "usage: larkspin-simversion --dir <served folder> [--port N] [--fault Name[@request]]...\n");
  return 2;
}
}  // namespace

int main(int argc, char** argv) {
  std::string dir;
  int port = 28101;
  std::vector<std::pair<simver::Fault, int>> faults;
  for (int i = 1; i < argc; ++i) {
    std::string a = argv[i];
    if (i + 1 >= argc) return usage();
    std::string v = argv[++i];
    if (a == "--dir") {
      dir = v;
    } else if (a == "--port") {
      char* end = nullptr;
      long p = std::strtol(v.c_str(), &end, 10);
      if (*end || p < 0 || p > 65535) return usage();
      port = static_cast<int>(p);
    } else if (a == "--fault") {
      size_t at = v.find('@');
      simver::Fault f;
      if (!simver::ParseFault(v.substr(0, at), f)) {
        std::fprintf(stderr, "unknown fault %s\n", v.c_str());
        return 2;
      }
      faults.emplace_back(f, at == std::string::npos ? 0 : std::atoi(v.c_str() + at + 1));
    } else {
      return usage();
    }
  }
  if (dir.empty()) return usage();

  simver::VersionServer server(dir);
  for (auto [f, n] : faults) server.setFault(f, n);
  int bound = server.start(port);
  if (bound < 0) {
    std::fprintf(stderr, "larkspin-simversion: %s\n", server.lastError().c_str());
    return 1;
  }
  std::printf("version server on port %d serving %zu files from %s\n", bound, server.entries().size(), dir.c_str());
  std::fflush(stdout);
  std::signal(SIGINT, onSignal);
  std::signal(SIGTERM, onSignal);
  size_t shown = 0;
  while (!g_stop) {
    server.waitForRequests(shown + 1, std::chrono::milliseconds(200));
    auto log = server.requests();
    for (; shown < log.size(); ++shown) {
      const auto& r = log[shown];
      std::printf("#%d conn %d to %s: %s%s%s%s, %d pieces%s%s\n", r.number, r.connection, r.localAddress.c_str(),
                  !r.wellFormed                 ? "malformed"
                  : r.kind == simver::kKindList ? "list"
                                                : "file ",
                  r.name.c_str(), r.kind == simver::kKindFile && r.wellFormed && !r.found ? " (not listed)" : "", "",
                  r.piecesSent, r.fault != simver::Fault::None ? ", fault " : "",
                  r.fault != simver::Fault::None ? simver::FaultName(r.fault) : "");
    }
    std::fflush(stdout);
  }
  server.stop();
  return 0;
}
