// The program the command-line tests drive: "test_program" shows the sample screen,
// "test_program peer" shows the peer window that answers the sample screen's message.
#include <cstring>

#include "sample_screen.h"

int main(int argc, char** argv) {
  bool peer = argc > 1 && std::strcmp(argv[1], "peer") == 0;
  if (peer)
    sample::BuildPeer();
  else
    sample::Build();
  MSG m;
  while (GetMessage(&m, 0, 0, 0)) {
    TranslateMessage(&m);
    DispatchMessage(&m);
  }
  return 0;
}
