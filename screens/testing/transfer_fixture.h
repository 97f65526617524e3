// The transfer screens' tests host their plug-ins with the shared screen fixture.
#pragma once

#include "screen_host.h"

namespace transfertest {
using namespace screentest;

class TransferScreenTest : public ScreenTest {
 protected:
  using ScreenTest::ScreenTest;
};
}  // namespace transfertest
