// VX2001: the home quote board, the start screen after the version check. For one stock item it
// shows the base-quote strip, the five-level order book (6100) and the last three trades (4140),
// and keeps all three live through the trade, order-book and index pushes. A double tap on a level
// hands its price to the buy or sell screen through the registry.
#include <cinttypes>
#include <cstdio>
#include <cstring>
#include <iterator>
#include <memory>

#include "glimmet/file_log.h"
#include "vxbase/grid_size.h"
#include "vxbase/money.h"
#include "vxrealtime/order_book.h"
#include "vxrealtime/realtime.h"
#include "vxskeleton/screen_skeleton.h"

namespace {

constexpr uint16_t kTrTicks = 4140;
constexpr int kBookGridId = 1357;
constexpr int kTickGridId = 1358;
constexpr UINT_PTR kBookFlashTimer = 1;
constexpr UINT_PTR kTickFlashTimer = 3;
constexpr UINT kBookFlashMs = 200;
constexpr UINT kTickFlashMs = 200;
constexpr UINT kScreenTenLevel = 92005;
constexpr UINT kScreenTicks = 92003;
constexpr UINT kHeaderBitmap = 130;

constexpr int kTickRecord = 24;   // TICK_LIST_4140 record: time, price, sign, change, volume, accumulated
constexpr int kTickRows = 3;
constexpr int kTickColumns = 5;
const WCHAR* const kTickTitles[kTickColumns] = {u"시 간", u"체결가", nullptr, u"전일비", u"체결량"};
const int kTickWidths[kTickColumns] = {60, 50, 16, 50, 60};

const vxskel::GoToButton kGoTo[] = {{IDC_BTN_FUTOPT, VX_SCREEN_FUTOPT_HOME, false}};
const UINT kFinders[] = {IDC_BTN_FINDER};

vxskel::ScreenConfig MakeConfig() {
    vxskel::ScreenConfig c;
    c.moduleName = u"VX2001.dll";
    c.chain = vxskel::ItemChain::None;  // the combo asks for all three quotes itself
    c.goTo = kGoTo;
    c.goToCount = std::size(kGoTo);
    c.finderButtons = kFinders;
    c.finderCount = std::size(kFinders);
    c.plainReplies = true;
    return c;
}
const vxskel::ScreenConfig kConfig = MakeConfig();

constexpr DWORD kButton = WS_VISIBLE | WS_TABSTOP | BS_OWNERDRAW;
constexpr DWORD kCombo = WS_VISIBLE | WS_TABSTOP | CBS_DROPDOWN | WS_VSCROLL;

// 240 x 320: menu bar, item code, upper strip (44-63) with 조회, the two grids, lower strip
// (279-298) and the keypad.
const plat::DialogItemTemplate kItems[] = {
    {u"BUTTON", IDC_BTN_QUOTES, u"시세", kButton, 0, 1, 0, 32, 20},
    {u"BUTTON", IDC_BTN_ORDERS, u"주문", kButton, 0, 34, 0, 32, 20},
    {u"BUTTON", IDC_BTN_BALANCES, u"체/잔", kButton, 0, 67, 0, 34, 20},
    {u"BUTTON", IDC_BTN_NEWS, u"시황", kButton, 0, 102, 0, 32, 20},
    {u"BUTTON", IDC_BTN_ECN, u"ECN", kButton, 0, 135, 0, 32, 20},
    {u"BUTTON", IDC_BTN_FUTOPT, u"선/옵", kButton, 0, 168, 0, 34, 20},
    {u"BUTTON", IDC_BTN_EXIT, u"X", kButton, 0, 218, 0, 22, 20},
    {u"COMBOBOX", IDC_ITEM_COMBO, nullptr, kCombo, 0, 1, 22, 62, 120},
    {u"BUTTON", IDC_BTN_FINDER, u"?", kButton, 0, 64, 22, 18, 20},
    {u"STATIC", IDC_ITEM_NAME, u"", WS_VISIBLE | SS_LEFT, 0, 83, 22, 95, 20},
    {u"COMBOBOX", IDC_QUICK_MOVE, nullptr, WS_VISIBLE | WS_VSCROLL | CBS_DROPDOWNLIST, 0, 179, 22, 60, 120},
    {u"BUTTON", IDC_BTN_QUERY, u"조회", kButton, 0, 210, 44, 29, 19},
    {u"BUTTON", 8301, u"1", kButton, 0, 1, 300, 21, 20},
    {u"BUTTON", 8302, u"2", kButton, 0, 22, 300, 21, 20},
    {u"BUTTON", 8303, u"3", kButton, 0, 43, 300, 21, 20},
    {u"BUTTON", 8304, u"4", kButton, 0, 64, 300, 21, 20},
    {u"BUTTON", 8305, u"5", kButton, 0, 85, 300, 21, 20},
    {u"BUTTON", 8306, u"6", kButton, 0, 106, 300, 21, 20},
    {u"BUTTON", 8307, u"7", kButton, 0, 127, 300, 21, 20},
    {u"BUTTON", 8308, u"8", kButton, 0, 148, 300, 21, 20},
    {u"BUTTON", 8309, u"9", kButton, 0, 169, 300, 21, 20},
    {u"BUTTON", IDC_KEY_0, u"0", kButton, 0, 190, 300, 21, 20},
    {u"BUTTON", IDC_KEY_BACK, u"<<", kButton, 0, 211, 300, 28, 20},
};
const plat::DialogTemplate kScreen = {WS_POPUP | WS_VISIBLE, 0, 0, 0, 240, 294, u"", nullptr, u"Tahoma", 13,
                                      kItems, std::size(kItems)};
PLAT_RESOURCE(plat::res::Dialog, 101, &kScreen, sizeof kScreen);
PLAT_RESOURCE(plat::res::Bitmap, kHeaderBitmap, &vxrt::kHeaderArrow, sizeof vxrt::kHeaderArrow);

// A wire number of `groups` groups in 64 bits (the accumulated volume passes 2^31).
int64_t Net64(const unsigned char* p, int groups) { return get_net_value(p, 2 * groups); }

// Digits with thousands commas, into a buffer of the caller (no allocation per push).
void GroupDigits(int64_t value, char* out, size_t size) {
    char digits[24];
    std::snprintf(digits, sizeof digits, "%" PRId64, value < 0 ? -value : value);
    size_t n = std::strlen(digits), at = 0;
    if (value < 0 && at + 1 < size) out[at++] = '-';
    for (size_t i = 0; i < n && at + 1 < size; ++i) {
        out[at++] = digits[i];
        size_t left = n - 1 - i;
        if (left > 0 && left % 3 == 0 && at + 1 < size) out[at++] = ',';
    }
    out[at] = '\0';
}

// One trade of the tick history: the 4140 record layout and the text of its volume cell.
struct TickSlot {
    bool used = false;
    unsigned char rec[kTickRecord] = {};
    char volume[32] = {};
};

class CVX2001Dlg : public vxskel::CVXScreenDlg {
public:
    CVX2001Dlg() : CVXScreenDlg(kConfig, 101) {}
    ~CVX2001Dlg() override {
        m_real.ReleaseAll();
        m_book.Destroy();
        m_ticks.reset();
    }

    void OnInitScreen() override {
        CreateGrids();
        InitItemCode(IDC_ITEM_COMBO);
        GetItemCodeFromComboBox();
        m_real.Start();
    }

    void OnQuery() override { QueryAll(); }

    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override {
        if (message == WM_VGRID_NOTIFY) return OnGridNotify(static_cast<int>(wParam), reinterpret_cast<V_Grid*>(lParam));
        if (message == WM_TIMER && (wParam == kBookFlashTimer || wParam == kTickFlashTimer)) {
            OnFlashTimer(static_cast<UINT_PTR>(wParam));
            return 0;
        }
        LRESULT result = CVXScreenDlg::WindowProc(message, wParam, lParam);
        if (message == WM_VX_PACKET && wParam) AfterPacket(reinterpret_cast<const unsigned char*>(wParam));
        return result;
    }

    BOOL OnCommand(WPARAM wParam, LPARAM lParam) override {
        UINT id = LOWORD(wParam);
        UINT code = HIWORD(wParam);
        if (id == IDC_ITEM_COMBO) {
            if (code == CBN_EDITCHANGE) {
                if (EditItemCode(IDC_ITEM_COMBO)) {
                    SetItemCodeToComboBox();
                    QueryAll();
                }
                return TRUE;
            }
            if (code == CBN_SELCHANGE) {
                CString text;
                if (GetComboSelText(IDC_ITEM_COMBO, text)) {
                    SetItemCodeToComboBox();
                    QueryAll();
                }
                return TRUE;
            }
            if (code == CBN_SETFOCUS) {
                SetInputControl(IDC_ITEM_COMBO);
                return TRUE;
            }
        }
        if (id == IDC_QUICK_MOVE && code == CBN_SELCHANGE) {
            if (auto* quick = static_cast<CComboBox*>(GetDlgItem(IDC_QUICK_MOVE)))
                ComboMenuQuick(GetWndOwner(), quick->GetCurSel() + 1);
            return TRUE;
        }
        if (code == BN_CLICKED && id == IDC_BTN_QUERY) {
            QueryAll();
            return TRUE;
        }
        if (code == BN_CLICKED && id == IDC_BTN_FINDER) {
            OnBtnScoutlet();
            return TRUE;
        }
        return CVXScreenDlg::OnCommand(wParam, lParam);
    }

    void OnReply(uint16_t code, const unsigned char* body, int len) override {
        switch (code) {
            case kTrTicks:
                FillTicks(body, len);
                break;
            case vxrt::kTrOrderBook:
                if (len < vxrt::BookSnapshotSize(5)) ReportShortReply(code);
                else m_book.FillSnapshot(body, len);
                break;
            case vxrt::kPushTick:
                OnTickPush(body, len);
                break;
            case vxrt::kPushBook5:
                if (vxrt::PushRecordCount(body, len, vxrt::kBook5Record) < 1 || !m_real.IsCurrentItem(body + 1)) break;
                if (m_book.MergePush(vxrt::kBook9120, body + 1, m_real.PrevClose())) {
                    m_book.Grid()->redraw();
                    SetTimer(kBookFlashTimer, kBookFlashMs, nullptr);
                }
                break;
            case vxrt::kPushIndex:
                vxrt::IndexToStrip(*this, body, len);
                break;
            default:
                break;
        }
    }

private:
    // Sends the base quote, the order book and the last trades of the item in the combo.
    void QueryAll() {
        GetItemCodeFromComboBox();
        StartWaitCursor();
        const char* code = GetItemCodeField();
        unsigned char packet[28];
        RequestStockBase();
        vxskel::MakePlainRequest(packet, vxrt::kTrOrderBook, code);
        TrPutU32(packet, 22);
        packet[21] = '1';
        SendPacket(packet, 22);
        vxskel::MakePlainRequest(packet, kTrTicks, code);
        TrPutU32(packet, 28);
        packet[21] = kTickRows;
        packet[22] = m_tickPage;
        packet[23] = 'F';
        std::memcpy(packet + 24, "    ", 4);
        SendPacket(packet, 28);
    }

    // After any reply or push: the registration that follows a base quote, and the focus.
    void AfterPacket(const unsigned char* packet) {
        uint32_t total = TrGetU32(packet);
        if (TrGetU16(packet + 4) == TR_STOCK_BASE && packet[11] == '0' && packet[12] == '0' &&
            total >= TR_HEADER_SIZE + sizeof(BASE_DATA_4101) && total <= TR_MAX_PACKET) {
            const unsigned char* body = packet + TR_HEADER_SIZE;
            m_baseVolume = Net64(body + 16, 3);
            if (m_real.Enabled() && std::strncmp(m_real.RegisteredCode(), GetItemCodeField(), 6) != 0) {
                lib_file_log("2001.txt", __LINE__, "vx2001", "test - 1");
                lib_file_log("2001.txt", __LINE__, "vx2001", "test - 2");
                m_real.RegisterStockItem(body, static_cast<int>(total) - TR_HEADER_SIZE);
                lib_file_log("2001.txt", __LINE__, "vx2001", "test - 3");
                lib_file_log("2001.txt", __LINE__, "vx2001", "test - 4");
                lib_file_log("2001.txt", __LINE__, "vx2001", "test - 5");
                lib_file_log("2001.txt", __LINE__, "vx2001", "test - 6");
            }
        }
        if (!m_real.Enabled())
            if (CWnd* combo = GetDlgItem(IDC_ITEM_COMBO)) combo->SetFocus();
    }

    void CreateGrids() {
        int top = 0, bottom = 0, left = 0, right = 0;
        if (_get_spec_rect(this, IDC_BTN_QUERY, 8301, &top, &bottom, &left, &right) != 0) return;
        bottom -= 23;
        int rows[2][2] = {};
        for (int r = 0; r < 2; ++r)
            if (_cal_spec_height(top, bottom, 2, r, &rows[r][0], &rows[r][1]) != 0) return;
        int x = left, width = right - left;
        HFONT font = static_cast<HFONT>(m_fontNormal.GetSafeHandle());
        int y0 = rows[0][0] + 2, h0 = rows[0][1] - rows[0][0] - 4;
        int y1 = rows[1][0] + 2, h1 = rows[1][1] - rows[1][0] - 4;
        const vxrt::BookGridSpec spec = {kBookGridId, 17, 17, 0, 1, 5, kHeaderBitmap};
        if (!m_book.Create(*this, spec, font, x, y0 + 1, width, h0 + 36)) return;
        m_ticks = std::make_unique<V_Grid>();
        if (m_ticks->init(m_hWnd, kTickGridId, 17, kTickTitles, kTickColumns, kTickWidths, 17, 0, font, 1) != 0) {
            m_ticks.reset();
            return;
        }
        m_ticks->set_location(x, y1 + 36, width, h1 - 33);
        m_ticks->set_if_mode(VGRID_IF_MESSAGE);
        m_ticks->set_visible(1);
    }

    // ---- Ticks ----

    // The cells of tick row `row` from a 4140 record; `closing` selects the label font and, for the
    // last seconds of the day, "장 종 료" in place of the time.
    void ShowTick(int row, const TickSlot& slot, const unsigned char* timeOfRule) {
        if (!m_ticks) return;
        V_Grid_Cell* cells[kTickColumns];
        for (int c = 0; c < kTickColumns; ++c) cells[c] = m_ticks->get_cell(c, row);
        for (V_Grid_Cell* c : cells)
            if (!c) return;
        if (!slot.used) {
            for (V_Grid_Cell* c : cells) c->set_text("", -1);
            return;
        }
        const unsigned char* rec = slot.rec;
        char text[NET_VALUE_STR_SIZE] = {};
        bool lastMinute = timeOfRule[0] == 23 && timeOfRule[1] == 59;
        if (lastMinute && timeOfRule[2] > 57) {
            cells[0]->set_text(u"장 종 료", -1);
        } else {
            get_net_value_str(NV_TIME_HMS, rec, text, 0, sizeof text);
            cells[0]->set_text(text, -1);
        }
        cells[0]->set_font(lastMinute ? static_cast<HFONT>(m_fontNormal.GetSafeHandle()) : nullptr);
        cells[0]->set_str_flag(0);
        get_net_value_str(NV_INT2, rec + 3, text, 0, sizeof text);
        cells[1]->set_text(text, -1);
        char mark[4];
        G_GetUpdownChar(mark, static_cast<char>(rec[7]));
        cells[2]->set_text(mark, static_cast<int>(strnlen(mark, sizeof mark)));
        cells[2]->set_str_flag(0);
        get_net_value_str(NV_INT2, rec + 8, text, 0, sizeof text);
        cells[3]->set_text(text, -1);
        cells[4]->set_text(slot.volume, -1);
        COLORREF fg = GetRGBColor(static_cast<char>(rec[7]));
        for (int c = 1; c <= 3; ++c) cells[c]->set_fg(fg);
    }

    // Keeps the grid at three rows at least, so that a push always has its rows.
    void EnsureTickRows() {
        while (m_ticks && m_ticks->get_row_count() < kTickRows)
            if (!m_ticks->add_row()) break;
    }

    void FillTicks(const unsigned char* body, int len) {
        if (len < 7) {
            ReportShortReply(kTrTicks);
            return;
        }
        int n = vxskel::RecordsHeld(body[6], len, 7, kTickRecord);
        for (TickSlot& s : m_history) s = TickSlot{};
        if (!m_ticks) return;
        m_ticks->remove_all_row();
        for (int i = 0; i < n; ++i) {
            if (!m_ticks->add_row()) break;
            TickSlot slot;
            slot.used = true;
            std::memcpy(slot.rec, body + 7 + kTickRecord * i, kTickRecord);
            get_net_value_str(NV_INT3, slot.rec + 12, slot.volume, 1, sizeof slot.volume);
            if (i < kTickRows) m_history[i] = slot;
            ShowTick(i, slot, slot.rec);
        }
        EnsureTickRows();
        m_ticks->redraw();
    }

    void OnTickPush(const unsigned char* body, int len) {
        if (vxrt::PushRecordCount(body, len, vxrt::kTickRecord) < 1) return;
        const unsigned char* rec = body + 1;
        if (!m_real.IsCurrentItem(rec)) return;
        TickIntoGrid(rec);
        vxrt::TickToStrip(*this, m_real.ItemName(), rec);
    }

    void TickIntoGrid(const unsigned char* rec) {
        // The trade's volume: the accumulated volume against the last one known (64 bits).
        int64_t before = m_history[0].used ? Net64(m_history[0].rec + 18, 3) : m_baseVolume;
        int64_t now = Net64(rec + 10, 3);
        if (now == before) return;
        TickSlot slot;
        slot.used = true;
        GroupDigits(now - before, slot.volume, sizeof slot.volume);
        lib_file_log("won_test.txt", __LINE__, "vx2001", "계산된 직전 거래량 1 [%" PRId64 "]", before);
        lib_file_log("won_test.txt", __LINE__, "vx2001", "계산된 현재 거래량 1 [%" PRId64 "]", now);
        lib_file_log("won_test.txt", __LINE__, "vx2001", "계산된 체결 거래량 1 [%" PRId64 "]", now - before);
        lib_file_log("won_test.txt", __LINE__, "vx2001", "계산된 체결 거래량 2 [%s]", slot.volume);
        std::memcpy(slot.rec, rec + 58, 3);       // time
        std::memcpy(slot.rec + 3, rec + 6, 4);    // price
        slot.rec[7] = rec[29];                    // sign
        std::memcpy(slot.rec + 8, rec + 30, 4);   // change
        std::memcpy(slot.rec + 18, rec + 10, 6);  // accumulated volume
        m_history[2] = m_history[1];
        m_history[1] = m_history[0];
        m_history[0] = slot;
        if (!m_ticks) return;
        EnsureTickRows();
        for (int r = 0; r < kTickRows; ++r) {
            if (!m_ticks->get_row_cell(r)) return;
            if (r == 0)
                for (int c = 0; c < kTickColumns; ++c)
                    if (V_Grid_Cell* cell = m_ticks->get_cell(c, 0)) cell->set_bg(vxrt::kFlashBg);
            ShowTick(r, m_history[r], rec + 58);
        }
        m_ticks->redraw();
        SetTimer(kTickFlashTimer, kTickFlashMs, nullptr);
    }

    void OnFlashTimer(UINT_PTR id) {
        KillTimer(id);
        if (id == kBookFlashTimer) {
            m_book.RestoreFlash();
            if (m_book.Grid()) m_book.Grid()->redraw();
            return;
        }
        if (!m_ticks) return;
        for (int c = 0; c < kTickColumns; ++c)
            if (V_Grid_Cell* cell = m_ticks->get_cell(c, 0)) cell->set_bg(vxrt::kWhite);
        m_ticks->redraw();
    }

    // ---- Taps ----

    LRESULT OnGridNotify(int code, V_Grid* grid) {
        if (code != VGRID_NOTIFY_DOWN && code != VGRID_NOTIFY_DBLCLK) return -1;
        if (grid && grid == m_book.Grid()) {
            int column = -1, row = -1;
            grid->get_select_info(&column, &row);
            if (row == -1 && column == 2) {
                ::PostMessage(GetWndOwner(), WM_VX_OPEN_SCREEN, kScreenTenLevel, 0);
                return 0;
            }
            if (code != VGRID_NOTIFY_DBLCLK) return 0;
            CString price;
            if (m_book.PriceForTap(column, row, price)) vxrt::OrderBookGrid::HandPriceToOrder(GetWndOwner(), price, column);
            return 0;
        }
        if (grid && grid == m_ticks.get() && code == VGRID_NOTIFY_DBLCLK) {
            ::SendMessage(GetWndOwner(), WM_VX_OPEN_SCREEN, kScreenTicks, 0);
            return 0;
        }
        return -1;
    }

    vxrt::RealTime m_real{*this, vxrt::kHomeBoardReal};
    vxrt::OrderBookGrid m_book;
    std::unique_ptr<V_Grid> m_ticks;
    TickSlot m_history[kTickRows];
    int64_t m_baseVolume = 0;       // accumulated volume of the last base quote
    unsigned char m_tickPage = 1;
};

}  // namespace

VX_SCREEN_EXPORTS(CVX2001Dlg)
