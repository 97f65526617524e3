// The modal loops running on each thread (message boxes, pop-up menus, modal dialogs) and whether
// a window's own code is on the stack. A program that ends a window from a timer or a posted
// message may be running inside a loop that the window's own handler started: it asks
// WindowCodeRunning first, ends those loops with EndModalLoops and deletes the object only once
// the handler has returned.
#include <algorithm>
#include <vector>

#include "window/wm_internal.h"

namespace plat::wm {

namespace {
// Outermost loop first.
thread_local std::vector<ModalScope*> t_loops;
}  // namespace

ModalScope::ModalScope(HWND ownerWindow, std::function<void()> cancelLoop)
    : owner(ownerWindow), cancel(std::move(cancelLoop)) {
  // The windows whose procedures are on the stack started this loop, whatever owner it was given
  // (a box may have none).
  auto& g = G();
  Lock l(g.m);
  auto q = CurrentQueue();
  for (auto& [h, w] : g.windows)
    if (w->queue == q && w->procDepth > 0) callers.push_back(h);
  t_loops.push_back(this);
}

ModalScope::~ModalScope() { t_loops.erase(std::remove(t_loops.begin(), t_loops.end(), this), t_loops.end()); }

bool ModalScope::StartedBy(HWND root) const {
  if (InWindowTree(owner, root)) return true;
  return std::any_of(callers.begin(), callers.end(), [root](HWND h) { return InWindowTree(h, root); });
}

bool InWindowTree(HWND h, HWND root) {
  if (!root) return false;
  // Parent links for children, owner links for top-level windows; the bound guards a cycle.
  for (int hops = 0; h && hops < 64; ++hops) {
    if (h == root) return true;
    auto w = Find(h);
    if (!w) return false;
    h = (w->style & WS_CHILD) ? w->parent : w->owner;
  }
  return false;
}

}  // namespace plat::wm

using namespace plat::wm;

namespace plat::win {

bool WindowCodeRunning(HWND hwnd) {
  auto& g = G();
  Lock l(g.m);
  auto q = CurrentQueue();
  for (auto& [h, w] : g.windows)
    if (w->queue == q && w->procDepth > 0 && InWindowTree(h, hwnd)) return true;
  return false;
}

int EndModalLoops(HWND hwnd) {
  size_t first = t_loops.size();
  {
    Lock l(G().m);
    for (size_t i = 0; i < t_loops.size(); ++i)
      if (t_loops[i]->StartedBy(hwnd)) {
        first = i;
        break;
      }
  }
  // The loops nested inside the first one of the window end too: it cannot return before them.
  std::vector<std::function<void()>> cancels;
  for (size_t i = first; i < t_loops.size(); ++i) cancels.push_back(t_loops[i]->cancel);
  for (auto& c : cancels)
    if (c) c();
  return static_cast<int>(cancels.size());
}

}  // namespace plat::win
