// Scenario files: a scripted conversation for deterministic end-to-end tests.
#include <chrono>
#include <fstream>
#include <sstream>

#include "simserver/server.h"
#include "wire.h"

namespace simsrv {

namespace {

// Splits a line into words; "double quoted" words keep their blanks (\" and \\ escape).
bool Tokenize(std::string_view line, std::vector<std::string>& out, std::string& error) {
  out.clear();
  size_t i = 0;
  while (i < line.size()) {
    if (line[i] == ' ' || line[i] == '\t' || line[i] == '\r') {
      ++i;
      continue;
    }
    if (line[i] == '#') break;
    std::string w;
    bool quoted = false;
    while (i < line.size() && line[i] != ' ' && line[i] != '\t' && line[i] != '\r') {
      if (line[i] == '"') {
        quoted = true;
        w.push_back('\x01');  // marks where a quoted text starts
        ++i;
        while (i < line.size() && line[i] != '"') {
          if (line[i] == '\\' && i + 1 < line.size()) ++i;
          w.push_back(line[i++]);
        }
        if (i >= line.size()) {
          error = "unterminated quote";
          return false;
        }
        ++i;
      } else {
        w.push_back(line[i++]);
      }
    }
    (void)quoted;
    out.push_back(w);
  }
  return true;
}

bool IsQuoted(const std::string& w) { return !w.empty() && w[0] == '\x01'; }

// A byte value: hex:0011..., or a quoted text (UTF-8, sent as code page 949).
bool ParseValue(const std::string& w, Bytes& out, std::string& error) {
  if (IsQuoted(w)) {
    std::string t = wire::ToCp949(w.substr(1));
    out.assign(t.begin(), t.end());
    return true;
  }
  if (w.rfind("hex:", 0) == 0 && wire::ParseHex(w.substr(4), out)) return true;
  error = "expected hex:... or \"text\", got '" + w + "'";
  return false;
}

bool ParseNumber(const std::string& w, uint32_t& out) {
  if (w.empty() || w.size() > 9) return false;
  out = 0;
  for (char c : w) {
    if (c < '0' || c > '9') return false;
    out = out * 10 + static_cast<uint32_t>(c - '0');
  }
  return true;
}

}  // namespace

bool ParseScenario(std::string_view text, Scenario& out, std::string& error) {
  out.steps.clear();
  std::istringstream in{std::string(text)};
  std::string line;
  int lineNo = 0;
  while (std::getline(in, line)) {
    ++lineNo;
    std::vector<std::string> w;
    std::string err;
    auto fail = [&](const std::string& why) {
      error = "line " + std::to_string(lineNo) + ": " + why;
      return false;
    };
    if (!Tokenize(line, w, err)) return fail(err);
    if (w.empty()) continue;
    ScenarioStep s;
    s.line = lineNo;
    uint32_t num = 0;
    const std::string& verb = w[0];
    if (verb == "expect" || verb == "reply" || verb == "push") {
      if (w.size() < 2 || !ParseNumber(w[1], num) || num > 65535) return fail(verb + " needs a transaction code");
      s.code = static_cast<uint16_t>(num);
    }
    if (verb == "expect") {
      s.kind = ScenarioStep::Expect;
      for (size_t i = 2; i < w.size(); ++i) {
        const std::string& a = w[i];
        if (a == "enc=0" || a == "enc=1") {
          s.wantEnc = a[4] - '0';
        } else if (a.rfind("len=", 0) == 0 && ParseNumber(a.substr(4), num)) {
          s.wantLen = static_cast<int>(num);
        } else if (a.size() > 1 && a[0] == '@' && a.find('=') != std::string::npos) {
          size_t eq = a.find('=');
          Bytes v;
          if (!ParseNumber(a.substr(1, eq - 1), num)) return fail("bad offset in '" + a + "'");
          if (!ParseValue(a.substr(eq + 1), v, err)) return fail(err);
          s.checks.emplace_back(num, v);
        } else {
          return fail("unknown check '" + a + "'");
        }
      }
    } else if (verb == "reply") {
      s.kind = ScenarioStep::ReplyStep;
      if (w.size() < 3) return fail("reply <code> model | reply <code> <status> [plain|enc] [body]");
      if (w[2] == "model") {
        s.useModel = true;
        out.steps.push_back(s);
        continue;
      }
      if (w[2].size() != 2) return fail("status must be two characters");
      s.status[0] = w[2][0];
      s.status[1] = w[2][1];
      size_t i = 3;
      if (i < w.size() && (w[i] == "plain" || w[i] == "enc")) s.encipher = w[i++] == "enc" ? 1 : 0;
      if (i < w.size() && w[i] == "msg") {
        if (i + 2 >= w.size() || !IsQuoted(w[i + 1]) || !IsQuoted(w[i + 2])) return fail("msg \"caption\" \"text\"");
        Reply r;
        r.Error(w[i + 1].substr(1), w[i + 2].substr(1));
        s.body = r.body;
        i += 3;
      } else if (i < w.size() && w[i] == "empty") {
        ++i;
      } else if (i < w.size()) {
        if (!ParseValue(w[i], s.body, err)) return fail(err);
        ++i;
      }
      if (i != w.size()) return fail("unexpected '" + w[i] + "'");
    } else if (verb == "push") {
      s.kind = ScenarioStep::Push;
      if (w.size() == 3 && w[2].rfind("hex:", 0) == 0) {
        if (!ParseValue(w[2], s.body, err)) return fail(err);
      } else {
        s.useModel = true;
        s.codes.assign(w.begin() + 2, w.end());
      }
    } else if (verb == "disconnect") {
      s.kind = ScenarioStep::Disconnect;
    } else if (verb == "sleep") {
      s.kind = ScenarioStep::SleepStep;
      if (w.size() != 2 || !ParseNumber(w[1], s.ms)) return fail("sleep <ms>");
    } else if (verb == "fault") {
      s.kind = ScenarioStep::FaultStep;
      std::string rest;
      for (size_t i = 1; i < w.size(); ++i) rest += w[i] + " ";
      if (!ParseFault(rest, s.fault, err)) return fail(err);
    } else {
      return fail("unknown step '" + verb + "'");
    }
    out.steps.push_back(s);
  }
  if (out.steps.empty()) {
    error = "empty scenario";
    return false;
  }
  return true;
}

bool LoadScenario(const std::string& path, Scenario& out, std::string& error) {
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    error = "cannot open " + path;
    return false;
  }
  std::stringstream ss;
  ss << in.rdbuf();
  out.name = path;
  if (!ParseScenario(ss.str(), out, error)) {
    error = path + ": " + error;
    return false;
  }
  return true;
}

void TradingServer::setScenario(const Scenario& scenario) {
  std::lock_guard<std::mutex> lock(scenarioMu_);
  scenario_ = scenario;
  scenarioPos_ = 0;
  scenarioError_.clear();
  scenarioActive_ = true;
}

bool TradingServer::scenarioDone(std::string* message) const {
  std::lock_guard<std::mutex> lock(scenarioMu_);
  if (!scenarioError_.empty()) {
    if (message) *message = scenarioError_;
    return false;
  }
  if (scenarioPos_ < scenario_.steps.size()) {
    if (message) *message = "stopped before line " + std::to_string(scenario_.steps[scenarioPos_].line);
    return false;
  }
  return true;
}

bool TradingServer::waitScenario(int timeoutMs) const {
  std::unique_lock<std::mutex> lock(scenarioMu_);
  return scenarioCv_.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                              [this] { return !scenarioError_.empty() || scenarioPos_ >= scenario_.steps.size(); });
}

void TradingServer::runScenario(Connection& c, const Request& req) {
  std::unique_lock<std::mutex> lock(scenarioMu_);
  auto failed = [&](const std::string& why) {
    if (scenarioError_.empty()) scenarioError_ = why;
    scenarioCv_.notify_all();
  };
  if (!scenarioError_.empty()) return;
  if (scenarioPos_ >= scenario_.steps.size())
    return failed("unexpected request " + std::to_string(req.code) + " after the last step");
  const ScenarioStep& ex = scenario_.steps[scenarioPos_];
  std::string where = "line " + std::to_string(ex.line) + ": ";
  if (ex.kind != ScenarioStep::Expect) return failed(where + "a request arrived where none was expected");
  if (ex.code != req.code)
    return failed(where + "expected " + std::to_string(ex.code) + ", got " + std::to_string(req.code));
  if (ex.wantEnc >= 0 && ex.wantEnc != (req.enciphered ? 1 : 0))
    return failed(where + "enciphered flag is " + std::to_string(req.enciphered ? 1 : 0));
  if (ex.wantLen >= 0 && static_cast<size_t>(ex.wantLen) != req.body.size())
    return failed(where + "body length is " + std::to_string(req.body.size()));
  for (const auto& [off, want] : ex.checks) {
    if (off + want.size() > req.body.size() || !std::equal(want.begin(), want.end(), req.body.begin() + off))
      return failed(where + "body at " + std::to_string(off) + " is not " + wire::Hex(want));
  }
  ++scenarioPos_;
  // Run what follows up to the next expectation.
  while (scenarioPos_ < scenario_.steps.size() && scenario_.steps[scenarioPos_].kind != ScenarioStep::Expect) {
    const ScenarioStep s = scenario_.steps[scenarioPos_++];
    switch (s.kind) {
      case ScenarioStep::ReplyStep: {
        Reply r;
        r.encipher = req.enciphered;
        if (s.useModel) {
          Handler h;
          {
            std::lock_guard<std::mutex> hl(handlersMu_);
            auto it = handlers_.find(req.code);
            if (it != handlers_.end()) h = it->second;
          }
          if (h) {
            std::lock_guard<std::recursive_mutex> ml(marketMu_);
            HandlerContext ctx{*this, c, market_};
            h(ctx, req, r);
          }
        } else {
          r.status[0] = s.status[0];
          r.status[1] = s.status[1];
          r.body = s.body;
          if (s.encipher >= 0) r.encipher = s.encipher == 1;
        }
        Fault f;
        bool faulty = takeFault(s.code, f);
        if (r.send) sendReply(c, s.code, r, faulty ? &f : nullptr);
        break;
      }
      case ScenarioStep::Push:
        if (s.useModel)
          push(s.code, s.codes);
        else
          pushRaw(s.code, s.body, c.id);
        break;
      case ScenarioStep::Disconnect: {
        std::lock_guard<std::mutex> sl(c.sendMu);
        closeConnection(c);
        break;
      }
      case ScenarioStep::SleepStep: std::this_thread::sleep_for(std::chrono::milliseconds(s.ms)); break;
      case ScenarioStep::FaultStep: setFault(s.fault); break;
      case ScenarioStep::Expect: break;
    }
  }
  scenarioCv_.notify_all();
}

}  // namespace simsrv
