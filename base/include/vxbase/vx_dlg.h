// CVXDlg: the dialog every screen plug-in and the stock and ECN item-code finders derive their
// dialog from. It makes a template a full-screen page of the 240 x 320 display and gives every
// screen the same furniture: the link to the main program's frame (the owner), fonts, the
// on-screen keypad that types into one chosen control, the main-menu buttons with their pop-up
// screen menus and the fixed buttons, the item-code combo with its recent-code list and the
// finder launchers, the base-quote strip, fixed error messages and the server's error replies.
//
// Everything runs on the user-interface thread of the main program.
#pragma once

#include <cstdint>

#include "plat/afx.h"
#include "vxbase/base_strip.h"

class CCodeManager;
class CMenuConfigFile;

// Shared control ids of the screens' templates.
#define IDC_BTN_TOP_FIRST 8101  // first top-bar button (no menu; timer 8 focuses it)
#define IDC_BTN_QUOTES 8103     // "시세"
#define IDC_BTN_ORDERS 8104     // "주문"
#define IDC_BTN_BALANCES 8105   // "체/잔"
#define IDC_BTN_FUTOPT 8107     // "선/옵": opens 96001
#define IDC_BTN_NEWS 8108       // "시황"
#define IDC_BTN_EXIT 8109       // "X"
#define IDC_BTN_QUERY 8110      // "조회" (each screen's own)
#define IDC_BTN_ECN 8112        // "ECN"
#define IDC_BTN_FQUOTES 8203    // "F시세"
#define IDC_BTN_OQUOTES 8204    // "O시세"
#define IDC_BTN_FORDERS 8205    // "주문" of the futures/options bar
#define IDC_BTN_FACCOUNT 8206   // "계좌"
#define IDC_BTN_STOCK 8207      // "주식": opens 92001
#define IDC_BTN_CHART 8208      // "챠트"
#define IDC_KEY_1 8301          // keypad "1" .. "9" are 8301 .. 8309
#define IDC_KEY_0 8310
#define IDC_KEY_BACK 8311  // "<<"
#define IDC_KEY_MINUS 8314
#define IDC_KEY_POINT 8315
#define IDC_ITEM_COMBO 9901  // item-code combo of stock screens
#define IDC_BTN_FINDER 9902  // "?" of the stock finder
#define IDC_ITEM_EDIT 9909   // item-code edit
#define IDC_FO_COMBO 9910    // futures/options code list
#define IDC_BTN_FO_FINDER 9911
#define IDC_FO_EDIT 9912  // futures/options code field
#define IDC_BTN_FO_FINDER2 9913
#define IDC_QUICK_MOVE 9918  // quick-move combo
#define IDC_FOUND_NAME 9999  // name of the item OnFind picked

// Screens the fixed buttons open.
#define VX_SCREEN_FUTOPT_HOME 96001
#define VX_SCREEN_STOCK_HOME 92001

// Timers of the base dialog.
#define VX_TIMER_TITLE 5      // keypad to the item combo and the title into 9904
#define VX_TIMER_FOCUS_TOP 8  // focus to the first top-bar button
#define VX_TIMER_REPLY 1000   // reply time-out of the wait cursor
#define VX_REPLY_TIMEOUT_MS 10000

// One entry of a pop-up screen menu: the screen id and its name in code page 949.
struct _tagMenuList {
  uint32_t ScreenId;
  char ScreenName[32];  // at most 31 bytes of text, terminated
};
// Most entries a pop-up menu shows.
constexpr int kMaxMenuEntries = 50;

// Finder plug-ins and their exports (loaded by file name for each use).
#define VX_STOCK_FINDER_FILE (u"VXSCOUTLET.DLL")
#define VX_FO_FINDER_FILE (u"VXFOSCOUTLET.DLL")
#define VX_ECN_FINDER_FILE (u"ECNSCOUTLET.DLL")
typedef int (*VX_FIND_ITEM_FN)(HWND parent, CString* code, CString* name, CCodeManager* codes);
typedef int (*VX_FO_FIND_ITEM_FN)(HWND parent, CString* code, CString* name);
// The registry keys of the recent codes (HKEY_LOCAL_MACHINE).
#define VX_REG_RECENT_CODE (u"Software\\Quorvan\\Recent Code")
#define VX_REG_OF_RECENT_CODE (u"Software\\Quorvan\\OFRecent Code")
// Most codes the item combo keeps.
constexpr int kMaxRecentCodes = 11;
// The code a new screen shows when nothing was used before.
#define VX_DEFAULT_ITEM_CODE (u"05930")

// Makes `dlg` a full-screen page of the 240 x 320 display without a menu bar, as every screen and
// finder is: the shell sizes it below the task bar, its bars are hidden for it, and it is moved up
// 26 pixels and made 26 taller so that it covers the task bar's place.
BOOL VXFullScreenDialog(HWND dlg);

class CVXDlg : public CDialog {
 public:
  CVXDlg(UINT templateId, CWnd* parent = nullptr);
  ~CVXDlg() override;

  // ---- Dialog ---------------------------------------------------------------------------------
  BOOL DestroyWindow() override;
  // Routes the common buttons: screens of the menu file, the fixed buttons, the menu-group
  // buttons and the keypad; everything reaches the screen's own message map too.
  BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;
  BOOL OnInitDialog() override;
  // Enter never closes a screen.
  void OnOK() override;
  virtual int ReQuery(const char* text);

  // Full-screen page without a menu bar: the shell's bars hidden, the window moved up 26 pixels
  // and made 26 taller.
  BOOL ShInitDlg();
  BOOL SetWndOwner(HWND owner);
  HWND GetWndOwner() const { return m_hWndOwner; }
  // The title that timer 5 writes into control 9904 (code page 949 or wide text).
  void SetTitle(const char* title);
  void SetTitle(const WCHAR* title);
  const CString& GetTitle() const { return m_csTitle; }
  void SetNormalFont(UINT id);
  void SetBigFont(UINT id);

  // Keypad: the target control and whether the next key first empties it.
  void SetInputControl(UINT id);
  void ReleaseInputControl();
  UINT GetInputControl() const { return m_nInputID; }
  BOOL SendCharToID(UINT id, WCHAR ch);

  // Wait cursor with the reply time-out timer (the screen's timer handler ends it).
  void StartWaitCursor();
  afx_msg void OnTimer(UINT id);
  afx_msg HBRUSH OnCtlColor(CDC* dc, CWnd* wnd, UINT kind);
  static COLORREF GetRGBColor(char sign);
  void DrawLine(CDC* dc, int x, int y1, int y2);

  // Fixed messages by code; code 9 asks the main program to end. TRUE when a message was shown.
  BOOL ErrorMessage(int code);
  // The server's error reply: the packet (header first), its length from its own header.
  void Show_ServerMessage(const char* packet);
  // The same for a packet of `packetLen` bytes as received: never reads beyond them.
  void Show_ServerMessage(const char* packet, int packetLen);

  // ---- Item-code entry ------------------------------------------------------------------------
  int InitItemCode(UINT comboId);
  int InitOFItemCode(UINT comboId);
  void SetItemCode(const CString& code, UINT comboId);
  BOOL EditItemCode(UINT id);
  void GetItemCodeFromComboBox();
  void SetItemCodeToComboBox();
  void ChangeItemCode(const CString& code);
  afx_msg void OnSetfocusCComboItemcd();
  afx_msg void OnSelchangeCComboItemcd() {}
  afx_msg void OnEditchangeCComboItemcd() {}
  int FindItemCode();
  int FOFindItemCode();
  int ECNFindItemCode();
  afx_msg void OnBtnScoutlet();
  afx_msg void OnBtnECNScoutlet();
  afx_msg void OnFind();
  afx_msg void OnBtnFOScoutlet();
  afx_msg void OnFutOptFindCD();
  // The request field of the stock base quote: '0', the 5-character code, NUL.
  const char* GetItemCodeField() const { return m_szItemCode; }

  // ---- Base-quote strip -----------------------------------------------------------------------
  void PrintStockBase(const BASE_DATA_4101* rec);
  void PrintFutOptBase(const BASE_DATA_5555* rec);
  // The same for a received body of `bodyLen` bytes: a body shorter than its record shows
  // nothing. FALSE then.
  BOOL PrintStockBase(const void* body, int bodyLen);
  BOOL PrintFutOptBase(const void* body, int bodyLen);
  void _print_stock_upper_base(const BASE_DATA_4101* rec);
  void _print_stock_ksp_base(const BASE_DATA_4101* rec);
  void _print_stock_ksq_base(const BASE_DATA_4101* rec);
  void _print_futopt_upper_base(const BASE_DATA_5555* rec);
  void _print_k200_base(const BASE_DATA_5555* rec);
  void _print_future_base(const BASE_DATA_5555* rec);
  long SetBaseControl(int kind, int line, const WCHAR* first, char sign, const WCHAR* second, const WCHAR* third);
  CStatic* InitStatic(CStatic* ctl, UINT id, const RECT& rect, const WCHAR* text, int align, int fontFlag);
  void InitFont();
  // The colour of a strip static's text, told apart by the control itself (lines 5 and 6 share
  // their ids): its line's sign for values, changes and marks, black for labels. FALSE for a
  // window that is no strip static.
  BOOL GetStripTextColor(HWND ctl, COLORREF* color) const;
  // Sign characters last shown: 0 upper line, 1 KOSPI, 2 KOSDAQ, 3 KOSPI200, 4 futures.
  char GetStripSign(int index) const { return index >= 0 && index < 5 ? m_cStripSign[index] : 0; }
  BOOL IsStripInUse() const { return m_nStripInUse != 0; }
  const RECT& GetUpperStripRect() const { return m_rcUpperStrip; }
  const RECT& GetBottomStripRect() const { return m_rcBottomStrip; }

  // ---- Common buttons and menus ---------------------------------------------------------------
  void SubMenuDisplay(UINT buttonId);
  // Fills `list` (kMaxMenuEntries entries) with the screens of the button's group.
  int GetMenuList(UINT buttonId, _tagMenuList* list);
  void ShowMenu(UINT mainMenuId, _tagMenuList* list, int* count);
  void AllocMenu(_tagMenuList* list, int* count, UINT screenId, const CString& name);
  // Owner drawing of every shared button: its face (focus face while focused alone) and caption.
  void DrawItem(LPDRAWITEMSTRUCT dis);

  // ---- Lent by the main program (written by MainDlg before the dialog is created) -----------
  CCodeManager* m_pCodeManager = nullptr;
  CMenuConfigFile* m_pMenuConfig = nullptr;
  BOOL m_bAutoReceive = FALSE;

  // The stock item code made current last, shared by every screen of the process.
  static CString csLastItemCode;

  // Finder results and the futures/options item.
  CString m_csFindCode, m_csFindName;        // stock finder
  CString m_csECNFindCode, m_csECNFindName;  // ECN finder
  CString m_csFOFindCode, m_csFOFindName;    // handed to the futures/options finder
  CString m_csFOItemCode;                    // the screen's current futures/options item

 protected:
  // Runs a finder export of `file`; 0 when the plug-in or its export is missing.
  int RunFinder(const WCHAR* file, const char* exportName, CString* code, CString* name, bool withCodes);
  void WriteRecentCodes(CComboBox* combo);

  CFont m_fontStripText;  // 8.5-point "돋움"
  char m_szItemCode[7] = {'0', 0, 0, 0, 0, 0, 0};
  UINT m_nInputID = 0;
  BOOL m_bClearOnNextKey = FALSE;
  CString m_csTitle;
  CFont m_fontNormal;  // "Arial", 13 pixels
  CFont m_fontBig;     // "Arial", 14 pixels
  int m_nStripInUse = 0;
  // Strip statics: slots 0-11 lines 1-3 (3001-3012), 12-15 line 4, 16-19 line 5, 20-23 line 6.
  CStatic* m_pStripStatic[24] = {};
  char m_cStripSign[5] = {};
  RECT m_rcUpperStrip{1, 44, 208, 63};
  RECT m_rcBottomStrip{1, 279, 239, 298};
  CFont m_fontStripBold;
  CFont m_fontStripNormal;
  CBrush m_brushWhite;
  CBrush m_brushItemName;  // light yellow, for 9903
  CBrush m_brushTitle;     // olive, for 9904
  HWND m_hWndOwner = 0;

  DECLARE_MESSAGE_MAP()
};
