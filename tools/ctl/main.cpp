// larkspin-ctl: one command to one program of a device root, its answer on standard output.
// The commands and their output are described in docs/automation.md.
#include <unistd.h>

#include <cctype>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iostream>
#include <string>
#include <thread>
#include <vector>

#include "plat/automation.h"
#include "plat/kernel.h"

namespace {

namespace pa = plat::automation;

enum Exit { kOk = 0, kFailed = 1, kUsage = 2, kTimedOut = 3 };

// The usage text: on standard error for a wrong call, on standard output when asked for.
int Usage(FILE* out = stderr, int code = kUsage) {
  std::fprintf(out,
               "usage: larkspin-ctl [--root DIR] [--program NAME | --pid PID] [--timeout MS] COMMAND [ARGS...]\n"
               "  programs | windows | tree [WINDOW] | text WINDOW | box | menu | shell\n"
               "  tap WINDOW | tap-at X Y | double-tap X Y | drag X1 Y1 X2 Y2 [STEPS]\n"
               "  type WINDOW|- TEXT | key NAME... | pick WINDOW INDEX|text:TEXT | tap-cell WINDOW ROW COLUMN\n"
               "  answer BUTTON | choose ID | shot FILE.png [WINDOW] | screen-text [X1 Y1 X2 Y2] | pixel X Y\n"
               "  clipped-texts | close WINDOW | settle | advance MS\n"
               "  wait window WINDOW | wait gone WINDOW | wait text WINDOW TEXT | wait box | wait menu\n"
               "  wait program NAME | wait exit | wait event KIND [VALUE|*]... [--from N]\n"
               "  events [--from N] [--follow] | script FILE|-\n"
               "WINDOW: a control id, @HANDLE, class:NAME or text:TEXT\n");
  return code;
}

long long Number(const char* s, bool* ok) {
  char* end = nullptr;
  long long v = std::strtoll(s, &end, 10);
  *ok = end && !*end && *s;
  return v;
}

// Program names compare case-blind, with or without ".exe".
bool SameProgram(std::string a, std::string b) {
  for (std::string* s : {&a, &b}) {
    for (char& c : *s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (s->size() > 4 && s->compare(s->size() - 4, 4, ".exe") == 0) s->resize(s->size() - 4);
  }
  return a == b;
}

int PrintResult(const pa::Result& r) {
  if (r.ok) {
    std::fputs(r.Text().c_str(), stdout);
    return kOk;
  }
  std::fprintf(stderr, "larkspin-ctl: %s\n", r.error.c_str());
  return r.timedOut ? kTimedOut : kFailed;
}

// Prints the event log from line `from`; with `follow`, keeps printing what is added until killed.
int Events(const std::string& root, long long from, bool follow) {
  std::string path = root + "/run/events.log";
  long long line = 0;
  std::streamoff offset = 0;
  for (;;) {
    std::ifstream in(path, std::ios::binary);
    if (in) {
      in.seekg(offset);
      std::string text;
      while (std::getline(in, text)) {
        if (in.eof()) break;  // a line still being written: read it whole next time
        offset = in.tellg();
        if (line++ >= from) std::printf("%s\n", text.c_str());
      }
    }
    if (!follow) return kOk;
    std::fflush(stdout);
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
}

struct Target {
  std::string root;
  std::string program;
  int pid = 0;
  int timeout = -1;
};

// Takes the leading options off `words` into `t`; false on a usage error.
bool TakeOptions(std::vector<std::string>& words, Target& t) {
  size_t i = 0;
  for (; i < words.size() && words[i].rfind("--", 0) == 0; i += 2) {
    const std::string& opt = words[i];
    if (i + 1 >= words.size()) return false;
    const std::string& value = words[i + 1];
    bool ok = true;
    if (opt == "--root")
      t.root = value;
    else if (opt == "--program")
      t.program = value;
    else if (opt == "--pid")
      t.pid = static_cast<int>(Number(value.c_str(), &ok));
    else if (opt == "--timeout")
      t.timeout = static_cast<int>(Number(value.c_str(), &ok));
    else
      return false;
    if (!ok) return false;
  }
  words.erase(words.begin(), words.begin() + static_cast<long>(i));
  return !words.empty();
}

int RunCommand(const Target& t, std::vector<std::string> words);

// Runs the commands of a script, one a line (blank lines and lines starting with '#' skipped); a
// line may start with its own options. Stops at the first command that fails, with its status.
int Script(const Target& base, std::istream& in) {
  std::string text;
  for (int n = 1; std::getline(in, text); ++n) {
    std::vector<std::string> words = pa::SplitCommand(text);
    if (words.empty() || words[0][0] == '#') continue;
    Target t = base;
    if (!TakeOptions(words, t) || words[0] == "script") {
      std::fprintf(stderr, "larkspin-ctl: script line %d: bad command\n", n);
      return kUsage;
    }
    std::fflush(stdout);
    int code = RunCommand(t, words);
    if (code != kOk) {
      std::fprintf(stderr, "larkspin-ctl: script line %d failed: %s\n", n, text.c_str());
      return code;
    }
  }
  return kOk;
}

int RunCommand(const Target& t, std::vector<std::string> words) {
  const std::string& root = t.root;
  const std::string& program = t.program;
  const int pid = t.pid, timeout = t.timeout;
  const std::string verb = words[0];
  int waitMs = timeout >= 0 ? timeout : 5000;

  if (verb == "script") {
    if (words.size() != 2) return Usage();
    if (words[1] == "-") return Script(t, std::cin);
    std::ifstream in(words[1]);
    if (!in) {
      std::fprintf(stderr, "larkspin-ctl: cannot read %s\n", words[1].c_str());
      return kFailed;
    }
    return Script(t, in);
  }

  if (verb == "programs") {
    for (auto& p : pa::client::ListPrograms(root)) std::printf("%d %s\n", p.pid, p.name.c_str());
    return kOk;
  }
  if (verb == "events") {
    long long from = 0;
    bool follow = false;
    for (size_t k = 1; k < words.size(); ++k) {
      bool ok = true;
      if (words[k] == "--follow")
        follow = true;
      else if (words[k] == "--from" && k + 1 < words.size())
        from = Number(words[++k].c_str(), &ok);
      else
        return Usage();
      if (!ok) return Usage();
    }
    return Events(root, from, follow);
  }
  if (verb == "wait" && words.size() >= 3 && words[1] == "event") {
    // Until a line of the event log from line --from N on has the kind and, field by field, the
    // values given ("*" matches anything).
    long long from = 0;
    std::vector<std::string> want;
    for (size_t k = 2; k < words.size(); ++k) {
      bool ok = true;
      if (words[k] == "--from" && k + 1 < words.size())
        from = Number(words[++k].c_str(), &ok);
      else
        want.push_back(words[k]);
      if (!ok) return Usage();
    }
    if (want.empty()) return Usage();
    auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(waitMs);
    for (;;) {
      std::ifstream in(root + "/run/events.log");
      std::string text;
      for (long long n = 0; std::getline(in, text); ++n) {
        if (n < from || in.eof()) continue;
        std::vector<std::string> fields;
        for (size_t start = 0;;) {
          size_t tab = text.find('\t', start);
          fields.push_back(text.substr(start, tab == std::string::npos ? std::string::npos : tab - start));
          if (tab == std::string::npos) break;
          start = tab + 1;
        }
        bool match = fields.size() >= 2 + want.size();
        for (size_t k = 0; match && k < want.size(); ++k) match = want[k] == "*" || fields[2 + k] == want[k];
        if (match) {
          std::printf("%lld\t%s\n", n, text.c_str());
          return kOk;
        }
      }
      if (std::chrono::steady_clock::now() >= end) {
        std::fprintf(stderr, "larkspin-ctl: timed out after %d ms waiting for event %s\n", waitMs, want[0].c_str());
        return kTimedOut;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
  }
  if (verb == "wait" && words.size() == 3 && words[1] == "program") {
    auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(waitMs);
    for (;;) {
      pa::client::Program p;
      std::string error;
      if (pa::client::SelectProgram(root, words[2], 0, &p, &error)) {
        std::printf("%d %s\n", p.pid, p.name.c_str());
        return kOk;
      }
      if (std::chrono::steady_clock::now() >= end) {
        std::fprintf(stderr, "larkspin-ctl: timed out after %d ms waiting for %s\n", waitMs, words[2].c_str());
        return kTimedOut;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
  }

  if (verb == "wait" && words.size() == 2 && words[1] == "exit") {
    // Done when no program of the selection runs any more (it may have ended already).
    auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(waitMs);
    for (;;) {
      bool running = false;
      for (auto& q : pa::client::ListPrograms(root))
        running |= pid ? q.pid == pid : program.empty() || SameProgram(q.name, program);
      if (!running) return kOk;
      if (std::chrono::steady_clock::now() >= end) {
        std::fprintf(stderr, "larkspin-ctl: timed out after %d ms waiting for the program to end\n", waitMs);
        return kTimedOut;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
  }
  pa::client::Program target;
  std::string error;
  if (!pa::client::SelectProgram(root, program, pid, &target, &error)) {
    std::fprintf(stderr, "larkspin-ctl: %s\n", error.c_str());
    return kFailed;
  }
  if (verb == "shot" && words.size() >= 2 && !words[1].empty() && words[1][0] != '/') {
    char cwd[4096];
    if (getcwd(cwd, sizeof cwd)) words[1] = std::string(cwd) + "/" + words[1];
  }
  std::string line;
  for (auto& w : words) line += (line.empty() ? "" : " ") + pa::Quote(w);
  if (timeout >= 0) line += " --timeout " + std::to_string(timeout);
  return PrintResult(pa::client::Call(target, line, waitMs + 30000));
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> words(argv + 1, argv + argc);
  // Asked for among the leading options (each of the others takes a value): usage, and success.
  for (size_t i = 0; i < words.size() && words[i].rfind("-", 0) == 0; i += 2)
    if (words[i] == "--help" || words[i] == "-h") return Usage(stdout, kOk);
  Target t;
  if (!TakeOptions(words, t)) return Usage();
  if (t.root.empty()) t.root = plat::DeviceRoot();
  while (t.root.size() > 1 && t.root.back() == '/') t.root.pop_back();
  return RunCommand(t, words);
}
