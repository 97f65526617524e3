#include "simserver/server.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <fstream>

#include "wire.h"

#ifndef SIMSERVER_KEYS_DIR
#define SIMSERVER_KEYS_DIR "keys"
#endif

namespace simsrv {

namespace {

constexpr size_t kHeader = 15;
constexpr size_t kMaxPacket = 4096;

uint64_t NowMs() {
  return static_cast<uint64_t>(
      std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch())
          .count());
}

bool RecvAll(int fd, uint8_t* p, size_t n) {
  while (n > 0) {
    ssize_t r = ::recv(fd, p, n, 0);
    if (r <= 0) return false;
    p += r;
    n -= static_cast<size_t>(r);
  }
  return true;
}

// Requests whose plain body carries a password, and where: login id/password, or ACCOUNT_AUTH.
void MaskSecrets(uint16_t code, Bytes& plain) {
  auto mask = [&](size_t from, size_t to) {
    for (size_t i = from; i < to && i < plain.size(); ++i)
      if (plain[i] != 0) plain[i] = '*';
  };
  if (code == 4020) {
    mask(10, 20);
    return;
  }
  switch (code) {
    case 2300:
    case 2310:
    case 2320:
    case 2330:
    case 4340:
    case 4350:
    case 4360:
    case 4380:
    case 2420:
    case 2421:
    case 2425:
    case 4440:
    case 4401:
    case 4402:
    case 4450:
    case 5300:
    case 5301:
    case 5302:
    case 5303:
    case 5304:
    case 5400:
    case 5401: mask(10, 18); break;
    case 2422:  // carries only the first 4 bytes of the password
      mask(10, 14);
      break;
    default: break;
  }
}

}  // namespace

const char* FaultName(FaultKind kind) {
  switch (kind) {
    case FaultKind::None: return "none";
    case FaultKind::CloseNow: return "close";
    case FaultKind::CloseMidPacket: return "close-mid";
    case FaultKind::Oversize: return "oversize";
    case FaultKind::ShortPacket: return "short";
    case FaultKind::TamperMac: return "tamper-mac";
    case FaultKind::Replay: return "replay";
    case FaultKind::WrongSessionId: return "wrong-session";
    case FaultKind::Delay: return "delay";
    case FaultKind::NoReply: return "no-reply";
    case FaultKind::FillFF: return "fill-ff";
  }
  return "?";
}

bool ParseFault(std::string_view text, Fault& out, std::string& error) {
  out = Fault{};
  std::vector<std::string> words;
  std::string w;
  for (char ch : text) {
    if (ch == ' ' || ch == '\t') {
      if (!w.empty()) words.push_back(w), w.clear();
    } else {
      w.push_back(ch);
    }
  }
  if (!w.empty()) words.push_back(w);
  if (words.empty()) {
    error = "fault kind missing";
    return false;
  }
  bool found = false;
  for (int k = 0; k <= static_cast<int>(FaultKind::FillFF); ++k) {
    if (words[0] == FaultName(static_cast<FaultKind>(k))) {
      out.kind = static_cast<FaultKind>(k);
      found = true;
    }
  }
  if (!found) {
    error = "unknown fault '" + words[0] + "'";
    return false;
  }
  for (size_t i = 1; i < words.size(); ++i) {
    const std::string& a = words[i];
    try {
      if (a.rfind("ms=", 0) == 0)
        out.delayMs = static_cast<uint32_t>(std::stoul(a.substr(3)));
      else if (a == "count=always" || a == "always")
        out.count = -1;
      else if (a.rfind("count=", 0) == 0)
        out.count = std::stoi(a.substr(6));
      else if (a.rfind("code=", 0) == 0)
        out.code = static_cast<uint16_t>(std::stoul(a.substr(5)));
      else
        out.code = static_cast<uint16_t>(std::stoul(a));
    } catch (...) {
      error = "bad fault argument '" + a + "'";
      return false;
    }
  }
  return true;
}

std::string FormatLogEntry(const LogEntry& e) {
  char head[160];
  std::snprintf(head, sizeof head, "%llu.%03llu conn=%d addr=%s code=%u status=%s enc=%u len=%zu",
                static_cast<unsigned long long>(e.timeMs / 1000), static_cast<unsigned long long>(e.timeMs % 1000),
                e.connection, e.localAddress.c_str(), e.code, e.status.c_str(), e.encFlag, e.body.size());
  std::string s = head;
  s += " body=" + wire::Hex(e.body);
  if (e.deciphered) s += " plain=" + wire::Hex(e.plain);
  if (e.sessionError)
    s += std::string(" session-error=") + std::to_string(e.sessionError) + "(" + SessionCodeName(e.sessionError) + ")";
  if (!e.note.empty()) s += " note=" + e.note;
  return s;
}

void Reply::Error(std::string_view captionUtf8, std::string_view textUtf8) {
  status[0] = '9';
  status[1] = '9';
  body.assign(14, ' ');
  std::string cap = wire::ToCp949(captionUtf8);
  // Cut to 14 bytes without splitting a two-byte character.
  size_t n = 0;
  while (n < cap.size()) {
    size_t w = static_cast<uint8_t>(cap[n]) >= 0x81 ? 2 : 1;
    if (n + w > 14) break;
    n += w;
  }
  std::memcpy(body.data(), cap.data(), n);
  std::string text = wire::ToCp949(textUtf8);
  body.insert(body.end(), text.begin(), text.end());
}

TradingServer::TradingServer(ServerOptions options) : options_(std::move(options)), random_(options_.seed) {
  handlers_ = DefaultHandlers();
}

TradingServer::~TradingServer() { stop(); }

int TradingServer::start(uint16_t port) {
  if (running_) return port_;
  if (!crypto::EnsureProviders()) {
    error_ = "OpenSSL has no SEED cipher (legacy provider missing)";
    return -1;
  }
  std::string dir = options_.keysDir.empty() ? std::string(SIMSERVER_KEYS_DIR) : options_.keysDir;
  if (!identity_.key.Loaded() && !identity_.Load(dir, error_)) return -1;
  std::vector<std::string> addresses = options_.addresses;
  if (addresses.empty()) addresses = {"127.0.0.1"};
  int chosen = port;
  for (const std::string& address : addresses) {
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(static_cast<uint16_t>(chosen));
    if (::inet_pton(AF_INET, address.c_str(), &a.sin_addr) != 1) {
      error_ = "bad address " + address;
      break;
    }
    int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    int one = 1;
    ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    if (fd < 0 || ::bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 || ::listen(fd, 16) != 0) {
      error_ = "listen on " + address + ":" + std::to_string(chosen) + ": " + std::strerror(errno);
      if (fd >= 0) ::close(fd);
      break;
    }
    socklen_t len = sizeof a;
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&a), &len);
    chosen = ntohs(a.sin_port);  // a port of 0 becomes the one the first address got
    listenFds_.push_back(fd);
  }
  if (listenFds_.size() != addresses.size() || ::pipe2(wakePipe_, O_CLOEXEC) != 0) {
    for (int fd : listenFds_) ::close(fd);
    listenFds_.clear();
    return -1;
  }
  port_ = chosen;
  startMs_ = NowMs();
  running_ = true;
  acceptThread_ = std::thread([this] { acceptLoop(); });
  return port_;
}

void TradingServer::stop() {
  stopTicker();
  if (!running_.exchange(false)) return;
  char wake = 1;
  (void)!::write(wakePipe_[1], &wake, 1);
  if (acceptThread_.joinable()) acceptThread_.join();
  for (int fd : listenFds_) ::close(fd);
  listenFds_.clear();
  ::close(wakePipe_[0]);
  ::close(wakePipe_[1]);
  wakePipe_[0] = wakePipe_[1] = -1;
  std::vector<std::shared_ptr<Connection>> conns;
  {
    std::lock_guard<std::mutex> lock(connMu_);
    conns = connections_;
  }
  for (auto& c : conns) {
    std::lock_guard<std::mutex> lock(c->sendMu);
    if (c->fd >= 0) ::shutdown(c->fd, SHUT_RDWR);
  }
  for (auto& c : conns)
    if (c->thread.joinable()) c->thread.join();
  std::lock_guard<std::mutex> lock(connMu_);
  connections_.clear();
}

void TradingServer::acceptLoop() {
  std::vector<pollfd> fds;
  for (int fd : listenFds_) fds.push_back(pollfd{fd, POLLIN, 0});
  fds.push_back(pollfd{wakePipe_[0], POLLIN, 0});
  while (running_) {
    if (::poll(fds.data(), fds.size(), -1) < 0) {
      if (errno == EINTR) continue;
      break;
    }
    if (fds.back().revents) break;
    for (size_t i = 0; i + 1 < fds.size(); ++i) {
      if (!(fds[i].revents & POLLIN)) continue;
      int fd = ::accept4(fds[i].fd, nullptr, nullptr, SOCK_CLOEXEC);
      if (fd < 0) continue;
      int one = 1;
      ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
      auto c = std::make_shared<Connection>();
      c->fd = fd;
      sockaddr_in local{};
      socklen_t len = sizeof local;
      char text[INET_ADDRSTRLEN] = "";
      if (::getsockname(fd, reinterpret_cast<sockaddr*>(&local), &len) == 0)
        ::inet_ntop(AF_INET, &local.sin_addr, text, sizeof text);
      c->localAddress = text;
      {
        std::lock_guard<std::mutex> lock(connMu_);
        // Connections that have ended are joined and forgotten here.
        for (auto it = connections_.begin(); it != connections_.end();) {
          bool ended;
          {
            std::lock_guard<std::mutex> l2((*it)->sendMu);
            ended = !(*it)->open && (*it)->fd < 0;
          }
          if (ended) {
            if ((*it)->thread.joinable()) (*it)->thread.join();
            it = connections_.erase(it);
          } else {
            ++it;
          }
        }
        c->id = nextConnection_++;
        connections_.push_back(c);
      }
      c->thread = std::thread([this, c] { serve(c); });
    }
  }
}

void TradingServer::closeConnection(Connection& c) {
  c.open = false;
  if (c.fd >= 0) ::shutdown(c.fd, SHUT_RDWR);
}

void TradingServer::serve(std::shared_ptr<Connection> c) {
  // One fixed buffer per connection: a packet is at most 4,096 bytes.
  uint8_t buf[kMaxPacket];
  while (running_ && c->open) {
    if (!RecvAll(c->fd, buf, 4)) break;
    uint32_t len = wire::GetU32(buf);
    if (len < kHeader || len > kMaxPacket) {
      LogEntry e;
      e.connection = c->id;
      e.note = "bad length " + std::to_string(len);
      // Keep the framing: discard exactly the announced remainder when there is one.
      bool ok = len >= 4;
      for (uint32_t left = len >= 4 ? len - 4 : 0; ok && left > 0;) {
        uint32_t n = left < kMaxPacket ? left : static_cast<uint32_t>(kMaxPacket);
        ok = RecvAll(c->fd, buf, n);
        left -= n;
      }
      record(std::move(e));
      if (!ok) break;
      continue;
    }
    if (!RecvAll(c->fd, buf + 4, len - 4)) {
      LogEntry e;
      e.connection = c->id;
      e.code = wire::GetU16(buf + 4);
      e.note = "connection closed inside a packet";
      record(std::move(e));
      break;
    }
    handle(*c, buf, len);
  }
  // The connection object stays in the list (stop() joins its thread); its registrations go.
  std::lock_guard<std::mutex> lock(c->sendMu);
  c->open = false;
  c->registrations.clear();
  ::close(c->fd);
  c->fd = -1;
}

void TradingServer::handle(Connection& c, const uint8_t* p, size_t size) {
  LogEntry e;
  e.timeMs = NowMs() - startMs_;
  e.connection = c.id;
  e.localAddress = c.localAddress;
  e.code = wire::GetU16(p + 4);
  e.status.assign(reinterpret_cast<const char*>(p + 11), 2);
  for (char& ch : e.status)
    if (ch < 0x20 || ch > 0x7E) ch = '.';
  e.encFlag = p[13];
  e.header.assign(p, p + kHeader);
  e.body.assign(p + kHeader, p + size);

  Request req;
  req.code = e.code;
  req.header = p;
  req.enciphered = e.encFlag >= 1 && e.encFlag <= 127;
  if (req.enciphered) {
    e.sessionError = c.session.Decode(e.body.data(), e.body.size(), req.body);
    e.deciphered = e.sessionError == 0;
  } else {
    req.body = e.body;
  }
  e.plain = req.body;
  MaskSecrets(e.code, e.plain);
  if (!req.enciphered) e.body = e.plain;  // plain bodies are logged masked too
  // The entry joins the log once the request has been handled and before its reply leaves, so
  // that whoever sees the entry or the reply also sees the request's effects and the other.
  struct Recorder {
    TradingServer* server;
    LogEntry entry;
    bool done = false;
    void flush() {
      if (!done) server->record(std::move(entry));
      done = true;
    }
    ~Recorder() { flush(); }
  } rec{this, std::move(e)};
  int sessionError = rec.entry.sessionError;

  if (sessionError) {
    // The record could not be opened: answer in plain text, the session keys being in doubt.
    Reply r;
    r.Error("보안오류", std::string("암호화 데이터 오류 (") + SessionCodeName(sessionError) + ")");
    rec.flush();
    sendReply(c, req.code, r);
    return;
  }
  if (req.code == 1100) return;  // keep-alive: no reply
  bool scripted;
  {
    std::lock_guard<std::mutex> lock(scenarioMu_);
    scripted = scenarioActive_;
  }
  if (scripted) {
    rec.flush();
    runScenario(c, req);
    return;
  }
  Fault fault;
  bool faulty = takeFault(req.code, fault);
  if (faulty && fault.kind == FaultKind::CloseNow) {
    closeConnection(c);
    return;
  }
  Reply r;
  r.encipher = req.enciphered;
  Handler h;
  {
    std::lock_guard<std::mutex> lock(handlersMu_);
    auto it = handlers_.find(req.code);
    if (it != handlers_.end()) h = it->second;
  }
  if (h) {
    std::lock_guard<std::recursive_mutex> lock(marketMu_);
    HandlerContext ctx{*this, c, market_};
    h(ctx, req, r);
  } else {
    r.Error("알림", "서비스 준비중입니다. (" + std::to_string(req.code) + ")");
  }
  rec.flush();
  if (!r.send) return;
  sendReply(c, req.code, r, faulty ? &fault : nullptr);
}

bool TradingServer::takeFault(uint16_t code, Fault& out) {
  std::lock_guard<std::mutex> lock(faultMu_);
  for (auto it = faults_.begin(); it != faults_.end(); ++it) {
    if (it->code != 0 && it->code != code) continue;
    out = *it;
    if (it->count > 0 && --it->count == 0) faults_.erase(it);
    return true;
  }
  return false;
}

Bytes TradingServer::packet(uint16_t code, const char status[2], uint8_t enc, const Bytes& body, bool push) const {
  Bytes p(kHeader + body.size(), 0);
  wire::PutU32(&p[0], static_cast<uint32_t>(kHeader + body.size()));
  wire::PutU16(&p[4], code);
  p[6] = '4';
  if (!push) {
    p[7] = 1;
    p[9] = 1;
    p[10] = 1;
  }
  p[11] = static_cast<uint8_t>(status[0]);
  p[12] = static_cast<uint8_t>(status[1]);
  p[13] = enc;
  std::copy(body.begin(), body.end(), p.begin() + kHeader);
  return p;
}

bool TradingServer::sendAll(Connection& c, const uint8_t* p, size_t n) {
  while (n > 0) {
    ssize_t r = ::send(c.fd, p, n, MSG_NOSIGNAL);
    if (r <= 0) return false;
    p += r;
    n -= static_cast<size_t>(r);
  }
  return true;
}

void TradingServer::sendReply(Connection& c, uint16_t code, const Reply& reply, const Fault* fault) {
  FaultKind kind = fault ? fault->kind : FaultKind::None;
  if (kind == FaultKind::NoReply) return;
  if (kind == FaultKind::Delay) std::this_thread::sleep_for(std::chrono::milliseconds(fault->delayMs));
  std::lock_guard<std::mutex> lock(c.sendMu);
  if (kind == FaultKind::Oversize) {
    Bytes big(kMaxPacket + 1, 0);
    wire::PutU32(&big[0], static_cast<uint32_t>(big.size()));
    wire::PutU16(&big[4], code);
    big[6] = '4';
    big[11] = big[12] = '0';
    if (sendAll(c, big.data(), big.size())) ++packetsSent_;
    return;
  }
  if (kind == FaultKind::ShortPacket) {
    uint8_t small[10] = {0, 0, 0, 10, static_cast<uint8_t>(code >> 8), static_cast<uint8_t>(code), '4', 1, 0, 1};
    sendAll(c, small, sizeof small);
    return;
  }
  Bytes body = reply.body;
  if (kind == FaultKind::FillFF) std::fill(body.begin(), body.end(), uint8_t(0xFF));
  uint8_t enc = 0;
  if (reply.encipher && !body.empty() && c.session.Established()) {
    RecordTweak t;
    t.tamperMac = kind == FaultKind::TamperMac;
    t.reuseSequence = kind == FaultKind::Replay;
    t.wrongSessionId = kind == FaultKind::WrongSessionId;
    Bytes rec;
    if (c.session.Encode(body.data(), body.size(), rec, t) != 0) return;
    body = std::move(rec);
    enc = 1;
  } else if (kind == FaultKind::TamperMac && !body.empty()) {
    body.back() ^= 0x01;
  }
  Bytes p = packet(code, reply.status, enc, body, false);
  if (p.size() > kMaxPacket) {
    // Never put a packet on the wire that the client cannot take; say so instead.
    Reply r;
    r.Error("서버오류", "응답이 너무 깁니다.");
    p = packet(code, r.status, 0, r.body, false);
  }
  if (kind == FaultKind::CloseMidPacket) {
    sendAll(c, p.data(), p.size() / 2);
    closeConnection(c);
    return;
  }
  c.lastReplyCode = code;
  if (sendAll(c, p.data(), p.size())) ++packetsSent_;
}

void TradingServer::record(LogEntry e) {
  if (e.timeMs == 0) e.timeMs = NowMs() - startMs_;
  std::string line;
  if (!options_.logPath.empty() || !options_.quietLog) line = FormatLogEntry(e);
  if (!options_.logPath.empty()) {
    std::ofstream f(options_.logPath, std::ios::app);
    f << line << '\n';
  }
  if (!options_.quietLog) std::fprintf(stderr, "%s\n", line.c_str());
  std::lock_guard<std::mutex> lock(logMu_);
  log_.push_back(std::move(e));
  logCv_.notify_all();
}

std::vector<LogEntry> TradingServer::log() const {
  std::lock_guard<std::mutex> lock(logMu_);
  return log_;
}

void TradingServer::clearLog() {
  std::lock_guard<std::mutex> lock(logMu_);
  log_.clear();
}

std::vector<LogEntry> TradingServer::requests(uint16_t code, size_t from) const {
  std::lock_guard<std::mutex> lock(logMu_);
  std::vector<LogEntry> out;
  for (size_t i = from; i < log_.size(); ++i)
    if (code == 0 || log_[i].code == code) out.push_back(log_[i]);
  return out;
}

size_t TradingServer::logSize() const {
  std::lock_guard<std::mutex> lock(logMu_);
  return log_.size();
}

bool TradingServer::waitForRequest(uint16_t code, int timeoutMs, LogEntry* out, size_t from) {
  std::unique_lock<std::mutex> lock(logMu_);
  size_t seen = from;
  auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  for (;;) {
    for (; seen < log_.size(); ++seen) {
      if (code == 0 || log_[seen].code == code) {
        if (out) *out = log_[seen];
        return true;
      }
    }
    if (logCv_.wait_until(lock, deadline) == std::cv_status::timeout && seen >= log_.size()) return false;
  }
}

bool TradingServer::waitQuiet(const QuietClient& client, int timeoutMs) {
  auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  static std::atomic<unsigned> serial{0};
  for (;;) {
    client.settle();
    // A keep-alive is logged and never answered; its body tells this probe from any other.
    std::string tag = "quiet " + std::to_string(++serial);
    Bytes probe = packet(1100, "00", 0, Bytes(tag.begin(), tag.end()), false);
    size_t mark = logSize();
    if (!client.send(probe)) {
      client.settle();
      return true;
    }
    {
      std::unique_lock<std::mutex> lock(logMu_);
      auto probed = [&] {
        for (size_t i = mark; i < log_.size(); ++i)
          if (log_[i].code == 1100 && log_[i].plain == Bytes(tag.begin(), tag.end())) return true;
        return false;
      };
      if (!logCv_.wait_until(lock, deadline, probed)) return false;
    }
    // Every reply to what came before the probe has left; the client reads them in order.
    size_t sent = packetsSent();
    for (;;) {
      client.settle();
      if (client.received() >= sent) break;
      if (std::chrono::steady_clock::now() > deadline) return false;
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    // The replies' handlers may have sent requests of their own: go round again until none did.
    if (logSize() == mark + 1 && packetsSent() == sent) return true;
  }
}

void TradingServer::addUser(const User& user, const std::vector<Account>& accounts) {
  std::lock_guard<std::recursive_mutex> lock(marketMu_);
  for (const Account& a : accounts) market_.AddAccount(a);
  market_.AddUser(user);
}

void TradingServer::setHandler(uint16_t code, Handler handler) {
  std::lock_guard<std::mutex> lock(handlersMu_);
  handlers_[code] = std::move(handler);
}

void TradingServer::setFault(const Fault& fault) {
  std::lock_guard<std::mutex> lock(faultMu_);
  faults_.push_back(fault);
}

void TradingServer::clearFaults() {
  std::lock_guard<std::mutex> lock(faultMu_);
  faults_.clear();
}

int TradingServer::push(uint16_t type, const std::vector<std::string>& codes) {
  std::vector<std::shared_ptr<Connection>> conns;
  {
    std::lock_guard<std::mutex> lock(connMu_);
    conns = connections_;
  }
  int sent = 0;
  for (auto& c : conns) {
    if (!c->open) continue;
    std::vector<std::string> wanted;
    {
      std::lock_guard<std::mutex> lock(c->sendMu);
      auto t = c->registrations.find(type);
      if (t == c->registrations.end()) continue;
      for (auto& [code, count] : t->second)
        if (count > 0) wanted.push_back(code);
    }
    if (!codes.empty()) {
      // A futures contract may be registered by its first five characters ("101C3"): a code
      // matches a registration of the same contract.
      std::lock_guard<std::recursive_mutex> lock(marketMu_);
      auto same = [&](const std::string& registered, const std::string& asked) {
        if (registered == asked) return true;
        const Derivative* d = market_.FindDerivative(registered);
        return d && d == market_.FindDerivative(asked);
      };
      std::erase_if(wanted, [&](const std::string& registered) {
        return std::none_of(codes.begin(), codes.end(), [&](const std::string& c) { return same(registered, c); });
      });
    }
    if (wanted.empty()) continue;
    Bytes body(1, 0);
    {
      std::lock_guard<std::recursive_mutex> lock(marketMu_);
      for (const std::string& code : wanted) {
        Bytes rec;
        if (type == 9210) {
          if (const Index* x = market_.FindIndex(code)) rec = market_.Index9210(*x);
        } else if (const Item* it = market_.FindItem(code)) {
          if (type == 9110)
            rec = market_.Tick9110(*it);
          else if (type == 9120)
            rec = market_.Book9120(*it);
          else if (type == 9121)
            rec = market_.Book9121(*it);
        } else if (const Derivative* d = market_.FindDerivative(code)) {
          // The record carries the code as the client registered it.
          if (type == 9310 || type == 9410)
            rec = market_.FutOptTrade(*d, code);
          else if (type == 9321 || type == 9421)
            rec = market_.FutOptBook(*d, code);
        }
        if (rec.empty() || body.size() + rec.size() + kHeader > kMaxPacket || body[0] == 255) continue;
        body.insert(body.end(), rec.begin(), rec.end());
        ++body[0];
        // The order-book pushes carry one record.
        if (type == 9120 || type == 9121 || type == 9321 || type == 9421) break;
      }
    }
    if (body[0] == 0) continue;
    Bytes p = packet(type, "00", 0, body, true);
    std::lock_guard<std::mutex> lock(c->sendMu);
    if (c->open && c->fd >= 0 && sendAll(*c, p.data(), p.size())) {
      ++sent;
      ++packetsSent_;
    }
  }
  return sent;
}

int TradingServer::trade(const std::string& code, int64_t price, int64_t quantity) {
  std::string full;
  {
    std::lock_guard<std::recursive_mutex> lock(marketMu_);
    if (Derivative* d = market_.FindDerivative(code)) {
      market_.TradeDerivative(code, price, quantity);
      bool futures = d->futures;
      int n = push(futures ? 9310 : 9410, {code});
      push(futures ? 9321 : 9421, {code});
      return n;
    }
    Item* it = market_.FindItem(code);
    if (!it) return -1;
    int64_t before = it->price;
    market_.Trade(code, price, quantity);
    full = it->code;
    if (price != before)
      if (Index* kospi = market_.FindIndex("00001")) kospi->value += price > before ? 7 : -7;
  }
  int n = push(9110, {full});
  push(9120, {full});
  push(9121, {full});
  push(9210);
  return n;
}

void TradingServer::startTicker(int intervalMs, const std::vector<std::string>& codes) {
  stopTicker();
  if (intervalMs <= 0 || codes.empty()) return;
  {
    std::lock_guard<std::mutex> lock(tickerMu_);
    tickerRun_ = true;
  }
  ticker_ = std::thread([this, intervalMs, codes] {
    // Up, up, down, up, down, down: the price wanders around where it started.
    static const int kWalk[] = {1, 1, -1, 1, -1, -1};
    size_t step = 0;
    std::unique_lock<std::mutex> lock(tickerMu_);
    while (tickerRun_) {
      if (tickerCv_.wait_for(lock, std::chrono::milliseconds(intervalMs), [this] { return !tickerRun_; })) break;
      lock.unlock();
      for (const std::string& code : codes) {
        int64_t price = withMarket([&](Market& m) -> int64_t {
          const Item* it = m.FindItem(code);
          return it ? it->price + Market::TickSize(it->price) * kWalk[step % std::size(kWalk)] : 0;
        });
        if (price > 0) trade(code, price, 10 + static_cast<int64_t>(step % 9) * 10);
      }
      ++step;
      lock.lock();
    }
  });
}

void TradingServer::stopTicker() {
  {
    std::lock_guard<std::mutex> lock(tickerMu_);
    tickerRun_ = false;
  }
  tickerCv_.notify_all();
  if (ticker_.joinable()) ticker_.join();
}

int TradingServer::pushRaw(uint16_t type, const Bytes& body, int connection) {
  std::vector<std::shared_ptr<Connection>> conns;
  {
    std::lock_guard<std::mutex> lock(connMu_);
    conns = connections_;
  }
  Bytes p = packet(type, "00", 0, body, true);
  if (p.size() > kMaxPacket) return -1;
  int sent = 0;
  for (auto& c : conns) {
    if (connection != 0 && c->id != connection) continue;
    std::lock_guard<std::mutex> lock(c->sendMu);
    if (c->open && c->fd >= 0 && sendAll(*c, p.data(), p.size())) {
      ++sent;
      ++packetsSent_;
    }
  }
  return sent;
}

int TradingServer::registrations(uint16_t type, const std::string& code) const {
  std::lock_guard<std::mutex> lock(connMu_);
  int n = 0;
  for (auto& c : connections_) {
    std::lock_guard<std::mutex> l2(c->sendMu);
    auto t = c->registrations.find(type);
    if (t == c->registrations.end()) continue;
    auto it = t->second.find(code);
    if (it != t->second.end()) n += it->second;
  }
  return n;
}

int TradingServer::connectionCount() const {
  std::lock_guard<std::mutex> lock(connMu_);
  int n = 0;
  for (auto& c : connections_) n += c->open ? 1 : 0;
  return n;
}

int TradingServer::acceptedCount() const {
  std::lock_guard<std::mutex> lock(connMu_);
  return nextConnection_ - 1;
}

void TradingServer::dropConnections() {
  std::lock_guard<std::mutex> lock(connMu_);
  for (auto& c : connections_) {
    std::lock_guard<std::mutex> l2(c->sendMu);
    closeConnection(*c);
  }
}

}  // namespace simsrv
