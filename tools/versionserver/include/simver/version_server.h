// Simulated version server: answers the updater's list and file requests over TCP, serving the
// files of one folder under the names, kinds and versions of that folder's version list.
//
// Wire format (both directions start with a 9-byte header):
//   0-1 big-endian length of the whole packet, header included
//   2   kind: 1 list, 2 file
//   3   '4'
//   4   0
//   5-6 big-endian number of pieces (1 in requests)
//   7-8 big-endian piece number, from 1 (1 in requests)
// List request: header (length 10, kind 1) + 'E'. File request: header (length 41, kind 2) + the
// 32 first bytes of the wanted record (kind byte and 31-byte NUL-terminated name).
// A reply is cut into pieces of at most 4,087 data bytes. A joined list reply is a big-endian
// 32-bit count followed by that many 42-byte records (kind, name[31], version[6], big-endian size);
// a joined file reply is the 32 bytes of kind and name followed by the file's bytes.
//
// Served folder: a text file "versions.txt" with one entry a line, "kind|name|version[|source]":
//   kind     one character, '1' for an item-code list file, anything else for a program file
//   name     1 to 30 bytes, no '/', '\', ':' or "..": the name the device asks for
//   version  exactly 6 characters, compared byte by byte by the device (larger is newer)
//   source   optional host path of the file's bytes, relative to the folder when not absolute;
//            without it the bytes are the folder's file of the same name
// Empty lines and lines starting with '#' are skipped; CR line ends are accepted.
// Requested names are only looked up in that list; they are never used as a path.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace simver {

inline constexpr int kHeaderSize = 9;
inline constexpr int kMaxPacket = 4096;
inline constexpr int kPieceData = kMaxPacket - kHeaderSize;  // 4,087
inline constexpr int kRecordSize = 42;
inline constexpr int kNameField = 31;
inline constexpr int kVersionField = 6;
inline constexpr uint8_t kKindList = 1;
inline constexpr uint8_t kKindFile = 2;

// One file the server offers.
struct Entry {
  char kind = '0';
  std::string name;     // at most 30 bytes normally; a fault may offer a 31-byte name
  std::string version;  // 6 bytes
  std::string data;     // the file's bytes
};

// Misbehaviours the server can be told to show, for testing the updater's defences.
enum class Fault {
  None,
  PiecesOutOfOrder,   // piece 2 is sent before piece 1 (a one-piece reply is split in two first)
  PieceCountChanges,  // the second piece announces one piece more than the first
  LengthTooShort,     // the first piece is a runt: its length field says 8 and 8 bytes are sent
  LengthZero,         // the first piece is only a 2-byte length field holding 0
  LengthTooLong,      // the first piece carries 4,088 data bytes: length field 4,097
  ListCountTooLarge,  // the list reply's count is 5 more than the records that follow
  FileSizeLarger,     // every list record announces 5,000 bytes more than the file has
  FileSizeSmaller,    // every list record announces 1 byte less than the file has
  NameWithBackslash,  // the list offers one more file, named "..\\Windows\\evil.dll"
  NameWithSlash,      // the list offers one more file, named "../Windows/evil.dll"
  NameDotDot,         // the list offers one more file, named ".."
  NameWithoutNul,     // the list offers one more file whose 31-byte name field has no NUL
  CloseMidDownload,   // half of the reply is sent, then the connection is closed
  Silence,            // nothing is sent back; the connection stays open
};

const char* FaultName(Fault f);
// The fault of a FaultName text ("Silence", ...); false when there is none of that name.
bool ParseFault(const std::string& name, Fault& out);

// Where a fault applies: to the server's n-th request (counted from 1 over all connections of
// this server) or, with n = 0, to every request; optionally only to requests of one kind.
struct FaultRule {
  Fault fault = Fault::None;
  int onRequest = 0;   // 0 = every request
  uint8_t onKind = 0;  // 0 = any kind, else kKindList or kKindFile
};

// One request as the server saw it.
struct RequestLog {
  int number = 0;             // 1, 2, ... over the server's life
  int connection = 0;         // 1, 2, ... in accept order
  std::string localAddress;   // the address the client connected to ("127.0.0.2", ...)
  uint8_t kind = 0;           // header byte 2
  bool wellFormed = false;    // length, header and body as the protocol has them
  std::string name;           // file requests: the requested name (up to the NUL)
  bool found = false;         // file requests: the name is in the served list
  Fault fault = Fault::None;  // the fault applied to the reply
  int piecesSent = 0;
  std::vector<uint8_t> raw;  // the request's bytes
};

class VersionServer {
 public:
  explicit VersionServer(std::string folder);
  ~VersionServer();
  VersionServer(const VersionServer&) = delete;
  VersionServer& operator=(const VersionServer&) = delete;

  // Reads the folder's version list and starts listening on the loopback addresses (default
  // 127.0.0.1 to 127.0.0.4, so that a test sees which server key the client used) at the given
  // port (0 = a free port chosen for the first address and used for the others). Returns the
  // port, or -1 when the list cannot be read or no address can be bound (see lastError()).
  int start(int port = 0);
  void stop();
  int port() const { return port_; }
  std::string lastError() const;

  // Addresses to listen on; call before start().
  void setAddresses(std::vector<std::string> addresses);

  // Adds or replaces (by name) a served file; usable before or while running.
  void addEntry(Entry e);
  std::vector<Entry> entries() const;

  void setFault(Fault f, int onRequest = 0, uint8_t onKind = 0);
  void clearFaults();
  // Every reply waits this long before its first piece (a slow line; 0 = none).
  void setReplyDelay(std::chrono::milliseconds delay);
  // While held, every reply waits (after the delay) until the hold is taken off or the server
  // stops: the client's waiting state lasts exactly as long as whoever looks at it needs.
  void holdReplies(bool hold);

  std::vector<RequestLog> requests() const;
  int connections() const;
  // Waits until at least n requests have been answered (or refused); false on timeout.
  bool waitForRequests(size_t n, std::chrono::milliseconds timeout) const;
  // Waits until every request begun has been answered, refused or cut off, so that the log is
  // whole: an entry joins only after its reply has gone out, which a client may have read already.
  bool waitSettled(std::chrono::milliseconds timeout) const;
  // Waits until at least n connections have ended; false on timeout.
  bool waitForClosed(int n, std::chrono::milliseconds timeout) const;

  // The joined list reply and file reply for the current entries, without faults.
  std::vector<uint8_t> listReply() const;
  static std::vector<uint8_t> fileReply(const Entry& e);
  // Cuts a joined reply into pieces of at most 4,087 data bytes, each behind its header.
  static std::vector<std::vector<uint8_t>> cutPieces(uint8_t kind, const std::vector<uint8_t>& body);

  // Reads a version list file; false with a reason in err when a line is malformed or a file
  // cannot be read.
  static bool readList(const std::string& folder, std::vector<Entry>& out, std::string& err);

 private:
  struct Conn;
  void acceptLoop();
  void serve(std::shared_ptr<Conn> c);
  Fault faultFor(int number, uint8_t kind) const;
  void finishRequest(RequestLog log);
  void abandonRequest();

  std::string folder_;
  std::vector<std::string> addresses_;
  std::vector<int> listeners_;
  int wake_[2] = {-1, -1};
  int port_ = -1;
  std::atomic<bool> running_{false};
  std::thread acceptor_;

  mutable std::mutex mu_;
  mutable std::condition_variable cv_;
  std::vector<Entry> entries_;
  std::vector<FaultRule> faults_;
  std::chrono::milliseconds replyDelay_{0};
  bool held_ = false;
  std::vector<RequestLog> log_;
  std::vector<std::shared_ptr<Conn>> conns_;
  int requestCount_ = 0;
  int open_ = 0;  // requests numbered and not yet logged or abandoned
  int connCount_ = 0;
  int closedCount_ = 0;
  std::string error_;
};

}  // namespace simver
