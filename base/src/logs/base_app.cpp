#include "vxbase/base_app.h"

namespace {
CVXBaseApp theApp;
}

CVXBaseApp::CVXBaseApp() : CWinApp(nullptr) {}

void CVXBaseApp::AddToRecentFileList(LPCTSTR pathName) { (void)pathName; }

CVXBaseApp& VXBaseApp() { return theApp; }

BEGIN_MESSAGE_MAP(CVXBaseApp, CWinApp)
END_MESSAGE_MAP()
