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
    // Without a message loop that goes idle the wrappers would pile up; past this many the old
    // ones go (a wrapper is only ever held for the handler that asked for it).
    if (map_.size() >= kMaxTemps && !map_.count(h)) Clear();
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
  std::unordered_map<Handle, std::unique_ptr<Obj, Deleter>> map_;
};

// Forgets the calling thread's temporary graphics wrappers.
void DeleteTempGdi();

}  // namespace plat::afx
