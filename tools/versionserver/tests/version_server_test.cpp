// Drives the version server with a raw socket client that speaks the updater's protocol.
#include "simver/version_server.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using simver::Fault;
using Bytes = std::vector<uint8_t>;

namespace {

unsigned be16(const uint8_t* p) { return (unsigned(p[0]) << 8) | p[1]; }
uint32_t be32(const uint8_t* p) {
  return (uint32_t(p[0]) << 24) | (uint32_t(p[1]) << 16) | (uint32_t(p[2]) << 8) | p[3];
}

// A client written from the protocol alone: requests and pieces as raw bytes.
class RawClient {
 public:
  RawClient(int port, const char* address = "127.0.0.1") {
    fd_ = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in sa{};
    sa.sin_family = AF_INET;
    sa.sin_port = htons(static_cast<uint16_t>(port));
    ::inet_pton(AF_INET, address, &sa.sin_addr);
    connected_ = ::connect(fd_, reinterpret_cast<sockaddr*>(&sa), sizeof sa) == 0;
  }
  ~RawClient() { ::close(fd_); }
  bool connected() const { return connected_; }

  void send(const Bytes& b) { ASSERT_EQ(::send(fd_, b.data(), b.size(), MSG_NOSIGNAL), ssize_t(b.size())); }

  static Bytes header(unsigned len, uint8_t kind) {
    return {uint8_t(len >> 8), uint8_t(len), kind, '4', 0, 0, 1, 0, 1};
  }
  static Bytes listRequest() {
    Bytes b = header(10, 1);
    b.push_back('E');
    return b;
  }
  static Bytes fileRequest(char kind, const std::string& name) {
    Bytes b = header(41, 2);
    b.push_back(static_cast<uint8_t>(kind));
    Bytes field(31, 0);
    std::memcpy(field.data(), name.data(), std::min<size_t>(name.size(), 31));
    b.insert(b.end(), field.begin(), field.end());
    return b;
  }

  // Reads exactly n bytes within the timeout; nullopt on end of stream or timeout.
  std::optional<Bytes> read(size_t n, std::chrono::milliseconds timeout = 3000ms) {
    Bytes out(n);
    size_t got = 0;
    while (got < n) {
      pollfd p{fd_, POLLIN, 0};
      if (::poll(&p, 1, static_cast<int>(timeout.count())) <= 0) return std::nullopt;
      ssize_t r = ::recv(fd_, out.data() + got, n - got, 0);
      if (r <= 0) return std::nullopt;
      got += static_cast<size_t>(r);
    }
    return out;
  }
  // One packet as its length field frames it.
  std::optional<Bytes> packet() {
    auto len = read(2);
    if (!len) return std::nullopt;
    unsigned n = be16(len->data());
    if (n < 2) return len;
    auto rest = read(n - 2);
    if (!rest) return std::nullopt;
    len->insert(len->end(), rest->begin(), rest->end());
    return len;
  }
  // The pieces of one reply, read by their own count; fails the test on a broken reply.
  std::vector<Bytes> reply() {
    std::vector<Bytes> pieces;
    for (;;) {
      auto p = packet();
      if (!p) {
        ADD_FAILURE() << "reply ended after " << pieces.size() << " pieces";
        return pieces;
      }
      pieces.push_back(*p);
      if (p->size() < 9 || be16(p->data() + 7) >= be16(p->data() + 5)) return pieces;
    }
  }
  // True when the server has closed the connection (end of stream seen within the timeout).
  // (Bytes still in flight before the end are read and dropped.)
  bool closedByPeer(std::chrono::milliseconds timeout = 3000ms) {
    for (;;) {
      pollfd p{fd_, POLLIN, 0};
      if (::poll(&p, 1, static_cast<int>(timeout.count())) <= 0) return false;
      uint8_t b[512];
      ssize_t r = ::recv(fd_, b, sizeof b, 0);
      if (r <= 0) return r == 0 || errno == ECONNRESET;
    }
  }

 private:
  int fd_ = -1;
  bool connected_ = false;
};

Bytes joinPieces(const std::vector<Bytes>& pieces) {
  Bytes out;
  for (const Bytes& p : pieces) out.insert(out.end(), p.begin() + 9, p.end());
  return out;
}

struct Record {
  char kind;
  std::string nameField;  // all 31 bytes
  std::string version;
  uint32_t size;
  std::string name() const { return nameField.substr(0, nameField.find('\0')); }
};

std::vector<Record> parseList(const Bytes& joined, uint32_t* countOut = nullptr) {
  std::vector<Record> out;
  uint32_t count = be32(joined.data());
  if (countOut) *countOut = count;
  for (size_t off = 4; off + 42 <= joined.size(); off += 42) {
    const char* p = reinterpret_cast<const char*>(joined.data() + off);
    out.push_back({p[0], std::string(p + 1, 31), std::string(p + 32, 6), be32(joined.data() + off + 38)});
  }
  return out;
}

std::string pattern(size_t n, unsigned seed) {
  std::string s(n, '\0');
  for (size_t i = 0; i < n; ++i) s[i] = static_cast<char>((i * 31 + seed) & 0xFF);
  return s;
}

class VersionServerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char tmpl[] = "/tmp/simver-XXXXXX";
    dir_ = ::mkdtemp(tmpl);
    write("stock_code.dat", small_);
    write("ZR4105.dll", big_);
    writeList("# served files\r\n1|stock_code.dat|070301\r\n\r\n0|ZR4105.dll|070302\r\n");
  }
  void TearDown() override {
    server_.reset();
    fs::remove_all(dir_);
  }
  void write(const std::string& name, const std::string& data) {
    std::ofstream(dir_ + "/" + name, std::ios::binary) << data;
  }
  void writeList(const std::string& text) { write("versions.txt", text); }
  simver::VersionServer& start() {
    server_ = std::make_unique<simver::VersionServer>(dir_);
    port_ = server_->start(0);
    EXPECT_GT(port_, 0) << server_->lastError();
    return *server_;
  }

  std::string dir_;
  std::string small_ = "005930 0|\xBB\xEF\xBC\xBA\xC0\xFC\xC0\xDA\r\n";
  // 2 x 4,087 + 10 bytes after the 32-byte kind and name: three pieces, the last with 10 bytes.
  std::string big_ = pattern(2 * 4087 + 10 - 32, 7);
  std::unique_ptr<simver::VersionServer> server_;
  int port_ = 0;
};

TEST_F(VersionServerTest, ListRequestReturnsEveryServedFileWithItsKindVersionAndSize) {
  auto& s = start();
  RawClient c(port_);
  ASSERT_TRUE(c.connected());
  c.send(RawClient::listRequest());
  auto pieces = c.reply();
  ASSERT_EQ(pieces.size(), 1u);
  const Bytes& p = pieces[0];
  EXPECT_EQ(be16(p.data()), 9 + 4 + 2 * 42u);
  EXPECT_EQ(p[2], 1);
  EXPECT_EQ(p[3], '4');
  EXPECT_EQ(p[4], 0);
  EXPECT_EQ(be16(p.data() + 5), 1u);
  EXPECT_EQ(be16(p.data() + 7), 1u);

  uint32_t count = 0;
  auto recs = parseList(joinPieces(pieces), &count);
  ASSERT_EQ(count, 2u);
  ASSERT_EQ(recs.size(), 2u);
  EXPECT_EQ(recs[0].kind, '1');
  EXPECT_EQ(recs[0].nameField, std::string("stock_code.dat") + std::string(17, '\0'));
  EXPECT_EQ(recs[0].version, "070301");
  EXPECT_EQ(recs[0].size, small_.size());
  EXPECT_EQ(recs[1].kind, '0');
  EXPECT_EQ(recs[1].name(), "ZR4105.dll");
  EXPECT_EQ(recs[1].version, "070302");
  EXPECT_EQ(recs[1].size, big_.size());

  ASSERT_TRUE(s.waitForRequests(1, 2s));
  auto log = s.requests();
  ASSERT_EQ(log.size(), 1u);
  EXPECT_TRUE(log[0].wellFormed);
  EXPECT_EQ(log[0].kind, 1);
  EXPECT_EQ(log[0].localAddress, "127.0.0.1");
  EXPECT_EQ(log[0].raw, RawClient::listRequest());
}

TEST_F(VersionServerTest, ClientSeesWhichCarrierAddressItUsed) {
  auto& s = start();
  for (const char* addr : {"127.0.0.2", "127.0.0.3", "127.0.0.4"}) {
    RawClient c(port_, addr);
    ASSERT_TRUE(c.connected()) << addr;
    c.send(RawClient::listRequest());
    c.reply();
  }
  ASSERT_TRUE(s.waitForRequests(3, 2s));
  auto log = s.requests();
  EXPECT_EQ(log[0].localAddress, "127.0.0.2");
  EXPECT_EQ(log[1].localAddress, "127.0.0.3");
  EXPECT_EQ(log[2].localAddress, "127.0.0.4");
  EXPECT_EQ(s.connections(), 3);
}

// Joined file reply sizes around the piece boundary: 32 bytes of kind and name plus the data.
TEST_F(VersionServerTest, FileRepliesAreCutIntoPiecesOfExactly4087DataBytes) {
  struct Row {
    size_t joined;
    size_t pieces;
  } rows[] = {{32, 1}, {4087, 1}, {4088, 2}, {2 * 4087, 2}, {2 * 4087 + 1, 3}, {5 * 4087 + 100, 6}};
  auto& s = start();
  for (const Row& r : rows) {
    std::string data = pattern(r.joined - 32, static_cast<unsigned>(r.joined));
    s.addEntry({'0', "F" + std::to_string(r.joined) + ".dll", "070303", data});
    RawClient c(port_);
    c.send(RawClient::fileRequest('0', "F" + std::to_string(r.joined) + ".dll"));
    auto pieces = c.reply();
    ASSERT_EQ(pieces.size(), r.pieces) << r.joined;
    for (size_t i = 0; i < pieces.size(); ++i) {
      const Bytes& p = pieces[i];
      SCOPED_TRACE(testing::Message() << "size " << r.joined << " piece " << i + 1);
      EXPECT_EQ(be16(p.data()), p.size());
      EXPECT_EQ(p[2], 2);
      EXPECT_EQ(be16(p.data() + 5), r.pieces);
      EXPECT_EQ(be16(p.data() + 7), i + 1);
      if (i + 1 < pieces.size()) {
        EXPECT_EQ(p.size(), 4096u);
      }
    }
    Bytes joined = joinPieces(pieces);
    ASSERT_EQ(joined.size(), r.joined);
    EXPECT_EQ(joined[0], '0');
    std::string field(reinterpret_cast<const char*>(joined.data() + 1), 31);
    EXPECT_EQ(field.substr(0, field.find('\0')), "F" + std::to_string(r.joined) + ".dll");
    EXPECT_EQ(field.find_first_not_of('\0', field.find('\0')), std::string::npos) << "name field padded with NULs";
    EXPECT_EQ(std::string(joined.begin() + 32, joined.end()), data);
  }
}

TEST_F(VersionServerTest, ServedFolderFileComesInThreePiecesOnOneConnectionAfterTheList) {
  start();
  RawClient c(port_);
  c.send(RawClient::listRequest());
  c.reply();
  c.send(RawClient::fileRequest('0', "ZR4105.dll"));
  auto pieces = c.reply();
  ASSERT_EQ(pieces.size(), 3u);
  EXPECT_EQ(pieces[0].size(), 4096u);
  EXPECT_EQ(pieces[1].size(), 4096u);
  EXPECT_EQ(pieces[2].size(), 9u + 10u);
  Bytes joined = joinPieces(pieces);
  EXPECT_EQ(std::string(joined.begin() + 32, joined.end()), big_);
}

TEST_F(VersionServerTest, LongListIsCutIntoPiecesToo) {
  auto& s = start();
  for (int i = 0; i < 200; ++i) s.addEntry({'1', "code" + std::to_string(i) + ".dat", "070301", "x"});
  RawClient c(port_);
  c.send(RawClient::listRequest());
  auto pieces = c.reply();
  size_t joinedSize = 4 + 202 * 42;
  ASSERT_EQ(pieces.size(), (joinedSize + 4086) / 4087);
  uint32_t count = 0;
  auto recs = parseList(joinPieces(pieces), &count);
  EXPECT_EQ(count, 202u);
  EXPECT_EQ(recs.size(), 202u);
  EXPECT_EQ(recs.back().name(), "code199.dat");
}

// Names are looked up in the served list only: files in the folder that the list does not name,
// and paths, are refused by ending the connection.
TEST_F(VersionServerTest, NamesOutsideTheListAreRefused) {
  write("secret.txt", "host file");
  auto& s = start();
  const char* names[] = {"versions.txt", "secret.txt", "../secret.txt", "/etc/passwd", "stock_code.DAT", ""};
  int n = 0;
  for (const char* name : names) {
    RawClient c(port_);
    c.send(RawClient::fileRequest('0', name));
    EXPECT_TRUE(c.closedByPeer()) << name;
    ASSERT_TRUE(s.waitForRequests(++n, 2s));
    auto log = s.requests().back();
    EXPECT_TRUE(log.wellFormed);
    EXPECT_FALSE(log.found) << name;
    EXPECT_EQ(log.name, name);
  }
}

TEST_F(VersionServerTest, MalformedRequestsEndTheConnectionAndAreLogged) {
  struct Row {
    const char* what;
    Bytes request;
  };
  Bytes noE = RawClient::listRequest();
  noE[9] = 'X';
  Bytes badMark = RawClient::listRequest();
  badMark[3] = '5';
  Bytes twoPieces = RawClient::listRequest();
  twoPieces[6] = 2;
  Bytes shortFile = RawClient::fileRequest('0', "ZR4105.dll");
  shortFile.pop_back();
  shortFile[1] = 40;
  Bytes kind3 = RawClient::listRequest();
  kind3[2] = 3;
  Row rows[] = {
      {"length below the header", {0, 5, 1, '4', 0}},
      {"length above 4,096", {0x10, 0x01}},
      {"list without 'E'", noE},
      {"mark not '4'", badMark},
      {"piece count 2", twoPieces},
      {"file request of 40 bytes", shortFile},
      {"unknown kind", kind3},
  };
  auto& s = start();
  int n = 0;
  for (const Row& r : rows) {
    RawClient c(port_);
    c.send(r.request);
    EXPECT_TRUE(c.closedByPeer()) << r.what;
    ASSERT_TRUE(s.waitForRequests(++n, 2s)) << r.what;
    EXPECT_FALSE(s.requests().back().wellFormed) << r.what;
  }
}

// Every fault as one row: the request that meets it and what the raw client must then see.
TEST_F(VersionServerTest, FaultsShowOnTheWire) {
  struct Row {
    Fault fault;
    bool fileRequest;  // else a list request
    std::function<void(RawClient&, const std::string& big)> check;
  };
  auto firstHeaderOk = [](const Bytes& p) { return p.size() >= 9 && p[3] == '4' && be16(p.data()) == p.size(); };
  auto hostileName = [](std::string expected) {
    return [expected](RawClient& c, const std::string&) {
      auto pieces = c.reply();
      uint32_t count = 0;
      auto recs = parseList(joinPieces(pieces), &count);
      ASSERT_EQ(count, 3u);
      ASSERT_EQ(recs.size(), 3u);
      EXPECT_EQ(recs[2].nameField.substr(0, expected.size()), expected);
      // The hostile file is then served on that connection, so the client's handling is tested.
      c.send(RawClient::fileRequest('0', expected));
      auto file = joinPieces(c.reply());
      ASSERT_GE(file.size(), 32u);
      EXPECT_EQ(file.size() - 32, recs[2].size);
    };
  };
  Row rows[] = {
      {Fault::PiecesOutOfOrder, false,
       [](RawClient& c, const std::string&) {
         auto a = c.packet(), b = c.packet();
         ASSERT_TRUE(a && b);
         EXPECT_EQ(be16(a->data() + 7), 2u);
         EXPECT_EQ(be16(b->data() + 7), 1u);
         EXPECT_EQ(be16(a->data() + 5), 2u);
       }},
      {Fault::PiecesOutOfOrder, true,
       [](RawClient& c, const std::string& big) {
         auto a = c.packet(), b = c.packet(), d = c.packet();
         ASSERT_TRUE(a && b && d);
         EXPECT_EQ(be16(a->data() + 7), 2u);
         EXPECT_EQ(be16(b->data() + 7), 1u);
         EXPECT_EQ(be16(d->data() + 7), 3u);
         Bytes joined = joinPieces({*b, *a, *d});
         EXPECT_EQ(std::string(joined.begin() + 32, joined.end()), big);
       }},
      {Fault::PieceCountChanges, true,
       [](RawClient& c, const std::string&) {
         auto a = c.packet(), b = c.packet();
         ASSERT_TRUE(a && b);
         EXPECT_EQ(be16(a->data() + 5), 3u);
         EXPECT_EQ(be16(b->data() + 5), 4u);
         EXPECT_EQ(be16(b->data() + 7), 2u);
       }},
      {Fault::LengthTooShort, true,
       [&](RawClient& c, const std::string&) {
         auto runt = c.packet();
         ASSERT_TRUE(runt);
         EXPECT_EQ(runt->size(), 8u);
         EXPECT_EQ(be16(runt->data()), 8u);
         auto next = c.packet();  // the stream stays framed: piece 2 follows
         ASSERT_TRUE(next);
         EXPECT_TRUE(firstHeaderOk(*next));
         EXPECT_EQ(be16(next->data() + 7), 2u);
       }},
      {Fault::LengthZero, false,
       [](RawClient& c, const std::string&) {
         auto z = c.read(2);
         ASSERT_TRUE(z);
         EXPECT_EQ(be16(z->data()), 0u);
       }},
      {Fault::LengthTooLong, false,
       [](RawClient& c, const std::string&) {
         auto p = c.packet();
         ASSERT_TRUE(p);
         EXPECT_EQ(be16(p->data()), 4097u);
         EXPECT_EQ(p->size(), 4097u);
       }},
      {Fault::ListCountTooLarge, false,
       [](RawClient& c, const std::string&) {
         auto pieces = c.reply();
         uint32_t count = 0;
         auto recs = parseList(joinPieces(pieces), &count);
         EXPECT_EQ(count, 7u);
         EXPECT_EQ(recs.size(), 2u);
         EXPECT_EQ(joinPieces(pieces).size(), 4 + 2 * 42u);
       }},
      {Fault::FileSizeLarger, false,
       [](RawClient& c, const std::string& big) {
         auto recs = parseList(joinPieces(c.reply()));
         ASSERT_EQ(recs.size(), 2u);
         EXPECT_EQ(recs[1].size, big.size() + 5000);
         c.send(RawClient::fileRequest('0', "ZR4105.dll"));
         EXPECT_EQ(joinPieces(c.reply()).size(), 32 + big.size()) << "the data keep their true size";
       }},
      {Fault::FileSizeSmaller, false,
       [](RawClient& c, const std::string& big) {
         auto recs = parseList(joinPieces(c.reply()));
         ASSERT_EQ(recs.size(), 2u);
         EXPECT_EQ(recs[1].size, big.size() - 1);
       }},
      {Fault::NameWithBackslash, false, hostileName("..\\Windows\\evil.dll")},
      {Fault::NameWithSlash, false, hostileName("../Windows/evil.dll")},
      {Fault::NameDotDot, false, hostileName("..")},
      {Fault::NameWithoutNul, false, hostileName(std::string(31, 'N'))},
      {Fault::CloseMidDownload, true,
       [](RawClient& c, const std::string&) {
         auto a = c.packet();
         ASSERT_TRUE(a);
         EXPECT_EQ(be16(a->data() + 7), 1u);
         EXPECT_TRUE(c.closedByPeer());
       }},
      {Fault::CloseMidDownload, false,
       [](RawClient& c, const std::string&) {
         auto part = c.read(9);  // half of the only piece, then the end
         ASSERT_TRUE(part);
         EXPECT_GT(be16(part->data()), 2u * (4 + 2 * 42u) / 2);
         EXPECT_TRUE(c.closedByPeer());
       }},
      {Fault::Silence, true,
       [](RawClient& c, const std::string&) {
         EXPECT_FALSE(c.read(1, 200ms)) << "nothing is sent";
         EXPECT_FALSE(c.closedByPeer(50ms)) << "the connection stays open";
       }},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(testing::Message() << simver::FaultName(r.fault) << (r.fileRequest ? " on a file" : " on the list"));
    server_.reset();
    auto& s = start();
    s.setFault(r.fault);
    RawClient c(port_);
    c.send(r.fileRequest ? RawClient::fileRequest('0', "ZR4105.dll") : RawClient::listRequest());
    r.check(c, big_);
    ASSERT_TRUE(s.waitForRequests(1, 2s));
    EXPECT_EQ(s.requests()[0].fault, r.fault);
  }
}

TEST_F(VersionServerTest, FaultAppliesOnlyToTheRequestAndKindItWasSetFor) {
  auto& s = start();
  s.setFault(Fault::ListCountTooLarge, 2);
  s.setFault(Fault::Silence, 0, simver::kKindFile);
  RawClient c(port_);
  uint32_t count = 0;
  for (uint32_t expected : {2u, 7u, 2u}) {
    c.send(RawClient::listRequest());
    parseList(joinPieces(c.reply()), &count);
    EXPECT_EQ(count, expected);
  }
  c.send(RawClient::fileRequest('1', "stock_code.dat"));
  EXPECT_FALSE(c.read(1, 100ms)) << "file requests meet the silence";
  ASSERT_TRUE(s.waitForRequests(4, 2s));
  auto log = s.requests();
  EXPECT_EQ(log[0].fault, Fault::None);
  EXPECT_EQ(log[1].fault, Fault::ListCountTooLarge);
  EXPECT_EQ(log[2].fault, Fault::None);
  EXPECT_EQ(log[3].fault, Fault::Silence);
  EXPECT_EQ(log[3].name, "stock_code.dat");

  s.clearFaults();
  RawClient d(port_);
  d.send(RawClient::fileRequest('1', "stock_code.dat"));
  Bytes joined = joinPieces(d.reply());
  EXPECT_EQ(std::string(joined.begin() + 32, joined.end()), small_);
}

TEST_F(VersionServerTest, SilentConnectionDoesNotHoldUpAnotherClient) {
  auto& s = start();
  s.setFault(Fault::Silence, 1);
  RawClient silent(port_);
  silent.send(RawClient::listRequest());
  ASSERT_TRUE(s.waitForRequests(1, 2s));
  RawClient other(port_, "127.0.0.2");
  other.send(RawClient::fileRequest('1', "stock_code.dat"));
  Bytes joined = joinPieces(other.reply());
  EXPECT_EQ(std::string(joined.begin() + 32, joined.end()), small_);
}

TEST_F(VersionServerTest, HostileNamesAreServedOnlyOnTheConnectionThatWasOfferedThem) {
  auto& s = start();
  s.setFault(Fault::NameWithSlash, 1);
  {
    RawClient c(port_);
    c.send(RawClient::listRequest());
    c.reply();
  }
  RawClient other(port_);
  other.send(RawClient::fileRequest('0', "../Windows/evil.dll"));
  EXPECT_TRUE(other.closedByPeer());
}

TEST_F(VersionServerTest, BadVersionListsStopTheStart) {
  struct Row {
    const char* what;
    std::string list;
    const char* inError;
  } rows[] = {
      {"version of 5 characters", "1|stock_code.dat|07030\n", "6 characters"},
      {"name with a slash", "1|sub/stock_code.dat|070301\n", "bad name"},
      {"name with a backslash", "1|sub\\stock_code.dat|070301\n", "bad name"},
      {"name with ..", "1|..stock_code.dat|070301\n", "bad name"},
      {"name of 31 bytes", "1|" + std::string(31, 'a') + "|070301\n", "bad name"},
      {"file missing", "1|gone.dat|070301\n", "cannot read"},
      {"two fields", "1|stock_code.dat\n", "expected"},
      {"kind of two characters", "10|stock_code.dat|070301\n", "one character"},
      {"name listed twice", "1|stock_code.dat|070301\n1|stock_code.dat|070302\n", "twice"},
  };
  for (const Row& r : rows) {
    writeList(r.list);
    simver::VersionServer s(dir_);
    EXPECT_EQ(s.start(0), -1) << r.what;
    EXPECT_NE(s.lastError().find(r.inError), std::string::npos) << r.what << ": " << s.lastError();
  }
  fs::remove(dir_ + "/versions.txt");
  simver::VersionServer s(dir_);
  EXPECT_EQ(s.start(0), -1) << "missing list";
}

TEST_F(VersionServerTest, PortTakenOnOneAddressFailsTheStartInsteadOfServingPartly) {
  // Another listener holds the port on 127.0.0.3 only.
  int other = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in sa{};
  sa.sin_family = AF_INET;
  ::inet_pton(AF_INET, "127.0.0.3", &sa.sin_addr);
  ASSERT_EQ(::bind(other, reinterpret_cast<sockaddr*>(&sa), sizeof sa), 0);
  ASSERT_EQ(::listen(other, 1), 0);
  socklen_t len = sizeof sa;
  ::getsockname(other, reinterpret_cast<sockaddr*>(&sa), &len);
  int taken = ntohs(sa.sin_port);

  simver::VersionServer s(dir_);
  EXPECT_EQ(s.start(taken), -1);
  EXPECT_NE(s.lastError().find("127.0.0.3"), std::string::npos) << s.lastError();
  RawClient c(taken, "127.0.0.1");
  EXPECT_FALSE(c.connected()) << "nothing left listening on the other addresses";
  ::close(other);
}

TEST_F(VersionServerTest, SourceFieldTakesTheBytesFromAnotherFile) {
  fs::create_directories(dir_ + "/build");
  write("build/plugin.so", "plugin bytes");
  writeList("0|ZR4105.dll|070309|build/plugin.so\n");
  start();
  RawClient c(port_);
  c.send(RawClient::fileRequest('0', "ZR4105.dll"));
  Bytes joined = joinPieces(c.reply());
  EXPECT_EQ(std::string(joined.begin() + 32, joined.end()), "plugin bytes");
}

TEST_F(VersionServerTest, StopEndsSilentAndIdleConnectionsPromptly) {
  auto& s = start();
  s.setFault(Fault::Silence);
  RawClient silent(port_), idle(port_);
  silent.send(RawClient::listRequest());
  ASSERT_TRUE(s.waitForRequests(1, 2s));
  auto t0 = std::chrono::steady_clock::now();
  s.stop();
  EXPECT_LT(std::chrono::steady_clock::now() - t0, 1s);
  EXPECT_TRUE(silent.closedByPeer());
  EXPECT_TRUE(idle.closedByPeer());
  RawClient late(port_);
  EXPECT_FALSE(late.connected());
}

// Held replies leave when the hold is taken off; a reply still held when the server stops lets
// its connection end.
TEST_F(VersionServerTest, HeldRepliesLeaveOnReleaseAndTheStopEndsAHeldOne) {
  auto& s = start();
  s.holdReplies(true);
  RawClient c(port_);
  c.send(RawClient::listRequest());
  s.holdReplies(false);
  uint32_t count = 0;
  parseList(joinPieces(c.reply()), &count);
  EXPECT_EQ(count, 2u);

  s.holdReplies(true);
  RawClient held(port_);
  held.send(RawClient::listRequest());
  s.stop();
  EXPECT_TRUE(held.closedByPeer());
  EXPECT_EQ(s.requests().size(), 1u) << "the held reply never left";
}

}  // namespace
