// A plug-in module for the kernel tests: exported functions, a private global and resources
// registered when the module loads, and a start that refuses a copy named "ZRRefuse.dll".
#include <string>

#include "plat/kernel.h"

namespace {
int g_calls = 0;  // each loaded copy of the module has its own
int g_starts = 0;
HMODULE g_startedAs = nullptr;
const char kDialog[] = "dialog template 129";
const char16_t kCaption[] = u"주문";
}  // namespace

PLAT_RESOURCE(plat::res::Dialog, 129, kDialog, sizeof kDialog);
PLAT_RESOURCE(plat::res::String, 1, kCaption, sizeof kCaption);

extern "C" __attribute__((visibility("default"))) int PluginCalls() { return ++g_calls; }

extern "C" __attribute__((visibility("default"))) const void* PluginOwnDialog() {
  // The module finds its own resources through its handle.
  return plat::res::Find(GetModuleHandle(u"ZRTest.dll"), plat::res::Dialog, 129);
}

extern "C" __attribute__((visibility("default"))) BOOL PlatModuleInit(HMODULE self) {
  ++g_starts;
  g_startedAs = self;
  WCHAR name[MAX_PATH] = {};
  GetModuleFileName(self, name, MAX_PATH);
  return std::u16string(name).find(u"ZRRefuse") == std::u16string::npos;
}

extern "C" __attribute__((visibility("default"))) int PluginStarts() { return g_starts; }
extern "C" __attribute__((visibility("default"))) HMODULE PluginStartedAs() { return g_startedAs; }
