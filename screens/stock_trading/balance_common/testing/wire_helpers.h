// Building reply records in tests: the shared helpers.
#pragma once

#include "../../testing/wire_helpers.h"

namespace balancetest {
using namespace screentest;
}  // namespace balancetest
