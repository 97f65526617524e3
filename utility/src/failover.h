// Server-list failover (internal): picks a server from a text file of main and spare servers and
// connects through a caller-supplied function, trying the main servers round-robin or from a
// random start and falling back to the spare servers.
//
// File: lines "KEY = VALUE"; from "#" on a line is a comment; blanks trimmed; empty lines skipped.
// Servers are "MAIN_SVR_<n>" and "SPARE_SVR_<n>" numbered from 0 without gaps, each
// "host | port | free text".
#pragma once

struct SVR_INFO {
  char host[128];
  int port;
  char text[512];
  int conn;  // what the connect function returned; 0 when not connected
};

// Returns a connection value >= 0 on success, negative on failure.
typedef int (*SVR_CONNECT_FN)(const char* host, int port, const char* text, int index);
// Closes the connection `conn` to the server `record`.
typedef void (*SVR_CLOSE_FN)(int conn, SVR_INFO* record);

enum SvrList { SVR_LIST_NONE = 0, SVR_LIST_MAIN = 1, SVR_LIST_SPARE = 2 };

// Start values of svr_failover_connect besides a server index.
constexpr int SVR_START_NEXT = -200;    // the main server after the last one used, else random
constexpr int SVR_START_RANDOM = -100;  // a random main server

struct SVR_FAILOVER {
  int cur_list;
  int main_index;
  int main_count;
  SVR_INFO* mains;
  int spare_index;
  int spare_count;
  SVR_INFO* spares;
  SVR_CONNECT_FN connect_fn;
  SVR_CLOSE_FN close_fn;
};

struct CONF_PAIR {
  char* key;
  char* value;
};
struct CONF_PAIRS {
  int count;
  CONF_PAIR* pairs;
};

// Reads and parses the file into key/value pairs; 0 or -1. Release with conf_free.
int conf_load(const char* fileName, CONF_PAIRS* out);
// Value of the first pair with exactly this key, or `def` when missing or empty.
const char* conf_value(const CONF_PAIRS* pairs, const char* key, const char* def);
void conf_free(CONF_PAIRS* pairs);

// Loads the server lists; -1 for NULL arguments, an unreadable file or a malformed server entry.
int svr_failover_open(SVR_FAILOVER* f, const char* fileName, SVR_CONNECT_FN connectFn, SVR_CLOSE_FN closeFn);
// Closes the current connection, then connects (see SVR_START_*; any other start is an index,
// taken modulo the main count). Returns the connection value, or -1 when no server connects.
int svr_failover_connect(SVR_FAILOVER* f, int start);
void svr_failover_close(SVR_FAILOVER* f);
void svr_failover_release(SVR_FAILOVER* f);
