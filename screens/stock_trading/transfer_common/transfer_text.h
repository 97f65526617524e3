// Small text helpers of the transfer screens (ZR4430, ZR4440): fixed code page 949 fields read
// without splitting a two-byte character, and the futures/options accounts.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

#include "plat/afx.h"
#include "vxbase/money.h"
#include "vxbase/prop_ce.h"
#include "vxskeleton/screen_skeleton.h"
#include "vxskeleton/tr_layouts.h"
#include "vxskeleton/wire.h"

namespace transfer {

// A fixed field of code page 949 (vxwire::FieldText).
using vxwire::FieldText;

inline CString Wide(const std::string& cp949) {
  return CString::FromMultiByte(cp949.data(), static_cast<int>(cp949.size()));
}

// The account list of the transfer screens: the futures/options accounts ("Software\\Quorvan\\FutOpt")
// after the stock accounts that the skeleton has listed (money may be sent from either kind), and
// the first entry chosen. The account memo of the order screens is neither shown nor written
// here: an account picked for a transfer is no order screen's default.
inline void ListTransferAccounts(CComboBox* combo) {
  if (!combo) return;
  CPropCE reg;
  if (reg.SetBaseKey(HKEY_LOCAL_MACHINE, VX_REG_FUTOPT, TRUE)) {
    long count = reg.GetLongValue(u"Account Count");
    for (long i = 0; i < count && i < 100; ++i) {
      CString name;
      name.Format(u"%d", static_cast<int>(i));
      CString account = reg.GetValue(name);
      if (!account.IsEmpty()) combo->AddString(vxskel::AccountDisplay(account));
    }
  }
  if (combo->GetCount() > 0)
    combo->SetCurSel(0);
  else
    combo->SetWindowText(u"");
}

}  // namespace transfer
