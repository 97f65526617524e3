// The order inquiry, modify and cancel screens' tests host their plug-ins with the screen host:
// user "demo" logged in, the plug-ins the test program was built with on the device.
#pragma once

#include "screen_host.h"
#include "vxskeleton/screen_skeleton.h"

namespace changetest {
using namespace screentest;

class ChangeScreenTest : public ScreenTest {};
}  // namespace changetest
