// Small text helpers of the transfer screens (ZR4430, ZR4440): fixed code page 949 fields read
// without splitting a two-byte character, and whole numbers with thousands separators.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

#include "plat/afx.h"
#include "vxbase/money.h"
#include "vxbase/prop_ce.h"
#include "vxskeleton/screen_skeleton.h"

namespace transfer {

// A fixed field of code page 949: up to its first NUL and at most `shown` bytes, never half a
// character; trailing blanks removed.
inline std::string FieldText(const unsigned char* field, int size, int shown) {
    int limit = size < shown ? size : shown;
    int n = 0;
    while (n < limit && field[n]) {
        int step = field[n] >= 0x81 ? 2 : 1;
        if (n + step > limit || (step == 2 && !field[n + 1])) break;
        n += step;
    }
    while (n > 0 && field[n - 1] == ' ') --n;
    return std::string(reinterpret_cast<const char*>(field), static_cast<size_t>(n));
}

inline CString Wide(const std::string& cp949) {
    return CString::FromMultiByte(cp949.data(), static_cast<int>(cp949.size()));
}

// "1,234,567,890,123" for any 64-bit value, one leading '-' when negative.
inline std::string GroupedNumber(int64_t value) {
    char digits[32];
    std::snprintf(digits, sizeof digits, "%lld", static_cast<long long>(value));
    return Money(digits);
}

// The futures/options accounts ("Software\\Quorvan\\FutOpt") after the stock accounts that the
// skeleton has listed: money may be sent from either kind.
inline void AddFutOptAccounts(CComboBox* combo) {
    if (!combo) return;
    CPropCE reg;
    if (!reg.SetBaseKey(HKEY_LOCAL_MACHINE, VX_REG_FUTOPT, TRUE)) return;
    long count = reg.GetLongValue(u"Account Count");
    for (long i = 0; i < count && i < 100; ++i) {
        CString name;
        name.Format(u"%d", static_cast<int>(i));
        CString account = reg.GetValue(name);
        if (!account.IsEmpty()) combo->AddString(vxskel::AccountDisplay(account));
    }
    if (combo->GetCurSel() < 0 && combo->GetCount() > 0) {
        CString shown;
        combo->GetWindowText(shown);
        if (shown.IsEmpty()) combo->SetCurSel(0);
    }
}

}  // namespace transfer
