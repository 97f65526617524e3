// Server-list failover.
#include "failover.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "glimmet/file_log.h"
#include "glimmet/net_value.h"
#include "glimmet/text_util.h"
#include "glimmet/time_util.h"
#include "vlist.h"

namespace {

char* trimmed_copy(const char* begin, size_t n) {
  while (n > 0 && (*begin == ' ' || *begin == '\t' || *begin == '\r' || *begin == '\n')) ++begin, --n;
  while (n > 0 && (begin[n - 1] == ' ' || begin[n - 1] == '\t' || begin[n - 1] == '\r' || begin[n - 1] == '\n')) --n;
  char* s = static_cast<char*>(std::malloc(n + 1));
  if (!s) return nullptr;
  std::memcpy(s, begin, n);
  s[n] = '\0';
  return s;
}

// Parses one server value "host | port | text" into a record; false when malformed.
bool parse_server(const char* value, SVR_INFO* rec) {
  DIVID_STR f = string_divid_with_str(value, "|", 0);
  bool ok = false;
  if (f.count == 3) {
    char host[sizeof rec->host], port[32], text[sizeof rec->text];
    // A field that does not fit is refused rather than cut.
    bool fits = std::strlen(f.parts[0]) < sizeof host && std::strlen(f.parts[1]) < sizeof port &&
                std::strlen(f.parts[2]) < sizeof text;
    if (fits) {
      trim_all(host, sizeof host, f.parts[0]);
      trim_all(port, sizeof port, f.parts[1]);
      trim_all(text, sizeof text, f.parts[2]);
      int valid = 0;
      int p = byte_to_digit(port, -1, &valid);
      if (host[0] != '\0' && valid && p > 0 && p <= 65535) {
        std::memset(rec, 0, sizeof *rec);
        std::memcpy(rec->host, host, sizeof host);
        rec->port = p;
        std::memcpy(rec->text, text, sizeof text);
        ok = true;
      }
    }
  }
  destroy_divid_str(f.count, f.parts);
  return ok;
}

// Counts "<prefix><n>" entries from 0 up to the first missing or empty one and parses them.
int load_list(const CONF_PAIRS* pairs, const char* prefix, SVR_INFO** out, int* countOut) {
  *out = nullptr;
  *countOut = 0;
  char key[64];
  int n = 0;
  for (;; ++n) {
    std::snprintf(key, sizeof key, "%s%d", prefix, n);
    if (!conf_value(pairs, key, nullptr)) break;
  }
  if (n == 0) return 0;
  auto* recs = static_cast<SVR_INFO*>(std::calloc(static_cast<size_t>(n), sizeof(SVR_INFO)));
  if (!recs) return -1;
  for (int i = 0; i < n; ++i) {
    std::snprintf(key, sizeof key, "%s%d", prefix, i);
    if (!parse_server(conf_value(pairs, key, ""), &recs[i])) {
      std::free(recs);
      return -1;
    }
  }
  *out = recs;
  *countOut = n;
  return 0;
}

// Tries each server of a list once from `first`, wrapping; the index that connected, or -1.
int try_list(SVR_FAILOVER* f, SVR_INFO* recs, int count, int first) {
  for (int k = 0; k < count; ++k) {
    int i = (first + k) % count;
    int conn = f->connect_fn(recs[i].host, recs[i].port, recs[i].text, i);
    if (conn >= 0) {
      recs[i].conn = conn;
      return i;
    }
  }
  return -1;
}

}  // namespace

int conf_load(const char* fileName, CONF_PAIRS* out) {
  if (!fileName || !out) return -1;
  *out = CONF_PAIRS{0, nullptr};
  int size = 0;
  char* text = static_cast<char*>(load_full_file(fileName, &size, 1));
  if (!text) return -1;
  VLIST* list = vlist_create(0);
  int result = list ? 0 : -1;
  for (char* line = text; result == 0 && line < text + size;) {
    char* end = static_cast<char*>(std::memchr(line, '\n', static_cast<size_t>(text + size - line)));
    if (!end) end = text + size;
    size_t len = static_cast<size_t>(end - line);
    if (char* hash = static_cast<char*>(std::memchr(line, '#', len))) len = static_cast<size_t>(hash - line);
    char* eq = static_cast<char*>(std::memchr(line, '=', len));
    CONF_PAIR pair{nullptr, nullptr};
    pair.key = trimmed_copy(line, eq ? static_cast<size_t>(eq - line) : len);
    pair.value = eq ? trimmed_copy(eq + 1, static_cast<size_t>(line + len - eq - 1)) : trimmed_copy("", 0);
    bool empty_line = pair.key && pair.value && pair.key[0] == '\0' && !eq;
    if (!pair.key || !pair.value || (!empty_line && vlist_append(list, &pair, sizeof pair) != 0)) {
      result = -1;
    }
    if (result != 0 || empty_line) {
      std::free(pair.key);
      std::free(pair.value);
    }
    line = end + 1;
  }
  if (result == 0 && list->count > 0) {
    out->pairs = static_cast<CONF_PAIR*>(std::calloc(static_cast<size_t>(list->count), sizeof(CONF_PAIR)));
    if (!out->pairs) result = -1;
  }
  if (list) {
    int i = 0;
    for (VLIST_NODE* n = list->first; n; n = n->next, ++i) {
      auto* p = static_cast<CONF_PAIR*>(n->data);
      if (result == 0) {
        out->pairs[i] = *p;
      } else {
        std::free(p->key);
        std::free(p->value);
      }
    }
    if (result == 0) out->count = list->count;
    vlist_delete(list);
  }
  std::free(text);
  return result;
}

const char* conf_value(const CONF_PAIRS* pairs, const char* key, const char* def) {
  if (!pairs || !key) return def;
  for (int i = 0; i < pairs->count; ++i) {
    if (std::strcmp(pairs->pairs[i].key, key) == 0) return pairs->pairs[i].value[0] ? pairs->pairs[i].value : def;
  }
  return def;
}

void conf_free(CONF_PAIRS* pairs) {
  if (!pairs) return;
  for (int i = 0; i < pairs->count; ++i) {
    std::free(pairs->pairs[i].key);
    std::free(pairs->pairs[i].value);
  }
  std::free(pairs->pairs);
  *pairs = CONF_PAIRS{0, nullptr};
}

int svr_failover_open(SVR_FAILOVER* f, const char* fileName, SVR_CONNECT_FN connectFn, SVR_CLOSE_FN closeFn) {
  if (!f || !fileName || !connectFn || !closeFn) return -1;
  std::memset(f, 0, sizeof *f);
  CONF_PAIRS pairs;
  if (conf_load(fileName, &pairs) != 0) return -1;
  SVR_INFO* mains = nullptr;
  SVR_INFO* spares = nullptr;
  int mainCount = 0, spareCount = 0;
  int result = load_list(&pairs, "MAIN_SVR_", &mains, &mainCount);
  if (result == 0) result = load_list(&pairs, "SPARE_SVR_", &spares, &spareCount);
  conf_free(&pairs);
  if (result != 0) {
    std::free(mains);
    std::free(spares);
    return -1;
  }
  f->mains = mains;
  f->main_count = mainCount;
  f->spares = spares;
  f->spare_count = spareCount;
  f->connect_fn = connectFn;
  f->close_fn = closeFn;
  return 0;
}

int svr_failover_connect(SVR_FAILOVER* f, int start) {
  if (!f || !f->connect_fn) return -1;
  // Closing clears the current list and index: remember them for the round-robin first.
  const int lastList = f->cur_list;
  const int lastMain = f->main_index;
  svr_failover_close(f);

  if (f->main_count > 0) {
    int first;
    if (start == SVR_START_NEXT)
      first = lastList == SVR_LIST_MAIN ? (lastMain + 1) % f->main_count : get_rand_value(f->main_count);
    else if (start == SVR_START_RANDOM)
      first = get_rand_value(f->main_count);
    else
      first = ((start % f->main_count) + f->main_count) % f->main_count;
    int i = try_list(f, f->mains, f->main_count, first);
    if (i >= 0) {
      f->cur_list = SVR_LIST_MAIN;
      f->main_index = i;
      return f->mains[i].conn;
    }
  }
  if (f->spare_count > 0) {
    int i = try_list(f, f->spares, f->spare_count, get_rand_value(f->spare_count));
    if (i >= 0) {
      f->cur_list = SVR_LIST_SPARE;
      f->spare_index = i;
      return f->spares[i].conn;
    }
  }
  return -1;
}

void svr_failover_close(SVR_FAILOVER* f) {
  if (!f) return;
  SVR_INFO* rec = nullptr;
  if (f->cur_list == SVR_LIST_MAIN && f->main_index >= 0 && f->main_index < f->main_count)
    rec = &f->mains[f->main_index];
  if (f->cur_list == SVR_LIST_SPARE && f->spare_index >= 0 && f->spare_index < f->spare_count)
    rec = &f->spares[f->spare_index];
  if (rec) {
    if (f->close_fn) f->close_fn(rec->conn, rec);
    rec->conn = 0;
  }
  f->main_index = 0;
  f->spare_index = 0;
  f->cur_list = SVR_LIST_NONE;
}

void svr_failover_release(SVR_FAILOVER* f) {
  if (!f) return;
  svr_failover_close(f);
  std::free(f->mains);
  std::free(f->spares);
  std::memset(f, 0, sizeof *f);
}
