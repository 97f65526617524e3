// Styles of the balance screens' own controls; the common controls of template 129 come from
// vxskeleton/screen_template.h.
#pragma once

#include "plat/windows.h"
#include "vxbase/base_strip.h"
#include "vxbase/vx_dlg.h"
#include "vxskeleton/screen_template.h"

namespace balance {
constexpr int kNoId = -1;  // statics that nothing addresses
constexpr DWORD kButtonStyle = vxskel::kFaceButton;
constexpr DWORD kStaticStyle = vxskel::kLabel;
constexpr DWORD kComboStyle = vxskel::kCodeCombo;
constexpr DWORD kPasswordStyle = WS_VISIBLE | WS_TABSTOP | WS_BORDER | ES_PASSWORD | ES_AUTOHSCROLL;
}  // namespace balance
