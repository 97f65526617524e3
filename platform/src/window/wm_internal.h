// Internal state of the window manager: the process's window table, class table, thread queues
// and the helpers the parts of the window manager share.
#pragma once

#include <atomic>
#include <chrono>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <unordered_map>
#include <vector>

#include "plat/surface.h"
#include "plat/window.h"

// Thread-local variables read on every message: reached directly instead of through the dynamic
// loader's look-up (the library is loaded with the program, never opened later on its own).
#define PLAT_WM_FAST_TLS [[gnu::tls_model("initial-exec")]]

namespace plat::wm {

struct ThreadQueue;
struct Window;

// A message sent to a window of another thread (or from another process) waiting to be handled
// by the owner thread. Local sends live on the sender's stack; remote ones are owned by the queue.
struct SentMsg {
  enum Kind { Message, ShowWindowCall, Notify };
  Kind kind = Message;
  HWND hwnd = 0;
  UINT msg = 0;
  WPARAM wParam = 0;
  LPARAM lParam = 0;
  LRESULT result = 0;
  bool done = false;                    // guarded by the global lock
  std::shared_ptr<ThreadQueue> waiter;  // woken when done (local sends)
  int replyFd = -1;                     // remote sends: the connection to answer on
  SentMsg* next = nullptr;              // queue link
};

// First-in first-out list of sent messages linked through the messages themselves, so that a
// send (the receive thread sends every packet) allocates nothing.
struct SentList {
  SentMsg* head = nullptr;
  SentMsg* tail = nullptr;
  bool empty() const { return head == nullptr; }
  void push_back(SentMsg* s) {
    s->next = nullptr;
    if (tail)
      tail->next = s;
    else
      head = s;
    tail = s;
  }
  SentMsg* pop_front() {
    SentMsg* s = head;
    if (s) {
      head = s->next;
      if (!head) tail = nullptr;
      s->next = nullptr;
    }
    return s;
  }
};

struct Timer {
  HWND hwnd = 0;
  UINT_PTR id = 0;
  UINT elapse = 0;
  uint64_t due = 0;
  TIMERPROC proc = nullptr;
};

struct ThreadQueue {
  DWORD tid = 0;
  int wakeFd = -1;  // eventfd: written whenever something arrives for this thread
  bool alive = true;
  SentList sent;
  plat::win::QueuedCall* callsHead = nullptr;  // QueueCall records, first in first out
  plat::win::QueuedCall* callsTail = nullptr;
  std::deque<MSG> posted;
  bool quit = false;
  int quitCode = 0;
  std::vector<Timer> timers;
  HWND focus = 0;
  HWND active = 0;
  int sendDepth = 0;  // handling a message sent from another thread
  // The window this thread sent to last (SendMessage's record of it): kept alive while recorded.
  std::shared_ptr<Window> lastSent;
  ~ThreadQueue();
};

struct ScrollBar {
  int min = 0, max = 0;
  UINT page = 0;
  int pos = 0;
  int trackPos = 0;
  bool shown = false;  // ShowScrollBar / range made it visible
  bool forceHidden = false;
  bool styleBar = false;  // WS_VSCROLL / WS_HSCROLL given at creation
  bool tracking = false;
};

struct ClassRec {
  WNDCLASS wc{};
  std::u16string name;
  std::u16string menuName;
  // The loader's count of unloaded libraries when the procedure was last found loaded.
  unsigned long long checkedAtUnloads = ~0ull;
};

struct Window {
  HWND hwnd = 0;
  std::shared_ptr<ThreadQueue> queue;
  std::shared_ptr<ClassRec> cls;
  WNDPROC proc = nullptr;
  DWORD style = 0, exStyle = 0;
  int id = 0;
  HWND parent = 0;             // child windows
  HWND owner = 0;              // top-level windows
  std::vector<HWND> children;  // creation order = z-order, first on top
  RECT rect{};                 // window rectangle: parent client coordinates (top-level: screen)
  std::u16string text;
  LONG_PTR userData = 0;
  std::vector<LONG_PTR> extra;
  HINSTANCE instance = nullptr;
  HFONT font = nullptr;
  HMENU menu = nullptr;
  bool destroying = false;
  bool created = false;
  // Dialogs
  bool isDialog = false;
  DLGPROC dlgProc = nullptr;
  LONG_PTR msgResult = 0;
  LONG_PTR dlgUser = 0;
  bool dialogEnded = false;
  INT_PTR dialogResult = 0;
  HWND dlgFocusSave = 0;
  int defId = IDOK;
  // Scroll bars
  ScrollBar vbar, hbar;
  int sbTrackBar = -1;  // SB_VERT / SB_HORZ while the stylus holds the thumb
  int sbTrackCode = -1;
  int sbTrackOffset = 0;
  // Painting
  bool updatePending = false;
  RECT update{};  // client coordinates
  bool eraseNeeded = false;
  bool inPaint = false;
  bool redrawOff = false;
  Surface surface;          // top-level windows only
  bool noActivate = false;  // pop-up menus: a tap does not activate them
  int procDepth = 0;        // calls of the window's procedure running (touched by the owner thread only)
  uint64_t zstamp = 0;      // top-level windows: place in the device's z-order (higher is nearer the top)
};

struct Globals {
  std::recursive_mutex m;
  std::unordered_map<HWND, std::shared_ptr<Window>> windows;
  // Raised (lock held) whenever a window leaves `windows`: a look-up remembered from before is
  // still good while it has not moved (SendMessage keeps the window each thread sent to last).
  std::atomic<uint64_t> windowsRemoved{0};
  std::vector<HWND> zorder;  // top-level windows, top first
  std::vector<std::shared_ptr<ClassRec>> classes;
  std::unordered_map<DWORD, std::shared_ptr<ThreadQueue>> queues;
  uint32_t slot = 0;  // this process's slot in the device root (0: not yet taken)
  uint32_t counter = 0;
  std::string runDir;
  // Stylus state
  HWND capture = 0;
  HWND lastDownHwnd = 0;
  uint64_t lastDownTime = 0;
  POINT lastDownPt{};
  bool lastWasDouble = false;
  HWND stylusTarget = 0;   // window that got the last down (for up/move without capture)
  HWND sbTrackWindow = 0;  // window tracking a scroll bar with the stylus
  bool stylusDown = false;
  POINT cursor{};
  // Written by whichever thread injects input, read by every thread's TranslateMessage.
  std::atomic<uint8_t> keyState[256] = {};
  HCURSOR cursorHandle = nullptr;
  int waitCursor = 0;
  bool automation = false;
  bool automationFromEnv = false;
};

Globals& G();
using Lock = std::unique_lock<std::recursive_mutex>;

// Kernel services (through the kernel developer's functions when they are linked in).
std::string RunDir();  // <device root>/run, created
uint64_t NowMs();
DWORD CurrentThreadId();
DWORD CurrentProcessId();

// Queues
const std::shared_ptr<ThreadQueue>& CurrentQueue();  // created on first use
void Wake(ThreadQueue& q);
// The calling thread is the queue's own: it is running, not waiting, and its loop looks at
// everything of the queue before it waits again.
bool IsCurrentQueue(const ThreadQueue& q);
void DrainWake(ThreadQueue& q);
// Handles every pending sent message of the calling thread; true if any was handled.
bool HandleSentMessages();
void CompleteSent(SentMsg* s, LRESULT result);  // lock held
// Waits until `ready` (checked under the lock) is true, handling sent messages meanwhile.
// extraFd: an additional descriptor that ends the wait when readable. Returns false on timeout.
bool WaitWhileHandlingSent(const std::function<bool()>& ready, int extraFd, int timeoutMs);
// One pass of the message retrieval rules; fills msg and returns true if a message was found.
bool FetchMessage(MSG* msg, HWND hwnd, UINT fmin, UINT fmax, bool remove);
// Runs a modal loop until `done` holds. Returns false when WM_QUIT arrived (it is posted again).
bool ModalLoop(const std::function<bool()>& done, HWND dialog);

// Windows
std::shared_ptr<Window> Find(HWND h);  // lock held or not; null for foreign or dead windows
bool IsLocalHandle(HWND h);
uint32_t SlotOf(HWND h);
// Calls of window procedures running on this thread, and the depth of the innermost one that came
// from the queue through DispatchMessage (CurrentPosted: the innermost call is that one).
PLAT_WM_FAST_TLS extern constinit thread_local int t_callDepth;
PLAT_WM_FAST_TLS extern constinit thread_local int t_postedDepth;
// One call of a window's procedure that did not come from the queue: counted on the thread and
// on the window (plat::win::WindowCodeRunning). Inline, as every packet a screen gets is one.
inline LRESULT CallProcSent(Window& w, UINT msg, WPARAM wp, LPARAM lp) {
  struct Depth {
    Window& w;
    explicit Depth(Window& win) : w(win) {
      ++t_callDepth;
      ++w.procDepth;
    }
    ~Depth() {
      --t_callDepth;
      --w.procDepth;
    }
  } depth(w);
  const WNDPROC proc = w.proc;
  return proc ? proc(w.hwnd, msg, wp, lp) : DefWindowProc(w.hwnd, msg, wp, lp);
}
LRESULT CallProc(const std::shared_ptr<Window>& w, UINT msg, WPARAM wp, LPARAM lp);
LRESULT CallProcPosted(const std::shared_ptr<Window>& w, UINT msg, WPARAM wp, LPARAM lp);  // from DispatchMessage
bool CurrentPosted();
HWND TopLevelOf(HWND h);
RECT ClientRectLocal(const Window& w);  // client area in window coordinates (origin = window's top-left)
POINT ClientOriginScreen(const Window& w);
POINT WindowOriginScreen(const Window& w);
bool VisibleChain(const Window& w);
bool EnabledChain(const Window& w);
void PostLocal(ThreadQueue& q, const MSG& m);  // lock held
void RemoveWindowMessages(HWND h);             // lock held
bool StrEqualNoCase(std::u16string_view a, std::u16string_view b);
std::u16string ResourceName(LPCWSTR name);
std::string U8(std::u16string_view s);

// Painting
void InvalidateLocal(Window& w, const RECT* rc, bool erase);  // lock held
void ExposeInParent(Window& w);                               // lock held: area of w in its parent
void InvalidateTree(Window& w);                               // lock held: w and all its children
void DrawNonClient(HWND h);
bool PaintPendingOf(DWORD tid, MSG* msg);  // lock held; picks a window of the thread to paint
void AfterPaintDispatch(HWND h);
void EnsureSurface(Window& w);  // top-level: surface sized to the window
void PresentIfDisplay();
// The waiting loop must look again within 10 ms: the desktop window is up here or elsewhere (or
// is being sought), or a picture waits for the end of its frame to be published or presented.
bool DisplayOpen();
void PollDisplay();
void OpenDisplayFor(const Window& w);

// Stylus on a window's scroll bars (non-client stylus messages).
void ScrollBarStylus(HWND h, UINT msg, WPARAM wp, LPARAM lp);
bool ClockIsVirtual();

// Focus and activation
bool FocusChangeFromActivation();
void FocusLost(HWND destroyed);  // moves focus away from a window that is hidden or destroyed
void DeactivateOnDestroy(HWND h);

// Cross-process
bool EnsureProcessSlot();  // takes a slot and starts the message server; true when this call took it
void StopServer();
void RemoteReply(int fd, LRESULT result, bool ok);
LRESULT SendShowToThread(const std::shared_ptr<Window>& w, int cmd);
bool RemoteCall(HWND h, uint32_t op, UINT msg, WPARAM wp, LPARAM lp, LRESULT* result, DWORD* tid, DWORD* pid);
enum RemoteOp : uint32_t {
  OpSend = 1,
  OpPost = 2,
  OpIsWindow = 3,
  OpIsVisible = 4,
  OpShow = 5,
  OpThread = 6,
  OpNotify = 7
};
DWORD PidOfSlot(uint32_t slot);

// A modal loop (message box, pop-up menu, modal dialog) running on the calling thread, from its
// start to its end: `owner` is the window it belongs to, `cancel` ends it with its cancelling
// answer (plat::win::EndModalLoops).
class ModalScope {
 public:
  ModalScope(HWND owner, std::function<void()> cancel);
  ~ModalScope();
  ModalScope(const ModalScope&) = delete;
  ModalScope& operator=(const ModalScope&) = delete;
  bool StartedBy(HWND root) const;  // lock held: owned by root's tree or run by its code
  HWND owner;
  std::function<void()> cancel;
  std::vector<HWND> callers;  // windows whose procedures were running when the loop started
};
// h is `root` or lies below it: a child (further down) or a window it owns (further down).
bool InWindowTree(HWND h, HWND root);  // lock held

// The device's screen, shared by the programs of the device root (device_screen.cpp).
struct DeviceLayer {
  HWND hwnd = 0;
  uint32_t pid = 0;
  uint64_t stamp = 0;
  bool visible = false;
  bool topmost = false;
  bool main = false;   // the program's first top-level window
  bool local = false;  // this program's window (surface in memory, lock held while used)
  RECT rect{};
  const Surface* surface = nullptr;
  std::shared_ptr<Surface> own;  // another program's published picture
};
enum DeviceInputKind { DeviceInputDown = 1, DeviceInputMove, DeviceInputUp, DeviceInputKey, DeviceInputChar };
// Posted to a window of the program that is to take input from the desktop window.
constexpr UINT WM_PLAT_DEVICE_INPUT = WM_PLAT_FIRST + 2;
void Restamp(Window& w);                 // lock held: w comes to the front of the device
void StampBelow(Window& w, HWND above);  // lock held: w goes below `above` (or HWND_BOTTOM)
bool ScreenSharing();
// Bottom first; `shell` (when given): the device's task bar and input panel.
std::vector<DeviceLayer> DeviceLayers(bool withOthers, plat::win::ShellStateInfo* shell);
// When this program's picture or order changed: at once when `now` or when the last publication
// is a frame old, else left waiting for the end of the frame (PublicationWaiting()).
void PublishLayers(bool now);
bool PublicationWaiting();
constexpr std::chrono::milliseconds kFrame{10};
uint64_t DeviceGeneration();  // raised by every program's publication
uint64_t PaintGeneration();
bool TakeDisplay();  // false: another program shows the device's screen
bool DisplayElsewhere();
void ReleaseDisplay();  // no desktop window could be opened: nobody shows it
void RouteDisplayInput(int kind, int x, int y, UINT key, char16_t ch);
void DeviceInput(WPARAM kind, LPARAM value);  // input routed here by the program showing the screen
void PowerOff();
void ResetDeviceScreen(bool sharing);

// Dialogs, boxes, menus
LRESULT DialogWndProc(HWND h, UINT msg, WPARAM wp, LPARAM lp);
void RegisterInternalClasses();
void ResetModal();

// Shell
void ResetShell();
void ResetMenus();

}  // namespace plat::wm
