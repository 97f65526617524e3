// Loadable modules (programs' plug-ins and libraries) and the resources they carry.
#include <dlfcn.h>
#include <link.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <map>
#include <vector>

#include "kernel/internal.h"

struct PlatModule {
  void* dl = nullptr;             // dlopen handle (null for the main program and linked libraries)
  const void* linkMap = nullptr;  // identifies the loaded object; resources are filed under it
  std::string host;               // host file of the module
  int loads = 0;                  // LoadLibrary calls not yet matched by FreeLibrary
  bool linked = false;            // main program or a library loaded with it: never unloaded
};

namespace plat::kernel {
namespace {

std::recursive_mutex g_modulesLock;
std::vector<PlatModule*>& Modules() {
  static auto* modules = new std::vector<PlatModule*>;
  return *modules;
}

struct ResourceEntry {
  const void* data;
  size_t size;
};
std::mutex g_resourcesLock;
std::map<const void*, std::map<std::pair<int, int>, ResourceEntry>>& Resources() {
  static auto* resources = new std::map<const void*, std::map<std::pair<int, int>, ResourceEntry>>;
  return *resources;
}

std::atomic<HMODULE> g_currentResources{nullptr};

const void* LinkMapOf(void* dl) {
  link_map* map = nullptr;
  if (dlinfo(dl, RTLD_DI_LINKMAP, &map) != 0) return nullptr;
  return map;
}

PlatModule* MainModule() {
  static PlatModule* main = [] {
    auto* m = new PlatModule;
    void* self = dlopen(nullptr, RTLD_NOW);
    m->linkMap = LinkMapOf(self);
    m->linked = true;
    char path[4096];
    ssize_t n = readlink("/proc/self/exe", path, sizeof path - 1);
    if (n > 0) m->host.assign(path, static_cast<size_t>(n));
    return m;
  }();
  return main;
}

bool IsModule(HMODULE module) {
  if (module == MainModule()) return true;
  auto& modules = Modules();
  return std::find(modules.begin(), modules.end(), module) != modules.end();
}

std::string BaseName(const std::string& path) {
  size_t slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

// "VXBase.dll", "VXBase", "libVXBase.so" all name the same module.
std::string Stem(std::string name) {
  for (const char* suffix : {".dll", ".exe", ".so"}) {
    size_t n = std::char_traits<char>::length(suffix);
    if (name.size() > n && SameNoCase(std::string_view(name).substr(name.size() - n), suffix))
      name.resize(name.size() - n);
  }
  if (name.size() > 3 && SameNoCase(std::string_view(name).substr(0, 3), "lib")) name.erase(0, 3);
  return name;
}

bool IsRegularFile(const std::string& host) {
  struct stat st;
  return stat(host.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool FindModuleFile(std::u16string_view name, std::string& host) {
  if (name.find_first_of(u"/\\") != std::u16string_view::npos) return HostPath(name, host) && IsRegularFile(host);
  std::u16string bare(name);
  std::vector<std::u16string> names{bare};
  if (bare.find(u'.') == std::u16string::npos) names.push_back(bare + u".dll");
  for (const std::u16string& candidate : names) {
    for (const char16_t* folder : {u"\\Program Files\\Quorvan\\Bin\\", u"\\", u"\\Windows\\"}) {
      if (HostPath(std::u16string(folder) + candidate, host) && IsRegularFile(host)) return true;
    }
  }
  return false;
}

}  // namespace
}  // namespace plat::kernel

using namespace plat::kernel;

HMODULE LoadLibrary(LPCWSTR name) {
  std::string host;
  if (!name || !*name) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  if (!FindModuleFile(name, host)) {
    SetLastError(ERROR_MOD_NOT_FOUND);
    return nullptr;
  }
  PlatModule* module = nullptr;
  void* dl = nullptr;
  {
    std::lock_guard<std::recursive_mutex> guard(g_modulesLock);
    // Each plug-in keeps its globals to itself: symbols are not shared with later modules.
    dl = dlopen(host.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!dl) {
      const char* why = dlerror();
      std::fprintf(stderr, "LoadLibrary %s: %s\n", host.c_str(), why ? why : "cannot load");
      SetLastError(ERROR_BAD_EXE_FORMAT);
      return nullptr;
    }
    const void* linkMap = LinkMapOf(dl);
    for (PlatModule* m : Modules()) {
      if (m->linkMap == linkMap && !m->linked) {
        ++m->loads;  // the same module again: dlopen counted it too
        SetLastError(ERROR_SUCCESS);
        return m;
      }
    }
    module = new PlatModule;
    module->dl = dl;
    module->linkMap = linkMap;
    module->host = host;
    module->loads = 1;
    Modules().push_back(module);
  }
  // A module that cannot start refuses to load, as a library whose initialisation fails: its
  // exported PlatModuleInit runs once, when the module is first loaded, with the module's own
  // handle (its resources can be found through it). FALSE unloads the module again. It runs
  // outside the modules' lock: it may show a box and wait for the user.
  using ModuleInit = BOOL (*)(HMODULE);
  if (auto init = reinterpret_cast<ModuleInit>(dlsym(dl, "PlatModuleInit")); init && !init(module)) {
    FreeLibrary(module);
    SetLastError(ERROR_DLL_INIT_FAILED);
    return nullptr;
  }
  SetLastError(ERROR_SUCCESS);
  return module;
}

BOOL FreeLibrary(HMODULE module) {
  std::lock_guard<std::recursive_mutex> guard(g_modulesLock);
  if (!module || !IsModule(module) || module->linked) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  --module->loads;
  dlclose(module->dl);
  if (module->loads > 0) return TRUE;
  auto& modules = Modules();
  modules.erase(std::find(modules.begin(), modules.end(), module));
  if (g_currentResources.load() == module) g_currentResources = nullptr;
  // The resources point into the module's memory: forget them once it is really gone.
  void* still = dlopen(module->host.c_str(), RTLD_NOW | RTLD_NOLOAD);
  if (still) {
    dlclose(still);
  } else {
    std::lock_guard<std::mutex> resourcesGuard(g_resourcesLock);
    Resources().erase(module->linkMap);
  }
  delete module;
  return TRUE;
}

FARPROC GetProcAddress(HMODULE module, LPCSTR procName) {
  if (reinterpret_cast<uintptr_t>(procName) < 0x10000) {  // ordinals are not kept
    SetLastError(ERROR_PROC_NOT_FOUND);
    return nullptr;
  }
  void* symbol = nullptr;
  {
    std::lock_guard<std::recursive_mutex> guard(g_modulesLock);
    if (module && !IsModule(module)) {
      SetLastError(ERROR_INVALID_HANDLE);
      return nullptr;
    }
    if (!module || module->linked) {
      void* self = dlopen(module && module != MainModule() ? module->host.c_str() : nullptr, RTLD_NOW | RTLD_NOLOAD);
      if (self) {
        symbol = dlsym(self, procName);
        dlclose(self);
      }
    } else {
      symbol = dlsym(module->dl, procName);
    }
  }
  if (!symbol) {
    SetLastError(ERROR_PROC_NOT_FOUND);
    return nullptr;
  }
  return reinterpret_cast<FARPROC>(symbol);
}

HMODULE GetModuleHandle(LPCWSTR name) {
  if (!name) return MainModule();
  std::string wanted = Stem(plat::ToUtf8(name));
  size_t slash = wanted.find_last_of("/\\");
  if (slash != std::string::npos) wanted = Stem(wanted.substr(slash + 1));
  std::lock_guard<std::recursive_mutex> guard(g_modulesLock);
  for (PlatModule* m : Modules())
    if (SameNoCase(Stem(BaseName(m->host)), wanted)) return m;
  if (SameNoCase(Stem(BaseName(MainModule()->host)), wanted)) return MainModule();
  // A library loaded together with the program.
  struct Search {
    std::string wanted;
    std::string found;
  } search{wanted, {}};
  dl_iterate_phdr(
      [](dl_phdr_info* info, size_t, void* data) -> int {
        auto* s = static_cast<Search*>(data);
        if (info->dlpi_name && *info->dlpi_name && SameNoCase(Stem(BaseName(info->dlpi_name)), s->wanted)) {
          s->found = info->dlpi_name;
          return 1;
        }
        return 0;
      },
      &search);
  if (search.found.empty()) {
    SetLastError(ERROR_MOD_NOT_FOUND);
    return nullptr;
  }
  void* dl = dlopen(search.found.c_str(), RTLD_NOW | RTLD_NOLOAD);
  if (!dl) {
    SetLastError(ERROR_MOD_NOT_FOUND);
    return nullptr;
  }
  auto* module = new PlatModule;
  module->linkMap = LinkMapOf(dl);
  module->host = search.found;
  module->linked = true;
  dlclose(dl);
  Modules().push_back(module);
  return module;
}

DWORD GetModuleFileName(HMODULE module, LPWSTR fileName, DWORD size) {
  std::string host;
  {
    std::lock_guard<std::recursive_mutex> guard(g_modulesLock);
    if (module && !IsModule(module)) {
      SetLastError(ERROR_INVALID_HANDLE);
      return 0;
    }
    host = (module ? module : MainModule())->host;
  }
  std::u16string device = plat::kernel::DevicePathOf(host);
  if (device.empty()) device = u"\\Program Files\\Quorvan\\Bin\\" + plat::FromUtf8(BaseName(host));
  if (!fileName || size == 0) {
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return 0;
  }
  if (device.size() + 1 > size) {
    std::copy(device.begin(), device.begin() + (size - 1), fileName);
    fileName[size - 1] = 0;
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return size;
  }
  std::copy(device.begin(), device.end(), fileName);
  fileName[device.size()] = 0;
  SetLastError(ERROR_SUCCESS);
  return static_cast<DWORD>(device.size());
}

namespace plat::res {

void Register(const void* anchor, int kind, int id, const void* data, size_t size) {
  Dl_info info;
  link_map* map = nullptr;
  if (!dladdr1(anchor, &info, reinterpret_cast<void**>(&map), RTLD_DL_LINKMAP) || !map) return;
  std::lock_guard<std::mutex> guard(g_resourcesLock);
  Resources()[map][{kind, id}] = ResourceEntry{data, size};
}

const void* Find(HMODULE module, int kind, int id, size_t* sizeOut) {
  const void* linkMap;
  {
    std::lock_guard<std::recursive_mutex> guard(g_modulesLock);
    if (module && !IsModule(module)) return nullptr;
    linkMap = (module ? module : MainModule())->linkMap;
  }
  std::lock_guard<std::mutex> guard(g_resourcesLock);
  auto& resources = Resources();
  auto owner = resources.find(linkMap);
  if (owner == resources.end()) return nullptr;
  auto it = owner->second.find({kind, id});
  if (it == owner->second.end()) return nullptr;
  if (sizeOut) *sizeOut = it->second.size;
  return it->second.data;
}

HMODULE Current() {
  HMODULE current = g_currentResources.load();
  return current ? current : MainModule();
}

void SetCurrent(HMODULE module) { g_currentResources = module == MainModule() ? nullptr : module; }

}  // namespace plat::res
