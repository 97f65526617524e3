// The kernel side of the handheld's programming interface, on Linux: files on device paths,
// text conversion for code page 949, the registry, time, threads and waits, processes, named
// shared memory, loadable modules, serial devices and WCHAR text functions. Strings are UTF-16 (WCHAR = char16_t);
// functions carry the handheld's names without an A/W suffix. docs/platform.md ("Kernel") lists the decisions.
#pragma once

#include <cstdio>
#include <string>
#include <string_view>

#include "plat/types.h"

// ---------------------------------------------------------------------------------------------
// Basic kernel types
// ---------------------------------------------------------------------------------------------
typedef size_t SIZE_T;
typedef HANDLE* LPHANDLE;
typedef const char* LPCCH;
typedef LONG* LPLONG;
typedef DWORD ACCESS_MASK;
typedef ACCESS_MASK REGSAM;
// Generic function pointer: converts to any function type without a cast warning.
typedef void (*FARPROC)();
typedef DWORD (*LPTHREAD_START_ROUTINE)(LPVOID parameter);

struct SECURITY_ATTRIBUTES {
  DWORD nLength;
  LPVOID lpSecurityDescriptor;
  BOOL bInheritHandle;
};
typedef SECURITY_ATTRIBUTES* LPSECURITY_ATTRIBUTES;

// Accepted for source compatibility; the platform's file calls are synchronous and expect null.
struct OVERLAPPED {
  uintptr_t Internal;
  uintptr_t InternalHigh;
  DWORD Offset;
  DWORD OffsetHigh;
  HANDLE hEvent;
};
typedef OVERLAPPED* LPOVERLAPPED;

typedef FILETIME* LPFILETIME;
typedef FILETIME* PFILETIME;

// ---------------------------------------------------------------------------------------------
// Error numbers (GetLastError, registry results)
// ---------------------------------------------------------------------------------------------
#define ERROR_SUCCESS 0L
#define NO_ERROR 0L
#define ERROR_INVALID_FUNCTION 1L
#define ERROR_FILE_NOT_FOUND 2L
#define ERROR_PATH_NOT_FOUND 3L
#define ERROR_TOO_MANY_OPEN_FILES 4L
#define ERROR_ACCESS_DENIED 5L
#define ERROR_INVALID_HANDLE 6L
#define ERROR_NOT_ENOUGH_MEMORY 8L
#define ERROR_BAD_FORMAT 11L
#define ERROR_INVALID_DATA 13L
#define ERROR_OUTOFMEMORY 14L
#define ERROR_NO_MORE_FILES 18L
#define ERROR_WRITE_FAULT 29L
#define ERROR_READ_FAULT 30L
#define ERROR_SHARING_VIOLATION 32L
#define ERROR_HANDLE_EOF 38L
#define ERROR_NOT_SUPPORTED 50L
#define ERROR_FILE_EXISTS 80L
#define ERROR_INVALID_PARAMETER 87L
#define ERROR_BROKEN_PIPE 109L
#define ERROR_DISK_FULL 112L
#define ERROR_CALL_NOT_IMPLEMENTED 120L
#define ERROR_INSUFFICIENT_BUFFER 122L
#define ERROR_INVALID_NAME 123L
#define ERROR_MOD_NOT_FOUND 126L
#define ERROR_PROC_NOT_FOUND 127L
#define ERROR_DIR_NOT_EMPTY 145L
#define ERROR_BAD_PATHNAME 161L
#define ERROR_ALREADY_EXISTS 183L
#define ERROR_ENVVAR_NOT_FOUND 203L
#define ERROR_DLL_INIT_FAILED 1114L
#define ERROR_FILENAME_EXCED_RANGE 206L
#define ERROR_MORE_DATA 234L
#define WAIT_TIMEOUT 258L
#define ERROR_NO_MORE_ITEMS 259L
#define ERROR_DIRECTORY 267L
#define ERROR_BAD_EXE_FORMAT 193L
#define ERROR_FILE_INVALID 1006L
#define ERROR_MAPPED_ALIGNMENT 1132L
#define ERROR_NEGATIVE_SEEK 131L
#define ERROR_INVALID_ADDRESS 487L
#define ERROR_NO_UNICODE_TRANSLATION 1113L
#define ERROR_BADDB 1009L
#define ERROR_BADKEY 1010L
#define ERROR_CANTOPEN 1011L
#define ERROR_CANTREAD 1012L
#define ERROR_CANTWRITE 1013L
#define ERROR_KEY_DELETED 1018L

DWORD GetLastError();
void SetLastError(DWORD error);

// ---------------------------------------------------------------------------------------------
// Handles
// ---------------------------------------------------------------------------------------------
// Every kernel object (file, find, thread, process, event, mapping) is reached through a handle
// number that is never reused in a process: a closed or made-up handle gives ERROR_INVALID_HANDLE.
BOOL CloseHandle(HANDLE object);

// ---------------------------------------------------------------------------------------------
// Files
// ---------------------------------------------------------------------------------------------
#define GENERIC_READ 0x80000000u
#define GENERIC_WRITE 0x40000000u
#define GENERIC_EXECUTE 0x20000000u
#define GENERIC_ALL 0x10000000u

#define FILE_SHARE_READ 0x00000001u
#define FILE_SHARE_WRITE 0x00000002u
#define FILE_SHARE_DELETE 0x00000004u

#define CREATE_NEW 1
#define CREATE_ALWAYS 2
#define OPEN_EXISTING 3
#define OPEN_ALWAYS 4
#define TRUNCATE_EXISTING 5

#define FILE_ATTRIBUTE_READONLY 0x00000001u
#define FILE_ATTRIBUTE_HIDDEN 0x00000002u
#define FILE_ATTRIBUTE_SYSTEM 0x00000004u
#define FILE_ATTRIBUTE_DIRECTORY 0x00000010u
#define FILE_ATTRIBUTE_ARCHIVE 0x00000020u
#define FILE_ATTRIBUTE_NORMAL 0x00000080u
#define FILE_ATTRIBUTE_TEMPORARY 0x00000100u
#define INVALID_FILE_ATTRIBUTES 0xFFFFFFFFu

#define FILE_FLAG_WRITE_THROUGH 0x80000000u
#define FILE_FLAG_RANDOM_ACCESS 0x10000000u
#define FILE_FLAG_SEQUENTIAL_SCAN 0x08000000u

#define FILE_BEGIN 0
#define FILE_CURRENT 1
#define FILE_END 2
#define INVALID_SET_FILE_POINTER 0xFFFFFFFFu
#define INVALID_FILE_SIZE 0xFFFFFFFFu

// CreateFile: `name` is a device path ("\Temp\OrderTxt.tmp", "/Program files/x", "vx_main.txt").
// Share flags, attributes, security and template are accepted and not enforced. Errors:
// CREATE_NEW on an existing file ERROR_FILE_EXISTS; a missing file ERROR_FILE_NOT_FOUND; a missing
// folder ERROR_PATH_NOT_FOUND; a path that leaves the device root ERROR_ACCESS_DENIED. CREATE_ALWAYS
// and OPEN_ALWAYS on an existing file succeed with ERROR_ALREADY_EXISTS.
HANDLE CreateFile(LPCWSTR name, DWORD access, DWORD share, LPSECURITY_ATTRIBUTES security, DWORD disposition,
                  DWORD flagsAndAttributes, HANDLE templateFile);
BOOL ReadFile(HANDLE file, LPVOID buffer, DWORD toRead, LPDWORD read, LPOVERLAPPED overlapped);
BOOL WriteFile(HANDLE file, LPCVOID buffer, DWORD toWrite, LPDWORD written, LPOVERLAPPED overlapped);
DWORD SetFilePointer(HANDLE file, LONG distance, PLONG distanceHigh, DWORD method);
DWORD GetFileSize(HANDLE file, LPDWORD sizeHigh);
BOOL SetEndOfFile(HANDLE file);
BOOL FlushFileBuffers(HANDLE file);

BOOL DeleteFile(LPCWSTR name);
// MoveFile fails with ERROR_ALREADY_EXISTS when the destination exists (it never replaces).
BOOL MoveFile(LPCWSTR existing, LPCWSTR destination);
// CopyFile writes a complete copy under a temporary name and renames it into place.
BOOL CopyFile(LPCWSTR existing, LPCWSTR destination, BOOL failIfExists);
BOOL CreateDirectory(LPCWSTR path, LPSECURITY_ATTRIBUTES security);
BOOL RemoveDirectory(LPCWSTR path);
DWORD GetFileAttributes(LPCWSTR path);

struct WIN32_FIND_DATA {
  DWORD dwFileAttributes;
  FILETIME ftCreationTime;
  FILETIME ftLastAccessTime;
  FILETIME ftLastWriteTime;
  DWORD nFileSizeHigh;
  DWORD nFileSizeLow;
  DWORD dwOID;
  WCHAR cFileName[MAX_PATH];
};
typedef WIN32_FIND_DATA* LPWIN32_FIND_DATA;
// The pattern's last component may hold '*' and '?' (case-blind); entries come in name order.
HANDLE FindFirstFile(LPCWSTR pattern, LPWIN32_FIND_DATA data);
BOOL FindNextFile(HANDLE find, LPWIN32_FIND_DATA data);
BOOL FindClose(HANDLE find);

// Serial stream devices. A name of three letters, a digit and a colon ("SMP1:", "COM1:") opens a
// simulated serial port: it exists when the device root holds ".devices/<NAME>" (e.g.
// ".devices/SMP1"). That file is the device's script: each WriteFile is answered by the next
// reply of the script (replies separated by a form feed, 0x0C), which ReadFile then returns;
// with no reply pending ReadFile succeeds with 0 bytes at once. Everything written is appended to
// ".devices/<NAME>.log".
struct DCB {
  DWORD DCBlength;
  DWORD BaudRate;
  DWORD fBinary : 1;
  DWORD fParity : 1;
  DWORD fOutxCtsFlow : 1;
  DWORD fOutxDsrFlow : 1;
  DWORD fDtrControl : 2;
  DWORD fDsrSensitivity : 1;
  DWORD fTXContinueOnXoff : 1;
  DWORD fOutX : 1;
  DWORD fInX : 1;
  DWORD fErrorChar : 1;
  DWORD fNull : 1;
  DWORD fRtsControl : 2;
  DWORD fAbortOnError : 1;
  DWORD fDummy2 : 17;
  WORD wReserved;
  WORD XonLim;
  WORD XoffLim;
  BYTE ByteSize;
  BYTE Parity;
  BYTE StopBits;
  char XonChar;
  char XoffChar;
  char ErrorChar;
  char EofChar;
  char EvtChar;
  WORD wReserved1;
};
typedef DCB* LPDCB;

struct COMMTIMEOUTS {
  DWORD ReadIntervalTimeout;
  DWORD ReadTotalTimeoutMultiplier;
  DWORD ReadTotalTimeoutConstant;
  DWORD WriteTotalTimeoutMultiplier;
  DWORD WriteTotalTimeoutConstant;
};
typedef COMMTIMEOUTS* LPCOMMTIMEOUTS;

#define CBR_9600 9600
#define CBR_19200 19200
#define CBR_38400 38400
#define CBR_57600 57600
#define CBR_115200 115200
#define NOPARITY 0
#define ODDPARITY 1
#define EVENPARITY 2
#define ONESTOPBIT 0
#define TWOSTOPBITS 2
#define DTR_CONTROL_DISABLE 0
#define DTR_CONTROL_ENABLE 1
#define RTS_CONTROL_DISABLE 0
#define RTS_CONTROL_ENABLE 1
#define PURGE_TXABORT 0x0001u
#define PURGE_RXABORT 0x0002u
#define PURGE_TXCLEAR 0x0004u
#define PURGE_RXCLEAR 0x0008u

// Fail with ERROR_INVALID_HANDLE for anything but a serial device.
BOOL GetCommState(HANDLE device, LPDCB state);
BOOL SetCommState(HANDLE device, LPDCB state);
BOOL GetCommTimeouts(HANDLE device, LPCOMMTIMEOUTS timeouts);
BOOL SetCommTimeouts(HANDLE device, LPCOMMTIMEOUTS timeouts);
BOOL PurgeComm(HANDLE device, DWORD flags);  // drops a pending reply

// stdio on device paths. Bytes are stored exactly as written: "t" in a mode is accepted and
// ignored, nothing translates line ends; readers of text files accept both LF and CR LF.
FILE* _wfopen(const WCHAR* path, const WCHAR* mode);

// ---------------------------------------------------------------------------------------------
// Code page 949 and UTF-8 <-> UTF-16
// ---------------------------------------------------------------------------------------------
#define CP_ACP 0
#define CP_OEMCP 1
#define CP_MACCP 2
#define CP_THREAD_ACP 3
#define CP_UTF8 65001
#define CP_KOREAN 949

#define MB_PRECOMPOSED 0x00000001u
#define MB_COMPOSITE 0x00000002u
#define MB_USEGLYPHCHARS 0x00000004u
#define MB_ERR_INVALID_CHARS 0x00000008u
#define WC_COMPOSITECHECK 0x00000200u
#define WC_DISCARDNS 0x00000010u
#define WC_SEPCHARS 0x00000020u
#define WC_DEFAULTCHAR 0x00000040u
#define WC_ERR_INVALID_CHARS 0x00000080u
#define WC_NO_BEST_FIT_CHARS 0x00000400u

// Counts are in units of the output (WCHARs or bytes). A length of -1 means NUL-terminated and the
// NUL is converted and counted. An output size of 0 asks for the size needed. When the output is
// too small the result is 0 with ERROR_INSUFFICIENT_BUFFER and nothing is written past the size.
// Bytes that are not code page 949 (or UTF-8) become U+FFFD, or fail with
// ERROR_NO_UNICODE_TRANSLATION under MB_ERR_INVALID_CHARS. Characters without a code page 949
// form become the default character ('?' or the one given) and set *usedDefaultChar.
int MultiByteToWideChar(UINT codePage, DWORD flags, LPCSTR multiByte, int multiByteLength, LPWSTR wide, int wideSize);
int WideCharToMultiByte(UINT codePage, DWORD flags, LPCWSTR wide, int wideLength, LPSTR multiByte, int multiByteSize,
                        LPCSTR defaultChar, LPBOOL usedDefaultChar);

// ---------------------------------------------------------------------------------------------
// Registry
// ---------------------------------------------------------------------------------------------
#define HKEY_CLASSES_ROOT ((HKEY)(uintptr_t)0x80000000u)
#define HKEY_CURRENT_USER ((HKEY)(uintptr_t)0x80000001u)
#define HKEY_LOCAL_MACHINE ((HKEY)(uintptr_t)0x80000002u)
#define HKEY_USERS ((HKEY)(uintptr_t)0x80000003u)

#define REG_NONE 0
#define REG_SZ 1
#define REG_EXPAND_SZ 2
#define REG_BINARY 3
#define REG_DWORD 4
#define REG_DWORD_LITTLE_ENDIAN 4
#define REG_DWORD_BIG_ENDIAN 5
#define REG_LINK 6
#define REG_MULTI_SZ 7
#define REG_QWORD 11

#define REG_OPTION_NON_VOLATILE 0x00000000u
#define REG_OPTION_VOLATILE 0x00000001u
#define REG_CREATED_NEW_KEY 0x00000001u
#define REG_OPENED_EXISTING_KEY 0x00000002u

#define KEY_QUERY_VALUE 0x0001u
#define KEY_SET_VALUE 0x0002u
#define KEY_CREATE_SUB_KEY 0x0004u
#define KEY_ENUMERATE_SUB_KEYS 0x0008u
#define KEY_NOTIFY 0x0010u
#define KEY_CREATE_LINK 0x0020u
#define KEY_READ 0x20019u
#define KEY_WRITE 0x20006u
#define KEY_EXECUTE 0x20019u
#define KEY_ALL_ACCESS 0xF003Fu

// Results are error numbers (ERROR_SUCCESS on success). Key and value names match regardless of
// case. Values enumerate newest first (the last created first; setting an existing value again
// keeps its place); subkeys enumerate in case-blind name order. The store lives in the device
// root and is shared by every process of that root; each change is on disk when the call returns.
LONG RegCreateKeyEx(HKEY key, LPCWSTR subKey, DWORD reserved, LPWSTR className, DWORD options, REGSAM access,
                    LPSECURITY_ATTRIBUTES security, PHKEY result, LPDWORD disposition);
LONG RegOpenKeyEx(HKEY key, LPCWSTR subKey, DWORD options, REGSAM access, PHKEY result);
LONG RegCloseKey(HKEY key);
LONG RegFlushKey(HKEY key);
LONG RegQueryValueEx(HKEY key, LPCWSTR valueName, LPDWORD reserved, LPDWORD type, LPBYTE data, LPDWORD dataSize);
LONG RegSetValueEx(HKEY key, LPCWSTR valueName, DWORD reserved, DWORD type, const BYTE* data, DWORD dataSize);
LONG RegDeleteValue(HKEY key, LPCWSTR valueName);
// Deletes the key with all its subkeys.
LONG RegDeleteKey(HKEY key, LPCWSTR subKey);
// nameLength: in, the buffer's size in WCHARs with room for the NUL; out, the name's length.
LONG RegEnumKeyEx(HKEY key, DWORD index, LPWSTR name, LPDWORD nameLength, LPDWORD reserved, LPWSTR className,
                  LPDWORD classLength, PFILETIME lastWriteTime);
LONG RegEnumValue(HKEY key, DWORD index, LPWSTR valueName, LPDWORD valueNameLength, LPDWORD reserved, LPDWORD type,
                  LPBYTE data, LPDWORD dataSize);
LONG RegQueryInfoKey(HKEY key, LPWSTR className, LPDWORD classLength, LPDWORD reserved, LPDWORD subKeys,
                     LPDWORD maxSubKeyLength, LPDWORD maxClassLength, LPDWORD values, LPDWORD maxValueNameLength,
                     LPDWORD maxValueLength, LPDWORD securityDescriptor, PFILETIME lastWriteTime);

// ---------------------------------------------------------------------------------------------
// Time
// ---------------------------------------------------------------------------------------------
void GetLocalTime(LPSYSTEMTIME time);
void GetSystemTime(LPSYSTEMTIME time);
DWORD GetTickCount();
// On the virtual clock Sleep advances the clock by `ms` and returns at once. Sleep(INFINITE)
// never returns on either clock.
void Sleep(DWORD ms);

// ---------------------------------------------------------------------------------------------
// Threads, events, waits, critical sections
// ---------------------------------------------------------------------------------------------
#define CREATE_SUSPENDED 0x00000004u
#define STILL_ACTIVE 259u
#define WAIT_OBJECT_0 0u
#define WAIT_ABANDONED 0x80u
#define WAIT_FAILED 0xFFFFFFFFu
#define MAXIMUM_WAIT_OBJECTS 64
#define THREAD_PRIORITY_NORMAL 0

// The handle is signalled when the thread has ended and stays so; it may be waited on any number
// of times. CREATE_SUSPENDED holds the thread until ResumeThread.
HANDLE CreateThread(LPSECURITY_ATTRIBUTES security, SIZE_T stackSize, LPTHREAD_START_ROUTINE start, LPVOID parameter,
                    DWORD flags, LPDWORD threadId);
BOOL GetExitCodeThread(HANDLE thread, LPDWORD exitCode);  // STILL_ACTIVE while running
// Linux cannot stop another thread safely: SuspendThread always fails with 0xFFFFFFFF
// (ERROR_NOT_SUPPORTED). ResumeThread releases a thread created suspended (returns 1) and
// otherwise returns 0 (not suspended).
DWORD SuspendThread(HANDLE thread);
DWORD ResumeThread(HANDLE thread);
// Ends the calling thread that CreateThread started (its handle gets `exitCode`).
[[noreturn]] void ExitThread(DWORD exitCode);
DWORD GetCurrentThreadId();
DWORD GetCurrentProcessId();
HANDLE GetCurrentThread();
BOOL SetThreadPriority(HANDLE thread, int priority);
int GetThreadPriority(HANDLE thread);

// Events; a name makes the event shared by everyone in the process who creates or opens it.
#define EVENT_ALL_ACCESS 0x1F0003u
#define EVENT_MODIFY_STATE 0x0002u
#define SYNCHRONIZE 0x00100000u
HANDLE CreateEvent(LPSECURITY_ATTRIBUTES security, BOOL manualReset, BOOL initialState, LPCWSTR name);
HANDLE OpenEvent(DWORD access, BOOL inherit, LPCWSTR name);
BOOL SetEvent(HANDLE event);
BOOL ResetEvent(HANDLE event);

// Waits measure time-outs on the real clock, also while the virtual clock is in use.
DWORD WaitForSingleObject(HANDLE object, DWORD timeoutMs);
DWORD WaitForMultipleObjects(DWORD count, const HANDLE* objects, BOOL waitAll, DWORD timeoutMs);

// Recursive lock held inside the structure (no allocation).
struct CRITICAL_SECTION {
  alignas(16) unsigned char opaque[64];
};
typedef CRITICAL_SECTION* LPCRITICAL_SECTION;
void InitializeCriticalSection(LPCRITICAL_SECTION section);
void DeleteCriticalSection(LPCRITICAL_SECTION section);
void EnterCriticalSection(LPCRITICAL_SECTION section);
void LeaveCriticalSection(LPCRITICAL_SECTION section);
BOOL TryEnterCriticalSection(LPCRITICAL_SECTION section);

inline LONG InterlockedIncrement(LONG volatile* v) { return __atomic_add_fetch(v, 1, __ATOMIC_SEQ_CST); }
inline LONG InterlockedDecrement(LONG volatile* v) { return __atomic_sub_fetch(v, 1, __ATOMIC_SEQ_CST); }
inline LONG InterlockedExchange(LONG volatile* v, LONG value) {
  return __atomic_exchange_n(v, value, __ATOMIC_SEQ_CST);
}
inline LONG InterlockedCompareExchange(LONG volatile* v, LONG exchange, LONG comparand) {
  __atomic_compare_exchange_n(v, &comparand, exchange, false, __ATOMIC_SEQ_CST, __ATOMIC_SEQ_CST);
  return comparand;
}

// ---------------------------------------------------------------------------------------------
// Processes
// ---------------------------------------------------------------------------------------------
struct STARTUPINFO {
  DWORD cb;
  LPWSTR lpReserved;
  LPWSTR lpDesktop;
  LPWSTR lpTitle;
  DWORD dwX, dwY, dwXSize, dwYSize, dwXCountChars, dwYCountChars, dwFillAttribute, dwFlags;
  WORD wShowWindow;
  WORD cbReserved2;
  LPBYTE lpReserved2;
  HANDLE hStdInput, hStdOutput, hStdError;
};
typedef STARTUPINFO* LPSTARTUPINFO;

struct PROCESS_INFORMATION {
  HANDLE hProcess;
  HANDLE hThread;
  DWORD dwProcessId;
  DWORD dwThreadId;
};
typedef PROCESS_INFORMATION* LPPROCESS_INFORMATION;

// Starts the program file at the device path `application` (an ELF program in the device root).
// A non-empty `commandLine` reaches the program as its one argument. The child inherits the
// environment and the device root. The process handle is signalled when the child ends; hThread
// is a second handle to the same process. Failure: FALSE with ERROR_FILE_NOT_FOUND for a missing
// program, ERROR_BAD_EXE_FORMAT for a file that is not a program.
BOOL CreateProcess(LPCWSTR application, LPWSTR commandLine, LPSECURITY_ATTRIBUTES processSecurity,
                   LPSECURITY_ATTRIBUTES threadSecurity, BOOL inheritHandles, DWORD flags, LPVOID environment,
                   LPCWSTR currentDirectory, LPSTARTUPINFO startup, LPPROCESS_INFORMATION info);
BOOL TerminateProcess(HANDLE process, UINT exitCode);
BOOL GetExitCodeProcess(HANDLE process, LPDWORD exitCode);  // STILL_ACTIVE while running
HANDLE GetCurrentProcess();
[[noreturn]] void ExitProcess(UINT exitCode);

// ---------------------------------------------------------------------------------------------
// File mappings (named shared memory)
// ---------------------------------------------------------------------------------------------
#define PAGE_NOACCESS 0x01u
#define PAGE_READONLY 0x02u
#define PAGE_READWRITE 0x04u
#define PAGE_WRITECOPY 0x08u
#define SEC_COMMIT 0x8000000u
#define FILE_MAP_COPY 0x0001u
#define FILE_MAP_WRITE 0x0002u
#define FILE_MAP_READ 0x0004u
#define FILE_MAP_ALL_ACCESS 0xF001Fu

// With INVALID_HANDLE_VALUE the mapping is shared memory known by `name` to every process of the
// device root (ERROR_ALREADY_EXISTS when someone already holds it). A mapping that nobody holds
// any more is gone: the next CreateFileMapping starts it again from zeros. With a file handle the
// mapping shows that file (grown to the size asked for).
HANDLE CreateFileMapping(HANDLE file, LPSECURITY_ATTRIBUTES security, DWORD protect, DWORD maximumSizeHigh,
                         DWORD maximumSizeLow, LPCWSTR name);
HANDLE OpenFileMapping(DWORD access, BOOL inherit, LPCWSTR name);
LPVOID MapViewOfFile(HANDLE mapping, DWORD access, DWORD offsetHigh, DWORD offsetLow, SIZE_T bytes);
BOOL UnmapViewOfFile(LPCVOID view);
BOOL FlushViewOfFile(LPCVOID view, SIZE_T bytes);

// ---------------------------------------------------------------------------------------------
// Modules
// ---------------------------------------------------------------------------------------------
// `name`: a device path, or a bare file name looked up in "\Program Files\Quorvan\Bin" and then
// the root (case-blind). Loading a module again returns the same handle and counts the load.
HMODULE LoadLibrary(LPCWSTR name);
BOOL FreeLibrary(HMODULE module);
FARPROC GetProcAddress(HMODULE module, LPCSTR procName);
// nullptr: the main program. Otherwise a loaded module's file name (case-blind, with or without
// ".dll").
HMODULE GetModuleHandle(LPCWSTR name);
// The device path of the module; the main program outside the device root reports
// "\Program Files\Quorvan\Bin\<its file name>". Cut to size-1 characters with ERROR_INSUFFICIENT_BUFFER.
DWORD GetModuleFileName(HMODULE module, LPWSTR fileName, DWORD size);

// ---------------------------------------------------------------------------------------------
// WCHAR text functions of the handheld's libraries (the C library's wcs* functions work on
// wchar_t, which is not WCHAR here). Case-blind comparisons fold ASCII letters only.
// ---------------------------------------------------------------------------------------------
int lstrlen(LPCWSTR text);  // 0 for nullptr
LPWSTR lstrcpy(LPWSTR destination, LPCWSTR source);
LPWSTR lstrcpyn(LPWSTR destination, LPCWSTR source, int size);  // at most size-1 characters + NUL
LPWSTR lstrcat(LPWSTR destination, LPCWSTR source);
int lstrcmp(LPCWSTR a, LPCWSTR b);
int lstrcmpi(LPCWSTR a, LPCWSTR b);

size_t _tcslen(const WCHAR* text);
WCHAR* _tcscpy(WCHAR* destination, const WCHAR* source);
WCHAR* _tcsncpy(WCHAR* destination, const WCHAR* source, size_t count);  // pads with NULs like strncpy
WCHAR* _tcscat(WCHAR* destination, const WCHAR* source);
int _tcscmp(const WCHAR* a, const WCHAR* b);
int _tcsncmp(const WCHAR* a, const WCHAR* b, size_t count);
int _tcsicmp(const WCHAR* a, const WCHAR* b);
int _tcsnicmp(const WCHAR* a, const WCHAR* b, size_t count);
const WCHAR* _tcschr(const WCHAR* text, WCHAR c);
const WCHAR* _tcsrchr(const WCHAR* text, WCHAR c);
const WCHAR* _tcsstr(const WCHAR* text, const WCHAR* part);
long _tcstol(const WCHAR* text, WCHAR** end, int base);
int _ttoi(const WCHAR* text);  // leading blanks, sign and decimal digits; 0 when none
long _ttol(const WCHAR* text);
#define _wtoi _ttoi
#define _wtol _ttol

// ---------------------------------------------------------------------------------------------
// Platform functions
// ---------------------------------------------------------------------------------------------
namespace plat {

// Host folder of the device root: LARKSPIN_ROOT, else $XDG_DATA_HOME/larkspin/device, else
// ~/.local/share/larkspin/device. Created when missing.
std::string DeviceRoot();
// Points this process (and the children it starts afterwards) at another device root.
void SetDeviceRoot(const std::string& hostDir);
// Device path -> host path. Either separator; every existing component is matched regardless of
// case; a missing component keeps the case given. False for "..", drive letters, an empty path or
// a NUL; the result never lies outside the root.
bool HostPath(std::u16string_view devicePath, std::string& hostOut);
bool HostPath(std::string_view devicePath, std::string& hostOut);
// Whether `hostPath` (a result of HostPath) still names the file open as `file`: the same file of
// the same file system, inside the current device root. False once the file was removed, renamed
// away or replaced by another, after the device root moved, or for a handle that is not a file.
// For a holder that keeps a file open across calls and must not write into a file nobody can reach.
// When it is, `sizeOut` (may be null) gets the file's present size (a writer that appends can tell
// whether someone else wrote or cut the file since its own last write).
bool FileStillNamed(HANDLE file, const char* hostPath, int64_t* sizeOut = nullptr);
// stdio on a device path (path in UTF-8; mode as fopen's, "t" ignored). nullptr with errno set.
FILE* OpenDeviceFile(const char* devicePath, const char* mode);

// UTF-16 <-> UTF-8 helpers for the platform's own use (unpaired surrogates become U+FFFD).
std::string ToUtf8(std::u16string_view text);
std::u16string FromUtf8(std::string_view text);

namespace clock {
// The virtual clock starts at `startMs` (milliseconds since 1970-01-01 00:00:00 of local time:
// on the virtual clock local time and system time are the same and no time zone applies).
void UseVirtual(uint64_t startMs = 0);
void UseReal();
bool IsVirtual();
void Advance(uint32_t ms);
// Wall time in ms since 1970 (real clock: UTC; virtual clock: its own reading).
uint64_t NowMs();
// Virtual-clock reading of a calendar time (year, month, day, hour, minute, second, ms).
uint64_t MsFromTime(const SYSTEMTIME& time);
}  // namespace clock

namespace res {
enum Kind { Bitmap = 2, Menu = 4, Dialog = 5, String = 6 };
// Called from a module's static initialisation; `anchor` is the address of anything inside that
// module. The data must stay valid while the module is loaded (normally static data).
void Register(const void* anchor, int kind, int id, const void* data, size_t size);
// nullptr when missing; module nullptr = the main program.
const void* Find(HMODULE module, int kind, int id, size_t* sizeOut = nullptr);
// The current resource module (default: the main program).
HMODULE Current();
void SetCurrent(HMODULE module);
}  // namespace res

}  // namespace plat

#define PLAT_RES_CONCAT_(a, b) a##b
#define PLAT_RES_CONCAT(a, b) PLAT_RES_CONCAT_(a, b)
#define PLAT_RESOURCE_AT_(var, kind, id, dataPtr, size) \
  [[maybe_unused]] static const bool var = (::plat::res::Register(&var, kind, id, dataPtr, size), true)
// At namespace scope in a module's source: registers a resource of that module when it loads
// (the registering flag itself is the anchor that names the module).
#define PLAT_RESOURCE(kind, id, dataPtr, size) \
  PLAT_RESOURCE_AT_(PLAT_RES_CONCAT(plat_resource_registered_, __COUNTER__), kind, id, dataPtr, size)
