#include "vxskeleton/futopt_screen.h"

#include <algorithm>
#include <cstring>
#include <string>

#include "vxbase/prop_ce.h"
#include "vxbase/tr_header.h"
#include "vxskeleton/tr_layouts.h"
#include "vxskeleton/wire.h"

namespace vxskel {

namespace {

const WCHAR kChooseItem[] = u"종목을 선택하세요";

// The go-to button 8207 "주식": posted, or sent and waited for (order screens).
const GoToButton kStockPosted[] = {{IDC_BTN_STOCK, VX_SCREEN_STOCK_HOME, false}};
const GoToButton kStockSent[] = {{IDC_BTN_STOCK, VX_SCREEN_STOCK_HOME, true}};
const UINT kFinder[] = {static_cast<UINT>(kFoFinder)};

CString CutName(const CString& name, FoNameCut cut) {
  if (name.GetLength() <= kFoNameChars) return name;
  return cut == FoNameCut::KeepLast ? name.Right(kFoNameChars) : name.Left(kFoNameChars);
}

// A value of the item key copied out at once (the key's buffer is reused by the next read).
CString Value(CPropCE& reg, const WCHAR* name) { return CString(reg.GetValue(name)); }

// Reads one kind's code and name; false when the code was never written.
bool ReadKind(CPropCE& reg, bool futures, FoNameCut cut, FutOptItem& item) {
  const WCHAR* codeName = futures ? u"FItemCD" : u"OItemCD";
  if (!reg.IsExistValue(codeName)) return false;
  item.code = Value(reg, codeName);
  CString name = Value(reg, futures ? u"FItemName" : u"OItemName");
  // Futures names are cut to the name field; option names are shown whole.
  item.name = futures ? CutName(name, cut) : name;
  item.kind = futures ? 1 : 2;
  return true;
}

// The item code as sent: code page 949, at most `width` bytes.
std::string CodeBytes(const CString& code, size_t width) {
  std::string mb = code.ToMultiByte();
  if (mb.size() > width) mb.resize(width);
  return mb;
}

}  // namespace

// ---- Helpers -------------------------------------------------------------------------------------

int FoMarketFlag(const CString& setFlag) {
  int value = 0;
  for (int i = 0; i < setFlag.GetLength() && i < 9; ++i) {
    WCHAR c = setFlag[i];
    if (c < u'0' || c > u'9') break;
    value = value * 10 + (c - u'0');
  }
  return value;
}

FoRead ReadFutOptItem(FoForm form, FoNameCut cut, FutOptItem& item) {
  CPropCE reg;
  if (!reg.SetBaseKey(HKEY_LOCAL_MACHINE, VX_REG_ROOT)) return FoRead::NoItem;
  if (form == FoForm::Futures) return ReadKind(reg, true, cut, item) ? FoRead::Item : FoRead::NoItem;
  if (form == FoForm::Options) return ReadKind(reg, false, cut, item) ? FoRead::Item : FoRead::NoItem;
  // The kind last picked: a text "1" or "2" as the finder writes it, or a number.
  CString flag = Value(reg, u"FOSet_Flag");
  if (flag.IsEmpty()) {
    long n = reg.GetLongValue(u"FOSet_Flag");
    if (n >= 0) flag.Format(u"%ld", n);
  }
  item.setFlag = flag;
  if (!reg.IsExistValue(u"FItemCD") && !reg.IsExistValue(u"OItemCD")) return FoRead::NoItem;
  const int market = FoMarketFlag(flag);
  if (market != 1 && market != 2) return FoRead::Unchanged;
  FutOptItem read = item;
  read.code.Empty();
  read.name.Empty();
  // The kind named but never written (a cleared finder value): an empty code, as sent.
  if (!ReadKind(reg, market == 1, cut, read)) read.kind = market;
  item = read;
  return FoRead::Item;
}

int MakeHeaderPacket(unsigned char* out, uint16_t code, int bodyLen) {
  const int total = TR_HEADER_SIZE + std::max(bodyLen, 0);
  std::memset(out, 0, TR_HEADER_SIZE);
  TrPutU32(out, static_cast<uint32_t>(total));
  TrPutU16(out + 4, code);
  out[6] = '4';
  return total;
}

int MakeFutOptCodeRequest(unsigned char* out, uint16_t code, const CString& item) {
  const int n = MakeHeaderPacket(out, code, 8);
  std::memset(out + TR_HEADER_SIZE, 0, 8);
  std::string bytes = CodeBytes(item, 8);
  std::memcpy(out + TR_HEADER_SIZE, bytes.data(), bytes.size());
  return n;
}

int MakeFutOptBasePacket(unsigned char* out, const CString& code, uint8_t market) {
  namespace f = vxtr::futopt;
  MakeHeaderPacket(out, TR_FUTOPT_BASE, f::kBaseRequestSize);
  vxwire::Writer w(out + TR_HEADER_SIZE, f::kBaseRequestSize);
  w.Text(f::kCode, CodeBytes(code, f::kCode.width)).Byte(f::kMarket, market);
  return kFutOptBaseSize;
}

bool SplitBand(const RECT& band, int count, int index, RECT& part) {
  if (count <= 0 || index < 0 || index >= count) return false;
  const int top = band.top + band.bottom * index / count;
  const int bottom = band.top + band.bottom * (index + 1) / count;
  if (bottom <= top || band.right <= 0) return false;
  part = RECT{band.left, top, band.right, bottom - top};
  return true;
}

ScreenConfig FutOptScreenConfig(const WCHAR* moduleName, const WCHAR* title, FoForm form, bool sendStock) {
  ScreenConfig c;
  c.moduleName = moduleName;
  c.title = title;
  c.stockStrip = false;
  c.plainReplies = form != FoForm::Picked;
  c.futOptAccounts = true;
  c.goTo = sendStock ? kStockSent : kStockPosted;
  c.goToCount = 1;
  c.finderButtons = kFinder;
  c.finderCount = 1;
  return c;
}

// ---- The screen ------------------------------------------------------------------------------------

FoRead CFutOptScreenDlg::ReadFutOptItem() {
  FoRead read = vxskel::ReadFutOptItem(m_setup.form, m_setup.nameCut, m_item);
  if (read == FoRead::NoItem) {
    SetDlgItemText(IDC_ITEM_NAME, kChooseItem);
    return read;
  }
  SetDlgItemText(IDC_ITEM_NAME, m_item.name);
  if (GetDlgItem(kFoCodeEdit)) SetDlgItemText(kFoCodeEdit, m_item.code);
  if (GetDlgItem(kFoOrderCodeEdit)) SetDlgItemText(kFoOrderCodeEdit, m_item.code);
  if (m_setup.orderNameStatic && GetDlgItem(m_setup.orderNameStatic))
    SetDlgItemText(m_setup.orderNameStatic, m_item.name);
  return read;
}

int CFutOptScreenDlg::MarketFlag() const {
  switch (m_setup.form) {
    case FoForm::Futures: return 1;
    case FoForm::Options: return 2;
    default: return FoMarketFlag(m_item.setFlag);
  }
}

int CFutOptScreenDlg::MakeFutOptBasePacket(unsigned char* out) {
  CString code = m_item.code;
  if (!IsQuoteScreen()) {
    // The registry may hold another pick since the screen opened: the strip follows it.
    ReadFutOptItem();
    if (GetDlgItem(kFoCodeEdit)) GetDlgItemText(kFoCodeEdit, code);
  }
  return vxskel::MakeFutOptBasePacket(out, code, static_cast<uint8_t>(MarketFlag()));
}

void CFutOptScreenDlg::RequestFutOptBase() {
  unsigned char packet[kFutOptBaseSize];
  SendPacket(packet, MakeFutOptBasePacket(packet));
}

BOOL CFutOptScreenDlg::SendItemRequest(uint16_t code) {
  // Without an item there is nothing to ask for: the screen shows "종목을 선택하세요".
  if (m_item.code.IsEmpty()) return FALSE;
  unsigned char packet[kFoCodeRequestSize];
  return SendPacket(packet, MakeFutOptCodeRequest(packet, code, m_item.code));
}

void CFutOptScreenDlg::InitGrid() {
  RECT upper{}, lower{}, client{};
  CWnd* a = GetDlgItem(m_setup.gridUpper);
  CWnd* b = GetDlgItem(m_setup.gridLower);
  if (!a || !b) return;
  GetClientRect(&client);
  a->GetWindowRect(&upper);
  b->GetWindowRect(&lower);
  ScreenToClient(&upper);
  ScreenToClient(&lower);
  // The grids never cover the strips: the screen's own area is y 64 to 278.
  constexpr int kOwnTop = 64, kOwnBottom = 278;
  const int top = std::max<int>(upper.bottom + 2, kOwnTop);
  const int bottom = std::min<int>(lower.top - 2, kOwnBottom);
  const RECT band{client.left + 1, top, client.right - client.left - 2, bottom - top};
  const size_t count = std::min(m_setup.gridCount, kMaxGrids);
  for (size_t i = 0; i < count; ++i) {
    GridSetup setup = m_setup.grids[i];
    // A grid with its own place keeps it.
    if (setup.at.right <= 0 && !SplitBand(band, static_cast<int>(count), static_cast<int>(i), setup.at)) return;
    m_grids[i] = CreateGrid(this, GridFont(), setup);
  }
}

void CFutOptScreenDlg::DeleteGrids() {
  for (auto& grid : m_grids) DeleteGrid(grid);
}

void CFutOptScreenDlg::OnInitScreen() {
  if (m_setup.grids) InitGrid();
}

BOOL CFutOptScreenDlg::DestroyWindow() {
  DeleteGrids();  // while their parent window still exists
  return CVXScreenDlg::DestroyWindow();
}

void CFutOptScreenDlg::OnQuery() {
  if (IsQuoteScreen()) {
    StartWaitCursor();
    ReadFutOptItem();
    RequestScreen();
    RequestFutOptBase();
    return;
  }
  RequestFutOptBase();  // reads the item first
  RequestScreen();
  if (m_config.passwordEdit)
    if (CWnd* pw = GetDlgItem(m_config.passwordEdit)) pw->SetFocus();
}

void CFutOptScreenDlg::OnQueryButton() {
  if (!IsQuoteScreen()) {
    RequestFutOptBase();
    return;
  }
  StartWaitCursor();
  ReadFutOptItem();
  RequestFutOptBase();
  RequestScreen();
}

void CFutOptScreenDlg::OnReply(uint16_t code, const unsigned char* body, int len) {
  if (code != TR_FUTOPT_BASE) {
    OnFutOptReply(code, body, len);
    return;
  }
  if (!PrintFutOptBase(body, len)) ReportShortReply(code);
}

BOOL CFutOptScreenDlg::OnCommand(WPARAM wParam, LPARAM lParam) {
  if (HIWORD(wParam) == BN_CLICKED) {
    switch (static_cast<int>(LOWORD(wParam))) {
      case IDC_BTN_QUERY: OnQueryButton(); return TRUE;
      case kFoFinder: OnBtnFOScoutlet(); return TRUE;
      case kFoOrderFinder: OnFutOptFindCD(); return TRUE;
      default: break;
    }
  }
  return CVXScreenDlg::OnCommand(wParam, lParam);
}

}  // namespace vxskel
