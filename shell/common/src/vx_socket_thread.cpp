// Receive thread and socket holder shared by the main program and the updater.
#include <cstdio>
#include <cstring>

#include "vxshell/vx_socket_thread.h"
#include "vxbase/messages.h"
#include "vxbase/tr_header.h"

const RecvProfile kMainRecvProfile = {
    4, TR_HEADER_SIZE, WM_VX_CONNECTED,
    VX_SOCK_NO_SOCKET, VX_SOCK_BAD_ADDRESS, VX_SOCK_CONNECT_FAILED,
    VX_SOCK_LOST_AFTER_DATA, VX_SOCK_LOST_BEFORE_DATA, VX_SOCK_WAIT_FAILED, VX_SOCK_WAIT_EMPTY,
    true,
};

const RecvProfile kUpdaterRecvProfile = {
    2, 9, WM_VX_VERSION_CONNECTED,
    VX_VER_NO_SOCKET, VX_VER_BAD_ADDRESS, VX_VER_CONNECT_FAILED,
    VX_VER_LOST_AFTER_DATA, VX_VER_LOST_BEFORE_DATA, -1, -1,
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

CVXSocketThread::CVXSocketThread(const RecvProfile& profile)
    : m_profile(profile),
      m_address{},
      m_port(0),
      m_hWndDlg(0),
      m_hWndMain(0),
      m_hadData(false),
      m_index(0),
      m_continue(true),
      m_stopping(false),
      m_noticeSent(false),
      m_connected(false),
      m_thread(nullptr),
      m_threadId(0),
      m_socketReady(false) {
    InitializeCriticalSection(&m_lock);
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

    // Wakes the thread from its wait or receive; it then sees the stop flag and reports nothing.
    if (shutDown) m_socket.Shutdown();
    if (thread) {
        // The thread may be handing a packet to a window of this thread: keep handling the
        // messages sent here while waiting, or both would wait for each other.
        while (WaitForSingleObject(thread, 5) == WAIT_TIMEOUT) {
            MSG msg;
            PeekMessage(&msg, 0, 0, 0, PM_NOREMOVE);
        }
        CloseHandle(thread);
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
    if (!Connect()) return;
    Receive();
    m_socket.Close();
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
    const HWND frame = m_hWndMain.load();
    if (frame && !m_stopping.load()) SendMessage(frame, WM_VX_SOCKET_STATUS, static_cast<WPARAM>(code), 1);
}

bool CVXSocketThread::Discard(uint32_t count, unsigned char* scratch, int scratchSize) {
    // The bytes of a packet that fits no slot are read through the slot and dropped, so that the
    // next length is read where the next packet starts.
    while (count > 0) {
        const int chunk = count > static_cast<uint32_t>(scratchSize) ? scratchSize : static_cast<int>(count);
        if (!m_socket.ReceiveAll(reinterpret_cast<char*>(scratch), chunk)) return false;
        count -= static_cast<uint32_t>(chunk);
    }
    return true;
}

void CVXSocketThread::DeliverHeader(unsigned char* slot) {
    const HWND screen = m_hWndDlg.load();
    if (screen && !m_stopping.load()) SendMessage(screen, WM_VX_PACKET_DROPPED, reinterpret_cast<WPARAM>(slot), 0);
}

void CVXSocketThread::Deliver(unsigned char* slot) {
    if (m_stopping.load()) return;
    const HWND screen = m_hWndDlg.load();
    if (!screen) {
        MessageBox(0, u"m_hWndDlg is NULL", u"", MB_OK);
        return;
    }
    SendMessage(screen, WM_VX_PACKET, reinterpret_cast<WPARAM>(slot),
                reinterpret_cast<LPARAM>(slot + m_profile.headerSize));
}

void CVXSocketThread::Receive() {
    const int lengthBytes = m_profile.lengthBytes;
    const SOCKET s = m_socket.GetSocket();
    // Ends the connection: reported as lost unless the stop was asked for.
    auto lost = [this] {
        SendStatus(m_hadData ? m_profile.lostAfterData : m_profile.lostBeforeData);
        m_hadData = false;
    };
    for (;;) {
        if (!m_noticeSent) {
            m_noticeSent = true;
            const HWND frame = m_hWndMain.load();
            if (frame && !m_stopping.load())
                SendMessage(frame, m_profile.connectedMsg, 0, static_cast<LPARAM>(s));
        }
        if (!m_continue.load() || m_stopping.load()) return;

        const int index = m_index.load();
        unsigned char* slot = m_ring[index];
        std::memset(slot, 0, static_cast<size_t>(m_profile.headerSize));

        fd_set readable;
        FD_ZERO(&readable);
        FD_SET(s, &readable);
        const int ready = select(0, &readable, nullptr, nullptr, nullptr);
        if (ready == SOCKET_ERROR) {
            // A wait that fails will fail again: the connection is gone. Reported once.
            if (m_profile.waitFailed >= 0) {
                SendStatus(m_profile.waitFailed);
                m_hadData = false;
            } else {
                lost();
            }
            return;
        }
        if (ready == 0 || !FD_ISSET(s, &readable)) {
            if (m_profile.waitEmpty >= 0) SendStatus(m_profile.waitEmpty);
            continue;
        }

        if (!m_socket.ReceiveAll(reinterpret_cast<char*>(slot), lengthBytes)) {
            lost();
            return;
        }
        m_hadData = true;
        const uint32_t length = lengthBytes == 4 ? TrGetU32(slot) : TrGetU16(slot);
        if (length < static_cast<uint32_t>(m_profile.headerSize)) {
            // Shorter than its own header: nothing tells where the next packet starts.
            lost();
            return;
        }
        if (length > static_cast<uint32_t>(kSlotSize)) {
            // The header first, then the rest through the slot's body (kept from the header).
            const int header = m_profile.headerOfDropped ? m_profile.headerSize - lengthBytes : 0;
            if (!m_socket.ReceiveAll(reinterpret_cast<char*>(slot + lengthBytes), header) ||
                !Discard(length - static_cast<uint32_t>(lengthBytes + header), slot + lengthBytes + header,
                         kSlotSize - lengthBytes - header)) {
                lost();
                return;
            }
            if (m_profile.headerOfDropped) DeliverHeader(slot);
        } else {
            if (!m_socket.ReceiveAll(reinterpret_cast<char*>(slot + lengthBytes),
                                     static_cast<int>(length) - lengthBytes)) {
                lost();
                return;
            }
            Deliver(slot);
        }
        m_index.store(index + 1 == kSlotCount ? 0 : index + 1);
    }
}
