// The receive thread of the main program and of the updater: one TCP connection to a server,
// read on a thread of its own, framed by the packet's leading length, kept in one of seven
// fixed ring slots and handed to the registered window by a blocking WM_VX_PACKET. The state
// of the connection goes to the frame window as WM_VX_SOCKET_STATUS.
//
// Both programs use the same machine with other parameters (RecvProfile): the main program's
// packets carry a 4-byte length and the 15-byte TR_HEADER, the updater's a 2-byte length and a
// 9-byte header.
//
// Life of one connection:
//   auto* t = new CVXSocketThread(kMainRecvProfile);
//   t->SetHwnd(screen); t->SetMainHwnd(frame);
//   t->SetServer("127.0.0.1", 28100); t->Start();
//   ... WM_VX_CONNECTED (lParam = socket) to the frame, then WM_VX_PACKET per packet ...
//   delete t;   // or t->Stop(): nothing more is reported, the socket is closed once
//
// Stop (and the destructor) must not be called from inside the handler of a message this
// thread sent (WM_VX_PACKET, WM_VX_CONNECTED or a lost-connection status): the thread waits for
// that handler and the stop waits for the thread. Post yourself a message and stop from there.
// While stopping, the calling thread keeps handling messages sent to it, so a screen on the
// stopping thread can finish the packet it is being handed: a message the thread issued just
// before the stop (WM_VX_CONNECTED, WM_VX_PACKET) may thus still be handled inside Stop. Nothing
// is issued once the stop flag is set. A frame forgets its thread before stopping it, so that its
// handlers can tell such a late message from one of the current connection.
#pragma once

#include <atomic>
#include <cstdint>

#include "plat/kernel.h"
#include "plat/window.h"
#include "plat/winsock.h"

// What differs between the main program's thread and the updater's.
struct RecvProfile {
    int lengthBytes;      // size of the leading big-endian length: 4 or 2 (it counts itself)
    int headerSize;       // smallest sound packet; the body handed over starts here
    UINT connectedMsg;    // sent to the frame once per object when connected (lParam = socket)
    int noSocket;         // status: the socket could not be made
    int badAddress;       // status: the server address or port is invalid
    int connectFailed;    // status: the connection to the server failed
    int lostAfterData;    // status: connection closed, failed or out of frame after a packet length
    int lostBeforeData;   // status: the same before any packet length was read
    int waitFailed;       // status: the wait for data failed (-1: reported as a lost connection)
    int waitEmpty;        // status: the wait returned without data (-1: not reported)
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

    BOOL Create();                                  // a TCP stream socket
    // Dotted IPv4 text of 7 to 15 characters and a port 1..65535.
    BOOL SetServer(const char* address, int port);
    // Connects; gives up (FALSE) as soon as *cancelled becomes true, when given.
    BOOL Connect(const std::atomic<bool>* cancelled = nullptr);
    // Closes the socket once, whoever calls it and however often; the handle goes back to none.
    void Close();
    // Ends both directions so that a thread waiting on the socket wakes up; the handle stays.
    void Shutdown();
    int Receive(char* buffer, int length);          // one receive: bytes, 0 closed, <0 failed
    BOOL ReceiveAll(char* buffer, int length);      // exactly `length` bytes, or FALSE

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
    const unsigned char* Slot(int i) const { return m_ring[i]; }
    bool Running() const;
    DWORD ThreadId() const { return m_threadId.load(); }  // 0 before Start

private:
    static DWORD WINAPI ThreadMain(LPVOID self);
    void Run();
    bool Connect();
    void Receive();
    void Deliver(unsigned char* slot);
    bool Discard(uint32_t count, unsigned char* scratch, int scratchSize);
    void DeliverHeader(unsigned char* slot);
    void PostSetupFailure(int code);
    void SendStatus(int code);  // sent (blocking) to the frame

    const RecvProfile m_profile;
    CVXSocket m_socket;
    char m_address[16];
    int m_port;
    std::atomic<HWND> m_hWndDlg;
    std::atomic<HWND> m_hWndMain;
    bool m_hadData;
    std::atomic<int> m_index;
    std::atomic<bool> m_continue;
    std::atomic<bool> m_stopping;
    bool m_noticeSent;                // thread only: the connected notice went out
    std::atomic<bool> m_connected;    // the socket is connected
    HANDLE m_thread;
    std::atomic<DWORD> m_threadId;
    CRITICAL_SECTION m_lock;  // orders Start and Stop against the thread publishing its socket
    bool m_socketReady;       // under m_lock: the thread has a socket that Stop must shut down
    unsigned char m_ring[kSlotCount][kSlotSize];
};
