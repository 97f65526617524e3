// Counts the allocations (operator new) made by one watched thread, so that a test can show that
// the receive thread allocates nothing per packet.
#include <sys/syscall.h>
#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <new>

#include "alloc_count.h"

namespace recvtest {
namespace {
std::atomic<long> g_allocations{0};
std::atomic<long> g_watched{-1};
}  // namespace
void WatchThread(unsigned long threadId) { g_watched.store(long(threadId)); }
long WatchedAllocations() { return g_allocations.load(); }
}  // namespace recvtest

void* operator new(std::size_t size) {
  if (recvtest::g_watched.load(std::memory_order_relaxed) == long(syscall(SYS_gettid)))
    recvtest::g_allocations.fetch_add(1, std::memory_order_relaxed);
  if (void* p = std::malloc(size ? size : 1)) return p;
  throw std::bad_alloc();
}
void* operator new[](std::size_t size) { return operator new(size); }
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }
