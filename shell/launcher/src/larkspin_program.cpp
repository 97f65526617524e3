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
    CLarkspinApp app;
    return AfxWinMain(nullptr, nullptr, nullptr, SW_HIDE);
}
