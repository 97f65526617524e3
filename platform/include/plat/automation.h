// Automation: driving and inspecting the programs of a device root as a user would.
//
// Every process that creates a window registers an endpoint under "<device root>/run/auto/"
// (a file "<program>-<pid>" naming an abstract Unix-domain socket) and removes it when it ends.
// A client (larkspin-ctl, or the functions in namespace plat::automation::client) sends one
// command line per connection and reads the answer. Commands that touch windows run on the
// user-interface thread that owns them (queued behind the input that is already waiting), never
// on the endpoint's own thread.
//
// The same commands are available in-process through plat::automation::Driver, which runs a
// user-interface thread of its own for one hosted screen, with the virtual clock.
//
// The command language and the output of each command are described in docs/automation.md.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "plat/types.h"
#include "plat/window.h"

// Asks a custom control (the grid) to take a tap on one of its cells, as if the user had tapped
// the cell: the control scrolls the cell into view if needed and sends the notifications of a tap.
// wParam: row (0 = the first data row), lParam: column. Returns TRUE when the cell exists.
#define WM_PLAT_TAP_CELL (WM_PLAT_FIRST + 0x20)

namespace plat::automation {

// The outcome of one command: `ok` with the output lines, or the reason it failed.
struct Result {
  bool ok = false;
  bool timedOut = false;  // a wait ran out of time
  std::vector<std::string> lines;
  std::string error;
  std::string Text() const;  // the lines joined with '\n' (each line ended)
};

// Splits a command line into words: blanks separate, double quotes group, backslash escapes
// (\" \\ \n \t) inside quotes.
std::vector<std::string> SplitCommand(const std::string& line);
// Quotes a word so that SplitCommand gives it back unchanged.
std::string Quote(const std::string& word);

// ---- Endpoint of this process ----------------------------------------------------------------

// Registers this process now (normally it happens by itself when the first window of a device
// root is created, before that creation returns). Does nothing when already registered. LARKSPIN_AUTOMATION_ENDPOINT=0 turns the
// automatic registration off.
void StartEndpoint();
// Unregisters (also done at exit).
void StopEndpoint();
// The registration file of this process, empty when not registered.
std::string EndpointFile();

// ---- Client ----------------------------------------------------------------------------------

namespace client {

struct Program {
  int pid = 0;
  std::string name;        // the program's file name ("VXMain.exe")
  std::string socketName;  // abstract socket name
  std::string file;        // registration file
};

// The live programs of a device root (host folder), in pid order. Registrations of processes
// that have ended are removed.
std::vector<Program> ListPrograms(const std::string& deviceRoot);
// Finds one program: by pid (when not 0), else by name (case-blind, ".exe" optional), else the
// only program registered. Fills `error` when there is none or the choice is ambiguous.
bool SelectProgram(const std::string& deviceRoot, const std::string& name, int pid, Program* out, std::string* error);
// Sends one command line and returns the answer. The connection is given `timeoutMs` beyond
// the command's own time-out.
Result Call(const Program& program, const std::string& commandLine, int timeoutMs = 30000);

}  // namespace client

// ---- In-process driver -----------------------------------------------------------------------

// Hosts screens on a user-interface thread of its own and drives them with the commands of the
// endpoint. Build the screen with Ui(); every action waits until the user-interface thread has
// handled what the action caused (including messages posted in turn), so the next call sees the
// outcome. A message box opened by an action stays on the screen (automation mode) until the
// test answers it; one left unanswered for `boxTimeoutMs` is reported as a failure and closed.
// Declare the driver after the objects the screen uses: it ends first, and the screen's windows
// go away with its thread while those objects still exist.
class Driver {
 public:
  struct Options {
    bool virtualClock = true;    // plat::clock::UseVirtual for the driver's life
    int boxTimeoutMs = 5000;     // real time a message box may stay unanswered
    int settleTimeoutMs = 5000;  // real time an action may take to settle
    // Called with a description of every failure (unanswered box, action that timed out);
    // tests route it to their framework. Default: written to stderr.
    std::function<void(const std::string&)> onFailure;
  };
  Driver();
  explicit Driver(Options options);
  ~Driver();  // closes what is left open and ends the user-interface thread
  Driver(const Driver&) = delete;
  Driver& operator=(const Driver&) = delete;

  // Runs `fn` on the user-interface thread, waits for it and for what it caused. When `fn` opens
  // a message box, menu or modal dialog, returns while it is up (answer it before the objects
  // `fn` refers to go away).
  void Ui(const std::function<void()>& fn);
  // Any command of the command language (as larkspin-ctl sends it), e.g. "tap 1001".
  Result Do(const std::string& commandLine);
  Result Do(const std::vector<std::string>& words);

  // Shortcuts for the common commands; each fails the test (onFailure) when the command fails.
  bool Tap(int id);
  bool TapAt(int x, int y);
  bool DoubleTapAt(int x, int y);
  bool Drag(int x1, int y1, int x2, int y2, int steps = 4);
  bool Type(int id, const std::string& utf8);  // id 0: the window that has the focus
  bool Key(const std::string& keyName);        // "RETURN", "ESCAPE", "F1", "0x41", ...
  bool Pick(int id, int index);                // combo or list box item, or list view row
  bool TapCell(int id, int row, int column);
  bool Answer(int button);  // IDOK, IDCANCEL, IDYES, ...
  bool ChooseMenu(UINT id);
  std::u16string Text(int id);  // the control's text (empty when missing)
  std::string Tree();           // the "tree" command's output
  bool PendingBox(plat::win::MessageBoxInfo* out = nullptr);
  bool Screenshot(const std::string& hostPath);

  // Moves the virtual clock and lets due timers run.
  void Advance(uint32_t ms);
  // Waits until the user-interface thread has nothing left to handle.
  void Settle();
  // Settles and tests `cond` until it holds or `ms` milliseconds of real time have passed (replies
  // from the network arrive on real time, whatever the virtual clock shows); the last test's result.
  bool Until(const std::function<bool()>& cond, int ms = 5000);
  DWORD UiThreadId() const;
  const std::vector<std::string>& Failures() const { return failures_; }

 private:
  struct State;
  std::unique_ptr<State> s_;
  std::vector<std::string> failures_;
  void Fail(const std::string& what);
};

}  // namespace plat::automation
