// Application window messages between the launcher, the main program, the updater and the
// screens. Fixed numbers: every program of the device uses the same values and none is
// registered at run time.
#pragma once

#define WM_VX_OPEN_SCREEN 1025       // frame: wParam navigation id
#define WM_VX_EXIT_APP 1030          // frame: wParam 1 = end the whole system, lParam 1 = no question
#define WM_VX_CLOSE_SCREEN 1034      // frame: end and unload the current screen
#define WM_VX_CONNECT 1036           // frame: connect to the trading server
#define WM_VX_SOCKET_STATUS 1037     // frame: wParam status code of the receive thread, lParam 1
#define WM_VX_CODES_READY 1038       // login screen: lParam the connected socket
#define WM_VX_PACKET 1039            // screen: wParam the packet, lParam its body
#define WM_VX_REQUERY 1040           // screen: send its requests again
#define WM_VX_PACKET_DROPPED 1041    // screen: wParam the header of a reply too long to be held (rest dropped)
#define WM_VX_SHOW_ALERT 1046        // login: show its alert dialog
#define WM_VX_QUERY 1049             // screen: send the first request
#define WM_VX_SET_AUTO_RECEIVE 1050  // frame: lParam 1 or 0
#define WM_VGRID_NOTIFY 1124         // grid notifications to the grid's owner
#define WM_VX_SHOW_SCREEN 2025
#define WM_VX_LOGIN_DONE 2026
#define WM_VX_START_MAIN 2027
#define WM_VX_START_UPDATER 2028
#define WM_VX_START_ALL 2029
#define WM_VX_STOP_MAIN 2030
#define WM_VX_UPDATE_DONE 2031
#define WM_VX_SHUTDOWN 2032
#define WM_VX_REPLACE_CORE 2033
#define WM_VX_VERSION_CONNECT 2035  // updater: wParam carrier, lParam 1 = Internet server
#define WM_VX_STATUS_TEXT 2037      // screen: lParam wide text, valid during the send only
#define WM_VX_RELEASE 2038
#define WM_VX_CONNECTED 2039  // frame: lParam the connected socket
#define WM_VX_VERSION_CONNECTED 2040
#define WM_VX_VERSION_CHECK 2041
#define WM_VX_SEND_FAILED 2043
