// The balance screens' tests host their plug-ins with the shared screen fixture.
#pragma once

#include "screen_host.h"

namespace balancetest {
using namespace screentest;

class BalanceScreenTest : public ScreenTest {
 protected:
  BalanceScreenTest(const char* pluginFile, const char16_t* handheldName) : ScreenTest(pluginFile, handheldName) {
    accountCombo_ = 1008;  // the balance screens' account combo
  }
};
}  // namespace balancetest
