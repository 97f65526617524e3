// Receive thread and socket holder shared by the main program and the updater.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>

#include "vxshell/vx_socket_thread.h"
#include "vxbase/messages.h"
#include "vxbase/tr_header.h"

const RecvProfile kMainRecvProfile = {
    4,
    TR_HEADER_SIZE,
    WM_VX_CONNECTED,
    VX_SOCK_NO_SOCKET,
    VX_SOCK_BAD_ADDRESS,
    VX_SOCK_CONNECT_FAILED,
    VX_SOCK_LOST_AFTER_DATA,
    VX_SOCK_LOST_BEFORE_DATA,
    VX_SOCK_WAIT_FAILED,
    VX_SOCK_WAIT_EMPTY,
    true,
};

const RecvProfile kUpdaterRecvProfile = {
    2,
    9,
    WM_VX_VERSION_CONNECTED,
    VX_VER_NO_SOCKET,
    VX_VER_BAD_ADDRESS,
    VX_VER_CONNECT_FAILED,
    VX_VER_LOST_AFTER_DATA,
    VX_VER_LOST_BEFORE_DATA,
    -1,
    -1,
    false,
};

// ---------------------------------------------------------------------------------------------
// CVXSocket

CVXSocket::CVXSocket() : m_socket(INVALID_SOCKET), m_address{}, m_port(0), m_target{}, m_error{} {}

CVXSocket::~CVXSocket() { Close(); }

void CVXSocket::SetError(const char* format, int code) {
  char text[80];
  std::snprintf(text, sizeof text, format, code);
  size_t i = 0;
  for (; text[i] && i + 1 < sizeof m_error / sizeof m_error[0]; ++i) m_error[i] = static_cast<WCHAR>(text[i]);
  m_error[i] = 0;
}

BOOL CVXSocket::Create() {
  Close();
  SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  if (s == INVALID_SOCKET) {
    SetError("Allocating socket failed. Error : %d", WSAGetLastError());
    return FALSE;
  }
  // Requests go out as they are written. Many get no reply (the real-time registration, the
  // keep-alive), so the server holds its acknowledgement back; with the send coalescing left on,
  // the next request would wait behind that delayed acknowledgement (40 to 200 ms). Each request
  // is written whole by one send, so nothing is cut into more segments than before. Should the
  // option be refused, the connection works as it is, only slower.
  BOOL noDelay = TRUE;
  setsockopt(s, IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<const char*>(&noDelay), sizeof noDelay);
  m_socket.store(s);
  return TRUE;
}

BOOL CVXSocket::SetServer(const char* address, int port) {
  if (!address || port < 1 || port > 65535) return FALSE;
  const size_t length = strnlen(address, 16);
  if (length < 7 || length > 15) return FALSE;
  sockaddr_in target{};
  target.sin_family = AF_INET;
  target.sin_port = htons(static_cast<uint16_t>(port));
  // Dotted text only: the configuration names servers by address, and a name would make the
  // receive thread wait on a name server before it could report anything.
  if (inet_pton(AF_INET, address, &target.sin_addr) != 1) return FALSE;
  std::memcpy(m_address, address, length);
  m_address[length] = 0;
  m_port = port;
  m_target = target;
  return TRUE;
}

BOOL CVXSocket::Connect(const std::atomic<bool>* cancelled) {
  SOCKET s = m_socket.load();
  if (s == INVALID_SOCKET || m_port == 0) return FALSE;
  // The connect runs without blocking and is watched in short waits, so that a stop asked for
  // while a server does not answer ends it at once instead of after the system's time-out.
  u_long nonBlocking = 1;
  ioctlsocket(s, FIONBIO, &nonBlocking);
  int error = 0;
  if (connect(s, reinterpret_cast<const sockaddr*>(&m_target), sizeof m_target) == SOCKET_ERROR) {
    error = WSAGetLastError();
    if (error == WSAEWOULDBLOCK) error = WaitConnected(s, cancelled);
  }
  u_long blocking = 0;
  ioctlsocket(s, FIONBIO, &blocking);
  if (error) {
    SetError("Connecting to the server failed. Error: %d", error);
    return FALSE;
  }
  return TRUE;
}

int CVXSocket::WaitConnected(SOCKET s, const std::atomic<bool>* cancelled) {
  for (;;) {
    if (cancelled && cancelled->load()) return WSAEINTR;
    fd_set writable, failed;
    FD_ZERO(&writable);
    FD_ZERO(&failed);
    FD_SET(s, &writable);
    FD_SET(s, &failed);
    timeval step{0, 100 * 1000};
    const int n = select(0, nullptr, &writable, &failed, &step);
    if (n == SOCKET_ERROR) return WSAGetLastError();
    if (n == 0) continue;
    if (FD_ISSET(s, &failed)) {
      int reason = 0;
      int size = sizeof reason;
      if (getsockopt(s, SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&reason), &size) != 0 || reason == 0)
        reason = WSAECONNREFUSED;
      return reason;
    }
    if (FD_ISSET(s, &writable)) return 0;
  }
}

void CVXSocket::Close() {
  SOCKET s = m_socket.exchange(INVALID_SOCKET);
  if (s != INVALID_SOCKET) closesocket(s);
}

void CVXSocket::Shutdown() {
  SOCKET s = m_socket.load();
  if (s != INVALID_SOCKET) shutdown(s, SD_BOTH);
}

int CVXSocket::Receive(char* buffer, int length) {
  SOCKET s = m_socket.load();
  if (s == INVALID_SOCKET) return SOCKET_ERROR;
  return recv(s, buffer, length, 0);
}

BOOL CVXSocket::ReceiveAll(char* buffer, int length) {
  int got = 0;
  while (got < length) {
    int n = Receive(buffer + got, length - got);
    if (n <= 0) return FALSE;
    got += n;
  }
  return TRUE;
}

// ---------------------------------------------------------------------------------------------
// CVXSocketThread

namespace {

// How long one thread waits on the other by spinning before it sleeps, and only while the other
// is at work: the window's thread frees room within a microsecond per packet while it hands them
// over, and the receive thread frames more within microseconds once it is reading. A sleep and a
// wake-up cost more than that: tens of microseconds, more on a busy machine.
constexpr auto kSpinTime = std::chrono::microseconds(50);

// Calls `ready` until it holds, while `peerBusy` holds and the spin time lasts; true when `ready`
// held.
template <typename Ready, typename Busy>
bool SpinWhile(Ready ready, Busy peerBusy) {
  const auto until = std::chrono::steady_clock::now() + kSpinTime;
  for (;;) {
    for (int i = 0; i < 16; ++i) {
      if (ready()) return true;
#if defined(__x86_64__) || defined(__i386__)
      __builtin_ia32_pause();
#endif
    }
    if (!peerBusy() || std::chrono::steady_clock::now() >= until) return ready();
  }
}

// The big-endian length that leads a packet: 4 bytes or 2.
inline uint32_t ReadLength(const unsigned char* p, int lengthBytes) {
  return lengthBytes == 4 ? (uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | p[3])
                          : (uint32_t(p[0]) << 8 | p[1]);
}

// Copies a packet (at least 8 bytes) into its slot; the short ones, most of the pushes, inline in
// two blocks that overlap unless the length is twice a block.
inline void CopyPacket(unsigned char* to, const unsigned char* from, size_t length) {
  if (length > 64) {
    std::memcpy(to, from, length);
  } else if (length >= 32) {
    std::memcpy(to, from, 32);
    std::memcpy(to + length - 32, from + length - 32, 32);
  } else if (length >= 16) {
    std::memcpy(to, from, 16);
    std::memcpy(to + length - 16, from + length - 16, 16);
  } else {
    std::memcpy(to, from, 8);
    std::memcpy(to + length - 8, from + length - 8, 8);
  }
}

}  // namespace

CVXSocketThread::CVXSocketThread(const RecvProfile& profile)
    : m_profile(profile),
      m_address{},
      m_port(0),
      m_hWndDlg(0),
      m_hWndMain(0),
      m_continue(true),
      m_stopping(false),
      m_connected(false),
      m_thread(nullptr),
      m_threadId(0),
      m_socketReady(false),
      m_hadData(false),
      m_noticeSent(false),
      m_moreWaiting(false),
      m_written(0),
      m_framed(0),
      m_tail(0),
      m_frameTail(0),
      m_readingOn(false),
      m_wantHead(0),
      m_progress(0),
      m_consumed(0),
      m_frameHead(0),
      m_index(0),
      m_scheduled(false),
      m_frames{} {
  InitializeCriticalSection(&m_lock);
  m_delivery.run = &CVXSocketThread::RunDeliveries;
  m_delivery.owner = this;
  std::memset(m_ring, 0, sizeof m_ring);
}

CVXSocketThread::~CVXSocketThread() {
  Stop();
  DeleteCriticalSection(&m_lock);
}

BOOL CVXSocketThread::SetServer(const char* address, int port) {
  if (!address || port < 1 || port > 65535) return FALSE;
  const size_t length = strnlen(address, 16);
  if (length < 7 || length > 15) return FALSE;
  std::memcpy(m_address, address, length);
  m_address[length] = 0;
  m_port = port;
  return TRUE;
}

BOOL CVXSocketThread::Start() {
  EnterCriticalSection(&m_lock);
  BOOL ok = FALSE;
  if (!m_thread && !m_stopping.load()) {
    DWORD id = 0;
    m_thread = CreateThread(nullptr, 0, &CVXSocketThread::ThreadMain, this, 0, &id);
    m_threadId.store(id);
    ok = m_thread ? TRUE : FALSE;
  }
  LeaveCriticalSection(&m_lock);
  return ok;
}

void CVXSocketThread::Stop() {
  EnterCriticalSection(&m_lock);
  m_stopping.store(true);
  m_continue.store(false);
  const bool shutDown = m_socketReady;
  HANDLE thread = m_thread;
  m_thread = nullptr;
  LeaveCriticalSection(&m_lock);

  // Wakes the thread from its wait for a slot, its socket wait or its receive; it then sees
  // the stop flag and reports nothing.
  m_progress.fetch_add(1);
  m_progress.notify_all();
  if (shutDown) m_socket.Shutdown();
  if (thread) {
    // The thread may be sending a status to a window of this thread: keep handling the
    // messages sent here while waiting, or both would wait for each other.
    while (WaitForSingleObject(thread, 5) == WAIT_TIMEOUT) {
      MSG msg;
      PeekMessage(&msg, 0, 0, 0, PM_NOREMOVE);
    }
    CloseHandle(thread);
  }
  // Frames still waiting for the window's thread refer to this object: that thread drops them
  // (the stop flag is set) before the object may go.
  while (m_scheduled.load()) {
    MSG msg;
    PeekMessage(&msg, 0, 0, 0, PM_NOREMOVE);
    if (m_scheduled.load()) Sleep(1);
  }
  m_socket.Close();
}

SOCKET CVXSocketThread::GetSocket() const {
  EnterCriticalSection(const_cast<CRITICAL_SECTION*>(&m_lock));
  const bool ready = m_socketReady;
  LeaveCriticalSection(const_cast<CRITICAL_SECTION*>(&m_lock));
  return ready && m_connected.load() ? m_socket.GetSocket() : INVALID_SOCKET;
}

bool CVXSocketThread::Running() const {
  EnterCriticalSection(const_cast<CRITICAL_SECTION*>(&m_lock));
  const bool running = m_thread && WaitForSingleObject(m_thread, 0) == WAIT_TIMEOUT;
  LeaveCriticalSection(const_cast<CRITICAL_SECTION*>(&m_lock));
  return running;
}

DWORD WINAPI CVXSocketThread::ThreadMain(LPVOID self) {
  static_cast<CVXSocketThread*>(self)->Run();
  return 0;
}

void CVXSocketThread::Run() {
  if (Connect()) {
    Receive();
    m_socket.Close();
  }
  m_readingOn.store(false);
}

bool CVXSocketThread::Connect() {
  EnterCriticalSection(&m_lock);
  if (m_stopping.load()) {
    LeaveCriticalSection(&m_lock);
    return false;
  }
  const bool created = m_socket.Create() != FALSE;
  m_socketReady = created;
  LeaveCriticalSection(&m_lock);
  if (!created) {
    PostSetupFailure(m_profile.noSocket);
    return false;
  }
  if (!m_socket.SetServer(m_address, m_port)) {
    m_socket.Close();
    PostSetupFailure(m_profile.badAddress);
    return false;
  }
  if (!m_socket.Connect(&m_stopping)) {
    m_socket.Close();
    PostSetupFailure(m_profile.connectFailed);
    return false;
  }
  m_connected.store(true);
  return true;
}

void CVXSocketThread::PostSetupFailure(int code) {
  const HWND frame = m_hWndMain.load();
  if (frame && !m_stopping.load()) PostMessage(frame, WM_VX_SOCKET_STATUS, static_cast<WPARAM>(code), 1);
}

void CVXSocketThread::SendStatus(int code) {
  Drain();
  const HWND frame = m_hWndMain.load();
  if (frame && !m_stopping.load()) SendMessage(frame, WM_VX_SOCKET_STATUS, static_cast<WPARAM>(code), 1);
}

// ---- hand-over ------------------------------------------------------------------------------

bool CVXSocketThread::WaitHandled(uint64_t frames) {
  Flush();
  auto handled = [&] { return m_frameHead.load(std::memory_order_acquire) >= frames; };
  while (!handled()) {
    if (m_stopping.load()) return false;
    // The window's thread at the frames takes the next one within a microsecond or so.
    if (SpinWhile(handled, [&] { return m_scheduled.load(std::memory_order_relaxed); })) break;
    const uint32_t seen = m_progress.load();
    if (m_stopping.load()) break;  // a stop that changed m_progress before the load above
    m_wantHead.store(frames);
    if (m_frameHead.load() < frames) m_progress.wait(seen);  // ordered after the store above
    m_wantHead.store(0);
  }
  return !m_stopping.load();
}

void CVXSocketThread::Drain() { WaitHandled(m_tail); }

bool CVXSocketThread::Publish(uint32_t length, uint8_t flags, HWND screen) {
  if (m_tail - m_frameHead.load(std::memory_order_acquire) == kFrameQueue) {
    // The queue is full of packets not yet handled: on once a quarter of it was taken.
    if (!WaitHandled(m_tail - kFrameQueue * 3 / 4)) return false;
  }
  m_framed += length;
  m_frames[m_tail % kFrameQueue] = Frame{length | uint32_t(flags) << 24, screen};
  ++m_tail;
  return true;
}

void CVXSocketThread::Flush() {
  const uint64_t from = m_frameTail.load(std::memory_order_relaxed);
  if (m_tail == from) return;
  m_frameTail.store(m_tail);
  Schedule(m_frames[from % kFrameQueue].screen);
}

void CVXSocketThread::Schedule(HWND target) {
  if (m_scheduled.exchange(true)) return;  // the window's thread is at it or will be
  if (!target) target = m_hWndDlg.load();
  if (!target) target = m_hWndMain.load();
  if (!target || !plat::win::QueueCall(target, &m_delivery)) {
    // No window to take them: what waits is dropped, as a send to a window that is gone.
    DeliverReady(false);
  }
}

void CVXSocketThread::RunDeliveries(plat::win::QueuedCall* call, bool onThread) {
  static_cast<Delivery*>(call)->owner->DeliverReady(onThread);
}

void CVXSocketThread::WakeReader(uint64_t head) {
  uint64_t want = m_wantHead.load(std::memory_order_relaxed);
  if (want && head >= want && m_wantHead.compare_exchange_strong(want, 0)) {
    m_progress.fetch_add(1);
    m_progress.notify_one();
  }
}

void CVXSocketThread::DeliverReady(bool onThread) {
  uint64_t head = m_frameHead.load(std::memory_order_relaxed);
  for (;;) {
    uint64_t tail = m_frameTail.load(std::memory_order_acquire);
    if (head == tail) {
      // The receive thread may be sleeping until frames were taken: the check of its wish
      // is ordered after the stores of the frames taken.
      std::atomic_thread_fence(std::memory_order_seq_cst);
      WakeReader(head);
      // While the receive thread is at data that came (reading or framing it, until it waits for
      // data again), more packets follow within microseconds: wait for them a moment rather than
      // go back to the message loop and be woken again. Otherwise the next packet may be long in
      // coming, and a spin would only take the processor from others.
      if (onThread && SpinWhile([&] { return m_frameTail.load(std::memory_order_acquire) != head; },
                                [&] { return m_readingOn.load(std::memory_order_relaxed); }))
        continue;
      m_scheduled.store(false);
      // The receive thread may have published frames after the look and seen the call still
      // scheduled: take them over unless it queued the call again. Nothing of this object is
      // touched once the call is given up: a stop may free it.
      if (m_frameTail.load() == head || m_scheduled.exchange(true)) return;
      continue;
    }
    int index = m_index.load(std::memory_order_relaxed);
    uint64_t at = m_consumed.load(std::memory_order_relaxed);  // the stream position of frame `head`
    // Kept in registers across the handlers' calls rather than read again for every packet.
    const uint8_t handled = onThread ? kHandOver | kDroppedHeader : 0;
    const size_t bodyAt = static_cast<size_t>(m_profile.headerSize);
    for (; head != tail; ++head) {
      const Frame f = m_frames[head % kFrameQueue];
      const uint32_t length = f.length();
      const uint8_t flags = f.flags();
      // The bytes of the packets to come were written on the receive thread's processor: asked
      // for ahead, they are here when their turn comes (the frames a cache line at a time).
      if (head % 8 == 0) __builtin_prefetch(&m_frames[(head + 8) % kFrameQueue]);
      __builtin_prefetch(m_buffer + (at + length) % kReadBufferSize + 128);
      if ((flags & handled) && !m_stopping.load(std::memory_order_relaxed)) {
        // The packet's bytes (or the header of one that is dropped), which may wrap around
        // the end of the buffer, into the slot.
        unsigned char* slot = m_ring[index];
        const size_t from = static_cast<size_t>(at % kReadBufferSize);
        if (from + length <= kReadBufferSize) {
          CopyPacket(slot, m_buffer + from, length);
        } else {
          const size_t first = kReadBufferSize - from;
          std::memcpy(slot, m_buffer + from, first);
          std::memcpy(slot + first, m_buffer, length - first);
        }
        if (flags & kHandOver)
          SendMessage(f.screen, WM_VX_PACKET, reinterpret_cast<WPARAM>(slot), reinterpret_cast<LPARAM>(slot + bodyAt));
        else
          SendMessage(f.screen, WM_VX_PACKET_DROPPED, reinterpret_cast<WPARAM>(slot), 0);
      }
      if (flags & kAdvance) {
        index = index + 1 == kSlotCount ? 0 : index + 1;
        m_index.store(index, std::memory_order_relaxed);
      }
      at += length;
      m_consumed.store(at, std::memory_order_release);
      m_frameHead.store(head + 1, std::memory_order_release);
      if (m_wantHead.load(std::memory_order_relaxed)) WakeReader(head + 1);
    }
  }
}

// ---- reading --------------------------------------------------------------------------------

bool CVXSocketThread::Refill(bool* waitFailed) {
  Flush();
  const SOCKET s = m_socket.GetSocket();
  for (;;) {
    if (m_stopping.load()) return false;
    const uint64_t used = m_written - m_consumed.load(std::memory_order_acquire);
    if (kReadBufferSize - used < kReadBufferSize / 4) {
      // Nearly full of packets not yet handled: on once a quarter of the buffer is free, that is
      // once the frames up to the one that ends at or past `upTo` were taken. The bytes not yet
      // framed are at most a slot's worth, so framed packets fill the rest. Counted back from the
      // last frame (the frames the window's thread is taking stay as they are).
      const uint64_t upTo = m_written - (kReadBufferSize - kReadBufferSize / 4);
      uint64_t frames = m_tail, end = m_framed;  // `end`: where frame `frames - 1` ends
      while (frames > 1 && end - m_frames[(frames - 1) % kFrameQueue].length() >= upTo) {
        end -= m_frames[(frames - 1) % kFrameQueue].length();
        --frames;
      }
      if (!WaitHandled(frames)) return false;
      continue;
    }
    const size_t at = static_cast<size_t>(m_written % kReadBufferSize);
    const size_t room = std::min<size_t>(kReadBufferSize - at, kReadBufferSize - static_cast<size_t>(used));
    // After a receive that left more on the socket, read on at once. Otherwise wait for data,
    // with the window's thread told that nothing comes meanwhile.
    if (!m_moreWaiting) {
      m_readingOn.store(false, std::memory_order_relaxed);
      fd_set readable;
      FD_ZERO(&readable);
      FD_SET(s, &readable);
      const int ready = select(0, &readable, nullptr, nullptr, nullptr);
      if (ready == SOCKET_ERROR) {
        *waitFailed = true;
        return false;
      }
      if (ready == 0 || !FD_ISSET(s, &readable)) {
        if (m_profile.waitEmpty >= 0) SendStatus(m_profile.waitEmpty);
        continue;
      }
      // Data has come: the window's thread, asleep by now, is woken at once rather than once
      // the data is read and framed, so that its wake-up (tens of microseconds) passes while
      // this thread does that; it looks for the packets meanwhile, as this thread is at work.
      m_readingOn.store(true, std::memory_order_relaxed);
      if (const HWND screen = m_hWndDlg.load(std::memory_order_relaxed)) Schedule(screen);
    }
    const int n = m_socket.Receive(reinterpret_cast<char*>(m_buffer + at), static_cast<int>(room));
    if (n <= 0) {
      m_readingOn.store(false, std::memory_order_relaxed);
      return false;
    }
    // A receive that filled all its room may have left more on the socket: then the next one
    // reads it at once, and the window's thread looks for its packets meanwhile.
    u_long left = 0;
    m_moreWaiting = static_cast<size_t>(n) == room && ioctlsocket(s, FIONREAD, &left) == 0 && left > 0;
    m_written += static_cast<uint64_t>(n);
    return true;
  }
}

bool CVXSocketThread::Have(uint64_t count, bool* waitFailed) {
  while (m_written - m_framed < count)
    if (!Refill(waitFailed)) return false;
  return true;
}

uint32_t CVXSocketThread::PeekLength() const {
  const size_t at = static_cast<size_t>(m_framed % kReadBufferSize);
  if (at + static_cast<size_t>(m_profile.lengthBytes) <= kReadBufferSize)
    return ReadLength(m_buffer + at, m_profile.lengthBytes);
  uint32_t length = 0;
  for (int i = 0; i < m_profile.lengthBytes; ++i)
    length = (length << 8) | m_buffer[(m_framed + static_cast<uint64_t>(i)) % kReadBufferSize];
  return length;
}

void CVXSocketThread::FrameWhole() {
  const HWND screen = m_hWndDlg.load(std::memory_order_relaxed);
  if (!screen) return;
  const uint32_t lengthBytes = static_cast<uint32_t>(m_profile.lengthBytes);
  const uint32_t smallest = static_cast<uint32_t>(m_profile.headerSize);
  const uint64_t limit = m_frameHead.load(std::memory_order_acquire) + kFrameQueue;
  uint64_t framed = m_framed, tail = m_tail;
  while (tail < limit && m_written - framed >= lengthBytes) {
    const size_t at = static_cast<size_t>(framed % kReadBufferSize);
    if (at + lengthBytes > kReadBufferSize) break;  // a length split by the end of the buffer
    const uint32_t length = ReadLength(m_buffer + at, static_cast<int>(lengthBytes));
    if (length < smallest || length > static_cast<uint32_t>(kSlotSize) || m_written - framed < length) break;
    framed += length;
    m_frames[tail % kFrameQueue] = Frame{length | uint32_t(kHandOver | kAdvance) << 24, screen};
    ++tail;
  }
  if (tail != m_tail) m_hadData = true;
  m_framed = framed;
  m_tail = tail;
}

bool CVXSocketThread::Skip(uint32_t count, bool* waitFailed) {
  // Dropped in the pieces that have come, so that a frame longer than the buffer passes too.
  while (count > 0) {
    if (m_written == m_framed && !Refill(waitFailed)) return false;
    const uint64_t here = std::min<uint64_t>(m_written - m_framed, count);
    count -= static_cast<uint32_t>(here);
    if (!Publish(static_cast<uint32_t>(here), count == 0 ? kAdvance : 0, 0)) return false;
  }
  return true;
}

void CVXSocketThread::Receive() {
  const int lengthBytes = m_profile.lengthBytes;
  const SOCKET s = m_socket.GetSocket();
  bool waitFailed = false;
  // Ends the connection: reported as lost unless the stop was asked for. A failed wait will
  // fail again: the connection is gone; it is reported once, as such when the profile has a
  // code for it.
  auto lost = [&] {
    if (waitFailed && m_profile.waitFailed >= 0)
      SendStatus(m_profile.waitFailed);
    else
      SendStatus(m_hadData ? m_profile.lostAfterData : m_profile.lostBeforeData);
    m_hadData = false;
  };
  for (;;) {
    if (!m_noticeSent) {
      m_noticeSent = true;
      const HWND frame = m_hWndMain.load();
      if (frame && !m_stopping.load()) SendMessage(frame, m_profile.connectedMsg, 0, static_cast<LPARAM>(s));
    }
    if (!m_continue.load() || m_stopping.load()) return;
    FrameWhole();

    if (!Have(static_cast<uint64_t>(lengthBytes), &waitFailed)) {
      if (!m_stopping.load()) lost();
      return;
    }
    m_hadData = true;
    const uint32_t length = PeekLength();
    if (length < static_cast<uint32_t>(lengthBytes)) {
      // Shorter than its own length: nothing tells where the next packet starts.
      lost();
      return;
    }
    if (length < static_cast<uint32_t>(m_profile.headerSize) || length > static_cast<uint32_t>(kSlotSize)) {
      // Not a packet a screen can take (no whole header, or larger than a slot): its
      // announced bytes are dropped so that the next length is read where the next packet
      // starts, and its slot is passed over. The header of a reply too long to be held
      // goes to the screen first (with the announced length), so that it can tell the user
      // which reply was lost.
      uint32_t rest = length;
      if (length > static_cast<uint32_t>(kSlotSize) && m_profile.headerOfDropped) {
        const uint32_t header = static_cast<uint32_t>(m_profile.headerSize);
        if (!Have(header, &waitFailed)) {
          if (!m_stopping.load()) lost();
          return;
        }
        const HWND screen = m_hWndDlg.load();
        if (!Publish(header, screen ? kDroppedHeader : 0, screen)) return;
        rest -= header;
      }
      if (!Skip(rest, &waitFailed)) {
        if (!m_stopping.load()) lost();
        return;
      }
      continue;
    }
    if (!Have(length, &waitFailed)) {
      if (!m_stopping.load()) lost();
      return;
    }
    const HWND screen = m_hWndDlg.load();
    if (!screen) {
      Drain();
      if (m_stopping.load()) return;
      MessageBox(0, u"m_hWndDlg is NULL", u"", MB_OK);
    }
    if (!Publish(length, screen ? kHandOver | kAdvance : kAdvance, screen)) return;
  }
}
