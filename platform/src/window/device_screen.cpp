// The device's one screen, shared by every program of the device root.
//
// Every top-level window carries a z-stamp taken from a counter shared by the device root
// (<run>/screen/counters, mapped by every program), renewed whenever the window comes to the
// front; the device's z-order is the order of the stamps (topmost windows above the others).
// Each program publishes its top-level windows, their pixels and their texts as one layer file
// (<run>/screen/layers.<slot>, rewritten in place under a sequence number that is odd while it is
// being written) whenever its picture or its order changed, at the moment its message loop runs
// out of work: the loop's thread copies the layers into a buffer and hands it to the program's
// publisher thread, which writes the file, so that a push arriving meanwhile does not wait for
// the disk. The composed screen is this program's windows from memory and the other live
// programs' layers from their files.
//
// One program shows the screen in the desktop window: the first that asks for the display takes
// <run>/screen/display.lock. It feeds a tap to the program owning the window under the stylus
// and a key to the program owning the top window, closes every program of the device root when
// the desktop window is closed, and repaints when another program publishes.
#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstring>
#include <dirent.h>
#include <system_error>
#include <thread>

#include "window/wm_internal.h"

namespace plat::wm {

namespace {

struct Counters {
  uint64_t zstamp;
  uint64_t generation;  // raised by every publication
};

constexpr uint32_t kLayerMagic = 0x314C534C;  // "LSL1"
constexpr uint32_t kSeqMagic = 0x3151534C;    // "LSQ1"
constexpr uint32_t kFlagVisible = 1, kFlagTopmost = 2, kFlagMain = 4;
constexpr uint64_t kStampStep = 1024;

// The layer file: a sequence head, then `length` bytes of layers (the file may hold stale bytes
// after them). The writer makes `seq` odd, writes the layers, then makes it even again with the
// new length: a reader whose copy lies between two reads of the same even `seq` has a whole
// picture. The file is written over in place (no new file a publication, no blocks freed and
// allocated again on the disk).
struct SeqHead {
  uint32_t magic;
  uint32_t pad;
  uint64_t seq;
  uint64_t length;
};
struct FileHead {
  uint32_t magic;
  uint32_t pid;
  uint32_t slot;
  uint32_t count;
  uint64_t shellStamp;  // 0 while the program never changed the task bar or the input panel
  uint32_t taskBar;
  uint32_t sip;
};
struct LayerHead {
  uint32_t hwnd;
  uint32_t flags;
  uint64_t stamp;
  int32_t rect[4];
  int32_t width, height;
  uint32_t textCount;
  uint32_t pad;
};
struct TextHead {
  int32_t rect[4];
  uint32_t color, background;
  int32_t height, weight;
  uint32_t faceLen, textLen;
};

Counters* g_counters = nullptr;
std::string g_countersDir;
bool g_sharing = true;
uint64_t g_localStamp = 0;
uint64_t g_publishedPaint = 0;
std::string g_publishedOrder;
// Frames: a picture that keeps changing (pushes repainting a quote board) is published at most
// once a frame; a change within the frame waits for its end (the waiting loop looks again by
// then), so the last picture always reaches the device's screen, one frame late at most.
std::chrono::steady_clock::time_point g_publishedAt{};
std::atomic<bool> g_publishWaiting{false};
// The order key, the layer file's bytes and its path, kept between publications: no allocation
// per frame. Any thread whose loop runs out of work publishes (a box on the receive thread does):
// one at a time, from the building of the bytes to their hand-over to the publisher.
std::mutex g_publishMutex;
std::string g_order;
std::string g_layerData;
std::string g_layerPathWanted;
std::string g_layerPath;  // the path the open layer file was opened by
int g_displayLock = -1;
bool g_displayElsewhere = false;
// The stylus went down on another program's window: moves and the lift go there too.
HWND g_remoteStylus = 0;

void FlushPublisher();

std::string ScreenDir() {
  auto& g = G();
  std::string dir = (g.runDir.empty() ? RunDir() : g.runDir) + "/screen";
  mkdir(dir.c_str(), 0755);
  return dir;
}

Counters* SharedCounters() {
  std::string dir = ScreenDir();
  if (g_counters && dir == g_countersDir) return g_counters;
  if (g_counters) {
    FlushPublisher();
    munmap(g_counters, 4096);
  }
  g_counters = nullptr;
  int fd = open((dir + "/counters").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
  if (fd < 0) return nullptr;
  struct stat st {};
  if (fstat(fd, &st) == 0 && st.st_size < 4096 && ftruncate(fd, 4096) != 0) {
    close(fd);
    return nullptr;
  }
  void* p = mmap(nullptr, 4096, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
  close(fd);
  if (p == MAP_FAILED) return nullptr;
  g_counters = static_cast<Counters*>(p);
  g_countersDir = dir;
  return g_counters;
}

// A process that has ended but was not yet waited for by its parent counts as ended.
bool ProcessAlive(uint32_t pid) {
  if (pid == 0 || (kill(static_cast<pid_t>(pid), 0) != 0 && errno != EPERM)) return false;
  std::string stat;
  if (FILE* f = fopen(("/proc/" + std::to_string(pid) + "/stat").c_str(), "r")) {
    char buf[256];
    size_t n = fread(buf, 1, sizeof buf - 1, f);
    fclose(f);
    stat.assign(buf, n);
  }
  size_t close = stat.rfind(')');
  return !(close != std::string::npos && close + 2 < stat.size() && stat[close + 2] == 'Z');
}

template <typename T>
void Put(std::string& out, const T& v) {
  out.append(reinterpret_cast<const char*>(&v), sizeof v);
}

// Whether `bytes` more bytes stand in the file after `at`: checked before anything is sized by a
// count the file gives, so a torn or foreign file never makes a large allocation.
bool Holds(const std::string& in, size_t at, size_t bytes) { return at <= in.size() && bytes <= in.size() - at; }

template <typename T>
bool Take(const std::string& in, size_t& at, T* v, size_t bytes = sizeof(T)) {
  if (!Holds(in, at, bytes)) return false;
  if (bytes == 0) return true;  // an empty picture or text: nothing to copy (and no buffer)
  std::memcpy(v, in.data() + at, bytes);
  at += bytes;
  return true;
}

// All of `bytes` read or written at offset `at` through pread or pwrite; false at an error or at
// the end of the file.
template <typename Io, typename Ptr>
bool WholeAt(Io io, int fd, Ptr p, size_t bytes, off_t at) {
  while (bytes > 0) {
    ssize_t n = io(fd, p, bytes, at);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    p += n;
    at += n;
    bytes -= static_cast<size_t>(n);
  }
  return true;
}
bool ReadFully(int fd, void* to, size_t bytes, off_t at) {
  return WholeAt(pread, fd, static_cast<char*>(to), bytes, at);
}
bool WriteFully(int fd, const void* from, size_t bytes, off_t at) {
  return WholeAt(pwrite, fd, static_cast<const char*>(from), bytes, at);
}

// A whole picture from another program's layer file: a copy taken between two reads of the same
// even sequence number. A file being written is read again (its writer is within one write); one
// that never settles, or is not a layer file, is passed over.
bool ReadLayerFile(const std::string& path, std::string* out) {
  int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  constexpr uint64_t kMaxLength = 256u << 20;
  bool ok = false;
  for (int attempt = 0; attempt < 2000 && !ok; ++attempt) {
    if (attempt > 0) std::this_thread::sleep_for(std::chrono::microseconds(attempt < 10 ? 0 : 500));
    SeqHead before{}, after{};
    if (!ReadFully(fd, &before, sizeof before, 0) || before.magic != kSeqMagic || before.length > kMaxLength) break;
    if (before.seq & 1) continue;
    out->resize(before.length);
    // The writer never shortens its file: a picture that is not all there is not a layer file.
    if (!ReadFully(fd, out->data(), out->size(), sizeof(SeqHead))) break;
    if (!ReadFully(fd, &after, sizeof after, 0)) break;
    ok = after.seq == before.seq;
  }
  close(fd);
  return ok;
}

// Writes `data` over the layer file `fd` whose last whole picture carries `seq` (see SeqHead);
// false when the file cannot be written.
bool WriteLayers(int fd, uint64_t seq, const std::string& data) {
  SeqHead head{kSeqMagic, 0, seq + 1, 0};
  if (!WriteFully(fd, &head, sizeof head, 0) || !WriteFully(fd, data.data(), data.size(), sizeof head)) return false;
  head.seq = seq + 2;
  head.length = data.size();
  return WriteFully(fd, &head, sizeof head, 0);
}

// The program's publisher: the newest picture handed over waits in `pending` (a newer one takes
// its place) until the publisher's thread takes it and writes it. The layer file is opened (and
// so created) only by the publishing loop's thread, while the publisher is idle: a file removed
// under the program (its run folder cleared) is made again for the next picture, in step with
// the program's own work, never by the publisher behind it (a test removing its device root).
// Never freed: the thread may still wait for a picture when the program ends.
struct Publisher {
  std::mutex m;
  std::condition_variable cv;  // a picture handed over; the publisher idle again
  std::string pending;         // guarded by m
  bool hasPending = false;
  bool writing = false;
  int fd = -1;                   // the layer file; replaced only while idle
  uint64_t seq = 0;              // of the last whole picture in the file
  Counters* counters = nullptr;  // raised after each picture written
  bool reopen = false;           // the file could not be written
  bool threadUp = false;         // false: written on the publishing thread itself
  bool threadTried = false;
  std::string writingData;  // the publisher thread's own (swapped with `pending` under m)
};

Publisher& Pub() {
  static Publisher* p = new Publisher;
  return *p;
}

// Writes the picture taken from `pending` (lock released meanwhile) and records the outcome.
void WritePending(Publisher& p, std::unique_lock<std::mutex>& l) {
  std::swap(p.pending, p.writingData);
  p.hasPending = false;
  p.writing = true;
  const int fd = p.fd;
  const uint64_t seq = p.seq;
  Counters* counters = p.counters;
  l.unlock();
  const bool ok = WriteLayers(fd, seq, p.writingData);
  if (ok && counters) __atomic_add_fetch(&counters->generation, 1, __ATOMIC_SEQ_CST);
  l.lock();
  if (ok) p.seq = seq + 2;
  p.reopen = p.reopen || !ok;
  p.writing = false;
  p.cv.notify_all();
}

void PublisherThread() {
  Publisher& p = Pub();
  std::unique_lock<std::mutex> l(p.m);
  for (;;) {
    p.cv.wait(l, [&] { return p.hasPending; });
    WritePending(p, l);
  }
}

// Waits until every picture handed over is in its file (lock held).
void WaitIdle(Publisher& p, std::unique_lock<std::mutex>& l) {
  p.cv.wait(l, [&] { return !p.hasPending && !p.writing; });
}

// Hands `data` (left with the publisher's spare buffer) for the layer file at `path`.
void HandOver(std::string& data, const std::string& path, Counters* counters) {
  Publisher& p = Pub();
  std::unique_lock<std::mutex> l(p.m);
  struct stat st {};
  if (p.fd < 0 || p.reopen || path != g_layerPath || fstat(p.fd, &st) != 0 || st.st_nlink == 0) {
    // Another device root, the file removed (a run folder cleared) or a failed write: open the
    // file again once the publisher is done with the old one.
    WaitIdle(p, l);
    if (p.fd >= 0) close(p.fd);
    g_layerPath.clear();
    mkdir(path.substr(0, path.rfind('/')).c_str(), 0755);
    p.fd = open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    if (p.fd < 0) return;
    g_layerPath = path;
    p.reopen = false;
    // Go on from the number a file of the same name holds: a reader never sees one repeated.
    SeqHead held{};
    p.seq = ReadFully(p.fd, &held, sizeof held, 0) && held.magic == kSeqMagic ? (held.seq + 1) & ~1ull : 0;
  }
  std::swap(data, p.pending);
  p.hasPending = true;
  p.counters = counters;
  if (!p.threadTried) {
    p.threadTried = true;
    try {
      std::thread(PublisherThread).detach();
      p.threadUp = true;
    } catch (const std::system_error&) {
      p.threadUp = false;
    }
  }
  if (p.threadUp)
    p.cv.notify_all();
  else
    WritePending(p, l);
}

// Every picture handed over is in its file: before the shared counters it raises are unmapped.
void FlushPublisher() {
  Publisher& p = Pub();
  std::unique_lock<std::mutex> l(p.m);
  WaitIdle(p, l);
}

// The task bar and the input panel are the device's: the program that changed them last decides.
struct ShellPicture {
  uint64_t stamp = 0;
  bool taskBar = true;
  bool sip = false;
};
ShellPicture g_shell;
bool g_shellSeen = false;

uint64_t NextStamp();

ShellPicture LocalShell() {
  plat::win::ShellStateInfo sh = plat::win::ShellState();
  if (!g_shellSeen) {
    g_shellSeen = true;
    g_shell.taskBar = sh.taskBarVisible;
    g_shell.sip = sh.sipShown;
    if (sh.taskBarVisible != true || sh.sipShown != false) g_shell.stamp = NextStamp();
  } else if (g_shell.taskBar != sh.taskBarVisible || g_shell.sip != sh.sipShown) {
    g_shell.taskBar = sh.taskBarVisible;
    g_shell.sip = sh.sipShown;
    g_shell.stamp = NextStamp();
  }
  return g_shell;
}

// Reads one program's layer file; false for a torn, foreign or ended program's file.
bool ParseLayers(const std::string& data, uint32_t* pid, std::vector<DeviceLayer>* out, ShellPicture* shell) {
  size_t at = 0;
  FileHead fh{};
  if (!Take(data, at, &fh) || fh.magic != kLayerMagic || fh.count > 4096) return false;
  *pid = fh.pid;
  shell->stamp = fh.shellStamp;
  shell->taskBar = fh.taskBar != 0;
  shell->sip = fh.sip != 0;
  for (uint32_t i = 0; i < fh.count; ++i) {
    LayerHead lh{};
    if (!Take(data, at, &lh)) return false;
    if (lh.width < 0 || lh.height < 0 || lh.width > 4096 || lh.height > 4096 || lh.textCount > 100000) return false;
    DeviceLayer layer;
    layer.hwnd = lh.hwnd;
    layer.pid = fh.pid;
    layer.stamp = lh.stamp;
    layer.visible = (lh.flags & kFlagVisible) != 0;
    layer.topmost = (lh.flags & kFlagTopmost) != 0;
    layer.main = (lh.flags & kFlagMain) != 0;
    layer.rect = RECT{lh.rect[0], lh.rect[1], lh.rect[2], lh.rect[3]};
    layer.own = std::make_shared<Surface>();
    layer.own->width = lh.width;
    layer.own->height = lh.height;
    const size_t pixelCount = static_cast<size_t>(lh.width) * static_cast<size_t>(lh.height);
    if (!Holds(data, at, pixelCount * sizeof(COLORREF))) return false;
    layer.own->pixels.resize(pixelCount);
    if (!Take(data, at, layer.own->pixels.data(), layer.own->pixels.size() * sizeof(COLORREF))) return false;
    for (uint32_t t = 0; t < lh.textCount; ++t) {
      TextHead th{};
      if (!Take(data, at, &th) || th.faceLen > 4096 || th.textLen > 65536 ||
          !Holds(data, at, (size_t{th.faceLen} + th.textLen) * sizeof(char16_t)))
        return false;
      TextRecord rec;
      rec.rect = RECT{th.rect[0], th.rect[1], th.rect[2], th.rect[3]};
      rec.color = th.color;
      rec.background = th.background;
      rec.height = th.height;
      rec.weight = th.weight;
      rec.face.resize(th.faceLen);
      rec.text.resize(th.textLen);
      if (!Take(data, at, rec.face.data(), th.faceLen * sizeof(char16_t)) ||
          !Take(data, at, rec.text.data(), th.textLen * sizeof(char16_t)))
        return false;
      layer.own->texts.push_back(std::move(rec));
    }
    layer.surface = layer.own.get();
    out->push_back(std::move(layer));
  }
  return true;
}

// This program's top-level windows as layers (lock held); the first created is its main window.
void LocalLayers(std::vector<DeviceLayer>* out) {
  auto& g = G();
  HWND first = 0;
  for (HWND h : g.zorder)
    if (!first || h < first) first = h;
  for (HWND h : g.zorder) {
    auto w = Find(h);
    if (!w) continue;
    DeviceLayer layer;
    layer.hwnd = h;
    layer.pid = CurrentProcessId();
    layer.stamp = w->zstamp;
    layer.visible = (w->style & WS_VISIBLE) != 0;
    layer.topmost = (w->exStyle & WS_EX_TOPMOST) != 0;
    layer.main = h == first;
    layer.rect = w->rect;
    layer.local = true;
    if (layer.visible) EnsureSurface(*w);
    layer.surface = &w->surface;
    out->push_back(std::move(layer));
  }
}

// Bottom first: ordinary windows below topmost ones, each group in stamp order.
void SortBottomFirst(std::vector<DeviceLayer>* layers) {
  std::stable_sort(layers->begin(), layers->end(), [](const DeviceLayer& a, const DeviceLayer& b) {
    if (a.topmost != b.topmost) return !a.topmost;
    return a.stamp < b.stamp;
  });
}

void PostRemote(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
  RemoteCall(h, OpPost, msg, wp, lp, nullptr, nullptr, nullptr);
}

}  // namespace

namespace {
uint64_t NextStamp() {
  Counters* c = g_sharing ? SharedCounters() : nullptr;
  return c ? __atomic_add_fetch(&c->zstamp, kStampStep, __ATOMIC_SEQ_CST) : (++g_localStamp) * kStampStep;
}
}  // namespace

void Restamp(Window& w) {
  if (w.style & WS_CHILD) return;
  w.zstamp = NextStamp();
}

void StampBelow(Window& w, HWND above) {
  if (above == HWND_BOTTOM) {
    w.zstamp = 0;
  } else if (auto a = Find(above)) {
    w.zstamp = a->zstamp > 0 ? a->zstamp - 1 : 0;
  }
}

bool ScreenSharing() { return g_sharing; }

std::vector<DeviceLayer> DeviceLayers(bool withOthers, plat::win::ShellStateInfo* shellOut) {
  std::vector<DeviceLayer> layers;
  {
    Lock l(G().m);
    LocalLayers(&layers);
  }
  ShellPicture shell = LocalShell();
  if (withOthers && g_sharing && !G().runDir.empty()) {
    std::string dir = ScreenDir();
    std::string mine = "layers." + std::to_string(G().slot);
    if (DIR* d = opendir(dir.c_str())) {
      while (dirent* e = readdir(d)) {
        std::string name = e->d_name;
        if (name.rfind("layers.", 0) != 0 || name == mine) continue;
        std::string data;
        uint32_t pid = 0;
        std::vector<DeviceLayer> theirs;
        ShellPicture theirShell;
        if (!ReadLayerFile(dir + "/" + name, &data) || !ParseLayers(data, &pid, &theirs, &theirShell)) continue;
        if (pid == CurrentProcessId() || !ProcessAlive(pid)) continue;
        for (auto& t : theirs) layers.push_back(std::move(t));
        if (theirShell.stamp > shell.stamp) shell = theirShell;
      }
      closedir(d);
    }
  }
  SortBottomFirst(&layers);
  if (shellOut) {
    *shellOut = plat::win::ShellState();
    shellOut->taskBarVisible = shell.taskBar;
    shellOut->sipShown = shell.sip;
  }
  return layers;
}

void PublishLayers(bool now) {
  if (!g_sharing) return;
  std::lock_guard<std::mutex> publishing(g_publishMutex);
  auto& g = G();
  std::string& data = g_layerData;
  std::string& order = g_order;
  data.clear();
  order.clear();
  {
    Lock l(g.m);
    if (!g.slot || g.runDir.empty()) return;
    g_layerPathWanted.assign(g.runDir).append("/screen/layers.").append(std::to_string(g.slot));
    ShellPicture shell = LocalShell();
    Put(order, shell.stamp);
    for (HWND h : g.zorder) {
      auto w = Find(h);
      if (!w) continue;
      Put(order, h);
      Put(order, w->zstamp);
      Put(order, w->style & WS_VISIBLE);
      Put(order, w->rect);
    }
    if (PaintGeneration() == g_publishedPaint && order == g_publishedOrder) {
      g_publishWaiting = false;
      return;
    }
    const auto at = std::chrono::steady_clock::now();
    if (!now && g_publishedAt.time_since_epoch().count() != 0 && at - g_publishedAt < kFrame) {
      g_publishWaiting = true;
      return;
    }
    g_publishWaiting = false;
    g_publishedAt = at;
    g_publishedPaint = PaintGeneration();
    g_publishedOrder = order;
    std::vector<DeviceLayer> layers;
    LocalLayers(&layers);
    size_t bytes = sizeof(FileHead);
    for (const DeviceLayer& layer : layers)
      bytes += sizeof(LayerHead) + layer.surface->pixels.size() * sizeof(COLORREF) +
               layer.surface->texts.size() * (sizeof(TextHead) + 64);
    data.reserve(bytes);
    Put(data,
        FileHead{kLayerMagic, static_cast<uint32_t>(CurrentProcessId()), g.slot, static_cast<uint32_t>(layers.size()),
                 shell.stamp, shell.taskBar ? 1u : 0u, shell.sip ? 1u : 0u});
    for (const DeviceLayer& layer : layers) {
      const Surface& s = *layer.surface;
      bool pixels = layer.visible && s.pixels.size() == static_cast<size_t>(s.width) * static_cast<size_t>(s.height);
      LayerHead lh{};
      lh.hwnd = layer.hwnd;
      lh.flags = (layer.visible ? kFlagVisible : 0) | (layer.topmost ? kFlagTopmost : 0) | (layer.main ? kFlagMain : 0);
      lh.stamp = layer.stamp;
      lh.rect[0] = layer.rect.left;
      lh.rect[1] = layer.rect.top;
      lh.rect[2] = layer.rect.right;
      lh.rect[3] = layer.rect.bottom;
      lh.width = pixels ? s.width : 0;
      lh.height = pixels ? s.height : 0;
      lh.textCount = pixels ? static_cast<uint32_t>(s.texts.size()) : 0;
      Put(data, lh);
      if (!pixels) continue;
      data.append(reinterpret_cast<const char*>(s.pixels.data()), s.pixels.size() * sizeof(COLORREF));
      for (const TextRecord& t : s.texts) {
        TextHead th{{t.rect.left, t.rect.top, t.rect.right, t.rect.bottom},
                    t.color,
                    t.background,
                    t.height,
                    t.weight,
                    static_cast<uint32_t>(t.face.size()),
                    static_cast<uint32_t>(t.text.size())};
        Put(data, th);
        data.append(reinterpret_cast<const char*>(t.face.data()), t.face.size() * sizeof(char16_t));
        data.append(reinterpret_cast<const char*>(t.text.data()), t.text.size() * sizeof(char16_t));
      }
    }
  }
  HandOver(data, g_layerPathWanted, SharedCounters());
}

bool PublicationWaiting() { return g_sharing && g_publishWaiting; }

uint64_t DeviceGeneration() {
  if (!g_sharing) return 0;
  Counters* c = SharedCounters();
  return c ? __atomic_load_n(&c->generation, __ATOMIC_SEQ_CST) : 0;
}

bool TakeDisplay() {
  if (g_displayLock >= 0 && !g_displayElsewhere) return true;
  if (!g_sharing) return true;  // alone: nobody to share it with
  if (g_displayLock < 0)
    g_displayLock = open((ScreenDir() + "/display.lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
  if (g_displayLock < 0) return true;
  // Held for the program's life; the program that waits tries again while its loop waits.
  g_displayElsewhere = flock(g_displayLock, LOCK_EX | LOCK_NB) != 0;
  return !g_displayElsewhere;
}

void ReleaseDisplay() {
  if (g_displayLock >= 0) close(g_displayLock);  // the lock goes with the descriptor
  g_displayLock = -1;
  g_displayElsewhere = false;
}

bool DisplayElsewhere() { return g_displayElsewhere; }

void RouteDisplayInput(int kind, int x, int y, UINT key, char16_t ch) {
  using plat::win::Stylus;
  HWND remote = 0;
  if (kind == DeviceInputDown || kind == DeviceInputMove || kind == DeviceInputUp) {
    if (kind == DeviceInputDown) {
      g_remoteStylus = 0;
      auto layers = DeviceLayers(true, nullptr);
      for (auto it = layers.rbegin(); it != layers.rend(); ++it) {
        if (!it->visible || x < it->rect.left || x >= it->rect.right || y < it->rect.top || y >= it->rect.bottom)
          continue;
        if (!it->local) g_remoteStylus = it->hwnd;
        break;
      }
    }
    remote = g_remoteStylus;
    if (kind == DeviceInputUp) g_remoteStylus = 0;
    if (remote) {
      PostRemote(remote, WM_PLAT_DEVICE_INPUT, static_cast<WPARAM>(kind),
                 MAKELPARAM(static_cast<WORD>(x), static_cast<WORD>(y)));
      return;
    }
    plat::win::InjectStylus(kind == DeviceInputDown ? Stylus::Down
                            : kind == DeviceInputUp ? Stylus::Up
                                                    : Stylus::Move,
                            x, y);
    return;
  }
  // Keys go to the program that owns the top window.
  auto layers = DeviceLayers(true, nullptr);
  for (auto it = layers.rbegin(); it != layers.rend(); ++it) {
    if (!it->visible) continue;
    if (!it->local) remote = it->hwnd;
    break;
  }
  if (remote) {
    PostRemote(remote, WM_PLAT_DEVICE_INPUT, static_cast<WPARAM>(kind), kind == DeviceInputKey ? key : ch);
    return;
  }
  if (kind == DeviceInputKey)
    plat::win::InjectKey(key);
  else
    plat::win::InjectChar(ch);
}

void DeviceInput(WPARAM kind, LPARAM value) {
  using plat::win::Stylus;
  int x = static_cast<short>(LOWORD(value)), y = static_cast<short>(HIWORD(value));
  switch (static_cast<int>(kind)) {
    case DeviceInputDown: plat::win::InjectStylus(Stylus::Down, x, y); break;
    case DeviceInputMove: plat::win::InjectStylus(Stylus::Move, x, y); break;
    case DeviceInputUp: plat::win::InjectStylus(Stylus::Up, x, y); break;
    case DeviceInputKey: plat::win::InjectKey(static_cast<UINT>(value)); break;
    case DeviceInputChar: plat::win::InjectChar(static_cast<char16_t>(value)); break;
    default: break;
  }
}

void PowerOff() {
  // Every program of the device root is told to close (its main window gets WM_CLOSE), this one
  // last; a program still running after a grace period is ended.
  std::vector<DeviceLayer> layers = DeviceLayers(true, nullptr);
  std::vector<uint32_t> others;
  for (const DeviceLayer& l : layers) {
    if (l.local || !l.main) continue;
    PostRemote(l.hwnd, WM_CLOSE, 0, 0);
    others.push_back(l.pid);
  }
  HWND mine = 0;
  for (const DeviceLayer& l : layers)
    if (l.local && l.main) mine = l.hwnd;
  std::thread([others, mine] {
    auto until = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    auto anyAlive = [&] { return std::any_of(others.begin(), others.end(), ProcessAlive); };
    while (anyAlive() && std::chrono::steady_clock::now() < until)
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    for (uint32_t pid : others)
      if (ProcessAlive(pid)) kill(static_cast<pid_t>(pid), SIGKILL);
    if (mine) PostMessage(mine, WM_CLOSE, 0, 0);
    std::this_thread::sleep_for(std::chrono::seconds(5));
    std::_Exit(0);  // this program did not end by itself either
  }).detach();
}

void ResetDeviceScreen(bool sharing) {
  FlushPublisher();
  g_sharing = sharing;
  if (g_counters) munmap(g_counters, 4096);
  g_counters = nullptr;
  g_countersDir.clear();
  g_publishedPaint = 0;
  g_publishedOrder.clear();
  g_publishedAt = {};
  g_publishWaiting = false;
  g_remoteStylus = 0;
  g_displayElsewhere = false;
  g_shell = ShellPicture{};
  g_shellSeen = false;
}

}  // namespace plat::wm

namespace plat::win {

void SetScreenSharing(bool on) { plat::wm::ResetDeviceScreen(on); }

}  // namespace plat::win
