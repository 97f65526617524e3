// ZRUpdate: the version updater. Started by the launcher before the main program; its frame
// stays hidden until the main program shows it for the version check.
#include "plat/afx.h"
#include "plat/windows.h"
#include "zrupdate/update_frame.h"

namespace {

class CZRUpdateApp : public CWinApp {
 public:
  CZRUpdateApp() : CWinApp(u"ZRUpdate") {}
  BOOL InitInstance() override {
    WSADATA wsa;
    if (WSAStartup(MAKEWORD(2, 2), &wsa) != 0) {
      MessageBox(0, u"Fehler beim Initialisieren der Windows-Sockets.", u"ZRUpdate", MB_OK | MB_ICONSTOP);
      return FALSE;
    }
    m_frame = new CZRUpdateFrame();
    if (!m_frame->Create()) return FALSE;
    return TRUE;
  }
  int ExitInstance() override {
    delete m_frame;  // stops the receive thread once no handler of it is running
    m_frame = nullptr;
    WSACleanup();
    return CWinApp::ExitInstance();
  }

 private:
  CZRUpdateFrame* m_frame = nullptr;
};

}  // namespace

int main(int argc, char** argv) {
  (void)argc;
  (void)argv;
  CZRUpdateApp app;
  return AfxWinMain(nullptr, nullptr, nullptr, SW_HIDE);
}
