// larkspin-simserver: the simulated trading server as a program, for the demo and end-to-end tests.
#include <algorithm>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "simserver/server.h"

#ifdef LARKSPIN_HAVE_SIMVERSION
#include "simver/version_server.h"
#endif

namespace {

volatile std::sig_atomic_t gStop = 0;
void OnSignal(int) { gStop = 1; }

// Reads the server keys and ports of a device root's configuration file: the programs' folder
// holds "Pelvato.conf" with lines KEY=VALUE; comment lines hold "/*" or "#".
bool ReadDeviceConfig(const std::string& root, int& mainPort, int& versionPort, std::vector<std::string>& addresses,
                      std::string& error) {
  std::string path = root + "/Program Files/Quorvan/Bin/Pelvato.conf";
  FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) {
    error = "cannot read " + path;
    return false;
  }
  char line[512];
  while (std::fgets(line, sizeof line, f)) {
    std::string l;
    for (char* c = line; *c; ++c)
      if (*c != '\r' && *c != '\n' && *c != '\t') l.push_back(*c);
    if (l.find("/*") != std::string::npos || l.find('#') != std::string::npos) continue;
    size_t eq = l.find('=');
    if (eq == std::string::npos) continue;
    std::string key = l.substr(0, eq), value = l.substr(eq + 1);
    while (!key.empty() && key.back() == ' ') key.pop_back();
    while (!value.empty() && value.front() == ' ') value.erase(0, 1);
    while (!value.empty() && value.back() == ' ') value.pop_back();
    if (key == "MAIN PORT NUMBER")
      mainPort = std::atoi(value.c_str());
    else if (key == "VERMAN PORT NUMBER")
      versionPort = std::atoi(value.c_str());
    else if ((key == "INTERNET SERVER" || key == "SKT SERVER" || key == "KTF SERVER" || key == "LGT SERVER") &&
             value.rfind("127.", 0) == 0 && std::find(addresses.begin(), addresses.end(), value) == addresses.end())
      addresses.push_back(value);
  }
  std::fclose(f);
  return true;
}

void Usage() {
  std::fprintf(stderr,
               "usage: larkspin-simserver [options]\n"
               "  --root DIR         a device root: its Pelvato.conf gives the default ports and the\n"
               "                     loopback server addresses to listen on\n"
               "  --port N           trading port (0 = a free one; printed as \"trading port N\")\n"
               "  --control SPEC     control socket: a port (\"7001\", 0 = free) or a Unix socket path\n"
               "  --version-port N   also run the version server on port N (0 = free)\n"
               "  --version-dir DIR  folder the version server serves (with its versions.txt)\n"
               "  --version-delay MS the version server waits MS milliseconds before each reply\n"
               "  --version-hold     the version server holds every reply until \"version-release\"\n"
               "                     comes on the control socket (needs --control)\n"
               "  --users FILE       users and accounts (added to the built-in demo user)\n"
               "  --scenario FILE    run a scripted conversation; exit status tells whether it completed\n"
               "  --log FILE         append every received packet, decoded, to FILE\n"
               "  --keys DIR         test_server_key.pem and test_server.der (default: the source tree's)\n"
               "  --seed N           repeatable session randoms (0 = from the system; default 1)\n"
               "  --addresses LIST   loopback addresses to listen on, comma-separated\n"
               "                     (default 127.0.0.1,127.0.0.2,127.0.0.3,127.0.0.4)\n"
               "  --ticker MS[:CODES] trade every MS milliseconds, one tick up or down, each code of\n"
               "                     the comma-separated CODES (default 005930): pushes for the demo\n"
               "  --blank-names      item names of 4101 replies padded with blanks, not zeros\n"
               "  --day-trades N     open with the day's last N trades of every item (at most 30;\n"
               "                     default 9, 0 none), ending at its price and volume\n"
               "  --verbose          print the request log on stderr\n");
}

}  // namespace

int main(int argc, char** argv) {
  simsrv::ServerOptions opt;
  int port = -1, versionPort = -1, versionDelay = 0;
  bool versionHold = false;
  std::string control, versionDir, users, scenarioPath, root;
  // The market has been open a while: the trade lists and the home board show the day's trades.
  int tickerMs = 0, dayTrades = 9;
  std::vector<std::string> tickerCodes;
  for (int i = 1; i < argc; ++i) {
    std::string a = argv[i];
    auto value = [&](std::string& out) {
      if (i + 1 >= argc) {
        std::fprintf(stderr, "%s needs a value\n", a.c_str());
        std::exit(2);
      }
      out = argv[++i];
    };
    auto number = [&](int& out) {
      std::string v;
      value(v);
      char* end = nullptr;
      long n = std::strtol(v.c_str(), &end, 10);
      if (v.empty() || *end || n < 0 || n > 65535) {
        std::fprintf(stderr, "%s: bad number '%s'\n", a.c_str(), v.c_str());
        std::exit(2);
      }
      out = static_cast<int>(n);
    };
    std::string s;
    if (a == "--port")
      number(port);
    else if (a == "--root")
      value(root);
    else if (a == "--control")
      value(control);
    else if (a == "--version-port")
      number(versionPort);
    else if (a == "--version-dir")
      value(versionDir);
    else if (a == "--version-delay")
      number(versionDelay);
    else if (a == "--version-hold")
      versionHold = true;
    else if (a == "--users")
      value(users);
    else if (a == "--scenario")
      value(scenarioPath);
    else if (a == "--log")
      value(opt.logPath);
    else if (a == "--keys")
      value(opt.keysDir);
    else if (a == "--seed")
      value(s), opt.seed = std::strtoull(s.c_str(), nullptr, 10);
    else if (a == "--verbose")
      opt.quietLog = false;
    else if (a == "--blank-names")
      opt.blankNames = true;
    else if (a == "--day-trades")
      number(dayTrades);
    else if (a == "--ticker") {
      value(s);
      size_t colon = s.find(':');
      char* end = nullptr;
      const std::string interval = s.substr(0, colon);  // kept while `end` points into it
      long ms = std::strtol(interval.c_str(), &end, 10);
      if (colon == 0 || *end || ms <= 0 || ms > 3600000) {
        std::fprintf(stderr, "--ticker: bad interval '%s'\n", s.c_str());
        return 2;
      }
      tickerMs = static_cast<int>(ms);
      std::string codes = colon == std::string::npos ? "005930" : s.substr(colon + 1);
      for (size_t at = 0; at <= codes.size();) {
        size_t comma = codes.find(',', at);
        if (comma == std::string::npos) comma = codes.size();
        if (comma > at) tickerCodes.push_back(codes.substr(at, comma - at));
        at = comma + 1;
      }
      if (tickerCodes.empty()) {
        std::fprintf(stderr, "--ticker: no item codes in '%s'\n", s.c_str());
        return 2;
      }
    } else if (a == "--addresses") {
      value(s);
      opt.addresses.clear();
      for (size_t at = 0; at <= s.size();) {
        size_t comma = s.find(',', at);
        if (comma == std::string::npos) comma = s.size();
        if (comma > at) opt.addresses.push_back(s.substr(at, comma - at));
        at = comma + 1;
      }
    } else if (a == "--help" || a == "-h")
      return Usage(), 0;
    else
      return std::fprintf(stderr, "unknown option %s\n", a.c_str()), Usage(), 2;
  }

  std::string error;
  if (!root.empty()) {
    int mainPort = -1, verPort = -1;
    std::vector<std::string> addresses;
    if (!ReadDeviceConfig(root, mainPort, verPort, addresses, error))
      return std::fprintf(stderr, "%s\n", error.c_str()), 1;
    if (port < 0) port = mainPort;
    if (versionPort < 0 && !versionDir.empty()) versionPort = verPort;
    if (!addresses.empty()) opt.addresses = addresses;
  }
  if (port < 0) port = 0;
  simsrv::TradingServer server(opt);
  if (!users.empty()) {
    bool ok = server.withMarket([&](simsrv::Market& m) { return m.LoadUsers(users, error); });
    if (!ok) return std::fprintf(stderr, "%s\n", error.c_str()), 1;
  }
  if (dayTrades > 0) server.withMarket([&](simsrv::Market& m) { m.SeedDayTrades(dayTrades); });
  simsrv::Scenario scenario;
  if (!scenarioPath.empty()) {
    if (!simsrv::LoadScenario(scenarioPath, scenario, error)) return std::fprintf(stderr, "%s\n", error.c_str()), 1;
    server.setScenario(scenario);
  }
  int actual = server.start(static_cast<uint16_t>(port));
  if (actual < 0) return std::fprintf(stderr, "trading server: %s\n", server.lastError().c_str()), 1;
  std::printf("trading port %d\n", actual);

  std::unique_ptr<simsrv::ControlServer> ctl;
  if (!control.empty()) {
    ctl = std::make_unique<simsrv::ControlServer>(server);
    int cport = ctl->start(control, error);
    if (cport < 0) return std::fprintf(stderr, "%s\n", error.c_str()), 1;
    if (cport > 0)
      std::printf("control port %d\n", cport);
    else
      std::printf("control socket %s\n", control.c_str());
  }

#ifdef LARKSPIN_HAVE_SIMVERSION
  std::unique_ptr<simver::VersionServer> version;
  if (versionPort >= 0) {
    version = std::make_unique<simver::VersionServer>(versionDir.empty() ? std::string(".") : versionDir);
    version->setReplyDelay(std::chrono::milliseconds(versionDelay));
    if (versionHold) {
      if (!ctl) return std::fprintf(stderr, "--version-hold needs --control\n"), 2;
      version->holdReplies(true);
      simver::VersionServer* v = version.get();
      ctl->addCommand("version-release", [v] {
        v->holdReplies(false);
        return std::string("ok version replies released");
      });
    }
    int vport = version->start(versionPort);
    if (vport < 0) return std::fprintf(stderr, "version server: %s\n", version->lastError().c_str()), 1;
    std::printf("version port %d\n", vport);
  }
#else
  (void)versionHold;
  if (versionPort >= 0) return std::fprintf(stderr, "this build has no version server\n"), 1;
#endif
  std::fflush(stdout);
  if (tickerMs > 0) {
    server.startTicker(tickerMs, tickerCodes);
    // A driver that compares pictures of the screen stops the trades once it has seen them: a
    // screen that changes every few milliseconds never holds still for two pictures.
    if (ctl)
      ctl->addCommand("ticker-stop", [&server] {
        server.stopTicker();
        return std::string("ok ticker stopped");
      });
  }

  std::signal(SIGINT, OnSignal);
  std::signal(SIGTERM, OnSignal);
  int status = 0;
  while (!gStop) {
    if (ctl && ctl->waitQuit(100)) break;
    if (!ctl) {
      struct timespec ts {
        0, 100 * 1000 * 1000
      };
      nanosleep(&ts, nullptr);
    }
    if (!scenarioPath.empty()) {
      std::string why;
      if (server.scenarioDone(&why)) break;
      if (why.rfind("stopped before", 0) != 0) {
        std::fprintf(stderr, "scenario failed: %s\n", why.c_str());
        status = 1;
        break;
      }
    }
  }
  if (!scenarioPath.empty() && status == 0) {
    std::string why;
    if (!server.scenarioDone(&why)) {
      std::fprintf(stderr, "scenario incomplete: %s\n", why.c_str());
      status = 1;
    } else {
      std::printf("scenario complete\n");
    }
  }
  if (ctl) ctl->stop();
#ifdef LARKSPIN_HAVE_SIMVERSION
  if (version) version->stop();
#endif
  server.stop();
  return status;
}
