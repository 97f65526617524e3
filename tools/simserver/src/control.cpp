// The control line protocol: drives a running server from a shell, a demo or another process.
#include <poll.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <arpa/inet.h>

#include <chrono>
#include <cstring>
#include <sstream>

#include "simserver/server.h"
#include "wire.h"

namespace simsrv {

namespace {

std::vector<std::string> Words(std::string_view line) {
  std::vector<std::string> out;
  std::istringstream in{std::string(line)};
  std::string w;
  while (in >> w) out.push_back(w);
  return out;
}

bool ToInt(const std::string& s, int64_t& out) {
  if (s.empty()) return false;
  try {
    size_t used = 0;
    out = std::stoll(s, &used);
    return used == s.size();
  } catch (...) {
    return false;
  }
}

const char* kHelp =
    "commands: push <type> [codes...] | push-raw <type> <hex> | trade <code> <price> [quantity] |"
    " index <code> <value in hundredths> | fault <kind> [code] [ms=N] [count=N|always] | fault clear |"
    " user <id> <password> [accounts...] | account <10 digits> <password> <cash> |"
    " regs <type> <code> | conns | log [clear] | drop | quit";

}  // namespace

std::string RunControlCommand(TradingServer& server, std::string_view line, bool* quit) {
  std::vector<std::string> w = Words(line);
  if (w.empty()) return "error empty command";
  const std::string& cmd = w[0];
  int64_t a = 0, b = 0, q = 0;
  if (cmd == "help") return std::string("ok ") + kHelp;
  if (cmd == "quit") {
    if (quit) *quit = true;
    return "ok bye";
  }
  if (cmd == "push" && w.size() >= 2 && ToInt(w[1], a) && a > 0 && a < 65536) {
    std::vector<std::string> codes(w.begin() + 2, w.end());
    return "ok " + std::to_string(server.push(static_cast<uint16_t>(a), codes));
  }
  if (cmd == "push-raw" && w.size() == 3 && ToInt(w[1], a) && a > 0 && a < 65536) {
    Bytes body;
    if (!wire::ParseHex(w[2], body)) return "error bad hex";
    return "ok " + std::to_string(server.pushRaw(static_cast<uint16_t>(a), body));
  }
  if (cmd == "trade" && (w.size() == 3 || w.size() == 4) && ToInt(w[2], b) && b > 0) {
    if (w.size() == 4 && (!ToInt(w[3], q) || q < 0)) return "error bad quantity";
    int n = server.trade(w[1], b, w.size() == 4 ? q : 1);
    return n < 0 ? "error unknown item " + w[1] : "ok " + std::to_string(n);
  }
  if (cmd == "index" && w.size() == 3 && ToInt(w[2], b)) {
    bool known = server.withMarket([&](Market& m) {
      if (!m.FindIndex(w[1])) return false;
      m.SetIndex(w[1], b);
      return true;
    });
    if (!known) return "error unknown index " + w[1];
    return "ok " + std::to_string(server.push(9210, {w[1]}));
  }
  if (cmd == "fault" && w.size() == 2 && w[1] == "clear") {
    server.clearFaults();
    return "ok";
  }
  if (cmd == "fault") {
    Fault f;
    std::string error;
    if (!ParseFault(line.substr(line.find("fault") + 5), f, error)) return "error " + error;
    server.setFault(f);
    return "ok";
  }
  if (cmd == "user" && w.size() >= 3) {
    if (w[1].size() > 10 || w[2].size() > 8) return "error id up to 10, password up to 8 characters";
    server.addUser(User{w[1], w[2], std::vector<std::string>(w.begin() + 3, w.end())});
    return "ok";
  }
  if (cmd == "account" && w.size() == 4 && w[1].size() == 10 && ToInt(w[3], a)) {
    Account acct;
    acct.number = w[1];
    acct.password = w[2];
    acct.cash = a;
    server.withMarket([&](Market& m) {
      m.AddAccount(acct);
      return 0;
    });
    return "ok";
  }
  if (cmd == "regs" && w.size() == 3 && ToInt(w[1], a))
    return "ok " + std::to_string(server.registrations(static_cast<uint16_t>(a), w[2]));
  if (cmd == "conns") return "ok " + std::to_string(server.connectionCount());
  if (cmd == "drop") {
    server.dropConnections();
    return "ok";
  }
  if (cmd == "log" && w.size() == 2 && w[1] == "clear") {
    server.clearLog();
    return "ok";
  }
  if (cmd == "log" && w.size() == 1) {
    std::string out;
    for (const LogEntry& e : server.log()) out += FormatLogEntry(e) + "\n";
    return out + "end";
  }
  return "error unknown or malformed command; " + std::string(kHelp);
}

ControlServer::~ControlServer() { stop(); }

int ControlServer::start(const std::string& where, std::string& error) {
  int port = 0;
  if (where.find('/') != std::string::npos) {
    sockaddr_un a{};
    if (where.size() >= sizeof a.sun_path) {
      error = "socket path too long";
      return -1;
    }
    fd_ = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    a.sun_family = AF_UNIX;
    std::memcpy(a.sun_path, where.c_str(), where.size() + 1);
    ::unlink(where.c_str());
    if (fd_ < 0 || ::bind(fd_, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 || ::listen(fd_, 4) != 0) {
      error = "control socket " + where + ": " + std::strerror(errno);
      if (fd_ >= 0) ::close(fd_);
      fd_ = -1;
      return -1;
    }
    unixPath_ = where;
  } else {
    std::string p = where.substr(where.rfind(':') == std::string::npos ? 0 : where.rfind(':') + 1);
    int64_t v = 0;
    if (!ToInt(p, v) || v < 0 || v > 65535) {
      error = "bad control port '" + where + "'";
      return -1;
    }
    fd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    int one = 1;
    ::setsockopt(fd_, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    a.sin_port = htons(static_cast<uint16_t>(v));
    if (fd_ < 0 || ::bind(fd_, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 || ::listen(fd_, 4) != 0) {
      error = "control port " + where + ": " + std::strerror(errno);
      if (fd_ >= 0) ::close(fd_);
      fd_ = -1;
      return -1;
    }
    socklen_t len = sizeof a;
    ::getsockname(fd_, reinterpret_cast<sockaddr*>(&a), &len);
    port = ntohs(a.sin_port);
  }
  running_ = true;
  thread_ = std::thread([this] { loop(); });
  return port;
}

void ControlServer::stop() {
  if (!running_.exchange(false)) return;
  ::shutdown(fd_, SHUT_RDWR);
  if (thread_.joinable()) thread_.join();
  ::close(fd_);
  fd_ = -1;
  {
    std::lock_guard<std::mutex> lock(mu_);
    for (int fd : clientFds_) ::shutdown(fd, SHUT_RDWR);
  }
  for (auto& t : clients_)
    if (t.joinable()) t.join();
  clients_.clear();
  if (!unixPath_.empty()) ::unlink(unixPath_.c_str());
}

bool ControlServer::waitQuit(int timeoutMs) {
  std::unique_lock<std::mutex> lock(mu_);
  return cv_.wait_for(lock, std::chrono::milliseconds(timeoutMs), [this] { return quit_.load(); });
}

void ControlServer::loop() {
  while (running_) {
    int fd = ::accept4(fd_, nullptr, nullptr, SOCK_CLOEXEC);
    if (fd < 0) {
      if (!running_) break;
      if (errno == EINTR || errno == ECONNABORTED) continue;
      break;
    }
    std::lock_guard<std::mutex> lock(mu_);
    clientFds_.push_back(fd);
    clients_.emplace_back([this, fd] { serveClient(fd); });
  }
}

void ControlServer::addCommand(const std::string& word, std::function<std::string()> run) {
  std::lock_guard<std::mutex> lock(mu_);
  added_[word] = std::move(run);
}

void ControlServer::serveClient(int fd) {
  std::string buf;
  char chunk[512];
  bool quit = false;
  while (!quit) {
    ssize_t n = ::recv(fd, chunk, sizeof chunk, 0);
    if (n <= 0) break;
    buf.append(chunk, static_cast<size_t>(n));
    size_t nl;
    while (!quit && (nl = buf.find('\n')) != std::string::npos) {
      std::string line = buf.substr(0, nl);
      buf.erase(0, nl + 1);
      if (!line.empty() && line.back() == '\r') line.pop_back();
      if (line.empty()) continue;
      std::function<std::string()> added;
      {
        std::lock_guard<std::mutex> lock(mu_);
        auto it = added_.find(line);
        if (it != added_.end()) added = it->second;
      }
      std::string answer = (added ? added() : RunControlCommand(server_, line, &quit)) + "\n";
      ::send(fd, answer.data(), answer.size(), MSG_NOSIGNAL);
    }
  }
  {
    std::lock_guard<std::mutex> lock(mu_);
    for (auto it = clientFds_.begin(); it != clientFds_.end(); ++it)
      if (*it == fd) {
        clientFds_.erase(it);
        break;
      }
    ::close(fd);
    if (quit) quit_ = true;
  }
  cv_.notify_all();
}

}  // namespace simsrv
