// The faces of the login's bitmap buttons: "연결" (1002), "설정" (4) and "취소" (3) on dialog 129,
// "예" (154 normal, 151 pressed) and "아니오" (152 normal, 153 pressed) on dialog 150. Made once
// when the plug-in loads and registered as bitmap resources of the plug-in; each button is owner
// drawn: its face, then its caption over it.
#include "login_faces.h"

#include <algorithm>
#include <vector>

namespace vxlogin {

namespace {

struct FaceSpec {
  int id;
  int width, height;
  COLORREF frame, fill, text;
};

constexpr FaceSpec kFaces[] = {
    {1002, 60, 26, RGB(24, 64, 128), RGB(64, 112, 192), RGB(255, 255, 255)},
    {4, 60, 26, RGB(96, 96, 112), RGB(224, 224, 232), RGB(0, 0, 0)},
    {3, 60, 26, RGB(96, 96, 112), RGB(224, 224, 232), RGB(0, 0, 0)},
    {154, 70, 26, RGB(24, 64, 128), RGB(64, 112, 192), RGB(255, 255, 255)},
    {151, 70, 26, RGB(24, 64, 128), RGB(32, 56, 96), RGB(255, 255, 255)},
    {152, 70, 26, RGB(96, 96, 112), RGB(224, 224, 232), RGB(0, 0, 0)},
    {153, 70, 26, RGB(96, 96, 112), RGB(160, 160, 176), RGB(0, 0, 0)},
};

// Width, height, then the pixels from the top row: a one-pixel frame around the fill.
std::vector<uint32_t> MakeFace(const FaceSpec& f) {
  std::vector<uint32_t> data(2 + static_cast<size_t>(f.width) * f.height);
  data[0] = static_cast<uint32_t>(f.width);
  data[1] = static_cast<uint32_t>(f.height);
  for (int y = 0; y < f.height; ++y)
    for (int x = 0; x < f.width; ++x) {
      bool edge = x == 0 || y == 0 || x == f.width - 1 || y == f.height - 1;
      data[2 + static_cast<size_t>(y) * f.width + x] = edge ? f.frame : f.fill;
    }
  return data;
}

struct FaceStore {
  std::vector<std::vector<uint32_t>> pixels;
  FaceStore() {
    for (const FaceSpec& f : kFaces) {
      pixels.push_back(MakeFace(f));
      const auto& d = pixels.back();
      plat::res::Register(this, plat::res::Bitmap, f.id, d.data(), d.size() * sizeof(uint32_t));
    }
  }
};

const FaceStore g_faces;

const FaceSpec* SpecOf(UINT id) {
  for (const FaceSpec& f : kFaces)
    if (static_cast<UINT>(f.id) == id) return &f;
  return nullptr;
}

}  // namespace

void DrawFaceButton(HMODULE module, LPDRAWITEMSTRUCT dis, UINT normalFace, UINT pressedFace) {
  if (!dis) return;
  CDC* dc = CDC::FromHandle(dis->hDC);
  RECT item = dis->rcItem;
  dc->FillSolidRect(&item, RGB(255, 255, 255));
  UINT faceId = (dis->itemState & ODS_SELECTED) ? pressedFace : normalFace;
  const FaceSpec* look = SpecOf(faceId);
  if (!look) return;
  HINSTANCE previous = AfxGetResourceHandle();
  if (module) AfxSetResourceHandle(module);
  CBitmap face;
  BOOL loaded = face.LoadBitmap(faceId);
  AfxSetResourceHandle(previous);
  if (loaded) {
    CDC memory;
    if (memory.CreateCompatibleDC(dc)) {
      CBitmap* old = memory.SelectObject(&face);
      int w = std::min<int>(item.right - item.left, look->width);
      int h = std::min<int>(item.bottom - item.top, look->height);
      dc->BitBlt(item.left, item.top, w, h, &memory, 0, 0, SRCCOPY);
      memory.SelectObject(old);
    }
  }
  WCHAR caption[32] = {};
  ::GetWindowText(dis->hwndItem, caption, 32);
  int oldMode = dc->SetBkMode(TRANSPARENT);
  COLORREF oldColor = dc->SetTextColor((dis->itemState & ODS_DISABLED) ? RGB(128, 128, 128) : look->text);
  dc->DrawText(caption, -1, &item, DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
  dc->SetTextColor(oldColor);
  dc->SetBkMode(oldMode);
}

}  // namespace vxlogin
