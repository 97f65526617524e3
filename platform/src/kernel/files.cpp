// Files and folders on device paths.
#include <dirent.h>
#include <fcntl.h>
#include <fnmatch.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <vector>

#include "kernel/internal.h"

namespace plat::kernel {
namespace {

class FileObject : public Object {
 public:
  FileObject(int fd, bool canRead, bool canWrite, const struct stat& st)
      : Object(Type::File), fd(fd), canRead(canRead), canWrite(canWrite), device(st.st_dev), inode(st.st_ino) {}
  ~FileObject() override { ::close(fd); }
  int fd;
  bool canRead;
  bool canWrite;
  dev_t device;  // the file opened (an open file keeps its identity)
  ino_t inode;
};

struct FoundEntry {
  std::string name;
  std::string hostPath;
};

class FindObject : public Object {
 public:
  FindObject() : Object(Type::Find) {}
  std::vector<FoundEntry> entries;
  size_t next = 0;
};

std::shared_ptr<FileObject> FileOf(HANDLE handle) { return FindHandleAs<FileObject>(handle, Object::Type::File); }

bool Exists(const std::string& host, struct stat* st = nullptr) {
  struct stat local;
  return stat(host.c_str(), st ? st : &local) == 0;
}

FILETIME ToFileTime(const struct timespec& ts) {
  // 100-nanosecond steps since 1601-01-01.
  uint64_t v =
      (static_cast<uint64_t>(ts.tv_sec) + 11644473600ull) * 10000000ull + static_cast<uint64_t>(ts.tv_nsec) / 100;
  return FILETIME{static_cast<DWORD>(v), static_cast<DWORD>(v >> 32)};
}

DWORD AttributesOf(const std::string& name, const struct stat& st) {
  DWORD attributes = 0;
  if (S_ISDIR(st.st_mode)) attributes |= FILE_ATTRIBUTE_DIRECTORY;
  if (!(st.st_mode & S_IWUSR)) attributes |= FILE_ATTRIBUTE_READONLY;
  if (!name.empty() && name[0] == '.') attributes |= FILE_ATTRIBUTE_HIDDEN;
  return attributes ? attributes : FILE_ATTRIBUTE_NORMAL;
}

bool FillFindData(const FoundEntry& entry, LPWIN32_FIND_DATA data) {
  struct stat st;
  if (stat(entry.hostPath.c_str(), &st) != 0) return false;
  std::memset(data, 0, sizeof(*data));
  data->dwFileAttributes = AttributesOf(entry.name, st);
  data->ftCreationTime = ToFileTime(st.st_mtim);
  data->ftLastAccessTime = ToFileTime(st.st_atim);
  data->ftLastWriteTime = ToFileTime(st.st_mtim);
  data->nFileSizeHigh = static_cast<DWORD>(static_cast<uint64_t>(st.st_size) >> 32);
  data->nFileSizeLow = static_cast<DWORD>(st.st_size);
  std::u16string name = FromUtf8(entry.name);
  size_t n = std::min(name.size(), static_cast<size_t>(MAX_PATH - 1));
  std::copy(name.begin(), name.begin() + static_cast<std::ptrdiff_t>(n), data->cFileName);
  data->cFileName[n] = 0;
  return true;
}

std::string TempNameBeside(const std::string& host) {
  static std::atomic<unsigned> counter{0};
  size_t slash = host.rfind('/');
  return host.substr(0, slash + 1) + ".copy." + std::to_string(getpid()) + "." + std::to_string(counter++) + ".tmp";
}

}  // namespace
}  // namespace plat::kernel

using namespace plat::kernel;

HANDLE CreateFile(LPCWSTR name, DWORD access, DWORD /*share*/, LPSECURITY_ATTRIBUTES /*security*/, DWORD disposition,
                  DWORD /*flagsAndAttributes*/, HANDLE /*templateFile*/) {
  if (IsSerialDeviceName(name)) return OpenSerialDevice(name, disposition);
  std::string host;
  if (!DevicePathArg(name, host)) return INVALID_HANDLE_VALUE;
  bool canRead = (access & (GENERIC_READ | GENERIC_ALL)) != 0;
  bool canWrite = (access & (GENERIC_WRITE | GENERIC_ALL)) != 0;
  int flags = O_CLOEXEC | (canRead && canWrite ? O_RDWR : canWrite ? O_WRONLY : O_RDONLY);
  bool existed = false;
  int fd = -1;
  switch (disposition) {
    case CREATE_NEW:
      fd = ::open(host.c_str(), flags | O_CREAT | O_EXCL, 0644);
      if (fd < 0 && errno == EEXIST) {
        SetLastError(ERROR_FILE_EXISTS);
        return INVALID_HANDLE_VALUE;
      }
      break;
    case CREATE_ALWAYS:
    case OPEN_ALWAYS:
      // Try to create first so that "existed" is decided by the file system, not by a race.
      fd = ::open(host.c_str(), flags | O_CREAT | O_EXCL, 0644);
      if (fd < 0 && errno == EEXIST) {
        existed = true;
        fd = ::open(host.c_str(), flags | (disposition == CREATE_ALWAYS ? O_TRUNC : 0));
      }
      break;
    case OPEN_EXISTING: fd = ::open(host.c_str(), flags); break;
    case TRUNCATE_EXISTING:
      if (!canWrite) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return INVALID_HANDLE_VALUE;
      }
      fd = ::open(host.c_str(), flags | O_TRUNC);
      break;
    default: SetLastError(ERROR_INVALID_PARAMETER); return INVALID_HANDLE_VALUE;
  }
  if (fd < 0) {
    SetLastError(FileError(errno, host));
    return INVALID_HANDLE_VALUE;
  }
  struct stat st;
  if (fstat(fd, &st) != 0 || S_ISDIR(st.st_mode)) {
    ::close(fd);
    SetLastError(ERROR_ACCESS_DENIED);
    return INVALID_HANDLE_VALUE;
  }
  HANDLE handle = AddHandle(std::make_shared<FileObject>(fd, canRead, canWrite, st));
  SetLastError(existed ? ERROR_ALREADY_EXISTS : ERROR_SUCCESS);
  return handle;
}

BOOL ReadFile(HANDLE file, LPVOID buffer, DWORD toRead, LPDWORD read, LPOVERLAPPED overlapped) {
  if (read) *read = 0;
  std::shared_ptr<Object> object = FindHandle(file);
  if (!object) return FALSE;
  if (overlapped || (!buffer && toRead)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  if (object->type() == Object::Type::Serial) {
    DWORD n = 0;
    SerialRead(*object, buffer, toRead, n);
    if (read) *read = n;
    return TRUE;
  }
  auto f = FileOf(file);
  if (!f) return FALSE;
  if (!f->canRead) {
    SetLastError(ERROR_ACCESS_DENIED);
    return FALSE;
  }
  DWORD done = 0;
  while (done < toRead) {
    ssize_t n = ::read(f->fd, static_cast<char*>(buffer) + done, toRead - done);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      if (read) *read = done;
      SetLastError(ERROR_READ_FAULT);
      return FALSE;
    }
    if (n == 0) break;  // end of file: success with fewer bytes
    done += static_cast<DWORD>(n);
  }
  if (read) *read = done;
  return TRUE;
}

BOOL WriteFile(HANDLE file, LPCVOID buffer, DWORD toWrite, LPDWORD written, LPOVERLAPPED overlapped) {
  if (written) *written = 0;
  std::shared_ptr<Object> object = FindHandle(file);
  if (!object) return FALSE;
  if (overlapped || (!buffer && toWrite)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  if (object->type() == Object::Type::Serial) {
    SerialWrite(*object, buffer, toWrite);
    if (written) *written = toWrite;
    return TRUE;
  }
  auto f = FileOf(file);
  if (!f) return FALSE;
  if (!f->canWrite) {
    SetLastError(ERROR_ACCESS_DENIED);
    return FALSE;
  }
  DWORD done = 0;
  while (done < toWrite) {
    ssize_t n = ::write(f->fd, static_cast<const char*>(buffer) + done, toWrite - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      if (written) *written = done;
      SetLastError(errno == ENOSPC ? ERROR_DISK_FULL : ERROR_WRITE_FAULT);
      return FALSE;
    }
    done += static_cast<DWORD>(n);
  }
  if (written) *written = done;
  return TRUE;
}

DWORD SetFilePointer(HANDLE file, LONG distance, PLONG distanceHigh, DWORD method) {
  auto f = FileOf(file);
  if (!f) return INVALID_SET_FILE_POINTER;
  int whence = method == FILE_BEGIN ? SEEK_SET : method == FILE_CURRENT ? SEEK_CUR : method == FILE_END ? SEEK_END : -1;
  if (whence < 0) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return INVALID_SET_FILE_POINTER;
  }
  int64_t offset = distanceHigh
                       ? static_cast<int64_t>((static_cast<uint64_t>(static_cast<uint32_t>(*distanceHigh)) << 32) |
                                              static_cast<uint32_t>(distance))
                       : static_cast<int64_t>(distance);
  off_t result = lseek(f->fd, offset, whence);
  if (result < 0) {
    SetLastError(errno == EINVAL ? ERROR_NEGATIVE_SEEK : ERROR_INVALID_PARAMETER);
    return INVALID_SET_FILE_POINTER;
  }
  if (distanceHigh) *distanceHigh = static_cast<LONG>(static_cast<uint64_t>(result) >> 32);
  SetLastError(ERROR_SUCCESS);
  return static_cast<DWORD>(result);
}

DWORD GetFileSize(HANDLE file, LPDWORD sizeHigh) {
  auto f = FileOf(file);
  if (!f) return INVALID_FILE_SIZE;
  struct stat st;
  if (fstat(f->fd, &st) != 0) {
    SetLastError(ERROR_INVALID_HANDLE);
    return INVALID_FILE_SIZE;
  }
  if (sizeHigh) *sizeHigh = static_cast<DWORD>(static_cast<uint64_t>(st.st_size) >> 32);
  SetLastError(ERROR_SUCCESS);
  return static_cast<DWORD>(st.st_size);
}

BOOL SetEndOfFile(HANDLE file) {
  auto f = FileOf(file);
  if (!f) return FALSE;
  off_t position = lseek(f->fd, 0, SEEK_CUR);
  if (!f->canWrite || position < 0 || ftruncate(f->fd, position) != 0) {
    SetLastError(ERROR_ACCESS_DENIED);
    return FALSE;
  }
  return TRUE;
}

BOOL FlushFileBuffers(HANDLE file) {
  auto f = FileOf(file);
  if (!f) return FALSE;
  if (fsync(f->fd) != 0 && errno != EINVAL) {
    SetLastError(ERROR_WRITE_FAULT);
    return FALSE;
  }
  return TRUE;
}

BOOL DeleteFile(LPCWSTR name) {
  std::string host;
  if (!DevicePathArg(name, host)) return FALSE;
  struct stat st;
  if (lstat(host.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) {
    SetLastError(ERROR_ACCESS_DENIED);
    return FALSE;
  }
  if (unlink(host.c_str()) != 0) {
    SetLastError(FileError(errno, host));
    return FALSE;
  }
  return TRUE;
}

BOOL MoveFile(LPCWSTR existing, LPCWSTR destination) {
  std::string from, to;
  if (!DevicePathArg(existing, from) || !DevicePathArg(destination, to)) return FALSE;
  if (!Exists(from)) {
    SetLastError(FileError(ENOENT, from));
    return FALSE;
  }
  if (from == to) {
    // The same file under another spelling: only the case of the last name changes.
    std::u16string_view dest(destination);
    size_t cut = dest.find_last_of(u"/\\");
    std::string leaf = plat::ToUtf8(cut == std::u16string_view::npos ? dest : dest.substr(cut + 1));
    std::string renamed = to.substr(0, to.rfind('/') + 1) + leaf;
    if (renamed == from) return TRUE;
    if (rename(from.c_str(), renamed.c_str()) != 0) {
      SetLastError(FileError(errno, renamed));
      return FALSE;
    }
    return TRUE;
  }
  // Never replaces: the rename fails when the destination exists, decided atomically.
  if (renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) != 0) {
    int err = errno;
    SetLastError(err == EEXIST ? ERROR_ALREADY_EXISTS : FileError(err, to));
    return FALSE;
  }
  return TRUE;
}

BOOL CopyFile(LPCWSTR existing, LPCWSTR destination, BOOL failIfExists) {
  std::string from, to;
  if (!DevicePathArg(existing, from) || !DevicePathArg(destination, to)) return FALSE;
  int in = ::open(from.c_str(), O_RDONLY | O_CLOEXEC);
  if (in < 0) {
    SetLastError(FileError(errno, from));
    return FALSE;
  }
  struct stat st;
  if (fstat(in, &st) != 0 || S_ISDIR(st.st_mode)) {
    ::close(in);
    SetLastError(ERROR_ACCESS_DENIED);
    return FALSE;
  }
  if (failIfExists && Exists(to)) {
    ::close(in);
    SetLastError(ERROR_FILE_EXISTS);
    return FALSE;
  }
  std::string temp = TempNameBeside(to);
  int out = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, st.st_mode & 0777);
  if (out < 0) {
    int err = errno;
    ::close(in);
    SetLastError(FileError(err, to));
    return FALSE;
  }
  char buffer[64 * 1024];
  bool ok = true;
  for (;;) {
    ssize_t n = ::read(in, buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      ok = false;
      break;
    }
    if (n == 0) break;
    for (ssize_t done = 0; done < n;) {
      ssize_t w = ::write(out, buffer + done, static_cast<size_t>(n - done));
      if (w < 0 && errno == EINTR) continue;
      if (w <= 0) {
        ok = false;
        break;
      }
      done += w;
    }
    if (!ok) break;
  }
  ::close(in);
  if (::close(out) != 0) ok = false;
  if (!ok) {
    unlink(temp.c_str());
    SetLastError(ERROR_WRITE_FAULT);
    return FALSE;
  }
  // The complete copy takes the destination's name in one step.
  int rc = failIfExists ? renameat2(AT_FDCWD, temp.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE)
                        : rename(temp.c_str(), to.c_str());
  if (rc != 0) {
    int err = errno;
    unlink(temp.c_str());
    SetLastError(err == EEXIST ? ERROR_FILE_EXISTS : FileError(err, to));
    return FALSE;
  }
  return TRUE;
}

BOOL CreateDirectory(LPCWSTR path, LPSECURITY_ATTRIBUTES /*security*/) {
  std::string host;
  if (!DevicePathArg(path, host)) return FALSE;
  if (mkdir(host.c_str(), 0755) != 0) {
    SetLastError(errno == ENOENT ? ERROR_PATH_NOT_FOUND : FileError(errno, host));
    return FALSE;
  }
  return TRUE;
}

BOOL RemoveDirectory(LPCWSTR path) {
  std::string host;
  if (!DevicePathArg(path, host)) return FALSE;
  if (host == plat::DeviceRoot()) {
    SetLastError(ERROR_ACCESS_DENIED);
    return FALSE;
  }
  if (rmdir(host.c_str()) != 0) {
    SetLastError(errno == ENOTDIR ? ERROR_DIRECTORY : FileError(errno, host));
    return FALSE;
  }
  return TRUE;
}

DWORD GetFileAttributes(LPCWSTR path) {
  std::string host;
  if (!DevicePathArg(path, host)) return INVALID_FILE_ATTRIBUTES;
  struct stat st;
  if (stat(host.c_str(), &st) != 0) {
    SetLastError(FileError(errno, host));
    return INVALID_FILE_ATTRIBUTES;
  }
  size_t slash = host.rfind('/');
  return AttributesOf(host.substr(slash + 1), st);
}

HANDLE FindFirstFile(LPCWSTR pattern, LPWIN32_FIND_DATA data) {
  if (!pattern || !data) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return INVALID_HANDLE_VALUE;
  }
  std::u16string_view text(pattern);
  size_t cut = text.find_last_of(u"/\\");
  std::u16string folder = cut == std::u16string_view::npos ? u"\\" : std::u16string(text.substr(0, cut + 1));
  std::string mask = plat::ToUtf8(cut == std::u16string_view::npos ? text : text.substr(cut + 1));
  if (mask.empty() || mask == "*.*") mask = "*";
  std::string dir;
  if (!DevicePathArg(folder.c_str(), dir)) return INVALID_HANDLE_VALUE;
  DIR* d = opendir(dir.c_str());
  if (!d) {
    SetLastError(ERROR_PATH_NOT_FOUND);
    return INVALID_HANDLE_VALUE;
  }
  auto find = std::make_shared<FindObject>();
  while (dirent* e = readdir(d)) {
    std::string name = e->d_name;
    if (name == "." || name == "..") continue;
    if (fnmatch(mask.c_str(), name.c_str(), FNM_CASEFOLD | FNM_NOESCAPE) != 0) continue;
    find->entries.push_back({name, dir + "/" + name});
  }
  closedir(d);
  std::sort(find->entries.begin(), find->entries.end(),
            [](const FoundEntry& a, const FoundEntry& b) { return a.name < b.name; });
  while (find->next < find->entries.size()) {
    if (FillFindData(find->entries[find->next++], data)) {
      HANDLE handle = AddHandle(find);
      SetLastError(ERROR_SUCCESS);
      return handle;
    }
  }
  SetLastError(ERROR_FILE_NOT_FOUND);
  return INVALID_HANDLE_VALUE;
}

BOOL FindNextFile(HANDLE findHandle, LPWIN32_FIND_DATA data) {
  auto find = FindHandleAs<FindObject>(findHandle, Object::Type::Find);
  if (!find) return FALSE;
  if (!data) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  while (find->next < find->entries.size()) {
    if (FillFindData(find->entries[find->next++], data)) return TRUE;
  }
  SetLastError(ERROR_NO_MORE_FILES);
  return FALSE;
}

BOOL FindClose(HANDLE findHandle) {
  if (!FindHandleAs<FindObject>(findHandle, Object::Type::Find)) return FALSE;
  return CloseHandle(findHandle);
}

namespace plat {
bool FileStillNamed(HANDLE file, const char* hostPath, int64_t* sizeOut) {
  if (!hostPath || !kernel::InsideDeviceRoot(hostPath)) return false;
  auto f = kernel::FileOf(file);
  struct stat st;
  if (!f || stat(hostPath, &st) != 0 || st.st_dev != f->device || st.st_ino != f->inode) return false;
  if (sizeOut) *sizeOut = static_cast<int64_t>(st.st_size);
  return true;
}
}  // namespace plat

namespace plat::kernel {
// File descriptor of a file handle (used by file-backed mappings); -1 when not a file.
int FileDescriptorOf(HANDLE handle) {
  auto f = FileOf(handle);
  return f ? f->fd : -1;
}
}  // namespace plat::kernel
