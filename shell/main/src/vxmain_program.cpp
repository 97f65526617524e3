// VXMain: the main program. Its frame stays hidden; the user sees the screens it hosts.
#include "plat/afx.h"
#include "plat/windows.h"
#include "vxmain/main_frame.h"

namespace {

class CVXMainApp : public CWinApp {
 public:
  CVXMainApp() : CWinApp(u"VXMain") {}
  BOOL InitInstance() override {
    WSADATA wsa;
    if (WSAStartup(MAKEWORD(2, 2), &wsa) != 0) {
      MessageBox(0, u"Windows sockets initialization failed.", u"VXMain", MB_OK | MB_ICONSTOP);
      return FALSE;
    }
    m_frame = new CVXMainFrame();
    if (!m_frame->Create()) return FALSE;
    return TRUE;
  }
  int ExitInstance() override {
    delete m_frame;
    m_frame = nullptr;
    WSACleanup();
    return CWinApp::ExitInstance();
  }

 private:
  CVXMainFrame* m_frame = nullptr;
};

}  // namespace

int main(int argc, char** argv) {
  (void)argc;
  (void)argv;
  // Run this program's own application object: a library linked with the program (VXBase)
  // brings an application object of its own, made before this one, which AfxWinMain would run.
  CVXMainApp app;
  app.m_hInstance = GetModuleHandle(nullptr);
  app.m_nCmdShow = SW_HIDE;
  if (!app.InitInstance()) {
    app.ExitInstance();
    return 1;
  }
  return app.Run();
}
