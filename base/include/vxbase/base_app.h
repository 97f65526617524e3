// The base library's application object, created once when the library loads. A program's own
// application object, constructed after the library has loaded, is the one AfxGetApp returns.
#pragma once

#include "plat/afx.h"

class CVXBaseApp : public CWinApp {
 public:
  CVXBaseApp();
  // The library keeps no list of recent files.
  virtual void AddToRecentFileList(LPCTSTR pathName);

  DECLARE_MESSAGE_MAP()
};

// The library's one application object.
CVXBaseApp& VXBaseApp();
