// The receive thread of the main program and of the updater: one TCP connection to a server,
// read on a thread of its own, framed by the packet's leading length, kept in one of seven
// fixed ring slots and handed to the registered window as WM_VX_PACKET, handled on the window's
// thread. The state of the connection goes to the frame window as WM_VX_SOCKET_STATUS.
//
// Both programs use the same machine with other parameters (RecvProfile): the main program's
// packets carry a 4-byte length and the 15-byte TR_HEADER, the updater's a 2-byte length and a
// 9-byte header.
//
// Delivery: the thread reads whatever the socket holds into a read buffer of its own (1 MiB,
// fixed, so that a burst of pushes is taken off the socket while the window's thread is still
// waking up) and frames the packets there; the window's thread takes them from there in order,
// copies each into the next ring slot and handles it as one WM_VX_PACKET (wParam = the slot,
// lParam = the body after the header), sent from that thread's sent-message queue (InSendMessage()
// is true in the handler). A slot is written only by the window's thread, right before its packet
// is handled, so it stays unchanged while the handler runs and until six further packets came.
// The thread and the window's thread meet once per batch of packets rather than once per packet:
// the thread makes the packets of each receive known at once, and wakes the window's thread only
// when that one has given up looking; as soon as its wait for data ends, so that the window's
// thread wakes up while the data is read and framed. Each waits on the other by spinning for a few
// tens of microseconds before it sleeps, and only while the other is at work: the thread, for room
// in its buffer while the window's thread hands packets over; the window's thread, for more packets
// while the thread reads and frames what came, until it waits for data again. Before a status or a box the
// thread waits until every packet read before it was handled, so the frame hears of a lost
// connection after the packets. An idle connection costs no processor time: the thread sleeps in
// the socket wait, the window's thread in its message wait, neither with a time-out.
//
// Life of one connection:
//   auto* t = new CVXSocketThread(kMainRecvProfile);
//   t->SetHwnd(screen); t->SetMainHwnd(frame);
//   t->SetServer("127.0.0.1", 28100); t->Start();
//   ... WM_VX_CONNECTED (lParam = socket) to the frame, then WM_VX_PACKET per packet ...
//   delete t;   // or t->Stop(): nothing more is reported, the socket is closed once
//
// Stop (and the destructor) must not be called from inside the handler of a message this
// thread sent (WM_VX_PACKET, WM_VX_CONNECTED or a lost-connection status): the stop waits for
// the thread and for the hand-over that is running. Post yourself a message and stop from there.
// While stopping, the calling thread keeps handling messages sent to it; packets read but not yet
// handled are dropped once the stop flag is set, and nothing is issued from then on. A frame
// forgets its thread before stopping it, so that its handlers can tell a late message from one
// of the current connection.
#pragma once

#include <atomic>
#include <cstdint>

#include "plat/kernel.h"
#include "plat/window.h"
#include "plat/winsock.h"

// What differs between the main program's thread and the updater's.
struct RecvProfile {
  int lengthBytes;     // size of the leading big-endian length: 4 or 2 (it counts itself)
  int headerSize;      // smallest sound packet; the body handed over starts here
  UINT connectedMsg;   // sent to the frame once per object when connected (lParam = socket)
  int noSocket;        // status: the socket could not be made
  int badAddress;      // status: the server address or port is invalid
  int connectFailed;   // status: the connection to the server failed
  int lostAfterData;   // status: connection closed, failed or out of frame after a packet length
  int lostBeforeData;  // status: the same before any packet length was read
  int waitFailed;      // status: the wait for data failed (-1: reported as a lost connection)
  int waitEmpty;       // status: the wait returned without data (-1: not reported)
  // A packet longer than a slot is dropped; when true its header (with the announced length,
  // above kSlotSize) goes to the screen as WM_VX_PACKET_DROPPED, so that the screen can tell
  // the user which reply was lost.
  bool headerOfDropped;
};

// The main program: 4-byte length, TR_HEADER, WM_VX_CONNECTED, 1900-1906.
extern const RecvProfile kMainRecvProfile;
// The updater: 2-byte length, 9-byte header, WM_VX_VERSION_CONNECTED, 0, 1, 2, 4, 8.
extern const RecvProfile kUpdaterRecvProfile;

// Status codes of the main program's thread.
enum : int {
  VX_SOCK_NO_SOCKET = 1900,
  VX_SOCK_BAD_ADDRESS = 1901,
  VX_SOCK_CONNECT_FAILED = 1902,
  VX_SOCK_LOST_AFTER_DATA = 1903,
  VX_SOCK_LOST_BEFORE_DATA = 1904,
  VX_SOCK_WAIT_FAILED = 1905,
  VX_SOCK_WAIT_EMPTY = 1906,
};
// Status codes of the updater's thread.
enum : int {
  VX_VER_NO_SOCKET = 0,
  VX_VER_BAD_ADDRESS = 1,
  VX_VER_CONNECT_FAILED = 2,
  VX_VER_LOST_AFTER_DATA = 4,
  VX_VER_LOST_BEFORE_DATA = 8,
};

// The TCP socket of one connection.
class CVXSocket {
 public:
  CVXSocket();
  ~CVXSocket();
  CVXSocket(const CVXSocket&) = delete;
  CVXSocket& operator=(const CVXSocket&) = delete;

  BOOL Create();  // a TCP stream socket
  // Dotted IPv4 text of 7 to 15 characters and a port 1..65535.
  BOOL SetServer(const char* address, int port);
  // Connects; gives up (FALSE) as soon as *cancelled becomes true, when given.
  BOOL Connect(const std::atomic<bool>* cancelled = nullptr);
  // Closes the socket once, whoever calls it and however often; the handle goes back to none.
  void Close();
  // Ends both directions so that a thread waiting on the socket wakes up; the handle stays.
  void Shutdown();
  int Receive(char* buffer, int length);      // one receive: bytes, 0 closed, <0 failed
  BOOL ReceiveAll(char* buffer, int length);  // exactly `length` bytes, or FALSE

  SOCKET GetSocket() const { return m_socket.load(); }
  const WCHAR* GetLastErrorText() const { return m_error; }

 private:
  void SetError(const char* format, int code);
  static int WaitConnected(SOCKET s, const std::atomic<bool>* cancelled);

  std::atomic<SOCKET> m_socket;
  char m_address[16];
  int m_port;
  sockaddr_in m_target;
  WCHAR m_error[80];
};

class CVXSocketThread {
 public:
  static constexpr int kSlotCount = 7;
  static constexpr int kSlotSize = 4096;
  static constexpr size_t kReadBufferSize = size_t(1) << 20;  // the read buffer (a power of two)
  static constexpr uint64_t kFrameQueue = 16384;              // framed packets waiting at most (a power of two)

  explicit CVXSocketThread(const RecvProfile& profile = kMainRecvProfile);
  ~CVXSocketThread();  // stops the thread (nothing reported) and closes the socket
  CVXSocketThread(const CVXSocketThread&) = delete;
  CVXSocketThread& operator=(const CVXSocketThread&) = delete;

  // Same rules as CVXSocket::SetServer; FALSE stores nothing.
  BOOL SetServer(const char* address, int port);
  // Starts the receive thread; FALSE when it cannot be made or was started before.
  BOOL Start();
  // Stops on purpose: sets the stop flag, shuts the socket down, waits for the thread, closes
  // the socket once. Reports nothing. Safe to call more than once and before Start.
  void Stop();

  void SetHwnd(HWND screen) { m_hWndDlg.store(screen); }
  void SetMainHwnd(HWND frame) { m_hWndMain.store(frame); }
  // 0 ends the thread before its next wait for data (without a report).
  void SetThreadContinue(int keepGoing) { m_continue.store(keepGoing != 0); }

  // The connected socket; INVALID_SOCKET before the connection and after it ended.
  SOCKET GetSocket() const;
  CVXSocket* GetVXSocket() { return &m_socket; }

  // For tests and diagnostics: the slot the next packet goes to, and a slot's bytes.
  int RingIndex() const { return m_index.load(); }
  // Packets taken so far (handed over, or dropped), each counted once the window's handler
  // has returned.
  unsigned long Received() const { return static_cast<unsigned long>(m_frameHead.load()); }
  const unsigned char* Slot(int i) const { return m_ring[i]; }
  bool Running() const;
  DWORD ThreadId() const { return m_threadId.load(); }  // 0 before Start

 private:
  // One framed piece of the stream, waiting for the window's thread: the next `length` bytes of
  // the stream after those of the frame before it. A packet to hand over, or bytes to drop. Eight
  // bytes, as eight of them pass from one thread's processor to the other's in one cache line.
  struct Frame {
    uint32_t lengthAndFlags;  // length (below 2^24: a packet, or a piece of the buffer) | flags << 24
    HWND screen;
    uint32_t length() const { return lengthAndFlags & 0xFFFFFF; }
    uint8_t flags() const { return static_cast<uint8_t>(lengthAndFlags >> 24); }
  };
  static_assert(kReadBufferSize < (1u << 24), "a frame's length holds a piece of the buffer");
  static constexpr uint8_t kHandOver = 1;       // copy into the next slot and hand over
  static constexpr uint8_t kAdvance = 2;        // the last piece of a packet: the ring index moves on
  static constexpr uint8_t kDroppedHeader = 4;  // the header of a packet too long for a slot:
                                                // into the next slot, WM_VX_PACKET_DROPPED

  struct Delivery : plat::win::QueuedCall {
    CVXSocketThread* owner = nullptr;
  };

  static DWORD WINAPI ThreadMain(LPVOID self);
  void Run();
  bool Connect();
  void Receive();
  // Reads more of the stream into the buffer; false when the connection ended (*waitFailed set
  // when the wait for data failed rather than the connection) or the thread is stopping.
  bool Refill(bool* waitFailed);
  bool Have(uint64_t count, bool* waitFailed);                // at least `count` unframed bytes, reading as needed
  uint32_t PeekLength() const;                                // the length field at the framing position
  void FrameWhole();                                          // frames the sound packets wholly read, at once
  bool Skip(uint32_t count, bool* waitFailed);                // drops `count` bytes (the last piece advances the index)
  bool Publish(uint32_t length, uint8_t flags, HWND screen);  // queues a frame; false when stopping
  void Flush();                                               // the frames queued to the window's thread
  void Schedule(HWND target);                                 // the window's thread to take what comes
  bool WaitHandled(uint64_t frames);                          // until that many frames were taken; false when stopping
  void Drain();                                               // until every frame published was taken
  void DeliverReady(bool onThread);                           // on the window's thread: the frames waiting
  void WakeReader(uint64_t head);                             // when the thread sleeps until `head` frames
  static void RunDeliveries(plat::win::QueuedCall* call, bool onThread);
  void PostSetupFailure(int code);
  void SendStatus(int code);  // sent (blocking) to the frame, after the packets read before

  // Read by both threads, written seldom.
  const RecvProfile m_profile;
  CVXSocket m_socket;
  char m_address[16];
  int m_port;
  std::atomic<HWND> m_hWndDlg;
  std::atomic<HWND> m_hWndMain;
  std::atomic<bool> m_continue;
  std::atomic<bool> m_stopping;
  std::atomic<bool> m_connected;  // the socket is connected
  HANDLE m_thread;
  std::atomic<DWORD> m_threadId;
  CRITICAL_SECTION m_lock;  // orders Start and Stop against the thread publishing its socket
  bool m_socketReady;       // under m_lock: the thread has a socket that Stop must shut down

  // Hand-over between the thread and the window's thread. What each of them writes while packets
  // flow lies on cache lines of its own, so that neither slows the other down by touching them.
  alignas(64) bool m_hadData;  // thread only
  bool m_noticeSent;           // thread only: the connected notice went out
  bool m_moreWaiting;          // thread only: the last receive filled its room; read on without waiting
  uint64_t m_written;          // thread only: stream bytes read into the buffer
  uint64_t m_framed;           // thread only: stream bytes framed
  uint64_t m_tail;             // thread only: frames framed (published up to m_frameTail)
  alignas(64) std::atomic<uint64_t> m_frameTail;  // frames published (thread)
  std::atomic<bool>
      m_readingOn;  // the thread is at data that came (from its wait's end to the next wait): frames follow
  std::atomic<uint64_t> m_wantHead;              // the thread sleeps until m_frameHead reaches it (0: not)
  std::atomic<uint32_t> m_progress;              // changes to wake the sleeping thread
  alignas(64) std::atomic<uint64_t> m_consumed;  // stream bytes the window's thread is done with
  std::atomic<uint64_t> m_frameHead;             // frames taken (window's thread)
  std::atomic<int> m_index;                      // the slot of the next packet handed over (window's thread)
  alignas(64) std::atomic<bool> m_scheduled;     // m_delivery is queued or running
  Delivery m_delivery;
  Frame m_frames[kFrameQueue];
  unsigned char m_ring[kSlotCount][kSlotSize];
  unsigned char m_buffer[kReadBufferSize];
};
