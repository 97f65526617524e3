// What every screen plug-in carries on top of CVXDlg: the exports MainDlg and EndDlg, the
// plug-in's own socket and dialog, the account list and the "AccountNo" memo, the item-code
// chain between edit 9909 and combo 9901, the number edits with thousands separators, the
// base-quote request 4101, sends and the two receive paths, the socket-status box, the go-to
// buttons, the strip painting and colours and the reply time-out.
//
// The code is linked into each plug-in (static library vx_skeleton, hidden symbols), so each
// plug-in has its own module state: during the half second in which two screens live, one
// plug-in's EndDlg never touches the other's dialog.
//
// A screen:
//   class CZR4310Dlg : public vxskel::CVXScreenDlg {
//    public:
//     CZR4310Dlg() : CVXScreenDlg(kConfig) {}
//     void OnQuery() override;                                // WM_VX_QUERY
//     void OnReply(uint16_t code, const unsigned char* body, int len) override;
//   };
//   VX_SCREEN_EXPORTS(CZR4310Dlg)
#pragma once

#include <cstddef>
#include <cstdint>

#include "plat/afx.h"
#include "plat/winsock.h"
#include "vxbase/ee_encrypt.h"
#include "vxbase/messages.h"
#include "vxbase/vx_dlg.h"

namespace vxwire {
struct Field;
class Reader;
}  // namespace vxwire

class CVXSocketThread;
class CCodeManager;
class CMenuConfigFile;

namespace vxskel {

// The account memos (HKEY_LOCAL_MACHINE): the account chosen last on an order or account screen.
#define VX_REG_ORDER_CHANGE (u"Software\\Quorvan\\Zelvix\\Order Change")
// The futures/options accounts' memo.
#define VX_REG_FUTOPT_CHANGE (u"Software\\Quorvan\\FutOpt\\FutOpt Change")
#define VX_ACCOUNT_MEMO (u"AccountNo")

// Control ids are ints, as the dialog functions take them.
using ControlId = int;

// Ids of the skeleton's own controls.
constexpr ControlId kAccountCombo = 1006;
constexpr ControlId kItemName = 9903;
constexpr ControlId kBtnQuery = 8110;
constexpr ControlId kStripFirst = 3001;
constexpr ControlId kStripLast = 3012;
constexpr UINT_PTR kReplyTimer = 1000;
// The most characters a number edit shows, separators included ("12,345,678").
constexpr int kNumberEditChars = 10;

// How the item-code combo and edit reach the 4101 request.
enum class ItemChain {
  None,       // no item code on the screen
  Edit,       // combo 9901 copies into edit 9909, whose 5th character requests
  EcnDirect,  // as Edit, and the combo requests by itself too (ECN screens)
  NoEdit,     // no edit 9909: the combo requests directly
};

struct GoToButton {
  ControlId button;
  UINT screen;
  bool send;  // SendMessage waits for the switch; PostMessage returns at once
};

enum class NumberKind {
  Quantity,   // an over-long text gets its last accepted text back
  Price,      // an over-long text is kept
  PriceWarn,  // as Price, with the "amount exceeded" box
};

struct NumberEdit {
  ControlId id;
  NumberKind kind;
};

// The per-screen settings of the skeleton.
struct ScreenConfig {
  const WCHAR* moduleName = nullptr;  // handheld file name of the plug-in ("ZR4310.dll")
  const WCHAR* title = nullptr;       // shown by the base dialog
  ControlId accountCombo = 0;         // 0: no account list
  ControlId passwordEdit = 0;         // emptied when another account is picked
  ControlId passwordNext = 0;         // focus after the 4th password character
  ItemChain chain = ItemChain::None;
  ControlId itemNameStatic = 0;  // the screen's item name (0: none)
  ControlId itemNext = 0;        // focus after a complete item code
  const GoToButton* goTo = nullptr;
  size_t goToCount = 0;
  const NumberEdit* numbers = nullptr;
  size_t numberCount = 0;
  const UINT* finderButtons = nullptr;  // buttons after whose drawing the shell bars are hidden again
  size_t finderCount = 0;
  bool fullScreenAfterEveryDraw = false;  // the shell bars are hidden again after every owner-drawn item
  bool reportSendFailure = true;          // WM_VX_SEND_FAILED to the owner when a send fails
  bool stockStrip = true;                 // upper strip 1..208 (else 1..239)
  bool plainReplies = false;              // replies read in place (no packet-layer decoding)
  bool fixedSocketText = false;           // the socket-status box always shows the general text
  bool futOptAccounts = false;            // the futures/options accounts and their memo "FutOpt Change"
  // The reply codes of the screen besides 4101 and 5555. When given, a packet of any other code (a push
  // still registered by the screen before) is dropped unread: no box, no wait-cursor change.
  const uint16_t* replyCodes = nullptr;
  size_t replyCodeCount = 0;
};

// ---- Helpers without a window (tested on their own) ----------------------------------------

// "1234567801" -> "12345678 - 01"; texts shorter than 10 characters come back unchanged.
CString AccountDisplay(const CString& account);
// The 10 digits of a shown account: first 8 and last 2 characters; empty when the text is
// shorter than 10 characters.
CString AccountDigits(const CString& shown);
// Commas before each group of three characters from the right, after removing those present.
CString GroupThousands(const CString& text);
// The value of a grouped number as sent: its ',' removed, at most the first 12 characters read.
CString UngroupNumber(const CString& text);
// The records a body holds: `count` limited to (bodyLen - offset) / recordSize, never negative.
int RecordsHeld(int count, int bodyLen, int offset, int recordSize);
// The 21-byte plain request: header with `code`, body the 6 bytes at `body6`. Returns 21.
int MakePlainRequest(unsigned char* out, uint16_t code, const char* body6);

// True for the real-time push types (trades, order books and indices of stocks and of futures/options):
// packets the server sends unasked, which answer no request of the screen.
bool IsPushCode(uint16_t code);

// True for a next-page flag of a reply: 'Y' or 'N'.
inline bool IsNextFlag(unsigned char flag) { return flag == 'Y' || flag == 'N'; }

// What the user is told when the reply to an order or a transfer cannot be used: the server may
// have carried it out. Null for the other transactions.
const WCHAR* OutcomeUnknownText(uint16_t code);

// ---- The screen dialog -----------------------------------------------------------------------

class CVXScreenDlg : public CVXDlg {
 public:
  explicit CVXScreenDlg(const ScreenConfig& config, UINT templateId = 129);
  ~CVXScreenDlg() override;

  // Screen hooks.
  virtual void OnQuery() {}
  // A successful reply of one of the screen's own codes: the body as decoded, `len` bytes.
  virtual void OnReply(uint16_t code, const unsigned char* body, int len) { (void)code, (void)body, (void)len; }
  // After the account list has been filled and the item code set up.
  virtual void OnInitScreen() {}

  BOOL OnInitDialog() override;
  BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;
  // Escape: nothing (a screen is not a box to be dismissed).
  void OnCancel() override;

  // ---- Shared routines ----
  // Gives the focus back to the item-code combo 9901 after a packet, unless the user has a list
  // open (the focus leaving a combo closes its list under the stylus): then the focus stays.
  void FocusItemCombo();
  // True while the control with the focus is a combo box whose list is dropped.
  bool ListDropped() const;
  BOOL GetItemCodeText(UINT id, CString& out);
  BOOL GetComboSelText(UINT id, CString& out);
  // The registry key of the screen's accounts and of their memo "AccountNo".
  const WCHAR* AccountKey() const;
  const WCHAR* MemoKey() const;
  long GetAccountCount();
  BOOL GetAccount(int index, CString& out);
  void FillAccounts();
  // Writes the account memo from the account combo: the selected entry, else an edit text that
  // compacts to 10 digits; an empty or short text leaves the memo as it is. FALSE then.
  BOOL SaveAccountMemo();
  void SetItemCodeField(int flag);
  int MakeItemCodePacket(unsigned char* buf);
  void RequestStockBase();
  // The same request built through the packet layer (flags '4', plain body: the item-code
  // field) and sent as RequestStockBase sends it. When the layer refuses, nothing is sent and
  // a box shows `failText`, or "ERROR:" and the layer's own text when there is none.
  void RequestStockBaseThroughPacketLayer(const WCHAR* failText = nullptr);
  // The base quote that the item-code chain and 조회 ask for: the plain 4101 request, unless the
  // screen builds its own.
  virtual void RequestItemBase() { RequestStockBase(); }
  // Sends a whole packet on the plug-in's socket. Before the host has sent WM_VX_QUERY the
  // packet is held and goes out right after the query, so that its reply reaches this screen.
  // FALSE when the send failed (the owner has then been told).
  BOOL SendPacket(const unsigned char* packet, int length);
  // Writes the plain header of `code` ('4' at byte 6, the rest zero) in front of the body that
  // `packet` holds from byte 15 and sends the `length` bytes.
  BOOL SendPlainRequest(uint16_t code, unsigned char* packet, int length);
  // Builds an enciphered request (flags '4', 1, 0, 1, 1) and sends it; a build failure shows
  // "ERROR:" and the reason and sends nothing.
  BOOL SendEncrypted(uint16_t code, const unsigned char* body, int bodyLen);
  // Sends an enciphered request whose reply belongs to the account chosen when it was sent.
  // Replies of `code` are matched to these requests in the order they were sent; a reply whose
  // request was made for an account no longer chosen (or that nothing asked for) is dropped
  // unread, whatever the reply's bytes say.
  BOOL SendForAccount(uint16_t code, const unsigned char* body, int bodyLen);
  // Tells the user that reply `code` was shorter than its fields need.
  void ReportShortReply(uint16_t code);
  // Tells the user that a field of reply `code` is not what its layout says.
  void ReportBadReply(uint16_t code);
  // The new order number of an order reply `code` into `number`; a reply too short to hold it, or
  // whose number is not all digits, is reported as such and FALSE comes back.
  BOOL ReadOrderNumber(const vxwire::Reader& reply, const vxwire::Field& field, uint16_t code, CString* number);
  // A reply of `code` that cannot be used (`reason`: the first line of the box): a reception
  // error; for an order or a transfer also that its outcome is unknown and where to look it up.
  virtual void OnReplyLost(uint16_t code, const CString& reason);

  // The objects the host lends.
  EE_Encrypt* m_pEncrypt = nullptr;
  const ScreenConfig& Config() const { return m_config; }
  int HeldPackets() const { return m_heldCount; }
  bool Queried() const { return m_queried; }

  // Message handlers.
  afx_msg LRESULT OnVxQuery(WPARAM, LPARAM);
  afx_msg LRESULT OnVxPacket(WPARAM, LPARAM);
  // The header of a reply too long for the receive thread: handled as that reply, through
  // the screen's own WM_VX_PACKET handler, which reports it as lost.
  afx_msg LRESULT OnVxPacketDropped(WPARAM, LPARAM);
  afx_msg LRESULT OnVxSocketStatus(WPARAM, LPARAM);
  afx_msg LRESULT OnVxCodesReady(WPARAM, LPARAM);
  afx_msg void OnDrawItem(int id, LPDRAWITEMSTRUCT dis);
  afx_msg void OnPaint();
  afx_msg void OnTimer(UINT id);

 protected:
  void OnItemEditChange();
  void OnItemComboEditChange();
  void OnItemComboSelChange();
  void OnAccountSelChange();
  // Makes the combo's open list as wide as its widest item (the quick-move list names screens
  // that its narrow combo cannot show whole).
  void FitListToItems(UINT comboId);
  static constexpr int kListMargins = 24;
  void OnNumberChange(const NumberEdit& edit);
  void ShowItemName(const unsigned char* body, int len);
  void BoxCp949(const char* text, const char* caption, UINT type);

  // Requests sent with SendForAccount and not yet answered, oldest first.
  enum class Tie { Untied, Current, Stale };
  Tie TakeTie(uint16_t code);
  struct TiedRequest {
    uint16_t code;
    uint32_t accountEpoch;
  };
  static constexpr int kTiedMax = 16;
  TiedRequest m_tied[kTiedMax] = {};
  int m_tiedCount = 0;
  uint16_t m_tiedCodes[8] = {};  // the codes ever sent with SendForAccount
  int m_tiedCodeCount = 0;
  uint32_t m_accountEpoch = 0;  // counts changes of the chosen account

  const ScreenConfig& m_config;
  unsigned char m_recv[8192];  // decoded replies; no allocation per packet
  static constexpr int kHeldBytes = 4096;
  unsigned char m_held[kHeldBytes];  // requests made before the host's query
  int m_heldCount = 0;
  int m_heldBytes = 0;
  bool m_queried = false;
  bool m_inItemChain = false;
  CString m_lastNumber[8];  // last accepted text of each number edit

  DECLARE_MESSAGE_MAP()
};

// ---- Module state and exports ------------------------------------------------------------------

// The plug-in's socket (INVALID_SOCKET: none) and its one dialog.
SOCKET ModuleSocket();
void SetModuleSocket(SOCKET s);
CVXScreenDlg* ModuleDialog();

void* RunMainDlg(CVXScreenDlg* dlg, void* result, HWND owner, SOCKET socket, EE_Encrypt* encrypt, CCodeManager* codes,
                 BOOL autoReceive, CMenuConfigFile* menu);
void RunEndDlg();

}  // namespace vxskel

#define VX_SCREEN_EXPORTS(DlgClass)                                                                               \
  extern "C" __attribute__((visibility("default"))) void* MainDlg(                                                \
      void* result, HWND owner, SOCKET socket, CVXSocketThread* thread, EE_Encrypt* encrypt, CCodeManager* codes, \
      BOOL autoReceive, CMenuConfigFile* menu) {                                                                  \
    (void)thread;                                                                                                 \
    if (vxskel::ModuleDialog()) vxskel::RunEndDlg();                                                              \
    return vxskel::RunMainDlg(new DlgClass, result, owner, socket, encrypt, codes, autoReceive, menu);            \
  }                                                                                                               \
  extern "C" __attribute__((visibility("default"))) void EndDlg() { vxskel::RunEndDlg(); }
