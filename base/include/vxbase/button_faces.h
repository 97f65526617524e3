// The faces of the shared owner-drawn buttons: bitmap resources of the base library, a normal
// face and a focus face for every drawn control id. The faces are made by the library itself
// when it loads (framed panels in the colours of each button bar); CVXDlg::DrawItem copies the
// face to the button and writes the button's caption over it.
#pragma once

#include "plat/types.h"

// Size of every face bitmap: large enough for any button of the 240 x 320 screen.
constexpr int kButtonFaceWidth = 240;
constexpr int kButtonFaceHeight = 40;

// Colours of the faces (top-left pixel inside the frame is the fill).
struct VXButtonFaceStyle {
  COLORREF frame;
  COLORREF fill;
  COLORREF text;
};

// The resource numbers of the control's faces; false for a control without a face.
bool VXGetButtonFaces(UINT controlId, UINT* normalFace, UINT* focusFace);
// The colours of a face resource; false for a number that is no face.
bool VXGetButtonFaceStyle(UINT faceId, VXButtonFaceStyle* style);
