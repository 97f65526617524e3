// File mappings. A named mapping backed by memory is a file under <root>/.run/shm mapped shared
// by every process of the device root. Each holder keeps a shared lock on that file; a creator
// that can take the lock exclusively knows nobody holds the mapping and starts it from zeros.
#include <fcntl.h>
#include <sys/file.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <map>

#include "kernel/internal.h"

namespace plat::kernel {
int FileDescriptorOf(HANDLE handle);

namespace {

class MappingObject : public Object {
 public:
  MappingObject(int fd, uint64_t size, bool writable) : Object(Type::Mapping), fd(fd), size(size), writable(writable) {}
  ~MappingObject() override { ::close(fd); }  // also gives up the holder's lock
  int fd;
  uint64_t size;
  bool writable;
};

struct View {
  size_t length;
  std::shared_ptr<MappingObject> mapping;  // a view keeps its mapping alive after CloseHandle
};

std::mutex g_viewsLock;
std::map<uintptr_t, View>& Views() {
  static auto* views = new std::map<uintptr_t, View>;
  return *views;
}

std::string ShmFolder() {
  std::string dir = DeviceRoot() + "/.run";
  mkdir(dir.c_str(), 0755);
  dir += "/shm";
  mkdir(dir.c_str(), 0755);
  return dir;
}

// Object names are case-sensitive; anything beyond letters, digits, '_' and '-' is spelled out.
std::string FileNameOf(std::u16string_view name) {
  static const char hex[] = "0123456789ABCDEF";
  std::string out = "m_";
  for (char16_t c : name) {
    if ((c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9') || c == u'_' || c == u'-') {
      out += static_cast<char>(c);
    } else {
      out += '%';
      for (int shift = 12; shift >= 0; shift -= 4) out += hex[(c >> shift) & 0xF];
    }
  }
  return out;
}

// Serialises creating and opening named mappings among the processes of the root.
class FolderLock {
 public:
  explicit FolderLock(const std::string& dir) {
    fd_ = ::open((dir + "/.lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    if (fd_ >= 0)
      while (flock(fd_, LOCK_EX) != 0 && errno == EINTR) {
      }
  }
  ~FolderLock() {
    if (fd_ >= 0) ::close(fd_);
  }
  bool ok() const { return fd_ >= 0; }

 private:
  int fd_;
};

// Opens the named mapping file and becomes one of its holders. `fresh` tells whether nobody held it.
int HoldNamed(const std::string& path, bool create, bool& fresh) {
  int fd = ::open(path.c_str(), O_RDWR | O_CLOEXEC | (create ? O_CREAT : 0), 0600);
  if (fd < 0) return -1;
  fresh = flock(fd, LOCK_EX | LOCK_NB) == 0;
  // No creator holds the exclusive lock outside the folder lock, so this does not block.
  flock(fd, LOCK_SH);
  return fd;
}

}  // namespace
}  // namespace plat::kernel

using namespace plat::kernel;

HANDLE CreateFileMapping(HANDLE file, LPSECURITY_ATTRIBUTES /*security*/, DWORD protect, DWORD maximumSizeHigh,
                         DWORD maximumSizeLow, LPCWSTR name) {
  uint64_t size = (static_cast<uint64_t>(maximumSizeHigh) << 32) | maximumSizeLow;
  bool writable = (protect & (PAGE_READWRITE | PAGE_WRITECOPY)) != 0;
  if (file != INVALID_HANDLE_VALUE) {
    int source = FileDescriptorOf(file);
    if (source < 0) return nullptr;
    int fd = fcntl(source, F_DUPFD_CLOEXEC, 0);
    struct stat st;
    if (fd < 0 || fstat(fd, &st) != 0) {
      if (fd >= 0) ::close(fd);
      SetLastError(ERROR_INVALID_HANDLE);
      return nullptr;
    }
    if (size == 0) size = static_cast<uint64_t>(st.st_size);
    if (size == 0) {
      ::close(fd);
      SetLastError(ERROR_FILE_INVALID);
      return nullptr;
    }
    if (size > static_cast<uint64_t>(st.st_size) && (!writable || ftruncate(fd, static_cast<off_t>(size)) != 0)) {
      ::close(fd);
      SetLastError(ERROR_ACCESS_DENIED);
      return nullptr;
    }
    SetLastError(ERROR_SUCCESS);
    return AddHandle(std::make_shared<MappingObject>(fd, size, writable));
  }
  if (size == 0) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  if (!name || !*name) {
    int fd = memfd_create("larkspin-mapping", MFD_CLOEXEC);
    if (fd < 0 || ftruncate(fd, static_cast<off_t>(size)) != 0) {
      if (fd >= 0) ::close(fd);
      SetLastError(ERROR_NOT_ENOUGH_MEMORY);
      return nullptr;
    }
    SetLastError(ERROR_SUCCESS);
    return AddHandle(std::make_shared<MappingObject>(fd, size, writable));
  }
  std::string dir = ShmFolder();
  FolderLock folder(dir);
  bool fresh = false;
  int fd = folder.ok() ? HoldNamed(dir + "/" + FileNameOf(name), true, fresh) : -1;
  if (fd < 0) {
    SetLastError(ERROR_ACCESS_DENIED);
    return nullptr;
  }
  struct stat st;
  bool ok = fstat(fd, &st) == 0;
  if (ok && fresh) {
    // Left over from holders that have all gone: a new mapping starts from zeros.
    ok = ftruncate(fd, 0) == 0 && ftruncate(fd, static_cast<off_t>(size)) == 0;
  } else if (ok && static_cast<uint64_t>(st.st_size) < size) {
    ok = ftruncate(fd, static_cast<off_t>(size)) == 0;
  }
  if (!ok) {
    ::close(fd);
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
  }
  HANDLE handle = AddHandle(std::make_shared<MappingObject>(fd, size, writable));
  SetLastError(fresh ? ERROR_SUCCESS : ERROR_ALREADY_EXISTS);
  return handle;
}

HANDLE OpenFileMapping(DWORD access, BOOL /*inherit*/, LPCWSTR name) {
  if (!name || !*name) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  std::string dir = ShmFolder();
  FolderLock folder(dir);
  bool fresh = false;
  int fd = folder.ok() ? HoldNamed(dir + "/" + FileNameOf(name), false, fresh) : -1;
  if (fd >= 0 && fresh) {  // a file nobody holds is not a mapping any more
    ::close(fd);
    fd = -1;
  }
  struct stat st;
  if (fd < 0 || fstat(fd, &st) != 0) {
    if (fd >= 0) ::close(fd);
    SetLastError(ERROR_FILE_NOT_FOUND);
    return nullptr;
  }
  bool writable = (access & FILE_MAP_WRITE) != 0;
  SetLastError(ERROR_SUCCESS);
  return AddHandle(std::make_shared<MappingObject>(fd, static_cast<uint64_t>(st.st_size), writable));
}

LPVOID MapViewOfFile(HANDLE mappingHandle, DWORD access, DWORD offsetHigh, DWORD offsetLow, SIZE_T bytes) {
  auto mapping = FindHandleAs<MappingObject>(mappingHandle, Object::Type::Mapping);
  if (!mapping) return nullptr;
  uint64_t offset = (static_cast<uint64_t>(offsetHigh) << 32) | offsetLow;
  struct stat st;
  uint64_t size = fstat(mapping->fd, &st) == 0 ? static_cast<uint64_t>(st.st_size) : mapping->size;
  if (offset % static_cast<uint64_t>(sysconf(_SC_PAGESIZE)) != 0) {
    SetLastError(ERROR_MAPPED_ALIGNMENT);
    return nullptr;
  }
  if (offset >= size || (bytes && bytes > size - offset)) {
    SetLastError(ERROR_ACCESS_DENIED);
    return nullptr;
  }
  size_t length = bytes ? bytes : static_cast<size_t>(size - offset);
  bool wantWrite = (access & FILE_MAP_WRITE) != 0;
  if (wantWrite && !mapping->writable) {
    SetLastError(ERROR_ACCESS_DENIED);
    return nullptr;
  }
  int prot = PROT_READ | (wantWrite || access == FILE_MAP_COPY ? PROT_WRITE : 0);
  int flags = access == FILE_MAP_COPY ? MAP_PRIVATE : MAP_SHARED;
  void* view = mmap(nullptr, length, prot, flags, mapping->fd, static_cast<off_t>(offset));
  if (view == MAP_FAILED) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
  }
  std::lock_guard<std::mutex> guard(g_viewsLock);
  Views()[reinterpret_cast<uintptr_t>(view)] = View{length, mapping};
  return view;
}

BOOL UnmapViewOfFile(LPCVOID view) {
  View found;
  {
    std::lock_guard<std::mutex> guard(g_viewsLock);
    auto it = Views().find(reinterpret_cast<uintptr_t>(view));
    if (it == Views().end()) {
      SetLastError(ERROR_INVALID_ADDRESS);
      return FALSE;
    }
    found = std::move(it->second);
    Views().erase(it);
  }
  munmap(const_cast<void*>(view), found.length);
  return TRUE;
}

BOOL FlushViewOfFile(LPCVOID view, SIZE_T bytes) {
  std::lock_guard<std::mutex> guard(g_viewsLock);
  auto it = Views().find(reinterpret_cast<uintptr_t>(view));
  if (it == Views().end()) {
    SetLastError(ERROR_INVALID_ADDRESS);
    return FALSE;
  }
  msync(const_cast<void*>(view), bytes ? bytes : it->second.length, MS_SYNC);
  return TRUE;
}
