#include "balance.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "glimmet/net_value.h"

namespace balance {

namespace {

bool AllDigits(const unsigned char* p, int n) {
    for (int i = 0; i < n; ++i)
        if (p[i] < '0' || p[i] > '9') return false;
    return true;
}

int16_t BigEndian16(const unsigned char* p) { return static_cast<int16_t>((p[0] << 8) | p[1]); }

// "1234567" -> "1,234,567" (digits only).
std::string Grouped(uint64_t value) {
    std::string digits = std::to_string(value);
    std::string out;
    int n = static_cast<int>(digits.size());
    for (int i = 0; i < n; ++i) {
        out += digits[static_cast<size_t>(i)];
        int left = n - 1 - i;
        if (left > 0 && left % 3 == 0) out += ',';
    }
    return out;
}

void WipeText(CString& text) {
    for (int i = 0; i < text.GetLength(); ++i) text.SetAt(i, u'\0');
    text.Empty();
}

}  // namespace

bool PutAccountAuth(unsigned char* out, const CString& shownAccount, const CString& password) {
    std::memset(out, 0, kAuthSize);
    CString digits = vxskel::AccountDigits(shownAccount);
    std::string account = digits.ToMultiByte();
    if (account.size() != 10 || !AllDigits(reinterpret_cast<const unsigned char*>(account.data()), 10)) return false;
    std::memcpy(out, account.data(), 10);
    std::string pw = password.ToMultiByte();
    std::memcpy(out + 10, pw.data(), std::min<size_t>(pw.size(), kPasswordBytes));
    std::fill(pw.begin(), pw.end(), '\0');
    return true;
}

bool IsNegativeSign(unsigned char sign) { return sign == '4' || sign == '-'; }

std::string AmountText(const unsigned char* value6) {
    char text[32] = {};
    get_net_value_str(NV_INT3, value6, text, 0, sizeof text);
    return text;
}

std::string ProfitText(unsigned char sign, const unsigned char* value6) {
    int64_t value = get_net_value(value6, 6);
    bool negative = IsNegativeSign(sign) || value < 0;
    uint64_t magnitude = value < 0 ? 0 - static_cast<uint64_t>(value) : static_cast<uint64_t>(value);
    std::string text = Grouped(magnitude);
    return negative && magnitude ? "-" + text : text;
}

std::string RateText(unsigned char sign, const unsigned char* rate4) {
    int whole = BigEndian16(rate4);
    int hundredths = BigEndian16(rate4 + 2);
    bool negative = IsNegativeSign(sign) || whole < 0 || hundredths < 0;
    // Both parts as one magnitude in hundredths: a hundredths part beyond 99 carries over.
    int64_t total = static_cast<int64_t>(std::abs(whole)) * 100 + std::abs(hundredths);
    char text[32];
    std::snprintf(text, sizeof text, "%s%lld.%02lld%%", negative && total ? "-" : "",
                  static_cast<long long>(total / 100), static_cast<long long>(total % 100));
    return text;
}

std::string FieldText(const unsigned char* field, int size, int shown) {
    int limit = std::min(size, shown);
    int n = 0;
    while (n < limit && field[n]) {
        int step = field[n] >= 0x81 ? 2 : 1;  // lead byte of a two-byte character
        if (n + step > limit || (step == 2 && !field[n + 1])) break;
        n += step;
    }
    while (n > 0 && field[n - 1] == ' ') --n;
    return std::string(reinterpret_cast<const char*>(field), static_cast<size_t>(n));
}

const AvailableRow kAvailable[kAvailableRows] = {
    {u"예  수  금", 10},         {u"증거금현금", 28},         {u"증거금대용", 34},
    {u"현금미수금", 22},         {u"재매수가능금액", 46},     {u"코스닥주문가능금액", 52},
    {u"거래소주문가능금액", 58}, {u"주문가능현금", 70},
};

bool Read4401(const unsigned char* body, int len, Page& out) {
    out = Page{};
    if (!body || len < k4401RowsAt) return false;
    out.key = body + 40;
    out.next = static_cast<char>(body[172]);
    out.rows = vxskel::RecordsHeld(static_cast<int8_t>(body[173]), len, k4401RowsAt, k4401RowSize);
    out.first = body + k4401RowsAt;
    return true;
}

bool Read4450(const unsigned char* body, int len, Page& out) {
    out = Page{};
    if (!body || len < k4450RowsAt) return false;
    out.key = body + 10;
    out.page = body[32];
    out.next = static_cast<char>(body[33]);
    out.rows = vxskel::RecordsHeld(static_cast<int8_t>(body[34]), len, k4450RowsAt, k4450RowSize);
    out.first = body + k4450RowsAt;
    return true;
}

void Row4401Texts(const unsigned char* row, std::string (&cells)[k4401Columns]) {
    cells[0] = FieldText(row + 6, 30, 10);     // 종목명
    cells[1] = AmountText(row + 44);           // 금일잔고
    cells[2] = AmountText(row + 50);           // D+2잔고
    cells[3] = ProfitText(row[74], row + 75);  // 평가손익
    cells[4] = RateText(row[74], row + 81);    // 수익률
    cells[5] = AmountText(row + 56);           // 평균가
    cells[6] = AmountText(row + 62);           // 현재가
    cells[7] = AmountText(row + 68);           // 평가액
    cells[8] = FieldText(row + 36, 8, 8);      // 잔고구분
}

void Row4450Texts(const unsigned char* row, std::string (&cells)[k4450Columns]) {
    cells[0] = FieldText(row + 9, 5, 5);     // 종목코드: the code without its leading '0'
    cells[1] = FieldText(row + 14, 30, 10);  // 종목명
    cells[2] = AmountText(row + 44);         // 주문가능
    cells[3] = FieldText(row, 8, 8);         // 잔고구분
}

// ---- Dialog base ------------------------------------------------------------------------------

CBalanceDlg::~CBalanceDlg() = default;

void CBalanceDlg::CreateGrid(const GridLayout& g) {
    if (!m_gridFont.GetSafeHandle()) m_gridFont.CreatePointFont(85, u"돋움");
    m_grid = std::make_unique<V_Grid>();
    HFONT font = static_cast<HFONT>(m_gridFont.GetSafeHandle());
    if (m_grid->init(m_hWnd, g.id, g.headerHeight, g.titles, g.columns, g.widths, g.rowHeight, g.initialRows, font,
                     g.fixedFirst) != 0) {
        m_grid.reset();
        return;
    }
    m_grid->set_location(g.x, g.y, g.width, g.height);
    m_grid->set_select_flag(g.selectMode);
    m_grid->set_if_mode(VGRID_IF_MESSAGE);
    m_grid->set_visible(1);
}

CString CBalanceDlg::CurrentAccount() {
    CString shown;
    if (CWnd* combo = GetDlgItem(static_cast<int>(Config().accountCombo))) combo->GetWindowText(shown);
    return vxskel::AccountDigits(shown);
}

bool CBalanceDlg::ReadAuth(unsigned char* body, bool checkPassword) {
    UpdateData(TRUE);
    CString shown, password;
    if (CWnd* combo = GetDlgItem(static_cast<int>(Config().accountCombo))) combo->GetWindowText(shown);
    GetDlgItemText(kPassword, password);
    bool ok = true;
    if (checkPassword && password.GetLength() < 4) {
        MessageBox(u"비밀번호를 확인하세요", u"", MB_OK);
        if (CWnd* pw = GetDlgItem(kPassword)) pw->SetFocus();
        ok = false;
    } else if (!PutAccountAuth(body, shown, password)) {
        MessageBox(u"계좌번호를 확인하세요", u"", MB_OK);
        if (CWnd* combo = GetDlgItem(static_cast<int>(Config().accountCombo))) combo->SetFocus();
        ok = false;
    }
    WipeText(password);
    return ok;
}

BOOL CBalanceDlg::SendRequest(uint16_t code, unsigned char* body, int len) {
    BOOL sent = SendEncrypted(code, body, len);
    std::memset(body, 0, static_cast<size_t>(len));
    return sent;
}

bool CBalanceDlg::ReplyForCurrentAccount(const unsigned char* body, int len) {
    if (len < 10 || !AllDigits(body, 10)) return true;  // the reply does not name its account
    std::string current = CurrentAccount().ToMultiByte();
    return current.size() != 10 || std::memcmp(current.data(), body, 10) == 0;
}

void CBalanceDlg::EnableButton(UINT id, bool enable) {
    if (CWnd* w = GetDlgItem(static_cast<int>(id))) w->EnableWindow(enable ? TRUE : FALSE);
}

void CBalanceDlg::SetCell(int column, int row, const std::string& cp949) {
    if (!m_grid) return;
    if (V_Grid_Cell* cell = m_grid->get_cell(column, row)) cell->set_text(cp949.c_str(), -1);
}

void CBalanceDlg::ClearRows(int emptyRows) {
    if (!m_grid) return;
    m_grid->remove_all_row();
    for (int i = 0; i < emptyRows; ++i) m_grid->add_row();
    m_grid->redraw();
}

}  // namespace balance
