// Hosts one screen plug-in as the main program hosts screens, against the simulated trading
// server in this process: a receive thread on a live connection, the session keys agreed and
// user "demo" logged in on it (as the login screen does), the stock accounts in the registry,
// then MainDlg, the receive thread pointed at the new dialog, WM_VX_QUERY and, at the end, EndDlg.
// Tests drive the screen with the automation driver and read the grid through WM_PLAT_INSPECT.
#pragma once

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
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
#include "wire_helpers.h"

namespace screentest {

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

struct Cell {
    std::string text;
    std::string fg, bg;
};
using GridRows = std::vector<std::vector<Cell>>;

// Session stand-in: what the login screen does on the connection before any screen opens.
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

inline LRESULT CALLBACK SessionProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    SessionState* s = Session();
    if (msg != WM_VX_PACKET || !s) return msg >= WM_USER ? 0 : DefWindowProc(hwnd, msg, wParam, lParam);
    static unsigned char out[8192];
    uint16_t code = 0;
    const char* err = nullptr;
    int len = s->encrypt->analy_recv_packet(reinterpret_cast<const unsigned char*>(wParam), 0, out, sizeof out, &code, &err);
    const auto* packet = reinterpret_cast<const unsigned char*>(wParam);
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
            unsigned char packet2[512];
            int n = s->encrypt->make_packet(packet2, sizeof packet2, TR_LOGIN, '4', 1, 0, 1, 1, 0, 1, body, sizeof body);
            if (n < 0 || send(s->socket, reinterpret_cast<const char*>(packet2), n, 0) != n) s->state = -1;
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

class ScreenTest : public ::testing::Test {
protected:
    // The plug-in's built file and its handheld name.
    ScreenTest(const char* pluginFile, const char16_t* handheldName)
        : pluginFile_(pluginFile), handheldName_(handheldName) {}

    void SetUp() override {
        port = server.start(0);
        ASSERT_GT(port, 0) << server.lastError();
        char tmpl[] = "/tmp/screen_test_XXXXXX";
        ASSERT_NE(mkdtemp(tmpl), nullptr);
        root = tmpl;
        fs::create_directories(root + "/Program Files/Quorvan/Bin");
        fs::copy_file(pluginFile_, root + "/Program Files/Quorvan/Bin/" + Utf8(handheldName_));
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
            wc.lpszClassName = u"ScreenTestOwner";
            RegisterClass(&wc);
            WNDCLASS sc{};
            sc.lpfnWndProc = SessionProc;
            sc.lpszClassName = u"ScreenTestSession";
            RegisterClass(&sc);
            owner = CreateWindowEx(0, u"ScreenTestOwner", u"frame", WS_POPUP, 0, 0, 240, 320, 0, 0, nullptr, nullptr);
            sessionWnd = CreateWindowEx(0, u"ScreenTestSession", u"session", WS_POPUP, 0, 0, 10, 10, 0, 0, nullptr, nullptr);
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
        d->Ui([&] {
            if (end) end();
            if (module) FreeLibrary(module);
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

    // Opens the plug-in as the screen host does and waits for the strip's base quote.
    // `handheldName`: another plug-in placed with AddPlugin (default: the fixture's own).
    void Open(const char16_t* handheldName = nullptr) {
        size_t mark = server.logSize();
        std::u16string name = handheldName ? handheldName : handheldName_;
        d->Ui([&] {
            module = LoadLibrary((std::u16string(u"\\Program Files\\Quorvan\\Bin\\") + name).c_str());
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
        ASSERT_TRUE(WaitFor([&] { return Text(9903) == "삼성전자"; })) << Text(9903);
    }

    // Ends the open screen as the host does before it opens the next one.
    void Close() {
        d->Ui([&] {
            if (end) end();
            if (module) FreeLibrary(module);
            end = nullptr;
            module = nullptr;
            dlg = 0;
            thread->SetHwnd(sessionWnd);
        });
    }
    // Places another plug-in on the device.
    void AddPlugin(const char* pluginFile, const char16_t* handheldName) {
        fs::copy_file(pluginFile, root + "/Program Files/Quorvan/Bin/" + Utf8(handheldName));
    }

    std::string Text(int id) { return Utf8(d->Text(id)); }
    bool Enabled(int id) {
        bool on = false;
        d->Ui([&] { on = IsWindowEnabled(GetDlgItem(dlg, id)) != FALSE; });
        return on;
    }

    // The grid's rows as its inspection describes them (header line excluded).
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
            // Fields split on unescaped tabs, a cell's parts on unescaped '|'.
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
    // One column of the grid as texts.
    std::vector<std::string> Column(int id, size_t column) {
        std::vector<std::string> out;
        for (const auto& row : Grid(id)) out.push_back(column < row.size() ? row[column].text : "<none>");
        return out;
    }

    // Waits for a box, checks its text and answers it.
    void ExpectBox(const std::string& text) {
        plat::win::MessageBoxInfo b;
        ASSERT_TRUE(WaitFor([&] { return plat::win::PendingMessageBox(&b); })) << "no box: " << text;
        EXPECT_EQ(Utf8(b.text), text);
        plat::win::AnswerMessageBox(IDOK, b.hwnd);
        d->Settle();
    }
    // Taps a button and returns the plain body of the request it sent (empty when none came).
    Bytes TapAndCapture(int button, uint16_t code) {
        size_t mark = server.logSize();
        if (!d->Tap(button)) return {};
        simsrv::LogEntry e;
        if (!server.waitForRequest(code, 3000, &e, mark)) return {};
        return e.plain;
    }
    // True when no request of `code` came after `mark` (after the screen has settled).
    bool NoneSince(uint16_t code, size_t mark) {
        d->Settle();
        std::this_thread::sleep_for(std::chrono::milliseconds(30));
        d->Settle();
        return server.requests(code, mark).empty();
    }
    void PickAccount(int index) { ASSERT_TRUE(d->Pick(accountCombo_, index)); }
    // The futures/options accounts the login would have stored.
    void StoreFutOptAccounts(const std::vector<std::u16string>& accounts) {
        CPropCE reg;
        ASSERT_TRUE(reg.SetBaseKey(HKEY_LOCAL_MACHINE, VX_REG_FUTOPT));
        reg.SetValue(u"Account Count", DWORD(accounts.size()));
        for (size_t i = 0; i < accounts.size(); ++i) reg.SetValue(std::u16string(1, u'0' + i).c_str(), accounts[i].c_str());
    }
    int FocusId() {
        int id = 0;
        d->Ui([&] { id = GetDlgCtrlID(GetFocus()); });
        return id;
    }
    // Empties an edit and types into it key by key, as the user does.
    void TypeInto(int id, const std::string& text) {
        d->Ui([&] { SetDlgItemText(dlg, id, u""); });
        if (!text.empty()) {
            ASSERT_TRUE(d->Type(id, text));
        }
    }
    // Types the account password into its edit (`id`, 1007 on the balance screens).
    void TypePassword(const std::string& pw, int id = 1007) { TypeInto(id, pw); }

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
    int accountCombo_ = 1009;  // the account combo of the screen under test
    std::unique_ptr<plat::automation::Driver> d;  // last: it ends first

private:
    std::string pluginFile_;
    std::u16string handheldName_;
};

}  // namespace screentest
