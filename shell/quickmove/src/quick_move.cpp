#include "flitway/quick_move.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>

#include "vxbase/menu_config.h"

namespace {

struct Entry {
  unsigned int id;
  char name[kQuickMoveMaxName + 1];  // code page 949, terminated
};

// The history, oldest first. The title entry is not stored: it is always first in the combo.
struct History {
  Entry entries[kQuickMoveMaxEntries];
  int count = 0;
};

History& TheHistory() {
  static History history;
  return history;
}

// Copies at most kQuickMoveMaxName bytes of `text`, never half of a double-byte character.
void CopyName(char (&out)[kQuickMoveMaxName + 1], const char* text, size_t length) {
  length = strnlen(text, length);  // a name ends at a zero byte: never half a character before it
  size_t n = 0;
  while (n < length) {
    auto lead = static_cast<unsigned char>(text[n]);
    size_t step = lead >= 0x81 && lead <= 0xFE ? 2 : 1;
    if (n + step > length || n + step > static_cast<size_t>(kQuickMoveMaxName)) break;
    n += step;
  }
  std::memcpy(out, text, n);
  out[n] = '\0';
}

void Remove(History& h, int index) {
  std::move(h.entries + index + 1, h.entries + h.count, h.entries + index);
  --h.count;
}

void Append(History& h, unsigned int id, const char* name, size_t nameLength) {
  if (h.count >= kQuickMoveMaxEntries) Remove(h, 0);  // the oldest drops off
  Entry& e = h.entries[h.count++];
  e.id = id;
  CopyName(e.name, name, nameLength);
}

// Reads one whole line without its line end; false at the end of the file. Byte by byte, so
// that a zero byte in the file neither hides the rest of its line nor joins two lines.
bool ReadWholeLine(FILE* file, std::string& line) {
  line.clear();
  bool any = false;
  int c;
  while ((c = std::getc(file)) != EOF) {
    any = true;
    if (c == '\n') break;
    line += static_cast<char>(c);
  }
  while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.pop_back();
  return any;
}

// The leading decimal number of `text` (0 when there is none or it does not fit 32 bits).
unsigned int LeadingId(const std::string& text) {
  size_t i = 0;
  while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
  uint64_t value = 0;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
    value = value * 10 + static_cast<uint64_t>(text[i] - '0');
    if (value > 0xFFFFFFFFu) return 0;
  }
  return static_cast<unsigned int>(value);
}

void Load(History& h) {
  FILE* file = plat::OpenDeviceFile(QM_HISTORY_FILE, "r");
  if (!file) return;
  std::string line;
  while (ReadWholeLine(file, line)) {
    size_t first = line.find('$');
    if (first == std::string::npos) continue;
    unsigned int id = LeadingId(line.substr(0, first));
    if (id == 0) continue;  // no screen: 0 is the title's id
    size_t second = line.find('$', first + 1);
    size_t end = second == std::string::npos ? line.size() : second;
    Append(h, id, line.data() + first + 1, end - first - 1);
  }
  std::fclose(file);
}

}  // namespace

extern "C" {

int _qm_init_his(void) {
  History& h = TheHistory();
  h.count = 0;
  Load(h);
  return h.count;
}

int _qm_change_his(const CMenuConfigFile* menu, unsigned int id) {
  if (!menu) return -1;
  History& h = TheHistory();
  if (id == 0) return h.count;  // 0 names no screen (it is the title's id)
  // Every entry of the screen goes: a history file written by hand may list a screen twice.
  for (int i = h.count - 1; i >= 0; --i)
    if (h.entries[i].id == id) Remove(h, i);
  std::string name;
  if (menu->IsMenu(id)) name = menu->GetScreenNameFromId(id).ToMultiByte();
  Append(h, id, name.data(), name.size());
  return h.count;
}

int _qm_apply_his(CComboBox* combo) {
  if (!combo || !combo->m_hWnd) return -1;
  const History& h = TheHistory();
  combo->ResetContent();
  combo->AddString(QM_TITLE_TEXT);
  for (int i = h.count - 1; i >= 0; --i) combo->AddString(CString::FromMultiByte(h.entries[i].name));
  combo->SetCurSel(0);
  return h.count + 1;
}

unsigned int _qm_get_dll_id(int k) {
  const History& h = TheHistory();
  const int position = k - 1;  // combo position: 0 is the title, then newest first
  if (position < 1 || position > h.count) return 0;
  return h.entries[h.count - position].id;
}

int _qm_exit_his(void) {
  History& h = TheHistory();
  if (h.count == 0) return 0;
  // Take the entries out first: a second call, also one made while this one runs, finds nothing.
  Entry saved[kQuickMoveMaxEntries];
  const int count = h.count;
  std::copy(h.entries, h.entries + count, saved);
  h.count = 0;
  FILE* file = plat::OpenDeviceFile(QM_HISTORY_FILE, "w");
  if (!file) return -1;
  for (int i = 0; i < count; ++i) std::fprintf(file, "%u$%s$ \n", saved[i].id, saved[i].name);
  return std::fclose(file) == 0 ? count : -1;
}

}  // extern "C"
