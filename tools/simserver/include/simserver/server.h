// The simulated trading server: a test fixture that speaks the firm's packet protocol on loopback.
//
//   simsrv::TradingServer server({.keysDir = SIMSERVER_KEYS_DIR});
//   int port = server.start(0);                 // 0 picks a free port
//   ... a client logs in with "demo"/"1234", asks for quotes, places orders ...
//   server.waitForRequest(2310, 2000, &entry);  // what arrived, deciphered (passwords masked)
//   server.push(9110, {"005930"});              // to every connection registered for it
//   server.setFault({simsrv::FaultKind::TamperMac, 4020});
//   server.stop();
//
// Every reply is produced by a handler from a table keyed by transaction code (handlers.cpp);
// the market model behind them (market.h) is reached with withMarket().
#pragma once
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "market.h"
#include "session.h"

namespace simsrv {

// ---------------------------------------------------------------------------------------------
// Fault injection: applied to the next `count` requests whose code matches (0 = any code).
enum class FaultKind {
  None,
  CloseNow,        // close the connection as soon as the request arrives; no reply
  CloseMidPacket,  // send the first half of the reply, then close
  Oversize,        // send a packet that announces 4,097 bytes (and carries them) instead of the reply
  ShortPacket,     // send a packet whose length (10) is shorter than its header instead of the reply
  TamperMac,       // enciphered reply with a wrong check value
  Replay,          // enciphered reply that reuses the previous sequence number
  WrongSessionId,  // enciphered reply carrying another session id
  Delay,           // reply after `delayMs`
  NoReply,         // drop the reply
  FillFF,          // the reply with every body byte 0xFF (same length, status and encipherment)
};
struct Fault {
  FaultKind kind = FaultKind::None;
  uint16_t code = 0;     // transaction code of the request; 0 = any
  uint32_t delayMs = 0;  // for Delay
  int count = 1;         // how many requests it applies to; -1 = until cleared
};
const char* FaultName(FaultKind kind);
// Parses "<kind> [code] [ms=N] [count=N|always]", kinds as FaultName gives them
// ("close", "close-mid", "oversize", "short", "tamper-mac", "replay", "wrong-session", "delay", "no-reply",
// "fill-ff").
bool ParseFault(std::string_view text, Fault& out, std::string& error);

// ---------------------------------------------------------------------------------------------
// One received packet, decoded; it joins the log once the server has handled it (reply sent,
// registration taken), with the time it arrived. Passwords (login id/password bytes 10-19, account passwords of
// order and account requests, bytes 10-17) are replaced by '*' in `plain` before the entry is kept.
struct LogEntry {
  uint64_t timeMs = 0;       // since the server started
  int connection = 0;        // 1, 2, ... in order of acceptance
  std::string localAddress;  // the server address the client connected to ("127.0.0.2", ...)
  uint16_t code = 0;
  std::string status;  // header bytes 11-12 as text
  uint8_t encFlag = 0;
  Bytes header;             // the 15 header bytes
  Bytes body;               // body as received
  bool deciphered = false;  // `plain` holds the deciphered body
  Bytes plain;              // plain body (deciphered when enciphered), passwords masked
  int sessionError = 0;     // negative SessionCode when the body could not be opened
  std::string note;         // framing problems and the like
};
std::string FormatLogEntry(const LogEntry& e);

// ---------------------------------------------------------------------------------------------
// What a handler sees and answers.
struct Connection;
class TradingServer;

struct Request {
  uint16_t code = 0;
  bool enciphered = false;
  const uint8_t* header = nullptr;  // 15 bytes
  Bytes body;                       // plain (deciphered) body
};

struct Reply {
  bool send = true;  // false: no reply at all
  char status[2] = {'0', '0'};
  Bytes body;
  bool encipher = false;  // set from the request by the server; a handler may change it
  // Error reply: status "99" and SERVER_MESSAGE (14-byte caption, then the text, code page 949).
  void Error(std::string_view captionUtf8, std::string_view textUtf8);
};

// A handler runs on its connection's thread with the market locked; it may call the server's
// push(), trade() and pushRaw() (the lock is recursive) and send further packets with sendReply().
struct HandlerContext {
  TradingServer& server;
  Connection& connection;
  Market& market;
};

using Handler = std::function<void(HandlerContext&, const Request&, Reply&)>;
// The built-in transaction table (handlers.cpp).
std::map<uint16_t, Handler> DefaultHandlers();

// ---------------------------------------------------------------------------------------------
// Scenario: a scripted conversation (scenario.cpp, format in docs/simserver.md).
struct ScenarioStep {
  enum Kind { Expect, ReplyStep, Push, Disconnect, SleepStep, FaultStep } kind = Expect;
  int line = 0;
  uint16_t code = 0;
  // Expect
  int wantEnc = -1;                              // -1 any
  int wantLen = -1;                              // plain body length, -1 any
  std::vector<std::pair<size_t, Bytes>> checks;  // plain body offset -> bytes
  // Reply / Push
  bool useModel = false;  // reply: run the handler; push: build records from the model
  char status[2] = {'0', '0'};
  Bytes body;
  int encipher = -1;  // -1 as the request, 0 plain, 1 enciphered
  std::vector<std::string> codes;
  uint32_t ms = 0;
  Fault fault;
};
struct Scenario {
  std::string name;
  std::vector<ScenarioStep> steps;
};
bool ParseScenario(std::string_view text, Scenario& out, std::string& error);
bool LoadScenario(const std::string& path, Scenario& out, std::string& error);

// ---------------------------------------------------------------------------------------------
struct ServerOptions {
  // Loopback addresses to listen on, all with the same port. The sample device's server keys
  // point at 127.0.0.1 (Internet) and .2 to .4 (the carriers), so a test sees which one was used.
  std::vector<std::string> addresses = {"127.0.0.1", "127.0.0.2", "127.0.0.3", "127.0.0.4"};
  std::string keysDir;      // test_server_key.pem and test_server.der; empty = the built-in default
  uint64_t seed = 1;        // 0: random session material from the OS; else a repeatable stream
  std::string logPath;      // when set, every log entry is appended there as text
  bool quietLog = true;     // false: also print log entries on stderr
  bool blankNames = false;  // 4101 replies fill the 12-byte item name up with blanks, not zeros
};

// A receiver inquiry (2422) that a transfer (2425) of the same connection may carry out once.
struct PendingTransfer {
  bool open = false;
  std::string key;  // 9 characters, and the flag byte after it
  char flag = '1';
  std::string account;
  Receiver to;
  int64_t amount = 0;
};

struct Connection {
  int id = 0;
  int fd = -1;
  std::thread thread;
  std::mutex sendMu;
  ServerSession session;
  bool loggedIn = false;
  std::string user;
  std::string localAddress;
  PendingTransfer transfer;
  std::map<uint16_t, std::map<std::string, int>> registrations;  // push type -> item code -> count
  std::atomic<bool> open{true};
  uint16_t lastReplyCode = 0;
};

class TradingServer {
 public:
  explicit TradingServer(ServerOptions options = {});
  ~TradingServer();
  TradingServer(const TradingServer&) = delete;
  TradingServer& operator=(const TradingServer&) = delete;

  // Listens on every address of the options at `port` (0 = a free port, the same for all);
  // returns the port, or -1 (see lastError()).
  int start(uint16_t port = 0);
  void stop();
  int port() const { return port_; }
  const std::string& lastError() const { return error_; }

  // --- model and handlers
  template <typename F>
  auto withMarket(F&& f) {
    std::lock_guard<std::recursive_mutex> lock(marketMu_);
    return f(market_);
  }
  void addUser(const User& user, const std::vector<Account>& accounts = {});
  void setHandler(uint16_t code, Handler handler);  // replaces or adds one transaction

  // --- faults
  void setFault(const Fault& fault);
  void clearFaults();

  // --- pushes: records built from the model for the given codes (all registered codes when
  // `codes` is empty), sent to every connection registered for the type and at least one code.
  // Returns the number of connections that got a packet.
  int push(uint16_t type, const std::vector<std::string>& codes = {});
  // A trade moves the item's price and volume, then pushes 9110 and the order books (a futures or
  // option code, price in hundredths: 9310 and 9321, or 9410 and 9421). A stock trade also moves
  // KOSPI by 0.07 the way the price moved and pushes 9210. -1 for an unknown code.
  int trade(const std::string& code, int64_t price, int64_t quantity);
  // Trades on a timer, for the demo: every `intervalMs` each stock code of `codes` trades one tick
  // up or down from its price (a fixed walk) with a small quantity. A second call replaces the
  // first; stop() and stopTicker() end it.
  void startTicker(int intervalMs, const std::vector<std::string>& codes);
  void stopTicker();
  // A raw push packet (header + `body`) to every connection (connection 0) or one connection.
  int pushRaw(uint16_t type, const Bytes& body, int connection = 0);
  // Registration count of a push type and item code over all connections (`code` as registered,
  // without its NUL padding).
  int registrations(uint16_t type, const std::string& code) const;

  // --- the request log
  std::vector<LogEntry> log() const;
  void clearLog();
  // Waits until a request with `code` (0 = any) arrives after `from` log entries; true with the entry.
  bool waitForRequest(uint16_t code, int timeoutMs, LogEntry* out = nullptr, size_t from = 0);
  size_t logSize() const;
  // Every logged request with `code` (0 = any) from log entry `from` on, in order of arrival.
  std::vector<LogEntry> requests(uint16_t code, size_t from = 0) const;

  // Whole packets written to clients so far (replies and pushes, on every connection). A client
  // that has read as many has seen everything the server sent.
  size_t packetsSent() const { return packetsSent_.load(); }

  // A quiet point with the server's one client, for checks that something did not happen ("no
  // order went out", "the late reply changed nothing"): settles the client, sends a keep-alive
  // probe on its connection and waits until the server has handled it (so every request the
  // client sent before has been handled and answered), then until the client has read and
  // handled every packet the server sent, settling it again; again while that brought new
  // requests. True at once when the probe cannot be sent (the connection is gone); false when
  // the time runs out.
  struct QuietClient {
    std::function<void()> settle;            // until the client has handled what it has queued
    std::function<bool(const Bytes&)> send;  // writes a packet in order with the client's own
    std::function<size_t()> received;        // packets the client has read and handled
  };
  bool waitQuiet(const QuietClient& client, int timeoutMs = 5000);

  int connectionCount() const;  // connections open now
  int acceptedCount() const;    // connections accepted so far
  // Closes every client connection (the listening socket stays).
  void dropConnections();

  // --- scenario
  void setScenario(const Scenario& scenario);
  // True once every step ran; false (with the message) when a step failed or steps remain.
  bool scenarioDone(std::string* message = nullptr) const;
  bool waitScenario(int timeoutMs) const;

  // Sends one reply packet on a connection: used by handlers and scenarios.
  void sendReply(Connection& c, uint16_t code, const Reply& reply, const Fault* fault = nullptr);
  const ServerIdentity& identity() const { return identity_; }
  Random& random() { return random_; }

 private:
  void acceptLoop();
  void serve(std::shared_ptr<Connection> c);
  void handle(Connection& c, const uint8_t* packet, size_t size);
  void runScenario(Connection& c, const Request& req);
  bool takeFault(uint16_t code, Fault& out);
  void record(LogEntry e);
  bool sendAll(Connection& c, const uint8_t* p, size_t n);
  void closeConnection(Connection& c);
  Bytes packet(uint16_t code, const char status[2], uint8_t enc, const Bytes& body, bool push) const;

  ServerOptions options_;

 public:
  const ServerOptions& options() const { return options_; }

 private:
  ServerIdentity identity_;
  Random random_;
  std::string error_;
  std::vector<int> listenFds_;
  int wakePipe_[2] = {-1, -1};
  int port_ = -1;
  std::thread acceptThread_;
  std::atomic<bool> running_{false};
  uint64_t startMs_ = 0;

  mutable std::mutex connMu_;
  std::vector<std::shared_ptr<Connection>> connections_;
  int nextConnection_ = 1;

  std::recursive_mutex marketMu_;  // a handler may push or trade while it holds the market
  Market market_;
  std::mutex handlersMu_;
  std::map<uint16_t, Handler> handlers_;

  std::mutex faultMu_;
  std::vector<Fault> faults_;

  std::atomic<size_t> packetsSent_{0};

  mutable std::mutex logMu_;
  mutable std::condition_variable logCv_;
  std::vector<LogEntry> log_;

  std::mutex tickerMu_;
  std::condition_variable tickerCv_;
  bool tickerRun_ = false;
  std::thread ticker_;

  mutable std::mutex scenarioMu_;
  mutable std::condition_variable scenarioCv_;
  bool scenarioActive_ = false;
  Scenario scenario_;
  size_t scenarioPos_ = 0;
  std::string scenarioError_;
};

// Control line protocol (control.cpp): runs one command against the server and returns the
// answer lines ("ok ...", "error ...", or the log lines followed by "end"). `quit` sets *quit.
std::string RunControlCommand(TradingServer& server, std::string_view line, bool* quit);

// Serves the control protocol on a loopback TCP port ("1234" or "127.0.0.1:1234") or a Unix
// socket path (text containing '/'). One line per command.
class ControlServer {
 public:
  explicit ControlServer(TradingServer& server) : server_(server) {}
  ~ControlServer();
  int start(const std::string& where, std::string& error);  // the TCP port, 0 for a Unix socket, -1 on error
  void stop();
  bool quitRequested() const { return quit_; }
  bool waitQuit(int timeoutMs);
  // A command of one word that the program adds (for what lives beside the trading server);
  // `run` returns the answer line ("ok ..." or "error ...").
  void addCommand(const std::string& word, std::function<std::string()> run);

 private:
  void loop();
  void serveClient(int fd);
  TradingServer& server_;
  int fd_ = -1;
  std::string unixPath_;
  std::thread thread_;
  std::atomic<bool> running_{false};
  std::atomic<bool> quit_{false};
  std::mutex mu_;
  std::condition_variable cv_;
  std::vector<std::thread> clients_;
  std::vector<int> clientFds_;
  std::map<std::string, std::function<std::string()>> added_;
};

}  // namespace simsrv
