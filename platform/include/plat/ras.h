// Remote access (dial-up) of the handheld, simulated: a phone book in the device's registry, dials
// that follow a script of connection states with their errors and delays, notification of the
// dialling window, active connections, their status and hang-up.
//
// Phone book: every subkey of HKEY_CURRENT_USER "Comm\RasBook" is an entry named by the subkey.
// Its values (all optional):
//   "DeviceType"   REG_SZ    "modem" or "direct"
//   "DeviceName"   REG_SZ    the device's name
//   "PhoneNumber"  REG_SZ    the local phone number
//   "User", "Password", "Domain"  REG_SZ   the stored dial parameters
//   "SavePassword" REG_DWORD non-zero: the password is saved (RasGetEntryDialParams returns it)
//   "Script", "AutoDialDll", "AutoDialFunc"  REG_SZ   reported in the entry's properties
//   "DialScript"   REG_SZ    how a dial of this entry proceeds (below); default "0 1 2 3 5 14 8192"
//   "Connected"    REG_DWORD non-zero: a connection of this entry is up already when the process
//                            first uses remote access in this device root
// Entries whose name is longer than RAS_MaxEntryName characters cannot be represented in the
// fixed records and are not listed.
//
// Dial script: steps separated by blanks or commas, each "state[:error][@delay]". Each step waits
// `delay` milliseconds (real time), sets the connection's state and error and posts
// WM_RASDIALEVENT (wParam state, lParam error) to the window given to RasDial. A step with an
// error ends the dial there (the connection stays listed with that state and error until
// RasHangUp). State 8192 (RASCS_Connected) leaves the connection up. A script that starts with
// "!code" makes RasDial itself fail with that code. Events are posted in order from a thread of
// the dial's own, so the window receives them in the script's order.
//
// The connections live in the memory of the process (the first use in a device root reads the
// "Connected" values). RasHangUp writes an event line "ras.hangup<TAB>entry" to the device's
// event log (plat::win::LogEvent) and to plat::ras::HangUpLog().
#pragma once

#include <string>
#include <vector>

#include "plat/types.h"

#define RAS_MaxEntryName 20
#define RAS_MaxDeviceType 16
#define RAS_MaxDeviceName 32
#define RAS_MaxPhoneNumber 128
#define RAS_MaxCallbackNumber 48
#define RAS_MaxAreaCode 10
#define RAS_MaxPadType 32
#define RAS_MaxX25Address 200
#define RAS_MaxFacilities 200
#define RAS_MaxUserData 200
#ifndef UNLEN
#define UNLEN 256
#endif
#ifndef PWLEN
#define PWLEN 256
#endif
#ifndef DNLEN
#define DNLEN 15
#endif

// Remote-access error numbers.
#define PENDING 600
#define ERROR_PORT_ALREADY_OPEN 602
#define ERROR_BUFFER_TOO_SMALL 603
#define ERROR_BUFFER_INVALID 610
#define ERROR_CANNOT_OPEN_PHONEBOOK 621
#define ERROR_CANNOT_FIND_PHONEBOOK_ENTRY 623
#define ERROR_INVALID_SIZE 632
#define ERROR_PORT_NOT_AVAILABLE 633
#define ERROR_RESTRICTED_LOGON_HOURS 646
#define ERROR_ACCT_DISABLED 647
#define ERROR_PASSWD_EXPIRED 648
#define ERROR_NO_DIALIN_PERMISSION 649
#define ERROR_NO_CONNECTION 668
#define ERROR_AUTHENTICATION_FAILURE 691
#define ERROR_CHANGING_PASSWORD 709

// Notifier type of RasDial: the notifier is a window (HWND) that gets WM_RASDIALEVENT.
#define RAS_NOTIFIER_HWND 0xFFFFFFFFu

// The connection handle is a 32-bit number (never 0, never reused in a process) so that the
// records keep the handheld's sizes.
typedef DWORD HRASCONN;

enum RASCONNSTATE : DWORD {
  RASCS_OpenPort = 0,
  RASCS_PortOpened = 1,
  RASCS_ConnectDevice = 2,
  RASCS_DeviceConnected = 3,
  RASCS_AllDevicesConnected = 4,
  RASCS_Authenticate = 5,
  RASCS_AuthNotify = 6,
  RASCS_AuthRetry = 7,
  RASCS_AuthCallback = 8,
  RASCS_AuthChangePassword = 9,
  RASCS_AuthProject = 10,
  RASCS_AuthLinkSpeed = 11,
  RASCS_AuthAck = 12,
  RASCS_ReAuthenticate = 13,
  RASCS_Authenticated = 14,
  RASCS_PrepareForCallback = 15,
  RASCS_WaitForModemReset = 16,
  RASCS_WaitForCallback = 17,
  RASCS_Projected = 18,
  RASCS_Interactive = 0x1000,
  RASCS_RetryAuthentication = 0x1001,
  RASCS_CallbackSetByCaller = 0x1002,
  RASCS_PasswordExpired = 0x1003,
  RASCS_Connected = 0x2000,
  RASCS_Disconnected = 0x2001,
};

struct RASENTRYNAME {  // 48 bytes
  DWORD dwSize;
  WCHAR szEntryName[RAS_MaxEntryName + 1];
};

struct RASCONN {  // 52 bytes
  DWORD dwSize;
  HRASCONN hrasconn;
  WCHAR szEntryName[RAS_MaxEntryName + 1];
};

struct RASCONNSTATUS {  // 112 bytes
  DWORD dwSize;
  RASCONNSTATE rasconnstate;
  DWORD dwError;
  WCHAR szDeviceType[RAS_MaxDeviceType + 1];
  WCHAR szDeviceName[RAS_MaxDeviceName + 1];
};

struct RASDIALPARAMS {  // 1,464 bytes
  DWORD dwSize;
  WCHAR szEntryName[RAS_MaxEntryName + 1];
  WCHAR szPhoneNumber[RAS_MaxPhoneNumber + 1];
  WCHAR szCallbackNumber[RAS_MaxCallbackNumber + 1];
  WCHAR szUserName[UNLEN + 1];
  WCHAR szPassword[PWLEN + 1];
  WCHAR szDomain[DNLEN + 1];
};

struct RASIPADDR {
  BYTE a, b, c, d;
};

struct RASENTRY {  // 3,276 bytes
  DWORD dwSize;
  DWORD dwfOptions;
  DWORD dwCountryID;
  DWORD dwCountryCode;
  WCHAR szAreaCode[RAS_MaxAreaCode + 1];
  WCHAR szLocalPhoneNumber[RAS_MaxPhoneNumber + 1];
  DWORD dwAlternateOffset;
  RASIPADDR ipaddr;
  RASIPADDR ipaddrDns;
  RASIPADDR ipaddrDnsAlt;
  RASIPADDR ipaddrWins;
  RASIPADDR ipaddrWinsAlt;
  DWORD dwFrameSize;
  DWORD dwfNetProtocols;
  DWORD dwFramingProtocol;
  WCHAR szScript[MAX_PATH];
  WCHAR szAutodialDll[MAX_PATH];
  WCHAR szAutodialFunc[MAX_PATH];
  WCHAR szDeviceType[RAS_MaxDeviceType + 1];
  WCHAR szDeviceName[RAS_MaxDeviceName + 1];
  WCHAR szX25PadType[RAS_MaxPadType + 1];
  WCHAR szX25Address[RAS_MaxX25Address + 1];
  WCHAR szX25Facilities[RAS_MaxFacilities + 1];
  WCHAR szX25UserData[RAS_MaxUserData + 1];
  DWORD dwChannels;
  DWORD dwReserved1;
  DWORD dwReserved2;
};

static_assert(sizeof(RASENTRYNAME) == 48);
static_assert(sizeof(RASCONN) == 52);
static_assert(sizeof(RASCONNSTATUS) == 112);
static_assert(sizeof(RASDIALPARAMS) == 1464);
static_assert(sizeof(RASENTRY) == 3276);

#define RASDEVICETYPE_MODEM u"modem"
#define RASDEVICETYPE_DIRECT u"direct"

// All results are 0 or an error number. The phone-book argument must be null (the device has one
// phone book); any other value fails with ERROR_CANNOT_OPEN_PHONEBOOK.
//
// Lists the entries in name order. `*bytes` is the buffer's size in; the bytes needed out.
// entries may be null with *bytes 0 to ask for the size (ERROR_BUFFER_TOO_SMALL); otherwise
// entries[0].dwSize must be sizeof(RASENTRYNAME) (ERROR_INVALID_SIZE).
DWORD RasEnumEntries(LPCWSTR reserved, LPCWSTR phoneBook, RASENTRYNAME* entries, LPDWORD bytes, LPDWORD count);
// entry null (or *entrySize below the record): the size needed in *entrySize and
// ERROR_BUFFER_TOO_SMALL. entry->dwSize must be sizeof(RASENTRY). Device information is not kept
// (its size out is 0).
DWORD RasGetEntryProperties(LPCWSTR phoneBook, LPCWSTR entryName, RASENTRY* entry, LPDWORD entrySize, LPBYTE deviceInfo,
                            LPDWORD deviceInfoSize);
// Fills the stored parameters of the entry named in params->szEntryName; the password only when
// it is saved. Errors: ERROR_BUFFER_INVALID (null or wrong dwSize), ERROR_CANNOT_OPEN_PHONEBOOK,
// ERROR_CANNOT_FIND_PHONEBOOK_ENTRY.
DWORD RasGetEntryDialParams(LPCWSTR phoneBook, RASDIALPARAMS* params, LPBOOL passwordSaved);
// Starts dialling the entry named in params->szEntryName and returns at once with the new
// connection's handle. notifierType RAS_NOTIFIER_HWND: `notifier` is the window (an HWND cast to
// a pointer) that gets the dial events. Errors: ERROR_INVALID_PARAMETER, ERROR_BUFFER_INVALID,
// ERROR_CANNOT_FIND_PHONEBOOK_ENTRY, ERROR_PORT_ALREADY_OPEN (the entry has a connection already),
// or the code of a "!code" script.
DWORD RasDial(LPVOID dialExtensions, LPCWSTR phoneBook, RASDIALPARAMS* params, DWORD notifierType, LPVOID notifier,
              HRASCONN* connection);
// Lists the active connections (in the order they were made) like RasEnumEntries.
DWORD RasEnumConnections(RASCONN* connections, LPDWORD bytes, LPDWORD count);
// ERROR_INVALID_HANDLE for an unknown handle; ERROR_INVALID_SIZE for a wrong dwSize.
DWORD RasGetConnectStatus(HRASCONN connection, RASCONNSTATUS* status);
// Stops a dial in progress and ends the connection; ERROR_INVALID_HANDLE for an unknown handle.
DWORD RasHangUp(HRASCONN connection);

// ---- Test and automation hooks -----------------------------------------------------------------
namespace plat::ras {

// Replaces the "DialScript" of an entry for this process (an empty script removes the override).
void SetDialScript(const std::u16string& entryName, const std::string& script);
// Adds an active connection of the entry in the given state (as if it had been up before);
// returns its handle, 0 when the entry name does not fit the records.
HRASCONN AddConnection(const std::u16string& entryName, DWORD state = RASCS_Connected);
// The link of the entry's connection drops: its state becomes RASCS_Disconnected and the window
// that dialled it gets WM_RASDIALEVENT (8193, 0). False when the entry has no connection.
bool DropConnection(const std::u16string& entryName);
// How many times RasGetConnectStatus has answered for the entry's connection (0 when it has
// none): a watcher's polls counted, so a test can wait for polls instead of for a time.
uint64_t StatusReads(const std::u16string& entryName);
// Entry names hung up so far in this device root, oldest first.
std::vector<std::u16string> HangUpLog();
// What the last RasDial of an entry was given (kept in memory only). False if none.
struct DialRecord {
  std::u16string entryName;
  std::u16string userName;
  std::u16string phoneNumber;
  std::u16string password;
  HWND notifier = 0;
};
bool LastDial(const std::u16string& entryName, DialRecord* out);
// Ends every dial thread and forgets all connections and logs (tests).
void Reset();

}  // namespace plat::ras
