// Owner drawing of the login's bitmap buttons (faces registered as bitmaps of the plug-in).
#pragma once

#include "plat/afx.h"

namespace vxlogin {

// Draws a button from its face (the pressed face while it is held down) and its caption.
void DrawFaceButton(HMODULE module, LPDRAWITEMSTRUCT dis, UINT normalFace, UINT pressedFace);

}  // namespace vxlogin
