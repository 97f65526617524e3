#include "scratch.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <string_view>

#include "plat/kernel.h"

namespace fuzz {

const char* ScratchRoot() {
  static const std::string& root = *new std::string([] {
    char pattern[] = "/tmp/larkspin-fuzz.XXXXXX";
    if (!mkdtemp(pattern)) std::abort();
    std::string r = pattern;
    plat::SetDeviceRoot(r);
    setenv("LARKSPIN_ROOT", r.c_str(), 1);
    std::atexit([] {
      std::error_code ignored;
      std::filesystem::remove_all(ScratchRoot(), ignored);
    });
    return r;
  }());  // kept until the very end: the exit handler still needs it
  return root.c_str();
}

void PutDeviceFile(const char* devicePath, const uint8_t* data, size_t size) {
  ScratchRoot();
  std::string host;
  if (!plat::HostPath(std::string_view(devicePath), host)) std::abort();
  std::filesystem::create_directories(std::filesystem::path(host).parent_path());
  FILE* f = std::fopen(host.c_str(), "wb");
  if (!f) std::abort();
  if (size && std::fwrite(data, 1, size, f) != size) std::abort();
  std::fclose(f);
}

}  // namespace fuzz
