// The device root and the mapping of device paths onto host paths.
#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <vector>

#include "kernel/internal.h"

namespace plat {
namespace {

// Never destroyed: exit handlers of other parts of the layer (the automation endpoint, the event
// log) still ask for the device root after static destructors have started to run.
std::mutex& g_rootLock = *new std::mutex;
std::string& g_root = *new std::string;  // empty until first asked
bool g_rootMade = false;

bool MakeDirectories(const std::string& path) {
  std::string partial;
  size_t pos = 0;
  while (pos <= path.size()) {
    size_t next = path.find('/', pos);
    if (next == std::string::npos) next = path.size();
    partial = path.substr(0, next);
    if (!partial.empty()) {
      if (mkdir(partial.c_str(), 0755) != 0 && errno != EEXIST) return false;
    }
    pos = next + 1;
  }
  return true;
}

std::string TrimSlashes(std::string dir) {
  while (dir.size() > 1 && dir.back() == '/') dir.pop_back();
  return dir;
}

std::string DefaultRoot() {
  const char* env = std::getenv("LARKSPIN_ROOT");
  if (env && *env) return TrimSlashes(env);
  const char* data = std::getenv("XDG_DATA_HOME");
  if (data && *data) return TrimSlashes(data) + "/larkspin/device";
  const char* home = std::getenv("HOME");
  return std::string(home && *home ? home : "/tmp") + "/.local/share/larkspin/device";
}

// Finds the entry of `dir` whose name equals `name` regardless of case. An exact match wins;
// among several case variants the smallest name is taken so the choice does not depend on
// the order in which the host lists a folder.
bool MatchEntry(const std::string& dir, const std::string& name, std::string& found) {
  struct stat st;
  std::string exact = dir + "/" + name;
  if (lstat(exact.c_str(), &st) == 0) {
    found = name;
    return true;
  }
  DIR* d = opendir(dir.c_str());
  if (!d) return false;
  bool any = false;
  while (dirent* e = readdir(d)) {
    std::string_view entry(e->d_name);
    if (kernel::SameNoCase(entry, name) && (!any || entry < std::string_view(found))) {
      found.assign(entry);
      any = true;
    }
  }
  closedir(d);
  return any;
}

}  // namespace

std::string DeviceRoot() {
  std::lock_guard<std::mutex> guard(g_rootLock);
  if (g_root.empty()) g_root = DefaultRoot();
  if (!g_rootMade) g_rootMade = MakeDirectories(g_root);
  return g_root;
}

void SetDeviceRoot(const std::string& hostDir) {
  std::lock_guard<std::mutex> guard(g_rootLock);
  g_root = TrimSlashes(hostDir);
  g_rootMade = MakeDirectories(g_root);
}

bool HostPath(std::string_view devicePath, std::string& hostOut) {
  if (devicePath.empty() || devicePath.find('\0') != std::string_view::npos) return false;
  std::vector<std::string_view> parts;
  size_t pos = 0;
  while (pos <= devicePath.size()) {
    size_t next = devicePath.find_first_of("/\\", pos);
    if (next == std::string_view::npos) next = devicePath.size();
    std::string_view part = devicePath.substr(pos, next - pos);
    if (!part.empty() && part != ".") {
      if (part == "..") return false;
      parts.push_back(part);
    }
    pos = next + 1;
  }
  // A drive letter ("C:") would be a host path of another system: refused.
  if (!parts.empty() && parts[0].size() == 2 && parts[0][1] == ':') return false;
  std::string host = DeviceRoot();
  bool exists = true;
  std::string found;
  for (std::string_view part : parts) {
    std::string name(part);
    if (exists && MatchEntry(host, name, found)) {
      name = found;
    } else {
      exists = false;
    }
    host += "/";
    host += name;
  }
  hostOut = std::move(host);
  return true;
}

bool HostPath(std::u16string_view devicePath, std::string& hostOut) {
  return HostPath(std::string_view(ToUtf8(devicePath)), hostOut);
}

FILE* OpenDeviceFile(const char* devicePath, const char* mode) {
  std::string host;
  if (!devicePath || !mode || !HostPath(std::string_view(devicePath), host)) {
    errno = EACCES;
    return nullptr;
  }
  std::string hostMode;
  for (const char* m = mode; *m; ++m) {
    if (std::string_view("rwa+bx").find(*m) != std::string_view::npos) hostMode += *m;
  }
  hostMode += 'e';  // children started later must not inherit the stream
  return std::fopen(host.c_str(), hostMode.c_str());
}

std::string ToUtf8(std::u16string_view text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    uint32_t c = text[i];
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
      c = 0x10000 + ((c - 0xD800) << 10) + (text[i + 1] - 0xDC00);
      ++i;
    } else if (c >= 0xD800 && c <= 0xDFFF) {
      c = 0xFFFD;
    }
    if (c < 0x80) {
      out += static_cast<char>(c);
    } else if (c < 0x800) {
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

std::u16string FromUtf8(std::string_view text) {
  std::u16string out;
  int n = MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  if (n <= 0) return out;
  out.resize(static_cast<size_t>(n));
  MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), n);
  return out;
}

namespace kernel {

DWORD FileError(int err, const std::string& hostPath) {
  switch (err) {
    case ENOENT: {
      // A missing file in an existing folder, or a missing folder on the way.
      size_t slash = hostPath.rfind('/');
      struct stat st;
      if (slash != std::string::npos && stat(hostPath.substr(0, slash).c_str(), &st) == 0 && S_ISDIR(st.st_mode))
        return ERROR_FILE_NOT_FOUND;
      return ERROR_PATH_NOT_FOUND;
    }
    case ENOTDIR: return ERROR_PATH_NOT_FOUND;
    case EEXIST: return ERROR_ALREADY_EXISTS;
    case EACCES:
    case EPERM:
    case EISDIR:
    case EROFS: return ERROR_ACCESS_DENIED;
    case ENOTEMPTY: return ERROR_DIR_NOT_EMPTY;
    case ENOSPC: return ERROR_DISK_FULL;
    case EMFILE:
    case ENFILE: return ERROR_TOO_MANY_OPEN_FILES;
    case ENAMETOOLONG: return ERROR_FILENAME_EXCED_RANGE;
    case ENOMEM: return ERROR_NOT_ENOUGH_MEMORY;
    case EBADF: return ERROR_INVALID_HANDLE;
    case EINVAL: return ERROR_INVALID_PARAMETER;
    default: return ERROR_ACCESS_DENIED;
  }
}

bool DevicePathArg(LPCWSTR devicePath, std::string& hostOut) {
  if (!devicePath || !*devicePath) {
    SetLastError(ERROR_PATH_NOT_FOUND);
    return false;
  }
  if (!HostPath(std::u16string_view(devicePath), hostOut)) {
    SetLastError(ERROR_ACCESS_DENIED);
    return false;
  }
  return true;
}

bool InsideDeviceRoot(std::string_view hostPath) {
  std::lock_guard<std::mutex> guard(g_rootLock);
  return !g_root.empty() && hostPath.size() > g_root.size() && hostPath.compare(0, g_root.size(), g_root) == 0 &&
         hostPath[g_root.size()] == '/';
}

std::u16string DevicePathOf(const std::string& hostPath) {
  std::string root = DeviceRoot();
  if (hostPath.size() <= root.size() || hostPath.compare(0, root.size(), root) != 0 || hostPath[root.size()] != '/')
    return std::u16string();
  std::u16string device = FromUtf8(std::string_view(hostPath).substr(root.size()));
  std::replace(device.begin(), device.end(), u'/', u'\\');
  return device;
}

}  // namespace kernel
}  // namespace plat

FILE* _wfopen(const WCHAR* path, const WCHAR* mode) {
  if (!path || !mode) {
    errno = EINVAL;
    return nullptr;
  }
  std::string devicePath = plat::ToUtf8(path), hostMode = plat::ToUtf8(mode);
  return plat::OpenDeviceFile(devicePath.c_str(), hostMode.c_str());
}
