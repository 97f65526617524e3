// The window manager of the platform layer: window classes and windows, message queues and
// message passing (within a thread, between threads and between the processes of one device
// root), timers, focus and stylus/key input, painting into retained surfaces, scroll bars,
// dialogs built from declarative templates, message boxes, pop-up menus and the shell calls of
// the handheld (full-screen dialogs, input panel, task bar).
//
// Window handles are 32-bit numbers valid in every process of one device root and never reused
// within a run. Text is UTF-16 (WCHAR = char16_t).
//
// Non-client area: top-level windows have none (their caption is shown by the shell, not inside
// the window). A child window with WS_BORDER or WS_EX_CLIENTEDGE has a one-pixel frame drawn by
// the window manager; its client area is inset by one pixel on each side. A visible scroll bar
// takes PLAT_SCROLLBAR_SIZE pixels from the right (vertical) or bottom (horizontal) of the
// client area and is drawn by the window manager.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "plat/surface.h"
#include "plat/types.h"

typedef intptr_t LONG_PTR;

#ifndef CALLBACK
#define CALLBACK
#endif
#ifndef WINAPI
#define WINAPI
#endif

// ---------------------------------------------------------------------------------------------
// Messages
// ---------------------------------------------------------------------------------------------
#define WM_NULL 0x0000
#define WM_CREATE 0x0001
#define WM_DESTROY 0x0002
#define WM_MOVE 0x0003
#define WM_SIZE 0x0005
#define WM_ACTIVATE 0x0006
#define WM_SETFOCUS 0x0007
#define WM_KILLFOCUS 0x0008
#define WM_ENABLE 0x000A
#define WM_SETREDRAW 0x000B
#define WM_SETTEXT 0x000C
#define WM_GETTEXT 0x000D
#define WM_GETTEXTLENGTH 0x000E
#define WM_PAINT 0x000F
#define WM_CLOSE 0x0010
#define WM_QUERYENDSESSION 0x0011
#define WM_QUIT 0x0012
#define WM_QUERYOPEN 0x0013
#define WM_ERASEBKGND 0x0014
#define WM_SYSCOLORCHANGE 0x0015
#define WM_ENDSESSION 0x0016
#define WM_SHOWWINDOW 0x0018
#define WM_WININICHANGE 0x001A
#define WM_SETTINGCHANGE 0x001A
#define WM_DEVMODECHANGE 0x001B
#define WM_ACTIVATEAPP 0x001C
#define WM_FONTCHANGE 0x001D
#define WM_TIMECHANGE 0x001E
#define WM_CANCELMODE 0x001F
#define WM_SETCURSOR 0x0020
#define WM_MOUSEACTIVATE 0x0021
#define WM_CHILDACTIVATE 0x0022
#define WM_QUEUESYNC 0x0023
#define WM_GETMINMAXINFO 0x0024
#define WM_PAINTICON 0x0026
#define WM_ICONERASEBKGND 0x0027
#define WM_NEXTDLGCTL 0x0028
#define WM_SPOOLERSTATUS 0x002A
#define WM_DRAWITEM 0x002B
#define WM_MEASUREITEM 0x002C
#define WM_DELETEITEM 0x002D
#define WM_VKEYTOITEM 0x002E
#define WM_CHARTOITEM 0x002F
#define WM_SETFONT 0x0030
#define WM_GETFONT 0x0031
#define WM_SETHOTKEY 0x0032
#define WM_GETHOTKEY 0x0033
#define WM_QUERYDRAGICON 0x0037
#define WM_COMPAREITEM 0x0039
#define WM_GETOBJECT 0x003D
#define WM_COMPACTING 0x0041
#define WM_COMMNOTIFY 0x0044
#define WM_WINDOWPOSCHANGING 0x0046
#define WM_WINDOWPOSCHANGED 0x0047
#define WM_POWER 0x0048
#define WM_COPYDATA 0x004A
#define WM_CANCELJOURNAL 0x004B
#define WM_NOTIFY 0x004E
#define WM_INPUTLANGCHANGEREQUEST 0x0050
#define WM_INPUTLANGCHANGE 0x0051
#define WM_TCARD 0x0052
#define WM_HELP 0x0053
#define WM_USERCHANGED 0x0054
#define WM_NOTIFYFORMAT 0x0055
#define WM_CONTEXTMENU 0x007B
#define WM_STYLECHANGING 0x007C
#define WM_STYLECHANGED 0x007D
#define WM_DISPLAYCHANGE 0x007E
#define WM_GETICON 0x007F
#define WM_SETICON 0x0080
#define WM_NCCREATE 0x0081
#define WM_NCDESTROY 0x0082
#define WM_NCCALCSIZE 0x0083
#define WM_NCHITTEST 0x0084
#define WM_NCPAINT 0x0085
#define WM_NCACTIVATE 0x0086
#define WM_GETDLGCODE 0x0087
#define WM_SYNCPAINT 0x0088
#define WM_NCMOUSEMOVE 0x00A0
#define WM_NCLBUTTONDOWN 0x00A1
#define WM_NCLBUTTONUP 0x00A2
#define WM_NCLBUTTONDBLCLK 0x00A3
#define WM_KEYFIRST 0x0100
#define WM_KEYDOWN 0x0100
#define WM_KEYUP 0x0101
#define WM_CHAR 0x0102
#define WM_DEADCHAR 0x0103
#define WM_SYSKEYDOWN 0x0104
#define WM_SYSKEYUP 0x0105
#define WM_SYSCHAR 0x0106
#define WM_SYSDEADCHAR 0x0107
#define WM_KEYLAST 0x0108
#define WM_IME_STARTCOMPOSITION 0x010D
#define WM_IME_ENDCOMPOSITION 0x010E
#define WM_IME_COMPOSITION 0x010F
#define WM_INITDIALOG 0x0110
#define WM_COMMAND 0x0111
#define WM_SYSCOMMAND 0x0112
#define WM_TIMER 0x0113
#define WM_HSCROLL 0x0114
#define WM_VSCROLL 0x0115
#define WM_INITMENU 0x0116
#define WM_INITMENUPOPUP 0x0117
#define WM_MENUSELECT 0x011F
#define WM_MENUCHAR 0x0120
#define WM_ENTERIDLE 0x0121
#define WM_CTLCOLORMSGBOX 0x0132
#define WM_CTLCOLOREDIT 0x0133
#define WM_CTLCOLORLISTBOX 0x0134
#define WM_CTLCOLORBTN 0x0135
#define WM_CTLCOLORDLG 0x0136
#define WM_CTLCOLORSCROLLBAR 0x0137
#define WM_CTLCOLORSTATIC 0x0138
#define WM_MOUSEFIRST 0x0200
#define WM_MOUSEMOVE 0x0200
#define WM_LBUTTONDOWN 0x0201
#define WM_LBUTTONUP 0x0202
#define WM_LBUTTONDBLCLK 0x0203
#define WM_RBUTTONDOWN 0x0204
#define WM_RBUTTONUP 0x0205
#define WM_RBUTTONDBLCLK 0x0206
#define WM_MBUTTONDOWN 0x0207
#define WM_MBUTTONUP 0x0208
#define WM_MBUTTONDBLCLK 0x0209
#define WM_MOUSEWHEEL 0x020A
#define WM_MOUSELAST 0x020A
#define WM_PARENTNOTIFY 0x0210
#define WM_ENTERMENULOOP 0x0211
#define WM_EXITMENULOOP 0x0212
#define WM_CAPTURECHANGED 0x0215
#define WM_IME_SETCONTEXT 0x0281
#define WM_IME_NOTIFY 0x0282
#define WM_CUT 0x0300
#define WM_COPY 0x0301
#define WM_PASTE 0x0302
#define WM_CLEAR 0x0303
#define WM_UNDO 0x0304
#define WM_RENDERFORMAT 0x0305
#define WM_RENDERALLFORMATS 0x0306
#define WM_DESTROYCLIPBOARD 0x0307
#define WM_DRAWCLIPBOARD 0x0308
#define WM_PAINTCLIPBOARD 0x0309
#define WM_VSCROLLCLIPBOARD 0x030A
#define WM_SIZECLIPBOARD 0x030B
#define WM_ASKCBFORMATNAME 0x030C
#define WM_CHANGECBCHAIN 0x030D
#define WM_HSCROLLCLIPBOARD 0x030E
#define WM_QUERYNEWPALETTE 0x030F
#define WM_PALETTEISCHANGING 0x0310
#define WM_PALETTECHANGED 0x0311
#define WM_HOTKEY 0x0312
#define WM_PRINT 0x0317
#define WM_PRINTCLIENT 0x0318
#define WM_USER 0x0400
#define WM_APP 0x8000
// Remote-access dial events (a registered message number of the handheld).
#define WM_RASDIALEVENT 0xCCCD

// Messages in WM_APP + 0x3F00 .. WM_APP + 0x3FFF are reserved for the platform layer.
#define WM_PLAT_FIRST (WM_APP + 0x3F00)
// Asks a window for a text description of its contents (custom controls such as grids answer it).
// wParam: std::u16string* to fill; lParam: 0. Returns TRUE when the window described itself.
#define WM_PLAT_INSPECT (WM_PLAT_FIRST + 0)
// Internal: a tap on an inactive top-level window activates it (handled by DispatchMessage).
#define WM_PLAT_ACTIVATE (WM_PLAT_FIRST + 1)
#define WM_PLAT_LAST (WM_APP + 0x3FFF)

// Dialog manager messages.
#define DM_GETDEFID (WM_USER + 0)
#define DM_SETDEFID (WM_USER + 1)

// WM_ACTIVATE
#define WA_INACTIVE 0
#define WA_ACTIVE 1
#define WA_CLICKACTIVE 2

// WM_SIZE
#define SIZE_RESTORED 0
#define SIZE_MINIMIZED 1
#define SIZE_MAXIMIZED 2
#define SIZE_MAXSHOW 3
#define SIZE_MAXHIDE 4

// WM_NCHITTEST results
#define HTERROR (-2)
#define HTTRANSPARENT (-1)
#define HTNOWHERE 0
#define HTCLIENT 1
#define HTCAPTION 2
#define HTVSCROLL 7
#define HTHSCROLL 6
#define HTBORDER 18

// Mouse key state in wParam of stylus messages
#define MK_LBUTTON 0x0001
#define MK_RBUTTON 0x0002
#define MK_SHIFT 0x0004
#define MK_CONTROL 0x0008
#define MK_MBUTTON 0x0010

// WM_SYSCOMMAND
#define SC_SIZE 0xF000
#define SC_MOVE 0xF010
#define SC_MINIMIZE 0xF020
#define SC_MAXIMIZE 0xF030
#define SC_CLOSE 0xF060
#define SC_RESTORE 0xF120
#define SC_KEYMENU 0xF100

// WM_GETDLGCODE results
#define DLGC_WANTARROWS 0x0001
#define DLGC_WANTTAB 0x0002
#define DLGC_WANTALLKEYS 0x0004
#define DLGC_WANTMESSAGE 0x0004
#define DLGC_HASSETSEL 0x0008
#define DLGC_DEFPUSHBUTTON 0x0010
#define DLGC_UNDEFPUSHBUTTON 0x0020
#define DLGC_RADIOBUTTON 0x0040
#define DLGC_WANTCHARS 0x0080
#define DLGC_STATIC 0x0100
#define DLGC_BUTTON 0x2000

// PeekMessage
#define PM_NOREMOVE 0x0000
#define PM_REMOVE 0x0001
#define PM_NOYIELD 0x0002

// ---------------------------------------------------------------------------------------------
// Virtual keys
// ---------------------------------------------------------------------------------------------
#define VK_LBUTTON 0x01
#define VK_RBUTTON 0x02
#define VK_CANCEL 0x03
#define VK_MBUTTON 0x04
#define VK_BACK 0x08
#define VK_TAB 0x09
#define VK_CLEAR 0x0C
#define VK_RETURN 0x0D
#define VK_SHIFT 0x10
#define VK_CONTROL 0x11
#define VK_MENU 0x12
#define VK_PAUSE 0x13
#define VK_CAPITAL 0x14
#define VK_HANGUL 0x15
#define VK_HANJA 0x19
#define VK_ESCAPE 0x1B
#define VK_SPACE 0x20
#define VK_PRIOR 0x21
#define VK_NEXT 0x22
#define VK_END 0x23
#define VK_HOME 0x24
#define VK_LEFT 0x25
#define VK_UP 0x26
#define VK_RIGHT 0x27
#define VK_DOWN 0x28
#define VK_SELECT 0x29
#define VK_PRINT 0x2A
#define VK_EXECUTE 0x2B
#define VK_SNAPSHOT 0x2C
#define VK_INSERT 0x2D
#define VK_DELETE 0x2E
#define VK_HELP 0x2F
#define VK_LWIN 0x5B
#define VK_RWIN 0x5C
#define VK_APPS 0x5D
#define VK_NUMPAD0 0x60
#define VK_NUMPAD1 0x61
#define VK_NUMPAD2 0x62
#define VK_NUMPAD3 0x63
#define VK_NUMPAD4 0x64
#define VK_NUMPAD5 0x65
#define VK_NUMPAD6 0x66
#define VK_NUMPAD7 0x67
#define VK_NUMPAD8 0x68
#define VK_NUMPAD9 0x69
#define VK_MULTIPLY 0x6A
#define VK_ADD 0x6B
#define VK_SEPARATOR 0x6C
#define VK_SUBTRACT 0x6D
#define VK_DECIMAL 0x6E
#define VK_DIVIDE 0x6F
#define VK_F1 0x70
#define VK_F2 0x71
#define VK_F3 0x72
#define VK_F4 0x73
#define VK_F5 0x74
#define VK_F6 0x75
#define VK_F7 0x76
#define VK_F8 0x77
#define VK_F9 0x78
#define VK_F10 0x79
#define VK_F11 0x7A
#define VK_F12 0x7B
#define VK_NUMLOCK 0x90
#define VK_SCROLL 0x91
// Handheld keys (aliases of the desktop codes, as on the handheld).
#define VK_TUP VK_UP
#define VK_TDOWN VK_DOWN
#define VK_TLEFT VK_LEFT
#define VK_TRIGHT VK_RIGHT
#define VK_TACTION VK_RETURN
#define VK_TSOFT1 VK_F1
#define VK_TSOFT2 VK_F2
#define VK_TTALK VK_F3
#define VK_TEND VK_F4
#define VK_THOME VK_LWIN
#define VK_TBACK VK_ESCAPE

// ---------------------------------------------------------------------------------------------
// Window and class styles
// ---------------------------------------------------------------------------------------------
#define WS_OVERLAPPED 0x00000000L
#define WS_POPUP 0x80000000L
#define WS_CHILD 0x40000000L
#define WS_MINIMIZE 0x20000000L
#define WS_VISIBLE 0x10000000L
#define WS_DISABLED 0x08000000L
#define WS_CLIPSIBLINGS 0x04000000L
#define WS_CLIPCHILDREN 0x02000000L
#define WS_MAXIMIZE 0x01000000L
#define WS_CAPTION 0x00C00000L
#define WS_BORDER 0x00800000L
#define WS_DLGFRAME 0x00400000L
#define WS_VSCROLL 0x00200000L
#define WS_HSCROLL 0x00100000L
#define WS_SYSMENU 0x00080000L
#define WS_THICKFRAME 0x00040000L
#define WS_GROUP 0x00020000L
#define WS_TABSTOP 0x00010000L
#define WS_MINIMIZEBOX 0x00020000L
#define WS_MAXIMIZEBOX 0x00010000L
#define WS_CHILDWINDOW WS_CHILD
#define WS_OVERLAPPEDWINDOW (WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX)
#define WS_POPUPWINDOW (WS_POPUP | WS_BORDER | WS_SYSMENU)

#define WS_EX_DLGMODALFRAME 0x00000001L
#define WS_EX_NOPARENTNOTIFY 0x00000004L
#define WS_EX_TOPMOST 0x00000008L
#define WS_EX_ACCEPTFILES 0x00000010L
#define WS_EX_TRANSPARENT 0x00000020L
#define WS_EX_TOOLWINDOW 0x00000080L
#define WS_EX_WINDOWEDGE 0x00000100L
#define WS_EX_CLIENTEDGE 0x00000200L
#define WS_EX_CONTEXTHELP 0x00000400L
#define WS_EX_RIGHT 0x00001000L
#define WS_EX_RTLREADING 0x00002000L
#define WS_EX_LEFTSCROLLBAR 0x00004000L
#define WS_EX_CONTROLPARENT 0x00010000L
#define WS_EX_STATICEDGE 0x00020000L
#define WS_EX_APPWINDOW 0x00040000L
#define WS_EX_OVERLAPPEDWINDOW (WS_EX_WINDOWEDGE | WS_EX_CLIENTEDGE)
#define WS_EX_NOANIMATION 0x04000000L
#define WS_EX_INK 0x10000000L
#define WS_EX_ABOVESTARTUP 0x20000000L
#define WS_EX_NODRAG 0x40000000L
#define WS_EX_CAPTIONOKBTN 0x80000000L

#define CS_VREDRAW 0x0001
#define CS_HREDRAW 0x0002
#define CS_DBLCLKS 0x0008
#define CS_OWNDC 0x0020
#define CS_CLASSDC 0x0040
#define CS_PARENTDC 0x0080
#define CS_NOCLOSE 0x0200
#define CS_SAVEBITS 0x0800
#define CS_GLOBALCLASS 0x4000
#define CS_IME 0x00010000

// Dialog template styles
#define DS_ABSALIGN 0x0001L
#define DS_SYSMODAL 0x0002L
#define DS_3DLOOK 0x0004L
#define DS_FIXEDSYS 0x0008L
#define DS_NOFAILCREATE 0x0010L
#define DS_LOCALEDIT 0x0020L
#define DS_SETFONT 0x0040L
#define DS_MODALFRAME 0x0080L
#define DS_NOIDLEMSG 0x0100L
#define DS_SETFOREGROUND 0x0200L
#define DS_CONTROL 0x0400L
#define DS_CENTER 0x0800L
#define DS_CENTERMOUSE 0x1000L
#define DS_CONTEXTHELP 0x2000L

// ShowWindow
#define SW_HIDE 0
#define SW_SHOWNORMAL 1
#define SW_NORMAL 1
#define SW_SHOWMINIMIZED 2
#define SW_SHOWMAXIMIZED 3
#define SW_MAXIMIZE 3
#define SW_SHOWNOACTIVATE 4
#define SW_SHOW 5
#define SW_MINIMIZE 6
#define SW_SHOWMINNOACTIVE 7
#define SW_SHOWNA 8
#define SW_RESTORE 9
#define SW_SHOWDEFAULT 10

// SetWindowPos
#define SWP_NOSIZE 0x0001
#define SWP_NOMOVE 0x0002
#define SWP_NOZORDER 0x0004
#define SWP_NOREDRAW 0x0008
#define SWP_NOACTIVATE 0x0010
#define SWP_FRAMECHANGED 0x0020
#define SWP_SHOWWINDOW 0x0040
#define SWP_HIDEWINDOW 0x0080
#define SWP_NOCOPYBITS 0x0100
#define SWP_NOOWNERZORDER 0x0200
#define SWP_NOSENDCHANGING 0x0400
#define CW_USEDEFAULT ((int)0x80000000)
#define HWND_TOP ((HWND)0)
#define HWND_BOTTOM ((HWND)1)
#define HWND_TOPMOST ((HWND)0xFFFFFFFFu)
#define HWND_NOTOPMOST ((HWND)0xFFFFFFFEu)
#define HWND_DESKTOP ((HWND)0)
#define HWND_BROADCAST ((HWND)0xFFFFu)

// GetWindow
#define GW_HWNDFIRST 0
#define GW_HWNDLAST 1
#define GW_HWNDNEXT 2
#define GW_HWNDPREV 3
#define GW_OWNER 4
#define GW_CHILD 5

// Get/SetWindowLong indexes; values are pointer-sized on every build (LONG_PTR).
#define GWL_WNDPROC (-4)
#define GWL_HINSTANCE (-6)
#define GWL_HWNDPARENT (-8)
#define GWL_ID (-12)
#define GWL_STYLE (-16)
#define GWL_EXSTYLE (-20)
#define GWL_USERDATA (-21)
#define GWLP_WNDPROC GWL_WNDPROC
#define GWLP_HINSTANCE GWL_HINSTANCE
#define GWLP_ID GWL_ID
#define GWLP_USERDATA GWL_USERDATA
// Dialog window fields (Get/SetWindowLong on a dialog).
#define DWL_MSGRESULT 0
#define DWL_DLGPROC 4
#define DWL_USER 8
#define DWLP_MSGRESULT DWL_MSGRESULT
#define DWLP_DLGPROC DWL_DLGPROC
#define DWLP_USER DWL_USER

// Message boxes
#define MB_OK 0x00000000L
#define MB_OKCANCEL 0x00000001L
#define MB_ABORTRETRYIGNORE 0x00000002L
#define MB_YESNOCANCEL 0x00000003L
#define MB_YESNO 0x00000004L
#define MB_RETRYCANCEL 0x00000005L
#define MB_ICONHAND 0x00000010L
#define MB_ICONSTOP MB_ICONHAND
#define MB_ICONERROR MB_ICONHAND
#define MB_ICONQUESTION 0x00000020L
#define MB_ICONEXCLAMATION 0x00000030L
#define MB_ICONWARNING MB_ICONEXCLAMATION
#define MB_ICONASTERISK 0x00000040L
#define MB_ICONINFORMATION MB_ICONASTERISK
#define MB_DEFBUTTON1 0x00000000L
#define MB_DEFBUTTON2 0x00000100L
#define MB_DEFBUTTON3 0x00000200L
#define MB_APPLMODAL 0x00000000L
#define MB_SYSTEMMODAL 0x00001000L
#define MB_TASKMODAL 0x00002000L
#define MB_SETFOREGROUND 0x00010000L
#define MB_TOPMOST 0x00040000L
#define MB_TYPEMASK 0x0000000FL
#define MB_ICONMASK 0x000000F0L
#define MB_DEFMASK 0x00000F00L

#define IDOK 1
#define IDCANCEL 2
#define IDABORT 3
#define IDRETRY 4
#define IDIGNORE 5
#define IDYES 6
#define IDNO 7

// Scroll bars
#define SB_HORZ 0
#define SB_VERT 1
#define SB_CTL 2
#define SB_BOTH 3
#define SB_LINEUP 0
#define SB_LINELEFT 0
#define SB_LINEDOWN 1
#define SB_LINERIGHT 1
#define SB_PAGEUP 2
#define SB_PAGELEFT 2
#define SB_PAGEDOWN 3
#define SB_PAGERIGHT 3
#define SB_THUMBPOSITION 4
#define SB_THUMBTRACK 5
#define SB_TOP 6
#define SB_LEFT 6
#define SB_BOTTOM 7
#define SB_RIGHT 7
#define SB_ENDSCROLL 8
#define SIF_RANGE 0x0001
#define SIF_PAGE 0x0002
#define SIF_POS 0x0004
#define SIF_DISABLENOSCROLL 0x0008
#define SIF_TRACKPOS 0x0010
#define SIF_ALL (SIF_RANGE | SIF_PAGE | SIF_POS | SIF_TRACKPOS)
#define ESB_ENABLE_BOTH 0x0000
#define ESB_DISABLE_BOTH 0x0003
// Thickness of a window's scroll bar in pixels.
#define PLAT_SCROLLBAR_SIZE 13

// Owner-drawn items
#define ODT_MENU 1
#define ODT_LISTBOX 2
#define ODT_COMBOBOX 3
#define ODT_BUTTON 4
#define ODT_STATIC 5
#define ODT_HEADER 100
#define ODT_TAB 101
#define ODT_LISTVIEW 102
#define ODA_DRAWENTIRE 0x0001
#define ODA_SELECT 0x0002
#define ODA_FOCUS 0x0004
#define ODS_SELECTED 0x0001
#define ODS_GRAYED 0x0002
#define ODS_DISABLED 0x0004
#define ODS_CHECKED 0x0008
#define ODS_FOCUS 0x0010
#define ODS_DEFAULT 0x0020
#define ODS_COMBOBOXEDIT 0x1000

// Menus
#define MF_INSERT 0x00000000L
#define MF_CHANGE 0x00000080L
#define MF_APPEND 0x00000100L
#define MF_DELETE 0x00000200L
#define MF_REMOVE 0x00001000L
#define MF_BYCOMMAND 0x00000000L
#define MF_BYPOSITION 0x00000400L
#define MF_SEPARATOR 0x00000800L
#define MF_ENABLED 0x00000000L
#define MF_GRAYED 0x00000001L
#define MF_DISABLED 0x00000002L
#define MF_UNCHECKED 0x00000000L
#define MF_CHECKED 0x00000008L
#define MF_STRING 0x00000000L
#define MF_BITMAP 0x00000004L
#define MF_OWNERDRAW 0x00000100L
#define MF_POPUP 0x00000010L
#define MF_MENUBARBREAK 0x00000020L
#define MF_MENUBREAK 0x00000040L
#define MF_UNHILITE 0x00000000L
#define MF_HILITE 0x00000080L
#define TPM_LEFTBUTTON 0x0000L
#define TPM_RIGHTBUTTON 0x0002L
#define TPM_LEFTALIGN 0x0000L
#define TPM_CENTERALIGN 0x0004L
#define TPM_RIGHTALIGN 0x0008L
#define TPM_TOPALIGN 0x0000L
#define TPM_VCENTERALIGN 0x0010L
#define TPM_BOTTOMALIGN 0x0020L
#define TPM_HORIZONTAL 0x0000L
#define TPM_VERTICAL 0x0040L
#define TPM_NONOTIFY 0x0080L
#define TPM_RETURNCMD 0x0100L

// RedrawWindow
#define RDW_INVALIDATE 0x0001
#define RDW_INTERNALPAINT 0x0002
#define RDW_ERASE 0x0004
#define RDW_VALIDATE 0x0008
#define RDW_NOINTERNALPAINT 0x0010
#define RDW_NOERASE 0x0020
#define RDW_NOCHILDREN 0x0040
#define RDW_ALLCHILDREN 0x0080
#define RDW_UPDATENOW 0x0100
#define RDW_ERASENOW 0x0200
#define RDW_FRAME 0x0400
#define RDW_NOFRAME 0x0800

// System metrics
#define SM_CXSCREEN 0
#define SM_CYSCREEN 1
#define SM_CXVSCROLL 2
#define SM_CYHSCROLL 3
#define SM_CYCAPTION 4
#define SM_CXBORDER 5
#define SM_CYBORDER 6
#define SM_CXDLGFRAME 7
#define SM_CYDLGFRAME 8
#define SM_CYVTHUMB 9
#define SM_CXHTHUMB 10
#define SM_CXICON 11
#define SM_CYICON 12
#define SM_CXCURSOR 13
#define SM_CYCURSOR 14
#define SM_CYMENU 15
#define SM_CXFULLSCREEN 16
#define SM_CYFULLSCREEN 17
#define SM_CYVSCROLL 20
#define SM_CXHSCROLL 21
#define SM_CXDOUBLECLK 36
#define SM_CYDOUBLECLK 37
#define SM_CXEDGE 45
#define SM_CYEDGE 46

// Cursors (LoadCursor with a null instance)
#define IDC_ARROW ((LPCWSTR)(uintptr_t)32512)
#define IDC_IBEAM ((LPCWSTR)(uintptr_t)32513)
#define IDC_WAIT ((LPCWSTR)(uintptr_t)32514)
#define IDC_CROSS ((LPCWSTR)(uintptr_t)32515)
#define IDI_APPLICATION ((LPCWSTR)(uintptr_t)32512)

#ifndef MAKEINTRESOURCE
#define MAKEINTRESOURCE(i) ((LPCWSTR)(uintptr_t)((WORD)(i)))
#endif
#ifndef IS_INTRESOURCE
#define IS_INTRESOURCE(p) ((((uintptr_t)(p)) >> 16) == 0)
#endif

// ---------------------------------------------------------------------------------------------
// Pocket PC shell
// ---------------------------------------------------------------------------------------------
#define SHIDIM_FLAGS 0x0001
#define SHIDIF_DONEBUTTON 0x0001
#define SHIDIF_SIZEDLG 0x0002
#define SHIDIF_SIZEDLGFULLSCREEN 0x0004
#define SHIDIF_SIPDOWN 0x0008
#define SHIDIF_FULLSCREENNOMENUBAR 0x0010
#define SHIDIF_EMPTYMENU 0x0020
#define SHIDIF_WANTSCROLLBAR 0x0040

#define SHFS_SHOWTASKBAR 0x0001
#define SHFS_HIDETASKBAR 0x0002
#define SHFS_SHOWSIPBUTTON 0x0004
#define SHFS_HIDESIPBUTTON 0x0008
#define SHFS_SHOWSTARTICON 0x0010
#define SHFS_HIDESTARTICON 0x0020

#define SIPF_OFF 0x00000000
#define SIPF_ON 0x00000001

#define SHCMBF_EMPTYBAR 0x0001
#define SHCMBF_HIDDEN 0x0002
#define SHCMBF_HIDESIPBUTTON 0x0004
#define SHCMBF_COLORBK 0x0008
#define SHCMBF_HMENU 0x0010

// Heights of the shell's bars on the 240 x 320 screen.
#define PLAT_TASKBAR_HEIGHT 26
#define PLAT_SIP_HEIGHT 80
#define PLAT_MENUBAR_HEIGHT 26

// ---------------------------------------------------------------------------------------------
// Types
// ---------------------------------------------------------------------------------------------
typedef LRESULT (*WNDPROC)(HWND, UINT, WPARAM, LPARAM);
// A dialog procedure returns TRUE when it handled the message (the result of messages that
// carry one is set with SetWindowLong(DWL_MSGRESULT)); WM_INITDIALOG returns FALSE when it set
// the focus itself.
typedef BOOL (*DLGPROC)(HWND, UINT, WPARAM, LPARAM);
typedef void (*TIMERPROC)(HWND, UINT, UINT_PTR, DWORD);
typedef BOOL (*WNDENUMPROC)(HWND, LPARAM);

struct MSG {
  HWND hwnd;
  UINT message;
  WPARAM wParam;
  LPARAM lParam;
  DWORD time;
  POINT pt;
};
typedef MSG* LPMSG;

struct WNDCLASS {
  UINT style;
  WNDPROC lpfnWndProc;
  int cbClsExtra;
  int cbWndExtra;
  HINSTANCE hInstance;
  HICON hIcon;
  HCURSOR hCursor;
  HBRUSH hbrBackground;  // a brush, or (HBRUSH)(COLOR_xxx + 1) for a system colour, or null
  LPCWSTR lpszMenuName;
  LPCWSTR lpszClassName;
};
typedef WNDCLASS* LPWNDCLASS;
typedef WNDCLASS WNDCLASSW;

struct CREATESTRUCT {
  LPVOID lpCreateParams;
  HINSTANCE hInstance;
  HMENU hMenu;
  HWND hwndParent;
  int cy;
  int cx;
  int y;
  int x;
  LONG style;
  LPCWSTR lpszName;
  LPCWSTR lpszClass;
  DWORD dwExStyle;
};
typedef CREATESTRUCT* LPCREATESTRUCT;

struct WINDOWPOS {
  HWND hwnd;
  HWND hwndInsertAfter;
  int x;
  int y;
  int cx;
  int cy;
  UINT flags;
};
typedef WINDOWPOS* LPWINDOWPOS;

struct PAINTSTRUCT {
  HDC hdc;
  BOOL fErase;
  RECT rcPaint;
  BOOL fRestore;
  BOOL fIncUpdate;
  BYTE rgbReserved[32];
};
typedef PAINTSTRUCT* LPPAINTSTRUCT;

struct SCROLLINFO {
  UINT cbSize;
  UINT fMask;
  int nMin;
  int nMax;
  UINT nPage;
  int nPos;
  int nTrackPos;
};
typedef SCROLLINFO* LPSCROLLINFO;
typedef const SCROLLINFO* LPCSCROLLINFO;

#define PLAT_HAVE_DRAWITEMSTRUCT 1
struct DRAWITEMSTRUCT {
  UINT CtlType;
  UINT CtlID;
  UINT itemID;
  UINT itemAction;
  UINT itemState;
  HWND hwndItem;
  HDC hDC;
  RECT rcItem;
  DWORD_PTR itemData;
};
typedef DRAWITEMSTRUCT* LPDRAWITEMSTRUCT;

struct MEASUREITEMSTRUCT {
  UINT CtlType;
  UINT CtlID;
  UINT itemID;
  UINT itemWidth;
  UINT itemHeight;
  DWORD_PTR itemData;
};
typedef MEASUREITEMSTRUCT* LPMEASUREITEMSTRUCT;

struct DELETEITEMSTRUCT {
  UINT CtlType;
  UINT CtlID;
  UINT itemID;
  HWND hwndItem;
  DWORD_PTR itemData;
};

struct COMPAREITEMSTRUCT {
  UINT CtlType;
  UINT CtlID;
  HWND hwndItem;
  UINT itemID1;
  DWORD_PTR itemData1;
  UINT itemID2;
  DWORD_PTR itemData2;
};

// Header of every WM_NOTIFY record (lParam); wParam is the control id.
#define PLAT_HAVE_NMHDR 1
struct NMHDR {
  HWND hwndFrom;
  UINT_PTR idFrom;
  UINT code;
};
typedef NMHDR* LPNMHDR;

struct HELPINFO {
  UINT cbSize;
  int iContextType;
  int iCtrlId;
  HANDLE hItemHandle;
  DWORD dwContextId;
  POINT MousePos;
};

struct SHINITDLGINFO {
  DWORD dwMask;
  HWND hDlg;
  DWORD dwFlags;
};
typedef SHINITDLGINFO* PSHINITDLGINFO;

struct SHMENUBARINFO {
  DWORD cbSize;
  HWND hwndParent;
  DWORD dwFlags;
  UINT nToolBarId;
  HINSTANCE hInstRes;
  int nBmpId;
  int cBmpImages;
  HWND hwndMB;
  COLORREF clrBk;
};
typedef SHMENUBARINFO* PSHMENUBARINFO;

namespace plat {

// One control of a dialog template. The rectangle is in pixels of the dialog's client area.
struct DialogItemTemplate {
  const WCHAR* className;  // "BUTTON", "EDIT", "STATIC", "COMBOBOX", "LISTBOX", "SysListView32", ...
  int id;
  const WCHAR* text;  // may be null
  DWORD style;        // WS_CHILD is implied; add WS_VISIBLE to show the control
  DWORD exStyle;
  int x, y, cx, cy;
};

// A dialog template, registered as a plat::res Dialog resource of its module:
//   static const plat::DialogItemTemplate kItems[] = {...};
//   static const plat::DialogTemplate kDlg = {WS_POPUP | WS_VISIBLE, 0, 0, 0, 240, 294, u"", nullptr,
//                                             u"Tahoma", 13, kItems, std::size(kItems)};
//   PLAT_RESOURCE(plat::res::Dialog, 129, &kDlg, sizeof kDlg);
// The rectangle is in screen pixels (the dialog's window rectangle when it has no owner).
struct DialogTemplate {
  DWORD style;
  DWORD exStyle;
  int x, y, cx, cy;
  const WCHAR* caption;
  const WCHAR* className;  // null: the dialog class
  const WCHAR* fontFace;   // null: the system font; else sent to every item with WM_SETFONT
  int fontHeight;          // pixels
  const DialogItemTemplate* items;
  size_t itemCount;
};

}  // namespace plat

// ---------------------------------------------------------------------------------------------
// Functions
// ---------------------------------------------------------------------------------------------

// Classes
UINT RegisterClass(const WNDCLASS* wc);  // returns a non-zero atom, 0 when the name is taken
BOOL UnregisterClass(LPCWSTR className, HINSTANCE inst);
BOOL GetClassInfo(HINSTANCE inst, LPCWSTR className, WNDCLASS* out);
int GetClassName(HWND hwnd, LPWSTR buf, int maxCount);
LONG_PTR GetClassLong(HWND hwnd, int index);
#define GCL_STYLE (-26)
#define GCL_WNDPROC (-24)
#define GCL_HBRBACKGROUND (-10)

// Windows
HWND CreateWindowEx(DWORD exStyle, LPCWSTR className, LPCWSTR windowName, DWORD style, int x, int y, int width,
                    int height, HWND parent, HMENU menuOrId, HINSTANCE inst, LPVOID param);
HWND CreateWindow(LPCWSTR className, LPCWSTR windowName, DWORD style, int x, int y, int width, int height, HWND parent,
                  HMENU menuOrId, HINSTANCE inst, LPVOID param);
// The control id as the hMenu argument of CreateWindow(Ex) for a child window.
#define PLAT_ID_AS_MENU(id) ((HMENU)(uintptr_t)(id))
BOOL DestroyWindow(HWND hwnd);
BOOL IsWindow(HWND hwnd);
LRESULT DefWindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
LRESULT CallWindowProc(WNDPROC proc, HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
LONG_PTR GetWindowLong(HWND hwnd, int index);
LONG_PTR SetWindowLong(HWND hwnd, int index, LONG_PTR value);  // returns the previous value
#define GetWindowLongPtr GetWindowLong
#define SetWindowLongPtr SetWindowLong
BOOL ShowWindow(HWND hwnd, int cmd);  // returns whether the window was visible before
BOOL IsWindowVisible(HWND hwnd);      // the window and all its parents visible
BOOL UpdateWindow(HWND hwnd);
BOOL MoveWindow(HWND hwnd, int x, int y, int width, int height, BOOL repaint);
BOOL SetWindowPos(HWND hwnd, HWND insertAfter, int x, int y, int cx, int cy, UINT flags);
BOOL GetWindowRect(HWND hwnd, LPRECT rect);  // screen coordinates
BOOL GetClientRect(HWND hwnd, LPRECT rect);  // client coordinates (left = top = 0)
BOOL ScreenToClient(HWND hwnd, LPPOINT pt);
BOOL ClientToScreen(HWND hwnd, LPPOINT pt);
int MapWindowPoints(HWND from, HWND to, LPPOINT pts, UINT count);
HWND GetParent(HWND hwnd);  // the parent of a child, else the owner
HWND SetParent(HWND child, HWND newParent);
HWND GetWindow(HWND hwnd, UINT cmd);
HWND GetTopWindow(HWND hwnd);
HWND GetDesktopWindow();
BOOL IsChild(HWND parent, HWND hwnd);
HWND GetDlgItem(HWND dlg, int id);  // first child with the id in creation order
int GetDlgCtrlID(HWND hwnd);
BOOL SetDlgItemText(HWND dlg, int id, LPCWSTR text);
UINT GetDlgItemText(HWND dlg, int id, LPWSTR buf, int maxCount);
BOOL SetDlgItemInt(HWND dlg, int id, UINT value, BOOL isSigned);
UINT GetDlgItemInt(HWND dlg, int id, BOOL* translated, BOOL isSigned);
LRESULT SendDlgItemMessage(HWND dlg, int id, UINT msg, WPARAM wParam, LPARAM lParam);
BOOL CheckDlgButton(HWND dlg, int id, UINT check);
UINT IsDlgButtonChecked(HWND dlg, int id);
BOOL EnableWindow(HWND hwnd, BOOL enable);  // returns whether it was disabled before
BOOL IsWindowEnabled(HWND hwnd);
BOOL SetWindowText(HWND hwnd, LPCWSTR text);
int GetWindowText(HWND hwnd, LPWSTR buf, int maxCount);
int GetWindowTextLength(HWND hwnd);
HWND SetForegroundWindow(HWND hwnd);
HWND GetForegroundWindow();
HWND SetActiveWindow(HWND hwnd);
HWND GetActiveWindow();
BOOL BringWindowToTop(HWND hwnd);
HWND FindWindow(LPCWSTR className, LPCWSTR windowName);  // visible or not, any process of the root
BOOL EnumWindows(WNDENUMPROC proc, LPARAM lParam);       // top-level windows of this process
BOOL EnumChildWindows(HWND parent, WNDENUMPROC proc, LPARAM lParam);
DWORD GetWindowThreadProcessId(HWND hwnd, LPDWORD processId);  // returns the thread id
HWND WindowFromPoint(POINT pt);
HWND ChildWindowFromPoint(HWND parent, POINT pt);  // client coordinates of parent
int GetSystemMetrics(int index);

// Messages
BOOL GetMessage(LPMSG msg, HWND hwnd, UINT filterMin, UINT filterMax);
BOOL PeekMessage(LPMSG msg, HWND hwnd, UINT filterMin, UINT filterMax, UINT removeFlags);
BOOL TranslateMessage(const MSG* msg);
LRESULT DispatchMessage(const MSG* msg);
void PostQuitMessage(int exitCode);
BOOL WaitMessage();
LRESULT SendMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
BOOL PostMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
BOOL PostThreadMessage(DWORD threadId, UINT msg, WPARAM wParam, LPARAM lParam);
BOOL SendNotifyMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
BOOL InSendMessage();
DWORD GetMessagePos();
LONG GetMessageTime();
DWORD GetQueueStatus(UINT flags);
#define QS_KEY 0x0001
#define QS_MOUSEMOVE 0x0002
#define QS_MOUSEBUTTON 0x0004
#define QS_POSTMESSAGE 0x0008
#define QS_TIMER 0x0010
#define QS_PAINT 0x0020
#define QS_SENDMESSAGE 0x0040
#define QS_MOUSE (QS_MOUSEMOVE | QS_MOUSEBUTTON)
#define QS_INPUT (QS_MOUSE | QS_KEY)
#define QS_ALLINPUT (QS_INPUT | QS_POSTMESSAGE | QS_TIMER | QS_PAINT | QS_SENDMESSAGE)
UINT RegisterWindowMessage(LPCWSTR name);  // numbers from 0xC000 up, the same in every process

// Timers (plat::clock time: virtual in tests)
UINT_PTR SetTimer(HWND hwnd, UINT_PTR id, UINT elapseMs, TIMERPROC proc);
BOOL KillTimer(HWND hwnd, UINT_PTR id);

// Focus, capture, input
HWND SetFocus(HWND hwnd);  // returns the previous focus window
HWND GetFocus();
HWND SetCapture(HWND hwnd);
BOOL ReleaseCapture();
HWND GetCapture();
SHORT GetKeyState(int vk);
SHORT GetAsyncKeyState(int vk);
BOOL GetCursorPos(LPPOINT pt);
HCURSOR SetCursor(HCURSOR cursor);
HCURSOR LoadCursor(HINSTANCE inst, LPCWSTR name);
HCURSOR GetCursor();
UINT GetDoubleClickTime();

// Painting
BOOL InvalidateRect(HWND hwnd, const RECT* rect, BOOL erase);  // null rect: the whole client area
BOOL ValidateRect(HWND hwnd, const RECT* rect);
BOOL GetUpdateRect(HWND hwnd, LPRECT rect, BOOL erase);
BOOL RedrawWindow(HWND hwnd, const RECT* rect, HRGN region, UINT flags);
HDC BeginPaint(HWND hwnd, LPPAINTSTRUCT ps);
BOOL EndPaint(HWND hwnd, const PAINTSTRUCT* ps);
HDC GetDC(HWND hwnd);  // client area, clipped to the window
HDC GetWindowDC(HWND hwnd);
int ReleaseDC(HWND hwnd, HDC dc);
BOOL ScrollWindowEx(HWND hwnd, int dx, int dy, const RECT* scroll, const RECT* clip, HRGN update, LPRECT updateRect,
                    UINT flags);
#define SW_INVALIDATE 0x0002
#define SW_ERASE 0x0004

// Scroll bars (position kept within [min, max])
int SetScrollInfo(HWND hwnd, int bar, LPCSCROLLINFO info, BOOL redraw);  // returns the position
BOOL GetScrollInfo(HWND hwnd, int bar, LPSCROLLINFO info);
int SetScrollPos(HWND hwnd, int bar, int pos, BOOL redraw);  // returns the previous position
int GetScrollPos(HWND hwnd, int bar);
BOOL SetScrollRange(HWND hwnd, int bar, int minPos, int maxPos, BOOL redraw);
BOOL GetScrollRange(HWND hwnd, int bar, int* minPos, int* maxPos);
BOOL ShowScrollBar(HWND hwnd, int bar, BOOL show);
BOOL EnableScrollBar(HWND hwnd, UINT bar, UINT arrows);

// Dialogs
HWND CreateDialog(HINSTANCE inst, LPCWSTR templateName, HWND parent, DLGPROC proc);
HWND CreateDialogParam(HINSTANCE inst, LPCWSTR templateName, HWND parent, DLGPROC proc, LPARAM param);
HWND CreateDialogIndirectParam(HINSTANCE inst, const plat::DialogTemplate* tmpl, HWND parent, DLGPROC proc,
                               LPARAM param);
INT_PTR DialogBox(HINSTANCE inst, LPCWSTR templateName, HWND parent, DLGPROC proc);
INT_PTR DialogBoxParam(HINSTANCE inst, LPCWSTR templateName, HWND parent, DLGPROC proc, LPARAM param);
INT_PTR DialogBoxIndirectParam(HINSTANCE inst, const plat::DialogTemplate* tmpl, HWND parent, DLGPROC proc,
                               LPARAM param);
BOOL EndDialog(HWND dlg, INT_PTR result);
BOOL IsDialogMessage(HWND dlg, LPMSG msg);
LRESULT DefDlgProc(HWND dlg, UINT msg, WPARAM wParam, LPARAM lParam);
HWND GetNextDlgTabItem(HWND dlg, HWND ctl, BOOL previous);
HWND GetNextDlgGroupItem(HWND dlg, HWND ctl, BOOL previous);
BOOL MapDialogRect(HWND dlg, LPRECT rect);  // template units are pixels: leaves the rectangle as it is
// The class name of dialogs ("#32770").
#define WC_DIALOG (u"#32770")

// Message boxes and menus. Both are drawn as windows and run a modal loop that keeps handling
// the thread's sent and posted messages and timers.
int MessageBox(HWND owner, LPCWSTR text, LPCWSTR caption, UINT type);
BOOL MessageBeep(UINT type);
HMENU CreatePopupMenu();
HMENU CreateMenu();
BOOL AppendMenu(HMENU menu, UINT flags, UINT_PTR idOrPopup, LPCWSTR text);
BOOL InsertMenu(HMENU menu, UINT position, UINT flags, UINT_PTR idOrPopup, LPCWSTR text);
BOOL DeleteMenu(HMENU menu, UINT position, UINT flags);
BOOL RemoveMenu(HMENU menu, UINT position, UINT flags);
BOOL EnableMenuItem(HMENU menu, UINT idOrPosition, UINT flags);  // returns the previous state or -1
DWORD CheckMenuItem(HMENU menu, UINT idOrPosition, UINT flags);
int GetMenuItemCount(HMENU menu);
HMENU GetSubMenu(HMENU menu, int position);
BOOL DestroyMenu(HMENU menu);
// Shows the menu with its top-left corner at (x, y) of the screen. With TPM_RETURNCMD returns the
// chosen id (0 when dismissed) and sends nothing; otherwise the choice is posted to the owner
// as WM_COMMAND (id, 0) and the result is TRUE when an item was chosen.
BOOL TrackPopupMenu(HMENU menu, UINT flags, int x, int y, int reserved, HWND owner, const RECT* rect);
BOOL TrackPopupMenuEx(HMENU menu, UINT flags, int x, int y, HWND owner, void* params);

// Shell
BOOL SHInitDialog(PSHINITDLGINFO info);
BOOL SHFullScreen(HWND hwnd, DWORD state);
BOOL SHSipShowIM(DWORD flags);
BOOL SipShowIM(DWORD flags);
BOOL SHCreateMenuBar(SHMENUBARINFO* info);
HWND SHFindMenuBar(HWND hwnd);
HWND CommandBar_Create(HINSTANCE inst, HWND parent, int id);
void CommandBar_Destroy(HWND bar);
BOOL CommandBar_Show(HWND bar, BOOL show);
BOOL CommandBar_InsertMenubar(HWND bar, HINSTANCE inst, WORD menuId, WORD button);
int CommandBar_Height(HWND bar);

// ---------------------------------------------------------------------------------------------
// Platform hooks for the framework, the automation layer and tests
// ---------------------------------------------------------------------------------------------
namespace plat::win {

// Input injection: delivered to the thread that owns the target window, as real input would be.
enum class Stylus { Down, Up, Move, Tap };     // Tap = Down then Up at the same point
void InjectStylus(Stylus kind, int x, int y);  // screen coordinates
void InjectKey(UINT vk);                       // WM_KEYDOWN then WM_KEYUP to the focus window
void InjectKeyDown(UINT vk);
void InjectKeyUp(UINT vk);
void InjectChar(WCHAR ch);  // WM_CHAR to the focus window

// True while a window procedure handles a message that DispatchMessage delivered from the queue
// (posted, input, paint, timer); false for a sent message. For tests that record message order.
bool CurrentMessagePosted();

// A call run on the thread of a window from that thread's sent-message queue, without the caller
// waiting for it (the handheld's sent messages, minus the wait). The caller owns the record and
// may queue it again once it has run: nothing is allocated per call. `run` is called exactly once
// per queueing: on the window's thread (onThread true, InSendMessage() true inside it), or with
// onThread false when that thread ends first.
struct QueuedCall {
  void (*run)(QueuedCall* self, bool onThread) = nullptr;
  QueuedCall* next = nullptr;  // the platform's link while queued
};
// Queues `call` for the thread of `hwnd`; false (and nothing queued) when the window is not a
// live window of this process.
bool QueueCall(HWND hwnd, QueuedCall* call);

// Handles all messages, paints and due timers of the calling thread without waiting; returns
// the number of messages handled. Tests call it after injecting input or advancing the clock.
int PumpMessages();
// Pumps until `done` returns true or `timeoutMs` of real time passes; returns done().
template <typename F>
bool PumpUntil(F done, int timeoutMs = 5000);
bool PumpUntilImpl(bool (*done)(void*), void* ctx, int timeoutMs);
template <typename F>
bool PumpUntil(F done, int timeoutMs) {
  return PumpUntilImpl([](void* c) { return (*static_cast<F*>(c))(); }, &done, timeoutMs);
}

// The process's screen: visible top-level windows in z-order (bottom first) composed onto
// 240 x 320, children clipped to their parents; the shell's task bar and input panel are drawn
// when shown. Paints what is pending first.
void ComposeScreen(Surface& out);
bool SaveScreenshot(const std::string& hostPath);
bool SaveWindowShot(HWND hwnd, const std::string& hostPath);
// The retained surface of a top-level window (a child's top-level surface); null if none.
const Surface* WindowSurface(HWND hwnd);

// Message boxes
struct MessageBoxInfo {
  HWND hwnd = 0;  // the box's window
  HWND owner = 0;
  DWORD processId = 0;
  DWORD threadId = 0;
  std::u16string caption;
  std::u16string text;
  UINT type = 0;             // MB_ flags as given
  std::vector<int> buttons;  // IDOK, IDCANCEL, IDYES, IDNO in display order
};
// The oldest message box shown and not yet answered in this process (any thread); false if none.
// Answer from another thread than the one running the box (that thread is inside the box).
bool PendingMessageBox(MessageBoxInfo* out);
// Answers the pending box (or the box with window `box` when not 0); false when there is none
// or the answer is not one of its buttons.
bool AnswerMessageBox(int id, HWND box = 0);
// Waits (real time) until a box is pending in this process.
bool WaitForMessageBox(MessageBoxInfo* out, int timeoutMs);

struct MenuItemInfo {
  UINT id = 0;
  std::u16string text;
  UINT flags = 0;  // MF_ flags (MF_SEPARATOR, MF_GRAYED, MF_CHECKED)
};
struct MenuInfo {
  HWND hwnd = 0;  // the menu's window
  HWND owner = 0;
  DWORD threadId = 0;
  int x = 0, y = 0;
  std::vector<MenuItemInfo> items;
};
bool PendingMenu(MenuInfo* out);
bool WaitForMenu(MenuInfo* out, int timeoutMs);
// Chooses the item (0 dismisses the menu); false when no menu is pending or the item is missing,
// a separator or grayed.
bool ChooseMenuItem(UINT id);

// What a message box or menu does when nobody can answer it. Headless and not automated, a box
// returns its default button at once (the first button, or the one MB_DEFBUTTONn names) and a
// menu is dismissed, so that an unattended program never hangs. In automation mode
// (LARKSPIN_AUTOMATION=1, or SetAutomationMode(true)) or while the display is open, a box or menu
// waits until a test, the automation layer or the user answers it. A box or menu counts as
// pending once it has been drawn.
void SetAutomationMode(bool on);
bool AutomationMode();
// True on a thread inside a modal loop (a message box, menu or modal dialog) that has been
// answered or ended but has not returned yet: what follows the box in its caller is still to
// run, so the thread has not settled even with an empty queue.
bool ModalLoopEnding();

// A window's own code is running: a procedure of the window, of one of its children or of a
// window it owns (directly or further down) is on the calling thread's stack, for example a
// handler that runs a message box, a pop-up menu or a modal dialog. Whoever destroys a window
// and deletes the object behind it waits until this is false.
bool WindowCodeRunning(HWND hwnd);
// Ends, on the calling thread, the modal loops that the window (its children, the windows it owns)
// runs, and every loop nested inside them: a message box gives its cancelling answer (IDCANCEL,
// else IDNO, else IDOK), a pop-up menu is dismissed, a modal dialog ends with IDCANCEL. Each loop
// returns to its caller once the current message has been handled. Returns how many were ended.
int EndModalLoops(HWND hwnd);

// The device's screen is shared by every program of the device root (see docs/platform.md):
// on by default; ResetForTests turns it off so that a test sees its own windows only.
void SetScreenSharing(bool on);

// Shell state of the process. The three bars are those that the frontmost top-level window that
// called SHFullScreen asked for (each window keeps its own wish until it is destroyed); shown
// when no window asked.
struct ShellStateInfo {
  bool taskBarVisible = true;
  bool sipButtonVisible = true;
  bool startIconVisible = true;
  bool sipShown = false;
  int menuBars = 0;           // command bars / menu bars created and not destroyed
  int fullScreenDialogs = 0;  // SHInitDialog calls with a full-screen flag
  DWORD lastInitDialogFlags = 0;
  RECT workArea{0, PLAT_TASKBAR_HEIGHT, PLAT_SCREEN_WIDTH, PLAT_SCREEN_HEIGHT};  // what a full-screen dialog covers
};
ShellStateInfo ShellState();
void ResetShellState();

// The wait cursor: shown while the count is above zero.
void SetWaitCursor(bool on);
bool WaitCursorShown();

// Window inspection (windows of this process).
struct WindowInfo {
  HWND hwnd = 0;
  HWND parent = 0;
  HWND owner = 0;
  std::u16string className;
  int id = 0;
  std::u16string text;
  RECT rect{};           // screen coordinates
  bool visible = false;  // the window and its parents
  bool enabled = false;
  bool focused = false;
  DWORD style = 0;
  DWORD exStyle = 0;
  DWORD threadId = 0;
  int depth = 0;  // 0 for top-level windows
};
// Every window of the process, top-level windows in z-order (top first), each followed by its
// children (depth first, in creation order).
std::vector<WindowInfo> EnumerateWindows();
// Asks the window for its WM_PLAT_INSPECT description (empty when it gives none).
std::u16string InspectWindow(HWND hwnd);

// The run folder (<device root>/run) this process's window handles belong to; empty until the
// process has created its first window.
std::string RunFolder();

// Cross-process event log: <device root>/run/events.log, one line per event, tab-separated:
// milliseconds since the epoch, pid, kind, fields...
void LogEvent(const char* kind, const std::string& fields);

// Called by the framework when a thread is about to end: destroys its top-level windows (with
// their WM_DESTROY). A thread that ends without it loses its windows silently.
void ThreadCleanup();
// Forgets every window, class, timer and queue of the process (tests only).
void ResetForTests();

}  // namespace plat::win
