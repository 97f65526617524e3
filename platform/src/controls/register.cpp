// Registers the window classes of the standard controls in the calling process.
#include "common.h"

namespace plat::controls {

void RegisterClasses() {
  using namespace detail;
  struct Entry {
    const WCHAR* name;
    WNDPROC proc;
    UINT style;
  };
  static const Entry kClasses[] = {
      {WC_STATIC, StaticProc, CS_DBLCLKS},
      {WC_BUTTON, ButtonProc, CS_DBLCLKS},
      {WC_EDIT, EditProc, CS_DBLCLKS},
      {WC_COMBOBOX, ComboProc, CS_DBLCLKS},
      {WC_COMBOLBOX, ComboListProc, CS_DBLCLKS | CS_SAVEBITS},
      {WC_LISTBOX, ListBoxProc, CS_DBLCLKS},
      {WC_LISTVIEW, ListViewProc, CS_DBLCLKS},
      {PROGRESS_CLASS, ProgressProc, 0},
  };
  // The window core may forget every class (between tests) and call this again; registering a
  // name that is still taken just fails, so repeated calls are harmless.
  for (const Entry& e : kClasses) {
    WNDCLASS wc{};
    wc.style = e.style | CS_GLOBALCLASS;
    wc.lpfnWndProc = e.proc;
    wc.lpszClassName = e.name;
    RegisterClass(&wc);
  }
}

}  // namespace plat::controls
