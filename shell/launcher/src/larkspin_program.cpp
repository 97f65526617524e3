// Larkspin: the program the user starts.
#include "larkspin/launcher_frame.h"
#include "plat/afx.h"

namespace {

class CLarkspinApp : public CWinApp {
 public:
  CLarkspinApp() : CWinApp(u"Larkspin") {}
  BOOL InitInstance() override {
    m_frame = new CLauncherFrame();
    return m_frame->Create();
  }
  int ExitInstance() override {
    delete m_frame;
    m_frame = nullptr;
    return CWinApp::ExitInstance();
  }

 private:
  CLauncherFrame* m_frame = nullptr;
};

}  // namespace

int main() {
  // Run this program's own application object: a library linked with the program (VXBase)
  // brings an application object of its own, made before this one, which AfxWinMain would run.
  CLarkspinApp app;
  app.m_hInstance = GetModuleHandle(nullptr);
  app.m_nCmdShow = SW_HIDE;
  if (!app.InitInstance()) {
    app.ExitInstance();
    return 1;
  }
  return app.Run();
}
