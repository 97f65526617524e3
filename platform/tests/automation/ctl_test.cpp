// larkspin-ctl against the sample screen and its peer running as programs of one device root:
// what a script sees on standard output, and what the programs did.
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <stdlib.h>
#include <grp.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "plat/automation.h"

extern char** environ;

namespace pa = plat::automation;

namespace {

struct Output {
  int code = -1;
  std::string out;
};

class CtlTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char tmpl[] = "/tmp/larkspin-ctl-XXXXXX";
    root_ = mkdtemp(tmpl);
  }
  void TearDown() override {
    for (pid_t p : pids_) {
      kill(p, SIGKILL);
      waitpid(p, nullptr, 0);
    }
    std::filesystem::remove_all(root_);
  }

  // Starts the sample program ("peer" for the peer) in the device root, in automation mode, and
  // waits until it has registered.
  pid_t Start(const char* mode) {
    std::string rootVar = "LARKSPIN_ROOT=" + root_;
    std::vector<std::string> env{rootVar, "LARKSPIN_AUTOMATION=1"};
    for (char** e = environ; *e; ++e)
      if (strncmp(*e, "LARKSPIN_", 9) != 0) env.push_back(*e);
    std::vector<char*> envp;
    for (auto& s : env) envp.push_back(s.data());
    envp.push_back(nullptr);
    std::vector<char*> argv{const_cast<char*>(AUTOMATION_TEST_PROGRAM)};
    if (mode) argv.push_back(const_cast<char*>(mode));
    argv.push_back(nullptr);
    pid_t pid = 0;
    if (posix_spawn(&pid, AUTOMATION_TEST_PROGRAM, nullptr, nullptr, argv.data(), envp.data()) != 0) return 0;
    pids_.push_back(pid);
    auto end = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (std::chrono::steady_clock::now() < end) {
      for (auto& p : pa::client::ListPrograms(root_))
        if (p.pid == pid) return pid;
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return 0;
  }

  // Runs larkspin-ctl with the arguments (already quoted for the shell).
  Output Ctl(const std::string& args) {
    std::string cmd = std::string(LARKSPIN_CTL) + " --root '" + root_ + "' " + args + " 2>&1";
    Output o;
    FILE* f = popen(cmd.c_str(), "r");
    if (!f) return o;
    char buf[4096];
    size_t n;
    while ((n = fread(buf, 1, sizeof buf, f)) > 0) o.out.append(buf, n);
    int status = pclose(f);
    o.code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return o;
  }

  std::vector<std::vector<std::string>> Events() {
    std::vector<std::vector<std::string>> rows;
    std::string text = Ctl("events").out, line;
    std::istringstream in(text);
    while (std::getline(in, line)) {
      std::vector<std::string> fields;
      size_t start = 0;
      for (;;) {
        size_t tab = line.find('\t', start);
        fields.push_back(line.substr(start, tab == std::string::npos ? std::string::npos : tab - start));
        if (tab == std::string::npos) break;
        start = tab + 1;
      }
      rows.push_back(fields);
    }
    return rows;
  }

  std::string root_;
  std::vector<pid_t> pids_;
};

TEST_F(CtlTest, DrivesAProgramAndRecordsWhatCrossesToAnother) {
  pid_t peer = Start("peer");
  pid_t prog = Start(nullptr);
  ASSERT_TRUE(peer && prog);
  const std::string sel = "--pid " + std::to_string(prog);

  Output programs = Ctl("programs");
  EXPECT_EQ(programs.code, 0);
  EXPECT_NE(programs.out.find(std::to_string(prog) + " automation_test_program\n"), std::string::npos) << programs.out;
  // Two programs: a command must say which.
  Output ambiguous = Ctl("tree");
  EXPECT_EQ(ambiguous.code, 1);
  EXPECT_NE(ambiguous.out.find("several programs match"), std::string::npos) << ambiguous.out;

  Output typed = Ctl(sel + " type 1001 '70,100'");
  EXPECT_EQ(typed.code, 0) << typed.out;
  EXPECT_EQ(Ctl(sel + " text 1001").out, "\"70,100\"\n");

  EXPECT_EQ(Ctl(sel + " tap 1002").code, 0);
  Output box = Ctl(sel + " wait box");
  EXPECT_EQ(box.code, 0);
  EXPECT_NE(box.out.find("caption \"Confirm\"\ntext \"Send 70,100?\"\nbuttons ok cancel\nicon question\n"),
            std::string::npos)
      << box.out;
  EXPECT_EQ(Ctl(sel + " answer yes").code, 1);  // not one of its buttons
  EXPECT_EQ(Ctl(sel + " answer ok").code, 0);
  Output status = Ctl(sel + " wait text 1006 'sent 16'");
  EXPECT_EQ(status.code, 0) << status.out << Ctl(sel + " text 1006").out;
  Output peerWindows = Ctl("--pid " + std::to_string(peer) + " windows");
  EXPECT_NE(peerWindows.out.find("AutoPeer text=\"got 7 9\" rect=0,26,240,320 visible"), std::string::npos)
      << peerWindows.out;

  // The event log: both programs started; the box with its answer; the message that crossed.
  bool peerStart = false, progStart = false, boxShown = false, boxAnswered = false, sent = false;
  for (auto& f : Events()) {
    ASSERT_GE(f.size(), 3u);
    if (f[2] == "program-start") (f[1] == std::to_string(peer) ? peerStart : progStart) = true;
    if (f[2] == "msgbox" && f.size() >= 7 && f[1] == std::to_string(prog))
      boxShown = f[5] == "Confirm" && f[6] == "Send 70,100?";
    if (f[2] == "msgbox-answer" && f.size() >= 5 && f[4] == "1") boxAnswered = true;
    // sender pid, "send", receiver window, message, wParam, lParam, result, ok
    if (f[2] == "send" && f.size() >= 9 && f[1] == std::to_string(prog) && f[4] == std::to_string(WM_USER + 5))
      sent = f[5] == "7" && f[6] == "9" && f[7] == "16" && f[8] == "ok";
  }
  EXPECT_TRUE(peerStart && progStart && boxShown && boxAnswered && sent) << Ctl("events").out;
  // Waiting for an event: the cross-program send, by kind and fields; a later start finds none.
  Output ev = Ctl("wait event send '*' " + std::to_string(WM_USER + 5) + " 7 9");
  EXPECT_EQ(ev.code, 0) << ev.out;
  EXPECT_NE(ev.out.find("\t" + std::to_string(prog) + "\tsend\t"), std::string::npos) << ev.out;
  long long sendLine = std::atoll(ev.out.c_str());
  EXPECT_EQ(Ctl("--timeout 50 wait event send --from " + std::to_string(sendLine + 1)).code, 3);
  // Reading on from a line: what a follower that has seen the first lines gets.
  std::string all = Ctl("events").out, rest = Ctl("events --from 2").out;
  ASSERT_GT(all.size(), rest.size());
  size_t second = all.find('\n', all.find('\n') + 1) + 1;
  EXPECT_EQ(all.substr(second), rest);

  // Closing the peer as the launcher would: it ends, leaves the list and logs its exit.
  Output closed = Ctl("--pid " + std::to_string(peer) + " close class:AutoPeer");
  EXPECT_EQ(closed.code, 0) << closed.out;
  EXPECT_EQ(Ctl("--pid " + std::to_string(peer) + " --timeout 5000 wait exit").code, 0);
  int exitStatus = -1;
  waitpid(peer, &exitStatus, 0);
  EXPECT_TRUE(WIFEXITED(exitStatus) && WEXITSTATUS(exitStatus) == 0);
  bool peerExit = false;
  for (auto& f : Events()) peerExit |= f.size() >= 4 && f[1] == std::to_string(peer) && f[2] == "program-exit";
  EXPECT_TRUE(peerExit);
  EXPECT_EQ(Ctl("programs").out, std::to_string(prog) + " automation_test_program\n");
}

TEST_F(CtlTest, ScreenshotTreeAndFailureCodes) {
  pid_t prog = Start(nullptr);
  ASSERT_TRUE(prog);
  Output shot = Ctl("shot '" + root_ + "/screen.png'");
  EXPECT_EQ(shot.code, 0) << shot.out;
  EXPECT_GT(std::filesystem::file_size(root_ + "/screen.png"), 100u);

  Output tree = Ctl("tree");
  EXPECT_EQ(tree.code, 0);
  EXPECT_NE(tree.out.find("  "), std::string::npos);
  EXPECT_NE(tree.out.find("COMBOBOX id=1004"), std::string::npos) << tree.out;
  EXPECT_NE(tree.out.find("cells row 1 \"Volume\""), std::string::npos) << tree.out;

  Output pick = Ctl("pick 1004 'text:Item 3'");
  EXPECT_EQ(pick.code, 0) << pick.out;
  EXPECT_EQ(Ctl("text 1006").out, "\"picked 3\"\n");

  struct Case {
    std::string args;
    int code;
    std::string says;
  } cases[] = {
      {"tap 999", 1, "no window 999"},
      {"--timeout 30 wait box", 3, "timed out after 30 ms waiting for box"},
      {"--program Other.exe tree", 1, "no such program"},
      {"bogus", 1, "unknown command"},
      {"--root", 2, "usage:"},
      {"--help", 0, "usage:"},
      {"--timeout 30 -h", 0, "usage:"},
  };
  for (auto& c : cases) {
    Output o = Ctl(c.args);
    EXPECT_EQ(o.code, c.code) << c.args << ": " << o.out;
    EXPECT_NE(o.out.find(c.says), std::string::npos) << c.args << ": " << o.out;
  }
}

TEST_F(CtlTest, ALongWaitDoesNotHoldUpOtherCommands) {
  ASSERT_TRUE(Start(nullptr));
  Output waited;
  pa::client::Program program;
  std::string error;
  ASSERT_TRUE(pa::client::SelectProgram(root_, "", 0, &program, &error)) << error;
  std::thread waiter([&] { waited = Ctl("--timeout 10000 wait text 1006 cancelled"); });
  // The wait is in progress once the program has taken its connection: an endpoint that served
  // one connection at a time would hold the commands below until the wait ended.
  auto served = [&] {
    // Accepted connections carry the listening socket's abstract name; state 03 is connected.
    std::ifstream unix("/proc/net/unix");
    std::string line;
    while (std::getline(unix, line)) {
      std::istringstream f(line);
      std::string num, refs, proto, flags, type, state, inode, path;
      if (f >> num >> refs >> proto >> flags >> type >> state >> inode >> path && state == "03" &&
          path == "@" + program.socketName)
        return true;
    }
    return false;
  };
  auto until = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (!served() && std::chrono::steady_clock::now() < until) std::this_thread::yield();
  EXPECT_TRUE(served()) << "the wait did not reach the program";
  auto t0 = std::chrono::steady_clock::now();
  EXPECT_EQ(Ctl("tap 1002").code, 0);
  EXPECT_EQ(Ctl("answer cancel").code, 0);
  waiter.join();
  EXPECT_EQ(waited.code, 0) << waited.out;
  EXPECT_EQ(waited.out, "\"cancelled\"\n");
  EXPECT_LT(std::chrono::steady_clock::now() - t0, std::chrono::seconds(5));
}

// A demo or test written as a script: comments, options per line, and a stop at the first failure.
TEST_F(CtlTest, ScriptRunsLinesUntilOneFails) {
  ASSERT_TRUE(Start(nullptr));
  std::string script = root_ + "/demo.txt";
  std::ofstream(script) << "# order entry demo\n"
                           "\n"
                           "type 1001 \"12 500\"\n"
                           "--timeout 2000 wait text 1001 \"12 500\"\n"
                           "tap 1002\n"
                           "answer cancel\n"
                           "tap 4040\n"
                           "type 1001 never\n";
  Output o = Ctl("script '" + script + "'");
  EXPECT_EQ(o.code, 1);
  EXPECT_EQ(o.out, "\"12 500\"\nlarkspin-ctl: no window 4040\nlarkspin-ctl: script line 7 failed: tap 4040\n");
  EXPECT_EQ(Ctl("text 1006").out, "\"cancelled\"\n");
  EXPECT_EQ(Ctl("text 1001").out, "\"12 500\"\n");  // the line after the failure did not run
}

// The endpoint's socket has no file permissions of its own: a peer of another user is turned
// away. The peer is a child of this test that drops to another user id and calls the endpoint
// itself, so the test needs nothing that user could not read (the build folder may be private).
TEST_F(CtlTest, AnotherUserIsRefused) {
  if (getuid() != 0) GTEST_SKIP() << "needs root to take another user id";
  ASSERT_TRUE(Start(nullptr));
  pa::client::Program program;
  std::string error;
  ASSERT_TRUE(pa::client::SelectProgram(root_, "", 0, &program, &error)) << error;
  int out[2];
  ASSERT_EQ(pipe(out), 0);
  pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    close(out[0]);
    std::string answer;
    if (setgroups(0, nullptr) != 0 || setresgid(65534, 65534, 65534) != 0 || setresuid(65534, 65534, 65534) != 0) {
      answer = "could not take another user id";
    } else {
      pa::Result r = pa::client::Call(program, "type 1001 x", 5000);
      answer = r.ok ? "done" : r.error;
    }
    ssize_t n = write(out[1], answer.data(), answer.size());
    _exit(n == static_cast<ssize_t>(answer.size()) ? 0 : 1);
  }
  close(out[1]);
  std::string answer;
  char buf[512];
  for (ssize_t n; (n = read(out[0], buf, sizeof buf)) > 0;) answer.append(buf, static_cast<size_t>(n));
  close(out[0]);
  int status = 0;
  waitpid(child, &status, 0);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  EXPECT_EQ(answer, "refused: another user");
  EXPECT_EQ(Ctl("text 1001").out, "\"\"\n");  // nothing was typed
}

TEST_F(CtlTest, RegistrationsOfEndedProgramsAreRemoved) {
  pid_t prog = Start(nullptr);
  ASSERT_TRUE(prog);
  // A process that was killed leaves its registration behind; the client clears it away.
  pid_t dead = fork();
  if (dead == 0) _exit(0);
  waitpid(dead, nullptr, 0);
  std::string stale = root_ + "/run/auto/Ghost.exe-" + std::to_string(dead);
  std::ofstream(stale) << dead << "\tGhost.exe\tlarkspin-auto/none\n";
  Output programs = Ctl("programs");
  EXPECT_EQ(programs.out, std::to_string(prog) + " automation_test_program\n");
  EXPECT_FALSE(std::filesystem::exists(stale));
  // A program that ends normally removes its own registration.
  EXPECT_EQ(Ctl("close class:AutoSample").code, 0);
  waitpid(prog, nullptr, 0);
  pids_.clear();
  EXPECT_EQ(Ctl("programs").out, "");
  EXPECT_TRUE(std::filesystem::is_empty(root_ + "/run/auto"));
}

}  // namespace
