#include "simver/version_server.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <sstream>

namespace simver {

namespace {

void put16(uint8_t* p, unsigned v) {
  p[0] = static_cast<uint8_t>(v >> 8);
  p[1] = static_cast<uint8_t>(v);
}

void put32(uint8_t* p, uint32_t v) {
  p[0] = static_cast<uint8_t>(v >> 24);
  p[1] = static_cast<uint8_t>(v >> 16);
  p[2] = static_cast<uint8_t>(v >> 8);
  p[3] = static_cast<uint8_t>(v);
}

unsigned get16(const uint8_t* p) { return (unsigned(p[0]) << 8) | p[1]; }

// The 32 bytes that open a file reply and a list record: kind and the NUL-padded name field.
void putKindName(uint8_t* p, char kind, const std::string& name) {
  p[0] = static_cast<uint8_t>(kind);
  std::memset(p + 1, 0, kNameField);
  std::memcpy(p + 1, name.data(), std::min<size_t>(name.size(), kNameField));
}

bool nameIsSafe(const std::string& n) {
  if (n.empty() || n.size() > 30) return false;
  if (n.find_first_of(std::string("/\\:\0", 4)) != std::string::npos) return false;
  return n.find("..") == std::string::npos;
}

std::string trim(const std::string& s) {
  size_t b = s.find_first_not_of(" \t\r\n");
  if (b == std::string::npos) return {};
  size_t e = s.find_last_not_of(" \t\r\n");
  return s.substr(b, e - b + 1);
}

// Hostile extra entries that some faults slip into the list.
Entry hostileEntry(Fault f) {
  Entry e;
  e.kind = '0';
  e.version = "999999";
  e.data = "not a file of this system";
  switch (f) {
    case Fault::NameWithBackslash: e.name = "..\\Windows\\evil.dll"; break;
    case Fault::NameWithSlash: e.name = "../Windows/evil.dll"; break;
    case Fault::NameDotDot: e.name = ".."; break;
    case Fault::NameWithoutNul: e.name = std::string(kNameField, 'N'); break;
    default: break;
  }
  return e;
}

bool isNameFault(Fault f) {
  return f == Fault::NameWithBackslash || f == Fault::NameWithSlash || f == Fault::NameDotDot ||
         f == Fault::NameWithoutNul;
}

std::vector<uint8_t> buildList(const std::vector<Entry>& list, Fault f) {
  std::vector<uint8_t> out(4 + list.size() * kRecordSize, 0);
  uint32_t count = static_cast<uint32_t>(list.size());
  if (f == Fault::ListCountTooLarge) count += 5;
  put32(out.data(), count);
  uint8_t* p = out.data() + 4;
  for (const Entry& e : list) {
    putKindName(p, e.kind, e.name);
    std::memset(p + 32, '0', kVersionField);
    std::memcpy(p + 32, e.version.data(), std::min<size_t>(e.version.size(), kVersionField));
    uint32_t size = static_cast<uint32_t>(e.data.size());
    if (f == Fault::FileSizeLarger) size += 5000;
    if (f == Fault::FileSizeSmaller && size > 0) size -= 1;
    put32(p + 38, size);
    p += kRecordSize;
  }
  return out;
}

// Re-cuts a one-piece reply into two pieces so that order and count faults have a second piece.
void ensureTwoPieces(uint8_t kind, std::vector<std::vector<uint8_t>>& pieces) {
  if (pieces.size() != 1 || pieces[0].size() < kHeaderSize + 2) return;
  std::vector<uint8_t> body(pieces[0].begin() + kHeaderSize, pieces[0].end());
  size_t half = body.size() / 2;
  pieces.clear();
  for (int i = 0; i < 2; ++i) {
    size_t from = i == 0 ? 0 : half, to = i == 0 ? half : body.size();
    std::vector<uint8_t> p(kHeaderSize + (to - from));
    put16(p.data(), static_cast<unsigned>(p.size()));
    p[2] = kind;
    p[3] = '4';
    p[4] = 0;
    put16(p.data() + 5, 2);
    put16(p.data() + 7, static_cast<unsigned>(i + 1));
    std::copy(body.begin() + from, body.begin() + to, p.begin() + kHeaderSize);
    pieces.push_back(std::move(p));
  }
}

// Waits until fd is readable or the stop pipe is; false when stopping or on error.
bool waitReadable(int fd, int wakeFd) {
  for (;;) {
    pollfd p[2] = {{fd, POLLIN, 0}, {wakeFd, POLLIN, 0}};
    int r = ::poll(p, 2, -1);
    if (r < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    if (p[1].revents) return false;
    if (p[0].revents) return true;
  }
}

// Reads exactly n bytes; false on end of stream, error or stop.
bool readFull(int fd, int wakeFd, uint8_t* buf, size_t n) {
  size_t got = 0;
  while (got < n) {
    if (!waitReadable(fd, wakeFd)) return false;
    ssize_t r = ::recv(fd, buf + got, n - got, 0);
    if (r < 0 && errno == EINTR) continue;
    if (r <= 0) return false;
    got += static_cast<size_t>(r);
  }
  return true;
}

bool sendAll(int fd, const uint8_t* p, size_t n) {
  while (n > 0) {
    ssize_t r = ::send(fd, p, n, MSG_NOSIGNAL);
    if (r < 0 && errno == EINTR) continue;
    if (r <= 0) return false;
    p += r;
    n -= static_cast<size_t>(r);
  }
  return true;
}

}  // namespace

const char* FaultName(Fault f) {
  switch (f) {
    case Fault::None: return "None";
    case Fault::PiecesOutOfOrder: return "PiecesOutOfOrder";
    case Fault::PieceCountChanges: return "PieceCountChanges";
    case Fault::LengthTooShort: return "LengthTooShort";
    case Fault::LengthZero: return "LengthZero";
    case Fault::LengthTooLong: return "LengthTooLong";
    case Fault::ListCountTooLarge: return "ListCountTooLarge";
    case Fault::FileSizeLarger: return "FileSizeLarger";
    case Fault::FileSizeSmaller: return "FileSizeSmaller";
    case Fault::NameWithBackslash: return "NameWithBackslash";
    case Fault::NameWithSlash: return "NameWithSlash";
    case Fault::NameDotDot: return "NameDotDot";
    case Fault::NameWithoutNul: return "NameWithoutNul";
    case Fault::CloseMidDownload: return "CloseMidDownload";
    case Fault::Silence: return "Silence";
  }
  return "?";
}

bool ParseFault(const std::string& name, Fault& out) {
  for (int i = static_cast<int>(Fault::None); i <= static_cast<int>(Fault::Silence); ++i) {
    if (name == FaultName(static_cast<Fault>(i))) {
      out = static_cast<Fault>(i);
      return true;
    }
  }
  return false;
}

struct VersionServer::Conn {
  int fd = -1;
  int id = 0;
  std::string localAddress;
  std::vector<Entry> extras;  // hostile entries offered on this connection by a name fault
  std::thread thread;
};

VersionServer::VersionServer(std::string folder)
    : folder_(std::move(folder)), addresses_{"127.0.0.1", "127.0.0.2", "127.0.0.3", "127.0.0.4"} {}

VersionServer::~VersionServer() { stop(); }

void VersionServer::setAddresses(std::vector<std::string> addresses) { addresses_ = std::move(addresses); }

std::string VersionServer::lastError() const {
  std::lock_guard<std::mutex> l(mu_);
  return error_;
}

bool VersionServer::readList(const std::string& folder, std::vector<Entry>& out, std::string& err) {
  std::string listPath = folder + "/versions.txt";
  std::ifstream in(listPath, std::ios::binary);
  if (!in) {
    err = "cannot open " + listPath;
    return false;
  }
  std::string line;
  int lineNo = 0;
  while (std::getline(in, line)) {
    ++lineNo;
    std::string t = trim(line);
    if (t.empty() || t[0] == '#') continue;
    std::vector<std::string> f;
    std::stringstream ss(t);
    std::string part;
    while (std::getline(ss, part, '|')) f.push_back(trim(part));
    std::string where = listPath + " line " + std::to_string(lineNo) + ": ";
    if (f.size() < 3 || f.size() > 4) {
      err = where + "expected kind|name|version[|source]";
      return false;
    }
    if (f[0].size() != 1) {
      err = where + "the kind is one character";
      return false;
    }
    if (!nameIsSafe(f[1])) {
      err = where + "bad name \"" + f[1] + "\"";
      return false;
    }
    if (f[2].size() != kVersionField) {
      err = where + "the version has 6 characters";
      return false;
    }
    std::string src = f.size() == 4 ? f[3] : f[1];
    if (src.empty() || src[0] != '/') src = folder + "/" + src;
    std::ifstream data(src, std::ios::binary);
    if (!data) {
      err = where + "cannot read " + src;
      return false;
    }
    Entry e;
    e.kind = f[0][0];
    e.name = f[1];
    e.version = f[2];
    e.data.assign(std::istreambuf_iterator<char>(data), std::istreambuf_iterator<char>());
    if (e.data.size() > size_t(65535) * kPieceData - 32) {
      err = where + "file too large for 65,535 pieces";
      return false;
    }
    auto same = std::find_if(out.begin(), out.end(), [&](const Entry& x) { return x.name == e.name; });
    if (same != out.end()) {
      err = where + "name listed twice";
      return false;
    }
    out.push_back(std::move(e));
  }
  return true;
}

void VersionServer::addEntry(Entry e) {
  std::lock_guard<std::mutex> l(mu_);
  auto it = std::find_if(entries_.begin(), entries_.end(), [&](const Entry& x) { return x.name == e.name; });
  if (it != entries_.end())
    *it = std::move(e);
  else
    entries_.push_back(std::move(e));
}

std::vector<Entry> VersionServer::entries() const {
  std::lock_guard<std::mutex> l(mu_);
  return entries_;
}

void VersionServer::setFault(Fault f, int onRequest, uint8_t onKind) {
  std::lock_guard<std::mutex> l(mu_);
  faults_.push_back({f, onRequest, onKind});
}

void VersionServer::setReplyDelay(std::chrono::milliseconds delay) {
  std::lock_guard<std::mutex> l(mu_);
  replyDelay_ = delay;
}

void VersionServer::holdReplies(bool hold) {
  {
    std::lock_guard<std::mutex> l(mu_);
    held_ = hold;
  }
  cv_.notify_all();
}

void VersionServer::clearFaults() {
  std::lock_guard<std::mutex> l(mu_);
  faults_.clear();
}

Fault VersionServer::faultFor(int number, uint8_t kind) const {
  // A rule for this very request wins over a rule for every request; later rules win over earlier.
  Fault general = Fault::None;
  for (const FaultRule& r : faults_) {
    if (r.onKind != 0 && r.onKind != kind) continue;
    if (r.onRequest == number) return r.fault;
    if (r.onRequest == 0) general = r.fault;
  }
  return general;
}

std::vector<RequestLog> VersionServer::requests() const {
  std::lock_guard<std::mutex> l(mu_);
  return log_;
}

int VersionServer::connections() const {
  std::lock_guard<std::mutex> l(mu_);
  return connCount_;
}

bool VersionServer::waitForRequests(size_t n, std::chrono::milliseconds timeout) const {
  std::unique_lock<std::mutex> l(mu_);
  return cv_.wait_for(l, timeout, [&] { return log_.size() >= n; });
}

bool VersionServer::waitSettled(std::chrono::milliseconds timeout) const {
  std::unique_lock<std::mutex> l(mu_);
  return cv_.wait_for(l, timeout, [&] { return open_ == 0; });
}

bool VersionServer::waitForClosed(int n, std::chrono::milliseconds timeout) const {
  std::unique_lock<std::mutex> l(mu_);
  return cv_.wait_for(l, timeout, [&] { return closedCount_ >= n; });
}

std::vector<uint8_t> VersionServer::listReply() const {
  std::lock_guard<std::mutex> l(mu_);
  return buildList(entries_, Fault::None);
}

std::vector<uint8_t> VersionServer::fileReply(const Entry& e) {
  std::vector<uint8_t> out(32 + e.data.size());
  putKindName(out.data(), e.kind, e.name);
  std::memcpy(out.data() + 32, e.data.data(), e.data.size());
  return out;
}

std::vector<std::vector<uint8_t>> VersionServer::cutPieces(uint8_t kind, const std::vector<uint8_t>& body) {
  size_t count = std::max<size_t>(1, (body.size() + kPieceData - 1) / kPieceData);
  std::vector<std::vector<uint8_t>> pieces;
  pieces.reserve(count);
  for (size_t i = 0; i < count; ++i) {
    size_t from = i * kPieceData, n = std::min<size_t>(kPieceData, body.size() - from);
    std::vector<uint8_t> p(kHeaderSize + n);
    put16(p.data(), static_cast<unsigned>(p.size()));
    p[2] = kind;
    p[3] = '4';
    p[4] = 0;
    put16(p.data() + 5, static_cast<unsigned>(count));
    put16(p.data() + 7, static_cast<unsigned>(i + 1));
    std::memcpy(p.data() + kHeaderSize, body.data() + from, n);
    pieces.push_back(std::move(p));
  }
  return pieces;
}

int VersionServer::start(int port) {
  if (running_) return port_;
  std::vector<Entry> listed;
  std::string err;
  if (!folder_.empty() && !readList(folder_, listed, err)) {
    std::lock_guard<std::mutex> l(mu_);
    error_ = err;
    return -1;
  }
  {
    // Entries added before start() override the folder's entries of the same name.
    std::lock_guard<std::mutex> l(mu_);
    for (Entry& e : entries_) {
      auto it = std::find_if(listed.begin(), listed.end(), [&](const Entry& x) { return x.name == e.name; });
      if (it != listed.end())
        *it = std::move(e);
      else
        listed.push_back(std::move(e));
    }
    entries_ = std::move(listed);
  }

  // Every address listens on the same port. With port 0 the first address picks a free port;
  // when another program holds that port on one of the other addresses, all are tried again
  // with a new port, so that a client never reaches a stranger at one of the addresses.
  int chosen = port;
  for (int attempt = 0; attempt < (port == 0 ? 20 : 1); ++attempt) {
    chosen = port;
    std::string failure;
    for (const std::string& a : addresses_) {
      int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
      sockaddr_in sa{};
      sa.sin_family = AF_INET;
      sa.sin_port = htons(static_cast<uint16_t>(chosen));
      int one = 1;
      if (fd < 0 || ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one) != 0 ||
          ::inet_pton(AF_INET, a.c_str(), &sa.sin_addr) != 1 ||
          ::bind(fd, reinterpret_cast<sockaddr*>(&sa), sizeof sa) != 0 || ::listen(fd, 16) != 0) {
        failure = "cannot listen on " + a + ":" + std::to_string(chosen) + ": " + std::strerror(errno);
        if (fd >= 0) ::close(fd);
        break;
      }
      if (chosen == 0) {
        socklen_t len = sizeof sa;
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&sa), &len);
        chosen = ntohs(sa.sin_port);
      }
      listeners_.push_back(fd);
    }
    if (failure.empty() && !listeners_.empty()) break;
    for (int fd : listeners_) ::close(fd);
    listeners_.clear();
    std::lock_guard<std::mutex> l(mu_);
    error_ = failure.empty() ? "no address to listen on" : failure;
  }
  if (listeners_.empty()) return -1;
  if (::pipe2(wake_, O_CLOEXEC) != 0) {
    for (int fd : listeners_) ::close(fd);
    listeners_.clear();
    return -1;
  }
  port_ = chosen;
  running_ = true;
  acceptor_ = std::thread([this] { acceptLoop(); });
  return port_;
}

void VersionServer::stop() {
  if (!running_.exchange(false)) return;
  holdReplies(false);  // a held reply lets its connection's thread end
  char b = 1;
  (void)!::write(wake_[1], &b, 1);
  if (acceptor_.joinable()) acceptor_.join();
  std::vector<std::shared_ptr<Conn>> conns;
  {
    std::lock_guard<std::mutex> l(mu_);
    conns.swap(conns_);
  }
  for (auto& c : conns) {
    ::shutdown(c->fd, SHUT_RDWR);
    if (c->thread.joinable()) c->thread.join();
    ::close(c->fd);
  }
  for (int fd : listeners_) ::close(fd);
  listeners_.clear();
  ::close(wake_[0]);
  ::close(wake_[1]);
  wake_[0] = wake_[1] = -1;
}

void VersionServer::acceptLoop() {
  std::vector<pollfd> fds;
  for (int fd : listeners_) fds.push_back({fd, POLLIN, 0});
  fds.push_back({wake_[0], POLLIN, 0});
  for (;;) {
    for (auto& p : fds) p.revents = 0;
    int r = ::poll(fds.data(), fds.size(), -1);
    if (r < 0) {
      if (errno == EINTR) continue;
      return;
    }
    if (fds.back().revents) return;
    for (size_t i = 0; i + 1 < fds.size(); ++i) {
      if (!(fds[i].revents & POLLIN)) continue;
      int fd = ::accept4(fds[i].fd, nullptr, nullptr, SOCK_CLOEXEC);
      if (fd < 0) continue;
      auto c = std::make_shared<Conn>();
      c->fd = fd;
      sockaddr_in local{};
      socklen_t len = sizeof local;
      char text[INET_ADDRSTRLEN] = "";
      if (::getsockname(fd, reinterpret_cast<sockaddr*>(&local), &len) == 0)
        ::inet_ntop(AF_INET, &local.sin_addr, text, sizeof text);
      c->localAddress = text;
      {
        std::lock_guard<std::mutex> l(mu_);
        c->id = ++connCount_;
        conns_.push_back(c);
      }
      c->thread = std::thread([this, c] { serve(c); });
    }
  }
}

void VersionServer::finishRequest(RequestLog log) {
  std::lock_guard<std::mutex> l(mu_);
  // Entries join once their reply has gone out, which on several connections is not the order
  // the requests came in: each goes in its place by request number.
  auto at =
      std::upper_bound(log_.begin(), log_.end(), log.number, [](int n, const RequestLog& e) { return n < e.number; });
  log_.insert(at, std::move(log));
  --open_;
  cv_.notify_all();
}

void VersionServer::abandonRequest() {
  std::lock_guard<std::mutex> l(mu_);
  --open_;
  cv_.notify_all();
}

void VersionServer::serve(std::shared_ptr<Conn> c) {
  uint8_t buf[kMaxPacket];
  for (;;) {
    if (!readFull(c->fd, wake_[0], buf, 2)) break;
    unsigned len = get16(buf);
    RequestLog log;
    log.connection = c->id;
    log.localAddress = c->localAddress;
    {
      std::lock_guard<std::mutex> l(mu_);
      log.number = ++requestCount_;
      ++open_;
    }
    if (len < kHeaderSize || len > kMaxPacket) {
      // No sound length: the rest of the stream cannot be framed, so the connection ends.
      log.raw.assign(buf, buf + 2);
      finishRequest(std::move(log));
      break;
    }
    if (!readFull(c->fd, wake_[0], buf + 2, len - 2)) {
      abandonRequest();  // cut off mid-request: nothing to answer or log
      break;
    }
    log.raw.assign(buf, buf + len);
    log.kind = buf[2];
    bool headerOk = buf[3] == '4' && buf[4] == 0 && get16(buf + 5) == 1 && get16(buf + 7) == 1;
    bool isList = headerOk && log.kind == kKindList && len == 10 && buf[9] == 'E';
    bool isFile = headerOk && log.kind == kKindFile && len == 41;
    log.wellFormed = isList || isFile;
    if (!log.wellFormed) {
      finishRequest(std::move(log));
      break;
    }

    Fault fault;
    std::vector<uint8_t> body;
    {
      std::lock_guard<std::mutex> l(mu_);
      fault = faultFor(log.number, log.kind);
      if (isList) {
        std::vector<Entry> list = entries_;
        if (isNameFault(fault)) {
          Entry h = hostileEntry(fault);
          list.push_back(h);
          c->extras.push_back(std::move(h));
        }
        body = buildList(list, fault);
      } else {
        const uint8_t* field = buf + 10;
        const void* nul = std::memchr(field, 0, kNameField);
        size_t n = nul ? static_cast<const uint8_t*>(nul) - field : kNameField;
        log.name.assign(reinterpret_cast<const char*>(field), n);
        const Entry* hit = nullptr;
        for (const Entry& e : c->extras)
          if (e.name == log.name) hit = &e;
        for (const Entry& e : entries_)
          if (!hit && e.name == log.name) hit = &e;
        log.found = hit != nullptr;
        if (hit) body = fileReply(*hit);
      }
    }
    if (isFile && !log.found) {
      // The protocol has no "not found" reply; the server ends the connection instead.
      finishRequest(std::move(log));
      break;
    }

    log.fault = fault;
    auto pieces = cutPieces(log.kind, body);
    bool closeAfter = false;
    switch (fault) {
      case Fault::PiecesOutOfOrder:
        ensureTwoPieces(log.kind, pieces);
        if (pieces.size() >= 2) std::swap(pieces[0], pieces[1]);
        break;
      case Fault::PieceCountChanges:
        ensureTwoPieces(log.kind, pieces);
        if (pieces.size() >= 2) put16(pieces[1].data() + 5, get16(pieces[1].data() + 5) + 1);
        break;
      case Fault::LengthTooShort:
        pieces[0].resize(8);
        put16(pieces[0].data(), 8);
        break;
      case Fault::LengthZero: pieces[0].assign(2, 0); break;
      case Fault::LengthTooLong:
        pieces[0].resize(kMaxPacket + 1, 0);
        put16(pieces[0].data(), kMaxPacket + 1);
        break;
      case Fault::CloseMidDownload:
        if (pieces.size() >= 2)
          pieces.resize(pieces.size() / 2);
        else
          pieces[0].resize(pieces[0].size() / 2);
        closeAfter = true;
        break;
      case Fault::Silence: pieces.clear(); break;
      default: break;
    }
    std::chrono::milliseconds delay;
    {
      std::lock_guard<std::mutex> l(mu_);
      delay = replyDelay_;
    }
    if (delay.count() > 0) std::this_thread::sleep_for(delay);
    {
      std::unique_lock<std::mutex> l(mu_);
      cv_.wait(l, [this] { return !held_; });
    }
    if (!running_) {  // stopped while the reply was held: it never leaves
      abandonRequest();
      break;
    }
    bool sent = true;
    for (const auto& p : pieces) {
      if (!sendAll(c->fd, p.data(), p.size())) {
        sent = false;
        break;
      }
      ++log.piecesSent;
    }
    finishRequest(std::move(log));
    if (!sent || closeAfter) break;
  }
  // End the connection (the descriptor is closed by stop(), so its number is never reused while
  // stop() may still shut it down).
  ::shutdown(c->fd, SHUT_RDWR);
  std::lock_guard<std::mutex> l(mu_);
  ++closedCount_;
  cv_.notify_all();
}

}  // namespace simver
