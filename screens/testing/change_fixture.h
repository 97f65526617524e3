// Hosts the order inquiry, modify and cancel plug-ins as the main program hosts screens, against
// the simulated trading server in this process: a receive thread on a live connection, session
// keys agreed and user "demo" logged in on it, the stock accounts in the registry; then each
// screen is opened with MainDlg, given the receive thread and WM_VX_QUERY, and ended with EndDlg
// before the next one opens. Tests drive the screens with the automation driver, read the grid
// through WM_PLAT_INSPECT and read what the server deciphered.
#pragma once

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "plat/automation.h"
#include "plat/windows.h"
#include "simserver/server.h"
#include "vxbase/code_manager.h"
#include "vxbase/ee_encrypt.h"
#include "vxbase/menu_config.h"
#include "vxbase/messages.h"
#include "vxbase/prop_ce.h"
#include "vxbase/vx_dlg.h"
#include "vxshell/vx_socket_thread.h"
#include "vxskeleton/screen_skeleton.h"

namespace changetest {

namespace fs = std::filesystem;
using Bytes = std::vector<uint8_t>;

typedef void* (*MainDlgFn)(void*, HWND, SOCKET, CVXSocketThread*, EE_Encrypt*, CCodeManager*, BOOL, CMenuConfigFile*);
typedef void (*EndDlgFn)();

inline std::string Utf8(const std::u16string& s) {
    std::string out(s.size() * 3 + 1, '\0');
    int n = WideCharToMultiByte(CP_UTF8, 0, s.c_str(), static_cast<int>(s.size()), out.data(),
                                static_cast<int>(out.size()), nullptr, nullptr);
    out.resize(n > 0 ? static_cast<size_t>(n) : 0);
    return out;
}

inline Bytes B(const std::string& s) { return Bytes(s.begin(), s.end()); }

struct Cell {
    std::string text, fg, bg;
};
using GridRows = std::vector<std::vector<Cell>>;

struct SessionState {
    EE_Encrypt* encrypt = nullptr;
    SOCKET socket = INVALID_SOCKET;
    std::atomic<int> state{0};  // 0 running, 1 logged in, -1 failed
    std::string failure;
};
inline SessionState*& Session() {
    static SessionState* s = nullptr;
    return s;
}
inline std::mutex& OwnerLock() {
    static std::mutex m;
    return m;
}
inline std::vector<MSG>& OwnerLog() {
    static std::vector<MSG> v;
    return v;
}

inline bool SendKeyToken(SessionState& s) {
    unsigned char token[1024], packet[2048];
    if (s.encrypt->init("\\pelvato.der", nullptr, 0) < 0) return false;
    int n = s.encrypt->create_send_key(token, sizeof token);
    if (n < 0) return false;
    int len = s.encrypt->make_packet(packet, sizeof packet, TR_LOGIN_KEY, '4', 1, 0, 1, 1, 0, 0, token, n);
    return len > 0 && send(s.socket, reinterpret_cast<const char*>(packet), len, 0) == len;
}

// The login screen's part: key exchange, then user "demo" with "1234".
inline LRESULT CALLBACK SessionProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    SessionState* s = Session();
    if (msg != WM_VX_PACKET || !s) return msg >= WM_USER ? 0 : DefWindowProc(hwnd, msg, wParam, lParam);
    static unsigned char out[8192];
    uint16_t code = 0;
    const char* err = nullptr;
    const auto* packet = reinterpret_cast<const unsigned char*>(wParam);
    int len = s->encrypt->analy_recv_packet(packet, 0, out, sizeof out, &code, &err);
    if (len < 0 || (packet[11] != '0' && packet[12] != '0')) {
        s->failure = "reply " + std::to_string(code) + " refused";
        s->state = -1;
        return 0;
    }
    if (code == TR_LOGIN_KEY) {
        int r = s->encrypt->analy_recv_key(out, len);
        if (r == EE_RESEND_KEY) {
            if (!SendKeyToken(*s)) s->state = -1;
        } else if (r == EE_OK) {
            unsigned char body[20] = {'d', 'e', 'm', 'o', 0, 0, 0, 0, 0, 0, '1', '2', '3', '4'};
            unsigned char p2[512];
            int n = s->encrypt->make_packet(p2, sizeof p2, TR_LOGIN, '4', 1, 0, 1, 1, 0, 1, body, sizeof body);
            if (n < 0 || send(s->socket, reinterpret_cast<const char*>(p2), n, 0) != n) s->state = -1;
        } else {
            s->failure = "key exchange " + std::to_string(r);
            s->state = -1;
        }
    } else if (code == TR_LOGIN) {
        s->state = 1;
    }
    return 0;
}

inline LRESULT CALLBACK OwnerProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg >= WM_USER) {
        std::lock_guard<std::mutex> l(OwnerLock());
        OwnerLog().push_back(MSG{hwnd, msg, wParam, lParam, 0, {}});
        return 0;
    }
    return DefWindowProc(hwnd, msg, wParam, lParam);
}

class ChangeScreenTest : public ::testing::Test {
public:  // the helpers are used from tables of cases too
    void SetUp() override {
        port = server.start(0);
        ASSERT_GT(port, 0) << server.lastError();
        char tmpl[] = "/tmp/inquiry_test_XXXXXX";
        ASSERT_NE(mkdtemp(tmpl), nullptr);
        root = tmpl;
        fs::create_directories(root + "/Program Files/Quorvan/Bin");
#ifdef ZR4340_PLUGIN
        fs::copy_file(ZR4340_PLUGIN, root + "/Program Files/Quorvan/Bin/ZR4340.dll");
#endif
#ifdef ZR4320_PLUGIN
        fs::copy_file(ZR4320_PLUGIN, root + "/Program Files/Quorvan/Bin/ZR4320.dll");
#endif
#ifdef ZR4330_PLUGIN
        fs::copy_file(ZR4330_PLUGIN, root + "/Program Files/Quorvan/Bin/ZR4330.dll");
#endif
        plat::SetDeviceRoot(root);
        plat::win::ResetForTests();
        CVXDlg::csLastItemCode.Empty();
        {
            std::lock_guard<std::mutex> l(OwnerLock());
            OwnerLog().clear();
        }
        {
            CPropCE reg;
            ASSERT_TRUE(reg.SetBaseKey(HKEY_LOCAL_MACHINE, VX_REG_STOCK));
            reg.SetValue(u"Account Count", DWORD(2));
            reg.SetValue(u"0", u"1234567801");
            reg.SetValue(u"1", u"1234567802");
        }
        plat::automation::Driver::Options o;
        o.onFailure = [](const std::string& what) { ADD_FAILURE() << what; };
        d = std::make_unique<plat::automation::Driver>(o);
        session.encrypt = &encrypt;
        Session() = &session;
        d->Ui([&] {
            WNDCLASS wc{};
            wc.lpfnWndProc = OwnerProc;
            wc.lpszClassName = u"InquiryOwner";
            RegisterClass(&wc);
            WNDCLASS sc{};
            sc.lpfnWndProc = SessionProc;
            sc.lpszClassName = u"InquirySession";
            RegisterClass(&sc);
            owner = CreateWindowEx(0, u"InquiryOwner", u"frame", WS_POPUP, 0, 0, 240, 320, 0, 0, nullptr, nullptr);
            sessionWnd = CreateWindowEx(0, u"InquirySession", u"session", WS_POPUP, 0, 0, 10, 10, 0, 0, nullptr, nullptr);
            thread = new CVXSocketThread(kMainRecvProfile);
            thread->SetMainHwnd(owner);
            thread->SetHwnd(sessionWnd);
            thread->SetServer("127.0.0.1", port);
            ASSERT_TRUE(thread->Start());
        });
        ASSERT_TRUE(WaitFor([&] { return !OwnerGot(WM_VX_CONNECTED).empty(); }));
        d->Ui([&] {
            session.socket = thread->GetSocket();
            ASSERT_TRUE(SendKeyToken(session));
        });
        ASSERT_TRUE(WaitFor([&] { return session.state != 0; })) << "no login";
        ASSERT_EQ(session.state, 1) << session.failure;
    }

    void TearDown() override {
        plat::win::MessageBoxInfo b;
        while (plat::win::PendingMessageBox(&b)) {
            ADD_FAILURE() << "box left open: " << Utf8(b.text);
            plat::win::AnswerMessageBox(b.buttons.front(), b.hwnd);
            d->Settle();
        }
        Close();
        d->Ui([&] {
            if (thread) {
                thread->Stop();
                delete thread;
            }
            DestroyWindow(sessionWnd);
            DestroyWindow(owner);
        });
        d.reset();
        Session() = nullptr;
        server.stop();
        std::error_code ec;
        fs::remove_all(root, ec);
    }

    template <typename F>
    bool WaitFor(F cond, int ms = 5000) {
        return d->Until(cond, ms);
    }
    std::vector<MSG> OwnerGot(UINT message) {
        std::lock_guard<std::mutex> l(OwnerLock());
        std::vector<MSG> out;
        for (const MSG& m : OwnerLog())
            if (m.message == message) out.push_back(m);
        return out;
    }
    // The screens the owner was asked to open, in order.
    std::vector<WPARAM> OpenRequests() {
        std::vector<WPARAM> out;
        for (const MSG& m : OwnerGot(WM_VX_OPEN_SCREEN)) out.push_back(m.wParam);
        return out;
    }

    // Opens a plug-in ("ZR4340") as the screen host does and waits for its base quote.
    void Open(const std::string& name) {
        Close();
        size_t mark = server.logSize();
        d->Ui([&] {
            std::u16string file = u"\\Program Files\\Quorvan\\Bin\\";
            for (char c : name + ".dll") file += static_cast<char16_t>(c);
            module = LoadLibrary(file.c_str());
            ASSERT_NE(module, nullptr);
            auto mainDlg = reinterpret_cast<MainDlgFn>(GetProcAddress(module, "MainDlg"));
            end = reinterpret_cast<EndDlgFn>(GetProcAddress(module, "EndDlg"));
            ASSERT_TRUE(mainDlg && end);
            uint32_t record[2] = {1, 1};
            mainDlg(record, owner, thread->GetSocket(), thread, &encrypt, &codes, FALSE, &menu);
            dlg = static_cast<HWND>(record[0]);
            ASSERT_NE(dlg, 0u);
            thread->SetHwnd(dlg);
            SendMessage(dlg, WM_VX_QUERY, 0, 0);
        });
        ASSERT_TRUE(server.waitForRequest(4101, 3000, nullptr, mark));
        ASSERT_TRUE(WaitFor([&] { return !Text(9903).empty(); })) << "no item name" << d->Tree();
    }
    void Close() {
        d->Ui([&] {
            if (end) end();
            if (module) FreeLibrary(module);
            if (thread) thread->SetHwnd(sessionWnd);
        });
        end = nullptr;
        module = nullptr;
        dlg = 0;
    }

    std::string Text(int id) { return Utf8(d->Text(id)); }
    bool Enabled(int id) {
        bool on = false;
        d->Ui([&] { on = IsWindowEnabled(GetDlgItem(dlg, id)) != FALSE; });
        return on;
    }
    bool Checked(int id) {
        bool on = false;
        d->Ui([&] { on = SendMessage(GetDlgItem(dlg, id), BM_GETCHECK, 0, 0) == BST_CHECKED; });
        return on;
    }
    int Focus() {
        int id = 0;
        d->Ui([&] {
            HWND f = GetFocus();
            while (f && GetParent(f) && GetParent(f) != dlg) f = GetParent(f);
            id = GetDlgCtrlID(f);
        });
        return id;
    }
    void SetText(int id, const std::string& utf8) {
        std::u16string t;
        for (size_t i = 0; i < utf8.size();) {  // ASCII and Korean test texts only
            unsigned char c = static_cast<unsigned char>(utf8[i]);
            if (c < 0x80) {
                t += static_cast<char16_t>(c);
                ++i;
            } else {
                t += static_cast<char16_t>(((c & 0x0F) << 12) | ((utf8[i + 1] & 0x3F) << 6) | (utf8[i + 2] & 0x3F));
                i += 3;
            }
        }
        d->Ui([&] { SetDlgItemText(dlg, id, t.c_str()); });
    }
    // Empties the edit and types into it as the user does.
    void Retype(int id, const std::string& text) {
        SetText(id, "");
        if (!text.empty()) {
            ASSERT_TRUE(d->Type(id, text));
        }
    }

    // The grid's rows as its inspection describes them (header excluded).
    GridRows Grid(int id) {
        std::u16string text;
        d->Ui([&] { SendMessage(GetDlgItem(dlg, id), WM_PLAT_INSPECT, reinterpret_cast<WPARAM>(&text), 0); });
        GridRows rows;
        std::string all = Utf8(text);
        size_t at = 0;
        while (at < all.size()) {
            size_t eol = all.find('\n', at);
            if (eol == std::string::npos) eol = all.size();
            std::string line = all.substr(at, eol - at);
            at = eol + 1;
            if (line.rfind("row ", 0) != 0) continue;
            std::vector<std::vector<std::string>> fields(1, std::vector<std::string>(1));
            for (size_t i = 0; i < line.size(); ++i) {
                char c = line[i];
                if (c == '\\' && i + 1 < line.size()) {
                    char e = line[++i];
                    fields.back().back() += e == 't' ? '\t' : e == 'n' ? '\n' : e == 'r' ? '\r' : e;
                } else if (c == '\t') {
                    fields.emplace_back(1);
                } else if (c == '|') {
                    fields.back().emplace_back();
                } else {
                    fields.back().back() += c;
                }
            }
            std::vector<Cell> cells;
            for (size_t f = 1; f < fields.size(); ++f) {
                Cell cell;
                cell.text = fields[f][0];
                if (fields[f].size() > 1) cell.fg = fields[f][1];
                if (fields[f].size() > 2) cell.bg = fields[f][2];
                cells.push_back(cell);
            }
            rows.push_back(cells);
        }
        return rows;
    }
    std::vector<std::string> Column(int id, size_t column) {
        std::vector<std::string> out;
        for (const auto& row : Grid(id)) out.push_back(column < row.size() ? row[column].text : "<none>");
        return out;
    }

    // Waits for a box, checks its text (and caption when given) and answers it.
    void ExpectBox(const std::string& text, int answer = IDOK, const char* caption = nullptr) {
        plat::win::MessageBoxInfo b;
        ASSERT_TRUE(WaitFor([&] { return plat::win::PendingMessageBox(&b); })) << "no box: " << text;
        EXPECT_EQ(Utf8(b.text), text);
        if (caption) {
            EXPECT_EQ(Utf8(b.caption), caption);
        }
        plat::win::AnswerMessageBox(answer, b.hwnd);
        d->Settle();
    }
    // The next box's text, answered with `answer`; empty when none came.
    std::string TakeBox(int answer = IDOK, std::string* caption = nullptr) {
        plat::win::MessageBoxInfo b;
        if (!WaitFor([&] { return plat::win::PendingMessageBox(&b); })) return {};
        if (caption) *caption = Utf8(b.caption);
        plat::win::AnswerMessageBox(answer, b.hwnd);
        d->Settle();
        return Utf8(b.text);
    }
    bool NoBox() {
        d->Settle();
        return !plat::win::PendingMessageBox(nullptr);
    }
    // True when no request of `code` came after `mark`.
    bool NoneSince(uint16_t code, size_t mark) {
        d->Settle();
        std::this_thread::sleep_for(std::chrono::milliseconds(30));
        d->Settle();
        return server.requests(code, mark).empty();
    }
    // The plain body of the first request of `code` after `mark` (empty when none came).
    Bytes RequestSince(uint16_t code, size_t mark) {
        simsrv::LogEntry e;
        if (!server.waitForRequest(code, 3000, &e, mark)) return {};
        return e.plain;
    }

    // Places an order straight into the server's book; returns its number.
    std::string Place(const std::string& account, const std::string& code, bool buy, char type, int64_t qty,
                      int64_t price, bool ecn = false) {
        simsrv::OrderResult r = server.withMarket(
            [&](simsrv::Market& m) { return m.PlaceOrder(account, code, buy, ecn, type, qty, price); });
        EXPECT_TRUE(r.ok) << r.message;
        return r.number;
    }
    std::vector<simsrv::Order> Orders() {
        return server.withMarket([](simsrv::Market& m) { return m.Orders(); });
    }
    simsrv::Order OrderNo(const std::string& number) {
        for (const simsrv::Order& o : Orders())
            if (o.number == number) return o;
        ADD_FAILURE() << "no order " << number;
        return {};
    }

    std::string HostFile(const char* devicePath) {
        std::string host;
        EXPECT_TRUE(plat::HostPath(std::string_view(devicePath), host));
        return host;
    }
    Bytes ReadHost(const std::string& host) {
        std::ifstream f(host, std::ios::binary);
        return Bytes((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
    }

    simsrv::TradingServer server;
    int port = 0;
    std::string root;
    HWND owner = 0, sessionWnd = 0, dlg = 0;
    CVXSocketThread* thread = nullptr;
    EE_Encrypt encrypt;
    CCodeManager codes;
    CMenuConfigFile menu;
    SessionState session;
    HMODULE module = nullptr;
    EndDlgFn end = nullptr;
    std::unique_ptr<plat::automation::Driver> d;  // last: it ends first
};

}  // namespace changetest
