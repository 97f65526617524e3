// Commands of the automation language, carried out inside the program: inspection reads the
// window table and asks the controls themselves (on their own thread); actions go in as stylus and
// key input through the window manager's injection, exactly the path real input takes.
#include "automation/agent.h"

#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <map>
#include <memory>
#include <mutex>
#include <thread>

#include "plat/controls.h"
#include "plat/gdi_internal.h"
#include "plat/kernel.h"

namespace plat::automation {

std::string Result::Text() const {
  std::string out;
  for (auto& l : lines) out += l + "\n";
  return out;
}

std::vector<std::string> SplitCommand(const std::string& line) {
  std::vector<std::string> words;
  size_t i = 0;
  while (i < line.size()) {
    while (i < line.size() && (line[i] == ' ' || line[i] == '\t' || line[i] == '\r' || line[i] == '\n')) ++i;
    if (i >= line.size()) break;
    std::string w;
    bool quoted = false;
    while (i < line.size()) {
      char c = line[i];
      if (!quoted && (c == ' ' || c == '\t' || c == '\r' || c == '\n')) break;
      ++i;
      if (c == '"') {
        quoted = !quoted;
        continue;
      }
      if (quoted && c == '\\' && i < line.size()) {
        char e = line[i++];
        w += e == 'n' ? '\n' : e == 't' ? '\t' : e == 'r' ? '\r' : e;
        continue;
      }
      w += c;
    }
    words.push_back(std::move(w));
  }
  return words;
}

std::string Quote(const std::string& word) {
  std::string out = "\"";
  for (char c : word) {
    switch (c) {
      case '"': out += "\\\""; break;
      case '\\': out += "\\\\"; break;
      case '\n': out += "\\n"; break;
      case '\t': out += "\\t"; break;
      case '\r': out += "\\r"; break;
      default: out += c;
    }
  }
  return out + "\"";
}

}  // namespace plat::automation

namespace plat::automation::detail {

namespace {

// ---- Work on the user-interface thread --------------------------------------------------------
//
// A job travels as a thread message WM_TIMER whose lParam is a timer procedure: every message
// loop of the platform (the program's own, the framework's, modal dialogs, message boxes and
// menus) dispatches it by calling the procedure, so the job runs wherever the thread is waiting
// for input, and in order with the input queued before it.

struct Job {
  const std::function<void()>* fn = nullptr;
  enum State { Queued, Running, Done } state = Queued;
};

std::mutex g_jobsMutex;
std::condition_variable g_jobsCv;
std::map<UINT_PTR, Job*>& Jobs() {
  static auto* jobs = new std::map<UINT_PTR, Job*>;
  return *jobs;
}
UINT_PTR g_nextJob = 1;
bool g_abort = false;  // the process is ending: waits for queued jobs give up at once

// A job the caller does not wait for; it owns its work.
struct AsyncJob {
  std::function<void()> fn;
  std::shared_ptr<std::atomic<int>> state;
};
std::map<UINT_PTR, AsyncJob>& AsyncJobs() {
  static auto* jobs = new std::map<UINT_PTR, AsyncJob>;
  return *jobs;
}

void AsyncProc(HWND, UINT, UINT_PTR id, DWORD) {
  AsyncJob job;
  {
    std::lock_guard<std::mutex> l(g_jobsMutex);
    auto it = AsyncJobs().find(id);
    if (it == AsyncJobs().end()) return;
    job = std::move(it->second);
    AsyncJobs().erase(it);
  }
  job.state->store(1);
  job.fn();
  job.state->store(2);
  g_jobsCv.notify_all();
}

void JobProc(HWND, UINT, UINT_PTR id, DWORD) {
  Job* job;
  {
    std::lock_guard<std::mutex> l(g_jobsMutex);
    auto it = Jobs().find(id);
    if (it == Jobs().end()) return;  // the caller gave up on it
    job = it->second;
    Jobs().erase(it);
    job->state = Job::Running;
  }
  (*job->fn)();
  {
    std::lock_guard<std::mutex> l(g_jobsMutex);
    job->state = Job::Done;
  }
  g_jobsCv.notify_all();
}

bool Aborting() {
  std::lock_guard<std::mutex> l(g_jobsMutex);
  return g_abort;
}

std::string U8(std::u16string_view s) {
  std::string out;
  for (size_t i = 0; i < s.size(); ++i) {
    uint32_t c = s[i];
    if (c >= 0xD800 && c < 0xDC00 && i + 1 < s.size() && s[i + 1] >= 0xDC00 && s[i + 1] < 0xE000) {
      c = 0x10000 + ((c - 0xD800) << 10) + (s[i + 1] - 0xDC00);
      ++i;
    }
    if (c < 0x80)
      out += static_cast<char>(c);
    else if (c < 0x800) {
      out += static_cast<char>(0xC0 | (c >> 6));
      out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
      out += static_cast<char>(0xE0 | (c >> 12));
      out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
      out += static_cast<char>(0xF0 | (c >> 18));
      out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
      out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (c & 0x3F));
    }
  }
  return out;
}

std::u16string U16(std::string_view s) {
  std::u16string out;
  for (size_t i = 0; i < s.size();) {
    unsigned char b = static_cast<unsigned char>(s[i]);
    uint32_t c;
    size_t n;
    if (b < 0x80) {
      c = b;
      n = 1;
    } else if ((b & 0xE0) == 0xC0) {
      c = b & 0x1F;
      n = 2;
    } else if ((b & 0xF0) == 0xE0) {
      c = b & 0x0F;
      n = 3;
    } else if ((b & 0xF8) == 0xF0) {
      c = b & 0x07;
      n = 4;
    } else {
      out += u'\uFFFD';
      ++i;
      continue;
    }
    if (i + n > s.size()) {
      out += u'\uFFFD';
      break;
    }
    bool bad = false;
    for (size_t k = 1; k < n; ++k) {
      unsigned char t = static_cast<unsigned char>(s[i + k]);
      if ((t & 0xC0) != 0x80) bad = true;
      c = (c << 6) | (t & 0x3F);
    }
    if (bad) {
      out += u'\uFFFD';
      ++i;
      continue;
    }
    i += n;
    if (c >= 0x10000) {
      c -= 0x10000;
      out += static_cast<char16_t>(0xD800 + (c >> 10));
      out += static_cast<char16_t>(0xDC00 + (c & 0x3FF));
    } else {
      out += static_cast<char16_t>(c);
    }
  }
  return out;
}

std::string Q(std::u16string_view s) { return Quote(U8(s)); }

bool ClassIs(const std::u16string& cls, const char16_t* name) {
  std::u16string_view n(name);
  if (cls.size() != n.size()) return false;
  for (size_t i = 0; i < n.size(); ++i) {
    char16_t a = cls[i], b = n[i];
    if (a >= u'a' && a <= u'z') a = static_cast<char16_t>(a - 32);
    if (b >= u'a' && b <= u'z') b = static_cast<char16_t>(b - 32);
    if (a != b) return false;
  }
  return true;
}

// A password field's text never leaves the program: it is shown as one '*' per character.
std::u16string Shown(const plat::win::WindowInfo& w) {
  if (ClassIs(w.className, WC_EDIT) && (w.style & ES_PASSWORD)) return std::u16string(w.text.size(), u'*');
  return w.text;
}

// Standard controls are described by the tree itself; only other windows add their own lines.
bool IsStandardControl(const std::u16string& cls) {
  for (const char16_t* c :
       {WC_BUTTON, WC_EDIT, WC_STATIC, WC_COMBOBOX, WC_LISTBOX, WC_COMBOLBOX, WC_LISTVIEW, PROGRESS_CLASS})
    if (ClassIs(cls, c)) return true;
  return false;
}

std::string RectText(const RECT& r) {
  return std::to_string(r.left) + "," + std::to_string(r.top) + "," + std::to_string(r.right) + "," +
         std::to_string(r.bottom);
}

std::string ClassOf(HWND h) {
  WCHAR buf[64];
  int n = GetClassName(h, buf, 64);
  return U8(std::u16string_view(buf, static_cast<size_t>(std::max(n, 0))));
}

bool ParseInt(const std::string& s, long long* out) {
  if (s.empty()) return false;
  char* end = nullptr;
  errno = 0;
  long long v = std::strtoll(s.c_str(), &end, 0);
  if (errno || !end || *end) return false;
  *out = v;
  return true;
}

Result Fail(const std::string& why) {
  Result r;
  r.error = why;
  return r;
}

Result Ok(std::vector<std::string> lines = {}) {
  Result r;
  r.ok = true;
  r.lines = std::move(lines);
  return r;
}

// ---- Finding windows --------------------------------------------------------------------------

// A window named on the command line: "1001" (control id), "@1048581" (handle), "class:EDIT",
// "text:확인". Visible windows are preferred, top of the z-order first.
bool FindWindowBy(const std::string& sel, plat::win::WindowInfo* out, std::string* error) {
  auto all = plat::win::EnumerateWindows();
  std::function<bool(const plat::win::WindowInfo&)> match;
  long long n = 0;
  if (sel.size() > 1 && sel[0] == '@' && ParseInt(sel.substr(1), &n)) {
    match = [n](const plat::win::WindowInfo& w) { return w.hwnd == static_cast<HWND>(n); };
  } else if (sel.rfind("class:", 0) == 0) {
    std::u16string cls = U16(sel.substr(6));
    match = [cls](const plat::win::WindowInfo& w) { return ClassIs(w.className, cls.c_str()); };
  } else if (sel.rfind("text:", 0) == 0) {
    std::u16string text = U16(sel.substr(5));
    match = [text](const plat::win::WindowInfo& w) { return w.text == text; };
  } else if (ParseInt(sel, &n)) {
    match = [n](const plat::win::WindowInfo& w) { return w.parent != 0 && w.id == static_cast<int>(n); };
  } else {
    *error = "bad window name " + Quote(sel) + " (use an id, @handle, class:NAME or text:TEXT)";
    return false;
  }
  for (int pass = 0; pass < 2; ++pass) {
    for (auto& w : all) {
      if (pass == 0 && !w.visible) continue;
      if (match(w)) {
        *out = w;
        return true;
      }
    }
  }
  *error = "no window " + sel;
  return false;
}

// The thread for process-wide work: the owner of the topmost visible top-level window.
DWORD MainUiThread(const Context& ctx) {
  for (auto& w : plat::win::EnumerateWindows())
    if (w.depth == 0 && w.visible) return w.threadId;
  if (ctx.uiThread) return ctx.uiThread;
  for (auto& w : plat::win::EnumerateWindows())
    if (w.depth == 0) return w.threadId;
  return 0;
}

HWND TopOf(HWND h) {
  while (h && (GetWindowLong(h, GWL_STYLE) & WS_CHILD)) h = GetParent(h);
  return h;
}

// ---- Describing windows -----------------------------------------------------------------------

void DescribeItems(const plat::win::WindowInfo& w, const std::string& pad, std::vector<std::string>& out) {
  HWND h = w.hwnd;
  if (ClassIs(w.className, WC_COMBOBOX)) {
    int count = static_cast<int>(SendMessage(h, CB_GETCOUNT, 0, 0));
    int sel = static_cast<int>(SendMessage(h, CB_GETCURSEL, 0, 0));
    for (int i = 0; i < count; ++i) {
      int len = static_cast<int>(SendMessage(h, CB_GETLBTEXTLEN, static_cast<WPARAM>(i), 0));
      std::u16string t(static_cast<size_t>(std::max(len, 0)) + 1, u'\0');
      SendMessage(h, CB_GETLBTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(t.data()));
      t.resize(std::char_traits<char16_t>::length(t.c_str()));
      out.push_back(pad + "item " + std::to_string(i) + " " + Q(t) + (i == sel ? " selected" : ""));
    }
  } else if (ClassIs(w.className, WC_LISTBOX) || ClassIs(w.className, WC_COMBOLBOX)) {
    int count = static_cast<int>(SendMessage(h, LB_GETCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) {
      int len = static_cast<int>(SendMessage(h, LB_GETTEXTLEN, static_cast<WPARAM>(i), 0));
      std::u16string t(static_cast<size_t>(std::max(len, 0)) + 1, u'\0');
      SendMessage(h, LB_GETTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(t.data()));
      t.resize(std::char_traits<char16_t>::length(t.c_str()));
      bool sel = SendMessage(h, LB_GETSEL, static_cast<WPARAM>(i), 0) > 0;
      out.push_back(pad + "item " + std::to_string(i) + " " + Q(t) + (sel ? " selected" : ""));
    }
  } else if (ClassIs(w.className, WC_LISTVIEW)) {
    int columns = 0;
    std::string head = pad + "columns";
    for (; columns < 64; ++columns) {
      WCHAR buf[128] = {};
      LVCOLUMN c{};
      c.mask = LVCF_TEXT;
      c.pszText = buf;
      c.cchTextMax = 128;
      if (!SendMessage(h, LVM_GETCOLUMN, static_cast<WPARAM>(columns), reinterpret_cast<LPARAM>(&c))) break;
      head += " " + Q(buf);
    }
    out.push_back(head);
    int count = static_cast<int>(SendMessage(h, LVM_GETITEMCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) {
      std::string line = pad + "row " + std::to_string(i);
      for (int c = 0; c < std::max(columns, 1); ++c) {
        WCHAR buf[512] = {};
        LVITEM it{};
        it.iSubItem = c;
        it.pszText = buf;
        it.cchTextMax = 512;
        SendMessage(h, LVM_GETITEMTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&it));
        line += " " + Q(buf);
      }
      if (SendMessage(h, LVM_GETITEMSTATE, static_cast<WPARAM>(i), LVIS_SELECTED) & LVIS_SELECTED) line += " selected";
      out.push_back(line);
    }
  }
}

// What the user reads in the window. A combo box shows its field (its edit child for an editable
// one), which the window table does not hold: asked with WM_GETTEXT on the combo's own thread.
std::u16string LiveText(const plat::win::WindowInfo& w) {
  if (!ClassIs(w.className, WC_COMBOBOX)) return Shown(w);
  int len = static_cast<int>(SendMessage(w.hwnd, WM_GETTEXTLENGTH, 0, 0));
  std::u16string t(static_cast<size_t>(std::max(len, 0)) + 1, u'\0');
  int n = GetWindowText(w.hwnd, t.data(), static_cast<int>(t.size()));
  t.resize(static_cast<size_t>(std::max(n, 0)));
  return t;
}

std::string WindowLine(const plat::win::WindowInfo& w) {
  std::string line = std::to_string(w.hwnd) + " " + U8(w.className) + " id=" + std::to_string(w.id) +
                     " text=" + Q(LiveText(w)) + " rect=" + RectText(w.rect) + (w.visible ? " visible" : " hidden") +
                     (w.enabled ? " enabled" : " disabled");
  if (w.focused) line += " focus";
  if (ClassIs(w.className, WC_BUTTON)) {
    switch (w.style & BS_TYPEMASK) {
      case BS_CHECKBOX:
      case BS_AUTOCHECKBOX:
      case BS_RADIOBUTTON:
      case BS_3STATE:
      case BS_AUTO3STATE:
      case BS_AUTORADIOBUTTON: line += " checked=" + std::to_string(SendMessage(w.hwnd, BM_GETCHECK, 0, 0)); break;
      default: break;
    }
  }
  if (ClassIs(w.className, WC_COMBOBOX) && SendMessage(w.hwnd, CB_GETDROPPEDSTATE, 0, 0)) line += " dropped";
  if (ClassIs(w.className, PROGRESS_CLASS)) line += " pos=" + std::to_string(SendMessage(w.hwnd, PBM_GETPOS, 0, 0));
  return line;
}

// The tree of the windows (all, or `root` and its children); runs on the windows' thread.
void DescribeTree(HWND root, std::vector<std::string>& out) {
  auto all = plat::win::EnumerateWindows();
  int baseDepth = -1;
  for (auto& w : all) {
    if (root) {
      if (baseDepth < 0) {
        if (w.hwnd != root) continue;
        baseDepth = w.depth;
      } else if (w.depth <= baseDepth) {
        break;
      }
    }
    int depth = w.depth - std::max(baseDepth, 0);
    std::string pad(static_cast<size_t>(depth) * 2, ' ');
    out.push_back(pad + WindowLine(w));
    std::string inner = pad + "  ";
    DescribeItems(w, inner, out);
    std::u16string cells = IsStandardControl(w.className) ? std::u16string() : plat::win::InspectWindow(w.hwnd);
    if (!cells.empty()) {
      size_t start = 0;
      std::string text = U8(cells);
      while (start <= text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        if (end > start) out.push_back(inner + "cells " + text.substr(start, end - start));
        start = end + 1;
      }
    }
  }
}

const char* ButtonName(int id) {
  switch (id) {
    case IDOK: return "ok";
    case IDCANCEL: return "cancel";
    case IDYES: return "yes";
    case IDNO: return "no";
    case IDABORT: return "abort";
    case IDRETRY: return "retry";
    case IDIGNORE: return "ignore";
    default: return "?";
  }
}

int ButtonId(const std::string& name) {
  static const char* names[] = {"ok", "cancel", "abort", "retry", "ignore", "yes", "no"};
  for (int i = 0; i < 7; ++i)
    if (strcasecmp(name.c_str(), names[i]) == 0) return i + 1;
  long long v;
  return ParseInt(name, &v) ? static_cast<int>(v) : 0;
}

const char* IconName(UINT type) {
  switch (type & MB_ICONMASK) {
    case MB_ICONHAND: return "hand";
    case MB_ICONQUESTION: return "question";
    case MB_ICONEXCLAMATION: return "exclamation";
    case MB_ICONASTERISK: return "information";
    default: return "none";
  }
}

std::vector<std::string> BoxLines(const plat::win::MessageBoxInfo& b) {
  std::string buttons = "buttons";
  for (int id : b.buttons) buttons += std::string(" ") + ButtonName(id);
  return {"box " + std::to_string(b.hwnd), "caption " + Q(b.caption), "text " + Q(b.text), buttons,
          std::string("icon ") + IconName(b.type)};
}

std::vector<std::string> MenuLines(const plat::win::MenuInfo& m) {
  std::vector<std::string> out{"menu " + std::to_string(m.hwnd) + " at=" + std::to_string(m.x) + "," +
                               std::to_string(m.y)};
  for (auto& it : m.items) {
    if (it.flags & MF_SEPARATOR) {
      out.push_back("separator");
      continue;
    }
    std::string line = "item " + std::to_string(it.id) + " " + Q(it.text);
    if (it.flags & (MF_GRAYED | MF_DISABLED)) line += " grayed";
    if (it.flags & MF_CHECKED) line += " checked";
    if (it.flags & MF_POPUP) line += " popup";
    out.push_back(line);
  }
  return out;
}

// ---- Keys -------------------------------------------------------------------------------------

UINT KeyCode(const std::string& name) {
  static const std::pair<const char*, UINT> keys[] = {
      {"RETURN", VK_RETURN}, {"ENTER", VK_RETURN},    {"ESCAPE", VK_ESCAPE},  {"ESC", VK_ESCAPE},
      {"BACK", VK_BACK},     {"BACKSPACE", VK_BACK},  {"TAB", VK_TAB},        {"SPACE", VK_SPACE},
      {"UP", VK_UP},         {"DOWN", VK_DOWN},       {"LEFT", VK_LEFT},      {"RIGHT", VK_RIGHT},
      {"HOME", VK_HOME},     {"END", VK_END},         {"PRIOR", VK_PRIOR},    {"PAGEUP", VK_PRIOR},
      {"NEXT", VK_NEXT},     {"PAGEDOWN", VK_NEXT},   {"DELETE", VK_DELETE},  {"INSERT", VK_INSERT},
      {"SHIFT", VK_SHIFT},   {"CONTROL", VK_CONTROL}, {"ACTION", VK_TACTION}, {"SOFT1", VK_TSOFT1},
      {"SOFT2", VK_TSOFT2},  {"TALK", VK_TTALK},      {"TEND", VK_TEND},      {"THOME", VK_THOME},
      {"TBACK", VK_TBACK},   {"DECIMAL", VK_DECIMAL}};
  std::string up;
  for (char c : name) up += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  if (up.rfind("VK_", 0) == 0) up = up.substr(3);
  for (auto& [n, vk] : keys)
    if (up == n) return vk;
  if (up.size() == 1 && ((up[0] >= 'A' && up[0] <= 'Z') || (up[0] >= '0' && up[0] <= '9')))
    return static_cast<UINT>(up[0]);
  if (up.size() >= 2 && up[0] == 'F') {
    long long f;
    if (ParseInt(up.substr(1), &f) && f >= 1 && f <= 12) return static_cast<UINT>(VK_F1 + f - 1);
  }
  long long v;
  if (ParseInt(name, &v) && v > 0 && v < 256) return static_cast<UINT>(v);
  return 0;
}

// ---- Options ----------------------------------------------------------------------------------

// Takes "--timeout MS" out of the words.
int TakeTimeout(std::vector<std::string>& words, int fallback) {
  for (size_t i = 0; i + 1 < words.size(); ++i) {
    if (words[i] == "--timeout") {
      long long v;
      int t = ParseInt(words[i + 1], &v) && v >= 0 ? static_cast<int>(v) : fallback;
      words.erase(words.begin() + static_cast<ptrdiff_t>(i), words.begin() + static_cast<ptrdiff_t>(i) + 2);
      return t;
    }
  }
  return fallback;
}

// ---- Actions ----------------------------------------------------------------------------------

class Runner {
 public:
  explicit Runner(const Context& ctx) : ctx_(ctx) {}

  Result Run(std::vector<std::string> words) {
    if (words.empty()) return Fail("empty command");
    int timeout = TakeTimeout(words, 5000);
    const std::string verb = words[0];
    auto arg = [&](size_t i) -> const std::string& {
      static const std::string none;
      return i < words.size() ? words[i] : none;
    };
    auto needs = [&](size_t n) { return words.size() >= n + 1; };

    if (verb == "ping") return Ok({"pong " + std::to_string(getpid()) + " " + ProgramName()});
    if (verb == "windows") return Windows();
    if (verb == "tree") return Tree(arg(1));
    if (verb == "text") return needs(1) ? TextOf(arg(1)) : Fail("usage: text WINDOW");
    if (verb == "box") {
      plat::win::MessageBoxInfo b;
      return plat::win::PendingMessageBox(&b) ? Ok(BoxLines(b)) : Ok({"none"});
    }
    if (verb == "menu") {
      plat::win::MenuInfo m;
      return plat::win::PendingMenu(&m) ? Ok(MenuLines(m)) : Ok({"none"});
    }
    if (verb == "shell") return Shell();
    if (verb == "settle") return Settled(MainUiThread(ctx_));
    if (verb == "tap") return needs(1) ? TapControl(arg(1)) : Fail("usage: tap WINDOW");
    if (verb == "tap-at" || verb == "double-tap") {
      long long x, y;
      if (!ParseInt(arg(1), &x) || !ParseInt(arg(2), &y)) return Fail("usage: " + verb + " X Y");
      return TapAt(static_cast<int>(x), static_cast<int>(y), verb == "double-tap" ? 2 : 1);
    }
    if (verb == "drag") {
      long long v[5] = {0, 0, 0, 0, 4};
      for (size_t i = 0; i < 4; ++i)
        if (!ParseInt(arg(i + 1), &v[i])) return Fail("usage: drag X1 Y1 X2 Y2 [STEPS]");
      if (needs(5) && (!ParseInt(arg(5), &v[4]) || v[4] < 1 || v[4] > 1000)) return Fail("bad step count");
      return Drag(static_cast<int>(v[0]), static_cast<int>(v[1]), static_cast<int>(v[2]), static_cast<int>(v[3]),
                  static_cast<int>(v[4]));
    }
    if (verb == "type") return needs(2) ? Type(arg(1), arg(2)) : Fail("usage: type WINDOW|- TEXT");
    if (verb == "key") {
      if (!needs(1)) return Fail("usage: key NAME...");
      return Keys(std::vector<std::string>(words.begin() + 1, words.end()));
    }
    if (verb == "pick") return needs(2) ? Pick(arg(1), arg(2)) : Fail("usage: pick WINDOW INDEX|text:TEXT");
    if (verb == "tap-cell") {
      long long r, c;
      if (!ParseInt(arg(2), &r) || !ParseInt(arg(3), &c)) return Fail("usage: tap-cell WINDOW ROW COLUMN");
      return TapCell(arg(1), static_cast<int>(r), static_cast<int>(c));
    }
    if (verb == "answer") {
      int id = ButtonId(arg(1));
      if (!id) return Fail("usage: answer ok|cancel|yes|no|abort|retry|ignore|NUMBER");
      plat::win::MessageBoxInfo b;
      if (!plat::win::PendingMessageBox(&b)) return Fail("no message box");
      DWORD tid = b.threadId;
      if (!plat::win::AnswerMessageBox(id, b.hwnd)) return Fail("the box has no button " + arg(1));
      return Settled(tid);
    }
    if (verb == "choose") {
      long long id;
      if (!ParseInt(arg(1), &id) || id < 0) return Fail("usage: choose ID");
      plat::win::MenuInfo m;
      if (!plat::win::PendingMenu(&m)) return Fail("no menu");
      if (!plat::win::ChooseMenuItem(static_cast<UINT>(id)))
        return Fail("the menu has no item " + arg(1) + " to choose");
      return Settled(m.threadId);
    }
    if (verb == "close") {
      plat::win::WindowInfo w;
      std::string error;
      if (!needs(1)) return Fail("usage: close WINDOW");
      if (!FindWindowBy(arg(1), &w, &error)) return Fail(error);
      if (w.depth != 0) return Fail("window " + arg(1) + " is not a top-level window");
      if (!PostMessage(w.hwnd, WM_CLOSE, 0, 0)) return Fail("window " + arg(1) + " is closing already");
      return Ok();
    }
    if (verb == "screen-text") {
      long long r[4] = {0, 0, PLAT_SCREEN_WIDTH, PLAT_SCREEN_HEIGHT};
      if (needs(1)) {
        for (size_t i = 0; i < 4; ++i)
          if (!ParseInt(arg(i + 1), &r[i])) return Fail("usage: screen-text [X1 Y1 X2 Y2]");
      }
      return ScreenText(
          RECT{static_cast<LONG>(r[0]), static_cast<LONG>(r[1]), static_cast<LONG>(r[2]), static_cast<LONG>(r[3])});
    }
    if (verb == "clipped-texts") {
      // The strings this program drew with glyphs cut off by their clip rectangle since it was
      // last asked (a cell or control too small for its text).
      size_t total = 0;
      std::vector<plat::gdi::ClippedText> clipped = plat::gdi::TakeClippedTexts(&total);
      std::vector<std::string> lines;
      for (const plat::gdi::ClippedText& c : clipped)
        lines.push_back("clipped " + RectText(c.clip) + " ink=" + std::to_string(c.pixels) + " " + Q(c.text));
      if (total > clipped.size()) lines.push_back("more " + std::to_string(total - clipped.size()));
      return Ok(lines);
    }
    if (verb == "pixel") {
      long long x, y;
      if (!ParseInt(arg(1), &x) || !ParseInt(arg(2), &y)) return Fail("usage: pixel X Y");
      if (x < 0 || y < 0 || x >= PLAT_SCREEN_WIDTH || y >= PLAT_SCREEN_HEIGHT)
        return Fail("the point is off the screen");
      return Pixel(static_cast<int>(x), static_cast<int>(y));
    }
    if (verb == "shot") return needs(1) ? Shot(arg(1), arg(2)) : Fail("usage: shot FILE.png [WINDOW]");
    if (verb == "wait") return Wait(std::vector<std::string>(words.begin() + 1, words.end()), timeout);
    if (verb == "advance") {
      long long ms;
      if (!ctx_.advance) return Fail("the clock of this program is not virtual");
      if (!ParseInt(arg(1), &ms) || ms < 0 || ms > 86400000) return Fail("usage: advance MS");
      ctx_.advance(static_cast<uint32_t>(ms));
      return Settled(MainUiThread(ctx_));
    }
    if (verb == "events") return Events(arg(1));
    return Fail("unknown command " + Quote(verb));
  }

 private:
  const Context& ctx_;

  Result Settled(DWORD tid) {
    if (!tid) return Ok();
    if (!SettleThread(tid, ctx_.settleTimeoutMs)) {
      Result r = Fail("the program did not settle within " + std::to_string(ctx_.settleTimeoutMs) + " ms");
      r.timedOut = true;
      return r;
    }
    return Ok();
  }

  // Runs on the thread of `tid`; a busy thread is reported instead of waited for forever.
  bool OnUi(DWORD tid, const std::function<void()>& fn, std::string* error) {
    if (!tid) {
      *error = "the program has no window";
      return false;
    }
    if (!RunOnUi(tid, fn, ctx_.settleTimeoutMs)) {
      *error = "the user-interface thread did not answer within " + std::to_string(ctx_.settleTimeoutMs) + " ms";
      return false;
    }
    return true;
  }

  Result Windows() {
    std::vector<std::string> lines;
    for (auto& w : plat::win::EnumerateWindows())
      if (w.depth == 0)
        lines.push_back(std::to_string(w.hwnd) + " " + U8(w.className) + " text=" + Q(w.text) +
                        " rect=" + RectText(w.rect) + (w.visible ? " visible" : " hidden") +
                        " thread=" + std::to_string(w.threadId));
    return Ok(lines);
  }

  Result Tree(const std::string& sel) {
    plat::win::WindowInfo w;
    std::string error;
    HWND root = 0;
    DWORD tid = MainUiThread(ctx_);
    if (!sel.empty()) {
      if (!FindWindowBy(sel, &w, &error)) return Fail(error);
      root = w.hwnd;
      tid = w.threadId;
    }
    std::vector<std::string> lines;
    if (!tid) return Ok();
    if (!OnUi(
            tid, [&] { DescribeTree(root, lines); }, &error))
      return Fail(error);
    return Ok(lines);
  }

  Result TextOf(const std::string& sel) {
    plat::win::WindowInfo w;
    std::string error;
    if (!FindWindowBy(sel, &w, &error)) return Fail(error);
    std::u16string text = Shown(w);
    if (ClassIs(w.className, WC_COMBOBOX) && !OnUi(
                                                 w.threadId, [&] { text = LiveText(w); }, &error))
      return Fail(error);
    return Ok({Q(text)});
  }

  Result Shell() {
    auto s = plat::win::ShellState();
    auto vis = [](bool b) { return b ? "shown" : "hidden"; };
    return Ok({std::string("taskbar ") + vis(s.taskBarVisible), std::string("sip-button ") + vis(s.sipButtonVisible),
               std::string("start-icon ") + vis(s.startIconVisible), std::string("sip ") + vis(s.sipShown),
               "menubars " + std::to_string(s.menuBars), "fullscreen-dialogs " + std::to_string(s.fullScreenDialogs),
               "work-area " + RectText(s.workArea),
               std::string("wait-cursor ") + (plat::win::WaitCursorShown() ? "on" : "off")});
  }

  // Taps the middle of a control, after checking that a user could reach it there.
  Result TapControl(const std::string& sel) {
    plat::win::WindowInfo w;
    std::string error;
    if (!FindWindowBy(sel, &w, &error)) return Fail(error);
    if (!w.visible) return Fail("window " + sel + " is hidden");
    int x = (w.rect.left + w.rect.right) / 2, y = (w.rect.top + w.rect.bottom) / 2;
    return TapWindowAt(w, x, y);
  }

  Result TapWindowAt(const plat::win::WindowInfo& w, int x, int y) {
    std::string error, covered;
    bool ok = OnUi(
        w.threadId,
        [&] {
          if (!IsWindowEnabled(TopOf(w.hwnd))) {
            covered = "a modal box or dialog (its window is disabled)";
            return;
          }
          HWND hit = WindowFromPoint(POINT{x, y});
          if (hit && TopOf(hit) != TopOf(w.hwnd)) {
            covered = ClassOf(TopOf(hit)) + " " + std::to_string(TopOf(hit));
            return;
          }
          if (!hit) {
            covered = "nothing (outside its window)";
            return;
          }
          // Within its own window the point must reach the control: itself or one of its parts, its
          // parent for a disabled control (as the handheld does), or a group box the tap goes through.
          bool reaches =
              hit == w.hwnd || IsChild(w.hwnd, hit) || (!IsWindowEnabled(w.hwnd) && hit == GetParent(w.hwnd));
          if (!reaches && ClassOf(hit) == "BUTTON" && (GetWindowLong(hit, GWL_STYLE) & BS_TYPEMASK) == BS_GROUPBOX)
            reaches = true;
          if (!reaches && TopOf(w.hwnd) != w.hwnd) {
            covered = ClassOf(hit) + " id=" + std::to_string(GetDlgCtrlID(hit)) + " @" + std::to_string(hit);
            return;
          }
          plat::win::InjectStylus(plat::win::Stylus::Tap, x, y);
        },
        &error);
    if (!ok) return Fail(error);
    if (!covered.empty())
      return Fail("window @" + std::to_string(w.hwnd) + " is covered at " + std::to_string(x) + "," +
                  std::to_string(y) + " by " + covered);
    return Settled(w.threadId);
  }

  Result TapAt(int x, int y, int times) {
    DWORD tid = MainUiThread(ctx_);
    std::string error;
    if (!OnUi(
            tid,
            [&] {
              for (int i = 0; i < times; ++i) plat::win::InjectStylus(plat::win::Stylus::Tap, x, y);
            },
            &error))
      return Fail(error);
    return Settled(tid);
  }

  Result Drag(int x1, int y1, int x2, int y2, int steps) {
    DWORD tid = MainUiThread(ctx_);
    std::string error;
    if (!OnUi(
            tid,
            [&] {
              plat::win::InjectStylus(plat::win::Stylus::Down, x1, y1);
              for (int i = 1; i <= steps; ++i)
                plat::win::InjectStylus(plat::win::Stylus::Move, x1 + (x2 - x1) * i / steps,
                                        y1 + (y2 - y1) * i / steps);
              plat::win::InjectStylus(plat::win::Stylus::Up, x2, y2);
            },
            &error))
      return Fail(error);
    return Settled(tid);
  }

  // Moves the focus to the control when it lacks it (as the tab key would), then one WM_CHAR per
  // character, so that the control sees exactly what typing gives it.
  Result Type(const std::string& sel, const std::string& text) {
    DWORD tid = MainUiThread(ctx_);
    HWND target = 0;
    std::string error;
    if (sel != "-") {
      plat::win::WindowInfo w;
      if (!FindWindowBy(sel, &w, &error)) return Fail(error);
      if (!w.visible) return Fail("window " + sel + " is hidden");
      if (!w.enabled) return Fail("window " + sel + " is disabled");
      target = w.hwnd;
      tid = w.threadId;
    }
    std::u16string chars = U16(text);
    bool focused = true;
    if (!OnUi(
            tid,
            [&] {
              if (target) {
                HWND f = GetFocus();
                if (f != target && !IsChild(target, f)) SetFocus(target);
                f = GetFocus();
                focused = f == target || IsChild(target, f);
                if (!focused) return;
              }
              for (char16_t c : chars) plat::win::InjectChar(c);
            },
            &error))
      return Fail(error);
    if (!focused) return Fail("window " + sel + " does not take the focus");
    return Settled(tid);
  }

  Result Keys(const std::vector<std::string>& names) {
    std::vector<UINT> codes;
    for (auto& n : names) {
      UINT vk = KeyCode(n);
      if (!vk) return Fail("unknown key " + Quote(n));
      codes.push_back(vk);
    }
    DWORD tid = MainUiThread(ctx_);
    for (UINT vk : codes) {
      std::string error;
      if (!OnUi(
              tid, [&] { plat::win::InjectKey(vk); }, &error))
        return Fail(error);
      Result r = Settled(tid);
      if (!r.ok) return r;
      tid = MainUiThread(ctx_);  // a key may have opened or closed a window
    }
    return Ok();
  }

  // The item index named by "INDEX" or "text:TEXT" in a control of `count` items.
  int ItemIndex(const std::string& which, HWND h, UINT getLen, UINT getText, int count) {
    long long v;
    if (ParseInt(which, &v)) return v >= 0 && v < count ? static_cast<int>(v) : -1;
    if (which.rfind("text:", 0) != 0) return -1;
    std::u16string want = U16(which.substr(5));
    for (int i = 0; i < count; ++i) {
      int len = static_cast<int>(SendMessage(h, getLen, static_cast<WPARAM>(i), 0));
      std::u16string t(static_cast<size_t>(std::max(len, 0)) + 1, u'\0');
      SendMessage(h, getText, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(t.data()));
      t.resize(std::char_traits<char16_t>::length(t.c_str()));
      if (t == want) return i;
    }
    return -1;
  }

  // A pick as the user makes it: a combo box is opened with its button and the item tapped in its
  // list (scrolled into view with the list's scroll bar); a list box or list view row is tapped.
  Result Pick(const std::string& sel, const std::string& which) {
    plat::win::WindowInfo w;
    std::string error;
    if (!FindWindowBy(sel, &w, &error)) return Fail(error);
    if (!w.visible) return Fail("window " + sel + " is hidden");
    if (!w.enabled) return Fail("window " + sel + " is disabled");
    HWND h = w.hwnd;
    if (ClassIs(w.className, WC_COMBOBOX)) {
      int index = -1;
      bool dropped = false;
      if (!OnUi(
              w.threadId,
              [&] {
                index = ItemIndex(which, h, CB_GETLBTEXTLEN, CB_GETLBTEXT,
                                  static_cast<int>(SendMessage(h, CB_GETCOUNT, 0, 0)));
                dropped = SendMessage(h, CB_GETDROPPEDSTATE, 0, 0) != 0;
              },
              &error))
        return Fail(error);
      if (index < 0) return Fail("combo box " + sel + " has no item " + which);
      if (!dropped) {
        // The drop-down button is at the right end of the field.
        Result r = TapWindowAt(w, w.rect.right - 4, (w.rect.top + w.rect.bottom) / 2);
        if (!r.ok) return r;
      }
      POINT at{-1, -1};
      if (!OnUi(
              w.threadId,
              [&] {
                HWND popup = 0;
                for (auto& p : plat::win::EnumerateWindows())
                  if (p.depth == 0 && p.visible && ClassIs(p.className, WC_COMBOLBOX) &&
                      static_cast<HWND>(GetWindowLong(p.hwnd, GWL_USERDATA)) == h)
                    popup = p.hwnd;
                if (!popup) return;
                int ih = std::max(1, static_cast<int>(SendMessage(h, CB_GETITEMHEIGHT, 0, 0)));
                RECT rc;
                GetClientRect(popup, &rc);
                int page = std::max(1, static_cast<int>(rc.bottom) / ih);
                int top = (GetWindowLong(popup, GWL_STYLE) & WS_VSCROLL) ? GetScrollPos(popup, SB_VERT) : 0;
                if (index < top || index >= top + page) {
                  top = std::max(0, index - page + 1);
                  SendMessage(popup, WM_VSCROLL, MAKEWPARAM(SB_THUMBPOSITION, top), 0);
                  top = (GetWindowLong(popup, GWL_STYLE) & WS_VSCROLL) ? GetScrollPos(popup, SB_VERT) : 0;
                }
                POINT p{rc.right / 2, (index - top) * ih + ih / 2};
                ClientToScreen(popup, &p);
                at = p;
                plat::win::InjectStylus(plat::win::Stylus::Down, p.x, p.y);
                plat::win::InjectStylus(plat::win::Stylus::Up, p.x, p.y);
              },
              &error))
        return Fail(error);
      if (at.x < 0) return Fail("combo box " + sel + " did not open its list");
      return Settled(w.threadId);
    }
    bool listBox = ClassIs(w.className, WC_LISTBOX), listView = ClassIs(w.className, WC_LISTVIEW);
    if (!listBox && !listView) return Fail("window " + sel + " is not a combo box, list box or list view");
    int index = -1;
    RECT item{};
    if (!OnUi(
            w.threadId,
            [&] {
              if (listBox) {
                index =
                    ItemIndex(which, h, LB_GETTEXTLEN, LB_GETTEXT, static_cast<int>(SendMessage(h, LB_GETCOUNT, 0, 0)));
                if (index < 0) return;
                RECT rc;
                GetClientRect(h, &rc);
                SendMessage(h, LB_GETITEMRECT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&item));
                if (item.top < 0 || item.bottom > rc.bottom) {
                  SendMessage(h, LB_SETTOPINDEX, static_cast<WPARAM>(index), 0);
                  SendMessage(h, LB_GETITEMRECT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&item));
                }
              } else {
                int count = static_cast<int>(SendMessage(h, LVM_GETITEMCOUNT, 0, 0));
                long long v;
                index = ParseInt(which, &v) && v >= 0 && v < count ? static_cast<int>(v) : -1;
                if (index < 0 && which.rfind("text:", 0) == 0) {
                  std::u16string want = U16(which.substr(5));
                  for (int i = 0; i < count && index < 0; ++i) {
                    WCHAR buf[512] = {};
                    LVITEM it{};
                    it.pszText = buf;
                    it.cchTextMax = 512;
                    SendMessage(h, LVM_GETITEMTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&it));
                    if (want == buf) index = i;
                  }
                }
                if (index < 0) return;
                SendMessage(h, LVM_ENSUREVISIBLE, static_cast<WPARAM>(index), FALSE);
                item.left = LVIR_BOUNDS;
                SendMessage(h, LVM_GETITEMRECT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&item));
              }
              POINT p{(item.left + std::min<LONG>(item.right, item.left + 40)) / 2, (item.top + item.bottom) / 2};
              ClientToScreen(h, &p);
              item = RECT{p.x, p.y, p.x, p.y};
            },
            &error))
      return Fail(error);
    if (index < 0) return Fail("window " + sel + " has no item " + which);
    return TapWindowAt(w, item.left, item.top);
  }

  Result TapCell(const std::string& sel, int row, int column) {
    plat::win::WindowInfo w;
    std::string error;
    if (!FindWindowBy(sel, &w, &error)) return Fail(error);
    if (!w.visible) return Fail("window " + sel + " is hidden");
    LRESULT taken = 0;
    if (!OnUi(
            w.threadId,
            [&] {
              taken = SendMessage(w.hwnd, WM_PLAT_TAP_CELL, static_cast<WPARAM>(row), static_cast<LPARAM>(column));
            },
            &error))
      return Fail(error);
    if (!taken) return Fail("window " + sel + " has no cell " + std::to_string(row) + "," + std::to_string(column));
    return Settled(w.threadId);
  }

  // The strings drawn on the screen as it is now (each window's texts that nothing covers), those
  // lying wholly inside `area`, in drawing order.
  Result ScreenText(const RECT& area) {
    DWORD tid = MainUiThread(ctx_);
    std::string error;
    std::vector<std::string> lines;
    if (!OnUi(
            tid,
            [&] {
              plat::Surface screen;
              plat::win::ComposeScreen(screen);
              for (auto& t : screen.texts) {
                if (t.rect.left < area.left || t.rect.top < area.top || t.rect.right > area.right ||
                    t.rect.bottom > area.bottom)
                  continue;
                std::string line = "text " + RectText(t.rect) + " fg=" + Colour(t.color) +
                                   " bg=" + (t.background == 0xFFFFFFFFu ? std::string("none") : Colour(t.background)) +
                                   " font=" + Q(t.face) + " " + std::to_string(t.height) +
                                   (t.weight >= 700 ? " bold" : "") + " " + Q(t.text);
                lines.push_back(line);
              }
            },
            &error))
      return Fail(error);
    return Ok(lines);
  }

  Result Pixel(int x, int y) {
    DWORD tid = MainUiThread(ctx_);
    std::string error;
    COLORREF c = 0;
    if (!OnUi(
            tid,
            [&] {
              plat::Surface screen;
              plat::win::ComposeScreen(screen);
              c = screen.Row(y)[x];
            },
            &error))
      return Fail(error);
    return Ok({Colour(c)});
  }

  static std::string Colour(COLORREF c) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "0x%06X", static_cast<unsigned>(c & 0xFFFFFF));
    return buf;
  }

  Result Shot(const std::string& path, const std::string& sel) {
    if (path.empty() || path[0] != '/') return Fail("the picture's file must be an absolute host path");
    DWORD tid = MainUiThread(ctx_);
    HWND h = 0;
    std::string error;
    if (!sel.empty()) {
      plat::win::WindowInfo w;
      if (!FindWindowBy(sel, &w, &error)) return Fail(error);
      h = w.hwnd;
      tid = w.threadId;
    }
    bool saved = false;
    if (!tid) return Fail("the program has no window");
    if (!OnUi(
            tid, [&] { saved = h ? plat::win::SaveWindowShot(h, path) : plat::win::SaveScreenshot(path); }, &error))
      return Fail(error);
    if (!saved) return Fail("could not write " + path);
    return Ok({path});
  }

  Result Wait(std::vector<std::string> what, int timeoutMs) {
    auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    std::function<bool(std::vector<std::string>&)> check;
    const std::string kind = what.empty() ? "" : what[0];
    if (kind == "window" && what.size() == 2) {
      check = [&](std::vector<std::string>& out) {
        plat::win::WindowInfo w;
        std::string e;
        if (!FindWindowBy(what[1], &w, &e) || !w.visible) return false;
        out.push_back(WindowLineLight(w));
        return true;
      };
    } else if (kind == "gone" && what.size() == 2) {
      check = [&](std::vector<std::string>&) {
        plat::win::WindowInfo w;
        std::string e;
        return !FindWindowBy(what[1], &w, &e) || !w.visible;
      };
    } else if (kind == "text" && what.size() == 3) {
      std::u16string want = U16(what[2]);
      check = [&, want](std::vector<std::string>& out) {
        plat::win::WindowInfo w;
        std::string e;
        if (!FindWindowBy(what[1], &w, &e)) return false;
        std::u16string text = w.text;
        if (ClassIs(w.className, WC_COMBOBOX) && !OnUi(
                                                     w.threadId, [&] { text = LiveText(w); }, &e))
          return false;
        if (text != want) return false;
        out.push_back(Q(ClassIs(w.className, WC_COMBOBOX) ? text : Shown(w)));
        return true;
      };
    } else if (kind == "box" && what.size() == 1) {
      check = [&](std::vector<std::string>& out) {
        plat::win::MessageBoxInfo b;
        if (!plat::win::PendingMessageBox(&b)) return false;
        out = BoxLines(b);
        return true;
      };
    } else if (kind == "menu" && what.size() == 1) {
      check = [&](std::vector<std::string>& out) {
        plat::win::MenuInfo m;
        if (!plat::win::PendingMenu(&m)) return false;
        out = MenuLines(m);
        return true;
      };
    } else {
      return Fail("usage: wait window WINDOW | gone WINDOW | text WINDOW TEXT | box | menu [--timeout MS]");
    }
    for (;;) {
      std::vector<std::string> out;
      if (check(out)) return Ok(out);
      if (std::chrono::steady_clock::now() >= end || Aborting()) {
        Result r = Fail("timed out after " + std::to_string(timeoutMs) + " ms waiting for " + kind);
        r.timedOut = true;
        return r;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
  }

  static std::string WindowLineLight(const plat::win::WindowInfo& w) {
    return std::to_string(w.hwnd) + " " + U8(w.className) + " id=" + std::to_string(w.id) + " text=" + Q(Shown(w)) +
           " rect=" + RectText(w.rect);
  }

  Result Events(const std::string& fromLine) {
    std::string root = plat::DeviceRoot();
    std::ifstream in(root + "/run/events.log");
    long long from = 0;
    if (!fromLine.empty() && (!ParseInt(fromLine, &from) || from < 0)) return Fail("usage: events [FIRST-LINE]");
    std::vector<std::string> lines;
    std::string line;
    for (long long n = 0; std::getline(in, line); ++n)
      if (n >= from) lines.push_back(line);
    return Ok(lines);
  }
};

}  // namespace

bool RunOnUi(DWORD tid, const std::function<void()>& fn, int timeoutMs) {
  Job job;
  job.fn = &fn;
  UINT_PTR id;
  {
    std::lock_guard<std::mutex> l(g_jobsMutex);
    id = g_nextJob++;
    if (g_nextJob == 0) g_nextJob = 1;
    Jobs()[id] = &job;
  }
  if (!PostThreadMessage(tid, WM_TIMER, id, reinterpret_cast<LPARAM>(&JobProc))) {
    std::lock_guard<std::mutex> l(g_jobsMutex);
    Jobs().erase(id);
    return false;
  }
  std::unique_lock<std::mutex> l(g_jobsMutex);
  if (g_jobsCv.wait_for(l, std::chrono::milliseconds(timeoutMs), [&] { return job.state == Job::Done || g_abort; }) &&
      job.state == Job::Done)
    return true;
  if (job.state == Job::Queued) {
    Jobs().erase(id);
    return false;
  }
  // Already running: it refers to the caller's data, so it must be waited for.
  g_jobsCv.wait(l, [&] { return job.state == Job::Done; });
  return true;
}

std::shared_ptr<std::atomic<int>> PostToUi(DWORD tid, std::function<void()> fn) {
  auto state = std::make_shared<std::atomic<int>>(0);
  UINT_PTR id;
  {
    std::lock_guard<std::mutex> l(g_jobsMutex);
    id = g_nextJob++;
    if (g_nextJob == 0) g_nextJob = 1;
    AsyncJobs()[id] = AsyncJob{std::move(fn), state};
  }
  if (!PostThreadMessage(tid, WM_TIMER, id, reinterpret_cast<LPARAM>(&AsyncProc))) {
    std::lock_guard<std::mutex> l(g_jobsMutex);
    AsyncJobs().erase(id);
    return nullptr;
  }
  return state;
}

void AbortWaits() {
  {
    std::lock_guard<std::mutex> l(g_jobsMutex);
    g_abort = true;
  }
  g_jobsCv.notify_all();
}

// The thread has ended, or the process is ending (its waits are aborted at exit): an action that
// ends the program has settled once it has.
static bool UiEnded(DWORD tid) {
  {
    std::lock_guard<std::mutex> l(g_jobsMutex);
    if (g_abort) return true;
  }
  return !PostThreadMessage(tid, WM_NULL, 0, 0);
}

bool SettleThread(DWORD tid, int timeoutMs) {
  auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  // Input posted by the action is queued before the first probe; what its handlers post in turn
  // is still waiting when the probe runs, so probe until a probe finds nothing left. A timer that
  // keeps falling due (a running clock) must not keep this forever: a bounded number of rounds.
  for (int round = 0; round < 200; ++round) {
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - std::chrono::steady_clock::now()).count();
    if (left <= 0) return false;
    bool busy = true;
    // A probe that runs inside a box's loop after the box was answered (the answer landed while
    // the loop was fetching the probe) finds an empty queue although the code after the box has
    // yet to run: that counts as busy too.
    if (!RunOnUi(
            tid,
            [&] {
              busy = GetQueueStatus(QS_POSTMESSAGE | QS_SENDMESSAGE | QS_PAINT | QS_TIMER) != 0 ||
                     plat::win::ModalLoopEnding();
            },
            static_cast<int>(left)))
      return UiEnded(tid);
    if (!busy) return true;
    // Paints and timers come after posted messages: give the loop a moment to reach them
    // before the next probe is queued ahead of them.
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  return true;
}

Result Execute(const std::vector<std::string>& words, const Context& ctx) { return Runner(ctx).Run(words); }

std::string ProgramName() {
  char buf[4096];
  ssize_t n = readlink("/proc/self/exe", buf, sizeof buf - 1);
  if (n <= 0) return "program";
  std::string path(buf, static_cast<size_t>(n));
  size_t slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

}  // namespace plat::automation::detail
