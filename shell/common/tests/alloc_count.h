#pragma once
namespace recvtest {
// Counts from now on the allocations (operator new) of the thread with this kernel thread id.
void WatchThread(unsigned long threadId);
long WatchedAllocations();
}  // namespace recvtest
