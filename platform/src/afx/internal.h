// Temporary framework objects: wrappers made on demand for handles the framework does not own,
// valid until the thread's message loop next goes idle.
#pragma once

#include <memory>
#include <unordered_map>

#include "plat/afx.h"

namespace plat::afx {

constexpr size_t kMaxTemps = 512;

template <class Obj, class Handle>
class TempMap {
 public:
  Obj* Get(Handle h) {
    if (!h) return nullptr;
    // Without a message loop that goes idle the wrappers would pile up; past this many the
    // wrappers of objects that are gone go. Those of live objects stay: a handler may still hold
    // one (the pen that SelectObject handed back, to be selected again).
    if (map_.size() >= kMaxTemps && !map_.count(h)) {
      for (auto it = map_.begin(); it != map_.end();) {
        if (Alive(it->first)) {
          ++it;
          continue;
        }
        Detach(*it->second);
        it = map_.erase(it);
      }
    }
    auto& p = map_[h];
    if (!p) {
      p.reset(new Obj);
      Attach(*p, h);
    }
    return p.get();
  }
  void Put(Handle h, Obj* obj) { map_[h].reset(obj); }
  Obj* Find(Handle h) const {
    auto it = map_.find(h);
    return it == map_.end() ? nullptr : it->second.get();
  }
  void Clear() {
    for (auto& [h, p] : map_) Detach(*p);
    map_.clear();
  }
  ~TempMap() { Clear(); }

 private:
  struct Deleter {
    void operator()(Obj* o) const { delete o; }
  };
  static void Attach(Obj& o, Handle h);
  static void Detach(Obj& o);
  static bool Alive(Handle h) { return ::GetObjectType(reinterpret_cast<HGDIOBJ>(h)) != 0; }
  std::unordered_map<Handle, std::unique_ptr<Obj, Deleter>> map_;
};

// Forgets the calling thread's temporary graphics wrappers.
void DeleteTempGdi();

}  // namespace plat::afx
