// The button faces and the owner drawing of the shared buttons.
#include "vxbase/button_faces.h"

#include <algorithm>
#include <array>
#include <vector>

#include "vxbase/vx_dlg.h"

namespace {

enum Style { TopNormal, TopFocus, KeyNormal, KeyFocus, ActionNormal, ActionFocus, EditFace, kStyles };

constexpr VXButtonFaceStyle kStyleColours[kStyles] = {
    {RGB(24, 40, 88), RGB(52, 84, 156), RGB(255, 255, 255)},     // top bar
    {RGB(24, 40, 88), RGB(255, 168, 48), RGB(0, 0, 0)},          // top bar, focused
    {RGB(96, 96, 112), RGB(224, 224, 232), RGB(0, 0, 0)},        // keypad
    {RGB(96, 96, 112), RGB(128, 128, 152), RGB(255, 255, 255)},  // keypad, focused
    {RGB(48, 80, 128), RGB(200, 220, 244), RGB(0, 0, 0)},        // screen buttons
    {RGB(48, 80, 128), RGB(72, 112, 184), RGB(255, 255, 255)},   // screen buttons, focused
    {RGB(128, 128, 128), RGB(255, 255, 255), RGB(0, 0, 0)},      // item-code field
};

struct Face {
  UINT control;
  UINT normal;
  UINT focus;
};

// Pixel data of each style: width, height, then the pixels (rows from the top). A frame of one
// pixel, a lighter line inside its top and left edges, the fill.
std::vector<uint32_t> MakeFace(const VXButtonFaceStyle& s) {
  std::vector<uint32_t> data(2 + static_cast<size_t>(kButtonFaceWidth) * kButtonFaceHeight);
  data[0] = kButtonFaceWidth;
  data[1] = kButtonFaceHeight;
  auto lighter = [](COLORREF c) {
    auto up = [](unsigned v) { return v + (255 - v) / 2; };
    return RGB(up(GetRValue(c)), up(GetGValue(c)), up(GetBValue(c)));
  };
  for (int y = 0; y < kButtonFaceHeight; ++y) {
    for (int x = 0; x < kButtonFaceWidth; ++x) {
      COLORREF c = s.fill;
      if (x == 0 || y == 0)
        c = s.frame;
      else if (x == 1 || y == 1)
        c = lighter(s.fill);
      data[2 + static_cast<size_t>(y) * kButtonFaceWidth + x] = c;
    }
  }
  return data;
}

struct FaceTable {
  std::array<std::vector<uint32_t>, kStyles> pixels;
  std::vector<Face> faces;
  std::vector<std::pair<UINT, int>> styleOf;  // face resource -> style
};

FaceTable& Table() {
  static FaceTable table;
  return table;
}

void AddFace(UINT control, UINT normal, UINT focus, Style normalStyle, Style focusStyle) {
  FaceTable& t = Table();
  t.faces.push_back({control, normal, focus});
  for (auto [id, style] : {std::pair<UINT, int>{normal, normalStyle}, std::pair<UINT, int>{focus, focusStyle}}) {
    bool known = false;
    for (auto& e : t.styleOf) known = known || e.first == id;
    if (known) continue;
    t.styleOf.push_back({id, style});
    const std::vector<uint32_t>& data = t.pixels[static_cast<size_t>(style)];
    plat::res::Register(&t, plat::res::Bitmap, static_cast<int>(id), data.data(), data.size() * sizeof(uint32_t));
  }
}

// Builds the faces and registers them as bitmap resources of this library.
bool RegisterFaces() {
  FaceTable& t = Table();
  for (int s = 0; s < kStyles; ++s) t.pixels[static_cast<size_t>(s)] = MakeFace(kStyleColours[s]);

  // Top bar (8101 and 8102 have no face and stay white).
  const Face top[] = {{8103, 175, 176}, {8104, 173, 174}, {8105, 182, 166}, {8106, 177, 178}, {8107, 169, 170},
                      {8108, 171, 172}, {8109, 179, 180}, {8110, 250, 251}, {8112, 337, 338}};
  for (const Face& f : top) AddFace(f.control, f.normal, f.focus, TopNormal, TopFocus);
  for (UINT id = 8203; id <= 8208; ++id) {
    UINT n = 267 + 2 * (id - 8203);
    AddFace(id, n, n + 1, TopNormal, TopFocus);
  }
  // Keypad (8312 has no face; 8313 is no key).
  AddFace(8301, 198, 199, KeyNormal, KeyFocus);
  for (UINT id = 8302; id <= 8310; ++id) {
    UINT n = 500 + 2 * (id - 8302);
    AddFace(id, n, n + 1, KeyNormal, KeyFocus);
  }
  AddFace(8311, 206, 187, KeyNormal, KeyFocus);
  AddFace(8314, 520, 521, KeyNormal, KeyFocus);
  AddFace(8315, 522, 523, KeyNormal, KeyFocus);
  // The screens' own buttons; the two stock order buttons share one focus face.
  UINT next = 420;
  for (UINT id = 9701; id <= 9709; ++id) {
    if (id == 9708) {
      AddFace(id, next, 421 + 2 * (9707 - 9701), ActionNormal, ActionFocus);
      next += 2;
      continue;
    }
    AddFace(id, next, next + 1, ActionNormal, ActionFocus);
    next += 2;
  }
  for (UINT id = 9800; id <= 9828; ++id) {
    if (id == 9806 || id == 9818) continue;
    AddFace(id, next, next + 1, ActionNormal, ActionFocus);
    next += 2;
  }
  // Finder buttons share a pair; the item-code field; 9914 has one face for both states.
  AddFace(9902, next, next + 1, ActionNormal, ActionFocus);
  AddFace(9911, next, next + 1, ActionNormal, ActionFocus);
  next += 2;
  AddFace(9909, next, next + 1, EditFace, EditFace);
  next += 2;
  AddFace(9914, next, next, EditFace, EditFace);
  return true;
}

[[maybe_unused]] const bool g_facesRegistered = RegisterFaces();

}  // namespace

bool VXGetButtonFaces(UINT controlId, UINT* normalFace, UINT* focusFace) {
  for (const Face& f : Table().faces) {
    if (f.control != controlId) continue;
    if (normalFace) *normalFace = f.normal;
    if (focusFace) *focusFace = f.focus;
    return true;
  }
  return false;
}

bool VXGetButtonFaceStyle(UINT faceId, VXButtonFaceStyle* style) {
  for (auto& e : Table().styleOf) {
    if (e.first != faceId) continue;
    if (style) *style = kStyleColours[e.second];
    return true;
  }
  return false;
}

void CVXDlg::DrawItem(LPDRAWITEMSTRUCT dis) {
  if (!dis || !dis->hDC) return;
  CDC* dc = CDC::FromHandle(dis->hDC);
  RECT item = dis->rcItem;
  dc->FillSolidRect(&item, RGB(255, 255, 255));

  UINT normal = 0, focus = 0;
  if (!VXGetButtonFaces(dis->CtlID, &normal, &focus)) return;
  // The focus face only when the button has the focus and nothing else (a pressed button shows
  // its normal face).
  UINT faceId = dis->itemState == ODS_FOCUS ? focus : normal;

  HINSTANCE previous = AfxGetResourceHandle();
  HMODULE base = ::GetModuleHandle(u"VXBase");
  if (base) AfxSetResourceHandle(base);
  CBitmap face;
  BOOL loaded = face.LoadBitmap(faceId);
  AfxSetResourceHandle(previous);
  if (!loaded) return;

  CDC memory;
  if (!memory.CreateCompatibleDC(dc)) return;
  CBitmap* old = memory.SelectObject(&face);
  int w = std::min<int>(item.right - item.left, kButtonFaceWidth);
  int h = std::min<int>(item.bottom - item.top, kButtonFaceHeight);
  dc->BitBlt(item.left, item.top, w, h, &memory, 0, 0, SRCCOPY);
  memory.SelectObject(old);

  VXButtonFaceStyle style{};
  VXGetButtonFaceStyle(faceId, &style);
  CBrush frame(style.frame);
  dc->FrameRect(&item, &frame);
  // The caption over the face.
  WCHAR caption[64] = {};
  ::GetWindowText(dis->hwndItem, caption, 64);
  if (caption[0]) {
    int oldMode = dc->SetBkMode(TRANSPARENT);
    COLORREF oldColor = dc->SetTextColor(style.text);
    RECT text = item;
    dc->DrawText(caption, -1, &text, DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
    dc->SetTextColor(oldColor);
    dc->SetBkMode(oldMode);
  }
}
